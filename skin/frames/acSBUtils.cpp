#include "skin/frames/acSBUtils.h"

#include <algorithm>
#include <utility>

#include "framework/Controls.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Graphics.h"
#include "platform/gdi/Blits.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/ScrollBarInfo.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowProcs.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMaskPaint.h"
#include "skin/engine/sSkinTables.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sVclUtils.h"
#include "skin/engine/sSkinManager.h"

namespace parch {
namespace {

constexpr UINT kSbUpdateUiState = 0x0128;
constexpr UINT kSbSysCommandScrollMenu = 0xF077;
constexpr int kSbSectionCount = 5;

// Skin sections of a bar: first arrow, second arrow, track before and after the thumb's
// centre, thumb.
constexpr const char* kSbHorzSections[kSbSectionCount] = {"SCROLLBTNLEFT", "SCROLLBTNRIGHT", "SCROLLBAR1H",
                                                         "SCROLLBAR2H", "SCROLLSLIDERH"};
constexpr const char* kSbVertSections[kSbSectionCount] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBAR1V",
                                                         "SCROLLBAR2V", "SCROLLSLIDERV"};
enum SbSectionSlot { kSbSlotFirstArrow, kSbSlotSecondArrow, kSbSlotTrackBefore, kSbSlotTrackAfter, kSbSlotThumb };

const char* SbSectionName(int barKind, SbSectionSlot slot) {
    return (barKind == SB_VERT ? kSbVertSections : kSbHorzSections)[slot];
}

// a * b / c rounded to nearest, in 64 bits; c must not be 0.
int SbScale(std::int64_t a, std::int64_t b, std::int64_t c) {
    std::int64_t product = a * b;
    std::int64_t half = (c > 0 ? c : -c) / 2;
    std::int64_t q = (product >= 0) == (c > 0) ? (product + ((product >= 0) ? half : -half)) / c
                                                 : (product - ((product >= 0) ? half : -half)) / c;
    return static_cast<int>(std::clamp<std::int64_t>(q, INT32_MIN, INT32_MAX));
}

POINT SbPointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(static_cast<DWORD>(lParam))),
                 static_cast<short>(HIWORD(static_cast<DWORD>(lParam)))};
}

POINT SbMessagePoint() { return SbPointOf(static_cast<LPARAM>(GetMessagePos())); }

bool SbIsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool SbContains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

int SbBarOfHitCode(WPARAM hit) {
    if (hit == static_cast<WPARAM>(HTHSCROLL)) return SB_HORZ;
    if (hit == static_cast<WPARAM>(HTVSCROLL)) return SB_VERT;
    return -1;
}

