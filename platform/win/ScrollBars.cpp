#include "platform/win/ScrollBars.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/gdi/Drawing.h"
#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/ModalLoop.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSideTable.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace {

// Auto-repeat of a held arrow or page area: the first repeat waits, the rest follow quickly.
constexpr UINT kFirstRepeatMs = 300;
constexpr UINT kRepeatMs = 55;
constexpr int kMinThumb = 8;

struct WindowScrollBars {
    std::array<ScrollState, 3> bars;  // SB_HORZ, SB_VERT, SB_CTL
    std::array<bool, 3> made{false, false, true};  // a window bar once asked for
    WindowScrollBars() {
        // A window bar starts with the range 0..100, a control's with an empty one.
        bars[SB_HORZ].info.nMax = 100;
        bars[SB_VERT].info.nMax = 100;
    }
};

WindowSideTable<WindowScrollBars>& Table() {
    static auto* table = new WindowSideTable<WindowScrollBars>;
    return *table;
}

// Callers written before the track position existed pass the record without it.
bool ValidSize(const SCROLLINFO& info) {
    return info.cbSize == sizeof(SCROLLINFO) || info.cbSize == sizeof(SCROLLINFO) - sizeof(int);
}

bool ValidBar(int bar) {
    return bar == SB_HORZ || bar == SB_VERT || bar == SB_CTL;
}

DWORD StyleBit(int bar) {
    return bar == SB_HORZ ? WS_HSCROLL : WS_VSCROLL;
}

// The state of a bar (lock held): window bars exist once the style asked for them or a value
// was set; a control's bar always.
ScrollState* FindBar(HWND hwnd, int bar, bool create) {
    Window* w = FindLive(hwnd);
    if (!w || !ValidBar(bar)) return nullptr;
    auto index = static_cast<std::size_t>(bar);
    WindowScrollBars* bars = Table().Find(hwnd);
    bool made = (bars && bars->made[index]) || bar == SB_CTL || (w->style & StyleBit(bar));
    if (!made && !create) return nullptr;
    if (!bars) bars = &Table().Get(hwnd);
    bars->made[index] = true;
    return &bars->bars[index];
}

std::int64_t Range(const SCROLLINFO& i) {
    return std::int64_t{i.nMax} - i.nMin + 1;
}

int MaxPos(const SCROLLINFO& i) {
    std::int64_t top = std::int64_t{i.nMax} - std::max<std::int64_t>(std::int64_t{i.nPage} - 1, 0);
    return static_cast<int>(std::max<std::int64_t>(top, i.nMin));
}

void Normalize(SCROLLINFO& i) {
    std::int64_t range = std::max<std::int64_t>(Range(i), 0);
    i.nPage = static_cast<UINT>(std::min<std::int64_t>(i.nPage, range));
    i.nPos = std::clamp(i.nPos, i.nMin, MaxPos(i));
}

// A window bar is needed while the range holds more than a page.
bool Needed(const SCROLLINFO& i) {
    return i.nMax > i.nMin && std::int64_t{i.nPage} <= std::int64_t{i.nMax} - i.nMin;
}

bool IsVertical(HWND hwnd, int bar) {
    if (bar != SB_CTL) return bar == SB_VERT;
    Lock lock(S().mutex);
    Window* w = FindLive(hwnd);
    return w && (w->style & SBS_VERT);
}

// Where the bar is drawn in the DC that paints it: the window DC for window bars, the client
// DC for a control.
RECT BarRectInDC(HWND hwnd, int bar) {
    if (bar == SB_CTL) {
        RECT r;
        GetClientRect(hwnd, &r);
        return r;
    }
    FrameLayout f = LayOutFrame(hwnd);
    return bar == SB_HORZ ? f.horzScroll : f.vertScroll;
}

void RedrawBar(HWND hwnd, int bar) {
    ScrollState state;
    if (!IsWindowVisible(hwnd) || !GetScrollState(hwnd, bar, state)) return;
    RECT r = BarRectInDC(hwnd, bar);
    if (r.right <= r.left || r.bottom <= r.top) return;
    HDC dc = bar == SB_CTL ? GetDC(hwnd) : GetWindowDC(hwnd);
    if (!dc) return;
    PaintScrollBar(dc, r, IsVertical(hwnd, bar), state);
    ReleaseDC(hwnd, dc);
}

