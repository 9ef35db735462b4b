#include "framework/UpDown.h"

#include <algorithm>

#include "framework/PropertyText.h"
#include "platform/win/CommonControls.h"
#include "platform/win/TrackBarClass.h"
#include "platform/win/UpDownClass.h"
#include "platform/win/WinApi.h"

namespace parch {

// ---- TCustomUpDown

TCustomUpDown::TCustomUpDown(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(csCaptureMouse | csDoubleClicks);
    StoreBounds(0, 0, 17, 24);
}

// The associate may be gone already (its owner frees its components without a word to each
// other); the component base ends the notifications both ways.
TCustomUpDown::~TCustomUpDown() = default;

void TCustomUpDown::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "msctls_updown32");
    params.Style |= UDS_SETBUDDYINT | (alignButton_ == udLeft ? UDS_ALIGNLEFT : UDS_ALIGNRIGHT);
    if (orientation_ == udHorizontal) params.Style |= UDS_HORZ;
    if (arrowKeys_) params.Style |= UDS_ARROWKEYS;
    if (!thousands_) params.Style |= UDS_NOTHOUSANDS;
    if (wrap_) params.Style |= UDS_WRAP;
}

void TCustomUpDown::CreateWnd() {
    TWinControl::CreateWnd();
    ApplyRange();
    ApplyIncrement();
    SendMessage(Handle(), UDM_SETPOS32, 0, position_);
    if (associate_) SendMessage(Handle(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(associate_->Handle()), 0);
}

void TCustomUpDown::ApplyRange() {
    if (HandleAllocated()) SendMessage(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TCustomUpDown::ApplyIncrement() {
    if (!HandleAllocated()) return;
    UDACCEL accel;
    accel.nInc = static_cast<UINT>(increment_);
    SendMessage(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void TCustomUpDown::SetAssociate(TWinControl* value) {
    if (value == associate_ || value == this) return;
    if (associate_) associate_->RemoveFreeNotification(this);
    associate_ = value;
    if (associate_) associate_->FreeNotification(this);
    if (!HandleAllocated()) return;
    SendMessage(Handle(), UDM_SETBUDDY, associate_ ? reinterpret_cast<WPARAM>(associate_->Handle()) : 0, 0);
}

void TCustomUpDown::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == associate_) {
        associate_ = nullptr;
        if (HandleAllocated()) SendMessage(Handle(), UDM_SETBUDDY, 0, 0);
    }
}

void TCustomUpDown::SetMin(int value) {
    min_ = value;
    max_ = std::max(max_, min_);
    position_ = std::clamp(position_, min_, max_);
    ApplyRange();
    SetPosition(position_);
}

void TCustomUpDown::SetMax(int value) {
    max_ = value;
    min_ = std::min(min_, max_);
    position_ = std::clamp(position_, min_, max_);
    ApplyRange();
    SetPosition(position_);
}

int TCustomUpDown::Position() {
    if (HandleAllocated()) position_ = static_cast<int>(SendMessage(Handle(), UDM_GETPOS32, 0, 0));
    return position_;
}

void TCustomUpDown::SetPosition(int value) {
    position_ = std::clamp(value, min_, max_);
    if (HandleAllocated()) SendMessage(Handle(), UDM_SETPOS32, 0, position_);
}

void TCustomUpDown::SetIncrement(int value) {
    increment_ = std::max(value, 1);
    ApplyIncrement();
}

void TCustomUpDown::SetOrientation(TUDOrientation value) {
    if (value == orientation_) return;
    orientation_ = value;
    if (!(ComponentState() & csLoading)) SetBounds(Left(), Top(), Height(), Width());
    RecreateWnd();
}

void TCustomUpDown::SetAlignButton(TUDAlignButton value) {
    if (value == alignButton_) return;
    alignButton_ = value;
    RecreateWnd();
}

void TCustomUpDown::SetArrowKeys(bool value) {
    if (value == arrowKeys_) return;
    arrowKeys_ = value;
    RecreateWnd();
}

void TCustomUpDown::SetThousands(bool value) {
    if (value == thousands_) return;
    thousands_ = value;
    RecreateWnd();
}

void TCustomUpDown::SetWrap(bool value) {
    if (value == wrap_) return;
    wrap_ = value;
    RecreateWnd();
}

bool TCustomUpDown::DoCanChange(int newValue, int delta) {
    bool allowChange = true;
    if (OnChangingEx) OnChangingEx(this, allowChange, newValue, delta > 0 ? updUp : delta < 0 ? updDown : updNone);
    if (allowChange && OnChanging) OnChanging(this, allowChange);
    return allowChange;
}

void TCustomUpDown::Click(TUDBtnType button) {
    if (OnClick) OnClick(this, button);
}

void TCustomUpDown::ScrollMessage(TMessage& message) {
    message.Result = 0;
    if (LOWORD(message.WParam) != SB_THUMBPOSITION) return;
    const int previous = position_;
    const int now = Position();
    if (now == previous) return;
    // The step's own direction: a wrap from the top to the bottom is still a step up.
    Click(lastDelta_ > 0 ? btNext : lastDelta_ < 0 ? btPrev : now > previous ? btNext : btPrev);
}

void TCustomUpDown::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case CN_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(message.LParam);
            if (!header || header->code != UDN_DELTAPOS) return;
            auto* note = reinterpret_cast<NMUPDOWN*>(header);
            const long long target = static_cast<long long>(note->iPos) + note->iDelta;
            const int newValue = static_cast<int>(std::clamp<long long>(target, INT32_MIN, INT32_MAX));
            lastDelta_ = note->iDelta;
            message.Result = DoCanChange(newValue, note->iDelta) ? 0 : 1;
            return;
        }
        case CN_HSCROLL:
        case CN_VSCROLL:
            ScrollMessage(message);
            return;
        default:
            TWinControl::Dispatch(message);
    }
}

