#pragma once
// Borders masks (nine-part frame pictures, one frame per state) and mask glyphs painted into
// 32-bit bitmaps, honouring key-coloured pixels and masks stored below the picture.

#include <cstdint>

#include "framework/graphics/Bitmap.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMaskData.h"

namespace parch {

class TsSkinManager;

// A key-coloured pixel of a skin picture. The loader makes the master bitmap opaque, so the
// colour bytes alone decide.
constexpr bool IsSkinKeyPixel(std::uint32_t pixel) { return (pixel & 0xFFFFFFu) == TransparentKey; }

// True when the entry's rectangle lies inside the picture and is not empty.
bool SourceRectInside(const TsMaskData& mask, const TBitmap& image);
// The picture a mask entry cuts from: its own bitmap, else its manager's master bitmap;
// nullptr when neither exists, it is not 32-bit or the entry's rectangle is not inside it.
TBitmap* MaskImage(const TsMaskData& mask);

// Halves two border widths that do not fit a size; the first keeps the larger half.
void ShrinkBordersToFit(int size, int& first, int& second);

// The frame of State (clamped to the frames there are) painted into R by the nine-part rule.
// Backdrop is already in the target's coordinates; with cornersUseBackdrop key-coloured corner
// pixels show it.
void DrawBordersMask(TBitmap& bitmap, RECT r, const TsBackgroundSource& backdrop, const TsMaskData& mask, int state,
                     bool cornersUseBackdrop);
// One state frame of the mask with its top-left corner at P; mode 1 draws normally, any
// other mode faded.
void DrawMaskGlyph(TBitmap& bitmap, POINT p, int state, int mode, const TsMaskData& mask,
                   const TsBackgroundSource& backdrop);

// Opaque copies of From of Src into To of Dst, clipped to both: tiled from To's corner (the last
// column and row cut) or stretched to the nearest pixel.
void TileBitmapRect(TBitmap& dst, RECT to, TBitmap& src, RECT from);
void StretchBitmapRect(TBitmap& dst, RECT to, TBitmap& src, RECT from);

// Nine-part copy of From of Src into To of Dst: the corners kept at their size (margins as four
// widths; where an inner margin is smaller the corner narrows below or above it), the edges tiled
// (mode 0) or stretched (mode 1; other modes draw nothing), the centre when asked, tiled (0) or
// stretched (1). Pixels are copied opaque and clipped to both bitmaps.
void StretchKeepingCorners(TBitmap& dst, TBitmap& src, RECT to, RECT from, RECT margins, RECT innerMargins,
                           RECT edgeModes, int centreMode, bool drawCentre);
// Copies Src from the corner of srcRect into dstRect of Dst (the size limited to what Src holds),
// only where the reference pixel is the key colour: the destination pixel itself for mask index
// -1, else the matching pixel of a corner of the mask's first frame (kind 13 top left, 14 top
// right, 16 bottom left, 17 bottom right, others top left). Reads never leave their bitmaps.
void CopyThroughMaskCorner(TBitmap& dst, TBitmap& src, RECT dstRect, RECT srcRect, int maskIndex,
                           const TsSkinManager* manager, int kind);

}  // namespace parch
