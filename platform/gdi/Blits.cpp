#include "platform/gdi/Blits.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <climits>
#include <cstdlib>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetafile.h"
#include "platform/gdi/MetafileRecorder.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Raster.h"

namespace parch {
namespace {

// One axis of a blit, sizes made positive; `flip` mirrors the source along it.
struct Axis {
    int dst0 = 0;
    int dstLength = 0;
    int src0 = 0;
    int srcLength = 0;
    bool flip = false;
};

// Sizes and positions beyond 2^30 pixels are refused (false), so no sum below can overflow;
// an empty axis is valid and has length 0.
bool MakeAxis(int d0, int dLength, int s0, int sLength, Axis& axis) {
    constexpr long long kMaxLength = 1 << 30;
    axis = Axis{};
    if (std::llabs(dLength) > kMaxLength || std::llabs(sLength) > kMaxLength) return false;
    if (dLength == 0 || sLength == 0) return true;
    long long d = d0, dl = dLength, s = s0, sl = sLength;
    bool flip = false;
    if (dl < 0) {
        d += dl;
        dl = -dl;
        flip = !flip;
    }
    if (sl < 0) {
        s += sl;
        sl = -sl;
        flip = !flip;
    }
    if (std::llabs(d) > kMaxLength || std::llabs(s) > kMaxLength) return false;
    axis = Axis{static_cast<int>(d), static_cast<int>(dl), static_cast<int>(s), static_cast<int>(sl), flip};
    return true;
}

// Source pixel under the centre of destination pixel k, or -1 outside [0, limit).
int NearestSource(const Axis& a, int k, int limit) {
    long long j = ((2LL * k + 1) * a.srcLength) / (2LL * a.dstLength);
    if (a.flip) j = a.srcLength - 1 - j;
    const long long index = a.src0 + j;
    return index >= 0 && index < limit ? static_cast<int>(index) : -1;
}

// Area-average weights: the source pixels a destination pixel covers, with weights summing to
// kWeightUnit. Pixels beyond the source edge repeat the edge.
// Weights are 14-bit so that two of them times a channel fit the 16-bit lanes of SSE2's
// multiply-add; column sums keep 7 fraction bits.
constexpr int kWeightUnit = 1 << 14;
constexpr int kColumnShift = 7;

struct Contributors {
    std::vector<int> first;   // per destination pixel: offset into index/weight
    std::vector<int> count;
    std::vector<int> index;
    std::vector<int> weight;
};

Contributors BoxContributors(const Axis& a, int k0, int k1, int limit) {
    Contributors c;
    for (int k = k0; k < k1; ++k) {
        // Positions in units of 1 / dstLength source pixels.
        const long long start = static_cast<long long>(k) * a.srcLength;
        const long long end = start + a.srcLength;
        c.first.push_back(static_cast<int>(c.index.size()));
        int total = 0;
        long long j0 = start / a.dstLength, j1 = (end + a.dstLength - 1) / a.dstLength;
        // Only source pixels inside the bitmap count (a few beyond its edge repeat it).
        const long long inside0 = a.flip ? a.src0 + a.srcLength - limit : -a.src0;
        const long long inside1 = a.flip ? a.src0 + a.srcLength : limit - a.src0;
        j0 = std::max(j0, inside0 - 1);
        j1 = std::min(j1, inside1 + 1);
        for (long long j = j0; j < j1; ++j) {
            const long long overlap = std::min(end, (j + 1) * a.dstLength) - std::max(start, j * a.dstLength);
            if (overlap <= 0) continue;
            const int w = static_cast<int>(overlap * kWeightUnit / a.srcLength);
            long long source = a.src0 + (a.flip ? a.srcLength - 1 - j : j);
            source = std::clamp<long long>(source, 0, limit - 1);
            c.index.push_back(static_cast<int>(source));
            c.weight.push_back(w);
            total += w;
        }
        if (!c.weight.empty() && c.index.size() > static_cast<size_t>(c.first.back())) c.weight.back() += kWeightUnit - total;
        c.count.push_back(static_cast<int>(c.index.size()) - c.first.back());
    }
    return c;
}

// Turns source values into destination values, with the monochrome conversions of GDI: a
// monochrome source paints its 0 bits in the destination's text colour and its 1 bits in its
// background colour; a colour source becomes 1 where it has the source's background colour.
class Converter {
public:
    Converter(const PixelView& source, const PixelView& destination, COLORREF textColor, COLORREF bkColor,
              COLORREF sourceBkColor)
        : source_(source), destination_(destination) {
        const bool srcMono = source.bitsPerPixel == 1, dstMono = destination.bitsPerPixel == 1;
        if (srcMono && !dstMono) {
            kind_ = Kind::FromMono;
            monoColors_[0] = ColorOfColorRef(textColor);
            monoColors_[1] = ColorOfColorRef(bkColor);
            for (int i = 0; i < 2; ++i) table_.push_back(destination.ValueOfColor(monoColors_[i]));
        } else if (!srcMono && dstMono) {
            kind_ = Kind::ToMono;
            sourceBk_ = ColorOfColorRef(sourceBkColor);
        } else if (source.bitsPerPixel == destination.bitsPerPixel &&
                   (!source.Paletted() || (source.colorCount == destination.colorCount &&
                                           std::memcmp(source.colors, destination.colors, sizeof(RGBQUAD) * source.colorCount) == 0))) {
            kind_ = Kind::Same;
        } else if (source.Paletted()) {
            kind_ = Kind::Table;
            for (int i = 0; i < (1 << source.bitsPerPixel); ++i)
                table_.push_back(destination.ValueOfColor(source.ColorOfValue(static_cast<DWORD>(i))));
        } else {
            kind_ = Kind::Colors;
        }
    }

