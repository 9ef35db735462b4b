#include "skin/engine/sPixelBlend.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "skin/engine/sVclUtils.h"

namespace parch {

namespace {

inline int ByteOf(std::uint32_t pixel, int channel) { return static_cast<int>((pixel >> (8 * channel)) & 0xFF); }
inline std::uint32_t WithByte(std::uint32_t pixel, int channel, int value) {
    return (pixel & ~(0xFFu << (8 * channel))) | (static_cast<std::uint32_t>(value & 0xFF) << (8 * channel));
}
// Scan-line order (blue in byte 0) of a TColor.
inline std::uint32_t PixelOfColor(TColor color) {
    return static_cast<std::uint32_t>(ExchangeRedBlue(static_cast<TColor>(ColorToRGB(color))));
}
inline int BlendRound(double v) { return static_cast<int>(std::nearbyint(v)); }
// (d x m + s x (256 - m)) shr 8 per colour channel: mask 0 shows s, 255 keeps d.
inline int MaskMix(int d, int s, int m) { return ((d - s) * m + s * 256) >> 8; }

bool SameSize(TBitmap& a, TBitmap& b) { return a.Width() == b.Width() && a.Height() == b.Height(); }

// A pixel view that also takes bitmaps of a single row (which TacFast32 refuses).
class RowView {
public:
    explicit RowView(TBitmap& bitmap) : bitmap_(bitmap) {}
    bool Usable() const {
        return bitmap_.PixelFormat() == pf32bit && bitmap_.Width() > 0 && bitmap_.Height() > 0;
    }
    std::uint32_t* Row(int y) const { return reinterpret_cast<std::uint32_t*>(bitmap_.ScanLine(y)); }

private:
    TBitmap& bitmap_;
};

}  // namespace

bool TacFast32::Attach(TBitmap& bitmap) {
    Width = 0;
    Height = 0;
    Bitmap = nullptr;
    if (bitmap.PixelFormat() != pf32bit || bitmap.Height() < 2 || bitmap.Width() < 1) return false;
    Bitmap = &bitmap;
    Width = bitmap.Width();
    Height = bitmap.Height();
    line0_ = bitmap.ScanLine(0);
    stride_ = bitmap.ScanLine(1) - line0_;
    return true;
}

TColor TacFast32::GetPixel(int x, int y) const { return ExchangeRedBlue(static_cast<TColor>(Row(y)[x])); }

void TacFast32::SetPixel(int x, int y, TColor color) {
    Row(y)[x] = static_cast<std::uint32_t>(ExchangeRedBlue(color));
}

void TacFast32::FillRect(RECT r, TColor color) {
    r = IntersectRects(r, RECT{0, 0, Width, Height});
    if (RectIsEmptyOrInverted(r)) return;
    std::uint32_t pixel = PixelOfColor(color) | 0xFF000000u;
    for (int y = r.top; y < r.bottom; ++y) std::fill(Row(y) + r.left, Row(y) + r.right, pixel);
}

bool TacFastSum32::Attach(TBitmap& src, TBitmap& dst) {
    if (src.Width() < 2 || dst.Width() < 2) return false;
    return src_.Attach(src) && dst_.Attach(dst);
}

void TacFastSum32::Blend() {
    int width = RectWidth(DstRect), height = RectHeight(DstRect);
    std::uint32_t a = DstWeight, sa = 255 - a;
    // Two channels per 32-bit lane pair: each 16-bit half holds at most 255 x 255 + 127.
    for (int y = 0; y < height; ++y) {
        std::uint32_t* d = dst_.Row(DstRect.top + y) + DstRect.left;
        const std::uint32_t* s = src_.Row(SrcRect.top + y) + SrcRect.left;
        for (int x = 0; x < width; ++x) {
            std::uint32_t dp = d[x], sp = s[x];
            std::uint32_t redBlue = ((dp & 0x00FF00FFu) * a + (sp & 0x00FF00FFu) * sa + 0x007F007Fu) >> 8;
            std::uint32_t alphaGreen = ((dp >> 8) & 0x00FF00FFu) * a + ((sp >> 8) & 0x00FF00FFu) * sa + 0x007F007Fu;
            d[x] = (redBlue & 0x00FF00FFu) | (alphaGreen & 0xFF00FF00u);
        }
    }
}

void FillBitmapRect32(TBitmap& bitmap, RECT r, TColor color) {
    TacFast32 fast;
    if (fast.Attach(bitmap)) {
        fast.FillRect(r, color);
        return;
    }
    RowView view(bitmap);
    if (!view.Usable() || bitmap.Height() != 1 || r.left >= bitmap.Width()) return;
    std::uint32_t pixel = PixelOfColor(color) | 0xFF000000u;
    std::uint32_t* row = view.Row(0);
    std::fill(row + std::max(0, static_cast<int>(r.left)), row + bitmap.Width(), pixel);
}

void SetAlphaInRect(TBitmap& bitmap, RECT r, std::uint8_t alpha, bool skipKey) {
    RowView view(bitmap);
    if (!view.Usable()) return;
    r = IntersectRects(r, RECT{0, 0, bitmap.Width(), bitmap.Height()});
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint32_t* row = view.Row(y);
        for (int x = r.left; x < r.right; ++x)
            if (!skipKey || row[x] != TransparentKey) row[x] = WithByte(row[x], 3, alpha);
    }
}

