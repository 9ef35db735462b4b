#pragma once
// The framework's message dialogs and input queries: modal forms built of the standard
// controls. A message dialog is a form of the class "TMessageForm" (the skinning hook tells it
// from the program's own forms by that name) with the caption and icon of its kind, the message
// wrapped to a readable width and its buttons in a fixed order. An input query is a plain form
// with a prompt, a one-line edit, OK and Cancel; the edit is a direct child of the form, so a
// handler of the screen's OnActiveFormChange finds it among the active form's controls.

#include <initializer_list>
#include <memory>
#include <string>

#include "framework/Forms.h"

namespace parch {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
using enum TMsgDlgType;

// The buttons in the order a dialog shows them.
enum class TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using enum TMsgDlgBtn;

// A set of buttons; the order it is written in does not matter.
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons() = default;
    constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
        for (TMsgDlgBtn button : buttons) bits_ |= Bit(button);
    }
    constexpr bool Contains(TMsgDlgBtn button) const { return (bits_ & Bit(button)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Include(TMsgDlgBtn button) { bits_ |= Bit(button); }
    constexpr bool operator==(const TMsgDlgButtons&) const = default;

private:
    static constexpr unsigned Bit(TMsgDlgBtn button) { return 1u << static_cast<unsigned>(button); }
    unsigned bits_ = 0;
};

// A message dialog ready to be shown modally, centred on the screen. Its caption is the kind's
// ("Warning", "Error", "Information", "Confirm"; the application's title for mtCustom). Enter
// presses the default button (OK, else Yes, else Retry, else the first one), Escape and the
// close command the cancel button (Cancel, else No, else OK; without one they do nothing). A
// set without a button that closes the dialog gets OK. The Help button keeps the dialog open
// and sends WM_HELP to the application window.
std::unique_ptr<TForm> CreateMessageDialog(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons);
// Shows a message dialog centred on the screen; answers the modal result of the button chosen
// (mrYes, mrOk...). helpCtx is the context id the Help button's WM_HELP carries.
TModalResult MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx);
// As MessageDlg, with the dialog's top-left corner at x, y on the screen; a negative coordinate
// centres the dialog along that axis.
TModalResult MessageDlgPos(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx, int x,
                           int y);

// Asks for one line of text: true with the text in value when the user confirmed with OK;
// false with value unchanged when the query was cancelled.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
// The text entered, or defaultValue when the query was cancelled.
std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& defaultValue);

}  // namespace parch
