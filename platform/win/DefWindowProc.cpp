#include "platform/win/DefWindowProc.h"

#include <algorithm>
#include <cstring>

#include "platform/win/ControlSupport.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/MenuBar.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/SysCommand.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch {

using namespace win;

namespace {

// WM_CONTEXTMENU's point when the keyboard asked for the menu (Shift+F10, the menu key).
constexpr LPARAM kContextMenuFromKeyboard = -1;

LPARAM PackPoint(int x, int y) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
}

// The parent of a child window, for messages that children pass up.
HWND ChildsParent(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || !(w->style & WS_CHILD) || !w->parent || w->parent->isRoot) return nullptr;
    return w->parent->handle;
}

void StoreText(HWND hwnd, const char* text) {
    Lock lock(S().mutex);
    if (Window* w = FindLive(hwnd)) w->text = text ? text : "";
}

// Copies the text into a buffer of size bytes; a multi-byte character is never cut in half.
LRESULT CopyText(HWND hwnd, WPARAM size, char* buffer) {
    if (!buffer || size == 0) return 0;
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return 0;
    std::size_t n = std::min<std::size_t>(w->text.size(), size - 1);
    while (n > 0 && n < w->text.size() && (static_cast<unsigned char>(w->text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(buffer, w->text.data(), n);
    buffer[n] = 0;
    return static_cast<LRESULT>(n);
}

void ClampToTrackSize(HWND hwnd, WINDOWPOS* pos) {
    DWORD style;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        style = w->style;
    }
    if (!pos || (pos->flags & SWP_NOSIZE) || (style & WS_MINIMIZE)) return;
    if (!(style & WS_THICKFRAME) && (style & (WS_POPUP | WS_CHILD))) return;
    MINMAXINFO info = DefaultMinMaxInfo(hwnd);
    SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    pos->cx = std::clamp(pos->cx, static_cast<int>(info.ptMinTrackSize.x),
                         std::max(static_cast<int>(info.ptMinTrackSize.x), static_cast<int>(info.ptMaxTrackSize.x)));
    pos->cy = std::clamp(pos->cy, static_cast<int>(info.ptMinTrackSize.y),
                         std::max(static_cast<int>(info.ptMinTrackSize.y), static_cast<int>(info.ptMaxTrackSize.y)));
}

void SendMoveAndSize(HWND hwnd, const WINDOWPOS* pos) {
    if (!pos) return;
    RECT client;
    DWORD style;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        client = w->clientRect;
        style = w->style;
        if (!(pos->flags & SWP_NOCLIENTSIZE)) w->needSize = false;
    }
    if (!(pos->flags & SWP_NOCLIENTMOVE)) SendMessage(hwnd, WM_MOVE, 0, PackPoint(client.left, client.top));
    if (!(pos->flags & SWP_NOCLIENTSIZE)) {
        WPARAM type = (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessage(hwnd, WM_SIZE, type, PackPoint(client.right - client.left, client.bottom - client.top));
    }
}

LRESULT SetIcon(HWND hwnd, WPARAM which, LPARAM icon) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return 0;
    HICON& slot = which == ICON_BIG ? w->iconBig : w->iconSmall;
    HICON old = slot;
    slot = reinterpret_cast<HICON>(icon);
    return reinterpret_cast<LRESULT>(old);
}

LRESULT GetIcon(HWND hwnd, WPARAM which) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return 0;
    if (which == ICON_BIG) return reinterpret_cast<LRESULT>(w->iconBig);
    if (which == ICON_SMALL) return reinterpret_cast<LRESULT>(w->iconSmall);
    // ICON_SMALL2: whatever small picture the window has, down to its class icons.
    for (HICON icon : {w->iconSmall, w->windowClass->iconSmall, w->iconBig, w->windowClass->icon})
        if (icon) return reinterpret_cast<LRESULT>(icon);
    return 0;
}

LRESULT DefaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (HWND parent = ChildsParent(hwnd))
        if (SendMessage(parent, WM_SETCURSOR, wParam, lParam)) return 1;
    auto hit = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lParam)));
    switch (hit) {
        case HTCLIENT: {
            HCURSOR cursor;
            {
                Lock lock(S().mutex);
                Window* w = FindLive(hwnd);
                cursor = w ? w->windowClass->cursor : nullptr;
            }
            if (!cursor) return 0;
            SetCursor(cursor);
            return 1;
        }
        case HTERROR: return 0;
        case HTLEFT:
        case HTRIGHT: SetCursor(LoadCursor(nullptr, IDC_SIZEWE)); return 1;
        case HTTOP:
        case HTBOTTOM: SetCursor(LoadCursor(nullptr, IDC_SIZENS)); return 1;
        case HTTOPLEFT:
        case HTBOTTOMRIGHT: SetCursor(LoadCursor(nullptr, IDC_SIZENWSE)); return 1;
        case HTTOPRIGHT:
        case HTBOTTOMLEFT: SetCursor(LoadCursor(nullptr, IDC_SIZENESW)); return 1;
        default: SetCursor(LoadCursor(nullptr, IDC_ARROW)); return 1;
    }
}

HWND TopLevelWindow(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w ? TopLevelOf(w)->handle : nullptr;
}

bool ShowsCaption(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w && (w->style & WS_CAPTION) == WS_CAPTION && IsVisibleChain(w);
}

