#include "framework/Forms.h"

#include <algorithm>
#include <cstdio>

#include "base/Exceptions.h"
#include "framework/FormDescription.h"
#include "framework/HintWindow.h"
#include "framework/Menus.h"
#include "framework/PropertyText.h"
#include "framework/Timer.h"
#include "platform/gdi/TextLayout.h"
#include "platform/win/WinApi.h"

namespace parch {

TShortCut ShortCut(WORD key, TShiftState shift) {
    TShortCut result = key & 0xFF;
    if (shift & ssShift) result |= scShift;
    if (shift & ssCtrl) result |= scCtrl;
    if (shift & ssAlt) result |= scAlt;
    return result;
}

// ---------------------------------------------------------------------------------------------
// The forms' part of the application's message loop.

namespace {

bool IsWithin(const TControl* control, const TControl* ancestor) {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == ancestor) return true;
    return false;
}

// The framework control a window belongs to: the window's own, or its nearest ancestor's.
TWinControl* ControlOfWindow(HWND hwnd) {
    for (HWND w = hwnd; w; w = GetParent(w))
        if (TWinControl* control = TWinControl::FindControl(w)) return control;
    return nullptr;
}

// The context menus of the control with the key and of its parents, nearest first.
bool PopupMenuShortCut(TControl* control, const TMessage& message) {
    for (TControl* c = control; c; c = c->Parent())
        if (TPopupMenu* menu = c->PopupMenu(); menu && menu->IsShortCut(message)) return true;
    return false;
}

class TFormsManager : public TFormsLink {
public:
    void ShowMainForm(TCustomForm* form) override {
        form->Show();
    }

    void CloseMainForm(TCustomForm* form) override {
        form->Close();
    }

    bool PreprocessMessage(MSG& msg) override {
        hints_.MessageSeen(msg);
        if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) return CharMessage(msg);
        if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
        TWinControl* control = ControlOfWindow(msg.hwnd);
        if (!control) return false;
        TMessage message{msg.message, msg.wParam, msg.lParam, 0};
        TCustomForm* form = control->ParentForm();
        if (!form && Screen) form = Screen->ActiveForm();
        if (form && form->IsShortCut(message)) return true;
        if (PopupMenuShortCut(control, message)) return true;
        return control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
    }

    // A character goes to the focused control first as CN_CHAR or CN_SYSCHAR: what it does
    // not take may be an accelerator (CM_DIALOGCHAR).
    static bool CharMessage(const MSG& msg) {
        TWinControl* control = ControlOfWindow(msg.hwnd);
        return control && control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
    }

    void Idle() override {
        if (!Screen) return;
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (TCustomForm* form = Screen->Forms(i); form->Visible()) form->UpdateActions();
    }

    void ApplicationMinimized(bool minimized) override {
        if (!Screen) return;
        if (minimized) {
            hidden_.clear();
            for (int i = 0; i < Screen->FormCount(); ++i) {
                TCustomForm* form = Screen->Forms(i);
                if (form->HandleAllocated() && IsWindowVisible(form->Handle())) {
                    hidden_.push_back(form->Handle());
                    ShowWindow(form->Handle(), SW_HIDE);
                }
            }
            return;
        }
        for (HWND wnd : hidden_)
            if (IsWindow(wnd)) ShowWindow(wnd, SW_SHOWNA);
        hidden_.clear();
    }

    // Message boxes are not part of the window system yet: the error goes to standard error.
    void ShowException(const std::string& message, const std::string& title) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
    }

private:
    THintController hints_;
    std::vector<HWND> hidden_;
};

}  // namespace

void InstallFormsLink() {
    if (!Application || Application->FormsLink()) return;
    // One per application, living as long as it does.
    auto* link = new TFormsManager;
    struct LinkOwner : TComponent {
        LinkOwner(TComponent* owner, TFormsManager* link) : TComponent(owner), link_(link) {}
        ~LinkOwner() override {
            if (Application && Application->FormsLink() == link_) Application->SetFormsLink(nullptr);
            delete link_;
        }
        TFormsManager* link_;
    };
    new LinkOwner(Application, link);
    Application->SetFormsLink(link);
}

