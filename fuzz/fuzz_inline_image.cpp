// Inline images: the input is content text from just after "BI"; whatever is found is decoded
// and painted on a small bitmap.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/images/ScrivletBitmapSurface.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletInlineImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    parch::TPDFInlineImage image;
    std::int32_t position = 1;
    if (!parch::ParseInlineImage(text, position, image, {}, nullptr)) return 0;
    if (position < 1 || static_cast<std::size_t>(position) > text.size() + 1) __builtin_trap();
    // Sizes up to the library's bound are legal and would only make the run slow.
    if (image.Width > 4096 || image.Height > 4096 || static_cast<std::int64_t>(image.Width) * image.Height > (1 << 20))
        return 0;
    parch::TPDFStructure structure;
    parch::TPDFImageDecoder decoder;
    decoder.LoadInlineImage(image, &structure);
    parch::TBitmap target(16, 16, parch::pf24bit);
    parch::TPDFBitmapSurface surface(target);
    decoder.PaintToCanvas(surface, parch::TPDFMatrix{16, 0, 0, -16, 0, 16}, 0x0000FF);
    return 0;
}
