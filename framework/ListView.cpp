#include "framework/ListView.h"

#include <algorithm>
#include <cstring>

#include "base/Exceptions.h"
#include "framework/PropertyText.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fonts.h"
#include "platform/win/WinApi.h"

namespace parch {

namespace listview_impl {

// The most rows an owner-data list may show, as the window allows.
constexpr int kMaxOwnerDataRows = 1 << 24;
constexpr UINT kKeptStates = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_STATEIMAGEMASK;

int StateImageOf(UINT state) { return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12); }

// Caption order without regard to ASCII case, as the list's text sorting compares.
int CompareCaptions(const std::string& a, const std::string& b) {
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : static_cast<int>(c); };
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int d = fold(static_cast<unsigned char>(a[i])) - fold(static_cast<unsigned char>(b[i]));
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool StartsWithFolded(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && CompareCaptions(text.substr(0, prefix.size()), prefix) == 0;
}

int ColumnFormat(TAlignment alignment) {
    switch (alignment) {
        case taRightJustify: return LVCFMT_RIGHT;
        case taCenter: return LVCFMT_CENTER;
        case taLeftJustify: break;
    }
    return LVCFMT_LEFT;
}

// Orders by the index each item was given: the window follows an order decided beforehand.
int CompareByIndex(LPARAM first, LPARAM second, LPARAM) {
    return reinterpret_cast<const TListItem*>(first)->Index() - reinterpret_cast<const TListItem*>(second)->Index();
}

}  // namespace listview_impl

using namespace listview_impl;

// --- TListItem ---

TListItem::TListItem(TListItems& owner) : owner_(owner) {
    subItems_.OnChange = [this](TObject*) { SubItemsChanged(); };
}

TListItem::~TListItem() = default;

TCustomListView& TListItem::ListView() const { return owner_.Owner(); }

UINT TListItem::State() const {
    TCustomListView& view = ListView();
    if (view.HandleAllocated() && index_ >= 0)
        return static_cast<UINT>(SendMessage(view.Handle(), LVM_GETITEMSTATE, static_cast<WPARAM>(index_), kKeptStates));
    return state_;
}

void TListItem::SetState(UINT value, UINT mask) {
    TCustomListView& view = ListView();
    if (view.HandleAllocated() && index_ >= 0) {
        LVITEMA item;
        item.state = value;
        item.stateMask = mask;
        SendMessage(view.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&item));
        return;
    }
    state_ = (state_ & ~mask) | (value & mask);
}

void TListItem::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    TCustomListView& view = ListView();
    // An owner-data row is only being filled in for the window, which asks for what it needs.
    if (view.OwnerData()) {
        caption_ = caption;
        return;
    }
    if (!view.HandleAllocated() || index_ < 0) {
        caption_ = caption;
        view.SortWhenWanted();
        return;
    }
    // The window asks for the text; it is told of the change so its change events run.
    std::string old = std::exchange(caption_, caption);
    LVITEMA item;
    item.mask = LVIF_TEXT;
    item.iItem = index_;
    item.pszText = LPSTR_TEXTCALLBACK;
    if (!SendMessage(view.Handle(), LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        caption_ = std::move(old);  // vetoed by OnChanging
        return;
    }
    view.SortWhenWanted();
}

void TListItem::SetImageIndex(int index) {
    if (index == imageIndex_) return;
    imageIndex_ = index;
    if (!ListView().OwnerData()) Update();
}

int TListItem::StateIndex() const { return StateImageOf(State()) - 1; }

void TListItem::SetStateIndex(int index) { SetState(INDEXTOSTATEIMAGEMASK(static_cast<UINT>(std::max(index, -1) + 1)), LVIS_STATEIMAGEMASK); }

bool TListItem::Checked() const { return StateImageOf(State()) == 2; }

void TListItem::SetChecked(bool value) { SetState(INDEXTOSTATEIMAGEMASK(value ? 2 : 1), LVIS_STATEIMAGEMASK); }

void TListItem::SetSelected(bool value) { SetState(value ? LVIS_SELECTED : 0, LVIS_SELECTED); }

void TListItem::SetFocused(bool value) { SetState(value ? LVIS_FOCUSED : 0, LVIS_FOCUSED); }

void TListItem::SetCut(bool value) { SetState(value ? LVIS_CUT : 0, LVIS_CUT); }

void TListItem::SubItemsChanged() {
    TCustomListView& view = ListView();
    if (!view.HandleAllocated() || index_ < 0) return;
    // Every sub-item is asked of us when drawn.
    for (int sub = 1; sub <= subItems_.Count(); ++sub) {
        LVITEMA item;
        item.iSubItem = sub;
        item.pszText = LPSTR_TEXTCALLBACK;
        SendMessage(view.Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&item));
    }
    Update();
}

RECT TListItem::DisplayRect(int code) const {
    RECT rect{code, 0, 0, 0};
    TCustomListView& view = ListView();
    if (!view.HandleAllocated() || index_ < 0 ||
        !SendMessage(view.Handle(), LVM_GETITEMRECT, static_cast<WPARAM>(index_), reinterpret_cast<LPARAM>(&rect)))
        return RECT{0, 0, 0, 0};
    return rect;
}

