#pragma once
// General containers of the bitmap units: a hash map from object addresses to data addresses,
// a growable list of rectangles, a list of classes found by name, a width x height map of
// integers; and the copier of published properties.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bitmap32/Bitmap32.h"
#include "bitmap32/PropertyTable.h"

namespace parch {

// Keys hash by bits 8-15 of their address into 256 buckets; entries keep insertion order within
// a bucket.
class TPointerMap {
public:
    struct Entry {
        const void* Item = nullptr;
        void* Data = nullptr;
    };
    static constexpr int kBucketCount = 256;

    TPointerMap() = default;
    virtual ~TPointerMap();
    TPointerMap(const TPointerMap&) = delete;
    TPointerMap& operator=(const TPointerMap&) = delete;

    // The address of the key's data slot; isNew tells whether the key was added (data stored)
    // or already present (data not stored).
    void** AddEntry(const void* key, void* data, bool& isNew);
    void** AddEntry(const void* key, bool& isNew) { return AddEntry(key, nullptr, isNew); }
    bool FindEntry(const void* key, int& bucketIndex, int& itemIndex) const;
    bool Contains(const void* key) const;
    // The removed key's data, or nullptr when absent.
    void* RemoveKey(const void* key);
    // EListError "Item not found ($0%x)" when absent.
    void* DataOf(const void* key) const;
    void Clear();
    int Count() const { return count_; }

protected:
    // Removes one entry and returns its data; subclasses release the data they own.
    virtual void* DeleteEntry(int bucketIndex, int itemIndex);

private:
    friend class TPointerMapIterator;
    struct Bucket {
        int Count = 0;
        std::vector<Entry> Items;  // size() is the capacity
    };
    static int BucketOf(const void* key);
    Bucket buckets_[kBucketCount];
    int count_ = 0;
};

// Entries bucket by bucket, within a bucket from the last to the first.
class TPointerMapIterator {
public:
    explicit TPointerMapIterator(const TPointerMap& map) : map_(map) {}
    bool Next();
    const void* Item = nullptr;
    void* Data = nullptr;

private:
    const TPointerMap& map_;
    int bucketIndex_ = -1;
    int itemIndex_ = -1;
};

class TRectList {
public:
    TRectList() = default;
    virtual ~TRectList() = default;
    TRectList(const TRectList&) = delete;
    TRectList& operator=(const TRectList&) = delete;

    int Add(const RECT& rect);
    // nullptr outside 0 .. Count - 1.
    RECT* Item(int index);
    const RECT* Item(int index) const;
    void Delete(int index);
    virtual void Clear();
    int Count() const { return count_; }
    void SetCount(int count);
    int Capacity() const { return static_cast<int>(items_.size()); }
    void SetCapacity(int capacity);

protected:
    virtual void Grow();

private:
    std::vector<RECT> items_;  // size() is the capacity
    int count_ = 0;
};

// Classes by exact (case-sensitive) name, in the order they were added.
template <class ClassEntry>
class TClassList {
public:
    void Add(ClassEntry entry) { entries_.push_back(std::move(entry)); }
    const ClassEntry* FindByName(const std::string& name) const {
        for (const ClassEntry& entry : entries_)
            if (entry.ClassName == name) return &entry;
        return nullptr;
    }
    int Count() const { return static_cast<int>(entries_.size()); }
    const ClassEntry& operator[](int index) const { return entries_[static_cast<std::size_t>(index)]; }

private:
    std::vector<ClassEntry> entries_;
};

// A width x height array of integers, row after row; resizing keeps values at their array
// positions and zero-fills new ones.
class TIntegerMap : public TCustomMap {
public:
    bool Empty() const override { return bits_.empty(); }
    // No range checks: callers may pass a row-relative negative X.
    int* ValueAddress(int x, int y) { return bits_.data() + x + static_cast<std::ptrdiff_t>(y) * Width(); }
    std::vector<int>& Bits() { return bits_; }

protected:
    void ApplySize(int newWidth, int newHeight) override;

private:
    std::vector<int> bits_;
};

}  // namespace parch
