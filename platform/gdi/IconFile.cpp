#include "platform/gdi/IconFile.h"

#include <cstdlib>
#include <cstring>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/PixelView.h"
#include "platform/gdi/PngFile.h"

namespace parch {
namespace iconfile {

std::uint32_t U16(const BYTE* p) {
    return p[0] | (p[1] << 8);
}
std::uint32_t U32(const BYTE* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::vector<BYTE>& out, std::uint32_t v) {
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

bool Fail(std::string& error, const char* message) {
    error = message;
    return false;
}

// The BMP picture of an entry: a BITMAPINFOHEADER whose height counts the colour rows and the
// AND mask rows together.
struct BmpEntryLayout {
    std::uint32_t headerSize = 0;
    int width = 0;
    int height = 0;  // of the picture (half the header's)
    int bitCount = 0;
    std::int64_t tableBytes = 0;
    std::int64_t colorStride = 0;
    std::int64_t maskStride = 0;
    std::int64_t maskOffset = 0;  // from the entry's start
};

bool ReadBmpLayout(const BYTE* data, std::size_t size, BmpEntryLayout& l, std::string& error) {
    if (size < 40) return Fail(error, "icon picture header is truncated");
    l.headerSize = U32(data);
    if (l.headerSize < 40 || l.headerSize > 124 || l.headerSize > size) return Fail(error, "icon picture header is damaged");
    const auto width = static_cast<std::int32_t>(U32(data + 4));
    const auto fullHeight = static_cast<std::int32_t>(U32(data + 8));
    l.bitCount = static_cast<int>(U16(data + 14));
    const std::uint32_t compression = U32(data + 16);
    const std::uint32_t colorsUsed = U32(data + 32);
    if (width < 1 || fullHeight < 2 || width > kMaxIconSide || fullHeight / 2 > kMaxIconSide)
        return Fail(error, "icon picture size is out of range");
    if (l.bitCount != 1 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 24 && l.bitCount != 32)
        return Fail(error, "icon picture depth is not supported");
    if (compression != BI_RGB) return Fail(error, "compressed icon pictures are not supported");
    l.width = width;
    l.height = fullHeight / 2;
    if (l.bitCount <= 8) {
        const std::int64_t maximum = std::int64_t{1} << l.bitCount;
        l.tableBytes = 4 * ((colorsUsed == 0 || colorsUsed > maximum) ? maximum : colorsUsed);
    }
    l.colorStride = ((static_cast<std::int64_t>(l.width) * l.bitCount + 31) / 32) * 4;
    l.maskStride = ((static_cast<std::int64_t>(l.width) + 31) / 32) * 4;
    l.maskOffset = l.headerSize + l.tableBytes + l.colorStride * l.height;
    return true;
}

bool DecodeBmpPicture(const BYTE* data, std::size_t size, IconImage& out, std::string& error) {
    BmpEntryLayout l;
    if (!ReadBmpLayout(data, size, l, error)) return false;
    const std::int64_t available = static_cast<std::int64_t>(size);
    const std::int64_t maskBytes = l.maskStride * l.height;
    // A 32-bit picture may come without its AND mask: its alpha says it all.
    const bool hasMask = l.maskOffset + maskBytes <= available;
    if (l.maskOffset > available || (!hasMask && l.bitCount != 32)) return Fail(error, "icon picture is truncated");

    // The colour rows as a BMP file of the picture's own height, read by the BMP reader.
    std::vector<BYTE> file;
    file.reserve(static_cast<std::size_t>(14 + l.maskOffset));
    file.push_back('B');
    file.push_back('M');
    Put32(file, static_cast<std::uint32_t>(14 + l.maskOffset));
    Put32(file, 0);
    Put32(file, static_cast<std::uint32_t>(14 + l.headerSize + l.tableBytes));
    file.insert(file.end(), data, data + l.maskOffset);
    const std::uint32_t height = static_cast<std::uint32_t>(l.height);
    std::memcpy(file.data() + 14 + 8, &height, 4);  // little-endian host
    std::memset(file.data() + 14 + 20, 0, 4);       // biSizeImage: recomputed
    auto bitmap = DecodeBmp(file.data(), file.size(), error);
    if (!bitmap) return false;
    PixelView view = PixelView::Of(*bitmap);

    IconImage image;
    image.width = l.width;
    image.height = l.height;
    const std::size_t count = static_cast<std::size_t>(l.width) * l.height;
    image.color.resize(count);
    image.mask.assign(count, 0);
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x) {
            std::uint32_t c = view.ReadColor(x, y);
            if (l.bitCount != 32) c &= 0x00FFFFFF;
            image.color[static_cast<std::size_t>(y) * l.width + x] = c;
        }
    bool anyAlpha = false;
    for (std::uint32_t c : image.color) anyAlpha = anyAlpha || (c >> 24) != 0;
    if (hasMask) {
        for (int y = 0; y < l.height; ++y) {
            const BYTE* row = data + l.maskOffset + l.maskStride * (l.height - 1 - y);
            for (int x = 0; x < l.width; ++x)
                image.mask[static_cast<std::size_t>(y) * l.width + x] = (row[x / 8] >> (7 - x % 8)) & 1;
        }
    } else {
        if (!anyAlpha) return Fail(error, "icon picture is truncated");
        for (std::size_t k = 0; k < count; ++k) image.mask[k] = (image.color[k] >> 24) == 0;
    }
    image.hasAlpha = anyAlpha;
    out = std::move(image);
    return true;
}

bool DecodePngPicture(const BYTE* data, std::size_t size, IconImage& out, std::string& error) {
    DecodedPixels pixels;
    if (!DecodePng(data, size, pixels, error)) return false;
    if (pixels.width > kMaxIconSide || pixels.height > kMaxIconSide) return Fail(error, "icon picture size is out of range");
    IconImage image;
    image.width = pixels.width;
    image.height = pixels.height;
    image.color = std::move(pixels.pixels);
    image.mask.resize(image.color.size());
    for (std::size_t k = 0; k < image.color.size(); ++k) image.mask[k] = (image.color[k] >> 24) == 0;
    image.hasAlpha = true;
    out = std::move(image);
    return true;
}

}  // namespace iconfile

bool MeasureIconPicture(const BYTE* data, std::size_t size, int& width, int& height, int& bitCount) {
    if (IsPngData(data, size)) {
        if (size < 33) return false;  // signature, IHDR length and type, then width and height
        auto be32 = [](const BYTE* p) {
            return (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        };
        const std::uint32_t w = be32(data + 16), h = be32(data + 20);
        if (w < 1 || h < 1 || w > kMaxIconSide || h > kMaxIconSide) return false;
        width = static_cast<int>(w);
        height = static_cast<int>(h);
        bitCount = 32;
        return true;
    }
    iconfile::BmpEntryLayout l;
    std::string ignored;
    if (!iconfile::ReadBmpLayout(data, size, l, ignored)) return false;
    width = l.width;
    height = l.height;
    bitCount = l.bitCount;
    return true;
}

bool ReadIconDirectory(const BYTE* data, std::size_t size, bool groupResource, IconDirectory& out,
                       std::string& error) {
    if (!data || size < 6) return iconfile::Fail(error, "icon directory is truncated");
    const std::uint32_t type = iconfile::U16(data + 2);
    const std::uint32_t count = iconfile::U16(data + 4);
    if (iconfile::U16(data) != 0 || (type != 1 && type != 2)) return iconfile::Fail(error, "not an icon or cursor file");
    if (count == 0 || count > kMaxIconEntries) return iconfile::Fail(error, "icon directory has no usable entries");
    const std::int64_t entrySize = groupResource ? 14 : 16;
    if (6 + entrySize * count > static_cast<std::int64_t>(size)) return iconfile::Fail(error, "icon directory is truncated");
    IconDirectory directory;
    directory.isCursor = type == 2;
    for (std::uint32_t i = 0; i < count; ++i) {
        const BYTE* e = data + 6 + entrySize * i;
        IconEntryInfo entry;
        entry.width = e[0] ? e[0] : 256;
        entry.height = e[1] ? e[1] : 256;
        entry.hotspot = POINT{static_cast<LONG>(iconfile::U16(e + 4)), static_cast<LONG>(iconfile::U16(e + 6))};
        entry.bitCount = directory.isCursor ? 0 : static_cast<int>(iconfile::U16(e + 6));
        entry.size = iconfile::U32(e + 8);
        entry.offset = groupResource ? iconfile::U16(e + 12) : iconfile::U32(e + 12);
        if (!groupResource && static_cast<std::int64_t>(entry.offset) + entry.size > static_cast<std::int64_t>(size))
            return iconfile::Fail(error, "icon entry lies outside the file");
        directory.entries.push_back(entry);
    }
    out = std::move(directory);
    return true;
}

void MeasureIconEntries(const BYTE* data, std::size_t size, IconDirectory& directory) {
    for (IconEntryInfo& entry : directory.entries) {
        if (static_cast<std::int64_t>(entry.offset) + entry.size > static_cast<std::int64_t>(size)) continue;
        int w, h, bits;
        if (MeasureIconPicture(data + entry.offset, entry.size, w, h, bits)) {
            entry.width = w;
            entry.height = h;
            entry.bitCount = bits;
        }
    }
}

int BestIconEntry(const std::vector<IconEntryInfo>& entries, int cx, int cy) {
    if (entries.empty()) return -1;
    if (cx <= 0) cx = entries.front().width;
    if (cy <= 0) cy = entries.front().height;
    int best = 0;
    std::int64_t bestDistance = -1;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::int64_t distance = std::llabs(static_cast<std::int64_t>(entries[i].width) - cx) +
                                      std::llabs(static_cast<std::int64_t>(entries[i].height) - cy);
        if (bestDistance < 0 || distance < bestDistance ||
            (distance == bestDistance && entries[i].bitCount > entries[best].bitCount)) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

bool DecodeIconPicture(const BYTE* data, std::size_t size, IconImage& out, std::string& error) {
    if (!data) return iconfile::Fail(error, "no icon data");
    if (IsPngData(data, size)) return iconfile::DecodePngPicture(data, size, out, error);
    return iconfile::DecodeBmpPicture(data, size, out, error);
}

bool DecodeIconFile(const BYTE* data, std::size_t size, int cx, int cy, IconImage& out, POINT& hotspot,
                    bool& isCursor, std::string& error) {
    IconDirectory directory;
    if (!ReadIconDirectory(data, size, false, directory, error)) return false;
    MeasureIconEntries(data, size, directory);
    const int best = BestIconEntry(directory.entries, cx, cy);
    const IconEntryInfo& entry = directory.entries[static_cast<std::size_t>(best)];
    if (!DecodeIconPicture(data + entry.offset, entry.size, out, error)) return false;
    hotspot = entry.hotspot;
    isCursor = directory.isCursor;
    return true;
}

std::vector<BYTE> EncodeIconFile(const std::vector<IconImage>& images) {
    using iconfile::Put16;
    using iconfile::Put32;
    std::vector<std::vector<BYTE>> pictures;
    for (const IconImage& im : images) {
        if (im.width < 1 || im.height < 1 || im.width > 256 || im.height > 256) return {};
        std::vector<BYTE> p;
        Put32(p, 40);
        Put32(p, static_cast<std::uint32_t>(im.width));
        Put32(p, static_cast<std::uint32_t>(im.height * 2));
        Put16(p, 1);
        Put16(p, 32);
        for (int i = 0; i < 6; ++i) Put32(p, 0);
        for (int y = im.height - 1; y >= 0; --y)
            for (int x = 0; x < im.width; ++x) {
                const std::size_t k = static_cast<std::size_t>(y) * im.width + x;
                std::uint32_t c = im.Monochrome() ? (im.xorBits[k] ? 0xFFFFFF : 0) : im.color[k];
                if (!im.hasAlpha) c = (c & 0xFFFFFF) | (im.mask[k] ? 0u : 0xFF000000u);
                Put32(p, c);
            }
        const std::size_t maskStride = static_cast<std::size_t>((im.width + 31) / 32) * 4;
        for (int y = im.height - 1; y >= 0; --y) {
            std::vector<BYTE> row(maskStride, 0);
            for (int x = 0; x < im.width; ++x)
                if (im.mask[static_cast<std::size_t>(y) * im.width + x]) row[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            p.insert(p.end(), row.begin(), row.end());
        }
        pictures.push_back(std::move(p));
    }
    if (pictures.empty() || pictures.size() > kMaxIconEntries) return {};
    std::vector<BYTE> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(pictures.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        out.push_back(static_cast<BYTE>(images[i].width & 0xFF));
        out.push_back(static_cast<BYTE>(images[i].height & 0xFF));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<std::uint32_t>(pictures[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(pictures[i].size());
    }
    for (const auto& p : pictures) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace parch
