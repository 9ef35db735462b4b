#pragma once
// The menu bar in a window's non-client area, below the caption: SetMenu and GetMenu, the room
// WM_NCCALCSIZE makes for it (in as many rows as a narrow window needs), its painting with the
// frame, and entering it from the keyboard (Alt or F10 alone, Alt with a mnemonic).

#include <vector>

#include "platform/win/Menus.h"

namespace parch {

BOOL SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);
BOOL DrawMenuBar(HWND hwnd);

}  // namespace parch

namespace parch::win {

// The bar's height for a window of the given width and styles (0 without a bar).
int MenuBarHeight(HWND hwnd, int windowWidth, DWORD style, DWORD exStyle);
// The items' rectangles in window coordinates, given where the bar lies.
std::vector<RECT> MenuBarItemRects(HWND hwnd, const RECT& bar);
// Where the bar lies in window coordinates (empty without one).
RECT MenuBarRect(HWND hwnd);
void PaintMenuBar(HWND hwnd, HDC dc, const RECT& bar);
// Repaints the bar now (after a highlight changed).
void RedrawMenuBar(HWND hwnd);
// Keyboard entry: the Alt or F10 key alone, seen on its way through DefWindowProc; answers
// whether the key released should enter the menu (SC_KEYMENU).
bool MenuKeyReleased(UINT message, WPARAM key);

}  // namespace parch::win
