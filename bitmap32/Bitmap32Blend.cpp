#include "bitmap32/Bitmap32Blend.h"

#include <algorithm>
#include <cstdlib>

#include "bitmap32/Bitmap32Registry.h"
#include "bitmap32/Bitmap32Simd.h"

namespace parch {

namespace {

// Round(a * b / 255) and Round(255 * v / r): the divisions of the merge, as look-ups.
struct BlendTables {
    std::uint8_t Div[256][256];
    std::uint8_t Reciprocal[256][256];

    BlendTables() {
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) Div[a][b] = static_cast<std::uint8_t>((a * b * 2 + 255) / 510);
        for (int v = 0; v < 256; ++v) Reciprocal[0][v] = 0;
        for (int r = 1; r < 256; ++r) {
            for (int v = 0; v < 256; ++v) {
                // Nearest with ties to even; above 255 only for v > r, which the merge never reads.
                const int twice = 2 * 255 * v;
                int q = twice / (2 * r);
                const int rest = twice - q * 2 * r;
                if (rest > r || (rest == r && (q & 1) != 0)) ++q;
                Reciprocal[r][v] = static_cast<std::uint8_t>(std::min(q, 255));
            }
        }
    }
};

const BlendTables& Tables() {
    static const BlendTables tables;
    return tables;
}

constexpr TColor32 BlendAlphaOf(TColor32 c) { return c >> 24; }

// Per channel ((F * W + 128) shr 8) + ((B * (255 - W) + 128) shr 8), two channels per multiply.
inline TColor32 BlendMix255(TColor32 f, TColor32 b, TColor32 w) {
    const TColor32 iw = 255 - w;
    const TColor32 fLow = (((f & 0x00FF00FF) * w + 0x00800080) >> 8) & 0x00FF00FF;
    const TColor32 fHigh = ((((f >> 8) & 0x00FF00FF) * w + 0x00800080) >> 8) & 0x00FF00FF;
    const TColor32 bLow = (((b & 0x00FF00FF) * iw + 0x00800080) >> 8) & 0x00FF00FF;
    const TColor32 bHigh = ((((b >> 8) & 0x00FF00FF) * iw + 0x00800080) >> 8) & 0x00FF00FF;
    return (fLow + bLow) | ((fHigh + bHigh) << 8);
}

inline int BlendWeightOf(TColor32 f, int m) { return ((m + 1) * static_cast<int>(BlendAlphaOf(f))) >> 8; }

template <class Op>
inline TColor32 BlendPerChannel(TColor32 c1, TColor32 c2, Op op) {
    TColor32 result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((c1 >> shift) & 0xFF);
        const int b = static_cast<int>((c2 >> shift) & 0xFF);
        result |= static_cast<TColor32>(op(a, b) & 0xFF) << shift;
    }
    return result;
}

TColor32 BlendWithAlpha(TColor32 c, int alpha) { return (c & 0x00FFFFFF) | (static_cast<TColor32>(alpha) << 24); }

}  // namespace

