#include "platform/gdi/BmpFile.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace parch {
namespace {

constexpr std::int64_t kFileHeaderSize = 14;
constexpr std::int64_t kMaxDimension = 1 << 20;

// Little-endian reads that fail instead of reading past the end.
class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : data_(data), size_(static_cast<std::int64_t>(size)) {}
    std::int64_t Size() const { return size_; }
    bool Has(std::int64_t offset, std::int64_t count) const {
        return offset >= 0 && count >= 0 && offset <= size_ && count <= size_ - offset;
    }
    bool U16(std::int64_t offset, std::uint32_t& value) const {
        if (!Has(offset, 2)) return false;
        value = data_[offset] | (data_[offset + 1] << 8);
        return true;
    }
    bool U32(std::int64_t offset, std::uint32_t& value) const {
        if (!Has(offset, 4)) return false;
        value = data_[offset] | (data_[offset + 1] << 8) | (data_[offset + 2] << 16) |
                (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
        return true;
    }
    const BYTE* At(std::int64_t offset) const { return data_ + offset; }

private:
    const BYTE* data_;
    std::int64_t size_;
};

struct Header {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: top-down
    std::uint32_t planes = 1;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    bool hasMasks = false;
};

bool Fail(std::string& error, const char* message) {
    error = message;
    return false;
}

bool ReadHeader(const Reader& in, Header& h, std::int64_t& tableOffset, std::int64_t& entrySize, std::string& error) {
    if (!in.U32(kFileHeaderSize, h.headerSize)) return Fail(error, "BMP header is truncated");
    const std::int64_t at = kFileHeaderSize;
    if (!in.Has(at, h.headerSize)) return Fail(error, "BMP header is truncated");
    std::uint32_t v = 0;
    if (h.headerSize == 12) {
        in.U16(at + 4, v);
        h.width = v;
        in.U16(at + 6, v);
        h.height = v;
        in.U16(at + 8, h.planes);
        in.U16(at + 10, h.bitCount);
        entrySize = 3;
    } else if (h.headerSize >= 40 && h.headerSize <= 124) {
        in.U32(at + 4, v);
        h.width = static_cast<std::int32_t>(v);
        in.U32(at + 8, v);
        h.height = static_cast<std::int32_t>(v);
        in.U16(at + 12, h.planes);
        in.U16(at + 14, h.bitCount);
        in.U32(at + 16, h.compression);
        in.U32(at + 32, h.colorsUsed);
        entrySize = 4;
        if (h.headerSize >= 52) {
            for (int i = 0; i < 3; ++i) in.U32(at + 40 + 4 * i, h.masks[i]);
            h.hasMasks = true;
        }
        if (h.headerSize >= 56) in.U32(at + 52, h.masks[3]);
    } else {
        return Fail(error, "BMP header has an unknown size");
    }
    tableOffset = at + h.headerSize;
    // A plain info header keeps its masks after itself.
    if (h.headerSize == 40 && (h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS)) {
        const int count = h.compression == BI_ALPHABITFIELDS ? 4 : 3;
        for (int i = 0; i < count; ++i)
            if (!in.U32(tableOffset + 4 * i, h.masks[i])) return Fail(error, "BMP colour masks are truncated");
        h.hasMasks = true;
        tableOffset += 4 * count;
    }
    if (h.planes != 1) return Fail(error, "BMP plane count is not 1");
    if (h.width <= 0 || h.height == 0 || h.width > kMaxDimension || h.height > kMaxDimension ||
        h.height < -kMaxDimension)
        return Fail(error, "BMP size is out of range");
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    default: return Fail(error, "BMP bit depth is not supported");
    }
    const bool rle = h.compression == BI_RLE8 || h.compression == BI_RLE4;
    if (h.compression == BI_RLE8 && h.bitCount != 8) return Fail(error, "BMP compression does not match its depth");
    if (h.compression == BI_RLE4 && h.bitCount != 4) return Fail(error, "BMP compression does not match its depth");
    if (rle && h.height < 0) return Fail(error, "BMP compressed rows cannot be top-down");
    if ((h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS) && h.bitCount != 16 && h.bitCount != 32)
        return Fail(error, "BMP compression does not match its depth");
    if (h.compression != BI_RGB && !rle && h.compression != BI_BITFIELDS && h.compression != BI_ALPHABITFIELDS)
        return Fail(error, "BMP compression is not supported");
    return true;
}

