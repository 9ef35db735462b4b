#pragma once
// Sampling and stretching: samplers answer with the colour at a point; resamplers belong to a
// bitmap, know how its edges are read, and stretch a rectangle of it into another bitmap.
// ScaleTransfer is the one entry of every transfer between bitmaps.

#include <memory>
#include <vector>

#include "bitmap32/Bitmap32.h"
#include "bitmap32/Bitmap32Containers.h"
#include "bitmap32/Bitmap32Kernels.h"
#include "bitmap32/PropertyTable.h"

namespace parch {

class TFunctionRegistry;

enum TPixelAccessMode { pamUnsafe, pamSafe, pamWrap, pamTransparentEdge };
enum TKernelMode { kmDynamic, kmTableNearest, kmTableLinear };

class TCustomSampler : public TNotifiablePersistent {
public:
    // Each default converts to the next finer form; a subclass overrides at least one of the
    // fixed and float forms.
    virtual TColor32 SampleAtInt(int x, int y);
    virtual TColor32 SampleAtFixed(TFixed x, TFixed y);
    virtual TColor32 SampleAtFloat(float x, float y);
    virtual void BeginSampling() {}
    virtual void EndSampling() {}
    virtual bool HasBounds() const { return false; }
    virtual TFloatRect SampleBounds() const;
};

class TCustomResampler : public TCustomSampler, public IPublishedProperties {
public:
    TCustomBitmap32* Bitmap() const { return bitmap_; }

    TPixelAccessMode PixelAccessMode() const { return pixelAccessMode_; }
    void SetPixelAccessMode(TPixelAccessMode mode);

    // The owning bitmap's notification; the resampler's own OnChange is not fired.
    void Changed() override;
    void BeginSampling() override;
    bool HasBounds() const override { return pixelAccessMode_ != pamWrap; }
    TFloatRect SampleBounds() const override;
    virtual float KernelWidth() const { return 0.0f; }
    virtual void ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                              const RECT& srcRect, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) = 0;

    const TPropertyTable& PublishedProperties() const override;

    // Constructs a resampler of class R that installs itself as bitmap's resampler (which frees
    // the previous one); bitmap may be nullptr for a free-standing resampler, owned by the caller.
    template <class R>
    static R* CreateFor(TCustomBitmap32* bitmap) {
        auto* resampler = new R();
        resampler->bitmap_ = bitmap;
        if (bitmap) bitmap->SetResampler(resampler);
        return resampler;
    }

protected:
    TCustomResampler() = default;
    void AssignTo(TPersistent* dest) const override;
    const RECT& ClipRect() const { return clipRect_; }
    bool ClipEmpty() const { return clipRect_.right <= clipRect_.left || clipRect_.bottom <= clipRect_.top; }

private:
    TCustomBitmap32* bitmap_ = nullptr;
    RECT clipRect_{};
    TPixelAccessMode pixelAccessMode_ = pamSafe;
};

// ---- mapping tables --------------------------------------------------------------------------

struct TMappingEntry {
    int SourceIndex = 0;
    int Weight = 0;  // 1/256 units, may be negative
    friend bool operator==(const TMappingEntry&, const TMappingEntry&) = default;
};
using TCluster = std::vector<TMappingEntry>;
// One cluster per destination position inside the clip; the weights of each add up to 256.
using TMappingTable = std::vector<TCluster>;

// Pixel centres map onto each other (scale = destination size / source size).
constexpr bool PixelCenterMapping = true;

TMappingTable ComputeMappingTable(int dstLo, int dstHi, int clipLo, int clipHi, int srcLo, int srcHi,
                                  const TCustomKernel& kernel);

// ---- transfers -------------------------------------------------------------------------------

// "Destination bitmap is nil" / "Source bitmap is nil".
class EBitmapException : public Exception {
public:
    using Exception::Exception;
};
void CheckBitmapPair(const TCustomBitmap32* dst, const TCustomBitmap32* src);

void ScaleTransfer(TCustomBitmap32* dst, RECT dstRect, RECT dstClip, TCustomBitmap32* src, RECT srcRect,
                   TCustomResampler* resampler, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack);
// Same-size transfer of dstRect from (srcX, srcY); both clipped by the caller.
void TransferBlock(TCustomBitmap32* dst, const RECT& dstRect, TCustomBitmap32* src, int srcX, int srcY,
                   TDrawMode combineOp, const TPixelCombineEvent& combineCallBack);
void SeparableResample(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                       const RECT& srcRect, const TCustomKernel& kernel, TDrawMode combineOp,
                       const TPixelCombineEvent& combineCallBack);
void NearestStretch(TCustomBitmap32* dst, RECT dstRect, RECT dstClip, TCustomBitmap32* src, RECT srcRect,
                    TDrawMode combineOp, const TPixelCombineEvent& combineCallBack);
void BilinearStretch(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                     const RECT& srcRect, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack);
void DraftStretch(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                  const RECT& srcRect, const TCustomKernel& kernel, TDrawMode combineOp,
                  const TPixelCombineEvent& combineCallBack);

