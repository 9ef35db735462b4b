#pragma once
// Pattern dictionaries (T.88 6.7, 7.4.4) and halftone regions (T.88 6.6, 7.4.5).

#include <cstdint>

#include "pdf/images/ScrivletJBIG2Bitmap.h"

namespace parch {

class TPatternDictionaryFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

class THalftoneRegionFlags : public TFlags {
public:
    void SetFlags(std::int32_t flagsValue) override;
};

class TPatternDictionarySegment : public TSegment {
public:
    using TSegment::TSegment;
    void ReadSegment() override;

    std::int64_t Size() const { return static_cast<std::int64_t>(patterns_.size()); }
    const TJBIG2BitmapArray& Patterns() const { return patterns_; }

private:
    TPatternDictionaryFlags flags_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int64_t grayMax_ = 0;
    TJBIG2BitmapArray patterns_;
};

class THalftoneRegionSegment : public TRegionSegment {
public:
    using TRegionSegment::TRegionSegment;
    void ReadSegment() override;

private:
    THalftoneRegionFlags flags_;
};

// The smallest n with 2^n >= count of patterns: the bits per gray value.
std::int32_t Jbig2BitsPerGrayValue(std::int64_t patternCount);

}  // namespace parch
