#include <gtest/gtest.h>

#include "platform/gdi/TextLayout.h"
#include "skin/engine/sSkinText.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::ChannelOf;
using test::FilledBitmap;
using test::PixelAt;

std::unique_ptr<TBitmap> Caption(int width, int height, std::uint32_t pixel) {
    auto bitmap = FilledBitmap(width, height, pixel);
    bitmap->Canvas().Font().SetName("DejaVu Sans");
    bitmap->Canvas().Font().SetHeight(-14);
    return bitmap;
}

TEST(SkinText, TextPassInksInTheColourAndLeavesTheRest) {
    auto bitmap = Caption(60, 20, 0x00102030u);
    WriteTextPassOnBitmap(*bitmap, "Wg", RECT{0, 0, 60, 20}, DT_SINGLELINE, clRed);
    int inked = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            std::uint32_t p = PixelAt(*bitmap, x, y);
            if (p == 0x00102030u) continue;
            ++inked;
            EXPECT_EQ(p >> 24, 255u);
            EXPECT_GE(ChannelOf(p, 2), 0x10);  // toward red
        }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(PixelAt(*bitmap, 59, 19), 0x00102030u);
    // Beyond the target's edges nothing is written.
    auto edge = Caption(10, 10, 0u);
    WriteTextPassOnBitmap(*edge, "Wg", RECT{-20, -5, 40, 15}, DT_SINGLELINE, clRed);
}

// Captions of the same size must not share a glow; the same caption reuses it.
TEST(SkinText, GlowCacheFollowsTheCaption) {
    auto bitmap = Caption(80, 30, 0xFFFFFFFFu);
    TsGlowCache cache;
    DrawTextWithGlow(*bitmap, "Open", RECT{10, 5, 70, 25}, cache, clBlue, 3, 0, DT_SINGLELINE);
    std::vector<std::uint8_t> open = cache.Values;
    DrawTextWithGlow(*bitmap, "Open", RECT{10, 5, 70, 25}, cache, clBlue, 3, 0, DT_SINGLELINE);
    EXPECT_EQ(cache.Renders, 1);
    DrawTextWithGlow(*bitmap, "Save", RECT{10, 5, 70, 25}, cache, clBlue, 3, 0, DT_SINGLELINE);
    EXPECT_EQ(cache.Renders, 2);
    EXPECT_NE(cache.Values, open);
    std::uint32_t near = PixelAt(*bitmap, 20, 15);
    EXPECT_LT(ChannelOf(near, 2), 255);  // the white turned toward blue
    EXPECT_EQ(ChannelOf(near, 0), 255);
    // Size 0: the text's own coverage, unblurred.
    TsGlowCache sharp;
    DrawTextWithGlow(*bitmap, "Open", RECT{10, 5, 70, 25}, sharp, clBlue, 0, 0, DT_SINGLELINE);
    int dark = 0;
    for (std::uint8_t v : sharp.Values) dark += v < 64;
    EXPECT_GT(dark, 10);
}

TEST(SkinText, BlurSpreadsAndKeepsFlatPlanes) {
    std::vector<std::uint8_t> plane(21 * 21, 255);
    plane[10 * 21 + 10] = 0;
    BlurGreyPlane(plane, 21, 21, 2);
    EXPECT_GT(plane[10 * 21 + 10], 0);
    EXPECT_LT(plane[10 * 21 + 12], 255);
    std::vector<std::uint8_t> flat(16, 200);
    BlurGreyPlane(flat, 4, 4, 0);
    EXPECT_EQ(flat, std::vector<std::uint8_t>(16, 200));
}

TEST(SkinText, EllipsisShortensFromTheEnd) {
    auto bitmap = Caption(10, 10, 0u);
    TCanvas& canvas = bitmap->Canvas();
    EXPECT_EQ(FitTextWithEllipsis(canvas, "Document", 0), "");
    EXPECT_EQ(FitTextWithEllipsis(canvas, "Doc", 1000), "Doc");
    std::string cut = FitTextWithEllipsis(canvas, "Documents and pages", canvas.TextWidth("Documents..."));
    EXPECT_EQ(cut, "Documents...");
    EXPECT_EQ(FitTextWithEllipsis(canvas, "Ärger", canvas.TextWidth("Ä...")), "Ä...");
    EXPECT_EQ(FitTextWithEllipsis(canvas, "Wide", 2), "");
}

}  // namespace
}  // namespace parch
