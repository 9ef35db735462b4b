#include "pdf/render/ScrivletFontCollection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/render/ScrivletTrueTypeRasterizer.h"
#include "pdf/render/ScrivletType1Decoder.h"
#include "base/Streams.h"
#include "pdf/render/ScrivletFontData.h"
#include "tests/pdf/render/ScrivletFontTestCanvas.h"
#include "tests/pdf/render/ScrivletFontTestObjects.h"
#include "tests/platform/gdi/TestFonts.h"

namespace parch {
namespace {

class ScrivletFontCollectionTest : public ::testing::Test {
protected:
    // Loads the font dictionary given as object 5 and selects it.
    TPDFFontCollectionData& Select(std::string_view fontDictionary) {
        objects.Define(5, fontDictionary);
        fonts.SelectFont(objects.Ref(5));
        EXPECT_NE(fonts.CurrentFont, nullptr);
        return *fonts.CurrentFont;
    }

    // The width the font gives a CID, -1 when it gives none.
    static int CIDWidth(const TPDFFontCollectionData& font, std::uint32_t cid) {
        std::int32_t width = 0;
        return font.FindCIDWidth(cid, width) ? width : -1;
    }

    // The installed family a font is drawn with: a TrueType face names it; a CFF face is one of
    // the URW standard faces, told apart by the outline of its "A".
    static std::string InstalledFamily(const TPDFFontCollectionData& font) {
        if (auto* trueType = dynamic_cast<TPDFTrueTypeRasterizer2*>(font.Rasterizer.get()))
            return trueType->FontOf().Name();
        auto* decoder = dynamic_cast<TPDFType1Decoder*>(font.Rasterizer.get());
        if (!decoder) return "";
        for (const char* family : {"Nimbus Sans", "Nimbus Roman", "Nimbus Mono PS", "Standard Symbols PS"}) {
            for (int style = 0; style < 4; ++style) {
                TInstalledFontData data = GetFontData(family, style & 1, style & 2);
                TPDFType1Decoder installed;
                TStringStream stream(data.Data);
                installed.LoadCFF(stream);
                const std::string glyph = std::string(family) == "Standard Symbols PS" ? "Alpha" : "A";
                testfont::RecordingCanvas a, b;
                decoder->RenderGlyph(a, TPDFMatrix{}, 0, 0, glyph);
                installed.RenderGlyph(b, TPDFMatrix{}, 0, 0, glyph);
                if (!a.Calls.empty() && a.Calls == b.Calls) return family;
            }
        }
        return "?";
    }

