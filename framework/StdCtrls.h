#pragma once
// The standard controls on the window system's control classes (edits, memos, buttons,
// check boxes, radio buttons, list and combo boxes), the group box and the label.

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/StringList.h"

#include "framework/CustomControls.h"
#include "framework/Forms.h"
#include "framework/GraphicControls.h"

namespace parch {

using TOwnerDrawState = unsigned;
constexpr TOwnerDrawState odSelected = 0x0001;
constexpr TOwnerDrawState odGrayed = 0x0002;
constexpr TOwnerDrawState odDisabled = 0x0004;
constexpr TOwnerDrawState odChecked = 0x0008;
constexpr TOwnerDrawState odFocused = 0x0010;
constexpr TOwnerDrawState odDefault = 0x0020;
constexpr TOwnerDrawState odComboBoxEdit = 0x1000;

using TDrawItemEvent = std::function<void(TWinControl* control, int index, RECT rect, TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(TWinControl* control, int index, int& height)>;

enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
using enum TEditCharCase;
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
using enum TScrollStyle;

// The brush a control answers WM_CTLCOLOR* with: its colour, made again when that changes.
class TControlBrush {
public:
    TControlBrush() = default;
    ~TControlBrush();
    TControlBrush(const TControlBrush&) = delete;
    TControlBrush& operator=(const TControlBrush&) = delete;
    // Sets the context's colours for the control and answers the brush.
    LRESULT Answer(HDC dc, TColor color, TColor textColor);

private:
    HBRUSH brush_ = nullptr;
    TColor color_ = clNone;
};

// The text an edit shows for text under a password character: one character per code point.
std::string PasswordMaskText(const std::string& text, char32_t passwordChar);

// A one-line text field on the "Edit" window class. The text outlives the window.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);

    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    char32_t PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char32_t value);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    // What the window shows: the text, or one password character per code point.
    std::string DisplayText() const;

    // Selection in code points.
    int SelStart();
    void SetSelStart(int value);
    int SelLength();
    void SetSelLength(int value);
    std::string SelText();
    void SetSelText(const std::string& value);
    bool Modified();
    void SetModified(bool value);

    bool CanUndo();
    void Undo();
    void ClearUndo();
    void Clear();
    void ClearSelection();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void SelectAll();
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TNotifyEvent OnChange;

protected:
    // The text changed: CM_CHANGED to the control itself, then OnChange.
    virtual void Change();
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& message) override;
    bool CanAutoSize(int& width, int& height) override;
    // The control's text takes the window's (the user typed, or the window changed it).
    void TakeWindowText();

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
    char32_t passwordChar_ = 0;
    TEditCharCase charCase_ = ecNormal;
    bool autoSelect_ = true;
    TFormBorderStyle borderStyle_ = bsSingle;
    bool hideSelection_ = true;
    bool modified_ = false;  // kept while there is no window
    TControlBrush brush_;
};

class TEdit : public TCustomEdit {
public:
    using TCustomEdit::TCustomEdit;
};

class TCustomMemo;

// The lines of a memo, read and written through the window's line messages.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TCustomMemo& memo) : memo_(memo) {}
    int Count() const override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;
    void SetText(std::string_view text) override;

protected:
    std::string Get(int index) const override;
    void Put(int index, const std::string& text) override;

private:
    HWND Window() const;
    void Replace(int start, int end, const std::string& text);
    TCustomMemo& memo_;
};

// A multi-line edit.
class TCustomMemo : public TCustomEdit {
public:
    explicit TCustomMemo(TComponent* owner);
    ~TCustomMemo() override;

    TStrings& Lines() { return *lines_; }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool value) { wantReturns_ = value; }
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value) { wantTabs_ = value; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;
    void KeyPress(char16_t& key) override;

private:
    friend class TMemoStrings;
    std::unique_ptr<TMemoStrings> lines_;
    TScrollStyle scrollBars_ = ssNone;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    TAlignment alignment_ = taLeftJustify;
};

class TMemo : public TCustomMemo {
public:
    using TCustomMemo::TCustomMemo;
};

// The base of the controls on the "Button" window class.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);

protected:
    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool) {}
    void Dispatch(TMessage& message) override;
    // Set while the state changes from the window's own click: no second Click.
    bool clicksDisabled_ = false;

