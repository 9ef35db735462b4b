#include "platform/os/FindFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace parch {

namespace findfiles {

void Report(DWORD* error, DWORD value) {
    if (error) *error = value;
}

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    default: return ERROR_FILE_NOT_FOUND;
    }
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct Search {
    DIR* folder = nullptr;
    std::string folderPath;  // with a trailing "/" unless empty
    std::string pattern;
    bool exhausted = false;  // a search for one exact item has given it
    ~Search() {
        if (folder) closedir(folder);
    }
};

bool FillFromEntry(Search& search, const char* name, WIN32_FIND_DATA& data) {
    struct stat status{};
    // The entry is examined relative to the open folder, so names with any bytes work.
    if (fstatat(dirfd(search.folder), name, &status, AT_SYMLINK_NOFOLLOW) != 0) return false;
    bool isLink = S_ISLNK(status.st_mode);
    if (isLink) {
        struct stat target{};
        if (fstatat(dirfd(search.folder), name, &target, 0) == 0) status = target;
    }
    data = FindDataFromStatus(name, status, isLink);
    return true;
}

bool NextMatch(Search& search, WIN32_FIND_DATA& data, DWORD* error) {
    while (!search.exhausted && search.folder) {
        dirent* entry = readdir(search.folder);
        if (!entry) break;
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (!MatchesFindPattern(name, search.pattern)) continue;
        if (FillFromEntry(search, entry->d_name, data)) return true;
    }
    Report(error, ERROR_NO_MORE_FILES);
    return false;
}

}  // namespace findfiles

FILETIME FileTimeFromUnix(std::int64_t seconds, long nanoseconds) {
    constexpr std::int64_t kEpochDifference = 11644473600LL;  // 1601 to 1970, in seconds
    std::int64_t ticks = (seconds + kEpochDifference) * 10000000LL + nanoseconds / 100;
    if (ticks < 0) ticks = 0;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    return time;
}

WIN32_FIND_DATA FindDataFromStatus(std::string_view name, const struct stat& status, bool isLink) {
    WIN32_FIND_DATA data;
    data.cFileName = std::string(name);
    DWORD attributes = 0;
    if (S_ISDIR(status.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!S_ISREG(status.st_mode)) attributes |= FILE_ATTRIBUTE_SYSTEM;
    if (!name.empty() && name[0] == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    if (isLink) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    data.dwFileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (S_ISREG(status.st_mode)) {
        auto size = static_cast<std::uint64_t>(status.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    data.ftLastWriteTime = FileTimeFromUnix(status.st_mtim.tv_sec, status.st_mtim.tv_nsec);
    data.ftLastAccessTime = FileTimeFromUnix(status.st_atim.tv_sec, status.st_atim.tv_nsec);
    // Linux keeps no creation time in stat; the status-change time is the nearest.
    data.ftCreationTime = FileTimeFromUnix(status.st_ctim.tv_sec, status.st_ctim.tv_nsec);
    return data;
}

bool MatchesFindPattern(std::string_view name, std::string_view pattern) {
    // Iterative glob with one back-track point: linear in practice, no recursion.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || findfiles::AsciiLower(pattern[p]) == findfiles::AsciiLower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool IsPlainFile(const WIN32_FIND_DATA& data) {
    return (data.dwFileAttributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

HANDLE FindFirstFile(std::string_view pattern, WIN32_FIND_DATA& data, DWORD* error) {
    auto search = std::make_unique<findfiles::Search>();
    std::size_t slash = pattern.rfind('/');
    if (slash == std::string_view::npos) {
        search->folderPath = "";
        search->pattern = std::string(pattern);
    } else {
        search->folderPath = std::string(pattern.substr(0, slash + 1));
        search->pattern = std::string(pattern.substr(slash + 1));
    }
    if (search->pattern.empty()) {
        findfiles::Report(error, ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // Without wildcards the search names one item: that exact path, case and all.
    if (search->pattern.find_first_of("*?") == std::string::npos) {
        if (!ReadFindData(std::string(pattern), data, error)) return INVALID_HANDLE_VALUE;
        search->exhausted = true;
        return search.release();
    }
    search->folder = opendir(search->folderPath.empty() ? "." : search->folderPath.c_str());
    if (!search->folder) {
        DWORD code = findfiles::ErrorFromErrno(errno);
        findfiles::Report(error, code == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : code);
        return INVALID_HANDLE_VALUE;
    }
    if (!findfiles::NextMatch(*search, data, nullptr)) {
        findfiles::Report(error, ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return search.release();
}

bool FindNextFile(HANDLE search, WIN32_FIND_DATA& data, DWORD* error) {
    if (!search || search == INVALID_HANDLE_VALUE) {
        findfiles::Report(error, ERROR_INVALID_HANDLE);
        return false;
    }
    return findfiles::NextMatch(*static_cast<findfiles::Search*>(search), data, error);
}

bool FindClose(HANDLE search) {
    if (!search || search == INVALID_HANDLE_VALUE) return false;
    delete static_cast<findfiles::Search*>(search);
    return true;
}

bool ReadFindData(const std::string& path, WIN32_FIND_DATA& data, DWORD* error) {
    struct stat status{};
    if (lstat(path.c_str(), &status) != 0) {
        findfiles::Report(error, findfiles::ErrorFromErrno(errno));
        return false;
    }
    bool isLink = S_ISLNK(status.st_mode);
    if (isLink) {
        struct stat target{};
        if (stat(path.c_str(), &target) == 0) status = target;
    }
    std::string_view name = path;
    while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
    std::size_t slash = name.rfind('/');
    if (slash != std::string_view::npos && name.size() > 1) name = name.substr(slash + 1);
    data = FindDataFromStatus(name, status, isLink);
    return true;
}

}  // namespace parch
