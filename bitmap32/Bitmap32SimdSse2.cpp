// SSE2 variants. Four pixels per step, channels widened to 16-bit lanes; every product of the
// 255-weighted mix stays below 65536, so the lanes compute exactly what the portable code does.

#include <emmintrin.h>

#include <algorithm>

#include "bitmap32/Bitmap32Blend.h"
#include "bitmap32/Bitmap32Resamplers.h"
#include "bitmap32/Bitmap32Simd.h"
#include "bitmap32/MicroTiles.h"

namespace parch::simd::sse2 {

namespace {

const __m128i kSse2Zero = _mm_setzero_si128();

inline __m128i Sse2Load(const Pixel* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Sse2Store(Pixel* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline __m128i Sse2One(Pixel p) { return _mm_cvtsi32_si128(static_cast<int>(p)); }
inline Pixel Sse2Value(__m128i v) { return static_cast<Pixel>(_mm_cvtsi128_si32(v)); }

// The alpha lane of each pixel copied into its four lanes (16-bit lanes, two pixels).
inline __m128i Sse2SpreadAlpha(__m128i wide) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
}

// ((f * w + 128) shr 8) + ((b * (255 - w) + 128) shr 8) on 16-bit lanes.
inline __m128i Sse2Mix255(__m128i f, __m128i b, __m128i w) {
    const __m128i bias = _mm_set1_epi16(128);
    const __m128i iw = _mm_sub_epi16(_mm_set1_epi16(255), w);
    const __m128i fw = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(f, w), bias), 8);
    const __m128i bw = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(b, iw), bias), 8);
    return _mm_add_epi16(fw, bw);
}

// Mixes four pixels, each by the weight in the alpha byte of the same pixel of weights.
inline __m128i Sse2MixByPixelWeights(__m128i f, __m128i b, __m128i weights) {
    const __m128i lo = Sse2Mix255(_mm_unpacklo_epi8(f, kSse2Zero), _mm_unpacklo_epi8(b, kSse2Zero),
                                  Sse2SpreadAlpha(_mm_unpacklo_epi8(weights, kSse2Zero)));
    const __m128i hi = Sse2Mix255(_mm_unpackhi_epi8(f, kSse2Zero), _mm_unpackhi_epi8(b, kSse2Zero),
                                  Sse2SpreadAlpha(_mm_unpackhi_epi8(weights, kSse2Zero)));
    return _mm_packus_epi16(lo, hi);
}

inline __m128i Sse2MixByWeight(__m128i f, __m128i b, int w) {
    const __m128i w16 = _mm_set1_epi16(static_cast<short>(w));
    const __m128i lo = Sse2Mix255(_mm_unpacklo_epi8(f, kSse2Zero), _mm_unpacklo_epi8(b, kSse2Zero), w16);
    const __m128i hi = Sse2Mix255(_mm_unpackhi_epi8(f, kSse2Zero), _mm_unpackhi_epi8(b, kSse2Zero), w16);
    return _mm_packus_epi16(lo, hi);
}

inline __m128i Sse2Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// BlendPixel on four pixels: alpha 0 keeps b, alpha 255 takes f, any other mixes.
inline __m128i Sse2Blend4(__m128i f, __m128i b) {
    const __m128i alpha = _mm_srli_epi32(f, 24);
    const __m128i none = _mm_cmpeq_epi32(alpha, kSse2Zero);
    const __m128i full = _mm_cmpeq_epi32(alpha, _mm_set1_epi32(255));
    const __m128i mixed = Sse2MixByPixelWeights(f, b, f);
    return Sse2Select(full, f, Sse2Select(none, b, mixed));
}

// BlendPixelWeighted on four pixels: W = ((m + 1) * alpha) shr 8, and W = 0 keeps b.
inline __m128i Sse2BlendWeighted4(__m128i f, __m128i b, __m128i m1) {
    const __m128i alpha = _mm_srli_epi32(f, 24);
    const __m128i w = _mm_srli_epi32(_mm_mullo_epi16(alpha, m1), 8);
    const __m128i keep = _mm_cmpeq_epi32(w, kSse2Zero);
    const __m128i mixed = Sse2MixByPixelWeights(f, b, _mm_slli_epi32(w, 24));
    return Sse2Select(keep, b, mixed);
}

template <class Op>
inline void Sse2RowOp(const Pixel* src, Pixel* dst, int count, Pixel mask, Op op) {
    const __m128i m = _mm_set1_epi32(static_cast<int>(mask));
    int i = 0;
    for (; i + 4 <= count; i += 4) Sse2Store(dst + i, op(Sse2Load(src + i), m));
    for (; i < count; ++i) dst[i] = Sse2Value(op(Sse2One(src[i]), m));
}

}  // namespace

