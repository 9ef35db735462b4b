#include "platform/win/ShellContextMenu.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/gdi/Utf8Text.h"
#include "platform/os/Files.h"
#include "platform/os/ShellExecute.h"
#include "platform/os/UserDirs.h"

namespace parch {

namespace shell_context_menu {

enum Command : UINT { kOpen = 0, kRename = 1, kTrash = 2, kCommandCount = 3 };

constexpr const char* kVerbs[kCommandCount] = {"open", "rename", "delete"};
constexpr const char* kTexts[kCommandCount] = {"Open", "Rename", "Move to Trash"};

// Win32 error 17, ERROR_NOT_SAME_DEVICE, as a result.
constexpr HRESULT kNotSameDevice = static_cast<HRESULT>(0x80070011);
constexpr int kMaxTrashNameTries = 100000;

HRESULT ErrnoResult(int error) {
    if (error == EXDEV) return kNotSameDevice;
    return error > 0 && error < 0x10000 ? static_cast<HRESULT>(0x80070000u | static_cast<unsigned>(error)) : E_FAIL;
}

std::string TrashFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string base = dataHome && dataHome[0] == '/' ? dataHome : HomeFolder() + "/.local/share";
    return IncludeTrailingSlash(base) + "Trash";
}

// Path values of .trashinfo files are escaped as in URLs; "/" separates.
std::string PercentEncoded(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string LocalTimeText(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The n-th candidate name in the trash: the name itself, then "stem.2.ext", "stem.3.ext"...,
// kept short enough for "<name>.trashinfo" to be a valid file name.
std::string TrashName(const std::string& name, int n) {
    constexpr std::size_t kMaxName = 255 - (sizeof(".trashinfo") - 1);
    std::size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string::npos) dot = name.size();
    std::string extension = name.substr(dot);
    std::string suffix = n == 1 ? "" : "." + std::to_string(n);
    if (extension.size() + suffix.size() > kMaxName / 2) extension.clear();
    std::string_view stem = std::string_view(name).substr(0, dot);
    stem = CutAtCharacterBoundary(stem, kMaxName - extension.size() - suffix.size());
    return std::string(stem) + suffix + extension;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

std::string ErrorText(const std::string& what, int error) { return what + ": " + std::strerror(error); }

struct Reservation {
    std::string name;
    std::string infoPath;
};

// Claims a free name by creating its info file exclusively, so two trashers never share one.
bool ReserveTrashName(const std::string& trash, const std::string& name, const std::string& info, Reservation& out,
                      std::string& error) {
    for (int n = 1; n <= kMaxTrashNameTries; ++n) {
        std::string candidate = TrashName(name, n);
        std::string infoPath = trash + "/info/" + candidate + ".trashinfo";
        int fd = open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            error = ErrorText("Cannot write " + infoPath, errno);
            return false;
        }
        struct stat existing{};
        const bool taken = lstat((trash + "/files/" + candidate).c_str(), &existing) == 0;
        const bool written = !taken && WriteAll(fd, info);
        const int writeError = errno;
        close(fd);
        if (!written) {
            unlink(infoPath.c_str());
            if (taken) continue;
            error = ErrorText("Cannot write " + infoPath, writeError);
            return false;
        }
        out = {candidate, infoPath};
        return true;
    }
    error = "No free name in the trash for " + name;
    return false;
}

bool EnsureTrashFolders(const std::string& trash, std::string& error) {
    // The data folder may lack levels; the trash itself is private to the user.
    std::error_code failed;
    std::filesystem::create_directories(ExtractFilePath(trash), failed);
    for (const std::string& folder : {trash, trash + "/files", trash + "/info"}) {
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            error = ErrorText("Cannot create the trash folder " + folder, errno);
            return false;
        }
        if (!DirectoryExists(folder)) {
            errno = ENOTDIR;
            error = ErrorText("Cannot use the trash folder " + folder, errno);
            return false;
        }
    }
    return true;
}

class ShellItemsMenu final : public IContextMenu2 {
public:
    ShellItemsMenu(std::shared_ptr<IShellFolder> folder, std::vector<LPITEMIDLIST> items)
        : folder_(std::move(folder)), items_(std::move(items)) {}
    ~ShellItemsMenu() override {
        for (LPITEMIDLIST item : items_) ILFree(item);
    }

