#include "platform/win/NonClient.h"

#include <algorithm>

#include "platform/win/SystemValues.h"
#include "platform/win/WinState.h"

namespace parch::win {

namespace {

bool HasCaption(DWORD style) {
    return (style & WS_CAPTION) == WS_CAPTION;
}

int EdgeThickness(DWORD style, DWORD exStyle) {
    int edge = FrameThickness(style, exStyle);
    if (exStyle & WS_EX_CLIENTEDGE) edge += GetSystemMetrics(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE) edge += GetSystemMetrics(SM_CXBORDER);
    return edge;
}

int CaptionHeight(DWORD style, DWORD exStyle) {
    if (!HasCaption(style)) return 0;
    return GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

bool Inside(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The caption band: the system menu at the left, the buttons at the right.
LRESULT CaptionHit(DWORD style, DWORD exStyle, const RECT& band, POINT p) {
    int button = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CXSMSIZE : SM_CXSIZE);
    if (!(style & WS_SYSMENU)) return HTCAPTION;
    if (!(exStyle & WS_EX_TOOLWINDOW) && p.x < band.left + band.bottom - band.top) return HTSYSMENU;
    int right = band.right;
    if (p.x >= right - button) return HTCLOSE;
    right -= button;
    if (style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX)) {
        if (p.x >= right - button) return HTMAXBUTTON;
        right -= button;
        if (p.x >= right - button) return HTMINBUTTON;
    }
    return HTCAPTION;
}

LRESULT SizingHit(const RECT& window, int frame, POINT p) {
    int corner = GetSystemMetrics(SM_CYCAPTION);
    bool left = p.x < window.left + frame;
    bool right = p.x >= window.right - frame;
    bool top = p.y < window.top + frame;
    bool bottom = p.y >= window.bottom - frame;
    bool nearTop = p.y < window.top + corner;
    bool nearBottom = p.y >= window.bottom - corner;
    bool nearLeft = p.x < window.left + corner;
    bool nearRight = p.x >= window.right - corner;
    if (left) return nearTop ? HTTOPLEFT : nearBottom ? HTBOTTOMLEFT : HTLEFT;
    if (right) return nearTop ? HTTOPRIGHT : nearBottom ? HTBOTTOMRIGHT : HTRIGHT;
    if (top) return nearLeft ? HTTOPLEFT : nearRight ? HTTOPRIGHT : HTTOP;
    if (bottom) return nearLeft ? HTBOTTOMLEFT : nearRight ? HTBOTTOMRIGHT : HTBOTTOM;
    return HTNOWHERE;
}

}  // namespace

RECT DefaultClientRect(DWORD style, DWORD exStyle, const RECT& window) {
    RECT c = window;
    if (!(style & WS_MINIMIZE)) {
        int edge = EdgeThickness(style, exStyle);
        c.left += edge;
        c.right -= edge;
        c.top += edge + CaptionHeight(style, exStyle);
        c.bottom -= edge;
        if (style & WS_VSCROLL) c.right -= GetSystemMetrics(SM_CXVSCROLL);
        if (style & WS_HSCROLL) c.bottom -= GetSystemMetrics(SM_CYHSCROLL);
    } else {
        c.right = c.left;
        c.bottom = c.top;
    }
    c.right = std::max(c.right, c.left);
    c.bottom = std::max(c.bottom, c.top);
    return c;
}

LRESULT DefaultHitTest(HWND hwnd, POINT p) {
    RECT window, client;
    DWORD style, exStyle;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return HTNOWHERE;
        window = WindowRectOnScreen(w);
        POINT origin = ClientOriginOnScreen(w);
        client = {origin.x, origin.y, origin.x + w->clientRect.right - w->clientRect.left,
                  origin.y + w->clientRect.bottom - w->clientRect.top};
        style = w->style;
        exStyle = w->exStyle;
    }
    if (!Inside(window, p)) return HTNOWHERE;
    if (Inside(client, p)) return HTCLIENT;
    if (style & WS_MINIMIZE) return HTCAPTION;
    int frame = FrameThickness(style, exStyle);
    if (style & WS_THICKFRAME) {
        if (LRESULT hit = SizingHit(window, frame, p); hit != HTNOWHERE) return hit;
    } else if (frame && !Inside(RECT{window.left + frame, window.top + frame, window.right - frame,
                                     window.bottom - frame}, p)) {
        return HTBORDER;
    }
    int edge = EdgeThickness(style, exStyle);
    int caption = CaptionHeight(style, exStyle);
    RECT band{window.left + edge, window.top + edge, window.right - edge, window.top + edge + caption};
    if (caption && Inside(band, p)) return CaptionHit(style, exStyle, band, p);
    if ((style & WS_VSCROLL) && p.x >= client.right && p.y < client.bottom) return HTVSCROLL;
    if ((style & WS_HSCROLL) && p.y >= client.bottom && p.x < client.right) return HTHSCROLL;
    return HTBORDER;
}

}  // namespace parch::win

namespace parch {

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
    if (!rect) return 0;
    int edge = win::EdgeThickness(style, exStyle);
    rect->left -= edge;
    rect->right += edge;
    rect->top -= edge + win::CaptionHeight(style, exStyle) + (menu ? GetSystemMetrics(SM_CYMENU) : 0);
    rect->bottom += edge;
    return 1;
}

}  // namespace parch
