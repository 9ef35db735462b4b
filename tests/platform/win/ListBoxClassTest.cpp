// The "ListBox" class. No other implementation of the control runs here to compare with, so
// the expected answers and notification sequences below are written from the control's
// public documentation: what each LB_ message answers, which user actions notify the parent
// (LBN_SETFOCUS/KILLFOCUS always, the others only with LBS_NOTIFY, none for LB_ messages),
// and how each selection style follows the mouse and the keyboard.

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/ListBoxItems.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch::listboxtest {
namespace {

using Lines = std::vector<std::string>;

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

std::string Texts(const win::ListBoxItems& items) {
    std::string out;
    for (int i = 0; i < items.Count(); ++i) out += (i ? "," : "") + items.At(i).text;
    return out;
}

TEST(ListBoxItems, SortedInsertionFoldsAsciiCaseAndKeepsEqualsInArrivalOrder) {
    win::ListBoxItems items;
    for (const char* t : {"pear", "Apple", "apple", "Zebra", "banana", "_x", "\xC3\x84pfel"}) {
        win::ListItem item;
        item.text = t;
        items.InsertSorted(std::move(item));
    }
    // Ordinal bytes after folding A-Z: '_' (0x5F) sorts before letters, UTF-8 lead bytes after.
    EXPECT_EQ(Texts(items), "_x,Apple,apple,banana,pear,Zebra,\xC3\x84pfel");
}

TEST(ListBoxItems, SearchesWrapFromAfterTheStartAndIndexesFollowTheirItems) {
    win::ListBoxItems items;
    for (const char* t : {"alpha", "beta", "alps", "Al"}) items.Insert(-1, win::ListItem{t});
    struct Case {
        const char* text;
        int start;
        bool exact;
        int expected;
    };
    for (const Case& c : {Case{"al", -1, false, 0}, Case{"AL", 0, false, 2}, Case{"al", 3, false, 0},
                          Case{"al", -1, true, 3}, Case{"alp", 2, false, 0}, Case{"gamma", -1, false, -1},
                          Case{"", 1, false, 2}, Case{"al", 99, false, 0}}) {
        EXPECT_EQ(items.FindText(c.text, c.start, c.exact), c.expected) << c.text << " from " << c.start;
    }

    items.Select(2);  // "alps"
    items.Insert(0, win::ListItem{"new"});
    EXPECT_EQ(items.Current(), 3);
    items.Erase(1);
    EXPECT_EQ(items.Current(), 2);
    items.Erase(2);  // the selected item goes, and the selection with it
    EXPECT_EQ(items.Current(), -1);
    EXPECT_EQ(items.Insert(9, win::ListItem{"far"}), -1);
}

class ListBox : public test::RecorderTest {
protected:
    void SetUp() override {
        parent = rec.Create("parent", WS_OVERLAPPED | WS_VISIBLE, nullptr, {0, 0, 600, 500});
        rec.SetHandler([this](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_COMMAND && lp) notes.push_back(NoteName(HIWORD(wp)));
            if (answer)
                if (auto a = answer(m, wp, lp)) return a;
            if (m == WM_CTLCOLORLISTBOX && listBrush) return reinterpret_cast<LRESULT>(listBrush);
            return std::nullopt;
        });
    }

    static std::string NoteName(WORD code) {
        static const char* const kNames[] = {"?", "SELCHANGE", "DBLCLK", "SELCANCEL", "SETFOCUS", "KILLFOCUS"};
        return code < 6 ? kNames[code] : std::to_string(code);
    }

    // A list at client (10, 10) of the parent, 200 x 160, with items "item 0", "item 1"...
    HWND MakeList(DWORD style, int count = 20, RECT r = {10, 10, 210, 170}) {
        HWND list = CreateWindowEx(0, "listbox", "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, parent, reinterpret_cast<HMENU>(7), nullptr, nullptr);
        for (int i = 0; i < count; ++i) {
            std::string text = "item " + std::to_string(i);
            SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        display.PumpMessages();
        notes.clear();
        return list;
    }

    int ItemHeight(HWND list) { return static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0)); }

    // The screen point in the middle of an item.
    POINT ItemPoint(HWND list, int index) {
        RECT r{};
        SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(list, &p);
        return p;
    }

    void ClickItem(HWND list, int index) {
        POINT p = ItemPoint(list, index);
        display.Click(p.x, p.y);
        display.PumpMessages();
    }

    std::vector<int> Selected(HWND list) {
        std::vector<int> out;
        int n = static_cast<int>(SendMessage(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i)
            if (SendMessage(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) out.push_back(i);
        return out;
    }

    void Press(UINT key) {
        display.PressKey(key);
        display.PumpMessages();
    }

    HWND parent = nullptr;
    Lines notes;
    HBRUSH listBrush = nullptr;
    std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)> answer;
};

TEST_F(ListBox, MessagesAnswerAsDocumentedAndNeverNotify) {
    HWND list = MakeList(LBS_SORT | LBS_NOTIFY | WS_VSCROLL, 0);
    auto send = [&](UINT m, WPARAM wp, auto lp) { return SendMessage(list, m, wp, (LPARAM)(lp)); };
    char buffer[64] = {};
    EXPECT_EQ(send(LB_ADDSTRING, 0, "pear"), 0);
    EXPECT_EQ(send(LB_ADDSTRING, 0, "Apple"), 0);
    EXPECT_EQ(send(LB_ADDSTRING, 0, "\xC3\x84pfel"), 2);  // "Äpfel": two bytes for the first letter
    EXPECT_EQ(send(LB_INSERTSTRING, 1, "fig"), 1);           // inserting never sorts
    EXPECT_EQ(send(LB_INSERTSTRING, 9, "far"), LB_ERR);
    EXPECT_EQ(send(LB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(send(LB_GETTEXTLEN, 3, 0), 6);  // bytes of UTF-8, what LB_GETTEXT copies
    EXPECT_EQ(send(LB_GETTEXT, 3, buffer), 6);
    EXPECT_STREQ(buffer, "\xC3\x84pfel");
    EXPECT_EQ(send(LB_GETTEXT, 4, buffer), LB_ERR);
    EXPECT_EQ(send(LB_FINDSTRING, static_cast<WPARAM>(-1), "P"), 2);
    EXPECT_EQ(send(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "APPLE"), 0);
    EXPECT_EQ(send(LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "App"), LB_ERR);
    EXPECT_EQ(send(LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(send(LB_SELECTSTRING, static_cast<WPARAM>(-1), "fi"), 1);
    EXPECT_EQ(send(LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(send(LB_SETCURSEL, 7, 0), LB_ERR);
    EXPECT_EQ(send(LB_GETCURSEL, 0, 0), 1);  // a bad index leaves the selection
    EXPECT_EQ(send(LB_SETCURSEL, static_cast<WPARAM>(-1), 0), LB_ERR);  // cleared, and answered so
    EXPECT_EQ(send(LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(send(LB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(send(LB_GETSEL, 2, 0), 1);
    EXPECT_EQ(send(LB_GETSEL, 9, 0), LB_ERR);
    EXPECT_EQ(send(LB_GETSELCOUNT, 0, 0), LB_ERR);  // single selection has no count
    EXPECT_EQ(send(LB_SETSEL, 1, 0), LB_ERR);
    EXPECT_EQ(send(LB_SETITEMDATA, 2, 0x1234), LB_OKAY);
    EXPECT_EQ(send(LB_GETITEMDATA, 2, 0), 0x1234);
    EXPECT_EQ(send(LB_SETITEMHEIGHT, 0, 300), LB_ERR);  // beyond 255
    EXPECT_EQ(send(LB_SETCOUNT, 10, 0), LB_ERR);         // only for no-data lists, which are not kept
    EXPECT_EQ(send(LB_INITSTORAGE, 100, 1000), 104);
    EXPECT_EQ(send(LB_DELETESTRING, 0, 0), 3);  // answers how many are left
    EXPECT_EQ(send(LB_GETCURSEL, 0, 0), 1);     // the selection moved with its item
    EXPECT_EQ(send(LB_DELETESTRING, 5, 0), LB_ERR);
    EXPECT_EQ(send(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTCHARS);
    EXPECT_EQ(send(LB_RESETCONTENT, 0, 0), LB_OKAY);
    EXPECT_EQ(send(LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(notes.empty()) << notes.front();
}

TEST_F(ListBox, ClassNamesAreFoundWithoutRegardToCase) {
    for (const char* name : {"LISTBOX", "ListBox", "combolbox"}) {
        HWND w = CreateWindowEx(0, name, "", WS_CHILD, 0, 0, 50, 50, parent, nullptr, nullptr, nullptr);
        EXPECT_NE(w, nullptr) << name;
    }
}

TEST_F(ListBox, SingleSelectionFollowsClicksAndKeysAndNotifiesOnlyChanges) {
    HWND list = MakeList(LBS_NOTIFY);
    ClickItem(list, 2);
    EXPECT_EQ(GetFocus(), list);
    EXPECT_EQ(notes, (Lines{"SETFOCUS", "SELCHANGE"}));
    notes.clear();
    display.AdvanceTime(1000);  // not a double click
    ClickItem(list, 2);  // the same item again: no change to tell
    EXPECT_TRUE(notes.empty());
    display.AdvanceTime(1000);
    POINT p = ItemPoint(list, 4);
    display.DoubleClick(p.x, p.y);
    display.PumpMessages();
    EXPECT_EQ(notes, (Lines{"SELCHANGE", "DBLCLK"}));
    notes.clear();

    struct Step {
        UINT key;
        int expected;
    };
    int rows = 160 / ItemHeight(list);
    for (Step s : {Step{VK_DOWN, 5}, Step{VK_UP, 4}, Step{VK_END, 19}, Step{VK_HOME, 0}, Step{VK_NEXT, rows - 1},
                   Step{VK_PRIOR, 0}}) {
        Press(s.key);
        EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), s.expected) << s.key;
    }
    EXPECT_EQ(notes.size(), 6u);
    notes.clear();
    Press(VK_UP);  // at the top already
    EXPECT_TRUE(notes.empty());

    // Typing a letter goes to the next item that begins with it.
    SendMessage(list, LB_INSERTSTRING, 3, reinterpret_cast<LPARAM>("zeta"));
    SendMessage(list, LB_INSERTSTRING, 8, reinterpret_cast<LPARAM>("Zulu"));
    display.TypeText("z");
    display.PumpMessages();
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3);
    display.TypeText("z");
    display.PumpMessages();
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 8);
    EXPECT_EQ(notes, (Lines{"SELCHANGE", "SELCHANGE"}));

    notes.clear();
    SetFocus(parent);
    EXPECT_EQ(notes, (Lines{"KILLFOCUS"}));
}

TEST_F(ListBox, AParentMayDestroyTheListInsideANotification) {
    HWND list = MakeList(LBS_NOTIFY | LBS_EXTENDEDSEL);
    answer = [&](UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_COMMAND && HIWORD(wp) == LBN_SELCHANGE) DestroyWindow(list);
        return std::nullopt;
    };
    ClickItem(list, 3);
    EXPECT_FALSE(IsWindow(list));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ListBox, WithoutNotifyOnlyFocusIsTold) {
    HWND list = MakeList(0);
    ClickItem(list, 1);
    display.AdvanceTime(1000);
    POINT p = ItemPoint(list, 3);
    display.DoubleClick(p.x, p.y);
    Press(VK_DOWN);
    SetFocus(parent);
    EXPECT_EQ(notes, (Lines{"SETFOCUS", "KILLFOCUS"}));
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 4);
}

TEST_F(ListBox, ExtendedSelectionRangesFromTheAnchor) {
    HWND list = MakeList(LBS_EXTENDEDSEL | LBS_NOTIFY);
    ClickItem(list, 1);
    display.KeyDown(VK_SHIFT);
    ClickItem(list, 4);
    display.KeyUp(VK_SHIFT);
    EXPECT_EQ(Selected(list), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(SendMessage(list, LB_GETANCHORINDEX, 0, 0), 1);
    EXPECT_EQ(SendMessage(list, LB_GETCARETINDEX, 0, 0), 4);

    display.KeyDown(VK_CONTROL);
    ClickItem(list, 7);  // control adds one and moves the anchor
    display.KeyUp(VK_CONTROL);
    EXPECT_EQ(Selected(list), (std::vector<int>{1, 2, 3, 4, 7}));
    EXPECT_EQ(SendMessage(list, LB_GETANCHORINDEX, 0, 0), 7);

    display.KeyDown(VK_SHIFT);
    Press(VK_DOWN);
    Press(VK_DOWN);
    display.KeyUp(VK_SHIFT);
    EXPECT_EQ(Selected(list), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(SendMessage(list, LB_GETSELCOUNT, 0, 0), 3);
    int items[8] = {};
    EXPECT_EQ(SendMessage(list, LB_GETSELITEMS, 2, reinterpret_cast<LPARAM>(items)), 2);
    EXPECT_EQ(items[1], 8);

    Press(VK_HOME);  // a plain key selects one
    EXPECT_EQ(Selected(list), (std::vector<int>{0}));

    // Dragging selects from where the button went down, holding the mouse meanwhile.
    notes.clear();
    display.Drag(ItemPoint(list, 2), ItemPoint(list, 5));
    display.PumpMessages();
    EXPECT_EQ(Selected(list), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_GE(notes.size(), 2u);
    EXPECT_TRUE(std::all_of(notes.begin(), notes.end(), [](const std::string& n) { return n == "SELCHANGE"; }));

    notes.clear();
    EXPECT_EQ(SendMessage(list, LB_SELITEMRANGEEX, 10, 12), LB_OKAY);
    EXPECT_EQ(SendMessage(list, LB_SELITEMRANGEEX, 11, 10), LB_OKAY);  // backwards: deselects
    EXPECT_EQ(Selected(list), (std::vector<int>{2, 3, 4, 5, 12}));
    EXPECT_EQ(SendMessage(list, LB_SETSEL, 0, -1), LB_OKAY);
    EXPECT_TRUE(Selected(list).empty());
    EXPECT_TRUE(notes.empty());
}

TEST_F(ListBox, MultipleSelectionTogglesByClickAndSpace) {
    HWND list = MakeList(LBS_MULTIPLESEL | LBS_NOTIFY);
    for (int item : {1, 3, 1}) {
        ClickItem(list, item);
        display.AdvanceTime(1000);
    }
    EXPECT_EQ(Selected(list), (std::vector<int>{3}));
    Press(VK_DOWN);  // the caret walks alone
    EXPECT_EQ(SendMessage(list, LB_GETCARETINDEX, 0, 0), 2);
    EXPECT_EQ(Selected(list), (std::vector<int>{3}));
    Press(VK_SPACE);
    EXPECT_EQ(Selected(list), (std::vector<int>{2, 3}));
    EXPECT_EQ(notes, (Lines{"SETFOCUS", "SELCHANGE", "SELCHANGE", "SELCHANGE", "SELCHANGE"}));
    EXPECT_EQ(SendMessage(list, LB_SETCURSEL, 1, 0), LB_ERR);  // single selection only
    EXPECT_EQ(SendMessage(list, LB_SELITEMRANGE, 1, MAKELPARAM(5, 6)), LB_OKAY);
    EXPECT_EQ(Selected(list), (std::vector<int>{2, 3, 5, 6}));
}

TEST_F(ListBox, NoSelectionStyleIgnoresTheUser) {
    HWND list = MakeList(LBS_NOSEL | LBS_NOTIFY);
    ClickItem(list, 2);
    Press(VK_DOWN);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(notes, (Lines{"SETFOCUS"}));
}

TEST_F(ListBox, OwnerDrawnItemsAreMeasuredAndDrawnByTheParent) {
    Lines measured, drawn;
    answer = [&](UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_MEASUREITEM) {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            measured.push_back(std::to_string(mi->CtlType) + " " + std::to_string(mi->CtlID) + " item " +
                               std::to_string(static_cast<int>(mi->itemID)) + " data " + std::to_string(mi->itemData));
            mi->itemHeight = 10 + 2 * mi->itemID;
            return 1;
        }
        if (m == WM_DRAWITEM) {
            auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            drawn.push_back(std::to_string(di->CtlType) + " " + std::to_string(di->itemID) + " a" +
                            std::to_string(di->itemAction) + " s" + std::to_string(di->itemState) + " h" +
                            std::to_string(di->rcItem.bottom - di->rcItem.top) + " d" + std::to_string(di->itemData));
            return 1;
        }
        return std::nullopt;
    };
    HWND list = MakeList(LBS_OWNERDRAWVARIABLE, 0);
    for (LPARAM data : {100, 200, 300}) SendMessage(list, LB_ADDSTRING, 0, data);
    EXPECT_EQ(measured, (Lines{"2 7 item 0 data 100", "2 7 item 1 data 200", "2 7 item 2 data 300"}));
    EXPECT_EQ(SendMessage(list, LB_GETITEMHEIGHT, 2, 0), 14);
    EXPECT_EQ(SendMessage(list, LB_GETITEMDATA, 1, 0), 200);
    EXPECT_EQ(SendMessage(list, LB_FINDSTRING, static_cast<WPARAM>(-1), 300), 2);  // without strings: by data
    RECT r{};
    SendMessage(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.top, 22);
    EXPECT_EQ(r.bottom, 36);

    SetFocus(list);
    SendMessage(list, LB_SETCURSEL, 1, 0);
    drawn.clear();
    UpdateWindow(list);
    EXPECT_EQ(drawn, (Lines{"2 0 a1 s0 h10 d100", "2 1 a1 s17 h12 d200", "2 2 a1 s0 h14 d300"}));

    measured.clear();
    MakeList(LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 5);
    EXPECT_EQ(measured, (Lines{"2 7 item 0 data 0"}));  // once, when made
}

TEST_F(ListBox, WantKeyboardInputAsksTheParentFirst) {
    LRESULT reply = -2;
    Lines asked;
    answer = [&](UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_VKEYTOITEM) return std::nullopt;
        asked.push_back(std::to_string(LOWORD(wp)) + " caret " + std::to_string(HIWORD(wp)));
        return reply;
    };
    HWND list = MakeList(LBS_WANTKEYBOARDINPUT | LBS_NOTIFY);
    SetFocus(list);
    SendMessage(list, LB_SETCURSEL, 2, 0);
    Press(VK_DOWN);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);  // handled by the parent
    reply = 9;
    Press(VK_DOWN);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 9);
    reply = -1;
    Press(VK_DOWN);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 10);
    EXPECT_EQ(asked, (Lines{"40 caret 2", "40 caret 2", "40 caret 9"}));
}

TEST_F(ListBox, HeightIsCutToWholeItemsUnlessAskedNotTo) {
    HWND cut = MakeList(0, 3, {10, 10, 110, 75});
    HWND kept = MakeList(LBS_NOINTEGRALHEIGHT, 3, {120, 10, 220, 75});
    RECT client;
    GetClientRect(cut, &client);
    EXPECT_EQ(client.bottom % ItemHeight(cut), 0);
    EXPECT_LT(client.bottom, 65);
    GetClientRect(kept, &client);
    EXPECT_EQ(client.bottom, 65);
}

TEST_F(ListBox, ItemGeometryAndHitTesting) {
    HWND list = MakeList(WS_VSCROLL | LBS_NOINTEGRALHEIGHT);
    int h = ItemHeight(list);
    EXPECT_EQ(SendMessage(list, LB_SETTOPINDEX, 5, 0), LB_OKAY);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 5);
    RECT r{};
    SendMessage(list, LB_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.top, 2 * h);
    SendMessage(list, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.top, -2 * h);  // above the view
    EXPECT_EQ(SendMessage(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, h + 1)), MAKELONG(6, 0));
    EXPECT_EQ(SendMessage(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, static_cast<WORD>(-3))), MAKELONG(4, 1));
    EXPECT_EQ(SendMessage(list, LB_SETTOPINDEX, 19, 0), LB_OKAY);  // kept to the last full page
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 20 - 160 / h);
    EXPECT_EQ(SendMessage(list, LB_SETTOPINDEX, 20, 0), LB_ERR);
    SendMessage(list, LB_SETTOPINDEX, 0, 0);
    SendMessage(list, LB_SETCURSEL, 15, 0);  // selecting scrolls the item into view
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 16 - 160 / h);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(list, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 19);
    EXPECT_EQ(si.nPage, static_cast<UINT>(160 / h));
    EXPECT_EQ(si.nPos, 16 - 160 / h);
}

TEST_F(ListBox, MultipleColumnsFillDownwardsAndScrollByColumns) {
    HWND list = MakeList(LBS_MULTICOLUMN | LBS_NOINTEGRALHEIGHT | WS_HSCROLL, 100, {10, 10, 210, 170});
    EXPECT_EQ(SendMessage(list, LB_SETCOLUMNWIDTH, 50, 0), LB_OKAY);
    int h = ItemHeight(list);
    RECT client;
    GetClientRect(list, &client);
    int rows = client.bottom / h;  // 4 columns of 50 show
    ASSERT_GT(rows, 1);
    RECT r{};
    SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(rows + 1), reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, h);
    EXPECT_EQ(r.right, 100);
    EXPECT_EQ(SendMessage(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(120, 2 * h + 1)), MAKELONG(2 * rows + 2, 0));

    ClickItem(list, 1);
    Press(VK_RIGHT);  // a column on
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1 + rows);
    Press(VK_LEFT);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);

    int columns = (100 + rows - 1) / rows;
    ASSERT_GT(columns, 5);
    SendMessage(list, LB_SETCURSEL, 99, 0);  // the last column comes into view at the right
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), (columns - 4) * rows);
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(list, SB_HORZ, &si);
    EXPECT_EQ(si.nMax, columns - 1);
    EXPECT_EQ(si.nPage, 4u);
    EXPECT_EQ(si.nPos, columns - 4);
    SendMessage(list, WM_HSCROLL, SB_LINELEFT, 0);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), (columns - 5) * rows);
    SendMessage(list, LB_SETTOPINDEX, static_cast<WPARAM>(rows + 1), 0);  // a column's first item is the top
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), rows);
}

