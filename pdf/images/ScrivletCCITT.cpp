#include "pdf/images/ScrivletCCITT.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <utility>

#include "base/Exceptions.h"
#include "pdf/images/ScrivletImageLimits.h"

namespace parch {

namespace {

// A fault in the coded data; each decode turns it into its own answer.
struct CCITTDataError {
    const char* message;
};

constexpr const char* kInvalidCode = "Invalid code encountered.";
constexpr const char* kInvalid2DGroup3 = "Invalid code encountered while decoding 2D group 3 compressed data.";
constexpr const char* kInvalid2DGroup4 = "Invalid code encountered while decoding 2D group 4 compressed data.";
constexpr const char* kEOLInWhite = "EOL code word encountered in White run.";
constexpr const char* kEOLInBlack = "EOL code word encountered in Black run.";
constexpr const char* kNoEOL = "Scanline must begin with EOL code word.";
constexpr const char* kFirstRow2D = "First scanline must be 1D encoded.";
constexpr const char* kTooManyChanges = "Too many changing elements in a row.";
constexpr const char* kBadRun = "Run outside the row.";

// --- Code tables (ITU-T T.4) ----------------------------------------------------------------

struct RunCode {
    std::int32_t run;
    std::string_view bits;
};

constexpr RunCode kWhiteCodes[] = {
    {0, "00110101"}, {1, "000111"}, {2, "0111"}, {3, "1000"}, {4, "1011"}, {5, "1100"}, {6, "1110"},
    {7, "1111"}, {8, "10011"}, {9, "10100"}, {10, "00111"}, {11, "01000"}, {12, "001000"}, {13, "000011"},
    {14, "110100"}, {15, "110101"}, {16, "101010"}, {17, "101011"}, {18, "0100111"}, {19, "0001100"},
    {20, "0001000"}, {21, "0010111"}, {22, "0000011"}, {23, "0000100"}, {24, "0101000"}, {25, "0101011"},
    {26, "0010011"}, {27, "0100100"}, {28, "0011000"}, {29, "00000010"}, {30, "00000011"}, {31, "00011010"},
    {32, "00011011"}, {33, "00010010"}, {34, "00010011"}, {35, "00010100"}, {36, "00010101"},
    {37, "00010110"}, {38, "00010111"}, {39, "00101000"}, {40, "00101001"}, {41, "00101010"},
    {42, "00101011"}, {43, "00101100"}, {44, "00101101"}, {45, "00000100"}, {46, "00000101"},
    {47, "00001010"}, {48, "00001011"}, {49, "01010010"}, {50, "01010011"}, {51, "01010100"},
    {52, "01010101"}, {53, "00100100"}, {54, "00100101"}, {55, "01011000"}, {56, "01011001"},
    {57, "01011010"}, {58, "01011011"}, {59, "01001010"}, {60, "01001011"}, {61, "00110010"},
    {62, "00110011"}, {63, "00110100"},
    {64, "11011"}, {128, "10010"}, {192, "010111"}, {256, "0110111"}, {320, "00110110"}, {384, "00110111"},
    {448, "01100100"}, {512, "01100101"}, {576, "01101000"}, {640, "01100111"}, {704, "011001100"},
    {768, "011001101"}, {832, "011010010"}, {896, "011010011"}, {960, "011010100"}, {1024, "011010101"},
    {1088, "011010110"}, {1152, "011010111"}, {1216, "011011000"}, {1280, "011011001"},
    {1344, "011011010"}, {1408, "011011011"}, {1472, "010011000"}, {1536, "010011001"},
    {1600, "010011010"}, {1664, "011000"}, {1728, "010011011"},
};

constexpr RunCode kBlackCodes[] = {
    {0, "0000110111"}, {1, "010"}, {2, "11"}, {3, "10"}, {4, "011"}, {5, "0011"}, {6, "0010"}, {7, "00011"},
    {8, "000101"}, {9, "000100"}, {10, "0000100"}, {11, "0000101"}, {12, "0000111"}, {13, "00000100"},
    {14, "00000111"}, {15, "000011000"}, {16, "0000010111"}, {17, "0000011000"}, {18, "0000001000"},
    {19, "00001100111"}, {20, "00001101000"}, {21, "00001101100"}, {22, "00000110111"},
    {23, "00000101000"}, {24, "00000010111"}, {25, "00000011000"}, {26, "000011001010"},
    {27, "000011001011"}, {28, "000011001100"}, {29, "000011001101"}, {30, "000001101000"},
    {31, "000001101001"}, {32, "000001101010"}, {33, "000001101011"}, {34, "000011010010"},
    {35, "000011010011"}, {36, "000011010100"}, {37, "000011010101"}, {38, "000011010110"},
    {39, "000011010111"}, {40, "000001101100"}, {41, "000001101101"}, {42, "000011011010"},
    {43, "000011011011"}, {44, "000001010100"}, {45, "000001010101"}, {46, "000001010110"},
    {47, "000001010111"}, {48, "000001100100"}, {49, "000001100101"}, {50, "000001010010"},
    {51, "000001010011"}, {52, "000000100100"}, {53, "000000110111"}, {54, "000000111000"},
    {55, "000000100111"}, {56, "000000101000"}, {57, "000001011000"}, {58, "000001011001"},
    {59, "000000101011"}, {60, "000000101100"}, {61, "000001011010"}, {62, "000001100110"},
    {63, "000001100111"},
    {64, "0000001111"}, {128, "000011001000"}, {192, "000011001001"}, {256, "000001011011"},
    {320, "000000110011"}, {384, "000000110100"}, {448, "000000110101"}, {512, "0000001101100"},
    {576, "0000001101101"}, {640, "0000001001010"}, {704, "0000001001011"}, {768, "0000001001100"},
    {832, "0000001001101"}, {896, "0000001110010"}, {960, "0000001110011"}, {1024, "0000001110100"},
    {1088, "0000001110101"}, {1152, "0000001110110"}, {1216, "0000001110111"}, {1280, "0000001010010"},
    {1344, "0000001010011"}, {1408, "0000001010100"}, {1472, "0000001010101"}, {1536, "0000001011010"},
    {1600, "0000001011011"}, {1664, "0000001100100"}, {1728, "0000001100101"},
};

// Make-up codes beyond 1728, the same for both colours.
constexpr RunCode kExtendedMakeUpCodes[] = {
    {1792, "00000001000"}, {1856, "00000001100"}, {1920, "00000001101"}, {1984, "000000010010"},
    {2048, "000000010011"}, {2112, "000000010100"}, {2176, "000000010101"}, {2240, "000000010110"},
    {2304, "000000010111"}, {2368, "000000011100"}, {2432, "000000011101"}, {2496, "000000011110"},
    {2560, "000000011111"},
};

constexpr std::string_view kEOLCode = "000000000001";

enum class RunKind : std::uint8_t { Invalid, Terminating, MakeUp, EndOfLine };

struct RunEntry {
    std::uint16_t run = 0;
    std::uint8_t bits = 0;
    RunKind kind = RunKind::Invalid;
};

// Run codes are at most 13 bits long: the next 13 bits index the table directly.
constexpr int kRunLookupBits = 13;
using RunTable = std::array<RunEntry, 1u << kRunLookupBits>;

void AddCode(RunTable& table, std::string_view bits, RunEntry entry) {
    std::uint32_t prefix = 0;
    for (char bit : bits) prefix = prefix << 1 | static_cast<std::uint32_t>(bit == '1');
    entry.bits = static_cast<std::uint8_t>(bits.size());
    const int free = kRunLookupBits - static_cast<int>(bits.size());
    for (std::uint32_t tail = 0; tail < (1u << free); ++tail) table[prefix << free | tail] = entry;
}

RunTable BuildRunTable(const RunCode* codes, std::size_t count) {
    RunTable table{};
    for (std::size_t i = 0; i < count; ++i) {
        const RunKind kind = codes[i].run < 64 ? RunKind::Terminating : RunKind::MakeUp;
        AddCode(table, codes[i].bits, RunEntry{static_cast<std::uint16_t>(codes[i].run), 0, kind});
    }
    for (const RunCode& code : kExtendedMakeUpCodes) {
        AddCode(table, code.bits, RunEntry{static_cast<std::uint16_t>(code.run), 0, RunKind::MakeUp});
    }
    AddCode(table, kEOLCode, RunEntry{0, 0, RunKind::EndOfLine});
    return table;
}

const RunTable& WhiteTable() {
    static const RunTable table = BuildRunTable(kWhiteCodes, std::size(kWhiteCodes));
    return table;
}
const RunTable& BlackTable() {
    static const RunTable table = BuildRunTable(kBlackCodes, std::size(kBlackCodes));
    return table;
}

// Two-dimensional mode codes, at most 7 bits (the extension code's prefix).
enum class Mode : std::uint8_t { Invalid, Pass, Horizontal, Vertical, Extension };

struct ModeEntry {
    Mode mode = Mode::Invalid;
    std::uint8_t bits = 0;
    std::int8_t offset = 0;  // vertical modes: a1 - b1
};

constexpr int kModeLookupBits = 7;
using ModeTable = std::array<ModeEntry, 1u << kModeLookupBits>;

const ModeTable& Modes() {
    static const ModeTable table = [] {
        ModeTable built{};
        const auto add = [&built](std::string_view bits, Mode mode, int offset) {
            std::uint32_t prefix = 0;
            for (char bit : bits) prefix = prefix << 1 | static_cast<std::uint32_t>(bit == '1');
            const int free = kModeLookupBits - static_cast<int>(bits.size());
            for (std::uint32_t tail = 0; tail < (1u << free); ++tail) {
                built[prefix << free | tail] = ModeEntry{mode, static_cast<std::uint8_t>(bits.size()),
                                                         static_cast<std::int8_t>(offset)};
            }
        };
        add("1", Mode::Vertical, 0);
        add("011", Mode::Vertical, 1);
        add("010", Mode::Vertical, -1);
        add("000011", Mode::Vertical, 2);
        add("000010", Mode::Vertical, -2);
        add("0000011", Mode::Vertical, 3);
        add("0000010", Mode::Vertical, -3);
        add("001", Mode::Horizontal, 0);
        add("0001", Mode::Pass, 0);
        add("0000001", Mode::Extension, 0);
        return built;
    }();
    return table;
}

// Sets pixels [from, to) of a packed row to 1.
void PaintBlack(std::uint8_t* row, std::int64_t from, std::int64_t to) {
    if (from >= to) return;
    std::int64_t first = from >> 3;
    const std::int64_t last = (to - 1) >> 3;
    const auto head = static_cast<std::uint8_t>(0xFFu >> (from & 7));
    const auto tail = static_cast<std::uint8_t>(0xFF00u >> (((to - 1) & 7) + 1));
    if (first == last) {
        row[first] |= head & tail;
        return;
    }
    row[first++] |= head;
    if (last > first) std::memset(row + first, 0xFF, static_cast<std::size_t>(last - first));
    row[last] |= tail;
}

std::uint8_t ReverseBits(std::uint8_t value) {
    value = static_cast<std::uint8_t>((value & 0xF0) >> 4 | (value & 0x0F) << 4);
    value = static_cast<std::uint8_t>((value & 0xCC) >> 2 | (value & 0x33) << 2);
    return static_cast<std::uint8_t>((value & 0xAA) >> 1 | (value & 0x55) << 1);
}

}  // namespace

// Reads the input most significant bit first; bytes past its end read as 0.
class TSVLCCITTDecoder::BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size), end_(std::uint64_t{size} * 8) {}

    // The next n bits (n at most 25) without consuming them.
    std::uint32_t Peek(int n) const {
        const std::uint64_t byte = position_ >> 3;
        std::uint32_t word;
        if (byte + 4 <= size_) {
            const std::uint8_t* p = data_ + byte;
            word = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
        } else {
            word = 0;
            for (std::uint64_t i = byte; i < byte + 4; ++i) word = word << 8 | (i < size_ ? data_[i] : 0u);
        }
        return (word << (position_ & 7)) >> (32 - n);
    }
    void Skip(int n) { position_ += static_cast<std::uint64_t>(n); }
    std::uint32_t Read(int n) {
        const std::uint32_t value = Peek(n);
        Skip(n);
        return value;
    }
    void AlignToByte() { position_ = (position_ + 7) & ~std::uint64_t{7}; }
    bool AtEnd() const { return position_ >= end_; }
    // Far enough past the end that only invented zero bits were read.
    void CheckNotOverrun() const {
        if (position_ > end_ + 32) throw CCITTDataError{"Data ended inside a row."};
    }

    // Consumes an end-of-line code, with any zero fill bits before it; false, with nothing
    // consumed, when the bits here are not one. Only a real code counts: the extended make-up
    // codes also start with seven zeros.
    bool SkipEndOfLine() {
        std::uint64_t zeros = 0;
        const std::uint64_t start = position_;
        while (position_ < end_) {
            const std::uint32_t next = Peek(24);
            if (next != 0) {
                const int leading = __builtin_clz(next) - 8;
                zeros += static_cast<std::uint64_t>(leading);
                position_ += static_cast<std::uint64_t>(leading);
                if (zeros >= 11) {
                    Skip(1);
                    return true;
                }
                break;
            }
            zeros += 24;
            position_ += 24;
        }
        position_ = start;
        return false;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t end_;
    std::uint64_t position_ = 0;
};

