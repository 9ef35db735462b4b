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

std::unique_ptr<TBitmap> Bitmap24Copy(const TBitmap& bitmap) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(const_cast<TBitmap*>(&bitmap));
    copy->SetPixelFormat(pf24bit);
    return copy;
}

std::uint32_t BitmapPixelBGR(const TBitmap& bitmap, int x, int y) {
    const int bytes = bitmap.PixelFormat() == pf24bit ? 3 : 4;
    const BYTE* p = BitmapRow(bitmap, y) + static_cast<std::size_t>(x) * bytes;
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

}  // namespace parch
