#include "framework/WinControls.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "framework/ControlInternals.h"
#include "framework/Forms.h"
#include "framework/PropertyText.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Rects.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace {

constexpr const char* kControlProperty = "ParchControl";

// The control whose window is being made: its window procedure binds to it on the first
// message.
thread_local TWinControl* creatingControl = nullptr;

void FillWithColor(HDC dc, const RECT& rect, TColor color) {
    HBRUSH brush = CreateSolidBrush(ColorToRGB(color));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

}  // namespace

LRESULT ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<TWinControl*>(GetProp(hwnd, kControlProperty));
    if (!control) {
        control = creatingControl;
        if (!control) return DefWindowProc(hwnd, msg, wParam, lParam);
        creatingControl = nullptr;
        control->handle_ = hwnd;
        SetProp(hwnd, kControlProperty, control);
    }
    TMessage message{msg, wParam, lParam, 0};
    control->MainWndProc(message);
    if (msg == WM_NCDESTROY) {
        RemoveProp(hwnd, kControlProperty);
        if (control->handle_ == hwnd) {
            control->handle_ = nullptr;
            control->showing_ = false;  // a window made again is shown again
        }
    }
    // A released form is freed once its message is handled; nothing of it runs after this.
    if (msg == CM_RELEASE) delete control;
    return message.Result;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // The parts of derived classes and whatever replaced the window procedure may be gone:
    // the last messages of the window are this class's own.
    WindowProcChain().Close();
    WindowProc = [this](TMessage& message) { TWinControl::WndProc(message); };
    // Children go with their parent, the topmost first.
    while (!controls_.empty()) delete controls_.back();
    if (handle_) DestroyWindowHandle();
}

TWinControl* TWinControl::FindControl(HWND hwnd) {
    return hwnd ? static_cast<TWinControl*>(GetProp(hwnd, kControlProperty)) : nullptr;
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_) return;
    if (parent_) parent_->HandleNeeded();  // makes this window too, with the parent's children
    if (handle_) return;
    CreateWnd();
    CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.Caption = Text();
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle() & csAcceptsControls) {
        params.Style |= WS_CLIPCHILDREN;
        params.ExStyle |= WS_EX_CONTROLPARENT;
    }
    if (!Enabled()) params.Style |= WS_DISABLED;
    if (tabStop_) params.Style |= WS_TABSTOP;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    if (parent_) params.WndParent = parent_->Handle();
    params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    params.WindowClass.lpfnWndProc = DefWindowProc;
    params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& params, const char* controlClassName) {
    WNDCLASSEX system;
    if (!GetClassInfoEx(nullptr, controlClassName, &system))
        throw EOSError(std::string("Window class \"") + controlClassName + "\" does not exist",
                       static_cast<int>(GetLastError()));
    params.WindowClass = system;
    // The class of our own name keeps the procedure of the class it stands on as the default.
    params.WindowClass.style &= ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    defWndProc_ = params.WindowClass.lpfnWndProc;
    WNDCLASSEX registered;
    if (!GetClassInfoEx(nullptr, params.WinClassName.c_str(), &registered)) {
        WNDCLASSEX wc = params.WindowClass;
        wc.lpfnWndProc = ControlWindowProc;
        wc.lpszClassName = params.WinClassName.c_str();
        wc.lpszMenuName = nullptr;
        if (!RegisterClassEx(&wc))
            throw EOSError("Cannot register the window class " + params.WinClassName, static_cast<int>(GetLastError()));
    }
    TWinControl* outer = creatingControl;
    creatingControl = this;
    try {
        CreateWindowHandle(params);
    } catch (...) {
        creatingControl = outer;
        throw;
    }
    creatingControl = outer;
    if (!handle_) throw EOSError("Cannot create the window of " + Name(), static_cast<int>(GetLastError()));
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
    // A child has an ID of its own among its siblings: WM_MEASUREITEM names the child by it.
    HMENU id = nullptr;
    if ((params.Style & WS_CHILD) && parent_) id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(++parent_->lastChildId_));
    CreateWindowEx(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style, params.X,
                   params.Y, params.Width, params.Height, params.WndParent, id, nullptr, params.Param);
}

void TWinControl::CreateHandle() {
    for (TWinControl* child : tabList_) child->HandleNeeded();
    Realign();
    if (parent_) UpdateShowing();
}

