#include "bitmap32/Bitmap32Resamplers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <array>
#include <mutex>

#include "bitmap32/Bitmap32Blend.h"
#include "bitmap32/Bitmap32Registry.h"
#include "bitmap32/Bitmap32Simd.h"
#include "bitmap32/LowLevel.h"

namespace parch {

namespace {

// Nearest with ties to even; non-finite values count as 0 and huge ones are held within a
// range where sums of weights cannot leave 64-bit integers.
int ResampleRoundWeight(float value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::nearbyint(std::clamp(value, -16777216.0f, 16777216.0f)));
}

// An integer coordinate from a computed one: held to the integer range, NaN far outside it.
int ResampleSaturate(double v) {
    if (std::isnan(v)) return std::numeric_limits<int>::min();
    return static_cast<int>(std::clamp(v, -2147483648.0, 2147483647.0));
}
int ResampleFloor(double v) { return ResampleSaturate(std::floor(v)); }
int ResampleCeil(double v) { return ResampleSaturate(std::ceil(v)); }
int ResampleTrunc(double v) { return ResampleSaturate(std::trunc(v)); }

int ResampleWidth(const RECT& r) { return r.right - r.left; }

bool ResampleSidesFit(const RECT& r) {
    constexpr std::int64_t limit = std::int64_t{1} << 30;
    return std::abs(static_cast<std::int64_t>(r.right) - r.left) < limit &&
           std::abs(static_cast<std::int64_t>(r.bottom) - r.top) < limit;
}
int ResampleHeight(const RECT& r) { return r.bottom - r.top; }

bool ResampleIntersect(RECT& result, const RECT& a, const RECT& b) {
    result.left = std::max(a.left, b.left);
    result.top = std::max(a.top, b.top);
    result.right = std::min(a.right, b.right);
    result.bottom = std::min(a.bottom, b.bottom);
    if (result.right <= result.left || result.bottom <= result.top) {
        result = RECT{0, 0, 0, 0};
        return false;
    }
    return true;
}

// How a resampled colour meets the destination pixel.
class PixelCombiner {
public:
    PixelCombiner(const TCustomBitmap32& src, TDrawMode op, const TPixelCombineEvent& callBack)
        : op_(op), callBack_(callBack), master_(src.MasterAlpha()), outer_(src.OuterColor()) {
        if (op_ == dmCustom && !callBack_) op_ = dmOpaque;
        weighted_ = BlendIntoWeightedByMode(src.CombineMode());
    }
    TDrawMode Op() const { return op_; }
    bool DrawsNothing() const { return op_ == dmBlend && master_ == 0; }
    void Put(TColor32 color, TColor32& dst) const {
        switch (op_) {
            case dmOpaque: dst = color; break;
            case dmBlend: weighted_(color, dst, static_cast<int>(master_)); break;
            case dmTransparent:
                if (color != outer_) dst = color;
                break;
            case dmCustom: callBack_(color, dst, master_); break;
        }
    }

private:
    TDrawMode op_;
    const TPixelCombineEvent& callBack_;
    std::uint32_t master_;
    TColor32 outer_;
    TBlendPixelIntoWeightedProc* weighted_ = nullptr;
};

// Clears the vector state on every path out of a transfer.
struct SimdStateGuard {
    ~SimdStateGuard() { ClearSimdState(); }
};

std::vector<TColor32> ResampleRowBuffer(int count) { return std::vector<TColor32>(static_cast<std::size_t>(count)); }

}  // namespace

// ---- samplers --------------------------------------------------------------------------------

TColor32 TCustomSampler::SampleAtInt(int x, int y) { return SampleAtFixed(ToFixed(x), ToFixed(y)); }
TColor32 TCustomSampler::SampleAtFixed(TFixed x, TFixed y) { return SampleAtFloat(x / 65536.0f, y / 65536.0f); }
TColor32 TCustomSampler::SampleAtFloat(float x, float y) {
    return SampleAtFixed(ResampleSaturate(std::nearbyint(static_cast<double>(x) * 65536.0)),
                         ResampleSaturate(std::nearbyint(static_cast<double>(y) * 65536.0)));
}

TFloatRect TCustomSampler::SampleBounds() const {
    const float inf = std::numeric_limits<float>::infinity();
    return TFloatRect{-inf, -inf, inf, inf};
}

void TCustomResampler::SetPixelAccessMode(TPixelAccessMode mode) {
    if (mode == pixelAccessMode_) return;
    pixelAccessMode_ = mode;
    Changed();
}

void TCustomResampler::Changed() {
    if (bitmap_) bitmap_->Changed();
}

void TCustomResampler::BeginSampling() { clipRect_ = bitmap_ ? bitmap_->ClipArea() : RECT{0, 0, 0, 0}; }

TFloatRect TCustomResampler::SampleBounds() const {
    TFloatRect r = bitmap_ ? ToFloatRect(bitmap_->ClipArea()) : TFloatRect{};
    if (pixelAccessMode_ == pamTransparentEdge) r = GrowArea(r, 1.0f, 1.0f);
    return r;
}

void TCustomResampler::AssignTo(TPersistent* dest) const {
    if (auto* resampler = dynamic_cast<TCustomResampler*>(dest)) {
        CopyPublishedProperties(*this, *resampler,
                                TTypeKinds::All().Without(TTypeKind::tkMethod).Without(TTypeKind::tkUnknown));
        return;
    }
    TPersistent::AssignTo(dest);
}

const TPropertyTable& TCustomResampler::PublishedProperties() const {
    static const TPropertyTable table = [] {
        TPropertyInfo info;
        info.Name = "PixelAccessMode";
        info.Kind = TTypeKind::tkEnumeration;
        static const char* const names[] = {"pamUnsafe", "pamSafe", "pamWrap", "pamTransparentEdge"};
        info.GetText = [](const TObject& o) {
            return std::string(names[dynamic_cast<const TCustomResampler&>(o).PixelAccessMode()]);
        };
        info.SetText = [](TObject& o, const std::string& text) {
            const int value = EnumPropertyValue("PixelAccessMode", text,
                                                {"pamUnsafe", "pamSafe", "pamWrap", "pamTransparentEdge"});
            dynamic_cast<TCustomResampler&>(o).SetPixelAccessMode(static_cast<TPixelAccessMode>(value));
        };
        return TPropertyTable{info};
    }();
    return table;
}

// ---- mapping tables --------------------------------------------------------------------------

