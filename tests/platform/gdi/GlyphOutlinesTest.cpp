#include "platform/gdi/GlyphOutlines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>

#include "platform/gdi/FontMatch.h"
#include "tests/platform/gdi/TestFonts.h"

namespace parch {
namespace {

struct GlyphOutlinesBox {
    double left = std::numeric_limits<double>::max(), bottom = left;
    double right = std::numeric_limits<double>::lowest(), top = right;

    void Add(double x, double y) {
        left = std::min(left, x), right = std::max(right, x);
        bottom = std::min(bottom, y), top = std::max(top, y);
    }
};

// The box of every point of the outline, control points included.
GlyphOutlinesBox GlyphOutlinesBoxOf(const GlyphOutline& outline) {
    GlyphOutlinesBox box;
    for (const OutlineCommand& command : outline.Commands) {
        switch (command.Kind) {
        case OutlineCommandKind::CubicTo: box.Add(command.X3, command.Y3); [[fallthrough]];
        case OutlineCommandKind::ConicTo: box.Add(command.X2, command.Y2); [[fallthrough]];
        case OutlineCommandKind::MoveTo:
        case OutlineCommandKind::LineTo: box.Add(command.X1, command.Y1); break;
        case OutlineCommandKind::Close: break;
        }
    }
    return box;
}

int GlyphOutlinesCountOf(const GlyphOutline& outline, OutlineCommandKind kind) {
    return static_cast<int>(std::count_if(outline.Commands.begin(), outline.Commands.end(),
                                          [kind](const OutlineCommand& c) { return c.Kind == kind; }));
}

class GlyphOutlinesTest : public ::testing::Test {
protected:
    std::unique_ptr<OutlineFont> Open(const char* family, bool bold = false, bool italic = false) {
        return OutlineFont::OpenInstalled(matcher_, family, bold, italic);
    }

private:
    FontMatcher matcher_;
};

TEST_F(GlyphOutlinesTest, CapitalAOfNimbusSansHasTheProportionsOfHelvetica) {
    auto font = Open("Nimbus Sans");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->FamilyName(), "Nimbus Sans");
    const std::uint32_t glyph = font->GlyphByName("A");
    ASSERT_NE(glyph, 0u);
    EXPECT_EQ(font->GlyphByUnicode(U'A'), glyph);

