#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "base/Streams.h"
#include "framework/graphics/JPEGImage.h"
#include "framework/graphics/Picture.h"

namespace parch {
namespace {

// A 64 x 16 picture: a horizontal grey ramp in the first half, colour bars in the second.
std::unique_ptr<TBitmap> RampBitmap(int width = 64, int height = 16) {
    auto owned = std::make_unique<TBitmap>(width, height, pf24bit);
    TBitmap& bitmap = *owned;
    for (int y = 0; y < height; ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const auto level = static_cast<BYTE>(x * 255 / (width - 1));
            row[x * 3 + 0] = y < height / 2 ? level : 40;
            row[x * 3 + 1] = y < height / 2 ? level : 120;
            row[x * 3 + 2] = y < height / 2 ? level : 220;
        }
    }
    return owned;
}

std::string Encode(TBitmap& bitmap, int quality, bool grey = false) {
    TJPEGImage jpeg;
    jpeg.AssignBitmap(bitmap);
    jpeg.SetCompressionQuality(quality);
    jpeg.SetGrayscale(grey);
    TMemoryStream stream;
    jpeg.SaveToStream(stream);
    return stream.Bytes();
}

std::unique_ptr<TJPEGImage> Loaded(const std::string& bytes) {
    auto jpeg = std::make_unique<TJPEGImage>();
    TStringStream stream(bytes);
    jpeg->LoadFromStream(stream);
    return jpeg;
}

// A CMYK JPEG through libjpeg itself, every pixel the given four bytes.
std::string CMYKJpeg(int width, int height, const BYTE cmyk[4]) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &output, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::string row;
    for (int x = 0; x < width; ++x) row.append(reinterpret_cast<const char*>(cmyk), 4);
    while (info.next_scanline < info.image_height) {
        JSAMPROW pointer = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&info, &pointer, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(output), size);
    std::free(output);
    return bytes;
}

// The start-of-frame marker kinds present: 0xC0 baseline, 0xC2 progressive and so on.
std::set<int> FrameMarkers(const std::string& jpeg) {
    std::set<int> kinds;
    for (std::size_t i = 2; i + 3 < jpeg.size();) {
        if (static_cast<BYTE>(jpeg[i]) != 0xFF) break;
        const int marker = static_cast<BYTE>(jpeg[i + 1]);
        if (marker == 0xDA) break;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) kinds.insert(marker);
        i += 2 + (static_cast<BYTE>(jpeg[i + 2]) << 8 | static_cast<BYTE>(jpeg[i + 3]));
    }
    return kinds;
}

TEST(JPEGImageTest, CompressesBaselineAndDecodesBlueFirst) {
    auto source = RampBitmap();
    const std::string bytes = Encode(*source, 75);
    EXPECT_EQ(FrameMarkers(bytes), std::set<int>{0xC0});

    auto jpeg = Loaded(bytes);
    EXPECT_EQ(jpeg->Width(), 64);
    EXPECT_EQ(jpeg->Height(), 16);
    EXPECT_FALSE(jpeg->ProgressiveEncoding());
    TBitmap& decoded = jpeg->Bitmap();
    ASSERT_EQ(decoded.PixelFormat(), pf24bit);
    const BYTE* bar = decoded.ScanLine(12) + 30 * 3;
    EXPECT_NEAR(bar[0], 40, 6);
    EXPECT_NEAR(bar[1], 120, 6);
    EXPECT_NEAR(bar[2], 220, 6);
}

// ImageMagick reads our page output as a baseline JPEG at the quality it was written with.
TEST(JPEGImageTest, IdentifySeesBaselineAtTheQuality) {
    auto source = RampBitmap(200, 120);
    const std::string path = ::testing::TempDir() + "/quality-test.jpg";
    TStringStream(Encode(*source, 75)).SaveToFile(path);
    const std::string report = ::testing::TempDir() + "/quality-test.txt";
    ASSERT_EQ(std::system(("identify -verbose " + path + " > " + report + " 2>&1").c_str()), 0);
    std::ifstream file(report);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Quality: 75"), std::string::npos) << text;
    EXPECT_NE(text.find("Interlace: None"), std::string::npos) << text;
}

TEST(JPEGImageTest, QualityChangesTheQuantisationTables) {
    auto source = RampBitmap();
    EXPECT_LT(Encode(*source, 20).size(), Encode(*source, 95).size());
}

