// ToUnicode maps: the CMap text parser, the per-code text tables, the collection's text of a
// font with a map, and the text funnel's characters for a page whose font has one.

#include "pdf/render/ScrivletToUnicode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "pdf/core/ScrivletUnicode.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "pdf/render/ScrivletRenderer.h"
#include "pdf/render/ScrivletTextFunnel.h"
#include "tests/pdf/core/ToolOracle.h"
#include "tests/pdf/render/ScrivletFontTestObjects.h"
#include "tests/pdf/render/ScrivletRendererTestPages.h"

namespace parch {
namespace {

struct ToUnicodeExpectedEntry {
    std::uint16_t Low;
    std::uint16_t High;
    TResultCodes Values;
    bool operator==(const TPDFCMapEntry& entry) const {
        return Low == entry.Low && High == entry.High && Values == entry.Values;
    }
};

std::string ToUnicodeCMapText(const std::string& codeSpace, const std::string& body) {
    return "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
           "/CMapName /Test def 1 begincodespacerange\n" + codeSpace + "\nendcodespacerange\n" + body +
           "\nendcmap CMapName currentdict /CMap defineresource pop end end";
}

struct ToUnicodeParseCase {
    const char* Name;
    std::string Text;
    bool OneByteCodes;
    std::vector<ToUnicodeExpectedEntry> Entries;
};

TEST(ToUnicodeParse, TableOfCMapTexts) {
    const std::string twoBytes = "<0000> <FFFF>";
    const ToUnicodeParseCase cases[] = {
        {"one-byte code space and bfchar", ToUnicodeCMapText("<00> <FF>", "1 beginbfchar <01> <0041> endbfchar"), true,
         {{1, 1, {0x41}}}},
        {"two units for eight digits, short group dropped",
         ToUnicodeCMapText(twoBytes, "2 beginbfchar <0003> <00660069> <0004> <0041004> endbfchar"), false,
         {{3, 3, {0x66, 0x69}}, {4, 4, {0x41}}}},
        {"bfrange array and single destination",
         ToUnicodeCMapText(twoBytes, "2 beginbfrange <0010> <0012> [<0041> <0042> <0043>]\n<0020> <0022> <0061> endbfrange"),
         false, {{0x10, 0x10, {0x41}}, {0x11, 0x11, {0x42}}, {0x12, 0x12, {0x43}}, {0x20, 0x22, {0x61}}}},
        {"an array shorter than its range does not eat the next range",
         ToUnicodeCMapText(twoBytes, "2 beginbfrange <0010> <0014> [<0041>] <0030> <0030> <0062> endbfrange"), false,
         {{0x10, 0x10, {0x41}}, {0x30, 0x30, {0x62}}}},
        {"array items of FFFF or worse are skipped",
         ToUnicodeCMapText(twoBytes, "1 beginbfrange <0001> <0003> [<FFFF> <zz> <0043>] endbfrange"), false,
         {{3, 3, {0x43}}}},
        {"missing endbfchar ends at endcmap",
         ToUnicodeCMapText(twoBytes, "1 beginbfchar <0001> <0041>") + " <0002> <0042>", false, {{1, 1, {0x41}}}},
        {"a malformed code ends its block, the next block is still read",
         ToUnicodeCMapText(twoBytes, "3 beginbfchar <0001> <0041> <zz> <0042> <0003> <0043> endbfchar\n"
                                     "1 beginbfrange <0005> <0006> <0050> endbfrange"),
         false, {{1, 1, {0x41}}, {5, 6, {0x50}}}},
        {"codes past 16 bits are skipped, past 31 bits end the block",
         ToUnicodeCMapText(twoBytes, "3 beginbfchar <10000> <0041> <0002> <0042> <80000000> <0043> <0004> <0044> "
                                     "endbfchar"),
         false, {{2, 2, {0x42}}}},
        {"a range past 16 bits is dropped, blanks inside tokens are ignored",
         ToUnicodeCMapText(twoBytes, "2 beginbfrange <0001> <10000> <0041> <00 07> <0008> <00 4 1> endbfrange"), false,
         {{7, 8, {0x41}}}},
        {"an array destination in bfchar ends the block",
         ToUnicodeCMapText(twoBytes, "2 beginbfchar <0001> [<0041>] <0002> <0042> endbfchar"), false, {}},
        {"no code space: nothing", "1 beginbfchar <01> <0041> endbfchar endcmap", false, {}},
        {"a bad high code: the flag, but nothing more", ToUnicodeCMapText("<00> <zz>", "1 beginbfchar <01> <0041> endbfchar"),
         true, {}},
        {"unterminated token", ToUnicodeCMapText(twoBytes, "1 beginbfchar <0001> <0041"), false, {}},
    };
    for (const ToUnicodeParseCase& c : cases) {
        SCOPED_TRACE(c.Name);
        bool oneByteCodes = !c.OneByteCodes;
        TPDFCMap map = {{9, 9, {9}}};  // replaced, not appended to
        ParseToUnicodeCMap(c.Text, oneByteCodes, map);
        EXPECT_EQ(oneByteCodes, c.OneByteCodes);
        ASSERT_EQ(map.size(), c.Entries.size());
        for (std::size_t i = 0; i < map.size(); ++i) EXPECT_TRUE(c.Entries[i] == map[i]) << "entry " << i;
    }
}

TEST(ToUnicodeParse, LargeMapsAndHugeRangesAreReadInOnePass) {
    // 100,000 bfchar entries in blocks of 100, as CMap writers split them.
    std::string body;
    char pair[32];
    for (int block = 0; block < 1000; ++block) {
        body += "100 beginbfchar\n";
        for (int i = 0; i < 100; ++i) {
            const int code = block * 100 + i;
            std::snprintf(pair, sizeof pair, "<%04X> <%04X>\n", code & 0xFFFF, 0x4E00 + (code % 100));
            body += pair;
        }
        body += "endbfchar\n";
    }
    bool oneByteCodes = true;
    TPDFCMap map;
    ParseToUnicodeCMap(ToUnicodeCMapText("<0000> <FFFF>", body), oneByteCodes, map);
    ASSERT_EQ(map.size(), 100000u);
    EXPECT_EQ(map[99999].Low, 99999 & 0xFFFF);
    EXPECT_EQ(map[99999].Values, TResultCodes{0x4E00 + 99});

    // A range over every 31-bit code with a one-item array walks the array, not the range.
    ParseToUnicodeCMap(ToUnicodeCMapText("<0000> <FFFF>", "1 beginbfrange <0000> <7FFFFFFF> [<0041>] endbfrange"),
                       oneByteCodes, map);
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map[0].Values, TResultCodes{0x41});
}

TEST(ToUnicodeTables, LastCoveringEntryWinsAndUncoveredCodesKeepTheirDefaults) {
    const TPDFCMap map = {
        {0x41, 0x43, {0x61}},          // A..C -> a..c
        {0x42, 0x42, {0x20AC}},        // B -> euro, later, so it wins
        {0x44, 0x45, {0x66, 0x66}},    // D -> ff, E -> fg: a range counts up its last unit
        {0x46, 0x46, {0x4E2D}},        // no Windows-1252 character
        {0x100, 0x1FF, {0x30}},        // beyond a simple font's codes
    };
    std::array<std::u16string, 256> unicodeDefaults;
    std::array<std::string, 256> ansiDefaults;
    unicodeDefaults[0x47].assign(1, u'G');
    ansiDefaults[0x47] = "G";
    std::array<std::u16string, 256> unicode;
    std::array<std::string, 256> ansi;
    BuildUnicodeTextFromToUnicode(map, unicodeDefaults, unicode);
    BuildAnsiTextFromToUnicode(map, ansiDefaults, ansi);

    const std::vector<std::pair<int, std::u16string>> expectedUnicode = {
        {0x41, u"a"}, {0x42, u"\u20AC"}, {0x43, u"c"}, {0x44, u"ff"}, {0x45, u"fg"}, {0x46, u"\u4E2D"}, {0x47, u"G"},
        {0xFF, u""}};
    for (const auto& [code, text] : expectedUnicode) EXPECT_EQ(unicode[code], text) << code;
    const std::vector<std::pair<int, std::string>> expectedAnsi = {
        {0x41, "a"}, {0x42, "\x80"}, {0x44, "ff"}, {0x46, "?"}, {0x47, "G"}, {0xFF, ""}};
    for (const auto& [code, text] : expectedAnsi) EXPECT_EQ(ansi[code], text) << code;

    // The defaults and the result may be one table.
    BuildUnicodeTextFromToUnicode(map, unicode, unicode);
    EXPECT_EQ(unicode[0x45], u"fg");
    EXPECT_EQ(unicode[0x47], u"G");
}

class ToUnicodeCollectionTest : public ::testing::Test {
protected:
    TPDFFontCollectionData& Select(int number, const std::string& fontDictionary) {
        objects.Define(number, fontDictionary);
        fonts.SelectFont(objects.Ref(number));
        EXPECT_NE(fonts.CurrentFont, nullptr);
        return *fonts.CurrentFont;
    }
    std::u16string Unicode(std::uint32_t code) {
        std::u16string text;
        fonts.GetUnicode(code, text);
        return text;
    }

