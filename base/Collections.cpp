#include "base/Collections.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "base/Lists.h"

namespace parch {

TCollectionItem::TCollectionItem(TCollection* collection) {
    SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
    if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection == collection_) return;
    if (collection_) collection_->RemoveItem(this);
    if (collection) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
    int current = Index();
    if (current < 0 || index == current) return;
    auto& items = collection_->items_;
    index = std::clamp(index, 0, static_cast<int>(items.size()) - 1);
    items.erase(items.begin() + current);
    items.insert(items.begin() + index, this);
    Changed(true);
}

void TCollectionItem::Changed(bool allItems) {
    if (collection_) collection_->ItemChanged(allItems ? nullptr : this);
}

TCollection::TCollection(ItemFactory itemClass, TPersistent* owner)
    : itemClass_(std::move(itemClass)), owner_(owner) {}

TCollection::~TCollection() {
    ++updateCount_;  // no change reports while the items go
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Items(int index) const {
    CheckIndex(index);
    return items_[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = itemClass_(this);
    if (item->collection_ != this) item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    CheckIndex(index);
    TCollectionItem* item = items_[static_cast<std::size_t>(index)];
    Notify(item, TCollectionNotification::cnDeleting);
    delete item;
}

void TCollection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    while (!items_.empty()) Delete(Count() - 1);
    EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (TCollectionItem* item : items_)
        if (item->id_ == id) return item;
    return nullptr;
}

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) return TPersistent::Assign(source);
    if (other == this) return;
    BeginUpdate();
    try {
        Clear();
        for (TCollectionItem* item : other->items_) Add()->Assign(item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Changed() {
    if (updateCount_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
    items_.push_back(item);
    item->collection_ = this;
    item->id_ = nextId_++;
    Notify(item, TCollectionNotification::cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    Notify(item, TCollectionNotification::cnExtracting);
    items_.erase(std::find(items_.begin(), items_.end(), item));
    item->collection_ = nullptr;
    Changed();
}

void TCollection::ItemChanged(TCollectionItem* item) {
    if (updateCount_ == 0) Update(item);
}

void TCollection::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) ListIndexError(index);
}

}  // namespace parch
