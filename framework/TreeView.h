#pragma once
// The tree view control over the "SysTreeView32" window class: nodes with texts, images and
// data, expanding and collapsing with veto, selection with veto, image lists followed through
// change links, label editing and the custom-draw events.
//
// The framework keeps the tree (texts, images, children); the window asks for texts and images
// when it draws them and keeps the expanded and selected states, which the nodes read back
// while it exists and keep while it is made anew.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/CustomDraw.h"
#include "framework/ImageListSlot.h"
#include "framework/ImgList.h"
#include "framework/WinControls.h"
#include "platform/win/TreeViewClass.h"

namespace parch {

class TCustomTreeView;
class TTreeNodes;

class TTreeNode {
public:
    TTreeNode(TTreeNodes& owner, TTreeNode* parent);
    ~TTreeNode();
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    TTreeNodes& Owner() const { return owner_; }
    TCustomTreeView& TreeView() const;
    TTreeNode* Parent() const { return parent_; }
    HTREEITEM ItemId() const { return handle_; }

    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int index);
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }
    // Shows an expand button even before children are added (they may be added on expanding).
    bool HasChildren() const { return hasChildren_ || !children_.empty(); }
    void SetHasChildren(bool value);

    int Count() const { return static_cast<int>(children_.size()); }
    TTreeNode* Item(int index) const;
    int Index() const;
    int Level() const;
    TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
    TTreeNode* GetLastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;
    // The next node in depth-first order (children before siblings).
    TTreeNode* GetNext() const;

    bool Expanded() const;
    void SetExpanded(bool value);
    void Expand(bool recurse);
    void Collapse(bool recurse);
    bool Selected() const;
    void SetSelected(bool value);
    bool Focused() const { return Selected(); }

    // The node's row (textOnly: its label); empty without a window or when not shown.
    RECT DisplayRect(bool textOnly) const;
    void MakeVisible();
    bool EditText();
    void Delete();
    void DeleteChildren();
    // Orders the children by the tree's OnCompare (or their texts).
    bool AlphaSort(bool recurse = false);

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;
    void Redraw() const;
    void PutIntoWindow(HWND hwnd, HTREEITEM insertAfter);
    void TakeFromWindow(HWND hwnd);
    void ForgetHandles();

    TTreeNodes& owner_;
    TTreeNode* parent_;
    std::vector<std::unique_ptr<TTreeNode>> children_;
    HTREEITEM handle_ = nullptr;
    std::string text_;
    int imageIndex_ = -1;
    int selectedIndex_ = -1;
    void* data_ = nullptr;
    bool hasChildren_ = false;
    bool expanded_ = false;  // kept while there is no window
};

class TTreeNodes {
public:
    explicit TTreeNodes(TCustomTreeView& owner) : owner_(owner) {}
    ~TTreeNodes();
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    TCustomTreeView& Owner() const { return owner_; }
    // Every node of the tree.
    int Count() const;
    // The node at a position in depth-first order.
    TTreeNode* Item(int index) const;
    TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
    // A node after the last sibling of sibling (nullptr: a new top-level node).
    TTreeNode* Add(TTreeNode* sibling, const std::string& text);
    TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
    TTreeNode* AddChildFirst(TTreeNode* parent, const std::string& text);
    // A node just before node, among its siblings.
    TTreeNode* Insert(TTreeNode* node, const std::string& text);
    void Delete(TTreeNode* node);
    void Clear();
    // The node whose window item this is (nullptr when none).
    TTreeNode* GetNode(HTREEITEM item) const;

    // Redrawing waits until the last EndUpdate; prefer the guard, which ends the update on
    // every path, also when an exception passes.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    using UpdateGuard = TUpdateGuard<TTreeNodes>;

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    std::vector<std::unique_ptr<TTreeNode>>& SiblingsOf(TTreeNode* parent) { return parent ? parent->children_ : roots_; }
    TTreeNode* InsertAt(TTreeNode* parent, std::size_t position, const std::string& text);

    TCustomTreeView& owner_;
    std::vector<std::unique_ptr<TTreeNode>> roots_;
    int updateCount_ = 0;
};

using TTVChangedEvent = std::function<void(TObject* sender, TTreeNode* node)>;
using TTVChangingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowChange)>;
using TTVExpandingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* sender, TTreeNode* node)>;
using TTVEditingEvent = std::function<void(TObject* sender, TTreeNode* node, bool& allowEdit)>;
using TTVEditedEvent = std::function<void(TObject* sender, TTreeNode* node, std::string& text)>;
using TTVCompareEvent = std::function<void(TObject* sender, TTreeNode* node1, TTreeNode* node2, int data, int& compare)>;
using TTVCustomDrawEvent = std::function<void(TCustomTreeView* sender, const RECT& rect, bool& defaultDraw)>;
using TTVCustomDrawItemEvent =
    std::function<void(TCustomTreeView* sender, TTreeNode* node, TCustomDrawState state, bool& defaultDraw)>;
