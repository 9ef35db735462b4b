#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

class Messages : public test::RecorderTest {};

TEST_F(Messages, PostedMessagesComeInOrderThroughFilters) {
    HWND a = rec.Create("a", WS_POPUP);
    HWND child = rec.Create("child", WS_CHILD, a, {0, 0, 5, 5});
    HWND b = rec.Create("b", WS_POPUP);
    PostMessage(b, WM_USER + 1, 0, 0);
    PostMessage(child, WM_USER + 2, 0, 0);
    PostMessage(nullptr, WM_USER + 3, 0, 0);  // a thread message
    PostMessage(a, WM_APP, 0, 0);
    MSG msg;
    // A window filter takes the window's children along.
    ASSERT_TRUE(PeekMessage(&msg, a, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2u);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, a);
    ASSERT_TRUE(PeekMessage(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 3u);
    EXPECT_EQ(msg.hwnd, nullptr);
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_USER + 1u);
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_USER + 2u);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessage(&msg, reinterpret_cast<HWND>(0x7FFFFFF0), 0, 0), -1);
}

TEST_F(Messages, QuitComesAfterPostedMessages) {
    PostQuitMessage(7);
    PostMessage(nullptr, WM_USER, 0, 0);
    MSG msg;
    EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_USER);
    EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Messages, MessageTimeAndPosition) {
    HWND a = rec.Create("a", WS_POPUP);
    display.MoveMouse(300, 200);
    display.AdvanceTime(25);
    PostMessage(a, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, WM_USER, WM_USER));
    EXPECT_EQ(msg.time, GetTickCount());
    EXPECT_EQ(GetMessageTime(), static_cast<LONG>(msg.time));
    EXPECT_EQ(GetMessagePos(), MAKELONG(300, 200));
}

TEST_F(Messages, DispatchGoesOnlyToLiveWindowsOfTheThread) {
    HWND a = rec.Create("a", WS_POPUP);
    PostMessage(a, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    DestroyWindow(a);
    rec.Clear();
    EXPECT_EQ(DispatchMessage(&msg), 0);
    EXPECT_TRUE(rec.Take().empty());
    EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

// A thread with a window of its own and a message loop, ended by WM_QUIT.
class WorkerWithWindow {
public:
    explicit WorkerWithWindow(std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> proc) : proc_(std::move(proc)) {
        thread_ = std::thread([this] {
            WNDPROC instance = MakeWindowProcInstance(proc_);
            WNDCLASSEX wc;
            wc.lpfnWndProc = &DefWindowProc;
            wc.lpszClassName = "WorkerWindow";
            RegisterClassEx(&wc);
            HWND h = CreateWindowEx(0, "WorkerWindow", "", WS_POPUP, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
            SetWindowLongPtr(h, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(instance));
            threadId_ = GetCurrentThreadId();
            hwnd_ = h;
            MSG msg;
            while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
            DestroyWindow(h);
            FreeWindowProcInstance(instance);
        });
        while (!hwnd_) std::this_thread::yield();
    }
    ~WorkerWithWindow() {
        PostThreadMessage(threadId_, WM_QUIT, 0, 0);
        PostMessage(hwnd_, WM_NULL, 0, 0);
        thread_.join();
    }
    HWND Window() const { return hwnd_; }

private:
    std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> proc_;
    std::thread thread_;
    std::atomic<HWND> hwnd_{nullptr};
    std::atomic<DWORD> threadId_{0};
};

TEST_F(Messages, SendingAcrossThreadsAndBackDoesNotDeadlock) {
    HWND gui = rec.Create("gui", WS_POPUP);
    DWORD guiThread = GetCurrentThreadId();
    std::atomic<bool> servedWhileWaiting{false};
    rec.SetHandler([&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_USER + 5) {
            servedWhileWaiting = InSendMessage() != 0;
            return 55;
        }
        return std::nullopt;
    });
    // The worker, serving a message from the GUI thread, sends one back to the GUI thread,
    // which is waiting in its own SendMessage meanwhile.
    WorkerWithWindow worker([&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER) {
            EXPECT_TRUE(InSendMessage());
            EXPECT_NE(GetCurrentThreadId(), guiThread);
            return SendMessage(gui, WM_USER + 5, 0, 0) + 1;
        }
        return 0;
    });
    EXPECT_EQ(SendMessage(worker.Window(), WM_USER, 0, 0), 56);
    EXPECT_TRUE(servedWhileWaiting);
    EXPECT_FALSE(InSendMessage());
}

TEST_F(Messages, WorkerSendIsServedInsideAModalLoop) {
    HWND gui = rec.Create("gui", WS_POPUP);
    std::atomic<int> answers{0};
    rec.SetHandler([&](HWND h, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_USER + 1) {
            // A modal loop inside a window procedure: it runs until its end is posted.
            MSG msg;
            while (GetMessage(&msg, nullptr, 0, 0) > 0) {
                if (msg.message == WM_USER + 2) break;
                DispatchMessage(&msg);
            }
            return 0;
        }
        if (m == WM_USER + 3) {
            EXPECT_TRUE(InSendMessage());
            if (++answers == 3) PostMessage(h, WM_USER + 2, 0, 0);
            return static_cast<LRESULT>(wp * 2);
        }
        return std::nullopt;
    });
    std::vector<LRESULT> results;
    std::thread worker([&] {
        for (WPARAM i = 1; i <= 3; ++i) results.push_back(SendMessage(gui, WM_USER + 3, i, 0));
    });
    SendMessage(gui, WM_USER + 1, 0, 0);  // the modal loop
    worker.join();
    EXPECT_EQ(results, (std::vector<LRESULT>{2, 4, 6}));
}

