#include "platform/os/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>

namespace parch {

namespace {

bool StatPath(const std::string& path, struct stat& info) {
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ProgramFolder() {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return "./";
    buffer.resize(static_cast<std::size_t>(length));
    return ExtractFilePath(buffer);
}

std::string CurrentFolder() {
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return "./";
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return IncludeTrailingSlash(buffer);
}

std::string ExpandFileName(std::string_view path, std::string_view base) {
    if (!path.empty() && path.front() == '/') return std::string(path);
    const std::string folder = base.empty() ? CurrentFolder() : IncludeTrailingSlash(base);
    return folder + std::string(path);
}

std::string ExtractFileName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string IncludeTrailingSlash(std::string_view folder) {
    std::string result(folder);
    if (!result.empty() && result.back() != '/') result += '/';
    return result;
}

bool FileExists(const std::string& path) {
    struct stat info;
    return StatPath(path, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info;
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool PathExists(const std::string& path) {
    struct stat info;
    return StatPath(path, info);
}

bool CreateDir(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }
bool EnsureDir(const std::string& path) {
    if (CreateDir(path)) return true;
    // Whoever made it, a folder is what was asked for; a file of that name is not.
    return errno == EEXIST && DirectoryExists(path);
}

bool RemoveDir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }
bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool RenameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t maxSize) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string data;
    char chunk[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) break;
        if (n < 0 || data.size() + static_cast<std::size_t>(n) > maxSize) {
            ok = false;
            break;
        }
        data.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return data;
}

std::optional<std::string> CreateUniqueFolder(std::string_view parent, std::string_view prefix) {
    std::string pattern = IncludeTrailingSlash(parent) + std::string(prefix) + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    return pattern + "/";
}

bool MatchesMask(std::string_view name, std::string_view mask, MaskCase maskCase) {
    const auto same = [maskCase](char a, char b) {
        if (maskCase == MaskCase::Exact) return a == b;
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    };
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        mask.remove_suffix(2);
    // Iterative wildcard match with backtracking to the last "*".
    std::size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || same(mask[m], name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

int NaturalCompare(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t iEnd = i, jEnd = j;
            while (iEnd < a.size() && IsDigit(a[iEnd])) ++iEnd;
            while (jEnd < b.size() && IsDigit(b[jEnd])) ++jEnd;
            std::string_view x = a.substr(i, iEnd - i), y = b.substr(j, jEnd - j);
            while (x.size() > 1 && x.front() == '0') x.remove_prefix(1);
            while (y.size() > 1 && y.front() == '0') y.remove_prefix(1);
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0) return c < 0 ? -1 : 1;
            i = iEnd;
            j = jEnd;
        } else {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
            ++i;
            ++j;
        }
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

namespace {

std::vector<std::string> ListEntries(const std::string& folder, std::string_view mask, bool folders, MaskCase maskCase,
                                     ListedLinks links) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return names;
    const std::string prefix = IncludeTrailingSlash(folder);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.empty() || name.front() == '.' || !MatchesMask(name, mask, maskCase)) continue;
        struct stat info;
        const std::string path = prefix + name;
        if ((links == ListedLinks::Followed ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0) continue;
        if (folders ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NaturalCompare(a, b) < 0; });
    return names;
}

}  // namespace

std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask, MaskCase maskCase,
                                   ListedLinks links) {
    return ListEntries(folder, mask, false, maskCase, links);
}

std::vector<std::string> ListFolders(const std::string& folder, std::string_view mask) {
    return ListEntries(folder, mask, true, MaskCase::Exact, ListedLinks::Skipped);
}

}  // namespace parch
