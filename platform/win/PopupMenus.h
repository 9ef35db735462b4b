#pragma once
// Popup menu windows (class "#32768", atom 0x8000) and the modal loop that tracks menus: a
// popup menu at a point (TrackPopupMenu), a window's menu bar entered by mouse or keyboard,
// and the system menu. The loop notifies the owner in Windows' order (WM_ENTERMENULOOP,
// WM_INITMENU, WM_INITMENUPOPUP, WM_MENUSELECT, WM_MENUCHAR, WM_UNINITMENUPOPUP,
// WM_EXITMENULOOP) and posts the chosen command afterwards (WM_COMMAND, or WM_SYSCOMMAND for
// the system menu). Submenus open on hover after the menu delay of the window system's clock.

#include "platform/win/Menus.h"

namespace parch {

constexpr UINT MN_GETHMENU = 0x01E1;  // asks a popup menu window for its menu

// Answers the chosen command with TPM_RETURNCMD (0 when none), else whether one was chosen
// (the command then goes to owner as WM_COMMAND unless TPM_NONOTIFY). exclude, when given,
// is a screen rectangle the menu must not cover.
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS* exclude);
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* unused);
// Ends the menu loop running on this thread.
BOOL EndMenu();
// The screen rectangle of an item of a menu bar or of a popup menu that is showing.
BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT position, RECT* rect);

}  // namespace parch

namespace parch::win {

// Enters the window's menu bar: at an item (by position; -1 for the first), its popup open or
// not. By keyboard the first popup item is selected as it opens.
void TrackMenuBar(HWND hwnd, int item, bool keyboard, bool openPopup);
// Opens the window's system menu below the caption icon (or at a point when given).
void TrackSystemMenu(HWND hwnd, bool keyboard, const POINT* at = nullptr);
// The window class of popup menus, registered when the first popup opens.
void RegisterPopupMenuClass();

}  // namespace parch::win
