#include "platform/gdi/AntiAliasedGraphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "GdiTestSupport.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/PixelView.h"

namespace parch {
namespace {

using test::Rows;
using test::Surface;

constexpr std::uint32_t kAaTestRed = 0xFFFF0000;
constexpr std::uint32_t kAaTestBlack = 0xFF000000;

AaPath AaTestRectangle(double left, double top, double right, double bottom, AaFillMode mode = AaFillMode::Alternate) {
    AaPath path(mode);
    path.AddLine({left, top}, {right, top});
    path.AddLine({right, top}, {right, bottom});
    path.AddLine({right, bottom}, {left, bottom});
    path.CloseFigure();
    return path;
}

AaPath AaTestLine(double x1, double y1, double x2, double y2) {
    AaPath path;
    path.AddLine({x1, y1}, {x2, y2});
    return path;
}

std::unique_ptr<AntiAliasedGraphics> AaTestGraphics(const Surface& surface) {
    auto graphics = AntiAliasedGraphics::FromDC(surface.dc());
    EXPECT_NE(graphics, nullptr);
    return graphics;
}

// A BMP file of straight ARGB pixels (row-major, top row first), 24 bits per pixel.
std::vector<BYTE> AaTestBmp(int width, int height, const std::vector<std::uint32_t>& pixels) {
    std::unique_ptr<GdiBitmap> bitmap = GdiBitmap::Create(width, height, 24, false, true);
    const PixelView view = PixelView::Of(*bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) view.WriteValue(x, y, pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF);
    return EncodeBmp(*bitmap);
}

std::unique_ptr<AaImage> AaTestImage(const std::vector<BYTE>& file) {
    std::string error;
    auto image = AaImage::Decode(file.data(), file.size(), error);
    EXPECT_NE(image, nullptr) << error;
    return image;
}

// Red, green / blue, yellow quarters.
std::unique_ptr<AaImage> AaTestQuarters() {
    return AaTestImage(AaTestBmp(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00}));
}

const std::vector<std::pair<COLORREF, char>> kAaTestLegend = {{RGB(255, 0, 0), 'R'}, {RGB(0, 255, 0), 'G'},
                                                             {RGB(0, 0, 255), 'B'}, {RGB(255, 255, 0), 'Y'},
                                                             {RGB(255, 255, 255), '.'}, {RGB(0, 0, 0), '#'}};

TEST(AntiAliasedGraphics, FillsFollowTheFillMode) {
    struct Case {
        AaFillMode mode;
        const char* middleRow;
    };
    // Two squares, the inner one drawn in the same direction as the outer.
    for (const Case& c : {Case{AaFillMode::Alternate, "#..#"}, Case{AaFillMode::Winding, "####"}}) {
        Surface s(4, 4);
        s.Fill(test::kWhite);
        AaPath path(c.mode);
        path.AddLine({0, 0}, {4, 0});
        path.AddLine({4, 0}, {4, 4});
        path.AddLine({4, 4}, {0, 4});
        path.CloseFigure();
        path.AddLine({1, 1}, {3, 1});
        path.AddLine({3, 1}, {3, 3});
        path.AddLine({3, 3}, {1, 3});
        path.CloseFigure();
        ASSERT_TRUE(AaTestGraphics(s)->FillPath(path, kAaTestBlack));
        EXPECT_EQ(s.Picture(test::kBlack), Rows({"####", c.middleRow, c.middleRow, "####"}));
    }
}

TEST(AntiAliasedGraphics, PixelAlignedFillCoversWholePixelsAndBlendsAlpha) {
    Surface s(6, 4);
    s.Fill(test::kWhite);
    auto g = AaTestGraphics(s);
    ASSERT_TRUE(g->FillPath(AaTestRectangle(1, 1, 3, 3), kAaTestRed));
    ASSERT_TRUE(g->FillPath(AaTestRectangle(4, 1, 5, 2), 0x80000000));
    EXPECT_EQ(s.Picture(test::kRed), Rows({"......", ".##...", ".##...", "......"}));
    EXPECT_EQ(s.Color(4, 1), RGB(127, 127, 127));
}

TEST(AntiAliasedGraphics, CapsExtendOpenLinesByHalfTheWidth) {
    struct Case {
        AaLineCap cap;
        const char* row;
    };
    for (const Case& c : {Case{AaLineCap::Flat, "..####.."}, Case{AaLineCap::Square, ".######."}}) {
        Surface s(8, 4);
        s.Fill(test::kWhite);
        AaPen pen;
        pen.width = 2;
        pen.cap = c.cap;
        ASSERT_TRUE(AaTestGraphics(s)->DrawPath(AaTestLine(2, 2, 6, 2), pen));
        EXPECT_EQ(s.Picture(test::kBlack), Rows({"........", c.row, c.row, "........"})) << static_cast<int>(c.cap);
    }
    // A round cap covers part of the pixels beyond the ends.
    Surface s(8, 4);
    s.Fill(test::kWhite);
    AaPen pen;
    pen.width = 2;
    pen.cap = AaLineCap::Round;
    ASSERT_TRUE(AaTestGraphics(s)->DrawPath(AaTestLine(2, 2, 6, 2), pen));
    EXPECT_NE(s.Color(1, 1), test::kWhite);
    EXPECT_NE(s.Color(1, 1), test::kBlack);
    EXPECT_EQ(s.Color(0, 1), test::kWhite);
}

TEST(AntiAliasedGraphics, DashesAreMultiplesOfTheWidthAndTheOffsetShiftsThem) {
    struct Case {
        double offset;
        const char* row;
    };
    for (const Case& c : {Case{0, "##..##..##..##.."}, Case{0.5, "#..##..##..##..#"}, Case{1, "..##..##..##..##"}}) {
        Surface s(16, 3);
        s.Fill(test::kWhite);
        AaPen pen;
        pen.width = 2;
        pen.dashes = {1, 1};
        pen.dashOffset = c.offset;
        ASSERT_TRUE(AaTestGraphics(s)->DrawPath(AaTestLine(0, 1, 16, 1), pen));
        EXPECT_EQ(s.Picture(test::kBlack), Rows({c.row, c.row, "................"})) << c.offset;
    }
}

TEST(AntiAliasedGraphics, UndrawableDashPatternsDrawSolidAndLaterDrawingStillWorks) {
    for (const std::vector<double>& dashes : std::vector<std::vector<double>>{
             {-1, 2}, {0, 0}, {2, std::nan("")}, {1e-6, 1e-6}}) {
        Surface s(8, 4);
        s.Fill(test::kWhite);
        auto g = AaTestGraphics(s);
        AaPen pen;
        pen.width = 2;
        pen.dashes = dashes;
        ASSERT_TRUE(g->DrawPath(AaTestLine(0, 1, 8, 1), pen));
        ASSERT_TRUE(g->FillPath(AaTestRectangle(0, 3, 8, 4), kAaTestRed));
        EXPECT_EQ(s.Picture({{test::kBlack, '#'}, {test::kRed, 'R'}, {test::kWhite, '.'}}),
                  Rows({"########", "########", "........", "RRRRRRRR"}));
    }
}

TEST(AntiAliasedGraphics, FarAwayCoordinatesDoNotWrapAround) {
    Surface s(8, 4);
    s.Fill(test::kWhite);
    auto g = AaTestGraphics(s);
    ASSERT_TRUE(g->FillPath(AaTestRectangle(-1e12, 1, 1e12, 2), kAaTestBlack));
    ASSERT_TRUE(g->FillPath(AaTestRectangle(-1, 3, 9e6, 4), kAaTestBlack));
    AaPen pen;
    ASSERT_TRUE(g->DrawPath(AaTestLine(std::nan(""), 0.5, 2, 0.5), pen));
    EXPECT_EQ(s.Picture(test::kBlack), Rows({"##......", "########", "........", "########"}));
}

TEST(AntiAliasedGraphics, ClipsIntersectAndSavedClipsComeBack) {
    Surface s(6, 3);
    s.Fill(test::kWhite);
    auto g = AaTestGraphics(s);
    g->IntersectClip(AaTestRectangle(0, 0, 4, 3));
    const AaClip saved = g->Clip();
    g->IntersectClip(AaTestRectangle(2, 0, 6, 3));
    ASSERT_TRUE(g->FillPath(AaTestRectangle(0, 0, 6, 1), kAaTestBlack));
    g->SetClip(saved);
    ASSERT_TRUE(g->FillPath(AaTestRectangle(0, 1, 6, 2), kAaTestBlack));
    g->ResetClip();
    ASSERT_TRUE(g->FillPath(AaTestRectangle(0, 2, 6, 3), kAaTestBlack));
    EXPECT_EQ(s.Picture(test::kBlack), Rows({"..##..", "####..", "######"}));
    // Drawing wholly outside the clip draws nothing.
    g->IntersectClip(AaTestRectangle(0, 0, 1, 1));
    EXPECT_FALSE(g->FillPath(AaTestRectangle(3, 0, 6, 3), kAaTestRed));
}

TEST(AntiAliasedGraphics, SmoothingAndPixelOffsetModes) {
    // A diagonal edge: anti-aliased it has in-between shades, without smoothing none.
    auto shades = [](AaSmoothingMode mode) {
        Surface s(8, 8);
        s.Fill(test::kWhite);
        auto g = AaTestGraphics(s);
        g->SetSmoothingMode(mode);
        AaPath triangle;
        triangle.AddLine({0, 0}, {8, 0});
        triangle.AddLine({8, 0}, {0, 7});
        triangle.CloseFigure();
        g->FillPath(triangle, kAaTestBlack);
        int count = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) count += s.Color(x, y) != test::kWhite && s.Color(x, y) != test::kBlack;
        return count;
    };
    EXPECT_GT(shades(AaSmoothingMode::AntiAlias), 0);
    EXPECT_EQ(shades(AaSmoothingMode::None), 0);

