#pragma once
// The "msctls_updown32" window class: a pair of arrow buttons that step a position within a
// range. A press on an arrow asks the parent (UDN_DELTAPOS, a non-zero answer vetoes), then
// tells it the new position (WM_VSCROLL, or WM_HSCROLL with UDS_HORZ, SB_THUMBPOSITION); held
// down it repeats on the window-system clock, first after a delay and then faster, by the
// steps of the acceleration table; the release sends SB_ENDSCROLL. A buddy window may show the
// position as its text (UDS_SETBUDDYINT) and carry the arrows at its side.

#include "platform/win/WinUser.h"

namespace parch {

// Styles.
constexpr DWORD UDS_WRAP = 0x0001;
constexpr DWORD UDS_SETBUDDYINT = 0x0002;
constexpr DWORD UDS_ALIGNRIGHT = 0x0004;
constexpr DWORD UDS_ALIGNLEFT = 0x0008;
constexpr DWORD UDS_AUTOBUDDY = 0x0010;
constexpr DWORD UDS_ARROWKEYS = 0x0020;
constexpr DWORD UDS_HORZ = 0x0040;
constexpr DWORD UDS_NOTHOUSANDS = 0x0080;
constexpr DWORD UDS_HOTTRACK = 0x0100;

// Messages.
constexpr UINT UDM_SETRANGE = 0x0400 + 101;
constexpr UINT UDM_GETRANGE = 0x0400 + 102;
constexpr UINT UDM_SETPOS = 0x0400 + 103;
constexpr UINT UDM_GETPOS = 0x0400 + 104;
constexpr UINT UDM_SETBUDDY = 0x0400 + 105;
constexpr UINT UDM_GETBUDDY = 0x0400 + 106;
constexpr UINT UDM_SETACCEL = 0x0400 + 107;
constexpr UINT UDM_GETACCEL = 0x0400 + 108;
constexpr UINT UDM_SETBASE = 0x0400 + 109;
constexpr UINT UDM_GETBASE = 0x0400 + 110;
constexpr UINT UDM_SETRANGE32 = 0x0400 + 111;
constexpr UINT UDM_GETRANGE32 = 0x0400 + 112;
constexpr UINT UDM_SETPOS32 = 0x0400 + 113;
constexpr UINT UDM_GETPOS32 = 0x0400 + 114;

constexpr int UD_MAXVAL = 0x7FFF;
constexpr int UD_MINVAL = -UD_MAXVAL;

// Notifications.
constexpr UINT UDN_FIRST = 0u - 721u;
constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1;

struct NMUPDOWN {
    NMHDR hdr;
    int iPos = 0;
    int iDelta = 0;
};

// After nSec seconds of holding an arrow, the step is nInc.
struct UDACCEL {
    UINT nSec = 0;
    UINT nInc = 0;
};

}  // namespace parch

namespace parch::win {

void RegisterUpDownClass();

}  // namespace parch::win
