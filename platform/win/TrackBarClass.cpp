#include "platform/win/TrackBarClass.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/ControlSupport.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Focus.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/NonClient.h"
#include "platform/win/Painting.h"
#include "platform/win/Timers.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch::win {

namespace trackbar {

constexpr int kDefaultThumbLength = 20;
constexpr int kChannelThickness = 6;
constexpr int kTicLength = 3;
constexpr int kTicSpace = kTicLength + 3;  // tics and the gap between them and the thumb
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatDelay = 400;
constexpr UINT kRepeatDelay = 100;

struct TrackData {
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    int lineSize = 1;
    int pageSize = 20;
    int thumbLength = kDefaultThumbLength;
    int selStart = 0;
    int selEnd = 0;
    int ticFrequency = 1;
    std::vector<int> tics;  // inside the range; the two ends are not kept
    HWND buddyLeft = nullptr;
    HWND buddyRight = nullptr;
    bool dragging = false;
    int dragOffset = 0;  // from the thumb's start to where it was taken
    bool paging = false;
    int pageTarget = 0;  // the position under the held mouse
};

TrackData* Data(HWND hwnd) { return reinterpret_cast<TrackData*>(GetWindowLongPtr(hwnd, 0)); }
DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }
bool Vertical(HWND hwnd) { return (Style(hwnd) & TBS_VERT) != 0; }

// Rectangles in "along, across" terms: for a vertical bar x and y are exchanged.
RECT Turn(RECT r, bool vertical) { return vertical ? RECT{r.top, r.left, r.bottom, r.right} : r; }

struct Size2 {
    int along;
    int across;
};

Size2 ClientSize(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return Vertical(hwnd) ? Size2{r.bottom, r.right} : Size2{r.right, r.bottom};
}

int ThumbLength(HWND hwnd, const TrackData& data) {
    const int across = ClientSize(hwnd).across;
    const int length = (Style(hwnd) & TBS_FIXEDLENGTH) ? data.thumbLength : kDefaultThumbLength;
    return std::max(4, std::min(length, std::max(4, across - 4)));
}

int ThumbWidth(HWND hwnd, const TrackData& data) { return ThumbLength(hwnd, data) / 2 + 1; }

// Where the thumb starts across the bar: tics take room on their side(s).
int ThumbTop(HWND hwnd, const TrackData& data) {
    const DWORD style = Style(hwnd);
    const int across = ClientSize(hwnd).across;
    const int length = ThumbLength(hwnd, data);
    const int tics = (style & TBS_NOTICKS) ? 0 : kTicSpace;
    int top = (across - length - tics) / 2;
    if (style & TBS_BOTH) top = (across - length) / 2;
    else if (style & TBS_TOP) top = (across - length + tics) / 2;
    return std::max(0, top);
}

// Channel along the bar, in along/across terms.
RECT ChannelRectTurned(HWND hwnd, const TrackData& data) {
    const Size2 size = ClientSize(hwnd);
    const int margin = ThumbWidth(hwnd, data) / 2 + 2;
    const int top = ThumbTop(hwnd, data) + (ThumbLength(hwnd, data) - kChannelThickness) / 2;
    return RECT{margin, top, std::max(margin, size.along - margin), top + kChannelThickness};
}

int Travel(HWND hwnd, const TrackData& data) {
    const RECT channel = ChannelRectTurned(hwnd, data);
    return std::max(0, (channel.right - channel.left) - ThumbWidth(hwnd, data));
}

// The offset along the bar of a value's thumb start.
int OffsetOf(HWND hwnd, const TrackData& data, int value) {
    const RECT channel = ChannelRectTurned(hwnd, data);
    const long long range = static_cast<long long>(data.maximum) - data.minimum;
    if (range <= 0) return channel.left;
    return channel.left + static_cast<int>((static_cast<long long>(value) - data.minimum) * Travel(hwnd, data) / range);
}

