// The hint text layout: each markup text is drawn by TsHtml and, as the oracle, by plain
// TextOut calls of its pieces in the fonts the tags stand for; pictures and sizes must agree.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "skin/frames/sHtmlParse.h"

namespace parch {
namespace {

constexpr int kHtmlBoxWidth = 360;
constexpr int kHtmlBoxHeight = 160;
constexpr RECT kHtmlStart{6, 4, 300, 0};
constexpr int kHtmlBaseSize = 10;

void UseHtmlBaseFont(TBitmap& bitmap) {
    TFont& font = bitmap.Canvas().Font();
    font.SetName("DejaVu Sans");
    font.SetSize(kHtmlBaseSize);
    font.SetStyle(0);
    font.SetColor(clBlack);
    bitmap.Canvas().Brush().SetStyle(bsClear);
}

std::unique_ptr<TBitmap> WhiteHtmlCanvas() {
    auto bitmap = std::make_unique<TBitmap>(kHtmlBoxWidth, kHtmlBoxHeight, pf32bit);
    bitmap->Canvas().Brush().SetColor(clWhite);
    bitmap->Canvas().FillRect({0, 0, kHtmlBoxWidth, kHtmlBoxHeight});
    UseHtmlBaseFont(*bitmap);
    return bitmap;
}

// One piece of the oracle: text in a font, or a line break.
struct HtmlPiece {
    std::string Text;
    unsigned Style = 0;
    int Size = kHtmlBaseSize;
    TColor Color = clBlack;
    bool Break = false;
    std::string Face = "DejaVu Sans";
};

HtmlPiece HtmlBreak() { return HtmlPiece{"", 0, kHtmlBaseSize, clBlack, true}; }

// Lays the pieces out as the markup should be: runs side by side, a break moves down by the
// line's height plus 2 (2 alone after an empty line).
RECT DrawHtmlPieces(TBitmap& bitmap, const std::vector<HtmlPiece>& pieces) {
    TCanvas& canvas = bitmap.Canvas();
    int x = kHtmlStart.left, y = kHtmlStart.top, lineHeight = 0, widest = 0;
    for (const HtmlPiece& piece : pieces) {
        if (piece.Break) {
            widest = std::max(widest, x);
            y += lineHeight + 2;
            x = kHtmlStart.left;
            lineHeight = 0;
            continue;
        }
        canvas.Font().SetName(piece.Face);
        canvas.Font().SetSize(piece.Size);
        canvas.Font().SetStyle(piece.Style);
        canvas.Font().SetColor(piece.Color);
        if (!piece.Text.empty()) {
            canvas.TextOut(x, y, piece.Text);
            x += canvas.TextWidth(piece.Text);
        }
        lineHeight = std::max(lineHeight, canvas.TextHeight("X"));
    }
    widest = std::max(widest, x);
    return {0, 0, widest, y + lineHeight};
}

int CountHtmlDifferences(TBitmap& a, TBitmap& b) {
    int count = 0;
    for (int y = 0; y < a.Height(); ++y) {
        auto* ra = reinterpret_cast<const std::uint32_t*>(a.ScanLine(y));
        auto* rb = reinterpret_cast<const std::uint32_t*>(b.ScanLine(y));
        for (int x = 0; x < a.Width(); ++x) count += (ra[x] & 0xFFFFFF) != (rb[x] & 0xFFFFFF);
    }
    return count;
}

struct HtmlCase {
    const char* Name;
    std::string Markup;
    std::vector<HtmlPiece> Expected;
};

const TColor kHtmlRed = 0x0000FF;

std::vector<HtmlCase> HtmlCases() {
    return {
        {"TwoLines", "a<br>b", {{"a"}, HtmlBreak(), {"b"}}},
        {"EmptyLineAddsTwoPixels", "a<br><BR/>b", {{"a"}, HtmlBreak(), HtmlBreak(), {"b"}}},
        {"ParagraphBreaksLikeBr", "a<p>b", {{"a"}, HtmlBreak(), {"b"}}},
        {"DoubleLessThanShowsOne", "x << y", {{"x "}, {"< y"}}},
        {"LoneLessThanIsDropped", "a<b", {{"a"}, {"b"}}},
        {"UnknownTagIsText", "<BIG>x", {{"<"}, {"BIG>x"}}},
        {"ClosingByFirstLetterEndsBold", "<b>x</BIG>y", {{"x", fsBold}, {"y"}}},
        {"StylesNest", "<b>a<i>b<u>c</u></i></b>d",
         {{"a", fsBold}, {"b", fsBold | fsItalic}, {"c", fsBold | fsItalic | fsUnderline}, {"d"}}},
        {"FontSizeAndColourRestored", "<font size=+2 color=red>A</font>B",
         {{"A", 0, kHtmlBaseSize + 2, kHtmlRed}, {"B"}}},
        {"NestedFontChanges", "<font size=14><font color=\"#00ff00\">g</font>s</font>n",
         {{"g", 0, 14, 0x00FF00}, {"s", 0, 14}, {"n"}}},
        {"HexColourWithoutHash", "<font color=FF0000>r</font>", {{"r", 0, kHtmlBaseSize, kHtmlRed}}},
        {"FaceInQuotes", "<font face=\"DejaVu Serif\">f</font>g",
         {{"f", 0, kHtmlBaseSize, clBlack, false, "DEJAVU SERIF"}, {"g"}}},
        {"ClosingFontWithoutOpeningChangesNothing", "</font>x", {{"x"}}},
        {"LineBreakCharactersAreNotDrawn", "a\r\nb", {{"ab"}}},
        {"SizeNotANumberIsIgnored", "<font size=big>x</font>", {{"x"}}},
        {"SizeStepsStopAtTheSmallest", "<font size=-50>x</font>", {{"x", 0, TsHtml::kMinFontSize}}},
        {"SizeStopsAtTheLargest", "<font size=+100000000000>x</font>", {{"x", 0, TsHtml::kMaxFontSize}}},
        {"LowerCaseTextKeepsItsCase", "abc<b>é</b>", {{"abc"}, {"é", fsBold}}},
    };
}

class HintHtmlTest : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HintHtmlTest, DrawsAndMeasuresLikeItsPieces) {
    const HtmlCase& c = GetParam();
    auto drawn = WhiteHtmlCanvas();
    TsHtml html;
    html.Init(drawn.get(), c.Markup, kHtmlStart);
    RECT size = html.Render();
    auto expected = WhiteHtmlCanvas();
    RECT expectedSize = DrawHtmlPieces(*expected, c.Expected);
    EXPECT_EQ(size.right, expectedSize.right);
    EXPECT_EQ(size.bottom, expectedSize.bottom);
    EXPECT_EQ(CountHtmlDifferences(*drawn, *expected), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, HintHtmlTest, ::testing::ValuesIn(HtmlCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(HintHtmlLayout, ReportedSizeCoversEveryDrawnPixel) {
    auto bitmap = WhiteHtmlCanvas();
    TsHtml html;
    html.Init(bitmap.get(), "<b>Bold</b> and <font size=+4 color=navy>big</font><br>second <u>line</u><p>"
                            "<font face=\"DejaVu Serif\" size=12>serif é ß</font>", kHtmlStart);
    RECT size = html.Render();
    for (int y = 0; y < bitmap->Height(); ++y) {
        auto* row = reinterpret_cast<const std::uint32_t*>(bitmap->ScanLine(y));
        for (int x = 0; x < bitmap->Width(); ++x)
            if ((row[x] & 0xFFFFFF) != 0xFFFFFF) {
                ASSERT_LT(x, size.right) << "y " << y;
                ASSERT_LT(y, size.bottom) << "x " << x;
            }
    }
}

// FACE names are matched as every family name is, whatever their letter case.
TEST(HintHtmlLayout, AnUpperCasedFaceFindsItsFamily) {
    auto plain = WhiteHtmlCanvas();
    auto serif = WhiteHtmlCanvas();
    TsHtml plainHtml, serifHtml;
    plainHtml.Init(plain.get(), "Affine", kHtmlStart);
    plainHtml.Render();
    serifHtml.Init(serif.get(), "<font face=\"dejavu serif\">Affine</font>", kHtmlStart);
    serifHtml.Render();
    EXPECT_GT(CountHtmlDifferences(*plain, *serif), 20);
}

TEST(HintHtmlLayout, TheCanvasKeepsTheFontOfTheLastTagAndLineHeightsAdd) {
    auto bitmap = WhiteHtmlCanvas();
    int h = bitmap->Canvas().TextHeight("X");
    TsHtml html;
    html.Init(bitmap.get(), "a<br>b<br>c<b>", kHtmlStart);
    RECT size = html.Render();
    EXPECT_EQ(size.bottom, kHtmlStart.top + 3 * h + 2 * 2);
    EXPECT_EQ(bitmap->Canvas().Font().Style(), fsBold);
}

// The fuzz seeds (hostile values, invalid UTF-8, unbalanced tags) and a long, deeply nested
// text: laid out to the end with the font kept within its sizes.
TEST(HintHtmlLayout, HostileTextsAreLaidOutWithinBounds) {
    std::vector<std::string> texts;
    for (const auto& entry : std::filesystem::directory_iterator("fuzz/corpus/hint_html")) {
        std::ifstream file(entry.path(), std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    ASSERT_FALSE(texts.empty());
    std::string nested;
    for (int i = 0; i < 20000; ++i) nested += "<font size=+7 face=\"DejaVu Sans\"><b>";
    nested += "deep";
    for (int i = 0; i < 5000; ++i) nested += "</font>";
    texts.push_back(nested);
    for (const std::string& text : texts) {
        auto bitmap = WhiteHtmlCanvas();
        TsHtml html;
        html.Init(bitmap.get(), text, kHtmlStart);
        RECT size = html.Render();
        EXPECT_GE(size.right, kHtmlStart.left);
        int points = bitmap->Canvas().Font().Size();
        EXPECT_GE(points, TsHtml::kMinFontSize);
        EXPECT_LE(points, TsHtml::kMaxFontSize);
    }
}

}  // namespace
}  // namespace parch
