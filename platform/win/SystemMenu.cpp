#include "platform/win/SystemMenu.h"

#include "platform/win/SysCommand.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowSideTable.h"

namespace parch::win {

namespace systemmenu {

WindowSideTable<HMENU>& Menus() {
    static auto* table = new WindowSideTable<HMENU>;
    return *table;
}

HMENU MakeStandardMenu() {
    HMENU menu = CreatePopupMenu();
    AppendMenu(menu, MF_STRING, SC_RESTORE, "&Restore");
    AppendMenu(menu, MF_STRING, SC_MOVE, "&Move");
    AppendMenu(menu, MF_STRING, SC_SIZE, "&Size");
    AppendMenu(menu, MF_STRING, SC_MINIMIZE, "Mi&nimize");
    AppendMenu(menu, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    SetMenuDefaultItem(menu, SC_CLOSE, 0);
    return menu;
}

}  // namespace systemmenu

void RefreshSystemMenu(HWND hwnd) {
    HMENU menu = GetSystemMenu(hwnd, 0);
    DWORD style;
    bool noClose;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || !menu) return;
        style = w->style;
        noClose = (w->windowClass->style & CS_NOCLOSE) != 0;
    }
    bool minimized = (style & WS_MINIMIZE) != 0;
    bool maximized = (style & WS_MAXIMIZE) != 0;
    auto enable = [menu](UINT command, bool on) { EnableMenuItem(menu, command, on ? MF_ENABLED : MF_GRAYED); };
    enable(SC_RESTORE, minimized || maximized);
    enable(SC_MOVE, !maximized);
    enable(SC_SIZE, !minimized && !maximized && (style & WS_THICKFRAME));
    enable(SC_MINIMIZE, !minimized && (style & WS_MINIMIZEBOX));
    enable(SC_MAXIMIZE, !maximized && (style & WS_MAXIMIZEBOX));
    enable(SC_CLOSE, !noClose);
}

}  // namespace parch::win

namespace parch {

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
    using namespace win;
    HMENU existing = nullptr;
    {
        Lock lock(S().mutex);
        if (!FindLive(hwnd)) return nullptr;
        if (HMENU* found = systemmenu::Menus().Find(hwnd)) existing = *found;
        if (existing && !IsMenu(existing)) existing = nullptr;
        if (revert) systemmenu::Menus().Erase(hwnd);
    }
    if (revert) {
        if (existing) DestroyMenu(existing);
        return nullptr;
    }
    if (existing) return existing;
    HMENU menu = systemmenu::MakeStandardMenu();
    SetSystemMenuOwner(menu, hwnd);
    Lock lock(S().mutex);
    if (!FindLive(hwnd)) {
        lock.unlock();
        DestroyMenu(menu);
        return nullptr;
    }
    systemmenu::Menus().Get(hwnd) = menu;
    return menu;
}

}  // namespace parch
