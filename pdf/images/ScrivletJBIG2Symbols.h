#pragma once
// Symbol dictionaries (T.88 6.5, 7.4.2) and text regions (T.88 6.4, 7.4.3).

#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/images/ScrivletJBIG2Arith.h"
#include "pdf/images/ScrivletJBIG2Bitmap.h"
#include "pdf/images/ScrivletJBIG2Huffman.h"

namespace parch {

class TSymbolDictionaryFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

class TTextRegionFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

class TTextRegionHuffmanFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

class TSymbolDictionarySegment : public TSegment {
public:
    using TSegment::TSegment;
    void ReadSegment() override;

    std::int64_t NumberOfExportedSymbols() const { return static_cast<std::int64_t>(exportedSymbols_.size()); }
    const TJBIG2BitmapArray& ExportedSymbols() const { return exportedSymbols_; }
    const TArithmeticDecoderStats* RetainedGenericStats() const { return retainedGenericStats_.get(); }
    const TArithmeticDecoderStats* RetainedRefinementStats() const { return retainedRefinementStats_.get(); }

private:
    struct HeightClass {
        std::int64_t Height = 0;
        std::size_t FirstSymbol = 0;
        std::vector<std::int64_t> Widths;  // collective-bitmap classes only
        std::int64_t TotalWidth = 0;
    };
    void ReadInputSymbols(TJBIG2BitmapArray& symbols, const TSymbolDictionarySegment*& lastDictionary) const;
    void SelectHuffmanTables();
    bool DecodeValue(const THuffmanTableArray& table, TArithmeticDecoderStats& stats, std::int64_t& value);
    TJBIG2Bitmap* DecodeRefinedOrAggregate(const TJBIG2BitmapArray& symbols, std::int64_t width, std::int64_t height);
    void DecodeCollectiveBitmap(TJBIG2BitmapArray& symbols, const HeightClass& heightClass);
    void ExportSymbols(const TJBIG2BitmapArray& symbols, std::int64_t total);

    TSymbolDictionaryFlags flags_;
    TJBIG2AtPixels genericAt_;
    TJBIG2AtPixels refinementAt_;
    std::int64_t numberOfExportedSymbols_ = 0;
    std::int64_t numberOfNewSymbols_ = 0;
    std::int32_t symbolCodeLength_ = 0;
    bool huffman_ = false;
    bool refinementAndAggregate_ = false;
    THuffmanTableArray tableDeltaHeight_, tableDeltaWidth_, tableBitmapSize_, tableAggregateInstances_;
    THuffmanTableArray tableB1_, tableB6_, tableB8_, tableB11_, tableB15_;
    TJBIG2BitmapArray exportedSymbols_;
    std::unique_ptr<TArithmeticDecoderStats> retainedGenericStats_;
    std::unique_ptr<TArithmeticDecoderStats> retainedRefinementStats_;
};

class TTextRegionSegment : public TRegionSegment {
public:
    using TRegionSegment::TRegionSegment;
    void ReadSegment() override;

private:
    void ReadSymbolIdTable(std::int64_t symbolCount);

    TTextRegionFlags flags_;
    TTextRegionHuffmanFlags huffmanFlags_;
    TJBIG2AtPixels refinementAt_;
    std::int64_t numberOfInstances_ = 0;
    THuffmanTableArray tables_[8];
    THuffmanTableArray symbolIdTable_;
};

// The smallest n with 2^n >= count.
std::int32_t Jbig2CodeLengthFor(std::int64_t count);

}  // namespace parch
