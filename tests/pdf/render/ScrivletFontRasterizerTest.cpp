#include "pdf/render/ScrivletInstalledFontRasterizer.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/render/ScrivletFontCollection.h"
#include "tests/pdf/render/ScrivletFontTestCanvas.h"
#include "tests/pdf/render/ScrivletFontTestObjects.h"
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

class ScrivletFontRasterizerTest : public ::testing::Test {
protected:
    ScrivletFontRasterizerTest() { fonts.RasterizeGlyphs = true; }

    TPDFFontCollectionData& Select(const std::string& fontDictionary) {
        objects.Define(++lastNumber_, fontDictionary);
        fonts.SelectFont(objects.Ref(lastNumber_));
        return *fonts.CurrentFont;
    }
    TPDFInstalledFontRasterizer& Installed(TPDFFontCollectionData& font) {
        auto* installed = dynamic_cast<TPDFInstalledFontRasterizer*>(font.Rasterizer.get());
        EXPECT_NE(installed, nullptr);
        return *installed;
    }
    // What drawing the glyph adds to a recording canvas at one point per unit.
    std::vector<std::string> Draw(TPDFFontCollectionData& font, const std::string& glyphName) {
        testfont::RecordingCanvas canvas;
        font.Rasterizer->RenderGlyph(canvas, TPDFMatrix{}, 0, 0, glyphName);
        return canvas.Calls;
    }

    testfont::FontObjects objects;
    TPDFFontCollection fonts;

private:
    int lastNumber_ = 0;
};

TEST_F(ScrivletFontRasterizerTest, GlyphIsRecordedOnceInThousandthsAndPlacedThroughTheMatrix) {
    TPDFFontCollectionData& font = Select("<< /Subtype /Type1 /BaseFont /Helvetica >>");
    TPDFInstalledFontRasterizer& rasterizer = Installed(font);
    const TPDFGenericShape* shape = rasterizer.GlyphShape("A");
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(rasterizer.GlyphShape("A"), shape);
    EXPECT_EQ(rasterizer.GetScale(), 1.0);

    // Size 10 at (100, 200), y down: the glyph space's 1000 units become 10 device units.
    testfont::RecordingCanvas canvas;
    const TPDFMatrix device{0.01, 0, 0, -0.01, 100, 200};
    EXPECT_TRUE(rasterizer.RenderGlyph(canvas, device, 500, 0, "A"));
    const RasterizerTestBox box = RasterizerTestBoxOfCalls(canvas.Calls);
    EXPECT_EQ(canvas.Calls.size(), static_cast<std::size_t>(shape->Count()));
    EXPECT_EQ(canvas.Calls.front().substr(0, 1), "m");
    EXPECT_NEAR(box.left, 105, 0.2);  // moved by half an em
    EXPECT_NEAR(box.right - box.left, 6.4, 0.3);
    EXPECT_NEAR(box.bottom, 200, 0.05);
    EXPECT_NEAR(box.top, 200 - 7.2, 0.15);
}

