#pragma once
// The "Button" window class: push buttons, check boxes, radio buttons, group boxes and
// owner-drawn buttons in the classic look. It tells its parent through WM_COMMAND (BN_*),
// asks it for colours with WM_CTLCOLORBTN (push buttons) or WM_CTLCOLORSTATIC (the others), and
// answers the BM_* messages. The class is registered with the system classes on first use.

#include "platform/win/WinUser.h"

namespace parch {

// Button styles: the type in the low four bits, then the look.
constexpr DWORD BS_PUSHBUTTON = 0x00000000;
constexpr DWORD BS_DEFPUSHBUTTON = 0x00000001;
constexpr DWORD BS_CHECKBOX = 0x00000002;
constexpr DWORD BS_AUTOCHECKBOX = 0x00000003;
constexpr DWORD BS_RADIOBUTTON = 0x00000004;
constexpr DWORD BS_3STATE = 0x00000005;
constexpr DWORD BS_AUTO3STATE = 0x00000006;
constexpr DWORD BS_GROUPBOX = 0x00000007;
constexpr DWORD BS_USERBUTTON = 0x00000008;
constexpr DWORD BS_AUTORADIOBUTTON = 0x00000009;
constexpr DWORD BS_PUSHBOX = 0x0000000A;
constexpr DWORD BS_OWNERDRAW = 0x0000000B;
constexpr DWORD BS_TYPEMASK = 0x0000000F;
constexpr DWORD BS_LEFTTEXT = 0x00000020;
constexpr DWORD BS_RIGHTBUTTON = BS_LEFTTEXT;
constexpr DWORD BS_TEXT = 0x00000000;
constexpr DWORD BS_ICON = 0x00000040;
constexpr DWORD BS_BITMAP = 0x00000080;
constexpr DWORD BS_LEFT = 0x00000100;
constexpr DWORD BS_RIGHT = 0x00000200;
constexpr DWORD BS_CENTER = 0x00000300;
constexpr DWORD BS_TOP = 0x00000400;
constexpr DWORD BS_BOTTOM = 0x00000800;
constexpr DWORD BS_VCENTER = 0x00000C00;
constexpr DWORD BS_PUSHLIKE = 0x00001000;
constexpr DWORD BS_MULTILINE = 0x00002000;
constexpr DWORD BS_NOTIFY = 0x00004000;
constexpr DWORD BS_FLAT = 0x00008000;

// Messages.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_SETSTYLE = 0x00F4;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT BM_GETIMAGE = 0x00F6;
constexpr UINT BM_SETIMAGE = 0x00F7;

// Check and visual states (BM_GETCHECK, BM_SETCHECK, BM_GETSTATE).
constexpr LRESULT BST_UNCHECKED = 0x0000;
constexpr LRESULT BST_CHECKED = 0x0001;
constexpr LRESULT BST_INDETERMINATE = 0x0002;
constexpr LRESULT BST_PUSHED = 0x0004;
constexpr LRESULT BST_FOCUS = 0x0008;
constexpr LRESULT BST_HOT = 0x0200;

// Notification codes in WM_COMMAND.
constexpr WORD BN_CLICKED = 0;
constexpr WORD BN_PAINT = 1;
constexpr WORD BN_HILITE = 2;
constexpr WORD BN_UNHILITE = 3;
constexpr WORD BN_DISABLE = 4;
constexpr WORD BN_DOUBLECLICKED = 5;
constexpr WORD BN_DBLCLK = BN_DOUBLECLICKED;
constexpr WORD BN_SETFOCUS = 6;
constexpr WORD BN_KILLFOCUS = 7;

// The size of a check-box or radio-button glyph (one DrawFrameControl cell).
constexpr int kCheckGlyphSize = 13;

}  // namespace parch

namespace parch::win {

void RegisterButtonClass();

}  // namespace parch::win
