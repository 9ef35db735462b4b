#pragma once
// Pixel access and blending over 32-bit bitmaps (bytes blue, green, red, alpha), the toolkit
// every skin painting routine composes with. Colours in arguments are TColor ($00BBGGRR); the
// key colour 0xFF00FF compared as a whole 32-bit pixel matches only magenta with alpha 0.

#include <cstddef>
#include <cstdint>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Graphics.h"
#include "skin/engine/sConst.h"

namespace parch {

// Direct access to the pixels of a pf32bit bitmap: scan line 0 and the signed stride are taken
// once, so bottom-up storage works. No bounds checks: callers stay inside Width x Height.
class TacFast32 {
public:
    // False (Width 0) for a bitmap that is not 32-bit, lower than 2 rows or without a column.
    bool Attach(TBitmap& bitmap);
    std::uint32_t* Row(int y) const { return reinterpret_cast<std::uint32_t*>(line0_ + stride_ * y); }
    // The pixel as a TColor with the alpha byte on top.
    TColor GetPixel(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    // Right and bottom exclusive, clipped; colour at alpha 255.
    void FillRect(RECT r, TColor color);

    TBitmap* Bitmap = nullptr;
    int Width = 0;
    int Height = 0;

private:
    BYTE* line0_ = nullptr;
    std::ptrdiff_t stride_ = 0;
};

// Blends a source rectangle into an equal destination rectangle with one destination weight:
// every byte (alpha included) becomes (d x a + s x (255 - a) + 127) shr 8.
class TacFastSum32 {
public:
    // False when either bitmap is not 32-bit or narrower or lower than 2 pixels.
    bool Attach(TBitmap& src, TBitmap& dst);
    // The rectangles must lie inside their bitmaps and have the same size.
    void Blend();

    std::uint8_t DstWeight = 0;
    RECT DstRect{0, 0, 0, 0};
    RECT SrcRect{0, 0, 0, 0};

private:
    TacFast32 src_;
    TacFast32 dst_;
};

constexpr TColor ExchangeRedBlue(TColor color) {
    auto c = static_cast<std::uint32_t>(color);
    return static_cast<TColor>((c & 0xFF00FF00u) | ((c & 0xFF) << 16) | ((c >> 16) & 0xFF));
}
constexpr TColor ExchangeRedBlueNoAlpha(TColor color) {
    return static_cast<TColor>(static_cast<std::uint32_t>(ExchangeRedBlue(color)) & 0xFFFFFFu);
}

// Fills R with the colour at alpha 255, clipped; a one-row bitmap has its row filled from
// R.Left to its end.
void FillBitmapRect32(TBitmap& bitmap, RECT r, TColor color);
// Byte 3 of every pixel of R (clipped), or with skipKey of every pixel that is not the key.
void SetAlphaInRect(TBitmap& bitmap, RECT r, std::uint8_t alpha, bool skipKey);

// SrcRect of Src blended into Dst at P with destination weight alpha; negative P cuts the
// rectangle; clipped to both bitmaps.
void BlendRectAt(TBitmap& dst, TBitmap& src, int alpha, RECT srcRect, POINT p);
// The whole bitmaps, only when their sizes are equal.
void BlendBitmaps(TBitmap& dst, TBitmap& src, int alpha);
// d := round(d x p + c x (1 - p)), p = percent / 100; R has inclusive right and bottom edges.
void BlendRectWithColor(TBitmap& bitmap, RECT r, int percent, TColor color);
// Non-key pixels of SrcRect (inclusive edges) become round(s - (s - d) x factor) at (x, y) of
// Dst plus their offset: factor 0 copies, 1 keeps. Alpha unchanged.
void BlendKeyedRect(TBitmap& dst, int x, int y, TBitmap& src, RECT srcRect, double factor, std::uint32_t key);
// Every non-key pixel: round(factor x (p - c) + c).
void FadeBitmapToColor(TBitmap& bitmap, TColor color, double factor);
// Same sizes only: ((p - c) x m + c x 256) shr 8, m the mask's byte of that channel.
void ApplyColorMask(TBitmap& bitmap, TBitmap& mask, TColor color);
// Source alpha blending of SrcRect into DstRect; with a Valid backdrop key pixels take the
// backdrop (useBackdrop) or are skipped.
void BlendAlphaRect(RECT dstRect, RECT srcRect, TBitmap& dst, TBitmap& src, const TsBackgroundSource& backdrop,
                    bool useBackdrop);
// Alpha image drawing with a lowered opacity (percent), an optional tint (clNone: none) and an
// optional fading mirror image below.
void DrawAlphaImage(RECT dstRect, RECT srcRect, TBitmap& dst, TBitmap& src, const TsBackgroundSource& backdrop,
                    bool useBackdrop, TColor tint, int percent, bool reflected);
// Copies Src at (x, y) into the 32-bit Dst leaving out key pixels; copied pixels get alpha 255.
// Sources of other formats are compared on their three colour bytes.
void CopyKeyedOpaque(TBitmap& dst, TBitmap& src, int x, int y, std::uint32_t key);
// Same-sized A and B: Dst := ((a - b) x w + b x 256) shr 8, w from WeightBitmap or weight.
void MixBitmaps(TBitmap& dst, TBitmap& a, TBitmap& b, TBitmap* weightBitmap, int weight);
// Inside R of Dst: d := ((d - s) x m + s x 256) shr 8, m the mask's byte of that channel.
void MixByMaskBitmap(TBitmap& dst, TBitmap& src, TBitmap& mask, RECT r);
// Inside R of Dst: source alpha blending weakened by the mask's red byte (255 keeps Dst).
void BlendThroughMask(TBitmap& dst, TBitmap& src, TBitmap& mask, RECT r);

// Each channel (a x 127 + b x 129) shr 8; top byte 0.
TColor MixColorsHalf(TColor a, TColor b);
// Each channel round(k x a + (1 - k) x b); a's top byte kept.
TColor MixColorsByFactor(TColor a, TColor b, double k);

}  // namespace parch
