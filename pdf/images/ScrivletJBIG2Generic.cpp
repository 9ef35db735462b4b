#include "pdf/images/ScrivletJBIG2Generic.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "pdf/images/ScrivletJBIG2Arith.h"

namespace parch {
namespace {

// ---- arithmetic generic decoding

// Typical-prediction contexts of templates 0 to 3 (T.88's, in this decoder's bit order; the one
// of template 3 includes its AT pixel).
constexpr std::uint32_t kJbig2GenericSltp[4] = {0x3953, 0x079A, 0x00E3, 0x018B};
// Typical-prediction contexts of refinement templates 0 and 1: the context whose only set pixel
// is the reference pixel at (x, y) for template 0 and at (x + 1, y) for template 1, as T.88
// decoders (jbig2dec among them) share them with the pixel contexts.
// Pixels decoded between checks for a decoder run out of data within a row.
constexpr std::int64_t kJbig2RowStretch = 4096;

constexpr std::uint32_t kJbig2RefinementSltp[2] = {0x40, 0x04};

bool Jbig2AtIsNominal(const TJBIG2AtPixels& at) {
    return at.X[0] == 3 && at.Y[0] == -1 && at.X[1] == -3 && at.Y[1] == -1 && at.X[2] == 2 && at.Y[2] == -2 &&
           at.X[3] == -2 && at.Y[3] == -2;
}

// The rows above and the AT rows of one row, as pointers to real rows or to a white row.
struct Jbig2RowWindow {
    const std::uint8_t* Above1;
    const std::uint8_t* Above2;
    const std::uint8_t* At[4];
};

inline std::uint32_t Jbig2Pixel(const std::uint8_t* row, std::int64_t x, std::int64_t width) {
    return x >= 0 && x < width ? row[x] : 0u;
}

// Template 0 with the AT pixels at their nominal places: every context pixel lies in two
// windows that slide along rows y-1 and y-2, held together in one word (row y-1, columns
// x-3..x+3, in bits 6..0; row y-2, columns x-2..x+2, in bits 11..7). The part of the context
// that the rows above give is looked up from that word before the pixel is decoded; only the
// four pixels to the left wait for it.
constexpr std::uint32_t kJbig2AboveWindowMask = 0xF7E;  // what survives a shift by one column

std::uint16_t Jbig2ContextFromAbove(std::uint32_t windows) {
    const std::uint32_t window1 = windows & 0x7F, window2 = windows >> 7;
    return static_cast<std::uint16_t>(((window2 >> 1) & 0x7) << 13 | ((window1 >> 1) & 0x1F) << 8 | (window1 & 1) << 3 |
                                      (window1 >> 6) << 2 | (window2 & 1) << 1 | (window2 >> 4));
}

const std::array<std::uint16_t, 4096>& Jbig2ContextsFromAbove() {
    static const std::array<std::uint16_t, 4096> kTable = [] {
        std::array<std::uint16_t, 4096> table{};
        for (std::uint32_t windows = 0; windows < table.size(); ++windows) table[windows] = Jbig2ContextFromAbove(windows);
        return table;
    }();
    return kTable;
}

void Jbig2DecodeTemplate0Nominal(TJBIG2Bitmap& bitmap, TArithmeticDecoder& decoder, std::uint8_t* contexts,
                                 bool tpgdon, const std::uint8_t* white) {
    const std::uint16_t* const fromAbove = Jbig2ContextsFromAbove().data();
    const std::int64_t width = bitmap.Width();
    // The decoder's registers live in a local copy for the loop.
    TJBIG2MQState mq = decoder.State();
    std::int32_t ltp = 0;
    // The bitmap starts white: white pixels and copies of white rows are never written, so
    // the memory of white areas stays untouched.
    bool aboveHasBlack = false;
    const std::int64_t inner = std::max<std::int64_t>(0, width - 3);
    for (std::int32_t y = 0; y < bitmap.Height(); ++y) {
        // Rows past the data (the decoder fed 1-bits well beyond it) stay white.
        if (mq.OverrunBytes > kJBIG2ArithmeticOverrunBytes) break;
        if (tpgdon) {
            ltp ^= mq.DecodeBit(contexts, kJbig2GenericSltp[0]);
            if (ltp) {
                if (y > 0 && aboveHasBlack) bitmap.CopyRow(y, y - 1);
                continue;
            }
        }
        std::uint32_t blackSeen = 0;
        std::uint8_t* const row = bitmap.Row(y);
        const std::uint8_t* const row1 = y >= 1 ? bitmap.Row(y - 1) : white;
        const std::uint8_t* const row2 = y >= 2 ? bitmap.Row(y - 2) : white;
        std::uint32_t windows = (Jbig2Pixel(row1, 0, width) << 1 | Jbig2Pixel(row1, 1, width)) << 1 |
                                Jbig2Pixel(row1, 2, width) |
                                (Jbig2Pixel(row2, 0, width) << 1 | Jbig2Pixel(row2, 1, width)) << 7;
        std::uint32_t current = 0;
        std::int64_t x = 0;
        while (x < width) {
            // Long rows are checked for running out of data on the way.
            if (mq.OverrunBytes > kJBIG2ArithmeticOverrunBytes) break;
            const std::int64_t stretchEnd = std::min<std::int64_t>(width, x + kJbig2RowStretch);
            for (; x < stretchEnd; ++x) {
                const std::uint32_t above1 = x < inner ? row1[x + 3] : Jbig2Pixel(row1, x + 3, width);
                const std::uint32_t above2 = x < inner ? row2[x + 2] : Jbig2Pixel(row2, x + 2, width);
                windows = ((windows << 1) & kJbig2AboveWindowMask) | above1 | above2 << 7;
                const std::int32_t bit = mq.DecodeBit(contexts, fromAbove[windows] | current << 4);
                if (bit) row[x] = 1;
                blackSeen |= static_cast<std::uint32_t>(bit);
                current = ((current << 1) | static_cast<std::uint32_t>(bit)) & 0xF;
            }
        }
        if (x < width) break;
        aboveHasBlack = blackSeen != 0;
    }
    decoder.State() = mq;
}

// Any template and AT placement, with an optional skip map: the fixed pixels slide along the
// rows in windows, the AT pixels are read one by one.
template <int Template>
void Jbig2DecodeTemplate(TJBIG2Bitmap& bitmap, TArithmeticDecoder& decoder, std::uint8_t* contexts,
                         const TJBIG2AtPixels& at, const TJBIG2Bitmap* skip, bool tpgdon, const std::uint8_t* white) {
    constexpr int kLength2 = Template == 0 ? 3 : Template == 1 ? 4 : Template == 2 ? 3 : 0;
    constexpr int kReach2 = Template == 0 ? 1 : Template == 1 ? 2 : Template == 2 ? 1 : 0;
    constexpr int kLength1 = Template == 2 ? 4 : 5;
    constexpr int kReach1 = Template <= 1 ? 2 : 1;
    constexpr int kLengthCurrent = Template == 0 ? 4 : Template == 1 ? 3 : Template == 2 ? 2 : 4;
    constexpr int kAtCount = Template == 0 ? 4 : 1;
    constexpr int kShift1 = kLengthCurrent + kAtCount;
    constexpr int kShift2 = kShift1 + kLength1;
    constexpr std::uint32_t kMask2 = (1u << kLength2) - 1;
    constexpr std::uint32_t kMask1 = (1u << kLength1) - 1;
    constexpr std::uint32_t kMaskCurrent = (1u << kLengthCurrent) - 1;

    const std::int64_t width = bitmap.Width();
    // The decoder's registers live in a local copy for the loop.
    TJBIG2MQState mq = decoder.State();
    const std::int32_t height = bitmap.Height();
    const bool skipFits = skip != nullptr && skip->Width() == width && skip->Height() == height;
    std::int32_t ltp = 0;
    bool aboveHasBlack = false;
    for (std::int32_t y = 0; y < height; ++y) {
        // Rows past the data (the decoder fed 1-bits well beyond it) stay white.
        if (mq.OverrunBytes > kJBIG2ArithmeticOverrunBytes) break;
        if (tpgdon) {
            ltp ^= mq.DecodeBit(contexts, kJbig2GenericSltp[Template]);
            if (ltp) {
                if (y > 0 && aboveHasBlack) bitmap.CopyRow(y, y - 1);
                continue;
            }
        }
        std::uint32_t blackSeen = 0;
        std::uint8_t* row = bitmap.Row(y);
        const std::uint8_t* row1 = y >= 1 ? bitmap.Row(y - 1) : white;
        const std::uint8_t* row2 = y >= 2 ? bitmap.Row(y - 2) : white;
        const std::uint8_t* atRows[4];
        for (int k = 0; k < kAtCount; ++k) {
            const std::int64_t atY = std::int64_t{y} + at.Y[k];
            atRows[k] = atY >= 0 && atY < height ? bitmap.Row(static_cast<std::int32_t>(atY)) : white;
        }
        const std::uint8_t* skipRow = skipFits ? skip->Row(y) : nullptr;
        std::uint32_t window1 = 0;
        std::uint32_t window2 = 0;
        std::uint32_t current = 0;
        for (int k = 0; k < kReach1; ++k) window1 = (window1 << 1) | Jbig2Pixel(row1, k, width);
        for (int k = 0; k < kReach2; ++k) window2 = (window2 << 1) | Jbig2Pixel(row2, k, width);
        for (std::int64_t x = 0; x < width; ++x) {
            // Long rows are checked for running out of data on the way.
            if ((x & (kJbig2RowStretch - 1)) == kJbig2RowStretch - 1 && mq.OverrunBytes > kJBIG2ArithmeticOverrunBytes) {
                break;
            }
            window1 = ((window1 << 1) | Jbig2Pixel(row1, x + kReach1, width)) & kMask1;
            if constexpr (kLength2 > 0) window2 = ((window2 << 1) | Jbig2Pixel(row2, x + kReach2, width)) & kMask2;
            if (skipRow != nullptr && skipRow[x] != 0) {
                current = (current << 1) & kMaskCurrent;
                continue;
            }
            std::uint32_t atBits = 0;
            for (int k = 0; k < kAtCount; ++k) atBits = (atBits << 1) | Jbig2Pixel(atRows[k], x + at.X[k], width);
            std::uint32_t context = (window1 << kShift1) | (current << kAtCount) | atBits;
            if constexpr (kLength2 > 0) context |= window2 << kShift2;
            const std::int32_t bit = mq.DecodeBit(contexts, context);
            if (bit) row[x] = 1;
            blackSeen |= static_cast<std::uint32_t>(bit);
            current = ((current << 1) | static_cast<std::uint32_t>(bit)) & kMaskCurrent;
        }
        aboveHasBlack = blackSeen != 0;
    }
    decoder.State() = mq;
}

// ---- MMR code tables

struct Jbig2Code {
    const char* Bits;
    std::int32_t Value;
};

// T.4 terminating and make-up codes.
constexpr Jbig2Code kJbig2WhiteCodes[] = {
    {"00110101", 0},       {"000111", 1},         {"0111", 2},           {"1000", 3},           {"1011", 4},
    {"1100", 5},           {"1110", 6},           {"1111", 7},           {"10011", 8},          {"10100", 9},
    {"00111", 10},         {"01000", 11},         {"001000", 12},        {"000011", 13},        {"110100", 14},
    {"110101", 15},        {"101010", 16},        {"101011", 17},        {"0100111", 18},       {"0001100", 19},
    {"0001000", 20},       {"0010111", 21},       {"0000011", 22},       {"0000100", 23},       {"0101000", 24},
    {"0101011", 25},       {"0010011", 26},       {"0100100", 27},       {"0011000", 28},       {"00000010", 29},
    {"00000011", 30},      {"00011010", 31},      {"00011011", 32},      {"00010010", 33},      {"00010011", 34},
    {"00010100", 35},      {"00010101", 36},      {"00010110", 37},      {"00010111", 38},      {"00101000", 39},
    {"00101001", 40},      {"00101010", 41},      {"00101011", 42},      {"00101100", 43},      {"00101101", 44},
    {"00000100", 45},      {"00000101", 46},      {"00001010", 47},      {"00001011", 48},      {"01010010", 49},
    {"01010011", 50},      {"01010100", 51},      {"01010101", 52},      {"00100100", 53},      {"00100101", 54},
    {"01011000", 55},      {"01011001", 56},      {"01011010", 57},      {"01011011", 58},      {"01001010", 59},
    {"01001011", 60},      {"00110010", 61},      {"00110011", 62},      {"00110100", 63},      {"11011", 64},
    {"10010", 128},        {"010111", 192},       {"0110111", 256},      {"00110110", 320},     {"00110111", 384},
    {"01100100", 448},     {"01100101", 512},     {"01101000", 576},     {"01100111", 640},     {"011001100", 704},
    {"011001101", 768},    {"011010010", 832},    {"011010011", 896},    {"011010100", 960},    {"011010101", 1024},
    {"011010110", 1088},   {"011010111", 1152},   {"011011000", 1216},   {"011011001", 1280},   {"011011010", 1344},
    {"011011011", 1408},   {"010011000", 1472},   {"010011001", 1536},   {"010011010", 1600},   {"011000", 1664},
    {"010011011", 1728},
};

constexpr Jbig2Code kJbig2BlackCodes[] = {
    {"0000110111", 0},     {"010", 1},            {"11", 2},             {"10", 3},             {"011", 4},
    {"0011", 5},           {"0010", 6},           {"00011", 7},          {"000101", 8},         {"000100", 9},
    {"0000100", 10},       {"0000101", 11},       {"0000111", 12},       {"00000100", 13},      {"00000111", 14},
    {"000011000", 15},     {"0000010111", 16},    {"0000011000", 17},    {"0000001000", 18},    {"00001100111", 19},
    {"00001101000", 20},   {"00001101100", 21},   {"00000110111", 22},   {"00000101000", 23},   {"00000010111", 24},
    {"00000011000", 25},   {"000011001010", 26},  {"000011001011", 27},  {"000011001100", 28},  {"000011001101", 29},
    {"000001101000", 30},  {"000001101001", 31},  {"000001101010", 32},  {"000001101011", 33},  {"000011010010", 34},
    {"000011010011", 35},  {"000011010100", 36},  {"000011010101", 37},  {"000011010110", 38},  {"000011010111", 39},
    {"000001101100", 40},  {"000001101101", 41},  {"000011011010", 42},  {"000011011011", 43},  {"000001010100", 44},
    {"000001010101", 45},  {"000001010110", 46},  {"000001010111", 47},  {"000001100100", 48},  {"000001100101", 49},
    {"000001010010", 50},  {"000001010011", 51},  {"000000100100", 52},  {"000000110111", 53},  {"000000111000", 54},
    {"000000100111", 55},  {"000000101000", 56},  {"000001011000", 57},  {"000001011001", 58},  {"000000101011", 59},
    {"000000101100", 60},  {"000001011010", 61},  {"000001100110", 62},  {"000001100111", 63},  {"0000001111", 64},
    {"000011001000", 128}, {"000011001001", 192}, {"000001011011", 256}, {"000000110011", 320}, {"000000110100", 384},
    {"000000110101", 448}, {"0000001101100", 512}, {"0000001101101", 576}, {"0000001001010", 640},
    {"0000001001011", 704}, {"0000001001100", 768}, {"0000001001101", 832}, {"0000001110010", 896},
    {"0000001110011", 960}, {"0000001110100", 1024}, {"0000001110101", 1088}, {"0000001110110", 1152},
    {"0000001110111", 1216}, {"0000001010010", 1280}, {"0000001010011", 1344}, {"0000001010100", 1408},
    {"0000001010101", 1472}, {"0000001011010", 1536}, {"0000001011011", 1600}, {"0000001100100", 1664},
    {"0000001100101", 1728},
};

// Extended make-up codes shared by both colours.
constexpr Jbig2Code kJbig2ExtendedCodes[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},  {"000000010010", 1984},
    {"000000010011", 2048}, {"000000010100", 2112}, {"000000010101", 2176}, {"000000010110", 2240},
    {"000000010111", 2304}, {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

constexpr int kJbig2RunLookupBits = 13;

struct Jbig2RunEntry {
    std::uint8_t Length = 0;  // 0: no code
    std::int16_t Run = 0;
};
using Jbig2RunTable = std::array<Jbig2RunEntry, 1u << kJbig2RunLookupBits>;

template <std::size_t N>
void Jbig2FillRunTable(Jbig2RunTable& table, const Jbig2Code (&codes)[N]) {
    for (const Jbig2Code& code : codes) {
        const int length = static_cast<int>(std::strlen(code.Bits));
        std::uint32_t value = 0;
        for (int i = 0; i < length; ++i) value = (value << 1) | static_cast<std::uint32_t>(code.Bits[i] - '0');
        const int free = kJbig2RunLookupBits - length;
        for (std::uint32_t tail = 0; tail < (1u << free); ++tail) {
            table[(value << free) | tail] = {static_cast<std::uint8_t>(length), static_cast<std::int16_t>(code.Value)};
        }
    }
}

const Jbig2RunTable& Jbig2RunTableOf(bool black) {
    static const Jbig2RunTable kWhite = [] {
        Jbig2RunTable table{};
        Jbig2FillRunTable(table, kJbig2WhiteCodes);
        Jbig2FillRunTable(table, kJbig2ExtendedCodes);
        return table;
    }();
    static const Jbig2RunTable kBlack = [] {
        Jbig2RunTable table{};
        Jbig2FillRunTable(table, kJbig2BlackCodes);
        Jbig2FillRunTable(table, kJbig2ExtendedCodes);
        return table;
    }();
    return black ? kBlack : kWhite;
}

}  // namespace

// ---- TMMRDecoder

void TMMRDecoder::Reset() {
    start_ = reader_.Position();
    bitPosition_ = 0;
}

std::uint32_t TMMRDecoder::PeekBits(int count) {
    const std::uint64_t byteIndex = start_ + bitPosition_ / 8;
    const int bitOffset = static_cast<int>(bitPosition_ % 8);
    const std::uint8_t* data = reader_.Data();
    const std::size_t limit = reader_.Limit();
    std::uint32_t value = 0;
    for (std::uint64_t i = 0; i < 4; ++i) value = (value << 8) | (byteIndex + i < limit ? data[byteIndex + i] : 0u);
    return (value << bitOffset) >> (32 - count);
}

TMMRDecoder::Mode TMMRDecoder::ReadMode() {
    const std::uint32_t bits = PeekBits(7);
    auto take = [this](int length, Mode mode) {
        SkipBits(length);
        return mode;
    };
    if (bits & 0x40) return take(1, Mode::V0);
    if (bits & 0x20) return take(3, (bits & 0x10) ? Mode::VR1 : Mode::VL1);
    if (bits & 0x10) return take(3, Mode::Horizontal);
    if (bits & 0x08) return take(4, Mode::Pass);
    if (bits & 0x04) return take(6, (bits & 0x02) ? Mode::VR2 : Mode::VL2);
    if (bits & 0x02) return take(7, (bits & 0x01) ? Mode::VR3 : Mode::VL3);
    return Mode::Invalid;
}

std::int32_t TMMRDecoder::ReadRun(bool black) {
    const Jbig2RunTable& table = Jbig2RunTableOf(black);
    std::int64_t total = 0;
    for (;;) {
        const Jbig2RunEntry entry = table[PeekBits(kJbig2RunLookupBits)];
        if (entry.Length == 0) {
            // Not a code: one bit counts as a run of 1.
            SkipBits(1);
            ++total;
            break;
        }
        SkipBits(entry.Length);
        total += entry.Run;
        if (entry.Run < 64 || total > (std::int64_t{1} << 30)) break;
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(total, std::int64_t{1} << 30));
}

void TMMRDecoder::DecodeBitmap(TJBIG2Bitmap& bitmap, std::int64_t byteCount) {
    Reset();
    const std::int32_t width = bitmap.Width();
    const std::size_t capacity = static_cast<std::size_t>(width) + 4;
    std::vector<std::int32_t> coding(capacity, width);
    std::vector<std::int32_t> reference(capacity + 2, width);
    std::size_t codingLength = 2;  // an all-white line: [width, width]
    auto clamp = [width](std::int64_t value) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, width));
    };
    bool damaged = false;
    for (std::int32_t y = 0; y < bitmap.Height() && !damaged; ++y) {
        std::copy_n(coding.begin(), codingLength, reference.begin());
        reference[codingLength] = width;
        reference[codingLength + 1] = width;
        const std::size_t referenceLength = codingLength + 2;
        std::int32_t a0 = 0;
        std::size_t i = 0;
        std::size_t b = 0;
        auto skipPassed = [&] {
            while (b < referenceLength && reference[b] <= a0 && reference[b] < width) b += 2;
        };
        while (a0 < width) {
            // Each code adds at most two changing elements; a line that would hold more than the
            // row has columns is damaged.
            if (i + 3 >= capacity || b + 1 >= referenceLength) {
                damaged = true;
                break;
            }
            const Mode mode = ReadMode();
            if (mode == Mode::Invalid) {
                damaged = true;
                break;
            }
            switch (mode) {
                case Mode::Pass:
                    if (reference[b] < width) {
                        a0 = reference[b + 1];
                        b += 2;
                    }
                    break;
                case Mode::Horizontal: {
                    const bool firstBlack = (i & 1) != 0;
                    const std::int32_t first = ReadRun(firstBlack);
                    const std::int32_t second = ReadRun(!firstBlack);
                    if (first != 0 || second != 0) {
                        coding[i] = clamp(std::int64_t{a0} + first);
                        coding[i + 1] = clamp(std::int64_t{coding[i]} + second);
                        a0 = coding[i + 1];
                        i += 2;
                    }
                    skipPassed();
                    break;
                }
                case Mode::V0:
                    a0 = coding[i++] = reference[b];
                    if (reference[b] < width) ++b;
                    break;
                case Mode::VR1:
                case Mode::VR2:
                case Mode::VR3: {
                    const int k = mode == Mode::VR1 ? 1 : mode == Mode::VR2 ? 2 : 3;
                    a0 = coding[i++] = clamp(std::int64_t{reference[b]} + k);
                    if (reference[b] < width) {
                        ++b;
                        skipPassed();
                    }
                    break;
                }
                case Mode::VL1:
                case Mode::VL2:
                case Mode::VL3: {
                    const int k = mode == Mode::VL1 ? 1 : mode == Mode::VL2 ? 2 : 3;
                    a0 = coding[i++] = clamp(std::int64_t{reference[b]} - k);
                    b = b == 0 ? 1 : b - 1;
                    skipPassed();
                    break;
                }
                case Mode::Invalid: break;
            }
        }
        if (damaged) break;
        coding[i] = width;
        codingLength = i + 1;
        std::uint8_t* row = bitmap.Row(y);
        for (std::size_t k = 0; k < codingLength && coding[k] < width; k += 2) {
            const std::int32_t end = k + 1 < codingLength ? std::min(coding[k + 1], width) : width;
            if (end > coding[k]) std::fill(row + coding[k], row + end, std::uint8_t{1});
        }
    }
    if (byteCount < 0) {
        if (!damaged && PeekBits(24) == 0x001001) SkipBits(24);
        reader_.SetPosition(start_ + static_cast<std::size_t>((bitPosition_ + 7) / 8));
    } else {
        reader_.SetPosition(start_ + static_cast<std::size_t>(std::min<std::int64_t>(byteCount, static_cast<std::int64_t>(reader_.Size()))));
    }
}

