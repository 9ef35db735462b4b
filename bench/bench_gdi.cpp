// Graphics layer: StretchBlt in HALFTONE mode (area average) and AlphaBlend (per-pixel and
// constant alpha), each measured against cairo doing the same work on surfaces of the same size
// in the same run. The counter "vs_cairo" is our time divided by cairo's.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstring>
#include <random>

#include "PeerComparison.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"

namespace {

using namespace parch;
using parch::bench::CompareWithPeers;

// A 32-bit top-down DIB in its own memory context, filled with premultiplied random pixels.
struct Dib {
    Dib(int width, int height, std::uint32_t seed) {
        BITMAPINFO info{};
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biBitCount = 32;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, bitmap);
        std::mt19937 random(seed);
        auto* pixels = static_cast<std::uint32_t*>(bits);
        for (int i = 0; i < width * height; ++i) {
            const std::uint32_t a = random() & 0xFF;
            const std::uint32_t c = random();
            auto premultiplied = [a](std::uint32_t v) { return (v & 0xFF) * a / 255; };
            pixels[i] = (a << 24) | (premultiplied(c >> 16) << 16) | (premultiplied(c >> 8) << 8) | premultiplied(c);
        }
    }
    ~Dib() {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    // A cairo surface with a copy of the same pixels (cairo's ARGB32 is the same layout).
    cairo_surface_t* CairoCopy(int width, int height) const {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        cairo_surface_flush(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < height; ++y)
            std::memcpy(cairo_image_surface_get_data(surface) + y * stride, static_cast<const char*>(bits) + y * width * 4,
                        static_cast<size_t>(width) * 4);
        cairo_surface_mark_dirty(surface);
        return surface;
    }
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    void* bits = nullptr;
};

template <typename Ours, typename Cairo>
void RunAgainstCairo(benchmark::State& state, std::int64_t pixels, Ours ours, Cairo cairo) {
    CompareWithPeers(state, ours, {{"cairo", cairo}});
    state.SetItemsProcessed(state.iterations() * pixels);
}

// Shrinks a 1600 x 1200 picture to range(0) percent of its size by area averaging.
void BM_StretchBltHalftone(benchmark::State& state) {
    const int sw = 1600, sh = 1200;
    const int dw = static_cast<int>(sw * state.range(0) / 100), dh = static_cast<int>(sh * state.range(0) / 100);
    Dib source(sw, sh, 1), target(dw, dh, 2);
    SetStretchBltMode(target.dc, HALFTONE);
    cairo_surface_t* cairoSource = source.CairoCopy(sw, sh);
    cairo_surface_t* cairoTarget = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, dw, dh);
    RunAgainstCairo(
        state, std::int64_t{dw} * dh,
        [&] { StretchBlt(target.dc, 0, 0, dw, dh, source.dc, 0, 0, sw, sh, SRCCOPY); },
        [&] {
            cairo_t* cr = cairo_create(cairoTarget);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_scale(cr, static_cast<double>(dw) / sw, static_cast<double>(dh) / sh);
            cairo_set_source_surface(cr, cairoSource, 0, 0);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_flush(cairoTarget);
        });
    cairo_surface_destroy(cairoSource);
    cairo_surface_destroy(cairoTarget);
}
BENCHMARK(BM_StretchBltHalftone)->Arg(50)->Arg(37)->UseManualTime()->Unit(benchmark::kMillisecond);

// Blends a premultiplied 1000 x 1000 picture over another: range(0) 255 is per-pixel alpha
// only, other values add that constant alpha.
void BM_AlphaBlend(benchmark::State& state) {
    const int size = 1000;
    const auto constant = static_cast<BYTE>(state.range(0));
    Dib source(size, size, 3), target(size, size, 4);
    cairo_surface_t* cairoSource = source.CairoCopy(size, size);
    cairo_surface_t* cairoTarget = target.CairoCopy(size, size);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, constant, AC_SRC_ALPHA};
    RunAgainstCairo(
        state, std::int64_t{size} * size,
        [&] { AlphaBlend(target.dc, 0, 0, size, size, source.dc, 0, 0, size, size, blend); },
        [&] {
            cairo_t* cr = cairo_create(cairoTarget);
            cairo_set_source_surface(cr, cairoSource, 0, 0);
            if (constant == 255) cairo_paint(cr);
            else cairo_paint_with_alpha(cr, constant / 255.0);
            cairo_destroy(cr);
            cairo_surface_flush(cairoTarget);
        });
    cairo_surface_destroy(cairoSource);
    cairo_surface_destroy(cairoTarget);
}
BENCHMARK(BM_AlphaBlend)->Arg(255)->Arg(128)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