// A disabled bar is tinted 60 percent toward what lies behind it (the key colour stays).
void SbTintDisabled(TBitmap& bitmap, COLORREF behind) {
    const int r = GetRValue(behind), g = GetGValue(behind), b = GetBValue(behind);
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            BYTE* px = row + x * 4;
            if (px[0] == 0xFF && px[1] == 0x00 && px[2] == 0xFF) continue;
            px[0] = static_cast<BYTE>((px[0] * 4 + b * 6) / 10);
            px[1] = static_cast<BYTE>((px[1] * 4 + g * 6) / 10);
            px[2] = static_cast<BYTE>((px[2] * 4 + r * 6) / 10);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Metrics and geometry

int GetScrollBarMetric(const TacScrollBar& bar, int which, bool useSkin, const TsSkinManager* manager) {
    if (bar.barKind != SB_HORZ && bar.barKind != SB_VERT) return 0;
    if (which == 1) {
        if (bar.ownThickness >= 0) return bar.ownThickness;
        return -bar.ownThickness * GetSystemMetrics(bar.barKind == SB_HORZ ? SM_CYHSCROLL : SM_CXVSCROLL);
    }
    if (bar.ownArrowLength >= 0) return bar.ownArrowLength;
    const int systemArrow = ScrollBarArrowWidth();
    int length = systemArrow;
    if (useSkin && manager) {
        const TsSkinTables& tables = manager->Tables();
        const int leftIndex = GetSectionIndex(tables, "SCROLLBTNLEFT");
        if (leftIndex >= 0 && tables.Sections[static_cast<size_t>(leftIndex)].ReservedBoolean &&
            manager->GetMaskIndex(leftIndex, "SCROLLBTNLEFT", "BORDERSMASK") >= 0) {
            const char* section = bar.barKind == SB_HORZ ? "SCROLLBTNLEFT" : "SCROLLBTNTOP";
            const int maskIndex = manager->GetMaskIndex(GetSectionIndex(tables, section), section, "BORDERSMASK");
            if (maskIndex >= 0) {
                const TsMaskData& mask = tables.Masks[static_cast<size_t>(maskIndex)];
                const int frames = std::max<int>(1, mask.FrameCount);
                const int image = bar.barKind == SB_HORZ
                                      ? (mask.SourceRect.right - mask.SourceRect.left) / frames
                                      : MaskStateHeight(mask);
                length = std::max(systemArrow, image);
            }
        }
    }
    return -bar.ownArrowLength * length;
}

TacBarGeometry GetBarGeometry(const SCROLLINFO& info, int length, int arrowLength, int minThumbLength, bool enabled) {
    TacBarGeometry g;
    g.length = std::max(0, length);
    arrowLength = std::max(0, arrowLength);
    if (2 * arrowLength >= g.length) {
        g.firstArrow = g.length / 2;
        g.secondArrow = g.length - g.firstArrow;
        return g;
    }
    g.firstArrow = g.secondArrow = arrowLength;
    const int track = g.Track();
    const std::int64_t range = static_cast<std::int64_t>(info.nMax) - info.nMin + 1;
    if (!enabled || range <= 0) return g;
    int thumb = info.nPage == 0 ? arrowLength : SbScale(info.nPage, track, range);
    thumb = std::max(thumb, minThumbLength);
    if (thumb <= 0 || thumb >= track) return g;
    g.thumbLength = thumb;
    const std::int64_t span = range - std::max<std::int64_t>(1, info.nPage);
    int offset = span > 0 ? SbScale(static_cast<std::int64_t>(info.nPos) - info.nMin, track - thumb, span) : 0;
    offset = std::clamp(offset, 0, track - thumb);
    g.thumbStart = g.firstArrow + offset;
    return g;
}

int ScrollPartAt(const TacBarGeometry& g, int offset) {
    if (offset < 0 || offset >= g.length) return kPartNone;
    if (offset < g.firstArrow) return kPartFirstArrow;
    if (offset >= g.length - g.secondArrow) return kPartSecondArrow;
    if (!g.HasThumb()) return kPartNone;
    if (offset < g.thumbStart) return kPartPageBefore;
    if (offset < g.thumbStart + g.thumbLength) return kPartThumb;
    return kPartPageAfter;
}

int ThumbDragPosition(const SCROLLINFO& info, const TacBarGeometry& g, int thumbOffset) {
    const std::int64_t last =
        static_cast<std::int64_t>(info.nMax) - std::max<std::int64_t>(1, info.nPage) + 1;
    if (last <= info.nMin || g.FreeTrack() <= 0) return info.nMin;
    const int s = std::clamp(thumbOffset, 0, g.FreeTrack());
    const std::int64_t p = info.nMin + SbScale(s, last - info.nMin, g.FreeTrack());
    return static_cast<int>(std::clamp<std::int64_t>(p, info.nMin, last));
}

void SendScrollCommand(HWND wnd, UINT msg, int code, int pos) {
    const LPARAM which = static_cast<LPARAM>(MAKELONG(code, msg));
    const LRESULT ownPosition = SendMessage(wnd, SkinCommandMessage, MAKEWPARAM(0, kCmdBeforeScroll), which);
    LPARAM lParam = 0;
    if (ownPosition == 1) {
        lParam = static_cast<LPARAM>(pos);
    } else if (code == SB_THUMBTRACK) {
        SCROLLINFO info;
        info.fMask = SIF_POS;
        info.nPos = pos;
        SetScrollInfo(wnd, msg == WM_HSCROLL ? SB_HORZ : SB_VERT, &info, 0);
    }
    SendMessage(wnd, msg, MAKEWPARAM(code, std::min(pos, 65535)), lParam);
    SendMessage(wnd, SkinCommandMessage, MAKEWPARAM(0, kCmdAfterScroll), which);
}

TacScrollTracking& ScrollTracking() {
    static TacScrollTracking tracking;
    return tracking;
}

// ---------------------------------------------------------------------------------------------
// TacMainWnd

TacMainWnd::TacMainWnd(HWND handle, TsSkinManager* manager, std::string section, TWinControl* ownerControl)
    : handle_(handle), manager_(manager), section_(std::move(section)), ownerControl_(ownerControl) {}

TacMainWnd::~TacMainWnd() { Detach(); }

void TacMainWnd::Attach() {
    if (attached_ || !IsWindow(handle_)) return;
    SetProp(handle_, kAdapterProperty, this);
    if (ownerControl_) {
        ownerLink_ = ownerControl_->WindowProcChain().Join(
            [this](TMessage& message, const TWndMethod& inherited) { HandleChainMessage(message, inherited); });
        attached_ = true;
    } else {
        attached_ = SetWindowSubclass(handle_, &TacMainWnd::SubclassProc, reinterpret_cast<UINT_PTR>(this),
                                      reinterpret_cast<DWORD_PTR>(this)) != 0;
    }
    if (!attached_) RemoveProp(handle_, kAdapterProperty);
}

void TacMainWnd::Detach() {
    if (!attached_) return;
    attached_ = false;
    destroyed_ = true;
    if (ownerControl_)
        ownerLink_.Leave();
    else
        RemoveWindowSubclass(handle_, &TacMainWnd::SubclassProc, reinterpret_cast<UINT_PTR>(this));
    if (GetProp(handle_, kAdapterProperty) == this) RemoveProp(handle_, kAdapterProperty);
}

void TacMainWnd::Release() {
    Detach();
    if (dispatchDepth_ > 0)
        releaseWhenDone_ = true;
    else
        delete this;
}

LRESULT TacMainWnd::SubclassProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData) {
    auto* adapter = reinterpret_cast<TacMainWnd*>(refData);
    TMessage message{msg, wParam, lParam, 0};
    adapter->Dispatch(message, nullptr);
    return message.Result;
}

void TacMainWnd::HandleChainMessage(TMessage& message, const TWndMethod& inherited) { Dispatch(message, &inherited); }