void FillWords(Pixel* dest, int count, Pixel value) {
    const __m128i v = _mm_set1_epi32(static_cast<int>(value));
    int i = 0;
    for (; i + 4 <= count; i += 4) Sse2Store(dest + i, v);
    for (; i < count; ++i) dest[i] = value;
}

Pixel CombinePixel(Pixel x, Pixel y, int w) {
    if (w <= 0) return y;
    if (w >= 255) return x;
    return Sse2Value(Sse2MixByWeight(Sse2One(x), Sse2One(y), w));
}

void CombinePixelInto(Pixel f, Pixel& b, int w) { b = CombinePixel(f, b, w); }

void CombineRow(const Pixel* src, Pixel* dst, int count, int w) {
    if (count <= 0 || w <= 0) return;
    if (w >= 255) {
        std::copy_n(src, count, dst);
        return;
    }
    int i = 0;
    for (; i + 4 <= count; i += 4) Sse2Store(dst + i, Sse2MixByWeight(Sse2Load(src + i), Sse2Load(dst + i), w));
    for (; i < count; ++i) dst[i] = Sse2Value(Sse2MixByWeight(Sse2One(src[i]), Sse2One(dst[i]), w));
}

Pixel BlendPixel(Pixel f, Pixel b) {
    const Pixel a = f >> 24;
    if (a == 0) return b;
    if (a == 255) return f;
    return Sse2Value(Sse2MixByPixelWeights(Sse2One(f), Sse2One(b), Sse2One(f)));
}

void BlendPixelInto(Pixel f, Pixel& b) { b = BlendPixel(f, b); }

void BlendRow(const Pixel* src, Pixel* dst, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i f = Sse2Load(src + i);
        const __m128i alpha = _mm_srli_epi32(f, 24);
        const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_set1_epi32(255)));
        if (opaque == 0xFFFF) {
            Sse2Store(dst + i, f);
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, kSse2Zero)) == 0xFFFF) continue;
        Sse2Store(dst + i, Sse2Blend4(f, Sse2Load(dst + i)));
    }
    for (; i < count; ++i) dst[i] = BlendPixel(src[i], dst[i]);
}

Pixel BlendPixelWeighted(Pixel f, Pixel b, int m) {
    const __m128i m1 = _mm_set1_epi32(m + 1);
    return Sse2Value(Sse2BlendWeighted4(Sse2One(f), Sse2One(b), m1));
}

void BlendPixelIntoWeighted(Pixel f, Pixel& b, int m) { b = BlendPixelWeighted(f, b, m); }

void BlendRowWeighted(const Pixel* src, Pixel* dst, int count, int m) {
    const __m128i m1 = _mm_set1_epi32(m + 1);
    int i = 0;
    for (; i + 4 <= count; i += 4) Sse2Store(dst + i, Sse2BlendWeighted4(Sse2Load(src + i), Sse2Load(dst + i), m1));
    for (; i < count; ++i) dst[i] = Sse2Value(Sse2BlendWeighted4(Sse2One(src[i]), Sse2One(dst[i]), m1));
}

Pixel MaxChannels(Pixel a, Pixel b) { return Sse2Value(_mm_max_epu8(Sse2One(a), Sse2One(b))); }
Pixel MinChannels(Pixel a, Pixel b) { return Sse2Value(_mm_min_epu8(Sse2One(a), Sse2One(b))); }
Pixel AddChannels(Pixel a, Pixel b) { return Sse2Value(_mm_adds_epu8(Sse2One(a), Sse2One(b))); }
Pixel SubtractChannels(Pixel a, Pixel b) { return Sse2Value(_mm_subs_epu8(Sse2One(a), Sse2One(b))); }

Pixel ModulateChannels(Pixel a, Pixel b) {
    const __m128i product = _mm_mullo_epi16(_mm_unpacklo_epi8(Sse2One(a), kSse2Zero), _mm_unpacklo_epi8(Sse2One(b), kSse2Zero));
    return Sse2Value(_mm_packus_epi16(_mm_srli_epi16(product, 8), kSse2Zero));
}

Pixel DifferenceChannels(Pixel a, Pixel b) {
    const __m128i x = Sse2One(a), y = Sse2One(b);
    return Sse2Value(_mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x)));
}

