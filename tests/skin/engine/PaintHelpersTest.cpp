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
        if (c.pixels > 0) {
            EXPECT_EQ(Rgb(bitmap, c.tip.x, c.tip.y), 0xFFFFFFu) << "kind " << c.kind;
        }
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

namespace parch {
namespace {

using test::FilledBitmap;
using test::PixelAt;

TEST(ButtonLayout, GlyphAndCaptionPlaces) {
    struct Case {
        const char* what;
        RECT client;
        SIZE text;
        int layout, alignment, margin, spacing;
        unsigned biDi;
        POINT glyph;
        RECT textBounds;
    };
    const SIZE glyph{16, 16};
    const Case cases[] = {
        {"automatic margin and spacing", {0, 0, 100, 30}, {40, 12}, 0, 0, -1, -1, 0, {14, 7}, {44, 9, 84, 21}},
        {"moved with the client", {10, 5, 110, 35}, {40, 12}, 0, 0, -1, -1, 0, {24, 12}, {54, 14, 94, 26}},
        {"a long caption is cut at the client", {0, 0, 100, 30}, {90, 12}, 0, 0, 5, 4, 0, {5, 7}, {25, 9, 95, 21}},
        {"right to left puts the glyph right", {0, 0, 100, 30}, {40, 12}, 0, 0, -1, -1, 2, {68, 7}, {14, 9, 54, 21}},
        {"centred with a given spacing", {0, 0, 100, 30}, {40, 12}, 0, 2, -1, 4, 0, {20, 7}, {40, 9, 80, 21}},
        {"glyph right, aligned right", {0, 0, 100, 30}, {40, 12}, 1, 1, 3, -1, 0, {81, 7}, {21, 9, 61, 21}},
        {"glyph above", {0, 0, 60, 80}, {30, 12}, 2, 0, -1, -1, 0, {22, 17}, {15, 50, 45, 62}},
        {"glyph below", {0, 0, 60, 80}, {30, 12}, 3, 0, -1, -1, 0, {22, 47}, {15, 18, 45, 30}},
        {"no caption: no spacing, margin 2", {0, 0, 100, 30}, {0, 12}, 0, 0, -1, -1, 0, {2, 7}, {18, 9, 18, 21}},
    };
    for (const Case& c : cases) {
        POINT glyphPos{};
        RECT textBounds{};
        CalcButtonLayout(c.client, glyph, c.text, c.layout, c.alignment, c.margin, c.spacing, glyphPos, textBounds, c.biDi);
        EXPECT_EQ(glyphPos.x, c.glyph.x) << c.what;
        EXPECT_EQ(glyphPos.y, c.glyph.y) << c.what;
        EXPECT_EQ(textBounds.left, c.textBounds.left) << c.what;
        EXPECT_EQ(textBounds.top, c.textBounds.top) << c.what;
        EXPECT_EQ(textBounds.right, c.textBounds.right) << c.what;
        EXPECT_EQ(textBounds.bottom, c.textBounds.bottom) << c.what;
    }
}

TEST(PaintHelpers, TilesRepeatFromTheTopLeftAndStopAtTheRectangle) {
    auto tile = FilledBitmap(3, 2, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) PixelAt(*tile, x, y) = 0xFF000000u | static_cast<std::uint32_t>(10 * y + x + 1);
    auto target = FilledBitmap(10, 7, 0xFF000000u);
    TileBitmapOnCanvas(target->Canvas(), RECT{1, 1, 9, 6}, tile.get());
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 10; ++x) {
            bool inside = x >= 1 && x < 9 && y >= 1 && y < 6;
            std::uint32_t expected = inside ? static_cast<std::uint32_t>(10 * ((y - 1) % 2) + (x - 1) % 3 + 1) : 0u;
            EXPECT_EQ(PixelAt(*target, x, y) & 0xFFFFFFu, expected) << x << "," << y;
        }
    }
    TBitmap empty;
    TileBitmapOnCanvas(target->Canvas(), RECT{0, 0, 10, 7}, &empty);
    EXPECT_EQ(PixelAt(*target, 0, 0) & 0xFFFFFFu, 0u);
}

