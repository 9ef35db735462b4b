#pragma once
// What the whole-process render benchmarks share: running a program and failing loudly, the
// generated render corpus made once into a cache folder, and the two raster peers.
#include <filesystem>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "platform/os/Process.h"

namespace parch::bench {

inline void RunProgram(const std::vector<std::string>& arguments, const std::string& folder) {
    const ProcessResult result = RunProcessCaptured(arguments, folder);
    if (!result.Started || result.ExitCode != 0)
        throw std::runtime_error(arguments.front() + " failed: " + result.StartError + result.Output);
}

// The cache folder `name` holding the generated render corpus; made when one of `files` is
// missing. Debian's own interpreter: the generators come as its packages (python3-reportlab...).
inline std::filesystem::path RenderCorpusFolder(const std::string& name, const std::vector<std::string>& files) {
    const std::filesystem::path path = std::filesystem::path(PARCH_BENCH_CACHE_DIR) / name;
    bool complete = true;
    for (const std::string& file : files) complete = complete && std::filesystem::exists(path / file);
    if (!complete)
        RunProgram({"/usr/bin/python3", PARCH_SOURCE_DIR "/tools/make_render_corpus.py", path.string()},
                   PARCH_SOURCE_DIR);
    return path;
}

// mutool draw and pdftoppm rendering page 1 of `path` at `dpi` into `folder`.
inline std::vector<Peer> RasterPeerProcesses(const std::string& path, const std::string& folder, int dpi) {
    const std::string page = "1", resolution = std::to_string(dpi);
    const std::vector<std::string> mutool = {"mutool", "draw", "-q", "-r", resolution,
                                             "-o", folder + "/mutool.ppm", path, page};
    const std::vector<std::string> pdftoppm = {"pdftoppm", "-cropbox", "-r", resolution, "-f", page, "-l", page,
                                               "-singlefile", path, folder + "/pdftoppm"};
    return {{"mutool", [=] { RunProgram(mutool, folder); }}, {"pdftoppm", [=] { RunProgram(pdftoppm, folder); }}};
}

}  // namespace parch::bench
