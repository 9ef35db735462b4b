// Window regions and scrolling a window's pixels.

#include <cstring>
#include <vector>

#include "platform/gdi/Regions.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowPos.h"

namespace parch::win {

namespace {

// Moves the pixels of the store inside `area` (top-level coordinates, already clipped to what
// both source and destination allow) by (dx, dy).
void MovePixels(GdiBitmap& store, const RegionRects& area, int dx, int dy) {
    for (const RECT& r : area.Rects()) {
        const int width = r.right - r.left;
        std::vector<std::uint32_t> rows(static_cast<std::size_t>(width) * (r.bottom - r.top));
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(&rows[static_cast<std::size_t>(y - r.top) * width], store.Row(y - dy) + (r.left - dx) * 4,
                        static_cast<std::size_t>(width) * 4);
        for (int y = r.top; y < r.bottom; ++y)
            std::memcpy(store.Row(y) + r.left * 4, &rows[static_cast<std::size_t>(y - r.top) * width],
                        static_cast<std::size_t>(width) * 4);
    }
}

}  // namespace

}  // namespace parch::win

namespace parch {

using namespace win;

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
    const auto* given = region ? ResolveHandle(region) : nullptr;
    if (region && !given) return 0;
    HWND parent = nullptr;
    RECT inParent;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (given) w->paint.region = given->Rects();
        else w->paint.region.reset();
        if (!IsTopLevel(w)) {
            parent = w->parent->handle;
            inParent = w->windowRect;
        }
    }
    // The window system owns the region from now on.
    if (region) DeleteObject(region);
    if (redraw) {
        if (parent) RedrawWindow(parent, &inParent, nullptr, RDW_INVALIDATE | RDW_ERASE);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    return 1;
}

int GetWindowRgn(HWND hwnd, HRGN region) {
    auto* target = ResolveHandle(region);
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!target || !w || !w->paint.region) return ERROR;
    target->Rects() = *w->paint.region;
    return target->Rects().Type();
}

int GetWindowRgnBox(HWND hwnd, RECT* rect) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!rect || !w || !w->paint.region) return ERROR;
    *rect = w->paint.region->Bounds();
    return w->paint.region->Type();
}

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN updateRegion,
                   RECT* updateRect, UINT flags) {
    RegionRects uncovered;  // client coordinates
    std::vector<std::pair<HWND, RECT>> children;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return ERROR;
        }
        const RECT clientInWindow = ClientRectInWindow(w);
        const RECT client = Moved(clientInWindow, -clientInWindow.left, -clientInWindow.top);
        const RECT source = Intersection(scroll ? *scroll : client, client);
        const RECT limit = Intersection(clip ? *clip : client, client);
        const RegionRects inLimit = RegionRects(source).Intersected(limit);
        // Client coordinates to the top-level store's.
        const POINT origin = OffsetInTop(w);
        const int ox = origin.x + clientInWindow.left;
        const int oy = origin.y + clientInWindow.top;
        const bool withChildren = (flags & SW_SCROLLCHILDREN) != 0;
        RegionRects visible = VisibleRegion(w, false, 0, !withChildren).Offsetted(-ox, -oy);
        RegionRects moved = RegionRects(Moved(source, dx, dy)).Intersected(limit);
        moved = RegionRects::Combine(moved, RegionRects::Combine(visible, visible.Offsetted(dx, dy), RGN_AND), RGN_AND);
        if (GdiBitmap* store = StoreOf(TopLevelOf(w)); store && !moved.Empty())
            MovePixels(*store, moved.Offsetted(ox, oy), dx, dy);
        uncovered = RegionRects::Combine(inLimit, moved, RGN_DIFF);
        // What was waiting to be painted moves along with the pixels.
        RegionRects pending = w->paint.update.Intersected(Moved(source, clientInWindow.left, clientInWindow.top));
        if (!pending.Empty()) {
            w->paint.update = RegionRects::Combine(w->paint.update, pending, RGN_DIFF);
            w->paint.update =
                RegionRects::Combine(w->paint.update, pending.Offsetted(dx, dy).Intersected(Moved(limit, clientInWindow.left, clientInWindow.top)), RGN_OR);
        }
        if (withChildren)
            for (Window* c : w->children)
                if (!scroll || HasArea(Intersection(c->windowRect, source)))
                    children.emplace_back(c->handle, c->windowRect);
    }
    for (const auto& [child, r] : children)
        SetWindowPos(child, nullptr, r.left + dx, r.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    if (flags & SW_INVALIDATE) {
        HRGN area = CreateRectRgn(0, 0, 0, 0);
        if (auto* r = ResolveHandle(area)) r->Rects() = uncovered;
        RedrawWindow(hwnd, nullptr, area,
                     RDW_INVALIDATE | RDW_ALLCHILDREN | ((flags & SW_ERASE) ? RDW_ERASE : 0));
        DeleteObject(area);
    }
    if (auto* r = ResolveHandle(updateRegion)) r->Rects() = uncovered;
    if (updateRect) *updateRect = uncovered.Bounds();
    return uncovered.Type();
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
    UINT flags = SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN);
    return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr, flags) != ERROR ? 1 : 0;
}

}  // namespace parch
