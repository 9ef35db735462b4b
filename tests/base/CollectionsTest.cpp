#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Collections.h"
#include "base/Exceptions.h"
#include "base/Lists.h"

namespace parch {
namespace {

class TColumn : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string caption;
    void SetCaption(const std::string& value) {
        caption = value;
        Changed(false);
    }

protected:
    void AssignTo(TPersistent* dest) const override {
        if (auto* column = dynamic_cast<TColumn*>(dest))
            column->caption = caption;
        else
            TCollectionItem::AssignTo(dest);
    }
};

// Counts the change reports: "*" for the collection as a whole, the caption for one item.
class TColumns : public TCollection {
public:
    TColumns() : TCollection(ItemClass<TColumn>()) {}
    TColumn* Column(int index) const { return static_cast<TColumn*>(Items(index)); }
    std::vector<std::string> updates;

protected:
    void Update(TCollectionItem* item) override {
        updates.push_back(item ? static_cast<TColumn*>(item)->caption : "*");
    }
};

std::vector<std::string> Captions(const TColumns& columns) {
    std::vector<std::string> out;
    for (int i = 0; i < columns.Count(); ++i) out.push_back(columns.Column(i)->caption);
    return out;
}

TEST(Collections, ItemsKeepTheirIdsWhileTheyMoveBetweenPlacesAndCollections) {
    TColumns columns;
    for (const char* name : {"a", "b", "c"}) static_cast<TColumn*>(columns.Add())->caption = name;
    TColumn* c = columns.Column(2);
    EXPECT_EQ(c->ID(), 2);
    c->SetIndex(0);
    EXPECT_EQ(Captions(columns), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(columns.FindItemID(2), c);
    static_cast<TColumn*>(columns.Insert(1))->caption = "new";
    EXPECT_EQ(Captions(columns), (std::vector<std::string>{"c", "new", "a", "b"}));
    EXPECT_EQ(columns.Column(1)->ID(), 3);

    TColumns others;
    c->SetCollection(&others);
    EXPECT_EQ(c->Collection(), &others);
    EXPECT_EQ(others.Count(), 1);
    EXPECT_EQ(columns.FindItemID(2), nullptr);
    columns.Delete(0);
    delete columns.Column(0);  // an item freed directly leaves its collection
    EXPECT_EQ(Captions(columns), (std::vector<std::string>{"b"}));
    EXPECT_THROW(columns.Delete(5), EListError);
}

TEST(Collections, ChangesAreToldOnceAfterAnUpdate) {
    TColumns columns;
    auto* first = static_cast<TColumn*>(columns.Add());
    EXPECT_EQ(columns.updates, (std::vector<std::string>{"*"}));
    columns.updates.clear();
    first->SetCaption("one");
    EXPECT_EQ(columns.updates, (std::vector<std::string>{"one"}));

    columns.updates.clear();
    columns.BeginUpdate();
    columns.Add();
    first->SetCaption("two");
    columns.Delete(1);
    columns.EndUpdate();
    EXPECT_EQ(columns.updates, (std::vector<std::string>{"*"}));
}

TEST(Collections, AssignCopiesEveryItem) {
    TColumns source, dest;
    for (const char* name : {"x", "y"}) static_cast<TColumn*>(source.Add())->caption = name;
    static_cast<TColumn*>(dest.Add())->caption = "old";
    dest.updates.clear();
    dest.Assign(&source);
    EXPECT_EQ(Captions(dest), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(dest.updates, (std::vector<std::string>{"*"}));
    TColumn lone(nullptr);
    EXPECT_THROW(dest.Assign(&lone), EConvertError);
    EXPECT_EQ(Captions(dest), (std::vector<std::string>{"x", "y"}));
}

// A list that writes down what enters and leaves it.
class TWatchedList : public TList {
public:
    std::vector<std::pair<std::intptr_t, TListNotification>> heard;

protected:
    void Notify(void* item, TListNotification action) override {
        heard.emplace_back(reinterpret_cast<std::intptr_t>(item), action);
    }
};

void* P(std::intptr_t value) {
    return reinterpret_cast<void*>(value);
}

std::vector<std::intptr_t> Values(const TList& list) {
    std::vector<std::intptr_t> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(reinterpret_cast<std::intptr_t>(list.Items(i)));
    return out;
}

TEST(Lists, EditingOperations) {
    TWatchedList list;
    for (int v : {5, 3, 9}) list.Add(P(v));
    list.Insert(0, P(7));
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{7, 5, 3, 9}));
    list.Exchange(0, 3);
    list.Move(0, 2);
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{5, 3, 9, 7}));
    EXPECT_EQ(list.Remove(P(3)), 1);
    EXPECT_EQ(list.Remove(P(42)), -1);
    EXPECT_EQ(list.Extract(P(9)), P(9));
    list.Add(nullptr);
    list.Add(P(1));
    list.Pack();
    list.Sort([](void* a, void* b) {
        return static_cast<int>(reinterpret_cast<std::intptr_t>(a) - reinterpret_cast<std::intptr_t>(b));
    });
    EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{1, 5, 7}));
    EXPECT_EQ(list.heard[4], std::make_pair(std::intptr_t{3}, TListNotification::lnDeleted));
    EXPECT_EQ(list.heard[5], std::make_pair(std::intptr_t{9}, TListNotification::lnExtracted));

    struct Bad {
        const char* what;
        std::function<void()> call;
    } bad[] = {
        {"Items", [&] { list.Items(3); }},        {"negative", [&] { list.Items(-1); }},
        {"Insert", [&] { list.Insert(5, nullptr); }}, {"Delete", [&] { list.Delete(3); }},
        {"Exchange", [&] { list.Exchange(0, 9); }},   {"Move", [&] { list.Move(9, 0); }},
    };
    for (const Bad& b : bad) EXPECT_THROW(b.call(), EListError) << b.what;
    EXPECT_EQ(list.Count(), 3);
}

TEST(Lists, ObjectListFreesWhatItOwnsButNotWhatItHandsBack) {
    struct TCounted : TObject {
        explicit TCounted(int* alive) : alive(alive) { ++*alive; }
        ~TCounted() override { --*alive; }
        int* alive;
    };
    int alive = 0;
    auto* kept = new TCounted(&alive);
    {
        TObjectList list;
        list.Add(new TCounted(&alive));
        list.Add(kept);
        list.Add(new TCounted(&alive));
        list.Delete(0);
        EXPECT_EQ(alive, 2);
        EXPECT_EQ(list.Extract(kept), kept);
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 1);
    {
        TObjectList borrowed(false);
        borrowed.Add(kept);
    }
    EXPECT_EQ(alive, 1);
    delete kept;
}

}  // namespace
}  // namespace parch
