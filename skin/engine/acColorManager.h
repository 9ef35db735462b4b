#pragma once
// TColorManager: converts rows of pixels from one colour layout, bit depth and sample count
// into another, with an optional gamma table, and builds palettes. The PNG reader's layouts
// are grey, indexed and RGB(A); the converter also reads CMYK, CIE L*a*b*, YCbCr and Photo YCC.
//
// Configure the source and target, then call TransformRow once per row: the converter is
// chosen on the first row after a change of settings.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/Exceptions.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class EColorConversionError : public Exception {
public:
    using Exception::Exception;
};

enum TPixelLayout : std::uint8_t {
    plNone = 0,
    plUnknown = plNone,
    plIndexed = 1,
    plGrey = 2,
    plGreyAlpha = 3,
    plRGB = 4,
    plRGBA = 5,
    plBGR = 6,
    plBGRA = 7,
    plSpare = 8,  // never converted to or from
    plCMYK = 9,
    plLab = 10,
    plYCbCr = 11,
    plPhotoYCC = 12,
};

// Option bits, one set for the source and one for the target.
using TConvertOptions = std::uint8_t;
inline constexpr TConvertOptions optHasAlpha = 1;      // follows the layout
inline constexpr TConvertOptions optApplyGamma = 2;    // target: colours through the gamma table
inline constexpr TConvertOptions optBigEndian16 = 4;   // source: 16-bit samples stored high byte first
inline constexpr TConvertOptions optLabLScaled = 8;    // source: L* stored as 0..255
inline constexpr TConvertOptions optLabABOffset = 16;  // source: a*, b* stored unsigned, offset 128

class TColorManager {
public:
    // One pointer for interleaved samples, or one per channel for planar rows.
    using Sources = std::span<const void* const>;

    TColorManager();

    int SourceDepth() const { return sourceBits_; }
    int TargetDepth() const { return targetBits_; }
    // 1 to 16 bits per sample.
    void SetSourceDepth(int bits);
    void SetTargetDepth(int bits);
    int SourceSamples() const { return sourceSamples_; }
    int TargetSamples() const { return targetSamples_; }
    // 1 to 4 samples per pixel.
    void SetSourceSamples(int count);
    void SetTargetSamples(int count);
    TPixelLayout SourceLayout() const { return sourceLayout_; }
    TPixelLayout TargetLayout() const { return targetLayout_; }
    void SetSourceLayout(TPixelLayout layout);
    void SetTargetLayout(TPixelLayout layout);

    TConvertOptions SourceOptions = 0;
    TConvertOptions TargetOptions = 0;

    // Values not above 0 fall back to 1.0 and 2.2; the gamma table is rebuilt for the depths in
    // force now.
    void SetGammaPair(float mainGamma, float displayGamma);
    float MainGamma() const { return mainGamma_; }
    float DisplayGamma() const { return displayGamma_; }
    const std::array<std::uint8_t, 256>& GammaTable() const { return gamma_; }

    // The bitmap format for the target's (or the source's) depth and samples.
    TPixelFormat PixelFormatFor(bool target) const;

    // Walks Count target pixels; the bit of Mask that starts at 80h and rotates right by one per
    // pixel decides whether the pixel receives the next source pixel or keeps its content.
    void TransformRow(Sources sources, void* target, int count, std::uint8_t mask);

    // Palettes (the caller deletes the handle): 2^min(target bits, 8) greys, optionally white
    // first; or colours read from a row of samples.
    HPALETTE CreateGreyPalette(bool inverted) const;
    // Format: 0 8-bit triples, 1 8-bit quadruples, 2 and 3 8-bit planes, 4 16-bit triples,
    // 5 16-bit quadruples, 6 and 7 16-bit planes. BGROrder applies to interleaved formats.
    HPALETTE CreatePaletteFrom(Sources sources, int format, int count, bool bgrOrder) const;

private:
    using Converter = void (TColorManager::*)(Sources, std::uint8_t*, int, std::uint8_t);

    void ChooseConverter();
    void BuildChromaTables(int redOffset, int blueOffset);
    bool TargetIsRGBOrder() const;
    bool TargetIsBGROrder() const;

    std::uint8_t Gamma(unsigned value) const;
    unsigned ReadSource16(const std::uint8_t* p) const;
    void WriteTarget16(std::uint8_t* p, unsigned value) const;

    void ConvIndexed(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvIndexed16(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvIndexed16to8(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvIndexed8to16(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvGrey(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvRGBtoRGB(Sources, std::uint8_t*, int, std::uint8_t);
    bool ConvertPlainBytes(Sources sources, std::uint8_t* target, int count, std::uint8_t mask, bool exchange,
                           bool sourceAlpha, bool targetAlpha) const;
    void ConvRGBtoBGR(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvCMYKtoRGB(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvCMYKtoBGR(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvLabToRGB(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvLabToBGR(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvYCbCrToRGB(Sources, std::uint8_t*, int, std::uint8_t);
    void ConvYCbCrToBGR(Sources, std::uint8_t*, int, std::uint8_t);

    void ConvertColour(Sources, std::uint8_t*, int, std::uint8_t, bool exchange);
    void ConvertCMYK(Sources, std::uint8_t*, int, std::uint8_t, bool bgr);
    void ConvertLab(Sources, std::uint8_t*, int, std::uint8_t, bool bgr);
    void ConvertYCC(Sources, std::uint8_t*, int, std::uint8_t, bool bgr);

    explicit TColorManager(std::nullptr_t);  // without a gamma table

    bool changed_ = true;
    int sourceBits_ = 8;
    int targetBits_ = 8;
    int sourceSamples_ = 3;
    int targetSamples_ = 3;
    float mainGamma_ = 1.0f;
    float displayGamma_ = 2.2f;
    std::array<std::uint8_t, 256> gamma_{};
    float lumaRed_ = 0.299f;
    float lumaGreen_ = 0.587f;
    float lumaBlue_ = 0.114f;
    // Chroma contributions: A red from Cr, B blue from Cb, C green from Cr, D green from Cb.
    std::array<std::int32_t, 256> chromaA_{};
    std::array<std::int32_t, 256> chromaB_{};
    std::array<std::int32_t, 256> chromaC_{};
    std::array<std::int32_t, 256> chromaD_{};
    TPixelLayout sourceLayout_ = plRGB;
    TPixelLayout targetLayout_ = plBGR;
    Converter converter_ = nullptr;
};

}  // namespace parch
