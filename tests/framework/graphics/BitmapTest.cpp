#include "framework/graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "framework/graphics/Picture.h"
#include "base/Streams.h"
#include "tests/framework/graphics/BitmapPixels.h"
#include "tests/platform/gdi/TestFonts.h"

namespace parch {
namespace {

using test::PixelAt;

void Fill(TBitmap& bitmap, const RECT& rect, TColor color) {
    bitmap.Canvas().Brush().SetColor(color);
    bitmap.Canvas().FillRect(rect);
}

TEST(BitmapTest, SizeScanLinesAndFormats) {
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
    EXPECT_THROW(bitmap.ScanLine(0), EInvalidGraphicOperation);

    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(4, 3);
    EXPECT_EQ(bitmap.Width(), 4);
    EXPECT_EQ(bitmap.Height(), 3);
    // Rows are stored bottom-up: the next row lies one stride lower in memory.
    EXPECT_EQ(bitmap.ScanLine(1) - bitmap.ScanLine(0), -16);
    EXPECT_THROW(bitmap.ScanLine(3), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphicOperation);

    // Growing keeps the picture at the top-left; the new area is black.
    Fill(bitmap, RECT{0, 0, 4, 3}, clRed);
    bitmap.SetSize(6, 5);
    EXPECT_EQ(PixelAt(bitmap, 3, 2), clRed);
    EXPECT_EQ(PixelAt(bitmap, 5, 4), clBlack);
    EXPECT_EQ(PixelAt(bitmap, 4, 0), clBlack);

    // Format changes convert the pixels.
    struct Case { TPixelFormat format; int bytesPerRow; };
    const Case cases[] = {{pf24bit, 20}, {pf8bit, 8}, {pf4bit, 4}, {pf32bit, 24}};
    for (const Case& c : cases) {
        bitmap.SetPixelFormat(c.format);
        EXPECT_EQ(bitmap.PixelFormat(), c.format);
        EXPECT_EQ(bitmap.ScanLine(0) - bitmap.ScanLine(1), c.bytesPerRow) << c.format;
    }
    EXPECT_EQ(PixelAt(bitmap, 0, 0), clRed) << "pure red survives every palette on the way";
}

TEST(BitmapTest, ImpossibleSizesAreRefusedAndEmptyBitmapsStillMeasureText) {
    TBitmap bitmap(2, 2, pf32bit);
    EXPECT_THROW(bitmap.SetSize(100000, 100000), EInvalidGraphic);
    EXPECT_EQ(bitmap.Width(), 2) << "a refused size keeps the bitmap";
    bitmap.SetSize(-5, 3);
    EXPECT_TRUE(bitmap.Empty());

    TBitmap empty;
    empty.Canvas().Font().SetHeight(-20);
    EXPECT_GT(empty.Canvas().TextWidth("Measure"), 40);
    TMemoryStream stream;
    EXPECT_THROW(empty.SaveToStream(stream), EInvalidGraphicOperation);
}

TEST(BitmapTest, BmpRoundTripKeepsPixelsAndFormat) {
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf24bit, pf32bit}) {
        TBitmap original(7, 5, format);
        Fill(original, RECT{0, 0, 7, 5}, clWhite);
        Fill(original, RECT{1, 1, 4, 3}, clBlack);
        TMemoryStream stream;
        original.SaveToStream(stream);
        stream.SetPosition(0);
        TBitmap loaded;
        loaded.LoadFromStream(stream);
        EXPECT_EQ(loaded.PixelFormat(), format);
        ASSERT_EQ(loaded.Width(), 7);
        ASSERT_EQ(loaded.Height(), 5);
        const int rowBytes = (7 * (format == pf1bit ? 1 : format == pf4bit ? 4 : format == pf8bit ? 8 : format == pf24bit ? 24 : 32) + 7) / 8;
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(std::memcmp(original.ScanLine(y), loaded.ScanLine(y), rowBytes), 0) << format << " row " << y;
    }
}

TEST(BitmapTest, LoadingStopsAtTheEndOfTheBitmapInALongerStream) {
    TBitmap first(3, 3, pf24bit), second(5, 2, pf8bit);
    TMemoryStream stream;
    first.SaveToStream(stream);
    second.SaveToStream(stream);
    stream.WriteString("tail");
    stream.SetPosition(0);
    TBitmap loaded;
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.Width(), 3);
    loaded.LoadFromStream(stream);
    EXPECT_EQ(loaded.Width(), 5);
    EXPECT_EQ(loaded.PixelFormat(), pf8bit);
    EXPECT_EQ(stream.ReadToEnd(), "tail");
}

