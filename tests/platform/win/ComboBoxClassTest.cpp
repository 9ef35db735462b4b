// The "ComboBox" class. No other implementation of the control runs here to compare with, so
// the expected answers and notification sequences below are written from the control's
// public documentation: CBN_DROPDOWN before the list shows; choosing an item tells
// CBN_SELCHANGE, CBN_SELENDOK and CBN_CLOSEUP; leaving the list without choosing tells
// CBN_SELENDCANCEL and CBN_CLOSEUP; CB_ messages tell nothing. The list's side (WM_CTLCOLORLISTBOX
// to the combo with the list's handle, LBCB_STARTTRACK/ENDTRACK) is what skinning code expects.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/SystemColors.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch::comboboxtest {
namespace {

using Lines = std::vector<std::string>;

COLORREF PixelOnScreen(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

HWND ChildWithId(HWND parent, int id) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassName(hwnd, name, sizeof name);
    return name;
}

// What a skin's subclass of the combo and of its list sees.
struct Spy {
    static Spy*& Current() {
        static Spy* current = nullptr;
        return current;
    }
    WNDPROC comboNext = nullptr;
    WNDPROC listNext = nullptr;
    Lines seen;

    static LRESULT Combo(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        Spy* s = Current();
        if (m == WM_CTLCOLORLISTBOX) s->seen.push_back("combo CTLCOLORLISTBOX from " + ClassOf(reinterpret_cast<HWND>(lp)));
        return CallWindowProc(s->comboNext, h, m, wp, lp);
    }
    static LRESULT List(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        Spy* s = Current();
        if (m == LBCB_STARTTRACK) s->seen.push_back("list 0x1AE");
        if (m == LBCB_ENDTRACK) s->seen.push_back("list 0x1AF");
        return CallWindowProc(s->listNext, h, m, wp, lp);
    }
};

class ComboBox : public test::RecorderTest {
protected:
    void SetUp() override {
        parent = rec.Create("parent", WS_OVERLAPPED | WS_VISIBLE, nullptr, {0, 0, 600, 500});
        rec.SetHandler([this](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_COMMAND && lp) notes.push_back(NoteName(HIWORD(wp)));
            if (m == WM_CTLCOLORLISTBOX) parentColors.push_back(ClassOf(reinterpret_cast<HWND>(lp)));
            if (answer) return answer(m, wp, lp);
            return std::nullopt;
        });
    }

    static std::string NoteName(WORD code) {
        static const char* const kNames[] = {"?",        "SELCHANGE", "DBLCLK",  "SETFOCUS", "KILLFOCUS", "EDITCHANGE",
                                             "EDITUPDATE", "DROPDOWN", "CLOSEUP", "SELENDOK", "SELENDCANCEL"};
        return code < 11 ? kNames[code] : std::to_string(code);
    }

