// How a skinned form moves and sizes: an outline dragged on the screen in place of the live
// window, snapping to the work area's edges, and a maximized size that hides the frame.

#include <algorithm>
#include <cstdlib>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/Monitors.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/frames/sSkinProvider.h"

namespace parch {

namespace {

POINT SizingPointOf(LPARAM lParam) {
    return POINT{static_cast<short>(lParam & 0xFFFF), static_cast<short>((lParam >> 16) & 0xFFFF)};
}

bool SizingIsEdgeCode(int code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

}  // namespace

void SnapCoordinate(int& value, int edge, int distance, int size) {
    if (std::abs(value + size - edge) < distance) value = edge - size;
}

RECT GetFormWorkArea(const TCustomForm& form) {
    HMONITOR monitor = nullptr;
    if (const_cast<TCustomForm&>(form).HandleAllocated())
        monitor = MonitorFromWindow(const_cast<TCustomForm&>(form).Handle(), MONITOR_DEFAULTTONEAREST);
    if (!monitor) monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info;
    if (!monitor || !GetMonitorInfo(monitor, &info)) return RECT{0, 0, 0, 0};
    return info.rcWork;
}

// Answers for the provider's window procedure; false hands the message on unhandled.
bool TsSkinProvider::HandleSizing(TMessage& message, const TWndMethod& inherited) {
    switch (message.Msg) {
        case WM_WINDOWPOSCHANGING:
            if (auto* position = reinterpret_cast<WINDOWPOS*>(message.LParam)) SnapToWorkArea(*position);
            return false;
        case WM_GETMINMAXINFO:
            if (auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam)) GetMinMaxInfo(*info);
            return false;
        case WM_NCLBUTTONDOWN: {
            int code = static_cast<int>(message.WParam);
            if (ResizeMode != rmBorder || drag_.Dragging || !form_->Enabled()) return false;
            if (code != HTCAPTION && !SizingIsEdgeCode(code)) return false;
            if (form_->WindowState() != wsNormal) return false;
            SetHotButton(0);
            BeginBorderDrag(code == HTCAPTION ? 0 : code, SizingPointOf(message.LParam));
            message.Result = 0;
            return true;
        }
        case WM_MOUSEMOVE:
            if (!drag_.Dragging) return false;
            inherited(message);
            DragTo(form_->ClientToScreen(SizingPointOf(message.LParam)));
            return true;
        case WM_LBUTTONUP:
        case WM_NCLBUTTONUP:
            if (!drag_.Dragging) return false;
            DragTo(message.Msg == WM_LBUTTONUP ? form_->ClientToScreen(SizingPointOf(message.LParam))
                                               : SizingPointOf(message.LParam));
            EndBorderDrag(true);
            message.Result = 0;
            return true;
        case WM_CAPTURECHANGED:
        case WM_CANCELMODE:
            // The drag cannot go on without the mouse: the outline goes, the form stays.
            if (drag_.Dragging) EndBorderDrag(false);
            return false;
        default:
            return false;
    }
}

void TsSkinProvider::SnapToWorkArea(WINDOWPOS& position) {
    if (settingRegion_ || (form_->ComponentState() & csLoading) || form_->WindowState() == wsMaximized) return;
    if ((position.flags & SWP_NOMOVE) || (position.x == 0 && position.y == 0)) return;
    if (!ScreenSnap || !form_->Showing()) return;
    RECT window{};
    GetWindowRect(form_->Handle(), &window);
    int width = (position.flags & SWP_NOSIZE) ? window.right - window.left : position.cx;
    int height = (position.flags & SWP_NOSIZE) ? window.bottom - window.top : position.cy;
    RECT work = GetFormWorkArea(*form_);
    SnapCoordinate(position.x, work.right, SnapBuffer, width);
    SnapCoordinate(position.y, work.bottom, SnapBuffer, height);
    SnapCoordinate(position.x, work.left, SnapBuffer, 0);
    SnapCoordinate(position.y, work.top, SnapBuffer, 0);
}

// A maximized form covers the work area with its frame just outside it.
void TsSkinProvider::GetMinMaxInfo(MINMAXINFO& info) {
    if (!drawNonClientArea_ || form_->BorderStyle() == bsNone || form_->FormStyle() == fsMDIChild) return;
    if (!form_->HandleAllocated() || GetParent(form_->Handle())) return;
    RECT work = GetFormWorkArea(*form_);
    int frame = GetFrameWidth(form_->Handle());
    info.ptMaxPosition = POINT{work.left - frame, work.top - frame};
    info.ptMaxSize = POINT{work.right - work.left + 2 * frame, work.bottom - work.top + 2 * frame};
}

void TsSkinProvider::BeginBorderDrag(int kind, POINT screen) {
    HWND window = form_->Handle();
    GetWindowRect(window, &drag_.Start);
    drag_.Kind = kind;
    drag_.Anchor = screen;
    drag_.Outline = drag_.Start;
    drag_.Moved = false;
    // The outline never gets smaller than the constraints or the window's tracking limits.
    MINMAXINFO limits{};
    limits.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    limits.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessage(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    const TSizeConstraints& constraints = form_->Constraints();
    drag_.MinSize = SIZE{std::max<LONG>({1, constraints.MinWidth, limits.ptMinTrackSize.x}),
                         std::max<LONG>({1, constraints.MinHeight, limits.ptMinTrackSize.y})};
    LONG maxWidth = limits.ptMaxTrackSize.x > 0 ? limits.ptMaxTrackSize.x : 0x7FFF;
    LONG maxHeight = limits.ptMaxTrackSize.y > 0 ? limits.ptMaxTrackSize.y : 0x7FFF;
    if (constraints.MaxWidth > 0) maxWidth = std::min<LONG>(maxWidth, constraints.MaxWidth);
    if (constraints.MaxHeight > 0) maxHeight = std::min<LONG>(maxHeight, constraints.MaxHeight);
    drag_.MaxSize = SIZE{std::max(maxWidth, drag_.MinSize.cx), std::max(maxHeight, drag_.MinSize.cy)};

    drag_.ScreenDC = GetDC(nullptr);
    drag_.SavedDC = SaveDC(drag_.ScreenDC);
    SetROP2(drag_.ScreenDC, R2_NOT);
    drag_.Dragging = true;
    SetCapture(window);
    DrawDragFrame();
}

// Drawn twice in R2_NOT the outline is gone again.
void TsSkinProvider::DrawDragFrame() {
    const RECT& r = drag_.Outline;
    POINT points[5] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1},
                       {r.left, r.top}};
    Polyline(drag_.ScreenDC, points, 5);
}

