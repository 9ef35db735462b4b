#pragma once
// Pixel plumbing shared by icons, image lists and image loading: bitmaps read into plain
// B | G << 8 | R << 16 | A << 24 values and made from them.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch::imagepixels {

struct BitmapDeleter {
    void operator()(GdiBitmap* bitmap) const;
};
using OwnedBitmap = std::unique_ptr<GdiBitmap, BitmapDeleter>;

// Rows [top, top + height) of a bitmap, full width, as colours; alpha only from 32-bit
// bitmaps. False for a stale handle or rows outside the bitmap.
bool ReadColors(HBITMAP bitmap, int top, int height, std::vector<std::uint32_t>& out);
// The size of a live bitmap.
bool BitmapSize(HBITMAP bitmap, int& width, int& height);

// A 32-bit top-down DIB section holding `values` (width x height, row by row).
OwnedBitmap BitmapOfValues(int width, int height, const std::uint32_t* values);
// A 1-bit bitmap, bit set where `bits` is non-zero (one byte per pixel).
HBITMAP MonochromeBitmap(int width, int height, const std::uint8_t* bits);

// A mask pixel is set where its colour is light (white in a 1-bit mask).
std::uint8_t MaskBit(std::uint32_t color);
std::uint32_t Premultiplied(std::uint32_t color);

// Nearest-neighbour resampling of a width x height grid of pixels to newWidth x newHeight.
template <class T>
std::vector<T> ScaledNearest(const std::vector<T>& pixels, int width, int height, int newWidth, int newHeight) {
    if (width == newWidth && height == newHeight) return pixels;
    std::vector<T> out(static_cast<std::size_t>(newWidth) * newHeight);
    for (int y = 0; y < newHeight; ++y) {
        const std::size_t sy = static_cast<std::size_t>(static_cast<std::int64_t>(y) * height / newHeight);
        for (int x = 0; x < newWidth; ++x) {
            const std::size_t sx = static_cast<std::size_t>(static_cast<std::int64_t>(x) * width / newWidth);
            out[static_cast<std::size_t>(y) * newWidth + x] = pixels[sy * width + sx];
        }
    }
    return out;
}

}  // namespace parch::imagepixels