// The changing elements of the reference line and of the line being decoded. Each list holds
// at most `columns` positions inside the row, followed by sentinels equal to columns, so the
// b1/b2 search always stops without bounds checks.
struct TSVLCCITTDecoder::Lines {
    static constexpr std::size_t kSentinels = 4;

    explicit Lines(std::int32_t columns)
        : columns(columns),
          reference(static_cast<std::size_t>(columns) + kSentinels, columns),
          current(static_cast<std::size_t>(columns) + kSentinels, columns) {}

    void Record(std::int64_t position) {
        if (position >= columns) return;
        if (count == static_cast<std::size_t>(columns)) throw CCITTDataError{kTooManyChanges};
        current[count++] = static_cast<std::int32_t>(position);
    }
    // The decoded line becomes the reference of the next one.
    void Advance() {
        std::fill_n(current.begin() + static_cast<std::ptrdiff_t>(count), kSentinels, columns);
        std::swap(reference, current);
        count = 0;
    }

    std::int32_t columns;
    TCCITTIntegerArray reference;
    TCCITTIntegerArray current;
    std::size_t count = 0;
};

namespace {

constexpr std::int64_t kEndOfLineRun = -1;

// The length of a run of one colour: make-up codes, then a terminating code. kEndOfLineRun,
// with the code left unread, when an end-of-line code stands where the run starts.
template <typename Reader>
std::int64_t ReadRun(Reader& reader, const RunTable& table) {
    std::int64_t length = 0;
    bool started = false;
    for (;;) {
        const RunEntry& entry = table[reader.Peek(kRunLookupBits)];
        switch (entry.kind) {
        case RunKind::Terminating:
            reader.Skip(entry.bits);
            return length + entry.run;
        case RunKind::MakeUp:
            reader.Skip(entry.bits);
            length += entry.run;
            started = true;
            reader.CheckNotOverrun();
            break;
        case RunKind::EndOfLine:
            if (started) throw CCITTDataError{kInvalidCode};
            return kEndOfLineRun;
        case RunKind::Invalid:
            throw CCITTDataError{kInvalidCode};
        }
    }
}

}  // namespace

