#include "platform/os/IconTheme.h"

#include <cstdlib>
#include <climits>

#include "platform/os/Files.h"

namespace parch {

namespace icontheme {

constexpr std::size_t kMaxIndexFile = 4u << 20;
constexpr int kMaxInheritDepth = 16;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> items;
    while (!text.empty()) {
        std::size_t comma = text.find(',');
        std::string_view item = Trim(text.substr(0, comma));
        if (!item.empty()) items.emplace_back(item);
        if (comma == std::string_view::npos) break;
        text = text.substr(comma + 1);
    }
    return items;
}

std::optional<int> ParseSize(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.size() > 6) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

using Sections = std::map<std::string, std::map<std::string, std::string>, std::less<>>;

Sections ParseKeyFile(std::string_view text) {
    Sections sections;
    std::map<std::string, std::string>* current = nullptr;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[') {
            current = line.back() == ']' ? &sections[std::string(line.substr(1, line.size() - 2))] : nullptr;
            continue;
        }
        std::size_t equals = line.find('=');
        if (!current || equals == std::string_view::npos) continue;
        // The first value of a key stands, as in the desktop's key files.
        current->emplace(std::string(Trim(line.substr(0, equals))), std::string(Trim(line.substr(equals + 1))));
    }
    return sections;
}

}  // namespace icontheme

bool IconThemeDirectory::MatchesSize(int iconSize) const {
    switch (kind) {
    case Kind::Fixed: return size == iconSize;
    case Kind::Scalable: return minSize <= iconSize && iconSize <= maxSize;
    case Kind::Threshold: return size - threshold <= iconSize && iconSize <= size + threshold;
    }
    return false;
}

int IconThemeDirectory::SizeDistance(int iconSize) const {
    switch (kind) {
    case Kind::Fixed: return std::abs(size - iconSize);
    case Kind::Scalable:
        if (iconSize < minSize) return minSize - iconSize;
        if (iconSize > maxSize) return iconSize - maxSize;
        return 0;
    case Kind::Threshold:
        if (iconSize < size - threshold) return minSize - iconSize;
        if (iconSize > size + threshold) return iconSize - maxSize;
        return 0;
    }
    return INT_MAX;
}

IconThemeIndex ParseIconThemeIndex(std::string_view text) {
    auto sections = icontheme::ParseKeyFile(text);
    IconThemeIndex index;
    auto head = sections.find("Icon Theme");
    if (head == sections.end()) return index;
    auto value = [](const std::map<std::string, std::string>& keys, const char* key) -> std::string {
        auto it = keys.find(key);
        return it == keys.end() ? std::string{} : it->second;
    };
    index.inherits = icontheme::SplitList(value(head->second, "Inherits"));
    for (const auto& path : icontheme::SplitList(value(head->second, "Directories"))) {
        auto section = sections.find(path);
        if (section == sections.end()) continue;
        const auto& keys = section->second;
        auto size = icontheme::ParseSize(value(keys, "Size"));
        if (!size || *size == 0) continue;
        IconThemeDirectory dir;
        dir.path = path;
        dir.size = *size;
        dir.scale = icontheme::ParseSize(value(keys, "Scale")).value_or(1);
        dir.minSize = icontheme::ParseSize(value(keys, "MinSize")).value_or(dir.size);
        dir.maxSize = icontheme::ParseSize(value(keys, "MaxSize")).value_or(dir.size);
        dir.threshold = icontheme::ParseSize(value(keys, "Threshold")).value_or(2);
        std::string kind = value(keys, "Type");
        dir.kind = kind == "Fixed"      ? IconThemeDirectory::Kind::Fixed
                   : kind == "Scalable" ? IconThemeDirectory::Kind::Scalable
                                        : IconThemeDirectory::Kind::Threshold;
        index.directories.push_back(std::move(dir));
    }
    return index;
}

IconThemes::IconThemes(std::vector<std::string> baseFolders, std::string themeName)
    : baseFolders_(std::move(baseFolders)), themeName_(std::move(themeName)) {}

