#include "framework/TreeView.h"

#include <algorithm>
#include <cstring>

#include "framework/PropertyText.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fonts.h"
#include "platform/win/HeaderClass.h"  // the UTF-8 buffer copy
#include "platform/win/WinApi.h"

namespace parch {

namespace treeview_impl {

int CompareTexts(const std::string& a, const std::string& b) {
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : static_cast<int>(c); };
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int d = fold(static_cast<unsigned char>(a[i])) - fold(static_cast<unsigned char>(b[i]));
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Orders siblings by the position each was given: the window follows an order decided before.
int CompareTreePositions(LPARAM first, LPARAM second, LPARAM) {
    return reinterpret_cast<const TTreeNode*>(first)->Index() - reinterpret_cast<const TTreeNode*>(second)->Index();
}

}  // namespace treeview_impl

using namespace treeview_impl;

// --- TTreeNode ---

TTreeNode::TTreeNode(TTreeNodes& owner, TTreeNode* parent) : owner_(owner), parent_(parent) {}

TTreeNode::~TTreeNode() = default;

TCustomTreeView& TTreeNode::TreeView() const { return owner_.Owner(); }

void TTreeNode::Redraw() const {
    TCustomTreeView& tree = TreeView();
    if (!tree.HandleAllocated() || !handle_) return;
    RECT r = DisplayRect(false);
    InvalidateRect(tree.Handle(), &r, true);
}

void TTreeNode::SetText(const std::string& text) {
    text_ = text;
    TCustomTreeView& tree = TreeView();
    if (!tree.HandleAllocated() || !handle_) return;
    // The window asks for the text again and measures it anew.
    TVITEMA item;
    item.mask = TVIF_TEXT;
    item.hItem = handle_;
    item.pszText = LPSTR_TEXTCALLBACK;
    SendMessage(tree.Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    Redraw();
}

void TTreeNode::SetImageIndex(int index) {
    // Set while the window asks for the image too: only a real change redraws.
    if (index == imageIndex_) return;
    imageIndex_ = index;
    Redraw();
}

void TTreeNode::SetSelectedIndex(int index) {
    // Set while the window asks for the image too: only a real change redraws.
    if (index == selectedIndex_) return;
    selectedIndex_ = index;
    Redraw();
}

void TTreeNode::SetHasChildren(bool value) {
    if (value == hasChildren_) return;
    hasChildren_ = value;
    Redraw();
}

TTreeNode* TTreeNode::Item(int index) const {
    return index >= 0 && index < Count() ? children_[static_cast<std::size_t>(index)].get() : nullptr;
}

int TTreeNode::Index() const {
    const auto& siblings = owner_.SiblingsOf(parent_);
    for (std::size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this) return static_cast<int>(i);
    return -1;
}

int TTreeNode::Level() const {
    int level = 0;
    for (TTreeNode* p = parent_; p; p = p->parent_) ++level;
    return level;
}

TTreeNode* TTreeNode::GetNextSibling() const {
    const auto& siblings = owner_.SiblingsOf(parent_);
    int i = Index();
    return i >= 0 && static_cast<std::size_t>(i + 1) < siblings.size() ? siblings[static_cast<std::size_t>(i + 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
    const auto& siblings = owner_.SiblingsOf(parent_);
    int i = Index();
    return i > 0 ? siblings[static_cast<std::size_t>(i - 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    if (TTreeNode* child = GetFirstChild()) return child;
    for (const TTreeNode* n = this; n; n = n->parent_)
        if (TTreeNode* next = n->GetNextSibling()) return next;
    return nullptr;
}

bool TTreeNode::Expanded() const {
    TCustomTreeView& tree = TreeView();
    if (tree.HandleAllocated() && handle_)
        return (SendMessage(tree.Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(handle_), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    return expanded_;
}

void TTreeNode::SetExpanded(bool value) {
    if (value == Expanded()) return;
    TCustomTreeView& tree = TreeView();
    // Asked and told here: the window tells of its own expansions only the first time.
    if (value ? !tree.CanExpand(this) : !tree.CanCollapse(this)) return;
    if (tree.HandleAllocated() && handle_) {
        tree.expandingByCall_ = true;
        try {
            SendMessage(tree.Handle(), TVM_EXPAND, value ? TVE_EXPAND : TVE_COLLAPSE, reinterpret_cast<LPARAM>(handle_));
        } catch (...) {
            tree.expandingByCall_ = false;
            throw;
        }
        tree.expandingByCall_ = false;
    } else {
        expanded_ = value;
    }
    if (value) tree.Expand(this);
    else tree.Collapse(this);
}

void TTreeNode::Expand(bool recurse) {
    SetExpanded(true);
    if (recurse)
        for (std::size_t i = 0; i < children_.size(); ++i) children_[i]->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
    SetExpanded(false);
    if (recurse)
        for (std::size_t i = 0; i < children_.size(); ++i) children_[i]->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView().Selected() == this; }

void TTreeNode::SetSelected(bool value) {
    TCustomTreeView& tree = TreeView();
    if (value) tree.SetSelected(this);
    else if (Selected()) tree.SetSelected(nullptr);
}

RECT TTreeNode::DisplayRect(bool textOnly) const {
    TCustomTreeView& tree = TreeView();
    RECT rect{0, 0, 0, 0};
    if (!tree.HandleAllocated() || !handle_) return rect;
    // The window reads the item from the rectangle's first bytes.
    std::memcpy(static_cast<void*>(&rect), &handle_, sizeof handle_);
    if (!SendMessage(tree.Handle(), TVM_GETITEMRECT, textOnly ? 1 : 0, reinterpret_cast<LPARAM>(&rect))) return RECT{0, 0, 0, 0};
    return rect;
}

void TTreeNode::MakeVisible() {
    TCustomTreeView& tree = TreeView();
    if (tree.HandleAllocated() && handle_) SendMessage(tree.Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(handle_));
}

bool TTreeNode::EditText() {
    TCustomTreeView& tree = TreeView();
    return tree.HandleAllocated() && handle_ &&
           SendMessage(tree.Handle(), TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(handle_)) != 0;
}

void TTreeNode::Delete() { owner_.Delete(this); }

void TTreeNode::DeleteChildren() {
    TTreeNodes::UpdateGuard update(owner_);
    while (!children_.empty()) owner_.Delete(children_.back().get());
}

bool TTreeNode::AlphaSort(bool recurse) {
    TreeView().SortChildren(children_, this, recurse);
    return true;
}

void TTreeNode::PutIntoWindow(HWND hwnd, HTREEITEM insertAfter) {
    TVINSERTSTRUCTA insert;
    insert.hParent = parent_ ? parent_->handle_ : TVI_ROOT;
    insert.hInsertAfter = insertAfter;
    TVITEMA& item = insert.item;
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    item.pszText = LPSTR_TEXTCALLBACK;
    item.iImage = I_IMAGECALLBACK;
    item.iSelectedImage = I_IMAGECALLBACK;
    item.cChildren = I_CHILDRENCALLBACK;
    item.lParam = reinterpret_cast<LPARAM>(this);
    handle_ = reinterpret_cast<HTREEITEM>(SendMessage(hwnd, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    HTREEITEM last = TVI_FIRST;
    for (const auto& child : children_) {
        child->PutIntoWindow(hwnd, last);
        last = child->handle_;
    }
    if (expanded_ && handle_) SendMessage(hwnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(handle_));
}

void TTreeNode::TakeFromWindow(HWND hwnd) {
    if (handle_)
        expanded_ = (SendMessage(hwnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(handle_), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    for (const auto& child : children_) child->TakeFromWindow(hwnd);
}

void TTreeNode::ForgetHandles() {
    handle_ = nullptr;
    for (const auto& child : children_) child->ForgetHandles();
}

// --- TTreeNodes ---

TTreeNodes::~TTreeNodes() = default;

int TTreeNodes::Count() const {
    int count = 0;
    for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext()) ++count;
    return count;
}

TTreeNode* TTreeNodes::Item(int index) const {
    if (index < 0) return nullptr;
    for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext())
        if (index-- == 0) return n;
    return nullptr;
}

TTreeNode* TTreeNodes::InsertAt(TTreeNode* parent, std::size_t position, const std::string& text) {
    auto& siblings = SiblingsOf(parent);
    position = std::min(position, siblings.size());
    auto made = std::make_unique<TTreeNode>(*this, parent);
    TTreeNode* node = made.get();
    node->text_ = text;
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(position), std::move(made));
    if (owner_.HandleAllocated() && (!parent || parent->handle_)) {
        HTREEITEM after = position == 0 ? TVI_FIRST : siblings[position - 1]->handle_;
        node->PutIntoWindow(owner_.Handle(), after);
        if (parent) parent->Redraw();  // its button shows now
    }
    return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const std::string& text) {
    TTreeNode* parent = sibling ? sibling->Parent() : nullptr;
    return InsertAt(parent, SiblingsOf(parent).size(), text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
    return InsertAt(parent, SiblingsOf(parent).size(), text);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const std::string& text) { return InsertAt(parent, 0, text); }

TTreeNode* TTreeNodes::Insert(TTreeNode* node, const std::string& text) {
    if (!node) return Add(nullptr, text);
    return InsertAt(node->Parent(), static_cast<std::size_t>(std::max(node->Index(), 0)), text);
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (!node) return;
    // Children go first, each told of before it goes.
    while (!node->children_.empty()) Delete(node->children_.back().get());
    owner_.Delete(node);
    auto& siblings = SiblingsOf(node->parent_);
    auto it = std::find_if(siblings.begin(), siblings.end(), [node](const auto& p) { return p.get() == node; });
    if (it == siblings.end()) return;  // OnDeletion took it away already
    if (owner_.selected_ == node) owner_.selected_ = nullptr;
    if (owner_.HandleAllocated() && node->handle_)
        SendMessage(owner_.Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->handle_));
    // The window may have told of a new selection; the node is still found until here.
    it = std::find_if(siblings.begin(), siblings.end(), [node](const auto& p) { return p.get() == node; });
    if (it != siblings.end()) siblings.erase(it);
}

void TTreeNodes::Clear() {
    UpdateGuard update(*this);
    while (!roots_.empty()) Delete(roots_.back().get());
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM item) const {
    if (!item || !owner_.HandleAllocated()) return nullptr;
    TVITEMA query;
    query.mask = TVIF_PARAM;
    query.hItem = item;
    if (!SendMessage(owner_.Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return nullptr;
    auto* node = reinterpret_cast<TTreeNode*>(query.lParam);
    return node && node->handle_ == item ? node : nullptr;
}

void TTreeNodes::BeginUpdate() {
    if (updateCount_++ == 0 && owner_.HandleAllocated()) SendMessage(owner_.Handle(), WM_SETREDRAW, 0, 0);
}

void TTreeNodes::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ > 0 || !owner_.HandleAllocated()) return;
    SendMessage(owner_.Handle(), WM_SETREDRAW, 1, 0);
    owner_.Invalidate();
}

// --- TCustomTreeView ---

TCustomTreeView::TCustomTreeView(TComponent* owner)
    : TWinControl(owner),
      items_(std::make_unique<TTreeNodes>(*this)),
      canvas_(std::make_unique<TCanvas>()),
      images_(*this, [this] { ImageListChanged(); }),
      stateImages_(*this, [this] { ImageListChanged(); }) {
    // The window takes the mouse capture itself and needs it until the button is released.
    SetControlStyle(ControlStyle() & ~(csSetCaption | csCaptureMouse));
    SetBounds(Left(), Top(), 121, 97);
    SetTabStop(true);
}

TCustomTreeView::~TCustomTreeView() {
    quiet_ = true;
    if (HandleAllocated()) DestroyWindowHandle();
}

void TCustomTreeView::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, "SysTreeView32");
    if (showLines_) params.Style |= TVS_HASLINES;
    if (showRoot_) params.Style |= TVS_LINESATROOT;
    if (showButtons_) params.Style |= TVS_HASBUTTONS;
    if (!hideSelection_) params.Style |= TVS_SHOWSELALWAYS;
    if (!readOnly_) params.Style |= TVS_EDITLABELS;
    if (rowSelect_) params.Style |= TVS_FULLROWSELECT;
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::CreateWnd() {
    TWinControl::CreateWnd();
    HWND hwnd = Handle();
    SendMessage(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 0);
    ApplyColors();
    ApplyImageList(TVSIL_NORMAL, images_);
    ApplyImageList(TVSIL_STATE, stateImages_);
    SendMessage(hwnd, TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
    quiet_ = true;
    try {
        HTREEITEM last = TVI_FIRST;
        for (const auto& root : items_->roots_) {
            root->PutIntoWindow(hwnd, last);
            last = root->handle_;
        }
        if (selected_) SendMessage(hwnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected_->handle_));
    } catch (...) {
        quiet_ = false;
        throw;
    }
    quiet_ = false;
    if (items_->UpdateCount() > 0) SendMessage(hwnd, WM_SETREDRAW, 0, 0);
}

void TCustomTreeView::DestroyWnd() {
    if (HandleAllocated()) {
        HWND hwnd = Handle();
        selected_ = Selected();
        for (const auto& root : items_->roots_) root->TakeFromWindow(hwnd);
    }
    quiet_ = true;
    try {
        TWinControl::DestroyWnd();
    } catch (...) {
        quiet_ = false;
        throw;
    }
    quiet_ = false;
    for (const auto& root : items_->roots_) root->ForgetHandles();
}

void TCustomTreeView::ApplyStyleBit(DWORD bit, bool on) {
    if (!HandleAllocated()) return;
    LONG_PTR style = GetWindowLongPtr(Handle(), GWL_STYLE);
    LONG_PTR wanted = on ? (style | static_cast<LONG_PTR>(bit)) : (style & ~static_cast<LONG_PTR>(bit));
    if (wanted != style) SetWindowLongPtr(Handle(), GWL_STYLE, wanted);
    Invalidate();
}

void TCustomTreeView::ApplyColors() {
    if (!HandleAllocated()) return;
    SendMessage(Handle(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
    SendMessage(Handle(), TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Font().Color())));
}

void TCustomTreeView::ApplyImageList(WPARAM which, const TImageListSlot& slot) {
    if (HandleAllocated()) SendMessage(Handle(), TVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(slot.Handle()));
}

void TCustomTreeView::ImageListChanged() {
    // A list changed its images (or its handle): the window draws from what it holds now.
    ApplyImageList(TVSIL_NORMAL, images_);
    ApplyImageList(TVSIL_STATE, stateImages_);
    if (HandleAllocated()) Invalidate();
}

void TCustomTreeView::SetImages(TCustomImageList* list) {
    if (images_.Set(list)) ApplyImageList(TVSIL_NORMAL, images_);
}

void TCustomTreeView::SetStateImages(TCustomImageList* list) {
    if (stateImages_.Set(list)) ApplyImageList(TVSIL_STATE, stateImages_);
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    // A freed list left its link already; the window must not keep drawing from it.
    if (operation == TOperation::opRemove) ImageListChanged();
}

void TCustomTreeView::SetShowLines(bool value) {
    showLines_ = value;
    ApplyStyleBit(TVS_HASLINES, value);
}

void TCustomTreeView::SetShowRoot(bool value) {
    showRoot_ = value;
    ApplyStyleBit(TVS_LINESATROOT, value);
}

void TCustomTreeView::SetShowButtons(bool value) {
    showButtons_ = value;
    ApplyStyleBit(TVS_HASBUTTONS, value);
}

void TCustomTreeView::SetHideSelection(bool value) {
    hideSelection_ = value;
    ApplyStyleBit(TVS_SHOWSELALWAYS, !value);
}

void TCustomTreeView::SetReadOnly(bool value) {
    readOnly_ = value;
    ApplyStyleBit(TVS_EDITLABELS, !value);
}

void TCustomTreeView::SetRowSelect(bool value) {
    rowSelect_ = value;
    ApplyStyleBit(TVS_FULLROWSELECT, value);
}

int TCustomTreeView::Indent() const {
    if (HandleAllocated()) return static_cast<int>(SendMessage(const_cast<TCustomTreeView*>(this)->Handle(), TVM_GETINDENT, 0, 0));
    return indent_;
}

void TCustomTreeView::SetIndent(int value) {
    indent_ = std::max(value, 0);
    if (HandleAllocated()) SendMessage(Handle(), TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
}

void TCustomTreeView::SetBorderStyle(TBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    RecreateWnd();
}

TTreeNode* TCustomTreeView::Selected() const {
    if (!HandleAllocated()) return selected_;
    HWND hwnd = const_cast<TCustomTreeView*>(this)->Handle();
    return items_->GetNode(reinterpret_cast<HTREEITEM>(SendMessage(hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* node) {
    if (HandleAllocated()) {
        // The window asks first (TVN_SELCHANGING may veto) and tells after.
        SendMessage(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->handle_ : nullptr));
        return;
    }
    if (node == selected_ || !CanChange(node)) return;
    selected_ = node;
    Change(node);
}

TTreeNode* TCustomTreeView::TopItem() const {
    if (!HandleAllocated()) return items_->GetFirstNode();
    HWND hwnd = const_cast<TCustomTreeView*>(this)->Handle();
    return items_->GetNode(reinterpret_cast<HTREEITEM>(SendMessage(hwnd, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

TTreeNode* TCustomTreeView::GetNodeAt(int x, int y) const {
    if (!HandleAllocated()) return nullptr;
    TVHITTESTINFO info;
    info.pt = {x, y};
    HWND hwnd = const_cast<TCustomTreeView*>(this)->Handle();
    SendMessage(hwnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
    return (info.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON)) ? items_->GetNode(info.hItem) : nullptr;
}

void TCustomTreeView::FullExpand() {
    for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNextSibling()) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
    for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNextSibling()) n->Collapse(true);
}

int TCustomTreeView::CompareNodes(TTreeNode* node1, TTreeNode* node2, int data) {
    if (OnCompare) {
        int compare = 0;
        OnCompare(this, node1, node2, data, compare);
        return compare;
    }
    return CompareTexts(node1->Text(), node2->Text());
}

void TCustomTreeView::SortChildren(std::vector<std::unique_ptr<TTreeNode>>& siblings, TTreeNode* parent, bool recurse) {
    // Decided on plain pointers, where a comparison may throw without harm to the nodes; the
    // window only follows.
    std::vector<std::pair<TTreeNode*, std::size_t>> order;
    order.reserve(siblings.size());
    for (std::size_t i = 0; i < siblings.size(); ++i) order.emplace_back(siblings[i].get(), i);
    std::stable_sort(order.begin(), order.end(),
                     [this](const auto& a, const auto& b) { return CompareNodes(a.first, b.first, 0) < 0; });
    std::vector<std::unique_ptr<TTreeNode>> sorted;
    sorted.reserve(siblings.size());
    for (const auto& [node, position] : order) sorted.push_back(std::move(siblings[position]));
    siblings = std::move(sorted);
    if (HandleAllocated() && (!parent || parent->handle_)) {
        TVSORTCB sort;
        sort.hParent = parent ? parent->handle_ : TVI_ROOT;
        sort.lpfnCompare = &CompareTreePositions;
        SendMessage(Handle(), TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    }
    if (recurse)
        for (const auto& node : siblings) SortChildren(node->children_, node.get(), true);
}

bool TCustomTreeView::AlphaSort(bool recurse) {
    SortChildren(items_->roots_, nullptr, recurse);
    return true;
}

bool TCustomTreeView::IsEditing() const {
    return HandleAllocated() && SendMessage(const_cast<TCustomTreeView*>(this)->Handle(), TVM_GETEDITCONTROL, 0, 0) != 0;
}

void TCustomTreeView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbRight && rightClickSelect_)
        if (TTreeNode* node = GetNodeAt(x, y)) node->SetSelected(true);
    TWinControl::MouseDown(button, shift, x, y);
}

// --- events ---

bool TCustomTreeView::CanExpand(TTreeNode* node) {
    bool allow = true;
    if (OnExpanding) OnExpanding(this, node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode* node) {
    if (OnExpanded) OnExpanded(this, node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* node) {
    bool allow = true;
    if (OnCollapsing) OnCollapsing(this, node, allow);
    return allow;
}

void TCustomTreeView::Collapse(TTreeNode* node) {
    if (OnCollapsed) OnCollapsed(this, node);
}

bool TCustomTreeView::CanChange(TTreeNode* node) {
    bool allow = true;
    if (OnChanging) OnChanging(this, node, allow);
    return allow;
}

void TCustomTreeView::Change(TTreeNode* node) {
    if (OnChange) OnChange(this, node);
}

bool TCustomTreeView::CanEdit(TTreeNode* node) {
    bool allow = true;
    if (OnEditing) OnEditing(this, node, allow);
    return allow;
}

void TCustomTreeView::Edit(TTreeNode* node, std::string& text) {
    if (OnEdited) OnEdited(this, node, text);
}

void TCustomTreeView::Delete(TTreeNode* node) {
    if (OnDeletion && !quiet_) OnDeletion(this, node);
}

void TCustomTreeView::GetImageIndex(TTreeNode* node) {
    if (OnGetImageIndex) OnGetImageIndex(this, node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* node) {
    if (OnGetSelectedIndex) OnGetSelectedIndex(this, node);
}

bool TCustomTreeView::IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) const {
    switch (target) {
        case dtControl: return (stage == cdPrePaint && OnCustomDraw) || OnAdvancedCustomDraw;
        case dtItem: return (stage == cdPrePaint && OnCustomDrawItem) || OnAdvancedCustomDrawItem;
        case dtSubItem: break;
    }
    return false;
}

bool TCustomTreeView::CustomDraw(const RECT& rect, TCustomDrawStage stage) {
    bool defaultDraw = true;
    if (stage == cdPrePaint && OnCustomDraw) OnCustomDraw(this, rect, defaultDraw);
    if (defaultDraw && OnAdvancedCustomDraw) OnAdvancedCustomDraw(this, rect, stage, defaultDraw);
    return defaultDraw;
}

bool TCustomTreeView::CustomDrawItem(TTreeNode* node, TCustomDrawState state, TCustomDrawStage stage, bool& paintImages) {
    bool defaultDraw = true;
    if (stage == cdPrePaint && OnCustomDrawItem) OnCustomDrawItem(this, node, state, defaultDraw);
    if (defaultDraw && OnAdvancedCustomDrawItem) OnAdvancedCustomDrawItem(this, node, state, stage, paintImages, defaultDraw);
    return defaultDraw;
}

// --- window messages ---

LRESULT TCustomTreeView::CustomDrawNotify(NMTVCUSTOMDRAW& draw) {
    const DWORD drawStage = draw.nmcd.dwDrawStage;
    const TCustomDrawStage stage = CustomDrawStageOf(drawStage);
    HDC dc = draw.nmcd.hdc;
    // The events draw on the canvas over the window's context; what they leave in the
    // canvas's font and brush becomes the node's font and colours.
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
            if (IsCustomDrawn(dtItem, cdPrePaint) || IsCustomDrawn(dtItem, cdPostPaint)) result |= CDRF_NOTIFYITEMDRAW;
            if (IsCustomDrawn(dtControl, cdPostPaint)) result |= CDRF_NOTIFYPOSTPAINT;
        }
        return result;
    }

    TTreeNode* node = items_->GetNode(reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec));
    if (!node || !IsCustomDrawn(dtItem, stage)) return CDRF_DODEFAULT;
    bool paintImages = true;
    onCanvas([&] { return CustomDrawItem(node, draw.nmcd.uItemState, stage, paintImages); });
    if (!defaultDraw) return CDRF_SKIPDEFAULT;
    LRESULT result = CDRF_DODEFAULT;
    if (stage == cdPrePaint) {
        // Only colours the event changed replace the window's own (it highlights selections).
        if (look.textColor != Font().Color()) draw.clrText = ColorToRGB(look.textColor);
        if (look.backColor != Color()) draw.clrTextBk = ColorToRGB(look.backColor);
        SelectObject(dc, look.font);
        result |= CDRF_NEWFONT;
        if (IsCustomDrawn(dtItem, cdPostPaint)) result |= CDRF_NOTIFYPOSTPAINT;
    }
    return result;
}

void TCustomTreeView::AnswerDisplayInfo(NMTVDISPINFO& info) {
    TVITEMA& out = info.item;
    TTreeNode* node = reinterpret_cast<TTreeNode*>(out.lParam);
    if (!node || node->handle_ != out.hItem) return;
    if ((out.mask & TVIF_TEXT) && out.pszText && out.cchTextMax > 0)
        win::CopyTextToBuffer(node->Text(), out.pszText, out.cchTextMax);
    if (out.mask & TVIF_IMAGE) {
        GetImageIndex(node);
        out.iImage = node->ImageIndex();
    }
    if (out.mask & TVIF_SELECTEDIMAGE) {
        GetSelectedIndex(node);
        out.iSelectedImage = node->SelectedIndex();
    }
    if (out.mask & TVIF_CHILDREN) out.cChildren = node->HasChildren() ? 1 : 0;
}

void TCustomTreeView::Expanding(TMessage& message, const NMTREEVIEW& nm) {
    TTreeNode* node = items_->GetNode(nm.itemNew.hItem);
    if (!node || quiet_ || expandingByCall_) return;
    bool allow = (nm.action & TVE_EXPAND) ? CanExpand(node) : CanCollapse(node);
    if (!allow) message.Result = 1;
}

void TCustomTreeView::Expanded(const NMTREEVIEW& nm) {
    TTreeNode* node = items_->GetNode(nm.itemNew.hItem);
    if (!node || quiet_ || expandingByCall_) return;
    if (nm.action & TVE_EXPAND) Expand(node);
    else Collapse(node);
}

void TCustomTreeView::EndLabelEdit(TMessage& message, NMTVDISPINFO& info) {
    // The text stays ours: the window keeps asking for it.
    message.Result = 0;
    TTreeNode* node = items_->GetNode(info.item.hItem);
    if (!node || !info.item.pszText) return;
    std::string text = info.item.pszText;
    Edit(node, text);
    node->SetText(text);
}

void TCustomTreeView::Notify(TMessage& message) {
    auto* header = reinterpret_cast<NMHDR*>(message.LParam);
    if (!header) return;
    switch (header->code) {
        case NM_CUSTOMDRAW: message.Result = CustomDrawNotify(*reinterpret_cast<NMTVCUSTOMDRAW*>(header)); return;
        case TVN_GETDISPINFO: AnswerDisplayInfo(*reinterpret_cast<NMTVDISPINFO*>(header)); return;
        case TVN_SELCHANGING: {
            if (quiet_) return;
            TTreeNode* node = items_->GetNode(reinterpret_cast<NMTREEVIEW*>(header)->itemNew.hItem);
            if (!CanChange(node)) message.Result = 1;
            return;
        }
        case TVN_SELCHANGED:
            if (!quiet_) Change(items_->GetNode(reinterpret_cast<NMTREEVIEW*>(header)->itemNew.hItem));
            return;
        case TVN_ITEMEXPANDING: Expanding(message, *reinterpret_cast<NMTREEVIEW*>(header)); return;
        case TVN_ITEMEXPANDED: Expanded(*reinterpret_cast<NMTREEVIEW*>(header)); return;
        case TVN_BEGINLABELEDIT: {
            TTreeNode* node = items_->GetNode(reinterpret_cast<NMTVDISPINFO*>(header)->item.hItem);
            message.Result = (node && !readOnly_ && CanEdit(node)) ? 0 : 1;
            return;
        }
        case TVN_ENDLABELEDIT: EndLabelEdit(message, *reinterpret_cast<NMTVDISPINFO*>(header)); return;
        default: return;
    }
}

void TCustomTreeView::Dispatch(TMessage& message) {
    switch (message.Msg) {
        case WM_PAINT:
        case WM_ERASEBKGND:
            // The window class paints the whole face, into its own paint context.
            DefaultHandler(message);
            return;
        case CN_NOTIFY: Notify(message); return;
        case CM_COLORCHANGED: ApplyColors(); break;
        case CM_FONTCHANGED:
            if (HandleAllocated()) SendMessage(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), 1);
            ApplyColors();
            break;
        default: break;
    }
    TWinControl::Dispatch(message);
}

void TCustomTreeView::SetPropertyText(const std::string& name, const std::string& value) {
    if (SameText(name, "ShowLines")) return SetShowLines(PropertyBool(name, value));
    if (SameText(name, "ShowRoot")) return SetShowRoot(PropertyBool(name, value));
    if (SameText(name, "ShowButtons")) return SetShowButtons(PropertyBool(name, value));
    if (SameText(name, "HideSelection")) return SetHideSelection(PropertyBool(name, value));
    if (SameText(name, "ReadOnly")) return SetReadOnly(PropertyBool(name, value));
    if (SameText(name, "RowSelect")) return SetRowSelect(PropertyBool(name, value));
    if (SameText(name, "RightClickSelect")) return SetRightClickSelect(PropertyBool(name, value));
    if (SameText(name, "Indent")) return SetIndent(PropertyInt(name, value));
    TWinControl::SetPropertyText(name, value);
}

}  // namespace parch
