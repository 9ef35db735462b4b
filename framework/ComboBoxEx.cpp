#include "framework/ComboBoxEx.h"

#include <algorithm>

#include "framework/PropertyText.h"
#include "platform/win/ComboBoxExClass.h"
#include "platform/win/WinApi.h"
#include "platform/win/WindowProcs.h"

namespace parch {

namespace comboboxex {

constexpr UINT_PTR kInnerSubclassId = 0x43424558;  // "CBEX"

std::string InnerWindowText(HWND hwnd) {
    const int length = GetWindowTextLength(hwnd);
    std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    const int copied = GetWindowText(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

}  // namespace comboboxex

// ---- TComboExItem

TComboExItem::TComboExItem(TCollection* collection) : TCollectionItem(collection) {}

void TComboExItem::SetCaption(const std::string& value) {
    if (value == caption_) return;
    caption_ = value;
    Changed(false);
}

void TComboExItem::SetImageIndex(int value) {
    if (value == imageIndex_) return;
    imageIndex_ = value;
    Changed(false);
}

void TComboExItem::SetSelectedImageIndex(int value) {
    if (value == selectedImageIndex_) return;
    selectedImageIndex_ = value;
    Changed(false);
}

void TComboExItem::SetOverlayImageIndex(int value) {
    if (value == overlayImageIndex_) return;
    overlayImageIndex_ = value;
    Changed(false);
}

void TComboExItem::SetIndent(int value) {
    if (value == indent_) return;
    indent_ = value;
    Changed(false);
}

void TComboExItem::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TComboExItem*>(source);
    if (!other) return TCollectionItem::Assign(source);
    caption_ = other->caption_;
    imageIndex_ = other->imageIndex_;
    selectedImageIndex_ = other->selectedImageIndex_;
    overlayImageIndex_ = other->overlayImageIndex_;
    indent_ = other->indent_;
    data_ = other->data_;
    Changed(false);
}

// ---- TComboExItems

TComboExItems::TComboExItems(TCustomComboBoxEx* combo) : TCollection(ItemClass<TComboExItem>(), combo), combo_(combo) {}

TComboExItem* TComboExItems::Add() { return Insert(Count()); }

TComboExItem* TComboExItems::Insert(int index) {
    TUpdateGuard held(*this);
    return static_cast<TComboExItem*>(TCollection::Insert(index));
}

TComboExItem* TComboExItems::AddItem(const std::string& caption, int imageIndex, int selectedImageIndex,
                                     int overlayImageIndex, int indent, void* data) {
    TUpdateGuard held(*this);
    auto* item = static_cast<TComboExItem*>(TCollection::Add());
    item->SetCaption(caption);
    item->SetImageIndex(imageIndex);
    item->SetSelectedImageIndex(selectedImageIndex);
    item->SetOverlayImageIndex(overlayImageIndex);
    item->SetIndent(indent);
    item->SetData(data);
    return item;
}

void TComboExItems::Update(TCollectionItem* item) {
    if (item)
        combo_->UpdateItem(item->Index());
    else
        combo_->SendItemsToWindow();
}

// ---- TCustomComboBoxEx

LRESULT ComboExInnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR refData) {
    auto* combo = reinterpret_cast<TCustomComboBoxEx*>(refData);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &ComboExInnerProc, comboboxex::kInnerSubclassId);
        if (hwnd == combo->comboHandle_) combo->comboHandle_ = nullptr;
        if (hwnd == combo->editHandle_) combo->editHandle_ = nullptr;
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    TMessage message{msg, wParam, lParam, 0};
    try {
        combo->ComboWndProc(message, hwnd);
    } catch (...) {
        HandleEventException(combo);
    }
    return message.Result;
}

TCustomComboBoxEx::TCustomComboBoxEx(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TComboExItems>(this)), images_(*this, [this] { ImageListChange(); }) {
    SetControlStyle(csSetCaption | csDoubleClicks);
    SetTabStop(true);
    SetColor(clWindow);
    SetParentColor(false);
    StoreBounds(0, 0, 145, 22);
}

TCustomComboBoxEx::~TCustomComboBoxEx() {
    UnhookInnerWindows();
    items_->BeginUpdate();  // the items go without telling a half-destroyed control
    items_.reset();
}