TSVLCCITTDecoder::TSVLCCITTDecoder(std::int32_t columns, bool fillBits, bool byteAlign, std::int32_t bitOrder,
                                   std::int32_t rows)
    : columns_(columns), rows_(std::max(0, rows)), byteAlign_(byteAlign), bitOrder_(bitOrder) {
    // Fill bits before end-of-line codes are zeros, which the end-of-line search passes over
    // whether or not they were announced.
    static_cast<void>(fillBits);
    if (bitOrder != 1 && bitOrder != 2) throw EInvalidOperation("tag must be either 1 or 2.");
    if (columns < 1 || columns > kMaxImagePixels) throw EInvalidOperation("Invalid number of columns.");
}

void TSVLCCITTDecoder::Prepare(TCCITTByteArray& output, const TCCITTByteArray& input) {
    rowsDecoded_ = 0;
    rowsToDecode_ = static_cast<std::int32_t>(std::min<std::int64_t>(rows_, static_cast<std::int64_t>(output.size()) / RowBytes()));
    if (bitOrder_ == 2) {
        reversed_.resize(input.size());
        std::transform(input.begin(), input.end(), reversed_.begin(), ReverseBits);
    }
}

// Moves to the start of the next row's data: past an end-of-line code, or to the next byte
// boundary when rows are byte-aligned (fill bits before an end-of-line code are zeros, so
// either order of the two ends on the row's first bit). True when an end-of-line code was met.
bool TSVLCCITTDecoder::StartRow(BitReader& reader) const {
    if (reader.SkipEndOfLine()) return true;
    if (!byteAlign_) return false;
    reader.AlignToByte();
    return reader.SkipEndOfLine();
}