TEST(BitmapTest, DamagedBmpDataRaisesAndKeepsThePicture) {
    TBitmap bitmap(2, 2, pf32bit);
    Fill(bitmap, RECT{0, 0, 2, 2}, clLime);
    for (const std::string& bytes : {std::string("BM"), std::string("not a bitmap at all"), std::string()}) {
        TStringStream stream(bytes);
        EXPECT_THROW(bitmap.LoadFromStream(stream), EInvalidGraphic);
        EXPECT_EQ(PixelAt(bitmap, 1, 1), clLime);
    }
}

TEST(BitmapTest, AssignCopiesPixelsFormatAndTransparency) {
    TBitmap source(3, 2, pf24bit);
    Fill(source, RECT{0, 0, 3, 2}, clBlue);
    source.SetTransparent(true);
    source.SetTransparentColor(clFuchsia);

    TBitmap copy;
    int changes = 0;
    copy.OnChange = [&] { ++changes; };
    copy.Assign(&source);
    EXPECT_GT(changes, 0);
    EXPECT_EQ(copy.PixelFormat(), pf24bit);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.TransparentColor(), clFuchsia);
    EXPECT_EQ(copy.TransparentMode(), tmFixed);
    EXPECT_EQ(std::memcmp(copy.ScanLine(1), source.ScanLine(1), 9), 0);

    // The copy owns its pixels.
    Fill(copy, RECT{0, 0, 3, 2}, clRed);
    EXPECT_EQ(source.ScanLine(0)[0], 255);  // still blue

    copy.Assign(nullptr);
    EXPECT_TRUE(copy.Empty());
}

TEST(BitmapTest, TransparentColourFollowsTheBottomLeftPixelUntilFixed) {
    TBitmap bitmap(4, 4, pf32bit);
    Fill(bitmap, RECT{0, 0, 4, 4}, clGreen);
    bitmap.Canvas().SetPixels(0, 3, clTeal);
    EXPECT_EQ(bitmap.TransparentMode(), tmAuto);
    EXPECT_EQ(bitmap.TransparentColor(), clTeal);
    bitmap.SetTransparentColor(clFuchsia);
    EXPECT_EQ(bitmap.TransparentMode(), tmFixed);
    EXPECT_EQ(bitmap.TransparentColor(), clFuchsia);
    bitmap.SetTransparentMode(tmAuto);
    EXPECT_EQ(bitmap.TransparentColor(), clTeal);
}

TEST(BitmapTest, PictureLoadsByExtensionAndRefusesUnknownOnes) {
    const std::string folder = PARCH_BINARY_DIR "/tests/framework";
    TBitmap bitmap(5, 4, pf24bit);
    Fill(bitmap, RECT{0, 0, 5, 4}, clMaroon);
    bitmap.SaveToFile(folder + "/picture-test.BMP");

    TPicture picture;
    int changes = 0;
    picture.OnChange = [&] { ++changes; };
    picture.LoadFromFile(folder + "/picture-test.BMP");
    ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_GT(changes, 0);

    try {
        picture.LoadFromFile(folder + "/image.xyz");
        FAIL() << "no class reads .xyz";
    } catch (const EInvalidGraphic& error) {
        EXPECT_STREQ(error.what(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_EQ(picture.Width(), 5) << "a failed load keeps the picture";

    int created = 0;
    TPicture::RegisterFileFormat("XYZ", "Test pictures", [&created] {
        ++created;
        return std::make_unique<TBitmap>();
    });
    std::rename((folder + "/picture-test.BMP").c_str(), (folder + "/picture-test.xyz").c_str());
    picture.LoadFromFile(folder + "/picture-test.xyz");
    EXPECT_EQ(created, 1);
    std::remove((folder + "/picture-test.xyz").c_str());

    // Asking for a bitmap keeps one; asking for an icon replaces it.
    EXPECT_EQ(&picture.Bitmap(), picture.Graphic());
    picture.Icon();
    EXPECT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_TRUE(picture.Graphic()->Empty());
}

}  // namespace
}  // namespace parch