void TWinControl::DestroyWnd() {
    // The window's text outlives it in the control.
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    SetControlState(ControlState() | csDestroyingHandle);
    HWND wnd = handle_;
    if (wnd) DestroyWindow(wnd);
    handle_ = nullptr;
    showing_ = false;
    SetControlState(ControlState() & ~csDestroyingHandle);
}

void TWinControl::RecreateWnd() {
    if (!handle_) return;
    bool wasFocused = Focused();
    DestroyWnd();
    HandleNeeded();
    UpdateShowing();
    if (wasFocused && CanFocus()) ::parch::SetFocus(handle_);
}

void TWinControl::InsertControl(TControl* control) {
    control->parent_ = this;
    controls_.push_back(control);
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win) tabList_.push_back(win);
    control->ApplyParentColor();
    control->ApplyParentFont();
    control->ApplyParentBiDiMode();
    if (win) win->ApplyParentCtl3D();
    if (control->parentShowHint_) control->showHint_ = ShowHint();
    if (!(control->ComponentState() & csLoading)) control->UpdateAnchorRules();
    if (win && handle_) {
        win->HandleNeeded();
        win->UpdateShowing();
    }
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 1);
    Realign();
    control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end()) return;
    control->Invalidate();
    ForgetMouseStateOf(control);
    if (TCustomForm* form = ParentForm()) form->Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
    auto* win = dynamic_cast<TWinControl*>(control);
    if (win && win->handle_) win->DestroyWnd();
    controls_.erase(it);
    if (win) tabList_.erase(std::find(tabList_.begin(), tabList_.end(), win));
    control->parent_ = nullptr;
    control->anchorsKnown_ = false;
    if (!(ComponentState() & csDestroying)) {
        Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(control), 0);
        Realign();
    }
}

TControl* TWinControl::ControlAtPos(POINT point, bool allowDisabled, bool allowWinControls) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
        if (windowed && !allowWinControls) continue;
        if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
        if (Contains(c->BoundsRect(), point)) return c;
    }
    return nullptr;
}

bool TWinControl::ContainsControl(const TControl* control) const {
    return control && control != this && IsInside(control, this);
}

void TWinControl::Broadcast(TMessage& message) {
    for (TControl* c : std::vector(controls_)) {
        c->CallWindowProcChain(message);
        if (message.Result) return;
    }
}

RECT TWinControl::ClientRect() const {
    RECT r{0, 0, width_, height_};
    if (handle_) GetClientRect(handle_, &r);
    return r;
}

void TWinControl::AdjustClientRect(RECT&) {}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0 && (ControlState() & csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() {
    AlignChildren();
}

void TWinControl::AlignControls(TControl*, RECT& rect) {
    auto place = [](TControl* c, int left, int top, int width, int height) {
        c->SetBounds(left, top, width, height);
    };
    auto aligned = [this](TAlign align) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->Align() == align && c->Visible()) list.push_back(c);
        return list;
    };
    auto byPosition = [&](TAlign align, auto key) {
        std::vector<TControl*> list = aligned(align);
        std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) { return key(a) < key(b); });
        return list;
    };
    for (TControl* c : byPosition(alTop, [](TControl* c) { return c->Top(); })) {
        place(c, rect.left, rect.top, rect.right - rect.left, c->Height());
        rect.top += c->Height();
    }
    for (TControl* c : byPosition(alBottom, [](TControl* c) { return -(c->Top() + c->Height()); })) {
        place(c, rect.left, rect.bottom - c->Height(), rect.right - rect.left, c->Height());
        rect.bottom -= c->Height();
    }
    for (TControl* c : byPosition(alLeft, [](TControl* c) { return c->Left(); })) {
        place(c, rect.left, rect.top, c->Width(), std::max(0, static_cast<int>(rect.bottom - rect.top)));
        rect.left += c->Width();
    }
    for (TControl* c : byPosition(alRight, [](TControl* c) { return -(c->Left() + c->Width()); })) {
        place(c, rect.right - c->Width(), rect.top, c->Width(), std::max(0, static_cast<int>(rect.bottom - rect.top)));
        rect.right -= c->Width();
    }
    for (TControl* c : aligned(alClient))
        place(c, rect.left, rect.top, std::max(0, static_cast<int>(rect.right - rect.left)),
              std::max(0, static_cast<int>(rect.bottom - rect.top)));
    for (TControl* c : aligned(alCustom)) {
        int left = c->Left(), top = c->Top(), width = c->Width(), height = c->Height();
        CustomAlignPosition(c, left, top, width, height);
        place(c, left, top, width, height);
    }
}

