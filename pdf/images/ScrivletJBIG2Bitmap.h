#pragma once
// JBIG2 bitmaps (one byte per pixel, 1 black), the factory that owns every bitmap of a decode,
// the pixel cursor, region segment information, page information and the placing of a region's
// result into its page or into the stream decoder's list of intermediate results.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "pdf/images/ScrivletJBIG2Stream.h"

namespace parch {

class TJBIG2Bitmap;
using TJBIG2BitmapArray = std::vector<TJBIG2Bitmap*>;
struct THuffmanRow;
using THuffmanTableArray = std::vector<THuffmanRow>;

// The adaptive-template pixels of a generic or refinement decode.
struct TJBIG2AtPixels {
    std::int32_t X[4] = {0, 0, 0, 0};
    std::int32_t Y[4] = {0, 0, 0, 0};
};

// Everything the text-region decoding procedure needs (used by text regions and by aggregate
// symbols of symbol dictionaries).
struct TJBIG2TextRegionParams {
    bool Huffman = false;
    bool Refine = false;
    std::int32_t RefinementTemplate = 0;
    TJBIG2AtPixels RefinementAt;
    const THuffmanTableArray* TableFirstS = nullptr;
    const THuffmanTableArray* TableDeltaS = nullptr;
    const THuffmanTableArray* TableDeltaT = nullptr;
    const THuffmanTableArray* TableRdw = nullptr;
    const THuffmanTableArray* TableRdh = nullptr;
    const THuffmanTableArray* TableRdx = nullptr;
    const THuffmanTableArray* TableRdy = nullptr;
    const THuffmanTableArray* TableRefinementSize = nullptr;
    std::int32_t SOffset = 0;
    std::int32_t ReferenceCorner = 0;
    bool Transposed = false;
    std::int32_t CombinationOperator = 0;
    std::int32_t DefaultPixel = 0;
    const TJBIG2BitmapArray* Symbols = nullptr;
    std::int64_t SymbolCount = 0;
    std::int32_t SymbolCodeLength = 0;
    const THuffmanTableArray* SymbolIdTable = nullptr;
    std::int32_t LogStripSize = 0;
    std::int64_t Instances = 0;
    // When set, instances are drawn into this bitmap at the target offset, clipped to the
    // region's rectangle there, instead of into the decoded bitmap.
    TJBIG2Bitmap* DrawTarget = nullptr;
    std::int64_t TargetX = 0;
    std::int64_t TargetY = 0;
    std::int64_t TargetWidth = 0;
    std::int64_t TargetHeight = 0;
};

// Zeroed pixel memory that the system hands out page by page as it is first written: a large,
// mostly white bitmap costs only the pages that are drawn on.
class TJBIG2PixelBuffer {
public:
    explicit TJBIG2PixelBuffer(std::size_t size);
    std::uint8_t* Data() { return data_.get(); }
    const std::uint8_t* Data() const { return data_.get(); }
    std::size_t Size() const { return size_; }
    // New bytes take the value.
    void Grow(std::size_t newSize, std::uint8_t value);
    void Swap(TJBIG2PixelBuffer& other) {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
    }
    // Hands the memory over; the buffer is empty afterwards.
    std::shared_ptr<const std::uint8_t> Share();

private:
    struct Release {
        void operator()(std::uint8_t* data) const;
    };
    std::unique_ptr<std::uint8_t, Release> data_;
    std::size_t size_;
};

class TJBIG2Bitmap {
public:
    TJBIG2Bitmap(std::int32_t width, std::int32_t height, TJBIG2BitmapFactory& factory,
                 TMMRDecoder* mmr, THuffmanDecoder* huffman, TArithmeticDecoder* arithmetic);

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    std::uint8_t* Row(std::int32_t y) { return pixels_.Data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_); }
    const std::uint8_t* Row(std::int32_t y) const { return pixels_.Data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_); }

    std::uint8_t GetPixel(std::int32_t x, std::int32_t y) const { return Row(y)[x]; }
    void SetPixel(std::int32_t x, std::int32_t y, std::uint8_t value) { Row(y)[x] = value; }
    // 0 outside the bitmap.
    std::uint8_t PixelOrZero(std::int64_t x, std::int64_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_ ? Row(static_cast<std::int32_t>(y))[x] : 0;
    }
    void Fill(std::int32_t value);
    void CopyRow(std::int32_t toRow, std::int32_t fromRow);
    TJBIG2Bitmap* Extract(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
    void GrowHeight(std::int32_t newHeight, std::int32_t value);
    TJBIG2ByteArray RowCopyOut(std::int32_t rowIndex) const;
    void Combine(const TJBIG2Bitmap& source, std::int64_t x, std::int64_t y, std::int32_t op);
    // Combine limited to the columns clipLeft..clipRight - 1 and rows clipTop..clipBottom - 1.
    void CombineClipped(const TJBIG2Bitmap& source, std::int64_t x, std::int64_t y, std::int32_t op,
                        std::int64_t clipLeft, std::int64_t clipTop, std::int64_t clipRight, std::int64_t clipBottom);
    std::uint32_t Number() const { return number_; }
    // Exchanges the pixels of two bitmaps of the same size.
    void SwapPixels(TJBIG2Bitmap& other);
    // The pixels, row after row, handed over at the end of a decode: the bitmap has no rows
    // afterwards.
    std::shared_ptr<const std::uint8_t> TakePixels();
    void SetNumber(std::uint32_t number) { number_ = number; }

    // Generic region decoding (T.88 6.2); the bitmap must be all 0.
    void GenericDecode(bool mmr, std::int32_t gbTemplate, std::int64_t mmrByteCount, const TJBIG2AtPixels& at,
                       const TJBIG2Bitmap* skip, bool useSkip, bool tpgdon);
    // Generic refinement decoding (T.88 6.3); the bitmap must be all 0.
    void RefinementDecode(std::int32_t grTemplate, bool typicalPrediction, const TJBIG2AtPixels& at,
                          std::int32_t dy, std::int32_t dx, const TJBIG2Bitmap& reference);
    // Text region decoding (T.88 6.4).
    void TextRegionDecode(const TJBIG2TextRegionParams& params);

private:
    std::int32_t width_;
    std::int32_t height_;
    TJBIG2PixelBuffer pixels_;
    std::uint32_t number_ = 0;
    TJBIG2BitmapFactory& factory_;
    TMMRDecoder* mmrDecoder_;
    THuffmanDecoder* huffmanDecoder_;
    TArithmeticDecoder* arithmeticDecoder_;
};

