#pragma once
// The items of a tree view: a tree of nodes in sibling order, reached through handles that are
// never reused (a stale handle finds nothing), and the cached list of visible rows (the nodes
// whose ancestors are all expanded), rebuilt only after a change, so that rows are found by
// index and indexes by node at once even for tens of thousands of items.

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win/WinUser.h"

namespace parch::win {

struct TreeNode {
    std::uintptr_t id = 0;
    TreeNode* parent = nullptr;
    TreeNode* first = nullptr;
    TreeNode* last = nullptr;
    TreeNode* next = nullptr;
    TreeNode* previous = nullptr;
    int level = 0;
    std::string text;
    bool textCallback = false;
    int image = 0;
    int selectedImage = 0;
    int children = 0;  // 1, 0 or I_CHILDRENCALLBACK when given; else real children count
    bool childrenGiven = false;
    UINT state = 0;
    LPARAM lParam = 0;
    int textWidth = -1;  // measured once, -1 until then
    int row = -1;        // index in the visible rows when last shown
};

class TreeViewItems {
public:
    TreeViewItems() = default;
    TreeViewItems(const TreeViewItems&) = delete;
    TreeViewItems& operator=(const TreeViewItems&) = delete;

    TreeNode* Find(std::uintptr_t id) const;
    // The first root node.
    TreeNode* Roots() const { return firstRoot_; }
    // The first and last child of parent (null: of the root).
    TreeNode* FirstChild(const TreeNode* parent) const { return parent ? parent->first : firstRoot_; }
    TreeNode* LastChild(const TreeNode* parent) const { return parent ? parent->last : lastRoot_; }
    int Count() const { return static_cast<int>(nodes_.size()); }

    // Inserted under parent (null: the root) after `after` (null: first among the siblings).
    TreeNode* Insert(TreeNode* parent, TreeNode* after);
    // The node and its descendants; `each` sees every node, children before their parent,
    // after they left the tree (handles no longer find them) and before they are freed.
    void Erase(TreeNode* node, const std::function<void(TreeNode&)>& each);
    // Reorders the children of parent (null: the roots) by `less`, stably.
    void SortChildren(TreeNode* parent, bool recurse, const std::function<bool(const TreeNode&, const TreeNode&)>& less);

    bool IsAncestor(const TreeNode* ancestor, const TreeNode* node) const;
    // Every ancestor expanded.
    bool IsShown(const TreeNode* node) const;

    // The visible rows; the cache is rebuilt after Invalidate.
    const std::vector<TreeNode*>& Rows();
    int RowOf(TreeNode* node);
    void Invalidate() { rowsValid_ = false; }

private:
    void Link(TreeNode* node, TreeNode* parent, TreeNode* after);
    void Unlink(TreeNode* node);
    TreeNode*& FirstOf(TreeNode* parent) { return parent ? parent->first : firstRoot_; }
    TreeNode*& LastOf(TreeNode* parent) { return parent ? parent->last : lastRoot_; }

    std::unordered_map<std::uintptr_t, std::unique_ptr<TreeNode>> nodes_;
    std::uintptr_t nextId_ = 0x100;  // clear of the special TVI_ values, which are negative
    TreeNode* firstRoot_ = nullptr;
    TreeNode* lastRoot_ = nullptr;
    std::vector<TreeNode*> rows_;
    bool rowsValid_ = false;
};

}  // namespace parch::win
