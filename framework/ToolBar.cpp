#include "framework/ToolBar.h"

#include <algorithm>

#include "framework/ControlInternals.h"
#include "framework/Menus.h"
#include "framework/PropertyText.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace toolbar {

bool IsSeparatorStyle(TToolButtonStyle style) { return style == tbsSeparator || style == tbsDivider; }

}  // namespace toolbar

// ---- TToolButton

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
    // The window class presses and clicks the button; the control only carries its settings.
    SetControlStyle(csSetCaption);
    StoreBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
    if (toolBar_) toolBar_->RemoveButton(this);
}

void TToolButton::SetParent(TWinControl* parent) {
    auto* toolBar = dynamic_cast<TToolBar*>(parent);
    if (toolBar_ && toolBar_ != toolBar) toolBar_->RemoveButton(this);
    TGraphicControl::SetParent(parent);
    if (toolBar && toolBar_ != toolBar) toolBar->InsertButton(this);
}

int TToolButton::Index() const {
    if (!toolBar_) return -1;
    const auto& buttons = toolBar_->buttons_;
    return static_cast<int>(std::find(buttons.begin(), buttons.end(), this) - buttons.begin());
}

BYTE TToolButton::WindowState() const {
    BYTE state = 0;
    if (Enabled()) state |= TBSTATE_ENABLED;
    if (!Visible()) state |= TBSTATE_HIDDEN;
    if (down_) state |= (style_ == tbsCheck ? TBSTATE_CHECKED : TBSTATE_PRESSED);
    if (indeterminate_) state |= TBSTATE_INDETERMINATE;
    if (marked_) state |= TBSTATE_MARKED;
    return state;
}

BYTE TToolButton::WindowStyle() const {
    switch (style_) {
        case tbsCheck: return grouped_ ? BTNS_CHECKGROUP : BTNS_CHECK;
        case tbsDropDown: return BTNS_DROPDOWN;
        case tbsSeparator:
        case tbsDivider: return BTNS_SEP;
        default: return BTNS_BUTTON;
    }
}

bool TToolButton::Down() const {
    if (toolBar_ && toolBar_->HandleAllocated() && style_ == tbsCheck) {
        // -1: the window does not hold this button (yet).
        const LRESULT checked = SendMessage(toolBar_->Handle(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(command_), 0);
        if (checked >= 0) return checked != 0;
    }
    return down_;
}

void TToolButton::SetDown(bool value) {
    if (value == Down()) return;
    down_ = value;
    if (!toolBar_) return;
    if (toolBar_->HandleAllocated() && style_ == tbsCheck) {
        SendMessage(toolBar_->Handle(), TB_CHECKBUTTON, static_cast<WPARAM>(command_), value ? 1 : 0);
        toolBar_->ReadDownStates();
    } else {
        toolBar_->UpdateButtonState(this);
    }
}

void TToolButton::SetStyle(TToolButtonStyle value) {
    if (value == style_) return;
    style_ = value;
    if (toolBar_) toolBar_->RecreateButtons();
}

void TToolButton::SetGrouped(bool value) {
    if (value == grouped_) return;
    grouped_ = value;
    if (toolBar_) toolBar_->RecreateButtons();
}

void TToolButton::SetIndeterminate(bool value) {
    if (value == indeterminate_) return;
    indeterminate_ = value;
    if (toolBar_) toolBar_->UpdateButtonState(this);
}

void TToolButton::SetMarked(bool value) {
    if (value == marked_) return;
    marked_ = value;
    if (toolBar_) toolBar_->UpdateButtonState(this);
}

void TToolButton::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    if (toolBar_) toolBar_->UpdateButton(this);
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
    if (menu == dropdownMenu_) return;
    if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
    dropdownMenu_ = menu;
    if (menu) menu->FreeNotification(this);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

void TToolButton::SetText(const std::string& text) {
    TGraphicControl::SetText(text);
    if (toolBar_) toolBar_->RecreateButtons();
}

void TToolButton::SetEnabled(bool value) {
    TGraphicControl::SetEnabled(value);
    if (toolBar_) toolBar_->UpdateButtonState(this);
}

void TToolButton::Dispatch(TMessage& message) {
    TGraphicControl::Dispatch(message);
    if (message.Msg == CM_VISIBLECHANGED && toolBar_) toolBar_->RecreateButtons();
}

void TToolButton::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "Style"))
        return SetStyle(PropertyEnum<TToolButtonStyle>(name, value,
                                                       {{"tbsButton", tbsButton},
                                                        {"tbsCheck", tbsCheck},
                                                        {"tbsDropDown", tbsDropDown},
                                                        {"tbsSeparator", tbsSeparator},
                                                        {"tbsDivider", tbsDivider}}));
    if (SameText(name, "Down")) return SetDown(PropertyBool(name, value));
    if (SameText(name, "Grouped")) return SetGrouped(PropertyBool(name, value));
    if (SameText(name, "AllowAllUp")) return SetAllowAllUp(PropertyBool(name, value));
    if (SameText(name, "ImageIndex")) return SetImageIndex(PropertyInt(name, value));
    if (SameText(name, "Indeterminate")) return SetIndeterminate(PropertyBool(name, value));
    if (SameText(name, "Marked")) return SetMarked(PropertyBool(name, value));
    TGraphicControl::SetPropertyText(name, value);
}

