#pragma once
// GetScrollBarInfo: where a bar and its parts lie and what state they are in, from the scroll
// bars' own state.

#include "platform/win/WinUser.h"

namespace parch {

constexpr LONG OBJID_CLIENT = -4;
constexpr LONG OBJID_VSCROLL = -5;
constexpr LONG OBJID_HSCROLL = -6;

constexpr DWORD STATE_SYSTEM_UNAVAILABLE = 0x00000001;
constexpr DWORD STATE_SYSTEM_PRESSED = 0x00000008;
constexpr DWORD STATE_SYSTEM_INVISIBLE = 0x00008000;
constexpr DWORD STATE_SYSTEM_OFFSCREEN = 0x00010000;

struct SCROLLBARINFO {
    DWORD cbSize = sizeof(SCROLLBARINFO);
    RECT rcScrollBar;  // screen coordinates
    int dxyLineButton = 0;
    int xyThumbTop = 0;  // from the bar's start
    int xyThumbBottom = 0;
    int reserved = 0;
    // The bar, the up/left arrow, the page-up area, the thumb, the page-down area, the
    // down/right arrow.
    DWORD rgstate[6] = {};
};

// OBJID_HSCROLL, OBJID_VSCROLL for a window's bars; OBJID_CLIENT for a "scrollbar" control.
BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info);

}  // namespace parch
