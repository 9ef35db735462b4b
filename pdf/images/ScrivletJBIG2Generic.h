#pragma once
// Generic region decoding (arithmetic with four templates, or MMR), generic refinement decoding,
// and the generic and refinement region segments.

#include <cstdint>

#include "pdf/images/ScrivletJBIG2Bitmap.h"

namespace parch {

// T.6 two-dimensional decoding of generic regions. Reads from the reader's position; bytes past
// the reader's limit read as 0.
class TMMRDecoder {
public:
    explicit TMMRDecoder(TStreamReader& reader) : reader_(reader) {}

    // Decodes the rows of bitmap; byteCount < 0 means the data ends with an end-of-block code.
    // Leaves the reader after the coded data (byteCount bytes on, or after the end-of-block code).
    void DecodeBitmap(TJBIG2Bitmap& bitmap, std::int64_t byteCount);

private:
    enum class Mode { Pass, Horizontal, V0, VR1, VR2, VR3, VL1, VL2, VL3, Invalid };
    void Reset();
    std::uint32_t PeekBits(int count);
    void SkipBits(int count) { bitPosition_ += static_cast<std::uint64_t>(count); }
    Mode ReadMode();
    std::int32_t ReadRun(bool black);

    TStreamReader& reader_;
    std::size_t start_ = 0;
    std::uint64_t bitPosition_ = 0;
};

class TGenericRegionFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

class TRefinementRegionFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

class TGenericRegionSegment : public TRegionSegment {
public:
    using TRegionSegment::TRegionSegment;
    void ReadSegment() override;

private:
    TGenericRegionFlags flags_;
};

class TRefinementRegionSegment : public TRegionSegment {
public:
    using TRegionSegment::TRegionSegment;
    void ReadSegment() override;

private:
    TRefinementRegionFlags flags_;
};

// The length of unknown-length coded data: the bytes before the end marker (first, second),
// scanning from position; the rest of the data when no marker follows.
std::size_t Jbig2ScanCodedLength(const std::uint8_t* data, std::size_t size, std::size_t position, std::uint8_t first,
                                 std::uint8_t second, bool& markerFound);

}  // namespace parch