void TacMainWnd::Dispatch(TMessage& message, const TWndMethod* inherited) {
    const TWndMethod* saved = std::exchange(inherited_, inherited);
    ++dispatchDepth_;
    message.Result = WndProc(message.Msg, message.WParam, message.LParam);
    --dispatchDepth_;
    if (dispatchDepth_ == 0 && releaseWhenDone_) {
        delete this;
        return;
    }
    inherited_ = saved;
}

LRESULT TacMainWnd::CallPrevWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (inherited_) {
        TMessage message{msg, wParam, lParam, 0};
        (*inherited_)(message);
        return message.Result;
    }
    return DefSubclassProc(handle_, msg, wParam, lParam);
}

bool TacMainWnd::SkinActive() const { return manager_ && manager_->Active(); }

bool TacMainWnd::HandleSkinCommand(WPARAM wParam, LPARAM, LRESULT& result) {
    if (HIWORD(static_cast<DWORD>(wParam)) == kCmdIsSkinned) {
        result = 1;
        return true;
    }
    return false;
}

LRESULT TacMainWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCDESTROY: {
            // The next member of the chain (in the end the window's own procedure) sees the
            // message once; the adapter then leaves, its creator frees it.
            const LRESULT result = CallPrevWndProc(msg, wParam, lParam);
            WindowGone();
            Detach();
            return result;
        }
        case kSbUpdateUiState:
            return 0;
        default:
            break;
    }
    if (!SkinActive()) return CallPrevWndProc(msg, wParam, lParam);
    if (msg == SkinCommandMessage) {
        LRESULT result = 0;
        if (HandleSkinCommand(wParam, lParam, result)) return result;
    }
    return CallPrevWndProc(msg, wParam, lParam);
}

TacMainWnd* GetAdapterOfWnd(HWND handle) { return static_cast<TacMainWnd*>(GetProp(handle, kAdapterProperty)); }

void RefreshWindowFrame(HWND handle, bool full) {
    if (full)
        SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    else
        SendMessage(handle, WM_NCPAINT, 1, 0);
}

// ---------------------------------------------------------------------------------------------
// TacScrollWnd: attaching and layout

TacScrollWnd::TacScrollWnd(HWND handle, TsSkinManager* manager, std::string section, bool repaint,
                           TWinControl* ownerControl)
    : TacMainWnd(handle, manager, std::move(section), ownerControl) {
    horz_.barKind = SB_HORZ;
    vert_.barKind = SB_VERT;
    horz_.owner = vert_.owner = this;
    ReadScrollInfo(horz_);
    ReadScrollInfo(vert_);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtr(handle, GWL_STYLE));
    leftScrollBar_ = (static_cast<DWORD>(GetWindowLongPtr(handle, GWL_EXSTYLE)) & WS_EX_LEFTSCROLLBAR) != 0;
    horz_.flags = (style & WS_HSCROLL) ? 8 : 0;
    vert_.flags = (style & WS_VSCROLL) ? 8 : 0;
    Attach();
    if (repaint) RefreshWindowFrame(handle, true);
}

TacScrollWnd::~TacScrollWnd() {
    const bool wasAttached = !Destroyed();
    WindowGone();
    Detach();
    horz_.owner = vert_.owner = nullptr;
    // The system takes the bars back.
    if (wasAttached && IsWindow(Handle()) && IsWindowVisible(Handle())) RefreshWindowFrame(Handle(), true);
}

void TacScrollWnd::ReadScrollInfo(TacScrollBar& bar) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(Handle(), bar.barKind, &info)) info = SCROLLINFO{};
    info.fMask = SIF_ALL;
    bar.info = info;
}

void TacScrollWnd::UpdateScrollInfo(bool repaint) {
    if (Destroyed() || !IsWindowVisible(Handle())) return;
    ReadScrollInfo(horz_);
    ReadScrollInfo(vert_);
    if (repaint) PaintScrollBars(nullptr);
}

int TacScrollWnd::ArrowLength(int kind) const { return GetScrollBarMetric(Bar(kind), 0, true, SkinManager()); }

bool TacScrollWnd::IsScrollBarEnabled(int kind) const {
    if (const TWinControl* owner = OwnerControl(); owner && !owner->Enabled()) return false;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_STYLE));
    if (!(style & (kind == SB_VERT ? WS_VSCROLL : WS_HSCROLL))) return false;
    SCROLLBARINFO info;
    if (!GetScrollBarInfo(Handle(), kind == SB_VERT ? OBJID_VSCROLL : OBJID_HSCROLL, &info)) return true;
    return (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
}

RECT TacScrollWnd::BarRect(int kind) const {
    RECT w{};
    GetWindowRect(Handle(), &w);
    const int hBand = horz_.shown ? GetScrollBarMetric(horz_, 1, false, nullptr) : 0;
    const int vBand = vert_.shown ? GetScrollBarMetric(vert_, 1, false, nullptr) : 0;
    RECT r{};
    if (kind == SB_HORZ) {
        r.bottom = w.bottom - bottomEdge_;
        r.top = r.bottom - hBand;
        r.left = w.left + leftEdge_ + (leftScrollBar_ ? vBand : 0);
        r.right = w.right - rightEdge_ - (leftScrollBar_ ? 0 : vBand);
    } else {
        r.top = w.top + topEdge_;
        r.bottom = w.bottom - bottomEdge_ - hBand;
        if (leftScrollBar_) {
            r.left = w.left + leftEdge_;
            r.right = r.left + vBand;
        } else {
            r.right = w.right - rightEdge_;
            r.left = r.right - vBand;
        }
    }
    return r;
}

