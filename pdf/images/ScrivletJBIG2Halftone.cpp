#include "pdf/images/ScrivletJBIG2Halftone.h"

#include <algorithm>
#include <vector>

#include "pdf/images/ScrivletJBIG2Arith.h"

namespace parch {

namespace {

constexpr std::int32_t kJbig2PatternDictionaryType = 16;

// Division by 256 rounded toward minus infinity.
std::int64_t Jbig2FloorDiv256(std::int64_t value) { return value >= 0 ? value / 256 : -((-value + 255) / 256); }

}  // namespace

std::int32_t Jbig2BitsPerGrayValue(std::int64_t patternCount) {
    std::int32_t bits = 0;
    while ((std::int64_t{1} << bits) < patternCount) ++bits;
    return bits;
}

void TPatternDictionaryFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {{"HD_MMR", 0, 1}, {"HD_TEMPLATE", 1, 2}};
    SplitFields(flagsValue, kFields, std::size(kFields));
}

void THalftoneRegionFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {{"H_MMR", 0, 1},      {"H_TEMPLATE", 1, 2}, {"H_ENABLE_SKIP", 3, 1},
                                       {"H_COMB_OP", 4, 3}, {"H_DEF_PIXEL", 7, 1}};
    SplitFields(flagsValue, kFields, std::size(kFields));
}

void TPatternDictionarySegment::ReadSegment() {
    TStreamReader& reader = decoder_.Reader();
    flags_.SetFlags(reader.ReadByte());
    width_ = reader.ReadByte();
    height_ = reader.ReadByte();
    grayMax_ = reader.ReadUInt32();
    const bool mmr = flags_.GetFlagValue("HD_MMR") != 0;
    const std::int32_t patternTemplate = flags_.GetFlagValue("HD_TEMPLATE");
    const std::int64_t count = grayMax_ + 1;
    if (width_ == 0 || height_ == 0) throw EJBIG2Damage("patterns of no size");
    // The collective bitmap's size is checked by the factory; 64 bits keep the product whole.
    const std::int64_t collectiveWidth = count * width_;
    if (!mmr) {
        arithmeticDecoder_->ResetGenericStats(patternTemplate, nullptr);
        arithmeticDecoder_->InitDecode();
    }
    TJBIG2Bitmap* collective = decoder_.BitmapFactory().Create(collectiveWidth, height_, mmrDecoder_, huffmanDecoder_,
                                                               arithmeticDecoder_);
    TJBIG2AtPixels at;
    at.X[0] = -width_;
    at.Y[0] = 0;
    at.X[1] = -3;
    at.Y[1] = -1;
    at.X[2] = 2;
    at.Y[2] = -2;
    at.X[3] = -2;
    at.Y[3] = -2;
    collective->GenericDecode(mmr, patternTemplate, header_->DataLength - 7, at, nullptr, false, false);
    patterns_.clear();
    for (std::int64_t i = 0; i < count; ++i) {
        patterns_.push_back(collective->Extract(static_cast<std::int32_t>(i * width_), 0, width_, height_));
    }
}