void TWinControl::CustomAlignPosition(TControl*, int&, int&, int&, int&) {}

void TWinControl::AlignChildren() {
    if (alignDisabled_ > 0 || (ComponentState() & (csLoading | csDestroying))) {
        SetControlState(ControlState() | csAlignmentNeeded);
        return;
    }
    if (aligning_) return;
    aligning_ = true;
    SetControlState(ControlState() & ~csAlignmentNeeded);
    try {
        RECT client = ClientRect();
        RECT rect = client;
        AdjustClientRect(rect);
        AlignControls(nullptr, rect);
        for (TControl* c : std::vector(controls_))
            if (c->Align() == alNone) PlaceAnchored(c, client);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
    ControlsAligned();
    AdjustSize();
}

void TWinControl::PlaceAnchored(TControl* c, const RECT& client) {
    if (!c->anchorsKnown_) {
        c->UpdateAnchorRules();
        return;
    }
    TAnchors a = c->Anchors();
    int left = c->Left(), top = c->Top(), width = c->Width(), height = c->Height();
    if (a & akRight) {
        if (a & akLeft)
            width = client.right - left - c->anchorRight_;
        else
            left = client.right - width - c->anchorRight_;
    }
    if (a & akBottom) {
        if (a & akTop)
            height = client.bottom - top - c->anchorBottom_;
        else
            top = client.bottom - height - c->anchorBottom_;
    }
    c->SetBounds(left, top, width, height);
}

bool TWinControl::CanAutoSize(int& width, int& height) {
    int contentWidth = 0, contentHeight = 0, sideWidth = 0, stackHeight = 0;
    for (TControl* c : controls_) {
        if (!c->Visible()) continue;
        switch (c->Align()) {
        case alNone:
        case alCustom:
            contentWidth = std::max(contentWidth, c->Left() + c->Width());
            contentHeight = std::max(contentHeight, c->Top() + c->Height());
            break;
        case alLeft:
        case alRight:
            sideWidth += c->Width();
            break;
        case alTop:
        case alBottom:
            stackHeight += c->Height();
            break;
        case alClient:
            break;
        }
    }
    RECT client = ClientRect();
    width = std::max(contentWidth, sideWidth) + (width_ - client.right);
    height = std::max(contentHeight, stackHeight) + (height_ - client.bottom);
    return true;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    Constraints().Apply(width, height);
    if (handle_ && !(ControlState() & csDestroyingHandle)) {
        // The window reports the new place back through WM_WINDOWPOSCHANGED.
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    TControl::SetBounds(left, top, width, height);
}

void TWinControl::UpdateBoundsFromWindow() {
    if (IsIconic(handle_)) return;
    RECT r;
    GetWindowRect(handle_, &r);
    if (GetWindowLongPtr(handle_, GWL_STYLE) & WS_CHILD) {
        HWND parentWnd = GetParent(handle_);
        MapWindowPoints(nullptr, parentWnd, reinterpret_cast<POINT*>(&r), 2);
    }
    ChangeBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TWinControl::Loaded() {
    TControl::Loaded();
    if (ControlState() & csAlignmentNeeded) Realign();
}

void TWinControl::SetEnabled(bool value) {
    if (value == Enabled()) return;
    TControl::SetEnabled(value);
    if (handle_) EnableWindow(handle_, value);
}

void TWinControl::SetText(const std::string& text) {
    if (handle_) {
        if (text != Text()) SetWindowText(handle_, text.c_str());  // WM_SETTEXT stores and reports it
        return;
    }
    TControl::SetText(text);
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, !(ControlStyle() & csOpaque));
}

void TWinControl::Update() {
    if (handle_) UpdateWindow(handle_);
}

bool TWinControl::Showing() const {
    return showing_;
}

void TWinControl::UpdateShowing() {
    bool show = Visible() && (parent_ ? parent_->showing_ : true);
    if (show && !handle_) HandleNeeded();
    if (show != showing_) {
        showing_ = show;
        try {
            Perform(CM_SHOWINGCHANGED);
        } catch (...) {
            showing_ = !show;
            throw;
        }
    }
    for (TWinControl* child : std::vector(tabList_)) child->UpdateShowing();
}

void TWinControl::ShowingChanged() {
    if (!handle_) return;
    UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0, flags | (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::SetTabStop(bool value) {
    if (value == tabStop_) return;
    tabStop_ = value;
    if (handle_) {
        LONG_PTR style = GetWindowLongPtr(handle_, GWL_STYLE);
        SetWindowLongPtr(handle_, GWL_STYLE, value ? (style | WS_TABSTOP) : (style & ~LONG_PTR(WS_TABSTOP)));
    }
    Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
    if (!parent_) return -1;
    const auto& list = parent_->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!parent_) return;
    auto& list = parent_->tabList_;
    list.erase(std::find(list.begin(), list.end(), this));
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* child : tabList_) {
        list.push_back(child);
        child->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    int count = static_cast<int>(list.size());
    auto found = std::find(list.begin(), list.end(), current);
    int start = found == list.end() ? (goForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
    int i = start;
    for (int step = 0; step < count; ++step) {
        i = goForward ? (i + 1) % count : (i + count - 1) % count;
        TWinControl* c = list[static_cast<std::size_t>(i)];
        if (c == current) continue;
        if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this)) return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, false)) next->SetFocus();
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

bool TWinControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    if (TCustomForm* form = ParentForm(); form && form != this && !form->Showing()) {
        form->SetActiveControl(this);  // takes the focus when the form is shown
        return;
    }
    ::parch::SetFocus(Handle());
}

void TWinControl::WMSetFocus() {
    if (TCustomForm* form = ParentForm()) form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(this));
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char16_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::DoKeyDown(TMessage& message) {
    TCustomForm* form = ParentForm();
    if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyDown(message)) return true;
    WORD key = static_cast<WORD>(message.WParam);
    KeyDown(key, KeyboardShiftState());
    message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& message) {
    TCustomForm* form = ParentForm();
    if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyUp(message)) return true;
    WORD key = static_cast<WORD>(message.WParam);
    KeyUp(key, KeyboardShiftState());
    message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& message) {
    TCustomForm* form = ParentForm();
    if (form && form != this && form->KeyPreview() && static_cast<TWinControl*>(form)->DoKeyPress(message)) return true;
    char16_t key = static_cast<char16_t>(message.WParam);
    KeyPress(key);
    message.WParam = key;
    return key == 0;
}

