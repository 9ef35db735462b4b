#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sPixelBlend.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::PixelAt;

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }

// Hues are whole degrees here, so colorsys's exact rotation is met within 3 per channel.
TEST(ColorTransform, HueShiftMatchesColorsysForOffsetsOfBothSigns) {
    std::ifstream file("tests/skin/engine/paint/hue.csv");
    ASSERT_TRUE(file.good());
    std::string line;
    int rows = 0;
    while (std::getline(file, line)) {
        int v[7];
        std::istringstream fields(line);
        for (int& value : v) {
            std::string field;
            std::getline(fields, field, ',');
            value = std::atoi(field.c_str());
        }
        TColor turned = ShiftColorHue(v[3], Rgb(v[0], v[1], v[2]));
        for (int c = 0; c < 3; ++c)
            ASSERT_LE(std::abs(((turned >> (8 * c)) & 0xFF) - v[4 + c]), 3) << line;
        ++rows;
    }
    EXPECT_GT(rows, 100);
}

TEST(ColorTransform, HueKeepsGreysAndTheTopByte) {
    EXPECT_EQ(ShiftColorHue(120, Rgb(90, 90, 90)), Rgb(90, 90, 90));
    EXPECT_EQ(ShiftColorHue(-120, Rgb(255, 0, 0)), Rgb(0, 0, 255));
    EXPECT_EQ(ShiftColorHue(120, static_cast<TColor>(0x7F0000FF)), static_cast<TColor>(0x7F00FF00));
}

TEST(ColorTransform, SaturationMovesChannelsAroundTheirMean) {
    EXPECT_EQ(AdjustColorSaturation(Rgb(200, 100, 0), -100), Rgb(100, 100, 100));
    EXPECT_EQ(AdjustColorSaturation(Rgb(200, 100, 0), 50), Rgb(250, 100, 0));
    EXPECT_EQ(AdjustColorSaturation(Rgb(200, 100, 0), 0), Rgb(200, 100, 0));
}

TEST(ColorTransform, BitmapTransformsSkipKeyAndGreyPixels) {
    auto bitmap = FilledBitmap(3, 2, 0xFFFF0000u);  // red in scan-line order
    PixelAt(*bitmap, 1, 0) = TransparentKey;
    PixelAt(*bitmap, 2, 0) = 0xFF808080u;
    ShiftBitmapHue(bitmap.get(), 120);
    EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(*bitmap, 1, 0), TransparentKey);
    EXPECT_EQ(PixelAt(*bitmap, 2, 0), 0xFF808080u);
    AdjustBitmapSaturation(bitmap.get(), -100);
    EXPECT_EQ(PixelAt(*bitmap, 0, 1), 0xFF555555u);
    EXPECT_EQ(PixelAt(*bitmap, 1, 0), TransparentKey);
    DesaturateExceptColor(*bitmap, TransparentKey);
    EXPECT_EQ(PixelAt(*bitmap, 1, 0), TransparentKey);
}

TEST(ColorTransform, DisabledLookFadesTowardTheBackdrop) {
    auto glyph = FilledBitmap(2, 2, 0xFF0000C8u);
    auto behind = FilledBitmap(4, 4, 0xFF000064u);
    ApplyDisabledLook(*glyph, kDisabledBlended, clBlack, InitBackgroundSource(behind.get(), 1, 1), POINT{1, 1});
    EXPECT_EQ(PixelAt(*glyph, 1, 1), 0xFF00008Cu);  // 0.6 x 100 + 0.4 x 200
    auto plain = FilledBitmap(2, 2, 0xFF0000C8u);
    ApplyDisabledLook(*plain, kDisabledBlended | kDisabledGrayed, Rgb(0, 0, 100), EmptyBackdrop, POINT{0, 0});
    EXPECT_EQ(PixelAt(*plain, 0, 0), 0xFF212153u);  // grey 66, then halfway to the fallback colour
}

TEST(ColorTransform, TransparentGlyphFramesAndZeroFrameCount) {
    // Two frames of 2 x 2: frame 0 red, frame 1 green, each with a white bottom-left key.
    auto glyph = FilledBitmap(4, 2, 0xFFFF0000u);
    PixelAt(*glyph, 2, 0) = PixelAt(*glyph, 3, 0) = PixelAt(*glyph, 3, 1) = 0xFF00FF00u;
    PixelAt(*glyph, 0, 1) = PixelAt(*glyph, 2, 1) = 0xFFFFFFFFu;
    auto dst = FilledBitmap(3, 3, 0xFF000000u);
    DrawTransparentGlyph(*glyph, *dst, RECT{1, 1, 3, 3}, 2, true, 0, 1, 0, 0);
    EXPECT_EQ(PixelAt(*dst, 1, 1), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(*dst, 1, 2), 0xFF000000u);
    auto single = FilledBitmap(3, 3, 0xFF000000u);
    DrawTransparentGlyph(*glyph, *single, RECT{0, 0, 3, 3}, 0, true, 0, 1, 0, 0);  // counts as one frame
    EXPECT_EQ(PixelAt(*single, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*single, 0, 1), 0xFF000000u);
}

TEST(ColorTransform, SoftShadowFallsFromTheEdgeToTheFloor) {
    auto bitmap = FilledBitmap(40, 40, 0xFFFFFFFFu);
    PaintSoftShadow(*bitmap, RECT{0, 0, 40, 40}, 0, clBlack, 5, 0);
    EXPECT_EQ(PixelAt(*bitmap, 20, 20) & 0xFFFFFFu, 0u);
    EXPECT_EQ(PixelAt(*bitmap, 0, 20) & 0xFFFFFFu, 0xFEFEFEu);
    for (int x = 1; x < 5; ++x) EXPECT_GT(PixelAt(*bitmap, x, 20) & 0xFF, PixelAt(*bitmap, x + 1, 20) & 0xFF) << x;
    // A blur wider than half the rectangle is cut to half: the floor is an empty rectangle.
    auto narrow = FilledBitmap(20, 20, 0xFFFFFFFFu);
    PaintSoftShadow(*narrow, RECT{0, 0, 20, 20}, 0, clBlack, 40, 0);
    EXPECT_GT(PixelAt(*narrow, 10, 10) & 0xFF, 0u);
    EXPECT_LT(PixelAt(*narrow, 10, 10) & 0xFF, 80u);
    // Fully transparent: the mask stays white and keeps the picture (up to the shift by 8).
    auto untouched = FilledBitmap(8, 8, 0xFF336699u);
    PaintSoftShadow(*untouched, RECT{0, 0, 8, 8}, 100, clBlack, 3, 2);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(static_cast<int>((PixelAt(*untouched, 4, 4) >> (8 * c)) & 0xFF), (0x336699 >> (8 * c)) & 0xFF, 1);
}

}  // namespace
}  // namespace parch