void THalftoneRegionSegment::ReadSegment() {
    TRegionSegment::ReadSegment();
    TStreamReader& reader = decoder_.Reader();
    flags_.SetFlags(reader.ReadByte());
    const std::int64_t gridWidth = reader.ReadUInt32();
    const std::int64_t gridHeight = reader.ReadUInt32();
    const std::int64_t gridX = reader.ReadInt32();
    const std::int64_t gridY = reader.ReadInt32();
    const std::int64_t stepX = reader.ReadUInt16();
    const std::int64_t stepY = reader.ReadUInt16();
    const bool mmr = flags_.GetFlagValue("H_MMR") != 0;
    const std::int32_t grayTemplate = flags_.GetFlagValue("H_TEMPLATE");
    const bool enableSkip = flags_.GetFlagValue("H_ENABLE_SKIP") != 0;
    const std::int32_t combinationOperator = flags_.GetFlagValue("H_COMB_OP");

    if (header_->ReferredToSegments.empty()) throw EJBIG2Damage("halftone region without patterns");
    TSegment* referred = decoder_.FindSegment(static_cast<std::uint32_t>(header_->ReferredToSegments[0]));
    if (referred == nullptr || referred->SegmentHeader().SegmentType != kJbig2PatternDictionaryType) {
        throw EJBIG2Damage("halftone region refers to no pattern dictionary");
    }
    const auto& dictionary = static_cast<const TPatternDictionarySegment&>(*referred);
    const TJBIG2BitmapArray& patterns = dictionary.Patterns();
    if (patterns.empty()) throw EJBIG2Damage("pattern dictionary without patterns");
    const std::int64_t patternCount = dictionary.Size();
    const std::int32_t bitsPerValue = Jbig2BitsPerGrayValue(patternCount);
    const std::int64_t patternWidth = patterns[0]->Width();
    const std::int64_t patternHeight = patterns[0]->Height();

    if (gridWidth > kMaxJBIG2Pixels || gridHeight > kMaxJBIG2Pixels) throw EJBIG2Damage("grid beyond the limit");
    // Drawing costs a pattern's pixels per cell: a grid that would draw more pixels than a
    // decode may hold is damage, not minutes of work.
    if (gridWidth * gridHeight > kMaxJBIG2Pixels / std::max<std::int64_t>(1, patternWidth * patternHeight)) {
        throw EJBIG2Damage("halftone grid beyond the limit");
    }
    if (!mmr) {
        arithmeticDecoder_->ResetGenericStats(grayTemplate, nullptr);
        arithmeticDecoder_->InitDecode();
    }
    const bool startsWhite = flags_.GetFlagValue("H_DEF_PIXEL") == 0;
    TJBIG2Bitmap* page = DirectPageTarget(startsWhite, combinationOperator);
    TJBIG2Bitmap* region = page != nullptr ? nullptr : CreateBitmap(regionWidth_, regionHeight_);
    if (!startsWhite) region->Fill(1);  // a new bitmap is white already

    // The skip map, the planes and the gray values all count against the decode's limit.
    TJBIG2Bitmap* skip = nullptr;
    auto cellX = [&](std::int64_t m, std::int64_t n) { return gridX + m * stepY + n * stepX; };
    auto cellY = [&](std::int64_t m, std::int64_t n) { return gridY + m * stepX - n * stepY; };
    if (enableSkip) {
        skip = CreateBitmap(gridWidth, gridHeight);
        for (std::int64_t m = 0; m < gridHeight; ++m) {
            for (std::int64_t n = 0; n < gridWidth; ++n) {
                // In pixels: a cell whose pattern lies wholly outside the region is skipped.
                const std::int64_t x = Jbig2FloorDiv256(cellX(m, n));
                const std::int64_t y = Jbig2FloorDiv256(cellY(m, n));
                if (x + patternWidth <= 0 || x >= regionWidth_ || y + patternHeight <= 0 || y >= regionHeight_) {
                    skip->SetPixel(static_cast<std::int32_t>(n), static_cast<std::int32_t>(m), 1);
                }
            }
        }
    }

    decoder_.BitmapFactory().AccountPixels(gridWidth * gridHeight);
    std::vector<std::uint32_t> grayValues(static_cast<std::size_t>(gridWidth * gridHeight), 0);
    TJBIG2AtPixels at;
    at.X[0] = grayTemplate <= 1 ? 3 : 2;
    at.Y[0] = -1;
    at.X[1] = -3;
    at.Y[1] = -1;
    at.X[2] = 2;
    at.Y[2] = -2;
    at.X[3] = -2;
    at.Y[3] = -2;
    for (std::int32_t plane = bitsPerValue - 1; plane >= 0; --plane) {
        TJBIG2Bitmap* planeBitmap = CreateBitmap(gridWidth, gridHeight);
        planeBitmap->GenericDecode(mmr, grayTemplate, -1, at, skip, enableSkip, false);
        std::size_t index = 0;
        for (std::int32_t m = 0; m < planeBitmap->Height(); ++m) {
            const std::uint8_t* row = planeBitmap->Row(m);
            for (std::int32_t n = 0; n < planeBitmap->Width(); ++n, ++index) {
                std::uint32_t& value = grayValues[index];
                value = (value << 1) | (row[n] ^ (value & 1));
            }
        }
    }

    std::size_t index = 0;
    for (std::int64_t m = 0; m < gridHeight; ++m) {
        for (std::int64_t n = 0; n < gridWidth; ++n, ++index) {
            if (skip != nullptr && skip->GetPixel(static_cast<std::int32_t>(n), static_cast<std::int32_t>(m))) continue;
            // Gray values without a pattern (damaged data, or a count short of a power of two) draw nothing.
            const std::uint32_t value = grayValues[index];
            if (value >= patternCount) continue;
            const std::int64_t x = Jbig2FloorDiv256(cellX(m, n));
            const std::int64_t y = Jbig2FloorDiv256(cellY(m, n));
            if (region != nullptr) {
                region->Combine(*patterns[value], x, y, combinationOperator);
            } else {
                page->CombineClipped(*patterns[value], regionX_ + x, regionY_ + y, combinationOperator, regionX_,
                                     regionY_, std::int64_t{regionX_} + regionWidth_,
                                     std::int64_t{regionY_} + regionHeight_);
            }
        }
    }
    if (region != nullptr) PlaceRegion(*region);
}

}  // namespace parch
