#include "platform/os/ShellNamespace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/os/FileTypes.h"
#include "platform/os/Files.h"
#include "platform/os/UserDirs.h"

namespace parch {

namespace shellns {

// Item bytes: kind, flags, UTF-8 name, NUL.
constexpr char kVirtual = 'V';     // a desktop child: "home", "desktop", "documents", "computer"
constexpr char kDrive = 'D';       // a file-system root under Computer: its absolute path
constexpr char kFileSystem = 'F';  // a folder or file: its name within the parent
constexpr BYTE kFlagFolder = 0x1;

constexpr std::string_view kComputerParsingName = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
constexpr std::size_t kMaxMountinfo = 4u << 20;

// The mount table Computer lists; PARCH_MOUNTINFO names another file in the same format (a
// fixed table for tests).
std::string MountTablePath() {
    const char* path = std::getenv("PARCH_MOUNTINFO");
    return path && *path ? path : "/proc/self/mountinfo";
}

struct Item {
    char kind = 0;
    BYTE flags = 0;
    std::string name;
    bool IsFolder() const { return flags & kFlagFolder; }
};

std::optional<Item> DecodeItem(LPCITEMIDLIST list) {
    std::string_view bytes = ILFirstItemBytes(list);
    if (bytes.size() < 3 || bytes.back() != '\0') return std::nullopt;
    Item item{bytes[0], static_cast<BYTE>(bytes[1]), std::string(bytes.substr(2, bytes.size() - 3))};
    if (item.kind != kVirtual && item.kind != kDrive && item.kind != kFileSystem) return std::nullopt;
    return item;
}

LPITEMIDLIST EncodeItem(char kind, BYTE flags, std::string_view name) {
    std::string bytes;
    bytes += kind;
    bytes += static_cast<char>(flags);
    bytes += name;
    bytes += '\0';
    return ILFromItemBytes(bytes);
}

LPITEMIDLIST EmptyList() {
    LPITEMIDLIST list = ILFromItemBytes({});
    ILRemoveLastID(list);
    return list;
}

struct ListOwner {
    LPITEMIDLIST list = nullptr;
    ~ListOwner() { ILFree(list); }
};

struct Status {
    bool exists = false;
    bool isLink = false;
    struct stat target{};
};

Status StatusOf(const std::string& path) {
    Status status;
    struct stat own{};
    if (lstat(path.c_str(), &own) != 0) return status;
    status.exists = true;
    status.isLink = S_ISLNK(own.st_mode);
    status.target = own;
    if (status.isLink) stat(path.c_str(), &status.target);
    return status;
}

bool IsFolderPath(const std::string& path) {
    struct stat status{};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    return folder.empty() || folder.back() == '/' ? folder + std::string(name) : folder + "/" + std::string(name);
}

std::string VirtualFolderPath(std::string_view token) {
    if (token == "home") return HomeFolder();
    if (token == "desktop") return UserDirPath("DESKTOP");
    if (token == "documents") return UserDirPath("DOCUMENTS");
    return {};
}

std::string VirtualDisplayName(std::string_view token) {
    if (token == "home") return "Home";
    if (token == "desktop") return "Desktop";
    if (token == "documents") return "Documents";
    return "Computer";
}

int VirtualRank(std::string_view token) {
    static constexpr std::string_view kOrder[] = {"home", "desktop", "documents", "computer"};
    for (int i = 0; i < 4; ++i)
        if (kOrder[i] == token) return i;
    return 4;
}

// The path an item list leads to from the given start; "" for virtual places without one.
// valid is cleared when the list holds an item that cannot appear there.
std::string ResolvePath(std::string path, LPCITEMIDLIST list, bool& valid) {
    valid = true;
    for (auto* at = list; !ILIsEmpty(at); at = ILGetNext(at)) {
        auto item = DecodeItem(at);
        if (!item) {
            valid = false;
            return {};
        }
        switch (item->kind) {
        case kVirtual: path = VirtualFolderPath(item->name); break;
        case kDrive: path = item->name; break;
        default:
            if (path.empty() || item->name.empty() || item->name.find('/') != std::string::npos) {
                valid = false;
                return {};
            }
            path = JoinPath(path, item->name);
        }
    }
    return path;
}

std::string FormatSize(std::uint64_t bytes) {
    std::uint64_t kb = (bytes + 1023) / 1024;
    std::string digits = std::to_string(kb);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped + " KB";
}

std::string FormatTime(std::time_t time) {
    std::tm local{};
    if (!localtime_r(&time, &local)) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

HRESULT CompareResult(int order) {
    return static_cast<HRESULT>(static_cast<std::uint16_t>(static_cast<std::int16_t>(order < 0 ? -1 : order > 0 ? 1 : 0)));
}

int CompareNames(std::string_view a, std::string_view b) {
    // Bytes compare unsigned, so that UTF-8 letters come after ASCII ones, not before them.
    auto lower = [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
    };
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return lower(a[i]) < lower(b[i]) ? -1 : 1;
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

class ItemEnumerator final : public IEnumIDList {
public:
    explicit ItemEnumerator(std::vector<std::string> items) : items_(std::move(items)) {}

    HRESULT Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) override {
        if (!items) return E_INVALIDARG;
        ULONG got = 0;
        while (got < count && position_ < items_.size()) {
            items[got] = ILFromItemBytes(items_[position_++]);
            if (!items[got]) break;
            ++got;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        position_ = std::min(items_.size(), position_ + count);
        return position_ < items_.size() ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        position_ = 0;
        return S_OK;
    }

private:
    std::vector<std::string> items_;  // item bytes
    std::size_t position_ = 0;
};

std::string ItemBytes(char kind, BYTE flags, std::string_view name) {
    std::string bytes;
    bytes += kind;
    bytes += static_cast<char>(flags);
    bytes += name;
    bytes += '\0';
    return bytes;
}

enum class FolderKind { Desktop, Computer, FileSystem };

class Folder final : public IShellFolder2, public IShellDetails {
public:
    Folder(FolderKind kind, std::string path, LPCITEMIDLIST absolute)
        : kind_(kind), path_(std::move(path)), absolute_(ILClone(absolute)) {}
    ~Folder() override { ILFree(absolute_); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    HRESULT ParseDisplayName(std::string_view name, ULONG* eaten, LPITEMIDLIST* item, ULONG* attributes) override;
    HRESULT EnumObjects(SHCONTF flags, std::shared_ptr<IEnumIDList>& items) override;
    HRESULT BindToObject(LPCITEMIDLIST item, std::shared_ptr<IShellFolder>& folder) override;
    HRESULT CompareIDs(std::intptr_t column, LPCITEMIDLIST a, LPCITEMIDLIST b) override;
    HRESULT GetAttributesOf(UINT count, const LPCITEMIDLIST* items, SFGAOF* inOut) override;
    HRESULT GetDisplayNameOf(LPCITEMIDLIST item, SHGDNF flags, STRRET* name) override;
    HRESULT SetNameOf(LPCITEMIDLIST item, std::string_view newName, SHGDNF flags, LPITEMIDLIST* newItem) override;
    HRESULT GetDetailsOf(LPCITEMIDLIST item, UINT column, SHELLDETAILS* details) override;
    HRESULT GetDefaultColumnState(UINT column, SHCOLSTATEF* state) override;
    HRESULT ColumnClick(UINT) override { return S_FALSE; }

private:
    std::vector<std::string> ChildItems(SHCONTF flags) const;
    SFGAOF AttributesOf(LPCITEMIDLIST relative, SFGAOF asked) const;
    std::string ItemPath(LPCITEMIDLIST relative, bool& valid) const { return ResolvePath(path_, relative, valid); }

    FolderKind kind_;
    std::string path_;  // the folder's own path ("" for virtual folders)
    LPITEMIDLIST absolute_;
};

std::vector<std::string> Folder::ChildItems(SHCONTF flags) const {
    std::vector<std::string> items;
    bool folders = flags & SHCONTF_FOLDERS;
    if (kind_ == FolderKind::Desktop) {
        if (!folders) return items;
        std::string home = HomeFolder();
        items.push_back(ItemBytes(kVirtual, kFlagFolder, "home"));
        for (const char* token : {"desktop", "documents"}) {
            std::string path = VirtualFolderPath(token);
            if (path != home && IsFolderPath(path)) items.push_back(ItemBytes(kVirtual, kFlagFolder, token));
        }
        items.push_back(ItemBytes(kVirtual, kFlagFolder, "computer"));
        return items;
    }
    if (kind_ == FolderKind::Computer) {
        if (!folders) return items;
        items.push_back(ItemBytes(kDrive, kFlagFolder, "/"));
        auto mountinfo = ReadFileBytes(MountTablePath(), kMaxMountinfo);
        for (const auto& point : RealMountPoints(mountinfo.value_or(std::string{})))
            if (point != "/") items.push_back(ItemBytes(kDrive, kFlagFolder, point));
        return items;
    }
    DIR* dir = opendir(path_.c_str());
    if (!dir) return items;
    while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (name[0] == '.' && !(flags & SHCONTF_INCLUDEHIDDEN)) continue;
        bool isFolder;
        if (entry->d_type == DT_DIR) {
            isFolder = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat status{};
            isFolder = fstatat(dirfd(dir), entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
        } else {
            isFolder = false;
        }
        if (isFolder ? folders : (flags & SHCONTF_NONFOLDERS))
            items.push_back(ItemBytes(kFileSystem, isFolder ? kFlagFolder : 0, name));
    }
    closedir(dir);
    return items;
}

HRESULT Folder::EnumObjects(SHCONTF flags, std::shared_ptr<IEnumIDList>& items) {
    if (kind_ == FolderKind::FileSystem && !IsFolderPath(path_)) return HRESULT_FILE_NOT_FOUND;
    items = std::make_shared<ItemEnumerator>(ChildItems(flags));
    return S_OK;
}

HRESULT Folder::BindToObject(LPCITEMIDLIST item, std::shared_ptr<IShellFolder>& folder) {
    folder.reset();
    if (ILIsEmpty(item)) return E_INVALIDARG;
    bool valid;
    std::string path = ItemPath(item, valid);
    if (!valid) return E_INVALIDARG;
    ListOwner absolute{ILCombine(absolute_, item)};
    if (!absolute.list) return E_OUTOFMEMORY;
    auto last = DecodeItem(ILFindLastID(item));
    if (last && last->kind == kVirtual && last->name == "computer") {
        folder = std::make_shared<Folder>(FolderKind::Computer, std::string{}, absolute.list);
        return S_OK;
    }
    if (path.empty() || !IsFolderPath(path)) return E_FAIL;
    folder = std::make_shared<Folder>(FolderKind::FileSystem, path, absolute.list);
    return S_OK;
}

HRESULT Folder::CompareIDs(std::intptr_t column, LPCITEMIDLIST a, LPCITEMIDLIST b) {
    auto itemA = DecodeItem(a), itemB = DecodeItem(b);
    if (!itemA || !itemB) {
        if (ILIsEmpty(a) || ILIsEmpty(b)) return CompareResult(ILIsEmpty(a) ? (ILIsEmpty(b) ? 0 : -1) : 1);
        return E_INVALIDARG;
    }
    int order = 0;
    if (itemA->kind != itemB->kind) {
        order = itemA->kind < itemB->kind ? -1 : 1;
    } else if (itemA->kind == kVirtual) {
        order = VirtualRank(itemA->name) - VirtualRank(itemB->name);
    } else if (itemA->IsFolder() != itemB->IsFolder()) {
        order = itemA->IsFolder() ? -1 : 1;  // folders first, as the shell lists them
    } else {
        UINT detail = static_cast<UINT>(column & 0xFFFF);
        if (detail >= 1 && detail <= 3) {
            ListOwner firstA{ILCloneFirst(a)}, firstB{ILCloneFirst(b)};
            SHELLDETAILS da, db;
            bool validA, validB;
            struct stat sa{}, sb{};
            std::string pa = ItemPath(firstA.list, validA), pb = ItemPath(firstB.list, validB);
            stat(pa.c_str(), &sa);
            stat(pb.c_str(), &sb);
            if (detail == 1 && sa.st_size != sb.st_size) order = sa.st_size < sb.st_size ? -1 : 1;
            if (detail == 3 && sa.st_mtime != sb.st_mtime) order = sa.st_mtime < sb.st_mtime ? -1 : 1;
            if (detail == 2 && GetDetailsOf(firstA.list, 2, &da) == S_OK && GetDetailsOf(firstB.list, 2, &db) == S_OK)
                order = CompareNames(da.str.pOleStr, db.str.pOleStr);
        }
        if (order == 0) order = CompareNames(itemA->name, itemB->name);
    }
    if (order != 0) return CompareResult(order);
    // Same first item: the rest decides, seen from the folder of that item.
    LPITEMIDLIST restA = ILGetNext(a), restB = ILGetNext(b);
    if (ILIsEmpty(restA) || ILIsEmpty(restB))
        return CompareResult(ILIsEmpty(restA) ? (ILIsEmpty(restB) ? 0 : -1) : 1);
    ListOwner first{ILCloneFirst(a)};
    std::shared_ptr<IShellFolder> sub;
    if (FAILED(BindToObject(first.list, sub))) {
        int raw = CompareNames(ILFirstItemBytes(restA), ILFirstItemBytes(restB));
        return CompareResult(raw);
    }
    return sub->CompareIDs(column, restA, restB);
}

SFGAOF Folder::AttributesOf(LPCITEMIDLIST relative, SFGAOF asked) const {
    auto last = DecodeItem(ILFindLastID(relative));
    if (!last) return 0;
    bool valid;
    std::string path = ItemPath(relative, valid);
    if (!valid) return 0;
    SFGAOF attributes = 0;
    if (last->kind == kVirtual && last->name == "computer") {
        attributes = SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_STORAGEANCESTOR | SFGAO_HASSUBFOLDER;
        return attributes;
    }
    Status status = StatusOf(path);
    if (!status.exists) return SFGAO_VALIDATE;
    bool isFolder = S_ISDIR(status.target.st_mode);
    attributes |= SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK | SFGAO_HASPROPSHEET;
    if (last->kind == kFileSystem) {
        attributes |= SFGAO_CANMOVE | SFGAO_CANDELETE;
        std::string parent = path.substr(0, path.rfind('/') + 1);
        if (access(parent.c_str(), W_OK) == 0) attributes |= SFGAO_CANRENAME;
        if (last->name[0] == '.') attributes |= SFGAO_HIDDEN;
    }
    if (status.isLink) attributes |= SFGAO_LINK;
    // From the permission bits, as the find data says it: access() would grant root anything.
    if ((status.target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= SFGAO_READONLY;
    if (isFolder) {
        attributes |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_STORAGEANCESTOR | SFGAO_DROPTARGET;
        // Looking inside costs a folder read: only when asked.
        if (asked & SFGAO_HASSUBFOLDER) {
            Folder inner(FolderKind::FileSystem, path, absolute_);
            if (!inner.ChildItems(SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN).empty()) attributes |= SFGAO_HASSUBFOLDER;
        }
    } else {
        attributes |= SFGAO_STREAM;
    }
    return attributes;
}

HRESULT Folder::GetAttributesOf(UINT count, const LPCITEMIDLIST* items, SFGAOF* inOut) {
    if (!inOut || (count && !items)) return E_INVALIDARG;
    SFGAOF asked = *inOut;
    if (count == 0) {
        *inOut = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | (kind_ == FolderKind::FileSystem ? SFGAO_FILESYSTEM : 0);
        return S_OK;
    }
    SFGAOF common = ~SFGAOF{0};
    for (UINT i = 0; i < count; ++i) common &= AttributesOf(items[i], asked);
    *inOut = common;
    return S_OK;
}

HRESULT Folder::GetDisplayNameOf(LPCITEMIDLIST item, SHGDNF flags, STRRET* name) {
    if (!name) return E_INVALIDARG;
    *name = STRRET{};
    bool forParsing = (flags & SHGDN_FORPARSING) != 0;
    bool inFolder = (flags & SHGDN_INFOLDER) != 0;
    if (ILIsEmpty(item)) {
        if (kind_ == FolderKind::Computer) name->pOleStr = forParsing ? std::string(kComputerParsingName) : "Computer";
        else if (kind_ == FolderKind::Desktop) name->pOleStr = forParsing ? UserDirPath("DESKTOP") : "Desktop";
        else name->pOleStr = forParsing ? path_ : ExtractFileName(path_);
        return S_OK;
    }
    auto last = DecodeItem(ILFindLastID(item));
    bool valid;
    std::string path = ItemPath(item, valid);
    if (!last || !valid) return E_INVALIDARG;
    if (last->kind == kVirtual) {
        name->pOleStr = forParsing && !inFolder
                            ? (last->name == "computer" ? std::string(kComputerParsingName) : path)
                            : VirtualDisplayName(last->name);
    } else if (last->kind == kDrive) {
        name->pOleStr = forParsing || last->name == "/" ? last->name : ExtractFileName(last->name);
    } else {
        name->pOleStr = forParsing && !inFolder ? path : last->name;
    }
    return S_OK;
}

HRESULT Folder::ParseDisplayName(std::string_view name, ULONG* eaten, LPITEMIDLIST* item, ULONG* attributes) {
    if (!item) return E_INVALIDARG;
    *item = nullptr;
    std::string_view rest = name;
    LPITEMIDLIST built = nullptr;
    std::string path = path_;
    auto append = [&](LPITEMIDLIST next) {
        LPITEMIDLIST joined = ILCombine(built ? built : nullptr, next);
        ILFree(next);
        ILFree(built);
        built = joined;
    };
    if (kind_ == FolderKind::Desktop) {
        if (rest == kComputerParsingName) {
            built = EncodeItem(kVirtual, kFlagFolder, "computer");
            rest = {};
        } else if (!rest.empty() && rest[0] == '/') {
            built = EncodeItem(kVirtual, kFlagFolder, "computer");
            append(EncodeItem(kDrive, kFlagFolder, "/"));
            path = "/";
        } else {
            return E_INVALIDARG;
        }
    } else if (kind_ == FolderKind::Computer) {
        if (rest.empty() || rest[0] != '/') return E_INVALIDARG;
        built = EncodeItem(kDrive, kFlagFolder, "/");
        path = "/";
    } else if (!rest.empty() && rest[0] == '/') {
        return E_INVALIDARG;
    }
    std::vector<std::string> components;
    while (!rest.empty()) {
        std::size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!components.empty()) components.pop_back();
            continue;
        }
        components.emplace_back(part);
    }
    for (const auto& part : components) {
        path = JoinPath(path, part);
        Status status = StatusOf(path);
        if (!status.exists) {
            ILFree(built);
            return HRESULT_FILE_NOT_FOUND;
        }
        append(EncodeItem(kFileSystem, S_ISDIR(status.target.st_mode) ? kFlagFolder : 0, part));
    }
    if (!built) built = EmptyList();  // the folder itself
    if (eaten) *eaten = static_cast<ULONG>(name.size());
    if (attributes && *attributes) {
        SFGAOF asked = *attributes;
        *attributes = AttributesOf(built, asked) & asked;
    }
    *item = built;
    return S_OK;
}

HRESULT Folder::SetNameOf(LPCITEMIDLIST item, std::string_view newName, SHGDNF, LPITEMIDLIST* newItem) {
    auto current = DecodeItem(item);
    if (!current || current->kind != kFileSystem || !ILIsEmpty(ILGetNext(item))) return E_INVALIDARG;
    if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string_view::npos ||
        newName.find('\0') != std::string_view::npos)
        return E_INVALIDARG;
    std::string from = JoinPath(path_, current->name);
    std::string to = JoinPath(path_, newName);
    // Never replaces what is there under the new name.
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0)
        return errno == EEXIST ? HRESULT_ALREADY_EXISTS : E_FAIL;
    if (newItem) *newItem = EncodeItem(kFileSystem, current->flags, newName);
    return S_OK;
}

HRESULT Folder::GetDetailsOf(LPCITEMIDLIST item, UINT column, SHELLDETAILS* details) {
    static constexpr struct {
        const char* title;
        int fmt;
        int width;
    } kColumns[] = {{"Name", LVCFMT_LEFT, 25}, {"Size", LVCFMT_RIGHT, 10}, {"Type", LVCFMT_LEFT, 10},
                    {"Modified", LVCFMT_LEFT, 14}};
    if (!details) return E_INVALIDARG;
    UINT columns = kind_ == FolderKind::FileSystem ? 4 : 2;
    if (column >= columns) return E_FAIL;
    *details = SHELLDETAILS{};
    UINT shown = kind_ == FolderKind::FileSystem || column == 0 ? column : 2;
    details->fmt = kColumns[shown].fmt;
    details->cxChar = kColumns[shown].width;
    if (!item) {
        details->str.pOleStr = kColumns[shown].title;
        return S_OK;
    }
    if (shown == 0) return GetDisplayNameOf(item, SHGDN_INFOLDER, &details->str);
    auto last = DecodeItem(ILFindLastID(item));
    bool valid;
    std::string path = ItemPath(item, valid);
    if (!last || !valid) return E_INVALIDARG;
    if (last->kind == kVirtual && last->name == "computer") {
        details->str.pOleStr = shown == 2 ? "Computer" : "";
        return S_OK;
    }
    Status status = StatusOf(path);
    if (!status.exists) return HRESULT_FILE_NOT_FOUND;
    bool isFolder = S_ISDIR(status.target.st_mode);
    if (shown == 1) {
        details->str.pOleStr = S_ISREG(status.target.st_mode)
                                   ? FormatSize(static_cast<std::uint64_t>(status.target.st_size))
                                   : std::string{};
    } else if (shown == 2) {
        const FileTypes& types = FileTypes::System();
        std::string type = isFolder ? std::string("inode/directory") : types.ContentTypeOf(path);
        details->str.pOleStr = types.Mime().Comment(type);
    } else {
        details->str.pOleStr = FormatTime(status.target.st_mtime);
    }
    return S_OK;
}

HRESULT Folder::GetDefaultColumnState(UINT column, SHCOLSTATEF* state) {
    static constexpr SHCOLSTATEF kStates[] = {SHCOLSTATE_TYPE_STR, SHCOLSTATE_TYPE_INT, SHCOLSTATE_TYPE_STR,
                                              SHCOLSTATE_TYPE_DATE};
    if (!state) return E_INVALIDARG;
    UINT columns = kind_ == FolderKind::FileSystem ? 4 : 2;
    if (column >= columns) return E_INVALIDARG;
    *state = kStates[kind_ == FolderKind::FileSystem || column == 0 ? column : 2] | SHCOLSTATE_ONBYDEFAULT;
    return S_OK;
}

std::string UnescapeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() + 0 && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

}  // namespace shellns

std::string StrRetToString(const STRRET& name, LPCITEMIDLIST item) {
    switch (name.uType) {
    case STRRET_WSTR: return name.pOleStr;
    case STRRET_CSTR: return name.cStr.substr(0, name.cStr.find('\0'));
    case STRRET_OFFSET: {
        std::string_view bytes = ILFirstItemBytes(item);
        if (name.uOffset < 2 || name.uOffset - 2 > bytes.size()) return {};
        std::string_view text = bytes.substr(name.uOffset - 2);
        return std::string(text.substr(0, text.find('\0')));
    }
    default: return {};
    }
}

std::vector<std::string> RealMountPoints(std::string_view mountinfo) {
    static constexpr std::string_view kNetworkTypes[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "virtiofs"};
    static constexpr std::string_view kHiddenRoots[] = {"/proc", "/sys", "/dev", "/run", "/boot/efi", "/snap"};
    std::vector<std::string> points;
    while (!mountinfo.empty()) {
        std::size_t end = mountinfo.find('\n');
        std::string_view line = mountinfo.substr(0, end);
        mountinfo = end == std::string_view::npos ? std::string_view{} : mountinfo.substr(end + 1);
        std::vector<std::string_view> fields;
        while (!line.empty()) {
            std::size_t blank = line.find(' ');
            fields.push_back(line.substr(0, blank));
            line = blank == std::string_view::npos ? std::string_view{} : line.substr(blank + 1);
        }
        auto separator = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 5 || separator == fields.end() || fields.end() - separator < 3) continue;
        std::string point = shellns::UnescapeMountField(fields[4]);
        std::string_view type = separator[1];
        std::string_view source = separator[2];
        bool real = source.substr(0, 5) == "/dev/" ||
                    std::find(std::begin(kNetworkTypes), std::end(kNetworkTypes), type) != std::end(kNetworkTypes);
        bool hidden = false;
        for (auto root : kHiddenRoots)
            hidden = hidden || point == root || point.rfind(std::string(root) + "/", 0) == 0;
        // Removable media under /run/media are shown even so.
        if (point.rfind("/run/media/", 0) == 0) hidden = false;
        if (!real || hidden || point.empty() || point[0] != '/') continue;
        if (std::find(points.begin(), points.end(), point) == points.end()) points.push_back(point);
    }
    return points;
}

HRESULT SHGetDesktopFolder(std::shared_ptr<IShellFolder>& folder) {
    shellns::ListOwner empty{shellns::EmptyList()};
    folder = std::make_shared<shellns::Folder>(shellns::FolderKind::Desktop, std::string{}, empty.list);
    return S_OK;
}

HRESULT SHGetSpecialFolderLocation(int csidl, LPITEMIDLIST* item) {
    if (!item) return E_INVALIDARG;
    *item = nullptr;
    const char* token = nullptr;
    switch (csidl) {
    case CSIDL_DESKTOP: {
        *item = shellns::EmptyList();
        return *item ? S_OK : E_OUTOFMEMORY;
    }
    case CSIDL_DRIVES: token = "computer"; break;
    case CSIDL_PERSONAL: token = "documents"; break;
    case CSIDL_DESKTOPDIRECTORY: token = "desktop"; break;
    case CSIDL_TEMPLATES: {
        std::string path = UserDirPath("TEMPLATES");
        if (!shellns::IsFolderPath(path)) return E_FAIL;
        std::shared_ptr<IShellFolder> desktop;
        SHGetDesktopFolder(desktop);
        return desktop->ParseDisplayName(path, nullptr, item, nullptr);
    }
    default: return E_INVALIDARG;
    }
    if (std::string_view(token) != "computer" && !shellns::IsFolderPath(shellns::VirtualFolderPath(token)))
        return E_FAIL;
    *item = shellns::EncodeItem(shellns::kVirtual, shellns::kFlagFolder, token);
    return *item ? S_OK : E_OUTOFMEMORY;
}

HRESULT SHGetFolderPath(int csidl, std::string& path) {
    path.clear();
    switch (csidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY: path = UserDirPath("DESKTOP"); break;
    case CSIDL_PERSONAL: path = UserDirPath("DOCUMENTS"); break;
    case CSIDL_TEMPLATES: path = UserDirPath("TEMPLATES"); break;
    default: return E_INVALIDARG;
    }
    if (!shellns::IsFolderPath(path)) {
        path.clear();
        return E_FAIL;
    }
    return S_OK;
}

bool SHGetPathFromIDList(LPCITEMIDLIST item, std::string& path) {
    path.clear();
    if (!item) return false;
    if (ILIsEmpty(item)) {
        path = UserDirPath("DESKTOP");
        return true;
    }
    bool valid;
    std::string resolved = shellns::ResolvePath(std::string{}, item, valid);
    if (!valid || resolved.empty()) return false;
    path = std::move(resolved);
    return true;
}

}  // namespace parch
