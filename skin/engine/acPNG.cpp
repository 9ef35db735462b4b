#include "skin/engine/acPNG.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "framework/graphics/Graphic.h"
#include "framework/graphics/Picture.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sPixelBlend.h"

namespace parch {

namespace {

const char* const kInvalidFormat = "Cannot load image. Invalid or unexpected PNG image format.";
const char* const kUnsupportedCompression =
    "Cannot load image. The compression scheme is not supported for PNG files.";
const char* const kInvalidPalette = "Cannot load image. Palette in PNG file is invalid.";
const char* const kCriticalChunk = "Cannot load PNG image. Unexpected but critical chunk detected.";
const char* const kCrcError = "Cannot load image. CRC error found in PNG file.";
const char* const kCompressionError = "Cannot load image. Compression error found in PNG file.";
const char* const kExtraData = "Cannot load image. Extra compressed data found in PNG file.";
const char* const kInvalidColorFormat = "Invalid color format in PNG file.";
const char* const kDecompressionSetup = "LZ77 decompression error.";
const char* const kTooLarge = "Cannot load image. The PNG image is too large.";

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Chunk types compare without regard to letter case.
constexpr std::uint32_t ChunkName(const char (&name)[5]) {
    return ((std::uint32_t(std::uint8_t(name[0])) << 24) | (std::uint32_t(std::uint8_t(name[1])) << 16) |
            (std::uint32_t(std::uint8_t(name[2])) << 8) | std::uint32_t(std::uint8_t(name[3]))) &
           0xDFDFDFDFu;
}
constexpr std::uint32_t kIHDR = ChunkName("IHDR");
constexpr std::uint32_t kIDAT = ChunkName("IDAT");
constexpr std::uint32_t kIEND = ChunkName("IEND");
constexpr std::uint32_t kPLTE = ChunkName("PLTE");
constexpr std::uint32_t kGAMA = ChunkName("gAMA");
constexpr std::uint32_t kBKGD = ChunkName("bKGD");
constexpr std::uint32_t kTRNS = ChunkName("tRNS");

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
unsigned BigEndian16(const std::uint8_t* p) { return (unsigned(p[0]) << 8) | p[1]; }

struct ChunkHeader {
    std::uint32_t length = 0;
    std::uint8_t type[4] = {};
    std::uint32_t Name() const { return BigEndian32(type) & 0xDFDFDFDFu; }
    bool Critical() const { return (type[0] & 0x20) == 0; }
};

// Reads chunks of one PNG from a stream, checking every length against what the stream holds.
class ChunkReader {
public:
    explicit ChunkReader(TStream& stream) : stream_(stream), size_(stream.GetSize()) {}

    void ReadSignature() {
        std::uint8_t bytes[8];
        if (stream_.Read(bytes, 8) != 8 || std::memcmp(bytes, kSignature, 8) != 0) throw EInvalidGraphic(kInvalidFormat);
    }

    ChunkHeader ReadHeader() {
        std::uint8_t bytes[8];
        stream_.ReadBuffer(bytes, 8);
        ChunkHeader header;
        header.length = BigEndian32(bytes);
        std::memcpy(header.type, bytes + 4, 4);
        // The data and its CRC must still be in the stream.
        std::int64_t left = size_ - stream_.GetPosition();
        if (header.length > 0x7FFFFFFFu || static_cast<std::int64_t>(header.length) + 4 > left)
            throw EReadError("Cannot load image. A PNG chunk runs past the end of the data.");
        return header;
    }

    // The chunk's data, its CRC checked.
    // The caller may take the vector's contents (swap them out); the next read refills it.
    std::vector<std::uint8_t>& ReadData(const ChunkHeader& header) {
        data_.resize(header.length);
        if (header.length > 0) stream_.ReadBuffer(data_.data(), header.length);
        std::uint8_t stored[4];
        stream_.ReadBuffer(stored, 4);
        uLong crc = crc32(0, header.type, 4);
        // (crc32 answers 0 for a null buffer, which an emptied vector may hold)
        if (!data_.empty()) crc = crc32(crc, data_.data(), static_cast<uInt>(data_.size()));
        if (BigEndian32(stored) != static_cast<std::uint32_t>(crc)) throw EInvalidGraphic(kCrcError);
        return data_;
    }

