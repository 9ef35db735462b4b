#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/Exceptions.h"
#include "base/Streams.h"
#include "bitmap32/Bitmap32.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Graphic.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Picture.h"

namespace parch {
namespace {

std::string StorageReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void FillPattern(TCustomBitmap32& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, Color32(static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 70),
                                          static_cast<std::uint8_t>(x + y), static_cast<std::uint8_t>(x * 50 + y)));
}

bool SamePixels(const TCustomBitmap32& a, const TCustomBitmap32& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::memcmp(a.Bits(), b.Bits(), static_cast<std::size_t>(a.Width()) * a.Height() * 4) == 0;
}

// A 54-byte BMP header of a 32-bit, uncompressed picture, followed by `pixelBytes` bytes.
std::string BmpHeader(std::int32_t width, std::int32_t height, std::uint32_t infoSize = 40,
                      std::uint32_t offBits = 54) {
    std::string header(54, '\0');
    auto put32 = [&](int at, std::uint32_t v) { std::memcpy(&header[static_cast<std::size_t>(at)], &v, 4); };
    auto put16 = [&](int at, std::uint16_t v) { std::memcpy(&header[static_cast<std::size_t>(at)], &v, 2); };
    header[0] = 'B';
    header[1] = 'M';
    put32(10, offBits);
    put32(14, infoSize);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    put16(26, 1);
    put16(28, 32);
    return header;
}

TEST(Bitmap32Storage, BmpRoundTripInBothRowOrders) {
    TCustomBitmap32 source;
    FillPattern(source, 5, 3);
    for (const bool bottomUp : {false, true}) {
        TMemoryStream stream;
        source.SaveToStream(stream, bottomUp);
        ASSERT_EQ(stream.GetSize(), 54 + 5 * 3 * 4);
        std::int32_t height = 0;
        std::memcpy(&height, stream.Memory() + 22, 4);
        EXPECT_EQ(height, bottomUp ? 3 : -3);
        stream.SetPosition(0);
        TCustomBitmap32 loaded;
        loaded.LoadFromStream(stream);
        EXPECT_TRUE(SamePixels(source, loaded)) << "bottomUp " << bottomUp;
    }
}

TEST(Bitmap32Storage, PixelDataPropertyRoundTripsAndSkipsEqualAncestors) {
    TBitmap32 source;
    FillPattern(source, 4, 2);
    TMemoryStream stream;
    source.WritePixelData(stream);
    stream.SetPosition(0);
    TBitmap32 loaded;
    int changes = 0;
    loaded.OnChange = [&](TObject*) { ++changes; };
    loaded.ReadPixelData(stream);
    EXPECT_TRUE(SamePixels(source, loaded));
    EXPECT_GE(changes, 1);

    EXPECT_FALSE(loaded.PixelDataDiffers(&source));
    EXPECT_TRUE(loaded.PixelDataDiffers(nullptr));
    loaded.SetPixel(0, 0, 1);
    EXPECT_TRUE(loaded.PixelDataDiffers(&source));
    TBitmap32 empty;
    EXPECT_FALSE(empty.PixelDataDiffers(nullptr));
}

// A run-length coded 4-bit file of 17000 x 17000 pixels in a few bytes: more than the cap
// once each pixel takes 32 bits.
std::string CompressedHugeBmp() {
    std::string file = BmpHeader(17000, 17000);
    const std::uint16_t bitCount = 4;
    const std::uint32_t compression = 2;  // BI_RLE4
    const std::uint32_t offBits = 54 + 16 * 4;
    std::memcpy(&file[28], &bitCount, 2);
    std::memcpy(&file[30], &compression, 4);
    std::memcpy(&file[10], &offBits, 4);
    file += std::string(16 * 4, '\0');  // palette
    file += std::string("\0\1", 2);     // end of bitmap
    return file;
}

// Headers that ask for more than the stream holds, or for absurd sizes, are refused before
// the bitmap changes: the bitmap keeps its picture.
struct BadStreamCase {
    const char* name;
    std::string bytes;
};

std::string DataHeader(std::int32_t width, std::int32_t height) {
    std::string bytes(8, '\0');
    std::memcpy(&bytes[0], &width, 4);
    std::memcpy(&bytes[4], &height, 4);
    return bytes;
}

