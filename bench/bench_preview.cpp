// The preview's show step for one page: an A4 page at 96 dpi as a BMP stream (made once from
// pdftoppm's output), loaded into a framework bitmap, assigned to the 600 x 800 image control,
// fitted (scale below 1, cubic kernel) and composed as the desktop program shows it; against
// Pillow opening the same BMP bytes and resizing them to the same size (BICUBIC), timed inside
// Python.
// Counters: pillow_ms and vs_pillow (our time over theirs, below 1 means we are faster).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "PeerComparison.h"
#include "PreviewPage.h"
#include "base/Streams.h"
#include "bitmap32/view/Image32.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "bitmap32/PropertyTable.h"
#include "framework/graphics/Bitmap.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/os/Process.h"

namespace {

using namespace parch;
using namespace parch::bench;

constexpr int kViewWidth = 600;
constexpr int kViewHeight = 800;

// The page as a 24-bit BMP file, converted once from pdftoppm's PNG.
std::string PageBmp() {
    const std::string bmp = std::string(PARCH_BENCH_CACHE_DIR) + "a4-page-96dpi.bmp";
    if (!std::filesystem::exists(bmp)) {
        const ProcessResult r = RunProcessCaptured(
            {"/usr/bin/python3", "-c", "import sys\nfrom PIL import Image\nImage.open(sys.argv[1]).convert('RGB').save(sys.argv[2])",
             PagePng(), bmp},
            PARCH_SOURCE_DIR);
        if (r.ExitCode != 0) throw std::runtime_error("the BMP could not be made: " + r.Output);
    }
    return bmp;
}

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

float FitScale(int width, int height) {
    return std::min({static_cast<float>(kViewWidth) / static_cast<float>(width),
                     static_cast<float>(kViewHeight) / static_cast<float>(height), 1.0f});
}

// Seconds per open-and-resize as Python measures it.
double PillowSeconds(const std::string& bmp) {
    const std::string script =
        "import io, sys, time\n"
        "from PIL import Image\n"
        "data = open(sys.argv[1], 'rb').read()\n"
        "s = float(sys.argv[2])\n"
        "def show():\n"
        "    page = Image.open(io.BytesIO(data))\n"
        "    page.load()\n"
        "    return page.resize((round(page.width * s), round(page.height * s)), Image.BICUBIC)\n"
        "show()\n"
        "n = 0\n"
        "start = time.perf_counter()\n"
        "while True:\n"
        "    show()\n"
        "    n += 1\n"
        "    elapsed = time.perf_counter() - start\n"
        "    if n >= 20 and elapsed > 1.0:\n"
        "        break\n"
        "print(elapsed / n)\n";
    const ProcessResult r = RunProcessCaptured(
        {"/usr/bin/python3", "-c", script, bmp, std::to_string(FitScale(kPageWidth, kPageHeight))}, PARCH_SOURCE_DIR);
    if (r.ExitCode != 0) throw std::runtime_error("Pillow failed: " + r.Output);
    return std::stod(r.Output);
}

// The image control with its composition reachable.
class TShownImage : public TImage32 {
public:
    using TImage32::TImage32;
    void Compose() {
        InvalidateWhole();
        RenderBuffer();
    }
    const TBitmap32& Composed() const { return Buffer(); }
};

// A shown form with the preview's control, set up as the desktop program's description does.
class PreviewView {
public:
    PreviewView() : form_(new TForm(&app_)) {
        form_->SetBounds(0, 0, 10, 10);
        form_->SetClientSize(kViewWidth, kViewHeight);
        image_ = new TShownImage(form_);
        image_->SetParent(form_);
        image_->SetAlign(alClient);
        image_->SetColor(clSilver);
        image_->SetBitmapAlign(baCenter);
        image_->SetScaleMode(smScale);
        image_->Bitmap().SetResamplerClassName("TKernelResampler");
        SetPropertyText(image_->Bitmap(), "Resampler.KernelClassName", "TCubicKernel");
        SetPropertyText(image_->Bitmap(), "Resampler.Kernel.Coeff", "-0.5");
        SetPropertyText(image_->Bitmap(), "Resampler.KernelMode", "kmDynamic");
        SetPropertyText(image_->Bitmap(), "Resampler.TableSize", "32");
        form_->Show();
        display_.PumpMessages();
    }

    // The show step: load the stream, assign, fit, compose.
    void Show(const std::string& bmp) {
        TMemoryStream stream;
        stream.Write(bmp.data(), static_cast<std::int64_t>(bmp.size()));
        stream.Seek(0, TSeekOrigin::soBeginning);
        TBitmap page;
        page.LoadFromStream(stream);
        image_->Bitmap().Assign(page);
        image_->SetScale(FitScale(image_->Bitmap().Width(), image_->Bitmap().Height()));
        image_->Compose();
    }
    TShownImage& Image() { return *image_; }

private:
    HeadlessDisplay display_;
    TApplication app_;
    TForm* form_;
    TShownImage* image_ = nullptr;
};

void BM_ShowPreviewPage(benchmark::State& state) {
    try {
        const std::string bmpPath = PageBmp();
        const std::string bmp = FileBytes(bmpPath);
        PreviewView view;
        view.Show(bmp);
        if (view.Image().Bitmap().Width() != kPageWidth || view.Image().Bitmap().Height() != kPageHeight)
            throw std::runtime_error("the BMP did not load at its size");
        const TBitmap32& composed = view.Image().Composed();
        if (composed.GetPixel(5, kViewHeight / 2) != ToColor32(clSilver) ||
            composed.GetPixel(kViewWidth / 2, kViewHeight / 2) == ToColor32(clSilver))
            throw std::runtime_error("the composed preview is not the centred page on silver");
        const double pillow = PillowSeconds(bmpPath);
        double oursTotal = 0;
        for (auto _ : state) {
            const double seconds = SecondsOf([&] { view.Show(bmp); });
            state.SetIterationTime(seconds);
            oursTotal += seconds;
        }
        ReportRatios(state, oursTotal, {{"pillow", pillow * static_cast<double>(state.iterations())}});
        state.counters["ours_ms"] = 1000 * oursTotal / static_cast<double>(state.iterations());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK(BM_ShowPreviewPage)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
