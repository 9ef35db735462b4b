#include "platform/os/ShellExecute.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/os/Files.h"

extern char** environ;

namespace parch {

namespace shellexec {

bool HasScheme(std::string_view target) {
    // RFC 3986 scheme: a letter, then letters, digits, "+", "-", "."; then ":".
    std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;  // "C:" style stays a path
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!letter(target[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        char c = target[i];
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

// Starts the program in a grandchild: the intermediate child ends at once and is reaped
// here, so the opener belongs to init and never becomes our zombie. The grandchild's start
// result comes back through a close-on-exec pipe.
// program: a path, or a bare name looked up along PATH only (never in the current folder,
// which may be any folder the user browsed).
int SpawnDetached(const std::string& program, const std::vector<std::string>& arguments) {
    bool searchPath = program.find('/') == std::string::npos;
    // Everything that allocates is prepared before fork: the child of a threaded process may
    // only make async-signal-safe calls.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    std::vector<char*> argv;
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        int error = errno;
        posix_spawn_file_actions_destroy(&actions);
        return error;
    }
    pid_t child = fork();
    if (child == 0) {
        setsid();
        pid_t grandchild;
        int result = searchPath ? posix_spawnp(&grandchild, program.c_str(), &actions, nullptr, argv.data(), environ)
                                : posix_spawn(&grandchild, program.c_str(), &actions, nullptr, argv.data(), environ);
        ssize_t ignored = write(report[1], &result, sizeof result);
        (void)ignored;
        _exit(0);
    }
    int forkError = child < 0 ? errno : 0;
    close(report[1]);
    posix_spawn_file_actions_destroy(&actions);
    if (forkError) {
        close(report[0]);
        return forkError;
    }
    int result = ECHILD;
    ssize_t got;
    do got = read(report[0], &result, sizeof result);
    while (got < 0 && errno == EINTR);
    close(report[0]);
    int status;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return got == sizeof result ? result : ECHILD;
}

}  // namespace shellexec

std::string ShellOpenArgument(std::string_view target) {
    if (shellexec::HasScheme(target)) return std::string(target);
    return ExpandFileName(target);
}

std::intptr_t ShellExecute(std::string_view verb, std::string_view target) {
    if (!verb.empty() && verb != "open") return SE_ERR_NOASSOC;
    if (target.empty()) return SE_ERR_FNF;
    std::string argument = ShellOpenArgument(target);
    if (!shellexec::HasScheme(target) && !PathExists(argument)) return SE_ERR_FNF;
    const char* hook = std::getenv("PARCH_SHELL_OPEN");
    std::string opener = hook && *hook ? hook : "xdg-open";
    std::string program = opener.find('/') == std::string::npos ? opener : ExpandFileName(opener);
    int error = shellexec::SpawnDetached(program, {opener, argument});
    if (error == 0) return SHELL_EXECUTE_OK;
    return error == EACCES ? SE_ERR_ACCESSDENIED : SE_ERR_FNF;
}

bool ShellExecuteEx(SHELLEXECUTEINFO& info) {
    info.hInstApp = ShellExecute(info.lpVerb, info.lpFile);
    return info.hInstApp > 32;
}

}  // namespace parch
