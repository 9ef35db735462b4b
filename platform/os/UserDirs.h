#pragma once
// The user's well-known folders from user-dirs.dirs (XDG_DESKTOP_DIR="$HOME/Desktop" ...),
// with the fallbacks that xdg-user-dir applies: the home folder, "$HOME/Desktop" for DESKTOP.

#include <map>
#include <string>
#include <string_view>

namespace parch {

// Entries of a user-dirs.dirs text by short name ("DESKTOP", "DOCUMENTS"...). Values are
// "$HOME/..." or absolute paths in double quotes with backslash escapes; anything else is
// skipped, as the file's readers do. Paths come without a trailing "/" (home itself is home).
std::map<std::string, std::string> ParseUserDirs(std::string_view text, std::string_view home);

// The folder named (DESKTOP, DOCUMENTS, TEMPLATES, DOWNLOAD...), read from
// $XDG_CONFIG_HOME/user-dirs.dirs or $HOME/.config/user-dirs.dirs.
std::string UserDirPath(std::string_view name);

// The home folder: $HOME, else the password database's entry; without a trailing "/".
std::string HomeFolder();

}  // namespace parch