TEST(PaintHelpers, NestedOutlinesLightAboveLeftDarkBelowRight) {
    auto bitmap = FilledBitmap(10, 10, 0xFF000000u);
    RECT r{0, 0, 10, 10};
    int count = 2;
    DrawNestedOutlines(bitmap->Canvas().Handle(), r, clRed, clBlue, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.bottom, 8);
    struct Probe {
        int x, y;
        std::uint32_t rgb;  // bitmap bytes: red 0xFF0000, blue 0x0000FF
    };
    const Probe probes[] = {{0, 0, 0xFF0000u}, {9, 0, 0xFF0000u}, {0, 9, 0xFF0000u}, {5, 0, 0xFF0000u},
                            {9, 9, 0x0000FFu}, {9, 5, 0x0000FFu}, {5, 9, 0x0000FFu}, {1, 1, 0xFF0000u},
                            {8, 8, 0x0000FFu}, {8, 1, 0xFF0000u}, {2, 2, 0u},        {7, 7, 0u}};
    for (const Probe& p : probes) EXPECT_EQ(PixelAt(*bitmap, p.x, p.y) & 0xFFFFFFu, p.rgb) << p.x << "," << p.y;
}

TEST(PaintHelpers, SmallCheckBoxesFromTheSkinOrTheSystem) {
    HeadlessDisplay display;
    TsSkinManager manager;
    EXPECT_EQ(SmallCheckBoxWidth(&manager), 13);
    EXPECT_EQ(SmallCheckBoxHeight(nullptr), 13);

    // The system look over a backdrop that is smaller than the box asks for: what lies outside
    // it is left alone, nothing is read past its edge.
    auto bitmap = FilledBitmap(30, 20, 0xFF000000u);
    auto backdrop = FilledBitmap(6, 6, 0xFF123456u);
    TsBackgroundSource source{backdrop.get(), 2, 2, TransparentKey, true};
    DrawSmallCheckBox(RECT{0, 0, 30, 20}, 1, true, *bitmap, source, &manager);
    EXPECT_EQ(PixelAt(*bitmap, 0, 0) & 0xFFFFFFu, 0x123456u);
    EXPECT_EQ(PixelAt(*bitmap, 14, 0) & 0xFFFFFFu, 0u);

    test::LoadSections(manager, {test::MakeSection("GLOBALINFO", 0, 0)});
    for (int glyph : {6, 7}) {
        manager.Tables().Masks.push_back(test::MakeMask(manager, "GLOBALINFO", glyph == 6 ? "SMALLCHECKED" : "SMALLUNCHECKED", 24, 9, 0));
        manager.Tables().Masks.back().FrameCount = 3;
        manager.Tables().ConstData.CheckGlyph[static_cast<size_t>(glyph)] = static_cast<std::int16_t>(manager.Tables().Masks.size() - 1);
    }
    EXPECT_EQ(SmallCheckBoxWidth(&manager), 10);
    EXPECT_EQ(SmallCheckBoxHeight(&manager), 9);
    auto skinned = FilledBitmap(30, 20, 0xFF000000u);
    DrawSmallCheckBox(RECT{0, 0, 30, 20}, 0, true, *skinned, EmptyBackdrop, &manager);
    // (30 - 10) / 2 = 10 across, (20 - 9) / 2 = 5 down; one 8-pixel frame.
    EXPECT_EQ(PixelAt(*skinned, 10, 5) & 0xFFFFFFu, 0x606060u);
    EXPECT_EQ(PixelAt(*skinned, 17, 13) & 0xFFFFFFu, 0x606060u);
    EXPECT_EQ(PixelAt(*skinned, 9, 5) & 0xFFFFFFu, 0u);
    EXPECT_EQ(PixelAt(*skinned, 18, 5) & 0xFFFFFFu, 0u);
}

}  // namespace
}  // namespace parch
