#include "skin/engine/sMaskFrames.h"

#include <algorithm>

#include "platform/gdi/GdiObject.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

namespace mask_frames_detail {

// A run of skipped pixels of one row, taken out of the region when the row moves on.
class RegionHoles {
public:
    explicit RegionHoles(HRGN region) : region_(region) {}
    ~RegionHoles() { Flush(); }
    RegionHoles(const RegionHoles&) = delete;
    RegionHoles& operator=(const RegionHoles&) = delete;

    void Skip(int x, int y) {
        if (!region_) return;
        if (open_ && run_.top == y && run_.right == x) {
            ++run_.right;
            return;
        }
        Flush();
        run_ = RECT{x, y, x + 1, y + 1};
        open_ = true;
    }
    // Every run is subtracted: a region that already lacks some of its pixels keeps lacking them.
    void Flush() {
        if (!open_) return;
        HRGN hole = CreateRectRgn(run_.left, run_.top, run_.right, run_.bottom);
        CombineRgn(region_, region_, hole, RGN_DIFF);
        DeleteObject(hole);
        open_ = false;
    }

private:
    HRGN region_;
    RECT run_{0, 0, 0, 0};
    bool open_ = false;
};

}  // namespace mask_frames_detail

using namespace mask_frames_detail;

void CopyMaskPixels(TBitmap& dst, RECT dstRect, RECT srcRect, bool skipKey, const TsMaskData& mask, HRGN region) {
    if (dstRect.left < 0 || dstRect.top < 0 || dstRect.right < 0 || dstRect.bottom < 0) return;
    if (dst.Width() <= 1 || dst.Height() <= 1 || !mask.OwnerManager || dst.PixelFormat() != pf32bit) return;
    TBitmap* image = MaskImage(mask);
    if (!image || srcRect.left < 0 || srcRect.top < 0) return;
    int maskOffset = mask.ExtraBands == 1 ? RectHeight(mask.SourceRect) / 2 : 0;
    int width = std::min({RectWidth(srcRect) + 1, RectWidth(dstRect) + 1, dst.Width() - static_cast<int>(dstRect.left),
                          image->Width() - static_cast<int>(srcRect.left)});
    int height = std::min({RectHeight(srcRect) + 1, RectHeight(dstRect) + 1,
                           dst.Height() - static_cast<int>(dstRect.top),
                           image->Height() - static_cast<int>(srcRect.top) - maskOffset});
    RegionHoles holes(region);
    for (int y = 0; y < height; ++y) {
        const auto* s = reinterpret_cast<const std::uint32_t*>(image->ScanLine(srcRect.top + y)) + srcRect.left;
        const auto* m = maskOffset ? reinterpret_cast<const std::uint32_t*>(image->ScanLine(srcRect.top + y + maskOffset)) +
                                         srcRect.left
                                   : nullptr;
        auto* d = reinterpret_cast<std::uint32_t*>(dst.ScanLine(dstRect.top + y)) + dstRect.left;
        for (int x = 0; x < width; ++x) {
            if (skipKey && IsSkinKeyPixel(s[x])) {
                holes.Skip(dstRect.left + x, dstRect.top + y);
                continue;
            }
            if (!m) {
                d[x] = s[x];
                continue;
            }
            std::uint32_t out = d[x] & 0xFF000000u;
            for (int c = 0; c < 3; ++c) {
                int sv = static_cast<int>((s[x] >> (8 * c)) & 0xFF), dv = static_cast<int>((d[x] >> (8 * c)) & 0xFF);
                int mv = static_cast<int>((m[x] >> (8 * c)) & 0xFF);
                out |= static_cast<std::uint32_t>(ClampToByte(sv + (dv - sv) * mv / 256)) << (8 * c);
            }
            d[x] = out;
        }
        holes.Flush();
    }
}

namespace mask_frames_detail {

// Repeated copies of a source piece along a target strip, the last one cut to fit.
void TileMaskPiece(TBitmap& bitmap, RECT to, RECT from, const TsMaskData& mask) {
    int pw = RectWidth(from), ph = RectHeight(from);
    if (pw <= 0 || ph <= 0) return;
    for (int y = to.top; y < to.bottom; y += ph)
        for (int x = to.left; x < to.right; x += pw) {
            int w = std::min<int>(pw, to.right - x), h = std::min<int>(ph, to.bottom - y);
            CopyMaskPixels(bitmap, RECT{x, y, x + w - 1, y + h - 1}, RECT{from.left, from.top, from.left + w - 1, from.top + h - 1},
                           false, mask, nullptr);
        }
}

}  // namespace mask_frames_detail

void DrawBordersOnly(TBitmap& bitmap, HRGN region, bool drawCentre, const TsMaskData& mask, int state) {
    if (bitmap.Width() < 2 || bitmap.Height() < 2 || !mask.OwnerManager) return;
    TBitmap* image = MaskImage(mask);
    if (!image) return;
    int l = mask.LeftWidth, t = mask.TopWidth, r = mask.RightWidth, b = mask.BottomWidth;
    const int W = bitmap.Width(), H = bitmap.Height();
    ShrinkBordersToFit(W, l, r);
    ShrinkBordersToFit(H, t, b);
    int frames = std::max<int>(mask.FrameCount, 1);
    state = std::clamp(state, 0, frames - 1);
    int fw = RectWidth(mask.SourceRect) / frames;
    int sh = mask.ExtraBands != 0 ? RectHeight(mask.SourceRect) / (mask.ExtraBands + 1) : RectHeight(mask.SourceRect);
    int mw = std::max(fw - mask.LeftWidth - mask.RightWidth, 0);
    int mh = std::max(sh - mask.TopWidth - mask.BottomWidth, 0);
    int x0 = mask.SourceRect.left + state * fw, y0 = mask.SourceRect.top;
    auto corner = [&](int dx, int dy, int sx, int sy, int w, int h) {
        if (w > 0 && h > 0) CopyMaskPixels(bitmap, RECT{dx, dy, dx + w - 1, dy + h - 1}, RECT{sx, sy, sx + w - 1, sy + h - 1}, true, mask, region);
    };
    corner(0, 0, x0, y0, l, t);
    corner(W - r, 0, x0 + fw - r, y0, r, t);
    corner(0, H - b, x0, y0 + sh - b, l, b);
    corner(W - r, H - b, x0 + fw - r, y0 + sh - b, r, b);
    bool stretch = (mask.DrawFlags & 1) != 0;
    auto piece = [&](RECT to, RECT from) {
        if (RectIsEmptyOrInverted(to) || RectIsEmptyOrInverted(from)) return;
        if (stretch)
            StretchBitmapRect(bitmap, to, *image, from);
        else
            TileMaskPiece(bitmap, to, from, mask);
    };
    int left = x0 + mask.LeftWidth, top = y0 + mask.TopWidth;
    piece(RECT{l, 0, W - r, t}, RECT{left, y0, left + mw, y0 + t});
    piece(RECT{l, H - b, W - r, H}, RECT{left, y0 + sh - b, left + mw, y0 + sh});
    piece(RECT{0, t, l, H - b}, RECT{x0, top, x0 + l, top + mh});
    piece(RECT{W - r, t, W, H - b}, RECT{x0 + fw - r, top, x0 + fw, top + mh});
    if (drawCentre && (mask.DrawFlags & 4) && mw >= 1 && mh >= 1) piece(RECT{l, t, W - r, H - b}, RECT{left, top, left + mw, top + mh});
}

}  // namespace parch
