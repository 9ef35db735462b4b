// Menu objects. With no other implementation to run beside ours, the expected answers follow
// the window system's public documentation of these calls.

#include <functional>

#include <gtest/gtest.h>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

std::string Text(HMENU menu, UINT item, UINT flags) {
    char buffer[64];
    GetMenuString(menu, item, buffer, sizeof buffer, flags);
    return buffer;
}

class MenuObjects : public test::RecorderTest {
protected:
    // File (Open 10, Save 11 greyed, separator, Recent > (Doc 20)), Exit 12 straight on the bar.
    void SetUp() override {
        bar = CreateMenu();
        file = CreatePopupMenu();
        recent = CreatePopupMenu();
        AppendMenu(recent, MF_STRING, 20, "&Doc");
        AppendMenu(file, MF_STRING, 10, "&Open\tCtrl+O");
        AppendMenu(file, MF_STRING | MF_GRAYED, 11, "&Save");
        AppendMenu(file, MF_SEPARATOR, 0, nullptr);
        AppendMenu(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), "&Recent");
        AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
        AppendMenu(bar, MF_STRING, 12, "E&xit");
    }
    HMENU bar, file, recent;
};

TEST_F(MenuObjects, ItemsAnswerByCommandAndByPosition) {
    EXPECT_EQ(GetMenuItemCount(file), 4);
    EXPECT_EQ(GetSubMenu(bar, 0), file);
    EXPECT_EQ(GetMenuItemID(file, 0), 10u);
    EXPECT_EQ(GetMenuItemID(file, 3), static_cast<UINT>(-1));  // a submenu item has no command
    EXPECT_EQ(Text(bar, 10, MF_BYCOMMAND), "&Open\tCtrl+O");  // found through the submenu
    EXPECT_EQ(Text(bar, 20, MF_BYCOMMAND), "&Doc");
    EXPECT_EQ(Text(file, 1, MF_BYPOSITION), "&Save");
    EXPECT_EQ(GetMenuState(bar, 11, MF_BYCOMMAND), MF_GRAYED | MF_DISABLED);
    EXPECT_EQ(GetMenuState(file, 2, MF_BYPOSITION), MF_SEPARATOR);
    EXPECT_EQ(GetMenuState(file, 3, MF_BYPOSITION), (1u << 8) | MF_POPUP);
    EXPECT_EQ(GetMenuState(bar, 99, MF_BYCOMMAND), static_cast<UINT>(-1));

    EXPECT_EQ(CheckMenuItem(bar, 10, MF_CHECKED), static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(bar, 10, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(bar, 99, MF_CHECKED), static_cast<DWORD>(-1));
    EnableMenuItem(file, 1, MF_BYPOSITION | MF_ENABLED);
    EXPECT_EQ(GetMenuState(file, 11, MF_BYCOMMAND), MF_ENABLED);
}

TEST_F(MenuObjects, ItemInfoReadsAndWritesEachPart) {
    MENUITEMINFO info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
    info.wID = 30;
    info.fType = MFT_RADIOCHECK | MFT_OWNERDRAW;
    info.fState = MFS_CHECKED | MFS_DEFAULT;
    info.dwItemData = 0xABC;
    char text[] = "Owner";
    info.dwTypeData = text;
    ASSERT_TRUE(SetMenuItemInfo(file, 0, 1, &info));

    MENUITEMINFO read;
    read.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_DATA | MIIM_STRING | MIIM_SUBMENU;
    char buffer[3];
    read.dwTypeData = buffer;
    read.cch = sizeof buffer;
    ASSERT_TRUE(GetMenuItemInfo(file, 30, 0, &read));
    EXPECT_EQ(read.wID, 30u);
    EXPECT_EQ(read.fType, MFT_RADIOCHECK | MFT_OWNERDRAW);
    EXPECT_EQ(read.fState, MFS_CHECKED | MFS_DEFAULT);
    EXPECT_EQ(read.dwItemData, 0xABCu);
    EXPECT_STREQ(buffer, "Ow");  // cut to the buffer
    EXPECT_EQ(read.hSubMenu, nullptr);
    EXPECT_EQ(GetMenuDefaultItem(file, 0, 0), 30u);
    EXPECT_EQ(GetMenuDefaultItem(file, 1, 0), 0u);

    // The length alone when no buffer is given.
    MENUITEMINFO length;
    length.fMask = MIIM_STRING;
    ASSERT_TRUE(GetMenuItemInfo(file, 3, 1, &length));
    EXPECT_EQ(length.cch, 7u);
}

TEST_F(MenuObjects, RadioGroupsAndDefaultItemKeepOneMark) {
    HMENU view = CreatePopupMenu();
    for (UINT id = 40; id < 44; ++id) AppendMenu(view, MF_STRING, id, "Mode");
    ASSERT_TRUE(CheckMenuRadioItem(view, 40, 43, 41, MF_BYCOMMAND));
    ASSERT_TRUE(CheckMenuRadioItem(view, 0, 3, 2, MF_BYPOSITION));
    std::vector<bool> checked;
    for (UINT id = 40; id < 44; ++id) checked.push_back(GetMenuState(view, id, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(checked, (std::vector<bool>{false, false, true, false}));
    EXPECT_FALSE(CheckMenuRadioItem(view, 40, 41, 43, MF_BYCOMMAND));  // outside the range

    ASSERT_TRUE(SetMenuDefaultItem(view, 43, 0));
    ASSERT_TRUE(SetMenuDefaultItem(view, 0, 1));
    EXPECT_EQ(GetMenuDefaultItem(view, 0, 0), 40u);
    ASSERT_TRUE(SetMenuDefaultItem(view, static_cast<UINT>(-1), 0));
    EXPECT_EQ(GetMenuDefaultItem(view, 0, 0), static_cast<UINT>(-1));
    DestroyMenu(view);
}

TEST_F(MenuObjects, RemoveKeepsTheSubmenuDeleteAndDestroyFreeIt) {
    ASSERT_TRUE(RemoveMenu(file, 3, MF_BYPOSITION));
    EXPECT_TRUE(IsMenu(recent));
    ASSERT_TRUE(InsertMenu(file, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(recent), "&Recent"));
    EXPECT_EQ(GetSubMenu(file, 0), recent);
    ASSERT_TRUE(InsertMenu(file, 10, MF_BYCOMMAND, 15, "Before open"));  // before the item with that command
    EXPECT_EQ(GetMenuItemID(file, 1), 15u);
    ASSERT_TRUE(ModifyMenu(file, 15, MF_BYCOMMAND | MF_CHECKED, 16, "Changed"));
    EXPECT_EQ(Text(file, 16, MF_BYCOMMAND), "Changed");
    ASSERT_TRUE(DeleteMenu(file, 0, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(recent));

    // Destroying the bar takes its submenus along; every call on the stale handles fails.
    ASSERT_TRUE(DestroyMenu(bar));
    for (HMENU gone : {bar, file}) {
        EXPECT_FALSE(IsMenu(gone));
        EXPECT_EQ(GetMenuItemCount(gone), -1);
        EXPECT_FALSE(AppendMenu(gone, MF_STRING, 1, "x"));
        EXPECT_FALSE(DestroyMenu(gone));
        EXPECT_EQ(GetSubMenu(gone, 0), nullptr);
        EXPECT_EQ(GetMenuState(gone, 0, MF_BYPOSITION), static_cast<UINT>(-1));
    }
    EXPECT_FALSE(AppendMenu(CreatePopupMenu(), MF_POPUP, reinterpret_cast<UINT_PTR>(file), "stale submenu"));
}

TEST_F(MenuObjects, SystemMenuHoldsTheStandardItemsGreyedByState) {
    HWND w = rec.Create("w", WS_OVERLAPPED | WS_CAPTION | WS_MINIMIZEBOX, nullptr, {10, 10, 300, 200});
    HMENU system = GetSystemMenu(w, 0);
    ASSERT_TRUE(system);
    EXPECT_EQ(GetSystemMenu(w, 0), system);
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(system); ++i) texts.push_back(Text(system, static_cast<UINT>(i), MF_BYPOSITION));
    EXPECT_EQ(texts, (std::vector<std::string>{"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "",
                                                "&Close\tAlt+F4"}));
    EXPECT_EQ(GetMenuDefaultItem(system, 0, 0), SC_CLOSE);

    // Opened and closed at once by Escape: the states are set for the window as it is.
    rec.SetHandler([&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_INITMENUPOPUP) PostMessage(w, WM_KEYDOWN, VK_ESCAPE, 0);
        return std::nullopt;
    });
    TrackPopupMenu(system, TPM_RETURNCMD, 50, 50, 0, w, nullptr);
    auto greyed = [&](UINT command) { return (GetMenuState(system, command, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    EXPECT_TRUE(greyed(SC_RESTORE));
    EXPECT_FALSE(greyed(SC_MOVE));
    EXPECT_TRUE(greyed(SC_SIZE));      // no sizing frame
    EXPECT_FALSE(greyed(SC_MINIMIZE));
    EXPECT_TRUE(greyed(SC_MAXIMIZE));  // no maximize box
    EXPECT_FALSE(greyed(SC_CLOSE));

    EXPECT_EQ(GetSystemMenu(w, 1), nullptr);
    EXPECT_FALSE(IsMenu(system));
}

// A window takes its menu bar and its system menu with it when it goes, unless the bar was taken
// off first or another window shows it now.
TEST_F(MenuObjects, DestroyedWindowTakesItsMenusAlong) {
    struct Case {
        const char* name;
        std::function<HWND(HMENU bar)> make;  // the window to destroy, showing bar or not
        bool barSurvives;
    };
    const Case cases[] = {
        {"set", [&](HMENU m) { HWND w = rec.Create("w", WS_OVERLAPPEDWINDOW); SetMenu(w, m); return w; }, false},
        {"given at creation",
         [&](HMENU m) {
             return CreateWindowEx(0, test::MessageRecorder::kClass, "w", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr, m, nullptr, nullptr);
         },
         false},
        {"taken off",
         [&](HMENU m) {
             HWND w = rec.Create("w", WS_OVERLAPPEDWINDOW);
             SetMenu(w, m);
             SetMenu(w, nullptr);
             return w;
         },
         true},
        {"moved to another window",
         [&](HMENU m) {
             HWND w = rec.Create("w", WS_OVERLAPPEDWINDOW);
             SetMenu(w, m);
             SetMenu(rec.Create("other", WS_OVERLAPPEDWINDOW), m);
             return w;
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HMENU menu = CreateMenu();
        HMENU sub = CreatePopupMenu();
        AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&File");
        HWND w = c.make(menu);
        ASSERT_TRUE(w);
        HMENU system = GetSystemMenu(w, 0);
        ASSERT_TRUE(IsMenu(system));
        ASSERT_TRUE(DestroyWindow(w));
        EXPECT_FALSE(IsMenu(system));
        EXPECT_EQ(IsMenu(menu) != 0, c.barSurvives);
        EXPECT_EQ(IsMenu(sub) != 0, c.barSurvives);
        DestroyMenu(menu);
    }
}

// A child window's identifier is no menu: destroying the child leaves a menu of that number alone.
TEST_F(MenuObjects, ChildWindowIdentifierIsNoMenu) {
    HWND parent = rec.Create("p", WS_OVERLAPPEDWINDOW);
    HWND child = CreateWindowEx(0, test::MessageRecorder::kClass, "c", WS_CHILD, 0, 0, 20, 20, parent, file, nullptr, nullptr);
    ASSERT_TRUE(child);
    DestroyWindow(child);
    EXPECT_TRUE(IsMenu(file));
}

}  // namespace
}  // namespace parch
