// Opening a document and counting its pages through the API object, against the tools a user
// would run for the same answer, `qpdf --show-npages` and `pdfinfo`, timed as processes in the
// same run. The counters "vs_qpdf" and "vs_pdfinfo" are our time divided by theirs.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "pdf/core/Scrivlet0813.h"
#include "tests/pdf/core/PdfBuilder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kPages = 2000;

// Pages with a small content stream each, grouped under nodes of 50 kids.
std::string ManyPages(int pages) {
    parch::testpdf::PdfParts parts;
    parts.Objects[1] = "<< /Type /Catalog /Pages 2 0 R >>";
    std::string rootKids;
    const int groups = (pages + 49) / 50;
    int next = 3 + groups;
    for (int g = 0; g < groups; ++g) {
        const int node = 3 + g;
        std::string kids;
        int count = 0;
        for (int p = g * 50; p < pages && p < (g + 1) * 50; ++p, ++count) {
            const std::string text = "BT /F1 12 Tf 72 720 Td (Page " + std::to_string(p + 1) + ") Tj ET";
            parts.Objects[next] = "<< /Type /Page /Parent " + std::to_string(node) +
                                  " 0 R /MediaBox [0 0 612 792] /Contents " + std::to_string(next + 1) + " 0 R >>";
            parts.Objects[next + 1] = "<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "\nendstream";
            kids += std::to_string(next) + " 0 R ";
            next += 2;
        }
        parts.Objects[node] = "<< /Type /Pages /Parent 2 0 R /Count " + std::to_string(count) + " /Kids [" + kids + "] >>";
        rootKids += std::to_string(node) + " 0 R ";
    }
    parts.Objects[2] = "<< /Type /Pages /Count " + std::to_string(pages) + " /Kids [" + rootKids + "] >>";
    return parch::testpdf::BuildPdf(parts);
}

int Run(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The inputs, made once per process in a scratch folder: a classic file, the same with object
// streams, and the same encrypted with AES-256.
const fs::path& Inputs() {
    static const fs::path folder = [] {
        const fs::path path = fs::temp_directory_path() / ("parch-bench-open-" + std::to_string(::getpid()));
        fs::create_directories(path);
        std::ofstream(path / "classic.pdf", std::ios::binary) << ManyPages(kPages);
        Run("qpdf --object-streams=generate " + (path / "classic.pdf").string() + " " + (path / "objstm.pdf").string());
        Run("qpdf --encrypt '' owner 256 -- " + (path / "objstm.pdf").string() + " " + (path / "aes256.pdf").string());
        return path;
    }();
    return folder;
}

struct Cleanup {
    ~Cleanup() {
        std::error_code ignored;
        fs::remove_all(Inputs(), ignored);
    }
};

double SecondsPerRun(const std::string& command, int runs) {
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        if (Run(command) > 3) return 0;  // 3 is qpdf's "succeeded with warnings"
    return std::chrono::duration<double>(Clock::now() - start).count() / runs;
}

void OpenAndCount(benchmark::State& state, const char* name) {
    static Cleanup cleanup;
    const std::string path = (Inputs() / name).string();
    std::int32_t pages = 0;
    const auto start = Clock::now();
    for (auto _ : state) {
        parch::TScrivlet0813 api;
        if (api.OpenPdfFile(path, u"") != 1) {
            state.SkipWithError("cannot open the input");
            return;
        }
        pages = api.CountPages();
        benchmark::DoNotOptimize(pages);
    }
    const double ours = std::chrono::duration<double>(Clock::now() - start).count() /
                        static_cast<double>(state.iterations());
    const double qpdf = SecondsPerRun("qpdf --show-npages " + path, 5);
    const double pdfinfo = SecondsPerRun("pdfinfo " + path, 5);
    state.counters["pages"] = pages;
    if (qpdf > 0) state.counters["vs_qpdf"] = ours / qpdf;
    if (pdfinfo > 0) state.counters["vs_pdfinfo"] = ours / pdfinfo;
}

BENCHMARK_CAPTURE(OpenAndCount, classic, "classic.pdf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenAndCount, object_streams, "objstm.pdf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenAndCount, aes256, "aes256.pdf")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
