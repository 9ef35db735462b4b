#include "platform/gdi/FontEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/gdi/FontMatch.h"
#include "platform/gdi/Utf8Text.h"
#include "tests/platform/gdi/TestFonts.h"

namespace parch {
namespace {

LOGFONT Font(const char* face, LONG height, LONG weight = FW_NORMAL) {
    LOGFONT font;
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    font.lfHeight = height;
    font.lfWeight = weight;
    return font;
}

TEST(FontEngineTest, WindowsFamiliesResolveToMetricCompatibleFaces) {
    struct Case { const char* asked; const char* family; };
    const Case cases[] = {
        {"Arial", "Liberation Sans"},         {"MS Sans Serif", "Liberation Sans"},
        {"tahoma", "Liberation Sans"},        {"Segoe UI", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
        {"Verdana", "DejaVu Sans"},           {"", "Liberation Sans"},
        {"No Such Family", "Liberation Sans"}, {"DejaVu Serif", "DejaVu Serif"},
        {"DejaVu Sans Light", "DejaVu Sans"},  // a second family name of the light face
    };
    for (const Case& c : cases) {
        auto font = FontEngine::Instance().Realize(Font(c.asked, -12));
        EXPECT_EQ(font->FaceFamily(), c.family) << c.asked;
    }
}

TEST(FontEngineTest, HeightSignSelectsCharacterOrCellHeight) {
    // Liberation Sans: 2048 units per em, win ascent 1854, win descent 434.
    auto character = FontEngine::Instance().Realize(Font("Arial", -20));
    EXPECT_EQ(character->Metrics().tmAscent, 18);  // 1854 * 20 / 2048 = 18.1
    EXPECT_EQ(character->Metrics().tmDescent, 4);  // 434 * 20 / 2048 = 4.2
    EXPECT_EQ(character->Metrics().tmHeight, 22);
    EXPECT_EQ(character->Metrics().tmInternalLeading, 2);

    // A cell of 20 pixels: em = 2048 * 20 / 2288 = 17.9 pixels.
    auto cell = FontEngine::Instance().Realize(Font("Arial", 20));
    EXPECT_EQ(cell->Metrics().tmHeight, 20);
    EXPECT_EQ(cell->Metrics().tmAscent, 16);
    EXPECT_EQ(cell->Metrics().tmInternalLeading, 2);
}

TEST(FontEngineTest, AdvancesFollowTheMetricCompatibleWidths) {
    // Arial's advance of "W" is 1933 units, of "i" 455: at 2048 units per em and 20 px per em
    // that is 18.9 and 4.4 pixels.
    auto font = FontEngine::Instance().Realize(Font("Arial", -20));
    EXPECT_EQ(font->CharWidth(U'W'), 19);
    EXPECT_EQ(font->CharWidth(U'i'), 4);
    const SIZE extent = font->TextExtent(U"WiW");
    EXPECT_EQ(extent.cx, 19 + 4 + 19);
    EXPECT_EQ(extent.cy, 22);
    EXPECT_EQ(font->TextExtent(U"WiW", 2).cx, 19 + 4 + 19 + 6);
}
TEST(FontEngineTest, CharactersTheFaceLacksComeFromTheFallbackFace) {
    // Liberation Sans has no umbrella (U+2602); DejaVu Sans has one 1836 units wide.
    auto font = FontEngine::Instance().Realize(Font("Arial", -20));
    EXPECT_EQ(font->CharWidth(U'\u2602'), 18);
    const std::u32string text = U"\u2602";
    const std::vector<int> positions = font->CharPositions(text);
    const GlyphCoverage coverage =
        font->Render(text, positions, TextPlacement{POINT{0, 0}, 0, 18}, RECT{0, 0, 100, 100});
    EXPECT_FALSE(coverage.Empty());
    EXPECT_GT(coverage.Height(), 10);
}

GlyphCoverage RenderAt(FontInstance& font, std::u32string_view text) {
    return font.Render(text, font.CharPositions(text), TextPlacement{POINT{10, 0}, 0, 30}, RECT{0, 0, 100, 50});
}

TEST(FontEngineTest, MissingBoldAndItalicFacesAreSynthesized) {
    // The symbol face comes in one style only.
    LOGFONT request = Font("Symbol", -30);
    auto upright = FontEngine::Instance().Realize(request);
    ASSERT_EQ(upright->FaceFamily(), "Standard Symbols PS");
    request.lfItalic = 1;
    auto slanted = FontEngine::Instance().Realize(request);
    request.lfItalic = 0;
    request.lfWeight = FW_BOLD;
    auto bold = FontEngine::Instance().Realize(request);

    const std::u32string alpha = U"a";  // alpha in the symbol encoding
    const GlyphCoverage plain = RenderAt(*upright, alpha);
    const GlyphCoverage oblique = RenderAt(*slanted, alpha);
    const GlyphCoverage heavy = RenderAt(*bold, alpha);
    EXPECT_EQ(slanted->CharWidth(U'a'), upright->CharWidth(U'a'));
    EXPECT_NE(oblique.alpha, plain.alpha);
    EXPECT_GT(oblique.bounds.right, plain.bounds.right) << "the top leans right";
    EXPECT_EQ(bold->CharWidth(U'a'), upright->CharWidth(U'a') + 1);
    long plainInk = 0, heavyInk = 0;
    for (auto a : plain.alpha) plainInk += a;
    for (auto a : heavy.alpha) heavyInk += a;
    EXPECT_GT(heavyInk, plainInk * 11 / 10);
}

TEST(FontEngineTest, WidthRequestScalesTheAverageCharacter) {
    LOGFONT request = Font("Arial", -20);
    auto natural = FontEngine::Instance().Realize(request);
    request.lfWidth = natural->Metrics().tmAveCharWidth * 2;
    auto wide = FontEngine::Instance().Realize(request);
    EXPECT_EQ(wide->Metrics().tmAveCharWidth, request.lfWidth);
    EXPECT_EQ(wide->Metrics().tmHeight, natural->Metrics().tmHeight);
    EXPECT_NEAR(wide->CharWidth(U'W'), 2 * natural->CharWidth(U'W'), 1);
}

TEST(FontEngineTest, TextWithMoreCharactersThanTheGlyphCacheHoldsRendersWhole) {
    auto font = FontEngine::Instance().Realize(Font("Arial", -8));
    std::u32string text;
    for (char32_t ch = 0x4E00; ch < 0x4E00 + 5000; ++ch) text.push_back(ch);
    text += U"AAAA";
    const std::vector<int> positions = font->CharPositions(text);
    const GlyphCoverage coverage =
        font->Render(text, positions, TextPlacement{POINT{-positions[5000], 0}, 0, 8}, RECT{0, 0, 100, 20});
    EXPECT_FALSE(coverage.Empty()) << "the A glyphs at the end";
}

TEST(FontEngineTest, HugeAndDegenerateRequestsStayBounded) {
    auto huge = FontEngine::Instance().Realize(Font("Arial", -1000000));
    EXPECT_EQ(huge->Metrics().tmHeight, 1854 + 434);  // drawn at the largest size, 2048 pixels per em
    // Rendering is cut to the bound however large the glyphs.
    const std::u32string text = U"W";
    const GlyphCoverage coverage =
        huge->Render(text, huge->CharPositions(text), TextPlacement{POINT{0, 0}, 0, 1800}, RECT{0, 0, 50, 50});
    EXPECT_LE(coverage.Width(), 50);
    EXPECT_LE(coverage.Height(), 50);

    LOGFONT unterminated = Font("Arial", -12);
    std::memset(unterminated.lfFaceName, 'A', LF_FACESIZE);
    EXPECT_EQ(FontEngine::Instance().Realize(unterminated)->FaceFamily(), "Liberation Sans");
    const std::vector<int> wide = huge->CharPositions(U"ab", std::vector<int>{2000000000, 2000000000});
    EXPECT_EQ(wide.back(), 1 << 30);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// Glyphs that overlap add their coverage up to full; offsets that are not multiples of eight
// put the sums at every position within a row.
TEST(FontEngineTest, OverlappingGlyphsAddTheirCoverageSaturating) {
    auto font = FontEngine::Instance().Realize(Font("Arial", -40));
    const TextPlacement placement{POINT{0, 0}, 0, 36};
    const RECT bound{0, 0, 200, 60};
    const std::u32string single = U"W";
    const GlyphCoverage alone = font->Render(single, std::vector<int>{0, 0}, placement, bound);
    ASSERT_GT(alone.Width(), 16);
    const std::vector<std::vector<int>> offsetLists = {{0, 0}, {0, 3}, {0, 5, 11}, {7, 1, 20, 2}};
    for (const std::vector<int>& offsets : offsetLists) {
        const std::u32string text(offsets.size(), U'W');
        std::vector<int> positions = offsets;
        positions.push_back(offsets.back());
        const GlyphCoverage together = font->Render(text, positions, placement, bound);
        for (LONG y = together.bounds.top; y < together.bounds.bottom; ++y)
            for (LONG x = together.bounds.left; x < together.bounds.right; ++x) {
                int sum = 0;
                for (int offset : offsets) sum += alone.At(x - offset, y);
                ASSERT_EQ(together.At(x, y), std::min(sum, 255)) << "offsets " << offsets.size() << " at " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace parch
