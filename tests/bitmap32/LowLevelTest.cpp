#include <gtest/gtest.h>

#include <vector>

#include "bitmap32/Bitmap32Registry.h"
#include "bitmap32/LowLevel.h"

namespace parch {
namespace {

struct WrapCase {
    TWrapProc Proc;
    int Value, Min, Max, Expected;
};

TEST(LowLevelWrap, RepeatAndMirrorFoldIntoTheRange) {
    const WrapCase cases[] = {
        {WrapRepeat, -3, 0, 9, 7},      {WrapRepeat, -11, 0, 9, 9},     {WrapRepeat, 12, 0, 9, 2},
        {WrapRepeat, 5, 3, 7, 5},       {WrapMirror, 10, 0, 9, 9},      {WrapMirror, -1, 0, 9, 0},
        {WrapMirror, 19, 0, 9, 0},      {WrapMirror, 20, 0, 9, 0},      {WrapMirror, -12, 0, 9, 8},
        {WrapRepeatPow2, -1, 0, 7, 7},  {WrapRepeatPow2, 9, 0, 7, 1},   {WrapMirrorPow2, 8, 0, 7, 7},
        {WrapMirrorPow2, -1, 0, 7, 0},  {WrapMirrorPow2, 17, 0, 7, 1},
    };
    for (const WrapCase& c : cases)
        EXPECT_EQ(c.Proc(c.Value, c.Min, c.Max), c.Expected) << c.Value << " in " << c.Min << ".." << c.Max;
}

TEST(LowLevelWrap, PowerOfTwoFormsAgreeWithThePlainOnes) {
    for (int value = -40; value <= 40; ++value) {
        EXPECT_EQ(WrapRepeatPow2(value, 0, 15), WrapRepeat(value, 0, 15)) << value;
        EXPECT_EQ(WrapMirrorPow2(value, 0, 15), WrapMirror(value, 0, 15)) << value;
    }
}

TEST(LowLevelWrap, EmptyRangeAnswersWithoutDividing) {
    // An empty clip gives Max = Min - 1.
    EXPECT_EQ(WrapRepeat(5, 0, -1), 0);
    EXPECT_EQ(WrapMirror(-7, 0, -1), 0);
}

TEST(LowLevelClamp, ClampsAndOrders) {
    EXPECT_EQ(ClampRange(5, 10, 0), 0);
    EXPECT_EQ(ClampRange(-5, 0, 10), 0);
    EXPECT_EQ(ClampToMax(-4, 9), 0);
    EXPECT_EQ(ClampToMax(12, 9), 9);
    EXPECT_EQ(ClampByte(300), 255);
    EXPECT_EQ(ClampByte(-1), 0);
    int a = 5, b = 2;
    OrderInts(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 5);
    EXPECT_TRUE(IsPowerOfTwo(0));
    EXPECT_TRUE(IsPowerOfTwo(64));
    EXPECT_FALSE(IsPowerOfTwo(100));
    int rest = 0;
    EXPECT_EQ(DivRem(-7, 2, rest), -3);
    EXPECT_EQ(rest, -1);
}

TEST(LowLevelFixed, RoundsAndMultiplies) {
    EXPECT_EQ(FixedToIntRound(static_cast<TFixed>(0xFFFE8000u)), -2);  // -1.5
    EXPECT_EQ(FixedToIntRound(0x18000), 1);                            // 1.5 rounds down
    EXPECT_EQ(FixedToIntFloor(-1), -1);
    EXPECT_EQ(FixedToIntCeil(0x10001), 2);
    EXPECT_EQ(FixedProduct(0x18000, 0x18000), 0x24000);
    EXPECT_EQ(FixedProduct(-0x18000, 0x18000), -0x24000);
    EXPECT_EQ(FixedQuotient(0x30000, 0x20000), 0x18000);
    EXPECT_EQ(FixedQuotient(-1, 0x30000), 0);  // toward zero
}

TEST(LowLevelWords, EveryFillVariantWritesExactlyCountWords) {
    const TLowLevelBindings& bindings = LowLevelBindings();
    for (const TFunctionInfo& variant : bindings.Registry->Variants()) {
        if ((variant.Features & ~CpuFeatures()) != 0) continue;
        auto* fill = reinterpret_cast<TFillWordsProc*>(variant.Code);
        for (int count : {-3, 0, 1, 3, 4, 5, 17}) {
            std::vector<std::uint32_t> words(24, 0xAAAAAAAAu);
            fill(words.data() + 2, count, 0x12345678u);
            for (int i = 0; i < 24; ++i) {
                const bool inside = i >= 2 && i < 2 + count;
                EXPECT_EQ(words[i], inside ? 0x12345678u : 0xAAAAAAAAu) << "count " << count << " word " << i;
            }
        }
    }
}

TEST(LowLevelWords, MoveCopiesUpwardsAndDownwardOverlap) {
    std::vector<std::uint32_t> words{1, 2, 3, 4, 5, 6};
    MoveWords(words.data() + 2, words.data(), 4);
    EXPECT_EQ(words, (std::vector<std::uint32_t>{3, 4, 5, 6, 5, 6}));
    MoveWords(words.data(), words.data(), 6);
    EXPECT_EQ(words[0], 3u);
}

}  // namespace
}  // namespace parch
