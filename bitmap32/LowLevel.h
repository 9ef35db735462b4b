#pragma once
// Small integer routines of the bitmap units: runs of 32-bit words, clamping, and the
// coordinate wrap procedures behind the wrap modes.

#include <cstdint>

#include "bitmap32/Bitmap32.h"

namespace parch {

// Count <= 0 writes nothing.
void FillWords(std::uint32_t* dest, int count, std::uint32_t value);
// Ascending copy; nothing when source is dest.
void MoveWords(const std::uint32_t* source, std::uint32_t* dest, int count);

int ClampByte(int value);
int ClampToMax(int value, int max);
// Min when below, then Max when above (so min > max gives max).
int ClampRange(int value, int min, int max);

int WrapRepeat(int value, int min, int max);
int WrapMirror(int value, int min, int max);
// Need max - min + 1 a power of two.
int WrapRepeatPow2(int value, int min, int max);
int WrapMirrorPow2(int value, int min, int max);

TWrapProc SelectWrapProc(TWrapMode mode);
TWrapProc SelectWrapProcRange(TWrapMode mode, int min, int max);

}  // namespace parch