// ---- TJBIG2Bitmap: generic and refinement decoding

void TJBIG2Bitmap::GenericDecode(bool mmr, std::int32_t gbTemplate, std::int64_t mmrByteCount,
                                 const TJBIG2AtPixels& at, const TJBIG2Bitmap* skip, bool useSkip, bool tpgdon) {
    // A bitmap without pixels has nothing to decode, however many empty rows it claims.
    if (width_ == 0 || height_ == 0) return;
    if (mmr) {
        mmrDecoder_->DecodeBitmap(*this, mmrByteCount);
        return;
    }
    TArithmeticDecoder& decoder = *arithmeticDecoder_;
    std::uint8_t* contexts = decoder.GenericRegionStats().Data();
    const std::vector<std::uint8_t> white(static_cast<std::size_t>(width_) + 1, 0);
    const TJBIG2Bitmap* skipMap = useSkip ? skip : nullptr;
    switch (gbTemplate & 3) {
        case 0:
            if (skipMap == nullptr && Jbig2AtIsNominal(at)) {
                Jbig2DecodeTemplate0Nominal(*this, decoder, contexts, tpgdon, white.data());
            } else {
                Jbig2DecodeTemplate<0>(*this, decoder, contexts, at, skipMap, tpgdon, white.data());
            }
            break;
        case 1: Jbig2DecodeTemplate<1>(*this, decoder, contexts, at, skipMap, tpgdon, white.data()); break;
        case 2: Jbig2DecodeTemplate<2>(*this, decoder, contexts, at, skipMap, tpgdon, white.data()); break;
        default: Jbig2DecodeTemplate<3>(*this, decoder, contexts, at, skipMap, tpgdon, white.data()); break;
    }
}

