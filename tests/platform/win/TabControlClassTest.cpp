// The "SysTabControl32" class. No other implementation of the control runs here to compare
// with, so the expected answers and notification sequences below are written from the
// control's public documentation: TCM_ messages never notify; the user's choice sends
// TCN_SELCHANGING (a TRUE answer vetoes) and then TCN_SELCHANGE; TCM_ADJUSTRECT converts between
// window and display rectangles; a single row that overflows scrolls through an up-down
// control whose WM_HSCROLL names the first tab shown.

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "tests/platform/win/NotifyTestSupport.h"

namespace parch::tabcontroltest {
namespace {

using Lines = std::vector<std::string>;

class TabControl : public test::NotifyTest {
protected:
    void SetUp() override {
        NotifyTest::SetUp();
        codeNames = {{TCN_SELCHANGING, "SELCHANGING"}, {TCN_SELCHANGE, "SELCHANGE"}, {NM_CLICK, "NM_CLICK"},
                     {NM_RCLICK, "NM_RCLICK"}};
        ignored = {TCN_KEYDOWN, NM_RELEASEDCAPTURE};
    }

    HWND MakeTabs(DWORD style, int count, RECT r = {10, 10, 310, 210}) {
        tabs = Make("SysTabControl32", style, r);
        for (int i = 0; i < count; ++i) Insert(i, "Tab " + std::to_string(i));
        display.PumpMessages();
        Take();
        return tabs;
    }
    void Insert(int index, std::string text, int image = -1) {
        TCITEM item;
        item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
        item.pszText = text.data();
        item.lParam = 1000 + index;
        item.iImage = image;
        SendMessage(tabs, TCM_INSERTITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    RECT TabRect(int index) {
        RECT r{-1, -1, -1, -1};
        SendMessage(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        return r;
    }
    int Count() { return static_cast<int>(SendMessage(tabs, TCM_GETITEMCOUNT, 0, 0)); }
    int Current() { return static_cast<int>(SendMessage(tabs, TCM_GETCURSEL, 0, 0)); }
    HWND Arrows() { return FindWindowEx(tabs, nullptr, "msctls_updown32", nullptr); }
    void ClickTab(int index) {
        RECT r = TabRect(index);
        POINT p = ScreenPointOf(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        display.Click(p.x, p.y);
    }

    HWND tabs = nullptr;
};

TEST_F(TabControl, ItemsKeepTheirFieldsAndTheSelectionFollowsThem) {
    MakeTabs(0, 3);
    char16_t wide[] = u"\u00C9t\u00E9";
    TCITEMW w;
    w.mask = TCIF_TEXT;
    w.pszText = wide;
    EXPECT_EQ(SendMessage(tabs, TCM_INSERTITEMW, 1, reinterpret_cast<LPARAM>(&w)), 1);
    char buffer[32] = {};
    TCITEM item;
    item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_STATE;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    item.dwStateMask = TCIS_HIGHLIGHTED;
    SendMessage(tabs, TCM_HIGHLIGHTITEM, 1, MAKELONG(1, 0));
    ASSERT_TRUE(SendMessage(tabs, TCM_GETITEM, 1, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(buffer, "\xC3\x89t\xC3\xA9");
    EXPECT_EQ(item.dwState, TCIS_HIGHLIGHTED);
    SendMessage(tabs, TCM_GETITEM, 2, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(buffer, "Tab 1");
    EXPECT_EQ(item.lParam, 1001);

    EXPECT_EQ(Current(), -1);
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 3, 0), -1);
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 2, 0), 3);
    EXPECT_EQ(SendMessage(tabs, TCM_SETCURSEL, 9, 0), -1) << "out of range: refused";
    EXPECT_EQ(Current(), 2);
    SendMessage(tabs, TCM_DELETEITEM, 0, 0);
    EXPECT_EQ(Current(), 1) << "the selection follows its tab";
    SendMessage(tabs, TCM_DELETEITEM, 1, 0);
    EXPECT_EQ(Current(), -1);
    EXPECT_EQ(Take(), Lines{}) << "messages never notify";
    SendMessage(tabs, TCM_DELETEALLITEMS, 0, 0);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(SendMessage(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)), 0);
}

TEST_F(TabControl, TheUserChoiceIsAskedThenToldAndMayBeRefused) {
    MakeTabs(0, 4);
    SendMessage(tabs, TCM_SETCURSEL, 0, 0);
    ClickTab(2);
    EXPECT_EQ(Pump(), (Lines{"SELCHANGING", "SELCHANGE", "NM_CLICK"}));
    EXPECT_EQ(Current(), 2);
    ClickTab(2);
    EXPECT_EQ(Pump(), (Lines{"NM_CLICK"})) << "the selected tab again: nothing changes";

    answer = [](NMHDR& h) -> std::optional<LRESULT> { return h.code == TCN_SELCHANGING ? std::optional<LRESULT>(1) : std::nullopt; };
    ClickTab(1);
    EXPECT_EQ(Pump(), (Lines{"SELCHANGING", "NM_CLICK"}));
    EXPECT_EQ(Current(), 2);
    answer = nullptr;

    SetFocus(tabs);
    struct Case {
        UINT key;
        int current;
        Lines notes;
    };
    for (const Case& k : {Case{VK_LEFT, 1, {"SELCHANGING", "SELCHANGE"}}, Case{VK_RIGHT, 2, {"SELCHANGING", "SELCHANGE"}},
                          Case{VK_END, 3, {"SELCHANGING", "SELCHANGE"}}, Case{VK_RIGHT, 3, {}},
                          Case{VK_HOME, 0, {"SELCHANGING", "SELCHANGE"}}, Case{VK_LEFT, 0, {}}}) {
        display.PressKey(k.key);
        EXPECT_EQ(Pump(), k.notes) << k.key;
        EXPECT_EQ(Current(), k.current) << k.key;
    }
    display.KeyDown(VK_CONTROL);
    display.PressKey(VK_TAB);
    display.KeyUp(VK_CONTROL);
    EXPECT_EQ(Pump(), (Lines{"SELCHANGING", "SELCHANGE"}));
    EXPECT_EQ(Current(), 1);
}

TEST_F(TabControl, AdjustRectConvertsBothWaysOnEverySide) {
    for (DWORD side : {DWORD{0}, TCS_BOTTOM, TCS_VERTICAL, TCS_VERTICAL | TCS_RIGHT, TCS_BUTTONS}) {
        MakeTabs(side, 3);
        RECT window{0, 0, 300, 200};
        RECT display = window;
        SendMessage(tabs, TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&display));
        EXPECT_LT(display.right - display.left + display.bottom - display.top, 500) << side;
        RECT back = display;
        SendMessage(tabs, TCM_ADJUSTRECT, 1, reinterpret_cast<LPARAM>(&back));
        EXPECT_EQ(back.left, window.left) << side;
        EXPECT_EQ(back.top, window.top) << side;
        EXPECT_EQ(back.right, window.right) << side;
        EXPECT_EQ(back.bottom, window.bottom) << side;
        // The tabs lie outside the display area, on their side.
        RECT tab = TabRect(0), overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &tab, &display)) << side;
        DestroyWindow(tabs);
    }
}

// The display area of an extreme rectangle saturates at the ends of an int instead of wrapping.
TEST_F(TabControl, AdjustRectOfAnExtremeRectangleSaturates) {
    MakeTabs(0, 3);
    RECT window{0, 0, 300, 200};
    RECT display = window;
    SendMessage(tabs, TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&display));
    RECT whole{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    RECT larger = whole;
    SendMessage(tabs, TCM_ADJUSTRECT, 1, reinterpret_cast<LPARAM>(&larger));
    EXPECT_EQ(larger.left, INT_MIN);
    EXPECT_EQ(larger.top, INT_MIN);
    EXPECT_EQ(larger.right, INT_MAX);
    EXPECT_EQ(larger.bottom, INT_MAX);
    RECT smaller = whole;
    SendMessage(tabs, TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&smaller));
    EXPECT_EQ(smaller.left, INT_MIN + display.left);
    EXPECT_EQ(smaller.top, INT_MIN + display.top);
    EXPECT_EQ(smaller.right, INT_MAX - (window.right - display.right));
    EXPECT_EQ(smaller.bottom, INT_MAX - (window.bottom - display.bottom));
}

