#include "platform/win/PopupMenus.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "platform/gdi/Rects.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/MenuBar.h"
#include "platform/win/MenuItemDraw.h"
#include "platform/win/Messages.h"
#include "platform/win/ModalLoop.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/SysCommand.h"
#include "platform/win/SystemMenu.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSideTable.h"

namespace parch::win {

namespace popupmenus {

constexpr const char* kClassName = "#32768";
constexpr UINT_PTR kHoverTimer = 0xFFF1;  // opens or closes a submenu after the menu delay
constexpr int kFrame = 3;                 // the popup's raised frame (WS_DLGFRAME)

// What a popup window shows: kept beside the window for its painting.
struct PopupContent {
    HMENU menu = nullptr;
    HWND owner = nullptr;
    MenuLayout layout;
};

WindowSideTable<PopupContent>& Contents() {
    static auto* table = new WindowSideTable<PopupContent>;
    return *table;
}

std::optional<PopupContent> ContentOf(HWND popup) {
    Lock lock(S().mutex);
    PopupContent* content = Contents().Find(popup);
    if (!content || !FindLive(popup)) return std::nullopt;
    return *content;
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) return;
    auto content = ContentOf(hwnd);
    auto menu = content ? ReadMenu(content->menu) : std::nullopt;
    RECT client;
    GetClientRect(hwnd, &client);
    FillWithSysColor(dc, client, COLOR_MENU);
    if (menu) {
        std::size_t count = std::min(menu->items.size(), content->layout.items.size());
        for (std::size_t i = 0; i < count; ++i) {
            const RECT& r = content->layout.items[i];
            RECT overlap;
            if (!IntersectRect(&overlap, &r, &ps.rcPaint)) continue;
            if ((menu->items[i].type & MFT_MENUBARBREAK) && i > 0) PaintColumnBreak(dc, r, client.bottom);
            PaintMenuItem(content->owner, dc, *menu, static_cast<int>(i), r, false);
        }
    }
    EndPaint(hwnd, &ps);
}

LRESULT PopupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: Paint(hwnd); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case MN_GETHMENU: {
            auto content = ContentOf(hwnd);
            return content ? reinterpret_cast<LRESULT>(content->menu) : 0;
        }
        case WM_NCDESTROY: {
            Lock lock(S().mutex);
            Contents().Erase(hwnd);
            break;
        }
        default: break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

POINT ScreenPoint(const MSG& msg) {
    return msg.pt;
}

bool IsButtonDown(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
           message == WM_NCLBUTTONDOWN || message == WM_NCRBUTTONDOWN || message == WM_NCMBUTTONDOWN ||
           message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_NCLBUTTONDBLCLK;
}

bool IsAnyButtonUp(UINT message) {
    return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_NCLBUTTONUP ||
           message == WM_NCRBUTTONUP;
}

bool IsRightButton(UINT message) {
    return message == WM_RBUTTONDOWN || message == WM_RBUTTONUP || message == WM_NCRBUTTONDOWN ||
           message == WM_NCRBUTTONUP;
}

struct OpenPopup {
    HMENU menu = nullptr;
    HWND window = nullptr;
    MenuLayout layout;
    int selected = -1;
};

// The menu loop of one thread; EndMenu reaches the running one.
class MenuTracker;
thread_local MenuTracker* running = nullptr;

class MenuTracker {
public:
    MenuTracker(HWND owner, UINT flags, HMENU bar, bool systemMenu)
        : owner_(owner), flags_(flags), bar_(bar), system_(systemMenu) {}

    // A popup menu at a point: answers the command chosen (0 for none).
    UINT TrackPopup(HMENU menu, POINT at, const RECT* exclude) {
        if (!Begin(true, menu)) return 0;
        Open(menu, 0, PlacePopup(menu, at, exclude), false);
        RunLoop();
        return Finish(true);
    }

    // The menu bar, at an item, its popup open or not.
    void TrackBar(int item, bool keyboard, bool openPopup) {
        if (!Begin(false, bar_)) return;
        keyboard_ = keyboard;
        SelectBar(item < 0 ? 0 : item);
        if (openPopup) OpenBarPopup(keyboard);
        RunLoop();
        Finish(false);
    }

    void End() { ended_ = true; }

private:
    bool Notifies() const { return !(flags_ & TPM_NONOTIFY); }