// Extracts a channel under a mask and scales it to 8 bits.
BYTE Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t m = mask >> shift;
    const std::uint32_t value = (pixel & mask) >> shift;
    return static_cast<BYTE>(static_cast<std::uint64_t>(value) * 255 / m);
}

bool DecodeRle(const Reader& in, std::int64_t offset, GdiBitmap& bitmap, bool rle4, std::string& error) {
    const int width = bitmap.Width(), height = bitmap.Height();
    std::int64_t pos = offset;
    int x = 0, y = 0;  // y counts rows from the bottom, as the file stores them
    auto put = [&](int index) {
        if (x < width && y < height) {
            BYTE* row = bitmap.Row(height - 1 - y);
            if (rle4) row[x >> 1] |= static_cast<BYTE>((index & 0x0F) << ((x & 1) ? 0 : 4));
            else row[x] = static_cast<BYTE>(index);
        }
        ++x;
    };
    while (true) {
        if (!in.Has(pos, 2)) return Fail(error, "BMP compressed data is truncated");
        const int count = *in.At(pos), code = *in.At(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) put(rle4 ? ((i & 1) ? code & 0x0F : code >> 4) : code);
            continue;
        }
        if (code == 0) {  // end of line
            x = 0;
            ++y;
        } else if (code == 1) {  // end of bitmap
            return true;
        } else if (code == 2) {  // delta
            if (!in.Has(pos, 2)) return Fail(error, "BMP compressed data is truncated");
            x += *in.At(pos);
            y += *in.At(pos + 1);
            pos += 2;
        } else {  // literal run, padded to 16 bits
            const std::int64_t bytes = rle4 ? (code + 1) / 2 : code;
            if (!in.Has(pos, bytes)) return Fail(error, "BMP compressed data is truncated");
            for (int i = 0; i < code; ++i) {
                const BYTE b = *in.At(pos + (rle4 ? i / 2 : i));
                put(rle4 ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            pos += bytes + (bytes & 1);
        }
        if (y >= height) return true;
    }
}

std::unique_ptr<GdiBitmap> Failed(std::string& error, const char* message) {
    error = message;
    return nullptr;
}

}  // namespace

std::unique_ptr<GdiBitmap> DecodeBmp(const BYTE* data, std::size_t size, std::string& error) {
    const Reader in(data, size);
    std::uint32_t magic, pixelOffset;
    if (!in.U16(0, magic) || magic != 0x4D42) return Failed(error, "not a BMP file");
    if (!in.U32(10, pixelOffset)) return Failed(error, "BMP header is truncated");
    Header h;
    std::int64_t tableOffset = 0, entrySize = 4;
    if (!ReadHeader(in, h, tableOffset, entrySize, error)) return nullptr;

    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height < 0 ? -h.height : h.height);
    const bool topDown = h.height < 0;
    const bool hasAlphaMask = h.masks[3] != 0;
    const int outDepth = h.bitCount == 16 ? (hasAlphaMask ? 32 : 24) : static_cast<int>(h.bitCount);
    if (static_cast<std::int64_t>(GdiBitmap::StrideFor(width, outDepth)) * height > kMaxBmpPixelBytes)
        return Failed(error, "BMP is too large");
    if (pixelOffset < tableOffset || pixelOffset >= in.Size()) return Failed(error, "BMP pixel offset is out of range");

    auto bitmap = GdiBitmap::Create(width, height, outDepth, topDown, true);
    if (!bitmap) return Failed(error, "BMP is too large");

    if (h.bitCount <= 8) {
        const std::int64_t maximum = std::int64_t{1} << h.bitCount;
        const std::int64_t declared = h.colorsUsed ? h.colorsUsed : maximum;
        // Files may declare fewer entries; the table ends where the pixels begin.
        const std::int64_t available = (pixelOffset - tableOffset) / entrySize;
        const std::int64_t count = std::min({declared, maximum, available});
        std::vector<RGBQUAD> colors(static_cast<size_t>(maximum));
        for (std::int64_t i = 0; i < count; ++i) {
            const BYTE* e = in.At(tableOffset + i * entrySize);
            colors[i] = RGBQUAD{e[0], e[1], e[2], 0};
        }
        bitmap->ColorTable() = std::move(colors);
    }

    if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
        if (!DecodeRle(in, pixelOffset, *bitmap, h.compression == BI_RLE4, error)) return nullptr;
        return bitmap;
    }

    const std::int64_t fileStride = GdiBitmap::StrideFor(width, static_cast<int>(h.bitCount));
    if (!in.Has(pixelOffset, fileStride * height)) return Failed(error, "BMP pixel data is truncated");
    std::uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    const bool useMasks = h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS;
    if (!useMasks && h.bitCount == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
        masks[3] = 0;
    }
    const bool standard32 = h.bitCount == 32 &&
                            (!useMasks || (masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF &&
                                           (masks[3] == 0 || masks[3] == 0xFF000000)));
    for (int row = 0; row < height; ++row) {
        // Rows are stored in the bitmap's own order, so memory row `row` is file row `row`.
        const BYTE* source = in.At(pixelOffset + fileStride * row);
        BYTE* target = bitmap->Bits() + static_cast<std::int64_t>(bitmap->Stride()) * row;
        if (h.bitCount != 16 && (h.bitCount != 32 || standard32)) {
            std::memcpy(target, source, static_cast<size_t>(std::min<std::int64_t>(fileStride, bitmap->Stride())));
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = h.bitCount == 16
                                            ? static_cast<std::uint32_t>(source[2 * x] | (source[2 * x + 1] << 8))
                                            : static_cast<std::uint32_t>(source[4 * x] | (source[4 * x + 1] << 8) |
                                                                         (source[4 * x + 2] << 16) |
                                                                         (static_cast<std::uint32_t>(source[4 * x + 3]) << 24));
            BYTE* p = target + x * (outDepth / 8);
            p[0] = Channel(pixel, masks[2]);
            p[1] = Channel(pixel, masks[1]);
            p[2] = Channel(pixel, masks[0]);
            if (outDepth == 32) p[3] = Channel(pixel, masks[3]);
        }
    }
    return bitmap;
}

