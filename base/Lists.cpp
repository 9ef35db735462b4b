#include "base/Lists.h"

#include <algorithm>

#include "base/Exceptions.h"

namespace parch {

void ListIndexError(int index) {
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

TList::~TList() {
    // Notify of a derived list has already gone: a derived list clears itself.
    items_.clear();
}

void* TList::Items(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)];
}

void TList::SetItems(int index, void* item) {
    CheckIndex(index);
    void* old = items_[static_cast<std::size_t>(index)];
    if (old == item) return;
    items_[static_cast<std::size_t>(index)] = item;
    if (old) Notify(old, TListNotification::lnDeleted);
    if (item) Notify(item, TListNotification::lnAdded);
}

int TList::Add(void* item) {
    items_.push_back(item);
    if (item) Notify(item, TListNotification::lnAdded);
    return Count() - 1;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > Count()) ListIndexError(index);
    items_.insert(items_.begin() + index, item);
    if (item) Notify(item, TListNotification::lnAdded);
}

void TList::Delete(int index) {
    CheckIndex(index);
    void* item = items_[static_cast<std::size_t>(index)];
    items_.erase(items_.begin() + index);
    if (item) Notify(item, TListNotification::lnDeleted);
}

int TList::Remove(void* item) {
    int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

void* TList::Extract(void* item) {
    int index = IndexOf(item);
    if (index < 0) return nullptr;
    items_.erase(items_.begin() + index);
    Notify(item, TListNotification::lnExtracted);
    return item;
}

int TList::IndexOf(void* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
}

void TList::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex) return;
    CheckIndex(currentIndex);
    CheckIndex(newIndex);
    void* item = items_[static_cast<std::size_t>(currentIndex)];
    items_.erase(items_.begin() + currentIndex);
    items_.insert(items_.begin() + newIndex, item);
}

void TList::Pack() {
    items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
}

void TList::Sort(const TListSortCompare& compare) {
    std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void TList::Clear() {
    while (!items_.empty()) Delete(Count() - 1);
}

void TList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) ListIndexError(index);
}

void TObjectList::Notify(void* item, TListNotification action) {
    if (OwnsObjects && action == TListNotification::lnDeleted) delete static_cast<TObject*>(item);
}

}  // namespace parch