// ---------------------------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TScrollingWinControl(owner), icon_(std::make_unique<TIcon>()) {
    InstallFormsLink();
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetVisible(false);
    SetParentFont(false);
    SetColor(clBtnFace);
    StoreBounds(0, 0, 320, 240);
    if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    Destroying();
    // The menu bar belongs to the main menu, not to the window going now.
    SetMenu(nullptr);
    if (Screen) Screen->RemoveForm(this);
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            HandleEventException(this);
        }
    }
    // Components that call back into the form go while the form is still whole.
    DestroyComponents();
    activeControl_ = nullptr;
}

void TCustomForm::ReadDescription(const TComponentDescription& description, const THandlerTable& handlers) {
    TComponentLoader loader;
    auto handlerOf = [&](const std::string& event, const std::string& handlerName) -> const std::any& {
        auto it = handlers.find(handlerName);
        if (it == handlers.end())
            throw EPropertyError("Handler " + handlerName + " for " + event + " does not exist");
        return it->second;
    };
    auto apply = [&](TComponent* component, const TComponentDescription& d, const TComponentClass* cls) {
        for (const auto& [name, value] : d.Properties) {
            if (auto* control = dynamic_cast<TControl*>(component))
                control->SetPropertyText(name, value);
            else if (cls && cls->SetProperty)
                cls->SetProperty(component, name, value);
            else
                throw EPropertyError("Property " + name + " does not exist in " + component->ClassName());
        }
        for (const auto& [event, handlerName] : d.Events) {
            const std::any& handler = handlerOf(event, handlerName);
            if (auto* control = dynamic_cast<TControl*>(component))
                control->SetEvent(event, handler);
            else if (cls && cls->SetEvent)
                cls->SetEvent(component, event, handler);
            else
                throw EPropertyError("Event " + event + " does not exist in " + component->ClassName());
        }
    };
    std::function<void(const TComponentDescription&, TWinControl*)> readChildren =
        [&](const TComponentDescription& d, TWinControl* parent) {
            for (const TComponentDescription& child : d.Children) {
                TComponentClass cls = FindComponentClass(child.ClassName);
                std::unique_ptr<TComponent> made(cls.Create(this));
                TComponent* component = made.get();
                loader.Read(component);
                component->SetName(child.Name);
                auto* control = dynamic_cast<TControl*>(component);
                if (control) control->SetParent(parent);
                made.release();  // owned by the form from here on
                apply(component, child, &cls);
                if (auto* holder = dynamic_cast<TWinControl*>(component))
                    readChildren(child, holder);
                else if (!child.Children.empty())
                    throw EPropertyError(child.Name + " cannot hold controls");
            }
        };
    loader.Read(this);
    if (!description.Name.empty()) SetName(description.Name);
    apply(this, description, nullptr);
    readChildren(description, this);
    loader.Finish();
    AfterConstruction();
}

void TCustomForm::AfterConstruction() {
    if (created_) return;
    created_ = true;
    DoCreate();
}

void TCustomForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TCustomForm::FrameStyles(DWORD& style, DWORD& exStyle) const {
    style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    exStyle = 0;
    switch (borderStyle_) {
    case bsNone:
        style |= WS_POPUP;
        break;
    case bsSingle:
    case bsToolWindow:
        style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
    case bsSizeToolWin:
        style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        style |= WS_POPUP | WS_CAPTION;
        exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) exStyle |= WS_EX_TOOLWINDOW;
    if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
        style |= WS_SYSMENU;
        if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
            if (borderIcons_ & biMinimize) style |= WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize) style |= WS_MAXIMIZEBOX;
        }
        if ((borderIcons_ & biHelp) && !(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) exStyle |= WS_EX_CONTEXTHELP;
    }
    if (formStyle_ == fsStayOnTop) exStyle |= WS_EX_TOPMOST;
    if (alphaBlend_) exStyle |= WS_EX_LAYERED;
}

