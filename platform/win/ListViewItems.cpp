#include "platform/win/ListViewItems.h"

#include <algorithm>

namespace parch::win {

int ListViewItems::Insert(int index, ListViewItem item) {
    index = std::clamp(index, 0, Count());
    UINT state = item.state;
    item.state = 0;
    items_.insert(items_.begin() + index, std::move(item));
    if (focused_ >= index) ++focused_;
    SetState(index, state);
    return index;
}

void ListViewItems::Erase(int index) {
    if (!Valid(index)) return;
    SetState(index, 0);
    if (ownerData_) ownerStates_.erase(ownerStates_.begin() + index);
    else items_.erase(items_.begin() + index);
    if (focused_ > index) --focused_;
}

void ListViewItems::Clear() {
    items_.clear();
    ownerStates_.clear();
    selectedCount_ = 0;
    focused_ = -1;
}

bool ListViewItems::SetCount(int count) {
    if (!ownerData_ || count < 0 || count > kMaxOwnerDataCount) return false;
    ownerStates_.resize(static_cast<std::size_t>(count), 0);
    Recount();
    return true;
}

UINT ListViewItems::State(int index) const {
    if (!Valid(index)) return 0;
    return ownerData_ ? ownerStates_[static_cast<std::size_t>(index)] : At(index).state;
}

void ListViewItems::SetState(int index, UINT state) {
    if (!Valid(index)) return;
    UINT& slot = ownerData_ ? ownerStates_[static_cast<std::size_t>(index)] : At(index).state;
    if ((slot & kSelected) && !(state & kSelected)) --selectedCount_;
    if (!(slot & kSelected) && (state & kSelected)) ++selectedCount_;
    if (state & kFocused) {
        if (focused_ != index && Valid(focused_)) {
            UINT& previous = ownerData_ ? ownerStates_[static_cast<std::size_t>(focused_)] : At(focused_).state;
            previous &= ~kFocused;
        }
        focused_ = index;
    } else if (focused_ == index) {
        focused_ = -1;
    }
    slot = state;
}

void ListViewItems::Reorder(const std::vector<int>& order) {
    if (ownerData_ || order.size() != items_.size()) return;
    std::vector<ListViewItem> sorted;
    sorted.reserve(items_.size());
    for (int from : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(from)]));
    items_ = std::move(sorted);
    Recount();
}

void ListViewItems::Recount() {
    selectedCount_ = 0;
    focused_ = -1;
    for (int i = 0; i < Count(); ++i) {
        UINT state = State(i);
        if (state & kSelected) ++selectedCount_;
        if ((state & kFocused) && focused_ < 0) focused_ = i;
    }
}

}  // namespace parch::win
