#include "pdf/images/ScrivletJBIG2Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace parch {

// ---- TJBIG2PixelBuffer

TJBIG2PixelBuffer::TJBIG2PixelBuffer(std::size_t size)
    : data_(static_cast<std::uint8_t*>(std::calloc(std::max<std::size_t>(size, 1), 1))), size_(size) {
    if (data_ == nullptr) throw std::bad_alloc();
}

void TJBIG2PixelBuffer::Grow(std::size_t newSize, std::uint8_t value) {
    if (newSize <= size_) return;
    auto* grown = static_cast<std::uint8_t*>(std::realloc(data_.get(), newSize));
    if (grown == nullptr) throw std::bad_alloc();
    data_.release();
    data_.reset(grown);
    std::memset(grown + size_, value, newSize - size_);
    size_ = newSize;
}

std::shared_ptr<const std::uint8_t> TJBIG2PixelBuffer::Share() {
    size_ = 0;
    return std::shared_ptr<const std::uint8_t>(data_.release(), Release());
}

void TJBIG2PixelBuffer::Release::operator()(std::uint8_t* data) const { std::free(data); }

// ---- TJBIG2Bitmap

TJBIG2Bitmap::TJBIG2Bitmap(std::int32_t width, std::int32_t height, TJBIG2BitmapFactory& factory, TMMRDecoder* mmr,
                           THuffmanDecoder* huffman, TArithmeticDecoder* arithmetic)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
      factory_(factory),
      mmrDecoder_(mmr),
      huffmanDecoder_(huffman),
      arithmeticDecoder_(arithmetic) {}

void TJBIG2Bitmap::Fill(std::int32_t value) {
    std::memset(pixels_.Data(), value != 0 ? 1 : 0, pixels_.Size());
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
    pixels_.Grow(static_cast<std::size_t>(newHeight) * static_cast<std::size_t>(width_), value != 0 ? 1 : 0);
    height_ = newHeight;
}

void TJBIG2Bitmap::SwapPixels(TJBIG2Bitmap& other) {
    if (other.width_ != width_ || other.height_ != height_) throw EJBIG2Damage("pixels of another size");
    pixels_.Swap(other.pixels_);
}

std::shared_ptr<const std::uint8_t> TJBIG2Bitmap::TakePixels() {
    height_ = 0;
    return pixels_.Share();
}

TJBIG2ByteArray TJBIG2Bitmap::RowCopyOut(std::int32_t rowIndex) const {
    if (rowIndex < 0 || rowIndex >= height_) return TJBIG2ByteArray(static_cast<std::size_t>(width_), 0);
    return TJBIG2ByteArray(Row(rowIndex), Row(rowIndex) + width_);
}

namespace {

// Rows up to this long (a symbol's, a pattern's) are OR-ed eight bytes at a time without
// branches; longer ones skip white stretches.
constexpr std::int64_t kJbig2ShortRow = 256;

// OR of a row. A long source row is mostly white: blocks of white source leave the destination
// untouched (and its memory unwritten).
void Jbig2OrRows(std::uint8_t* d, const std::uint8_t* s, std::int64_t count) {
    std::int64_t i = 0;
    if (count <= kJbig2ShortRow) {
        for (; i + 8 <= count; i += 8) {
            std::uint64_t source, destination;
            std::memcpy(&source, s + i, 8);
            std::memcpy(&destination, d + i, 8);
            destination |= source;
            std::memcpy(d + i, &destination, 8);
        }
        for (; i < count; ++i) d[i] |= s[i];
        return;
    }
    for (; i + 8 <= count; i += 8) {
        std::uint64_t source;
        std::memcpy(&source, s + i, 8);
        if (source == 0) continue;
        std::uint64_t destination;
        std::memcpy(&destination, d + i, 8);
        destination |= source;
        std::memcpy(d + i, &destination, 8);
    }
    for (; i < count; ++i) d[i] |= s[i];
}

template <typename Op>
void Jbig2CombineRows(std::uint8_t* d, const std::uint8_t* s, std::int64_t count, Op op) {
    for (std::int64_t i = 0; i < count; ++i) d[i] = op(s[i], d[i]);
}

// One row operation applied to every row of a rectangle: rows of the source, from its row
// firstRow on, onto rows of the destination, from its row destinationRow on.
template <typename RowOp>
void Jbig2CombineRectangle(TJBIG2Bitmap& destination, const TJBIG2Bitmap& source, std::int64_t firstRow,
                           std::int64_t rows, std::int64_t destinationRow, std::int64_t sourceColumn,
                           std::int64_t destinationColumn, std::int64_t count, RowOp rowOp) {
    const std::uint8_t* s = source.Row(static_cast<std::int32_t>(firstRow)) + sourceColumn;
    std::uint8_t* d = destination.Row(static_cast<std::int32_t>(destinationRow)) + destinationColumn;
    const std::int64_t sourceStride = source.Width(), destinationStride = destination.Width();
    for (std::int64_t j = 0; j < rows; ++j, s += sourceStride, d += destinationStride) rowOp(d, s, count);
}

}  // namespace

