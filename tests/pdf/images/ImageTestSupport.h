#pragma once
// What the image tests share: a document's page-1 image decoded and painted on a white bitmap
// of its own size through the matrix [W 0 0 -H 0 H], and pixel access.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletImageDecoder.h"

namespace parch::imagetest {

struct PaintedImage {
    std::unique_ptr<TBitmap> Picture;  // 24-bit, white where nothing was painted
    std::unique_ptr<TPDFImageDecoder> Decoder;
    std::string Error;
};

// Opens the file, takes the image XObject `name` (the first image when empty) of page 1's
// resources, loads it and paints it with the fill colour (red in the low byte).
PaintedImage PaintPageImage(const std::string& path, const std::string& name = {}, TColor fill = 0);

// A white 24-bit bitmap of the decoder's size with the decoder's image painted on it.
std::unique_ptr<TBitmap> PaintOnWhite(TPDFImageDecoder& decoder, TColor fill = 0);

// Pixel (x, y) as 0xRRGGBB.
std::uint32_t PixelRGB(const TBitmap& bitmap, int x, int y);

}  // namespace parch::imagetest
