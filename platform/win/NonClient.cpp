#include "platform/gdi/Rects.h"
#include "platform/win/NonClient.h"

#include <algorithm>
#include <string>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/TextLayout.h"
#include "platform/win/MenuBar.h"
#include "platform/win/Icons.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowSideTable.h"

namespace parch::win {

namespace {

bool HasCaption(DWORD style) {
    return (style & WS_CAPTION) == WS_CAPTION;
}

int InnerEdge(DWORD exStyle) {
    int edge = 0;
    if (exStyle & WS_EX_CLIENTEDGE) edge += GetSystemMetrics(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE) edge += GetSystemMetrics(SM_CXBORDER);
    return edge;
}

int CaptionHeight(DWORD style, DWORD exStyle) {
    if (!HasCaption(style)) return 0;
    return GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// The caption buttons from the right: close, then maximize and minimize (both or neither),
// or help in their place.
void LayOutCaptionButtons(DWORD style, DWORD exStyle, FrameLayout& f) {
    if (!(style & WS_SYSMENU) || Empty(f.caption)) return;
    bool tool = (exStyle & WS_EX_TOOLWINDOW) != 0;
    int width = GetSystemMetrics(tool ? SM_CXSMSIZE : SM_CXSIZE) - 2;
    int height = f.caption.bottom - f.caption.top - 4;
    int top = f.caption.top + 2;
    int right = f.caption.right - 2;
    auto next = [&](int gap) {
        RECT r{right - width, top, right, top + height};
        right -= width + gap;
        return r;
    };
    f.closeButton = next(2);
    if (!tool && (style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX))) {
        f.maxButton = next(0);
        f.minButton = next(0);
    } else if (exStyle & WS_EX_CONTEXTHELP) {
        f.helpButton = next(0);
    }
    if (!tool) f.systemMenu = {f.caption.left, f.caption.top, f.caption.left + f.caption.bottom - f.caption.top,
                               f.caption.bottom};
}

// Bars lie along the client area's right (left with WS_EX_LEFTSCROLLBAR) and bottom edges,
// where the frame calculation left room for them.
void LayOutScrollBars(DWORD style, DWORD exStyle, FrameLayout& f) {
    int cx = GetSystemMetrics(SM_CXVSCROLL);
    int cy = GetSystemMetrics(SM_CYHSCROLL);
    int innerRight = f.window.right - f.edge;
    int innerLeft = f.window.left + f.edge;
    int innerBottom = f.window.bottom - f.edge;
    bool left = (exStyle & WS_EX_LEFTSCROLLBAR) != 0;
    if (style & WS_VSCROLL) {
        if (left && f.client.left - cx >= innerLeft)
            f.vertScroll = {f.client.left - cx, f.client.top, f.client.left, f.client.bottom};
        if (!left && f.client.right + cx <= innerRight)
            f.vertScroll = {f.client.right, f.client.top, f.client.right + cx, f.client.bottom};
    }
    if ((style & WS_HSCROLL) && f.client.bottom + cy <= innerBottom)
        f.horzScroll = {f.client.left, f.client.bottom, f.client.right, f.client.bottom + cy};
    if (!Empty(f.vertScroll) && !Empty(f.horzScroll))
        f.sizeBox = {f.vertScroll.left, f.horzScroll.top, f.vertScroll.right, f.horzScroll.bottom};
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

struct FrameLook {
    DWORD style = 0;
    DWORD exStyle = 0;
    bool active = false;
    bool disabled = false;
    std::string title;
    HICON smallIcon = nullptr;
};

WindowSideTable<bool>& ActiveLooks() {
    static auto* table = new WindowSideTable<bool>;
    return *table;
}

bool ReadLook(HWND hwnd, FrameLook& look) {
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    if (!w) return false;
    look.style = w->style;
    look.exStyle = w->exStyle;
    look.disabled = (w->style & WS_DISABLED) != 0;
    look.title = w->text;
    bool* active = ActiveLooks().Find(hwnd);
    look.active = active && *active;
    return true;
}

// A ring of the given thickness just inside r.
void FillRing(HDC dc, const RECT& r, int thickness, int colorIndex) {
    if (thickness <= 0) return;
    FillWithSysColor(dc, {r.left, r.top, r.right, r.top + thickness}, colorIndex);
    FillWithSysColor(dc, {r.left, r.bottom - thickness, r.right, r.bottom}, colorIndex);
    FillWithSysColor(dc, {r.left, r.top + thickness, r.left + thickness, r.bottom - thickness}, colorIndex);
    FillWithSysColor(dc, {r.right - thickness, r.top + thickness, r.right, r.bottom - thickness}, colorIndex);
}

RECT Inset(const RECT& r, int by) {
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void PaintOuterFrame(HDC dc, const FrameLayout& f, const FrameLook& look) {
    RECT r = f.window;
    if (look.style & WS_THICKFRAME) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        FillRing(dc, Inset(f.window, 2), f.frame - 2, look.active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
    } else if (f.frame == GetSystemMetrics(SM_CXDLGFRAME)) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        FillRing(dc, Inset(f.window, 2), f.frame - 2, COLOR_3DFACE);
    } else if (f.frame > 0) {
        FillRing(dc, f.window, f.frame, COLOR_WINDOWFRAME);
    }
}

void PaintInnerEdge(HDC dc, const FrameLayout& f, DWORD exStyle) {
    RECT r = Inset(f.window, f.frame);
    r.top += f.caption.bottom - f.caption.top + f.menuBar.bottom - f.menuBar.top;
    if (exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    if (exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
}

void PaintTitle(HDC dc, const FrameLayout& f, const FrameLook& look) {
    RECT text = f.caption;
    text.left = (Empty(f.systemMenu) ? f.caption.left : f.systemMenu.right) + 2;
    for (const RECT* button : {&f.closeButton, &f.maxButton, &f.minButton, &f.helpButton})
        if (!Empty(*button)) text.right = std::min(text.right, button->left - 2);
    if (Empty(text) || look.title.empty()) return;
    NONCLIENTMETRICS metrics;
    SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    bool tool = (look.exStyle & WS_EX_TOOLWINDOW) != 0;
    HFONT font = CreateFontIndirect(tool ? &metrics.lfSmCaptionFont : &metrics.lfCaptionFont);
    int saved = SaveDC(dc);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(look.active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawText(dc, look.title.c_str(), static_cast<int>(look.title.size()), &text,
             DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    RestoreDC(dc, saved);
    DeleteObject(font);
}

void PaintButtons(HDC dc, const FrameLayout& f, const FrameLook& look, LRESULT pressed) {
    auto draw = [&](RECT r, UINT kind, LRESULT code, bool enabled) {
        if (Empty(r)) return;
        UINT state = kind | (pressed == code ? DFCS_PUSHED : 0) | (enabled && !look.disabled ? 0 : DFCS_INACTIVE);
        DrawFrameControl(dc, &r, DFC_CAPTION, state);
    };
    bool minimized = (look.style & WS_MINIMIZE) != 0;
    bool maximized = (look.style & WS_MAXIMIZE) != 0;
    draw(f.closeButton, DFCS_CAPTIONCLOSE, HTCLOSE, true);
    bool canMaximize = (look.style & WS_MAXIMIZEBOX) != 0;
    bool canMinimize = (look.style & WS_MINIMIZEBOX) != 0;
    draw(f.maxButton, maximized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX, HTMAXBUTTON, canMaximize);
    draw(f.minButton, minimized ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN, HTMINBUTTON, canMinimize);
    draw(f.helpButton, DFCS_CAPTIONHELP, HTHELP, true);
}

// The small icon in the system-menu box, centred.
void PaintSmallIcon(HDC dc, const FrameLayout& f, const FrameLook& look) {
    if (Empty(f.systemMenu) || !look.smallIcon) return;
    const int cx = GetSystemMetrics(SM_CXSMICON);
    const int cy = GetSystemMetrics(SM_CYSMICON);
    const int x = f.systemMenu.left + (f.systemMenu.right - f.systemMenu.left - cx) / 2;
    const int y = f.systemMenu.top + (f.systemMenu.bottom - f.systemMenu.top - cy) / 2;
    DrawIconEx(dc, x, y, look.smallIcon, cx, cy, 0, nullptr, DI_NORMAL);
}

void PaintCaption(HDC dc, const FrameLayout& f, const FrameLook& look) {
    if (Empty(f.caption)) return;
    FillWithSysColor(dc, f.caption, look.active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    PaintSmallIcon(dc, f, look);
    PaintTitle(dc, f, look);
    PaintButtons(dc, f, look, 0);
}

// The box where both bars meet is a grip only where it is the window's own bottom-right corner.
bool SizeBoxIsGrip(DWORD style, const FrameLayout& f) {
    return !Empty(f.sizeBox) && (style & WS_THICKFRAME) && !(style & WS_MAXIMIZE) &&
           f.sizeBox.right == f.window.right - f.edge && f.sizeBox.bottom == f.window.bottom - f.edge;
}

void PaintWindowScrollBars(HWND hwnd, HDC dc, const FrameLayout& f, DWORD style) {
    ScrollState state;
    if (!Empty(f.horzScroll) && GetScrollState(hwnd, SB_HORZ, state)) PaintScrollBar(dc, f.horzScroll, false, state);
    if (!Empty(f.vertScroll) && GetScrollState(hwnd, SB_VERT, state)) PaintScrollBar(dc, f.vertScroll, true, state);
    if (Empty(f.sizeBox)) return;
    FillWithSysColor(dc, f.sizeBox, COLOR_3DFACE);
    if (SizeBoxIsGrip(style, f)) DrawSizeGrip(dc, f.sizeBox);
}

}  // namespace

FrameLayout LayOutFrame(HWND hwnd) {
    FrameLayout f;
    DWORD style, exStyle;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return f;
        f.window = {0, 0, w->windowRect.right - w->windowRect.left, w->windowRect.bottom - w->windowRect.top};
        f.client = {w->clientRect.left - w->windowRect.left, w->clientRect.top - w->windowRect.top,
                    w->clientRect.right - w->windowRect.left, w->clientRect.bottom - w->windowRect.top};
        style = w->style;
        exStyle = w->exStyle;
    }
    f.frame = FrameThickness(style, exStyle);
    f.edge = f.frame + InnerEdge(exStyle);
    int caption = CaptionHeight(style, exStyle);
    if (caption) f.caption = {f.frame, f.frame, f.window.right - f.frame, f.frame + caption};
    LayOutCaptionButtons(style, exStyle, f);
    if (int bar = MenuBarHeight(hwnd, f.window.right, style, exStyle)) {
        int top = f.frame + caption;
        f.menuBar = {f.frame, top, f.window.right - f.frame, std::min<int>(top + bar, f.client.top)};
    }
    if (!(style & WS_MINIMIZE)) LayOutScrollBars(style, exStyle, f);
    return f;
}

RECT DefaultClientRect(DWORD style, DWORD exStyle, const RECT& window) {
    RECT c = window;
    if (style & WS_MINIMIZE) return {c.left, c.top, c.left, c.top};
    int frame = FrameThickness(style, exStyle);
    int edge = frame + InnerEdge(exStyle);
    c.left += edge;
    c.right -= edge;
    c.top += frame + CaptionHeight(style, exStyle) + InnerEdge(exStyle);
    c.bottom -= edge;
    // A bar takes its room only where there is that much room.
    int cx = GetSystemMetrics(SM_CXVSCROLL);
    int cy = GetSystemMetrics(SM_CYHSCROLL);
    if ((style & WS_HSCROLL) && c.bottom - c.top >= cy) c.bottom -= cy;
    if ((style & WS_VSCROLL) && c.right - c.left >= cx) {
        if (exStyle & WS_EX_LEFTSCROLLBAR) c.left += cx;
        else c.right -= cx;
    }
    c.right = std::max(c.right, c.left);
    c.bottom = std::max(c.bottom, c.top);
    return c;
}

LRESULT DefaultHitTest(HWND hwnd, POINT screen) {
    RECT windowOnScreen;
    DWORD style;
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return HTNOWHERE;
        windowOnScreen = WindowRectOnScreen(w);
        style = w->style;
    }
    if (!PtInRect(&windowOnScreen, screen)) return HTNOWHERE;
    FrameLayout f = LayOutFrame(hwnd);
    POINT p{screen.x - windowOnScreen.left, screen.y - windowOnScreen.top};
    if (PtInRect(&f.client, p)) return HTCLIENT;
    if (style & WS_MINIMIZE) return HTCAPTION;
    const RECT inner = Inset(f.window, f.frame);
    if (!PtInRect(&inner, p)) {
        if ((style & WS_THICKFRAME) && !(style & WS_MAXIMIZE)) return SizingHit(f.window, f.frame, p);
        return HTBORDER;
    }
    if (PtInRect(&f.caption, p)) {
        if (PtInRect(&f.systemMenu, p)) return HTSYSMENU;
        if (PtInRect(&f.closeButton, p)) return HTCLOSE;
        if (PtInRect(&f.maxButton, p)) return HTMAXBUTTON;
        if (PtInRect(&f.minButton, p)) return HTMINBUTTON;
        if (PtInRect(&f.helpButton, p)) return HTHELP;
        return HTCAPTION;
    }
    if (PtInRect(&f.menuBar, p)) return HTMENU;
    if (PtInRect(&f.vertScroll, p)) return HTVSCROLL;
    if (PtInRect(&f.horzScroll, p)) return HTHSCROLL;
    if (PtInRect(&f.sizeBox, p)) return SizeBoxIsGrip(style, f) ? HTBOTTOMRIGHT : HTGROWBOX;
    return HTBORDER;
}

void FillWithSysColor(HDC dc, const RECT& r, int colorIndex) {
    if (Empty(r)) return;
    HBRUSH brush = CreateSolidBrush(GetSysColor(colorIndex));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void DrawSizeGrip(HDC dc, const RECT& r) {
    // Three ridges across the corner, each a light line followed by two shadow lines.
    int size = std::min(r.right - r.left, r.bottom - r.top);
    for (int ridge = 0; ridge < 3; ++ridge) {
        for (int line = 0; line < 3; ++line) {
            int from = 4 * ridge + line + 2;
            if (from >= size) return;
            HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(line == 0 ? COLOR_3DHILIGHT : COLOR_3DSHADOW));
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, r.right - from, r.bottom - 1, nullptr);
            LineTo(dc, r.right, r.bottom - from - 1);
            SelectObject(dc, old);
            DeleteObject(pen);
        }
    }
}

bool FrameLooksActive(HWND hwnd) {
    Lock lock(S().mutex);
    bool* active = ActiveLooks().Find(hwnd);
    return active && *active;
}

void SetFrameLooksActive(HWND hwnd, bool active) {
    Lock lock(S().mutex);
    if (FindLive(hwnd)) ActiveLooks().Get(hwnd) = active;
}

void PaintNonClient(HWND hwnd, WPARAM region) {
    HDC dc = region == 1 ? GetWindowDC(hwnd)
                         : GetDCEx(hwnd, reinterpret_cast<HRGN>(region), DCX_WINDOW | DCX_INTERSECTRGN);
    if (!dc) return;
    PaintDefaultFrame(hwnd, dc);
    ReleaseDC(hwnd, dc);
}

void PaintCaptionButtons(HWND hwnd, LRESULT pressed) {
    FrameLook look;
    if (!ReadLook(hwnd, look)) return;
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    PaintButtons(dc, LayOutFrame(hwnd), look, pressed);
    ReleaseDC(hwnd, dc);
}

}  // namespace parch::win

namespace parch {

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
    if (!rect) return 0;
    int edge = win::FrameThickness(style, exStyle) + win::InnerEdge(exStyle);
    rect->left -= edge;
    rect->right += edge;
    rect->top -= edge + win::CaptionHeight(style, exStyle) + (menu ? GetSystemMetrics(SM_CYMENU) : 0);
    rect->bottom += edge;
    return 1;
}

void PaintDefaultFrame(HWND hwnd, HDC dc) {
    win::FrameLook look;
    if (!dc || !win::ReadLook(hwnd, look)) return;
    // The window's own small icon, else its class's (asked without the lock: a window
    // procedure may answer WM_GETICON itself).
    look.smallIcon = reinterpret_cast<HICON>(SendMessage(hwnd, WM_GETICON, ICON_SMALL, 0));
    if (!look.smallIcon) look.smallIcon = reinterpret_cast<HICON>(GetClassLongPtr(hwnd, GCLP_HICONSM));
    win::FrameLayout f = win::LayOutFrame(hwnd);
    win::PaintOuterFrame(dc, f, look);
    win::PaintInnerEdge(dc, f, look.exStyle);
    win::PaintCaption(dc, f, look);
    win::PaintMenuBar(hwnd, dc, f.menuBar);
    win::PaintWindowScrollBars(hwnd, dc, f, look.style);
}

}  // namespace parch