void TJBIG2Bitmap::Combine(const TJBIG2Bitmap& source, std::int64_t x, std::int64_t y, std::int32_t op) {
    CombineClipped(source, x, y, op, 0, 0, width_, height_);
}

void TJBIG2Bitmap::CombineClipped(const TJBIG2Bitmap& source, std::int64_t x, std::int64_t y, std::int32_t op,
                                  std::int64_t clipLeft, std::int64_t clipTop, std::int64_t clipRight,
                                  std::int64_t clipBottom) {
    if (op < 0 || op > 4) return;
    clipLeft = std::max<std::int64_t>(clipLeft, 0);
    clipTop = std::max<std::int64_t>(clipTop, 0);
    clipRight = std::min<std::int64_t>(clipRight, width_);
    clipBottom = std::min<std::int64_t>(clipBottom, height_);
    const std::int64_t firstColumn = std::max<std::int64_t>(0, clipLeft - x);
    const std::int64_t lastColumn = std::min<std::int64_t>(source.width_, clipRight - x);
    const std::int64_t firstRow = std::max<std::int64_t>(0, clipTop - y);
    const std::int64_t lastRow = std::min<std::int64_t>(source.height_, clipBottom - y);
    if (firstColumn >= lastColumn || firstRow >= lastRow) return;
    const std::int64_t count = lastColumn - firstColumn, rows = lastRow - firstRow;
    const auto apply = [&](auto rowOp) {
        Jbig2CombineRectangle(*this, source, firstRow, rows, y + firstRow, firstColumn, x + firstColumn, count, rowOp);
    };
    switch (op) {
        case 0: apply(Jbig2OrRows); break;
        case 1:
            apply([](std::uint8_t* d, const std::uint8_t* s, std::int64_t n) {
                Jbig2CombineRows(d, s, n, [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a & b); });
            });
            break;
        case 2:
            apply([](std::uint8_t* d, const std::uint8_t* s, std::int64_t n) {
                Jbig2CombineRows(d, s, n, [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a ^ b); });
            });
            break;
        case 3:
            apply([](std::uint8_t* d, const std::uint8_t* s, std::int64_t n) {
                Jbig2CombineRows(d, s, n, [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a == b); });
            });
            break;
        default:
            apply([](std::uint8_t* d, const std::uint8_t* s, std::int64_t n) {
                std::memcpy(d, s, static_cast<std::size_t>(n));
            });
            break;
    }
}

// ---- TJBIG2BitmapFactory

TJBIG2Bitmap* TJBIG2BitmapFactory::Create(std::int64_t width, std::int64_t height, TMMRDecoder* mmr,
                                          THuffmanDecoder* huffman, TArithmeticDecoder* arithmetic) {
    if (width < 0 || height < 0 || width > kMaxJBIG2Pixels || height > kMaxJBIG2Pixels) {
        throw EJBIG2Damage("bitmap size out of range");
    }
    AccountPixels(width * height + kJBIG2BitmapOverheadPixels);
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

TJBIG2Bitmap* TRegionSegment::DirectPageTarget(bool regionStartsWhite, std::int32_t partsOperator) {
    if (!immediate_ || !regionStartsWhite || partsOperator != 0 ||
        regionFlags_.GetFlagValue("EXTERNAL_COMBINATION_OPERATOR") != 0) {
        return nullptr;
    }
    if (regionWidth_ < 0 || regionHeight_ < 0) throw EJBIG2Damage("region of negative size");
    TPageInformationSegment* page = decoder_.FindPageSegment(header_->PageAssociation);
    if (page == nullptr) return nullptr;
    page->MarkDrawn();
    return page->PageBitmap();
}

void TRegionSegment::PlaceRegion(TJBIG2Bitmap& region) {
    if (immediate_) {
        // A region of a page without page information has nowhere to go: it is dropped.
        TPageInformationSegment* page = decoder_.FindPageSegment(header_->PageAssociation);
        if (page == nullptr || page->PageBitmap() == nullptr) return;
        TJBIG2Bitmap& pageBitmap = *page->PageBitmap();
        const std::int32_t op = regionFlags_.GetFlagValue("EXTERNAL_COMBINATION_OPERATOR");
        // A region that covers a blank white page exactly, drawn by OR, XOR or REPLACE, becomes
        // the page: its pixels are taken over rather than combined.
        const bool takesOverPage = page->IsBlank() && page->Flags().GetFlagValue("DEFAULT_PIXEL_VALUE") == 0 &&
                                   (op == 0 || op == 2 || op == 4) && regionX_ == 0 && regionY_ == 0 &&
                                   region.Width() == pageBitmap.Width() && region.Height() == pageBitmap.Height();
        if (takesOverPage) {
            pageBitmap.SwapPixels(region);
        } else {
            pageBitmap.Combine(region, regionX_, regionY_, op);
        }
        page->MarkDrawn();
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
    // A new bitmap is white already.
    if (flags_.GetFlagValue("DEFAULT_PIXEL_VALUE") != 0) pageBitmap_->Fill(1);
}

}  // namespace parch
