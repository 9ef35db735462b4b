#include "pdf/core/ScrivletFilters.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/Streams.h"

namespace parch {

namespace {

[[noreturn]] void ThrowTooLarge() { throw EPDFDamagedData("Decoded stream data exceeds the size limit"); }

void CheckLimit(std::size_t size, std::size_t limit) {
    if (size > limit) ThrowTooLarge();
}

// No deflate data expand beyond this: an expected size above it is not believed.
constexpr std::size_t kMaxDeflateRatio = 1032;

std::uint8_t Byte(std::string_view data, std::size_t index) { return static_cast<std::uint8_t>(data[index]); }

// --- Flate -------------------------------------------------------------------------------------

class Inflater {
public:
    Inflater() { ok_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater() {
        if (ok_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    std::string Run(std::string_view data, std::size_t limit, std::size_t expectedSize) {
        if (!ok_) return {};
        std::string out;
        std::size_t produced = 0;
        std::size_t inputLeft = data.size();
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        // One byte beyond the limit tells a stream that reaches the limit from one that breaks it.
        const std::size_t window = limit == SIZE_MAX ? limit : limit + 1;
        for (;;) {
            if (stream_.avail_in == 0 && inputLeft > 0) {
                stream_.avail_in = static_cast<uInt>(std::min<std::size_t>(inputLeft, UINT_MAX));
                inputLeft -= stream_.avail_in;
            }
            if (produced == out.size()) {
                if (out.size() >= window) ThrowTooLarge();
                // Flate data commonly expands three- to tenfold; a size the caller expects is
                // taken when the data could inflate to it, so that one buffer is made once.
                const std::size_t guess = (data.size() * 4 + 255) / 256 * 256;
                const std::size_t expected = std::min(expectedSize, data.size() * kMaxDeflateRatio) + 1;
                const std::size_t start = out.empty() ? std::max(guess, expected) : 0;
                out.resize(std::min(window, std::max(start, out.size() * 2)));
            }
            const std::size_t room = std::min<std::size_t>(out.size() - produced, UINT_MAX);
            stream_.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
            stream_.avail_out = static_cast<uInt>(room);
            const int result = inflate(&stream_, Z_NO_FLUSH);
            produced += room - stream_.avail_out;
            if (result == Z_STREAM_ERROR || result == Z_MEM_ERROR) return {};
            // Stream end, damage, a preset dictionary we do not have: keep what was decoded.
            if (result == Z_STREAM_END || result == Z_DATA_ERROR || result == Z_NEED_DICT) break;
            if (result == Z_BUF_ERROR && stream_.avail_out > 0) break;
            // Input used up before the stream end: a cut stream.
            if (stream_.avail_in == 0 && inputLeft == 0 && stream_.avail_out > 0) break;
        }
        CheckLimit(produced, limit);
        out.resize(produced);
        return out;
    }

private:
    z_stream stream_{};
    bool ok_ = false;
};

// --- Predictors --------------------------------------------------------------------------------

struct PixelLayout {
    std::size_t BytesPerPixel;
    std::size_t RowLength;
};

// Bits beyond which a row could not fit any data we hold.
constexpr std::int64_t kMaxRowBits = std::int64_t{1} << 40;

bool LayoutOf(const TPDFPredictorParms& parms, PixelLayout& layout) {
    if (parms.Colors < 1 || parms.Columns < 1 || parms.BitsPerComponent < 1 || parms.BitsPerComponent > 16)
        return false;
    const std::int64_t bitsPerPixel = std::int64_t{parms.Colors} * parms.BitsPerComponent;
    if (parms.Columns > kMaxRowBits / bitsPerPixel) return false;
    const std::int64_t rowBits = bitsPerPixel * parms.Columns;
    layout.BytesPerPixel = static_cast<std::size_t>((bitsPerPixel + 7) / 8);
    layout.RowLength = static_cast<std::size_t>((rowBits + 7) / 8);
    return true;
}

// The component at `index` of a row of packed components of `bits` bits, most significant first.
unsigned ReadComponent(const std::uint8_t* row, std::size_t index, int bits) {
    std::size_t bit = index * static_cast<std::size_t>(bits);
    unsigned value = 0;
    for (int i = 0; i < bits; ++i, ++bit) value = (value << 1) | ((row[bit / 8] >> (7 - bit % 8)) & 1u);
    return value;
}

void WriteComponent(std::uint8_t* row, std::size_t index, int bits, unsigned value) {
    std::size_t bit = index * static_cast<std::size_t>(bits) + static_cast<std::size_t>(bits) - 1;
    for (int i = 0; i < bits; ++i, --bit, value >>= 1) {
        const auto mask = static_cast<std::uint8_t>(1u << (7 - bit % 8));
        row[bit / 8] = static_cast<std::uint8_t>((value & 1u) ? (row[bit / 8] | mask) : (row[bit / 8] & ~mask));
    }
}

// TIFF predictor 2: each component is the difference to the same component of the pixel to
// its left, modulo its own size.
void UndoTiffRow(std::uint8_t* row, const TPDFPredictorParms& parms, const PixelLayout& layout) {
    const std::size_t colors = static_cast<std::size_t>(parms.Colors);
    const int bits = parms.BitsPerComponent;
    if (bits == 8) {
        for (std::size_t i = colors; i < layout.RowLength; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + row[i - colors]);
        return;
    }
    const std::size_t components = colors * static_cast<std::size_t>(parms.Columns);
    if (bits == 16) {
        for (std::size_t i = colors; i < components; ++i) {
            const unsigned left = (unsigned{row[2 * (i - colors)]} << 8) | row[2 * (i - colors) + 1];
            const unsigned value = ((unsigned{row[2 * i]} << 8) | row[2 * i + 1]) + left;
            row[2 * i] = static_cast<std::uint8_t>(value >> 8);
            row[2 * i + 1] = static_cast<std::uint8_t>(value);
        }
        return;
    }
    const unsigned mask = (1u << bits) - 1;
    for (std::size_t i = colors; i < components; ++i)
        WriteComponent(row, i, bits, (ReadComponent(row, i, bits) + ReadComponent(row, i - colors, bits)) & mask);
}

std::uint8_t Paeth(int left, int above, int upperLeft) {
    const int estimate = left + above - upperLeft;
    const int toLeft = std::abs(estimate - left);
    const int toAbove = std::abs(estimate - above);
    const int toUpperLeft = std::abs(estimate - upperLeft);
    if (toLeft <= toAbove && toLeft <= toUpperLeft) return static_cast<std::uint8_t>(left);
    if (toAbove <= toUpperLeft) return static_cast<std::uint8_t>(above);
    return static_cast<std::uint8_t>(upperLeft);
}

// One PNG row in place; `above` is the decoded previous row, or nil for the first.
void UndoPngRow(std::uint8_t filterType, std::uint8_t* row, const std::uint8_t* above, const PixelLayout& layout) {
    const std::size_t bpp = layout.BytesPerPixel;
    const std::size_t length = layout.RowLength;
    switch (filterType) {
        case 1:
            for (std::size_t i = bpp; i < length; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
            break;
        case 2:
            if (above)
                for (std::size_t i = 0; i < length; ++i) row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < length; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0;
                const int up = above ? above[i] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + (left + up) / 2);
            }
            break;
        case 4:
            for (std::size_t i = 0; i < length; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0;
                const int up = above ? above[i] : 0;
                const int upperLeft = (above && i >= bpp) ? above[i - bpp] : 0;
                row[i] = static_cast<std::uint8_t>(row[i] + Paeth(left, up, upperLeft));
            }
            break;
        default:
            break;
    }
}

// --- ASCII85 -----------------------------------------------------------------------------------

constexpr std::uint64_t kMaxGroupValue = 0xFFFFFFFFull;

std::uint64_t GroupValue(const char* digits) {
    std::uint64_t value = 0;
    for (int i = 0; i < 5; ++i) value = value * 85 + static_cast<std::uint64_t>(static_cast<std::uint8_t>(digits[i]) - 33);
    return value;
}

void AppendGroup(std::string& out, std::uint64_t value, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) out += static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

// Encodes one group of 1 to 4 bytes (a short group padded with zeros).
void EncodeGroup(const std::uint8_t* bytes, std::size_t count, std::string& line) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | (i < count ? bytes[i] : 0);
    if (count == 4 && value == 0) {
        line += 'z';
        return;
    }
    char digits[5];
    for (int i = 4; i >= 0; --i, value /= 85) digits[i] = static_cast<char>('!' + value % 85);
    line.append(digits, count + 1);
}

class ASCII85Writer {
public:
    explicit ASCII85Writer(TStream& destination) : destination_(destination) {}