RECT TacScrollWnd::GetHorzBarRect() const { return BarRect(SB_HORZ); }
RECT TacScrollWnd::GetVertBarRect() const { return BarRect(SB_VERT); }

RECT TacScrollWnd::GetCornerRect() const {
    const RECT v = BarRect(SB_VERT);
    const RECT h = BarRect(SB_HORZ);
    return RECT{v.left, h.top, v.right, h.bottom};
}

TacBarGeometry TacScrollWnd::Geometry(int kind) const {
    const RECT r = BarRect(kind);
    const int length = kind == SB_VERT ? r.bottom - r.top : r.right - r.left;
    const TacScrollBar& bar = Bar(kind);
    TacBarGeometry g = GetBarGeometry(bar.info, length, ArrowLength(kind), bar.minThumbLength, IsScrollBarEnabled(kind));
    // While the thumb of this bar is dragged it stands where the mouse put it.
    const TacScrollTracking& t = ScrollTracking();
    if (t.thumbTracking && t.trackedWindow == Handle() && t.pressedBar == kind && g.HasThumb())
        g.thumbStart = std::clamp(t.dragThumbStart, g.firstArrow, g.firstArrow + g.FreeTrack());
    return g;
}

int TacScrollWnd::PartAtScreenPoint(int kind, POINT p) const {
    const RECT r = BarRect(kind);
    if (SbIsEmpty(r)) return kPartNone;
    if (kind == SB_VERT ? (p.x < r.left || p.x >= r.right) : (p.y < r.top || p.y >= r.bottom)) return kPartNone;
    return ScrollPartAt(Geometry(kind), kind == SB_VERT ? p.y - r.top : p.x - r.left);
}

// ---------------------------------------------------------------------------------------------
// Painting

int TacScrollWnd::BarState(int kind, int part) const {
    const TacScrollTracking& t = ScrollTracking();
    if (t.trackedWindow != Handle()) return 0;
    const bool pressedHere = t.pressedBar == kind && t.pressedPart == part;
    const bool hoverHere = t.hoverBar == kind && t.hoverPart == part && IsScrollBarEnabled(kind);
    switch (part) {
        case kPartFirstArrow:
        case kPartSecondArrow:
            return pressedHere ? 2 : hoverHere ? 1 : 0;
        case kPartPageBefore:
        case kPartPageAfter:
            return pressedHere ? 2 : 0;
        case kPartThumb:
            if (t.thumbTracking && t.pressedBar == kind) return 2;
            return hoverHere ? 1 : 0;
        default:
            return 0;
    }
}

void TacScrollWnd::PaintSection(TBitmap& bitmap, const char* section, RECT r, int state, int kind) {
    if (SbIsEmpty(r)) return;
    if (kind == SB_VERT) r = RECT{r.top, r.left, r.bottom, r.right};  // along the bar -> across
    const int index = GetSectionIndex(SkinManager(), section);
    if (index < 0) return;
    PaintSkinSection(index, section, EmptyBackdrop, state, r, POINT{0, 0}, bitmap, SkinManager());
}

void TacScrollWnd::PaintGlyph(TBitmap& bitmap, const char* section, RECT band, int state, int kind) {
    if (SbIsEmpty(band)) return;
    const TsSkinManager* manager = SkinManager();
    const int sectionIndex = GetSectionIndex(manager, section);
    if (sectionIndex < 0) return;
    const int maskIndex = manager->GetMaskIndex(sectionIndex, section, "GLYPHMASK");
    if (maskIndex < 0) return;
    const TsMaskData& mask = manager->Tables().Masks[static_cast<size_t>(maskIndex)];
    const int glyphWidth = MaskFrameWidth(mask), glyphHeight = MaskStateHeight(mask);
    if (glyphWidth <= 0 || glyphHeight <= 0) return;
    // The band runs along the bar; the glyph is centred in it, halves rounded toward zero.
    const int glyphAlong = kind == SB_VERT ? glyphHeight : glyphWidth;
    const int glyphAcross = kind == SB_VERT ? glyphWidth : glyphHeight;
    const int along = band.left + (band.right - band.left - glyphAlong) / 2;
    const int across = band.top + (band.bottom - band.top - glyphAcross) / 2;
    const POINT at = kind == SB_VERT ? POINT{across, along} : POINT{along, across};
    DrawMaskGlyph(bitmap, at, state, 1, mask, InitBackgroundSource(&bitmap, 0, 0));
}

