#include "platform/gdi/ImagePixels.h"

#include <cstring>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/PixelView.h"

namespace parch::imagepixels {

void BitmapDeleter::operator()(GdiBitmap* bitmap) const {
    DeleteObject(bitmap);
}

bool BitmapSize(HBITMAP handle, int& width, int& height) {
    GdiBitmap* bitmap = ResolveHandle(handle);
    if (!bitmap) return false;
    width = bitmap->Width();
    height = bitmap->Height();
    return true;
}

bool ReadColors(HBITMAP handle, int top, int height, std::vector<std::uint32_t>& out) {
    GdiBitmap* bitmap = ResolveHandle(handle);
    if (!bitmap || top < 0 || height < 0 || top + height > bitmap->Height()) return false;
    PixelView view = PixelView::Of(*bitmap);
    out.resize(static_cast<std::size_t>(view.width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < view.width; ++x)
            out[static_cast<std::size_t>(y) * view.width + x] = view.ReadColor(x, top + y);
    return true;
}

OwnedBitmap BitmapOfValues(int width, int height, const std::uint32_t* values) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return nullptr;
    for (int y = 0; y < height; ++y)
        std::memcpy(bitmap->Row(y), values + static_cast<std::size_t>(y) * width, static_cast<std::size_t>(width) * 4);
    return bitmap;
}

HBITMAP MonochromeBitmap(int width, int height, const std::uint8_t* bits) {
    const std::size_t rowBytes = static_cast<std::size_t>((width + 15) / 16) * 2;
    std::vector<BYTE> packed(rowBytes * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (bits[static_cast<std::size_t>(y) * width + x])
                packed[y * rowBytes + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    return CreateBitmap(width, height, 1, 1, packed.data());
}

std::uint8_t MaskBit(std::uint32_t color) {
    unsigned sum = ((color >> 16) & 0xFF) + ((color >> 8) & 0xFF) + (color & 0xFF);
    return sum >= 3 * 128 ? 1 : 0;
}

std::uint32_t Premultiplied(std::uint32_t c) {
    const std::uint32_t a = c >> 24;
    auto channel = [a](std::uint32_t v) { return (v * a + 127) / 255; };
    return (a << 24) | (channel((c >> 16) & 0xFF) << 16) | (channel((c >> 8) & 0xFF) << 8) | channel(c & 0xFF);
}

}  // namespace parch::imagepixels
