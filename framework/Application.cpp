#include "framework/Application.h"

#include <algorithm>
#include <cstdio>

#include "base/Exceptions.h"
#include "framework/Screen.h"
#include "framework/Thread.h"
#include "platform/win/WinApi.h"

namespace parch {

TApplication* Application = nullptr;

namespace {

constexpr const char* kApplicationClass = "TApplication";

void RegisterApplicationClass() {
    WNDCLASSEX wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = kApplicationClass;
    RegisterClassEx(&wc);  // fails harmlessly when registered before
}

struct OwnedWindows {
    HWND owner;
    HWND found = nullptr;
};

// The first visible, enabled window in z-order that the application window owns.
BOOL FindOwnedWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<OwnedWindows*>(param);
    if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) return 1;
    for (HWND o = GetWindow(hwnd, GW_OWNER); o; o = GetWindow(o, GW_OWNER)) {
        if (o == search->owner) {
            search->found = hwnd;
            return 0;
        }
    }
    return 1;
}

}  // namespace

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    if (!Screen) ownScreen_ = new TScreen(this);
    Application = this;
    SetApplicationExceptionHandler([this](TObject* sender) { HandleException(sender); });
}

TApplication::~TApplication() {
    if (TThread::IsMainThread()) ShutdownThreads();
    DestroyComponents();
    if (Application == this) {
        Application = nullptr;
        SetApplicationExceptionHandler(nullptr);
    }
    if (handle_) {
        DestroyWindow(handle_);
        FreeWindowProcInstance(windowProc_);
    }
    // A quit request nobody read would end the next loop of this thread at once.
    MSG msg;
    if (guiThreadId_ == GetCurrentThreadId()) PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void TApplication::Initialize() {
    if (!handle_) CreateHandle();
}

HWND TApplication::Handle() {
    Initialize();
    return handle_;
}

void TApplication::CreateHandle() {
    RegisterApplicationClass();
    guiThreadId_ = GetCurrentThreadId();
    // Hidden and of no size: it stands for the program, owns the forms and hears of the system.
    handle_ = CreateWindowEx(0, kApplicationClass, title_.c_str(),
                             WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                             GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                             nullptr, nullptr, nullptr);
    if (!handle_) throw EOSError("Cannot create the application window", static_cast<int>(GetLastError()));
    windowProc_ = MakeWindowProcInstance([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
        TMessage message{msg, wParam, lParam, 0};
        WndProc(message);
        return message.Result;
    });
    SetWindowLongPtr(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProc_));
}

void TApplication::Run() {
    Initialize();
    if (terminated_) return;  // ended before the loop started: no form flashes up
    if (mainForm_ && formsLink_) formsLink_->ShowMainForm(mainForm_);
    while (!terminated_) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) Idle();
}

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    if (formsLink_ && formsLink_->PreprocessMessage(msg)) return true;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    return true;
}

void TApplication::Idle() {
    bool done = true;
    try {
        if (formsLink_) formsLink_->Idle();
        if (OnIdle) OnIdle(this, done);
    } catch (...) {
        HandleException(this);
    }
    if (done && !terminated_) WaitMessage();
}

void TApplication::Terminate() {
    terminated_ = true;
    // Wake the loop wherever it waits.
    if (guiThreadId_ == 0 || guiThreadId_ == GetCurrentThreadId())
        PostQuitMessage(0);
    else
        PostThreadMessage(guiThreadId_, WM_QUIT, 0, 0);
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    if (handle_) SetWindowText(handle_, title.c_str());
}

int TApplication::HookMainWindow(TWindowHook hook) {
    int id = nextHookId_++;
    hooks_.emplace_back(id, std::move(hook));
    return id;
}

void TApplication::UnhookMainWindow(int hookId) {
    hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), [hookId](const auto& h) { return h.first == hookId; }),
                 hooks_.end());
}

void TApplication::SetHint(const std::string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    if (OnHint) OnHint(this);
}

void TApplication::ModalStarted() {
    if (++modalLevel_ == 1 && OnModalBegin) OnModalBegin(this);
}

void TApplication::ModalFinished() {
    if (modalLevel_ == 0) return;
    if (--modalLevel_ == 0 && OnModalEnd) OnModalEnd(this);
}

void TApplication::Minimize() {
    HWND wnd = Handle();
    if (IsIconic(wnd)) return;
    ShowWindow(wnd, SW_MINIMIZE);
    if (formsLink_) formsLink_->ApplicationMinimized(true);
    if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
    HWND wnd = Handle();
    if (!IsIconic(wnd)) return;
    ShowWindow(wnd, SW_RESTORE);
    if (formsLink_) formsLink_->ApplicationMinimized(false);
    if (OnRestore) OnRestore(this);
}

void TApplication::BringToFront() {
    OwnedWindows search{Handle()};
    EnumWindows(FindOwnedWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) SetForegroundWindow(search.found);
}

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr error = std::current_exception();
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        if (OnException)
            OnException(sender, e);
        else
            ShowException(e);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
}

void TApplication::ShowException(const std::exception& error) {
    std::string message = error.what();
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    if (formsLink_)
        formsLink_->ShowException(message, title_);
    else
        std::fprintf(stderr, "%s: %s\n", title_.c_str(), message.c_str());
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == mainFormComponent_) SetMainForm(nullptr, nullptr);
}

void TApplication::WndProc(TMessage& message) {
    try {
        for (auto& hook : std::vector(hooks_))
            if (hook.second(message)) return;
        switch (message.Msg) {
        case WM_SYSCOMMAND:
            if ((message.WParam & 0xFFF0) == SC_MINIMIZE) return Minimize();
            if ((message.WParam & 0xFFF0) == SC_RESTORE) return Restore();
            break;
        case WM_CLOSE:
            if (mainForm_ && formsLink_)
                formsLink_->CloseMainForm(mainForm_);
            else
                Terminate();
            return;
        default:
            break;
        }
        message.Result = DefWindowProc(handle_, message.Msg, message.WParam, message.LParam);
    } catch (...) {
        HandleException(this);
    }
}

void TApplication::SetMainForm(TCustomForm* form, TComponent* asComponent) {
    mainForm_ = form;
    mainFormComponent_ = asComponent;
}

}  // namespace parch
