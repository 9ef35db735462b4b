// The "msctls_updown32" class. No other implementation of the control runs here to compare
// with, so the expected answers and message sequences below are written from the control's
// public documentation: a press asks the parent (UDN_DELTAPOS, non-zero vetoes), then sends it
// WM_VSCROLL (WM_HSCROLL with UDS_HORZ) with SB_THUMBPOSITION and the position, repeats while
// held, and ends with SB_ENDSCROLL; the default range runs from 100 down to 0.

#include <gtest/gtest.h>

#include "platform/gdi/SystemColors.h"
#include "platform/win/EditClass.h"
#include "tests/platform/win/NotifyTestSupport.h"

namespace parch::updowntest {
namespace {

using Lines = std::vector<std::string>;

class UpDown : public test::NotifyTest {
protected:
    void SetUp() override {
        NotifyTest::SetUp();
        codeNames = {{UDN_DELTAPOS, "DELTAPOS"}};
        describe = [](const NMHDR& h) {
            const auto& nm = reinterpret_cast<const NMUPDOWN&>(h);
            return " " + std::to_string(nm.iPos) + " " + std::to_string(nm.iDelta);
        };
    }
    int Pos() { return static_cast<int>(SendMessage(spin, UDM_GETPOS32, 0, 0)); }
    POINT UpArrow() {
        RECT r = test::WindowRect(spin);
        return POINT{(r.left + r.right) / 2, r.top + 3};
    }
    POINT DownArrow() {
        RECT r = test::WindowRect(spin);
        return POINT{(r.left + r.right) / 2, r.bottom - 4};
    }
    HWND spin = nullptr;
};

TEST_F(UpDown, RangesAndPositionsIn16And32Bits) {
    spin = Make("msctls_updown32", 0, RECT{10, 10, 30, 50});
    int low = 0, high = 0;
    SendMessage(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 100);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(SendMessage(spin, UDM_GETRANGE, 0, 0), MAKELONG(0, 100));
    SendMessage(spin, UDM_SETRANGE32, static_cast<WPARAM>(-5), 200000);
    struct Case {
        int set;
        int expected;
    };
    for (const Case& c : {Case{150000, 150000}, Case{300000, 200000}, Case{-9, -5}, Case{7, 7}}) {
        SendMessage(spin, UDM_SETPOS32, 0, c.set);
        EXPECT_EQ(Pos(), c.expected) << c.set;
    }
    SendMessage(spin, UDM_SETRANGE, 0, MAKELONG(10, -10));
    SendMessage(spin, UDM_SETPOS, 0, MAKELONG(static_cast<WORD>(-3), 0));
    EXPECT_EQ(static_cast<short>(LOWORD(SendMessage(spin, UDM_GETPOS, 0, 0))), -3);
    UDACCEL table[2] = {{0, 2}, {1, 10}};
    EXPECT_EQ(SendMessage(spin, UDM_SETACCEL, 2, reinterpret_cast<LPARAM>(table)), 1);
    UDACCEL back[4];
    WPARAM n = 4;
    EXPECT_EQ(SendMessage(spin, UDM_GETACCEL, reinterpret_cast<WPARAM>(&n), reinterpret_cast<LPARAM>(back)), 2);
    EXPECT_EQ(back[1].nInc, 10u);
}

TEST_F(UpDown, APressAsksStepsRepeatsAndEnds) {
    spin = Make("msctls_updown32", 0, RECT{10, 10, 30, 50});
    SendMessage(spin, UDM_SETRANGE32, 0, 10);
    SendMessage(spin, UDM_SETPOS32, 0, 5);
    POINT up = UpArrow();
    display.MoveMouse(up.x, up.y);
    display.MouseDown();
    EXPECT_EQ(Pump(), (Lines{"DELTAPOS 5 1", "WM_VSCROLL 4 6"}));
    display.AdvanceTime(400);  // the first delay
    display.PumpMessages();
    display.AdvanceTime(100);  // then faster
    EXPECT_EQ(Pump(), (Lines{"DELTAPOS 6 1", "WM_VSCROLL 4 7", "DELTAPOS 7 1", "WM_VSCROLL 4 8"}));
    display.MouseUp();
    EXPECT_EQ(Pump(), (Lines{"WM_VSCROLL 8 8"}));
    EXPECT_EQ(Pos(), 8);

    // A veto keeps the position.
    answer = [](NMHDR&) -> std::optional<LRESULT> { return 1; };
    POINT down = DownArrow();
    display.Click(down.x, down.y);
    EXPECT_EQ(Pump(), (Lines{"DELTAPOS 8 -1", "WM_VSCROLL 8 8"}));
    EXPECT_EQ(Pos(), 8);
    answer = nullptr;

    // The reversed default range turns the step around; UDS_WRAP goes round the ends.
    SetWindowLongPtr(spin, GWL_STYLE, GetWindowLongPtr(spin, GWL_STYLE) | UDS_WRAP);
    SendMessage(spin, UDM_SETRANGE32, 10, 0);
    SendMessage(spin, UDM_SETPOS32, 0, 0);
    display.AdvanceTime(1000);
    display.Click(up.x, up.y);
    EXPECT_EQ(Pump(), (Lines{"DELTAPOS 0 -1", "WM_VSCROLL 4 10", "WM_VSCROLL 8 10"}));
}

TEST_F(UpDown, ABuddyShowsTheNumberAndGivesItsArrowKeys) {
    HWND edit = Make("Edit", WS_BORDER, RECT{20, 20, 140, 44}, 2);
    spin = Make("msctls_updown32", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, RECT{0, 0, 18, 10});
    SendMessage(spin, UDM_SETRANGE32, 0, 5000);
    SendMessage(spin, UDM_SETPOS32, 0, 1234);
    EXPECT_EQ(SendMessage(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0), 0);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(spin, UDM_GETBUDDY, 0, 0)), edit);
    EXPECT_EQ(win::WindowText(edit), "1,234");
    RECT e = test::WindowRect(edit), s = test::WindowRect(spin);
    EXPECT_EQ(s.left, e.right) << "the arrows sit at the buddy's right";
    EXPECT_EQ(s.top, e.top);
    EXPECT_EQ(s.bottom, e.bottom);
    EXPECT_EQ(e.right - e.left, 120 - 18);

