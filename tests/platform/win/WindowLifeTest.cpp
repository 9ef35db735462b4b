#include <gtest/gtest.h>

#include <thread>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

class WindowLife : public test::RecorderTest {};

TEST_F(WindowLife, OverlappedWindowCreationWaitsWithSizeAndMoveUntilShown) {
    HWND top = rec.Create("top", WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(top);
    EXPECT_EQ(rec.Take(), (Lines{"hook CREATEWND top", "top WM_GETMINMAXINFO", "top WM_NCCREATE", "top WM_NCCALCSIZE 0",
                                 "top WM_CREATE"}));
    ShowWindow(top, SW_SHOW);
    EXPECT_EQ(rec.Take(), (Lines{"top WM_SHOWWINDOW 1", "top WM_WINDOWPOSCHANGING", "hook ACTIVATE top",
                                 "top WM_ACTIVATEAPP 1", "top WM_NCACTIVATE 1", "top WM_ACTIVATE 1",
                                 "hook SETFOCUS top", "top WM_SETFOCUS", "top WM_WINDOWPOSCHANGED", "top WM_SIZE 0",
                                 "top WM_MOVE"}));
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(GetFocus(), top);
}

TEST_F(WindowLife, ChildCreationSendsSizeMoveAndNotifiesParentChain) {
    HWND top = rec.Create("top", WS_OVERLAPPEDWINDOW);
    HWND mid = rec.Create("mid", WS_CHILD | WS_VISIBLE, top, {0, 0, 100, 100});
    rec.Clear();
    HWND leaf = rec.Create("leaf", WS_CHILD, mid, {5, 5, 50, 50});
    ASSERT_TRUE(leaf);
    EXPECT_EQ(rec.Take(), (Lines{"hook CREATEWND leaf", "leaf WM_NCCREATE", "leaf WM_NCCALCSIZE 0", "leaf WM_CREATE",
                                 "leaf WM_SIZE 0", "leaf WM_MOVE", "mid WM_PARENTNOTIFY 1", "top WM_PARENTNOTIFY 1"}));
    EXPECT_EQ(GetParent(leaf), mid);
    EXPECT_TRUE(IsChild(top, leaf));
    char name[32];
    EXPECT_EQ(GetWindowText(leaf, name, sizeof name), 4);
    EXPECT_STREQ(name, "leaf");
}

TEST_F(WindowLife, NoParentNotifyStopsTheNotification) {
    HWND top = rec.Create("top", WS_OVERLAPPEDWINDOW);
    rec.Clear();
    rec.Create("quiet", WS_CHILD, top, {0, 0, 10, 10}, WS_EX_NOPARENTNOTIFY);
    for (const auto& line : rec.Take()) EXPECT_NE(line, "top WM_PARENTNOTIFY 1");
}

LRESULT CALLBACK_Subclassed(HWND hwnd, UINT m, WPARAM wp, LPARAM lp);
WNDPROC gOriginal = nullptr;
std::vector<UINT> gSubclassSeen;
LRESULT CALLBACK_Subclassed(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
    gSubclassSeen.push_back(m);
    return CallWindowProc(gOriginal, hwnd, m, wp, lp);
}

LRESULT SubclassingHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
        auto hwnd = reinterpret_cast<HWND>(wp);
        auto* cbt = reinterpret_cast<CBT_CREATEWND*>(lp);
        char cls[64];
        // The handle works already: class, parent, properties and the procedure.
        if (GetClassName(hwnd, cls, sizeof cls) && std::string(cls) == "Recorder" && cbt->lpcs->hwndParent == nullptr &&
            GetParent(hwnd) == nullptr) {
            SetProp(hwnd, "seen", reinterpret_cast<void*>(1));
            gOriginal = reinterpret_cast<WNDPROC>(
                SetWindowLongPtr(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&CALLBACK_Subclassed)));
            cbt->lpcs->cx = 333;  // the creator's record can be changed here
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(WindowLife, HookSeesUsableHandleBeforeNcCreate) {
    gSubclassSeen.clear();
    HHOOK hook = SetWindowsHookEx(WH_CBT, &SubclassingHook, nullptr, GetCurrentThreadId());
    HWND top = rec.Create("top", WS_POPUP);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(top);
    EXPECT_EQ(GetProp(top, "seen"), reinterpret_cast<void*>(1));
    ASSERT_GE(gSubclassSeen.size(), 3u);
    EXPECT_EQ(gSubclassSeen[0], WM_NCCREATE);
    EXPECT_EQ(gSubclassSeen[1], WM_NCCALCSIZE);
    EXPECT_EQ(gSubclassSeen[2], WM_CREATE);
    RECT r;
    GetWindowRect(top, &r);
    EXPECT_EQ(r.right - r.left, 333);
}

LRESULT RefusingHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) return 1;
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(WindowLife, RefusedCreationsLeaveNoWindow) {
    HHOOK hook = SetWindowsHookEx(WH_CBT, &RefusingHook, nullptr, 0);
    EXPECT_EQ(rec.Create("a", WS_POPUP), nullptr);
    UnhookWindowsHookEx(hook);
    rec.Clear();

    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_CREATE) return -1;
        return std::nullopt;
    });
    EXPECT_EQ(rec.Create("b", WS_POPUP), nullptr);
    EXPECT_EQ(rec.Take(), (Lines{"hook CREATEWND b", "b WM_NCCREATE", "b WM_NCCALCSIZE 0", "b WM_CREATE",
                                 "b WM_DESTROY", "b WM_NCDESTROY"}));
    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_NCCREATE) return 0;
        return std::nullopt;
    });
    EXPECT_EQ(rec.Create("c", WS_POPUP), nullptr);
    EXPECT_EQ(rec.Take(), (Lines{"hook CREATEWND c", "c WM_NCCREATE", "c WM_NCDESTROY"}));
    EXPECT_FALSE(FindWindow(test::MessageRecorder::kClass, nullptr));
}