void TCustomUpDown::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Min")) return SetMin(PropertyInt(name, value));
    if (SameText(name, "Max")) return SetMax(PropertyInt(name, value));
    if (SameText(name, "Position")) return SetPosition(PropertyInt(name, value));
    if (SameText(name, "Increment")) return SetIncrement(PropertyInt(name, value));
    if (SameText(name, "ArrowKeys")) return SetArrowKeys(PropertyBool(name, value));
    if (SameText(name, "Thousands")) return SetThousands(PropertyBool(name, value));
    if (SameText(name, "Wrap")) return SetWrap(PropertyBool(name, value));
    if (SameText(name, "Orientation"))
        return SetOrientation(
            PropertyEnum<TUDOrientation>(name, value, {{"udHorizontal", udHorizontal}, {"udVertical", udVertical}}));
    if (SameText(name, "AlignButton"))
        return SetAlignButton(PropertyEnum<TUDAlignButton>(name, value, {{"udLeft", udLeft}, {"udRight", udRight}}));
    TWinControl::SetPropertyText(name, value);
}

void TCustomUpDown::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnClick")) return AssignEvent(OnClick, name, handler);
    if (SameText(name, "OnChanging")) return AssignEvent(OnChanging, name, handler);
    if (SameText(name, "OnChangingEx")) return AssignEvent(OnChangingEx, name, handler);
    TWinControl::SetEvent(name, handler);
}

// ---- TTrackBar

TTrackBar::TTrackBar(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks);
    SetTabStop(true);
    SetColor(clBtnFace);
    SetParentColor(false);
    StoreBounds(0, 0, 150, 45);
}

void TTrackBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, TRACKBAR_CLASS);
    params.Style |= TBS_FIXEDLENGTH | TBS_ENABLESELRANGE;
    if (orientation_ == trVertical) params.Style |= TBS_VERT;
    static constexpr DWORD kTickMarks[] = {TBS_BOTTOM, TBS_TOP, TBS_BOTH};
    params.Style |= kTickMarks[static_cast<int>(tickMarks_)];
    if (tickStyle_ == tsNone) params.Style |= TBS_NOTICKS;
    if (tickStyle_ == tsAuto) params.Style |= TBS_AUTOTICKS;
    if (!sliderVisible_) params.Style |= TBS_NOTHUMB;
}

void TTrackBar::CreateWnd() {
    TWinControl::CreateWnd();
    HWND hwnd = Handle();
    SendMessage(hwnd, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(thumbLength_), 0);
    SendMessage(hwnd, TBM_SETLINESIZE, 0, lineSize_);
    SendMessage(hwnd, TBM_SETPAGESIZE, 0, pageSize_);
    SendMessage(hwnd, TBM_SETRANGEMIN, 0, min_);
    SendMessage(hwnd, TBM_SETRANGEMAX, 0, max_);
    ApplySelection();
    SendMessage(hwnd, TBM_SETPOS, 1, position_);
    SendMessage(hwnd, TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 1);
}

void TTrackBar::SetRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, min_, max_);
    if (!HandleAllocated()) return;
    SendMessage(Handle(), TBM_SETRANGEMIN, 0, min_);
    SendMessage(Handle(), TBM_SETRANGEMAX, 1, max_);
    SendMessage(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 1);
}

void TTrackBar::SetMin(int value) { SetRange(value, std::max(value, max_)); }

void TTrackBar::SetMax(int value) { SetRange(std::min(min_, value), value); }

