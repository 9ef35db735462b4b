// No peer program exists for the common controls here: the message sequences and answers
// pinned below are taken from Windows' public documentation of the track bar (TBM_ messages,
// TBS_ styles, TB_ codes in WM_HSCROLL / WM_VSCROLL, the custom-draw stages with TBCD_ items),
// recorded through the test parent.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "tests/platform/win/BarsTestSupport.h"

namespace parch {
namespace {

using test::Lines;

class TrackBar : public test::BarsTest {
protected:
    HWND MakeBar(DWORD style = 0, RECT r = {20, 20, 260, 60}, int id = 5) {
        HWND bar = Make(TRACKBAR_CLASS, "", style, r, id);
        SendMessage(bar, TBM_SETRANGE, 1, MAKELPARAM(0, 100));
        display.PumpMessages();
        log.clear();
        return bar;
    }
    RECT Thumb(HWND bar) {
        RECT r{};
        SendMessage(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    RECT Channel(HWND bar) {
        RECT r{};
        SendMessage(bar, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    LRESULT Pos(HWND bar) { return SendMessage(bar, TBM_GETPOS, 0, 0); }
    std::string H(WORD code, int pos = 0) { return "hscroll " + std::to_string(code) + " " + std::to_string(pos); }
};

TEST_F(TrackBar, NumberOfTicsCountsBothEndsUnlessThereAreNone) {
    struct Case {
        const char* name;
        DWORD style;
        int frequency;  // 0: not set
        std::vector<int> set;
        LRESULT expected;
    };
    const Case cases[] = {
        {"plain", 0, 0, {}, 2},
        {"auto every 10", TBS_AUTOTICKS, 10, {}, 11},
        {"auto every 30", TBS_AUTOTICKS, 30, {}, 5},
        {"set by hand", 0, 0, {25, 50, 50, 101, -3}, 4},
        {"no tics", TBS_NOTICKS, 0, {25}, 0},
        {"no tics, auto", TBS_NOTICKS | TBS_AUTOTICKS, 10, {}, 0},
    };
    for (const Case& c : cases) {
        HWND bar = MakeBar(c.style);
        if (c.frequency) SendMessage(bar, TBM_SETTICFREQ, static_cast<WPARAM>(c.frequency), 0);
        for (int v : c.set) SendMessage(bar, TBM_SETTIC, 0, v);
        EXPECT_EQ(SendMessage(bar, TBM_GETNUMTICS, 0, 0), c.expected) << c.name;
        DestroyWindow(bar);
    }
    HWND bar = MakeBar();
    EXPECT_TRUE(SendMessage(bar, TBM_SETTIC, 0, 50));
    EXPECT_TRUE(SendMessage(bar, TBM_SETTIC, 0, 25));
    EXPECT_FALSE(SendMessage(bar, TBM_SETTIC, 0, 150));  // outside the range
    EXPECT_EQ(SendMessage(bar, TBM_GETTIC, 0, 0), 25);  // in order, the ends not among them
    EXPECT_EQ(SendMessage(bar, TBM_GETTIC, 1, 0), 50);
    EXPECT_EQ(SendMessage(bar, TBM_GETTIC, 2, 0), -1);
    const auto* tics = reinterpret_cast<const int*>(SendMessage(bar, TBM_GETPTICS, 0, 0));
    ASSERT_NE(tics, nullptr);
    EXPECT_EQ(tics[1], 50);
    const RECT channel = Channel(bar);
    const LRESULT at25 = SendMessage(bar, TBM_GETTICPOS, 0, 0);
    const LRESULT at50 = SendMessage(bar, TBM_GETTICPOS, 1, 0);
    EXPECT_GT(at25, channel.left);
    EXPECT_LT(at50, channel.right);
    EXPECT_NEAR(at50 - at25, (at25 - channel.left), 4);  // 25 apart either way
    // The thumb centre at position 50 stands on the tic of 50.
    SendMessage(bar, TBM_SETPOS, 1, 50);
    const RECT thumb = Thumb(bar);
    EXPECT_EQ((thumb.left + thumb.right) / 2, at50);
    SendMessage(bar, TBM_CLEARTICS, 1, 0);
    EXPECT_EQ(SendMessage(bar, TBM_GETNUMTICS, 0, 0), 2);
    EXPECT_EQ(SendMessage(bar, TBM_GETTIC, 0, 0), -1);
}

TEST_F(TrackBar, ValuesAreKeptInsideTheRange) {
    HWND bar = MakeBar();
    SendMessage(bar, TBM_SETPOS, 1, 150);
    EXPECT_EQ(Pos(bar), 100);
    SendMessage(bar, TBM_SETRANGEMAX, 1, 60);
    EXPECT_EQ(SendMessage(bar, TBM_GETRANGEMAX, 0, 0), 60);
    EXPECT_EQ(Pos(bar), 60);
    SendMessage(bar, TBM_SETRANGEMIN, 1, 70);
    SendMessage(bar, TBM_SETRANGE, 1, MAKELPARAM(static_cast<WORD>(-10), 10));
    EXPECT_EQ(SendMessage(bar, TBM_GETRANGEMIN, 0, 0), -10);
    EXPECT_EQ(Pos(bar), 10);
    SendMessage(bar, TBM_SETPOS, 1, -50);
    EXPECT_EQ(Pos(bar), -10);
    EXPECT_TRUE(log.empty());  // setting is not telling
    EXPECT_EQ(SendMessage(bar, TBM_SETPAGESIZE, 0, 5), 20);  // the old page size
    EXPECT_EQ(SendMessage(bar, TBM_GETPAGESIZE, 0, 0), 5);
    EXPECT_EQ(SendMessage(bar, TBM_SETLINESIZE, 0, 3), 1);
    SendMessage(bar, TBM_SETSEL, 1, MAKELPARAM(2, 8));
    EXPECT_EQ(SendMessage(bar, TBM_GETSELSTART, 0, 0), 2);
    EXPECT_EQ(SendMessage(bar, TBM_GETSELEND, 0, 0), 8);
    SendMessage(bar, TBM_SETSELEND, 1, 9);
    EXPECT_EQ(SendMessage(bar, TBM_GETSELEND, 0, 0), 9);
    SendMessage(bar, TBM_CLEARSEL, 1, 0);
    EXPECT_EQ(SendMessage(bar, TBM_GETSELEND, 0, 0), 0);
}

TEST_F(TrackBar, GeometryFollowsTheSidesAndTheOrientation) {
    HWND below = MakeBar(0, {10, 10, 210, 50}, 1);
    HWND above = MakeBar(TBS_TOP, {10, 60, 210, 100}, 2);
    HWND both = MakeBar(TBS_BOTH, {10, 110, 210, 150}, 3);
    HWND upright = MakeBar(TBS_VERT, {250, 10, 290, 210}, 4);
    // Tics below push the thumb up, tics above push it down, both sides centre it.
    EXPECT_LT(Thumb(below).top, Thumb(both).top);
    EXPECT_GT(Thumb(above).top, Thumb(both).top);
    for (HWND bar : {below, above, both}) {
        const RECT thumb = Thumb(bar);
        const RECT channel = Channel(bar);
        EXPECT_LT(thumb.top, channel.top);
        EXPECT_GT(thumb.bottom, channel.bottom);
        EXPECT_GT(channel.right - channel.left, channel.bottom - channel.top);
        EXPECT_GE(thumb.left, channel.left);
    }
    const RECT channel = Channel(upright);
    EXPECT_GT(channel.bottom - channel.top, channel.right - channel.left);  // runs down the bar
    const RECT top = Thumb(upright);
    SendMessage(upright, TBM_SETPOS, 1, 100);
    const RECT bottom = Thumb(upright);
    EXPECT_EQ(bottom.left, top.left);
    EXPECT_GT(bottom.top, top.top);
    EXPECT_LE(bottom.bottom, channel.bottom);
    // A fixed length is the thumb's length across the bar.
    HWND fixed = MakeBar(TBS_FIXEDLENGTH | TBS_BOTH, {10, 160, 210, 200}, 6);
    SendMessage(fixed, TBM_SETTHUMBLENGTH, 12, 0);
    EXPECT_EQ(SendMessage(fixed, TBM_GETTHUMBLENGTH, 0, 0), 12);
    EXPECT_EQ(Thumb(fixed).bottom - Thumb(fixed).top, 12);
}

TEST_F(TrackBar, KeysMoveAndTellTheParentThenEndTheTrack) {
    struct Case {
        DWORD style;
        UINT key;
        WORD code;
        LRESULT pos;
    };
    const Case cases[] = {
        {0, VK_RIGHT, TB_LINEDOWN, 51},
        {0, VK_DOWN, TB_LINEDOWN, 51},
        {0, VK_LEFT, TB_LINEUP, 49},
        {0, VK_UP, TB_LINEUP, 49},
        {TBS_DOWNISLEFT, VK_DOWN, TB_LINEUP, 49},
        {TBS_DOWNISLEFT, VK_UP, TB_LINEDOWN, 51},
        {0, VK_NEXT, TB_PAGEDOWN, 70},
        {0, VK_PRIOR, TB_PAGEUP, 30},
        {0, VK_HOME, TB_TOP, 0},
        {0, VK_END, TB_BOTTOM, 100},
    };
    for (const Case& c : cases) {
        HWND bar = MakeBar(c.style);
        SendMessage(bar, TBM_SETPOS, 1, 50);
        SetFocus(bar);
        display.PumpMessages();
        log.clear();
        display.PressKey(c.key);
        display.PumpMessages();
        EXPECT_EQ(Pos(bar), c.pos) << c.key;
        EXPECT_EQ(log, (Lines{H(c.code), H(TB_ENDTRACK)})) << c.key;
        DestroyWindow(bar);
    }
    // At the end nothing moves, so nothing but the end of the track is told.
    HWND bar = MakeBar(TBS_VERT, {20, 20, 60, 220});
    SendMessage(bar, TBM_SETPOS, 1, 100);
    SetFocus(bar);
    display.PumpMessages();
    log.clear();
    display.PressKey(VK_END);
    display.PumpMessages();
    EXPECT_EQ(log, (Lines{"vscroll 8 0"}));
}

TEST_F(TrackBar, DraggingTheThumbTracksThenSetsThePosition) {
    HWND bar = MakeBar();
    const RECT thumb = Thumb(bar);
    const RECT channel = Channel(bar);
    const POINT from = ScreenPointOf(bar, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
    display.MoveMouse(from.x, from.y);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_EQ(GetCapture(), bar);
    EXPECT_EQ(GetFocus(), bar);
    const int travel = (channel.right - channel.left) - (thumb.right - thumb.left);
    display.MoveMouse(from.x + travel / 2, from.y + 30);  // off the bar across it still drags
    display.PumpMessages();
    EXPECT_NEAR(Pos(bar), 50, 1);
    const int middle = static_cast<int>(Pos(bar));
    display.MoveMouse(from.x + travel * 2, from.y);
    display.PumpMessages();
    EXPECT_EQ(Pos(bar), 100);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(log, (Lines{H(TB_THUMBTRACK, middle), H(TB_THUMBTRACK, 100), H(TB_THUMBPOSITION, 100), H(TB_ENDTRACK)}));
}

TEST_F(TrackBar, HoldingOnTheChannelPagesTowardThePointOnTheClock) {
    HWND bar = MakeBar();
    const RECT channel = Channel(bar);
    const RECT thumb = Thumb(bar);
    display.Clock().SetAutoAdvance(false);
    const POINT at = ScreenPointOf(bar, channel.right - 5, (thumb.top + thumb.bottom) / 2);
    display.MoveMouse(at.x, at.y);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_EQ(Pos(bar), 20);
    display.AdvanceTime(399);
    display.PumpMessages();
    EXPECT_EQ(Pos(bar), 20);  // the first repeat waits longer
    display.AdvanceTime(1);
    display.PumpMessages();
    EXPECT_EQ(Pos(bar), 40);
    display.AdvanceTime(100);
    display.PumpMessages();
    EXPECT_EQ(Pos(bar), 60);
    display.MouseUp();
    display.PumpMessages();
    display.AdvanceTime(1000);
    display.PumpMessages();
    EXPECT_EQ(Pos(bar), 60);  // released: no more pages
    EXPECT_EQ(log, (Lines{H(TB_PAGEDOWN), H(TB_PAGEDOWN), H(TB_PAGEDOWN), H(TB_ENDTRACK)}));
}

TEST_F(TrackBar, CustomDrawAsksForTicsChannelAndThumbInOrder) {
    HWND bar = MakeBar(TBS_AUTOTICKS);
    recordDraw = true;
    customDraw = [](const NMCUSTOMDRAW& draw) -> LRESULT {
        if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        if (draw.dwDrawStage == CDDS_ITEMPREPAINT && draw.dwItemSpec == TBCD_THUMB) return CDRF_SKIPDEFAULT;
        if (draw.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYPOSTPAINT;
        return CDRF_DODEFAULT;
    };
    SendMessage(bar, TBM_SETPOS, 1, 50);
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(stages, (Lines{"prepaint", "itemprepaint 1", "itempostpaint 1", "itemprepaint 3", "itempostpaint 3",
                             "itemprepaint 2", "postpaint"}));
    // The skipped thumb left the channel showing where it would be.
    const RECT channel = Channel(bar);
    const test::ScreenShot shot;
    RECT client;
    GetClientRect(bar, &client);
    EXPECT_EQ(shot.ClientPixel(bar, client.right / 2, (channel.top + channel.bottom) / 2), GetSysColor(COLOR_WINDOW));
    // Without item notifications only the whole-control stages are asked about.
    stages.clear();
    customDraw = nullptr;
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(stages, (Lines{"prepaint"}));
}

TEST_F(TrackBar, ThumbAndTicsArePainted) {
    HWND bar = MakeBar(TBS_AUTOTICKS | TBS_BOTH, {20, 20, 260, 70});
    SendMessage(bar, TBM_SETTICFREQ, 25, 0);
    SendMessage(bar, TBM_SETPOS, 1, 30);
    HWND buddy = Make("Static", "0", SS_RIGHT, {0, 0, 16, 14}, 8);
    EXPECT_EQ(SendMessage(bar, TBM_SETBUDDY, 1, reinterpret_cast<LPARAM>(buddy)), 0);
    EXPECT_EQ(SendMessage(bar, TBM_GETBUDDY, 1, 0), reinterpret_cast<LRESULT>(buddy));
    EXPECT_EQ(test::WindowRect(buddy).right, test::WindowRect(bar).left);  // placed at the start
    display.PumpMessages();
    EXPECT_TRUE(SaveWindowPng(parent, ::testing::TempDir() + "trackbar.png"));
    const test::ScreenShot shot;
    const RECT thumb = Thumb(bar);
    // Raised thumb: light on its top-left, dark on its bottom-right.
    EXPECT_EQ(shot.ClientPixel(bar, thumb.left, thumb.top + 3), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(shot.ClientPixel(bar, thumb.left + 1, thumb.top + 3), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(shot.ClientPixel(bar, thumb.right - 1, thumb.top + 3), GetSysColor(COLOR_3DDKSHADOW));
    // Five tics (0, 25, 50, 75, 100) on each side.
    for (int i = 0; i < 3; ++i) {
        const int x = i == 0 ? static_cast<int>((Channel(bar).left + (thumb.right - thumb.left) / 2))
                             : static_cast<int>(SendMessage(bar, TBM_GETTICPOS, static_cast<WPARAM>(i - 1), 0));
        EXPECT_EQ(shot.ClientPixel(bar, x, thumb.bottom + 3), GetSysColor(COLOR_BTNTEXT)) << i;
        EXPECT_EQ(shot.ClientPixel(bar, x, thumb.top - 3), GetSysColor(COLOR_BTNTEXT)) << i;
        EXPECT_EQ(shot.ClientPixel(bar, x + 2, thumb.bottom + 3), GetSysColor(COLOR_3DFACE)) << i;
    }
}

}  // namespace
}  // namespace parch