    HWND MakeCombo(DWORD style, int count = 5, RECT r = {20, 20, 220, 220}) {
        HWND combo = CreateWindowEx(0, "combobox", "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                    r.bottom - r.top, parent, reinterpret_cast<HMENU>(9), nullptr, nullptr);
        for (int i = 0; i < count; ++i) {
            std::string text = "item " + std::to_string(i);
            SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        display.PumpMessages();
        notes.clear();
        return combo;
    }

    COMBOBOXINFO Info(HWND combo) {
        COMBOBOXINFO info;
        EXPECT_TRUE(GetComboBoxInfo(combo, &info));
        return info;
    }

    POINT ButtonCentre(HWND combo) {
        COMBOBOXINFO info = Info(combo);
        POINT p{(info.rcButton.left + info.rcButton.right) / 2, (info.rcButton.top + info.rcButton.bottom) / 2};
        ClientToScreen(combo, &p);
        return p;
    }

    POINT ListItemPoint(HWND list, int index) {
        RECT r{};
        SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(list, &p);
        return p;
    }

    void Click(POINT p) {
        display.Click(p.x, p.y);
        display.PumpMessages();
        display.AdvanceTime(1000);  // never taken for a double click
    }

    void Press(UINT key) {
        display.PressKey(key);
        display.PumpMessages();
    }

    void AltPress(UINT key) {
        display.KeyDown(VK_MENU);
        display.PressKey(key);
        display.KeyUp(VK_MENU);
        display.PumpMessages();
    }

    LRESULT Selection(HWND combo) { return SendMessage(combo, CB_GETCURSEL, 0, 0); }

    HWND parent = nullptr;
    Lines notes;
    Lines parentColors;
    std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)> answer;
};

TEST_F(ComboBox, ADropDownListOpensByClickAndClosesOnTheChosenItem) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    COMBOBOXINFO info = Info(combo);
    HWND list = info.hwndList;
    EXPECT_EQ(ClassOf(list), "ComboLBox");
    EXPECT_EQ(info.hwndItem, combo);  // no edit in this style
    EXPECT_EQ(info.hwndCombo, combo);
    EXPECT_EQ(ChildWithId(combo, 1001), nullptr);
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_TRUE(GetWindowLongPtr(list, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(GetWindow(list, GW_OWNER), parent);  // owners are top-level windows: the combo's
    EXPECT_TRUE(GetWindowLongPtr(list, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    Spy spy;
    Spy::Current() = &spy;
    spy.comboNext = reinterpret_cast<WNDPROC>(SetWindowLongPtr(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Spy::Combo)));
    spy.listNext = reinterpret_cast<WNDPROC>(SetWindowLongPtr(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Spy::List)));

    RECT field = info.rcItem;
    POINT middle{(field.left + field.right) / 2, (field.top + field.bottom) / 2};
    ClientToScreen(combo, &middle);
    Click(middle);  // the field of a drop-down list opens it too
    EXPECT_EQ(notes, (Lines{"SETFOCUS", "DROPDOWN"}));
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_TRUE(GetWindowLongPtr(list, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0), 1);
    EXPECT_EQ(GetCapture(), list);
    EXPECT_EQ(Info(combo).stateButton, STATE_SYSTEM_PRESSED);
    // The list asked the combo for its colours with its own handle, and the combo asked its parent.
    EXPECT_EQ(spy.seen, (Lines{"list 0x1AE", "combo CTLCOLORLISTBOX from ComboLBox"}));
    ASSERT_FALSE(parentColors.empty());
    EXPECT_EQ(parentColors.front(), "ComboLBox");

    notes.clear();
    spy.seen.clear();
    POINT item = ListItemPoint(list, 3);
    display.MoveMouse(item.x, item.y);  // the list follows the mouse, the parent hears nothing yet
    display.PumpMessages();
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3);
    EXPECT_TRUE(notes.empty());
    spy.seen.clear();
    Click(item);
    EXPECT_EQ(notes, (Lines{"SELCHANGE", "SELENDOK", "CLOSEUP"}));
    EXPECT_EQ(spy.seen, (Lines{"list 0x1AF"}));
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Selection(combo), 3);
    char text[32] = {};
    EXPECT_EQ(GetWindowText(combo, text, sizeof text), 6);
    EXPECT_STREQ(text, "item 3");

    SetWindowLongPtr(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(spy.listNext));
    SetWindowLongPtr(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(spy.comboNext));
    Spy::Current() = nullptr;
}

