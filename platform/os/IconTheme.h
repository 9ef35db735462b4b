#pragma once
// freedesktop icon themes: the index.theme reader and the lookup of an icon name at a pixel
// size to a PNG file, through the theme's inherited themes and hicolor, as desktops do.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parch {

struct IconThemeDirectory {
    enum class Kind { Fixed, Scalable, Threshold };
    std::string path;  // relative to the theme's folder, e.g. "16x16/mimetypes"
    Kind kind = Kind::Threshold;
    int size = 0;
    int scale = 1;
    int minSize = 0;
    int maxSize = 0;
    int threshold = 2;

    bool MatchesSize(int iconSize) const;
    int SizeDistance(int iconSize) const;
};

struct IconThemeIndex {
    std::vector<std::string> inherits;
    std::vector<IconThemeDirectory> directories;  // those listed in Directories, in order
};

// Reads an index.theme text; sections of directories that are not listed, and directories
// without a valid Size, are left out.
IconThemeIndex ParseIconThemeIndex(std::string_view text);

class IconThemes {
public:
    // baseFolders: where themes live, most important first ($HOME/.icons, <data dir>/icons...).
    IconThemes(std::vector<std::string> baseFolders, std::string themeName);
    static std::vector<std::string> DefaultBaseFolders();

    // The PNG file of the first of the names that the theme, its parents or hicolor have,
    // closest to the size; nothing when none of the names has a PNG anywhere.
    std::optional<std::string> FindIcon(const std::vector<std::string>& names, int size) const;

private:
    struct Theme {
        std::string name;
        std::vector<std::string> folders;  // each base folder that holds the theme
        IconThemeIndex index;
    };

    const Theme* LoadTheme(const std::string& name) const;  // under mutex_
    std::vector<const Theme*> ThemeChain() const;           // under mutex_
    std::optional<std::string> LookupInTheme(const Theme& theme, const std::string& name, int size) const;
    std::optional<std::string> LookupUnthemed(const std::string& name) const;

    std::vector<std::string> baseFolders_;
    std::string themeName_;
    mutable std::mutex mutex_;
    mutable std::map<std::string, std::optional<Theme>> themes_;
    mutable std::map<std::string, std::optional<std::string>> found_;
};

}  // namespace parch
