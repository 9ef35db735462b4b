#include "framework/UtilWindow.h"

#include <mutex>

#include "platform/win/WinApi.h"

namespace parch {

namespace {

constexpr const char* kUtilWindowClass = "TPUtilWindow";

void RegisterUtilWindowClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEX wc;
        wc.lpfnWndProc = DefWindowProc;
        wc.lpszClassName = kUtilWindowClass;
        RegisterClassEx(&wc);
    });
}

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
    RegisterUtilWindowClass();
    // Message-only: never shown, never activated, out of the screen's window tree.
    HWND wnd = CreateWindowEx(WS_EX_TOOLWINDOW, kUtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              nullptr, nullptr);
    if (!wnd || !method) return wnd;
    WNDPROC proc = MakeWindowProcInstance([method = std::move(method)](HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
        TMessage message{msg, wParam, lParam, 0};
        method(message);
        return message.Result;
    });
    SetWindowLongPtr(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    return wnd;
}

void DeallocateHWnd(HWND wnd) {
    if (!IsWindow(wnd)) return;
    auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(wnd, GWLP_WNDPROC));
    DestroyWindow(wnd);
    if (IsWindowProcInstance(proc)) FreeWindowProcInstance(proc);
}

}  // namespace parch