TEST_F(ComboBox, KeysOpenCloseAndMoveTheSelection) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    SetFocus(combo);
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    notes.clear();
    struct Step {
        const char* name;
        std::function<void()> act;
        Lines expected;
        int selection;
        bool dropped;
    };
    std::vector<Step> steps{
        {"Down while closed", [&] { Press(VK_DOWN); }, {"SELCHANGE"}, 2, false},
        {"End", [&] { Press(VK_END); }, {"SELCHANGE"}, 4, false},
        {"F4 opens", [&] { Press(VK_F4); }, {"DROPDOWN"}, 4, true},
        {"Up while dropped", [&] { Press(VK_UP); }, {"SELCHANGE"}, 3, true},
        {"Escape restores", [&] { Press(VK_ESCAPE); }, {"SELENDCANCEL", "CLOSEUP"}, 4, false},
        {"Alt+Down opens", [&] { AltPress(VK_DOWN); }, {"DROPDOWN"}, 4, true},
        {"Home while dropped", [&] { Press(VK_HOME); }, {"SELCHANGE"}, 0, true},
        {"Enter keeps", [&] { Press(VK_RETURN); }, {"SELENDOK", "CLOSEUP"}, 0, false},
        {"Alt+Up opens", [&] { AltPress(VK_UP); }, {"DROPDOWN"}, 0, true},
        {"Alt+Up closes", [&] { AltPress(VK_UP); }, {"SELENDOK", "CLOSEUP"}, 0, false},
        {"a letter", [&] { display.TypeText("i"); display.PumpMessages(); }, {"SELCHANGE"}, 1, false},
    };
    for (const Step& s : steps) {
        notes.clear();
        s.act();
        EXPECT_EQ(notes, s.expected) << s.name;
        EXPECT_EQ(Selection(combo), s.selection) << s.name;
        EXPECT_EQ(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0), s.dropped ? 1 : 0) << s.name;
    }

    // Extended UI: Down opens, F4 does nothing.
    SendMessage(combo, CB_SETEXTENDEDUI, 1, 0);
    EXPECT_EQ(SendMessage(combo, CB_GETEXTENDEDUI, 0, 0), 1);
    notes.clear();
    Press(VK_F4);
    EXPECT_TRUE(notes.empty());
    Press(VK_DOWN);
    EXPECT_EQ(notes, (Lines{"DROPDOWN"}));
    MSG enter{};
    enter.message = WM_KEYDOWN;
    enter.wParam = VK_RETURN;
    EXPECT_EQ(SendMessage(combo, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)),
              DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTMESSAGE);
    Press(VK_ESCAPE);
    EXPECT_EQ(SendMessage(combo, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)),
              DLGC_WANTCHARS | DLGC_WANTARROWS);
}

TEST_F(ComboBox, AClickOutsideOrLosingFocusCancels) {
    HWND combo = MakeCombo(CBS_DROPDOWN);
    HWND list = Info(combo).hwndList;
    SendMessage(combo, CB_SETCURSEL, 2, 0);
    Click(ButtonCentre(combo));
    EXPECT_EQ(notes, (Lines{"SETFOCUS", "DROPDOWN"}));
    display.MoveMouse(ListItemPoint(list, 0).x, ListItemPoint(list, 0).y);
    display.PumpMessages();
    notes.clear();
    Click({500, 400});
    EXPECT_EQ(notes, (Lines{"SELENDCANCEL", "CLOSEUP"}));
    EXPECT_EQ(Selection(combo), 2);  // hovering chose nothing

    Click(ButtonCentre(combo));
    notes.clear();
    SetFocus(parent);
    EXPECT_EQ(notes, (Lines{"SELENDCANCEL", "CLOSEUP", "KILLFOCUS"}));
    EXPECT_FALSE(IsWindowVisible(list));

    // A second click on the button closes the list again.
    Click(ButtonCentre(combo));
    notes.clear();
    Click(ButtonCentre(combo));
    EXPECT_EQ(notes, (Lines{"SELENDCANCEL", "CLOSEUP"}));
}

TEST_F(ComboBox, TheDroppedListsOwnScrollBarWorksAndTheListKeepsTheMouse) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST, 50);
    HWND list = Info(combo).hwndList;
    SendMessage(combo, CB_SETMINVISIBLE, 8, 0);
    Click(ButtonCentre(combo));
    ASSERT_EQ(GetCapture(), list);
    RECT bar = win::ScrollBarRectOnScreen(list, SB_VERT);
    ASSERT_GT(bar.bottom, bar.top);
    notes.clear();
    Click({(bar.left + bar.right) / 2, bar.bottom - 3});  // the down arrow
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 1);
    EXPECT_EQ(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0), 1);
    EXPECT_EQ(GetCapture(), list);
    EXPECT_TRUE(notes.empty());
    SendMessage(combo, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);  // the wheel goes to the list
    EXPECT_GT(SendMessage(list, LB_GETTOPINDEX, 0, 0), 1);
}