// The frame takes the active or inactive look; lParam -1 asks not to repaint it.
LRESULT NonClientActivate(HWND hwnd, WPARAM active, LPARAM lParam) {
    SetFrameLooksActive(hwnd, active != 0);
    if (lParam != -1 && IsWindowVisible(hwnd)) PaintNonClient(hwnd, 1);
    return 1;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT painted = 0;
    if (DefaultPaintMessage(hwnd, message, wParam, lParam, &painted)) return painted;
    switch (message) {
        case WM_NCCREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
            if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) StoreText(hwnd, cs->lpszName);
            return 1;
        }
        case WM_NCCALCSIZE: {
            DWORD style, exStyle;
            {
                Lock lock(S().mutex);
                Window* w = FindLive(hwnd);
                if (!w || !lParam) return 0;
                style = w->style;
                exStyle = w->exStyle;
            }
            RECT* rect = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
            int barHeight = MenuBarHeight(hwnd, rect->right - rect->left, style, exStyle);
            *rect = DefaultClientRect(style, exStyle, *rect);
            rect->top = std::min<LONG>(rect->top + barHeight, rect->bottom);
            return 0;
        }
        case WM_NCHITTEST:
            return DefaultHitTest(hwnd, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        case WM_NCACTIVATE: return NonClientActivate(hwnd, wParam, lParam);
        case WM_NCPAINT:
            if (IsWindowVisible(hwnd)) PaintNonClient(hwnd, wParam);
            return 0;
        case WM_NCLBUTTONDOWN: return DefaultNonClientButtonDown(hwnd, static_cast<LRESULT>(wParam), lParam);
        case WM_NCLBUTTONDBLCLK: return DefaultNonClientDoubleClick(hwnd, static_cast<LRESULT>(wParam), lParam);
        case WM_WINDOWPOSCHANGING: ClampToTrackSize(hwnd, reinterpret_cast<WINDOWPOS*>(lParam)); return 0;
        case WM_WINDOWPOSCHANGED: SendMoveAndSize(hwnd, reinterpret_cast<const WINDOWPOS*>(lParam)); return 0;
        case WM_SETTEXT:
            StoreText(hwnd, reinterpret_cast<const char*>(lParam));
            if (ShowsCaption(hwnd)) PaintNonClient(hwnd, 1);
            return 1;
        case WM_GETTEXT: return CopyText(hwnd, wParam, reinterpret_cast<char*>(lParam));
        case WM_GETTEXTLENGTH: {
            Lock lock(S().mutex);
            Window* w = FindLive(hwnd);
            return w ? static_cast<LRESULT>(w->text.size()) : 0;
        }
        case WM_SETFONT: {
            // Kept for every window, so controls of our own answer WM_GETFONT alike.
            Lock lock(S().mutex);
            if (Window* w = FindLive(hwnd)) w->font = reinterpret_cast<HFONT>(wParam);
            return 0;
        }
        case WM_GETFONT: {
            Lock lock(S().mutex);
            Window* w = FindLive(hwnd);
            return w ? reinterpret_cast<LRESULT>(w->font) : 0;
        }
        case WM_SETICON: return SetIcon(hwnd, wParam, lParam);
        case WM_GETICON: return GetIcon(hwnd, wParam);
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(hwnd);
            return 0;
        case WM_MOUSEACTIVATE:
            if (HWND parent = ChildsParent(hwnd))
                if (LRESULT answer = SendMessage(parent, WM_MOUSEACTIVATE, wParam, lParam)) return answer;
            return MA_ACTIVATE;
        case WM_SETCURSOR: return DefaultSetCursor(hwnd, wParam, lParam);
        case WM_CANCELMODE:
            if (GetCapture() == hwnd) ReleaseCapture();
            return 0;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_SYSCOMMAND: return DefaultSysCommand(hwnd, wParam, lParam);
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
        case WM_CONTEXTMENU:
            if (HWND parent = ChildsParent(hwnd)) return SendMessage(parent, message, wParam, lParam);
            return 0;
        case WM_RBUTTONUP: {
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ClientToScreen(hwnd, &at);
            SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), PackPoint(at.x, at.y));
            return 0;
        }
        case WM_NCRBUTTONUP:
            SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
            return 0;
        case WM_KEYUP:
            if (wParam == VK_APPS) {
                SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), kContextMenuFromKeyboard);
                return 0;
            }
            [[fallthrough]];
        case WM_SYSKEYUP:
            if (MenuKeyReleased(message, wParam)) SendMessage(TopLevelWindow(hwnd), WM_SYSCOMMAND, SC_KEYMENU, 0);
            return 0;
        case WM_SYSCHAR:
            // Alt with a letter opens the bar's menu of that mnemonic; Alt+Space the system menu.
            if (lParam & (1 << 29)) SendMessage(TopLevelWindow(hwnd), WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
            return 0;
        case WM_KEYDOWN:
            MenuKeyReleased(message, wParam);
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000)) {
                MenuKeyReleased(message, 0);  // Shift+F10 asks for the context menu, not the menu bar
                SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), kContextMenuFromKeyboard);
                return 0;
            }
            MenuKeyReleased(message, wParam);
            if (wParam == VK_F4 && (lParam & (1 << 29))) {
                Lock lock(S().mutex);
                Window* w = FindLive(hwnd);
                HWND top = w ? TopLevelOf(w)->handle : nullptr;
                lock.unlock();
                if (top) PostMessage(top, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            return 0;
        case WM_QUERYENDSESSION: return 1;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(DefaultControlColors(reinterpret_cast<HDC>(wParam), message));
        default: return 0;
    }
}

}  // namespace parch
