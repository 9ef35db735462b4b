// No peer program exists for the standard controls here: the message sequences, answers and
// notifications pinned below are taken from Windows' public documentation of the button control
// (button styles, BM_* messages, BN_* notifications, WM_GETDLGCODE, owner drawing), recorded
// with the message recorder.

#include <gtest/gtest.h>

#include "platform/win/WinApi.h"
#include "tests/platform/win/ControlTestSupport.h"

namespace parch {
namespace {

using test::Lines;
using test::MemoryPicture;
using test::ScreenShot;

class Button : public test::ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        codeNames = {{BN_CLICKED, "BN_CLICKED"},     {BN_DOUBLECLICKED, "BN_DOUBLECLICKED"},
                     {BN_SETFOCUS, "BN_SETFOCUS"},   {BN_KILLFOCUS, "BN_KILLFOCUS"},
                     {BN_HILITE, "BN_HILITE"},       {BN_UNHILITE, "BN_UNHILITE"}};
        logged = {{WM_LBUTTONDOWN, "WM_LBUTTONDOWN"}, {WM_LBUTTONUP, "WM_LBUTTONUP"},
                  {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"}, {WM_SETFOCUS, "WM_SETFOCUS"},
                  {WM_KILLFOCUS, "WM_KILLFOCUS"},       {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
                  {WM_KEYDOWN, "WM_KEYDOWN"},           {WM_KEYUP, "WM_KEYUP"},
                  {BM_SETSTATE, "BM_SETSTATE"},         {BM_SETCHECK, "BM_SETCHECK"},
                  {WM_MOUSEHOVER, "WM_MOUSEHOVER"},     {WM_MOUSELEAVE, "WM_MOUSELEAVE"}};
    }

    // A button at (20, 20) of the parent, 100 x 24, id 7.
    HWND MakeButton(DWORD style, const char* text = "OK", int id = 7) {
        HWND b = Make("Button", text, style, {20, 20, 120, 44}, id);
        names[b] = "btn";
        Pump();
        return b;
    }

    void ClickAt(HWND h, int x, int y) {
        const POINT p = ScreenPointOf(h, x, y);
        display.Click(p.x, p.y);
    }
};

TEST_F(Button, ClassNamesAreFoundWithoutRegardToCase) {
    for (const char* name : {"Button", "button", "BUTTON", "Static", "static", "STATIC"}) {
        HWND h = CreateWindowEx(0, name, "x", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
        ASSERT_NE(h, nullptr) << name;
        char cls[32] = {};
        GetClassName(h, cls, sizeof cls);
        EXPECT_TRUE(std::string(cls) == "Button" || std::string(cls) == "Static") << cls;
    }
}

TEST_F(Button, DialogCodesFollowTheStyle) {
    struct Case {
        const char* cls;
        DWORD style;
        LRESULT code;
    };
    const Case cases[] = {
        {"Button", BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
        {"Button", BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
        {"Button", BS_CHECKBOX, DLGC_BUTTON},
        {"Button", BS_AUTOCHECKBOX, DLGC_BUTTON},
        {"Button", BS_3STATE, DLGC_BUTTON},
        {"Button", BS_AUTO3STATE, DLGC_BUTTON},
        {"Button", BS_RADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON},
        {"Button", BS_AUTORADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON},
        {"Button", BS_GROUPBOX, DLGC_STATIC},
        {"Button", BS_OWNERDRAW, DLGC_BUTTON},
        {"Static", SS_LEFT, DLGC_STATIC},
        {"Static", SS_ETCHEDFRAME, DLGC_STATIC},
    };
    for (const Case& c : cases) {
        HWND h = Make(c.cls, "x", c.style, {0, 0, 10, 10});
        EXPECT_EQ(SendMessage(h, WM_GETDLGCODE, 0, 0), c.code) << c.cls << " style " << c.style;
    }
}

// A press and release inside: pushed on the press, released, toggled when automatic, then the
// capture goes and the parent hears BN_CLICKED.
TEST_F(Button, MouseClickSequencesByStyle) {
    const Lines pressed{"btn WM_LBUTTONDOWN", "btn WM_SETFOCUS", "btn BM_SETSTATE 1", "btn WM_LBUTTONUP",
                        "btn BM_SETSTATE 0"};
    struct Case {
        DWORD style;
        Lines afterRelease;
        LRESULT check;
    };
    const Case cases[] = {
        {BS_PUSHBUTTON, {"btn WM_CAPTURECHANGED", "parent BN_CLICKED 7"}, BST_UNCHECKED},
        {BS_CHECKBOX, {"btn WM_CAPTURECHANGED", "parent BN_CLICKED 7"}, BST_UNCHECKED},
        {BS_AUTOCHECKBOX, {"btn BM_SETCHECK 1", "btn WM_CAPTURECHANGED", "parent BN_CLICKED 7"}, BST_CHECKED},
        {BS_AUTO3STATE, {"btn BM_SETCHECK 1", "btn WM_CAPTURECHANGED", "parent BN_CLICKED 7"}, BST_CHECKED},
        {BS_RADIOBUTTON, {"btn WM_CAPTURECHANGED", "parent BN_CLICKED 7"}, BST_UNCHECKED},
        {BS_AUTORADIOBUTTON, {"btn BM_SETCHECK 1", "btn WM_CAPTURECHANGED", "parent BN_CLICKED 7"}, BST_CHECKED},
    };
    for (const Case& c : cases) {
        HWND b = MakeButton(c.style);
        ClickAt(b, 10, 10);
        Lines expected = pressed;
        expected.insert(expected.end(), c.afterRelease.begin(), c.afterRelease.end());
        EXPECT_EQ(Pump(), expected) << "style " << c.style;
        EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), c.check) << "style " << c.style;
        EXPECT_EQ(GetCapture(), nullptr);
        DestroyWindow(b);
        Pump();
    }
}

TEST_F(Button, PressedLookOnlyWhileTheCursorIsInsideAndNoClickOutside) {
    HWND b = MakeButton(BS_AUTOCHECKBOX);
    logged.erase(WM_MOUSELEAVE);  // hover has its own test
    const POINT inside = ScreenPointOf(b, 10, 10);
    const POINT outside = ScreenPointOf(b, 150, 10);
    display.MoveMouse(inside.x, inside.y);
    display.MouseDown();
    Pump();
    EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    display.MoveMouse(outside.x, outside.y);
    EXPECT_EQ(Pump(), (Lines{"btn BM_SETSTATE 0"}));
    EXPECT_EQ(GetCapture(), b);  // still tracking the press
    display.MoveMouse(inside.x, inside.y);
    EXPECT_EQ(Pump(), (Lines{"btn BM_SETSTATE 1"}));
    display.MoveMouse(outside.x, outside.y);
    display.MouseUp();
    EXPECT_EQ(Pump(), (Lines{"btn BM_SETSTATE 0", "btn WM_LBUTTONUP", "btn WM_CAPTURECHANGED"}));
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Button, SpaceBarPressAndReleaseClick) {
    HWND b = MakeButton(BS_AUTOCHECKBOX);
    SetFocus(b);
    Pump();
    display.KeyDown(VK_SPACE);
    EXPECT_EQ(Pump(), (Lines{"btn WM_KEYDOWN 32", "btn BM_SETSTATE 1"}));
    display.KeyDown(VK_SPACE);  // auto-repeat does not press again
    EXPECT_EQ(Pump(), (Lines{"btn WM_KEYDOWN 32"}));
    display.KeyUp(VK_SPACE);
    EXPECT_EQ(Pump(), (Lines{"btn WM_KEYUP 32", "btn BM_SETSTATE 0", "btn BM_SETCHECK 1", "btn WM_CAPTURECHANGED",
                             "parent BN_CLICKED 7"}));
    // Focus taken away during a press: released without a click.
    display.KeyDown(VK_SPACE);
    Pump();
    SetFocus(parent);
    EXPECT_EQ(Pump(), (Lines{"btn WM_KILLFOCUS", "btn BM_SETSTATE 0", "btn WM_CAPTURECHANGED"}));
    display.KeyUp(VK_SPACE);
    Pump();
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_CHECKED);
}

// Radio, owner-drawn and BS_NOTIFY buttons report double clicks; the others take the second
// click as another press.
TEST_F(Button, DoubleClicksByStyle) {
    struct Case {
        DWORD style;
        Lines notifications;
    };
    const Case cases[] = {
        {BS_PUSHBUTTON, {"parent BN_CLICKED 7", "parent BN_CLICKED 7"}},
        {BS_AUTOCHECKBOX, {"parent BN_CLICKED 7", "parent BN_CLICKED 7"}},
        {BS_PUSHBUTTON | BS_NOTIFY, {"parent BN_SETFOCUS 7", "parent BN_CLICKED 7", "parent BN_DOUBLECLICKED 7"}},
        {BS_AUTORADIOBUTTON, {"parent BN_CLICKED 7", "parent BN_DOUBLECLICKED 7"}},
        {BS_OWNERDRAW, {"parent BN_CLICKED 7", "parent BN_DOUBLECLICKED 7"}},
    };
    for (const Case& c : cases) {
        HWND b = MakeButton(c.style);
        const POINT p = ScreenPointOf(b, 10, 10);
        display.DoubleClick(p.x, p.y);
        Lines notifications;
        for (const std::string& line : Pump())
            if (line.rfind("parent", 0) == 0) notifications.push_back(line);
        EXPECT_EQ(notifications, c.notifications) << "style " << c.style;
        if (c.style == BS_AUTOCHECKBOX) {
            EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        }
        DestroyWindow(b);
        Pump();
        display.AdvanceTime(1000);  // the next button's first click is no double click
    }
}

TEST_F(Button, FocusNotificationsOnlyWithNotifyStyle) {
    for (DWORD extra : {DWORD{0}, BS_NOTIFY}) {
        HWND b = MakeButton(BS_PUSHBUTTON | extra);
        SetFocus(b);
        EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0), BST_FOCUS);
        SetFocus(parent);
        Lines expected{"btn WM_SETFOCUS", "btn WM_KILLFOCUS"};
        if (extra) expected = {"btn WM_SETFOCUS", "parent BN_SETFOCUS 7", "btn WM_KILLFOCUS", "parent BN_KILLFOCUS 7"};
        EXPECT_EQ(Pump(), expected);
        EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0), 0);
        DestroyWindow(b);
    }
}