// Creates and owns every bitmap of one decode, and keeps the pixels of all of them under the
// decode's limit.
class TJBIG2BitmapFactory {
public:
    TJBIG2Bitmap* Create(std::int64_t width, std::int64_t height, TMMRDecoder* mmr, THuffmanDecoder* huffman,
                         TArithmeticDecoder* arithmetic);
    // Accounts for pixels a bitmap gains after creation (page growth).
    void AccountPixels(std::int64_t pixels);

private:
    std::vector<std::unique_ptr<TJBIG2Bitmap>> bitmaps_;
    std::int64_t pixelCount_ = 0;
};

// A cursor along one row of a bitmap: white outside it.
class TBitmapPointer {
public:
    explicit TBitmapPointer(const TJBIG2Bitmap& bitmap)
        : bitmap_(bitmap), width_(bitmap.Width()), height_(bitmap.Height()) {}
    void SetPointer(std::int64_t x, std::int64_t y) { x_ = x; y_ = y; }
    std::int32_t NextPixel() {
        if (y_ < 0 || y_ >= height_ || x_ >= width_) return 0;
        if (x_ < 0) {
            ++x_;
            return 0;
        }
        return bitmap_.GetPixel(static_cast<std::int32_t>(x_++), static_cast<std::int32_t>(y_));
    }

private:
    const TJBIG2Bitmap& bitmap_;
    std::int64_t width_;
    std::int64_t height_;
    std::int64_t x_ = 0;
    std::int64_t y_ = 0;
};

class TRegionFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

class TPageInformationFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

// Base of the generic, refinement, text and halftone region segments.
class TRegionSegment : public TSegment {
public:
    TRegionSegment(TJBIG2StreamDecoder& decoder, bool immediate) : TSegment(decoder), immediate_(immediate) {}
    void ReadSegment() override;

protected:
    // Draws an immediate region into its page or keeps an intermediate one under its number.
    void PlaceRegion(TJBIG2Bitmap& region);
    // A page of unknown height grows to hold this region.
    void GrowPageToRegion();
    // The page an immediate region can be drawn into part by part: when the region starts
    // white, its parts are ORed into it and it is ORed into the page, ORing each part into the
    // page (clipped to the region) gives the same page without the region's own bitmap.
    TJBIG2Bitmap* DirectPageTarget(bool regionStartsWhite, std::int32_t partsOperator);
    TJBIG2Bitmap* CreateBitmap(std::int64_t width, std::int64_t height);

    bool immediate_;
    std::int32_t regionWidth_ = 0;
    std::int32_t regionHeight_ = 0;
    std::int32_t regionX_ = 0;
    std::int32_t regionY_ = 0;
    TRegionFlags regionFlags_;
};

class TPageInformationSegment : public TSegment {
public:
    using TSegment::TSegment;
    void ReadSegment() override;
    TJBIG2Bitmap* PageBitmap() const { return pageBitmap_; }
    std::int32_t PageHeight() const { return pageHeight_; }
    const TPageInformationFlags& Flags() const { return flags_; }
    // Nothing has been drawn on the page since it was created with its default pixel.
    bool IsBlank() const { return blank_; }
    void MarkDrawn() { blank_ = false; }

private:
    std::int32_t pageWidth_ = 0;
    std::int32_t pageHeight_ = 0;
    std::int32_t xResolution_ = 0;
    std::int32_t yResolution_ = 0;
    TPageInformationFlags flags_;
    std::uint16_t pageStriping_ = 0;
    TJBIG2Bitmap* pageBitmap_ = nullptr;
    bool blank_ = true;
};

}  // namespace parch
