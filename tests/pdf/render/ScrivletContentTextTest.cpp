// Text operators: advances and placement, composite widths, Type 3 glyphs, text clipping and
// the text funnel.

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/core/ScrivletStructure.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletRenderer.h"
#include "pdf/render/ScrivletTextFunnel.h"
#include "base/Streams.h"
#include "tests/pdf/core/ToolOracle.h"
#include "tests/pdf/render/ScrivletRendererTestPages.h"

namespace parch {
namespace {

using rendertest::PageRender;
using rendertest::PageSpec;
using rendertest::RenderPage;

// Space 250, A 500, B 600 thousandths.
const std::string kTextSimpleFont =
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 32 /LastChar 66 /Widths [250 "
    "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 500 600] >>";

// A square glyph "a" with uncoloured procedure that tries to paint green.
std::string TextType3Font(const std::string& fontMatrix, int width, const std::string& extraEntries = "") {
    return "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix " + fontMatrix +
           " /CharProcs << /a 6 0 R >> /Encoding << /Type /Encoding /Differences [97 /a] >> /FirstChar 97 "
           "/LastChar 97 /Widths [" + std::to_string(width) + "] " + extraEntries + " >>";
}

PageSpec TextTestPage(const std::string& content) {
    PageSpec pageSpec;
    pageSpec.Content = content;
    pageSpec.Resources = "/Font << /F1 5 0 R /T3 7 0 R >>";
    pageSpec.Objects[5] = kTextSimpleFont;
    pageSpec.Objects[6] = rendertest::StreamObject("", "1000 0 0 0 1000 1000 d1 0 1 0 rg 0 0 1000 1000 re f");
    pageSpec.Objects[7] = TextType3Font("[0.001 0 0 0.001 0 0]", 1000);
    return pageSpec;
}

struct TextAdvanceCase {
    std::string Content;
    double TextX;
};

class ContentTextAdvance : public ::testing::TestWithParam<TextAdvanceCase> {};

TEST_P(ContentTextAdvance, TextMatrixMovesByTheShownWidths) {
    auto render = RenderPage(TextTestPage("BT /F1 10 Tf " + GetParam().Content + " ET"));
    EXPECT_NEAR(render->PageState().TextMatrix.e, GetParam().TextX, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ContentTextAdvance,
    ::testing::Values(TextAdvanceCase{"(AB) Tj", 11}, TextAdvanceCase{"[(A) -500 (B)] TJ", 16},
                      TextAdvanceCase{"[(A)-500(B)]TJ", 16}, TextAdvanceCase{"50 Tz (AB) Tj", 5.5},
                      TextAdvanceCase{"50 Tz [(A) -500 (B)] TJ", 8}, TextAdvanceCase{"2 Tc (AB) Tj", 15},
                      TextAdvanceCase{"3 Tw (A B) Tj", 11 + 2.5 + 3}, TextAdvanceCase{"3 Tw <412042> Tj", 16.5},
                      TextAdvanceCase{"(AB) Tj (A) Tj", 16}, TextAdvanceCase{"0 Tf (AB) Tj", 0},
                      // Td and Tm are not scaled by Tz.
                      TextAdvanceCase{"50 Tz 20 0 Td", 20}, TextAdvanceCase{"1 0 0 1 30 0 Tm 50 Tz (A) Tj", 32.5},
                      // Type 3 widths are glyph space: 1000 × 0.001 × 50.
                      TextAdvanceCase{"/T3 50 Tf (aa) Tj", 100}, TextAdvanceCase{"/Unknown 10 Tf (AB) Tj", 11}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ContentText, QuoteOperatorSetsSpacingBeforeShowing) {
    auto render = RenderPage(TextTestPage("BT /F1 10 Tf 12 TL 2 1 (A) \" ET"));
    const TPDFGraphicsState& state = render->PageState();
    EXPECT_DOUBLE_EQ(state.WordSpacing, 2);
    EXPECT_DOUBLE_EQ(state.CharSpacing, 1);
    EXPECT_DOUBLE_EQ(state.TextMatrix.e, 6);
    EXPECT_DOUBLE_EQ(state.TextMatrix.f, -12);
    EXPECT_DOUBLE_EQ(state.TextLineMatrix.f, -12);
}

TEST(ContentText, ExtGStateSelectsItsFontAndQRestoresTheOneBefore) {
    PageSpec pageSpec = TextTestPage("BT /F1 10 Tf q /GS0 gs (AB) Tj Q (AB) Tj ET");
    pageSpec.Resources += " /ExtGState << /GS0 << /Font [5 0 R 20] >> >>";
    auto render = RenderPage(pageSpec);
    EXPECT_NEAR(render->PageState().TextMatrix.e, 11, 1e-9);  // the text matrix is restored with the state
    EXPECT_EQ(render->PageState().FontName, "/F1");
    pageSpec.Content = "BT /T3 10 Tf /GS0 gs (AB) Tj ET";
    render = RenderPage(pageSpec);
    EXPECT_EQ(render->PageState().FontName, "5 0 R");
    EXPECT_NEAR(render->PageState().TextMatrix.e, 22, 1e-9);
}

// A rasterizer whose own units are two thousandths of text space; it records where it is asked
// to draw.
class TextScaledRasterizer : public TPDFFontRasterizer {
public:
    bool RenderGlyph(TPDFGenericCanvas&, const TPDFMatrix&, double x, double y, const std::string& name) override {
        Places.push_back(name + "@" + std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)));
        return true;
    }
    double GetScale() override { return 2; }
    std::vector<std::string> Places;
};

// Positions are thousandths of text space whatever the rasterizer's own unit: spacing and rise
// are not scaled by it.
TEST(ContentText, PlacesDoNotDependOnTheRasterizersUnit) {
    PageRender render(rendertest::OnePagePdf(TextTestPage("BT /F1 10 Tf 2 Tc 1 Ts (AB) Tj ET")));
    render.Fonts().SelectFont(render.Document().Structure().NewIndRef(5, 0));
    ASSERT_NE(render.Fonts().CurrentFont, nullptr);
    auto rasterizer = std::make_unique<TextScaledRasterizer>();
    TextScaledRasterizer* places = rasterizer.get();
    render.Fonts().CurrentFont->Rasterizer = std::move(rasterizer);
    ASSERT_TRUE(render.Render());
    EXPECT_EQ(places->Places, (std::vector<std::string>{"A@0,100", "B@700,100"}));
    EXPECT_NEAR(render.PageState().TextMatrix.e, 15, 1e-9);
}

TEST(ContentText, CompositeFontsAdvanceByTheirCIDWidths) {
    struct Case {
        std::string Widths;
        std::string Shown;
        double TextX;
    };
    for (const Case& c : {Case{"", "<00010002>", 20}, Case{"/W [1 [700]]", "<00010002>", 17},
                          Case{"/W [1 [700]] /DW 300", "<00010002>", 10}, Case{"/W [1 2 400]", "<0001 0002>", 8},
                          // A composite font's space gets no word spacing.
                          Case{"/W [32 [500]]", "<0020>", 5}}) {
        SCOPED_TRACE(c.Widths + " " + c.Shown);
        PageSpec pageSpec;
        pageSpec.Content = "BT /C0 10 Tf 5 Tw " + c.Shown + " Tj ET";
        pageSpec.Resources = "/Font << /C0 5 0 R >>";
        pageSpec.Objects[5] = "<< /Type /Font /Subtype /Type0 /BaseFont /Arial /Encoding /Identity-H /DescendantFonts [6 0 R] >>";
        pageSpec.Objects[6] = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Arial /CIDSystemInfo << /Registry (Adobe) "
                          "/Ordering (Identity) /Supplement 0 >> " + c.Widths + " >>";
        auto render = RenderPage(pageSpec);
        EXPECT_NEAR(render->PageState().TextMatrix.e, c.TextX, 1e-9);
    }
}

TEST(ContentType3, GlyphsDrawWithTheFillColourAtTheirPlace) {
    // d1 glyphs ignore their own colour operators: the squares stay red.
    auto render = RenderPage(TextTestPage("1 0 0 rg BT /T3 50 Tf 10 10 Td (aa) Tj ET"));
    rendertest::SaveForLook(*render, "type3");
    EXPECT_EQ(render->CountColor(0xFF0000), 50 * 50 + 40 * 50);
    EXPECT_EQ(render->CountColor(0x00FF00), 0);
    EXPECT_EQ(render->Pixel(10, 89), 0xFF0000u);
    EXPECT_EQ(render->Pixel(9, 89), 0xFFFFFFu);
}

TEST(ContentType3, FontMatrixAppliesBeforeTheTextSize) {
    PageSpec pageSpec = TextTestPage("1 0 0 rg BT /T3 50 Tf 10 10 Td (a) Tj ET");
    // A glyph twice as large in glyph units, moved by 0.1 text units (5 pixels at size 50).
    pageSpec.Objects[7] = TextType3Font("[0.0005 0 0 0.0005 0.1 0]", 2000);
    auto render = RenderPage(pageSpec);
    EXPECT_EQ(render->CountColor(0xFF0000), 25 * 25);
    EXPECT_EQ(render->Pixel(15, 89), 0xFF0000u);
    EXPECT_EQ(render->Pixel(14, 89), 0xFFFFFFu);
    EXPECT_NEAR(render->PageState().TextMatrix.e, 10 + 50, 1e-9);
}

TEST(ContentType3, AGlyphShowingItselfIsDrawnOnce) {
    PageSpec pageSpec = TextTestPage("1 0 0 rg BT /T3 50 Tf 10 10 Td (a) Tj ET");
    pageSpec.Objects[6] = rendertest::StreamObject("", "1000 0 0 0 1000 1000 d1 0 0 1000 1000 re f BT /T3 1 Tf (a) Tj ET");
    pageSpec.Objects[7] = TextType3Font("[0.001 0 0 0.001 0 0]", 1000, "/Resources << /Font << /T3 7 0 R >> >>");
    auto render = RenderPage(pageSpec);
    EXPECT_TRUE(render->Renderer().ErrorText.empty());
    EXPECT_EQ(render->CountColor(0xFF0000), 50 * 50);
}

// Clipping modes gather the outlines of every show of the text object and clip once at ET.
TEST(ContentTextClip, ClipIsTheUnionOfAllGlyphsOfTheTextObject) {
    PageSpec pageSpec = TextTestPage("BT 7 Tr /F1 40 Tf 5 55 Td (A) Tj 50 -50 Td (B) Tj ET 1 0 0 rg 0 0 100 100 re f");
    pageSpec.MediaBox = "[0 0 100 100]";
    auto render = RenderPage(pageSpec);
    rendertest::SaveForLook(*render, "text-clip");
    EXPECT_GT(render->CountColor(0xFF0000, 0, 0, 50, 50), 50);    // the "A" at the top left
    EXPECT_GT(render->CountColor(0xFF0000, 50, 50, 100, 100), 50);  // the "B" at the bottom right
    EXPECT_EQ(render->CountColor(0xFF0000, 50, 0, 100, 40), 0);
    EXPECT_LT(render->CountColor(0xFF0000), 100 * 100 / 2);
}

// A binary PPM as ghostscript writes it (a comment may follow the magic number): its width and
// its pixels as red, green, blue bytes, top row first.
struct ClipPpm {
    int Width = 0;
    std::string Pixels;

    explicit ClipPpm(const std::string& file) {
        std::istringstream in(file);
        std::string magic;
        in >> magic;
        int numbers[3] = {0, 0, 0};
        for (int& number : numbers) {
            while (in >> std::ws && in.peek() == '#') in.ignore(1 << 20, '\n');
            in >> number;
        }
        in.get();
        const auto size = static_cast<std::size_t>(numbers[0]) * static_cast<std::size_t>(numbers[1]) * 3;
        const auto start = static_cast<std::size_t>(in.tellg());
        if (magic != "P6" || !in || file.size() < start + size) return;
        Width = numbers[0];
        Pixels = file.substr(start, size);
    }

    std::string At(int x, int y) const { return Pixels.substr((static_cast<std::size_t>(y) * Width + x) * 3, 3); }
    int Height() const { return Width > 0 ? static_cast<int>(Pixels.size() / 3 / Width) : 0; }
    // Pixels mostly red (edges included, which anti-aliasing leaves part red).
    int RedIn(int x1, int y1, int x2, int y2) const {
        int count = 0;
        for (int y = y1; y < std::min(y2, Height()); ++y)
            for (int x = x1; x < std::min(x2, Width); ++x) {
                const std::string pixel = At(x, y);
                count += static_cast<unsigned char>(pixel[0]) >= 0x80 && static_cast<unsigned char>(pixel[1]) < 0x80;
            }
        return count;
    }
};

// An EPS page gets the glyphs of the text object as a clip path at ET, inside the saved state
// the page gives it: ghostscript shows the red square only through the glyphs, as our bitmap
// does, and the blue square after Q unclipped.
TEST(ContentTextClip, EpsPagesClipToTheGlyphsWithinTheirSavedState) {
    const std::string content = "q BT 7 Tr /F1 40 Tf 5 55 Td (A) Tj 50 -50 Td (B) Tj ET 1 0 0 rg 0 0 100 100 re f Q "
                                "0 0 1 rg 80 80 20 20 re f";
    auto bitmap = RenderPage(TextTestPage(content));
    auto eps = RenderPage(TextTestPage(content), kRenderEPS);
    ASSERT_TRUE(eps->Answer);
    TMemoryStream file;
    eps->Renderer().EPSExport->SaveToStream(file);
    const std::string path = ::testing::TempDir() + "text-clip.eps";
    file.SaveToFile(path);
    const oracle::ToolResult rendered = oracle::RunCommand(
        "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=ppmraw -r72 -sOutputFile=- " +
        oracle::Quote(path));
    ASSERT_EQ(rendered.ExitCode, 0);
    const ClipPpm ppm(rendered.Output);
    ASSERT_EQ(ppm.Width, 100);
    ASSERT_EQ(ppm.Height(), 100);
    EXPECT_GT(ppm.RedIn(0, 0, 50, 50), 50);    // the "A" at the top left
    EXPECT_GT(ppm.RedIn(50, 50, 100, 100), 50);  // the "B" at the bottom right
    EXPECT_EQ(ppm.RedIn(50, 0, 100, 40), 0);
    // The same glyphs: each red pixel of either rendering has a red one of the other within a
    // pixel (ghostscript's clip is not anti-aliased, so edges may fall a pixel apart).
    const auto bitmapRed = [&](int x, int y) {
        const std::uint32_t pixel = bitmap->Pixel(x, y);
        return (pixel >> 16) >= 0x80 && ((pixel >> 8) & 0xFF) < 0x80;
    };
    int unmatched = 0;
    for (int y = 1; y < 99; ++y)
        for (int x = 1; x < 99; ++x) {
            bool nearGs = false, nearOurs = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    nearGs = nearGs || ppm.RedIn(x + dx, y + dy, x + dx + 1, y + dy + 1) > 0;
                    nearOurs = nearOurs || bitmapRed(x + dx, y + dy);
                }
            unmatched += (ppm.RedIn(x, y, x + 1, y + 1) > 0 && !nearOurs) + (bitmapRed(x, y) && !nearGs);
        }
    EXPECT_EQ(unmatched, 0);
    EXPECT_EQ(ppm.At(90, 10), std::string("\0\0\xFF", 3));  // the blue square, after Q
}

// The path operators that fill and stroke (B, B*, b, b*) keep the path for the stroke in EPS too:
// ghostscript shows the red inside and the blue border of the square.
TEST(ContentTextClip, EpsFillAndStrokePathsShowBoth) {
    for (const char* paint : {"B", "B*", "b", "b*"}) {
        SCOPED_TRACE(paint);
        auto eps = RenderPage(TextTestPage(std::string("10 w 1 0 0 rg 0 0 1 RG 30 30 40 40 re ") + paint), kRenderEPS);
        ASSERT_TRUE(eps->Answer);
        TMemoryStream file;
        eps->Renderer().EPSExport->SaveToStream(file);
        const std::string path = ::testing::TempDir() + "fill-and-stroke.eps";
        file.SaveToFile(path);
        const oracle::ToolResult rendered = oracle::RunCommand(
            "gs -q -dSAFER -dBATCH -dNOPAUSE -dEPSCrop -sDEVICE=ppmraw -r72 -sOutputFile=- " + oracle::Quote(path));
        ASSERT_EQ(rendered.ExitCode, 0);
        const ClipPpm ppm(rendered.Output);
        ASSERT_EQ(ppm.Width, 100);
        EXPECT_EQ(ppm.At(50, 50), std::string("\xFF\0\0", 3));  // inside
        EXPECT_EQ(ppm.At(30, 50), std::string("\0\0\xFF", 3));  // on the left edge
        EXPECT_EQ(ppm.At(50, 70), std::string("\0\0\xFF", 3));  // on the bottom edge
    }
}

// Fill-and-stroke modes (2, and 6 which also clips) fill inside a saved state in EPS: a fill
// uses up the PostScript path, which the stroke still needs.
TEST(ContentTextClip, EpsFillAndStrokeModesKeepThePathForTheStroke) {
    for (const char* mode : {"2", "6"}) {
        SCOPED_TRACE(mode);
        auto eps = RenderPage(TextTestPage(std::string("BT ") + mode + " Tr /F1 40 Tf 5 30 Td (A) Tj ET"), kRenderEPS);
        ASSERT_TRUE(eps->Answer);
        const TScrivletStringList& lines = eps->Renderer().EPSExport->Lines();
        std::vector<std::string> body;
        for (int i = 0; i < lines.GetCount(); ++i) body.push_back(lines.Get(i));
        const auto fill = std::find(body.begin(), body.end(), "f");
        ASSERT_NE(fill, body.end());
        const auto save = std::find(std::make_reverse_iterator(fill), body.rend(), "q");
        ASSERT_NE(save, body.rend());
        EXPECT_EQ(std::find_if(save.base(), fill, [](const std::string& line) { return line.ends_with(" l") || line.ends_with(" c"); }), fill)
            << "the path comes before the saved state";
        ASSERT_LT(fill + 1, body.end());
        EXPECT_EQ(*(fill + 1), "Q");
        EXPECT_NE(std::find(fill + 2, body.end(), "s"), body.end());
    }
}

TEST(ContentTextClip, InvisibleAndClipOnlyModesPaintNothing) {
    for (const char* mode : {"3", "7"}) {
        SCOPED_TRACE(mode);
        auto render = RenderPage(TextTestPage(std::string("BT ") + mode + " Tr /F1 40 Tf 5 30 Td (AB) Tj ET"));
        EXPECT_EQ(render->CountColor(0xFFFFFF), 100 * 100);
    }
    auto render = RenderPage(TextTestPage("BT /F1 40 Tf 5 30 Td (AB) Tj ET"));
    EXPECT_LT(render->CountColor(0xFFFFFF), 100 * 100 - 100);
}

TEST(ContentFunnel, ShownTextReachesTheFunnelInRuns) {
    auto render = RenderPage(TextTestPage("BT /F1 10 Tf 10 50 Td (AB) Tj [(A) -3000 (B)] TJ ET"), kRenderTextFunnel);
    const std::vector<TPDFTextFunnelBlock>& blocks = render->Renderer().TextFunnel->Blocks;
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].Text, u"ABA");
    EXPECT_EQ(blocks[1].Text, u"B");
    EXPECT_EQ(blocks[0].FontName, blocks[1].FontName);
    EXPECT_EQ(blocks[0].ColorText, "#000000");
    EXPECT_NEAR(blocks[0].BaseStart.X, 10, 1e-9);
    EXPECT_EQ(render->CountColor(0xFFFFFF), 0) << "the funnel paints nothing";
}

