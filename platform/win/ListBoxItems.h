#pragma once
// The items of a list box and what is selected among them, apart from any window: insertion
// (sorted by binary search), deletion, searching by prefix or whole text, and the selection
// of a single-, multiple- or extended-selection list with its caret and anchor. Indexes
// shift with insertions and deletions as the items they name move.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/WinUser.h"

namespace parch::win {

struct ListItem {
    std::string text;  // UTF-8; empty for owner-drawn items without strings
    UINT_PTR data = 0;
    int height = 0;  // variable-height lists only
    bool selected = false;
};

// Ordinal order with ASCII letters folded, as sorted lists and searches compare.
int CompareItemText(std::string_view a, std::string_view b);

class ListBoxItems {
public:
    explicit ListBoxItems(bool multiple = false) : multiple_(multiple) {}

    int Count() const { return static_cast<int>(items_.size()); }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    const ListItem& At(int index) const { return *items_[static_cast<std::size_t>(index)]; }
    ListItem& At(int index) { return *items_[static_cast<std::size_t>(index)]; }

    // At index (-1: the end); -1 when index is past the end.
    int Insert(int index, ListItem item);
    // After the items that compare equal; the index it got.
    int InsertSorted(ListItem item);
    bool Erase(int index);
    void Clear();
    void Reserve(std::size_t count) { items_.reserve(count); }

    // The first item after start (-1: from the first), wrapping round, whose text begins with
    // (or, exact, equals) text; -1 when none.
    int FindText(std::string_view text, int start, bool exact) const;
    int FindData(UINT_PTR data, int start) const;

    // Single selection: the selected item (-1: none). Multiple: the caret.
    int Current() const { return multiple_ ? caret_ : selected_; }
    int Caret() const { return multiple_ ? caret_ : (selected_ >= 0 ? selected_ : caret_); }
    int Anchor() const { return anchor_; }
    void SetCaret(int index) { caret_ = index; }
    void SetAnchor(int index) { anchor_ = index; }

    // Single selection; true when it changed.
    bool Select(int index);
    bool IsSelected(int index) const;
    // Multiple selection; true when anything changed.
    bool SetSelected(int index, bool on);
    bool SetRange(int first, int last, bool on);  // inclusive, either order
    bool SetAll(bool on);
    // Selects first..last (either order) and nothing else.
    bool SelectOnlyRange(int first, int last);
    int SelectedCount() const;
    std::vector<int> SelectedIndexes() const;

private:
    void Shift(int from, int by);

    std::vector<std::unique_ptr<ListItem>> items_;
    bool multiple_;
    int selected_ = -1;
    int caret_ = -1;
    int anchor_ = -1;
};

}  // namespace parch::win
