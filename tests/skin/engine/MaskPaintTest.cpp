#include <gtest/gtest.h>

#include "platform/gdi/GdiObject.h"
#include "skin/engine/sMaskFrames.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSkinManager.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::PixelAt;

// A master bitmap holding one borders mask of two 9 x 9 frames with 3-pixel borders; every
// pixel's value names its frame, column and row, so the tests can tell where it came from.
class MaskPaint : public ::testing::Test {
protected:
    static constexpr int kFrame = 9;
    static std::uint32_t Source(int frame, int x, int y) {
        return 0xFF000000u | static_cast<std::uint32_t>(frame << 16 | x << 8 | y);
    }

    void SetUp() override {
        manager.Tables().MasterBitmap = NewPf32Bitmap(2 * kFrame, 2 * kFrame);
        for (int f = 0; f < 2; ++f)
            for (int y = 0; y < kFrame; ++y)
                for (int x = 0; x < kFrame; ++x) {
                    PixelAt(Master(), f * kFrame + x, y) = Source(f, x, y);
                    PixelAt(Master(), f * kFrame + x, kFrame + y) = 0xFF000000u;  // mask: black shows the picture
                }
        mask.OwnerManager = &manager;
        mask.SourceRect = RECT{0, 0, 2 * kFrame, kFrame};
        mask.FrameCount = 2;
        mask.LeftWidth = mask.TopWidth = mask.RightWidth = mask.BottomWidth = 3;
    }
    TBitmap& Master() { return *manager.Tables().MasterBitmap; }

    // Where the nine-part rule takes target pixel (x, y) of a W x H rectangle from: tiles of the
    // 3-pixel middle, or the middle stretched.
    static int SourceAxis(int t, int size, int border, bool stretch) {
        if (t < border) return t;
        if (t >= size - border) return kFrame - (size - t);
        int middle = kFrame - 2 * border;
        return border + (stretch ? (t - border) * middle / (size - 2 * border) : (t - border) % middle);
    }

    TsSkinManager manager;
    TsMaskData mask;
};

TEST_F(MaskPaint, NinePartsTileOrStretchAndSkipTheCentre) {
    for (bool stretch : {false, true}) {
        mask.DrawFlags = stretch ? 1 : 0;
        auto target = FilledBitmap(16, 13, 0xFF777777u);
        DrawBordersMask(*target, RECT{1, 1, 15, 12}, EmptyBackdrop, mask, 1, false);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 14; ++x) {
                bool centre = x >= 3 && x < 11 && y >= 3 && y < 8;
                std::uint32_t expected = centre ? 0xFF777777u
                                                : Source(1, SourceAxis(x, 14, 3, stretch), SourceAxis(y, 11, 3, stretch));
                ASSERT_EQ(PixelAt(*target, x + 1, y + 1), expected) << stretch << " " << x << "," << y;
            }
        EXPECT_EQ(PixelAt(*target, 0, 0), 0xFF777777u);
        mask.DrawFlags |= 4;  // with the centre
        DrawBordersMask(*target, RECT{1, 1, 15, 12}, EmptyBackdrop, mask, 1, false);
        EXPECT_EQ(PixelAt(*target, 6, 5), Source(1, SourceAxis(5, 14, 3, stretch), SourceAxis(4, 11, 3, stretch)));
    }
}

TEST_F(MaskPaint, BordersShrinkToHalvesOfSmallRectangles) {
    mask.LeftWidth = mask.TopWidth = mask.RightWidth = mask.BottomWidth = 4;  // middle of 1
    struct Case {
        int size, firstRight;  // first column taken from the right border
    };
    for (Case c : {Case{10, 5}, Case{9, 5}, Case{7, 4}}) {
        auto target = FilledBitmap(c.size, c.size, 0u);
        DrawBordersMask(*target, RECT{0, 0, c.size, c.size}, EmptyBackdrop, mask, 0, false);
        EXPECT_EQ(PixelAt(*target, c.firstRight - 1, 0), Source(0, c.firstRight - 1, 0)) << c.size;
        EXPECT_EQ(PixelAt(*target, c.firstRight, 0), Source(0, kFrame - (c.size - c.firstRight), 0)) << c.size;
    }
    auto thin = FilledBitmap(4, 4, 0u);
    DrawBordersMask(*thin, RECT{0, 0, 1, 4}, EmptyBackdrop, mask, 0, false);
    EXPECT_EQ(PixelAt(*thin, 0, 0), 0u);
}