private:
    TControlBrush brush_;
};

// A push button that can be the form's default (Enter) or cancel (Escape) button and sets
// the form's ModalResult when clicked. The default button, or the focused button, has the
// BS_DEFPUSHBUTTON look.
class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    void Click() override;
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    // Whether the button shows as the active default one.
    virtual void SetButtonStyle(bool isDefault);
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;
    bool Active() const { return active_; }

private:
    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
};

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
using enum TCheckBoxState;

class TCustomCheckBox : public TButtonControl {
public:
    explicit TCustomCheckBox(TComponent* owner);

    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState value);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    bool Checked() const { return GetChecked(); }
    void SetChecked(bool value) override { SetState(value ? cbChecked : cbUnchecked); }
    // taRightJustify: the box on the left, the text right of it.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    bool GetChecked() const override { return state_ == cbChecked; }
    // The next state of a click: unchecked, checked, grayed (with AllowGrayed), unchecked.
    virtual void Toggle();
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
public:
    using TCustomCheckBox::TCustomCheckBox;
};

// Checking a radio button unchecks the radio buttons of the same parent.
class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);

    bool Checked() const { return GetChecked(); }
    // Checking unchecks the radio buttons of the same parent.
    void SetChecked(bool value) override;
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    bool GetChecked() const override { return checked_; }
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;

private:
    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
};

// A frame with a caption on its top edge around the controls placed in it.
class TCustomGroupBox : public TCustomControl {
public:
    explicit TCustomGroupBox(TComponent* owner);

protected:
    void AdjustClientRect(RECT& rect) override;
    void Paint() override;
    void Dispatch(TMessage& message) override;
    // The height of the caption band: the frame's top line runs through its middle.
    int CaptionHeight();
};

class TGroupBox : public TCustomGroupBox {
public:
    using TCustomGroupBox::TCustomGroupBox;
};

enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
using enum TListBoxStyle;

class TCustomListBox;

// Items of a list box: through the LB_ messages while the window exists, kept in a list
// of their own while it does not. Objects are the items' data.
class TListBoxStrings : public TStrings {
public:
    explicit TListBoxStrings(TCustomListBox& listBox) : listBox_(listBox) {}
    int Count() const override;
    int AddObject(const std::string& text, TObject* object) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;
    int IndexOf(std::string_view text) const override;

protected:
    std::string Get(int index) const override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;

private:
    TCustomListBox& listBox_;
};

class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TStrings& Items() { return *items_; }
    void SetItems(const TStrings& items) { items_->Assign(&items); }
    int ItemIndex();
    void SetItemIndex(int value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool ExtendedSelect() const { return extendedSelect_; }
    void SetExtendedSelect(bool value);
    bool Selected(int index);
    void SetSelected(int index, bool value);
    int SelCount();
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle value);
    int ItemHeight();
    void SetItemHeight(int value);
    int TopIndex();
    void SetTopIndex(int value);
    int Columns() const { return columns_; }
    void SetColumns(int value);
    // The item at a client point; -1 when none, or with existing false the count when the
    // point lies below the last item.
    int ItemAtPos(POINT pos, bool existing);
    RECT ItemRect(int index);
    void Clear() { items_->Clear(); }
    TCanvas& Canvas() { return *canvas_; }
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    virtual void DrawItem(int index, RECT rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& message) override;

private:
    friend class TListBoxStrings;
    void DrawItemMessage(TMessage& message);
    void MeasureItemMessage(TMessage& message);

    std::unique_ptr<TListBoxStrings> items_;
    std::unique_ptr<TCanvas> canvas_;
    // The items, selection and scroll position while there is no window.
    struct Saved {
        std::vector<std::pair<std::string, TObject*>> items;
        std::vector<int> selected;
        int itemIndex = -1;
        int topIndex = 0;
    } saved_;
    bool multiSelect_ = false;
    bool extendedSelect_ = true;
    bool sorted_ = false;
    TListBoxStyle style_ = lbStandard;
    int itemHeight_ = 16;
    int columns_ = 0;
};

class TListBox : public TCustomListBox {
public:
    using TCustomListBox::TCustomListBox;
};

