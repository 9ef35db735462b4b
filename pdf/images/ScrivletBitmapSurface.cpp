#include "pdf/images/ScrivletBitmapSurface.h"

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <string>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletBitmapAccess.h"
#include "pdf/images/ScrivletImageLimits.h"
#include "pdf/images/ScrivletPNG.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/BmpFile.h"

namespace parch {

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};

bool DecodeBmpPixels(const std::string& bytes, TPNGPixels& pixels) {
    std::string error;
    const std::unique_ptr<GdiBitmap> bitmap =
        DecodeBmp(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), error);
    if (!bitmap || !ImageSizeFits(bitmap->Width(), bitmap->Height())) return false;
    pixels.Width = bitmap->Width();
    pixels.Height = bitmap->Height();
    pixels.Pixels.resize(static_cast<std::size_t>(pixels.Width) * pixels.Height);
    const int depth = bitmap->BitsPerPixel();
    const std::vector<RGBQUAD>& colors = bitmap->ColorTable();
    for (int y = 0; y < pixels.Height; ++y) {
        const BYTE* row = bitmap->Row(y);
        for (int x = 0; x < pixels.Width; ++x) {
            std::uint32_t value = 0xFF000000u;
            if (depth <= 8) {
                const int bit = x * depth;
                const int index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
                if (static_cast<std::size_t>(index) < colors.size()) {
                    const RGBQUAD& c = colors[static_cast<std::size_t>(index)];
                    value |= c.rgbBlue | (c.rgbGreen << 8) | (c.rgbRed << 16);
                }
            } else {
                const BYTE* p = row + x * (depth / 8);
                value |= p[0] | (p[1] << 8) | (p[2] << 16);
            }
            pixels.Pixels[static_cast<std::size_t>(y) * pixels.Width + x] = value;
        }
    }
    return true;
}

// A premultiplied cairo picture of the pixels, with the colour-key range left transparent.
SurfacePtr PictureOf(const TPNGPixels& pixels, bool useKey, std::uint32_t keyLow, std::uint32_t keyHigh) {
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels.Width, pixels.Height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    auto within = [&](std::uint32_t value, int shift) {
        const std::uint32_t v = (value >> shift) & 0xFF;
        return v >= ((keyLow >> shift) & 0xFF) && v <= ((keyHigh >> shift) & 0xFF);
    };
    for (int y = 0; y < pixels.Height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < pixels.Width; ++x) {
            std::uint32_t value = pixels.Pixels[static_cast<std::size_t>(y) * pixels.Width + x];
            if (useKey && within(value, 16) && within(value, 8) && within(value, 0)) value = 0;
            const std::uint32_t a = value >> 24;
            auto scale = [a](std::uint32_t channel) { return (channel * a + 127) / 255; };
            row[x] = (a << 24) | (scale((value >> 16) & 0xFF) << 16) | (scale((value >> 8) & 0xFF) << 8) |
                     scale(value & 0xFF);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

}  // namespace

bool DecodeImageStream(TMemoryStream& stream, TPNGPixels& pixels) {
    const std::string& bytes = stream.Bytes();
    if (bytes.size() >= 8 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) == 0) return DecodePNGPixels(bytes, pixels);
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return DecodeBmpPixels(bytes, pixels);
    return false;
}

std::unique_ptr<TBitmap> ScaledBitmap(const TBitmap& bitmap, std::int32_t width, std::int32_t height) {
    const std::unique_ptr<TBitmap> source = Bitmap24Copy(bitmap);
    auto scaled = std::make_unique<TBitmap>(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        const BYTE* from = BitmapRow(*source, static_cast<int>(static_cast<std::int64_t>(y) * source->Height() / height));
        BYTE* to = scaled->ScanLine(y);
        for (int x = 0; x < width; ++x)
            std::memcpy(to + 3 * x, from + 3 * (static_cast<std::int64_t>(x) * source->Width() / width), 3);
    }
    return scaled;
}

TPDFBitmapSurface::TPDFBitmapSurface(TBitmap& target) : target_(target) {
    if (target_.PixelFormat() != pf24bit && target_.PixelFormat() != pf32bit) MakeBitmap24(target_);
}

