#pragma once
// The shell fixture folder, made once per test program by tools/make_shell_fixtures.py.

#include <cstdlib>
#include <string>

#include "ScratchDir.h"

namespace parch::test {

inline const std::string& ShellFixtureFolder() {
    // Removed with everything in it when the test program ends.
    static ScratchDir scratch;
    static const std::string folder = [] {
        std::string command = "python3 '" PARCH_SOURCE_DIR "/tools/make_shell_fixtures.py' '" + scratch.Path() + "fx'";
        if (std::system(command.c_str()) != 0) scratch.Write("fixture-failed", "");
        return scratch.Path() + "fx/";
    }();
    return folder;
}

// Runs a command and returns its standard output.
inline std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
        pclose(pipe);
    }
    return output;
}

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace parch::test
