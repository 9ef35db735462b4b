#include <gtest/gtest.h>

#include <cmath>

#include "skin/engine/sPixelBlend.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::ChannelOf;
using test::PixelAt;

// Destination bytes run along x and source bytes along y, so one blend per weight covers every
// (destination, source, weight) triple, alpha included.
TEST(PixelBlend, OneWeightBlendOverAllByteTriples) {
    auto dst = NewPf32Bitmap(256, 256);
    auto src = NewPf32Bitmap(256, 256);
    for (int weight = 0; weight < 256; weight += 1) {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                PixelAt(*dst, x, y) = static_cast<std::uint32_t>(x) * 0x01010101u;
                PixelAt(*src, x, y) = static_cast<std::uint32_t>(y) * 0x01010101u;
            }
        BlendBitmaps(*dst, *src, weight);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                std::uint32_t expected = static_cast<std::uint32_t>((x * weight + y * (255 - weight) + 127) >> 8);
                ASSERT_EQ(PixelAt(*dst, x, y), expected * 0x01010101u) << x << " " << y << " " << weight;
            }
    }
}

TEST(PixelBlend, BlendRectAtCutsNegativePointsAndClipsToBothBitmaps) {
    auto dst = FilledBitmap(6, 6, 0xFF000000u);
    auto src = FilledBitmap(4, 4, 0xFFFFFFFFu);
    PixelAt(*src, 0, 0) = 0xFF102030u;  // cut away by the negative point
    BlendRectAt(*dst, *src, 0, RECT{0, 0, 4, 4}, POINT{-1, 4});
    EXPECT_EQ(PixelAt(*dst, 0, 4), 0xFEFEFEFEu);
    EXPECT_EQ(PixelAt(*dst, 2, 5), 0xFEFEFEFEu);
    EXPECT_EQ(PixelAt(*dst, 3, 5), 0xFF000000u);  // beyond the source's width after the cut
    EXPECT_EQ(PixelAt(*dst, 0, 3), 0xFF000000u);
}

TEST(PixelBlend, PercentBlendsRoundHalvesToEven) {
    struct Case {
        int percent;
        std::uint32_t pixel;
        TColor colour;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {100, 0xFF204060u, clWhite, 0xFF204060u},
        {0, 0xFF204060u, 0x0000FF, 0xFFFF0000u},  // red colour lands in byte 2
        {50, 0x80010203u, clBlack, 0x80000102u},  // 0.5, 1, 1.5 round to even; alpha kept
    };
    for (const Case& c : cases) {
        auto bitmap = FilledBitmap(3, 3, c.pixel);
        BlendRectWithColor(*bitmap, RECT{0, 0, 1, 1}, c.percent, c.colour);  // inclusive edges
        EXPECT_EQ(PixelAt(*bitmap, 1, 1), c.expected) << c.percent;
        EXPECT_EQ(PixelAt(*bitmap, 2, 2), c.pixel);
    }
    EXPECT_EQ(MixColorsByFactor(static_cast<TColor>(0x7F000064), 0x0000C8, 0.5), static_cast<TColor>(0x7F000096));
    EXPECT_EQ(MixColorsHalf(0xFFFFFF, 0), 0x7E7E7E);
}

TEST(PixelBlend, KeyedBlendSkipsKeyPixelsAndClipsTheTarget) {
    auto dst = FilledBitmap(4, 4, 0xFF646464u);
    auto src = FilledBitmap(3, 3, 0xFFC8C8C8u);
    PixelAt(*src, 1, 1) = TransparentKey;
    BlendKeyedRect(*dst, 2, 2, *src, RECT{0, 0, 2, 2}, 0.5, TransparentKey);
    EXPECT_EQ(PixelAt(*dst, 2, 2), 0xFF969696u);
    EXPECT_EQ(PixelAt(*dst, 3, 3), 0xFF646464u);  // the key pixel
    EXPECT_EQ(PixelAt(*dst, 1, 1), 0xFF646464u);
}

TEST(PixelBlend, AlphaRectBlendsBySourceAlpha) {
    auto dst = FilledBitmap(4, 4, 0x40204060u);
    auto src = FilledBitmap(4, 4, 0x00FFFFFFu);
    BlendAlphaRect(RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, *dst, *src, EmptyBackdrop, false);
    EXPECT_EQ(PixelAt(*dst, 1, 1), 0x40204060u);  // alpha 0 changes nothing
    PixelAt(*src, 1, 1) = 0x80FFFFFFu;
    BlendAlphaRect(RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, *dst, *src, EmptyBackdrop, false);
    std::uint32_t p = PixelAt(*dst, 1, 1);
    EXPECT_EQ(ChannelOf(p, 0), ((255 - 0x60) * 128 + 0x60 * 256) >> 8);
    EXPECT_EQ(ChannelOf(p, 3), 0x40 + 128 * (255 - 0x40) / 255);
}