TEST_F(Button, CheckValuesAreKeptWithinWhatTheStyleCanShow) {
    struct Case {
        DWORD style;
        WPARAM set;
        LRESULT got;
    };
    const Case cases[] = {
        {BS_PUSHBUTTON, BST_CHECKED, BST_UNCHECKED},      {BS_GROUPBOX, BST_CHECKED, BST_UNCHECKED},
        {BS_CHECKBOX, BST_CHECKED, BST_CHECKED},           {BS_CHECKBOX, BST_INDETERMINATE, BST_CHECKED},
        {BS_3STATE, BST_INDETERMINATE, BST_INDETERMINATE}, {BS_AUTO3STATE, BST_CHECKED, BST_CHECKED},
        {BS_RADIOBUTTON, BST_INDETERMINATE, BST_CHECKED},  {BS_AUTOCHECKBOX, BST_UNCHECKED, BST_UNCHECKED},
    };
    for (const Case& c : cases) {
        HWND b = Make("Button", "x", c.style, {0, 0, 10, 10});
        SendMessage(b, BM_SETCHECK, c.set, 0);
        EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), c.got) << "style " << c.style << " set " << c.set;
        EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0) & 3, c.got);
    }
}

TEST_F(Button, AutoThreeStateCyclesThroughIndeterminate) {
    HWND b = MakeButton(BS_AUTO3STATE);
    std::vector<LRESULT> seen;
    for (int i = 0; i < 4; ++i) {
        SendMessage(b, BM_CLICK, 0, 0);
        seen.push_back(SendMessage(b, BM_GETCHECK, 0, 0));
    }
    EXPECT_EQ(seen, (std::vector<LRESULT>{BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED, BST_CHECKED}));
}

