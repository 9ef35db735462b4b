#include "skin/frames/acSpinAdapters.h"

#include <algorithm>
#include <cmath>

#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/Rects.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/TrackBarClass.h"
#include "platform/win/UpDownClass.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sVclUtils.h"

namespace parch {
namespace {

constexpr int kSpinMouseLeft = 30;
constexpr UINT kSpinRedraw = RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME;
constexpr int kTrackParentNotify = 5;
constexpr int kTrackDirectThumb = 23;

DWORD SpinStyle(HWND window) { return static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE)); }

const TsMaskData* SpinGlyph(const TsSkinManager* manager, const char* section) {
    if (!manager) return nullptr;
    const int index = GetSectionIndex(manager->Tables(), section);
    const int mask = manager->GetMaskIndex(index, section, "GLYPHMASK");
    if (mask < 0 || mask >= static_cast<int>(manager->Tables().Masks.size())) return nullptr;
    return &manager->Tables().Masks[static_cast<size_t>(mask)];
}

void SpinTrackMouse(HWND window) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    TrackMouseEvent(&track);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TacSpinWnd

TacSpinWnd::TacSpinWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl)
    : TacMainWnd(handle, manager, section.empty() ? std::string("SPEEDBUTTON_SMALL") : section, ownerControl) {
    InitAdapterSkinData(skinData_, manager, Section(), "SPEEDBUTTON_SMALL");
    // A skin without the section draws the buttons as push buttons.
    if (skinData_.SectionIndex < 0) skinData_.SetSkinSection("BUTTON");
    Attach();
    if (IsWindowVisible(handle)) InvalidateRect(handle, nullptr, 1);
}

TacSpinWnd::~TacSpinWnd() {
    const bool wasAttached = !Destroyed();
    Detach();
    if (wasAttached && IsWindow(Handle()) && IsWindowVisible(Handle())) InvalidateRect(Handle(), nullptr, 1);
}

bool TacSpinWnd::IsVertical() const { return (SpinStyle(Handle()) & UDS_HORZ) == 0; }

RECT TacSpinWnd::FirstHalf() const {
    const SIZE s = GetWindowGeometry(Handle()).size;
    return IsVertical() ? RECT{PaintOffsetX, 0, s.cx, (s.cy + 1) / 2} : RECT{0, 0, (s.cx + 1) / 2, s.cy};
}

RECT TacSpinWnd::SecondHalf() const {
    const SIZE s = GetWindowGeometry(Handle()).size;
    return IsVertical() ? RECT{PaintOffsetX, s.cy / 2, s.cx, s.cy} : RECT{s.cx / 2, 0, s.cx, s.cy};
}

void TacSpinWnd::UpdateStates() {
    POINT cursor{};
    GetCursorPos(&cursor);
    const RECT window = GetWindowGeometry(Handle()).windowRect;
    FirstState = SecondState = 0;
    if (!PtInRect(&window, cursor)) return;
    RECT first = window;
    if (IsVertical())
        first.bottom -= (window.bottom - window.top) / 2;
    else
        first.right -= (window.right - window.left) / 2;
    const int state = MousePressed ? 2 : 1;
    if (PtInRect(&first, cursor))
        FirstState = state;
    else
        SecondState = state;
}

void TacSpinWnd::PaintHalf(RECT half, int state, const char* arrowSection, const std::string& section) {
    TBitmap& cache = *skinData_.CacheBitmap;
    TsSkinManager* manager = skinData_.GetSkinManager();
    if (half.right <= half.left || half.bottom <= half.top) return;
    // Each half shows the part of the parent's picture that lies behind it.
    const POINT at = GetWindowGeometry(Handle()).posInParent;
    PaintSkinSection(GetSectionIndex(manager->Tables(), section), section, GetWindowParentBackground(Handle()), state,
                     half, POINT{at.x + half.left, at.y + half.top}, cache, manager);
    if (const TsMaskData* glyph = SpinGlyph(manager, arrowSection)) {
        const POINT p{half.left + (half.right - half.left - MaskFrameWidth(*glyph)) / 2,
                      half.top + (half.bottom - half.top - MaskStateHeight(*glyph)) / 2};
        DrawMaskGlyph(cache, p, state, 1, *glyph, InitBackgroundSource(&cache, 0, 0));
    }
}