TEST(ContentFunnel, WordModeMakesOneBlockPerWord) {
    PageRender render(rendertest::OnePagePdf(TextTestPage("BT /F1 10 Tf 10 50 Td (AB A BA) Tj ET")), kRenderTextFunnel);
    render.Renderer().TextFunnel->WordMode = true;
    ASSERT_TRUE(render.Render());
    std::vector<std::u16string> words;
    for (const TPDFTextFunnelBlock& block : render.Renderer().TextFunnel->Blocks) words.push_back(block.Text);
    EXPECT_EQ(words, (std::vector<std::u16string>{u"AB", u"A", u"BA"}));
}

struct FunnelJoinCase {
    double SecondStart;
    std::string SecondFont;
    std::vector<std::u16string> Texts;
};

class TextFunnelJoin : public ::testing::TestWithParam<FunnelJoinCase> {};

// Runs of em size 10 on one baseline: the first ends at 20.
TEST_P(TextFunnelJoin, RunsJoinByTheirDistance) {
    TPDFTextFunnel funnel;
    const TPDFMatrix identity;
    funnel.AddText(identity, u"ab", "#000000", "F", 10, 0, 0, 20, 8, {10, 10});
    funnel.AddText(identity, u"cd", "#000000", GetParam().SecondFont, 10, GetParam().SecondStart, 0, 20, 8, {10, 10});
    std::vector<std::u16string> texts;
    for (const TPDFTextFunnelBlock& block : funnel.Blocks) texts.push_back(block.Text);
    EXPECT_EQ(texts, GetParam().Texts);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextFunnelJoin,
                         ::testing::Values(FunnelJoinCase{21, "F", {u"abcd"}}, FunnelJoinCase{25, "F", {u"ab cd"}},
                                           FunnelJoinCase{35, "F", {u"ab", u"cd"}},
                                           // Overprinted text joins the block it starts in.
                                           FunnelJoinCase{10, "F", {u"abcd"}},
                                           FunnelJoinCase{21, "G", {u"ab", u"cd"}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(TextFunnelJoinGap, AWideGapAddsOneAdvanceAndABaselineOffTwoUnitsNeverJoins) {
    TPDFTextFunnel funnel;
    const TPDFMatrix identity;
    funnel.AddText(identity, u"ab", "", "F", 10, 0, 0, 20, 8, {10, 10});
    funnel.AddText(identity, u"c", "", "F", 10, 25, 0, 10, 8, {10});
    ASSERT_EQ(funnel.Blocks.size(), 1u);
    EXPECT_EQ(funnel.Blocks[0].Advances, (std::vector<double>{10, 10, 5, 10}));
    EXPECT_DOUBLE_EQ(funnel.Blocks[0].BaseEnd.X, 35);
    funnel.AddText(identity, u"d", "", "F", 10, 38, 2, 10, 8, {10});
    EXPECT_EQ(funnel.Blocks.size(), 2u);
}

}  // namespace
}  // namespace parch
