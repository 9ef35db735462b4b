#include "platform/win/Mdi.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/Drawing.h"
#include "platform/gdi/IconObjects.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/MenuBar.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/SystemIcons.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSideTable.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace mdi {

constexpr UINT kKeyF6 = 0x75;
constexpr std::size_t kWindowMenuLimit = 9;  // children listed in the window menu

// Item data of the owner-drawn items a maximized child puts into the frame's menu bar.
constexpr UINT_PTR kBarIconData = 0x4D444901;
constexpr UINT_PTR kBarMinimizeData = 0x4D444902;
constexpr UINT_PTR kBarRestoreData = 0x4D444903;
constexpr UINT_PTR kBarCloseData = 0x4D444904;

struct ClientState {
    HWND frame = nullptr;
    HMENU windowMenu = nullptr;
    UINT firstId = 0;
    bool allChildStyles = false;
    HWND active = nullptr;
    std::vector<HWND> children;  // in creation order, which numbers them
    bool switching = false;      // activation under way: the children's own requests wait
    bool creating = false;       // WM_MDICREATE is making a child
    HWND buttonsFor = nullptr;   // the maximized child whose buttons are in the frame's bar
    HMENU buttonsIn = nullptr;   // the bar holding them
    HMENU systemPopup = nullptr; // the popup behind the bar's icon item (owned)
    HMENU listedIn = nullptr;    // the window menu holding the entries made for the children
    std::vector<UINT> listedIds; // their commands
};

WindowSideTable<ClientState>& Clients() {
    static WindowSideTable<ClientState> table;  // guarded by the window system's lock
    return table;
}

std::optional<ClientState> Read(HWND client) {
    Lock lock(S().mutex);
    ClientState* s = Clients().Find(client);
    if (!s) return std::nullopt;
    return *s;
}

template <typename F>
void Modify(HWND client, F&& f) {
    Lock lock(S().mutex);
    if (ClientState* s = Clients().Find(client)) f(*s);
}

bool IsClient(HWND hwnd) {
    Lock lock(S().mutex);
    return Clients().Find(hwnd) != nullptr;
}

// The client a child belongs to (null when its parent is no MDI client).
HWND ClientOf(HWND child) {
    HWND parent = GetParent(child);
    return parent && IsClient(parent) ? parent : nullptr;
}

bool Listed(const ClientState& s, HWND child) {
    return std::find(s.children.begin(), s.children.end(), child) != s.children.end();
}