// A bitmap with rows but no columns holds no pixels at all: painting into it draws nothing
// instead of asking for rows it does not have.
TEST_F(MaskPaint, ABitmapWithoutColumnsTakesNothing) {
    TBitmap empty;
    empty.SetPixelFormat(pf32bit);
    empty.SetSize(0, 5);
    ASSERT_EQ(empty.Height(), 5);
    EXPECT_NO_THROW(DrawBordersMask(empty, RECT{0, 0, 10, 5}, EmptyBackdrop, mask, 0, false));
    mask.ExtraBands = 1;
    mask.SourceRect = RECT{0, 0, 2 * kFrame, kFrame / 2};
    EXPECT_NO_THROW(DrawMaskGlyph(empty, POINT{0, 0}, 0, 1, mask, EmptyBackdrop));
}

TEST_F(MaskPaint, StatesPickFramesClampedBothWays) {
    struct Case {
        int state, flags, frame;  // frame -1: nothing drawn
    };
    for (Case c : {Case{0, 0, 0}, Case{5, 0, 1}, Case{-3, 0, 0}, Case{0, 2, -1}, Case{1, 2, 1}}) {
        mask.DrawFlags = static_cast<std::int16_t>(c.flags);
        auto target = FilledBitmap(9, 9, 0u);
        DrawBordersMask(*target, RECT{0, 0, 9, 9}, EmptyBackdrop, mask, c.state, false);
        EXPECT_EQ(PixelAt(*target, 0, 0), c.frame < 0 ? 0u : Source(c.frame, 0, 0)) << c.state;
        auto glyph = FilledBitmap(9, 9, 0u);
        DrawMaskGlyph(*glyph, POINT{0, 0}, c.state, 1, mask, EmptyBackdrop);
        EXPECT_EQ(PixelAt(*glyph, 8, 8), Source(std::max(c.frame, c.state > 0 ? 1 : 0), 8, 8)) << c.state;
    }
}

TEST_F(MaskPaint, KeyCornersShowTheBackdropInsideItOnly) {
    PixelAt(Master(), 0, 0) = PixelAt(Master(), 1, 0) = TransparentKey;
    mask.CornerKind = 1;
    auto behind = FilledBitmap(3, 3, 0xFF123456u);
    auto target = FilledBitmap(9, 9, 0u);
    // The target lies one pixel left of and above the backdrop's picture.
    DrawBordersMask(*target, RECT{0, 0, 9, 9}, InitBackgroundSource(behind.get(), -1, -1), mask, 0, true);
    EXPECT_EQ(PixelAt(*target, 0, 0), 0u);  // behind it: outside the backdrop, left alone
    EXPECT_EQ(PixelAt(*target, 1, 0), 0u);
    auto inside = FilledBitmap(9, 9, 0u);
    DrawBordersMask(*inside, RECT{0, 0, 9, 9}, InitBackgroundSource(behind.get(), 0, 0), mask, 0, true);
    EXPECT_EQ(PixelAt(*inside, 1, 0), 0xFF123456u);
    auto unknown = FilledBitmap(9, 9, 0u);
    TsBackgroundSource colour;
    colour.Color = 0x0000FF;
    DrawBordersMask(*unknown, RECT{0, 0, 9, 9}, colour, mask, 0, true);
    EXPECT_EQ(PixelAt(*unknown, 0, 0), 0xFFFF0000u);
    // Nothing known behind: the key colour is not painted as if it were one.
    auto nothingKnown = FilledBitmap(9, 9, 0xFF010203u);
    DrawBordersMask(*nothingKnown, RECT{0, 0, 9, 9}, EmptyBackdrop, mask, 0, true);
    EXPECT_EQ(PixelAt(*nothingKnown, 0, 0), 0xFF010203u);
    auto glyph = FilledBitmap(9, 9, 0xFF010203u);
    DrawMaskGlyph(*glyph, POINT{0, 0}, 0, 1, mask, EmptyBackdrop);
    EXPECT_EQ(PixelAt(*glyph, 1, 0), 0xFF010203u);
    EXPECT_EQ(PixelAt(*glyph, 2, 0), Source(0, 2, 0));
}

