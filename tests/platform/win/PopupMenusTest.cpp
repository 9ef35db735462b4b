// Popup menus and the menu loop. No other implementation runs beside ours here: the message
// sequences below are those the window system's public documentation gives for a menu tracked
// by mouse and by keyboard (WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP, WM_MENUSELECT,
// WM_MENUCHAR, WM_UNINITMENUPOPUP, WM_EXITMENULOOP, then the command).

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/TextLayout.h"
#include "tests/platform/win/ScreenPixel.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;
using Handler = test::MessageRecorder::Handler;

std::string MenuMessage(UINT message) {
    return "0x" + std::to_string(message);
}

HWND OpenPopupWindow() {
    return FindWindow("#32768", nullptr);
}

class PopupMenus : public test::RecorderTest {
protected:
    void SetUp() override {
        owner = rec.Create("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 600, 500});
        display.PumpMessages();
        for (UINT m : {WM_MOUSEMOVE, WM_NCMOUSEMOVE, WM_TIMER, WM_ENTERIDLE, WM_ACTIVATE, WM_NCACTIVATE,
                       WM_ACTIVATEAPP, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SETFOCUS, WM_KILLFOCUS})
            rec.Ignore(m);
        menu = CreatePopupMenu();
        sub = CreatePopupMenu();
        AppendMenu(sub, MF_STRING, 30, "&Inner");
        AppendMenu(menu, MF_STRING, 10, "&Copy\tCtrl+C");
        AppendMenu(menu, MF_STRING | MF_GRAYED, 11, "&Paste");
        AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&More");
        AppendMenu(menu, MF_STRING, 12, "&Delete");
        rec.Clear();
    }
    void TearDown() override {
        DestroyMenu(menu);
        RecorderTest::TearDown();
    }

    // Runs TrackPopupMenu at (200, 200); `user` acts once the first popup window is up.
    UINT Track(UINT flags, std::function<void()> user, Handler extra = {}) {
        bool acted = false;
        rec.Ignore(WM_APP);
        rec.SetHandler([&, user, extra](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_INITMENUPOPUP && !acted) {
                acted = true;
                PostMessage(owner, WM_APP, 0, 0);
            }
            if (m == WM_APP) user();
            return extra ? extra(h, m, wp, lp) : std::nullopt;
        });
        UINT result = static_cast<UINT>(TrackPopupMenu(menu, flags, 200, 200, 0, owner, nullptr));
        rec.SetHandler({});
        return result;
    }

    HWND owner;
    HMENU menu, sub;
};

TEST_F(PopupMenus, KeyboardChoiceRunsTheLoopInOrderAndPostsTheCommand) {
    std::vector<std::string> details;
    Handler log = [&](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_MENUSELECT)
            details.push_back("select " + std::to_string(LOWORD(wp)) + " flags " + std::to_string(HIWORD(wp)) +
                              (lp ? "" : " closed"));
        if (m == WM_INITMENUPOPUP)
            details.push_back("popup " + std::to_string(LOWORD(lp)) + " sys " + std::to_string(HIWORD(lp)));
        return std::nullopt;
    };
    // Greyed items can be selected, separators are passed over.
    UINT result = Track(0, [&] {
        display.PressKey(VK_DOWN);
        display.PressKey(VK_DOWN);
        display.PressKey(VK_DOWN);
        display.PressKey(VK_UP);
        display.PressKey(VK_UP);
        display.PressKey(VK_RETURN);
    }, log);
    EXPECT_EQ(result, 1u);
    EXPECT_EQ(details, (Lines{"popup 0 sys 0", "select 10 flags " + std::to_string(MF_HILITE),
                              "select 11 flags " + std::to_string(MF_HILITE | MF_GRAYED | MF_DISABLED),
                              "select 3 flags " + std::to_string(MF_HILITE | MF_POPUP),
                              "select 11 flags " + std::to_string(MF_HILITE | MF_GRAYED | MF_DISABLED),
                              "select 10 flags " + std::to_string(MF_HILITE), "select 0 flags 65535 closed"}));
    Lines order = rec.Take();
    EXPECT_EQ(order.front(), "w " + MenuMessage(WM_ENTERMENULOOP));
    EXPECT_EQ(order[1], "w " + MenuMessage(WM_INITMENU));
    EXPECT_EQ(order[2], "w " + MenuMessage(WM_INITMENUPOPUP));
    EXPECT_EQ(Lines(order.end() - 3, order.end()),
              (Lines{"w " + MenuMessage(WM_UNINITMENUPOPUP), "w " + MenuMessage(WM_MENUSELECT), "w " + MenuMessage(WM_EXITMENULOOP)}));
    EXPECT_EQ(OpenPopupWindow(), nullptr);

    // The command arrives after the loop, posted.
    std::vector<WPARAM> commands;
    rec.SetHandler([&](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_COMMAND) commands.push_back(wp);
        return std::nullopt;
    });
    display.PumpMessages();
    EXPECT_EQ(commands, (std::vector<WPARAM>{10}));
}

