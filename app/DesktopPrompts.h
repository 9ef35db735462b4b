#pragma once
// Everything Parchdesk asks the user in a modal dialog goes through one object, so that the
// program's texts and answers can be followed in tests without driving the dialogs' loops.

#include "framework/MessageDialogs.h"

#include <string>
#include <vector>

namespace parch {

class DesktopPrompts {
public:
    virtual ~DesktopPrompts() = default;
    // A message dialog centred on the main window (or the screen); answers the modal result.
    virtual TModalResult Message(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);
    // The masked one-line password prompt; true with value set when confirmed.
    virtual bool AskPassword(const std::string& caption, const std::string& prompt, std::string& value);
    // The standard one-line input query; true with value set when confirmed.
    virtual bool AskText(const std::string& caption, const std::string& prompt, std::string& value);
    // Files chosen in an open dialog (empty when cancelled).
    virtual std::vector<std::string> ChooseFiles(const std::string& title, const std::string& filter, bool several);
    // A folder chosen for adding or for the output (empty when cancelled).
    virtual std::string ChooseFolder(const std::string& title);
    // A file name for saving a list (empty when cancelled).
    virtual std::string ChooseSaveFile(const std::string& title, const std::string& filter);
};

}  // namespace parch
