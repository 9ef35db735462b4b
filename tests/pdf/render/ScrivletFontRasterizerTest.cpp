#include "pdf/render/ScrivletFontCollection.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/render/ScrivletFontData.h"
#include "pdf/render/ScrivletTrueTypeRasterizer.h"
#include "pdf/render/ScrivletType1Decoder.h"
#include "tests/pdf/render/ScrivletFontTestCanvas.h"
#include "tests/pdf/render/ScrivletFontTestObjects.h"
#include "tests/pdf/render/ScrivletType1TestFont.h"
#include "tests/platform/gdi/TestFonts.h"

namespace parch {
namespace {

// Fills the paths it is given into an image, black on white, y down as a page is shown.
class RasterizerTestPicture : public TPDFGenericCanvas {
public:
    RasterizerTestPicture(int width, int height)
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)), cr_(cairo_create(surface_)) {
        cairo_set_source_rgb(cr_, 1, 1, 1);
        cairo_paint(cr_);
        cairo_set_source_rgb(cr_, 0, 0, 0);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    }
    ~RasterizerTestPicture() override {
        cairo_destroy(cr_);
        cairo_surface_destroy(surface_);
    }

    void NewPath() override { cairo_new_path(cr_); }
    void MoveTo(double x, double y) override { cairo_move_to(cr_, x, y); }
    void LineTo(double x, double y) override { cairo_line_to(cr_, x, y); }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
        cairo_curve_to(cr_, x1, y1, x2, y2, x3, y3);
    }
    void QuadCurveTo(double x1, double y1, double x2, double y2) override {
        double x0 = 0, y0 = 0;
        cairo_get_current_point(cr_, &x0, &y0);
        cairo_curve_to(cr_, x0 + 2.0 / 3 * (x1 - x0), y0 + 2.0 / 3 * (y1 - y0), x2 + 2.0 / 3 * (x1 - x2),
                       y2 + 2.0 / 3 * (y1 - y2), x2, y2);
    }
    void ClosePath() override { cairo_close_path(cr_); }
    void Stroke() override { cairo_stroke(cr_); }
    void Fill() override { cairo_fill(cr_); }
    void FillAndStroke() override { cairo_fill(cr_); }
    void DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) override {}

    // Dark pixels in the rectangle [left, right) × [top, bottom).
    int InkIn(int left, int top, int right, int bottom) const {
        cairo_surface_flush(surface_);
        const unsigned char* data = cairo_image_surface_get_data(surface_);
        const int stride = cairo_image_surface_get_stride(surface_);
        int ink = 0;
        for (int y = std::max(top, 0); y < std::min(bottom, cairo_image_surface_get_height(surface_)); ++y)
            for (int x = std::max(left, 0); x < std::min(right, cairo_image_surface_get_width(surface_)); ++x) {
                std::uint32_t pixel = 0;
                std::memcpy(&pixel, data + y * stride + x * 4, 4);
                if ((pixel & 0xFF) < 128) ++ink;
            }
        return ink;
    }
    void Save(const std::string& path) const { cairo_surface_write_to_png(surface_, path.c_str()); }

private:
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// The box of every point the canvas was given.
struct RasterizerTestBox {
    double left = std::numeric_limits<double>::max(), top = left;
    double right = std::numeric_limits<double>::lowest(), bottom = right;
};

