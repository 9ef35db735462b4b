#include "framework/Scrolling.h"

#include "framework/PropertyText.h"
#include "platform/gdi/Rects.h"
#include "platform/win/WinApi.h"

namespace parch {

int TControlScrollBar::Bar() const {
    return kind_ == sbHorizontal ? SB_HORZ : SB_VERT;
}

int TControlScrollBar::ControlSize() const {
    RECT client = control_.ClientRect();
    return kind_ == sbHorizontal ? client.right : client.bottom;
}

int TControlScrollBar::MaxPosition() const {
    return std::max(0, range_ - ControlSize());
}

bool TControlScrollBar::IsScrollBarVisible() const {
    return visible_ && range_ > ControlSize();
}

void TControlScrollBar::SetRange(int value) {
    control_.autoScroll_ = false;
    range_ = std::max(value, 0);
    control_.UpdateScrollBars();
}

void TControlScrollBar::SetAutoRange(int value) {
    range_ = std::max(value, 0);
}

void TControlScrollBar::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    control_.UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int value) {
    value = std::clamp(value, 0, MaxPosition());
    if (value == position_) return;
    int delta = position_ - value;
    position_ = value;
    if (kind_ == sbHorizontal)
        control_.ScrollBy(delta, 0);
    else
        control_.ScrollBy(0, delta);
    Update();
}

void TControlScrollBar::Update() {
    if (position_ > MaxPosition()) SetPosition(MaxPosition());
    if (!control_.HandleAllocated()) return;
    SCROLLINFO info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    if (visible_) {
        info.nMax = std::max(range_ - 1, 0);
        info.nPage = static_cast<UINT>(std::max(ControlSize(), 0));
        info.nPos = position_;
    } else {
        info.nMax = 0;
        info.nPage = 1;  // a page larger than the range hides the bar
        info.nPos = 0;
    }
    SetScrollInfo(control_.Handle(), Bar(), &info, 1);
}

void TControlScrollBar::ScrollMessage(TMessage& message) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    GetScrollInfo(control_.Handle(), Bar(), &info);
    switch (LOWORD(message.WParam)) {
    case SB_LINEUP:
        SetPosition(position_ - increment_);
        break;
    case SB_LINEDOWN:
        SetPosition(position_ + increment_);
        break;
    case SB_PAGEUP:
        SetPosition(position_ - ControlSize());
        break;
    case SB_PAGEDOWN:
        SetPosition(position_ + ControlSize());
        break;
    case SB_THUMBTRACK:
        lastTrackPos_ = info.nTrackPos;
        trackSeen_ = true;
        if (tracking_) SetPosition(info.nTrackPos);
        break;
    case SB_THUMBPOSITION:
        // The bar may have ended its drag already: the last position seen while dragging
        // is where the thumb was let go.
        SetPosition(trackSeen_ ? lastTrackPos_ : info.nTrackPos);
        trackSeen_ = false;
        break;
    case SB_TOP:
        SetPosition(0);
        break;
    case SB_BOTTOM:
        SetPosition(MaxPosition());
        break;
    case SB_ENDSCROLL:
        trackSeen_ = false;
        break;
    default:
        break;
    }
    message.Result = 0;
}

TScrollingWinControl::TScrollingWinControl(TComponent* owner) : TWinControl(owner) {}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool value) {
    if (value == autoScroll_) return;
    autoScroll_ = value;
    if (!value) {
        horz_.SetAutoRange(0);
        vert_.SetAutoRange(0);
    }
    UpdateScrollBars();
}

void TScrollingWinControl::CalcAutoRange() {
    int right = 0, bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible() || (c->Align() != alNone && c->Align() != alCustom)) continue;
        right = std::max(right, c->Left() + c->Width() + horz_.position_);
        bottom = std::max(bottom, c->Top() + c->Height() + vert_.position_);
    }
    horz_.SetAutoRange(right);
    vert_.SetAutoRange(bottom);
}

void TScrollingWinControl::UpdateScrollBars() {
    if (updatingBars_) return;
    updatingBars_ = true;
    try {
        if (autoScroll_) CalcAutoRange();
        // Twice: a bar that appears narrows the other direction's visible extent.
        for (int pass = 0; pass < 2; ++pass) {
            horz_.Update();
            vert_.Update();
        }
    } catch (...) {
        updatingBars_ = false;
        throw;
    }
    updatingBars_ = false;
}

