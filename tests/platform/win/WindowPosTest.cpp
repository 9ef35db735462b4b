#include <gtest/gtest.h>

#include <thread>

#include "platform/win/Monitors.h"
#include "platform/win/SystemValues.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

class Placement : public test::RecorderTest {};

using test::WindowRect;

TEST_F(Placement, MovingAndSizingSendTheirMessagesInOrder) {
    HWND top = rec.Create("top", WS_POPUP | WS_VISIBLE);
    rec.Clear();
    SetWindowPos(top, nullptr, 50, 60, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(rec.Take(), (Lines{"top WM_WINDOWPOSCHANGING", "top WM_NCCALCSIZE 1", "top WM_WINDOWPOSCHANGED",
                                 "top WM_MOVE", "top WM_SIZE 0"}));
    EXPECT_EQ(WindowRect(top), (RECT{50, 60, 350, 260}));

    MoveWindow(top, 70, 60, 300, 200, 1);  // only moved: no frame calculation, no WM_SIZE
    EXPECT_EQ(rec.Take(), (Lines{"top WM_WINDOWPOSCHANGING", "top WM_WINDOWPOSCHANGED", "top WM_MOVE"}));

    SetWindowPos(top, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    EXPECT_EQ(rec.Take(), (Lines{"top WM_WINDOWPOSCHANGING", "top WM_NCCALCSIZE 1", "top WM_WINDOWPOSCHANGED"}));
}

TEST_F(Placement, FlagsThatLeaveStepsOut) {
    HWND owner = rec.Create("owner", WS_POPUP | WS_VISIBLE);
    HWND owned = rec.Create("owned", WS_POPUP | WS_VISIBLE, owner);
    HWND other = rec.Create("other", WS_POPUP | WS_VISIBLE);
    rec.Clear();
    SetWindowPos(owner, nullptr, 1, 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING);
    EXPECT_EQ(rec.Take(), (Lines{"owner WM_WINDOWPOSCHANGED", "owner WM_MOVE"}));
    SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    EXPECT_EQ(GetTopWindow(nullptr), owner);  // its owned window stayed below "other"
    EXPECT_EQ(GetWindow(other, GW_HWNDNEXT), owned);
}

TEST_F(Placement, AsynchronousPlacementFromAnotherThread) {
    HWND top = rec.Create("top", WS_POPUP);
    BOOL answer = 0;
    std::thread([&] {
        answer = SetWindowPos(top, nullptr, 40, 50, 60, 70, SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    }).join();  // returns without this thread reading its queue
    EXPECT_TRUE(answer);
    EXPECT_EQ(WindowRect(top), (RECT{10, 20, 210, 170}));
    display.PumpMessages();
    EXPECT_EQ(WindowRect(top), (RECT{40, 50, 100, 120}));
}

TEST_F(Placement, AdjustWindowRectIsTheInverseOfTheClientArea) {
    for (DWORD style : {WS_OVERLAPPEDWINDOW, WS_POPUP | WS_BORDER, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_CHILD}) {
        RECT r{100, 100, 400, 300};
        AdjustWindowRectEx(&r, style, 0, WS_EX_CLIENTEDGE);
        HWND parent = (style & WS_CHILD) ? rec.Create("parent", WS_POPUP) : nullptr;
        HWND w = rec.Create("w", style, parent, r, WS_EX_CLIENTEDGE);
        RECT client;
        GetClientRect(w, &client);
        EXPECT_EQ(client, (RECT{0, 0, 300, 200})) << std::hex << style;
        DestroyWindow(parent ? parent : w);
    }
}

TEST_F(Placement, WindowPosChangingEditsTakeEffect) {
    HWND top = rec.Create("top", WS_POPUP | WS_VISIBLE);
    // A snapping window: whatever is asked, it lands on a 100-pixel grid with a fixed width.
    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_WINDOWPOSCHANGING) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
            pos->x = pos->x / 100 * 100;
            pos->cx = 400;
            return 0;
        }
        return std::nullopt;
    });
    SetWindowPos(top, nullptr, 237, 10, 120, 90, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(WindowRect(top), (RECT{200, 10, 600, 100}));
    // Refusing the move by turning it into a no-move.
    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(lp)->flags |= SWP_NOMOVE;
        return std::nullopt;
    });
    SetWindowPos(top, nullptr, 5, 5, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(WindowRect(top).left, 200);
}

