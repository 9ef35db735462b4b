// Window and screen device contexts over the backing stores, clipped to visible regions.

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Regions.h"
#include "platform/win/Compositor.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/Painting.h"
#include "platform/win/ScreenOverlay.h"

namespace parch::win {

namespace {

// Which window each context handed out belongs to (null: the screen).
std::unordered_map<HDC, HWND>& Contexts() {
    static auto* contexts = new std::unordered_map<HDC, HWND>;
    return *contexts;
}

RegionRects Combined(const RegionRects& a, const RegionRects& b, int op) {
    return RegionRects::Combine(a, b, op);
}

// Removes from region the areas of the visible windows in siblings that stand before `stop`
// (above it in z-order), each at its place in the top-level window.
void CutSiblingsAbove(RegionRects& region, const std::vector<Window*>& siblings, const Window* stop) {
    for (const Window* s : siblings) {
        if (s == stop) break;
        if (!(s->style & WS_VISIBLE)) continue;
        POINT o = OffsetInTop(s);
        region = Combined(region, ShapeOf(s).Offsetted(o.x, o.y), RGN_DIFF);
    }
}

}  // namespace

RECT Moved(const RECT& r, int dx, int dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

RECT Intersection(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return HasArea(r) ? r : RECT{};
}

bool HasArea(const RECT& r) {
    return r.left < r.right && r.top < r.bottom;
}

POINT OffsetInTop(const Window* w) {
    const Window* top = TopLevelOf(const_cast<Window*>(w));
    RECT mine = WindowRectOnScreen(w);
    RECT outer = WindowRectOnScreen(top);
    return {mine.left - outer.left, mine.top - outer.top};
}

RECT WindowRectInTop(const Window* w) {
    POINT o = OffsetInTop(w);
    return {o.x, o.y, o.x + w->windowRect.right - w->windowRect.left, o.y + w->windowRect.bottom - w->windowRect.top};
}

RECT ClientRectInWindow(const Window* w) {
    return Moved(w->clientRect, -w->windowRect.left, -w->windowRect.top);
}

RegionRects ShapeOf(const Window* w) {
    RegionRects whole(RECT{0, 0, w->windowRect.right - w->windowRect.left, w->windowRect.bottom - w->windowRect.top});
    if (!w->paint.region) return whole;
    return Combined(whole, *w->paint.region, RGN_AND);
}

RegionRects VisibleRegion(const Window* w, bool windowArea, DWORD dcxFlags, bool styleClipsChildren) {
    if (w->isRoot || !IsVisibleChain(w)) return {};
    const Window* top = TopLevelOf(const_cast<Window*>(w));
    POINT origin = OffsetInTop(w);
    RegionRects visible = ShapeOf(w).Offsetted(origin.x, origin.y);
    if (!windowArea) visible = visible.Intersected(Moved(ClientRectInWindow(w), origin.x, origin.y));

    const bool clipSiblings = (w->style & WS_CLIPSIBLINGS) || (dcxFlags & DCX_CLIPSIBLINGS);
    for (const Window *child = w, *a = w->parent; child != top && a; child = a, a = a->parent) {
        POINT ao = OffsetInTop(a);
        visible = visible.Intersected(Moved(ClientRectInWindow(a), ao.x, ao.y));
        if (a->paint.region) visible = Combined(visible, a->paint.region->Offsetted(ao.x, ao.y), RGN_AND);
        bool cut = child == w ? clipSiblings : (child->style & WS_CLIPSIBLINGS) != 0;
        if (cut) CutSiblingsAbove(visible, a->children, child);
    }
    if ((styleClipsChildren && (w->style & WS_CLIPCHILDREN)) || (dcxFlags & DCX_CLIPCHILDREN))
        CutSiblingsAbove(visible, w->children, nullptr);
    return visible;
}

GdiBitmap* StoreOf(Window* top) {
    const int width = top->windowRect.right - top->windowRect.left;
    const int height = top->windowRect.bottom - top->windowRect.top;
    if (width <= 0 || height <= 0) return nullptr;
    GdiBitmap* old = ResolveHandle(top->paint.store.Get());
    if (old && old->Width() == width && old->Height() == height) return old;
    auto made = GdiBitmap::Create(width, height, 32, true, true);
    if (!made) return nullptr;
    if (old) {
        const int rows = std::min(height, old->Height());
        const std::size_t bytes = static_cast<std::size_t>(std::min(width, old->Width())) * 4;
        for (int y = 0; y < rows; ++y) std::memcpy(made->Row(y), old->Row(y), bytes);
    }
    GdiBitmap* store = AdoptGdiObject(std::move(made));
    top->paint.store.Reset(store);
    return store;
}

namespace {

// Drawing on it reaches the screen through the overlay (ScreenOverlay.h).
HDC ScreenDC() {
    Lock lock(S().mutex);
    GdiBitmap* screen = ComposedScreen();
    HDC dc = screen ? CreateSurfaceDC(screen, {0, 0}) : CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    if (screen) ScreenContextOpened(dc, *screen);
    Contexts()[dc] = nullptr;
    return dc;
}

// A context over the window's place in its top-level window's store, clipped to what can be
// seen there and, when given, to clipRegion (screen coordinates).
HDC WindowContext(HWND hwnd, HRGN clipRegion, DWORD flags) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) {
        if (hwnd && hwnd != S().desktop->handle) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        lock.unlock();
        return ScreenDC();
    }
    const bool windowArea = (flags & DCX_WINDOW) != 0;
    Window* top = TopLevelOf(w);
    POINT origin = OffsetInTop(w);
    if (!windowArea) {
        RECT client = ClientRectInWindow(w);
        origin.x += client.left;
        origin.y += client.top;
    }
    RegionRects visible = VisibleRegion(w, windowArea, flags);
    if (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)) {
        const auto* given = ResolveHandle(clipRegion);
        RECT topOnScreen = WindowRectOnScreen(top);
        RegionRects area = given ? given->Rects().Offsetted(-topOnScreen.left, -topOnScreen.top) : RegionRects{};
        visible = RegionRects::Combine(visible, area, (flags & DCX_INTERSECTRGN) ? RGN_AND : RGN_DIFF);
    }
    if (flags & (DCX_INTERSECTUPDATE | DCX_EXCLUDEUPDATE)) {
        POINT wo = OffsetInTop(w);
        RegionRects update = w->paint.update.Offsetted(wo.x, wo.y);
        visible = RegionRects::Combine(visible, update, (flags & DCX_INTERSECTUPDATE) ? RGN_AND : RGN_DIFF);
    }
    GdiBitmap* store = StoreOf(top);
    HDC dc = store ? CreateSurfaceDC(store, origin) : CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    if (DeviceContext* context = ResolveHandle(dc)) {
        // Device coordinates start at the origin; a context without store shows nothing.
        context->SetSystemClip(store ? visible.Offsetted(-origin.x, -origin.y) : RegionRects{});
    }
    Contexts()[dc] = hwnd;
    return dc;
}

}  // namespace

