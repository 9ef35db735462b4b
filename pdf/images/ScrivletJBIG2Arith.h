#pragma once
// The MQ arithmetic decoder of T.88 Annex E with the integer procedures of Annex A, and the
// coding-context sets the region and dictionary decoders share within one pass.

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

#include "pdf/images/ScrivletJBIG2Stream.h"

namespace parch {

// One context per entry: (state index << 1) | MPS.
class TArithmeticDecoderStats {
public:
    explicit TArithmeticDecoderStats(std::int64_t contextSize);
    std::int64_t ContextSize() const { return static_cast<std::int64_t>(contexts_.size()); }
    void Reset() { std::fill(contexts_.begin(), contexts_.end(), std::uint8_t{0}); }
    void CopyFrom(const TArithmeticDecoderStats& other) { contexts_ = other.contexts_; }
    std::unique_ptr<TArithmeticDecoderStats> Copy() const;
    std::uint8_t* Data() { return contexts_.data(); }

private:
    std::vector<std::uint8_t> contexts_;
};

struct TJBIG2QeEntry {
    std::uint32_t Qe;  // scaled by 65,536
    std::uint8_t Nmps;
    std::uint8_t Nlps;
    std::uint8_t Switch;
};
extern const TJBIG2QeEntry kJBIG2QeTable[47];

// The registers of the MQ decoder. Kept apart so that a hot loop can hold them in a local copy
// (in machine registers) and hand them back when it ends.
struct TJBIG2MQState {
    const std::uint8_t* Data = nullptr;
    std::size_t Position = 0;
    std::size_t Limit = 0;
    std::uint32_t A = 0;
    std::uint32_t C = 0;
    std::uint32_t B = 0;
    std::uint32_t B1 = 0;
    std::int32_t Ct = 0;
    std::int64_t OverrunBytes = 0;

    std::uint32_t NextByte() {
        const std::size_t at = Position++;
        return at < Limit ? Data[at] : 0xFFu;
    }
    void ByteIn() {
        if (B == 0xFF) {
            if (B1 > 0x8F) {
                // A marker, or the end of the segment's data: the decoder is fed 1-bits.
                Ct = 8;
                ++OverrunBytes;
            } else {
                B = B1;
                B1 = NextByte();
                C = C + 0xFE00u - (B << 9);
                Ct = 7;
            }
        } else {
            B = B1;
            B1 = NextByte();
            C = C + 0xFF00u - (B << 8);
            Ct = 8;
        }
    }
    // Shifts A (and C with it) until its top bit is set, a run of bits at a time, feeding a
    // byte whenever the bits of the last one are used up.
    void RenormD() {
        int shift = std::countl_zero(A);
        while (shift > 0) {
            if (Ct == 0) ByteIn();
            const int step = shift < Ct ? shift : Ct;
            A <<= step;
            C <<= step;
            Ct -= step;
            shift -= step;
        }
    }
    inline std::int32_t DecodeBit(std::uint8_t* contexts, std::uint32_t context);
};

class TArithmeticDecoder {
public:
    explicit TArithmeticDecoder(TStreamReader& reader);

    // Starts decoding at the reader's position; bytes at or past the reader's limit read as 0xFF.
    void InitDecode();
    std::int32_t DecodeBit(TArithmeticDecoderStats& stats, std::uint32_t context) {
        return DecodeBit(stats.Data(), context);
    }
    std::int32_t DecodeBit(std::uint8_t* contexts, std::uint32_t context) { return state_.DecodeBit(contexts, context); }
    // IAx: false for the out-of-band result.
    bool DecodeInt(TArithmeticDecoderStats& stats, std::int32_t& value);
    std::uint32_t DecodeIAID(std::int32_t codeLength, TArithmeticDecoderStats& stats);

    void ResetGenericStats(std::int32_t gbTemplate, const TArithmeticDecoderStats* retained);
    void ResetRefinementStats(std::int32_t grTemplate, const TArithmeticDecoderStats* retained);
    void ResetIntStats(std::int32_t symbolCodeLength);

