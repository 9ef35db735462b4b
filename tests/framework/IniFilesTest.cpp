#include <gtest/gtest.h>

#include "framework/IniFiles.h"

namespace parch {
namespace {

TEST(MemIniFile, NamesAreCaseSensitiveAndOrderIsKept) {
    TMemIniFile ini("; comment\r\n[Main]\r\nKey=one\r\nkey=two\r\nKey=ignored\r\n[main]\nB = spaced value \r[Main]\nC=3\n");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main", "main"}));
    EXPECT_EQ(ini.ReadSection("Main"), (std::vector<std::string>{"Key", "key", "C"}));
    EXPECT_EQ(ini.ReadString("Main", "Key", "-"), "one");
    EXPECT_EQ(ini.ReadString("Main", "key", "-"), "two");
    EXPECT_EQ(ini.ReadString("main", "Key", "-"), "-");
    EXPECT_EQ(ini.ReadString("main", "B", "-"), "spaced value");
    EXPECT_TRUE(ini.ValueExists("Main", "C"));
    EXPECT_FALSE(ini.SectionExists("MAIN"));
}

struct IniIntegerCase {
    const char* value;
    int expected;
};

TEST(MemIniFile, IntegersAreDecimalOrHexadecimal) {
    const IniIntegerCase cases[] = {{"42", 42},       {"-7", -7},          {"0x1F", 31},   {"$FF00FF", 0xFF00FF},
                                    {"0xFFFFFFFF", -1}, {"12abc", 99},      {"", 99},       {"99999999999", 99},
                                    {"0x", 99},       {"- 1", 99}};
    for (const IniIntegerCase& c : cases) {
        SCOPED_TRACE(c.value);
        TMemIniFile ini(std::string("[S]\nK=") + c.value + "\n");
        EXPECT_EQ(ini.ReadInteger("S", "K", 99), c.expected);
    }
}

}  // namespace
}  // namespace parch
