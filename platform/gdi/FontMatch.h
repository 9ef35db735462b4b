#pragma once
// Finds the font file for a logical font: the Windows family names the programs ask for are
// mapped to metric-compatible families, which fontconfig then resolves to an installed face.

#include <memory>
#include <string>
#include <string_view>

namespace parch {

// The family to ask fontconfig for in place of a Windows family name; names without a known
// replacement are returned unchanged. An empty name is the default GUI family.
std::string MetricCompatibleFamily(std::string_view windowsFamily);

struct FontFile {
    std::string path;
    int faceIndex = 0;
    std::string family;           // the family of the face found
    bool synthesizeBold = false;  // asked bold, found only a lighter face
    bool synthesizeItalic = false;
};

// Resolves families through the process's fontconfig configuration, loaded on its first use in
// the process (so FONTCONFIG_FILE set before that use decides which fonts are seen).
class FontMatcher {
public:
    FontMatcher();
    ~FontMatcher();
    FontMatcher(const FontMatcher&) = delete;
    FontMatcher& operator=(const FontMatcher&) = delete;

    // weight: LOGFONT weight (0 = normal). Returns an empty path when no font is installed.
    FontFile Match(std::string_view windowsFamily, int weight, bool italic);

private:
    struct Config;
    std::unique_ptr<Config> config_;
    // named: the face found carries the family name asked for.
    FontFile MatchFamily(const std::string& family, int weight, bool italic, bool& named);
};

}  // namespace parch
