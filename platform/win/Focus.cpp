#include "platform/win/Focus.h"

#include "platform/win/Hooks.h"
#include "platform/win/Messages.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace {

HWND OwnThreadOnly(HWND hwnd) {
    Window* w = FindLive(hwnd);
    return w && IsOwnThread(w) ? hwnd : nullptr;
}

DWORD ThreadOf(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w ? w->threadId : 0;
}

void SendActivateApp(DWORD thread, bool active, DWORD otherThread) {
    if (!thread) return;
    std::vector<HWND> windows;
    {
        Lock lock(S().mutex);
        for (Window* w : S().desktop->children)
            if (w->threadId == thread) windows.push_back(w->handle);
    }
    for (HWND h : windows) SendMessage(h, WM_ACTIVATEAPP, active ? 1 : 0, otherThread);
}

// Moves the focus without asking the hooks.
void MoveFocus(HWND hwnd, HWND previous) {
    {
        Lock lock(S().mutex);
        S().focus = hwnd;
    }
    if (previous && IsWindow(previous)) SendMessage(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    bool stillFocused;
    {
        Lock lock(S().mutex);
        stillFocused = hwnd && S().focus == hwnd;
    }
    if (stillFocused) SendMessage(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
}

bool CanBeActivated(const Window* w, const Window* except) {
    return w && w != except && IsTopLevel(w) && !w->destroying && (w->style & WS_VISIBLE) &&
           !(w->style & WS_DISABLED) && !(w->exStyle & WS_EX_NOACTIVATE);
}

}  // namespace

bool ActivateWindow(HWND hwnd, bool byMouse) {
    HWND previous;
    {
        Lock lock(S().mutex);
        previous = S().active;
        if (hwnd) {
            Window* w = FindLive(hwnd);
            if (!w || TopLevelOf(w)->parent != S().desktop) return false;
            hwnd = TopLevelOf(w)->handle;
        }
        if (previous == hwnd) return true;
    }
    CBTACTIVATESTRUCT cbt{byMouse ? 1 : 0, previous};
    if (hwnd && CallHooks(WH_CBT, HCBT_ACTIVATE, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt)))
        return false;
    if (previous && IsWindow(previous)) {
        SendMessage(previous, WM_NCACTIVATE, 0, 0);
        SendMessage(previous, WM_ACTIVATE, MAKELONG(WA_INACTIVE, static_cast<WORD>(IsIconic(previous))),
                    reinterpret_cast<LPARAM>(hwnd));
    }
    DWORD oldThread = ThreadOf(previous);
    DWORD newThread = ThreadOf(hwnd);
    {
        Lock lock(S().mutex);
        if (hwnd && !FindLive(hwnd)) hwnd = nullptr;
        S().active = hwnd;
    }
    if (hwnd) {
        bool onTop;
        {
            Lock lock(S().mutex);
            Window* w = FindLive(hwnd);
            // On top of its band: no topmost window of the same kind stands above it.
            onTop = true;
            const std::vector<Window*> none;
            for (Window* s : w ? w->parent->children : none) {
                if (s == w) break;
                if (((s->exStyle ^ w->exStyle) & WS_EX_TOPMOST) == 0) onTop = false;
            }
        }
        if (!onTop) SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    if (oldThread != newThread) {
        SendActivateApp(oldThread, false, newThread);
        SendActivateApp(newThread, true, oldThread);
    }
    if (hwnd && IsWindow(hwnd)) {
        SendMessage(hwnd, WM_NCACTIVATE, 1, 0);
        SendMessage(hwnd, WM_ACTIVATE,
                    MAKELONG(byMouse ? WA_CLICKACTIVE : WA_ACTIVE, static_cast<WORD>(IsIconic(hwnd))),
                    reinterpret_cast<LPARAM>(previous));
    }
    // The keyboard follows the active window: when the focus is not inside it by now (its
    // procedure did not take it), the active window itself gets it.
    HWND focus;
    bool focusInside;
    bool iconic = hwnd && IsIconic(hwnd);
    {
        Lock lock(S().mutex);
        focus = S().focus;
        Window* f = FindLive(focus);
        focusInside = f && hwnd && TopLevelOf(f)->handle == hwnd;
        if (S().active != hwnd) return true;
    }
    if (!focusInside && (focus || (hwnd && !iconic))) MoveFocus(hwnd && !iconic ? hwnd : nullptr, focus);
    return true;
}

void ActivateOtherWindow(HWND hwnd) {
    HWND next = nullptr;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (w && CanBeActivated(w->owner, w)) {
            next = w->owner->handle;
        } else {
            for (Window* c : S().desktop->children)
                if (CanBeActivated(c, w)) {
                    next = c->handle;
                    break;
                }
        }
    }
    ActivateWindow(next, false);
}