namespace {

// Appends the non-zero taps of one cluster, clamping their columns into the source, and makes
// the weights add up to exactly 256. An empty cluster reads the source column under its centre.
template <class Weight>
TCluster ResampleCluster(float center, float fw, int srcLo, int srcHi, Weight weight) {
    TCluster cluster;
    const int first = ResampleFloor(static_cast<double>(center) - fw);
    const int last = ResampleCeil(static_cast<double>(center) + fw);
    for (std::int64_t j = first; j <= last; ++j) {
        const int wt = weight(static_cast<int>(j));
        if (wt != 0) cluster.push_back({ClampRange(static_cast<int>(j), srcLo, srcHi - 1), wt});
    }
    if (cluster.empty()) return TCluster{{ClampRange(ResampleFloor(center), srcLo, srcHi - 1), 256}};
    std::int64_t sum = 0;
    for (const TMappingEntry& e : cluster) sum += e.Weight;
    const std::int64_t d = sum - 256;
    if (d != 0) {
        TMappingEntry& middle = cluster[(cluster.size() - 1) / 2];
        middle.Weight = static_cast<int>(std::clamp<std::int64_t>(middle.Weight - d, INT32_MIN, INT32_MAX));
    }
    return cluster;
}

}  // namespace

TMappingTable ComputeMappingTable(int dstLo, int dstHi, int clipLo, int clipHi, int srcLo, int srcHi,
                                  const TCustomKernel& kernel) {
    const int srcW = srcHi - srcLo;
    const int dstW = dstHi - dstLo;
    const int clipW = clipHi - clipLo;
    if (srcW <= 0) return {};
    if (clipW <= 0) return TMappingTable(0);
    if (srcW == 1) return TMappingTable(static_cast<std::size_t>(clipW), TCluster{{srcLo, 256}});
    TMappingTable table(static_cast<std::size_t>(clipW));
    const float scale = PixelCenterMapping ? static_cast<float>(dstW) / static_cast<float>(srcW)
                                           : static_cast<float>(dstW - 1) / static_cast<float>(srcW - 1);
    float fw = kernel.KernelWidth();
    if (scale == 0.0f || !std::isfinite(scale)) {
        table[0] = TCluster{{srcLo + (srcHi - srcLo) / 2, 256}};
        return table;
    }
    const float s = 1.0f / scale;
    const bool shrinking = scale < 1.0f;
    if (shrinking) fw *= s;
    for (int i = 0; i < clipW; ++i) {
        const float offset = static_cast<float>(i) + static_cast<float>(clipLo - dstLo);
        const float center = PixelCenterMapping ? static_cast<float>(srcLo) - 0.5f + (offset + 0.5f) * s
                                                : static_cast<float>(srcLo) + offset * s;
        if (shrinking) {
            table[i] = ResampleCluster(center, fw, srcLo, srcHi, [&](int j) {
                return ResampleRoundWeight(kernel.Evaluate((center - static_cast<float>(j)) * scale) * 256.0f * scale);
            });
        } else {
            table[i] = ResampleCluster(center, fw, srcLo, srcHi, [&](int j) {
                return ResampleRoundWeight(kernel.Evaluate(center - static_cast<float>(j)) * 256.0f);
            });
        }
    }
    return table;
}

// ---- transfers -------------------------------------------------------------------------------

void CheckBitmapPair(const TCustomBitmap32* dst, const TCustomBitmap32* src) {
    if (!dst) throw EBitmapException("Destination bitmap is nil");
    if (!src) throw EBitmapException("Source bitmap is nil");
}

void TransferBlock(TCustomBitmap32* dst, const RECT& dstRect, TCustomBitmap32* src, int srcX, int srcY,
                   TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) {
    const int w = ResampleWidth(dstRect);
    const int h = ResampleHeight(dstRect);
    if (w <= 0 || h <= 0) return;
    // Within one bitmap the source rows may be rows this transfer writes: read a copy.
    std::vector<TColor32> copy;
    const TColor32* srcRows = src->PixelAddress(srcX, srcY);
    std::ptrdiff_t srcStride = src->Width();
    if (src == dst) {
        copy.resize(static_cast<std::size_t>(w) * h);
        for (int y = 0; y < h; ++y) MoveWords(src->PixelAddress(srcX, srcY + y), copy.data() + static_cast<std::ptrdiff_t>(y) * w, w);
        srcRows = copy.data();
        srcStride = w;
    }
    TBlendRowProc* const blendRow = BlendRowByMode(src->CombineMode());
    TBlendRowWeightedProc* const blendRowWeighted = BlendRowWeightedByMode(src->CombineMode());
    const std::uint32_t master = src->MasterAlpha();
    const TColor32 outer = src->OuterColor();
    for (int y = 0; y < h; ++y) {
        const TColor32* s = srcRows + y * srcStride;
        TColor32* d = dst->PixelAddress(dstRect.left, dstRect.top + y);
        switch (combineOp) {
            case dmOpaque: MoveWords(s, d, w); break;
            case dmBlend:
                if (master >= 255)
                    blendRow(s, d, w);
                else
                    blendRowWeighted(s, d, w, static_cast<int>(master));
                break;
            case dmTransparent:
                for (int x = 0; x < w; ++x)
                    if (s[x] != outer) d[x] = s[x];
                break;
            case dmCustom:
                for (int x = 0; x < w; ++x) combineCallBack(s[x], d[x], master);
                break;
        }
    }
}

void ScaleTransfer(TCustomBitmap32* dst, RECT dstRect, RECT dstClip, TCustomBitmap32* src, RECT srcRect,
                   TCustomResampler* resampler, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) {
    CheckBitmapPair(dst, src);
    // An empty source rectangle has no ratio to trim by; rectangles whose sides do not fit an
    // integer describe nothing that can be drawn.
    if (src->Empty() || dst->Empty() || IsRectEmpty(srcRect)) return;
    if (!ResampleSidesFit(srcRect) || !ResampleSidesFit(dstRect)) return;
    if (combineOp == dmBlend && src->MasterAlpha() == 0) return;
    if (srcRect.left < 0 || srcRect.right > src->Width() || srcRect.top < 0 || srcRect.bottom > src->Height()) {
        const double ratioX = static_cast<float>(static_cast<double>(dstRect.right) - dstRect.left) /
                              static_cast<float>(static_cast<double>(srcRect.right) - srcRect.left);
        const double ratioY = static_cast<float>(static_cast<double>(dstRect.bottom) - dstRect.top) /
                              static_cast<float>(static_cast<double>(srcRect.bottom) - srcRect.top);
        auto shift = [](int edge, double by) {
            return static_cast<int>(std::clamp(static_cast<double>(edge) + by, -2147483648.0, 2147483647.0));
        };
        if (srcRect.left < 0) {
            dstRect.left = shift(dstRect.left, std::ceil(-static_cast<double>(srcRect.left) * ratioX));
            srcRect.left = 0;
        }
        if (srcRect.top < 0) {
            dstRect.top = shift(dstRect.top, std::ceil(-static_cast<double>(srcRect.top) * ratioY));
            srcRect.top = 0;
        }
        if (srcRect.right > src->Width()) {
            dstRect.right = shift(dstRect.right, -std::floor((static_cast<double>(srcRect.right) - src->Width()) * ratioX));
            srcRect.right = src->Width();
        }
        if (srcRect.bottom > src->Height()) {
            dstRect.bottom = shift(dstRect.bottom, -std::floor((static_cast<double>(srcRect.bottom) - src->Height()) * ratioY));
            srcRect.bottom = src->Height();
        }
        if (IsRectEmpty(srcRect)) return;
    }
    if (!dst->MeasureOnly()) {
        RECT clip;
        if (!ResampleIntersect(clip, dstClip, dst->BoundsRect()) || !ResampleIntersect(clip, clip, dstRect)) return;
        if (combineOp == dmCustom && !combineCallBack) combineOp = dmOpaque;
        SimdStateGuard guard;
        if (ResampleWidth(srcRect) == ResampleWidth(dstRect) && ResampleHeight(srcRect) == ResampleHeight(dstRect)) {
            TransferBlock(dst, clip, src, srcRect.left + clip.left - dstRect.left, srcRect.top + clip.top - dstRect.top,
                          combineOp, combineCallBack);
        } else if (resampler) {
            resampler->ResampleArea(dst, dstRect, clip, src, srcRect, combineOp, combineCallBack);
        } else {
            NearestStretch(dst, dstRect, clip, src, srcRect, combineOp, combineCallBack);
        }
    }
    dst->Changed(dstRect, AreaKindRect);
}

