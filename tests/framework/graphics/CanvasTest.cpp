#include "framework/graphics/Canvas.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Picture.h"
#include "platform/gdi/Fonts.h"
#include "tests/framework/graphics/BitmapPixels.h"
#include "tests/platform/gdi/TestFonts.h"

namespace parch {
namespace {

using test::PixelAt;

// A white 32-bit bitmap to draw on.
std::unique_ptr<TBitmap> WhiteBitmap(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>(width, height, pf32bit);
    bitmap->Canvas().Brush().SetColor(clWhite);
    bitmap->Canvas().FillRect(RECT{0, 0, width, height});
    return bitmap;
}

bool AnyPixel(TBitmap& bitmap, const RECT& area, TColor color) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (PixelAt(bitmap, x, y) == color) return true;
    return false;
}

TEST(CanvasTest, ShapesUseThePenForEdgesAndTheBrushInside) {
    auto bitmap = WhiteBitmap(10, 10);
    TCanvas& canvas = bitmap->Canvas();
    canvas.Pen().SetColor(clRed);
    canvas.Brush().SetColor(clBtnFace);  // system colours are resolved
    canvas.Rectangle(1, 1, 9, 9);
    EXPECT_EQ(PixelAt(*bitmap, 1, 1), clRed);
    EXPECT_EQ(PixelAt(*bitmap, 8, 8), clRed);
    EXPECT_EQ(PixelAt(*bitmap, 4, 4), static_cast<TColor>(RGB(240, 240, 240)));
    EXPECT_EQ(PixelAt(*bitmap, 9, 9), clWhite);  // right and bottom exclusive

    canvas.Pen().SetColor(clBlue);  // a change is picked up by the next operation
    canvas.MoveTo(0, 0);
    canvas.LineTo(5, 0);
    EXPECT_EQ(PixelAt(*bitmap, 4, 0), clBlue);
    EXPECT_EQ(PixelAt(*bitmap, 5, 0), clWhite);
    EXPECT_EQ(canvas.PenPos(), (POINT{5, 0}));

    canvas.SetPixels(9, 9, clYellow);
    EXPECT_EQ(canvas.Pixels(9, 9), clYellow);
    EXPECT_EQ(canvas.Pixels(50, 50), clNone);

    auto round = WhiteBitmap(10, 10);
    round->Canvas().Pen().SetStyle(psClear);
    round->Canvas().Brush().SetColor(clBlue);
    round->Canvas().Ellipse(0, 0, 10, 10);
    EXPECT_EQ(PixelAt(*round, 5, 5), clBlue);
    EXPECT_EQ(PixelAt(*round, 0, 0), clWhite);
    const POINT triangle[] = {{0, 0}, {9, 0}, {0, 9}};
    round->Canvas().Brush().SetColor(clLime);
    round->Canvas().Polygon(triangle);
    EXPECT_EQ(PixelAt(*round, 1, 1), clLime);
    EXPECT_EQ(PixelAt(*round, 8, 8), clWhite);

    canvas.Brush().SetColor(clGreen);
    canvas.FrameRect(RECT{0, 0, 10, 10});
    EXPECT_EQ(PixelAt(*bitmap, 0, 5), clGreen);
    EXPECT_EQ(PixelAt(*bitmap, 1, 5), clRed);
}

TEST(CanvasTest, TextFollowsTheFontAndTheBrush) {
    auto bitmap = WhiteBitmap(120, 30);
    TCanvas& canvas = bitmap->Canvas();
    canvas.Font().SetName("Arial");
    canvas.Font().SetHeight(-20);
    canvas.Font().SetColor(clRed);
    TEXTMETRIC metrics{};
    GetTextMetrics(canvas.Handle(), &metrics);
    EXPECT_EQ(canvas.TextHeight("Wg"), metrics.tmHeight);
    const int width = canvas.TextWidth("Wg");
    EXPECT_EQ(width, 19 + 11);  // Arial "W" 1933 and "g" 1139 units at 20 pixels per em

    canvas.Brush().SetStyle(bsClear);
    canvas.TextOut(2, 2, "Wg");
    EXPECT_TRUE(AnyPixel(*bitmap, RECT{2, 2, 2 + width, 2 + metrics.tmHeight}, clRed));
    EXPECT_EQ(canvas.PenPos(), (POINT{2 + width, 2}));
    EXPECT_FALSE(AnyPixel(*bitmap, RECT{0, 0, 120, 30}, clYellow));

    // A solid brush fills the text cell behind the text.
    canvas.Brush().SetColor(clYellow);
    canvas.TextOut(60, 2, "Wg");
    EXPECT_EQ(PixelAt(*bitmap, 60, 2), clYellow);
    EXPECT_EQ(PixelAt(*bitmap, 60 + width - 1, 2 + metrics.tmHeight - 1), clYellow);
    EXPECT_EQ(PixelAt(*bitmap, 60 + width, 2), clWhite);

    // A larger font is selected again before measuring.
    canvas.Font().SetHeight(-40);
    EXPECT_GT(canvas.TextWidth("Wg"), width);

    // TextRect clips to its rectangle.
    auto clipped = WhiteBitmap(60, 30);
    clipped->Canvas().Brush().SetStyle(bsClear);
    clipped->Canvas().Font().SetColor(clBlack);
    clipped->Canvas().TextRect(RECT{0, 0, 10, 30}, 0, 0, "WWWW");
    bool inked = false;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 10; ++x) inked |= PixelAt(*clipped, x, y) != clWhite;
    EXPECT_TRUE(inked);
    for (int y = 0; y < 30; ++y)
        for (int x = 10; x < 60; ++x) ASSERT_EQ(PixelAt(*clipped, x, y), clWhite) << x << "," << y;
}

