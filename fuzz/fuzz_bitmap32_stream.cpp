// 32-bit bitmap streams: BMP data and the "Data" property. Any input loads a bitmap or raises
// the library's error, never a crash or an allocation beyond what the stream holds; a loaded
// bitmap writes back and reads again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/Streams.h"
#include "base/SysUtils.h"
#include "bitmap32/Bitmap32.h"

namespace {

// The pixel count a BMP header declares (core headers carry 16-bit sides), or 0.
std::int64_t DeclaredPixels(const std::uint8_t* bmp, std::size_t size) {
    auto read32 = [&](std::size_t at) {
        std::int32_t v;
        std::memcpy(&v, bmp + at, 4);
        return std::int64_t{v};
    };
    if (size < 26) return 0;
    std::uint32_t infoSize;
    std::memcpy(&infoSize, bmp + 14, 4);
    if (infoSize == 12) return std::int64_t{bmp[18] | (bmp[19] << 8)} * (bmp[20] | (bmp[21] << 8));
    const std::int64_t width = read32(18);
    const std::int64_t height = read32(22);
    return (width < 0 ? -width : width) * (height < 0 ? -height : height);
}

bool SamePixels(const parch::TCustomBitmap32& a, const parch::TCustomBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    if (a.Empty()) return true;
    return std::memcmp(a.Bits(), b.Bits(), static_cast<std::size_t>(a.Width()) * a.Height() * 4) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool pixelData = (data[0] & 1) != 0;
    // Compressed files may legitimately describe huge pictures in a few bytes; drawing those
    // is slow without being wrong, so the target keeps to pictures of a few megapixels.
    if (!pixelData && DeclaredPixels(data + 1, size - 1) > (std::int64_t{1} << 22)) return 0;
    const bool gdi = (data[0] & 2) != 0;
    parch::TStringStream stream(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    parch::TCustomBitmap32 memory;
    parch::TBitmap32 native;
    parch::TCustomBitmap32& bitmap = gdi ? native : memory;
    try {
        if (pixelData) bitmap.ReadPixelData(stream);
        else bitmap.LoadFromStream(stream);
    } catch (const parch::Exception&) {
        return 0;
    }
    if (static_cast<std::int64_t>(bitmap.Width()) * bitmap.Height() > (1 << 20)) return 0;

    parch::TMemoryStream saved;
    parch::TCustomBitmap32 again;
    if (pixelData) {
        bitmap.WritePixelData(saved);
        saved.SetPosition(0);
        again.ReadPixelData(saved);
    } else {
        bitmap.SaveToStream(saved);
        saved.SetPosition(0);
        again.LoadFromStream(saved);
    }
    if (!SamePixels(bitmap, again)) __builtin_trap();
    return 0;
}