void TWinControl::MainWndProc(TMessage& message) {
    try {
        CallWindowProcChain(message);
    } catch (...) {
        HandleEventException(this);
    }
}

void TWinControl::WndProc(TMessage& message) {
    switch (message.Msg) {
    case WM_SETFOCUS:
        WMSetFocus();
        break;
    case WM_MOUSELEAVE:
        // While a windowless child holds the capture the hover stays; its release decides.
        if (captureControl_) break;
        SetMouseControl(nullptr);
        break;
    case WM_CAPTURECHANGED:
        captureControl_ = nullptr;
        break;
    default:
        if (IsMouseClientMessage(message.Msg)) {
            RouteMouseToChildren(message);
            if (message.Handled) return;  // taken by a windowless child
        }
        break;
    }
    TControl::WndProc(message);
}

void TWinControl::RouteMouseToChildren(TMessage& message) {
    POINT p = PointOf(message.LParam);
    TControl* target = nullptr;
    if (captureControl_)
        target = captureControl_;
    else
        target = ControlAtPos(p, false);
    if (message.Msg == WM_MOUSEMOVE && !captureControl_) {
        TRACKMOUSEEVENT track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = handle_;
        TrackMouseEvent(&track);
        TControl* over = ControlAtPos(p, true);
        SetMouseControl(over ? over : this);
    }
    if (!target) return;
    POINT local{p.x - target->Left(), p.y - target->Top()};
    message.Result = target->Perform(message.Msg, message.WParam, LParamOf(local));
    // When a capture ended outside its control, the hover goes to what is under the mouse now.
    if (!captureControl_ && target == mouseControl_ && !Contains(target->BoundsRect(), p)) {
        TControl* over = Contains(ClientRect(), p) ? ControlAtPos(p, true) : nullptr;
        SetMouseControl(over ? over : (Contains(ClientRect(), p) ? this : nullptr));
    }
    message.Handled = true;
}

void TWinControl::SetMouseControl(TControl* control) {
    if (control == mouseControl_) return;
    TControl* old = mouseControl_;
    mouseControl_ = control;
    if (old) old->Perform(CM_MOUSELEAVE);
    if (control && control == mouseControl_) control->Perform(CM_MOUSEENTER);
}

void TWinControl::ForgetMouseStateOf(TControl* child) {
    if (mouseControl_ == child) mouseControl_ = nullptr;
    if (captureControl_ == child) captureControl_ = nullptr;
    if (auto* win = dynamic_cast<TWinControl*>(child)) win->ForgetMouseState();
}

