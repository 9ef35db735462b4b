#pragma once
// The window menu (system menu): a window's own copy of the standard items, made on first
// request, greyed by the window's state before it shows. Picked items arrive as WM_SYSCOMMAND.

#include "platform/win/Menus.h"

namespace parch {

// The window's system menu, made on first use (also for windows without WS_SYSMENU); with
// revert, the copy is dropped and null answered.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);

}  // namespace parch

namespace parch::win {

// Greys and enables the standard items for the window's present state and styles.
void RefreshSystemMenu(HWND hwnd);

}  // namespace parch::win
