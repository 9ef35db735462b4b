#include "platform/win/SysCommand.h"

#include <cctype>
#include <vector>

#include "platform/gdi/Rects.h"
#include "platform/win/Hooks.h"
#include "platform/win/MenuBar.h"
#include "platform/win/MenuState.h"
#include "platform/win/Messages.h"
#include "platform/win/ModalLoop.h"
#include "platform/win/MoveSizeLoop.h"
#include "platform/win/NonClient.h"
#include "platform/win/PopupMenus.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace {

POINT PointOf(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

// The screen point a mouse-started command came with; a command sent without one (as skins
// do) takes the position of the press that is being handled.
POINT StartPoint(LPARAM lParam) {
    if (lParam) return PointOf(lParam);
    DWORD pos = GetMessagePos();
    return {static_cast<std::int16_t>(LOWORD(pos)), static_cast<std::int16_t>(HIWORD(pos))};
}

DWORD StyleOf(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w ? w->style : 0;
}

bool CloseDisabled(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return !w || (w->windowClass->style & CS_NOCLOSE);
}

RECT ButtonRect(HWND hwnd, LRESULT button) {
    FrameLayout f = LayOutFrame(hwnd);
    switch (button) {
        case HTCLOSE: return f.closeButton;
        case HTMAXBUTTON: return f.maxButton;
        case HTMINBUTTON: return f.minButton;
        case HTHELP: return f.helpButton;
        default: return {};
    }
}

bool ButtonEnabled(HWND hwnd, LRESULT button) {
    DWORD style = StyleOf(hwnd);
    if (style & WS_DISABLED) return false;
    if (button == HTMAXBUTTON) return (style & WS_MAXIMIZEBOX) != 0;
    if (button == HTMINBUTTON) return (style & WS_MINIMIZEBOX) != 0;
    if (button == HTCLOSE) return !CloseDisabled(hwnd);
    return true;
}

UINT ButtonCommand(HWND hwnd, LRESULT button) {
    DWORD style = StyleOf(hwnd);
    switch (button) {
        case HTCLOSE: return SC_CLOSE;
        case HTMAXBUTTON: return (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
        case HTMINBUTTON: return (style & WS_MINIMIZE) ? SC_RESTORE : SC_MINIMIZE;
        default: return SC_CONTEXTHELP;
    }
}

bool OverButton(HWND hwnd, LRESULT button, POINT screen) {
    RECT window;
    GetWindowRect(hwnd, &window);
    RECT r = ButtonRect(hwnd, button);
    POINT p{screen.x - window.left, screen.y - window.top};
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// A caption button acts when the button goes up over it; it shows pressed while the mouse is
// over it.
void TrackCaptionButton(HWND hwnd, LRESULT button, POINT start) {
    RECT r = ButtonRect(hwnd, button);
    if (r.right <= r.left || !ButtonEnabled(hwnd, button)) return;  // a code from a frame of the window's own
    bool over = OverButton(hwnd, button, start);
    PaintCaptionButtons(hwnd, over ? button : 0);
    POINT last = start;
    RunCaptureLoop(hwnd, [&](const MSG& msg) {
        if (!IsMouseMessage(msg.message)) return LoopStep::Dispatch;
        last = msg.pt;
        bool now = OverButton(hwnd, button, last);
        if (now != over) {
            over = now;
            PaintCaptionButtons(hwnd, over ? button : 0);
        }
        return IsButtonUp(msg.message) ? LoopStep::End : LoopStep::Continue;
    });
    if (!IsWindow(hwnd)) return;
    PaintCaptionButtons(hwnd, 0);
    if (over) SendMessage(hwnd, WM_SYSCOMMAND, ButtonCommand(hwnd, button), MAKELONG(static_cast<WORD>(last.x),
                                                                                     static_cast<WORD>(last.y)));
}

// Alt alone enters the bar at its first item; Alt with a letter opens the item of that
// mnemonic; Alt+Space opens the system menu.
void KeyMenu(HWND hwnd, LPARAM key) {
    if (key == ' ') {
        if (StyleOf(hwnd) & WS_SYSMENU) TrackSystemMenu(hwnd, true);
        return;
    }
    HMENU bar = GetMenu(hwnd);
    if (!bar) return;
    if (key == 0) {
        TrackMenuBar(hwnd, 0, true, false);
        return;
    }
    char32_t wanted = key < 0x80 ? static_cast<char32_t>(std::tolower(static_cast<int>(key))) : static_cast<char32_t>(key);
    int count = GetMenuItemCount(bar);
    for (int i = 0; i < count; ++i) {
        char text[256];
        GetMenuString(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (ItemMnemonic(text) == wanted) {
            TrackMenuBar(hwnd, i, true, GetSubMenu(bar, i) != nullptr);
            return;
        }
    }
}

void MouseMenu(HWND hwnd, WPARAM hit, LPARAM lParam) {
    if (hit == HTSYSMENU) {
        TrackSystemMenu(hwnd, false);
        return;
    }
    POINT p = StartPoint(lParam);
    std::vector<RECT> items = MenuBarItemRects(hwnd, MenuBarRect(hwnd));
    RECT window;
    GetWindowRect(hwnd, &window);
    for (std::size_t i = 0; i < items.size(); ++i) {
        OffsetRect(&items[i], window.left, window.top);
        if (PtInRect(&items[i], p)) {
            TrackMenuBar(hwnd, static_cast<int>(i), false, true);
            return;
        }
    }
}

}  // namespace

LRESULT DefaultSysCommand(HWND hwnd, WPARAM command, LPARAM lParam) {
    if (CallHooks(WH_CBT, HCBT_SYSCOMMAND, command, lParam)) return 0;
    switch (command & 0xFFF0) {
        case SC_MOVE:
        case SC_SIZE: RunMoveSizeLoop(hwnd, command, StartPoint(lParam)); break;
        case SC_CLOSE:
            if (!CloseDisabled(hwnd)) SendMessage(hwnd, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        case SC_HSCROLL: TrackScrollBar(hwnd, SB_HORZ, StartPoint(lParam)); break;
        case SC_VSCROLL: TrackScrollBar(hwnd, SB_VERT, StartPoint(lParam)); break;
        case SC_KEYMENU: KeyMenu(hwnd, lParam); break;
        case SC_MOUSEMENU: MouseMenu(hwnd, command & 0x000F, lParam); break;
        default: break;
    }
    return 0;
}

LRESULT DefaultNonClientButtonDown(HWND hwnd, LRESULT hit, LPARAM lParam) {
    switch (hit) {
        case HTCAPTION: SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lParam); break;
        case HTLEFT:
        case HTRIGHT:
        case HTTOP:
        case HTTOPLEFT:
        case HTTOPRIGHT:
        case HTBOTTOM:
        case HTBOTTOMLEFT:
        case HTBOTTOMRIGHT:
            SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE + static_cast<WPARAM>(hit - HTLEFT) + WMSZ_LEFT, lParam);
            break;
        case HTVSCROLL: SendMessage(hwnd, WM_SYSCOMMAND, SC_VSCROLL + HTVSCROLL, lParam); break;
        case HTHSCROLL: SendMessage(hwnd, WM_SYSCOMMAND, SC_HSCROLL + HTHSCROLL, lParam); break;
        case HTMENU: SendMessage(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU + HTMENU, lParam); break;
        case HTSYSMENU: SendMessage(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, lParam); break;
        case HTMINBUTTON:
        case HTMAXBUTTON:
        case HTCLOSE:
        case HTHELP: TrackCaptionButton(hwnd, hit, PointOf(lParam)); break;
        default: break;
    }
    return 0;
}

LRESULT DefaultNonClientDoubleClick(HWND hwnd, LRESULT hit, LPARAM lParam) {
    DWORD style = StyleOf(hwnd);
    switch (hit) {
        case HTCAPTION:
            if (style & WS_MINIMIZE) SendMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, lParam);
            else if (style & WS_MAXIMIZEBOX)
                SendMessage(hwnd, WM_SYSCOMMAND, (style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lParam);
            break;
        case HTSYSMENU: SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam); break;
        case HTVSCROLL:
        case HTHSCROLL: return DefaultNonClientButtonDown(hwnd, hit, lParam);
        default: break;
    }
    return 0;
}

}  // namespace parch::win