    testfont::FontObjects objects;
    TPDFFontCollection fonts;
};

TEST_F(ScrivletFontCollectionTest, StandardFontWithoutDescriptorTakesTheTableMetricsAndInstalledOutlines) {
    fonts.RasterizeGlyphs = true;
    const TPDFFontCollectionData& font = Select("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    EXPECT_EQ(font.Ascent, 718);
    EXPECT_EQ(font.Descent, -207);
    EXPECT_EQ(font.BaseFont, "Arial");
    EXPECT_EQ(font.Widths['A'], 667);
    EXPECT_EQ(font.Widths[' '], 278);
    EXPECT_EQ(font.GlyphNames['A'], "A");
    EXPECT_EQ(font.UnicodeText['A'], u"A");
    EXPECT_EQ(font.AnsiText['A'], "A");
    EXPECT_EQ(InstalledFamily(font), "Nimbus Sans");
}

TEST_F(ScrivletFontCollectionTest, SubsetTaggedNameMatchesNoRowButIsDrawnWithItsFamily) {
    fonts.RasterizeGlyphs = true;
    const TPDFFontCollectionData& font = Select("<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+ArialMT >>");
    EXPECT_EQ(font.Ascent, 0);
    EXPECT_EQ(font.Descent, 0);
    EXPECT_EQ(font.BaseFont, "ABCDEF+ArialMT");
    EXPECT_EQ(InstalledFamily(font), "Nimbus Sans");
    // Without /Widths the installed font's advances stand in.
    EXPECT_NEAR(font.Widths['A'], 667, 1);
}

TEST_F(ScrivletFontCollectionTest, StyledAndSymbolStandardFontsPickTheirInstalledFaces) {
    fonts.RasterizeGlyphs = true;
    struct Case {
        const char* baseFont;
        const char* family;
    };
    const Case cases[] = {
        {"Times-BoldItalic", "Nimbus Roman"}, {"Courier", "Nimbus Mono PS"},
        {"Symbol", "Standard Symbols PS"},
    };
    int number = 10;
    for (const Case& c : cases) {
        objects.Define(number, std::string("<< /Subtype /Type1 /BaseFont /") + c.baseFont + " >>");
        fonts.SelectFont(objects.Ref(number++));
        EXPECT_EQ(InstalledFamily(*fonts.CurrentFont), c.family) << c.baseFont;
    }
}

TEST_F(ScrivletFontCollectionTest, SubstitutionSearchesTheFamiliesTheCollectionIsGiven) {
    fonts.RasterizeGlyphs = true;
    fonts.SetInstalledFamilies({"DejaVu Serif"});
    const char* font = "<< /Subtype /TrueType /BaseFont /DejaVuSerif-Bold /FontDescriptor << /Flags 32 >> >>";
    EXPECT_EQ(InstalledFamily(Select(font)), "DejaVu Serif");

    TPDFFontCollection withoutIt;
    withoutIt.RasterizeGlyphs = true;
    withoutIt.SetInstalledFamilies({"Liberation Sans"});
    withoutIt.SelectFont(objects.Ref(5));
    EXPECT_EQ(InstalledFamily(*withoutIt.CurrentFont), "Nimbus Sans");  // Arial, the fallback
}

TEST_F(ScrivletFontCollectionTest, SymbolFontDrawsUnicodeNamesButMeasuresAndReadsItsGlyphNames) {
    const TPDFFontCollectionData& font = Select("<< /Type /Font /Subtype /Type1 /BaseFont /Symbol >>");
    EXPECT_EQ(font.GlyphNames['A'], "U+0391");
    EXPECT_EQ(font.Widths['A'], 722);           // Alpha in the Symbol metrics
    EXPECT_EQ(font.UnicodeText['a'], u"\u03B1");  // alpha
}

TEST_F(ScrivletFontCollectionTest, DescriptorGivesMetricsMissingWidthAndFlags) {
    objects.Define(6, "<< /Type /FontDescriptor /Ascent 0.9 /Descent -0.25 /Flags 34 /MissingWidth 333 >>");
    const TPDFFontCollectionData& font =
        Select("<< /Subtype /TrueType /BaseFont /Garamond /FontDescriptor 6 0 R /FirstChar 65 /LastChar 66 "
               "/Widths [600 700] >>");
    EXPECT_DOUBLE_EQ(font.Ascent, 900);
    EXPECT_DOUBLE_EQ(font.Descent, -250);
    EXPECT_EQ(font.Widths['A'], 600);
    EXPECT_EQ(font.Widths['B'], 700);
    EXPECT_EQ(font.Widths['C'], 333);
    EXPECT_EQ(font.FirstChar, 65);
    EXPECT_EQ(font.LastChar, 66);
}

TEST_F(ScrivletFontCollectionTest, SerifFlagWithoutMatchingFamilyFallsBackToTimes) {
    fonts.RasterizeGlyphs = true;
    objects.Define(6, "<< /Type /FontDescriptor /Ascent 700 /Descent -200 /Flags 34 >>");
    const TPDFFontCollectionData& font =
        Select("<< /Subtype /TrueType /BaseFont /Garamond,Bold /FontDescriptor 6 0 R /FirstChar 65 /LastChar 65 "
               "/Widths [612] >>");
    EXPECT_EQ(InstalledFamily(font), "Nimbus Roman");
    EXPECT_DOUBLE_EQ(font.Ascent, 700);
    EXPECT_EQ(font.Widths['A'], 612);  // the file's widths stay
}

TEST_F(ScrivletFontCollectionTest, WidthsOutsideTheCodeRangeAreIgnored) {
    std::string widths;
    for (int i = 0; i < 60; ++i) widths += std::to_string(100 + i) + " ";
    const TPDFFontCollectionData& font =
        Select("<< /Subtype /Type1 /BaseFont /Foo /FirstChar 250 /LastChar 300 /Widths [" + widths + "] >>");
    EXPECT_EQ(font.Widths[249], 750);
    EXPECT_EQ(font.Widths[250], 100);
    EXPECT_EQ(font.Widths[255], 105);
    EXPECT_EQ(font.LastChar, 255);
}

TEST_F(ScrivletFontCollectionTest, WidthsBeforeCodeZeroAndFarOutsideAreSkipped) {
    const TPDFFontCollectionData& font =
        Select("<< /Subtype /Type1 /BaseFont /Foo /FirstChar -2 /LastChar 9999999999 /Widths [1 2 3 /x 5] >>");
    EXPECT_EQ(font.Widths[0], 3);
    EXPECT_EQ(font.Widths[1], 0);  // not a number
    EXPECT_EQ(font.Widths[2], 5);
    EXPECT_EQ(font.Widths[3], 750);
}

TEST_F(ScrivletFontCollectionTest, EncodingDifferencesRenameCodesAndTheirText) {
    const TPDFFontCollectionData& font = Select(
        "<< /Subtype /Type1 /BaseFont /Helvetica /Encoding << /BaseEncoding /WinAnsiEncoding "
        "/Differences [65 /Euro /B 300 /C] >> >>");
    EXPECT_EQ(font.GlyphNames[65], "Euro");
    EXPECT_EQ(font.GlyphNames[66], "B");
    EXPECT_EQ(font.GlyphNames[128], "Euro");  // WinAnsi's own
    EXPECT_EQ(font.UnicodeText[65], u"\u20AC");
    EXPECT_EQ(font.AnsiCodes[65], "\x80");
    EXPECT_EQ(font.Widths[65], 556);  // the Euro in Helvetica's metrics
    EXPECT_EQ(font.EncodingName, "");  // kept by composite fonts only
}

TEST_F(ScrivletFontCollectionTest, FontWhoseNamesGiveNoTextGetsItsCodesAsText) {
    std::string names;
    for (int code = 0; code < 256; ++code) names += " /g" + std::to_string(code);
    const TPDFFontCollectionData& font =
        Select("<< /Subtype /Type3 /Encoding << /Differences [0" + names + "] >> >>");
    EXPECT_EQ(font.GlyphNames[7], "g7");
    EXPECT_EQ(font.AnsiText[7], "\x07");
    EXPECT_EQ(font.UnicodeText[200], u"\u00C8");
}

TEST_F(ScrivletFontCollectionTest, CIDWidthsFromW) {
    struct Case {
        const char* w;
        std::vector<std::pair<std::uint32_t, int>> expected;  // CIDs not listed take the default 800
        std::size_t ranges;
    };
    const Case cases[] = {
        {"[1 [500 600] 10 12 700]", {{1, 500}, {2, 600}, {10, 700}, {11, 700}, {12, 700}, {3, 800}, {13, 800}}, 3},
        {"[1 /Name 600]", {{1, 800}}, 0},
        {"[1 [500] 2]", {{1, 500}, {2, 800}}, 1},  // a lone last item is not read
        {"[-3 [1 2 3 4 5] 4 2 9]", {{0, 4}, {1, 5}, {2, 800}}, 2},  // negative CIDs and empty ranges
        {"[0 2 500 1 [900]]", {{1, 500}, {2, 500}}, 1},  // the first width given wins
        {"[0 2000000000 500]", {{0, 500}, {65535, 500}, {70000, 800}}, 1},  // one range, CIDs to 65535
        {"[5 9 300 0 20 400]", {{4, 400}, {5, 300}, {9, 300}, {10, 400}, {20, 400}}, 3},  // gaps around a range
        {"[0 1 7 0]", {{1, 7}}, 1},
    };
    int number = 10;
    for (const Case& c : cases) {
        objects.Define(number, std::string("<< /Subtype /CIDFontType2 /BaseFont /Foo /DW 800 /W ") + c.w + " >>");
        fonts.SelectFont(objects.Ref(number++));
        const TPDFFontCollectionData& font = *fonts.CurrentFont;
        ASSERT_NE(font.CIDWidths, nullptr);
        EXPECT_EQ(font.CIDWidthRanges.size(), c.ranges) << c.w;
        for (const auto& [cid, width] : c.expected) EXPECT_EQ(CIDWidth(font, cid), width) << c.w << " " << cid;
    }
}

TEST_F(ScrivletFontCollectionTest, CompositeFontCompletesItsDescendant) {
    objects.Define(6, "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /KozMinPro-Regular "
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 4 >> /W [1 [250]] >>");
    const TPDFFontCollectionData& font =
        Select("<< /Type /Font /Subtype /Type0 /BaseFont /KozMinPro-Regular /Encoding /Identity-H "
               "/DescendantFonts [6 0 R] >>");
    EXPECT_EQ(fonts.FontCount(), 1);
    EXPECT_TRUE(font.Composite);
    EXPECT_FALSE(font.OneByteCodes);
    EXPECT_EQ(font.ObjectNumber, 5);
    EXPECT_EQ(font.EncodingName, "Identity-H");
    EXPECT_EQ(font.CIDSystemInfo, "Adobe-Japan1-4");
    EXPECT_EQ(CIDWidth(font, 1), 250);
    EXPECT_EQ(CIDWidth(font, 2), 1000);

    std::vector<std::uint32_t> codes;
    fonts.SplitCodes(std::string("\x00\x01\x12\x34\x56", 5), codes);
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{0x0001, 0x1234}));
    fonts.SplitCodes("", codes);
    EXPECT_TRUE(codes.empty());
    std::u16string text;
    fonts.GetUnicode(34, text);  // CID 34 of Adobe-Japan1 is the letter A
    EXPECT_EQ(text, u"A");
}

TEST_F(ScrivletFontCollectionTest, CompositeFontWithoutOrderingOrMapSplitsPairsAndHasNoText) {
    objects.Define(6, "<< /Subtype /CIDFontType2 /BaseFont /Foo /CIDToGIDMap 7 0 R >>");
    objects.DefineStream(7, "<< >>", std::string("\x00\x05\x00\x07", 4));
    Select("<< /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H /DescendantFonts [6 0 R] >>");
    EXPECT_EQ(fonts.CurrentFont->CIDToGIDMap, std::string("\x00\x05\x00\x07", 4));
    EXPECT_EQ(fonts.CurrentFont->CIDSystemInfo, "");
    std::vector<std::uint32_t> codes;
    fonts.SplitCodes("\x01\x02\x03", codes);
    EXPECT_EQ(codes, std::vector<std::uint32_t>{0x0102});
    std::u16string text;
    fonts.GetUnicode(0x4E2D, text);
    EXPECT_EQ(text, u"");
}

TEST_F(ScrivletFontCollectionTest, OneByteEncodingCMapMakesSingleByteCodes) {
    objects.Define(6, "<< /Subtype /CIDFontType0 /BaseFont /Foo >>");
    objects.DefineStream(7, "<< /Type /CMap >>",
                         "/CIDInit /ProcSet findresource begin 1 begincodespacerange <00> <FF> "
                         "endcodespacerange endcmap");
    Select("<< /Subtype /Type0 /BaseFont /Foo /Encoding 7 0 R /DescendantFonts [6 0 R] >>");
    EXPECT_TRUE(fonts.CurrentFont->OneByteCodes);
    EXPECT_EQ(fonts.CurrentFont->EncodingName, "");
    std::vector<std::uint32_t> codes;
    fonts.SplitCodes("AB", codes);
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{'A', 'B'}));
}

