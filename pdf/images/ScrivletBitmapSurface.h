#pragma once
// An image surface over a framework bitmap, drawn on with cairo: encoded images (PNG through
// our reader, BMP through the platform's) onto three corner points with nearest-neighbour
// sampling, with an optional colour-key range. Tests paint decoded images with it, and the
// decoder uses it to bring images to a common size.

#include <cstdint>
#include <memory>

#include "pdf/graphics/ScrivletImageSurface.h"

namespace parch {

class TBitmap;
struct TPNGPixels;

class TPDFBitmapSurface : public TPDFImageSurface {
public:
    // The bitmap is drawn on as it is (made 24-bit when it is neither 24 nor 32-bit); not owned.
    explicit TPDFBitmapSurface(TBitmap& target);

    bool CanDrawImages() const override { return true; }
    void DrawImageStreamPoints(TMemoryStream& stream, double x1, double y1, double x2, double y2, double x3,
                               double y3) override;
    void DrawImageStreamColorKey(TMemoryStream& stream, std::int32_t sourceWidth, double x1, double y1, double x2,
                                 double y2, double x3, double y3, std::int32_t sourceHeight, std::uint32_t keyLow,
                                 std::uint32_t keyHigh) override;

    // The bitmap stretched into the rectangle x, y, w, h (nearest neighbour).
    void DrawBitmap(const TBitmap& bitmap, double x, double y, double w, double h);

private:
    TBitmap& target_;
};

// The pixels of an encoded image (PNG or BMP bytes); false when the bytes are neither or damaged.
bool DecodeImageStream(TMemoryStream& stream, TPNGPixels& pixels);

// A copy of the bitmap scaled to width x height (nearest neighbour), 24-bit.
std::unique_ptr<TBitmap> ScaledBitmap(const TBitmap& bitmap, std::int32_t width, std::int32_t height);

}  // namespace parch
