#include <gtest/gtest.h>

#include "platform/gdi/GdiObject.h"
#include "skin/engine/sBackdrop.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::PixelAt;

TEST(Backdrop, AnswersBecomeBackdrops) {
    TBitmap parent;
    TsBackgroundRequest request;
    request.Kind = 2;
    request.Bmp = &parent;
    request.X = 5;
    request.Y = -3;
    TsBackgroundSource source = BackdropFromQuery(request);
    EXPECT_TRUE(source.Valid);
    EXPECT_EQ(source.Bmp, &parent);
    EXPECT_EQ(source.X, 5);
    EXPECT_EQ(source.Color, TransparentKey);
    request.Kind = 1;
    request.Color = static_cast<std::uint32_t>(clBtnFace);
    source = BackdropFromQuery(request);
    EXPECT_FALSE(source.Valid);
    EXPECT_EQ(source.Bmp, nullptr);
    EXPECT_EQ(source.Color, ColorToRGB(clBtnFace));
}

TEST(Backdrop, KeyRunsLeaveTheRegion) {
    auto bitmap = FilledBitmap(5, 3, 0xFF808080u);
    PixelAt(*bitmap, 1, 0) = PixelAt(*bitmap, 2, 0) = TransparentKey;
    PixelAt(*bitmap, 4, 2) = TransparentKey;
    PixelAt(*bitmap, 0, 1) = 0xFFFF00FFu;  // opaque magenta is kept
    std::vector<RECT> runs;
    CollectColorRuns(runs, *bitmap, static_cast<TColor>(TransparentKey));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].left, 1);
    EXPECT_EQ(runs[0].right, 3);
    EXPECT_EQ(runs[1].top, 2);
    HRGN region = RegionFromBitmap(*bitmap, TransparentKey);
    EXPECT_FALSE(PtInRegion(region, 1, 0));
    EXPECT_FALSE(PtInRegion(region, 2, 0));
    EXPECT_TRUE(PtInRegion(region, 3, 0));
    EXPECT_TRUE(PtInRegion(region, 0, 1));
    EXPECT_FALSE(PtInRegion(region, 4, 2));
    DeleteObject(region);
}

}  // namespace
}  // namespace parch
