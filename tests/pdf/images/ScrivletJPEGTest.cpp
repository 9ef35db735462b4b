#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "CodecFixtures.h"
#include "base/Streams.h"
#include "pdf/images/ScrivletJPEG.h"

namespace parch {
namespace {

// The cyan bar of the plain CMYK fixture (ink c = 1 stored as 255), red green blue.
std::array<int, 3> CyanBar(TPDFJPEGImage& jpeg) {
    const BYTE* pixel = jpeg.Bitmap().ScanLine(12) + 10 * 3;
    return {pixel[2], pixel[1], pixel[0]};
}

TEST(PDFJPEGImageTest, CMYKIsReadInvertedUntilAskedToReadItDirectly) {
    TPDFJPEGImage jpeg;
    TStringStream stream(test::ReadCodecFile("dct_cmyk_plain.data"));
    jpeg.LoadFromStream(stream);
    // Inverted, the stored bytes 255, 0, 0, 0 read as no cyan and full magenta, yellow, black.
    TPDFSimpleColorManager colors;
    TPDFRGBValue black;
    colors.CMYKToRGB(TPDFCMYKValue{0, 1, 1, 1}, black);
    const auto inverted = CyanBar(jpeg);
    EXPECT_NEAR(inverted[0], black.R * 255, 6);
    EXPECT_NEAR(inverted[1], black.G * 255, 6);
    EXPECT_NEAR(inverted[2], black.B * 255, 6);
    jpeg.DecodeDirectCMYK();
    EXPECT_TRUE(jpeg.DirectCMYK());
    const auto direct = CyanBar(jpeg);
    TPDFRGBValue cyan;
    colors.CMYKToRGB(TPDFCMYKValue{1, 0, 0, 0}, cyan);
    EXPECT_NEAR(direct[0], cyan.R * 255, 6);
    EXPECT_NEAR(direct[1], cyan.G * 255, 6);
    EXPECT_NEAR(direct[2], cyan.B * 255, 6);
}

TEST(PDFJPEGImageTest, ConvertsThroughTheCallersColourManager) {
    TPDFSimpleColorManager simple;
    simple.AccurateCMYK = false;
    TPDFJPEGImage jpeg;
    jpeg.SetColorManager(&simple);
    jpeg.SetColorManager(nullptr);  // ignored
    TStringStream stream(test::ReadCodecFile("dct_cmyk_plain.data"));
    jpeg.LoadFromStream(stream);
    jpeg.DecodeDirectCMYK();
    // The simple formula gives pure cyan: red 0, green and blue 255.
    const auto direct = CyanBar(jpeg);
    EXPECT_LE(direct[0], 4);
    EXPECT_GE(direct[1], 251);
    EXPECT_GE(direct[2], 251);
}

TEST(PDFJPEGImageTest, SavesItsPictureAsBMP) {
    TPDFJPEGImage jpeg;
    TStringStream stream(test::ReadCodecFile("dct_rgb.data"));
    jpeg.LoadFromStream(stream);
    TMemoryStream bmp;
    jpeg.SaveAsBMP(bmp);
    ASSERT_GT(bmp.GetSize(), 54);
    EXPECT_EQ(bmp.Bytes().substr(0, 2), "BM");
}

}  // namespace
}  // namespace parch
