#include "GdiTestSupport.h"

#include <cstring>

#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/PixelView.h"

namespace parch::test {

Surface::Surface(int width, int height, int bitsPerPixel, bool topDown, const std::vector<RGBQUAD>& colors)
    : width_(width), height_(height) {
    std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
    info->bmiHeader = BITMAPINFOHEADER{};
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = topDown ? -height : height;
    info->bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colors.size());
    if (!colors.empty()) std::memcpy(info->bmiColors, colors.data(), colors.size() * sizeof(RGBQUAD));
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_);
}

Surface::~Surface() {
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

GdiBitmap& Surface::pixels() const { return *ResolveHandle(bitmap_); }

DWORD Surface::Value(int x, int y) const { return PixelView::Of(pixels()).ReadValue(x, y); }

COLORREF Surface::Color(int x, int y) const {
    return ColorRefOfColor(PixelView::Of(pixels()).ReadColor(x, y) & 0xFFFFFF);
}

void Surface::SetValue(int x, int y, DWORD value) { PixelView::Of(pixels()).WriteValue(x, y, value); }

void Surface::Fill(COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    const RECT all{0, 0, width_, height_};
    HRGN none = nullptr;
    SaveDC(dc_);
    SelectClipRgn(dc_, none);
    SetViewportOrgEx(dc_, 0, 0, nullptr);
    SetWindowOrgEx(dc_, 0, 0, nullptr);
    FillRect(dc_, &all, brush);
    RestoreDC(dc_, -1);
    DeleteObject(brush);
}

std::string Surface::Picture(COLORREF ink) const { return Picture({{ink, '#'}, {CLR_INVALID, '.'}}); }

std::string Surface::Picture(const std::vector<std::pair<COLORREF, char>>& legend) const {
    std::string out;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const COLORREF c = Color(x, y);
            char ch = '?';
            for (const auto& [color, symbol] : legend)
                if (color == c || color == CLR_INVALID) {
                    ch = symbol;
                    break;
                }
            out += ch;
        }
        out += '\n';
    }
    return out;
}

std::string Rows(std::initializer_list<const char*> rows) {
    std::string out;
    for (const char* row : rows) (out += row) += '\n';
    return out;
}

}  // namespace parch::test
