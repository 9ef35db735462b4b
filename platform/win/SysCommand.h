#pragma once
// System commands (WM_SYSCOMMAND) as DefWindowProc carries them out, and the non-client mouse
// clicks that lead to them: the caption moves the window, the sizing borders size it, the
// caption buttons minimize, maximize, restore and close, the scroll bars scroll.

#include "platform/win/WinUser.h"

namespace parch {

// The low four bits of SC_MOVE and SC_SIZE tell how the loop began: HTCAPTION for a move by
// the caption (SC_MOVE + HTCAPTION is the well-known 0xF012), a WMSZ_ edge for sizing by a
// border, 0 from the keyboard.
constexpr UINT SC_DRAGMOVE = SC_MOVE + 2;
constexpr UINT SC_VSCROLL = 0xF070;
constexpr UINT SC_HSCROLL = 0xF080;
constexpr UINT SC_MOUSEMENU = 0xF090;
constexpr UINT SC_KEYMENU = 0xF100;
constexpr UINT SC_CONTEXTHELP = 0xF180;

// Edges in WM_SIZING and in the low bits of SC_SIZE.
constexpr WPARAM WMSZ_LEFT = 1;
constexpr WPARAM WMSZ_RIGHT = 2;
constexpr WPARAM WMSZ_TOP = 3;
constexpr WPARAM WMSZ_TOPLEFT = 4;
constexpr WPARAM WMSZ_TOPRIGHT = 5;
constexpr WPARAM WMSZ_BOTTOM = 6;
constexpr WPARAM WMSZ_BOTTOMLEFT = 7;
constexpr WPARAM WMSZ_BOTTOMRIGHT = 8;

}  // namespace parch

namespace parch::win {

LRESULT DefaultSysCommand(HWND hwnd, WPARAM command, LPARAM lParam);
// WM_NCLBUTTONDOWN and WM_NCLBUTTONDBLCLK with their hit-test code; other codes do nothing.
LRESULT DefaultNonClientButtonDown(HWND hwnd, LRESULT hit, LPARAM lParam);
LRESULT DefaultNonClientDoubleClick(HWND hwnd, LRESULT hit, LPARAM lParam);

}  // namespace parch::win
