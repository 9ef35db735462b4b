#include "skin/controls/acShellCtrls.h"

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <ctime>

#include "base/SysUtils.h"
#include "framework/MessageDialogs.h"
#include "platform/os/Files.h"
#include "platform/os/ShellExecute.h"
#include "platform/win/Menus.h"
#include "platform/win/PopupMenus.h"
#include "platform/win/ShellFileInfo.h"
#include "platform/win/Synchronization.h"
#include "platform/win/WinUser.h"

namespace parch {

namespace acshell {

constexpr std::string_view kRootFolderNames[] = {
    "rfDesktop", "rfMyComputer", "rfNetwork", "rfRecycleBin", "rfAppData", "rfCommonDesktopDirectory",
    "rfCommonPrograms", "rfCommonStartMenu", "rfCommonStartup", "rfControlPanel", "rfDesktopDirectory",
    "rfFavorites", "rfFonts", "rfInternet", "rfPersonal", "rfPrinters", "rfPrintHood", "rfPrograms", "rfRecent",
    "rfSendTo", "rfStartMenu", "rfStartup", "rfTemplates"};

constexpr int kRootFolderCsidls[] = {0x00, 0x11, 0x12, 0x0A, 0x1A, 0x19, 0x17, 0x16, 0x18, 0x03, 0x10, 0x06,
                                     0x14, 0x01, 0x05, 0x04, 0x1B, 0x02, 0x08, 0x09, 0x0B, 0x07, 0x15};

// The extension of a name: from its last "." on, "" when it has none (or only a leading one).
std::string NameExtension(std::string_view name) {
    std::size_t slash = name.rfind('/');
    std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    std::size_t dot = base.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return std::string(base.substr(dot));
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// "%s"-style formatting of one text into a message.
std::string FormatMessageText(std::string_view pattern, std::string_view value) {
    std::string text(pattern);
    std::size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

// A TFileTime as seconds since 1970.
std::int64_t UnixSecondsOf(const FILETIME& time) {
    constexpr std::uint64_t kTicksTo1970 = 116444736000000000ull;
    std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    if (ticks < kTicksTo1970) return -1;
    return static_cast<std::int64_t>((ticks - kTicksTo1970) / 10000000ull);
}

// A date-time text as the column shows it, at the two-second steps of a DOS time. The value
// -1 (the day before the date-time origin) stands for folders and times that do not convert.
std::string DateTimeText(std::int64_t unixSeconds) {
    constexpr std::string_view kNoTime = "1899-12-29 00:00:00";
    if (unixSeconds < 0) return std::string(kNoTime);
    std::time_t seconds = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    // DOS dates run from 1980 to 2107.
    if (!localtime_r(&seconds, &local) || local.tm_year < 80 || local.tm_year > 207) return std::string(kNoTime);
    local.tm_sec -= local.tm_sec % 2;
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

SFGAOF AskAttributes(IShellFolder* folder, LPCITEMIDLIST relativeId, SFGAOF asked) {
    if (!folder || !relativeId) return 0;
    SFGAOF inOut = asked;
    if (FAILED(folder->GetAttributesOf(1, &relativeId, &inOut))) return 0;
    return inOut;
}

// A resolved root: its absolute ID, or nothing.
TIdList ResolveRoot(TacRoot& root) {
    int index = RootFolderIndex(root);
    if (index >= 0) {
        LPITEMIDLIST id = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(kRootFolderCsidls[index], &id))) return nullptr;
        return TIdList(id);
    }
    if (root.empty()) return nullptr;
    root = IncludeTrailingSlash(root);
    std::string path = ExpandFileName(root);
    ULONG eaten = static_cast<ULONG>(path.size());
    ULONG attributes = 0;
    LPITEMIDLIST id = nullptr;
    if (FAILED(ShellDesktop()->ParseDisplayName(path, &eaten, &id, &attributes))) return nullptr;
    return TIdList(id);
}

}  // namespace acshell

// ---- Item-ID lists --------------------------------------------------------------------------

void IdListDeleter::operator()(ITEMIDLIST* list) const {
    FreeIdList(list);
}

void* ShellAllocZero(std::size_t size) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) throw EOleError("The shell allocator is not available");
    void* block = allocator->Alloc(size);
    if (block) std::memset(block, 0, size);
    return block;
}

LPITEMIDLIST NextIdItem(LPCITEMIDLIST id) {
    return ILGetNext(id);
}

void DropLastIdItem(LPITEMIDLIST id) {
    ILRemoveLastID(id);
}

UINT IdItemCount(LPCITEMIDLIST id) {
    return ILGetCount(id);
}

UINT IdListSize(LPCITEMIDLIST id) {
    return ILGetSize(id);
}

TIdList CopyIdList(LPCITEMIDLIST id) {
    return TIdList(ILClone(id));
}

TIdList JoinIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    return TIdList(ILCombine(first, second));
}

void FreeIdList(LPITEMIDLIST id) {
    if (!id) return;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) allocator->Free(id);
}

TIdList LastIdItemCopy(LPCITEMIDLIST id) {
    if (!id) return nullptr;
    return TIdList(ILCloneFirst(ILFindLastID(id)));
}

