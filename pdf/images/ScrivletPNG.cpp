#include "pdf/images/ScrivletPNG.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletFilters.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletImageLimits.h"

namespace parch {

namespace {

constexpr char kPNGSignature[] = "\x89PNG\r\n\x1a\n";
constexpr std::uint32_t kLongestChunk = 0x7FFFFFFF;
// PNG pictures are expanded to 32-bit pixels in memory: a tighter bound than for PDF samples.
constexpr std::int64_t kMaxPNGPixels = std::int64_t{1} << 26;

std::array<std::uint32_t, 256> MakeCRCTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value >> 24));
    out.push_back(static_cast<char>(value >> 16));
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value));
}

std::uint32_t BigEndianAt(const std::string& bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void WriteChunk(TStream& stream, const char* type, const std::string& data) {
    std::string chunk;
    chunk.reserve(data.size() + 12);
    PutBigEndian(chunk, static_cast<std::uint32_t>(data.size()));
    chunk.append(type, 4);
    chunk += data;
    const auto* typed = reinterpret_cast<const std::uint8_t*>(chunk.data() + 4);
    PutBigEndian(chunk, PNGChunkCRC(typed, data.size() + 4));
    stream.Write(chunk.data(), static_cast<std::int64_t>(chunk.size()));
}

std::uint8_t PNGPaeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// Undoes one row's filter in place; prior is the unfiltered previous row (zeros at a pass start).
void PNGUnfilter(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prior, std::size_t length, std::size_t bpp) {
    const std::size_t lead = std::min(bpp, length);
    switch (type) {
    case 1:
        for (std::size_t i = bpp; i < length; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
        break;
    case 2:
        for (std::size_t i = 0; i < length; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < lead; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i] / 2);
        for (std::size_t i = bpp; i < length; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + (row[i - bpp] + prior[i]) / 2);
        break;
    case 4:
        for (std::size_t i = 0; i < lead; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
        for (std::size_t i = bpp; i < length; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + PNGPaeth(row[i - bpp], prior[i], prior[i - bpp]));
        break;
    default: break;
    }
}

struct ChannelLayout {
    int channels = 1;
    int colorChannels = 1;
    int alphaChannels = 0;
};

ChannelLayout LayoutOf(std::uint8_t colorType) {
    switch (colorType) {
    case 2: return {3, 3, 0};
    case 4: return {2, 1, 1};
    case 6: return {4, 3, 1};
    default: return {1, 1, 0};
    }
}

struct Adam7Pass {
    int x0, y0, dx, dy;
};
constexpr Adam7Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                 {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

std::int64_t PNGRowBytes(std::int64_t width, int channels, int depth) { return (width * channels * depth + 7) / 8; }

// The colour types and bit depths a PNG may combine; any other pair is damage.
bool PNGColorTypeAllowsDepth(std::uint8_t colorType, int depth) {
    const bool knownDepth = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    switch (colorType) {
    case 0: return knownDepth;
    case 3: return knownDepth && depth <= 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

}  // namespace

std::uint32_t PNGChunkCRC(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = MakeCRCTable();
    std::uint32_t c = crc ^ 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) c = table[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

// --- Writer ------------------------------------------------------------------------------------

TPNGWriter::TPNGWriter(const TBitmap& bitmap) : bitmap_(std::make_unique<TBitmap>()) {
    bitmap_->Assign(const_cast<TBitmap*>(&bitmap));
    if (bitmap_->PixelFormat() != pf1bit) MakeBitmap24(*bitmap_);
}

TPNGWriter::~TPNGWriter() = default;

void TPNGWriter::SetAlphaMask(const TBitmap* mask, bool invert) {
    if (!mask || mask->Empty()) return;
    const std::unique_ptr<TBitmap> copy = Bitmap24Copy(*mask);
    alphaWidth_ = copy->Width();
    alphaRows_.assign(static_cast<std::size_t>(copy->Height()), std::string());
    for (int y = 0; y < copy->Height(); ++y) {
        const BYTE* row = BitmapRow(*copy, y);
        std::string& alpha = alphaRows_[static_cast<std::size_t>(y)];
        alpha.resize(static_cast<std::size_t>(alphaWidth_));
        for (int x = 0; x < alphaWidth_; ++x) {
            const std::uint8_t blue = row[3 * x];
            alpha[static_cast<std::size_t>(x)] = static_cast<char>(invert ? 255 - blue : blue);
        }
    }
    hasAlpha_ = true;
    if (bitmap_->PixelFormat() == pf1bit) MakeBitmap24(*bitmap_);
}

void TPNGWriter::SetICCProfile(const std::string& profile) { iccProfile_ = FlateCompressStr(profile); }

std::string TPNGWriter::RawImage() const {
    const int width = bitmap_->Width();
    const int height = bitmap_->Height();
    const bool palette = bitmap_->PixelFormat() == pf1bit;
    const std::int64_t rowBytes = palette ? (width + 7) / 8 : static_cast<std::int64_t>(width) * (hasAlpha_ ? 4 : 3);
    std::string raw;
    raw.reserve(static_cast<std::size_t>((rowBytes + 1) * height));
    const std::int64_t alphaRows = static_cast<std::int64_t>(alphaRows_.size());
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        const BYTE* row = BitmapRow(*bitmap_, y);
        if (palette) {
            raw.append(reinterpret_cast<const char*>(row), static_cast<std::size_t>(rowBytes));
            continue;
        }
        const std::string* alpha = nullptr;
        if (hasAlpha_ && alphaRows > 0)
            alpha = &alphaRows_[static_cast<std::size_t>(height > 1 ? y * (alphaRows - 1) / (height - 1) : 0)];
        for (int x = 0; x < width; ++x) {
            const BYTE* p = row + 3 * x;
            raw.push_back(static_cast<char>(p[2]));
            raw.push_back(static_cast<char>(p[1]));
            raw.push_back(static_cast<char>(p[0]));
            if (hasAlpha_) {
                const std::int64_t column = width > 1 ? static_cast<std::int64_t>(x) * (alphaWidth_ - 1) / (width - 1) : 0;
                raw.push_back(alpha && !alpha->empty() ? (*alpha)[static_cast<std::size_t>(column)] : '\xFF');
            }
        }
    }
    return raw;
}

void TPNGWriter::SaveToStream(TStream& stream) {
    const bool palette = bitmap_->PixelFormat() == pf1bit;
    stream.Write(kPNGSignature, 8);

    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(bitmap_->Width()));
    PutBigEndian(header, static_cast<std::uint32_t>(bitmap_->Height()));
    header.push_back(palette ? 1 : 8);
    header.push_back(palette ? 3 : hasAlpha_ ? 6 : 2);
    header.append(3, '\0');
    WriteChunk(stream, "IHDR", header);

    std::string physical;
    const std::uint32_t perMetre = static_cast<std::uint32_t>(std::max(0, resolution_)) * 10000u / 254u + 1u;
    PutBigEndian(physical, perMetre);
    PutBigEndian(physical, perMetre);
    physical.push_back(1);
    WriteChunk(stream, "pHYs", physical);

    if (!iccProfile_.empty()) WriteChunk(stream, "iCCP", std::string("SVLProfile\0\0", 12) + iccProfile_);

    if (palette) {
        std::vector<RGBQUAD> colors = BitmapColorTable(*bitmap_);
        colors.resize(2, RGBQUAD{255, 255, 255, 0});
        std::string entries;
        for (const RGBQUAD& c : colors) {
            entries.push_back(static_cast<char>(c.rgbRed));
            entries.push_back(static_cast<char>(c.rgbGreen));
            entries.push_back(static_cast<char>(c.rgbBlue));
        }
        WriteChunk(stream, "PLTE", entries);
    }
    WriteChunk(stream, "IDAT", FlateCompressStr(RawImage()));
    WriteChunk(stream, "IEND", {});
}

// --- Reader ------------------------------------------------------------------------------------

void TPNGReader::LoadFromStream(TStream& stream) {
    const std::int64_t base = stream.GetPosition();
    const std::int64_t available = stream.GetSize() - base;
    if (available < 8 || available > kMaxImageBytes) return;
    std::string bytes(static_cast<std::size_t>(available), '\0');
    if (stream.Read(bytes.data(), available) != available) return;
    if (bytes.compare(0, 8, kPNGSignature, 8) != 0) return;

    std::size_t at = 8;
    bool first = true;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t length = BigEndianAt(bytes, at);
        const std::string type = bytes.substr(at + 4, 4);
        // Lengths of 2^31 and more are damage; a chunk must fit with its CRC.
        if (length > kLongestChunk || at + 12 + std::uint64_t{length} > bytes.size()) break;
        if (first && type != "IHDR") break;
        first = false;
        const std::size_t data = at + 8;
        if (type == "IHDR" && length >= 13) {
            Width = static_cast<std::int32_t>(BigEndianAt(bytes, data));
            Height = static_cast<std::int32_t>(BigEndianAt(bytes, data + 4));
            BitDepth = static_cast<std::uint8_t>(bytes[data + 8]);
            ColorType = static_cast<std::uint8_t>(bytes[data + 9]);
            CompressionMethod = static_cast<std::uint8_t>(bytes[data + 10]);
            FilterMethod = static_cast<std::uint8_t>(bytes[data + 11]);
            InterlaceMethod = static_cast<std::uint8_t>(bytes[data + 12]);
        } else if (type == "PLTE") {
            Palette = bytes.substr(data, length);
            PalettePosition = base + static_cast<std::int64_t>(data);
            PaletteCount = static_cast<std::int32_t>(length / 3);
        } else if (type == "tRNS") {
            Transparency = bytes.substr(data, length);
            TransparencyPosition = base + static_cast<std::int64_t>(at);
        } else if (type == "IDAT") {
            if (ImageDataPosition == 0) ImageDataPosition = base + static_cast<std::int64_t>(at);
            if (!ChunksOnly) ImageData.append(bytes, data, length);
        } else if (type == "pHYs" && length >= 9) {
            const std::uint32_t x = BigEndianAt(bytes, data), y = BigEndianAt(bytes, data + 4);
            const auto unit = static_cast<std::uint8_t>(bytes[data + 8]);
            if (x == 0 || y == 0 || x > kLongestChunk || y > kLongestChunk) {
                ResolutionX = ResolutionY = 96;
            } else if (unit == 1) {
                ResolutionX = static_cast<std::int32_t>(std::int64_t{x} * 254 / 10000);
                ResolutionY = static_cast<std::int32_t>(std::int64_t{y} * 254 / 10000);
            } else {
                ResolutionY = static_cast<std::int32_t>(std::int64_t{y} * 96 / x);
                ResolutionX = 96;
            }
        } else if (type == "IEND") {
            break;
        }
        at += 12 + std::size_t{length};
    }
    if (!ChunksOnly && !gatherOnly_ && CompressionMethod == 0 && FilterMethod == 0 && Width > 0 && Height > 0 && !ImageData.empty())
        ExtractSamples();
}

bool TPNGReader::UnfilterSamples(std::string& color, std::string& alpha) const {
    const ChannelLayout layout = LayoutOf(ColorType);
    const int depth = BitDepth;
    if (!PNGColorTypeAllowsDepth(ColorType, depth)) return false;
    if (!ImageSizeFits(Width, Height) || static_cast<std::int64_t>(Width) * Height > kMaxPNGPixels) return false;
    const std::int64_t colorRow = PNGRowBytes(Width, layout.colorChannels, depth);
    const std::int64_t alphaRow = PNGRowBytes(Width, layout.alphaChannels, depth);
    if ((colorRow + alphaRow) * Height > kMaxImageBytes) return false;
    const std::size_t bpp = static_cast<std::size_t>(std::max(1, layout.channels * depth / 8));
    const int pixelBytes = layout.channels * depth / 8;  // 0 below 8 bits
    const int colorBytes = layout.colorChannels * depth / 8;

    const std::int64_t fullRow = PNGRowBytes(Width, layout.channels, depth);
    const std::string inflated =
        FlateDecompressStr(ImageData, kMaxDecodedSize, static_cast<std::size_t>((fullRow + 1) * Height));
    color.assign(static_cast<std::size_t>(colorRow * Height), '\0');
    alpha.assign(static_cast<std::size_t>(alphaRow * Height), '\0');

    std::size_t at = 0;
    const int passes = InterlaceMethod == 1 ? 7 : 1;
    std::vector<std::uint8_t> row, prior;
    for (int pass = 0; pass < passes; ++pass) {
        const Adam7Pass p = InterlaceMethod == 1 ? kAdam7[pass] : Adam7Pass{0, 0, 1, 1};
        const std::int64_t passWidth = (Width - p.x0 + p.dx - 1) / p.dx;
        const std::int64_t passHeight = (Height - p.y0 + p.dy - 1) / p.dy;
        if (passWidth <= 0 || passHeight <= 0) continue;
        const std::size_t length = static_cast<std::size_t>(PNGRowBytes(passWidth, layout.channels, depth));
        prior.assign(length, 0);
        row.resize(length);
        for (std::int64_t r = 0; r < passHeight; ++r) {
            std::uint8_t type = 0;
            if (at + 1 + length <= inflated.size()) {
                type = static_cast<std::uint8_t>(inflated[at]);
                std::memcpy(row.data(), inflated.data() + at + 1, length);
                at += 1 + length;
            } else {
                std::fill(row.begin(), row.end(), 0xFF);
                at = inflated.size();
            }
            PNGUnfilter(type, row.data(), prior.data(), length, bpp);
            const std::int64_t y = p.y0 + r * p.dy;
            auto* colorOut = reinterpret_cast<std::uint8_t*>(color.data()) + y * colorRow;
            auto* alphaOut = reinterpret_cast<std::uint8_t*>(alpha.data()) + y * alphaRow;
            if (p.dx == 1 && (depth >= 8 ? layout.alphaChannels == 0 : true)) {
                // A whole row of colour samples in place, as the file holds it.
                std::memcpy(colorOut, row.data(), length);
                std::swap(row, prior);
                continue;
            }
            for (std::int64_t i = 0; i < passWidth; ++i) {
                const std::int64_t x = p.x0 + i * p.dx;
                if (depth < 8) {
                    const std::int64_t bit = i * depth;
                    const int sample = (row[static_cast<std::size_t>(bit / 8)] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
                    const std::int64_t outBit = x * depth;
                    colorOut[outBit / 8] |= static_cast<std::uint8_t>(sample << (8 - depth - outBit % 8));
                } else if (depth == 8 && layout.alphaChannels == 1) {
                    const std::uint8_t* source = row.data() + i * pixelBytes;
                    std::uint8_t* to = colorOut + x * colorBytes;
                    for (int k = 0; k < colorBytes; ++k) to[k] = source[k];
                    alphaOut[x] = source[colorBytes];
                } else {
                    const std::uint8_t* source = row.data() + i * pixelBytes;
                    std::memcpy(colorOut + x * colorBytes, source, static_cast<std::size_t>(colorBytes));
                    std::memcpy(alphaOut + x * (pixelBytes - colorBytes), source + colorBytes,
                                static_cast<std::size_t>(pixelBytes - colorBytes));
                }
            }
            std::swap(row, prior);
        }
    }
    return true;
}

namespace {

// Keeps the high byte of every 16-bit sample.
std::string HighBytes(const std::string& samples) {
    std::string out(samples.size() / 2, '\0');
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = samples[2 * i];
    return out;
}

}  // namespace

void TPNGReader::ExtractSamples() {
    ColorBitDepth = AlphaBitDepth = BitDepth;
    const bool hasAlpha = ColorType == 4 || ColorType == 6;
    if (!hasAlpha && InterlaceMethod == 0 && !(BitDepth == 16 && Reduce16BitColor)) {
        PassThrough = true;
        ColorSamples = ImageData;
        return;
    }
    std::string color, alpha;
    if (!UnfilterSamples(color, alpha)) return;
    if (BitDepth == 16 && Reduce16BitColor) {
        color = HighBytes(color);
        ColorBitDepth = 8;
    }
    if (BitDepth == 16 && Reduce16BitAlpha) {
        alpha = HighBytes(alpha);
        AlphaBitDepth = 8;
    }
    ColorSamples = FlateCompressStr(color);
    AlphaSamples = hasAlpha ? FlateCompressStr(alpha) : std::string();
}

// --- Pixels ------------------------------------------------------------------------------------

bool DecodePNGPixels(const std::string& bytes, TPNGPixels& pixels) {
    TStringStream stream(bytes);
    TPNGReader full;
    full.gatherOnly_ = true;  // the samples are unpacked below, not deflated again
    full.LoadFromStream(stream);
    if (full.Width <= 0 || full.Height <= 0 || full.CompressionMethod != 0 || full.FilterMethod != 0 ||
        full.InterlaceMethod > 1 || full.ImageData.empty())
        return false;
    std::string color, alpha;
    if (!full.UnfilterSamples(color, alpha)) return false;

    const int depth = full.BitDepth;
    const std::uint8_t type = full.ColorType;  // a pair UnfilterSamples accepted
    const ChannelLayout layout = LayoutOf(type);
    const std::int64_t colorRow = PNGRowBytes(full.Width, layout.colorChannels, depth);
    const std::int64_t alphaRow = PNGRowBytes(full.Width, layout.alphaChannels, depth);
    const int maxSample = (1 << std::min(depth, 16)) - 1;
    const auto& trns = full.Transparency;
    auto trnsValue = [&](std::size_t i) -> int {
        return 2 * i + 1 < trns.size() ? (static_cast<std::uint8_t>(trns[2 * i]) << 8) | static_cast<std::uint8_t>(trns[2 * i + 1]) : -1;
    };

    pixels.Width = full.Width;
    pixels.Height = full.Height;
    pixels.Pixels.assign(static_cast<std::size_t>(full.Width) * full.Height, 0);
    if (depth == 8 && (type == 2 || type == 6) && (type == 6 || trns.size() < 6)) {
        // The common case in one plain loop.
        for (std::int64_t y = 0; y < full.Height; ++y) {
            const auto* c = reinterpret_cast<const std::uint8_t*>(color.data()) + y * colorRow;
            const auto* a = reinterpret_cast<const std::uint8_t*>(alpha.data()) + y * alphaRow;
            std::uint32_t* out = pixels.Pixels.data() + y * full.Width;
            for (std::int64_t x = 0; x < full.Width; ++x, c += 3)
                out[x] = (std::uint32_t{c[0]} << 16) | (std::uint32_t{c[1]} << 8) | c[2] |
                         (std::uint32_t{type == 6 ? a[x] : std::uint8_t{255}} << 24);
        }
        return true;
    }
    for (std::int64_t y = 0; y < full.Height; ++y) {
        const auto* c = reinterpret_cast<const std::uint8_t*>(color.data()) + y * colorRow;
        const auto* a = reinterpret_cast<const std::uint8_t*>(alpha.data()) + y * alphaRow;
        for (std::int64_t x = 0; x < full.Width; ++x) {
            // Samples of the pixel at full precision.
            int s[3] = {0, 0, 0};
            for (int k = 0; k < layout.colorChannels; ++k) {
                const std::int64_t index = x * layout.colorChannels + k;
                if (depth < 8)
                    s[k] = (c[index * depth / 8] >> (8 - depth - index * depth % 8)) & maxSample;
                else if (depth == 8)
                    s[k] = c[index];
                else
                    s[k] = (c[2 * index] << 8) | c[2 * index + 1];
            }
            std::uint32_t r = 0, g = 0, b = 0, alphaByte = 255;
            auto to8 = [&](int v) -> std::uint32_t {
                return depth == 16 ? static_cast<std::uint32_t>(v >> 8) : static_cast<std::uint32_t>(v * 255 / maxSample);
            };
            if (type == 3) {
                const auto i = static_cast<std::size_t>(s[0]);
                if (3 * i + 2 < full.Palette.size()) {
                    r = static_cast<std::uint8_t>(full.Palette[3 * i]);
                    g = static_cast<std::uint8_t>(full.Palette[3 * i + 1]);
                    b = static_cast<std::uint8_t>(full.Palette[3 * i + 2]);
                }
                if (i < trns.size()) alphaByte = static_cast<std::uint8_t>(trns[i]);
            } else if (layout.colorChannels == 1) {
                r = g = b = to8(s[0]);
                if (type == 0 && trnsValue(0) == s[0]) alphaByte = 0;
            } else {
                r = to8(s[0]);
                g = to8(s[1]);
                b = to8(s[2]);
                if (type == 2 && trnsValue(0) == s[0] && trnsValue(1) == s[1] && trnsValue(2) == s[2]) alphaByte = 0;
            }
            if (layout.alphaChannels) alphaByte = depth == 16 ? a[2 * x] : a[x];
            pixels.Pixels[static_cast<std::size_t>(y * full.Width + x)] = b | (g << 8) | (r << 16) | (alphaByte << 24);
        }
    }
    return true;
}

}  // namespace parch