RasterizerTestBox RasterizerTestBoxOfCalls(const std::vector<std::string>& calls) {
    RasterizerTestBox box;
    for (const std::string& call : calls) {
        std::istringstream words(call.substr(1));
        double x = 0, y = 0;
        while (words >> x >> y) {
            box.left = std::min(box.left, x), box.right = std::max(box.right, x);
            box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

std::string RasterizerTestReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string RasterizerTestFixture(const char* folder, const char* name) {
    return RasterizerTestReadFile(std::string(PARCH_SOURCE_DIR) + "/tests/pdf/render/" + folder + "/" + name);
}

// What drawing the glyph adds to a recording canvas at one point per unit.
std::vector<std::string> RasterizerTestDraw(TPDFFontRasterizer& rasterizer, const std::string& glyphName) {
    testfont::RecordingCanvas canvas;
    rasterizer.RenderGlyph(canvas, TPDFMatrix{}, 0, 0, glyphName);
    return canvas.Calls;
}

// A font program loaded by the rasterizer its kind calls for, outside any collection.
std::unique_ptr<TPDFFontRasterizer> RasterizerTestOwnLoad(const std::string& program) {
    TPDFTrueTypeParser parser;
    parser.LoadFromString(program);
    if (program.compare(0, 4, "OTTO") == 0 || program[0] == 1) {
        auto decoder = std::make_unique<TPDFType1Decoder>();
        TStringStream stream(program);
        decoder->LoadCFF(stream);
        return decoder;
    }
    auto rasterizer = std::make_unique<TPDFTrueTypeRasterizer2>();
    rasterizer->Parser().LoadFromString(program);
    return rasterizer;
}

// The installed family's own program, as the collection should find it.
std::unique_ptr<TPDFFontRasterizer> RasterizerTestInstalled(const std::string& family, bool bold = false,
                                                            bool italic = false) {
    return RasterizerTestOwnLoad(GetFontData(family, bold, italic).Data);
}

class ScrivletFontRasterizerTest : public ::testing::Test {
protected:
    ScrivletFontRasterizerTest() { fonts.RasterizeGlyphs = true; }

    TPDFFontCollectionData& Select(const std::string& fontDictionary) {
        objects.Define(++lastNumber_, fontDictionary);
        fonts.SelectFont(objects.Ref(lastNumber_));
        return *fonts.CurrentFont;
    }
    // A font whose descriptor embeds the program under the key.
    TPDFFontCollectionData& SelectEmbedded(const std::string& subtype, const std::string& key,
                                           const std::string& program, const std::string& streamDictionary = "<< >>") {
        objects.DefineStream(++lastNumber_, streamDictionary, program);
        const int stream = lastNumber_;
        objects.Define(++lastNumber_, "<< /Type /FontDescriptor /Flags 32 /" + key + " " + std::to_string(stream) +
                                          " 0 R >>");
        return Select("<< /Subtype /" + subtype + " /BaseFont /Embedded /FontDescriptor " +
                      std::to_string(lastNumber_) + " 0 R >>");
    }
    std::vector<std::string> Draw(TPDFFontCollectionData& font, const std::string& glyphName) {
        return font.Rasterizer ? RasterizerTestDraw(*font.Rasterizer, glyphName) : std::vector<std::string>{};
    }

    testfont::FontObjects objects;
    TPDFFontCollection fonts;

private:
    int lastNumber_ = 0;
};

// Each embedded program reaches the rasterizer of its kind and draws what that rasterizer draws
// from the same bytes.
TEST_F(ScrivletFontRasterizerTest, EmbeddedProgramsDrawThroughTheirDecoders) {
    const std::string type1 = RasterizerTestFixture("ScrivletType1Fixtures", "ParchT1Basic.t1");
    const std::string openType = RasterizerTestFixture("ScrivletCFFFixtures", "t2ops.otf");
    const std::string trueType = RasterizerTestReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

    const testtype1::FontFileLengths lengths = testtype1::SplitLengths(type1);
    TPDFFontCollectionData& t1 = SelectEmbedded(
        "Type1", "FontFile", type1,
        "<< /Length1 " + std::to_string(lengths.length1) + " /Length2 " + std::to_string(lengths.length2) +
            " /Length3 " + std::to_string(lengths.length3) + " >>");
    auto* t1Decoder = dynamic_cast<TPDFType1Decoder*>(t1.Rasterizer.get());
    ASSERT_NE(t1Decoder, nullptr);
    ASSERT_GT(t1Decoder->GlyphNames().GetCount(), 1);
    EXPECT_FALSE(Draw(t1, t1Decoder->GlyphNames().Get(t1Decoder->GlyphNames().GetCount() - 1)).empty());
    // Without /Encoding the program's own encoding names the codes.
    EXPECT_EQ(t1.GlyphNames, t1Decoder->GetBuiltInEncoding());

    struct Case {
        const char* subtype;
        const char* key;
        const std::string* program;
        const char* glyph;  // empty: the loaded font's last glyph
    };
    const Case cases[] = {
        {"Type1", "FontFile3", &openType, ""},    // OpenType (or Type1C) in FontFile3
        {"TrueType", "FontFile2", &openType, ""}, // an OpenType program in FontFile2 goes to the CFF decoder
        {"TrueType", "FontFile2", &trueType, "g"},
    };
    for (const Case& c : cases) {
        TPDFFontCollectionData& font = SelectEmbedded(c.subtype, c.key, *c.program);
        auto own = RasterizerTestOwnLoad(*c.program);
        std::string glyph = c.glyph;
        if (glyph.empty()) {
            const auto& names = dynamic_cast<TPDFType1Decoder&>(*own).GlyphNames();
            glyph = names.Get(names.GetCount() - 1);
        }
        ASSERT_NE(font.Rasterizer, nullptr) << c.key;
        EXPECT_EQ(typeid(*font.Rasterizer), typeid(*own)) << c.subtype << " " << c.key;
        const std::vector<std::string> drawn = Draw(font, glyph);
        EXPECT_FALSE(drawn.empty()) << c.key << " " << glyph;
        EXPECT_EQ(drawn, RasterizerTestDraw(*own, glyph)) << c.key << " " << glyph;
    }
}

TEST_F(ScrivletFontRasterizerTest, CompositeFontsDrawTheirCIDKeyedProgramsByCID) {
    const std::string cid = RasterizerTestFixture("ScrivletCFFFixtures", "cid.cff");
    objects.DefineStream(50, "<< /Subtype /CIDFontType0C >>", cid);
    objects.Define(51, "<< /Type /FontDescriptor /Flags 4 /FontFile3 50 0 R >>");
    objects.Define(52, "<< /Subtype /CIDFontType0 /BaseFont /Embedded /FontDescriptor 51 0 R "
                       "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /W [1 [600]] >>");
    TPDFFontCollectionData& font =
        Select("<< /Subtype /Type0 /BaseFont /Embedded /Encoding /Identity-H /DescendantFonts [52 0 R] >>");
    EXPECT_TRUE(font.Composite);
    auto own = RasterizerTestOwnLoad(cid);
    // CID 23 is glyph 13, drawn with its font dict's subroutines.
    const std::string byGID = "GID:23";
    EXPECT_FALSE(Draw(font, byGID).empty());
    EXPECT_EQ(Draw(font, byGID), RasterizerTestDraw(*own, byGID));
}

// Standard fonts are drawn from the URW OpenType files through the CFF decoder, the dingbats
// from the built-in TrueType program.
TEST_F(ScrivletFontRasterizerTest, StandardFontsDrawInstalledFacesThroughTheCFFDecoder) {
    struct Case {
        const char* baseFont;
        const char* family;
        bool bold, italic;
    };
    const Case cases[] = {
        {"Helvetica", "Nimbus Sans", false, false},
        {"Times-BoldItalic", "Nimbus Roman", true, true},
        {"Courier-Bold", "Nimbus Mono PS", true, false},
    };
    for (const Case& c : cases) {
        TPDFFontCollectionData& font = Select(std::string("<< /Subtype /Type1 /BaseFont /") + c.baseFont + " >>");
        ASSERT_NE(dynamic_cast<TPDFType1Decoder*>(font.Rasterizer.get()), nullptr) << c.baseFont;
        auto own = RasterizerTestInstalled(c.family, c.bold, c.italic);
        EXPECT_FALSE(Draw(font, "A").empty()) << c.baseFont;
        EXPECT_EQ(Draw(font, "A"), RasterizerTestDraw(*own, "A")) << c.baseFont;
    }

    // Symbol's codes are named "U+XXXX"; the decoder finds them through the glyph list.
    TPDFFontCollectionData& symbol = Select("<< /Subtype /Type1 /BaseFont /Symbol >>");
    EXPECT_EQ(symbol.GlyphNames['a'], "U+03B1");
    auto symbols = RasterizerTestInstalled("Standard Symbols PS");
    EXPECT_FALSE(Draw(symbol, "U+03B1").empty());
    EXPECT_EQ(Draw(symbol, "U+03B1"), RasterizerTestDraw(*symbols, "alpha"));
    EXPECT_TRUE(Draw(symbol, "U+XYZW").empty());

    // The dingbats draw the glyph at their code, whatever the standard encoding calls it.
    TPDFFontCollectionData& dingbats = Select("<< /Subtype /Type1 /BaseFont /ZapfDingbats >>");
    EXPECT_EQ(dingbats.BaseFont, "SVLDingbats");
    ASSERT_NE(dynamic_cast<TPDFTrueTypeRasterizer2*>(dingbats.Rasterizer.get()), nullptr);
    TPDFTrueTypeRasterizer2 builtIn;
    builtIn.Parser().LoadFromString(GetDingbatsFontProgram());
    for (int code : {0x21, 0x27, 0xA4}) {
        EXPECT_FALSE(Draw(dingbats, dingbats.GlyphNames[static_cast<std::size_t>(code)]).empty()) << code;
    }
    EXPECT_EQ(Draw(dingbats, dingbats.GlyphNames[0x21]), RasterizerTestDraw(builtIn, "a1"));
    EXPECT_EQ(dingbats.UnicodeText[0x21], u"!");  // the text keeps the standard names
    EXPECT_EQ(dingbats.Widths[0x21], 974);
    EXPECT_EQ(dingbats.Widths[0x20], 278);
}

TEST_F(ScrivletFontRasterizerTest, SubstitutedTrueTypeFaceKeepsItsQuadraticCurvesAndWidths) {
    TPDFFontCollectionData& font = Select(
        "<< /Subtype /TrueType /BaseFont /DejaVuSans-Bold /FontDescriptor << /Flags 32 /Ascent 760 /Descent -240 >> >>");
    auto* trueType = dynamic_cast<TPDFTrueTypeRasterizer2*>(font.Rasterizer.get());
    ASSERT_NE(trueType, nullptr);
    EXPECT_EQ(trueType->FontOf().Name(), "DejaVu Sans");
    const std::vector<std::string> calls = Draw(font, "O");
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const std::string& c) { return c[0] == 'q'; }));
    EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const std::string& c) { return c[0] == 'c'; }));
    EXPECT_NEAR(font.Widths['O'], 850, 5);  // the installed face's advance
}