// ---- TToolBar

TToolBar::TToolBar(TComponent* owner)
    : TWinControl(owner),
      images_(*this, [this] { ApplyImageLists(); }),
      hotImages_(*this, [this] { ApplyImageLists(); }),
      disabledImages_(*this, [this] { ApplyImageLists(); }),
      canvas_(std::make_unique<TCanvas>()) {
    // The window class captures the mouse and reports clicks itself.
    SetControlStyle(csAcceptsControls | csDoubleClicks | csSetCaption);
    SetColor(clBtnFace);
    SetParentColor(false);
    StoreBounds(0, 0, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar() {
    // The buttons go with the children after this part is gone: they must not call back.
    for (TToolButton* button : buttons_) button->toolBar_ = nullptr;
    buttons_.clear();
}

void TToolBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, TOOLBARCLASSNAME);
    // The framework places the bar (Align), not the window class.
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | WS_CLIPCHILDREN;
    if (flat_) params.Style |= TBSTYLE_FLAT;
    if (list_) params.Style |= TBSTYLE_LIST;
    if (wrapable_) params.Style |= TBSTYLE_WRAPABLE;
}

void TToolBar::CreateWnd() {
    TWinControl::CreateWnd();
    HWND hwnd = Handle();
    SendMessage(hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    SendMessage(hwnd, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessage(hwnd, TB_SETINDENT, static_cast<WPARAM>(indent_), 0);
    ApplyImageLists();
    RecreateButtons();
}

void TToolBar::InsertButton(TToolButton* button) {
    buttons_.push_back(button);
    button->toolBar_ = this;
    button->command_ = nextCommand_++;
    RecreateButtons();
}

void TToolBar::RemoveButton(TToolButton* button) {
    std::erase(buttons_, button);
    button->toolBar_ = nullptr;
    RecreateButtons();
}

void TToolBar::RecreateButtons() {
    if (!HandleAllocated()) return;
    HWND hwnd = Handle();
    ReadDownStates();
    while (SendMessage(hwnd, TB_BUTTONCOUNT, 0, 0) > 0) SendMessage(hwnd, TB_DELETEBUTTON, 0, 0);
    SendMessage(hwnd, TB_SETBUTTONSIZE, 0, MAKELONG(static_cast<WORD>(buttonWidth_), static_cast<WORD>(buttonHeight_)));
    std::vector<std::string> captions;
    captions.reserve(buttons_.size());
    for (TToolButton* button : buttons_) {
        captions.push_back(button->Caption());
        TBBUTTON record;
        const bool separator = toolbar::IsSeparatorStyle(button->style_);
        record.iBitmap = separator ? button->Width() : button->imageIndex_;
        record.idCommand = button->command_;
        record.fsState = button->WindowState();
        record.fsStyle = button->WindowStyle();
        record.iString = showCaptions_ && !separator ? reinterpret_cast<INT_PTR>(captions.back().c_str()) : -1;
        SendMessage(hwnd, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&record));
    }
    PlaceButtons();
}

void TToolBar::UpdateButton(TToolButton* button) {
    if (!HandleAllocated()) return;
    TBBUTTONINFOA info;
    info.dwMask = TBIF_IMAGE;
    info.iImage = button->imageIndex_;
    SendMessage(Handle(), TB_SETBUTTONINFOA, static_cast<WPARAM>(button->command_), reinterpret_cast<LPARAM>(&info));
}

void TToolBar::UpdateButtonState(TToolButton* button) {
    if (!HandleAllocated()) return;
    SendMessage(Handle(), TB_SETSTATE, static_cast<WPARAM>(button->command_), button->WindowState());
}

void TToolBar::PlaceButtons() {
    for (int i = 0; i < ButtonCount(); ++i) {
        RECT r{};
        if (SendMessage(Handle(), TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)))
            buttons_[static_cast<std::size_t>(i)]->PlaceAt(r);
    }
}

