#pragma once
// 32-bit pictures for the icon, image-list and loading tests: bitmaps made from pixel values
// and a target context whose pixels can be read back.

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"

namespace parch::test {

// A 32-bit top-down DIB section holding `pixels` (B | G << 8 | R << 16 | A << 24).
inline HBITMAP Bitmap32(int w, int h, const std::vector<std::uint32_t>& pixels) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (b) std::memcpy(bits, pixels.data(), pixels.size() * 4);
    return b;
}

inline HBITMAP Solid(int w, int h, std::uint32_t value) {
    return Bitmap32(w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h, value));
}

// A 32-bit picture selected into a memory context, filled with one value.
class Target {
public:
    Target(int w, int h, std::uint32_t fill) : w_(w), h_(h) {
        bitmap_ = Solid(w, h, fill);
        BITMAP bm{};
        GetObject(bitmap_, sizeof bm, &bm);
        bits_ = static_cast<std::uint32_t*>(bm.bmBits);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Target() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return w_; }
    int height() const { return h_; }
    std::uint32_t Value(int x, int y) const { return bits_[y * w_ + x]; }
    std::uint32_t Rgb(int x, int y) const { return bits_[y * w_ + x] & 0xFFFFFF; }

private:
    int w_;
    int h_;
    HBITMAP bitmap_;
    std::uint32_t* bits_;
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace parch::test
