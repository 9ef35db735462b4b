#include "skin/engine/sBitmapUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "base/SysUtils.h"
#include "skin/engine/sVclUtils.h"

namespace parch {

std::unique_ptr<TBitmap> NewPf32Bitmap(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetHandleType(bmDIB);
    bitmap->SetSize(std::max(0, width), std::max(0, height));
    return bitmap;
}

std::unique_ptr<TBitmap> NewBitmapLike(TBitmap& bitmap) {
    auto copy = std::make_unique<TBitmap>();
    copy->SetPixelFormat(bitmap.PixelFormat());
    copy->SetSize(bitmap.Width(), bitmap.Height());
    return copy;
}

std::unique_ptr<TBitmap> RotateBitmap90(const TBitmap& bitmap, bool clockwise) {
    if (bitmap.PixelFormat() != pf32bit) return nullptr;
    auto& source = const_cast<TBitmap&>(bitmap);
    int w = source.Width(), h = source.Height();
    auto turned = NewPf32Bitmap(h, w);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(source.ScanLine(y));
        for (int x = 0; x < w; ++x) {
            int tx = clockwise ? h - 1 - y : y;
            int ty = clockwise ? x : w - 1 - x;
            reinterpret_cast<std::uint32_t*>(turned->ScanLine(ty))[tx] = row[x];
        }
    }
    return turned;
}

std::unique_ptr<TBitmap> SplitMaskedImage(TBitmap& bitmap, RECT r) {
    int width = RectWidth(r), half = RectHeight(r) / 2;
    if (width <= 0 || half <= 0) return nullptr;
    if (r.left < 0 || r.top < 0 || r.right > bitmap.Width() || r.top + 2 * half > bitmap.Height()) return nullptr;
    bitmap.SetPixelFormat(pf32bit);
    auto picture = NewPf32Bitmap(width, half);
    for (int y = 0; y < half; ++y) {
        const auto* upper = reinterpret_cast<const std::uint32_t*>(bitmap.ScanLine(r.top + y)) + r.left;
        const auto* lower = reinterpret_cast<const std::uint32_t*>(bitmap.ScanLine(r.top + half + y)) + r.left;
        auto* out = reinterpret_cast<std::uint32_t*>(picture->ScanLine(y));
        for (int x = 0; x < width; ++x) {
            std::uint32_t alpha = 255 - ((lower[x] >> 16) & 0xFF);
            out[x] = (upper[x] & 0xFFFFFFu) | (alpha << 24);
        }
    }
    return picture;
}