TEST_F(WindowLife, ExtremePlacementsAreKeptInRange) {
    HWND far = rec.Create("far", WS_POPUP, nullptr, {0, 0, 10, 10});
    SetWindowPos(far, nullptr, INT32_MAX, INT32_MIN, INT32_MAX, -5, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r;
    GetWindowRect(far, &r);
    EXPECT_GT(r.left, 0);
    EXPECT_GE(r.right, r.left);
    EXPECT_EQ(r.bottom, r.top);  // a negative size is none
    HWND child = rec.Create("child", WS_CHILD, far, {0, 0, 10, 10});
    POINT p{INT32_MAX / 4, 0};
    ClientToScreen(child, &p);
    EXPECT_GT(p.x, 0);
}

std::vector<std::string> gHookCalls;
HHOOK gFirst = nullptr;
HHOOK gSecond = nullptr;
LRESULT FirstHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) gHookCalls.push_back("first");
    return CallNextHookEx(gFirst, code, wp, lp);
}
LRESULT SecondHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
        gHookCalls.push_back("second");
        // Removing the hook after this one, and this one itself, while the chain runs.
        UnhookWindowsHookEx(gFirst);
        UnhookWindowsHookEx(gSecond);
    }
    return CallNextHookEx(gSecond, code, wp, lp);
}

TEST_F(WindowLife, HooksRunNewestFirstAndMayLeaveWhileRunning) {
    gHookCalls.clear();
    gFirst = SetWindowsHookEx(WH_CBT, &FirstHook, nullptr, GetCurrentThreadId());
    gSecond = SetWindowsHookEx(WH_CBT, &SecondHook, nullptr, GetCurrentThreadId());
    rec.Clear();
    ASSERT_TRUE(rec.Create("a", WS_POPUP));
    EXPECT_EQ(gHookCalls, (std::vector<std::string>{"second"}));
    // The recorder's own hook, installed before both, still ran after them.
    EXPECT_EQ(rec.Take().front(), "hook CREATEWND a");
    rec.Create("b", WS_POPUP);
    EXPECT_EQ(gHookCalls.size(), 1u);
    EXPECT_FALSE(UnhookWindowsHookEx(gFirst));
    EXPECT_EQ(SetWindowsHookEx(99, &FirstHook, nullptr, 0), nullptr);
}