void ShowWindowBars(HWND hwnd, DWORD bits, bool show) {
    {
        Lock lock(S().mutex);
        Window* w = FindLive(hwnd);
        if (!w) return;
        DWORD style = show ? (w->style | bits) : (w->style & ~bits);
        if (style == w->style) return;
        w->style = style;
    }
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// A span along the bar as a rectangle.
RECT Span(const RECT& bar, bool vertical, int from, int to) {
    if (vertical) return {bar.left, bar.top + from, bar.right, bar.top + to};
    return {bar.left + from, bar.top, bar.left + to, bar.bottom};
}

bool ArrowDisabled(const ScrollState& s, ScrollPart arrow) {
    return (s.disabledArrows & (arrow == ScrollPart::LineUp ? ESB_DISABLE_LTUP : ESB_DISABLE_RTDN)) != 0;
}

struct Notifier {
    HWND target = nullptr;
    UINT message = 0;
    LPARAM control = 0;
    void Send(WORD code, int pos = 0) const {
        SendMessage(target, message, MAKELONG(code, static_cast<WORD>(pos)), control);
    }
};

Notifier NotifierFor(HWND hwnd, int bar) {
    Notifier n;
    n.message = IsVertical(hwnd, bar) ? WM_VSCROLL : WM_HSCROLL;
    if (bar == SB_CTL) {
        n.target = GetParent(hwnd);
        n.control = reinterpret_cast<LPARAM>(hwnd);
    } else {
        n.target = hwnd;
    }
    return n;
}

// What the press shows: the part held down and, while the thumb is dragged, where it is.
void SetPressed(HWND hwnd, int bar, ScrollPart part, bool tracking, int trackPos) {
    {
        Lock lock(S().mutex);
        ScrollState* s = FindBar(hwnd, bar, false);
        if (!s) return;
        s->pressed = part;
        s->tracking = tracking;
        s->info.nTrackPos = trackPos;
    }
    RedrawBar(hwnd, bar);
}

// One press on a bar, from button down to button up.
class BarTracker {
public:
    BarTracker(HWND hwnd, int bar)
        : hwnd_(hwnd), bar_(bar), vertical_(IsVertical(hwnd, bar)), notify_(NotifierFor(hwnd, bar)) {}

    void Run(POINT start) {
        if (!GetScrollState(hwnd_, bar_, state_) || !IsWindowEnabled(hwnd_)) return;
        barOnScreen_ = ScrollBarRectOnScreen(hwnd_, bar_);
        Measure();
        held_ = PartAt(start);
        cursor_ = start;
        if (held_ == ScrollPart::None) return;
        if ((held_ == ScrollPart::LineUp || held_ == ScrollPart::LineDown) && ArrowDisabled(state_, held_)) return;
        SetCapture(hwnd_);  // before the first request, whose receiver may look at the mouse
        trackPos_ = state_.info.nPos;
        if (held_ == ScrollPart::Thumb) {
            grab_ = Along(start) - geometry_.thumbStart;
            SetPressed(hwnd_, bar_, held_, true, trackPos_);
        } else {
            SetPressed(hwnd_, bar_, held_, false, trackPos_);
            notify_.Send(static_cast<WORD>(held_));
            timer_ = SetTimer(nullptr, 0, kFirstRepeatMs, nullptr);
        }
        RunCaptureLoop(hwnd_, [this](const MSG& msg) { return Step(msg); });
        Finish();
    }

private:
    void Measure() {
        int length = vertical_ ? barOnScreen_.bottom - barOnScreen_.top : barOnScreen_.right - barOnScreen_.left;
        int thickness = vertical_ ? barOnScreen_.right - barOnScreen_.left : barOnScreen_.bottom - barOnScreen_.top;
        geometry_ = LayOutScrollBar(state_, length, thickness);
    }

    int Along(POINT p) const { return vertical_ ? p.y - barOnScreen_.top : p.x - barOnScreen_.left; }

    ScrollPart PartAt(POINT p) const {
        bool across = vertical_ ? (p.x >= barOnScreen_.left && p.x < barOnScreen_.right)
                                : (p.y >= barOnScreen_.top && p.y < barOnScreen_.bottom);
        return across ? ScrollPartAt(geometry_, Along(p)) : ScrollPart::None;
    }

    LoopStep Step(const MSG& msg) {
        if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == timer_) {
            Repeat();
            return LoopStep::Continue;
        }
        if (!IsMouseMessage(msg.message)) return LoopStep::Dispatch;
        if (held_ == ScrollPart::Thumb) DragThumb(msg.pt);
        else FollowCursor(msg.pt);
        return IsButtonUp(msg.message) ? LoopStep::End : LoopStep::Continue;
    }

    // An arrow or page area acts while the cursor stays on it; a page area stops once the
    // thumb has come under the cursor.
    void FollowCursor(POINT p) {
        cursor_ = p;
        bool over = PartAt(p) == held_;
        if (over != shownPressed_) {
            shownPressed_ = over;
            SetPressed(hwnd_, bar_, over ? held_ : ScrollPart::None, false, trackPos_);
        }
    }

    void Repeat() {
        if (!repeating_) {
            KillTimer(nullptr, timer_);
            timer_ = SetTimer(nullptr, 0, kRepeatMs, nullptr);
            repeating_ = true;
        }
        if (!GetScrollState(hwnd_, bar_, state_)) return;
        Measure();
        if (PartAt(cursor_) == held_) notify_.Send(static_cast<WORD>(held_));
    }

    void DragThumb(POINT p) {
        int trackStart = geometry_.arrow;
        int trackEnd = geometry_.length - geometry_.arrow - geometry_.thumbLength;
        if (trackEnd <= trackStart) return;
        int offset = std::clamp(Along(p) - grab_, trackStart, trackEnd);
        const SCROLLINFO& i = state_.info;
        std::int64_t span = std::max<std::int64_t>(std::int64_t{MaxPos(i)} - i.nMin, 0);
        int pos = i.nMin + static_cast<int>(span * (offset - trackStart) / (trackEnd - trackStart));
        if (pos == trackPos_) return;
        trackPos_ = pos;
        SetPressed(hwnd_, bar_, ScrollPart::Thumb, true, pos);
        notify_.Send(SB_THUMBTRACK, pos);
    }

    void Finish() {
        if (timer_) KillTimer(nullptr, timer_);
        if (held_ == ScrollPart::Thumb) {
            // The receiver of SB_THUMBPOSITION still reads the track position from the bar.
            SetPressed(hwnd_, bar_, ScrollPart::None, true, trackPos_);
            notify_.Send(SB_THUMBPOSITION, trackPos_);
        }
        SetPressed(hwnd_, bar_, ScrollPart::None, false, trackPos_);
        if (IsWindow(notify_.target)) notify_.Send(SB_ENDSCROLL);
    }

    HWND hwnd_;
    int bar_;
    bool vertical_;
    Notifier notify_;
    ScrollState state_;
    RECT barOnScreen_;
    ScrollGeometry geometry_;
    ScrollPart held_ = ScrollPart::None;
    bool shownPressed_ = true;
    POINT cursor_;
    int grab_ = 0;
    int trackPos_ = 0;
    UINT_PTR timer_ = 0;
    bool repeating_ = false;
};

}  // namespace