// An on-screen display brings its input in whenever the GUI thread waits, so a message loop
// of any depth (here a modal one inside a window procedure) sees the user's input; the pump
// runs in intervals on the clock, never inside itself, and only for its own thread.
TEST_F(Messages, WaitingThreadPumpsItsDisplayInEveryMessageLoop) {
    HWND gui = rec.Create("gui", WS_POPUP);
    int pumps = 0;
    int nestedPumps = 0;
    bool inPump = false;
    win::SetDisplayPump(GetCurrentThreadId(), [&] {
        if (inPump) ++nestedPumps;
        inPump = true;
        MSG peeked;
        PeekMessage(&peeked, nullptr, WM_USER + 50, WM_USER + 50, PM_NOREMOVE);
        if (++pumps == 3) PostMessage(gui, WM_USER + 2, 0, 0);  // the "user" ends the modal loop
        inPump = false;
    });
    bool modalEnded = false;
    rec.SetHandler([&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_USER + 1) return std::nullopt;
        MSG msg;
        while (GetMessage(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_USER + 2) break;
            DispatchMessage(&msg);
        }
        modalEnded = true;
        return 0;
    });
    const DWORD before = GetTickCount();
    SendMessage(gui, WM_USER + 1, 0, 0);
    EXPECT_TRUE(modalEnded);
    EXPECT_EQ(pumps, 3);
    EXPECT_EQ(nestedPumps, 0);
    EXPECT_GE(GetTickCount() - before, 2 * win::kDisplayPumpIntervalMs);

    // A pump of another thread is not this thread's business; an empty one is gone.
    win::SetDisplayPump(GetCurrentThreadId() + 1, [&] { ++pumps; });
    PostMessage(gui, WM_USER + 3, 0, 0);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    win::SetDisplayPump(0, {});
    EXPECT_EQ(pumps, 3);
}

TEST_F(Messages, WaitingForAWorkerServesItsSends) {
    HWND gui = rec.Create("gui", WS_POPUP);
    DWORD guiThread = GetCurrentThreadId();
    PostMessage(gui, WM_USER + 9, 0, 0);  // stays queued through the wait
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        // The worker needs the GUI thread twice before it can finish.
        SendMessage(gui, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("step 1"));
        SendMessage(gui, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("step 2"));
        finished = true;
        WakeThread(guiThread);
    });
    EXPECT_TRUE(WaitServingSentMessages([&] { return finished.load(); }, INFINITE));
    worker.join();
    char text[16];
    GetWindowText(gui, text, sizeof text);
    EXPECT_STREQ(text, "step 2");
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 9u);
    // With a time limit on the virtual clock, an unfinished wait gives up when time runs out.
    std::uint64_t before = GetTickCount64();
    EXPECT_FALSE(WaitServingSentMessages([] { return false; }, 250));
    EXPECT_EQ(GetTickCount64() - before, 250u);
}

TEST_F(Messages, AWakeBetweenTheCheckAndTheWaitIsNotLost) {
    DWORD guiThread = GetCurrentThreadId();
    int checks = 0;
    bool finished = false;
    // The first check sees "not yet"; the work finishes and wakes the waiter before it sleeps.
    auto done = [&] {
        if (++checks == 1) {
            std::thread([&] {
                finished = true;
                WakeThread(guiThread);
            }).join();
            return false;
        }
        return finished;
    };
    std::uint64_t before = GetTickCount64();
    EXPECT_TRUE(WaitServingSentMessages(done, 1000));
    EXPECT_EQ(GetTickCount64(), before);
}

TEST_F(Messages, CrossThreadCallsRunOnTheWindowsThread) {
    HWND gui = rec.Create("gui", WS_POPUP);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        SetWindowPos(gui, nullptr, 5, 6, 70, 80, SWP_NOZORDER | SWP_NOACTIVATE);
        PostMessage(gui, WM_USER, 0, 0);
        done = true;
    });
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        DispatchMessage(&msg);
        if (msg.message == WM_USER) break;
    }
    worker.join();
    EXPECT_TRUE(done);
    RECT r;
    GetWindowRect(gui, &r);
    EXPECT_EQ(r, (RECT{5, 6, 75, 86}));
}

TEST_F(Messages, SenderIsReleasedWhenTheTargetThreadEnds) {
    std::atomic<HWND> target{nullptr};
    std::atomic<bool> stop{false};
    std::thread owner([&] {
        WNDCLASSEX wc;
        wc.lpfnWndProc = &DefWindowProc;
        wc.lpszClassName = "Abandoned";
        RegisterClassEx(&wc);
        target = CreateWindowEx(0, "Abandoned", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        while (!stop) std::this_thread::yield();  // never reads its queue
    });
    while (!target) std::this_thread::yield();
    std::thread sender([&] { EXPECT_EQ(SendMessage(target, WM_USER, 0, 0), 0); });
    stop = true;
    owner.join();
    sender.join();
    EXPECT_FALSE(IsWindow(target));
}

}  // namespace
}  // namespace parch