    // Without the half-pixel offset, integer coordinates are pixel centres.
    Surface s(4, 3);
    s.Fill(test::kWhite);
    auto g = AaTestGraphics(s);
    g->SetPixelOffsetMode(AaPixelOffsetMode::None);
    g->SetSmoothingMode(AaSmoothingMode::None);
    ASSERT_TRUE(g->FillPath(AaTestRectangle(0.5, 0.5, 2.5, 1.5), kAaTestBlack));
    EXPECT_EQ(s.Picture(test::kBlack), Rows({"....", ".##.", "...."}));
}

TEST(AntiAliasedGraphics, ImagesLandOnThreePoints) {
    struct Case {
        const char* name;
        AaPoint upperLeft, upperRight, lowerLeft;
        const char* picture;
    };
    const Case cases[] = {
        {"upright", {0, 0}, {4, 0}, {0, 4}, "RRGG\nRRGG\nBBYY\nBBYY\n"},
        {"mirrored", {4, 0}, {0, 0}, {4, 4}, "GGRR\nGGRR\nYYBB\nYYBB\n"},
        // A quarter turn clockwise: the upper-left corner lands at the upper right.
        {"rotated", {4, 0}, {4, 4}, {0, 0}, "BBRR\nBBRR\nYYGG\nYYGG\n"},
    };
    auto image = AaTestQuarters();
    for (const Case& c : cases) {
        Surface s(4, 4);
        s.Fill(test::kWhite);
        auto g = AaTestGraphics(s);
        g->SetInterpolationMode(AaInterpolationMode::NearestNeighbor);
        ASSERT_TRUE(g->DrawImage(*image, c.upperLeft, c.upperRight, c.lowerLeft)) << c.name;
        EXPECT_EQ(s.Picture(kAaTestLegend), c.picture) << c.name;
    }
}

