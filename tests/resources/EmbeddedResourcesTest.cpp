#include "resources/EmbeddedResources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace parch {
namespace {

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t Little(const std::string& data, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(data[at + i])) << (8 * i);
    return value;
}

TEST(EmbeddedResources, EveryResourceIsFoundByNumber) {
    for (int number : {11101, 11102, 11103, 15902, 15903, 15904}) {
        std::optional<std::string> bytes = ReadEmbeddedResource(number);
        ASSERT_TRUE(bytes) << number;
        EXPECT_FALSE(bytes->empty()) << number;
    }
    EXPECT_FALSE(FindEmbeddedResource(0));
    EXPECT_FALSE(ReadEmbeddedResource(15905));
    // The font is embedded as it was committed.
    EXPECT_TRUE(ReadEmbeddedResource(15903) ==
                FileBytes(PARCH_SOURCE_DIR "/resources/data/SVLDingbats.ttf"));
}

TEST(EmbeddedResources, NamedResourcesAreFoundByNameInAnyLetterCase) {
    const std::string shadow = FileBytes(PARCH_SOURCE_DIR "/resources/skins/acSHDA.png");
    ASSERT_FALSE(shadow.empty());
    EXPECT_TRUE(ReadEmbeddedResource("acSHDA") == shadow);
    EXPECT_TRUE(ReadEmbeddedResource("ACSHDA") == shadow);
    EXPECT_TRUE(ReadEmbeddedResource("acSHDI") ==
                FileBytes(PARCH_SOURCE_DIR "/resources/skins/acSHDI.png"));
    EXPECT_FALSE(FindEmbeddedResource("acSHD"));
    EXPECT_FALSE(FindEmbeddedResource(""));
    // Named resources have no number: number 0 finds none of them.
    EXPECT_FALSE(FindEmbeddedResource(0));
}

TEST(EmbeddedResources, GlyphListIndexPointsAtTheFirstRecordOfEachLetter) {
    const std::string data = ReadEmbeddedResource(15902).value();
    constexpr std::size_t kIndexSize = 58 * 3;
    std::size_t records = 0;
    std::string previous;
    std::map<char, std::size_t> firstOffset;  // 1-based, as the index stores it
    for (std::size_t at = kIndexSize; at < data.size(); ++records) {
        const std::size_t length = static_cast<std::uint8_t>(data[at]);
        ASSERT_LE(at + 1 + length + 2, data.size());
        const std::string name = data.substr(at + 1, length);
        EXPECT_LT(previous, name);
        firstOffset.emplace(name[0], at + 1);
        previous = name;
        at += 1 + length + 2;
    }
    EXPECT_EQ(records, 4281u);
    for (char c = 'A'; c <= 'z'; ++c) {
        const char group = (c >= '[' && c <= '`') ? 'a' : c;
        EXPECT_EQ(Little(data, 3 * static_cast<std::size_t>(c - 'A'), 3), firstOffset.at(group))
            << c;
    }
}

}  // namespace
}  // namespace parch