    // Loops that run on counts from the stream stop once this is true.
    bool IsExhausted() const { return state_.OverrunBytes > kJBIG2ArithmeticOverrunBytes; }
    // Fed 1-bits well past the end of its data since the last InitDecode (a sound stream's
    // last decisions may take a byte or two of them).
    bool HasOverrun() const { return state_.OverrunBytes > kJBIG2ArithmeticFlushBytes; }
    TJBIG2MQState& State() { return state_; }

    TArithmeticDecoderStats& GenericRegionStats() { return *genericRegionStats_; }
    TArithmeticDecoderStats& RefinementRegionStats() { return *refinementRegionStats_; }
    TArithmeticDecoderStats& IadhStats() { return *iadhStats_; }
    TArithmeticDecoderStats& IadwStats() { return *iadwStats_; }
    TArithmeticDecoderStats& IaexStats() { return *iaexStats_; }
    TArithmeticDecoderStats& IaaiStats() { return *iaaiStats_; }
    TArithmeticDecoderStats& IadtStats() { return *iadtStats_; }
    TArithmeticDecoderStats& IaitStats() { return *iaitStats_; }
    TArithmeticDecoderStats& IafsStats() { return *iafsStats_; }
    TArithmeticDecoderStats& IadsStats() { return *iadsStats_; }
    TArithmeticDecoderStats& IardxStats() { return *iardxStats_; }
    TArithmeticDecoderStats& IardyStats() { return *iardyStats_; }
    TArithmeticDecoderStats& IardwStats() { return *iardwStats_; }
    TArithmeticDecoderStats& IardhStats() { return *iardhStats_; }
    TArithmeticDecoderStats& IariStats() { return *iariStats_; }
    TArithmeticDecoderStats& IaidStats() { return *iaidStats_; }

private:
    static void ResetStats(std::unique_ptr<TArithmeticDecoderStats>& stats, std::int64_t size,
                           const TArithmeticDecoderStats* retained);

    TStreamReader& reader_;
    TJBIG2MQState state_;
    std::uint32_t prev_ = 1;

    std::unique_ptr<TArithmeticDecoderStats> genericRegionStats_;
    std::unique_ptr<TArithmeticDecoderStats> refinementRegionStats_;
    std::unique_ptr<TArithmeticDecoderStats> iadhStats_, iadwStats_, iaexStats_, iaaiStats_, iadtStats_, iaitStats_,
        iafsStats_, iadsStats_, iardxStats_, iardyStats_, iardwStats_, iardhStats_, iariStats_;
    std::unique_ptr<TArithmeticDecoderStats> iaidStats_;
};

inline std::int32_t TJBIG2MQState::DecodeBit(std::uint8_t* contexts, std::uint32_t context) {
    std::uint8_t& cx = contexts[context];
    const std::uint32_t index = cx >> 1;
    const std::int32_t mps = cx & 1;
    const TJBIG2QeEntry& entry = kJBIG2QeTable[index];
    const std::uint32_t qe = entry.Qe;
    std::int32_t bit;
    A -= qe;
    if (C < A) {
        if (A & 0x80000000u) return mps;
        if (A < qe) {
            bit = 1 - mps;
            cx = static_cast<std::uint8_t>((entry.Nlps << 1) | (entry.Switch ? 1 - mps : mps));
        } else {
            bit = mps;
            cx = static_cast<std::uint8_t>((entry.Nmps << 1) | mps);
        }
    } else {
        C -= A;
        if (A < qe) {
            bit = mps;
            cx = static_cast<std::uint8_t>((entry.Nmps << 1) | mps);
        } else {
            bit = 1 - mps;
            cx = static_cast<std::uint8_t>((entry.Nlps << 1) | (entry.Switch ? 1 - mps : mps));
        }
        A = qe;
    }
    RenormD();
    return bit;
}

}  // namespace parch
