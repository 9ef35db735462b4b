#include "pdf/images/ScrivletJBIG2.h"

#include <exception>

#include "pdf/images/ScrivletJBIG2Bitmap.h"
#include "pdf/images/ScrivletJBIG2Stream.h"

namespace parch {

bool TSVLJBIG2Decoder::Decode(const TJBIG2ByteArray& data, const TJBIG2ByteArray& globalData) {
    width_ = 0;
    height_ = 0;
    rows_.clear();
    if (data.empty()) return false;
    // Damaged data of any kind (and a failed allocation) ends the decode here: the image stays
    // undrawn, the page goes on.
    try {
        TJBIG2StreamDecoder streamDecoder;
        if (!globalData.empty()) streamDecoder.SetGlobalData(globalData);
        streamDecoder.DecodeStream(data);
        if (streamDecoder.GetNumberOfPages() <= 0) return false;
        const TJBIG2Bitmap* page = streamDecoder.GetPageBitmap();
        if (page == nullptr) return false;
        if (page->Width() <= 0 || page->Height() <= 0) return false;
        std::vector<TJBIG2ByteArray> rows;
        rows.reserve(static_cast<std::size_t>(page->Height()));
        for (std::int32_t y = 0; y < page->Height(); ++y) rows.push_back(page->RowCopyOut(y));
        rows_ = std::move(rows);
        width_ = page->Width();
        height_ = page->Height();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TSVLJBIG2Decoder::Decode(const TJBIG2ByteArray& data) { return Decode(data, TJBIG2ByteArray{}); }

bool TSVLJBIG2Decoder::GetRow(std::int32_t rowIndex, TJBIG2ByteArray& row) const {
    if (rowIndex < 0 || rowIndex >= height_ || static_cast<std::size_t>(rowIndex) >= rows_.size()) {
        row.assign(static_cast<std::size_t>(width_), 0);
        return false;
    }
    row = rows_[static_cast<std::size_t>(rowIndex)];
    return true;
}

}  // namespace parch
