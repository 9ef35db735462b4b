#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "framework/graphics/Picture.h"
#include "skin/engine/acPNG.h"
#include "tests/skin/engine/PaintFixtures.h"
#include "tests/skin/engine/PngFixtures.h"

namespace parch {
namespace {

using test::EncodePng;
using test::FilledBitmap;
using test::PixelAt;

constexpr std::uint32_t kDrawBackdrop = 0xFF404040u;

std::unique_ptr<TPNGGraphic> DecodeDrawPng(const std::string& bytes) {
    TStringStream stream(bytes);
    auto png = std::make_unique<TPNGGraphic>();
    png->LoadFromStream(stream);
    return png;
}

// 2 x 2: opaque red, fully transparent green / half-transparent blue, opaque white.
std::unique_ptr<TPNGGraphic> DrawQuadrants() {
    return DecodeDrawPng(EncodePng(2, 2, {255, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 128, 255, 255, 255, 255}));
}

std::uint32_t DrawnColour(std::uint32_t pixel) { return pixel & 0xFFFFFFu; }

// Opaque pixels blended at full weight may come out one step below their colour.
bool SameColourWithinOne(std::uint32_t actual, std::uint32_t expected) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
        if (a < e - 1 || a > e + 1) return false;
    }
    return true;
}

TEST(PngDraw, BlendsByAlphaAtItsOwnSize) {
    auto png = DrawQuadrants();
    ASSERT_EQ(png->PixelFormat(), pf32bit);
    auto canvas = FilledBitmap(6, 6, kDrawBackdrop);
    canvas->Canvas().Draw(2, 1, png.get());
    EXPECT_PRED2(SameColourWithinOne, DrawnColour(PixelAt(*canvas, 2, 1)), 0xFF0000u);  // opaque: the picture
    EXPECT_EQ(DrawnColour(PixelAt(*canvas, 3, 1)), 0x404040u);  // transparent: what was there
    EXPECT_PRED2(SameColourWithinOne, DrawnColour(PixelAt(*canvas, 3, 2)), 0xFFFFFFu);
    std::uint32_t half = PixelAt(*canvas, 2, 2);
    EXPECT_GT(test::ChannelOf(half, 0), 0x80);  // blue mixed over grey
    EXPECT_LT(test::ChannelOf(half, 0), 0xFF);
    EXPECT_EQ(test::ChannelOf(half, 2), 0x20);
    EXPECT_EQ(DrawnColour(PixelAt(*canvas, 1, 1)), 0x404040u);  // nothing outside the rectangle
    EXPECT_EQ(DrawnColour(PixelAt(*canvas, 2, 3)), 0x404040u);
}

TEST(PngDraw, ReflectionFallsBelowOnlyAtTheOwnSize) {
    auto png = DecodeDrawPng(test::SolidPng(8, 8, 255, 255, 255, 255));
    png->Reflected = true;
    auto own = FilledBitmap(10, 16, kDrawBackdrop);
    own->Canvas().Draw(0, 0, png.get());
    EXPECT_NE(DrawnColour(PixelAt(*own, 1, 9)), 0x404040u);   // the mirror strip below the picture
    EXPECT_EQ(DrawnColour(PixelAt(*own, 1, 13)), 0x404040u);  // not beyond half the height
    EXPECT_EQ(DrawnColour(PixelAt(*own, 9, 9)), 0x404040u);   // nor beside it

    auto scaled = FilledBitmap(10, 16, kDrawBackdrop);
    scaled->Canvas().StretchDraw(RECT{0, 0, 6, 6}, png.get());
    EXPECT_PRED2(SameColourWithinOne, DrawnColour(PixelAt(*scaled, 5, 5)), 0xFFFFFFu);
    for (int y = 6; y < 10; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(DrawnColour(PixelAt(*scaled, x, y)), 0x404040u) << x << "," << y;
}

TEST(PngDraw, ScaledPicturesKeepTheirTransparency) {
    auto png = DrawQuadrants();
    auto canvas = FilledBitmap(8, 8, kDrawBackdrop);
    canvas->Canvas().StretchDraw(RECT{0, 0, 8, 8}, png.get());
    EXPECT_PRED2(SameColourWithinOne, DrawnColour(PixelAt(*canvas, 0, 0)), 0xFF0000u);
    EXPECT_EQ(DrawnColour(PixelAt(*canvas, 7, 0)), 0x404040u);
    EXPECT_PRED2(SameColourWithinOne, DrawnColour(PixelAt(*canvas, 7, 7)), 0xFFFFFFu);
}

TEST(PngDraw, PicturesWithoutAlphaDrawAsBitmaps) {
    auto png = DecodeDrawPng(EncodePng(2, 1, {10, 20, 30, 40, 50, 60}, PNG_COLOR_TYPE_RGB));
    ASSERT_EQ(png->PixelFormat(), pf24bit);
    auto canvas = FilledBitmap(4, 4, kDrawBackdrop);
    canvas->Canvas().Draw(1, 1, png.get());
    EXPECT_EQ(DrawnColour(PixelAt(*canvas, 1, 1)), 0x0A141Eu);
    EXPECT_EQ(DrawnColour(PixelAt(*canvas, 2, 1)), 0x28323Cu);
}

TEST(PngDraw, PicturesLoadPngFilesThroughThisReader) {
    std::string path = testing::TempDir() + "picture_format_test.png";
    {
        std::ofstream file(path, std::ios::binary);
        file << test::SolidPng(3, 2, 1, 2, 3, 4);
    }
    TPicture picture;
    picture.LoadFromFile(path);
    auto* png = dynamic_cast<TPNGGraphic*>(picture.Graphic());
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->Width(), 3);
    EXPECT_EQ(PixelAt(*png, 0, 0), 0x04010203u);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace parch
