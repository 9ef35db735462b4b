#include "platform/win/WindowPos.h"

#include <algorithm>

#include "platform/win/Focus.h"
#include "platform/win/Hooks.h"
#include "platform/win/Messages.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowSideTable.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace {

GeometryListener& TheGeometryListener() {
    static GeometryListener* listener = new GeometryListener;
    return *listener;
}

LPARAM PackPoint(int x, int y) {
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
}

RECT Offset(RECT r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// The popups hidden because their owner was minimized; they come back with it.
WindowSideTable<bool>& HiddenWithOwner() {
    static WindowSideTable<bool> table;  // guarded by the window system's lock
    return table;
}

// Hides the owner's visible popups (WM_SHOWWINDOW with SW_PARENTCLOSING) or shows those it hid
// (SW_PARENTOPENING), without activating anything.
void ShowPopupsOfOwner(HWND owner, bool show) {
    std::vector<HWND> popups;
    {
        Lock lock(S().mutex);
        for (Window* c : S().desktop->children) {
            if (!c->owner || c->owner->handle != owner || c->destroying) continue;
            const bool marked = HiddenWithOwner().Find(c->handle) != nullptr;
            if (show ? marked : (c->style & WS_VISIBLE) != 0) popups.push_back(c->handle);
            if (show && marked) HiddenWithOwner().Erase(c->handle);
            if (!show && (c->style & WS_VISIBLE)) HiddenWithOwner().Get(c->handle) = true;
        }
    }
    const UINT keep = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    for (HWND h : popups) {
        SendMessage(h, WM_SHOWWINDOW, show ? 1 : 0, show ? SW_PARENTOPENING : SW_PARENTCLOSING);
        if (IsWindow(h)) SetWindowPos(h, nullptr, 0, 0, 0, 0, keep | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
}

bool OwnedBy(const Window* w, const Window* owner) {
    for (const Window* o = w->owner; o; o = o->owner)
        if (o == owner) return true;
    return false;
}

// Owned windows stay above their owner: after the owner moved in the z-order they are put
// back right above it, in their present order (lock held).
void RaiseOwnedAbove(Window* w) {
    auto& list = w->parent->children;
    std::vector<Window*> owned;
    bool topmost = (w->exStyle & WS_EX_TOPMOST) != 0;
    for (Window* s : list)
        if (OwnedBy(s, w) && ((s->exStyle & WS_EX_TOPMOST) != 0) == topmost) owned.push_back(s);
    if (owned.empty()) return;
    for (Window* s : owned) std::erase(list, s);
    auto at = std::find(list.begin(), list.end(), w);
    list.insert(at, owned.begin(), owned.end());
}

// Drops z-order requests that would change nothing (lock held).
bool ZOrderUnchanged(const Window* w, HWND after) {
    const auto& siblings = w->parent->children;
    auto it = std::find(siblings.begin(), siblings.end(), w);
    bool topmost = (w->exStyle & WS_EX_TOPMOST) != 0;
    if (after == w->handle) return true;
    if (after == HWND_TOP) return it == siblings.begin() || (!topmost && ((*(it - 1))->exStyle & WS_EX_TOPMOST) && w->parent->isRoot);
    if (after == HWND_BOTTOM) return it + 1 == siblings.end() && !topmost;
    if (after == HWND_TOPMOST) return topmost && it == siblings.begin();
    if (after == HWND_NOTOPMOST) return !topmost;
    return it != siblings.begin() && (*(it - 1))->handle == after;
}

struct MinMaxResult {
    bool changed = false;
    RECT rect;
};

RECT MaximizedRect(HWND hwnd) {
    MINMAXINFO info = DefaultMinMaxInfo(hwnd);
    SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return {info.ptMaxPosition.x, info.ptMaxPosition.y, info.ptMaxPosition.x + info.ptMaxSize.x,
            info.ptMaxPosition.y + info.ptMaxSize.y};
}

bool IsMinimizeCommand(int command) {
    return command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE ||
           command == SW_FORCEMINIMIZE;
}

// Changes the minimized and maximized state bits and tells where the window goes.
MinMaxResult MinMaximize(HWND hwnd, int command) {
    MinMaxResult result;
    if (CallHooks(WH_CBT, HCBT_MINMAX, reinterpret_cast<WPARAM>(hwnd), command) != 0) return result;
    DWORD style;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return result;
        style = w->style;
        if (!(style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = w->windowRect;
    }
    bool wantMaximized = false;
    if (IsMinimizeCommand(command)) {
        if (style & WS_MINIMIZE) return result;
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return result;
        w->restoreMaximized = (style & WS_MAXIMIZE) != 0;
        w->style = (w->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
        SIZE size{GetSystemMetrics(SM_CXMINIMIZED), GetSystemMetrics(SM_CYMINIMIZED)};
        POINT at{-32000, -32000};
        if (!IsTopLevel(w)) at = {0, w->parent->clientRect.bottom - w->parent->clientRect.top - size.cy};
        result.rect = {at.x, at.y, at.x + size.cx, at.y + size.cy};
        result.changed = true;
        return result;
    }
    if (command == SW_MAXIMIZE) {
        if (style & WS_MAXIMIZE) return result;
        wantMaximized = true;
    } else if (style & WS_MINIMIZE) {
        wantMaximized = false;
        Lock lock(S().mutex);
        if (Window* w = FindLive(hwnd)) wantMaximized = w->restoreMaximized;
    } else if (!(style & WS_MAXIMIZE)) {
        return result;
    }
    RECT target = wantMaximized ? MaximizedRect(hwnd) : RECT{};
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return result;
    w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    if (wantMaximized) w->style |= WS_MAXIMIZE;
    w->restoreMaximized = false;
    result.rect = wantMaximized ? target : w->normalRect;
    result.changed = true;
    return result;
}

// What follows hiding a window: another window becomes active, and the focus leaves it.
void AfterHide(HWND hwnd) {
    if (GetActiveWindow() == hwnd) ActivateOtherWindow(hwnd);
    HWND focus = GetFocus();
    if (focus && (focus == hwnd || IsChild(hwnd, focus))) {
        HWND parent = GetParent(hwnd);
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        bool child = w && (w->style & WS_CHILD);
        lock.unlock();
        SetFocus(child ? parent : nullptr);
    }
}

// A window is placed by its own thread: a call from elsewhere runs there, as a sent message
// would. True when the call was handled here (forwarded, or the window does not exist).
bool RunOnOwnThread(HWND hwnd, const std::function<BOOL()>& call, BOOL& result) {
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (w && IsOwnThread(w)) return false;
    }
    LRESULT answer = 0;
    if (!CallOnWindowThread(hwnd, [&] { return static_cast<LRESULT>(call()); }, answer)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        result = 0;
        return true;
    }
    result = static_cast<BOOL>(answer);
    return true;
}

}  // namespace

void ApplyMinMax(HWND hwnd, int command, bool show) {
    MinMaxResult mm = MinMaximize(hwnd, command);
    if (!mm.changed) return;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_STATECHANGED | (show ? SWP_SHOWWINDOW : 0);
    SetWindowPos(hwnd, nullptr, mm.rect.left, mm.rect.top, mm.rect.right - mm.rect.left, mm.rect.bottom - mm.rect.top,
                 flags);
}

void SetGeometryListener(GeometryListener listener) {
    Lock lock(S().mutex);
    TheGeometryListener() = std::move(listener);
}

}  // namespace parch::win

namespace parch {

using namespace win;

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    auto again = [=] { return SetWindowPos(hwnd, insertAfter, x, y, cx, cy, flags & ~SWP_ASYNCWINDOWPOS); };
    if (flags & SWP_ASYNCWINDOWPOS) {
        // Another thread's window is placed by its thread when it gets to it; the caller
        // does not wait.
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (w && !IsOwnThread(w)) {
            lock.unlock();
            return PostCallToWindowThread(hwnd, [again] { return static_cast<LRESULT>(again()); }) ? 1 : 0;
        }
    }
    BOOL forwarded;
    if (RunOnOwnThread(hwnd, again, forwarded)) return forwarded;
    WINDOWPOS pos{hwnd, insertAfter, x, y, std::max(cx, 0), std::max(cy, 0),
                  flags & ~(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE)};
    RECT oldWindow, oldClient, oldScreen;
    bool childActivation = false;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        oldWindow = w->windowRect;
        oldClient = w->clientRect;
        oldScreen = WindowRectOnScreen(w);
        // A window frozen by WM_SETREDRAW is still shown: hiding it is a change, showing not.
        if ((w->style & WS_VISIBLE) || w->paint.frozen) pos.flags &= ~SWP_SHOWWINDOW;
        else pos.flags &= ~SWP_HIDEWINDOW;
        if (!(pos.flags & SWP_NOSIZE) && pos.cx == oldWindow.right - oldWindow.left &&
            pos.cy == oldWindow.bottom - oldWindow.top)
            pos.flags |= SWP_NOSIZE;
        if (!(pos.flags & SWP_NOMOVE) && pos.x == oldWindow.left && pos.y == oldWindow.top) pos.flags |= SWP_NOMOVE;
        bool child = (w->style & (WS_CHILD | WS_POPUP)) == WS_CHILD || w->parent != S().desktop;
        // A child is not activated; asked to be, it hears WM_CHILDACTIVATE.
        childActivation = child && !(pos.flags & SWP_NOACTIVATE) && !(pos.flags & SWP_HIDEWINDOW);
        if (child || S().active == hwnd) {
            pos.flags |= SWP_NOACTIVATE;
        } else if (!(pos.flags & SWP_NOACTIVATE)) {
            pos.flags &= ~SWP_NOZORDER;
            pos.hwndInsertAfter = HWND_TOP;
        }
        if (!(pos.flags & SWP_NOZORDER) && ZOrderUnchanged(w, pos.hwndInsertAfter)) pos.flags |= SWP_NOZORDER;
    }
    if (!(pos.flags & SWP_NOSENDCHANGING)) {
        SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
        if (!IsWindow(hwnd)) return 0;
        pos.hwnd = hwnd;
        pos.cx = std::max(pos.cx, 0);
        pos.cy = std::max(pos.cy, 0);
    }
    RECT newWindow = PlacedRect((pos.flags & SWP_NOMOVE) ? oldWindow.left : pos.x,
                                (pos.flags & SWP_NOMOVE) ? oldWindow.top : pos.y,
                                (pos.flags & SWP_NOSIZE) ? oldWindow.right - oldWindow.left : pos.cx,
                                (pos.flags & SWP_NOSIZE) ? oldWindow.bottom - oldWindow.top : pos.cy);
    RECT newClient = Offset(oldClient, newWindow.left - oldWindow.left, newWindow.top - oldWindow.top);
    bool sizeChanged = newWindow.right - newWindow.left != oldWindow.right - oldWindow.left ||
                       newWindow.bottom - newWindow.top != oldWindow.bottom - oldWindow.top;
    if (sizeChanged || (pos.flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS params;
        params.rgrc[0] = newWindow;
        params.rgrc[1] = oldWindow;
        params.rgrc[2] = oldClient;
        params.lppos = &pos;
        SendMessage(hwnd, WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&params));
        if (!IsWindow(hwnd)) return 0;
        newClient = params.rgrc[0];
    }
    bool shown = false;
    bool hidden = false;
    GeometryListener listener;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return 0;
        w->windowRect = newWindow;
        w->clientRect = newClient;
        if (!(pos.flags & SWP_NOZORDER)) {
            LinkWindow(w, w->parent, pos.hwndInsertAfter);
            if (IsTopLevel(w) && !(pos.flags & SWP_NOOWNERZORDER)) RaiseOwnedAbove(w);
        }
        if (pos.flags & SWP_SHOWWINDOW) {
            w->style |= WS_VISIBLE;
            shown = true;
        }
        if (pos.flags & SWP_HIDEWINDOW) {
            w->style &= ~WS_VISIBLE;
            w->paint.frozen = false;
            hidden = true;
        }
        if (newClient.right - newClient.left == oldClient.right - oldClient.left &&
            newClient.bottom - newClient.top == oldClient.bottom - oldClient.top)
            pos.flags |= SWP_NOCLIENTSIZE;
        if (newClient.left == oldClient.left && newClient.top == oldClient.top) pos.flags |= SWP_NOCLIENTMOVE;
        listener = TheGeometryListener();
    }
    if (listener) listener(hwnd, oldScreen, pos);
    if (!(pos.flags & SWP_NOACTIVATE) && !hidden) ActivateWindow(hwnd, false);
    if (childActivation) SendMessage(hwnd, WM_CHILDACTIVATE, 0, 0);
    constexpr UINT kNothing = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE;
    if ((pos.flags & kNothing) != kNothing || (pos.flags & (SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_HIDEWINDOW)) ||
        shown || hidden)
        SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (hidden && IsWindow(hwnd)) AfterHide(hwnd);
    return 1;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND hwnd) {
    return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND hwnd, int command) {
    BOOL forwarded;
    if (RunOnOwnThread(hwnd, [=] { return ShowWindow(hwnd, command); }, forwarded)) return forwarded;
    bool wasVisible;
    bool child;
    RECT rect;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return 0;
        wasVisible = (w->style & WS_VISIBLE) || w->paint.frozen;
        child = (w->style & WS_CHILD) != 0;
        rect = w->windowRect;
    }
    UINT swp = 0;
    bool showFlag = command != SW_HIDE;
    const bool wasIconic = IsIconic(hwnd);
    if (!child && !wasIconic && IsMinimizeCommand(command)) ShowPopupsOfOwner(hwnd, false);
    auto applyState = [&](int cmd) {
        MinMaxResult mm = MinMaximize(hwnd, cmd);
        if (mm.changed) {
            rect = mm.rect;
            swp |= SWP_STATECHANGED | SWP_FRAMECHANGED;
        } else {
            swp |= SWP_NOSIZE | SWP_NOMOVE;
        }
    };
    switch (command) {
        case SW_HIDE:
            if (!wasVisible) return 0;
            swp |= SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE;
            if (hwnd != GetActiveWindow()) swp |= SWP_NOACTIVATE | SWP_NOZORDER;
            break;
        case SW_SHOWMINNOACTIVE:
        case SW_MINIMIZE:
        case SW_FORCEMINIMIZE:
            swp |= SWP_NOACTIVATE | SWP_NOZORDER;
            [[fallthrough]];
        case SW_SHOWMINIMIZED:
            swp |= SWP_SHOWWINDOW | SWP_FRAMECHANGED;
            applyState(command);
            break;
        case SW_SHOWMAXIMIZED:
            if (!wasVisible) swp |= SWP_SHOWWINDOW;
            swp |= SWP_FRAMECHANGED;
            applyState(SW_MAXIMIZE);
            break;
        case SW_SHOWNA:
            swp |= SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
            if (child) swp |= SWP_NOZORDER;
            break;
        case SW_SHOW:
            if (wasVisible) return 1;
            swp |= SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
            if (child) swp |= SWP_NOACTIVATE | SWP_NOZORDER;
            break;
        case SW_SHOWNOACTIVATE:
            swp |= SWP_NOACTIVATE | SWP_NOZORDER;
            [[fallthrough]];
        case SW_RESTORE:
        case SW_SHOWNORMAL:
        case SW_SHOWDEFAULT:
            if (!wasVisible) swp |= SWP_SHOWWINDOW;
            if (IsIconic(hwnd) || IsZoomed(hwnd)) applyState(SW_RESTORE);
            else swp |= SWP_NOSIZE | SWP_NOMOVE;
            if (child) swp |= SWP_NOACTIVATE | SWP_NOZORDER;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return wasVisible;
    }
    if ((showFlag != wasVisible || command == SW_SHOWNA) && command != SW_SHOWMAXIMIZED && !(swp & SWP_STATECHANGED)) {
        SendMessage(hwnd, WM_SHOWWINDOW, showFlag ? 1 : 0, 0);
        if (!IsWindow(hwnd)) return wasVisible;
    }
    HWND parent = GetAncestor(hwnd, GA_PARENT);
    if (child && !IsWindowVisible(parent)) {
        // Under a hidden parent only the style bit changes; nothing is placed or activated.
        {
            Lock lock(S().mutex);
            if (Window* w = FindLive(hwnd)) {
                if (showFlag && !w->paint.frozen) w->style |= WS_VISIBLE;
                if (!showFlag) {
                    w->style &= ~WS_VISIBLE;
                    w->paint.frozen = false;
                }
            }
        }
        if (swp & SWP_STATECHANGED)
            SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                         (swp & ~(SWP_SHOWWINDOW | SWP_HIDEWINDOW)) | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(hwnd, HWND_TOP, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, swp);
    }
    if (!child && wasIconic && !IsIconic(hwnd) && showFlag) ShowPopupsOfOwner(hwnd, true);
    // Minimizing without activation gives the activation to another window.
    bool minimizedAway = command == SW_MINIMIZE || command == SW_SHOWMINNOACTIVE || command == SW_FORCEMINIMIZE;
    if (minimizedAway && GetActiveWindow() == hwnd) ActivateOtherWindow(hwnd);
    bool needSize = false;
    RECT client{};
    DWORD style = 0;
    {
        Lock lock(S().mutex);
        if (Window* w = FindLive(hwnd); w && w->needSize) {
            needSize = true;
            w->needSize = false;
            client = w->clientRect;
            style = w->style;
        }
    }
    if (needSize) {
        WPARAM type = (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : (style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
        SendMessage(hwnd, WM_SIZE, type, PackPoint(client.right - client.left, client.bottom - client.top));
        SendMessage(hwnd, WM_MOVE, 0, PackPoint(client.left, client.top));
    }
    return wasVisible;
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w || !placement) return 0;
    placement->flags = w->restoreMaximized ? 2 : 0;
    placement->showCmd = (w->style & WS_MINIMIZE) ? SW_SHOWMINIMIZED
                         : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                                    : SW_SHOWNORMAL;
    placement->rcNormalPosition = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normalRect : w->windowRect;
    return 1;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    Lock lock(S().mutex);
    Window* w = Find(hwnd);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    *rect = WindowRectOnScreen(w);
    return 1;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    Lock lock(S().mutex);
    Window* w = Find(hwnd);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const RECT& c = w->isRoot ? w->windowRect : w->clientRect;
    *rect = {0, 0, c.right - c.left, c.bottom - c.top};
    return 1;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    Lock lock(S().mutex);
    Window* w = Find(hwnd);
    if (!w || !point) return 0;
    POINT origin = ClientOriginOnScreen(w);
    point->x += origin.x;
    point->y += origin.y;
    return 1;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    Lock lock(S().mutex);
    Window* w = Find(hwnd);
    if (!w || !point) return 0;
    POINT origin = ClientOriginOnScreen(w);
    point->x -= origin.x;
    point->y -= origin.y;
    return 1;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    Lock lock(S().mutex);
    Window* a = from ? Find(from) : S().desktop;
    Window* b = to ? Find(to) : S().desktop;
    if (!a || !b) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    POINT pa = ClientOriginOnScreen(a);
    POINT pb = ClientOriginOnScreen(b);
    int dx = pa.x - pb.x;
    int dy = pa.y - pb.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

}  // namespace parch