bool GetScrollState(HWND hwnd, int bar, ScrollState& state) {
    Lock lock(S().mutex);
    ScrollState* s = FindBar(hwnd, bar, false);
    if (!s) return false;
    state = *s;
    Window* w = FindLive(hwnd);
    if (w && (w->style & WS_DISABLED)) state.disabledArrows = ESB_DISABLE_BOTH;
    return true;
}

ScrollGeometry LayOutScrollBar(const ScrollState& state, int length, int thickness) {
    ScrollGeometry g;
    g.length = std::max(length, 0);
    g.arrow = std::min(thickness, g.length / 2);
    int track = g.length - 2 * g.arrow;
    const SCROLLINFO& i = state.info;
    std::int64_t range = Range(i);
    bool usable = range > 0 && state.disabledArrows != ESB_DISABLE_BOTH && Needed(i);
    if (!usable || track < kMinThumb) return g;
    int thumb = i.nPage ? static_cast<int>(std::int64_t{i.nPage} * track / range) : thickness;
    thumb = std::clamp(thumb, kMinThumb, track);
    std::int64_t steps = std::int64_t{MaxPos(i)} - i.nMin;
    int pos = state.tracking ? std::clamp(i.nTrackPos, i.nMin, MaxPos(i)) : i.nPos;
    int offset = steps > 0 ? static_cast<int>((std::int64_t{pos} - i.nMin) * (track - thumb) / steps) : 0;
    g.thumbLength = thumb;
    g.thumbStart = g.arrow + std::clamp(offset, 0, track - thumb);
    return g;
}