void BlendRectAt(TBitmap& dst, TBitmap& src, int alpha, RECT srcRect, POINT p) {
    TacFastSum32 sum;
    if (!sum.Attach(src, dst)) return;
    if (p.x < 0) srcRect.left -= p.x, p.x = 0;
    if (p.y < 0) srcRect.top -= p.y, p.y = 0;
    if (srcRect.left < 0) p.x -= srcRect.left, srcRect.left = 0;
    if (srcRect.top < 0) p.y -= srcRect.top, srcRect.top = 0;
    int width = std::min({RectWidth(srcRect), src.Width() - static_cast<int>(srcRect.left), dst.Width() - static_cast<int>(p.x)});
    int height = std::min({RectHeight(srcRect), src.Height() - static_cast<int>(srcRect.top), dst.Height() - static_cast<int>(p.y)});
    if (width <= 0 || height <= 0) return;
    sum.DstWeight = static_cast<std::uint8_t>(ClampToByte(alpha));
    sum.SrcRect = RECT{srcRect.left, srcRect.top, srcRect.left + width, srcRect.top + height};
    sum.DstRect = RECT{p.x, p.y, p.x + width, p.y + height};
    sum.Blend();
}

void BlendBitmaps(TBitmap& dst, TBitmap& src, int alpha) {
    if (!SameSize(dst, src)) return;
    BlendRectAt(dst, src, alpha, RECT{0, 0, src.Width(), src.Height()}, POINT{0, 0});
}

void BlendRectWithColor(TBitmap& bitmap, RECT r, int percent, TColor color) {
    RowView view(bitmap);
    if (!view.Usable()) return;
    r = IntersectRects(RECT{r.left, r.top, r.right + 1, r.bottom + 1}, RECT{0, 0, bitmap.Width(), bitmap.Height()});
    double p = percent / 100.0;
    std::uint32_t c = PixelOfColor(color);
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint32_t* row = view.Row(y);
        for (int x = r.left; x < r.right; ++x)
            for (int ch = 0; ch < 3; ++ch)
                row[x] = WithByte(row[x], ch, BlendRound(ByteOf(row[x], ch) * p + ByteOf(c, ch) * (1 - p)));
    }
}

void BlendKeyedRect(TBitmap& dst, int x, int y, TBitmap& src, RECT srcRect, double factor, std::uint32_t key) {
    RowView to(dst), from(src);
    if (!to.Usable() || !from.Usable()) return;
    RECT clipped = IntersectRects(RECT{srcRect.left, srcRect.top, srcRect.right + 1, srcRect.bottom + 1},
                                  RECT{0, 0, src.Width(), src.Height()});
    for (int sy = clipped.top; sy < clipped.bottom; ++sy) {
        int dy = y + sy - srcRect.top;
        if (dy < 0 || dy >= dst.Height()) continue;
        const std::uint32_t* s = from.Row(sy);
        std::uint32_t* d = to.Row(dy);
        for (int sx = clipped.left; sx < clipped.right; ++sx) {
            int dx = x + sx - srcRect.left;
            if (dx < 0 || dx >= dst.Width() || s[sx] == key) continue;
            for (int ch = 0; ch < 3; ++ch) {
                int sv = ByteOf(s[sx], ch), dv = ByteOf(d[dx], ch);
                d[dx] = WithByte(d[dx], ch, BlendRound(sv - (sv - dv) * factor));
            }
        }
    }
}

