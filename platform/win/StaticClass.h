#pragma once
// The "Static" window class: text, rectangles and frames, etched lines, bitmaps and icons, and
// owner-drawn statics, in the classic look. Without SS_NOTIFY it is transparent to the mouse
// (HTTRANSPARENT), as labels are; with it the parent hears of clicks (STN_*). Text statics ask
// the parent for colours with WM_CTLCOLORSTATIC. Registered with the system classes on first use.

#include "platform/win/WinUser.h"

namespace parch {

// Static styles: the type in the low five bits, then the options.
constexpr DWORD SS_LEFT = 0x00000000;
constexpr DWORD SS_CENTER = 0x00000001;
constexpr DWORD SS_RIGHT = 0x00000002;
constexpr DWORD SS_ICON = 0x00000003;
constexpr DWORD SS_BLACKRECT = 0x00000004;
constexpr DWORD SS_GRAYRECT = 0x00000005;
constexpr DWORD SS_WHITERECT = 0x00000006;
constexpr DWORD SS_BLACKFRAME = 0x00000007;
constexpr DWORD SS_GRAYFRAME = 0x00000008;
constexpr DWORD SS_WHITEFRAME = 0x00000009;
constexpr DWORD SS_USERITEM = 0x0000000A;
constexpr DWORD SS_SIMPLE = 0x0000000B;
constexpr DWORD SS_LEFTNOWORDWRAP = 0x0000000C;
constexpr DWORD SS_OWNERDRAW = 0x0000000D;
constexpr DWORD SS_BITMAP = 0x0000000E;
constexpr DWORD SS_ENHMETAFILE = 0x0000000F;
constexpr DWORD SS_ETCHEDHORZ = 0x00000010;
constexpr DWORD SS_ETCHEDVERT = 0x00000011;
constexpr DWORD SS_ETCHEDFRAME = 0x00000012;
constexpr DWORD SS_TYPEMASK = 0x0000001F;
constexpr DWORD SS_REALSIZECONTROL = 0x00000040;
constexpr DWORD SS_NOPREFIX = 0x00000080;
constexpr DWORD SS_NOTIFY = 0x00000100;
constexpr DWORD SS_CENTERIMAGE = 0x00000200;
constexpr DWORD SS_RIGHTJUST = 0x00000400;
constexpr DWORD SS_REALSIZEIMAGE = 0x00000800;
constexpr DWORD SS_SUNKEN = 0x00001000;
constexpr DWORD SS_EDITCONTROL = 0x00002000;
constexpr DWORD SS_ENDELLIPSIS = 0x00004000;
constexpr DWORD SS_PATHELLIPSIS = 0x00008000;
constexpr DWORD SS_WORDELLIPSIS = 0x0000C000;
constexpr DWORD SS_ELLIPSISMASK = 0x0000C000;

// Messages.
constexpr UINT STM_SETICON = 0x0170;
constexpr UINT STM_GETICON = 0x0171;
constexpr UINT STM_SETIMAGE = 0x0172;
constexpr UINT STM_GETIMAGE = 0x0173;

// Notification codes in WM_COMMAND (SS_NOTIFY only).
constexpr WORD STN_CLICKED = 0;
constexpr WORD STN_DBLCLK = 1;
constexpr WORD STN_ENABLE = 2;
constexpr WORD STN_DISABLE = 3;

}  // namespace parch

namespace parch::win {

void RegisterStaticClass();

}  // namespace parch::win