std::vector<TIdList> IdListPrefixes(LPCITEMIDLIST id) {
    std::vector<TIdList> prefixes;
    if (!id) return prefixes;
    TIdList shorter = CopyIdList(id);
    while (shorter && !ILIsEmpty(shorter.get())) {
        DropLastIdItem(shorter.get());
        TIdList next = CopyIdList(shorter.get());
        prefixes.insert(prefixes.begin(), std::move(shorter));
        shorter = std::move(next);
    }
    return prefixes;
}

bool SameIdLists(LPCITEMIDLIST a, LPCITEMIDLIST b) {
    return ShellDesktop()->CompareIDs(0, a, b) == 0;
}

TIdList DesktopIdList() {
    LPITEMIDLIST id = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(CSIDL_DESKTOP, &id)) || !id)
        throw EOleError("The desktop's location is not available");
    return TIdList(id);
}

// ---- Shell routines -------------------------------------------------------------------------

std::shared_ptr<IShellFolder> ShellDesktop() {
    std::shared_ptr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop)) || !desktop) throw EOleError("The desktop folder is not available");
    return desktop;
}

int RootFolderIndex(std::string_view name) {
    for (std::size_t i = 0; i < std::size(acshell::kRootFolderNames); ++i)
        if (acshell::kRootFolderNames[i] == name) return static_cast<int>(i);
    return -1;
}

int RootFolderCsidl(TacRootFolder folder) {
    return acshell::kRootFolderCsidls[static_cast<int>(folder)];
}

