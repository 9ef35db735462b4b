#include "platform/win/AnimateWindow.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/Regions.h"
#include "platform/win/Clock.h"
#include "platform/win/Compositor.h"
#include "platform/win/Layered.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch {

namespace animatewindow {

constexpr DWORD kFrameMs = 10;
constexpr DWORD kDirections = AW_HOR_POSITIVE | AW_HOR_NEGATIVE | AW_VER_POSITIVE | AW_VER_NEGATIVE;

// One frame: the part of the window shown, and where the picture's pixel for a shown point
// (x, y) comes from: (x - shift.x, y - shift.y).
struct Frame {
    RECT shown{};
    POINT shift{};
};

int Part(int whole, double progress) { return static_cast<int>(whole * progress + 0.5); }

Frame FrameAt(SIZE size, DWORD flags, double progress) {
    Frame f;
    f.shown = RECT{0, 0, size.cx, size.cy};
    if (flags & AW_BLEND) return f;
    const int w = Part(size.cx, progress);
    const int h = Part(size.cy, progress);
    if (flags & AW_CENTER) {
        f.shown = RECT{(size.cx - w) / 2, (size.cy - h) / 2, (size.cx - w) / 2 + w, (size.cy - h) / 2 + h};
        return f;
    }
    const bool slide = (flags & AW_SLIDE) != 0;
    if (flags & AW_HOR_POSITIVE) {
        f.shown.right = w;
        if (slide) f.shift.x = w - size.cx;
    } else if (flags & AW_HOR_NEGATIVE) {
        f.shown.left = size.cx - w;
        if (slide) f.shift.x = size.cx - w;
    }
    if (flags & AW_VER_POSITIVE) {
        f.shown.bottom = h;
        if (slide) f.shift.y = h - size.cy;
    } else if (flags & AW_VER_NEGATIVE) {
        f.shown.top = size.cy - h;
        if (slide) f.shift.y = size.cy - h;
    }
    return f;
}

// Runs draw(progress) for each frame, spread evenly over `time` on the window system's clock;
// showing runs progress up to 1, hiding down to 0.
template <class Draw>
void RunFrames(DWORD time, bool hiding, Draw&& draw) {
    const DWORD steps = std::max<DWORD>(1, time / kFrameMs);
    const std::uint64_t start = CurrentClock().NowMs();
    for (DWORD i = 1; i <= steps; ++i) {
        const std::uint64_t due = start + static_cast<std::uint64_t>(time) * i / steps;
        const std::uint64_t now = CurrentClock().NowMs();
        if (due > now) Sleep(static_cast<DWORD>(due - now));
        const double progress = static_cast<double>(i) / steps;
        draw(hiding ? 1.0 - progress : progress);
    }
}

void DeleteBitmap(HBITMAP b) { DeleteObject(b); }
using BitmapPtr = std::unique_ptr<GdiBitmap, decltype(&DeleteBitmap)>;

BitmapPtr NewPicture(SIZE size) {
    auto made = GdiBitmap::Create(size.cx, size.cy, 32, true, true);
    return BitmapPtr(made ? AdoptGdiObject(std::move(made)) : nullptr, &DeleteBitmap);
}

// Gives the layered window `picture` (or, for a frame, the part of it the frame shows).
void ShowPicture(HWND hwnd, HBITMAP picture, BYTE alpha) {
    HDC source = CreateCompatibleDC(nullptr);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, picture);
    BLENDFUNCTION blend;
    blend.SourceConstantAlpha = alpha;
    blend.AlphaFormat = AC_SRC_ALPHA;
    const POINT origin{0, 0};
    UpdateLayeredWindow(hwnd, nullptr, nullptr, nullptr, source, &origin, 0, &blend, ULW_ALPHA);
    SelectObject(source, old);
    DeleteDC(source);
}

void CopyFrame(const GdiBitmap& picture, GdiBitmap& frame, const Frame& f) {
    std::memset(frame.Bits(), 0, static_cast<std::size_t>(frame.ByteSize()));
    const int width = f.shown.right - f.shown.left;
    if (width <= 0) return;
    for (int y = f.shown.top; y < f.shown.bottom; ++y) {
        const BYTE* from = picture.Row(y - f.shift.y) + 4 * (f.shown.left - f.shift.x);
        std::memcpy(frame.Row(y) + 4 * f.shown.left, from, static_cast<std::size_t>(width) * 4);
    }
}

// The look a layered window had before, to be given back at the end.
struct LayeredLook {
    bool layered = false;
    bool attributes = false;
    COLORREF key = 0;
    BYTE alpha = 255;
    DWORD flags = 0;
};