void SeparableResample(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                       const RECT& srcRect, const TCustomKernel& kernel, TDrawMode combineOp,
                       const TPixelCombineEvent& combineCallBack) {
    SimdStateGuard guard;
    const PixelCombiner combiner(*src, combineOp, combineCallBack);
    if (combiner.DrawsNothing()) return;
    const TMappingTable mapX = ComputeMappingTable(dstRect.left, dstRect.right, dstClip.left, dstClip.right,
                                                   srcRect.left, srcRect.right, kernel);
    const TMappingTable mapY = ComputeMappingTable(dstRect.top, dstRect.bottom, dstClip.top, dstClip.bottom,
                                                   srcRect.top, srcRect.bottom, kernel);
    if (mapX.empty() || mapY.empty()) return;
    const bool clamp = kernel.ClampResult();
    // The columns every cluster reads: taps that round to 0 drop out, so a cluster may start
    // left of the one before it.
    int loX = std::numeric_limits<int>::max(), hiX = std::numeric_limits<int>::min();
    for (const TCluster& cluster : mapX)
        for (const TMappingEntry& e : cluster) {
            loX = std::min(loX, e.SourceIndex);
            hiX = std::max(hiX, e.SourceIndex);
        }
    const int span = hiX - loX + 1;
    // The horizontal clusters flattened once: word offsets into the row sums and weights.
    std::vector<int> offsets, weights, starts{0};
    for (const TCluster& cluster : mapX) {
        for (const TMappingEntry& e : cluster) {
            offsets.push_back((e.SourceIndex - loX) * 4);
            weights.push_back(e.Weight);
        }
        starts.push_back(static_cast<int>(offsets.size()));
    }
    const TResamplerBindings& passes = ResamplerBindings();
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(span) * 4);
    const int clipW = ResampleWidth(dstClip);
    std::vector<TColor32> row(static_cast<std::size_t>(clipW));
    std::vector<const TColor32*> rows;
    std::vector<int> rowWeights;
    for (int y = dstClip.top; y < dstClip.bottom; ++y) {
        rows.clear();
        rowWeights.clear();
        for (const TMappingEntry& e : mapY[static_cast<std::size_t>(y - dstClip.top)]) {
            rows.push_back(src->PixelAddress(loX, e.SourceIndex));
            rowWeights.push_back(e.Weight);
        }
        passes.ResampleVertical(sums.data(), rows.data(), rowWeights.data(), static_cast<int>(rows.size()), span);
        TColor32* d = dst->PixelAddress(dstClip.left, y);
        if (combiner.Op() == dmOpaque) {
            passes.ResampleHorizontal(sums.data(), offsets.data(), weights.data(), starts.data(), clipW, clamp, d);
            continue;
        }
        passes.ResampleHorizontal(sums.data(), offsets.data(), weights.data(), starts.data(), clipW, clamp, row.data());
        for (int i = 0; i < clipW; ++i) combiner.Put(row[static_cast<std::size_t>(i)], d[i]);
    }
}

// ---- nearest ---------------------------------------------------------------------------------

namespace {

// Source position of a destination position, the nearest pixel under pixel-centre mapping.
std::vector<int> NearestMap(int dstLo, int dstHi, int clipLo, int clipHi, int srcLo, int srcHi) {
    const int srcW = srcHi - srcLo, dstW = dstHi - dstLo;
    std::vector<int> map(static_cast<std::size_t>(std::max(clipHi - clipLo, 0)));
    for (std::size_t i = 0; i < map.size(); ++i) {
        int pos;
        if (dstW < 2) {
            pos = (srcLo + srcHi - 1) / 2;
        } else {
            const float offset = static_cast<float>(static_cast<int>(i) + clipLo - dstLo);
            if (PixelCenterMapping) {
                const float scale = static_cast<float>(srcW) / static_cast<float>(dstW);
                pos = ResampleTrunc(static_cast<float>(srcLo) + offset * scale);
            } else {
                const float scale = static_cast<float>(srcW - 1) / static_cast<float>(dstW - 1);
                pos = static_cast<int>(std::nearbyint(static_cast<float>(srcLo) + offset * scale));
            }
        }
        map[i] = ClampRange(pos, srcLo, srcHi - 1);
    }
    return map;
}

}  // namespace

