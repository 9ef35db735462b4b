#pragma once
// BMP files: reading every header size (core, info, V2 to V5) with 1, 4, 8 (plain or RLE),
// 16, 24 and 32 bits per pixel, and writing bitmaps back in their own layout. Every size and
// offset is checked against the data; damaged files give an error message, never a crash.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Bitmaps.h"

namespace parch {

// Largest pixel buffer a BMP file may ask for.
constexpr std::int64_t kMaxBmpPixelBytes = std::int64_t{1} << 28;

// The bitmap in the file's layout (16-bit files become 24-bit, or 32-bit with an alpha mask;
// RLE files become plain 4 or 8-bit), or nullptr with `error` set.
std::unique_ptr<GdiBitmap> DecodeBmp(const BYTE* data, std::size_t size, std::string& error);
// The same as a DIB section handle.
HBITMAP ReadBmp(const BYTE* data, std::size_t size, std::string& error);
// A BMP file of the bitmap (BITMAPINFOHEADER, its colour table, its rows in its own order);
// empty for a handle that is not a bitmap.
std::vector<BYTE> WriteBmp(HBITMAP bitmap);
std::vector<BYTE> EncodeBmp(const GdiBitmap& bitmap);

}  // namespace parch
