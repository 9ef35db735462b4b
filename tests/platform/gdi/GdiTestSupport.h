#pragma once
// A small 32-bit (or other depth) DIB selected into a memory context, with pixel pictures:
// each pixel as one character, so expected drawings read as ASCII art.

#include <string>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"

namespace parch::test {

inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kRed = RGB(255, 0, 0);

class Surface {
public:
    explicit Surface(int width, int height, int bitsPerPixel = 32, bool topDown = true,
                     const std::vector<RGBQUAD>& colors = {});
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    GdiBitmap& pixels() const;
    int width() const { return width_; }
    int height() const { return height_; }

    // Raw stored value (32-bit: 0xAARRGGBB as memory B, G, R, A).
    DWORD Value(int x, int y) const;
    // The colour of a pixel as COLORREF.
    COLORREF Color(int x, int y) const;
    void Fill(COLORREF color);
    void SetValue(int x, int y, DWORD value);
    // One line per row: '#' where the pixel has colour `ink`, '.' elsewhere.
    std::string Picture(COLORREF ink) const;
    // One line per row, characters chosen by `legend` (colour -> character), '?' for others.
    std::string Picture(const std::vector<std::pair<COLORREF, char>>& legend) const;

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// Joins rows given one per string, with line ends, to compare with Picture().
std::string Rows(std::initializer_list<const char*> rows);

}  // namespace parch::test
