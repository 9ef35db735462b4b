#pragma once
// Huffman decoding of the JBIG2 symbol dictionary and text region fields (T.88 Annex B), the
// fifteen standard tables, and the prefix assignment of tables built at run time.

#include <cstdint>
#include <vector>

#include "pdf/images/ScrivletJBIG2Stream.h"

namespace parch {

// One row of a table. RangeLength -1 closes the table, -2 is out of band, -3 a lower range
// (range low minus 32 bits); an upper range is a row of range length 32.
struct THuffmanRow {
    std::int32_t RangeLow;
    std::int32_t PrefixLength;
    std::int32_t RangeLength;
    std::int32_t Code;
};
using THuffmanTableArray = std::vector<THuffmanRow>;

inline constexpr std::int32_t kHuffmanEndOfTable = -1;
inline constexpr std::int32_t kHuffmanOutOfBand = -2;
inline constexpr std::int32_t kHuffmanLowerRange = -3;

class THuffmanDecoder {
public:
    explicit THuffmanDecoder(TStreamReader& reader) : reader_(reader) {}

    // False for the out-of-band result (value -1).
    bool Decode(const THuffmanTableArray& table, std::int64_t& value);
    std::int32_t ReadBit() { return reader_.ReadBit(); }
    std::uint32_t ReadBits(int count) { return reader_.ReadBits(count); }
    void ConsumeRemainingBits() { reader_.ConsumeRemainingBits(); }
    TStreamReader& Reader() { return reader_; }

    // Standard table B.<number>, 1 to 15.
    static THuffmanTableArray StandardTable(int number);
    // Rows ordered by prefix length with their codes assigned, zero-length rows dropped, closed
    // by the end-of-table row.
    static THuffmanTableArray AssignPrefixCodes(const std::vector<THuffmanRow>& rows);

private:
    TStreamReader& reader_;
};

}  // namespace parch
