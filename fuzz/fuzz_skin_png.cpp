// The skin engine's PNG reader: the chunk loop, inflating rows, unfiltering and converting,
// then the bitmap drawn onto a 32-bit one (at its size with a mirror image, and scaled), made
// into an icon as image lists do, and premultiplied as skins use it. The declared size
// is looked at first only to keep the fuzzer's pace on legal but large pictures.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/gdi/IconObjects.h"
#include "skin/engine/acAlphaImageList.h"
#include "skin/engine/acPNG.h"

namespace {

std::uint64_t DeclaredSkinPngPixels(const std::uint8_t* bytes, std::size_t size) {
    if (size < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return 0;
    const auto word = [bytes](std::size_t at) {
        return std::uint64_t{bytes[at]} << 24 | std::uint64_t{bytes[at + 1]} << 16 | std::uint64_t{bytes[at + 2]} << 8 | bytes[at + 3];
    };
    return word(16) * word(20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (DeclaredSkinPngPixels(bytes, size) > (1u << 22)) return 0;
    parch::TStringStream stream(std::string(reinterpret_cast<const char*>(bytes), size));
    parch::TPNGGraphic png;
    try {
        png.LoadFromStream(stream);
    } catch (const parch::Exception&) {
        return 0;
    }
    parch::TBitmap target(png.Width(), png.Height() + png.Height() / 2, parch::pf32bit);
    png.Reflected = true;
    target.Canvas().Draw(0, 0, &png);
    target.Canvas().StretchDraw(parch::RECT{0, 0, png.Width() / 2 + 1, png.Height() / 3 + 1}, &png);
    if (parch::HICON icon = parch::PngToIconOnColor(png, 0xFFFFFF)) parch::DestroyIcon(icon);
    parch::TBitmap copy;
    copy.Assign(&png);
    copy.SetPixelFormat(parch::pf32bit);
    parch::PremultiplyAlpha32(copy);
    return 0;
}