    void Notify(UINT message, WPARAM wParam, LPARAM lParam) {
        if (Notifies() && IsWindow(owner_)) SendMessage(owner_, message, wParam, lParam);
    }

    bool Begin(bool popup, HMENU first) {
        if (!IsWindow(owner_) || !IsMenu(first) || running) return false;
        previous_ = running;
        running = this;
        Notify(WM_ENTERMENULOOP, popup ? 1 : 0, 0);
        Notify(WM_INITMENU, reinterpret_cast<WPARAM>(first), 0);
        return true;
    }

    UINT Finish(bool popup) {
        KillTimer(HoverWindow(), kHoverTimer);
        CloseFrom(0);
        if (bar_ && barSelected_ >= 0) SetBarHighlight(-1);
        Notify(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        Notify(WM_EXITMENULOOP, popup ? 1 : 0, 0);
        running = previous_;
        if (chosen_ == 0 || !IsWindow(owner_)) return 0;
        if (popup && (flags_ & TPM_RETURNCMD)) return chosen_;
        if (!(flags_ & TPM_NONOTIFY)) {
            if (chosenFromSystem_) PostMessage(owner_, WM_SYSCOMMAND, chosen_, chosenPoint_);
            else PostMessage(owner_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen_), 0), 0);
        }
        return popup ? 1 : 0;
    }