TEST(CanvasTest, DrawStretchDrawAndCopyRectPlacePictures) {
    TBitmap tile(2, 2, pf32bit);
    tile.Canvas().Brush().SetColor(clRed);
    tile.Canvas().FillRect(RECT{0, 0, 2, 2});
    tile.Canvas().SetPixels(1, 1, clFuchsia);

    auto target = WhiteBitmap(8, 8);
    target->Canvas().Draw(1, 1, &tile);
    EXPECT_EQ(PixelAt(*target, 1, 1), clRed);
    EXPECT_EQ(PixelAt(*target, 2, 2), clFuchsia);
    EXPECT_EQ(PixelAt(*target, 3, 3), clWhite);

    target->Canvas().StretchDraw(RECT{4, 4, 8, 8}, &tile);
    EXPECT_EQ(PixelAt(*target, 5, 5), clRed);
    EXPECT_EQ(PixelAt(*target, 6, 6), clFuchsia);
    EXPECT_EQ(PixelAt(*target, 7, 7), clFuchsia);

    // A transparent bitmap leaves its transparent colour out.
    tile.SetTransparent(true);
    tile.SetTransparentColor(clFuchsia);
    auto keyed = WhiteBitmap(4, 4);
    keyed->Canvas().Draw(0, 0, &tile);
    EXPECT_EQ(PixelAt(*keyed, 0, 0), clRed);
    EXPECT_EQ(PixelAt(*keyed, 1, 1), clWhite);

    auto copy = WhiteBitmap(4, 4);
    copy->Canvas().CopyRect(RECT{0, 0, 2, 2}, target->Canvas(), RECT{1, 1, 3, 3});
    EXPECT_EQ(PixelAt(*copy, 0, 0), clRed);
    EXPECT_EQ(PixelAt(*copy, 1, 1), clFuchsia);
    EXPECT_EQ(PixelAt(*copy, 2, 2), clWhite);
}

TEST(CanvasTest, IconsBlendByTheirAlpha) {
    TIcon icon;
    icon.SetSize(2, 1);
    BYTE* row = icon.Image().ScanLine(0);
    const BYTE pixels[] = {0, 0, 255, 128, 0, 0, 255, 0};  // half-transparent red, invisible red
    std::memcpy(row, pixels, sizeof pixels);
    auto target = WhiteBitmap(2, 1);
    target->Canvas().Draw(0, 0, &icon);
    const BYTE* result = target->ScanLine(0);
    EXPECT_NEAR(result[2], 255, 1);
    EXPECT_NEAR(result[1], 127, 2);
    EXPECT_EQ(PixelAt(*target, 1, 0), clWhite);
}

TEST(CanvasTest, ChangeEventsAndLocking) {
    auto bitmap = WhiteBitmap(4, 4);
    TCanvas& canvas = bitmap->Canvas();
    int changing = 0, changed = 0;
    canvas.OnChanging = [&] { ++changing; };
    canvas.OnChange = [&] { ++changed; };
    canvas.FillRect(RECT{0, 0, 2, 2});
    canvas.TextOut(0, 0, "x");
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);

    canvas.Lock();
    canvas.Lock();
    EXPECT_EQ(canvas.LockCount(), 2);
    std::atomic<bool> otherGotIt{true};
    std::thread([&] { otherGotIt = canvas.TryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
    canvas.Unlock();
    canvas.Unlock();
    std::thread([&] {
        otherGotIt = canvas.TryLock();
        if (otherGotIt) canvas.Unlock();
    }).join();
    EXPECT_TRUE(otherGotIt);
}

TEST(CanvasTest, DrawingOnTheBitmapCanvasChangesTheBitmap) {
    TBitmap bitmap(3, 3, pf32bit);
    int changes = 0;
    bitmap.OnChange = [&] { ++changes; };
    bitmap.Canvas().FillRect(RECT{0, 0, 3, 3});
    EXPECT_EQ(changes, 1);
    bitmap.SetSize(5, 5);
    EXPECT_EQ(changes, 2);
    // The canvas follows the new pixels after a resize.
    bitmap.Canvas().Brush().SetColor(clNavy);
    bitmap.Canvas().FillRect(RECT{4, 4, 5, 5});
    EXPECT_EQ(PixelAt(bitmap, 4, 4), clNavy);
}

}  // namespace
}  // namespace parch
