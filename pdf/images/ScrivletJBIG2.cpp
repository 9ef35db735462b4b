#include "pdf/images/ScrivletJBIG2.h"

#include "pdf/images/ScrivletJBIG2Bitmap.h"
#include "pdf/images/ScrivletJBIG2Stream.h"

namespace parch {

bool TSVLJBIG2Decoder::Decode(const TJBIG2ByteArray& data, const TJBIG2ByteArray& globalData) {
    width_ = 0;
    height_ = 0;
    pixels_.reset();
    if (data.empty()) return false;
    // Damaged data of any kind (and a failed allocation) ends the decode here: the image stays
    // undrawn, the page goes on.
    try {
        TJBIG2StreamDecoder streamDecoder;
        if (!globalData.empty()) streamDecoder.SetGlobalData(globalData);
        streamDecoder.DecodeStream(data);
        if (streamDecoder.GetNumberOfPages() <= 0) return false;
        TJBIG2Bitmap* page = streamDecoder.GetPageBitmap();
        if (page == nullptr) return false;
        if (page->Width() <= 0 || page->Height() <= 0) return false;
        width_ = page->Width();
        height_ = page->Height();
        pixels_ = page->TakePixels();
        return true;
    } catch (...) {
        width_ = 0;
        height_ = 0;
        pixels_.reset();
        return false;
    }
}

bool TSVLJBIG2Decoder::Decode(const TJBIG2ByteArray& data) { return Decode(data, TJBIG2ByteArray{}); }

bool TSVLJBIG2Decoder::GetRow(std::int32_t rowIndex, TJBIG2ByteArray& row) const {
    if (rowIndex < 0 || rowIndex >= height_ || pixels_ == nullptr) {
        row.assign(static_cast<std::size_t>(width_), 0);
        return false;
    }
    const std::uint8_t* start = pixels_.get() + static_cast<std::size_t>(rowIndex) * static_cast<std::size_t>(width_);
    row.assign(start, start + width_);
    return true;
}

}  // namespace parch
