#include "framework/Controls.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "framework/Actions.h"
#include "framework/ControlInternals.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/PropertyText.h"
#include "platform/win/WinApi.h"

namespace parch {

TShiftState MouseShiftState(WPARAM keys) {
    TShiftState shift = 0;
    if (keys & MK_SHIFT) shift |= ssShift;
    if (keys & MK_CONTROL) shift |= ssCtrl;
    if (keys & MK_LBUTTON) shift |= ssLeft;
    if (keys & MK_RBUTTON) shift |= ssRight;
    if (keys & MK_MBUTTON) shift |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

void PaintOnCanvas(TCanvas& canvas, HDC dc, const TFont& font, const std::function<void()>& paint) {
    canvas.Lock();
    canvas.SetHandle(dc);
    canvas.SetFont(font);
    try {
        paint();
    } catch (...) {
        canvas.SetHandle(nullptr);
        canvas.Unlock();
        throw;
    }
    canvas.SetHandle(nullptr);
    canvas.Unlock();
}

TShiftState KeyboardShiftState() {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

std::string GetLongHint(const std::string& hint) {
    std::size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

std::string GetShortHint(const std::string& hint) {
    return hint.substr(0, hint.find('|'));
}

void TSizeConstraints::Apply(int& width, int& height) const {
    if (MaxWidth > 0 && width > MaxWidth) width = MaxWidth;
    if (MaxHeight > 0 && height > MaxHeight) height = MaxHeight;
    if (MinWidth > 0 && width < MinWidth) width = MinWidth;
    if (MinHeight > 0 && height < MinHeight) height = MinHeight;
    width = std::max(width, 0);
    height = std::max(height, 0);
}

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    font_->OnChange = [this] { FontChanged(); };
    WindowProc = [this](TMessage& message) { WndProc(message); };
}

TControl::~TControl() {
    actionLink_.reset();
    if (parent_) parent_->RemoveControl(this);  // which forgets the mouse state of this control
}

void TControl::SetBiDiMode(TBiDiMode mode) {
    parentBiDiMode_ = false;
    if (mode == biDiMode_) return;
    biDiMode_ = mode;
    Perform(CM_BIDIMODECHANGED);
}

void TControl::SetParentBiDiMode(bool value) {
    parentBiDiMode_ = value;
    if (value) ApplyParentBiDiMode();
}

void TControl::ApplyParentBiDiMode() {
    if (!parentBiDiMode_ || !parent_ || parent_->BiDiMode() == biDiMode_) return;
    biDiMode_ = parent_->BiDiMode();
    Perform(CM_BIDIMODECHANGED);
}

UINT TControl::DrawTextBiDiModeFlags(UINT flags) const {
    if (UseRightToLeftAlignment()) {
        if ((flags & (DT_CENTER | DT_RIGHT)) == DT_RIGHT)
            flags &= ~DT_RIGHT;  // right becomes left
        else if (!(flags & DT_CENTER))
            flags |= DT_RIGHT;
    }
    return flags | DrawTextBiDiModeFlagsReadingOnly();
}

TBasicAction* TControl::Action() const {
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TControl::SetAction(TBasicAction* action) {
    if (action == Action()) return;
    actionLink_.reset();
    if (!action) return;
    actionLink_ = std::make_unique<TControlActionLink>(this, action);
    ActionChange(action, (ComponentState() & csLoading) != 0);
}

void TControl::InitiateAction() {
    if (actionLink_) actionLink_->Update();
}

void TControl::ActionChange(TBasicAction* sender, bool checkDefaults) {
    auto* action = dynamic_cast<TCustomAction*>(sender);
    if (!action) return;
    if (!checkDefaults || Caption().empty()) SetCaption(action->Caption());
    if (!checkDefaults || enabled_) SetEnabled(action->Enabled());
    if (!checkDefaults || hint_.empty()) SetHint(action->Hint());
    if (!checkDefaults || visible_) SetVisible(action->Visible());
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw EInvalidOperation("A control cannot be its own parent");
    for (TWinControl* p = parent; p; p = p->Parent())
        if (p == this) throw EInvalidOperation("A control cannot be the parent of its own parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    CallWindowProcChain(message);
    return message.Result;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    constraints_.Apply(width, height);
    ChangeBounds(left, top, width, height);
}

void TControl::ChangeBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool resized = width != width_ || height != height_;
    Invalidate();  // where it was
    StoreBounds(left, top, width, height);
    if (parent_ && !parent_->aligning_) UpdateAnchorRules();
    if (parent_) {
        RequestAlign();
        Invalidate();
    }
    if (resized) {
        if (auto* win = dynamic_cast<TWinControl*>(this)) win->Realign();
        Resize();
    }
}

void TControl::StoreBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TControl::SetClientSize(int width, int height) {
    // Twice: a frame larger than the old size hides part of itself the first time.
    for (int pass = 0; pass < 2; ++pass) {
        RECT client = ClientRect();
        if (client.right == width && client.bottom == height) return;
        SetBounds(left_, top_, width_ - client.right + width, height_ - client.bottom + height);
    }
}

POINT TControl::ClientOrigin() const {
    if (auto* win = dynamic_cast<const TWinControl*>(this); win && win->handle_) {
        POINT origin{0, 0};
        ::parch::ClientToScreen(win->handle_, &origin);
        return origin;
    }
    POINT origin{left_, top_};
    if (!parent_) return origin;
    POINT parentOrigin = parent_->ClientOrigin();
    return {origin.x + parentOrigin.x, origin.y + parentOrigin.y};
}

POINT TControl::ClientToScreen(POINT point) const {
    POINT origin = ClientOrigin();
    return {point.x + origin.x, point.y + origin.y};
}

POINT TControl::ScreenToClient(POINT point) const {
    POINT origin = ClientOrigin();
    return {point.x - origin.x, point.y - origin.y};
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    // An aligned control keeps to its edges; one set free again keeps its place from now on.
    if (align == alLeft || align == alRight) anchors_ = akLeft | akTop | akBottom;
    if (align == alTop || align == alBottom) anchors_ = akLeft | akTop | akRight;
    if (align == alClient) anchors_ = akLeft | akTop | akRight | akBottom;
    if (align == alNone) anchors_ = akLeft | akTop;
    RequestAlign();
}

void TControl::SetAnchors(TAnchors anchors) {
    anchors_ = anchors;
    UpdateAnchorRules();
}

void TControl::SetConstraints(const TSizeConstraints& constraints) {
    constraints_ = constraints;
    SetBounds(left_, top_, width_, height_);
}

void TControl::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustSize();
}

void TControl::AdjustSize() {
    if (!autoSize_ || (ComponentState() & csLoading)) return;
    int width = width_;
    int height = height_;
    if (CanAutoSize(width, height)) SetBounds(left_, top_, width, height);
}

bool TControl::CanAutoSize(int&, int&) {
    return false;
}

void TControl::UpdateAnchorRules() {
    if (!parent_) {
        anchorsKnown_ = false;
        return;
    }
    RECT client = parent_->ClientRect();
    anchorRight_ = client.right - (left_ + width_);
    anchorBottom_ = client.bottom - (top_ + height_);
    anchorsKnown_ = true;
}

void TControl::RequestAlign() {
    if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Perform(CM_VISIBLECHANGED, value);
    RequestAlign();
}

bool TControl::Showing() const {
    return visible_ && parent_ && parent_->Showing();
}

void TControl::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor color) {
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
    parentColor_ = value;
    if (value) ApplyParentColor();
}

void TControl::ApplyParentColor() {
    if (!parentColor_ || !parent_ || parent_->Color() == color_) return;
    color_ = parent_->Color();
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value) ApplyParentFont();
}

void TControl::ApplyParentFont() {
    if (!parentFont_ || !parent_) return;
    font_->Assign(parent_->Font());
    parentFont_ = true;  // the copy is the parent's, not a font of the control's own
}

void TControl::FontChanged() {
    parentFont_ = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetShowHint(bool value) {
    parentShowHint_ = false;
    if (value == showHint_) return;
    showHint_ = value;
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value) {
    parentShowHint_ = value;
    if (value && parent_ && parent_->ShowHint() != showHint_) {
        showHint_ = parent_->ShowHint();
        Perform(CM_SHOWHINTCHANGED);
    }
}

void TControl::SetCursor(TCursor cursor) {
    if (cursor == cursor_) return;
    cursor_ = cursor;
    Perform(CM_CURSORCHANGED);
}

void TControl::Invalidate() {
    if (!parent_ || !parent_->HandleAllocated() || !visible_) return;
    RECT r = BoundsRect();
    InvalidateRect(parent_->handle_, &r, !(controlStyle_ & csOpaque));
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
    if (auto* win = dynamic_cast<TWinControl*>(this); win && win->handle_)
        SetWindowPos(win->handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendToBack() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(list.begin(), this);
    if (auto* win = dynamic_cast<TWinControl*>(this); win && win->handle_)
        SetWindowPos(win->handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

TCustomForm* TControl::ParentForm() const {
    const TControl* top = this;
    while (top->parent_) top = top->parent_;
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

bool TControl::MouseCapture() const {
    if (auto* win = dynamic_cast<const TWinControl*>(this)) return win->handle_ && GetCapture() == win->handle_;
    return parent_ && parent_->captureControl_ == this;
}

void TControl::SetMouseCapture(bool capture) {
    if (capture == MouseCapture()) return;
    if (auto* win = dynamic_cast<TWinControl*>(this)) {
        if (capture)
            SetCapture(win->Handle());
        else
            ReleaseCapture();
        return;
    }
    if (!parent_) return;
    if (capture) {
        parent_->captureControl_ = this;
        SetCapture(parent_->Handle());
    } else {
        parent_->captureControl_ = nullptr;
        if (parent_->handle_ && GetCapture() == parent_->handle_) ReleaseCapture();
    }
}

void TControl::Loaded() {
    TComponent::Loaded();
    ApplyParentColor();
    ApplyParentFont();
    UpdateAnchorRules();
    AdjustSize();
    RequestAlign();
}

void TControl::Click() {
    // A handler of the control's own comes first; without one the action executes.
    if (OnClick)
        OnClick(this);
    else if (actionLink_)
        actionLink_->Execute();
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (handled) return true;
    // Fine turns add up here until they make a whole step; the rest waits for the next turn.
    wheelAccumulator_ += wheelDelta;
    while (wheelAccumulator_ >= WHEEL_DELTA || wheelAccumulator_ <= -WHEEL_DELTA) {
        bool down = wheelAccumulator_ < 0;
        wheelAccumulator_ += down ? WHEEL_DELTA : -WHEEL_DELTA;
        handled = (down ? DoMouseWheelDown(shift, mousePos) : DoMouseWheelUp(shift, mousePos)) || handled;
    }
    return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, POINT mousePos) {
    bool handled = false;
    if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
    return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, POINT mousePos) {
    bool handled = false;
    if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
    return handled;
}

void TControl::MouseWheelHandler(TMessage& message) {
    TCustomForm* form = ParentForm();
    if (form && form != this) {
        form->MouseWheelHandler(message);
        return;
    }
    message.Result = Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
}

void TControl::HandleMouseWheel(TMessage& message) {
    POINT pos = PointOf(message.LParam);
    message.Result = 0;
    if (DoMouseWheel(static_cast<TShiftState>(LOWORD(message.WParam)), MouseWheelDelta(message.WParam), pos))
        message.Result = 1;
    else if (parent_)
        message.Result = parent_->Perform(CM_MOUSEWHEEL, message.WParam, message.LParam);
}

void TControl::DoContextPopup(POINT mousePos, bool& handled) {
    if (OnContextPopup) OnContextPopup(this, mousePos, handled);
    if (handled || !popupMenu_ || !popupMenu_->AutoPopup()) return;
    // From the keyboard the menu opens at the control's centre.
    bool fromKeyboard = mousePos.x == -1 && mousePos.y == -1;
    POINT at = ClientToScreen(fromKeyboard ? POINT{width_ / 2, height_ / 2} : mousePos);
    popupMenu_->SetPopupComponent(this);
    handled = true;
    popupMenu_->Popup(at.x, at.y);
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (popupMenu_ == menu) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = menu;
    if (popupMenu_) popupMenu_->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::WndProc(TMessage& message) {
    if (IsMouseClientMessage(message.Msg)) HandleMouseMessage(message);
    Dispatch(message);
}

void TControl::HandleMouseMessage(TMessage& message) {
    POINT p = PointOf(message.LParam);
    TShiftState shift = MouseShiftState(message.WParam);
    switch (message.Msg) {
    case WM_MOUSEMOVE:
        MouseMove(shift, p.x, p.y);
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (controlStyle_ & csCaptureMouse) SetMouseCapture(true);
        if (message.Msg == WM_LBUTTONDBLCLK && (controlStyle_ & csDoubleClicks)) {
            shift |= ssDouble;
            DblClick();
        } else {
            controlState_ |= csLButtonDown | csClicked;
        }
        MouseDown(mbLeft, shift, p.x, p.y);
        break;
    case WM_LBUTTONUP: {
        bool clicked = (controlState_ & csClicked) && Contains(ClientRect(), p);
        controlState_ &= ~(csLButtonDown | csClicked);
        if (controlStyle_ & csCaptureMouse) SetMouseCapture(false);
        if (clicked && (controlStyle_ & csClickEvents)) Click();
        MouseUp(mbLeft, shift, p.x, p.y);
        break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, shift, p.x, p.y);
        break;
    case WM_RBUTTONUP:
        MouseUp(mbRight, shift, p.x, p.y);
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, shift, p.x, p.y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, shift, p.x, p.y);
        break;
    default:
        break;
    }
}

void TControl::Dispatch(TMessage& message) {
    switch (message.Msg) {
    case CM_MOUSEENTER:
        if (OnMouseEnter) OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        if (OnMouseLeave) OnMouseLeave(this);
        return;
    case CM_VISIBLECHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_INVALIDATE:
        Invalidate();
        return;
    case CM_PARENTCOLORCHANGED:
        ApplyParentColor();
        return;
    case CM_PARENTBIDIMODECHANGED:
        ApplyParentBiDiMode();
        return;
    case CM_BIDIMODECHANGED:
        Invalidate();
        return;
    case CM_MOUSEWHEEL:
        HandleMouseWheel(message);
        return;
    case CM_PARENTFONTCHANGED:
        ApplyParentFont();
        return;
    case CM_PARENTSHOWHINTCHANGED:
        if (parentShowHint_) SetParentShowHint(true);
        return;
    default:
        DefaultHandler(message);
    }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Left")) return SetLeft(PropertyInt(name, value));
    if (SameText(name, "Top")) return SetTop(PropertyInt(name, value));
    if (SameText(name, "Width")) return SetWidth(PropertyInt(name, value));
    if (SameText(name, "Height")) return SetHeight(PropertyInt(name, value));
    if (SameText(name, "ClientWidth")) return SetClientSize(PropertyInt(name, value), ClientHeight());
    if (SameText(name, "ClientHeight")) return SetClientSize(ClientWidth(), PropertyInt(name, value));
    if (SameText(name, "Align"))
        return SetAlign(PropertyEnum<TAlign>(name, value,
                                             {{"alNone", alNone},
                                              {"alTop", alTop},
                                              {"alBottom", alBottom},
                                              {"alLeft", alLeft},
                                              {"alRight", alRight},
                                              {"alClient", alClient},
                                              {"alCustom", alCustom}}));
    if (SameText(name, "Anchors"))
        return SetAnchors(PropertySet(
            name, value, {{"akLeft", akLeft}, {"akTop", akTop}, {"akRight", akRight}, {"akBottom", akBottom}}));
    if (SameText(name, "Constraints.MinWidth")) return void(constraints_.MinWidth = PropertyInt(name, value));
    if (SameText(name, "Constraints.MinHeight")) return void(constraints_.MinHeight = PropertyInt(name, value));
    if (SameText(name, "Constraints.MaxWidth")) return void(constraints_.MaxWidth = PropertyInt(name, value));
    if (SameText(name, "Constraints.MaxHeight")) return void(constraints_.MaxHeight = PropertyInt(name, value));
    if (SameText(name, "AutoSize")) return SetAutoSize(PropertyBool(name, value));
    if (SameText(name, "Visible")) return SetVisible(PropertyBool(name, value));
    if (SameText(name, "Enabled")) return SetEnabled(PropertyBool(name, value));
    if (SameText(name, "Color")) return SetColor(PropertyColor(name, value));
    if (SameText(name, "ParentColor")) return SetParentColor(PropertyBool(name, value));
    if (SameText(name, "ParentFont")) return SetParentFont(PropertyBool(name, value));
    if (SameText(name, "Caption") || SameText(name, "Text")) return SetText(value);
    if (SameText(name, "Hint")) return SetHint(value);
    if (SameText(name, "ShowHint")) return SetShowHint(PropertyBool(name, value));
    if (SameText(name, "ParentShowHint")) return SetParentShowHint(PropertyBool(name, value));
    if (SameText(name, "Cursor")) return SetCursor(static_cast<TCursor>(PropertyInt(name, value)));
    if (SameText(name, "Tag")) return void(Tag = PropertyInt(name, value));
    if (SameText(name, "BiDiMode"))
        return SetBiDiMode(PropertyEnum<TBiDiMode>(name, value,
                                                   {{"bdLeftToRight", bdLeftToRight},
                                                    {"bdRightToLeft", bdRightToLeft},
                                                    {"bdRightToLeftNoAlign", bdRightToLeftNoAlign},
                                                    {"bdRightToLeftReadingOnly", bdRightToLeftReadingOnly}}));
    if (SameText(name, "ParentBiDiMode")) return SetParentBiDiMode(PropertyBool(name, value));
    if (SameText(name, "DragMode"))
        return SetDragMode(
            PropertyEnum<TDragMode>(name, value, {{"dmManual", dmManual}, {"dmAutomatic", dmAutomatic}}));
    if (SameText(name, "DragKind"))
        return SetDragKind(PropertyEnum<TDragKind>(name, value, {{"dkDrag", dkDrag}, {"dkDock", dkDock}}));
    if (SameText(name, "DragCursor")) return SetDragCursor(static_cast<TCursor>(PropertyInt(name, value)));
    if (SameText(name, "Font.Name")) return font_->SetName(value);
    if (SameText(name, "Font.Size")) return font_->SetSize(PropertyInt(name, value));
    if (SameText(name, "Font.Height")) return font_->SetHeight(PropertyInt(name, value));
    if (SameText(name, "Font.Color")) return font_->SetColor(PropertyColor(name, value));
    if (SameText(name, "Font.Style"))
        return font_->SetStyle(PropertySet(
            name, value,
            {{"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}}));
    throw EPropertyError("Property " + name + " does not exist in " + ClassName());
}


void TControl::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnClick")) return AssignEvent(OnClick, name, handler);
    if (SameText(name, "OnDblClick")) return AssignEvent(OnDblClick, name, handler);
    if (SameText(name, "OnResize")) return AssignEvent(OnResize, name, handler);
    if (SameText(name, "OnMouseDown")) return AssignEvent(OnMouseDown, name, handler);
    if (SameText(name, "OnMouseUp")) return AssignEvent(OnMouseUp, name, handler);
    if (SameText(name, "OnMouseMove")) return AssignEvent(OnMouseMove, name, handler);
    if (SameText(name, "OnMouseEnter")) return AssignEvent(OnMouseEnter, name, handler);
    if (SameText(name, "OnMouseLeave")) return AssignEvent(OnMouseLeave, name, handler);
    if (SameText(name, "OnMouseWheel")) return AssignEvent(OnMouseWheel, name, handler);
    if (SameText(name, "OnMouseWheelDown")) return AssignEvent(OnMouseWheelDown, name, handler);
    if (SameText(name, "OnMouseWheelUp")) return AssignEvent(OnMouseWheelUp, name, handler);
    if (SameText(name, "OnContextPopup")) return AssignEvent(OnContextPopup, name, handler);
    if (SameText(name, "OnDragDrop")) return AssignEvent(OnDragDrop, name, handler);
    if (SameText(name, "OnDragOver")) return AssignEvent(OnDragOver, name, handler);
    if (SameText(name, "OnEndDrag")) return AssignEvent(OnEndDrag, name, handler);
    if (SameText(name, "OnStartDrag")) return AssignEvent(OnStartDrag, name, handler);
    if (SameText(name, "OnEndDock")) return AssignEvent(OnEndDock, name, handler);
    if (SameText(name, "OnStartDock")) return AssignEvent(OnStartDock, name, handler);
    throw EPropertyError("Event " + name + " does not exist in " + ClassName());
}

}  // namespace parch
