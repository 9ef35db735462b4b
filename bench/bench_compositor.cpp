// Window system: composing a full 1920 x 1080 screen of a dozen top-level windows, one of them
// layered with per-pixel alpha and a constant alpha, measured against cairo compositing the
// same window pictures at the same places in the same run, both drawing each picture only where
// no opaque window above hides it. The counter "vs_cairo" is our time divided by cairo's.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "PeerComparison.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/Compositor.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Layered.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowPos.h"

namespace {

using namespace parch;
using parch::bench::CompareWithPeers;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

LRESULT Plain(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer;
    if (win::DefaultPaintMessage(hwnd, message, wParam, lParam, &answer)) return answer;
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// Eleven plain windows with striped pictures and one layered window above them, and for
// cairo a copy of every picture with its place and alpha.
struct Desk {
    struct CairoLayer {
        cairo_surface_t* surface;
        int x, y;
        double alpha;
        bool opaque;
    };

    Desk() {
        win::SetScreenSize(kWidth, kHeight);
        WNDCLASSEX wc;
        wc.lpfnWndProc = &Plain;
        wc.lpszClassName = "BenchPlain";
        RegisterClassEx(&wc);
        std::mt19937 random(7);
        for (int i = 0; i < 11; ++i) {
            const int w = 500 + static_cast<int>(random() % 700), h = 300 + static_cast<int>(random() % 500);
            const int x = static_cast<int>(random() % (kWidth - w)), y = static_cast<int>(random() % (kHeight - h));
            HWND hwnd = CreateWindowEx(0, "BenchPlain", "", WS_POPUP, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
            ShowWindow(hwnd, SW_SHOWNA);
            HDC dc = GetDC(hwnd);
            for (int band = 0; band < h; band += 20) {
                HBRUSH brush = CreateSolidBrush(random() & 0xFFFFFF);
                RECT r{0, band, w, band + 20};
                FillRect(dc, &r, brush);
                DeleteObject(brush);
            }
            ReleaseDC(hwnd, dc);
            windows.push_back(hwnd);
        }
        MakeLayered(random);
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
        for (HWND hwnd : win::WindowsOnScreen()) {
            RECT r;
            GetWindowRect(hwnd, &r);
            HBITMAP picture = CaptureWindow(hwnd);
            pictures.push_back(picture);
            auto* bitmap = ResolveHandle(picture);
            cairo_surface_t* surface = cairo_image_surface_create_for_data(
                bitmap->Bits(), CAIRO_FORMAT_ARGB32, bitmap->Width(), bitmap->Height(), bitmap->Stride());
            const bool layered = hwnd == windows.back();
            layers.push_back({surface, static_cast<int>(r.left), static_cast<int>(r.top), layered ? 200 / 255.0 : 1.0,
                              !layered});
        }
        screen = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    }

    void MakeLayered(std::mt19937& random) {
        const int w = 800, h = 600;
        HWND hwnd = CreateWindowEx(WS_EX_LAYERED, "BenchPlain", "", WS_POPUP, 500, 200, w, h, nullptr, nullptr, nullptr,
                                   nullptr);
        ShowWindow(hwnd, SW_SHOWNA);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        auto* pixels = static_cast<std::uint32_t*>(bits);
        for (int i = 0; i < w * h; ++i) {
            const std::uint32_t a = random() & 0xFF, c = random();
            auto pre = [a](std::uint32_t v) { return (v & 0xFF) * a / 255; };
            pixels[i] = (a << 24) | (pre(c >> 16) << 16) | (pre(c >> 8) << 8) | pre(c);
        }
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, picture);
        SIZE size{w, h};
        POINT origin{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 200, AC_SRC_ALPHA};
        UpdateLayeredWindow(hwnd, nullptr, nullptr, &size, source, &origin, 0, &blend, ULW_ALPHA);
        SelectObject(source, old);
        DeleteDC(source);
        DeleteObject(picture);
        windows.push_back(hwnd);
    }

    ~Desk() {
        for (const CairoLayer& layer : layers) cairo_surface_destroy(layer.surface);
        cairo_surface_destroy(screen);
        for (HBITMAP picture : pictures) DeleteObject(picture);
        for (HWND hwnd : windows) DestroyWindow(hwnd);
    }

    // The same visibility as ours: from the top down, each picture is drawn only where no
    // opaque picture above hides it, and the desktop colour only where no opaque one lies.
    void ComposeWithCairo() {
        const cairo_rectangle_int_t whole{0, 0, kWidth, kHeight};
        std::vector<cairo_region_t*> seen(layers.size());
        cairo_region_t* hidden = cairo_region_create();
        for (std::size_t i = layers.size(); i-- > 0;) {
            const CairoLayer& layer = layers[i];
            const cairo_rectangle_int_t placed{layer.x, layer.y, cairo_image_surface_get_width(layer.surface),
                                               cairo_image_surface_get_height(layer.surface)};
            seen[i] = cairo_region_create_rectangle(&placed);
            cairo_region_intersect_rectangle(seen[i], &whole);
            cairo_region_subtract(seen[i], hidden);
            if (layer.opaque) cairo_region_union_rectangle(hidden, &placed);
        }
        cairo_region_t* bare = cairo_region_create_rectangle(&whole);
        cairo_region_subtract(bare, hidden);

        cairo_t* cr = cairo_create(screen);
        const COLORREF desktop = GetSysColor(COLOR_DESKTOP);
        cairo_set_source_rgb(cr, GetRValue(desktop) / 255.0, GetGValue(desktop) / 255.0, GetBValue(desktop) / 255.0);
        ClipTo(cr, bare);
        cairo_paint(cr);
        for (std::size_t i = 0; i < layers.size(); ++i) {
            const CairoLayer& layer = layers[i];
            cairo_reset_clip(cr);
            cairo_set_operator(cr, layer.opaque ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
            cairo_set_source_surface(cr, layer.surface, layer.x, layer.y);
            ClipTo(cr, seen[i]);
            if (layer.opaque) cairo_paint(cr);
            else cairo_paint_with_alpha(cr, layer.alpha);
            cairo_region_destroy(seen[i]);
        }
        cairo_destroy(cr);
        cairo_surface_flush(screen);
        cairo_region_destroy(bare);
        cairo_region_destroy(hidden);
    }

    static void ClipTo(cairo_t* cr, const cairo_region_t* region) {
        for (int i = 0; i < cairo_region_num_rectangles(region); ++i) {
            cairo_rectangle_int_t r;
            cairo_region_get_rectangle(region, i, &r);
            cairo_rectangle(cr, r.x, r.y, r.width, r.height);
        }
        cairo_clip(cr);
    }

    std::vector<HWND> windows;
    std::vector<HBITMAP> pictures;
    std::vector<CairoLayer> layers;
    cairo_surface_t* screen = nullptr;
};

// The largest difference of one colour channel between our screen and cairo's.
int LargestDifference(const GdiBitmap& ours, cairo_surface_t* theirs) {
    const unsigned char* data = cairo_image_surface_get_data(theirs);
    const int stride = cairo_image_surface_get_stride(theirs);
    int largest = 0;
    for (int y = 0; y < kHeight; ++y) {
        const auto* a = reinterpret_cast<const std::uint32_t*>(ours.Row(y));
        const auto* b = reinterpret_cast<const std::uint32_t*>(data + std::ptrdiff_t{y} * stride);
        for (int x = 0; x < kWidth; ++x)
            for (int shift = 0; shift < 24; shift += 8)
                largest = std::max(largest, std::abs(static_cast<int>((a[x] >> shift) & 0xFF) -
                                                     static_cast<int>((b[x] >> shift) & 0xFF)));
    }
    return largest;
}

void BM_ComposeScreen(benchmark::State& state) {
    Desk desk;
    desk.ComposeWithCairo();
    const GdiBitmap* ours = win::ComposedScreen();
    // Rounding of the blends may differ by a step; anything more means different work.
    const int difference = ours ? LargestDifference(*ours, desk.screen) : 255;
    if (difference > 2) {
        state.SkipWithError("our screen and cairo's differ");
        return;
    }
    CompareWithPeers(
        state, [] { benchmark::DoNotOptimize(win::ComposedScreen()); }, {{"cairo", [&] { desk.ComposeWithCairo(); }}});
    state.counters["windows"] = static_cast<double>(desk.layers.size());
    state.counters["largest_difference"] = difference;
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_ComposeScreen)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