void TJBIG2Bitmap::RefinementDecode(std::int32_t grTemplate, bool typicalPrediction, const TJBIG2AtPixels& at,
                                    std::int32_t dy, std::int32_t dx, const TJBIG2Bitmap& reference) {
    if (width_ == 0 || height_ == 0) return;
    TArithmeticDecoder& decoder = *arithmeticDecoder_;
    std::uint8_t* contexts = decoder.RefinementRegionStats().Data();
    const std::uint32_t sltpContext = grTemplate == 0 ? kJbig2RefinementSltp[0] : kJbig2RefinementSltp[1];
    std::int32_t ltp = 0;
    for (std::int32_t y = 0; y < height_; ++y) {
        // Rows past the data (the decoder fed 1-bits well beyond it) stay white.
        if (decoder.IsExhausted()) break;
        if (typicalPrediction) ltp ^= decoder.DecodeBit(contexts, sltpContext);
        const std::int64_t ry = std::int64_t{y} - dy;
        for (std::int32_t x = 0; x < width_; ++x) {
            const std::int64_t rx = std::int64_t{x} - dx;
            auto ref = [&](std::int64_t i, std::int64_t j) -> std::uint32_t { return reference.PixelOrZero(rx + i, ry + j); };
            auto own = [&](std::int64_t i, std::int64_t j) -> std::uint32_t { return PixelOrZero(x + i, std::int64_t{y} + j); };
            if (ltp) {
                std::uint32_t sum = 0;
                for (int j = -1; j <= 1; ++j) {
                    for (int i = -1; i <= 1; ++i) sum += ref(i, j);
                }
                if (sum == 0 || sum == 9) {
                    Row(y)[x] = static_cast<std::uint8_t>(sum == 9);
                    continue;
                }
            }
            std::uint32_t context;
            if (grTemplate == 0) {
                context = own(0, -1) << 12 | own(1, -1) << 11 | own(-1, 0) << 10 | ref(0, -1) << 9 | ref(1, -1) << 8 |
                          ref(-1, 0) << 7 | ref(0, 0) << 6 | ref(1, 0) << 5 | ref(-1, 1) << 4 | ref(0, 1) << 3 |
                          ref(1, 1) << 2 | own(at.X[0], at.Y[0]) << 1 | ref(at.X[1], at.Y[1]);
            } else {
                context = own(-1, -1) << 9 | own(0, -1) << 8 | own(1, -1) << 7 | own(-1, 0) << 6 | ref(0, -1) << 5 |
                          ref(-1, 0) << 4 | ref(0, 0) << 3 | ref(1, 0) << 2 | ref(0, 1) << 1 | ref(1, 1);
            }
            Row(y)[x] = static_cast<std::uint8_t>(decoder.DecodeBit(contexts, context));
        }
    }
}

