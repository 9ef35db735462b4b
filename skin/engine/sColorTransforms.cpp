#include "skin/engine/sColorTransforms.h"

#include <algorithm>
#include <cmath>

#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

struct Rgb {
    int r, g, b;
};

Rgb RgbOfColor(TColor color) {
    auto c = static_cast<std::uint32_t>(color);
    return Rgb{static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)};
}

TColor ColorOfRgb(Rgb rgb, TColor keepTop) {
    return static_cast<TColor>((static_cast<std::uint32_t>(keepTop) & 0xFF000000u) |
                               static_cast<std::uint32_t>(rgb.r) | (static_cast<std::uint32_t>(rgb.g) << 8) |
                               (static_cast<std::uint32_t>(rgb.b) << 16));
}

// Scan-line pixels hold blue in the low byte: swap to a TColor and back around a colour routine.
template <typename ColourFunction>
void ForEachColouredPixel(TBitmap* bitmap, ColourFunction transform) {
    if (!bitmap || bitmap->PixelFormat() != pf32bit) return;
    for (int y = 0; y < bitmap->Height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bitmap->ScanLine(y));
        for (int x = 0; x < bitmap->Width(); ++x) {
            std::uint32_t p = row[x];
            if (p == TransparentKey) continue;
            int b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
            if (r == g && g == b) continue;
            TColor c = ExchangeRedBlue(static_cast<TColor>(p));
            row[x] = static_cast<std::uint32_t>(ExchangeRedBlue(transform(c)));
        }
    }
}

int LimitedRound(double v) { return static_cast<int>(std::nearbyint(std::clamp(v, 0.0, 255.0))); }

}  // namespace

TColor ShiftColorHue(int offset, TColor color) {
    if (offset == 0) return color;
    Rgb c = RgbOfColor(color);
    int v = std::max({c.r, c.g, c.b});
    int d = v - std::min({c.r, c.g, c.b});
    double s = v == 0 ? 0.0 : static_cast<double>(d) / v;
    if (s == 0) return color;
    double h;
    if (c.r == v)
        h = 60.0 * (c.g - c.b) / d;
    else if (c.g == v)
        h = 120.0 + 60.0 * (c.b - c.r) / d;
    else
        h = 240.0 + 60.0 * (c.r - c.g) / d;
    if (h < 0) h += 360;
    // Negative offsets must land in 0..359 too, or whole skins turn the wrong way.
    int turned = static_cast<int>(std::lround(h + offset)) % 360;
    if (turned < 0) turned += 360;
    int sector = turned / 60;
    double f = turned / 60.0 - sector;
    int p = LimitedRound(v * (1 - s));
    int q = LimitedRound(v * (1 - f * s));
    int t = LimitedRound(v * (1 - (1 - f) * s));
    Rgb out;
    switch (sector) {
        case 0: out = {v, t, p}; break;
        case 1: out = {q, v, p}; break;
        case 2: out = {p, v, t}; break;
        case 3: out = {p, q, v}; break;
        case 4: out = {t, p, v}; break;
        default: out = {v, p, q}; break;
    }
    return ColorOfRgb(out, color);
}

TColor AdjustColorSaturation(TColor color, int amount) {
    if (amount == 0) return color;
    Rgb c = RgbOfColor(color);
    double mean = (c.r + c.g + c.b) / 3.0;
    auto move = [&](int v) { return ClampToByte(static_cast<int>(std::nearbyint(v + (v - mean) * amount / 100.0))); };
    return ColorOfRgb(Rgb{move(c.r), move(c.g), move(c.b)}, color);
}

void ShiftBitmapHue(TBitmap* bitmap, int offset) {
    if (offset == 0) return;
    ForEachColouredPixel(bitmap, [offset](TColor c) { return ShiftColorHue(offset, c); });
}

void AdjustBitmapSaturation(TBitmap* bitmap, int amount) {
    if (amount == 0) return;
    ForEachColouredPixel(bitmap, [amount](TColor c) { return AdjustColorSaturation(c, amount); });
}

namespace {

void DesaturatePixels(TBitmap& bitmap, bool skipKey, std::uint32_t key) {
    if (bitmap.PixelFormat() != pf32bit) return;
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y));
        for (int x = 0; x < bitmap.Width(); ++x) {
            std::uint32_t p = row[x];
            if (skipKey && p == key) continue;
            std::uint32_t grey = ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF)) / 3;
            row[x] = (p & 0xFF000000u) | grey | (grey << 8) | (grey << 16);
        }
    }
}

}  // namespace

void DesaturateBitmap(TBitmap& bitmap) { DesaturatePixels(bitmap, false, 0); }

void DesaturateExceptColor(TBitmap& bitmap, std::uint32_t key) { DesaturatePixels(bitmap, true, key); }

void ApplyDisabledLook(TBitmap& bitmap, unsigned kind, TColor fallbackColor, const TsBackgroundSource& backdrop,
                       POINT offset) {
    if (kind & kDisabledGrayed) DesaturateBitmap(bitmap);
    if (!(kind & kDisabledBlended)) return;
    if (backdrop.Valid && backdrop.Bmp) {
        // The glyph keeps 40 % of itself over what lies behind it.
        int left = backdrop.X + offset.x, top = backdrop.Y + offset.y;
        RECT behind{left, top, left + bitmap.Width() - 1, top + bitmap.Height() - 1};
        BlendKeyedRect(bitmap, 0, 0, *backdrop.Bmp, behind, 0.4, TransparentKey);
        return;
    }
    TColor colour = backdrop.Color != TransparentKey ? static_cast<TColor>(backdrop.Color) : fallbackColor;
    BlendRectWithColor(bitmap, RECT{0, 0, bitmap.Width() - 1, bitmap.Height() - 1}, 50, colour);
}

