#include "pdf/core/ScrivletFontConst.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/core/ScrivletTextString.h"
#include "platform/os/FontFamilies.h"

namespace parch {
namespace {

// Every test of this executable sees only the fonts that the font-family tests' configuration
// links, whatever the machine has.
const bool kFontsPinned =
    setenv("FONTCONFIG_FILE", PARCH_SOURCE_DIR "/tests/platform/os/fonts.conf", 1) == 0;

TGlyphNames Names(int encoding) {
    TGlyphNames names;
    GetEncodingGlyphNames(encoding, names);
    return names;
}

// One byte decoded by the C library's iconv; 0 when it refuses it.
char16_t DecodeByte(const char* charset, int code) {
    iconv_t cd = iconv_open("UTF-16LE", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0xFFFF;
    char in[1] = {static_cast<char>(code)};
    char out[4] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t status = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (status == static_cast<size_t>(-1)) return 0;
    return static_cast<char16_t>(static_cast<std::uint8_t>(out[0]) |
                                 (static_cast<std::uint8_t>(out[1]) << 8));
}

TEST(ScrivletFontConst, EncodingGlyphNames) {
    struct Case {
        int encoding;
        int code;
        const char* name;
    };
    const Case cases[] = {
        {kWinAnsiEncoding, 65, "A"},        {kWinAnsiEncoding, 128, "Euro"},
        {kWinAnsiEncoding, 127, "bullet"},  {kWinAnsiEncoding, 160, "space"},
        {kWinAnsiEncoding, 173, "hyphen"},  {kWinAnsiEncoding, 31, ".notdef"},
        {kWinAnsiEncoding, 32, "space"},    {kStandardEncoding, 39, "quoteright"},
        {kStandardEncoding, 96, "quoteleft"}, {kStandardEncoding, 127, ".notdef"},
        {kMacRomanEncoding, 202, "space"},  {kMacRomanEncoding, 219, "currency"},
        {kMacRomanEncoding, 173, ".notdef"}, {kPDFDocEncoding, 24, "breve"},
        {kPDFDocEncoding, 160, "Euro"},     {kPDFDocEncoding, 173, ".notdef"},
        {kMacExpertEncoding, 190, "AEsmall"}, {kMacExpertEncoding, 65, ".notdef"},
        {kMacExpertEncoding, 39, "Acutesmall"}, {kMacExpertEncoding, 32, "space"},
        {kSymbolEncoding, 65, "Alpha"},     {kSymbolEncoding, 160, "Euro"},
        {kSymbolEncoding, 127, ""},         {6, 65, ".notdef"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Names(c.encoding)[c.code], c.name) << c.encoding << "/" << c.code;

    TGlyphNames unicodeNames;
    GetSymbolUnicodeNames(kSymbolEncoding, unicodeNames);
    EXPECT_EQ(unicodeNames[65], "U+0391");
    EXPECT_EQ(unicodeNames[127], "");
    GetSymbolUnicodeNames(kWinAnsiEncoding, unicodeNames);
    EXPECT_EQ(unicodeNames[65], "");
}

TEST(ScrivletFontConst, LatinColumnsAgreeWithOutsideTables) {
    // WinAnsiEncoding is CP1252 and MacRomanEncoding the Mac character set, where code 219
    // is the currency sign in PDF and the euro sign in later Mac systems.
    for (const TLatinGlyph& glyph : LatinGlyphs()) {
        if (glyph.WinAnsiCode >= 0) {
            EXPECT_EQ(DecodeByte("CP1252", glyph.WinAnsiCode), glyph.Unicode) << glyph.Name;
        }
        if (glyph.MacRomanCode >= 0 && glyph.MacRomanCode != 219) {
            EXPECT_EQ(DecodeByte("MACINTOSH", glyph.MacRomanCode), glyph.Unicode) << glyph.Name;
        }
        if (glyph.PDFDocCode >= 0) {
            EXPECT_EQ(PDFDocEncodingTable()[glyph.PDFDocCode], glyph.Unicode) << glyph.Name;
        }
        EXPECT_EQ(GlyphNameToUnicode(glyph.Name), glyph.Unicode) << glyph.Name;
    }
    // StandardEncoding codes and the Helvetica widths from the metric-compatible Nimbus Sans.
    std::ifstream afm("/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.afm");
    ASSERT_TRUE(afm) << "fonts-urw-base35 is missing";
    std::map<std::string, std::pair<int, int>> metrics;  // name -> code, width
    for (std::string line; std::getline(afm, line);) {
        if (!line.starts_with("C ")) continue;
        int code = 0, width = 0;
        char name[64] = {};
        if (std::sscanf(line.c_str(), "C %d ; WX %d ; N %63s", &code, &width, name) == 3)
            metrics[name] = {code, width};
    }
    for (std::size_t i = 0; i < LatinGlyphs().size(); ++i) {
        const TLatinGlyph& glyph = LatinGlyphs()[i];
        ASSERT_TRUE(metrics.count(std::string(glyph.Name))) << glyph.Name;
        EXPECT_EQ(metrics[std::string(glyph.Name)].first, glyph.StandardCode) << glyph.Name;
        EXPECT_EQ(metrics[std::string(glyph.Name)].second, LatinGlyphWidth(i, 5)) << glyph.Name;
    }
}

TEST(ScrivletFontConst, EveryNameOfTheGlyphListFile) {
    std::ifstream file(PARCH_SOURCE_DIR "/resources/data/glyphlist.txt");
    ASSERT_TRUE(file);
    int names = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t semicolon = line.find(';');
        const std::string name = line.substr(0, semicolon);
        const auto first =
            static_cast<char16_t>(std::stoul(line.substr(semicolon + 1, 4), nullptr, 16));
        EXPECT_EQ(GlyphNameToUnicode(name), first) << name;
        ++names;
    }
    EXPECT_EQ(names, 4281);
    EXPECT_EQ(GlyphNameToUnicode("A"), 65);
    EXPECT_EQ(GlyphNameToUnicode("Euro"), 0x20AC);
    EXPECT_EQ(GlyphNameToUnicode("afii10017"), 0x0410);
    EXPECT_EQ(GlyphNameToUnicode("dalethatafpatah"), 0x05D3);
    for (const char* absent : {"uni0041", ".notdef", "", "[", "Zzzz", "a1", "~"})
        EXPECT_EQ(GlyphNameToUnicode(absent), 0) << absent;
}

TEST(ScrivletFontConst, WinAnsiCodesOfNames) {
    EXPECT_EQ(GlyphNameToWinAnsi(0x0141), 0);  // Lslash has no WinAnsi code
    EXPECT_EQ(GlyphNameToWinAnsi(0x20AC), 128);
    EXPECT_EQ(GlyphNameToWinAnsi(0x4E2D), 0);

    TGlyphNames names;
    names.fill(".notdef");
    names[1] = "CID:65";
    names[2] = "Eacute";
    names[3] = "CID:abc";  // straight from a file's /Differences: read as 0, no exception
    names[4] = "CID:";
    names[5] = "CID:99999999999";
    names[6] = "CID:233";
    TGlyphAnsiCodes codes{};
    ASSERT_NO_THROW(GlyphNamesToWinAnsi(names, codes));
    EXPECT_EQ(codes[1], 65);
    EXPECT_EQ(codes[2], 201);
    EXPECT_EQ(codes[3], 0);
    EXPECT_EQ(codes[4], 0);
    EXPECT_EQ(codes[5], 0);
    EXPECT_EQ(codes[6], 233);
    EXPECT_EQ(codes[0], 0);

    TGlyphUnicodes unicodes{};
    GlyphNamesToUnicode(names, unicodes);
    EXPECT_EQ(unicodes[2], 0x00C9);
    EXPECT_EQ(unicodes[1], 0);
}

TEST(ScrivletFontConst, GlyphNamesOfUnicodeAndTheLatinList) {
    std::string name = "kept";
    UnicodeToGlyphName(0x00C9, name);
    EXPECT_EQ(name, "Eacute");
    UnicodeToGlyphName(0x0391, name);
    EXPECT_EQ(name, "Alpha");  // from the Symbol set
    UnicodeToGlyphName(0x4E2D, name);
    EXPECT_EQ(name, "Alpha");
    EXPECT_EQ(GlyphNameIndex("A"), 1);
    EXPECT_EQ(GlyphNameIndex("zero"), 229);
    EXPECT_EQ(GlyphNameIndex("a"), LatinGlyphNameList().IndexOf("a") + 1);
    EXPECT_EQ(GlyphNameIndex("EURO"), 0);
    EXPECT_EQ(LatinGlyphNameList().GetCount(), 229);
}

TEST(ScrivletFontConst, StandardFontWidths) {
    TGlyphNames names;
    names.fill("");
    names[0] = "A";
    names[1] = "space";
    names[2] = "Alpha";
    names[3] = "Euro";
    names[4] = "quotesingle";
    struct Case {
        int font;
        std::array<double, 5> widths;
    };
    const Case cases[] = {
        {1, {600, 600, 750, 600, 600}},   {5, {667, 278, 750, 556, 191}},
        {6, {722, 278, 750, 556, 238}},   {9, {722, 250, 750, 500, 180}},
        {12, {667, 250, 750, 500, 278}},  {13, {750, 250, 722, 750, 750}},
    };
    for (const Case& c : cases) {
        TGlyphWidths widths{};
        GetStandardFontWidths(c.font, names, widths);
        for (std::size_t i = 0; i < c.widths.size(); ++i)
            EXPECT_EQ(widths[i], c.widths[i]) << "font " << c.font << " " << names[i];
    }
    EXPECT_EQ(LatinGlyphWidth(0, 13), 750);
    EXPECT_EQ(LatinGlyphWidth(229, 5), 750);
    TGlyphWidths untouched;
    untouched.fill(-1);
    GetStandardFontWidths(14, names, untouched);
    EXPECT_EQ(untouched[0], -1);
}

TEST(ScrivletFontConst, ApplyDifferences) {
    TPDFStructure structure;
    TPDFArray* differences = structure.NewArray();
    auto number = [&](double v) { differences->Add(structure.NewNumeric(v)); };
    auto name = [&](const char* n) { differences->Add(structure.NewName(n)); };
    number(32), name("a"), name("b");
    number(255), name("c"), name("d");  // 256 is out of range
    number(-1), name("e"), name("f");   // -1 out of range, then code 0
    number(3.5), name("g");              // rounded half to even: 4
    differences->Add(structure.NewString("x", 0));
    name("h");
    TGlyphNames names = Names(kStandardEncoding);
    ApplyDifferences(names, differences);
    EXPECT_EQ(names[32], "a");
    EXPECT_EQ(names[33], "b");
    EXPECT_EQ(names[255], "c");
    EXPECT_EQ(names[0], "f");
    EXPECT_EQ(names[4], "g");
    EXPECT_EQ(names[5], "h");
    EXPECT_EQ(names[65], "A");
    ApplyDifferences(names, nullptr);
}

TEST(ScrivletFontConst, FontFamiliesAreSortedAndCached) {
    ASSERT_TRUE(kFontsPinned);
    const TScrivletStringList& japanese = GetFontFamilies(SHIFTJIS_CHARSET);
    ASSERT_EQ(japanese.GetCount(), 1);
    EXPECT_EQ(japanese.Get(0), "IPAGothic");
    const TScrivletStringList& latin = GetFontFamilies(ANSI_CHARSET);
    std::vector<std::string> names;
    for (int i = 0; i < latin.GetCount(); ++i) names.push_back(latin.Get(i));
    EXPECT_EQ(names,
              (std::vector<std::string>{"Arial", "DejaVu Sans", "IPAGothic", "Liberation Sans",
                                        "Liberation Serif", "Times New Roman"}));
    EXPECT_TRUE(latin.GetSorted());
    EXPECT_EQ(&GetFontFamilies(ANSI_CHARSET), &latin);
}

TEST(ScrivletFontConst, DingbatsFontProgram) {
    const std::string font = GetDingbatsFontProgram();
    ASSERT_GT(font.size(), 1000u);
    EXPECT_EQ(font.substr(0, 4), std::string("\0\1\0\0", 4));  // a TrueType program
    EXPECT_NE(font.find("SVLDingbats"), std::string::npos);
    EXPECT_EQ(GetDingbatsFontProgram(), font);
}

}  // namespace
}  // namespace parch
