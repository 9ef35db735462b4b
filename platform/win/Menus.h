#pragma once
// Menu objects: menu bars and popup menus as handles, their items (strings, separators,
// owner-drawn items, submenus) with states, by command identifier or by position. A stale or
// foreign handle fails the call cleanly.

#include <string>

#include "platform/win/WinUser.h"

namespace parch {

// Menu messages.
constexpr UINT WM_INITMENU = 0x0116;
constexpr UINT WM_MENUSELECT = 0x011F;
constexpr UINT WM_MENUCHAR = 0x0120;
constexpr UINT WM_UNINITMENUPOPUP = 0x0125;

// Item flags of the classic calls (AppendMenu, InsertMenu, ModifyMenu, GetMenuState...).
constexpr UINT MF_INSERT = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_UNHILITE = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_DEFAULT = 0x1000;
constexpr UINT MF_SYSMENU = 0x2000;
constexpr UINT MF_HELP = 0x4000;
constexpr UINT MF_RIGHTJUSTIFY = 0x4000;
constexpr UINT MF_MOUSESELECT = 0x8000;

// Item types and states of MENUITEMINFO.
constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_BITMAP = MF_BITMAP;
constexpr UINT MFT_MENUBARBREAK = MF_MENUBARBREAK;
constexpr UINT MFT_MENUBREAK = MF_MENUBREAK;
constexpr UINT MFT_OWNERDRAW = MF_OWNERDRAW;
constexpr UINT MFT_RADIOCHECK = 0x0200;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFT_RIGHTORDER = 0x2000;
constexpr UINT MFT_RIGHTJUSTIFY = MF_RIGHTJUSTIFY;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_UNHILITE = MF_UNHILITE;
constexpr UINT MFS_GRAYED = 0x0003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

constexpr UINT MIIM_STATE = 0x0001;
constexpr UINT MIIM_ID = 0x0002;
constexpr UINT MIIM_SUBMENU = 0x0004;
constexpr UINT MIIM_CHECKMARKS = 0x0008;
constexpr UINT MIIM_TYPE = 0x0010;
constexpr UINT MIIM_DATA = 0x0020;
constexpr UINT MIIM_STRING = 0x0040;
constexpr UINT MIIM_BITMAP = 0x0080;
constexpr UINT MIIM_FTYPE = 0x0100;

struct MENUITEMINFO {
    UINT cbSize = sizeof(MENUITEMINFO);
    UINT fMask = 0;
    UINT fType = 0;
    UINT fState = 0;
    UINT wID = 0;
    HMENU hSubMenu = nullptr;
    HBITMAP hbmpChecked = nullptr;
    HBITMAP hbmpUnchecked = nullptr;
    UINT_PTR dwItemData = 0;
    char* dwTypeData = nullptr;  // UTF-8; on reading, a buffer of cch bytes (or null to ask the length)
    UINT cch = 0;
    HBITMAP hbmpItem = nullptr;
};

constexpr UINT MIM_MAXHEIGHT = 0x0001;
constexpr UINT MIM_BACKGROUND = 0x0002;
constexpr UINT MIM_HELPID = 0x0004;
constexpr UINT MIM_MENUDATA = 0x0008;
constexpr UINT MIM_STYLE = 0x0010;
constexpr UINT MIM_APPLYTOSUBMENUS = 0x80000000;

struct MENUINFO {
    DWORD cbSize = sizeof(MENUINFO);
    DWORD fMask = 0;
    DWORD dwStyle = 0;
    UINT cyMax = 0;
    HBRUSH hbrBack = nullptr;
    DWORD dwContextHelpID = 0;
    UINT_PTR dwMenuData = 0;
};

// WM_MENUCHAR answers, in the high word.
constexpr LRESULT MNC_IGNORE = 0;
constexpr LRESULT MNC_CLOSE = 1;
constexpr LRESULT MNC_EXECUTE = 2;
constexpr LRESULT MNC_SELECT = 3;

// TrackPopupMenu flags.
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
constexpr UINT TPM_RECURSE = 0x0001;

struct TPMPARAMS {
    UINT cbSize = sizeof(TPMPARAMS);
    RECT rcExclude;
};

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and the submenus it holds.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// newItem is the command identifier, or the submenu's handle with MF_POPUP; text is UTF-8
// (ignored for separators; for owner-drawn items it is the item data).
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR newItem, const char* text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, const char* text);
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, const char* text);
BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO* info);
// Takes the item out; a submenu is kept (RemoveMenu) or destroyed with it (DeleteMenu).
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFO* info);
BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO* info);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);  // -1 for a submenu item or a bad position
HMENU GetSubMenu(HMENU menu, int position);
// The item's MF_ flags (for a submenu item the item count in the high byte); -1 when missing.
UINT GetMenuState(HMENU menu, UINT id, UINT flags);
// Copies the item's text (at most size - 1 bytes); answers the length copied (or the full
// length when buffer is null).
int GetMenuString(HMENU menu, UINT id, char* buffer, int size, UINT flags);
// Answer the previous state, or -1 when the item does not exist.
DWORD CheckMenuItem(HMENU menu, UINT id, UINT check);
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT id, UINT enable);
BOOL HiliteMenuItem(HWND hwnd, HMENU menu, UINT id, UINT hilite);
UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT flags);  // -1 when none
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);
BOOL GetMenuInfo(HMENU menu, MENUINFO* info);
BOOL SetMenuInfo(HMENU menu, const MENUINFO* info);

}  // namespace parch

namespace parch::win {

// Whether the menu is a popup menu (a menu bar otherwise); false for a bad handle.
bool IsPopupMenu(HMENU menu);
// The window whose bar shows the menu (null when none), kept by SetMenu.
HWND MenuBarOwner(HMENU menu);
void SetMenuBarOwner(HMENU menu, HWND hwnd);
// A menu that is some window's system menu answers that window; else null.
HWND SystemMenuOwner(HMENU menu);
void SetSystemMenuOwner(HMENU menu, HWND hwnd);

}  // namespace parch::win
