#include "platform/win/ControlSupport.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/SystemColors.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowTree.h"

namespace parch {

int GetWindowTextW(HWND hwnd, char16_t* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::u16string text = Utf16FromUtf8(win::WindowText(hwnd));
    std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
    // Never end on the first half of a surrogate pair.
    if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return static_cast<int>(n);
}

int GetWindowTextLengthW(HWND hwnd) { return static_cast<int>(Utf16FromUtf8(win::WindowText(hwnd)).size()); }

BOOL SetWindowTextW(HWND hwnd, const char16_t* text) {
    std::string utf8 = text ? Utf8FromUtf16(text) : std::string();
    return SetWindowText(hwnd, utf8.c_str());
}

int GetDlgCtrlID(HWND hwnd) { return static_cast<int>(GetWindowLongPtr(hwnd, GWLP_ID)); }

}  // namespace parch

namespace parch::win {

void NotifyParent(HWND control, WORD code) {
    HWND parent = GetParent(control);
    if (!parent || !(GetWindowLongPtr(control, GWL_STYLE) & WS_CHILD)) return;
    auto id = static_cast<WORD>(GetDlgCtrlID(control));
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

HBRUSH ControlColors(HWND control, HDC dc, UINT message) {
    HWND parent = GetParent(control);
    if (parent) {
        LRESULT answer = SendMessage(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
        if (answer) return reinterpret_cast<HBRUSH>(answer);
    }
    return DefaultControlColors(dc, message);
}

HBRUSH DefaultControlColors(HDC dc, UINT message) {
    const bool windowColored = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
    SetTextColor(dc, GetSysColor(windowColored ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(windowColored ? COLOR_WINDOW : COLOR_3DFACE));
    SetBkMode(dc, OPAQUE);
    if (message == WM_CTLCOLORSCROLLBAR) return GetSysColorBrush(COLOR_SCROLLBAR);
    return GetSysColorBrush(windowColored ? COLOR_WINDOW : COLOR_3DFACE);
}

void PaintControl(HWND control, HDC given, const std::function<void(HDC)>& paint) {
    if (given) {
        paint(given);
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(control, &ps);
    if (!dc) return;
    paint(dc);
    EndPaint(control, &ps);
}

std::string WindowText(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w ? w->text : std::string();
}

}  // namespace parch::win
