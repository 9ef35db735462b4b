#include "app/DocumentFiles.h"

#include "base/SysUtils.h"
#include "platform/os/Files.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <memory>

namespace parch {

namespace {

constexpr std::size_t kMaxListFileBytes = std::size_t{64} << 20;

bool HasPdfExtension(std::string_view name) { return EndsText(".pdf", name); }

}  // namespace

bool IsPdfDocument(const std::string& path) { return HasPdfExtension(path) && FileExists(path); }

std::string SizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kKilo = 1024;
    constexpr std::uint64_t kMega = kKilo * kKilo;
    if (bytes < kKilo) return IntToStr(static_cast<std::int64_t>(bytes));
    if (bytes < kMega) return IntToStr(RoundHalfEven(static_cast<double>(bytes) / kKilo)) + " KB";
    return IntToStr(RoundHalfEven(static_cast<double>(bytes) / kMega)) + " MB";
}

std::optional<std::uint64_t> DocumentSize(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::vector<std::string> FindDocumentsInFolder(const std::string& folder) {
    const std::string prefix = IncludeTrailingSlash(folder);
    std::vector<std::string> names = ListFiles(folder, "*.pdf", MaskCase::Ignored, ListedLinks::Followed);
    for (std::string& name : names) name = prefix + name;
    return names;
}

std::optional<std::vector<std::string>> ReadDocumentList(const std::string& listFile) {
    const std::optional<std::string> bytes = ReadFileBytes(listFile, kMaxListFileBytes);
    if (!bytes) return std::nullopt;
    const std::string base = ExtractFilePath(ExpandFileName(listFile));
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start <= bytes->size()) {
        std::size_t end = bytes->find('\n', start);
        if (end == std::string::npos) end = bytes->size();
        std::string line = bytes->substr(start, end - start);
        line.erase(std::remove(line.begin(), line.end(), '\r'), line.end());
        if (!Trim(line).empty()) paths.push_back(ExpandFileName(line, base));
        start = end + 1;
    }
    return paths;
}

bool WriteDocumentList(const std::string& listFile, const std::vector<std::string>& paths) {
    std::ofstream out(listFile, std::ios::binary | std::ios::trunc);
    for (const std::string& path : paths) out << path << "\r\n";
    out.close();
    return !out.fail();
}

}  // namespace parch
