#pragma once
// The rows of a list view: each item's texts (caption and sub-items, any of which may be asked
// of the parent instead of stored), image, state bits, indent and application value, with the
// count of selected items and the focused index kept up to date as states change. An
// owner-data list keeps only the states of a given number of rows.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/WinUser.h"

namespace parch::win {

struct ListViewText {
    std::string text;
    bool callback = false;  // asked of the parent (LPSTR_TEXTCALLBACK)
};

struct ListViewItem {
    std::vector<ListViewText> texts;  // [0] the caption, then sub-items by column
    int image = 0;
    UINT state = 0;
    LPARAM lParam = 0;
    int indent = 0;
};

class ListViewItems {
public:
    static constexpr UINT kFocused = 0x0001;   // LVIS_FOCUSED
    static constexpr UINT kSelected = 0x0002;  // LVIS_SELECTED
    // An owner-data list holds at most this many rows.
    static constexpr int kMaxOwnerDataCount = 1 << 24;

    explicit ListViewItems(bool ownerData) : ownerData_(ownerData) {}

    bool OwnerData() const { return ownerData_; }
    int Count() const { return ownerData_ ? static_cast<int>(ownerStates_.size()) : static_cast<int>(items_.size()); }
    bool Valid(int index) const { return index >= 0 && index < Count(); }

    // Stored items only (not owner data).
    ListViewItem& At(int index) { return items_[static_cast<std::size_t>(index)]; }
    const ListViewItem& At(int index) const { return items_[static_cast<std::size_t>(index)]; }
    // Index clamped to 0..Count(); the index the item got.
    int Insert(int index, ListViewItem item);
    void Erase(int index);
    void Clear();
    // Owner data: the number of rows; states of rows that remain are kept.
    bool SetCount(int count);

    UINT State(int index) const;
    // Sets the state bits and keeps the selected count and focus index in step.
    void SetState(int index, UINT state);

    int SelectedCount() const { return selectedCount_; }
    int Focused() const { return focused_; }

    // Reorders by a permutation: new position i holds the item that was at order[i].
    void Reorder(const std::vector<int>& order);

private:
    void Recount();

    bool ownerData_;
    std::vector<ListViewItem> items_;
    std::vector<UINT> ownerStates_;
    int selectedCount_ = 0;
    int focused_ = -1;
};

}  // namespace parch::win
