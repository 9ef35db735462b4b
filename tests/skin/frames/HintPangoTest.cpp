// The hint text layout against Pango, the markup text engine of GTK programs: each line is
// written once for TsHtml and once as Pango markup in the same pinned fonts, and the widths
// must agree within 2 % (kerning and hinting may differ).

#if __has_include(<pango/pangocairo.h>)

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <cmath>
#include <string>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "skin/frames/sHtmlParse.h"

namespace parch {
namespace {

constexpr int kPangoBaseSize = 10;

// The pixel height the framework gives a point size on a 96 dpi screen.
int PangoPixelsOfPoints(int points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

// Pango at 72 dpi, where a point is a pixel, so sizes can be given in the framework's pixels.
class PangoLines {
public:
    PangoLines() {
        fontMap_ = pango_cairo_font_map_new();
        pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap_), 72);
        context_ = pango_font_map_create_context(fontMap_);
        layout_ = pango_layout_new(context_);
        PangoFontDescription* font = pango_font_description_from_string("DejaVu Sans");
        pango_font_description_set_size(font, PangoPixelsOfPoints(kPangoBaseSize) * PANGO_SCALE);
        pango_layout_set_font_description(layout_, font);
        pango_font_description_free(font);
    }
    ~PangoLines() {
        g_object_unref(layout_);
        g_object_unref(context_);
        g_object_unref(fontMap_);
    }
    PangoLines(const PangoLines&) = delete;
    PangoLines& operator=(const PangoLines&) = delete;

    // The logical width of each line of the markup.
    std::vector<int> Widths(const std::string& markup) {
        pango_layout_set_markup(layout_, markup.c_str(), -1);
        std::vector<int> widths;
        for (GSList* line = pango_layout_get_lines_readonly(layout_); line; line = line->next) {
            PangoRectangle logical;
            pango_layout_line_get_pixel_extents(static_cast<PangoLayoutLine*>(line->data), nullptr, &logical);
            widths.push_back(logical.width);
        }
        return widths;
    }

private:
    PangoFontMap* fontMap_;
    PangoContext* context_;
    PangoLayout* layout_;
};

// A Pango size attribute for a point size of the framework.
std::string PangoSize(int points) { return std::to_string(PangoPixelsOfPoints(points) * PANGO_SCALE); }

struct PangoCase {
    const char* Name;
    std::vector<std::string> Lines;        // TsHtml, one line each
    std::vector<std::string> PangoMarkup;  // the same lines for Pango
};

std::vector<PangoCase> PangoCases() {
    return {
        {"EveryTag",
         {"Plain text of a hint line", "<b>Bold</b> and <i>italic</i> and <u>underlined</u>",
          "<font size=14 color=red>Big red</font> small", "<font face=\"DejaVu Serif\">Serif face</font> sans"},
         {"Plain text of a hint line", "<b>Bold</b> and <i>italic</i> and <u>underlined</u>",
          "<span size=\"" + PangoSize(14) + "\" foreground=\"red\">Big red</span> small",
          "<span font_family=\"DejaVu Serif\">Serif face</span> sans"}},
        {"NestedFontChanges",
         {"<font size=+4><font color=#00ff00>nested</font> font</font> back", "<font size=8>small <b>bold</b></font>"},
         {"<span size=\"" + PangoSize(14) + "\"><span foreground=\"#00ff00\">nested</span> font</span> back",
          "<span size=\"" + PangoSize(8) + "\">small <b>bold</b></span>"}},
        {"LiteralsAndLineBreakCharacters",
         {"x << y", "<BIG>literal tag", "carriage\r\nreturn"},
         {"x &lt; y", "&lt;BIG&gt;literal tag", "carriagereturn"}},
    };
}

class HintPangoTest : public ::testing::TestWithParam<PangoCase> {};

TEST_P(HintPangoTest, LinesAsWideAsPangoLaysThemOut) {
    const PangoCase& c = GetParam();
    std::string joined, pangoJoined;
    for (size_t i = 0; i < c.Lines.size(); ++i) {
        joined += (i ? "<br>" : "") + c.Lines[i];
        pangoJoined += (i ? "\n" : "") + c.PangoMarkup[i];
    }
    PangoLines pango;
    std::vector<int> expected = pango.Widths(pangoJoined);
    ASSERT_EQ(expected.size(), c.Lines.size());
    int widest = 0;
    for (size_t i = 0; i < c.Lines.size(); ++i) {
        TBitmap bitmap(800, 80, pf32bit);
        bitmap.Canvas().Font().SetName("DejaVu Sans");
        bitmap.Canvas().Font().SetSize(kPangoBaseSize);
        TsHtml html;
        html.Init(&bitmap, c.Lines[i], {0, 0, 800, 0});
        int width = html.Render().right;
        widest = std::max(widest, width);
        EXPECT_NEAR(width, expected[i], expected[i] * 0.02) << c.Lines[i];
    }
    TBitmap bitmap(800, 200, pf32bit);
    bitmap.Canvas().Font().SetName("DejaVu Sans");
    bitmap.Canvas().Font().SetSize(kPangoBaseSize);
    TsHtml html;
    html.Init(&bitmap, joined, {0, 0, 800, 0});
    EXPECT_EQ(html.Render().right, widest);
}

INSTANTIATE_TEST_SUITE_P(Markup, HintPangoTest, ::testing::ValuesIn(PangoCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace parch

#endif
