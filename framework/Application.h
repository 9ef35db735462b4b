#pragma once
// The application object: the hidden window of class "TApplication" that owns the program's
// forms, the message loop, termination, the hint settings, the modal level and the handling of
// exceptions that escape event handlers.
//
// The forms layer plugs in through TFormsLink: it shows the main form when the loop starts,
// looks at each message before it is dispatched (key previews, dialog keys, hints), keeps the
// hints and hover going when the queue is empty, and reports exceptions in a dialog. Without
// it the application runs a loop without forms. The forms keep the screen's list of forms and
// its active form themselves (TScreen::AddForm, RemoveForm, SetActiveForm).

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "base/Classes.h"
#include "framework/graphics/Graphics.h"
#include "framework/Messages.h"

namespace parch {

class TCustomForm;
class TControl;
class TScreen;
class THintWindow;

// The class of the window that shows hints: its name and how to make one (owner given).
struct THintWindowClass {
    std::string ClassName = "THintWindow";
    std::function<THintWindow*(TComponent* owner)> Create;
};

// The hint-window class of T (a THintWindow).
template <class T>
THintWindowClass HintWindowClassOf(const std::string& className) {
    return {className, [](TComponent* owner) -> THintWindow* { return new T(owner); }};
}

// Where and how a hint is about to be shown; OnShowHint may change it.
struct THintInfo {
    TControl* HintControl = nullptr;
    POINT HintPos;
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    RECT CursorRect;
    POINT CursorPos;
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    std::string HintStr;
    void* HintData = nullptr;
};

using TShowHintEvent = std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;
using TExceptionEvent = std::function<void(TObject* sender, const std::exception& error)>;
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;
// A hook on the application window: true when it handled the message.
using TWindowHook = std::function<bool(TMessage& message)>;

// What the application needs of the forms layer.
class TFormsLink {
public:
    virtual ~TFormsLink() = default;
    virtual void ShowMainForm(TCustomForm* form) = 0;
    // The application window was asked to close.
    virtual void CloseMainForm(TCustomForm* form) = 0;
    // A message taken from the queue, before translation and dispatch; true when handled.
    virtual bool PreprocessMessage(MSG& message) = 0;
    // The queue is empty.
    virtual void Idle() = 0;
    // The application was minimized or restored: the forms hide or come back.
    virtual void ApplicationMinimized(bool minimized) = 0;
    virtual void ShowException(const std::string& message, const std::string& title) = 0;
};

class TApplication : public TComponent {
public:
    explicit TApplication(TComponent* owner = nullptr);
    // Shuts the workers down first (so none outlives the forms), then frees the forms and
    // the rest of what the application owns, then its window.
    ~TApplication() override;

    // Makes the application window; Run calls it when nobody did.
    void Initialize();
    HWND Handle();

    // Shows the main form and handles messages until the application terminates.
    void Run();
    // Handles every message waiting, without waiting for more.
    void ProcessMessages();
    // Handles one message, or (none waiting) runs the idle work and waits for the next.
    void HandleMessage();
    // Ends the loop; may be called from any thread.
    void Terminate();
    bool Terminated() const { return terminated_; }

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // Hooks see every message of the application window before it does; newest last.
    int HookMainWindow(TWindowHook hook);
    void UnhookMainWindow(int hookId);

    // Hint settings. Times in milliseconds.
    bool ShowHint = true;
    TColor HintColor = clInfoBk;
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    const std::string& Hint() const { return hint_; }
    // A new hint text fires OnHint.
    void SetHint(const std::string& hint);
    TNotifyEvent OnHint;
    TShowHintEvent OnShowHint;
    // The class the hint controller makes its hint window of (THintWindow by default); a
    // new class replaces the window at the next hint.
    const THintWindowClass& HintWindowClass() const { return hintWindowClass_; }
    void SetHintWindowClass(THintWindowClass windowClass) { hintWindowClass_ = std::move(windowClass); }

    // Modal loops: OnModalBegin when the first starts, OnModalEnd when the last ends.
    void ModalStarted();
    void ModalFinished();
    int ModalLevel() const { return modalLevel_; }
    TNotifyEvent OnModalBegin;
    TNotifyEvent OnModalEnd;

    void Minimize();
    void Restore();
    // Brings the application's most recent enabled, visible window to the foreground.
    void BringToFront();
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;

    // Inside a catch block: EAbort is silent; others go to OnException or ShowException.
    void HandleException(TObject* sender);
    void ShowException(const std::exception& error);
    TExceptionEvent OnException;
    TIdleEvent OnIdle;

    // Forms.
    void SetFormsLink(TFormsLink* link) { formsLink_ = link; }
    TFormsLink* FormsLink() const { return formsLink_; }
    TCustomForm* MainForm() const { return mainForm_; }
    // Creates a form owned by the application, storing it in reference before its
    // constructor runs (so code run while the form is built finds it there); the first form
    // created becomes the main form. TFormClass derives from TCustomForm.
    template <class TFormClass>
    void CreateForm(TFormClass*& reference);

protected:
    void Notification(TComponent* component, TOperation operation) override;
    virtual void WndProc(TMessage& message);

private:
    bool ProcessMessage(MSG& msg);
    void Idle();
    void CreateHandle();
    void SetMainForm(TCustomForm* form, TComponent* asComponent);

    HWND handle_ = nullptr;
    WNDPROC windowProc_ = nullptr;
    std::string title_;
    std::atomic<bool> terminated_{false};
    std::atomic<DWORD> guiThreadId_{0};
    std::vector<std::pair<int, TWindowHook>> hooks_;
    int nextHookId_ = 1;
    std::string hint_;
    THintWindowClass hintWindowClass_;
    int modalLevel_ = 0;
    TFormsLink* formsLink_ = nullptr;
    TCustomForm* mainForm_ = nullptr;
    TComponent* mainFormComponent_ = nullptr;
    TScreen* ownScreen_ = nullptr;
};

// The application object of the program (the last one created that still lives).
extern TApplication* Application;

template <class TFormClass>
void TApplication::CreateForm(TFormClass*& reference) {
    void* memory = ::operator new(sizeof(TFormClass));
    reference = static_cast<TFormClass*>(memory);
    try {
        new (memory) TFormClass(this);
    } catch (...) {
        reference = nullptr;
        ::operator delete(memory);
        throw;
    }
    // The form is complete: OnCreate runs before it can become the main form.
    reference->AfterConstruction();
    if (!mainForm_) SetMainForm(reference, reference);
}

}  // namespace parch
