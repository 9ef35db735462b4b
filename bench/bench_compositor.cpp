// Window system: composing a full 1920 x 1080 screen of a dozen top-level windows, one of them
// layered with per-pixel alpha and a constant alpha, measured against cairo compositing the
// same window pictures at the same places in the same run. The counter "vs_cairo" is our time
// divided by cairo's.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <chrono>
#include <random>
#include <vector>

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

using Clock = std::chrono::steady_clock;
using namespace parch;

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

    void ComposeWithCairo() {
        cairo_t* cr = cairo_create(screen);
        const COLORREF desktop = GetSysColor(COLOR_DESKTOP);
        cairo_set_source_rgb(cr, GetRValue(desktop) / 255.0, GetGValue(desktop) / 255.0, GetBValue(desktop) / 255.0);
        cairo_paint(cr);
        for (const CairoLayer& layer : layers) {
            cairo_set_operator(cr, layer.opaque ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
            cairo_set_source_surface(cr, layer.surface, layer.x, layer.y);
            cairo_rectangle(cr, layer.x, layer.y, cairo_image_surface_get_width(layer.surface),
                            cairo_image_surface_get_height(layer.surface));
            cairo_clip(cr);
            if (layer.opaque) cairo_paint(cr);
            else cairo_paint_with_alpha(cr, layer.alpha);
            cairo_reset_clip(cr);
        }
        cairo_destroy(cr);
        cairo_surface_flush(screen);
    }

    std::vector<HWND> windows;
    std::vector<HBITMAP> pictures;
    std::vector<CairoLayer> layers;
    cairo_surface_t* screen = nullptr;
};

void BM_ComposeScreen(benchmark::State& state) {
    Desk desk;
    double oursTotal = 0, cairoTotal = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        benchmark::DoNotOptimize(win::ComposedScreen());
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        oursTotal += seconds;
        start = Clock::now();
        desk.ComposeWithCairo();
        cairoTotal += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["windows"] = static_cast<double>(desk.layers.size());
    state.counters["cairo_ms"] = 1000 * cairoTotal / static_cast<double>(state.iterations());
    state.counters["vs_cairo"] = oursTotal / cairoTotal;
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_ComposeScreen)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
