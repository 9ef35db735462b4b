#pragma once
// PNG files through libpng: every colour type and bit depth to 8-bit BGRA with straight alpha
// (16-bit samples keep their high byte; no gamma change, as the file's values stand).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch {

// Largest picture a PNG file may ask for.
constexpr std::int64_t kMaxPngPixels = std::int64_t{1} << 26;
constexpr int kMaxPngSide = 1 << 15;

struct DecodedPixels {
    int width = 0;
    int height = 0;
    // B | G << 8 | R << 16 | A << 24, rows top-down; alpha 255 where the file has none.
    std::vector<std::uint32_t> pixels;
};

bool IsPngData(const BYTE* data, std::size_t size);
// False with `error` set for data that is not a whole, sound PNG picture.
bool DecodePng(const BYTE* data, std::size_t size, DecodedPixels& out, std::string& error);

}  // namespace parch
