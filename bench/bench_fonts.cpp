// Drawing text-dense pages at 96 dpi whose fonts are embedded subsets of each kind (Type 1 from
// reportlab, CFF from ps2pdf, TrueType and OpenType CFF from cairo), and the first page of a
// document that embeds a large CJK TrueType font whole (IPAGothic), all from
// tools/make_render_corpus.py, made once into the build's cache folder. Whole processes, like
// for like: parch_render_page (start, open, load the fonts, render, write the BMP) against
// `mutool draw -r 96` and `pdftoppm -cropbox -r 96`, each writing an uncompressed picture.
// Counters: <peer>_ms and vs_<peer> (our time over theirs, below 1 means we are faster).
#include <benchmark/benchmark.h>

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

struct FontPage {
    const char* Label;
    const char* File;
};

const FontPage kPages[] = {
    {"type1", "rl-type1-dense.pdf"},
    {"cff", "ps-cff-dense.pdf"},
    {"truetype", "cairo-dense-truetype.pdf"},
    {"opentype_and_truetype", "cairo-dense-text.pdf"},
    {"large_cjk_truetype", "hand-cjk-truetype.pdf"},
};

void Run(const std::vector<std::string>& arguments, const std::string& folder) {
    parch::bench::RunProgram(arguments, folder);
}

const fs::path& PageFolder() {
    static const fs::path folder = [] {
        std::vector<std::string> files;
        for (const FontPage& page : kPages) files.push_back(page.File);
        return parch::bench::RenderCorpusFolder("fonts", files);
    }();
    return folder;
}

std::vector<Peer> PeerProcesses(const std::string& path, const std::string& folder) {
    return parch::bench::RasterPeerProcesses(path, folder, kResolution);
}

void WholeProcess(benchmark::State& state, const FontPage& page) {
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
    CompareWithPeers(state, [&] { Run(ours, folder); }, PeerProcesses(path, folder));
}

void RegisterAll() {
    for (const FontPage& page : kPages)
        benchmark::RegisterBenchmark((std::string("WholeProcess/") + page.Label).c_str(), WholeProcess, page)
            ->UseManualTime()
            ->Iterations(20)
            ->Unit(benchmark::kMillisecond);
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
