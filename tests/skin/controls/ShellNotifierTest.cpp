#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ShellPins.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/WinApi.h"
#include "skin/controls/acShellCtrls.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

// Virtual milliseconds a wait may pump before it gives up: far beyond the quiet time, and
// never a deadline that a passing test meets exactly.
constexpr std::uint64_t kBoundMs = 60000;
// Virtual time per pumping step; each step also yields real time so the worker can run.
constexpr std::uint64_t kStepMs = 2;

class ShellNotifier : public ::testing::Test {
protected:
    void SetUp() override {
        test::PinShellEnvironment();
        display_.Clock().SetAutoAdvance(false);
        root_ = scratch_.Path() + "watched";
        fs::create_directories(root_);
    }

    void Pump() {
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    }

    // Pumps messages and moves the clock until done() holds or the bound is reached.
    bool PumpUntil(const std::function<bool()>& done, std::uint64_t boundMs = kBoundMs) {
        for (std::uint64_t waited = 0; waited < boundMs; waited += kStepMs) {
            Pump();
            if (done()) return true;
            display_.AdvanceTime(kStepMs);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        Pump();
        return done();
    }

    // Pumps for a while without expecting anything: what arrives meanwhile is counted.
    void PumpQuietly(std::uint64_t ms) {
        PumpUntil([] { return false; }, ms);
    }

    std::unique_ptr<TacShellChangeNotifier> Watching(const std::string& root, int& calls) {
        auto notifier = std::make_unique<TacShellChangeNotifier>(nullptr);
        notifier->SetRoot(root);
        notifier->SetOnChange([&calls] { ++calls; });
        return notifier;
    }

    void Touch(const std::string& path) { std::ofstream(path) << "x"; }

    HeadlessDisplay display_;
    test::ScratchDir scratch_;
    std::string root_;
};

TEST_F(ShellNotifier, DefaultsAndNoWorkerWithoutAHandler) {
    TacShellChangeNotifier notifier(nullptr);
    EXPECT_EQ(notifier.Root(), "C:\\");
    EXPECT_TRUE(notifier.WatchSubTree());
    EXPECT_EQ(notifier.NotifyFilters(),
              (TacNotifyFilters{TacNotifyFilter::nfFileNameChange, TacNotifyFilter::nfDirNameChange}));
    notifier.SetRoot(root_);
    notifier.SetWatchSubTree(false);
    notifier.SetNotifyFilters({TacNotifyFilter::nfWriteChange});
    EXPECT_FALSE(notifier.Watching());
    int calls = 0;
    notifier.SetOnChange([&calls] { ++calls; });
    EXPECT_TRUE(notifier.Watching());
    notifier.SetOnChange(nullptr);
    EXPECT_FALSE(notifier.Watching());
}

TEST_F(ShellNotifier, EachBurstOfChangesGivesOneCall) {
    int calls = 0;
    auto notifier = Watching(root_, calls);
    struct Step {
        const char* what;
        std::function<void()> run;
    } steps[] = {
        {"many files created",
         [&] {
             for (int i = 0; i < 500; ++i) Touch(root_ + "/file" + std::to_string(i) + ".pdf");
         }},
        {"a folder created", [&] { fs::create_directories(root_ + "/sub/deeper"); }},
        {"a file renamed", [&] { fs::rename(root_ + "/file0.pdf", root_ + "/renamed.pdf"); }},
        {"a file deep down", [&] { Touch(root_ + "/sub/deeper/inner.txt"); }},
        {"files removed",
         [&] {
             for (int i = 1; i < 500; ++i) fs::remove(root_ + "/file" + std::to_string(i) + ".pdf");
         }},
        {"a folder removed", [&] { fs::remove_all(root_ + "/sub"); }},
    };
    for (auto& step : steps) {
        calls = 0;
        step.run();
        EXPECT_TRUE(PumpUntil([&] { return calls > 0; })) << step.what;
        PumpQuietly(3 * TacCustomShellChangeNotifier::kQuietMs);
        EXPECT_EQ(calls, 1) << step.what;
    }
}

TEST_F(ShellNotifier, ARootInAnotherCaseChangesNothingANewRootIsWatchedAtOnce) {
    int calls = 0;
    auto notifier = Watching(root_, calls);
    std::string other = scratch_.Path() + "other";
    fs::create_directories(other);
    notifier->SetRoot(other);
    // Nothing happens in the old folder: the worker takes the new one without waiting for it.
    Touch(other + "/new.txt");
    EXPECT_TRUE(PumpUntil([&] { return calls > 0; }));

    calls = 0;
    std::string upper = other;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    notifier->SetRoot(upper);
    EXPECT_EQ(notifier->Root(), other);
    Touch(other + "/second.txt");
    EXPECT_TRUE(PumpUntil([&] { return calls > 0; }));
}

TEST_F(ShellNotifier, WithoutTheSubtreeOnlyTheFolderItselfCounts) {
    fs::create_directories(root_ + "/sub");
    int calls = 0;
    TacShellChangeNotifier notifier(nullptr);
    notifier.SetRoot(root_);
    notifier.SetWatchSubTree(false);
    notifier.SetOnChange([&calls] { ++calls; });
    Touch(root_ + "/sub/inner.txt");
    PumpQuietly(500);
    EXPECT_EQ(calls, 0);
    Touch(root_ + "/top.txt");
    EXPECT_TRUE(PumpUntil([&] { return calls > 0; }));
    // Filters: only what they name is a change.
    calls = 0;
    notifier.SetNotifyFilters({TacNotifyFilter::nfDirNameChange});
    Touch(root_ + "/another.txt");
    PumpQuietly(500);
    EXPECT_EQ(calls, 0);
    fs::create_directories(root_ + "/newdir");
    EXPECT_TRUE(PumpUntil([&] { return calls > 0; }));
}

TEST_F(ShellNotifier, MissingOrRemovedRootsEndQuietly) {
    int calls = 0;
    auto missing = Watching(scratch_.Path() + "no-such-folder", calls);
    PumpQuietly(500);
    EXPECT_EQ(calls, 0);
    missing.reset();

    auto notifier = Watching(root_, calls);
    fs::remove_all(root_);
    EXPECT_TRUE(PumpUntil([&] { return calls > 0; }));
    fs::create_directories(root_);
    Touch(root_ + "/after.txt");  // a new folder of the same name is not the one watched
    PumpQuietly(500);
    notifier.reset();
}

TEST_F(ShellNotifier, FreedWhileTheWorkerStartsWaitsOrCallsBack) {
    // Freed at once after the worker was started, many times: the worker is always joined.
    for (int i = 0; i < 20; ++i) {
        int calls = 0;
        auto notifier = Watching(root_, calls);
        notifier.reset();
        EXPECT_EQ(calls, 0);
    }
    // Freed while a change waits for the GUI thread, or while its quiet time runs: the
    // handler is never called on a notifier being freed.
    for (bool quietTimeStarted : {false, true}) {
        int calls = 0;
        auto notifier = Watching(root_, calls);
        Touch(root_ + "/pending" + std::to_string(quietTimeStarted) + ".txt");
        if (quietTimeStarted) {
            // Serves the worker's call without letting the quiet time end.
            for (int i = 0; i < 200; ++i) {
                Pump();
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            }
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        notifier.reset();
        PumpQuietly(500);
        EXPECT_EQ(calls, 0) << quietTimeStarted;
    }
}

}  // namespace
}  // namespace parch
