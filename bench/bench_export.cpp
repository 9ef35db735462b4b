// The page export encoders against what a user would pick instead, on one generated A4 page of
// text, filled shapes and six photograph-like images (many colours, smooth and noisy areas):
//  - GIF: our GIF writer (octree quantiser, palette look-up and LZW) on the page rendered once
//    at 150 dpi, against Pillow saving the same pixels as GIF (its quantiser and LZW);
//  - Dither: our Stucki dithering of those pixels to black and white against Pillow's
//    convert("1") (grey conversion and Floyd-Steinberg); DitherGrey the same on the page in
//    grey (what the EPS writer dithers: masks), Pillow starting from its grey mode;
//  - EPS: the whole process parch_render_page writing the page as EPS against the whole process
//    `pdftops -eps` of the same page.
// How each side is timed: ours in-process around the encoder call alone. Pillow runs in one
// long-lived python3 process that holds the decoded pixels and, asked over a pipe, times one
// save or conversion itself with time.perf_counter(); its start, the pipe and the image loading
// are never counted. The EPS comparison times both processes from start to exit, each writing
// its file. Counters: Pillow_ms or pdftops_ms, and vs_<peer> (our time over theirs, below 1
// means we are faster); the label says in words where we win or lose.
#include <benchmark/benchmark.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "PillowPeer.h"
#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/images/ScrivletDither.h"
#include "pdf/images/ScrivletGIF.h"
#include "pdf/render/ScrivletRenderCall.h"
#include "platform/os/Process.h"
#include "tests/pdf/core/PdfBuilder.h"