namespace portable {

void ClearSimdState() {}

TColor32 BlendPixel(TColor32 f, TColor32 b) {
    const TColor32 a = BlendAlphaOf(f);
    if (a == 0) return b;
    if (a == 255) return f;
    return BlendMix255(f, b, a);
}

void BlendPixelInto(TColor32 f, TColor32& b) { b = BlendPixel(f, b); }

void BlendRow(const TColor32* src, TColor32* dst, int count) {
    for (int i = 0; i < count; ++i) BlendPixelInto(src[i], dst[i]);
}

// Alpha is mixed like the colours, as in BlendPixel: a weighted blend keeps the background's
// coverage instead of turning every blended pixel transparent.
TColor32 BlendPixelWeighted(TColor32 f, TColor32 b, int m) {
    if (BlendAlphaOf(f) == 0) return b;
    const int w = BlendWeightOf(f, m);
    if (w == 0) return b;
    return BlendMix255(f, b, static_cast<TColor32>(w));
}

void BlendPixelIntoWeighted(TColor32 f, TColor32& b, int m) { b = BlendPixelWeighted(f, b, m); }

void BlendRowWeighted(const TColor32* src, TColor32* dst, int count, int m) {
    TBlendPixelIntoWeightedProc* into = BlendBindings().BlendPixelIntoWeighted;
    for (int i = 0; i < count; ++i) into(src[i], dst[i], m);
}

TColor32 CombinePixel(TColor32 x, TColor32 y, int w) {
    if (w <= 0) return y;
    if (w >= 255) return x;
    return BlendMix255(x, y, static_cast<TColor32>(w));
}

void CombinePixelInto(TColor32 f, TColor32& b, int w) { b = CombinePixel(f, b, w); }

void CombineRow(const TColor32* src, TColor32* dst, int count, int w) {
    TBlendPixelIntoWeightedProc* into = BlendBindings().CombinePixelInto;
    for (int i = 0; i < count; ++i) into(src[i], dst[i], w);
}

TColor32 MergePixel(TColor32 f, TColor32 b) {
    const int fa = static_cast<int>(BlendAlphaOf(f));
    const int ba = static_cast<int>(BlendAlphaOf(b));
    if (fa == 0) return b;
    if (ba == 255) return BlendBindings().BlendPixel(f, b) | 0xFF000000u;
    if (fa == 255 || ba == 0) return f;
    const BlendTables& t = Tables();
    const int ra = fa + ba - t.Div[ba][fa];
    TColor32 result = static_cast<TColor32>(ra) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const int bc = t.Div[ba][(b >> shift) & 0xFF];
        const int d = static_cast<int>((f >> shift) & 0xFF) - bc;
        const int p = d >= 0 ? bc + t.Div[fa][d] : bc - t.Div[fa][-d];
        result |= static_cast<TColor32>(t.Reciprocal[ra][std::clamp(p, 0, 255)]) << shift;
    }
    return result;
}

void MergePixelInto(TColor32 f, TColor32& b) { b = BlendBindings().MergePixel(f, b); }

void MergeRow(const TColor32* src, TColor32* dst, int count) {
    for (int i = 0; i < count; ++i) dst[i] = MergePixel(src[i], dst[i]);
}

TColor32 MergePixelWeighted(TColor32 f, TColor32 b, int m) {
    return MergePixel(BlendWithAlpha(f, Tables().Div[std::clamp(m, 0, 255)][BlendAlphaOf(f)]), b);
}

void MergePixelIntoWeighted(TColor32 f, TColor32& b, int m) { b = MergePixelWeighted(f, b, m); }

void MergeRowWeighted(const TColor32* src, TColor32* dst, int count, int m) {
    for (int i = 0; i < count; ++i) dst[i] = MergePixelWeighted(src[i], dst[i], m);
}

TColor32 MaxChannels(TColor32 c1, TColor32 c2) {
    return BlendPerChannel(c1, c2, [](int a, int b) { return std::max(a, b); });
}

TColor32 MinChannels(TColor32 c1, TColor32 c2) {
    return BlendPerChannel(c1, c2, [](int a, int b) { return std::min(a, b); });
}

TColor32 AverageChannels(TColor32 c1, TColor32 c2) { return (((c1 ^ c2) >> 1) & 0x7F7F7F7F) + (c1 & c2); }

TColor32 AddChannels(TColor32 c1, TColor32 c2) {
    return BlendPerChannel(c1, c2, [](int a, int b) { return std::min(a + b, 255); });
}

TColor32 SubtractChannels(TColor32 c1, TColor32 c2) {
    return BlendPerChannel(c1, c2, [](int a, int b) { return std::max(a - b, 0); });
}

TColor32 DivideChannels(TColor32 c1, TColor32 c2) {
    return BlendPerChannel(c1, c2, [](int a, int b) { return a == 0 ? 255 : std::min(b * 256 / a, 255); });
}

TColor32 ModulateChannels(TColor32 c1, TColor32 c2) {
    return BlendPerChannel(c1, c2, [](int a, int b) { return (a * b) >> 8; });
}

TColor32 DifferenceChannels(TColor32 c1, TColor32 c2) {
    return BlendPerChannel(c1, c2, [](int a, int b) { return std::abs(a - b); });
}

