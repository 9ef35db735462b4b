#include "pdf/images/ScrivletDither.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Bitmaps.h"

namespace parch {
namespace {

std::unique_ptr<TBitmap> DitherSource(int width, int height, const std::function<int(int x, int y)>& grey) {
    auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        BYTE* row = bitmap->ScanLine(y);
        for (int x = 0; x < width; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<BYTE>(grey(x, y));
    }
    return bitmap;
}

int DitherOnes(TBitmap& dithered) {
    int ones = 0;
    for (int y = 0; y < dithered.Height(); ++y)
        for (int x = 0; x < dithered.Width(); ++x) {
            const BYTE index = dithered.ScanLine(y)[x];
            EXPECT_LE(index, 1) << x << "," << y;
            ones += index;
        }
    return ones;
}

TEST(Dither, MonochromeLookupSplitsAboveTheThreshold) {
    const TMonochromeLookup lookup;
    int r = -1, g = -1, b = -1;
    // 77 + 150 + 29 = 256, so grey 127 weighs exactly 32,512: not above, black.
    EXPECT_EQ(lookup.MapColor(127, 127, 127, r, g, b), 0);
    EXPECT_EQ(r + g + b, 0);
    EXPECT_EQ(lookup.MapColor(128, 128, 128, r, g, b), 1);
    EXPECT_EQ(r + g + b, 3 * 255);
    EXPECT_EQ(lookup.MapColor(0, 255, 0, r, g, b), 1);
    EXPECT_EQ(lookup.MapColor(255, 0, 0, r, g, b), 0);
}

TEST(Dither, SourcesGiveTheirShareOfWhite) {
    struct Case {
        const char* What;
        int Width, Height;
        std::function<int(int, int)> Grey;
        int MinOnes, MaxOnes;
    };
    const std::vector<Case> cases = {
        {"white", 16, 16, [](int, int) { return 255; }, 256, 256},
        {"black", 16, 16, [](int, int) { return 0; }, 0, 0},
        {"mid-grey", 32, 32, [](int, int) { return 128; }, 1024 * 45 / 100, 1024 * 55 / 100},
        {"one pixel wide mid-grey", 1, 64, [](int, int) { return 128; }, 64 * 40 / 100, 64 * 60 / 100},
        {"one pixel", 1, 1, [](int, int) { return 127; }, 0, 0},
        {"quarter grey", 40, 40, [](int, int) { return 64; }, 1600 * 20 / 100, 1600 * 30 / 100},
    };
    for (const Case& c : cases) {
        auto source = DitherSource(c.Width, c.Height, c.Grey);
        TBitmap dithered;
        DitherToMonochrome(*source, dithered);
        ASSERT_EQ(dithered.PixelFormat(), pf8bit) << c.What;
        ASSERT_EQ(dithered.Width(), c.Width) << c.What;
        ASSERT_EQ(dithered.Height(), c.Height) << c.What;
        const int ones = DitherOnes(dithered);
        EXPECT_GE(ones, c.MinOnes) << c.What;
        EXPECT_LE(ones, c.MaxOnes) << c.What;
    }
}

// Worked by hand: a row of greys 100, 200, 60, 240 left to right, then 125 starting the next
// row from the right, where the kernel mirrors.
TEST(Dither, StuckiSpreadsTheErrorOverThreeRowsAndMirrorsOnTheWayBack) {
    const TMonochromeLookup lookup;
    TStuckiDitherer ditherer(4, lookup);
    std::vector<int> indices;
    int r = 0, g = 0, b = 0;
    for (const int grey : {100, 200, 60, 240}) indices.push_back(ditherer.DitherPixel(grey, grey, grey, r, g, b));
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 0, 1}));
    ditherer.NextRow();
    EXPECT_EQ(ditherer.Direction(), -1);
    EXPECT_EQ(ditherer.Column(), 3);
    const auto row = [&](int channel, int which) {
        std::vector<int> entries;
        for (int e = 0; e < 8; ++e) entries.push_back(ditherer.ErrorAt(channel, which, e));
        return entries;
    };
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(row(channel, 0), (std::vector<int>{200, 328, 782, 352, 536, 132, 102, -12})) << channel;
        EXPECT_EQ(row(channel, 1), (std::vector<int>{100, 164, 391, 176, 268, 66, 51, -6})) << channel;
        EXPECT_EQ(row(channel, 2), std::vector<int>(8, 0)) << channel;
    }
    // 125 + (132 + 21) / 42 = 128: white, error -127 spread leftwards.
    EXPECT_EQ(ditherer.DitherPixel(125, 125, 125, r, g, b), 1);
    EXPECT_EQ(ditherer.ErrorAt(0, 0, 4), 536 - 8 * 127);
    EXPECT_EQ(ditherer.ErrorAt(0, 0, 3), 352 - 4 * 127);
    EXPECT_EQ(ditherer.ErrorAt(0, 1, 7), -6 - 2 * 127);
    EXPECT_EQ(ditherer.ErrorAt(0, 2, 3), -127);
    EXPECT_EQ(ditherer.Column(), 2);
}

