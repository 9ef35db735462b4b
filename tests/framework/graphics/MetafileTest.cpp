#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "BitmapPixels.h"
#include "base/Streams.h"
#include "base/SysUtils.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Metafile.h"
#include "framework/graphics/Picture.h"

namespace parch {
namespace {

using test::PixelAt;

constexpr int kWidth = 60;
constexpr int kHeight = 40;

// Canvas drawing with the framework's tools: filled shapes in two colours, a line and text.
void DrawScene(TCanvas& canvas) {
    canvas.Brush().SetColor(static_cast<TColor>(RGB(220, 40, 40)));
    canvas.Pen().SetColor(static_cast<TColor>(RGB(0, 0, 160)));
    canvas.Pen().SetWidth(2);
    canvas.Rectangle(4, 4, 30, 22);
    canvas.Brush().SetColor(static_cast<TColor>(RGB(30, 160, 30)));
    canvas.Ellipse(32, 6, 56, 30);
    const POINT triangle[] = {{6, 36}, {20, 24}, {28, 38}};
    canvas.Polygon(triangle);
    canvas.MoveTo(2, 38);
    canvas.LineTo(58, 34);
}

void WhiteBitmap(TBitmap& bitmap) {
    bitmap.SetSize(kWidth, kHeight);
    bitmap.Canvas().Brush().SetColor(clWhite);
    bitmap.Canvas().FillRect(RECT{0, 0, kWidth, kHeight});
}

int DifferingPixels(TBitmap& a, TBitmap& b) {
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) differing += PixelAt(a, x, y) != PixelAt(b, x, y);
    return differing;
}

void Record(TMetafile& metafile, TBitmap& reference) {
    metafile.SetSize(kWidth, kHeight);
    TMetafileCanvas canvas(metafile, reference.Canvas().Handle());
    DrawScene(canvas);
}

// Record, save, load into a fresh TMetafile, play onto a bitmap: the pixels the calls paint.
TEST(TMetafile, SavedAndLoadedRecordingPlaysLikeTheCalls) {
    for (const bool enhanced : {true, false}) {
        TBitmap direct, played;
        WhiteBitmap(direct);
        WhiteBitmap(played);
        DrawScene(direct.Canvas());

        TMetafile recorded;
        recorded.SetEnhanced(enhanced);
        Record(recorded, direct);
        EXPECT_EQ(recorded.Width(), kWidth);
        EXPECT_EQ(recorded.Height(), kHeight);
        TMemoryStream stream;
        recorded.SaveToStream(stream);
        stream.SetPosition(0);
        TMetafile loaded;
        loaded.LoadFromStream(stream);
        EXPECT_EQ(loaded.Enhanced(), enhanced);
        EXPECT_EQ(loaded.Width(), kWidth);
        EXPECT_EQ(loaded.Height(), kHeight);
        EXPECT_NEAR(loaded.MMWidth(), kWidth * 2540 / 96, 1);
        played.Canvas().StretchDraw(RECT{0, 0, kWidth, kHeight}, &loaded);
        EXPECT_EQ(DifferingPixels(direct, played), 0) << (enhanced ? "EMF" : "WMF");
    }
}

TEST(TMetafile, BitmapTakesTheMetafileDrawnOnWhite) {
    TBitmap reference, direct;
    WhiteBitmap(reference);
    WhiteBitmap(direct);
    DrawScene(direct.Canvas());
    TMetafile metafile;
    Record(metafile, reference);
    TBitmap assigned;
    assigned.Assign(&metafile);
    ASSERT_EQ(assigned.Width(), kWidth);
    EXPECT_EQ(DifferingPixels(direct, assigned), 0);
}

TEST(TMetafile, RefusesDataThatIsNoMetafile) {
    const std::string cases[] = {"", "BM not a metafile at all", std::string(100, '\x01'),
                                 std::string("\xD7\xCD\xC6\x9A") + std::string(30, '\0')};
    for (const std::string& bytes : cases) {
        TMemoryStream stream;
        stream.WriteString(bytes);
        stream.SetPosition(0);
        TMetafile metafile;
        EXPECT_THROW(metafile.LoadFromStream(stream), EInvalidGraphic) << bytes.size();
        EXPECT_TRUE(metafile.Empty());
    }
}

TEST(TPicture, LoadsMetafilesByTheirExtension) {
    TBitmap reference;
    WhiteBitmap(reference);
    for (const char* extension : {".emf", ".wmf"}) {
        TMetafile metafile;
        metafile.SetEnhanced(std::string(extension) == ".emf");
        Record(metafile, reference);
        const std::string path = ::testing::TempDir() + "picture" + extension;
        metafile.SaveToFile(path);
        TPicture picture;
        picture.LoadFromFile(path);
        auto* loaded = dynamic_cast<TMetafile*>(picture.Graphic());
        ASSERT_NE(loaded, nullptr) << extension;
        EXPECT_EQ(loaded->Enhanced(), std::string(extension) == ".emf");
        EXPECT_EQ(picture.Width(), kWidth);
        std::remove(path.c_str());
    }
}

}  // namespace
}  // namespace parch
