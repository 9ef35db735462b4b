#pragma once
// The "msctls_trackbar32" window class: a thumb that slides along a channel between a minimum
// and a maximum, with tic marks (the two ends always, more set one by one or every n with
// TBS_AUTOTICKS), an optional selection range, and a buddy window at either end. Dragging the
// thumb, clicking the channel (paging, repeated while held) and the keys move it; each move is
// told to the parent with WM_HSCROLL (WM_VSCROLL for TBS_VERT) carrying a TB_ code and the
// bar's handle. Painting goes through custom draw for the tics, the channel and the thumb.

#include "platform/win/CommonControls.h"

namespace parch {

constexpr const char* TRACKBAR_CLASS = "msctls_trackbar32";

// Styles.
constexpr DWORD TBS_AUTOTICKS = 0x0001;
constexpr DWORD TBS_VERT = 0x0002;
constexpr DWORD TBS_HORZ = 0x0000;
constexpr DWORD TBS_TOP = 0x0004;
constexpr DWORD TBS_BOTTOM = 0x0000;
constexpr DWORD TBS_LEFT = 0x0004;
constexpr DWORD TBS_RIGHT = 0x0000;
constexpr DWORD TBS_BOTH = 0x0008;
constexpr DWORD TBS_NOTICKS = 0x0010;
constexpr DWORD TBS_ENABLESELRANGE = 0x0020;
constexpr DWORD TBS_FIXEDLENGTH = 0x0040;
constexpr DWORD TBS_NOTHUMB = 0x0080;
constexpr DWORD TBS_TOOLTIPS = 0x0100;
constexpr DWORD TBS_REVERSED = 0x0200;
constexpr DWORD TBS_DOWNISLEFT = 0x0400;

// Messages.
constexpr UINT TBM_GETPOS = 0x0400;
constexpr UINT TBM_GETRANGEMIN = 0x0401;
constexpr UINT TBM_GETRANGEMAX = 0x0402;
constexpr UINT TBM_GETTIC = 0x0403;
constexpr UINT TBM_SETTIC = 0x0404;
constexpr UINT TBM_SETPOS = 0x0405;
constexpr UINT TBM_SETRANGE = 0x0406;
constexpr UINT TBM_SETRANGEMIN = 0x0407;
constexpr UINT TBM_SETRANGEMAX = 0x0408;
constexpr UINT TBM_CLEARTICS = 0x0409;
constexpr UINT TBM_SETSEL = 0x040A;
constexpr UINT TBM_SETSELSTART = 0x040B;
constexpr UINT TBM_SETSELEND = 0x040C;
constexpr UINT TBM_GETPTICS = 0x040E;
constexpr UINT TBM_GETTICPOS = 0x040F;
constexpr UINT TBM_GETNUMTICS = 0x0410;
constexpr UINT TBM_GETSELSTART = 0x0411;
constexpr UINT TBM_GETSELEND = 0x0412;
constexpr UINT TBM_CLEARSEL = 0x0413;
constexpr UINT TBM_SETTICFREQ = 0x0414;
constexpr UINT TBM_SETPAGESIZE = 0x0415;
constexpr UINT TBM_GETPAGESIZE = 0x0416;
constexpr UINT TBM_SETLINESIZE = 0x0417;
constexpr UINT TBM_GETLINESIZE = 0x0418;
constexpr UINT TBM_GETTHUMBRECT = 0x0419;
constexpr UINT TBM_GETCHANNELRECT = 0x041A;
constexpr UINT TBM_SETTHUMBLENGTH = 0x041B;
constexpr UINT TBM_GETTHUMBLENGTH = 0x041C;
constexpr UINT TBM_SETBUDDY = 0x0420;
constexpr UINT TBM_GETBUDDY = 0x0421;

// Codes in the low word of WM_HSCROLL / WM_VSCROLL.
constexpr WORD TB_LINEUP = 0;
constexpr WORD TB_LINEDOWN = 1;
constexpr WORD TB_PAGEUP = 2;
constexpr WORD TB_PAGEDOWN = 3;
constexpr WORD TB_THUMBPOSITION = 4;
constexpr WORD TB_THUMBTRACK = 5;
constexpr WORD TB_TOP = 6;
constexpr WORD TB_BOTTOM = 7;
constexpr WORD TB_ENDTRACK = 8;

// dwItemSpec of the custom-draw item stages.
constexpr UINT_PTR TBCD_TICS = 0x0001;
constexpr UINT_PTR TBCD_THUMB = 0x0002;
constexpr UINT_PTR TBCD_CHANNEL = 0x0003;

}  // namespace parch

namespace parch::win {

void RegisterTrackBarClass();

}  // namespace parch::win
