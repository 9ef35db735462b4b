#include "platform/os/Process.h"

#include "platform/os/Files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace parch {

namespace {

// Enough for every engine's messages; a runaway child cannot exhaust memory.
constexpr std::size_t kMaxCapturedOutput = 16 * 1024 * 1024;

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

class SpawnActions {
public:
    SpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

bool IsExecutableFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

void DrainInto(int fd, ProcessResult& result) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        const std::size_t room = kMaxCapturedOutput - result.Output.size();
        const std::size_t take = std::min(room, static_cast<std::size_t>(n));
        result.Output.append(buffer, take);
        if (take < static_cast<std::size_t>(n)) result.Truncated = true;
    }
}

void WaitForChild(pid_t pid, ProcessResult& result) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return;
    }
    if (WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.Signal = WTERMSIG(status);
}

}  // namespace

std::vector<std::string> SplitCommandWords(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

std::optional<std::string> FindProgram(std::string_view name, std::string_view workingFolder) {
    if (name.empty()) return std::nullopt;
    const std::string folder = ExpandFileName(workingFolder.empty() ? "." : workingFolder);
    const std::string inFolder = ExpandFileName(name, folder);
    if (name.find('/') != std::string_view::npos)
        return IsExecutableFile(inFolder) ? std::optional(inFolder) : std::nullopt;
    if (IsExecutableFile(inFolder)) return inFolder;
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view entry = rest.substr(0, colon);
        if (!entry.empty() && entry.front() == '/') {
            const std::string candidate = IncludeTrailingSlash(entry) + std::string(name);
            if (IsExecutableFile(candidate)) return candidate;
        }
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return std::nullopt;
}

ProcessResult RunProcessCaptured(const std::vector<std::string>& arguments,
                                 const std::string& workingFolder) {
    ProcessResult result;
    if (arguments.empty() || arguments.front().empty()) {
        result.StartError = "No program to start";
        return result;
    }
    if (workingFolder.empty() || !DirectoryExists(workingFolder)) {
        result.StartError = "Working folder \"" + workingFolder + "\" not found";
        return result;
    }
    const std::optional<std::string> program = FindProgram(arguments.front(), workingFolder);
    if (!program) {
        result.StartError = "Program \"" + arguments.front() + "\" not found";
        return result;
    }

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        result.StartError = std::string("Cannot create a pipe: ") + std::strerror(errno);
        return result;
    }
    UniqueFd readEnd(pipeFds[0]), writeEnd(pipeFds[1]);
    UniqueFd devNull(::open("/dev/null", O_RDONLY | O_CLOEXEC));

    SpawnActions actions;
    if (devNull.get() >= 0) ::posix_spawn_file_actions_adddup2(actions.get(), devNull.get(), 0);
    ::posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), 1);
    ::posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), 2);
    ::posix_spawn_file_actions_addchdir_np(actions.get(), workingFolder.c_str());
    ::posix_spawn_file_actions_addclosefrom_np(actions.get(), 3);

    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, program->c_str(), actions.get(), nullptr, argv.data(), environ);
    // Our copy of the write end must go, or reading would never see the end of the stream.
    writeEnd.reset();
    if (error != 0) {
        result.StartError = "Cannot start \"" + arguments.front() + "\": " + std::strerror(error);
        return result;
    }
    result.Started = true;
    DrainInto(readEnd.get(), result);
    WaitForChild(pid, result);
    return result;
}

}  // namespace parch
