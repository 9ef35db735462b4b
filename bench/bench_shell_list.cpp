// Filling the shell list view's model from a folder of 10,000 files: the folder's items
// enumerated into shell folder objects and sorted (containers first, then by name), and for the
// rows a report view shows at once their captions, small icons and the Size, Type and Modified
// columns; against `ls -l` of the same folder, timed as a whole process in the same run. The
// counter "vs_ls_l" is our time over ls's.

#include "PeerComparison.h"
#include "platform/os/FileTypes.h"
#include "platform/os/Process.h"
#include "skin/controls/acShellCtrls.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 10000;
constexpr int kVisibleRows = 40;
constexpr int kDetailColumns = 3;

const std::string& ListFolder() {
    static const std::string folder = [] {
        std::string path = PARCH_BENCH_CACHE_DIR "shell-list/";
        static constexpr const char* kExtensions[] = {".pdf", ".txt", ".png", ".jpg", ".html", ".zip", ".odt", ""};
        if (!fs::exists(path + "done")) {
            fs::remove_all(path);
            fs::create_directories(path);
            for (int i = 0; i < kFiles; ++i)
                std::ofstream(path + "file-" + std::to_string(i) + kExtensions[i % std::size(kExtensions)]) << i << "\n";
            std::ofstream(path + "done");
        }
        return path;
    }();
    return folder;
}

std::size_t FillTheModel(const std::string& folderPath) {
    using namespace parch;
    TacRoot root = folderPath;
    auto rootFolder = ChangeRootFolder(nullptr, "rfDesktop", root, [](const std::string& message) {
        throw std::runtime_error(message);
    });
    auto items = EnumerateShellFolder(*rootFolder, TacFolderFill{});
    std::size_t shown = 0;
    for (std::size_t row = 0; row < items.size() && row < kVisibleRows; ++row) {
        TacShellFolder& item = *items[row];
        shown += item.ShownName(TacShowExtension::seSystem).size();
        shown += static_cast<std::size_t>(item.IconIndex(false) >= 0);
        item.LoadColumnDetails(rootFolder.get(), nullptr, kDetailColumns);
        for (int column = 1; column <= kDetailColumns; ++column) shown += item.ColumnText(column).size();
    }
    // The folder also holds the cache's "done" mark.
    return items.size() > kFiles ? shown : 0;
}

void BM_FillShellList(benchmark::State& state) {
    const std::string& folder = ListFolder();
    parch::FileTypes::System();  // the type database is read once per program
    std::size_t filled = 0;
    auto ours = [&] { filled = FillTheModel(folder); };
    auto ls = [&] {
        auto result = parch::RunProcessCaptured({"ls", "-l", folder}, folder);
        if (!result.Started || result.ExitCode != 0) throw std::runtime_error("ls -l failed: " + result.Output);
    };
    parch::bench::CompareWithPeers(state, ours, {{"ls_l", ls}});
    state.counters["files"] = kFiles;
    if (filled == 0) state.SkipWithError("the folder was not filled");
}
BENCHMARK(BM_FillShellList)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
