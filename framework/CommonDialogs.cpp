#include "framework/CommonDialogs.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Screen.h"
#include "platform/win/FileDialogs.h"

namespace parch {

namespace common_dialogs {

// Room for one path, and for the long lists a multi-select may give.
constexpr std::size_t kSingleFileBuffer = 4096;
constexpr std::size_t kMultipleFileBuffer = 1 << 20;

struct OptionFlag {
    TOpenOptions option;
    DWORD flag;
};
constexpr OptionFlag kOptionFlags[] = {
    {ofReadOnly, OFN_READONLY},
    {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
    {ofHideReadOnly, OFN_HIDEREADONLY},
    {ofNoChangeDir, OFN_NOCHANGEDIR},
    {ofShowHelp, OFN_SHOWHELP},
    {ofNoValidate, OFN_NOVALIDATE},
    {ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
    {ofPathMustExist, OFN_PATHMUSTEXIST},
    {ofFileMustExist, OFN_FILEMUSTEXIST},
    {ofCreatePrompt, OFN_CREATEPROMPT},
    {ofShareAware, OFN_SHAREAWARE},
    {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
    {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
    {ofNoNetworkButton, OFN_NONETWORKBUTTON},
    {ofNoLongNames, OFN_NOLONGNAMES},
    {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
    {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
    {ofEnableSizing, OFN_ENABLESIZING},
    {ofDontAddToRecent, OFN_DONTADDTORECENT},
    {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
};

DWORD FlagsOf(TOpenOptions options) {
    DWORD flags = OFN_EXPLORER;  // the layout of the results read back below
    for (const OptionFlag& pair : kOptionFlags)
        if (options & pair.option) flags |= pair.flag;
    return flags;
}

// "a|b|c|d" as the system wants it: each part NUL-ended, and a final NUL.
std::string FilterPairs(const std::string& filter) {
    if (filter.empty()) return {};
    std::string pairs = filter;
    for (char& c : pairs)
        if (c == '|') c = '\0';
    pairs += '\0';
    pairs += '\0';
    return pairs;
}

// Tells the application a modal dialog runs, for as long as it does.
class ModalScope {
public:
    ModalScope() {
        if (Application) Application->ModalStarted();
    }
    ~ModalScope() {
        if (Application) Application->ModalFinished();
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

}  // namespace common_dialogs

using namespace common_dialogs;

TCommonDialog::TCommonDialog(TComponent* owner) : TComponent(owner) {}

bool TCommonDialog::Execute() { return Execute(DefaultParentWindow()); }

HWND TCommonDialog::DefaultParentWindow() {
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated()) return Screen->ActiveForm()->Handle();
    return Application ? Application->Handle() : nullptr;
}

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner), files_(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute(HWND parentWindow) { return DoExecute(parentWindow, false); }

bool TOpenDialog::DoExecute(HWND parentWindow, bool save) {
    const std::size_t room = (options_ & ofAllowMultiSelect) ? kMultipleFileBuffer : kSingleFileBuffer;
    std::vector<char> buffer(std::max(room, fileName_.size() + 1), '\0');
    std::memcpy(buffer.data(), fileName_.data(), fileName_.size());
    const std::string filter = FilterPairs(filter_);

    OPENFILENAME ofn;
    ofn.hwndOwner = parentWindow;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = filterIndex_ > 0 ? static_cast<DWORD>(filterIndex_) : 0;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
    ofn.Flags = FlagsOf(options_);

    BOOL chosen = 0;
    {
        ModalScope modal;
        chosen = save ? GetSaveFileName(&ofn) : GetOpenFileName(&ofn);
    }
    if (!chosen) {
        const DWORD error = CommDlgExtendedError();
        if (error == FNERR_BUFFERTOOSMALL)
            throw ECommonDialogError("The names of the chosen files are too long to be taken over.");
        if (error != 0) throw ECommonDialogError("The file dialog could not be shown (error " + std::to_string(error) + ").");
        return false;
    }
    ReadChoice(std::string(buffer.data(), buffer.size()), ofn.nFileOffset);
    filterIndex_ = static_cast<int>(ofn.nFilterIndex);
    options_ = (ofn.Flags & OFN_EXTENSIONDIFFERENT) ? options_ | ofExtensionDifferent : options_ & ~ofExtensionDifferent;
    return true;
}

// One path, or (several files) the folder, NUL, the names, each NUL-ended, and a NUL.
void TOpenDialog::ReadChoice(const std::string& result, std::size_t nameOffset) {
    files_->Clear();
    const std::string first(result.c_str());
    if (nameOffset > 0 && nameOffset < result.size() && result[nameOffset - 1] == '\0') {
        for (std::size_t at = nameOffset; at < result.size() && result[at] != '\0';) {
            const std::string name(result.c_str() + at);
            files_->Add(InFolder(first, name));
            at += name.size() + 1;
        }
    } else {
        files_->Add(first);
    }
    fileName_ = files_->Count() > 0 ? files_->Strings(0) : std::string();
}

TSaveDialog::TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}

bool TSaveDialog::Execute(HWND parentWindow) { return DoExecute(parentWindow, true); }

}  // namespace parch