TEST_F(PopupMenus, KeysWalkIntoSubmenusAndEscapeClosesOneLevel) {
    struct Case {
        const char* name;
        std::vector<UINT> keys;
        UINT result;
    };
    const Case cases[] = {
        {"right opens the submenu, enter picks its first item", {VK_UP, VK_UP, VK_RIGHT, VK_RETURN}, 30},
        {"escape closes the submenu only", {VK_UP, VK_UP, VK_RIGHT, VK_ESCAPE, VK_DOWN, VK_RETURN}, 12},
        {"left closes the submenu", {VK_UP, VK_UP, VK_RETURN, VK_LEFT, VK_UP, VK_UP, VK_RETURN}, 10},
        {"escape on the first level ends the loop", {VK_DOWN, VK_ESCAPE}, 0},
        {"enter on a greyed item chooses nothing", {VK_DOWN, VK_DOWN, VK_RETURN}, 0},
        {"alt ends the loop", {VK_DOWN, VK_MENU}, 0},
    };
    for (const Case& c : cases) {
        UINT result = Track(TPM_RETURNCMD, [&] {
            for (UINT key : c.keys) display.PressKey(key);
        });
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(OpenPopupWindow(), nullptr) << c.name;
        display.PumpMessages();
    }
}

TEST_F(PopupMenus, MnemonicsPickAndUnmatchedLettersAskTheOwner) {
    struct Case {
        char letter;
        LRESULT answer;  // to WM_MENUCHAR
        UINT result;
        bool asked;
    };
    const Case cases[] = {
        {'d', 0, 12, false},                            // a unique mnemonic executes
        {'z', MAKELONG(4, MNC_EXECUTE), 12, true},      // the owner executes item 4
        {'z', MAKELONG(0, MNC_SELECT), 10, true},       // selects item 0; Enter then picks it
        {'z', MAKELONG(0, MNC_CLOSE), 0, true},         // closes the menu
        {'z', MAKELONG(0, MNC_IGNORE), 10, true},       // nothing happens; Down and Enter follow
    };
    for (const Case& c : cases) {
        bool asked = false;
        UINT result = Track(TPM_RETURNCMD, [&] {
            display.TypeText(std::string(1, c.letter));
            display.PressKey(c.answer == MAKELONG(0, MNC_IGNORE) ? VK_DOWN : VK_SHIFT);
            display.PressKey(VK_RETURN);
        }, [&](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m != WM_MENUCHAR) return std::nullopt;
            asked = true;
            EXPECT_EQ(LOWORD(wp), static_cast<WORD>(c.letter));
            EXPECT_EQ(HIWORD(wp), MF_POPUP);
            EXPECT_EQ(reinterpret_cast<HMENU>(lp), menu);
            return c.answer;
        });
        EXPECT_EQ(result, c.result) << c.letter << " " << c.answer;
        EXPECT_EQ(asked, c.asked) << c.letter;
        display.PumpMessages();
    }
}

