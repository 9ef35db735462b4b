// The stream filter chain: the first line of the input is a stream dictionary, the rest the
// stream's data. The decoders are also run on their own, with a small size limit and parameters
// taken from the data, so that every predictor and LZW setting is reached.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStreamData.h"
#include "pdf/core/ScrivletStructure.h"

namespace {

constexpr std::size_t kFuzzLimit = 1 << 20;

void RunChain(std::string_view dictionary, std::string_view raw) {
    parch::TPDFStructure structure;
    parch::TPDFStream* stream = structure.NewStream(raw, false);
    parch::TPDFObject* parsed = parch::ParseObject(structure, dictionary);
    if (parsed->Kind == parch::kPDFKindDictionary)
        stream->SetDictionary(static_cast<parch::TPDFDictionary*>(parsed));
    try {
        parch::GetDecodedData(*stream);
    } catch (const parch::EPDFDamagedData&) {
    }
}

void RunDecoders(std::string_view raw) {
    if (raw.size() < 4) return;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(raw[i]); };
    parch::TPDFPredictorParms parms;
    parms.Predictor = byte(0) % 16;
    parms.Colors = byte(1) % 8;
    parms.BitsPerComponent = byte(2) % 18;
    parms.Columns = byte(3);
    const std::string_view data = raw.substr(4);
    try {
        parch::FlateDecodePredicted(data, parms, kFuzzLimit);
        parch::UndoPredictor(data, parms);
        parch::ASCII85DecodeStr(data, kFuzzLimit);
        parch::RunLengthDecodeStr(data, kFuzzLimit);
        parch::TPDFLZWDecompressor lzw;
        lzw.Limit = kFuzzLimit;
        lzw.EarlyChange = byte(0) & 0x10;
        lzw.BitOrder = byte(0) >> 7;
        lzw.StartWidth = 8 + byte(1) % 6;
        lzw.DecompressWithParms(data, parms);
    } catch (const parch::EPDFDamagedData&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    if (newline == std::string_view::npos) {
        RunDecoders(input);
        return 0;
    }
    RunChain(input.substr(0, newline), input.substr(newline + 1));
    RunDecoders(input.substr(newline + 1));
    return 0;
}
