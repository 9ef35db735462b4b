#include "pdf/images/ScrivletJBIG2Bitmap.h"

#include <algorithm>
#include <cstring>

namespace parch {

// ---- TJBIG2Bitmap

TJBIG2Bitmap::TJBIG2Bitmap(std::int32_t width, std::int32_t height, TJBIG2BitmapFactory& factory, TMMRDecoder* mmr,
                           THuffmanDecoder* huffman, TArithmeticDecoder* arithmetic)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0),
      factory_(factory),
      mmrDecoder_(mmr),
      huffmanDecoder_(huffman),
      arithmeticDecoder_(arithmetic) {}

void TJBIG2Bitmap::Fill(std::int32_t value) {
    std::fill(pixels_.begin(), pixels_.end(), static_cast<std::uint8_t>(value != 0 ? 1 : 0));
}

void TJBIG2Bitmap::CopyRow(std::int32_t toRow, std::int32_t fromRow) {
    if (width_ > 0) std::memcpy(Row(toRow), Row(fromRow), static_cast<std::size_t>(width_));
}

TJBIG2Bitmap* TJBIG2Bitmap::Extract(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    TJBIG2Bitmap* result = factory_.Create(width, height, mmrDecoder_, huffmanDecoder_, arithmeticDecoder_);
    // Parts of the rectangle outside this bitmap stay white.
    for (std::int32_t j = 0; j < height; ++j) {
        const std::int64_t sourceY = std::int64_t{y} + j;
        if (sourceY < 0 || sourceY >= height_) continue;
        const std::int64_t from = std::max<std::int64_t>(x, 0);
        const std::int64_t to = std::min<std::int64_t>(std::int64_t{x} + width, width_);
        if (from >= to) continue;
        std::memcpy(result->Row(j) + (from - x), Row(static_cast<std::int32_t>(sourceY)) + from,
                    static_cast<std::size_t>(to - from));
    }
    return result;
}

void TJBIG2Bitmap::GrowHeight(std::int32_t newHeight, std::int32_t value) {
    if (newHeight <= height_) return;
    const std::int64_t added = (std::int64_t{newHeight} - height_) * width_;
    factory_.AccountPixels(added);
    pixels_.resize(static_cast<std::size_t>(newHeight) * static_cast<std::size_t>(width_),
                   static_cast<std::uint8_t>(value != 0 ? 1 : 0));
    height_ = newHeight;
}

TJBIG2ByteArray TJBIG2Bitmap::RowCopyOut(std::int32_t rowIndex) const {
    if (rowIndex < 0 || rowIndex >= height_) return TJBIG2ByteArray(static_cast<std::size_t>(width_), 0);
    return TJBIG2ByteArray(Row(rowIndex), Row(rowIndex) + width_);
}

namespace {

template <typename Op>
void Jbig2CombineRows(std::uint8_t* d, const std::uint8_t* s, std::int64_t count, Op op) {
    for (std::int64_t i = 0; i < count; ++i) d[i] = op(s[i], d[i]);
}

}  // namespace

void TJBIG2Bitmap::Combine(const TJBIG2Bitmap& source, std::int64_t x, std::int64_t y, std::int32_t op) {
    if (op < 0 || op > 4) return;
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -x);
    const std::int64_t lastColumn = std::min<std::int64_t>(source.width_, std::int64_t{width_} - x);
    const std::int64_t firstRow = std::max<std::int64_t>(0, -y);
    const std::int64_t lastRow = std::min<std::int64_t>(source.height_, std::int64_t{height_} - y);
    if (firstColumn >= lastColumn || firstRow >= lastRow) return;
    const std::int64_t count = lastColumn - firstColumn;
    for (std::int64_t j = firstRow; j < lastRow; ++j) {
        const std::uint8_t* s = source.Row(static_cast<std::int32_t>(j)) + firstColumn;
        std::uint8_t* d = Row(static_cast<std::int32_t>(y + j)) + (x + firstColumn);
        switch (op) {
            case 0: Jbig2CombineRows(d, s, count, [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a | b); }); break;
            case 1: Jbig2CombineRows(d, s, count, [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a & b); }); break;
            case 2: Jbig2CombineRows(d, s, count, [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a ^ b); }); break;
            case 3: Jbig2CombineRows(d, s, count, [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a == b); }); break;
            default: std::memcpy(d, s, static_cast<std::size_t>(count)); break;
        }
    }
}

