// No peer program exists for the common controls here: the message sequences and answers
// pinned below are taken from Windows' public documentation of the tool bar (TB_ messages,
// TBBUTTON and TBBUTTONINFO, BTNS_ and TBSTATE_ flags, NM_CLICK then WM_COMMAND on a release
// inside, TBN_DROPDOWN with its TBDDRET_ answers, the NMTBCUSTOMDRAW stages), recorded through
// the test parent.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "tests/platform/win/BarsTestSupport.h"

namespace parch {
namespace {

using test::Lines;

enum Command { kNew = 101, kOpen, kBold, kLeft, kRight, kDrop, kOff };

class ToolBar : public test::BarsTest {
protected:
    void TearDown() override {
        if (images) ImageList_Destroy(images);
        BarsTest::TearDown();
    }

    HWND MakeBar(DWORD style = TBSTYLE_FLAT, bool texts = false) {
        HWND bar = Make(TOOLBARCLASSNAME, "", style, {0, 0, 10, 10}, 4);
        SendMessage(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        images = ImageList_Create(16, 16, ILC_COLOR32, 4, 0);
        const COLORREF colors[] = {RGB(200, 0, 0), RGB(0, 150, 0), RGB(0, 0, 200), RGB(200, 150, 0)};
        for (COLORREF c : colors) {
            HICON icon = test::MakeSolidIcon(16, 16, c);
            ImageList_AddIcon(images, icon);
            DestroyIcon(icon);
        }
        SendMessage(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
        auto text = [&](const char* t) { return texts ? reinterpret_cast<INT_PTR>(t) : INT_PTR{-1}; };
        TBBUTTON buttons[] = {
            {0, kNew, TBSTATE_ENABLED, BTNS_BUTTON, {}, 11, text("New")},
            {1, kOpen, TBSTATE_ENABLED, BTNS_BUTTON, {}, 12, text("Open")},
            {8, 0, 0, BTNS_SEP, {}, 0, -1},
            {2, kBold, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, text("Bold")},
            {3, kLeft, TBSTATE_ENABLED | TBSTATE_CHECKED, BTNS_CHECKGROUP, {}, 0, text("Left")},
            {0, kRight, TBSTATE_ENABLED, BTNS_CHECKGROUP, {}, 0, text("Right")},
            {1, kDrop, TBSTATE_ENABLED, BTNS_DROPDOWN, {}, 0, text("Drop")},
            {2, kOff, 0, BTNS_BUTTON, {}, 0, text("Off")},
        };
        EXPECT_TRUE(SendMessage(bar, TB_ADDBUTTONSA, std::size(buttons), reinterpret_cast<LPARAM>(buttons)));
        SendMessage(bar, TB_AUTOSIZE, 0, 0);
        display.PumpMessages();
        log.clear();
        notes.clear();
        return bar;
    }
    RECT Item(HWND bar, int index) {
        RECT r{};
        EXPECT_TRUE(SendMessage(bar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)));
        return r;
    }
    POINT Centre(HWND bar, int index) {
        const RECT r = Item(bar, index);
        return ScreenPointOf(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void ClickButton(HWND bar, int index) {
        const POINT p = Centre(bar, index);
        display.Click(p.x, p.y);
        display.PumpMessages();
        display.AdvanceTime(1000);
    }
    LRESULT State(HWND bar, int command) { return SendMessage(bar, TB_GETSTATE, static_cast<WPARAM>(command), 0); }
    std::string Command(int id) { return "command " + std::to_string(id) + " code 0"; }

    HIMAGELIST images = nullptr;
};

TEST_F(ToolBar, ButtonsAreAddedReadAndFoundByCommand) {
    HWND bar = MakeBar(TBSTYLE_FLAT, true);
    EXPECT_EQ(SendMessage(bar, TB_BUTTONCOUNT, 0, 0), 8);
    EXPECT_EQ(SendMessage(bar, TB_COMMANDTOINDEX, kBold, 0), 3);
    EXPECT_EQ(SendMessage(bar, TB_COMMANDTOINDEX, 999, 0), -1);
    TBBUTTON got;
    EXPECT_TRUE(SendMessage(bar, TB_GETBUTTON, 1, reinterpret_cast<LPARAM>(&got)));
    EXPECT_EQ(got.idCommand, kOpen);
    EXPECT_EQ(got.iBitmap, 1);
    EXPECT_EQ(got.dwData, 12u);
    EXPECT_STREQ(reinterpret_cast<const char*>(got.iString), "Open");
    EXPECT_FALSE(SendMessage(bar, TB_GETBUTTON, 8, reinterpret_cast<LPARAM>(&got)));

    // A null buffer answers the length; the W form counts UTF-16 units.
    EXPECT_EQ(SendMessage(bar, TB_GETBUTTONTEXTA, kOpen, 0), 4);
    char text[16] = {};
    EXPECT_EQ(SendMessage(bar, TB_GETBUTTONTEXTA, kOpen, reinterpret_cast<LPARAM>(text)), 4);
    EXPECT_STREQ(text, "Open");
    EXPECT_EQ(SendMessage(bar, TB_GETBUTTONTEXTA, 999, 0), -1);
    TBBUTTONINFOW wide;
    wide.dwMask = TBIF_TEXT;
    char16_t newText[] = u"\u00D6ffnen";
    wide.pszText = newText;
    EXPECT_TRUE(SendMessage(bar, TB_SETBUTTONINFOW, kOpen, reinterpret_cast<LPARAM>(&wide)));
    EXPECT_EQ(SendMessage(bar, TB_GETBUTTONTEXTW, kOpen, 0), 6);
    EXPECT_EQ(SendMessage(bar, TB_GETBUTTONTEXTA, kOpen, 0), 7);
    char16_t back[16] = {};
    SendMessage(bar, TB_GETBUTTONTEXTW, kOpen, reinterpret_cast<LPARAM>(back));
    EXPECT_EQ(std::u16string(back), std::u16string(newText));

    TBBUTTONINFOA info;
    info.dwMask = TBIF_IMAGE | TBIF_STATE | TBIF_STYLE | TBIF_LPARAM | TBIF_TEXT | TBIF_COMMAND;
    char buffer[3] = {};
    info.pszText = buffer;
    info.cchText = sizeof buffer;
    EXPECT_EQ(SendMessage(bar, TB_GETBUTTONINFOA, kNew, reinterpret_cast<LPARAM>(&info)), 0);  // the index
    EXPECT_EQ(info.idCommand, kNew);
    EXPECT_EQ(info.lParam, 11u);
    EXPECT_STREQ(buffer, "Ne");  // cut to the buffer
    info.dwMask = TBIF_BYINDEX | TBIF_COMMAND;
    EXPECT_EQ(SendMessage(bar, TB_GETBUTTONINFOA, 3, reinterpret_cast<LPARAM>(&info)), 3);
    EXPECT_EQ(info.idCommand, kBold);
    EXPECT_EQ(SendMessage(bar, TB_GETBUTTONINFOA, 999, reinterpret_cast<LPARAM>(&info)), -1);

    TBBUTTON inserted{0, 200, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>("Ins")};
    EXPECT_TRUE(SendMessage(bar, TB_INSERTBUTTONA, 1, reinterpret_cast<LPARAM>(&inserted)));
    EXPECT_EQ(SendMessage(bar, TB_COMMANDTOINDEX, 200, 0), 1);
    EXPECT_EQ(SendMessage(bar, TB_COMMANDTOINDEX, kOpen, 0), 2);
    EXPECT_TRUE(SendMessage(bar, TB_DELETEBUTTON, 1, 0));
    EXPECT_FALSE(SendMessage(bar, TB_DELETEBUTTON, 50, 0));
    EXPECT_EQ(SendMessage(bar, TB_BUTTONCOUNT, 0, 0), 8);
    EXPECT_EQ(SendMessage(bar, TB_GETIMAGELIST, 0, 0), reinterpret_cast<LRESULT>(images));
}

TEST_F(ToolBar, StatesAreSetAndAsked) {
    HWND bar = MakeBar();
    EXPECT_EQ(State(bar, kLeft), TBSTATE_ENABLED | TBSTATE_CHECKED);
    EXPECT_EQ(State(bar, 999), -1);
    EXPECT_TRUE(SendMessage(bar, TB_ENABLEBUTTON, kNew, 0));
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONENABLED, kNew, 0), 0);
    SendMessage(bar, TB_CHECKBUTTON, kBold, 1);
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONCHECKED, kBold, 0), 0);
    SendMessage(bar, TB_PRESSBUTTON, kOpen, 1);
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONPRESSED, kOpen, 0), 0);
    SendMessage(bar, TB_INDETERMINATE, kOpen, 1);
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONINDETERMINATE, kOpen, 0), 0);
    // Checking a group button unchecks the rest of its group.
    SendMessage(bar, TB_CHECKBUTTON, kRight, 1);
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONCHECKED, kLeft, 0), 0);
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONCHECKED, kRight, 0), 0);
    // A hidden button takes no room.
    const RECT before = Item(bar, 3);
    SendMessage(bar, TB_HIDEBUTTON, kOpen, 1);
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONHIDDEN, kOpen, 0), 0);
    EXPECT_LT(Item(bar, 3).left, before.left);
    SendMessage(bar, TB_SETSTATE, kOpen, TBSTATE_ENABLED);
    EXPECT_EQ(Item(bar, 3).left, before.left);
}