using TTVAdvancedCustomDrawEvent =
    std::function<void(TCustomTreeView* sender, const RECT& rect, TCustomDrawStage stage, bool& defaultDraw)>;
using TTVAdvancedCustomDrawItemEvent =
    std::function<void(TCustomTreeView* sender, TTreeNode* node, TCustomDrawState state, TCustomDrawStage stage,
                       bool& paintImages, bool& defaultDraw)>;

class TCustomTreeView : public TWinControl {
public:
    explicit TCustomTreeView(TComponent* owner);
    ~TCustomTreeView() override;

    TTreeNodes& Items() { return *items_; }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    TTreeNode* TopItem() const;
    TTreeNode* GetNodeAt(int x, int y) const;
    void FullExpand();
    void FullCollapse();
    bool AlphaSort(bool recurse = true);
    bool IsEditing() const;
    TCanvas& Canvas() { return *canvas_; }

    // Not owned; the view never destroys them.
    TCustomImageList* Images() const { return images_.List(); }
    void SetImages(TCustomImageList* list);
    TCustomImageList* StateImages() const { return stateImages_.List(); }
    void SetStateImages(TCustomImageList* list);

    bool ShowLines() const { return showLines_; }
    void SetShowLines(bool value);
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool value);
    bool ShowButtons() const { return showButtons_; }
    void SetShowButtons(bool value);
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value);
    // A right click selects the node under it.
    bool RightClickSelect() const { return rightClickSelect_; }
    void SetRightClickSelect(bool value) { rightClickSelect_ = value; }
    int Indent() const;
    void SetIndent(int value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);

    void SetPropertyText(const std::string& name, const std::string& value) override;

    TTVChangedEvent OnChange;
    TTVChangingEvent OnChanging;
    TTVExpandingEvent OnExpanding;
    TTVExpandedEvent OnExpanded;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnCollapsed;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVExpandedEvent OnDeletion;
    TTVExpandedEvent OnGetImageIndex;
    TTVExpandedEvent OnGetSelectedIndex;
    TTVCompareEvent OnCompare;
    TTVCustomDrawEvent OnCustomDraw;
    TTVCustomDrawItemEvent OnCustomDrawItem;
    TTVAdvancedCustomDrawEvent OnAdvancedCustomDraw;
    TTVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

    virtual bool CanExpand(TTreeNode* node);
    virtual void Expand(TTreeNode* node);
    virtual bool CanCollapse(TTreeNode* node);
    virtual void Collapse(TTreeNode* node);
    virtual bool CanChange(TTreeNode* node);
    virtual void Change(TTreeNode* node);
    virtual bool CanEdit(TTreeNode* node);
    virtual void Edit(TTreeNode* node, std::string& text);
    virtual void Delete(TTreeNode* node);
    virtual void GetImageIndex(TTreeNode* node);
    virtual void GetSelectedIndex(TTreeNode* node);
    virtual int CompareNodes(TTreeNode* node1, TTreeNode* node2, int data);

    virtual bool IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) const;
    virtual bool CustomDraw(const RECT& rect, TCustomDrawStage stage);
    virtual bool CustomDrawItem(TTreeNode* node, TCustomDrawState state, TCustomDrawStage stage, bool& paintImages);

private:
    friend class TTreeNode;
    friend class TTreeNodes;
    void Notify(TMessage& message);
    LRESULT CustomDrawNotify(NMTVCUSTOMDRAW& draw);
    void AnswerDisplayInfo(NMTVDISPINFO& info);
    void Expanding(TMessage& message, const NMTREEVIEW& nm);
    void Expanded(const NMTREEVIEW& nm);
    void EndLabelEdit(TMessage& message, NMTVDISPINFO& info);
    void ApplyStyleBit(DWORD bit, bool on);
    void ApplyColors();
    void ApplyImageList(WPARAM which, const TImageListSlot& slot);
    void ImageListChanged();
    void SortChildren(std::vector<std::unique_ptr<TTreeNode>>& siblings, TTreeNode* parent, bool recurse);

    std::unique_ptr<TTreeNodes> items_;
    std::unique_ptr<TCanvas> canvas_;
    TImageListSlot images_;
    TImageListSlot stateImages_;
    TTreeNode* selected_ = nullptr;  // kept while there is no window
    bool showLines_ = true;
    bool showRoot_ = true;
    bool showButtons_ = true;
    bool hideSelection_ = true;
    bool readOnly_ = false;
    bool rowSelect_ = false;
    bool rightClickSelect_ = false;
    int indent_ = 19;
    TBorderStyle borderStyle_ = bsSingle;
    // Set while the framework puts nodes into the window or takes them out: no events.
    bool quiet_ = false;
    // Set while a node's own expansion call runs: the node asks and tells itself.
    bool expandingByCall_ = false;
};

class TTreeView : public TCustomTreeView {
public:
    using TCustomTreeView::TCustomTreeView;
};

}  // namespace parch