TEST_F(MaskPaint, MaskBandsMixPictureAndTarget) {
    mask.ExtraBands = 1;
    mask.SourceRect.bottom = 2 * kFrame;
    PixelAt(Master(), 1, kFrame) = 0xFFFFFFFFu;  // white: keeps the target
    PixelAt(Master(), 2, kFrame) = 0xFF808080u;
    auto target = FilledBitmap(9, 9, 0xFF000000u);
    DrawBordersMask(*target, RECT{0, 0, 9, 9}, EmptyBackdrop, mask, 0, false);
    EXPECT_EQ(PixelAt(*target, 0, 0), Source(0, 0, 0));
    EXPECT_EQ(PixelAt(*target, 1, 0) & 0xFFFFFFu, 0u);
    std::uint32_t s = Source(0, 2, 0);
    std::uint32_t half = ((0u - ((s >> 8) & 0xFF)) * 128 + ((s >> 8) & 0xFF) * 256) >> 8 & 0xFF;
    EXPECT_EQ((PixelAt(*target, 2, 0) >> 8) & 0xFF, half);
    // A glyph through its mask grows the target's alpha.
    auto glyph = FilledBitmap(9, 9, 0x00000000u);
    DrawMaskGlyph(*glyph, POINT{-1, 0}, 0, 1, mask, EmptyBackdrop);
    EXPECT_EQ(PixelAt(*glyph, 0, 0) & 0xFFFFFFu, 0u);  // source column 1: white mask
    EXPECT_EQ(PixelAt(*glyph, 2, 0), Source(0, 3, 0));
    EXPECT_EQ(PixelAt(*glyph, 1, 0) >> 24, 127u);
}

// Key-coloured corner pixels stay out of the region, also those it already lacked.
TEST_F(MaskPaint, BordersOnlyCutKeyCornersFromTheRegion) {
    PixelAt(Master(), 1, 0) = TransparentKey | 0xFF000000u;  // a run in the middle of a row
    PixelAt(Master(), 2, 2) = TransparentKey | 0xFF000000u;  // a run at the end of the corner's row
    auto bitmap = FilledBitmap(12, 12, 0xFF444444u);
    HRGN region = CreateRectRgn(0, 0, 12, 12);
    HRGN missing = CreateRectRgn(1, 0, 2, 1);
    CombineRgn(region, region, missing, RGN_DIFF);
    DeleteObject(missing);
    DrawBordersOnly(*bitmap, region, false, mask, 0);
    EXPECT_FALSE(PtInRegion(region, 1, 0));
    EXPECT_TRUE(PtInRegion(region, 2, 0));
    EXPECT_FALSE(PtInRegion(region, 2, 2));
    EXPECT_TRUE(PtInRegion(region, 0, 0));
    EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0xFF444444u);  // skipped, not drawn
    EXPECT_EQ(PixelAt(*bitmap, 0, 0), Source(0, 0, 0));
    EXPECT_EQ(PixelAt(*bitmap, 11, 11), Source(0, 8, 8));
    EXPECT_EQ(PixelAt(*bitmap, 5, 0), Source(0, 3 + (5 - 3) % 3, 0));  // tiled top edge
    EXPECT_EQ(PixelAt(*bitmap, 6, 6), 0xFF444444u);                  // centre untouched
    DeleteObject(region);
}

