#pragma once
// What the skin engine asks of the skinned controls (skin/controls). The controls register
// their implementation at start; while none is registered the framework's own dialogs serve.

#include <string>

#include "framework/MessageDialogs.h"

namespace parch {

class TsControlServices {
public:
    virtual ~TsControlServices() = default;
    // The skinned message box, shown modally; answers the button chosen.
    virtual TModalResult MessageBoxDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
};

// The registered services; nullptr while none are registered.
TsControlServices* ControlServices();
// Registers the services (not owned; nullptr unregisters). Returns the previous ones.
TsControlServices* SetControlServices(TsControlServices* services);

// The skinned message box (the framework's message dialog while none is registered), of the
// error kind, with an OK button.
void ShowErrorMessage(const std::string& text);

}  // namespace parch
