#include "platform/win/Menus.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/win/MenuBar.h"
#include "platform/win/MenuState.h"
#include "platform/win/WinState.h"

namespace parch::win {

namespace menus {

constexpr int kMaxDepth = 32;  // submenu nesting searched or destroyed; cycles stop here

struct MenuRecord {
    bool popup = false;
    std::vector<MenuItemRecord> items;
    MENUINFO info;
    HWND barOwner = nullptr;
    HWND systemOwner = nullptr;
};

struct MenuTable {
    std::unordered_map<HMENU, std::unique_ptr<MenuRecord>> menus;
    std::uintptr_t next = 0x30010;
};

// Guarded by the window system's lock.
MenuTable& Table() {
    static auto* table = new MenuTable;
    return *table;
}

MenuRecord* Find(HMENU menu) {
    auto it = Table().menus.find(menu);
    return it == Table().menus.end() ? nullptr : it->second.get();
}

MenuRecord* FindOrFail(HMENU menu) {
    MenuRecord* record = Find(menu);
    if (!record) SetLastError(ERROR_INVALID_PARAMETER);
    return record;
}

HMENU Make(bool popup) {
    Lock lock(S().mutex);
    auto handle = reinterpret_cast<HMENU>(Table().next);
    Table().next += 4;
    auto record = std::make_unique<MenuRecord>();
    record->popup = popup;
    Table().menus.emplace(handle, std::move(record));
    return handle;
}

std::optional<ItemPlace> Locate(HMENU menu, UINT item, bool byPosition, int depth) {
    MenuRecord* record = Find(menu);
    if (!record || depth > kMaxDepth) return std::nullopt;
    if (byPosition) {
        if (item >= record->items.size()) return std::nullopt;
        return ItemPlace{menu, static_cast<int>(item)};
    }
    // A plain item of this menu first, then the submenus in order; a submenu item answers to
    // its identifier only where nothing deeper does.
    std::optional<ItemPlace> popupMatch;
    for (std::size_t i = 0; i < record->items.size(); ++i) {
        const MenuItemRecord& it = record->items[i];
        if (it.subMenu) {
            if (auto deeper = Locate(it.subMenu, item, false, depth + 1)) return deeper;
            if (it.id == item && !popupMatch) popupMatch = ItemPlace{menu, static_cast<int>(i)};
        } else if (it.id == item) {
            return ItemPlace{menu, static_cast<int>(i)};
        }
    }
    return popupMatch;
}

MenuItemRecord* ItemAt(const ItemPlace& place) {
    MenuRecord* record = Find(place.menu);
    if (!record || place.position < 0 || place.position >= static_cast<int>(record->items.size())) return nullptr;
    return &record->items[static_cast<std::size_t>(place.position)];
}

MenuItemRecord* LocateItem(HMENU menu, UINT item, UINT flags) {
    auto place = Locate(menu, item, (flags & MF_BYPOSITION) != 0, 0);
    return place ? ItemAt(*place) : nullptr;
}

void DestroyTree(HMENU menu, int depth) {
    auto it = Table().menus.find(menu);
    if (it == Table().menus.end()) return;
    std::unique_ptr<MenuRecord> record = std::move(it->second);
    Table().menus.erase(it);
    if (depth > kMaxDepth) return;
    for (const MenuItemRecord& item : record->items)
        if (item.subMenu) DestroyTree(item.subMenu, depth + 1);
}

// An item as the classic calls describe it.
bool ItemFromFlags(UINT flags, UINT_PTR newItem, const char* text, MenuItemRecord& item) {
    item.type = flags & (MF_BITMAP | MF_MENUBARBREAK | MF_MENUBREAK | MF_OWNERDRAW | MF_SEPARATOR |
                         MF_RIGHTJUSTIFY | MFT_RADIOCHECK);
    item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
    if (item.state & (MF_GRAYED | MF_DISABLED)) item.state |= MFS_GRAYED;
    if (flags & MF_POPUP) {
        item.subMenu = reinterpret_cast<HMENU>(newItem);
        if (!Find(item.subMenu)) return false;
        item.id = static_cast<UINT>(newItem);
    } else {
        item.subMenu = nullptr;
        item.id = static_cast<UINT>(newItem);
    }
    if (flags & MF_OWNERDRAW) item.data = reinterpret_cast<UINT_PTR>(text);
    else if (flags & MF_BITMAP) item.bitmap = reinterpret_cast<HBITMAP>(const_cast<char*>(text));
    else if (!(flags & MF_SEPARATOR)) item.text = text ? text : "";
    return true;
}

bool Insert(HMENU menu, UINT position, bool byPosition, const MenuItemRecord& item) {
    Lock lock(S().mutex);
    MenuRecord* record = FindOrFail(menu);
    if (!record) return false;
    HMENU target = menu;
    std::size_t index = record->items.size();
    if (position != static_cast<UINT>(-1)) {
        auto place = Locate(menu, position, byPosition, 0);
        if (place) {
            target = place->menu;
            index = static_cast<std::size_t>(place->position);
        } else if (!byPosition) {
            return false;
        }
    }
    std::vector<MenuItemRecord>& items = Find(target)->items;
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(std::min(index, items.size())), item);
    return true;
}

void ApplyInfo(MenuItemRecord& item, const MENUITEMINFO& info) {
    if (info.fMask & MIIM_TYPE) {
        item.type = info.fType;
        if (info.fType & MFT_BITMAP) item.bitmap = reinterpret_cast<HBITMAP>(info.dwTypeData);
        else if (!(info.fType & (MFT_SEPARATOR | MFT_OWNERDRAW))) item.text = info.dwTypeData ? info.dwTypeData : "";
    }
    if (info.fMask & MIIM_FTYPE) item.type = (item.type & MFT_BITMAP) | (info.fType & ~MFT_BITMAP);
    if (info.fMask & MIIM_STRING) item.text = info.dwTypeData ? info.dwTypeData : "";
    if (info.fMask & MIIM_BITMAP) item.bitmap = info.hbmpItem;
    if (info.fMask & MIIM_STATE) item.state = info.fState;
    if (info.fMask & MIIM_ID) item.id = info.wID;
    if (info.fMask & MIIM_SUBMENU) item.subMenu = info.hSubMenu;
    if (info.fMask & MIIM_CHECKMARKS) {
        item.checked = info.hbmpChecked;
        item.unchecked = info.hbmpUnchecked;
    }
    if (info.fMask & MIIM_DATA) item.data = info.dwItemData;
}

// Copies text into a caller's buffer of size bytes, never cutting a character in half.
int CopyOut(const std::string& text, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return static_cast<int>(text.size());
    std::size_t n = std::min(text.size(), size - 1);
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

}  // namespace menus

std::optional<MenuSnapshot> ReadMenu(HMENU menu) {
    Lock lock(S().mutex);
    menus::MenuRecord* record = menus::Find(menu);
    if (!record) return std::nullopt;
    return MenuSnapshot{menu, record->popup, record->items, record->info};
}

std::optional<ItemPlace> FindMenuItem(HMENU menu, UINT item, bool byPosition) {
    Lock lock(S().mutex);
    return menus::Locate(menu, item, byPosition, 0);
}

void SetItemHilite(HMENU menu, int position, bool on) {
    Lock lock(S().mutex);
    if (MenuItemRecord* item = menus::ItemAt({menu, position})) {
        if (on) item->state |= MFS_HILITE;
        else item->state &= ~MFS_HILITE;
    }
}

std::string ItemLabel(const std::string& text) {
    return text.substr(0, text.find('\t'));
}

std::string ItemShortcutText(const std::string& text) {
    auto tab = text.find('\t');
    return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

char32_t ItemMnemonic(const std::string& text) {
    std::string label = ItemLabel(text);
    for (std::size_t i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != '&') continue;
        if (label[i + 1] == '&') {
            ++i;
            continue;
        }
        auto c = static_cast<unsigned char>(label[i + 1]);
        return c < 0x80 ? static_cast<char32_t>(std::tolower(c)) : c;
    }
    return 0;
}

bool IsPopupMenu(HMENU menu) {
    Lock lock(S().mutex);
    menus::MenuRecord* record = menus::Find(menu);
    return record && record->popup;
}

HWND MenuBarOwner(HMENU menu) {
    Lock lock(S().mutex);
    menus::MenuRecord* record = menus::Find(menu);
    return record ? record->barOwner : nullptr;
}

void SetMenuBarOwner(HMENU menu, HWND hwnd) {
    Lock lock(S().mutex);
    if (menus::MenuRecord* record = menus::Find(menu)) record->barOwner = hwnd;
}

HWND SystemMenuOwner(HMENU menu) {
    Lock lock(S().mutex);
    menus::MenuRecord* record = menus::Find(menu);
    return record ? record->systemOwner : nullptr;
}

void SetSystemMenuOwner(HMENU menu, HWND hwnd) {
    Lock lock(S().mutex);
    if (menus::MenuRecord* record = menus::Find(menu)) record->systemOwner = hwnd;
}

}  // namespace parch::win