HBITMAP ReadBmp(const BYTE* data, std::size_t size, std::string& error) {
    auto bitmap = DecodeBmp(data, size, error);
    return bitmap ? AdoptGdiObject(std::move(bitmap)) : nullptr;
}

std::vector<BYTE> EncodeBmp(const GdiBitmap& bitmap) {
    const std::uint32_t colors = bitmap.IsPaletted() ? static_cast<std::uint32_t>(bitmap.ColorTable().size()) : 0;
    const std::uint32_t offset = static_cast<std::uint32_t>(kFileHeaderSize + 40 + 4 * colors);
    const std::uint64_t total = offset + static_cast<std::uint64_t>(bitmap.ByteSize());
    std::vector<BYTE> out;
    out.reserve(static_cast<size_t>(total));
    auto bytes = [&out](std::uint32_t v, int count) {
        for (int i = 0; i < count; ++i) out.push_back(static_cast<BYTE>(v >> (8 * i)));
    };
    auto u16 = [&bytes](std::uint32_t v) { bytes(v, 2); };
    auto u32 = [&bytes](std::uint32_t v) { bytes(v, 4); };
    u16(0x4D42);
    u32(total > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(total));
    u32(0);
    u32(offset);
    u32(40);
    u32(static_cast<std::uint32_t>(bitmap.Width()));
    u32(static_cast<std::uint32_t>(bitmap.TopDown() ? -bitmap.Height() : bitmap.Height()));
    u16(1);
    u16(static_cast<std::uint32_t>(bitmap.BitsPerPixel()));
    u32(BI_RGB);
    u32(static_cast<std::uint32_t>(bitmap.ByteSize()));
    u32(3780);  // 96 dots per inch
    u32(3780);
    u32(colors);
    u32(0);
    for (const RGBQUAD& q : bitmap.ColorTable()) {
        if (!bitmap.IsPaletted()) break;
        u32(q.rgbBlue | (q.rgbGreen << 8) | (static_cast<std::uint32_t>(q.rgbRed) << 16));
    }
    out.insert(out.end(), bitmap.Bits(), bitmap.Bits() + bitmap.ByteSize());
    return out;
}

std::vector<BYTE> WriteBmp(HBITMAP handle) {
    GdiBitmap* bitmap = ResolveHandle(handle);
    return bitmap ? EncodeBmp(*bitmap) : std::vector<BYTE>();
}

}  // namespace parch