    DWORD Value(DWORD v) const {
        switch (kind_) {
        case Kind::Same: return v;
        case Kind::FromMono:
        case Kind::Table: return table_[v];
        case Kind::ToMono: return (source_.ColorOfValue(v) & 0xFFFFFF) == sourceBk_ ? 1 : 0;
        default: return Nearest(source_.ColorOfValue(v));
        }
    }
    // The colour a source value stands for in the destination (for averaging and blending).
    DWORD Color(DWORD v) const {
        return kind_ == Kind::FromMono ? monoColors_[v & 1] : source_.ColorOfValue(v);
    }
    // True when ValueOfAveragedColor returns its colour unchanged.
    bool AveragedColorIsValue() const {
        return kind_ != Kind::ToMono && !destination_.Paletted() && destination_.bitsPerPixel == 32;
    }
    DWORD ValueOfAveragedColor(DWORD color) const {
        if (kind_ == Kind::ToMono) return (color & 0xFFFFFF) == sourceBk_ ? 1 : 0;
        return Nearest(color);
    }

private:
    // The destination value of a colour; palette searches are remembered, as pictures repeat
    // their colours.
    DWORD Nearest(DWORD color) const {
        if (!destination_.Paletted()) return destination_.ValueOfColor(color);
        color &= 0xFFFFFF;
        if (nearest_.empty()) nearest_.assign(1024, {0xFFFFFFFF, 0});
        auto& entry = nearest_[(color * 2654435761u) >> 22];
        if (entry.first != color) entry = {color, destination_.ValueOfColor(color)};
        return entry.second;
    }

    enum class Kind { Same, FromMono, ToMono, Table, Colors };
    const PixelView& source_;
    const PixelView& destination_;
    Kind kind_ = Kind::Colors;
    std::vector<DWORD> table_;
    DWORD monoColors_[2] = {0, 0};
    DWORD sourceBk_ = 0;
    // Keyed by colour; 0xFFFFFFFF is no colour of a palette search.
    mutable std::vector<std::pair<DWORD, DWORD>> nearest_;
};

struct BlitSource {
    PixelView view;
    COLORREF bkColor = RGB(255, 255, 255);
    std::vector<BYTE> snapshot;

    // A blit within one bitmap reads from a copy, so rows it has written are not read again
    // (scrolling a picture down would otherwise smear its first rows).
    void SeparateFrom(const PixelView& target) {
        if (view.bits != target.bits) return;
        snapshot.assign(view.bits, view.bits + static_cast<std::ptrdiff_t>(view.stride) * view.height);
        view.bits = snapshot.data();
    }
};

// Produces, row by row, the source pixels that land on destination columns [k0, k1) of the
// blit: exact values for nearest sampling, averaged colours for HALFTONE.
class Sampler {
public:
    Sampler(const BlitSource& source, const Converter& converter, const Axis& ax, const Axis& ay, bool average,
            int k0, int k1)
        : source_(source), converter_(converter), ay_(ay), average_(average), k0_(k0), k1_(k1) {
        const int n = k1 - k0;
        nearest_.resize(n);
        for (int k = k0; k < k1; ++k) nearest_[k - k0] = NearestSource(ax, k, source.view.width);
        if (average) {
            columns_ = BoxContributors(ax, k0, k1, source.view.width);
            sum_.resize(static_cast<size_t>(n) * 4);
            halves_ = ExactHalf(ax, source.view.width) && ExactHalf(ay, source.view.height) &&
                      source.view.bitsPerPixel == 32;
            halfColumn0_ = ax.src0 + 2 * k0;
        }
    }

