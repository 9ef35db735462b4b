#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "bitmap32/Bitmap32Blend.h"
#include "bitmap32/Bitmap32LineFilters.h"
#include "bitmap32/Bitmap32Registry.h"

namespace parch {
namespace {

// The formulas, one channel at a time, written without the two-channels-per-word shortcuts.
int ModelMix255(int f, int b, int w) { return ((f * w + 128) >> 8) + ((b * (255 - w) + 128) >> 8); }

int ChannelOf(TColor32 c, int channel) { return static_cast<int>((c >> (8 * channel)) & 0xFF); }

TColor32 Pack(int b, int g, int r, int a) {
    return static_cast<TColor32>(b) | (static_cast<TColor32>(g) << 8) | (static_cast<TColor32>(r) << 16) |
           (static_cast<TColor32>(a) << 24);
}

// A foreground whose four channels carry f in different disguises, and a background likewise
// with b: every channel sees its own (f, b) pair, so carries between channels show.
TColor32 Foreground(int f, int alpha) { return Pack(f, 255 - f, f ^ 0x5A, alpha); }
TColor32 Background(int b) { return Pack(255 - b, b, b ^ 0xA5, b); }

TEST(BlendPortable, CombinePixelOverEveryTriple) {
    for (int w = 0; w < 256; ++w)
        for (int f = 0; f < 256; ++f)
            for (int b = 0; b < 256; ++b) {
                const TColor32 x = Foreground(f, f), y = Background(b);
                const TColor32 got = portable::CombinePixel(x, y, w);
                const TColor32 expected = w == 0 ? y : w == 255 ? x : 0;
                if (w == 0 || w == 255) {
                    if (got != expected) ADD_FAILURE() << "w " << w;
                    continue;
                }
                for (int c = 0; c < 4; ++c)
                    if (ChannelOf(got, c) != ModelMix255(ChannelOf(x, c), ChannelOf(y, c), w))
                        return ADD_FAILURE() << "CombinePixel w=" << w << " f=" << f << " b=" << b;
            }
}

TEST(BlendPortable, BlendPixelOverEveryTriple) {
    for (int a = 0; a < 256; ++a)
        for (int f = 0; f < 256; ++f)
            for (int b = 0; b < 256; ++b) {
                const TColor32 fg = Foreground(f, a), bg = Background(b);
                const TColor32 got = portable::BlendPixel(fg, bg);
                if (a == 0 || a == 255) {
                    if (got != (a == 0 ? bg : fg)) return ADD_FAILURE() << "alpha " << a;
                    continue;
                }
                for (int c = 0; c < 4; ++c)
                    if (ChannelOf(got, c) != ModelMix255(ChannelOf(fg, c), ChannelOf(bg, c), a))
                        return ADD_FAILURE() << "BlendPixel a=" << a << " f=" << f << " b=" << b;
            }
    EXPECT_EQ(portable::BlendPixel(0x80FF0000u, 0xFF0000FFu), 0xBF80007Fu);
}

TEST(BlendPortable, WeightedBlendMixesAlphaLikeTheColours) {
    // The weight ((M + 1) * A) shr 8 over every master alpha and pixel alpha ...
    for (int m = 0; m < 256; ++m)
        for (int a = 0; a < 256; ++a) {
            const TColor32 fg = Foreground(200, a), bg = Background(30);
            const int w = ((m + 1) * a) >> 8;
            const TColor32 got = portable::BlendPixelWeighted(fg, bg, m);
            if (a == 0 || w == 0) {
                if (got != bg) return ADD_FAILURE() << "m " << m << " a " << a;
                continue;
            }
            for (int c = 0; c < 4; ++c)
                if (ChannelOf(got, c) != ModelMix255(ChannelOf(fg, c), ChannelOf(bg, c), w))
                    return ADD_FAILURE() << "m " << m << " a " << a << " channel " << c;
        }
    // ... and every channel pair under every weight that arises with M = 254.
    for (int a = 1; a < 256; ++a)
        for (int f = 0; f < 256; ++f)
            for (int b = 0; b < 256; b += 3) {
                const TColor32 fg = Foreground(f, a), bg = Background(b);
                const int w = (255 * a) >> 8;
                const TColor32 got = portable::BlendPixelWeighted(fg, bg, 254);
                const TColor32 expected =
                    w == 0 ? bg
                           : Pack(ModelMix255(ChannelOf(fg, 0), ChannelOf(bg, 0), w), ModelMix255(ChannelOf(fg, 1), ChannelOf(bg, 1), w),
                                  ModelMix255(ChannelOf(fg, 2), ChannelOf(bg, 2), w), ModelMix255(a, ChannelOf(bg, 3), w));
                if (got != expected) return ADD_FAILURE() << "a " << a << " f " << f << " b " << b;
            }
    // Half-transparent drawing over an opaque background stays opaque.
    EXPECT_EQ(portable::BlendPixelWeighted(0xFFFF0000u, 0xFF0000FFu, 128) >> 24, 0xFFu);
}

TEST(BlendPortable, ChannelOperationsOverEveryPair) {
    struct Op {
        const char* Name;
        TChannelsProc* Routine;
        std::function<int(int, int)> Model;
    };
    const Op ops[] = {
        {"Max", portable::MaxChannels, [](int a, int b) { return std::max(a, b); }},
        {"Min", portable::MinChannels, [](int a, int b) { return std::min(a, b); }},
        {"Average", portable::AverageChannels, [](int a, int b) { return (a + b) / 2; }},
        {"Add", portable::AddChannels, [](int a, int b) { return std::min(a + b, 255); }},
        {"Subtract", portable::SubtractChannels, [](int a, int b) { return std::max(a - b, 0); }},
        {"Divide", portable::DivideChannels, [](int a, int b) { return a == 0 ? 255 : std::min(b * 256 / a, 255); }},
        {"Modulate", portable::ModulateChannels, [](int a, int b) { return a * b / 256; }},
        {"Difference", portable::DifferenceChannels, [](int a, int b) { return std::abs(a - b); }},
        {"Exclusion", portable::ExclusionChannels, [](int a, int b) { return a + b - a * b / 128; }},
    };
    for (const Op& op : ops)
        for (int f = 0; f < 256; ++f)
            for (int b = 0; b < 256; ++b) {
                const TColor32 c1 = Foreground(f, f), c2 = Background(b);
                const TColor32 got = op.Routine(c1, c2);
                for (int c = 0; c < 4; ++c)
                    if (ChannelOf(got, c) != op.Model(ChannelOf(c1, c), ChannelOf(c2, c)))
                        return ADD_FAILURE() << op.Name << " " << f << " " << b;
            }
    EXPECT_EQ(portable::DivideChannels(0, 0x12345678u), 0xFFFFFFFFu);
    EXPECT_EQ(portable::ExclusionChannels(0xFFFFFFFFu, 0xFFFFFFFFu), 0x02020202u);
}

TEST(BlendPortable, ScaleChannelsOverEveryWeight) {
    for (int w = 0; w < 600; ++w)
        for (int v = 0; v < 256; ++v) {
            const TColor32 got = portable::ScaleChannels(Foreground(v, v), w);
            for (int c = 0; c < 4; ++c)
                if (ChannelOf(got, c) != std::min(ChannelOf(Foreground(v, v), c) * w / 256, 255))
                    return ADD_FAILURE() << "w " << w << " v " << v;
        }
    EXPECT_EQ(portable::ScaleChannels(0xFF808080u, 256), 0xFF808080u);
}

// The merge's formula with its two divisions done in floating point: Round(a * b / 255) for
// the premultiplication and Round(255 * v / r), ties to even, for the division by the alpha.
TColor32 ModelMerge(TColor32 f, TColor32 b) {
    const int fa = ChannelOf(f, 3), ba = ChannelOf(b, 3);
    auto div = [](int x, int y) { return static_cast<int>(std::floor(x * y / 255.0 + 0.5)); };
    if (fa == 0) return b;
    if (ba == 255) return portable::BlendPixel(f, b) | 0xFF000000u;
    if (fa == 255 || ba == 0) return f;
    const int ra = fa + ba - div(ba, fa);
    int channels[3];
    for (int c = 0; c < 3; ++c) {
        const int bc = div(ba, ChannelOf(b, c));
        const int d = ChannelOf(f, c) - bc;
        const int p = d >= 0 ? bc + div(fa, d) : bc - div(fa, -d);
        channels[c] = std::min(255, static_cast<int>(std::nearbyint(255.0 * p / ra)));
    }
    return Pack(channels[0], channels[1], channels[2], ra);
}

TEST(BlendPortable, MergeOverEveryAlphaPair) {
    std::mt19937 random(7);
    for (int fa = 0; fa < 256; ++fa)
        for (int ba = 0; ba < 256; ++ba)
            for (int sample = 0; sample < 4; ++sample) {
                const TColor32 f = (random() & 0x00FFFFFF) | (static_cast<TColor32>(fa) << 24);
                const TColor32 b = (random() & 0x00FFFFFF) | (static_cast<TColor32>(ba) << 24);
                const TColor32 got = portable::MergePixel(f, b);
                if (got != ModelMerge(f, b))
                    return ADD_FAILURE() << std::hex << "merge " << f << " over " << b << ": " << got << " against "
                                         << ModelMerge(f, b);
                if (ba == 255 && (got >> 24) != 255) return ADD_FAILURE() << "an opaque background stays opaque";
                if (portable::MergePixelWeighted(f, b, 255) != got) return ADD_FAILURE() << "weight 255 is the plain merge";
            }
    // Over a half-covered background, a half-covered colour: the result is more covered than
    // either and lies between the two colours.
    const TColor32 merged = portable::MergePixel(0x80FF0000u, 0x800000FFu);
    EXPECT_EQ(merged >> 24, 0xC0u);
    EXPECT_GT(ChannelOf(merged, 2), ChannelOf(merged, 0));
}

// ---- vector variants against the portable ones --------------------------------------------------

class BlendVariants : public ::testing::TestWithParam<TCpuFeature> {
protected:
    void SetUp() override {
        if (!HasFeature(CpuFeatures(), GetParam())) GTEST_SKIP() << "the processor lacks this instruction set";
    }
    // The variant of exactly this feature, or nullptr when the routine has none.
    template <class F>
    F* Variant(const TFunctionRegistry& registry, int id) const {
        const TCpuFeatures wanted = FeatureSet(GetParam());
        return registry.Find<F>(id, [wanted](const TFunctionInfo& v) { return v.Features == wanted ? 0 : NoPriority; });
    }
    template <class F>
    F* Portable(const TFunctionRegistry& registry, int id) const {
        return registry.Find<F>(id, [](const TFunctionInfo& v) { return v.Features == 0 ? 0 : NoPriority; });
    }
};

// Rows of 256 pixels carrying every (f, b, w) triple in one sweep: for each weight and each f
// the background runs over all b, and the alpha over all values as the weight changes; counts
// below 256 make the tails of the vector loops work too.
TEST_P(BlendVariants, RowsMatchPortableOverEveryTriple) {
    const TFunctionRegistry& registry = *BlendBindings().Registry;
    auto* blendRow = Variant<TBlendRowProc>(registry, idBlendRow);
    auto* blendRowWeighted = Variant<TBlendRowWeightedProc>(registry, idBlendRowWeighted);
    auto* combineRow = Variant<TBlendRowWeightedProc>(registry, idCombineRow);
    ASSERT_TRUE(blendRow && blendRowWeighted && combineRow);
    TColor32 src[256], dst[256], a[256], b[256];
    for (int i = 0; i < 256; ++i) dst[i] = Background(i);
    auto same = [&](int count) { return std::equal(a, a + count, b); };
    for (int w = 0; w < 256; ++w) {
        const int count = 256 - (w % 5);
        for (int f = 0; f < 256; ++f) {
            for (int i = 0; i < 256; ++i) src[i] = Foreground(f, (i * 7 + w) & 0xFF);
            std::copy_n(dst, 256, a);
            std::copy_n(dst, 256, b);
            blendRow(src, a, count);
            portable::BlendRow(src, b, count);
            if (!same(count)) return (void)(ADD_FAILURE() << "BlendRow w " << w << " f " << f);
            std::copy_n(dst, 256, a);
            std::copy_n(dst, 256, b);
            blendRowWeighted(src, a, count, w);
            portable::BlendRowWeighted(src, b, count, w);
            if (!same(count)) return (void)(ADD_FAILURE() << "BlendRowWeighted m " << w << " f " << f);
            std::copy_n(dst, 256, a);
            std::copy_n(dst, 256, b);
            combineRow(src, a, count, w);
            portable::CombineRow(src, b, count, w);
            if (!same(count)) return (void)(ADD_FAILURE() << "CombineRow w " << w << " f " << f);
        }
    }
}

TEST_P(BlendVariants, PixelRoutinesMatchPortable) {
    const TFunctionRegistry& registry = *BlendBindings().Registry;
    TBlendPixelProc* pixel = Variant<TBlendPixelProc>(registry, idBlendPixel);
    TBlendPixelWeightedProc* weighted = Variant<TBlendPixelWeightedProc>(registry, idBlendPixelWeighted);
    TBlendPixelWeightedProc* combine = Variant<TBlendPixelWeightedProc>(registry, idCombinePixel);
    if (!pixel && !weighted && !combine) GTEST_SKIP() << "no single-pixel variants for this instruction set";
    std::mt19937 random(3);
    for (int i = 0; i < 200000; ++i) {
        const TColor32 f = random(), b = random();
        const int w = static_cast<int>(random() & 0xFF);
        if (pixel) {
            ASSERT_EQ(pixel(f, b), portable::BlendPixel(f, b)) << std::hex << f << " " << b;
        }
        if (weighted) {
            ASSERT_EQ(weighted(f, b, w), portable::BlendPixelWeighted(f, b, w));
        }
        if (combine) {
            ASSERT_EQ(combine(f, b, w), portable::CombinePixel(f, b, w));
        }
    }
    for (int a : {0, 255})
        for (int w : {0, 255}) {
            const TColor32 f = Pack(0, 255, 7, a), b = Pack(255, 0, 9, 255 - a);
            if (pixel) {
            EXPECT_EQ(pixel(f, b), portable::BlendPixel(f, b));
        }
            if (combine) {
            EXPECT_EQ(combine(f, b, w), portable::CombinePixel(f, b, w));
        }
        }
}

TEST_P(BlendVariants, ChannelRoutinesMatchPortableOverEveryPair) {
    const TFunctionRegistry& registry = *BlendBindings().Registry;
    for (int id = idMaxChannels; id <= idExclusionChannels; ++id) {
        auto* variant = Variant<TChannelsProc>(registry, id);
        if (!variant) continue;
        auto* reference = Portable<TChannelsProc>(registry, id);
        for (int f = 0; f < 256; ++f)
            for (int b = 0; b < 256; ++b)
                if (variant(Foreground(f, b), Background(b)) != reference(Foreground(f, b), Background(b)))
                    return (void)(ADD_FAILURE() << "routine " << id << " " << f << " " << b);
    }
    if (auto* scale = Variant<TScaleChannelsProc>(registry, idScaleChannels)) {
        for (int w = -2; w < 600; ++w) {
            for (int v = 0; v < 256; ++v) {
                ASSERT_EQ(scale(Foreground(v, v), w), portable::ScaleChannels(Foreground(v, v), w)) << w << " " << v;
            }
        }
    }
}

TEST_P(BlendVariants, LineFiltersMatchTheSimpleLoops) {
    const TFunctionRegistry& registry = *LineFilterBindings().Registry;
    for (int id = idAndPixelsTo; id <= idXorPixelsTo; ++id) {
        auto* variant = Variant<TLogicalPixelsToProc>(registry, id);
        if (!variant) continue;
        auto* reference = Portable<TLogicalPixelsToProc>(registry, id);
        for (int count : {0, 1, 7, 16, 17, 33, 100}) {
            std::vector<std::uint32_t> src(101), a(101, 0xDEADBEEFu), b(101, 0xDEADBEEFu);
            for (int i = 0; i < 101; ++i) src[i] = static_cast<std::uint32_t>(i * 2654435761u);
            variant(src.data(), a.data(), count, 0x0F0F00FFu);
            reference(src.data(), b.data(), count, 0x0F0F00FFu);
            EXPECT_EQ(a, b) << "filter " << id << " count " << count;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Simd, BlendVariants, ::testing::Values(cfSSE2, cfAVX2),
                         [](const ::testing::TestParamInfo<TCpuFeature>& info) {
                             return info.param == cfSSE2 ? std::string("SSE2") : std::string("AVX2");
                         });

TEST(LineFilters, InPlaceAndOutOfPlace) {
    std::vector<std::uint32_t> pixels(17);
    for (int i = 0; i < 17; ++i) pixels[i] = static_cast<std::uint32_t>(i * 0x01020304);
    const std::vector<std::uint32_t> original = pixels;
    XorPixels(pixels.data(), 0xA5A5A5A5u, 17);
    EXPECT_NE(pixels, original);
    XorPixels(pixels.data(), 0xA5A5A5A5u, 17);
    EXPECT_EQ(pixels, original);
    OrPixelsTo(pixels.data(), pixels.data(), 17, 0xFF000000u);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(pixels[i], original[i] | 0xFF000000u);
    std::vector<std::uint32_t> out(18, 7);
    AndPixelsTo(pixels.data(), out.data(), 17, 0x00FF00FFu);
    AndPixels(pixels.data(), 0x00FF00FFu, 17);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), out.begin()));
    EXPECT_EQ(out[17], 7u);
}

}  // namespace
}  // namespace parch
