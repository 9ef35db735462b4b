#pragma once
// The model under the shell controls: item-ID list routines, TacShellFolder (one namespace
// item with its parent chain, its folder interfaces and its column texts), the resolution of a
// root given as a special-folder name or a path, display names, icons, attributes and verbs;
// and TacShellChangeNotifier, which watches a folder on a worker thread and tells the GUI
// thread about changes.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "base/Classes.h"
#include "framework/Thread.h"
#include "framework/Timer.h"
#include "framework/WinControls.h"
#include "platform/os/FindFiles.h"
#include "platform/os/ShellNamespace.h"
#include "platform/win/ImageLists.h"
#include "platform/win/ShellContextMenu.h"

namespace parch {

// ---- Item-ID lists --------------------------------------------------------------------------

struct IdListDeleter {
    void operator()(ITEMIDLIST* list) const;
};
// An item-ID list owned by its holder, freed with the shell allocator.
using TIdList = std::unique_ptr<ITEMIDLIST, IdListDeleter>;

// Size bytes of the shell allocator, zero-filled; nullptr when it gives none.
void* ShellAllocZero(std::size_t size);
// The item after the first; nullptr for nullptr or the empty list.
LPITEMIDLIST NextIdItem(LPCITEMIDLIST id);
// Writes the terminator over the last item, in place; nothing for nullptr.
void DropLastIdItem(LPITEMIDLIST id);
UINT IdItemCount(LPCITEMIDLIST id);
// Bytes of all items plus 2 for the terminator; 0 for nullptr.
UINT IdListSize(LPCITEMIDLIST id);
TIdList CopyIdList(LPCITEMIDLIST id);
// First's items (none when first is nullptr) followed by the whole of second.
TIdList JoinIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second);
void FreeIdList(LPITEMIDLIST id);
// The last item alone: the relative ID of an absolute one.
TIdList LastIdItemCopy(LPCITEMIDLIST id);
// The proper prefixes of id, shortest first: the empty list, the first item, the first two
// items, ..., all but the last item.
std::vector<TIdList> IdListPrefixes(LPCITEMIDLIST id);
// The desktop folder's CompareIDs says the two name the same item.
bool SameIdLists(LPCITEMIDLIST a, LPCITEMIDLIST b);
// The desktop's (empty) ID. EOleError when the shell gives none.
TIdList DesktopIdList();

// ---- Shell routines -------------------------------------------------------------------------

// A failed call to the shell that the model cannot do without.
class EOleError : public Exception {
public:
    using Exception::Exception;
};

// The desktop's folder interface; EOleError when the shell gives none.
std::shared_ptr<IShellFolder> ShellDesktop();

// Item attributes, read from the item's parent folder; bit order as the properties show them.
enum class TacItemAttribute { iaHidden, iaLink, iaReadOnly, iaShared, iaFileSystem, iaFileSysAncestor, iaRemovable, iaValidate };
enum class TacItemAbility { caCopy, caDelete, caLink, caMove, caRename, caDropTarget, caPropSheet };

