#include <gtest/gtest.h>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

// A sizable window at (100, 100)-(500, 400) with a child "btn" whose client area starts at
// screen (114, 137), and an active popup "other" beside it.
class Input : public test::RecorderTest {
protected:
    void SetUp() override {
        top = rec.Create("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
        btn = rec.Create("btn", WS_CHILD | WS_VISIBLE, top, {10, 10, 110, 40});
        other = rec.Create("other", WS_POPUP | WS_VISIBLE, nullptr, {600, 100, 800, 300});
        display.PumpMessages();
        rec.Clear();
    }
    Lines Pumped() {
        display.PumpMessages();
        return rec.Take();
    }
    HWND top = nullptr;
    HWND btn = nullptr;
    HWND other = nullptr;
};

TEST_F(Input, ClickActivatesAndReachesTheChildInClientCoordinates) {
    ASSERT_EQ(GetActiveWindow(), other);
    display.Click(150, 150);
    EXPECT_EQ(Pumped(), (Lines{"btn WM_MOUSEACTIVATE ht1", "top WM_MOUSEACTIVATE ht1", "hook ACTIVATE top",
                               "other WM_NCACTIVATE 0", "other WM_ACTIVATE 0", "top WM_WINDOWPOSCHANGING",
                               "top WM_WINDOWPOSCHANGED", "top WM_NCACTIVATE 1", "top WM_ACTIVATE 2",
                               "hook SETFOCUS top", "other WM_KILLFOCUS", "top WM_SETFOCUS", "btn WM_MOUSEMOVE 36,13",
                               "btn WM_LBUTTONDOWN 36,13", "btn WM_LBUTTONUP 36,13"}));
    EXPECT_EQ(GetActiveWindow(), top);
}

TEST_F(Input, NonClientClicksCarryTheHitCode) {
    SetActiveWindow(top);
    // Answered here: the default move and size loops would take the button-up.
    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_NCLBUTTONDOWN) return 0;
        return std::nullopt;
    });
    rec.Clear();
    display.Click(300, 110);  // the caption band
    display.Click(102, 250);  // the left sizing border
    EXPECT_EQ(Pumped(), (Lines{"top WM_NCMOUSEMOVE ht2 300,110", "top WM_NCLBUTTONDOWN ht2 300,110",
                               "top WM_NCLBUTTONUP ht2 300,110", "top WM_NCMOUSEMOVE ht10 102,250",
                               "top WM_NCLBUTTONDOWN ht10 102,250", "top WM_NCLBUTTONUP ht10 102,250"}));
}

TEST_F(Input, MouseActivationAnswersAreHonoured) {
    LRESULT answer = MA_NOACTIVATE;
    rec.SetHandler([&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_MOUSEACTIVATE && h == top) return answer;
        return std::nullopt;
    });
    display.Click(150, 150);
    Lines lines = Pumped();
    EXPECT_EQ(GetActiveWindow(), other);
    EXPECT_EQ(lines.back(), "btn WM_LBUTTONUP 36,13");
    EXPECT_EQ(lines[lines.size() - 2], "btn WM_LBUTTONDOWN 36,13");

    answer = MA_ACTIVATEANDEAT;
    display.AdvanceTime(1000);
    display.Click(150, 150);
    lines = Pumped();
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "btn WM_LBUTTONDOWN 36,13"), 0);  // eaten
}

TEST_F(Input, DoubleClicksOnlyForClassesThatAskAndInTime) {
    HWND dbl = rec.Create("dbl", WS_CHILD | WS_VISIBLE, top, {200, 10, 300, 40}, 0,
                          test::MessageRecorder::kDoubleClickClass);
    ASSERT_TRUE(dbl);
    SetActiveWindow(top);
    rec.Ignore(WM_MOUSEMOVE);
    rec.Ignore(WM_LBUTTONUP);
    rec.Clear();
    display.DoubleClick(150, 150);  // "btn": no CS_DBLCLKS
    display.DoubleClick(350, 150);  // "dbl"
    display.AdvanceTime(1000);
    display.Click(350, 150);
    display.AdvanceTime(600);  // longer than the double-click time
    display.Click(350, 150);
    EXPECT_EQ(Pumped(), (Lines{"btn WM_LBUTTONDOWN 36,13", "btn WM_LBUTTONDOWN 36,13", "dbl WM_LBUTTONDOWN 46,13",
                               "dbl WM_LBUTTONDBLCLK 46,13", "dbl WM_LBUTTONDOWN 46,13", "dbl WM_LBUTTONDOWN 46,13"}));
}

