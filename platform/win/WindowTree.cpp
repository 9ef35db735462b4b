#include "platform/win/WindowTree.h"

#include <algorithm>

#include "platform/win/Messages.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowPos.h"

namespace parch::win {

namespace {

bool IsTopmost(const Window* w) {
    return (w->exStyle & WS_EX_TOPMOST) && w->parent && w->parent->isRoot;
}

bool Contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

HWND HandleOf(const Window* w) {
    return w ? w->handle : nullptr;
}

}  // namespace

void LinkWindow(Window* w, Window* parent, HWND insertAfter) {
    auto& list = parent->children;
    std::erase(list, w);
    w->parent = parent;
    if (parent->isRoot) {
        if (insertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
        else if (insertAfter == HWND_NOTOPMOST || insertAfter == HWND_BOTTOM) w->exStyle &= ~WS_EX_TOPMOST;
    }
    // The band of windows w may stand in: topmost windows first, then the others.
    auto bandStart = list.begin();
    auto bandEnd = list.end();
    if (parent->isRoot) {
        auto firstNormal = std::find_if(list.begin(), list.end(), [](Window* s) { return !IsTopmost(s); });
        if (IsTopmost(w)) bandEnd = firstNormal;
        else bandStart = firstNormal;
    }
    auto at = bandStart;
    if (insertAfter == HWND_BOTTOM) {
        at = bandEnd;
    } else if (insertAfter != HWND_TOP && insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST) {
        auto after = std::find_if(list.begin(), list.end(), [&](Window* s) { return s->handle == insertAfter; });
        if (after != list.end()) at = std::clamp(after + 1, bandStart, bandEnd);
    }
    list.insert(at, w);
}

void UnlinkWindow(Window* w) {
    if (w->parent) std::erase(w->parent->children, w);
}

namespace {

// Descends from the children of parent to the window under the point.
HWND HitTestAmong(HWND parent, POINT screen, LRESULT* hitCode) {
    std::vector<HWND> children;
    {
        Lock lock(S().mutex);
        Window* p = Find(parent);
        if (!p) return nullptr;
        for (Window* c : p->children) children.push_back(c->handle);
    }
    for (HWND child : children) {
        bool enabled;
        bool inClient;
        bool topLevel;
        {
            Lock lock(S().mutex);
            Window* c = FindLive(child);
            if (!c || !(c->style & WS_VISIBLE)) continue;
            if (!Contains(WindowRectOnScreen(c), screen) || LetsMouseThrough(c, screen)) continue;
            enabled = !(c->style & WS_DISABLED);
            topLevel = IsTopLevel(c);
            POINT origin = ClientOriginOnScreen(c);
            RECT client{origin.x, origin.y, origin.x + c->clientRect.right - c->clientRect.left,
                        origin.y + c->clientRect.bottom - c->clientRect.top};
            inClient = Contains(client, screen);
        }
        if (!enabled) {
            // A disabled child leaves the point to its parent; a disabled top-level window
            // takes it, and its input is refused.
            if (!topLevel) continue;
            *hitCode = HTERROR;
            return child;
        }
        if (inClient) {
            if (HWND deeper = HitTestAmong(child, screen, hitCode)) return deeper;
        }
        LRESULT hit = SendMessage(child, WM_NCHITTEST, 0,
                                  MAKELONG(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
        if (hit == HTTRANSPARENT) continue;
        *hitCode = hit;
        return child;
    }
    return nullptr;
}

}  // namespace

HWND HitTestWindow(POINT screen, LRESULT* hitCode) {
    LRESULT code = HTNOWHERE;
    HWND found = HitTestAmong(GetDesktopWindow(), screen, &code);
    if (hitCode) *hitCode = found ? code : HTNOWHERE;
    return found;
}

}  // namespace parch::win

namespace parch {

using namespace win;

HWND GetDesktopWindow() {
    Lock lock(S().mutex);
    return S().desktop->handle;
}

HWND GetParent(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (w->style & WS_CHILD) return w->parent && !w->parent->isRoot ? w->parent->handle : nullptr;
    if (w->style & WS_POPUP) return HandleOf(w->owner);
    return nullptr;
}

HWND SetParent(HWND hwnd, HWND newParent) {
    HWND old;
    bool wasVisible;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        Window* p = newParent ? (newParent == HWND_MESSAGE ? S().messageRoot : FindLive(newParent)) : S().desktop;
        if (!w || !p || p == w || IsDescendant(w, p)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        old = w->parent->handle;
        wasVisible = (w->style & WS_VISIBLE) != 0;
    }
    if (wasVisible) ShowWindow(hwnd, SW_HIDE);
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        Window* p = newParent ? (newParent == HWND_MESSAGE ? S().messageRoot : FindLive(newParent)) : S().desktop;
        if (!w || !p) return nullptr;
        UnlinkWindow(w);
        if (!p->isRoot) w->owner = nullptr;
        LinkWindow(w, p, HWND_TOP);
    }
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | (wasVisible ? SWP_SHOWWINDOW : 0));
    return old == GetDesktopWindow() ? nullptr : old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return nullptr;
    switch (flags) {
        case GA_PARENT: return HandleOf(w->parent);
        case GA_ROOT: return TopLevelOf(w)->handle;
        case GA_ROOTOWNER: {
            Window* root = TopLevelOf(w);
            while (root->owner) root = root->owner;
            return root->handle;
        }
        default: return nullptr;
    }
}

HWND GetWindow(HWND hwnd, UINT relation) {
    Lock lock(S().mutex);
    Window* w = Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
    if (relation == GW_OWNER) return HandleOf(w->owner);
    if (!w->parent) return nullptr;
    const auto& siblings = w->parent->children;
    auto it = std::find(siblings.begin(), siblings.end(), w);
    switch (relation) {
        case GW_HWNDFIRST: return siblings.front()->handle;
        case GW_HWNDLAST: return siblings.back()->handle;
        case GW_HWNDNEXT: return it + 1 < siblings.end() ? (*(it + 1))->handle : nullptr;
        case GW_HWNDPREV: return it > siblings.begin() ? (*(it - 1))->handle : nullptr;
        case GW_ENABLEDPOPUP:
            for (Window* s : siblings)
                if (s->owner == w && (s->style & WS_VISIBLE) && !(s->style & WS_DISABLED)) return s->handle;
            return nullptr;
        default: return nullptr;
    }
}

HWND GetTopWindow(HWND hwnd) {
    return GetWindow(hwnd ? hwnd : GetDesktopWindow(), GW_CHILD);
}

BOOL IsChild(HWND parent, HWND hwnd) {
    Lock lock(S().mutex);
    Window* p = FindLive(parent);
    Window* w = FindLive(hwnd);
    if (!p || !w) return 0;
    for (Window* cur = w; cur && (cur->style & WS_CHILD); cur = cur->parent)
        if (cur->parent == p) return 1;
    return 0;
}

BOOL IsWindowVisible(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w && IsVisibleChain(w) ? 1 : 0;
}

BOOL IsWindowEnabled(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w && !(w->style & WS_DISABLED) ? 1 : 0;
}

BOOL IsIconic(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w && (w->style & WS_MINIMIZE) ? 1 : 0;
}

BOOL IsZoomed(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w && (w->style & WS_MAXIMIZE) ? 1 : 0;
}

namespace {

void CollectDescendants(const Window* w, std::vector<HWND>& out) {
    for (const Window* c : w->children) {
        out.push_back(c->handle);
        CollectDescendants(c, out);
    }
}

BOOL EnumList(const std::vector<HWND>& list, WNDENUMPROC proc, LPARAM lParam) {
    for (HWND h : list) {
        if (!IsWindow(h)) continue;
        if (!proc(h, lParam)) return 0;
    }
    return 1;
}

}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
    std::vector<HWND> list;
    {
        Lock lock(S().mutex);
        Window* p = parent ? FindLive(parent) : S().desktop;
        if (!p || !proc) return 0;
        CollectDescendants(p, list);
    }
    return EnumList(list, proc, lParam);
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
    std::vector<HWND> list;
    {
        Lock lock(S().mutex);
        for (Window* w : S().desktop->children) list.push_back(w->handle);
    }
    return proc ? EnumList(list, proc, lParam) : 0;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam) {
    std::vector<HWND> list;
    {
        Lock lock(S().mutex);
        for (Window* w : S().desktop->children)
            if (w->threadId == threadId) list.push_back(w->handle);
    }
    return proc ? EnumList(list, proc, lParam) : 0;
}

HWND FindWindowEx(HWND parent, HWND childAfter, const char* className, const char* windowName) {
    Lock lock(S().mutex);
    Window* p = !parent ? S().desktop : parent == HWND_MESSAGE ? S().messageRoot : FindLive(parent);
    if (!p) return nullptr;
    WindowClass* cls = nullptr;
    if (className) {
        cls = FindClass(className);
        if (!cls) return nullptr;
    }
    bool started = childAfter == nullptr;
    for (Window* c : p->children) {
        if (!started) {
            started = c->handle == childAfter;
            continue;
        }
        if (cls && c->windowClass != cls) continue;
        if (windowName && !SameAsciiText(c->text, windowName)) continue;
        return c->handle;
    }
    return nullptr;
}

HWND FindWindow(const char* className, const char* windowName) {
    return FindWindowEx(nullptr, nullptr, className, windowName);
}

HWND WindowFromPoint(POINT point) {
    LRESULT hit;
    HWND found = HitTestWindow(point, &hit);
    return hit == HTERROR ? nullptr : found;
}

HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags) {
    Lock lock(S().mutex);
    Window* p = FindLive(parent);
    if (!p) return nullptr;
    RECT client{0, 0, p->clientRect.right - p->clientRect.left, p->clientRect.bottom - p->clientRect.top};
    if (!Contains(client, point)) return nullptr;
    for (Window* c : p->children) {
        if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
        if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
        if ((flags & CWP_SKIPTRANSPARENT) && (c->exStyle & WS_EX_TRANSPARENT)) continue;
        if (!Contains(c->windowRect, point)) continue;
        if (c->paint.region && !c->paint.region->Contains(point.x - c->windowRect.left, point.y - c->windowRect.top))
            continue;
        return c->handle;
    }
    return parent;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
    return ChildWindowFromPointEx(parent, point, CWP_ALL);
}

}  // namespace parch
