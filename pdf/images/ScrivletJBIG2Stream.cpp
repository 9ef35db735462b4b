#include "pdf/images/ScrivletJBIG2Stream.h"

#include <algorithm>

#include "pdf/images/ScrivletJBIG2Arith.h"
#include "pdf/images/ScrivletJBIG2Bitmap.h"
#include "pdf/images/ScrivletJBIG2Generic.h"
#include "pdf/images/ScrivletJBIG2Halftone.h"
#include "pdf/images/ScrivletJBIG2Huffman.h"
#include "pdf/images/ScrivletJBIG2Symbols.h"

namespace parch {

// ---- TStreamReader

std::uint8_t TStreamReader::ReadByte() {
    if (position_ >= limit_) throw EJBIG2Damage("read past the end of a segment");
    return data_[position_++];
}

std::int32_t TStreamReader::ReadBit() {
    if (position_ >= limit_) throw EJBIG2Damage("read past the end of a segment");
    const std::int32_t bit = (data_[position_] >> bitPointer_) & 1;
    if (--bitPointer_ < 0) {
        bitPointer_ = 7;
        ++position_;
    }
    return bit;
}

std::uint32_t TStreamReader::ReadBits(int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 1) | static_cast<std::uint32_t>(ReadBit());
    return value;
}

void TStreamReader::ReadBytes(TJBIG2ByteArray& array) {
    for (auto& byte : array) byte = ReadByte();
}

std::uint32_t TStreamReader::ReadUInt32() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | ReadByte();
    return value;
}

std::uint16_t TStreamReader::ReadUInt16() {
    const std::uint32_t high = ReadByte();
    return static_cast<std::uint16_t>((high << 8) | ReadByte());
}

void TStreamReader::MovePointer(std::int64_t delta) {
    const std::int64_t target = static_cast<std::int64_t>(position_) + delta;
    if (target < 0 || target > static_cast<std::int64_t>(data_.size())) throw EJBIG2Damage("move outside the data");
    position_ = static_cast<std::size_t>(target);
}

void TStreamReader::SetPosition(std::size_t position) {
    position_ = std::min(position, data_.size());
    bitPointer_ = 7;
}

void TStreamReader::ConsumeRemainingBits() {
    if (bitPointer_ != 7) ReadBits(bitPointer_ + 1);
}

// ---- TFlags

std::int32_t TFlags::GetFlagValue(const std::string& name) const {
    for (const auto& [flagName, value] : values_) {
        if (flagName == name) return value;
    }
    return 0;
}

void TFlags::SplitFields(std::int32_t flagsValue, const Field* fields, std::size_t count) {
    flagsValue_ = flagsValue;
    values_.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const auto raw = static_cast<std::uint32_t>(flagsValue);
        values_.emplace_back(fields[i].Name,
                             static_cast<std::int32_t>((raw >> fields[i].Shift) & ((1u << fields[i].Bits) - 1)));
    }
}

// ---- TSegment

TSegment::TSegment(TJBIG2StreamDecoder& decoder)
    : decoder_(decoder),
      huffmanDecoder_(decoder.HuffmanDecoder()),
      arithmeticDecoder_(decoder.ArithmeticDecoder()),
      mmrDecoder_(decoder.MMRDecoder()) {}

std::int32_t TSegment::ReadSignedByte() { return static_cast<std::int8_t>(decoder_.ReadByte()); }

void TExtensionSegment::ReadSegment() {
    if (header_->DataLength > 0) decoder_.MovePointer(header_->DataLength);
}

// ---- TJBIG2StreamDecoder