    void Skip(const ChunkHeader& header) {
        stream_.Seek(static_cast<std::int64_t>(header.length) + 4, TSeekOrigin::soCurrent);
    }

private:
    TStream& stream_;
    std::int64_t size_;
    std::vector<std::uint8_t> data_;
};

constexpr float kDisplayGamma = 2.2f;

// 8-bit gamma table for file gamma g and display gamma 2.2.
std::array<std::uint8_t, 256> GammaTable(double fileGamma) {
    std::array<std::uint8_t, 256> table{};
    double main = fileGamma > 0 ? fileGamma : 1.0;
    double exponent = 1.0 / (main * kDisplayGamma);
    for (int i = 0; i < 256; ++i)
        table[static_cast<size_t>(i)] = static_cast<std::uint8_t>(std::nearbyint(std::pow(i / 255.0, exponent) * 255.0));
    return table;
}

// How the decoded samples reach the bitmap.
struct Conversion {
    TPixelFormat format = pfDevice;
    int targetBits = 8;           // bits of one bitmap pixel
    int indexScale = 1;           // grey and palette samples of depth 2 are multiplied by 5
    int bytesPerCompletePixel = 1;
};

Conversion ChooseConversion(int colorType, int depth) {
    auto invalid = [] { return EInvalidGraphic(kInvalidColorFormat); };
    Conversion c;
    switch (colorType) {
        case 0:
            if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16) throw invalid();
            c.format = depth == 1 ? pf1bit : depth <= 4 ? pf4bit : pf8bit;
            c.targetBits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
            c.indexScale = depth == 2 ? 5 : 1;
            c.bytesPerCompletePixel = depth == 16 ? 2 : 1;
            break;
        case 2:
            if (depth != 8 && depth != 16) throw invalid();
            c.format = pf24bit;
            c.targetBits = 24;
            c.bytesPerCompletePixel = 3 * depth / 8;
            break;
        case 3:
            if (depth != 1 && depth != 2 && depth != 4 && depth != 8) throw invalid();
            c.format = depth == 1 ? pf1bit : depth <= 4 ? pf4bit : pf8bit;
            c.targetBits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
            c.indexScale = depth == 2 ? 5 : 1;
            break;
        case 4:
            if (depth != 8 && depth != 16) throw invalid();
            c.format = pf8bit;
            c.bytesPerCompletePixel = 2 * depth / 8;
            break;
        case 6:
            if (depth != 8 && depth != 16) throw invalid();
            c.format = pf32bit;
            c.targetBits = 32;
            c.bytesPerCompletePixel = 4 * depth / 8;
            break;
        default:
            throw invalid();
    }
    return c;
}

int SamplesOf(int colorType) { return colorType == 2 ? 3 : colorType == 6 ? 4 : colorType == 4 ? 2 : 1; }

TPixelLayout LayoutOf(int colorType) {
    switch (colorType) {
        case 0: return plGrey;
        case 2: return plRGB;
        case 3: return plIndexed;
        case 4: return plGreyAlpha;
        case 6: return plRGBA;
        default: return plUnknown;
    }
}

inline std::uint8_t PaethPredictor(int a, int b, int c) {
    int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// The filters that look left, for whole pixels of a fixed size: the compiler keeps a pixel's
// bytes in registers, so the common 3- and 4-byte pixels run without reloading them.
template <size_t Bpp>
void UnfilterPixels(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, size_t size) {
    int left[Bpp] = {};
    int upperLeft[Bpp] = {};
    for (size_t i = 0; i + Bpp <= size; i += Bpp) {
        for (size_t k = 0; k < Bpp; ++k) {
            int above = previous[i + k];
            int predictor;
            if (filter == 1) {
                predictor = left[k];
            } else if (filter == 3) {
                predictor = (left[k] + above) / 2;
            } else {
                int towardsAbove = above - upperLeft[k];
                int towardsLeft = left[k] - upperLeft[k];
                int pa = std::abs(towardsAbove), pb = std::abs(towardsLeft), pc = std::abs(towardsAbove + towardsLeft);
                predictor = (pa <= pb && pa <= pc) ? left[k] : (pb <= pc ? above : upperLeft[k]);
            }
            std::uint8_t value = static_cast<std::uint8_t>(row[i + k] + predictor);
            row[i + k] = value;
            left[k] = value;
            upperLeft[k] = above;
        }
    }
}

template <size_t Bpp>
void UnfilterLeftLooking(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, size_t size) {
    switch (filter) {
        case 1: return UnfilterPixels<Bpp>(1, row, previous, size);
        case 3: return UnfilterPixels<Bpp>(3, row, previous, size);
        default: return UnfilterPixels<Bpp>(4, row, previous, size);
    }
}

void UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, size_t size, size_t bpp) {
    bool leftLooking = filter == 1 || filter == 3 || filter == 4;
    if (leftLooking && size % bpp == 0) {
        if (bpp == 4) return UnfilterLeftLooking<4>(filter, row, previous, size);
        if (bpp == 3) return UnfilterLeftLooking<3>(filter, row, previous, size);
    }
    switch (filter) {
        case 1:
            for (size_t i = bpp; i < size; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
            break;
        case 2:
            for (size_t i = 0; i < size; ++i) row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
            break;
        case 3:
            for (size_t i = 0; i < std::min(bpp, size); ++i) row[i] = static_cast<std::uint8_t>(row[i] + previous[i] / 2);
            for (size_t i = bpp; i < size; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + (row[i - bpp] + previous[i]) / 2);
            break;
        case 4:
            // Without a left neighbour the predictor is the byte above.
            for (size_t i = 0; i < std::min(bpp, size); ++i) row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
            for (size_t i = bpp; i < size; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + PaethPredictor(row[i - bpp], previous[i], previous[i - bpp]));
            break;
        default:
            break;  // none, and unknown types leave the row as it is
    }
}

// Feeds the IDAT chunks through inflate, row by row.
class ImageDataInflater {
public:
    ImageDataInflater(ChunkReader& reader, ChunkHeader& current) : reader_(reader), current_(current) {
        if (inflateInit(&z_) != Z_OK) throw EGraphicCompression(kDecompressionSetup);
    }
    ~ImageDataInflater() { inflateEnd(&z_); }
    ImageDataInflater(const ImageDataInflater&) = delete;
    ImageDataInflater& operator=(const ImageDataInflater&) = delete;

    // False when the data ran out before the row was full.
    bool InflateRow(std::uint8_t* row, size_t size) {
        z_.next_out = row;
        z_.avail_out = static_cast<uInt>(size);
        while (z_.avail_out > 0) {
            if (z_.avail_in == 0 && !NextImageData()) return false;
            if (finished_) return false;
            int result = inflate(&z_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                finished_ = true;
                if (z_.avail_out > 0 || z_.avail_in > 0) throw EInvalidGraphic(kExtraData);
            } else if (result != Z_OK && !(result == Z_BUF_ERROR && z_.avail_in == 0)) {
                throw EInvalidGraphic(kCompressionError);
            }
        }
        return true;
    }

    // Reads what is left of the IDAT run; the current header is then the chunk after it.
    void ConsumeRest() {
        while (current_.Name() == kIDAT) {
            reader_.ReadData(current_);
            current_ = reader_.ReadHeader();
        }
    }

private:
    bool NextImageData() {
        while (current_.Name() == kIDAT) {
            buffer_.swap(reader_.ReadData(current_));
            current_ = reader_.ReadHeader();
            if (buffer_.empty()) continue;  // an empty IDAT passes
            z_.next_in = buffer_.data();
            z_.avail_in = static_cast<uInt>(buffer_.size());
            return true;
        }
        return false;
    }

    ChunkReader& reader_;
    ChunkHeader& current_;
    z_stream z_{};
    std::vector<std::uint8_t> buffer_;
    bool finished_ = false;
};

constexpr int kStartRow[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr int kStartColumn[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kRowStep[7] = {8, 8, 8, 4, 4, 2, 2};
// Bit 7 stands for the first column of each group of eight.
constexpr std::uint8_t kPassMask[7] = {0x80, 0x08, 0x88, 0x22, 0xAA, 0x55, 0xFF};
constexpr int kColumnStep[7] = {8, 8, 4, 4, 2, 2, 1};

// One load: the state of the chunk loop.
class PngLoad {
public:
    PngLoad(TPNGGraphic& bitmap, TStream& stream, TPngImageInfo& info, TColor& background)
        : bitmap_(bitmap), converter_(bitmap.ColorManager()), reader_(stream), info_(info), background_(background) {}

    void Run() {
        reader_.ReadSignature();
        current_ = reader_.ReadHeader();
        if (current_.Name() != kIHDR) throw EInvalidGraphic(kInvalidFormat);
        ReadHeaderChunk(reader_.ReadData(current_));
        for (;;) {
            current_ = reader_.ReadHeader();
            switch (current_.Name()) {
                case kIDAT: DecodePixelData(); SkipUnknown(); break;
                case kPLTE: ReadPalette(reader_.ReadData(current_)); break;
                case kGAMA: ReadGamma(reader_.ReadData(current_)); break;
                case kBKGD: ReadBackground(reader_.ReadData(current_)); break;
                case kTRNS: ReadTransparency(reader_.ReadData(current_)); break;
                default: SkipUnknown();
            }
            if (ended_) break;
        }
    }

private:
    void ReadHeaderChunk(const std::vector<std::uint8_t>& data) {
        if (data.size() != 13) throw EInvalidGraphic(kInvalidFormat);
        std::uint32_t width = BigEndian32(data.data());
        std::uint32_t height = BigEndian32(data.data() + 4);
        if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
            throw EInvalidGraphic(kInvalidFormat);
        info_ = TPngImageInfo{};
        info_.HeaderRead = true;
        info_.Width = static_cast<std::int32_t>(width);
        info_.Height = static_cast<std::int32_t>(height);
        depth_ = data[8];
        colorType_ = data[9];
        info_.ColorScheme = LayoutOf(colorType_);
        info_.BitsPerSample = static_cast<std::uint8_t>(depth_);
        info_.SamplesPerPixel = static_cast<std::uint8_t>(colorType_ == 2 ? 3 : colorType_ == 6 ? 4 : 1);
        info_.BitsPerPixel = static_cast<std::uint8_t>(info_.SamplesPerPixel * depth_);
        info_.Deflate = data[10] == 0;
        info_.FilterMethod = data[11];
        info_.Interlaced = data[12] != 0;
        info_.HasAlpha = colorType_ == 4 || colorType_ == 6;
        if (!info_.Deflate) throw EInvalidGraphic(kUnsupportedCompression);
        conversion_ = ChooseConversion(colorType_, depth_);
        std::int64_t stride = ((static_cast<std::int64_t>(width) * conversion_.targetBits + 31) / 32) * 4;
        std::int64_t rowBytes = (static_cast<std::int64_t>(width) * depth_ * SamplesOf(colorType_) + 7) / 8;
        if (stride > TPNGGraphic::kMaxDecodedBytes / height || rowBytes * 2 > TPNGGraphic::kMaxDecodedBytes)
            throw EInvalidGraphic(kTooLarge);
    }

    void ReadPalette(const std::vector<std::uint8_t>& data) {
        if (data.size() % 3 != 0) throw EInvalidGraphic(kInvalidPalette);
        if (colorType_ != 3) return;
        palette_.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(data.size(), 768)));
        paletteGamma_ = gammaOn_;
    }

    void ReadGamma(const std::vector<std::uint8_t>& data) {
        if (data.size() < 4) return;
        info_.FileGamma = static_cast<float>(BigEndian32(data.data()) / 100000.0);
        gamma_ = GammaTable(info_.FileGamma);
        gammaOn_ = true;
        converter_.SetGammaPair(info_.FileGamma, kDisplayGamma);
        converter_.TargetOptions |= optApplyGamma;
        info_.GammaApplied = true;
    }

    void ReadBackground(const std::vector<std::uint8_t>& data) {
        auto eight = [&](unsigned v) { return depth_ == 16 ? v / 257 : std::min(v, 255u); };
        if ((colorType_ == 0 || colorType_ == 4) && data.size() >= 2) {
            unsigned k = eight(BigEndian16(data.data()));
            background_ = static_cast<TColor>(k | (k << 8) | (k << 16));
        } else if ((colorType_ == 2 || colorType_ == 6) && data.size() >= 6) {
            background_ = static_cast<TColor>(eight(BigEndian16(data.data())) | (eight(BigEndian16(data.data() + 2)) << 8) |
                                              (eight(BigEndian16(data.data() + 4)) << 16));
        }
    }

    void ReadTransparency(const std::vector<std::uint8_t>& data) {
        if (colorType_ == 0 && data.size() >= 2) {
            // Grey samples of every depth are scaled to 8 bits.
            unsigned sample = BigEndian16(data.data()) & ((depth_ == 16 ? 0xFFFFu : (1u << depth_) - 1));
            unsigned k = depth_ == 16 ? sample / 257 : sample * 255 / ((1u << depth_) - 1);
            transparent_ = static_cast<TColor>(k | (k << 8) | (k << 16));
            hasTransparent_ = true;
        } else if (colorType_ == 2 && data.size() >= 6) {
            auto eight = [&](unsigned v) { return depth_ == 16 ? v / 257 : (v & 0xFF); };
            transparent_ = static_cast<TColor>(eight(BigEndian16(data.data())) | (eight(BigEndian16(data.data() + 2)) << 8) |
                                               (eight(BigEndian16(data.data() + 4)) << 16));
            hasTransparent_ = true;
        }
    }

    void SkipUnknown() {
        if (current_.Name() == kIEND) {
            reader_.Skip(current_);
            ended_ = true;
            return;
        }
        if (current_.Critical()) throw EInvalidGraphic(kCriticalChunk);
        reader_.Skip(current_);
    }

    std::vector<RGBQUAD> BuildColorTable() const {
        std::vector<RGBQUAD> table(static_cast<size_t>(1) << conversion_.targetBits);
        auto g = [&](unsigned v) { return static_cast<BYTE>(gammaOn_ ? gamma_[v] : v); };
        if (colorType_ == 3) {
            if (palette_.empty()) return {};
            size_t entries = palette_.size() / 3;
            int sourceMax = (1 << depth_) - 1;
            int targetMax = static_cast<int>(table.size()) - 1;
            for (size_t j = 0; j < table.size(); ++j) {
                size_t entry = sourceMax != targetMax ? j * static_cast<size_t>(sourceMax) / static_cast<size_t>(targetMax) : j;
                if (entry >= entries) continue;  // past the PLTE entries: black
                auto pg = [&](unsigned v) { return static_cast<BYTE>(paletteGamma_ ? gamma_[v] : v); };
                table[j] = RGBQUAD{pg(palette_[entry * 3 + 2]), pg(palette_[entry * 3 + 1]), pg(palette_[entry * 3]), 0};
            }
        } else {
            unsigned step = 255u / static_cast<unsigned>(table.size() - 1);
            for (size_t i = 0; i < table.size(); ++i) {
                BYTE v = g(static_cast<unsigned>(i) * step);
                table[i] = RGBQUAD{v, v, v, 0};
            }
        }
        return table;
    }

    // The converter writes each decoded row straight into the bitmap's scan line.
    void SetupConversion() {
        struct Layouts {
            TPixelLayout source, target;
            int sourceSamples, targetSamples;
        };
        Layouts layouts{};
        switch (colorType_) {
            case 0: layouts = {plGrey, plGrey, 1, 1}; break;
            case 2: layouts = {plRGB, plBGR, 3, 3}; break;
            case 3: layouts = {plIndexed, plIndexed, 1, 1}; break;
            case 4: layouts = {plGreyAlpha, plIndexed, 1, 1}; break;
            default: layouts = {plRGBA, plBGRA, 4, 4}; break;
        }
        converter_.SetSourceLayout(layouts.source);
        converter_.SetTargetLayout(layouts.target);
        converter_.SetSourceSamples(layouts.sourceSamples);
        converter_.SetTargetSamples(layouts.targetSamples);
        converter_.SetSourceDepth(depth_);
        converter_.SetTargetDepth(conversion_.targetBits >= 8 ? 8 : conversion_.targetBits);
    }

    void PrepareBitmap() {
        SetupConversion();
        bitmap_.SetSize(0, 0);
        bitmap_.SetPixelFormat(conversion_.format);
        bitmap_.SetSize(info_.Width, info_.Height);
        if (bitmap_.Width() != info_.Width || bitmap_.Height() != info_.Height) throw EInvalidGraphic(kTooLarge);
        if (conversion_.targetBits <= 8) {
            std::vector<RGBQUAD> table = BuildColorTable();
            if (!table.empty()) bitmap_.Handle()->ColorTable() = table;
        } else if (info_.Interlaced) {
            FillBackground(0);
        }
        if (hasTransparent_) {
            bitmap_.SetTransparentColor(transparent_);
            bitmap_.SetTransparent(true);
        }
    }

    // Rows the data never reaches keep the background colour.
    void FillBackground(int firstRow) {
        BYTE b = static_cast<BYTE>((background_ >> 16) & 0xFF), g = static_cast<BYTE>((background_ >> 8) & 0xFF),
             r = static_cast<BYTE>(background_ & 0xFF);
        int bytes = conversion_.targetBits / 8;
        for (int y = firstRow; y < info_.Height; ++y) {
            BYTE* line = bitmap_.ScanLine(y);
            for (int x = 0; x < info_.Width; ++x) {
                line[x * bytes] = b;
                line[x * bytes + 1] = g;
                line[x * bytes + 2] = r;
                if (bytes == 4) line[x * 4 + 3] = 0;
            }
        }
    }

    void ConvertRow(const std::uint8_t* data, int y, std::uint8_t passMask) {
        const void* sources[] = {data};
        converter_.TransformRow(sources, bitmap_.ScanLine(y), info_.Width, passMask);
    }

    size_t RowBytes(int pixels) const {
        return (static_cast<size_t>(pixels) * static_cast<size_t>(depth_) * static_cast<size_t>(SamplesOf(colorType_)) + 7) / 8;
    }

    void DecodePixelData() {
        PrepareBitmap();
        ImageDataInflater inflater(reader_, current_);
        // Filters step by whole pixels; below 8 bits by whole bytes.
        size_t bpp = depth_ < 8 ? 1 : static_cast<size_t>(conversion_.bytesPerCompletePixel);
        if (!info_.Interlaced) {
            int decodedRows = DecodePass(inflater, 0, 1, 0, 1, 0xFF, bpp);
            if (decodedRows < info_.Height && conversion_.targetBits > 8) FillBackground(decodedRows);
        } else {
            for (int pass = 0; pass < 7; ++pass) {
                if (kStartColumn[pass] >= info_.Width || kStartRow[pass] >= info_.Height) continue;
                if (DecodePass(inflater, kStartRow[pass], kRowStep[pass], kStartColumn[pass], kColumnStep[pass],
                               kPassMask[pass], bpp) < 0)
                    break;
            }
        }
        inflater.ConsumeRest();
    }

    // The rows decoded, or -1 when the data ran out before the pass ended.
    int DecodePass(ImageDataInflater& inflater, int firstRow, int rowStep, int firstColumn, int columnStep,
                   std::uint8_t passMask, size_t bpp) {
        int count = (info_.Width - firstColumn + columnStep - 1) / columnStep;
        size_t size = RowBytes(count);
        std::vector<std::uint8_t> current(size + 1), previous(size + 1);
        int rows = 0;
        for (int y = firstRow; y < info_.Height; y += rowStep, ++rows) {
            if (!inflater.InflateRow(current.data(), size + 1)) return info_.Interlaced ? -1 : rows;
            UnfilterRow(current[0], current.data() + 1, previous.data() + 1, size, bpp);
            ConvertRow(current.data() + 1, y, passMask);
            std::swap(current, previous);
        }
        return rows;
    }

    TPNGGraphic& bitmap_;
    TColorManager& converter_;
    ChunkReader reader_;
    TPngImageInfo& info_;
    TColor& background_;
    ChunkHeader current_;
    int depth_ = 0;
    int colorType_ = 0;
    Conversion conversion_;
    std::vector<std::uint8_t> palette_;
    bool paletteGamma_ = false;
    bool gammaOn_ = false;
    std::array<std::uint8_t, 256> gamma_{};
    bool hasTransparent_ = false;
    TColor transparent_ = 0;
    bool ended_ = false;
};

}  // namespace

void TPNGGraphic::LoadFromStream(TStream& stream) {
    // Every load starts from fresh settings: nothing of an earlier image carries over.
    info_ = TPngImageInfo{};
    background_ = 0xFFFFFF;
    colorManager_ = TColorManager{};
    colorManager_.SourceOptions = optBigEndian16;
    SetTransparent(false);
    PngLoad(*this, stream, info_, background_).Run();
    Changed();
}

void TPNGGraphic::Assign(TGraphic* source) {
    if (auto* png = dynamic_cast<TPNGGraphic*>(source)) info_ = png->info_;
    TBitmap::Assign(source);
}

void TPNGGraphic::Draw(TCanvas& canvas, const RECT& rect) {
    if (PixelFormat() != pf32bit) return TBitmap::Draw(canvas, rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0 || Empty()) return;
    // The work bitmap also holds the strip below the picture, where a mirror image may fall.
    int workHeight = height + (Reflected ? height / 2 : 0);
    TBitmap work(width, workHeight, pf32bit);
    RECT workRect{0, 0, width, workHeight};
    RECT under{rect.left, rect.top, rect.left + width, rect.top + workHeight};
    work.Canvas().CopyRect(workRect, canvas, under);
    if (width == Width() && height == Height()) {
        DrawAlphaImage(RECT{0, 0, width, height}, RECT{0, 0, width, height}, work, *this, EmptyBackdrop, false, clNone, 0,
                       Reflected);
    } else {
        DrawScaled(work, width, height);
    }
    canvas.CopyRect(under, work.Canvas(), workRect);
}

void TPNGGraphic::DrawScaled(TBitmap& work, int width, int height) {
    // Colour by nearest pixels.
    TBitmap colour(width, height, pf32bit);
    SetStretchBltMode(colour.Canvas().Handle(), COLORONCOLOR);
    StretchBlt(colour.Canvas().Handle(), 0, 0, width, height, Canvas().Handle(), 0, 0, Width(), Height(), SRCCOPY);
    // Alpha smoothed: stretched as a grey picture.
    TBitmap alpha(Width(), Height(), pf32bit);
    for (int y = 0; y < Height(); ++y) {
        const BYTE* from = ScanLine(y);
        BYTE* to = alpha.ScanLine(y);
        for (int x = 0; x < Width(); ++x) to[x * 4] = to[x * 4 + 1] = to[x * 4 + 2] = from[x * 4 + 3];
    }
    TBitmap stretchedAlpha(width, height, pf32bit);
    SetStretchBltMode(stretchedAlpha.Canvas().Handle(), HALFTONE);
    StretchBlt(stretchedAlpha.Canvas().Handle(), 0, 0, width, height, alpha.Canvas().Handle(), 0, 0, Width(), Height(),
               SRCCOPY);
    for (int y = 0; y < height; ++y) {
        BYTE* to = colour.ScanLine(y);
        const BYTE* from = stretchedAlpha.ScanLine(y);
        for (int x = 0; x < width; ++x) to[x * 4 + 3] = from[x * 4];
    }
    DrawAlphaImage(RECT{0, 0, width, height}, RECT{0, 0, width, height}, work, colour, EmptyBackdrop, false, clNone, 0,
                   false);
}

namespace {

// Pictures and image controls loading a ".png" file get this reader.
const bool pngFormatRegistered = (TPicture::RegisterFileFormat("png", "Portable network graphics (Velvane)",
                                                               [] { return std::make_unique<TPNGGraphic>(); }),
                                  true);

}  // namespace

void BlackenTransparentWhite(TBitmap& bitmap) {
    if (bitmap.PixelFormat() != pf32bit) return;
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* line = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            BYTE* p = line + x * 4;
            if (p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 0) p[0] = p[1] = p[2] = 0;
        }
    }
}

void PremultiplyAlpha32(TBitmap& bitmap) {
    if (bitmap.PixelFormat() != pf32bit) return;
    for (int y = 0; y < bitmap.Height(); ++y) {
        BYTE* line = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            BYTE* p = line + x * 4;
            for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(p[c] * p[3] / 255);
        }
    }
}

}  // namespace parch
