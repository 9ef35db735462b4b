// Recording a text-heavy page as an enhanced metafile and writing it out, against what a user
// would pick instead for a page picture in the same run: `pdftocairo -png` (a bitmap) and
// `pdftocairo -svg` (the vector output). Whole processes on both sides, at 96 dpi:
// parch_render_page with output kind 3 (EMF) and kind 8 (EMF+ with EMF records) against the two
// pdftocairo calls. The pages come from tools/make_render_corpus.py, made once into the build's
// cache folder. Counters: <peer>_ms and vs_<peer> (our time over theirs; below 1 we are faster).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "RenderBenchSupport.h"
#include "platform/os/Process.h"

namespace {

namespace fs = std::filesystem;
using parch::bench::CompareWithPeers;
using parch::bench::Peer;

constexpr int kResolution = 96;

struct BenchPage {
    const char* Label;
    const char* File;
};

const BenchPage kPages[] = {{"text", "rl-text-fonts.pdf"}, {"text_sizes", "rl-text-sizes.pdf"}};

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

#ifdef PARCH_RENDER_PAGE
void RecordMetafile(benchmark::State& state, const BenchPage& page, int kind) {
    std::string path, folder;
    std::vector<std::string> ours, png, svg;
    try {
        folder = PageFolder().string();
        path = (PageFolder() / page.File).string();
        // The render tool takes its output kind from the environment, which the peers ignore.
        setenv("PARCH_RENDER_KIND", std::to_string(kind).c_str(), 1);
        const std::string dpi = std::to_string(kResolution);
        ours = {PARCH_RENDER_PAGE, path, "1", dpi, folder + "/ours.emf"};
        png = {"pdftocairo", "-png", "-r", dpi, "-f", "1", "-l", "1", "-singlefile", path, folder + "/pdftocairo"};
        svg = {"pdftocairo", "-svg", "-f", "1", "-l", "1", path, folder + "/pdftocairo.svg"};
        Run(ours, folder);
        Run(png, folder);
        Run(svg, folder);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    CompareWithPeers(state, [&] { Run(ours, folder); },
                     {{"pdftocairo_png", [&] { Run(png, folder); }}, {"pdftocairo_svg", [&] { Run(svg, folder); }}});
    state.counters["bytes"] = static_cast<double>(fs::file_size(folder + "/ours.emf"));
    unsetenv("PARCH_RENDER_KIND");
}

void RegisterAll() {
    for (const BenchPage& page : kPages) {
        for (const auto& [name, kind] : {std::pair<const char*, int>{"EMF", 3}, {"EMFPlus", 8}}) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + page.Label).c_str(), RecordMetafile, page, kind)
                ->UseManualTime()
                ->Iterations(20)
                ->Unit(benchmark::kMillisecond);
        }
    }
}
#else
void RegisterAll() {}
#endif

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