enum class TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
using enum TComboBoxStyle;

class TCustomComboBox;

// Items of a combo box, through the CB_ messages; kept in a list of their own without a window.
class TComboBoxStrings : public TStrings {
public:
    explicit TComboBoxStrings(TCustomComboBox& combo) : combo_(combo) {}
    int Count() const override;
    int AddObject(const std::string& text, TObject* object) override;
    void Insert(int index, const std::string& text) override;
    void Delete(int index) override;
    void Clear() override;
    int IndexOf(std::string_view text) const override;

protected:
    std::string Get(int index) const override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;

private:
    TCustomComboBox& combo_;
};

// A combo box on the "ComboBox" window class. Its inner edit and list windows are
// subclassed: their messages pass through EditWndProc and ListWndProc, which share
// ComboWndProc.
class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    TStrings& Items() { return *items_; }
    void SetItems(const TStrings& items) { items_->Assign(&items); }
    int ItemIndex();
    void SetItemIndex(int value);
    int DropDownCount() const { return dropDownCount_; }
    virtual void SetDropDownCount(int value);
    bool DroppedDown();
    void SetDroppedDown(bool value);
    int ItemHeight();
    void SetItemHeight(int value);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    int SelStart();
    void SetSelStart(int value);
    int SelLength();
    void SetSelLength(int value);
    std::string SelText();
    void SetSelText(const std::string& value);
    void Clear();
    HWND EditHandle() const { return editHandle_; }
    HWND ListHandle() const { return listHandle_; }
    TCanvas& Canvas() { return *canvas_; }
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    virtual void EditWndProc(TMessage& message);
    virtual void ListWndProc(TMessage& message);
    // A message of an inner window: the combo's key events, then the window's own procedure.
    virtual void ComboWndProc(TMessage& message, HWND comboWnd, WNDPROC comboProc);
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    virtual void DrawItem(int index, RECT rect, TOwnerDrawState state);
    virtual void MeasureItem(int index, int& height);
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& message) override;

private:
    friend class TComboBoxStrings;
    friend LRESULT ComboInnerWindowProc(HWND, UINT, WPARAM, LPARAM);
    void HookInnerWindows();
    void UnhookInnerWindows();
    void ApplyDropDownCount();
    void DrawItemMessage(TMessage& message);
    void MeasureItemMessage(TMessage& message);

    std::unique_ptr<TComboBoxStrings> items_;
    std::unique_ptr<TCanvas> canvas_;
    std::vector<std::pair<std::string, TObject*>> savedItems_;
    int savedIndex_ = -1;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    int itemHeight_ = 16;
    int maxLength_ = 0;
    bool sorted_ = false;
    TEditCharCase charCase_ = ecNormal;
    HWND editHandle_ = nullptr;
    HWND listHandle_ = nullptr;
    WNDPROC defEditProc_ = nullptr;
    WNDPROC defListProc_ = nullptr;
};

class TComboBox : public TCustomComboBox {
public:
    using TCustomComboBox::TCustomComboBox;
};

enum class TTextLayout { tlTop, tlCenter, tlBottom };
using enum TTextLayout;

// Whether key is the accelerator of caption: the character after a single '&' (no case).
bool IsAccel(char16_t key, const std::string& caption);

// A windowless text: one line or wrapped, aligned in its rectangle, with an '&' marking the
// accelerator that focuses FocusControl. AutoSize fits the rectangle to the text.
class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);
    ~TCustomLabel() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Draws no background: what lies behind shows.
    bool Transparent() const { return !(ControlStyle() & csOpaque); }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control);
    void SetPropertyText(const std::string& name, const std::string& value) override;

protected:
    // Draws (or with DT_CALCRECT measures into rect) the caption with the label's font.
    virtual void DoDrawText(RECT& rect, UINT flags);
    virtual std::string GetLabelText() const { return Caption(); }
    void Paint() override;
    void Dispatch(TMessage& message) override;
    bool CanAutoSize(int& width, int& height) override;
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // Fits the bounds to the text when AutoSize is on, keeping the aligned edge in place.
    void AdjustBounds();

private:
    UINT TextFlags() const;
    RECT MeasureText();

    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
};

}  // namespace parch