bool TacScrollWnd::PaintBar(int kind, TBitmap& bitmap) {
    const TacScrollBar& bar = Bar(kind);
    if (!bar.shown || !SkinActive()) return false;
    if (GetSectionIndex(SkinManager(), SbSectionName(kind, kSbSlotTrackBefore)) < 0) return false;
    const TacBarGeometry g = Geometry(kind);
    if (g.length < 2) return false;
    const RECT r = BarRect(kind);
    const int thickness = kind == SB_VERT ? r.right - r.left : r.bottom - r.top;
    bitmap.SetSize(kind == SB_VERT ? thickness : g.length, kind == SB_VERT ? g.length : thickness);
    // Rectangles below run along the bar (x) and across it (y); PaintSection turns them for a
    // vertical bar.
    auto span = [thickness](int from, int to) { return RECT{from, 0, to, thickness}; };
    const int split = g.HasThumb() ? g.thumbStart + g.thumbLength / 2 : g.length / 2;
    PaintSection(bitmap, SbSectionName(kind, kSbSlotTrackBefore), span(0, split), BarState(kind, kPartPageBefore), kind);
    PaintSection(bitmap, SbSectionName(kind, kSbSlotTrackAfter), span(split, g.length), BarState(kind, kPartPageAfter),
                 kind);
    PaintSection(bitmap, SbSectionName(kind, kSbSlotFirstArrow), span(0, g.firstArrow),
                 BarState(kind, kPartFirstArrow), kind);
    PaintSection(bitmap, SbSectionName(kind, kSbSlotSecondArrow), span(g.length - g.secondArrow, g.length),
                 BarState(kind, kPartSecondArrow), kind);
    if (g.HasThumb())
        PaintSection(bitmap, SbSectionName(kind, kSbSlotThumb), span(g.thumbStart, g.thumbStart + g.thumbLength),
                     BarState(kind, kPartThumb), kind);
    // Arrow glyphs sit in a band as deep as the system's arrow at the bar's outer ends; the
    // thumb's glyph in its middle.
    const int band = ScrollBarArrowWidth();
    PaintGlyph(bitmap, SbSectionName(kind, kSbSlotFirstArrow), span(0, std::min(band, g.firstArrow)),
               BarState(kind, kPartFirstArrow), kind);
    PaintGlyph(bitmap, SbSectionName(kind, kSbSlotSecondArrow),
               span(g.length - std::min(band, g.secondArrow), g.length), BarState(kind, kPartSecondArrow), kind);
    if (g.HasThumb())
        PaintGlyph(bitmap, SbSectionName(kind, kSbSlotThumb), span(g.thumbStart, g.thumbStart + g.thumbLength),
                   BarState(kind, kPartThumb), kind);
    if (!IsScrollBarEnabled(kind)) SbTintDisabled(bitmap, ColorToRGB(SkinManager()->GetGlobalColor()));
    return true;
}

