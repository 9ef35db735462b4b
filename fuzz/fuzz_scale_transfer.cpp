// Stretch transfers between bitmaps: random sizes, rectangles, clips, resamplers, kernels with
// any parameters, draw modes and point samples. Nothing may read or write outside a bitmap,
// divide by zero, or run without bound.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "FuzzInput.h"
#include "bitmap32/Bitmap32Resamplers.h"

namespace {

using parch::fuzzing::FuzzInput;

int Coordinate(FuzzInput& in) {
    const std::int64_t n = in.Number();
    // Mostly near the bitmaps, sometimes anywhere in the integer range.
    if (in.Bit()) return static_cast<int>(n % 160) - 40;
    return static_cast<int>(n);
}

parch::RECT Rectangle(FuzzInput& in) { return parch::RECT{Coordinate(in), Coordinate(in), Coordinate(in), Coordinate(in)}; }

float Parameter(FuzzInput& in) {
    const std::uint32_t bits = in.Word32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void TuneKernel(parch::TCustomKernel& kernel, FuzzInput& in) {
    using namespace parch;
    if (auto* k = dynamic_cast<TCubicKernel*>(&kernel)) k->SetCoeff(Parameter(in));
    if (auto* k = dynamic_cast<TSinshKernel*>(&kernel)) {
        k->SetWidth(Parameter(in));
        k->SetCoeff(Parameter(in));
    }
    if (auto* k = dynamic_cast<TWindowedSincKernel*>(&kernel)) k->SetWidth(Parameter(in));
    if (auto* k = dynamic_cast<TGaussianKernel*>(&kernel)) k->SetSigma(Parameter(in));
    if (auto* k = dynamic_cast<TAlbrechtKernel*>(&kernel)) k->SetTerms(static_cast<int>(in.Number()));
    if (auto* k = dynamic_cast<THermiteKernel*>(&kernel)) {
        k->SetBias(Parameter(in));
        k->SetTension(Parameter(in));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parch;
    FuzzInput in(data, size);
    TCustomBitmap32 src, dst;
    src.SetSize(in.Byte() % 48, in.Byte() % 48);
    dst.SetSize(in.Byte() % 64, in.Byte() % 64);
    if (!src.Empty())
        for (int i = 0; i < src.Width() * src.Height(); ++i) src.Bits()[i] = in.Word32() ^ static_cast<TColor32>(i * 0x9E3779B9u);
    if (in.Bit()) src.SetClipArea(Rectangle(in));
    if (in.Bit()) dst.SetClipArea(Rectangle(in));
    static const char* const resamplers[] = {"TNearestResampler", "TLinearResampler", "TDraftResampler", "TKernelResampler"};
    src.SetResamplerClassName(resamplers[in.Byte() % 4]);
    TCustomResampler* resampler = src.Resampler();
    resampler->SetPixelAccessMode(static_cast<TPixelAccessMode>(in.Byte() % 4));
    if (auto* kernelResampler = dynamic_cast<TKernelResampler*>(resampler)) {
        const auto& kernels = KernelClassList();
        kernelResampler->SetKernelClassName(kernels[in.Byte() % kernels.Count()].ClassName);
        TuneKernel(kernelResampler->Kernel(), in);
        kernelResampler->SetKernelMode(static_cast<TKernelMode>(in.Byte() % 3));
        kernelResampler->SetTableSize(static_cast<int>(in.Number()));
    }
    src.SetDrawMode(static_cast<TDrawMode>(in.Byte() % 4));
    src.SetCombineMode(static_cast<TCombineMode>(in.Byte() % 2));
    src.SetWrapMode(static_cast<TWrapMode>(in.Byte() % 3));
    src.SetMasterAlpha(in.Byte());
    src.SetOuterColor(in.Word32());
    if (in.Bit()) src.OnPixelCombine = [](TColor32 f, TColor32& b, std::uint32_t m) { b ^= f + m; };
    const RECT dstRect = Rectangle(in);
    if (in.Bit()) {
        src.DrawOnto(&dst, dstRect);
    } else {
        ScaleTransfer(&dst, dstRect, Rectangle(in), &src, Rectangle(in), resampler, src.DrawMode(), src.OnPixelCombine);
    }
    // Point samples, only where the access mode promises safe reads.
    if (resampler->PixelAccessMode() != pamUnsafe && !src.Empty()) {
        resampler->BeginSampling();
        for (int i = 0; i < 4; ++i) {
            const float x = Parameter(in), y = Parameter(in);
            resampler->SampleAtFloat(x, y);
            resampler->SampleAtInt(Coordinate(in), Coordinate(in));
        }
        resampler->EndSampling();
    }
    return 0;
}