// Texts are kept as valid UTF-8; tabs ask no one for texts, so the callback marker is no text.
TEST_F(TabControl, TextsAreValidUtf8AndTheCallbackMarkerIsNoText) {
    static const char kBroken[] = "t\xC3 \xF0\x9F\x98 \xFF";
    MakeTabs(0, 0);
    TCITEMA narrow;
    narrow.mask = TCIF_TEXT;
    TCITEMW wide;
    wide.mask = TCIF_TEXT;
    struct Case {
        UINT message;
        void* item;
        char* narrowText;
        char16_t* wideText;
        std::string expected;
    };
    const Case cases[] = {{TCM_INSERTITEMA, &narrow, const_cast<char*>(kBroken), nullptr, ValidUtf8(kBroken)},
                          {TCM_INSERTITEMA, &narrow, LPSTR_TEXTCALLBACKA, nullptr, ""},
                          {TCM_INSERTITEMW, &wide, nullptr, LPSTR_TEXTCALLBACKW, ""}};
    for (const Case& c : cases) {
        narrow.pszText = c.narrowText;
        wide.pszText = c.wideText;
        ASSERT_EQ(SendMessage(tabs, c.message, 0, reinterpret_cast<LPARAM>(c.item)), 0);
        char buffer[64] = {};
        TCITEMA got;
        got.mask = TCIF_TEXT;
        got.pszText = buffer;
        got.cchTextMax = sizeof buffer;
        ASSERT_EQ(SendMessage(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&got)), 1);
        EXPECT_EQ(std::string(buffer), c.expected);
    }
}