void TacSpinWnd::PaintCache() {
    TsSkinManager* manager = skinData_.GetSkinManager();
    if (!manager) return;
    if (GetSectionIndex(manager->Tables(), skinData_.SkinSection()) < 0) skinData_.SetSkinSection("BUTTON");
    const std::string section = skinData_.SkinSection();
    skinData_.PrepareCacheBitmap();
    const SIZE size = GetWindowGeometry(Handle()).size;
    skinData_.CacheBitmap->SetSize(std::max<int>(0, size.cx), std::max<int>(0, size.cy));
    if (size.cx <= 0 || size.cy <= 0) return;
    const bool vertical = IsVertical();
    PaintHalf(FirstHalf(), FirstState, vertical ? "SCROLLBTNTOP" : "SCROLLBTNLEFT", section);
    PaintHalf(SecondHalf(), SecondState, vertical ? "SCROLLBTNBOTTOM" : "SCROLLBTNRIGHT", section);
    skinData_.BackgroundDirty = false;
}

void TacSpinWnd::PaintToDC(HDC given) {
    UpdateStates();
    PAINTSTRUCT paint{};
    HDC paintDc = BeginPaint(Handle(), &paint);
    if (!skinData_.CheckUpdating()) {
        HDC dc = given ? given : GetDC(Handle());
        skinData_.BackgroundDirty = true;
        PaintCache();
        if (dc && skinData_.CacheBitmap) {
            TBitmap& cache = *skinData_.CacheBitmap;
            const int from = IsVertical() ? std::min(PaintOffsetX, cache.Width()) : 0;
            BitBlt(dc, from, 0, cache.Width() - from, cache.Height(), cache.Canvas().Handle(), from, 0, SRCCOPY);
        }
        if (!given && dc) ReleaseDC(Handle(), dc);
    }
    (void)paintDc;
    EndPaint(Handle(), &paint);
}

