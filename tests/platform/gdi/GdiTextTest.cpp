#include "platform/gdi/GdiText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Fonts.h"
#include "tests/platform/gdi/TestFonts.h"

namespace parch {
namespace {

// A memory context over a white 32-bit top-down DIB, with a font selected.
class TextCanvas {
public:
    TextCanvas(int width, int height, const char* face = "Arial", LONG fontHeight = -20) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        SelectObject(dc_, bitmap_);
        Clear();
        font_ = CreateFont(fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, face);
        SelectObject(dc_, font_);
        SetBkMode(dc_, TRANSPARENT);
    }
    ~TextCanvas() {
        DeleteDC(dc_);
        DeleteObject(bitmap_);
        DeleteObject(font_);
    }
    HDC dc() const { return dc_; }
    void Clear(DWORD pixel = 0x00FFFFFF) { std::fill(bits_, bits_ + width_ * height_, pixel); }
    DWORD At(int x, int y) const { return bits_[y * width_ + x]; }
    std::vector<DWORD> Pixels() const { return std::vector<DWORD>(bits_, bits_ + width_ * height_); }
    bool Inked(int x, int y) const { return (At(x, y) & 0xFFFFFF) != 0xFFFFFF; }
    // The smallest rectangle holding every pixel that is not white; empty when none.
    RECT InkBounds() const {
        RECT box{width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (Inked(x, y)) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (box.right == 0) return RECT{};
        return box;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HFONT font_ = nullptr;
    DWORD* bits_ = nullptr;
};

bool Draw(TextCanvas& canvas, int x, int y, const std::string& text) {
    return TextOut(canvas.dc(), x, y, text.data(), static_cast<int>(text.size())) != 0;
}

TEST(GdiTextTest, TextOutDrawsInsideItsCellInTheTextColour) {
    TextCanvas canvas(120, 40);
    SetTextColor(canvas.dc(), RGB(255, 0, 0));
    ASSERT_TRUE(Draw(canvas, 10, 5, "Hxg"));
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32(canvas.dc(), "Hxg", 3, &extent));
    const RECT ink = canvas.InkBounds();
    // Ink stays within the cell: x from 10 to 10 + width, y from 5 to 5 + cell height.
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 10 + extent.cx + 1);
    EXPECT_GE(ink.top, 5);
    EXPECT_LE(ink.bottom, 5 + extent.cy);
    // "H" reaches the cap height: its top is about ascent - cap height (18 - 15) below y.
    EXPECT_NEAR(ink.top, 5 + 3, 1);
    // "g" descends below the baseline (y + ascent = 23).
    EXPECT_GT(ink.bottom, 5 + 18);
    // The stem of the H is solid red with alpha 0, as GDI leaves text pixels.
    bool solidRed = false;
    for (int x = ink.left; x < ink.left + 4; ++x) solidRed |= canvas.At(x, 15) == 0x00FF0000;
    EXPECT_TRUE(solidRed);
}

TEST(GdiTextTest, OutputIsAntiAliasedAndIdenticalFromCallToCall) {
    TextCanvas canvas(200, 40);
    ASSERT_TRUE(Draw(canvas, 3, 4, "Anti-aliased text: Wag 0123"));
    const std::vector<DWORD> first = canvas.Pixels();
    bool grey = false;
    for (DWORD p : first) {
        const int g = (p >> 8) & 0xFF;
        grey |= g > 0 && g < 255;
    }
    EXPECT_TRUE(grey) << "edges are blended, not thresholded";
    canvas.Clear();
    ASSERT_TRUE(Draw(canvas, 3, 4, "Anti-aliased text: Wag 0123"));
    EXPECT_EQ(canvas.Pixels(), first);
}

}  // namespace
}  // namespace parch