TEST_F(ComboBox, AParentMayDestroyTheComboInsideANotification) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    HWND list = Info(combo).hwndList;
    answer = [&](UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_COMMAND && HIWORD(wp) == CBN_SELCHANGE) DestroyWindow(combo);
        return std::nullopt;
    };
    Click(ButtonCentre(combo));
    Click(ListItemPoint(list, 2));
    EXPECT_FALSE(IsWindow(combo));
    EXPECT_FALSE(IsWindow(list));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBox, TheListDropsBelowOrAboveWhenTheScreenEndsBelow) {
    SetWindowPos(parent, nullptr, 0, 0, 600, 1000, SWP_NOMOVE | SWP_NOZORDER);
    HWND low = MakeCombo(CBS_DROPDOWNLIST, 10, {20, 20, 220, 300});
    HWND high = MakeCombo(CBS_DROPDOWNLIST, 10, {250, 900, 450, 1000});
    for (HWND combo : {low, high}) {
        HWND list = Info(combo).hwndList;
        RECT expected{};
        SendMessage(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&expected));
        SendMessage(combo, CB_SHOWDROPDOWN, 1, 0);
        SendMessage(combo, CB_SETCURSEL, 2, 0);
        SendMessage(list, LB_SETCURSEL, 2, 0);
        display.PumpMessages();
        RECT c = test::WindowRect(combo), l = test::WindowRect(list);
        EXPECT_EQ(l.left, c.left);
        EXPECT_EQ(l.right - l.left, c.right - c.left);
        int rows = static_cast<int>(SendMessage(combo, CB_GETITEMHEIGHT, 0, 0)) * 10 + 2;
        EXPECT_EQ(l.bottom - l.top, rows);
        EXPECT_EQ(combo == low ? l.top : l.bottom, combo == low ? c.bottom : c.top);
        EXPECT_EQ(l.top, expected.top);
        // The list is on the screen, over the parent, with its selection highlighted.
        POINT item = ListItemPoint(list, 2);
        EXPECT_EQ(PixelOnScreen(l.right - 5, item.y), GetSysColor(COLOR_HIGHLIGHT));
        std::string path = ::testing::TempDir() + (combo == low ? "combo-below.png" : "combo-above.png");
        EXPECT_TRUE(SaveScreenPng(path));
        SendMessage(combo, CB_SHOWDROPDOWN, 0, 0);
    }
}

