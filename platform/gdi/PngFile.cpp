#include "platform/gdi/PngFile.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace parch {
namespace pngfile {

struct Reader {
    const BYTE* data;
    std::size_t size;
    std::size_t position;
    char message[128];
};

void ReadData(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->position) png_error(png, "the data ends inside the picture");
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
}

void OnError(png_structp png, png_const_charp message) {
    auto* reader = static_cast<Reader*>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp: these two steps keep only plain data in their frames.
// Reads the header and sets the transforms to 8-bit BGRA; false on error.
bool ReadHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    const int colorType = png_get_color_type(png, info);
    png_set_expand(png);  // palettes, low-bit grey and tRNS to full samples with alpha
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);  // no effect where alpha exists
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<png_size_t>(*width) * 4;
}

bool ReadRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace pngfile

bool IsPngData(const BYTE* data, std::size_t size) {
    static const BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return data && size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

bool DecodePng(const BYTE* data, std::size_t size, DecodedPixels& out, std::string& error) {
    if (!IsPngData(data, size)) {
        error = "not a PNG file";
        return false;
    }
    pngfile::Reader reader{data, size, 0, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, pngfile::OnError, pngfile::OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "out of memory";
        return false;
    }
    png_set_read_fn(png, &reader, pngfile::ReadData);
    png_uint_32 width = 0, height = 0;
    bool ok = pngfile::ReadHeader(png, info, &width, &height);
    if (ok && static_cast<std::int64_t>(width) * height > kMaxPngPixels) {
        std::snprintf(reader.message, sizeof reader.message, "the picture is too large");
        ok = false;
    }
    if (ok) {
        out.width = static_cast<int>(width);
        out.height = static_cast<int>(height);
        out.pixels.assign(static_cast<std::size_t>(width) * height, 0);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = reinterpret_cast<png_bytep>(out.pixels.data() + static_cast<std::size_t>(y) * width);
        ok = pngfile::ReadRows(png, info, rows.data());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        error = reader.message[0] ? reader.message : "damaged PNG data";
        out = DecodedPixels{};
    }
    return ok;
}

}  // namespace parch
