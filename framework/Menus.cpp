#include "framework/Menus.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <unordered_map>

#include "base/Exceptions.h"
#include "framework/Actions.h"
#include "framework/Screen.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/WinApi.h"

namespace parch {

// ---------------------------------------------------------------------------------------------
// Shortcut texts

namespace menukeys {

struct KeyName {
    WORD key;
    const char* name;
};

constexpr KeyName kSpecialKeys[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"},     {VK_ESCAPE, "Esc"}, {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},  {VK_END, "End"},    {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},  {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

struct Modifier {
    TShortCut flag;
    const char* prefix;
};

// The order texts are written in.
constexpr Modifier kModifiers[] = {{scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}};

std::string KeyText(WORD key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F12) return "F" + std::to_string(key - VK_F1 + 1);
    for (const KeyName& k : kSpecialKeys)
        if (k.key == key) return k.name;
    return {};
}

bool StartsWithNoCase(const std::string& text, std::size_t at, const std::string& prefix) {
    if (text.size() - at < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

}  // namespace menukeys

std::string ShortCutToText(TShortCut shortCut) {
    std::string key = menukeys::KeyText(shortCut & 0xFF);
    if (key.empty()) return {};
    std::string text;
    for (const auto& m : menukeys::kModifiers)
        if (shortCut & m.flag) text += m.prefix;
    return text + key;
}

TShortCut TextToShortCut(const std::string& text) {
    TShortCut modifiers = 0;
    std::size_t at = 0;
    for (bool found = true; found;) {
        found = false;
        for (const auto& m : menukeys::kModifiers) {
            if (!menukeys::StartsWithNoCase(text, at, m.prefix)) continue;
            modifiers |= m.flag;
            at += std::string(m.prefix).size();
            found = true;
        }
    }
    std::string rest = text.substr(at);
    if (rest.empty()) return 0;
    for (WORD key = 1; key < 0x100; ++key) {
        std::string name = menukeys::KeyText(key);
        if (!name.empty() && name.size() == rest.size() && menukeys::StartsWithNoCase(rest, 0, name))
            return static_cast<TShortCut>(key | modifiers);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Commands and platform menus of the items

namespace menuregistry {

// WM_COMMAND carries the command in 16 bits and one window may show items of several menus, so
// commands are handed out program-wide, below the system commands.
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0xEFFF;

struct Registry {
    std::mutex mutex;
    std::unordered_map<UINT, TMenuItem*> commands;
    std::unordered_map<HMENU, TMenuItem*> handles;
    UINT next = kFirstCommand;
};

Registry& R() {
    static auto* registry = new Registry;
    return *registry;
}

UINT AllocateCommand(TMenuItem* item) {
    Registry& r = R();
    std::lock_guard lock(r.mutex);
    for (UINT tries = 0; tries <= kLastCommand - kFirstCommand; ++tries) {
        UINT command = r.next;
        r.next = command == kLastCommand ? kFirstCommand : command + 1;
        if (r.commands.emplace(command, item).second) return command;
    }
    throw Exception("No menu command is left for another menu item");
}

void FreeCommand(UINT command) {
    std::lock_guard lock(R().mutex);
    R().commands.erase(command);
}

void SetHandle(HMENU menu, TMenuItem* item) {
    std::lock_guard lock(R().mutex);
    if (item)
        R().handles[menu] = item;
    else
        R().handles.erase(menu);
}

TMenuItem* ByCommand(UINT command) {
    std::lock_guard lock(R().mutex);
    auto it = R().commands.find(command);
    return it == R().commands.end() ? nullptr : it->second;
}

TMenuItem* ByHandle(HMENU menu) {
    std::lock_guard lock(R().mutex);
    auto it = R().handles.find(menu);
    return it == R().handles.end() ? nullptr : it->second;
}

}  // namespace menuregistry

// ---------------------------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(menuregistry::AllocateCommand(this)) {}

TMenuItem::~TMenuItem() {
    Destroying();
    if (parent_) parent_->Remove(this);
    while (!items_.empty()) delete items_.back();
    DestroyHandle();
    menuregistry::FreeCommand(command_);
}

TMenuItem* TMenuItem::FromCommand(UINT command) {
    return menuregistry::ByCommand(command);
}

TMenuItem* TMenuItem::FromHandle(HMENU menu) {
    return menuregistry::ByHandle(menu);
}

void TMenuItem::SetCaption(const std::string& value) {
    if (caption_ == value) return;
    caption_ = value;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut value) {
    if (shortCut_ == value) return;
    shortCut_ = value;
    Changed();
}

void TMenuItem::SetChecked(bool value) {
    if (checked_ == value) return;
    checked_ = value;
    if (value && radioItem_) UncheckGroupSiblings();
    Changed();
}

void TMenuItem::UncheckGroupSiblings() {
    if (!parent_) return;
    for (TMenuItem* sibling : parent_->items_)
        if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->SetChecked(false);
}

void TMenuItem::SetRadioItem(bool value) {
    if (radioItem_ == value) return;
    radioItem_ = value;
    if (value && checked_) UncheckGroupSiblings();
    Changed();
}

void TMenuItem::SetGroupIndex(BYTE value) {
    if (groupIndex_ == value) return;
    groupIndex_ = value;
    if (radioItem_ && checked_) UncheckGroupSiblings();
}

void TMenuItem::SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    Changed();
}

void TMenuItem::SetVisible(bool value) {
    if (visible_ == value) return;
    visible_ = value;
    Changed();
}

void TMenuItem::SetDefault(bool value) {
    if (default_ == value) return;
    if (value && parent_)
        for (TMenuItem* sibling : parent_->items_) sibling->default_ = false;
    default_ = value;
    Changed();
}

void TMenuItem::SetBreak(TMenuBreak value) {
    if (break_ == value) return;
    break_ = value;
    Changed();
}

TBitmap& TMenuItem::Bitmap() {
    if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
    return *bitmap_;
}

void TMenuItem::SetBitmap(TBitmap* value) {
    if (value)
        Bitmap().Assign(value);
    else
        bitmap_.reset();
    Changed();
}

void TMenuItem::SetImageIndex(int value) {
    if (imageIndex_ == value) return;
    imageIndex_ = value;
    Changed();
}

void TMenuItem::SetAction(TBasicAction* action) {
    if (action_ == action) return;
    if (action_) action_->RemoveFreeNotification(this);
    action_ = action;
    if (action_) {
        action_->FreeNotification(this);
        InitiateAction();
    }
}

void TMenuItem::InitiateAction() {
    if (!action_) return;
    action_->Update();
    auto* action = dynamic_cast<TCustomAction*>(action_);
    if (!action) return;
    // Each setter refills the menu only when its value really changed; an action without a
    // caption or hint leaves the item's own.
    if (!action->Caption().empty()) SetCaption(action->Caption());
    SetEnabled(action->Enabled());
    SetChecked(action->Checked());
    SetVisible(action->Visible());
    if (!action->Hint().empty()) SetHint(action->Hint());
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == action_) action_ = nullptr;
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("Menu index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    if (item->parent_) throw EMenuError("Menu inserted twice");
    for (const TMenuItem* p = this; p; p = p->parent_)
        if (p == item) throw EMenuError("A menu item cannot hold itself");
    if (index < 0 || index > Count()) throw EListError("Menu index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    if (item->radioItem_ && item->checked_) item->UncheckGroupSiblings();
    SubItemsChanged();
}

void TMenuItem::Delete(int index) {
    delete Items(index);
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    items_.erase(it);
    item->parent_ = nullptr;
    if (!(ComponentState() & csDestroying)) SubItemsChanged();
}

void TMenuItem::Clear() {
    while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

namespace menuitem {

std::string WithoutAccelerators(const std::string& caption) {
    std::string text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        text += caption[i];
    }
    return text;
}

}  // namespace menuitem

TMenuItem* TMenuItem::Find(const std::string& caption) const {
    std::string wanted = menuitem::WithoutAccelerators(caption);
    for (TMenuItem* item : items_)
        if (SameText(menuitem::WithoutAccelerators(item->caption_), wanted)) return item;
    return nullptr;
}

void TMenuItem::SetMenuIndex(int index) {
    if (!parent_) return;
    TMenuItem* parent = parent_;
    index = std::clamp(index, 0, parent->Count() - 1);
    if (index == MenuIndex()) return;
    parent->Remove(this);
    parent->Insert(index, this);
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    return root->menu_;
}

bool TMenuItem::IsTopLevelOfBar() const {
    return parent_ && parent_->menu_ && !parent_->menu_->IsPopup();
}

bool TMenuItem::HasPicture() const {
    return GlyphSize().cx > 0;
}

bool TMenuItem::IsOwnerDraw() const {
    const TMenu* menu = GetParentMenu();
    if ((menu && menu->OwnerDraw()) || OnDrawItem || OnAdvancedDrawItem || OnMeasureItem || HasPicture()) return true;
    // Beside a picture the items are drawn alike, their captions in one column.
    if (!parent_ || IsTopLevelOfBar()) return false;
    return std::any_of(parent_->items_.begin(), parent_->items_.end(), [](const TMenuItem* s) { return s->HasPicture(); });
}

std::string TMenuItem::DisplayText() const {
    std::string shortcut = ShortCutToText(shortCut_);
    return shortcut.empty() || IsTopLevelOfBar() ? caption_ : caption_ + "\t" + shortcut;
}

HMENU TMenuItem::Handle() {
    if (handle_ && !IsMenu(handle_)) {
        // The window that showed the menu went with it.
        menuregistry::SetHandle(handle_, nullptr);
        handle_ = nullptr;
    }
    if (handle_) return handle_;
    handle_ = (menu_ && !menu_->IsPopup()) ? CreateMenu() : CreatePopupMenu();
    menuregistry::SetHandle(handle_, this);
    for (TMenuItem* item : items_) item->AppendTo(handle_);
    return handle_;
}

void TMenuItem::AppendTo(HMENU menu) {
    if (!visible_) return;
    MENUITEMINFO info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
    bool ownerDraw = IsOwnerDraw();
    info.fType = IsLine() && !ownerDraw ? MFT_SEPARATOR : ownerDraw ? MFT_OWNERDRAW : MFT_STRING;
    if (radioItem_) info.fType |= MFT_RADIOCHECK;
    if (break_ == mbBreak) info.fType |= MFT_MENUBREAK;
    if (break_ == mbBarBreak) info.fType |= MFT_MENUBARBREAK;
    info.fState = (checked_ ? MFS_CHECKED : 0) | (enabled_ ? 0 : MFS_GRAYED) | (default_ ? MFS_DEFAULT : 0);
    info.wID = command_;
    info.dwItemData = command_;
    info.hSubMenu = items_.empty() ? nullptr : Handle();
    std::string text = DisplayText();
    if (!IsLine() && !ownerDraw) {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
    }
    InsertMenuItem(menu, static_cast<UINT>(GetMenuItemCount(menu)), 1, &info);
}

void TMenuItem::RebuildHandle() {
    if (!handle_ || (ComponentState() & csDestroying)) return;
    if (!IsMenu(handle_)) {
        Handle();
        return;
    }
    // Removing keeps the submenus: they belong to the subitems.
    while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
    for (TMenuItem* item : items_) item->AppendTo(handle_);
}

void TMenuItem::DestroyHandle() {
    if (!handle_) return;
    menuregistry::SetHandle(handle_, nullptr);
    if (IsMenu(handle_)) {
        while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
        DestroyMenu(handle_);
    }
    handle_ = nullptr;
}

void TMenuItem::Changed() {
    if (ComponentState() & csDestroying) return;
    if (parent_) parent_->RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

void TMenuItem::SubItemsChanged() {
    if (ComponentState() & csDestroying) return;
    RebuildHandle();
    Changed();
}

void TMenuItem::Click() {
    if (!enabled_) return;
    if (autoCheck_) SetChecked(radioItem_ ? true : !checked_);
    if (OnClick)
        OnClick(this);
    else if (action_)
        action_->Execute();
}

// ---------------------------------------------------------------------------------------------
// Owner drawing

namespace menudraw {

constexpr int kGlyphColumn = 16;  // the least room for a check mark or a picture
constexpr int kMargin = 4;
constexpr int kShortcutGap = 24;
constexpr int kSubmenuArrow = 16;
constexpr int kBarPadding = 6;

void UseMenuFont(TCanvas& canvas, bool bold) {
    if (Screen) canvas.SetFont(Screen->MenuFont());
    if (bold) canvas.Font().SetStyle(canvas.Font().Style() | fsBold);
}

SIZE TextSize(TCanvas& canvas, const std::string& text) {
    RECT r{0, 0, 0, 0};
    DrawText(canvas.Handle(), text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    return {r.right - r.left, r.bottom - r.top};
}

void DrawCheck(TCanvas& canvas, const RECT& box, bool radio) {
    int cx = (box.left + box.right) / 2;
    int cy = (box.top + box.bottom) / 2;
    canvas.Brush().SetColor(canvas.Font().Color());
    canvas.Pen().SetColor(canvas.Font().Color());
    if (radio) {
        canvas.Ellipse(cx - 3, cy - 3, cx + 3, cy + 3);
        return;
    }
    const POINT mark[] = {{cx - 4, cy - 1}, {cx - 1, cy + 2}, {cx + 4, cy - 3}};
    for (int dy = 0; dy < 2; ++dy) {
        const POINT line[] = {{mark[0].x, mark[0].y + dy}, {mark[1].x, mark[1].y + dy}, {mark[2].x, mark[2].y + dy}};
        canvas.Polyline(line);
    }
}

}  // namespace menudraw

SIZE TMenuItem::GlyphSize() const {
    const TMenu* menu = GetParentMenu();
    if (imageIndex_ >= 0 && menu && menu->Images()) return {menu->Images()->Width(), menu->Images()->Height()};
    if (bitmap_ && !bitmap_->Empty()) return {bitmap_->Width(), bitmap_->Height()};
    return {0, 0};
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height) {
    DefaultMeasure(canvas, width, height);
    if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::DefaultMeasure(TCanvas& canvas, int& width, int& height) {
    menudraw::UseMenuFont(canvas, default_);
    if (IsLine()) {
        width = menudraw::kGlyphColumn;
        height = 2 * menudraw::kMargin;
        return;
    }
    SIZE glyph = GlyphSize();
    SIZE text = menudraw::TextSize(canvas, caption_.empty() ? " " : caption_);
    height = std::max(text.cy + menudraw::kMargin + 2, static_cast<int>(glyph.cy) + menudraw::kMargin);
    if (IsTopLevelOfBar()) {
        width = text.cx + 2 * menudraw::kBarPadding + (glyph.cx ? glyph.cx + menudraw::kMargin : 0);
        return;
    }
    std::string shortcut = ShortCutToText(shortCut_);
    int shortcutWidth = shortcut.empty() ? 0 : menudraw::kShortcutGap + menudraw::TextSize(canvas, shortcut).cx;
    width = std::max(menudraw::kGlyphColumn, static_cast<int>(glyph.cx)) + 2 * menudraw::kMargin + text.cx + shortcutWidth + menudraw::kSubmenuArrow;
}

void TMenuItem::DrawItem(TCanvas& canvas, const RECT& rect, TOwnerDrawState state) {
    if (OnAdvancedDrawItem)
        OnAdvancedDrawItem(this, canvas, rect, state);
    else if (OnDrawItem)
        OnDrawItem(this, canvas, rect, (state & odSelected) != 0);
    else
        DefaultDraw(canvas, rect, state);
}

void TMenuItem::DrawGlyph(TCanvas& canvas, const RECT& column, TOwnerDrawState state) {
    SIZE glyph = GlyphSize();
    int x = column.left + (column.right - column.left - glyph.cx) / 2;
    int y = column.top + (column.bottom - column.top - glyph.cy) / 2;
    const TMenu* menu = GetParentMenu();
    if (checked_ && glyph.cx) {
        RECT frame{x - 2, y - 2, x + glyph.cx + 2, y + glyph.cy + 2};
        DrawEdge(canvas.Handle(), &frame, BDR_SUNKENOUTER, BF_RECT);
    }
    if (imageIndex_ >= 0 && menu && menu->Images())
        menu->Images()->Draw(canvas, x, y, imageIndex_, enabled_);
    else if (bitmap_ && !bitmap_->Empty())
        canvas.Draw(x, y, bitmap_.get());
    else if (checked_)
        menudraw::DrawCheck(canvas, column, radioItem_);
    (void)state;
}

void TMenuItem::DefaultDraw(TCanvas& canvas, const RECT& rect, TOwnerDrawState state) {
    menudraw::UseMenuFont(canvas, (state & odDefault) != 0 || default_);
    bool bar = IsTopLevelOfBar();
    bool selected = (state & (odSelected | odHotLight)) != 0;
    canvas.Brush().SetColor(selected ? clHighlight : bar ? clMenuBar : clMenu);
    canvas.FillRect(rect);
    if (IsLine()) {
        int y = (rect.top + rect.bottom) / 2 - 1;
        canvas.Pen().SetColor(clBtnShadow);
        canvas.MoveTo(rect.left + menudraw::kMargin, y);
        canvas.LineTo(rect.right - menudraw::kMargin, y);
        canvas.Pen().SetColor(clBtnHighlight);
        canvas.MoveTo(rect.left + menudraw::kMargin, y + 1);
        canvas.LineTo(rect.right - menudraw::kMargin, y + 1);
        return;
    }
    canvas.Font().SetColor(!enabled_ ? clGrayText : selected ? clHighlightText : clMenuText);
    SIZE glyph = GlyphSize();
    int column = bar ? (glyph.cx ? glyph.cx + menudraw::kMargin : 0) : std::max(menudraw::kGlyphColumn, static_cast<int>(glyph.cx)) + 2 * menudraw::kMargin;
    RECT glyphRect{rect.left + (bar ? menudraw::kBarPadding : 0), rect.top, rect.left + (bar ? menudraw::kBarPadding : 0) + column, rect.bottom};
    DrawGlyph(canvas, glyphRect, state);
    SetBkMode(canvas.Handle(), TRANSPARENT);
    UINT flags = DT_SINGLELINE | DT_VCENTER | ((state & odNoAccel) ? DT_HIDEPREFIX : 0);
    RECT text{glyphRect.right + (bar ? 0 : menudraw::kMargin), rect.top, rect.right - (bar ? menudraw::kBarPadding : menudraw::kSubmenuArrow), rect.bottom};
    DrawText(canvas.Handle(), caption_.c_str(), -1, &text, flags | (bar && !glyph.cx ? DT_CENTER : DT_LEFT));
    std::string shortcut = bar ? std::string() : ShortCutToText(shortCut_);
    if (!shortcut.empty()) DrawText(canvas.Handle(), shortcut.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
}

// ---------------------------------------------------------------------------------------------
// TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
    items_->menu_ = this;
    imageLink_.OnChange = [this](TObject*) {
        items_->RebuildHandle();
        MenuChanged();
    };
}

TMenu::~TMenu() {
    Destroying();
    // The items go first: they refill no menu any more once the root is going.
    items_.reset();
    if (images_) images_->UnRegisterChanges(&imageLink_);
}

void TMenu::SetOwnerDraw(bool value) {
    if (ownerDraw_ == value) return;
    ownerDraw_ = value;
    items_->SubItemsChanged();
}

void TMenu::SetImages(TCustomImageList* images) {
    if (images_ == images) return;
    if (images_) {
        images_->UnRegisterChanges(&imageLink_);
        images_->RemoveFreeNotification(this);
    }
    images_ = images;
    if (images_) {
        images_->RegisterChanges(&imageLink_);
        images_->FreeNotification(this);
    }
    items_->SubItemsChanged();
}

void TMenu::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == images_) {
        images_ = nullptr;
        if (!(ComponentState() & csDestroying)) items_->SubItemsChanged();
    }
}

namespace menusearch {

template <class Match>
TMenuItem* FindInTree(TMenuItem* item, const Match& match) {
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* child = item->Items(i);
        if (match(child)) return child;
        if (TMenuItem* deeper = FindInTree(child, match)) return deeper;
    }
    return nullptr;
}

// Each item up the tree lets its action update it; an item under a hidden or disabled parent
// cannot act.
bool ReachableAfterUpdate(TMenuItem* item) {
    for (TMenuItem* p = item; p && p->Parent(); p = p->Parent()) {
        p->InitiateAction();
        if (!p->Enabled() || !p->Visible()) return false;
    }
    return true;
}

}  // namespace menusearch

TMenuItem* TMenu::FindItem(UINT_PTR value, TFindItemKind kind) const {
    auto match = [value, kind](TMenuItem* item) {
        switch (kind) {
        case fkCommand:
            return item->Command() == value;
        case fkHandle:
            return item->HandleAllocated() && reinterpret_cast<UINT_PTR>(item->Handle()) == value;
        case fkShortCut:
            return item->ShortCut() != 0 && item->ShortCut() == value;
        }
        return false;
    };
    if (kind == fkHandle && items_->HandleAllocated() && reinterpret_cast<UINT_PTR>(items_->handle_) == value)
        return items_.get();
    return menusearch::FindInTree(items_.get(), match);
}

bool TMenu::DispatchCommand(UINT command) {
    TMenuItem* item = FindItem(command, fkCommand);
    if (!item) return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(HMENU menu) {
    TMenuItem* item = FindItem(reinterpret_cast<UINT_PTR>(menu), fkHandle);
    if (!item) return false;
    for (int i = 0; i < item->Count(); ++i) item->Items(i)->InitiateAction();
    return true;
}

bool TMenu::IsShortCut(const TMessage& message) {
    if (message.Msg != WM_KEYDOWN && message.Msg != WM_SYSKEYDOWN) return false;
    TShortCut shortCut = ::parch::ShortCut(static_cast<WORD>(message.WParam), KeyboardShiftState());
    TMenuItem* item = FindItem(shortCut, fkShortCut);
    if (!item || !menusearch::ReachableAfterUpdate(item)) return false;
    item->Click();
    return true;
}

void TMenu::MenuChanged() {}

// ---------------------------------------------------------------------------------------------
// TMainMenu

void TMainMenu::MenuChanged() {
    HWND window = WindowHandle();
    if (!window || !IsWindow(window) || (ComponentState() & csDestroying)) return;
    if (GetMenu(window) != Handle())
        SetMenu(window, Handle());
    else
        DrawMenuBar(window);
}

// ---------------------------------------------------------------------------------------------
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

void TPopupMenu::SetPopupComponent(TComponent* component) {
    if (popupComponent_ == component) return;
    if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
    popupComponent_ = component;
    if (popupComponent_) popupComponent_->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
    TMenu::Notification(component, operation);
    if (operation == TOperation::opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::DoPopup() {
    if (OnPopup) OnPopup(this);
}

HWND TPopupMenu::OwnerWindow() const {
    TCustomForm* form = nullptr;
    if (auto* control = dynamic_cast<TControl*>(popupComponent_)) form = control->ParentForm();
    if (!form) {
        for (TComponent* c = Owner(); c && !form; c = c->Owner()) form = dynamic_cast<TCustomForm*>(c);
    }
    if (!form && Screen) form = Screen->ActiveForm();
    if (form && form->HandleAllocated()) return form->Handle();
    return Application ? Application->Handle() : nullptr;
}

void TPopupMenu::Popup(int x, int y) {
    DoPopup();
    for (int i = 0; i < Items()->Count(); ++i) Items()->Items(i)->InitiateAction();
    static constexpr UINT kAlign[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
    HWND owner = OwnerWindow();
    SetWindowHandle(owner);
    // The choice comes back here rather than as WM_COMMAND, so it runs once even when the
    // owner window is not a form that dispatches menu commands.
    UINT command = static_cast<UINT>(TrackPopupMenu(Handle(), kAlign[static_cast<int>(alignment_)] | TPM_RIGHTBUTTON | TPM_RETURNCMD,
                                                    x, y, 0, owner, nullptr));
    if (command) DispatchCommand(command);
}

// ---------------------------------------------------------------------------------------------
// Menu messages of a form

namespace menumessages {

TMenuItem* ItemOfSelection(WPARAM wParam, LPARAM lParam) {
    UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && !lParam) return nullptr;
    if (flags & MF_POPUP) {
        HMENU sub = GetSubMenu(reinterpret_cast<HMENU>(lParam), LOWORD(wParam));
        TMenuItem* parent = sub ? TMenuItem::FromHandle(sub) : nullptr;
        return parent;
    }
    return TMenuItem::FromCommand(LOWORD(wParam));
}

// A canvas over a device context it does not own.
class TBorrowedCanvas {
public:
    explicit TBorrowedCanvas(HDC dc) : saved_(SaveDC(dc)), dc_(dc) { canvas_.SetHandle(dc); }
    ~TBorrowedCanvas() {
        canvas_.SetHandle(nullptr);
        RestoreDC(dc_, saved_);
    }
    TBorrowedCanvas(const TBorrowedCanvas&) = delete;
    TBorrowedCanvas& operator=(const TBorrowedCanvas&) = delete;
    TCanvas& Canvas() { return canvas_; }

private:
    TCanvas canvas_;
    int saved_;
    HDC dc_;
};

bool Measure(MEASUREITEMSTRUCT& measure) {
    TMenuItem* item = TMenuItem::FromCommand(measure.itemID);
    if (!item) return false;
    HDC dc = GetDC(nullptr);
    {
        TBorrowedCanvas canvas(dc);
        int width = static_cast<int>(measure.itemWidth);
        int height = static_cast<int>(measure.itemHeight);
        item->MeasureItem(canvas.Canvas(), width, height);
        measure.itemWidth = static_cast<UINT>(std::max(width, 0));
        measure.itemHeight = static_cast<UINT>(std::max(height, 0));
    }
    ReleaseDC(nullptr, dc);
    return true;
}

bool Draw(const DRAWITEMSTRUCT& draw) {
    TMenuItem* item = TMenuItem::FromCommand(draw.itemID);
    if (!item) return false;
    TBorrowedCanvas canvas(draw.hDC);
    item->DrawItem(canvas.Canvas(), draw.rcItem, draw.itemState);
    return true;
}

}  // namespace menumessages

bool DispatchMenuMessage(TMainMenu* formMenu, TMessage& message) {
    switch (message.Msg) {
    case WM_COMMAND:
        if (message.LParam || HIWORD(message.WParam) > 1 || !formMenu) return false;
        return formMenu->DispatchCommand(LOWORD(message.WParam));
    case WM_INITMENUPOPUP: {
        TMenuItem* item = TMenuItem::FromHandle(reinterpret_cast<HMENU>(message.WParam));
        if (!item) return false;
        for (int i = 0; i < item->Count(); ++i) item->Items(i)->InitiateAction();
        return true;
    }
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        if (message.WParam || !measure || measure->CtlType != ODT_MENU || !menumessages::Measure(*measure)) return false;
        message.Result = 1;
        return true;
    }
    case WM_DRAWITEM: {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
        if (message.WParam || !draw || draw->CtlType != ODT_MENU || !menumessages::Draw(*draw)) return false;
        message.Result = 1;
        return true;
    }
    case WM_MENUSELECT: {
        if (!Application) return false;
        TMenuItem* item = menumessages::ItemOfSelection(message.WParam, message.LParam);
        Application->SetHint(item ? GetLongHint(item->Hint()) : std::string());
        return false;  // the default handling goes on
    }
    default:
        return false;
    }
}

}  // namespace parch
