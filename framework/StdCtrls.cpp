#include "framework/StdCtrls.h"

#include "framework/PropertyText.h"
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

}  // namespace parch