TEST_F(WindowLife, CreationErrors) {
    EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(rec.Create("orphan", WS_CHILD), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);
}

TEST_F(WindowLife, DestroyingAFocusedChild) {
    HWND top = rec.Create("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND child = rec.Create("child", WS_CHILD | WS_VISIBLE, top, {0, 0, 50, 50});
    SetFocus(child);
    rec.Clear();
    DestroyWindow(child);
    EXPECT_EQ(rec.Take(), (Lines{"hook DESTROYWND child", "top WM_PARENTNOTIFY 2", "child WM_SHOWWINDOW 0",
                                 "child WM_WINDOWPOSCHANGING", "child WM_WINDOWPOSCHANGED", "hook SETFOCUS top",
                                 "child WM_KILLFOCUS", "top WM_SETFOCUS", "child WM_DESTROY", "child WM_NCDESTROY"}));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(GetFocus(), top);
}

TEST_F(WindowLife, DestroyingTheActiveWindowActivatesTheNext) {
    HWND a = rec.Create("a", WS_POPUP | WS_VISIBLE);
    HWND b = rec.Create("b", WS_POPUP | WS_VISIBLE);
    ASSERT_EQ(GetActiveWindow(), b);
    rec.Clear();
    DestroyWindow(b);
    EXPECT_EQ(rec.Take(), (Lines{"hook DESTROYWND b", "b WM_SHOWWINDOW 0", "b WM_WINDOWPOSCHANGING",
                                 "b WM_WINDOWPOSCHANGED", "hook ACTIVATE a", "b WM_NCACTIVATE 0", "b WM_ACTIVATE 0",
                                 "a WM_WINDOWPOSCHANGING", "a WM_WINDOWPOSCHANGED", "a WM_NCACTIVATE 1", "a WM_ACTIVATE 1", "hook SETFOCUS a", "b WM_KILLFOCUS",
                                 "a WM_SETFOCUS", "b WM_DESTROY", "b WM_NCDESTROY"}));
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), a);
    DestroyWindow(a);
    EXPECT_EQ(GetActiveWindow(), nullptr);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowLife, DestroyGoesDownForWmDestroyAndUpForWmNcDestroy) {
    HWND top = rec.Create("top", WS_POPUP);
    HWND a = rec.Create("a", WS_CHILD, top, {0, 0, 10, 10});
    rec.Create("a1", WS_CHILD, a, {0, 0, 5, 5});
    rec.Create("b", WS_CHILD, top, {0, 0, 10, 10});
    HWND owned = rec.Create("owned", WS_POPUP, top);
    rec.Clear();
    DestroyWindow(top);
    EXPECT_EQ(rec.Take(), (Lines{"hook DESTROYWND top", "hook DESTROYWND owned", "owned WM_DESTROY",
                                 "owned WM_NCDESTROY", "top WM_DESTROY", "a WM_DESTROY", "a1 WM_DESTROY",
                                 "b WM_DESTROY", "a1 WM_NCDESTROY", "a WM_NCDESTROY", "b WM_NCDESTROY",
                                 "top WM_NCDESTROY"}));
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(owned));
}

TEST_F(WindowLife, DestroyRules) {
    HWND top = rec.Create("top", WS_POPUP);
    // A window may only be destroyed by its own thread.
    BOOL fromOther = 1;
    std::thread([&] { fromOther = DestroyWindow(top); }).join();
    EXPECT_FALSE(fromOther);
    EXPECT_TRUE(IsWindow(top));
    // Destroying from inside its own WM_DESTROY does not start over.
    rec.SetHandler([](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_DESTROY) DestroyWindow(h);
        return std::nullopt;
    });
    rec.Clear();
    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_EQ(rec.Take(), (Lines{"hook DESTROYWND top", "top WM_DESTROY", "top WM_NCDESTROY"}));
    EXPECT_FALSE(DestroyWindow(top));
}

}  // namespace
}  // namespace parch