namespace {

struct FilterShape {
    double support;
    double (*weight)(double h, double signedDistance);
};

double BoxWeight(double h, double signedDistance) { return h <= 0.5 && signedDistance != -0.5 ? 1 : 0; }
double TriangleWeight(double h, double) { return 1 - h; }
double HermiteWeight(double h, double) { return h * h * (2 * h - 3) + 1; }
double BellWeight(double h, double) { return h < 0.5 ? 0.75 - h * h : 0.5 * (h - 1.5) * (h - 1.5); }
double SplineWeight(double h, double) {
    return h < 1 ? h * h * (h / 2 - 1) + 2.0 / 3 : (2 - h) * (2 - h) * (2 - h) / 6;
}
double LanczosLikeWeight(double h, double) {
    if (h == 0) return 1;
    return std::sin(std::numbers::pi * h) * std::sin(h) / (std::numbers::pi * h * h);
}
double MitchellWeight(double h, double) {
    return h < 1 ? h * h * (7.0 / 6 * h - 2) + 8.0 / 9 : h * h * (-7.0 / 18 * h + 2) - 10.0 / 3 * h + 16.0 / 9;
}

constexpr FilterShape kFilters[kResampleFilterCount] = {
    {0.51, BoxWeight},  {1.0, TriangleWeight},    {1.0, HermiteWeight}, {1.5, BellWeight},
    {2.0, SplineWeight}, {3.0, LanczosLikeWeight}, {2.0, MitchellWeight},
};

struct Contributor {
    int index;
    int weight;  // 16.16 fixed point
};
using ContributorList = std::vector<std::vector<Contributor>>;

// The contributors of every output pixel along one direction. Each pixel's weights are scaled
// to sum to 65,536, so flat areas stay flat whatever the scale.
ContributorList BuildContributors(int sourceSize, int newSize, const FilterShape& filter) {
    double scale = newSize < sourceSize ? static_cast<double>(newSize) / sourceSize : 1.0;
    double width = filter.support / scale;
    ContributorList list(static_cast<size_t>(newSize));
    for (int i = 0; i < newSize; ++i) {
        auto centre = static_cast<float>(static_cast<double>(sourceSize) * i / newSize);
        std::vector<double> raw;
        std::vector<int> indexes;
        for (auto j = static_cast<long long>(std::floor(centre - width)); j <= std::ceil(centre + width); ++j) {
            double h = std::fabs(centre - static_cast<double>(j)) * scale;
            if (h >= filter.support) continue;
            double weight = filter.weight(h, (static_cast<double>(j) - centre) * scale) * scale;
            if (std::lround(weight * 65536) == 0) continue;
            long long mirrored = j < 0 ? -j : (j >= sourceSize ? 2LL * sourceSize - 1 - j : j);
            indexes.push_back(static_cast<int>(std::clamp<long long>(mirrored, 0, sourceSize - 1)));
            raw.push_back(weight);
        }
        double total = 0;
        for (double w : raw) total += w;
        std::vector<Contributor>& out = list[static_cast<size_t>(i)];
        if (raw.empty() || std::fabs(total) < 1e-12) {
            out.push_back({std::clamp(static_cast<int>(std::lround(centre)), 0, sourceSize - 1), 65536});
            continue;
        }
        int sum = 0;
        size_t largest = 0;
        for (size_t k = 0; k < raw.size(); ++k) {
            int fixed = static_cast<int>(std::lround(raw[k] / total * 65536));
            out.push_back({indexes[k], fixed});
            sum += fixed;
            if (std::fabs(raw[k]) > std::fabs(raw[largest])) largest = k;
        }
        out[largest].weight += 65536 - sum;
    }
    return list;
}

inline BYTE FilteredByte(long long sum) {
    if (sum < 0) return 0;
    if (sum >= 0xFF0001) return 255;
    return static_cast<BYTE>(sum >> 16);
}

}  // namespace

void ResampleBitmap(TBitmap& src, TBitmap& dst, int newWidth, int newHeight, int filterKind) {
    if (newWidth < 1 || newHeight < 1) return;
    if (src.Width() < 2 || src.Height() < 2) throw Exception("Source bitmap is too small");
    if (newWidth == src.Width() && newHeight == src.Height()) {
        if (&dst != &src) dst.Assign(&src);
        return;
    }
    const FilterShape& filter = kFilters[std::clamp(filterKind, 0, kResampleFilterCount - 1)];
    TPixelFormat format = src.PixelFormat() == pf32bit ? pf32bit : pf24bit;
    src.SetPixelFormat(format);
    int bytes = format == pf32bit ? 4 : 3;
    int sourceWidth = src.Width(), sourceHeight = src.Height();

    TBitmap across;
    across.SetPixelFormat(format);
    across.SetSize(newWidth, sourceHeight);
    ContributorList columns = BuildContributors(sourceWidth, newWidth, filter);
    for (int y = 0; y < sourceHeight; ++y) {
        const BYTE* in = src.ScanLine(y);
        BYTE* out = across.ScanLine(y);
        for (int x = 0; x < newWidth; ++x)
            for (int c = 0; c < bytes; ++c) {
                long long sum = 0;
                for (const Contributor& k : columns[static_cast<size_t>(x)])
                    sum += static_cast<long long>(k.weight) * in[k.index * bytes + c];
                out[x * bytes + c] = FilteredByte(sum);
            }
    }

    dst.SetPixelFormat(format);
    dst.SetSize(newWidth, newHeight);
    ContributorList rows = BuildContributors(sourceHeight, newHeight, filter);
    std::vector<const BYTE*> lines(static_cast<size_t>(sourceHeight));
    for (int y = 0; y < sourceHeight; ++y) lines[static_cast<size_t>(y)] = across.ScanLine(y);
    for (int y = 0; y < newHeight; ++y) {
        BYTE* out = dst.ScanLine(y);
        const std::vector<Contributor>& weights = rows[static_cast<size_t>(y)];
        for (int x = 0; x < newWidth * bytes; ++x) {
            long long sum = 0;
            for (const Contributor& k : weights) sum += static_cast<long long>(k.weight) * lines[static_cast<size_t>(k.index)][x];
            out[x] = FilteredByte(sum);
        }
    }
}

}  // namespace parch
