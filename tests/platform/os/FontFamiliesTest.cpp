#include "platform/os/FontFamilies.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

namespace parch {
namespace {

// The tests see only the fonts that their own configuration links, whatever the machine has.
const bool kFontsPinned =
    setenv("FONTCONFIG_FILE", PARCH_SOURCE_DIR "/tests/platform/os/fonts.conf", 1) == 0;

std::set<std::string> Families(std::uint8_t charset) {
    std::vector<std::string> list = InstalledFontFamilies(charset);
    std::set<std::string> families(list.begin(), list.end());
    EXPECT_EQ(families.size(), list.size()) << "a family listed twice";
    return families;
}

TEST(FontFamilies, EachCharacterSetListsTheFontsOfItsLanguage) {
    ASSERT_TRUE(kFontsPinned);
    const std::set<std::string> all = {"Arial",           "DejaVu Sans",     "IPAGothic",
                                       "Liberation Sans", "Liberation Serif", "Times New Roman"};
    EXPECT_EQ(Families(SHIFTJIS_CHARSET), std::set<std::string>{"IPAGothic"});
    EXPECT_EQ(Families(ANSI_CHARSET), all);
    EXPECT_EQ(Families(DEFAULT_CHARSET), all);
    EXPECT_EQ(Families(HANGEUL_CHARSET), std::set<std::string>{});
    EXPECT_EQ(Families(ARABIC_CHARSET), std::set<std::string>{"DejaVu Sans"});
    EXPECT_TRUE(InstalledFontFamilies(3).empty());  // no such character set
}

}  // namespace
}  // namespace parch
