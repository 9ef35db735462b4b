#pragma once
// Menus: items in a tree (TMenuItem) behind a platform menu that is built when first asked for
// and refilled in place when an item changes; the form's menu bar (TMainMenu) and popup menus
// (TPopupMenu) shown at a point or by a control's context-menu request. Items can be drawn by
// the program (owner draw), carry a bitmap or an image of the menu's image list, and stand for
// a key with its shift keys (ShortCut).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "platform/win/Menus.h"

namespace parch {

class TMenu;
class TCustomAction;

class TMenuItem;
using TMenuDrawItemEvent = std::function<void(TObject* sender, TCanvas& canvas, RECT rect, bool selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* sender, TCanvas& canvas, RECT rect, TOwnerDrawState state)>;
using TMenuMeasureItemEvent = std::function<void(TObject* sender, TCanvas& canvas, int& width, int& height)>;

// A menu item put where it cannot go (into a second parent, into itself).
class EMenuError : public Exception {
public:
    using Exception::Exception;
};

// The text of a shortcut ("Ctrl+S", "Shift+Del", "F5"); empty for a key without a name.
std::string ShortCutToText(TShortCut shortCut);
// The shortcut a text names (modifiers in any order, case ignored); 0 when it names none.
TShortCut TextToShortCut(const std::string& text);

// Where an item starts a new column of its popup (mbBarBreak with a line between).
enum class TMenuBreak { mbNone, mbBreak, mbBarBreak };
using enum TMenuBreak;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    // Leaves its parent and frees its items.
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    // A caption of "-" alone makes a separator.
    bool IsLine() const { return caption_ == "-"; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    bool Checked() const { return checked_; }
    // Checking a radio item unchecks the radio items of its group among its siblings.
    void SetChecked(bool value);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool value);
    BYTE GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(BYTE value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool Default() const { return default_; }
    void SetDefault(bool value);
    TMenuBreak Break() const { return break_; }
    void SetBreak(TMenuBreak value);
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }
    // The item's picture, made empty when first asked for; call BitmapChanged after drawing
    // into it.
    TBitmap& Bitmap();
    void SetBitmap(TBitmap* value);
    void BitmapChanged() { Changed(); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& value) { hint_ = value; }

    // The action the item shows and runs (not owned; nullptr for none). Its values are taken
    // when it is set and each time the item's action is initiated.
    TBasicAction* Action() const { return action_; }
    void SetAction(TBasicAction* action);
    // Lets the action update itself and takes its Enabled, Checked and Visible, and its Caption
    // and Hint where it has them.
    void InitiateAction();

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Frees the item at index.
    void Delete(int index);
    // Takes the item out without freeing it.
    void Remove(TMenuItem* item);
    // Frees every item.
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    // The item with this caption ('&' and case ignored); nullptr when none.
    TMenuItem* Find(const std::string& caption) const;
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
    void SetMenuIndex(int index);
    // The menu whose tree holds the item (nullptr when none).
    TMenu* GetParentMenu() const;

    // The platform menu of the item's subitems (a menu bar for a main menu's root), built when
    // first asked for.
    HMENU Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // The command the platform menu reports for the item: unique in the program.
    UINT Command() const { return command_; }
    // The item whose command or platform menu this is (nullptr when none).
    static TMenuItem* FromCommand(UINT command);
    static TMenuItem* FromHandle(HMENU menu);

    // Runs the item (when enabled): AutoCheck turns the check, then OnClick, or without one
    // the action's Execute.
    virtual void Click();
    // Drawing by the program: owner draw when the menu asks for it, or the item has drawing
    // events, a bitmap or an image, or stands in a popup beside one that has.
    bool IsOwnerDraw() const;
    virtual void MeasureItem(TCanvas& canvas, int& width, int& height);
    virtual void DrawItem(TCanvas& canvas, const RECT& rect, TOwnerDrawState state);

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TMenu;
    void Changed();
    void SubItemsChanged();
    void RebuildHandle();
    void AppendTo(HMENU menu);
    void DestroyHandle();
    void UncheckGroupSiblings();
    bool IsTopLevelOfBar() const;
    bool HasPicture() const;
    std::string DisplayText() const;
    void DefaultMeasure(TCanvas& canvas, int& width, int& height);
    void DefaultDraw(TCanvas& canvas, const RECT& rect, TOwnerDrawState state);
    SIZE GlyphSize() const;
    void DrawGlyph(TCanvas& canvas, const RECT& column, TOwnerDrawState state);

    std::string caption_;
    TShortCut shortCut_ = 0;
    bool checked_ = false;
    bool radioItem_ = false;
    BYTE groupIndex_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    bool default_ = false;
    bool autoCheck_ = false;
    TMenuBreak break_ = mbNone;
    std::unique_ptr<TBitmap> bitmap_;
    int imageIndex_ = -1;
    std::string hint_;
    TBasicAction* action_ = nullptr;
    std::vector<TMenuItem*> items_;  // owned
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;  // set on a menu's root item only
    HMENU handle_ = nullptr;
    UINT command_ = 0;
};

// What FindItem looks for.
enum class TFindItemKind { fkCommand, fkHandle, fkShortCut };
using enum TFindItemKind;

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    TMenuItem* Items() const { return items_.get(); }
    HMENU Handle() { return items_->Handle(); }
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);
    // The window that shows the menu and gets its messages (null when none).
    HWND WindowHandle() const { return windowHandle_; }
    void SetWindowHandle(HWND hwnd) { windowHandle_ = hwnd; }

    // Clicks the item of this command; false when the menu has none.
    bool DispatchCommand(UINT command);
    // A submenu of this menu opens: its items update from their actions. False when the
    // menu has no such submenu.
    bool DispatchPopup(HMENU menu);
    // value is a command, an HMENU or a TShortCut, as kind says.
    TMenuItem* FindItem(UINT_PTR value, TFindItemKind kind) const;
    // A key down (WM_KEYDOWN or WM_SYSKEYDOWN): the enabled item of that shortcut is clicked.
    bool IsShortCut(const TMessage& message);

    // The menu or an item changed (the menu bar is redrawn, for instance).
    virtual void MenuChanged();

protected:
    // Whether the root's platform menu is a popup menu.
    virtual bool IsPopup() const = 0;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TMenuItem;
    std::unique_ptr<TMenuItem> items_;
    bool ownerDraw_ = false;
    TCustomImageList* images_ = nullptr;
    TChangeLink imageLink_;
    HWND windowHandle_ = nullptr;
};

class TMainMenu : public TMenu {
public:
    using TMenu::TMenu;
    void MenuChanged() override;

protected:
    bool IsPopup() const override { return false; }
};

enum class TPopupAlignment { paLeft, paRight, paCenter };
using enum TPopupAlignment;

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner);

    // Shows the menu at a screen point and runs the chosen item once the menu closes.
    virtual void Popup(int x, int y);
    // The control the menu was last shown for.
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* component);
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment value) { alignment_ = value; }
    // Shown by the context-menu request of a control whose PopupMenu it is.
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }

    TNotifyEvent OnPopup;

protected:
    bool IsPopup() const override { return true; }
    void Notification(TComponent* component, TOperation operation) override;
    virtual void DoPopup();

private:
    HWND OwnerWindow() const;

    TComponent* popupComponent_ = nullptr;
    TPopupAlignment alignment_ = paLeft;
    bool autoPopup_ = true;
};

// The menu messages of a form's window: menu commands, submenus opening, owner-drawn items,
// the item under selection (its hint becomes the application's). True when handled.
bool DispatchMenuMessage(TMainMenu* formMenu, TMessage& message);

}  // namespace parch
