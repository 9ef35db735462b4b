// No peer program exists for the common controls here: the message sequences and answers
// pinned below are taken from Windows' public documentation of the status bar (SB_ messages,
// SBT_ types, NM_ notifications with NMMOUSE, WM_DRAWITEM for owner-drawn parts), recorded
// through the test parent.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "tests/platform/win/BarsTestSupport.h"

namespace parch {
namespace {

using test::Lines;

class StatusBar : public test::BarsTest {
protected:
    HWND MakeBar(DWORD style = 0, int id = 7) {
        HWND bar = Make(STATUSCLASSNAME, "", style, {0, 0, 50, 10}, id);
        display.PumpMessages();
        return bar;
    }
    void SetParts(HWND bar, std::vector<int> rights) {
        EXPECT_TRUE(SendMessage(bar, SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data())));
    }
    RECT PartRect(HWND bar, int part) {
        RECT r{};
        EXPECT_TRUE(SendMessage(bar, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&r)));
        return r;
    }
    RECT InParent(HWND h) {
        RECT r = test::WindowRect(h);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

TEST_F(StatusBar, PartsEndAtTheirRightEdgesAndMinusOneReachesTheBarsEdge) {
    HWND bar = MakeBar();
    EXPECT_EQ(SendMessage(bar, SB_GETPARTS, 0, 0), 1);  // one part from the start
    SetParts(bar, {120, 250, -1});
    int rights[4] = {0, 0, 0, 0};
    EXPECT_EQ(SendMessage(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(rights)), 3);
    EXPECT_EQ(rights[0], 120);
    EXPECT_EQ(rights[1], 250);
    EXPECT_EQ(rights[2], -1);
    EXPECT_EQ(rights[3], 0);  // beyond the parts: untouched
    EXPECT_EQ(SendMessage(bar, SB_GETPARTS, 0, 0), 3);

    int borders[3] = {-1, -1, -1};
    EXPECT_TRUE(SendMessage(bar, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders)));
    RECT client;
    GetClientRect(bar, &client);
    const RECT first = PartRect(bar, 0);
    const RECT second = PartRect(bar, 1);
    const RECT last = PartRect(bar, 2);
    EXPECT_EQ(first.left, borders[0]);
    EXPECT_EQ(first.right, 120);
    EXPECT_EQ(second.left, 120 + borders[2]);
    EXPECT_EQ(second.right, 250);
    EXPECT_EQ(last.left, 250 + borders[2]);
    EXPECT_EQ(last.right, client.right);
    EXPECT_EQ(first.top, borders[1]);
    EXPECT_EQ(first.bottom, client.bottom - borders[1]);
    RECT none{};
    EXPECT_FALSE(SendMessage(bar, SB_GETRECT, 3, reinterpret_cast<LPARAM>(&none)));
    EXPECT_FALSE(SendMessage(bar, SB_SETPARTS, 0, 0));  // no parts is refused, the old ones stay
    EXPECT_EQ(SendMessage(bar, SB_GETPARTS, 0, 0), 3);
}

TEST_F(StatusBar, TextsInBothFormsAnswerLengthAndType) {
    HWND bar = MakeBar();
    SetParts(bar, {100, 200, -1});
    EXPECT_TRUE(SendMessage(bar, SB_SETTEXTA, 0 | SBT_POPOUT, reinterpret_cast<LPARAM>("Ready")));
    const char16_t wide[] = u"Gr\u00F6\u00DFe";
    EXPECT_TRUE(SendMessage(bar, SB_SETTEXTW, 1 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(wide)));
    EXPECT_FALSE(SendMessage(bar, SB_SETTEXTA, 3, reinterpret_cast<LPARAM>("no such part")));

    EXPECT_EQ(SendMessage(bar, SB_GETTEXTLENGTHA, 0, 0), MAKELONG(5, SBT_POPOUT));
    char text[32] = {};
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text)), MAKELONG(5, SBT_POPOUT));
    EXPECT_STREQ(text, "Ready");
    // UTF-8 bytes in the A form, UTF-16 units in the W form.
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTLENGTHA, 1, 0), MAKELONG(7, SBT_NOBORDERS));
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTLENGTHW, 1, 0), MAKELONG(5, SBT_NOBORDERS));
    char16_t back[16] = {};
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(back)), MAKELONG(5, SBT_NOBORDERS));
    EXPECT_EQ(std::u16string(back), std::u16string(wide));
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTLENGTHA, 2, 0), 0);
    // WM_SETTEXT is the first part's text.
    SetWindowText(bar, "Done");
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text)), MAKELONG(4, 0));
    EXPECT_STREQ(text, "Done");
}

