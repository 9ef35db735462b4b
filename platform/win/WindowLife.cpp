#include "platform/win/WindowLife.h"

#include <unistd.h>

#include <algorithm>

#include "platform/win/Focus.h"
#include "platform/win/Hooks.h"
#include "platform/win/Menus.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemMenu.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowProcs.h"
#include "platform/win/WindowTree.h"

namespace parch {

using namespace win;

namespace {

template <typename T>
LPARAM AsLParam(T* p) {
    return reinterpret_cast<LPARAM>(p);
}

// Where an overlapped window with CW_USEDEFAULT goes: down the work area in steps.
POINT NextDefaultPosition() {
    static int step = 0;
    RECT work = WorkArea();
    int offset = 26 * (step++ % 8);
    return {work.left + offset, work.top + offset};
}

DWORD AdjustedExStyle(DWORD style, DWORD exStyle) {
    if ((exStyle & WS_EX_DLGMODALFRAME) || (style & (WS_DLGFRAME | WS_THICKFRAME)))
        return exStyle | WS_EX_WINDOWEDGE;
    return exStyle;
}

bool GetsMinMaxInfo(DWORD style) {
    return (style & WS_THICKFRAME) || !(style & (WS_POPUP | WS_CHILD));
}

// WM_PARENTNOTIFY goes up the chain of parents for as long as the windows are children that
// do not refuse it.
void SendParentNotify(HWND hwnd, UINT event) {
    HWND child = hwnd;
    HWND current = hwnd;
    for (;;) {
        HWND parent;
        WPARAM wParam;
        {
            Lock lock(S().mutex);
            Window* w = FindLive(current);
            if (!w || !(w->style & WS_CHILD) || (w->exStyle & WS_EX_NOPARENTNOTIFY)) return;
            if (!w->parent || w->parent->isRoot) return;
            Window* c = FindLive(child);
            parent = w->parent->handle;
            wParam = MAKELONG(static_cast<WORD>(event), static_cast<WORD>(c ? c->id : 0));
        }
        SendMessage(parent, WM_PARENTNOTIFY, wParam, AsLParam(child));
        current = parent;
    }
}

// Removes the record of a window whose WM_NCDESTROY has been sent (lock held).
void FreeWindow(Window* w) {
    State& s = S();
    HWND h = w->handle;
    KillWindowTimers(h);
    UnlinkWindow(w);
    for (auto& [other, ow] : s.windows)
        if (ow->owner == w) ow->owner = nullptr;
    ForgetWindow(h);
    if (w->windowClass) --w->windowClass->windowCount;
    s.windows.erase(h);
}

// A top-level window's menu bar goes with it (unless it was taken off, or another window
// shows it now), and so does its copy of the system menu.
void DestroyWindowMenus(HWND hwnd) {
    HMENU bar = nullptr;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || (w->style & WS_CHILD)) return;
        bar = reinterpret_cast<HMENU>(w->id);
        w->id = 0;
    }
    if (bar && IsMenu(bar) && !IsPopupMenu(bar)) {
        HWND shownBy = MenuBarOwner(bar);
        if (!shownBy || shownBy == hwnd) DestroyMenu(bar);
    }
    GetSystemMenu(hwnd, 1);
}

void SendNcDestroy(HWND hwnd) {
    std::vector<HWND> children;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        for (Window* c : w->children) children.push_back(c->handle);
    }
    for (HWND c : children) SendNcDestroy(c);
    SendMessage(hwnd, WM_NCDESTROY, 0, 0);
    DropSubclasses(hwnd);
    DestroyWindowMenus(hwnd);
    Lock lock(S().mutex);
    if (Window* w = FindLive(hwnd)) {
        // Children made during destruction go with their parent.
        while (!w->children.empty()) {
            Window* late = w->children.front();
            lock.unlock();
            SendNcDestroy(late->handle);
            lock.lock();
            if (!FindLive(hwnd)) return;
        }
        FreeWindow(w);
    }
}

void SendDestroy(HWND hwnd) {
    {
        Lock lock(S().mutex);
        if (Window* w = FindLive(hwnd)) w->destroying = true;
    }
    SendMessage(hwnd, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        for (Window* c : w->children) children.push_back(c->handle);
    }
    for (HWND c : children) SendDestroy(c);
}