void TSVLCCITTDecoder::DecodeOneDRow(BitReader& reader, Lines& lines, std::uint8_t* row) const {
    std::int64_t a0 = 0;
    bool black = false;
    const RunTable& whiteCodes = WhiteTable();
    const RunTable& blackCodes = BlackTable();
    while (a0 < columns_) {
        const std::int64_t run = ReadRun(reader, black ? blackCodes : whiteCodes);
        if (run == kEndOfLineRun) break;  // a short row; the next row's start consumes the code
        const std::int64_t a1 = std::min<std::int64_t>(a0 + run, columns_);
        if (black) PaintBlack(row, a0, a1);
        lines.Record(a1);
        a0 = a1;
        black = !black;
    }
}

void TSVLCCITTDecoder::DecodeTwoDRow(BitReader& reader, Lines& lines, std::uint8_t* row, bool group4) const {
    const std::int32_t* reference = lines.reference.data();
    std::int64_t a0 = -1;  // before the first pixel
    bool black = false;
    std::size_t b1Index = 0;
    // b1: the first change on the reference line right of a0 towards the other colour (even
    // indexes turn white to black); b2 the change after it.
    const auto findB1 = [&]() {
        std::size_t i = b1Index > 0 ? b1Index - 1 : 0;
        if ((i & 1) != static_cast<std::size_t>(black)) ++i;
        while (reference[i] <= a0) i += 2;
        b1Index = i;
        return i;
    };
    const auto start = [&a0] { return std::max<std::int64_t>(a0, 0); };
    const ModeTable& modes = Modes();
    const RunTable& whiteCodes = WhiteTable();
    const RunTable& blackCodes = BlackTable();

    while (a0 < columns_) {
        reader.CheckNotOverrun();
        const ModeEntry& entry = modes[reader.Peek(kModeLookupBits)];
        switch (entry.mode) {
        case Mode::Pass: {
            reader.Skip(entry.bits);
            const std::size_t i = findB1();
            const std::int64_t b2 = reference[i + 1];
            if (black) PaintBlack(row, start(), b2);
            a0 = b2;
            break;
        }
        case Mode::Horizontal: {
            reader.Skip(entry.bits);
            const std::int64_t first = ReadRun(reader, black ? blackCodes : whiteCodes);
            if (first == kEndOfLineRun) throw CCITTDataError{black ? kEOLInBlack : kEOLInWhite};
            const std::int64_t second = ReadRun(reader, black ? whiteCodes : blackCodes);
            if (second == kEndOfLineRun) throw CCITTDataError{black ? kEOLInWhite : kEOLInBlack};
            const std::int64_t a1 = std::min<std::int64_t>(start() + first, columns_);
            const std::int64_t a2 = std::min<std::int64_t>(a1 + second, columns_);
            PaintBlack(row, black ? start() : a1, black ? a1 : a2);
            lines.Record(a1);
            lines.Record(a2);
            a0 = a2;
            break;
        }
        case Mode::Vertical: {
            reader.Skip(entry.bits);
            const std::int64_t a1 = reference[findB1()] + entry.offset;
            if (a1 < start() || a1 > columns_) throw CCITTDataError{kBadRun};
            if (black) PaintBlack(row, start(), a1);
            lines.Record(a1);
            a0 = a1;
            black = !black;
            break;
        }
        case Mode::Extension: {
            if (!group4 || reader.Peek(10) != 0x0F) throw CCITTDataError{group4 ? kInvalid2DGroup4 : kInvalid2DGroup3};
            reader.Skip(10);
            // Uncompressed mode: each code is a count of zeros ended by a one.
            std::int64_t position = start();
            bool pixelBlack = black;
            const auto emit = [&](std::int64_t whites, bool oneBlack) {
                if (whites > 0) {
                    if (pixelBlack) lines.Record(position);
                    pixelBlack = false;
                    position = std::min<std::int64_t>(position + whites, columns_);
                }
                if (oneBlack && position < columns_) {
                    if (!pixelBlack) lines.Record(position);
                    pixelBlack = true;
                    PaintBlack(row, position, position + 1);
                    ++position;
                }
            };
            for (;;) {
                int zeros = 0;
                while (zeros <= 10 && reader.Read(1) == 0) ++zeros;
                if (zeros > 10) throw CCITTDataError{kInvalid2DGroup4};
                if (zeros < 5) {
                    emit(zeros, true);
                } else if (zeros == 5) {
                    emit(5, false);
                } else {
                    emit(zeros - 6, false);
                    const bool nextBlack = reader.Read(1) == 1;
                    if (nextBlack != pixelBlack) lines.Record(position);
                    black = nextBlack;
                    break;
                }
            }
            a0 = position;
            break;
        }
        case Mode::Invalid:
            throw CCITTDataError{group4 ? kInvalid2DGroup4 : kInvalid2DGroup3};
        }
    }
}

