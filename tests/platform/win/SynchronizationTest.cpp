#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Clock.h"
#include "platform/win/Synchronization.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

// Real-time bound for changes that the kernel reports: generous, never a deadline a test
// expects to meet exactly.
constexpr DWORD kGenerousMs = 30000;

class VirtualTime : public ::testing::Test {
protected:
    HeadlessDisplay display;
};

TEST_F(VirtualTime, TimeOutsRunOnTheWindowSystemsClock) {
    HANDLE event = CreateEvent(true, false);
    std::uint64_t start = GetTickCount64();
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount64() - start, 5000u);  // virtual time moved; no real wait

    // With time held, a waiter stays until the clock is moved past its time-out.
    display.Clock().SetAutoAdvance(false);
    std::atomic<bool> done{false};
    DWORD result = 0;
    std::uint64_t waited = 0;
    std::thread waiter([&] {
        std::uint64_t begin = GetTickCount64();
        result = WaitForSingleObject(event, 1000);
        waited = GetTickCount64() - begin;
        done = true;
    });
    for (int step = 0; !done && step < 100000; ++step) {
        display.AdvanceTime(10);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
    // Never before its time-out; how far the clock ran on before the waiter was seen again
    // depends on scheduling, so it is not bounded here.
    EXPECT_GE(waited, 1000u);
    CloseHandle(event);
}

TEST_F(VirtualTime, EventsAndMutexes) {
    HANDLE manual = CreateEvent(true, false);
    HANDLE automatic = CreateEvent(false, true);
    HANDLE handles[2] = {manual, automatic};
    EXPECT_EQ(WaitForMultipleObjects(2, handles, false, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);  // an auto-reset event resets
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);  // a manual one stays set
    EXPECT_EQ(WaitForMultipleObjects(2, handles, true, 0), WAIT_TIMEOUT);
    SetEvent(automatic);
    EXPECT_EQ(WaitForMultipleObjects(2, handles, true, 0), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);

    HANDLE mutex = CreateMutex(true);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // the owner takes it again
    std::atomic<DWORD> other{0};
    std::thread([&] { other = WaitForSingleObject(mutex, 0); }).join();
    EXPECT_EQ(other.load(), WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    std::thread([&] {
        other = WaitForSingleObject(mutex, 0);
        ReleaseMutex(mutex);
    }).join();
    EXPECT_EQ(other.load(), WAIT_OBJECT_0);

    // A closed handle ends the wait as a failure, not a hang.
    CloseHandle(manual);
    EXPECT_EQ(WaitForSingleObject(manual, INFINITE), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(manual));
    CloseHandle(automatic);
    CloseHandle(mutex);
}

class ChangeNotification : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/parch-watch-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    // Waits for a change and re-arms the handle.
    bool Changed(HANDLE handle, DWORD timeout = kGenerousMs) {
        if (WaitForSingleObject(handle, timeout) != WAIT_OBJECT_0) return false;
        return FindNextChangeNotification(handle);
    }
    void Touch(const std::string& path) { std::ofstream(path) << "x"; }

    std::string root_;
};

TEST_F(ChangeNotification, ScriptedOperationsInASubtree) {
    HANDLE handle =
        FindFirstChangeNotification(root_, true, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_TIMEOUT);
    struct Step {
        const char* what;
        std::function<void()> run;
    } steps[] = {
        {"create", [&] { Touch(root_ + "/a.pdf"); }},
        {"rename", [&] { fs::rename(root_ + "/a.pdf", root_ + "/b.pdf"); }},
        {"delete", [&] { fs::remove(root_ + "/b.pdf"); }},
        {"new folder", [&] { fs::create_directory(root_ + "/sub"); }},
        {"file in the new folder", [&] { Touch(root_ + "/sub/inner.txt"); }},
        {"deeper folder", [&] { fs::create_directories(root_ + "/sub/x/y"); }},
        {"file deep down", [&] { Touch(root_ + "/sub/x/y/deep.txt"); }},
    };
    for (auto& step : steps) {
        step.run();
        EXPECT_TRUE(Changed(handle)) << step.what;
    }
    FindCloseChangeNotification(handle);
}

