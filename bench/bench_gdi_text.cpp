// Text drawing of the graphics layer against cairo drawing the same line with the same face
// and size in the same run. vs_cairo below 1 means we are faster.

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdlib>
#include <string>

#include "PeerComparison.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"

namespace {

using namespace parch;
using parch::bench::CompareWithPeers;

constexpr int kWidth = 640;
constexpr int kHeight = 80;
const std::string kLine = "The quick brown fox jumps over the lazy dog 0123456789";

// Both sides use the fonts the tests pin, so both draw Liberation Sans.
const bool kFontsPinned = [] {
    setenv("FONTCONFIG_FILE", PARCH_SOURCE_DIR "/tests/platform/gdi/fonts.conf", 1);
    return true;
}();

class GdiTarget {
public:
    explicit GdiTarget(int pixelSize) {
        BITMAPINFO info{};
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        SelectObject(dc_, bitmap_);
        font_ = CreateFont(-pixelSize, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        SelectObject(dc_, font_);
        SetBkMode(dc_, TRANSPARENT);
    }
    ~GdiTarget() {
        DeleteDC(dc_);
        DeleteObject(bitmap_);
        DeleteObject(font_);
    }
    void Draw() { TextOut(dc_, 4, 10, kLine.data(), static_cast<int>(kLine.size())); }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HFONT font_ = nullptr;
};

class CairoTarget {
public:
    explicit CairoTarget(int pixelSize) : baseline_(10 + 0.9 * pixelSize) {
        surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
        context_ = cairo_create(surface_);
        cairo_select_font_face(context_, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(context_, pixelSize);
        cairo_set_source_rgb(context_, 0, 0, 0);
    }
    ~CairoTarget() {
        cairo_destroy(context_);
        cairo_surface_destroy(surface_);
    }
    void Draw() {
        cairo_move_to(context_, 4, baseline_);
        cairo_show_text(context_, kLine.c_str());
        cairo_surface_flush(surface_);
    }

private:
    double baseline_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* context_ = nullptr;
};

void BM_TextOutLine(benchmark::State& state) {
    const int pixelSize = static_cast<int>(state.range(0));
    GdiTarget ours(pixelSize);
    CairoTarget cairo(pixelSize);
    ours.Draw();  // both sides start with their glyph caches filled
    cairo.Draw();
    CompareWithPeers(state, [&] { ours.Draw(); }, {{"cairo", [&] { cairo.Draw(); }}});
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLine.size()));
}
BENCHMARK(BM_TextOutLine)->Arg(13)->Arg(32)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