    testfont::FontObjects objects;
    TPDFFontCollection fonts;
};

TEST_F(ToUnicodeCollectionTest, SimpleFontTextComesFromItsMapOverItsGlyphNames) {
    objects.DefineStream(7, "<< >>",
                         ToUnicodeCMapText("<00> <FF>", "1 beginbfchar <41> <00E9> endbfchar\n"
                                                        "1 beginbfrange <61> <62> <0391> endbfrange"));
    const TPDFFontCollectionData& font = Select(5, "<< /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 7 0 R >>");
    EXPECT_TRUE(font.OneByteCodes);
    EXPECT_EQ(font.ToUnicode.size(), 2u);
    EXPECT_EQ(font.UnicodeText['A'], u"\u00E9");
    EXPECT_EQ(font.AnsiText['A'], "\xE9");
    EXPECT_EQ(font.AnsiCodes['A'], "\xE9");
    EXPECT_EQ(font.UnicodeText['b'], u"\u0392");
    EXPECT_EQ(font.AnsiCodes['b'], "?");
    EXPECT_EQ(font.UnicodeText['B'], u"B");  // from its glyph name
    EXPECT_EQ(Unicode('A'), u"\u00E9");
}

TEST_F(ToUnicodeCollectionTest, CompositeFontLooksCodesUpInItsMapFirstEntryFirst) {
    objects.Define(6, "<< /Subtype /CIDFontType2 /BaseFont /Foo /CIDSystemInfo << /Registry (Adobe) "
                      "/Ordering (Japan1) /Supplement 4 >> >>");
    objects.DefineStream(7, "<< >>",
                         ToUnicodeCMapText("<0000> <FFFF>", "2 beginbfchar <0003> <0041> <0003> <0042> endbfchar\n"
                                                            "1 beginbfrange <0100> <0102> <4E00> endbfrange"));
    const TPDFFontCollectionData& font = Select(
        5, "<< /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H /DescendantFonts [6 0 R] /ToUnicode 7 0 R >>");
    EXPECT_TRUE(font.Composite);
    EXPECT_FALSE(font.OneByteCodes);
    EXPECT_EQ(font.UnicodeText[3], u"B");  // the tables take the last entry
    EXPECT_EQ(Unicode(3), u"A");           // the look-up the first
    EXPECT_EQ(Unicode(0x101), u"\u4E01");
    EXPECT_EQ(Unicode(34), u"");  // the map answers alone, the built-in Japan1 map is not asked

    std::vector<std::uint32_t> codes;
    fonts.SplitCodes(std::string("\x01\x01\x03", 3), codes);
    EXPECT_EQ(codes, std::vector<std::uint32_t>{0x0101});
    fonts.SplitCodes("", codes);
    EXPECT_TRUE(codes.empty());
}

TEST_F(ToUnicodeCollectionTest, SingleByteFlagOfCompositeFontsComesFromTheEncodingBeforeTheMap) {
    objects.Define(6, "<< /Subtype /CIDFontType0 /BaseFont /Foo >>");
    objects.DefineStream(7, "<< >>", ToUnicodeCMapText("<00> <FF>", ""));
    objects.DefineStream(8, "<< >>", ToUnicodeCMapText("<0000> <FFFF>", "1 beginbfchar <0041> <0058> endbfchar"));
    objects.DefineStream(9, "<< >>", ToUnicodeCMapText("<00> <FF>", "1 beginbfchar <41> <0059> endbfchar"));
    struct Case {
        const char* Encoding;
        int ToUnicode;
        bool OneByteCodes;
        std::u16string TextOfA;
    };
    int number = 10;
    for (const Case& c : {Case{"7 0 R", 8, true, u"X"}, Case{"/Identity-H", 9, true, u"Y"},
                          Case{"/Identity-H", 8, false, u"X"}}) {
        SCOPED_TRACE(number);
        Select(number++, std::string("<< /Subtype /Type0 /Encoding ") + c.Encoding +
                             " /DescendantFonts [6 0 R] /ToUnicode " + std::to_string(c.ToUnicode) + " 0 R >>");
        EXPECT_EQ(fonts.CurrentFont->OneByteCodes, c.OneByteCodes);
        std::vector<std::uint32_t> codes;
        fonts.SplitCodes("AB", codes);
        EXPECT_EQ(codes.size(), c.OneByteCodes ? 2u : 1u);
        EXPECT_EQ(Unicode('A'), c.TextOfA);
    }
}

// A composite font without a program of its own, its codes mapped to text by its ToUnicode map.
rendertest::PageSpec ToUnicodeFunnelPage() {
    rendertest::PageSpec pageSpec;
    pageSpec.MediaBox = "[0 0 300 100]";
    pageSpec.Content = "BT /C0 12 Tf 10 50 Td <0001000200030004> Tj ET";
    pageSpec.Resources = "/Font << /C0 5 0 R >>";
    pageSpec.Objects[5] = "<< /Type /Font /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H /DescendantFonts [6 0 R] "
                      "/ToUnicode 7 0 R >>";
    pageSpec.Objects[6] = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Foo /CIDSystemInfo << /Registry (Adobe) "
                      "/Ordering (Identity) /Supplement 0 >> /DW 600 >>";
    pageSpec.Objects[7] = rendertest::StreamObject(
        "", ToUnicodeCMapText("<0000> <FFFF>", "2 beginbfchar <0001> <0048> <0004> <00660069> endbfchar\n"
                                               "1 beginbfrange <0002> <0003> [<00E9> <03A9>] endbfrange"));
    return pageSpec;
}

TEST(ToUnicodeFunnel, TextFunnelCollectsTheMappedCharactersAsPdftotextDoes) {
    const rendertest::PageSpec pageSpec = ToUnicodeFunnelPage();
    auto render = rendertest::RenderPage(pageSpec, kRenderTextFunnel);
    std::u16string text;
    for (const TPDFTextFunnelBlock& block : render->Renderer().TextFunnel->Blocks) text += block.Text;
    EXPECT_EQ(text, u"H\u00E9\u03A9fi");

    const oracle::ToolResult pdftotext = oracle::RunCommand(
        "pdftotext -raw -enc UTF-8 " + oracle::WriteScratchFile("tounicode-funnel.pdf", rendertest::OnePagePdf(pageSpec)) +
        " - 2>/dev/null");
    if (pdftotext.ExitCode == -1 || pdftotext.ExitCode == 127) GTEST_SKIP() << "pdftotext is not installed";
    std::string expected = pdftotext.Output;
    while (!expected.empty() && (expected.back() == '\n' || expected.back() == '\f')) expected.pop_back();
    EXPECT_EQ(WideToUtf8(text), expected);
}

}  // namespace
}  // namespace parch
