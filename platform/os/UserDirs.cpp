#include "platform/os/UserDirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/os/Files.h"

namespace parch {

namespace userdirs {

constexpr std::size_t kMaxUserDirsFile = 1u << 20;

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace userdirs

std::map<std::string, std::string> ParseUserDirs(std::string_view text, std::string_view home) {
    std::map<std::string, std::string> dirs;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = userdirs::SkipBlanks(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.substr(0, 4) != "XDG_") continue;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        std::string_view key = line.substr(4, equals - 4);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
        if (key.size() <= 4 || key.substr(key.size() - 4) != "_DIR") continue;
        std::string_view value = userdirs::SkipBlanks(line.substr(equals + 1));
        if (value.empty() || value.front() != '"') continue;
        value.remove_prefix(1);
        std::string path;
        if (value.substr(0, 5) == "$HOME") {
            value.remove_prefix(5);
            if (!value.empty() && value.front() != '/' && value.front() != '"') continue;
            path = std::string(home);
        } else if (value.empty() || value.front() != '/') {
            continue;
        }
        bool closed = false;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                path += value[++i];
            } else if (value[i] == '"') {
                closed = true;
                break;
            } else {
                path += value[i];
            }
        }
        if (!closed) continue;
        dirs[std::string(key.substr(0, key.size() - 4))] = userdirs::WithoutTrailingSlashes(std::move(path));
    }
    return dirs;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return userdirs::WithoutTrailingSlashes(home);
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return userdirs::WithoutTrailingSlashes(entry->pw_dir);
    return "/";
}

std::string UserDirPath(std::string_view name) {
    std::string home = HomeFolder();
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string config = (configHome && *configHome) ? std::string(configHome) : home + "/.config";
    auto text = ReadFileBytes(IncludeTrailingSlash(config) + "user-dirs.dirs", userdirs::kMaxUserDirsFile);
    if (text) {
        auto dirs = ParseUserDirs(*text, home);
        if (auto it = dirs.find(std::string(name)); it != dirs.end()) return it->second;
    }
    return name == "DESKTOP" ? home + "/Desktop" : home;
}

}  // namespace parch