namespace {

std::uint32_t BottomLeftPixel(TBitmap& bitmap, int frameLeft) {
    return reinterpret_cast<const std::uint32_t*>(bitmap.ScanLine(bitmap.Height() - 1))[frameLeft];
}

// Copies one frame, leaving out the transparent colour; copied pixels keep their alpha.
void CopyFrameKeyed(TBitmap& glyph, RECT frame, TBitmap& dst, POINT at, std::uint32_t transparent) {
    for (int y = frame.top; y < frame.bottom; ++y) {
        int dy = at.y + y - frame.top;
        if (dy < 0 || dy >= dst.Height()) continue;
        const auto* s = reinterpret_cast<const std::uint32_t*>(glyph.ScanLine(y));
        auto* d = reinterpret_cast<std::uint32_t*>(dst.ScanLine(dy));
        for (int x = frame.left; x < frame.right; ++x) {
            int dx = at.x + x - frame.left;
            if (dx >= 0 && dx < dst.Width() && s[x] != transparent) d[dx] = s[x];
        }
    }
}

int GlyphFrameIndex(const TBitmap& original, int numGlyphs, bool enabled, int buttonState, int down) {
    bool fourBit = original.PixelFormat() == pf4bit;
    if (!enabled || buttonState == 0) return 0;
    if (buttonState == 1) return fourBit ? 0 : 1;
    if (buttonState == 2) {
        if (down + 2 < numGlyphs) return down + 2;
        return fourBit ? 0 : std::min(1, numGlyphs - 1);
    }
    return 0;
}

}  // namespace

void DrawTransparentGlyph(TBitmap& glyph, TBitmap& dst, RECT r, int numGlyphs, bool enabled, unsigned disabledKind,
                          int buttonState, int blendPercent, int down) {
    if (glyph.Empty() || dst.PixelFormat() != pf32bit) return;
    numGlyphs = std::max(1, numGlyphs);
    TBitmap g;
    g.Assign(&glyph);
    g.SetPixelFormat(pf32bit);
    POINT at{r.left, r.top};
    RECT whole{0, 0, g.Width() - 1, g.Height() - 1};
    if (numGlyphs == 1) {
        if (enabled) {
            if (buttonState != 0 || blendPercent < 1)
                CopyKeyedOpaque(dst, g, at.x, at.y, BottomLeftPixel(g, 0));
            else
                BlendKeyedRect(dst, at.x, at.y, g, whole, blendPercent / 100.0, TransparentKey);
            return;
        }
        if (disabledKind & kGlyphGrayed) DesaturateBitmap(g);
        std::uint32_t transparent = BottomLeftPixel(g, 0);
        if (disabledKind & kGlyphBlended)
            BlendKeyedRect(dst, at.x, at.y, g, whole, 0.5, transparent);
        else
            CopyKeyedOpaque(dst, g, at.x, at.y, transparent);
        return;
    }
    int frameWidth = g.Width() / numGlyphs;
    if (frameWidth < 1) return;
    int index = GlyphFrameIndex(glyph, numGlyphs, enabled, buttonState, down);
    RECT frame{index * frameWidth, 0, (index + 1) * frameWidth, g.Height()};
    if (!enabled && buttonState == 0 && blendPercent > 0) {
        BlendKeyedRect(dst, at.x, at.y, g, RECT{frame.left, 0, frame.right - 1, g.Height() - 1}, blendPercent / 100.0,
                       TransparentKey);
        return;
    }
    CopyFrameKeyed(g, frame, dst, at, BottomLeftPixel(g, frame.left));
}

void PaintSoftShadow(TBitmap& bitmap, RECT r, int transparency, TColor color, int blurSize, int radius) {
    r = IntersectRects(r, RECT{0, 0, bitmap.Width(), bitmap.Height()});
    int width = RectWidth(r), height = RectHeight(r);
    if (width < 1 || height < 1 || bitmap.PixelFormat() != pf32bit) return;
    auto picture = NewPf32Bitmap(width, height);
    for (int y = 0; y < height; ++y)
        std::copy_n(reinterpret_cast<const std::uint32_t*>(bitmap.ScanLine(r.top + y)) + r.left, width,
                    reinterpret_cast<std::uint32_t*>(picture->ScanLine(y)));
    auto mask = NewPf32Bitmap(width, height);
    int s = std::min({width / 2, height / 2, blurSize});
    int rr = std::min({width / 2, height / 2, radius});
    int floorLevel = transparency * 255 / 100;
    TCanvas& canvas = mask->Canvas();
    canvas.Pen().SetStyle(psClear);
    canvas.Brush().SetStyle(bsSolid);
    auto grey = [](int level) { return static_cast<TColor>(level | (level << 8) | (level << 16)); };
    for (int k = 0; k <= s; ++k) {
        int level = k == 0 ? 255
                           : floorLevel + static_cast<int>(std::nearbyint((255.0 - floorLevel) / (s + 1) * (s + 1 - k)));
        canvas.Brush().SetColor(grey(ClampToByte(level)));
        canvas.RoundRect(k, k, width - k, height - k, rr, rr);
    }
    canvas.Brush().SetColor(grey(floorLevel));
    canvas.RoundRect(s, s, width - s, height - s, s, s);
    ApplyColorMask(*picture, *mask, color);
    for (int y = 0; y < height; ++y)
        std::copy_n(reinterpret_cast<const std::uint32_t*>(picture->ScanLine(y)), width,
                    reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(r.top + y)) + r.left);
}

}  // namespace parch
