#include "platform/display/PngFile.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/win/Compositor.h"

namespace parch {

namespace {

void PutBigEndian(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

// Rows with filter byte 0, pixels as R, G, B, A.
std::vector<unsigned char> RawRows(const GdiBitmap& bitmap) {
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<std::size_t>(bitmap.Height()) * (1 + static_cast<std::size_t>(bitmap.Width()) * 4));
    for (int y = 0; y < bitmap.Height(); ++y) {
        raw.push_back(0);
        const BYTE* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            const BYTE* p = row + x * 4;
            raw.insert(raw.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    return raw;
}

struct BitmapDeleter {
    void operator()(GdiBitmap* b) const { DeleteObject(b); }
};

}  // namespace

bool SavePng(HBITMAP handle, const std::string& path) {
    const GdiBitmap* bitmap = ResolveHandle(handle);
    if (!bitmap || bitmap->BitsPerPixel() != 32) return false;
    std::vector<unsigned char> raw = RawRows(*bitmap);
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_SPEED) != Z_OK)
        return false;
    packed.resize(packedSize);

    std::vector<unsigned char> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<std::uint32_t>(bitmap->Width()));
    PutBigEndian(header, static_cast<std::uint32_t>(bitmap->Height()));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, no interlace
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});

    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out) return false;
    return std::fwrite(file.data(), 1, file.size(), out.get()) == file.size();
}

bool SaveScreenPng(const std::string& path) {
    std::unique_ptr<GdiBitmap, BitmapDeleter> screen(CaptureScreen());
    return screen && SavePng(screen.get(), path);
}

bool SaveWindowPng(HWND hwnd, const std::string& path) {
    std::unique_ptr<GdiBitmap, BitmapDeleter> picture(CaptureWindow(hwnd));
    return picture && SavePng(picture.get(), path);
}

}  // namespace parch
