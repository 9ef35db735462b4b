// PNG files: the chunk walk, sample extraction with every option, pixel decoding, and the
// palette patches on whatever the walk accepts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Streams.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletPNG.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string data(reinterpret_cast<const char*>(bytes), size);
    for (int options = 0; options < 4; ++options) {
        parch::TStringStream stream(data);
        parch::TPNGReader reader;
        reader.ChunksOnly = options == 3;
        reader.Reduce16BitColor = (options & 1) != 0;
        reader.Reduce16BitAlpha = (options & 2) != 0;
        reader.LoadFromStream(stream);
    }
    parch::TPNGPixels pixels;
    parch::DecodePNGPixels(data, pixels);
    parch::TStringStream patched(data);
    parch::TPDFImageDecoder decoder;
    decoder.PatchPNGPalette(patched, "SetTrans", 0x00FF00);
    decoder.PatchPNGPalette(patched, "Reset", 0);
    decoder.PatchPNGPalette(patched, "Swap", 0);
    return 0;
}
