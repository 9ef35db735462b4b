// CCITT fax decoding: any data gives rows or a decoding error, never a crash, an overrun of
// the row or changing-element buffers, or a hang. The first six bytes choose the parameters
// (K, columns, rows, flags) as tools/make_codec_corpus.py writes them into the seeds.
#include <cstddef>
#include <cstdint>

#include "base/Exceptions.h"
#include "pdf/images/ScrivletCCITT.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    const auto k = static_cast<std::int8_t>(data[0]);
    // Bounded so the fuzzer keeps its pace; the bound itself is the decoder's own business.
    const int columns = (data[1] | data[2] << 8) % 4096 + 1;
    const int rows = (data[3] | data[4] << 8) % 1024;
    const std::uint8_t flags = data[5];
    const parch::TCCITTByteArray input(data + 6, data + size);
    parch::TSVLCCITTDecoder decoder(columns, false, flags & 1, flags & 8 ? 2 : 1, rows);
    decoder.SetEndOfLine(flags & 4);
    parch::TCCITTByteArray output(static_cast<std::size_t>(decoder.RowBytes() * rows), 0);
    try {
        if (k < 0) decoder.DecodeG4(output, input);
        else if (k == 0) decoder.DecodeG3OneD(output, input);
        else decoder.DecodeG3TwoD(output, input);
    } catch (const parch::EInvalidOperation&) {
    }
    if (decoder.RowsDecoded() > rows) __builtin_trap();
    return 0;
}
