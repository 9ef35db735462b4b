// The image decoder's codec paths (DCT, CCITT, JPX) on image XObjects made from the codec
// fixtures: what each leaves as the result bitmap.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "CodecFixtures.h"
#include "ImageTestSupport.h"
#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/JPEGImage.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/graphics/ScrivletColor.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletImageDecoder.h"

namespace parch {
namespace {

using test::CodecCase;

// An image XObject of the given dictionary text and raw data, owned by the structure.
TPDFStream* CodecImageStream(TPDFStructure& structure, const std::string& dictionary, const std::string& data) {
    auto* parsed = dynamic_cast<TPDFDictionary*>(ParseObject(structure, dictionary));
    EXPECT_NE(parsed, nullptr) << dictionary;
    TPDFStream* stream = structure.NewStream(data, false);
    stream->SetDictionary(parsed);
    return stream;
}

// The dictionary text of a fixture case: its entries, its filter, its decode parameters.
std::string CodecDictionary(const CodecCase& c) {
    static const char* const kImageKeys[] = {"Width", "Height", "ColorSpace", "BitsPerComponent", "Decode"};
    static const char* const kParameterKeys[] = {"K", "Columns", "Rows", "BlackIs1", "EncodedByteAlign", "EndOfLine"};
    std::string text = "<< /Type /XObject /Subtype /Image";
    for (const char* key : kImageKeys)
        if (!c.Text(key).empty()) text += std::string(" /") + key + " " + c.Text(key);
    text += c.kind == "ccitt" ? " /Filter /CCITTFaxDecode" : c.kind == "dct" ? " /Filter /DCTDecode" : " /Filter /JPXDecode";
    std::string parameters;
    for (const char* key : kParameterKeys)
        if (!c.Text(key).empty()) parameters += std::string(" /") + key + " " + c.Text(key);
    if (!parameters.empty()) text += " /DecodeParms <<" + parameters + " >>";
    return text + " >>";
}

struct LoadedImage {
    TPDFStructure structure;
    TPDFImageDecoder decoder;
};

std::unique_ptr<LoadedImage> LoadCodecImage(const std::string& dictionary, const std::string& data) {
    auto loaded = std::make_unique<LoadedImage>();
    loaded->decoder.LoadFromObject(CodecImageStream(loaded->structure, dictionary, data));
    return loaded;
}

std::unique_ptr<LoadedImage> LoadCodecCase(const CodecCase& c) {
    return LoadCodecImage(CodecDictionary(c), test::ReadCodecFile(c.name + ".data"));
}

// Red, green, blue of a pixel of the decoder's result (one-bit bitmaps through their palette).
std::array<int, 3> DecodedPixel(const TBitmap& bitmap, int x, int y) {
    if (bitmap.PixelFormat() == pf1bit) {
        const int bit = (BitmapRow(bitmap, y)[x / 8] >> (7 - x % 8)) & 1;
        const RGBQUAD entry = BitmapColorTable(bitmap).at(static_cast<std::size_t>(bit));
        return {entry.rgbRed, entry.rgbGreen, entry.rgbBlue};
    }
    const std::uint32_t bgr = BitmapPixelBGR(bitmap, x, y);
    return {int((bgr >> 16) & 0xFF), int((bgr >> 8) & 0xFF), int(bgr & 0xFF)};
}

// The expected picture's pixel (x, y) in red, green, blue; PBM pixels of 1 are black.
std::array<int, 3> OraclePixel(const test::PNMPicture& picture, int x, int y) {
    if (picture.channels == 0) {
        const bool black = (static_cast<std::uint8_t>(picture.bytes[y * picture.RowBytes() + x / 8]) >> (7 - x % 8)) & 1;
        return black ? std::array<int, 3>{0, 0, 0} : std::array<int, 3>{255, 255, 255};
    }
    if (picture.channels == 1) return {picture.Sample(x, y, 0), picture.Sample(x, y, 0), picture.Sample(x, y, 0)};
    return {picture.Sample(x, y, 0), picture.Sample(x, y, 1), picture.Sample(x, y, 2)};
}

// Pixels that differ from the expected picture (read at scaled positions when the sizes differ).
int PixelsDiffering(const TBitmap& bitmap, const test::PNMPicture& expected) {
    const bool direct = bitmap.PixelFormat() == pf1bit || bitmap.PixelFormat() == pf24bit;
    std::unique_ptr<TBitmap> copy = direct ? nullptr : Bitmap24Copy(bitmap);
    const TBitmap& pixels = direct ? bitmap : *copy;
    int wrong = 0;
    for (int y = 0; y < pixels.Height(); ++y)
        for (int x = 0; x < pixels.Width(); ++x) {
            const int ex = static_cast<int>(std::int64_t{x} * expected.width / pixels.Width());
            const int ey = static_cast<int>(std::int64_t{y} * expected.height / pixels.Height());
            if (DecodedPixel(pixels, x, y) != OraclePixel(expected, ex, ey)) ++wrong;
        }
    return wrong;
}

class ImageCodecFixtureTest : public ::testing::TestWithParam<CodecCase> {};

// CCITT (BlackIs1 and Decode included), DCT and JPX images equal poppler's decoding of the
// same PDF; the DCT image drawn larger than its JPEG is stretched to the dictionary's size.
TEST_P(ImageCodecFixtureTest, ResultEqualsTheOracle) {
    const CodecCase& c = GetParam();
    const auto loaded = LoadCodecCase(c);
    ASSERT_TRUE(loaded->decoder.Drawable);
    ASSERT_TRUE(loaded->decoder.Bitmap);
    const TBitmap& bitmap = *loaded->decoder.Bitmap;
    EXPECT_EQ(bitmap.Width(), c.Integer("Width", 0));
    EXPECT_EQ(bitmap.Height(), c.Integer("Height", 0));
    EXPECT_EQ(PixelsDiffering(bitmap, test::ReadPNM(c.name + ".expected")), 0);
}

// The same through the whole drawing path: the fixture PDF opened, page 1's image decoded and
// painted on a white bitmap of its size.
TEST_P(ImageCodecFixtureTest, PaintedPageImageEqualsTheOracle) {
    const CodecCase& c = GetParam();
    const imagetest::PaintedImage painted = imagetest::PaintPageImage(test::CodecFixturePath(c.name + ".pdf"));
    ASSERT_TRUE(painted.Picture) << painted.Error;
    EXPECT_EQ(PixelsDiffering(*painted.Picture, test::ReadPNM(c.name + ".expected")), 0);
}

std::vector<CodecCase> OracleCases() {
    std::vector<CodecCase> cases;
    for (const char* kind : {"ccitt", "dct", "jpx"})
        for (const CodecCase& c : test::CodecCases(kind))
            if (c.Text("ColorSpace") != "/DeviceCMYK" && c.name != "jpx_sycc420") cases.push_back(c);
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ImageCodecFixtureTest, ::testing::ValuesIn(OracleCases()),
                         [](const auto& info) { return info.param.name; });

// The CMYK and YCCK fixtures are bars of known inks: stored as they are, or inverted as Adobe
// stores them with a Decode array of [1 0 ...]. All show the inks through the colour manager.
TEST(ImageCodecsTest, CMYKJpegsShowTheirInks) {
    const double inks[][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, {128 / 255.0, 64 / 255.0, 0, 32 / 255.0}, {0, 0, 0, 0}};
    TPDFSimpleColorManager colors;
    for (const CodecCase& c : test::CodecCases("dct")) {
        if (c.Text("ColorSpace") != "/DeviceCMYK") continue;
        SCOPED_TRACE(c.name);
        const auto loaded = LoadCodecCase(c);
        ASSERT_TRUE(loaded->decoder.Bitmap);
        const test::PNMPicture bars = test::ReadPNM(c.name + ".expected");
        for (int bar = 0; bar < 6; ++bar) {
            const int x = bar * 20 + 10, y = 12;
            ASSERT_EQ(bars.Sample(x, y, 0), bar);
            TPDFRGBValue rgb;
            colors.CMYKToRGB(TPDFCMYKValue{inks[bar][0], inks[bar][1], inks[bar][2], inks[bar][3]}, rgb);
            const auto pixel = DecodedPixel(*loaded->decoder.Bitmap, x, y);
            EXPECT_NEAR(pixel[0], rgb.R * 255, 6) << "bar " << bar;
            EXPECT_NEAR(pixel[1], rgb.G * 255, 6) << "bar " << bar;
            EXPECT_NEAR(pixel[2], rgb.B * 255, 6) << "bar " << bar;
        }
    }
}

// Group 4 data of 1 bits only: every row white, whatever the width.
const std::string kWhiteG4(64, '\xFF');

TEST(ImageCodecsTest, CCITTColumnsDefaultTo1728AndTheBitmapIsCutToWidth) {
    const auto loaded = LoadCodecImage(
        "<< /Width 1000 /Height 4 /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode "
        "/DecodeParms << /K -1 >> >>",
        kWhiteG4);
    ASSERT_TRUE(loaded->decoder.Bitmap);
    EXPECT_EQ(loaded->decoder.Bitmap->Width(), 1000);
    EXPECT_EQ(DecodedPixel(*loaded->decoder.Bitmap, 999, 3), (std::array<int, 3>{255, 255, 255}));
}

TEST(ImageCodecsTest, CCITTSizesBeyondTheBoundStayUndrawn) {
    for (const char* parameters : {"/K -1 /Columns 1073741824", "/K -1 /Columns 0", "/K 0 /Columns -8"}) {
        SCOPED_TRACE(parameters);
        const auto loaded = LoadCodecImage(std::string("<< /Width 100 /Height 60000 /ColorSpace /DeviceGray "
                                                  "/BitsPerComponent 1 /Filter /CCITTFaxDecode /DecodeParms << ") +
                                          parameters + " >> >>",
                                      kWhiteG4);
        EXPECT_FALSE(loaded->decoder.Drawable);
    }
}

TEST(ImageCodecsTest, IndexedCCITTTakesItsTwoColoursFromTheLookup) {
    struct Case {
        const char* name;
        const char* lookup;
        std::array<int, 3> white;  // the colour of white runs (index 1)
    };
    const Case cases[] = {
        {"red and blue", "<FF0000 0000FF>", {0, 0, 255}},
        // A lookup of one colour: index 1 has no bytes and shows black, read from nowhere.
        {"too short", "<FF0000>", {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto loaded = LoadCodecImage(
            std::string("<< /Width 64 /Height 2 /ColorSpace [/Indexed /DeviceRGB 1 ") + c.lookup +
                "] /BitsPerComponent 1 /Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 64 >> >>",
            kWhiteG4);
        ASSERT_TRUE(loaded->decoder.Bitmap);
        EXPECT_EQ(DecodedPixel(*loaded->decoder.Bitmap, 5, 1), c.white);
    }
}

TEST(ImageCodecsTest, CCITTStencilsBecomePalettePNGs) {
    const auto loaded = LoadCodecImage(
        "<< /Width 64 /Height 2 /ImageMask true /BitsPerComponent 1 /Filter /CCITTFaxDecode "
        "/DecodeParms << /K -1 /Columns 64 >> >>",
        kWhiteG4);
    EXPECT_TRUE(loaded->decoder.Drawable);
    EXPECT_EQ(loaded->decoder.EncodedKind, kEncodedPNG);
    ASSERT_TRUE(loaded->decoder.EncodedStream);
    EXPECT_EQ(loaded->decoder.EncodedStream->Bytes().substr(1, 3), "PNG");
}

TEST(ImageCodecsTest, Group4DataLibtiffCannotReadEitherKeepsTheDecodedRows) {
    CodecCase c;
    for (const CodecCase& item : test::CodecCases("ccitt"))
        if (item.name == "ccitt_g4") c = item;
    std::string data = test::ReadCodecFile(c.name + ".data");
    data.resize(data.size() / 2);
    const auto loaded = LoadCodecImage(CodecDictionary(c), data);
    ASSERT_TRUE(loaded->decoder.Bitmap);
    const test::PNMPicture expected = test::ReadPNM(c.name + ".expected");
    // The top rows are there (not zeroed, not 0xFF bytes); the rest stays white.
    int wrongTop = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < expected.width; ++x)
            wrongTop += DecodedPixel(*loaded->decoder.Bitmap, x, y) != OraclePixel(expected, x, y);
    EXPECT_EQ(wrongTop, 0);
    EXPECT_EQ(DecodedPixel(*loaded->decoder.Bitmap, 5, expected.height - 1), (std::array<int, 3>{255, 255, 255}));
}

TEST(ImageCodecsTest, KeptEncodedJPEGBytesAreNotDecoded) {
    CodecCase c;
    for (const CodecCase& item : test::CodecCases("dct"))
        if (item.name == "dct_rgb") c = item;
    auto loaded = std::make_unique<LoadedImage>();
    loaded->decoder.KeepEncoded = true;
    const std::string data = test::ReadCodecFile(c.name + ".data");
    loaded->decoder.LoadFromObject(CodecImageStream(loaded->structure, CodecDictionary(c), "\n" + data));
    EXPECT_EQ(loaded->decoder.EncodedKind, kEncodedJPEG);
    ASSERT_TRUE(loaded->decoder.EncodedStream);
    EXPECT_EQ(loaded->decoder.EncodedStream->Bytes(), data);  // the line feed before FF D8 dropped
}

TEST(ImageCodecsTest, BrokenJpegRaisesEJPEGAndDamagedJPXStaysUndrawn) {
    EXPECT_THROW(LoadCodecImage("<< /Width 8 /Height 8 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode >>",
                           "\xFF\xD8\xFF\xE0 not really"),
                 EJPEG);
    const auto jpx = LoadCodecImage("<< /Width 8 /Height 8 /Filter /JPXDecode >>", "\xFF\x4F\xFF\x51 short");
    EXPECT_FALSE(jpx->decoder.Drawable);
}

// An Indexed JPEG 2000 image: the components are indices into the PDF's lookup table (not
// into a JP2 palette), over an RGB or a CMYK base.
TEST(ImageCodecsTest, IndexedJPXLooksTheIndicesUp) {
    const test::PNMPicture indices = test::ReadPNM("jpx_gray_lossy.expected");
    std::string rgbLookup, cmykLookup;
    for (int i = 0; i < 256; ++i) {
        rgbLookup += {char(i), char(255 - i), char(i / 2)};
        cmykLookup += {char(0), char(0), char(0), char(i)};
    }
    TPDFSimpleColorManager colors;
    struct Case {
        const char* base;
        const std::string& lookup;
    };
    for (const Case& c : {Case{"/DeviceRGB", rgbLookup}, Case{"/DeviceCMYK", cmykLookup}}) {
        SCOPED_TRACE(c.base);
        TPDFStructure structure;
        TPDFImageDecoder decoder;
        // No BitsPerComponent, as JPEG 2000 images often come.
        TPDFStream* image = CodecImageStream(structure, "<< /Width 96 /Height 64 /Filter /JPXDecode >>",
                                        test::ReadCodecFile("jpx_gray_lossy.data"));
        auto* space = dynamic_cast<TPDFArray*>(ParseObject(structure, std::string("[/Indexed ") + c.base + " 255 ()]"));
        ASSERT_NE(space, nullptr);
        dynamic_cast<TPDFString*>(space->GetItem(3))->SetValue(c.lookup);
        image->StreamDict->SetValue("ColorSpace", space);
        decoder.LoadFromObject(image);
        ASSERT_TRUE(decoder.Bitmap);
        int wrong = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x) {
                const int index = indices.Sample(x, y, 0);
                std::array<int, 3> expected{index, 255 - index, index / 2};
                if (c.base == std::string("/DeviceCMYK")) {
                    TPDFRGBValue rgb;
                    colors.CMYKToRGB(TPDFCMYKValue{0, 0, 0, index / 255.0}, rgb);
                    expected = {int(std::lround(rgb.R * 255)), int(std::lround(rgb.G * 255)), int(std::lround(rgb.B * 255))};
                }
                wrong += DecodedPixel(*decoder.Bitmap, x, y) != expected;
            }
        EXPECT_EQ(wrong, 0);
    }
}

// JBIG2 segments as PDF embeds them, through the JBIG2 decoder; jbig2dec's picture is the oracle.
TEST(ImageCodecsTest, JBIG2ImagesDecodeToTheirPage) {
    const test::PNMPicture expected = test::ReadPNM("../JBIG2Fixtures/generic_t2.pbm");
    const std::string dictionary = "<< /Width " + std::to_string(expected.width) + " /Height " +
                                   std::to_string(expected.height) +
                                   " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /JBIG2Decode >>";
    const auto loaded = LoadCodecImage(dictionary, test::ReadCodecFile("../JBIG2Fixtures/generic_t2.jb2"));
    ASSERT_TRUE(loaded->decoder.Drawable);
    ASSERT_TRUE(loaded->decoder.Bitmap);
    EXPECT_EQ(PixelsDiffering(*loaded->decoder.Bitmap, expected), 0);

    const auto damaged = LoadCodecImage(dictionary, "not JBIG2 segments");
    EXPECT_FALSE(damaged->decoder.Drawable);
}

}  // namespace
}  // namespace parch
