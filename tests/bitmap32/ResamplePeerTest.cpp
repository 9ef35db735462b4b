// Our resamplers against Pillow and ImageMagick on a rendered text page and a synthetic
// picture (tools/make_resample_fixtures.py). Peers differ from us in rounding (our two-pass sum
// is truncated to 8 bits, theirs rounded: a bias below one level wherever a pixel is not flat)
// and in clamping between their two passes, which shows on single edge pixels. The bounds hold
// the mean and the 99.9th percentile of the channel differences just above what this code
// gives, so a change in the arithmetic shows.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "ResampleTestSupport.h"
#include "bitmap32/Bitmap32Resamplers.h"

namespace parch {
namespace {

using namespace resample_test;

struct PeerCase {
    const char* Name;       // test name
    const char* Source;     // page or picture
    const char* Result;     // file name of the peer's result
    int Width, Height;
    const char* Resampler;  // resampler class
    const char* Kernel;     // kernel class, for the kernel resampler
    double MaxMean;
    int MaxPercentile;
};

const char* const kFolder = "tests/bitmap32/fixtures/resample/";

std::unique_ptr<TCustomBitmap32> OurResize(const PeerCase& c) {
    auto src = LoadPng(std::string(kFolder) + c.Source + ".png");
    src->SetResamplerClassName(c.Resampler);
    if (auto* kernelResampler = dynamic_cast<TKernelResampler*>(src->Resampler())) {
        kernelResampler->SetKernelClassName(c.Kernel);
        if (auto* sinc = dynamic_cast<TWindowedSincKernel*>(&kernelResampler->Kernel())) sinc->SetWidth(3.0f);
    }
    auto dst = std::make_unique<TCustomBitmap32>();
    dst->SetSize(c.Width, c.Height);
    src->DrawOnto(dst.get(), RECT{0, 0, c.Width, c.Height});
    return dst;
}

class ResamplePeers : public ::testing::TestWithParam<PeerCase> {};

TEST_P(ResamplePeers, StaysCloseToThePeer) {
    const PeerCase& c = GetParam();
    const auto ours = OurResize(c);
    const auto theirs = LoadPng(std::string(kFolder) + c.Result + ".png");
    const Difference d = Compare(*ours, *theirs);
    // PARCH_RESAMPLE_REPORT=1 prints every comparison, for calibrating against new peers.
    if (std::getenv("PARCH_RESAMPLE_REPORT"))
        std::printf("%-26s mean %.4f  p99.9 %d  max %d\n", c.Name, d.Mean, d.Percentile999, d.Max);
    EXPECT_LE(d.Mean, c.MaxMean) << "99.9th percentile " << d.Percentile999 << ", max " << d.Max;
    EXPECT_LE(d.Percentile999, c.MaxPercentile) << "mean " << d.Mean << ", max " << d.Max;
}

const PeerCase kPeerCases[] = {
    {"PageCubicPillow", "page", "page-cubic-227x293-pillow", 227, 293, "TKernelResampler", "TCubicKernel", 0.04, 2},
    {"PageCubicMagick", "page", "page-cubic-227x293-magick", 227, 293, "TKernelResampler", "TCubicKernel", 0.04, 2},
    {"PageCubicSmallPillow", "page", "page-cubic-153x198-pillow", 153, 198, "TKernelResampler", "TCubicKernel", 0.04, 2},
    {"PageCubicSmallMagick", "page", "page-cubic-153x198-magick", 153, 198, "TKernelResampler", "TCubicKernel", 0.04, 2},
    {"PageLanczosPillow", "page", "page-lanczos-227x293-pillow", 227, 293, "TKernelResampler", "TLanczosKernel", 0.04, 2},
    {"PageLanczosMagick", "page", "page-lanczos-227x293-magick", 227, 293, "TKernelResampler", "TLanczosKernel", 0.04, 2},
    {"PageMitchellMagick", "page", "page-mitchell-227x293-magick", 227, 293, "TKernelResampler", "TMitchellKernel", 0.04, 2},
    {"PageLinearPillow", "page", "page-linear-227x293-pillow", 227, 293, "TLinearResampler", "", 0.07, 6},
    {"PictureCubicUpPillow", "picture", "picture-cubic-300x225-pillow", 300, 225, "TKernelResampler", "TCubicKernel", 0.4, 10},
    {"PictureCubicUpMagick", "picture", "picture-cubic-300x225-magick", 300, 225, "TKernelResampler", "TCubicKernel", 0.1, 10},
    {"PictureCubicDownPillow", "picture", "picture-cubic-80x60-pillow", 80, 60, "TKernelResampler", "TCubicKernel", 0.42, 5},
    {"PictureCubicDownMagick", "picture", "picture-cubic-80x60-magick", 80, 60, "TKernelResampler", "TCubicKernel", 0.07, 5},
    {"PictureLanczosUpPillow", "picture", "picture-lanczos-300x225-pillow", 300, 225, "TKernelResampler", "TLanczosKernel", 0.5, 20},
    {"PictureLanczosUpMagick", "picture", "picture-lanczos-300x225-magick", 300, 225, "TKernelResampler", "TLanczosKernel", 0.2, 20},
    {"PictureMitchellUpMagick", "picture", "picture-mitchell-300x225-magick", 300, 225, "TKernelResampler", "TMitchellKernel", 0.06, 6},
    {"PictureLinearUpPillow", "picture", "picture-linear-300x225-pillow", 300, 225, "TLinearResampler", "", 0.8, 3},
    {"PictureLinearDownPillow", "picture", "picture-linear-80x60-pillow", 80, 60, "TLinearResampler", "", 0.45, 11},
};

INSTANTIATE_TEST_SUITE_P(Peers, ResamplePeers, ::testing::ValuesIn(kPeerCases),
                         [](const ::testing::TestParamInfo<PeerCase>& info) { return std::string(info.param.Name); });

// Integer reductions average whole blocks, as Pillow's reduce does; it rounds where we truncate.
TEST(ResamplePeersDraft, IntegerFactorsMatchPillowReduceWithinOne) {
    for (int factor : {2, 4}) {
        auto src = LoadPng(std::string(kFolder) + "page.png");
        src->SetResamplerClassName("TDraftResampler");
        auto dst = std::make_unique<TCustomBitmap32>();
        dst->SetSize(340 / factor, 440 / factor);
        src->DrawOnto(dst.get(), dst->BoundsRect());
        const auto theirs = LoadPng(std::string(kFolder) + "page-reduce" + std::to_string(factor) + "-pillow.png");
        EXPECT_LE(Compare(*dst, *theirs).Max, 1) << "factor " << factor;
    }
}

}  // namespace
}  // namespace parch