void NearestStretch(TCustomBitmap32* dst, RECT dstRect, RECT dstClip, TCustomBitmap32* src, RECT srcRect,
                    TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) {
    SimdStateGuard guard;
    if (!ResampleIntersect(dstClip, dstClip, RECT{0, 0, dst->Width(), dst->Height()}) ||
        !ResampleIntersect(dstClip, dstClip, dstRect))
        return;
    if (srcRect.left < 0 || srcRect.top < 0 || srcRect.right > src->Width() || srcRect.bottom > src->Height())
        throw Exception("Invalid SrcRect");
    if (IsRectEmpty(srcRect)) return;
    if (ResampleWidth(srcRect) == ResampleWidth(dstRect) && ResampleHeight(srcRect) == ResampleHeight(dstRect)) {
        TransferBlock(dst, dstClip, src, srcRect.left + dstClip.left - dstRect.left,
                      srcRect.top + dstClip.top - dstRect.top, combineOp, combineCallBack);
        return;
    }
    const std::vector<int> columns =
        NearestMap(dstRect.left, dstRect.right, dstClip.left, dstClip.right, srcRect.left, srcRect.right);
    const std::vector<int> rows =
        NearestMap(dstRect.top, dstRect.bottom, dstClip.top, dstClip.bottom, srcRect.top, srcRect.bottom);
    const int w = ResampleWidth(dstClip);
    if (combineOp == dmCustom && !combineCallBack) combineOp = dmOpaque;
    TBlendRowProc* const blendRow = BlendRowByMode(src->CombineMode());
    TBlendRowWeightedProc* const blendRowWeighted = BlendRowWeightedByMode(src->CombineMode());
    const std::uint32_t master = src->MasterAlpha();
    const TColor32 outer = src->OuterColor();
    std::vector<TColor32> buffer = ResampleRowBuffer(w);
    int previous = -1;
    for (int y = dstClip.top; y < dstClip.bottom; ++y) {
        const int sy = rows[static_cast<std::size_t>(y - dstClip.top)];
        TColor32* d = dst->PixelAddress(dstClip.left, y);
        if (combineOp == dmOpaque) {
            if (sy == previous) {
                MoveWords(dst->PixelAddress(dstClip.left, y - 1), d, w);
            } else {
                const TColor32* s = src->ScanLine(sy);
                for (int i = 0; i < w; ++i) d[i] = s[columns[static_cast<std::size_t>(i)]];
            }
            previous = sy;
            continue;
        }
        if (sy != previous) {
            const TColor32* s = src->ScanLine(sy);
            for (int i = 0; i < w; ++i) buffer[static_cast<std::size_t>(i)] = s[columns[static_cast<std::size_t>(i)]];
            previous = sy;
        }
        switch (combineOp) {
            case dmBlend:
                if (master >= 255)
                    blendRow(buffer.data(), d, w);
                else if (master > 0)
                    blendRowWeighted(buffer.data(), d, w, static_cast<int>(master));
                break;
            case dmTransparent:
                for (int i = 0; i < w; ++i)
                    if (buffer[static_cast<std::size_t>(i)] != outer) d[i] = buffer[static_cast<std::size_t>(i)];
                break;
            case dmCustom:
                for (int i = 0; i < w; ++i) combineCallBack(buffer[static_cast<std::size_t>(i)], d[i], master);
                break;
            case dmOpaque: break;
        }
    }
}

// ---- bilinear and draft ------------------------------------------------------------------------

namespace {

struct BilinearEntry {
    int Pos;
    int Weight;  // of the left (upper) pixel of the pair, 0 .. 256
};

std::vector<BilinearEntry> BilinearMap(int dstLo, int dstHi, int clipLo, int clipHi, int srcLo, int srcHi, int srcSize) {
    const int srcW = srcHi - srcLo, dstW = dstHi - dstLo;
    std::vector<BilinearEntry> map(static_cast<std::size_t>(clipHi - clipLo));
    for (std::size_t i = 0; i < map.size(); ++i) {
        const float offset = static_cast<float>(static_cast<int>(i) + clipLo - dstLo);
        float x = PixelCenterMapping
                      ? (offset + 0.5f) * static_cast<float>(srcW) / static_cast<float>(dstW) + static_cast<float>(srcLo) - 0.5f
                      : offset * static_cast<float>(srcW - 1) / static_cast<float>(dstW - 1) + static_cast<float>(srcLo);
        x = std::clamp(x, 0.0f, static_cast<float>(srcSize - 1));
        const float fl = std::floor(x);
        map[i] = {static_cast<int>(fl), 256 - static_cast<int>(std::nearbyint((x - fl) * 256.0f))};
    }
    // The pair of columns never leaves the rectangle: the last column pairs with the one
    // before it, all of its weight on the right.
    for (std::size_t k = map.size(); k-- > 0 && map[k].Pos >= srcHi - 1;) map[k] = {srcHi - 2, 0};
    return map;
}

}  // namespace

void BilinearStretch(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                     const RECT& srcRect, TDrawMode combineOp, const TPixelCombineEvent& combineCallBack) {
    SimdStateGuard guard;
    const PixelCombiner combiner(*src, combineOp, combineCallBack);
    if (combiner.DrawsNothing()) return;
    const auto columns = BilinearMap(dstRect.left, dstRect.right, dstClip.left, dstClip.right, srcRect.left,
                                     srcRect.right, src->Width());
    const auto rows = BilinearMap(dstRect.top, dstRect.bottom, dstClip.top, dstClip.bottom, srcRect.top,
                                  srcRect.bottom, src->Height());
    TInterpolateQuadProc* interpolate = ResamplerBindings().InterpolateQuad;
    const std::ptrdiff_t stride = src->Width();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const TColor32* srcRow = src->ScanLine(rows[r].Pos);
        TColor32* d = dst->PixelAddress(dstClip.left, dstClip.top + static_cast<int>(r));
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const TColor32* p0 = srcRow + columns[c].Pos;
            combiner.Put(interpolate(columns[c].Weight, rows[r].Weight, p0, p0 + stride), d[c]);
        }
    }
}

namespace {

// Block boundaries relative to the first block: 0, Trunc(S), then k * S in 16.16.
std::vector<int> DraftBoundaries(int count, float scale) {
    std::vector<int> b(static_cast<std::size_t>(count) + 1);
    const TFixed step = static_cast<TFixed>(std::min(scale * 65536.0f, 2147483520.0f));
    for (int k = 0; k <= count; ++k) b[static_cast<std::size_t>(k)] = k == 0 ? 0 : k == 1 ? ResampleTrunc(scale) : FixedProduct(k, step);
    return b;
}

}  // namespace

void DraftStretch(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip, TCustomBitmap32* src,
                  const RECT& srcRect, const TCustomKernel& kernel, TDrawMode combineOp,
                  const TPixelCombineEvent& combineCallBack) {
    SimdStateGuard guard;
    const int srcW = ResampleWidth(srcRect), srcH = ResampleHeight(srcRect);
    const int dstW = ResampleWidth(dstRect), dstH = ResampleHeight(dstRect);
    if (srcW < dstW || srcH < dstH) {
        if (srcW < 2 || srcH < 2)
            SeparableResample(dst, dstRect, dstClip, src, srcRect, kernel, combineOp, combineCallBack);
        else
            BilinearStretch(dst, dstRect, dstClip, src, srcRect, combineOp, combineCallBack);
        return;
    }
    const PixelCombiner combiner(*src, combineOp, combineCallBack);
    if (combiner.DrawsNothing()) return;
    const float sx = static_cast<float>(srcW) / static_cast<float>(dstW);
    const float sy = static_cast<float>(srcH) / static_cast<float>(dstH);
    const int x0 = srcRect.left + ResampleTrunc(static_cast<float>(dstClip.left - dstRect.left) * sx);
    const int y0 = srcRect.top + ResampleTrunc(static_cast<float>(dstClip.top - dstRect.top) * sy);
    const int clipW = ResampleWidth(dstClip), clipH = ResampleHeight(dstClip);
    const std::vector<int> bx = DraftBoundaries(clipW, sx);
    const std::vector<int> by = DraftBoundaries(clipH, sy);
    TAverageBlockProc* average = ResamplerBindings().AverageBlock;
    const int rowBytes = src->Width() * 4;
    // Blocks stay inside the source rectangle, at least one pixel each.
    auto span = [](int origin, int from, int to, int lo, int hi, int& start) {
        start = std::clamp(origin + from, lo, hi - 1);
        return std::max(std::min(origin + to, hi) - start, 1);
    };
    for (int m = 0; m < clipH; ++m) {
        int top;
        const int h = span(y0, by[static_cast<std::size_t>(m)], by[static_cast<std::size_t>(m) + 1], srcRect.top, srcRect.bottom, top);
        TColor32* d = dst->PixelAddress(dstClip.left, dstClip.top + m);
        for (int k = 0; k < clipW; ++k) {
            int left;
            const int w = span(x0, bx[static_cast<std::size_t>(k)], bx[static_cast<std::size_t>(k) + 1], srcRect.left, srcRect.right, left);
            combiner.Put(average(w, h, src->PixelAddress(left, top), rowBytes), d[k]);
        }
    }
}