// WM_DESTROY and WM_NCDESTROY of a window that never finished creation, or of the whole tree.
void DestroyTree(HWND hwnd, bool sendDestroy) {
    ReleaseInputFrom(hwnd);
    if (sendDestroy) SendDestroy(hwnd);
    SendNcDestroy(hwnd);
}

}  // namespace

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
    InstallPainting();
    ThreadQueue& queue = CurrentQueue();
    HWND hwnd;
    bool child = (style & WS_CHILD) != 0;
    bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    {
        Lock lock(S().mutex);
        WindowClass* cls = FindClass(className);
        if (!cls) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        Window* parentWindow = S().desktop;
        Window* owner = nullptr;
        if (parent == HWND_MESSAGE) {
            parentWindow = S().messageRoot;
        } else if (child) {
            parentWindow = FindLive(parent);
            if (!parentWindow) {
                SetLastError(parent ? ERROR_INVALID_WINDOW_HANDLE : ERROR_TLW_WITH_WSCHILD);
                return nullptr;
            }
        } else if (parent) {
            Window* p = FindLive(parent);
            if (!p) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            owner = TopLevelOf(p);
        }
        if (overlapped && parentWindow == S().desktop) {
            if (x == CW_USEDEFAULT) {
                POINT p = NextDefaultPosition();
                x = p.x;
                y = p.y;
            }
            if (width == CW_USEDEFAULT) {
                RECT work = WorkArea();
                width = (work.right - work.left) * 3 / 4;
                height = (work.bottom - work.top) * 3 / 4;
            }
        }
        if (x == CW_USEDEFAULT) x = y = 0;
        if (width == CW_USEDEFAULT) width = height = 0;

        auto w = std::make_unique<Window>();
        w->handle = reinterpret_cast<HWND>(S().nextHandle);
        S().nextHandle += 2;
        w->windowClass = cls;
        w->style = (style & ~WS_VISIBLE) | (overlapped ? WS_CLIPSIBLINGS | WS_CAPTION : 0);
        w->exStyle = AdjustedExStyle(w->style, exStyle);
        w->proc = cls->proc;
        w->instance = instance;
        w->id = reinterpret_cast<LONG_PTR>(menu);
        w->owner = owner;
        w->extra.assign(static_cast<std::size_t>(cls->windowExtra), 0);
        w->queue = &queue;
        w->threadId = queue.threadId;
        w->needSize = overlapped;
        w->windowRect = PlacedRect(x, y, width, height);
        w->clientRect = w->windowRect;
        w->normalRect = w->windowRect;
        ++cls->windowCount;
        hwnd = w->handle;
        Window* raw = w.get();
        S().windows.emplace(hwnd, std::move(w));
        LinkWindow(raw, parentWindow, child ? HWND_BOTTOM : HWND_TOP);
    }

    CREATESTRUCT cs;
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;

    CBT_CREATEWND cbt{&cs, child ? HWND_BOTTOM : HWND_TOP};
    if (CallHooks(WH_CBT, HCBT_CREATEWND, reinterpret_cast<WPARAM>(hwnd), AsLParam(&cbt)) != 0) {
        Lock lock(S().mutex);
        if (Window* w = FindLive(hwnd)) FreeWindow(w);
        return nullptr;
    }
    if (!IsWindow(hwnd)) return nullptr;

    if (GetsMinMaxInfo(style)) {
        MINMAXINFO info = DefaultMinMaxInfo(hwnd);
        SendMessage(hwnd, WM_GETMINMAXINFO, 0, AsLParam(&info));
        cs.cx = std::clamp(cs.cx, static_cast<int>(info.ptMinTrackSize.x),
                           std::max(static_cast<int>(info.ptMinTrackSize.x), static_cast<int>(info.ptMaxTrackSize.x)));
        cs.cy = std::clamp(cs.cy, static_cast<int>(info.ptMinTrackSize.y),
                           std::max(static_cast<int>(info.ptMinTrackSize.y), static_cast<int>(info.ptMaxTrackSize.y)));
    }
    {
        // The hook and WM_GETMINMAXINFO may have changed the placement.
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return nullptr;
        w->windowRect = PlacedRect(cs.x, cs.y, cs.cx, cs.cy);
        w->clientRect = w->windowRect;
        w->normalRect = w->windowRect;
    }

    if (!SendMessage(hwnd, WM_NCCREATE, 0, AsLParam(&cs))) {
        DestroyTree(hwnd, false);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    RECT client;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return nullptr;
        client = w->windowRect;
    }
    SendMessage(hwnd, WM_NCCALCSIZE, 0, AsLParam(&client));
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return nullptr;
        w->clientRect = client;
    }
    if (SendMessage(hwnd, WM_CREATE, 0, AsLParam(&cs)) == -1) {
        DestroyTree(hwnd, true);
        return nullptr;
    }
    if (!IsWindow(hwnd)) return nullptr;

    bool needSize;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return nullptr;
        needSize = w->needSize;
        client = w->clientRect;
    }
    if (!needSize) {
        SendMessage(hwnd, WM_SIZE, SIZE_RESTORED,
                    MAKELONG(static_cast<WORD>(client.right - client.left), static_cast<WORD>(client.bottom - client.top)));
        SendMessage(hwnd, WM_MOVE, 0, MAKELONG(static_cast<WORD>(client.left), static_cast<WORD>(client.top)));
    }
    if (style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        {
            Lock lock(S().mutex);
            if (Window* w = FindLive(hwnd)) w->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
        }
        ApplyMinMax(hwnd, (style & WS_MINIMIZE) ? SW_MINIMIZE : SW_MAXIMIZE, false);
    }
    SendParentNotify(hwnd, WM_CREATE);
    if (!IsWindow(hwnd)) return nullptr;
    if (style & WS_VISIBLE) ShowWindow(hwnd, (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (!IsOwnThread(w)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        if (w->destroying) return 1;
    }
    if (CallHooks(WH_CBT, HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hwnd), 0) != 0) return 0;
    SendParentNotify(hwnd, WM_DESTROY);
    if (!IsWindow(hwnd)) return 1;
    bool topLevel;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        topLevel = IsTopLevel(w);
    }
    if (IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_HIDE);
    if (!IsWindow(hwnd)) return 1;
    {
        Lock lock(S().mutex);
        if (Window* w = FindLive(hwnd)) w->destroying = true;
    }
    if (topLevel) {
        std::vector<HWND> owned;
        {
            Lock lock(S().mutex);
            Window* w = FindLive(hwnd);
            for (auto& [h, other] : S().windows)
                if (other->owner == w) {
                    if (IsOwnThread(other.get())) owned.push_back(h);
                    else other->owner = nullptr;
                }
        }
        for (HWND o : owned) DestroyWindow(o);
        if (GetActiveWindow() == hwnd) ActivateOtherWindow(hwnd);
    }
    DestroyTree(hwnd, true);
    return 1;
}

BOOL IsWindow(HWND hwnd) {
    Lock lock(S().mutex);
    return FindLive(hwnd) ? 1 : 0;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
    Lock lock(S().mutex);
    Window* w = Find(hwnd);
    if (!w) return 0;
    if (processId) *processId = static_cast<DWORD>(::getpid());
    return w->threadId;
}

}  // namespace parch
