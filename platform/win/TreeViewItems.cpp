#include "platform/win/TreeViewItems.h"

#include <algorithm>

namespace parch::win {

constexpr UINT kTreeExpandedState = 0x0020;  // TVIS_EXPANDED

TreeNode* TreeViewItems::Find(std::uintptr_t id) const {
    auto it = nodes_.find(id);
    return it == nodes_.end() ? nullptr : it->second.get();
}

void TreeViewItems::Link(TreeNode* node, TreeNode* parent, TreeNode* after) {
    node->parent = parent;
    node->previous = after;
    node->next = after ? after->next : FirstOf(parent);
    if (node->previous) node->previous->next = node;
    else FirstOf(parent) = node;
    if (node->next) node->next->previous = node;
    else LastOf(parent) = node;
}

void TreeViewItems::Unlink(TreeNode* node) {
    if (node->previous) node->previous->next = node->next;
    else FirstOf(node->parent) = node->next;
    if (node->next) node->next->previous = node->previous;
    else LastOf(node->parent) = node->previous;
    node->next = node->previous = nullptr;
}

TreeNode* TreeViewItems::Insert(TreeNode* parent, TreeNode* after) {
    auto owned = std::make_unique<TreeNode>();
    TreeNode* node = owned.get();
    node->id = nextId_;
    nextId_ += 0x10;
    node->level = parent ? parent->level + 1 : 0;
    nodes_.emplace(node->id, std::move(owned));
    Link(node, parent, after);
    Invalidate();
    return node;
}

void TreeViewItems::Erase(TreeNode* node, const std::function<void(TreeNode&)>& each) {
    // Iteratively, children first: deep trees must not exhaust the stack.
    std::vector<TreeNode*> order;
    std::vector<TreeNode*> pending{node};
    while (!pending.empty()) {
        TreeNode* n = pending.back();
        pending.pop_back();
        order.push_back(n);
        for (TreeNode* c = n->first; c; c = c->next) pending.push_back(c);
    }
    // Out of the tree and out of reach by handle before anyone hears of them: whoever is told
    // may change the tree meanwhile, but can no longer touch (or free) these nodes.
    Unlink(node);
    rows_.clear();  // it may hold the nodes about to go
    Invalidate();
    std::vector<std::unique_ptr<TreeNode>> doomed;
    doomed.reserve(order.size());
    for (TreeNode* n : order) {
        auto found = nodes_.find(n->id);
        doomed.push_back(std::move(found->second));
        nodes_.erase(found);
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) each(**it);
}

void TreeViewItems::SortChildren(TreeNode* parent, bool recurse,
                                 const std::function<bool(const TreeNode&, const TreeNode&)>& less) {
    std::vector<TreeNode*> parents{parent};
    while (!parents.empty()) {
        TreeNode* p = parents.back();
        parents.pop_back();
        std::vector<TreeNode*> children;
        for (TreeNode* c = FirstOf(p); c; c = c->next) children.push_back(c);
        std::stable_sort(children.begin(), children.end(), [&](TreeNode* a, TreeNode* b) { return less(*a, *b); });
        FirstOf(p) = LastOf(p) = nullptr;
        TreeNode* after = nullptr;
        for (TreeNode* c : children) {
            Link(c, p, after);
            after = c;
            if (recurse && c->first) parents.push_back(c);
        }
    }
    Invalidate();
}

bool TreeViewItems::IsAncestor(const TreeNode* ancestor, const TreeNode* node) const {
    for (const TreeNode* p = node ? node->parent : nullptr; p; p = p->parent)
        if (p == ancestor) return true;
    return false;
}

bool TreeViewItems::IsShown(const TreeNode* node) const {
    for (const TreeNode* p = node->parent; p; p = p->parent)
        if (!(p->state & kTreeExpandedState)) return false;
    return true;
}

const std::vector<TreeNode*>& TreeViewItems::Rows() {
    if (rowsValid_) return rows_;
    rows_.clear();
    TreeNode* n = firstRoot_;
    while (n) {
        n->row = static_cast<int>(rows_.size());
        rows_.push_back(n);
        if ((n->state & kTreeExpandedState) && n->first) {
            n = n->first;
            continue;
        }
        while (n && !n->next) n = n->parent;
        if (n) n = n->next;
    }
    rowsValid_ = true;
    return rows_;
}

int TreeViewItems::RowOf(TreeNode* node) {
    const auto& rows = Rows();
    // A node hidden since keeps its old index: it counts only where it still stands.
    if (!node || node->row < 0 || node->row >= static_cast<int>(rows.size())) return -1;
    return rows[static_cast<std::size_t>(node->row)] == node ? node->row : -1;
}

}  // namespace parch::win