TEST_F(PopupMenus, MouseHoverOpensSubmenuAfterTheDelayAndClickChooses) {
    RECT more{};
    std::vector<std::string> seen;
    UINT result = Track(TPM_RETURNCMD, [&] {
        ASSERT_TRUE(GetMenuItemRect(owner, menu, 3, &more));
        display.MoveMouse(more.left + 10, (more.top + more.bottom) / 2);
    }, [&](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wp) == sub) {
            seen.push_back("sub opened at " + std::to_string(GetTickCount()));
            PostMessage(owner, WM_USER, 0, 0);
        }
        if (m == WM_USER) {
            // The submenu lies right of its item, its first item level with it.
            RECT inner{};
            EXPECT_TRUE(GetMenuItemRect(owner, sub, 0, &inner));
            EXPECT_GE(inner.left, more.right - 6);
            EXPECT_EQ(inner.top, more.top);
            display.Click((inner.left + inner.right) / 2, (inner.top + inner.bottom) / 2);
        }
        return std::nullopt;
    });
    EXPECT_EQ(result, 30u);
    ASSERT_EQ(seen.size(), 1u);
}

TEST_F(PopupMenus, PressOutsideCancelsAndReachesItsWindow) {
    HWND other = rec.Create("other", WS_POPUP | WS_VISIBLE, nullptr, {800, 600, 900, 700});
    display.PumpMessages();
    rec.Clear();
    UINT result = Track(TPM_RETURNCMD, [&] { display.Click(850, 650); });
    EXPECT_EQ(result, 0u);
    display.PumpMessages();
    Lines lines = rec.Take();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "other WM_LBUTTONDOWN 50,50"), lines.end());
    (void)other;
}

TEST_F(PopupMenus, EndMenuAndNoNotifyAndStaleHandles) {
    UINT result = Track(TPM_RETURNCMD, [&] { EXPECT_TRUE(EndMenu()); });
    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(EndMenu());  // no loop runs now

    // TPM_NONOTIFY: the owner hears nothing, not even the command.
    rec.Clear();
    display.PressKey(VK_DOWN);
    display.PressKey(VK_RETURN);
    EXPECT_EQ(TrackPopupMenu(menu, TPM_NONOTIFY | TPM_RETURNCMD, 200, 200, 0, owner, nullptr), 10);
    display.PumpMessages();
    const std::set<std::string> notices{"w " + MenuMessage(WM_ENTERMENULOOP),   "w " + MenuMessage(WM_INITMENU),
                                        "w " + MenuMessage(WM_INITMENUPOPUP),   "w " + MenuMessage(WM_MENUSELECT),
                                        "w " + MenuMessage(WM_UNINITMENUPOPUP), "w " + MenuMessage(WM_EXITMENULOOP),
                                        "w " + MenuMessage(WM_COMMAND)};
    for (const std::string& line : rec.Take()) EXPECT_EQ(notices.count(line), 0u) << line;

    HMENU gone = CreatePopupMenu();
    DestroyMenu(gone);
    EXPECT_FALSE(TrackPopupMenu(gone, 0, 0, 0, 0, owner, nullptr));
    EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, nullptr, nullptr));
}