    HRESULT QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT lastCommand, UINT flags) override;
    HRESULT InvokeCommand(const CMINVOKECOMMANDINFO* info) override;
    HRESULT GetCommandString(UINT_PTR offset, UINT kind, UINT* reserved, char* buffer, UINT size) override;
    HRESULT HandleMenuMsg(UINT, WPARAM, LPARAM) override { return S_OK; }  // no owner-drawn items

private:
    SFGAOF CommonAttributes(SFGAOF asked) const;
    std::vector<std::string> Paths() const;  // empty when some item is no file-system object
    HRESULT Open() const;
    HRESULT Rename(const char* newName) const;
    HRESULT Trash() const;

    std::shared_ptr<IShellFolder> folder_;
    std::vector<LPITEMIDLIST> items_;
};

SFGAOF ShellItemsMenu::CommonAttributes(SFGAOF asked) const {
    std::vector<LPCITEMIDLIST> items(items_.begin(), items_.end());
    SFGAOF attributes = asked;
    if (items.empty() || FAILED(folder_->GetAttributesOf(static_cast<UINT>(items.size()), items.data(), &attributes)))
        return 0;
    return attributes & asked;
}

std::vector<std::string> ShellItemsMenu::Paths() const {
    std::vector<std::string> paths;
    for (LPITEMIDLIST item : items_) {
        STRRET name;
        if (FAILED(folder_->GetDisplayNameOf(item, SHGDN_FORPARSING, &name))) return {};
        std::string path = StrRetToString(name, item);
        if (path.empty() || path[0] != '/') return {};
        paths.push_back(std::move(path));
    }
    return paths;
}

HRESULT ShellItemsMenu::QueryContextMenu(HMENU menu, UINT index, UINT firstCommand, UINT lastCommand, UINT flags) {
    if (!IsMenu(menu)) return E_INVALIDARG;
    if (flags & CMF_NOVERBS) return S_OK;
    const SFGAOF attributes = CommonAttributes(SFGAO_CANRENAME | SFGAO_CANDELETE);
    struct Entry {
        Command command;
        bool enabled;
    };
    std::vector<Entry> entries{{kOpen, !Paths().empty()}};
    if (!(flags & CMF_DEFAULTONLY)) {
        if (flags & CMF_CANRENAME) entries.push_back({kRename, items_.size() == 1 && (attributes & SFGAO_CANRENAME)});
        entries.push_back({kTrash, (attributes & SFGAO_CANDELETE) != 0});
    }
    UINT used = 0;
    for (const Entry& entry : entries) {
        const UINT id = firstCommand + entry.command;
        if (id < firstCommand || id > lastCommand) continue;
        if (entry.command == kRename || (entry.command == kTrash && !(flags & CMF_CANRENAME)))
            InsertMenu(menu, index++, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        InsertMenu(menu, index++, MF_BYPOSITION | MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED), id,
                   kTexts[entry.command]);
        if (entry.command == kOpen) SetMenuDefaultItem(menu, id, 0);
        used = std::max(used, static_cast<UINT>(entry.command) + 1);
    }
    return static_cast<HRESULT>(used);
}

HRESULT ShellItemsMenu::GetCommandString(UINT_PTR offset, UINT kind, UINT*, char* buffer, UINT size) {
    if (offset >= kCommandCount) return kind == GCS_VALIDATEA ? S_FALSE : E_INVALIDARG;
    if (kind == GCS_VALIDATEA) return S_OK;
    if (kind != GCS_VERBA || !buffer || size == 0) return E_INVALIDARG;
    std::string_view verb = CutAtCharacterBoundary(kVerbs[offset], size - 1);
    std::memcpy(buffer, verb.data(), verb.size());
    buffer[verb.size()] = '\0';
    return S_OK;
}

HRESULT ShellItemsMenu::InvokeCommand(const CMINVOKECOMMANDINFO* info) {
    if (!info) return E_INVALIDARG;
    UINT command = kCommandCount;
    if (IS_INTRESOURCE(info->lpVerb)) {
        command = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(info->lpVerb));
    } else {
        for (UINT i = 0; i < kCommandCount; ++i)
            if (strcasecmp(info->lpVerb, kVerbs[i]) == 0) command = i;
    }
    switch (command) {
    case kOpen: return Open();
    case kRename: return Rename(info->lpParameters);
    case kTrash: return Trash();
    default: return E_INVALIDARG;
    }
}

