// The "SysHeader32" class. No other implementation of the control runs here to compare with:
// the expected HDN_ sequences (divider tracking with and without full dragging, item clicks,
// drag and drop of items) and the answers the parent may give are written from the control's
// public documentation and recorded with the message recorder's parent.

#include <climits>

#include <gtest/gtest.h>

#include "tests/platform/win/ListViewTestSupport.h"

namespace parch::headertest {
namespace {

using test::Lines;

std::string Describe(NMHDR* hdr) {
    auto* nm = reinterpret_cast<NMHEADER*>(hdr);
    std::string line = test::NotifyName(hdr->code) + " " + std::to_string(nm->iItem);
    if (nm->pitem && (nm->pitem->mask & HDI_WIDTH)) line += " w" + std::to_string(nm->pitem->cxy);
    if (nm->pitem && (nm->pitem->mask & HDI_ORDER)) line += " o" + std::to_string(nm->pitem->iOrder);
    return line;
}

class Header : public test::ListViewNotifyTest {
protected:
    void SetUp() override {
        ListViewNotifyTest::SetUp();
        describe = Describe;
        quiet = {NM_CUSTOMDRAW};
    }
    HWND Make(DWORD style, std::initializer_list<int> widths = {100, 80, 60}) {
        HWND h = CreateWindowEx(0, "SysHeader32", "", WS_CHILD | WS_VISIBLE | style, 10, 10, 360, 24, parent,
                                reinterpret_cast<HMENU>(3), nullptr, nullptr);
        int i = 0;
        for (int w : widths) {
            std::string text = "Column " + std::to_string(i);
            HDITEM item;
            item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | HDI_LPARAM;
            item.pszText = text.data();
            item.cxy = w;
            item.fmt = HDF_STRING;
            item.lParam = 100 + i;
            SendMessage(h, HDM_INSERTITEM, static_cast<WPARAM>(i++), reinterpret_cast<LPARAM>(&item));
        }
        display.PumpMessages();
        log.clear();
        return h;
    }
    static int Width(HWND h, int index) {
        HDITEM item;
        item.mask = HDI_WIDTH;
        SendMessage(h, HDM_GETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return item.cxy;
    }
    static std::vector<int> Order(HWND h) {
        std::vector<int> order(static_cast<std::size_t>(SendMessage(h, HDM_GETITEMCOUNT, 0, 0)));
        SendMessage(h, HDM_GETORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data()));
        return order;
    }
};

TEST_F(Header, ItemsKeepTheirFieldsAndTheirDisplayOrder) {
    HWND h = Make(HDS_BUTTONS);
    EXPECT_EQ(SendMessage(h, HDM_GETITEMCOUNT, 0, 0), 3);
    HDITEM item;
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_ORDER;
    item.pszText = const_cast<char*>("first");
    item.cxy = 40;
    item.iOrder = 2;
    EXPECT_EQ(SendMessage(h, HDM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(Order(h), (std::vector<int>{1, 2, 0, 3}));
    EXPECT_EQ(SendMessage(h, HDM_ORDERTOINDEX, 2, 0), 0);
    RECT r;
    ASSERT_TRUE(SendMessage(h, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)));
    EXPECT_EQ(r.left, 180);
    EXPECT_EQ(r.right, 220);
    int bad[4] = {0, 0, 1, 2};
    EXPECT_FALSE(SendMessage(h, HDM_SETORDERARRAY, 4, reinterpret_cast<LPARAM>(bad)));
    EXPECT_TRUE(SendMessage(h, HDM_DELETEITEM, 0, 0));
    EXPECT_EQ(Order(h), (std::vector<int>{0, 1, 2}));

    char buffer[64];
    HDITEM get;
    get.mask = HDI_TEXT | HDI_LPARAM | HDI_FORMAT;
    get.pszText = buffer;
    get.cchTextMax = sizeof buffer;
    ASSERT_TRUE(SendMessage(h, HDM_GETITEM, 1, reinterpret_cast<LPARAM>(&get)));
    EXPECT_STREQ(buffer, "Column 1");
    EXPECT_EQ(get.lParam, 101);
    EXPECT_FALSE(SendMessage(h, HDM_GETITEM, 7, reinterpret_cast<LPARAM>(&get)));

    // A 129-byte buffer never ends in half a character.
    std::string title(127, 'x');
    title += "\xE2\x82\xAC";
    HDITEM set;
    set.mask = HDI_TEXT;
    set.pszText = title.data();
    SendMessage(h, HDM_SETITEM, 0, reinterpret_cast<LPARAM>(&set));
    log.clear();
    char small[129];
    get.mask = HDI_TEXT;
    get.pszText = small;
    get.cchTextMax = sizeof small;
    SendMessage(h, HDM_GETITEM, 0, reinterpret_cast<LPARAM>(&get));
    EXPECT_EQ(std::string(small), std::string(127, 'x'));

    RECT area{0, 0, 300, 200};
    WINDOWPOS pos;
    HDLAYOUT layout{&area, &pos};
    ASSERT_TRUE(SendMessage(h, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout)));
    EXPECT_GT(pos.cy, 10);
    EXPECT_EQ(area.top, pos.cy);
    EXPECT_EQ(pos.cx, 300);
}

TEST_F(Header, HitTestsTellHeadersDividersAndOpenings) {
    HWND h = Make(HDS_BUTTONS, {100, 0, 60});
    struct Case {
        POINT pt;
        UINT flags;
        int item;
    };
    for (const Case& c : {Case{{50, 10}, HHT_ONHEADER, 0}, Case{{98, 10}, HHT_ONDIVIDER, 0}, Case{{101, 10}, HHT_ONDIVOPEN, 1},
                          Case{{130, 10}, HHT_ONHEADER, 2}, Case{{300, 10}, HHT_NOWHERE, -1}, Case{{-5, 10}, HHT_TOLEFT, -1},
                          Case{{50, 40}, HHT_BELOW, -1}}) {
        HDHITTESTINFO info;
        info.pt = c.pt;
        EXPECT_EQ(SendMessage(h, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), c.item) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(info.flags, c.flags) << c.pt.x << "," << c.pt.y;
    }
}

TEST_F(Header, DraggingADividerTracksWithTheParentsConsent) {
    struct Case {
        DWORD style;
        Lines expected;
        int width;
    };
    // Mouse moves queued together arrive as one, so each case sees one move.
    for (const Case& c : {
             Case{0, {"HDN_BEGINTRACK 0 w100", "HDN_TRACK 0 w120", "HDN_ENDTRACK 0 w120", "HDN_ITEMCHANGING 0 w120", "HDN_ITEMCHANGED 0 w120"}, 120},
             Case{HDS_FULLDRAG, {"HDN_BEGINTRACK 0 w100", "HDN_ITEMCHANGING 0 w120", "HDN_ITEMCHANGED 0 w120", "HDN_ENDTRACK 0 w120"}, 120},
         }) {
        HWND h = Make(HDS_BUTTONS | c.style);
        display.Drag(ScreenPointOf(h, POINT{100, 10}), ScreenPointOf(h, POINT{120, 10}), 2);
        EXPECT_EQ(Pump(), c.expected) << c.style;
        EXPECT_EQ(Width(h, 0), c.width);
        DestroyWindow(h);
    }
    HWND h = Make(HDS_BUTTONS);
    answers[HDN_BEGINTRACK] = [](NMHDR*) { return LRESULT{1}; };
    display.Drag(ScreenPointOf(h, POINT{100, 10}), ScreenPointOf(h, POINT{130, 10}), 2);
    EXPECT_EQ(Pump(), (Lines{"HDN_BEGINTRACK 0 w100"}));
    EXPECT_EQ(Width(h, 0), 100);
    answers[HDN_BEGINTRACK] = [](NMHDR*) { return LRESULT{0}; };
    answers[HDN_ITEMCHANGING] = [](NMHDR*) { return LRESULT{1}; };
    display.Drag(ScreenPointOf(h, POINT{100, 10}), ScreenPointOf(h, POINT{130, 10}), 2);
    Pump();
    EXPECT_EQ(Width(h, 0), 100) << "the change was vetoed";
}

// The parent may delete the items or destroy the header while it is told of a change or asked
// how to draw: the header then stops, with no item or memory of the old state touched.
TEST_F(Header, TheParentMayEmptyOrDestroyItFromInsideItsNotifications) {
    enum class Then { Empty, Destroy };
    struct Case {
        const char* what;
        UINT code;
        DWORD style;
        Then then;
    };
    const Case cases[] = {
        {"set while changing", HDN_ITEMCHANGING, 0, Then::Empty},
        {"set while changing", HDN_ITEMCHANGING, 0, Then::Destroy},
        {"tracked", HDN_BEGINTRACK, 0, Then::Empty},
        {"tracked with full drag", HDN_BEGINTRACK, HDS_FULLDRAG, Then::Empty},
        {"tracked with full drag", HDN_ITEMCHANGING, HDS_FULLDRAG, Then::Destroy},
        {"painted", NM_CUSTOMDRAW, 0, Then::Empty},
        {"painted", NM_CUSTOMDRAW, 0, Then::Destroy},
    };
    for (const Case& c : cases) {
        HWND h = Make(HDS_BUTTONS | c.style);
        answers[c.code] = [&c, h](NMHDR* hdr) -> LRESULT {
            if (c.code == NM_CUSTOMDRAW && reinterpret_cast<NMCUSTOMDRAW*>(hdr)->dwDrawStage == CDDS_PREPAINT)
                return CDRF_NOTIFYITEMDRAW;
            if (c.then == Then::Destroy) DestroyWindow(h);
            else while (SendMessage(h, HDM_DELETEITEM, 0, 0)) {}
            return 0;
        };
        if (c.code == NM_CUSTOMDRAW) {
            InvalidateRect(h, nullptr, 1);
            UpdateWindow(h);
        } else if (c.code == HDN_BEGINTRACK || c.style == HDS_FULLDRAG) {
            SendMessage(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 10));
            SendMessage(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(130, 10));
            SendMessage(h, WM_LBUTTONUP, 0, MAKELPARAM(140, 10));
        } else {
            HDITEM item;
            item.mask = HDI_WIDTH;
            item.cxy = 55;
            EXPECT_EQ(SendMessage(h, HDM_SETITEM, 1, reinterpret_cast<LPARAM>(&item)), 0) << c.what;
        }
        Pump();
        answers.erase(c.code);
        if (c.then == Then::Destroy) {
            EXPECT_FALSE(IsWindow(h)) << c.what;
        } else {
            EXPECT_EQ(SendMessage(h, HDM_GETITEMCOUNT, 0, 0), 0) << c.what;
            DestroyWindow(h);
        }
    }
}

// HDM_LAYOUT takes any rectangle: the header's width and the area left saturate.
TEST_F(Header, LayoutOfAnExtremeAreaSaturates) {
    HWND h = Make(0);
    struct Case {
        RECT area;
        int width;
        bool topAtLimit;
    };
    const Case cases[] = {{{0, 0, 300, 200}, 300, false}, {{INT_MIN, INT_MAX - 1, INT_MAX, INT_MAX}, INT_MAX, true}};
    for (const Case& c : cases) {
        RECT area = c.area;
        WINDOWPOS pos;
        HDLAYOUT layout;
        layout.prc = &area;
        layout.pwpos = &pos;
        ASSERT_EQ(SendMessage(h, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout)), 1);
        EXPECT_EQ(pos.cx, c.width);
        EXPECT_GT(pos.cy, 0);
        EXPECT_EQ(area.top, c.topAtLimit ? INT_MAX : c.area.top + pos.cy);
    }
}