void TWinControl::ForgetMouseState() {
    mouseControl_ = nullptr;
    captureControl_ = nullptr;
    for (TWinControl* child : tabList_) child->ForgetMouseState();
}

bool TWinControl::ReflectNotification(TMessage& message) {
    HWND child = nullptr;
    switch (message.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        child = reinterpret_cast<HWND>(message.LParam);
        break;
    case WM_NOTIFY:
        if (message.LParam) child = reinterpret_cast<const NMHDR*>(message.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        if (message.LParam) child = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (message.LParam) {
            auto id = static_cast<LONG_PTR>(reinterpret_cast<const MEASUREITEMSTRUCT*>(message.LParam)->CtlID);
            for (TWinControl* c : tabList_)
                if (c->handle_ && GetWindowLongPtr(c->handle_, GWL_ID) == id) child = c->handle_;
        }
        break;
    default:
        return false;
    }
    TWinControl* control = FindControl(child);
    if (!control || control == this) return false;
    message.Result = control->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
    return true;
}

void TWinControl::Dispatch(TMessage& message) {
    if (ReflectNotification(message)) return;
    switch (message.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        PaintHandler(message);
        return;
    case WM_ERASEBKGND: {
        // Double-buffered: only the erase into the paint bitmap (WParam = LParam) fills.
        if (doubleBuffered_ && message.WParam != static_cast<WPARAM>(message.LParam)) {
            message.Result = 1;
            return;
        }
        RECT r = ClientRect();
        FillWithColor(reinterpret_cast<HDC>(message.WParam), r, Color());
        message.Result = 1;
        return;
    }
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(message);
        UpdateBoundsFromWindow();
        return;
    case WM_GETMINMAXINFO: {
        DefaultHandler(message);
        auto* info = reinterpret_cast<MINMAXINFO*>(message.LParam);
        const TSizeConstraints& c = Constraints();
        if (c.MinWidth > 0) info->ptMinTrackSize.x = c.MinWidth;
        if (c.MinHeight > 0) info->ptMinTrackSize.y = c.MinHeight;
        if (c.MaxWidth > 0) info->ptMaxTrackSize.x = c.MaxWidth;
        if (c.MaxHeight > 0) info->ptMaxTrackSize.y = c.MaxHeight;
        return;
    }
    case WM_SETTEXT: {
        DefaultHandler(message);
        std::string text = message.LParam ? reinterpret_cast<const char*>(message.LParam) : "";
        if (text != Text()) TControl::SetText(text);
        return;
    }
    case WM_SETCURSOR:
        if (LOWORD(message.LParam) == HTCLIENT && reinterpret_cast<HWND>(message.WParam) == handle_ && Screen) {
            TCursor cursor = Screen->Cursor();
            if (cursor == crDefault) {
                POINT p;
                GetCursorPos(&p);
                TControl* over = ControlAtPos(ScreenToClient(p), false);
                cursor = over ? over->Cursor() : Cursor();
            }
            if (cursor != crDefault) {
                ::parch::SetCursor(Screen->Cursors(cursor));
                message.Result = 1;
                return;
            }
        }
        DefaultHandler(message);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (!DoKeyDown(message)) DefaultHandler(message);
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (!DoKeyUp(message)) DefaultHandler(message);
        return;
    case WM_CHAR:
        if (!DoKeyPress(message)) DefaultHandler(message);
        return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
        // Keys the control does not want itself are the form's dialog keys.
        LRESULT wanted = 0;
        switch (message.WParam) {
        case VK_TAB:
            wanted = DLGC_WANTTAB;
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            wanted = DLGC_WANTARROWS;
            break;
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_CANCEL:
            wanted = DLGC_WANTALLKEYS;
            break;
        default:
            return;
        }
        if (Perform(WM_GETDLGCODE) & wanted) return;
        if (TCustomForm* form = ParentForm())
            if (form->Perform(CM_DIALOGKEY, message.WParam, message.LParam)) message.Result = 1;
        return;
    }
    case CN_CHAR:
        // A character the focused control does not take may be a control's accelerator.
        if (!(Perform(WM_GETDLGCODE) & DLGC_WANTCHARS))
            if (TCustomForm* form = ParentForm()) message.Result = form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam);
        return;
    case CN_SYSCHAR:
        if (message.WParam != VK_SPACE)
            if (TCustomForm* form = ParentForm()) message.Result = form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam);
        return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED:
        Broadcast(message);
        return;
    case WM_GETDLGCODE:
        DefaultHandler(message);
        return;
    case CM_VISIBLECHANGED:
        UpdateShowing();
        return;
    case CM_SHOWINGCHANGED:
        ShowingChanged();
        return;
    case CM_ENABLEDCHANGED:
        if (!Enabled() && Focused())
            if (TCustomForm* form = ParentForm(); form && form != this) form->SelectNext(this, true, true);
        Invalidate();
        return;
    case CM_COLORCHANGED: {
        Invalidate();
        TMessage notify{CM_PARENTCOLORCHANGED, 0, 0, 0};
        Broadcast(notify);
        return;
    }
    case CM_FONTCHANGED: {
        Invalidate();
        TMessage notify{CM_PARENTFONTCHANGED, 0, 0, 0};
        Broadcast(notify);
        return;
    }
    case CM_SHOWHINTCHANGED: {
        TMessage notify{CM_PARENTSHOWHINTCHANGED, 0, 0, 0};
        Broadcast(notify);
        return;
    }
    case CM_ENTER:
        DoEnter();
        return;
    case CM_CTL3DCHANGED: {
        FrameChanged();
        TMessage notify{CM_PARENTCTL3DCHANGED, 0, 0, 0};
        Broadcast(notify);
        return;
    }
    case CM_PARENTCTL3DCHANGED:
        ApplyParentCtl3D();
        return;
    case CM_BIDIMODECHANGED: {
        Invalidate();
        TMessage notify{CM_PARENTBIDIMODECHANGED, 0, 0, 0};
        Broadcast(notify);
        return;
    }
    case WM_NCCALCSIZE:
        NonClientCalcSize(message);
        return;
    case WM_NCPAINT:
        NonClientPaint(message);
        return;
    case WM_CONTEXTMENU:
        ContextMenu(message);
        return;
    case WM_MOUSEWHEEL:
        MouseWheel(message);
        return;
    case CM_EXIT:
        DoExit();
        return;
    default:
        TControl::Dispatch(message);
    }
}

