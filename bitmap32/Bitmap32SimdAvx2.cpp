// AVX2 variants: the SSE2 arithmetic on eight pixels per step. The byte unpacks work within
// each 128-bit half, and the packs undo them the same way, so pixels keep their places.

#include <immintrin.h>

#include <algorithm>

#include "bitmap32/Bitmap32Resamplers.h"
#include "bitmap32/Bitmap32Simd.h"

namespace parch::simd::avx2 {

namespace {

inline __m256i Avx2Load(const Pixel* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void Avx2Store(Pixel* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

inline __m256i Avx2SpreadAlpha(__m256i wide) {
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(wide, 0xFF), 0xFF);
}

inline __m256i Avx2Mix255(__m256i f, __m256i b, __m256i w) {
    const __m256i bias = _mm256_set1_epi16(128);
    const __m256i iw = _mm256_sub_epi16(_mm256_set1_epi16(255), w);
    const __m256i fw = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(f, w), bias), 8);
    const __m256i bw = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(b, iw), bias), 8);
    return _mm256_add_epi16(fw, bw);
}

inline __m256i Avx2MixByPixelWeights(__m256i f, __m256i b, __m256i weights) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = Avx2Mix255(_mm256_unpacklo_epi8(f, zero), _mm256_unpacklo_epi8(b, zero),
                                  Avx2SpreadAlpha(_mm256_unpacklo_epi8(weights, zero)));
    const __m256i hi = Avx2Mix255(_mm256_unpackhi_epi8(f, zero), _mm256_unpackhi_epi8(b, zero),
                                  Avx2SpreadAlpha(_mm256_unpackhi_epi8(weights, zero)));
    return _mm256_packus_epi16(lo, hi);
}

inline __m256i Avx2MixByWeight(__m256i f, __m256i b, __m256i w16) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = Avx2Mix255(_mm256_unpacklo_epi8(f, zero), _mm256_unpacklo_epi8(b, zero), w16);
    const __m256i hi = Avx2Mix255(_mm256_unpackhi_epi8(f, zero), _mm256_unpackhi_epi8(b, zero), w16);
    return _mm256_packus_epi16(lo, hi);
}

template <class Op>
inline void Avx2RowOp(const Pixel* src, Pixel* dst, int count, Pixel mask, Op op) {
    const __m256i m = _mm256_set1_epi32(static_cast<int>(mask));
    int i = 0;
    for (; i + 8 <= count; i += 8) Avx2Store(dst + i, op(Avx2Load(src + i), m));
    const __m128i m4 = _mm256_castsi256_si128(m);
    for (; i < count; ++i) {
        const __m256i one = _mm256_castsi128_si256(_mm_cvtsi32_si128(static_cast<int>(src[i])));
        dst[i] = static_cast<Pixel>(_mm_cvtsi128_si32(_mm256_castsi256_si128(op(one, _mm256_castsi128_si256(m4)))));
    }
}

}  // namespace

void CombineRow(const Pixel* src, Pixel* dst, int count, int w) {
    if (count <= 0 || w <= 0) return;
    if (w >= 255) {
        std::copy_n(src, count, dst);
        return;
    }
    const __m256i w16 = _mm256_set1_epi16(static_cast<short>(w));
    int i = 0;
    for (; i + 8 <= count; i += 8) Avx2Store(dst + i, Avx2MixByWeight(Avx2Load(src + i), Avx2Load(dst + i), w16));
    if (i < count) sse2::CombineRow(src + i, dst + i, count - i, w);
}

void BlendRow(const Pixel* src, Pixel* dst, int count) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i opaque = _mm256_set1_epi32(255);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i f = Avx2Load(src + i);
        const __m256i alpha = _mm256_srli_epi32(f, 24);
        const __m256i full = _mm256_cmpeq_epi32(alpha, opaque);
        const __m256i none = _mm256_cmpeq_epi32(alpha, zero);
        if (_mm256_movemask_epi8(full) == -1) {
            Avx2Store(dst + i, f);
            continue;
        }
        if (_mm256_movemask_epi8(none) == -1) continue;
        const __m256i b = Avx2Load(dst + i);
        const __m256i mixed = Avx2MixByPixelWeights(f, b, f);
        Avx2Store(dst + i, _mm256_blendv_epi8(_mm256_blendv_epi8(mixed, b, none), f, full));
    }
    if (i < count) sse2::BlendRow(src + i, dst + i, count - i);
}

void BlendRowWeighted(const Pixel* src, Pixel* dst, int count, int m) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i m1 = _mm256_set1_epi32(m + 1);
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i f = Avx2Load(src + i);
        const __m256i b = Avx2Load(dst + i);
        const __m256i w = _mm256_srli_epi32(_mm256_mullo_epi16(_mm256_srli_epi32(f, 24), m1), 8);
        const __m256i keep = _mm256_cmpeq_epi32(w, zero);
        const __m256i mixed = Avx2MixByPixelWeights(f, b, _mm256_slli_epi32(w, 24));
        Avx2Store(dst + i, _mm256_blendv_epi8(mixed, b, keep));
    }
    if (i < count) sse2::BlendRowWeighted(src + i, dst + i, count - i, m);
}

void AndPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask) {
    Avx2RowOp(src, dst, count, mask, [](__m256i v, __m256i m) { return _mm256_and_si256(v, m); });
}
void OrPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask) {
    Avx2RowOp(src, dst, count, mask, [](__m256i v, __m256i m) { return _mm256_or_si256(v, m); });
}
void XorPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask) {
    Avx2RowOp(src, dst, count, mask, [](__m256i v, __m256i m) { return _mm256_xor_si256(v, m); });
}

