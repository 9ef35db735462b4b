#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "CodecFixtures.h"
#include "base/Streams.h"
#include "framework/graphics/Picture.h"
#include "pdf/images/ScrivletJPX.h"

namespace parch {
namespace {

using test::CodecCase;

std::unique_ptr<TJpeg2000Bitmap> LoadJPX(const std::string& bytes) {
    auto bitmap = std::make_unique<TJpeg2000Bitmap>();
    TStringStream stream(bytes);
    bitmap->LoadFromStream(stream);
    return bitmap;
}

// The picture as 24-bit pixels, red green blue per pixel (grey pictures repeat the level).
std::string RGBPixels(TBitmap& bitmap) {
    TBitmap copy;
    copy.Assign(&bitmap);
    copy.SetPixelFormat(pf24bit);
    std::string pixels;
    for (int y = 0; y < copy.Height(); ++y) {
        const BYTE* row = copy.ScanLine(y);
        for (int x = 0; x < copy.Width(); ++x) pixels += {char(row[x * 3 + 2]), char(row[x * 3 + 1]), char(row[x * 3])};
    }
    return pixels;
}

std::string ExpectedPixels(const test::PNMPicture& picture) {
    std::string pixels;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            for (int c = 0; c < 3; ++c) pixels += char(picture.Sample(x, y, picture.channels == 1 ? 0 : c));
    return pixels;
}

class JPXFixtureTest : public ::testing::TestWithParam<CodecCase> {};

// 8-bit images as poppler draws them; other depths by the 8-bit formula on OpenJPEG's samples;
// sYCC through the conversion to RGB.
TEST_P(JPXFixtureTest, DecodesAsTheOraclesSay) {
    const CodecCase& c = GetParam();
    const test::PNMPicture expected = test::ReadPNM(c.name + ".expected");
    auto bitmap = LoadJPX(test::ReadCodecFile(c.name + ".data"));
    ASSERT_EQ(bitmap->Width(), expected.width);
    ASSERT_EQ(bitmap->Height(), expected.height);
    EXPECT_TRUE(RGBPixels(*bitmap) == ExpectedPixels(expected));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, JPXFixtureTest, ::testing::ValuesIn(test::CodecCases("jpx")),
                         [](const auto& info) { return info.param.name; });

TEST(Jpeg2000BitmapTest, CodestreamAndJP2GiveTheSamePicture) {
    auto jp2 = LoadJPX(test::ReadCodecFile("jpx_rgb_jp2.data"));
    auto j2k = LoadJPX(test::ReadCodecFile("jpx_rgb_j2k.data"));
    EXPECT_TRUE(RGBPixels(*jp2) == RGBPixels(*j2k));
}

TEST(Jpeg2000BitmapTest, OpacityGoesToTheFourthByte) {
    auto bitmap = LoadJPX(test::ReadCodecFile("jpx_alpha.data"));
    ASSERT_EQ(bitmap->PixelFormat(), pf32bit);
    // The fixture's opacity is a top-to-bottom ramp.
    EXPECT_LT(bitmap->ScanLine(0)[50 * 4 + 3], 10);
    EXPECT_GT(bitmap->ScanLine(63)[50 * 4 + 3], 245);
}

TEST(Jpeg2000BitmapTest, BadDataRaisesItsMessages) {
    std::string huge = test::ReadCodecFile("jpx_rgb_j2k.data");
    huge.replace(8, 8, std::string("\x00\x00\xEA\x60\x00\x00\xEA\x60", 8));  // 60,000 x 60,000
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Case cases[] = {
        {"shorter than a signature", "\xFF\x4F\xFF\x51", "Unknown JPEG 2000 file type"},
        {"not JPEG 2000", "GIF89a and then some", "Unknown JPEG 2000 file type"},
        {"a signature and nothing else", std::string("\x00\x00\x00\x0C\x6A\x50\x20\x20\x0D\x0A\x87\x0A", 12),
         "JPEG 2000 image decoding failed"},
        {"a codestream over the size bound", huge, "JPEG 2000 image decoding failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            LoadJPX(c.bytes);
            ADD_FAILURE() << "no exception";
        } catch (const EJpeg2000Error& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TBitmap& JP2Gradient(TBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* row = bitmap.ScanLine(y);
        const int bytes = bitmap.PixelFormat() == pf32bit ? 4 : 3;
        for (int x = 0; x < bitmap.Width(); ++x)
            for (int c = 0; c < bytes; ++c) row[x * bytes + c] = static_cast<BYTE>((x * 7 + y * 3 + c * 50) & 0xFF);
    }
    return bitmap;
}

std::string SavedJP2(TBitmap& pixels, bool lossless, int quality) {
    TJpeg2000Bitmap bitmap;
    bitmap.Assign(&pixels);
    bitmap.Lossless = lossless;
    bitmap.Quality = static_cast<std::uint8_t>(quality);
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return stream.Bytes();
}

// opj_decompress reads the file we wrote.
bool OpenJPEGReads(const std::string& jp2) {
    const std::string path = ::testing::TempDir() + "/saved-test.jp2";
    TStringStream(jp2).SaveToFile(path);
    const std::string command = "opj_decompress -quiet -i " + path + " -o " + path + ".png > /dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

TEST(Jpeg2000BitmapTest, SavesJP2FilesOpenJPEGReads) {
    struct Case {
        const char* name;
        int width, height;
        TPixelFormat format;
        bool lossless;
        int quality;
    };
    const Case cases[] = {
        {"lossless RGB", 40, 33, pf24bit, true, 80},
        {"lossless RGB with opacity", 40, 33, pf32bit, true, 80},
        {"smaller than 32 pixels a side", 7, 5, pf24bit, true, 80},
        {"one pixel", 1, 1, pf24bit, true, 80},
        {"quality 115", 40, 33, pf24bit, false, 115},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBitmap pixels(c.width, c.height, c.format);
        const std::string jp2 = SavedJP2(JP2Gradient(pixels), c.lossless, c.quality);
        EXPECT_EQ(jp2.substr(0, 8), std::string("\x00\x00\x00\x0C\x6A\x50\x20\x20", 8));
        EXPECT_TRUE(OpenJPEGReads(jp2));
        auto loaded = LoadJPX(jp2);
        ASSERT_EQ(loaded->Width(), c.width);
        ASSERT_EQ(loaded->PixelFormat(), c.format);
        if (c.lossless) {
            for (int y = 0; y < c.height; ++y)
                EXPECT_EQ(std::memcmp(loaded->ScanLine(y), pixels.ScanLine(y), c.width * (c.format == pf32bit ? 4 : 3)), 0);
        }
    }
}

TEST(Jpeg2000BitmapTest, PicturesOpenJPEG2000Files) {
    const std::string path = ::testing::TempDir() + "/picture-test.j2k";
    TStringStream(test::ReadCodecFile("jpx_rgb_j2k.data")).SaveToFile(path);
    TPicture picture;
    picture.LoadFromFile(path);
    EXPECT_NE(dynamic_cast<TJpeg2000Bitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 96);
}

TEST(Jpeg2000BitmapTest, LayerRateFollowsQuality) {
    EXPECT_NEAR(Jpeg2000Rate(100, 100, 3, 80, false), 30000.0 / (30000.0 * 100 / 1225 + 550 + 284), 1e-9);
    EXPECT_EQ(Jpeg2000Rate(100, 100, 3, 80, true), 0);
    EXPECT_EQ(Jpeg2000Rate(100, 100, 3, 115, false), Jpeg2000Rate(100, 100, 3, 100, false));
}

}  // namespace
}  // namespace parch
