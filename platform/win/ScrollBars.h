#pragma once
// Scroll bars: the two standard bars of a window (WS_HSCROLL, WS_VSCROLL), which live in its
// non-client area, and the bar of a "scrollbar" control (SB_CTL). Each keeps its range, page
// and position; the user's clicks and drags become WM_HSCROLL/WM_VSCROLL with the SB_ codes.
//
// Setting a range or page that makes a window bar unnecessary hides it, and a range that needs
// it shows it again; with SIF_DISABLENOSCROLL the bar shows in any case, disabled while not
// needed.

#include "platform/win/WinUser.h"

namespace parch {

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_LEFT = 0x0001;
constexpr UINT ESB_DISABLE_UP = 0x0001;
constexpr UINT ESB_DISABLE_LTUP = 0x0001;
constexpr UINT ESB_DISABLE_RIGHT = 0x0002;
constexpr UINT ESB_DISABLE_DOWN = 0x0002;
constexpr UINT ESB_DISABLE_RTDN = 0x0002;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;

// Styles of the "scrollbar" class.
constexpr DWORD SBS_HORZ = 0x0000;
constexpr DWORD SBS_VERT = 0x0001;
constexpr DWORD SBS_SIZEBOX = 0x0008;
constexpr DWORD SBS_SIZEGRIP = 0x0010;

// Messages of the "scrollbar" class.
constexpr UINT SBM_SETPOS = 0x00E0;
constexpr UINT SBM_GETPOS = 0x00E1;
constexpr UINT SBM_SETRANGE = 0x00E2;
constexpr UINT SBM_GETRANGE = 0x00E3;
constexpr UINT SBM_ENABLE_ARROWS = 0x00E4;
constexpr UINT SBM_SETRANGEREDRAW = 0x00E6;
constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// Returns the position after the change.
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
// Returns the position before the change.
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
// False when the arrows already were as asked.
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);

}  // namespace parch

namespace parch::win {

// The parts of a bar, numbered as the scroll requests they make.
enum class ScrollPart { None = -1, LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, Thumb = 5 };

// Where the parts of a bar lie along it: arrows at both ends, the thumb in the track.
struct ScrollGeometry {
    int length = 0;      // along the bar
    int arrow = 0;       // length of each arrow button
    int thumbStart = 0;  // from the bar's start
    int thumbLength = 0;  // 0: no thumb (disabled, or no room)
};

// The state of one bar as the painting and the hit testing need it.
struct ScrollState {
    SCROLLINFO info;
    UINT disabledArrows = 0;  // ESB_ bits
    bool tracking = false;    // the thumb is being dragged; it shows at info.nTrackPos
    ScrollPart pressed = ScrollPart::None;  // the part held down, shown so by every repaint
};

// The bar's state (SB_HORZ, SB_VERT or SB_CTL); false when the window has none.
bool GetScrollState(HWND hwnd, int bar, ScrollState& state);
ScrollGeometry LayOutScrollBar(const ScrollState& state, int length, int thickness);
ScrollPart ScrollPartAt(const ScrollGeometry& geometry, int offset);

// Paints a bar into rect of dc, horizontal or vertical.
void PaintScrollBar(HDC dc, const RECT& rect, bool vertical, const ScrollState& state);

// The modal interaction that a button press on a bar starts: arrows and page areas repeat on
// the clock while held, the thumb follows the mouse. bar is SB_HORZ, SB_VERT or SB_CTL;
// start is the screen point of the press. Requests go to notify as WM_HSCROLL/WM_VSCROLL
// (from a control, with its handle in LParam).
void TrackScrollBar(HWND hwnd, int bar, POINT start);

// The screen rectangle of a window bar (empty when not shown), or the control's client area.
RECT ScrollBarRectOnScreen(HWND hwnd, int bar);

}  // namespace parch::win