TEST_F(ToolBar, AClickReleasedInsideTellsClickThenCommandAndToggles) {
    HWND bar = MakeBar();
    Lines heard;
    notify = [&](const NMHDR* h) -> std::optional<LRESULT> {
        if (h->code == NM_CLICK) {
            const auto* m = reinterpret_cast<const NMMOUSE*>(h);
            log.push_back("click " + std::to_string(static_cast<long long>(m->dwItemSpec)) + " data " +
                          std::to_string(m->dwItemData));
        }
        return std::nullopt;
    };
    ClickButton(bar, 0);
    EXPECT_EQ(log, (Lines{"click " + std::to_string(kNew) + " data 11", Command(kNew)}));
    log.clear();
    ClickButton(bar, 3);  // check: on, then off
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONCHECKED, kBold, 0), 0);
    ClickButton(bar, 3);
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONCHECKED, kBold, 0), 0);
    ClickButton(bar, 5);  // group: right on, left off; again: stays on
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONCHECKED, kRight, 0), 0);
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONCHECKED, kLeft, 0), 0);
    ClickButton(bar, 5);
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONCHECKED, kRight, 0), 0);
    log.clear();
    ClickButton(bar, 7);  // disabled: nothing
    EXPECT_TRUE(log.empty());

    // Pressed while held, released outside: no command, no state left behind.
    const POINT p = Centre(bar, 1);
    display.MoveMouse(p.x, p.y);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_EQ(GetCapture(), bar);
    EXPECT_NE(SendMessage(bar, TB_ISBUTTONPRESSED, kOpen, 0), 0);
    display.MoveMouse(p.x, p.y + 200);
    display.PumpMessages();
    EXPECT_EQ(SendMessage(bar, TB_ISBUTTONPRESSED, kOpen, 0), 0);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(ToolBar, TheDropDownArrowAsksTheParentAndFollowsItsAnswer) {
    struct Case {
        LRESULT answer;
        bool split;
        bool onArrow;
        Lines expected;
    };
    const std::string drop = "dropdown " + std::to_string(kDrop);
    const Case cases[] = {
        {TBDDRET_DEFAULT, true, true, {drop}},
        {TBDDRET_NODEFAULT, true, true, {drop}},
        {TBDDRET_TREATPRESSED, true, true, {drop, Command(kDrop)}},
        {TBDDRET_DEFAULT, true, false, {Command(kDrop)}},  // the button part is a button
        {TBDDRET_DEFAULT, false, false, {drop}},             // without split arrows all of it drops
    };
    for (const Case& c : cases) {
        HWND bar = MakeBar();
        if (c.split) {
            EXPECT_EQ(SendMessage(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS), 0);
        }
        bool pressedDuring = false;
        notify = [&](const NMHDR* h) -> std::optional<LRESULT> {
            if (h->code != TBN_DROPDOWN) return std::nullopt;
            const auto* note = reinterpret_cast<const NMTOOLBAR*>(h);
            log.push_back("dropdown " + std::to_string(note->iItem));
            pressedDuring = SendMessage(bar, TB_ISBUTTONPRESSED, kDrop, 0) != 0;
            return c.answer;
        };
        const RECT r = Item(bar, 6);
        const POINT p = ScreenPointOf(bar, c.onArrow ? r.right - 4 : r.left + 4, (r.top + r.bottom) / 2);
        display.Click(p.x, p.y);
        display.PumpMessages();
        display.AdvanceTime(1000);
        EXPECT_EQ(log, c.expected) << c.answer << c.split << c.onArrow;
        if (c.expected.front() == drop) {
            EXPECT_TRUE(pressedDuring);
        }
        EXPECT_EQ(SendMessage(bar, TB_ISBUTTONPRESSED, kDrop, 0), 0);
        notify = nullptr;
        DestroyWindow(bar);
        log.clear();
    }
}

