#include "pdf/core/ScrivletStructure.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pdf/core/ScrivletParser.h"

namespace parch {
namespace {

bool InPool(const TPDFStructure& s, const TPDFObject* object) {
    for (int i = 0; i < s.PoolCount(); ++i)
        if (s.PoolItem(i) == object) return true;
    return false;
}

TEST(ScrivletStructureTest, FactoriesSetKindsAndOwner) {
    TPDFStructure s;
    const std::pair<TPDFObject*, char> made[] = {
        {s.NewNull(), '0'},          {s.NewDictionary(), 'D'},   {s.NewArray(), 'A'},
        {s.NewBoolean(true), 'B'},   {s.NewNumeric(1.5), 'n'},   {s.NewName("N"), 'N'},
        {s.NewString("x", 0), 's'},  {s.NewIndRef(3, 0), 'I'},   {s.NewStream("", false), 'S'},
    };
    for (auto [object, kind] : made) {
        EXPECT_EQ(object->Kind, kind);
        EXPECT_EQ(object->Structure, &s);
        EXPECT_TRUE(InPool(s, object));
    }
    TPDFObject* array = s.NewIntegerArray({1, 2, 3});
    EXPECT_EQ(array->ToText(), "[ 1 2 3 ]");
    const std::vector<TPDFObject*> items = {s.NewName("A"), s.NewNull()};
    EXPECT_EQ(s.NewArrayOfObjects(items)->ToText(), "[ /A null ]");
}

TEST(ScrivletStructureTest, PoolGrowsInThousands) {
    TPDFStructure s;
    EXPECT_EQ(s.PoolCapacity(), 0);
    s.NewNull();
    EXPECT_EQ(s.PoolCapacity(), 1000);
    for (int i = 1; i < 901; ++i) s.NewNull();
    EXPECT_EQ(s.PoolCapacity(), 1000);
    s.NewNull();
    EXPECT_EQ(s.PoolCapacity(), 1901);
    EXPECT_EQ(s.PoolCount(), 902);
    s.DecimalPlaces = 2;
    s.MultiLineDictionaries = false;
    s.Clear();
    EXPECT_EQ(s.PoolCount(), 0);
    EXPECT_EQ(s.DecimalPlaces, 4);
    EXPECT_TRUE(s.MultiLineDictionaries);
}

TEST(ScrivletStructureTest, DictionaryEntriesKeepTheirPlace) {
    TPDFStructure s;
    TPDFDictionary* d = s.NewDictionary();
    TPDFNumeric* first = s.NewNumeric(1);
    d->SetValue("A", first);
    d->SetValue("B", s.NewNumeric(2));
    d->SetValue("A", s.NewNumeric(3));
    EXPECT_EQ(d->GetCount(), 2);
    EXPECT_EQ(d->GetEntry(0).Key->NameBytes, "A");
    EXPECT_EQ(d->GetInteger("A", 0), 3);
    EXPECT_TRUE(InPool(s, first));
    d->SetValue("Self", d);
    EXPECT_EQ(d->IndexOfKey("Self"), -1);
    EXPECT_EQ(d->GetEntry(5).Key, nullptr);
    d->RemoveKey("A");
    EXPECT_EQ(d->GetCount(), 1);
    EXPECT_EQ(d->GetValue("A"), nullptr);
}

TEST(ScrivletStructureTest, ReferencesResolveThroughTheLookupCallback) {
    TPDFStructure s;
    TPDFDictionary* d = s.NewDictionary();
    TPDFIndRef* ref = s.NewIndRef(5, 0);
    d->SetValue("Length", ref);
    EXPECT_EQ(d->GetValue("Length", true), nullptr);
    EXPECT_EQ(d->GetValue("Length", false), ref);
    EXPECT_EQ(d->GetInteger("Length", -1), -1);
    TPDFNumeric* target = s.NewNumeric(42);
    s.OnIndirectLookup = [&](TPDFIndRef* r, std::int32_t number, std::int32_t generation) {
        EXPECT_EQ(r, ref);
        return number == 5 && generation == 0 ? target : nullptr;
    };
    EXPECT_EQ(d->GetValue("Length", true), target);
    EXPECT_EQ(d->GetInteger("Length", -1), 42);
}

TEST(ScrivletStructureTest, IntegersRoundHalfToEven) {
    TPDFStructure s;
    EXPECT_EQ(s.NewNumeric(2.5)->GetInteger(), 2);
    EXPECT_EQ(s.NewNumeric(3.5)->GetInteger(), 4);
    EXPECT_EQ(s.NewNumeric(-2.5)->GetInteger(), -2);
    EXPECT_EQ(s.NewNumeric(1e300)->GetInteger(), 0);
}

TEST(ScrivletStructureTest, HeldObjectsAreNeverFreed) {
    TPDFStructure s;
    TPDFArray* array = s.NewArray();
    TPDFNumeric* item = s.NewNumeric(1);
    array->Add(item);
    const int count = s.PoolCount();
    s.RemoveObject(item);
    EXPECT_EQ(s.PoolCount(), count);
    array->Delete(0);
    EXPECT_EQ(array->GetCount(), 0);
    EXPECT_EQ(array->FreeSlots, 1);
    // No longer held, but Delete asked while the array still held it.
    EXPECT_TRUE(InPool(s, item));
    s.RemoveObject(item);
    EXPECT_FALSE(InPool(s, item));
    EXPECT_EQ(s.PoolCount(), count - 1);
}

TEST(ScrivletStructureTest, ReleasingAContainerFreesOnlyTheContainer) {
    TPDFStructure s;
    TPDFDictionary* d = s.NewDictionary();
    TPDFNumeric* value = s.NewNumeric(7);
    d->SetValue("Foo", value);
    d->Release();
    EXPECT_FALSE(InPool(s, d));
    EXPECT_TRUE(InPool(s, value));  // asked while the dictionary still held it
    TPDFStream* stream = s.NewStream("abc", false);
    TPDFDictionary* streamDict = stream->StreamDict;
    stream->Release();
    EXPECT_FALSE(InPool(s, stream));
    EXPECT_FALSE(InPool(s, streamDict));

    // A stream that a container still holds keeps its dictionary.
    TPDFStream* held = s.NewStream("abc", false);
    s.NewArray()->Add(held);
    held->Release();
    s.RemoveObject(held->StreamDict);
    EXPECT_TRUE(InPool(s, held));
    EXPECT_TRUE(InPool(s, held->StreamDict));
    EXPECT_EQ(held->StreamDict->GetInteger("Length", -1), 3);
}

TEST(ScrivletStructureTest, CommonNamesAreSharedAndEveryKeyIsInterned) {
    TPDFStructure s;
    TPDFDictionary* a = s.NewDictionary();
    TPDFDictionary* b = s.NewDictionary();
    a->SetValue("Type", s.NewNull());
    b->SetValue("Type", s.NewNull());
    EXPECT_EQ(a->GetEntry(0).Key, b->GetEntry(0).Key);
    a->SetValue("Foo", s.NewNull());
    b->SetValue("Foo", s.NewNull());
    TPDFName* fooA = a->GetEntry(1).Key;
    EXPECT_NE(fooA, b->GetEntry(1).Key);
    EXPECT_TRUE(fooA->Interned);
    a->RemoveKey("Foo");
    s.RemoveObject(fooA);
    EXPECT_TRUE(InPool(s, fooA));
    EXPECT_EQ(s.FindName("Type"), a->GetEntry(0).Key);
    EXPECT_EQ(s.FindName("Nope"), nullptr);
}

TEST(ScrivletStructureTest, DeleteKeyAndClearDetachEntries) {
    TPDFStructure s;
    TPDFDictionary* d = s.NewDictionary();
    TPDFArray* inner = s.NewArray();
    d->SetValue("Kids", inner);
    d->SetValue("Type", s.NewName("Page"));
    d->DeleteKey("Kids");
    EXPECT_EQ(d->GetCount(), 1);
    d->Clear();
    EXPECT_EQ(d->GetCount(), 0);
    EXPECT_NE(s.FindName("Type"), nullptr);  // interned: never removed
}

TEST(ScrivletStructureTest, OffsetsReachEveryReference) {
    TPDFStructure s;
    TPDFObject* object = ParseObject(s, "<< /A 1 0 R /B [2 0 R << /C 3 0 R >>] /D 4 >>");
    object->OffsetObjectNumbers(10);
    EXPECT_EQ(object->ToText(), "<<\n/A 11 0 R\n/B [ 12 0 R <<\n/C 13 0 R\n>>\n]\n/D 4\n>>\n");
}

TEST(ScrivletStructureTest, ArrayItemsAndReplacement) {
    TPDFStructure s;
    TPDFArray* array = s.NewArray();
    EXPECT_TRUE(array->IsNumberArray());
    array->ReserveSlots(3);
    array->Add(s.NewNumeric(1));
    array->Add(s.NewNumeric(2));
    EXPECT_EQ(array->FreeSlots, 1);
    EXPECT_EQ(array->GetCount(), 2);
    EXPECT_TRUE(array->IsNumberArray());
    array->ReplaceItem(1, s.NewName("x"));
    array->ReplaceItem(7, s.NewName("y"));
    EXPECT_FALSE(array->IsNumberArray());
    EXPECT_EQ(array->GetItem(2), nullptr);
    EXPECT_EQ(array->ToText(), "[ 1 /x ]");
    EXPECT_TRUE(array->References(array->GetItem(1)));
}

TEST(ScrivletStructureTest, StreamDataKeepsTheLength) {
    TPDFStructure s;
    TPDFStream* stream = s.NewStream("hello", false);
    EXPECT_EQ(stream->StreamDict->GetInteger("Length", -1), 5);
    TPDFObject* length = stream->StreamDict->GetValue("Length");
    stream->SetRawData("hi");
    EXPECT_EQ(stream->StreamDict->GetValue("Length"), length);  // updated in place
    EXPECT_EQ(stream->StreamDict->GetInteger("Length", -1), 2);
    EXPECT_EQ(stream->ToText(), "<<\n/Length 2\n>>\nstream\nhi\nendstream");
    EXPECT_TRUE(stream->References(length));

    TPDFStream* packed = s.NewStream(std::string(1000, 'a'), true);
    EXPECT_EQ(packed->StreamDict->GetValue("Filter")->ToText(), "/FlateDecode");
    EXPECT_LT(packed->Data.size(), 100u);
    EXPECT_EQ(packed->StreamDict->GetInteger("Length", -1),
              static_cast<std::int64_t>(packed->Data.size()));
    packed->SetData("plain", false);
    EXPECT_EQ(packed->StreamDict->GetValue("Filter"), nullptr);

    TPDFDictionary* replacement = s.NewDictionary();
    TPDFDictionary* old = stream->StreamDict;
    stream->SetDictionary(replacement);
    EXPECT_EQ(stream->StreamDict, replacement);
    EXPECT_FALSE(InPool(s, old));
}

TEST(ScrivletStructureTest, AssignSharesOrCopiesThroughText) {
    TPDFStructure s;
    TPDFDictionary* source = s.NewDictionary();
    source->SetValue("A", s.NewNumeric(1));
    source->SetValue("B", s.NewString("x", 1));
    TPDFDictionary* same = s.NewDictionary();
    AssignDictionary(*same, *source);
    EXPECT_EQ(same->GetValue("A"), source->GetValue("A"));

    TPDFStructure other;
    TPDFDictionary* copy = other.NewDictionary();
    AssignDictionary(*copy, *source);
    EXPECT_EQ(copy->GetCount(), 2);
    EXPECT_EQ(copy->GetValue("A")->Structure, &other);
    EXPECT_EQ(copy->ToText(), source->ToText());
}

// Freed objects give their memory to later ones of every kind; what stays in the pool must
// keep its value through many rounds of freeing and making, and objects made on the heap
// must go back to the heap when the pool frees them.
TEST(ScrivletStructureTest, FreedObjectsMakeRoomForNewOnesWithoutHarmingTheKept) {
    TPDFStructure s;
    std::vector<std::pair<TPDFObject*, std::string>> kept;
    for (int round = 0; round < 50; ++round) {
        const std::string tag = std::to_string(round);
        const std::string longText = tag + std::string(40, '.');  // beyond the short-string buffer
        TPDFObject* const made[] = {
            s.NewName("name" + tag),  s.NewNumeric(round),  s.NewString(longText, 0),
            s.NewIndRef(round, 1),    s.NewArray(),         s.NewDictionary(),
            s.NewStream(tag, false),  s.NewBoolean(true),   s.NewNull(),
        };
        for (std::size_t i = 0; i < std::size(made); ++i) {
            if ((round + i) % 3 == 0)
                EXPECT_TRUE(s.RemoveObject(made[i])) << made[i]->Kind;
            else
                kept.emplace_back(made[i], made[i]->ToText());
        }
        auto onHeap = std::make_unique<TPDFName>(&s, "heap" + tag);
        TPDFObject* heapName = onHeap.get();
        s.AddToPool(std::move(onHeap));
        if (round % 2 == 0)
            EXPECT_TRUE(s.RemoveObject(heapName));
        else
            kept.emplace_back(heapName, "/heap" + tag);
    }
    for (const auto& [object, text] : kept) {
        EXPECT_TRUE(InPool(s, object)) << text;
        EXPECT_EQ(object->ToText(), text);
    }
    s.Clear();
    EXPECT_EQ(s.PoolCount(), 0);
    EXPECT_EQ(s.NewName("after")->ToText(), "/after");
}

TEST(ScrivletStructureTest, ObjectOutsideEveryPool) {
    TPDFString loose(nullptr, "ab", 1);
    EXPECT_EQ(loose.ToText(), "<6162>");
    TPDFStream looseStream(nullptr);
    looseStream.SetRawData("xyz");
    EXPECT_EQ(looseStream.Data, "xyz");
    TPDFNumeric number(nullptr, 1.23456);
    EXPECT_EQ(number.ToText(), "1.2346");
}

}  // namespace
}  // namespace parch
