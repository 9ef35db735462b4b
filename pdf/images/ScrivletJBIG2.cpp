#include "ScrivletJBIG2.h"

namespace parch {

bool TSVLJBIG2Decoder::Decode(const TJBIG2ByteArray& data, const TJBIG2ByteArray& globalData) {
    (void)data;
    (void)globalData;
    rows_.clear();
    width_ = 0;
    height_ = 0;
    return false;
}

bool TSVLJBIG2Decoder::Decode(const TJBIG2ByteArray& data) { return Decode(data, {}); }

bool TSVLJBIG2Decoder::GetRow(std::int32_t rowIndex, TJBIG2ByteArray& row) const {
    if (rowIndex < 0 || rowIndex >= height_) {
        row.assign(static_cast<std::size_t>(width_), 0);
        return false;
    }
    row = rows_[static_cast<std::size_t>(rowIndex)];
    return true;
}

}  // namespace parch
