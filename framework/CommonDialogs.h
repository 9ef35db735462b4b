#pragma once
// The framework's file dialogs: components that run the system's open and save dialogs
// (GetOpenFileName, GetSaveFileName) owned by the active form's window, and read back what
// the user chose.

#include <memory>
#include <string>

#include "base/Classes.h"
#include "base/StringList.h"
#include "base/SysUtils.h"
#include "platform/win/WinUser.h"

namespace parch {

// The system's dialog failed, or what was chosen could not be handed over.
class ECommonDialogError : public Exception {
public:
    using Exception::Exception;
};

// The options of the open and save dialogs, each one bit.
using TOpenOptions = unsigned;
constexpr TOpenOptions ofReadOnly = 1u << 0;
constexpr TOpenOptions ofOverwritePrompt = 1u << 1;
constexpr TOpenOptions ofHideReadOnly = 1u << 2;
constexpr TOpenOptions ofNoChangeDir = 1u << 3;
constexpr TOpenOptions ofShowHelp = 1u << 4;
constexpr TOpenOptions ofNoValidate = 1u << 5;
constexpr TOpenOptions ofAllowMultiSelect = 1u << 6;
constexpr TOpenOptions ofExtensionDifferent = 1u << 7;
constexpr TOpenOptions ofPathMustExist = 1u << 8;
constexpr TOpenOptions ofFileMustExist = 1u << 9;
constexpr TOpenOptions ofCreatePrompt = 1u << 10;
constexpr TOpenOptions ofShareAware = 1u << 11;
constexpr TOpenOptions ofNoReadOnlyReturn = 1u << 12;
constexpr TOpenOptions ofNoTestFileCreate = 1u << 13;
constexpr TOpenOptions ofNoNetworkButton = 1u << 14;
constexpr TOpenOptions ofNoLongNames = 1u << 15;
constexpr TOpenOptions ofOldStyleDialog = 1u << 16;
constexpr TOpenOptions ofNoDereferenceLinks = 1u << 17;
constexpr TOpenOptions ofEnableIncludeNotify = 1u << 18;
constexpr TOpenOptions ofEnableSizing = 1u << 19;
constexpr TOpenOptions ofDontAddToRecent = 1u << 20;
constexpr TOpenOptions ofForceShowHidden = 1u << 21;

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* owner);

    // Shows the dialog owned by the active form's window (the application's window when no
    // form is active); true when the user confirmed.
    virtual bool Execute();
    virtual bool Execute(HWND parentWindow) = 0;

protected:
    // The window the dialog is owned by when none is given.
    static HWND DefaultParentWindow();
};

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* owner);
    ~TOpenDialog() override;

    using TCommonDialog::Execute;
    bool Execute(HWND parentWindow) override;

    // The first (or only) file chosen, as a full path; before Execute the name or path the
    // dialog starts with.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& name) { fileName_ = name; }
    // Every file chosen, as full paths, in the dialog's order.
    TStrings& Files() const { return *files_; }
    // Pairs "description|patterns|description|patterns", patterns ";"-separated.
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& filter) { filter_ = filter; }
    // One-based; the type shown last after Execute.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int index) { filterIndex_ = index; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& folder) { initialDir_ = folder; }
    // Added (after a dot) to a typed name without an extension.
    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& extension) { defaultExt_ = extension; }
    // Empty: the system's "Open" or "Save As".
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions options) { options_ = options; }

protected:
    // Runs the system's open (save: its save) dialog and reads back what was chosen.
    bool DoExecute(HWND parentWindow, bool save);

private:
    void ReadChoice(const std::string& result, std::size_t nameOffset);

    std::string fileName_;
    std::unique_ptr<TStringList> files_;
    std::string filter_;
    int filterIndex_ = 1;
    std::string initialDir_;
    std::string defaultExt_;
    std::string title_;
    TOpenOptions options_ = ofHideReadOnly | ofEnableSizing;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner);

    using TOpenDialog::Execute;
    bool Execute(HWND parentWindow) override;
};

}  // namespace parch
