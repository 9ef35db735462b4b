#pragma once
// Stream filters: the decoders behind GetDecodedData (ScrivletStreamData.h: Flate, LZW, ASCII85,
// ASCIIHex, RunLength, with the PNG and TIFF predictors) and the compression helpers the rest of
// the library uses. Damaged data decodes as far as it can; only a decoded size beyond the limit
// is an error (EPDFDamagedData), so that a small stream cannot expand without bound.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/SysUtils.h"

namespace parch {

class TStream;

// Data whose decoding breaks a limit; callers treat it as a damaged stream.
class EPDFDamagedData : public Exception {
public:
    using Exception::Exception;
};

// The largest output of one filter.
inline constexpr std::size_t kMaxDecodedSize = std::size_t{256} << 20;

// Predictor parameters of the Flate and LZW filters.
struct TPDFPredictorParms {
    std::int32_t Predictor = 1;
    std::int32_t Colors = 1;
    std::int32_t BitsPerComponent = 8;
    std::int32_t Columns = 1;
};
using TPDFFlateParms = TPDFPredictorParms;
using TPDFLZWParms = TPDFPredictorParms;

// A zlib stream at the default level; empty for an empty input or on failure.
std::string FlateCompressStr(std::string_view data);
// Inflates a zlib stream: a damaged or cut stream gives what was decoded before the damage,
// any other zlib failure an empty result. `expectedSize`, when the caller knows it, sizes the
// output once (it changes nothing else).
std::string FlateDecompressStr(std::string_view data, std::size_t limit = kMaxDecodedSize,
                               std::size_t expectedSize = 0);
std::string FlateDecodePredicted(std::string_view data, const TPDFFlateParms& parms,
                                 std::size_t limit = kMaxDecodedSize, std::size_t expectedSize = 0);

// Undoes predictor 2 (TIFF, components of 1 to 16 bits) or 10 and above (PNG, one filter-type
// byte per row) over whole rows; a trailing partial row is dropped. Predictors below 2, and
// parameters that describe no pixel, leave the data as it is.
std::string UndoPredictor(std::string_view data, const TPDFPredictorParms& parms);
// The same over the data's own bytes.
void UndoPredictorInPlace(std::string& data, const TPDFPredictorParms& parms);

// ASCII base-85: decoding needs the "~>" end marker (without it the result is empty);
// encoding writes lines of 71 to 75 characters ended by CR LF, and "~>" at the end.
std::string ASCII85DecodeStr(std::string_view data, std::size_t limit = kMaxDecodedSize);
std::string ASCII85EncodeStr(std::string_view data);
// Encodes the whole source, from its start, into the destination.
void ASCII85EncodeStream(TStream& source, TStream& destination);

// Run-length decoding: a length byte below 128 copies the next length + 1 bytes, 128 ends the
// data, a larger one repeats the next byte 257 - length times.
std::string RunLengthDecodeStr(std::string_view data, std::size_t limit = kMaxDecodedSize);

class TPDFLZWDecompressor {
public:
    // Set between construction and decoding. StartWidth is kept within 9 to 12.
    bool EarlyChange = false;
    int BitOrder = 1;  // 1 most significant bit first (PDF), 0 least significant first
    int StartWidth = 9;
    std::size_t Limit = kMaxDecodedSize;

    std::string Decompress(std::string_view data);
    // Decoding, then the predictor of the parameters.
    std::string DecompressWithParms(std::string_view data, const TPDFLZWParms& parms);
};

}  // namespace parch
