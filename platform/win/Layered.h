#pragma once
// Layered windows, and the desktop services that are not available here.
//
// A WS_EX_LAYERED top-level window shows nothing until it is given a look: constant alpha or a
// colour key over its painted picture (SetLayeredWindowAttributes), or a premultiplied 32-bit
// picture of its own (UpdateLayeredWindow). Clearing WS_EX_LAYERED repaints it as a plain
// window. The mouse passes through pixels a layered window does not show and through
// WS_EX_TRANSPARENT windows.

#include "platform/os/OsTypes.h"
#include "platform/win/WinUser.h"

namespace parch {

constexpr DWORD ULW_COLORKEY = 0x00000001;
constexpr DWORD ULW_ALPHA = 0x00000002;
constexpr DWORD ULW_OPAQUE = 0x00000004;
constexpr DWORD LWA_COLORKEY = 0x00000001;
constexpr DWORD LWA_ALPHA = 0x00000002;

// screenDC is not needed (may be null). position and size may be null (unchanged); a null
// source keeps the picture and changes only placement and blend.
BOOL UpdateLayeredWindow(HWND hwnd, HDC screenDC, const POINT* position, const SIZE* size, HDC source,
                         const POINT* sourcePoint, COLORREF key, const BLENDFUNCTION* blend, DWORD flags);
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags);

// Desktop composition and visual styles are not available: callers take their fall-backs.
HRESULT DwmIsCompositionEnabled(BOOL* enabled);  // S_OK, *enabled FALSE
BOOL IsThemeActive();                            // FALSE
BOOL IsAppThemed();                              // FALSE

}  // namespace parch
