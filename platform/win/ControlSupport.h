#pragma once
// What every standard control shares: telling its parent (WM_COMMAND notifications, the
// WM_CTLCOLOR* question before painting), the default colours when nobody answers, and the
// window text in UTF-16 for the "W" functions.

#include <functional>
#include <string>

#include "platform/win/WinUser.h"

namespace parch {

int GetWindowTextW(HWND hwnd, char16_t* buffer, int size);
// In UTF-16 units; the text's UTF-16 length, not its byte count.
int GetWindowTextLengthW(HWND hwnd);
BOOL SetWindowTextW(HWND hwnd, const char16_t* text);
int GetDlgCtrlID(HWND hwnd);

}  // namespace parch

namespace parch::win {

// Sends WM_COMMAND(MAKEWPARAM(id, code), control) to the control's parent.
void NotifyParent(HWND control, WORD code);

// Asks the parent for the brush and colours of `control`'s painting (WM_CTLCOLOREDIT,
// WM_CTLCOLORSTATIC...); without a parent, or when the parent answers 0, the defaults apply.
HBRUSH ControlColors(HWND control, HDC dc, UINT message);

// DefWindowProc's answer to WM_CTLCOLOR*: window colours for edits and lists, face colours for
// the others; text in the matching text colour, background mode opaque.
HBRUSH DefaultControlColors(HDC dc, UINT message);

// A control's WM_PAINT: paint into `given` when the message brought a context (as common
// controls accept in WParam), else between BeginPaint and EndPaint.
void PaintControl(HWND control, HDC given, const std::function<void(HDC)>& paint);

// The window's text as stored (UTF-8).
std::string WindowText(HWND hwnd);

}  // namespace parch::win
