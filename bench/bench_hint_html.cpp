// A 40-line hint with mixed tags, measured and drawn as a hint window does (once on a scratch
// bitmap, once on the hint picture) by TsHtml, against Pango parsing, laying out and drawing
// the same markup with cairo on an image surface of the same size.
#include <pango/pangocairo.h>

#include <string>

#include "PeerComparison.h"
#include "framework/graphics/Bitmap.h"
#include "skin/frames/sHtmlParse.h"

namespace parch::bench {
namespace {

constexpr int kHintLines = 40;
constexpr int kHintPoints = 10;
constexpr int kHintWidth = 700;
constexpr int kHintHeight = 1000;

// Line i in TsHtml's tags, and the same line as Pango markup.
std::string HintLine(int i) {
    return "Option " + std::to_string(i) + ": <b>bold</b> words, <i>slanted</i> and <u>underlined</u>, " +
           "<font size=+2 color=navy>larger</font> and <font face=\"DejaVu Serif\" color=#a02020>serif</font> text";
}

std::string PangoHintLine(int i) {
    return "Option " + std::to_string(i) + ": <b>bold</b> words, <i>slanted</i> and <u>underlined</u>, " +
           "<span size=\"" + std::to_string(16 * PANGO_SCALE) + "\" foreground=\"navy\">larger</span> and " +
           "<span font_family=\"DejaVu Serif\" foreground=\"#a02020\">serif</span> text";
}

std::string JoinedLines(std::string (*line)(int), const char* separator) {
    std::string text;
    for (int i = 0; i < kHintLines; ++i) text += (i ? separator : "") + line(i);
    return text;
}

class OurHint {
public:
    OurHint() : text_(JoinedLines(HintLine, "<br>")), scratch_(1, 1, pf32bit), picture_(kHintWidth, kHintHeight, pf32bit) {
        for (TBitmap* bitmap : {&scratch_, &picture_}) {
            bitmap->Canvas().Font().SetName("DejaVu Sans");
            bitmap->Canvas().Font().SetSize(kHintPoints);
            bitmap->Canvas().Brush().SetStyle(bsClear);
        }
    }
    RECT Run() {
        RECT size = Pass(scratch_);
        Pass(picture_);
        return size;
    }

private:
    RECT Pass(TBitmap& bitmap) {
        TFont saved;
        saved.Assign(bitmap.Canvas().Font());
        TsHtml html;
        html.Init(&bitmap, text_, {4, 4, kHintWidth, 0});
        RECT size = html.Render();
        bitmap.Canvas().Font().Assign(saved);
        return size;
    }

    std::string text_;
    TBitmap scratch_;
    TBitmap picture_;
};

class PangoHint {
public:
    PangoHint() : markup_(JoinedLines(PangoHintLine, "\n")) {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kHintWidth, kHintHeight);
        cairo_ = cairo_create(surface_);
        font_ = pango_font_description_from_string("DejaVu Sans");
        pango_font_description_set_absolute_size(font_, 13 * PANGO_SCALE);
    }
    ~PangoHint() {
        pango_font_description_free(font_);
        cairo_destroy(cairo_);
        cairo_surface_destroy(surface_);
    }
    PangoHint(const PangoHint&) = delete;
    PangoHint& operator=(const PangoHint&) = delete;

    int Run() {
        PangoLayout* layout = pango_cairo_create_layout(cairo_);
        pango_layout_set_font_description(layout, font_);
        pango_layout_set_markup(layout, markup_.c_str(), -1);
        int width = 0, height = 0;
        pango_layout_get_pixel_size(layout, &width, &height);
        cairo_move_to(cairo_, 4, 4);
        pango_cairo_show_layout(cairo_, layout);
        cairo_surface_flush(surface_);
        g_object_unref(layout);
        return height;
    }

private:
    std::string markup_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cairo_ = nullptr;
    PangoFontDescription* font_ = nullptr;
};

void BM_HintHtmlMeasureAndDraw(benchmark::State& state) {
    OurHint ours;
    PangoHint pango;
    RECT size = ours.Run();
    int pangoHeight = pango.Run();
    CompareWithPeers(state, [&] { size = ours.Run(); }, {{"pango", [&] { pangoHeight = pango.Run(); }}});
    state.counters["height"] = size.bottom;
    state.counters["pango_height"] = pangoHeight;
}
BENCHMARK(BM_HintHtmlMeasureAndDraw)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace parch::bench

BENCHMARK_MAIN();