bool Visible(HWND hwnd) { return (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

// The client's children from the top of the z-order down.
std::vector<HWND> InZOrder(HWND client, const ClientState& s) {
    std::vector<HWND> order;
    for (HWND h = GetWindow(client, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (Listed(s, h)) order.push_back(h);
    return order;
}

RECT ClientArea(HWND client) {
    RECT r{};
    GetClientRect(client, &r);
    return r;
}

int StaggerStep() { return GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME); }

// Cascaded windows are three quarters of the area; they step down and right until the next
// step would leave the area, then start again at the top-left corner.
struct Cascade {
    SIZE size;
    int slots;
};

Cascade CascadeIn(const RECT& area) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    SIZE size{std::max(width * 3 / 4, 1), std::max(height * 3 / 4, 1)};
    int step = StaggerStep();
    int room = std::min(width - size.cx, height - size.cy);
    return {size, std::max(1, room / step + 1)};
}

RECT CascadeSlot(const RECT& area, const Cascade& c, int index) {
    int offset = (index % c.slots) * StaggerStep();
    return {area.left + offset, area.top + offset, area.left + offset + c.size.cx, area.top + offset + c.size.cy};
}

void Place(HWND hwnd, const RECT& r) {
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// The rectangle a maximized child takes: its frame and caption just outside the client.
RECT MaximizedIn(HWND client, HWND child) {
    RECT r = ClientArea(client);
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtr(child, GWL_STYLE)), 0,
                       static_cast<DWORD>(GetWindowLongPtr(child, GWL_EXSTYLE)));
    return r;
}

// ---- the window menu ----

std::string EntryText(int number, HWND child) {
    char title[256] = {};
    GetWindowText(child, title, sizeof title);
    return "&" + std::to_string(number) + " " + title;
}

void Unlist(HWND client) {
    auto s = Read(client);
    if (!s || !s->listedIn || !IsMenu(s->listedIn)) return;
    for (UINT id : s->listedIds) DeleteMenu(s->listedIn, id, MF_BYCOMMAND);
    int last = GetMenuItemCount(s->listedIn) - 1;
    if (last >= 0 && (GetMenuState(s->listedIn, static_cast<UINT>(last), MF_BYPOSITION) & MF_SEPARATOR))
        DeleteMenu(s->listedIn, static_cast<UINT>(last), MF_BYPOSITION);
    Modify(client, [](ClientState& st) {
        st.listedIn = nullptr;
        st.listedIds.clear();
    });
}

void RefreshWindowMenu(HWND client) {
    Unlist(client);
    auto s = Read(client);
    if (!s || !s->windowMenu || !IsMenu(s->windowMenu)) return;
    std::vector<UINT> ids;
    for (std::size_t i = 0; i < s->children.size() && ids.size() < kWindowMenuLimit; ++i) {
        HWND child = s->children[i];
        if (!IsWindow(child) || !Visible(child)) continue;
        if (ids.empty()) AppendMenu(s->windowMenu, MF_SEPARATOR, 0, nullptr);
        UINT flags = MF_STRING | (child == s->active ? MF_CHECKED : MF_UNCHECKED);
        auto id = static_cast<UINT>(s->firstId + i);
        AppendMenu(s->windowMenu, flags, id, EntryText(static_cast<int>(i) + 1, child).c_str());
        ids.push_back(id);
    }
    Modify(client, [&](ClientState& st) {
        st.listedIn = ids.empty() ? nullptr : st.windowMenu;
        st.listedIds = std::move(ids);
    });
}

// ---- the maximized child's items in the frame's menu bar ----

HMENU SystemPopupFor(HWND child) {
    DWORD style = static_cast<DWORD>(GetWindowLongPtr(child, GWL_STYLE));
    HMENU popup = CreatePopupMenu();
    AppendMenu(popup, MF_STRING, SC_RESTORE, "&Restore");
    AppendMenu(popup, MF_STRING | MF_GRAYED, SC_MOVE, "&Move");
    AppendMenu(popup, MF_STRING | MF_GRAYED, SC_SIZE, "&Size");
    AppendMenu(popup, MF_STRING | ((style & WS_MINIMIZEBOX) ? 0 : MF_GRAYED), SC_MINIMIZE, "Mi&nimize");
    AppendMenu(popup, MF_STRING | MF_GRAYED, SC_MAXIMIZE, "Ma&ximize");
    AppendMenu(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenu(popup, MF_STRING, SC_CLOSE, "&Close\tCtrl+F4");
    AppendMenu(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenu(popup, MF_STRING, SC_NEXTWINDOW, "Nex&t\tCtrl+F6");
    return popup;
}

void InsertBarButton(HMENU bar, UINT id, UINT_PTR data) {
    MENUITEMINFO info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    info.fType = MFT_OWNERDRAW | MFT_RIGHTJUSTIFY;
    info.wID = id;
    info.dwItemData = data;
    InsertMenuItem(bar, static_cast<UINT>(GetMenuItemCount(bar)), 1, &info);
}

bool IsBarItem(HMENU bar, UINT position, UINT_PTR data) {
    MENUITEMINFO info;
    info.fMask = MIIM_DATA | MIIM_FTYPE;
    return GetMenuItemInfo(bar, position, 1, &info) && (info.fType & MFT_OWNERDRAW) && info.dwItemData == data;
}

void HideBarButtons(HWND client) {
    auto s = Read(client);
    if (!s || !s->buttonsFor) return;
    HMENU bar = s->buttonsIn;
    if (bar && IsMenu(bar)) {
        for (int i = GetMenuItemCount(bar) - 1; i >= 0; --i) {
            auto position = static_cast<UINT>(i);
            if (IsBarItem(bar, position, kBarMinimizeData) || IsBarItem(bar, position, kBarRestoreData) ||
                IsBarItem(bar, position, kBarCloseData) || IsBarItem(bar, position, kBarIconData))
                RemoveMenu(bar, position, MF_BYPOSITION);
        }
    }
    if (s->systemPopup) DestroyMenu(s->systemPopup);
    Modify(client, [](ClientState& st) {
        st.buttonsFor = nullptr;
        st.buttonsIn = nullptr;
        st.systemPopup = nullptr;
    });
    if (s->frame) DrawMenuBar(s->frame);
}

void ShowBarButtons(HWND client, HWND child) {
    auto s = Read(client);
    if (!s) return;
    HMENU bar = s->frame ? GetMenu(s->frame) : nullptr;
    if (s->buttonsFor == child && s->buttonsIn == bar) return;
    HideBarButtons(client);
    if (!bar) return;
    HMENU popup = SystemPopupFor(child);
    MENUITEMINFO icon;
    icon.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_DATA | MIIM_ID;
    icon.fType = MFT_OWNERDRAW;
    icon.hSubMenu = popup;
    icon.dwItemData = kBarIconData;
    InsertMenuItem(bar, 0, 1, &icon);
    DWORD style = static_cast<DWORD>(GetWindowLongPtr(child, GWL_STYLE));
    if (style & WS_MINIMIZEBOX) InsertBarButton(bar, SC_MINIMIZE, kBarMinimizeData);
    InsertBarButton(bar, SC_RESTORE, kBarRestoreData);
    InsertBarButton(bar, SC_CLOSE, kBarCloseData);
    Modify(client, [&](ClientState& st) {
        st.buttonsFor = child;
        st.buttonsIn = bar;
        st.systemPopup = popup;
    });
    DrawMenuBar(s->frame);
}

HICON SmallIconOf(HWND child) {
    auto icon = reinterpret_cast<HICON>(SendMessage(child, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtr(child, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessage(child, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = LoadIcon(nullptr, IDI_APPLICATION);
    return icon;
}

bool MeasureBarItem(MEASUREITEMSTRUCT* m) {
    if (!m || m->CtlType != ODT_MENU) return false;
    int height = GetSystemMetrics(SM_CYMENU);
    if (m->itemData == kBarIconData) {
        m->itemWidth = static_cast<UINT>(GetSystemMetrics(SM_CXSMICON) + 6);
    } else if (m->itemData == kBarMinimizeData || m->itemData == kBarRestoreData || m->itemData == kBarCloseData) {
        m->itemWidth = static_cast<UINT>(height);
    } else {
        return false;
    }
    m->itemHeight = static_cast<UINT>(height);
    return true;
}

bool DrawBarItem(HWND client, const DRAWITEMSTRUCT* d) {
    if (!d || d->CtlType != ODT_MENU) return false;
    RECT r = d->rcItem;
    FillWithSysColor(d->hDC, r, COLOR_MENU);
    if (d->itemData == kBarIconData) {
        auto s = Read(client);
        if (!s || !s->buttonsFor) return true;
        int cx = GetSystemMetrics(SM_CXSMICON);
        int cy = GetSystemMetrics(SM_CYSMICON);
        DrawIconEx(d->hDC, r.left + (r.right - r.left - cx) / 2, r.top + (r.bottom - r.top - cy) / 2,
                   SmallIconOf(s->buttonsFor), cx, cy, 0, nullptr, DI_NORMAL);
        return true;
    }
    UINT kind;
    if (d->itemData == kBarMinimizeData) kind = DFCS_CAPTIONMIN;
    else if (d->itemData == kBarRestoreData) kind = DFCS_CAPTIONRESTORE;
    else if (d->itemData == kBarCloseData) kind = DFCS_CAPTIONCLOSE;
    else return false;
    // The glyphs are a little smaller than the row, as caption buttons are.
    InflateRect(&r, -2, -2);
    if (d->itemData == kBarRestoreData) OffsetRect(&r, -1, 0);
    DrawFrameControl(d->hDC, &r, DFC_CAPTION, kind | ((d->itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
    return true;
}

// ---- activation ----

void ShowActive(HWND child, bool active, HWND frame) {
    if (!child || !IsWindow(child)) return;
    bool frameActive = frame && GetActiveWindow() == GetAncestor(frame, GA_ROOT);
    SendMessage(child, WM_NCACTIVATE, active && frameActive ? 1 : 0, 0);
}

// Makes child the active one (null: none). The child losing activation hears WM_NCACTIVATE and
// WM_MDIACTIVATE first; a maximized one hands its state to the new one unless it is going away.
void Activate(HWND client, HWND child, bool previousGoing = false) {
    auto s = Read(client);
    if (!s || s->active == child || s->switching) return;
    if (child && (!Listed(*s, child) || !IsWindow(child))) return;
    HWND previous = s->active && IsWindow(s->active) ? s->active : nullptr;
    Modify(client, [&](ClientState& st) {
        st.switching = true;
        st.active = child;
    });
    bool handOnMaximized = previous && IsZoomed(previous);
    if (previous) {
        ShowActive(previous, false, s->frame);
        SendMessage(previous, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(previous), reinterpret_cast<LPARAM>(child));
    }
    if (handOnMaximized && child) {
        if (!previousGoing) ShowWindow(previous, SW_RESTORE);
        ShowWindow(child, SW_MAXIMIZE);
    }
    if (child) {
        SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ShowActive(child, true, s->frame);
        HWND focus = GetFocus();
        bool frameActive = s->frame && GetActiveWindow() == GetAncestor(s->frame, GA_ROOT);
        if (frameActive && focus != child && !IsChild(child, focus)) SetFocus(child);
        SendMessage(child, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(previous), reinterpret_cast<LPARAM>(child));
    }
    Modify(client, [](ClientState& st) { st.switching = false; });
    RefreshWindowMenu(client);
}

// The child that follows from in the z-order (the one behind, or with previous the bottom
// one), among the visible and enabled ones; null when there is none other.
HWND Following(HWND client, HWND from, bool previous) {
    auto s = Read(client);
    if (!s) return nullptr;
    std::vector<HWND> order;
    for (HWND h : InZOrder(client, *s))
        if (h == from || (Visible(h) && IsWindowEnabled(h))) order.push_back(h);
    auto at = std::find(order.begin(), order.end(), from);
    if (order.size() < 2 || at == order.end()) return nullptr;
    if (previous) return order.back() == from ? order[order.size() - 2] : order.back();
    return at + 1 == order.end() ? order.front() : *(at + 1);
}

void Next(HWND client, HWND from, bool previous) {
    auto s = Read(client);
    if (!s) return;
    if (!from) from = s->active;
    HWND target = from ? Following(client, from, previous) : nullptr;
    if (!target) return;
    Activate(client, target);
    // Going forward sends the one left to the back, so that repeating visits every child.
    if (!previous) SetWindowPos(from, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- children coming and going ----

void Renumber(HWND client) {
    auto s = Read(client);
    if (!s) return;
    for (std::size_t i = 0; i < s->children.size(); ++i)
        SetWindowLongPtr(s->children[i], GWLP_ID, static_cast<LONG_PTR>(s->firstId + i));
}

void Adopt(HWND client, HWND child, bool show) {
    auto s = Read(client);
    if (!s || Listed(*s, child) || !IsWindow(child)) return;
    bool maximizedActive = s->active && IsZoomed(s->active);
    Modify(client, [&](ClientState& st) { st.children.push_back(child); });
    Renumber(client);
    DWORD style = static_cast<DWORD>(GetWindowLongPtr(child, GWL_STYLE));
    if (show) {
        if (maximizedActive && !(style & WS_MINIMIZE)) ShowWindow(child, SW_SHOWMAXIMIZED);
        else ShowWindow(child, (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOW);
        Activate(client, child);
    }
    RefreshWindowMenu(client);
}

void Forget(HWND client, HWND child) {
    auto s = Read(client);
    if (!s || !Listed(*s, child)) return;
    if (s->active == child) {
        HWND next = Following(client, child, false);
        if (next) Activate(client, next, true);
        else Activate(client, nullptr, true);
    }
    if (auto now = Read(client); now && now->buttonsFor == child) HideBarButtons(client);
    Modify(client, [&](ClientState& st) { std::erase(st.children, child); });
    Renumber(client);
    RefreshWindowMenu(client);
}

HWND CreateChild(HWND client, const MDICREATESTRUCT* cs) {
    auto s = Read(client);
    if (!s || !cs || !cs->szClass) return nullptr;
    constexpr DWORD kChildStyle =
        WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
        WS_MAXIMIZEBOX;
    DWORD style = s->allChildStyles ? (cs->style | WS_CHILD)
                                    : kChildStyle | (cs->style & (WS_MINIMIZE | WS_MAXIMIZE | WS_HSCROLL | WS_VSCROLL));
    style &= ~WS_VISIBLE;  // shown once it is one of the client's children
    RECT area = ClientArea(client);
    Cascade c = CascadeIn(area);
    RECT slot = CascadeSlot(area, c, static_cast<int>(s->children.size()));
    int x = cs->x == CW_USEDEFAULT ? slot.left : cs->x;
    int y = cs->y == CW_USEDEFAULT ? slot.top : cs->y;
    int cx = cs->cx == CW_USEDEFAULT ? c.size.cx : cs->cx;
    int cy = cs->cy == CW_USEDEFAULT ? c.size.cy : cs->cy;
    MDICREATESTRUCT params = *cs;
    Modify(client, [](ClientState& st) { st.creating = true; });
    HWND child = CreateWindowEx(WS_EX_MDICHILD, cs->szClass, cs->szTitle, style, x, y, cx, cy, client,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(s->firstId + s->children.size())),
                                cs->hOwner, &params);
    Modify(client, [](ClientState& st) { st.creating = false; });
    if (!child) return nullptr;
    Adopt(client, child, !s->allChildStyles || (cs->style & WS_VISIBLE));
    return child;
}

void DestroyChild(HWND client, HWND child) {
    if (!child) return;
    Forget(client, child);
    DestroyWindow(child);
}

// ---- arranging ----

std::vector<HWND> Arrangeable(HWND client, bool minimized, bool skipDisabled) {
    std::vector<HWND> result;
    auto s = Read(client);
    if (!s) return result;
    for (HWND h : InZOrder(client, *s)) {
        if (!Visible(h) || (skipDisabled && !IsWindowEnabled(h))) continue;
        if ((IsIconic(h) != 0) == minimized) result.push_back(h);
    }
    return result;
}

// Minimized children in rows along the bottom; answers the height the rows take.
int ArrangeIcons(HWND client) {
    auto s = Read(client);
    if (!s) return 0;
    std::vector<HWND> icons;
    for (HWND h : s->children)
        if (IsWindow(h) && Visible(h) && IsIconic(h)) icons.push_back(h);
    if (icons.empty()) return 0;
    RECT area = ClientArea(client);
    int cx = GetSystemMetrics(SM_CXMINIMIZED);
    int cy = GetSystemMetrics(SM_CYMINIMIZED);
    int perRow = std::max(1, static_cast<int>(area.right - area.left) / cx);
    for (std::size_t i = 0; i < icons.size(); ++i) {
        int column = static_cast<int>(i) % perRow;
        int row = static_cast<int>(i) / perRow;
        int x = area.left + column * cx;
        int y = area.bottom - (row + 1) * cy;
        SetWindowPos(icons[i], nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    int rows = (static_cast<int>(icons.size()) + perRow - 1) / perRow;
    return rows * cy;
}

void RestoreMaximized(HWND client) {
    auto s = Read(client);
    if (s && s->active && IsZoomed(s->active)) ShowWindow(s->active, SW_RESTORE);
}

RECT AreaAboveIcons(HWND client) {
    RECT area = ClientArea(client);
    area.bottom -= ArrangeIcons(client);
    if (area.bottom <= area.top) area.bottom = area.top + 1;
    return area;
}

BOOL CascadeChildren(HWND client, WPARAM how) {
    RestoreMaximized(client);
    std::vector<HWND> windows = Arrangeable(client, false, (how & MDITILE_SKIPDISABLED) != 0);
    if (windows.empty()) return 0;
    RECT area = AreaAboveIcons(client);
    Cascade c = CascadeIn(area);
    // The bottom window takes the first slot, the top (active) one the last.
    int index = 0;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) Place(*it, CascadeSlot(area, c, index++));
    return 1;
}

// Tiling side by side (MDITILE_VERTICAL) makes columns of about the square root of the count
// rows; horizontally the same with rows and columns swapped. Lines that cannot be filled
// evenly get one window more, from the last line backwards.
BOOL TileChildren(HWND client, WPARAM how) {
    RestoreMaximized(client);
    std::vector<HWND> windows = Arrangeable(client, false, (how & MDITILE_SKIPDISABLED) != 0);
    if (windows.empty()) return 0;
    RECT area = AreaAboveIcons(client);
    int n = static_cast<int>(windows.size());
    int across = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(n))));
    int lines = (n + across - 1) / across;
    int base = n / lines;
    int extra = n % lines;  // the last `extra` lines hold base + 1
    bool horizontal = (how & MDITILE_HORIZONTAL) != 0;
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    int k = 0;
    for (int line = 0; line < lines; ++line) {
        int count = base + (line >= lines - extra ? 1 : 0);
        for (int j = 0; j < count; ++j, ++k) {
            RECT r;
            if (horizontal) {
                r = {area.left + width * j / count, area.top + height * line / lines,
                     area.left + width * (j + 1) / count, area.top + height * (line + 1) / lines};
            } else {
                r = {area.left + width * line / lines, area.top + height * j / count,
                     area.left + width * (line + 1) / lines, area.top + height * (j + 1) / count};
            }
            Place(windows[static_cast<std::size_t>(k)], r);
        }
    }
    return 1;
}

// ---- the client window ----

LRESULT SetMenus(HWND client, HMENU frameMenu, HMENU windowMenu) {
    auto s = Read(client);
    if (!s) return 0;
    HMENU old = s->frame ? GetMenu(s->frame) : nullptr;
    HWND maximized = s->buttonsFor;
    if (frameMenu && frameMenu != old) {
        HideBarButtons(client);
        SetMenu(s->frame, frameMenu);
    }
    if (windowMenu) {
        Unlist(client);
        Modify(client, [&](ClientState& st) { st.windowMenu = windowMenu; });
    }
    RefreshWindowMenu(client);
    if (maximized && IsWindow(maximized)) ShowBarButtons(client, maximized);
    return reinterpret_cast<LRESULT>(old);
}

void Created(HWND client, const CREATESTRUCT* cs) {
    ClientState state;
    state.frame = GetParent(client);
    if (cs && cs->lpCreateParams) {
        const auto* ccs = static_cast<const CLIENTCREATESTRUCT*>(cs->lpCreateParams);
        state.windowMenu = ccs->hWindowMenu;
        state.firstId = ccs->idFirstChild;
    }
    state.allChildStyles = cs && (cs->style & MDIS_ALLCHILDSTYLES);
    Lock lock(S().mutex);
    Clients().Get(client) = state;
}

void ClientGone(HWND client) {
    if (!Read(client)) return;
    HideBarButtons(client);
    Lock lock(S().mutex);
    Clients().Erase(client);
}

void ClientSized(HWND client) {
    auto s = Read(client);
    if (!s) return;
    if (s->active && IsZoomed(s->active)) Place(s->active, MaximizedIn(client, s->active));
    ArrangeIcons(client);
}

LRESULT ClientProc(HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
    auto child = reinterpret_cast<HWND>(wParam);
    switch (message) {
        case WM_CREATE: Created(client, reinterpret_cast<const CREATESTRUCT*>(lParam)); return 0;
        case WM_NCDESTROY: ClientGone(client); break;
        case WM_MDICREATE:
            return reinterpret_cast<LRESULT>(CreateChild(client, reinterpret_cast<const MDICREATESTRUCT*>(lParam)));
        case WM_MDIDESTROY: DestroyChild(client, child); return 0;
        case WM_MDIACTIVATE: Activate(client, child); return 0;
        case WM_MDIGETACTIVE: {
            auto s = Read(client);
            HWND active = s ? s->active : nullptr;
            if (lParam) *reinterpret_cast<BOOL*>(lParam) = active && IsZoomed(active);
            return reinterpret_cast<LRESULT>(active);
        }
        case WM_MDINEXT: Next(client, child, lParam != 0); return 0;
        case WM_MDIMAXIMIZE:
            if (child && ClientOf(child) == client) {
                ShowWindow(child, SW_MAXIMIZE);
                Activate(client, child);
            }
            return 0;
        case WM_MDIRESTORE:
            if (child && ClientOf(child) == client) ShowWindow(child, SW_RESTORE);
            return 0;
        case WM_MDITILE: return TileChildren(client, wParam);
        case WM_MDICASCADE: return CascadeChildren(client, wParam);
        case WM_MDIICONARRANGE: ArrangeIcons(client); return 0;
        case WM_MDISETMENU: return SetMenus(client, reinterpret_cast<HMENU>(wParam), reinterpret_cast<HMENU>(lParam));
        case WM_MDIREFRESHMENU: {
            auto s = Read(client);
            return SetMenus(client, nullptr, s ? s->windowMenu : nullptr);
        }
        case WM_SETFOCUS: {
            auto s = Read(client);
            if (s && s->active && IsWindow(s->active)) SetFocus(s->active);
            return 0;
        }
        case WM_SIZE: ClientSized(client); break;
        case WM_PARENTNOTIFY: {
            auto from = reinterpret_cast<HWND>(lParam);
            bool direct = from && GetParent(from) == client &&
                          (GetWindowLongPtr(from, GWL_EXSTYLE) & WS_EX_MDICHILD);
            // A child made by WM_MDICREATE is taken in once its creation is complete.
            if (direct && LOWORD(wParam) == WM_CREATE && !Read(client)->creating) {
                bool visible = (GetWindowLongPtr(from, GWL_STYLE) & WS_VISIBLE) != 0;
                Adopt(client, from, visible || !Read(client)->allChildStyles);
            }
            if (direct && LOWORD(wParam) == WM_DESTROY) Forget(client, from);
            return 0;
        }
        default: break;
    }
    return DefWindowProc(client, message, wParam, lParam);
}

// ---- the children's part ----

void ChildSized(HWND client, HWND child, WPARAM how) {
    if (how == SIZE_MAXIMIZED) {
        ShowBarButtons(client, child);
        return;
    }
    auto s = Read(client);
    if (s && s->buttonsFor == child) HideBarButtons(client);
    if (how == SIZE_MINIMIZED) ArrangeIcons(client);
}

void ChildMinMaxInfo(HWND client, HWND child, MINMAXINFO* info) {
    if (!info) return;
    RECT r = MaximizedIn(client, child);
    info->ptMaxPosition = {r.left, r.top};
    info->ptMaxSize = {r.right - r.left, r.bottom - r.top};
    info->ptMaxTrackSize.x = std::max(info->ptMaxTrackSize.x, info->ptMaxSize.x);
    info->ptMaxTrackSize.y = std::max(info->ptMaxTrackSize.y, info->ptMaxSize.y);
}

bool IsButtonDown(UINT mouseMessage) {
    return mouseMessage == WM_LBUTTONDOWN || mouseMessage == WM_RBUTTONDOWN || mouseMessage == WM_MBUTTONDOWN ||
           mouseMessage == WM_NCLBUTTONDOWN || mouseMessage == WM_NCRBUTTONDOWN;
}

// A child shown later than made becomes the active one; a hidden one passes activation on.
void ShownOrHidden(HWND client, HWND child, const WINDOWPOS* pos) {
    if (!pos) return;
    if (pos->flags & SWP_SHOWWINDOW) {
        auto s = Read(client);
        if (s && s->active != child) Activate(client, child);
        else RefreshWindowMenu(client);
    } else if (pos->flags & SWP_HIDEWINDOW) {
        auto s = Read(client);
        if (s && s->active == child) Activate(client, Following(client, child, false), true);
        RefreshWindowMenu(client);
    }
}

LRESULT ChildSysCommand(HWND client, HWND child, WPARAM command, LPARAM lParam) {
    switch (command & 0xFFF0) {
        case SC_MAXIMIZE: SendMessage(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0); return 0;
        case SC_RESTORE: SendMessage(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(child), 0); return 0;
        case SC_NEXTWINDOW: SendMessage(client, WM_MDINEXT, reinterpret_cast<WPARAM>(child), 0); return 0;
        case SC_PREVWINDOW: SendMessage(client, WM_MDINEXT, reinterpret_cast<WPARAM>(child), 1); return 0;
        default: return DefWindowProc(child, WM_SYSCOMMAND, command, lParam);
    }
}

}  // namespace mdi

void RegisterMdiClientClass() {
    WNDCLASSEX wc;
    wc.lpfnWndProc = &mdi::ClientProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(COLOR_APPWORKSPACE + 1));
    wc.lpszClassName = kMdiClientClass;
    RegisterClassEx(&wc);
}

}  // namespace parch::win

namespace parch {

using namespace win;

HWND CreateMDIWindow(const char* className, const char* title, DWORD style, int x, int y, int width, int height,
                     HWND client, HINSTANCE instance, LPARAM lParam) {
    if (!mdi::IsClient(client)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    MDICREATESTRUCT cs{className, title, instance, x, y, width, height, style, lParam};
    return reinterpret_cast<HWND>(SendMessage(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&cs)));
}

LRESULT DefFrameProc(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
    auto s = client ? mdi::Read(client) : std::nullopt;
    if (!s) return DefWindowProc(frame, message, wParam, lParam);
    switch (message) {
        case WM_COMMAND: {
            UINT id = LOWORD(wParam);
            if (id >= s->firstId && id < s->firstId + s->children.size()) {
                HWND child = s->children[id - s->firstId];
                if (IsIconic(child)) SendMessage(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(child), 0);
                SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
                return 0;
            }
            if (!s->active || !IsWindow(s->active)) break;
            // The system commands of the bar's child items go to the maximized child.
            if (id >= 0xF000) return SendMessage(s->active, WM_SYSCOMMAND, wParam, lParam);
            return SendMessage(s->active, WM_COMMAND, wParam, lParam);
        }
        case WM_SIZE: {
            RECT r{};
            GetClientRect(frame, &r);
            MoveWindow(client, 0, 0, r.right, r.bottom, 1);
            return 0;
        }
        case WM_SETFOCUS: SetFocus(client); return 0;
        case WM_NCACTIVATE:
            // The active child's caption follows the frame's.
            if (s->active && IsWindow(s->active)) SendMessage(s->active, WM_NCACTIVATE, wParam, 0);
            break;
        case WM_MEASUREITEM:
            if (mdi::MeasureBarItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return 1;
            break;
        case WM_DRAWITEM:
            if (mdi::DrawBarItem(client, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return 1;
            break;
        default: break;
    }
    return DefWindowProc(frame, message, wParam, lParam);
}

LRESULT DefMDIChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND client = mdi::ClientOf(child);
    if (!client) return DefWindowProc(child, message, wParam, lParam);
    switch (message) {
        case WM_SETTEXT: {
            LRESULT result = DefWindowProc(child, message, wParam, lParam);
            mdi::RefreshWindowMenu(client);
            return result;
        }
        case WM_CLOSE: SendMessage(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0); return 0;
        case WM_CHILDACTIVATE: mdi::Activate(client, child); return 0;
        case WM_SETFOCUS: mdi::Activate(client, child); break;
        case WM_SETCURSOR:
            if (mdi::IsButtonDown(HIWORD(static_cast<std::uintptr_t>(lParam)))) mdi::Activate(client, child);
            break;
        case WM_GETMINMAXINFO: {
            LRESULT result = DefWindowProc(child, message, wParam, lParam);
            mdi::ChildMinMaxInfo(client, child, reinterpret_cast<MINMAXINFO*>(lParam));
            return result;
        }
        case WM_SIZE: {
            LRESULT result = DefWindowProc(child, message, wParam, lParam);
            mdi::ChildSized(client, child, wParam);
            return result;
        }
        case WM_WINDOWPOSCHANGED: {
            LRESULT result = DefWindowProc(child, message, wParam, lParam);
            mdi::ShownOrHidden(client, child, reinterpret_cast<const WINDOWPOS*>(lParam));
            return result;
        }
        case WM_SYSCOMMAND: return mdi::ChildSysCommand(client, child, wParam, lParam);
        case WM_DESTROY: mdi::Forget(client, child); break;
        default: break;
    }
    return DefWindowProc(child, message, wParam, lParam);
}

BOOL TranslateMDISysAccel(HWND client, const MSG* message) {
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN)) return 0;
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0) return 0;
    auto s = mdi::Read(client);
    if (!s || !s->active || !IsWindow(s->active) || !IsWindowEnabled(s->active)) return 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    UINT command;
    switch (message->wParam) {
        case VK_F4: command = SC_CLOSE; break;
        case mdi::kKeyF6:
        case VK_TAB: command = shift ? SC_PREVWINDOW : SC_NEXTWINDOW; break;
        default: return 0;
    }
    SendMessage(s->active, WM_SYSCOMMAND, command, static_cast<LPARAM>(message->wParam));
    return 1;
}

}  // namespace parch
