#pragma once
// AnimateWindow: shows or hides a window with a fade, a roll or slide from an edge, or an
// expansion from the centre, stepped on the window system's clock. A top-level window is shown
// through the layered-window machinery, so every intermediate frame reaches the screen; a child
// window (which cannot be layered) is revealed through its window region, so for it a slide
// looks like a roll and AW_BLEND is refused, as Windows refuses it.

#include "platform/win/WinUser.h"

namespace parch {

constexpr DWORD AW_HOR_POSITIVE = 0x00000001;
constexpr DWORD AW_HOR_NEGATIVE = 0x00000002;
constexpr DWORD AW_VER_POSITIVE = 0x00000004;
constexpr DWORD AW_VER_NEGATIVE = 0x00000008;
constexpr DWORD AW_CENTER = 0x00000010;
constexpr DWORD AW_HIDE = 0x00010000;
constexpr DWORD AW_ACTIVATE = 0x00020000;
constexpr DWORD AW_SLIDE = 0x00040000;
constexpr DWORD AW_BLEND = 0x00080000;

// FALSE (nothing done) when the window is already shown (or, with AW_HIDE, already hidden),
// when a roll or slide names no direction, and for AW_BLEND with AW_CENTER or on a child window.
// Blocks for `time` milliseconds of the window system's clock; ends with the window shown (and
// activated with AW_ACTIVATE) or hidden, and with its own look and layered state as before.
BOOL AnimateWindow(HWND hwnd, DWORD time, DWORD flags);

}  // namespace parch
