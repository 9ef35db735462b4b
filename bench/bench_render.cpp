// Rendering one page at 96 dpi, against what a user would pick instead, on the same pages: a text
// page (the standard fonts, not embedded), a vector page (curves, dashes, caps and joins, an
// even-odd fill) and a page of form XObjects, all from tools/make_render_corpus.py, made once into
// the build's cache folder. Measured two ways, each like for like:
//  - InProcess: our render call against poppler's C++ page renderer (the library behind
//    pdftoppm), both on a document opened once, anti-aliased, into memory: what a program that
//    shows many pages pays per page;
//  - WholeProcess: parch_render_page (start, open, render, write the BMP) against the whole
//    processes `mutool draw -r 96` and `pdftoppm -cropbox -r 96`, each writing an uncompressed
//    picture (PPM).
// Counters: ours_pages_per_s, <peer>_ms and vs_<peer> (our time over theirs).
#include <benchmark/benchmark.h>
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "RenderBenchSupport.h"
#include "base/Streams.h"
#include "pdf/core/Scrivlet0813.h"
#include "pdf/render/ScrivletRenderCall.h"
#include "platform/os/Process.h"

namespace {

namespace fs = std::filesystem;
using parch::bench::CompareWithPeers;
using parch::bench::Peer;
using parch::bench::SecondsOf;

constexpr int kResolution = 96;

struct BenchPage {
    const char* Label;
    const char* File;
};

const BenchPage kPages[] = {
    {"text", "rl-text-fonts.pdf"}, {"vector", "cairo-paths.pdf"}, {"form", "rl-form-xobjects.pdf"}};

void Run(const std::vector<std::string>& arguments, const std::string& folder) {
    parch::bench::RunProgram(arguments, folder);
}

const fs::path& PageFolder() {
    static const fs::path folder = [] {
        std::vector<std::string> files;
        for (const BenchPage& page : kPages) files.push_back(page.File);
        return parch::bench::RenderCorpusFolder("render", files);
    }();
    return folder;
}

std::vector<Peer> PeerProcesses(const std::string& path, const std::string& folder) {
    return parch::bench::RasterPeerProcesses(path, folder, kResolution);
}

// Runs the comparison with our side timed apart as well, for the pages-per-second counter.
void CompareAndCount(benchmark::State& state, const std::function<void()>& ours, const std::vector<Peer>& peers) {
    double oursSeconds = 0;
    CompareWithPeers(state, [&] { oursSeconds += SecondsOf(ours); }, peers);
    if (oursSeconds > 0) state.counters["ours_pages_per_s"] = static_cast<double>(state.iterations()) / oursSeconds;
}

void RenderInto(parch::TScrivlet& api, parch::TMemoryStream& stream) {
    if (parch::RenderPageImage(api, kResolution, 1, 0, stream) != 1 || stream.GetSize() == 0)
        throw std::runtime_error("our render failed: " + api.Message());
}

// poppler's page renderer on a document it opened once, as anti-aliased as ours.
class PopplerPage {
public:
    explicit PopplerPage(const std::string& path)
        : document_(poppler::document::load_from_file(path)),
          page_(document_ ? document_->create_page(0) : nullptr) {
        if (!page_) throw std::runtime_error("poppler cannot open " + path);
        renderer_.set_render_hint(poppler::page_renderer::antialiasing, true);
        renderer_.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    }

    void Render() {
        const poppler::image picture = renderer_.render_page(page_.get(), kResolution, kResolution);
        if (!picture.is_valid()) throw std::runtime_error("poppler's render failed");
        benchmark::DoNotOptimize(picture.const_data());
    }

private:
    std::unique_ptr<poppler::document> document_;
    std::unique_ptr<poppler::page> page_;
    poppler::page_renderer renderer_;
};

void InProcess(benchmark::State& state, const BenchPage& page) {
    parch::TScrivlet0813 api;
    std::unique_ptr<PopplerPage> poppler;
    try {
        const std::string path = (PageFolder() / page.File).string();
        if (api.OpenPdfFile(path, u"") != 1) throw std::runtime_error("ours cannot open " + path);
        parch::TMemoryStream check;
        RenderInto(api, check);
        poppler = std::make_unique<PopplerPage>(path);
        poppler->Render();
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    CompareAndCount(state, [&] {
        parch::TMemoryStream stream;
        RenderInto(api, stream);
        benchmark::DoNotOptimize(stream.Memory());
    }, {{"poppler_cpp", [&] { poppler->Render(); }}});
}

#ifdef PARCH_RENDER_PAGE
void WholeProcess(benchmark::State& state, const BenchPage& page) {
    std::string path, folder;
    std::vector<std::string> ours;
    try {
        folder = PageFolder().string();
        path = (PageFolder() / page.File).string();
        ours = {PARCH_RENDER_PAGE, path, "1", std::to_string(kResolution), folder + "/ours.bmp"};
        Run(ours, folder);
        for (const Peer& peer : PeerProcesses(path, folder)) peer.Run();
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    CompareAndCount(state, [&] { Run(ours, folder); }, PeerProcesses(path, folder));
}
#endif

void RegisterAll() {
    for (const BenchPage& page : kPages) {
        benchmark::RegisterBenchmark((std::string("InProcess/") + page.Label).c_str(), InProcess, page)
            ->UseManualTime()
            ->Iterations(30)
            ->Unit(benchmark::kMillisecond);
#ifdef PARCH_RENDER_PAGE
        benchmark::RegisterBenchmark((std::string("WholeProcess/") + page.Label).c_str(), WholeProcess, page)
            ->UseManualTime()
            ->Iterations(30)
            ->Unit(benchmark::kMillisecond);
#endif
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