TEST_F(Placement, MinMaxInfoLimitsTheTrackingSize) {
    HWND top = rec.Create("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_GETMINMAXINFO) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize = {200, 150};
            info->ptMaxTrackSize = {500, 400};
            return 0;
        }
        return std::nullopt;
    });
    SetWindowPos(top, nullptr, 0, 0, 50, 50, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(WindowRect(top).right - WindowRect(top).left, 200);
    SetWindowPos(top, nullptr, 0, 0, 900, 900, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(WindowRect(top).bottom - WindowRect(top).top, 400);
}

TEST_F(Placement, ClientAreaFollowsTheFrameStyles) {
    HWND top = rec.Create("top", WS_OVERLAPPEDWINDOW, nullptr, {100, 100, 500, 400});
    RECT client;
    GetClientRect(top, &client);
    int frame = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(client.right, 400 - 2 * frame);
    EXPECT_EQ(client.bottom, 300 - 2 * frame - GetSystemMetrics(SM_CYCAPTION));
    POINT p{0, 0};
    ClientToScreen(top, &p);
    EXPECT_EQ(p, (POINT{100 + frame, 100 + frame + GetSystemMetrics(SM_CYCAPTION)}));

    HWND child = rec.Create("child", WS_CHILD | WS_VISIBLE | WS_BORDER, top, {10, 20, 60, 70});
    POINT q{0, 0};
    ClientToScreen(child, &q);
    EXPECT_EQ(q, (POINT{p.x + 11, p.y + 21}));
    POINT pts[2] = {{0, 0}, {5, 5}};
    MapWindowPoints(child, top, pts, 2);
    EXPECT_EQ(pts[0], (POINT{11, 21}));
    EXPECT_EQ(pts[1], (POINT{16, 26}));
    ScreenToClient(child, &q);
    EXPECT_EQ(q, (POINT{0, 0}));
}

TEST_F(Placement, MaximizeAndRestore) {
    HWND top = rec.Create("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
    rec.Clear();
    ShowWindow(top, SW_SHOWMAXIMIZED);
    Lines lines = rec.Take();
    EXPECT_EQ(lines.front(), "hook MINMAX top");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "top WM_SIZE 2"), lines.end());
    EXPECT_TRUE(IsZoomed(top));
    RECT work = display.WorkArea();
    int frame = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(WindowRect(top), (RECT{work.left - frame, work.top - frame, work.right + frame, work.bottom + frame}));

    ShowWindow(top, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(top));
    EXPECT_FALSE(IsZoomed(top));
    EXPECT_EQ(GetActiveWindow(), nullptr);  // nothing else to activate
    EXPECT_EQ(WindowRect(top).left, -32000);
    ShowWindow(top, SW_RESTORE);  // back to maximized, where it was before
    EXPECT_TRUE(IsZoomed(top));
    EXPECT_EQ(GetActiveWindow(), top);
    SendMessage(top, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(top));
    EXPECT_EQ(WindowRect(top), (RECT{100, 100, 500, 400}));
    rec.Clear();
    SendMessage(top, WM_SYSCOMMAND, SC_CLOSE, 0);  // through WM_CLOSE to destruction
    EXPECT_FALSE(IsWindow(top));
    lines = rec.Take();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "top WM_CLOSE"), 1);
}

TEST_F(Placement, ChildrenAreNotActivatedButHearOfIt) {
    HWND top = rec.Create("top", WS_POPUP | WS_VISIBLE);
    HWND a = rec.Create("a", WS_CHILD | WS_VISIBLE, top, {0, 0, 10, 10});
    rec.Create("b", WS_CHILD | WS_VISIBLE, top, {0, 0, 10, 10});
    rec.Clear();
    SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(rec.Take(), (Lines{"a WM_WINDOWPOSCHANGING", "a WM_CHILDACTIVATE", "a WM_WINDOWPOSCHANGED"}));
    EXPECT_EQ(GetWindow(top, GW_CHILD), GetWindow(a, GW_HWNDFIRST));
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetActiveWindow(), top);
}