TEST(AntiAliasedGraphics, ImageSourceRectangleAndColorKey) {
    auto image = AaTestQuarters();
    Surface s(4, 2);
    s.Fill(test::kWhite);
    auto g = AaTestGraphics(s);
    g->SetInterpolationMode(AaInterpolationMode::NearestNeighbor);
    AaImageDrawing drawing;
    drawing.sourceWidth = 2;
    drawing.sourceHeight = 1;  // the upper row only
    // Green and yellow keyed out: red 0..0, green 0xF0..0xFF, blue 0..0.
    drawing.useColorKey = true;
    drawing.keyLow = 0xFF00F000;
    drawing.keyHigh = 0xFFFFFF00;
    ASSERT_TRUE(g->DrawImage(*image, {0, 0}, {4, 0}, {0, 2}, drawing));
    EXPECT_EQ(s.Picture(kAaTestLegend), Rows({"RR..", "RR.."}));
}

TEST(AntiAliasedGraphics, SmoothedImagesStayInsideTheirParallelogram) {
    auto image = AaTestQuarters();
    Surface s(8, 8);
    s.Fill(test::kBlack);
    auto g = AaTestGraphics(s);
    g->SetInterpolationMode(AaInterpolationMode::Bicubic);
    ASSERT_TRUE(g->DrawImage(*image, {2, 2}, {6, 2}, {2, 6}));
    EXPECT_EQ(s.Color(1, 1), test::kBlack);
    EXPECT_EQ(s.Color(6, 6), test::kBlack);
    // Corners keep their colour: the picture's edges are not faded towards transparency.
    EXPECT_EQ(s.Color(2, 2), test::kRed);
    EXPECT_EQ(s.Color(5, 5), RGB(255, 255, 0));
}

