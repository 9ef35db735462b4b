// JBIG2 decoding: any input decodes to a page or answers false, never a crash, a hang or an
// oversized allocation. The first two bytes give the length of the global segments that follow
// them; the rest is the page's data.
#include <cstddef>
#include <cstdint>

#include "pdf/images/ScrivletJBIG2.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t globalsSize = (std::size_t{data[0]} << 8) | data[1];
    if (globalsSize > size - 2) globalsSize = size - 2;
    const std::uint8_t* globalsStart = data + 2;
    const parch::TJBIG2ByteArray globals(globalsStart, globalsStart + globalsSize);
    const parch::TJBIG2ByteArray page(globalsStart + globalsSize, data + size);
    parch::TSVLJBIG2Decoder decoder;
    if (decoder.Decode(page, globals)) {
        parch::TJBIG2ByteArray row;
        // Every row the decoder claims is there, and of its width.
        for (std::int32_t y = 0; y < decoder.Height(); y += 1 + decoder.Height() / 8) {
            if (!decoder.GetRow(y, row) || row.size() != static_cast<std::size_t>(decoder.Width())) __builtin_trap();
        }
    }
    return 0;
}