void FadeBitmapToColor(TBitmap& bitmap, TColor color, double factor) {
    RowView view(bitmap);
    if (!view.Usable()) return;
    std::uint32_t c = PixelOfColor(color);
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint32_t* row = view.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            if (row[x] == TransparentKey) continue;
            for (int ch = 0; ch < 3; ++ch) {
                int cv = ByteOf(c, ch);
                row[x] = WithByte(row[x], ch, BlendRound(factor * (ByteOf(row[x], ch) - cv) + cv));
            }
        }
    }
}

void ApplyColorMask(TBitmap& bitmap, TBitmap& mask, TColor color) {
    RowView view(bitmap), masks(mask);
    if (!view.Usable() || !masks.Usable() || !SameSize(bitmap, mask)) return;
    std::uint32_t c = PixelOfColor(color);
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint32_t* row = view.Row(y);
        const std::uint32_t* m = masks.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            for (int ch = 0; ch < 3; ++ch)
                row[x] = WithByte(row[x], ch, MaskMix(ByteOf(row[x], ch), ByteOf(c, ch), ByteOf(m[x], ch)));
    }
}

namespace {

// The common copy area of two rectangles over two bitmaps: the smaller size, negative corners
// moving both rectangles, limited to both bitmaps. False when nothing remains.
bool ClipPairedRects(RECT& dstRect, RECT& srcRect, TBitmap& dst, TBitmap& src, int& width, int& height) {
    width = std::min(RectWidth(dstRect), RectWidth(srcRect));
    height = std::min(RectHeight(dstRect), RectHeight(srcRect));
    int cutX = std::max({0, static_cast<int>(-dstRect.left), static_cast<int>(-srcRect.left)});
    int cutY = std::max({0, static_cast<int>(-dstRect.top), static_cast<int>(-srcRect.top)});
    dstRect.left += cutX, srcRect.left += cutX, width -= cutX;
    dstRect.top += cutY, srcRect.top += cutY, height -= cutY;
    width = std::min({width, dst.Width() - static_cast<int>(dstRect.left), src.Width() - static_cast<int>(srcRect.left)});
    height = std::min({height, dst.Height() - static_cast<int>(dstRect.top), src.Height() - static_cast<int>(srcRect.top)});
    return width > 0 && height > 0;
}

// The backdrop pixel behind target point (x, y), when it lies inside the backdrop bitmap.
bool BackdropPixel(const TsBackgroundSource& backdrop, int x, int y, std::uint32_t& pixel) {
    if (!backdrop.Valid || !backdrop.Bmp || backdrop.Bmp->PixelFormat() != pf32bit) return false;
    int bx = backdrop.X + x, by = backdrop.Y + y;
    if (bx < 0 || by < 0 || bx >= backdrop.Bmp->Width() || by >= backdrop.Bmp->Height()) return false;
    pixel = reinterpret_cast<const std::uint32_t*>(backdrop.Bmp->ScanLine(by))[bx];
    return true;
}

inline std::uint32_t AlphaMix(std::uint32_t d, std::uint32_t s, int weight) {
    for (int ch = 0; ch < 3; ++ch) {
        int dv = ByteOf(d, ch);
        d = WithByte(d, ch, ((ByteOf(s, ch) - dv) * weight + dv * 256) >> 8);
    }
    return d;
}

}  // namespace

void BlendAlphaRect(RECT dstRect, RECT srcRect, TBitmap& dst, TBitmap& src, const TsBackgroundSource& backdrop,
                    bool useBackdrop) {
    RowView to(dst), from(src);
    int width = 0, height = 0;
    if (!to.Usable() || !from.Usable() || !ClipPairedRects(dstRect, srcRect, dst, src, width, height)) return;
    for (int row = 0; row < height; ++row) {
        std::uint32_t* d = to.Row(dstRect.top + row) + dstRect.left;
        const std::uint32_t* s = from.Row(srcRect.top + row) + srcRect.left;
        for (int col = 0; col < width; ++col) {
            if (backdrop.Valid && s[col] == TransparentKey) {
                std::uint32_t behind;
                if (useBackdrop && BackdropPixel(backdrop, dstRect.left + col, dstRect.top + row, behind))
                    d[col] = behind | 0xFF000000u;
                continue;
            }
            int sa = ByteOf(s[col], 3);
            std::uint32_t out = AlphaMix(d[col], s[col], sa);
            if (sa != 0) {
                int da = ByteOf(d[col], 3);
                out = WithByte(out, 3, da + sa * (255 - da) / 255);
            }
            d[col] = out;
        }
    }
}