ScrollPart ScrollPartAt(const ScrollGeometry& g, int offset) {
    if (offset < 0 || offset >= g.length) return ScrollPart::None;
    if (offset < g.arrow) return ScrollPart::LineUp;
    if (offset >= g.length - g.arrow) return ScrollPart::LineDown;
    if (!g.thumbLength) return ScrollPart::None;
    if (offset < g.thumbStart) return ScrollPart::PageUp;
    if (offset >= g.thumbStart + g.thumbLength) return ScrollPart::PageDown;
    return ScrollPart::Thumb;
}

void PaintScrollBar(HDC dc, const RECT& rect, bool vertical, const ScrollState& state) {
    ScrollPart pressed = state.pressed;
    int length = vertical ? rect.bottom - rect.top : rect.right - rect.left;
    int thickness = vertical ? rect.right - rect.left : rect.bottom - rect.top;
    if (length <= 0 || thickness <= 0) return;
    ScrollGeometry g = LayOutScrollBar(state, length, thickness);
    FillWithSysColor(dc, Span(rect, vertical, g.arrow, g.length - g.arrow), COLOR_SCROLLBAR);
    if (g.thumbLength) {
        int thumbEnd = g.thumbStart + g.thumbLength;
        if (pressed == ScrollPart::PageUp)
            FillWithSysColor(dc, Span(rect, vertical, g.arrow, g.thumbStart), COLOR_3DDKSHADOW);
        if (pressed == ScrollPart::PageDown)
            FillWithSysColor(dc, Span(rect, vertical, thumbEnd, g.length - g.arrow), COLOR_3DDKSHADOW);
        RECT thumb = Span(rect, vertical, g.thumbStart, g.thumbStart + g.thumbLength);
        DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
    }
    auto arrow = [&](ScrollPart part, RECT r, UINT kind) {
        if (g.arrow <= 0) return;
        bool inactive = ArrowDisabled(state, part) || !g.thumbLength;
        UINT flags = kind | (pressed == part ? DFCS_PUSHED | DFCS_FLAT : 0) | (inactive ? DFCS_INACTIVE : 0);
        DrawFrameControl(dc, &r, DFC_SCROLL, flags);
    };
    arrow(ScrollPart::LineUp, Span(rect, vertical, 0, g.arrow), vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT);
    arrow(ScrollPart::LineDown, Span(rect, vertical, g.length - g.arrow, g.length),
          vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT);
}

RECT ScrollBarRectOnScreen(HWND hwnd, int bar) {
    RECT r = BarRectInDC(hwnd, bar);
    POINT origin{};
    if (bar == SB_CTL) {
        ClientToScreen(hwnd, &origin);
    } else {
        RECT window;
        GetWindowRect(hwnd, &window);
        origin = {window.left, window.top};
    }
    return {r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
}

void TrackScrollBar(HWND hwnd, int bar, POINT start) {
    BarTracker(hwnd, bar).Run(start);
}

}  // namespace parch::win