TEST_F(Header, ClicksAndDoubleClicksTellTheParent) {
    HWND h = Make(HDS_BUTTONS);
    POINT p = ScreenPointOf(h, POINT{140, 10});
    display.Click(p.x, p.y);
    EXPECT_EQ(Pump(), (Lines{"HDN_ITEMCLICK 1"}));
    display.AdvanceTime(1000);
    POINT divider = ScreenPointOf(h, POINT{180, 10});
    display.DoubleClick(divider.x, divider.y);
    Lines lines = Pump();
    EXPECT_EQ(lines.back(), "HDN_DIVIDERDBLCLICK 1");
}

TEST_F(Header, ItemsAreDraggedIntoANewOrder) {
    HWND h = Make(HDS_BUTTONS | HDS_DRAGDROP);
    display.Drag(ScreenPointOf(h, POINT{30, 10}), ScreenPointOf(h, POINT{230, 10}), 4);
    EXPECT_EQ(Pump(), (Lines{"HDN_BEGINDRAG 0 o0", "HDN_ENDDRAG 0 o2"}));
    EXPECT_EQ(Order(h), (std::vector<int>{1, 2, 0}));
    answers[HDN_ENDDRAG] = [](NMHDR*) { return LRESULT{1}; };
    display.Drag(ScreenPointOf(h, POINT{30, 10}), ScreenPointOf(h, POINT{230, 10}), 4);
    Pump();
    EXPECT_EQ(Order(h), (std::vector<int>{1, 2, 0})) << "vetoed";
    // Without HDS_DRAGDROP a drag is just a press.
    DestroyWindow(h);
    HWND plain = Make(HDS_BUTTONS);
    display.Drag(ScreenPointOf(plain, POINT{30, 10}), ScreenPointOf(plain, POINT{230, 10}), 4);
    EXPECT_EQ(Pump(), Lines{});
    EXPECT_EQ(Order(plain), (std::vector<int>{0, 1, 2}));
}

TEST_F(Header, OwnerDrawnItemsAndSortArrowsArePainted) {
    HWND h = Make(HDS_BUTTONS);
    HDITEM item;
    item.mask = HDI_FORMAT;
    item.fmt = HDF_OWNERDRAW;
    SendMessage(h, HDM_SETITEM, 2, reinterpret_cast<LPARAM>(&item));
    auto arrowPixels = [&](int index) {
        UpdateWindow(h);
        RECT r;
        SendMessage(h, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        test::ScreenShot shot;
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.right - 24; x < r.right - 2; ++x) n += shot.ClientPixel(h, x, y) == GetSysColor(COLOR_BTNSHADOW);
        return n;
    };
    int before = arrowPixels(0);
    for (int format : {HDF_STRING | HDF_SORTUP, HDF_STRING | HDF_SORTDOWN}) {
        item.fmt = format;
        SendMessage(h, HDM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_GT(arrowPixels(0), before + 10) << format;
    }
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().CtlType, ODT_HEADER);
    EXPECT_EQ(drawn.back().itemID, 2u);
    EXPECT_EQ(drawn.back().itemData, 102u);
    EXPECT_EQ(drawn.back().rcItem.left, 180);
}

}  // namespace
}  // namespace parch::headertest