void TsSkinProvider::DragTo(POINT screen) {
    if (!drag_.Dragging) return;
    int dx = screen.x - drag_.Anchor.x;
    int dy = screen.y - drag_.Anchor.y;
    if (dx == 0 && dy == 0) return;
    DrawDragFrame();
    const RECT& start = drag_.Start;
    RECT& r = drag_.Outline;
    if (drag_.Kind == 0) {
        r = RECT{start.left + dx, start.top + dy, start.right + dx, start.bottom + dy};
    } else {
        r = start;
        int kind = drag_.Kind;
        if (kind == HTTOP || kind == HTTOPLEFT || kind == HTTOPRIGHT)
            r.top = std::clamp<LONG>(start.top + dy, start.bottom - drag_.MaxSize.cy, start.bottom - drag_.MinSize.cy);
        if (kind == HTBOTTOM || kind == HTBOTTOMLEFT || kind == HTBOTTOMRIGHT)
            r.bottom = std::clamp<LONG>(start.bottom + dy, start.top + drag_.MinSize.cy, start.top + drag_.MaxSize.cy);
        if (kind == HTLEFT || kind == HTTOPLEFT || kind == HTBOTTOMLEFT)
            r.left = std::clamp<LONG>(start.left + dx, start.right - drag_.MaxSize.cx, start.right - drag_.MinSize.cx);
        if (kind == HTRIGHT || kind == HTTOPRIGHT || kind == HTBOTTOMRIGHT)
            r.right = std::clamp<LONG>(start.right + dx, start.left + drag_.MinSize.cx, start.left + drag_.MaxSize.cx);
    }
    drag_.Moved = true;
    DrawDragFrame();
}

void TsSkinProvider::EndBorderDrag(bool apply) {
    if (!drag_.Dragging) return;
    drag_.Dragging = false;  // first: releasing the capture comes back here
    DrawDragFrame();
    RestoreDC(drag_.ScreenDC, drag_.SavedDC);
    ReleaseDC(nullptr, drag_.ScreenDC);
    drag_.ScreenDC = nullptr;
    HWND window = form_->Handle();
    if (GetCapture() == window) ReleaseCapture();
    if (apply && drag_.Moved) {
        const RECT& r = drag_.Outline;
        MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, 1);
    }
    drag_.Moved = false;
}

}  // namespace parch