namespace parch {

using namespace win;

int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw) {
    if (!info || !ValidSize(*info)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int pos;
    bool needed;
    {
        Lock lock(S().mutex);
        ScrollState* s = FindBar(hwnd, bar, true);
        if (!s) return 0;
        SCROLLINFO& i = s->info;
        if (info->fMask & SIF_RANGE) {
            i.nMin = info->nMin;
            i.nMax = info->nMax;
        }
        if (info->fMask & SIF_PAGE) i.nPage = info->nPage;
        if (info->fMask & SIF_POS) i.nPos = info->nPos;
        Normalize(i);
        pos = i.nPos;
        needed = Needed(i);
    }
    if (bar != SB_CTL && (info->fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL))) {
        if (info->fMask & SIF_DISABLENOSCROLL) {
            ShowWindowBars(hwnd, StyleBit(bar), true);
            EnableScrollBar(hwnd, static_cast<UINT>(bar), needed ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
        } else {
            ShowWindowBars(hwnd, StyleBit(bar), needed);
        }
    }
    if (redraw) RedrawBar(hwnd, bar);
    return pos;
}

BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info) {
    if (!info || !ValidSize(*info) || !(info->fMask & SIF_ALL)) return 0;
    Lock lock(S().mutex);
    ScrollState* s = FindBar(hwnd, bar, false);
    if (!s) return 0;
    const SCROLLINFO& i = s->info;
    if (info->fMask & SIF_RANGE) {
        info->nMin = i.nMin;
        info->nMax = i.nMax;
    }
    if (info->fMask & SIF_PAGE) info->nPage = i.nPage;
    if (info->fMask & SIF_POS) info->nPos = i.nPos;
    if ((info->fMask & SIF_TRACKPOS) && info->cbSize == sizeof(SCROLLINFO))
        info->nTrackPos = s->tracking ? i.nTrackPos : i.nPos;
    return 1;
}

int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw) {
    int old = GetScrollPos(hwnd, bar);
    SCROLLINFO info;
    info.fMask = SIF_POS;
    info.nPos = pos;
    SetScrollInfo(hwnd, bar, &info, redraw);
    return old;
}

int GetScrollPos(HWND hwnd, int bar) {
    SCROLLINFO info;
    info.fMask = SIF_POS;
    return GetScrollInfo(hwnd, bar, &info) ? info.nPos : 0;
}

BOOL SetScrollRange(HWND hwnd, int bar, int minPos, int maxPos, BOOL redraw) {
    if (std::int64_t{maxPos} - minPos > INT32_MAX) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    info.nMin = minPos;
    info.nMax = maxPos;
    {
        Lock lock(S().mutex);
        if (!FindBar(hwnd, bar, true)) return 0;
    }
    SetScrollInfo(hwnd, bar, &info, redraw);
    return 1;
}

BOOL GetScrollRange(HWND hwnd, int bar, int* minPos, int* maxPos) {
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    BOOL ok = GetScrollInfo(hwnd, bar, &info);
    if (minPos) *minPos = ok ? info.nMin : 0;
    if (maxPos) *maxPos = ok ? info.nMax : 0;
    return ok;
}

BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show) {
    if (!IsWindow(hwnd)) return 0;
    switch (bar) {
        case SB_CTL: ShowWindow(hwnd, show ? SW_SHOW : SW_HIDE); return 1;
        case SB_HORZ: ShowWindowBars(hwnd, WS_HSCROLL, show != 0); return 1;
        case SB_VERT: ShowWindowBars(hwnd, WS_VSCROLL, show != 0); return 1;
        case SB_BOTH: ShowWindowBars(hwnd, WS_HSCROLL | WS_VSCROLL, show != 0); return 1;
        default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
}

BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows) {
    if (bar == static_cast<UINT>(SB_BOTH)) {
        BOOL h = EnableScrollBar(hwnd, SB_HORZ, arrows);
        BOOL v = EnableScrollBar(hwnd, SB_VERT, arrows);
        return h || v;
    }
    {
        Lock lock(S().mutex);
        ScrollState* s = FindBar(hwnd, static_cast<int>(bar), true);
        if (!s || s->disabledArrows == (arrows & ESB_DISABLE_BOTH)) return 0;
        s->disabledArrows = arrows & ESB_DISABLE_BOTH;
    }
    if (bar == static_cast<UINT>(SB_CTL)) EnableWindow(hwnd, arrows != ESB_DISABLE_BOTH);
    RedrawBar(hwnd, static_cast<int>(bar));
    return 1;
}

}  // namespace parch