int ValueAt(HWND hwnd, const TrackData& data, int thumbStart) {
    const RECT channel = ChannelRectTurned(hwnd, data);
    const int travel = Travel(hwnd, data);
    if (travel <= 0) return data.minimum;
    const long long range = static_cast<long long>(data.maximum) - data.minimum;
    const long long along = std::clamp(thumbStart - channel.left, 0, travel);
    return data.minimum + static_cast<int>((along * range + travel / 2) / travel);
}

RECT ThumbRectTurned(HWND hwnd, const TrackData& data) {
    const int start = OffsetOf(hwnd, data, data.position);
    const int top = ThumbTop(hwnd, data);
    return RECT{start, top, start + ThumbWidth(hwnd, data), top + ThumbLength(hwnd, data)};
}

RECT ChannelRect(HWND hwnd, const TrackData& data) { return Turn(ChannelRectTurned(hwnd, data), Vertical(hwnd)); }
RECT ThumbRect(HWND hwnd, const TrackData& data) { return Turn(ThumbRectTurned(hwnd, data), Vertical(hwnd)); }

// The centre of a value's thumb along the bar: where its tic is drawn.
int TicOffset(HWND hwnd, const TrackData& data, int value) {
    return OffsetOf(hwnd, data, value) + ThumbWidth(hwnd, data) / 2;
}

// ---- values ----

void RebuildAutoTics(HWND hwnd, TrackData& data) {
    if (!(Style(hwnd) & TBS_AUTOTICKS)) return;
    data.tics.clear();
    if (data.ticFrequency <= 0) return;
    for (long long v = static_cast<long long>(data.minimum) + data.ticFrequency; v < data.maximum; v += data.ticFrequency)
        data.tics.push_back(static_cast<int>(v));
}

void Clamp(TrackData& data) {
    data.position = std::clamp(data.position, data.minimum, std::max(data.minimum, data.maximum));
}

void Redraw(HWND hwnd, WPARAM redraw) {
    if (redraw) InvalidateRect(hwnd, nullptr, 1);
}

void SetRange(HWND hwnd, int minimum, int maximum, WPARAM redraw) {
    TrackData* data = Data(hwnd);
    if (!data) return;
    data->minimum = minimum;
    data->maximum = maximum;
    Clamp(*data);
    RebuildAutoTics(hwnd, *data);
    Redraw(hwnd, redraw);
}

void Tell(HWND hwnd, WORD code, int position = 0) {
    HWND parent = GetParent(hwnd);
    if (!parent) return;
    const bool carriesPosition = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
    const WPARAM wParam = MAKEWPARAM(code, carriesPosition ? static_cast<WORD>(position) : 0);
    SendMessage(parent, Vertical(hwnd) ? WM_VSCROLL : WM_HSCROLL, wParam, reinterpret_cast<LPARAM>(hwnd));
}

// Moves to a new position and, when it changed, tells the parent `code`.
void MoveTo(HWND hwnd, int position, WORD code) {
    TrackData* data = Data(hwnd);
    if (!data) return;
    const int old = data->position;
    data->position = position;
    Clamp(*data);
    if (data->position == old && code != TB_THUMBTRACK) return;
    InvalidateRect(hwnd, nullptr, 1);
    Tell(hwnd, code, data->position);
}

// ---- painting ----

bool DrawsItem(HWND hwnd, NMCUSTOMDRAW& draw, LRESULT prepaint, UINT_PTR item, RECT rect, UINT state,
               LRESULT& itemAnswer) {
    itemAnswer = CDRF_DODEFAULT;
    if (!(prepaint & CDRF_NOTIFYITEMDRAW)) return true;
    draw.dwItemSpec = item;
    draw.rc = rect;
    draw.uItemState = state;
    itemAnswer = SendCustomDraw(hwnd, draw, CDDS_ITEMPREPAINT);
    return !(itemAnswer & CDRF_SKIPDEFAULT);
}

