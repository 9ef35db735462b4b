#include <gtest/gtest.h>

#include <cmath>

#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::ChannelOf;
using test::FilledBitmap;
using test::PixelAt;

constexpr std::uint32_t kTextureA = 0xFF204080u, kTextureB = 0xFF80C040u;

// One section "PANEL" (two states) and a 2 x 2 checker texture in the master bitmap.
class SectionPaint : public ::testing::Test {
protected:
    void SetUp() override {
        TsSkinTables& tables = manager.Tables();
        tables.MasterBitmap = FilledBitmap(2, 2, kTextureA);
        PixelAt(*tables.MasterBitmap, 1, 0) = PixelAt(*tables.MasterBitmap, 0, 1) = kTextureB;
        TsMaskData& texture = tables.Masks.emplace_back();
        texture.OwnerManager = &manager;
        texture.SectionName = "PANEL";
        texture.KeyName = "PATTERN";
        texture.SourceRect = RECT{0, 0, 2, 2};
        texture.FrameCount = 1;
        texture.ImageKind = ikTexture;
        TsGeneralData& section = tables.Sections.emplace_back();
        section.SectionName = "PANEL";
        section.StateCount = 2;
        section.Color = 0x0000C8;  // red 200
        section.HotColor = 0xC80000;
    }
    TsGeneralData& Section() { return manager.Tables().Sections[0]; }
    std::unique_ptr<TBitmap> Paint(const TsBackgroundSource& backdrop, int state = 0, RECT r = RECT{0, 0, 4, 4}) {
        auto bitmap = FilledBitmap(4, 4, 0u);
        PaintSkinSection(0, "PANEL", backdrop, state, r, POINT{0, 0}, *bitmap, &manager);
        return bitmap;
    }

    TsSkinManager manager;
};

TsBackgroundSource ColourBackdrop(std::uint32_t colour) {
    TsBackgroundSource backdrop;
    backdrop.Color = colour;
    return backdrop;
}

TEST_F(SectionPaint, TransparencyMixesTheBackdropIn) {
    auto behind = FilledBitmap(6, 6, 0xFF0000FFu);
    PixelAt(*behind, 2, 2) = 0xFF00FF00u;
    struct Case {
        int transparency;
        bool bitmap;
        std::uint32_t expected;  // pixel (1, 1)
    };
    const Case cases[] = {
        {0, true, 0xFFC80000u},
        {100, true, 0xFF00FF00u},  // a copy of the backdrop at its offset
        {50, false, 0xFF640080u},  // even mix of colours: 100 red, 127.5 blue rounds to even
        {30, true, 0},             // blend at 30 x 255 div 100 = 76, checked below
    };
    for (const Case& c : cases) {
        Section().Transparency = c.transparency;
        auto painted = Paint(c.bitmap ? InitBackgroundSource(behind.get(), 1, 1) : ColourBackdrop(0xFF0000));
        if (c.expected) {
            EXPECT_EQ(PixelAt(*painted, 1, 1), c.expected) << c.transparency;
            continue;
        }
        std::uint32_t p = PixelAt(*painted, 1, 1);
        EXPECT_EQ(ChannelOf(p, 2), (0 * 76 + 200 * 179 + 127) >> 8);
        EXPECT_EQ(ChannelOf(p, 1), (255 * 76 + 0 * 179 + 127) >> 8);
    }
}

TEST_F(SectionPaint, TextureAndColourShareByPercent) {
    Section().ImagePercent = 50;
    auto painted = Paint(EmptyBackdrop);
    // Tiles from the corner, then 50 % of the section colour.
    EXPECT_EQ(ChannelOf(PixelAt(*painted, 2, 0), 2), static_cast<int>(std::nearbyint(0x20 * 0.5 + 200 * 0.5)));
    EXPECT_EQ(ChannelOf(PixelAt(*painted, 3, 0), 1), static_cast<int>(std::nearbyint(0xC0 * 0.5)));
    Section().ImagePercent = 100;
    painted = Paint(EmptyBackdrop);
    EXPECT_EQ(PixelAt(*painted, 3, 2), kTextureB);
}

TEST_F(SectionPaint, GradientUnderTextureBlendsByImageWeight) {
    Section().ImagePercent = 40;
    Section().GradientPercent = 40;
    Section().GradientData = "255;255;100;0;0";  // one stop, red to red, downwards
    Section().GradientArray = {TsGradStop{0xFF, 0xFF, 100, 0, 0}};
    auto painted = Paint(EmptyBackdrop);
    int a = 40 * 255 / 100;
    int mixed = (0x20 * a + 255 * (255 - a) + 127) >> 8;  // red of texture A over the gradient
    int expected = static_cast<int>(std::nearbyint(mixed * 0.8 + 200 * 0.2));
    EXPECT_EQ(ChannelOf(PixelAt(*painted, 0, 0), 2), expected);
}

TEST_F(SectionPaint, StatesAboveTheLastAndRectanglesOutsideTheBitmap) {
    auto hot = Paint(EmptyBackdrop, 7);
    EXPECT_EQ(PixelAt(*hot, 0, 0), 0xFF0000C8u);  // hot colour: blue 200
    EXPECT_EQ(PixelAt(*Paint(EmptyBackdrop, -2), 0, 0), 0xFFC80000u);
    EXPECT_EQ(PixelAt(*Paint(EmptyBackdrop, 0, RECT{1, 1, 5, 3}), 1, 1), 0u);
    EXPECT_EQ(PixelAt(*Paint(EmptyBackdrop, 0, RECT{-1, 0, 2, 2}), 0, 0), 0u);
    EXPECT_EQ(PixelAt(*Paint(EmptyBackdrop, 0, RECT{2, 2, 2, 4}), 2, 2), 0u);
}

// A control partly outside its parent's picture: the part the parent holds is copied, the
// rest is not read.
TEST_F(SectionPaint, BackdropReadsStayInsideTheParent) {
    Section().Transparency = 100;
    auto parent = FilledBitmap(2, 2, 0xFF00FF00u);
    auto painted = Paint(InitBackgroundSource(parent.get(), -1, -1));
    EXPECT_EQ(PixelAt(*painted, 1, 1), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(*painted, 0, 0), 0u);
    EXPECT_EQ(PixelAt(*painted, 3, 3), 0u);
}

TEST_F(SectionPaint, NamedSectionsFallBackAndReportTheIndex) {
    auto bitmap = FilledBitmap(3, 3, 0u);
    EXPECT_EQ(PaintNamedSection(*bitmap, "NOSUCH", "PANEL", 0, &manager, RECT{0, 0, 3, 3}, clWhite, nullptr), 0);
    EXPECT_EQ(PixelAt(*bitmap, 2, 2), 0xFFC80000u);
    EXPECT_EQ(PaintNamedSection(*bitmap, "NOSUCH", "NEITHER", 0, &manager, RECT{0, 0, 3, 3}, clWhite, nullptr), -1);
}

}  // namespace
}  // namespace parch