TEST_F(ScrivletFontRasterizerTest, JapaneseGothicNamesItsStandInButAddsNoOutline) {
    TPDFFontCollectionData& font =
        Select("<< /Subtype /Type0 /BaseFont /HeiseiKakuGo-W5 /Encoding /UniJIS-UCS2-H /DescendantFonts "
               "[<< /Subtype /CIDFontType0 /BaseFont /HeiseiKakuGo-W5 /FontDescriptor << /Flags 4 >> /DW 1000 "
               "/W [32 [5]] /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> >>] >>");
    auto* japanese = dynamic_cast<TPDFSimpleTrueTypeRasterizer*>(font.Rasterizer.get());
    ASSERT_NE(japanese, nullptr);
    testfont::RecordingCanvas canvas;
    EXPECT_TRUE(japanese->RenderGlyph(canvas, TPDFMatrix{}, 0, 0, "GID:5"));
    EXPECT_FALSE(japanese->RenderGlyph(canvas, TPDFMatrix{}, 0, 0, "GID:0"));
    EXPECT_TRUE(canvas.Calls.empty());
    // The built-in widths stand in for /W.
    struct Case {
        std::uint32_t cid;
        std::int32_t width;
    };
    for (const Case& c : {Case{0x20, 278}, Case{0x25, 889}, Case{0x2002, 500}, Case{0x4E00, 1000}}) {
        std::int32_t width = 0;
        EXPECT_TRUE(font.FindCIDWidth(c.cid, width));
        EXPECT_EQ(width, c.width) << c.cid;
    }
}

