#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "base/SysUtils.h"
#include "platform/gdi/PngFile.h"
#include "skin/engine/sBitmapUtils.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::ChannelOf;
using test::PixelAt;

std::unique_ptr<TBitmap> ReadPngFixture(const std::string& name) {
    return test::ReadPngFile("tests/skin/engine/paint/" + name);
}

// Linear filtering against Pillow's BILINEAR on a mirrored copy of the source, sampled at the
// same positions: up, down and mixed. Pillow rounds after each pass where the resampler cuts,
// which may differ by one per pass.
TEST(Resample, TriangleFilterMatchesPillowBilinear) {
    for (auto [w, h] : {std::pair{74, 46}, {60, 23}, {37, 60}, {20, 11}, {9, 17}, {30, 30}}) {
        auto source = ReadPngFixture("source.png");
        auto expected = ReadPngFixture("bilinear-" + std::to_string(w) + "x" + std::to_string(h) + ".png");
        ASSERT_TRUE(source && expected);
        TBitmap scaled;
        ResampleBitmap(*source, scaled, w, h, 1);
        ASSERT_EQ(scaled.Width(), w);
        ASSERT_EQ(scaled.Height(), h);
        int worst = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c)
                    worst = std::max(worst, std::abs(ChannelOf(PixelAt(scaled, x, y), c) - ChannelOf(PixelAt(*expected, x, y), c)));
        EXPECT_LE(worst, 2) << w << "x" << h;
    }
}

// The filters of the other kinds, evaluated in floating point with each pixel's weights
// normalised, as a direct two-dimensional sum.
double Kernel(int kind, double h) {
    switch (kind) {
        case 2: return h * h * (2 * h - 3) + 1;
        case 3: return h < 0.5 ? 0.75 - h * h : 0.5 * (h - 1.5) * (h - 1.5);
        case 4: return h < 1 ? h * h * (h / 2 - 1) + 2.0 / 3 : std::pow(2 - h, 3) / 6;
        case 5: return h == 0 ? 1 : std::sin(std::numbers::pi * h) * std::sin(h) / (std::numbers::pi * h * h);
        default: return h < 1 ? h * h * (7.0 / 6 * h - 2) + 8.0 / 9 : h * h * (-7.0 / 18 * h + 2) - 10.0 / 3 * h + 16.0 / 9;
    }
}

std::vector<std::pair<int, double>> ModelWeights(int kind, int size, int newSize, int i) {
    const double support[] = {0.51, 1, 1, 1.5, 2, 3, 2};
    double d = newSize < size ? static_cast<double>(newSize) / size : 1;
    double c = static_cast<float>(static_cast<double>(size) * i / newSize);
    std::vector<std::pair<int, double>> weights;
    double total = 0;
    for (int j = static_cast<int>(std::floor(c - support[kind] / d)); j <= std::ceil(c + support[kind] / d); ++j) {
        double h = std::fabs(c - j) * d;
        if (h >= support[kind]) continue;
        int mirrored = j < 0 ? -j : (j >= size ? 2 * size - 1 - j : j);
        weights.emplace_back(mirrored, Kernel(kind, h));
        total += Kernel(kind, h);
    }
    for (auto& weight : weights) weight.second /= total;
    return weights;
}

TEST(Resample, OtherKindsMatchAFloatingPointModel) {
    auto source = ReadPngFixture("source.png");
    ASSERT_TRUE(source);
    for (int kind = 2; kind <= 6; ++kind)
        for (auto [w, h] : {std::pair{50, 31}, {25, 15}}) {
            TBitmap scaled;
            auto copy = NewPf32Bitmap(0, 0);
            copy->Assign(source.get());
            ResampleBitmap(*copy, scaled, w, h, kind);
            int worst = 0;
            for (int y = 0; y < h; ++y) {
                auto rows = ModelWeights(kind, source->Height(), h, y);
                for (int x = 0; x < w; ++x) {
                    auto columns = ModelWeights(kind, source->Width(), w, x);
                    for (int c = 0; c < 3; ++c) {
                        double sum = 0;
                        for (auto [sy, wy] : rows) {
                            double across = 0;
                            for (auto [sx, wx] : columns) across += wx * ChannelOf(PixelAt(*source, sx, sy), c);
                            sum += wy * std::clamp(across, 0.0, 255.0);
                        }
                        worst = std::max(worst, std::abs(ChannelOf(PixelAt(scaled, x, y), c) - static_cast<int>(std::clamp(sum, 0.0, 255.0))));
                    }
                }
            }
            EXPECT_LE(worst, 2) << "kind " << kind << " " << w << "x" << h;
        }
}

