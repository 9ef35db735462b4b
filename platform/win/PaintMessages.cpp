// BeginPaint and EndPaint, the WM_NCPAINT and WM_ERASEBKGND that painting sends, and the
// default answers to the painting messages, WM_PRINT among them.

#include <utility>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace {

// Takes the frame part out of the update region and sends WM_NCPAINT for it: 1 when the whole
// frame is due, else a region in screen coordinates.
void SendFramePaint(HWND hwnd) {
    HRGN region = nullptr;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        RECT client = ClientRectInWindow(w);
        RegionRects frame = RegionRects::Combine(w->paint.update, RegionRects(client), RGN_DIFF);
        if (frame.Empty()) return;
        RegionRects wholeFrame = RegionRects::Combine(ShapeOf(w), RegionRects(client), RGN_DIFF);
        w->paint.update = w->paint.update.Intersected(client);
        if (frame != wholeFrame) {
            RECT onScreen = WindowRectOnScreen(w);
            region = CreateRectRgn(0, 0, 0, 0);
            if (auto* r = ResolveHandle(region)) r->Rects() = frame.Offsetted(onScreen.left, onScreen.top);
        }
    }
    SendMessage(hwnd, WM_NCPAINT, region ? reinterpret_cast<WPARAM>(region) : 1, 0);
    if (region) DeleteObject(region);
}

// Sends WM_ERASEBKGND with dc when an erase is due; remembers a refusal for BeginPaint.
void EraseIfDue(HWND hwnd, HDC dc) {
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || !w->paint.erase) return;
        w->paint.erase = false;
    }
    LRESULT erased = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    Lock lock(S().mutex);
    if (Window* w = FindLive(hwnd)) w->paint.eraseRefused = erased == 0;
}

RegionRects ClientUpdate(HWND hwnd) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w ? w->paint.update.Intersected(ClientRectInWindow(w)) : RegionRects{};
}

// The brush a class background names: a brush, or a system colour number plus one.
LRESULT EraseWithClassBrush(HWND hwnd, HDC dc) {
    HBRUSH brush;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        brush = w && w->windowClass ? w->windowClass->background : nullptr;
    }
    if (!brush) return 0;
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    HBRUSH made = nullptr;
    if (value <= COLOR_MENUBAR + 1) brush = made = CreateSolidBrush(GetSysColor(static_cast<int>(value) - 1));
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, brush);
    if (made) DeleteObject(made);
    return 1;
}

void PrintFrame(HWND hwnd, HDC dc) {
    PaintDefaultFrame(hwnd, dc);
}

// Runs paint with dc's origin at (dx, dy) and drawing kept to width x height there.
template <class F>
void WithOrigin(HDC dc, int dx, int dy, int width, int height, F&& paint) {
    int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, dx, dy, nullptr);
    IntersectClipRect(dc, 0, 0, width, height);
    paint();
    RestoreDC(dc, saved);
}

// WM_PRINT: the window as it would paint itself, drawn into a foreign context whose origin
// stands for the window's top-left corner.
void Print(HWND hwnd, HDC dc, LPARAM options) {
    if ((options & PRF_CHECKVISIBLE) && !IsWindowVisible(hwnd)) return;
    RECT client;
    RECT window;
    std::vector<std::pair<HWND, RECT>> children;  // bottom first, so upper ones paint over
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        client = ClientRectInWindow(w);
        window = Moved(w->windowRect, -w->windowRect.left, -w->windowRect.top);
        for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
            if ((*it)->style & WS_VISIBLE) children.emplace_back((*it)->handle, (*it)->windowRect);
    }
    if (options & PRF_NONCLIENT) {
        int saved = SaveDC(dc);
        IntersectClipRect(dc, 0, 0, window.right, window.bottom);
        PrintFrame(hwnd, dc);
        RestoreDC(dc, saved);
    }
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    if (options & PRF_ERASEBKGND)
        WithOrigin(dc, client.left, client.top, cw, ch,
                   [&] { SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0); });
    if (options & PRF_CLIENT)
        WithOrigin(dc, client.left, client.top, cw, ch,
                   [&] { SendMessage(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), options); });
    if (!(options & PRF_CHILDREN)) return;
    // Children show only inside the client area, as on the screen: one reaching past it must
    // not draw over the frame.
    WithOrigin(dc, client.left, client.top, cw, ch, [&] {
        for (const auto& entry : children) {
            // Named copies: lambdas cannot capture structured bindings on every compiler we build with.
            const HWND child = entry.first;
            const RECT r = entry.second;
            WithOrigin(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, [&] {
                SendMessage(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), options & ~PRF_CHECKVISIBLE);
            });
        }
    });
}