void TCustomComboBoxEx::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, WC_COMBOBOXEX);
    static constexpr DWORD kStyle[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST};
    params.Style |= kStyle[static_cast<int>(style_)];
}

void TCustomComboBoxEx::CreateWnd() {
    TWinControl::CreateWnd();
    HWND hwnd = Handle();
    SendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    SendMessage(hwnd, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Handle()));
    SendItemsToWindow();
    SendMessage(hwnd, CB_SETMINVISIBLE, static_cast<WPARAM>(dropDownCount_), 0);
    if (style_ != csExDropDownList) SetWindowText(hwnd, Text().c_str());
    if (savedIndex_ >= 0) SetItemIndex(savedIndex_);
    savedIndex_ = -1;
    HookInnerWindows();
}

void TCustomComboBoxEx::DestroyWnd() {
    if (HandleAllocated()) savedIndex_ = ItemIndex();
    UnhookInnerWindows();
    TWinControl::DestroyWnd();
}

void TCustomComboBoxEx::HookInnerWindows() {
    comboHandle_ = reinterpret_cast<HWND>(SendMessage(Handle(), CBEM_GETCOMBOCONTROL, 0, 0));
    editHandle_ = reinterpret_cast<HWND>(SendMessage(Handle(), CBEM_GETEDITCONTROL, 0, 0));
    for (HWND inner : {comboHandle_, editHandle_})
        if (inner) SetWindowSubclass(inner, &ComboExInnerProc, comboboxex::kInnerSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void TCustomComboBoxEx::UnhookInnerWindows() {
    for (HWND inner : {comboHandle_, editHandle_})
        if (inner && IsWindow(inner)) RemoveWindowSubclass(inner, &ComboExInnerProc, comboboxex::kInnerSubclassId);
    comboHandle_ = editHandle_ = nullptr;
}

void TCustomComboBoxEx::ComboWndProc(TMessage& message, HWND innerWnd) {
    message.Result = DefSubclassProc(innerWnd, message.Msg, message.WParam, message.LParam);
}

void TCustomComboBoxEx::SendItemsToWindow() {
    if (!items_ || !HandleAllocated()) return;
    HWND hwnd = Handle();
    const int index = ItemIndex();
    SendMessage(hwnd, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_->Count(); ++i) {
        COMBOBOXEXITEMA record;
        record.iItem = i;
        record.mask = CBEIF_TEXT;
        SendMessage(hwnd, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&record));
        UpdateItem(i);
    }
    if (index >= 0 && index < items_->Count()) SendMessage(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TCustomComboBoxEx::UpdateItem(int index) {
    if (!items_ || !HandleAllocated() || index < 0 || index >= items_->Count()) return;
    // An item that is still being made (or unmade) is not one yet.
    auto* item = dynamic_cast<TComboExItem*>(items_->TCollection::Items(index));
    if (!item) return;
    std::string caption = item->Caption();
    COMBOBOXEXITEMA record;
    record.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_OVERLAY | CBEIF_INDENT | CBEIF_LPARAM;
    record.iItem = index;
    record.pszText = caption.data();
    record.iImage = item->ImageIndex();
    record.iSelectedImage = item->SelectedImageIndex() >= 0 ? item->SelectedImageIndex() : item->ImageIndex();
    record.iOverlay = item->OverlayImageIndex() >= 0 ? item->OverlayImageIndex() + 1 : 0;
    record.iIndent = std::max(item->Indent(), 0);
    record.lParam = reinterpret_cast<LPARAM>(item->Data());
    SendMessage(Handle(), CBEM_SETITEMA, 0, reinterpret_cast<LPARAM>(&record));
    if (index == ItemIndex() && style_ == csExDropDownList) TControl::SetText(caption);
}

void TCustomComboBoxEx::SetStyle(TComboBoxExStyle value) {
    if (value == style_) return;
    style_ = value;
    RecreateWnd();
}

void TCustomComboBoxEx::SetImages(TCustomImageList* value) {
    if (images_.Set(value)) ImageListChange();
}

void TCustomComboBoxEx::ImageListChange() {
    if (!HandleAllocated()) return;
    SendMessage(Handle(), CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.Handle()));
    InvalidateRect(Handle(), nullptr, 1);
}

void TCustomComboBoxEx::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    // A freed list left its link already; the window must not keep drawing from it.
    if (operation == TOperation::opRemove && !images_.List() && HandleAllocated() &&
        SendMessage(Handle(), CBEM_GETIMAGELIST, 0, 0))
        ImageListChange();
}

int TCustomComboBoxEx::ItemIndex() {
    if (!HandleAllocated()) return savedIndex_;
    return static_cast<int>(SendMessage(Handle(), CB_GETCURSEL, 0, 0));
}

void TCustomComboBoxEx::SetItemIndex(int value) {
    if (value < -1 || value >= items_->Count()) value = -1;
    if (!HandleAllocated()) {
        savedIndex_ = value;
        return;
    }
    SendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(value), 0);
    TControl::SetText(value >= 0 ? items_->Items(value)->Caption() : std::string{});
}

