#include "platform/os/Process.h"

#include "platform/os/Files.h"

#include "tests/platform/os/ScratchDir.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <thread>

namespace parch {
namespace {

ProcessResult RunShell(const std::string& script, const std::string& folder = "/tmp") {
    return RunProcessCaptured({"sh", "-c", script}, folder);
}

TEST(SplitCommandWordsTest, QuotesGroupWordsAndAreRemoved) {
    using Words = std::vector<std::string>;
    EXPECT_EQ(SplitCommandWords(""), Words{});
    EXPECT_EQ(SplitCommandWords("  a  b\tc "), (Words{"a", "b", "c"}));
    EXPECT_EQ(SplitCommandWords("pdfi.bin -upw x \"/in/my doc.pdf\""),
              (Words{"pdfi.bin", "-upw", "x", "/in/my doc.pdf"}));
    EXPECT_EQ(SplitCommandWords("a \"\" b"), (Words{"a", "", "b"}));
    EXPECT_EQ(SplitCommandWords("pre\"fix suf\"fix"), (Words{"prefix suffix"}));
}

TEST(RunProcessCapturedTest, CapturesBothStreamsInOrderAndExitCode) {
    const ProcessResult silent = RunShell("exit 0");
    EXPECT_TRUE(silent.Started);
    EXPECT_EQ(silent.Output, "");
    EXPECT_EQ(silent.ExitCode, 0);

    const ProcessResult mixed = RunShell("echo one; echo two >&2; echo three; exit 3");
    EXPECT_EQ(mixed.Output, "one\ntwo\nthree\n");
    EXPECT_EQ(mixed.ExitCode, 3);

    const ProcessResult killed = RunShell("kill -9 $$");
    EXPECT_EQ(killed.Signal, 9);
}

TEST(RunProcessCapturedTest, OutputBeyondThePipeBufferArrivesWhole) {
    const ProcessResult result = RunShell("head -c 1000000 /dev/zero | tr '\\0' x");
    ASSERT_TRUE(result.Started);
    EXPECT_EQ(result.Output, std::string(1000000, 'x'));
}

TEST(RunProcessCapturedTest, WaitsForTheChildToEnd) {
    const test::ScratchDir dir;
    RunShell("sleep 0.3; touch done", dir.Path());
    EXPECT_TRUE(std::filesystem::exists(dir.Path() + "done"));
}

TEST(RunProcessCapturedTest, ArgumentsReachTheProgramUntouchedByAnyShell) {
    const std::string nasty = "pa ss\"$(touch pwned);|&`x`'";
    const test::ScratchDir dir;
    const ProcessResult result =
        RunProcessCaptured({"printf", "%s|", nasty, "two words"}, dir.Path());
    EXPECT_EQ(result.Output, nasty + "|two words|");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "pwned"));
}

TEST(RunProcessCapturedTest, RunsInTheWorkingFolderAndFindsProgramsThereFirst) {
    const test::ScratchDir dir;
    const std::string script = dir.Write("ls", "#!/bin/sh\necho local \"$PWD\"\n");
    ::chmod(script.c_str(), 0755);
    const ProcessResult result = RunProcessCaptured(SplitCommandWords("ls"), dir.Path());
    EXPECT_EQ(result.Output, "local " + dir.Path().substr(0, dir.Path().size() - 1) + "\n");
    const std::string sh = FindProgram("sh", dir.Path()).value_or("");
    EXPECT_TRUE(sh.front() == '/' && sh.ends_with("/sh")) << sh;
}

TEST(RunProcessCapturedTest, AFailedStartSaysWhy) {
    const test::ScratchDir dir;
    dir.Write("notexec", "data");
    struct Case { std::vector<std::string> arguments; std::string folder; };
    const Case cases[] = {
        {{"no-such-program-parch"}, dir.Path()},
        {{"./notexec"}, dir.Path()},
        {{"sh", "-c", "true"}, dir.Path() + "missing/"},
        {{"sh", "-c", "true"}, ""},
        {{}, dir.Path()},
    };
    for (const Case& c : cases) {
        const ProcessResult result = RunProcessCaptured(c.arguments, c.folder);
        EXPECT_FALSE(result.Started);
        EXPECT_FALSE(result.StartError.empty());
    }
}

