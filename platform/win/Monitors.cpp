#include "platform/win/Monitors.h"

#include "platform/win/SystemValues.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowLife.h"

namespace parch {

// The one monitor's handle is the address of an object of this type.
struct HMONITOR__ {};

namespace {

HMONITOR ThePrimaryMonitor() {
    static HMONITOR__ primary;
    return &primary;
}

HMONITOR MonitorOrDefault(bool onScreen, DWORD flags) {
    if (onScreen) return ThePrimaryMonitor();
    // With one monitor the nearest is the primary one.
    return flags == MONITOR_DEFAULTTONULL ? nullptr : ThePrimaryMonitor();
}

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
    RECT screen = win::ScreenRect();
    bool inside = point.x >= screen.left && point.x < screen.right && point.y >= screen.top && point.y < screen.bottom;
    return MonitorOrDefault(inside, flags);
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
    RECT rect{};
    if (!IsWindow(hwnd) || !GetWindowRect(hwnd, &rect)) return nullptr;
    return MonitorOrDefault(Overlap(rect, win::ScreenRect()), flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
    if (monitor != ThePrimaryMonitor() || !info || info->cbSize < sizeof(MONITORINFO)) return 0;
    info->rcMonitor = win::ScreenRect();
    info->rcWork = win::WorkArea();
    info->dwFlags = MONITORINFOF_PRIMARY;
    return 1;
}

}  // namespace parch
