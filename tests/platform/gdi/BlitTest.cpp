#include <cstring>
#include <gtest/gtest.h>

#include <cmath>
#include <climits>
#include <random>

#include "GdiTestSupport.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"

namespace parch {
namespace {

using test::Rows;
using test::Surface;

using test::kBlack;
using test::kWhite;

TEST(Blit, RasterOperationsCombineSourcePatternAndDestination) {
    const DWORD source = 0x80F0A050, destination = 0x40335577;
    const COLORREF brushColor = RGB(0x0F, 0xF0, 0x3C);  // stored as 0x000FF03C
    const DWORD pattern = 0x000FF03C;
    const std::vector<std::pair<DWORD, DWORD>> cases = {
        {SRCCOPY, source},
        {SRCINVERT, source ^ destination},
        {SRCAND, source & destination},
        {SRCPAINT, source | destination},
        {NOTSRCCOPY, ~source},
        {SRCERASE, source & ~destination},
        {MERGEPAINT, ~source | destination},
        {DSTINVERT, ~destination},
        {PATCOPY, pattern},
        {PATINVERT, pattern ^ destination},
        {MERGECOPY, pattern & source},
        {BLACKNESS, 0},
        {WHITENESS, 0x00FFFFFF},
    };
    Surface from(1, 1);
    from.SetValue(0, 0, source);
    for (const auto& [rop, expected] : cases) {
        Surface to(1, 1);
        to.SetValue(0, 0, destination);
        HBRUSH brush = CreateSolidBrush(brushColor);
        HGDIOBJ old = SelectObject(to.dc(), brush);
        ASSERT_TRUE(BitBlt(to.dc(), 0, 0, 1, 1, from.dc(), 0, 0, rop));
        EXPECT_EQ(to.Value(0, 0), expected) << std::hex << rop;
        SelectObject(to.dc(), old);
        DeleteObject(brush);
    }
}

TEST(Blit, SourceAreasOutsideTheSourceBitmapLeaveTheDestination) {
    Surface from(2, 2), to(4, 4);
    from.Fill(kBlack);
    to.Fill(kWhite);
    BitBlt(to.dc(), 0, 0, 4, 4, from.dc(), -1, -1, SRCCOPY);
    EXPECT_EQ(to.Picture(kBlack), Rows({"....", ".##.", ".##.", "...."}));
}

TEST(Blit, ClipAndOriginsOfBothContextsApply) {
    Surface from(4, 1), to(6, 2);
    from.Fill(kWhite);
    SetPixel(from.dc(), 2, 0, kBlack);
    SetPixel(from.dc(), 3, 0, kBlack);
    to.Fill(kWhite);
    SetWindowOrgEx(from.dc(), -2, 0, nullptr);  // logical 0 is source pixel 2
    SetViewportOrgEx(to.dc(), 1, 1, nullptr);   // logical 0 lands at (1, 1)
    IntersectClipRect(to.dc(), 0, 0, 1, 1);     // only device (1, 1)
    BitBlt(to.dc(), 0, 0, 2, 1, from.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(to.Picture(kBlack), Rows({"......", ".#...."}));
}

TEST(Blit, MonochromeConversionsUseTheTextAndBackgroundColours) {
    Surface mono(2, 1, 1, true, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}});
    mono.SetValue(0, 0, 0);
    mono.SetValue(1, 0, 1);
    Surface colour(2, 1);
    SetTextColor(colour.dc(), RGB(255, 0, 0));
    SetBkColor(colour.dc(), RGB(0, 0, 255));
    BitBlt(colour.dc(), 0, 0, 2, 1, mono.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(colour.Color(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(colour.Color(1, 0), RGB(0, 0, 255));

    // Colour to monochrome: the source's background colour becomes 1, anything else 0.
    Surface mask(2, 1, 1, true, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}});
    SetBkColor(colour.dc(), RGB(0, 0, 255));
    BitBlt(mask.dc(), 0, 0, 2, 1, colour.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(mask.Value(0, 0), 0u);
    EXPECT_EQ(mask.Value(1, 0), 1u);
}

TEST(Blit, StretchNearestDoublesAndMirrors) {
    Surface from(2, 1), to(4, 2);
    from.SetValue(0, 0, 0x11);
    from.SetValue(1, 0, 0x22);
    SetStretchBltMode(to.dc(), COLORONCOLOR);
    StretchBlt(to.dc(), 0, 0, 4, 2, from.dc(), 0, 0, 2, 1, SRCCOPY);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(to.Value(0, y), 0x11u);
        EXPECT_EQ(to.Value(1, y), 0x11u);
        EXPECT_EQ(to.Value(2, y), 0x22u);
        EXPECT_EQ(to.Value(3, y), 0x22u);
    }
    // A negative width mirrors: the destination rectangle runs from x 4 back to 0.
    StretchBlt(to.dc(), 4, 0, -4, 1, from.dc(), 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(to.Value(0, 0), 0x22u);
    EXPECT_EQ(to.Value(3, 0), 0x11u);
}

// Area average by plain floating point, to check the fixed-point filter against.
double AreaAverage(const std::vector<int>& row, int k, int n) {
    const double scale = static_cast<double>(row.size()) / n;
    const double start = k * scale, end = (k + 1) * scale;
    double sum = 0;
    for (size_t j = 0; j < row.size(); ++j) {
        const double overlap = std::min(end, j + 1.0) - std::max(start, static_cast<double>(j));
        if (overlap > 0) sum += overlap * row[j];
    }
    return sum / scale;
}

TEST(Blit, HalftoneAveragesTheCoveredArea) {
    const std::vector<int> values = {0, 100, 200, 255, 10, 90, 30};
    Surface from(7, 2);
    for (int x = 0; x < 7; ++x)
        for (int y = 0; y < 2; ++y) from.SetValue(x, y, static_cast<DWORD>(values[x]) * 0x01010101u);
    for (int width : {3, 2, 5, 11}) {
        Surface to(width, 1);
        SetStretchBltMode(to.dc(), HALFTONE);
        ASSERT_TRUE(StretchBlt(to.dc(), 0, 0, width, 1, from.dc(), 0, 0, 7, 2, SRCCOPY));
        for (int k = 0; k < width; ++k) {
            const double expected = AreaAverage(values, k, width);
            const DWORD v = to.Value(k, 0);
            EXPECT_NEAR(static_cast<double>(v & 0xFF), expected, 0.51) << width << ":" << k;
            EXPECT_EQ(v & 0xFF, v >> 24) << "alpha is averaged too";
        }
    }
}

TEST(Blit, HalftoneIntoAGreyPaletteBitmapAverages) {
    std::vector<RGBQUAD> grey;
    for (int i = 0; i < 256; ++i) grey.push_back(RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0});
    Surface from(2, 2, 8, true, grey), to(1, 1, 8, true, grey);
    from.SetValue(0, 0, 0);
    from.SetValue(1, 0, 100);
    from.SetValue(0, 1, 200);
    from.SetValue(1, 1, 60);
    SetStretchBltMode(to.dc(), HALFTONE);
    StretchBlt(to.dc(), 0, 0, 1, 1, from.dc(), 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(to.Value(0, 0), 90u);
}

TEST(Blit, AlphaBlendWithConstantAndPerPixelAlpha) {
    Surface from(1, 1), to(1, 1);
    from.SetValue(0, 0, 0x80C8C8C8);  // 200 in every colour, alpha 128
    to.SetValue(0, 0, 0xFF646464);    // 100, opaque
    BLENDFUNCTION constant{AC_SRC_OVER, 0, 128, 0};
    ASSERT_TRUE(AlphaBlend(to.dc(), 0, 0, 1, 1, from.dc(), 0, 0, 1, 1, constant));
    // 200 * 128 / 255 + 100 * 127 / 255 = 100.4 + 49.8; alpha 128 * 128 / 255 + 255 * 127 / 255.
    EXPECT_EQ(to.Value(0, 0), 0xBF969696u);

    from.SetValue(0, 0, 0x80646464);  // premultiplied 100 at alpha 128
    to.SetValue(0, 0, 0xFFC8C8C8);
    BLENDFUNCTION perPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(AlphaBlend(to.dc(), 0, 0, 1, 1, from.dc(), 0, 0, 1, 1, perPixel));
    // 100 + 200 * 127 / 255 = 199.6; alpha 128 + 255 * 127 / 255.
    EXPECT_EQ(to.Value(0, 0), 0xFFC8C8C8u);

    BLENDFUNCTION both{AC_SRC_OVER, 0, 128, AC_SRC_ALPHA};
    to.SetValue(0, 0, 0x00000000);
    ASSERT_TRUE(AlphaBlend(to.dc(), 0, 0, 1, 1, from.dc(), 0, 0, 1, 1, both));
    EXPECT_EQ(to.Value(0, 0), 0x40323232u);
}

TEST(Blit, AlphaBlendRefusesSourceRectanglesBeyondTheSource) {
    Surface from(2, 2), to(2, 2);
    to.Fill(kWhite);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, 0};
    EXPECT_FALSE(AlphaBlend(to.dc(), 0, 0, 2, 2, from.dc(), 1, 0, 2, 2, blend));
    EXPECT_FALSE(AlphaBlend(to.dc(), 0, 0, -2, 2, from.dc(), 0, 0, 2, 2, blend));
    Surface rgb(2, 2, 24);
    BLENDFUNCTION perPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_FALSE(AlphaBlend(to.dc(), 0, 0, 2, 2, rgb.dc(), 0, 0, 2, 2, perPixel));
    EXPECT_EQ(to.Picture(kWhite), Rows({"##", "##"}));
}

TEST(Blit, TransparentBltSkipsTheKeyColour) {
    Surface from(3, 1), to(6, 1);
    from.Fill(RGB(255, 0, 255));
    SetPixel(from.dc(), 1, 0, kBlack);
    to.Fill(kWhite);
    ASSERT_TRUE(TransparentBlt(to.dc(), 0, 0, 6, 1, from.dc(), 0, 0, 3, 1, RGB(255, 0, 255)));
    EXPECT_EQ(to.Picture(kBlack), "..##..\n");
}

TEST(Blit, PatBltPaintsTheBrushThroughTheClip) {
    Surface to(4, 1);
    to.Fill(kWhite);
    SelectObject(to.dc(), GetStockObject(BLACK_BRUSH));
    ExcludeClipRect(to.dc(), 1, 0, 2, 1);
    PatBlt(to.dc(), 0, 0, 4, 1, PATCOPY);
    EXPECT_EQ(to.Picture(kBlack), "#.##\n");
    EXPECT_FALSE(PatBlt(to.dc(), 0, 0, 4, 1, SRCCOPY));
}

TEST(Blit, StretchDIBitsCountsSourceRowsFromTheBottomOfBottomUpDibs) {
    // A bottom-up 1 x 3 DIB: memory rows are bottom (value 1), middle (2), top (3).
    DWORD pixels[3] = {1, 2, 3};
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = 3;
    info.bmiHeader.biBitCount = 32;
    Surface to(1, 1);
    // ySource 1 with one row: the second row from the bottom.
    EXPECT_EQ(StretchDIBits(to.dc(), 0, 0, 1, 1, 0, 1, 1, 1, pixels, &info, DIB_RGB_COLORS, SRCCOPY), 1);
    EXPECT_EQ(to.Value(0, 0), 2u);
    EXPECT_EQ(StretchDIBits(to.dc(), 0, 0, 1, 1, 0, 0, 1, 1, pixels, &info, DIB_RGB_COLORS, SRCCOPY), 1);
    EXPECT_EQ(to.Value(0, 0), 1u);
}

TEST(Blit, StretchDIBitsReadsBitsAtAnyAddress) {
    // A metafile record's bits need not start on a pixel boundary.
    alignas(4) BYTE record[1 + 2 * 4] = {};
    const DWORD pixels[2] = {0x00112233u, 0x00445566u};
    std::memcpy(record + 1, pixels, sizeof pixels);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = -1;
    info.bmiHeader.biBitCount = 32;
    Surface to(4, 1);
    SetStretchBltMode(to.dc(), COLORONCOLOR);
    EXPECT_EQ(StretchDIBits(to.dc(), 0, 0, 4, 1, 0, 0, 2, 1, record + 1, &info, DIB_RGB_COLORS, SRCCOPY), 1);
    EXPECT_EQ(to.Value(0, 0), 0x00112233u);
    EXPECT_EQ(to.Value(3, 0), 0x00445566u);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST(Blit, CopiesWithinOneBitmapReadTheOriginalPixels) {
    test::Surface s(1, 4);
    for (int y = 0; y < 4; ++y) s.SetValue(0, y, static_cast<DWORD>(y + 1));
    // Scrolling down by one: every row must come from the picture before the copy.
    BitBlt(s.dc(), 0, 1, 1, 3, s.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(s.Value(0, 1), 1u);
    EXPECT_EQ(s.Value(0, 2), 2u);
    EXPECT_EQ(s.Value(0, 3), 3u);
    SetStretchBltMode(s.dc(), COLORONCOLOR);
    StretchBlt(s.dc(), 0, 0, 1, 4, s.dc(), 0, 0, 1, 2, SRCCOPY);
    EXPECT_EQ(s.Value(0, 3), 1u);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

int Scaled(int x, int a) { return static_cast<int>(std::lround(x * a / 255.0)); }

TEST(Blit, AlphaBlendRowsMatchThePerPixelFormula) {
    std::mt19937 random(5);
    const int width = 37;  // wide runs and a remainder
    for (unsigned constant : {255u, 128u, 0u}) {
        for (bool perPixel : {true, false}) {
            test::Surface from(width, 2), to(width, 2);
            std::vector<DWORD> before(width * 2);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < width; ++x) {
                    // Some pixels are badly premultiplied (colour above alpha) on purpose.
                    from.SetValue(x, y, static_cast<DWORD>(random()));
                    before[y * width + x] = static_cast<DWORD>(random());
                    to.SetValue(x, y, before[y * width + x]);
                }
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(constant), static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
            ASSERT_TRUE(AlphaBlend(to.dc(), 0, 0, width, 2, from.dc(), 0, 0, width, 2, blend));
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < width; ++x) {
                    const DWORD s = from.Value(x, y), d = before[y * width + x];
                    const int sa = perPixel ? Scaled(static_cast<int>(s >> 24), constant) : static_cast<int>(constant);
                    for (int c = 0; c < 4; ++c) {
                        const int sc = Scaled((s >> (8 * c)) & 0xFF, constant);
                        const int expected = std::min(255, sc + Scaled((d >> (8 * c)) & 0xFF, 255 - sa));
                        ASSERT_EQ(static_cast<int>((to.Value(x, y) >> (8 * c)) & 0xFF), expected)
                            << "constant " << constant << " per pixel " << perPixel << " at " << x << "," << y << " channel " << c;
                    }
                }
        }
    }
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST(Blit, HugeRectanglesCostOnlyTheVisiblePart) {
    constexpr int kFar = 1 << 30;
    test::Surface from(4, 4), to(4, 4);
    from.Fill(RGB(0, 0, 0));
    to.Fill(RGB(255, 255, 255));
    for (int mode : {COLORONCOLOR, HALFTONE}) {
        SetStretchBltMode(to.dc(), mode);
        EXPECT_TRUE(StretchBlt(to.dc(), 0, 0, 4, 4, from.dc(), -kFar, -kFar, kFar, kFar, SRCCOPY));
        EXPECT_TRUE(StretchBlt(to.dc(), -kFar, -kFar, kFar, kFar, from.dc(), 0, 0, 4, 4, SRCCOPY));
    }
    EXPECT_FALSE(StretchBlt(to.dc(), INT32_MIN, 0, INT32_MIN, 4, from.dc(), 0, 0, 4, 4, SRCCOPY));
    EXPECT_TRUE(PatBlt(to.dc(), -kFar / 2, -kFar / 2, kFar, kFar, BLACKNESS));
    EXPECT_EQ(to.Color(3, 3), RGB(0, 0, 0));
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

using test::Surface;

// Halving has its own path; a mirrored source read back mirrored takes the general area
// average over the very same 2 x 2 boxes, so both must give identical pixels, clipped or not.
TEST(Blit, HalftoneAtExactlyHalfMatchesTheGeneralAverage) {
    struct Case {
        int targetBits;
        DWORD rop;
    };
    const std::vector<Case> cases = {{32, SRCCOPY}, {32, SRCINVERT}, {24, SRCCOPY}, {8, SRCCOPY}};
    std::vector<RGBQUAD> grey;
    for (int i = 0; i < 256; ++i) grey.push_back(RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0});
    std::mt19937 random(11);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (const Case& c : cases) {
        for (int trial = 0; trial < 24; ++trial) {
            const int dw = 1 + below(23), dh = 1 + below(9);  // runs of four and remainders
            const int sw = 2 * dw + below(5), sh = 2 * dh + below(5);
            const int sx = below(sw - 2 * dw + 1), sy = below(sh - 2 * dh + 1);
            Surface from(sw, sh), mirrored(sw, sh);
            for (int y = 0; y < sh; ++y)
                for (int x = 0; x < sw; ++x) {
                    const auto value = static_cast<DWORD>(random());
                    from.SetValue(x, y, value);
                    mirrored.SetValue(sw - 1 - x, y, value);
                }
            // The target may cut the blit on any side.
            const int tw = std::max(dw + below(6) - 2, 1), th = std::max(dh + below(4) - 1, 1);
            const int dx = below(5) - 2, dy = below(3) - 1;
            const std::vector<RGBQUAD> palette = c.targetBits == 8 ? grey : std::vector<RGBQUAD>{};
            Surface fast(tw, th, c.targetBits, true, palette), general(tw, th, c.targetBits, true, palette);
            for (Surface* to : {&fast, &general}) {
                to->Fill(RGB(7, 70, 140));
                SetStretchBltMode(to->dc(), HALFTONE);
            }
            ASSERT_TRUE(StretchBlt(fast.dc(), dx, dy, dw, dh, from.dc(), sx, sy, 2 * dw, 2 * dh, c.rop));
            ASSERT_TRUE(StretchBlt(general.dc(), dx, dy, dw, dh, mirrored.dc(), sw - sx, sy, -2 * dw, 2 * dh, c.rop));
            for (int y = 0; y < th; ++y)
                for (int x = 0; x < tw; ++x)
                    ASSERT_EQ(fast.Value(x, y), general.Value(x, y))
                        << c.targetBits << " bits, " << dw << "x" << dh << " from " << sx << "," << sy << " at " << x << "," << y;
        }
    }
}

// The halved pixel is the rounded mean of its 2 x 2 box, alpha included, through AlphaBlend too.
TEST(Blit, HalftoneAtExactlyHalfIsTheRoundedBoxMean) {
    std::mt19937 random(12);
    const int dw = 9, dh = 3;
    Surface from(2 * dw, 2 * dh), stretched(dw, dh), blended(dw, dh);
    for (int y = 0; y < 2 * dh; ++y)
        for (int x = 0; x < 2 * dw; ++x) from.SetValue(x, y, static_cast<DWORD>(random()) | 0xFF000000u);
    SetStretchBltMode(stretched.dc(), HALFTONE);
    SetStretchBltMode(blended.dc(), HALFTONE);
    ASSERT_TRUE(StretchBlt(stretched.dc(), 0, 0, dw, dh, from.dc(), 0, 0, 2 * dw, 2 * dh, SRCCOPY));
    ASSERT_TRUE(AlphaBlend(blended.dc(), 0, 0, dw, dh, from.dc(), 0, 0, 2 * dw, 2 * dh,
                           BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
            DWORD expected = 0;
            for (int c = 0; c < 32; c += 8) {
                DWORD sum = 2;
                for (int j = 0; j < 4; ++j) sum += (from.Value(2 * x + j % 2, 2 * y + j / 2) >> c) & 0xFF;
                expected |= (sum >> 2) << c;
            }
            EXPECT_EQ(stretched.Value(x, y), expected) << x << "," << y;
            EXPECT_EQ(blended.Value(x, y), expected) << "an opaque box replaces the target, at " << x << "," << y;
        }
}

}  // namespace
}  // namespace parch
