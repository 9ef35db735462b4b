#pragma once
// TCustomComboBoxEx over the "ComboBoxEx32" window class: a combo box whose items carry a
// picture (another while selected, an overlay) and an indent besides their caption. The items
// live in ItemsEx and the window shows them; its inner "ComboBox" (and, for csExDropDown, its
// "Edit") are subclassed so that their messages pass through ComboWndProc.

#include <memory>
#include <string>

#include "base/Collections.h"
#include "framework/ImageListSlot.h"
#include "framework/WinControls.h"

namespace parch {

class TCustomComboBoxEx;

enum class TComboBoxExStyle { csExDropDown, csExSimple, csExDropDownList };
using enum TComboBoxExStyle;

class TComboExItem : public TCollectionItem {
public:
    explicit TComboExItem(TCollection* collection);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    // The picture while the item is selected; -1 shows ImageIndex.
    int SelectedImageIndex() const { return selectedImageIndex_; }
    void SetSelectedImageIndex(int value);
    int OverlayImageIndex() const { return overlayImageIndex_; }
    void SetOverlayImageIndex(int value);
    // Steps of 10 pixels from the left in the list; -1 for none.
    int Indent() const { return indent_; }
    void SetIndent(int value);
    // The caller's value for the item (not owned).
    void* Data() const { return data_; }
    void SetData(void* value) { data_ = value; }
    void Assign(const TPersistent* source) override;

private:
    std::string caption_;
    int imageIndex_ = -1;
    int selectedImageIndex_ = -1;
    int overlayImageIndex_ = -1;
    int indent_ = -1;
    void* data_ = nullptr;
};

class TComboExItems : public TCollection {
public:
    explicit TComboExItems(TCustomComboBoxEx* combo);
    // The combo hears of a new item once it is whole.
    TComboExItem* Add();
    TComboExItem* Insert(int index);
    TComboExItem* AddItem(const std::string& caption, int imageIndex, int selectedImageIndex, int overlayImageIndex,
                          int indent, void* data);
    TComboExItem* Items(int index) const { return static_cast<TComboExItem*>(TCollection::Items(index)); }

protected:
    void Update(TCollectionItem* item) override;

private:
    TCustomComboBoxEx* combo_;
};

class TCustomComboBoxEx : public TWinControl {
public:
    explicit TCustomComboBoxEx(TComponent* owner);
    ~TCustomComboBoxEx() override;

    TComboExItems& ItemsEx() { return *items_; }
    TComboBoxExStyle Style() const { return style_; }
    void SetStyle(TComboBoxExStyle value);
    // The pictures of the items (not owned; cleared when the list goes away).
    TCustomImageList* Images() const { return images_.List(); }
    void SetImages(TCustomImageList* value);
    int ItemIndex();
    void SetItemIndex(int value);
    int ItemHeight();
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value);
    bool DroppedDown();
    void SetDroppedDown(bool value);
    // The inner "ComboBox" and, for csExDropDown and csExSimple, the "Edit" of the field.
    HWND ComboHandle() const { return comboHandle_; }
    HWND EditHandle() const { return editHandle_; }
    void SetPropertyText(const std::string& name, const std::string& value) override;
    void SetEvent(const std::string& name, const std::any& handler) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnBeginEdit;
    TNotifyEvent OnEndEdit;

protected:
    // A message of the inner combo or edit window; the default passes it on to the window.
    virtual void ComboWndProc(TMessage& message, HWND innerWnd);
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TComboExItems;
    friend LRESULT ComboExInnerProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void SendItemsToWindow();
    void UpdateItem(int index);
    void ImageListChange();
    void HookInnerWindows();
    void UnhookInnerWindows();
    void CommandMessage(WORD code);

    std::unique_ptr<TComboExItems> items_;
    TComboBoxExStyle style_ = csExDropDown;
    TImageListSlot images_;
    int savedIndex_ = -1;
    int dropDownCount_ = 8;
    HWND comboHandle_ = nullptr;
    HWND editHandle_ = nullptr;
};

class TComboBoxEx : public TCustomComboBoxEx {
public:
    using TCustomComboBoxEx::TCustomComboBoxEx;
};

}  // namespace parch
