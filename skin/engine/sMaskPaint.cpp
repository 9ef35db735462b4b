#include "skin/engine/sMaskPaint.h"

#include <algorithm>

#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

bool SourceRectInside(const TsMaskData& mask, const TBitmap& image) {
    const RECT& r = mask.SourceRect;
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && r.right <= image.Width() &&
           r.bottom <= image.Height();
}

TBitmap* MaskImage(const TsMaskData& mask) {
    TBitmap* image = mask.Picture ? mask.Picture.get()
                                  : (mask.OwnerManager ? mask.OwnerManager->Tables().MasterBitmap.get() : nullptr);
    if (!image || image->PixelFormat() != pf32bit || !SourceRectInside(mask, *image)) return nullptr;
    return image;
}

namespace mask_paint_detail {

inline int MaskByte(std::uint32_t pixel, int channel) { return static_cast<int>((pixel >> (8 * channel)) & 0xFF); }

// Picture byte s over destination byte d through mask byte m: 0 shows s, 255 keeps d.
inline int MaskedChannel(int d, int s, int m) { return ClampToByte(((d - s) * m + s * 256) >> 8); }

inline std::uint32_t MaskedPixel(std::uint32_t d, std::uint32_t s, std::uint32_t m, int maskBoost) {
    std::uint32_t out = d & 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
        int mv = std::min(MaskByte(m, c) + maskBoost, 255);
        out |= static_cast<std::uint32_t>(MaskedChannel(MaskByte(d, c), MaskByte(s, c), mv)) << (8 * c);
    }
    return out;
}

// The backdrop pixel behind target point (x, y); false outside the backdrop bitmap, so a
// control partly outside its parent never reads beyond the parent's picture.
bool PixelBehind(const TsBackgroundSource& backdrop, int x, int y, std::uint32_t& pixel) {
    TBitmap* behind = backdrop.Bmp;
    if (!backdrop.Valid || !behind || behind->PixelFormat() != pf32bit) return false;
    int bx = backdrop.X + x, by = backdrop.Y + y;
    if (bx < 0 || by < 0 || bx >= behind->Width() || by >= behind->Height()) return false;
    pixel = reinterpret_cast<const std::uint32_t*>(behind->ScanLine(by))[bx];
    return true;
}

inline std::uint32_t PixelOrderOf(std::uint32_t colour) {
    return static_cast<std::uint32_t>(ExchangeRedBlueNoAlpha(static_cast<TColor>(colour)));
}

enum class PieceKind { KeyCopy, Opaque };

// Rectangles far outside any picture are refused before their sizes are taken, so no sum of
// coordinates can overflow.
constexpr long kPictureRange = 1L << 24;
bool WithinPictureRange(const RECT& r) {
    for (long v : {static_cast<long>(r.left), static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom)})
        if (v < -kPictureRange || v > kPictureRange) return false;
    return true;
}

// Copies pieces of one mask frame into a target: 1:1, tiled or stretched (nearest pixel),
// through the key colour or the mask part below the picture. Every read and write is clipped.
class PiecePainter {
public:
    PiecePainter(TBitmap& target, TBitmap& image, const TsBackgroundSource& backdrop, int maskOffset)
        : target_(target), image_(image), backdrop_(backdrop), maskOffset_(maskOffset) {}

    bool stretch = false;
    bool backdropForKeys = false;  // key-coloured pixels of key copies show the backdrop
    int maskBoost = 0;             // added to mask bytes: faded glyphs