void TScrollingWinControl::ScrollBy(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    DisableAlign();
    try {
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* c = Controls(i);
            c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
        }
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
    Invalidate();
}

void TScrollingWinControl::ScrollInView(TControl* control) {
    if (!ContainsControl(control)) return;
    RECT r = control->BoundsRect();
    for (TWinControl* p = control->Parent(); p && p != this; p = p->Parent()) OffsetRect(&r, p->Left(), p->Top());
    auto bringIn = [](TControlScrollBar& bar, int low, int high) {
        int size = bar.ControlSize();
        if (low < 0) {
            bar.SetPosition(bar.Position() + low);
        } else if (high > size) {
            if (high - low > size) high = low + size;  // the start shows when not all fits
            bar.SetPosition(bar.Position() + high - size);
        }
    };
    bringIn(horz_, r.left, r.right);
    bringIn(vert_, r.top, r.bottom);
}

void TScrollingWinControl::AdjustClientRect(RECT& rect) {
    TWinControl::AdjustClientRect(rect);
    OffsetRect(&rect, -horz_.position_, -vert_.position_);
}

void TScrollingWinControl::ControlsAligned() {
    UpdateScrollBars();
}

void TScrollingWinControl::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (message.LParam) break;  // a scroll-bar control's notification: reflected to it
        (message.Msg == WM_HSCROLL ? horz_ : vert_).ScrollMessage(message);
        return;
    case WM_SIZE:
        TWinControl::Dispatch(message);
        // A bar coming or going changes the client area without moving the window.
        if (!updatingBars_) Realign();
        return;
    default:
        break;
    }
    TWinControl::Dispatch(message);
}

void TScrollingWinControl::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "AutoScroll")) return SetAutoScroll(PropertyBool(name, value));
    if (SameText(name, "HorzScrollBar.Range")) return horz_.SetRange(PropertyInt(name, value));
    if (SameText(name, "VertScrollBar.Range")) return vert_.SetRange(PropertyInt(name, value));
    if (SameText(name, "HorzScrollBar.Position")) return horz_.SetPosition(PropertyInt(name, value));
    if (SameText(name, "VertScrollBar.Position")) return vert_.SetPosition(PropertyInt(name, value));
    if (SameText(name, "HorzScrollBar.Increment")) return horz_.SetIncrement(PropertyInt(name, value));
    if (SameText(name, "VertScrollBar.Increment")) return vert_.SetIncrement(PropertyInt(name, value));
    if (SameText(name, "HorzScrollBar.Visible")) return horz_.SetVisible(PropertyBool(name, value));
    if (SameText(name, "VertScrollBar.Visible")) return vert_.SetVisible(PropertyBool(name, value));
    if (SameText(name, "HorzScrollBar.Tracking")) return horz_.SetTracking(PropertyBool(name, value));
    if (SameText(name, "VertScrollBar.Tracking")) return vert_.SetTracking(PropertyBool(name, value));
    TWinControl::SetPropertyText(name, value);
}

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetColor(clBtnFace);
    StoreBounds(0, 0, 185, 41);
}

void TScrollBox::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& params) {
    TScrollingWinControl::CreateParams(params);
    if (borderStyle_ == bsSingle) {
        if (Ctl3D())
            params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            params.Style |= WS_BORDER;
    }
}

void TScrollBox::Dispatch(TMessage& message) {
    // The 3-D look is the border's window style: the window is made anew.
    if (message.Msg == CM_CTL3DCHANGED && borderStyle_ == bsSingle) RecreateWnd();
    TScrollingWinControl::Dispatch(message);
}

void TScrollBox::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "BorderStyle"))
        return SetBorderStyle(PropertyEnum<TBorderStyle>(name, value, {{"bsNone", bsNone}, {"bsSingle", bsSingle}}));
    TScrollingWinControl::SetPropertyText(name, value);
}

TCustomFrame::TCustomFrame(TComponent* owner) : TScrollingWinControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetColor(clBtnFace);
    StoreBounds(0, 0, 320, 240);
}

}  // namespace parch