// ---- kernel resampler ------------------------------------------------------------------------

TKernelResampler::TKernelResampler() : kernel_(std::make_unique<TBoxKernel>()) { kernel_->Observer = this; }

TKernelResampler::~TKernelResampler() = default;

void TKernelResampler::SetKernel(TCustomKernel* kernel) {
    if (!kernel || kernel == kernel_.get()) return;
    kernel_.reset(kernel);
    kernel_->Observer = this;
    Changed();
}

void TKernelResampler::SetKernelClassName(const std::string& name) {
    if (name.empty() || name == KernelClassName()) return;
    const TKernelClass* found = KernelClassList().FindByName(name);
    if (!found) return;
    kernel_ = found->Create();
    kernel_->Observer = this;
    Changed();
}

void TKernelResampler::SetKernelMode(TKernelMode mode) {
    if (mode == kernelMode_) return;
    kernelMode_ = mode;
    Changed();
}

void TKernelResampler::SetTableSize(int size) {
    size = std::clamp(size, 2, 4096);
    if (size == tableSize_) return;
    tableSize_ = size;
    Changed();
}

int TKernelResampler::TapRadius() const {
    const float w = kernel_->KernelWidth();
    return std::clamp(static_cast<int>(std::ceil(std::isfinite(w) ? w : 4.0f)), 0, 4);
}

// Taps for offsets -radius .. radius at fraction f, their sum made exactly 256 at offset 0.
void TKernelResampler::FillTaps(float f, int radius, int* taps) const {
    std::int64_t sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        taps[i + radius] = ResampleRoundWeight(kernel_->Evaluate(static_cast<float>(i) + f) * 256.0f);
        sum += taps[i + radius];
    }
    taps[radius] = static_cast<int>(std::clamp<std::int64_t>(taps[radius] - (sum - 256), INT32_MIN, INT32_MAX));
}

void TKernelResampler::BeginSampling() {
    TCustomResampler::BeginSampling();
    outerColor_ = Bitmap() ? Bitmap()->OuterColor() : 0;
    if (kernelMode_ == kmDynamic) return;
    const int radius = TapRadius();
    weightTable_ = std::make_unique<TIntegerMap>();
    weightTable_->SetSize(2 * radius + 1, tableSize_ + 1);
    for (int i = 0; i <= tableSize_; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(tableSize_ - 1);
        FillTaps(f, radius, weightTable_->ValueAddress(0, i));
    }
}

void TKernelResampler::EndSampling() {
    weightTable_.reset();
    TCustomResampler::EndSampling();
}

TColor32 TKernelResampler::SampleAtFloat(float x, float y) {
    TCustomBitmap32* bitmap = Bitmap();
    const TPixelAccessMode mode = PixelAccessMode();
    if (!bitmap || !std::isfinite(x) || !std::isfinite(y)) return mode == pamTransparentEdge ? 0 : outerColor_;
    // An empty clip has no pixel to read.
    if (mode != pamUnsafe && ClipEmpty()) return mode == pamTransparentEdge ? 0 : outerColor_;
    const int radius = TapRadius();
    // Beyond 2^30 a float holds whole numbers only; the tap offsets must not overflow there.
    constexpr int far = 1 << 30;
    const int cx = std::clamp(ResampleCeil(x), -far, far), cy = std::clamp(ResampleCeil(y), -far, far);
    const RECT& clip = ClipRect();
    int loX = -radius, hiX = radius, loY = -radius, hiY = radius;
    bool edge = false;
    if (mode == pamSafe || mode == pamTransparentEdge) {
        if (cx < clip.left || cx > clip.right || cy < clip.top || cy > clip.bottom)
            return mode == pamSafe ? outerColor_ : 0;
        if (cx - radius < clip.left) loX = clip.left - cx, edge = true;
        if (cx + radius >= clip.right) hiX = clip.right - cx - 1, edge = true;
        if (cy - radius < clip.top) loY = clip.top - cy, edge = true;
        if (cy + radius >= clip.bottom) hiY = clip.bottom - cy - 1, edge = true;
    }
    int hTaps[9], vTaps[9];
    const float fx = std::ceil(x) - x, fy = std::ceil(y) - y;
    auto fillFromTable = [&](float f, int* taps) {
        if (kernelMode_ == kmTableNearest) {
            const int row = std::clamp(static_cast<int>(std::nearbyint(f * static_cast<float>(tableSize_ - 1))), 0, tableSize_);
            std::copy_n(weightTable_->ValueAddress(0, row), 2 * radius + 1, taps);
            return;
        }
        const TFixed ff = static_cast<TFixed>(std::nearbyint(f * static_cast<float>(tableSize_ - 1) * 65536.0f));
        const int r = std::clamp(ff >> 16, 0, tableSize_ - 1);
        const int* a = weightTable_->ValueAddress(0, r);
        const int* b = weightTable_->ValueAddress(0, r + 1);
        std::int64_t sum = 0;
        for (int i = 0; i <= 2 * radius; ++i) {
            taps[i] = a[i] + static_cast<int>((static_cast<std::int64_t>(b[i] - a[i]) * (ff & 0xFFFF) + 0x7FFF) / 65536);
            sum += taps[i];
        }
        taps[radius] -= static_cast<int>(sum - 256);
    };
    if (kernelMode_ == kmDynamic || !weightTable_) {
        FillTaps(fx, radius, hTaps);
        FillTaps(fy, radius, vTaps);
    } else {
        fillFromTable(fx, hTaps);
        fillFromTable(fy, vTaps);
    }
    std::uint32_t sum[4] = {0, 0, 0, 0};
    auto addPixel = [&](TColor32 p, std::uint32_t w, bool alpha) {
        sum[0] += w * (p & 0xFF);
        sum[1] += w * ((p >> 8) & 0xFF);
        sum[2] += w * ((p >> 16) & 0xFF);
        if (alpha) sum[3] += w * (p >> 24);
    };
    if (mode == pamWrap) {
        const TWrapProc wrapX = SelectWrapProcRange(bitmap->WrapMode(), clip.left, clip.right - 1);
        const TWrapProc wrapY = SelectWrapProcRange(bitmap->WrapMode(), clip.top, clip.bottom - 1);
        for (int i = -radius; i <= radius; ++i) {
            const auto wv = static_cast<std::uint32_t>(vTaps[i + radius]);
            if (wv == 0) continue;
            const int row = wrapY(cy + i, clip.top, clip.bottom - 1);
            for (int j = -radius; j <= radius; ++j)
                addPixel(bitmap->GetPixel(wrapX(cx + j, clip.left, clip.right - 1), row), wv * static_cast<std::uint32_t>(hTaps[j + radius]), true);
        }
    } else {
        for (int i = loY; i <= hiY; ++i) {
            const auto wv = static_cast<std::uint32_t>(vTaps[i + radius]);
            if (wv == 0) continue;
            for (int j = loX; j <= hiX; ++j)
                addPixel(bitmap->GetPixel(cx + j, cy + i), wv * static_cast<std::uint32_t>(hTaps[j + radius]), true);
        }
        if (edge) {
            for (int i = -radius; i <= radius; ++i)
                for (int j = -radius; j <= radius; ++j) {
                    if (i >= loY && i <= hiY && j >= loX && j <= hiX) continue;
                    const std::uint32_t w = static_cast<std::uint32_t>(vTaps[i + radius]) * static_cast<std::uint32_t>(hTaps[j + radius]);
                    if (mode == pamSafe) {
                        addPixel(outerColor_, w, true);
                    } else {
                        const int px = ClampRange(cx + j, 0, bitmap->Width() - 1);
                        const int py = ClampRange(cy + i, 0, bitmap->Height() - 1);
                        addPixel(bitmap->GetPixel(px, py), w, false);
                    }
                }
        }
    }
    const bool clamp = kernel_->ClampResult();
    TColor32 result = 0;
    for (int c = 0; c < 4; ++c) {
        std::uint32_t v;
        if (clamp)
            v = static_cast<std::uint32_t>(std::clamp<int>(static_cast<std::int16_t>(sum[c] >> 16), 0, 255));
        else
            v = (sum[c] >> 16) & 0xFF;
        result |= v << (8 * c);
    }
    return result;
}

