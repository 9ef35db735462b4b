// The list-view adapter: the report header painted from the skin and operated through its own
// subclass, thumb drags turned into the list's scrolling, and leaving both windows' chains.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/win/HeaderClass.h"
#include "platform/win/ListViewClass.h"
#include "skin/frames/acListViewAdapter.h"
#include "tests/skin/frames/AdapterFamiliesFixtures.h"

namespace parch {
namespace {

using test::FamilyColour;
using test::ScreenShot;

class ListViewAdapter : public test::FamilyTest {
protected:
    // A report view with two columns and the given number of rows.
    HWND MakeReport(int rows) {
        HWND h = Make("SysListView32", "", LVS_REPORT | WS_VSCROLL | WS_HSCROLL, {20, 20, 300, 220}, WS_EX_CLIENTEDGE);
        const char* names[2] = {"Name", "Size"};
        for (int i = 0; i < 2; ++i) {
            LVCOLUMNA column;
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = 100;
            column.pszText = const_cast<char*>(names[i]);
            SendMessage(h, LVM_INSERTCOLUMN, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        }
        for (int i = 0; i < rows; ++i) {
            std::string text = "row " + std::to_string(i);
            LVITEMA item;
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = text.data();
            SendMessage(h, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
        }
        return h;
    }
};

TEST_F(ListViewAdapter, HeaderIsPaintedFromTheSkinAndGivenBack) {
    HWND h = MakeReport(5);
    auto adapter = std::make_unique<TacListViewWnd>(h, &manager, "", true);
    display.PumpMessages();
    HWND header = adapter->Header();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header, reinterpret_cast<HWND>(SendMessage(h, LVM_GETHEADER, 0, 0)));
    // Without a COLHEADER section the header takes BUTTON's look, the list EDIT's colours.
    EXPECT_EQ(ScreenShot().ClientPixel(header, 2, 2), FamilyColour("BUTTON"));
    EXPECT_EQ(static_cast<COLORREF>(SendMessage(h, LVM_GETBKCOLOR, 0, 0)), FamilyColour("EDIT"));

    adapter.reset();
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    display.PumpMessages();
    EXPECT_NE(ScreenShot().ClientPixel(header, 2, 2), FamilyColour("BUTTON"));
    EXPECT_NE(static_cast<COLORREF>(SendMessage(h, LVM_GETBKCOLOR, 0, 0)), FamilyColour("EDIT"));
}

TEST_F(ListViewAdapter, HeaderSubclassLeavesWithoutCuttingOutLaterOnes) {
    HWND h = MakeReport(3);
    auto adapter = std::make_unique<TacListViewWnd>(h, &manager, "", true);
    HWND header = adapter->Header();
    ASSERT_NE(header, nullptr);
    test::OwnProcedureLog inFront;
    SetWindowSubclass(header, &test::CountOwnMessages, 9, reinterpret_cast<DWORD_PTR>(&inFront));
    adapter.reset();
    SendMessage(header, WM_USER + 3, 0, 0);
    EXPECT_EQ(inFront.Count(WM_USER + 3), 1);
    DestroyWindow(h);
    EXPECT_EQ(inFront.Count(WM_NCDESTROY), 1);
    EXPECT_EQ(own[h].Count(WM_NCDESTROY), 1);
}

TEST_F(ListViewAdapter, PressedAndHoverColumnsFollowTheOrderOfTheHeader) {
    HWND h = MakeReport(3);
    auto adapter = std::make_unique<TacListViewWnd>(h, &manager, "", true);
    HWND header = adapter->Header();
    ASSERT_NE(header, nullptr);
    int order[2] = {1, 0};
    SendMessage(header, HDM_SETORDERARRAY, 2, reinterpret_cast<LPARAM>(order));
    display.PumpMessages();
    RECT headerRect = test::WindowRect(header);
    // The left-most column is item 1 now.
    const POINT left{headerRect.left + 20, headerRect.top + 3};
    EXPECT_EQ(adapter->ColumnAt(left), 0);
    SendMessage(header, WM_NCHITTEST, 0, MAKELPARAM(left.x, left.y));
    EXPECT_EQ(adapter->HoverColumn(), 1);

    // A press on a column presses it; a press on a divider presses none.
    SendMessage(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 3));
    EXPECT_EQ(adapter->PressedColumn(), 1);
    SendMessage(header, WM_LBUTTONUP, 0, MAKELPARAM(20, 3));
    EXPECT_EQ(adapter->PressedColumn(), -1);
    ReleaseCapture();
    SendMessage(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 3));
    EXPECT_EQ(adapter->PressedColumn(), -1);
    SendMessage(header, WM_LBUTTONUP, 0, MAKELPARAM(100, 3));
    ReleaseCapture();
}

TEST_F(ListViewAdapter, ThumbDragsScrollByWholeRows) {
    struct Row {
        const char* name;
        int rows;
        int target;
        int top;
    };
    const Row rows[] = {
        {"rows", 100, 10, 10},
        {"to the start again", 100, 0, 0},
        {"empty list", 0, 10, 0},  // no row to measure: nothing scrolls
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HWND h = MakeReport(row.rows);
        auto adapter = std::make_unique<TacListViewWnd>(h, &manager, "", true);
        display.PumpMessages();
        if (row.target == 0) SendMessage(h, LVM_SCROLL, 0, 200);
        EXPECT_EQ(SendMessage(h, SkinCommandMessage, MAKEWPARAM(0, kCmdBeforeScroll), 0), 1);
        SendMessage(h, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 0), row.target);
        EXPECT_EQ(SendMessage(h, LVM_GETTOPINDEX, 0, 0), row.top);
        adapter.reset();
        DestroyWindow(h);
    }
}

}  // namespace
}  // namespace parch
