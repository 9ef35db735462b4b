// Every fixture made by tools/make_jbig2_fixtures.py decodes to the bitmap jbig2dec made of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/images/ScrivletJBIG2.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtureFolder = fs::path(PARCH_SOURCE_DIR) / "tests/pdf/images/JBIG2Fixtures";

TJBIG2ByteArray ReadFileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return TJBIG2ByteArray(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A binary PBM (P4) as rows of one byte per pixel.
struct Pbm {
    int Width = 0;
    int Height = 0;
    std::vector<TJBIG2ByteArray> Rows;
};

Pbm ReadPbm(const fs::path& path) {
    const TJBIG2ByteArray bytes = ReadFileBytes(path);
    std::size_t at = 0;
    auto token = [&] {
        std::string text;
        while (at < bytes.size() && std::isspace(bytes[at])) ++at;
        while (at < bytes.size() && !std::isspace(bytes[at])) text += static_cast<char>(bytes[at++]);
        return text;
    };
    Pbm pbm;
    EXPECT_EQ(token(), "P4") << path;
    pbm.Width = std::stoi(token());
    pbm.Height = std::stoi(token());
    ++at;  // the single white-space byte before the pixels
    const std::size_t rowBytes = static_cast<std::size_t>(pbm.Width + 7) / 8;
    for (int y = 0; y < pbm.Height; ++y) {
        TJBIG2ByteArray row(static_cast<std::size_t>(pbm.Width));
        for (int x = 0; x < pbm.Width; ++x) {
            const std::size_t index = at + static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 8);
            row[static_cast<std::size_t>(x)] = index < bytes.size() ? (bytes[index] >> (7 - x % 8)) & 1 : 0xEE;
        }
        pbm.Rows.push_back(std::move(row));
    }
    return pbm;
}

std::vector<std::string> FixtureNames() {
    std::vector<std::string> names;
    if (!fs::is_directory(kFixtureFolder)) return names;
    for (const auto& entry : fs::directory_iterator(kFixtureFolder)) {
        const std::string name = entry.path().filename().string();
        const std::string suffix = ".jb2";
        if (name.size() > suffix.size() && name.ends_with(suffix) && !name.ends_with(".globals.jb2")) {
            names.push_back(name.substr(0, name.size() - suffix.size()));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class JBIG2Fixture : public ::testing::TestWithParam<std::string> {};

TEST_P(JBIG2Fixture, DecodesToJbig2decsBitmap) {
    const std::string name = GetParam();
    const TJBIG2ByteArray data = ReadFileBytes(kFixtureFolder / (name + ".jb2"));
    const fs::path globalsPath = kFixtureFolder / (name + ".globals.jb2");
    const TJBIG2ByteArray globals = fs::exists(globalsPath) ? ReadFileBytes(globalsPath) : TJBIG2ByteArray{};
    const Pbm expected = ReadPbm(kFixtureFolder / (name + ".pbm"));

    TSVLJBIG2Decoder decoder;
    ASSERT_TRUE(decoder.Decode(data, globals));
    ASSERT_EQ(decoder.Width(), expected.Width);
    ASSERT_EQ(decoder.Height(), expected.Height);
    int wrongRows = 0;
    for (int y = 0; y < expected.Height; ++y) {
        TJBIG2ByteArray row;
        ASSERT_TRUE(decoder.GetRow(y, row));
        if (row != expected.Rows[static_cast<std::size_t>(y)] && ++wrongRows <= 3) {
            ADD_FAILURE() << name << ": row " << y << " differs";
        }
    }
    EXPECT_EQ(wrongRows, 0);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, JBIG2Fixture, ::testing::ValuesIn(FixtureNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(JBIG2Fixtures, ArePresent) { EXPECT_GE(FixtureNames().size(), 20u); }

}  // namespace
}  // namespace parch
