// What the image control composes, read from the screen: the demonstration form against
// ImageMagick's Catrom resize of the same page (tools/make_resample_fixtures.py), tiling, the
// stage list, and composition into another bitmap.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/display/PngFile.h"
#include "tests/platform/display/OnScreenCheck.h"
#include "tests/bitmap32/view/ViewFixture.h"

namespace parch {
namespace {

using namespace view_test;
using resample_test::Compare;
using resample_test::Difference;
using resample_test::LoadPng;
using resample_test::MakeBitmap;

constexpr std::uint32_t kSilver = 0xC0C0C0;

class ImageComposition : public ViewFixture {};

TEST_F(ImageComposition, DemoFormShowsTheCentredPageScaledLikeImageMagickOnSilver) {
    struct Case {
        int clientWidth, clientHeight;
        float scale;
        const char* peer;  // the page resized by ImageMagick to the size the scale gives
        int width, height;
    };
    const Case cases[] = {
        {400, 400, 0.6665f, "page-cubic-227x293-magick", 227, 293},
        {301, 350, 0.6665f, "page-cubic-227x293-magick", 227, 293},
        {250, 320, 0.45f, "page-cubic-153x198-magick", 153, 198},
        {160, 203, 0.45f, "page-cubic-153x198-magick", 153, 198},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.clientWidth) + "x" + std::to_string(c.clientHeight));
        TImage32* image = ShowDemoForm(c.clientWidth, c.clientHeight);
        ASSERT_NE(image, nullptr);
        image->SetScale(c.scale);
        display.PumpMessages();
        ASSERT_EQ(image->Width(), c.clientWidth);
        const int left = (c.clientWidth - c.width) / 2, top = (c.clientHeight - c.height) / 2;
        const RECT expected{left, top, left + c.width, top + c.height};
        ASSERT_TRUE(EqualRect(image->ViewRect(), expected));

        const std::vector<std::uint32_t> shown = ControlPixels(form, image);
        if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
            WindowPixels pixels(form);
            SavePng(pixels.Picture(), (std::filesystem::path(keep) / ("image32-demo-" + std::to_string(c.clientWidth) +
                                                                      "x" + std::to_string(c.clientHeight) + ".png"))
                                          .string());
        }
        std::vector<TColor32> page;
        int wrongBackground = 0;
        for (int y = 0; y < c.clientHeight; ++y)
            for (int x = 0; x < c.clientWidth; ++x) {
                const std::uint32_t pixel = shown[static_cast<std::size_t>(y) * c.clientWidth + x];
                if (x >= left && x < left + c.width && y >= top && y < top + c.height)
                    page.push_back(0xFF000000u | pixel);
                else if (pixel != kSilver)
                    ++wrongBackground;
            }
        EXPECT_EQ(wrongBackground, 0);
        const auto theirs = LoadPng(std::string("tests/bitmap32/fixtures/resample/") + c.peer + ".png");
        const Difference d = Compare(*MakeBitmap(c.width, c.height, page), *theirs);
        // The bounds the resampler keeps against the same peer on its own.
        EXPECT_LE(d.Mean, 0.04) << "p99.9 " << d.Percentile999 << ", max " << d.Max;
        EXPECT_LE(d.Percentile999, 2) << "mean " << d.Mean << ", max " << d.Max;
        delete form;
    }
}

TEST_F(ImageComposition, DemoFormOnARealScreenLooksAsOnTheHeadlessOne) {
    if (!onscreen::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    TImage32* image = ShowDemoForm(360, 420);
    image->SetScale(std::min(360.0f / 340.0f, std::min(420.0f / 440.0f, 1.0f)));  // as the preview fits a page
    display.PumpMessages();
    HBITMAP picture = CaptureWindow(form->Handle());
    EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "image32-demo"), "");
    DeleteObject(picture);
    delete form;
}

