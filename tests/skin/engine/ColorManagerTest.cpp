#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "skin/engine/acColorManager.h"

namespace parch {
namespace {

using CmBytes = std::vector<std::uint8_t>;

struct CmSetup {
    TPixelLayout sourceLayout;
    int sourceBits;
    TPixelLayout targetLayout;
    int targetBits;
    TConvertOptions sourceOptions = 0;
    TConvertOptions targetOptions = 0;
};

void CmConfigure(TColorManager& manager, const CmSetup& setup) {
    manager.SetSourceLayout(setup.sourceLayout);
    manager.SetSourceDepth(setup.sourceBits);
    manager.SetTargetLayout(setup.targetLayout);
    manager.SetTargetDepth(setup.targetBits);
    manager.SourceOptions = setup.sourceOptions;
    manager.TargetOptions = setup.targetOptions;
}

// Converts one interleaved row into `target` (its initial bytes show what is left untouched).
CmBytes CmConvert(TColorManager& manager, const CmBytes& source, CmBytes target, int count, std::uint8_t mask = 0xFF) {
    const void* rows[] = {source.data()};
    manager.TransformRow(rows, target.data(), count, mask);
    return target;
}

CmBytes CmConvert(const CmSetup& setup, const CmBytes& source, CmBytes target, int count, std::uint8_t mask = 0xFF) {
    TColorManager manager;
    CmConfigure(manager, setup);
    return CmConvert(manager, source, std::move(target), count, mask);
}

std::vector<PALETTEENTRY> PaletteEntriesOf(HPALETTE palette) {
    std::vector<PALETTEENTRY> entries(256);
    UINT count = GetPaletteEntries(palette, 0, 256, entries.data());
    entries.resize(count);
    DeleteObject(palette);
    return entries;
}

struct CmConversionCase {
    const char* name;
    CmSetup setup;
    CmBytes source;
    CmBytes target;  // initial contents
    int count;
    std::uint8_t mask;
    CmBytes expected;
};

class ColorManagerRows : public testing::TestWithParam<CmConversionCase> {};

TEST_P(ColorManagerRows, ConvertsTheRow) {
    const CmConversionCase& c = GetParam();
    EXPECT_EQ(CmConvert(c.setup, c.source, c.target, c.count, c.mask), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Converters, ColorManagerRows,
    testing::Values(
        // Index fields are rescaled to the target depth: 2-bit 0,1,2,3 become 4-bit 0,5,10,15.
        CmConversionCase{"Indexed2to4", {plIndexed, 2, plIndexed, 4}, {0x1B}, {0, 0}, 4, 0xFF, {0x05, 0xAF}},
        CmConversionCase{"Grey1to8", {plGrey, 1, plGrey, 8}, {0xA0}, {9, 9, 9}, 3, 0xFF, {255, 0, 255}},
        // Equal depths copy the packed bytes.
        CmConversionCase{"Indexed4Copy", {plIndexed, 4, plIndexed, 4}, {0x12, 0x34}, {0, 0}, 4, 0xFF, {0x12, 0x34}},
        // Mask 55h: odd pixels take the source pixels in turn, even pixels keep their content.
        CmConversionCase{"MaskedPixels", {plIndexed, 8, plIndexed, 4}, {255, 170, 85, 17},
                       {0xEE, 0xEE, 0xEE, 0xEE}, 8, 0x55, {0xEF, 0xEA, 0xE5, 0xE1}},
        CmConversionCase{"BigEndian16to8", {plGrey, 16, plGrey, 8, optBigEndian16}, {0x00, 0xFF, 0xFF, 0xFF, 0x80, 0x80},
                       {1, 1, 1}, 3, 0xFF, {0, 255, 128}},
        CmConversionCase{"GreyAlphaDropsAlpha", {plGreyAlpha, 8, plGrey, 8}, {10, 200, 20, 100}, {0, 0}, 2, 0xFF, {10, 20}},
        CmConversionCase{"Indexed16to4", {plIndexed, 16, plIndexed, 4, optBigEndian16}, {0xFF, 0xFF, 0x00, 0x00},
                       {0}, 2, 0xFF, {0xF0}},
        CmConversionCase{"Indexed1to16", {plIndexed, 1, plIndexed, 16}, {0x80}, {0, 0, 0, 0}, 2, 0xFF, {0xFF, 0xFF, 0, 0}},
        CmConversionCase{"Indexed16Swapped", {plIndexed, 16, plIndexed, 16, optBigEndian16}, {0x12, 0x34}, {0, 0}, 1, 0xFF,
                       {0x34, 0x12}},
        // RGBA to BGRA: first and third exchanged, straight alpha carried.
        CmConversionCase{"RGBAtoBGRA", {plRGBA, 8, plBGRA, 8}, {200, 100, 50, 128}, {0, 0, 0, 0}, 1, 0xFF, {50, 100, 200, 128}},
        CmConversionCase{"RGBA16toBGRA8", {plRGBA, 16, plBGRA, 8, optBigEndian16}, {0xFF, 0xFF, 0x80, 0x80, 0, 0xFF, 0x12, 0x34},
                       {0, 0, 0, 0}, 1, 0xFF, {0, 128, 255, 0x12}},
        // Only the target has alpha: three colours written, the alpha byte left as it was.
        CmConversionCase{"RGBtoBGRAKeepsAlpha", {plRGB, 8, plBGRA, 8}, {1, 2, 3, 4, 5, 6}, {9, 9, 9, 77, 9, 9, 9, 78}, 2, 0xFF,
                       {3, 2, 1, 77, 6, 5, 4, 78}},
        CmConversionCase{"BGRtoBGR16", {plBGR, 8, plBGR, 16}, {1, 2, 3}, CmBytes(6, 0), 1, 0xFF, {1, 1, 2, 2, 3, 3}},
        CmConversionCase{"RGBMasked", {plRGB, 8, plRGB, 8}, {7, 8, 9}, CmBytes(6, 0), 2, 0x40, {0, 0, 0, 7, 8, 9}},
        // CMYK: no black ink and full cyan is cyan; full black ink gives black.
        CmConversionCase{"CMYKtoBGR", {plCMYK, 8, plBGR, 8}, {255, 0, 0, 0, 0, 0, 0, 255}, CmBytes(6, 9), 2, 0xFF,
                       {255, 255, 0, 0, 0, 0}},
        CmConversionCase{"CMYKtoRGBA", {plCMYK, 8, plRGBA, 8}, {0, 255, 0, 0}, {9, 9, 9, 42}, 1, 0xFF, {255, 0, 255, 42}},
        // L* 100 with neutral a*, b* is white; L* 0 black.
        CmConversionCase{"LabToBGR", {plLab, 8, plBGR, 8}, {100, 0, 0, 0, 0, 0}, CmBytes(6, 9), 2, 0xFF, {255, 255, 255, 0, 0, 0}},
        CmConversionCase{"LabScaledOffset", {plLab, 8, plRGB, 8, optLabLScaled | optLabABOffset}, {255, 128, 128}, CmBytes(3, 0),
                       1, 0xFF, {255, 255, 255}},
        // YCbCr: neutral chroma keeps the luma; a red difference of 72 adds 101 to red and
        // takes 51 from green.
        CmConversionCase{"YCbCrToBGR", {plYCbCr, 8, plBGR, 8}, {100, 128, 128, 100, 128, 200}, CmBytes(6, 0), 2, 0xFF,
                       {100, 100, 100, 100, 49, 201}},
        CmConversionCase{"PhotoYCCNeutral", {plPhotoYCC, 8, plRGB, 8}, {100, 156, 137}, CmBytes(3, 0), 1, 0xFF, {100, 100, 100}},
        CmConversionCase{"YCbCr16to16", {plYCbCr, 16, plRGB, 16}, {0, 0, 0x9C, 0x9C, 0x89, 0x89}, CmBytes(6, 0), 1, 0xFF,
                       {0, 0, 0, 0, 0, 0}}),
    [](const testing::TestParamInfo<CmConversionCase>& info) { return std::string(info.param.name); });

TEST(ColorManagerRows, PlanarSourcesTakeOneSamplePerChannel) {
    TColorManager manager;
    CmConfigure(manager, {plRGB, 8, plBGR, 8});
    CmBytes red = {10, 11}, green = {20, 21}, blue = {30, 31}, target(6, 0);
    const void* planes[] = {red.data(), green.data(), blue.data()};
    manager.TransformRow(planes, target.data(), 2, 0xFF);
    EXPECT_EQ(target, (CmBytes{30, 20, 10, 31, 21, 11}));
}

TEST(ColorManagerRows, GammaActsOnColoursOnly) {
    TColorManager manager;
    CmConfigure(manager, {plRGBA, 8, plBGRA, 8, 0, optApplyGamma});
    manager.SetGammaPair(1.0f, 2.2f);
    EXPECT_EQ(CmConvert(manager, {128, 0, 255, 128}, CmBytes(4, 0), 1), (CmBytes{255, 0, 186, 128}));
}

TEST(ColorManagerGamma, NearlyIdentityForTheCommonFileGamma) {
    TColorManager manager;
    manager.SetGammaPair(0.45455f, 2.2f);
    for (int i = 0; i < 256; ++i) EXPECT_NEAR(manager.GammaTable()[static_cast<size_t>(i)], i, 1) << i;
    manager.SetGammaPair(0, -1);  // falls back to 1.0 and 2.2
    EXPECT_EQ(manager.MainGamma(), 1.0f);
    EXPECT_EQ(manager.DisplayGamma(), 2.2f);
    EXPECT_EQ(manager.GammaTable()[128], 186);
    EXPECT_EQ(manager.GammaTable()[255], 255);
}

TEST(ColorManagerErrors, IndexedAndNonIndexedDoNotMix) {
    const CmSetup mixes[] = {{plRGB, 8, plGrey, 8}, {plGreyAlpha, 8, plGreyAlpha, 8}, {plIndexed, 8, plBGR, 8}};
    for (const CmSetup& setup : mixes) {
        TColorManager manager;
        CmConfigure(manager, setup);
        CmBytes target(4, 0);
        const void* rows[] = {target.data()};
        try {
            manager.TransformRow(rows, target.data(), 1, 0xFF);
            ADD_FAILURE() << "converted layout " << int(setup.sourceLayout) << " to " << int(setup.targetLayout);
        } catch (const EColorConversionError& error) {
            EXPECT_STREQ(error.what(), "Conversion between indexed and non-indexed pixel formats is not supported.");
        }
    }
}

TEST(ColorManagerErrors, NoConverterFailsAtTheRow) {
    const CmSetup unconvertible[] = {{plSpare, 8, plRGB, 8}, {plRGB, 8, plCMYK, 8}, {plNone, 8, plBGR, 8}};
    for (const CmSetup& setup : unconvertible) {
        TColorManager manager;
        CmConfigure(manager, setup);
        CmBytes target(8, 0);
        const void* rows[] = {target.data()};
        try {
            manager.TransformRow(rows, target.data(), 1, 0xFF);
            ADD_FAILURE() << "converted layout " << int(setup.sourceLayout) << " to " << int(setup.targetLayout);
        } catch (const EColorConversionError& error) {
            EXPECT_STREQ(error.what(), "Color conversion failed. Could not find a proper method.");
        }
    }
}

TEST(ColorManagerErrors, ColourRowsOfOtherDepthsWriteNothing) {
    EXPECT_EQ(CmConvert({plRGB, 4, plBGR, 8}, {0x12, 0x34}, CmBytes(3, 7), 1), CmBytes(3, 7));
    EXPECT_EQ(CmConvert({plCMYK, 8, plBGR, 4}, {1, 2, 3, 4}, CmBytes(3, 7), 1), CmBytes(3, 7));
}

TEST(ColorManagerErrors, SettersRejectBadValuesAndKeepTheOldOne) {
    TColorManager manager;
    manager.SetTargetDepth(3);
    EXPECT_EQ(manager.TargetDepth(), 3);
    for (int bad : {0, 17, -1}) {
        EXPECT_THROW(manager.SetTargetDepth(bad), EColorConversionError);
        EXPECT_THROW(manager.SetSourceDepth(bad), EColorConversionError);
    }
    EXPECT_EQ(manager.TargetDepth(), 3);
    EXPECT_EQ(manager.SourceDepth(), 8);
    for (int bad : {0, 5}) {
        EXPECT_THROW(manager.SetSourceSamples(bad), EColorConversionError);
        EXPECT_THROW(manager.SetTargetSamples(bad), EColorConversionError);
    }
    EXPECT_EQ(manager.SourceSamples(), 3);
}

TEST(ColorManagerFormats, PixelFormatFollowsDepthAndSamples) {
    struct Case {
        int bits, samples;
        TPixelFormat format;
    };
    const Case cases[] = {{1, 1, pf1bit}, {2, 1, pf4bit}, {4, 1, pf4bit}, {6, 1, pfCustom}, {16, 1, pf8bit},
                          {5, 3, pf15bit}, {8, 3, pf24bit}, {8, 4, pf32bit}, {4, 4, pfCustom}, {8, 2, pfCustom}};
    for (const Case& c : cases) {
        TColorManager manager;
        manager.SetTargetDepth(c.bits);
        manager.SetTargetSamples(c.samples);
        EXPECT_EQ(manager.PixelFormatFor(true), c.format) << c.bits << " bits, " << c.samples << " samples";
        EXPECT_EQ(manager.PixelFormatFor(false), pf24bit);
    }
}

TEST(ColorManagerPalettes, GreyPalettesSpanBlackToWhite) {
    TColorManager manager;
    manager.SetTargetSamples(1);
    manager.SetTargetDepth(1);
    auto two = PaletteEntriesOf(manager.CreateGreyPalette(false));
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].peRed, 0);
    EXPECT_EQ(two[1].peBlue, 255);