    void RunLoop() {
        MSG msg;
        while (!ended_ && IsWindow(owner_)) {
            if (!PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                WaitMessage();
                continue;
            }
            // A press outside the menus ends the loop and stays queued for its window.
            if (IsButtonDown(msg.message) && !OverMenus(ScreenPoint(msg))) {
                break;
            }
            PeekMessage(&msg, nullptr, msg.message, msg.message, PM_REMOVE);
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (IsMouseMessage(msg.message)) Mouse(msg);
            else if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) Key(msg);
            else if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) Character(static_cast<char32_t>(msg.wParam));
            else if (msg.message == WM_TIMER && msg.wParam == kHoverTimer) HoverElapsed();
            else if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
            }  // key releases belong to the menu while it runs
            else DispatchMessage(&msg);
        }
    }

    // ---- popups

    bool IsSystem(HMENU menu) const { return system_ && !popups_.empty() && popups_.front().menu == menu; }

    RECT PlacePopup(HMENU menu, POINT at, const RECT* exclude) {
        auto snapshot = ReadMenu(menu);
        MenuLayout layout = snapshot ? LayOutPopupMenu(owner_, *snapshot) : MenuLayout{};
        SIZE size{layout.size.cx + 2 * kFrame, layout.size.cy + 2 * kFrame};
        RECT area = WorkArea();
        int x = at.x;
        int y = at.y;
        if (flags_ & TPM_CENTERALIGN) x -= size.cx / 2;
        else if (flags_ & TPM_RIGHTALIGN) x -= size.cx;
        if (flags_ & TPM_VCENTERALIGN) y -= size.cy / 2;
        else if (flags_ & TPM_BOTTOMALIGN) y -= size.cy;
        // Flip to the other side of the point when the menu does not fit, then keep it inside.
        if (x + size.cx > area.right) x = (flags_ & (TPM_CENTERALIGN | TPM_RIGHTALIGN)) ? area.right - size.cx
                                                                                        : at.x - size.cx;
        if (y + size.cy > area.bottom) y = (flags_ & (TPM_VCENTERALIGN | TPM_BOTTOMALIGN)) ? area.bottom - size.cy
                                                                                          : at.y - size.cy;
        RECT r{x, y, x + size.cx, y + size.cy};
        if (exclude) AvoidRect(r, *exclude, area);
        KeepInside(r, area);
        return r;
    }

    // Moves r off an excluded rectangle: below or above it (left or right with TPM_VERTICAL).
    void AvoidRect(RECT& r, const RECT& exclude, const RECT& area) {
        RECT overlap;
        if (!IntersectRect(&overlap, &r, &exclude)) return;
        int w = r.right - r.left;
        int h = r.bottom - r.top;
        if (flags_ & TPM_VERTICAL) {
            int left = exclude.right + w <= area.right ? exclude.right : exclude.left - w;
            r = {left, r.top, left + w, r.bottom};
        } else {
            int top = exclude.bottom + h <= area.bottom ? exclude.bottom : exclude.top - h;
            r = {r.left, top, r.right, top + h};
        }
    }

    static void KeepInside(RECT& r, const RECT& area) {
        int w = r.right - r.left;
        int h = r.bottom - r.top;
        int x = std::max<int>(area.left, std::min<int>(r.left, area.right - w));
        int y = std::max<int>(area.top, std::min<int>(r.top, area.bottom - h));
        r = {x, y, x + w, y + h};
    }

    // Opens menu as the next popup level; position is the item's place in its parent.
    void Open(HMENU menu, int position, const RECT& at, bool selectFirst) {
        if (IsSystem(menu) || (system_ && popups_.empty())) RefreshSystemMenu(owner_);
        bool systemPopup = system_ && popups_.empty();
        Notify(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(static_cast<WORD>(position),
                                                                            systemPopup ? 1 : 0));
        if (!IsMenu(menu) || !IsWindow(owner_)) return;
        auto snapshot = ReadMenu(menu);
        OpenPopup popup;
        popup.menu = menu;
        popup.layout = LayOutPopupMenu(owner_, *snapshot);
        // The owner may have changed the items on WM_INITMENUPOPUP: the size follows them.
        RECT r{at.left, at.top, at.left + popup.layout.size.cx + 2 * kFrame,
               at.top + popup.layout.size.cy + 2 * kFrame};
        KeepInside(r, WorkArea());
        for (std::size_t i = 0; i < snapshot->items.size(); ++i) SetItemHilite(menu, static_cast<int>(i), false);
        RegisterPopupMenuClass();
        popup.window = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClassName, "",
                                      WS_POPUP | WS_DLGFRAME | WS_CLIPSIBLINGS, r.left, r.top, r.right - r.left,
                                      r.bottom - r.top, owner_, nullptr, nullptr, nullptr);
        if (!popup.window) return;
        {
            Lock lock(S().mutex);
            Contents().Get(popup.window) = {menu, owner_, popup.layout};
        }
        popups_.push_back(popup);
        SetWindowPos(popup.window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        UpdateWindow(popup.window);
        if (selectFirst) Select(popups_.size() - 1, NextSelectable(popups_.size() - 1, -1, 1), false);
    }

    // Closes the popups from level `level` on, innermost first.
    void CloseFrom(std::size_t level) {
        while (popups_.size() > level) {
            OpenPopup popup = popups_.back();
            popups_.pop_back();
            if (popup.selected >= 0) SetItemHilite(popup.menu, popup.selected, false);
            KillTimer(popup.window, kHoverTimer);
            DestroyWindow(popup.window);
            Notify(WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(popup.menu),
                   MAKELPARAM(0, (system_ && popups_.empty()) ? MF_SYSMENU : 0));
        }
    }

    RECT SubmenuPlace(std::size_t level, int item) {
        const OpenPopup& parent = popups_[level];
        RECT window;
        GetWindowRect(parent.window, &window);
        POINT origin{0, 0};
        ClientToScreen(parent.window, &origin);
        const RECT& r = parent.layout.items[static_cast<std::size_t>(item)];
        HMENU sub = GetSubMenu(parent.menu, item);
        auto snapshot = ReadMenu(sub);
        SIZE size{0, 0};
        if (snapshot) {
            MenuLayout layout = LayOutPopupMenu(owner_, *snapshot);
            size = {layout.size.cx + 2 * kFrame, layout.size.cy + 2 * kFrame};
        }
        RECT area = WorkArea();
        int x = window.right - kFrame;
        if (x + size.cx > area.right) x = window.left + kFrame - size.cx;
        int y = origin.y + r.top - kFrame;
        if (y + size.cy > area.bottom) y = origin.y + r.bottom + kFrame - size.cy;
        RECT place{x, y, x + size.cx, y + size.cy};
        KeepInside(place, area);
        return place;
    }

    bool OpenSubmenu(std::size_t level, bool selectFirst) {
        const OpenPopup& popup = popups_[level];
        if (popup.selected < 0) return false;
        auto snapshot = ReadMenu(popup.menu);
        if (!snapshot || popup.selected >= static_cast<int>(snapshot->items.size())) return false;
        const MenuItemRecord& item = snapshot->items[static_cast<std::size_t>(popup.selected)];
        if (!item.subMenu || item.IsDisabled()) return false;
        if (popups_.size() > level + 1 && popups_[level + 1].menu == item.subMenu) return true;
        CloseFrom(level + 1);
        Open(item.subMenu, popup.selected, SubmenuPlace(level, popup.selected), selectFirst);
        return true;
    }

    void RepaintItem(std::size_t level, int item) {
        const OpenPopup& popup = popups_[level];
        if (item < 0 || item >= static_cast<int>(popup.layout.items.size())) return;
        InvalidateRect(popup.window, &popup.layout.items[static_cast<std::size_t>(item)], 0);
        UpdateWindow(popup.window);
    }

    void Select(std::size_t level, int item, bool byMouse) {
        OpenPopup& popup = popups_[level];
        if (popup.selected == item) return;
        int old = popup.selected;
        if (old >= 0) SetItemHilite(popup.menu, old, false);
        popup.selected = item;
        if (item >= 0) SetItemHilite(popup.menu, item, true);
        RepaintItem(level, old);
        RepaintItem(level, item);
        if (item >= 0) SendSelect(popup.menu, item, byMouse);
    }

    void SendSelect(HMENU menu, int item, bool byMouse) {
        auto snapshot = ReadMenu(menu);
        if (!snapshot || item >= static_cast<int>(snapshot->items.size())) return;
        const MenuItemRecord& it = snapshot->items[static_cast<std::size_t>(item)];
        UINT flags = (it.type & (MFT_OWNERDRAW | MFT_SEPARATOR | MFT_BITMAP)) | (it.state & ~MFS_GRAYED & 0xFFFF) |
                     (it.IsDisabled() ? MF_GRAYED | MF_DISABLED : 0) | (it.subMenu ? MF_POPUP : 0) |
                     (byMouse ? MF_MOUSESELECT : 0) | (IsSystem(menu) ? MF_SYSMENU : 0);
        WORD which = it.subMenu ? static_cast<WORD>(item) : static_cast<WORD>(it.id);
        Notify(WM_MENUSELECT, MAKEWPARAM(which, static_cast<WORD>(flags)), reinterpret_cast<LPARAM>(menu));
    }

    int NextSelectable(std::size_t level, int from, int step) {
        auto snapshot = ReadMenu(popups_[level].menu);
        if (!snapshot || snapshot->items.empty()) return -1;
        int count = static_cast<int>(snapshot->items.size());
        int i = from;
        for (int tries = 0; tries < count; ++tries) {
            i = ((i + step) % count + count) % count;
            if (!snapshot->items[static_cast<std::size_t>(i)].IsSeparator()) return i;
        }
        return -1;
    }

    // The chosen item of a popup level: a submenu opens, an enabled command ends the loop.
    void Choose(std::size_t level, int item, bool byMouse, POINT at = {0, 0}) {
        auto snapshot = ReadMenu(popups_[level].menu);
        if (!snapshot || item < 0 || item >= static_cast<int>(snapshot->items.size())) return;
        const MenuItemRecord& it = snapshot->items[static_cast<std::size_t>(item)];
        if (it.IsSeparator()) return;
        Select(level, item, byMouse);
        if (it.subMenu) {
            OpenSubmenu(level, !byMouse);
            return;
        }
        if (it.IsDisabled()) {
            if (!byMouse) ended_ = true;
            return;
        }
        chosen_ = it.id;
        chosenFromSystem_ = system_;
        chosenPoint_ = byMouse ? MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)) : 0;
        ended_ = true;
    }

    // ---- the bar

    HWND HoverWindow() const { return popups_.empty() ? owner_ : popups_.back().window; }

    std::vector<RECT> BarItemsOnScreen() {
        std::vector<RECT> items = MenuBarItemRects(owner_, MenuBarRect(owner_));
        RECT window;
        GetWindowRect(owner_, &window);
        for (RECT& r : items) OffsetRect(&r, window.left, window.top);
        return items;
    }

    void SetBarHighlight(int item) {
        if (barSelected_ >= 0) SetItemHilite(bar_, barSelected_, false);
        barSelected_ = item;
        if (item >= 0) SetItemHilite(bar_, item, true);
        RedrawMenuBar(owner_);
    }

    void SelectBar(int item) {
        int count = GetMenuItemCount(bar_);
        if (count <= 0) return;
        item = ((item % count) + count) % count;
        if (item == barSelected_) return;
        CloseFrom(0);
        SetBarHighlight(item);
        HMENU sub = GetSubMenu(bar_, item);
        UINT id = GetMenuItemID(bar_, item);
        UINT state = GetMenuState(bar_, static_cast<UINT>(item), MF_BYPOSITION) & 0xFF;
        Notify(WM_MENUSELECT, MAKEWPARAM(sub ? static_cast<WORD>(item) : static_cast<WORD>(id),
                                         static_cast<WORD>(state | MF_HILITE | (sub ? MF_POPUP : 0))),
               reinterpret_cast<LPARAM>(bar_));
    }

    void OpenBarPopup(bool selectFirst) {
        if (barSelected_ < 0) return;
        HMENU sub = GetSubMenu(bar_, barSelected_);
        if (!sub || (GetMenuState(bar_, static_cast<UINT>(barSelected_), MF_BYPOSITION) & MF_GRAYED)) return;
        std::vector<RECT> items = BarItemsOnScreen();
        if (barSelected_ >= static_cast<int>(items.size())) return;
        const RECT& item = items[static_cast<std::size_t>(barSelected_)];
        UINT saved = flags_;
        flags_ = (flags_ & ~(TPM_CENTERALIGN | TPM_RIGHTALIGN | TPM_VCENTERALIGN | TPM_BOTTOMALIGN | TPM_VERTICAL));
        RECT place = PlacePopup(sub, {item.left, item.bottom}, &item);
        flags_ = saved;
        Open(sub, barSelected_, place, selectFirst);
    }

    // A command straight on the bar (an item without a popup).
    void ChooseBarItem() {
        if (barSelected_ < 0 || GetSubMenu(bar_, barSelected_)) return;
        if (GetMenuState(bar_, static_cast<UINT>(barSelected_), MF_BYPOSITION) & MF_GRAYED) return;
        chosen_ = GetMenuItemID(bar_, barSelected_);
        ended_ = true;
    }

    int BarItemAt(POINT p) {
        if (!bar_) return -1;
        std::vector<RECT> items = BarItemsOnScreen();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (PtInRect(&items[i], p)) return static_cast<int>(i);
        return -1;
    }

    // ---- input

    // The popup level and item under a screen point (item -1 over a frame or empty part).
    std::optional<std::pair<std::size_t, int>> PopupAt(POINT p) {
        for (std::size_t level = popups_.size(); level-- > 0;) {
            RECT window;
            GetWindowRect(popups_[level].window, &window);
            if (!PtInRect(&window, p)) continue;
            POINT client = p;
            ScreenToClient(popups_[level].window, &client);
            const auto& items = popups_[level].layout.items;
            for (std::size_t i = 0; i < items.size(); ++i)
                if (PtInRect(&items[i], client)) return std::make_pair(level, static_cast<int>(i));
            return std::make_pair(level, -1);
        }
        return std::nullopt;
    }

    bool OverMenus(POINT p) { return PopupAt(p).has_value() || BarItemAt(p) >= 0; }

    void Mouse(const MSG& msg) {
        POINT p = ScreenPoint(msg);
        bool rightAllowed = (flags_ & TPM_RIGHTBUTTON) != 0;
        if (IsRightButton(msg.message) && !rightAllowed) return;
        auto over = PopupAt(p);
        int barItem = over ? -1 : BarItemAt(p);
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
            if (over) Hover(over->first, over->second);
            else if (barItem >= 0 && barItem != barSelected_ && !popups_.empty()) {
                SelectBar(barItem);
                OpenBarPopup(false);
            }
            return;
        }
        if (IsButtonDown(msg.message)) {
            if (barItem >= 0) {
                // The open bar item pressed again closes its menu.
                if (barItem == barSelected_ && !popups_.empty()) {
                    ended_ = true;
                    return;
                }
                SelectBar(barItem);
                OpenBarPopup(false);
            } else if (over && over->second >= 0) {
                Select(over->first, over->second, true);
                OpenSubmenu(over->first, false);
            }
            return;
        }
        if (IsAnyButtonUp(msg.message)) {
            if (over && over->second >= 0) Choose(over->first, over->second, true, p);
            else if (barItem >= 0 && barItem == barSelected_) ChooseBarItem();
        }
    }

    void Hover(std::size_t level, int item) {
        if (item < 0) return;
        auto snapshot = ReadMenu(popups_[level].menu);
        if (snapshot && snapshot->items[static_cast<std::size_t>(item)].IsSeparator()) item = -1;
        if (popups_[level].selected == item) return;
        // The deeper popups close and a submenu opens after the menu delay.
        CloseFrom(level + 1);
        Select(level, item, true);
        hoverLevel_ = level;
        DWORD delay = 400;
        SystemParametersInfo(SPI_GETMENUSHOWDELAY, 0, &delay, 0);
        SetTimer(popups_[level].window, kHoverTimer, std::max<DWORD>(delay, 1), nullptr);
    }

    void HoverElapsed() {
        if (hoverLevel_ < popups_.size()) {
            KillTimer(popups_[hoverLevel_].window, kHoverTimer);
            OpenSubmenu(hoverLevel_, false);
        }
        hoverLevel_ = SIZE_MAX;
    }

    void Key(const MSG& msg) {
        auto key = static_cast<UINT>(msg.wParam);
        if (key == VK_MENU || key == VK_F10) {
            ended_ = true;
            return;
        }
        if (popups_.empty()) {
            BarKey(key, msg);
            return;
        }
        std::size_t level = popups_.size() - 1;
        OpenPopup& top = popups_[level];
        switch (key) {
            case VK_UP:
            case VK_DOWN: {
                int from = top.selected >= 0 ? top.selected : (key == VK_UP ? 0 : -1);
                Select(level, NextSelectable(level, from, key == VK_UP ? -1 : 1), false);
                return;
            }
            case VK_RIGHT:
                if (top.selected >= 0 && OpenSubmenu(level, true)) return;
                if (bar_) {
                    SelectBar(barSelected_ + 1);
                    OpenBarPopup(true);
                }
                return;
            case VK_LEFT:
                if (level > 0) {
                    CloseFrom(level);
                    return;
                }
                if (bar_) {
                    SelectBar(barSelected_ - 1);
                    OpenBarPopup(true);
                }
                return;
            case VK_ESCAPE:
                if (level > 0 || bar_) CloseFrom(level);
                else ended_ = true;
                return;
            case VK_RETURN:
                if (top.selected >= 0) Choose(level, top.selected, false);
                else ended_ = true;
                return;
            default: TranslateMessage(&msg); return;
        }
    }

    void BarKey(UINT key, const MSG& msg) {
        switch (key) {
            case VK_LEFT: SelectBar(barSelected_ - 1); return;
            case VK_RIGHT: SelectBar(barSelected_ + 1); return;
            case VK_UP:
            case VK_DOWN:
            case VK_RETURN:
                if (GetSubMenu(bar_, barSelected_)) OpenBarPopup(true);
                else if (key == VK_RETURN) ChooseBarItem();
                return;
            case VK_ESCAPE: ended_ = true; return;
            default: TranslateMessage(&msg); return;
        }
    }

    // A typed letter picks the item whose mnemonic it is; the owner answers for others.
    void Character(char32_t c) {
        if (c < 0x80) c = static_cast<char32_t>(std::tolower(static_cast<int>(c)));
        HMENU menu = popups_.empty() ? bar_ : popups_.back().menu;
        auto snapshot = ReadMenu(menu);
        if (!snapshot) return;
        std::vector<int> matches;
        for (std::size_t i = 0; i < snapshot->items.size(); ++i)
            if (ItemMnemonic(snapshot->items[i].text) == c && c != 0) matches.push_back(static_cast<int>(i));
        if (matches.empty()) {
            LRESULT answer = 0;
            if (IsWindow(owner_))
                answer = SendMessage(owner_, WM_MENUCHAR,
                                     MAKEWPARAM(static_cast<WORD>(c), static_cast<WORD>(popups_.empty() ? 0 : MF_POPUP) |
                                                                          (IsSystem(menu) ? MF_SYSMENU : 0)),
                                     reinterpret_cast<LPARAM>(menu));
            int item = static_cast<int>(LOWORD(static_cast<DWORD>(answer)));
            switch (HIWORD(static_cast<DWORD>(answer))) {
                case MNC_CLOSE: ended_ = true; return;
                case MNC_EXECUTE: Pick(item, true); return;
                case MNC_SELECT: Pick(item, false); return;
                default: return;
            }
        }
        // One match acts; several are stepped through.
        int current = popups_.empty() ? barSelected_ : popups_.back().selected;
        int next = matches.front();
        for (int m : matches)
            if (m > current) {
                next = m;
                break;
            }
        Pick(next, matches.size() == 1);
    }

    void Pick(int item, bool execute) {
        if (popups_.empty()) {
            if (item < 0 || item >= GetMenuItemCount(bar_)) return;
            SelectBar(item);
            if (!execute) return;
            if (GetSubMenu(bar_, item)) OpenBarPopup(true);
            else ChooseBarItem();
            return;
        }
        std::size_t level = popups_.size() - 1;
        if (execute) Choose(level, item, false);
        else if (item >= 0 && item < GetMenuItemCount(popups_[level].menu)) Select(level, item, false);
    }

    HWND owner_;
    UINT flags_;
    HMENU bar_;
    bool system_;
    bool keyboard_ = false;
    std::vector<OpenPopup> popups_;
    int barSelected_ = -1;
    std::size_t hoverLevel_ = SIZE_MAX;
    bool ended_ = false;
    UINT chosen_ = 0;
    bool chosenFromSystem_ = false;
    LPARAM chosenPoint_ = 0;
    MenuTracker* previous_ = nullptr;
};

