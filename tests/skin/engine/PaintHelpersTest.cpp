// Small painting helpers and non-client frames from borders masks.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/graphics/Canvas.h"
#include "platform/display/HeadlessDisplay.h"
#include "skin/engine/sControlPaint.h"
#include "skin/engine/sPaintHelpers.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::PixelAt;

constexpr std::uint32_t kBlank = 0xFF000000u;

std::uint32_t Rgb(TBitmap& bitmap, int x, int y) { return PixelAt(bitmap, x, y) & 0xFFFFFFu; }

TEST(PaintHelpers, FrameFillsCoverTheFourStripsOnly) {
    struct Probe {
        int x, y;
        bool inFrame;
    };
    // R (1, 1, 11, 11); left 1, top 2, right 3, bottom 4.
    const Probe probes[] = {{1, 1, true},  {10, 2, true},  {1, 10, true}, {10, 10, true}, {8, 5, true},
                            {7, 5, false}, {2, 3, false},  {2, 6, false}, {2, 7, true},   {0, 0, false}};
    auto gdi = FilledBitmap(12, 12, kBlank);
    FillFrameWithColor(gdi->Canvas().Handle(), RECT{1, 1, 11, 11}, 1, 2, 3, 4, clRed);
    auto direct = FilledBitmap(12, 12, kBlank);
    FillFrame32(*direct, RECT{1, 1, 11, 11}, 1, 2, 3, 4, clRed);
    for (const Probe& p : probes) {
        EXPECT_EQ(Rgb(*gdi, p.x, p.y), p.inFrame ? 0xFF0000u : 0u) << p.x << "," << p.y;
        EXPECT_EQ(Rgb(*direct, p.x, p.y), p.inFrame ? 0xFF0000u : 0u) << p.x << "," << p.y;
    }
}

TEST(PaintHelpers, FrameStripsCopyFromTheSamePlaces) {
    auto source = FilledBitmap(12, 10, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) PixelAt(*source, x, y) = 0xFF000000u | static_cast<std::uint32_t>(y * 12 + x + 1);
    auto target = FilledBitmap(12, 10, kBlank);
    CopyFrameStrips(target->Canvas().Handle(), 1, 1, 10, 8, source->Canvas().Handle(), 1, 1, 2);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            bool inRect = x >= 1 && x < 11 && y >= 1 && y < 9;
            bool inStrip = inRect && (x < 3 || x >= 9 || y < 3 || y >= 7);
            EXPECT_EQ(Rgb(*target, x, y), inStrip ? Rgb(*source, x, y) : 0u) << x << "," << y;
        }
    }
}

TEST(PaintHelpers, SmallArrowsPointRightAndDown) {
    struct Case {
        int kind;
        int pixels;
        POINT tip;
    };
    for (Case c : {Case{4, 16, {6, 4}}, Case{8, 20, {4, 5}}, Case{5, 0, {0, 0}}}) {
        TBitmap bitmap(9, 9, pf32bit);
        bitmap.Canvas().Brush().SetColor(clBlack);
        bitmap.Canvas().FillRect(RECT{0, 0, 9, 9});
        DrawSmallArrow(bitmap.Canvas(), clWhite, RECT{0, 0, 9, 9}, c.kind);
        int count = 0;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x) count += Rgb(bitmap, x, y) == 0xFFFFFFu;
        EXPECT_EQ(count, c.pixels) << "kind " << c.kind;
        if (c.pixels > 0) EXPECT_EQ(Rgb(bitmap, c.tip.x, c.tip.y), 0xFFFFFFu) << "kind " << c.kind;
    }
}

TEST(PaintHelpers, DottedFramesMarkEveryThirdPixel) {
    TBitmap bitmap(12, 9, pf32bit);
    bitmap.Canvas().Brush().SetColor(clBlack);
    bitmap.Canvas().FillRect(RECT{0, 0, 12, 9});
    DrawDottedFrame(bitmap.Canvas(), RECT{1, 1, 11, 8}, clBlue, clWhite);
    struct Probe {
        int x, y;
        std::uint32_t rgb;
    };
    const Probe probes[] = {{1, 1, 0xFFFFFF}, {4, 1, 0xFFFFFF}, {3, 1, 0x0000FF}, {5, 1, 0},        {10, 7, 0xFFFFFF},
                            {1, 4, 0xFFFFFF}, {1, 3, 0x0000FF}, {10, 4, 0xFFFFFF}, {5, 4, 0},       {7, 7, 0xFFFFFF}};
    for (const Probe& p : probes) EXPECT_EQ(Rgb(bitmap, p.x, p.y), p.rgb) << p.x << "," << p.y;
}

