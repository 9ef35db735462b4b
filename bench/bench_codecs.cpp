// The image codecs against the libraries a user would decode with instead, in the same run on
// the same data: Group 4 fax decoding against libtiff's, JPEG decoding into a bitmap against
// bare libjpeg decoding into a buffer and against Pillow's Image.open(...).load(), JPEG 2000
// decoding into a bitmap against bare OpenJPEG decoding into its component planes and against
// Pillow. Pillow times itself inside its python3 process on the same bytes, read from memory
// (see PillowPeer.h). "vs_<peer>" is our time over theirs.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <openjpeg.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "PeerComparison.h"
#include "PillowPeer.h"

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/images/ScrivletCCITT.h"
#include "pdf/images/ScrivletJPEG.h"
#include "pdf/images/ScrivletJPX.h"

namespace {

using parch::bench::CompareWithPeers;
using parch::bench::CompareWithPeersAndPillow;
using parch::bench::Peer;
using parch::bench::PillowPeer;

// --- A fax page -------------------------------------------------------------------------------

constexpr int kPageColumns = 2480;
constexpr int kPageRows = 3508;

// A 300 dpi A4 page of text-like marks: lines of glyph-sized blobs with gaps, margins and
// paragraph breaks; 1 is black.
std::vector<std::uint8_t> TextPage() {
    const int rowBytes = (kPageColumns + 7) / 8;
    std::vector<std::uint8_t> page(static_cast<std::size_t>(rowBytes) * kPageRows, 0);
    std::mt19937 random(3);
    auto set = [&](int x, int y) { page[static_cast<std::size_t>(y) * rowBytes + x / 8] |= 0x80 >> (x % 8); };
    for (int line = 200; line + 40 < kPageRows - 200; line += 50) {
        if (random() % 9 == 0) continue;  // paragraph break
        int x = 200;
        while (x < kPageColumns - 260) {
            const int width = 14 + static_cast<int>(random() % 16), height = 18 + static_cast<int>(random() % 14);
            const int top = line + 32 - height;
            for (int y = top; y < line + 32; ++y)
                for (int dx = 0; dx < width; ++dx)
                    if ((dx < 4 || dx >= width - 4 || y < top + 4 || y >= line + 28) && (random() % 13 != 0)) set(x + dx, y);
            x += width + 4 + (random() % 6 == 0 ? 22 : 0);
        }
    }
    return page;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The cache folder, made on first use.
std::string CachePath(const std::string& name) {
    std::filesystem::create_directories(PARCH_BENCH_CACHE_DIR);
    return std::string(PARCH_BENCH_CACHE_DIR) + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

// Pillow decoding the file's bytes, held in memory, into its pixels.
constexpr const char* kPillowDecode =
    "import io, sys\n"
    "from PIL import Image\n"
    "data = open(sys.argv[1], 'rb').read()\n"
    "def decode():\n"
    "    Image.open(io.BytesIO(data)).load()\n"
    "decode()\n"
    "operations = {'decode': decode}\n";

// Our decoding of the bytes against the library's and against Pillow's, which reads them from
// the cache file of that name.
void CompareDecoding(benchmark::State& state, const std::string& bytes, const std::string& fileName,
                     const std::function<void()>& ours, const Peer& library) {
    try {
        const std::string path = CachePath(fileName);
        WriteFile(path, bytes);
        PillowPeer pillow(kPillowDecode, {path});
        CompareWithPeersAndPillow(state, ours, {library}, pillow, "decode");
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// The page as a one-strip Group 4 TIFF (libtiff's encoder), made once into the cache folder.
std::string FaxTIFF() {
    const std::string path = CachePath("codecs-page-g4.tif");
    std::string bytes = ReadFile(path);
    if (!bytes.empty()) return bytes;
    std::vector<std::uint8_t> page = TextPage();
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) throw std::runtime_error("cannot write " + path);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kPageColumns);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kPageRows);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, kPageRows);
    const int rowBytes = (kPageColumns + 7) / 8;
    for (int y = 0; y < kPageRows; ++y) TIFFWriteScanline(tiff, page.data() + static_cast<std::size_t>(y) * rowBytes, y, 0);
    TIFFClose(tiff);
    return ReadFile(path);
}

struct MemoryFile {
    const std::string* bytes;
    toff_t position = 0;
};

tmsize_t ReadMemory(thandle_t handle, void* buffer, tmsize_t count) {
    auto* file = static_cast<MemoryFile*>(handle);
    const toff_t left = file->bytes->size() > file->position ? file->bytes->size() - file->position : 0;
    const auto n = static_cast<tmsize_t>(std::min<toff_t>(left, static_cast<toff_t>(count)));
    std::memcpy(buffer, file->bytes->data() + file->position, static_cast<std::size_t>(n));
    file->position += static_cast<toff_t>(n);
    return n;
}
tmsize_t WriteNothing(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    file->position = (whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file->position : file->bytes->size()) + offset;
    return file->position;
}
int CloseNothing(thandle_t) { return 0; }
toff_t MemorySize(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes->size(); }
int MapNothing(thandle_t, void**, toff_t*) { return 0; }
void UnmapNothing(thandle_t, void*, toff_t) {}

TIFF* OpenMemoryTIFF(MemoryFile& file) {
    return TIFFClientOpen("page", "rm", &file, ReadMemory, WriteNothing, SeekMemory, CloseNothing, MemorySize,
                          MapNothing, UnmapNothing);
}

std::string RawStrip(const std::string& tiffBytes) {
    MemoryFile file{&tiffBytes};
    TIFF* tiff = OpenMemoryTIFF(file);
    if (!tiff) throw std::runtime_error("libtiff cannot open the page");
    std::string strip(static_cast<std::size_t>(TIFFRawStripSize(tiff, 0)), '\0');
    TIFFReadRawStrip(tiff, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
    TIFFClose(tiff);
    return strip;
}

void BM_Group4Decode(benchmark::State& state) {
    const std::string tiffBytes = FaxTIFF();
    const std::string strip = RawStrip(tiffBytes);
    const parch::TCCITTByteArray input(strip.begin(), strip.end());
    parch::TCCITTByteArray ours, theirs;
    const auto decodeOurs = [&] {
        parch::TSVLCCITTDecoder decoder(kPageColumns, false, false, 1, kPageRows);
        ours.assign(static_cast<std::size_t>(decoder.RowBytes() * kPageRows), 0);
        if (!decoder.DecodeG4(ours, input)) throw std::runtime_error("our Group 4 decoder failed");
    };
    const auto decodeLibtiff = [&] {
        MemoryFile file{&tiffBytes};
        TIFF* tiff = OpenMemoryTIFF(file);
        theirs.assign(static_cast<std::size_t>(TIFFStripSize(tiff)), 0);
        TIFFReadEncodedStrip(tiff, 0, theirs.data(), static_cast<tmsize_t>(theirs.size()));
        TIFFClose(tiff);
    };
    decodeOurs();
    decodeLibtiff();
    if (ours != theirs) {
        state.SkipWithError("the two decoders disagree");
        return;
    }
    CompareWithPeers(state, decodeOurs, {Peer("libtiff", decodeLibtiff)});
}
BENCHMARK(BM_Group4Decode)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- A photograph-like picture ----------------------------------------------------------------

std::unique_ptr<parch::TBitmap> Photograph(int width, int height) {
    auto bitmap = std::make_unique<parch::TBitmap>(width, height, parch::pf24bit);
    std::mt19937 random(5);
    for (int y = 0; y < height; ++y) {
        parch::BYTE* row = bitmap->ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random() % 24);
            row[x * 3 + 0] = static_cast<parch::BYTE>((x * 255 / width + noise) & 0xFF);
            row[x * 3 + 1] = static_cast<parch::BYTE>(((x + y) * 255 / (width + height) + noise) & 0xFF);
            row[x * 3 + 2] = static_cast<parch::BYTE>((y * 255 / height + (x / 40 % 2) * 60) & 0xFF);
        }
    }
    return bitmap;
}

