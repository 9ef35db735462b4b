#include "framework/StdCtrls.h"

#include "framework/ControlInternals.h"
#include "framework/PropertyText.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/DrawText.h"
#include "platform/win/WinApi.h"

namespace parch {

TButton::TButton(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() & ~csDoubleClicks);
    SetTabStop(true);
    SetColor(clBtnFace);
    StoreBounds(0, 0, 75, 25);
}

void TButton::Click() {
    if (TCustomForm* form = ParentForm(); form && modalResult_ != mrNone) form->SetModalResult(modalResult_);
    TCustomControl::Click();
}

void TButton::Paint() {
    RECT r = ClientRect();
    TCanvas& canvas = Canvas();
    canvas.Brush().SetColor(Color());
    canvas.Pen().SetColor(default_ ? clBlack : clBtnShadow);
    canvas.Rectangle(r);
    canvas.Brush().SetStyle(bsClear);
    RECT text = r;
    DrawText(canvas.Handle(), Caption().c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TButton::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CM_DIALOGKEY:
        if (((message.WParam == VK_RETURN && default_) || (message.WParam == VK_ESCAPE && cancel_)) && CanFocus() &&
            (KeyboardShiftState() & (ssCtrl | ssAlt)) == 0) {
            Click();
            message.Result = 1;
        }
        return;
    case WM_KEYDOWN:
        TCustomControl::Dispatch(message);
        if (message.WParam == VK_SPACE) Click();
        return;
    default:
        TCustomControl::Dispatch(message);
    }
}

void TButton::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Default")) return SetDefault(PropertyBool(name, value));
    if (SameText(name, "Cancel")) return SetCancel(PropertyBool(name, value));
    if (SameText(name, "ModalResult")) return SetModalResult(PropertyInt(name, value));
    TCustomControl::SetPropertyText(name, value);
}

bool IsAccel(char16_t key, const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;  // "&&" is a plain '&'
            continue;
        }
        auto c = static_cast<unsigned char>(caption[i + 1]);
        return c < 0x80 && key < 0x80 && std::tolower(c) == std::tolower(static_cast<int>(key));
    }
    return false;
}

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() | csOpaque | csReplicatable);
    StoreBounds(0, 0, 65, 17);
    SetAutoSize(true);
    SetParentColor(true);
}

TCustomLabel::~TCustomLabel() {
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
}

void TCustomLabel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    if (value == layout_) return;
    layout_ = value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
    SetControlStyle(value ? ControlStyle() & ~csOpaque : ControlStyle() | csOpaque);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    if (value == showAccelChar_) return;
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* control) {
    if (control == focusControl_) return;
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = control;
    if (control) control->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == focusControl_) focusControl_ = nullptr;
}

UINT TCustomLabel::TextFlags() const {
    static constexpr UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    return DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0) | kAlign[static_cast<int>(alignment_)];
}

void TCustomLabel::DoDrawText(RECT& rect, UINT flags) {
    std::string text = GetLabelText();
    // An empty line still has a height.
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    flags = DrawTextBiDiModeFlags(flags);
    TCanvas& canvas = Canvas();
    canvas.SetFont(Font());
    HDC dc = canvas.Handle();
    if (!Enabled() && !(flags & DT_CALCRECT)) {
        // Embossed: a light copy one pixel down and right under a shadowed one.
        OffsetRect(&rect, 1, 1);
        canvas.Font().SetColor(clBtnHighlight);
        DrawText(dc, text.c_str(), -1, &rect, flags);
        OffsetRect(&rect, -1, -1);
        canvas.Font().SetColor(clBtnShadow);
    }
    DrawText(dc, text.c_str(), -1, &rect, flags);
}

void TCustomLabel::Paint() {
    TCanvas& canvas = Canvas();
    RECT r = ClientRect();
    if (!Transparent()) {
        canvas.Brush().SetColor(Color());
        canvas.FillRect(r);
    }
    canvas.Brush().SetStyle(bsClear);
    UINT flags = TextFlags();
    if (layout_ != tlTop) {
        RECT measured = r;
        DoDrawText(measured, flags | DT_CALCRECT);
        int free = r.bottom - measured.bottom;
        OffsetRect(&r, 0, layout_ == tlBottom ? free : free / 2);
    }
    DoDrawText(r, flags);
}

RECT TCustomLabel::MeasureText() {
    RECT r = ClientRect();
    HDC dc = GetDC(nullptr);
    try {
        PaintOnCanvas(Canvas(), dc, Font(), [&] { DoDrawText(r, TextFlags() | DT_CALCRECT); });
    } catch (...) {
        ReleaseDC(nullptr, dc);
        throw;
    }
    ReleaseDC(nullptr, dc);
    return r;
}

bool TCustomLabel::CanAutoSize(int& width, int& height) {
    RECT r = MeasureText();
    width = r.right - r.left;
    height = r.bottom - r.top;
    return true;
}

void TCustomLabel::AdjustBounds() {
    if (!AutoSize() || (ComponentState() & csLoading)) return;
    RECT r = MeasureText();
    int width = r.right - r.left;
    int x = Left();
    TAlignment aligned = alignment_;
    if (UseRightToLeftAlignment() && aligned != taCenter) aligned = aligned == taLeftJustify ? taRightJustify : taLeftJustify;
    if (aligned == taRightJustify) x += Width() - width;  // the right edge stays
    SetBounds(x, Top(), width, r.bottom - r.top);
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        return;
    case CM_DIALOGCHAR:
        if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(static_cast<char16_t>(message.WParam), Caption()) &&
            focusControl_->CanFocus()) {
            focusControl_->SetFocus();
            message.Result = 1;
        }
        return;
    default:
        TGraphicControl::Dispatch(message);
    }
}

void TCustomLabel::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Alignment"))
        return SetAlignment(PropertyEnum<TAlignment>(
            name, value, {{"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}}));
    if (SameText(name, "Layout"))
        return SetLayout(
            PropertyEnum<TTextLayout>(name, value, {{"tlTop", tlTop}, {"tlCenter", tlCenter}, {"tlBottom", tlBottom}}));
    if (SameText(name, "WordWrap")) return SetWordWrap(PropertyBool(name, value));
    if (SameText(name, "Transparent")) return SetTransparent(PropertyBool(name, value));
    if (SameText(name, "ShowAccelChar")) return SetShowAccelChar(PropertyBool(name, value));
    TGraphicControl::SetPropertyText(name, value);
}

}  // namespace parch