TEST(PaintHelpers, ByteChannelsCopyBothWays) {
    auto wide = FilledBitmap(3, 2, 0);
    for (int i = 0; i < 6; ++i) PixelAt(*wide, i % 3, i / 3) = 0x10203040u + static_cast<std::uint32_t>(i);
    TBitmap narrow(3, 2, pf8bit);
    CopyByteChannel(*wide, narrow, 3, true);
    EXPECT_EQ(narrow.ScanLine(1)[2], 0x10);
    CopyByteChannel(*wide, narrow, 0, true);
    EXPECT_EQ(narrow.ScanLine(1)[2], 0x45);
    narrow.ScanLine(0)[1] = 0xEE;
    CopyByteChannel(*wide, narrow, 2, false);
    EXPECT_EQ(PixelAt(*wide, 1, 0), 0x10EE3041u);
}

TEST(PaintHelpers, FontMeasuresGrowWithTextAndSize) {
    HeadlessDisplay display;
    TFont small;
    small.SetSize(8);
    TFont large;
    large.SetSize(20);
    EXPECT_GT(GetFontLineHeight(large.Handle()), GetFontLineHeight(small.Handle()));
    EXPECT_GT(GetFontLineHeight(small.Handle()), 6);
    SIZE one = GetFontTextSize(small.Handle(), "W");
    SIZE two = GetFontTextSize(small.Handle(), "WW");
    EXPECT_GT(one.cx, 0);
    EXPECT_GT(two.cx, one.cx);
    EXPECT_EQ(GetFontTextSize(small.Handle(), "").cx, 0);
}

class NonClientFrame : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadSections(manager, {test::MakeSection("RED", 0x000000FF, 0)});
        manager.Tables().Masks.push_back(test::MakeMask(manager, "RED", "BORDERSMASK", 30, 30, 4));
        form.SetBounds(0, 0, 200, 100);
        form.Show();
        panel = new test::TsPanel(&form, 0);
        panel->SetParent(&form);
        panel->SetBounds(0, 0, 40, 30);
        panel->SkinData.SetSkinSection("RED");
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
    test::TsPanel* panel = nullptr;
};

TEST_F(NonClientFrame, MaskFramesGoIntoTheCacheAndOnlyTheStripsToTheTarget) {
    panel->SkinData.BordersMaskIndex = 0;
    auto target = FilledBitmap(40, 30, kBlank);
    RECT inner{};
    PaintNonClientFrame(target->Canvas().Handle(), RECT{0, 0, 40, 30}, 0, panel->SkinData, 0, inner);
    EXPECT_EQ(inner.left, 4);
    EXPECT_EQ(inner.bottom, 26);
    EXPECT_EQ(Rgb(*panel->SkinData.CacheBitmap, 1, 1), 0x606060u);
    EXPECT_EQ(Rgb(*target, 1, 1), 0u);

    // A frame wider than the mask's borders: the gap takes the section colour, the strips are
    // copied out.
    PaintNonClientFrame(target->Canvas().Handle(), RECT{0, 0, 40, 30}, 6, panel->SkinData, 0, inner);
    EXPECT_EQ(inner.left, 6);
    EXPECT_EQ(inner.right, 34);
    EXPECT_EQ(Rgb(*panel->SkinData.CacheBitmap, 5, 15), 0xFF0000u);
    EXPECT_EQ(Rgb(*target, 1, 1), 0x606060u);
    EXPECT_EQ(Rgb(*target, 5, 15), 0xFF0000u);
    EXPECT_EQ(Rgb(*target, 20, 15), 0u);
}

TEST_F(NonClientFrame, WithoutAMaskTheFrameIsAPlainColour) {
    panel->SkinData.BordersMaskIndex = -1;
    auto target = FilledBitmap(40, 30, kBlank);
    RECT inner{};
    PaintNonClientFrame(target->Canvas().Handle(), RECT{0, 0, 40, 30}, 3, panel->SkinData, 0, inner);
    EXPECT_EQ(Rgb(*target, 2, 15), 0xFF0000u);
    EXPECT_EQ(Rgb(*target, 3, 15), 0u);
    EXPECT_EQ(inner.left, 3);
    EXPECT_EQ(inner.bottom, 27);
}

}  // namespace
}  // namespace parch
