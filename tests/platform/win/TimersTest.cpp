#include <gtest/gtest.h>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

class Timers : public test::RecorderTest {};

TEST_F(Timers, FireOnVirtualTimeWithTheirPeriods) {
    HWND top = rec.Create("top", WS_POPUP);
    std::uint64_t start = GetTickCount64();
    std::vector<std::pair<UINT_PTR, std::uint64_t>> fired;
    rec.SetHandler([&](HWND h, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_TIMER) {
            fired.emplace_back(wp, GetTickCount64() - start);
            if (fired.size() == 5) PostQuitMessage(0);
        }
        return std::nullopt;
    });
    EXPECT_EQ(SetTimer(top, 1, 100, nullptr), 1u);
    EXPECT_EQ(SetTimer(top, 2, 250, nullptr), 2u);
    // A message loop that waits for its timers: time moves on to each one in turn.
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
    using Fire = std::pair<UINT_PTR, std::uint64_t>;
    EXPECT_EQ(fired, (std::vector<Fire>{{1, 100}, {1, 200}, {2, 250}, {1, 300}, {1, 400}}));
}

TEST_F(Timers, ALateTimerFiresOnceAndKeepsItsRhythm) {
    HWND top = rec.Create("top", WS_POPUP);
    SetTimer(top, 7, 100, nullptr);
    display.Clock().SetAutoAdvance(false);
    display.AdvanceTime(450);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    display.AdvanceTime(49);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    display.AdvanceTime(1);  // 500: the fifth period
    EXPECT_TRUE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(Timers, ReplacingKillingAndDestroyingStopThem) {
    HWND top = rec.Create("top", WS_POPUP);
    display.Clock().SetAutoAdvance(false);
    SetTimer(top, 1, 100, nullptr);
    SetTimer(top, 1, 300, nullptr);  // same id: replaced
    display.AdvanceTime(150);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    display.AdvanceTime(150);
    EXPECT_TRUE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_TRUE(KillTimer(top, 1));
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));  // its due message went with it
    EXPECT_FALSE(KillTimer(top, 1));
    SetTimer(top, 2, 10, nullptr);
    DestroyWindow(top);
    display.AdvanceTime(100);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

std::vector<UINT_PTR> gProcFired;
void CALLBACK_TimerProc(HWND, UINT message, UINT_PTR id, DWORD) {
    if (message == WM_TIMER) gProcFired.push_back(id);
}

TEST_F(Timers, TimerProceduresAndThreadTimers) {
    gProcFired.clear();
    HWND top = rec.Create("top", WS_POPUP);
    display.Clock().SetAutoAdvance(false);
    SetTimer(top, 3, 50, &CALLBACK_TimerProc);
    UINT_PTR threadTimer = SetTimer(nullptr, 0, 80, &CALLBACK_TimerProc);
    UINT_PTR secondTimer = SetTimer(nullptr, 0, 80, &CALLBACK_TimerProc);
    EXPECT_NE(threadTimer, 0u);
    EXPECT_NE(secondTimer, threadTimer);
    display.AdvanceTime(80);
    rec.Clear();
    display.PumpMessages();
    EXPECT_EQ(gProcFired.size(), 3u);  // the window timer and both thread timers
    EXPECT_TRUE(rec.Take().empty());   // procedures, not the window, got them
    // A stale WM_TIMER naming a procedure that no longer belongs to a timer calls nothing.
    KillTimer(top, 3);
    MSG forged{top, WM_TIMER, 3, reinterpret_cast<LPARAM>(&CALLBACK_TimerProc), 0, {}};
    gProcFired.clear();
    DispatchMessage(&forged);
    EXPECT_TRUE(gProcFired.empty());
    EXPECT_TRUE(KillTimer(nullptr, threadTimer));
    EXPECT_TRUE(KillTimer(nullptr, secondTimer));
}

TEST_F(Timers, SleepAndTickCountRunOnTheClock) {
    DWORD before = GetTickCount();
    Sleep(1234);
    EXPECT_EQ(GetTickCount() - before, 1234u);
}

}  // namespace
}  // namespace parch
