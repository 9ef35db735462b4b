// The menu bar and the system menu. No other implementation runs beside ours: the expected
// sequences follow the window system's public documentation (the bar entered by mouse and by
// Alt, F10 and mnemonics; system menu items arriving as WM_SYSCOMMAND).

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/TextLayout.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

class MenuBarTest : public test::RecorderTest {
protected:
    void SetUp() override {
        bar = CreateMenu();
        file = CreatePopupMenu();
        edit = CreatePopupMenu();
        AppendMenu(file, MF_STRING, 10, "&Open\tCtrl+O");
        AppendMenu(file, MF_STRING, 11, "E&xit");
        AppendMenu(edit, MF_STRING, 20, "&Undo\tCtrl+Z");
        AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
        AppendMenu(bar, MF_STRING, 30, "&Help");
        w = rec.Create("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
        rec.Ignore(WM_MOUSEMOVE);
        rec.Ignore(WM_NCMOUSEMOVE);
    }

    // Collects the commands and system commands the window gets.
    void WatchCommands() {
        rec.SetHandler([this](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
            if (m == WM_COMMAND) commands.push_back("command " + std::to_string(LOWORD(wp)));
            if (m == WM_SYSCOMMAND && (wp & 0xFFF0) != SC_KEYMENU && (wp & 0xFFF0) != SC_MOUSEMENU) {
                commands.push_back("syscommand " + std::to_string(wp & 0xFFF0));
                return 0;
            }
            return std::nullopt;
        });
    }

    RECT ClientOnScreen() {
        RECT r;
        GetClientRect(w, &r);
        POINT p{0, 0};
        ClientToScreen(w, &p);
        OffsetRect(&r, p.x, p.y);
        return r;
    }

    HMENU bar, file, edit;
    HWND w;
    Lines commands;
};

TEST_F(MenuBarTest, TheBarTakesRoomBelowTheCaptionAndAnswersHtMenu) {
    RECT before = ClientOnScreen();
    ASSERT_TRUE(SetMenu(w, bar));
    EXPECT_EQ(GetMenu(w), bar);
    RECT after = ClientOnScreen();
    EXPECT_EQ(after.top - before.top, GetSystemMetrics(SM_CYMENU));
    RECT item;
    ASSERT_TRUE(GetMenuItemRect(w, bar, 0, &item));
    EXPECT_EQ(item.bottom, after.top);
    POINT p{item.left + 3, item.top + 3};
    EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y))), HTMENU);

    // A narrow window wraps the bar onto more rows.
    HMENU narrowBar = CreateMenu();
    for (const char* text : {"&File", "&Edit", "&Help"}) AppendMenu(narrowBar, MF_STRING, 1, text);
    HWND narrow = rec.Create("n", WS_POPUP | WS_CAPTION | WS_VISIBLE, nullptr, {600, 100, 690, 300});
    ASSERT_TRUE(SetMenu(narrow, narrowBar));
    RECT first, last;
    GetMenuItemRect(narrow, narrowBar, 0, &first);
    GetMenuItemRect(narrow, narrowBar, 2, &last);
    EXPECT_EQ(last.top, first.bottom);
    EXPECT_EQ(last.left, first.left);
    POINT origin{0, 0};
    ClientToScreen(narrow, &origin);
    EXPECT_EQ(origin.y, last.bottom);

    // A child window has no bar; a popup menu cannot be one.
    HWND child = rec.Create("c", WS_CHILD | WS_VISIBLE, w, {0, 0, 50, 50});
    EXPECT_FALSE(SetMenu(child, bar));
    EXPECT_FALSE(SetMenu(w, file));
    ASSERT_TRUE(SetMenu(w, nullptr));
    EXPECT_EQ(ClientOnScreen().top, before.top);
}

