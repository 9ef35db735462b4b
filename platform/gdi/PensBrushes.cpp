#include "platform/gdi/PensBrushes.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/PixelView.h"

namespace parch {
namespace {

template <class Record>
int CopyRecord(const Record& record, int size, void* buffer) {
    if (!buffer) return sizeof(Record);
    if (size < static_cast<int>(sizeof(Record))) return 0;
    std::memcpy(buffer, &record, sizeof(Record));
    return sizeof(Record);
}

// Set bits of the eight rows of a hatch pattern (bit 7 = leftmost pixel).
const BYTE* HatchRows(int hatch) {
    static const BYTE kRows[6][8] = {
        {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // horizontal
        {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal
        {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
        {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // cross
        {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
    };
    return kRows[std::clamp(hatch, 0, 5)];
}

}  // namespace

int GdiPen::Describe(int size, void* buffer) const {
    if (extended_) {
        EXTLOGPEN pen;
        pen.elpPenStyle = style_;
        pen.elpWidth = static_cast<DWORD>(width_);
        pen.elpColor = color_;
        return CopyRecord(pen, size, buffer);
    }
    LOGPEN pen;
    pen.lopnStyle = style_;
    pen.lopnWidth.x = width_;
    pen.lopnColor = color_;
    return CopyRecord(pen, size, buffer);
}

int GdiBrush::Describe(int size, void* buffer) const {
    LOGBRUSH brush;
    brush.lbStyle = style_;
    brush.lbColor = color_;
    brush.lbHatch = static_cast<UINT_PTR>(hatch_);
    return CopyRecord(brush, size, buffer);
}

void GdiBrush::SetPattern(int width, int height, bool monochrome, std::vector<COLORREF> pixels) {
    patternWidth_ = width;
    patternHeight_ = height;
    patternMono_ = monochrome;
    pattern_ = std::move(pixels);
}

int GdiPalette::Describe(int size, void* buffer) const {
    const WORD count = static_cast<WORD>(entries_.size());
    if (!buffer) return sizeof(WORD);
    if (size < static_cast<int>(sizeof(WORD))) return 0;
    std::memcpy(buffer, &count, sizeof count);
    return sizeof(WORD);
}

HPEN CreatePen(int style, int width, COLORREF color) {
    const DWORD s = static_cast<DWORD>(style);
    if ((s & PS_STYLE_MASK) > PS_INSIDEFRAME) return nullptr;
    return AdoptGdiObject(std::make_unique<GdiPen>(s, std::max(width, 1), color, false));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
    return pen ? CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : nullptr;
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD, const DWORD*) {
    if (!brush || (style & PS_STYLE_MASK) > PS_ALTERNATE) return nullptr;
    // Cosmetic pens are one pixel wide whatever is asked.
    const bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
    if (!geometric && width != 1) return nullptr;
    const int w = static_cast<int>(std::min<DWORD>(std::max<DWORD>(width, 1), 0x7FFF));
    const COLORREF color = brush->lbStyle == BS_NULL ? 0 : brush->lbColor;
    DWORD penStyle = style;
    if (brush->lbStyle == BS_NULL) penStyle = (style & ~PS_STYLE_MASK) | PS_NULL;
    return AdoptGdiObject(std::make_unique<GdiPen>(penStyle, w, color, true));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return AdoptGdiObject(std::make_unique<GdiBrush>(BS_SOLID, color & 0xFFFFFF, 0));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
    auto brush = std::make_unique<GdiBrush>(BS_HATCHED, color & 0xFFFFFF, hatch);
    const BYTE* rows = HatchRows(hatch);
    std::vector<COLORREF> bits(64);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) bits[y * 8 + x] = (rows[y] >> (7 - x)) & 1;
    brush->SetPattern(8, 8, true, std::move(bits));
    return AdoptGdiObject(std::move(brush));
}

HBRUSH CreatePatternBrush(HBITMAP handle) {
    GdiBitmap* bitmap = ResolveHandle(handle);
    if (!bitmap) return nullptr;
    PixelView view = PixelView::Of(*bitmap);
    const bool mono = bitmap->BitsPerPixel() == 1;
    std::vector<COLORREF> pixels(static_cast<size_t>(bitmap->Width()) * bitmap->Height());
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x)
            pixels[static_cast<size_t>(y) * bitmap->Width() + x] =
                mono ? view.ReadValue(x, y) : ColorRefOfColor(view.ReadColor(x, y) & 0xFFFFFF);
    auto brush = std::make_unique<GdiBrush>(BS_PATTERN, 0, 0);
    brush->SetPattern(bitmap->Width(), bitmap->Height(), mono, std::move(pixels));
    return AdoptGdiObject(std::move(brush));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush) return nullptr;
    switch (brush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(brush->lbColor);
    case BS_NULL: return AdoptGdiObject(std::make_unique<GdiBrush>(BS_NULL, 0, 0));
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    default: return nullptr;
    }
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    if (!palette || palette->palNumEntries == 0) return nullptr;
    std::vector<PALETTEENTRY> entries(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return AdoptGdiObject(std::make_unique<GdiPalette>(std::move(entries)));
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
    return static_cast<HPALETTE>(SelectObject(dc, palette));
}

UINT RealizePalette(HDC dc) { return ResolveHandle(dc) ? 0 : GDI_ERROR; }

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, PALETTEENTRY* entries) {
    GdiPalette* palette = ResolveHandle(handle);
    if (!palette) return 0;
    const auto& all = palette->Entries();
    if (!entries) return static_cast<UINT>(all.size());
    UINT copied = 0;
    for (; copied < count && start + copied < all.size(); ++copied) entries[copied] = all[start + copied];
    return copied;
}

UINT SetPaletteEntries(HPALETTE handle, UINT start, UINT count, const PALETTEENTRY* entries) {
    GdiPalette* palette = ResolveHandle(handle);
    if (!palette || !entries) return 0;
    auto& all = palette->Entries();
    UINT copied = 0;
    for (; copied < count && start + copied < all.size(); ++copied) all[start + copied] = entries[copied];
    return copied;
}

UINT GetNearestPaletteIndex(HPALETTE handle, COLORREF color) {
    GdiPalette* palette = ResolveHandle(handle);
    if (!palette) return CLR_INVALID;
    std::vector<RGBQUAD> quads;
    for (const auto& e : palette->Entries()) quads.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
    return static_cast<UINT>(NearestColorIndex(quads.data(), static_cast<int>(quads.size()), ColorOfColorRef(color)));
}

}  // namespace parch