TEST_F(PopupMenus, PopupStaysOnTheWorkAreaAndAvoidsTheExcludedRectangle) {
    RECT area = display.WorkArea();
    struct Case {
        POINT at;
        UINT flags;
        const TPMPARAMS* exclude;
    };
    TPMPARAMS params;
    params.rcExclude = {150, 150, 260, 230};
    const Case cases[] = {
        {{area.right - 5, area.bottom - 5}, TPM_LEFTALIGN, nullptr},
        {{10, 10}, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, nullptr},
        {{200, 200}, TPM_CENTERALIGN | TPM_VCENTERALIGN, nullptr},
        {{150, 150}, TPM_LEFTALIGN, &params},
    };
    for (const Case& c : cases) {
        RECT placed{};
        rec.SetHandler([&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m == WM_INITMENUPOPUP) PostMessage(owner, WM_USER, 0, 0);
            if (m == WM_USER) {
                GetWindowRect(OpenPopupWindow(), &placed);
                EndMenu();
            }
            return std::nullopt;
        });
        TrackPopupMenuEx(menu, c.flags | TPM_RETURNCMD, c.at.x, c.at.y, owner, c.exclude);
        EXPECT_GE(placed.left, area.left);
        EXPECT_GE(placed.top, area.top);
        EXPECT_LE(placed.right, area.right);
        EXPECT_LE(placed.bottom, area.bottom);
        EXPECT_GT(placed.right - placed.left, 60);
        RECT overlap;
        if (c.exclude) {
            EXPECT_FALSE(IntersectRect(&overlap, &placed, &c.exclude->rcExclude));
        }
    }
    rec.SetHandler({});
    // Flipped to the other side of the point, not just pushed in.
    RECT placed{};
    rec.SetHandler([&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_INITMENUPOPUP) PostMessage(owner, WM_USER, 0, 0);
        if (m == WM_USER) {
            GetWindowRect(OpenPopupWindow(), &placed);
            EndMenu();
        }
        return std::nullopt;
    });
    TrackPopupMenu(menu, TPM_RETURNCMD, 1000, area.bottom - 10, 0, owner, nullptr);
    EXPECT_EQ(placed.bottom, area.bottom - 10);
    EXPECT_EQ(placed.left, 1000);
}

// Owner-drawn items: measured and drawn by the owner into a DC of the popup window itself.
TEST_F(PopupMenus, OwnerDrawnItemsDrawIntoThePopupWindowsDC) {
    AppendMenu(menu, MF_OWNERDRAW, 50, reinterpret_cast<const char*>(static_cast<UINT_PTR>(0x77)));
    HWND drawnInto = nullptr;
    HWND popup = nullptr;
    UINT measured = 0;
    DRAWITEMSTRUCT last;
    UINT result = Track(TPM_RETURNCMD, [&] { PostMessage(owner, WM_USER, 0, 0); },
                        [&](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_MEASUREITEM) {
            auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            EXPECT_EQ(mi->CtlType, ODT_MENU);
            measured = mi->itemID;
            EXPECT_EQ(mi->itemData, 0x77u);
            mi->itemWidth = 120;
            mi->itemHeight = 30;
            return 1;
        }
        if (m == WM_DRAWITEM) {
            last = *reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            drawnInto = WindowFromDC(last.hDC);
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(last.hDC, &last.rcItem, red);
            DeleteObject(red);
            return 1;
        }
        if (m == WM_USER) {
            popup = OpenPopupWindow();
            display.PressKey(VK_UP);
            display.PressKey(VK_RETURN);
        }
        return std::nullopt;
    });
    EXPECT_EQ(result, 50u);
    EXPECT_EQ(measured, 50u);
    ASSERT_TRUE(popup);
    EXPECT_EQ(drawnInto, popup);
    EXPECT_EQ(last.CtlType, ODT_MENU);
    EXPECT_EQ(last.hwndItem, reinterpret_cast<HWND>(menu));
    EXPECT_EQ(last.itemState & ODS_SELECTED, ODS_SELECTED);  // the last draw was its highlight
    EXPECT_EQ(last.rcItem.bottom - last.rcItem.top, 30);
}

