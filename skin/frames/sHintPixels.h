#pragma once
// Pixel work of the hint pictures on 32-bit bitmaps (B, G, R, A bytes): masks, the layered
// image, the one-pixel outline of the shaped styles and a corner-keeping stretch.

#include <cstdint>

#include "framework/graphics/Bitmap.h"

namespace parch {

// Pixels of the key colour become white (outside), all others black (inside).
void KeyToHintMask(TBitmap& mask, std::uint32_t key);
// The layered picture: outside the mask (white) black with the shadow's alpha (255 minus the
// shadow picture's blue byte), inside the body opaque. All four bitmaps share one size.
void ComposeHintImage(TBitmap& image, TBitmap& body, TBitmap& mask, TBitmap& shadow);
// Tints the bitmap toward black through a same-sized grey mask: each colour byte is scaled by
// the mask's byte (255 keeps the pixel exactly, 0 makes it black).
void DarkenThroughHintMask(TBitmap& bitmap, TBitmap& mask);
// Dst := Src with its colour bytes scaled by their alpha, as layered windows take them (same size).
void PremultiplyHintPixels(TBitmap& dst, TBitmap& src);
// Every body pixel inside the mask that touches the outside on its left or top (or lies in the
// first column or row) takes topColor; one that touches it on the right or bottom (or lies in
// the last column or row) takes bottomColor. Colours are RGB.
void PaintHintOutline(TBitmap& body, TBitmap& mask, std::uint32_t topColor, std::uint32_t bottomColor);
// Src stretched over the whole of Dst keeping its border blocks (the given widths) unscaled,
// pixels copied as they are (alpha included).
void StretchHintKeepingCorners(TBitmap& dst, TBitmap& src, int left, int top, int right, int bottom);

}  // namespace parch
