#pragma once
// The menu records behind the handles, read as copies by the parts that lay out, draw and
// track menus. Internal to platform/win.

#include <optional>
#include <string>
#include <vector>

#include "platform/win/Menus.h"

namespace parch::win {

struct MenuItemRecord {
    UINT type = 0;   // MFT_
    UINT state = 0;  // MFS_
    UINT id = 0;
    HMENU subMenu = nullptr;
    HBITMAP checked = nullptr;
    HBITMAP unchecked = nullptr;
    HBITMAP bitmap = nullptr;
    UINT_PTR data = 0;
    std::string text;

    bool IsSeparator() const { return (type & MFT_SEPARATOR) != 0; }
    bool IsOwnerDraw() const { return (type & MFT_OWNERDRAW) != 0; }
    bool IsDisabled() const { return (state & MFS_GRAYED) != 0; }
    bool StartsColumn() const { return (type & (MFT_MENUBREAK | MFT_MENUBARBREAK)) != 0; }
};

struct MenuSnapshot {
    HMENU handle = nullptr;
    bool popup = false;
    std::vector<MenuItemRecord> items;
    MENUINFO info;
};

std::optional<MenuSnapshot> ReadMenu(HMENU menu);
// Where an item lies: its menu and position, by command (searching submenus too) or position.
struct ItemPlace {
    HMENU menu = nullptr;
    int position = -1;
};
std::optional<ItemPlace> FindMenuItem(HMENU menu, UINT item, bool byPosition);
// Sets or clears MFS_HILITE on one item by position (the tracking loop's highlight).
void SetItemHilite(HMENU menu, int position, bool on);

// The text before the tab and after it; the mnemonic letter after '&' (lower case, 0 when none).
std::string ItemLabel(const std::string& text);
std::string ItemShortcutText(const std::string& text);
char32_t ItemMnemonic(const std::string& text);

}  // namespace parch::win
