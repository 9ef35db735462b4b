#pragma once
// Uniform access to pixels of any supported layout: a bitmap's memory or a caller's buffer
// described by a BITMAPINFO. Two value domains are used:
//  - a pixel's "value" is what the memory holds: the palette index for 1, 4 and 8 bits,
//    B | G << 8 | R << 16 for 24 bits, B | G << 8 | R << 16 | A << 24 for 32 bits;
//    raster operations work on values, as on Windows;
//  - a pixel's "colour" is always B | G << 8 | R << 16 | A << 24 (alpha 0 where the layout has
//    none), used to carry pixels between layouts.

#include <cstdint>

#include "platform/gdi/GdiTypes.h"

namespace parch {

class GdiBitmap;

// The nearest palette entry to a colour (squared distance; first of equals).
int NearestColorIndex(const RGBQUAD* colors, int count, DWORD color);

struct PixelView {
    BYTE* bits = nullptr;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;
    int stride = 0;  // bytes per row, positive
    bool topDown = true;
    const RGBQUAD* colors = nullptr;  // palette layouts
    int colorCount = 0;

    static PixelView Of(GdiBitmap& bitmap);

    BYTE* Row(int y) const {
        return bits + static_cast<std::int64_t>(topDown ? y : height - 1 - y) * stride;
    }
    bool Paletted() const { return bitsPerPixel <= 8; }
    // All bits of a value (the raster operations keep results inside it).
    DWORD ValueMask() const {
        return bitsPerPixel >= 32 ? 0xFFFFFFFFu : (1u << bitsPerPixel) - 1;
    }

    DWORD ReadValue(int x, int y) const;
    void WriteValue(int x, int y, DWORD value) const;
    DWORD ReadColor(int x, int y) const { return ColorOfValue(ReadValue(x, y)); }

    DWORD ColorOfValue(DWORD value) const {
        if (!Paletted()) return bitsPerPixel == 24 ? value & 0xFFFFFF : value;
        return PaletteColor(value);
    }
    // The value closest to a colour: the nearest palette entry, or the colour itself.
    DWORD ValueOfColor(DWORD color) const {
        if (!Paletted()) return bitsPerPixel == 24 ? color & 0xFFFFFF : color;
        return static_cast<DWORD>(NearestColorIndex(colors, colorCount, color));
    }

private:
    DWORD PaletteColor(DWORD index) const;
};

// COLORREF (0x00BBGGRR) to colour (0x00RRGGBB in memory order) and back.
constexpr DWORD ColorOfColorRef(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ColorRefOfColor(DWORD c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace parch