namespace {

constexpr std::uint8_t kJbig2FileId[8] = {0x97, 0x4A, 0x42, 0x32, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::int32_t kJbig2EndOfPage = 49;
constexpr std::int32_t kJbig2EndOfFile = 51;

bool Jbig2IsGenericRegion(std::int32_t type) { return type == 36 || type == 38 || type == 39; }

}  // namespace

TJBIG2StreamDecoder::TJBIG2StreamDecoder() : factory_(std::make_unique<TJBIG2BitmapFactory>()) {}

TJBIG2StreamDecoder::~TJBIG2StreamDecoder() = default;

void TJBIG2StreamDecoder::Reset() {
    noOfPagesKnown_ = false;
    randomAccessOrganisation_ = false;
    noOfPages_ = -1;
    segments_.clear();
    bitmaps_.clear();
}

void TJBIG2StreamDecoder::CreateDecoders() {
    huffmanDecoder_ = std::make_unique<THuffmanDecoder>(*reader_);
    mmrDecoder_ = std::make_unique<TMMRDecoder>(*reader_);
    arithmeticDecoder_ = std::make_unique<TArithmeticDecoder>(*reader_);
}

void TJBIG2StreamDecoder::FreeDecoders() {
    huffmanDecoder_.reset();
    mmrDecoder_.reset();
    arithmeticDecoder_.reset();
}

void TJBIG2StreamDecoder::DecodeStream(const TJBIG2ByteArray& data) {
    FreeDecoders();
    reader_ = std::make_unique<TStreamReader>(data);
    Reset();
    if (CheckFileHeader()) {
        ReadFileHeaderFlags();
    } else {
        noOfPagesKnown_ = true;
        randomAccessOrganisation_ = false;
        noOfPages_ = 1;
        reader_->SetPosition(0);
        if (!globalData_.empty()) {
            // Global segments stay listed (and their bitmaps in the factory) for the page's
            // segments; the globals' decoders end with their pass.
            reader_ = std::make_unique<TStreamReader>(globalData_);
            CreateDecoders();
            ReadSegments();
            FreeDecoders();
            reader_ = std::make_unique<TStreamReader>(data);
        }
    }
    CreateDecoders();
    ReadSegments();
}

bool TJBIG2StreamDecoder::CheckFileHeader() {
    if (reader_->Size() < sizeof kJbig2FileId) return false;
    return std::equal(std::begin(kJbig2FileId), std::end(kJbig2FileId), reader_->Data()) &&
           (reader_->SetPosition(sizeof kJbig2FileId), true);
}

void TJBIG2StreamDecoder::ReadFileHeaderFlags() {
    const std::uint8_t flags = reader_->ReadByte();
    randomAccessOrganisation_ = (flags & 1) == 0;
    noOfPagesKnown_ = (flags & 2) == 0;
    if (noOfPagesKnown_) noOfPages_ = reader_->ReadInt32();
}

std::int32_t TJBIG2StreamDecoder::GetNumberOfPages() const {
    // A file that leaves its page count open still has the pages it holds.
    return noOfPagesKnown_ ? noOfPages_ : (FindPageSegment(1) != nullptr ? 1 : 0);
}

TJBIG2Bitmap* TJBIG2StreamDecoder::GetPageBitmap() const {
    TPageInformationSegment* page = FindPageSegment(1);
    return page != nullptr ? page->PageBitmap() : nullptr;
}

TSegment* TJBIG2StreamDecoder::FindSegment(std::uint32_t number) const {
    for (const auto& segment : segments_) {
        if (segment->SegmentHeader().SegmentNumber == number) return segment.get();
    }
    return nullptr;
}

TPageInformationSegment* TJBIG2StreamDecoder::FindPageSegment(std::int32_t page) const {
    for (const auto& segment : segments_) {
        const TSegmentHeader& header = segment->SegmentHeader();
        if (header.SegmentType == 48 && header.PageAssociation == page) {
            return static_cast<TPageInformationSegment*>(segment.get());
        }
    }
    return nullptr;
}

TJBIG2Bitmap* TJBIG2StreamDecoder::FindBitmap(std::uint32_t number) const {
    for (TJBIG2Bitmap* bitmap : bitmaps_) {
        if (bitmap->Number() == number) return bitmap;
    }
    return nullptr;
}

std::unique_ptr<TSegmentHeader> TJBIG2StreamDecoder::ReadSegmentHeader() {
    auto header = std::make_unique<TSegmentHeader>();
    TStreamReader& reader = *reader_;
    header->SegmentNumber = reader.ReadUInt32();
    const std::uint8_t flags = reader.ReadByte();
    header->SegmentType = flags & 0x3F;
    header->PageAssociationIs4Bytes = (flags & 0x40) != 0;

    const std::uint8_t countAndRetention = reader.ReadByte();
    std::int64_t referredToCount = countAndRetention >> 5;
    if (referredToCount == 7) {
        referredToCount = countAndRetention & 0x1F;
        for (int i = 0; i < 3; ++i) referredToCount = (referredToCount << 8) | reader.ReadByte();
        // Each referred-to number takes a byte at least: a count the data cannot hold is damage.
        if (referredToCount > static_cast<std::int64_t>(reader.Remaining())) {
            throw EJBIG2Damage("referred-to count beyond the data");
        }
        header->RetentionFlags.resize(static_cast<std::size_t>((referredToCount + 1 + 7) / 8));
        for (auto& retention : header->RetentionFlags) retention = reader.ReadByte();
    } else {
        header->RetentionFlags.push_back(static_cast<std::int16_t>(countAndRetention & 0x1F));
    }
    header->ReferredToSegmentCount = static_cast<std::int32_t>(referredToCount);

    const int numberSize = header->SegmentNumber <= 256 ? 1 : header->SegmentNumber <= 65536 ? 2 : 4;
    if (referredToCount * numberSize > static_cast<std::int64_t>(reader.Remaining())) {
        throw EJBIG2Damage("referred-to segments beyond the data");
    }
    header->ReferredToSegments.resize(static_cast<std::size_t>(referredToCount));
    for (auto& referred : header->ReferredToSegments) {
        referred = numberSize == 1   ? reader.ReadByte()
                   : numberSize == 2 ? reader.ReadUInt16()
                                     : reader.ReadInt32();
    }
    header->PageAssociation = header->PageAssociationIs4Bytes ? reader.ReadInt32() : reader.ReadByte();
    // An end-of-file header carries its (zero) length too; in the random-access organisation
    // the data parts start after it. A stream cut right after its page association loses nothing.
    if (header->SegmentType == kJbig2EndOfFile && reader.Remaining() < 4) {
        header->DataLength = 0;
    } else {
        header->DataLength = reader.ReadInt32();
    }
    return header;
}

std::unique_ptr<TSegment> TJBIG2StreamDecoder::CreateSegment(const TSegmentHeader& header) {
    switch (header.SegmentType) {
        case 0: return std::make_unique<TSymbolDictionarySegment>(*this);
        case 4: return std::make_unique<TTextRegionSegment>(*this, false);
        case 6:
        case 7: return std::make_unique<TTextRegionSegment>(*this, true);
        case 16: return std::make_unique<TPatternDictionarySegment>(*this);
        case 20: return std::make_unique<THalftoneRegionSegment>(*this, false);
        case 22:
        case 23: return std::make_unique<THalftoneRegionSegment>(*this, true);
        case 36: return std::make_unique<TGenericRegionSegment>(*this, false);
        case 38:
        case 39: return std::make_unique<TGenericRegionSegment>(*this, true);
        case 40: return std::make_unique<TRefinementRegionSegment>(*this, false);
        case 42:
        case 43: return std::make_unique<TRefinementRegionSegment>(*this, true);
        case 48: return std::make_unique<TPageInformationSegment>(*this);
        case 50: return std::make_unique<TEndOfStripeSegment>(*this);
        default: return std::make_unique<TExtensionSegment>(*this);
    }
}

// Reads one segment's data, which starts at dataStart, and moves the reader to its end: a
// segment that reads less or more than its length (look-ahead, padding, extension data) never
// shifts what follows.
void TJBIG2StreamDecoder::ReadSegmentData(TSegment& segment, std::size_t dataStart) {
    const TSegmentHeader& header = segment.SegmentHeader();
    TStreamReader& reader = *reader_;
    reader.SetPosition(dataStart);
    const std::int64_t length = header.DataLength;
    const bool unknownLength = length == -1 && Jbig2IsGenericRegion(header.SegmentType);
    if (!unknownLength) {
        if (length < 0) throw EJBIG2Damage("negative data length");
        if (length > static_cast<std::int64_t>(reader.Size() - dataStart)) {
            throw EJBIG2Damage("data length beyond the data");
        }
        reader.SetLimit(dataStart + static_cast<std::size_t>(length));
    } else {
        reader.SetLimit(reader.Size());
    }
    segment.ReadSegment();
    if (!unknownLength) reader.SetPosition(dataStart + static_cast<std::size_t>(length));
    reader.SetLimit(reader.Size());
}

void TJBIG2StreamDecoder::ReadSegments() {
    std::vector<TSegment*> pending;  // random-access organisation: data follows all headers
    TStreamReader& reader = *reader_;
    while (!reader.IsFinished()) {
        std::unique_ptr<TSegmentHeader> header = ReadSegmentHeader();
        const std::int32_t type = header->SegmentType;
        if (type == kJbig2EndOfFile) break;
        if (type == kJbig2EndOfPage) {
            if (!randomAccessOrganisation_) {
                if (header->DataLength < 0 ||
                    header->DataLength > static_cast<std::int64_t>(reader.Size() - reader.Position())) {
                    throw EJBIG2Damage("data length beyond the data");
                }
                reader.MovePointer(header->DataLength);
            } else if (header->DataLength != 0) {
                // Its data still occupies room among the data parts.
                auto skipped = std::make_unique<TExtensionSegment>(*this);
                skipped->SetSegmentHeader(std::move(header));
                pending.push_back(skipped.get());
                segments_.push_back(std::move(skipped));
            }
            continue;
        }
        std::unique_ptr<TSegment> segment = CreateSegment(*header);
        segment->SetSegmentHeader(std::move(header));
        TSegment& current = *segment;
        segments_.push_back(std::move(segment));
        if (randomAccessOrganisation_) {
            pending.push_back(&current);
        } else {
            ReadSegmentData(current, reader.Position());
        }
    }
    std::size_t dataStart = reader.Position();
    for (TSegment* segment : pending) {
        const std::int32_t length = segment->SegmentHeader().DataLength;
        if (length < 0) throw EJBIG2Damage("unknown data length in a random-access file");
        ReadSegmentData(*segment, dataStart);
        dataStart += static_cast<std::size_t>(length);
    }
}

}  // namespace parch
