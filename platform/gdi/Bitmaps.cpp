#include "platform/gdi/Bitmaps.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/PixelView.h"

namespace parch {
namespace {

bool SupportedDepth(int bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24 ||
           bitsPerPixel == 32;
}

std::vector<RGBQUAD> GreyRamp(int bitsPerPixel) {
    const int count = 1 << bitsPerPixel;
    std::vector<RGBQUAD> colors(count);
    for (int i = 0; i < count; ++i) {
        const BYTE v = static_cast<BYTE>(i * 255 / (count - 1));
        colors[i] = RGBQUAD{v, v, v, 0};
    }
    return colors;
}

// The colour table GetDIBits reports for a palette layout the bitmap does not have itself.
std::vector<RGBQUAD> StandardColorTable(int bitsPerPixel) {
    if (bitsPerPixel == 1) return GreyRamp(1);
    if (bitsPerPixel == 4) {
        static const BYTE kVga[16][3] = {{0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0},
                                         {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                         {192, 192, 192}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
                                         {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
        std::vector<RGBQUAD> colors;
        for (const auto& c : kVga) colors.push_back(RGBQUAD{c[2], c[1], c[0], 0});
        return colors;
    }
    // A 6 x 6 x 6 colour cube followed by a grey ramp.
    std::vector<RGBQUAD> colors;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                colors.push_back(RGBQUAD{static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51),
                                         static_cast<BYTE>(r * 51), 0});
    while (colors.size() < 256) {
        const BYTE v = static_cast<BYTE>((colors.size() - 216) * 255 / 39);
        colors.push_back(RGBQUAD{v, v, v, 0});
    }
    return colors;
}

// The colour table a BITMAPINFO carries (DIB_PAL_COLORS entries resolved through the context's
// palette).
std::vector<RGBQUAD> ColorTableOf(const BITMAPINFO* info, UINT usage, HDC dc) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount > 8) return {};
    const int maximum = 1 << h.biBitCount;
    const int count = h.biClrUsed > 0 ? std::min<int>(static_cast<int>(std::min<DWORD>(h.biClrUsed, 256)), maximum) : maximum;
    std::vector<RGBQUAD> colors(maximum);
    const auto* table = reinterpret_cast<const BYTE*>(info) + h.biSize;
    if (usage == DIB_PAL_COLORS) {
        DeviceContext* context = ResolveHandle(dc);
        GdiPalette* palette = context ? ResolveHandle(static_cast<HPALETTE>(context->State().palette)) : nullptr;
        const auto* indexes = reinterpret_cast<const WORD*>(table);
        for (int i = 0; i < count && palette; ++i) {
            const auto& entries = palette->Entries();
            if (indexes[i] < entries.size()) {
                const PALETTEENTRY& e = entries[indexes[i]];
                colors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
            }
        }
    } else {
        std::memcpy(colors.data(), table, static_cast<size_t>(count) * sizeof(RGBQUAD));
    }
    return colors;
}

bool ValidInfo(const BITMAPINFO* info) {
    if (!info) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1)
        return false;
    if (!SupportedDepth(h.biBitCount)) return false;
    if (h.biCompression == BI_BITFIELDS) {
        // Only the standard 32-bit layout.
        const auto* masks = reinterpret_cast<const DWORD*>(reinterpret_cast<const BYTE*>(info) + h.biSize);
        return h.biBitCount == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
    }
    return h.biCompression == BI_RGB;
}

PixelView ViewOfBuffer(void* bits, const BITMAPINFOHEADER& h, const std::vector<RGBQUAD>& colors) {
    PixelView view;
    view.bits = static_cast<BYTE*>(bits);
    view.width = h.biWidth;
    view.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    view.bitsPerPixel = h.biBitCount;
    view.stride = GdiBitmap::StrideFor(h.biWidth, h.biBitCount);
    view.topDown = h.biHeight < 0;
    view.colors = colors.data();
    view.colorCount = static_cast<int>(colors.size());
    return view;
}

bool SameColors(const PixelView& a, const PixelView& b) {
    return a.colorCount == b.colorCount &&
           std::memcmp(a.colors, b.colors, sizeof(RGBQUAD) * static_cast<size_t>(a.colorCount)) == 0;
}

// Copies one row, converting through colours when the layouts differ.
void CopyRow(const PixelView& from, int fromRow, const PixelView& to, int toRow) {
    const int width = std::min(from.width, to.width);
    if (from.bitsPerPixel == to.bitsPerPixel && (!from.Paletted() || SameColors(from, to))) {
        std::memcpy(to.Row(toRow), from.Row(fromRow), (static_cast<size_t>(width) * to.bitsPerPixel + 7) / 8);
        return;
    }
    DWORD lastColor = 0xFFFFFFFF;
    DWORD lastValue = 0;
    for (int x = 0; x < width; ++x) {
        const DWORD color = from.ReadColor(x, fromRow);
        if (color != lastColor) {
            lastColor = color;
            lastValue = to.ValueOfColor(color);
        }
        to.WriteValue(x, toRow, lastValue);
    }
}

// The image row of DIB scan line `line` (scan lines count from the bottom of a bottom-up DIB).
int ImageRowOfScanLine(int line, int height, bool topDown) { return topDown ? line : height - 1 - line; }

}  // namespace