LRESULT TacSpinWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return TacMainWnd::WndProc(msg, wParam, lParam);
    const HWND h = Handle();
    if (msg == SkinCommandMessage && HIWORD(static_cast<DWORD>(wParam)) == kSpinMouseLeft)
        RedrawWindow(h, nullptr, nullptr, kSpinRedraw);
    switch (msg) {
        case WM_PAINT: PaintToDC(reinterpret_cast<HDC>(wParam)); return 0;
        case WM_PRINT: PaintToDC(reinterpret_cast<HDC>(wParam)); return 0;
        case WM_ERASEBKGND:
        case WM_NCPAINT: return 0;
        case WM_LBUTTONDOWN: MousePressed = true; break;
        case WM_LBUTTONUP: MousePressed = false; break;
        case WM_MOUSELEAVE: InvalidateRect(h, nullptr, 0); break;
        default: break;
    }
    const LRESULT result = TacMainWnd::WndProc(msg, wParam, lParam);
    if (Destroyed()) return result;
    switch (msg) {
        case WM_MOUSEMOVE:
            SpinTrackMouse(h);
            RedrawWindow(h, nullptr, nullptr, kSpinRedraw);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: RedrawWindow(h, nullptr, nullptr, kSpinRedraw); break;
        case WM_LBUTTONDBLCLK:
            MousePressed = true;
            RedrawWindow(h, nullptr, nullptr, kSpinRedraw);
            MousePressed = false;
            break;
        default: break;
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Ticks

std::vector<int> TrackTickPositions(int tickCount, int channelStart, int channelLength, int thumbLength) {
    const long long start = static_cast<long long>(channelStart) + thumbLength / 2;
    const long long travel = std::max(0LL, static_cast<long long>(channelLength) - thumbLength);
    std::vector<int> positions;
    auto add = [&positions](long long p) {
        positions.push_back(static_cast<int>(std::clamp<long long>(p, INT32_MIN, INT32_MAX)));
    };
    if (tickCount < 2) {
        add(start);
        if (travel > 0) add(start + travel);
        return positions;
    }
    // More ticks than pixels: every pixel of the travel carries one.
    if (tickCount - 1 > travel) {
        for (long long p = 0; p <= travel; ++p) add(start + p);
        return positions;
    }
    const double step = static_cast<double>(travel) / (tickCount - 1);
    for (int i = 0; i < tickCount; ++i) add(start + std::llround(i * step));
    return positions;
}

// ---------------------------------------------------------------------------------------------
// TacTrackWnd

TacTrackWnd::TacTrackWnd(HWND handle, TsSkinManager* manager, const std::string& section, TWinControl* ownerControl)
    : TacMainWnd(handle, manager, section.empty() ? std::string("TRACKBAR") : section, ownerControl) {
    InitAdapterSkinData(skinData_, manager, Section(), "TRACKBAR");
    Attach();
    if (IsWindowVisible(handle)) InvalidateRect(handle, nullptr, 1);
}

TacTrackWnd::~TacTrackWnd() {
    const bool wasAttached = !Destroyed();
    Detach();
    if (wasAttached && IsWindow(Handle()) && IsWindowVisible(Handle())) InvalidateRect(Handle(), nullptr, 1);
}

bool TacTrackWnd::IsVertical() const { return (SpinStyle(Handle()) & TBS_VERT) != 0; }

int TacTrackWnd::TickSide() const {
    const DWORD style = SpinStyle(Handle());
    if (style & TBS_BOTH) return 2;
    if (style & TBS_TOP) return 1;
    return 0;
}

RECT TacTrackWnd::ChannelRect() const {
    RECT r{};
    SendMessage(Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

RECT TacTrackWnd::ThumbRect() const {
    RECT r{};
    SendMessage(Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

std::vector<int> TacTrackWnd::TickPositions() const {
    const RECT channel = ChannelRect(), thumb = ThumbRect();
    const int count = static_cast<int>(SendMessage(Handle(), TBM_GETNUMTICS, 0, 0));
    if (IsVertical())
        return TrackTickPositions(count, channel.top, channel.bottom - channel.top, thumb.bottom - thumb.top);
    return TrackTickPositions(count, channel.left, channel.right - channel.left, thumb.right - thumb.left);
}

const TsMaskData* TacTrackWnd::TrackMask(const char* name) const {
    const TsSkinManager* manager = skinData_.GetSkinManager();
    if (!manager || skinData_.SectionIndex < 0) return nullptr;
    const int mask = manager->GetMaskIndex(skinData_.SectionIndex, skinData_.SkinSection(), name);
    if (mask < 0 || mask >= static_cast<int>(manager->Tables().Masks.size())) return nullptr;
    return &manager->Tables().Masks[static_cast<size_t>(mask)];
}

void TacTrackWnd::PaintChannel(TBitmap& cache) {
    if (const TsMaskData* mask = TrackMask("SLIDERCHANNEL")) {
        RECT r = ChannelRect();
        if (IsVertical()) {
            r.left += (r.right - r.left - MaskFrameWidth(*mask) + 1) / 2;
            r.right = r.left + MaskFrameWidth(*mask) - 1;
        } else {
            r.top += (r.bottom - r.top - MaskStateHeight(*mask) + 1) / 2;
            r.bottom = r.top + MaskStateHeight(*mask) - 1;
        }
        const int state = (skinData_.HasFocus || skinData_.MouseInside) ? 1 : 0;
        DrawBordersMask(cache, r, InitBackgroundSource(&cache, 0, 0), *mask, state, true);
    }
    PaintTicks(cache);
}

void TacTrackWnd::PaintTick(TBitmap& cache, POINT p, bool horizontal) {
    if (const TsMaskData* mask = TrackMask(horizontal ? "TICKHORZ" : "TICKVERT")) {
        if (horizontal)
            p.x -= MaskFrameWidth(*mask);
        else
            p.y -= MaskStateHeight(*mask);
        DrawMaskGlyph(cache, p, MousePressed ? 1 : 0, 1, *mask, InitBackgroundSource(&cache, 0, 0));
        return;
    }
    const RECT r = horizontal ? RECT{p.x, p.y, p.x + 1, p.y + TickHeight} : RECT{p.x, p.y, p.x + TickHeight, p.y + 1};
    cache.Canvas().Brush().SetColor(clBtnShadow);
    cache.Canvas().FrameRect(r);
}

void TacTrackWnd::PaintTicks(TBitmap& cache) {
    if (SpinStyle(Handle()) & TBS_NOTICKS) return;
    const RECT channel = ChannelRect(), thumb = ThumbRect();
    const int side = TickSide();
    const bool horizontal = !IsVertical();
    for (const int at : TickPositions()) {
        if (horizontal) {
            const int gap = ((thumb.bottom - thumb.top) - (channel.bottom - channel.top)) / 2 + 2;
            if (side != 0) PaintTick(cache, POINT{at, channel.top - gap - TickHeight}, true);
            if (side != 1) PaintTick(cache, POINT{at, channel.bottom + gap}, true);
        } else {
            const int gap = ((thumb.right - thumb.left) - (channel.right - channel.left)) / 2 + 2;
            if (side != 0) PaintTick(cache, POINT{channel.left - gap - TickHeight, at}, false);
            if (side != 1) PaintTick(cache, POINT{channel.right + gap, at}, false);
        }
    }
}

void TacTrackWnd::PaintThumb(TBitmap& cache) {
    const TsMaskData* mask = IsVertical() ? TrackMask("SLIDERVMASK") : nullptr;
    if (!mask) mask = TrackMask("SLIDERMASK");
    if (!mask) return;
    const RECT t = ThumbRect();
    const int fw = MaskFrameWidth(*mask), sh = MaskStateHeight(*mask);
    const int across = IsVertical() ? t.right - t.left : t.bottom - t.top;
    const bool exact = t.right - t.left == fw && t.bottom - t.top == sh;
    if ((across == kTrackDirectThumb || exact) && TickSide() != 1) {
        const POINT p{t.left + (t.right - t.left - fw) / 2, t.top + (t.bottom - t.top - sh) / 2};
        DrawMaskGlyph(cache, p, MousePressed ? 1 : 0, 1, *mask, InitBackgroundSource(&cache, 0, 0));
        return;
    }
    // The image drawn at its own size over what lies under the thumb, then fitted to the thumb;
    // a thumb pointing up or left is the image mirrored.
    if (fw <= 0 || sh <= 0 || t.right <= t.left || t.bottom <= t.top) return;
    TBitmap under(t.right - t.left, t.bottom - t.top, pf32bit);
    BitBlt(under.Canvas().Handle(), 0, 0, under.Width(), under.Height(), cache.Canvas().Handle(), t.left, t.top,
           SRCCOPY);
    TBitmap image(fw, sh, pf32bit);
    StretchBitmapRect(image, RECT{0, 0, fw, sh}, under, RECT{0, 0, under.Width(), under.Height()});
    DrawMaskGlyph(image, POINT{0, 0}, MousePressed ? 1 : 0, 1, *mask, InitBackgroundSource(&image, 0, 0));
    if (TickSide() == 1) {
        TBitmap mirrored(fw, sh, pf32bit);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < fw; ++x) {
                const int sx = IsVertical() ? fw - 1 - x : x;
                const int sy = IsVertical() ? y : sh - 1 - y;
                reinterpret_cast<std::uint32_t*>(mirrored.ScanLine(y))[x] =
                    reinterpret_cast<const std::uint32_t*>(image.ScanLine(sy))[sx];
            }
        StretchBitmapRect(cache, t, mirrored, RECT{0, 0, fw, sh});
        return;
    }
    StretchBitmapRect(cache, t, image, RECT{0, 0, fw, sh});
}

void TacTrackWnd::PaintCache() {
    skinData_.BackgroundDirty = true;
    UpdateWndCache(skinData_, Handle(), false, MousePressed ? 1 : 0);
    if (!skinData_.CacheBitmap || skinData_.SectionIndex < 0) return;
    TBitmap& cache = *skinData_.CacheBitmap;
    if (cache.Width() <= 0 || cache.Height() <= 0) return;
    PaintChannel(cache);
    PaintThumb(cache);
    if (!IsWindowEnabled(Handle())) FadeCacheToBackdrop(skinData_, Handle());
}

void TacTrackWnd::PaintToDC(HDC given) {
    PAINTSTRUCT paint{};
    BeginPaint(Handle(), &paint);
    if (!skinData_.CheckUpdating()) {
        if (HWND parent = GetParent(Handle()))
            SendMessage(parent, SkinCommandMessage, MAKEWPARAM(0, kTrackParentNotify), 0);
        if (IsWindowVisible(Handle()) || given) {
            HDC dc = given ? given : GetDC(Handle());
            PaintCache();
            CopyCacheToDC(skinData_, dc);
            if (!given && dc) ReleaseDC(Handle(), dc);
        }
    }
    EndPaint(Handle(), &paint);
}

LRESULT TacTrackWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (Destroyed() || !SkinActive() || !skinData_.IsSkinned(true)) return TacMainWnd::WndProc(msg, wParam, lParam);
    switch (msg) {
        case WM_PAINT:
        case WM_PRINT: PaintToDC(reinterpret_cast<HDC>(wParam)); return 0;
        case WM_ERASEBKGND:
        case WM_NCPAINT: return 0;
        case WM_LBUTTONDOWN: MousePressed = true; break;
        case WM_LBUTTONUP: MousePressed = false; break;
        default: break;
    }
    return TacMainWnd::WndProc(msg, wParam, lParam);
}

}  // namespace parch
