#pragma once
// The program bytes of an installed font: the sfnt file that fontconfig finds for a family,
// or, for a face inside a collection file, that face's data from its table directory on.

#include <cstdint>
#include <string>

namespace parch {

struct TInstalledFontData {
    std::string Data;              // empty when no sfnt font could be read
    std::int64_t CollectionBase = 0;  // where Data starts within its file
};

// Larger font files are not read; the default family stands in for them.
inline constexpr std::int64_t kInstalledFontDataLimit = 104857600;

// The face of the file: a collection file gives the data of face `faceIndex`, any other sfnt
// file its whole content; anything else gives empty data.
TInstalledFontData ReadSfntFontData(const std::string& path, int faceIndex);
// The same for the bytes of a font file.
TInstalledFontData SfntFaceData(std::string bytes, int faceIndex);

// The installed font that answers to the family and style (Windows family names included).
// A match that is no sfnt file (a Type 1 face) is replaced by the family's OpenType file.
TInstalledFontData GetFontData(const std::string& family, bool bold, bool italic);

}  // namespace parch