void BM_JPEGDecode(benchmark::State& state) {
    auto picture = Photograph(2000, 1500);
    parch::TJPEGImage encoder;
    encoder.AssignBitmap(*picture);
    encoder.SetCompressionQuality(85);
    parch::TMemoryStream encoded;
    encoder.SaveToStream(encoded);
    const std::string jpeg = encoded.Bytes();

    const auto decodeOurs = [&] {
        parch::TPDFJPEGImage image;
        parch::TStringStream stream(jpeg);
        image.LoadFromStream(stream);
        benchmark::DoNotOptimize(image.Bitmap().ScanLine(0));
    };
    const auto decodeLibjpeg = [&] {
        // The pixels need a home on both sides: a buffer of the picture's size.
        std::vector<JSAMPLE> buffer(std::size_t{2000} * 1500 * 3);
        jpeg_decompress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = buffer.data() + static_cast<std::size_t>(info.output_scanline) * info.output_width * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
    };
    CompareDecoding(state, jpeg, "codecs-photo.jpg", decodeOurs, Peer("libjpeg", decodeLibjpeg));
}
BENCHMARK(BM_JPEGDecode)->UseManualTime()->Unit(benchmark::kMillisecond);

// --- JPEG 2000 ----------------------------------------------------------------------------------

struct Source {
    const std::string* bytes;
    std::uint64_t position = 0;
};

