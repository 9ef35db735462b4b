#pragma once
// The one bound on what a single image may allocate. Sizes read from image data (dimensions,
// component counts, lookup tables, codec headers) are multiplied in 64 bits and compared with it;
// an image over the bound is left undrawn instead of asking for memory it cannot describe.

#include <cstdint>

namespace parch {

// Decoded pixels per image or bitmap: a page of 2,480 x 3,508 at 16 bits per component and
// five components fits many times over, a claimed 65,535 x 65,535 does not.
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 28;

// Bytes of decoded sample data per image.
inline constexpr std::int64_t kMaxImageBytes = std::int64_t{1} << 30;

inline bool ImageSizeFits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImagePixels && height <= kMaxImagePixels &&
           width * height <= kMaxImagePixels;
}

}  // namespace parch