HRESULT ShellItemsMenu::Open() const {
    std::vector<std::string> paths = Paths();
    if (paths.empty()) return E_FAIL;
    for (const std::string& path : paths)
        if (ShellExecute("open", path) <= 32) return E_FAIL;
    return S_OK;
}

HRESULT ShellItemsMenu::Rename(const char* newName) const {
    if (items_.size() != 1 || !newName || !*newName) return E_INVALIDARG;
    LPITEMIDLIST renamed = nullptr;
    HRESULT result = folder_->SetNameOf(items_[0], newName, SHGDN_NORMAL, &renamed);
    ILFree(renamed);
    return result;
}

HRESULT ShellItemsMenu::Trash() const {
    if ((CommonAttributes(SFGAO_CANDELETE) & SFGAO_CANDELETE) == 0) return E_FAIL;
    std::vector<std::string> paths = Paths();
    if (paths.empty()) return E_FAIL;
    for (const std::string& path : paths) {
        std::string error;
        errno = 0;
        if (!MoveToTrash(path, error)) return ErrnoResult(errno);
    }
    return S_OK;
}

}  // namespace shell_context_menu

using namespace shell_context_menu;

HRESULT CreateShellContextMenu(const std::shared_ptr<IShellFolder>& folder, UINT count, const LPCITEMIDLIST* items,
                               std::shared_ptr<IContextMenu>& menu) {
    menu.reset();
    if (!folder || count == 0 || !items) return E_INVALIDARG;
    std::vector<LPITEMIDLIST> copies;
    for (UINT i = 0; i < count; ++i) {
        LPITEMIDLIST copy = ILClone(items[i]);
        if (!copy || ILIsEmpty(copy)) {
            ILFree(copy);
            for (LPITEMIDLIST made : copies) ILFree(made);
            return copy ? E_INVALIDARG : E_OUTOFMEMORY;
        }
        copies.push_back(copy);
    }
    menu = std::make_shared<ShellItemsMenu>(folder, std::move(copies));
    return S_OK;
}

bool MoveToTrash(const std::string& absolutePath, std::string& error) {
    error.clear();
    struct stat item{};
    if (absolutePath.empty() || absolutePath[0] != '/') {
        errno = EINVAL;
        error = "Not an absolute path: " + absolutePath;
        return false;
    }
    if (lstat(absolutePath.c_str(), &item) != 0) {
        error = ErrorText("Cannot move " + absolutePath + " to the trash", errno);
        return false;
    }
    std::string name = ExtractFileName(absolutePath);
    if (name.empty() || name == "." || name == "..") {
        errno = EINVAL;
        error = "Cannot move " + absolutePath + " to the trash";
        return false;
    }
    const std::string trash = TrashFolder();
    if (!EnsureTrashFolders(trash, error)) return false;
    struct stat files{};
    if (stat((trash + "/files").c_str(), &files) != 0) {
        error = ErrorText("Cannot read the trash folder " + trash, errno);
        return false;
    }
    if (files.st_dev != item.st_dev) {
        errno = EXDEV;
        error = absolutePath + " is on another file system than the trash (" + trash + "); it was not moved";
        return false;
    }
    const std::string info = "[Trash Info]\nPath=" + PercentEncoded(absolutePath) +
                             "\nDeletionDate=" + LocalTimeText(std::time(nullptr)) + "\n";
    Reservation reserved;
    if (!ReserveTrashName(trash, name, info, reserved, error)) return false;
    const std::string target = trash + "/files/" + reserved.name;
    if (renameat2(AT_FDCWD, absolutePath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        const int renameError = errno;
        unlink(reserved.infoPath.c_str());
        errno = renameError;
        error = renameError == EXDEV
                    ? absolutePath + " is on another file system than the trash (" + trash + "); it was not moved"
                    : ErrorText("Cannot move " + absolutePath + " to the trash", renameError);
        return false;
    }
    return true;
}

}  // namespace parch