    // Fills `out` with destination values (or colours when `wantColors`) for row ky; `valid`
    // marks pixels that have a source.
    void Row(int ky, std::vector<DWORD>& out, std::vector<BYTE>& valid, bool wantColors) {
        const int n = k1_ - k0_;
        out.resize(n);
        valid.assign(n, 0);
        const int nearestRow = NearestSource(ay_, ky, source_.view.height);
        if (nearestRow < 0) return;
        if (!average_) {
            const bool raw32 = source_.view.bitsPerPixel == 32;
            const auto* row32 = reinterpret_cast<const DWORD*>(source_.view.Row(nearestRow));
            for (int i = 0; i < n; ++i) {
                const int x = nearest_[i];
                if (x < 0) continue;
                const DWORD v = raw32 ? row32[x] : source_.view.ReadValue(x, nearestRow);
                out[i] = wantColors ? converter_.Color(v) : converter_.Value(v);
                valid[i] = 1;
            }
            return;
        }
        if (halves_) {
            HalveRows(ky, out);
            std::fill(valid.begin(), valid.end(), BYTE{1});
            if (!wantColors && !converter_.AveragedColorIsValue())
                for (DWORD& value : out) value = converter_.ValueOfAveragedColor(value);
            return;
        }
        const Contributors rows = BoxContributors(ay_, ky, ky + 1, source_.view.height);
        std::fill(sum_.begin(), sum_.end(), 0);
        for (int r = 0; r < rows.count[0]; r += 2) {
            // Rows go in pairs; a lone last row pairs with itself at weight 0.
            const bool pair = r + 1 < rows.count[0];
            AddRows(FilteredRow(rows.index[r]), rows.weight[r], FilteredRow(rows.index[pair ? r + 1 : r]),
                    pair ? rows.weight[r + 1] : 0);
        }
        constexpr int shift = 14 + kColumnShift;
        for (int i = 0; i < n; ++i) {
            if (nearest_[i] < 0) continue;
#if defined(__SSE2__)
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sum_.data() + static_cast<size_t>(i) * 4));
            v = _mm_srai_epi32(_mm_add_epi32(v, _mm_set1_epi32(1 << (shift - 1))), shift);
            v = _mm_packs_epi32(v, v);  // the two packs clamp to 0..255
            const DWORD color = static_cast<DWORD>(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
#else
            DWORD color = 0;
            for (int c = 0; c < 4; ++c) {
                const std::int32_t v = (sum_[static_cast<size_t>(i) * 4 + c] + (1 << (shift - 1))) >> shift;
                color |= static_cast<DWORD>(std::clamp(v, 0, 255)) << (8 * c);
            }
#endif
            out[i] = wantColors ? color : converter_.ValueOfAveragedColor(color);
            valid[i] = 1;
        }
    }

private:
    // Exactly half size, unmirrored and wholly inside the source: every destination pixel is the
    // plain 2 x 2 box of source pixels at equal weights, so the general weights reduce to
    // (a + b + c + d + 2) >> 2 per channel (the column pass keeps (a + b) x 64 exactly, the row
    // pass rounds by half of 2^21).
    static bool ExactHalf(const Axis& a, int limit) {
        return !a.flip && a.srcLength == 2LL * a.dstLength && a.src0 >= 0 &&
               static_cast<long long>(a.src0) + a.srcLength <= limit;
    }