void TListItem::MakeVisible(bool partialOk) {
    TCustomListView& view = ListView();
    if (view.HandleAllocated() && index_ >= 0)
        SendMessage(view.Handle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(index_), partialOk ? 1 : 0);
}

void TListItem::Update() {
    TCustomListView& view = ListView();
    if (view.HandleAllocated() && index_ >= 0) SendMessage(view.Handle(), LVM_UPDATE, static_cast<WPARAM>(index_), 0);
}

bool TListItem::EditCaption() {
    TCustomListView& view = ListView();
    return view.HandleAllocated() && index_ >= 0 &&
           SendMessage(view.Handle(), LVM_EDITLABELA, static_cast<WPARAM>(index_), 0) != 0;
}

void TListItem::Delete() { owner_.Delete(index_); }

// --- TListItems ---

TListItems::TListItems(TCustomListView& owner) : owner_(owner) {}

TListItems::~TListItems() = default;

int TListItems::Count() const {
    if (owner_.OwnerData()) return ownerDataCount_;
    return static_cast<int>(items_.size());
}

void TListItems::SetCount(int count) {
    if (!owner_.OwnerData()) return;
    count = std::clamp(count, 0, kMaxOwnerDataRows);
    ownerDataCount_ = count;
    if (owner_.HandleAllocated()) SendMessage(owner_.Handle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
}

TListItem* TListItems::Item(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    if (!owner_.OwnerData()) return items_[static_cast<std::size_t>(index)].get();
    if (!scratch_) scratch_ = std::make_unique<TListItem>(const_cast<TListItems&>(*this));
    // A fresh row each time: nothing of the last fetch shows through.
    scratch_->caption_.clear();
    scratch_->subItems_.OnChange = nullptr;
    scratch_->subItems_.Clear();
    scratch_->imageIndex_ = -1;
    scratch_->data_ = nullptr;
    scratch_->index_ = index;
    owner_.OwnerDataFetch(scratch_.get(), irText | irImage | irParam | irState);
    return scratch_.get();
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int index) {
    if (owner_.OwnerData()) throw EInvalidOperation("An owner-data list view has no items of its own");
    index = std::clamp(index, 0, static_cast<int>(items_.size()));
    auto made = std::make_unique<TListItem>(*this);
    TListItem* item = made.get();
    if (owner_.Checkboxes()) item->state_ = INDEXTOSTATEIMAGEMASK(1);
    items_.insert(items_.begin() + index, std::move(made));
    Renumber(index);
    if (owner_.HandleAllocated()) {
        LVITEMA lv;
        lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        lv.iItem = index;
        lv.pszText = LPSTR_TEXTCALLBACK;
        lv.iImage = I_IMAGECALLBACK;
        lv.lParam = reinterpret_cast<LPARAM>(item);
        lv.state = item->state_;
        lv.stateMask = kKeptStates;
        SendMessage(owner_.Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lv));
    }
    owner_.InsertItem(item);
    return item;
}

void TListItems::Delete(int index) {
    if (owner_.OwnerData() || index < 0 || index >= Count()) return;
    TListItem* item = items_[static_cast<std::size_t>(index)].get();
    owner_.Delete(item);
    // OnDeletion may have deleted items itself: find the item again.
    index = item->index_;
    if (index < 0 || index >= Count() || items_[static_cast<std::size_t>(index)].get() != item) return;
    if (owner_.HandleAllocated()) SendMessage(owner_.Handle(), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
    std::unique_ptr<TListItem> gone = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
    gone->index_ = -1;
    Renumber(index);
}

void TListItems::Clear() {
    if (owner_.OwnerData()) {
        SetCount(0);
        return;
    }
    UpdateGuard update(*this);
    while (!items_.empty()) Delete(Count() - 1);
}

void TListItems::BeginUpdate() {
    if (updateCount_++ == 0 && owner_.HandleAllocated()) SendMessage(owner_.Handle(), WM_SETREDRAW, 0, 0);
}

void TListItems::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ > 0) return;
    if (!owner_.HandleAllocated()) return;
    SendMessage(owner_.Handle(), WM_SETREDRAW, 1, 0);
    owner_.SortWhenWanted();
    owner_.Invalidate();
}

void TListItems::Renumber(int from) {
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); i < items_.size(); ++i)
        items_[i]->index_ = static_cast<int>(i);
}

void TListItems::PutIntoWindow(HWND hwnd) {
    if (owner_.OwnerData()) {
        SendMessage(hwnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(ownerDataCount_), 0);
        return;
    }
    for (const auto& item : items_) {
        LVITEMA lv;
        lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        lv.iItem = item->index_;
        lv.pszText = LPSTR_TEXTCALLBACK;
        lv.iImage = I_IMAGECALLBACK;
        lv.lParam = reinterpret_cast<LPARAM>(item.get());
        lv.state = item->state_;
        lv.stateMask = kKeptStates;
        SendMessage(hwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lv));
        item->SubItemsChanged();
    }
}

void TListItems::TakeFromWindow(HWND hwnd) {
    FollowWindowOrder(hwnd);
    for (const auto& item : items_)
        item->state_ = static_cast<UINT>(SendMessage(hwnd, LVM_GETITEMSTATE, static_cast<WPARAM>(item->index_), kKeptStates));
}

