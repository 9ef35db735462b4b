#include "base/SysUtils.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

TEST(SysUtilsTest, TrimRemovesControlCharactersAndBlanksAtBothEnds) {
    EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x "), "  x");
}

TEST(SysUtilsTest, CaseMappingTouchesOnlyAsciiLetters) {
    EXPECT_EQ(LowerCase("AbC-\xC4\xD6"), "abc-\xC4\xD6");
    EXPECT_EQ(UpperCase("abc\xE4"), "ABC\xE4");
    EXPECT_TRUE(SameText("-INP", "-inp"));
    EXPECT_TRUE(StartsText("-in", "-INPUT"));
    EXPECT_TRUE(EndsText(".PDF", "a.pdf"));
    EXPECT_FALSE(EndsText(".pdf", "pdf"));
}

TEST(SysUtilsTest, IntegerConversion) {
    struct Case { const char* text; std::optional<std::int32_t> value; };
    const Case cases[] = {
        {"0", 0},          {"  42", 42},       {"-17", -17},       {"+5", 5},
        {"$1F", 31},       {"0x10", 16},       {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},      {"2147483648", std::nullopt},
        {"", std::nullopt}, {"-", std::nullopt}, {"12 ", std::nullopt}, {"1a", std::nullopt},
        {"abc", std::nullopt}, {"$", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(TryStrToInt(c.text), c.value) << c.text;
    EXPECT_THROW(StrToInt("x"), EConvertError);
    EXPECT_EQ(StrToIntDef("x", 7), 7);
    EXPECT_EQ(TryStrToInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(TryStrToInt64("9223372036854775808"), std::nullopt);
}

TEST(SysUtilsTest, RoundHalfEven) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(5905.51), 5906);
    EXPECT_THROW(RoundHalfEven(1.0 / 0.0), EConvertError);
}

}  // namespace
}  // namespace parch