void TWinControl::DefaultHandler(TMessage& message) {
    if (!handle_) return;
    message.Result = CallWindowProc(defWndProc_ ? defWndProc_ : DefWindowProc, handle_, message.Msg, message.WParam,
                                    message.LParam);
}

void TWinControl::PaintHandler(TMessage& message) {
    HDC dc = reinterpret_cast<HDC>(message.WParam);
    if (dc) {
        PaintWindow(dc);
        PaintControls(dc, nullptr);
        return;
    }
    PAINTSTRUCT ps;
    dc = BeginPaint(handle_, &ps);
    try {
        if (doubleBuffered_) {
            DoubleBufferedPaint(dc);
        } else {
            PaintWindow(dc);
            PaintControls(dc, nullptr);
        }
    } catch (...) {
        EndPaint(handle_, &ps);
        throw;
    }
    EndPaint(handle_, &ps);
}

void TWinControl::DoubleBufferedPaint(HDC dc) {
    RECT client = ClientRect();
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    auto release = [&] {
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
    };
    try {
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), reinterpret_cast<LPARAM>(memory));
        PaintWindow(memory);
        PaintControls(memory, nullptr);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    } catch (...) {
        release();
        throw;
    }
    release();
}

void TWinControl::SetCtl3D(bool value) {
    parentCtl3D_ = false;
    if (value == ctl3D_) return;
    ctl3D_ = value;
    Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool value) {
    parentCtl3D_ = value;
    if (value) ApplyParentCtl3D();
}