// ---- resamplers ------------------------------------------------------------------------------

class TKernelResampler : public TCustomResampler {
public:
    TKernelResampler();
    ~TKernelResampler() override;

    TCustomKernel& Kernel() const { return *kernel_; }
    // Takes ownership; nullptr and the current kernel are ignored.
    void SetKernel(TCustomKernel* kernel);
    std::string KernelClassName() const { return kernel_->ClassName(); }
    // A name from the kernel class list; unknown and empty names are ignored.
    void SetKernelClassName(const std::string& name);
    TKernelMode KernelMode() const { return kernelMode_; }
    void SetKernelMode(TKernelMode mode);
    int TableSize() const { return tableSize_; }
    // Limited to 2 .. 4096.
    void SetTableSize(int size);

    TColor32 SampleAtFloat(float x, float y) override;
    void BeginSampling() override;
    void EndSampling() override;
    float KernelWidth() const override { return kernel_->KernelWidth(); }
    void ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                      const RECT& srcRect, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) override;

    const TPropertyTable& PublishedProperties() const override;

private:
    int TapRadius() const;
    void FillTaps(float f, int radius, int* taps) const;

    std::unique_ptr<TCustomKernel> kernel_;
    TKernelMode kernelMode_ = kmDynamic;
    std::unique_ptr<TIntegerMap> weightTable_;
    int tableSize_ = 32;
    TColor32 outerColor_ = 0;
};

class TNearestResampler : public TCustomResampler {
public:
    TColor32 SampleAtInt(int x, int y) override { return Access(x, y); }
    TColor32 SampleAtFixed(TFixed x, TFixed y) override;
    TColor32 SampleAtFloat(float x, float y) override;
    void BeginSampling() override;
    float KernelWidth() const override { return 1.0f; }
    void ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                      const RECT& srcRect, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) override;

    // The pixel clamped into the clip rectangle; alpha cleared when clamping moved it.
    TColor32 TransparentEdgeRead(int x, int y) const;

private:
    TColor32 Access(int x, int y) const;
};

class TLinearResampler : public TCustomResampler {
public:
    TLinearResampler();
    TColor32 SampleAtFixed(TFixed x, TFixed y) override { return Access(x, y); }
    TColor32 SampleAtFloat(float x, float y) override;
    void BeginSampling() override;
    float KernelWidth() const override { return 1.0f; }
    void ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                      const RECT& srcRect, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) override;

    TColor32 TransparentEdgeReadFixed(TFixed x, TFixed y) const;

protected:
    const TLinearKernel& LinearKernel() const { return *linearKernel_; }

private:
    TColor32 Access(TFixed x, TFixed y) const;
    std::unique_ptr<TLinearKernel> linearKernel_;
};

class TDraftResampler : public TLinearResampler {
public:
    void ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                      const RECT& srcRect, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) override;
};

// ---- bound block routines ----------------------------------------------------------------------

using TAverageBlockProc = TColor32(int w, int h, const TColor32* src, int rowBytes);
using TInterpolateQuadProc = TColor32(int wx, int wy, const TColor32* p0, const TColor32* p1);
// The two passes of the separable resampling. Vertical: sums[4 * x + c] = the sum over the
// taps of weights[k] * channel c of rows[k][x], for x < span, in 32-bit wrapping arithmetic.
// Horizontal: out[i] = the packed colour of the sum over entries starts[i] .. starts[i + 1] - 1
// of weights[e] * sums[offsets[e] + c] (offsets count words), clamped or cut to bits 16-23.
using TResampleVerticalProc = void(std::uint32_t* sums, const TColor32* const* rows, const int* weights, int taps,
                                   int span);
using TResampleHorizontalProc = void(const std::uint32_t* sums, const int* offsets, const int* weights,
                                     const int* starts, int count, bool clamp, TColor32* out);

enum TResamplerFunction { idAverageBlock, idInterpolateQuad, idResampleVertical, idResampleHorizontal };

struct TResamplerBindings {
    TAverageBlockProc* AverageBlock = nullptr;
    TInterpolateQuadProc* InterpolateQuad = nullptr;
    TResampleVerticalProc* ResampleVertical = nullptr;
    TResampleHorizontalProc* ResampleHorizontal = nullptr;
    TFunctionRegistry* Registry = nullptr;
};
const TResamplerBindings& ResamplerBindings();

namespace portable {
TColor32 AverageBlock(int w, int h, const TColor32* src, int rowBytes);
TColor32 InterpolateQuad(int wx, int wy, const TColor32* p0, const TColor32* p1);
void ResampleVertical(std::uint32_t* sums, const TColor32* const* rows, const int* weights, int taps, int span);
void ResampleHorizontal(const std::uint32_t* sums, const int* offsets, const int* weights, const int* starts,
                        int count, bool clamp, TColor32* out);
}  // namespace portable

// Round(255 * (i / 255) ^ 0.7): the weights of the 24.8 interpolated reads.
const std::uint8_t* GammaMap();

// Puts the four resamplers into the bitmap's resampler class list (once).
void RegisterStandardResamplers();

}  // namespace parch
