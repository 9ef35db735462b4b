#pragma once
// The shell namespace over Linux folders: the desktop as a virtual root holding Home, Desktop,
// Documents and Computer; Computer holding "/" and the mounted file systems; below them the
// folders and files themselves. Folders answer through the shell folder interfaces (item
// enumeration, binding, attributes, display names, parsing, comparison, details columns Name,
// Size, Type and Modified). Counted references are shared pointers; a caller asks for the
// richer interfaces with std::dynamic_pointer_cast, as it would query them. Texts are UTF-8.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/OsTypes.h"
#include "platform/os/ItemIdList.h"

namespace parch {

using SFGAOF = ULONG;
using SHCONTF = DWORD;
using SHGDNF = DWORD;
using SHCOLSTATEF = DWORD;

constexpr SFGAOF SFGAO_CANCOPY = 0x1;
constexpr SFGAOF SFGAO_CANMOVE = 0x2;
constexpr SFGAOF SFGAO_CANLINK = 0x4;
constexpr SFGAOF SFGAO_STORAGE = 0x8;
constexpr SFGAOF SFGAO_CANRENAME = 0x10;
constexpr SFGAOF SFGAO_CANDELETE = 0x20;
constexpr SFGAOF SFGAO_HASPROPSHEET = 0x40;
constexpr SFGAOF SFGAO_DROPTARGET = 0x100;
constexpr SFGAOF SFGAO_LINK = 0x10000;
constexpr SFGAOF SFGAO_SHARE = 0x20000;
constexpr SFGAOF SFGAO_READONLY = 0x40000;
constexpr SFGAOF SFGAO_HIDDEN = 0x80000;
constexpr SFGAOF SFGAO_STREAM = 0x400000;
constexpr SFGAOF SFGAO_STORAGEANCESTOR = 0x800000;
constexpr SFGAOF SFGAO_VALIDATE = 0x1000000;
constexpr SFGAOF SFGAO_REMOVABLE = 0x2000000;
constexpr SFGAOF SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr SFGAOF SFGAO_FOLDER = 0x20000000;
constexpr SFGAOF SFGAO_FILESYSTEM = 0x40000000;
constexpr SFGAOF SFGAO_HASSUBFOLDER = 0x80000000;

constexpr SHCONTF SHCONTF_FOLDERS = 0x20;
constexpr SHCONTF SHCONTF_NONFOLDERS = 0x40;
constexpr SHCONTF SHCONTF_INCLUDEHIDDEN = 0x80;

constexpr SHGDNF SHGDN_NORMAL = 0x0;
constexpr SHGDNF SHGDN_INFOLDER = 0x1;
constexpr SHGDNF SHGDN_FOREDITING = 0x1000;
constexpr SHGDNF SHGDN_FORADDRESSBAR = 0x4000;
constexpr SHGDNF SHGDN_FORPARSING = 0x8000;

constexpr SHCOLSTATEF SHCOLSTATE_TYPE_STR = 0x1;
constexpr SHCOLSTATEF SHCOLSTATE_TYPE_INT = 0x2;
constexpr SHCOLSTATEF SHCOLSTATE_TYPE_DATE = 0x3;
constexpr SHCOLSTATEF SHCOLSTATE_ONBYDEFAULT = 0x10;
constexpr SHCOLSTATEF SHCOLSTATE_SECONDARYUI = 0x40;

constexpr HRESULT HRESULT_FILE_NOT_FOUND = static_cast<HRESULT>(0x80070002);
constexpr HRESULT HRESULT_ALREADY_EXISTS = static_cast<HRESULT>(0x800700B7);

// Special folders.
constexpr int CSIDL_DESKTOP = 0x00;
constexpr int CSIDL_PERSONAL = 0x05;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
constexpr int CSIDL_DRIVES = 0x11;
constexpr int CSIDL_TEMPLATES = 0x15;

constexpr UINT STRRET_WSTR = 0;
constexpr UINT STRRET_OFFSET = 1;
constexpr UINT STRRET_CSTR = 2;

// A returned name. Here the text is always handed over whole in pOleStr (UTF-8, owned by the
// record); the other kinds are kept for readers written against them.
struct STRRET {
    UINT uType = STRRET_WSTR;
    std::string pOleStr;
    UINT uOffset = 0;
    std::string cStr;
};

// The text of a STRRET, whatever its kind; item is the list an offset refers to.
std::string StrRetToString(const STRRET& name, LPCITEMIDLIST item);

struct SHELLDETAILS {
    int fmt = LVCFMT_LEFT;
    int cxChar = 0;
    STRRET str;
};

class IEnumIDList {
public:
    virtual ~IEnumIDList() = default;
    // Up to count new one-item lists (freed by the caller with ILFree); S_FALSE when fewer.
    virtual HRESULT Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

class IShellFolder {
public:
    virtual ~IShellFolder() = default;
    virtual HRESULT ParseDisplayName(std::string_view name, ULONG* eaten, LPITEMIDLIST* item,
                                     ULONG* attributes) = 0;
    virtual HRESULT EnumObjects(SHCONTF flags, std::shared_ptr<IEnumIDList>& items) = 0;
    virtual HRESULT BindToObject(LPCITEMIDLIST item, std::shared_ptr<IShellFolder>& folder) = 0;
    // Success code whose low 16 bits, as a signed number, order the two items.
    virtual HRESULT CompareIDs(std::intptr_t column, LPCITEMIDLIST a, LPCITEMIDLIST b) = 0;
    // inOut: the attributes asked for; answered with what holds for all the items (and what
    // the folder reports without being asked).
    virtual HRESULT GetAttributesOf(UINT count, const LPCITEMIDLIST* items, SFGAOF* inOut) = 0;
    virtual HRESULT GetDisplayNameOf(LPCITEMIDLIST item, SHGDNF flags, STRRET* name) = 0;
    virtual HRESULT SetNameOf(LPCITEMIDLIST item, std::string_view newName, SHGDNF flags,
                              LPITEMIDLIST* newItem) = 0;
};

class IShellFolder2 : public IShellFolder {
public:
    // item nullptr: the column's heading. E_FAIL past the last column.
    virtual HRESULT GetDetailsOf(LPCITEMIDLIST item, UINT column, SHELLDETAILS* details) = 0;
    virtual HRESULT GetDefaultColumnState(UINT column, SHCOLSTATEF* state) = 0;
};

class IShellDetails {
public:
    virtual ~IShellDetails() = default;
    virtual HRESULT GetDetailsOf(LPCITEMIDLIST item, UINT column, SHELLDETAILS* details) = 0;
    virtual HRESULT ColumnClick(UINT column) = 0;
};

HRESULT SHGetDesktopFolder(std::shared_ptr<IShellFolder>& folder);
// DESKTOP, DRIVES, PERSONAL, DESKTOPDIRECTORY and TEMPLATES; E_INVALIDARG for the rest, E_FAIL
// when the folder does not exist.
HRESULT SHGetSpecialFolderLocation(int csidl, LPITEMIDLIST* item);
HRESULT SHGetFolderPath(int csidl, std::string& path);
// False for items that are no file-system object (Computer).
bool SHGetPathFromIDList(LPCITEMIDLIST item, std::string& path);

// The mounted file systems that Computer shows besides "/": block devices and network file
// systems, from a mountinfo text (Computer reads /proc/self/mountinfo, or the file that the
// environment variable PARCH_MOUNTINFO names); pseudo file systems are left out. Mount points unescaped.
std::vector<std::string> RealMountPoints(std::string_view mountinfo);

}  // namespace parch
