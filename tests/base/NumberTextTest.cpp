#include "base/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "tests/platform/os/ScratchDir.h"

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
        // Whole numbers: signs, negative zero, and the largest ones kept digit for digit.
        {4, -0.0, "0"},       {4, -250, "-250"},         {0, 999999999999999, "999999999999999"},
        {4, -1e15, "-1000000000000000"},                 {4, 1234567890123456789.0, "1234567890123460000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FloatToPDFStr(c.decimals, c.value), c.text) << c.value;
}

TEST(NumberTextTest, NumbersIgnoreTheLocale) {
    // A German locale, compiled for this test when the system has none, writes "1,5".
    test::ScratchDir scratch;
    const std::string command = "localedef -i de_DE -f UTF-8 " + scratch.Path() +
                                "de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) ::setenv("LOCPATH", scratch.Path().c_str(), 1);
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    const bool results[] = {FloatToPDFStr(2, 1.5) == "1.5", FloatToStr(1.5) == "1.5",
                            DecimalStrToFloat("1.5") == 1.5, FormatFloat("0.00", 1.5) == "1.50"};
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    if (!german) GTEST_SKIP() << "no German locale";
    ASSERT_STREQ(probe, "1,5");
    for (bool ok : results) EXPECT_TRUE(ok);
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
