#pragma once
// The JBIG2 segment stream: the bounded byte and bit reader, segment headers, the segment base
// class with its named flags, and the stream decoder that reads segments in order, dispatches
// them by type and lets later segments find earlier ones.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "pdf/images/ScrivletImageLimits.h"
#include "pdf/images/ScrivletJBIG2.h"

namespace parch {

// Pixels one JBIG2 bitmap may hold, and pixels all bitmaps of one decode may hold together.
// Every size read from the data is multiplied in 64 bits and compared with it; a decode that
// would pass it is damaged data, not an allocation.
inline constexpr std::int64_t kMaxJBIG2Pixels = kMaxImagePixels;

// What a bitmap's bookkeeping costs, in pixels of that limit: many tiny bitmaps (patterns of
// one pixel, say) are bounded too.
inline constexpr std::int64_t kJBIG2BitmapOverheadPixels = 1024;

// Bytes of 1-bits an arithmetic decoder may be fed past its segment's data before the loops
// that run on counts from the stream stop: a sound encoder's flush needs only a few.
inline constexpr std::int64_t kJBIG2ArithmeticOverrunBytes = 32;

// Damaged data: thrown inside the decoder, caught by the facade, which then answers false.
class EJBIG2Damage : public std::runtime_error {
public:
    explicit EJBIG2Damage(const std::string& what) : std::runtime_error("JBIG2: " + what) {}
};

using TJBIG2SmallintArray = std::vector<std::int16_t>;
using TJBIG2IntegerArray = std::vector<std::int32_t>;

class TArithmeticDecoder;
class THuffmanDecoder;
class TMMRDecoder;
class TJBIG2Bitmap;
class TJBIG2BitmapFactory;
class TJBIG2StreamDecoder;

// Big-endian reader over borrowed data. Whole-byte and bit reads stop at the limit (the end of
// the current segment's data, or of the data): reading past it is damage.
class TStreamReader {
public:
    explicit TStreamReader(const TJBIG2ByteArray& data) : data_(data), limit_(data.size()) {}

    std::uint8_t ReadByte();
    std::int32_t ReadBit();
    std::uint32_t ReadBits(int count);
    void ReadBytes(TJBIG2ByteArray& array);
    std::uint32_t ReadUInt32();
    std::int32_t ReadInt32() { return static_cast<std::int32_t>(ReadUInt32()); }
    std::uint16_t ReadUInt16();
    void MovePointer(std::int64_t delta);
    void ConsumeRemainingBits();
    bool IsFinished() const { return position_ >= data_.size(); }

    std::size_t Position() const { return position_; }
    void SetPosition(std::size_t position);
    std::size_t Size() const { return data_.size(); }
    std::size_t Limit() const { return limit_; }
    void SetLimit(std::size_t limit) { limit_ = limit < data_.size() ? limit : data_.size(); }
    std::size_t Remaining() const { return position_ < limit_ ? limit_ - position_ : 0; }
    const std::uint8_t* Data() const { return data_.data(); }

private:
    const TJBIG2ByteArray& data_;
    std::size_t position_ = 0;
    std::size_t limit_;
    int bitPointer_ = 7;
};

struct TSegmentHeader {
    std::uint32_t SegmentNumber = 0;
    std::int32_t SegmentType = 0;
    bool PageAssociationIs4Bytes = false;
    std::int32_t ReferredToSegmentCount = 0;
    TJBIG2SmallintArray RetentionFlags;
    TJBIG2IntegerArray ReferredToSegments;
    std::int32_t PageAssociation = 0;
    std::int32_t DataLength = 0;
};

// A flags value split into named fields. Each subclass lists its fields; SetFlags stores the
// value of each under its name.
class TFlags {
public:
    virtual ~TFlags() = default;
    virtual void SetFlags(std::int32_t flagsValue) = 0;
    std::int32_t GetFlagValue(const std::string& name) const;
    std::int32_t FlagsValue() const { return flagsValue_; }

