#pragma once
// Lists of untyped pointers, and of objects that the list may own. Indexes outside the list
// raise EListError.

#include <functional>
#include <vector>

#include "base/Classes.h"

namespace parch {

// Raises EListError for an index outside a list.
[[noreturn]] void ListIndexError(int index);

enum class TListNotification { lnAdded, lnExtracted, lnDeleted };

class TList : public TObject {
public:
    using TListSortCompare = std::function<int(void* a, void* b)>;

    TList() = default;
    ~TList() override;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    void* Items(int index) const;
    void SetItems(int index, void* item);
    int Add(void* item);
    void Insert(int index, void* item);
    void Delete(int index);
    // Removes the first occurrence; its former index, or -1.
    int Remove(void* item);
    // Removes the first occurrence without deleting it (lnExtracted); the item, or nullptr.
    void* Extract(void* item);
    int IndexOf(void* item) const;
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }
    // Drops the null entries.
    void Pack();
    // A stable sort by compare (negative, 0, positive as for strcmp).
    void Sort(const TListSortCompare& compare);
    void Clear();

protected:
    // Every item that enters or leaves the list passes here.
    virtual void Notify(void* item, TListNotification action) {}

private:
    void CheckIndex(int index) const;
    std::vector<void*> items_;
};

// A list of objects that, with OwnsObjects, frees every object deleted from it or left in it
// when it goes; extracted objects are handed back, not freed.
class TObjectList : public TList {
public:
    explicit TObjectList(bool ownsObjects = true) : OwnsObjects(ownsObjects) {}
    ~TObjectList() override { Clear(); }

    TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
    int Add(TObject* item) { return TList::Add(item); }
    void Insert(int index, TObject* item) { TList::Insert(index, item); }
    int Remove(TObject* item) { return TList::Remove(item); }
    TObject* Extract(TObject* item) { return static_cast<TObject*>(TList::Extract(item)); }
    int IndexOf(TObject* item) const { return TList::IndexOf(item); }

    bool OwnsObjects;

protected:
    void Notify(void* item, TListNotification action) override;
};

}  // namespace parch