    // The 2 x 2 averages of destination row ky, columns [k0, k1).
    void HalveRows(int ky, std::vector<DWORD>& out) const {
        const int y = ay_.src0 + 2 * ky;
        const DWORD* top = reinterpret_cast<const DWORD*>(source_.view.Row(y)) + halfColumn0_;
        const DWORD* bottom = reinterpret_cast<const DWORD*>(source_.view.Row(y + 1)) + halfColumn0_;
        const int n = k1_ - k0_;
        int i = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i two = _mm_set1_epi16(2);
        // Sums of horizontal pixel pairs of both rows, 16 bits per channel, for two destination pixels.
        auto pairSums = [&](const DWORD* a, const DWORD* b) {
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
            const __m128i low = _mm_add_epi16(_mm_unpacklo_epi8(va, zero), _mm_unpacklo_epi8(vb, zero));
            const __m128i high = _mm_add_epi16(_mm_unpackhi_epi8(va, zero), _mm_unpackhi_epi8(vb, zero));
            const __m128i sums = _mm_add_epi16(_mm_unpacklo_epi64(low, high), _mm_unpackhi_epi64(low, high));
            return _mm_srli_epi16(_mm_add_epi16(sums, two), 2);
        };
        for (; i + 4 <= n; i += 4) {
            const __m128i first = pairSums(top + 2 * i, bottom + 2 * i);
            const __m128i second = pairSums(top + 2 * i + 4, bottom + 2 * i + 4);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out.data() + i), _mm_packus_epi16(first, second));
        }
#endif
        for (; i < n; ++i) {
            DWORD color = 0;
            for (int c = 0; c < 32; c += 8) {
                const DWORD sum = ((top[2 * i] >> c) & 0xFF) + ((top[2 * i + 1] >> c) & 0xFF) +
                                  ((bottom[2 * i] >> c) & 0xFF) + ((bottom[2 * i + 1] >> c) & 0xFF);
                color |= ((sum + 2) >> 2) << c;
            }
            out[i] = color;
        }
    }

    // sum += a x wa + b x wb over every channel of the row.
    void AddRows(const std::int16_t* a, int wa, const std::int16_t* b, int wb) {
        size_t i = 0;
        std::int32_t* sum = sum_.data();
#if defined(__SSE2__)
        const __m128i weights = _mm_set1_epi32(static_cast<int>((static_cast<std::uint32_t>(wb) << 16) | static_cast<std::uint32_t>(wa)));
        for (; i + 8 <= sum_.size(); i += 8) {
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
            auto* target = reinterpret_cast<__m128i*>(sum + i);
            _mm_storeu_si128(target, _mm_add_epi32(_mm_loadu_si128(target), _mm_madd_epi16(_mm_unpacklo_epi16(va, vb), weights)));
            _mm_storeu_si128(target + 1, _mm_add_epi32(_mm_loadu_si128(target + 1), _mm_madd_epi16(_mm_unpackhi_epi16(va, vb), weights)));
        }
#endif
        for (; i < sum_.size(); ++i) sum[i] += a[i] * wa + b[i] * wb;
    }

    // Source row y averaged across the columns, four channels per destination pixel, with
    // kColumnShift fraction bits; rows are cached since neighbouring destination rows share them.
    const std::int16_t* FilteredRow(int y) {
        for (auto& [row, data] : cache_)
            if (row == y) return data.data();
        std::vector<std::int16_t> data;
        if (cache_.size() > 8) {
            data = std::move(cache_.front().second);
            cache_.pop_front();
        }
        const int n = k1_ - k0_;
        data.resize(static_cast<size_t>(n) * 4);
        // 32-bit sources are read directly; others go through their colours once per row.
        const DWORD* pixels = reinterpret_cast<const DWORD*>(source_.view.Row(y));
        if (source_.view.bitsPerPixel != 32) {
            rowColors_.resize(static_cast<size_t>(source_.view.width));
            for (int x = 0; x < source_.view.width; ++x) rowColors_[x] = converter_.Color(source_.view.ReadValue(x, y));
            pixels = rowColors_.data();
        }
        const int* firsts = columns_.first.data();
        const int* counts = columns_.count.data();
        const int* indexes = columns_.index.data();
        const int* weights = columns_.weight.data();
        constexpr int round = 1 << (14 - kColumnShift - 1);
        std::int16_t* out = data.data();
        for (int i = 0; i < n; ++i, out += 4) {
            const int* index = indexes + firsts[i];
            const int* weight = weights + firsts[i];
            const int count = counts[i];
#if defined(__SSE2__)
            const __m128i zero = _mm_setzero_si128();
            __m128i acc = _mm_setzero_si128();
            int k = 0;
            for (; k + 1 < count; k += 2) {
                // Two source pixels interleaved channel by channel, times their two weights.
                const __m128i lanes = _mm_unpacklo_epi8(
                    _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixels[index[k]])),
                                      _mm_cvtsi32_si128(static_cast<int>(pixels[index[k + 1]]))),
                    zero);
                const std::uint32_t pair = static_cast<std::uint32_t>(weight[k]) | (static_cast<std::uint32_t>(weight[k + 1]) << 16);
                acc = _mm_add_epi32(acc, _mm_madd_epi16(lanes, _mm_set1_epi32(static_cast<int>(pair))));
            }
            if (k < count) {
                const __m128i lanes = _mm_unpacklo_epi16(
                    _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixels[index[k]])), zero), zero);
                acc = _mm_add_epi32(acc, _mm_madd_epi16(lanes, _mm_set1_epi32(weight[k])));
            }
            acc = _mm_srai_epi32(_mm_add_epi32(acc, _mm_set1_epi32(round)), 14 - kColumnShift);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(acc, acc));
#else
            std::int32_t acc[4] = {0, 0, 0, 0};
            for (int k = 0; k < count; ++k)
                for (int c = 0; c < 4; ++c) acc[c] += static_cast<std::int32_t>((pixels[index[k]] >> (8 * c)) & 0xFF) * weight[k];
            for (int c = 0; c < 4; ++c) out[c] = static_cast<std::int16_t>((acc[c] + round) >> (14 - kColumnShift));
#endif
        }
        cache_.emplace_back(y, std::move(data));
        return cache_.back().second.data();
    }

    const BlitSource& source_;
    const Converter& converter_;
    Axis ay_;
    bool average_;
    bool halves_ = false;
    int halfColumn0_ = 0;
    int k0_, k1_;
    std::vector<int> nearest_;
    Contributors columns_;
    std::vector<std::int32_t> sum_;
    std::vector<DWORD> rowColors_;
    std::deque<std::pair<int, std::vector<std::int16_t>>> cache_;
};

bool UsesSource(BYTE rop3) { return ((rop3 >> 2) & 0x33) != (rop3 & 0x33); }
bool UsesPattern(BYTE rop3) { return ((rop3 >> 4) & 0x0F) != (rop3 & 0x0F); }
bool UsesDestination(BYTE rop3) { return ((rop3 >> 1) & 0x55) != (rop3 & 0x55); }