TEST_F(ScrivletFontCollectionTest, CyclicOrEmptyDescendantsGiveTheFontAnEntryOfItsOwn) {
    objects.Define(9, "<< /Subtype /Type1 /BaseFont /Courier >>");
    fonts.SelectFont(objects.Ref(9));
    TPDFFontCollectionData* courier = fonts.CurrentFont;

    // A descendant that is the font itself, and one that names its parent back.
    objects.Define(5, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [5 0 R] >>");
    objects.Define(6, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [7 0 R] >>");
    objects.Define(7, "<< /Subtype /Type0 /Encoding /Identity-V /DescendantFonts [6 0 R] >>");
    objects.Define(8, "<< /Subtype /Type0 /Encoding /Identity-H /DescendantFonts [] >>");
    for (int number : {5, 6, 8}) {
        const int before = fonts.FontCount();
        fonts.SelectFont(objects.Ref(number));
        EXPECT_LE(fonts.FontCount(), before + 2) << number;
        EXPECT_EQ(fonts.CurrentFont->ObjectNumber, number);
        EXPECT_TRUE(fonts.CurrentFont->Composite);
    }
    // The earlier font was not taken for a descendant.
    EXPECT_FALSE(courier->Composite);
    fonts.SelectFontNumber(9);
    EXPECT_EQ(fonts.CurrentFont, courier);
}

TEST_F(ScrivletFontCollectionTest, FontsAreFoundByObjectNumberInAnyLoadOrder) {
    for (int number : {40, 12, 33, 7, 25}) {
        objects.Define(number, "<< /Subtype /Type1 /BaseFont /F" + std::to_string(number) + " >>");
        fonts.SelectFont(objects.Ref(number));
    }
    for (int number : {7, 12, 25, 33, 40}) {
        fonts.SelectFontNumber(number);
        EXPECT_EQ(fonts.CurrentFont->BaseFont, "F" + std::to_string(number));
    }
    TPDFFontCollectionData* current = fonts.CurrentFont;
    fonts.SelectFontNumber(13);
    fonts.SelectFontNumber(0);
    EXPECT_EQ(fonts.CurrentFont, current);
    fonts.SelectFont(objects.Ref(12));
    EXPECT_EQ(fonts.FontCount(), 5);
}

TEST_F(ScrivletFontCollectionTest, DirectFontDictionaryIsLoadedOnceAndNonDictionaryGetsStartValues) {
    TPDFDictionary* direct = objects.Dictionary("<< /Subtype /Type1 /BaseFont /Times-Roman >>");
    fonts.LoadAndSelectFont(direct);
    TPDFFontCollectionData* first = fonts.CurrentFont;
    fonts.LoadAndSelectFont(direct);
    EXPECT_EQ(fonts.CurrentFont, first);
    EXPECT_EQ(fonts.FontCount(), 1);
    EXPECT_EQ(first->ObjectNumber, 0);
    EXPECT_EQ(first->Ascent, 683);

    objects.Define(5, "42");
    fonts.SelectFont(objects.Ref(5));
    EXPECT_EQ(fonts.CurrentFont->BaseFont, "Arial");
    EXPECT_EQ(fonts.CurrentFont->GlyphNames['A'], "A");
    EXPECT_EQ(fonts.CurrentFont->Widths['A'], 0);
    EXPECT_EQ(fonts.CurrentFont->Rasterizer, nullptr);
}

TEST_F(ScrivletFontCollectionTest, SimpleFontCodesAreSingleBytesAndUnknownTextIsTheCode) {
    Select("<< /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Differences [65 /g65] >> >>");
    std::vector<std::uint32_t> codes;
    fonts.SplitCodes("AB", codes);
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{'A', 'B'}));
    std::u16string text;
    fonts.GetUnicode('B', text);
    EXPECT_EQ(text, u"B");
    fonts.GetUnicode('A', text);  // a glyph name without text
    EXPECT_EQ(text, u"A");
    fonts.GetUnicode(300, text);
    EXPECT_EQ(text, u"");
}

