#include "platform/os/Process.h"

#include "platform/os/Files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace parch {

namespace {

// Enough for every engine's messages; a runaway child cannot exhaust memory.
constexpr std::size_t kMaxCapturedOutput = 16 * 1024 * 1024;

// A signal handler reaches nothing but these: the process groups it is to end and the signal
// it saw. Lock-free atomics are safe to use there. A few children may run at once (engine
// packages are run side by side).
constexpr std::size_t kMaxRunningGroups = 8;
std::atomic<pid_t> runningGroups[kMaxRunningGroups];
std::atomic<int> receivedSignal{0};

void OnTerminationSignal(int signal) {
    int none = 0;
    receivedSignal.compare_exchange_strong(none, signal);
    for (const std::atomic<pid_t>& slot : runningGroups)
        if (const pid_t group = slot.load(); group > 0) ::kill(-group, SIGKILL);
}

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

// Everything the child needs, prepared before it starts: the child shares our memory and may
// only make system calls (another thread may hold the allocator's lock).
struct ChildSetup {
    const char* Program;
    char* const* Argv;
    const char* Folder;
    pid_t Parent;
    int Input;        // -1: none
    int Output;
    int ErrorReport;  // close-on-exec; receives errno when the start fails
    const std::vector<int>* Kept;  // sorted
};

void CloseRange(unsigned first, unsigned last) {
    if (first > last) return;
    if (::close_range(first, last, 0) == 0) return;
    const long limit = ::sysconf(_SC_OPEN_MAX);
    const unsigned end = std::min<unsigned long>(last, limit > 0 ? static_cast<unsigned long>(limit) - 1 : 1023);
    for (unsigned fd = first; fd <= end; ++fd) ::close(static_cast<int>(fd));
}

// dup2 of a descriptor onto itself would keep its close-on-exec flag.
void PlaceAt(int from, int to) {
    if (from == to) ::fcntl(to, F_SETFD, 0);
    else ::dup2(from, to);
}

// A descriptor the child is to place at 0, 1 or 2 must not already sit there (a caller
// started with a standard descriptor closed would get it from pipe or open).
int AboveStandard(int fd) {
    if (fd < 0 || fd > 2) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

[[noreturn]] void ReportAndExit(int errorReport) {
    const int code = errno;
    [[maybe_unused]] const ssize_t written = ::write(errorReport, &code, sizeof code);
    ::_exit(127);
}

// Handlers of ours must not run in the child, which shares our memory until it execs; an
// ignored SIGPIPE is not passed on either.
void ResetSignalHandlers() {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction current {};
        if (signal == SIGKILL || signal == SIGSTOP || ::sigaction(signal, nullptr, &current) != 0) continue;
        if (current.sa_handler != SIG_DFL && (current.sa_handler != SIG_IGN || signal == SIGPIPE))
            ::sigaction(signal, &defaults, nullptr);
    }
}

[[noreturn]] void RunChild(const ChildSetup& setup) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != setup.Parent) ::_exit(127);  // the parent died before the line above
    if (setup.Input >= 0) PlaceAt(setup.Input, 0);
    PlaceAt(setup.Output, 1);
    PlaceAt(setup.Output, 2);
    unsigned next = 3;
    for (const int fd : *setup.Kept) {
        if (fd < static_cast<int>(next)) continue;
        const unsigned keep = static_cast<unsigned>(fd);
        CloseRange(next, keep - 1);
        if (fd != setup.ErrorReport) ::fcntl(fd, F_SETFD, 0);
        next = keep + 1;
    }
    CloseRange(next, ~0U);
    if (::chdir(setup.Folder) != 0) ReportAndExit(setup.ErrorReport);
    ResetSignalHandlers();
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execve(setup.Program, setup.Argv, environ);
    ReportAndExit(setup.ErrorReport);
}

// vfork: the child borrows our memory until it execs, so no page tables are copied and no page
// is copied on write; this thread waits meanwhile. Every signal stays blocked until the child
// has set its handlers back to the defaults, so no handler of ours runs in the child.
pid_t StartChild(const ChildSetup& setup) {
    sigset_t all, previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t pid = ::vfork();
    if (pid == 0) RunChild(setup);
    const int error = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return pid;
}

// Zero bytes when the exec succeeded (the descriptor closed with it), else the child's errno.
std::optional<int> ReadStartError(int fd) {
    int code = 0;
    for (;;) {
        const ssize_t n = ::read(fd, &code, sizeof code);
        if (n < 0 && errno == EINTR) continue;
        if (n == static_cast<ssize_t>(sizeof code)) return code;
        return std::nullopt;
    }
}

