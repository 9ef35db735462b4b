// The page preview's work: an A4 page rendered at 96 dpi (794 x 1123, the page of
// samples/sample.pdf scaled by pdftoppm) composed into a 600 x 800 image control as the desktop
// program shows it (scaled to fit with the cubic kernel, centred on silver), against cairo
// (image surfaces, the page as a scaled pattern with CAIRO_FILTER_GOOD painted on silver) and
// Pillow (BICUBIC resize pasted onto a silver image, timed inside Python); and the repaint of
// the window from a current buffer against a cairo paint of the same area.
// Counters: <peer>_ms and vs_<peer> (our time over theirs, below 1 means we are faster).
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "PreviewPage.h"
#include "bitmap32/view/Image32.h"
#include "framework/Application.h"
#include "framework/ControlInternals.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/PngFile.h"
#include "platform/os/Process.h"

namespace {

using namespace parch;
using namespace parch::bench;

constexpr int kControlWidth = 600;
constexpr int kControlHeight = 800;

// The preview's scale: the page fits, never above 1.
float FitScale() {
    return std::min({static_cast<float>(kControlWidth) / kPageWidth, static_cast<float>(kControlHeight) / kPageHeight, 1.0f});
}

// Seconds per composition as Python measures it around resize and paste alone.
double PillowSeconds() {
    const std::string script =
        "import sys, time\n"
        "from PIL import Image\n"
        "page = Image.open(sys.argv[1]).convert('RGB')\n"
        "cw, ch, s = int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])\n"
        "size = (round(page.width * s), round(page.height * s))\n"
        "def compose():\n"
        "    view = Image.new('RGB', (cw, ch), (192, 192, 192))\n"
        "    view.paste(page.resize(size, Image.BICUBIC), ((cw - size[0]) // 2, (ch - size[1]) // 2))\n"
        "compose()\n"
        "n = 0\n"
        "start = time.perf_counter()\n"
        "while True:\n"
        "    compose()\n"
        "    n += 1\n"
        "    elapsed = time.perf_counter() - start\n"
        "    if n >= 20 and elapsed > 1.0:\n"
        "        break\n"
        "print(elapsed / n)\n";
    const ProcessResult r = RunProcessCaptured({"/usr/bin/python3", "-c", script, PagePng(), std::to_string(kControlWidth),
                                                std::to_string(kControlHeight), std::to_string(FitScale())},
                                               PARCH_SOURCE_DIR);
    if (r.ExitCode != 0) throw std::runtime_error("Pillow failed: " + r.Output);
    return std::stod(r.Output);
}

// The same composition with cairo: silver, then the page as a scaled, filtered pattern.
class CairoPreview {
public:
    explicit CairoPreview(const DecodedPixels& page) : pixels_(page.pixels) {
        page_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels_.data()), CAIRO_FORMAT_ARGB32,
                                                    page.width, page.height, page.width * 4);
        view_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kControlWidth, kControlHeight);
        context_ = cairo_create(view_);
        screen_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kControlWidth, kControlHeight);
        screenContext_ = cairo_create(screen_);
    }
    ~CairoPreview() {
        cairo_destroy(screenContext_);
        cairo_surface_destroy(screen_);
        cairo_destroy(context_);
        cairo_surface_destroy(view_);
        cairo_surface_destroy(page_);
    }
    void Compose() {
        const double s = FitScale();
        const double w = std::nearbyint(kPageWidth * s), h = std::nearbyint(kPageHeight * s);
        cairo_set_source_rgb(context_, 192 / 255.0, 192 / 255.0, 192 / 255.0);
        cairo_paint(context_);
        cairo_save(context_);
        cairo_translate(context_, std::trunc((kControlWidth - w) / 2), std::trunc((kControlHeight - h) / 2));
        cairo_scale(context_, w / kPageWidth, h / kPageHeight);
        cairo_set_source_surface(context_, page_, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(context_), CAIRO_FILTER_GOOD);
        cairo_rectangle(context_, 0, 0, kPageWidth, kPageHeight);
        cairo_fill(context_);
        cairo_restore(context_);
        cairo_surface_flush(view_);
    }
    // The composed view copied onto another surface, as a window update would.
    void Present() {
        cairo_set_operator(screenContext_, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(screenContext_, view_, 0, 0);
        cairo_paint(screenContext_);
        cairo_surface_flush(screen_);
    }

private:
    std::vector<std::uint32_t> pixels_;
    cairo_surface_t* page_ = nullptr;
    cairo_surface_t* view_ = nullptr;
    cairo_t* context_ = nullptr;
    cairo_surface_t* screen_ = nullptr;
    cairo_t* screenContext_ = nullptr;
};

