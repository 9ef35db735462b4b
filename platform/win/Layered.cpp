#include "platform/win/Layered.h"

#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/PaintInternals.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowPos.h"

namespace parch::win {

namespace {

// The source's pixels as a new 32-bit picture of the given size.
HBITMAP PictureFrom(HDC source, POINT from, SIZE size) {
    auto made = GdiBitmap::Create(size.cx, size.cy, 32, true, true);
    if (!made) return nullptr;
    HBITMAP picture = AdoptGdiObject(std::move(made));
    HDC copy = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(copy, picture);
    BOOL done = BitBlt(copy, 0, 0, size.cx, size.cy, source, from.x, from.y, SRCCOPY);
    SelectObject(copy, old);
    DeleteDC(copy);
    if (!done) {
        DeleteObject(picture);
        return nullptr;
    }
    return picture;
}

// The layered top-level window of hwnd (lock held), or null with the error set.
Window* LayeredWindow(HWND hwnd) {
    Window* w = FindLive(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (!(w->exStyle & WS_EX_LAYERED) || !IsTopLevel(w)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return w;
}

bool PixelShown(const Window* w, POINT screen) {
    const LayeredState& ls = w->paint.layered;
    RECT r = WindowRectOnScreen(w);
    const int x = screen.x - r.left;
    const int y = screen.y - r.top;
    GdiBitmap* picture = ls.HasPicture() ? ResolveHandle(ls.picture.Get()) : ResolveHandle(w->paint.store.Get());
    if (!picture || x >= picture->Width() || y >= picture->Height()) return true;
    const DWORD pixel = PixelView::Of(*picture).ReadValue(x, y);
    if (ls.HasPicture()) {
        if ((ls.pictureFlags & ULW_COLORKEY) && (pixel & 0x00FFFFFF) == (ColorOfColorRef(ls.pictureKey) & 0x00FFFFFF))
            return false;
        return !(ls.pictureFlags & ULW_ALPHA) || (pixel >> 24) != 0;
    }
    if ((ls.attributeFlags & LWA_COLORKEY) && (pixel & 0x00FFFFFF) == (ColorOfColorRef(ls.key) & 0x00FFFFFF))
        return false;
    return true;
}

}  // namespace

bool LetsMouseThrough(const Window* w, POINT screen) {
    if (w->exStyle & WS_EX_TRANSPARENT) return true;
    RECT r = WindowRectOnScreen(w);
    if (w->paint.region && !w->paint.region->Contains(screen.x - r.left, screen.y - r.top)) return true;
    if (!IsTopLevel(w) || !(w->exStyle & WS_EX_LAYERED)) return false;
    if (!w->paint.layered.Defined()) return true;
    return !PixelShown(w, screen);
}

void LayeredStyleChanged(Window* w, DWORD oldExStyle) {
    if (((oldExStyle ^ w->exStyle) & WS_EX_LAYERED) == 0) return;
    w->paint.layered = LayeredState{};
    // Back to a plain window: its painted picture is shown again, painted afresh.
    if (!(w->exStyle & WS_EX_LAYERED))
        ChangeUpdateRegion(w, RegionRects(RECT{0, 0, w->windowRect.right - w->windowRect.left,
                                               w->windowRect.bottom - w->windowRect.top}),
                           RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace parch::win

namespace parch {

using namespace win;

BOOL UpdateLayeredWindow(HWND hwnd, HDC, const POINT* position, const SIZE* size, HDC source,
                         const POINT* sourcePoint, COLORREF key, const BLENDFUNCTION* blend, DWORD flags) {
    SIZE current;
    {
        Lock lock(S().mutex);
        Window* w = LayeredWindow(hwnd);
        if (!w) return 0;
        current = {w->windowRect.right - w->windowRect.left, w->windowRect.bottom - w->windowRect.top};
    }
    if ((flags & ULW_ALPHA) && !blend) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    SIZE wanted = size ? *size : current;
    if (wanted.cx <= 0 || wanted.cy <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    HBITMAP picture = nullptr;
    if (source) {
        picture = PictureFrom(source, sourcePoint ? *sourcePoint : POINT{}, wanted);
        if (!picture) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    {
        Lock lock(S().mutex);
        Window* w = LayeredWindow(hwnd);
        if (!w) {
            if (picture) DeleteObject(picture);
            return 0;
        }
        LayeredState& ls = w->paint.layered;
        if (picture) ls.picture.Reset(picture);
        else if (!ls.HasPicture()) return 0;
        ls.attributeFlags = 0;
        ls.pictureFlags = flags;
        ls.pictureAlpha = (flags & ULW_ALPHA) ? blend->SourceConstantAlpha : 255;
        ls.pictureKey = key;
    }
    UINT swp = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW;
    if (!position) swp |= SWP_NOMOVE;
    if (!size) swp |= SWP_NOSIZE;
    if (!position && !size) return 1;
    return SetWindowPos(hwnd, nullptr, position ? position->x : 0, position ? position->y : 0, wanted.cx, wanted.cy,
                        swp);
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
    bool hadPicture;
    {
        Lock lock(S().mutex);
        Window* w = LayeredWindow(hwnd);
        if (!w) return 0;
        LayeredState& ls = w->paint.layered;
        hadPicture = ls.HasPicture();
        ls.picture.Reset();
        ls.attributeFlags = flags & (LWA_ALPHA | LWA_COLORKEY);
        ls.alpha = alpha;
        ls.key = key;
        // Without either flag the window is still given a look: fully opaque.
        if (!ls.attributeFlags) {
            ls.attributeFlags = LWA_ALPHA;
            ls.alpha = 255;
        }
    }
    if (hadPicture) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return 1;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
    Lock lock(S().mutex);
    Window* w = LayeredWindow(hwnd);
    // Only what SetLayeredWindowAttributes gave can be read back.
    if (!w || w->paint.layered.HasPicture()) return 0;
    const LayeredState& ls = w->paint.layered;
    if (key) *key = ls.key;
    if (alpha) *alpha = ls.alpha;
    if (flags) *flags = ls.attributeFlags;
    return 1;
}

HRESULT DwmIsCompositionEnabled(BOOL* enabled) {
    if (enabled) *enabled = 0;
    return S_OK;
}

BOOL IsThemeActive() {
    return 0;
}

BOOL IsAppThemed() {
    return 0;
}

}  // namespace parch