void TacScrollWnd::PaintBarToWindow(int kind, HDC dc) {
    TBitmap bitmap(1, 1, pf32bit);
    if (!PaintBar(kind, bitmap)) return;
    RECT window{};
    GetWindowRect(Handle(), &window);
    const RECT r = BarRect(kind);
    BitBlt(dc, r.left - window.left, r.top - window.top, r.right - r.left, r.bottom - r.top,
           bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TacScrollWnd::PaintScrollBars(HDC dc) {
    if (Destroyed() || !SkinActive()) return;
    const bool ownDc = dc == nullptr;
    if (ownDc) dc = GetWindowDC(Handle());
    if (!dc) return;
    PaintBarToWindow(SB_HORZ, dc);
    PaintBarToWindow(SB_VERT, dc);
    if (horz_.shown && vert_.shown) {
        // The corner shows the track's look of the horizontal bar.
        const RECT corner = GetCornerRect();
        TBitmap bitmap(std::max<int>(1, corner.right - corner.left), std::max<int>(1, corner.bottom - corner.top));
        PaintSection(bitmap, SbSectionName(SB_HORZ, kSbSlotTrackAfter),
                     RECT{0, 0, bitmap.Width(), bitmap.Height()}, 0, SB_HORZ);
        RECT window{};
        GetWindowRect(Handle(), &window);
        BitBlt(dc, corner.left - window.left, corner.top - window.top, bitmap.Width(), bitmap.Height(),
               bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
    }
    if (ownDc) ReleaseDC(Handle(), dc);
}

// ---------------------------------------------------------------------------------------------
// Window procedure

LRESULT TacScrollWnd::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCDESTROY:
        case kSbUpdateUiState:
            return TacMainWnd::WndProc(msg, wParam, lParam);
        case WM_CAPTURECHANGED:
            // A click or drag whose mouse went elsewhere ends here; the release that we make
            // ourselves is not such a loss.
            if (!releasingCapture_ && ScrollTracking().trackedWindow == Handle()) CancelTracking();
            return CallPrevWndProc(msg, wParam, lParam);
        case WM_CANCELMODE:
            if (ScrollTracking().trackedWindow == Handle()) CancelTracking();
            return CallPrevWndProc(msg, wParam, lParam);
        default:
            break;
    }
    if (Destroyed()) return CallPrevWndProc(msg, wParam, lParam);
    if (!SkinActive()) return CallPrevWndProc(msg, wParam, lParam);
    switch (msg) {
        case SkinCommandMessage: {
            LRESULT result = 0;
            if (HandleSkinCommand(wParam, lParam, result)) return result;
            return CallPrevWndProc(msg, wParam, lParam);
        }
        case WM_STYLECHANGED:
            if (preventStyleChange_) return 0;
            if (wParam == static_cast<WPARAM>(GWL_EXSTYLE) && lParam)
                leftScrollBar_ = (reinterpret_cast<const STYLESTRUCT*>(lParam)->styleNew & WS_EX_LEFTSCROLLBAR) != 0;
            return CallPrevWndProc(msg, wParam, lParam);
        case WM_NCCALCSIZE:
            return OnNcCalcSize(wParam, lParam);
        case WM_NCHITTEST:
            return OnNcHitTest(wParam, lParam);
        case WM_NCPAINT: {
            // The window's own frame first, then the bars over the system's.
            const LRESULT result = CallPrevWndProc(msg, wParam, lParam);
            if (IsWindowVisible(Handle()) && !sending_) {
                ReadScrollInfo(horz_);
                ReadScrollInfo(vert_);
                PaintScrollBars(nullptr);
            }
            return result;
        }
        case WM_NCMOUSEMOVE:
            return OnNcMouseMove(wParam, lParam);
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
            return OnNcLButtonDown(msg, wParam, lParam);
        case WM_NCRBUTTONDOWN:
        case WM_NCRBUTTONUP:
        case WM_NCMBUTTONDOWN:
        case WM_NCMBUTTONUP:
            if (SbBarOfHitCode(wParam) >= 0) return 0;
            return CallPrevWndProc(msg, wParam, lParam);
        case WM_SYSCOMMAND:
            if ((LOWORD(static_cast<DWORD>(wParam)) & 0xFFF0) == kSbSysCommandScrollMenu) return 0;
            return CallPrevWndProc(msg, wParam, lParam);
        case WM_TIMER:
            return OnTimer(wParam, lParam);
        case WM_MOUSEMOVE:
            return OnMouseMove(wParam, lParam);
        case WM_LBUTTONUP:
            return OnLButtonUp(WM_LBUTTONUP, wParam, lParam);
        case WM_NCLBUTTONUP:
            // A release that was on its way before the capture was taken ends the click as well.
            return OnLButtonUp(WM_NCLBUTTONUP, wParam, lParam);
        default: {
            const LRESULT result = CallPrevWndProc(msg, wParam, lParam);
            // Whatever the window did may have moved its bars.
            if (!sending_ && !ScrollTracking().thumbTracking && !Destroyed()) {
                const SCROLLINFO oldH = horz_.info, oldV = vert_.info;
                ReadScrollInfo(horz_);
                ReadScrollInfo(vert_);
                auto same = [](const SCROLLINFO& a, const SCROLLINFO& b) {
                    return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
                };
                if ((!same(oldH, horz_.info) || !same(oldV, vert_.info)) && IsWindowVisible(Handle()))
                    PaintScrollBars(nullptr);
            }
            return result;
        }
    }
}

LRESULT TacScrollWnd::OnNcCalcSize(WPARAM wParam, LPARAM lParam) {
    RECT* proposed = reinterpret_cast<RECT*>(lParam);
    if (!proposed) return CallPrevWndProc(WM_NCCALCSIZE, wParam, lParam);
    const RECT before = *proposed;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_STYLE));
    LRESULT result;
    if (style & (WS_HSCROLL | WS_VSCROLL)) {
        // The window's own frame is measured without bars: their room is ours to give.
        preventStyleChange_ = true;
        SetWindowLongPtr(Handle(), GWL_STYLE, static_cast<LONG_PTR>(style & ~(WS_HSCROLL | WS_VSCROLL)));
        result = CallPrevWndProc(WM_NCCALCSIZE, wParam, lParam);
        SetWindowLongPtr(Handle(), GWL_STYLE, static_cast<LONG_PTR>(style));
        preventStyleChange_ = false;
    } else {
        result = CallPrevWndProc(WM_NCCALCSIZE, wParam, lParam);
    }
    RECT& client = *proposed;
    leftEdge_ = client.left - before.left;
    topEdge_ = client.top - before.top;
    rightEdge_ = before.right - client.right;
    bottomEdge_ = before.bottom - client.bottom;
    horz_.flags = (style & WS_HSCROLL) ? 8 : 0;
    const int hThickness = GetScrollBarMetric(horz_, 1, false, nullptr);
    horz_.shown = horz_.flags && client.bottom - client.top >= hThickness;
    if (horz_.shown) client.bottom -= hThickness;
    vert_.flags = (style & WS_VSCROLL) ? 8 : 0;
    const int vThickness = GetScrollBarMetric(vert_, 1, false, nullptr);
    vert_.shown = vert_.flags && client.right - client.left >= vThickness;
    if (vert_.shown) {
        if (leftScrollBar_) client.left += vThickness;
        else client.right -= vThickness;
    }
    return result;
}

LRESULT TacScrollWnd::OnNcHitTest(WPARAM wParam, LPARAM lParam) {
    const POINT p = SbPointOf(lParam);
    if (horz_.shown && SbContains(GetHorzBarRect(), p)) return IsScrollBarEnabled(SB_HORZ) ? HTHSCROLL : HTNOWHERE;
    if (vert_.shown && SbContains(GetVertBarRect(), p)) return IsScrollBarEnabled(SB_VERT) ? HTVSCROLL : HTNOWHERE;
    if (horz_.shown && vert_.shown && SbContains(GetCornerRect(), p) && !GetParent(Handle()))
        return HTBOTTOMRIGHT;
    return CallPrevWndProc(WM_NCHITTEST, wParam, lParam);
}