void TWinControl::ApplyParentCtl3D() {
    if (!parentCtl3D_ || !parent_ || parent_->ctl3D_ == ctl3D_) return;
    ctl3D_ = parent_->ctl3D_;
    Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetBevelInner(TBevelCut value) {
    if (value == bevelInner_) return;
    bevelInner_ = value;
    FrameChanged();
}

void TWinControl::SetBevelOuter(TBevelCut value) {
    if (value == bevelOuter_) return;
    bevelOuter_ = value;
    FrameChanged();
}

void TWinControl::SetBevelKind(TBevelKind value) {
    if (value == bevelKind_) return;
    bevelKind_ = value;
    FrameChanged();
}

void TWinControl::SetBevelWidth(int value) {
    value = std::max(value, 1);
    if (value == bevelWidth_) return;
    bevelWidth_ = value;
    FrameChanged();
}

void TWinControl::SetBevelEdges(TBevelEdges value) {
    if (value == bevelEdges_) return;
    bevelEdges_ = value;
    FrameChanged();
}

void TWinControl::SetBorderWidth(int value) {
    value = std::max(value, 0);
    if (value == borderWidth_) return;
    borderWidth_ = value;
    FrameChanged();
}

void TWinControl::FrameChanged() {
    if (!handle_) return;
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Realign();
    Invalidate();
}

int TWinControl::NonClientEdge(TBevelEdges edge) const {
    if (bevelKind_ == bkNone || !(bevelEdges_ & edge)) return 0;
    int cuts = (bevelInner_ != bvNone ? 1 : 0) + (bevelOuter_ != bvNone ? 1 : 0);
    return cuts * bevelWidth_;
}

void TWinControl::NonClientCalcSize(TMessage& message) {
    if (!message.LParam) return DefaultHandler(message);
    RECT* rect = message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(message.LParam)->rgrc[0]
                                : reinterpret_cast<RECT*>(message.LParam);
    // The bevel lies outermost, the window's own border inside it, the margin innermost.
    rect->left += NonClientEdge(beLeft);
    rect->top += NonClientEdge(beTop);
    rect->right -= NonClientEdge(beRight);
    rect->bottom -= NonClientEdge(beBottom);
    DefaultHandler(message);
    InflateRect(rect, -borderWidth_, -borderWidth_);
    rect->right = std::max(rect->right, rect->left);
    rect->bottom = std::max(rect->bottom, rect->top);
}

void TWinControl::NonClientPaint(TMessage& message) {
    DefaultHandler(message);
    if ((bevelKind_ == bkNone && borderWidth_ == 0) || !handle_ || !IsWindowVisible(handle_)) return;
    RECT window;
    GetWindowRect(handle_, &window);
    POINT clientOrigin{0, 0};
    ::parch::ClientToScreen(handle_, &clientOrigin);
    RECT client;
    GetClientRect(handle_, &client);
    OffsetRect(&client, clientOrigin.x - window.left, clientOrigin.y - window.top);
    RECT whole{0, 0, window.right - window.left, window.bottom - window.top};
    HDC dc = GetWindowDC(handle_);
    int saved = SaveDC(dc);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    if (borderWidth_ > 0) {
        RECT margin = client;
        InflateRect(&margin, borderWidth_, borderWidth_);
        FillWithColor(dc, margin, Color());
    }
    if (bevelKind_ != bkNone) {
        static constexpr UINT kInner[] = {0, BDR_SUNKENINNER, BDR_RAISEDINNER, 0};
        static constexpr UINT kOuter[] = {0, BDR_SUNKENOUTER, BDR_RAISEDOUTER, 0};
        static constexpr UINT kKind[] = {0, 0, BF_SOFT, BF_FLAT};
        UINT edge = kInner[static_cast<int>(bevelInner_)] | kOuter[static_cast<int>(bevelOuter_)];
        UINT flags = bevelEdges_ | kKind[static_cast<int>(bevelKind_)] | (ctl3D_ ? 0 : BF_MONO);
        DrawEdge(dc, &whole, edge, flags);
    }
    RestoreDC(dc, saved);
    ReleaseDC(handle_, dc);
}

void TWinControl::ContextMenu(TMessage& message) {
    POINT screen = PointOf(message.LParam);
    bool fromKeyboard = screen.x == -1 && screen.y == -1;
    bool handled = false;
    if (!fromKeyboard) {
        POINT local = ScreenToClient(screen);
        TControl* child = ControlAtPos(local, false);
        if (child) child->DoContextPopup({local.x - child->Left(), local.y - child->Top()}, handled);
        if (!handled) DoContextPopup(local, handled);
    } else {
        DoContextPopup({-1, -1}, handled);
    }
    if (handled) {
        message.Result = 1;
        return;
    }
    DefaultHandler(message);  // on to the parent window
}

void TWinControl::MouseWheel(TMessage& message) {
    TMessage wheel{message.Msg, MouseWheelWParam(MouseShiftState(LOWORD(message.WParam)), MouseWheelDelta(message.WParam)),
                   message.LParam, 0};
    MouseWheelHandler(wheel);
    message.Result = wheel.Result;
    // CM_MOUSEWHEEL already went up through the controls; only a foreign parent window is left.
    if (!message.Result && !FindControl(GetParent(handle_))) DefaultHandler(message);
}

void TWinControl::PaintWindow(HDC dc) {
    TMessage message{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
    DefaultHandler(message);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    auto it = first ? std::find(controls_.begin(), controls_.end(), first) : controls_.begin();
    for (; it != controls_.end(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        int saved = SaveDC(dc);
        OffsetViewportOrgEx(dc, c->Left(), c->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
        try {
            c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        } catch (...) {
            RestoreDC(dc, saved);
            throw;
        }
        RestoreDC(dc, saved);
    }
}

void TWinControl::PaintTo(HDC dc, int x, int y) {
    HandleNeeded();
    int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, x, y, nullptr);
    SetControlState(ControlState() | csPaintCopy);
    SendMessage(handle_, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    SetControlState(ControlState() & ~csPaintCopy);
    RestoreDC(dc, saved);
    // Children that are visible paint too, even while the whole is not on the screen.
    RECT window;
    GetWindowRect(handle_, &window);
    POINT client{0, 0};
    ::parch::ClientToScreen(handle_, &client);
    int originX = x + client.x - window.left;
    int originY = y + client.y - window.top;
    for (TControl* c : controls_) {
        auto* win = dynamic_cast<TWinControl*>(c);
        if (!win || !win->Visible()) continue;
        int clip = SaveDC(dc);
        IntersectClipRect(dc, originX, originY, originX + ClientWidth(), originY + ClientHeight());
        win->PaintTo(dc, originX + win->Left(), originY + win->Top());
        RestoreDC(dc, clip);
    }
}

void TWinControl::SetPropertyText(const std::string& name, const std::string& value) {
    static const std::initializer_list<std::pair<const char*, TBevelCut>> cuts = {
        {"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}};
    if (SameText(name, "TabStop")) return SetTabStop(PropertyBool(name, value));
    if (SameText(name, "Ctl3D")) return SetCtl3D(PropertyBool(name, value));
    if (SameText(name, "ParentCtl3D")) return SetParentCtl3D(PropertyBool(name, value));
    if (SameText(name, "BevelInner")) return SetBevelInner(PropertyEnum<TBevelCut>(name, value, cuts));
    if (SameText(name, "BevelOuter")) return SetBevelOuter(PropertyEnum<TBevelCut>(name, value, cuts));
    if (SameText(name, "BevelKind"))
        return SetBevelKind(PropertyEnum<TBevelKind>(
            name, value, {{"bkNone", bkNone}, {"bkTile", bkTile}, {"bkSoft", bkSoft}, {"bkFlat", bkFlat}}));
    if (SameText(name, "BevelWidth")) return SetBevelWidth(PropertyInt(name, value));
    if (SameText(name, "BevelEdges"))
        return SetBevelEdges(PropertySet(
            name, value, {{"beLeft", beLeft}, {"beTop", beTop}, {"beRight", beRight}, {"beBottom", beBottom}}));
    if (SameText(name, "BorderWidth")) return SetBorderWidth(PropertyInt(name, value));
    if (SameText(name, "DoubleBuffered")) return SetDoubleBuffered(PropertyBool(name, value));
    if (SameText(name, "DockSite")) return SetDockSite(PropertyBool(name, value));
    if (SameText(name, "UseDockManager")) return SetUseDockManager(PropertyBool(name, value));
    if (SameText(name, "TabOrder")) return SetTabOrder(PropertyInt(name, value));
    TControl::SetPropertyText(name, value);
}

void TWinControl::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnEnter")) return AssignEvent(OnEnter, name, handler);
    if (SameText(name, "OnExit")) return AssignEvent(OnExit, name, handler);
    if (SameText(name, "OnKeyDown")) return AssignEvent(OnKeyDown, name, handler);
    if (SameText(name, "OnKeyUp")) return AssignEvent(OnKeyUp, name, handler);
    if (SameText(name, "OnKeyPress")) return AssignEvent(OnKeyPress, name, handler);
    if (SameText(name, "OnDockDrop")) return AssignEvent(OnDockDrop, name, handler);
    if (SameText(name, "OnDockOver")) return AssignEvent(OnDockOver, name, handler);
    if (SameText(name, "OnUnDock")) return AssignEvent(OnUnDock, name, handler);
    if (SameText(name, "OnGetSiteInfo")) return AssignEvent(OnGetSiteInfo, name, handler);
    TControl::SetEvent(name, handler);
}

}  // namespace parch
