#pragma once
// The data of a stream object with its filter chain (/Filter and /DecodeParms) undone through
// the decoders of ScrivletFilters. The object model itself knows no filter.

#include <string>

namespace parch {

class TPDFStream;

// The stream's raw data decoded by each filter of its chain in turn; filters without a decoder
// here (image codecs, crypt filters) pass the data on unchanged. EPDFDamagedData when a
// decoder's output breaks its size limit. `expectedSize`, when the caller knows what a single
// filter will give, sizes its output once.
std::string GetDecodedData(const TPDFStream& stream, std::size_t expectedSize = 0);

}  // namespace parch
