// What the image control composes, read from the screen: the demonstration form against
// ImageMagick's Catrom resize of the same page (tools/make_resample_fixtures.py), tiling, the
// stage list, and composition into another bitmap.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/display/PngFile.h"
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

}  // namespace
}  // namespace parch
