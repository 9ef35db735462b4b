#pragma once
// Collections: ordered sets of items of one class, as the persistent properties of components
// hold them (columns, panels, sections). The collection owns its items; an item knows its
// collection, its position and an identifier that stays with it while it moves.

#include <functional>
#include <string>
#include <vector>

#include "base/Classes.h"

namespace parch {

class TCollection;

class TCollectionItem : public TPersistent {
public:
    // Adds itself to collection (nullptr: to none).
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return collection_; }
    // Moves the item into another collection (at its end).
    void SetCollection(TCollection* collection);
    int ID() const { return id_; }
    int Index() const;
    // Moves the item to another position of its collection.
    void SetIndex(int index);
    virtual std::string DisplayName() const { return ClassName(); }

protected:
    // Tells the collection that this item (or, with allItems, every item) changed.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
public:
    using ItemFactory = std::function<TCollectionItem*(TCollection*)>;

    // itemClass makes a new item of the collection's class in the collection given.
    explicit TCollection(ItemFactory itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    template <class TItem>
    static ItemFactory ItemClass() {
        return [](TCollection* c) -> TCollectionItem* { return new TItem(c); };
    }

    TPersistent* Owner() const { return owner_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // EListError outside 0..Count-1.
    TCollectionItem* Items(int index) const;
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    TCollectionItem* FindItemID(int id) const;

    // Changes between BeginUpdate and the last EndUpdate are told once, as Update(nullptr).
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // Clears this collection and adds one item per item of source, assigned from it.
    void Assign(const TPersistent* source) override;

protected:
    // item changed (nullptr: the collection as a whole).
    virtual void Update(TCollectionItem* item) {}
    virtual void Notify(TCollectionItem* item, TCollectionNotification action) {}
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void ItemChanged(TCollectionItem* item);
    void CheckIndex(int index) const;

    ItemFactory itemClass_;
    TPersistent* owner_;
    std::vector<TCollectionItem*> items_;  // owned
    int nextId_ = 0;
    int updateCount_ = 0;
};

}  // namespace parch
