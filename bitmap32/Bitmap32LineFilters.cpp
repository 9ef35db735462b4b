#include "bitmap32/Bitmap32LineFilters.h"

#include "bitmap32/Bitmap32Registry.h"
#include "bitmap32/Bitmap32Simd.h"

namespace parch {

namespace {

struct FilterAnd {
    static std::uint32_t Apply(std::uint32_t v, std::uint32_t m) { return v & m; }
};
struct FilterOr {
    static std::uint32_t Apply(std::uint32_t v, std::uint32_t m) { return v | m; }
};
struct FilterXor {
    static std::uint32_t Apply(std::uint32_t v, std::uint32_t m) { return v ^ m; }
};

template <class Op>
void FilterSimple(std::uint32_t* dst, std::uint32_t mask, int count) {
    for (int i = 0; i < count; ++i) dst[i] = Op::Apply(dst[i], mask);
}

// Sixteen pixels per step, then the rest one by one.
template <class Op>
void FilterBlocks(std::uint32_t* dst, std::uint32_t mask, int count) {
    int i = 0;
    for (; i + 16 <= count; i += 16)
        for (int k = 0; k < 16; ++k) dst[i + k] = Op::Apply(dst[i + k], mask);
    for (; i < count; ++i) dst[i] = Op::Apply(dst[i], mask);
}

template <class Op>
void FilterSimpleTo(const std::uint32_t* src, std::uint32_t* dst, int count, std::uint32_t mask) {
    for (int i = 0; i < count; ++i) dst[i] = Op::Apply(src[i], mask);
}

}  // namespace

const TLineFilterBindings& LineFilterBindings() {
    static const TLineFilterBindings bindings = [] {
        TLineFilterBindings b;
        TFunctionRegistry& r = NewRegistry("B32_Filters bindings");
        r.AddBinding(idAndPixels, &b.AndPixels);
        r.AddBinding(idOrPixels, &b.OrPixels);
        r.AddBinding(idXorPixels, &b.XorPixels);
        r.AddBinding(idAndPixelsTo, &b.AndPixelsTo);
        r.AddBinding(idOrPixelsTo, &b.OrPixelsTo);
        r.AddBinding(idXorPixelsTo, &b.XorPixelsTo);
        r.AddVariant(idAndPixels, &FilterSimple<FilterAnd>);
        r.AddVariant(idOrPixels, &FilterSimple<FilterOr>);
        r.AddVariant(idXorPixels, &FilterSimple<FilterXor>);
        r.AddVariant(idAndPixelsTo, &FilterSimpleTo<FilterAnd>);
        r.AddVariant(idOrPixelsTo, &FilterSimpleTo<FilterOr>);
        r.AddVariant(idXorPixelsTo, &FilterSimpleTo<FilterXor>);
        r.AddVariant(idAndPixels, &FilterBlocks<FilterAnd>);
        r.AddVariant(idOrPixels, &FilterBlocks<FilterOr>);
        r.AddVariant(idXorPixels, &FilterBlocks<FilterXor>);
#if defined(__x86_64__)
        r.AddVariant(idAndPixelsTo, &simd::sse2::AndPixelsTo, FeatureSet(cfSSE2));
        r.AddVariant(idOrPixelsTo, &simd::sse2::OrPixelsTo, FeatureSet(cfSSE2));
        r.AddVariant(idXorPixelsTo, &simd::sse2::XorPixelsTo, FeatureSet(cfSSE2));
        r.AddVariant(idAndPixelsTo, &simd::avx2::AndPixelsTo, FeatureSet(cfAVX2));
        r.AddVariant(idOrPixelsTo, &simd::avx2::OrPixelsTo, FeatureSet(cfAVX2));
        r.AddVariant(idXorPixelsTo, &simd::avx2::XorPixelsTo, FeatureSet(cfAVX2));
#endif
        r.BindAll();
        b.Registry = &r;
        return b;
    }();
    return bindings;
}

}  // namespace parch
