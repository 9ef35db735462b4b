#include "platform/win/ShellFileInfo.h"

#include <sys/stat.h>

#include <cstring>
#include <memory>

#include "platform/gdi/Utf8Text.h"
#include "platform/os/FileTypes.h"
#include "platform/os/Files.h"
#include "platform/win/SystemImageLists.h"

namespace parch {

namespace shell_file_info {

// What SHGetFileInfo reports of one item.
struct ItemLook {
    std::string displayName;
    std::string typeName;
    SFGAOF attributes = 0;
    std::vector<std::string> iconNames;      // most specific first
    std::vector<std::string> openIconNames;  // the same for the open state
    win::GenericIcon generic = win::GenericIcon::Document;
};

constexpr const char* kFolderTypeName = "Folder";
constexpr DWORD kDirectoryAttribute = 0x10;  // FILE_ATTRIBUTE_DIRECTORY

struct IdList {
    LPITEMIDLIST p = nullptr;
    ~IdList() { ILFree(p); }
};

void DescribeFolderIcons(ItemLook& look, std::vector<std::string> names) {
    names.push_back("folder");
    look.iconNames = names;
    look.openIconNames = std::move(names);
    look.generic = win::GenericIcon::Folder;
    look.typeName = kFolderTypeName;
}

// Type name and icons of a file-system object of the given content type.
void DescribeContent(ItemLook& look, const std::string& contentType) {
    const FileTypes& types = FileTypes::System();
    FileTypeInfo info = types.Describe(contentType, false);
    if (info.contentType == "inode/directory") {
        DescribeFolderIcons(look, info.iconNames);
        look.openIconNames.insert(look.openIconNames.begin(), "folder-open");
        return;
    }
    look.typeName = info.typeName;
    look.iconNames = info.iconNames;
    look.openIconNames = std::move(info.iconNames);
}

// The icons of the desktop's own places, by the names the namespace gives them.
std::vector<std::string> PlaceIconNames(const std::string& name) {
    if (name == "Home") return {"user-home"};
    if (name == "Desktop") return {"user-desktop"};
    if (name == "Documents") return {"folder-documents"};
    if (name == "Computer") return {"computer"};
    return {};
}

bool IsUnderComputer(LPCITEMIDLIST item) {
    IdList computer, first;
    if (FAILED(SHGetSpecialFolderLocation(CSIDL_DRIVES, &computer.p))) return false;
    first.p = ILCloneFirst(item);
    return first.p && ILIsEqual(first.p, computer.p);
}

// An absolute item of the namespace; false when it names nothing.
bool DescribeItem(LPCITEMIDLIST item, SFGAOF asked, ItemLook& look) {
    std::shared_ptr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop)) || !item) return false;
    STRRET name;
    if (FAILED(desktop->GetDisplayNameOf(item, SHGDN_NORMAL, &name))) return false;
    look.displayName = StrRetToString(name, item);
    if (ILIsEmpty(item)) {
        look.attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSANCESTOR;
        DescribeFolderIcons(look, {"user-desktop"});
        return true;
    }
    look.attributes = asked;
    if (FAILED(desktop->GetAttributesOf(1, &item, &look.attributes))) return false;
    if (!(look.attributes & (SFGAO_FOLDER | SFGAO_FILESYSTEM))) return false;  // gone, or not ours

    const UINT depth = ILGetCount(item);
    if (depth == 1) {
        DescribeFolderIcons(look, PlaceIconNames(look.displayName));
    } else if (depth == 2 && IsUnderComputer(item)) {
        DescribeFolderIcons(look, {"drive-harddisk"});
    } else {
        std::string path;
        if (!SHGetPathFromIDList(item, path)) return false;
        DescribeContent(look, FileTypes::System().ContentTypeOf(path));
    }
    return true;
}

// The root form the desktop's callers use for the system lists stands for "/".
std::string PathOf(std::string_view given) {
    if (given == "C:\\" || given == "C:" || given == "C:/") return "/";
    return ExpandFileName(given);
}

bool DescribePath(const char* path, SFGAOF asked, ItemLook& look) {
    if (!*path) return false;
    std::shared_ptr<IShellFolder> desktop;
    IdList item;
    if (FAILED(SHGetDesktopFolder(desktop)) || FAILED(desktop->ParseDisplayName(PathOf(path), nullptr, &item.p, nullptr)))
        return false;
    return DescribeItem(item.p, asked, look);
}

// Only the name and the given attributes: nothing is read from the disk.
bool DescribeName(const char* path, DWORD fileAttributes, ItemLook& look) {
    std::string name = ExtractFileName(path);
    if (name.empty()) name = path;
    look.displayName = name;
    const bool folder = (fileAttributes & kDirectoryAttribute) != 0;
    DescribeContent(look, FileTypes::System().ContentTypeOfName(name, folder ? S_IFDIR : S_IFREG));
    return true;
}

void CopyCut(char* buffer, std::size_t size, std::string_view text) {
    std::string_view cut = CutAtCharacterBoundary(text, size - 1);
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = '\0';
}

}  // namespace shell_file_info

using namespace shell_file_info;

DWORD_PTR SHGetFileInfo(const char* path, DWORD fileAttributes, SHFILEINFO* info, UINT infoSize, UINT flags) {
    constexpr UINT kNeedsRecord = SHGFI_ICON | SHGFI_DISPLAYNAME | SHGFI_TYPENAME | SHGFI_ATTRIBUTES;
    if (!path) return 0;
    if (info ? infoSize < sizeof(SHFILEINFO) : (flags & kNeedsRecord) != 0) return 0;
    if ((flags & SHGFI_USEFILEATTRIBUTES) && (flags & (SHGFI_ATTRIBUTES | SHGFI_PIDL))) return 0;

    SFGAOF asked = (flags & SHGFI_ATTR_SPECIFIED) && info ? info->dwAttributes : ~SFGAOF{0};
    if (!(flags & SHGFI_ATTRIBUTES)) asked = 0;  // spares the look inside folders
    ItemLook look;
    const bool found = (flags & SHGFI_USEFILEATTRIBUTES) ? DescribeName(path, fileAttributes, look)
                       : (flags & SHGFI_PIDL) ? DescribeItem(reinterpret_cast<LPCITEMIDLIST>(path), asked, look)
                                              : DescribePath(path, asked, look);
    if (!found) return 0;

    if (flags & SHGFI_DISPLAYNAME) CopyCut(info->szDisplayName, sizeof info->szDisplayName, look.displayName);
    if (flags & SHGFI_TYPENAME) CopyCut(info->szTypeName, sizeof info->szTypeName, look.typeName);
    if (flags & SHGFI_ATTRIBUTES) info->dwAttributes = look.attributes & asked;

    DWORD_PTR result = 1;
    if (flags & (SHGFI_SYSICONINDEX | SHGFI_ICON)) {
        win::SystemImageLists& lists = win::SystemImageLists::Process();
        HIMAGELIST list = (flags & SHGFI_SMALLICON) ? lists.Small() : lists.Large();
        const int index = lists.IndexOf((flags & SHGFI_OPENICON) ? look.openIconNames : look.iconNames, look.generic);
        if (info) info->iIcon = index;
        if (flags & SHGFI_ICON) info->hIcon = ImageList_GetIcon(list, index, ILD_NORMAL);
        if (flags & SHGFI_SYSICONINDEX) result = reinterpret_cast<DWORD_PTR>(list);
    }
    return result;
}

}  // namespace parch