std::vector<std::string> IconThemes::DefaultBaseFolders() {
    std::vector<std::string> folders;
    const char* home = std::getenv("HOME");
    if (home && *home) folders.push_back(std::string(home) + "/.icons");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome) folders.push_back(std::string(dataHome) + "/icons");
    else if (home && *home) folders.push_back(std::string(home) + "/.local/share/icons");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string_view dirs = (dataDirs && *dataDirs) ? dataDirs : "/usr/local/share:/usr/share";
    while (!dirs.empty()) {
        std::size_t colon = dirs.find(':');
        std::string_view dir = dirs.substr(0, colon);
        if (!dir.empty()) folders.push_back(std::string(dir) + "/icons");
        if (colon == std::string_view::npos) break;
        dirs = dirs.substr(colon + 1);
    }
    folders.push_back("/usr/share/pixmaps");
    return folders;
}

const IconThemes::Theme* IconThemes::LoadTheme(const std::string& name) const {
    auto [it, added] = themes_.try_emplace(name);
    if (added && name.find('/') == std::string::npos && name != ".." && name != ".") {
        Theme theme;
        theme.name = name;
        bool indexed = false;
        for (const auto& base : baseFolders_) {
            std::string folder = IncludeTrailingSlash(base) + name + "/";
            if (!DirectoryExists(folder)) continue;
            theme.folders.push_back(folder);
            if (!indexed) {
                if (auto text = ReadFileBytes(folder + "index.theme", icontheme::kMaxIndexFile)) {
                    theme.index = ParseIconThemeIndex(*text);
                    indexed = true;
                }
            }
        }
        if (indexed) it->second = std::move(theme);
    }
    return it->second ? &*it->second : nullptr;
}

std::vector<const IconThemes::Theme*> IconThemes::ThemeChain() const {
    std::vector<const Theme*> chain;
    std::vector<std::string> pending{themeName_};
    // Breadth of inheritance as the lookup walks it: the theme, then its parents in order.
    for (std::size_t i = 0; i < pending.size() && i < static_cast<std::size_t>(icontheme::kMaxInheritDepth); ++i) {
        const Theme* theme = LoadTheme(pending[i]);
        if (!theme) continue;
        bool seen = false;
        for (const Theme* t : chain) seen = seen || t == theme;
        if (seen) continue;
        chain.push_back(theme);
        for (const auto& parent : theme->index.inherits) pending.push_back(parent);
    }
    bool hasHicolor = false;
    for (const Theme* t : chain) hasHicolor = hasHicolor || t->name == "hicolor";
    if (!hasHicolor)
        if (const Theme* hicolor = LoadTheme("hicolor")) chain.push_back(hicolor);
    return chain;
}

std::optional<std::string> IconThemes::LookupInTheme(const Theme& theme, const std::string& name, int size) const {
    std::string file = name + ".png";
    for (const auto& dir : theme.index.directories) {
        if (dir.scale != 1 || !dir.MatchesSize(size)) continue;
        for (const auto& folder : theme.folders) {
            std::string path = folder + dir.path + "/" + file;
            if (FileExists(path)) return path;
        }
    }
    std::optional<std::string> closest;
    int best = INT_MAX;
    for (const auto& dir : theme.index.directories) {
        if (dir.scale != 1) continue;
        int distance = dir.SizeDistance(size);
        if (distance >= best) continue;
        for (const auto& folder : theme.folders) {
            std::string path = folder + dir.path + "/" + file;
            if (FileExists(path)) {
                closest = path;
                best = distance;
                break;
            }
        }
    }
    return closest;
}

std::optional<std::string> IconThemes::LookupUnthemed(const std::string& name) const {
    for (const auto& base : baseFolders_) {
        std::string path = IncludeTrailingSlash(base) + name + ".png";
        if (FileExists(path)) return path;
    }
    return std::nullopt;
}

std::optional<std::string> IconThemes::FindIcon(const std::vector<std::string>& names, int size) const {
    std::string key = std::to_string(size);
    for (const auto& name : names) key += "\n" + name;
    std::lock_guard guard(mutex_);
    if (auto it = found_.find(key); it != found_.end()) return it->second;
    std::optional<std::string> result;
    auto valid = [](const std::string& name) {
        return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
    };
    for (const Theme* theme : ThemeChain()) {
        for (const auto& name : names)
            if (valid(name) && (result = LookupInTheme(*theme, name, size))) break;
        if (result) break;
    }
    if (!result)
        for (const auto& name : names)
            if (valid(name) && (result = LookupUnthemed(name))) break;
    found_.emplace(key, result);
    return result;
}

}  // namespace parch