TEST_F(PopupMenus, PopupWindowIsOfTheMenuClassWithARaisedFrameAndMarks) {
    CheckMenuItem(menu, 10, MF_CHECKED);
    MENUITEMINFO radio;
    radio.fMask = MIIM_FTYPE | MIIM_STATE;
    radio.fType = MFT_RADIOCHECK;
    radio.fState = MFS_CHECKED | MFS_DEFAULT;
    SetMenuItemInfo(menu, 12, 0, &radio);
    HWND popup = nullptr;
    RECT window{};
    Track(TPM_RETURNCMD, [&] { PostMessage(owner, WM_USER, 0, 0); },
          [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_USER) return std::nullopt;
        popup = OpenPopupWindow();
        EXPECT_EQ(GetClassLongPtr(popup, GCW_ATOM), 0x8000u);
        EXPECT_EQ(SendMessage(popup, MN_GETHMENU, 0, 0), reinterpret_cast<LRESULT>(menu));
        EXPECT_EQ(GetWindowLongPtr(popup, GWL_STYLE) & WS_POPUP, static_cast<LONG_PTR>(WS_POPUP));
        GetWindowRect(popup, &window);
        RECT client;
        GetClientRect(popup, &client);
        EXPECT_EQ(window.right - window.left - client.right, 6);  // a 3-pixel frame all round
        // The frame: light outside top-left, dark outside bottom-right, face inside.
        EXPECT_EQ(ScreenPixel(window.left + 1, window.top + 10), GetSysColor(COLOR_3DHILIGHT));
        EXPECT_EQ(ScreenPixel(window.right - 1, window.top + 10), GetSysColor(COLOR_3DDKSHADOW));
        EXPECT_EQ(ScreenPixel(window.left + 2, window.top + 10), GetSysColor(COLOR_3DFACE));
        // A check mark in the first item's check column, a bullet in the last's.
        RECT copy, del, paste;
        GetMenuItemRect(owner, menu, 0, &copy);
        GetMenuItemRect(owner, menu, 4, &del);
        GetMenuItemRect(owner, menu, 1, &paste);
        auto darkIn = [](RECT r, int width) {
            int dark = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.left + width; ++x) dark += ScreenPixel(x, y) == GetSysColor(COLOR_MENUTEXT);
            return dark;
        };
        EXPECT_GT(darkIn(copy, 17), 5);
        EXPECT_GT(darkIn(del, 17), 5);
        EXPECT_EQ(darkIn(paste, 17), 0);
        // Greyed text is drawn embossed: shadow grey, no menu-text pixels.
        EXPECT_EQ(darkIn(paste, paste.right - paste.left), 0);
        int grey = 0;
        for (int y = paste.top; y < paste.bottom; ++y)
            for (int x = paste.left; x < paste.right; ++x) grey += ScreenPixel(x, y) == GetSysColor(COLOR_3DSHADOW);
        EXPECT_GT(grey, 5);
        // The default item is bold: its label is wider than the same text plain.
        EndMenu();
        return std::nullopt;
    });
    ASSERT_TRUE(popup);
}

TEST_F(PopupMenus, DefaultItemIsDrawnBold) {
    HMENU two = CreatePopupMenu();
    AppendMenu(two, MF_STRING, 1, "Wwwwww");
    AppendMenu(two, MF_STRING, 2, "Wwwwww");
    SetMenuDefaultItem(two, 2, 0);
    int dark[2] = {0, 0};
    rec.SetHandler([&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_INITMENUPOPUP) PostMessage(owner, WM_USER, 0, 0);
        if (m == WM_USER) {
            for (int i = 0; i < 2; ++i) {
                RECT r;
                GetMenuItemRect(owner, two, static_cast<UINT>(i), &r);
                for (int y = r.top; y < r.bottom; ++y)
                    for (int x = r.left; x < r.right; ++x) dark[i] += ScreenPixel(x, y) == GetSysColor(COLOR_MENUTEXT);
            }
            EndMenu();
        }
        return std::nullopt;
    });
    TrackPopupMenu(two, TPM_RETURNCMD, 300, 300, 0, owner, nullptr);
    rec.SetHandler({});
    EXPECT_GT(dark[1], dark[0] + 10);
    DestroyMenu(two);
}

}  // namespace
}  // namespace parch