void TToolBar::ReadDownStates() {
    for (TToolButton* button : buttons_)
        if (button->style_ == tbsCheck) button->down_ = button->Down();
}

TToolButton* TToolBar::ButtonOfCommand(int command) const {
    for (TToolButton* button : buttons_)
        if (button->command_ == command) return button;
    return nullptr;
}

void TToolBar::ApplyImageLists() {
    if (!HandleAllocated()) return;
    HWND hwnd = Handle();
    if (TCustomImageList* list = images_.List())
        SendMessage(hwnd, TB_SETBITMAPSIZE, 0, MAKELONG(static_cast<WORD>(list->Width()), static_cast<WORD>(list->Height())));
    SendMessage(hwnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Handle()));
    SendMessage(hwnd, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hotImages_.Handle()));
    SendMessage(hwnd, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledImages_.Handle()));
    PlaceButtons();
    InvalidateRect(hwnd, nullptr, 1);
}

void TToolBar::SetImages(TCustomImageList* value) {
    if (images_.Set(value)) ApplyImageLists();
}

void TToolBar::SetHotImages(TCustomImageList* value) {
    if (hotImages_.Set(value)) ApplyImageLists();
}

void TToolBar::SetDisabledImages(TCustomImageList* value) {
    if (disabledImages_.Set(value)) ApplyImageLists();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation != TOperation::opRemove || !HandleAllocated()) return;
    // A freed list left its link already; the window must not keep drawing from it.
    const bool stale = (!images_.List() && SendMessage(Handle(), TB_GETIMAGELIST, 0, 0)) ||
                       (!hotImages_.List() && SendMessage(Handle(), TB_GETHOTIMAGELIST, 0, 0)) ||
                       (!disabledImages_.List() && SendMessage(Handle(), TB_GETDISABLEDIMAGELIST, 0, 0));
    if (stale) ApplyImageLists();
}

void TToolBar::SetShowCaptions(bool value) {
    if (value == showCaptions_) return;
    showCaptions_ = value;
    RecreateButtons();
}

void TToolBar::SetList(bool value) {
    if (value == list_) return;
    list_ = value;
    RecreateWnd();
}

void TToolBar::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    RecreateWnd();
}

void TToolBar::SetWrapable(bool value) {
    if (value == wrapable_) return;
    wrapable_ = value;
    RecreateWnd();
}

void TToolBar::SetButtonWidth(int value) {
    buttonWidth_ = std::clamp(value, 0, 0x7FFF);
    RecreateButtons();
}

void TToolBar::SetButtonHeight(int value) {
    buttonHeight_ = std::clamp(value, 0, 0x7FFF);
    RecreateButtons();
}

void TToolBar::SetIndent(int value) {
    indent_ = std::clamp(value, 0, 0x7FFF);
    if (HandleAllocated()) {
        SendMessage(Handle(), TB_SETINDENT, static_cast<WPARAM>(indent_), 0);
        PlaceButtons();
    }
}

void TToolBar::WndProc(TMessage& message) {
    // The buttons' mouse messages belong to the window class, which presses and clicks them.
    if (IsMouseClientMessage(message.Msg) && !CaptureControl()) {
        TControl* over = ControlAtPos(PointOf(message.LParam), true);
        if (!over || dynamic_cast<TToolButton*>(over)) {
            TControl::WndProc(message);
            return;
        }
    }
    TWinControl::WndProc(message);
}

void TToolBar::CommandMessage(TMessage& message) {
    TToolButton* button = ButtonOfCommand(LOWORD(message.WParam));
    if (!button) return;
    // The window checked or unchecked the button (and its group) before it told us.
    const bool wasDown = button->down_;
    ReadDownStates();
    if (button->style_ == tbsCheck && button->grouped_ && wasDown && button->allowAllUp_) {
        SendMessage(Handle(), TB_CHECKBUTTON, static_cast<WPARAM>(button->command_), 0);
        button->down_ = false;
    }
    button->Click();
}

void TToolBar::DropDownMessage(TMessage& message, const NMTOOLBAR& note) {
    message.Result = TBDDRET_DEFAULT;
    TToolButton* button = ButtonOfCommand(note.iItem);
    if (!button || !button->dropdownMenu_) return;
    POINT below = ClientToScreen({note.rcButton.left, note.rcButton.bottom});
    TPopupMenu* menu = button->dropdownMenu_;
    menu->SetPopupComponent(button);
    menu->Popup(below.x, below.y);
}

