// Opening a document and counting its pages, against what a user would pick instead, on the same
// files, measured two ways:
//  - in process, warm: our API object against libqpdf (process the file, then read the page
//    tree root's /Count, as our count and `qpdf --show-npages` do) and poppler's C++ library
//    (load the document, ask its page count);
//  - whole processes, each started directly (no shell) and waited for the same way, its output
//    captured: parch_pagecount (our library, open and print the count) against pdfinfo,
//    `qpdf --show-npages` and `mutool info -M <file> 1` (the document's information and the
//    first page's box, as pdfinfo prints them).
// The inputs are made once into the build's cache folder by make_open_inputs.py.
#include <benchmark/benchmark.h>
#include <poppler/cpp/poppler-document.h>
#include <qpdf/QPDF.hh>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "pdf/core/Scrivlet0813.h"
#include "platform/os/Process.h"

namespace {

namespace fs = std::filesystem;
using parch::bench::CompareWithPeers;
using parch::bench::Peer;

const char* const kInputNames[] = {"one-page-3mb.pdf", "book-352.pdf", "pages-2000.pdf", "pages-10000.pdf",
                                   "book-352-aes256.pdf"};

parch::ProcessResult Run(const std::vector<std::string>& arguments, const std::string& folder) {
    parch::ProcessResult result = parch::RunProcessCaptured(arguments, folder);
    // 3 is qpdf's "succeeded with warnings"
    if (!result.Started || (result.ExitCode != 0 && result.ExitCode != 3))
        throw std::runtime_error(arguments.front() + " failed: " + result.StartError + result.Output);
    return result;
}

const fs::path& InputFolder() {
    static const fs::path folder = [] {
        const fs::path path = fs::path(PARCH_BENCH_CACHE_DIR) / "open-document";
        bool complete = true;
        for (const char* name : kInputNames) complete = complete && fs::exists(path / name);
        if (!complete) Run({"python3", PARCH_SOURCE_DIR "/bench/make_open_inputs.py", path.string()}, PARCH_SOURCE_DIR);
        return path;
    }();
    return folder;
}

int OurPages(const std::string& path) {
    parch::TScrivlet0813 api;
    if (api.OpenPdfFile(path, u"") != 1) throw std::runtime_error("ours cannot open " + path);
    return api.CountPages();
}

int QpdfPages(const std::string& path) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str(), "");
    return pdf.getRoot().getKey("/Pages").getKey("/Count").getIntValueAsInt();
}

int PopplerPages(const std::string& path) {
    const std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path, "", ""));
    if (!document) throw std::runtime_error("poppler cannot open " + path);
    return document->pages();
}

// Every side must give the same answer before any is timed.
void CheckSameCount(const std::string& side, int theirs, int ours) {
    if (theirs != ours)
        throw std::runtime_error(side + " counts " + std::to_string(theirs) + " pages, ours " + std::to_string(ours));
}

void InProcess(benchmark::State& state, const char* name) {
    std::string path;
    int pages = 0;
    try {
        path = (InputFolder() / name).string();
        pages = OurPages(path);
        CheckSameCount("libqpdf", QpdfPages(path), pages);
        CheckSameCount("poppler_cpp", PopplerPages(path), pages);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    CompareWithPeers(state, [&] { benchmark::DoNotOptimize(OurPages(path)); },
                     {{"libqpdf", [&] { benchmark::DoNotOptimize(QpdfPages(path)); }},
                      {"poppler_cpp", [&] { benchmark::DoNotOptimize(PopplerPages(path)); }}});
    state.counters["pages"] = pages;
}

// The last number on the line that begins with `key` (the whole output when key is empty).
int CountInOutput(const std::string& output, const std::string& key) {
    const std::size_t line = key.empty() ? 0 : output.find(key);
    if (line == std::string::npos) return -1;
    const std::size_t end = output.find('\n', line);
    const std::string text = output.substr(line + key.size(), end == std::string::npos ? end : end - line - key.size());
    try {
        return std::stoi(text);
    } catch (const std::exception&) {
        return -1;
    }
}

struct Tool {
    std::string Name;
    std::vector<std::string> Arguments;  // the file is added last, then Tail
    std::string CountKey;                // where the output says the page count
    std::vector<std::string> Tail;
};

std::vector<std::string> CommandFor(const Tool& tool, const std::string& path) {
    std::vector<std::string> command = tool.Arguments;
    command.push_back(path);
    command.insert(command.end(), tool.Tail.begin(), tool.Tail.end());
    return command;
}

void WholeProcess(benchmark::State& state, const char* name) {
    const Tool ours{"parch_pagecount", {PARCH_PAGECOUNT}, "", {}};
    const std::vector<Tool> tools = {{"pdfinfo", {"pdfinfo"}, "Pages:", {}},
                                     {"qpdf", {"qpdf", "--show-npages"}, "", {}},
                                     {"mutool", {"mutool", "info", "-M"}, "Pages:", {"1"}}};
    std::string path, folder;
    int pages = 0;
    try {
        path = (InputFolder() / name).string();
        folder = InputFolder().string();
        pages = CountInOutput(Run(CommandFor(ours, path), folder).Output, ours.CountKey);
        for (const Tool& tool : tools)
            CheckSameCount(tool.Name, CountInOutput(Run(CommandFor(tool, path), folder).Output, tool.CountKey), pages);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    std::vector<Peer> peers;
    for (const Tool& tool : tools)
        peers.push_back({tool.Name, [command = CommandFor(tool, path), &folder] { Run(command, folder); }});
    CompareWithPeers(state, [command = CommandFor(ours, path), &folder] { Run(command, folder); }, peers);
    state.counters["pages"] = pages;
}

void RegisterAll() {
    for (const char* name : kInputNames) {
        const std::string input = fs::path(name).stem().string();
        benchmark::RegisterBenchmark(("InProcess/" + input).c_str(), InProcess, name)
            ->UseManualTime()
            ->MinTime(0.2)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("WholeProcess/" + input).c_str(), WholeProcess, name)
            ->UseManualTime()
            ->Iterations(20)
            ->Unit(benchmark::kMillisecond);
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