namespace parch {

using namespace win;

HMENU CreateMenu() {
    return menus::Make(false);
}

HMENU CreatePopupMenu() {
    return menus::Make(true);
}

BOOL DestroyMenu(HMENU menu) {
    Lock lock(S().mutex);
    if (!menus::FindOrFail(menu)) return 0;
    menus::DestroyTree(menu, 0);
    return 1;
}

BOOL IsMenu(HMENU menu) {
    Lock lock(S().mutex);
    return menus::Find(menu) != nullptr;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR newItem, const char* text) {
    return InsertMenu(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, newItem, text);
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, const char* text) {
    MenuItemRecord item;
    {
        Lock lock(S().mutex);
        if (!menus::FindOrFail(menu) || !menus::ItemFromFlags(flags, newItem, text, item)) return 0;
    }
    return menus::Insert(menu, position, (flags & MF_BYPOSITION) != 0, item) ? 1 : 0;
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR newItem, const char* text) {
    Lock lock(S().mutex);
    MenuItemRecord* item = menus::LocateItem(menu, position, flags);
    if (!item) return 0;
    MenuItemRecord changed;
    if (!menus::ItemFromFlags(flags, newItem, text, changed)) return 0;
    // A submenu replaced by something else goes away, as Windows does it.
    if (item->subMenu && item->subMenu != changed.subMenu) menus::DestroyTree(item->subMenu, 0);
    *item = changed;
    return 1;
}

BOOL InsertMenuItem(HMENU menu, UINT position, BOOL byPosition, const MENUITEMINFO* info) {
    if (!info) return 0;
    MenuItemRecord item;
    menus::ApplyInfo(item, *info);
    return menus::Insert(menu, position, byPosition != 0, item) ? 1 : 0;
}

namespace {

BOOL TakeOut(HMENU menu, UINT position, UINT flags, bool destroySubMenu) {
    Lock lock(S().mutex);
    auto place = menus::Locate(menu, position, (flags & MF_BYPOSITION) != 0, 0);
    if (!place) return 0;
    auto& items = menus::Find(place->menu)->items;
    HMENU sub = items[static_cast<std::size_t>(place->position)].subMenu;
    items.erase(items.begin() + place->position);
    if (destroySubMenu && sub) menus::DestroyTree(sub, 0);
    return 1;
}

}  // namespace

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
    return TakeOut(menu, position, flags, false);
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
    return TakeOut(menu, position, flags, true);
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFO* info) {
    if (!info) return 0;
    Lock lock(S().mutex);
    MenuItemRecord* it = menus::LocateItem(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (!it) return 0;
    if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) info->fType = it->type;
    if (info->fMask & MIIM_STATE) info->fState = it->state;
    if (info->fMask & MIIM_ID) info->wID = it->id;
    if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it->subMenu;
    if (info->fMask & MIIM_CHECKMARKS) {
        info->hbmpChecked = it->checked;
        info->hbmpUnchecked = it->unchecked;
    }
    if (info->fMask & MIIM_DATA) info->dwItemData = it->data;
    if (info->fMask & MIIM_BITMAP) info->hbmpItem = it->bitmap;
    bool wantsText = (info->fMask & MIIM_STRING) ||
                     ((info->fMask & MIIM_TYPE) && !(it->type & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_BITMAP)));
    if (wantsText) {
        if (info->dwTypeData && info->cch > 0)
            info->cch = static_cast<UINT>(menus::CopyOut(it->text, info->dwTypeData, info->cch));
        else
            info->cch = static_cast<UINT>(it->text.size());
    }
    return 1;
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO* info) {
    if (!info) return 0;
    Lock lock(S().mutex);
    MenuItemRecord* it = menus::LocateItem(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (!it) return 0;
    if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu && !menus::Find(info->hSubMenu)) return 0;
    menus::ApplyInfo(*it, *info);
    return 1;
}