void DrawAlphaImage(RECT dstRect, RECT srcRect, TBitmap& dst, TBitmap& src, const TsBackgroundSource& backdrop,
                    bool useBackdrop, TColor tint, int percent, bool reflected) {
    if (src.PixelFormat() != pf32bit) src.SetPixelFormat(pf32bit);
    RowView to(dst), from(src);
    int width = 0, height = 0;
    if (!to.Usable() || !from.Usable() || !ClipPairedRects(dstRect, srcRect, dst, src, width, height)) return;
    std::uint32_t tintPixel = tint == clNone ? 0 : PixelOfColor(tint);
    auto weightOf = [percent](int sa) { return percent == 0 ? sa : (100 - percent) * sa / 100; };
    auto colourOf = [&](std::uint32_t s) {
        if (tint == clNone) return s;
        int grey = (ByteOf(s, 0) + ByteOf(s, 1) + ByteOf(s, 2)) / 3;
        for (int ch = 0; ch < 3; ++ch)
            s = WithByte(s, ch, ClampToByte(BlendRound(grey * ByteOf(tintPixel, ch) / 255.0)));
        return s;
    };
    bool raiseAlpha = tint == clNone && percent == 0 && backdrop.Valid;
    for (int row = 0; row < height; ++row) {
        std::uint32_t* d = to.Row(dstRect.top + row) + dstRect.left;
        const std::uint32_t* s = from.Row(srcRect.top + row) + srcRect.left;
        for (int col = 0; col < width; ++col) {
            if (backdrop.Valid && s[col] == TransparentKey) {
                std::uint32_t behind;
                if (useBackdrop && BackdropPixel(backdrop, dstRect.left + col, dstRect.top + row, behind))
                    d[col] = behind;
                continue;
            }
            int sa = ByteOf(s[col], 3);
            std::uint32_t out = AlphaMix(d[col], colourOf(s[col]), weightOf(sa));
            if (raiseAlpha) out = WithByte(out, 3, std::max(ByteOf(d[col], 3), sa));
            d[col] = out;
        }
    }
    if (!reflected) return;
    int half = height / 2;
    if (half <= 0) return;
    int dstBottom = dstRect.top + height, srcBottom = srcRect.top + height;
    int r = 255, fall = 255 / half;
    for (int k = 1; k < half && dstBottom + k < dst.Height(); ++k) {
        std::uint32_t* d = to.Row(dstBottom + k) + dstRect.left;
        const std::uint32_t* s = from.Row(srcBottom - k - 1) + srcRect.left;
        for (int col = 0; col < width; ++col) {
            int sa = ByteOf(s[col], 3);
            int n = percent == 0 ? r * (sa / 3) / 255 : (100 - percent) * sa / 300 * r / 255;
            d[col] = AlphaMix(d[col], colourOf(s[col]), n);
        }
        r -= fall;
    }
}

void CopyKeyedOpaque(TBitmap& dst, TBitmap& src, int x, int y, std::uint32_t key) {
    RowView to(dst);
    if (!to.Usable() || src.Empty()) return;
    std::unique_ptr<TBitmap> converted;
    TBitmap* source = &src;
    if (src.PixelFormat() != pf32bit && src.PixelFormat() != pf24bit) {
        converted = std::make_unique<TBitmap>();
        converted->Assign(&src);
        converted->SetPixelFormat(pf24bit);
        source = converted.get();
    }
    bool wide = source->PixelFormat() == pf32bit;
    for (int sy = std::max(0, -y); sy < source->Height() && y + sy < dst.Height(); ++sy) {
        const BYTE* s = source->ScanLine(sy);
        std::uint32_t* d = to.Row(y + sy);
        for (int sx = std::max(0, -x); sx < source->Width() && x + sx < dst.Width(); ++sx) {
            std::uint32_t pixel;
            if (wide) {
                pixel = reinterpret_cast<const std::uint32_t*>(s)[sx];
                if (pixel == key) continue;
            } else {
                pixel = s[sx * 3] | (s[sx * 3 + 1] << 8) | (s[sx * 3 + 2] << 16);
                if (pixel == (key & 0xFFFFFFu)) continue;
            }
            d[x + sx] = pixel | 0xFF000000u;
        }
    }
}

