#pragma once
// Runs of 32-bit pixels combined with a constant mask by AND, OR or XOR, in place or from a
// source run into a destination run (the same run or one that does not overlap it).

#include <cstdint>

namespace parch {

class TFunctionRegistry;

using TLogicalPixelsProc = void(std::uint32_t* dst, std::uint32_t mask, int count);
using TLogicalPixelsToProc = void(const std::uint32_t* src, std::uint32_t* dst, int count, std::uint32_t mask);

enum TLineFilterFunction { idAndPixels, idOrPixels, idXorPixels, idAndPixelsTo, idOrPixelsTo, idXorPixelsTo };

struct TLineFilterBindings {
    TLogicalPixelsProc* AndPixels = nullptr;
    TLogicalPixelsProc* OrPixels = nullptr;
    TLogicalPixelsProc* XorPixels = nullptr;
    TLogicalPixelsToProc* AndPixelsTo = nullptr;
    TLogicalPixelsToProc* OrPixelsTo = nullptr;
    TLogicalPixelsToProc* XorPixelsTo = nullptr;
    TFunctionRegistry* Registry = nullptr;
};

const TLineFilterBindings& LineFilterBindings();

inline void AndPixels(std::uint32_t* dst, std::uint32_t mask, int count) { LineFilterBindings().AndPixels(dst, mask, count); }
inline void OrPixels(std::uint32_t* dst, std::uint32_t mask, int count) { LineFilterBindings().OrPixels(dst, mask, count); }
inline void XorPixels(std::uint32_t* dst, std::uint32_t mask, int count) { LineFilterBindings().XorPixels(dst, mask, count); }
inline void AndPixelsTo(const std::uint32_t* src, std::uint32_t* dst, int count, std::uint32_t mask) {
    LineFilterBindings().AndPixelsTo(src, dst, count, mask);
}
inline void OrPixelsTo(const std::uint32_t* src, std::uint32_t* dst, int count, std::uint32_t mask) {
    LineFilterBindings().OrPixelsTo(src, dst, count, mask);
}
inline void XorPixelsTo(const std::uint32_t* src, std::uint32_t* dst, int count, std::uint32_t mask) {
    LineFilterBindings().XorPixelsTo(src, dst, count, mask);
}

}  // namespace parch