OPJ_SIZE_T ReadSource(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* source = static_cast<Source*>(user);
    if (source->position >= source->bytes->size()) return static_cast<OPJ_SIZE_T>(-1);
    const std::uint64_t n = std::min<std::uint64_t>(count, source->bytes->size() - source->position);
    std::memcpy(buffer, source->bytes->data() + source->position, n);
    source->position += n;
    return n;
}
OPJ_OFF_T SkipSource(OPJ_OFF_T count, void* user) {
    auto* source = static_cast<Source*>(user);
    source->position += static_cast<std::uint64_t>(count);
    return count;
}
OPJ_BOOL SeekSource(OPJ_OFF_T offset, void* user) {
    static_cast<Source*>(user)->position = static_cast<std::uint64_t>(offset);
    return OPJ_TRUE;
}

void BM_JPEG2000Decode(benchmark::State& state) {
    auto picture = Photograph(1024, 768);
    parch::TJpeg2000Bitmap encoder;
    encoder.Assign(picture.get());
    encoder.Quality = 80;
    parch::TMemoryStream encoded;
    encoder.SaveToStream(encoded);
    const std::string jp2 = encoded.Bytes();

    const auto decodeOurs = [&] {
        parch::TJpeg2000Bitmap bitmap;
        parch::TStringStream stream(jp2);
        bitmap.LoadFromStream(stream);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    };
    const auto decodeOpenJPEG = [&] {
        Source source{&jp2};
        opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_JP2);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        opj_setup_decoder(codec, &parameters);
        opj_stream_t* stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
        opj_stream_set_user_data(stream, &source, nullptr);
        opj_stream_set_user_data_length(stream, jp2.size());
        opj_stream_set_read_function(stream, ReadSource);
        opj_stream_set_skip_function(stream, SkipSource);
        opj_stream_set_seek_function(stream, SeekSource);
        opj_image_t* image = nullptr;
        if (!opj_read_header(stream, codec, &image) || !opj_decode(codec, stream, image) ||
            !opj_end_decompress(codec, stream))
            throw std::runtime_error("OpenJPEG failed");
        opj_image_destroy(image);
        opj_stream_destroy(stream);
        opj_destroy_codec(codec);
    };
    CompareDecoding(state, jp2, "codecs-photo.jp2", decodeOurs, Peer("openjpeg", decodeOpenJPEG));
}
BENCHMARK(BM_JPEG2000Decode)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
