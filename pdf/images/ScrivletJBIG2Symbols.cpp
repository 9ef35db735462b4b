#include "pdf/images/ScrivletJBIG2Symbols.h"

#include <algorithm>

namespace parch {

std::int32_t Jbig2CodeLengthFor(std::int64_t count) {
    std::int32_t length = 0;
    while ((std::int64_t{1} << length) < count) ++length;
    return length;
}

namespace {

constexpr std::int32_t kJbig2SymbolDictionaryType = 0;
constexpr std::int32_t kJbig2CodeTableType = 53;

// One value from a Huffman table or an arithmetic integer context set; false for out of band.
bool Jbig2DecodeValue(bool huffman, THuffmanDecoder& huffmanDecoder, const THuffmanTableArray* table,
                      TArithmeticDecoder& arithmeticDecoder, TArithmeticDecoderStats& stats, std::int64_t& value) {
    if (huffman) return huffmanDecoder.Decode(*table, value);
    std::int32_t decoded = 0;
    const bool valid = arithmeticDecoder.DecodeInt(stats, decoded);
    value = decoded;
    return valid;
}

std::int64_t Jbig2RequireValue(bool valid, std::int64_t value) {
    if (!valid) throw EJBIG2Damage("out-of-band value where a number belongs");
    return value;
}

// The exported symbols of the symbol dictionaries a segment refers to; code tables are allowed
// among them, anything else is damage.
void Jbig2CollectSymbols(const TJBIG2StreamDecoder& decoder, const TSegmentHeader& header, TJBIG2BitmapArray& symbols,
                         const TSymbolDictionarySegment** lastDictionary) {
    for (std::int32_t number : header.ReferredToSegments) {
        TSegment* segment = decoder.FindSegment(static_cast<std::uint32_t>(number));
        if (segment == nullptr) throw EJBIG2Damage("referred-to segment missing");
        const std::int32_t type = segment->SegmentHeader().SegmentType;
        if (type == kJbig2SymbolDictionaryType) {
            const auto* dictionary = static_cast<const TSymbolDictionarySegment*>(segment);
            const TJBIG2BitmapArray& exported = dictionary->ExportedSymbols();
            symbols.insert(symbols.end(), exported.begin(), exported.end());
            if (lastDictionary != nullptr) *lastDictionary = dictionary;
        } else if (type != kJbig2CodeTableType) {
            throw EJBIG2Damage("referred-to segment is no symbol dictionary");
        }
    }
}

// Positions far outside any bitmap only come from damaged data; bounding them keeps the sums
// in range.
std::int64_t Jbig2Bounded(std::int64_t position) {
    constexpr std::int64_t kFar = std::int64_t{1} << 40;
    if (position > kFar || position < -kFar) throw EJBIG2Damage("position out of range");
    return position;
}

const THuffmanTableArray& Jbig2Keep(THuffmanTableArray& slot, int standardTable) {
    slot = THuffmanDecoder::StandardTable(standardTable);
    return slot;
}

}  // namespace

// ---- flags

void TSymbolDictionaryFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {
        {"SD_HUFF", 0, 1},          {"SD_REF_AGG", 1, 1},         {"SD_HUFF_DH", 2, 2},
        {"SD_HUFF_DW", 4, 2},       {"SD_HUFF_BM_SIZE", 6, 1},    {"SD_HUFF_AGG_INST", 7, 1},
        {"BITMAP_CC_USED", 8, 1},   {"BITMAP_CC_RETAINED", 9, 1}, {"SD_TEMPLATE", 10, 2},
        {"SD_R_TEMPLATE", 12, 1},
    };
    SplitFields(flagsValue, kFields, std::size(kFields));
}

void TTextRegionFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {
        {"SB_HUFF", 0, 1},     {"SB_REFINE", 1, 1},    {"LOG_SB_STRIPES", 2, 2}, {"REF_CORNER", 4, 2},
        {"TRANSPOSED", 6, 1},  {"SB_COMB_OP", 7, 2},   {"SB_DEF_PIXEL", 9, 1},   {"SB_DS_OFFSET", 10, 5},
        {"SB_R_TEMPLATE", 15, 1},
    };
    SplitFields(flagsValue, kFields, std::size(kFields));
}

void TTextRegionHuffmanFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {
        {"SB_HUFF_FS", 0, 2},  {"SB_HUFF_DS", 2, 2},  {"SB_HUFF_DT", 4, 2},  {"SB_HUFF_RDW", 6, 2},
        {"SB_HUFF_RDH", 8, 2}, {"SB_HUFF_RDX", 10, 2}, {"SB_HUFF_RDY", 12, 2}, {"SB_HUFF_RSIZE", 14, 1},
    };
    SplitFields(flagsValue, kFields, std::size(kFields));
}

// ---- TJBIG2Bitmap: text region decoding

void TJBIG2Bitmap::TextRegionDecode(const TJBIG2TextRegionParams& params) {
    TArithmeticDecoder& arithmetic = *arithmeticDecoder_;
    THuffmanDecoder& huffman = *huffmanDecoder_;
    TStreamReader& reader = huffman.Reader();
    const bool useHuffman = params.Huffman;
    auto value = [&](const THuffmanTableArray* table, TArithmeticDecoderStats& stats, std::int64_t& result) {
        return Jbig2DecodeValue(useHuffman, huffman, table, arithmetic, stats, result);
    };
    auto required = [&](const THuffmanTableArray* table, TArithmeticDecoderStats& stats) {
        std::int64_t result = 0;
        const bool valid = value(table, stats, result);
        return Jbig2RequireValue(valid, result);
    };
    auto exhausted = [&] { return !useHuffman && arithmetic.IsExhausted(); };

    if (params.DefaultPixel != 0) Fill(1);  // a new bitmap is white already
    try {
        const std::int64_t strips = std::int64_t{1} << params.LogStripSize;
        std::int64_t stripT = -required(params.TableDeltaT, arithmetic.IadtStats()) * strips;
        std::int64_t firstS = 0;
        std::int64_t instances = 0;
        while (instances < params.Instances && !exhausted()) {
            stripT = Jbig2Bounded(stripT + required(params.TableDeltaT, arithmetic.IadtStats()) * strips);
            firstS = Jbig2Bounded(firstS + required(params.TableFirstS, arithmetic.IafsStats()));
            std::int64_t curS = firstS;
            for (;;) {
                if (exhausted()) return;
                std::int64_t curT = 0;
                if (strips != 1) {
                    curT = useHuffman ? std::int64_t{reader.ReadBits(params.LogStripSize)}
                                      : required(nullptr, arithmetic.IaitStats());
                }
                const std::int64_t t = stripT + curT;
                std::int64_t id;
                if (!useHuffman) {
                    id = arithmetic.DecodeIAID(params.SymbolCodeLength, arithmetic.IaidStats());
                } else if (params.SymbolIdTable != nullptr) {
                    id = required(params.SymbolIdTable, arithmetic.IaidStats());
                } else {
                    id = reader.ReadBits(params.SymbolCodeLength);
                }
                const TJBIG2Bitmap* symbol = nullptr;
                if (id >= 0 && id < params.SymbolCount && id < static_cast<std::int64_t>(params.Symbols->size())) {
                    symbol = (*params.Symbols)[static_cast<std::size_t>(id)];
                }
                if (symbol != nullptr) {
                    std::int32_t refine = 0;
                    if (params.Refine) {
                        refine = useHuffman ? reader.ReadBit()
                                            : static_cast<std::int32_t>(required(nullptr, arithmetic.IariStats()));
                    }
                    const TJBIG2Bitmap* instance = symbol;
                    if (refine != 0) {
                        const std::int64_t rdw = required(params.TableRdw, arithmetic.IardwStats());
                        const std::int64_t rdh = required(params.TableRdh, arithmetic.IardhStats());
                        const std::int64_t rdx = required(params.TableRdx, arithmetic.IardxStats());
                        const std::int64_t rdy = required(params.TableRdy, arithmetic.IardyStats());
                        std::size_t refinementEnd = 0;
                        if (useHuffman) {
                            const std::int64_t size = required(params.TableRefinementSize, arithmetic.IariStats());
                            reader.ConsumeRemainingBits();
                            if (size < 0 || size > static_cast<std::int64_t>(reader.Remaining())) {
                                throw EJBIG2Damage("refinement data beyond the segment");
                            }
                            refinementEnd = reader.Position() + static_cast<std::size_t>(size);
                            arithmetic.InitDecode();
                        }
                        const std::int64_t width = symbol->Width() + rdw;
                        const std::int64_t height = symbol->Height() + rdh;
                        if (width <= 0 || height <= 0) throw EJBIG2Damage("refined symbol of no size");
                        TJBIG2Bitmap* refined = factory_.Create(width, height, mmrDecoder_, huffmanDecoder_, arithmeticDecoder_);
                        const std::int64_t dx = rdx + (rdw >> 1);
                        const std::int64_t dy = rdy + (rdh >> 1);
                        if (dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX) {
                            throw EJBIG2Damage("refinement offset out of range");
                        }
                        refined->RefinementDecode(params.RefinementTemplate, false, params.RefinementAt,
                                                  static_cast<std::int32_t>(dy), static_cast<std::int32_t>(dx), *symbol);
                        if (useHuffman) reader.SetPosition(refinementEnd);
                        instance = refined;
                    }
                    const std::int64_t w = instance->Width() - 1;
                    const std::int64_t h = instance->Height() - 1;
                    const std::int32_t corner = params.ReferenceCorner;
                    std::int64_t column;
                    std::int64_t row;
                    if (!params.Transposed) {
                        column = curS;
                        row = (corner == 0 || corner == 2) ? t - h : t;
                        curS += w;
                    } else {
                        row = curS;
                        column = (corner == 0 || corner == 1) ? t : t - w;
                        curS += h;
                    }
                    if (params.DrawTarget != nullptr) {
                    params.DrawTarget->CombineClipped(*instance, params.TargetX + column, params.TargetY + row,
                                                      params.CombinationOperator, params.TargetX, params.TargetY,
                                                      params.TargetX + params.TargetWidth,
                                                      params.TargetY + params.TargetHeight);
                } else {
                    Combine(*instance, column, row, params.CombinationOperator);
                }
                }
                ++instances;
                std::int64_t deltaS = 0;
                if (!value(params.TableDeltaS, arithmetic.IadsStats(), deltaS)) break;
                curS = Jbig2Bounded(curS + params.SOffset + deltaS);
            }
        }
    } catch (const EJBIG2Damage&) {
        // Damage met after the data ran out is the 1-bits' doing: what was decoded stands.
        if (useHuffman || !arithmetic.HasOverrun()) throw;
    }
}

}  // namespace parch