TColor32 ExclusionChannels(TColor32 c1, TColor32 c2) {
    return BlendPerChannel(c1, c2, [](int a, int b) { return a + b - ((a * b) >> 7); });
}

TColor32 ScaleChannels(TColor32 c, int w) {
    const std::int64_t weight = std::max(w, 0);
    TColor32 result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::int64_t v = ((static_cast<std::int64_t>((c >> shift) & 0xFF) * weight) >> 8);
        result |= static_cast<TColor32>(std::min<std::int64_t>(v, 255)) << shift;
    }
    return result;
}

}  // namespace portable

namespace {

void RegisterBlendBindings(TFunctionRegistry& r, TBlendBindings& b) {
    r.AddBinding(idClearSimdState, &b.ClearSimdState);
    r.AddBinding(idMergePixel, &b.MergePixel);
    r.AddBinding(idMergePixelInto, &b.MergePixelInto);
    r.AddBinding(idMergeRow, &b.MergeRow);
    r.AddBinding(idMergePixelWeighted, &b.MergePixelWeighted);
    r.AddBinding(idMergePixelIntoWeighted, &b.MergePixelIntoWeighted);
    r.AddBinding(idMergeRowWeighted, &b.MergeRowWeighted);
    r.AddBinding(idCombinePixel, &b.CombinePixel);
    r.AddBinding(idCombinePixelInto, &b.CombinePixelInto);
    r.AddBinding(idCombineRow, &b.CombineRow);
    r.AddBinding(idBlendPixel, &b.BlendPixel);
    r.AddBinding(idBlendPixelInto, &b.BlendPixelInto);
    r.AddBinding(idBlendRow, &b.BlendRow);
    r.AddBinding(idBlendPixelWeighted, &b.BlendPixelWeighted);
    r.AddBinding(idBlendPixelIntoWeighted, &b.BlendPixelIntoWeighted);
    r.AddBinding(idBlendRowWeighted, &b.BlendRowWeighted);
    r.AddBinding(idMaxChannels, &b.MaxChannels);
    r.AddBinding(idMinChannels, &b.MinChannels);
    r.AddBinding(idAverageChannels, &b.AverageChannels);
    r.AddBinding(idAddChannels, &b.AddChannels);
    r.AddBinding(idSubtractChannels, &b.SubtractChannels);
    r.AddBinding(idDivideChannels, &b.DivideChannels);
    r.AddBinding(idModulateChannels, &b.ModulateChannels);
    r.AddBinding(idDifferenceChannels, &b.DifferenceChannels);
    r.AddBinding(idExclusionChannels, &b.ExclusionChannels);
    r.AddBinding(idScaleChannels, &b.ScaleChannels);
}

void RegisterPortableBlends(TFunctionRegistry& r) {
    r.AddVariant(idClearSimdState, &portable::ClearSimdState);
    r.AddVariant(idMergePixel, &portable::MergePixel);
    r.AddVariant(idMergePixelInto, &portable::MergePixelInto);
    r.AddVariant(idMergeRow, &portable::MergeRow);
    r.AddVariant(idMergePixelWeighted, &portable::MergePixelWeighted);
    r.AddVariant(idMergePixelIntoWeighted, &portable::MergePixelIntoWeighted);
    r.AddVariant(idMergeRowWeighted, &portable::MergeRowWeighted);
    r.AddVariant(idCombinePixel, &portable::CombinePixel);
    r.AddVariant(idCombinePixelInto, &portable::CombinePixelInto);
    r.AddVariant(idCombineRow, &portable::CombineRow);
    r.AddVariant(idBlendPixel, &portable::BlendPixel);
    r.AddVariant(idBlendPixelInto, &portable::BlendPixelInto);
    r.AddVariant(idBlendRow, &portable::BlendRow);
    r.AddVariant(idBlendPixelWeighted, &portable::BlendPixelWeighted);
    r.AddVariant(idBlendPixelIntoWeighted, &portable::BlendPixelIntoWeighted);
    r.AddVariant(idBlendRowWeighted, &portable::BlendRowWeighted);
    r.AddVariant(idMaxChannels, &portable::MaxChannels);
    r.AddVariant(idMinChannels, &portable::MinChannels);
    r.AddVariant(idAverageChannels, &portable::AverageChannels);
    r.AddVariant(idAddChannels, &portable::AddChannels);
    r.AddVariant(idSubtractChannels, &portable::SubtractChannels);
    r.AddVariant(idDivideChannels, &portable::DivideChannels);
    r.AddVariant(idModulateChannels, &portable::ModulateChannels);
    r.AddVariant(idDifferenceChannels, &portable::DifferenceChannels);
    r.AddVariant(idExclusionChannels, &portable::ExclusionChannels);
    r.AddVariant(idScaleChannels, &portable::ScaleChannels);
}

void RegisterVectorBlends(TFunctionRegistry& r) {
#if defined(__x86_64__)
    namespace s = simd::sse2;
    const TCpuFeatures sse2 = FeatureSet(cfSSE2);
    r.AddVariant(idCombinePixel, &s::CombinePixel, sse2);
    r.AddVariant(idCombinePixelInto, &s::CombinePixelInto, sse2);
    r.AddVariant(idCombineRow, &s::CombineRow, sse2);
    r.AddVariant(idBlendPixel, &s::BlendPixel, sse2);
    r.AddVariant(idBlendPixelInto, &s::BlendPixelInto, sse2);
    r.AddVariant(idBlendRow, &s::BlendRow, sse2);
    r.AddVariant(idBlendPixelWeighted, &s::BlendPixelWeighted, sse2);
    r.AddVariant(idBlendPixelIntoWeighted, &s::BlendPixelIntoWeighted, sse2);
    r.AddVariant(idBlendRowWeighted, &s::BlendRowWeighted, sse2);
    r.AddVariant(idMaxChannels, &s::MaxChannels, sse2);
    r.AddVariant(idMinChannels, &s::MinChannels, sse2);
    r.AddVariant(idAddChannels, &s::AddChannels, sse2);
    r.AddVariant(idSubtractChannels, &s::SubtractChannels, sse2);
    r.AddVariant(idModulateChannels, &s::ModulateChannels, sse2);
    r.AddVariant(idDifferenceChannels, &s::DifferenceChannels, sse2);
    r.AddVariant(idExclusionChannels, &s::ExclusionChannels, sse2);
    r.AddVariant(idScaleChannels, &s::ScaleChannels, sse2);
    namespace a = simd::avx2;
    const TCpuFeatures avx2 = FeatureSet(cfAVX2);
    r.AddVariant(idCombineRow, &a::CombineRow, avx2);
    r.AddVariant(idBlendRow, &a::BlendRow, avx2);
    r.AddVariant(idBlendRowWeighted, &a::BlendRowWeighted, avx2);
#else
    (void)r;
#endif
}

}  // namespace