void TSVLCCITTDecoder::DecodeG3OneD(TCCITTByteArray& output, const TCCITTByteArray& input) {
    Prepare(output, input);
    const TCCITTByteArray& data = bitOrder_ == 2 ? reversed_ : input;
    BitReader reader(data.data(), data.size());
    Lines lines(columns_);
    try {
        for (std::int32_t y = 0; y < rowsToDecode_; ++y) {
            StartRow(reader);
            if (reader.AtEnd()) break;
            DecodeOneDRow(reader, lines, output.data() + y * RowBytes());
            lines.Advance();
            ++rowsDecoded_;
        }
    } catch (const CCITTDataError&) {
        // Damaged one-dimensional data keeps the rows before the damage.
    }
}

void TSVLCCITTDecoder::DecodeG3TwoD(TCCITTByteArray& output, const TCCITTByteArray& input) {
    Prepare(output, input);
    const TCCITTByteArray& data = bitOrder_ == 2 ? reversed_ : input;
    BitReader reader(data.data(), data.size());
    Lines lines(columns_);
    try {
        for (std::int32_t y = 0; y < rowsToDecode_; ++y) {
            const bool endOfLine = StartRow(reader);
            if (reader.AtEnd()) break;
            if (endOfLine_ && !endOfLine) throw CCITTDataError{kNoEOL};
            const bool oneDimensional = reader.Read(1) == 1;
            if (y == 0 && !oneDimensional) throw CCITTDataError{kFirstRow2D};
            std::uint8_t* row = output.data() + y * RowBytes();
            if (oneDimensional) DecodeOneDRow(reader, lines, row);
            else DecodeTwoDRow(reader, lines, row, false);
            lines.Advance();
            ++rowsDecoded_;
        }
    } catch (const CCITTDataError& error) {
        throw EInvalidOperation(error.message);
    }
}

bool TSVLCCITTDecoder::DecodeG4(TCCITTByteArray& output, const TCCITTByteArray& input) {
    Prepare(output, input);
    const TCCITTByteArray& data = bitOrder_ == 2 ? reversed_ : input;
    BitReader reader(data.data(), data.size());
    Lines lines(columns_);  // the reference line starts all white
    try {
        for (std::int32_t y = 0; y < rowsToDecode_; ++y) {
            if (byteAlign_) reader.AlignToByte();
            if (reader.AtEnd()) return false;
            DecodeTwoDRow(reader, lines, output.data() + y * RowBytes(), true);
            lines.Advance();
            ++rowsDecoded_;
        }
    } catch (const CCITTDataError&) {
        return false;
    }
    return rowsDecoded_ == rows_;
}

}  // namespace parch