    manager.SetTargetDepth(4);
    auto sixteen = PaletteEntriesOf(manager.CreateGreyPalette(false));
    ASSERT_EQ(sixteen.size(), 16u);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(sixteen[i].peGreen, i * 17);
    auto inverted = PaletteEntriesOf(manager.CreateGreyPalette(true));
    EXPECT_EQ(inverted[0].peRed, 255);
    EXPECT_EQ(inverted[15].peRed, 0);

    manager.SetTargetDepth(8);
    manager.SetGammaPair(1.0f, 2.2f);
    manager.TargetOptions = optApplyGamma;
    EXPECT_EQ(PaletteEntriesOf(manager.CreateGreyPalette(false))[128].peRed, 186);
}

TEST(ColorManagerPalettes, PaletteFromSamplesInEveryFormat) {
    TColorManager manager;
    CmBytes triples = {1, 2, 3, 4, 5, 6};
    const void* interleaved[] = {triples.data()};
    auto rgb = PaletteEntriesOf(manager.CreatePaletteFrom(interleaved, 0, 2, false));
    ASSERT_EQ(rgb.size(), 2u);
    EXPECT_EQ((CmBytes{rgb[1].peRed, rgb[1].peGreen, rgb[1].peBlue}), (CmBytes{4, 5, 6}));
    auto bgr = PaletteEntriesOf(manager.CreatePaletteFrom(interleaved, 0, 2, true));
    EXPECT_EQ((CmBytes{bgr[0].peRed, bgr[0].peGreen, bgr[0].peBlue}), (CmBytes{3, 2, 1}));

    CmBytes quads = {1, 2, 3, 99, 4, 5, 6, 99};
    const void* quadRow[] = {quads.data()};
    auto fromQuads = PaletteEntriesOf(manager.CreatePaletteFrom(quadRow, 1, 2, false));
    EXPECT_EQ(fromQuads[1].peRed, 4);

    CmBytes wide = {0xFF, 0xFF, 0x00, 0xFF, 0x80, 0x80};
    const void* wideRow[] = {wide.data()};
    manager.SourceOptions = optBigEndian16;
    auto fromWide = PaletteEntriesOf(manager.CreatePaletteFrom(wideRow, 4, 1, false));
    EXPECT_EQ((CmBytes{fromWide[0].peRed, fromWide[0].peGreen, fromWide[0].peBlue}), (CmBytes{255, 0, 128}));

    CmBytes red = {10}, green = {20}, blue = {30};
    const void* planes[] = {red.data(), green.data(), blue.data()};
    auto planar = PaletteEntriesOf(manager.CreatePaletteFrom(planes, 2, 1, true));
    EXPECT_EQ((CmBytes{planar[0].peRed, planar[0].peGreen, planar[0].peBlue}), (CmBytes{10, 20, 30}));

    EXPECT_EQ(manager.CreatePaletteFrom(interleaved, 8, 2, false), nullptr);
    EXPECT_EQ(manager.CreatePaletteFrom(interleaved, 2, 2, false), nullptr);  // planar wants three planes
}

TEST(ColorManagerPalettes, SpreadsAShallowPaletteOverTheTargetLevels) {
    TColorManager manager;
    manager.SetSourceDepth(2);
    manager.SetTargetDepth(4);
    CmBytes colours = {0, 0, 0, 10, 10, 10, 20, 20, 20, 30, 30, 30};
    const void* row[] = {colours.data()};
    auto spread = PaletteEntriesOf(manager.CreatePaletteFrom(row, 0, 4, false));
    ASSERT_EQ(spread.size(), 16u);
    for (size_t j = 0; j < 16; ++j) EXPECT_EQ(spread[j].peRed, (j * 3 / 15) * 10) << j;
}

}  // namespace
}  // namespace parch