Pixel ExclusionChannels(Pixel a, Pixel b) {
    const __m128i x = _mm_unpacklo_epi8(Sse2One(a), kSse2Zero);
    const __m128i y = _mm_unpacklo_epi8(Sse2One(b), kSse2Zero);
    const __m128i r = _mm_sub_epi16(_mm_add_epi16(x, y), _mm_srli_epi16(_mm_mullo_epi16(x, y), 7));
    return Sse2Value(_mm_packus_epi16(r, kSse2Zero));
}

Pixel ScaleChannels(Pixel c, int w) {
    if (w < 0 || w > 255) return portable::ScaleChannels(c, w);
    const __m128i product = _mm_mullo_epi16(_mm_unpacklo_epi8(Sse2One(c), kSse2Zero), _mm_set1_epi16(static_cast<short>(w)));
    return Sse2Value(_mm_packus_epi16(_mm_srli_epi16(product, 8), kSse2Zero));
}

void AndPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask) {
    Sse2RowOp(src, dst, count, mask, [](__m128i v, __m128i m) { return _mm_and_si128(v, m); });
}
void OrPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask) {
    Sse2RowOp(src, dst, count, mask, [](__m128i v, __m128i m) { return _mm_or_si128(v, m); });
}
void XorPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask) {
    Sse2RowOp(src, dst, count, mask, [](__m128i v, __m128i m) { return _mm_xor_si128(v, m); });
}

// Channel sums in 32-bit lanes: exact for every block whose average is not 0 by definition
// (F = 2^24 div (W * H) is 0 beyond 2^24 pixels, and below that a sum fits 32 bits).
Pixel AverageBlock(int w, int h, const Pixel* src, int rowBytes) {
    __m128i sum = kSse2Zero;
    const auto* row = reinterpret_cast<const unsigned char*>(src);
    for (int y = 0; y < h; ++y, row += rowBytes) {
        const auto* p = reinterpret_cast<const Pixel*>(row);
        int x = 0;
        for (; x + 4 <= w; x += 4) {
            const __m128i v = Sse2Load(p + x);
            const __m128i pairs = _mm_add_epi16(_mm_unpacklo_epi8(v, kSse2Zero), _mm_unpackhi_epi8(v, kSse2Zero));
            sum = _mm_add_epi32(sum, _mm_add_epi32(_mm_unpacklo_epi16(pairs, kSse2Zero), _mm_unpackhi_epi16(pairs, kSse2Zero)));
        }
        for (; x < w; ++x) {
            const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(Sse2One(p[x]), kSse2Zero), kSse2Zero);
            sum = _mm_add_epi32(sum, v);
        }
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sum);
    const std::uint32_t f = 0x1000000u / (static_cast<std::uint32_t>(w) * static_cast<std::uint32_t>(h));
    Pixel result = 0;
    for (int c = 0; c < 4; ++c) result |= (((lanes[c] * f) >> 24) & 0xFF) << (8 * c);
    return result;
}

Pixel InterpolateQuad(int wx, int wy, const Pixel* p0, const Pixel* p1) {
    wx = std::clamp(wx, 0, 255);
    wy = std::clamp(wy, 0, 255);
    // Left pixels of both rows against the right ones, then the upper result against the lower.
    const __m128i left = _mm_unpacklo_epi32(Sse2One(p0[0]), Sse2One(p1[0]));
    const __m128i right = _mm_unpacklo_epi32(Sse2One(p0[1]), Sse2One(p1[1]));
    __m128i rows;
    if (wx == 0) rows = right;
    else if (wx == 255) rows = left;
    else rows = Sse2MixByWeight(left, right, wx);
    const __m128i top = rows, bottom = _mm_srli_si128(rows, 4);
    if (wy == 0) return Sse2Value(bottom);
    if (wy == 255) return Sse2Value(top);
    return Sse2Value(Sse2MixByWeight(top, bottom, wy));
}

