// PNG files: the chunk walk, sample extraction with every option, pixel decoding, and the
// palette patches on whatever the walk accepts. The header's declared size is looked at first
// only to keep the fuzzer's pace on legal but large pictures.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/Streams.h"
#include "pdf/images/ScrivletImageDecoder.h"
#include "pdf/images/ScrivletPNG.h"

namespace {

// Width x height of a leading IHDR chunk, or 0.
std::uint64_t DeclaredPixels(const std::uint8_t* bytes, std::size_t size) {
    if (size < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0) return 0;
    const auto word = [bytes](std::size_t at) {
        return std::uint64_t{bytes[at]} << 24 | std::uint64_t{bytes[at + 1]} << 16 | std::uint64_t{bytes[at + 2]} << 8 | bytes[at + 3];
    };
    return word(16) * word(20);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (DeclaredPixels(bytes, size) > (1u << 22)) return 0;
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