TEST_F(ToolBar, FlatBarsTrackTheHotButtonButNeverADisabledOne) {
    HWND bar = MakeBar();
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), -1);
    POINT p = Centre(bar, 1);
    display.MoveMouse(p.x, p.y);
    display.PumpMessages();
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), 1);
    p = Centre(bar, 7);
    display.MoveMouse(p.x, p.y);
    display.PumpMessages();
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), -1);
    p = Centre(bar, 0);
    display.MoveMouse(p.x, p.y);
    display.PumpMessages();
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), 0);
    display.MoveMouse(p.x, p.y + 250);  // out of the bar: WM_MOUSELEAVE
    display.PumpMessages();
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), -1);
    EXPECT_EQ(SendMessage(bar, TB_SETHOTITEM, 3, 0), -1);
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), 3);
    SendMessage(bar, TB_SETHOTITEM, 7, 0);
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), -1);

    POINT inside{Item(bar, 4).left + 2, Item(bar, 4).top + 2};
    EXPECT_EQ(SendMessage(bar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&inside)), 4);
    POINT onSeparator{Item(bar, 2).left + 1, Item(bar, 2).top + 2};
    EXPECT_EQ(SendMessage(bar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&onSeparator)), -2);
    POINT nowhere{390, 3};
    EXPECT_LT(SendMessage(bar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&nowhere)), 0);
}

