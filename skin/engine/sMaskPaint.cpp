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
        // Nothing known behind (the key colour itself): the key pixel leaves the target as it is.
        if (backdrop_.Valid || backdrop_.Color == TransparentKey) return d;
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

namespace {

RECT RectAt(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

// One piece of a nine-part copy: tiled or stretched by mode; nothing for other modes.
void CopyPiece(TBitmap& dst, RECT to, TBitmap& src, RECT from, int mode) {
    if (mode == 0) TileBitmapRect(dst, to, src, from);
    else if (mode == 1) StretchBitmapRect(dst, to, src, from);
}

}  // namespace

void StretchKeepingCorners(TBitmap& dst, TBitmap& src, RECT to, RECT from, RECT margins, RECT innerMargins,
                           RECT edgeModes, int centreMode, bool drawCentre) {
    const int l = margins.left, t = margins.top, r = margins.right, b = margins.bottom;
    const int li = std::min(l, innerMargins.left), ti = std::min(t, innerMargins.top);
    const int ri = std::min(r, innerMargins.right), bi = std::min(b, innerMargins.bottom);
    auto copy = [&](int dx, int dy, int w, int h, int sx, int sy) {
        TileBitmapRect(dst, RectAt(dx, dy, w, h), src, RectAt(sx, sy, w, h));
    };
    // Corners, each narrowing to its inner margin where the inner margin is the smaller.
    copy(to.left, to.top, l, ti, from.left, from.top);
    if (ti != t) copy(to.left, to.top + ti, li, t - ti, from.left, from.top + ti);
    copy(to.right - r, to.top, r, ti, from.right - r, from.top);
    if (ti != t) copy(to.right - ri, to.top + ti, ri, t - ti, from.right - ri, from.top + ti);
    copy(to.left, to.bottom - bi, l, bi, from.left, from.bottom - bi);
    if (bi != b) copy(to.left, to.bottom - b, li, b - bi, from.left, from.bottom - b);
    copy(to.right - r, to.bottom - bi, r, bi, from.right - r, from.bottom - bi);
    if (bi != b) copy(to.right - ri, to.bottom - b, ri, b - bi, from.right - ri, from.bottom - b);

    const int mw = std::max(0, RectWidth(from) - l - r);
    const int mh = std::max(0, RectHeight(from) - t - b);
    if (mh > 0) {
        CopyPiece(dst, RECT{to.left, to.top + t, to.left + li, to.bottom - b}, src,
                  RectAt(from.left, from.top + t, li, mh), edgeModes.left);
        CopyPiece(dst, RECT{to.right - ri, to.top + t, to.right, to.bottom - b}, src,
                  RectAt(from.right - ri, from.top + t, ri, mh), edgeModes.right);
    }
    if (mw > 0) {
        CopyPiece(dst, RECT{to.left + l, to.top, to.right - r, to.top + ti}, src, RectAt(from.left + l, from.top, mw, ti),
                  edgeModes.top);
        CopyPiece(dst, RECT{to.left + l, to.bottom - bi, to.right - r, to.bottom}, src,
                  RectAt(from.left + l, from.bottom - bi, mw, bi), edgeModes.bottom);
    }
    if (!drawCentre || mw <= 0 || mh <= 0) return;
    CopyPiece(dst, RECT{to.left + l, to.top + t, to.right - r, to.bottom - b}, src,
              RectAt(from.left + l, from.top + t, mw, mh), centreMode);
}

void CopyThroughMaskCorner(TBitmap& dst, TBitmap& src, RECT dstRect, RECT srcRect, int maskIndex,
                           const TsSkinManager* manager, int kind) {
    if (dst.PixelFormat() != pf32bit || src.PixelFormat() != pf32bit) return;
    TBitmap* reference = &dst;
    POINT corner{dstRect.left, dstRect.top};
    if (maskIndex != -1) {
        if (manager == nullptr || !IsValidMaskIndex(manager->Tables(), maskIndex)) return;
        const TsMaskData& mask = manager->Tables().Masks[static_cast<size_t>(maskIndex)];
        reference = MaskImage(mask);
        if (reference == nullptr) return;
        const RECT& m = mask.SourceRect;
        const bool right = kind == 14 || kind == 17, bottom = kind == 16 || kind == 17;
        corner = POINT{right ? m.left + MaskFrameWidth(mask) - mask.RightWidth : m.left,
                       bottom ? m.top + MaskStateHeight(mask) - mask.BottomWidth : m.top};
    }
    const int width = std::min(RectWidth(dstRect), src.Width() - srcRect.left);
    const int height = std::min(RectHeight(dstRect), src.Height() - srcRect.top);
    auto pixel = [](TBitmap& bitmap, int x, int y) -> std::uint32_t* {
        if (x < 0 || y < 0 || x >= bitmap.Width() || y >= bitmap.Height()) return nullptr;
        return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y)) + x;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // The reference is read before the copy changes it.
            const std::uint32_t* key = pixel(*reference, corner.x + x, corner.y + y);
            std::uint32_t* target = pixel(dst, dstRect.left + x, dstRect.top + y);
            const std::uint32_t* source = pixel(src, srcRect.left + x, srcRect.top + y);
            if (key == nullptr || target == nullptr || source == nullptr) continue;
            if ((*key & 0xFFFFFFu) == TransparentKey) *target = *source;
        }
    }
}

}  // namespace parch
