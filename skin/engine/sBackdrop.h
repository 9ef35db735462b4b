#pragma once
// What lies behind a skinned control: the question put to its parent (skin command 34) and
// the fallbacks when nobody answers, the answer as a backdrop for painting, and regions cut
// from key-coloured pixels.

#include <vector>

#include "framework/Controls.h"
#include "platform/gdi/Regions.h"
#include "skin/engine/sConst.h"

namespace parch {

// The skin commands these queries send.
constexpr unsigned kSkinCommandBackgroundColor = 21;
constexpr unsigned kSkinCommandGetBackground = 34;

// Asks the control; true when it answered. Unanswered, the control paints itself into the
// request's DC when the caller asked for that, else the request gets its background colour.
bool GetControlBackdrop(TsBackgroundRequest& request, TControl& control, bool askToPaint);
// The same for a bare window; unanswered, the colour is the default manager's global colour.
bool GetWndBackdrop(TsBackgroundRequest& request, HWND wnd, bool askToPaint);
// A bitmap answer becomes a Valid backdrop; any other gives its colour.
TsBackgroundSource BackdropFromQuery(const TsBackgroundRequest& request);

// The whole bitmap less every pixel equal to the colour (alpha included); the caller owns it.
HRGN RegionFromBitmap(TBitmap& bitmap, std::uint32_t color);
// One rectangle per horizontal run of pixels equal to the colour (TColor with alpha on top).
void CollectColorRuns(std::vector<RECT>& rects, TBitmap& bitmap, TColor color);

}  // namespace parch