    void Group(const std::uint8_t* bytes, std::size_t count) {
        EncodeGroup(bytes, count, line_);
        if (line_.size() > 70) {
            line_ += "\r\n";
            Flush();
        }
    }
    void Finish() {
        line_ += "~>";
        Flush();
    }

private:
    void Flush() {
        destination_.WriteString(line_);
        line_.clear();
    }

    TStream& destination_;
    std::string line_;
};

// --- LZW ---------------------------------------------------------------------------------------

constexpr unsigned kLZWEndCode = 257;
constexpr unsigned kLZWFirstFree = 258;
constexpr unsigned kLZWTableSize = 4096;

class LZWReader {
public:
    LZWReader(std::string_view data, int bitOrder) : data_(data), mostSignificantFirst_(bitOrder != 0) {}

    // The next code, or the end code when fewer than `width` bits are left.
    unsigned Next(int width) {
        if (bit_ + static_cast<std::uint64_t>(width) > std::uint64_t{data_.size()} * 8) return kLZWEndCode;
        unsigned code = 0;
        for (int i = 0; i < width; ++i, ++bit_) {
            const std::uint8_t byte = Byte(data_, static_cast<std::size_t>(bit_ / 8));
            const int shift = static_cast<int>(bit_ % 8);
            if (mostSignificantFirst_)
                code = (code << 1) | ((byte >> (7 - shift)) & 1u);
            else
                code |= ((byte >> shift) & 1u) << i;
        }
        return code;
    }

private:
    std::string_view data_;
    bool mostSignificantFirst_;
    std::uint64_t bit_ = 0;
};

}  // namespace

// --- Public functions --------------------------------------------------------------------------

std::string FlateCompressStr(std::string_view data) {
    if (data.empty()) return {};
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

std::string FlateDecompressStr(std::string_view data, std::size_t limit, std::size_t expectedSize) {
    if (data.empty()) return {};
    return Inflater().Run(data, limit, expectedSize);
}

std::string FlateDecodePredicted(std::string_view data, const TPDFFlateParms& parms, std::size_t limit,
                                 std::size_t expectedSize) {
    std::string decoded = FlateDecompressStr(data, limit, expectedSize);
    UndoPredictorInPlace(decoded, parms);
    return decoded;
}

std::string UndoPredictor(std::string_view data, const TPDFPredictorParms& parms) {
    std::string out(data);
    UndoPredictorInPlace(out, parms);
    return out;
}

// Each row moves down over the filter bytes before it (a row never lands beyond its own
// source), so no second buffer is needed.
void UndoPredictorInPlace(std::string& data, const TPDFPredictorParms& parms) {
    PixelLayout layout{};
    if (parms.Predictor < 2 || !LayoutOf(parms, layout)) return;
    const bool png = parms.Predictor >= 10;
    const std::size_t stride = layout.RowLength + (png ? 1 : 0);
    const std::size_t rows = data.size() / stride;
    auto* bytes = reinterpret_cast<std::uint8_t*>(data.data());
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t filter = png ? bytes[r * stride] : 0;
        std::uint8_t* row = bytes + r * layout.RowLength;
        std::memmove(row, bytes + r * stride + (png ? 1 : 0), layout.RowLength);
        if (png)
            UndoPngRow(filter, row, r > 0 ? row - layout.RowLength : nullptr, layout);
        else if (parms.Predictor == 2)
            UndoTiffRow(row, parms, layout);
    }
    data.resize(rows * layout.RowLength);
}

std::string ASCII85DecodeStr(std::string_view data, std::size_t limit) {
    // Each "z" spells out a whole group: stop before the text alone outgrows the limit.
    const std::size_t maxText = limit / 4 * 5 + 16;
    std::string text;
    text.reserve(std::min(data.size(), maxText));
    for (char c : data) {
        if (text.size() > maxText) ThrowTooLarge();
        if (c == 'z')
            text += "!!!!!";
        else if ((c >= '!' && c <= 'u') || c == '~')
            text += c;
    }
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "~>") != 0) return {};
    text.resize(text.size() - 2);

