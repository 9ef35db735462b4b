#include "platform/gdi/PixelView.h"

#include "platform/gdi/Bitmaps.h"

namespace parch {

PixelView PixelView::Of(GdiBitmap& bitmap) {
    PixelView view;
    view.bits = bitmap.Bits();
    view.width = bitmap.Width();
    view.height = bitmap.Height();
    view.bitsPerPixel = bitmap.BitsPerPixel();
    view.stride = bitmap.Stride();
    view.topDown = bitmap.TopDown();
    view.colors = bitmap.ColorTable().data();
    view.colorCount = static_cast<int>(bitmap.ColorTable().size());
    return view;
}

DWORD PixelView::ReadValue(int x, int y) const {
    const BYTE* row = Row(y);
    switch (bitsPerPixel) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8: return row[x];
    case 24: {
        const BYTE* p = row + x * 3;
        return p[0] | (p[1] << 8) | (static_cast<DWORD>(p[2]) << 16);
    }
    default: {
        const BYTE* p = row + x * 4;
        return p[0] | (p[1] << 8) | (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
    }
    }
}

void PixelView::WriteValue(int x, int y, DWORD value) const {
    BYTE* row = Row(y);
    switch (bitsPerPixel) {
    case 1: {
        const BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
        if (value & 1) row[x >> 3] |= bit;
        else row[x >> 3] &= static_cast<BYTE>(~bit);
        break;
    }
    case 4: {
        BYTE& b = row[x >> 1];
        b = (x & 1) ? static_cast<BYTE>((b & 0xF0) | (value & 0x0F))
                    : static_cast<BYTE>((b & 0x0F) | ((value & 0x0F) << 4));
        break;
    }
    case 8: row[x] = static_cast<BYTE>(value); break;
    case 24: {
        BYTE* p = row + x * 3;
        p[0] = static_cast<BYTE>(value);
        p[1] = static_cast<BYTE>(value >> 8);
        p[2] = static_cast<BYTE>(value >> 16);
        break;
    }
    default: {
        BYTE* p = row + x * 4;
        p[0] = static_cast<BYTE>(value);
        p[1] = static_cast<BYTE>(value >> 8);
        p[2] = static_cast<BYTE>(value >> 16);
        p[3] = static_cast<BYTE>(value >> 24);
        break;
    }
    }
}

DWORD PixelView::PaletteColor(DWORD index) const {
    if (static_cast<int>(index) >= colorCount) return 0;
    const RGBQUAD& q = colors[index];
    return q.rgbBlue | (q.rgbGreen << 8) | (static_cast<DWORD>(q.rgbRed) << 16);
}

int NearestColorIndex(const RGBQUAD* colors, int count, DWORD color) {
    const int b = color & 0xFF, g = (color >> 8) & 0xFF, r = (color >> 16) & 0xFF;
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < count; ++i) {
        const int db = colors[i].rgbBlue - b, dg = colors[i].rgbGreen - g, dr = colors[i].rgbRed - r;
        const int distance = db * db + dg * dg + dr * dr;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) break;
        }
    }
    return best;
}

}  // namespace parch