void TListItems::FollowWindowOrder(HWND hwnd) {
    if (owner_.OwnerData()) return;
    std::vector<TListItem*> order(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        LVITEMA lv;
        lv.mask = LVIF_PARAM;
        lv.iItem = static_cast<int>(i);
        if (!SendMessage(hwnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv))) return;
        auto* item = reinterpret_cast<TListItem*>(lv.lParam);
        // The window holds something else than our items: keep our order.
        if (!item || item->index_ < 0 || static_cast<std::size_t>(item->index_) >= items_.size() ||
            items_[static_cast<std::size_t>(item->index_)].get() != item)
            return;
        order[i] = item;
    }
    std::vector<std::unique_ptr<TListItem>> ordered(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        ordered[i] = std::move(items_[static_cast<std::size_t>(order[i]->index_)]);
    items_ = std::move(ordered);
    Renumber(0);
}

// --- TListColumn ---

TListColumn::TListColumn(TListColumns& owner) : owner_(owner) {}

int TListColumn::Index() const { return owner_.IndexOf(this); }

LVCOLUMNA TListColumn::Description() const {
    LVCOLUMNA column;
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = ColumnFormat(alignment_);
    column.cx = width_;
    column.pszText = const_cast<char*>(caption_.c_str());
    column.iSubItem = Index();
    // Without an image the header shows none (an index of -1 never reaches the window).
    if (imageIndex_ >= 0) {
        column.mask |= LVCF_IMAGE;
        column.fmt |= LVCFMT_IMAGE;
        column.iImage = imageIndex_;
    }
    return column;
}

void TListColumn::ApplySortIndicator(HWND header) const {
    if (!header) return;
    HDITEMA item;
    item.mask = HDI_FORMAT;
    int index = Index();
    if (!SendMessage(header, HDM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) return;
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (sortIndicator_ == siAscending) item.fmt |= HDF_SORTUP;
    if (sortIndicator_ == siDescending) item.fmt |= HDF_SORTDOWN;
    SendMessage(header, HDM_SETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void TListColumn::Changed() { owner_.Owner().UpdateColumn(Index()); }

void TListColumn::SetCaption(const std::string& caption) {
    caption_ = caption;
    Changed();
}

void TListColumn::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Changed();
}

int TListColumn::Width() const {
    TCustomListView& view = owner_.Owner();
    if (view.HandleAllocated() && view.ViewStyle() == vsReport)
        return static_cast<int>(SendMessage(view.Handle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(Index()), 0));
    return width_;
}

void TListColumn::SetWidth(int width) {
    if (minWidth_ > 0) width = std::max(width, minWidth_);
    if (maxWidth_ > 0) width = std::min(width, maxWidth_);
    width_ = std::max(width, 0);
    Changed();
}

void TListColumn::SetMinWidth(int value) {
    minWidth_ = std::max(value, 0);
    if (width_ < minWidth_) SetWidth(minWidth_);
}

void TListColumn::SetMaxWidth(int value) {
    maxWidth_ = std::max(value, 0);
    if (maxWidth_ > 0 && width_ > maxWidth_) SetWidth(maxWidth_);
}

void TListColumn::SetImageIndex(int index) {
    imageIndex_ = std::max(index, -1);
    Changed();
}

void TListColumn::SetSortIndicator(TSortIndicator value) {
    sortIndicator_ = value;
    Changed();
}

// --- TListColumns ---

TListColumn* TListColumns::Add() {
    columns_.push_back(std::make_unique<TListColumn>(*this));
    TListColumn* column = columns_.back().get();
    if (owner_.HandleAllocated()) {
        LVCOLUMNA description = column->Description();
        SendMessage(owner_.Handle(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(Count() - 1), reinterpret_cast<LPARAM>(&description));
    }
    return column;
}

void TListColumns::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    columns_.erase(columns_.begin() + index);
    if (owner_.HandleAllocated()) SendMessage(owner_.Handle(), LVM_DELETECOLUMN, static_cast<WPARAM>(index), 0);
}

void TListColumns::Clear() {
    while (Count() > 0) Delete(Count() - 1);
}

int TListColumns::IndexOf(const TListColumn* column) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].get() == column) return static_cast<int>(i);
    return -1;
}

// --- TCustomListView ---

TCustomListView::TCustomListView(TComponent* owner)
    : TWinControl(owner),
      items_(std::make_unique<TListItems>(*this)),
      columns_(std::make_unique<TListColumns>(*this)),
      canvas_(std::make_unique<TCanvas>()),
      largeImages_(*this, [this] { ImageListChanged(); }),
      smallImages_(*this, [this] { ImageListChanged(); }),
      stateImages_(*this, [this] { ImageListChanged(); }) {
    // The window takes the mouse capture itself and needs it until the button is released.
    SetControlStyle(ControlStyle() & ~(csSetCaption | csCaptureMouse));
    SetBounds(Left(), Top(), 250, 150);
    SetTabStop(true);
}

TCustomListView::~TCustomListView() {
    // The window goes first: its last notifications still find the items.
    if (HandleAllocated()) DestroyWindowHandle();
}

