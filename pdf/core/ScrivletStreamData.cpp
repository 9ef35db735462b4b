#include "pdf/core/ScrivletStreamData.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "pdf/core/ScrivletFilters.h"
#include "pdf/core/ScrivletParser.h"
#include "pdf/core/ScrivletStructure.h"

namespace parch {

namespace {

std::int32_t ClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// A number entry of a parameter dictionary (a reference resolved), rounded; else the default.
std::int32_t NumberParameter(const TPDFDictionary* parms, std::string_view key, std::int32_t fallback) {
    if (!parms) return fallback;
    const TPDFObject* value = parms->GetValue(key, true);
    if (!value || value->Kind != kPDFKindNumeric) return fallback;
    return ClampToInt32(static_cast<const TPDFNumeric*>(value)->GetInteger());
}

TPDFPredictorParms PredictorParmsOf(const TPDFDictionary* parms) {
    TPDFPredictorParms result;
    result.Predictor = NumberParameter(parms, "Predictor", 1);
    result.Colors = NumberParameter(parms, "Colors", 1);
    result.BitsPerComponent = NumberParameter(parms, "BitsPerComponent", 8);
    result.Columns = NumberParameter(parms, "Columns", 1);
    return result;
}

// The object, through a reference when it is one, as a dictionary (or null).
const TPDFDictionary* ResolvedDictionary(const TPDFObject* object) {
    if (object && object->Kind == kPDFKindIndRef) object = static_cast<const TPDFIndRef*>(object)->Resolve();
    return AsDictionary(object);
}

const TPDFName* AsName(const TPDFObject* object) {
    if (object && object->Kind == kPDFKindIndRef) object = static_cast<const TPDFIndRef*>(object)->Resolve();
    return object && object->Kind == kPDFKindName ? static_cast<const TPDFName*>(object) : nullptr;
}

std::string ApplyFilter(const std::string& name, const TPDFDictionary* parms, std::string data,
                        std::size_t expectedSize) {
    if (name == "FlateDecode" || name == "Fl") {
        const TPDFFlateParms flate = PredictorParmsOf(parms);
        return flate.Predictor < 2 ? FlateDecompressStr(data, kMaxDecodedSize, expectedSize)
                                   : FlateDecodePredicted(data, flate, kMaxDecodedSize, expectedSize);
    }
    if (name == "ASCII85Decode" || name == "A85") return ASCII85DecodeStr(data);
    // Bracketed, so that a closing ">" already in the data is harmless.
    if (name == "ASCIIHexDecode" || name == "AHx") return HexStringToBytes("<" + data + ">");
    if (name == "LZWDecode" || name == "LZW") {
        TPDFLZWDecompressor lzw;
        lzw.BitOrder = 1;
        lzw.StartWidth = 9;
        lzw.EarlyChange = NumberParameter(parms, "EarlyChange", 1) == 1;
        return lzw.DecompressWithParms(data, PredictorParmsOf(parms));
    }
    if (name == "RunLengthDecode" || name == "RL") return RunLengthDecodeStr(data);
    // Image codecs and crypt filters are left to their own readers.
    return data;
}

}  // namespace

// --- The filter chain of a stream --------------------------------------------------------------

std::string GetDecodedData(const TPDFStream& stream, std::size_t expectedSize) {
    std::string data = stream.Data;
    const TPDFDictionary* dictionary = stream.StreamDict;
    if (!dictionary) return data;

    std::vector<std::string> filters;
    const TPDFObject* filter = dictionary->GetValue("Filter", true);
    if (const TPDFName* name = AsName(filter)) {
        filters.push_back(name->NameBytes);
    } else if (filter && filter->Kind == kPDFKindArray) {
        const auto* list = static_cast<const TPDFArray*>(filter);
        for (int i = 0; i < list->GetCount(); ++i)
            if (const TPDFName* item = AsName(list->GetItem(i))) filters.push_back(item->NameBytes);
    }
    if (filters.empty()) return data;

    std::vector<const TPDFDictionary*> parms(filters.size(), nullptr);
    const TPDFObject* decodeParms = dictionary->IndexOfKey("DecodeParms") >= 0
                                        ? dictionary->GetValue("DecodeParms", true)
                                        : dictionary->GetValue("DP", true);
    if (const TPDFDictionary* single = ResolvedDictionary(decodeParms)) {
        parms[0] = single;
    } else if (decodeParms && decodeParms->Kind == kPDFKindArray) {
        const auto* list = static_cast<const TPDFArray*>(decodeParms);
        for (int i = 0; i < list->GetCount() && static_cast<std::size_t>(i) < parms.size(); ++i)
            parms[i] = ResolvedDictionary(list->GetItem(i));
    }

    // The expected size is that of the first filter's output only when no other follows.
    for (std::size_t i = 0; i < filters.size(); ++i)
        data = ApplyFilter(filters[i], parms[i], std::move(data), filters.size() == 1 ? expectedSize : 0);
    return data;
}

}  // namespace parch
