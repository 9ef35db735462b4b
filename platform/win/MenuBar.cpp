#include "platform/win/MenuBar.h"

#include "platform/gdi/Rects.h"
#include "platform/win/Input.h"
#include "platform/win/MenuItemDraw.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowPos.h"

namespace parch::win {

namespace menubar {

// Only top-level windows have a bar; a child's menu slot holds its identifier.
HMENU BarOf(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || (w->style & WS_CHILD)) return nullptr;
    return reinterpret_cast<HMENU>(w->id);
}

void FrameChanged(HWND hwnd) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// Alt or F10 pressed with no other key in between enters the menu when it goes up.
thread_local UINT pendingMenuKey = 0;

}  // namespace menubar

int MenuBarHeight(HWND hwnd, int windowWidth, DWORD style, DWORD exStyle) {
    HMENU bar = menubar::BarOf(hwnd);
    if (!bar || (style & WS_MINIMIZE)) return 0;
    auto menu = ReadMenu(bar);
    if (!menu) return 0;
    int width = windowWidth - 2 * FrameThickness(style, exStyle);
    return LayOutMenuBar(hwnd, *menu, width).size.cy;
}

RECT MenuBarRect(HWND hwnd) {
    return LayOutFrame(hwnd).menuBar;
}

std::vector<RECT> MenuBarItemRects(HWND hwnd, const RECT& bar) {
    auto menu = ReadMenu(menubar::BarOf(hwnd));
    if (!menu || bar.right <= bar.left) return {};
    std::vector<RECT> items = LayOutMenuBar(hwnd, *menu, bar.right - bar.left).items;
    for (RECT& r : items) OffsetRect(&r, bar.left, bar.top);
    return items;
}

void PaintMenuBar(HWND hwnd, HDC dc, const RECT& bar) {
    if (bar.right <= bar.left || bar.bottom <= bar.top) return;
    FillWithSysColor(dc, bar, COLOR_MENU);
    auto menu = ReadMenu(menubar::BarOf(hwnd));
    if (!menu) return;
    std::vector<RECT> items = MenuBarItemRects(hwnd, bar);
    for (std::size_t i = 0; i < items.size() && i < menu->items.size(); ++i)
        PaintMenuItem(hwnd, dc, *menu, static_cast<int>(i), items[i], true);
}

void RedrawMenuBar(HWND hwnd) {
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    PaintMenuBar(hwnd, dc, MenuBarRect(hwnd));
    ReleaseDC(hwnd, dc);
}

bool MenuKeyReleased(UINT message, WPARAM key) {
    using menubar::pendingMenuKey;
    if (message == WM_SYSKEYDOWN || message == WM_KEYDOWN) {
        bool menuKey = key == VK_MENU || key == VK_F10;
        // A repeat of the same key keeps it pending; any other key spoils it.
        pendingMenuKey = menuKey && (pendingMenuKey == 0 || pendingMenuKey == key) ? static_cast<UINT>(key) : 0;
        return false;
    }
    if (message == WM_SYSKEYUP || message == WM_KEYUP) {
        bool enters = pendingMenuKey != 0 && pendingMenuKey == key;
        pendingMenuKey = 0;
        return enters;
    }
    return false;
}

}  // namespace parch::win

namespace parch {

using namespace win;

BOOL SetMenu(HWND hwnd, HMENU menu) {
    if (menu && (!IsMenu(menu) || IsPopupMenu(menu))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    HMENU old;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || (w->style & WS_CHILD)) return 0;
        old = reinterpret_cast<HMENU>(w->id);
        w->id = reinterpret_cast<LONG_PTR>(menu);
    }
    if (old && MenuBarOwner(old) == hwnd) SetMenuBarOwner(old, nullptr);
    if (menu) SetMenuBarOwner(menu, hwnd);
    menubar::FrameChanged(hwnd);
    return 1;
}

HMENU GetMenu(HWND hwnd) {
    HMENU menu = menubar::BarOf(hwnd);
    return IsMenu(menu) ? menu : nullptr;
}

BOOL DrawMenuBar(HWND hwnd) {
    if (!GetMenu(hwnd)) return 0;
    menubar::FrameChanged(hwnd);
    return 1;
}

}  // namespace parch
