#include <gtest/gtest.h>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

class Tree : public test::RecorderTest {};

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> list;
    EnumChildWindows(parent, [](HWND h, LPARAM lp) {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return BOOL{1};
    }, reinterpret_cast<LPARAM>(&list));
    return list;
}

TEST_F(Tree, EnumerationFindingAndAncestors) {
    HWND owner = rec.Create("owner", WS_POPUP);
    HWND top = rec.Create("top", WS_POPUP, owner);
    HWND a = rec.Create("a", WS_CHILD, top, {0, 0, 5, 5});
    HWND a1 = rec.Create("a1", WS_CHILD, a, {0, 0, 5, 5});
    HWND b = rec.Create("b", WS_CHILD, top, {0, 0, 5, 5});
    HWND b2 = rec.Create("b", WS_CHILD, top, {0, 0, 5, 5});
    // Children in creation order (the first made is on top), each followed by its own.
    EXPECT_EQ(ChildrenOf(top), (std::vector<HWND>{a, a1, b, b2}));
    EXPECT_EQ(FindWindowEx(top, nullptr, nullptr, "b"), b);
    EXPECT_EQ(FindWindowEx(top, b, nullptr, "b"), b2);
    EXPECT_EQ(FindWindowEx(top, b2, nullptr, "b"), nullptr);
    EXPECT_EQ(FindWindowEx(top, nullptr, "NoSuchClass", nullptr), nullptr);
    EXPECT_EQ(GetAncestor(a1, GA_PARENT), a);
    EXPECT_EQ(GetAncestor(a1, GA_ROOT), top);
    EXPECT_EQ(GetAncestor(a1, GA_ROOTOWNER), owner);
    EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
    EXPECT_EQ(GetParent(a1), a);
    EXPECT_EQ(GetParent(owner), nullptr);
    EXPECT_TRUE(IsChild(top, a1));
    EXPECT_FALSE(IsChild(owner, top));  // owned, not a child
    EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b2, GW_HWNDPREV), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDLAST), b2);

    // Windows destroyed while enumerating are skipped, and the walk goes on.
    std::vector<HWND> seen;
    struct Walk {
        std::vector<HWND>* seen;
        HWND victim;
    } walk{&seen, b};
    EnumChildWindows(top, [](HWND h, LPARAM lp) {
        auto* w = reinterpret_cast<Walk*>(lp);
        w->seen->push_back(h);
        if (w->seen->size() == 1) DestroyWindow(w->victim);
        return BOOL{1};
    }, reinterpret_cast<LPARAM>(&walk));
    EXPECT_EQ(seen, (std::vector<HWND>{a, a1, b2}));
}

TEST_F(Tree, ReparentingKeepsTheOffsetInTheNewParent) {
    HWND first = rec.Create("first", WS_POPUP | WS_VISIBLE, nullptr, {0, 0, 300, 300});
    HWND second = rec.Create("second", WS_POPUP | WS_VISIBLE, nullptr, {400, 0, 700, 300});
    HWND child = rec.Create("child", WS_CHILD | WS_VISIBLE, first, {10, 10, 60, 60});
    EXPECT_EQ(SetParent(child, second), first);
    EXPECT_EQ(GetParent(child), second);
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (RECT{410, 10, 460, 60}));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(SetParent(second, child), nullptr);  // no cycles
}

TEST_F(Tree, MessageOnlyWindowsStayOutOfTheScreenTree) {
    HWND hidden = CreateWindowEx(0, test::MessageRecorder::kClass, "msg", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
    ASSERT_TRUE(hidden);
    EXPECT_EQ(FindWindowEx(HWND_MESSAGE, nullptr, nullptr, "msg"), hidden);
    EXPECT_EQ(FindWindow(nullptr, "msg"), nullptr);
    ShowWindow(hidden, SW_SHOW);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_NE(GetActiveWindow(), hidden);
    EXPECT_FALSE(SetForegroundWindow(hidden));
    EXPECT_EQ(SendMessage(hidden, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("still works")), 1);
    DestroyWindow(hidden);
}

TEST_F(Tree, SystemValuesComeFromOneTable) {
    NONCLIENTMETRICS metrics;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));
    EXPECT_EQ(metrics.iScrollWidth, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(metrics.iCaptionHeight, GetSystemMetrics(SM_CYCAPTION) - 1);
    EXPECT_EQ(metrics.iMenuHeight, GetSystemMetrics(SM_CYMENU) - 1);
    EXPECT_LT(metrics.lfCaptionFont.lfHeight, 0);
    metrics.cbSize = 340;  // a record of another size is refused, not overrun
    EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));

    ANIMATIONINFO animation;
    animation.iMinAnimate = 0;
    ASSERT_TRUE(SystemParametersInfo(SPI_SETANIMATION, 0, &animation, 0));
    animation.iMinAnimate = 5;
    SystemParametersInfo(SPI_GETANIMATION, 0, &animation, 0);
    EXPECT_EQ(animation.iMinAnimate, 0);
    animation.iMinAnimate = 1;
    SystemParametersInfo(SPI_SETANIMATION, 0, &animation, 0);

    BOOL on = 1;
    SystemParametersInfo(SPI_SETTOOLTIPFADE, 0, nullptr, 0);
    SystemParametersInfo(SPI_GETTOOLTIPFADE, 0, &on, 0);
    EXPECT_FALSE(on);
    SystemParametersInfo(SPI_SETTOOLTIPFADE, 0, reinterpret_cast<void*>(1), 0);
    SystemParametersInfo(SPI_GETTOOLTIPFADE, 0, &on, 0);
    EXPECT_TRUE(on);
    EXPECT_FALSE(SystemParametersInfo(0x7777, 0, &on, 0));

    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(240, 240, 240));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
    EXPECT_EQ(GetSysColor(99), 0u);

    // The default frame is built from the same metrics.
    HWND tool = rec.Create("tool", WS_POPUP | WS_CAPTION | WS_SYSMENU, nullptr, {0, 0, 200, 100}, WS_EX_TOOLWINDOW);
    RECT client;
    GetClientRect(tool, &client);
    EXPECT_EQ(client.bottom, 100 - 2 * GetSystemMetrics(SM_CYDLGFRAME) - GetSystemMetrics(SM_CYSMCAPTION));
    POINT cursor;
    SetCursorPos(20, 30);
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor, (POINT{20, 30}));
}

}  // namespace
}  // namespace parch
