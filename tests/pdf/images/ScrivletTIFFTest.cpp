// The bilevel strip wrapper's layout and the bitmap TIFF writer's failure answer.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletTIFF.h"

namespace parch {
namespace {

std::uint32_t LittleEndian32(const std::string& bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

TEST(TIFFMaker, GroupFourStripLayout) {
    struct Case {
        std::int32_t Resolution;
        std::uint32_t Directory;
        std::vector<std::uint16_t> Tags;
    };
    const Case cases[] = {
        {0, 1184, {256, 257, 258, 259, 262, 266, 273, 277, 278, 279, 293}},
        {200, 1216, {256, 257, 258, 259, 262, 266, 273, 277, 278, 279, 282, 283, 293, 296}},
    };
    for (const Case& c : cases) {
        TPDFTIFFMaker maker;
        maker.Strip = std::string(1000, '\x55');
        maker.Columns = 1728;
        maker.Rows = 2200;
        maker.Kind = kTIFFGroup4;
        maker.HorizontalResolution = maker.VerticalResolution = c.Resolution;
        TMemoryStream stream;
        maker.SaveToStream(stream);
        const std::string& file = stream.Bytes();
        EXPECT_EQ(file.substr(0, 4), std::string("II*\0", 4));
        EXPECT_EQ(LittleEndian32(file, 4), c.Directory);
        EXPECT_EQ(file.substr(128, 1000), maker.Strip);
        std::vector<std::uint16_t> tags;
        for (const TTIFFEntry& entry : maker.Entries) tags.push_back(entry.Tag);
        EXPECT_EQ(tags, c.Tags);
        EXPECT_EQ(maker.Entries[3].Value, 4u);     // Group 4
        EXPECT_EQ(maker.Entries[6].Value, 128u);   // strip offset
        EXPECT_EQ(maker.Entries[9].Value, 1000u);  // strip length
        if (c.Resolution) EXPECT_EQ(maker.Entries[10].Value, 1152u);  // the first rational
    }
}

TEST(TIFFWriter, EmptyBitmapIsAFailureAndWritesNothing) {
    TBitmap empty;
    TMemoryStream stream;
    EXPECT_FALSE(SaveBitmapAsTIFF(empty, stream, TGDIPlusSettings{}, 96));
    EXPECT_EQ(stream.GetSize(), 0);
    TBitmap picture(3, 2, pf24bit);
    EXPECT_TRUE(SaveBitmapAsTIFF(picture, stream, TGDIPlusSettings{}, 96));
    EXPECT_GT(stream.GetSize(), 0);
}

}  // namespace
}  // namespace parch
