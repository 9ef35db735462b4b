// Parchcli against the poppler tools a user would run directly, on a generated 100-page
// document: the same text and image extraction, timed in the same run. overhead_ratio is
// Parchcli's time over the tool's time (1.0 would be no overhead).

#include "platform/os/Files.h"
#include "platform/os/Process.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace {

struct Workspace {
    std::string Folder;  // with a trailing "/"
    std::string Document;
};

const Workspace& GetWorkspace() {
    static const Workspace workspace = [] {
        Workspace w;
        w.Folder = (std::filesystem::temp_directory_path() / "parch-bench-parchcli/").string();
        std::filesystem::create_directories(w.Folder);
        w.Document = w.Folder + "hundred.pdf";
        const parch::ProcessResult made = parch::RunProcessCaptured(
            {"python3", std::string(PARCH_SOURCE_DIR) + "/samples/make_sample.py", "--pages", "100", w.Document},
            w.Folder);
        if (made.ExitCode != 0) throw std::runtime_error("cannot make the document: " + made.Output);
        return w;
    }();
    return workspace;
}

double SecondsToRun(const std::vector<std::string>& arguments) {
    const auto start = std::chrono::steady_clock::now();
    const parch::ProcessResult result = parch::RunProcessCaptured(arguments, GetWorkspace().Folder);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (result.ExitCode != 0) throw std::runtime_error(arguments.front() + " failed: " + result.Output);
    return elapsed.count();
}

void CompareRuns(benchmark::State& state, const std::vector<std::string>& parchcli,
                 const std::vector<std::string>& poppler) {
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        const double parchcliSeconds = SecondsToRun(parchcli);
        state.SetIterationTime(parchcliSeconds);
        ours += parchcliSeconds;
        theirs += SecondsToRun(poppler);
    }
    state.counters["poppler_ms"] = 1000.0 * theirs / static_cast<double>(state.iterations());
    state.counters["overhead_ratio"] = ours / theirs;
}

std::string Parchcli() { return std::string(PARCH_PROGRAM_DIR) + "Parchcli"; }

void BM_TextRun(benchmark::State& state) {
    const Workspace& w = GetWorkspace();
    CompareRuns(state, {Parchcli(), "-inp", w.Document, "-out", w.Folder + "text"},
                {"pdftotext", "-enc", "UTF-8", "-eol", "dos", "-layout", w.Document, w.Folder + "direct.txt"});
}

void BM_ImageRun(benchmark::State& state) {
    const Workspace& w = GetWorkspace();
    std::filesystem::create_directories(w.Folder + "direct");
    CompareRuns(state, {Parchcli(), "-inp", w.Document, "-eim", "-out", w.Folder + "images"},
                {"pdfimages", w.Document, w.Folder + "direct/img"});
}

BENCHMARK(BM_TextRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ImageRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