TEST_F(MaskPaint, BordersOnlyHalveWideBorders) {
    mask.LeftWidth = mask.RightWidth = 4;
    for (auto [width, firstRight] : {std::pair{7, 4}, std::pair{8, 4}}) {
        auto bitmap = FilledBitmap(width, 9, 0u);
        DrawBordersOnly(*bitmap, nullptr, false, mask, 0);
        EXPECT_EQ(PixelAt(*bitmap, firstRight, 0), Source(0, kFrame - (width - firstRight), 0)) << width;
        EXPECT_EQ(PixelAt(*bitmap, firstRight - 1, 0), Source(0, firstRight - 1, 0)) << width;
    }
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// A 9 x 9 picture of nine 3 x 3 zones, zone k (row by row) holding colour k + 1.
std::unique_ptr<TBitmap> NineZones() {
    auto picture = test::FilledBitmap(9, 9, 0);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) test::PixelAt(*picture, x, y) = 0xFF000000u | static_cast<std::uint32_t>((y / 3) * 3 + x / 3 + 1);
    return picture;
}

int ZoneAt(TBitmap& bitmap, int x, int y) { return static_cast<int>(test::PixelAt(bitmap, x, y) & 0xFFFFFFu); }

TEST(KeepingCorners, CornersStayEdgesAndCentreFill) {
    auto source = NineZones();
    struct Probe {
        int x, y, zone;  // zone 0: left untouched
    };
    struct Case {
        const char* what;
        RECT inner, modes;
        int centreMode;
        bool centre;
        std::vector<Probe> probes;
    };
    const RECT all{3, 3, 3, 3};
    const Case cases[] = {
        {"tiled edges and centre",
         all, RECT{0, 0, 0, 0}, 0, true,
         {{0, 0, 1}, {2, 2, 1}, {7, 1, 2}, {11, 2, 2}, {14, 0, 3}, {12, 2, 3}, {1, 6, 4}, {7, 6, 5}, {13, 8, 6},
          {0, 11, 7}, {8, 10, 8}, {14, 11, 9}}},
        {"stretched edges, no centre",
         all, RECT{1, 1, 1, 1}, 1, false,
         {{1, 5, 4}, {7, 1, 2}, {7, 6, 0}, {13, 6, 6}, {7, 10, 8}}},
        {"an edge mode of 2 draws no edge",
         all, RECT{2, 0, 0, 0}, 0, false,
         {{1, 5, 0}, {13, 5, 6}}},
        {"a smaller inner margin narrows the corner below it",
         RECT{1, 1, 3, 3}, RECT{0, 0, 0, 0}, 0, false,
         {{2, 0, 1}, {0, 2, 1}, {2, 2, 0}, {1, 2, 0}, {5, 0, 2}, {5, 1, 0}, {0, 5, 4}, {1, 5, 0}}},
    };
    for (const Case& c : cases) {
        auto target = test::FilledBitmap(15, 12, 0xFF000000u);
        StretchKeepingCorners(*target, *source, RECT{0, 0, 15, 12}, RECT{0, 0, 9, 9}, all, c.inner, c.modes, c.centreMode,
                              c.centre);
        for (const Probe& p : c.probes) EXPECT_EQ(ZoneAt(*target, p.x, p.y), p.zone) << c.what << " at " << p.x << "," << p.y;
    }
}

TEST(KeepingCorners, CopiesThroughKeyPixelsOnlyAndInsideTheBitmaps) {
    auto source = NineZones();
    auto target = test::FilledBitmap(6, 6, 0xFF000001u);
    test::PixelAt(*target, 1, 1) = 0xFFFF00FFu;
    test::PixelAt(*target, 5, 5) = 0x00FF00FFu;  // the alpha byte does not matter
    // The source rectangle's corner lies near the picture's edge: only what it holds is copied.
    CopyThroughMaskCorner(*target, *source, RECT{0, 0, 6, 6}, RECT{4, 4, 9, 9}, -1, nullptr, 13);
    EXPECT_EQ(ZoneAt(*target, 1, 1), 5);  // source (5, 5)
    EXPECT_EQ(ZoneAt(*target, 0, 0), 1);
    EXPECT_EQ(test::PixelAt(*target, 5, 5) & 0xFFFFFFu, 0xFF00FFu) << "beyond what the source holds";
    CopyThroughMaskCorner(*target, *source, RECT{0, 0, 6, 6}, RECT{0, 0, 9, 9}, 3, nullptr, 13);
    EXPECT_EQ(test::PixelAt(*target, 5, 5) & 0xFFFFFFu, 0xFF00FFu) << "a mask without a manager: nothing";
}

}  // namespace
}  // namespace parch