    const std::size_t whole = text.size() / 5 * 5;
    const std::size_t rest = text.size() - whole;
    const std::size_t size = whole / 5 * 4 + (rest >= 2 ? rest - 1 : 0);
    CheckLimit(size, limit);
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < whole; i += 5) {
        const std::uint64_t value = GroupValue(text.data() + i);
        AppendGroup(out, value > kMaxGroupValue ? 0 : value, 4);
    }
    if (rest >= 2) {
        char group[5] = {'u', 'u', 'u', 'u', 'u'};
        std::memcpy(group, text.data() + whole, rest);
        const std::uint64_t value = GroupValue(group);
        AppendGroup(out, value >= kMaxGroupValue ? 0 : value, rest - 1);
    }
    return out;
}

void ASCII85EncodeStream(TStream& source, TStream& destination) {
    source.SetPosition(0);
    ASCII85Writer writer(destination);
    std::array<std::uint8_t, 4> group{};
    for (;;) {
        // A stream may hand over fewer bytes than asked before its end.
        std::size_t count = 0;
        while (count < group.size()) {
            const std::int64_t got = source.Read(group.data() + count, static_cast<std::int64_t>(group.size() - count));
            if (got <= 0) break;
            count += static_cast<std::size_t>(got);
        }
        if (count == 0) break;
        writer.Group(group.data(), count);
        if (count < group.size()) break;
    }
    writer.Finish();
}

