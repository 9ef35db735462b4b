#pragma once
// The window tree: parents, owners, siblings in z-order (topmost windows above the others),
// and the queries over it.

#include "platform/win/WinUser.h"

namespace parch {

HWND GetDesktopWindow();
// The parent of a child window, the owner of a popup, else null.
HWND GetParent(HWND hwnd);
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetTopWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
// Every descendant, each window followed by its own descendants, in z-order. Windows made or
// destroyed during the walk are not visited.
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam);
// Class and title may be null (any); className may be an atom.
HWND FindWindow(const char* className, const char* windowName);
HWND FindWindowEx(HWND parent, HWND childAfter, const char* className, const char* windowName);
// The deepest visible, enabled window under a screen point; windows of the calling thread that
// answer WM_NCHITTEST with HTTRANSPARENT let the point through to the windows below.
HWND WindowFromPoint(POINT point);
// The child of parent under a point in parent's client coordinates; parent itself when no
// child is there; null outside parent.
HWND ChildWindowFromPoint(HWND parent, POINT point);
HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags);

}  // namespace parch

namespace parch::win {

struct Window;
// Places w among parent's children (lock held): HWND_TOP, HWND_BOTTOM, HWND_TOPMOST,
// HWND_NOTOPMOST or below a sibling; topmost top-level windows stay above the others.
void LinkWindow(Window* w, Window* parent, HWND insertAfter);
void UnlinkWindow(Window* w);
// The window under a screen point and its hit-test code, sending WM_NCHITTEST; without the
// lock. Disabled windows are returned too (the caller decides), hidden ones never.
HWND HitTestWindow(POINT screen, LRESULT* hitCode);

}  // namespace parch::win
