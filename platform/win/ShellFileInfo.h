#pragma once
// SHGetFileInfo: what the shell shows of a file or a namespace item: its display name, type
// name, attributes and icon (an index into the system image lists, or an icon of its own).

#include <cstddef>

#include "platform/os/ShellNamespace.h"
#include "platform/win/ImageLists.h"

namespace parch {

constexpr UINT SHGFI_LARGEICON = 0x0;
constexpr UINT SHGFI_SMALLICON = 0x1;
constexpr UINT SHGFI_OPENICON = 0x2;
constexpr UINT SHGFI_SHELLICONSIZE = 0x4;
constexpr UINT SHGFI_PIDL = 0x8;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x10;
constexpr UINT SHGFI_ICON = 0x100;
constexpr UINT SHGFI_DISPLAYNAME = 0x200;
constexpr UINT SHGFI_TYPENAME = 0x400;
constexpr UINT SHGFI_ATTRIBUTES = 0x800;
constexpr UINT SHGFI_SYSICONINDEX = 0x4000;
constexpr UINT SHGFI_ATTR_SPECIFIED = 0x20000;

constexpr std::size_t MAX_PATH = 260;

struct SHFILEINFO {
    HICON hIcon = nullptr;  // SHGFI_ICON: a new icon, destroyed by the caller
    int iIcon = 0;          // index in the system image list
    DWORD dwAttributes = 0;  // SFGAO_ flags; with SHGFI_ATTR_SPECIFIED also what is asked
    char szDisplayName[MAX_PATH] = {};  // UTF-8, cut at a character boundary
    char szTypeName[80] = {};
};

// path: a UTF-8 path, relative ones to the current folder ("C:\" names the root "/"); with
// SHGFI_PIDL an absolute item-ID list passed as the pointer. With SHGFI_USEFILEATTRIBUTES the
// item is not looked up: its type comes from the name and fileAttributes
// (FILE_ATTRIBUTE_DIRECTORY); that flag cannot go with SHGFI_ATTRIBUTES or SHGFI_PIDL.
// Folders are typed "Folder". Answers the image list (small with SHGFI_SMALLICON) with
// SHGFI_SYSICONINDEX, otherwise nonzero on success; 0 when the item does not exist or the
// arguments are unusable.
DWORD_PTR SHGetFileInfo(const char* path, DWORD fileAttributes, SHFILEINFO* info, UINT infoSize, UINT flags);

}  // namespace parch