TEST_F(ComboBox, MessagesAnswerAsDocumentedAndNeverNotify) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST | CBS_SORT, 0);
    auto send = [&](UINT m, WPARAM wp, auto lp) { return SendMessage(combo, m, wp, (LPARAM)(lp)); };
    char buffer[32] = {};
    EXPECT_EQ(send(CB_ADDSTRING, 0, "pear"), 0);
    EXPECT_EQ(send(CB_ADDSTRING, 0, "apple"), 0);
    EXPECT_EQ(send(CB_INSERTSTRING, static_cast<WPARAM>(-1), "kiwi"), 2);
    EXPECT_EQ(send(CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(send(CB_GETLBTEXTLEN, 1, 0), 4);
    EXPECT_EQ(send(CB_GETLBTEXT, 1, buffer), 4);
    EXPECT_STREQ(buffer, "pear");
    EXPECT_EQ(send(CB_FINDSTRING, static_cast<WPARAM>(-1), "PE"), 1);
    EXPECT_EQ(send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), "kiw"), CB_ERR);
    EXPECT_EQ(send(CB_SELECTSTRING, static_cast<WPARAM>(-1), "k"), 2);
    EXPECT_EQ(send(CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(send(CB_SETCURSEL, 0, 0), 0);
    EXPECT_EQ(send(CB_SETCURSEL, 5, 0), CB_ERR);
    EXPECT_EQ(send(CB_SETITEMDATA, 0, 77), CB_OKAY);
    EXPECT_EQ(send(CB_GETITEMDATA, 0, 0), 77);
    EXPECT_EQ(send(CB_GETMINVISIBLE, 0, 0), 30);
    EXPECT_EQ(send(CB_SETMINVISIBLE, 0, 0), 0);
    EXPECT_EQ(send(CB_SETMINVISIBLE, 2, 0), 1);
    EXPECT_EQ(send(CB_GETMINVISIBLE, 0, 0), 2);
    RECT dropped{};
    send(CB_GETDROPPEDCONTROLRECT, 0, &dropped);
    EXPECT_EQ(dropped.bottom - dropped.top, 2 * send(CB_GETITEMHEIGHT, 0, 0) + 2);  // two of three items show
    EXPECT_EQ(send(CB_GETDROPPEDWIDTH, 0, 0), 200);
    EXPECT_EQ(send(CB_SETDROPPEDWIDTH, 300, 0), 300);
    EXPECT_EQ(send(CB_SETDROPPEDWIDTH, 50, 0), 200);  // never narrower than the combo
    EXPECT_EQ(send(CB_GETEDITSEL, 0, 0), CB_ERR);       // no edit in this style
    EXPECT_EQ(send(CB_LIMITTEXT, 5, 0), CB_ERR);
    EXPECT_EQ(send(WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS | DLGC_WANTARROWS);

    // The window is as tall as its field; the field's height is item -1.
    LRESULT field = send(CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    EXPECT_EQ(test::WindowRect(combo).bottom - test::WindowRect(combo).top, field + 6);
    EXPECT_EQ(send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 30), CB_OKAY);
    EXPECT_EQ(test::WindowRect(combo).bottom - test::WindowRect(combo).top, 36);
    SetWindowPos(combo, nullptr, 0, 0, 200, 400, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(test::WindowRect(combo).bottom - test::WindowRect(combo).top, 36);
    EXPECT_EQ(send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 0), CB_ERR);

    EXPECT_EQ(send(CB_SHOWDROPDOWN, 1, 0), 1);
    EXPECT_EQ(send(CB_SHOWDROPDOWN, 0, 0), 1);
    EXPECT_EQ(send(CB_DELETESTRING, 0, 0), 2);
    EXPECT_EQ(send(CB_GETCURSEL, 0, 0), CB_ERR);  // the selected item went
    EXPECT_EQ(send(CB_RESETCONTENT, 0, 0), CB_OKAY);
    EXPECT_EQ(send(CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(notes, (Lines{"DROPDOWN", "CLOSEUP"}));  // only the drop-down the program asked for
}

TEST_F(ComboBox, TheDropButtonIsTheFrameControlsCell) {
    HWND combo = MakeCombo(CBS_DROPDOWN);
    display.PumpMessages();
    RECT button = Info(combo).rcButton;
    int w = button.right - button.left, h = button.bottom - button.top;
    ASSERT_EQ(w, GetSystemMetrics(SM_CXVSCROLL));
    RECT client;
    GetClientRect(combo, &client);
    EXPECT_EQ(button.right, client.right - 2);
    EXPECT_EQ(h, client.bottom - 4);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    auto matches = [&](UINT state) {
        HDC now = GetDC(nullptr);  // the screen as composed at this moment
        RECT cell{0, 0, w, h};
        DrawFrameControl(memory, &cell, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | state);
        POINT origin{button.left, button.top};
        ClientToScreen(combo, &origin);
        int differences = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) differences += GetPixel(memory, x, y) != GetPixel(now, origin.x + x, origin.y + y);
        ReleaseDC(nullptr, now);
        return differences;
    };
    EXPECT_EQ(matches(0), 0);
    SendMessage(combo, CB_SHOWDROPDOWN, 1, 0);
    display.PumpMessages();
    EXPECT_EQ(matches(DFCS_PUSHED), 0);  // pressed while the list is down
    SendMessage(combo, CB_SHOWDROPDOWN, 0, 0);
    EnableWindow(combo, 0);
    display.PumpMessages();
    EXPECT_EQ(matches(DFCS_INACTIVE), 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST_F(ComboBox, TheFocusedFieldOfADropDownListShowsTheSelectionInHighlight) {
    HWND combo = MakeCombo(CBS_DROPDOWNLIST);
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    SetFocus(combo);
    display.PumpMessages();
    RECT field = Info(combo).rcItem;
    POINT p{field.right - 3, field.top + 2};
    ClientToScreen(combo, &p);
    EXPECT_EQ(PixelOnScreen(p.x, p.y), GetSysColor(COLOR_HIGHLIGHT));
    SetFocus(parent);
    display.PumpMessages();
    EXPECT_EQ(PixelOnScreen(p.x, p.y), GetSysColor(COLOR_WINDOW));
}

TEST_F(ComboBox, ASimpleComboShowsItsListAsAChild) {
    HWND combo = MakeCombo(CBS_SIMPLE, 5, {20, 20, 220, 220});
    COMBOBOXINFO info = Info(combo);
    HWND list = info.hwndList;
    EXPECT_EQ(GetParent(list), combo);
    EXPECT_TRUE(GetWindowLongPtr(list, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(info.rcButton.right - info.rcButton.left, 0);
    EXPECT_EQ(info.stateButton, STATE_SYSTEM_INVISIBLE);
    EXPECT_EQ(test::WindowRect(combo).bottom - test::WindowRect(combo).top, 200);  // the height given stays

    POINT item = ListItemPoint(list, 2);
    Click(item);
    EXPECT_EQ(notes, (Lines{"SETFOCUS", "SELCHANGE"}));
    EXPECT_EQ(Selection(combo), 2);
    notes.clear();
    display.DoubleClick(item.x, item.y);
    display.PumpMessages();
    EXPECT_EQ(notes, (Lines{"DBLCLK"}));
    notes.clear();
    Press(VK_F4);  // nothing to drop
    EXPECT_TRUE(notes.empty());
}

TEST_F(ComboBox, OwnerDrawnFieldIsDrawnAsTheComboEdit) {
    Lines measured, drawn;
    answer = [&](UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_MEASUREITEM) {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            measured.push_back(std::to_string(mi->CtlType) + " item " + std::to_string(static_cast<int>(mi->itemID)));
            mi->itemHeight = mi->itemID == static_cast<UINT>(-1) ? 20 : 16;
            return 1;
        }
        if (m == WM_DRAWITEM) {
            auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            drawn.push_back(std::to_string(di->CtlType) + " " + std::to_string(static_cast<int>(di->itemID)) + " s" +
                            std::to_string(di->itemState) + (di->hwndItem == ChildWithId(parent, 9) ? " combo" : " list"));
            return 1;
        }
        return std::nullopt;
    };
    HWND combo = MakeCombo(CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 3);
    EXPECT_EQ(measured, (Lines{"3 item -1", "3 item 0"}));
    EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 20);
    EXPECT_EQ(SendMessage(combo, CB_GETITEMHEIGHT, 0, 0), 16);
    SendMessage(combo, CB_SETCURSEL, 1, 0);
    SetFocus(combo);
    drawn.clear();
    UpdateWindow(combo);
    EXPECT_EQ(drawn, (Lines{"3 1 s4113 combo"}));  // ODS_COMBOBOXEDIT | ODS_FOCUS | ODS_SELECTED
    drawn.clear();
    SendMessage(combo, CB_SHOWDROPDOWN, 1, 0);
    UpdateWindow(combo);
    UpdateWindow(Info(combo).hwndList);
    // While the list is down the field loses its focused look.
    EXPECT_EQ(drawn, (Lines{"3 1 s4096 combo", "3 0 s0 list", "3 1 s1 list", "3 2 s0 list"}));
}

TEST_F(ComboBox, ADropDownsEditShowsTheSelectionAndTellsOfTyping) {
    HWND combo = MakeCombo(CBS_DROPDOWN | CBS_AUTOHSCROLL);
    HWND edit = ChildWithId(combo, 1001);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(ClassOf(edit), "Edit");
    EXPECT_TRUE(GetWindowLongPtr(edit, GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_EQ(Info(combo).hwndItem, edit);
    auto editText = [&] {
        char text[32] = {};
        GetWindowText(edit, text, sizeof text);
        return std::string(text);
    };

    SendMessage(combo, CB_SETCURSEL, 2, 0);
    EXPECT_EQ(editText(), "item 2");
    SetFocus(combo);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(SendMessage(combo, CB_GETEDITSEL, 0, 0), MAKELONG(0, 6));  // all of it, on getting the focus
    EXPECT_EQ(notes, (Lines{"SETFOCUS"}));

    struct Step {
        const char* name;
        std::function<void()> act;
        Lines expected;
        std::string text;
        bool dropped;
    };
    std::vector<Step> steps{
        {"Down in the edit", [&] { Press(VK_DOWN); }, {"SELCHANGE"}, "item 3", false},
        {"F4 in the edit", [&] { Press(VK_F4); }, {"DROPDOWN"}, "item 3", true},
        {"Down while dropped", [&] { Press(VK_DOWN); }, {"SELCHANGE"}, "item 4", true},
        {"Escape", [&] { Press(VK_ESCAPE); }, {"SELENDCANCEL", "CLOSEUP"}, "item 3", false},
        {"typing", [&] { display.TypeText("x"); display.PumpMessages(); }, {"EDITUPDATE", "EDITCHANGE"}, "x", false},
        {"Alt+Down in the edit", [&] { AltPress(VK_DOWN); }, {"DROPDOWN"}, "x", true},
        {"Enter", [&] { Press(VK_RETURN); }, {"SELENDOK", "CLOSEUP"}, "x", false},
    };
    for (const Step& step : steps) {
        notes.clear();
        step.act();
        EXPECT_EQ(notes, step.expected) << step.name;
        EXPECT_EQ(editText(), step.text) << step.name;
        EXPECT_EQ(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0), step.dropped ? 1 : 0) << step.name;
    }

    notes.clear();
    char text[32] = {};
    EXPECT_EQ(GetWindowText(combo, text, sizeof text), 1);  // the combo's text is the edit's
    EXPECT_STREQ(text, "x");
    SetWindowText(combo, "item 1");
    EXPECT_EQ(editText(), "item 1");
    EXPECT_EQ(SendMessage(combo, CB_LIMITTEXT, 3, 0), 1);
    EXPECT_EQ(SendMessage(combo, CB_SETEDITSEL, 0, MAKELPARAM(1, 3)), 1);
    EXPECT_EQ(SendMessage(combo, CB_GETEDITSEL, 0, 0), MAKELONG(1, 3));
    EXPECT_TRUE(notes.empty());  // the program's own changes are not told back
    SetFocus(parent);
    EXPECT_EQ(notes, (Lines{"KILLFOCUS"}));
}

TEST_F(ComboBox, ASimpleCombosEditFollowsItsList) {
    HWND combo = MakeCombo(CBS_SIMPLE, 5, {20, 20, 220, 220});
    HWND edit = ChildWithId(combo, 1001);
    ASSERT_NE(edit, nullptr);
    HWND list = Info(combo).hwndList;
    RECT e = test::WindowRect(edit), l = test::WindowRect(list);
    EXPECT_LT(e.bottom, l.top);  // the edit above, the list below
    RECT dropped{};
    SendMessage(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_EQ(dropped.top, l.top);
    EXPECT_EQ(dropped.bottom, l.bottom);
    Click(ListItemPoint(list, 4));
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(notes, (Lines{"SETFOCUS", "SELCHANGE"}));
    char text[32] = {};
    GetWindowText(edit, text, sizeof text);
    EXPECT_STREQ(text, "item 4");
    std::string path = ::testing::TempDir() + "combo-simple.png";
    EXPECT_TRUE(SaveScreenPng(path));
}

}  // namespace
}  // namespace parch::comboboxtest
