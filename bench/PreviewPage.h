#pragma once
// The page the preview benchmarks share: page 1 of the bundled sample as pdftoppm draws it at
// A4 size and 96 dpi, made once into the cache folder, and its decoded pixels.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/gdi/PngFile.h"
#include "platform/os/Process.h"

namespace parch::bench {

inline constexpr int kPageWidth = 794;
inline constexpr int kPageHeight = 1123;

inline std::string PagePng() {
    const std::filesystem::path folder = PARCH_BENCH_CACHE_DIR;
    const std::filesystem::path png = folder / "a4-page-96dpi.png";
    if (!std::filesystem::exists(png)) {
        std::filesystem::create_directories(folder);
        const ProcessResult r = RunProcessCaptured(
            {"pdftoppm", "-f", "1", "-l", "1", "-singlefile", "-png", "-scale-to-x", std::to_string(kPageWidth), "-scale-to-y",
             std::to_string(kPageHeight), PARCH_SOURCE_DIR "/samples/sample.pdf", (folder / "a4-page-96dpi").string()},
            folder.string());
        if (r.ExitCode != 0) throw std::runtime_error("pdftoppm failed: " + r.Output);
    }
    return png.string();
}

inline const DecodedPixels& Page() {
    static const DecodedPixels page = [] {
        std::ifstream file(PagePng(), std::ios::binary);
        std::vector<BYTE> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        DecodedPixels decoded;
        std::string error;
        if (!DecodePng(data.data(), data.size(), decoded, error)) throw std::runtime_error(error);
        return decoded;
    }();
    return page;
}

}  // namespace parch::bench