// The image control with its composition and its window update reachable.
class TPreviewImage : public TImage32 {
public:
    using TImage32::TImage32;
    void Compose() {
        InvalidateWhole();
        RenderBuffer();
    }
    using TImage32::PaintNow;
};

// A shown form holding the preview as the desktop program sets it up.
class PreviewForm {
public:
    PreviewForm() : form_(new TForm(&app_)) {
        form_->SetBounds(0, 0, 10, 10);
        form_->SetClientSize(kControlWidth, kControlHeight);
        image_ = new TPreviewImage(form_);
        image_->SetParent(form_);
        image_->SetAlign(alClient);
        image_->SetColor(clSilver);
        image_->SetBitmapAlign(baCenter);
        image_->SetScaleMode(smScale);
        const DecodedPixels& page = Page();
        image_->Bitmap().SetSize(page.width, page.height);
        std::copy(page.pixels.begin(), page.pixels.end(), image_->Bitmap().Bits());
        image_->Bitmap().SetResamplerClassName("TKernelResampler");
        SetPropertyText(image_->Bitmap(), "Resampler.KernelClassName", "TCubicKernel");
        SetPropertyText(image_->Bitmap(), "Resampler.Kernel.Coeff", "-0.5");
        SetPropertyText(image_->Bitmap(), "Resampler.KernelMode", "kmDynamic");
        SetPropertyText(image_->Bitmap(), "Resampler.TableSize", "32");
        image_->SetScale(FitScale());
        form_->Show();
        display_.PumpMessages();
    }
    TPreviewImage& Image() { return *image_; }

private:
    HeadlessDisplay display_;
    TApplication app_;
    TForm* form_;
    TPreviewImage* image_ = nullptr;
};

void BM_ComposePreview(benchmark::State& state) {
    try {
        PreviewForm preview;
        CairoPreview cairo(Page());
        const double pillow = PillowSeconds();
        // The composition draws what the preview shows: silver beside the page, the page in the middle.
        preview.Image().Compose();
        const TBitmap32& buffer = preview.Image().Buffer();
        if (buffer.GetPixel(5, kControlHeight / 2) != ToColor32(clSilver) ||
            buffer.GetPixel(kControlWidth / 2, 5) == ToColor32(clSilver))
            throw std::runtime_error("the composed preview is not the centred page on silver");
        double oursTotal = 0, cairoTotal = 0;
        for (auto _ : state) {
            const double seconds = SecondsOf([&] { preview.Image().Compose(); });
            state.SetIterationTime(seconds);
            oursTotal += seconds;
            cairoTotal += SecondsOf([&] { cairo.Compose(); });
        }
        ReportRatios(state, oursTotal,
                     {{"pillow", pillow * static_cast<double>(state.iterations())}, {"cairo", cairoTotal}});
        state.counters["ours_ms"] = 1000 * oursTotal / static_cast<double>(state.iterations());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK(BM_ComposePreview)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RepaintFromBuffer(benchmark::State& state) {
    try {
        PreviewForm preview;
        preview.Image().Compose();
        CairoPreview cairo(Page());
        cairo.Compose();
        CompareWithPeers(state, [&] { preview.Image().PaintNow(); }, {Peer("cairo", [&] { cairo.Present(); })});
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK(BM_RepaintFromBuffer)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