TEST_F(MenuBarTest, ClickOnTheBarOpensThePopupBelowItsItem) {
    SetMenu(w, bar);
    display.PumpMessages();
    WatchCommands();
    RECT fileItem, open;
    GetMenuItemRect(w, bar, 0, &fileItem);
    std::vector<std::string> seen;
    rec.SetHandler([&](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_ENTERMENULOOP) seen.push_back("enter " + std::to_string(wp));
        if (m == WM_INITMENU) seen.push_back(reinterpret_cast<HMENU>(wp) == bar ? "init bar" : "init other");
        if (m == WM_INITMENUPOPUP) {
            seen.push_back("popup at " + std::to_string(LOWORD(lp)));
            PostMessage(w, WM_USER, 0, 0);
        }
        if (m == WM_USER) {
            EXPECT_TRUE(GetMenuItemRect(w, file, 0, &open));
            EXPECT_EQ(open.top, fileItem.bottom + 3);
            EXPECT_EQ(open.left, fileItem.left + 3);
            display.Click(open.left + 5, open.top + 5);
        }
        if (m == WM_COMMAND) seen.push_back("command " + std::to_string(LOWORD(wp)) + " " + std::to_string(HIWORD(wp)));
        return std::nullopt;
    });
    display.Click(fileItem.left + 5, fileItem.top + 5);
    display.PumpMessages();
    EXPECT_EQ(seen, (Lines{"enter 0", "init bar", "popup at 0", "command 10 0"}));
}

TEST_F(MenuBarTest, KeyboardEntersTheBar) {
    SetMenu(w, bar);
    display.PumpMessages();
    struct Case {
        const char* name;
        std::function<void(HeadlessDisplay&)> keys;
        Lines expected;
    };
    const Case cases[] = {
        {"alt alone, right, down, enter",
         [](HeadlessDisplay& d) {
             d.PressKey(VK_MENU);
             d.PressKey(VK_RIGHT);
             d.PressKey(VK_DOWN);
             d.PressKey(VK_RETURN);
         },
         {"command 20"}},
        {"f10, then enter on a popup opens it, down moves",
         [](HeadlessDisplay& d) {
             d.PressKey(VK_F10);
             d.PressKey(VK_RETURN);
             d.PressKey(VK_DOWN);
             d.PressKey(VK_RETURN);
         },
         {"command 11"}},
        {"alt with a mnemonic opens that menu, a letter picks",
         [](HeadlessDisplay& d) {
             d.KeyDown(VK_MENU);
             d.PressKey('F');
             d.KeyUp(VK_MENU);
             d.TypeText("x");
         },
         {"command 11"}},
        {"alt, h picks a command straight on the bar",
         [](HeadlessDisplay& d) {
             d.PressKey(VK_MENU);
             d.TypeText("h");
         },
         {"command 30"}},
        {"right from the last popup wraps to the first; escape twice leaves",
         [](HeadlessDisplay& d) {
             d.PressKey(VK_MENU);
             d.PressKey(VK_LEFT);
             d.PressKey(VK_ESCAPE);
             d.PressKey(VK_ESCAPE);
         },
         {}},
        {"alt pressed with another key does not enter the bar",
         [](HeadlessDisplay& d) {
             d.KeyDown(VK_MENU);
             d.PressKey('Q');
             d.KeyUp(VK_MENU);
             d.PressKey(VK_RETURN);
         },
         {}},
    };
    for (const Case& c : cases) {
        commands.clear();
        WatchCommands();
        SetFocus(w);
        c.keys(display);
        display.PumpMessages();
        display.PumpMessages();
        EXPECT_EQ(commands, c.expected) << c.name;
        EXPECT_EQ(FindWindow("#32768", nullptr), nullptr) << c.name;
    }
}

