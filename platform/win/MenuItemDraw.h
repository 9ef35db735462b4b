#pragma once
// Where a menu's items lie and how they look, for popup windows and menu bars alike: text
// items in the menu font with check marks, shortcut texts and submenu arrows, separators,
// columns, and owner-drawn items measured and drawn by the owner window (WM_MEASUREITEM,
// WM_DRAWITEM with ODT_MENU). Internal to platform/win.

#include <vector>

#include "platform/win/MenuState.h"

namespace parch::win {

struct MenuLayout {
    std::vector<RECT> items;  // one per item, in the client area of the popup or the bar's coordinates
    SIZE size{};              // the popup's client size or the bar's height (cx: width used)
};

// Items of a popup menu in columns; owner-drawn items are measured by owner.
MenuLayout LayOutPopupMenu(HWND owner, const MenuSnapshot& menu);
// Items of a menu bar in rows within width; every row is SM_CYMENU high.
MenuLayout LayOutMenuBar(HWND owner, const MenuSnapshot& menu, int width);

// Paints one item into dc (origin as in the layout). inBar picks the bar's look.
void PaintMenuItem(HWND owner, HDC dc, const MenuSnapshot& menu, int position, const RECT& rect, bool inBar);
// The vertical line left of a column that starts with MFT_MENUBARBREAK, over the height.
void PaintColumnBreak(HDC dc, const RECT& item, int height);

}  // namespace parch::win