void TKernelResampler::ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip,
                                    TCustomBitmap32* src, const RECT& srcRect, TDrawMode combineOp,
                                    const TPixelCombineEvent& combineCallBack) {
    SeparableResample(dst, dstRect, dstClip, src, srcRect, *kernel_, combineOp, combineCallBack);
}

const TPropertyTable& TKernelResampler::PublishedProperties() const {
    static const TPropertyTable table = [this] {
        TPropertyTable t = TCustomResampler::PublishedProperties();
        TPropertyInfo className;
        className.Name = "KernelClassName";
        className.Kind = TTypeKind::tkString;
        className.GetText = [](const TObject& o) { return dynamic_cast<const TKernelResampler&>(o).KernelClassName(); };
        className.SetText = [](TObject& o, const std::string& text) {
            dynamic_cast<TKernelResampler&>(o).SetKernelClassName(text);
        };
        TPropertyInfo kernel;
        kernel.Name = "Kernel";
        kernel.Kind = TTypeKind::tkClass;
        kernel.GetObject = [](const TObject& o) -> TPersistent* {
            return &dynamic_cast<const TKernelResampler&>(o).Kernel();
        };
        TPropertyInfo kernelMode;
        kernelMode.Name = "KernelMode";
        kernelMode.Kind = TTypeKind::tkEnumeration;
        kernelMode.GetText = [](const TObject& o) {
            static const char* const names[] = {"kmDynamic", "kmTableNearest", "kmTableLinear"};
            return std::string(names[dynamic_cast<const TKernelResampler&>(o).KernelMode()]);
        };
        kernelMode.SetText = [](TObject& o, const std::string& text) {
            const int v = EnumPropertyValue("KernelMode", text, {"kmDynamic", "kmTableNearest", "kmTableLinear"});
            dynamic_cast<TKernelResampler&>(o).SetKernelMode(static_cast<TKernelMode>(v));
        };
        TPropertyInfo tableSize;
        tableSize.Name = "TableSize";
        tableSize.Kind = TTypeKind::tkInteger;
        tableSize.GetText = [](const TObject& o) { return std::to_string(dynamic_cast<const TKernelResampler&>(o).TableSize()); };
        tableSize.SetText = [](TObject& o, const std::string& text) {
            dynamic_cast<TKernelResampler&>(o).SetTableSize(IntegerPropertyValue("TableSize", text));
        };
        t.push_back(className);
        t.push_back(kernel);
        t.push_back(kernelMode);
        t.push_back(tableSize);
        return t;
    }();
    return table;
}

// ---- nearest resampler -----------------------------------------------------------------------

void TNearestResampler::BeginSampling() { TCustomResampler::BeginSampling(); }

TColor32 TNearestResampler::Access(int x, int y) const {
    const TCustomBitmap32* bitmap = Bitmap();
    switch (PixelAccessMode()) {
        case pamUnsafe: return bitmap->GetPixel(x, y);
        case pamSafe: return bitmap->GetPixelClipped(x, y);
        case pamWrap: return ClipEmpty() ? bitmap->OuterColor() : bitmap->GetPixelWrapped(x, y);
        case pamTransparentEdge: return TransparentEdgeRead(x, y);
    }
    return 0;
}

TColor32 TNearestResampler::TransparentEdgeRead(int x, int y) const {
    const TCustomBitmap32* bitmap = Bitmap();
    const RECT& clip = bitmap->ClipArea();
    // An empty clip has no pixel to clamp to: everything outside is transparent.
    if (clip.right <= clip.left || clip.bottom <= clip.top) return 0;
    const int cx = ClampRange(x, clip.left, clip.right - 1);
    const int cy = ClampRange(y, clip.top, clip.bottom - 1);
    const TColor32 pixel = bitmap->GetPixel(cx, cy);
    return (cx != x || cy != y) ? (pixel & 0x00FFFFFFu) : pixel;
}

TColor32 TNearestResampler::SampleAtFixed(TFixed x, TFixed y) { return Access(FixedToIntRound(x), FixedToIntRound(y)); }

TColor32 TNearestResampler::SampleAtFloat(float x, float y) {
    return Access(ResampleSaturate(std::nearbyint(x)), ResampleSaturate(std::nearbyint(y)));
}

void TNearestResampler::ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip,
                                     TCustomBitmap32* src, const RECT& srcRect, TDrawMode combineOp,
                                     const TPixelCombineEvent& combineCallBack) {
    NearestStretch(dst, dstRect, dstClip, src, srcRect, combineOp, combineCallBack);
}

// ---- linear and draft resamplers -------------------------------------------------------------

