#pragma once
// TPNGGraphic: the skin engine's PNG reader. After LoadFromStream the object is an ordinary
// bitmap: 32 bits with straight alpha for RGBA images, 24 bits for RGB, and 1, 4 or 8 bits with
// a palette for grey and palette images.
//
// Input is untrusted: chunk lengths must fit in what the stream still holds, IHDR is exactly 13
// bytes, the decoded picture is at most 1 GiB, short bKGD and tRNS chunks are ignored and
// palette indexes past the PLTE entries are black. Each load starts from fresh settings.

#include <array>
#include <cstdint>

#include "base/Streams.h"
#include "skin/engine/acColorManager.h"
#include "framework/graphics/Bitmap.h"

namespace parch {

class EGraphicCompression : public Exception {
public:
    using Exception::Exception;
};

struct TPngImageInfo {
    bool HeaderRead = false;
    bool GammaApplied = false;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TPixelLayout ColorScheme = plUnknown;
    std::uint8_t BitsPerSample = 0;
    std::uint8_t SamplesPerPixel = 0;
    std::uint8_t BitsPerPixel = 0;
    bool Deflate = false;
    float FileGamma = 1.0f;
    bool Interlaced = false;
    bool HasAlpha = false;
    std::uint8_t FilterMethod = 0;
};

class TPNGGraphic : public TBitmap {
public:
    static constexpr std::int64_t kMaxDecodedBytes = std::int64_t{1} << 30;

    void LoadFromStream(TStream& stream) override;
    void Assign(TGraphic* source) override;
    // 32-bit pictures are blended by their alpha onto what the canvas shows: at their own size
    // with a fading mirror image below when Reflected, otherwise scaled (colour by nearest
    // pixels, alpha smoothed) and without one. Other formats draw as bitmaps.
    void Draw(TCanvas& canvas, const RECT& rect) override;
    std::unique_ptr<TGraphic> NewEmpty() const override { return std::make_unique<TPNGGraphic>(); }

    const TPngImageInfo& ImageInfo() const { return info_; }
    // Converts each decoded row into the bitmap's scan line; set up afresh by every load.
    TColorManager& ColorManager() { return colorManager_; }
    // The bKGD colour (framework layout), white when none.
    TColor BackgroundColor() const { return background_; }
    bool Reflected = false;

private:
    void DrawScaled(TBitmap& work, int width, int height);

    TPngImageInfo info_;
    TColor background_ = 0xFFFFFF;
    TColorManager colorManager_;
};

// Pixels with red, green and blue 255 and alpha 0 become 0 (pf32bit only).
void BlackenTransparentWhite(TBitmap& bitmap);
// Colour bytes become value * alpha / 255, truncated (pf32bit only).
void PremultiplyAlpha32(TBitmap& bitmap);

}  // namespace parch
