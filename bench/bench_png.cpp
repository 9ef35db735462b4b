// PNG writing and reading: our writer and reader against libpng in-process, with libpng's
// defaults (adaptive row filters, zlib's default level), and against Pillow saving and opening
// the same pixels and file in memory. Pillow times itself inside one long-lived python3 process
// (see PillowPeer.h), so the interpreter's start is never counted. Pictures: a photo-like RGB
// page and its grey mask as alpha.
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "PeerComparison.h"
#include "PillowPeer.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletPNG.h"

namespace parch::bench {
namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 900;

// Smooth colour fields with a little noise, as scanned pictures have.
std::unique_ptr<TBitmap> Picture() {
    auto picture = std::make_unique<TBitmap>(kWidth, kHeight, pf24bit);
    std::uint32_t state = 7;
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = picture->ScanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>((state >> 28) & 7);
            row[3 * x] = static_cast<BYTE>(128 + 100 * std::sin(x * 0.01) + noise);
            row[3 * x + 1] = static_cast<BYTE>((x + y) / 9 + noise);
            row[3 * x + 2] = static_cast<BYTE>(128 + 90 * std::cos(y * 0.013) + noise);
        }
    }
    return picture;
}

std::unique_ptr<TBitmap> Mask() {
    auto mask = std::make_unique<TBitmap>(kWidth, kHeight, pf24bit);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) std::memset(mask->ScanLine(y) + 3 * x, (x * 255) / kWidth, 3);
    return mask;
}

// RGB or RGBA rows, as the peer takes them.
std::vector<png_byte> PeerRows(const TBitmap& picture, const TBitmap* mask) {
    const int channels = mask ? 4 : 3;
    std::vector<png_byte> rows(static_cast<std::size_t>(kWidth) * kHeight * channels);
    for (int y = 0; y < kHeight; ++y) {
        const BYTE* from = const_cast<TBitmap&>(picture).ScanLine(y);
        const BYTE* alpha = mask ? const_cast<TBitmap*>(mask)->ScanLine(y) : nullptr;
        png_byte* to = rows.data() + static_cast<std::size_t>(y) * kWidth * channels;
        for (int x = 0; x < kWidth; ++x) {
            to[channels * x] = from[3 * x + 2];
            to[channels * x + 1] = from[3 * x + 1];
            to[channels * x + 2] = from[3 * x];
            if (alpha) to[channels * x + 3] = alpha[3 * x];
        }
    }
    return rows;
}

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

std::string LibpngWrite(const std::vector<png_byte>& rows, bool alpha) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng failed to write");
    }
    png_set_write_fn(png, &out, AppendToString, nullptr);
    png_set_IHDR(png, info, kWidth, kHeight, 8, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(kWidth) * (alpha ? 4 : 3);
    for (int y = 0; y < kHeight; ++y) png_write_row(png, const_cast<png_bytep>(rows.data() + y * stride));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct ReadSource {
    const std::string* bytes;
    std::size_t at = 0;
};

void ReadFromString(png_structp png, png_bytep data, png_size_t length) {
    auto* source = static_cast<ReadSource*>(png_get_io_ptr(png));
    if (source->at + length > source->bytes->size()) png_error(png, "short");
    std::memcpy(data, source->bytes->data() + source->at, length);
    source->at += length;
}

// Every pixel as 8-bit RGBA, as our reader gives them.
std::vector<png_byte> LibpngRead(const std::string& bytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> pixels;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("libpng failed to read");
    }
    ReadSource source{&bytes};
    png_set_read_fn(png, &source, ReadFromString);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    pixels.resize(static_cast<std::size_t>(width) * height * 4);
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels.data() + y * width * 4, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return pixels;
}

// The file both readers read, also on disk for Pillow: libpng's default writing of the picture.
std::string PeerFile(bool alpha) {
    const auto picture = Picture();
    const auto mask = Mask();
    return LibpngWrite(PeerRows(*picture, alpha ? mask.get() : nullptr), alpha);
}

std::string PeerFilePath(bool alpha, const std::string& bytes) {
    std::filesystem::create_directories(PARCH_BENCH_CACHE_DIR);
    const std::string path = std::string(PARCH_BENCH_CACHE_DIR) + (alpha ? "png-rgba.png" : "png-rgb.png");
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
    return path;
}

// Pillow's sides: saving the decoded pixels as PNG (its defaults) and decoding the file's
// bytes from memory.
constexpr const char* kPillowPNG =
    "import io, sys\n"
    "from PIL import Image\n"
    "data = open(sys.argv[1], 'rb').read()\n"
    "image = Image.open(io.BytesIO(data))\n"
    "image.load()\n"
    "def write():\n"
    "    image.save(io.BytesIO(), 'PNG')\n"
    "def read():\n"
    "    Image.open(io.BytesIO(data)).load()\n"
    "operations = {'write': write, 'read': read}\n";

void BM_PNGWrite(benchmark::State& state) {
    const bool alpha = state.range(0) != 0;
    const auto picture = Picture();
    const auto mask = Mask();
    const std::vector<png_byte> rows = PeerRows(*picture, alpha ? mask.get() : nullptr);
    std::unique_ptr<PillowPeer> pillow;
    try {
        pillow = std::make_unique<PillowPeer>(kPillowPNG, std::vector<std::string>{PeerFilePath(alpha, PeerFile(alpha))});
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    CompareWithPeersAndPillow(
        state,
        [&] {
            TMemoryStream stream;
            TPNGWriter writer(*picture);
            if (alpha) writer.SetAlphaMask(mask.get(), false);
            writer.SaveToStream(stream);
            benchmark::DoNotOptimize(stream.GetSize());
        },
        {Peer("libpng", [&] { benchmark::DoNotOptimize(LibpngWrite(rows, alpha).size()); })}, *pillow, "write");
}

void BM_PNGRead(benchmark::State& state) {
    const bool alpha = state.range(0) != 0;
    // All read the same file, as libpng writes it by default.
    const std::string file = PeerFile(alpha);
    std::unique_ptr<PillowPeer> pillow;
    try {
        pillow = std::make_unique<PillowPeer>(kPillowPNG, std::vector<std::string>{PeerFilePath(alpha, file)});
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    CompareWithPeersAndPillow(
        state,
        [&] {
            TPNGPixels pixels;
            if (!DecodePNGPixels(file, pixels)) throw std::runtime_error("our reader failed");
            benchmark::DoNotOptimize(pixels.Pixels.data());
        },
        {Peer("libpng", [&] { benchmark::DoNotOptimize(LibpngRead(file).data()); })}, *pillow, "read");
}

BENCHMARK(BM_PNGWrite)->Arg(0)->Arg(1)->ArgName("alpha")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PNGRead)->Arg(0)->Arg(1)->ArgName("alpha")->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace parch::bench

BENCHMARK_MAIN();
