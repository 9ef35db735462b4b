// The standard one-line input query: a plain form with the prompt, the edit, OK and Cancel.

#include <algorithm>

#include "framework/DialogLayout.h"
#include "framework/MessageDialogs.h"
#include "framework/StdCtrls.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace input_query {

using namespace dialog_layout;

// Gaps of the query in pixels: prompt to edit, edit to buttons, buttons to the bottom edge.
constexpr int kPromptToEdit = 5;
constexpr int kEditToButtons = 15;
constexpr int kBelowButtons = 13;

// Lays the query out from the prompt down; the prompt wraps within the usual width, and a
// word wider than that (a long path) widens the form so that nothing is cut off, as far as the
// work area allows.
void LayOutQuery(TForm& form, TLabel& prompt, TEdit& edit, TButton& ok, TButton& cancel) {
    const TDialogMetrics metrics(form.Font());
    const int margin = metrics.Across(8);
    const int promptTop = metrics.Down(8);
    const int buttonWidth = metrics.Across(50);
    const int buttonHeight = metrics.Down(14);
    const int gap = metrics.Across(4);

    const SIZE frame{form.Width() - form.ClientWidth(), form.Height() - form.ClientHeight()};
    const SIZE aroundText{frame.cx + 2 * margin, frame.cy + promptTop + kPromptToEdit + edit.Height() +
                                                     kEditToButtons + buttonHeight + kBelowButtons};
    const SIZE text =
        FitOnWorkArea(TextExtent(form.Font(), prompt.Caption(), metrics.Across(164), kMessageTextFlags), aroundText);
    const SIZE caption = FitOnWorkArea({CaptionClientWidth(form.Caption()), 0}, frame);
    const int clientWidth =
        std::max({metrics.Across(180), static_cast<int>(text.cx) + 2 * margin, static_cast<int>(caption.cx)});

    prompt.SetBounds(margin, promptTop, text.cx, text.cy);
    edit.SetBounds(margin, prompt.Top() + prompt.Height() + kPromptToEdit, clientWidth - 2 * margin, edit.Height());
    const int buttonTop = edit.Top() + edit.Height() + kEditToButtons;
    const int left = (clientWidth - 2 * buttonWidth - gap) / 2;
    ok.SetBounds(left, buttonTop, buttonWidth, buttonHeight);
    cancel.SetBounds(left + buttonWidth + gap, buttonTop, buttonWidth, buttonHeight);
    form.SetClientSize(clientWidth, buttonTop + buttonHeight + kBelowButtons);
}

TButton* NewQueryButton(TForm& form, const char* caption, TModalResult result) {
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetCaption(caption);
    button->SetModalResult(result);
    return button;
}

}  // namespace input_query

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
    using namespace input_query;
    TForm form(nullptr);
    form.SetBorderStyle(bsDialog);
    form.SetCaption(caption);
    form.SetPosition(poScreenCenter);
    UseMessageFont(form.Font());

    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    // Prompts name paths and other text of the user's: an '&' is shown, not taken as a key.
    label->SetShowAccelChar(false);
    label->SetCaption(prompt);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetAutoSize(true);
    edit->SetText(value);
    TButton* ok = NewQueryButton(form, "OK", mrOk);
    ok->SetDefault(true);
    TButton* cancel = NewQueryButton(form, "Cancel", mrCancel);
    cancel->SetCancel(true);
    LayOutQuery(form, *label, *edit, *ok, *cancel);
    form.SetActiveControl(edit);
    // Typing replaces the value; the form's first focus does not select it.
    edit->SelectAll();

    if (form.ShowModal() != mrOk) return false;
    value = edit->Text();
    return true;
}

std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultValue) {
    std::string value = defaultValue;
    InputQuery(caption, prompt, value);
    return value;
}

}  // namespace parch
