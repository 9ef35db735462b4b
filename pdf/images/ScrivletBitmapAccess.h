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
// A 24-bit copy of any bitmap.
std::unique_ptr<TBitmap> Bitmap24Copy(const TBitmap& bitmap);
// Pixel (x, y) of a 24-bit or 32-bit bitmap as B | G << 8 | R << 16.
std::uint32_t BitmapPixelBGR(const TBitmap& bitmap, int x, int y);

}  // namespace parch