// A window DC of the window, known to the context table (for painting code of this layer).
HDC PaintContext(HWND hwnd, DWORD flags, const RegionRects* clipInWindow) {
    HDC dc = WindowContext(hwnd, nullptr, flags);
    if (!dc || !clipInWindow) return dc;
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    DeviceContext* context = ResolveHandle(dc);
    if (!w || !context) return dc;
    RegionRects clip = *clipInWindow;
    if (!(flags & DCX_WINDOW)) {
        RECT client = ClientRectInWindow(w);
        clip.Offset(-client.left, -client.top);
    }
    POINT o = context->SurfaceOrigin();
    // The system clip already holds the visible part; narrow it to the area asked for.
    RegionRects visible = context->EffectiveClip();
    visible.Offset(-o.x, -o.y);
    context->SetSystemClip(RegionRects::Combine(visible, clip, RGN_AND));
    return dc;
}

}  // namespace parch::win

namespace parch {

using namespace win;

HDC GetDC(HWND hwnd) {
    return WindowContext(hwnd, nullptr, 0);
}

HDC GetWindowDC(HWND hwnd) {
    return WindowContext(hwnd, nullptr, DCX_WINDOW);
}

HDC GetDCEx(HWND hwnd, HRGN clipRegion, DWORD flags) {
    return WindowContext(hwnd, clipRegion, flags);
}

int ReleaseDC(HWND hwnd, HDC dc) {
    {
        Lock lock(S().mutex);
        auto it = Contexts().find(dc);
        if (it == Contexts().end()) return 0;
        // The screen context may be released with the desktop or no window at all.
        if (it->second && hwnd && it->second != hwnd) return 0;
        Contexts().erase(it);
        ScreenContextReleased(dc, ResolveHandle(static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP))));
    }
    DeleteDC(dc);
    return 1;
}

HWND WindowFromDC(HDC dc) {
    Lock lock(S().mutex);
    auto it = Contexts().find(dc);
    if (it == Contexts().end()) return nullptr;
    return it->second ? it->second : S().desktop->handle;
}

}  // namespace parch
