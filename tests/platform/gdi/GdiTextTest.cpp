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

// True when b shows exactly a's picture moved by (dx, dy), white coming in at the edges.
bool SameShifted(const TextCanvas& a, const TextCanvas& b, int dx, int dy) {
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const int sx = x - dx, sy = y - dy;
            const DWORD expected = sx >= 0 && sy >= 0 && sx < a.width() && sy < a.height() ? a.At(sx, sy) : 0x00FFFFFF;
            if (b.At(x, y) != expected) return false;
        }
    return true;
}

SIZE Extent(const TextCanvas& canvas, const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32(canvas.dc(), text.data(), static_cast<int>(text.size()), &size);
    return size;
}

int DrawIn(TextCanvas& canvas, const std::string& text, RECT rect, UINT format) {
    return DrawText(canvas.dc(), text.data(), static_cast<int>(text.size()), &rect, format);
}

bool InkOutside(const TextCanvas& canvas, const RECT& r) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (canvas.Inked(x, y) && (x < r.left || x >= r.right || y < r.top || y >= r.bottom)) return true;
    return false;
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

TEST(GdiTextTest, AlignmentMovesTheSamePictureByTheTextExtent) {
    TextCanvas reference(160, 60), aligned(160, 60);
    const std::string text = "Align Wg";
    const SIZE extent = Extent(reference, text);
    TEXTMETRIC metrics{};
    ASSERT_TRUE(GetTextMetrics(reference.dc(), &metrics));
    Draw(reference, 10, 10, text);
    struct Case { UINT align; int dx; int dy; };
    const Case cases[] = {
        {TA_RIGHT | TA_TOP, -extent.cx, 0},
        {TA_CENTER | TA_TOP, -extent.cx / 2, 0},
        {TA_LEFT | TA_BASELINE, 0, -metrics.tmAscent},
        {TA_LEFT | TA_BOTTOM, 0, -extent.cy},
    };
    for (const Case& c : cases) {
        aligned.Clear();
        SetTextAlign(aligned.dc(), c.align);
        Draw(aligned, 10 + extent.cx, 10 + metrics.tmHeight, text);
        EXPECT_TRUE(SameShifted(reference, aligned, extent.cx + c.dx, metrics.tmHeight + c.dy)) << c.align;
    }
}

TEST(GdiTextTest, ViewportOriginAndUpdatedCurrentPositionPlaceTextLikeExplicitCoordinates) {
    TextCanvas reference(200, 40), moved(200, 40);
    Draw(reference, 12, 7, "HelloWorld");
    SetViewportOrgEx(moved.dc(), 2, 3, nullptr);
    ResolveHandle(moved.dc())->State().currentPosition = POINT{10, 4};
    SetTextAlign(moved.dc(), TA_UPDATECP);
    Draw(moved, 0, 0, "Hello");
    Draw(moved, 0, 0, "World");
    EXPECT_TRUE(SameShifted(reference, moved, 0, 0));
    POINT position{};
    GetCurrentPositionEx(moved.dc(), &position);
    EXPECT_EQ(position.x, 10 + Extent(reference, "HelloWorld").cx);
}

TEST(GdiTextTest, ExtTextOutClipsOpaquesAndSpacesCharactersAsAsked) {
    TextCanvas canvas(160, 40);
    SetBkColor(canvas.dc(), RGB(0, 0, 255));
    const RECT box{20, 10, 60, 30};
    ASSERT_TRUE(ExtTextOut(canvas.dc(), 5, 5, ETO_CLIPPED | ETO_OPAQUE, &box, "WWWWWWWW", 8, nullptr));
    EXPECT_FALSE(InkOutside(canvas, box));
    EXPECT_EQ(canvas.At(20, 10), 0x000000FFu);  // opaque background in the corners
    EXPECT_EQ(canvas.At(59, 29), 0x000000FFu);

    // Spacing: "ii" 30 pixels apart draws what two single "i" 30 pixels apart draw.
    TextCanvas spaced(160, 40), separate(160, 40);
    const INT dx[] = {30, 5};
    ExtTextOut(spaced.dc(), 10, 5, 0, nullptr, "ii", 2, dx);
    Draw(separate, 10, 5, "i");
    Draw(separate, 40, 5, "i");
    EXPECT_EQ(spaced.Pixels(), separate.Pixels());
}

