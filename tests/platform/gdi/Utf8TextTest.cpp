#include "platform/gdi/Utf8Text.h"

#include <gtest/gtest.h>

namespace parch {
namespace {

// "é" is two bytes, "€" three, "𝄞" four (a surrogate pair in UTF-16).
const std::string kMixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E";

TEST(Utf8Text, CountsAndFindsCodePoints) {
    EXPECT_EQ(CodePointCount(kMixed), 4u);
    EXPECT_EQ(CodePointCount("\xFF\xC3"), 2u);  // malformed bytes count one each
    const std::size_t offsets[] = {0, 1, 3, 6, 10, 10};
    for (std::size_t i = 0; i < std::size(offsets); ++i) EXPECT_EQ(ByteOffsetOfCodePoint(kMixed, i), offsets[i]) << i;
}

TEST(Utf8Text, CutsOnlyBetweenCharacters) {
    const struct {
        std::size_t limit;
        std::size_t kept;
    } cases[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {5, 3}, {6, 6}, {9, 6}, {10, 10}, {50, 10}};
    for (const auto& c : cases) EXPECT_EQ(CutAtCharacterBoundary(kMixed, c.limit).size(), c.kept) << c.limit;
}

TEST(Utf8Text, Utf16RoundTripsAndRepairs) {
    std::u16string wide = Utf16FromUtf8(kMixed);
    EXPECT_EQ(wide, (std::u16string{u'a', 0xE9, 0x20AC, 0xD834, 0xDD1E}));
    EXPECT_EQ(Utf8FromUtf16(wide), kMixed);
    EXPECT_EQ(Utf8FromUtf16(std::u16string{0xD834, u'x'}), "\xEF\xBF\xBDx");  // lone surrogate
    EXPECT_EQ(ValidUtf8("ok\xC3"), "ok\xEF\xBF\xBD");
}

}  // namespace
}  // namespace parch