TEST_F(ListBox, ThumbPositionsBeyondSixteenBitsComeFromTheScrollBar) {
    HWND list = MakeList(WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0);
    SendMessage(list, LB_INITSTORAGE, 70000, 0);
    for (int i = 0; i < 70000; ++i) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("x"));
    int last = 70000 - 160 / ItemHeight(list);

    // The way a skin drives the bar: the position goes into the bar, WParam carries 16 bits.
    SCROLLINFO si;
    si.fMask = SIF_POS;
    si.nPos = 68000;
    SetScrollInfo(list, SB_VERT, &si, 0);
    SendMessage(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(68000)), 0);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 68000);
    si.nPos = last + 2;  // a skinned drag to the end overshoots by one
    SetScrollInfo(list, SB_VERT, &si, 0);
    SendMessage(list, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 65535), 0);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), last);

    // Dragging the bar's own thumb to the end.
    SendMessage(list, LB_SETTOPINDEX, 0, 0);
    display.PumpMessages();
    RECT bar = win::ScrollBarRectOnScreen(list, SB_VERT);
    int x = (bar.left + bar.right) / 2;
    int arrow = bar.right - bar.left;
    display.Drag({x, bar.top + arrow + 3}, {x, bar.bottom + 40}, 6);
    display.PumpMessages();
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), last);
}

