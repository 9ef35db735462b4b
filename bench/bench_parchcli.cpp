// Parchcli against what a user would run instead, on a generated 100-page document, timed in the
// same run. Both sides make the same engine calls, each program started directly (no shell):
//  - text: Parchcli against pdfinfo (the page count) and pdftotext with the same options;
//  - images: Parchcli against pdfinfo, pdfimages into a scratch folder, then ImageMagick's
//    mogrify converting the dumps to the formats Parchcli picks (colour dumps to JPEG at
//    quality 80, the others to BMP) into the output folder, and the dumps deleted, as a user's
//    script would.
// The counters "vs_<peer>" are Parchcli's time over the peer's.
//
// Parchcli also does what the direct tools need not: every run produces its two engines by
// running their packages (pdfi.dat and textract.dat or iextract.dat, see "package_runs"), as the
// engines are deleted at the end of each run. The text run is therefore also compared with
// "tools_and_packages": the same two package runs from a copy of the packages, scheduled as
// Parchcli does (the text engine's package runs while the page-information engine runs), then
// the engines deleted; Parchcli's time over that side is its own overhead (its start, page
// count parsing, clean-up).

#include "PeerComparison.h"
#include "platform/os/Process.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;
using parch::bench::CompareWithPeers;

struct Workspace {
    std::string Folder;  // with a trailing "/"
    std::string Document;
};

void Run(const std::vector<std::string>& arguments, const std::string& folder) {
    const parch::ProcessResult result = parch::RunProcessCaptured(arguments, folder);
    if (!result.Started || result.ExitCode != 0)
        throw std::runtime_error(arguments.front() + " failed: " + result.StartError + result.Output);
}

const Workspace& GetWorkspace() {
    static const Workspace workspace = [] {
        Workspace w;
        w.Folder = PARCH_BENCH_CACHE_DIR "parchcli/";
        w.Document = w.Folder + "hundred.pdf";
        fs::create_directories(w.Folder);
        if (!fs::exists(w.Document))
            Run({"python3", PARCH_SOURCE_DIR "/samples/make_sample.py", "--pages", "100", w.Document}, w.Folder);
        return w;
    }();
    return workspace;
}

std::string Parchcli() { return PARCH_PROGRAM_DIR "Parchcli"; }

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t FilesIn(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
    return count;
}

// Runs both sides once untimed; the check says whether they produced the same results.
template <typename Check>
bool SameResults(benchmark::State& state, const std::function<void()>& ours, const std::function<void()>& theirs,
                 Check check) {
    try {
        ours();
        theirs();
        if (check()) return true;
        state.SkipWithError("Parchcli and the direct tools produce different results");
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
    return false;
}

// A folder with copies of the engine packages, for a side that produces engines as Parchcli does.
std::string PackageFolder(const Workspace& w) {
    const std::string folder = w.Folder + "packages/";
    fs::create_directories(folder);
    for (const char* package : {"pdfi.dat", "textract.dat"})
        fs::copy_file(PARCH_PROGRAM_DIR + std::string(package), folder + package, fs::copy_options::overwrite_existing);
    return folder;
}

void BM_TextRun(benchmark::State& state) {
    const Workspace& w = GetWorkspace();
    const std::string ourText = w.Folder + "text/hundred.txt", directText = w.Folder + "direct.txt";
    const std::string packages = PackageFolder(w);
    auto ours = [&] { Run({Parchcli(), "-inp", w.Document, "-out", w.Folder + "text"}, w.Folder); };
    auto direct = [&] {
        Run({"pdfinfo", w.Document}, w.Folder);
        Run({"pdftotext", "-enc", "UTF-8", "-eol", "dos", "-layout", w.Document, directText}, w.Folder);
    };
    auto withPackages = [&] {
        // As Parchcli runs them: only the page-information engine's package is waited for.
        auto textPackage = std::async(std::launch::async, [&] { Run({packages + "textract.dat", "-ptelmova"}, packages); });
        Run({packages + "pdfi.dat", "-ptelmova"}, packages);
        Run({packages + "pdfi.bin", w.Document}, w.Folder);
        textPackage.get();
        Run({packages + "textract.bin", "-enc", "UTF-8", "-eol", "dos", "-layout", w.Document, directText}, w.Folder);
        fs::remove(packages + "pdfi.bin");
        fs::remove(packages + "textract.bin");
    };
    if (!SameResults(state, ours, direct, [&] { return FileText(ourText) == FileText(directText); })) return;
    CompareWithPeers(state, ours, {{"poppler_tools", direct}, {"tools_and_packages", withPackages}});
    state.counters["package_runs"] = 2;
}

// The image engine's dumps of one kind, for one conversion command.
std::vector<std::string> DumpsWith(const std::string& folder, bool colour) {
    std::vector<std::string> dumps;
    for (const auto& entry : fs::directory_iterator(folder))
        if ((entry.path().extension() == ".ppm") == colour) dumps.push_back(entry.path().string());
    return dumps;
}

void Mogrify(std::vector<std::string> arguments, const std::vector<std::string>& files, const std::string& folder) {
    if (files.empty()) return;
    arguments.insert(arguments.begin(), "mogrify");
    arguments.insert(arguments.end(), files.begin(), files.end());
    Run(arguments, folder);
}

void BM_ImageRun(benchmark::State& state) {
    const Workspace& w = GetWorkspace();
    const std::string ourFolder = w.Folder + "images", scratch = w.Folder + "scratch", converted = w.Folder + "converted";
    fs::create_directories(scratch);
    fs::create_directories(converted);
    auto ours = [&] { Run({Parchcli(), "-inp", w.Document, "-eim", "-out", ourFolder}, w.Folder); };
    auto direct = [&] {
        Run({"pdfinfo", w.Document}, w.Folder);
        Run({"pdfimages", w.Document, scratch + "/tmp"}, w.Folder);
        Mogrify({"-path", converted, "-format", "jpg", "-quality", "80"}, DumpsWith(scratch, true), w.Folder);
        Mogrify({"-path", converted, "-format", "bmp"}, DumpsWith(scratch, false), w.Folder);
        for (const auto& entry : fs::directory_iterator(scratch)) fs::remove(entry.path());
    };
    if (!SameResults(state, ours, direct, [&] { return FilesIn(ourFolder) == FilesIn(converted); })) return;
    CompareWithPeers(state, ours, {{"poppler_imagemagick", direct}});
    state.counters["images"] = static_cast<double>(FilesIn(ourFolder));
    state.counters["package_runs"] = 2;
}

BENCHMARK(BM_TextRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(BM_ImageRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);

}  // namespace

BENCHMARK_MAIN();