int TTrackBar::Position() {
    if (HandleAllocated()) position_ = static_cast<int>(SendMessage(Handle(), TBM_GETPOS, 0, 0));
    return position_;
}

void TTrackBar::SetPosition(int value) {
    value = std::clamp(value, min_, max_);
    if (value == Position()) return;
    position_ = value;
    if (HandleAllocated()) SendMessage(Handle(), TBM_SETPOS, 1, position_);
    Changed();
}

void TTrackBar::SetFrequency(int value) {
    frequency_ = std::max(value, 1);
    if (HandleAllocated()) SendMessage(Handle(), TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 1);
}

void TTrackBar::SetLineSize(int value) {
    lineSize_ = std::max(value, 0);
    if (HandleAllocated()) SendMessage(Handle(), TBM_SETLINESIZE, 0, lineSize_);
}

void TTrackBar::SetPageSize(int value) {
    pageSize_ = std::max(value, 0);
    if (HandleAllocated()) SendMessage(Handle(), TBM_SETPAGESIZE, 0, pageSize_);
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
    if (value == orientation_) return;
    orientation_ = value;
    if (!(ComponentState() & csLoading)) SetBounds(Left(), Top(), Height(), Width());
    RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark value) {
    if (value == tickMarks_) return;
    tickMarks_ = value;
    RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle value) {
    if (value == tickStyle_) return;
    tickStyle_ = value;
    RecreateWnd();
}

void TTrackBar::SetTick(int value) {
    if (HandleAllocated()) SendMessage(Handle(), TBM_SETTIC, 0, value);
}

void TTrackBar::ApplySelection() {
    if (!HandleAllocated()) return;
    if (selEnd_ > selStart_) {
        SendMessage(Handle(), TBM_SETSELSTART, 0, selStart_);
        SendMessage(Handle(), TBM_SETSELEND, 1, selEnd_);
    } else {
        SendMessage(Handle(), TBM_CLEARSEL, 1, 0);
    }
}

void TTrackBar::SetSelStart(int value) {
    selStart_ = value;
    ApplySelection();
}

void TTrackBar::SetSelEnd(int value) {
    selEnd_ = value;
    ApplySelection();
}

void TTrackBar::SetThumbLength(int value) {
    thumbLength_ = std::max(value, 1);
    if (HandleAllocated()) SendMessage(Handle(), TBM_SETTHUMBLENGTH, static_cast<WPARAM>(thumbLength_), 0);
}

void TTrackBar::SetSliderVisible(bool value) {
    if (value == sliderVisible_) return;
    sliderVisible_ = value;
    RecreateWnd();
}

void TTrackBar::Changed() {
    if (OnChange) OnChange(this);
}

void TTrackBar::Dispatch(TMessage& message) {
    if (message.Msg == CN_HSCROLL || message.Msg == CN_VSCROLL) {
        message.Result = 0;
        const int previous = position_;
        if (Position() != previous) Changed();
        return;
    }
    TWinControl::Dispatch(message);
}

void TTrackBar::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Min")) return SetMin(PropertyInt(name, value));
    if (SameText(name, "Max")) return SetMax(PropertyInt(name, value));
    if (SameText(name, "Position")) return SetPosition(PropertyInt(name, value));
    if (SameText(name, "Frequency")) return SetFrequency(PropertyInt(name, value));
    if (SameText(name, "LineSize")) return SetLineSize(PropertyInt(name, value));
    if (SameText(name, "PageSize")) return SetPageSize(PropertyInt(name, value));
    if (SameText(name, "ThumbLength")) return SetThumbLength(PropertyInt(name, value));
    if (SameText(name, "SliderVisible")) return SetSliderVisible(PropertyBool(name, value));
    if (SameText(name, "Orientation"))
        return SetOrientation(PropertyEnum<TTrackBarOrientation>(
            name, value, {{"trHorizontal", trHorizontal}, {"trVertical", trVertical}}));
    if (SameText(name, "TickMarks"))
        return SetTickMarks(PropertyEnum<TTickMark>(
            name, value, {{"tmBottomRight", tmBottomRight}, {"tmTopLeft", tmTopLeft}, {"tmBoth", tmBoth}}));
    if (SameText(name, "TickStyle"))
        return SetTickStyle(
            PropertyEnum<TTickStyle>(name, value, {{"tsNone", tsNone}, {"tsAuto", tsAuto}, {"tsManual", tsManual}}));
    TWinControl::SetPropertyText(name, value);
}

void TTrackBar::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnChange")) return AssignEvent(OnChange, name, handler);
    TWinControl::SetEvent(name, handler);
}

}  // namespace parch