// Two taps per step: the 16-bit channels of two rows interleaved, so that one multiply-add
// gives a * wa + b * wb per channel. Needs the weights in 16 bits, which every kernel's are.
void ResampleVertical(std::uint32_t* sums, const Pixel* const* rows, const int* weights, int taps, int span) {
    for (int k = 0; k < taps; ++k)
        if (weights[k] < -32768 || weights[k] > 32767) return portable::ResampleVertical(sums, rows, weights, taps, span);
    int x = 0;
    for (; x + 4 <= span; x += 4) {
        __m128i acc0 = kSse2Zero, acc1 = kSse2Zero, acc2 = kSse2Zero, acc3 = kSse2Zero;
        for (int k = 0; k < taps; k += 2) {
            const bool pair = k + 1 < taps;
            const __m128i a = Sse2Load(rows[k] + x);
            const __m128i b = pair ? Sse2Load(rows[k + 1] + x) : kSse2Zero;
            const int wb = pair ? weights[k + 1] : 0;
            const __m128i w = _mm_set1_epi32(static_cast<int>((static_cast<unsigned>(wb) << 16) | (static_cast<unsigned>(weights[k]) & 0xFFFF)));
            const __m128i aLo = _mm_unpacklo_epi8(a, kSse2Zero), bLo = _mm_unpacklo_epi8(b, kSse2Zero);
            const __m128i aHi = _mm_unpackhi_epi8(a, kSse2Zero), bHi = _mm_unpackhi_epi8(b, kSse2Zero);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(aLo, bLo), w));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(aLo, bLo), w));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(aHi, bHi), w));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(aHi, bHi), w));
        }
        auto* out = reinterpret_cast<__m128i*>(sums + static_cast<std::ptrdiff_t>(x) * 4);
        _mm_storeu_si128(out, acc0);
        _mm_storeu_si128(out + 1, acc1);
        _mm_storeu_si128(out + 2, acc2);
        _mm_storeu_si128(out + 3, acc3);
    }
    for (; x < span; ++x) {
        std::uint32_t sum[4] = {0, 0, 0, 0};
        for (int k = 0; k < taps; ++k) {
            const Pixel p = rows[k][x];
            const auto w = static_cast<std::uint32_t>(weights[k]);
            for (int c = 0; c < 4; ++c) sum[c] += w * ((p >> (8 * c)) & 0xFF);
        }
        std::copy_n(sum, 4, sums + static_cast<std::ptrdiff_t>(x) * 4);
    }
}

namespace {

// Four tiles united with four values, lane by lane, under the same rules as the portable
// routine: a full tile or an empty or degenerate value leaves the tile; an empty tile or a full
// value takes the value; otherwise the smaller left and top bytes and the larger right and
// bottom bytes.
inline __m128i Sse2UniteTiles(__m128i tiles, __m128i values) {
    const __m128i full = _mm_set1_epi32(static_cast<int>(TileFull));
    // Byte 1 of each lane: left xor right; byte 0: top xor bottom. Zero where they are equal.
    const __m128i sides = _mm_xor_si128(values, _mm_srli_epi32(values, 16));
    const __m128i degenerate =
        _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(sides, _mm_set1_epi32(0xFF00)), kSse2Zero),
                     _mm_cmpeq_epi32(_mm_and_si128(sides, _mm_set1_epi32(0xFF)), kSse2Zero));
    const __m128i keep = _mm_or_si128(_mm_cmpeq_epi32(tiles, full), degenerate);
    const __m128i take = _mm_or_si128(_mm_cmpeq_epi32(tiles, kSse2Zero), _mm_cmpeq_epi32(values, full));
    const __m128i rightBottom = _mm_set1_epi32(0xFFFF);
    const __m128i united = _mm_or_si128(_mm_andnot_si128(rightBottom, _mm_min_epu8(tiles, values)),
                                        _mm_and_si128(rightBottom, _mm_max_epu8(tiles, values)));
    return Sse2Select(keep, tiles, Sse2Select(take, values, united));
}

// The last column of row y that lies in the grid's store, or -1.
int Sse2LastStoredColumn(const TTileGrid& grid, int y) {
    if (y < 0 || y > grid.GridRows) return -1;
    const std::int64_t slots = grid.SlotsInStore() - std::int64_t{y} * grid.Columns;
    return static_cast<int>(std::min<std::int64_t>(grid.Columns, slots - 1));
}

}  // namespace

void UniteTile(Pixel& tile, Pixel value) { tile = Sse2Value(Sse2UniteTiles(Sse2One(tile), Sse2One(value))); }

void UniteGrids(TTileGrid& dst, const TTileGrid& src) {
    const RECT used = src.OccupiedTiles;
    for (int y = std::max<int>(used.top, 0); y <= used.bottom; ++y) {
        const int last = std::min({static_cast<int>(used.right), Sse2LastStoredColumn(src, y),
                                   Sse2LastStoredColumn(dst, y)});
        int x = std::max<int>(used.left, 0);
        if (last < x) continue;
        Pixel* to = dst.GridTiles.data() + static_cast<std::ptrdiff_t>(y) * dst.Columns;
        const Pixel* from = src.GridTiles.data() + static_cast<std::ptrdiff_t>(y) * src.Columns;
        for (; x + 3 <= last; x += 4) Sse2Store(to + x, Sse2UniteTiles(Sse2Load(to + x), Sse2Load(from + x)));
        for (; x <= last; ++x) UniteTile(to[x], from[x]);
    }
}

}  // namespace parch::simd::sse2