// While registered, a termination signal kills the child's group. A child that finds every
// slot taken is not registered: the signal leaves it to run to its end.
class RunningGroup {
public:
    explicit RunningGroup(pid_t group) {
        for (std::atomic<pid_t>& slot : runningGroups) {
            pid_t none = 0;
            if (slot.compare_exchange_strong(none, group)) {
                slot_ = &slot;
                break;
            }
        }
        // A signal that came before the registration would otherwise be missed.
        if (receivedSignal.load() != 0) ::kill(-group, SIGKILL);
    }
    ~RunningGroup() {
        if (slot_) slot_->store(0);
    }
    RunningGroup(const RunningGroup&) = delete;
    RunningGroup& operator=(const RunningGroup&) = delete;

private:
    std::atomic<pid_t>* slot_ = nullptr;
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

// Waits until the child has ended, leaving it unreaped: its process group number stays its own.
void WaitForEnd(pid_t pid) {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0) {
        if (errno != EINTR) return;
    }
}

// The child's place in a ProcessCancel while it runs.
class CancelRegistration {
public:
    CancelRegistration(ProcessCancel* cancel, pid_t group) : cancel_(cancel), group_(group) {
        if (cancel_) cancel_->Add(group_);
    }
    ~CancelRegistration() {
        if (cancel_) cancel_->Remove(group_);
    }
    CancelRegistration(const CancelRegistration&) = delete;
    CancelRegistration& operator=(const CancelRegistration&) = delete;

private:
    ProcessCancel* cancel_;
    pid_t group_;
};

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

void ProcessCancel::Add(int group) {
    const std::lock_guard lock(mutex_);
    groups_.push_back(group);
    if (cancelled_) ::kill(-group, SIGKILL);
}

void ProcessCancel::Remove(int group) {
    {
        const std::lock_guard lock(mutex_);
        groups_.erase(std::remove(groups_.begin(), groups_.end(), group), groups_.end());
    }
    ended_.notify_all();
}

void ProcessCancel::Cancel(std::chrono::milliseconds grace) {
    std::unique_lock lock(mutex_);
    cancelled_ = true;
    for (const int group : groups_) ::kill(-group, SIGTERM);
    ended_.wait_for(lock, grace, [this] { return groups_.empty(); });
    for (const int group : groups_) ::kill(-group, SIGKILL);
}

ProcessResult RunProcessCaptured(const std::vector<std::string>& arguments,
                                 const std::string& workingFolder,
                                 const std::vector<int>& keptDescriptors,
                                 ProcessCancel* cancel) {
    ProcessResult result;
    if (const int signal = receivedSignal.load(); signal != 0) {
        result.StartError = "Interrupted by signal " + std::to_string(signal);
        return result;
    }
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

    int pipeFds[2], reportFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        result.StartError = std::string("Cannot create a pipe: ") + std::strerror(errno);
        return result;
    }
    UniqueFd readEnd(AboveStandard(pipeFds[0])), writeEnd(AboveStandard(pipeFds[1]));
    if (::pipe2(reportFds, O_CLOEXEC) != 0) {
        result.StartError = std::string("Cannot create a pipe: ") + std::strerror(errno);
        return result;
    }
    UniqueFd reportRead(AboveStandard(reportFds[0])), reportWrite(AboveStandard(reportFds[1]));
    const UniqueFd devNull(AboveStandard(::open("/dev/null", O_RDONLY | O_CLOEXEC)));
    if (readEnd.get() < 0 || writeEnd.get() < 0 || reportRead.get() < 0 || reportWrite.get() < 0) {
        result.StartError = std::string("Cannot create a pipe: ") + std::strerror(errno);
        return result;
    }

    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<int> kept = keptDescriptors;
    kept.push_back(reportWrite.get());
    std::sort(kept.begin(), kept.end());
    const ChildSetup setup{program->c_str(), argv.data(), workingFolder.c_str(), ::getpid(),
                           devNull.get(), writeEnd.get(), reportWrite.get(), &kept};

    const pid_t pid = StartChild(setup);
    const int forkError = errno;
    // Our copies of the write ends must go, or reading would never see the end of the streams.
    writeEnd.reset();
    reportWrite.reset();
    if (pid < 0) {
        result.StartError = "Cannot start \"" + arguments.front() + "\": " + std::strerror(forkError);
        return result;
    }
    // The child has made its process group already: vfork returns once it has exec'ed. Both
    // registrations end once the child has, before it is reaped.
    std::optional<RunningGroup> running(std::in_place, pid);
    std::optional<CancelRegistration> registration(std::in_place, cancel, pid);
    const std::optional<int> startError = ReadStartError(reportRead.get());
    if (!startError) DrainInto(readEnd.get(), result);
    WaitForEnd(pid);
    registration.reset();
    running.reset();
    WaitForChild(pid, result);
    if (startError) {
        result = ProcessResult();
        result.StartError = "Cannot start \"" + arguments.front() + "\": " + std::strerror(*startError);
        return result;
    }
    result.Started = true;
    return result;
}

TerminationSignals::TerminationSignals() {
    receivedSignal.store(0);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    ::sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM}) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (const int signal : {SIGINT, SIGTERM}) ::sigaction(signal, &defaults, nullptr);
    receivedSignal.store(0);
}

int TerminationSignals::Received() { return receivedSignal.load(); }

}  // namespace parch