class Bitmap32BadStreams : public ::testing::TestWithParam<BadStreamCase> {};

TEST_P(Bitmap32BadStreams, AreRefusedAndLoseNothing) {
    TCustomBitmap32 bitmap;
    FillPattern(bitmap, 3, 2);
    TCustomBitmap32 before;
    before.Assign(&bitmap);
    TStringStream stream(GetParam().bytes);
    const bool isBmp = GetParam().bytes.rfind("BM", 0) == 0;
    EXPECT_THROW(isBmp ? bitmap.LoadFromStream(stream) : bitmap.ReadPixelData(stream), Exception);
    EXPECT_TRUE(SamePixels(bitmap, before));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Bitmap32BadStreams,
    ::testing::Values(BadStreamCase{"BmpGigabytesFromAFewBytes", BmpHeader(40000, 40000) + std::string(64, '\0')},
                      BadStreamCase{"BmpProductOverflows32Bits", BmpHeader(65536, 65536) + std::string(64, '\0')},
                      BadStreamCase{"BmpHeightIntMin", BmpHeader(16, INT_MIN) + std::string(64, '\0')},
                      BadStreamCase{"BmpNegativeWidth", BmpHeader(-4, 2) + std::string(64, '\0')},
                      BadStreamCase{"BmpTruncatedPixels", BmpHeader(4, 4) + std::string(60, '\0')},
                      BadStreamCase{"BmpShortHeader", std::string("BM") + std::string(20, '\0')},
                      BadStreamCase{"V5HeaderWithoutPixels", BmpHeader(2, 2, 124, 138) + std::string(70, '\0')},
                      BadStreamCase{"DataGigabytesFromAFewBytes", DataHeader(30000, 30000) + std::string(16, '\0')},
                      BadStreamCase{"DataProductOverflows32Bits", DataHeader(65536, 65537) + std::string(16, '\0')},
                      BadStreamCase{"DataSidesNearIntMax", DataHeader(INT_MAX, INT_MAX - 1) + std::string(16, '\0')},
                      BadStreamCase{"BmpCompressedBeyondTheCap", CompressedHugeBmp()},
                      BadStreamCase{"BmpSidesNearIntMax", BmpHeader(INT_MAX, INT_MAX) + std::string(64, '\0')},
                      BadStreamCase{"DataTruncatedPixels", DataHeader(3, 3) + std::string(35, '\0')},
                      BadStreamCase{"DataShortHeader", std::string(6, '\0')}),
    [](const ::testing::TestParamInfo<BadStreamCase>& info) { return std::string(info.param.name); });

TEST(Bitmap32Storage, DataWithNegativeSidesReadsAsEmpty) {
    TStringStream stream(DataHeader(-5, 7));
    TCustomBitmap32 bitmap;
    bitmap.ReadPixelData(stream);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 7);
}

TEST(Bitmap32Storage, BmpWhosePixelsDoNotFollowTheHeaderIsReadFromItsOffset) {
    // A 40-byte header with a gap before the pixels: the direct reader would take the gap for
    // pixels; the general reader honours the offset.
    const std::string gap(8, '\x77');
    std::string file = BmpHeader(2, -1, 40, 54 + 8) + gap;
    const std::uint32_t pixels[2] = {0xFF102030u, 0x80405060u};
    file.append(reinterpret_cast<const char*>(pixels), sizeof pixels);
    TStringStream stream(file);
    TCustomBitmap32 bitmap;
    bitmap.LoadFromStream(stream);
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.GetPixel(0, 0) & 0xFFFFFFu, 0x102030u);
    EXPECT_EQ(bitmap.GetPixel(1, 0) & 0xFFFFFFu, 0x405060u);
}

TEST(Bitmap32Storage, AssignNilEmptiesWithOneNotification) {
    TCustomBitmap32 bitmap;
    bitmap.SetSize(3, 3);
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    bitmap.Assign(static_cast<const TPersistent*>(nullptr));
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(changes, 1);
}