TEST(AntiAliasedGraphics, DrawsOnEveryBitmapDepthAndKeepsUntouchedPixels) {
    for (int bits : {24, 32}) {
        for (bool topDown : {true, false}) {
            Surface s(4, 3, bits, topDown);
            s.Fill(test::kWhite);
            s.SetValue(3, 2, bits == 32 ? 0x7F00FF00 : 0x00FF00);
            auto g = AaTestGraphics(s);
            ASSERT_TRUE(g->FillPath(AaTestRectangle(0, 0, 2, 1), kAaTestRed));
            EXPECT_EQ(s.Picture(kAaTestLegend), Rows({"RR..", "....", "...G"})) << bits << topDown;
            if (bits == 32) {
                EXPECT_EQ(s.Value(3, 2), 0x7F00FF00u);
            }
        }
    }
    // Drawing on the bitmap through the context in between is seen by the next operation.
    Surface s(4, 1);
    s.Fill(test::kWhite);
    auto g = AaTestGraphics(s);
    s.Fill(test::kRed);
    ASSERT_TRUE(g->FillPath(AaTestRectangle(0, 0, 1, 1), 0x00000000));
    EXPECT_EQ(s.Picture(test::kRed), "####\n");
}

TEST(AntiAliasedGraphics, NoGraphicsWithoutALiveContext) {
    HDC dc = CreateCompatibleDC(nullptr);
    DeleteDC(dc);
    EXPECT_EQ(AntiAliasedGraphics::FromDC(dc), nullptr);
    EXPECT_EQ(AntiAliasedGraphics::FromDC(nullptr), nullptr);
}

TEST(AntiAliasedImage, ConvertsBetweenBmpAndPngWithoutLosingPixels) {
    const std::vector<std::uint32_t> pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456, 0xFFFFFFFF, 0xFF000000};
    const std::vector<BYTE> bmp = AaTestBmp(3, 2, pixels);
    std::vector<BYTE> png;
    ASSERT_TRUE(ConvertAaImage(bmp.data(), bmp.size(), AaImageFormat::Png, png));
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
    std::vector<BYTE> back;
    ASSERT_TRUE(ConvertAaImage(png.data(), png.size(), AaImageFormat::Bmp, back));
    EXPECT_EQ(back[0], 'B');
    auto image = AaTestImage(back);
    ASSERT_EQ(image->Width(), 3);
    ASSERT_EQ(image->Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(image->Pixel(x, y), pixels[static_cast<std::size_t>(y) * 3 + x]);
}

TEST(AntiAliasedImage, MimeTypesAreMatchedExactly) {
    struct Case {
        const char* mime;
        bool known;
        AaImageFormat format;
    };
    for (const Case& c : {Case{"image/bmp", true, AaImageFormat::Bmp}, Case{"image/png", true, AaImageFormat::Png},
                          Case{"image/PNG", false, {}}, Case{"image/tiff", false, {}}, Case{"", false, {}}}) {
        AaImageFormat format{};
        EXPECT_EQ(AaImageFormatOfMimeType(c.mime, format), c.known) << c.mime;
        if (c.known) {
            EXPECT_EQ(format, c.format) << c.mime;
        }
    }
}

TEST(AntiAliasedImage, DamagedOrHugePicturesAreRefused) {
    std::vector<BYTE> huge = AaTestBmp(1, 1, {0xFF000000});
    // Announce 100000 x 100000 pixels in the info header.
    const std::int32_t side = 100000;
    std::memcpy(&huge[18], &side, 4);
    std::memcpy(&huge[22], &side, 4);
    const std::vector<std::vector<BYTE>> inputs = {{}, {'B', 'M', 1, 2}, {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0}, huge};
    for (const auto& input : inputs) {
        std::string error;
        EXPECT_EQ(AaImage::Decode(input.data(), input.size(), error), nullptr);
        EXPECT_FALSE(error.empty());
        std::vector<BYTE> out;
        EXPECT_FALSE(ConvertAaImage(input.data(), input.size(), AaImageFormat::Png, out));
    }
}

}  // namespace
}  // namespace parch