TEST_F(Input, CaptureTakesTheMouseEverywhere) {
    SetActiveWindow(top);
    rec.SetHandler([&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_LBUTTONDOWN) SetCapture(h);
        if (m == WM_LBUTTONUP) ReleaseCapture();
        return std::nullopt;
    });
    display.MoveMouse(150, 150);
    display.PumpMessages();
    rec.Clear();
    display.MouseDown();
    display.PumpMessages();  // the button-down handler takes the capture
    display.MoveMouse(700, 200);  // over "other", but captured
    display.MouseUp();
    display.PumpMessages();  // the button-up handler gives the capture back
    display.MoveMouse(701, 200);
    EXPECT_EQ(Pumped(), (Lines{"btn WM_LBUTTONDOWN 36,13", "btn WM_MOUSEMOVE 586,63", "btn WM_LBUTTONUP 586,63",
                               "btn WM_CAPTURECHANGED", "other WM_MOUSEMOVE 101,100"}));
}

// The target of mouse input is decided when it is read: moves and the release queued behind the
// press that takes the capture go to the capturing window, in its client coordinates, though
// they happened over another window or over a frame before the press was handled.
TEST_F(Input, InputQueuedBehindAPressGoesToTheCaptureItTakes) {
    SetActiveWindow(top);
    rec.SetHandler([&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_LBUTTONDOWN) SetCapture(h);
        if (m == WM_LBUTTONUP) ReleaseCapture();
        return std::nullopt;
    });
    display.MoveMouse(150, 150);
    display.PumpMessages();
    rec.Clear();
    display.MouseDown();
    display.MoveMouse(700, 200);  // over "other"
    display.MoveMouse(300, 110);  // over top's caption
    display.MouseUp();
    EXPECT_EQ(Pumped(), (Lines{"btn WM_LBUTTONDOWN 36,13", "btn WM_MOUSEMOVE 586,63", "btn WM_MOUSEMOVE 186,-27",
                               "btn WM_LBUTTONUP 186,-27", "btn WM_CAPTURECHANGED"}));
}

LRESULT TransparentProc(HWND hwnd, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCHITTEST) return HTTRANSPARENT;
    return DefWindowProc(hwnd, m, wp, lp);
}

TEST_F(Input, TransparentAndDisabledWindowsLetThePointThrough) {
    SetActiveWindow(top);
    // A window over "btn" that answers HTTRANSPARENT.
    HWND glass = rec.Create("glass", WS_CHILD | WS_VISIBLE, top, {0, 0, 150, 60});
    SetWindowPos(glass, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowLongPtr(glass, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&TransparentProc));
    EXPECT_EQ(WindowFromPoint({150, 150}), btn);
    EXPECT_EQ(ChildWindowFromPoint(top, {50, 20}), glass);
    EXPECT_EQ(ChildWindowFromPointEx(top, {50, 90}, CWP_SKIPINVISIBLE), top);
    EXPECT_EQ(ChildWindowFromPoint(top, {-5, 20}), nullptr);
    // A disabled child leaves the click to its parent.
    EnableWindow(btn, 0);
    rec.Clear();
    display.Click(150, 150);
    EXPECT_EQ(Pumped(), (Lines{"top WM_MOUSEMOVE 46,23", "top WM_LBUTTONDOWN 46,23", "top WM_LBUTTONUP 46,23"}));
    // A disabled top-level window refuses the mouse, with HTERROR in WM_SETCURSOR.
    EnableWindow(top, 0);
    rec.Watch(WM_SETCURSOR);
    rec.Clear();
    display.Click(300, 300);
    EXPECT_EQ(Pumped(), (Lines{"top WM_SETCURSOR ht-2", "top WM_SETCURSOR ht-2", "top WM_SETCURSOR ht-2"}));
    EXPECT_EQ(WindowFromPoint({300, 300}), nullptr);
}

TEST_F(Input, ClickOnAWindowDisabledByItsModalPopupActivatesThePopup) {
    HWND modal = rec.Create("modal", WS_POPUP | WS_VISIBLE, top, {150, 150, 250, 200});
    EnableWindow(top, 0);
    SetActiveWindow(other);
    rec.Ignore(WM_MOUSEMOVE);
    rec.Clear();
    display.Click(120, 300);
    EXPECT_EQ(GetActiveWindow(), modal);
    for (const auto& line : Pumped()) EXPECT_EQ(line.find("WM_LBUTTON"), std::string::npos) << line;
}

TEST_F(Input, SetCursorAsksTheParentFirstThenUsesTheClassCursor) {
    SetActiveWindow(top);
    rec.Watch(WM_SETCURSOR);
    rec.Clear();
    SetCursor(nullptr);
    display.MoveMouse(150, 150);
    EXPECT_EQ(rec.Take(), (Lines{"btn WM_SETCURSOR ht1", "top WM_SETCURSOR ht1"}));
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
    display.MoveMouse(102, 250);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_SIZEWE));
}

TEST_F(Input, WheelGoesToTheFocusAndUpToItsParent) {
    SetActiveWindow(top);
    SetFocus(btn);
    rec.Clear();
    display.MoveMouse(700, 200);  // over "other": the wheel still goes to the focus
    rec.Ignore(WM_MOUSEMOVE);
    display.Wheel(-120);
    EXPECT_EQ(Pumped(), (Lines{"btn WM_MOUSEWHEEL -120", "top WM_MOUSEWHEEL -120"}));
}

