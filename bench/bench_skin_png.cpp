// The skin engine's PNG reader against libpng decoding to the same layout (blue, green, red,
// alpha bytes, one row after another): the internal skin's PNG pictures, and a 2,000 x 1,500
// RGBA picture stored plain and Adam7-interlaced.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "skin/engine/acPNG.h"

namespace {

using namespace parch;

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// A picture with smooth and busy areas, so the filters all get work.
std::string MakeLargePng(bool interlaced) {
    std::vector<png_byte> rows(static_cast<size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            png_byte* p = rows.data() + (static_cast<size_t>(y) * kWidth + x) * 4;
            p[0] = static_cast<png_byte>(x * 255 / kWidth);
            p[1] = static_cast<png_byte>(y * 255 / kHeight);
            p[2] = static_cast<png_byte>((x ^ y) & 0xFF);
            p[3] = static_cast<png_byte>(((x / 40 + y / 40) & 1) ? 255 : (x + y) & 0xFF);
        }
    }
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendPngBytes, nullptr);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGBA,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (int y = 0; y < kHeight; ++y) pointers.push_back(rows.data() + static_cast<size_t>(y) * kWidth * 4);
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct PngSource {
    const std::string* bytes;
    size_t at;
};

void ReadPngBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->at + length > source->bytes->size()) png_error(png, "short");
    std::memcpy(data, source->bytes->data() + source->at, length);
    source->at += length;
}

// libpng to blue, green, red, alpha rows.
void LibpngDecode(const std::string& bytes, std::vector<png_byte>& pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return;
    }
    PngSource source{&bytes, 0};
    png_set_read_fn(png, &source, ReadPngBytes);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    size_t stride = png_get_rowbytes(png, info);
    pixels.resize(stride * height);
    std::vector<png_bytep> pointers;
    for (png_uint_32 y = 0; y < height; ++y) pointers.push_back(pixels.data() + y * stride);
    png_read_image(png, pointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    (void)width;
}

void OursDecode(const std::string& bytes) {
    TStringStream stream(bytes);
    TPNGGraphic picture;
    picture.LoadFromStream(stream);
    benchmark::DoNotOptimize(picture.ScanLine(0));
}

std::string ReadSkinFile(const std::string& name) {
    TMemoryStream stream;
    stream.LoadFromFile(std::string(PARCH_SOURCE_DIR) + "/resources/skins/Steelmoor/" + name);
    return stream.Bytes();
}

void BM_SkinPngLarge(benchmark::State& state) {
    const std::string bytes = MakeLargePng(state.range(0) != 0);
    std::vector<png_byte> pixels;
    bench::CompareWithPeers(state, [&] { OursDecode(bytes); }, {bench::Peer("libpng", [&] { LibpngDecode(bytes, pixels); })});
}

void BM_SkinPngSkinPictures(benchmark::State& state) {
    std::vector<std::string> files;
    for (const char* name : {"CloseGlow.png", "MaxGlow.png", "ExBorder.png"}) files.push_back(ReadSkinFile(name));
    std::vector<png_byte> pixels;
    bench::CompareWithPeers(
        state, [&] { for (const std::string& file : files) OursDecode(file); },
        {bench::Peer("libpng", [&] { for (const std::string& file : files) LibpngDecode(file, pixels); })});
}

}  // namespace

BENCHMARK(BM_SkinPngLarge)->Arg(0)->Arg(1)->ArgName("interlaced")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkinPngSkinPictures)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
