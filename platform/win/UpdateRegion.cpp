// Update regions: invalidation and validation, RedrawWindow, the choice of the next window to
// get WM_PAINT, and the repaints that placement changes cause.

#include <mutex>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Regions.h"
#include "platform/win/Messages.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowPos.h"

namespace parch::win {

void OwnedBitmap::Reset(HBITMAP bitmap) {
    if (bitmap_ && bitmap_ != bitmap) DeleteObject(bitmap_);
    bitmap_ = bitmap;
}

namespace {

RegionRects WholeWindow(const Window* w) {
    return RegionRects(RECT{0, 0, w->windowRect.right - w->windowRect.left, w->windowRect.bottom - w->windowRect.top});
}

bool ChildrenIncluded(const Window* w, UINT flags) {
    if (flags & RDW_ALLCHILDREN) return true;
    if (flags & RDW_NOCHILDREN) return false;
    return !(w->style & WS_CLIPCHILDREN);
}

// The area in w's window coordinates as one of its children sees it.
RegionRects AreaForChild(const Window* w, const Window* child, const RegionRects& area) {
    RECT client = ClientRectInWindow(w);
    RegionRects inClient = area.Intersected(client);
    return inClient.Offsetted(-(client.left + child->windowRect.left), -(client.top + child->windowRect.top));
}

// Converts a region given in client coordinates (or the whole window when neither rect nor
// region is given) into window coordinates.
RegionRects AreaOf(const Window* w, const RECT* rect, HRGN region, UINT flags) {
    RECT client = ClientRectInWindow(w);
    if (const auto* r = ResolveHandle(region)) return r->Rects().Offsetted(client.left, client.top);
    if (rect) return RegionRects(Moved(*rect, client.left, client.top));
    return (flags & RDW_FRAME) ? WholeWindow(w) : RegionRects(client);
}

}  // namespace

void ChangeUpdateRegion(Window* w, const RegionRects& area, UINT flags) {
    WindowPaint& p = w->paint;
    RECT client = ClientRectInWindow(w);
    if ((flags & RDW_INVALIDATE) && IsVisibleChain(w)) {
        RegionRects added = RegionRects::Combine(area, ShapeOf(w), RGN_AND);
        if (!(flags & RDW_FRAME)) added = added.Intersected(client);
        if (!added.Empty()) {
            p.update = RegionRects::Combine(p.update, added, RGN_OR);
            if (flags & RDW_ERASE) p.erase = true;
        }
    }
    if ((flags & RDW_INTERNALPAINT) && IsVisibleChain(w)) p.internalPaint = true;
    if (flags & RDW_VALIDATE) {
        RegionRects removed = (flags & RDW_NOFRAME) ? area.Intersected(client) : area;
        p.update = RegionRects::Combine(p.update, removed, RGN_DIFF);
        if (p.update.Empty()) p.erase = false;
        ++p.validations;
    }
    if (flags & RDW_NOERASE) p.erase = false;
    if (flags & RDW_NOINTERNALPAINT) p.internalPaint = false;
    if (!ChildrenIncluded(w, flags)) return;
    for (Window* c : w->children) {
        if (!(c->style & WS_VISIBLE) && !(flags & RDW_VALIDATE)) continue;
        // A child takes its frame along: its whole area lies in the parent's client area.
        // Internal paint requests stay with the window they were made for.
        ChangeUpdateRegion(c, AreaForChild(w, c, area), (flags | RDW_FRAME) & ~(RDW_NOFRAME | RDW_INTERNALPAINT));
    }
}

namespace {

// The first window of the thread (z-order, parents before children) that needs painting.
Window* FindDirty(Window* w, DWORD threadId, const Window* filter) {
    for (Window* c : w->children) {
        if (!(c->style & WS_VISIBLE)) continue;
        bool matches = !filter || c == filter || IsDescendant(filter, c);
        if (matches && c->threadId == threadId && c->paint.Dirty()) return c;
        if (Window* deeper = FindDirty(c, threadId, filter)) return deeper;
    }
    return nullptr;
}

HWND NextWindowToPaint(DWORD threadId, HWND filter) {
    Lock lock(S().mutex);
    const Window* only = filter ? FindLive(filter) : nullptr;
    if (filter && !only) return nullptr;
    Window* dirty = FindDirty(S().desktop, threadId, only);
    return dirty ? dirty->handle : nullptr;
}

void InvalidateWhole(Window* w) {
    ChangeUpdateRegion(w, WholeWindow(w), RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// The parent's area that a child left, in the parent's window coordinates.
RegionRects UncoveredInParent(const Window* w, const RECT& oldScreen) {
    RECT parentOnScreen = WindowRectOnScreen(w->parent);
    RegionRects old(Moved(oldScreen, -parentOnScreen.left, -parentOnScreen.top));
    if (!(w->style & WS_VISIBLE)) return old;
    RECT now = Moved(WindowRectOnScreen(w), -parentOnScreen.left, -parentOnScreen.top);
    return RegionRects::Combine(old, RegionRects(now), RGN_DIFF);
}

void TopLevelChanged(Window* w, const RECT& oldScreen, const WINDOWPOS& pos) {
    if (pos.flags & SWP_HIDEWINDOW) w->paint.onScreen = false;
    if (pos.flags & SWP_SHOWWINDOW) {
        w->paint.onScreen = true;
        InvalidateWhole(w);
        return;
    }
    if (pos.flags & SWP_NOREDRAW) return;
    const bool resized = !(pos.flags & SWP_NOSIZE);
    const bool classRedraw = w->windowClass && (w->windowClass->style & (CS_HREDRAW | CS_VREDRAW));
    if ((resized && classRedraw) || ((pos.flags & SWP_FRAMECHANGED) && !(pos.flags & SWP_NOCLIENTMOVE))) {
        InvalidateWhole(w);
        return;
    }
    if (resized || (pos.flags & SWP_FRAMECHANGED)) {
        // The store keeps what was painted; the frame and the newly exposed part are repainted.
        RegionRects frame = RegionRects::Combine(WholeWindow(w), RegionRects(ClientRectInWindow(w)), RGN_DIFF);
        RegionRects exposed = RegionRects::Combine(
            WholeWindow(w), RegionRects(RECT{0, 0, oldScreen.right - oldScreen.left, oldScreen.bottom - oldScreen.top}),
            RGN_DIFF);
        ChangeUpdateRegion(w, RegionRects::Combine(frame, exposed, RGN_OR),
                           RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}

void ChildChanged(Window* w, const RECT& oldScreen, const WINDOWPOS& pos) {
    if (pos.flags & SWP_NOREDRAW) return;
    const UINT moved = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    const bool placed = (pos.flags & moved) != moved || (pos.flags & SWP_FRAMECHANGED);
    const bool shown = pos.flags & SWP_SHOWWINDOW;
    const bool hidden = pos.flags & SWP_HIDEWINDOW;
    if (!placed && !shown && !hidden) return;
    if (hidden || (!shown && (pos.flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)))
        ChangeUpdateRegion(w->parent, UncoveredInParent(w, oldScreen), RDW_INVALIDATE | RDW_ERASE);
    if (!hidden) InvalidateWhole(w);
}

void GeometryChanged(HWND hwnd, const RECT& oldScreen, const WINDOWPOS& pos) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return;
    if (IsTopLevel(w)) TopLevelChanged(w, oldScreen, pos);
    else if (w->parent && !w->parent->isRoot) ChildChanged(w, oldScreen, pos);
}

}  // namespace

void InstallPainting() {
    static std::once_flag once;
    std::call_once(once, [] {
        SetPaintSource(&NextWindowToPaint);
        SetGeometryListener(&GeometryChanged);
    });
}

// Implemented with the painting messages.
void SendPendingErase(HWND hwnd);
void SendPaintIfDirty(HWND hwnd);

namespace {

// The windows RDW_UPDATENOW or RDW_ERASENOW reach, parents before children.
void CollectAffected(Window* w, UINT flags, std::vector<HWND>& out) {
    out.push_back(w->handle);
    if (!ChildrenIncluded(w, flags)) return;
    for (Window* c : w->children)
        if (c->style & WS_VISIBLE) CollectAffected(c, flags, out);
}

std::vector<HWND> AllTopLevel() {
    Lock lock(S().mutex);
    std::vector<HWND> all;
    for (Window* w : S().desktop->children) all.push_back(w->handle);
    return all;
}

}  // namespace

}  // namespace parch::win

namespace parch {

using namespace win;

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
    if (!hwnd) {
        for (HWND top : AllTopLevel()) RedrawWindow(top, nullptr, nullptr, flags);
        return 1;
    }
    std::vector<HWND> affected;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (flags & (RDW_INVALIDATE | RDW_VALIDATE | RDW_INTERNALPAINT | RDW_NOINTERNALPAINT | RDW_NOERASE))
            ChangeUpdateRegion(w, AreaOf(w, rect, region, flags), flags);
        if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) CollectAffected(w, flags, affected);
    }
    for (HWND each : affected) {
        if (flags & RDW_UPDATENOW) SendPaintIfDirty(each);
        else SendPendingErase(each);
    }
    return 1;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!hwnd) return RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
    if (region && !ResolveHandle(region)) return 0;
    return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
    if (region && !ResolveHandle(region)) return 0;
    return RedrawWindow(hwnd, nullptr, region, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
    if (erase) SendPendingErase(hwnd);
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return 0;
    RECT client = ClientRectInWindow(w);
    RECT box = w->paint.update.Intersected(client).Bounds();
    if (rect) *rect = HasArea(box) ? Moved(box, -client.left, -client.top) : RECT{};
    return HasArea(box) ? 1 : 0;
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
    auto* target = ResolveHandle(region);
    if (!target) return ERROR;
    if (erase) SendPendingErase(hwnd);
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return ERROR;
    RECT client = ClientRectInWindow(w);
    target->Rects() = w->paint.update.Intersected(client).Offsetted(-client.left, -client.top);
    return target->Rects().Type();
}

BOOL UpdateWindow(HWND hwnd) {
    return RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW);
}

}  // namespace parch