namespace {

// Paints the picture onto the bitmap's pixels through the parallelogram of three points.
void PaintPicture(TBitmap& target, cairo_surface_t* picture, int width, int height, double x1, double y1, double x2,
                  double y2, double x3, double y3) {
    if (target.Empty() || width <= 0 || height <= 0) return;
    const int bytes = target.PixelFormat() == pf24bit ? 3 : 4;
    SurfacePtr canvas(cairo_image_surface_create(CAIRO_FORMAT_RGB24, target.Width(), target.Height()));
    if (cairo_surface_status(canvas.get()) != CAIRO_STATUS_SUCCESS) return;
    unsigned char* data = cairo_image_surface_get_data(canvas.get());
    const int stride = cairo_image_surface_get_stride(canvas.get());
    for (int y = 0; y < target.Height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        const BYTE* from = BitmapRow(target, y);
        for (int x = 0; x < target.Width(); ++x) row[x] = from[bytes * x] | (from[bytes * x + 1] << 8) | (from[bytes * x + 2] << 16);
    }
    cairo_surface_mark_dirty(canvas.get());

    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, (x2 - x1) / width, (y2 - y1) / width, (x3 - x1) / height, (y3 - y1) / height, x1, y1);
    cairo_matrix_t check = matrix;
    if (cairo_matrix_invert(&check) != CAIRO_STATUS_SUCCESS) return;
    std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(canvas.get()));
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
    cairo_transform(cr.get(), &matrix);
    cairo_set_source_surface(cr.get(), picture, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(cairo_get_source(cr.get()), CAIRO_EXTEND_PAD);
    cairo_rectangle(cr.get(), 0, 0, width, height);
    cairo_fill(cr.get());
    cr.reset();
    cairo_surface_flush(canvas.get());

    for (int y = 0; y < target.Height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        BYTE* to = target.ScanLine(y);
        for (int x = 0; x < target.Width(); ++x) {
            to[bytes * x] = static_cast<BYTE>(row[x]);
            to[bytes * x + 1] = static_cast<BYTE>(row[x] >> 8);
            to[bytes * x + 2] = static_cast<BYTE>(row[x] >> 16);
        }
    }
}

}  // namespace

void TPDFBitmapSurface::DrawImageStreamPoints(TMemoryStream& stream, double x1, double y1, double x2, double y2,
                                              double x3, double y3) {
    TPNGPixels pixels;
    if (!DecodeImageStream(stream, pixels)) return;
    const SurfacePtr picture = PictureOf(pixels, false, 0, 0);
    if (picture) PaintPicture(target_, picture.get(), pixels.Width, pixels.Height, x1, y1, x2, y2, x3, y3);
}

void TPDFBitmapSurface::DrawImageStreamColorKey(TMemoryStream& stream, std::int32_t, double x1, double y1, double x2,
                                                double y2, double x3, double y3, std::int32_t, std::uint32_t keyLow,
                                                std::uint32_t keyHigh) {
    TPNGPixels pixels;
    if (!DecodeImageStream(stream, pixels)) return;
    const SurfacePtr picture = PictureOf(pixels, true, keyLow, keyHigh);
    if (picture) PaintPicture(target_, picture.get(), pixels.Width, pixels.Height, x1, y1, x2, y2, x3, y3);
}

void TPDFBitmapSurface::DrawBitmap(const TBitmap& bitmap, double x, double y, double w, double h) {
    if (bitmap.Empty()) return;
    const std::unique_ptr<TBitmap> rgb = Bitmap24Copy(bitmap);
    TPNGPixels pixels;
    pixels.Width = rgb->Width();
    pixels.Height = rgb->Height();
    pixels.Pixels.resize(static_cast<std::size_t>(pixels.Width) * pixels.Height);
    for (int row = 0; row < pixels.Height; ++row)
        for (int column = 0; column < pixels.Width; ++column)
            pixels.Pixels[static_cast<std::size_t>(row) * pixels.Width + column] = 0xFF000000u | BitmapPixelBGR(*rgb, column, row);
    const SurfacePtr picture = PictureOf(pixels, false, 0, 0);
    if (picture) PaintPicture(target_, picture.get(), pixels.Width, pixels.Height, x, y, x + w, y, x, y + h);
}

}  // namespace parch