void TCustomListView::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "SysListView32");
    static constexpr DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    // The image lists belong to whoever gave them (the system lists among them): the window
    // must never destroy them with itself.
    params.Style |= LVS_SHAREIMAGELISTS | kViews[static_cast<int>(viewStyle_)];
    if (!multiSelect_) params.Style |= LVS_SINGLESEL;
    if (!hideSelection_) params.Style |= LVS_SHOWSELALWAYS;
    if (!readOnly_) params.Style |= LVS_EDITLABELS;
    if (!columnClick_) params.Style |= LVS_NOSORTHEADER;
    if (!showColumnHeaders_) params.Style |= LVS_NOCOLUMNHEADER;
    if (ownerData_) params.Style |= LVS_OWNERDATA;
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::CreateWnd() {
    TWinControl::CreateWnd();
    HWND hwnd = Handle();
    SendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    ApplyColors();
    ApplyExtendedStyle();
    ApplyImageList(LVSIL_NORMAL, largeImages_);
    ApplyImageList(LVSIL_SMALL, smallImages_);
    ApplyImageList(LVSIL_STATE, stateImages_);
    PutColumns(hwnd);
    puttingItems_ = true;
    try {
        items_->PutIntoWindow(hwnd);
    } catch (...) {
        puttingItems_ = false;
        throw;
    }
    puttingItems_ = false;
    if (items_->UpdateCount() > 0) SendMessage(hwnd, WM_SETREDRAW, 0, 0);
}

void TCustomListView::DestroyWnd() {
    if (HandleAllocated()) {
        HWND hwnd = Handle();
        items_->TakeFromWindow(hwnd);
        if (viewStyle_ == vsReport)
            for (int i = 0; i < columns_->Count(); ++i)
                columns_->Items(i)->width_ =
                    static_cast<int>(SendMessage(hwnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
    }
    TWinControl::DestroyWnd();
}

void TCustomListView::PutColumns(HWND hwnd) {
    for (int i = 0; i < columns_->Count(); ++i) {
        LVCOLUMNA description = columns_->Items(i)->Description();
        SendMessage(hwnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&description));
        columns_->Items(i)->ApplySortIndicator(HeaderHandle());
    }
}

void TCustomListView::UpdateColumn(int index) {
    if (!HandleAllocated() || index < 0) return;
    LVCOLUMNA description = columns_->Items(index)->Description();
    SendMessage(Handle(), LVM_SETCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&description));
    columns_->Items(index)->ApplySortIndicator(HeaderHandle());
}

HWND TCustomListView::HeaderHandle() {
    return HandleAllocated() ? reinterpret_cast<HWND>(SendMessage(Handle(), LVM_GETHEADER, 0, 0)) : nullptr;
}

DWORD TCustomListView::ExtendedStyle() const {
    DWORD style = 0;
    if (checkboxes_) style |= LVS_EX_CHECKBOXES;
    if (rowSelect_) style |= LVS_EX_FULLROWSELECT;
    if (gridLines_) style |= LVS_EX_GRIDLINES;
    if (fullDrag_) style |= LVS_EX_HEADERDRAGDROP;
    return style;
}

void TCustomListView::ApplyExtendedStyle() {
    if (!HandleAllocated()) return;
    constexpr DWORD kOurs = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP;
    SendMessage(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, kOurs, ExtendedStyle());
    Invalidate();
}

void TCustomListView::ApplyStyleBit(DWORD bit, bool on) {
    if (!HandleAllocated()) return;
    LONG_PTR style = GetWindowLongPtr(Handle(), GWL_STYLE);
    LONG_PTR wanted = on ? (style | static_cast<LONG_PTR>(bit)) : (style & ~static_cast<LONG_PTR>(bit));
    if (wanted != style) SetWindowLongPtr(Handle(), GWL_STYLE, wanted);
    Invalidate();
}