// The visible destination columns of a blit rectangle, as offsets into it.
bool VisibleColumns(DeviceContext& dc, const RECT& deviceRect, int& k0, int& k1) {
    const RECT bounds = dc.EffectiveClip().Bounds();
    const POINT o = dc.SurfaceOrigin();
    k0 = std::max(deviceRect.left + o.x, bounds.left) - o.x - deviceRect.left;
    k1 = std::min(deviceRect.right + o.x, bounds.right) - o.x - deviceRect.left;
    return k0 < k1;
}

BOOL Transfer(DeviceContext& dc, int x, int y, int width, int height, const BlitSource* source, int sx, int sy,
              int sw, int sh, DWORD rop, int stretchMode) {
    GdiBitmap* target = dc.Target();
    if (!target) return 0;
    const BYTE rop3 = static_cast<BYTE>(rop >> 16);
    const bool usesSource = UsesSource(rop3);
    if (usesSource && !source) return 0;
    if (!usesSource) {
        sw = width;
        sh = height;
    }
    Axis ax, ay;
    if (!MakeAxis(dc.ToDevice(POINT{x, y}).x, width, sx, sw, ax) || !MakeAxis(dc.ToDevice(POINT{x, y}).y, height, sy, sh, ay))
        return 0;
    if (ax.dstLength == 0 || ay.dstLength == 0) return 1;
    const RECT deviceRect{ax.dst0, ay.dst0, ax.dst0 + ax.dstLength, ay.dst0 + ay.dstLength};
    int k0, k1;
    if (!VisibleColumns(dc, deviceRect, k0, k1)) return 1;
    const PixelView view = PixelView::Of(*target);
    const POINT o = dc.SurfaceOrigin();
    const Painter brush(dc, dc.State().brush, R2_COPYPEN);
    const bool usesPattern = UsesPattern(rop3), usesDestination = UsesDestination(rop3);
    const DWORD mask = view.ValueMask();
    // WHITENESS leaves the alpha byte of 32-bit targets clear, as the other fills do.
    const DWORD resultMask = rop3 == 0xFF && view.bitsPerPixel == 32 ? 0xFFFFFF : mask;
    const BlitSource empty;
    const BlitSource& from = source ? *source : empty;
    const Converter converter(from.view, view, dc.State().textColor, dc.State().bkColor, from.bkColor);
    const bool average = stretchMode == HALFTONE && (ax.srcLength != ax.dstLength || ay.srcLength != ay.dstLength);
    const bool unscaled = ax.srcLength == ax.dstLength && ay.srcLength == ay.dstLength && !ax.flip && !ay.flip;
    if (usesSource && rop3 == 0xCC && unscaled && from.view.bitsPerPixel == view.bitsPerPixel &&
        view.bitsPerPixel >= 24) {
        // A plain copy between like layouts: whole runs of bytes, cut to the source bitmap.
        const int bytes = view.bitsPerPixel / 8;
        ForEachVisibleSpan(dc, deviceRect, [&](int ty, int x0, int x1) {
            const int sy = ay.src0 + (ty - o.y - ay.dst0);
            if (sy < 0 || sy >= from.view.height) return;
            const int shift = ax.src0 - (deviceRect.left + o.x);
            const int a = std::max(x0, -shift), b = std::min(x1, from.view.width - shift);
            if (a < b)
                std::memmove(view.Row(ty) + static_cast<std::ptrdiff_t>(a) * bytes,
                             from.view.Row(sy) + static_cast<std::ptrdiff_t>(a + shift) * bytes,
                             static_cast<size_t>(b - a) * bytes);
        });
        return 1;
    }
    std::optional<Sampler> sampler;
    if (usesSource) sampler.emplace(from, converter, ax, ay, average, k0, k1);
    std::vector<DWORD> values;
    std::vector<BYTE> valid;
    const int firstX = deviceRect.left + o.x + k0;
    int lastRow = INT32_MIN;
    ForEachVisibleSpan(dc, deviceRect, [&](int ty, int x0, int x1) {
        const int ky = ty - o.y - ay.dst0;
        if (usesSource && ky != lastRow) {
            sampler->Row(ky, values, valid, false);
            lastRow = ky;
        }
        if (usesSource && rop3 == 0xCC && view.bitsPerPixel == 32) {
            auto* row = reinterpret_cast<DWORD*>(view.Row(ty));
            for (int tx = x0; tx < x1; ++tx)
                if (valid[tx - firstX]) row[tx] = values[tx - firstX];
            return;
        }
        for (int tx = x0; tx < x1; ++tx) {
            DWORD s = 0, p = 0, d = 0;
            if (usesSource) {
                if (!valid[tx - firstX]) continue;
                s = values[tx - firstX];
            }
            if (usesPattern && brush.Active() && !brush.PatternAt(tx, ty, p)) continue;
            if (usesDestination) d = view.ReadValue(tx, ty);
            view.WriteValue(tx, ty, ApplyRop3(rop3, p, s, d) & resultMask);
        }
    });
    return 1;
}

