#pragma once
// Forms: top-level windows that own their components, are built from a declarative
// description, show themselves modeless or modal, close through OnCloseQuery and OnClose, keep
// the active control, see keys first when asked (KeyPreview) and take short-cuts. The forms
// register with the screen and plug into the application's message loop.

#include <map>
#include <memory>
#include <string>

#include "framework/Application.h"
#include "framework/Scrolling.h"
#include "framework/graphics/Picture.h"

namespace parch {

struct TComponentDescription;
class TMainMenu;


using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1;
constexpr TBorderIcons biMinimize = 2;
constexpr TBorderIcons biMaximize = 4;
constexpr TBorderIcons biHelp = 8;

enum class TFormStyle { fsNormal, fsStayOnTop };
using enum TFormStyle;

enum class TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
using enum TPosition;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using enum TWindowState;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;
constexpr TModalResult mrClose = 11;

// A key with its shift keys: the key code in the low byte.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(WORD key, TShiftState shift);

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
using TShortCutEvent = std::function<void(TMessage& message, bool& handled)>;

// Handlers a description names, by name; each holds the event's own function type.
using THandlerTable = std::map<std::string, std::any>;

class TCustomForm : public TScrollingWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    // Creates the components of a description (the first entry describes the form itself),
    // sets their properties and events in order, calls Loaded on each and then OnCreate.
    void ReadDescription(const TComponentDescription& description, const THandlerTable& handlers);
    // Fires OnCreate once, when the form is complete.
    void AfterConstruction();

    void Show();
    // Shows the form with the other windows disabled until ModalResult is set; answers it.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Modal() const { return modal_; }
    // Asks OnCloseQuery, then OnClose decides: hide (the default), free, minimize or nothing.
    // Closing the main form ends the application.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages waiting for it are handled.
    void Release();

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    bool AlphaBlend() const { return alphaBlend_; }
    void SetAlphaBlend(bool value);
    BYTE AlphaBlendValue() const { return alphaBlendValue_; }
    void SetAlphaBlendValue(BYTE value);
    TIcon& Icon() { return *icon_; }

    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    bool Active() const { return active_; }

    // Every control's action updates itself (the application does this when idle).
    void UpdateActions();
    // The wheel goes to the active control first.
    void MouseWheelHandler(TMessage& message) override;
    // A key message before anyone else sees it: OnShortCut decides, then the main menu's
    // shortcuts.
    virtual bool IsShortCut(TMessage& message);

    // The menu bar of the window (not owned; nullptr for none).
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);

    RECT ClientRect() const override;
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TShortCutEvent OnShortCut;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Dispatch(TMessage& message) override;
    void ShowingChanged() override;
    virtual void DoCreate();
    virtual void DoClose(TCloseAction& action);
    virtual void Activate();
    virtual void Deactivate();

private:
    void ApplyPosition();
    void ApplyAlphaBlend();
    void FocusChanged(TWinControl* control);
    bool DialogKey(TMessage& message);
    void FrameStyles(DWORD& style, DWORD& exStyle) const;
    void DisableOtherWindows(std::vector<HWND>& disabled);

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TFormStyle formStyle_ = fsNormal;
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    bool keyPreview_ = false;
    bool alphaBlend_ = false;
    BYTE alphaBlendValue_ = 255;
    std::unique_ptr<TIcon> icon_;
    TWinControl* activeControl_ = nullptr;
    TMainMenu* menu_ = nullptr;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool active_ = false;
    bool created_ = false;
    bool positioned_ = false;
};

class TForm : public TCustomForm {
public:
    using TCustomForm::TCustomForm;
};

// The forms' part of the application: installed with the first form.
void InstallFormsLink();

}  // namespace parch
