#include "app/DesktopPrompts.h"

#include "app/PasswordInputQuery.h"
#include "framework/CommonDialogs.h"
#include "platform/os/Files.h"

namespace parch {

TModalResult DesktopPrompts::Message(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
    return MessageDlg(text, type, buttons, 0);
}

bool DesktopPrompts::AskText(const std::string& caption, const std::string& prompt, std::string& value) {
    return InputQuery(caption, prompt, value);
}

bool DesktopPrompts::AskPassword(const std::string& caption, const std::string& prompt, std::string& value) {
    return TMyInputQuery().InputQuery(caption, prompt, value);
}

std::vector<std::string> DesktopPrompts::ChooseFiles(const std::string& title, const std::string& filter,
                                                     bool several) {
    TOpenDialog dialog(nullptr);
    dialog.SetTitle(title);
    dialog.SetFilter(filter);
    dialog.SetOptions(ofPathMustExist | ofFileMustExist | (several ? ofAllowMultiSelect : 0));
    std::vector<std::string> files;
    if (!dialog.Execute()) return files;
    for (int i = 0; i < dialog.Files().Count(); ++i) files.push_back(dialog.Files().Strings(i));
    if (files.empty() && !dialog.FileName().empty()) files.push_back(dialog.FileName());
    return files;
}

// Until the folder dialog of the skinned controls exists, a folder is chosen with the open
// dialog: the folder of the file picked, or the folder typed as the name.
std::string DesktopPrompts::ChooseFolder(const std::string& title) {
    TOpenDialog dialog(nullptr);
    dialog.SetTitle(title);
    dialog.SetOptions(ofPathMustExist | ofNoValidate);
    if (!dialog.Execute()) return {};
    const std::string chosen = dialog.FileName();
    return DirectoryExists(chosen) ? chosen : ExtractFilePath(chosen);
}

std::string DesktopPrompts::ChooseSaveFile(const std::string& title, const std::string& filter) {
    TSaveDialog dialog(nullptr);
    dialog.SetTitle(title);
    dialog.SetFilter(filter);
    return dialog.Execute() ? dialog.FileName() : std::string();
}

}  // namespace parch