TEST(Bitmap32Storage, FrameworkBitmapsKeepOrGainAlphaAsTheirFormatSays) {
    TBitmap rgb(3, 2, pf24bit);
    rgb.Canvas().Brush().SetColor(static_cast<TColor>(0x336699));
    rgb.Canvas().FillRect(RECT{0, 0, 3, 2});
    TCustomBitmap32 fromRgb;
    fromRgb.Assign(rgb);
    ASSERT_EQ(fromRgb.Width(), 3);
    EXPECT_EQ(fromRgb.GetPixel(2, 1), 0xFF996633u);

    TBitmap argb(2, 1, pf32bit);
    auto* row = reinterpret_cast<std::uint32_t*>(argb.ScanLine(0));
    row[0] = 0x40112233u;
    row[1] = 0x00445566u;
    TCustomBitmap32 fromArgb;
    fromArgb.Assign(argb);
    EXPECT_EQ(fromArgb.GetPixel(0, 0), 0x40112233u);
    EXPECT_EQ(fromArgb.GetPixel(1, 0), 0x00445566u);

    rgb.SetTransparentColor(static_cast<TColor>(0x336699));
    rgb.SetTransparent(true);
    rgb.Canvas().SetPixels(0, 0, static_cast<TColor>(0x0000FF));
    TBitmap32 keyed;
    keyed.Assign(rgb);
    EXPECT_EQ(keyed.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(keyed.GetPixel(1, 0), 0x00996633u);
}

TEST(Bitmap32Storage, CopiesIntoAFrameworkBitmapWithAllFourBytes) {
    TCustomBitmap32 source;
    FillPattern(source, 3, 2);
    TBitmap target;
    source.AssignTo(target);
    ASSERT_EQ(target.Width(), 3);
    ASSERT_EQ(target.PixelFormat(), pf32bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(reinterpret_cast<std::uint32_t*>(target.ScanLine(y))[x], source.GetPixel(x, y));
}

// Fixtures from other writers, and our files read by other readers.
class Bitmap32Interchange : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = ::testing::TempDir() + "parch-bitmap32-fixtures-" + std::to_string(getpid()) + "/";
        const std::string command =
            "/usr/bin/python3 " PARCH_SOURCE_DIR "/tools/make_bitmap32_fixtures.py " + folder_ + " >/dev/null 2>&1";
        made_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder_); }
    void SetUp() override {
        ASSERT_TRUE(made_) << "tools/make_bitmap32_fixtures.py failed (Pillow and ImageMagick needed)";
    }

    // Compares with an .expected file (width, height, RGBA rows).
    static void ExpectPicture(const TCustomBitmap32& bitmap, const std::string& expectedPath, bool compareAlpha) {
        const std::string expected = StorageReadFile(expectedPath);
        ASSERT_GE(expected.size(), 8u) << expectedPath;
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::memcpy(&width, expected.data(), 4);
        std::memcpy(&height, expected.data() + 4, 4);
        ASSERT_EQ(bitmap.Width(), width) << expectedPath;
        ASSERT_EQ(bitmap.Height(), height) << expectedPath;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto* p = reinterpret_cast<const unsigned char*>(expected.data()) + 8 + (y * width + x) * 4;
                const TColor32 got = bitmap.GetPixel(x, y);
                ASSERT_EQ(RedComponent(got), p[0]) << expectedPath << " at " << x << "," << y;
                ASSERT_EQ(GreenComponent(got), p[1]) << expectedPath << " at " << x << "," << y;
                ASSERT_EQ(BlueComponent(got), p[2]) << expectedPath << " at " << x << "," << y;
                if (compareAlpha) {
                    ASSERT_EQ(AlphaComponent(got), p[3]) << expectedPath << " at " << x << "," << y;
                }
            }
    }

    static inline std::string folder_;
    static inline bool made_ = false;
};

