// JPEG 2000 decoding: any data gives a bitmap or EJpeg2000Error, never a crash or an
// allocation beyond the image bound. The codestream's declared size is looked at first only to
// keep the fuzzer's pace on legal but large pictures.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Streams.h"
#include "pdf/images/ScrivletJPX.h"

namespace {

// Width x height of the first SIZ marker segment in the data's first kilobyte, or 0.
std::int64_t DeclaredPixels(const std::uint8_t* data, std::size_t size) {
    const auto word = [data](std::size_t at) {
        return std::int64_t{data[at]} << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3];
    };
    for (std::size_t at = 0; at + 22 <= size && at < 1024; ++at) {
        if (data[at] == 0xFF && data[at + 1] == 0x51) {
            const std::int64_t width = word(at + 6) - word(at + 14);
            const std::int64_t height = word(at + 10) - word(at + 18);
            if (width <= 0 || height <= 0) return 0;
            // Sides below 2^32 each: clamp before multiplying so the product cannot overflow.
            constexpr std::int64_t kSide = std::int64_t{1} << 24;
            return std::min(width, kSide) * std::min(height, kSide);
        }
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (DeclaredPixels(data, size) > (1 << 22)) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        parch::TJpeg2000Bitmap bitmap;
        bitmap.KeepCodedComponents = (size & 1) != 0;
        parch::TStringStream stream(bytes);
        bitmap.LoadFromStream(stream);
    } catch (const parch::EInvalidGraphic&) {
    }
    return 0;
}