TEST_F(MenuBarTest, SystemMenuOpensFromTheIconAndByAltSpaceAndSendsSysCommands) {
    SetMenu(w, bar);
    display.PumpMessages();
    std::vector<std::string> popups;
    rec.SetHandler([&](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_INITMENUPOPUP) {
            popups.push_back("sys " + std::to_string(HIWORD(lp)) +
                             (reinterpret_cast<HMENU>(wp) == GetSystemMenu(w, 0) ? " system menu" : " other"));
        }
        if (m == WM_SYSCOMMAND && (wp & 0xFFF0) != SC_KEYMENU && (wp & 0xFFF0) != SC_MOUSEMENU) {
            commands.push_back("syscommand " + std::to_string(wp & 0xFFF0));
            return 0;
        }
        return std::nullopt;
    });
    // Alt+Space, then M for Move.
    display.KeyDown(VK_MENU);
    display.PressKey(VK_SPACE);
    display.KeyUp(VK_MENU);
    display.TypeText("m");
    display.PumpMessages();
    display.PumpMessages();
    // A click on the caption icon, then Close by its mnemonic.
    RECT window = test::WindowRect(w);
    display.Click(window.left + 8, window.top + 10);
    display.TypeText("c");
    display.PumpMessages();
    display.PumpMessages();
    EXPECT_EQ(popups, (Lines{"sys 1 system menu", "sys 1 system menu"}));
    EXPECT_EQ(commands, (Lines{"syscommand " + std::to_string(SC_MOVE), "syscommand " + std::to_string(SC_CLOSE)}));
}

// The look of a window with a bar and an open popup with a submenu, checked, radio, greyed,
// default and owner-drawn items, saved for a look.
TEST_F(MenuBarTest, PictureOfTheMenus) {
    HMENU more = CreatePopupMenu();
    AppendMenu(more, MF_STRING | MF_CHECKED, 40, "&Checked");
    AppendMenu(more, MF_STRING, 41, "&Radio A");
    AppendMenu(more, MF_STRING, 42, "Radio &B");
    CheckMenuRadioItem(more, 41, 42, 42, MF_BYCOMMAND);
    AppendMenu(more, MF_OWNERDRAW, 43, nullptr);
    AppendMenu(file, MF_SEPARATOR, 0, nullptr);
    AppendMenu(file, MF_STRING | MF_GRAYED, 12, "&Greyed");
    AppendMenu(file, MF_POPUP, reinterpret_cast<UINT_PTR>(more), "&More");
    SetMenuDefaultItem(file, 10, 0);
    SetMenu(w, bar);
    display.PumpMessages();
    std::string path = (std::filesystem::temp_directory_path() / "parch-menus.png").string();
    bool saved = false;
    rec.SetHandler([&](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_MEASUREITEM) {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            mi->itemWidth = 110;
            mi->itemHeight = 24;
            return 1;
        }
        if (m == WM_DRAWITEM) {
            auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            HBRUSH brush = CreateSolidBrush((di->itemState & ODS_SELECTED) ? RGB(0, 0, 160) : RGB(200, 230, 200));
            FillRect(di->hDC, &di->rcItem, brush);
            DeleteObject(brush);
            SetBkMode(di->hDC, TRANSPARENT);
            RECT text = di->rcItem;
            text.left += 20;
            DrawText(di->hDC, "Owner-drawn", -1, &text, DT_SINGLELINE | DT_VCENTER);
            return 1;
        }
        if (m == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wp) == file) {
            PostMessage(w, WM_KEYDOWN, VK_UP, 0);
            PostMessage(w, WM_KEYDOWN, VK_RIGHT, 0);
        }
        if (m == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wp) == more) {
            PostMessage(w, WM_KEYDOWN, VK_DOWN, 0);
            PostMessage(w, WM_USER, 0, 0);
        }
        if (m == WM_USER) {
            HBITMAP screen = CaptureScreen();
            saved = SavePng(screen, path);
            DeleteObject(screen);
            EndMenu();
        }
        (void)wp;
        return std::nullopt;
    });
    RECT fileItem;
    GetMenuItemRect(w, bar, 0, &fileItem);
    display.Click(fileItem.left + 5, fileItem.top + 5);
    display.PumpMessages();
    EXPECT_TRUE(saved);
    EXPECT_GT(std::filesystem::file_size(path), 500u);
}

}  // namespace
}  // namespace parch