POINT SystemMenuPoint(HWND hwnd) {
    FrameLayout f = LayOutFrame(hwnd);
    RECT window;
    GetWindowRect(hwnd, &window);
    RECT icon = f.systemMenu;
    if (icon.right <= icon.left) icon = f.caption;
    if (icon.right <= icon.left) icon = {f.frame, f.frame, f.frame, f.frame};
    return {window.left + icon.left, window.top + icon.bottom};
}

}  // namespace popupmenus

void RegisterPopupMenuClass() {
    WNDCLASSEX existing;
    if (GetClassInfoEx(nullptr, popupmenus::kClassName, &existing)) return;
    WNDCLASSEX wc;
    wc.lpfnWndProc = &popupmenus::PopupProc;
    wc.lpszClassName = popupmenus::kClassName;
    wc.style = CS_SAVEBITS;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassEx(&wc);
}

void TrackMenuBar(HWND hwnd, int item, bool keyboard, bool openPopup) {
    HMENU bar = GetMenu(hwnd);
    if (!bar || GetMenuItemCount(bar) <= 0) return;
    popupmenus::MenuTracker(hwnd, 0, bar, false).TrackBar(item, keyboard, openPopup);
}

void TrackSystemMenu(HWND hwnd, bool keyboard, const POINT* at) {
    HMENU menu = GetSystemMenu(hwnd, 0);
    if (!menu) return;
    POINT p = at ? *at : popupmenus::SystemMenuPoint(hwnd);
    popupmenus::MenuTracker tracker(hwnd, TPM_LEFTALIGN | TPM_TOPALIGN | (keyboard ? 0 : TPM_RIGHTBUTTON), nullptr,
                                    true);
    tracker.TrackPopup(menu, p, nullptr);
}

}  // namespace parch::win