void MixBitmaps(TBitmap& dst, TBitmap& a, TBitmap& b, TBitmap* weightBitmap, int weight) {
    RowView to(dst), first(a), second(b);
    if (!to.Usable() || !first.Usable() || !second.Usable() || !SameSize(a, b) || !SameSize(dst, a)) return;
    if (weightBitmap && (!RowView(*weightBitmap).Usable() || !SameSize(*weightBitmap, a))) return;
    for (int y = 0; y < a.Height(); ++y) {
        std::uint32_t* d = to.Row(y);
        const std::uint32_t* pa = first.Row(y);
        const std::uint32_t* pb = second.Row(y);
        const std::uint32_t* w = weightBitmap ? RowView(*weightBitmap).Row(y) : nullptr;
        for (int x = 0; x < a.Width(); ++x) {
            std::uint32_t out = d[x];
            for (int ch = 0; ch < 3; ++ch) {
                int wv = w ? ByteOf(w[x], ch) : weight;
                out = WithByte(out, ch, ((ByteOf(pa[x], ch) - ByteOf(pb[x], ch)) * wv + ByteOf(pb[x], ch) * 256) >> 8);
            }
            d[x] = out;
        }
    }
}

namespace {

bool FitsInside(const RECT& r, TBitmap& bitmap) {
    return r.left >= 0 && r.top >= 0 && r.right <= bitmap.Width() && r.bottom <= bitmap.Height() &&
           !RectIsEmptyOrInverted(r);
}

}  // namespace

void MixByMaskBitmap(TBitmap& dst, TBitmap& src, TBitmap& mask, RECT r) {
    RowView to(dst), from(src), masks(mask);
    if (!to.Usable() || !from.Usable() || !masks.Usable()) return;
    if (!FitsInside(r, dst) || !FitsInside(r, src) || !FitsInside(r, mask)) return;
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint32_t* d = to.Row(y);
        const std::uint32_t* s = from.Row(y);
        const std::uint32_t* m = masks.Row(y);
        for (int x = r.left; x < r.right; ++x)
            for (int ch = 0; ch < 3; ++ch)
                d[x] = WithByte(d[x], ch, MaskMix(ByteOf(d[x], ch), ByteOf(s[x], ch), ByteOf(m[x], ch)));
    }
}

void BlendThroughMask(TBitmap& dst, TBitmap& src, TBitmap& mask, RECT r) {
    RowView to(dst), from(src), masks(mask);
    if (!to.Usable() || !from.Usable() || !masks.Usable()) return;
    if (!FitsInside(r, dst) || !FitsInside(r, src) || !FitsInside(r, mask)) return;
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint32_t* d = to.Row(y);
        const std::uint32_t* s = from.Row(y);
        const std::uint32_t* m = masks.Row(y);
        for (int x = r.left; x < r.right; ++x) {
            int mv = ByteOf(m[x], 2);
            if (mv == 255) continue;
            int a = ByteOf(s[x], 3);
            if (mv != 0) a = (255 - mv) * a >> 8;
            d[x] = AlphaMix(d[x], s[x], a);
        }
    }
}

TColor MixColorsHalf(TColor a, TColor b) {
    std::uint32_t out = 0;
    for (int ch = 0; ch < 3; ++ch)
        out |= static_cast<std::uint32_t>((ByteOf(a, ch) * 127 + ByteOf(b, ch) * 129) >> 8) << (8 * ch);
    return static_cast<TColor>(out);
}

TColor MixColorsByFactor(TColor a, TColor b, double k) {
    auto out = static_cast<std::uint32_t>(a) & 0xFF000000u;
    for (int ch = 0; ch < 3; ++ch)
        out |= static_cast<std::uint32_t>(ClampToByte(BlendRound(k * ByteOf(a, ch) + (1 - k) * ByteOf(b, ch))))
               << (8 * ch);
    return static_cast<TColor>(out);
}

}  // namespace parch
