#pragma once
// Bitmaps for the resampling tests: from PNG fixtures, from pixel lists, and comparisons.

#include <memory>
#include <string>
#include <vector>

#include "bitmap32/Bitmap32.h"

namespace parch::resample_test {

std::unique_ptr<TCustomBitmap32> LoadPng(const std::string& relativePath);
std::unique_ptr<TCustomBitmap32> MakeBitmap(int width, int height, const std::vector<TColor32>& pixels);
// A bitmap of deterministic noisy colours, opaque or not.
std::unique_ptr<TCustomBitmap32> NoiseBitmap(int width, int height, unsigned seed, bool opaque = true);
std::vector<TColor32> Pixels(const TCustomBitmap32& bitmap);

struct Difference {
    double Mean = 0;        // over the red, green and blue channels of every pixel
    int Percentile999 = 0;  // 99.9th percentile of the per-channel differences
    int Max = 0;
};
Difference Compare(const TCustomBitmap32& a, const TCustomBitmap32& b);

}  // namespace parch::resample_test