LRESULT TacScrollWnd::OnNcMouseMove(WPARAM wParam, LPARAM lParam) {
    TacScrollTracking& t = ScrollTracking();
    const int kind = SbBarOfHitCode(wParam);
    if (t.clickedPart == kPartNone) {
        if (t.trackedWindow && t.trackedWindow != Handle() && t.hoverTimer) {
            // The hover moved to another window: the old one shows its bars plain again.
            HWND old = t.trackedWindow;
            KillTimer(old, kHoverTimerId);
            t.hoverTimer = 0;
            t.hoverBar = -1;
            t.hoverPart = t.lastHoverPart = kPartNone;
            if (auto* adapter = dynamic_cast<TacScrollWnd*>(GetAdapterOfWnd(old))) adapter->PaintScrollBars(nullptr);
        }
        t.trackedWindow = Handle();
        if (kind >= 0 && t.hoverBar != kind) {
            t.hoverPart = t.lastHoverPart = PartAtScreenPoint(kind, SbPointOf(lParam));
            t.hoverRect = BarRect(kind);
            t.hoverBar = kind;
            t.hoverTimer = SetTimer(Handle(), kHoverTimerId, kHoverCheckMs, nullptr) ? kHoverTimerId : 0;
            PaintScrollBars(nullptr);
        }
    }
    return CallPrevWndProc(WM_NCMOUSEMOVE, wParam, lParam);
}

LRESULT TacScrollWnd::OnNcLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
    const int kind = SbBarOfHitCode(wParam);
    if (kind < 0) return CallPrevWndProc(msg, wParam, lParam);
    TacScrollTracking& t = ScrollTracking();
    if (t.trackedWindow != Handle() && t.trackedWindow) StopHover();
    t.trackedWindow = Handle();
    t.pressedBar = kind;
    t.scrollMessage = kind == SB_HORZ ? WM_HSCROLL : WM_VSCROLL;
    ReadScrollInfo(Bar(kind));
    const POINT p = SbPointOf(lParam);
    const int part = PartAtScreenPoint(kind, p);
    t.clickedPart = part;
    if (part == kPartNone) {
        // A track without a thumb does nothing; the system must not operate a bar it does not
        // draw.
        t.pressedBar = -1;
        t.scrollMessage = 0;
        return 0;
    }
    if (!IsScrollBarEnabled(kind)) {
        t.clickedPart = kPartNone;
        t.pressedBar = -1;
        t.scrollMessage = 0;
        return 0;
    }
    SetCapture(Handle());
    if (part == kPartThumb) {
        const TacBarGeometry g = Geometry(kind);
        const RECT r = BarRect(kind);
        t.dragThumbLength = g.thumbLength;
        t.dragThumbStart = g.thumbStart;
        t.dragBarRect = r;
        t.dragGrabOffset = (kind == SB_VERT ? p.y - r.top : p.x - r.left) - g.thumbStart;
        Bar(kind).info.nTrackPos = Bar(kind).info.nPos;
        t.lastPosition = Bar(kind).info.nPos;
        t.thumbTracking = true;
        t.pressedPart = kPartThumb;
        PaintScrollBars(nullptr);
        return 0;
    }
    t.pressedPart = part;
    PaintScrollBars(nullptr);
    SendTracked(part, 0);
    // The window may have gone inside the request.
    if (ScrollTracking().clickedPart != kPartNone && IsWindow(Handle())) {
        SetTimer(Handle(), kRepeatDelayTimerId, kRepeatDelayMs, nullptr);
        t.repeatTimer = kRepeatDelayTimerId;
    }
    return 0;
}

void TacScrollWnd::SendTracked(int code, int pos) {
    const UINT message = ScrollTracking().scrollMessage;
    if (!message) return;
    sending_ = true;
    SendScrollCommand(Handle(), message, code, pos);
    sending_ = false;
}

LRESULT TacScrollWnd::OnTimer(WPARAM wParam, LPARAM lParam) {
    TacScrollTracking& t = ScrollTracking();
    switch (wParam) {
        case kRepeatDelayTimerId:
            KillTimer(Handle(), kRepeatDelayTimerId);
            // The first repeat comes with the end of the delay, the next ones at the rate.
            if (t.trackedWindow == Handle() && t.repeatTimer) {
                SetTimer(Handle(), kRepeatTimerId, kRepeatMs, nullptr);
                t.repeatTimer = kRepeatTimerId;
                OnRepeatTick();
            }
            return 0;
        case kRepeatTimerId:
            OnRepeatTick();
            return 0;
        case kHoverTimerId:
            OnHoverTick();
            return 0;
        default:
            return CallPrevWndProc(WM_TIMER, wParam, lParam);
    }
}

void TacScrollWnd::OnRepeatTick() {
    TacScrollTracking& t = ScrollTracking();
    if (t.trackedWindow != Handle() || t.clickedPart == kPartNone || t.thumbTracking) {
        KillTimer(Handle(), kRepeatTimerId);
        return;
    }
    ReadScrollInfo(Bar(t.pressedBar));
    const int under = PartAtScreenPoint(t.pressedBar, SbMessagePoint());
    const int pressed = under == t.clickedPart ? t.clickedPart : kPartNone;
    if (pressed != t.pressedPart) {
        t.pressedPart = pressed;
        PaintScrollBars(nullptr);
    }
    if (pressed != kPartNone) SendTracked(pressed, 0);
}