void SetRedraw(HWND hwnd, bool on) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return;
    if (!on && (w->style & WS_VISIBLE)) {
        w->style &= ~WS_VISIBLE;
        w->paint.frozen = true;
    } else if (on && w->paint.frozen) {
        w->style |= WS_VISIBLE;
        w->paint.frozen = false;
    }
}

}  // namespace

void SendPendingErase(HWND hwnd) {
    SendFramePaint(hwnd);
    RegionRects area = ClientUpdate(hwnd);
    HDC dc = PaintContext(hwnd, 0, &area);
    if (!dc) return;
    EraseIfDue(hwnd, dc);
    ReleaseDC(hwnd, dc);
}

LRESULT DispatchPaint(HWND hwnd) {
    unsigned before;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return 0;
        before = w->paint.validations;
    }
    LRESULT result = SendMessage(hwnd, WM_PAINT, 0, 0);
    Lock lock(S().mutex);
    if (Window* w = FindLive(hwnd); w && w->paint.validations == before) {
        w->paint.update = {};
        w->paint.internalPaint = false;
        w->paint.erase = false;
    }
    return result;
}

void SendPaintIfDirty(HWND hwnd) {
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w || !IsVisibleChain(w) || w->paint.update.Empty()) return;
    }
    DispatchPaint(hwnd);
}

bool DefaultPaintMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    LRESULT answer = 0;
    switch (message) {
        case WM_PAINT: {
            // Painting into a given context leaves the window's own update region alone.
            if (wParam) break;
            PAINTSTRUCT ps;
            if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
            break;
        }
        case WM_ERASEBKGND: answer = EraseWithClassBrush(hwnd, reinterpret_cast<HDC>(wParam)); break;
        case WM_PRINT: Print(hwnd, reinterpret_cast<HDC>(wParam), lParam); break;
        case WM_PRINTCLIENT: break;
        case WM_SETREDRAW: SetRedraw(hwnd, wParam != 0); break;
        default: return false;
    }
    if (result) *result = answer;
    return true;
}

}  // namespace parch::win

namespace parch {

using namespace win;

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    if (!paint) return nullptr;
    SendFramePaint(hwnd);
    RegionRects area;
    RECT client;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        client = ClientRectInWindow(w);
        area = w->paint.update.Intersected(client);
        w->paint.update = {};
        w->paint.internalPaint = false;
        ++w->paint.validations;
    }
    HDC dc = PaintContext(hwnd, 0, &area);
    if (!dc) return nullptr;
    EraseIfDue(hwnd, dc);
    bool refused = false;
    {
        Lock lock(S().mutex);
        if (Window* w = FindLive(hwnd)) refused = std::exchange(w->paint.eraseRefused, false);
    }
    *paint = PAINTSTRUCT{};
    paint->hdc = dc;
    paint->fErase = refused ? 1 : 0;
    RECT box = area.Bounds();
    paint->rcPaint = HasArea(box) ? Moved(box, -client.left, -client.top) : RECT{};
    return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (!paint) return 0;
    ReleaseDC(hwnd, paint->hdc);
    return 1;
}

}  // namespace parch