namespace parch {

// ---- TSymbolDictionarySegment

void TSymbolDictionarySegment::ReadInputSymbols(TJBIG2BitmapArray& symbols,
                                                const TSymbolDictionarySegment*& lastDictionary) const {
    Jbig2CollectSymbols(decoder_, *header_, symbols, &lastDictionary);
}

bool TSymbolDictionarySegment::DecodeValue(const THuffmanTableArray& table, TArithmeticDecoderStats& stats,
                                           std::int64_t& value) {
    return Jbig2DecodeValue(huffman_, *huffmanDecoder_, &table, *arithmeticDecoder_, stats, value);
}

void TSymbolDictionarySegment::SelectHuffmanTables() {
    // Selections of user tables (code-table segments) cannot be decoded.
    const std::int32_t heightSelection = flags_.GetFlagValue("SD_HUFF_DH");
    const std::int32_t widthSelection = flags_.GetFlagValue("SD_HUFF_DW");
    if (heightSelection > 1 || widthSelection > 1 || flags_.GetFlagValue("SD_HUFF_BM_SIZE") != 0 ||
        flags_.GetFlagValue("SD_HUFF_AGG_INST") != 0) {
        throw EJBIG2Damage("symbol dictionary selects a user Huffman table");
    }
    Jbig2Keep(tableDeltaHeight_, heightSelection == 0 ? 4 : 5);
    Jbig2Keep(tableDeltaWidth_, widthSelection == 0 ? 2 : 3);
    Jbig2Keep(tableBitmapSize_, 1);
    Jbig2Keep(tableAggregateInstances_, 1);
}

TJBIG2Bitmap* TSymbolDictionarySegment::DecodeRefinedOrAggregate(const TJBIG2BitmapArray& symbols, std::int64_t width,
                                                                 std::int64_t height) {
    TArithmeticDecoder& arithmetic = *arithmeticDecoder_;
    TStreamReader& reader = decoder_.Reader();
    std::int64_t instances = 0;
    if (!DecodeValue(tableAggregateInstances_, arithmetic.IaaiStats(), instances) || instances < 1) {
        throw EJBIG2Damage("aggregate instance count");
    }
    const std::int32_t refinementTemplate = flags_.GetFlagValue("SD_R_TEMPLATE");
    TJBIG2Bitmap* bitmap = decoder_.BitmapFactory().Create(width, height, mmrDecoder_, huffmanDecoder_, arithmeticDecoder_);
    if (instances == 1) {
        const std::int64_t id = huffman_ ? std::int64_t{reader.ReadBits(symbolCodeLength_)}
                                         : std::int64_t{arithmetic.DecodeIAID(symbolCodeLength_, arithmetic.IaidStats())};
        std::int64_t rdx = 0;
        std::int64_t rdy = 0;
        const bool validX = DecodeValue(tableB15_, arithmetic.IardxStats(), rdx);
        const bool validY = DecodeValue(tableB15_, arithmetic.IardyStats(), rdy);
        Jbig2RequireValue(validX && validY, 0);
        std::size_t refinementEnd = 0;
        if (huffman_) {
            std::int64_t size = 0;
            Jbig2RequireValue(huffmanDecoder_->Decode(tableB1_, size), size);
            reader.ConsumeRemainingBits();
            if (size < 0 || size > static_cast<std::int64_t>(reader.Remaining())) {
                throw EJBIG2Damage("refinement data beyond the segment");
            }
            refinementEnd = reader.Position() + static_cast<std::size_t>(size);
            arithmetic.InitDecode();
        }
        if (id >= static_cast<std::int64_t>(symbols.size()) || symbols[static_cast<std::size_t>(id)] == nullptr) {
            throw EJBIG2Damage("refinement of a symbol not yet decoded");
        }
        if (rdx < INT32_MIN || rdx > INT32_MAX || rdy < INT32_MIN || rdy > INT32_MAX) {
            throw EJBIG2Damage("refinement offset out of range");
        }
        bitmap->RefinementDecode(refinementTemplate, false, refinementAt_, static_cast<std::int32_t>(rdy),
                                 static_cast<std::int32_t>(rdx), *symbols[static_cast<std::size_t>(id)]);
        if (huffman_) reader.SetPosition(refinementEnd);
        return bitmap;
    }
    TJBIG2TextRegionParams params;
    params.Huffman = huffman_;
    params.Refine = true;
    params.RefinementTemplate = refinementTemplate;
    params.RefinementAt = refinementAt_;
    params.TableFirstS = &tableB6_;
    params.TableDeltaS = &tableB8_;
    params.TableDeltaT = &tableB11_;
    params.TableRdw = params.TableRdh = params.TableRdx = params.TableRdy = &tableB15_;
    params.TableRefinementSize = &tableB1_;
    params.SOffset = 0;
    params.ReferenceCorner = 1;
    params.Transposed = false;
    params.CombinationOperator = 0;
    params.DefaultPixel = 0;
    params.Symbols = &symbols;
    params.SymbolCount = static_cast<std::int64_t>(symbols.size());
    params.SymbolCodeLength = symbolCodeLength_;
    params.SymbolIdTable = nullptr;
    params.LogStripSize = 0;
    params.Instances = instances;
    bitmap->TextRegionDecode(params);
    return bitmap;
}

void TSymbolDictionarySegment::DecodeCollectiveBitmap(TJBIG2BitmapArray& symbols, const HeightClass& heightClass) {
    TStreamReader& reader = decoder_.Reader();
    std::int64_t bitmapSize = 0;
    Jbig2RequireValue(huffmanDecoder_->Decode(tableBitmapSize_, bitmapSize), bitmapSize);
    reader.ConsumeRemainingBits();
    TJBIG2Bitmap* collective = decoder_.BitmapFactory().Create(heightClass.TotalWidth, heightClass.Height,
                                                               mmrDecoder_, huffmanDecoder_, arithmeticDecoder_);
    if (bitmapSize == 0) {
        // Uncompressed: rows of whole bytes, pixels from the most significant bit down.
        const std::int64_t rowBytes = (heightClass.TotalWidth + 7) / 8;
        if (rowBytes * heightClass.Height > static_cast<std::int64_t>(reader.Remaining())) {
            throw EJBIG2Damage("collective bitmap beyond the segment");
        }
        for (std::int32_t y = 0; y < collective->Height(); ++y) {
            std::uint8_t* row = collective->Row(y);
            for (std::int64_t byteIndex = 0; byteIndex < rowBytes; ++byteIndex) {
                const std::uint8_t byte = reader.ReadByte();
                for (int bit = 0; bit < 8; ++bit) {
                    const std::int64_t x = byteIndex * 8 + bit;
                    if (x < collective->Width()) row[x] = static_cast<std::uint8_t>((byte >> (7 - bit)) & 1);
                }
            }
        }
    } else {
        if (bitmapSize < 0 || bitmapSize > static_cast<std::int64_t>(reader.Remaining())) {
            throw EJBIG2Damage("collective bitmap beyond the segment");
        }
        const std::size_t end = reader.Position() + static_cast<std::size_t>(bitmapSize);
        const std::size_t limit = reader.Limit();
        reader.SetLimit(end);
        collective->GenericDecode(true, 0, bitmapSize, TJBIG2AtPixels{}, nullptr, false, false);
        reader.SetLimit(limit);
        reader.SetPosition(end);
    }
    std::int64_t x = 0;
    for (std::size_t k = 0; k < heightClass.Widths.size(); ++k) {
        symbols[heightClass.FirstSymbol + k] =
            collective->Extract(static_cast<std::int32_t>(x), 0, static_cast<std::int32_t>(heightClass.Widths[k]),
                                collective->Height());
        x += heightClass.Widths[k];
    }
}

void TSymbolDictionarySegment::ExportSymbols(const TJBIG2BitmapArray& symbols, std::int64_t total) {
    TArithmeticDecoder& arithmetic = *arithmeticDecoder_;
    std::int64_t index = 0;
    bool exporting = false;
    try {
        while (index < total) {
            if (!huffman_ && arithmetic.IsExhausted()) break;
            std::int64_t run = 0;
            if (!DecodeValue(tableB1_, arithmetic.IaexStats(), run) || run < 0) {
                throw EJBIG2Damage("export run");
            }
            // A run past the symbols ends at their end.
            run = std::min(run, total - index);
            if (exporting) {
                for (std::int64_t k = index; k < index + run; ++k) {
                    if (static_cast<std::int64_t>(exportedSymbols_.size()) >= numberOfExportedSymbols_) break;
                    if (k < static_cast<std::int64_t>(symbols.size()) && symbols[static_cast<std::size_t>(k)] != nullptr) {
                        exportedSymbols_.push_back(symbols[static_cast<std::size_t>(k)]);
                    }
                }
            }
            index += run;
            exporting = !exporting;
        }
    } catch (const EJBIG2Damage&) {
        // Damage met after the data ran out is the 1-bits' doing: what was decoded stands.
        if (huffman_ || !arithmetic.HasOverrun()) throw;
    }
}

void TSymbolDictionarySegment::ReadSegment() {
    TStreamReader& reader = decoder_.Reader();
    flags_.SetFlags(reader.ReadUInt16());
    huffman_ = flags_.GetFlagValue("SD_HUFF") != 0;
    refinementAndAggregate_ = flags_.GetFlagValue("SD_REF_AGG") != 0;
    const std::int32_t genericTemplate = flags_.GetFlagValue("SD_TEMPLATE");
    const std::int32_t refinementTemplate = flags_.GetFlagValue("SD_R_TEMPLATE");
    if (!huffman_) {
        const int pairs = genericTemplate == 0 ? 4 : 1;
        for (int i = 0; i < pairs; ++i) {
            genericAt_.X[i] = ReadSignedByte();
            genericAt_.Y[i] = ReadSignedByte();
        }
    }
    if (refinementAndAggregate_ && refinementTemplate == 0) {
        refinementAt_.X[0] = ReadSignedByte();
        refinementAt_.Y[0] = ReadSignedByte();
        refinementAt_.X[1] = ReadSignedByte();
        refinementAt_.Y[1] = ReadSignedByte();
    }
    numberOfExportedSymbols_ = reader.ReadUInt32();
    numberOfNewSymbols_ = reader.ReadUInt32();

    TJBIG2BitmapArray symbols;
    const TSymbolDictionarySegment* lastDictionary = nullptr;
    ReadInputSymbols(symbols, lastDictionary);
    const std::int64_t inputCount = static_cast<std::int64_t>(symbols.size());
    // Every new symbol takes a bit of data at least.
    if (numberOfNewSymbols_ > static_cast<std::int64_t>(reader.Remaining()) * 8) {
        throw EJBIG2Damage("more new symbols than the data can hold");
    }
    symbolCodeLength_ = Jbig2CodeLengthFor(inputCount + numberOfNewSymbols_);

    Jbig2Keep(tableB1_, 1);
    Jbig2Keep(tableB6_, 6);
    Jbig2Keep(tableB8_, 8);
    Jbig2Keep(tableB11_, 11);
    Jbig2Keep(tableB15_, 15);
    TArithmeticDecoder& arithmetic = *arithmeticDecoder_;
    const bool contextsUsed = flags_.GetFlagValue("BITMAP_CC_USED") != 0 && lastDictionary != nullptr;
    if (huffman_) {
        SelectHuffmanTables();
    } else {
        arithmetic.ResetGenericStats(genericTemplate, contextsUsed ? lastDictionary->RetainedGenericStats() : nullptr);
        arithmetic.ResetIntStats(symbolCodeLength_);
        arithmetic.InitDecode();
    }
    if (refinementAndAggregate_) {
        arithmetic.ResetRefinementStats(refinementTemplate,
                                        contextsUsed ? lastDictionary->RetainedRefinementStats() : nullptr);
    }

    const bool collective = huffman_ && !refinementAndAggregate_;
    auto exhausted = [&] { return !huffman_ && arithmetic.IsExhausted(); };
    std::int64_t decoded = 0;
    std::int64_t classHeight = 0;
    bool stopped = false;
    try {
        while (decoded < numberOfNewSymbols_ && !stopped && !exhausted()) {
            std::int64_t deltaHeight = 0;
            const bool validHeight = DecodeValue(tableDeltaHeight_, arithmetic.IadhStats(), deltaHeight);
            classHeight += Jbig2RequireValue(validHeight, deltaHeight);
            if (classHeight <= 0 || classHeight > kMaxJBIG2Pixels) throw EJBIG2Damage("height class of no height");
            HeightClass heightClass;
            heightClass.Height = classHeight;
            heightClass.FirstSymbol = symbols.size();
            std::int64_t symbolWidth = 0;
            for (;;) {
                if (exhausted()) {
                    stopped = true;
                    break;
                }
                std::int64_t deltaWidth = 0;
                if (!DecodeValue(tableDeltaWidth_, arithmetic.IadwStats(), deltaWidth)) break;
                if (decoded >= numberOfNewSymbols_) throw EJBIG2Damage("more symbols in a class than announced");
                symbolWidth += deltaWidth;
                if (symbolWidth <= 0 || symbolWidth > kMaxJBIG2Pixels) throw EJBIG2Damage("symbol of no width");
                if (collective) {
                    heightClass.Widths.push_back(symbolWidth);
                    heightClass.TotalWidth += symbolWidth;
                    if (heightClass.TotalWidth > kMaxJBIG2Pixels) throw EJBIG2Damage("collective bitmap too wide");
                    symbols.push_back(nullptr);
                } else if (refinementAndAggregate_) {
                    symbols.push_back(DecodeRefinedOrAggregate(symbols, symbolWidth, classHeight));
                } else {
                    TJBIG2Bitmap* symbol = decoder_.BitmapFactory().Create(symbolWidth, classHeight, mmrDecoder_,
                                                                           huffmanDecoder_, arithmeticDecoder_);
                    symbol->GenericDecode(false, genericTemplate, 0, genericAt_, nullptr, false, false);
                    symbols.push_back(symbol);
                }
                ++decoded;
            }
            if (collective && !heightClass.Widths.empty()) DecodeCollectiveBitmap(symbols, heightClass);
        }
    } catch (const EJBIG2Damage&) {
        // Damage met after the data ran out is the 1-bits' doing: what was decoded stands.
        if (huffman_ || !arithmetic.HasOverrun()) throw;
    }

    ExportSymbols(symbols, inputCount + numberOfNewSymbols_);
    if (!huffman_ && flags_.GetFlagValue("BITMAP_CC_RETAINED") != 0) {
        retainedGenericStats_ = arithmetic.GenericRegionStats().Copy();
        if (refinementAndAggregate_) retainedRefinementStats_ = arithmetic.RefinementRegionStats().Copy();
    }
    reader.ConsumeRemainingBits();
}

// ---- TTextRegionSegment

void TTextRegionSegment::ReadSymbolIdTable(std::int64_t symbolCount) {
    THuffmanDecoder& huffman = *huffmanDecoder_;
    huffman.ConsumeRemainingBits();
    std::vector<THuffmanRow> runCodeRows;
    for (std::int32_t code = 0; code < 35; ++code) {
        runCodeRows.push_back({code, static_cast<std::int32_t>(huffman.ReadBits(4)), 0, 0});
    }
    const THuffmanTableArray runCodes = THuffmanDecoder::AssignPrefixCodes(runCodeRows);
    std::vector<std::int32_t> lengths;
    while (static_cast<std::int64_t>(lengths.size()) < symbolCount) {
        std::int64_t code = 0;
        if (!huffman.Decode(runCodes, code)) throw EJBIG2Damage("symbol ID run code");
        std::int64_t repeat = 1;
        std::int32_t length = 0;
        if (code < 32) {
            length = static_cast<std::int32_t>(code);
        } else if (code == 32) {
            if (lengths.empty()) throw EJBIG2Damage("symbol ID lengths repeat before the first");
            length = lengths.back();
            repeat = 3 + huffman.ReadBits(2);
        } else if (code == 33) {
            repeat = 3 + huffman.ReadBits(3);
        } else {
            repeat = 11 + huffman.ReadBits(7);
        }
        repeat = std::min<std::int64_t>(repeat, symbolCount - static_cast<std::int64_t>(lengths.size()));
        lengths.insert(lengths.end(), static_cast<std::size_t>(repeat), length);
    }
    std::vector<THuffmanRow> symbolRows;
    symbolRows.reserve(lengths.size());
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        symbolRows.push_back({static_cast<std::int32_t>(i), lengths[i], 0, 0});
    }
    symbolIdTable_ = THuffmanDecoder::AssignPrefixCodes(symbolRows);
    huffman.ConsumeRemainingBits();
}