// Flat areas stay flat when shrinking: each pixel's weights sum to one.
TEST(Resample, ShrinkingAFlatPictureKeepsItFlat) {
    for (int kind = 0; kind < kResampleFilterCount; ++kind) {
        auto grey = FilledBitmap(40, 40, 0xFFC8C8C8u);
        TBitmap scaled;
        ResampleBitmap(*grey, scaled, 30, 30, kind);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) ASSERT_EQ(PixelAt(scaled, x, y), 0xFFC8C8C8u) << kind << " " << x << "," << y;
    }
}

TEST(Resample, SizesAndErrors) {
    auto picture = FilledBitmap(4, 4, 0xFF102030u);
    TBitmap untouched;
    ResampleBitmap(*picture, untouched, 0, 5, 1);
    ResampleBitmap(*picture, untouched, 5, -1, 1);
    EXPECT_TRUE(untouched.Empty());
    auto line = FilledBitmap(1, 10, 0u);
    try {
        ResampleBitmap(*line, untouched, 5, 5, 1);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Source bitmap is too small");
    }
    TBitmap same;
    ResampleBitmap(*picture, same, 4, 4, 1);
    EXPECT_EQ(PixelAt(same, 3, 3), 0xFF102030u);
    // Doubling 2 x 2 keeps the corner that sits on a sample position.
    auto corners = FilledBitmap(2, 2, 0xFF000000u);
    PixelAt(*corners, 1, 0) = 0xFFFFFFFFu;
    TBitmap doubled;
    ResampleBitmap(*corners, doubled, 4, 4, 1);
    EXPECT_EQ(PixelAt(doubled, 0, 0), 0xFF000000u);
    EXPECT_EQ(PixelAt(doubled, 2, 0), 0xFFFFFFFFu);
    EXPECT_EQ(ChannelOf(PixelAt(doubled, 1, 0), 0), 127);
}

TEST(BitmapUtils, QuarterTurnsAndMaskedImages) {
    auto picture = NewPf32Bitmap(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) PixelAt(*picture, x, y) = static_cast<std::uint32_t>(y * 3 + x);
    auto turned = RotateBitmap90(*picture, true);
    ASSERT_EQ(turned->Width(), 2);
    ASSERT_EQ(turned->Height(), 3);
    EXPECT_EQ(PixelAt(*turned, 1, 0), 0u);  // (0, 0) goes to (H - 1 - 0, 0)
    EXPECT_EQ(PixelAt(*turned, 0, 2), 5u);
    auto back = RotateBitmap90(*turned, false);
    EXPECT_EQ(PixelAt(*back, 2, 1), 5u);
    auto grey = NewPf32Bitmap(2, 2);
    grey->SetPixelFormat(pf24bit);
    EXPECT_EQ(RotateBitmap90(*grey, true), nullptr);

    auto masked = FilledBitmap(10, 21, 0xFF336699u);
    for (int x = 0; x < 10; ++x) PixelAt(*masked, x, 10) = 0xFF00FF00u | static_cast<std::uint32_t>(x * 20 << 16);
    auto split = SplitMaskedImage(*masked, RECT{0, 0, 10, 21});
    ASSERT_EQ(split->Height(), 10);
    EXPECT_EQ(PixelAt(*split, 3, 0), 0x00336699u | static_cast<std::uint32_t>(255 - 60) << 24);
    EXPECT_EQ(SplitMaskedImage(*masked, RECT{0, 0, 10, 1}), nullptr);
}

}  // namespace
}  // namespace parch
