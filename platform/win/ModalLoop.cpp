#include "platform/win/ModalLoop.h"

#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowLife.h"

namespace parch::win {

bool IsMouseMessage(UINT message) {
    return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK);
}

bool IsButtonUp(UINT message) {
    return message == WM_LBUTTONUP || message == WM_NCLBUTTONUP;
}

void RunCaptureLoop(HWND hwnd, const std::function<LoopStep(const MSG&)>& step) {
    SetCapture(hwnd);
    MSG msg;
    while (IsWindow(hwnd) && GetCapture() == hwnd) {
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        LoopStep next = step(msg);
        if (next == LoopStep::End) break;
        if (next == LoopStep::Dispatch) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    if (GetCapture() == hwnd) ReleaseCapture();
}

}  // namespace parch::win