    struct Field {
        const char* Name;
        int Shift;
        int Bits;
    };

protected:
    void SplitFields(std::int32_t flagsValue, const Field* fields, std::size_t count);

private:
    std::vector<std::pair<std::string, std::int32_t>> values_;
    std::int32_t flagsValue_ = 0;
};

class TSegment {
public:
    explicit TSegment(TJBIG2StreamDecoder& decoder);
    virtual ~TSegment() = default;
    TSegment(const TSegment&) = delete;
    TSegment& operator=(const TSegment&) = delete;

    virtual void ReadSegment() = 0;

    void SetSegmentHeader(std::unique_ptr<TSegmentHeader> header) { header_ = std::move(header); }
    const TSegmentHeader& SegmentHeader() const { return *header_; }

protected:
    std::int32_t ReadSignedByte();
    TJBIG2StreamDecoder& decoder_;
    THuffmanDecoder* huffmanDecoder_;
    TArithmeticDecoder* arithmeticDecoder_;
    TMMRDecoder* mmrDecoder_;
    std::unique_ptr<TSegmentHeader> header_;
};

// Segments whose data is skipped: end of stripe, extensions, profiles, code tables and every
// type this decoder does not interpret.
class TExtensionSegment : public TSegment {
public:
    using TSegment::TSegment;
    void ReadSegment() override;
};

class TEndOfStripeSegment : public TExtensionSegment {
public:
    using TExtensionSegment::TExtensionSegment;
};

class TPageInformationSegment;

class TJBIG2StreamDecoder {
public:
    TJBIG2StreamDecoder();
    ~TJBIG2StreamDecoder();
    TJBIG2StreamDecoder(const TJBIG2StreamDecoder&) = delete;
    TJBIG2StreamDecoder& operator=(const TJBIG2StreamDecoder&) = delete;

    void SetGlobalData(const TJBIG2ByteArray& data) { globalData_ = data; }
    void DecodeStream(const TJBIG2ByteArray& data);
    std::int32_t GetNumberOfPages() const;
    TJBIG2Bitmap* GetPageBitmap() const;

    // For segments.
    TStreamReader& Reader() { return *reader_; }
    std::uint8_t ReadByte() { return reader_->ReadByte(); }
    std::uint32_t ReadBits(int count) { return reader_->ReadBits(count); }
    void ReadBytes(TJBIG2ByteArray& array) { reader_->ReadBytes(array); }
    void MovePointer(std::int64_t delta) { reader_->MovePointer(delta); }
    void ConsumeRemainingBits() { reader_->ConsumeRemainingBits(); }
    TSegment* FindSegment(std::uint32_t number) const;
    TPageInformationSegment* FindPageSegment(std::int32_t page) const;
    void StoreBitmap(TJBIG2Bitmap* bitmap) { bitmaps_.push_back(bitmap); }
    TJBIG2Bitmap* FindBitmap(std::uint32_t number) const;
    THuffmanDecoder* HuffmanDecoder() const { return huffmanDecoder_.get(); }
    TArithmeticDecoder* ArithmeticDecoder() const { return arithmeticDecoder_.get(); }
    TMMRDecoder* MMRDecoder() const { return mmrDecoder_.get(); }
    TJBIG2BitmapFactory& BitmapFactory() { return *factory_; }

private:
    void Reset();
    bool CheckFileHeader();
    void ReadFileHeaderFlags();
    void CreateDecoders();
    void FreeDecoders();
    void ReadSegments();
    std::unique_ptr<TSegmentHeader> ReadSegmentHeader();
    std::unique_ptr<TSegment> CreateSegment(const TSegmentHeader& header);
    void ReadSegmentData(TSegment& segment, std::size_t dataStart);

    std::unique_ptr<TStreamReader> reader_;
    std::unique_ptr<THuffmanDecoder> huffmanDecoder_;
    std::unique_ptr<TArithmeticDecoder> arithmeticDecoder_;
    std::unique_ptr<TMMRDecoder> mmrDecoder_;
    bool noOfPagesKnown_ = false;
    bool randomAccessOrganisation_ = false;
    std::int32_t noOfPages_ = -1;
    std::vector<std::unique_ptr<TSegment>> segments_;
    std::vector<TJBIG2Bitmap*> bitmaps_;
    TJBIG2ByteArray globalData_;
    std::unique_ptr<TJBIG2BitmapFactory> factory_;
};

}  // namespace parch
