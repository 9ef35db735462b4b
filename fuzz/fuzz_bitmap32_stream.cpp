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

bool SamePixels(const parch::TCustomBitmap32& a, const parch::TCustomBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    if (a.Empty()) return true;
    return std::memcmp(a.Bits(), b.Bits(), static_cast<std::size_t>(a.Width()) * a.Height() * 4) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool pixelData = (data[0] & 1) != 0;
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
