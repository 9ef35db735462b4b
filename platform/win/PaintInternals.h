#pragma once
// Shared pieces of the painting layer: geometry of windows inside their top-level window's
// backing store, visible regions and invalidation. Internal to platform/win; lock held
// wherever a Window* is taken.

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/RegionRects.h"
#include "platform/win/WinState.h"

namespace parch::win {

RECT Moved(const RECT& r, int dx, int dy);
RECT Intersection(const RECT& a, const RECT& b);
bool HasArea(const RECT& r);

// The window's top-left corner in its top-level window's coordinates.
POINT OffsetInTop(const Window* w);
RECT WindowRectInTop(const Window* w);
// The client area in the window's own coordinates.
RECT ClientRectInWindow(const Window* w);
// The window's area as its window region leaves it, window coordinates.
RegionRects ShapeOf(const Window* w);

// Where the window can be seen inside its top-level window's store, top-level coordinates:
// its whole area (windowArea) or its client area, cut by ancestors, window regions and,
// as the styles or flags ask, siblings above and children. Empty when not visible.
// styleClipsChildren false: WS_CLIPCHILDREN is ignored (moving pixels takes the children along).
RegionRects VisibleRegion(const Window* w, bool windowArea, DWORD dcxFlags, bool styleClipsChildren = true);

// The top-level window's backing store, made or resized to the window's size; the pixels
// kept where the sizes overlap. Null for a window without area.
GdiBitmap* StoreOf(Window* top);

// Adds (or removes with validate) an area in window coordinates to the update region of w
// and, as flags say, of its children. Flags are RDW_*.
void ChangeUpdateRegion(Window* w, const RegionRects& area, UINT flags);

// Sends a queued WM_PAINT; a window whose procedure neither began painting nor validated is
// validated afterwards, so that an unanswered WM_PAINT cannot come back for ever.
LRESULT DispatchPaint(HWND hwnd);

// A window context (DCX_* flags) narrowed to an area in window coordinates.
HDC PaintContext(HWND hwnd, DWORD flags, const RegionRects* clipInWindow);

// Whether the mouse passes through the window at a screen point: WS_EX_TRANSPARENT, outside
// its window region, or a pixel its layered look does not show.
bool LetsMouseThrough(const Window* w, POINT screen);
// WS_EX_LAYERED was set or cleared: the layered look starts afresh.
void LayeredStyleChanged(Window* w, DWORD oldExStyle);

}  // namespace parch::win