bool SourceOf(HDC handle, int x, int y, BlitSource& source, POINT& pixel) {
    DeviceContext* dc = ResolveHandle(handle);
    GdiBitmap* bitmap = dc ? dc->Target() : nullptr;
    if (!bitmap) return false;
    source.view = PixelView::Of(*bitmap);
    source.bkColor = dc->State().bkColor;
    const POINT d = dc->ToDevice(POINT{x, y});
    pixel = POINT{d.x + dc->SurfaceOrigin().x, d.y + dc->SurfaceOrigin().y};
    return true;
}

BYTE Mul255(unsigned a, unsigned b) {
    const unsigned t = a * b + 128;
    return static_cast<BYTE>((t + (t >> 8)) >> 8);
}

// Source-over of one premultiplied pixel after the constant alpha.
DWORD BlendPixel(DWORD s, DWORD d, unsigned constant, bool perPixel) {
    const unsigned sa = Mul255(perPixel ? s >> 24 : 255, constant);
    const unsigned keep = 255 - sa;
    DWORD result = 0;
    for (int c = 0; c < 4; ++c) {
        const unsigned sc = Mul255((s >> (8 * c)) & 0xFF, constant);
        const unsigned dc = (d >> (8 * c)) & 0xFF;
        const unsigned v = perPixel ? sc + Mul255(dc, keep) : sc + Mul255(dc, 255 - constant);
        result |= static_cast<DWORD>(std::min(v, 255u)) << (8 * c);
    }

    return result;
}

#if defined(__SSE2__)
// x * a / 255 in every 16-bit lane, rounded exactly (a and x at most 255).
__m128i Scale16(__m128i x, __m128i a) {
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, a), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}
#endif

// BlendPixel over a run of 32-bit pixels, four at a time where SSE2 is there.
void BlendRow(DWORD* destination, const DWORD* source, int count, unsigned constant, bool perPixel) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    const __m128i constant16 = _mm_set1_epi16(static_cast<short>(constant));
    for (; i + 4 <= count; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination + i));
        if (constant != 255)
            s = _mm_packus_epi16(Scale16(_mm_unpacklo_epi8(s, zero), constant16),
                                 Scale16(_mm_unpackhi_epi8(s, zero), constant16));
        __m128i keep;
        if (perPixel) {
            __m128i alpha = _mm_srli_epi32(s, 24);
            alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 16));
            keep = _mm_sub_epi16(full, alpha);
        } else {
            keep = _mm_set1_epi16(static_cast<short>(255 - constant));
        }
        const __m128i low = Scale16(_mm_unpacklo_epi8(d, zero), perPixel ? _mm_unpacklo_epi32(keep, keep) : keep);
        const __m128i high = Scale16(_mm_unpackhi_epi8(d, zero), perPixel ? _mm_unpackhi_epi32(keep, keep) : keep);
        // The saturating add clamps badly premultiplied pixels as BlendPixel does.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), _mm_adds_epu8(s, _mm_packus_epi16(low, high)));
    }
#endif
    for (; i < count; ++i) destination[i] = BlendPixel(source[i], destination[i], constant, perPixel);
}

// The pixels `draw` paints onto a fresh top-down 32-bit bitmap of width x height; empty when
// the size is not one a metafile takes.
template <class Draw>
std::vector<BYTE> CapturedPixels(int width, int height, Draw&& draw) {
    if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxMetafileBitmapPixels) return {};
    BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return {};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc);
    const auto* first = static_cast<const BYTE*>(bits);
    std::vector<BYTE> pixels(first, first + std::size_t{4} * width * height);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return pixels;
}

// A blit onto a recording context: the source area as pixels, stretched onto the destination.
BOOL RecordBlit(DeviceContext& context, int x, int y, int width, int height, int sourceWidth, int sourceHeight,
                DWORD rop, bool blendAlpha, BYTE constantAlpha, const std::function<void(HDC)>& copySource) {
    std::vector<BYTE> pixels = CapturedPixels(std::abs(sourceWidth), std::abs(sourceHeight), copySource);
    if (pixels.empty()) return 0;
    context.Recorder()->StretchPixels(context, RECT{x, y, x + width, y + height}, std::abs(sourceWidth),
                                      std::abs(sourceHeight), pixels, rop, blendAlpha, constantAlpha);
    return 1;
}

}  // namespace

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || UsesSource(static_cast<BYTE>(rop >> 16))) return 0;
    return Transfer(*context, x, y, width, height, nullptr, 0, 0, width, height, rop, COLORONCOLOR);
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource, DWORD rop) {
    return StretchBlt(destination, x, y, width, height, source, xSource, ySource, width, height, rop);
}

BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                int sourceWidth, int sourceHeight, DWORD rop) {
    DeviceContext* context = ResolveHandle(destination);
    if (!context) return 0;
    if (context->Recorder() && source) {
        return RecordBlit(*context, x, y, width, height, sourceWidth, sourceHeight, rop, false, 255, [&](HDC copy) {
            StretchBlt(copy, 0, 0, std::abs(sourceWidth), std::abs(sourceHeight), source, xSource, ySource,
                       std::abs(sourceWidth), std::abs(sourceHeight), SRCCOPY);
        });
    }
    BlitSource from;
    POINT pixel;
    const bool haveSource = source && SourceOf(source, xSource, ySource, from, pixel);
    if (UsesSource(static_cast<BYTE>(rop >> 16)) && !haveSource) return 0;
    if (haveSource && context->Target()) from.SeparateFrom(PixelView::Of(*context->Target()));
    return Transfer(*context, x, y, width, height, haveSource ? &from : nullptr, pixel.x, pixel.y, sourceWidth,
                    sourceHeight, rop, context->State().stretchBltMode);
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int xSource, int ySource, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    if (context->Recorder()) {
        const BOOL recorded = RecordBlit(*context, x, y, width, height, sourceWidth, sourceHeight, rop, false, 255, [&](HDC copy) {
            StretchDIBits(copy, 0, 0, std::abs(sourceWidth), std::abs(sourceHeight), xSource, ySource, std::abs(sourceWidth),
                          std::abs(sourceHeight), bits, info, usage, SRCCOPY);
        });
        return recorded ? std::abs(sourceHeight) : 0;
    }
    BlitSource from;
    std::vector<RGBQUAD> colors;
    if (!ViewOfDib(bits, info, usage, dc, colors, from.view)) return 0;
    // Rows are read as whole pixels: bits from inside a record (a metafile's) may lie at any
    // address, so such bits are read from an aligned copy.
    std::vector<DWORD> aligned;
    if (reinterpret_cast<std::uintptr_t>(from.view.bits) % alignof(DWORD) != 0) {
        const std::size_t bytes = static_cast<std::size_t>(from.view.stride) * static_cast<std::size_t>(from.view.height);
        aligned.resize((bytes + sizeof(DWORD) - 1) / sizeof(DWORD));
        std::memcpy(aligned.data(), from.view.bits, bytes);
        from.view.bits = reinterpret_cast<BYTE*>(aligned.data());
    }
    // Bottom-up DIBs measure ySource from their last row.
    if (sourceHeight == INT_MIN || sourceWidth == INT_MIN) return 0;
    const std::int64_t top = from.view.topDown ? std::int64_t{ySource}
                                               : std::int64_t{from.view.height} - ySource - std::abs(sourceHeight);
    if (top < INT_MIN || top > INT_MAX) return 0;
    if (!Transfer(*context, x, y, width, height, &from, xSource, static_cast<int>(top), sourceWidth, sourceHeight, rop,
                  context->State().stretchBltMode))
        return 0;
    return std::abs(sourceHeight);
}

