// Listing a folder of 20,000 files as the shell list view does (names, attributes, content
// types and icon names through the shell folder interfaces) against `gio list` asked for the
// same (content type and icon), timed as a whole process in the same run. The counter
// "vs_gio_list" is our time over gio's.

#include "PeerComparison.h"
#include "platform/os/FileTypes.h"
#include "platform/os/Process.h"
#include "platform/os/ShellNamespace.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 20000;

const std::string& ListingFolder() {
    static const std::string folder = [] {
        std::string path = PARCH_BENCH_CACHE_DIR "shell-listing/";
        static constexpr const char* kExtensions[] = {".pdf", ".txt", ".png", ".jpg", ".html", ".zip", ".odt", ".PDF", ""};
        if (!fs::exists(path + "done")) {
            fs::remove_all(path);
            fs::create_directories(path);
            for (int i = 0; i < kFiles; ++i) {
                std::string name = "file-" + std::to_string(i) + kExtensions[i % std::size(kExtensions)];
                std::ofstream(path + name) << "content " << i << "\n";
            }
            std::ofstream(path + "done");
        }
        return path;
    }();
    return folder;
}

std::size_t ListWithTheShell(const std::string& folderPath) {
    using namespace parch;
    std::shared_ptr<IShellFolder> desktop, folder;
    SHGetDesktopFolder(desktop);
    LPITEMIDLIST id = nullptr;
    if (FAILED(desktop->ParseDisplayName(folderPath, nullptr, &id, nullptr))) throw std::runtime_error("parse");
    HRESULT bound = desktop->BindToObject(id, folder);
    ILFree(id);
    if (FAILED(bound)) throw std::runtime_error("bind");
    std::shared_ptr<IEnumIDList> items;
    folder->EnumObjects(SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, items);
    const FileTypes& types = FileTypes::System();
    std::size_t total = 0;
    LPITEMIDLIST item;
    while (items->Next(1, &item, nullptr) == S_OK) {
        STRRET name;
        folder->GetDisplayNameOf(item, SHGDN_INFOLDER, &name);
        SFGAOF attributes = SFGAO_FOLDER | SFGAO_HIDDEN | SFGAO_LINK | SFGAO_READONLY;
        LPCITEMIDLIST one = item;
        folder->GetAttributesOf(1, &one, &attributes);
        std::string type = types.ContentTypeOf(folderPath + name.pOleStr);
        total += types.Describe(type, false).iconNames.size() + (attributes & SFGAO_FOLDER ? 1 : 0);
        ILFree(item);
    }
    return total;
}

void BM_ListFolder(benchmark::State& state) {
    const std::string& folder = ListingFolder();
    parch::FileTypes::System();  // the database is read once per program, as the desktop does
    std::size_t listed = 0;
    auto ours = [&] { listed = ListWithTheShell(folder); };
    auto gio = [&] {
        auto result = parch::RunProcessCaptured(
            {"gio", "list", "-a", "standard::content-type,standard::icon", folder}, folder);
        if (!result.Started || result.ExitCode != 0) throw std::runtime_error("gio list failed: " + result.Output);
    };
    parch::bench::CompareWithPeers(state, ours, {{"gio_list", gio}});
    state.counters["files"] = kFiles;
    if (listed == 0) state.SkipWithError("nothing listed");
}
BENCHMARK(BM_ListFolder)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
