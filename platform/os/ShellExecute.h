#pragma once
// Opening a file, folder or address with the desktop's opener (xdg-open). The opener is
// started directly (no shell), detached (it is not our child, so it leaves no zombie) and
// with only standard input, output and error, all on /dev/null. A file path is made absolute
// first, so a name starting with "-" never reaches the opener as an option. The environment
// variable PARCH_SHELL_OPEN, when set, names the program to run instead of xdg-open. A bare
// program name is looked up along PATH only, never in the current folder.

#include <string>
#include <string_view>

#include "platform/os/OsTypes.h"

namespace parch {

// Windows' result numbers: above 32 is success.
constexpr std::intptr_t SE_ERR_FNF = 2;
constexpr std::intptr_t SE_ERR_ACCESSDENIED = 5;
constexpr std::intptr_t SE_ERR_NOASSOC = 31;
constexpr std::intptr_t SHELL_EXECUTE_OK = 42;

// verb: empty or "open" (anything else has no association here). target: a path (relative
// to the current folder) or an address with a scheme ("https://...", "mailto:...").
std::intptr_t ShellExecute(std::string_view verb, std::string_view target);

struct SHELLEXECUTEINFO {
    std::string lpVerb;
    std::string lpFile;
    std::intptr_t hInstApp = 0;  // the ShellExecute result
};
bool ShellExecuteEx(SHELLEXECUTEINFO& info);

// What the opener receives for a target: an address is kept, a path made absolute.
std::string ShellOpenArgument(std::string_view target);

}  // namespace parch
