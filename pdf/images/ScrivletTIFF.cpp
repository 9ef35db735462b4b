#include "pdf/images/ScrivletTIFF.h"

#include <cmath>
#include <unordered_map>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletImageLimits.h"

namespace parch {

namespace {

constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kRational = 5;

void Put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Put32At(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

std::size_t RoundUp32(std::size_t value) { return (value + 31) / 32 * 32; }

void PutEntry(std::string& out, const TTIFFEntry& entry) {
    Put16(out, entry.Tag);
    Put16(out, entry.Type);
    Put32(out, entry.Count);
    Put32(out, entry.Value);
}

// TIFF's LZW: codes of 9 to 12 bits written most significant bit first, Clear 256 and
// EndOfInformation 257, the code width growing one code early.
class TIFFLZWEncoder {
public:
    std::string Encode(const std::uint8_t* data, std::size_t size) {
        out_.clear();
        Reset();
        Emit(kClear);
        if (size == 0) {
            Emit(kEnd);
            Flush();
            return out_;
        }
        int prefix = data[0];
        for (std::size_t i = 1; i < size; ++i) {
            const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | data[i];
            const auto found = table_.find(key);
            if (found != table_.end()) {
                prefix = found->second;
                continue;
            }
            Emit(prefix);
            table_.emplace(key, next_);
            Advance();
            prefix = data[i];
        }
        Emit(prefix);
        Advance();
        Emit(kEnd);
        Flush();
        return out_;
    }

private:
    static constexpr int kClear = 256;
    static constexpr int kEnd = 257;
    static constexpr int kTableEnd = 4094;

    // One more code is taken: the width grows once the next code no longer fits (the decoder,
    // one entry behind, grows one code early), and a full table starts over.
    void Advance() {
        ++next_;
        if (next_ == kTableEnd) {
            Emit(kClear);
            Reset();
        } else if (next_ > (1 << width_) - 1) {
            ++width_;
        }
    }

    void Reset() {
        table_.clear();
        next_ = 258;
        width_ = 9;
    }
    void Emit(int code) {
        bits_ = (bits_ << width_) | static_cast<std::uint32_t>(code);
        count_ += width_;
        while (count_ >= 8) {
            out_.push_back(static_cast<char>(bits_ >> (count_ - 8)));
            count_ -= 8;
        }
        bits_ &= (1u << count_) - 1;
    }
    void Flush() {
        if (count_ > 0) out_.push_back(static_cast<char>(bits_ << (8 - count_)));
        bits_ = 0;
        count_ = 0;
    }

    std::unordered_map<std::uint32_t, int> table_;
    int next_ = 258;
    int width_ = 9;
    std::uint32_t bits_ = 0;
    int count_ = 0;
    std::string out_;
};

}  // namespace

// --- Bilevel strip wrapper --------------------------------------------------------------------

void TPDFTIFFMaker::AddEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
    Entries.push_back(TTIFFEntry{tag, type, 1, value});
}

void TPDFTIFFMaker::SaveToStream(TMemoryStream& stream) {
    const bool withResolution = HorizontalResolution > 0 && VerticalResolution > 0;
    const std::size_t stripEnd = 128 + Strip.size();
    const std::size_t rationals = RoundUp32(stripEnd);
    const std::size_t directory = RoundUp32((withResolution ? rationals + 16 : rationals) + 32);

    Entries.clear();
    AddEntry(256, kLong, static_cast<std::uint32_t>(Columns));
    AddEntry(257, kLong, static_cast<std::uint32_t>(Rows));
    AddEntry(258, kShort, 1);
    if (Kind == kTIFFGroup4) AddEntry(259, kShort, 4);
    if (Kind == kTIFFLZW) AddEntry(259, kShort, 5);
    if (Kind == kTIFFGroup3OneD || Kind == kTIFFGroup3TwoD) AddEntry(259, kShort, 3);
    AddEntry(262, kShort, MinIsBlack ? 1 : 0);
    AddEntry(266, kShort, 1);
    AddEntry(273, kLong, 128);
    AddEntry(277, kShort, 1);
    AddEntry(278, kLong, static_cast<std::uint32_t>(Rows));
    AddEntry(279, kLong, static_cast<std::uint32_t>(Strip.size()));
    if (withResolution) {
        AddEntry(282, kRational, static_cast<std::uint32_t>(rationals));
        AddEntry(283, kRational, static_cast<std::uint32_t>(rationals + 8));
    }
    if (Kind == kTIFFGroup3OneD || Kind == kTIFFGroup3TwoD)
        AddEntry(292, kLong, (ByteAlign ? 4u : 0u) + (Kind == kTIFFGroup3TwoD ? 1u : 0u));
    if (Kind == kTIFFGroup4) AddEntry(293, kLong, 0);
    if (withResolution) AddEntry(296, kShort, 2);

    std::string file(directory, '\0');
    file[0] = file[1] = 'I';
    file[2] = 42;
    Put32At(file, 4, static_cast<std::uint32_t>(directory));
    file.replace(128, Strip.size(), Strip);
    if (withResolution) {
        Put32At(file, rationals, static_cast<std::uint32_t>(HorizontalResolution));
        Put32At(file, rationals + 4, 1);
        Put32At(file, rationals + 8, static_cast<std::uint32_t>(VerticalResolution));
        Put32At(file, rationals + 12, 1);
    }
    Put16(file, static_cast<std::uint32_t>(Entries.size()));
    for (const TTIFFEntry& entry : Entries) PutEntry(file, entry);
    Put32(file, 0);

    stream.Clear();
    stream.Write(file.data(), static_cast<std::int64_t>(file.size()));
}

// --- Bitmaps as TIFF --------------------------------------------------------------------------

bool SaveBitmapAsTIFF(TBitmap& bitmap, TStream& stream, const TGDIPlusSettings&, double dpi) {
    if (bitmap.Empty() || !ImageSizeFits(bitmap.Width(), bitmap.Height())) return false;
    const std::unique_ptr<TBitmap> rgb = Bitmap24Copy(bitmap);
    const std::uint32_t width = static_cast<std::uint32_t>(rgb->Width());
    const std::uint32_t height = static_cast<std::uint32_t>(rgb->Height());
    const std::uint32_t rowBytes = width * 3;
    const std::uint32_t rowsPerStrip = std::max<std::uint32_t>(1, 65536 / rowBytes);
    const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;

    std::string file;
    file.append("II*\0\0\0\0\0", 8);
    std::vector<std::uint32_t> offsets, counts;
    TIFFLZWEncoder encoder;
    std::string rows;
    for (std::uint32_t s = 0; s < strips; ++s) {
        rows.clear();
        const std::uint32_t last = std::min(height, (s + 1) * rowsPerStrip);
        for (std::uint32_t y = s * rowsPerStrip; y < last; ++y) {
            const BYTE* row = BitmapRow(*rgb, static_cast<int>(y));
            for (std::uint32_t x = 0; x < width; ++x) {
                rows.push_back(static_cast<char>(row[3 * x + 2]));
                rows.push_back(static_cast<char>(row[3 * x + 1]));
                rows.push_back(static_cast<char>(row[3 * x]));
            }
        }
        const std::string strip = encoder.Encode(reinterpret_cast<const std::uint8_t*>(rows.data()), rows.size());
        offsets.push_back(static_cast<std::uint32_t>(file.size()));
        counts.push_back(static_cast<std::uint32_t>(strip.size()));
        file += strip;
        if (file.size() & 1) file.push_back(0);
    }
    if (file.size() > 0xFFFF0000u) return false;

    // Values that do not fit an entry: bits per sample, resolutions, strip tables.
    const auto bitsAt = static_cast<std::uint32_t>(file.size());
    for (int i = 0; i < 3; ++i) Put16(file, 8);
    Put16(file, 0);
    const double resolution = dpi > 0 && std::isfinite(dpi) && dpi < 1e6 ? dpi : 96;
    const auto resolutionAt = static_cast<std::uint32_t>(file.size());
    for (int i = 0; i < 2; ++i) {
        Put32(file, static_cast<std::uint32_t>(std::lround(resolution * 100)));
        Put32(file, 100);
    }
    auto table = [&](const std::vector<std::uint32_t>& values) {
        if (values.size() == 1) return values[0];
        const auto at = static_cast<std::uint32_t>(file.size());
        for (std::uint32_t v : values) Put32(file, v);
        return at;
    };
    const std::uint32_t offsetsAt = table(offsets);
    const std::uint32_t countsAt = table(counts);

    const std::vector<TTIFFEntry> entries = {
        {256, kLong, 1, width},          {257, kLong, 1, height},       {258, kShort, 3, bitsAt},
        {259, kShort, 1, 5},             {262, kShort, 1, 2},           {273, kLong, strips, offsetsAt},
        {277, kShort, 1, 3},             {278, kLong, 1, rowsPerStrip}, {279, kLong, strips, countsAt},
        {282, kRational, 1, resolutionAt}, {283, kRational, 1, resolutionAt + 8},
        {284, kShort, 1, 1},             {296, kShort, 1, 2}};
    Put32At(file, 4, static_cast<std::uint32_t>(file.size()));
    Put16(file, static_cast<std::uint32_t>(entries.size()));
    for (const TTIFFEntry& entry : entries) PutEntry(file, entry);
    Put32(file, 0);
    return stream.Write(file.data(), static_cast<std::int64_t>(file.size())) == static_cast<std::int64_t>(file.size());
}

}  // namespace parch