// A line of text in four standard fonts, laid out by the fonts' widths, filled into a picture.
TEST_F(ScrivletFontRasterizerTest, WordsDrawnThroughTheRasterizerLookLikeText) {
    RasterizerTestPicture picture(640, 200);
    struct Line {
        const char* baseFont;
        const char* text;
        double size, x, baseline;
    };
    const Line lines[] = {
        {"Helvetica", "Parchwise", 36, 20, 50},
        {"Times-BoldItalic", "Parchwise", 36, 240, 50},
        {"Courier-Bold", "Parchwise", 30, 20, 110},
        {"Symbol", "abgdpW", 36, 240, 110},
        {"ZapfDingbats", "3456", 30, 420, 110},
        {"Helvetica-Oblique", "Glyph outlines", 24, 20, 170},
    };
    double lineEnd[std::size(lines)] = {};
    int index = 0;
    for (const Line& line : lines) {
        TPDFFontCollectionData& font = Select(std::string("<< /Subtype /Type1 /BaseFont /") + line.baseFont + " >>");
        picture.NewPath();
        double x = 0;  // thousandths of text space
        for (char c : std::string(line.text)) {
            const auto code = static_cast<std::uint8_t>(c);
            const TPDFMatrix device{line.size / 1000, 0, 0, -line.size / 1000, line.x, line.baseline};
            font.Rasterizer->RenderGlyph(picture, device, x, 0, font.GlyphNames[code]);
            x += font.Widths[code];
        }
        picture.Fill();
        lineEnd[index++] = line.x + x * line.size / 1000;
    }
    picture.Save(PARCH_BINARY_DIR "/tests/pdf/render/ScrivletFontRasterizerWords.png");

    // Ink where the lines run, none above the first cap height, between the lines or past
    // their ends.
    EXPECT_GT(picture.InkIn(20, 24, 200, 50), 600);
    EXPECT_EQ(picture.InkIn(0, 0, 640, 20), 0);
    EXPECT_EQ(picture.InkIn(0, 60, 640, 80), 0);
    EXPECT_GT(picture.InkIn(240, 80, 340, 118), 300);  // Greek letters, descenders included
    EXPECT_GT(picture.InkIn(420, 85, 560, 112), 300);  // dingbats
    EXPECT_EQ(picture.InkIn(static_cast<int>(lineEnd[0]) + 2, 20, 238, 60), 0);
    EXPECT_NEAR(lineEnd[0] - lines[0].x, 36 * 4.612, 0.01);  // "Parchwise" in Helvetica: 4612 units
}

}  // namespace
}  // namespace parch
