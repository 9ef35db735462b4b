#pragma once
// The vector variants of the bound routines. Each target's variants live in a translation unit
// compiled for that target only; they are reached solely through the registries, which bind
// them only on a processor that has the target. Every variant leaves the same results as the
// portable routine it stands in for.

#include <cstdint>

namespace parch {
struct TTileGrid;
}  // namespace parch

namespace parch::simd {

using Pixel = std::uint32_t;

namespace sse2 {
void FillWords(Pixel* dest, int count, Pixel value);

Pixel CombinePixel(Pixel x, Pixel y, int w);
void CombinePixelInto(Pixel f, Pixel& b, int w);
void CombineRow(const Pixel* src, Pixel* dst, int count, int w);
Pixel BlendPixel(Pixel f, Pixel b);
void BlendPixelInto(Pixel f, Pixel& b);
void BlendRow(const Pixel* src, Pixel* dst, int count);
Pixel BlendPixelWeighted(Pixel f, Pixel b, int m);
void BlendPixelIntoWeighted(Pixel f, Pixel& b, int m);
void BlendRowWeighted(const Pixel* src, Pixel* dst, int count, int m);
Pixel MaxChannels(Pixel a, Pixel b);
Pixel MinChannels(Pixel a, Pixel b);
Pixel AddChannels(Pixel a, Pixel b);
Pixel SubtractChannels(Pixel a, Pixel b);
Pixel ModulateChannels(Pixel a, Pixel b);
Pixel DifferenceChannels(Pixel a, Pixel b);
Pixel ExclusionChannels(Pixel a, Pixel b);
Pixel ScaleChannels(Pixel c, int w);

void AndPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask);
void OrPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask);
void XorPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask);

Pixel AverageBlock(int w, int h, const Pixel* src, int rowBytes);
Pixel InterpolateQuad(int wx, int wy, const Pixel* p0, const Pixel* p1);
void ResampleVertical(std::uint32_t* sums, const Pixel* const* rows, const int* weights, int taps, int span);

void UniteTile(std::uint32_t& tile, std::uint32_t value);
void UniteGrids(TTileGrid& dst, const TTileGrid& src);
}  // namespace sse2

namespace avx2 {
void CombineRow(const Pixel* src, Pixel* dst, int count, int w);
void BlendRow(const Pixel* src, Pixel* dst, int count);
void BlendRowWeighted(const Pixel* src, Pixel* dst, int count, int m);

void AndPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask);
void OrPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask);
void XorPixelsTo(const Pixel* src, Pixel* dst, int count, Pixel mask);

Pixel AverageBlock(int w, int h, const Pixel* src, int rowBytes);
void ResampleVertical(std::uint32_t* sums, const Pixel* const* rows, const int* weights, int taps, int span);
void ResampleHorizontal(const std::uint32_t* sums, const int* offsets, const int* weights, const int* starts,
                        int count, bool clamp, Pixel* out);
}  // namespace avx2

}  // namespace parch::simd
