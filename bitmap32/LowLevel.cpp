#include "bitmap32/LowLevel.h"

#include <algorithm>
#include <cstring>

#include "bitmap32/Bitmap32Registry.h"
#include "bitmap32/Bitmap32Simd.h"

namespace parch {

void FillWordsDescending(std::uint32_t* dest, int count, std::uint32_t value) {
    for (int i = count - 1; i >= 0; --i) dest[i] = value;
}

void FillWordsStore(std::uint32_t* dest, int count, std::uint32_t value) {
    if (count > 0) std::fill_n(dest, count, value);
}

const TLowLevelBindings& LowLevelBindings() {
    static const TLowLevelBindings bindings = [] {
        TLowLevelBindings b;
        TFunctionRegistry& registry = NewRegistry("B32_LowLevel bindings");
        registry.AddBinding(idFillWords, &b.FillWords);
        registry.AddVariant(idFillWords, &FillWordsDescending);
        registry.AddVariant(idFillWords, &FillWordsStore);
#if defined(__x86_64__)
        registry.AddVariant(idFillWords, &simd::sse2::FillWords, FeatureSet(cfSSE2));
#endif
        registry.BindAll();
        b.Registry = &registry;
        return b;
    }();
    return bindings;
}

void MoveWords(const std::uint32_t* source, std::uint32_t* dest, int count) {
    if (source == dest || count <= 0) return;
    std::memmove(dest, source, static_cast<std::size_t>(count) * sizeof(std::uint32_t));
}

int WrapRepeat(int value, int min, int max) {
    const std::int64_t n = static_cast<std::int64_t>(max) - min + 1;
    if (n <= 0) return min;
    if (value >= min) return static_cast<int>(min + (static_cast<std::int64_t>(value) - min) % n);
    return static_cast<int>(max + (static_cast<std::int64_t>(value) - max) % n);
}

int WrapMirror(int value, int min, int max) {
    const std::int64_t n = static_cast<std::int64_t>(max) - min + 1;
    if (n <= 0) return min;
    std::int64_t q, s;
    if (value >= min) {
        const std::int64_t d = static_cast<std::int64_t>(value) - min;
        q = d / n;
        s = min + d % n;
    } else {
        const std::int64_t d = static_cast<std::int64_t>(value) - max;
        q = d / n;
        s = max + d % n;
    }
    return static_cast<int>((q & 1) != 0 ? static_cast<std::int64_t>(min) + max - s : s);
}

int WrapRepeatPow2(int value, int min, int max) {
    return min + static_cast<int>((static_cast<unsigned>(value) - static_cast<unsigned>(min)) &
                                  (static_cast<unsigned>(max) - static_cast<unsigned>(min)));
}

int WrapMirrorPow2(int value, int min, int max) {
    const unsigned d = static_cast<unsigned>(value) - static_cast<unsigned>(min);
    const unsigned m = static_cast<unsigned>(max) - static_cast<unsigned>(min);
    if ((d & (m + 1)) == 0) return min + static_cast<int>(d & m);
    return max - static_cast<int>(d & m);
}

TWrapProc SelectWrapProc(TWrapMode mode) {
    switch (mode) {
        case wmRepeat: return WrapRepeat;
        case wmMirror: return WrapMirror;
        default: return ClampRange;
    }
}

TWrapProc SelectWrapProcRange(TWrapMode mode, int min, int max) {
    const std::int64_t span = static_cast<std::int64_t>(max) - min + 1;
    const bool pow2 = min >= 0 && max >= min && (span & (span - 1)) == 0;
    switch (mode) {
        case wmRepeat: return pow2 ? WrapRepeatPow2 : WrapRepeat;
        case wmMirror: return pow2 ? WrapMirrorPow2 : WrapMirror;
        default: return ClampRange;
    }
}

}  // namespace parch