TEST(RunProcessCapturedTest, OnlyTheThreeStandardDescriptorsReachTheChild) {
    const int inheritable = ::open("/dev/null", O_RDONLY);  // no close-on-exec on purpose
    const ProcessResult result = RunShell("ls /proc/self/fd | sort -n | tr '\\n' ' '");
    // The listing itself opens one descriptor of its own (the fourth entry).
    EXPECT_EQ(result.Output.substr(0, 6), "0 1 2 ");
    EXPECT_LE(result.Output.size(), 8u) << result.Output;
    ::close(inheritable);
    EXPECT_EQ(RunShell("cat").Output, "");  // standard input is empty, not the test's
}

TEST(RunProcessCapturedTest, TheChildLeadsAGroupOfItsOwnAndKeepsOnlyTheGivenDescriptors) {
    const ProcessResult group = RunShell("read -r pid comm state ppid pgrp rest < /proc/$$/stat; echo $pid $pgrp");
    const std::vector<std::string> ids = SplitCommandWords(group.Output);
    ASSERT_EQ(ids.size(), 2u) << group.Output;
    EXPECT_EQ(ids[0], ids[1]);

    const test::ScratchDir dir;
    const int lockFile = ::open((dir.Path() + "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lockFile, 3);
    const std::string fd = std::to_string(lockFile);
    const ProcessResult kept = RunProcessCaptured({"sh", "-c", "[ -e /proc/self/fd/" + fd + " ] && echo kept"}, "/", {lockFile});
    EXPECT_EQ(kept.Output, "kept\n");
    const ProcessResult dropped = RunProcessCaptured({"sh", "-c", "[ -e /proc/self/fd/" + fd + " ] || echo dropped"}, "/");
    EXPECT_EQ(dropped.Output, "dropped\n");
    ::close(lockFile);
}

TEST(RunProcessCapturedTest, ACallerWithoutStandardDescriptorsStillCapturesTheOutput) {
    const test::ScratchDir dir;
    const pid_t caller = ::fork();
    if (caller == 0) {
        // The pipes now get the lowest numbers, which the child's 0, 1 and 2 must not clobber.
        ::close(0);
        ::close(1);
        ::close(2);
        const ProcessResult result = RunProcessCaptured({"sh", "-c", "echo out; echo err >&2"}, "/");
        const int fd = ::open((dir.Path() + "captured").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        [[maybe_unused]] const ssize_t written = ::write(fd, result.Output.data(), result.Output.size());
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(caller, &status, 0), caller);
    EXPECT_EQ(ReadFileBytes(dir.Path() + "captured", 100).value_or("<none>"), "out\nerr\n");
}

TEST(RunProcessCapturedTest, TheChildStartsWithDefaultSignalsAndNoneBlocked) {
    // The caller's ignored SIGPIPE and blocked signals must not reach the child; another ignored
    // signal stays ignored, as across any exec.
    struct sigaction ignored {}, oldUsr2 {}, oldPipe {};
    ignored.sa_handler = SIG_IGN;
    ::sigaction(SIGUSR2, &ignored, &oldUsr2);
    ::sigaction(SIGPIPE, &ignored, &oldPipe);
    sigset_t blocked, oldMask;
    ::sigemptyset(&blocked);
    ::sigaddset(&blocked, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &oldMask);
    const ProcessResult status = RunProcessCaptured({"grep", "-E", "^Sig(Blk|Ign)", "/proc/self/status"}, "/");
    ::pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    ::sigaction(SIGUSR2, &oldUsr2, nullptr);
    ::sigaction(SIGPIPE, &oldPipe, nullptr);

    auto mask = [&](const std::string& field) {
        const std::size_t at = status.Output.find(field + ":");
        return at == std::string::npos ? ~0ULL : std::stoull(status.Output.substr(at + field.size() + 1), nullptr, 16);
    };
    const auto bit = [](int signal) { return 1ULL << (signal - 1); };
    EXPECT_EQ(mask("SigBlk"), 0u) << status.Output;
    EXPECT_EQ(mask("SigIgn"), bit(SIGUSR2)) << status.Output;
    sigset_t now;
    ::pthread_sigmask(SIG_SETMASK, nullptr, &now);
    EXPECT_FALSE(::sigismember(&now, SIGHUP));  // the caller's own mask is back
}

TEST(TerminationSignalsTest, ASignalEndsEveryRunningChildAndNoOtherStarts) {
    const test::ScratchDir dir;
    // Children started side by side from two threads all go.
    std::optional<ProcessResult> results[2];
    {
        const TerminationSignals signals;
        std::thread runners[2];
        for (int i = 0; i < 2; ++i) {
            const std::string marker = "started" + std::to_string(i);
            runners[i] = std::thread([&, i, marker] { results[i] = RunShell("touch " + marker + "; exec sleep 60", dir.Path()); });
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        auto bothStarted = [&] {
            return std::filesystem::exists(dir.Path() + "started0") && std::filesystem::exists(dir.Path() + "started1");
        };
        while (!bothStarted() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(bothStarted());
        ::kill(::getpid(), SIGTERM);  // this process survives it
        for (std::thread& runner : runners) runner.join();
        EXPECT_EQ(TerminationSignals::Received(), SIGTERM);
        const ProcessResult refused = RunShell("touch late", dir.Path());
        EXPECT_FALSE(refused.Started);
        EXPECT_NE(refused.StartError.find("signal"), std::string::npos) << refused.StartError;
    }
    for (const std::optional<ProcessResult>& result : results) {
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->Signal, SIGKILL);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "late"));
    EXPECT_TRUE(RunShell("true").Started);  // the signal belonged to the run that ended
}

// Waits with a generous bound for a file the child makes once it runs.
bool CancelTestFileAppears(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(path) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return std::filesystem::exists(path);
}

TEST(ProcessCancelTest, EndsTheWholeGroupPolitelyThenByForce) {
    const test::ScratchDir dir;
    struct Case {
        const char* Script;  // makes "started" once it runs
        std::chrono::milliseconds Grace;
        int Signal;
    };
    const Case cases[] = {
        // A program that ends on SIGTERM, with a child of its own that goes with the group.
        {"sleep 60 & touch started; wait", std::chrono::milliseconds(30000), SIGTERM},
        // One that ignores SIGTERM is killed once the grace period is over.
        {"trap '' TERM; touch started; while :; do sleep 1; done", std::chrono::milliseconds(200), SIGKILL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Script);
        std::filesystem::remove(dir.Path() + "started");
        ProcessCancel cancel;
        std::optional<ProcessResult> result;
        std::thread runner([&] { result = RunProcessCaptured({"sh", "-c", c.Script}, dir.Path(), {}, &cancel); });
        ASSERT_TRUE(CancelTestFileAppears(dir.Path() + "started"));
        cancel.Cancel(c.Grace);
        runner.join();
        ASSERT_TRUE(result.has_value());
        EXPECT_TRUE(result->Started);
        EXPECT_EQ(result->Signal, c.Signal);
        EXPECT_TRUE(cancel.Cancelled());
    }
}

TEST(ProcessCancelTest, AProgramStartedAfterCancelIsKilledAtOnce) {
    const test::ScratchDir dir;
    ProcessCancel cancel;
    cancel.Cancel();
    const ProcessResult late = RunProcessCaptured({"sh", "-c", "sleep 60; touch ran"}, dir.Path(), {}, &cancel);
    EXPECT_EQ(late.Signal, SIGKILL);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "ran"));
    // Another cancel leaves other runs alone.
    EXPECT_EQ(RunShell("exit 3").ExitCode, 3);
}

}  // namespace
}  // namespace parch