    SetFocus(edit);
    display.PressKey(VK_UP);
    EXPECT_EQ(Pump(), (Lines{"DELTAPOS 1234 1", "WM_VSCROLL 4 1235", "WM_VSCROLL 8 1235"}));
    EXPECT_EQ(win::WindowText(edit), "1,235");

    // The buddy's text is read back; what is no number in range is an error that keeps the position.
    SetWindowText(edit, "4,000");
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS, 0, 0), MAKELONG(4000, 0));
    SetWindowText(edit, "many");
    BOOL failed = 0;
    EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)), 4000);
    EXPECT_TRUE(failed);
    EXPECT_NE(HIWORD(SendMessage(spin, UDM_GETPOS, 0, 0)), 0);

    SetWindowLongPtr(spin, GWL_STYLE, GetWindowLongPtr(spin, GWL_STYLE) | UDS_NOTHOUSANDS);
    SendMessage(spin, UDM_SETPOS32, 0, 4321);
    EXPECT_EQ(win::WindowText(edit), "4321");
    EXPECT_EQ(SendMessage(spin, UDM_SETBASE, 16, 0), 10);
    EXPECT_EQ(win::WindowText(edit), "0x10E1");
    display.PumpMessages();
    SaveScreen("up-down-buddy.png");

    test::ScreenShot shot;
    int dark = 0;
    for (int x = s.left; x < s.right; ++x)
        for (int y = s.top; y < s.bottom; ++y) dark += shot.Pixel(x, y) == GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(dark, 4) << "two arrow glyphs";
    Take();
}

}  // namespace
}  // namespace parch::updowntest
