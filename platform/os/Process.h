#pragma once
// Starting outside programs directly (no shell) with their output captured.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

struct ProcessResult {
    bool Started = false;
    std::string Output;      // standard output and standard error, in the order written
    std::string StartError;  // why the program could not be started
    int ExitCode = -1;       // when it ended normally
    int Signal = 0;          // when a signal ended it
    bool Truncated = false;  // output beyond the capture limit was drained and dropped
};

// Splits a command line into words at blanks; double quotes group words and are removed.
std::vector<std::string> SplitCommandWords(std::string_view commandLine);

// The path of an executable: a name with "/" is taken relative to the working folder; a bare
// name is looked for in the working folder first, then along PATH.
std::optional<std::string> FindProgram(std::string_view name, std::string_view workingFolder);

// Lets another thread end the programs that RunProcessCaptured runs on its behalf. Cancel()
// sends SIGTERM to the process group of each one, waits up to the grace period for them to end,
// then sends SIGKILL to those still running; a program started after Cancel() is killed at once.
class ProcessCancel {
public:
    ProcessCancel() = default;
    ProcessCancel(const ProcessCancel&) = delete;
    ProcessCancel& operator=(const ProcessCancel&) = delete;

    // Safe from any thread; returns once the programs ended or were sent SIGKILL.
    void Cancel(std::chrono::milliseconds grace = std::chrono::milliseconds(1000));
    bool Cancelled() const { return cancelled_; }

    // Kept by RunProcessCaptured from the start of a child until its end, before it is reaped
    // (so a process group number is never signalled after it could name another group).
    void Add(int group);
    void Remove(int group);

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    std::vector<int> groups_;
    std::atomic<bool> cancelled_{false};
};

// Runs arguments[0] with the given arguments in the working folder and waits for its end.
// Standard input is /dev/null; standard output and standard error share one pipe that is
// drained while the child runs. The child gets a process group of its own and is killed when
// the thread that started it ends, so it never outlives its caller. Of the other descriptors
// only those in keptDescriptors reach it (under their own numbers): a lock held through one
// of them then lasts as long as the child. Nothing is started while a TerminationSignals
// object holds a received signal; a given ProcessCancel can end the child from another thread.
ProcessResult RunProcessCaptured(const std::vector<std::string>& arguments,
                                 const std::string& workingFolder,
                                 const std::vector<int>& keptDescriptors = {},
                                 ProcessCancel* cancel = nullptr);

// While an object lives, SIGINT and SIGTERM do not end the process: they kill the process
// groups of the children that RunProcessCaptured is running (up to eight at once, from as many
// threads), and Received() reports the signal so the caller can clean up and end. One object
// at a time; the handlers are the process's own.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    static int Received();  // the first signal received, 0 for none
};

}  // namespace parch
