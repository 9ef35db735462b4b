#pragma once
// The "msctls_statusbar32" window class: a bar along the bottom (or top) of its parent cut into
// parts by right edges (-1 reaches the right edge), each with a text ("left\tcentre\tright") or
// drawn by the parent (SBT_OWNERDRAW: WM_DRAWITEM with CtlType 0, itemID the part and itemData
// the value given). Simple mode shows one part (number SB_SIMPLEID) over the whole bar. With
// SBARS_SIZEGRIP a grip in the corner sizes the top-level window by its bottom-right corner.
// The parent sends it WM_SIZE when it changes size and the bar follows (CCS_ placement styles).
// Clicks are told with NM_CLICK, NM_DBLCLK, NM_RCLICK and NM_RDBLCLK carrying an NMMOUSE whose
// dwItemSpec is the part. It may hold child windows of its own.

#include "platform/win/CommonControls.h"

namespace parch {

constexpr const char* STATUSCLASSNAME = "msctls_statusbar32";

// Placement styles shared by the bars.
constexpr DWORD CCS_TOP = 0x00000001;
constexpr DWORD CCS_NOMOVEY = 0x00000002;
constexpr DWORD CCS_BOTTOM = 0x00000003;
constexpr DWORD CCS_NORESIZE = 0x00000004;
constexpr DWORD CCS_NOPARENTALIGN = 0x00000008;
constexpr DWORD CCS_ADJUSTABLE = 0x00000020;
constexpr DWORD CCS_NODIVIDER = 0x00000040;
constexpr DWORD CCS_VERT = 0x00000080;

constexpr DWORD SBARS_SIZEGRIP = 0x0100;
constexpr DWORD SBARS_TOOLTIPS = 0x0800;

constexpr UINT SB_SETTEXTA = 0x0401;
constexpr UINT SB_GETTEXTA = 0x0402;
constexpr UINT SB_GETTEXTLENGTHA = 0x0403;
constexpr UINT SB_SETPARTS = 0x0404;
constexpr UINT SB_GETPARTS = 0x0406;
constexpr UINT SB_GETBORDERS = 0x0407;
constexpr UINT SB_SETMINHEIGHT = 0x0408;
constexpr UINT SB_SIMPLE = 0x0409;
constexpr UINT SB_GETRECT = 0x040A;
constexpr UINT SB_SETTEXTW = 0x040B;
constexpr UINT SB_GETTEXTLENGTHW = 0x040C;
constexpr UINT SB_GETTEXTW = 0x040D;
constexpr UINT SB_ISSIMPLE = 0x040E;
constexpr UINT SB_SETTEXT = SB_SETTEXTA;
constexpr UINT SB_GETTEXT = SB_GETTEXTA;
constexpr UINT SB_GETTEXTLENGTH = SB_GETTEXTLENGTHA;

// The part number of simple mode.
constexpr UINT SB_SIMPLEID = 0x00FF;
// At most this many parts.
constexpr int kStatusBarMaxParts = 256;

// Drawing types, in the high byte of SB_SETTEXT's WParam and in the answers of SB_GETTEXT.
constexpr UINT SBT_NOBORDERS = 0x0100;
constexpr UINT SBT_POPOUT = 0x0200;
constexpr UINT SBT_RTLREADING = 0x0400;
constexpr UINT SBT_NOTABPARSING = 0x0800;
constexpr UINT SBT_OWNERDRAW = 0x1000;

}  // namespace parch

namespace parch::win {

void RegisterStatusBarClass();

// Puts a bar along its parent's edge by its CCS_ styles: full width at `height` (unless
// CCS_NORESIZE), at the top or bottom (CCS_TOP, CCS_BOTTOM; style 0 means `defaultBottom`),
// or left where it is for CCS_NOPARENTALIGN. Shared by the status bar and the tool bar.
void PlaceBarAlongParent(HWND bar, int height, bool defaultBottom);

}  // namespace parch::win
