#pragma once
// Small PNG files made in memory with libpng, for tests that need a picture file's bytes.

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace parch::test {

// Samples row by row: 4 per pixel (red, green, blue, alpha) for PNG_COLOR_TYPE_RGBA, 3 for
// PNG_COLOR_TYPE_RGB.
inline std::string EncodePng(int width, int height, const std::vector<std::uint8_t>& samples,
                             int colorType = PNG_COLOR_TYPE_RGBA) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    size_t rowBytes = static_cast<size_t>(width) * (colorType == PNG_COLOR_TYPE_RGBA ? 4 : 3);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(samples.data() + static_cast<size_t>(y) * rowBytes));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A picture of one RGBA colour.
inline std::string SolidPng(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < width * height; ++i) samples.insert(samples.end(), {r, g, b, a});
    return EncodePng(width, height, samples);
}

}  // namespace parch::test