TEST_F(ToolBar, ANarrowWrapableBarWrapsIntoRows) {
    HWND bar = MakeBar(TBSTYLE_FLAT | TBSTYLE_WRAPABLE | CCS_NORESIZE | CCS_NOPARENTALIGN);
    SetWindowPos(bar, nullptr, 0, 0, 390, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(SendMessage(bar, TB_GETROWS, 0, 0), 1);
    const SIZE button{LOWORD(SendMessage(bar, TB_GETBUTTONSIZE, 0, 0)), HIWORD(SendMessage(bar, TB_GETBUTTONSIZE, 0, 0))};
    // Room for three buttons in a row.
    SetWindowPos(bar, nullptr, 0, 0, button.cx * 3 + 4, 200, SWP_NOMOVE | SWP_NOZORDER);
    const LRESULT rows = SendMessage(bar, TB_GETROWS, 0, 0);
    EXPECT_GE(rows, 3);
    RECT client;
    GetClientRect(bar, &client);
    int wrapped = 0;
    for (int i = 0; i < 8; ++i) {
        const RECT r = Item(bar, i);
        EXPECT_LE(r.right, client.right) << i;
        if (i > 0 && r.top > Item(bar, i - 1).top) {
            EXPECT_EQ(r.left, 0) << i;
            TBBUTTON b;
            SendMessage(bar, TB_GETBUTTON, static_cast<WPARAM>(i - 1), reinterpret_cast<LPARAM>(&b));
            EXPECT_TRUE(b.fsState & TBSTATE_WRAP) << i;
            ++wrapped;
        }
    }
    EXPECT_EQ(wrapped, rows - 1);
    // Wide again: one row, no wrap marks.
    SetWindowPos(bar, nullptr, 0, 0, 390, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(SendMessage(bar, TB_GETROWS, 0, 0), 1);
    // TBSTATE_WRAP given by hand ends a row on a bar that does not wrap by itself.
    HWND fixed = MakeBar(TBSTYLE_FLAT);
    SendMessage(fixed, TB_SETSTATE, kOpen, TBSTATE_ENABLED | TBSTATE_WRAP);
    EXPECT_EQ(SendMessage(fixed, TB_GETROWS, 0, 0), 2);
    EXPECT_EQ(Item(fixed, 2).left, 0);
    EXPECT_GT(Item(fixed, 2).top, Item(fixed, 1).top);
    SendMessage(fixed, TB_AUTOSIZE, 0, 0);
    EXPECT_GE(test::WindowRect(fixed).bottom - test::WindowRect(fixed).top, 2 * button.cy);
}

TEST_F(ToolBar, CustomDrawStagesPerButtonAndTheirAnswers) {
    HWND bar = MakeBar();
    recordDraw = true;
    std::vector<UINT> states;
    customDraw = [&](const NMCUSTOMDRAW& draw) -> LRESULT {
        if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        if (draw.dwDrawStage == CDDS_ITEMPREPAINT) {
            states.push_back(draw.uItemState);
            if (draw.dwItemSpec == kNew) return CDRF_SKIPDEFAULT;
            if (draw.dwItemSpec == kOpen) return CDRF_NOTIFYPOSTPAINT;
        }
        return CDRF_DODEFAULT;
    };
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    auto item = [](int id) { return "itemprepaint " + std::to_string(id); };
    EXPECT_EQ(stages, (Lines{"prepaint", item(kNew), item(kOpen), "itempostpaint " + std::to_string(kOpen), item(kBold),
                             item(kLeft), item(kRight), item(kDrop), item(kOff), "postpaint"}));
    ASSERT_EQ(states.size(), 7u);
    EXPECT_EQ(states[3], static_cast<UINT>(CDIS_CHECKED));
    EXPECT_EQ(states[6], static_cast<UINT>(CDIS_DISABLED));
    // The skipped button shows the bar's face only.
    const RECT r = Item(bar, 0);
    const test::ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2), GetSysColor(COLOR_3DFACE));
    EXPECT_EQ(shot.ClientPixel(bar, (Item(bar, 1).left + Item(bar, 1).right) / 2, (r.top + r.bottom) / 2),
              RGB(0, 150, 0));
}

