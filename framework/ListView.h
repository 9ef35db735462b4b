#pragma once
// The list view control over the "SysListView32" window class: items with sub-items, columns,
// four view styles, three image lists followed through change links, check boxes, sorting,
// label editing, owner data and the custom-draw events.
//
// The framework keeps every item's texts and image and the window asks for them when it draws
// (text and image callbacks), so there is one copy of them; the window keeps the states and
// the order, which the items read back while it exists and keep while it is made anew.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/StringList.h"
#include "framework/CustomDraw.h"
#include "framework/ImageListSlot.h"
#include "framework/ImgList.h"
#include "framework/WinControls.h"
#include "platform/win/ListViewClass.h"

namespace parch {

class TCustomListView;
class TListItems;

enum class TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
using enum TViewStyle;
enum class TSortType { stNone, stData, stText, stBoth };
using enum TSortType;
enum class TItemChange { ctText, ctImage, ctState };
using enum TItemChange;
enum class TItemFind { ifData, ifPartialString, ifExactString, ifNearest };
using enum TItemFind;
enum class TSortIndicator { siNone, siAscending, siDescending };
using enum TSortIndicator;

// What an owner-data list asks its owner to fill in.
using TItemRequest = unsigned;
constexpr TItemRequest irText = 1;
constexpr TItemRequest irImage = 2;
constexpr TItemRequest irParam = 4;
constexpr TItemRequest irState = 8;

class TListItem {
public:
    TListItem(TListItems& owner);
    ~TListItem();
    TListItem(const TListItem&) = delete;
    TListItem& operator=(const TListItem&) = delete;

    TListItems& Owner() const { return owner_; }
    TCustomListView& ListView() const;
    int Index() const { return index_; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    // Texts of the columns after the first; changes reach the window at once.
    TStringList& SubItems() { return subItems_; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    // The picture of StateImages before the caption; -1 for none.
    int StateIndex() const;
    void SetStateIndex(int index);
    bool Checked() const;
    void SetChecked(bool value);
    bool Selected() const { return (State() & LVIS_SELECTED) != 0; }
    void SetSelected(bool value);
    bool Focused() const { return (State() & LVIS_FOCUSED) != 0; }
    void SetFocused(bool value);
    bool Cut() const { return (State() & LVIS_CUT) != 0; }
    void SetCut(bool value);
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }

    // The item's rectangle of one of the LVIR_ parts; empty without a window.
    RECT DisplayRect(int code) const;
    void MakeVisible(bool partialOk);
    void Update();
    // Starts label editing; false when the window refused.
    bool EditCaption();
    void Delete();

private:
    friend class TListItems;
    friend class TCustomListView;
    UINT State() const;
    void SetState(UINT value, UINT mask);
    void SubItemsChanged();

    TListItems& owner_;
    int index_ = -1;
    std::string caption_;
    TStringList subItems_;
    int imageIndex_ = -1;
    void* data_ = nullptr;
    UINT state_ = 0;  // kept while there is no window
};

class TListItems {
public:
    explicit TListItems(TCustomListView& owner);
    ~TListItems();
    TListItems(const TListItems&) = delete;
    TListItems& operator=(const TListItems&) = delete;

    TCustomListView& Owner() const { return owner_; }
    int Count() const;
    // Owner data: the number of rows the list shows.
    void SetCount(int count);
    // The item at index; with owner data, a scratch item the owner filled in for that row.
    TListItem* Item(int index) const;
    TListItem* operator[](int index) const { return Item(index); }
    TListItem* Add();
    TListItem* Insert(int index);
    void Delete(int index);
    void Clear();
    int IndexOf(const TListItem* item) const { return item ? item->Index() : -1; }

    // Redrawing waits until the last EndUpdate; prefer the guard, which ends the update on
    // every path, also when an exception passes.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    using UpdateGuard = TUpdateGuard<TListItems>;

private:
    friend class TCustomListView;
    friend class TListItem;
    void Renumber(int from);
    // Puts the items into the window, in order, with their states.
    void PutIntoWindow(HWND hwnd);
    // Keeps the window's states and order in the items before the window goes.
    void TakeFromWindow(HWND hwnd);
    // Reorders the items as the window holds them (after the window sorted).
    void FollowWindowOrder(HWND hwnd);

    TCustomListView& owner_;
    std::vector<std::unique_ptr<TListItem>> items_;
    int ownerDataCount_ = 0;
    mutable std::unique_ptr<TListItem> scratch_;
    int updateCount_ = 0;
};

class TListColumns;

class TListColumn {
public:
    TListColumn(TListColumns& owner);

    int Index() const;
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    // The width now shown (the user may drag it), -1 while it follows the text.
    int Width() const;
    void SetWidth(int width);
    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value);
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    // The sort arrow of the column's header section.
    TSortIndicator SortIndicator() const { return sortIndicator_; }
    void SetSortIndicator(TSortIndicator value);
    void* Tag = nullptr;

private:
    friend class TListColumns;
    friend class TCustomListView;
    LVCOLUMNA Description() const;
    void Changed();
    void ApplySortIndicator(HWND header) const;