namespace parch {

using namespace win;

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, const TPMPARAMS* exclude) {
    if (!IsPopupMenu(menu) || !IsWindow(owner)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (popupmenus::running) {
        if (!(flags & TPM_RECURSE)) return 0;
    }
    popupmenus::MenuTracker tracker(owner, flags, nullptr, SystemMenuOwner(menu) != nullptr);
    popupmenus::MenuTracker* outer = std::exchange(popupmenus::running, nullptr);
    UINT result = tracker.TrackPopup(menu, {x, y}, exclude ? &exclude->rcExclude : nullptr);
    popupmenus::running = outer;
    return static_cast<BOOL>(result);
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu() {
    if (!popupmenus::running) return 0;
    popupmenus::running->End();
    return 1;
}

BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT position, RECT* rect) {
    if (!rect || !IsMenu(menu)) return 0;
    if (hwnd && GetMenu(hwnd) == menu) {
        std::vector<RECT> items = MenuBarItemRects(hwnd, MenuBarRect(hwnd));
        if (position >= items.size()) return 0;
        RECT window;
        GetWindowRect(hwnd, &window);
        *rect = items[position];
        OffsetRect(rect, window.left, window.top);
        return 1;
    }
    // A popup that is showing: found among the popup windows by its menu.
    std::vector<HWND> windows;
    {
        Lock lock(S().mutex);
        for (const auto& [handle, window] : S().windows)
            if (popupmenus::Contents().Find(handle) && popupmenus::Contents().Find(handle)->menu == menu)
                windows.push_back(handle);
    }
    for (HWND popup : windows) {
        auto content = popupmenus::ContentOf(popup);
        if (!content || position >= content->layout.items.size()) continue;
        *rect = content->layout.items[position];
        POINT origin{0, 0};
        ClientToScreen(popup, &origin);
        OffsetRect(rect, origin.x, origin.y);
        return 1;
    }
    return 0;
}

}  // namespace parch