int GetMenuItemCount(HMENU menu) {
    Lock lock(S().mutex);
    menus::MenuRecord* record = menus::FindOrFail(menu);
    return record ? static_cast<int>(record->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    Lock lock(S().mutex);
    MenuItemRecord* it = position < 0 ? nullptr : menus::ItemAt({menu, position});
    if (!it || it->subMenu) return static_cast<UINT>(-1);
    return it->id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    Lock lock(S().mutex);
    MenuItemRecord* it = position < 0 ? nullptr : menus::ItemAt({menu, position});
    return it ? it->subMenu : nullptr;
}

UINT GetMenuState(HMENU menu, UINT id, UINT flags) {
    Lock lock(S().mutex);
    MenuItemRecord* it = menus::LocateItem(menu, id, flags);
    if (!it) return static_cast<UINT>(-1);
    UINT state = (it->type | it->state) & ~(MFT_RADIOCHECK | MFT_RIGHTORDER);
    if (it->state & MFS_GRAYED) state = (state & ~MFS_GRAYED) | MF_GRAYED | MF_DISABLED;
    if (it->subMenu) {
        menus::MenuRecord* sub = menus::Find(it->subMenu);
        UINT count = sub ? static_cast<UINT>(std::min<std::size_t>(sub->items.size(), 0xFF)) : 0;
        return (count << 8) | (state & 0xFF) | MF_POPUP;
    }
    return state;
}

int GetMenuString(HMENU menu, UINT id, char* buffer, int size, UINT flags) {
    Lock lock(S().mutex);
    MenuItemRecord* it = menus::LocateItem(menu, id, flags);
    if (!it) {
        if (buffer && size > 0) buffer[0] = 0;
        return 0;
    }
    return menus::CopyOut(it->text, buffer, size > 0 ? static_cast<std::size_t>(size) : 0);
}

DWORD CheckMenuItem(HMENU menu, UINT id, UINT check) {
    Lock lock(S().mutex);
    MenuItemRecord* it = menus::LocateItem(menu, id, check);
    if (!it) return static_cast<DWORD>(-1);
    DWORD old = it->state & MF_CHECKED;
    it->state = (check & MF_CHECKED) ? (it->state | MFS_CHECKED) : (it->state & ~MFS_CHECKED);
    return old;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
    Lock lock(S().mutex);
    bool byPosition = (flags & MF_BYPOSITION) != 0;
    auto firstPlace = menus::Locate(menu, first, byPosition, 0);
    auto lastPlace = menus::Locate(menu, last, byPosition, 0);
    auto checkPlace = menus::Locate(menu, check, byPosition, 0);
    if (!firstPlace || !lastPlace || !checkPlace || firstPlace->menu != lastPlace->menu ||
        checkPlace->menu != firstPlace->menu)
        return 0;
    auto& items = menus::Find(firstPlace->menu)->items;
    int from = std::min(firstPlace->position, lastPlace->position);
    int to = std::max(firstPlace->position, lastPlace->position);
    if (checkPlace->position < from || checkPlace->position > to) return 0;
    for (int i = from; i <= to; ++i) {
        MenuItemRecord& it = items[static_cast<std::size_t>(i)];
        if (it.subMenu || it.IsSeparator()) continue;
        if (i == checkPlace->position) {
            it.state |= MFS_CHECKED;
            it.type |= MFT_RADIOCHECK;
        } else {
            it.state &= ~MFS_CHECKED;
        }
    }
    return 1;
}

BOOL EnableMenuItem(HMENU menu, UINT id, UINT enable) {
    Lock lock(S().mutex);
    MenuItemRecord* it = menus::LocateItem(menu, id, enable);
    if (!it) return -1;
    BOOL old = static_cast<BOOL>(it->state & MFS_GRAYED);
    it->state = (it->state & ~MFS_GRAYED) | (enable & MFS_GRAYED);
    return old == MFS_GRAYED ? MF_GRAYED : static_cast<BOOL>(old);
}

BOOL HiliteMenuItem(HWND hwnd, HMENU menu, UINT id, UINT hilite) {
    {
        Lock lock(S().mutex);
        MenuItemRecord* it = menus::LocateItem(menu, id, hilite);
        if (!it) return 0;
        it->state = (hilite & MF_HILITE) ? (it->state | MFS_HILITE) : (it->state & ~MFS_HILITE);
    }
    if (hwnd && GetMenu(hwnd) == menu) RedrawMenuBar(hwnd);
    return 1;
}

UINT GetMenuDefaultItem(HMENU menu, UINT byPosition, UINT) {
    Lock lock(S().mutex);
    menus::MenuRecord* record = menus::FindOrFail(menu);
    if (!record) return static_cast<UINT>(-1);
    for (std::size_t i = 0; i < record->items.size(); ++i)
        if (record->items[i].state & MFS_DEFAULT) return byPosition ? static_cast<UINT>(i) : record->items[i].id;
    return static_cast<UINT>(-1);
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition) {
    Lock lock(S().mutex);
    menus::MenuRecord* record = menus::FindOrFail(menu);
    if (!record) return 0;
    int chosen = -1;
    if (item != static_cast<UINT>(-1)) {
        for (std::size_t i = 0; i < record->items.size() && chosen < 0; ++i)
            if (byPosition ? i == item : record->items[i].id == item) chosen = static_cast<int>(i);
        if (chosen < 0) return 0;
    }
    for (std::size_t i = 0; i < record->items.size(); ++i) {
        auto& state = record->items[i].state;
        state = static_cast<int>(i) == chosen ? (state | MFS_DEFAULT) : (state & ~MFS_DEFAULT);
    }
    return 1;
}

BOOL GetMenuInfo(HMENU menu, MENUINFO* info) {
    if (!info) return 0;
    Lock lock(S().mutex);
    menus::MenuRecord* record = menus::FindOrFail(menu);
    if (!record) return 0;
    const MENUINFO& m = record->info;
    if (info->fMask & MIM_STYLE) info->dwStyle = m.dwStyle;
    if (info->fMask & MIM_MAXHEIGHT) info->cyMax = m.cyMax;
    if (info->fMask & MIM_BACKGROUND) info->hbrBack = m.hbrBack;
    if (info->fMask & MIM_HELPID) info->dwContextHelpID = m.dwContextHelpID;
    if (info->fMask & MIM_MENUDATA) info->dwMenuData = m.dwMenuData;
    return 1;
}

namespace {

void StoreMenuInfo(HMENU menu, const MENUINFO& info, int depth) {
    menus::MenuRecord* record = menus::Find(menu);
    if (!record || depth > menus::kMaxDepth) return;
    MENUINFO& m = record->info;
    if (info.fMask & MIM_STYLE) m.dwStyle = info.dwStyle;
    if (info.fMask & MIM_MAXHEIGHT) m.cyMax = info.cyMax;
    if (info.fMask & MIM_BACKGROUND) m.hbrBack = info.hbrBack;
    if (info.fMask & MIM_HELPID) m.dwContextHelpID = info.dwContextHelpID;
    if (info.fMask & MIM_MENUDATA) m.dwMenuData = info.dwMenuData;
    if (info.fMask & MIM_APPLYTOSUBMENUS)
        for (const MenuItemRecord& item : record->items)
            if (item.subMenu) StoreMenuInfo(item.subMenu, info, depth + 1);
}

}  // namespace

BOOL SetMenuInfo(HMENU menu, const MENUINFO* info) {
    if (!info) return 0;
    Lock lock(S().mutex);
    if (!menus::FindOrFail(menu)) return 0;
    StoreMenuInfo(menu, *info, 0);
    return 1;
}

}  // namespace parch
