#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <random>

#include "ResampleTestSupport.h"
#include "bitmap32/Bitmap32Blend.h"
#include "bitmap32/Bitmap32Registry.h"
#include "bitmap32/Bitmap32Resamplers.h"

namespace parch {
namespace {

using namespace resample_test;

TKernelResampler* UseKernel(TCustomBitmap32& bitmap, const char* kernelClass) {
    bitmap.SetResamplerClassName("TKernelResampler");
    auto* resampler = dynamic_cast<TKernelResampler*>(bitmap.Resampler());
    resampler->SetKernelClassName(kernelClass);
    return resampler;
}

// ---- mapping tables --------------------------------------------------------------------------

TEST(MappingTable, ShrinkEnlargeAndSingleColumn) {
    EXPECT_EQ(ComputeMappingTable(0, 2, 0, 2, 0, 4, TBoxKernel()),
              (TMappingTable{{{0, 128}, {1, 128}}, {{2, 128}, {3, 128}}}));
    const TMappingTable cubic = ComputeMappingTable(0, 4, 0, 4, 0, 2, TCubicKernel());
    EXPECT_EQ(cubic[0], (TCluster{{0, -6}, {0, 58}, {0, 222}, {1, -18}}));
    for (const TCluster& cluster : cubic) {
        int sum = 0;
        for (const TMappingEntry& e : cluster) sum += e.Weight;
        EXPECT_EQ(sum, 256);
    }
    EXPECT_EQ(ComputeMappingTable(0, 5, 0, 5, 7, 8, TCubicKernel()), TMappingTable(5, TCluster{{7, 256}}));
    EXPECT_TRUE(ComputeMappingTable(0, 5, 0, 5, 7, 7, TCubicKernel()).empty());
}

// A clipped cluster whose outer taps round to 0 starts right of a later one.
TEST(MappingTable, ClustersMayStartRightOfLaterOnes) {
    const TMappingTable map = ComputeMappingTable(0, 30, 4, 30, 0, 10, TCubicKernel());
    int lowest = map.front().front().SourceIndex;
    for (const TCluster& cluster : map)
        for (const TMappingEntry& e : cluster) lowest = std::min(lowest, e.SourceIndex);
    EXPECT_LT(lowest, map.front().front().SourceIndex);
}

// A kernel whose taps all round to 0 falls back to the column under the centre, inside the source.
TEST(MappingTable, EmptyClustersFallBackInsideTheSource) {
    TLanczosKernel narrow;
    narrow.SetWidth(0.1f);
    const TMappingTable map = ComputeMappingTable(0, 8, 0, 8, 0, 4, narrow);
    EXPECT_EQ(map.front(), (TCluster{{0, 256}}));
    EXPECT_EQ(map.back(), (TCluster{{3, 256}}));
}

// ---- transfers -------------------------------------------------------------------------------

TEST(ScaleTransfer, ClippedTransferEqualsTheUnclippedOneInsideTheClip) {
    struct Setup {
        const char* Resampler;
        const char* Kernel;
    };
    const Setup setups[] = {{"TKernelResampler", "TCubicKernel"}, {"TKernelResampler", "TLanczosKernel"},
                            {"TKernelResampler", "TBoxKernel"},   {"TNearestResampler", ""},
                            {"TLinearResampler", ""}};
    const int sizes[][2] = {{10, 30}, {30, 10}, {37, 23}, {9, 64}};
    for (const Setup& setup : setups)
        for (const auto& size : sizes) {
            auto src = NoiseBitmap(size[0], size[0] + 3, 11);
            src->SetResamplerClassName(setup.Resampler);
            if (*setup.Kernel) dynamic_cast<TKernelResampler*>(src->Resampler())->SetKernelClassName(setup.Kernel);
            const RECT target{0, 0, size[1], size[1] + 5};
            auto whole = std::make_unique<TCustomBitmap32>();
            whole->SetSize(size[1], size[1] + 5);
            whole->Clear(0);
            src->DrawOnto(whole.get(), target);
            auto clipped = std::make_unique<TCustomBitmap32>();
            clipped->SetSize(size[1], size[1] + 5);
            clipped->Clear(0);
            const RECT clip{4, 3, size[1] - 1, size[1] + 1};
            clipped->SetClipArea(clip);
            src->DrawOnto(clipped.get(), target);
            for (int y = 0; y < size[1] + 5; ++y)
                for (int x = 0; x < size[1]; ++x) {
                    const bool inside = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                    ASSERT_EQ(clipped->GetPixel(x, y), inside ? whole->GetPixel(x, y) : 0u)
                        << setup.Resampler << " " << setup.Kernel << " " << size[0] << "->" << size[1] << " at " << x << "," << y;
                }
        }
}

TEST(ScaleTransfer, TrimsASourceRectangleReachingOutside) {
    auto src = NoiseBitmap(100, 50, 5);
    auto viaTrim = std::make_unique<TCustomBitmap32>();
    viaTrim->SetSize(200, 100);
    viaTrim->Clear(0);
    ScaleTransfer(viaTrim.get(), RECT{0, 0, 200, 100}, viaTrim->BoundsRect(), src.get(), RECT{-10, 0, 90, 50},
                  src->Resampler(), dmOpaque, {});
    auto direct = std::make_unique<TCustomBitmap32>();
    direct->SetSize(200, 100);
    direct->Clear(0);
    ScaleTransfer(direct.get(), RECT{20, 0, 200, 100}, direct->BoundsRect(), src.get(), RECT{0, 0, 90, 50},
                  src->Resampler(), dmOpaque, {});
    EXPECT_EQ(Pixels(*viaTrim), Pixels(*direct));
    EXPECT_EQ(viaTrim->GetPixel(19, 10), 0u);
}

TEST(ScaleTransfer, QuietCasesDrawAndReportNothing) {
    auto src = NoiseBitmap(8, 8, 1);
    auto dst = std::make_unique<TCustomBitmap32>();
    dst->SetSize(16, 16);
    dst->Clear(0x12345678u);
    int reports = 0;
    dst->OnAreaChanged = [&](TObject*, const RECT&, std::uint32_t) { ++reports; };
    const std::vector<TColor32> before = Pixels(*dst);
    // An empty source rectangle that also reaches outside the source.
    ScaleTransfer(dst.get(), RECT{0, 0, 16, 16}, dst->BoundsRect(), src.get(), RECT{-5, 0, -5, 8}, src->Resampler(), dmOpaque, {});
    ScaleTransfer(dst.get(), RECT{0, 0, 16, 16}, dst->BoundsRect(), src.get(), RECT{3, 9, 12, 9}, src->Resampler(), dmOpaque, {});
    // A clip outside the destination rectangle; a fully transparent blend.
    ScaleTransfer(dst.get(), RECT{0, 0, 4, 4}, RECT{8, 8, 16, 16}, src.get(), src->BoundsRect(), src->Resampler(), dmOpaque, {});
    src->SetMasterAlpha(0);
    ScaleTransfer(dst.get(), RECT{0, 0, 16, 16}, dst->BoundsRect(), src.get(), src->BoundsRect(), src->Resampler(), dmBlend, {});
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(Pixels(*dst), before);
    EXPECT_THROW(ScaleTransfer(nullptr, RECT{}, RECT{}, src.get(), RECT{}, nullptr, dmOpaque, {}), EBitmapException);
    EXPECT_THROW(ScaleTransfer(dst.get(), RECT{}, RECT{}, nullptr, RECT{}, nullptr, dmOpaque, {}), EBitmapException);
}

// Drawing a bitmap onto itself at an offset reads the pixels as they were before the draw.
TEST(TransferBlock, WithinOneBitmapReadsTheOriginal) {
    for (TDrawMode mode : {dmOpaque, dmBlend}) {
        std::vector<TColor32> column(8);
        for (int i = 0; i < 8; ++i) column[static_cast<std::size_t>(i)] = 0xFF000000u | static_cast<TColor32>(i);
        auto bitmap = MakeBitmap(1, 8, column);
        bitmap->SetDrawMode(mode);
        bitmap->DrawOnto(bitmap.get(), RECT{0, 2, 1, 10});
        EXPECT_EQ(Pixels(*bitmap), (std::vector<TColor32>{0xFF000000u, 0xFF000001u, 0xFF000000u, 0xFF000001u, 0xFF000002u,
                                                           0xFF000003u, 0xFF000004u, 0xFF000005u}))
            << "mode " << mode;
        auto row = MakeBitmap(8, 1, column);
        row->SetDrawMode(mode);
        row->DrawOnto(row.get(), RECT{-2, 0, 6, 1});
        EXPECT_EQ(row->GetPixel(0, 0), 0xFF000002u);
        EXPECT_EQ(row->GetPixel(5, 0), 0xFF000007u);
    }
}

TEST(TransferBlock, DrawModes) {
    auto src = MakeBitmap(2, 1, {0x80FF0000u, 0x00000000u});
    auto dst = MakeBitmap(2, 1, {0xFF0000FFu, 0xFF00FF00u});
    src->SetDrawMode(dmBlend);
    src->DrawOnto(dst.get(), RECT{0, 0, 2, 1});
    EXPECT_EQ(Pixels(*dst), (std::vector<TColor32>{portable::BlendPixel(0x80FF0000u, 0xFF0000FFu), 0xFF00FF00u}));
    // Half the master alpha: the result stays as opaque as the background.
    dst = MakeBitmap(2, 1, {0xFF0000FFu, 0xFF00FF00u});
    src->SetMasterAlpha(128);
    src->DrawOnto(dst.get(), RECT{0, 0, 2, 1});
    // Alpha is blended like the colours, with W = ((M + 1) * A) shr 8 = 64.
    EXPECT_EQ(dst->GetPixel(0, 0) >> 24, static_cast<TColor32>(((128 * 64 + 128) >> 8) + ((255 * 191 + 128) >> 8)));
    EXPECT_NE(dst->GetPixel(0, 0), 0xFF0000FFu);
    // The merge family for cmMerge: over a fully transparent background the source stays as it is.
    dst = MakeBitmap(2, 1, {0x000000FFu, 0x000000FFu});
    src->SetMasterAlpha(255);
    src->SetCombineMode(cmMerge);
    src->DrawOnto(dst.get(), RECT{0, 0, 2, 1});
    EXPECT_EQ(dst->GetPixel(0, 0), 0x80FF0000u);
    src->SetCombineMode(cmBlend);
    // Transparent: the outer colour is skipped; custom: the callback sees the master alpha.
    dst = MakeBitmap(2, 1, {1, 2});
    src->SetDrawMode(dmTransparent);
    src->SetOuterColor(0x80FF0000u);
    src->DrawOnto(dst.get(), RECT{0, 0, 2, 1});
    EXPECT_EQ(Pixels(*dst), (std::vector<TColor32>{1, 0}));
    src->SetDrawMode(dmCustom);
    src->SetMasterAlpha(128);
    src->OnPixelCombine = [](TColor32 f, TColor32& b, std::uint32_t m) { b = f ^ m; };
    src->DrawOnto(dst.get(), RECT{0, 0, 2, 1});
    EXPECT_EQ(Pixels(*dst), (std::vector<TColor32>{0x80FF0000u ^ 128u, 128u}));
}

TEST(SeparableResample, CubicOvershootIsClampedNotWrapped) {
    std::vector<TColor32> edge;
    for (int i = 0; i < 8; ++i) edge.push_back(i < 4 ? 0xFF000000u : 0xFFFFFFFFu);
    auto src = MakeBitmap(8, 1, edge);
    UseKernel(*src, "TCubicKernel");
    auto dst = std::make_unique<TCustomBitmap32>();
    dst->SetSize(29, 1);
    src->DrawOnto(dst.get(), dst->BoundsRect());
    for (int x = 0; x < 29; ++x) {
        const TColor32 p = dst->GetPixel(x, 0);
        // Undershoot would wrap to bright values, overshoot to dark ones.
        if (x < 12) {
            EXPECT_EQ(p & 0xFF, 0u) << x;
        }
        if (x > 17) {
            EXPECT_EQ(p & 0xFF, 0xFFu) << x;
        }
    }
}

// ---- kernels ---------------------------------------------------------------------------------

TEST(Kernels, Values) {
    THermiteKernel hermite;
    EXPECT_FLOAT_EQ(hermite.Evaluate(0.5f), 0.5625f);
    EXPECT_FLOAT_EQ(hermite.Evaluate(1.5f), -0.0625f);
    EXPECT_FLOAT_EQ(hermite.Evaluate(-1.0f), 0.0f);
    float sum = 0;
    for (int i = -3; i <= 2; ++i) sum += hermite.Evaluate(static_cast<float>(i) + 0.25f);
    EXPECT_NEAR(sum, 1.0f, 1e-6);
    TMitchellKernel mitchell;
    EXPECT_FLOAT_EQ(mitchell.Evaluate(0), 16.0f / 18.0f);
    EXPECT_FLOAT_EQ(mitchell.Evaluate(1), 1.0f / 18.0f);
    TLanczosKernel lanczos;
    EXPECT_NEAR(lanczos.Evaluate(1), 0, 1e-7);
    EXPECT_EQ(lanczos.Evaluate(3), 0.0f);
    EXPECT_NEAR(lanczos.Evaluate(2.5f), 0.0243, 1e-4);
    TSinshKernel sinsh;
    EXPECT_EQ(sinsh.Evaluate(0), 1.0f);
    EXPECT_NEAR(sinsh.Evaluate(1), 0, 1e-7);
    TCubicKernel cubic;
    EXPECT_FLOAT_EQ(cubic.Evaluate(0), 1.0f);
    EXPECT_FLOAT_EQ(cubic.Evaluate(1.5f), -0.0625f);
    // Every catalogued kernel is symmetric and its integer taps add up to about 1.
    for (int i = 0; i < KernelClassList().Count(); ++i) {
        const auto kernel = KernelClassList()[i].Create();
        float taps = 0;
        for (int k = -5; k <= 5; ++k) taps += kernel->Evaluate(static_cast<float>(k) + 0.3f);
        // The Albrecht window, a polynomial in cos, leaves the taps short of 1 by design.
        if (KernelClassList()[i].ClassName != "TAlbrechtKernel") {
            EXPECT_NEAR(taps, 1.0f, 0.1f) << KernelClassList()[i].ClassName;
        }
        EXPECT_NEAR(kernel->Evaluate(0.7f), kernel->Evaluate(-0.7f), 1e-6) << KernelClassList()[i].ClassName;
    }
}

TEST(Kernels, ParametersStayWithinWhatTheTapsSupport) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TSinshKernel sinsh;
    sinsh.SetWidth(1e9f);
    EXPECT_EQ(sinsh.Width(), 4.0f);
    for (float bad : {0.0f, -2.0f, nan}) {
        sinsh.SetWidth(bad);
        EXPECT_EQ(sinsh.Width(), 4.0f);
    }
    sinsh.SetCoeff(0.0f);
    sinsh.SetCoeff(nan);
    EXPECT_EQ(sinsh.Coeff(), 0.5f);
    TLanczosKernel lanczos;
    lanczos.SetWidth(6.0f);
    EXPECT_EQ(lanczos.Width(), 4.0f);
    lanczos.SetWidth(-1.0f);
    lanczos.SetWidth(0.0f);
    EXPECT_EQ(lanczos.Width(), 4.0f);
    TGaussianKernel gaussian;
    for (float bad : {0.0f, -1.0f, nan}) gaussian.SetSigma(bad);
    EXPECT_FLOAT_EQ(gaussian.Sigma(), 1.33f);
    TAlbrechtKernel albrecht;
    albrecht.SetTerms(1);
    EXPECT_EQ(albrecht.Terms(), 2);
    albrecht.SetTerms(40);
    EXPECT_EQ(albrecht.Terms(), 11);
    TCubicKernel cubic;
    cubic.SetCoeff(nan);
    EXPECT_EQ(cubic.Coeff(), -0.5f);
    TKernelResampler resampler;
    resampler.SetTableSize(1);
    EXPECT_EQ(resampler.TableSize(), 2);
    resampler.SetTableSize(100000);
    EXPECT_EQ(resampler.TableSize(), 4096);
}

// The widest kernel a parameter can ask for still resamples in a moment.
TEST(Kernels, WideKernelTransfersStayBounded) {
    auto src = NoiseBitmap(64, 64, 3);
    auto* resampler = UseKernel(*src, "TSinshKernel");
    dynamic_cast<TSinshKernel&>(resampler->Kernel()).SetWidth(1e9f);
    auto dst = std::make_unique<TCustomBitmap32>();
    dst->SetSize(16, 200);
    const auto start = std::chrono::steady_clock::now();
    src->DrawOnto(dst.get(), dst->BoundsRect());
    resampler->BeginSampling();
    resampler->SampleAtFloat(10.5f, 20.25f);
    resampler->EndSampling();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(KernelResampler, PropertiesByPathAndCopying) {
    auto bitmap = std::make_unique<TCustomBitmap32>();
    bitmap->SetResamplerClassName("TKernelResampler");
    auto& resampler = dynamic_cast<TKernelResampler&>(*bitmap->Resampler());
    // As a form description sets them, through the bitmap.
    SetPropertyText(*bitmap, "Resampler.KernelClassName", "TCubicKernel");
    SetPropertyText(*bitmap, "Resampler.Kernel.Coeff", "-0.75");
    SetPropertyText(resampler, "KernelMode", "kmTableLinear");
    SetPropertyText(resampler, "TableSize", "64");
    SetPropertyText(resampler, "PixelAccessMode", "pamWrap");
    EXPECT_EQ(GetPropertyText(resampler, "Kernel.Coeff"), "-0.75");
    auto copy = std::make_unique<TCustomBitmap32>();
    bitmap->CopySettingsTo(copy.get());
    auto* copied = dynamic_cast<TKernelResampler*>(copy->Resampler());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->KernelClassName(), "TCubicKernel");
    EXPECT_EQ(dynamic_cast<TCubicKernel&>(copied->Kernel()).Coeff(), -0.75f);
    EXPECT_EQ(copied->KernelMode(), kmTableLinear);
    EXPECT_EQ(copied->TableSize(), 64);
    EXPECT_EQ(copied->PixelAccessMode(), pamWrap);
    EXPECT_THROW(SetPropertyText(resampler, "Kernel.Sigma", "1"), EPropertyAccessError);
}

TEST(KernelResampler, NotificationsReachTheBitmap) {
    auto bitmap = std::make_unique<TCustomBitmap32>();
    auto* resampler = UseKernel(*bitmap, "TCubicKernel");
    int changes = 0;
    bitmap->OnChange = [&](TObject*) { ++changes; };
    resampler->SetKernelMode(kmDynamic);
    EXPECT_EQ(changes, 0);
    resampler->SetPixelAccessMode(pamTransparentEdge);
    EXPECT_EQ(changes, 1);
    dynamic_cast<TCubicKernel&>(resampler->Kernel()).SetCoeff(-1.0f);
    EXPECT_EQ(changes, 2);
    resampler->SetKernelClassName("tcubickernel");  // names are case-sensitive
    resampler->SetKernelClassName("TNoSuchKernel");
    EXPECT_EQ(resampler->KernelClassName(), "TCubicKernel");
    EXPECT_EQ(changes, 2);
    bitmap->SetSize(10, 5);
    EXPECT_EQ(resampler->SampleBounds(), (TFloatRect{-1, -1, 11, 6}));
    bitmap->SetResamplerClassName("TNearestResampler");
    EXPECT_NE(dynamic_cast<TNearestResampler*>(bitmap->Resampler()), nullptr);
}

// ---- point sampling --------------------------------------------------------------------------

TEST(KernelResampler, PointSamplesInEveryMode) {
    auto bitmap = NoiseBitmap(12, 9, 21);
    bitmap->SetOuterColor(0x11223344u);
    auto* resampler = UseKernel(*bitmap, "TCubicKernel");
    resampler->BeginSampling();
    EXPECT_EQ(resampler->SampleAtFloat(5, 4), bitmap->GetPixel(5, 4)) << "integer points are the pixels";
    EXPECT_EQ(resampler->SampleAtFloat(-3, 4), 0x11223344u);
    resampler->EndSampling();
    resampler->SetPixelAccessMode(pamTransparentEdge);
    resampler->BeginSampling();
    EXPECT_EQ(resampler->SampleAtFloat(-3, 4), 0u);
    resampler->EndSampling();
    const TColor32 dynamic = [&] {
        resampler->SetPixelAccessMode(pamSafe);
        resampler->BeginSampling();
        const TColor32 c = resampler->SampleAtFloat(5.3f, 4.6f);
        resampler->EndSampling();
        return c;
    }();
    for (TKernelMode mode : {kmTableNearest, kmTableLinear}) {
        resampler->SetKernelMode(mode);
        resampler->SetTableSize(256);
        resampler->BeginSampling();
        const TColor32 c = resampler->SampleAtFloat(5.3f, 4.6f);
        resampler->EndSampling();
        for (int ch = 0; ch < 4; ++ch)
            EXPECT_NEAR(static_cast<int>((c >> (8 * ch)) & 0xFF), static_cast<int>((dynamic >> (8 * ch)) & 0xFF), 3) << mode;
    }
    resampler->SetKernelMode(kmDynamic);
    resampler->SetPixelAccessMode(pamWrap);
    bitmap->SetWrapMode(wmRepeat);
    resampler->BeginSampling();
    EXPECT_EQ(resampler->SampleAtFloat(5 + 12, 4 - 9), bitmap->GetPixel(5, 4));
    resampler->EndSampling();
}

// An empty clip answers with the outer colour (or transparent) and reads no pixel.
TEST(Resamplers, EmptyClipSamplesWithoutReading) {
    for (const char* name : {"TKernelResampler", "TNearestResampler", "TLinearResampler"})
        for (TPixelAccessMode mode : {pamSafe, pamWrap, pamTransparentEdge}) {
            auto bitmap = NoiseBitmap(6, 6, 2);
            bitmap->SetOuterColor(0x55667788u);
            bitmap->SetResamplerClassName(name);
            bitmap->SetWrapMode(wmMirror);
            bitmap->SetClipArea(RECT{0, 0, 0, 0});
            TCustomResampler* resampler = bitmap->Resampler();
            resampler->SetPixelAccessMode(mode);
            resampler->BeginSampling();
            const TColor32 expected = mode == pamTransparentEdge ? 0u : 0x55667788u;
            EXPECT_EQ(resampler->SampleAtFloat(2.5f, 3.25f), expected) << name << " mode " << mode;
            EXPECT_EQ(resampler->SampleAtInt(-1, -1), expected) << name << " mode " << mode;
            resampler->EndSampling();
        }
}

TEST(NearestResampler, ReadsAndMaps) {
    auto bitmap = NoiseBitmap(10, 10, 4);
    bitmap->Resampler()->SetPixelAccessMode(pamTransparentEdge);
    auto& nearest = dynamic_cast<TNearestResampler&>(*bitmap->Resampler());
    EXPECT_EQ(nearest.TransparentEdgeRead(-1, 3), bitmap->GetPixel(0, 3) & 0x00FFFFFFu);
    EXPECT_EQ(nearest.TransparentEdgeRead(4, 3), bitmap->GetPixel(4, 3));
    auto row = MakeBitmap(2, 1, {10, 20});
    auto wide = std::make_unique<TCustomBitmap32>();
    wide->SetSize(4, 1);
    row->DrawOnto(wide.get(), wide->BoundsRect());
    EXPECT_EQ(Pixels(*wide), (std::vector<TColor32>{10, 10, 20, 20}));
    auto five = MakeBitmap(5, 1, {1, 2, 3, 4, 5});
    auto one = std::make_unique<TCustomBitmap32>();
    one->SetSize(1, 1);
    five->DrawOnto(one.get(), one->BoundsRect());
    EXPECT_EQ(one->GetPixel(0, 0), 3u);
}

TEST(LinearResampler, BilinearWeightsAtTheEdges) {
    auto src = MakeBitmap(2, 2, {0xFF000000u, 0xFF0000FFu, 0xFF000000u, 0xFF0000FFu});
    src->SetResamplerClassName("TLinearResampler");
    auto dst = std::make_unique<TCustomBitmap32>();
    dst->SetSize(4, 4);
    src->DrawOnto(dst.get(), dst->BoundsRect());
    // Rows 0 and 3 take one source row whole (weights 256, clamped to 255, and 0); the rows
    // between mix the two equal rows, which the 255-based mix may lower by one.
    for (int y : {0, 3}) {
        EXPECT_EQ(dst->GetPixel(0, y) & 0xFF, 0u);
        EXPECT_EQ(dst->GetPixel(1, y) & 0xFF, 63u);
        EXPECT_EQ(dst->GetPixel(2, y) & 0xFF, 190u);
        EXPECT_EQ(dst->GetPixel(3, y) & 0xFF, 255u);
    }
}

TEST(DraftResampler, AveragesBlocks) {
    auto src = MakeBitmap(3, 3, {0, 30, 60, 90, 120, 150, 180, 210, 240});
    src->SetResamplerClassName("TDraftResampler");
    auto dst = std::make_unique<TCustomBitmap32>();
    dst->SetSize(2, 2);
    src->DrawOnto(dst.get(), dst->BoundsRect());
    // Blocks of 1 and 2 pixels per direction: boundaries 0, 1, 3.
    EXPECT_EQ(Pixels(*dst), (std::vector<TColor32>{0, 45, 135, 180}));
}

// ---- bound block routines --------------------------------------------------------------------

class BlockVariants : public ::testing::TestWithParam<TCpuFeature> {
protected:
    void SetUp() override {
        if (!HasFeature(CpuFeatures(), GetParam())) GTEST_SKIP() << "the processor lacks this instruction set";
    }
    template <class F>
    F* Variant(int id) const {
        const TCpuFeatures wanted = FeatureSet(GetParam());
        return ResamplerBindings().Registry->Find<F>(id, [wanted](const TFunctionInfo& v) {
            return v.Features == wanted ? 0 : NoPriority;
        });
    }
};

TEST_P(BlockVariants, AverageBlockMatchesPortableForEveryWidth) {
    auto* average = Variant<TAverageBlockProc>(idAverageBlock);
    ASSERT_NE(average, nullptr);
    std::mt19937 random(9);
    std::vector<TColor32> pixels(600 * 3);
    for (TColor32& p : pixels) p = random() | 0xF0F0F0F0u;
    for (int w = 1; w <= 600; ++w)
        for (int h = 1; h <= 3; ++h)
            ASSERT_EQ(average(w, h, pixels.data(), 600 * 4), portable::AverageBlock(w, h, pixels.data(), 600 * 4)) << w << "x" << h;
    // Past 2^24 pixels the factor is 0 and the average black, whatever the pixels; black stays black.
    const std::vector<TColor32> white(600, 0xFFFFFFFFu), black(600, 0);
    for (int h : {27962, 27963}) {
        EXPECT_EQ(average(600, h, white.data(), 0), portable::AverageBlock(600, h, white.data(), 0)) << h;
    }
    EXPECT_EQ(average(600, 27963, black.data(), 0), 0u);
    EXPECT_EQ(portable::AverageBlock(600, 27963, white.data(), 0), 0u);
    // Just below 2^24 pixels the truncating factor takes a white block to 254 per channel.
    EXPECT_EQ(portable::AverageBlock(600, 27962, white.data(), 0), 0xFEFEFEFEu);
}

TEST_P(BlockVariants, InterpolateQuadMatchesPortable) {
    auto* interpolate = Variant<TInterpolateQuadProc>(idInterpolateQuad);
    if (!interpolate) GTEST_SKIP() << "no interpolation variant for this instruction set";
    std::mt19937 random(13);
    for (int i = 0; i < 20000; ++i) {
        const TColor32 p0[2] = {static_cast<TColor32>(random()), static_cast<TColor32>(random())};
        const TColor32 p1[2] = {static_cast<TColor32>(random()), static_cast<TColor32>(random())};
        const int wx = static_cast<int>(random() % 258), wy = static_cast<int>(random() % 258);
        ASSERT_EQ(interpolate(wx, wy, p0, p1), portable::InterpolateQuad(wx, wy, p0, p1)) << wx << " " << wy;
    }
}

TEST_P(BlockVariants, SeparablePassesMatchPortable) {
    std::mt19937 random(17);
    auto* vertical = Variant<TResampleVerticalProc>(idResampleVertical);
    auto* horizontal = Variant<TResampleHorizontalProc>(idResampleHorizontal);
    if (!vertical && !horizontal) GTEST_SKIP() << "no pass variants for this instruction set";
    std::vector<TColor32> pixels(9 * 80);
    for (TColor32& p : pixels) p = static_cast<TColor32>(random());
    for (int span = 1; span <= 70; ++span)
        for (int taps = 1; taps <= 9; ++taps) {
            std::vector<const TColor32*> rows;
            std::vector<int> weights;
            for (int k = 0; k < taps; ++k) {
                rows.push_back(pixels.data() + k * 80 + static_cast<int>(random() % 10));
                // Mostly kernel-like weights, sometimes beyond 16 bits.
                weights.push_back(random() % 16 == 0 ? static_cast<int>(random()) : static_cast<int>(random() % 700) - 200);
            }
            std::vector<std::uint32_t> ours(span * 4, 7), theirs(span * 4, 9);
            if (vertical) {
                vertical(ours.data(), rows.data(), weights.data(), taps, span);
                portable::ResampleVertical(theirs.data(), rows.data(), weights.data(), taps, span);
                ASSERT_EQ(ours, theirs) << "vertical, span " << span << " taps " << taps;
            }
            if (!horizontal) continue;
            std::vector<int> offsets, entryWeights, starts{0};
            for (int i = 0; i < span; ++i) {
                const int entries = 1 + static_cast<int>(random() % 7);
                for (int e = 0; e < entries; ++e) {
                    offsets.push_back(static_cast<int>(random() % span) * 4);
                    entryWeights.push_back(static_cast<int>(random() % 600) - 150);
                }
                starts.push_back(static_cast<int>(offsets.size()));
            }
            for (bool clamp : {false, true}) {
                std::vector<TColor32> a(span), b(span);
                horizontal(theirs.data(), offsets.data(), entryWeights.data(), starts.data(), span, clamp, a.data());
                portable::ResampleHorizontal(theirs.data(), offsets.data(), entryWeights.data(), starts.data(), span, clamp, b.data());
                ASSERT_EQ(a, b) << "horizontal, span " << span << " clamp " << clamp;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(Simd, BlockVariants, ::testing::Values(cfSSE2, cfAVX2),
                         [](const ::testing::TestParamInfo<TCpuFeature>& info) {
                             return info.param == cfSSE2 ? std::string("SSE2") : std::string("AVX2");
                         });

TEST(AverageBlock, TruncatesTheMean) {
    const TColor32 pair[2] = {0xFF000000u, 0xFF0000FFu};
    EXPECT_EQ(ResamplerBindings().AverageBlock(2, 1, pair, 8), 0xFF00007Fu);
}

}  // namespace
}  // namespace parch