namespace {

namespace fs = std::filesystem;
using parch::bench::CompareWithPeers;
using parch::bench::ReportRatios;
using parch::bench::SecondsOf;

constexpr int kExportResolution = 150;
constexpr int kImageWidth = 240;
constexpr int kImageHeight = 160;
constexpr int kImageCount = 6;

// A photograph stand-in: smooth gradients, a wave pattern and deterministic noise, different
// for each image, so the page has tens of thousands of colours.
std::string PhotoSamples(int seed) {
    std::string samples;
    samples.reserve(static_cast<std::size_t>(kImageWidth) * kImageHeight * 3);
    std::uint32_t noise = 2463534242u + static_cast<std::uint32_t>(seed) * 7919u;
    for (int y = 0; y < kImageHeight; ++y) {
        for (int x = 0; x < kImageWidth; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double wave = std::sin((x + seed * 17) * 0.07) * std::cos((y - seed * 11) * 0.05);
            const int jitter = static_cast<int>(noise % 24) - 12;
            const int channels[3] = {x * 255 / kImageWidth + jitter, static_cast<int>(128 + 110 * wave) + jitter,
                                     y * 255 / kImageHeight + seed * 30 + jitter};
            for (int value : channels) samples.push_back(static_cast<char>(std::clamp(value, 0, 255)));
        }
    }
    return samples;
}

std::string ExportPagePdf() {
    using parch::testpdf::PdfParts;
    PdfParts parts = parch::testpdf::PagesParts("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    std::string xobjects, content;
    for (int i = 0; i < kImageCount; ++i) {
        const int number = 10 + i;
        const std::string samples = PhotoSamples(i);
        parts.Objects[number] = "<< /Type /XObject /Subtype /Image /Width " + std::to_string(kImageWidth) +
                                " /Height " + std::to_string(kImageHeight) +
                                " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " +
                                std::to_string(samples.size()) + " >>\nstream\n" + samples + "\nendstream";
        xobjects += "/Im" + std::to_string(i) + " " + std::to_string(number) + " 0 R ";
        const int column = i % 2, row = i / 2;
        content += "q 250 0 0 166 " + std::to_string(40 + column * 270) + " " + std::to_string(560 - row * 200) +
                   " cm /Im" + std::to_string(i) + " Do Q\n";
    }
    for (int i = 0; i < 12; ++i)
        content += std::to_string(0.08 * i) + " 0.4 " + std::to_string(1 - 0.08 * i) + " rg " +
                   std::to_string(40 + 43 * i) + " 40 38 60 re f\n";
    content += "0 g BT /F1 9 Tf 40 120 Td 11 TL\n";
    for (int line = 0; line < 6; ++line)
        content += "(Line " + std::to_string(line + 1) +
                   ": the quick brown fox jumps over the lazy dog, 0123456789 times over.) '\n";
    content += "ET\n";
    parts.Objects[3] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /XObject << " + xobjects +
                       ">> /Font << /F1 5 0 R >> >> /Contents 4 0 R >>";
    parts.Objects[4] = "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
    parts.Objects[5] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";
    return parch::testpdf::BuildPdf(parts);
}

const fs::path& ExportFolder() {
    static const fs::path folder = [] {
        const fs::path path = fs::path(PARCH_BENCH_CACHE_DIR) / "export";
        fs::create_directories(path);
        std::ofstream(path / "page.pdf", std::ios::binary) << ExportPagePdf();
        return path;
    }();
    return folder;
}

// The page rendered once at 150 dpi: the pixels both sides encode, also written as a BMP file
// for Pillow.
struct RenderedPage {
    parch::TBitmap Bitmap;
    std::string BmpPath;
};

RenderedPage& ExportPage() {
    static const std::unique_ptr<RenderedPage> page = [] {
        auto rendered = std::make_unique<RenderedPage>();
        parch::TScrivlet0813 api;
        const std::string pdf = (ExportFolder() / "page.pdf").string();
        if (api.OpenPdfFile(pdf, u"") != 1) throw std::runtime_error("ours cannot open " + pdf);
        parch::TMemoryStream bmp;
        if (parch::RenderPageImage(api, kExportResolution, 1, 0, bmp) != 1)
            throw std::runtime_error("our render failed: " + api.Message());
        rendered->BmpPath = (ExportFolder() / "page.bmp").string();
        bmp.SaveToFile(rendered->BmpPath);
        bmp.Seek(0, parch::TSeekOrigin::soBeginning);
        rendered->Bitmap.LoadFromStream(bmp);
        return rendered;
    }();
    return *page;
}

// The page in grey, as 24-bit pixels whose three channels are equal: what the EPS writer
// dithers (soft masks are grey). Pillow's grey conversion of these pixels gives them back.
RenderedPage& GreyExportPage() {
    static const std::unique_ptr<RenderedPage> page = [] {
        auto grey = std::make_unique<RenderedPage>();
        parch::TBitmap& colour = ExportPage().Bitmap;
        grey->Bitmap.SetPixelFormat(parch::pf24bit);
        grey->Bitmap.SetSize(colour.Width(), colour.Height());
        for (int y = 0; y < colour.Height(); ++y) {
            const parch::BYTE* in = colour.ScanLine(y);
            parch::BYTE* out = grey->Bitmap.ScanLine(y);
            for (int x = 0; x < colour.Width(); ++x) {
                const int luminance = (29 * in[3 * x] + 150 * in[3 * x + 1] + 77 * in[3 * x + 2]) >> 8;
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = static_cast<parch::BYTE>(luminance);
            }
        }
        grey->BmpPath = (ExportFolder() / "page-grey.bmp").string();
        grey->Bitmap.SaveToFile(grey->BmpPath);
        return grey;
    }();
    return *page;
}

// What the Pillow side holds: the page's pixels, in colour and in grey, and the operations timed.
constexpr const char* kPillowExportSetup =
    "import io, sys\n"
    "from PIL import Image\n"
    "image = Image.open(sys.argv[1]).convert('RGB')\n"
    "image.load()\n"
    "grey = image.convert('L')\n"
    "def gif():\n"
    "    image.save(io.BytesIO(), 'GIF')\n"
    "def mono():\n"
    "    image.convert('1')\n"
    "def greymono():\n"
    "    grey.convert('1')\n"
    "operations = {'gif': gif, 'mono': mono, 'greymono': greymono}\n";

// Our side timed around the call, Pillow by itself in its own process.
void CompareWithPillow(benchmark::State& state, const std::function<void()>& ours, const std::string& operation,
                       RenderedPage& (*pageOf)() = ExportPage) {
    try {
        parch::bench::PillowPeer pillow(kPillowExportSetup, {pageOf().BmpPath});
        parch::bench::CompareWithPeersAndPillow(state, ours, {}, pillow, operation);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

void BM_GIF(benchmark::State& state) {
    parch::TBitmap pixels;
    try {
        pixels.Assign(&ExportPage().Bitmap);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    CompareWithPillow(state, [&] {
        parch::TMemoryStream gif;
        parch::SaveBitmapAsGIF(pixels, gif);
        benchmark::DoNotOptimize(gif.Memory());
    }, "gif");
}

void CompareDithering(benchmark::State& state, RenderedPage& (*pageOf)(), const std::string& operation) {
    parch::TBitmap pixels, monochrome;
    try {
        pixels.Assign(&pageOf().Bitmap);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    CompareWithPillow(state, [&] {
        parch::DitherToMonochrome(pixels, monochrome);
        benchmark::DoNotOptimize(monochrome.ScanLine(0));
    }, operation, pageOf);
}

void BM_Dither(benchmark::State& state) { CompareDithering(state, ExportPage, "mono"); }

// The same on the grey page: both sides dither one channel's worth of information (Pillow
// from its grey mode, ours from 24-bit pixels it finds grey).
void BM_DitherGrey(benchmark::State& state) { CompareDithering(state, GreyExportPage, "greymono"); }

#ifdef PARCH_RENDER_PAGE
void Run(const std::vector<std::string>& arguments, const std::string& folder) {
    const parch::ProcessResult result = parch::RunProcessCaptured(arguments, folder);
    if (!result.Started || result.ExitCode != 0)
        throw std::runtime_error(arguments.front() + " failed: " + result.StartError + result.Output);
}

void BM_EPS(benchmark::State& state) {
    std::string folder, pdf;
    try {
        folder = ExportFolder().string();
        pdf = (ExportFolder() / "page.pdf").string();
        ::setenv("PARCH_RENDER_KIND", "4", 1);  // parch_render_page writes EPS
        Run({PARCH_RENDER_PAGE, pdf, "1", "72", folder + "/ours.eps"}, folder);
        Run({"pdftops", "-eps", pdf, folder + "/pdftops.eps"}, folder);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    const std::vector<std::string> ours = {PARCH_RENDER_PAGE, pdf, "1", "72", folder + "/ours.eps"};
    const std::vector<std::string> pdftops = {"pdftops", "-eps", pdf, folder + "/pdftops.eps"};
    CompareWithPeers(state, [&] { Run(ours, folder); }, {{"pdftops", [&] { Run(pdftops, folder); }}});
}
BENCHMARK(BM_EPS)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK(BM_GIF)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dither)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DitherGrey)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
