#include "platform/win/Accelerators.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/MenuBar.h"
#include "platform/win/MenuState.h"
#include "platform/win/Messages.h"
#include "platform/win/SystemMenu.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace accelerators {

constexpr int kMaxEntries = 32767;

struct TableStore {
    std::unordered_map<HACCEL, std::vector<ACCEL>> tables;
    std::uintptr_t next = 0x50010;
};

// Guarded by the window system's lock.
TableStore& Store() {
    static auto* store = new TableStore;
    return *store;
}

bool Down(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

bool Matches(const ACCEL& entry, const MSG& msg) {
    bool virtualKey = (entry.fVirt & FVIRTKEY) != 0;
    bool keyMessage = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    bool charMessage = msg.message == WM_CHAR || msg.message == WM_SYSCHAR;
    if (virtualKey ? !keyMessage : !charMessage) return false;
    if (entry.key != static_cast<WORD>(msg.wParam)) return false;
    bool alt = msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSCHAR || Down(VK_MENU);
    if (((entry.fVirt & FALT) != 0) != alt) return false;
    if (!virtualKey) return true;  // a character carries its shift state itself
    return ((entry.fVirt & FSHIFT) != 0) == Down(VK_SHIFT) && ((entry.fVirt & FCONTROL) != 0) == Down(VK_CONTROL);
}

// The submenu of the bar that holds the command, with its position in the bar.
std::pair<HMENU, int> PopupHolding(HMENU bar, UINT command) {
    auto place = FindMenuItem(bar, command, false);
    if (!place) return {nullptr, -1};
    int count = GetMenuItemCount(bar);
    for (int i = 0; i < count; ++i)
        if (HMENU sub = GetSubMenu(bar, i); sub && FindMenuItem(sub, command, false)) return {sub, i};
    return {nullptr, -1};
}

bool Greyed(HMENU menu, UINT command) {
    UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED));
}

// Sends the command as a menu would, after letting the menu update its items.
void Fire(HWND hwnd, WORD command) {
    HMENU bar = GetMenu(hwnd);
    if (bar && FindMenuItem(bar, command, false)) {
        SendMessage(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
        auto [popup, position] = PopupHolding(bar, command);
        if (popup)
            SendMessage(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup),
                        MAKELPARAM(static_cast<WORD>(position), 0));
        if (!IsWindow(hwnd) || Greyed(bar, command)) return;
        SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(command, 1), 0);
        return;
    }
    HMENU system = (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_SYSMENU) ? GetSystemMenu(hwnd, 0) : nullptr;
    if (system && FindMenuItem(system, command, false)) {
        RefreshSystemMenu(hwnd);
        SendMessage(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(system), 0);
        if (!IsWindow(hwnd) || Greyed(system, command)) return;
        SendMessage(hwnd, WM_SYSCOMMAND, command, 0);
        return;
    }
    SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(command, 1), 0);
}

}  // namespace accelerators

}  // namespace parch::win

namespace parch {

using namespace win;

HACCEL CreateAcceleratorTable(const ACCEL* entries, int count) {
    if (!entries || count <= 0 || count > accelerators::kMaxEntries) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Lock lock(S().mutex);
    auto handle = reinterpret_cast<HACCEL>(accelerators::Store().next);
    accelerators::Store().next += 4;
    accelerators::Store().tables.emplace(handle, std::vector<ACCEL>(entries, entries + count));
    return handle;
}

BOOL DestroyAcceleratorTable(HACCEL table) {
    Lock lock(S().mutex);
    return accelerators::Store().tables.erase(table) ? 1 : 0;
}

int CopyAcceleratorTable(HACCEL table, ACCEL* entries, int count) {
    Lock lock(S().mutex);
    auto it = accelerators::Store().tables.find(table);
    if (it == accelerators::Store().tables.end()) return 0;
    const std::vector<ACCEL>& all = it->second;
    if (!entries) return static_cast<int>(all.size());
    int n = std::min<int>(count, static_cast<int>(all.size()));
    for (int i = 0; i < n; ++i) entries[i] = all[static_cast<std::size_t>(i)];
    return std::max(n, 0);
}

int TranslateAccelerator(HWND hwnd, HACCEL table, const MSG* msg) {
    if (!msg || !IsWindow(hwnd)) return 0;
    std::optional<WORD> command;
    {
        Lock lock(S().mutex);
        auto it = accelerators::Store().tables.find(table);
        if (it == accelerators::Store().tables.end()) return 0;
        for (const ACCEL& entry : it->second)
            if (accelerators::Matches(entry, *msg)) {
                command = entry.cmd;
                break;
            }
    }
    if (!command) return 0;
    // A minimized window or a window holding the mouse takes the key but no command.
    if (!IsIconic(hwnd) && GetCapture() == nullptr) accelerators::Fire(hwnd, *command);
    return 1;
}

}  // namespace parch