TEST(JPEGImageTest, GreyImagesKeepEveryLevel) {
    auto source = RampBitmap(256, 8);
    auto jpeg = Loaded(Encode(*source, 100, true));
    EXPECT_TRUE(jpeg->Data().grayscale);
    TBitmap& decoded = jpeg->Bitmap();
    ASSERT_EQ(decoded.PixelFormat(), pf8bit);
    std::set<int> levels;
    for (int x = 0; x < 256; ++x) levels.insert(decoded.ScanLine(0)[x]);
    EXPECT_GT(levels.size(), 250u);  // not 236 dithered colours
    TBitmap copy;
    copy.Assign(&decoded);
    copy.SetPixelFormat(pf24bit);
    EXPECT_NEAR(copy.ScanLine(0)[200 * 3], 200, 2);  // the palette is a plain ramp
}

TEST(JPEGImageTest, ScaledSizeIsReadFromTheHeader) {
    auto source = RampBitmap(101, 51);
    auto jpeg = Loaded(Encode(*source, 80));
    jpeg->SetScale(jsHalf);
    EXPECT_EQ(jpeg->Width(), 51);
    EXPECT_EQ(jpeg->Height(), 26);
    EXPECT_EQ(jpeg->Bitmap().Width(), 51);
}

TEST(JPEGImageTest, CMYKIsReadAsAdobeStoresIt) {
    const BYTE inverted[4] = {255, 0, 255, 255};  // no cyan, full magenta, no yellow, no black
    auto jpeg = Loaded(CMYKJpeg(16, 16, inverted));
    TBitmap& decoded = jpeg->Bitmap();
    ASSERT_EQ(decoded.PixelFormat(), pf24bit);
    const BYTE* pixel = decoded.ScanLine(8) + 8 * 3;
    EXPECT_NEAR(pixel[2], 255, 2);
    EXPECT_NEAR(pixel[1], 0, 2);
    EXPECT_NEAR(pixel[0], 255, 2);
}

TEST(JPEGImageTest, DamagedDataRaisesEJPEG) {
    auto source = RampBitmap();
    const std::string good = Encode(*source, 75);
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string hugeFrame = good;
    // The frame header's height and width (after FF C0, length, precision) become 65,535.
    const std::size_t sof = good.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    hugeFrame.replace(sof + 5, 4, "\xFF\xFF\xFF\xFF", 4);
    const Case cases[] = {
        {"not a JPEG", "GIF89a, certainly not a JPEG"},
        {"claims 65535 x 65535", hugeFrame},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            auto jpeg = Loaded(c.bytes);
            jpeg->Bitmap();
            ADD_FAILURE() << "no exception";
        } catch (const EJPEG& error) {
            EXPECT_EQ(std::string(error.what()).rfind("JPEG error #", 0), 0u) << error.what();
        }
    }
}

TEST(JPEGImageTest, TruncatedDataDecodesWhatIsThere) {
    auto source = RampBitmap(512, 256);
    const std::string good = Encode(*source, 75);
    auto jpeg = Loaded(good.substr(0, good.size() * 3 / 4));
    EXPECT_EQ(jpeg->Bitmap().Width(), 512);  // libjpeg pads a cut scan and warns
}

TEST(JPEGImageTest, AssignedImagesShareTheirBytes) {
    auto source = RampBitmap();
    auto first = Loaded(Encode(*source, 75));
    TJPEGImage second;
    second.Assign(first.get());
    EXPECT_EQ(&first->Data(), &second.Data());
    EXPECT_EQ(second.Width(), 64);
}

// The decoded picture handed over leaves the image able to decode again; a picture assigned
// without bytes is copied out, not lost.
TEST(JPEGImageTest, ReleasedBitmapLeavesTheImageWhole) {
    auto source = RampBitmap();
    auto jpeg = Loaded(Encode(*source, 90));
    std::unique_ptr<TBitmap> released = jpeg->ReleaseBitmap();
    ASSERT_NE(released, nullptr);
    ASSERT_EQ(released->Width(), 64);
    TBitmap& again = jpeg->Bitmap();
    ASSERT_NE(&again, released.get());
    EXPECT_EQ(0, std::memcmp(again.ScanLine(12), released->ScanLine(12), 64 * 3));

    TJPEGImage assigned;
    assigned.AssignBitmap(*source);
    std::unique_ptr<TBitmap> copy = assigned.ReleaseBitmap();
    ASSERT_EQ(copy->Width(), 64);
    EXPECT_EQ(0, std::memcmp(copy->ScanLine(3), source->ScanLine(3), 64 * 3));
    EXPECT_EQ(0, std::memcmp(assigned.Bitmap().ScanLine(3), source->ScanLine(3), 64 * 3));
}

TEST(JPEGImageTest, PicturesOpenJpgFiles) {
    auto source = RampBitmap();
    const std::string path = ::testing::TempDir() + "/picture-test.jpeg";
    TStringStream(Encode(*source, 75)).SaveToFile(path);
    TPicture picture;
    picture.LoadFromFile(path);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 64);
}

}  // namespace
}  // namespace parch