TEST_F(Input, KeysGoToTheFocusAndTranslateIntoCharacters) {
    SetActiveWindow(top);
    SetFocus(btn);
    rec.Clear();
    display.PressKey('A');
    display.KeyDown(VK_SHIFT);
    display.PressKey('2');
    display.KeyUp(VK_SHIFT);
    display.KeyDown(VK_MENU);
    display.PressKey('F');
    display.KeyUp(VK_MENU);
    EXPECT_EQ(Pumped(), (Lines{"btn WM_KEYDOWN 65", "btn WM_CHAR a", "btn WM_KEYUP 65", "btn WM_KEYDOWN 16",
                               "btn WM_KEYDOWN 50", "btn WM_CHAR @", "btn WM_KEYUP 50", "btn WM_KEYUP 16",
                               "btn WM_SYSKEYDOWN 18", "btn WM_SYSKEYDOWN 70", "btn WM_SYSCHAR f", "top WM_SYSCOMMAND",
                               "btn WM_SYSKEYUP 70", "btn WM_SYSKEYUP 18"}));
    rec.Ignore(WM_KEYDOWN);
    rec.Ignore(WM_KEYUP);
    display.TypeText("h\xC3\xA9\xF0\x9F\x98\x80");  // "hé😀"
    EXPECT_EQ(Pumped(), (Lines{"btn WM_CHAR h", "btn WM_CHAR 233", "btn WM_CHAR 55357", "btn WM_CHAR 56832"}));
}

TEST_F(Input, KeyStateFollowsTheMessagesReadAsyncStateTheInput) {
    SetActiveWindow(top);
    display.KeyDown(VK_CONTROL);
    EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);  // not read yet
    display.PumpMessages();
    EXPECT_TRUE(GetKeyState(VK_CONTROL) & 0x8000);
    display.KeyUp(VK_CONTROL);
    display.PumpMessages();
    EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);
    display.PressKey(VK_CAPITAL);
    display.PumpMessages();
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);  // toggled on
    display.PressKey(VK_CAPITAL);
    display.PumpMessages();
}

TEST_F(Input, TrackMouseEventReportsLeaveAndHoverOnVirtualTime) {
    SetActiveWindow(top);
    display.MoveMouse(150, 150);
    display.PumpMessages();
    TRACKMOUSEEVENT track;
    track.dwFlags = TME_LEAVE | TME_HOVER;
    track.hwndTrack = btn;
    track.dwHoverTime = HOVER_DEFAULT;
    ASSERT_TRUE(TrackMouseEvent(&track));
    rec.Ignore(WM_MOUSEMOVE);
    rec.Clear();
    display.Clock().SetAutoAdvance(false);
    display.AdvanceTime(399);
    EXPECT_TRUE(Pumped().empty());
    display.AdvanceTime(1);
    EXPECT_EQ(Pumped(), (Lines{"btn WM_MOUSEHOVER"}));
    display.MoveMouse(300, 300);  // out of "btn"
    EXPECT_EQ(Pumped(), (Lines{"btn WM_MOUSELEAVE"}));
    display.AdvanceTime(1000);
    EXPECT_TRUE(Pumped().empty());  // each report ends its tracking
    // Asking while the cursor is elsewhere reports the leave at once.
    track.dwFlags = TME_LEAVE;
    TrackMouseEvent(&track);
    EXPECT_EQ(Pumped(), (Lines{"btn WM_MOUSELEAVE"}));
}

TEST_F(Input, DragMovesWithTheButtonHeld) {
    SetActiveWindow(top);
    rec.Clear();
    display.Drag({150, 150}, {170, 158}, 2);
    // The moves in between were not read yet, so they merged into one.
    EXPECT_EQ(Pumped(), (Lines{"btn WM_MOUSEMOVE 36,13", "btn WM_LBUTTONDOWN 36,13", "btn WM_MOUSEMOVE 56,21",
                               "btn WM_LBUTTONUP 56,21"}));
    EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
}

TEST_F(Input, MouseMovesMergeWhileUnread) {
    SetActiveWindow(top);
    rec.Clear();
    for (int x = 150; x < 160; ++x) display.MoveMouse(x, 150);
    EXPECT_EQ(Pumped(), (Lines{"btn WM_MOUSEMOVE 45,13"}));
}

TEST_F(Input, WorkAreaChangesAreAnnounced) {
    display.SetWorkArea({0, 30, 1920, 1080});
    Lines lines = rec.Take();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "top WM_SETTINGCHANGE"), 1);
    RECT work;
    SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(work, (RECT{0, 30, 1920, 1080}));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
}

}  // namespace
}  // namespace parch