// A small set of enumeration values, one bit each, in declaration order.
template <class E>
class TacFlagSet {
public:
    constexpr TacFlagSet() = default;
    constexpr TacFlagSet(std::initializer_list<E> values) {
        for (E value : values) Include(value);
    }
    constexpr bool Contains(E value) const { return (bits_ & Bit(value)) != 0; }
    constexpr void Include(E value) { bits_ |= Bit(value); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr unsigned Bits() const { return bits_; }
    constexpr bool operator==(const TacFlagSet&) const = default;

private:
    static constexpr unsigned Bit(E value) { return 1u << static_cast<unsigned>(value); }
    unsigned bits_ = 0;
};

using TacItemAttributes = TacFlagSet<TacItemAttribute>;
using TacItemAbilities = TacFlagSet<TacItemAbility>;

enum class TacShellObjectType { otFolders, otNonFolders, otHidden };
using TacShellObjectTypes = TacFlagSet<TacShellObjectType>;

// How file extensions appear in display names: as the shell shows them, always, never.
enum class TacShowExtension { seSystem, seShow, seHide };

// The special folders a root can name, in the order of their names' index.
enum class TacRootFolder {
    rfDesktop, rfMyComputer, rfNetwork, rfRecycleBin, rfAppData, rfCommonDesktopDirectory, rfCommonPrograms,
    rfCommonStartMenu, rfCommonStartup, rfControlPanel, rfDesktopDirectory, rfFavorites, rfFonts, rfInternet,
    rfPersonal, rfPrinters, rfPrintHood, rfPrograms, rfRecent, rfSendTo, rfStartMenu, rfStartup, rfTemplates
};
// A root: one of the TacRootFolder names, or a path.
using TacRoot = std::string;

// The index of a TacRootFolder name (exactly as written), -1 for anything else.
int RootFolderIndex(std::string_view name);
// The special-folder number a root name stands for.
int RootFolderCsidl(TacRootFolder folder);

// The system image lists and an item's index in them.
HIMAGELIST ShellSmallImages();
int ShellIconIndex(LPCITEMIDLIST absoluteId, bool large, bool open);

TacItemAttributes ItemAttributes(IShellFolder* parentFolder, LPCITEMIDLIST relativeId);
TacItemAbilities ItemAbilities(IShellFolder* parentFolder, LPCITEMIDLIST relativeId);
bool ItemIsContainer(IShellFolder* parentFolder, LPCITEMIDLIST relativeId);
bool ItemHasSubFolders(IShellFolder* parentFolder, LPCITEMIDLIST relativeId);
// The folder enumerates at least one item with these flags.
bool FolderHasItems(IShellFolder* folder, SHCONTF flags);

// The text of a returned name. A text that starts with "?" and a digit (the shell's marks of
// untranslated names) has every "?" removed.
std::string StrRetText(LPCITEMIDLIST id, const STRRET& name);
std::string ItemDisplayName(IShellFolder* parentFolder, LPCITEMIDLIST id, SHGDNF flags, TacShowExtension showExt);
SHCONTF ObjectTypesToEnumFlags(TacShellObjectTypes types);

// The folder interface of an item of folder; falls back to the desktop's binding.
std::shared_ptr<IShellFolder> BindShellFolder(IShellFolder* folder, LPCITEMIDLIST id, HWND ownerWindow);
std::shared_ptr<IShellDetails> BindShellDetails(IShellFolder* folder, LPCITEMIDLIST id, HWND ownerWindow);
std::shared_ptr<IShellFolder2> BindShellFolder2(IShellFolder* folder, LPCITEMIDLIST id, HWND ownerWindow);

// The text of one find-data column: 1 size in bytes (-1 for folders), 2 extension,
// 3 last-write time, 4 attributes as a number; "" for others.
std::string FindDataColumnText(const WIN32_FIND_DATA& data, int column);

// ---- TacShellFolder ---------------------------------------------------------------------------

class TacShellFolder : public TObject {
public:
    // parent nullptr: the item belongs to the desktop object. relativeId is copied.
    TacShellFolder(TacShellFolder* parent, std::shared_ptr<IShellFolder> shellFolder, LPCITEMIDLIST relativeId);
    ~TacShellFolder() override;
    TacShellFolder(const TacShellFolder&) = delete;
    TacShellFolder& operator=(const TacShellFolder&) = delete;

    TacShellFolder* Parent() const { return parent_; }
    LPCITEMIDLIST RelativeID() const { return relativeId_.get(); }
    LPCITEMIDLIST AbsoluteID() const { return absoluteId_.get(); }
    // The item's own folder interface; null for items that are no containers.
    const std::shared_ptr<IShellFolder>& ShellFolder() const { return shellFolder_; }
    int Level() const { return level_; }

    // The parent object's folder, or the desktop's when there is no parent.
    std::shared_ptr<IShellFolder> ParentInterface() const;
    TacItemAttributes Attributes() const;
    TacItemAbilities Abilities() const;
    bool HasSubFolders() const;
    // False for a ".zip" name when openZipFiles is off; otherwise whether the item is a folder.
    bool IsContainer(std::string_view name, bool openZipFiles) const;
    // The path of file-system items.
    std::string ParsingName() const;
    // The in-folder name; "?" when no folder interface answers.
    std::string ShownName(TacShowExtension showExt) const;
    int IconIndex(bool large) const;

    // Renames the item within its folder; false when it cannot be renamed at all. A name with
    // "/" or NUL, "." or "..", or one already taken raises "Rename to %s failed".
    bool RenameTo(const std::string& newName);
    // The item's default action with the desktop's opener.
    void OpenWithShell() const;
    void RunVerb(std::string_view verb) const;
    // The find data of the item's path; raises "Unable to retrieve folder details..." when the
    // item cannot be read.
    void ReadFindData(WIN32_FIND_DATA& data) const;

    // Columns 1..columnCount of the item as rootFolder (the folder holding it) reports them.
    void LoadColumnDetails(TacShellFolder* rootFolder, HWND ownerWindow, int columnCount);
    // Column texts from 1; raises when LoadColumnDetails was not called.
    std::string ColumnText(int column) const;

