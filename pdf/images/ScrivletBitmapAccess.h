#pragma once
// Small helpers of the image library over framework bitmaps: the colour table of a palette
// bitmap, and bitmaps made from pixel rows.

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

// The colour table of a palette bitmap (empty for other bitmaps).
std::vector<RGBQUAD> BitmapColorTable(const TBitmap& bitmap);
void SetBitmapColorTable(TBitmap& bitmap, const std::vector<RGBQUAD>& colors);
// Row y from the top (the bitmap's own pixel format).
const BYTE* BitmapRow(const TBitmap& bitmap, int y);
// A 24-bit copy of any bitmap, palette bitmaps through their colour table.
std::unique_ptr<TBitmap> Bitmap24Copy(const TBitmap& bitmap);
// The bitmap made 24-bit in place, the same way.
void MakeBitmap24(TBitmap& bitmap);
// Pixel (x, y) of a 24-bit or 32-bit bitmap as B | G << 8 | R << 16.
std::uint32_t BitmapPixelBGR(const TBitmap& bitmap, int x, int y);

}  // namespace parch
