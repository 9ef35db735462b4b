#pragma once
// Folder reading in the manner of FindFirstFile/FindNextFile: names are UTF-8, and the pattern
// applies to the last path component only. The folder part is used exactly as given (names are
// case-sensitive here); "*" and "?" in the name part match ignoring ASCII case, so "*.pdf"
// finds "A.PDF". Reading the details of one known item goes through ReadFindData, which never
// treats "*" or "?" (legal in Linux names) as wildcards.

#include <string>
#include <string_view>

#include <sys/stat.h>

#include "platform/os/OsTypes.h"

namespace parch {

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NO_MORE_FILES = 18;

struct WIN32_FIND_DATA {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    std::string cFileName;
};


// Failures give their ERROR_* number through the optional error argument (the window
// system's last error lives in a layer above, so it is not set here).
//
// Opens a search; INVALID_HANDLE_VALUE when nothing matches or the folder cannot be read. "." and ".." are never reported. A name part without "*" or "?"
// finds exactly that item.
HANDLE FindFirstFile(std::string_view pattern, WIN32_FIND_DATA& data, DWORD* error = nullptr);
bool FindNextFile(HANDLE search, WIN32_FIND_DATA& data, DWORD* error = nullptr);
bool FindClose(HANDLE search);

// The details of exactly this path (a symbolic link is followed; a dangling one describes the
// link itself). False when there is nothing at the path.
bool ReadFindData(const std::string& path, WIN32_FIND_DATA& data, DWORD* error = nullptr);

// A file's details from its status: attributes (a name starting with "." is hidden, no write
// permission is read-only, FIFOs, sockets and devices are "system" files), size and times.
WIN32_FIND_DATA FindDataFromStatus(std::string_view name, const struct stat& status, bool isLink);

// The "*"/"?" match of one name, ignoring ASCII case.
bool MatchesFindPattern(std::string_view name, std::string_view pattern);

// True for the files a folder walker takes: neither a folder, hidden nor "system".
bool IsPlainFile(const WIN32_FIND_DATA& data);

FILETIME FileTimeFromUnix(std::int64_t seconds, long nanoseconds);

}  // namespace parch