HIMAGELIST ShellSmallImages() {
    SHFILEINFO info;
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfo("/", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

int ShellIconIndex(LPCITEMIDLIST absoluteId, bool large, bool open) {
    UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX;
    if (open) flags |= SHGFI_OPENICON;
    if (!large) flags |= SHGFI_SMALLICON;
    SHFILEINFO info;
    SHGetFileInfo(reinterpret_cast<const char*>(absoluteId), 0, &info, sizeof info, flags);
    return info.iIcon;
}

TacItemAttributes ItemAttributes(IShellFolder* parentFolder, LPCITEMIDLIST relativeId) {
    TacItemAttributes attributes;
    if (!parentFolder) return attributes;
    SFGAOF asked = acshell::AskAttributes(parentFolder, relativeId, SFGAO_HIDDEN | SFGAO_LINK | SFGAO_SHARE | SFGAO_READONLY);
    if (asked & SFGAO_HIDDEN) attributes.Include(TacItemAttribute::iaHidden);
    if (asked & SFGAO_LINK) attributes.Include(TacItemAttribute::iaLink);
    if (asked & SFGAO_READONLY) attributes.Include(TacItemAttribute::iaReadOnly);
    if (asked & SFGAO_SHARE) attributes.Include(TacItemAttribute::iaShared);
    SFGAOF reported = acshell::AskAttributes(parentFolder, relativeId, 0);
    if (reported & SFGAO_FILESYSTEM) attributes.Include(TacItemAttribute::iaFileSystem);
    if (reported & SFGAO_FILESYSANCESTOR) attributes.Include(TacItemAttribute::iaFileSysAncestor);
    if (reported & SFGAO_REMOVABLE) attributes.Include(TacItemAttribute::iaRemovable);
    if (reported & SFGAO_VALIDATE) attributes.Include(TacItemAttribute::iaValidate);
    return attributes;
}

TacItemAbilities ItemAbilities(IShellFolder* parentFolder, LPCITEMIDLIST relativeId) {
    TacItemAbilities abilities;
    if (!parentFolder) return abilities;
    SFGAOF flags = acshell::AskAttributes(parentFolder, relativeId,
                                          SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME |
                                              SFGAO_CANDELETE | SFGAO_HASPROPSHEET | SFGAO_DROPTARGET);
    if (flags & SFGAO_CANCOPY) abilities.Include(TacItemAbility::caCopy);
    if (flags & SFGAO_CANDELETE) abilities.Include(TacItemAbility::caDelete);
    if (flags & SFGAO_CANLINK) abilities.Include(TacItemAbility::caLink);
    if (flags & SFGAO_CANMOVE) abilities.Include(TacItemAbility::caMove);
    if (flags & SFGAO_CANRENAME) abilities.Include(TacItemAbility::caRename);
    if (flags & SFGAO_DROPTARGET) abilities.Include(TacItemAbility::caDropTarget);
    if (flags & SFGAO_HASPROPSHEET) abilities.Include(TacItemAbility::caPropSheet);
    return abilities;
}

bool ItemIsContainer(IShellFolder* parentFolder, LPCITEMIDLIST relativeId) {
    return (acshell::AskAttributes(parentFolder, relativeId, SFGAO_FOLDER) & SFGAO_FOLDER) != 0;
}

bool ItemHasSubFolders(IShellFolder* parentFolder, LPCITEMIDLIST relativeId) {
    return (acshell::AskAttributes(parentFolder, relativeId, SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER) != 0;
}

bool FolderHasItems(IShellFolder* folder, SHCONTF flags) {
    if (!folder) return false;
    std::shared_ptr<IEnumIDList> items;
    if (folder->EnumObjects(flags, items) != S_OK || !items) return false;
    LPITEMIDLIST first = nullptr;
    ULONG fetched = 0;
    bool found = items->Next(1, &first, &fetched) == S_OK;
    FreeIdList(first);
    return found;
}

std::string StrRetText(LPCITEMIDLIST id, const STRRET& name) {
    std::string text;
    switch (name.uType) {
    case STRRET_WSTR: text = name.pOleStr; break;
    case STRRET_CSTR: text = name.cStr.substr(0, name.cStr.find('\0')); break;
    case STRRET_OFFSET: {
        // Within the first item only, however large the offset claims to be.
        std::string_view item = ILFirstItemBytes(id);
        if (name.uOffset >= 2 && name.uOffset - 2 <= item.size()) {
            std::string_view rest = item.substr(name.uOffset - 2);
            text = std::string(rest.substr(0, rest.find('\0')));
        }
        break;
    }
    default: break;
    }
    if (text.size() > 1 && text[0] == '?' && text[1] >= '0' && text[1] <= '9') std::erase(text, '?');
    return text;
}

std::string ItemDisplayName(IShellFolder* parentFolder, LPCITEMIDLIST id, SHGDNF flags, TacShowExtension showExt) {
    if (!parentFolder) return "parentfolder = nil";
    STRRET returned;
    if (FAILED(parentFolder->GetDisplayNameOf(id, flags, &returned))) return {};
    std::string name = StrRetText(id, returned);
    if (showExt != TacShowExtension::seSystem) {
        STRRET parsing;
        std::string path;
        if (SUCCEEDED(parentFolder->GetDisplayNameOf(id, SHGDN_FORPARSING, &parsing))) path = StrRetText(id, parsing);
        // Only files have extensions to show or hide: folders and virtual items keep their names.
        if (!path.empty() && FileExists(path)) {
            std::string shown = acshell::NameExtension(name);
            std::string real = acshell::NameExtension(path);
            if (showExt == TacShowExtension::seShow && shown != real) name += real;
            if (showExt == TacShowExtension::seHide && !shown.empty()) name.resize(name.size() - shown.size());
        }
    }
    if (name.starts_with("::{") && flags != SHGDN_NORMAL) return ItemDisplayName(parentFolder, id, SHGDN_NORMAL, showExt);
    return name;
}

SHCONTF ObjectTypesToEnumFlags(TacShellObjectTypes types) {
    return static_cast<SHCONTF>(types.Bits() << 5);
}

std::shared_ptr<IShellFolder> BindShellFolder(IShellFolder* folder, LPCITEMIDLIST id, HWND) {
    std::shared_ptr<IShellFolder> bound;
    if (folder && SUCCEEDED(folder->BindToObject(id, bound)) && bound) return bound;
    // Items of the desktop's own children and absolute IDs bind from the desktop.
    if (SUCCEEDED(ShellDesktop()->BindToObject(id, bound)) && bound) return bound;
    return nullptr;
}

std::shared_ptr<IShellDetails> BindShellDetails(IShellFolder* folder, LPCITEMIDLIST id, HWND ownerWindow) {
    return std::dynamic_pointer_cast<IShellDetails>(BindShellFolder(folder, id, ownerWindow));
}

std::shared_ptr<IShellFolder2> BindShellFolder2(IShellFolder* folder, LPCITEMIDLIST id, HWND ownerWindow) {
    std::shared_ptr<IShellFolder> bound;
    if (SUCCEEDED(ShellDesktop()->BindToObject(id, bound)) && bound)
        if (auto folder2 = std::dynamic_pointer_cast<IShellFolder2>(bound)) return folder2;
    if (folder && SUCCEEDED(folder->BindToObject(id, bound)) && bound)
        return std::dynamic_pointer_cast<IShellFolder2>(bound);
    return nullptr;
}

std::string FindDataColumnText(const WIN32_FIND_DATA& data, int column) {
    bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    switch (column) {
    case 1: {
        if (isFolder) return "-1";
        std::uint64_t size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        return std::to_string(size);
    }
    case 2: return acshell::NameExtension(data.cFileName);
    case 3: return acshell::DateTimeText(isFolder ? -1 : acshell::UnixSecondsOf(data.ftLastWriteTime));
    case 4: return std::to_string(data.dwFileAttributes);
    default: return {};
    }
}

// ---- TacShellFolder ---------------------------------------------------------------------------

namespace acshell {
std::unique_ptr<TacShellFolder>& DesktopObjectSlot() {
    static std::unique_ptr<TacShellFolder> desktop;
    return desktop;
}
}  // namespace acshell

TacShellFolder* ShellDesktopObject() {
    auto& desktop = acshell::DesktopObjectSlot();
    if (!desktop) {
        TIdList id = DesktopIdList();
        desktop = std::make_unique<TacShellFolder>(nullptr, ShellDesktop(), id.get());
    }
    return desktop.get();
}

TacShellFolder::TacShellFolder(TacShellFolder* parent, std::shared_ptr<IShellFolder> shellFolder,
                               LPCITEMIDLIST relativeId)
    : relativeId_(CopyIdList(relativeId)), parent_(parent), shellFolder_(std::move(shellFolder)) {
    if (parent) {
        absoluteId_ = JoinIdLists(parent->AbsoluteID(), relativeId);
    } else {
        TIdList desktopId = DesktopIdList();
        absoluteId_ = JoinIdLists(desktopId.get(), relativeId);
        // While the desktop object itself is made, it has no parent.
        if (acshell::DesktopObjectSlot()) parent_ = acshell::DesktopObjectSlot().get();
    }
    if (parent)
        for (TacShellFolder* above = parent->Parent(); above; above = above->Parent()) ++level_;
}

TacShellFolder::~TacShellFolder() = default;

std::shared_ptr<IShellFolder> TacShellFolder::ParentInterface() const {
    if (parent_ && parent_->ShellFolder()) return parent_->ShellFolder();
    return ShellDesktop();
}

TacItemAttributes TacShellFolder::Attributes() const {
    return ItemAttributes(ParentInterface().get(), RelativeID());
}

TacItemAbilities TacShellFolder::Abilities() const {
    return ItemAbilities(ParentInterface().get(), RelativeID());
}

bool TacShellFolder::HasSubFolders() const {
    return ItemHasSubFolders(ParentInterface().get(), RelativeID());
}

bool TacShellFolder::IsContainer(std::string_view name, bool openZipFiles) const {
    if (!openZipFiles && !name.empty() && acshell::LowerAscii(acshell::NameExtension(name)) == ".zip") return false;
    return ItemIsContainer(ParentInterface().get(), RelativeID());
}

std::string TacShellFolder::ParsingName() const {
    return ItemDisplayName(ShellDesktop().get(), AbsoluteID(), SHGDN_FORPARSING, TacShowExtension::seSystem);
}

std::string TacShellFolder::ShownName(TacShowExtension showExt) const {
    std::shared_ptr<IShellFolder> parent = ParentInterface();
    if (!parent) return "?";
    return ItemDisplayName(parent.get(), RelativeID(), SHGDN_INFOLDER, showExt);
}

int TacShellFolder::IconIndex(bool large) const {
    return ShellIconIndex(AbsoluteID(), large, false);
}

bool TacShellFolder::RenameTo(const std::string& newName) {
    if (!Abilities().Contains(TacItemAbility::caRename)) return false;
    // The folder refuses names with "/" or NUL, "." and "..", and never replaces another item.
    LPITEMIDLIST renamed = nullptr;
    if (ParentInterface()->SetNameOf(RelativeID(), newName, SHGDN_NORMAL, &renamed) != S_OK || !renamed) {
        FreeIdList(renamed);
        throw Exception(acshell::FormatMessageText("Rename to %s failed", newName));
    }
    relativeId_.reset(renamed);
    absoluteId_ = parent_ ? JoinIdLists(parent_->AbsoluteID(), renamed) : CopyIdList(renamed);
    columnTexts_.clear();
    columnsLoaded_ = false;
    return true;
}

void TacShellFolder::OpenWithShell() const {
    std::string path;
    if (!SHGetPathFromIDList(AbsoluteID(), path)) return;
    SHELLEXECUTEINFO info;
    info.lpFile = path;
    ShellExecuteEx(info);
}

void TacShellFolder::RunVerb(std::string_view verb) const {
    std::shared_ptr<IContextMenu> menu;
    LPCITEMIDLIST items[] = {RelativeID()};
    if (FAILED(CreateShellContextMenu(ParentInterface(), 1, items, menu)) || !menu) return;
    std::string verbText(verb);
    CMINVOKECOMMANDINFO info;
    info.fMask = CMIC_MASK_ASYNCOK;
    info.lpVerb = verbText.c_str();
    info.nShow = SW_SHOWNORMAL;
    menu->InvokeCommand(&info);
}

void TacShellFolder::ReadFindData(WIN32_FIND_DATA& data) const {
    data = WIN32_FIND_DATA{};
    DWORD error = 0;
    if (!parch::ReadFindData(ParsingName(), data, &error)) RaiseDetailsError(error ? error : ERROR_FILE_NOT_FOUND);
}

void TacShellFolder::RaiseDetailsError(DWORD code) const {
    char text[64];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(code));
    throw Exception("Unable to retrieve folder details for \"" + ShownName(TacShowExtension::seSystem) +
                    "\". Error code $" + text);
}

bool TacShellFolder::ChooseDetailsIntf() {
    if (!detailsChosen_ && shellFolder_) {
        detailsChosen_ = true;
        details_ = BindShellDetails(shellFolder_.get(), AbsoluteID(), ownerWindow_);
        if (!details_) {
            folder2_ = BindShellFolder2(shellFolder_.get(), AbsoluteID(), ownerWindow_);
            // The object's own folder serves when it is a folder-2 object.
            if (!folder2_) folder2_ = std::dynamic_pointer_cast<IShellFolder2>(shellFolder_);
        }
    }
    return folder2_ || details_;
}

std::shared_ptr<IShellFolder2> TacShellFolder::GetShellFolder2Intf() {
    ChooseDetailsIntf();
    return folder2_;
}

std::shared_ptr<IShellDetails> TacShellFolder::GetShellDetailsIntf() {
    ChooseDetailsIntf();
    return details_;
}

void TacShellFolder::LoadColumnDetails(TacShellFolder* rootFolder, HWND ownerWindow, int columnCount) {
    if (columnsLoaded_ && static_cast<int>(columnTexts_.size()) >= columnCount) return;
    columnTexts_.clear();
    ownerWindow_ = ownerWindow;
    std::shared_ptr<IShellFolder2> folder2 = rootFolder ? rootFolder->GetShellFolder2Intf() : nullptr;
    std::shared_ptr<IShellDetails> details = rootFolder && !folder2 ? rootFolder->GetShellDetailsIntf() : nullptr;
    if (folder2 || details) {
        for (int column = 1; column <= columnCount; ++column) {
            SHELLDETAILS answer;
            HRESULT result = folder2 ? folder2->GetDetailsOf(RelativeID(), column, &answer)
                                     : details->GetDetailsOf(RelativeID(), column, &answer);
            columnTexts_.push_back(SUCCEEDED(result) ? StrRetText(RelativeID(), answer.str) : std::string{});
        }
    } else if (rootFolder && rootFolder->Attributes().Contains(TacItemAttribute::iaFileSystem)) {
        WIN32_FIND_DATA data;
        ReadFindData(data);
        for (int column = 1; column <= columnCount; ++column) columnTexts_.push_back(FindDataColumnText(data, column));
    }
    columnsLoaded_ = true;
}

std::string TacShellFolder::ColumnText(int column) const {
    if (!columnsLoaded_)
        throw Exception(acshell::FormatMessageText("%s: Missing call to LoadColumnDetails",
                                                   ShownName(TacShowExtension::seSystem)));
    if (column < 1 || column > static_cast<int>(columnTexts_.size())) return {};
    return columnTexts_[column - 1];
}

std::unique_ptr<TacShellFolder> CreateRootFolder(LPCITEMIDLIST absoluteId) {
    std::shared_ptr<IShellFolder> folder = BindShellFolder(ShellDesktop().get(), absoluteId, nullptr);
    if (!folder) folder = ShellDesktop();
    return std::make_unique<TacShellFolder>(ShellDesktopObject(), std::move(folder), absoluteId);
}

void ShowShellError(const std::string& message) {
    MessageDlg(message, mtError, {mbOK}, 0);
}

std::unique_ptr<TacShellFolder> ChangeRootFolder(std::unique_ptr<TacShellFolder> oldRootObject,
                                                 const TacRoot& oldRoot, TacRoot& newRoot,
                                                 const TacErrorReporter& reportError) {
    TIdList id = acshell::ResolveRoot(newRoot);
    if (!id) {
        std::string message = acshell::FormatMessageText("Error Setting Path : %s", newRoot);
        newRoot = oldRoot;
        id = acshell::ResolveRoot(newRoot);
        if (!id) throw Exception(message);
        if (reportError) reportError(message);
    }
    std::unique_ptr<TacShellFolder> root = CreateRootFolder(id.get());
    oldRootObject.reset();
    return root;
}

// ---- Filling a folder view -------------------------------------------------------------------

namespace acshell {

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equally long texts, each mask character anyChar or the same letter.
bool SameLengthMatch(std::string_view name, std::string_view mask, char anyChar) {
    if (name.size() != mask.size()) return false;
    for (std::size_t i = 0; i < mask.size(); ++i)
        if (mask[i] != anyChar && FoldAscii(mask[i]) != FoldAscii(name[i])) return false;
    return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (FoldAscii(text[i]) != FoldAscii(prefix[i])) return false;
    return true;
}

bool AcceptedByFileMask(std::string_view fileMask, std::string_view name) {
    while (!fileMask.empty()) {
        std::size_t end = fileMask.find(';');
        std::string_view word = fileMask.substr(0, end);
        if (!word.empty() && MaskMatches(name, word)) return true;
        if (end == std::string_view::npos) break;
        fileMask.remove_prefix(end + 1);
    }
    return false;
}

}  // namespace acshell

bool MaskMatches(std::string_view name, std::string_view mask, char anyChar, char anyRun) {
    std::size_t firstRun = mask.find(anyRun);
    if (firstRun == std::string_view::npos)
        return !name.empty() && acshell::SameLengthMatch(name, mask, anyChar);
    std::string_view head = mask.substr(0, firstRun);
    if (name.size() < head.size() || !acshell::SameLengthMatch(name.substr(0, head.size()), head, anyChar))
        return false;
    std::string_view rest = name.substr(head.size());
    std::string_view pattern = mask.substr(firstRun);
    std::size_t lastRun = pattern.rfind(anyRun);
    std::string_view tail = pattern.substr(lastRun + 1);
    pattern = pattern.substr(0, lastRun + 1);
    // The segments between runs, each taken at its first place in what is left.
    while (!pattern.empty()) {
        std::size_t start = pattern.find_first_not_of(anyRun);
        if (start == std::string_view::npos) break;
        std::size_t end = pattern.find(anyRun, start);
        std::string_view segment = pattern.substr(start, end - start);
        pattern.remove_prefix(end);
        bool found = false;
        for (std::size_t at = 0; at + segment.size() <= rest.size(); ++at) {
            if (acshell::SameLengthMatch(rest.substr(at, segment.size()), segment, anyChar)) {
                rest.remove_prefix(at + segment.size());
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return rest.size() >= tail.size() && acshell::SameLengthMatch(rest.substr(rest.size() - tail.size()), tail, anyChar);
}

std::vector<std::unique_ptr<TacShellFolder>> EnumerateShellFolder(TacShellFolder& root, const TacFolderFill& fill) {
    std::vector<std::unique_ptr<TacShellFolder>> folders;
    IShellFolder* shellFolder = root.ShellFolder().get();
    std::shared_ptr<IEnumIDList> items;
    if (!shellFolder || shellFolder->EnumObjects(ObjectTypesToEnumFlags(fill.objectTypes), items) != S_OK || !items)
        return folders;
    LPITEMIDLIST next = nullptr;
    while (items->Next(1, &next, nullptr) == S_OK) {
        TIdList id(next);
        auto folder = std::make_unique<TacShellFolder>(&root, BindShellFolder(shellFolder, id.get(), nullptr), id.get());
        bool accepted = fill.fileMask.empty() || folder->IsContainer({}, true) ||
                        acshell::AcceptedByFileMask(fill.fileMask, folder->ShownName(TacShowExtension::seShow));
        if (fill.onAddFolder) fill.onAddFolder(folder.get(), accepted);
        if (accepted) folders.push_back(std::move(folder));
    }
    if (fill.sortItems) {
        // Containers first; between two of a kind, the folder's own order.
        std::vector<std::pair<bool, std::unique_ptr<TacShellFolder>>> keyed;
        for (auto& folder : folders) {
            bool container = folder->IsContainer({}, true);
            keyed.emplace_back(container, std::move(folder));
        }
        std::stable_sort(keyed.begin(), keyed.end(), [shellFolder](const auto& a, const auto& b) {
            if (a.first != b.first) return a.first;
            HRESULT order = shellFolder->CompareIDs(0, a.second->RelativeID(), b.second->RelativeID());
            return SUCCEEDED(order) && static_cast<std::int16_t>(order & 0xFFFF) < 0;
        });
        folders.clear();
        for (auto& [container, folder] : keyed) folders.push_back(std::move(folder));
    }
    return folders;
}

int FindNamePrefix(const std::function<std::string(int index)>& nameAt, int count, std::string_view prefix,
                   bool wrap, int start) {
    if (count <= 0) return -1;
    if (start < 0 || start >= count) start = 0;
    for (int visited = 0, index = start; visited < count; ++visited, ++index) {
        if (index == count) {
            if (!wrap) return -1;
            index = 0;
        }
        if (acshell::StartsWithIgnoringCase(nameAt(index), prefix)) return index;
    }
    return -1;
}

void TacShellComboItems::BuildRoot(TacRoot& root, const TacRoot& previousRoot, TacShellObjectTypes objectTypes,
                                   const TacErrorReporter& reportError) {
    items_.clear();
    itemIndex_ = -1;
    rootFolder_.reset();
    rootFolder_ = ChangeRootFolder(nullptr, previousRoot, root, reportError);
    root_ = root;
    previousRoot_ = previousRoot;
    objectTypes_ = objectTypes;
    InsertItem(0, std::make_unique<TacShellFolder>(nullptr, rootFolder_->ShellFolder(), rootFolder_->AbsoluteID()));
    AddChildItems(0, *items_[0].folder);
    if (root_ == "rfDesktop") {
        LPITEMIDLIST drives = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(CSIDL_DRIVES, &drives))) {
            TIdList owned(drives);
            int computer = IndexOfIdList(drives);
            if (computer >= 0) AddChildItems(computer, *items_[static_cast<std::size_t>(computer)].folder);
        }
    }
    itemIndex_ = 0;
}

void TacShellComboItems::SelectIdList(LPCITEMIDLIST absoluteId) {
    if (!absoluteId) return;
    TacRoot root = root_;
    BuildRoot(root, previousRoot_, objectTypes_, nullptr);
    std::vector<TIdList> chain = IdListPrefixes(absoluteId);
    chain.push_back(CopyIdList(absoluteId));
    // The longest prefix (or the ID itself) that is listed already.
    int listed = -1;
    std::size_t from = chain.size();
    while (from > 0 && listed < 0) listed = IndexOfIdList(chain[--from].get());
    if (listed < 0) return;
    for (std::size_t next = from + 1; next < chain.size(); ++next) {
        TacShellFolder& parent = *items_[static_cast<std::size_t>(listed)].folder;
        TIdList relative = LastIdItemCopy(chain[next].get());
        auto folder = std::make_unique<TacShellFolder>(
            &parent, BindShellFolder(parent.ShellFolder().get(), relative.get(), nullptr), relative.get());
        InsertItem(++listed, std::move(folder));
    }
    itemIndex_ = listed;
}

int TacShellComboItems::IndexOfIdList(LPCITEMIDLIST absoluteId) const {
    for (int index = static_cast<int>(items_.size()) - 1; index >= 0; --index)
        if (SameIdLists(items_[static_cast<std::size_t>(index)].folder->AbsoluteID(), absoluteId)) return index;
    return -1;
}

void TacShellComboItems::AddChildItems(int index, TacShellFolder& folder) {
    IShellFolder* shellFolder = folder.ShellFolder().get();
    std::shared_ptr<IEnumIDList> enumerator;
    if (!shellFolder || shellFolder->EnumObjects(ObjectTypesToEnumFlags(objectTypes_), enumerator) != S_OK || !enumerator)
        return;
    std::vector<TIdList> ids;
    LPITEMIDLIST next = nullptr;
    while (enumerator->Next(1, &next, nullptr) == S_OK) ids.emplace_back(next);
    std::stable_sort(ids.begin(), ids.end(), [shellFolder](const TIdList& a, const TIdList& b) {
        HRESULT order = shellFolder->CompareIDs(0, a.get(), b.get());
        return SUCCEEDED(order) && static_cast<std::int16_t>(order & 0xFFFF) < 0;
    });
    for (const TIdList& id : ids)
        InsertItem(++index, std::make_unique<TacShellFolder>(&folder, BindShellFolder(shellFolder, id.get(), nullptr), id.get()));
}

void TacShellComboItems::InsertItem(int index, std::unique_ptr<TacShellFolder> folder) {
    TacShellComboItem item;
    item.caption = folder->ShownName(TacShowExtension::seSystem);
    item.indent = folder->Level();
    item.folder = std::move(folder);
    items_.insert(items_.begin() + index, std::move(item));
}

// ---- Context menus ------------------------------------------------------------------------

namespace acshell {
std::shared_ptr<IContextMenu2>& TrackedMenuSlot() {
    static std::shared_ptr<IContextMenu2> tracked;
    return tracked;
}

// Sets the tracked menu for one scope and clears it on every way out.
class TrackedMenuScope {
public:
    explicit TrackedMenuScope(std::shared_ptr<IContextMenu2> menu) { TrackedMenuSlot() = std::move(menu); }
    ~TrackedMenuScope() { TrackedMenuSlot().reset(); }
    TrackedMenuScope(const TrackedMenuScope&) = delete;
    TrackedMenuScope& operator=(const TrackedMenuScope&) = delete;
};

// A popup menu destroyed with its holder.
class PopupMenuHandle {
public:
    PopupMenuHandle() : menu_(CreatePopupMenu()) {}
    ~PopupMenuHandle() {
        if (menu_) DestroyMenu(menu_);
    }
    PopupMenuHandle(const PopupMenuHandle&) = delete;
    PopupMenuHandle& operator=(const PopupMenuHandle&) = delete;
    HMENU Get() const { return menu_; }

private:
    HMENU menu_;
};

constexpr UINT kFirstShellCommand = 1;
constexpr UINT kLastShellCommand = 0x7FFF;
}  // namespace acshell

IContextMenu2* TrackedShellContextMenu() {
    return acshell::TrackedMenuSlot().get();
}

void ShowShellContextMenu(TWinControl* control, TacShellFolder* folder, int x, int y) {
    if (!folder || !control) return;
    std::shared_ptr<IContextMenu> shellMenu;
    LPCITEMIDLIST items[] = {folder->RelativeID()};
    if (FAILED(CreateShellContextMenu(folder->ParentInterface(), 1, items, shellMenu)) || !shellMenu) return;
    HWND window = control->Handle();
    POINT at = control->ClientToScreen({x, y});
    acshell::PopupMenuHandle popup;
    if (!popup.Get()) return;
    shellMenu->QueryContextMenu(popup.Get(), 0, acshell::kFirstShellCommand, acshell::kLastShellCommand,
                                CMF_EXPLORE | CMF_CANRENAME);
    UINT command = 0;
    {
        acshell::TrackedMenuScope tracking(std::dynamic_pointer_cast<IContextMenu2>(shellMenu));
        command = static_cast<UINT>(TrackPopupMenu(popup.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr));
    }
    if (command == 0) return;
    const UINT offset = command - acshell::kFirstShellCommand;
    char verbText[256] = {};
    shellMenu->GetCommandString(offset, GCS_VERBA, nullptr, verbText, sizeof verbText);
    const std::string verb = verbText;
    auto* verbHandler = dynamic_cast<IacShellVerbHandler*>(control);
    bool handled = false;
    bool succeeded = false;
    if (verbHandler) {
        verbHandler->HandleVerb(verb, handled);
        succeeded = handled;
    }
    if (!handled) {
        CMINVOKECOMMANDINFO info;
        info.hwnd = window;
        info.lpVerb = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(offset));
        info.nShow = SW_SHOWNORMAL;
        succeeded = shellMenu->InvokeCommand(&info) == S_OK;
    }
    if (verbHandler) verbHandler->VerbCompleted(verb, succeeded);
}

// ---- Change notification --------------------------------------------------------------------

DWORD NotifyFiltersToFlags(TacNotifyFilters filters) {
    DWORD flags = filters.Bits() & 0x1F;
    if (filters.Contains(TacNotifyFilter::nfSecurityChange)) flags |= FILE_NOTIFY_CHANGE_SECURITY;
    return flags;
}

TacShellChangeThread::TacShellChangeThread(TThreadMethod changeEvent)
    : changeEvent_(std::move(changeEvent)),
      stopEvent_(CreateEvent(true, false)),
      settingsEvent_(CreateEvent(false, false)) {}

TacShellChangeThread::~TacShellChangeThread() {
    {
        std::lock_guard guard(lock_);
        changeEvent_ = nullptr;
    }
    SetEvent(stopEvent_);
    // A started worker is always waited for, whether or not it has begun running: it uses the
    // members freed below.
    if (Started()) {
        Terminate();
        WaitFor();
    }
    for (HANDLE notification : {notification_, pendingNotification_})
        if (notification != INVALID_HANDLE_VALUE) FindCloseChangeNotification(notification);
    CloseHandle(stopEvent_);
    CloseHandle(settingsEvent_);
}

void TacShellChangeThread::Reconfigure(const std::string& directory, bool watchSubTree, DWORD notifyFlags) {
    // Armed here, before the caller goes on, so that no change made right after it is missed.
    HANDLE armed = FindFirstChangeNotification(directory, watchSubTree, notifyFlags);
    std::lock_guard guard(lock_);
    if (pendingNotification_ != INVALID_HANDLE_VALUE) FindCloseChangeNotification(pendingNotification_);
    pendingNotification_ = armed;
    settingsChanged_ = true;
    SetEvent(settingsEvent_);
}

void TacShellChangeThread::SetChangeEvent(TThreadMethod changeEvent) {
    std::lock_guard guard(lock_);
    changeEvent_ = std::move(changeEvent);
}

bool TacShellChangeThread::TakeNewSettings() {
    std::lock_guard guard(lock_);
    if (settingsChanged_) {
        if (notification_ != INVALID_HANDLE_VALUE) FindCloseChangeNotification(notification_);
        notification_ = pendingNotification_;
        pendingNotification_ = INVALID_HANDLE_VALUE;
        settingsChanged_ = false;
    }
    return notification_ != INVALID_HANDLE_VALUE;
}

bool TacShellChangeThread::SettingsPending() {
    std::lock_guard guard(lock_);
    return settingsChanged_;
}

void TacShellChangeThread::RunChangeEvent() {
    TThreadMethod event;
    {
        std::lock_guard guard(lock_);
        event = changeEvent_;
    }
    if (event) event();
}

void TacShellChangeThread::Execute() {
    // Only this thread replaces the notification it waits on; the GUI thread hands new ones over.
    if (!TakeNewSettings()) return;
    while (!Terminated()) {
        HANDLE waited[] = {notification_, stopEvent_, settingsEvent_};
        DWORD result = WaitForMultipleObjects(3, waited, false, INFINITE);
        if (result == WAIT_FAILED || result == WAIT_OBJECT_0 + 1) break;
        // A change seen by a watch that new settings replace already is left to the new one,
        // which was armed before the settings were handed over.
        if (result == WAIT_OBJECT_0 && !SettingsPending()) {
            try {
                Synchronize([this] { RunChangeEvent(); });
            } catch (const EThreadShutdown&) {
                break;
            }
            if (WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0) break;
            FindNextChangeNotification(notification_);
        }
        // A folder that cannot be watched ends the worker.
        if (!TakeNewSettings()) break;
    }
}

TacCustomShellChangeNotifier::TacCustomShellChangeNotifier(TComponent* owner)
    : TComponent(owner), quietTimer_(new TTimer(this)) {
    quietTimer_->SetEnabled(false);
    quietTimer_->SetInterval(kQuietMs);
    quietTimer_->SetOnTimer([this](TObject*) { QuietTimerElapsed(); });
    StartThread();
}

TacCustomShellChangeNotifier::~TacCustomShellChangeNotifier() {
    onChange_ = nullptr;
    // The worker's destructor clears its event, stops it and waits for it.
    thread_.reset();
}

void TacCustomShellChangeNotifier::SetNotifyFilters(TacNotifyFilters filters) {
    filters_ = filters;
    ApplySettings();
}

void TacCustomShellChangeNotifier::SetRoot(const TacRoot& root) {
    if (SameText(root, root_)) return;
    root_ = root;
    ApplySettings();
}

void TacCustomShellChangeNotifier::SetWatchSubTree(bool watch) {
    watchSubTree_ = watch;
    ApplySettings();
}

void TacCustomShellChangeNotifier::SetOnChange(TThreadMethod onChange) {
    onChange_ = std::move(onChange);
    if (!onChange_) {
        quietTimer_->SetEnabled(false);
        thread_.reset();
        return;
    }
    if (!thread_) StartThread();
}

void TacCustomShellChangeNotifier::StartThread() {
    if (!onChange_) return;
    thread_ = std::make_unique<TacShellChangeThread>([this] { ChangeReported(); });
    thread_->Reconfigure(root_, watchSubTree_, NotifyFiltersToFlags(filters_));
    thread_->Start();
}

void TacCustomShellChangeNotifier::ApplySettings() {
    if (thread_) thread_->Reconfigure(root_, watchSubTree_, NotifyFiltersToFlags(filters_));
}

void TacCustomShellChangeNotifier::ChangeReported() {
    // Each change restarts the wait, so a burst ends in one call.
    quietTimer_->SetEnabled(false);
    quietTimer_->SetEnabled(true);
}

void TacCustomShellChangeNotifier::QuietTimerElapsed() {
    quietTimer_->SetEnabled(false);
    if (onChange_) onChange_();
}

}  // namespace parch