TEST_F(ListBox, PartialWheelTurnsAddUp) {
    HWND list = MakeList(WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 100);
    SetFocus(list);
    SendMessage(list, LB_SETTOPINDEX, 50, 0);
    UINT lines = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    auto wheel = [&](int delta) {
        SendMessage(list, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
        return static_cast<int>(SendMessage(list, LB_GETTOPINDEX, 0, 0));
    };
    EXPECT_EQ(wheel(-40), 50);
    EXPECT_EQ(wheel(-40), 50);
    EXPECT_EQ(wheel(-40), 50 + static_cast<int>(lines));  // three thirds make a step
    EXPECT_EQ(wheel(-100), 50 + static_cast<int>(lines));
    EXPECT_EQ(wheel(-140), 50 + 3 * static_cast<int>(lines));  // 240: two steps, nothing left over
    EXPECT_EQ(wheel(60), 50 + 3 * static_cast<int>(lines));
    EXPECT_EQ(wheel(60), 50 + 2 * static_cast<int>(lines));
}

TEST_F(ListBox, SortedListsOfManyItemsStayInOrder) {
    HWND list = MakeList(LBS_SORT, 0);
    std::vector<std::string> words;
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) words.push_back(std::to_string(random() % 1000000));
    for (const std::string& w : words) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
    std::sort(words.begin(), words.end());
    char buffer[16];
    for (int i : {0, 1, 9999, 19999}) {
        SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        EXPECT_EQ(buffer, words[static_cast<std::size_t>(i)]);
    }
}

