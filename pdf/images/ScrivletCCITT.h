#pragma once
// TSVLCCITTDecoder: bilevel image data coded as ITU-T T.4 (Group 3, one- and two-dimensional)
// or T.6 (Group 4), decoded into packed one-bit rows with black as 1.
//
// Output rows are ceil(columns / 8) bytes each, one after the other; bit 7 of byte 0 is the
// first pixel. The decoder only sets bits, so the caller hands over a zeroed buffer; rows that
// the buffer cannot hold are not decoded.

#include <cstdint>
#include <vector>

namespace parch {

using TCCITTByteArray = std::vector<std::uint8_t>;
using TCCITTIntegerArray = std::vector<std::int32_t>;

class TSVLCCITTDecoder {
public:
    // bitOrder 1: most significant bit first; 2: least significant first. EInvalidOperation
    // for another bit order ("tag must be either 1 or 2."), and for columns below 1 or above
    // the image size bound.
    TSVLCCITTDecoder(std::int32_t columns, bool fillBits, bool byteAlign, std::int32_t bitOrder, std::int32_t rows);

    // Rows must start with an end-of-line code (Group 3 two-dimensional data). Off by default:
    // codes present are skipped either way.
    void SetEndOfLine(bool required) { endOfLine_ = required; }

    // Group 3 one-dimensional. Damaged data ends decoding quietly, keeping the rows before it.
    void DecodeG3OneD(TCCITTByteArray& output, const TCCITTByteArray& input);
    // Group 3 two-dimensional (mixed with one-dimensional rows by a tag bit after each
    // end-of-line position). Damaged data raises EInvalidOperation; the rows before it stay.
    void DecodeG3TwoD(TCCITTByteArray& output, const TCCITTByteArray& input);
    // Group 4. False for damaged or short data; the rows decoded before the fault stay.
    bool DecodeG4(TCCITTByteArray& output, const TCCITTByteArray& input);

    // Complete rows written by the last decode.
    std::int32_t RowsDecoded() const { return rowsDecoded_; }
    std::int64_t RowBytes() const { return (static_cast<std::int64_t>(columns_) + 7) / 8; }

private:
    class BitReader;
    struct Lines;

    void Prepare(TCCITTByteArray& output, const TCCITTByteArray& input);
    bool StartRow(BitReader& reader) const;
    void DecodeOneDRow(BitReader& reader, Lines& lines, std::uint8_t* row) const;
    void DecodeTwoDRow(BitReader& reader, Lines& lines, std::uint8_t* row, bool group4) const;

    std::int32_t columns_;
    std::int32_t rows_;
    bool fillBits_;
    bool byteAlign_;
    std::int32_t bitOrder_;
    bool endOfLine_ = false;
    std::int32_t rowsDecoded_ = 0;
    std::int32_t rowsToDecode_ = 0;
    TCCITTByteArray reversed_;  // the input bit-reversed, for bit order 2
};

}  // namespace parch