void TCustomListView::ApplyColors() {
    if (!HandleAllocated()) return;
    COLORREF back = ColorToRGB(Color());
    SendMessage(Handle(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessage(Handle(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessage(Handle(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Font().Color())));
}

void TCustomListView::ApplyImageList(int which, const TImageListSlot& slot) {
    if (HandleAllocated())
        SendMessage(Handle(), LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(slot.Handle()));
}

void TCustomListView::ImageListChanged() {
    // A list changed its images (or its handle): the window draws from what it holds now.
    ApplyImageList(LVSIL_NORMAL, largeImages_);
    ApplyImageList(LVSIL_SMALL, smallImages_);
    ApplyImageList(LVSIL_STATE, stateImages_);
    if (HandleAllocated()) Invalidate();
}

void TCustomListView::SetImageList(TImageListSlot& slot, int which, TCustomImageList* list) {
    if (slot.Set(list)) ApplyImageList(which, slot);
}

void TCustomListView::SetLargeImages(TCustomImageList* list) { SetImageList(largeImages_, LVSIL_NORMAL, list); }
void TCustomListView::SetSmallImages(TCustomImageList* list) { SetImageList(smallImages_, LVSIL_SMALL, list); }
void TCustomListView::SetStateImages(TCustomImageList* list) { SetImageList(stateImages_, LVSIL_STATE, list); }

void TCustomListView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    // A freed list left its link already; the window must not keep drawing from it.
    if (operation == TOperation::opRemove) ImageListChanged();
}

void TCustomListView::SetViewStyle(TViewStyle value) {
    if (value == viewStyle_) return;
    if (HandleAllocated() && viewStyle_ == vsReport)
        for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->width_ = columns_->Items(i)->Width();
    viewStyle_ = value;
    if (HandleAllocated()) {
        static constexpr DWORD kViews[] = {LV_VIEW_ICON, LV_VIEW_SMALLICON, LV_VIEW_LIST, LV_VIEW_DETAILS};
        SendMessage(Handle(), LVM_SETVIEW, kViews[static_cast<int>(value)], 0);
        // A header made for the report view starts empty of our sort arrows.
        if (value == vsReport)
            for (int i = 0; i < columns_->Count(); ++i) columns_->Items(i)->ApplySortIndicator(HeaderHandle());
    }
}

void TCustomListView::SetCheckboxes(bool value) {
    if (value == checkboxes_) return;
    checkboxes_ = value;
    if (!HandleAllocated())
        for (int i = 0; i < items_->Count(); ++i)
            if (TListItem* item = items_->Item(i); item && StateImageOf(item->state_) == 0)
                item->state_ |= INDEXTOSTATEIMAGEMASK(1);
    ApplyExtendedStyle();
}

void TCustomListView::SetRowSelect(bool value) {
    rowSelect_ = value;
    ApplyExtendedStyle();
}

void TCustomListView::SetGridLines(bool value) {
    gridLines_ = value;
    ApplyExtendedStyle();
}

void TCustomListView::SetFullDrag(bool value) {
    fullDrag_ = value;
    ApplyExtendedStyle();
}

void TCustomListView::SetMultiSelect(bool value) {
    multiSelect_ = value;
    ApplyStyleBit(LVS_SINGLESEL, !value);
}

void TCustomListView::SetHideSelection(bool value) {
    hideSelection_ = value;
    ApplyStyleBit(LVS_SHOWSELALWAYS, !value);
}

void TCustomListView::SetReadOnly(bool value) {
    readOnly_ = value;
    ApplyStyleBit(LVS_EDITLABELS, !value);
}

void TCustomListView::SetColumnClick(bool value) {
    columnClick_ = value;
    ApplyStyleBit(LVS_NOSORTHEADER, !value);
}

void TCustomListView::SetShowColumnHeaders(bool value) {
    showColumnHeaders_ = value;
    ApplyStyleBit(LVS_NOCOLUMNHEADER, !value);
}

void TCustomListView::SetOwnerData(bool value) {
    if (value == ownerData_) return;
    // The window keeps the kind of list it was made with.
    if (!value) items_->ownerDataCount_ = 0;
    else items_->items_.clear();
    ownerData_ = value;
    RecreateWnd();
}

void TCustomListView::SetSortType(TSortType value) {
    if (value == sortType_) return;
    sortType_ = value;
    SortWhenWanted();
}

void TCustomListView::SetBorderStyle(TBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    RecreateWnd();
}

TListItem* TCustomListView::GetNextItem(TListItem* start, UINT flags) const {
    int from = start ? start->Index() : -1;
    if (HandleAllocated()) {
        HWND hwnd = const_cast<TCustomListView*>(this)->Handle();
        return items_->Item(static_cast<int>(SendMessage(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(from), flags)));
    }
    for (int i = from + 1; i < items_->Count(); ++i) {
        TListItem* item = items_->Item(i);
        if ((!(flags & LVNI_SELECTED) || item->Selected()) && (!(flags & LVNI_FOCUSED) || item->Focused())) return item;
    }
    return nullptr;
}

TListItem* TCustomListView::Selected() const { return GetNextItem(nullptr, LVNI_SELECTED); }

void TCustomListView::SetSelected(TListItem* item) {
    ClearSelection();
    if (!item) return;
    item->SetSelected(true);
    item->SetFocused(true);
}

TListItem* TCustomListView::ItemFocused() const { return GetNextItem(nullptr, LVNI_FOCUSED); }

void TCustomListView::SetItemFocused(TListItem* item) {
    if (item) {
        item->SetFocused(true);
    } else if (TListItem* focused = ItemFocused()) {
        focused->SetFocused(false);
    }
}

int TCustomListView::ItemIndex() const {
    TListItem* item = Selected();
    return item ? item->Index() : -1;
}

void TCustomListView::SetItemIndex(int index) { SetSelected(items_->Item(index)); }

int TCustomListView::SelCount() const {
    if (HandleAllocated()) return static_cast<int>(SendMessage(const_cast<TCustomListView*>(this)->Handle(), LVM_GETSELECTEDCOUNT, 0, 0));
    int count = 0;
    for (int i = 0; i < items_->Count(); ++i) count += items_->Item(i)->Selected() ? 1 : 0;
    return count;
}

void TCustomListView::ClearSelection() {
    while (TListItem* item = Selected()) {
        item->SetSelected(false);
        if (item->Selected()) return;  // OnChanging kept it
    }
}

void TCustomListView::SelectAll() {
    if (!multiSelect_) return;
    for (int i = 0; i < items_->Count(); ++i) items_->Item(i)->SetSelected(true);
}

TListItem* TCustomListView::TopItem() const {
    if (!HandleAllocated() || viewStyle_ == vsIcon || viewStyle_ == vsSmallIcon) return nullptr;
    return items_->Item(static_cast<int>(SendMessage(const_cast<TCustomListView*>(this)->Handle(), LVM_GETTOPINDEX, 0, 0)));
}

int TCustomListView::VisibleRowCount() const {
    if (!HandleAllocated()) return 0;
    return static_cast<int>(SendMessage(const_cast<TCustomListView*>(this)->Handle(), LVM_GETCOUNTPERPAGE, 0, 0));
}

TListItem* TCustomListView::GetItemAt(int x, int y) const {
    if (!HandleAllocated()) return nullptr;
    LVHITTESTINFO info;
    info.pt = {x, y};
    int index = static_cast<int>(SendMessage(const_cast<TCustomListView*>(this)->Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    return (info.flags & LVHT_ONITEM) ? items_->Item(index) : nullptr;
}

TListItem* TCustomListView::FindCaption(int startIndex, const std::string& value, bool partial, bool inclusive, bool wrap) {
    int count = items_->Count();
    if (count == 0) return nullptr;
    int start = std::clamp(inclusive ? startIndex : startIndex + 1, 0, count);
    if (ownerData_) {
        int found = OwnerDataFind(partial ? ifPartialString : ifExactString, value, wrap, start >= count ? 0 : start);
        return items_->Item(found);
    }
    for (int k = 0; k < count; ++k) {
        int i = start + k;
        if (i >= count) {
            if (!wrap) return nullptr;
            i -= count;
        }
        const std::string& caption = items_->Item(i)->Caption();
        if (partial ? StartsWithFolded(caption, value) : CompareCaptions(caption, value) == 0) return items_->Item(i);
    }
    return nullptr;
}

int TCustomListView::CompareItems(TListItem* item1, TListItem* item2, int data) {
    if (OnCompare) {
        int compare = 0;
        OnCompare(this, item1, item2, data, compare);
        return compare;
    }
    if (sortType_ == stData) {
        auto a = reinterpret_cast<std::uintptr_t>(item1->Data()), b = reinterpret_cast<std::uintptr_t>(item2->Data());
        return a < b ? -1 : a > b ? 1 : 0;
    }
    return CompareCaptions(item1->Caption(), item2->Caption());
}

bool TCustomListView::CustomSort(int data) {
    if (ownerData_) return false;
    auto& items = items_->items_;
    // Decided on plain pointers, where a comparison may throw without harm to the items; the
    // window only follows.
    std::vector<TListItem*> order;
    order.reserve(items.size());
    for (const auto& item : items) order.push_back(item.get());
    std::stable_sort(order.begin(), order.end(), [&](TListItem* a, TListItem* b) { return CompareItems(a, b, data) < 0; });
    std::vector<std::unique_ptr<TListItem>> sorted;
    sorted.reserve(items.size());
    for (TListItem* item : order) sorted.push_back(std::move(items[static_cast<std::size_t>(item->index_)]));
    items = std::move(sorted);
    items_->Renumber(0);
    ItemsOrderChanged();
    return true;
}

bool TCustomListView::AlphaSort() { return CustomSort(0); }

void TCustomListView::ItemsOrderChanged() {
    if (HandleAllocated())
        SendMessage(Handle(), LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&CompareByIndex));
}

void TCustomListView::SortWhenWanted() {
    if (sortType_ == stNone || ownerData_ || items_->UpdateCount() > 0) return;
    CustomSort(0);
}

void TCustomListView::Scroll(int dx, int dy) {
    // The window measures lines by item 0: an empty list has nothing to scroll by.
    if (!HandleAllocated() || items_->Count() == 0) return;
    SendMessage(Handle(), LVM_SCROLL, static_cast<WPARAM>(dx), dy);
}

bool TCustomListView::IsEditing() const {
    return HandleAllocated() && SendMessage(const_cast<TCustomListView*>(this)->Handle(), LVM_GETEDITCONTROL, 0, 0) != 0;
}

// --- events ---

bool TCustomListView::CanChange(TListItem* item, TItemChange change) {
    bool allow = true;
    if (OnChanging) OnChanging(this, item, change, allow);
    return allow;
}

void TCustomListView::Change(TListItem* item, TItemChange change) {
    if (OnChange) OnChange(this, item, change);
}

void TCustomListView::DoSelectItem(TListItem* item, bool selected) {
    if (OnSelectItem) OnSelectItem(this, item, selected);
}

void TCustomListView::ColClick(TListColumn* column) {
    if (OnColumnClick) OnColumnClick(this, column);
}

bool TCustomListView::CanEdit(TListItem* item) {
    bool allow = true;
    if (OnEditing) OnEditing(this, item, allow);
    return allow;
}

void TCustomListView::Edit(TListItem* item, std::string& text) {
    if (OnEdited) OnEdited(this, item, text);
}

void TCustomListView::Delete(TListItem* item) {
    if (OnDeletion) OnDeletion(this, item);
}

void TCustomListView::InsertItem(TListItem* item) {
    if (OnInsert) OnInsert(this, item);
}

bool TCustomListView::OwnerDataFetch(TListItem* item, TItemRequest) {
    if (!OnData) return false;
    OnData(this, item);
    return true;
}

int TCustomListView::OwnerDataFind(TItemFind, const std::string&, bool, int) { return -1; }

bool TCustomListView::IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) const {
    switch (target) {
        case dtControl: return (stage == cdPrePaint && OnCustomDraw) || OnAdvancedCustomDraw;
        case dtItem: return (stage == cdPrePaint && OnCustomDrawItem) || OnAdvancedCustomDrawItem;
        case dtSubItem: return (stage == cdPrePaint && OnCustomDrawSubItem) || OnAdvancedCustomDrawSubItem;
    }
    return false;
}

bool TCustomListView::CustomDraw(const RECT& rect, TCustomDrawStage stage) {
    bool defaultDraw = true;
    if (stage == cdPrePaint && OnCustomDraw) OnCustomDraw(this, rect, defaultDraw);
    if (defaultDraw && OnAdvancedCustomDraw) OnAdvancedCustomDraw(this, rect, stage, defaultDraw);
    return defaultDraw;
}

bool TCustomListView::CustomDrawItem(TListItem* item, TCustomDrawState state, TCustomDrawStage stage) {
    bool defaultDraw = true;
    if (stage == cdPrePaint && OnCustomDrawItem) OnCustomDrawItem(this, item, state, defaultDraw);
    if (defaultDraw && OnAdvancedCustomDrawItem) OnAdvancedCustomDrawItem(this, item, state, stage, defaultDraw);
    return defaultDraw;
}

bool TCustomListView::CustomDrawSubItem(TListItem* item, int subItem, TCustomDrawState state, TCustomDrawStage stage) {
    bool defaultDraw = true;
    if (stage == cdPrePaint && OnCustomDrawSubItem) OnCustomDrawSubItem(this, item, subItem, state, defaultDraw);
    if (defaultDraw && OnAdvancedCustomDrawSubItem)
        OnAdvancedCustomDrawSubItem(this, item, subItem, state, stage, defaultDraw);
    return defaultDraw;
}

// --- window messages ---

LRESULT TCustomListView::CustomDrawNotify(NMLVCUSTOMDRAW& draw) {
    const DWORD drawStage = draw.nmcd.dwDrawStage;
    const TCustomDrawStage stage = CustomDrawStageOf(drawStage);
    HDC dc = draw.nmcd.hdc;
    // The events draw on the canvas over the window's context; what they leave in the
    // canvas's font and brush becomes the item's font and colours.
    bool defaultDraw = true;
    TCustomDrawLook look{Font().Color(), Color(), nullptr};
    auto onCanvas = [&](const std::function<bool()>& event) {
        defaultDraw = RunCustomDrawEvent(*canvas_, dc, Font(), Color(), look, event);
    };

    if (!(drawStage & CDDS_ITEM)) {
        if (IsCustomDrawn(dtControl, stage)) onCanvas([&] { return CustomDraw(draw.nmcd.rc, stage); });
        if (!defaultDraw) return CDRF_SKIPDEFAULT;
        LRESULT result = CDRF_DODEFAULT;
        if (stage == cdPrePaint) {
            if (IsCustomDrawn(dtItem, cdPrePaint) || IsCustomDrawn(dtItem, cdPostPaint) ||
                IsCustomDrawn(dtSubItem, cdPrePaint) || IsCustomDrawn(dtSubItem, cdPostPaint))
                result |= CDRF_NOTIFYITEMDRAW;
            if (IsCustomDrawn(dtControl, cdPostPaint)) result |= CDRF_NOTIFYPOSTPAINT;
        }
        return result;
    }

    TListItem* item = items_->Item(static_cast<int>(draw.nmcd.dwItemSpec));
    if (!item) return CDRF_DODEFAULT;
    const bool subItem = (drawStage & CDDS_SUBITEM) != 0;
    const TCustomDrawTarget target = subItem ? dtSubItem : dtItem;
    const TCustomDrawState state = draw.nmcd.uItemState;
    if (IsCustomDrawn(target, stage)) {
        onCanvas([&] {
            return subItem ? CustomDrawSubItem(item, draw.iSubItem, state, stage) : CustomDrawItem(item, state, stage);
        });
    }
    if (!defaultDraw) return CDRF_SKIPDEFAULT;
    LRESULT result = CDRF_DODEFAULT;
    if (stage == cdPrePaint) {
        if (look.font) {
            draw.clrText = ColorToRGB(look.textColor);
            draw.clrTextBk = ColorToRGB(look.backColor);
            SelectObject(dc, look.font);
            result |= CDRF_NEWFONT;
        }
        if (!subItem && (IsCustomDrawn(dtSubItem, cdPrePaint) || IsCustomDrawn(dtSubItem, cdPostPaint)))
            result |= CDRF_NOTIFYSUBITEMDRAW;
        if (IsCustomDrawn(target, cdPostPaint)) result |= CDRF_NOTIFYPOSTPAINT;
    }
    return result;
}

void TCustomListView::AnswerDisplayInfo(NMLVDISPINFO& info) {
    LVITEMA& out = info.item;
    TListItem* item = items_->Item(out.iItem);
    if (!item) return;
    if (out.mask & LVIF_TEXT) {
        const std::string* text = nullptr;
        if (out.iSubItem == 0)
            text = &item->Caption();
        std::string sub;
        if (out.iSubItem > 0 && out.iSubItem <= item->SubItems().Count()) {
            sub = item->SubItems().Strings(out.iSubItem - 1);
            text = &sub;
        }
        if (out.pszText && out.cchTextMax > 0) win::CopyTextToBuffer(text ? *text : std::string(), out.pszText, out.cchTextMax);
    }
    if (out.mask & LVIF_IMAGE) out.iImage = out.iSubItem == 0 ? item->ImageIndex() : -1;
}

void TCustomListView::ItemChanging(TMessage& message, const NMLISTVIEW& nm) {
    if (puttingItems_) return;
    TListItem* item = items_->Item(nm.iItem);
    if (!item) return;
    TItemChange change = (nm.uChanged & LVIF_TEXT) ? ctText : (nm.uChanged & LVIF_IMAGE) ? ctImage : ctState;
    if (!CanChange(item, change)) message.Result = 1;
}

void TCustomListView::ItemChanged(const NMLISTVIEW& nm) {
    if (puttingItems_) return;
    TListItem* item = items_->Item(nm.iItem);
    if (!item) return;
    TItemChange change = (nm.uChanged & LVIF_TEXT) ? ctText : (nm.uChanged & LVIF_IMAGE) ? ctImage : ctState;
    Change(item, change);
    if (change == ctState && ((nm.uOldState ^ nm.uNewState) & LVIS_SELECTED)) {
        item = items_->Item(nm.iItem);  // OnChange may have changed the list
        if (item) DoSelectItem(item, (nm.uNewState & LVIS_SELECTED) != 0);
    }
}

void TCustomListView::EndLabelEdit(TMessage& message, NMLVDISPINFO& info) {
    // The caption stays ours: the window is never told to keep the text itself.
    message.Result = 0;
    TListItem* item = items_->Item(info.item.iItem);
    if (!item || !info.item.pszText) return;
    std::string text = info.item.pszText;
    Edit(item, text);
    if (!ownerData_) item->SetCaption(text);
}

void TCustomListView::Notify(TMessage& message) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    if (!header) return;
    switch (header->code) {
        case NM_CUSTOMDRAW: message.Result = CustomDrawNotify(*reinterpret_cast<NMLVCUSTOMDRAW*>(header)); return;
        case LVN_GETDISPINFO: AnswerDisplayInfo(*reinterpret_cast<NMLVDISPINFO*>(header)); return;
        case LVN_ITEMCHANGING: ItemChanging(message, *reinterpret_cast<NMLISTVIEW*>(header)); return;
        case LVN_ITEMCHANGED: ItemChanged(*reinterpret_cast<NMLISTVIEW*>(header)); return;
        case LVN_COLUMNCLICK: {
            int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
            if (columnClick_ && column >= 0 && column < columns_->Count()) ColClick(columns_->Items(column));
            return;
        }
        case LVN_BEGINLABELEDIT: {
            TListItem* item = items_->Item(reinterpret_cast<NMLVDISPINFO*>(header)->item.iItem);
            message.Result = (item && !readOnly_ && CanEdit(item)) ? 0 : 1;
            return;
        }
        case LVN_ENDLABELEDIT: EndLabelEdit(message, *reinterpret_cast<NMLVDISPINFO*>(header)); return;
        default: return;
    }
}

void TCustomListView::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case WM_PAINT:
        case WM_ERASEBKGND:
            // The window class paints the whole face, into its own paint context.
            DefaultHandler(message);
            return;
        case CN_NOTIFY: Notify(message); return;
        case CM_COLORCHANGED:
            ApplyColors();
            break;
        case CM_FONTCHANGED:
            if (HandleAllocated()) SendMessage(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 1);
            ApplyColors();
            break;
        default: break;
    }
    TWinControl::Dispatch(message);
}

void TCustomListView::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "ViewStyle"))
        return SetViewStyle(PropertyEnum<TViewStyle>(
            name, value, {{"vsIcon", vsIcon}, {"vsSmallIcon", vsSmallIcon}, {"vsList", vsList}, {"vsReport", vsReport}}));
    if (SameText(name, "Checkboxes")) return SetCheckboxes(PropertyBool(name, value));
    if (SameText(name, "RowSelect")) return SetRowSelect(PropertyBool(name, value));
    if (SameText(name, "GridLines")) return SetGridLines(PropertyBool(name, value));
    if (SameText(name, "MultiSelect")) return SetMultiSelect(PropertyBool(name, value));
    if (SameText(name, "HideSelection")) return SetHideSelection(PropertyBool(name, value));
    if (SameText(name, "ReadOnly")) return SetReadOnly(PropertyBool(name, value));
    if (SameText(name, "ColumnClick")) return SetColumnClick(PropertyBool(name, value));
    if (SameText(name, "ShowColumnHeaders")) return SetShowColumnHeaders(PropertyBool(name, value));
    if (SameText(name, "OwnerData")) return SetOwnerData(PropertyBool(name, value));
    TWinControl::SetPropertyText(name, value);
}

}  // namespace parch