LayeredLook LookOf(HWND hwnd) {
    LayeredLook look;
    look.layered = (GetWindowLongPtr(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    if (look.layered) look.attributes = GetLayeredWindowAttributes(hwnd, &look.key, &look.alpha, &look.flags) != 0;
    return look;
}

void SetLayered(HWND hwnd, bool on) {
    const LONG_PTR ex = GetWindowLongPtr(hwnd, GWL_EXSTYLE);
    SetWindowLongPtr(hwnd, GWL_EXSTYLE, on ? (ex | WS_EX_LAYERED) : (ex & ~static_cast<LONG_PTR>(WS_EX_LAYERED)));
}

void RestoreLook(HWND hwnd, const LayeredLook& look, HBITMAP picture) {
    if (!look.layered) SetLayered(hwnd, false);
    else if (look.attributes) SetLayeredWindowAttributes(hwnd, look.key, look.alpha, look.flags);
    else ShowPicture(hwnd, picture, 255);
}

// A top-level window: each frame is the window's picture given to it as a layered picture.
void AnimateTopLevel(HWND hwnd, DWORD time, DWORD flags) {
    const bool hiding = (flags & AW_HIDE) != 0;
    const LayeredLook look = LookOf(hwnd);
    const bool ownPicture = look.layered && !look.attributes;
    BitmapPtr picture(nullptr, &DeleteBitmap);
    if (hiding || ownPicture) picture.reset(CaptureWindow(hwnd));
    if (!look.layered) SetLayered(hwnd, true);
    if (!hiding) {
        // Shown unseen first, so that it paints the picture the frames are made of.
        SetLayeredWindowAttributes(hwnd, 0, 0, LWA_ALPHA);
        ShowWindow(hwnd, (flags & AW_ACTIVATE) ? SW_SHOW : SW_SHOWNA);
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        if (!picture) picture.reset(CaptureWindow(hwnd));
    }
    RECT r{};
    GetWindowRect(hwnd, &r);
    const SIZE size{r.right - r.left, r.bottom - r.top};
    BitmapPtr frame = NewPicture(size);
    GdiBitmap* source = ResolveHandle(picture.get());
    const bool usable = frame && source && source->Width() == size.cx && source->Height() == size.cy;
    const BYTE baseAlpha = (look.attributes && (look.flags & LWA_ALPHA)) ? look.alpha : 255;
    if (usable) {
        RunFrames(time, hiding, [&](double progress) {
            if (flags & AW_BLEND) {
                ShowPicture(hwnd, picture.get(), static_cast<BYTE>(baseAlpha * progress + 0.5));
                return;
            }
            CopyFrame(*source, *frame, FrameAt(size, flags, progress));
            ShowPicture(hwnd, frame.get(), baseAlpha);
        });
    }
    if (hiding) ShowWindow(hwnd, SW_HIDE);
    RestoreLook(hwnd, look, picture.get());
}

// A child window: each frame is the shown part as the window's region.
void AnimateChild(HWND hwnd, DWORD time, DWORD flags) {
    const bool hiding = (flags & AW_HIDE) != 0;
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    const bool hadRegion = saved && GetWindowRgn(hwnd, saved) != ERROR;
    RECT r{};
    GetWindowRect(hwnd, &r);
    const SIZE size{r.right - r.left, r.bottom - r.top};
    auto showPart = [&](double progress) {
        const Frame f = FrameAt(size, flags, progress);
        HRGN part = CreateRectRgnIndirect(&f.shown);
        if (part && hadRegion) CombineRgn(part, part, saved, RGN_AND);
        SetWindowRgn(hwnd, part, 1);  // the window takes the region over
        // Nothing pumps messages meanwhile: what the new region uncovered is painted now.
        RedrawWindow(GetParent(hwnd), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    if (!hiding) {
        showPart(0.0);
        ShowWindow(hwnd, (flags & AW_ACTIVATE) ? SW_SHOW : SW_SHOWNA);
    }
    RunFrames(time, hiding, showPart);
    if (hiding) ShowWindow(hwnd, SW_HIDE);
    else RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (hadRegion) {
        SetWindowRgn(hwnd, saved, 1);
    } else {
        SetWindowRgn(hwnd, nullptr, 1);
        if (saved) DeleteObject(saved);
    }
}

}  // namespace animatewindow

BOOL AnimateWindow(HWND hwnd, DWORD time, DWORD flags) {
    using namespace animatewindow;
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const bool hiding = (flags & AW_HIDE) != 0;
    const bool child = (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) != 0;
    const bool visible = (GetWindowLongPtr(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
    const bool blend = (flags & AW_BLEND) != 0;
    const bool badFlags = (blend && (flags & AW_CENTER)) || (blend && child) ||
                          (!blend && !(flags & AW_CENTER) && !(flags & kDirections));
    if (badFlags) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (visible != hiding) return 0;
    if (child) AnimateChild(hwnd, time, flags);
    else AnimateTopLevel(hwnd, time, flags);
    return 1;
}

}  // namespace parch
