#pragma once
// Borders of a control drawn from its borders mask over a whole bitmap, optionally cutting the
// key-coloured corner pixels out of a window region.

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Regions.h"
#include "skin/engine/sMaskData.h"

namespace parch {

// Copies SrcRect of the mask's picture into DstRect of the bitmap (both with inclusive edges),
// limited to the smaller block. A mask band below the picture mixes each pixel with the
// destination; with skipKey key-coloured pixels are left out and, with a region, cut from it.
void CopyMaskPixels(TBitmap& dst, RECT dstRect, RECT srcRect, bool skipKey, const TsMaskData& mask, HRGN region);
// Corners (key pixels skipped, cut from the region when given) and edges of the state's frame
// over the whole bitmap; the centre only with drawCentre and the mask's centre flag.
void DrawBordersOnly(TBitmap& bitmap, HRGN region, bool drawCentre, const TsMaskData& mask, int state);

}  // namespace parch
