#include "platform/win/ListBoxItems.h"

#include <algorithm>

namespace parch::win {

namespace listitems {

unsigned char Folded(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && CompareItemText(text.substr(0, prefix.size()), prefix) == 0;
}

}  // namespace listitems

int CompareItemText(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = listitems::Folded(a[i]), y = listitems::Folded(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int ListBoxItems::Insert(int index, ListItem item) {
    if (index < -1 || index > Count()) return -1;
    if (index == -1) index = Count();
    items_.insert(items_.begin() + index, std::make_unique<ListItem>(std::move(item)));
    Shift(index, 1);
    return index;
}

int ListBoxItems::InsertSorted(ListItem item) {
    auto at = std::upper_bound(items_.begin(), items_.end(), item.text,
                               [](const std::string& text, const std::unique_ptr<ListItem>& other) {
                                   return CompareItemText(text, other->text) < 0;
                               });
    return Insert(static_cast<int>(at - items_.begin()), std::move(item));
}

bool ListBoxItems::Erase(int index) {
    if (!Valid(index)) return false;
    items_.erase(items_.begin() + index);
    if (selected_ == index) selected_ = -1;
    Shift(index + 1, -1);
    int last = Count() - 1;
    caret_ = std::min(caret_, last);
    anchor_ = std::min(anchor_, last);
    return true;
}

void ListBoxItems::Clear() {
    items_.clear();
    selected_ = caret_ = anchor_ = -1;
}

// Keeps indexes on the items they named when items from `from` on move by `by`.
void ListBoxItems::Shift(int from, int by) {
    for (int* index : {&selected_, &caret_, &anchor_})
        if (*index >= from) *index += by;
}

int ListBoxItems::FindText(std::string_view text, int start, bool exact) const {
    int n = Count();
    if (n == 0 || start < -1 || start >= n) start = -1;
    for (int k = 1; k <= n; ++k) {
        int i = (start + k) % n;
        const std::string& t = At(i).text;
        if (exact ? CompareItemText(t, text) == 0 : listitems::StartsWith(t, text)) return i;
    }
    return -1;
}

int ListBoxItems::FindData(UINT_PTR data, int start) const {
    int n = Count();
    if (n == 0 || start < -1 || start >= n) start = -1;
    for (int k = 1; k <= n; ++k) {
        int i = (start + k) % n;
        if (At(i).data == data) return i;
    }
    return -1;
}

bool ListBoxItems::Select(int index) {
    if (!Valid(index)) index = -1;
    bool changed = selected_ != index;
    selected_ = index;
    if (index >= 0) caret_ = anchor_ = index;
    return changed;
}

bool ListBoxItems::IsSelected(int index) const {
    if (!Valid(index)) return false;
    return multiple_ ? At(index).selected : selected_ == index;
}

bool ListBoxItems::SetSelected(int index, bool on) {
    if (!Valid(index)) return false;
    bool changed = At(index).selected != on;
    At(index).selected = on;
    return changed;
}

bool ListBoxItems::SetRange(int first, int last, bool on) {
    if (first > last) std::swap(first, last);
    first = std::max(first, 0);
    last = std::min(last, Count() - 1);
    bool changed = false;
    for (int i = first; i <= last; ++i) changed |= SetSelected(i, on);
    return changed;
}

bool ListBoxItems::SetAll(bool on) { return SetRange(0, Count() - 1, on); }

bool ListBoxItems::SelectOnlyRange(int first, int last) {
    if (first > last) std::swap(first, last);
    bool changed = false;
    for (int i = 0; i < Count(); ++i) changed |= SetSelected(i, i >= first && i <= last);
    return changed;
}

int ListBoxItems::SelectedCount() const {
    if (!multiple_) return selected_ >= 0 ? 1 : 0;
    return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](const auto& i) { return i->selected; }));
}

std::vector<int> ListBoxItems::SelectedIndexes() const {
    std::vector<int> out;
    for (int i = 0; i < Count(); ++i)
        if (IsSelected(i)) out.push_back(i);
    return out;
}

}  // namespace parch::win