TEST_F(Placement, ShowingChildrenOfHiddenParentsOnlySetsTheStyle) {
    HWND top = rec.Create("top", WS_POPUP);
    HWND child = rec.Create("child", WS_CHILD, top, {0, 0, 10, 10});
    rec.Clear();
    ShowWindow(child, SW_SHOW);
    EXPECT_EQ(rec.Take(), (Lines{"child WM_SHOWWINDOW 1"}));
    EXPECT_TRUE(GetWindowLongPtr(child, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(child));
    ShowWindow(top, SW_SHOWNA);
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(GetActiveWindow(), nullptr);  // SW_SHOWNA does not activate
}

TEST_F(Placement, ZOrderKeepsTopmostWindowsAboveAndOwnedWindowsAboveOwners) {
    HWND a = rec.Create("a", WS_POPUP);
    HWND b = rec.Create("b", WS_POPUP);
    HWND pinned = rec.Create("pinned", WS_POPUP, nullptr, {0, 0, 10, 10}, WS_EX_TOPMOST);
    HWND c = rec.Create("c", WS_POPUP);
    auto order = [] {
        std::vector<HWND> list;
        for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) list.push_back(h);
        return list;
    };
    EXPECT_EQ(order(), (std::vector<HWND>{pinned, c, b, a}));
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(order(), (std::vector<HWND>{pinned, a, c, b}));
    SetWindowPos(pinned, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_FALSE(GetWindowLongPtr(pinned, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(order(), (std::vector<HWND>{b, pinned, a, c}));
    // A window owned by c follows its owner to the top.
    HWND dialog = rec.Create("dialog", WS_POPUP, c);
    SetWindowPos(dialog, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(order(), (std::vector<HWND>{b, dialog, c, pinned, a}));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), c);
    EXPECT_EQ(GetParent(dialog), c);  // the owner of a popup
}

TEST_F(Placement, ActivationMovesBetweenWindowsWithFocus) {
    HWND a = rec.Create("a", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND edit = rec.Create("edit", WS_CHILD | WS_VISIBLE, a, {0, 0, 20, 20});
    SetFocus(edit);
    HWND b = rec.Create("b", WS_POPUP);
    rec.Clear();
    SetActiveWindow(b);
    // b is on top already (the newest window), so the z-order does not change.
    EXPECT_EQ(rec.Take(), (Lines{"hook ACTIVATE b", "a WM_NCACTIVATE 0", "a WM_ACTIVATE 0", "b WM_NCACTIVATE 1",
                                 "b WM_ACTIVATE 1", "hook SETFOCUS b", "edit WM_KILLFOCUS", "b WM_SETFOCUS"}));
    // Focusing a child of an inactive window activates that window first.
    SetFocus(edit);
    EXPECT_EQ(rec.Take(), (Lines{"hook SETFOCUS edit", "hook ACTIVATE a", "b WM_NCACTIVATE 0", "b WM_ACTIVATE 0",
                                 "a WM_WINDOWPOSCHANGING", "a WM_WINDOWPOSCHANGED", "a WM_NCACTIVATE 1",
                                 "a WM_ACTIVATE 1", "hook SETFOCUS a", "b WM_KILLFOCUS", "a WM_SETFOCUS",
                                 "a WM_KILLFOCUS", "edit WM_SETFOCUS"}));
    // Hiding the active window activates the next one.
    ShowWindow(a, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), nullptr);  // b is not visible, so nothing is left
    rec.Clear();
    ShowWindow(b, SW_SHOW);
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(rec.Take().front(), "b WM_SHOWWINDOW 1");
}

LRESULT RefuseActivation(int code, WPARAM, LPARAM) {
    return code == HCBT_ACTIVATE ? 1 : 0;
}

TEST_F(Placement, HooksCanRefuseActivationAndFocus) {
    HWND a = rec.Create("a", WS_POPUP | WS_VISIBLE);
    HWND b = rec.Create("b", WS_POPUP | WS_VISIBLE);
    ASSERT_EQ(GetActiveWindow(), b);
    HHOOK hook = SetWindowsHookEx(WH_CBT, &RefuseActivation, nullptr, GetCurrentThreadId());
    EXPECT_EQ(SetActiveWindow(a), nullptr);
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(SetFocus(a), nullptr);
    EXPECT_EQ(GetFocus(), b);
    UnhookWindowsHookEx(hook);
}

TEST_F(Placement, CaptureAndItsChanges) {
    HWND a = rec.Create("a", WS_POPUP | WS_VISIBLE);
    HWND b = rec.Create("b", WS_POPUP | WS_VISIBLE);
    rec.Clear();
    EXPECT_EQ(SetCapture(a), nullptr);
    EXPECT_EQ(SetCapture(b), a);
    EXPECT_EQ(GetCapture(), b);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(rec.Take(), (Lines{"a WM_CAPTURECHANGED", "b WM_CAPTURECHANGED"}));
    // Disabling the capture window cancels its mode and takes the capture and the focus away.
    SetCapture(b);
    SetFocus(b);
    rec.Clear();
    EXPECT_FALSE(EnableWindow(b, 0));
    EXPECT_EQ(rec.Take(), (Lines{"b WM_CANCELMODE", "b WM_CAPTURECHANGED", "hook SETFOCUS ?", "b WM_KILLFOCUS",
                                 "b WM_ENABLE 0"}));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(b));
    EXPECT_EQ(SetFocus(b), nullptr);  // a disabled window cannot take the focus
    EXPECT_TRUE(EnableWindow(b, 1));
    EXPECT_EQ(rec.Take(), (Lines{"b WM_ENABLE 1"}));
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST(Monitors, TheOneScreenIsTheOnlyMonitor) {
    HeadlessDisplay display;
    RECT screen = win::ScreenRect();
    HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTONULL);
    ASSERT_NE(primary, nullptr);

    struct Case {
        POINT point;
        DWORD flags;
        bool found;
    };
    const Case cases[] = {
        {{screen.right - 1, screen.bottom - 1}, MONITOR_DEFAULTTONULL, true},
        {{screen.right, 10}, MONITOR_DEFAULTTONULL, false},
        {{-1, 10}, MONITOR_DEFAULTTONULL, false},
        {{-500, -500}, MONITOR_DEFAULTTONEAREST, true},
        {{screen.right + 5, 0}, MONITOR_DEFAULTTOPRIMARY, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
        EXPECT_EQ(MonitorFromPoint(c.point, c.flags), c.found ? primary : nullptr);
    }

    MONITORINFO info;
    ASSERT_TRUE(GetMonitorInfo(primary, &info));
    EXPECT_EQ(info.rcMonitor, screen);
    EXPECT_EQ(info.rcWork, win::WorkArea());
    EXPECT_EQ(info.dwFlags, MONITORINFOF_PRIMARY);
    MONITORINFO small;
    small.cbSize = sizeof(MONITORINFO) - 1;
    EXPECT_FALSE(GetMonitorInfo(primary, &small));
    EXPECT_FALSE(GetMonitorInfo(reinterpret_cast<HMONITOR>(&info), &info));
    EXPECT_FALSE(GetMonitorInfo(nullptr, &info));
}

class MonitorOfWindow : public test::RecorderTest {};

TEST_F(MonitorOfWindow, IsTheMonitorItsRectangleOverlaps) {
    HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    HWND onScreen = rec.Create("on", WS_POPUP, nullptr, {-50, -50, 10, 10});  // a corner inside
    HWND offScreen = rec.Create("off", WS_POPUP, nullptr, {-300, -300, -200, -200});
    EXPECT_EQ(MonitorFromWindow(onScreen, MONITOR_DEFAULTTONULL), primary);
    EXPECT_EQ(MonitorFromWindow(offScreen, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_EQ(MonitorFromWindow(offScreen, MONITOR_DEFAULTTONEAREST), primary);
    EXPECT_EQ(MonitorFromWindow(reinterpret_cast<HWND>(0x1234), MONITOR_DEFAULTTOPRIMARY), nullptr);
}

}  // namespace
}  // namespace parch
