#include "pdf/images/ScrivletJBIG2Arith.h"

#include <algorithm>

namespace parch {

// T.88 Table E.1: Qe (scaled by 65,536), NMPS, NLPS and SWITCH of the 47 states.
const TJBIG2QeEntry kJBIG2QeTable[47] = {
    {0x56010000, 1, 1, 1},   {0x34010000, 2, 6, 0},   {0x18010000, 3, 9, 0},   {0x0AC10000, 4, 12, 0},
    {0x05210000, 5, 29, 0},  {0x02210000, 38, 33, 0}, {0x56010000, 7, 6, 1},   {0x54010000, 8, 14, 0},
    {0x48010000, 9, 14, 0},  {0x38010000, 10, 14, 0}, {0x30010000, 11, 17, 0}, {0x24010000, 12, 18, 0},
    {0x1C010000, 13, 20, 0}, {0x16010000, 29, 21, 0}, {0x56010000, 15, 14, 1}, {0x54010000, 16, 14, 0},
    {0x51010000, 17, 15, 0}, {0x48010000, 18, 16, 0}, {0x38010000, 19, 17, 0}, {0x34010000, 20, 18, 0},
    {0x30010000, 21, 19, 0}, {0x28010000, 22, 19, 0}, {0x24010000, 23, 20, 0}, {0x22010000, 24, 21, 0},
    {0x1C010000, 25, 22, 0}, {0x18010000, 26, 23, 0}, {0x16010000, 27, 24, 0}, {0x14010000, 28, 25, 0},
    {0x12010000, 29, 26, 0}, {0x11010000, 30, 27, 0}, {0x0AC10000, 31, 28, 0}, {0x09C10000, 32, 29, 0},
    {0x08A10000, 33, 30, 0}, {0x05210000, 34, 31, 0}, {0x04410000, 35, 32, 0}, {0x02A10000, 36, 33, 0},
    {0x02210000, 37, 34, 0}, {0x01410000, 38, 35, 0}, {0x01110000, 39, 36, 0}, {0x00850000, 40, 37, 0},
    {0x00490000, 41, 38, 0}, {0x00250000, 42, 39, 0}, {0x00150000, 43, 40, 0}, {0x00090000, 44, 41, 0},
    {0x00050000, 45, 42, 0}, {0x00010000, 45, 43, 0}, {0x56010000, 46, 46, 0},
};

TArithmeticDecoderStats::TArithmeticDecoderStats(std::int64_t contextSize)
    : contexts_(static_cast<std::size_t>(contextSize), 0) {}

std::unique_ptr<TArithmeticDecoderStats> TArithmeticDecoderStats::Copy() const {
    auto copy = std::make_unique<TArithmeticDecoderStats>(ContextSize());
    copy->contexts_ = contexts_;
    return copy;
}

TArithmeticDecoder::TArithmeticDecoder(TStreamReader& reader) : reader_(reader) {
    genericRegionStats_ = std::make_unique<TArithmeticDecoderStats>(2);
    refinementRegionStats_ = std::make_unique<TArithmeticDecoderStats>(2);
    for (auto* stats : {&iadhStats_, &iadwStats_, &iaexStats_, &iaaiStats_, &iadtStats_, &iaitStats_, &iafsStats_,
                        &iadsStats_, &iardxStats_, &iardyStats_, &iardwStats_, &iardhStats_, &iariStats_}) {
        *stats = std::make_unique<TArithmeticDecoderStats>(512);
    }
    iaidStats_ = std::make_unique<TArithmeticDecoderStats>(2);
}

void TArithmeticDecoder::InitDecode() {
    TJBIG2MQState& mq = state_;
    mq.Data = reader_.Data();
    mq.Limit = reader_.Limit();
    mq.Position = reader_.Position();
    mq.OverrunBytes = 0;
    mq.B = mq.NextByte();
    mq.B1 = mq.NextByte();
    mq.C = (mq.B ^ 0xFFu) << 16;
    mq.ByteIn();
    mq.C <<= 7;
    mq.Ct -= 7;
    mq.A = 0x80000000u;
}

bool TArithmeticDecoder::DecodeInt(TArithmeticDecoderStats& stats, std::int32_t& value) {
    std::uint8_t* contexts = stats.Data();
    prev_ = 1;
    auto bit = [&]() {
        const std::int32_t b = DecodeBit(contexts, prev_);
        prev_ = prev_ < 256 ? (prev_ << 1) | static_cast<std::uint32_t>(b)
                            : (((prev_ << 1) | static_cast<std::uint32_t>(b)) & 511u) | 256u;
        return b;
    };
    const std::int32_t sign = bit();
    int bits;
    std::uint32_t offset;
    if (!bit()) {
        bits = 2;
        offset = 0;
    } else if (!bit()) {
        bits = 4;
        offset = 4;
    } else if (!bit()) {
        bits = 6;
        offset = 20;
    } else if (!bit()) {
        bits = 8;
        offset = 84;
    } else if (!bit()) {
        bits = 12;
        offset = 340;
    } else {
        bits = 32;
        offset = 4436;
    }
    std::uint32_t magnitude = 0;
    for (int i = 0; i < bits; ++i) magnitude = (magnitude << 1) | static_cast<std::uint32_t>(bit());
    // Values beyond 32 bits wrap as the registers do; only damaged data produces them.
    magnitude += offset;
    if (sign == 0) {
        value = static_cast<std::int32_t>(magnitude);
        return true;
    }
    if (magnitude == 0) {
        value = 0;
        return false;
    }
    value = static_cast<std::int32_t>(0u - magnitude);
    return true;
}

std::uint32_t TArithmeticDecoder::DecodeIAID(std::int32_t codeLength, TArithmeticDecoderStats& stats) {
    std::uint8_t* contexts = stats.Data();
    std::uint32_t prev = 1;
    for (std::int32_t i = 0; i < codeLength; ++i) {
        prev = (prev << 1) | static_cast<std::uint32_t>(DecodeBit(contexts, prev));
    }
    return prev - (std::uint32_t{1} << codeLength);
}

void TArithmeticDecoder::ResetStats(std::unique_ptr<TArithmeticDecoderStats>& stats, std::int64_t size,
                                    const TArithmeticDecoderStats* retained) {
    if (retained != nullptr && retained->ContextSize() == size) {
        if (stats->ContextSize() == size) {
            stats->CopyFrom(*retained);
        } else {
            stats = retained->Copy();
        }
    } else if (stats->ContextSize() == size) {
        stats->Reset();
    } else {
        stats = std::make_unique<TArithmeticDecoderStats>(size);
    }
}

void TArithmeticDecoder::ResetGenericStats(std::int32_t gbTemplate, const TArithmeticDecoderStats* retained) {
    static constexpr int kBits[4] = {16, 13, 10, 10};
    ResetStats(genericRegionStats_, std::int64_t{1} << kBits[gbTemplate & 3], retained);
}

void TArithmeticDecoder::ResetRefinementStats(std::int32_t grTemplate, const TArithmeticDecoderStats* retained) {
    ResetStats(refinementRegionStats_, std::int64_t{1} << (grTemplate == 0 ? 13 : 10), retained);
}

void TArithmeticDecoder::ResetIntStats(std::int32_t symbolCodeLength) {
    for (auto* stats : {&iadhStats_, &iadwStats_, &iaexStats_, &iaaiStats_, &iadtStats_, &iaitStats_, &iafsStats_,
                        &iadsStats_, &iardxStats_, &iardyStats_, &iardwStats_, &iardhStats_, &iariStats_}) {
        (*stats)->Reset();
    }
    const std::int64_t size = std::int64_t{1} << (symbolCodeLength + 1);
    if (size > kMaxJBIG2Pixels) throw EJBIG2Damage("symbol code length beyond the limit");
    ResetStats(iaidStats_, size, nullptr);
}

}  // namespace parch