const TBlendBindings& BlendBindings() {
    static const TBlendBindings bindings = [] {
        TBlendBindings b;
        TFunctionRegistry& registry = NewRegistry("B32_Blend bindings");
        RegisterBlendBindings(registry, b);
        RegisterPortableBlends(registry);
        RegisterVectorBlends(registry);
        registry.BindAll();
        b.Registry = &registry;
        Tables();
        return b;
    }();
    return bindings;
}

TBlendPixelIntoProc* BlendIntoByMode(TCombineMode mode) {
    return mode == cmMerge ? BlendBindings().MergePixelInto : BlendBindings().BlendPixelInto;
}

TBlendPixelIntoWeightedProc* BlendIntoWeightedByMode(TCombineMode mode) {
    return mode == cmMerge ? BlendBindings().MergePixelIntoWeighted : BlendBindings().BlendPixelIntoWeighted;
}

TBlendRowProc* BlendRowByMode(TCombineMode mode) {
    return mode == cmMerge ? BlendBindings().MergeRow : BlendBindings().BlendRow;
}

TBlendRowWeightedProc* BlendRowWeightedByMode(TCombineMode mode) {
    return mode == cmMerge ? BlendBindings().MergeRowWeighted : BlendBindings().BlendRowWeighted;
}

}  // namespace parch