TEST_F(ChangeNotification, FilterAndNoSubtree) {
    fs::create_directory(root_ + "/sub");
    HANDLE handle = FindFirstChangeNotification(root_, false, FILE_NOTIFY_CHANGE_DIR_NAME);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    Touch(root_ + "/file.txt");           // a file name: not in the filter
    Touch(root_ + "/sub/below.txt");      // below the root: not watched
    fs::create_directory(root_ + "/dir");  // reported, and proves the two above came first
    ASSERT_TRUE(Changed(handle));
    // Nothing else was pending: the file events were not counted as changes.
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_TIMEOUT);
    FindCloseChangeNotification(handle);
    EXPECT_EQ(FindFirstChangeNotification(root_ + "/missing", true, FILE_NOTIFY_CHANGE_FILE_NAME),
              INVALID_HANDLE_VALUE);
}

TEST_F(ChangeNotification, AFolderMovedInWithFilesIsAChangeForFileNames) {
    fs::create_directories(root_ + "/outside/made-before");
    Touch(root_ + "/outside/made-before/file.txt");
    fs::create_directory(root_ + "/watched");
    HANDLE handle = FindFirstChangeNotification(root_ + "/watched", true, FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    // Only a folder name changes here; the files it brings are new to the watched tree.
    fs::rename(root_ + "/outside/made-before", root_ + "/watched/arrived");
    EXPECT_TRUE(Changed(handle));
    Touch(root_ + "/watched/arrived/later.txt");  // and the folder is watched from now on
    EXPECT_TRUE(Changed(handle));
    FindCloseChangeNotification(handle);
}

TEST_F(ChangeNotification, RemovingTheRootIsAChange) {
    fs::create_directory(root_ + "/watched");
    // Only file names are asked for, and no file changes: the root's removal alone is seen.
    HANDLE handle = FindFirstChangeNotification(root_ + "/watched", true, FILE_NOTIFY_CHANGE_FILE_NAME);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    fs::remove(root_ + "/watched");
    EXPECT_TRUE(Changed(handle));
    FindCloseChangeNotification(handle);
}

TEST_F(ChangeNotification, AnOverflowingQueueIsAChange) {
    std::string limit = "16384";
    if (FILE* f = fopen("/proc/sys/fs/inotify/max_queued_events", "r")) {
        char text[32] = {};
        if (fgets(text, sizeof text, f)) limit = text;
        fclose(f);
    }
    int events = std::stoi(limit) + 1000;
    if (events > 200000) GTEST_SKIP() << "the kernel's queue holds " << limit << " events";
    // Folder names only: the file creations below are no change, unless the queue overflows.
    auto watch = FolderWatch::Start(root_, false, FILE_NOTIFY_CHANGE_DIR_NAME);
    ASSERT_TRUE(watch);
    for (int i = 0; i < events; ++i) Touch(root_ + "/f" + std::to_string(i));
    EXPECT_TRUE(watch->ReadEvents());
    EXPECT_FALSE(watch->ReadEvents());
}

TEST(FolderWatchCap, ALargeTreeStopsAtTheCapAndReportsAChange) {
    char pattern[] = "/tmp/parch-cap-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    std::string root = pattern;
    for (int i = 0; i < 40; ++i) fs::create_directories(root + "/d" + std::to_string(i) + "/e");
    auto watch = FolderWatch::Start(root, true, FILE_NOTIFY_CHANGE_FILE_NAME, 10);
    ASSERT_TRUE(watch);
    EXPECT_EQ(watch->WatchCount(), 10u);
    EXPECT_TRUE(watch->ReadEvents());   // the cut-short tree counts as a change, once
    EXPECT_FALSE(watch->ReadEvents());
    // "/" as a root stays within the cap as well.
    auto everything = FolderWatch::Start("/", true, FILE_NOTIFY_CHANGE_FILE_NAME, 64);
    ASSERT_TRUE(everything);
    EXPECT_LE(everything->WatchCount(), 64u);
    fs::remove_all(root);
}

}  // namespace
}  // namespace parch