BOOL AlphaBlend(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                int sourceWidth, int sourceHeight, BLENDFUNCTION blend) {
    DeviceContext* context = ResolveHandle(destination);
    if (context && context->Recorder() && source) {
        return RecordBlit(*context, x, y, width, height, sourceWidth, sourceHeight, SRCCOPY,
                          (blend.AlphaFormat & AC_SRC_ALPHA) != 0, blend.SourceConstantAlpha, [&](HDC copy) {
                              StretchBlt(copy, 0, 0, sourceWidth, sourceHeight, source, xSource, ySource, sourceWidth,
                                         sourceHeight, SRCCOPY);
                          });
    }
    if (context && context->Recorder() && source) {
        return RecordBlit(*context, x, y, width, height, sourceWidth, sourceHeight, SRCCOPY,
                          (blend.AlphaFormat & AC_SRC_ALPHA) != 0, blend.SourceConstantAlpha, [&](HDC copy) {
                              StretchBlt(copy, 0, 0, sourceWidth, sourceHeight, source, xSource, ySource, sourceWidth,
                                         sourceHeight, SRCCOPY);
                          });
    }
    GdiBitmap* target = context ? context->Target() : nullptr;
    BlitSource from;
    POINT pixel;
    if (!target || !SourceOf(source, xSource, ySource, from, pixel)) return 0;
    from.SeparateFrom(PixelView::Of(*target));
    if (width < 0 || height < 0 || sourceWidth < 0 || sourceHeight < 0 || blend.BlendOp != AC_SRC_OVER) return 0;
    const bool perPixel = blend.AlphaFormat & AC_SRC_ALPHA;
    if (perPixel && from.view.bitsPerPixel != 32) return 0;
    if (pixel.x < 0 || pixel.y < 0 || static_cast<long long>(pixel.x) + sourceWidth > from.view.width ||
        static_cast<long long>(pixel.y) + sourceHeight > from.view.height)
        return 0;
    Axis ax, ay;
    if (!MakeAxis(context->ToDevice(POINT{x, y}).x, width, pixel.x, sourceWidth, ax) ||
        !MakeAxis(context->ToDevice(POINT{x, y}).y, height, pixel.y, sourceHeight, ay))
        return 0;
    if (ax.dstLength == 0 || ay.dstLength == 0) return 1;
    const RECT deviceRect{ax.dst0, ay.dst0, ax.dst0 + ax.dstLength, ay.dst0 + ay.dstLength};
    int k0, k1;
    if (!VisibleColumns(*context, deviceRect, k0, k1)) return 1;
    const PixelView view = PixelView::Of(*target);
    const Converter converter(from.view, view, context->State().textColor, context->State().bkColor, from.bkColor);
    const bool average = context->State().stretchBltMode == HALFTONE &&
                         (ax.srcLength != ax.dstLength || ay.srcLength != ay.dstLength);
    Sampler sampler(from, converter, ax, ay, average, k0, k1);
    const POINT o = context->SurfaceOrigin();
    const int firstX = deviceRect.left + o.x + k0;
    const unsigned constant = blend.SourceConstantAlpha;
    const bool unscaled = ax.srcLength == ax.dstLength && ay.srcLength == ay.dstLength && !ax.flip && !ay.flip;
    if (unscaled && view.bitsPerPixel == 32 && from.view.bitsPerPixel == 32) {
        // Same size, both 32-bit: blend straight from the source rows.
        ForEachVisibleSpan(*context, deviceRect, [&](int ty, int x0, int x1) {
            const int sy = ay.src0 + (ty - o.y - ay.dst0);
            const auto* source = reinterpret_cast<const DWORD*>(from.view.Row(sy)) + (ax.src0 + x0 - (deviceRect.left + o.x));
            auto* row = reinterpret_cast<DWORD*>(view.Row(ty));
            BlendRow(row + x0, source, x1 - x0, constant, perPixel);
        });
        return 1;
    }
    std::vector<DWORD> colors;
    std::vector<BYTE> valid;
    int lastRow = INT32_MIN;
    ForEachVisibleSpan(*context, deviceRect, [&](int ty, int x0, int x1) {
        const int ky = ty - o.y - ay.dst0;
        if (ky != lastRow) {
            sampler.Row(ky, colors, valid, true);
            lastRow = ky;
        }
        if (view.bitsPerPixel == 32) {
            auto* row = reinterpret_cast<DWORD*>(view.Row(ty));
            for (int tx = x0; tx < x1; ++tx) {
                const DWORD s = colors[tx - firstX];
                if (!valid[tx - firstX]) continue;
                if (perPixel && constant == 255) {
                    const unsigned sa = s >> 24;
                    if (sa == 255) {
                        row[tx] = s;
                        continue;
                    }
                    if (sa == 0 && (s & 0xFFFFFF) == 0) continue;
                }
                row[tx] = BlendPixel(s, row[tx], constant, perPixel);
            }
            return;
        }
        for (int tx = x0; tx < x1; ++tx) {
            if (!valid[tx - firstX]) continue;
            const DWORD d = view.ReadColor(tx, ty);
            view.WriteValue(tx, ty, view.ValueOfColor(BlendPixel(colors[tx - firstX], d, constant, perPixel) & 0xFFFFFF));
        }
    });
    return 1;
}

BOOL TransparentBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                    int sourceWidth, int sourceHeight, UINT transparent) {
    DeviceContext* context = ResolveHandle(destination);
    GdiBitmap* target = context ? context->Target() : nullptr;
    BlitSource from;
    POINT pixel;
    if (!target || !SourceOf(source, xSource, ySource, from, pixel)) return 0;
    from.SeparateFrom(PixelView::Of(*target));
    if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return 0;
    Axis ax, ay;
    if (!MakeAxis(context->ToDevice(POINT{x, y}).x, width, pixel.x, sourceWidth, ax) ||
        !MakeAxis(context->ToDevice(POINT{x, y}).y, height, pixel.y, sourceHeight, ay))
        return 0;
    const RECT deviceRect{ax.dst0, ay.dst0, ax.dst0 + ax.dstLength, ay.dst0 + ay.dstLength};
    int k0, k1;
    if (!VisibleColumns(*context, deviceRect, k0, k1)) return 1;
    const PixelView view = PixelView::Of(*target);
    const Converter converter(from.view, view, context->State().textColor, context->State().bkColor, from.bkColor);
    const DWORD key = ColorOfColorRef(transparent & 0xFFFFFF);
    const POINT o = context->SurfaceOrigin();
    const int firstX = deviceRect.left + o.x + k0;
    std::vector<int> columns;
    for (int k = k0; k < k1; ++k) columns.push_back(NearestSource(ax, k, from.view.width));
    ForEachVisibleSpan(*context, deviceRect, [&](int ty, int x0, int x1) {
        const int sy = NearestSource(ay, ty - o.y - ay.dst0, from.view.height);
        if (sy < 0) return;
        for (int tx = x0; tx < x1; ++tx) {
            const int sx = columns[tx - firstX];
            if (sx < 0) continue;
            const DWORD v = from.view.ReadValue(sx, sy);
            if ((converter.Color(v) & 0xFFFFFF) == key) continue;
            view.WriteValue(tx, ty, converter.Value(v));
        }
    });
    return 1;
}

}  // namespace parch
