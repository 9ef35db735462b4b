#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/Exceptions.h"
#include "bitmap32/Bitmap32Containers.h"
#include "bitmap32/PropertyTable.h"

namespace parch {
namespace {

const void* Address(std::uintptr_t value) { return reinterpret_cast<const void*>(value); }

TEST(PointerMap, KeysSharingABucketStayApart) {
    TPointerMap map;
    int first = 1;
    int second = 2;
    bool isNew = false;
    map.AddEntry(Address(0x1234), &first, isNew);
    EXPECT_TRUE(isNew);
    map.AddEntry(Address(0x1234), &second, isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(map.DataOf(Address(0x1234)), &first);  // the first data stays
    map.AddEntry(Address(0x41234), &second, isNew);   // same bucket, 0x12
    EXPECT_EQ(map.Count(), 2);
    EXPECT_EQ(map.RemoveKey(Address(0x1234)), &first);
    EXPECT_EQ(map.DataOf(Address(0x41234)), &second);
    EXPECT_EQ(map.RemoveKey(Address(0x1234)), nullptr);
    try {
        map.DataOf(Address(0xABC00));
        FAIL();
    } catch (const EListError& error) {
        EXPECT_EQ(std::string(error.what()), "Item not found ($0ABC00)");
    }
}

TEST(PointerMap, IteratorVisitsEveryEntryIncludingTheLastBucket) {
    TPointerMap map;
    std::set<const void*> keys;
    bool isNew = false;
    for (std::uintptr_t key : {0x0100u, 0xFF00u, 0x1FF00u, 0x2345u, 0x100u * 200}) {
        map.AddEntry(Address(key), isNew);
        keys.insert(Address(key));
    }
    // Many entries in one bucket grow it in steps.
    for (std::uintptr_t i = 1; i <= 100; ++i) {
        map.AddEntry(Address(0x700 + (i << 16)), isNew);
        keys.insert(Address(0x700 + (i << 16)));
    }
    std::set<const void*> seen;
    TPointerMapIterator iterator(map);
    while (iterator.Next()) EXPECT_TRUE(seen.insert(iterator.Item).second);
    EXPECT_EQ(seen, keys);
    map.Clear();
    EXPECT_EQ(map.Count(), 0);
    TPointerMapIterator empty(map);
    EXPECT_FALSE(empty.Next());
}

TEST(RectList, GrowsDeletesAndClears) {
    TRectList list;
    for (int i = 0; i < 20; ++i) EXPECT_EQ(list.Add(RECT{i, 0, i + 1, 1}), i);
    EXPECT_EQ(list.Capacity(), 48);  // 8, then 8 more, then 32
    EXPECT_EQ(list.Item(-1), nullptr);
    EXPECT_EQ(list.Item(20), nullptr);
    list.Delete(0);
    EXPECT_EQ(list.Item(0)->left, 1);
    EXPECT_EQ(list.Count(), 19);
    list.SetCount(25);
    EXPECT_EQ(*list.Item(24), RECT{});
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 10);
}

TEST(ClassList, FindsNamesExactly) {
    struct Entry {
        std::string ClassName;
    };
    TClassList<Entry> list;
    list.Add(Entry{"TCubicKernel"});
    EXPECT_NE(list.FindByName("TCubicKernel"), nullptr);
    EXPECT_EQ(list.FindByName("tcubickernel"), nullptr);
}

TEST(IntegerMap, ResizingKeepsArrayPositions) {
    TIntegerMap map;
    EXPECT_TRUE(map.Empty());
    map.SetSize(3, 2);
    *map.ValueAddress(2, 1) = 7;
    map.SetSize(4, 2);
    EXPECT_EQ(map.Bits()[5], 7);
    EXPECT_EQ(map.Bits()[7], 0);
}

// A small published class for the property copier and paths.
class TSampleKernel : public TPersistent, public IPublishedProperties {
public:
    double Coeff = -0.5;
    int Mode = 0;
    const TPropertyTable& PublishedProperties() const override {
        static const TPropertyTable table = {
            {"Coeff", TTypeKind::tkFloat,
             [](const TObject& o) { return FloatPropertyText(static_cast<const TSampleKernel&>(o).Coeff); },
             [](TObject& o, const std::string& t) { static_cast<TSampleKernel&>(o).Coeff = FloatPropertyValue("Coeff", t); },
             nullptr},
            {"Mode", TTypeKind::tkEnumeration,
             [](const TObject& o) { return std::string(static_cast<const TSampleKernel&>(o).Mode ? "kmTable" : "kmDynamic"); },
             [](TObject& o, const std::string& t) {
                 static_cast<TSampleKernel&>(o).Mode = EnumPropertyValue("Mode", t, {"kmDynamic", "kmTable"});
             },
             nullptr},
        };
        return table;
    }

protected:
    void AssignTo(TPersistent* dest) const override {
        if (auto* kernel = dynamic_cast<TSampleKernel*>(dest)) CopyPublishedProperties(*this, *kernel, TTypeKinds::All());
        else TPersistent::AssignTo(dest);
    }
};

class TSampleResampler : public TPersistent, public IPublishedProperties {
public:
    TSampleKernel Kernel;
    const TPropertyTable& PublishedProperties() const override {
        static const TPropertyTable table = {
            {"Kernel", TTypeKind::tkClass, nullptr, nullptr,
             [](const TObject& o) -> TPersistent* { return &const_cast<TSampleResampler&>(static_cast<const TSampleResampler&>(o)).Kernel; }},
        };
        return table;
    }
};

TEST(PublishedProperties, PathsAndCopies) {
    TSampleResampler resampler;
    SetPropertyText(resampler, "Kernel.Coeff", "-0.75");
    SetPropertyText(resampler, "kernel.mode", "KMTABLE");
    EXPECT_EQ(resampler.Kernel.Coeff, -0.75);
    EXPECT_EQ(GetPropertyText(resampler, "Kernel.Mode"), "kmTable");
    EXPECT_THROW(SetPropertyText(resampler, "Kernel.Coeff", "half"), EPropertyAccessError);
    EXPECT_THROW(SetPropertyText(resampler, "Kernel.Width", "2"), EPropertyAccessError);
    EXPECT_THROW(SetPropertyText(resampler, "Kernel.Coeff.Deeper", "2"), EPropertyAccessError);

    TSampleResampler copy;
    CopyPublishedProperties(resampler, copy, TTypeKinds::All().Without(TTypeKind::tkMethod));
    EXPECT_EQ(copy.Kernel.Coeff, -0.75);
    EXPECT_EQ(copy.Kernel.Mode, 1);
}

}  // namespace
}  // namespace parch