void GdiBitmap::FreeDeleter::operator()(BYTE* p) const { std::free(p); }

int GdiBitmap::StrideFor(int width, int bitsPerPixel) {
    return static_cast<int>(((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32) * 4);
}

std::unique_ptr<GdiBitmap> GdiBitmap::Create(int width, int height, int bitsPerPixel, bool topDown,
                                             bool isDib) {
    if (width <= 0 || height <= 0 || !SupportedDepth(bitsPerPixel)) return nullptr;
    const std::int64_t stride = ((static_cast<std::int64_t>(width) * bitsPerPixel + 31) / 32) * 4;
    if (stride > kMaxBytes || stride * height > kMaxBytes) return nullptr;
    // calloc hands out zeroed pages lazily, as a fresh DIB section reads zeros.
    auto* memory = static_cast<BYTE*>(std::calloc(static_cast<size_t>(stride * height), 1));
    if (!memory) return nullptr;
    std::unique_ptr<GdiBitmap> bitmap(new GdiBitmap());
    bitmap->pixels_.reset(memory);
    bitmap->width_ = width;
    bitmap->height_ = height;
    bitmap->bitsPerPixel_ = bitsPerPixel;
    bitmap->stride_ = static_cast<int>(stride);
    bitmap->topDown_ = topDown;
    bitmap->isDib_ = isDib;
    if (bitsPerPixel <= 8) bitmap->colors_ = GreyRamp(bitsPerPixel);
    return bitmap;
}

int GdiBitmap::Describe(int size, void* buffer) const {
    BITMAP bm;
    bm.bmWidth = width_;
    bm.bmHeight = height_;
    bm.bmWidthBytes = stride_;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(bitsPerPixel_);
    bm.bmBits = isDib_ ? const_cast<BYTE*>(pixels_.get()) : nullptr;
    if (!buffer) return isDib_ ? static_cast<int>(sizeof(DIBSECTION)) : static_cast<int>(sizeof(BITMAP));
    if (isDib_ && size >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds;
        ds.dsBm = bm;
        ds.dsBmih.biWidth = width_;
        ds.dsBmih.biHeight = topDown_ ? -height_ : height_;
        ds.dsBmih.biBitCount = static_cast<WORD>(bitsPerPixel_);
        ds.dsBmih.biSizeImage = static_cast<DWORD>(ByteSize());
        ds.dsBmih.biClrUsed = static_cast<DWORD>(colors_.size());
        std::memcpy(buffer, &ds, sizeof ds);
        return sizeof ds;
    }
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    std::memcpy(buffer, &bm, sizeof bm);
    return sizeof bm;
}

std::int64_t ColorTableBytes(const BITMAPINFOHEADER& header) {
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) return 12;
    if (header.biBitCount > 8) return static_cast<std::int64_t>(header.biClrUsed) * 4;
    const std::int64_t maximum = std::int64_t{1} << header.biBitCount;
    return 4 * (header.biClrUsed ? std::min<std::int64_t>(header.biClrUsed, maximum) : maximum);
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void*, DWORD) {
    if (bits) *bits = nullptr;
    if (!ValidInfo(info)) return nullptr;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    auto bitmap = GdiBitmap::Create(h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight,
                                    h.biBitCount, h.biHeight < 0, true);
    if (!bitmap) return nullptr;
    if (h.biBitCount <= 8) bitmap->ColorTable() = ColorTableOf(info, usage, dc);
    if (bits) *bits = bitmap->Bits();
    return AdoptGdiObject(std::move(bitmap));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    if (planes != 1) return nullptr;
    auto bitmap = GdiBitmap::Create(width, height, static_cast<int>(bitsPerPixel), true, false);
    if (!bitmap) return nullptr;
    if (bitsPerPixel == 1) bitmap->ColorTable() = GreyRamp(1);
    else if (bitsPerPixel <= 8) bitmap->ColorTable() = StandardColorTable(static_cast<int>(bitsPerPixel));
    if (bits) {
        // Rows of the caller's data are aligned to 16 bits.
        const std::int64_t rowBytes = ((static_cast<std::int64_t>(width) * bitsPerPixel + 15) / 16) * 2;
        for (int y = 0; y < height; ++y)
            std::memcpy(bitmap->Row(y), static_cast<const BYTE*>(bits) + rowBytes * y,
                        static_cast<size_t>(std::min<std::int64_t>(rowBytes, bitmap->Stride())));
    }
    return AdoptGdiObject(std::move(bitmap));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || width < 0 || height < 0) return nullptr;
    if (width == 0 || height == 0) return CreateBitmap(1, 1, 1, 1, nullptr);
    // A memory context still holding its monochrome bitmap makes monochrome bitmaps.
    GdiBitmap* target = context->Target();
    if (context->IsMemory() && target && target->BitsPerPixel() == 1)
        return CreateBitmap(width, height, 1, 1, nullptr);
    auto bitmap = GdiBitmap::Create(width, height, 32, true, false);
    return bitmap ? AdoptGdiObject(std::move(bitmap)) : nullptr;
}

