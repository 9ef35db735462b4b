#include "ResampleTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/gdi/PngFile.h"

namespace parch::resample_test {

std::unique_ptr<TCustomBitmap32> LoadPng(const std::string& relativePath) {
    std::ifstream file(std::string(PARCH_SOURCE_DIR) + "/" + relativePath, std::ios::binary);
    std::vector<BYTE> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DecodedPixels decoded;
    std::string error;
    if (!DecodePng(data.data(), data.size(), decoded, error)) {
        ADD_FAILURE() << relativePath << ": " << error;
        return std::make_unique<TCustomBitmap32>();
    }
    return MakeBitmap(decoded.width, decoded.height, decoded.pixels);
}

std::unique_ptr<TCustomBitmap32> MakeBitmap(int width, int height, const std::vector<TColor32>& pixels) {
    auto bitmap = std::make_unique<TCustomBitmap32>();
    bitmap->SetSize(width, height);
    std::copy(pixels.begin(), pixels.end(), bitmap->Bits());
    return bitmap;
}

std::unique_ptr<TCustomBitmap32> NoiseBitmap(int width, int height, unsigned seed, bool opaque) {
    std::mt19937 random(seed);
    std::vector<TColor32> pixels(static_cast<std::size_t>(width) * height);
    for (TColor32& p : pixels) p = random() | (opaque ? 0xFF000000u : 0u);
    return MakeBitmap(width, height, pixels);
}

std::vector<TColor32> Pixels(const TCustomBitmap32& bitmap) {
    return std::vector<TColor32>(bitmap.Bits(), bitmap.Bits() + static_cast<std::ptrdiff_t>(bitmap.Width()) * bitmap.Height());
}

Difference Compare(const TCustomBitmap32& a, const TCustomBitmap32& b) {
    Difference result;
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        ADD_FAILURE() << "sizes differ";
        result.Mean = 1e9;
        return result;
    }
    std::vector<int> diffs;
    const std::vector<TColor32> pa = Pixels(a), pb = Pixels(b);
    double total = 0;
    for (std::size_t i = 0; i < pa.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            const int d = std::abs(static_cast<int>((pa[i] >> (8 * c)) & 0xFF) - static_cast<int>((pb[i] >> (8 * c)) & 0xFF));
            diffs.push_back(d);
            total += d;
        }
    std::sort(diffs.begin(), diffs.end());
    result.Mean = total / static_cast<double>(diffs.size());
    result.Percentile999 = diffs[std::min(diffs.size() - 1, static_cast<std::size_t>(diffs.size() * 0.999))];
    result.Max = diffs.back();
    return result;
}

}  // namespace parch::resample_test