    std::shared_ptr<IShellFolder2> GetShellFolder2Intf();
    std::shared_ptr<IShellDetails> GetShellDetailsIntf();

private:
    // Binds the details interfaces once; answers whether either is there.
    bool ChooseDetailsIntf();
    [[noreturn]] void RaiseDetailsError(DWORD code) const;

    TIdList relativeId_;
    TIdList absoluteId_;
    TacShellFolder* parent_;
    std::shared_ptr<IShellFolder> shellFolder_;
    std::shared_ptr<IShellFolder2> folder2_;
    std::shared_ptr<IShellDetails> details_;
    bool detailsChosen_ = false;
    int level_ = 0;
    HWND ownerWindow_ = nullptr;
    std::vector<std::string> columnTexts_;
    bool columnsLoaded_ = false;
};

// The desktop object: the parent of every item made without one. Made on first use.
TacShellFolder* ShellDesktopObject();

// A new object for an absolute ID, a child of the desktop object.
std::unique_ptr<TacShellFolder> CreateRootFolder(LPCITEMIDLIST absoluteId);

using TacErrorReporter = std::function<void(const std::string& message)>;
// Shows an error box.
void ShowShellError(const std::string& message);

// The object for newRoot. When newRoot cannot be resolved, newRoot becomes oldRoot and the
// failure "Error Setting Path : %s" is reported; when oldRoot cannot be resolved either, that
// text is raised instead. The old object, when given, is freed.
std::unique_ptr<TacShellFolder> ChangeRootFolder(std::unique_ptr<TacShellFolder> oldRootObject,
                                                 const TacRoot& oldRoot, TacRoot& newRoot,
                                                 const TacErrorReporter& reportError = ShowShellError);

// ---- Filling a folder view -------------------------------------------------------------------

// A file-name mask of anyChar (one character) and anyRun (any run, also empty); letters
// compare ignoring ASCII case. Without anyRun both must be equally long, at least one character.
bool MaskMatches(std::string_view name, std::string_view mask, char anyChar = '?', char anyRun = '*');

// May refuse an item the folder enumerates.
using TacAddFolderEvent = std::function<void(TacShellFolder* folder, bool& canAdd)>;

struct TacFolderFill {
    TacShellObjectTypes objectTypes{TacShellObjectType::otFolders, TacShellObjectType::otNonFolders};
    // Patterns separated by ";"; empty takes every item. Containers are always taken.
    std::string fileMask;
    // Containers first, then in the folder's own order.
    bool sortItems = true;
    TacAddFolderEvent onAddFolder;
};

// The items of root's folder as a folder view shows them; empty when it cannot be listed.
std::vector<std::unique_ptr<TacShellFolder>> EnumerateShellFolder(TacShellFolder& root, const TacFolderFill& fill);

// Incremental search: the first index from start on whose name begins with prefix (ignoring
// ASCII case), going on at 0 after the last item only with wrap; each item is looked at once.
// A start outside the list begins at 0. -1 when none matches.
int FindNamePrefix(const std::function<std::string(int index)>& nameAt, int count, std::string_view prefix,
                   bool wrap, int start);

// What a shell combo box lists: the root, its children (indented by one), the drives below
// Computer when the root is the desktop, and the chain of folders down to a selected item,
// each indented by its depth.
struct TacShellComboItem {
    std::unique_ptr<TacShellFolder> folder;
    std::string caption;
    int indent = 0;
};

class TacShellComboItems {
public:
    // Starts again from root (falling back to previousRoot, see ChangeRootFolder); root may be
    // changed to the one that stands.
    void BuildRoot(TacRoot& root, const TacRoot& previousRoot, TacShellObjectTypes objectTypes,
                   const TacErrorReporter& reportError = ShowShellError);
    // Rebuilds around an item: the chain down to it is added below the nearest listed
    // ancestor and it becomes the selected item. Nothing is added when no ancestor is listed.
    void SelectIdList(LPCITEMIDLIST absoluteId);
    // The last item whose folder names this ID; -1 when none.
    int IndexOfIdList(LPCITEMIDLIST absoluteId) const;

    const std::vector<TacShellComboItem>& Items() const { return items_; }
    int ItemIndex() const { return itemIndex_; }

private:
    // A folder that cannot be listed keeps no children.
    void AddChildItems(int index, TacShellFolder& folder);
    void InsertItem(int index, std::unique_ptr<TacShellFolder> folder);

