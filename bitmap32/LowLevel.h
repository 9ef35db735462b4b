#pragma once
// Small integer routines of the bitmap's inner paths: runs of 32-bit words, clamping, the
// coordinate wrap procedures, and 16.16 fixed-point arithmetic.

#include <cstdint>

#include "bitmap32/Bitmap32.h"

namespace parch {

class TFunctionRegistry;

// --- runs of 32-bit words -------------------------------------------------------------------

using TFillWordsProc = void(std::uint32_t* dest, int count, std::uint32_t value);

struct TLowLevelBindings {
    TFillWordsProc* FillWords = nullptr;
    TFunctionRegistry* Registry = nullptr;
};

// Bound once, on first use.
const TLowLevelBindings& LowLevelBindings();

enum TLowLevelFunction { idFillWords = 0 };

// Writes value into count consecutive words; count <= 0 writes nothing.
inline void FillWords(std::uint32_t* dest, int count, std::uint32_t value) {
    LowLevelBindings().FillWords(dest, count, value);
}

// Copies count words upwards; the areas must not overlap with dest above source.
void MoveWords(const std::uint32_t* source, std::uint32_t* dest, int count);

// --- clamping and ordering -------------------------------------------------------------------

inline int ClampByte(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }
inline int ClampToMax(int value, int max) { return value > max ? max : (value < 0 ? 0 : value); }
// Min when below it; then Max when above it, so Min > Max gives Max.
inline int ClampRange(int value, int min, int max) {
    if (value < min) value = min;
    return value > max ? max : value;
}
inline void SwapInts(int& a, int& b) {
    const int t = a;
    a = b;
    b = t;
}
inline void OrderInts(int& a, int& b) {
    if (a > b) SwapInts(a, b);
}
inline bool IsPowerOfTwo(int value) { return (value & (value - 1)) == 0; }
// Quotient truncated toward zero, remainder with the dividend's sign.
inline int DivRem(int dividend, int divisor, int& remainder) {
    remainder = dividend % divisor;
    return dividend / divisor;
}

// --- wrap procedures: map Value into Min .. Max -------------------------------------------------
// The plain forms accept an empty range (Max < Min, as an empty clip gives) and then answer
// Min without dividing; callers must not read at that coordinate.

int WrapRepeat(int value, int min, int max);
int WrapMirror(int value, int min, int max);
// Need Max - Min + 1 to be a power of two.
int WrapRepeatPow2(int value, int min, int max);
int WrapMirrorPow2(int value, int min, int max);

// wmRepeat: WrapRepeat, wmMirror: WrapMirror, otherwise ClampRange.
TWrapProc SelectWrapProc(TWrapMode mode);
// As SelectWrapProc, with the power-of-two forms where Min >= 0 and the range is a power of two.
TWrapProc SelectWrapProcRange(TWrapMode mode, int min, int max);

// --- 16.16 fixed point -------------------------------------------------------------------------

constexpr TFixed FixedOne = 0x10000;

inline int FixedToIntFloor(TFixed a) { return a >> 16; }
inline int FixedToIntCeil(TFixed a) { return static_cast<int>((static_cast<std::int64_t>(a) + 0xFFFF) >> 16); }
// An exact half rounds down: 1.5 gives 1, -1.5 gives -2.
inline int FixedToIntRound(TFixed a) { return static_cast<int>((static_cast<std::int64_t>(a) + 0x7FFF) >> 16); }
// Bits 16-47 of the 64-bit product.
inline TFixed FixedProduct(TFixed a, TFixed b) {
    return static_cast<TFixed>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(a) * b) >> 16));
}
// (A shl 16) div B in 64 bits, truncated toward zero; B must not be 0.
inline TFixed FixedQuotient(TFixed a, TFixed b) {
    return static_cast<TFixed>((static_cast<std::int64_t>(a) * 65536) / b);
}

// The portable FillWords variants, for comparing the bound one against.
void FillWordsDescending(std::uint32_t* dest, int count, std::uint32_t value);
void FillWordsStore(std::uint32_t* dest, int count, std::uint32_t value);

}  // namespace parch
