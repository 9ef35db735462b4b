#include "framework/HintWindow.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/UtilWindow.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/TextLayout.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kHideTimer = 2;
constexpr int kMargin = 2;
constexpr UINT kTextFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

// The control under the mouse: the windowless child under it, else the window's own control.
TControl* ControlUnderCursor() {
    POINT p;
    if (!GetCursorPos(&p)) return nullptr;
    HWND wnd = WindowFromPoint(p);
    TWinControl* win = TWinControl::FindControl(wnd);
    if (!win) return nullptr;
    POINT local = p;
    ScreenToClient(wnd, &local);
    TControl* child = win->ControlAtPos(local, true);
    return child ? child : win;
}

// The control whose hint applies: the first up the chain with a hint text.
TControl* HintOwner(TControl* control) {
    for (TControl* c = control; c; c = c->Parent())
        if (!c->Hint().empty()) return c;
    return nullptr;
}

}  // namespace

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
    SetVisible(false);
    SetColor(Application ? Application->HintColor : clInfoBk);
    if (Screen) Font().Assign(Screen->HintFont());
}

THintWindow::~THintWindow() = default;

void THintWindow::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    params.WndParent = Application ? Application->Handle() : nullptr;
    params.WindowClass.style |= CS_SAVEBITS;
}

RECT THintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
    RECT r{0, 0, std::max(maxWidth, 1), 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    DrawText(dc, hint.c_str(), -1, &r, kTextFormat | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // Room for the margins and the border.
    r.right += 2 * kMargin + 2 + 4;
    r.bottom += 2 * kMargin + 2;
    return r;
}

void THintWindow::ActivateHint(const RECT& rect, const std::string& hint) {
    SetText(hint);
    RECT r = rect;
    // Kept on the screen.
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (r.right > screenWidth) OffsetRect(&r, screenWidth - r.right, 0);
    if (r.bottom > screenHeight) OffsetRect(&r, 0, screenHeight - r.bottom);
    if (r.left < 0) OffsetRect(&r, -r.left, 0);
    if (r.top < 0) OffsetRect(&r, 0, -r.top);
    HandleNeeded();
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    SetWindowPos(Handle(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

void THintWindow::ReleaseHandle() {
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

bool THintWindow::IsHintShowing() const {
    return HandleAllocated() && IsWindowVisible(const_cast<THintWindow*>(this)->Handle());
}

void THintWindow::Paint() {
    TCanvas& canvas = Canvas();
    RECT r = ClientRect();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(r);
    canvas.Brush().SetStyle(bsClear);
    r = {r.left + kMargin + 1, r.top + kMargin, r.right - kMargin - 1, r.bottom - kMargin};
    DrawText(canvas.Handle(), Text().c_str(), -1, &r, kTextFormat);
}

void THintWindow::Dispatch(TMessage& message) {
    if (message.Msg == WM_NCHITTEST) {
        message.Result = HTTRANSPARENT;  // the mouse goes to what lies below
        return;
    }
    TCustomControl::Dispatch(message);
}

THintController::THintController() {
    timerWindow_ = AllocateHWnd([this](TMessage& message) { TimerTick(message); });
}

THintController::~THintController() {
    DeallocateHWnd(timerWindow_);
}

void THintController::MessageSeen(const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE:
        if (TWinControl::FindControl(msg.hwnd) == window_.get() && window_) return;
        MouseOver(ControlUnderCursor());
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEWHEEL:
        CancelHint();
        break;
    default:
        break;
    }
}

void THintController::MouseOver(const TControl* control) {
    TControl* owner = HintOwner(const_cast<TControl*>(control));
    if (Application) Application->SetHint(owner ? GetLongHint(owner->Hint()) : std::string());
    if (owner == control_) return;
    bool wasShowing = window_ && window_->IsHintShowing();
    HideHint();
    control_ = owner;
    if (!owner || !Application || !Application->ShowHint || !owner->ShowHint()) return;
    // Moving from one hint to the next shows the next one sooner.
    SetTimer(timerWindow_, kShowTimer, static_cast<UINT>(wasShowing ? Application->HintShortPause : Application->HintPause),
             nullptr);
    showTimerRunning_ = true;
}

void THintController::CancelHint() {
    HideHint();
    control_ = nullptr;
}

void THintController::HideHint() {
    if (showTimerRunning_) KillTimer(timerWindow_, kShowTimer);
    showTimerRunning_ = false;
    KillTimer(timerWindow_, kHideTimer);
    if (window_) window_->ReleaseHandle();
}

void THintController::ShowHintNow() {
    TControl* owner = HintOwner(ControlUnderCursor());
    if (!owner || owner != control_ || !Application) return;  // the mouse moved on meanwhile
    POINT cursor;
    GetCursorPos(&cursor);
    THintInfo info;
    info.HintControl = owner;
    info.CursorPos = owner->ScreenToClient(cursor);
    info.CursorRect = owner->ClientRect();
    info.HintPos = {cursor.x, cursor.y + GetSystemMetrics(SM_CYCURSOR)};
    info.HintMaxWidth = GetSystemMetrics(SM_CXSCREEN);
    info.HintColor = Application->HintColor;
    info.HintStr = GetShortHint(owner->Hint());
    info.HideTimeout = Application->HintHidePause;
    bool canShow = owner->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
    if (Application->OnShowHint) Application->OnShowHint(info.HintStr, canShow, info);
    if (!canShow || info.HintStr.empty()) return;
    // The application's hint-window class makes the window; a new class takes effect here.
    THintWindowClass windowClass = Application->HintWindowClass();
    if (window_ && windowClass.ClassName != windowClassName_) window_.reset();
    if (!window_) {
        window_.reset(windowClass.Create ? windowClass.Create(nullptr) : new THintWindow(nullptr));
        windowClassName_ = windowClass.ClassName;
    }
    window_->SetColor(info.HintColor);
    RECT r = window_->CalcHintRect(info.HintMaxWidth, info.HintStr);
    OffsetRect(&r, info.HintPos.x, info.HintPos.y);
    window_->ActivateHint(r, info.HintStr);
    if (info.HideTimeout > 0) SetTimer(timerWindow_, kHideTimer, static_cast<UINT>(info.HideTimeout), nullptr);
}

void THintController::TimerTick(TMessage& message) {
    if (message.Msg != WM_TIMER) {
        message.Result = DefWindowProc(timerWindow_, message.Msg, message.WParam, message.LParam);
        return;
    }
    KillTimer(timerWindow_, message.WParam);
    if (message.WParam == kShowTimer) {
        showTimerRunning_ = false;
        ShowHintNow();
    } else if (message.WParam == kHideTimer && window_) {
        window_->ReleaseHandle();
    }
}

}  // namespace parch
