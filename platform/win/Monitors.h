#pragma once
// Monitors. The window system shows one screen, so there is one monitor: the whole screen,
// with the work area of the system parameters.

#include "platform/win/WinUser.h"

namespace parch {

struct HMONITOR__;
using HMONITOR = HMONITOR__*;

// What MonitorFromPoint and MonitorFromWindow answer when no monitor holds the place.
constexpr DWORD MONITOR_DEFAULTTONULL = 0x00000000;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 0x00000001;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 0x00000002;

constexpr DWORD MONITORINFOF_PRIMARY = 0x00000001;

struct MONITORINFO {
    DWORD cbSize = sizeof(MONITORINFO);
    RECT rcMonitor{};
    RECT rcWork{};
    DWORD dwFlags = 0;
};

HMONITOR MonitorFromPoint(POINT point, DWORD flags);
// The monitor the window's rectangle overlaps; a window that is not valid has none.
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
// Fails for a handle that is no monitor or a record smaller than MONITORINFO.
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);

}  // namespace parch
