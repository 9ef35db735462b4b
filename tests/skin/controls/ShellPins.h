#pragma once
// What the shell tests pin for the whole test program, before anything reads it: a home folder
// with its user-dirs.dirs, an empty XDG_CONFIG_HOME beside it, XDG_DATA_DIRS on the fixture of
// tools/make_shell_xdg_fixture.py (a small type database and hicolor theme), a fixed mount
// table, the desktop opener replaced by a recorder, and LANG=C.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/platform/os/ScratchDir.h"

namespace parch::test {

struct ShellPins {
    std::string home;        // no trailing "/"
    std::string dataDirs;    // the fixture's share folder
    std::string openerLog;   // what the recording opener was given, one argument a line
};

// Mount points the fixture table holds besides "/", in table order.
inline const char* const kFixtureMounts[] = {"/media/usb stick", "/srv/share"};

inline const ShellPins& PinShellEnvironment() {
    static ScratchDir scratch;
    static const ShellPins pins = [] {
        namespace fs = std::filesystem;
        ShellPins made;
        const std::string root = scratch.Path();
        made.home = root + "home";
        for (const char* folder : {"/.config", "/Schreibtisch", "/Dokumente", "/Vorlagen"})
            fs::create_directories(made.home + folder);
        std::ofstream(made.home + "/.config/user-dirs.dirs")
            << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
               "XDG_TEMPLATES_DIR=\"$HOME/Vorlagen/\"\n";
        std::string command = "/usr/bin/python3 '" PARCH_SOURCE_DIR "/tools/make_shell_xdg_fixture.py' '" + root + "xdg'";
        if (std::system(command.c_str()) != 0) std::ofstream(root + "xdg-fixture-failed");
        made.dataDirs = root + "xdg/share";
        std::ofstream(root + "mountinfo")
            << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
               "23 22 0:5 / /proc rw - proc proc rw\n"
               "24 22 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n"
               "25 22 0:40 / /tmp rw - tmpfs tmpfs rw\n"
               "26 22 0:41 / /srv/share rw - nfs4 server:/export rw\n";
        made.openerLog = root + "opened.txt";
        std::ofstream(root + "opener") << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done >> '" + made.openerLog + "'\n";
        fs::permissions(root + "opener", fs::perms::owner_all);
        setenv("HOME", made.home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (made.home + "/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "data-home").c_str(), 1);
        setenv("XDG_DATA_DIRS", made.dataDirs.c_str(), 1);
        setenv("PARCH_MOUNTINFO", (root + "mountinfo").c_str(), 1);
        setenv("PARCH_SHELL_OPEN", (root + "opener").c_str(), 1);
        setenv("LANG", "C", 1);
        unsetenv("LC_ALL");
        return made;
    }();
    return pins;
}

}  // namespace parch::test
