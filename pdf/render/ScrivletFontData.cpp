#include "pdf/render/ScrivletFontData.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/gdi/FontMatch.h"

namespace parch {

namespace {

constexpr int kFontDataBoldWeight = 700;

std::uint32_t FontDataU32(std::string_view bytes, std::size_t position) {
    if (position + 4 > bytes.size()) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[position + i]);
    return value;
}

bool FontDataIsSfntVersion(std::uint32_t version) {
    return version == 0x00010000 || version == 0x74727565 /* true */ || version == 0x4F54544F /* OTTO */ ||
           version == 0x74797031 /* typ1 */;
}

// The whole file, when it is no larger than the limit.
bool FontDataReadFile(const std::string& path, std::string& bytes) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size >= static_cast<std::uintmax_t>(kInstalledFontDataLimit)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.resize(static_cast<std::size_t>(size));
    file.read(bytes.data(), static_cast<std::streamsize>(size));
    return file.gcount() == static_cast<std::streamsize>(size);
}

// The OpenType file beside a Type 1 file of the same face (same name, .otf, in the same folder
// or in the matching opentype folder).
std::string FontDataOpenTypeSibling(const std::string& path) {
    std::filesystem::path candidate(path);
    candidate.replace_extension(".otf");
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate.string();
    std::string text = candidate.string();
    const std::size_t folder = text.find("/type1/");
    if (folder == std::string::npos) return {};
    text.replace(folder, 7, "/opentype/");
    return std::filesystem::is_regular_file(text, error) ? text : std::string();
}

}  // namespace

TInstalledFontData ReadSfntFontData(const std::string& path, int faceIndex) {
    std::string bytes;
    if (!FontDataReadFile(path, bytes)) return {};
    return SfntFaceData(std::move(bytes), faceIndex);
}

TInstalledFontData SfntFaceData(std::string bytes, int faceIndex) {
    TInstalledFontData result;
    const std::uint32_t version = FontDataU32(bytes, 0);
    if (version == 0x74746366 /* ttcf */) {
        const std::uint32_t faces = FontDataU32(bytes, 8);
        if (faceIndex < 0 || static_cast<std::uint32_t>(faceIndex) >= faces) return result;
        const std::uint32_t offset = FontDataU32(bytes, 12 + 4 * static_cast<std::size_t>(faceIndex));
        if (offset == 0 || offset >= bytes.size() || !FontDataIsSfntVersion(FontDataU32(bytes, offset)))
            return result;
        result.CollectionBase = offset;
        result.Data = bytes.substr(offset);
        return result;
    }
    if (FontDataIsSfntVersion(version)) result.Data = std::move(bytes);
    return result;
}

TInstalledFontData GetFontData(const std::string& family, bool bold, bool italic) {
    // One configuration per thread: loading fontconfig's costs more than reading a font file.
    thread_local FontMatcher matcher;
    const int weight = bold ? kFontDataBoldWeight : 0;
    FontFile file = matcher.Match(family, weight, italic);
    if (file.path.empty()) return {};
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file.path, error);
    if (!error && size >= static_cast<std::uintmax_t>(kInstalledFontDataLimit)) {
        file = matcher.Match("Arial", weight, italic);
        if (file.path.empty()) return {};
    }
    TInstalledFontData data = ReadSfntFontData(file.path, file.faceIndex);
    if (data.Data.empty()) {
        const std::string openType = FontDataOpenTypeSibling(file.path);
        if (!openType.empty()) data = ReadSfntFontData(openType, 0);
    }
    return data;
}

}  // namespace parch
