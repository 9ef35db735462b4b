#include "skin/frames/sHintPixels.h"

#include <algorithm>
#include <array>

namespace parch {

namespace {

std::uint32_t* HintRow(TBitmap& bitmap, int y) { return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y)); }

bool SameHintSize(TBitmap& a, TBitmap& b) { return a.Width() == b.Width() && a.Height() == b.Height(); }

constexpr std::uint32_t kHintWhite = 0xFFFFFFu;

bool IsHintOutside(std::uint32_t maskPixel) { return (maskPixel & kHintWhite) == kHintWhite; }

// RGB (red in the low byte) to a B, G, R, A pixel, opaque.
std::uint32_t HintPixelOf(std::uint32_t rgb) {
    return 0xFF000000u | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// Where each destination coordinate of a stretched axis reads from: the borders one to one,
// the middle scaled to the nearest pixel.
int HintSourceCoordinate(int d, int dstSize, int srcSize, int first, int last) {
    if (d < first) return std::min(d, srcSize - 1);
    if (d >= dstSize - last) return std::clamp(srcSize - (dstSize - d), 0, srcSize - 1);
    int middleDst = dstSize - first - last;
    int middleSrc = srcSize - first - last;
    if (middleDst <= 0 || middleSrc <= 0) return std::clamp(first, 0, srcSize - 1);
    return std::clamp(first + (d - first) * middleSrc / middleDst, 0, srcSize - 1);
}

}  // namespace

void KeyToHintMask(TBitmap& mask, std::uint32_t key) {
    for (int y = 0; y < mask.Height(); ++y) {
        std::uint32_t* row = HintRow(mask, y);
        for (int x = 0; x < mask.Width(); ++x) {
            std::uint32_t rgb = ((row[x] & 0xFF) << 16) | (row[x] & 0xFF00) | ((row[x] >> 16) & 0xFF);
            row[x] = rgb == (key & kHintWhite) ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
}

void ComposeHintImage(TBitmap& image, TBitmap& body, TBitmap& mask, TBitmap& shadow) {
    if (!SameHintSize(image, body) || !SameHintSize(image, mask) || !SameHintSize(image, shadow)) return;
    for (int y = 0; y < image.Height(); ++y) {
        std::uint32_t* out = HintRow(image, y);
        const std::uint32_t* in = HintRow(body, y);
        const std::uint32_t* shape = HintRow(mask, y);
        const std::uint32_t* shade = HintRow(shadow, y);
        for (int x = 0; x < image.Width(); ++x) {
            if ((shape[x] & 0xFF) == 0xFF) out[x] = (255u - (shade[x] & 0xFF)) << 24;
            else out[x] = in[x] | 0xFF000000u;
        }
    }
}

void PremultiplyHintPixels(TBitmap& dst, TBitmap& src) {
    if (!SameHintSize(dst, src)) return;
    for (int y = 0; y < src.Height(); ++y) {
        const std::uint32_t* in = HintRow(src, y);
        std::uint32_t* out = HintRow(dst, y);
        for (int x = 0; x < src.Width(); ++x) {
            std::uint32_t a = in[x] >> 24;
            std::uint32_t b = (in[x] & 0xFF) * a / 255;
            std::uint32_t g = ((in[x] >> 8) & 0xFF) * a / 255;
            std::uint32_t r = ((in[x] >> 16) & 0xFF) * a / 255;
            out[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
}

void DarkenThroughHintMask(TBitmap& bitmap, TBitmap& mask) {
    if (!SameHintSize(bitmap, mask)) return;
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint32_t* row = HintRow(bitmap, y);
        const std::uint32_t* shade = HintRow(mask, y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            std::uint32_t out = row[x] & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                std::uint32_t d = (row[x] >> shift) & 0xFF;
                std::uint32_t m = (shade[x] >> shift) & 0xFF;
                out |= (d * m + 127) / 255 << shift;
            }
            row[x] = out;
        }
    }
}

void PaintHintOutline(TBitmap& body, TBitmap& mask, std::uint32_t topColor, std::uint32_t bottomColor) {
    if (!SameHintSize(body, mask)) return;
    int w = body.Width();
    int h = body.Height();
    std::uint32_t top = HintPixelOf(topColor);
    std::uint32_t bottom = HintPixelOf(bottomColor);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* shape = HintRow(mask, y);
        const std::uint32_t* above = y > 0 ? HintRow(mask, y - 1) : nullptr;
        const std::uint32_t* below = y + 1 < h ? HintRow(mask, y + 1) : nullptr;
        std::uint32_t* out = HintRow(body, y);
        for (int x = 0; x < w; ++x) {
            if (IsHintOutside(shape[x])) continue;
            bool leftOrTop = x == 0 || !above || IsHintOutside(shape[x - 1]) || IsHintOutside(above[x]);
            bool rightOrBottom = x == w - 1 || !below || IsHintOutside(shape[x + 1]) || IsHintOutside(below[x]);
            if (leftOrTop) out[x] = top;
            else if (rightOrBottom) out[x] = bottom;
        }
    }
}

void StretchHintKeepingCorners(TBitmap& dst, TBitmap& src, int left, int top, int right, int bottom) {
    if (dst.Width() < 1 || dst.Height() < 1 || src.Width() < 1 || src.Height() < 1) return;
    for (int y = 0; y < dst.Height(); ++y) {
        int sy = HintSourceCoordinate(y, dst.Height(), src.Height(), top, bottom);
        const std::uint32_t* in = HintRow(src, sy);
        std::uint32_t* out = HintRow(dst, y);
        for (int x = 0; x < dst.Width(); ++x) out[x] = in[HintSourceCoordinate(x, dst.Width(), src.Width(), left, right)];
    }
}

}  // namespace parch