int TCustomComboBoxEx::ItemHeight() {
    return static_cast<int>(SendMessage(Handle(), CB_GETITEMHEIGHT, 0, 0));
}

void TCustomComboBoxEx::SetDropDownCount(int value) {
    dropDownCount_ = std::max(value, 1);
    if (HandleAllocated()) SendMessage(Handle(), CB_SETMINVISIBLE, static_cast<WPARAM>(dropDownCount_), 0);
}

bool TCustomComboBoxEx::DroppedDown() {
    return HandleAllocated() && SendMessage(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBoxEx::SetDroppedDown(bool value) {
    SendMessage(Handle(), CB_SHOWDROPDOWN, value ? 1 : 0, 0);
}

void TCustomComboBoxEx::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBoxEx::Select() {
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBoxEx::DropDown() {
    if (OnDropDown) OnDropDown(this);
}

void TCustomComboBoxEx::CloseUp() {
    if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBoxEx::CommandMessage(WORD code) {
    switch (code) {
        case CBN_SELCHANGE: {
            const int index = ItemIndex();
            if (index >= 0 && index < items_->Count()) TControl::SetText(items_->Items(index)->Caption());
            Click();
            Select();
            break;
        }
        case CBN_EDITCHANGE:
            if (editHandle_) TControl::SetText(comboboxex::InnerWindowText(editHandle_));
            Change();
            break;
        case CBN_DROPDOWN: DropDown(); break;
        case CBN_CLOSEUP: CloseUp(); break;
        default: break;
    }
}

void TCustomComboBoxEx::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case CN_COMMAND:
            CommandMessage(HIWORD(message.WParam));
            return;
        case CN_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
            if (header && header->code == CBEN_BEGINEDIT && OnBeginEdit) OnBeginEdit(this);
            if (header && header->code == CBEN_ENDEDITA && OnEndEdit) OnEndEdit(this);
            return;
        }
        case CM_FONTCHANGED:
            if (HandleAllocated()) SendMessage(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 1);
            TWinControl::Dispatch(message);
            return;
        default:
            TWinControl::Dispatch(message);
    }
}

void TCustomComboBoxEx::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "ItemIndex")) return SetItemIndex(PropertyInt(name, value));
    if (SameText(name, "DropDownCount")) return SetDropDownCount(PropertyInt(name, value));
    if (SameText(name, "Style"))
        return SetStyle(PropertyEnum<TComboBoxExStyle>(
            name, value,
            {{"csExDropDown", csExDropDown}, {"csExSimple", csExSimple}, {"csExDropDownList", csExDropDownList}}));
    TWinControl::SetPropertyText(name, value);
}

void TCustomComboBoxEx::SetEvent(const std::string& name, const std::any& handler) {
    if (SameText(name, "OnChange")) return AssignEvent(OnChange, name, handler);
    if (SameText(name, "OnSelect")) return AssignEvent(OnSelect, name, handler);
    if (SameText(name, "OnDropDown")) return AssignEvent(OnDropDown, name, handler);
    if (SameText(name, "OnCloseUp")) return AssignEvent(OnCloseUp, name, handler);
    if (SameText(name, "OnBeginEdit")) return AssignEvent(OnBeginEdit, name, handler);
    if (SameText(name, "OnEndEdit")) return AssignEvent(OnEndEdit, name, handler);
    TWinControl::SetEvent(name, handler);
}

}  // namespace parch