TEST_F(StatusBar, OwnerDrawnPartIsDrawnByTheParentWithItsValue) {
    HWND bar = MakeBar();
    SetParts(bar, {100, 200, -1});
    EXPECT_TRUE(SendMessage(bar, SB_SETTEXTA, 1 | SBT_OWNERDRAW, 1234));
    EXPECT_EQ(SendMessage(bar, SB_GETTEXTA, 1, 0), 1234);  // the value, not a length
    drawn.clear();
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_EQ(drawn.size(), 1u);
    const DRAWITEMSTRUCT& item = drawn[0];
    EXPECT_EQ(item.CtlType, 0u);
    EXPECT_EQ(item.CtlID, 7u);
    EXPECT_EQ(item.itemID, 1u);
    EXPECT_EQ(item.itemData, 1234u);
    EXPECT_EQ(item.hwndItem, bar);
    EXPECT_EQ(item.itemAction, ODA_DRAWENTIRE);
    const RECT part = PartRect(bar, 1);
    // Inside the part's sunken edge.
    EXPECT_EQ(item.rcItem.left, part.left + 1);
    EXPECT_EQ(item.rcItem.right, part.right - 1);
}

TEST_F(StatusBar, SimpleModeShowsOnePartOverTheWholeBar) {
    HWND bar = MakeBar();
    SetParts(bar, {100, 200, -1});
    SendMessage(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("part zero"));
    SendMessage(bar, SB_SIMPLE, 1, 0);
    EXPECT_EQ(SendMessage(bar, SB_ISSIMPLE, 0, 0), 1);
    EXPECT_TRUE(SendMessage(bar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>("Loading...")));
    char text[32] = {};
    SendMessage(bar, SB_GETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Loading...");
    RECT client;
    GetClientRect(bar, &client);
    EXPECT_EQ(PartRect(bar, 0).right, client.right);
    UINT_PTR item = 0;
    notify = [&](const NMHDR* h) -> std::optional<LRESULT> {
        if (h->code == NM_CLICK) item = reinterpret_cast<const NMMOUSE*>(h)->dwItemSpec;
        return std::nullopt;
    };
    ClickAt(bar, 50, client.bottom / 2);
    EXPECT_EQ(item, SB_SIMPLEID);
    // Leaving simple mode brings the parts and their texts back.
    SendMessage(bar, SB_SIMPLE, 0, 0);
    EXPECT_EQ(SendMessage(bar, SB_ISSIMPLE, 0, 0), 0);
    SendMessage(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "part zero");
    EXPECT_EQ(PartRect(bar, 0).right, 100);
}

TEST_F(StatusBar, MouseNotificationsCarryThePartHit) {
    HWND bar = MakeBar();
    SetParts(bar, {100, 200, -1});
    Lines heard;
    notify = [&](const NMHDR* h) -> std::optional<LRESULT> {
        const auto* mouse = reinterpret_cast<const NMMOUSE*>(h);
        heard.push_back(std::to_string(static_cast<int>(h->code)) + " part " + std::to_string(mouse->dwItemSpec) +
                        " at " + std::to_string(mouse->pt.x) + " from " + std::to_string(h->idFrom));
        return std::nullopt;
    };
    ClickAt(bar, 150, 5);
    ClickAt(bar, 20, 5);
    const POINT right = ScreenPointOf(bar, 300, 5);
    display.Click(right.x, right.y, HeadlessDisplay::Button::Right);
    display.PumpMessages();
    display.AdvanceTime(1000);
    const POINT twice = ScreenPointOf(bar, 30, 5);
    display.DoubleClick(twice.x, twice.y);
    display.PumpMessages();
    const std::string click = std::to_string(static_cast<int>(NM_CLICK));
    const std::string rclick = std::to_string(static_cast<int>(NM_RCLICK));
    const std::string dblclk = std::to_string(static_cast<int>(NM_DBLCLK));
    EXPECT_EQ(heard, (Lines{click + " part 1 at 150 from 7", click + " part 0 at 20 from 7",
                            rclick + " part 2 at 300 from 7", click + " part 0 at 30 from 7",
                            dblclk + " part 0 at 30 from 7", click + " part 0 at 30 from 7"}));
}

TEST_F(StatusBar, FollowsTheParentsSizeAlongTheChosenEdge) {
    HWND bottom = MakeBar(0, 1);
    HWND top = MakeBar(CCS_TOP, 2);
    HWND fixed = Make(STATUSCLASSNAME, "", CCS_NORESIZE | CCS_NOPARENTALIGN, {10, 100, 210, 140}, 3);
    RECT client;
    GetClientRect(parent, &client);
    const RECT b = InParent(bottom);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.right, client.right);
    EXPECT_EQ(b.bottom, client.bottom);
    const int height = b.bottom - b.top;
    EXPECT_GT(height, 15);
    EXPECT_EQ(InParent(top).top, 0);

    SetWindowPos(parent, nullptr, 0, 0, 500, 260, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(parent, &client);
    for (HWND bar : {bottom, top, fixed}) SendMessage(bar, WM_SIZE, 0, 0);  // the parent passes its WM_SIZE on
    EXPECT_EQ(InParent(bottom).bottom, client.bottom);
    EXPECT_EQ(InParent(bottom).right, client.right);
    EXPECT_EQ(InParent(bottom).bottom - InParent(bottom).top, height);
    EXPECT_EQ(InParent(top).right, client.right);
    EXPECT_EQ(InParent(fixed).left, 10);
    EXPECT_EQ(InParent(fixed).bottom, 140);

    // A taller minimum makes a taller bar.
    SendMessage(bottom, SB_SETMINHEIGHT, 40, 0);
    SendMessage(bottom, WM_SIZE, 0, 0);
    EXPECT_GE(InParent(bottom).bottom - InParent(bottom).top, 40);
}

TEST_F(StatusBar, TheGripSizesTheTopLevelWindowByItsCorner) {
    HWND bar = MakeBar(SBARS_SIZEGRIP);
    HWND plain = MakeBar(CCS_TOP, 2);
    RECT client;
    GetClientRect(bar, &client);
    const POINT corner = ScreenPointOf(bar, client.right - 3, client.bottom - 3);
    EXPECT_EQ(SendMessage(bar, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)), HTBOTTOMRIGHT);
    EXPECT_EQ(SendMessage(plain, WM_NCHITTEST, 0, MAKELPARAM(corner.x, ScreenPointOf(plain, 0, 3).y)), HTCLIENT);
    const POINT middle = ScreenPointOf(bar, 50, 5);
    EXPECT_EQ(SendMessage(bar, WM_NCHITTEST, 0, MAKELPARAM(middle.x, middle.y)), HTCLIENT);

    const RECT before = test::WindowRect(parent);
    duringSizeMove = [&] {
        display.MoveMouse(corner.x + 40, corner.y + 30);
        display.MouseUp();
    };
    display.MoveMouse(corner.x, corner.y);
    display.MouseDown();
    display.PumpMessages();
    duringSizeMove = nullptr;
    const RECT after = test::WindowRect(parent);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right + 40);
    EXPECT_EQ(after.bottom, before.bottom + 30);
}

