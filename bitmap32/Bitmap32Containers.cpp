#include "bitmap32/Bitmap32Containers.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "base/NumberText.h"

namespace parch {

TPointerMap::~TPointerMap() { Clear(); }

int TPointerMap::BucketOf(const void* key) {
    return static_cast<int>((reinterpret_cast<std::uintptr_t>(key) >> 8) & 0xFF);
}

void** TPointerMap::AddEntry(const void* key, void* data, bool& isNew) {
    int bucketIndex = 0;
    int itemIndex = 0;
    if (FindEntry(key, bucketIndex, itemIndex)) {
        isNew = false;
        return &buckets_[bucketIndex].Items[static_cast<std::size_t>(itemIndex)].Data;
    }
    Bucket& bucket = buckets_[BucketOf(key)];
    const std::size_t capacity = bucket.Items.size();
    if (static_cast<std::size_t>(bucket.Count) == capacity) {
        const std::size_t growth = capacity <= 8 ? 4 : (capacity <= 64 ? 16 : capacity / 4);
        bucket.Items.resize(capacity + growth);
    }
    Entry& entry = bucket.Items[static_cast<std::size_t>(bucket.Count++)];
    entry.Item = key;
    entry.Data = data;
    ++count_;
    isNew = true;
    return &entry.Data;
}

bool TPointerMap::FindEntry(const void* key, int& bucketIndex, int& itemIndex) const {
    bucketIndex = BucketOf(key);
    const Bucket& bucket = buckets_[bucketIndex];
    for (int i = 0; i < bucket.Count; ++i) {
        if (bucket.Items[static_cast<std::size_t>(i)].Item == key) {
            itemIndex = i;
            return true;
        }
    }
    return false;
}

bool TPointerMap::Contains(const void* key) const {
    int bucketIndex = 0;
    int itemIndex = 0;
    return FindEntry(key, bucketIndex, itemIndex);
}

void* TPointerMap::RemoveKey(const void* key) {
    int bucketIndex = 0;
    int itemIndex = 0;
    if (!FindEntry(key, bucketIndex, itemIndex)) return nullptr;
    return DeleteEntry(bucketIndex, itemIndex);
}

void* TPointerMap::DataOf(const void* key) const {
    int bucketIndex = 0;
    int itemIndex = 0;
    if (!FindEntry(key, bucketIndex, itemIndex))
        throw EListError("Item not found ($0" +
                         IntToHex(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(key)), 1) + ")");
    return buckets_[bucketIndex].Items[static_cast<std::size_t>(itemIndex)].Data;
}

void* TPointerMap::DeleteEntry(int bucketIndex, int itemIndex) {
    if (count_ == 0) return nullptr;
    Bucket& bucket = buckets_[bucketIndex];
    void* data = bucket.Items[static_cast<std::size_t>(itemIndex)].Data;
    if (bucket.Count == 1) {
        bucket.Items.clear();
        bucket.Items.shrink_to_fit();
    } else {
        std::move(bucket.Items.begin() + itemIndex + 1, bucket.Items.begin() + bucket.Count,
                  bucket.Items.begin() + itemIndex);
        bucket.Items[static_cast<std::size_t>(bucket.Count - 1)] = Entry{};
    }
    --bucket.Count;
    --count_;
    return data;
}

void TPointerMap::Clear() {
    for (int b = 0; b < kBucketCount; ++b) {
        for (int i = buckets_[b].Count - 1; i >= 0; --i) DeleteEntry(b, i);
        buckets_[b].Items.clear();
        buckets_[b].Items.shrink_to_fit();
        buckets_[b].Count = 0;
    }
    count_ = 0;
}

bool TPointerMapIterator::Next() {
    if (itemIndex_ > 0) {
        --itemIndex_;
    } else {
        do {
            ++bucketIndex_;
        } while (bucketIndex_ < TPointerMap::kBucketCount && map_.buckets_[bucketIndex_].Count == 0);
        if (bucketIndex_ >= TPointerMap::kBucketCount) {
            bucketIndex_ = TPointerMap::kBucketCount;
            itemIndex_ = -1;
            return false;
        }
        itemIndex_ = map_.buckets_[bucketIndex_].Count - 1;
    }
    const TPointerMap::Entry& entry = map_.buckets_[bucketIndex_].Items[static_cast<std::size_t>(itemIndex_)];
    Item = entry.Item;
    Data = entry.Data;
    return true;
}

// ---------------------------------------------------------------------------------------------

int TRectList::Add(const RECT& rect) {
    if (count_ == Capacity()) Grow();
    items_[static_cast<std::size_t>(count_)] = rect;
    return count_++;
}

RECT* TRectList::Item(int index) {
    return index < 0 || index >= count_ ? nullptr : &items_[static_cast<std::size_t>(index)];
}

const RECT* TRectList::Item(int index) const {
    return index < 0 || index >= count_ ? nullptr : &items_[static_cast<std::size_t>(index)];
}

void TRectList::Delete(int index) {
    if (index < 0 || index >= count_) return;
    std::move(items_.begin() + index + 1, items_.begin() + count_, items_.begin() + index);
    --count_;
}

void TRectList::Grow() {
    const int capacity = Capacity();
    const int delta = capacity > 128 ? capacity / 4 : (capacity > 8 ? 32 : 8);
    SetCapacity(capacity + delta);
}

void TRectList::SetCapacity(int capacity) {
    if (capacity == Capacity()) return;
    items_.resize(static_cast<std::size_t>(std::max(capacity, 0)));
    count_ = std::min(count_, Capacity());
}

void TRectList::SetCount(int count) {
    count = std::max(count, 0);
    if (count > Capacity()) SetCapacity(count);
    for (int i = count_; i < count; ++i) items_[static_cast<std::size_t>(i)] = RECT{};
    count_ = count;
}

void TRectList::Clear() {
    SetCount(0);
    SetCapacity(10);
}

// ---------------------------------------------------------------------------------------------

void TIntegerMap::ApplySize(int newWidth, int newHeight) {
    bits_.resize(static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight), 0);
    TCustomMap::ApplySize(newWidth, newHeight);
}

}  // namespace parch