void ItemPostPaint(HWND hwnd, NMCUSTOMDRAW& draw, LRESULT itemAnswer) {
    if (itemAnswer & CDRF_NOTIFYPOSTPAINT) SendCustomDraw(hwnd, draw, CDDS_ITEMPOSTPAINT);
}

void DrawTic(HDC dc, bool vertical, int along, int across) {
    RECT r = Turn(RECT{along, across, along + 1, across + kTicLength}, vertical);
    FillWithSysColor(dc, r, COLOR_BTNTEXT);
}

void PaintTics(HWND hwnd, HDC dc, const TrackData& data) {
    const DWORD style = Style(hwnd);
    if (style & TBS_NOTICKS) return;
    const bool vertical = Vertical(hwnd);
    const RECT thumb = ThumbRectTurned(hwnd, data);
    std::vector<int> values{data.minimum, data.maximum};
    values.insert(values.end(), data.tics.begin(), data.tics.end());
    for (int value : values) {
        const int along = TicOffset(hwnd, data, value);
        if (style & (TBS_TOP | TBS_BOTH)) DrawTic(dc, vertical, along, thumb.top - 2 - kTicLength);
        if (!(style & TBS_TOP) || (style & TBS_BOTH)) DrawTic(dc, vertical, along, thumb.bottom + 2);
    }
}

void PaintChannel(HWND hwnd, HDC dc, const TrackData& data) {
    RECT channel = ChannelRect(hwnd, data);
    DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillWithSysColor(dc, channel, COLOR_WINDOW);
    if (!(Style(hwnd) & TBS_ENABLESELRANGE) || data.selEnd <= data.selStart) return;
    RECT selection = ChannelRectTurned(hwnd, data);
    selection.left = TicOffset(hwnd, data, data.selStart);
    selection.right = TicOffset(hwnd, data, data.selEnd);
    selection.top += 1;
    selection.bottom -= 1;
    FillWithSysColor(dc, Turn(selection, Vertical(hwnd)), COLOR_HIGHLIGHT);
}

void PaintThumb(HWND hwnd, HDC dc, const TrackData& data) {
    RECT thumb = ThumbRect(hwnd, data);
    FillWithSysColor(dc, thumb, data.dragging ? COLOR_3DHILIGHT : COLOR_3DFACE);
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
}

void Paint(HWND hwnd, HDC dc) {
    TrackData* data = Data(hwnd);
    if (!data) return;
    RECT client{};
    GetClientRect(hwnd, &client);
    NMCUSTOMDRAW draw;
    draw.hdc = dc;
    draw.rc = client;
    const LRESULT prepaint = SendCustomDraw(hwnd, draw, CDDS_PREPAINT);
    if (prepaint & CDRF_SKIPDEFAULT) return;
    FillWithSysColor(dc, client, COLOR_3DFACE);
    LRESULT answer = 0;
    if (DrawsItem(hwnd, draw, prepaint, TBCD_TICS, client, 0, answer)) PaintTics(hwnd, dc, *data);
    ItemPostPaint(hwnd, draw, answer);
    if (DrawsItem(hwnd, draw, prepaint, TBCD_CHANNEL, ChannelRect(hwnd, *data), 0, answer))
        PaintChannel(hwnd, dc, *data);
    ItemPostPaint(hwnd, draw, answer);
    if (!(Style(hwnd) & TBS_NOTHUMB)) {
        const UINT state = (data->dragging ? CDIS_SELECTED : 0) | (GetFocus() == hwnd ? CDIS_FOCUS : 0);
        if (DrawsItem(hwnd, draw, prepaint, TBCD_THUMB, ThumbRect(hwnd, *data), state, answer))
            PaintThumb(hwnd, dc, *data);
        ItemPostPaint(hwnd, draw, answer);
    }
    if (GetFocus() == hwnd) DrawFocusRect(dc, &client);
    if (prepaint & CDRF_NOTIFYPOSTPAINT) {
        draw.dwItemSpec = 0;
        draw.rc = client;
        draw.uItemState = 0;
        SendCustomDraw(hwnd, draw, CDDS_POSTPAINT);
    }
}