TEST_F(StatusBar, ThreePanelsWithGripAndAChildInsideArePainted) {
    HWND bar = MakeBar(SBARS_SIZEGRIP | WS_CLIPCHILDREN);
    SetParts(bar, {120, 260, -1});
    SendMessage(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Ready"));
    SendMessage(bar, SB_SETTEXTA, 1 | SBT_POPOUT, reinterpret_cast<LPARAM>("\tPage 3"));
    SendMessage(bar, SB_SETTEXTA, 2 | SBT_NOBORDERS, reinterpret_cast<LPARAM>("right\t\tend"));
    const RECT inside = PartRect(bar, 1);
    HWND child = CreateWindowEx(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, inside.left + 4, inside.top + 2,
                                10, 6, bar, nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    display.PumpMessages();
    EXPECT_TRUE(SaveWindowPng(parent, ::testing::TempDir() + "statusbar.png"));

    const test::ScreenShot shot;
    const RECT first = PartRect(bar, 0);
    const RECT last = PartRect(bar, 2);
    RECT client;
    GetClientRect(bar, &client);
    // Sunken: shadow on the top-left, light on the bottom-right; raised the other way round.
    EXPECT_EQ(shot.ClientPixel(bar, first.left, first.top + 3), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(shot.ClientPixel(bar, first.right - 1, first.top + 3), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(shot.ClientPixel(bar, inside.left, inside.top + 3), GetSysColor(COLOR_3DHILIGHT));
    // No border for the last part.
    EXPECT_EQ(shot.ClientPixel(bar, last.left, last.top + 3), GetSysColor(COLOR_3DFACE));
    // Text in the parts: dark pixels at the first part's left and in the middle of the second.
    auto darkIn = [&](RECT r) {
        int dark = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) dark += GetGValue(shot.ClientPixel(bar, x, y)) < 128;
        return dark;
    };
    EXPECT_GT(darkIn({first.left + 2, first.top + 2, first.left + 40, first.bottom - 2}), 10);
    EXPECT_GT(darkIn({(inside.left + inside.right) / 2 - 25, inside.top + 2, (inside.left + inside.right) / 2 + 25,
                      inside.bottom - 2}),
              10);
    // The child sits over the part; the grip's lines in the corner.
    EXPECT_EQ(shot.ClientPixel(child, 2, 2), GetSysColor(COLOR_WINDOWFRAME));
    int gripShadow = 0;
    for (int y = client.bottom - 12; y < client.bottom; ++y)
        for (int x = client.right - 12; x < client.right; ++x)
            gripShadow += shot.ClientPixel(bar, x, y) == GetSysColor(COLOR_3DSHADOW);
    EXPECT_GT(gripShadow, 5);
    // The last part's text keeps clear of the grip: "end" stands left of it.
    const RECT grip{client.right - client.bottom, 0, client.right, client.bottom};
    EXPECT_GT(darkIn({grip.left - 25, last.top + 2, grip.left, last.bottom - 2}), 5);
}

}  // namespace
}  // namespace parch
