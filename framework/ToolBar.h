#pragma once
// TToolBar over the "ToolbarWindow32" window class, with one TToolButton per button of the
// window: plain, check (alone or in a group), drop-down and separator buttons with pictures from
// the bar's image lists. The window class presses, checks and hot-tracks the buttons; a click
// reaches the button's OnClick through the window's WM_COMMAND. The bar and each button may be
// drawn by the custom-draw events.

#include <memory>
#include <string>
#include <vector>

#include "framework/GraphicControls.h"
#include "framework/ImageListSlot.h"
#include "framework/WinControls.h"
#include "framework/CustomDraw.h"
#include "platform/win/ToolBarClass.h"

namespace parch {

class TToolBar;
class TPopupMenu;

enum class TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };
using enum TToolButtonStyle;

// The TBCDRF_ answers a button's custom drawing may add.
using TTBCustomDrawFlags = unsigned;

class TToolButton : public TGraphicControl {
public:
    explicit TToolButton(TComponent* owner);
    ~TToolButton() override;

    TToolBar* ToolBar() const { return toolBar_; }
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle value);
    // Checked (check buttons) or shown pressed.
    bool Down() const;
    void SetDown(bool value);
    // A check button in a group: checking it unchecks the group's others (the buttons next to
    // it that are grouped check buttons too).
    bool Grouped() const { return grouped_; }
    void SetGrouped(bool value);
    // A grouped button may be unchecked again by a click, leaving the group with none down.
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value) { allowAllUp_ = value; }
    bool Indeterminate() const { return indeterminate_; }
    void SetIndeterminate(bool value);
    // Shown highlighted.
    bool Marked() const { return marked_; }
    void SetMarked(bool value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // The menu a drop-down button's arrow shows (not owned; cleared when it is freed).
    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* menu);
    // The button's position among the bar's buttons.
    int Index() const;
    void SetText(const std::string& text) override;
    void SetEnabled(bool value) override;
    void SetParent(TWinControl* parent) override;
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void Dispatch(TMessage& message) override;

private:
    friend class TToolBar;
    void PlaceAt(const RECT& r) { StoreBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
    BYTE WindowState() const;
    BYTE WindowStyle() const;

    TToolBar* toolBar_ = nullptr;
    int command_ = 0;  // the window's command identifier of this button
    TToolButtonStyle style_ = tbsButton;
    bool down_ = false;
    bool grouped_ = false;
    bool allowAllUp_ = false;
    bool indeterminate_ = false;
    bool marked_ = false;
    int imageIndex_ = -1;
    TPopupMenu* dropdownMenu_ = nullptr;
};

using TTBCustomDrawEvent = std::function<void(TToolBar* sender, const RECT& rect, bool& defaultDraw)>;
using TTBCustomDrawBtnEvent =
    std::function<void(TToolBar* sender, TToolButton* button, TCustomDrawState state, bool& defaultDraw)>;
using TTBAdvancedCustomDrawEvent =
    std::function<void(TToolBar* sender, const RECT& rect, TCustomDrawStage stage, bool& defaultDraw)>;
using TTBAdvancedCustomDrawBtnEvent =
    std::function<void(TToolBar* sender, TToolButton* button, TCustomDrawState state, TCustomDrawStage stage,
                       TTBCustomDrawFlags& flags, bool& defaultDraw)>;

class TToolBar : public TWinControl {
public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

    // The pictures of the buttons, of the hot button, and of disabled buttons (not owned).
    TCustomImageList* Images() const { return images_.List(); }
    void SetImages(TCustomImageList* value);
    TCustomImageList* HotImages() const { return hotImages_.List(); }
    void SetHotImages(TCustomImageList* value);
    TCustomImageList* DisabledImages() const { return disabledImages_.List(); }
    void SetDisabledImages(TCustomImageList* value);

    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool value);
    // Captions beside the pictures instead of below.
    bool List() const { return list_; }
    void SetList(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool Wrapable() const { return wrapable_; }
    void SetWrapable(bool value);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int value);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int value);
    int Indent() const { return indent_; }
    void SetIndent(int value);
    TCanvas& Canvas() { return *canvas_; }
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TTBCustomDrawEvent OnCustomDraw;
    TTBCustomDrawBtnEvent OnCustomDrawButton;
    TTBAdvancedCustomDrawEvent OnAdvancedCustomDraw;
    TTBAdvancedCustomDrawBtnEvent OnAdvancedCustomDrawButton;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual bool CustomDraw(const RECT& rect, TCustomDrawStage stage);
    virtual bool CustomDrawButton(TToolButton* button, TCustomDrawState state, TCustomDrawStage stage,
                                  TTBCustomDrawFlags& flags);

private:
    friend class TToolButton;
    void InsertButton(TToolButton* button);
    void RemoveButton(TToolButton* button);
    // The window's buttons are made again from the tool buttons.
    void RecreateButtons();
    void UpdateButton(TToolButton* button);
    void UpdateButtonState(TToolButton* button);
    // The tool buttons take the places and check states the window gives them.
    void PlaceButtons();
    void ReadDownStates();
    TToolButton* ButtonOfCommand(int command) const;
    void ApplyImageLists();
    void CommandMessage(TMessage& message);
    void NotifyMessage(TMessage& message);
    LRESULT CustomDrawMessage(NMTBCUSTOMDRAW& draw);
    void DropDownMessage(TMessage& message, const NMTOOLBAR& note);

    std::vector<TToolButton*> buttons_;
    int nextCommand_ = 1;
    TImageListSlot images_;
    TImageListSlot hotImages_;
    TImageListSlot disabledImages_;
    std::unique_ptr<TCanvas> canvas_;
    bool showCaptions_ = false;
    bool list_ = false;
    bool flat_ = true;
    bool wrapable_ = true;
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    int indent_ = 0;
};

}  // namespace parch