    void Piece(RECT to, RECT from, PieceKind kind) {
        if (!WithinPictureRange(to) || !WithinPictureRange(from)) return;
        int fromWidth = RectWidth(from), fromHeight = RectHeight(from);
        int toWidth = RectWidth(to), toHeight = RectHeight(to);
        if (fromWidth <= 0 || fromHeight <= 0 || toWidth <= 0 || toHeight <= 0) return;
        int top = std::max<int>(to.top, 0), bottom = std::min<int>(to.bottom, target_.Height());
        int left = std::max<int>(to.left, 0), right = std::min<int>(to.right, target_.Width());
        if (left >= right || top >= bottom) return;  // nothing visible (an empty target has no rows)
        for (int ty = top; ty < bottom; ++ty) {
            int sy = from.top + SourceOffset(ty - to.top, fromHeight, toHeight);
            if (sy < 0 || sy >= image_.Height()) continue;
            const auto* picture = Row(image_, sy);
            const std::uint32_t* masks = nullptr;
            if (maskOffset_ > 0) {
                if (std::int64_t{sy} + maskOffset_ >= image_.Height()) continue;  // no int overflow
                masks = Row(image_, sy + maskOffset_);
            }
            auto* d = Row(target_, ty);
            for (int tx = left; tx < right; ++tx) {
                int sx = from.left + SourceOffset(tx - to.left, fromWidth, toWidth);
                if (sx < 0 || sx >= image_.Width()) continue;
                d[tx] = Compose(d[tx], picture[sx], masks ? masks[sx] : 0, masks != nullptr, kind, tx, ty);
            }
        }
    }

private:
    static std::uint32_t* Row(TBitmap& bitmap, int y) { return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y)); }

    int SourceOffset(int offset, int fromSize, int toSize) const {
        if (fromSize == toSize) return offset;
        return stretch ? static_cast<int>(static_cast<long long>(offset) * fromSize / toSize) : offset % fromSize;
    }

    std::uint32_t Compose(std::uint32_t d, std::uint32_t s, std::uint32_t m, bool masked, PieceKind kind, int x,
                          int y) const {
        bool keyPixel = IsSkinKeyPixel(s);
        bool useBackdrop = kind == PieceKind::KeyCopy && backdropForKeys && backdrop_.Valid && backdrop_.Bmp;
        if (masked) {
            if (keyPixel) {
                std::uint32_t behind;
                return useBackdrop && PixelBehind(backdrop_, x, y, behind) ? behind | 0xFF000000u : d;
            }
            std::uint32_t out = MaskedPixel(d, s, m, maskBoost);
            return useBackdrop ? out | 0xFF000000u : out;
        }
        if (kind == PieceKind::Opaque) return s;
        if (useBackdrop) {
            std::uint32_t behind;
            if (!keyPixel) return s | 0xFF000000u;
            return PixelBehind(backdrop_, x, y, behind) ? behind | 0xFF000000u : d;
        }
        if (!keyPixel) return s;
        if (backdrop_.Valid) return d;
        return PixelOrderOf(backdrop_.Color) | 0xFF000000u;
    }

    TBitmap& target_;
    TBitmap& image_;
    const TsBackgroundSource& backdrop_;
    int maskOffset_;
};

int FrameOfState(const TsMaskData& mask, int state) { return std::clamp(state, 0, mask.FrameCount - 1); }

}  // namespace mask_paint_detail

using namespace mask_paint_detail;

void ShrinkBordersToFit(int size, int& first, int& second) {
    if (size >= first + second) return;
    int d = (first + second - size) / 2;
    first -= d;
    second -= d;
    if (size % 2 != 0) --second;
    first = std::max(first, 0);
    second = std::max(second, 0);
}


void DrawBordersMask(TBitmap& bitmap, RECT r, const TsBackgroundSource& backdrop, const TsMaskData& mask, int state,
                     bool cornersUseBackdrop) {
    if (!WithinPictureRange(r)) return;
    if ((state == 0 && (mask.DrawFlags & 2)) || RectWidth(r) < 2 || RectHeight(r) < 2 || !mask.OwnerManager) return;
    if (mask.FrameCount <= 0 || bitmap.PixelFormat() != pf32bit) return;
    TBitmap* image = MaskImage(mask);
    if (!image) return;
    int l = mask.LeftWidth, t = mask.TopWidth, rw = mask.RightWidth, b = mask.BottomWidth;
    ShrinkBordersToFit(RectWidth(r), l, rw);
    ShrinkBordersToFit(RectHeight(r), t, b);
    int fw = MaskFrameWidth(mask), sh = MaskStateHeight(mask);
    int x0 = mask.SourceRect.left + fw * FrameOfState(mask, state), y0 = mask.SourceRect.top;
    int mw = fw - l - rw, mh = sh - t - b;
    if (mw < 0 || mh < 0) return;

    PiecePainter painter(bitmap, *image, backdrop, mask.ExtraBands > 0 ? sh : 0);
    painter.stretch = (mask.DrawFlags & 1) != 0;
    painter.backdropForKeys = cornersUseBackdrop && mask.CornerKind > 0;
    auto corner = [&](RECT to, RECT from) { painter.Piece(to, from, PieceKind::KeyCopy); };
    auto middle = [&](RECT to, RECT from) { painter.Piece(to, from, PieceKind::Opaque); };
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    const int right = x0 + fw - rw, bottom = y0 + sh - b;
    corner({L, T, L + l, T + t}, {x0, y0, x0 + l, y0 + t});
    middle({L, T + t, L + l, B - b}, {x0, y0 + t, x0 + l, y0 + t + mh});
    middle({L + l, T, R - rw, T + t}, {x0 + l, y0, x0 + l + mw, y0 + t});
    corner({L, B - b, L + l, B}, {x0, bottom, x0 + l, y0 + sh});
    middle({L + l, B - b, R - rw, B}, {x0 + l, bottom, x0 + l + mw, y0 + sh});
    corner({R - rw, B - b, R, B}, {right, bottom, x0 + fw, y0 + sh});
    corner({R - rw, T, R, T + t}, {right, y0, x0 + fw, y0 + t});
    middle({R - rw, T + t, R, B - b}, {right, y0 + t, x0 + fw, y0 + t + mh});
    if (mask.DrawFlags & 4) middle({L + l, T + t, R - rw, B - b}, {x0 + l, y0 + t, x0 + l + mw, y0 + t + mh});
}