// Group one: radios a, b and a plain radio c; group two starts at d. Clicking b clears a and c
// and leaves group two alone.
TEST_F(Button, AutoRadioClearsTheOtherRadiosOfItsGroup) {
    HWND a = Make("Button", "a", BS_AUTORADIOBUTTON | WS_GROUP, {10, 10, 90, 30}, 1);
    HWND b = Make("Button", "b", BS_AUTORADIOBUTTON, {10, 40, 90, 60}, 2);
    HWND c = Make("Button", "c", BS_RADIOBUTTON, {10, 70, 90, 90}, 3);
    HWND d = Make("Button", "d", BS_AUTORADIOBUTTON | WS_GROUP, {10, 100, 90, 120}, 4);
    HWND e = Make("Button", "e", BS_AUTORADIOBUTTON, {10, 130, 90, 150}, 5);
    for (HWND h : {a, c, d, e}) SendMessage(h, BM_SETCHECK, BST_CHECKED, 0);
    Pump();
    ClickAt(b, 5, 5);
    const Lines lines = Pump();
    auto checks = [&] {
        std::string s;
        for (HWND h : {a, b, c, d, e}) s += std::to_string(SendMessage(h, BM_GETCHECK, 0, 0));
        return s;
    };
    EXPECT_EQ(checks(), "01011");
    const Lines expectedTail{"Button2 BM_SETCHECK 1", "Button1 BM_SETCHECK 0", "Button3 BM_SETCHECK 0",
                             "Button2 WM_CAPTURECHANGED", "parent BN_CLICKED 2"};
    ASSERT_GE(lines.size(), expectedTail.size());
    EXPECT_EQ(Lines(lines.end() - 5, lines.end()), expectedTail);
    // The first of the parent's children with no WS_GROUP before it starts a group too.
    SetWindowLongPtr(a, GWL_STYLE, GetWindowLongPtr(a, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_GROUP));
    SendMessage(a, BM_CLICK, 0, 0);
    EXPECT_EQ(checks(), "10011");
    // Top-level radio buttons are in no group: other top-level windows are left alone.
    HWND first = CreateWindowEx(0, "Button", "f", WS_POPUP | BS_AUTORADIOBUTTON, 0, 0, 50, 20, nullptr, nullptr,
                                nullptr, nullptr);
    HWND second = CreateWindowEx(0, "Button", "s", WS_POPUP | BS_AUTORADIOBUTTON, 0, 30, 50, 20, nullptr, nullptr,
                                 nullptr, nullptr);
    SendMessage(second, BM_SETCHECK, BST_CHECKED, 0);
    SendMessage(first, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessage(first, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessage(second, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(Button, ClickMessageClicksOnlyAnEnabledButton) {
    HWND b = MakeButton(BS_AUTOCHECKBOX);
    SendMessage(b, BM_CLICK, 0, 0);
    EXPECT_EQ(Pump(), (Lines{"btn WM_LBUTTONDOWN", "btn WM_SETFOCUS", "btn BM_SETSTATE 1", "btn WM_LBUTTONUP",
                             "btn BM_SETSTATE 0", "btn BM_SETCHECK 1", "btn WM_CAPTURECHANGED", "parent BN_CLICKED 7"}));
    EnableWindow(b, 0);
    Pump();
    SendMessage(b, BM_CLICK, 0, 0);
    EXPECT_EQ(Pump(), Lines{});
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_CHECKED);
}

// The skin reads hover from WM_MOUSEHOVER and WM_MOUSELEAVE arriving at the button.
TEST_F(Button, HoverIsTrackedForTheSkin) {
    HWND b = MakeButton(BS_PUSHBUTTON);
    const POINT inside = ScreenPointOf(b, 10, 10);
    display.MoveMouse(inside.x, inside.y);
    EXPECT_EQ(Pump(), Lines{});
    EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0), BST_HOT);
    display.AdvanceTime(1000);
    EXPECT_EQ(Pump(), (Lines{"btn WM_MOUSEHOVER"}));
    display.MoveMouse(inside.x + 200, inside.y);
    EXPECT_EQ(Pump(), (Lines{"btn WM_MOUSELEAVE"}));
    EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0), 0);
}