void TacScrollWnd::OnHoverTick() {
    TacScrollTracking& t = ScrollTracking();
    if (t.thumbTracking || t.clickedPart != kPartNone) return;
    if (t.trackedWindow != Handle() || t.hoverBar < 0) {
        KillTimer(Handle(), kHoverTimerId);
        return;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    if (SbContains(t.hoverRect, cursor)) {
        t.hoverPart = PartAtScreenPoint(t.hoverBar, cursor);
        if (t.hoverPart != t.lastHoverPart) PaintScrollBars(nullptr);
        t.lastHoverPart = t.hoverPart;
        return;
    }
    StopHover();
    PaintScrollBars(nullptr);
}

void TacScrollWnd::StopHover() {
    TacScrollTracking& t = ScrollTracking();
    if (t.hoverTimer && t.trackedWindow) KillTimer(t.trackedWindow, kHoverTimerId);
    t.hoverTimer = 0;
    t.hoverBar = -1;
    t.hoverPart = t.lastHoverPart = kPartNone;
}

LRESULT TacScrollWnd::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    TacScrollTracking& t = ScrollTracking();
    if (t.trackedWindow != Handle() || t.clickedPart == kPartNone) return CallPrevWndProc(WM_MOUSEMOVE, wParam, lParam);
    if (t.thumbTracking) {
        DragThumbTo(SbMessagePoint());
        return 0;
    }
    const int under = PartAtScreenPoint(t.pressedBar, SbMessagePoint());
    const int pressed = under == t.clickedPart ? t.clickedPart : kPartNone;
    if (pressed != t.pressedPart) {
        t.pressedPart = pressed;
        PaintScrollBars(nullptr);
    }
    return 0;
}

void TacScrollWnd::DragThumbTo(POINT screen) {
    TacScrollTracking& t = ScrollTracking();
    const int kind = t.pressedBar;
    TacScrollBar& bar = Bar(kind);
    const RECT& r = t.dragBarRect;
    const int mouse = kind == SB_VERT ? screen.y - r.top : screen.x - r.left;
    TacBarGeometry g = Geometry(kind);
    if (!g.HasThumb()) return;
    t.dragThumbStart = std::clamp(mouse - t.dragGrabOffset, g.firstArrow, g.firstArrow + g.FreeTrack());
    g.thumbStart = t.dragThumbStart;
    PaintScrollBars(nullptr);
    const int p = ThumbDragPosition(bar.info, g, t.dragThumbStart - g.firstArrow);
    if (p != t.lastPosition) {
        bar.info.nTrackPos = p;
        t.lastPosition = p;
        SendTracked(SB_THUMBTRACK, p);
    }
}

LRESULT TacScrollWnd::OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam) {
    TacScrollTracking& t = ScrollTracking();
    if (t.trackedWindow != Handle() || t.clickedPart == kPartNone) return CallPrevWndProc(msg, wParam, lParam);
    const bool dragged = t.thumbTracking;
    const int last = t.lastPosition;
    const UINT message = t.scrollMessage;
    releasingCapture_ = true;
    ReleaseCapture();
    releasingCapture_ = false;
    KillTimer(Handle(), kRepeatDelayTimerId);
    KillTimer(Handle(), kRepeatTimerId);
    t = TacScrollTracking{};
    t.trackedWindow = Handle();
    t.scrollMessage = message;
    if (dragged) SendTracked(SB_THUMBPOSITION, last);
    if (IsWindow(Handle()) && !Destroyed()) SendTracked(SB_ENDSCROLL, dragged ? last : 0);
    ScrollTracking().scrollMessage = 0;
    if (IsWindow(Handle()) && !Destroyed()) {
        ReadScrollInfo(horz_);
        ReadScrollInfo(vert_);
        PaintScrollBars(nullptr);
        return CallPrevWndProc(msg, wParam, lParam);
    }
    return 0;
}

void TacScrollWnd::CancelTracking() {
    TacScrollTracking& t = ScrollTracking();
    const bool wasActive = t.clickedPart != kPartNone || t.hoverTimer;
    if (IsWindow(Handle())) {
        KillTimer(Handle(), kRepeatDelayTimerId);
        KillTimer(Handle(), kRepeatTimerId);
        KillTimer(Handle(), kHoverTimerId);
        if (GetCapture() == Handle()) {
            releasingCapture_ = true;
            ReleaseCapture();
            releasingCapture_ = false;
        }
    }
    t = TacScrollTracking{};
    if (wasActive && IsWindow(Handle()) && !Destroyed()) PaintScrollBars(nullptr);
}

void TacScrollWnd::WindowGone() {
    if (ScrollTracking().trackedWindow == Handle()) CancelTracking();
}

// ---------------------------------------------------------------------------------------------
// Entry points for skinned controls

void RefreshScrollWnd(TsCommonData& skinData, std::unique_ptr<TacScrollWnd>& adapter) {
    auto* control = dynamic_cast<TWinControl*>(skinData.HostControl);
    if (!control || (control->ComponentState() & (csLoading | csDestroying | csDesigning))) return;
    if (!skinData.IsSkinned()) {
        RemoveScrollWnd(adapter);
        return;
    }
    if (adapter && adapter->Destroyed()) ReleaseAdapter(adapter);
    if (!adapter && control->HandleAllocated())
        adapter = std::make_unique<TacScrollWnd>(control->Handle(), skinData.GetSkinManager(), skinData.SkinSection(),
                                                 true, control);
}

void RemoveScrollWnd(std::unique_ptr<TacScrollWnd>& adapter) { ReleaseAdapter(adapter); }

}  // namespace parch
