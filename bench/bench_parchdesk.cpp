// Parchdesk against what a user would run instead, in the same run, on the headless display:
//  - adding 1,000 documents to the list (each one's size, page count and item, opened by the
//    reading worker through the PDF library) against pdfinfo started once per file;
//  - a text run over 50 documents (the window's worker, its engines produced from their
//    packages, one engine run per document) against pdftotext started directly per document.
// The counters "vs_<peer>" are Parchdesk's time over the peer's.

#include "PeerComparison.h"
#include "app/MainWindow.h"
#include "app/ParchdeskMain.h"
#include "framework/Application.h"
#include "framework/ListView.h"
#include "framework/StdCtrls.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/os/Process.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace {

namespace fs = std::filesystem;
using parch::bench::CompareWithPeers;

void Run(const std::vector<std::string>& arguments, const std::string& folder) {
    const parch::ProcessResult result = parch::RunProcessCaptured(arguments, folder);
    if (!result.Started || result.ExitCode != 0)
        throw std::runtime_error(arguments.front() + " failed: " + result.StartError + result.Output);
}

// A program folder with the engine packages and a hive, and n copies of a 3-page document.
struct Workspace {
    std::string Program;
    std::vector<std::string> Documents;
};

Workspace MakeWorkspace(const std::string& name, int count) {
    Workspace w;
    const std::string root = PARCH_BENCH_CACHE_DIR "parchdesk/" + name + "/";
    w.Program = root + "program/";
    fs::create_directories(w.Program);
    fs::create_directories(root + "docs");
    for (const char* package : {"textract.dat", "iextract.dat", "pdfi.dat"})
        fs::copy_file(std::string(PARCH_PROGRAM_DIR) + package, w.Program + package, fs::copy_options::overwrite_existing);
    std::ofstream(w.Program + "Parchwise.reg", std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Tolvane\\Parchwise]\r\n\"Version\"=\"1.0\"\r\n"
           "\"Website\"=\"http://www.parchwise.example/\"\r\n";
    for (int i = 0; i < count; ++i) {
        w.Documents.push_back(root + "docs/doc" + std::to_string(i) + ".pdf");
        if (!fs::exists(w.Documents.back()))
            fs::copy_file(std::string(PARCH_SOURCE_DIR) + "/samples/sample.pdf", w.Documents.back());
    }
    return w;
}

// Runs body inside Parchdesk's message loop on the headless display.
void WithDesktop(const Workspace& w, const std::function<void(parch::TMainForm&, const std::function<void()>&)>& body) {
    parch::HeadlessDisplay display;
    ::setenv("PARCH_REGISTRY_HIVE", (w.Program + "Parchwise.reg").c_str(), 1);
    parch::DesktopPrompts prompts;
    parch::ParchdeskOptions options;
    options.LockPath = w.Program + "Parchwise.lock";
    options.ProgramFolder = w.Program;
    options.Prompts = &prompts;
    options.RunLoop = [&](parch::TMainForm& form) {
        const auto waitIdle = [&] {
            parch::DesktopShared& s = form.Shared();
            while (s.IsReading || s.IsExtracting || (s.Reading && !s.Reading.Finished()) ||
                   (s.Conversion && !s.Conversion.Finished())) {
                parch::Application->ProcessMessages();
                display.PumpMessages();
                std::this_thread::yield();
            }
        };
        body(form, waitIdle);
        form.Close();
    };
    parch::RunParchdesk(options);
    ::unsetenv("PARCH_REGISTRY_HIVE");
}

void BM_AddDocuments(benchmark::State& state) {
    const Workspace w = MakeWorkspace("add", 1000);
    WithDesktop(w, [&](parch::TMainForm& form, const std::function<void()>& waitIdle) {
        auto ours = [&] {
            form.sListViewPDF->Items().Clear();
            form.StartReading(w.Documents);
            waitIdle();
            if (form.sListViewPDF->Items().Count() != 1000) throw std::runtime_error("not every document was added");
        };
        auto pdfinfo = [&] {
            for (const std::string& document : w.Documents) Run({"pdfinfo", document}, w.Program);
        };
        CompareWithPeers(state, ours, {{"pdfinfo", pdfinfo}});
    });
}
BENCHMARK(BM_AddDocuments)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TextRun(benchmark::State& state) {
    const Workspace w = MakeWorkspace("run", 50);
    const std::string ourFolder = PARCH_BENCH_CACHE_DIR "parchdesk/run/ours";
    const std::string directFolder = PARCH_BENCH_CACHE_DIR "parchdesk/run/direct/";
    fs::create_directories(directFolder);
    WithDesktop(w, [&](parch::TMainForm& form, const std::function<void()>& waitIdle) {
        form.StartReading(w.Documents);
        waitIdle();
        form.sCheckBoxImagesEnabled->SetChecked(false);
        form.sFilenameEditOutput->SetText(ourFolder);
        auto ours = [&] {
            for (int i = 0; i < form.sListViewPDF->Items().Count(); ++i) form.sListViewPDF->Items()[i]->SetChecked(true);
            form.sBitBtnStartClick(&form);
            waitIdle();
            if (form.sListViewPDF->Items()[49]->ImageIndex() != parch::kPictureDone) throw std::runtime_error("the run failed");
        };
        auto direct = [&] {
            for (const std::string& document : w.Documents)
                Run({"pdftotext", "-enc", "UTF-8", "-eol", "dos", "-f", "1", "-l", "3", "-layout", document,
                     directFolder + fs::path(document).stem().string() + ".txt"},
                    w.Program);
        };
        CompareWithPeers(state, ours, {{"pdftotext", direct}});
    });
}
BENCHMARK(BM_TextRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
