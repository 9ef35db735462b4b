#include <gtest/gtest.h>

#include "platform/win/ProcedureEntries.h"
#include "skin/engine/sGradient.h"

namespace parch {
namespace {

constexpr std::uint32_t kUntouched = 0x12345678;

// A pf32bit bitmap filled with a marker value, read back as B, G, R, A words.
struct GradientCanvas {
    explicit GradientCanvas(int width, int height) : bitmap(width, height, pf32bit) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) Set(x, y, kUntouched);
    }
    std::uint32_t At(int x, int y) { return reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y))[x]; }
    void Set(int x, int y, std::uint32_t v) { reinterpret_cast<std::uint32_t*>(bitmap.ScanLine(y))[x] = v; }
    TBitmap bitmap;
};

// Framework colour (red low) to the pixel word (blue low), opaque.
std::uint32_t Pixel(std::uint32_t colour) {
    return 0xFF000000u | ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

TsGradArray Stops(const char* text) {
    TsGradArray stops;
    ParseGradientData(text, stops);
    return stops;
}

TEST(GradientPainting, DownwardStopsShareTheirBoundaryRow) {
    GradientCanvas canvas(4, 100);
    // red 0 -> 200 over the first half, then blue 100 -> 100 to the bottom
    PaintMultiGradient(canvas.bitmap, RECT{0, 0, 4, 100}, Stops("0;200;50;0;0;6553600;6553600;50;0;0"), 0);
    EXPECT_EQ(canvas.At(0, 0), Pixel(0));
    EXPECT_EQ(canvas.At(3, 49), Pixel(196));
    EXPECT_EQ(canvas.At(0, 50), Pixel(6553600));  // the second stop's first row overwrites
    EXPECT_EQ(canvas.At(2, 99), Pixel(6553600));
}

TEST(GradientPainting, EmptyFirstStopAndLastStopReachingTheEdge) {
    GradientCanvas canvas(3, 10);
    PaintMultiGradient(canvas.bitmap, RECT{0, 0, 3, 10}, Stops("255;255;0;0;0;65280;65280;1;0;0"), 0);
    EXPECT_EQ(canvas.At(0, 0), Pixel(65280));
    EXPECT_EQ(canvas.At(0, 9), Pixel(65280));
}

TEST(GradientPainting, RightwardStopsFillEveryRow) {
    GradientCanvas canvas(11, 3);
    PaintMultiGradient(canvas.bitmap, RECT{0, 0, 11, 3}, Stops("0;100;100;1;0"), 0);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(canvas.At(0, y), Pixel(0));
        EXPECT_EQ(canvas.At(5, y), Pixel(50));
        EXPECT_EQ(canvas.At(10, y), Pixel(100));
    }
}

TEST(GradientPainting, TrianglesFromTheCentre) {
    RegisterWindowSystemProcedures();  // what the program does at start
    GradientCanvas canvas(40, 40);
    PaintMultiGradient(canvas.bitmap, RECT{0, 0, 40, 40}, Stops("255;0;0;2;0;16711680;0;0;2;0"), 0);
    // Pixels are sampled at their centres, so the corner pixel is close to, not at, its vertex.
    auto red = [&](int x, int y) { return (canvas.At(x, y) >> 16) & 0xFF; };
    auto blue = [&](int x, int y) { return canvas.At(x, y) & 0xFF; };
    EXPECT_GE(red(0, 0), 240u);
    EXPECT_LE(blue(0, 0), 16u);
    for (auto [x, y] : {std::pair{20, 20}, std::pair{30, 20}, std::pair{20, 34}, std::pair{39, 39}}) {
        SCOPED_TRACE(::testing::Message() << x << "," << y);
        EXPECT_GE(blue(x, y), 240u);
        EXPECT_LE(red(x, y), 16u);
    }
}

TEST(GradientPainting, RectanglesAreClipped) {
    GradientCanvas canvas(5, 5);
    PaintMultiGradient(canvas.bitmap, RECT{10, 10, 20, 20}, Stops("255;255;100;0;0"), 0);
    EXPECT_EQ(canvas.At(4, 4), kUntouched);
    PaintMultiGradient(canvas.bitmap, RECT{-5, 3, 50, 50}, Stops("255;255;100;0;0"), 0);
    EXPECT_EQ(canvas.At(0, 2), kUntouched);
    EXPECT_EQ(canvas.At(0, 3), Pixel(255));
    EXPECT_EQ(canvas.At(4, 4), Pixel(255));
}

TEST(GradientPainting, TexturedGradientTilesAndMixes) {
    GradientCanvas texture(3, 3);  // tile 2 x 2 (one less than the distance to the edge)
    texture.Set(0, 0, 0xFF0000FF);
    texture.Set(1, 0, 0xFF000000);
    texture.Set(0, 1, 0xFF000000);
    texture.Set(1, 1, 0xFF000000);
    GradientCanvas canvas(4, 4);
    PaintMultiGradientTextured(canvas.bitmap, RECT{0, 0, 4, 4}, Stops("0;0;100;1;0"), 256, RECT{0, 0, 0, 0},
                               texture.bitmap);
    EXPECT_EQ(canvas.At(0, 0), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(2, 2), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(1, 0), 0xFF000000u);
    EXPECT_EQ(canvas.At(3, 3), 0xFF000000u);  // the last row is painted too
}

// Tiles without width paint nothing; tiles one row high end and cover every row.
TEST(GradientPainting, DegenerateTilesAreSafe) {
    GradientCanvas narrow(1, 5);
    GradientCanvas canvas(4, 6);
    PaintMultiGradientTextured(canvas.bitmap, RECT{0, 0, 4, 6}, Stops("0;0;100;1;0"), 128, RECT{0, 0, 0, 0},
                               narrow.bitmap);
    EXPECT_EQ(canvas.At(0, 0), kUntouched);
    GradientCanvas flat(5, 2);
    PaintMultiGradientTextured(canvas.bitmap, RECT{0, 0, 4, 6}, Stops("0;0;100;1;0"), 0, RECT{0, 0, 0, 0},
                               flat.bitmap);
    for (int y = 0; y < 6; ++y) EXPECT_EQ(canvas.At(3, y), 0xFF000000u) << y;
    PaintMultiGradientTextured(canvas.bitmap, RECT{0, 0, 4, 6}, Stops("0;0;100;0;0"), 0, RECT{0, 0, 0, 0},
                               flat.bitmap);
    EXPECT_EQ(canvas.At(0, 5), 0xFF000000u);
}

}  // namespace
}  // namespace parch