TEST_F(ToolBar, HotPressedCheckedAndDisabledLooks) {
    HWND bar = MakeBar(TBSTYLE_FLAT, true);
    SendMessage(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessage(bar, TB_AUTOSIZE, 0, 0);
    const POINT hot = Centre(bar, 1);
    display.MoveMouse(hot.x, hot.y);
    display.PumpMessages();
    SendMessage(bar, TB_PRESSBUTTON, kBold, 1);
    display.PumpMessages();
    EXPECT_TRUE(SaveWindowPng(parent, ::testing::TempDir() + "toolbar.png"));
    const test::ScreenShot shot;
    auto at = [&](int index, int dx, int dy) {
        const RECT r = Item(bar, index);
        return shot.ClientPixel(bar, r.left + dx, r.top + dy);
    };
    const COLORREF face = GetSysColor(COLOR_3DFACE);
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT);
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW);
    EXPECT_EQ(at(0, 0, 5), face);     // a flat button at rest has no edge
    EXPECT_EQ(at(1, 0, 5), light);    // hot: raised, light on the left
    EXPECT_EQ(at(3, 0, 5), shadow);   // pressed: sunken
    EXPECT_EQ(at(4, 0, 5), shadow);   // checked: sunken
    EXPECT_EQ(at(4, 3, 3), light);    // over a light face
    // The icons: red at rest, the hot one green, the disabled one embossed in grey.
    const RECT first = Item(bar, 0);
    EXPECT_EQ(at(0, (first.right - first.left) / 2, 8), RGB(200, 0, 0));
    const RECT off = Item(bar, 7);
    bool grey = false;
    bool blue = false;
    for (int y = off.top; y < off.bottom; ++y)
        for (int x = off.left; x < off.right; ++x) {
            const COLORREF c = shot.ClientPixel(bar, x, y);
            grey |= c == shadow;
            blue |= c == RGB(0, 0, 200);
        }
    EXPECT_TRUE(grey);
    EXPECT_FALSE(blue);
}

}  // namespace
}  // namespace parch