void TTextRegionSegment::ReadSegment() {
    TRegionSegment::ReadSegment();
    TStreamReader& reader = decoder_.Reader();
    flags_.SetFlags(reader.ReadUInt16());
    const bool huffman = flags_.GetFlagValue("SB_HUFF") != 0;
    const bool refine = flags_.GetFlagValue("SB_REFINE") != 0;
    const std::int32_t refinementTemplate = flags_.GetFlagValue("SB_R_TEMPLATE");
    if (huffman) huffmanFlags_.SetFlags(reader.ReadUInt16());
    if (refine && refinementTemplate == 0) {
        refinementAt_.X[0] = ReadSignedByte();
        refinementAt_.Y[0] = ReadSignedByte();
        refinementAt_.X[1] = ReadSignedByte();
        refinementAt_.Y[1] = ReadSignedByte();
    }
    numberOfInstances_ = reader.ReadUInt32();

    TJBIG2BitmapArray symbols;
    Jbig2CollectSymbols(decoder_, *header_, symbols, nullptr);
    const std::int64_t symbolCount = static_cast<std::int64_t>(symbols.size());
    const std::int32_t symbolCodeLength = Jbig2CodeLengthFor(symbolCount);

    TJBIG2TextRegionParams params;
    params.Huffman = huffman;
    params.Refine = refine;
    params.RefinementTemplate = refinementTemplate;
    params.RefinementAt = refinementAt_;
    if (huffman) {
        auto select = [&](const char* name, std::initializer_list<int> choices, int slot) -> const THuffmanTableArray* {
            const std::int32_t selection = huffmanFlags_.GetFlagValue(name);
            if (selection >= static_cast<std::int32_t>(choices.size())) {
                throw EJBIG2Damage("text region selects a user Huffman table");
            }
            return &Jbig2Keep(tables_[slot], *(choices.begin() + selection));
        };
        params.TableFirstS = select("SB_HUFF_FS", {6, 7}, 0);
        params.TableDeltaS = select("SB_HUFF_DS", {8, 9, 10}, 1);
        params.TableDeltaT = select("SB_HUFF_DT", {11, 12, 13}, 2);
        if (refine) {
            params.TableRdw = select("SB_HUFF_RDW", {14, 15}, 3);
            params.TableRdh = select("SB_HUFF_RDH", {14, 15}, 4);
            params.TableRdx = select("SB_HUFF_RDX", {14, 15}, 5);
            params.TableRdy = select("SB_HUFF_RDY", {14, 15}, 6);
            params.TableRefinementSize = select("SB_HUFF_RSIZE", {1}, 7);
        }
        ReadSymbolIdTable(symbolCount);
        params.SymbolIdTable = &symbolIdTable_;
    } else {
        arithmeticDecoder_->ResetIntStats(symbolCodeLength);
        arithmeticDecoder_->InitDecode();
    }
    if (refine) arithmeticDecoder_->ResetRefinementStats(refinementTemplate, nullptr);

    const std::int32_t dsOffset = flags_.GetFlagValue("SB_DS_OFFSET");
    params.SOffset = dsOffset >= 16 ? dsOffset - 32 : dsOffset;
    params.ReferenceCorner = flags_.GetFlagValue("REF_CORNER");
    params.Transposed = flags_.GetFlagValue("TRANSPOSED") != 0;
    params.CombinationOperator = flags_.GetFlagValue("SB_COMB_OP");
    params.DefaultPixel = flags_.GetFlagValue("SB_DEF_PIXEL");
    params.Symbols = &symbols;
    params.SymbolCount = symbolCount;
    params.SymbolCodeLength = symbolCodeLength;
    params.LogStripSize = flags_.GetFlagValue("LOG_SB_STRIPES");
    params.Instances = numberOfInstances_;

    if (TJBIG2Bitmap* page = DirectPageTarget(params.DefaultPixel == 0, params.CombinationOperator)) {
        params.DrawTarget = page;
        params.TargetX = regionX_;
        params.TargetY = regionY_;
        params.TargetWidth = regionWidth_;
        params.TargetHeight = regionHeight_;
        CreateBitmap(0, 0)->TextRegionDecode(params);
    } else {
        TJBIG2Bitmap* region = CreateBitmap(regionWidth_, regionHeight_);
        region->TextRegionDecode(params);
        PlaceRegion(*region);
    }
    reader.ConsumeRemainingBits();
}

}  // namespace parch