    GlyphOutline outline;
    ASSERT_TRUE(font->LoadOutline(glyph, outline));
    const double em = font->UnitsPerEm();
    const GlyphOutlinesBox box = GlyphOutlinesBoxOf(outline);
    // Helvetica's A: about 0.64 em wide, standing on the baseline, its apex a little above
    // the cap height of 0.718 em.
    EXPECT_NEAR((box.right - box.left) / em, 0.64, 0.03);
    EXPECT_NEAR(box.bottom / em, 0.0, 0.005);
    EXPECT_NEAR(box.top / em, 0.72, 0.015);
    EXPECT_NEAR(outline.AdvanceWidth / em, 0.667, 0.002);
    EXPECT_DOUBLE_EQ(font->AdvanceWidth(glyph), outline.AdvanceWidth);
    // The outer contour and the counter, each closed.
    EXPECT_EQ(GlyphOutlinesCountOf(outline, OutlineCommandKind::MoveTo), 2);
    EXPECT_EQ(GlyphOutlinesCountOf(outline, OutlineCommandKind::Close), 2);
    EXPECT_EQ(outline.Commands.back().Kind, OutlineCommandKind::Close);
}

TEST_F(GlyphOutlinesTest, OutlinesKeepTheirCurveKind) {
    // CFF outlines are cubic, TrueType outlines quadratic.
    auto cff = Open("Nimbus Roman");
    auto trueType = Open("Liberation Serif");
    ASSERT_NE(cff, nullptr);
    ASSERT_NE(trueType, nullptr);
    GlyphOutline cubic, quadratic;
    ASSERT_TRUE(cff->LoadOutline(cff->GlyphByName("O"), cubic));
    ASSERT_TRUE(trueType->LoadOutline(trueType->GlyphByUnicode(U'O'), quadratic));
    EXPECT_GT(GlyphOutlinesCountOf(cubic, OutlineCommandKind::CubicTo), 0);
    EXPECT_EQ(GlyphOutlinesCountOf(cubic, OutlineCommandKind::ConicTo), 0);
    EXPECT_GT(GlyphOutlinesCountOf(quadratic, OutlineCommandKind::ConicTo), 0);
    EXPECT_EQ(GlyphOutlinesCountOf(quadratic, OutlineCommandKind::CubicTo), 0);
}

TEST_F(GlyphOutlinesTest, BoldAndItalicFacesAreFound) {
    auto regular = Open("Nimbus Sans");
    auto bold = Open("Nimbus Sans", true, false);
    auto italic = Open("Nimbus Sans", false, true);
    ASSERT_NE(bold, nullptr);
    ASSERT_NE(italic, nullptr);
    GlyphOutline plainI, boldI, italicI;
    ASSERT_TRUE(regular->LoadOutline(regular->GlyphByName("I"), plainI));
    ASSERT_TRUE(bold->LoadOutline(bold->GlyphByName("I"), boldI));
    ASSERT_TRUE(italic->LoadOutline(italic->GlyphByName("I"), italicI));
    const GlyphOutlinesBox plainBox = GlyphOutlinesBoxOf(plainI), boldBox = GlyphOutlinesBoxOf(boldI), italicBox = GlyphOutlinesBoxOf(italicI);
    EXPECT_GT(boldBox.right - boldBox.left, 1.3 * (plainBox.right - plainBox.left));
    // The slanted stem reaches further right at the top than at the bottom.
    EXPECT_GT(italicBox.right - italicBox.left, 1.5 * (plainBox.right - plainBox.left));
}

TEST_F(GlyphOutlinesTest, SymbolFontsAnswerByNameAndByTheirOwnCodes) {
    auto symbol = Open("Standard Symbols PS");
    auto dingbats = Open("D050000L");
    ASSERT_NE(symbol, nullptr);
    ASSERT_NE(dingbats, nullptr);
    EXPECT_NE(symbol->GlyphByName("alpha"), 0u);
    // The dingbats font's own encoding puts its first scissors ("a1") at 0x21.
    EXPECT_NE(dingbats->GlyphByBuiltInCode(0x21), 0u);
    EXPECT_EQ(dingbats->GlyphByBuiltInCode(0x21), dingbats->GlyphByName("a1"));
    EXPECT_EQ(dingbats->GlyphByBuiltInCode(0x20), dingbats->GlyphByName("space"));
}

TEST_F(GlyphOutlinesTest, UnknownGlyphsAndBadInputGiveNothing) {
    auto font = Open("Nimbus Sans");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->GlyphByName("no-such-glyph"), 0u);
    EXPECT_EQ(font->GlyphByName(""), 0u);
    EXPECT_EQ(font->GlyphByUnicode(0x4E2D), 0u);
    GlyphOutline outline;
    EXPECT_FALSE(font->LoadOutline(font->GlyphCount(), outline));
    EXPECT_TRUE(outline.Commands.empty());
    EXPECT_EQ(font->AdvanceWidth(0xFFFFFFFFu), 0);
    // The space has an advance but no contour.
    ASSERT_TRUE(font->LoadOutline(font->GlyphByName("space"), outline));
    EXPECT_TRUE(outline.Commands.empty());
    EXPECT_GT(outline.AdvanceWidth, 0);

    EXPECT_EQ(OutlineFont::OpenFile("/nonexistent/font.otf", 0), nullptr);
    EXPECT_EQ(OutlineFont::OpenFile(PARCH_SOURCE_DIR "/tests/platform/gdi/fonts.conf", 0), nullptr);
}

}  // namespace
}  // namespace parch
