// Cubic downscaling of an A4 page rendered at 96 dpi (794 x 1123, the page of samples/sample.pdf
// scaled by pdftoppm) to 541 x 765 and 397 x 562, against Pillow's BICUBIC (RGB, timed inside
// Python, so its interpreter start is not counted), pixman's separable cubic convolution and
// ImageMagick's Catrom filter through Magick++ (held to one thread, as ours runs on one); and
// blending rows against pixman's OVER on the same pixels.
// Counters: <peer>_ms and vs_<peer> (our time over theirs, below 1 means we are faster).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <Magick++.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "PreviewPage.h"
#include "bitmap32/Bitmap32Blend.h"
#include "bitmap32/Bitmap32Resamplers.h"
#include "platform/gdi/PngFile.h"
#include "platform/os/Process.h"

namespace {

using namespace parch;
using namespace parch::bench;


// Seconds per resize as Python measures it around Image.resize alone.
double PillowSeconds(int width, int height) {
    const std::string script =
        "import sys, time\n"
        "from PIL import Image\n"
        "im = Image.open(sys.argv[1]).convert('RGB')\n"
        "size = (int(sys.argv[2]), int(sys.argv[3]))\n"
        "im.resize(size, Image.BICUBIC)\n"
        "n = 0\n"
        "start = time.perf_counter()\n"
        "while True:\n"
        "    im.resize(size, Image.BICUBIC)\n"
        "    n += 1\n"
        "    elapsed = time.perf_counter() - start\n"
        "    if n >= 20 and elapsed > 1.0:\n"
        "        break\n"
        "print(elapsed / n)\n";
    const ProcessResult r = RunProcessCaptured(
        {"/usr/bin/python3", "-c", script, PagePng(), std::to_string(width), std::to_string(height)}, PARCH_SOURCE_DIR);
    if (r.ExitCode != 0) throw std::runtime_error("Pillow failed: " + r.Output);
    return std::stod(r.Output);
}

class PixmanScaler {
public:
    PixmanScaler(const DecodedPixels& page, int width, int height)
        : pixels_(page.pixels), out_(static_cast<std::size_t>(width) * height), width_(width), height_(height) {
        src_ = pixman_image_create_bits(PIXMAN_a8r8g8b8, page.width, page.height, pixels_.data(), page.width * 4);
        dst_ = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, out_.data(), width * 4);
        const pixman_fixed_t sx = pixman_double_to_fixed(static_cast<double>(page.width) / width);
        const pixman_fixed_t sy = pixman_double_to_fixed(static_cast<double>(page.height) / height);
        pixman_transform_t transform;
        pixman_transform_init_scale(&transform, sx, sy);
        pixman_image_set_transform(src_, &transform);
        int count = 0;
        pixman_fixed_t* params = pixman_filter_create_separable_convolution(
            &count, sx, sy, PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_CUBIC, PIXMAN_KERNEL_CUBIC, 4, 4);
        pixman_image_set_filter(src_, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, count);
        free(params);
    }
    ~PixmanScaler() {
        pixman_image_unref(src_);
        pixman_image_unref(dst_);
    }
    void Run() { pixman_image_composite32(PIXMAN_OP_SRC, src_, nullptr, dst_, 0, 0, 0, 0, 0, 0, width_, height_); }

private:
    std::vector<std::uint32_t> pixels_, out_;
    int width_, height_;
    pixman_image_t* src_ = nullptr;
    pixman_image_t* dst_ = nullptr;
};

void BM_CubicDownscale(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    try {
        const DecodedPixels& page = Page();
        TCustomBitmap32 src, dst;
        src.SetSize(page.width, page.height);
        std::copy(page.pixels.begin(), page.pixels.end(), src.Bits());
        src.SetResamplerClassName("TKernelResampler");
        dynamic_cast<TKernelResampler*>(src.Resampler())->SetKernelClassName("TCubicKernel");
        dst.SetSize(width, height);

        PixmanScaler pixman(page, width, height);
        Magick::InitializeMagick(nullptr);
        Magick::ResourceLimits::thread(1);
        const Magick::Image original(page.width, page.height, "BGRA", Magick::CharPixel, page.pixels.data());
        Magick::Image working;
        // "!" asks for exactly this size, whatever the proportions.
        const Magick::Geometry geometry(std::to_string(width) + "x" + std::to_string(height) + "!");
        const std::vector<Peer> peers{
            Peer("pixman", [&] { pixman.Run(); }),
            Peer("magick", [&] {
                     working.filterType(Magick::CatromFilter);
                     working.resize(geometry);
                 },
                 [&] {
                     working = original;
                     working.modifyImage();
                 }),
        };
        const double pillow = PillowSeconds(width, height);

        double oursTotal = 0;
        std::vector<double> peerTotals(peers.size(), 0.0);
        for (auto _ : state) {
            const double seconds = SecondsOf([&] { src.DrawOnto(&dst, dst.BoundsRect()); });
            state.SetIterationTime(seconds);
            oursTotal += seconds;
            for (std::size_t i = 0; i < peers.size(); ++i) {
                if (peers[i].Prepare) peers[i].Prepare();
                peerTotals[i] += SecondsOf(peers[i].Run);
            }
        }
        std::vector<std::pair<std::string, double>> totals{{"pillow", pillow * static_cast<double>(state.iterations())}};
        for (std::size_t i = 0; i < peers.size(); ++i) totals.emplace_back(peers[i].Name, peerTotals[i]);
        ReportRatios(state, oursTotal, totals);
        state.counters["ours_ms"] = 1000 * oursTotal / static_cast<double>(state.iterations());
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}
BENCHMARK(BM_CubicDownscale)->Args({541, 765})->Args({397, 562})->UseManualTime()->Unit(benchmark::kMillisecond);

// Whole-page rows of translucent pixels over an opaque page: our BlendRow (straight alpha)
// against pixman's OVER (premultiplied) on buffers of the same size.
void BM_BlendRows(benchmark::State& state) {
    const int width = kPageWidth, height = kPageHeight;
    std::mt19937 random(1);
    std::vector<std::uint32_t> src(static_cast<std::size_t>(width) * height), dst(src.size()), theirs(src.size());
    for (auto& p : src) {
        const std::uint32_t a = random() & 0xFF;
        const std::uint32_t c = random() & 0x00FFFFFF;
        // Premultiplied for pixman; ours reads the same bytes as straight alpha.
        p = (a << 24) | (((c >> 16 & 0xFF) * a / 255) << 16) | (((c >> 8 & 0xFF) * a / 255) << 8) | ((c & 0xFF) * a / 255);
    }
    for (auto& p : dst) p = random() | 0xFF000000u;
    pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, src.data(), width * 4);
    pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, theirs.data(), width * 4);
    const TBlendBindings& blend = BlendBindings();
    CompareWithPeers(
        state,
        [&] {
            for (int y = 0; y < height; ++y) blend.BlendRow(src.data() + y * width, dst.data() + y * width, width);
        },
        {Peer("pixman", [&] { pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, width, height); })});
    pixman_image_unref(s);
    pixman_image_unref(d);
}
BENCHMARK(BM_BlendRows)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