// ---- segments

void TGenericRegionFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {{"MMR", 0, 1}, {"GB_TEMPLATE", 1, 2}, {"TPGDON", 3, 1}};
    SplitFields(flagsValue, kFields, std::size(kFields));
}

void TRefinementRegionFlags::SetFlags(std::int32_t flagsValue) {
    static constexpr Field kFields[] = {{"GR_TEMPLATE", 0, 1}, {"TPGDON", 1, 1}};
    SplitFields(flagsValue, kFields, std::size(kFields));
}

std::size_t Jbig2ScanCodedLength(const std::uint8_t* data, std::size_t size, std::size_t position, std::uint8_t first,
                                 std::uint8_t second, bool& markerFound) {
    markerFound = false;
    std::size_t at = position;
    while (at < size) {
        if (data[at] != first) {
            ++at;
            continue;
        }
        if (at + 1 < size && data[at + 1] == second) {
            markerFound = true;
            return at - position;
        }
        at += 2;
    }
    return size - position;
}

void TGenericRegionSegment::ReadSegment() {
    TRegionSegment::ReadSegment();
    TStreamReader& reader = decoder_.Reader();
    flags_.SetFlags(reader.ReadByte());
    const bool mmr = flags_.GetFlagValue("MMR") != 0;
    const std::int32_t gbTemplate = flags_.GetFlagValue("GB_TEMPLATE");
    const bool tpgdon = flags_.GetFlagValue("TPGDON") != 0;
    TJBIG2AtPixels at;
    if (!mmr) {
        const int pairs = gbTemplate == 0 ? 4 : 1;
        for (int i = 0; i < pairs; ++i) {
            at.X[i] = ReadSignedByte();
            at.Y[i] = ReadSignedByte();
        }
        arithmeticDecoder_->ResetGenericStats(gbTemplate, nullptr);
    }
    const std::size_t codedStart = reader.Position();
    const bool unknownLength = header_->DataLength == -1;
    std::size_t codedLength;
    if (unknownLength) {
        bool markerFound = false;
        codedLength = Jbig2ScanCodedLength(reader.Data(), reader.Size(), codedStart, mmr ? 0x00 : 0xFF,
                                           mmr ? 0x00 : 0xAC, markerFound);
        reader.SetLimit(codedStart + codedLength);
    } else {
        codedLength = reader.Remaining();
    }
    if (!mmr) arithmeticDecoder_->InitDecode();
    TJBIG2Bitmap* region = CreateBitmap(regionWidth_, regionHeight_);
    region->GenericDecode(mmr, gbTemplate, static_cast<std::int64_t>(codedLength), at, nullptr, false, tpgdon);
    if (immediate_) GrowPageToRegion();
    PlaceRegion(*region);
    if (unknownLength) {
        // Past the coded data, its end marker and the row count that follows it.
        reader.SetLimit(reader.Size());
        reader.SetPosition(codedStart + codedLength + 2 + 4);
    }
}