TEST_F(ScrivletFontRasterizerTest, GlyphNameFormsFindTheirGlyphs) {
    TPDFFontCollectionData& helvetica = Select("<< /Subtype /Type1 /BaseFont /Helvetica >>");
    const std::vector<std::string> letterA = Draw(helvetica, "A");
    ASSERT_FALSE(letterA.empty());
    EXPECT_EQ(Draw(helvetica, "uni0041"), letterA);
    EXPECT_EQ(Draw(helvetica, "u0041"), letterA);
    EXPECT_EQ(Draw(helvetica, "U+0041"), letterA);
    EXPECT_EQ(Draw(helvetica, "CID:65"), letterA);  // a simple font's code, by its text
    EXPECT_TRUE(Draw(helvetica, "no-such-glyph").empty());
    EXPECT_TRUE(Draw(helvetica, "U+XYZ").empty());
    EXPECT_TRUE(Draw(helvetica, "CID:").empty());
    EXPECT_TRUE(Draw(helvetica, "space").empty());

    TPDFFontCollectionData& symbol = Select("<< /Subtype /Type1 /BaseFont /Symbol >>");
    TPDFInstalledFontRasterizer& symbols = Installed(symbol);
    EXPECT_NE(symbols.GlyphShape(symbol.GlyphNames['a']), nullptr);  // "U+03B1", alpha
    EXPECT_EQ(symbols.GlyphShape("U+03B1"), symbols.GlyphShape(symbol.GlyphNames['a']));
    EXPECT_NE(symbols.GlyphShape("alpha"), nullptr);

    // The dingbats font draws the glyph at the code that the standard encoding's name has.
    TPDFFontCollectionData& dingbats = Select("<< /Subtype /Type1 /BaseFont /ZapfDingbats >>");
    EXPECT_EQ(dingbats.BaseFont, "SVLDingbats");
    EXPECT_FALSE(Draw(dingbats, "exclam").empty());
    EXPECT_EQ(Draw(dingbats, "exclam"), Draw(dingbats, "a1"));
    // Names whose characters lie elsewhere still stand for their code.
    EXPECT_FALSE(Draw(dingbats, dingbats.GlyphNames[0x27]).empty());  // quoteright
    EXPECT_FALSE(Draw(dingbats, dingbats.GlyphNames[0xA4]).empty());  // fraction
    EXPECT_EQ(dingbats.Widths[0x21], 974);
    EXPECT_EQ(dingbats.Widths[0x20], 278);
}

TEST_F(ScrivletFontRasterizerTest, CompositeGlyphsDrawTheTextOfTheirCodeWhenItIsKnown) {
    TPDFFontCollectionData& japanese =
        Select("<< /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H /DescendantFonts [<< /Subtype /CIDFontType0 "
               "/BaseFont /Foo /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 2 >> >>] >>");
    TPDFFontCollectionData& helvetica = Select("<< /Subtype /Type1 /BaseFont /Helvetica >>");
    EXPECT_EQ(Draw(japanese, "GID:34"), Draw(helvetica, "A"));  // CID 34 is the letter A
    EXPECT_FALSE(Draw(japanese, "CID:34").empty());

    TPDFFontCollectionData& identity =
        Select("<< /Subtype /Type0 /BaseFont /Foo /Encoding /Identity-H /DescendantFonts [<< /Subtype /CIDFontType2 "
               "/BaseFont /Foo /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>] >>");
    EXPECT_TRUE(Draw(identity, "GID:65").empty());
}

TEST_F(ScrivletFontRasterizerTest, TrueTypeOutlinesKeepTheirQuadraticCurves) {
    TPDFFontCollectionData& font = Select(
        "<< /Subtype /TrueType /BaseFont /DejaVuSans-Bold /FontDescriptor << /Flags 32 /Ascent 760 /Descent -240 >> >>");
    EXPECT_EQ(Installed(font).FamilyName(), "DejaVu Sans");
    const std::vector<std::string> calls = Draw(font, "O");
    EXPECT_TRUE(std::any_of(calls.begin(), calls.end(), [](const std::string& c) { return c[0] == 'q'; }));
    EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const std::string& c) { return c[0] == 'c'; }));
    EXPECT_NEAR(font.Widths['O'], 850, 5);  // the installed face's advance
}

TEST_F(ScrivletFontRasterizerTest, MissingInstalledFontDrawsNothing) {
    TPDFInstalledFontRasterizer rasterizer(nullptr);
    testfont::RecordingCanvas canvas;
    EXPECT_FALSE(rasterizer.RenderGlyph(canvas, TPDFMatrix{}, 0, 0, "A"));
    EXPECT_TRUE(canvas.Calls.empty());
    TGlyphWidths widths{};
    TGlyphNames names;
    names['A'] = "A";
    rasterizer.InstalledFontWidths(names, widths);
    EXPECT_EQ(widths['A'], 0);
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
