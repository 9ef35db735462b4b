#include "pdf/render/ScrivletType1Decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"
#include "ScrivletFontTestCanvas.h"
#include "ScrivletFontTestObjects.h"
#include "ScrivletType1TestFont.h"

namespace parch {
namespace {

using testtype1::DecoderOutline;
using testtype1::FreeTypeFace;
using testtype1::Outline;

const std::string kType1Fixtures = "tests/pdf/render/ScrivletType1Fixtures/";
const std::string kType1UrwFolder = "/usr/share/fonts/type1/urw-base35/";

class Type1LoadedFont {
public:
    explicit Type1LoadedFont(const std::string& path)
        : path_(path), program_(testtype1::ReadFile(path)),
          decoder_(testtype1::LoadProgram(objects_, program_, testtype1::SplitLengths(program_))) {}

    TPDFType1Decoder& Decoder() { return *decoder_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string program_;
    testfont::FontObjects objects_;
    std::unique_ptr<TPDFType1Decoder> decoder_;
};

std::vector<std::string> Type1CommandTexts(TPDFType1Decoder& decoder, const std::string& glyphName) {
    decoder.LoadGlyphCommands(glyphName);
    std::vector<std::string> texts;
    for (int i = 0; i < decoder.CommandList().GetCount(); ++i) texts.push_back(decoder.CommandList().Get(i));
    return texts;
}

// Every glyph that FreeType can load is drawn with FreeType's contours; `skipped` glyphs are
// those FreeType refuses by design (checked separately).
void Type1ExpectMatchesFreeType(const std::string& path, const std::vector<std::string>& skipped = {}) {
    SCOPED_TRACE(path);
    Type1LoadedFont font(path);
    FreeTypeFace face(path);
    ASSERT_TRUE(face.Valid());
    std::vector<std::string> names = face.GlyphNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(font.Decoder().GlyphNames().GetCount(), static_cast<int>(names.size()));
    for (const std::string& name : names) {
        if (std::find(skipped.begin(), skipped.end(), name) != skipped.end()) continue;
        Outline expected;
        ASSERT_TRUE(face.GlyphOutline(name, expected)) << name;
        bool ended = false;
        EXPECT_TRUE(testtype1::SameOutline(expected, DecoderOutline(font.Decoder(), name, &ended))) << name;
        EXPECT_TRUE(ended) << name;
    }
}

TEST(ScrivletType1Decoder, UrwFontsDrawFreeTypeOutlines) {
    for (const char* name : {"NimbusSans-Regular", "NimbusRoman-Italic", "NimbusMonoPS-Bold", "C059-BdIta",
                             "URWBookman-Light", "URWGothic-DemiOblique", "Z003-MediumItalic", "StandardSymbolsPS",
                             "D050000L", "P052-Roman"}) {
        std::string path = kType1UrwFolder + name + ".t1";
        if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not installed";
        Type1ExpectMatchesFreeType(path);
    }
}

TEST(ScrivletType1Decoder, HandWrittenFontsDrawFreeTypeOutlines) {
    // "recurse" loops through a subroutine, "a" names itself as its seac base and "open" has
    // no endchar: the next tests cover them.
    for (const char* name : {"ParchT1Basic.t1", "ParchT1Plain.t1", "ParchT1Hex.t1"})
        Type1ExpectMatchesFreeType(kType1Fixtures + name, {"recurse", "a", "open"});
}

TEST(ScrivletType1Decoder, LoadsEncodingLenIVAndProcedureNames) {
    Type1LoadedFont basic(kType1Fixtures + "ParchT1Basic.t1");
    std::array<std::string, 256> encoding = basic.Decoder().GetBuiltInEncoding();
    EXPECT_EQ(encoding[65], "square");
    EXPECT_EQ(encoding[66], "B");  // the standard names stay where the array puts nothing
    EXPECT_EQ(encoding[194], "acute");
    EXPECT_EQ(basic.Decoder().LenIV(), 4);
    ASSERT_NE(basic.Decoder().FontDictionary(), nullptr);
    EXPECT_NE(basic.Decoder().FontDictionary()->GetValue("FontMatrix"), nullptr);

    // The FontDirectory test ahead of the hex font's dictionary is skipped, not parsed.
    Type1LoadedFont hex(kType1Fixtures + "ParchT1Hex.t1");
    ASSERT_NE(hex.Decoder().FontDictionary(), nullptr);
    EXPECT_NE(hex.Decoder().FontDictionary()->GetValue("FontMatrix"), nullptr);

    Type1LoadedFont plain(kType1Fixtures + "ParchT1Plain.t1");
    EXPECT_EQ(plain.Decoder().LenIV(), -1);
    EXPECT_EQ(plain.Decoder().GlyphNames().GetCount(), basic.Decoder().GlyphNames().GetCount());
    // Plain charstrings are taken as they are: the first bytes are hsbw's operands.
    EXPECT_EQ(Type1CommandTexts(plain.Decoder(), "square").front(), "hsbw(50,600)");
}

TEST(ScrivletType1Decoder, CommandTextOfFlexDivAndHints) {
    Type1LoadedFont font(kType1Fixtures + "ParchT1Basic.t1");
    std::vector<std::string> flexed = Type1CommandTexts(font.Decoder(), "flexed");
    EXPECT_NE(std::find(flexed.begin(), flexed.end(), "flex(200,0,-100,0,50,20,50,0,50,0,50,-20,50,0)"), flexed.end());
    EXPECT_NE(std::find(flexed.begin(), flexed.end(), "setcurrentpoint(450,0)"), flexed.end());
    EXPECT_EQ(std::count_if(flexed.begin(), flexed.end(), [](const std::string& s) { return s.rfind("rmoveto", 0) == 0; }), 1);

    std::vector<std::string> curves = Type1CommandTexts(font.Decoder(), "curves");
    for (const char* expected : {"hstem3", "vstem3", "dotsection", "rrcurveto(0,50,100,150,200,0) vh",
                                 "rrcurveto(200,0,50,-100,0,-150) hv", "rrcurveto(-30,-20,-40,-10,-100,-50) rr",
                                 "rlineto(300,0)"})
        EXPECT_NE(std::find(curves.begin(), curves.end(), expected), curves.end()) << expected;
}

TEST(ScrivletType1Decoder, SelfCallingSubroutineStopsAtTheDepthLimit) {
    Type1LoadedFont font(kType1Fixtures + "ParchT1Basic.t1");
    bool ended = false;
    Outline outline = DecoderOutline(font.Decoder(), "recurse", &ended);
    EXPECT_TRUE(ended);
    ASSERT_EQ(outline.size(), 1u);
    // Ten nested calls draw ten lines, and the close draws the eleventh.
    EXPECT_EQ(outline[0].segments.size(), 11u);
    EXPECT_DOUBLE_EQ(outline[0].segments[9].points[0], 1000);
}

TEST(ScrivletType1Decoder, AccentedGlyphsPlaceTheAccentAndRefuseThemselves) {
    Type1LoadedFont font(kType1Fixtures + "ParchT1Basic.t1");
    std::vector<std::string> eacute = Type1CommandTexts(font.Decoder(), "eacute");
    EXPECT_NE(std::find(eacute.begin(), eacute.end(), "seac(60,100,500)"), eacute.end());
    // A seac whose base is the glyph itself draws nothing and ends.
    bool ended = true;
    EXPECT_TRUE(DecoderOutline(font.Decoder(), "a", &ended).empty());
}

TEST(ScrivletType1Decoder, CachesAndMissingGlyphs) {
    Type1LoadedFont font(kType1Fixtures + "ParchT1Basic.t1");
    testfont::RecordingCanvas first, second;
    TPDFMatrix scale{2, 0, 0, 2, 10, 20};
    EXPECT_TRUE(font.Decoder().RenderGlyph(first, scale, 5, 0, "square"));
    EXPECT_TRUE(font.Decoder().RenderGlyph(second, scale, 5, 0, "square"));
    EXPECT_EQ(first.Calls, second.Calls);
    // (50, 0) moved by (5, 0), then scaled by 2 and moved by (10, 20).
    EXPECT_NE(std::find(first.Calls.begin(), first.Calls.end(), "m 120 20"), first.Calls.end());

    // A glyph without endchar is drawn all the same; only the first result tells.
    bool ended = true;
    EXPECT_EQ(DecoderOutline(font.Decoder(), "open", &ended).size(), 1u);
    EXPECT_FALSE(ended);
    testfont::RecordingCanvas open;
    EXPECT_TRUE(font.Decoder().RenderGlyph(open, TPDFMatrix::Identity(), 0, 0, "open"));
    EXPECT_FALSE(open.Calls.empty());

    testfont::RecordingCanvas missing;
    EXPECT_FALSE(font.Decoder().RenderGlyph(missing, TPDFMatrix::Identity(), 0, 0, "nosuchglyph"));
    EXPECT_TRUE(missing.Calls.empty());
    EXPECT_EQ(font.Decoder().GetCharString("GID:1"), font.Decoder().CharStrings().Get(1));
    EXPECT_TRUE(font.Decoder().GetCharString("GID:x").empty());
    EXPECT_TRUE(font.Decoder().GetCharString("GID:99999999999999").empty());
}

TEST(ScrivletType1Decoder, FontFileWithoutLengthsHasNoGlyphs) {
    std::string program = testtype1::ReadFile(kType1Fixtures + "ParchT1Basic.t1");
    testfont::FontObjects objects;
    testtype1::FontFileLengths lengths = testtype1::SplitLengths(program);
    for (long long length1 : {0LL, -5LL}) {
        testtype1::FontFileLengths broken = lengths;
        broken.length1 = length1;
        auto decoder = testtype1::LoadProgram(objects, program, broken);
        EXPECT_EQ(decoder->GlyphNames().GetCount(), 0);
        testfont::RecordingCanvas canvas;
        EXPECT_FALSE(decoder->RenderGlyph(canvas, TPDFMatrix::Identity(), 0, 0, "square"));
    }
    // Lengths beyond the data cut what there is and report it.
    testtype1::FontFileLengths huge = lengths;
    huge.length3 = 1LL << 62;
    TPDFStream* stream = objects.DefineStream(
        2, "<< /Length1 " + std::to_string(huge.length1) + " /Length2 " + std::to_string(huge.length2) +
               " /Length3 " + std::to_string(huge.length3) + " >>",
        program);
    TPDFType1Decoder decoder;
    EXPECT_FALSE(decoder.SplitFontFile(stream));
}

}  // namespace
}  // namespace parch
