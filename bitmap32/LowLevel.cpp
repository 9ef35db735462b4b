#include "bitmap32/LowLevel.h"

#include <algorithm>
#include <cstring>

namespace parch {

void FillWords(std::uint32_t* dest, int count, std::uint32_t value) {
    if (count > 0) std::fill_n(dest, count, value);
}

void MoveWords(const std::uint32_t* source, std::uint32_t* dest, int count) {
    if (source == dest || count <= 0) return;
    std::memmove(dest, source, static_cast<std::size_t>(count) * sizeof(std::uint32_t));
}

int ClampByte(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

int ClampToMax(int value, int max) {
    if (value > max) return max;
    return value < 0 ? 0 : value;
}

int ClampRange(int value, int min, int max) {
    if (value < min) value = min;
    return value > max ? max : value;
}

// An empty range (max < min) has no wrap; it answers min rather than divide by zero.
int WrapRepeat(int value, int min, int max) {
    const std::int64_t n = std::int64_t{max} - min + 1;
    if (n <= 0) return min;
    if (value >= min) return static_cast<int>(min + (std::int64_t{value} - min) % n);
    return static_cast<int>(max + (std::int64_t{value} - max) % n);
}

int WrapMirror(int value, int min, int max) {
    const std::int64_t n = std::int64_t{max} - min + 1;
    if (n <= 0) return min;
    std::int64_t quotient;
    std::int64_t s;
    if (value >= min) {
        quotient = (std::int64_t{value} - min) / n;
        s = min + (std::int64_t{value} - min) % n;
    } else {
        quotient = (std::int64_t{value} - max) / n;
        s = max + (std::int64_t{value} - max) % n;
    }
    if (quotient % 2 != 0) s = std::int64_t{min} + max - s;
    return static_cast<int>(s);
}

int WrapRepeatPow2(int value, int min, int max) { return min + ((value - min) & (max - min)); }

int WrapMirrorPow2(int value, int min, int max) {
    const int d = value - min;
    const int m = max - min;
    return (d & (m + 1)) == 0 ? min + (d & m) : max - (d & m);
}

TWrapProc SelectWrapProc(TWrapMode mode) {
    switch (mode) {
    case wmRepeat: return WrapRepeat;
    case wmMirror: return WrapMirror;
    default: return ClampRange;
    }
}

TWrapProc SelectWrapProcRange(TWrapMode mode, int min, int max) {
    const std::int64_t span = std::int64_t{max} - min + 1;
    const bool pow2 = min >= 0 && max >= min && (span & (span - 1)) == 0;
    switch (mode) {
    case wmRepeat: return pow2 ? WrapRepeatPow2 : WrapRepeat;
    case wmMirror: return pow2 ? WrapMirrorPow2 : WrapMirror;
    default: return ClampRange;
    }
}

}  // namespace parch