    TListColumns& owner_;
    std::string caption_;
    TAlignment alignment_ = taLeftJustify;
    int width_ = 50;
    int minWidth_ = 0;
    int maxWidth_ = 0;
    int imageIndex_ = -1;
    TSortIndicator sortIndicator_ = siNone;
};

class TListColumns {
public:
    explicit TListColumns(TCustomListView& owner) : owner_(owner) {}
    TCustomListView& Owner() const { return owner_; }
    int Count() const { return static_cast<int>(columns_.size()); }
    TListColumn* Items(int index) const { return columns_.at(static_cast<std::size_t>(index)).get(); }
    TListColumn* operator[](int index) const { return Items(index); }
    TListColumn* Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TListColumn* column) const;

private:
    friend class TCustomListView;
    TCustomListView& owner_;
    std::vector<std::unique_ptr<TListColumn>> columns_;
};

using TLVChangeEvent = std::function<void(TObject* sender, TListItem* item, TItemChange change)>;
using TLVChangingEvent =
    std::function<void(TObject* sender, TListItem* item, TItemChange change, bool& allowChange)>;
using TLVSelectItemEvent = std::function<void(TObject* sender, TListItem* item, bool selected)>;
using TLVColumnClickEvent = std::function<void(TObject* sender, TListColumn* column)>;
using TLVCompareEvent =
    std::function<void(TObject* sender, TListItem* item1, TListItem* item2, int data, int& compare)>;
using TLVDeletedEvent = std::function<void(TObject* sender, TListItem* item)>;
using TLVEditingEvent = std::function<void(TObject* sender, TListItem* item, bool& allowEdit)>;
using TLVEditedEvent = std::function<void(TObject* sender, TListItem* item, std::string& text)>;
using TLVOwnerDataEvent = std::function<void(TObject* sender, TListItem* item)>;
using TLVCustomDrawEvent = std::function<void(TCustomListView* sender, const RECT& rect, bool& defaultDraw)>;
using TLVCustomDrawItemEvent =
    std::function<void(TCustomListView* sender, TListItem* item, TCustomDrawState state, bool& defaultDraw)>;
using TLVCustomDrawSubItemEvent = std::function<void(TCustomListView* sender, TListItem* item, int subItem,
                                                     TCustomDrawState state, bool& defaultDraw)>;
using TLVAdvancedCustomDrawEvent =
    std::function<void(TCustomListView* sender, const RECT& rect, TCustomDrawStage stage, bool& defaultDraw)>;
using TLVAdvancedCustomDrawItemEvent = std::function<void(TCustomListView* sender, TListItem* item,
                                                          TCustomDrawState state, TCustomDrawStage stage,
                                                          bool& defaultDraw)>;
using TLVAdvancedCustomDrawSubItemEvent =
    std::function<void(TCustomListView* sender, TListItem* item, int subItem, TCustomDrawState state,
                       TCustomDrawStage stage, bool& defaultDraw)>;

class TCustomListView : public TWinControl {
public:
    explicit TCustomListView(TComponent* owner);
    ~TCustomListView() override;

    TListItems& Items() { return *items_; }
    TListColumns& Columns() { return *columns_; }

