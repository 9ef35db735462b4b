#pragma once
// Values kept with each window: its procedure, styles, parent or owner, identifier, user data
// and extra bytes; window properties; the window text through its messages.

#include "platform/win/WinUser.h"

namespace parch {

LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
// Setting GWL_STYLE or GWL_EXSTYLE sends WM_STYLECHANGING (whose receiver may still change the
// new value) and WM_STYLECHANGED, unless the value stays the same. GWL_HWNDPARENT sets the owner
// of a top-level window (the parent of a child).
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);

// Properties by name (compared without regard to ASCII case).
BOOL SetProp(HWND hwnd, const char* name, void* data);
void* GetProp(HWND hwnd, const char* name);
void* RemoveProp(HWND hwnd, const char* name);

BOOL SetWindowText(HWND hwnd, const char* text);
int GetWindowText(HWND hwnd, char* buffer, int size);
int GetWindowTextLength(HWND hwnd);

}  // namespace parch