bool TToolBar::CustomDraw(const RECT& rect, TCustomDrawStage stage) {
    bool defaultDraw = true;
    if (stage == cdPrePaint && OnCustomDraw) OnCustomDraw(this, rect, defaultDraw);
    if (OnAdvancedCustomDraw) OnAdvancedCustomDraw(this, rect, stage, defaultDraw);
    return defaultDraw;
}

bool TToolBar::CustomDrawButton(TToolButton* button, TCustomDrawState state, TCustomDrawStage stage,
                                TTBCustomDrawFlags& flags) {
    bool defaultDraw = true;
    if (stage == cdPrePaint && OnCustomDrawButton) OnCustomDrawButton(this, button, state, defaultDraw);
    if (OnAdvancedCustomDrawButton) OnAdvancedCustomDrawButton(this, button, state, stage, flags, defaultDraw);
    return defaultDraw;
}

LRESULT TToolBar::CustomDrawMessage(NMTBCUSTOMDRAW& draw) {
    const bool barEvents = OnCustomDraw || OnAdvancedCustomDraw;
    const bool buttonEvents = OnCustomDrawButton || OnAdvancedCustomDrawButton;
    if (!barEvents && !buttonEvents) return CDRF_DODEFAULT;
    const DWORD stage = draw.nmcd.dwDrawStage;
    const TCustomDrawStage drawStage = CustomDrawStageOf(stage);
    LRESULT result = CDRF_DODEFAULT;
    PaintOnCanvas(*canvas_, draw.nmcd.hdc, Font(), [&] {
        if (stage & CDDS_ITEM) {
            TToolButton* button = ButtonOfCommand(static_cast<int>(draw.nmcd.dwItemSpec));
            if (!button) return;
            TTBCustomDrawFlags flags = 0;
            if (!CustomDrawButton(button, draw.nmcd.uItemState, drawStage, flags)) result |= CDRF_SKIPDEFAULT;
            result |= static_cast<LRESULT>(flags);
            return;
        }
        if (barEvents && !CustomDraw(draw.nmcd.rc, drawStage)) {
            result = CDRF_SKIPDEFAULT;
            return;
        }
        if (stage == CDDS_PREPAINT) {
            if (buttonEvents) result |= CDRF_NOTIFYITEMDRAW;
            if (OnAdvancedCustomDraw) result |= CDRF_NOTIFYPOSTPAINT;
        }
    });
    return result;
}

void TToolBar::NotifyMessage(TMessage& message) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    if (!header) return;
    if (header->code == NM_CUSTOMDRAW) {
        message.Result = CustomDrawMessage(*reinterpret_cast<NMTBCUSTOMDRAW*>(header));
    } else if (header->code == TBN_DROPDOWN) {
        DropDownMessage(message, *reinterpret_cast<const NMTOOLBAR*>(header));
    }
}

void TToolBar::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case CN_COMMAND:
            CommandMessage(message);
            return;
        case CN_NOTIFY:
            NotifyMessage(message);
            return;
        case CM_FONTCHANGED:
            if (HandleAllocated()) {
                SendMessage(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 1);
                RecreateButtons();
            }
            TWinControl::Dispatch(message);
            return;
        case WM_SIZE:
            // A wrapable bar lays its rows out anew.
            TWinControl::Dispatch(message);
            if (HandleAllocated()) PlaceButtons();
            return;
        default:
            TWinControl::Dispatch(message);
    }
}

void TToolBar::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "ShowCaptions")) return SetShowCaptions(PropertyBool(name, value));
    if (SameText(name, "List")) return SetList(PropertyBool(name, value));
    if (SameText(name, "Flat")) return SetFlat(PropertyBool(name, value));
    if (SameText(name, "Wrapable")) return SetWrapable(PropertyBool(name, value));
    if (SameText(name, "ButtonWidth")) return SetButtonWidth(PropertyInt(name, value));
    if (SameText(name, "ButtonHeight")) return SetButtonHeight(PropertyInt(name, value));
    if (SameText(name, "Indent")) return SetIndent(PropertyInt(name, value));
    TWinControl::SetPropertyText(name, value);
}

void TToolBar::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnCustomDraw")) return AssignEvent(OnCustomDraw, name, handler);
    if (SameText(name, "OnCustomDrawButton")) return AssignEvent(OnCustomDrawButton, name, handler);
    if (SameText(name, "OnAdvancedCustomDraw")) return AssignEvent(OnAdvancedCustomDraw, name, handler);
    if (SameText(name, "OnAdvancedCustomDrawButton")) return AssignEvent(OnAdvancedCustomDrawButton, name, handler);
    TWinControl::SetEvent(name, handler);
}

}  // namespace parch
