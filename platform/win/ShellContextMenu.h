#pragma once
// The context menu of namespace items, as a folder hands it out for its items: "Open" (the
// desktop's opener), "Rename" (the folder's own renaming) and "Move to Trash" (the freedesktop
// trash of the user). Commands are reached by their offset from the first command number the
// menu was filled with, or by their verb: "open", "rename", "delete".

#include <memory>
#include <string>

#include "platform/os/ShellNamespace.h"
#include "platform/win/Menus.h"

namespace parch {

// QueryContextMenu flags.
constexpr UINT CMF_NORMAL = 0x0;
constexpr UINT CMF_DEFAULTONLY = 0x1;
constexpr UINT CMF_VERBSONLY = 0x2;
constexpr UINT CMF_EXPLORE = 0x4;
constexpr UINT CMF_NOVERBS = 0x8;
constexpr UINT CMF_CANRENAME = 0x10;

// GetCommandString kinds.
constexpr UINT GCS_VERBA = 0x0;
constexpr UINT GCS_VALIDATEA = 0x2;

constexpr DWORD CMIC_MASK_ASYNCOK = 0x00100000;

struct CMINVOKECOMMANDINFO {
    DWORD cbSize = sizeof(CMINVOKECOMMANDINFO);
    DWORD fMask = 0;
    HWND hwnd = nullptr;
    // A verb, or a command offset given as a number below 0x10000 (MAKEINTRESOURCE; null is
    // offset 0).
    const char* lpVerb = nullptr;
    const char* lpParameters = nullptr;  // "rename": the new name
    const char* lpDirectory = nullptr;
    int nShow = 0;
    DWORD dwHotKey = 0;
    HANDLE hIcon = nullptr;
};

class IContextMenu {
public:
    virtual ~IContextMenu() = default;
    // Inserts the items at position `index`, numbered from `firstCommand` (none above
    // `lastCommand`); answers a success code whose low word is the largest offset used + 1.
    virtual HRESULT QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT lastCommand, UINT flags) = 0;
    virtual HRESULT InvokeCommand(const CMINVOKECOMMANDINFO* info) = 0;
    // The verb of a command offset, NUL-terminated in at most `size` bytes.
    virtual HRESULT GetCommandString(UINT_PTR offset, UINT kind, UINT* reserved, char* buffer, UINT size) = 0;
};

class IContextMenu2 : public IContextMenu {
public:
    // Messages of owner-drawn items and submenus that the menu's owner forwards.
    virtual HRESULT HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The menu for `count` items of `folder` (relative item-ID lists, copied), as the folder's
// GetUIObjectOf with IID_IContextMenu answers it; the menu also is an IContextMenu2.
HRESULT CreateShellContextMenu(const std::shared_ptr<IShellFolder>& folder, UINT count, const LPCITEMIDLIST* items,
                               std::shared_ptr<IContextMenu>& menu);

// Moves a file or folder into the user's trash ($XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash): the item under a name not yet used in files/, with its
// info/<name>.trashinfo holding the original Path and the DeletionDate. Only within one file
// system: an item on another one than the trash is refused with an error text, and nothing
// is moved.
bool MoveToTrash(const std::string& absolutePath, std::string& error);

}  // namespace parch