void ReleaseInputFrom(HWND hwnd) {
    HWND capture, focus, parent = nullptr;
    bool captureInside, focusInside;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        capture = S().capture;
        focus = S().focus;
        Window* c = FindLive(capture);
        Window* f = FindLive(focus);
        captureInside = c && (c == w || IsDescendant(w, c));
        focusInside = f && (f == w || IsDescendant(w, f));
        if ((w->style & WS_CHILD) && !w->parent->isRoot) parent = w->parent->handle;
    }
    if (captureInside) ReleaseCapture();
    if (focusInside) SetFocus(parent);
}

void ForgetWindow(HWND hwnd) {
    State& s = S();
    for (HWND* slot : {&s.active, &s.focus, &s.capture, &s.cursorWindow, &s.tracking.hwnd, &s.lastClick.hwnd})
        if (*slot == hwnd) *slot = nullptr;
}

}  // namespace parch::win

namespace parch {

using namespace win;

HWND SetFocus(HWND hwnd) {
    HWND previous = GetFocus();
    if (hwnd) {
        HWND top;
        bool activatable;
        {
            Lock lock(S().mutex);
            Window* w = FindLive(hwnd);
            if (!w || !IsOwnThread(w)) {
                SetLastError(w ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            if (hwnd == previous) return previous;
            for (Window* cur = w; cur && !cur->isRoot; cur = cur->parent)
                if (cur->style & (WS_MINIMIZE | WS_DISABLED)) return nullptr;
            top = TopLevelOf(w)->handle;
            activatable = TopLevelOf(w)->parent == S().desktop;
        }
        if (CallHooks(WH_CBT, HCBT_SETFOCUS, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(previous)))
            return nullptr;
        if (activatable && GetActiveWindow() != top) {
            if (!ActivateWindow(top, false) || !IsWindow(hwnd) || GetActiveWindow() != top) return nullptr;
        }
        MoveFocus(hwnd, GetFocus());
        return previous;
    }
    if (CallHooks(WH_CBT, HCBT_SETFOCUS, 0, reinterpret_cast<LPARAM>(previous))) return nullptr;
    if (previous) MoveFocus(nullptr, previous);
    return previous;
}

HWND GetFocus() {
    Lock lock(S().mutex);
    return OwnThreadOnly(S().focus);
}

HWND SetActiveWindow(HWND hwnd) {
    HWND previous = GetActiveWindow();
    if (hwnd) {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || !IsOwnThread(w)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
    }
    return ActivateWindow(hwnd, false) ? previous : nullptr;
}

HWND GetActiveWindow() {
    Lock lock(S().mutex);
    return OwnThreadOnly(S().active);
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!IsWindow(hwnd)) return 0;
    return ActivateWindow(hwnd, false) ? 1 : 0;
}

HWND GetForegroundWindow() {
    Lock lock(S().mutex);
    return S().active;
}

HWND SetCapture(HWND hwnd) {
    HWND previous;
    {
        Lock lock(S().mutex);
        if (!FindLive(hwnd)) return nullptr;
        previous = S().capture;
        S().capture = hwnd;
    }
    if (previous && previous != hwnd)
        SendMessage(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return previous;
}

BOOL ReleaseCapture() {
    HWND previous;
    {
        Lock lock(S().mutex);
        previous = S().capture;
        S().capture = nullptr;
    }
    if (previous) SendMessage(previous, WM_CAPTURECHANGED, 0, 0);
    return 1;
}

HWND GetCapture() {
    Lock lock(S().mutex);
    return OwnThreadOnly(S().capture);
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    bool wasDisabled;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (enable && wasDisabled) w->style &= ~WS_DISABLED;
    }
    if (enable && wasDisabled) {
        SendMessage(hwnd, WM_ENABLE, 1, 0);
    } else if (!enable && !wasDisabled) {
        SendMessage(hwnd, WM_CANCELMODE, 0, 0);
        {
            Lock lock(S().mutex);
            if (Window* w = FindLive(hwnd)) w->style |= WS_DISABLED;
        }
        if (GetFocus() == hwnd) SetFocus(nullptr);
        SendMessage(hwnd, WM_ENABLE, 0, 0);
    }
    return wasDisabled ? 1 : 0;
}

}  // namespace parch
