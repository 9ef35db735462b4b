#pragma once
// The standard controls: TButton.

#include <string>

#include "framework/CustomControls.h"
#include "framework/Forms.h"

namespace parch {

// A push button that can be the form's default (Enter) or cancel (Escape) button and sets
// the form's ModalResult when clicked.
class TButton : public TCustomControl {
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return default_; }
    void SetDefault(bool value) { default_ = value; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    void Click() override;
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void Paint() override;
    void Dispatch(TMessage& message) override;

private:
    bool default_ = false;
    bool cancel_ = false;
    TModalResult modalResult_ = mrNone;
};

}  // namespace parch