// ---- TJBIG2BitmapFactory

TJBIG2Bitmap* TJBIG2BitmapFactory::Create(std::int64_t width, std::int64_t height, TMMRDecoder* mmr,
                                          THuffmanDecoder* huffman, TArithmeticDecoder* arithmetic) {
    if (width < 0 || height < 0 || width > kMaxJBIG2Pixels || height > kMaxJBIG2Pixels) {
        throw EJBIG2Damage("bitmap size out of range");
    }
    AccountPixels(width * height);
    bitmaps_.push_back(std::make_unique<TJBIG2Bitmap>(static_cast<std::int32_t>(width),
                                                      static_cast<std::int32_t>(height), *this, mmr, huffman,
                                                      arithmetic));
    return bitmaps_.back().get();
}

void TJBIG2BitmapFactory::AccountPixels(std::int64_t pixels) {
    if (pixels > kMaxJBIG2Pixels || pixelCount_ + pixels > kMaxJBIG2Pixels) {
        throw EJBIG2Damage("bitmaps beyond the pixel limit");
    }
    pixelCount_ += pixels;
}

// ---- flags

void TRegionFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {{"EXTERNAL_COMBINATION_OPERATOR", 0, 3}};
    SplitFields(flagsValue, kFields, std::size(kFields));
}

void TPageInformationFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {{"DEFAULT_PIXEL_VALUE", 2, 1}, {"DEFAULT_COMBINATION_OPERATOR", 3, 2}};
    SplitFields(flagsValue, kFields, std::size(kFields));
}

// ---- TRegionSegment

void TRegionSegment::ReadSegment() {
    TStreamReader& reader = decoder_.Reader();
    regionWidth_ = reader.ReadInt32();
    regionHeight_ = reader.ReadInt32();
    regionX_ = reader.ReadInt32();
    regionY_ = reader.ReadInt32();
    regionFlags_.SetFlags(reader.ReadByte());
}

TJBIG2Bitmap* TRegionSegment::CreateBitmap(std::int64_t width, std::int64_t height) {
    return decoder_.BitmapFactory().Create(width, height, mmrDecoder_, huffmanDecoder_, arithmeticDecoder_);
}

void TRegionSegment::GrowPageToRegion() {
    TPageInformationSegment* page = decoder_.FindPageSegment(header_->PageAssociation);
    if (page == nullptr || page->PageHeight() != -1) return;
    TJBIG2Bitmap* bitmap = page->PageBitmap();
    const std::int64_t bottom = std::int64_t{regionY_} + regionHeight_;
    if (bottom > bitmap->Height()) {
        if (bottom > kMaxJBIG2Pixels) throw EJBIG2Damage("page growth beyond the limit");
        bitmap->GrowHeight(static_cast<std::int32_t>(bottom), page->Flags().GetFlagValue("DEFAULT_PIXEL_VALUE"));
    }
}

void TRegionSegment::PlaceRegion(TJBIG2Bitmap& region) {
    if (immediate_) {
        // A region of a page without page information has nowhere to go: it is dropped.
        TPageInformationSegment* page = decoder_.FindPageSegment(header_->PageAssociation);
        if (page == nullptr || page->PageBitmap() == nullptr) return;
        page->PageBitmap()->Combine(region, regionX_, regionY_,
                                    regionFlags_.GetFlagValue("EXTERNAL_COMBINATION_OPERATOR"));
    } else {
        region.SetNumber(header_->SegmentNumber);
        decoder_.StoreBitmap(&region);
    }
}

// ---- TPageInformationSegment

void TPageInformationSegment::ReadSegment() {
    TStreamReader& reader = decoder_.Reader();
    pageWidth_ = reader.ReadInt32();
    pageHeight_ = reader.ReadInt32();
    xResolution_ = reader.ReadInt32();
    yResolution_ = reader.ReadInt32();
    flags_.SetFlags(reader.ReadByte());
    pageStriping_ = reader.ReadUInt16();
    const std::int32_t height = pageHeight_ == -1 ? (pageStriping_ & 0x7FFF) : pageHeight_;
    pageBitmap_ = decoder_.BitmapFactory().Create(pageWidth_, height, mmrDecoder_, huffmanDecoder_, arithmeticDecoder_);
    pageBitmap_->Fill(flags_.GetFlagValue("DEFAULT_PIXEL_VALUE"));
}

}  // namespace parch