TEST_F(TabControl, TabRectanglesAreNeverEmptyAndRowsAreCounted) {
    MakeTabs(TCS_MULTILINE, 0, RECT{10, 10, 200, 210});
    for (const char* text : {"", "A much longer tab text", "x", "", "Another long tab", "y"}) Insert(Count(), text);
    EXPECT_GT(SendMessage(tabs, TCM_GETROWCOUNT, 0, 0), 1);
    int height = 0;
    for (int i = 0; i < Count(); ++i) {
        RECT r = TabRect(i);
        EXPECT_GT(r.right - r.left, 0) << i;
        EXPECT_GT(r.bottom - r.top, 0) << i;
        height = r.bottom - r.top;
    }
    // Row of a tab by its height: every row counts from 1, none is 0.
    for (int i = 0; i < Count(); ++i) {
        RECT r = TabRect(i);
        int row = (height / 2 + r.bottom) / height;
        EXPECT_GE(row, 1) << i;
        EXPECT_LE(row, SendMessage(tabs, TCM_GETROWCOUNT, 0, 0)) << i;
    }
    // Even a control with no room at all keeps its tabs measurable.
    SetWindowPos(tabs, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
    RECT r = TabRect(0);
    EXPECT_FALSE(IsRectEmpty(&r));
    SendMessage(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(0, 0));
    SendMessage(tabs, TCM_SETPADDING, 0, MAKELPARAM(0, 0));
    SendMessage(tabs, TCM_SETMINTABWIDTH, 0, 0);
    r = TabRect(0);
    EXPECT_FALSE(IsRectEmpty(&r));
}

TEST_F(TabControl, FixedWidthAndItemSizeShapeTheTabs) {
    MakeTabs(TCS_FIXEDWIDTH, 3);
    EXPECT_EQ(SendMessage(tabs, TCM_SETITEMSIZE, 0, MAKELPARAM(70, 24)), 0);
    for (int i = 0; i < 3; ++i) {
        RECT r = TabRect(i);
        EXPECT_EQ(r.right - r.left, 70);
        EXPECT_EQ(r.bottom - r.top, 24);
    }
    EXPECT_EQ(TabRect(1).left, TabRect(0).right);
    TCHITTESTINFO hit;
    hit.pt = POINT{TabRect(1).left + 5, TabRect(1).top + 5};
    EXPECT_EQ(SendMessage(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
    EXPECT_EQ(hit.flags, TCHT_ONITEMLABEL);
    hit.pt = POINT{250, 150};
    EXPECT_EQ(SendMessage(tabs, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
    EXPECT_EQ(hit.flags, TCHT_NOWHERE);
}

TEST_F(TabControl, AnOverflowingRowScrollsThroughItsArrows) {
    MakeTabs(0, 12, RECT{10, 10, 260, 160});
    HWND arrows = Arrows();
    ASSERT_NE(arrows, nullptr);
    EXPECT_TRUE(GetWindowLongPtr(arrows, GWL_STYLE) & UDS_HORZ);
    RECT arrowsRect = test::WindowRect(arrows), tabsRect = test::WindowRect(tabs);
    EXPECT_EQ(arrowsRect.right, tabsRect.right) << "at the right end";
    int firstLeft = TabRect(0).left;

    // The adapters send the index themselves.
    SendMessage(tabs, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 3), 0);
    EXPECT_EQ(TabRect(3).left, firstLeft);
    EXPECT_LT(TabRect(0).right, TabRect(3).left);
    SendMessage(tabs, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 500), 0);
    RECT last = TabRect(11);
    EXPECT_LE(last.right, arrowsRect.left - tabsRect.left) << "scrolled no further than the last tab needs";

    // The arrows' own click scrolls by one.
    SendMessage(tabs, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    display.PumpMessages();
    POINT right{arrowsRect.right - 4, (arrowsRect.top + arrowsRect.bottom) / 2};
    display.Click(right.x, right.y);
    display.PumpMessages();
    EXPECT_EQ(TabRect(1).left, firstLeft);
    SaveScreen("tab-overflow.png");

    test::ScreenShot shot;
    // The arrows are drawn as scroll-bar buttons: face colour around a dark glyph.
    int dark = 0;
    for (int x = arrowsRect.left; x < arrowsRect.right; ++x)
        for (int y = arrowsRect.top; y < arrowsRect.bottom; ++y) dark += shot.Pixel(x, y) == GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(dark, 6);

    // Room enough: the arrows go and the first tab shows again.
    SetWindowPos(tabs, nullptr, 0, 0, 1500, 150, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Arrows(), nullptr);
    EXPECT_EQ(TabRect(0).left, firstLeft);
}

TEST_F(TabControl, DrawsTabShapesAndOwnerDrawnTabs) {
    MakeTabs(0, 3);
    SendMessage(tabs, TCM_SETCURSEL, 1, 0);
    display.PumpMessages();
    test::ScreenShot shot;
    RECT selected = TabRect(1), other = TabRect(0);
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    // The selected tab stands higher than its neighbours: its top edge is two rows above theirs.
    EXPECT_EQ(shot.ClientPixel(tabs, (selected.left + selected.right) / 2, selected.top - 2), light);
    EXPECT_EQ(shot.ClientPixel(tabs, (other.left + other.right) / 2, other.top), light);
    EXPECT_NE(shot.ClientPixel(tabs, (other.left + other.right) / 2, other.top - 2), light);
    // The display area's frame, with the selected tab open onto it.
    RECT frame{0, 0, 300, 200};
    SendMessage(tabs, TCM_ADJUSTRECT, 0, reinterpret_cast<LPARAM>(&frame));
    EXPECT_EQ(shot.ClientPixel(tabs, (other.left + other.right) / 2, frame.top - 2), light);
    EXPECT_NE(shot.ClientPixel(tabs, (selected.left + selected.right) / 2, frame.top - 2), light);
    DestroyWindow(tabs);

    MakeTabs(TCS_OWNERDRAWFIXED, 2);
    SendMessage(tabs, TCM_SETCURSEL, 0, 0);
    drawn.clear();
    UpdateWindow(tabs);
    display.PumpMessages();
    ASSERT_GE(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].CtlType, ODT_TAB);
    EXPECT_EQ(drawn[0].itemData, 1001u);
    EXPECT_EQ(drawn[1].itemID, 0u) << "the selected tab is drawn last";
    EXPECT_EQ(drawn[1].itemState & ODS_SELECTED, ODS_SELECTED);
}

}  // namespace
}  // namespace parch::tabcontroltest
