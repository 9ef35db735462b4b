#pragma once
// Bitmap utilities of the skin engine: the 32-bit bitmaps every temporary and cache is made
// of, quarter turns, images carrying their mask in the lower half, and a filtered two-pass
// resampler.

#include <memory>

#include "framework/graphics/Bitmap.h"

namespace parch {

std::unique_ptr<TBitmap> NewPf32Bitmap(int width, int height);
// Same size and pixel format; contents undefined.
std::unique_ptr<TBitmap> NewBitmapLike(TBitmap& bitmap);
// A 32-bit bitmap turned by a quarter (clockwise: (x, y) goes to (H - 1 - y, x)); nullptr for
// other formats.
std::unique_ptr<TBitmap> RotateBitmap90(const TBitmap& bitmap, bool clockwise);
// The upper half of R with alpha 255 minus the red byte of the lower half; nullptr when the
// width or half height is 0 or R is not inside the bitmap.
std::unique_ptr<TBitmap> SplitMaskedImage(TBitmap& bitmap, RECT r);

// Filter kinds of ResampleBitmap: 0 box, 1 triangle, 2 Hermite, 3 Bell, 4 B-spline, 5 Lanczos-like
// (support 3), 6 Mitchell.
constexpr int kResampleFilterCount = 7;
// Scales Src into Dst with the filter kind (each output pixel's weights sum to one). A size
// below 1 does nothing; a source smaller than 2 x 2 raises Exception "Source bitmap is too
// small". Src is switched to the working format (32-bit, else 24-bit) in place.
void ResampleBitmap(TBitmap& src, TBitmap& dst, int newWidth, int newHeight, int filterKind);

}  // namespace parch
