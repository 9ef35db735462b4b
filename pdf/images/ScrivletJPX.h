#pragma once
// TJpeg2000Bitmap: a bitmap that loads JPEG 2000 data (JP2 files and raw codestreams) and
// saves JP2 files, through OpenJPEG.

#include <cstdint>
#include <memory>

#include "framework/graphics/Bitmap.h"

namespace parch {

class EJpeg2000Error : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

class TJpeg2000Bitmap : public TBitmap {
public:
    TJpeg2000Bitmap() = default;

    // Reads from the stream's position and leaves the stream after the bytes the codec used.
    // Three components give a 24-bit bitmap, four a 32-bit one (opacity in the fourth byte),
    // any other count an 8-bit grey bitmap of the first component. EJpeg2000Error with
    // "Unknown JPEG 2000 file type" or "JPEG 2000 image decoding failed" (also for images
    // over the size bound).
    void LoadFromStream(TStream& stream) override;
    // Writes a JP2 file of the pixels (red, green, blue and, for 32-bit bitmaps, opacity).
    // EJpeg2000Error with "Failed to create JPEG 2000 image struct for saving" or
    // "JPEG 2000 image encoding failed".
    void SaveToStream(TStream& stream) override;
    std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TJpeg2000Bitmap>(); }

    bool Lossless = false;
    // 0 to 100; higher values are taken as 100.
    std::uint8_t Quality = 80;
    // Leave palette, component-mapping and channel-definition boxes unapplied, so that the
    // components come back as they are coded (the indices of an Indexed image).
    bool KeepCodedComponents = false;
};

// The layer rate of saving: 0 for lossless, else N / (N * 100 / (115 - quality)^2 + 550 +
// 142 * (components - 1)) with N = width * height * components, quality taken at most 100.
double Jpeg2000Rate(std::int64_t width, std::int64_t height, int components, int quality, bool lossless);

}  // namespace parch