TEST_F(Button, StyleMessageChangesTheTypeOnly) {
    HWND b = MakeButton(BS_PUSHBUTTON | BS_MULTILINE);
    SendMessage(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
    EXPECT_EQ(GetWindowLongPtr(b, GWL_STYLE) & 0xFFFF, static_cast<LONG_PTR>(BS_DEFPUSHBUTTON | BS_MULTILINE));
    EXPECT_EQ(SendMessage(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
}

TEST_F(Button, ImagesAreKeptByKind) {
    HWND b = MakeButton(BS_PUSHBUTTON | BS_BITMAP);
    HBITMAP one = CreateBitmap(8, 8, 1, 32, nullptr);
    HBITMAP two = CreateBitmap(8, 8, 1, 32, nullptr);
    HICON icon = test::MakeSolidIcon(8, 8, RGB(0, 0, 200));
    EXPECT_EQ(SendMessage(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(one)), 0);
    EXPECT_EQ(SendMessage(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(two)), reinterpret_cast<LRESULT>(one));
    EXPECT_EQ(SendMessage(b, BM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(two));
    EXPECT_EQ(SendMessage(b, BM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_EQ(SendMessage(b, BM_SETIMAGE, 5, reinterpret_cast<LPARAM>(one)), 0);  // no such kind
    // One image at a time: an icon replaces the bitmap.
    EXPECT_EQ(SendMessage(b, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)), reinterpret_cast<LRESULT>(two));
    EXPECT_EQ(SendMessage(b, BM_GETIMAGE, IMAGE_ICON, 0), reinterpret_cast<LRESULT>(icon));
    EXPECT_EQ(SendMessage(b, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    SendMessage(b, BM_SETIMAGE, IMAGE_ICON, 0);
    DeleteObject(one);
    DeleteObject(two);
    DestroyIcon(icon);
}

TEST_F(Button, IconButtonShowsItsIconCentred) {
    HWND b = MakeButton(BS_PUSHBUTTON | BS_ICON);
    HICON icon = test::MakeSolidIcon(8, 8, RGB(0, 0, 200));
    SendMessage(b, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    Pump();
    RECT client;
    GetClientRect(b, &client);
    EXPECT_EQ(test::CountPixels(b, client, RGB(0, 0, 200)), 64);
    const ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(b, 46, 8), RGB(0, 0, 200));  // (100 - 8) / 2, (24 - 8) / 2
    EXPECT_NE(shot.ClientPixel(b, 45, 7), RGB(0, 0, 200));
    SendMessage(b, BM_SETIMAGE, IMAGE_ICON, 0);
    DestroyIcon(icon);
}

TEST_F(Button, BitmapButtonShowsItsBitmapCentred) {
    HWND b = MakeButton(BS_PUSHBUTTON | BS_BITMAP);
    MemoryPicture red(10, 6, RGB(200, 0, 0));
    HBITMAP bitmap = CreateBitmap(10, 6, 1, 32, nullptr);
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        BitBlt(dc, 0, 0, 10, 6, red.Dc(), 0, 0, SRCCOPY);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    SendMessage(b, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    Pump();
    RECT client;
    GetClientRect(b, &client);
    EXPECT_EQ(test::CountPixels(b, client, RGB(200, 0, 0)), 60);
    const ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(b, 45, 9), RGB(200, 0, 0));  // (100 - 10) / 2, (24 - 6) / 2
    EXPECT_NE(shot.ClientPixel(b, 44, 9), RGB(200, 0, 0));
    SendMessage(b, BM_SETIMAGE, IMAGE_BITMAP, 0);
    DeleteObject(bitmap);
}

// The check-box and radio glyphs on the screen are the DrawFrameControl cells.
TEST_F(Button, GlyphsAreTheFrameControlCells) {
    struct Case {
        DWORD style;
        WPARAM check;
        bool disabled;
        bool pushed;
        UINT cell;
    };
    const Case cases[] = {
        {BS_CHECKBOX, BST_UNCHECKED, false, false, DFCS_BUTTONCHECK},
        {BS_CHECKBOX, BST_CHECKED, false, false, DFCS_BUTTONCHECK | DFCS_CHECKED},
        {BS_3STATE, BST_INDETERMINATE, false, false, DFCS_BUTTON3STATE | DFCS_CHECKED},
        {BS_RADIOBUTTON, BST_CHECKED, false, false, DFCS_BUTTONRADIO | DFCS_CHECKED},
        {BS_RADIOBUTTON, BST_UNCHECKED, true, false, DFCS_BUTTONRADIO | DFCS_INACTIVE},
        {BS_CHECKBOX, BST_CHECKED, false, true, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_PUSHED},
        {BS_CHECKBOX | BS_FLAT, BST_CHECKED, false, false, DFCS_BUTTONCHECK | DFCS_CHECKED | DFCS_FLAT},
    };
    for (const Case& c : cases) {
        HWND b = MakeButton(c.style | (c.disabled ? WS_DISABLED : 0));
        SendMessage(b, BM_SETCHECK, c.check, 0);
        SendMessage(b, BM_SETSTATE, c.pushed, 0);
        Pump();
        MemoryPicture cell(kCheckGlyphSize, kCheckGlyphSize, GetSysColor(COLOR_3DFACE));
        RECT r{0, 0, kCheckGlyphSize, kCheckGlyphSize};
        DrawFrameControl(cell.Dc(), &r, DFC_BUTTON, c.cell);
        EXPECT_EQ(test::CompareClientWithPicture(b, cell, {0, (24 - kCheckGlyphSize) / 2}), "") << "cell " << c.cell;
        DestroyWindow(b);
    }
}

TEST_F(Button, LeftTextPutsTheGlyphOnTheRight) {
    HWND b = MakeButton(BS_CHECKBOX | BS_LEFTTEXT);
    SendMessage(b, BM_SETCHECK, BST_CHECKED, 0);
    Pump();
    MemoryPicture cell(kCheckGlyphSize, kCheckGlyphSize);
    RECT r{0, 0, kCheckGlyphSize, kCheckGlyphSize};
    DrawFrameControl(cell.Dc(), &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    EXPECT_EQ(test::CompareClientWithPicture(b, cell, {100 - kCheckGlyphSize, (24 - kCheckGlyphSize) / 2}), "");
}

TEST_F(Button, SystemCheckBoxBitmapHoldsTheFrameControlCells) {
    HBITMAP cells = LoadBitmap(nullptr, MAKEINTRESOURCE(OBM_CHECKBOXES));
    ASSERT_NE(cells, nullptr);
    BITMAP info;
    ASSERT_TRUE(GetObject(cells, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 4 * kCheckGlyphSize);
    EXPECT_EQ(info.bmHeight, 3 * kCheckGlyphSize);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, cells);
    const UINT rows[] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
    const UINT columns[] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column) {
            MemoryPicture cell(kCheckGlyphSize, kCheckGlyphSize, GetSysColor(COLOR_3DFACE));
            RECT r{0, 0, kCheckGlyphSize, kCheckGlyphSize};
            DrawFrameControl(cell.Dc(), &r, DFC_BUTTON, rows[row] | columns[column]);
            int differing = 0;
            for (int y = 0; y < kCheckGlyphSize; ++y)
                for (int x = 0; x < kCheckGlyphSize; ++x)
                    differing += GetPixel(dc, column * kCheckGlyphSize + x, row * kCheckGlyphSize + y) != cell.Pixel(x, y);
            EXPECT_EQ(differing, 0) << "row " << row << " column " << column;
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(cells);
    // Named resources and other modules' bitmaps are not this layer's.
    EXPECT_EQ(LoadBitmap(nullptr, "checkboxes"), nullptr);
    EXPECT_EQ(LoadBitmap(reinterpret_cast<HINSTANCE>(1), MAKEINTRESOURCE(OBM_CHECKBOXES)), nullptr);
    EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCE(1)), nullptr);
}

// WM_PRINTCLIENT draws what WM_PAINT put on the screen.
TEST_F(Button, PrintClientGivesThePaintedPixels) {
    const DWORD styles[] = {BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON,
                            BS_3STATE | BS_LEFTTEXT, BS_AUTOCHECKBOX | BS_PUSHLIKE, BS_PUSHBUTTON | WS_DISABLED};
    for (DWORD style : styles) {
        HWND b = MakeButton(style, "&Print me");
        SendMessage(b, BM_SETCHECK, BST_CHECKED, 0);
        if (!(style & WS_DISABLED)) SetFocus(b);
        Pump();
        MemoryPicture printed(100, 24);
        SendMessage(b, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.Dc()), PRF_CLIENT);
        EXPECT_EQ(test::CompareClientWithPicture(b, printed), "") << "style " << style;
        MemoryPicture whole(100, 24);
        SendMessage(b, WM_PRINT, reinterpret_cast<WPARAM>(whole.Dc()), PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
        EXPECT_EQ(test::CompareClientWithPicture(b, whole), "") << "style " << style;
        DestroyWindow(b);
    }
}

// The group box draws its frame and caption and leaves its inside to what lies under it; it is
// transparent to the mouse.
TEST_F(Button, GroupBoxFrameCaptionAndTransparency) {
    HWND g = Make("Button", "Group", BS_GROUPBOX, {20, 20, 220, 120}, 9);
    Pump();
    const ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(g, 100, 50), GetSysColor(COLOR_3DFACE));  // inside: the parent's paint
    EXPECT_EQ(shot.ClientPixel(g, 0, 60), GetSysColor(COLOR_3DSHADOW));  // etched frame: shadow, then
    EXPECT_EQ(shot.ClientPixel(g, 1, 60), GetSysColor(COLOR_3DHILIGHT));  // highlight
    EXPECT_EQ(shot.ClientPixel(g, 100, 99), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(SendMessage(g, WM_NCHITTEST, 0, MAKELPARAM(150, 170)), HTTRANSPARENT);
    const POINT p = ScreenPointOf(g, 100, 50);
    EXPECT_EQ(WindowFromPoint(p), parent);
}

TEST_F(Button, OwnerDrawGetsItsDrawItemRecords) {
    HWND b = MakeButton(BS_OWNERDRAW);
    ASSERT_FALSE(drawn.empty());
    const DRAWITEMSTRUCT first = drawn.back();
    EXPECT_EQ(first.CtlType, ODT_BUTTON);
    EXPECT_EQ(first.CtlID, 7u);
    EXPECT_EQ(first.itemAction, ODA_DRAWENTIRE);
    EXPECT_EQ(first.itemState, 0u);
    EXPECT_EQ(first.hwndItem, b);
    EXPECT_NE(first.hDC, nullptr);
    EXPECT_EQ(first.rcItem.right, 100);
    EXPECT_EQ(first.rcItem.bottom, 24);
    auto actions = [&] {
        std::vector<std::pair<UINT, UINT>> seen;
        for (const DRAWITEMSTRUCT& d : drawn) seen.emplace_back(d.itemAction, d.itemState);
        drawn.clear();
        return seen;
    };
    drawn.clear();
    SetFocus(b);
    Pump();
    EXPECT_EQ(actions(), (std::vector<std::pair<UINT, UINT>>{{ODA_FOCUS, ODS_FOCUS}}));
    SendMessage(b, BM_SETSTATE, 1, 0);
    EXPECT_EQ(actions(), (std::vector<std::pair<UINT, UINT>>{{ODA_SELECT, ODS_SELECTED | ODS_FOCUS}}));
    SendMessage(b, BM_SETSTATE, 0, 0);
    SetFocus(parent);
    EnableWindow(b, 0);
    InvalidateRect(b, nullptr, 1);
    Pump();
    EXPECT_EQ(actions(), (std::vector<std::pair<UINT, UINT>>{
                             {ODA_SELECT, ODS_FOCUS}, {ODA_FOCUS, 0}, {ODA_DRAWENTIRE, ODS_DISABLED}}));
}

// Push buttons ask with WM_CTLCOLORBTN, the others with WM_CTLCOLORSTATIC, before painting; the
// brush and text colour of the answer are used.
TEST_F(Button, ColoursAreAskedOfTheParent) {
    HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
    std::vector<std::pair<UINT, HWND>> asked;
    colorAnswer = [&](UINT m, HDC dc, HWND control) -> std::optional<LRESULT> {
        if (m != WM_CTLCOLORBTN && m != WM_CTLCOLORSTATIC) return std::nullopt;
        asked.emplace_back(m, control);
        if (m != WM_CTLCOLORSTATIC) return std::nullopt;
        SetTextColor(dc, RGB(0, 0, 200));
        return reinterpret_cast<LRESULT>(red);
    };
    HWND push = Make("Button", "Push", BS_PUSHBUTTON, {10, 10, 110, 34}, 1);
    HWND check = Make("Button", "Check", BS_CHECKBOX, {10, 40, 110, 64}, 2);
    HWND group = Make("Button", "Group", BS_GROUPBOX, {10, 70, 110, 134}, 3);
    Pump();
    auto askedOf = [&](HWND h) {
        std::vector<UINT> messages;
        for (const auto& [m, control] : asked)
            if (control == h) messages.push_back(m);
        return messages;
    };
    EXPECT_EQ(askedOf(push), std::vector<UINT>{WM_CTLCOLORBTN});
    EXPECT_EQ(askedOf(check), std::vector<UINT>{WM_CTLCOLORSTATIC});
    EXPECT_EQ(askedOf(group), std::vector<UINT>{WM_CTLCOLORSTATIC});
    const ScreenShot shot;
    EXPECT_EQ(shot.ClientPixel(check, 99, 2), RGB(200, 0, 0));
    int blueInk = 0;  // the caption in the parent's colour (its edges blend into the red)
    for (int y = 0; y < 24; ++y)
        for (int x = 17; x < 100; ++x) {
            const COLORREF c = shot.ClientPixel(check, x, y);
            blueInk += GetBValue(c) > 120 && GetRValue(c) < 120;
        }
    EXPECT_GT(blueInk, 10);
    DestroyWindow(check);
    DestroyWindow(group);
    DeleteObject(red);
}

TEST_F(Button, PushedButtonMovesItsCaption) {
    HWND b = MakeButton(BS_PUSHBUTTON, "W");
    RECT client;
    GetClientRect(b, &client);
    auto inkBox = [&] {
        const ScreenShot shot;
        RECT box{1000, 1000, -1, -1};
        for (int y = 4; y < 20; ++y)
            for (int x = 4; x < 96; ++x)
                if (shot.ClientPixel(b, x, y) == GetSysColor(COLOR_BTNTEXT)) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                }
        return box;
    };
    const RECT up = inkBox();
    SendMessage(b, BM_SETSTATE, 1, 0);
    Pump();
    const RECT down = inkBox();
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
}

TEST_F(Button, MultilineCaptionWraps) {
    auto inkRows = [&](DWORD style) {
        HWND b = Make("Button", "wrapping words here", style, {20, 20, 90, 70}, 3);
        Pump();
        const ScreenShot shot;
        int rows = 0;
        for (int y = 0; y < 50; ++y) {
            bool ink = false;
            for (int x = kCheckGlyphSize + 1; x < 70; ++x) ink |= shot.ClientPixel(b, x, y) != GetSysColor(COLOR_3DFACE);
            rows += ink;
        }
        DestroyWindow(b);
        Pump();
        return rows;
    };
    EXPECT_GT(inkRows(BS_CHECKBOX | BS_MULTILINE), inkRows(BS_CHECKBOX) + 8);
}

}  // namespace
}  // namespace parch