Pixel AverageBlock(int w, int h, const Pixel* src, int rowBytes) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i sum = zero;
    __m128i tail = _mm_setzero_si128();
    const auto* row = reinterpret_cast<const unsigned char*>(src);
    for (int y = 0; y < h; ++y, row += rowBytes) {
        const auto* p = reinterpret_cast<const Pixel*>(row);
        int x = 0;
        for (; x + 8 <= w; x += 8) {
            const __m256i v = Avx2Load(p + x);
            const __m256i pairs = _mm256_add_epi16(_mm256_unpacklo_epi8(v, zero), _mm256_unpackhi_epi8(v, zero));
            sum = _mm256_add_epi32(sum, _mm256_add_epi32(_mm256_unpacklo_epi16(pairs, zero), _mm256_unpackhi_epi16(pairs, zero)));
        }
        for (; x < w; ++x) {
            const __m128i one = _mm_cvtsi32_si128(static_cast<int>(p[x]));
            tail = _mm_add_epi32(tail, _mm_unpacklo_epi16(_mm_unpacklo_epi8(one, _mm_setzero_si128()), _mm_setzero_si128()));
        }
    }
    const __m128i total = _mm_add_epi32(_mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1)), tail);
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), total);
    const std::uint32_t f = 0x1000000u / (static_cast<std::uint32_t>(w) * static_cast<std::uint32_t>(h));
    Pixel result = 0;
    for (int c = 0; c < 4; ++c) result |= (((lanes[c] * f) >> 24) & 0xFF) << (8 * c);
    return result;
}

// Eight pixels and two taps per step; the unpacks leave the pixels in the order 0 4, 1 5,
// 2 6, 3 7 across the halves, which the stores put back.
void ResampleVertical(std::uint32_t* sums, const Pixel* const* rows, const int* weights, int taps, int span) {
    for (int k = 0; k < taps; ++k)
        if (weights[k] < -32768 || weights[k] > 32767) return portable::ResampleVertical(sums, rows, weights, taps, span);
    const __m256i zero = _mm256_setzero_si256();
    int x = 0;
    for (; x + 8 <= span; x += 8) {
        __m256i acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
        for (int k = 0; k < taps; k += 2) {
            const bool pair = k + 1 < taps;
            const __m256i a = Avx2Load(rows[k] + x);
            const __m256i b = pair ? Avx2Load(rows[k + 1] + x) : zero;
            const int wb = pair ? weights[k + 1] : 0;
            const __m256i w = _mm256_set1_epi32(static_cast<int>((static_cast<unsigned>(wb) << 16) | (static_cast<unsigned>(weights[k]) & 0xFFFF)));
            const __m256i aLo = _mm256_unpacklo_epi8(a, zero), bLo = _mm256_unpacklo_epi8(b, zero);
            const __m256i aHi = _mm256_unpackhi_epi8(a, zero), bHi = _mm256_unpackhi_epi8(b, zero);
            acc0 = _mm256_add_epi32(acc0, _mm256_madd_epi16(_mm256_unpacklo_epi16(aLo, bLo), w));
            acc1 = _mm256_add_epi32(acc1, _mm256_madd_epi16(_mm256_unpackhi_epi16(aLo, bLo), w));
            acc2 = _mm256_add_epi32(acc2, _mm256_madd_epi16(_mm256_unpacklo_epi16(aHi, bHi), w));
            acc3 = _mm256_add_epi32(acc3, _mm256_madd_epi16(_mm256_unpackhi_epi16(aHi, bHi), w));
        }
        auto* out = reinterpret_cast<__m256i*>(sums + static_cast<std::ptrdiff_t>(x) * 4);
        _mm256_storeu_si256(out, _mm256_permute2x128_si256(acc0, acc1, 0x20));
        _mm256_storeu_si256(out + 1, _mm256_permute2x128_si256(acc2, acc3, 0x20));
        _mm256_storeu_si256(out + 2, _mm256_permute2x128_si256(acc0, acc1, 0x31));
        _mm256_storeu_si256(out + 3, _mm256_permute2x128_si256(acc2, acc3, 0x31));
    }
    if (x < span) {
        const Pixel* rest[64];
        if (taps <= 64) {
            for (int k = 0; k < taps; ++k) rest[k] = rows[k] + x;
            sse2::ResampleVertical(sums + static_cast<std::ptrdiff_t>(x) * 4, rest, weights, taps, span - x);
        } else {
            portable::ResampleVertical(sums, rows, weights, taps, span);
        }
    }
}

void ResampleHorizontal(const std::uint32_t* sums, const int* offsets, const int* weights, const int* starts,
                        int count, bool clamp, Pixel* out) {
    const __m128i low = _mm_set1_epi32(0xFF);
    for (int i = 0; i < count; ++i) {
        __m256i acc = _mm256_setzero_si256();
        int e = starts[i];
        const int end = starts[i + 1];
        for (; e + 2 <= end; e += 2) {
            const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + offsets[e]));
            const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + offsets[e + 1]));
            const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1);
            const __m256i w = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_set1_epi32(weights[e])),
                                                      _mm_set1_epi32(weights[e + 1]), 1);
            acc = _mm256_add_epi32(acc, _mm256_mullo_epi32(v, w));
        }
        __m128i s = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
        if (e < end)
            s = _mm_add_epi32(s, _mm_mullo_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + offsets[e])),
                                                 _mm_set1_epi32(weights[e])));
        // Clamped: the signed sum shifted, saturated to 0 .. 255 by the packs. Otherwise bits 16-23.
        const __m128i v = clamp ? _mm_srai_epi32(s, 16) : _mm_and_si128(_mm_srli_epi32(s, 16), low);
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(v, v), _mm_setzero_si128());
        out[i] = static_cast<Pixel>(_mm_cvtsi128_si32(packed));
    }
}

}  // namespace parch::simd::avx2
