#include "framework/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>

namespace parch {
namespace {

TEST(NumberTextTest, FloatToPDFStrRoundsAndDropsTrailingZeros) {
    struct Case { int decimals; double value; const char* text; };
    const Case cases[] = {
        {4, 1, "1"},          {4, 0.5, "0.5"},           {4, 612.00004, "612"},
        {4, -3.14159, "-3.1416"}, {4, 0.00004, "0"},     {8, 0.123456789, "0.12345679"},
        {4, -0.00004, "0"},   {2, 0.125, "0.13"},        {2, -0.125, "-0.13"},
        {0, 2.5, "3"},        {3, 999.9996, "1000"},     {4, 0, "0"},
        {4, 1e20, "100000000000000000000"},              {4, 123456789012.5, "123456789012.5"},
        {2, 1.005, "1.01"},   {4, 0.1 + 0.2, "0.3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FloatToPDFStr(c.decimals, c.value), c.text) << c.value;
}

TEST(NumberTextTest, NumbersIgnoreTheLocale) {
    // A locale with a decimal comma must not leak into the number text.
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale installed";
    EXPECT_EQ(FloatToPDFStr(2, 1.5), "1.5");
    EXPECT_EQ(FloatToStr(1.5), "1.5");
    EXPECT_DOUBLE_EQ(DecimalStrToFloat("1.5"), 1.5);
    std::setlocale(LC_ALL, "C");
}

TEST(NumberTextTest, FloatToStrUsesFifteenDigitsAndExponentsAtTheExtremes) {
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(46000.5), "46000.5");
    EXPECT_EQ(FloatToStr(-0.25), "-0.25");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
}

TEST(NumberTextTest, DecimalTextIsReadWithoutTheLocale) {
    struct Case { const char* text; double value; };
    const Case cases[] = {
        {"3.25", 3.25},  {"-0.5", -0.5}, {"1.0000000001", 1}, {"12a", 0},  {"1-2", 0},
        {"  42 ", 42},   {"", 0},        {"-.5", -0.5},       {"5.", 5},   {"1.2.3", 0},
        {"123456789012", 123456789012.0}, {"-7", -7},         {"0.123456789", 0.123456789},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(DecimalStrToFloat(c.text), c.value) << c.text;
    EXPECT_TRUE(IsDecimalText(""));
    EXPECT_TRUE(IsDecimalText("-1.5"));
    EXPECT_FALSE(IsDecimalText("1e5"));
}

TEST(NumberTextTest, IntegerTexts) {
    EXPECT_EQ(IntToZeroPaddedStr(42, 5), "00042");
    EXPECT_EQ(IntToZeroPaddedStr(123456, 3), "123456");
    EXPECT_EQ(IntToZeroPaddedStr(-1, 3), "000");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0x1234ABCD, 2), "1234ABCD");
    EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(StrToInt64Def("9000000000", 0), 9000000000LL);
    EXPECT_EQ(StrToInt64Def("x", -3), -3);
}

TEST(NumberTextTest, PictureFormat) {
    struct Case { const char* format; double value; const char* text; };
    const Case cases[] = {
        {"0.##", 1.5, "1.5"},         {"0.00", 1.5, "1.50"},       {"#,##0", 1234567, "1,234,567"},
        {"000", 7, "007"},            {"0.#", -2.25, "-2.3"},      {"#.##", 0.5, ".5"},
        {"0.0;(0.0)", -1.5, "(1.5)"}, {"0;-0;'zero'", 0, "zero"},  {"'x='0", 3, "x=3"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.format, c.value), c.text) << c.format;
}

}  // namespace
}  // namespace parch