TLinearResampler::TLinearResampler() : linearKernel_(std::make_unique<TLinearKernel>()) {}

void TLinearResampler::BeginSampling() { TCustomResampler::BeginSampling(); }

TColor32 TLinearResampler::Access(TFixed x, TFixed y) const {
    const TCustomBitmap32* bitmap = Bitmap();
    switch (PixelAccessMode()) {
        case pamUnsafe: return bitmap->GetPixelFixed(x, y);
        case pamSafe: return bitmap->GetPixelFixedClipped(x, y);
        case pamWrap: return ClipEmpty() ? bitmap->OuterColor() : bitmap->GetPixelFixedWrapped(x, y);
        case pamTransparentEdge: return TransparentEdgeReadFixed(x, y);
    }
    return 0;
}

TColor32 TLinearResampler::SampleAtFloat(float x, float y) {
    auto fixed = [](float v) { return static_cast<TFixed>(ResampleSaturate(std::nearbyint(static_cast<double>(v) * 65536.0))); };
    return Access(fixed(x), fixed(y));
}

TColor32 TLinearResampler::TransparentEdgeReadFixed(TFixed x, TFixed y) const {
    const TCustomBitmap32* bitmap = Bitmap();
    const RECT& clip = bitmap->ClipArea();
    if (clip.right <= clip.left || clip.bottom <= clip.top) return 0;
    const int xi = x >> 16, yi = y >> 16;
    if (xi >= clip.left && xi < clip.right - 1 && yi >= clip.top && yi < clip.bottom - 1) {
        const TColor32 c = bitmap->GetPixel256(static_cast<int>(static_cast<std::uint32_t>(x) >> 8),
                                               static_cast<int>(static_cast<std::uint32_t>(y) >> 8));
        ClearSimdState();
        return c;
    }
    if (xi < clip.left - 1 || yi < clip.top - 1 || xi > clip.right - 1 || yi > clip.bottom - 1) return 0;
    auto sign = [](int v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); };
    // The band one pixel wide around the clip: pairs clamped into it, the outside half clear.
    const int x0 = ClampToMax(xi, clip.right - 1), x1 = ClampToMax(xi + sign(x), clip.right - 1);
    const int y0 = ClampToMax(yi, clip.bottom - 1), y1 = ClampToMax(yi + sign(y), clip.bottom - 1);
    TColor32 c00 = bitmap->GetPixel(x0, y0), c10 = bitmap->GetPixel(x1, y0);
    TColor32 c01 = bitmap->GetPixel(x0, y1), c11 = bitmap->GetPixel(x1, y1);
    if (static_cast<std::int64_t>(clip.left) * 65536 >= x) {
        c00 &= 0x00FFFFFFu;
        c01 &= 0x00FFFFFFu;
    } else if (xi == clip.right - 1) {
        c10 &= 0x00FFFFFFu;
        c11 &= 0x00FFFFFFu;
    }
    if (static_cast<std::int64_t>(clip.top) * 65536 >= y) {
        c00 &= 0x00FFFFFFu;
        c10 &= 0x00FFFFFFu;
    } else if (yi == clip.bottom - 1) {
        c01 &= 0x00FFFFFFu;
        c11 &= 0x00FFFFFFu;
    }
    const std::uint8_t* gamma = GammaMap();
    const int wx = gamma[((static_cast<std::uint32_t>(x) >> 8) & 0xFF) ^ 0xFF];
    const int wy = gamma[((static_cast<std::uint32_t>(y) >> 8) & 0xFF) ^ 0xFF];
    const TBlendBindings& b = BlendBindings();
    const TColor32 c = b.CombinePixel(b.CombinePixel(c00, c10, wx), b.CombinePixel(c01, c11, wx), wy);
    ClearSimdState();
    return c;
}

void TLinearResampler::ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip,
                                    TCustomBitmap32* src, const RECT& srcRect, TDrawMode combineOp,
                                    const TPixelCombineEvent& combineCallBack) {
    const int srcW = ResampleWidth(srcRect), srcH = ResampleHeight(srcRect);
    if (ResampleWidth(dstRect) > srcW && ResampleHeight(dstRect) > srcH && srcW > 1 && srcH > 1)
        BilinearStretch(dst, dstRect, dstClip, src, srcRect, combineOp, combineCallBack);
    else
        SeparableResample(dst, dstRect, dstClip, src, srcRect, *linearKernel_, combineOp, combineCallBack);
}

void TDraftResampler::ResampleArea(TCustomBitmap32* dst, const RECT& dstRect, const RECT& dstClip,
                                   TCustomBitmap32* src, const RECT& srcRect, TDrawMode combineOp,
                                   const TPixelCombineEvent& combineCallBack) {
    DraftStretch(dst, dstRect, dstClip, src, srcRect, LinearKernel(), combineOp, combineCallBack);
}

// ---- bound block routines ----------------------------------------------------------------------

namespace portable {

TColor32 AverageBlock(int w, int h, const TColor32* src, int rowBytes) {
    std::uint64_t sum[4] = {0, 0, 0, 0};
    const auto* row = reinterpret_cast<const std::uint8_t*>(src);
    for (int y = 0; y < h; ++y, row += rowBytes)
        for (int x = 0; x < w * 4; x += 4)
            for (int c = 0; c < 4; ++c) sum[c] += row[x + c];
    const std::uint32_t f = 0x1000000u / (static_cast<std::uint32_t>(w) * static_cast<std::uint32_t>(h));
    TColor32 result = 0;
    for (int c = 0; c < 4; ++c)
        result |= ((static_cast<std::uint32_t>(sum[c]) * f) >> 24 & 0xFF) << (8 * c);
    return result;
}

TColor32 InterpolateQuad(int wx, int wy, const TColor32* p0, const TColor32* p1) {
    wx = std::clamp(wx, 0, 255);
    wy = std::clamp(wy, 0, 255);
    TBlendPixelWeightedProc* combine = BlendBindings().CombinePixel;
    return combine(combine(p0[0], p0[1], wx), combine(p1[0], p1[1], wx), wy);
}

// Sums wrap as 32-bit integers; unsigned arithmetic makes that well defined.
void ResampleVertical(std::uint32_t* sums, const TColor32* const* rows, const int* weights, int taps, int span) {
    std::fill_n(sums, static_cast<std::size_t>(span) * 4, 0u);
    for (int k = 0; k < taps; ++k) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(rows[k]);
        const auto w = static_cast<std::uint32_t>(weights[k]);
        for (int i = 0; i < span * 4; ++i) sums[i] += w * bytes[i];
    }
}