    TacRoot root_;
    TacRoot previousRoot_;
    TacShellObjectTypes objectTypes_;
    std::unique_ptr<TacShellFolder> rootFolder_;
    std::vector<TacShellComboItem> items_;
    int itemIndex_ = -1;
};

// ---- Context menus ------------------------------------------------------------------------

// Implemented by controls that take part in the commands of an item's context menu.
class IacShellVerbHandler {
public:
    virtual ~IacShellVerbHandler() = default;
    // Handled true: the control did what the verb asks; the menu does nothing more.
    virtual void HandleVerb(const std::string& verb, bool& handled) = 0;
    virtual void VerbCompleted(const std::string& verb, bool succeeded) = 0;
};

// Shows the shell's menu for folder's item at (x, y) of control's client area and carries out
// the command chosen. Nothing for a null folder.
void ShowShellContextMenu(TWinControl* control, TacShellFolder* folder, int x, int y);
// The menu being tracked, while one is open: the controls forward the menu's owner-draw and
// submenu messages to it.
IContextMenu2* TrackedShellContextMenu();

// ---- Change notification --------------------------------------------------------------------

enum class TacNotifyFilter { nfFileNameChange, nfDirNameChange, nfAttributeChange, nfSizeChange, nfWriteChange, nfSecurityChange };
using TacNotifyFilters = TacFlagSet<TacNotifyFilter>;
DWORD NotifyFiltersToFlags(TacNotifyFilters filters);

// Waits for changes of one folder and runs the change event on the GUI thread for each. The
// event and the watch settings are read and written under one lock; the event is read on the
// GUI thread at the moment it runs, so clearing it stops every call not yet run. New settings
// are armed by the caller at once and wake the worker, which then waits on them.
class TacShellChangeThread : public TThread {
public:
    explicit TacShellChangeThread(TThreadMethod changeEvent);
    // Stops the worker and waits for it when it was started, serving its pending call (which
    // then finds no event to run).
    ~TacShellChangeThread() override;

    void Reconfigure(const std::string& directory, bool watchSubTree, DWORD notifyFlags);
    void SetChangeEvent(TThreadMethod changeEvent);

protected:
    void Execute() override;

private:
    // Takes the notification that Reconfigure armed, closing the one before; false when the
    // worker has nothing to wait on.
    bool TakeNewSettings();
    bool SettingsPending();
    void RunChangeEvent();

    std::mutex lock_;
    HANDLE notification_ = INVALID_HANDLE_VALUE;         // the worker's own
    HANDLE pendingNotification_ = INVALID_HANDLE_VALUE;  // armed by Reconfigure, not yet taken
    bool settingsChanged_ = false;
    TThreadMethod changeEvent_;
    HANDLE stopEvent_;      // manual reset: set once, by the destructor
    HANDLE settingsEvent_;  // auto reset: set by Reconfigure
};

// Watches Root and calls OnChange on the GUI thread once a burst of changes has been quiet
// for QuietMs on the window system's clock, so that many changes cost one refresh.
class TacCustomShellChangeNotifier : public TComponent {
public:
    static constexpr unsigned kQuietMs = 100;

    explicit TacCustomShellChangeNotifier(TComponent* owner);
    ~TacCustomShellChangeNotifier() override;

    TacNotifyFilters NotifyFilters() const { return filters_; }
    void SetNotifyFilters(TacNotifyFilters filters);
    const TacRoot& Root() const { return root_; }
    void SetRoot(const TacRoot& root);
    bool WatchSubTree() const { return watchSubTree_; }
    void SetWatchSubTree(bool watch);
    const TThreadMethod& OnChange() const { return onChange_; }
    void SetOnChange(TThreadMethod onChange);
    // Whether a worker watches now (it exists while OnChange is assigned).
    bool Watching() const { return thread_ != nullptr; }

private:
    void StartThread();
    void ApplySettings();
    // On the GUI thread for each change the worker reports: (re)starts the quiet timer.
    void ChangeReported();
    void QuietTimerElapsed();

    TacNotifyFilters filters_{TacNotifyFilter::nfFileNameChange, TacNotifyFilter::nfDirNameChange};
    TacRoot root_ = "C:\\";
    bool watchSubTree_ = true;
    TThreadMethod onChange_;
    TTimer* quietTimer_;  // owned as a component
    std::unique_ptr<TacShellChangeThread> thread_;
};

class TacShellChangeNotifier : public TacCustomShellChangeNotifier {
public:
    using TacCustomShellChangeNotifier::TacCustomShellChangeNotifier;
};

}  // namespace parch