void TCustomForm::CreateParams(TCreateParams& params) {
    TScrollingWinControl::CreateParams(params);
    FrameStyles(params.Style, params.ExStyle);
    if (!Enabled()) params.Style |= WS_DISABLED;
    params.WndParent = Application ? Application->Handle() : nullptr;
    params.WindowClass.hbrBackground = nullptr;
}

RECT TCustomForm::ClientRect() const {
    if (HandleAllocated()) return TWinControl::ClientRect();
    DWORD style, exStyle;
    FrameStyles(style, exStyle);
    RECT client = win::DefaultClientRect(style, exStyle, RECT{0, 0, Width(), Height()});
    return {0, 0, std::max(0, static_cast<int>(client.right - client.left)),
            std::max(0, static_cast<int>(client.bottom - client.top))};
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
    if (icons == borderIcons_) return;
    borderIcons_ = icons;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
    if (style == formStyle_) return;
    formStyle_ = style;
    if (HandleAllocated())
        SetWindowPos(Handle(), style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState state) {
    if (state == windowState_) return;
    windowState_ = state;
    if (!HandleAllocated() || !Showing()) return;
    ShowWindow(Handle(), state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_MAXIMIZE : SW_RESTORE);
    // A window minimized from maximized restores to maximized first; normal means normal.
    if (state == wsNormal && IsZoomed(Handle())) ShowWindow(Handle(), SW_RESTORE);
}

void TCustomForm::SetAlphaBlend(bool value) {
    if (value == alphaBlend_) return;
    alphaBlend_ = value;
    if (!HandleAllocated()) return;
    LONG_PTR exStyle = GetWindowLongPtr(Handle(), GWL_EXSTYLE);
    SetWindowLongPtr(Handle(), GWL_EXSTYLE, value ? (exStyle | WS_EX_LAYERED) : (exStyle & ~LONG_PTR(WS_EX_LAYERED)));
    ApplyAlphaBlend();
}

void TCustomForm::SetAlphaBlendValue(BYTE value) {
    alphaBlendValue_ = value;
    ApplyAlphaBlend();
}

void TCustomForm::ApplyAlphaBlend() {
    if (alphaBlend_ && HandleAllocated()) SetLayeredWindowAttributes(Handle(), 0, alphaBlendValue_, LWA_ALPHA);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control && (control == this || !ContainsControl(control)))
        throw EInvalidOperation("Invalid active control for form " + Name());
    if (control && Showing() && active_) {
        if (!control->CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
        ::parch::SetFocus(control->Handle());
        return;
    }
    activeControl_ = control;
}

void TCustomForm::FocusChanged(TWinControl* control) {
    if (control == activeControl_ || control == this) return;
    TWinControl* old = activeControl_;
    activeControl_ = control;
    if (old) old->Perform(CM_EXIT);
    if (control && control == activeControl_) control->Perform(CM_ENTER);
    // Scrolling parents bring the focused control into view.
    if (control && control == activeControl_)
        for (TWinControl* p = control->Parent(); p; p = p->Parent())
            if (auto* scrolling = dynamic_cast<TScrollingWinControl*>(p); scrolling && scrolling->AutoScroll())
                scrolling->ScrollInView(control);
}

void TCustomForm::UpdateActions() {
    std::vector<TControl*> pending{this};
    while (!pending.empty()) {
        TControl* control = pending.back();
        pending.pop_back();
        control->InitiateAction();
        if (auto* win = dynamic_cast<TWinControl*>(control))
            for (int i = 0; i < win->ControlCount(); ++i) pending.push_back(win->Controls(i));
    }
}

void TCustomForm::MouseWheelHandler(TMessage& message) {
    if (activeControl_)
        message.Result = activeControl_->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
    else
        TScrollingWinControl::MouseWheelHandler(message);
}

void TCustomForm::Show() {
    SetVisible(true);
    if (HandleAllocated()) SetForegroundWindow(Handle());
}

void TCustomForm::ShowingChanged() {
    if (Showing()) {
        if (OnShow) OnShow(this);
        if (!positioned_) ApplyPosition();
        ApplyAlphaBlend();
        int command = windowState_ == wsMinimized   ? SW_SHOWMINIMIZED
                      : windowState_ == wsMaximized ? SW_SHOWMAXIMIZED
                                                    : SW_SHOWNORMAL;
        ShowWindow(Handle(), command);
        if (formStyle_ == fsStayOnTop)
            SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    if (OnHide) OnHide(this);
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

void TCustomForm::ApplyPosition() {
    positioned_ = true;
    const TCustomForm* over = nullptr;
    switch (position_) {
    case poMainFormCenter:
        over = Application ? Application->MainForm() : nullptr;
        break;
    case poOwnerFormCenter:
        over = dynamic_cast<const TCustomForm*>(Owner());
        if (!over && Application) over = Application->MainForm();
        break;
    case poScreenCenter:
    case poDesktopCenter:
        break;
    default:
        return;
    }
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (over && over != this)
        area = over->BoundsRect();
    else if (position_ == poMainFormCenter || position_ == poOwnerFormCenter) {
        if (Screen) area = Screen->WorkAreaRect();
    }
    int left = area.left + (area.right - area.left - Width()) / 2;
    int top = area.top + (area.bottom - area.top - Height()) / 2;
    // Centred over another form, the form stays on the work area.
    if (over && over != this && Screen) {
        RECT work = Screen->WorkAreaRect();
        left = std::max(static_cast<int>(work.left), std::min(left, static_cast<int>(work.right) - Width()));
        top = std::max(static_cast<int>(work.top), std::min(top, static_cast<int>(work.bottom) - Height()));
    }
    SetBounds(left, top, Width(), Height());
}

void TCustomForm::DisableOtherWindows(std::vector<HWND>& disabled) {
    DWORD thread = GetCurrentThreadId();
    struct Search {
        HWND self;
        std::vector<HWND>* list;
    } search{Handle(), &disabled};
    EnumThreadWindows(
        thread,
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (wnd != s->self && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) s->list->push_back(wnd);
            return 1;
        },
        reinterpret_cast<LPARAM>(&search));
    for (HWND wnd : disabled) EnableWindow(wnd, 0);
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
    if (!Application) throw EInvalidOperation("Modal forms need an application");
    if (GetCapture()) SendMessage(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    HWND activeBefore = GetActiveWindow();
    std::vector<HWND> disabled;
    HandleNeeded();
    DisableOtherWindows(disabled);
    Application->ModalStarted();
    modal_ = true;
    modalResult_ = mrNone;
    auto restore = [&] {
        modal_ = false;
        for (HWND wnd : disabled)
            if (IsWindow(wnd)) EnableWindow(wnd, 1);
        if (activeBefore && IsWindow(activeBefore)) SetActiveWindow(activeBefore);
        Application->ModalFinished();
    };
    try {
        Show();
        while (true) {
            Application->HandleMessage();
            if (Application->Terminated()) modalResult_ = mrCancel;
            if (modalResult_ == mrNone) continue;
            // A close that OnCloseQuery or OnClose refuses keeps the form up.
            TCloseAction action = caHide;
            if (!CloseQuery()) action = caNone;
            if (action != caNone) DoClose(action);
            if (action == caNone && !Application->Terminated()) {
                modalResult_ = mrNone;
                continue;
            }
            break;
        }
        Hide();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return modalResult_;
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    bool isMain = Application && Application->MainForm() == this;
    TCloseAction action = isMain ? caFree : caHide;
    DoClose(action);
    if (action == caNone) return;
    if (isMain) {
        // The application frees its forms when it goes.
        Application->Terminate();
        return;
    }
    if (action == caHide) Hide();
    if (action == caMinimize) SetWindowState(wsMinimized);
    if (action == caFree) Release();
}

void TCustomForm::Release() {
    if (HandleAllocated())
        PostMessage(Handle(), CM_RELEASE, 0, 0);
    else
        delete this;
}

void TCustomForm::Activate() {
    active_ = true;
    if (Screen) Screen->SetActiveForm(this);
    if (OnActivate) OnActivate(this);
    // The focus returns to the control that had it, or goes to the first one that takes it.
    TWinControl* target = activeControl_;
    if (!target || !target->CanFocus()) target = FindNextControl(nullptr, true, true, false);
    if (target && target->CanFocus()) ::parch::SetFocus(target->Handle());
}

void TCustomForm::Deactivate() {
    active_ = false;
    if (OnDeactivate) OnDeactivate(this);
}

bool TCustomForm::IsShortCut(TMessage& message) {
    bool handled = false;
    if (OnShortCut) OnShortCut(message, handled);
    if (handled) return true;
    return menu_ && menu_->IsShortCut(message);
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (menu_ == menu) return;
    if (menu_) {
        menu_->RemoveFreeNotification(this);
        menu_->SetWindowHandle(nullptr);
    }
    menu_ = menu;
    if (menu_) menu_->FreeNotification(this);
    if (!HandleAllocated()) return;
    if (menu_) menu_->SetWindowHandle(Handle());
    ::parch::SetMenu(Handle(), menu_ ? menu_->Handle() : nullptr);
}

void TCustomForm::CreateWnd() {
    TScrollingWinControl::CreateWnd();
    if (!menu_) return;
    menu_->SetWindowHandle(Handle());
    ::parch::SetMenu(Handle(), menu_->Handle());
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TScrollingWinControl::Notification(component, operation);
    if (operation != TOperation::opRemove || component != menu_) return;
    menu_ = nullptr;
    if (HandleAllocated()) ::parch::SetMenu(Handle(), nullptr);
}

bool TCustomForm::DialogKey(TMessage& message) {
    TShiftState shift = KeyboardShiftState();
    if (shift & (ssCtrl | ssAlt)) return false;
    switch (message.WParam) {
    case VK_TAB:
        SelectNext(activeControl_, !(shift & ssShift), true);
        return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
        if (!activeControl_ || !activeControl_->Parent()) return false;
        bool forward = message.WParam == VK_RIGHT || message.WParam == VK_DOWN;
        TWinControl* next = activeControl_->Parent()->FindNextControl(activeControl_, forward, false, true);
        if (next) next->SetFocus();
        return next != nullptr;
    }
    default:
        return false;
    }
}

void TCustomForm::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case WM_ACTIVATE:
        TScrollingWinControl::Dispatch(message);
        if (LOWORD(message.WParam) != WA_INACTIVE)
            Activate();
        else
            Deactivate();
        return;
    case WM_DESTROY:
        // The menu bar belongs to the main menu: taken off first, it does not go with the window.
        if (menu_ && GetMenu(Handle()) == menu_->Handle()) ::parch::SetMenu(Handle(), nullptr);
        if (menu_) menu_->SetWindowHandle(nullptr);
        TScrollingWinControl::Dispatch(message);
        return;
    case WM_COMMAND:
    case WM_INITMENUPOPUP:
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_MENUSELECT:
        if (!DispatchMenuMessage(menu_, message)) TScrollingWinControl::Dispatch(message);
        return;
    case CM_FOCUSCHANGED:
        FocusChanged(reinterpret_cast<TWinControl*>(message.LParam));
        Broadcast(message);  // buttons move the default look
        return;
    case CM_CONTROLCHANGE:
        // A control leaving the form takes the active control with it when it holds it.
        if (!message.LParam && IsWithin(activeControl_, reinterpret_cast<TControl*>(message.WParam)))
            activeControl_ = nullptr;
        return;
    case CM_DIALOGKEY:
        // Buttons first (default and cancel), then moving the focus.
        Broadcast(message);
        if (!message.Result && DialogKey(message)) message.Result = 1;
        return;
    case WM_SIZE:
        TScrollingWinControl::Dispatch(message);
        if (message.WParam == SIZE_MINIMIZED) windowState_ = wsMinimized;
        if (message.WParam == SIZE_MAXIMIZED) windowState_ = wsMaximized;
        if (message.WParam == SIZE_RESTORED) windowState_ = wsNormal;
        return;
    default:
        TScrollingWinControl::Dispatch(message);
    }
}

void TCustomForm::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "BorderStyle"))
        return SetBorderStyle(PropertyEnum<TFormBorderStyle>(name, value,
                                                             {{"bsNone", bsNone},
                                                              {"bsSingle", bsSingle},
                                                              {"bsSizeable", bsSizeable},
                                                              {"bsDialog", bsDialog},
                                                              {"bsToolWindow", bsToolWindow},
                                                              {"bsSizeToolWin", bsSizeToolWin}}));
    if (SameText(name, "BorderIcons"))
        return SetBorderIcons(PropertySet(name, value,
                                          {{"biSystemMenu", biSystemMenu},
                                           {"biMinimize", biMinimize},
                                           {"biMaximize", biMaximize},
                                           {"biHelp", biHelp}}));
    if (SameText(name, "FormStyle"))
        return SetFormStyle(
            PropertyEnum<TFormStyle>(name, value, {{"fsNormal", fsNormal}, {"fsStayOnTop", fsStayOnTop}}));
    if (SameText(name, "Position"))
        return SetPosition(PropertyEnum<TPosition>(name, value,
                                                   {{"poDesigned", poDesigned},
                                                    {"poDefault", poDefault},
                                                    {"poDefaultPosOnly", poDefaultPosOnly},
                                                    {"poDefaultSizeOnly", poDefaultSizeOnly},
                                                    {"poScreenCenter", poScreenCenter},
                                                    {"poDesktopCenter", poDesktopCenter},
                                                    {"poMainFormCenter", poMainFormCenter},
                                                    {"poOwnerFormCenter", poOwnerFormCenter}}));
    if (SameText(name, "WindowState"))
        return SetWindowState(PropertyEnum<TWindowState>(
            name, value, {{"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}}));
    if (SameText(name, "KeyPreview")) return SetKeyPreview(PropertyBool(name, value));
    if (SameText(name, "AlphaBlend")) return SetAlphaBlend(PropertyBool(name, value));
    if (SameText(name, "AlphaBlendValue")) {
        int alpha = PropertyInt(name, value);
        if (alpha < 0 || alpha > 255) PropertyValueError(name, value);
        return SetAlphaBlendValue(static_cast<BYTE>(alpha));
    }
    if (SameText(name, "ActiveControl")) {
        auto* control = dynamic_cast<TWinControl*>(FindComponent(value));
        if (!control) PropertyValueError(name, value);
        return SetActiveControl(control);
    }
    TScrollingWinControl::SetPropertyText(name, value);
}


void TCustomForm::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnCreate")) return AssignEvent(OnCreate, name, handler);
    if (SameText(name, "OnDestroy")) return AssignEvent(OnDestroy, name, handler);
    if (SameText(name, "OnShow")) return AssignEvent(OnShow, name, handler);
    if (SameText(name, "OnHide")) return AssignEvent(OnHide, name, handler);
    if (SameText(name, "OnActivate")) return AssignEvent(OnActivate, name, handler);
    if (SameText(name, "OnDeactivate")) return AssignEvent(OnDeactivate, name, handler);
    if (SameText(name, "OnClose")) return AssignEvent(OnClose, name, handler);
    if (SameText(name, "OnCloseQuery")) return AssignEvent(OnCloseQuery, name, handler);
    if (SameText(name, "OnShortCut")) return AssignEvent(OnShortCut, name, handler);
    TScrollingWinControl::SetEvent(name, handler);
}

}  // namespace parch