// A control partly outside its parent: key pixels take the backdrop only where the parent's
// picture has pixels, and nothing is read beyond it.
TEST(PixelBlend, KeyPixelsReadTheBackdropOnlyInsideIt) {
    auto parent = FilledBitmap(4, 4, 0xFF0000FFu);
    auto dst = FilledBitmap(6, 6, 0xFF111111u);
    auto src = FilledBitmap(6, 6, TransparentKey);
    TsBackgroundSource behind = InitBackgroundSource(parent.get(), 2, 2);
    BlendAlphaRect(RECT{0, 0, 6, 6}, RECT{0, 0, 6, 6}, *dst, *src, behind, true);
    EXPECT_EQ(PixelAt(*dst, 1, 1), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(*dst, 2, 2), 0xFF111111u);
    dst = FilledBitmap(6, 6, 0xFF111111u);
    DrawAlphaImage(RECT{0, 0, 6, 6}, RECT{0, 0, 6, 6}, *dst, *src, InitBackgroundSource(parent.get(), -3, -3), true,
                   clNone, 100, false);
    EXPECT_EQ(PixelAt(*dst, 4, 4), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(*dst, 0, 0), 0xFF111111u);
}

TEST(PixelBlend, AlphaImageLowersOpacityTintsAndReflects) {
    auto dst = FilledBitmap(4, 8, 0xFF000000u);
    auto src = FilledBitmap(4, 4, 0xFFC86432u);
    DrawAlphaImage(RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, *dst, *src, EmptyBackdrop, false, clNone, 50, true);
    std::uint32_t p = PixelAt(*dst, 0, 0);
    int w = 50 * 255 / 100;
    EXPECT_EQ(ChannelOf(p, 2), (0xC8 * w) >> 8);
    // The mirror starts one row below the image, with a third of the opacity.
    EXPECT_EQ(PixelAt(*dst, 0, 4), 0xFF000000u);
    EXPECT_EQ(ChannelOf(PixelAt(*dst, 0, 5), 2), (0xC8 * ((100 - 50) * 255 / 300 * 255 / 255)) >> 8);
    auto grey = FilledBitmap(1 + 1, 2, 0xFF000000u);
    auto coloured = FilledBitmap(2, 2, 0xFF3C78B4u);  // grey level (180 + 120 + 60) / 3 = 120
    DrawAlphaImage(RECT{0, 0, 2, 2}, RECT{0, 0, 2, 2}, *grey, *coloured, EmptyBackdrop, false, clRed, 0, false);
    EXPECT_EQ(PixelAt(*grey, 1, 1), 0xFF770000u);  // 120 in red, mixed at weight 255
}

TEST(PixelBlend, MaskMixesAndKeyedCopies) {
    auto bitmap = FilledBitmap(2, 2, 0xFF808080u);
    auto mask = FilledBitmap(2, 2, 0xFF000000u);
    PixelAt(*mask, 1, 0) = 0xFFFFFFFFu;
    ApplyColorMask(*bitmap, *mask, clRed);
    EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0xFF807F7Fu);  // a white mask keeps the pixel, up to the shift
    auto dst = FilledBitmap(3, 3, 0x00000000u);
    auto src = FilledBitmap(2, 2, 0x00123456u);
    PixelAt(*src, 0, 0) = TransparentKey;
    CopyKeyedOpaque(*dst, *src, 1, 1, TransparentKey);
    EXPECT_EQ(PixelAt(*dst, 1, 1), 0u);
    EXPECT_EQ(PixelAt(*dst, 2, 2), 0xFF123456u);
}

TEST(PixelBlend, FillsTakeOneRowBitmapsAndClip) {
    auto row = FilledBitmap(5, 1, 0u);
    TacFast32 fast;
    EXPECT_FALSE(fast.Attach(*row));
    FillBitmapRect32(*row, RECT{2, 0, 3, 1}, clBlue);
    EXPECT_EQ(PixelAt(*row, 1, 0), 0u);
    EXPECT_EQ(PixelAt(*row, 4, 0), 0xFF0000FFu);
    auto bitmap = FilledBitmap(3, 3, 0u);
    FillBitmapRect32(*bitmap, RECT{-5, -5, 2, 2}, clWhite);
    EXPECT_EQ(PixelAt(*bitmap, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(*bitmap, 2, 2), 0u);
    ASSERT_TRUE(fast.Attach(*bitmap));
    fast.SetPixel(2, 2, static_cast<TColor>(0x80FF0000));
    EXPECT_EQ(PixelAt(*bitmap, 2, 2), 0x800000FFu);
    EXPECT_EQ(fast.GetPixel(2, 2), static_cast<TColor>(0x80FF0000));
}

}  // namespace
}  // namespace parch