void TRefinementRegionSegment::ReadSegment() {
    TRegionSegment::ReadSegment();
    TStreamReader& reader = decoder_.Reader();
    flags_.SetFlags(reader.ReadByte());
    const std::int32_t grTemplate = flags_.GetFlagValue("GR_TEMPLATE");
    const bool typicalPrediction = flags_.GetFlagValue("TPGDON") != 0;
    TJBIG2AtPixels at;
    if (grTemplate == 0) {
        at.X[0] = ReadSignedByte();
        at.Y[0] = ReadSignedByte();
        at.X[1] = ReadSignedByte();
        at.Y[1] = ReadSignedByte();
    }
    const std::int32_t referredCount = header_->ReferredToSegmentCount;
    if (immediate_ || referredCount == 0) GrowPageToRegion();
    const TJBIG2Bitmap* reference = nullptr;
    if (referredCount == 1) {
        // Only an intermediate region's stored result can be refined.
        reference = decoder_.FindBitmap(static_cast<std::uint32_t>(header_->ReferredToSegments[0]));
        if (reference == nullptr) throw EJBIG2Damage("refinement of a segment that is no intermediate region");
    } else if (referredCount == 0) {
        TPageInformationSegment* page = decoder_.FindPageSegment(header_->PageAssociation);
        if (page == nullptr || page->PageBitmap() == nullptr) throw EJBIG2Damage("refinement of a missing page");
        reference = page->PageBitmap()->Extract(regionX_, regionY_, regionWidth_, regionHeight_);
    } else {
        return;
    }
    arithmeticDecoder_->ResetRefinementStats(grTemplate, nullptr);
    arithmeticDecoder_->InitDecode();
    TJBIG2Bitmap* region = CreateBitmap(regionWidth_, regionHeight_);
    region->RefinementDecode(grTemplate, typicalPrediction, at, 0, 0, *reference);
    PlaceRegion(*region);
}

}  // namespace parch
