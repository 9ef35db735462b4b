#pragma once
// JBIG2 image data as PDF embeds it (/JBIG2Decode, optionally with /JBIG2Globals) decoded to
// the bitmap of page 1: one byte per pixel, 1 for black and 0 for white.

#include <cstdint>
#include <memory>
#include <vector>

namespace parch {

using TJBIG2ByteArray = std::vector<std::uint8_t>;

class TSVLJBIG2Decoder {
public:
    // Decodes the segments of data, preceded by those of globalData when it is not empty.
    // False when the data holds no page 1 or is damaged; width and height are then 0.
    bool Decode(const TJBIG2ByteArray& data, const TJBIG2ByteArray& globalData);
    bool Decode(const TJBIG2ByteArray& data);

    // Row rowIndex of the decoded page, width bytes; width zero bytes and false outside it.
    bool GetRow(std::int32_t rowIndex, TJBIG2ByteArray& row) const;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

private:
    // The decoded page, one byte per pixel, row after row: the page bitmap's own memory, taken
    // over when the decode ends rather than copied.
    std::shared_ptr<const std::uint8_t> pixels_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

}  // namespace parch
