#include "platform/win/ScrollBarClass.h"

#include "platform/win/DefWindowProc.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SysCommand.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace {

bool IsGrip(HWND hwnd) {
    return (GetWindowLongPtr(hwnd, GWL_STYLE) & (SBS_SIZEGRIP | SBS_SIZEBOX)) != 0;
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!dc) return;
    RECT r;
    GetClientRect(hwnd, &r);
    if (IsGrip(hwnd)) {
        FillWithSysColor(dc, r, COLOR_3DFACE);
        DrawSizeGrip(dc, r);
    } else {
        ScrollState state;
        if (GetScrollState(hwnd, SB_CTL, state))
            PaintScrollBar(dc, r, (GetWindowLongPtr(hwnd, GWL_STYLE) & SBS_VERT) != 0, state);
    }
    EndPaint(hwnd, &ps);
}

void PressAt(HWND hwnd, LPARAM lParam) {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hwnd, &p);
    LPARAM screen = MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
    if (IsGrip(hwnd)) {
        HWND top = GetAncestor(hwnd, GA_ROOT);
        if (top && !IsZoomed(top)) SendMessage(top, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, screen);
        return;
    }
    TrackScrollBar(hwnd, SB_CTL, p);
}

LRESULT SetRange(HWND hwnd, int minPos, int maxPos, BOOL redraw) {
    SetScrollRange(hwnd, SB_CTL, minPos, maxPos, redraw);
    return 0;
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: Paint(hwnd); return 0;
        case WM_ERASEBKGND: return 1;  // the bar paints every pixel
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: PressAt(hwnd, lParam); return 0;
        case WM_SETCURSOR:
            if (IsGrip(hwnd)) {
                SetCursor(LoadCursor(nullptr, IDC_SIZENWSE));
                return 1;
            }
            break;
        case WM_ENABLE: InvalidateRect(hwnd, nullptr, 0); return 0;
        case SBM_SETPOS: return SetScrollPos(hwnd, SB_CTL, static_cast<int>(wParam), static_cast<BOOL>(lParam));
        case SBM_GETPOS: return GetScrollPos(hwnd, SB_CTL);
        case SBM_SETRANGE: return SetRange(hwnd, static_cast<int>(wParam), static_cast<int>(lParam), 0);
        case SBM_SETRANGEREDRAW: return SetRange(hwnd, static_cast<int>(wParam), static_cast<int>(lParam), 1);
        case SBM_GETRANGE:
            GetScrollRange(hwnd, SB_CTL, reinterpret_cast<int*>(wParam), reinterpret_cast<int*>(lParam));
            return 0;
        case SBM_ENABLE_ARROWS: return EnableScrollBar(hwnd, SB_CTL, static_cast<UINT>(wParam));
        case SBM_SETSCROLLINFO:
            return SetScrollInfo(hwnd, SB_CTL, reinterpret_cast<const SCROLLINFO*>(lParam), static_cast<BOOL>(wParam));
        case SBM_GETSCROLLINFO: return GetScrollInfo(hwnd, SB_CTL, reinterpret_cast<SCROLLINFO*>(lParam));
        default: break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace

void RegisterScrollBarClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = &Procedure;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "ScrollBar";
    RegisterClassEx(&wc);
}

}  // namespace parch::win