void PaintMessage(HWND hwnd, HDC given) {
    PaintControl(hwnd, given, [hwnd](HDC dc) { Paint(hwnd, dc); });
}

// ---- mouse and keys ----

int AlongOf(HWND hwnd, LPARAM lParam) {
    return Vertical(hwnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
}

// One page toward the held point; stops once the thumb has reached it.
void PageStep(HWND hwnd) {
    TrackData* data = Data(hwnd);
    if (!data || !data->paging) return;
    if (data->pageTarget < data->position)
        MoveTo(hwnd, std::max(data->pageTarget, data->position - data->pageSize), TB_PAGEUP);
    else if (data->pageTarget > data->position)
        MoveTo(hwnd, std::min(data->pageTarget, data->position + data->pageSize), TB_PAGEDOWN);
}

void ButtonDown(HWND hwnd, LPARAM lParam) {
    TrackData* data = Data(hwnd);
    if (!data) return;
    SetFocus(hwnd);
    const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const RECT thumb = ThumbRect(hwnd, *data);
    SetCapture(hwnd);
    if (!(Style(hwnd) & TBS_NOTHUMB) && PtInRect(&thumb, p)) {
        data->dragging = true;
        data->dragOffset = AlongOf(hwnd, lParam) - ThumbRectTurned(hwnd, *data).left;
        InvalidateRect(hwnd, nullptr, 1);
        return;
    }
    data->paging = true;
    data->pageTarget = ValueAt(hwnd, *data, AlongOf(hwnd, lParam) - ThumbWidth(hwnd, *data) / 2);
    PageStep(hwnd);
    SetTimer(hwnd, kRepeatTimer, kFirstRepeatDelay, nullptr);
}

void MouseMove(HWND hwnd, LPARAM lParam) {
    TrackData* data = Data(hwnd);
    if (!data || !data->dragging) return;
    MoveTo(hwnd, ValueAt(hwnd, *data, AlongOf(hwnd, lParam) - data->dragOffset), TB_THUMBTRACK);
}

void EndMouse(HWND hwnd) {
    TrackData* data = Data(hwnd);
    if (!data || (!data->dragging && !data->paging)) return;
    const bool dragged = data->dragging;
    data->dragging = false;
    data->paging = false;
    KillTimer(hwnd, kRepeatTimer);
    if (GetCapture() == hwnd) ReleaseCapture();
    InvalidateRect(hwnd, nullptr, 1);
    if (dragged) Tell(hwnd, TB_THUMBPOSITION, data->position);
    Tell(hwnd, TB_ENDTRACK);
}

void Timer(HWND hwnd) {
    PageStep(hwnd);
    SetTimer(hwnd, kRepeatTimer, kRepeatDelay, nullptr);
}

// Down and right raise the value (TBS_DOWNISLEFT: down is left), up and left lower it.
bool KeyDown(HWND hwnd, WPARAM key) {
    TrackData* data = Data(hwnd);
    if (!data) return false;
    const bool downIsLeft = (Style(hwnd) & TBS_DOWNISLEFT) != 0;
    switch (key) {
        case VK_RIGHT: MoveTo(hwnd, data->position + data->lineSize, TB_LINEDOWN); return true;
        case VK_LEFT: MoveTo(hwnd, data->position - data->lineSize, TB_LINEUP); return true;
        case VK_DOWN:
            if (downIsLeft) MoveTo(hwnd, data->position - data->lineSize, TB_LINEUP);
            else MoveTo(hwnd, data->position + data->lineSize, TB_LINEDOWN);
            return true;
        case VK_UP:
            if (downIsLeft) MoveTo(hwnd, data->position + data->lineSize, TB_LINEDOWN);
            else MoveTo(hwnd, data->position - data->lineSize, TB_LINEUP);
            return true;
        case VK_NEXT: MoveTo(hwnd, data->position + data->pageSize, TB_PAGEDOWN); return true;
        case VK_PRIOR: MoveTo(hwnd, data->position - data->pageSize, TB_PAGEUP); return true;
        case VK_HOME: MoveTo(hwnd, data->minimum, TB_TOP); return true;
        case VK_END: MoveTo(hwnd, data->maximum, TB_BOTTOM); return true;
        default: return false;
    }
}

bool IsMovingKey(WPARAM key) {
    return key == VK_RIGHT || key == VK_LEFT || key == VK_UP || key == VK_DOWN || key == VK_NEXT || key == VK_PRIOR ||
           key == VK_HOME || key == VK_END;
}

// ---- buddies ----

// A buddy sits at the bar's start (left or top) or end, centred across it.
void PlaceBuddy(HWND hwnd, HWND buddy, bool atStart) {
    HWND parent = GetParent(hwnd);
    if (!buddy || !parent || GetParent(buddy) != parent) return;
    RECT bar{};
    RECT own{};
    GetWindowRect(hwnd, &bar);
    GetWindowRect(buddy, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    POINT at{};
    if (Vertical(hwnd)) {
        at.x = (bar.left + bar.right - width) / 2;
        at.y = atStart ? bar.top - height : bar.bottom;
    } else {
        at.x = atStart ? bar.left - width : bar.right;
        at.y = (bar.top + bar.bottom - height) / 2;
    }
    ScreenToClient(parent, &at);
    SetWindowPos(buddy, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT SetBuddy(HWND hwnd, WPARAM atStart, LPARAM lParam) {
    TrackData* data = Data(hwnd);
    if (!data) return 0;
    HWND& slot = atStart ? data->buddyLeft : data->buddyRight;
    HWND previous = slot;
    slot = reinterpret_cast<HWND>(lParam);
    PlaceBuddy(hwnd, slot, atStart != 0);
    return reinterpret_cast<LRESULT>(previous);
}

// ---- messages ----

LRESULT SetTic(HWND hwnd, LPARAM value) {
    TrackData* data = Data(hwnd);
    const int v = static_cast<int>(value);
    if (!data || v < data->minimum || v > data->maximum) return 0;
    if (std::find(data->tics.begin(), data->tics.end(), v) == data->tics.end()) {
        data->tics.insert(std::upper_bound(data->tics.begin(), data->tics.end(), v), v);
        InvalidateRect(hwnd, nullptr, 1);
    }
    return 1;
}

LRESULT NumTics(HWND hwnd) {
    const TrackData* data = Data(hwnd);
    if (!data || (Style(hwnd) & TBS_NOTICKS)) return 0;
    return static_cast<LRESULT>(data->tics.size()) + 2;
}

LRESULT Tic(HWND hwnd, WPARAM index, bool position) {
    const TrackData* data = Data(hwnd);
    if (!data || index >= data->tics.size()) return -1;
    const int value = data->tics[index];
    return position ? TicOffset(hwnd, *data, value) : value;
}

LRESULT GiveRect(LPARAM lParam, const RECT& r) {
    if (auto* out = reinterpret_cast<RECT*>(lParam)) *out = r;
    return 0;
}

void SetSelection(HWND hwnd, int start, int end, WPARAM redraw) {
    TrackData* data = Data(hwnd);
    if (!data) return;
    data->selStart = start;
    data->selEnd = end;
    Redraw(hwnd, redraw);
}

LRESULT Messages(HWND hwnd, TrackData& data, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case TBM_GETPOS: return data.position;
        case TBM_SETPOS:
            data.position = static_cast<int>(lParam);
            Clamp(data);
            Redraw(hwnd, wParam);
            return 0;
        case TBM_GETRANGEMIN: return data.minimum;
        case TBM_GETRANGEMAX: return data.maximum;
        case TBM_SETRANGE:
            SetRange(hwnd, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), wParam);
            return 0;
        case TBM_SETRANGEMIN: SetRange(hwnd, static_cast<int>(lParam), data.maximum, wParam); return 0;
        case TBM_SETRANGEMAX: SetRange(hwnd, data.minimum, static_cast<int>(lParam), wParam); return 0;
        case TBM_SETTICFREQ:
            data.ticFrequency = static_cast<int>(wParam);
            RebuildAutoTics(hwnd, data);
            InvalidateRect(hwnd, nullptr, 1);
            return 0;
        case TBM_SETTIC: return SetTic(hwnd, lParam);
        case TBM_CLEARTICS:
            data.tics.clear();
            Redraw(hwnd, wParam);
            return 0;
        case TBM_GETNUMTICS: return NumTics(hwnd);
        case TBM_GETTIC: return Tic(hwnd, wParam, false);
        case TBM_GETTICPOS: return Tic(hwnd, wParam, true);
        case TBM_GETPTICS: return data.tics.empty() ? 0 : reinterpret_cast<LRESULT>(data.tics.data());
        case TBM_GETCHANNELRECT: return GiveRect(lParam, ChannelRect(hwnd, data));
        case TBM_GETTHUMBRECT: return GiveRect(lParam, ThumbRect(hwnd, data));
        case TBM_SETTHUMBLENGTH:
            data.thumbLength = std::max(1, static_cast<int>(wParam));
            InvalidateRect(hwnd, nullptr, 1);
            return 0;
        case TBM_GETTHUMBLENGTH: return ThumbLength(hwnd, data);
        case TBM_SETPAGESIZE: return std::exchange(data.pageSize, static_cast<int>(lParam));
        case TBM_GETPAGESIZE: return data.pageSize;
        case TBM_SETLINESIZE: return std::exchange(data.lineSize, static_cast<int>(lParam));
        case TBM_GETLINESIZE: return data.lineSize;
        case TBM_SETSEL:
            SetSelection(hwnd, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), wParam);
            return 0;
        case TBM_SETSELSTART: SetSelection(hwnd, static_cast<int>(lParam), data.selEnd, wParam); return 0;
        case TBM_SETSELEND: SetSelection(hwnd, data.selStart, static_cast<int>(lParam), wParam); return 0;
        case TBM_GETSELSTART: return data.selStart;
        case TBM_GETSELEND: return data.selEnd;
        case TBM_CLEARSEL: SetSelection(hwnd, 0, 0, wParam); return 0;
        case TBM_SETBUDDY: return SetBuddy(hwnd, wParam, lParam);
        case TBM_GETBUDDY: return reinterpret_cast<LRESULT>(wParam ? data.buddyLeft : data.buddyRight);
        default: return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(new TrackData)); break;
        case WM_NCDESTROY:
            delete Data(hwnd);
            SetWindowLongPtr(hwnd, 0, 0);
            break;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: PaintMessage(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_PRINTCLIENT: Paint(hwnd, reinterpret_cast<HDC>(wParam)); return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SIZE: InvalidateRect(hwnd, nullptr, 1); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: ButtonDown(hwnd, lParam); return 0;
        case WM_MOUSEMOVE: MouseMove(hwnd, lParam); return 0;
        case WM_LBUTTONUP: EndMouse(hwnd); return 0;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != hwnd) EndMouse(hwnd);
            return 0;
        case WM_TIMER:
            if (wParam == kRepeatTimer) Timer(hwnd);
            return 0;
        case WM_KEYDOWN:
            if (KeyDown(hwnd, wParam)) return 0;
            break;
        case WM_KEYUP:
            if (IsMovingKey(wParam)) {
                Tell(hwnd, TB_ENDTRACK);
                return 0;
            }
            break;
        default:
            if (message >= TBM_GETPOS && message <= TBM_GETBUDDY) {
                TrackData* data = Data(hwnd);
                return data ? Messages(hwnd, *data, message, wParam, lParam) : 0;
            }
            break;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace trackbar

void RegisterTrackBarClass() {
    WNDCLASSEX wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = &trackbar::Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = TRACKBAR_CLASS;
    RegisterClassEx(&wc);
}

}  // namespace parch::win
