#include "app/PasswordInputQuery.h"

#include "framework/Forms.h"
#include "framework/MessageDialogs.h"
#include "framework/Screen.h"
#include "framework/StdCtrls.h"

namespace parch {

namespace {

void SetPasswordCharOfEdits(TCustomForm* form, char32_t passwordChar) {
    if (!form) return;
    for (int i = 0; i < form->ControlCount(); ++i)
        if (auto* edit = dynamic_cast<TCustomEdit*>(form->Controls(i))) edit->SetPasswordChar(passwordChar);
}

// Installs the screen's active-form handler that masks the query's edit, and puts the
// remembered one back on every path out.
class MaskingActiveForms {
public:
    MaskingActiveForms() : saved_(Screen->OnActiveFormChange) {
        Screen->OnActiveFormChange = [](TObject*) { SetPasswordCharOfEdits(Screen->ActiveForm(), U'*'); };
    }
    ~MaskingActiveForms() {
        Screen->OnActiveFormChange = saved_;
        SetPasswordCharOfEdits(Screen->ActiveForm(), 0);
    }
    MaskingActiveForms(const MaskingActiveForms&) = delete;
    MaskingActiveForms& operator=(const MaskingActiveForms&) = delete;

private:
    TNotifyEvent saved_;
};

}  // namespace

bool TMyInputQuery::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
    const MaskingActiveForms masking;
    return parch::InputQuery(caption, prompt, value);
}

}  // namespace parch