void DrawMaskGlyph(TBitmap& bitmap, POINT p, int state, int mode, const TsMaskData& mask,
                   const TsBackgroundSource& backdrop) {
    if (mask.FrameCount <= 0 || bitmap.PixelFormat() != pf32bit) return;
    if (!WithinPictureRange(RECT{p.x, p.y, p.x, p.y})) return;
    TBitmap* image = mask.Picture.get();
    bool ownPicture = image && image->PixelFormat() == pf32bit && SourceRectInside(mask, *image);
    if (!ownPicture) {
        if (!mask.OwnerManager) return;
        image = mask.OwnerManager->Tables().MasterBitmap.get();
        if (!image || image->PixelFormat() != pf32bit || !SourceRectInside(mask, *image)) return;
    }
    int fw = MaskFrameWidth(mask), sh = MaskStateHeight(mask);
    int x0 = mask.SourceRect.left + fw * FrameOfState(mask, state), y0 = mask.SourceRect.top;
    RECT from{x0, y0, x0 + fw, y0 + sh};
    // A part of P outside the target is cut from the source, so the visible part stays put.
    if (p.x < 0) from.left -= p.x, p.x = 0;
    if (p.y < 0) from.top -= p.y, p.y = 0;
    RECT to{p.x, p.y, p.x + RectWidth(from), p.y + RectHeight(from)};

    if (mask.ExtraBands > 0) {
        // The glyph's alpha grows with the mask: full where the mask is black.
        int boost = mode == 1 ? 0 : 100;
        if (std::max<int>(to.left, 0) >= std::min<int>(to.right, bitmap.Width())) return;  // no visible column
        for (int y = std::max<int>(to.top, 0); y < std::min<int>(to.bottom, bitmap.Height()); ++y) {
            int sy = from.top + y - to.top;
            if (sy < 0 || sh <= 0) continue;
            if (std::int64_t{sy} + sh >= image->Height()) break;  // no int overflow
            const auto* s = reinterpret_cast<const std::uint32_t*>(image->ScanLine(sy));
            const auto* m = reinterpret_cast<const std::uint32_t*>(image->ScanLine(sy + sh));
            auto* d = reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y));
            for (int x = std::max<int>(to.left, 0); x < std::min<int>(to.right, bitmap.Width()); ++x) {
                int sx = from.left + x - to.left;
                if (sx < 0) continue;
                if (sx >= image->Width()) break;
                int maskRed = MaskByte(m[sx], 2);
                if (IsSkinKeyPixel(s[sx]) || maskRed == 255) continue;
                std::uint32_t out = MaskedPixel(d[x], s[sx], m[sx], boost);
                int a = MaskByte(d[x], 3);
                a += (255 - maskRed) * (255 - a) / 255;
                d[x] = (out & 0xFFFFFFu) | (static_cast<std::uint32_t>(a) << 24);
            }
        }
        return;
    }
    if (ownPicture) {
        TsBackgroundSource keep = backdrop;
        keep.Valid = true;
        keep.Bmp = nullptr;  // key pixels leave the target as it is
        PiecePainter(bitmap, *image, keep, 0).Piece(to, from, PieceKind::KeyCopy);
        return;
    }
    if (mode == 1) {
        PiecePainter painter(bitmap, *image, backdrop, 0);
        painter.backdropForKeys = true;
        painter.Piece(to, from, PieceKind::KeyCopy);
        return;
    }
    BlendKeyedRect(bitmap, to.left, to.top, *image, RECT{from.left, from.top, from.right - 1, from.bottom - 1}, 0.5,
                   TransparentKey | 0xFF000000u);
}

void TileBitmapRect(TBitmap& dst, RECT to, TBitmap& src, RECT from) {
    if (dst.PixelFormat() != pf32bit || src.PixelFormat() != pf32bit) return;
    PiecePainter(dst, src, EmptyBackdrop, 0).Piece(to, from, PieceKind::Opaque);
}

void StretchBitmapRect(TBitmap& dst, RECT to, TBitmap& src, RECT from) {
    if (dst.PixelFormat() != pf32bit || src.PixelFormat() != pf32bit) return;
    PiecePainter painter(dst, src, EmptyBackdrop, 0);
    painter.stretch = true;
    painter.Piece(to, from, PieceKind::Opaque);
}

}  // namespace parch