class ImageStages : public ViewFixture {
protected:
    TImage32* ShowImage(int width, int height) {
        form = MakeForm(300, 200);
        auto* image = Child<TImage32>(form, 0, 0, width, height);
        image->SetColor(clSilver);
        Show(form);
        return image;
    }
    std::uint32_t ScreenAt(TControl* control, int x, int y) {
        const COLORREF c = WindowPixels(form).At(control, x, y);
        return (std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c);
    }
};

TEST_F(ImageStages, TilingRepeatsTheBitmapAcrossTheControl) {
    TImage32* image = ShowImage(100, 50);
    image->Bitmap().SetSize(30, 20);
    image->Bitmap().Clear(Color32(0, 0, 0xFF));
    image->Bitmap().SetPixel(0, 0, Color32(0xFF, 0, 0));
    image->SetBitmapAlign(baTile);
    display.PumpMessages();
    const std::vector<std::uint32_t> shown = ControlPixels(form, image);
    std::vector<POINT> marks;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x) {
            const std::uint32_t pixel = shown[static_cast<std::size_t>(y) * 100 + x];
            if (pixel == 0xFF0000) marks.push_back({x, y});
            else EXPECT_EQ(pixel, 0x0000FFu) << x << "," << y;
        }
    // Columns 0-3 and rows 0-2, the last ones clipped by the control.
    ASSERT_EQ(marks.size(), 12u);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(marks[static_cast<std::size_t>(j * 4 + i)].x, i * 30);
            EXPECT_EQ(marks[static_cast<std::size_t>(j * 4 + i)].y, j * 20);
        }
}

TEST_F(ImageStages, PaintIntoDrawsIntoTheRectangleAndClearsTheWholeDestination) {
    TImage32* image = ShowImage(40, 40);
    image->Bitmap().SetResamplerClassName("TLinearResampler");
    image->Bitmap().SetSize(25, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 25; ++x) image->Bitmap().SetPixel(x, y, Color32(x * 10, y * 5, 0x80));
    image->SetRepaintMode(rmDirect);
    image->InvalidAreas().Add(RECT{0, 0, 5, 5});  // pending for the control's own buffer
    const RECT ownView = image->ViewRect();

    TBitmap32 dest;
    dest.SetSize(100, 100);
    dest.Clear(Color32(0xFF, 0, 0));
    const RECT target{10, 10, 60, 35};
    image->PaintInto(&dest, target);

    TBitmap32 expected;
    expected.SetSize(100, 100);
    expected.Clear(ToColor32(clSilver));
    image->Bitmap().DrawOnto(&expected, target);
    int differing = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (dest.GetPixel(x, y) != expected.GetPixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(image->RepaintMode(), rmDirect);
    EXPECT_TRUE(EqualRect(image->ViewRect(), ownView));
}

TEST_F(ImageStages, AnEmptiedStageListKeepsTheBufferAsItWas) {
    TImage32* image = ShowImage(60, 60);
    image->Bitmap().SetSize(20, 20);
    image->Bitmap().Clear(Color32(0, 0x80, 0));
    display.PumpMessages();
    const std::vector<std::uint32_t> before = ControlPixels(form, image);
    image->PaintStages().Clear();
    image->Bitmap().Clear(Color32(0xFF, 0xFF, 0));
    image->SetBitmapAlign(baCenter);
    display.PumpMessages();
    EXPECT_FALSE(image->Bitmap().Empty());
    EXPECT_EQ(ControlPixels(form, image), before);
}

TEST_F(ImageStages, ABlendedBitmapHasTheWholeBackgroundClearedFirst) {
    TImage32* image = ShowImage(60, 60);
    image->Bitmap().SetSize(20, 20);
    image->Bitmap().Clear(Color32(0xFF, 0, 0));
    display.PumpMessages();
    EXPECT_EQ(ScreenAt(image, 5, 5), 0xFF0000u);
    image->Bitmap().SetDrawMode(dmBlend);
    image->Bitmap().Clear(0x00000000u);  // fully transparent
    display.PumpMessages();
    EXPECT_EQ(ScreenAt(image, 5, 5), 0xC0C0C0u);
    EXPECT_EQ(ScreenAt(image, 40, 40), 0xC0C0C0u);
}

}  // namespace
}  // namespace parch