    TViewStyle ViewStyle() const { return viewStyle_; }
    virtual void SetViewStyle(TViewStyle value);
    bool Checkboxes() const { return checkboxes_; }
    void SetCheckboxes(bool value);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value);
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    // False: labels cannot be edited.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool ColumnClick() const { return columnClick_; }
    void SetColumnClick(bool value);
    bool ShowColumnHeaders() const { return showColumnHeaders_; }
    void SetShowColumnHeaders(bool value);
    bool FullDrag() const { return fullDrag_; }
    void SetFullDrag(bool value);
    bool OwnerData() const { return ownerData_; }
    void SetOwnerData(bool value);
    TSortType SortType() const { return sortType_; }
    void SetSortType(TSortType value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);

    // The lists are not owned; the view never destroys them, whoever made them.
    TCustomImageList* LargeImages() const { return largeImages_.List(); }
    void SetLargeImages(TCustomImageList* list);
    TCustomImageList* SmallImages() const { return smallImages_.List(); }
    void SetSmallImages(TCustomImageList* list);
    TCustomImageList* StateImages() const { return stateImages_.List(); }
    void SetStateImages(TCustomImageList* list);

    TListItem* Selected() const;
    void SetSelected(TListItem* item);
    TListItem* ItemFocused() const;
    void SetItemFocused(TListItem* item);
    int ItemIndex() const;
    void SetItemIndex(int index);
    int SelCount() const;
    TListItem* TopItem() const;
    int VisibleRowCount() const;
    void ClearSelection();
    void SelectAll();
    TListItem* GetItemAt(int x, int y) const;
    // The next item after start (nullptr: from the beginning) with the LVNI_ state flags.
    TListItem* GetNextItem(TListItem* start, UINT flags) const;
    // The first item from start (inclusive or not) whose caption is value or, with partial,
    // begins with it (no case); with wrap the search goes on from the top.
    TListItem* FindCaption(int startIndex, const std::string& value, bool partial, bool inclusive, bool wrap);
    // Sorts by OnCompare (or the captions); data is handed to the comparisons.
    bool CustomSort(int data = 0);
    bool AlphaSort();
    // Scrolls by pixels; nothing happens in an empty list.
    void Scroll(int dx, int dy);
    bool IsEditing() const;
    TCanvas& Canvas() { return *canvas_; }

    void SetPropertyText(const std::string& name, const std::string& value) override;

    TLVChangeEvent OnChange;
    TLVChangingEvent OnChanging;
    TLVSelectItemEvent OnSelectItem;
    TLVColumnClickEvent OnColumnClick;
    TLVCompareEvent OnCompare;
    TLVDeletedEvent OnDeletion;
    TLVDeletedEvent OnInsert;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TLVOwnerDataEvent OnData;
    TLVCustomDrawEvent OnCustomDraw;
    TLVCustomDrawItemEvent OnCustomDrawItem;
    TLVCustomDrawSubItemEvent OnCustomDrawSubItem;
    TLVAdvancedCustomDrawEvent OnAdvancedCustomDraw;
    TLVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;
    TLVAdvancedCustomDrawSubItemEvent OnAdvancedCustomDrawSubItem;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

    virtual bool CanChange(TListItem* item, TItemChange change);
    virtual void Change(TListItem* item, TItemChange change);
    virtual void DoSelectItem(TListItem* item, bool selected);
    virtual void ColClick(TListColumn* column);
    virtual bool CanEdit(TListItem* item);
    virtual void Edit(TListItem* item, std::string& text);
    virtual void Delete(TListItem* item);
    virtual void InsertItem(TListItem* item);
    // The order of two items for sorting: OnCompare, else by SortType.
    virtual int CompareItems(TListItem* item1, TListItem* item2, int data);
    // Owner data: fills the item for the row; true when it did.
    virtual bool OwnerDataFetch(TListItem* item, TItemRequest request);
    // Owner data: the row that matches, -1 when none.
    virtual int OwnerDataFind(TItemFind find, const std::string& findString, bool wrap, int startIndex);

    // Custom drawing: whether an event wants the target's stage, and the events themselves;
    // each answers whether the window still draws its own.
    virtual bool IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) const;
    virtual bool CustomDraw(const RECT& rect, TCustomDrawStage stage);
    virtual bool CustomDrawItem(TListItem* item, TCustomDrawState state, TCustomDrawStage stage);
    virtual bool CustomDrawSubItem(TListItem* item, int subItem, TCustomDrawState state, TCustomDrawStage stage);

private:
    friend class TListItem;
    friend class TListItems;
    friend class TListColumn;
    friend class TListColumns;
    void Notify(TMessage& message);
    LRESULT CustomDrawNotify(NMLVCUSTOMDRAW& draw);
    void AnswerDisplayInfo(NMLVDISPINFO& info);
    void ItemChanging(TMessage& message, const NMLISTVIEW& nm);
    void ItemChanged(const NMLISTVIEW& nm);
    void EndLabelEdit(TMessage& message, NMLVDISPINFO& info);
    DWORD ExtendedStyle() const;
    void ApplyExtendedStyle();
    void ApplyStyleBit(DWORD bit, bool on);
    void ApplyColors();
    void ApplyImageList(int which, const TImageListSlot& slot);
    void SetImageList(TImageListSlot& slot, int which, TCustomImageList* list);
    void ImageListChanged();
    void PutColumns(HWND hwnd);
    void UpdateColumn(int index);
    HWND HeaderHandle();
    void ItemsOrderChanged();
    void SortWhenWanted();

    std::unique_ptr<TListItems> items_;
    std::unique_ptr<TListColumns> columns_;
    std::unique_ptr<TCanvas> canvas_;
    TImageListSlot largeImages_;
    TImageListSlot smallImages_;
    TImageListSlot stateImages_;
    TViewStyle viewStyle_ = vsIcon;
    bool checkboxes_ = false;
    bool rowSelect_ = false;
    bool gridLines_ = false;
    bool multiSelect_ = false;
    bool hideSelection_ = true;
    bool readOnly_ = false;
    bool columnClick_ = true;
    bool showColumnHeaders_ = true;
    bool fullDrag_ = false;
    bool ownerData_ = false;
    TSortType sortType_ = stNone;
    TBorderStyle borderStyle_ = bsSingle;
    // Set while the framework itself puts items into the window: no change events.
    bool puttingItems_ = false;
};

class TListView : public TCustomListView {
public:
    using TCustomListView::TCustomListView;
};

}  // namespace parch