int GetDIBits(HDC dc, HBITMAP handle, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
    GdiBitmap* bitmap = ResolveHandle(handle);
    if (!bitmap || !info || !ResolveHandle(dc)) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    if (h.biBitCount == 0) {
        // Describe the bitmap's own layout.
        h.biWidth = bitmap->Width();
        h.biHeight = bitmap->Height();
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(bitmap->BitsPerPixel());
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(bitmap->ByteSize());
        h.biClrUsed = 0;
        if (!bits) return 1;
    }
    if (!SupportedDepth(h.biBitCount) || h.biWidth <= 0 || h.biHeight == 0) return 0;
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && h.biBitCount == 32))
        return 0;
    const bool sameLayout = h.biBitCount == bitmap->BitsPerPixel();
    std::vector<RGBQUAD> colors;
    if (h.biBitCount <= 8) {
        colors = sameLayout ? bitmap->ColorTable() : StandardColorTable(h.biBitCount);
        colors.resize(static_cast<size_t>(1) << h.biBitCount);
        if (usage == DIB_RGB_COLORS)
            std::memcpy(reinterpret_cast<BYTE*>(info) + h.biSize, colors.data(), colors.size() * sizeof(RGBQUAD));
    } else if (h.biCompression == BI_BITFIELDS) {
        auto* masks = reinterpret_cast<DWORD*>(reinterpret_cast<BYTE*>(info) + h.biSize);
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    h.biSizeImage = static_cast<DWORD>(static_cast<std::int64_t>(GdiBitmap::StrideFor(h.biWidth, h.biBitCount)) * height);
    if (!bits) return 1;
    if (h.biWidth != bitmap->Width() || height != bitmap->Height()) return 0;
    PixelView from = PixelView::Of(*bitmap);
    PixelView to = ViewOfBuffer(bits, h, colors);
    const bool topDown = h.biHeight < 0;
    const int count = static_cast<int>(std::min<std::int64_t>(lines, std::max<std::int64_t>(0, height - std::int64_t{start})));
    // Buffer row i holds scan line start + i; the rows of the buffer are consecutive in memory.
    PixelView window = to;
    window.topDown = true;
    window.height = count;
    for (int i = 0; i < count; ++i) {
        const int imageRow = ImageRowOfScanLine(static_cast<int>(start) + i, height, topDown);
        CopyRow(from, imageRow, window, i);
    }
    return count;
}

int SetDIBits(HDC dc, HBITMAP handle, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
    GdiBitmap* bitmap = ResolveHandle(handle);
    if (!bitmap || !bits || !ValidInfo(info)) return 0;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const std::vector<RGBQUAD> colors = ColorTableOf(info, usage, dc);
    PixelView from = ViewOfBuffer(const_cast<void*>(bits), h, colors);
    PixelView to = PixelView::Of(*bitmap);
    const bool topDown = h.biHeight < 0;
    const int count = static_cast<int>(std::min<std::int64_t>(lines, std::max<std::int64_t>(0, height - std::int64_t{start})));
    PixelView window = from;
    window.topDown = true;
    window.height = count;
    int copied = 0;
    for (int i = 0; i < count; ++i) {
        const int imageRow = ImageRowOfScanLine(static_cast<int>(start) + i, height, topDown);
        if (imageRow >= bitmap->Height()) continue;
        CopyRow(window, i, to, imageRow);
        ++copied;
    }
    return copied;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT entries, RGBQUAD* colors) {
    DeviceContext* context = ResolveHandle(dc);
    GdiBitmap* bitmap = context ? context->Target() : nullptr;
    if (!bitmap || !bitmap->IsPaletted() || !colors) return 0;
    const auto& table = bitmap->ColorTable();
    UINT copied = 0;
    for (; copied < entries && start + copied < table.size(); ++copied) colors[copied] = table[start + copied];
    return copied;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT entries, const RGBQUAD* colors) {
    DeviceContext* context = ResolveHandle(dc);
    GdiBitmap* bitmap = context ? context->Target() : nullptr;
    if (!bitmap || !bitmap->IsPaletted() || !colors) return 0;
    auto& table = bitmap->ColorTable();
    UINT copied = 0;
    for (; copied < entries && start + copied < table.size(); ++copied) table[start + copied] = colors[copied];
    return copied;
}

bool ViewOfDib(const void* bits, const BITMAPINFO* info, UINT usage, HDC dc, std::vector<RGBQUAD>& colors,
               PixelView& view) {
    if (!bits || !ValidInfo(info)) return false;
    colors = ColorTableOf(info, usage, dc);
    view = ViewOfBuffer(const_cast<void*>(bits), info->bmiHeader, colors);
    return true;
}

BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE* size) {
    if (!ResolveHandle(bitmap) || !size) return 0;
    *size = SIZE{0, 0};
    return 1;
}

}  // namespace parch