TEST_F(ScrivletFontCollectionTest, SymbolicTrueTypeNamesGlyphsByCodeAndKeepsDifferencesForText) {
    fonts.RasterizeGlyphs = true;
    objects.DefineStream(7, "<< >>", "not really a font program");
    objects.Define(6, "<< /Type /FontDescriptor /Flags 4 /FontFile2 7 0 R >>");
    const TPDFFontCollectionData& font = Select(
        "<< /Subtype /TrueType /BaseFont /Wingdings /FontDescriptor 6 0 R "
        "/Encoding << /BaseEncoding /WinAnsiEncoding /Differences [65 /alpha] >> >>");
    EXPECT_EQ(font.GlyphNames[65], "CID:65");
    EXPECT_EQ(font.UnicodeText[65], u"\u03B1");
    EXPECT_EQ(font.UnicodeText[66], u"B");

    TPDFFontCollection keeping;
    keeping.RasterizeGlyphs = true;
    keeping.KeepSymbolicDifferences = true;
    keeping.SelectFont(objects.Ref(5));
    EXPECT_EQ(keeping.CurrentFont->GlyphNames[65], "alpha");
    EXPECT_EQ(keeping.CurrentFont->GlyphNames[66], "CID:66");
}

TEST_F(ScrivletFontCollectionTest, StreamReadsAreBracketedByTheCallbacks) {
    objects.Define(6, "<< /Subtype /CIDFontType2 /BaseFont /Foo /CIDToGIDMap 7 0 R >>");
    TPDFStream* map = objects.DefineStream(7, "<< >>", "ab");
    std::vector<std::string> calls;
    fonts.OnBeforeStreamRead = [&](TPDFStream* stream, TPDFIndRef* reference) {
        EXPECT_EQ(stream, map);
        calls.push_back("before " + std::to_string(reference->RefObjectNumber));
    };
    fonts.OnAfterStreamRead = [&](TPDFStream*, TPDFIndRef*) { calls.push_back("after"); };
    Select("<< /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H /DescendantFonts [6 0 R] >>");
    EXPECT_EQ(calls, (std::vector<std::string>{"before 7", "after"}));
}

}  // namespace
}  // namespace parch
