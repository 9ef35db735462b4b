// JPEG decoding through the PDF library's JPEG picture: any data gives a picture or EJPEG,
// never a crash or a jump through C++ frames. CMYK data is read both directly and inverted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Streams.h"
#include "pdf/images/ScrivletJPEG.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        parch::TPDFJPEGImage jpeg;
        parch::TStringStream stream(bytes);
        jpeg.LoadFromStream(stream);
        // Large claimed sizes are legal up to the library's bound; keep the fuzzer's pace.
        if (static_cast<std::int64_t>(jpeg.Width()) * jpeg.Height() > (1 << 22)) return 0;
        jpeg.SetScale(static_cast<parch::TJPEGScale>(size % 4));
        jpeg.Bitmap();
        if (jpeg.Data().components == 4) {
            jpeg.DecodeDirectCMYK();
            jpeg.Bitmap();
        }
    } catch (const parch::EInvalidGraphic&) {
    }
    return 0;
}