std::string ASCII85EncodeStr(std::string_view data) {
    TStringStream source{std::string(data)};
    TStringStream destination;
    ASCII85EncodeStream(source, destination);
    return destination.DataString();
}

std::string RunLengthDecodeStr(std::string_view data, std::size_t limit) {
    std::string out;
    std::size_t i = 0;
    while (i < data.size()) {
        const std::uint8_t length = Byte(data, i++);
        if (length == 128) break;
        if (length < 128) {
            const std::size_t count = std::min<std::size_t>(length + 1u, data.size() - i);
            CheckLimit(out.size() + count, limit);
            out.append(data.substr(i, count));
            i += count;
        } else {
            if (i >= data.size()) break;
            const std::size_t count = 257u - length;
            CheckLimit(out.size() + count, limit);
            out.append(count, data[i++]);
        }
    }
    return out;
}

std::string TPDFLZWDecompressor::Decompress(std::string_view data) {
    const int startWidth = std::clamp(StartWidth, 9, 12);
    const unsigned resetCode = 1u << (startWidth - 1);
    int width = 0;
    unsigned widenAt = 0;
    unsigned nextEntry = 0;
    auto reset = [&] {
        width = startWidth;
        widenAt = (1u << width) - (EarlyChange ? 2 : 1);
    };
    reset();
    nextEntry = kLZWFirstFree;

    std::vector<std::string> table(kLZWTableSize);
    for (unsigned i = 0; i < 256; ++i) table[i] = std::string(1, static_cast<char>(i));

    std::string out;
    auto write = [&](const std::string& bytes) {
        CheckLimit(out.size() + bytes.size(), Limit);
        out += bytes;
    };

    LZWReader reader(data, BitOrder);
    unsigned code = reader.Next(width);
    if (code == resetCode) code = reader.Next(width);
    if (code == kLZWEndCode) return out;
    write(table[code]);
    unsigned previous = code;

    // Appends an entry and widens the codes when the table reaches the next power of two.
    auto addEntry = [&](std::string entry) {
        table[nextEntry] = std::move(entry);
        if (nextEntry == widenAt && width < 12) {
            ++width;
            widenAt = (1u << width) - (EarlyChange ? 2 : 1);
        }
        if (nextEntry < kLZWTableSize - 1) ++nextEntry;
    };

    while ((code = reader.Next(width)) != kLZWEndCode) {
        if (code == resetCode) {
            // The entry the next code makes lands on the end code's number and is never read.
            reset();
            nextEntry = kLZWEndCode;
        } else if (code < nextEntry) {
            const std::string& current = table[code];
            write(current);
            if (!current.empty()) addEntry(table[previous] + current[0]);
        } else {
            std::string entry = table[previous];
            if (!entry.empty()) entry += entry[0];
            write(entry);
            addEntry(std::move(entry));
        }
        previous = code;
    }
    return out;
}

std::string TPDFLZWDecompressor::DecompressWithParms(std::string_view data, const TPDFLZWParms& parms) {
    std::string decoded = Decompress(data);
    UndoPredictorInPlace(decoded, parms);
    return decoded;
}

}  // namespace parch