TEST(GdiTextTest, OpaqueBackgroundFillsExactlyTheTextCell) {
    TextCanvas canvas(160, 40);
    SetBkMode(canvas.dc(), OPAQUE);
    SetBkColor(canvas.dc(), RGB(0, 255, 0));
    SetTextColor(canvas.dc(), RGB(0, 255, 0));
    Draw(canvas, 7, 3, "Cell");
    const SIZE extent = Extent(canvas, "Cell");
    EXPECT_EQ(canvas.InkBounds(), (RECT{7, 3, 7 + extent.cx, 3 + extent.cy}));
}

TEST(GdiTextTest, ClipRegionOfTheContextLimitsText) {
    TextCanvas canvas(160, 40);
    IntersectClipRect(canvas.dc(), 0, 0, 30, 15);
    Draw(canvas, 5, 5, "Clipped text");
    EXPECT_FALSE(InkOutside(canvas, RECT{0, 0, 30, 15}));
    EXPECT_GT(canvas.InkBounds().right, 0);
}

TEST(GdiTextTest, UnderlineStrikeOutAndEscapementShapeTheInk) {
    TextCanvas plain(200, 200), styled(200, 200);
    HFONT underlined = CreateFont(-20, 0, 0, 0, FW_NORMAL, 0, 1, 1, 0, 0, 0, 0, 0, "Arial");
    HGDIOBJ old = SelectObject(styled.dc(), underlined);
    Draw(styled, 10, 10, "a a");
    // The underline runs unbroken under the whole text, gap included, below the baseline.
    const SIZE extent = Extent(styled, "a a");
    bool unbroken = false;
    for (int y = 10 + 18; y < 10 + 22 && !unbroken; ++y) {
        unbroken = true;
        for (int x = 10; x < 10 + extent.cx; ++x) unbroken &= styled.Inked(x, y);
    }
    EXPECT_TRUE(unbroken);
    // So does the strike-out, through the middle of the small letters.
    bool struck = false;
    for (int y = 10 + 10; y < 10 + 16 && !struck; ++y) {
        struck = true;
        for (int x = 10; x < 10 + extent.cx; ++x) struck &= styled.Inked(x, y);
    }
    EXPECT_TRUE(struck);
    SelectObject(styled.dc(), old);
    DeleteObject(underlined);

    // Escapement 900: the baseline runs upwards, so the ink is taller than wide and above y.
    HFONT vertical = CreateFont(-20, 0, 900, 900, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    SelectObject(plain.dc(), vertical);
    Draw(plain, 50, 190, "Vertical");
    const RECT ink = plain.InkBounds();
    EXPECT_GT(ink.bottom - ink.top, 3 * (ink.right - ink.left));
    EXPECT_LE(ink.bottom, 191);
    EXPECT_NEAR(ink.bottom - ink.top, Extent(plain, "Vertical").cx, 3);
    // An opaque background turns with the text: the cell covers the text's length upwards.
    plain.Clear();
    SetBkMode(plain.dc(), OPAQUE);
    SetBkColor(plain.dc(), RGB(0, 0, 255));
    Draw(plain, 50, 190, "Vertical");
    const SIZE cell = Extent(plain, "Vertical");
    EXPECT_EQ(plain.At(51, 190 - cell.cx / 2) & 0xFFFFFF, 0x0000FFu);  // above the letters
    EXPECT_EQ(plain.At(50 + cell.cy - 2, 190 - 2) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(plain.At(50 + cell.cy + 2, 190 - cell.cx / 2), 0x00FFFFFFu);
    EXPECT_EQ(plain.At(50 + cell.cy / 2, 190 - cell.cx - 2), 0x00FFFFFFu);
    SelectObject(plain.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(vertical);
}

TEST(GdiTextTest, FontObjectsDescribeThemselvesAndFailCleanly) {
    HFONT font = CreateFont(-15, 0, 0, 0, FW_BOLD, 1, 0, 0, 0, 0, 0, 0, 0, "Times New Roman");
    LOGFONT described{};
    ASSERT_EQ(GetObject(font, sizeof described, &described), static_cast<int>(sizeof described));
    EXPECT_EQ(described.lfHeight, -15);
    EXPECT_EQ(described.lfWeight, FW_BOLD);
    EXPECT_STREQ(described.lfFaceName, "Times New Roman");
    EXPECT_EQ(GetObjectType(font), OBJ_FONT);

    TextCanvas canvas(10, 10);
    SelectObject(canvas.dc(), font);
    char face[LF_FACESIZE];
    GetTextFace(canvas.dc(), LF_FACESIZE, face);
    EXPECT_STREQ(face, "Liberation Serif");
    TEXTMETRIC metrics{};
    GetTextMetrics(canvas.dc(), &metrics);
    EXPECT_EQ(metrics.tmWeight, FW_BOLD);
    EXPECT_EQ(metrics.tmItalic, 1);
    SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(font);

    SIZE size{};
    EXPECT_FALSE(TextOut(nullptr, 0, 0, "x", 1));
    EXPECT_FALSE(GetTextExtentPoint32(nullptr, "x", 1, &size));
    EXPECT_FALSE(GetTextMetrics(nullptr, &metrics));
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(DrawText(nullptr, "x", 1, &r, 0), 0);
    EXPECT_EQ(DrawText(canvas.dc(), nullptr, 1, &r, 0), 0);
    // Malformed UTF-8 draws replacement glyphs, nothing worse.
    EXPECT_TRUE(Draw(canvas, 0, 0, "\xFF\xC3"));
}

TEST(GdiTextTest, ExtentExPointCountsTheCharactersThatFit) {
    TextCanvas canvas(10, 10);
    const std::string text = "W\xC3\xA9W";  // three characters, four bytes
    INT ends[3] = {};
    INT fit = 0;
    SIZE size{};
    const int w = Extent(canvas, "W").cx, e = Extent(canvas, "\xC3\xA9").cx;
    ASSERT_TRUE(GetTextExtentExPoint(canvas.dc(), text.data(), 4, w + e, &fit, ends, &size));
    EXPECT_EQ(fit, 2);
    EXPECT_EQ(ends[0], w);
    EXPECT_EQ(ends[1], w + e);
    EXPECT_EQ(ends[2], 2 * w + e);
    EXPECT_EQ(size.cx, 2 * w + e);
    SetTextCharacterExtra(canvas.dc(), 3);
    EXPECT_EQ(Extent(canvas, text).cx, 2 * w + e + 9);
}

TEST(GdiTextTest, DrawTextCalcRectBoundsTheLaidOutLines) {
    TextCanvas canvas(10, 10);
    TEXTMETRIC metrics{};
    GetTextMetrics(canvas.dc(), &metrics);
    RECT single{5, 5, 6, 6};
    EXPECT_EQ(DrawText(canvas.dc(), "Calc me", -1, &single, DT_CALCRECT | DT_SINGLELINE), metrics.tmHeight);
    EXPECT_EQ(single, (RECT{5, 5, 5 + Extent(canvas, "Calc me").cx, 5 + metrics.tmHeight}));

    const int wordWidth = Extent(canvas, "Calc").cx;
    RECT wrapped{0, 0, wordWidth + 2, 0};
    EXPECT_EQ(DrawText(canvas.dc(), "Calc Calc Calc", -1, &wrapped, DT_CALCRECT | DT_WORDBREAK), 3 * metrics.tmHeight);
    EXPECT_EQ(wrapped, (RECT{0, 0, wordWidth, 3 * metrics.tmHeight}));

    RECT prefixed{0, 0, 100, 0};
    DrawText(canvas.dc(), "&&a&b", -1, &prefixed, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(prefixed.right, Extent(canvas, "&ab").cx);

    RECT empty{3, 4, 50, 50};
    EXPECT_EQ(DrawText(canvas.dc(), "", 0, &empty, DT_CALCRECT), 0);
    EXPECT_EQ(empty, (RECT{3, 4, 3, 4}));
}

TEST(GdiTextTest, DrawTextAlignsClipsAndUnderlinesPrefixes) {
    TextCanvas left(200, 60), other(200, 60);
    const RECT box{10, 10, 190, 50};
    const std::string text = "Box";
    const SIZE extent = Extent(left, text);
    DrawIn(left, text, box, DT_SINGLELINE);
    struct Case { UINT format; int dx; int dy; };
    const Case cases[] = {
        {DT_SINGLELINE | DT_RIGHT, 180 - extent.cx, 0},
        {DT_SINGLELINE | DT_CENTER, (180 - extent.cx) / 2, 0},
        {DT_SINGLELINE | DT_VCENTER, 0, (40 - extent.cy) / 2},
        {DT_SINGLELINE | DT_BOTTOM, 0, 40 - extent.cy},
        {DT_VCENTER, 0, 0},  // vertical placement needs a single line
    };
    for (const Case& c : cases) {
        other.Clear();
        DrawIn(other, text, box, c.format);
        EXPECT_TRUE(SameShifted(left, other, c.dx, c.dy)) << c.format;
    }
    other.Clear();
    EXPECT_EQ(DrawIn(other, text, box, DT_SINGLELINE | DT_VCENTER), (40 - extent.cy) / 2 + extent.cy);

    // Clipped to the rectangle unless DT_NOCLIP.
    const RECT small{10, 10, 30, 20};
    other.Clear();
    DrawIn(other, "Much too long", small, 0);
    EXPECT_FALSE(InkOutside(other, small));
    other.Clear();
    DrawIn(other, "Much too long", small, DT_NOCLIP);
    EXPECT_TRUE(InkOutside(other, small));

    // "&B" underlines B one pixel below the baseline across its advance; DT_HIDEPREFIX does not.
    TEXTMETRIC metrics{};
    GetTextMetrics(other.dc(), &metrics);
    const int underlineY = 10 + metrics.tmAscent + 1;
    const int bWidth = Extent(other, "B").cx;
    other.Clear();
    DrawIn(other, "&Box", box, DT_SINGLELINE);
    for (int x = 10; x < 10 + bWidth; ++x) EXPECT_EQ(other.At(x, underlineY), 0u) << x;
    EXPECT_FALSE(other.Inked(10 + bWidth + 1, underlineY));
    other.Clear();
    DrawIn(other, "&Box", box, DT_SINGLELINE | DT_HIDEPREFIX);
    EXPECT_TRUE(SameShifted(left, other, 0, 0));
}

TEST(GdiTextTest, DrawTextPlacesEveryLineOnItsOwn) {
    TextCanvas canvas(200, 80), expected(200, 80);
    TEXTMETRIC metrics{};
    GetTextMetrics(canvas.dc(), &metrics);
    EXPECT_EQ(metrics.tmExternalLeading, 1);  // Liberation Sans' line gap of 67 units at 20 pixels

    // Centred lines are centred one by one.
    DrawIn(canvas, "WWWW\nW", RECT{0, 0, 200, 80}, DT_CENTER);
    const int wide = Extent(canvas, "WWWW").cx, narrow = Extent(canvas, "W").cx;
    DrawIn(expected, "WWWW", RECT{(200 - wide) / 2, 0, 200, 80}, 0);
    DrawIn(expected, "W", RECT{(200 - narrow) / 2, metrics.tmHeight, 200, 80}, 0);
    EXPECT_EQ(canvas.Pixels(), expected.Pixels());

    RECT twoLines{0, 0, 200, 0};
    DrawText(canvas.dc(), "a\nb", -1, &twoLines, DT_CALCRECT | DT_EXTERNALLEADING);
    EXPECT_EQ(twoLines.bottom, 2 * (metrics.tmHeight + 1));

    // Tab stops every eight average characters.
    RECT tabbed{0, 0, 200, 0};
    DrawText(canvas.dc(), "a\tb", -1, &tabbed, DT_CALCRECT | DT_EXPANDTABS);
    EXPECT_EQ(tabbed.right, 8 * metrics.tmAveCharWidth + Extent(canvas, "b").cx);
}

TEST(GdiTextTest, DrawTextEllipsisDrawsTheShortenedText) {
    TextCanvas shortened(200, 30), expected(200, 30);
    const int width = Extent(shortened, "Long capt...").cx + 1;
    DrawIn(shortened, "Long caption text", RECT{0, 0, width, 30}, DT_SINGLELINE | DT_END_ELLIPSIS);
    DrawIn(expected, "Long capt...", RECT{0, 0, 200, 30}, DT_SINGLELINE);
    EXPECT_EQ(shortened.Pixels(), expected.Pixels());
}

}  // namespace
}  // namespace parch
