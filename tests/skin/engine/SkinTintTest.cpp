#include <gtest/gtest.h>

#include "skin/engine/sColorTransforms.h"
#include "skin/engine/sGradient.h"
#include "skin/engine/sSkinTint.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

constexpr std::uint32_t kTintRed = 0x0000FF;  // framework layout: red in the low byte
constexpr std::uint32_t kTintRedPixel = 0xFFFF0000u;

TsMaskData& AddMask(TsSkinTables& tables, const std::string& key, std::unique_ptr<TBitmap> picture, RECT rect) {
    TsMaskData& mask = tables.Masks.emplace_back();
    mask.SectionName = "GLOBALINFO";
    mask.KeyName = key;
    mask.Picture = std::move(picture);
    mask.SourceRect = rect;
    mask.FrameCount = 1;
    return mask;
}

TEST(SkinTint, GradientStopsAreTheParsedOnes) {
    TsSkinTables tables;
    TsGeneralData& section = tables.Sections.emplace_back();
    section.SectionName = "BUTTON";
    // Five fields of one stop, then empty ones that hold no stop.
    section.GradientData = "255;255;100;0;0;;;;;";
    ParseGradientData(section.GradientData, section.GradientArray);
    ASSERT_EQ(section.GradientArray.size(), 1u);
    section.Color = kTintRed;
    ChangeHue(tables, 120);
    EXPECT_EQ(section.GradientArray.size(), 1u);
    auto shifted = static_cast<std::uint32_t>(ShiftColorHue(120, kTintRed));
    EXPECT_NE(shifted, kTintRed);
    EXPECT_EQ(section.Color, shifted);
    EXPECT_EQ(section.GradientArray[0].Color1, shifted);
    EXPECT_EQ(section.GradientArray[0].Color2, shifted);
}

TEST(SkinTint, TitleIconsNamedByKeepHueKeepTheirColours) {
    TsSkinTables tables;
    tables.MasterBitmap = test::FilledBitmap(4, 2, kTintRedPixel);
    tables.SkinData.BIKeepHueMode = 2;  // only the close icons
    AddMask(tables, "BICONCLOSE", nullptr, RECT{0, 0, 2, 2});
    AddMask(tables, "SICONCLOSE", test::FilledBitmap(2, 2, kTintRedPixel), RECT{0, 0, 2, 2});
    AddMask(tables, "SICONMIN", test::FilledBitmap(2, 2, kTintRedPixel), RECT{0, 0, 2, 2});
    ChangeHue(tables, 120);
    EXPECT_EQ(PixelAt(*tables.MasterBitmap, 1, 1), kTintRedPixel);
    EXPECT_NE(PixelAt(*tables.MasterBitmap, 2, 0), kTintRedPixel);
    EXPECT_EQ(PixelAt(*tables.Masks[1].Picture, 0, 0), kTintRedPixel);
    EXPECT_NE(PixelAt(*tables.Masks[2].Picture, 0, 0), kTintRedPixel);
}

TEST(SkinTint, SaturationGreysEverythingAtMinusOneHundred) {
    TsSkinTables tables;
    tables.MasterBitmap = test::FilledBitmap(2, 2, 0xFFC86400u);
    TsGeneralData& section = tables.Sections.emplace_back();
    section.StateProps[1].FontColor = 0x0064C8;
    tables.SkinData.BorderColor = 0x0064C8;
    ChangeSaturation(tables, -100);
    EXPECT_EQ(PixelAt(*tables.MasterBitmap, 0, 0), 0xFF646464u);
    EXPECT_EQ(section.StateProps[1].FontColor, 0x646464u);
    EXPECT_EQ(tables.SkinData.BorderColor, 0x646464u);
    ChangeSaturation(tables, 101);  // taken modulo 101: no change
    EXPECT_EQ(tables.SkinData.BorderColor, 0x646464u);
}

TEST(SkinTint, TheManagerReadsTheSkinAgainWithTheNewTint) {
    TsSkinManager manager;
    test::LoadInternalSkin(manager);
    int button = GetSectionIndex(manager.Tables(), "BUTTON");
    ASSERT_GE(button, 0);
    std::uint32_t plain = manager.Tables().Sections[static_cast<size_t>(button)].Color;
    auto turned = static_cast<std::uint32_t>(ShiftColorHue(90, static_cast<TColor>(plain)));
    ASSERT_NE(turned, plain) << "the button colour should not be grey";
    manager.SetHueOffset(90);
    EXPECT_EQ(manager.Tables().Sections[static_cast<size_t>(button)].Color, turned);
    manager.SetHueOffset(0);
    manager.SetSaturation(-100);
    std::uint32_t grey = manager.Tables().Sections[static_cast<size_t>(button)].Color;
    EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
    EXPECT_EQ(grey & 0xFF, (grey >> 16) & 0xFF);
}

}  // namespace
}  // namespace parch