// The pixel-by-pixel walk through the engine classes, serpentine as the page dithering walks.
std::vector<int> EngineIndices(TBitmap& source) {
    const TMonochromeLookup lookup;
    TStuckiDitherer ditherer(source.Width(), lookup);
    std::vector<int> indices(static_cast<std::size_t>(source.Width()) * source.Height());
    for (int y = 0; y < source.Height(); ++y) {
        const BYTE* row = source.ScanLine(y);
        for (int x = ditherer.Column(); x >= 0 && x < source.Width(); x = ditherer.Column()) {
            int r = 0, g = 0, b = 0;
            indices[static_cast<std::size_t>(y) * source.Width() + x] =
                ditherer.DitherPixel(row[3 * x + 2], row[3 * x + 1], row[3 * x], r, g, b);
        }
        ditherer.NextRow();
    }
    return indices;
}

// Bitmap dithering takes shortcuts (whole rows of carried error, a one-channel walk for grey
// sources); it must still choose every pixel as the engine does, in colour as in grey.
TEST(Dither, BitmapDitheringMatchesTheEnginePixelByPixel) {
    struct Case {
        const char* What;
        int Width, Height;
        bool Colour;
    };
    const Case cases[] = {
        {"colour", 37, 23, true}, {"grey", 37, 23, false}, {"colour one wide", 1, 9, true},
        {"grey two wide", 2, 9, false}, {"colour three wide", 3, 5, true}, {"colour one row", 50, 1, true},
    };
    std::uint32_t noise = 12345;
    const auto next = [&noise] {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        return static_cast<BYTE>(noise);
    };
    for (const Case& c : cases) {
        TBitmap source(c.Width, c.Height, pf24bit);
        for (int y = 0; y < c.Height; ++y) {
            BYTE* row = source.ScanLine(y);
            for (int x = 0; x < c.Width; ++x) {
                const BYTE grey = next();
                for (int channel = 0; channel < 3; ++channel) row[3 * x + channel] = c.Colour ? next() : grey;
            }
        }
        TBitmap dithered;
        DitherToMonochrome(source, dithered);
        std::vector<int> indices;
        for (int y = 0; y < c.Height; ++y)
            for (int x = 0; x < c.Width; ++x) indices.push_back(dithered.ScanLine(y)[x]);
        EXPECT_EQ(indices, EngineIndices(source)) << c.What;
    }
}

TEST(Dither, TheTwoIndicesStayBlackAndWhiteInOneBitForm) {
    auto source = DitherSource(16, 4, [](int x, int) { return x < 8 ? 0 : 255; });
    TBitmap dithered;
    DitherToMonochrome(*source, dithered);
    dithered.SetPixelFormat(pf1bit);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(dithered.ScanLine(y)[0], 0x00) << y;
        EXPECT_EQ(dithered.ScanLine(y)[1], 0xFF) << y;
    }
}

TEST(Dither, OnlyTwentyFourBitSourcesOtherThanTheDestinationAreTaken) {
    TBitmap source(4, 4, pf8bit);
    TBitmap dithered;
    EXPECT_THROW(DitherToMonochrome(source, dithered), EInvalidGraphic);
    TBitmap both(4, 4, pf24bit);
    EXPECT_THROW(DitherToMonochrome(both, both), EInvalidGraphic);
    EXPECT_EQ(both.PixelFormat(), pf24bit);
}

}  // namespace
}  // namespace parch
