#include "pdf/images/ScrivletBitmapAccess.h"

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/GdiObject.h"

namespace parch {

std::vector<RGBQUAD> BitmapColorTable(const TBitmap& bitmap) {
    const GdiBitmap* pixels = ResolveHandle(bitmap.Handle());
    return pixels && pixels->IsPaletted() ? pixels->ColorTable() : std::vector<RGBQUAD>{};
}

void SetBitmapColorTable(TBitmap& bitmap, const std::vector<RGBQUAD>& colors) {
    if (GdiBitmap* pixels = ResolveHandle(bitmap.Handle()); pixels && pixels->IsPaletted())
        pixels->ColorTable() = colors;
}

const BYTE* BitmapRow(const TBitmap& bitmap, int y) { return const_cast<TBitmap&>(bitmap).ScanLine(y); }

// Palette bitmaps are converted through their own colour table (a plain blit of a one-bit
// bitmap would take the context's text and background colours instead).
std::unique_ptr<TBitmap> Bitmap24Copy(const TBitmap& bitmap) {
    auto copy = std::make_unique<TBitmap>(bitmap.Width(), bitmap.Height(), pf24bit);
    const GdiBitmap* pixels = ResolveHandle(bitmap.Handle());
    if (!pixels) return copy;
    const int depth = pixels->BitsPerPixel();
    const std::vector<RGBQUAD>& colors = pixels->ColorTable();
    for (int y = 0; y < bitmap.Height(); ++y) {
        const BYTE* from = pixels->Row(y);
        BYTE* to = copy->ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            BYTE* p = to + 3 * x;
            if (depth <= 8) {
                const int bit = x * depth;
                const auto index = static_cast<std::size_t>((from[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1));
                const RGBQUAD c = index < colors.size() ? colors[index] : RGBQUAD{0, 0, 0, 0};
                p[0] = c.rgbBlue;
                p[1] = c.rgbGreen;
                p[2] = c.rgbRed;
            } else {
                const BYTE* q = from + static_cast<std::size_t>(x) * (depth / 8);
                p[0] = q[0];
                p[1] = q[1];
                p[2] = q[2];
            }
        }
    }
    return copy;
}

void MakeBitmap24(TBitmap& bitmap) {
    if (bitmap.PixelFormat() == pf24bit || bitmap.Empty()) return;
    std::unique_ptr<TBitmap> copy = Bitmap24Copy(bitmap);
    bitmap.Assign(copy.get());
}

std::uint32_t BitmapPixelBGR(const TBitmap& bitmap, int x, int y) {
    const int bytes = bitmap.PixelFormat() == pf24bit ? 3 : 4;
    const BYTE* p = BitmapRow(bitmap, y) + static_cast<std::size_t>(x) * bytes;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

}  // namespace parch