TEST_F(ListBox, PaintsTheParentsColoursAndTheSelectionInHighlight) {
    Lines colorQuestions;
    answer = [&](UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_CTLCOLORLISTBOX) colorQuestions.push_back(lp ? "with list" : "without");
        return std::nullopt;
    };
    listBrush = CreateSolidBrush(RGB(250, 240, 200));
    HWND list = MakeList(WS_BORDER | WS_VSCROLL, 30, {20, 20, 220, 180});
    SendMessage(list, LB_SETCURSEL, 1, 0);
    display.PumpMessages();
    EXPECT_FALSE(colorQuestions.empty());
    RECT r{};
    SendMessage(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    POINT edge{r.right - 3, r.top + 1};
    ClientToScreen(list, &edge);
    EXPECT_EQ(ScreenPixel(edge.x, edge.y), GetSysColor(COLOR_HIGHLIGHT));
    SendMessage(list, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r));
    edge = {r.right - 3, r.top + 1};
    ClientToScreen(list, &edge);
    EXPECT_EQ(ScreenPixel(edge.x, edge.y), RGB(250, 240, 200));

    // WM_PRINTCLIENT gives what WM_PAINT put on the screen.
    RECT client;
    GetClientRect(list, &client);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessage(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    int differences = 0;
    for (int y = 0; y < client.bottom; y += 3)
        for (int x = 0; x < client.right; x += 3)
            differences += GetPixel(memory, x, y) != GetPixel(screen, origin.x + x, origin.y + y);
    EXPECT_EQ(differences, 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    std::string path = ::testing::TempDir() + "listbox.png";
    EXPECT_TRUE(SaveScreenPng(path));
    DeleteObject(reinterpret_cast<HGDIOBJ>(listBrush));
    listBrush = nullptr;
}

}  // namespace
}  // namespace parch::listboxtest