TEST_F(Bitmap32Interchange, ReadsFilesOfOtherWriters) {
    struct Fixture {
        const char* name;
        bool alpha;
    };
    for (const Fixture fixture : {Fixture{"pillow_rgba.bmp", true}, Fixture{"magick_v5.bmp", true},
                                  Fixture{"magick_rgb24.bmp", true}, Fixture{"bitfields_rgb.bmp", true}}) {
        TCustomBitmap32 fromStream;
        TFileStream file(folder_ + fixture.name, fmOpenRead);
        fromStream.LoadFromStream(file);
        ExpectPicture(fromStream, folder_ + fixture.name + ".expected", fixture.alpha);

        TBitmap32 fromFile;
        fromFile.LoadFromFile(folder_ + fixture.name);
        ExpectPicture(fromFile, folder_ + fixture.name + ".expected", fixture.alpha);
    }
}

TEST_F(Bitmap32Interchange, OurFilesReadBackInPillowAndImageMagick) {
    TCustomBitmap32 source;
    FillPattern(source, 6, 4);
    for (const bool bottomUp : {false, true}) {
        const std::string ours = folder_ + (bottomUp ? "ours_bottom_up.bmp" : "ours_top_down.bmp");
        source.SaveToFile(ours, bottomUp);

        // Pillow reads 32-bit BI_RGB files without their alpha bytes: colours are compared.
        const std::string pillow = ours + ".pillow";
        const std::string decode =
            "/usr/bin/python3 " PARCH_SOURCE_DIR "/tools/make_bitmap32_fixtures.py --decode " + ours + " " + pillow;
        ASSERT_EQ(std::system(decode.c_str()), 0);
        ExpectPicture(source, pillow, false);

        const std::string magick = ours + ".magick";
        const std::string convert = "convert " + ours + " rgba:" + magick + ".rgba >/dev/null 2>&1";
        ASSERT_EQ(std::system(convert.c_str()), 0);
        const std::string rgba = StorageReadFile(magick + ".rgba");
        std::string expected(8, '\0');
        const std::int32_t size[2] = {source.Width(), source.Height()};
        std::memcpy(expected.data(), size, 8);
        std::ofstream(magick, std::ios::binary) << expected << rgba;
        ExpectPicture(source, magick, true);
    }
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST(Bitmap32Storage, IconsKeepTheirAlpha) {
    TIcon icon;
    icon.SetSize(2, 1);
    auto* row = reinterpret_cast<std::uint32_t*>(icon.Image().ScanLine(0));
    row[0] = 0xFFFF0000u;
    row[1] = 0x00000000u;
    TBitmap32 bitmap;
    bitmap.Assign(icon);
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(AlphaComponent(bitmap.GetPixel(1, 0)), 0);
}

// A metafile brings no alpha: what its drawing covers is opaque, the rest transparent.
TEST(Bitmap32Storage, MetafilesAreOpaqueWhereTheyDraw) {
    TBitmap reference;
    reference.SetSize(8, 8);
    TMetafile metafile;
    metafile.SetSize(8, 8);
    {
        TMetafileCanvas canvas(metafile, reference.Canvas().Handle());
        canvas.Brush().SetColor(clLime);
        canvas.FillRect(RECT{0, 0, 4, 8});
    }
    TBitmap32 bitmap;
    bitmap.Assign(metafile);
    ASSERT_EQ(bitmap.Width(), 8);
    ASSERT_EQ(bitmap.Height(), 8);
    EXPECT_EQ(bitmap.GetPixel(1, 4), 0xFF00FF00u);
    EXPECT_EQ(AlphaComponent(bitmap.GetPixel(6, 4)), 0);
}

TEST(Bitmap32Storage, PublishedPropertiesByName) {
    TBitmap32 bitmap;
    SetPropertyText(bitmap, "DrawMode", "dmBlend");
    SetPropertyText(bitmap, "MasterAlpha", "128");
    EXPECT_EQ(bitmap.DrawMode(), dmBlend);
    EXPECT_EQ(bitmap.MasterAlpha(), 128u);
    EXPECT_EQ(GetPropertyText(bitmap, "WrapMode"), "wmClamp");
    EXPECT_THROW(SetPropertyText(bitmap, "DrawMode", "dmSideways"), EPropertyAccessError);

    TBitmap32 copy;
    copy.Assign(&bitmap);
    EXPECT_EQ(copy.DrawMode(), dmBlend);
    EXPECT_EQ(copy.MasterAlpha(), 128u);
}

}  // namespace
}  // namespace parch