void ResampleHorizontal(const std::uint32_t* sums, const int* offsets, const int* weights, const int* starts,
                        int count, bool clamp, TColor32* out) {
    for (int i = 0; i < count; ++i) {
        std::uint32_t sum[4] = {0, 0, 0, 0};
        for (int e = starts[i]; e < starts[i + 1]; ++e) {
            const std::uint32_t* b = sums + offsets[e];
            const auto w = static_cast<std::uint32_t>(weights[e]);
            for (int c = 0; c < 4; ++c) sum[c] += w * b[c];
        }
        TColor32 color = 0;
        for (int c = 0; c < 4; ++c) {
            const auto s = static_cast<std::int32_t>(sum[c]);
            std::uint32_t v;
            if (clamp)
                v = s > 0xFF0000 ? 0xFFu : (s < 0 ? 0u : (static_cast<std::uint32_t>(s) >> 16) & 0xFF);
            else
                v = (sum[c] >> 16) & 0xFF;
            color |= v << (8 * c);
        }
        out[i] = color;
    }
}

}  // namespace portable

const TResamplerBindings& ResamplerBindings() {
    static const TResamplerBindings bindings = [] {
        TResamplerBindings b;
        TFunctionRegistry& r = NewRegistry("B32_Resamplers bindings");
        r.AddBinding(idAverageBlock, &b.AverageBlock);
        r.AddBinding(idInterpolateQuad, &b.InterpolateQuad);
        r.AddVariant(idAverageBlock, &portable::AverageBlock);
#if defined(__x86_64__)
        r.AddVariant(idAverageBlock, &simd::sse2::AverageBlock, FeatureSet(cfSSE2));
        r.AddVariant(idAverageBlock, &simd::avx2::AverageBlock, FeatureSet(cfAVX2));
#endif
        r.AddVariant(idInterpolateQuad, &portable::InterpolateQuad);
#if defined(__x86_64__)
        r.AddVariant(idInterpolateQuad, &simd::sse2::InterpolateQuad, FeatureSet(cfSSE2));
#endif
        r.AddBinding(idResampleVertical, &b.ResampleVertical);
        r.AddBinding(idResampleHorizontal, &b.ResampleHorizontal);
        r.AddVariant(idResampleVertical, &portable::ResampleVertical);
        r.AddVariant(idResampleHorizontal, &portable::ResampleHorizontal);
#if defined(__x86_64__)
        r.AddVariant(idResampleVertical, &simd::sse2::ResampleVertical, FeatureSet(cfSSE2));
        r.AddVariant(idResampleVertical, &simd::avx2::ResampleVertical, FeatureSet(cfAVX2));
        r.AddVariant(idResampleHorizontal, &simd::avx2::ResampleHorizontal, FeatureSet(cfAVX2));
#endif
        r.BindAll();
        b.Registry = &r;
        return b;
    }();
    return bindings;
}

const std::uint8_t* GammaMap() {
    static const auto table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(
                std::nearbyint(255.0 * std::pow(static_cast<double>(i) / 255.0, static_cast<double>(0.7f))));
        return t;
    }();
    return table.data();
}

// ---- the bitmap's interpolated reads and transfer ------------------------------------------------

TColor32 TCustomBitmap32::GetPixel256(int x, int y) const {
    const auto ux = static_cast<std::uint32_t>(x), uy = static_cast<std::uint32_t>(y);
    const TColor32* p = PixelAddress(static_cast<int>(ux >> 8), static_cast<int>(uy >> 8));
    const std::uint8_t* gamma = GammaMap();
    return ResamplerBindings().InterpolateQuad(gamma[(ux & 0xFF) ^ 0xFF], gamma[(uy & 0xFF) ^ 0xFF], p, p + Width());
}

TColor32 TCustomBitmap32::GetPixel256Clipped(int x, int y) const {
    const RECT& clip = Clip256();
    if (x < clip.left || y < clip.top) return OuterColor();
    const int xm = (ClipArea().right - 1) * 256;
    const int ym = (ClipArea().bottom - 1) * 256;
    if (x < xm && y < ym) return GetPixel256(x, y);
    if (x == xm && y <= ym) return GetPixel(ClipArea().right - 1, y >> 8);
    if (x <= xm && y == ym) return GetPixel(x >> 8, ClipArea().bottom - 1);
    return OuterColor();
}

TColor32 TCustomBitmap32::GetPixelFixed(TFixed x, TFixed y) const {
    const TColor32 c = GetPixel256(static_cast<int>((static_cast<std::uint32_t>(x) + 0x7F) >> 8),
                                   static_cast<int>((static_cast<std::uint32_t>(y) + 0x7F) >> 8));
    ClearSimdState();
    return c;
}

TColor32 TCustomBitmap32::GetPixelFixedClipped(TFixed x, TFixed y) const {
    const TColor32 c = GetPixel256Clipped(static_cast<int>((static_cast<std::int64_t>(x) + 0x7F) >> 8),
                                          static_cast<int>((static_cast<std::int64_t>(y) + 0x7F) >> 8));
    ClearSimdState();
    return c;
}

TColor32 TCustomBitmap32::GetPixelFixedWrapped(TFixed x, TFixed y) const {
    const RECT& clip = ClipArea();
    if (clip.right <= clip.left || clip.bottom <= clip.top) return OuterColor();
    const int x0 = x >> 16, y0 = y >> 16;
    const TWrapProc wx = WrapRoutineX(), wy = WrapRoutineY();
    const int c0 = wx(x0, clip.left, clip.right - 1), c1 = wx(x0 + 1, clip.left, clip.right - 1);
    const int r0 = wy(y0, clip.top, clip.bottom - 1), r1 = wy(y0 + 1, clip.top, clip.bottom - 1);
    const int weightX = (x >> 8) & 0xFF, weightY = (y >> 8) & 0xFF;
    TBlendPixelWeightedProc* combine = BlendBindings().CombinePixel;
    const TColor32 top = combine(GetPixel(c1, r0), GetPixel(c0, r0), weightX);
    const TColor32 bottom = combine(GetPixel(c1, r1), GetPixel(c0, r1), weightX);
    const TColor32 c = combine(bottom, top, weightY);
    ClearSimdState();
    return c;
}

void TCustomBitmap32::DrawOnto(TCustomBitmap32* dst, const RECT& dstRect) {
    ScaleTransfer(dst, dstRect, dst ? dst->ClipArea() : RECT{}, this, BoundsRect(), Resampler(), DrawMode(),
                  OnPixelCombine);
}

// ---- class registration ----------------------------------------------------------------------

namespace {
template <class R>
TResamplerClass ResamplerClassOf(const char* name) {
    return TResamplerClass{name, [](TCustomBitmap32* bitmap) { TCustomResampler::CreateFor<R>(bitmap); }};
}
}  // namespace

void RegisterStandardResamplers() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterResamplerClass(ResamplerClassOf<TNearestResampler>("TNearestResampler"));
        RegisterResamplerClass(ResamplerClassOf<TLinearResampler>("TLinearResampler"));
        RegisterResamplerClass(ResamplerClassOf<TDraftResampler>("TDraftResampler"));
        RegisterResamplerClass(ResamplerClassOf<TKernelResampler>("TKernelResampler"));
    });
}

}  // namespace parch
