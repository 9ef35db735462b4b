#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "GdiTestSupport.h"
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/PixelView.h"

namespace parch {
namespace {

std::vector<BYTE> InfoFor(int width, int height, int bitsPerPixel, const std::vector<RGBQUAD>& colors = {}) {
    std::vector<BYTE> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
    info->bmiHeader = BITMAPINFOHEADER{};
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colors.size());
    if (!colors.empty()) std::memcpy(info->bmiColors, colors.data(), colors.size() * sizeof(RGBQUAD));
    return storage;
}

BITMAPINFO* Info(std::vector<BYTE>& storage) { return reinterpret_cast<BITMAPINFO*>(storage.data()); }

TEST(Bitmap, DibSectionsHaveTheirLayoutStrideAndZeroedPixels) {
    struct Case {
        int bits;
        int width;
        int stride;
    };
    for (const Case c : {Case{1, 33, 8}, Case{4, 9, 8}, Case{8, 5, 8}, Case{24, 3, 12}, Case{32, 3, 12}}) {
        for (int height : {4, -4}) {
            auto storage = InfoFor(c.width, height, c.bits);
            void* bits = nullptr;
            HBITMAP bitmap = CreateDIBSection(nullptr, Info(storage), DIB_RGB_COLORS, &bits, nullptr, 0);
            ASSERT_NE(bitmap, nullptr) << c.bits;
            DIBSECTION ds;
            ASSERT_EQ(GetObject(bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
            EXPECT_EQ(ds.dsBm.bmWidthBytes, c.stride);
            EXPECT_EQ(ds.dsBm.bmHeight, 4);
            EXPECT_EQ(ds.dsBm.bmBits, bits);
            EXPECT_EQ(ds.dsBmih.biHeight, height);
            const auto* bytes = static_cast<const BYTE*>(bits);
            EXPECT_TRUE(std::all_of(bytes, bytes + c.stride * 4, [](BYTE b) { return b == 0; }));
            DeleteObject(bitmap);
        }
    }
}

TEST(Bitmap, UnsupportedDescriptionsCreateNothing) {
    for (auto [width, height, bits] : {std::tuple{0, 1, 32}, {-1, 1, 32}, {1, 0, 32}, {1, 1, 16}, {1, 1, 7},
                                       {1 << 20, 1 << 20, 32}}) {
        auto storage = InfoFor(width, height, bits);
        void* pixels = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, Info(storage), DIB_RGB_COLORS, &pixels, nullptr, 0), nullptr);
        EXPECT_EQ(pixels, nullptr);
    }
}

TEST(Bitmap, GetAndSetDIBitsConvertLayoutsAndRowOrder) {
    test::Surface s(3, 2);
    s.SetValue(0, 0, 0xFF010203);
    s.SetValue(2, 1, 0x00A0B0C0);
    // Bottom-up 24-bit copy: the first row in memory is the bottom one.
    auto storage = InfoFor(3, 2, 24);
    std::vector<BYTE> rows(2 * 12);
    ASSERT_EQ(GetDIBits(s.dc(), s.bitmap(), 0, 2, rows.data(), Info(storage), DIB_RGB_COLORS), 2);
    EXPECT_EQ(rows[6], 0xC0);
    EXPECT_EQ(rows[7], 0xB0);
    EXPECT_EQ(rows[8], 0xA0);
    EXPECT_EQ(rows[12], 0x03);
    EXPECT_EQ(rows[14], 0x01);

    // An 8-bit buffer with its palette lands as colours.
    auto palette = InfoFor(3, -1, 8, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 0, 0, 0}});
    const BYTE indexes[4] = {1, 0, 1, 0};
    ASSERT_EQ(SetDIBits(s.dc(), s.bitmap(), 0, 1, indexes, Info(palette), DIB_RGB_COLORS), 1);
    EXPECT_EQ(s.Color(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(s.Color(1, 0), RGB(0, 0, 0));

    // Asking with a zero bit count describes the bitmap.
    BITMAPINFO query{};
    query.bmiHeader.biBitCount = 0;
    ASSERT_NE(GetDIBits(s.dc(), s.bitmap(), 0, 0, nullptr, &query, DIB_RGB_COLORS), 0);
    EXPECT_EQ(query.bmiHeader.biBitCount, 32);
    EXPECT_EQ(query.bmiHeader.biWidth, 3);
}

std::vector<RGBQUAD> RandomColors(std::mt19937& random, int count) {
    std::vector<RGBQUAD> colors(count);
    for (auto& c : colors) c = RGBQUAD{BYTE(random()), BYTE(random()), BYTE(random()), 0};
    return colors;
}

TEST(Bitmap, BmpFilesRoundTripInEveryLayout) {
    std::mt19937 random(3);
    for (int bits : {1, 4, 8, 24, 32}) {
        for (bool topDown : {true, false}) {
            test::Surface s(13, 5, bits, topDown, bits <= 8 ? RandomColors(random, 1 << bits) : std::vector<RGBQUAD>{});
            GdiBitmap& original = s.pixels();
            for (std::int64_t i = 0; i < original.ByteSize(); ++i) original.Bits()[i] = static_cast<BYTE>(random());
            const std::vector<BYTE> file = WriteBmp(s.bitmap());
            std::string error;
            auto decoded = DecodeBmp(file.data(), file.size(), error);
            ASSERT_NE(decoded, nullptr) << error;
            EXPECT_EQ(decoded->BitsPerPixel(), bits);
            EXPECT_EQ(decoded->TopDown(), topDown);
            ASSERT_EQ(decoded->ByteSize(), original.ByteSize());
            const PixelView a = PixelView::Of(original), b = PixelView::Of(*decoded);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 13; ++x) ASSERT_EQ(a.ReadValue(x, y), b.ReadValue(x, y)) << bits << " " << x << "," << y;
            if (bits <= 8) {
                ASSERT_EQ(decoded->ColorTable().size(), original.ColorTable().size());
                EXPECT_EQ(std::memcmp(decoded->ColorTable().data(), original.ColorTable().data(),
                                      original.ColorTable().size() * sizeof(RGBQUAD)), 0);
            }
        }
    }
}

// Runs the PIL oracle; empty when the system Python with PIL is missing.
std::string Oracle(const std::string& arguments) {
    const std::string command = "/usr/bin/python3 " PARCH_SOURCE_DIR "/tests/platform/gdi/bmp_oracle.py " + arguments + " 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
        if (pclose(pipe) != 0) output.clear();
    }
    return output;
}

// Our reading of a bitmap in the oracle's dump format (alpha only where the file has one).
std::string Dump(const GdiBitmap& bitmap, bool withAlpha) {
    GdiBitmap& b = const_cast<GdiBitmap&>(bitmap);
    const PixelView view = PixelView::Of(b);
    std::ostringstream out;
    out << bitmap.Width() << " " << bitmap.Height() << "\n";
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const DWORD c = view.ReadColor(x, y);
            out << (x ? " " : "") << ((c >> 16) & 0xFF) << "," << ((c >> 8) & 0xFF) << "," << (c & 0xFF) << ","
                << (withAlpha ? (c >> 24) : 255);
        }
        out << "\n";
    }
    return out.str();
}

std::string WithoutAlpha(const std::string& dump) {
    std::string out;
    std::istringstream lines(dump);
    std::string line;
    std::getline(lines, line);
    out += line + "\n";
    while (std::getline(lines, line)) {
        std::istringstream pixels(line);
        std::string pixel, row;
        while (pixels >> pixel) row += (row.empty() ? "" : " ") + pixel.substr(0, pixel.rfind(',')) + ",255";
        out += row + "\n";
    }
    return out;
}

std::vector<BYTE> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

class BmpOracle : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("parch_gdi_bmp_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        if (Oracle("make " + folder_.string()).empty() && !std::filesystem::exists(folder_ / "pil_RGB.bmp"))
            GTEST_SKIP() << "PIL or ImageMagick is not installed";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path folder_;
};

TEST_F(BmpOracle, ReadsWhatPilAndImageMagickWrite) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        if (entry.path().extension() != ".bmp") continue;
        ++files;
        const auto data = ReadFile(entry.path());
        std::string error;
        auto bitmap = DecodeBmp(data.data(), data.size(), error);
        ASSERT_NE(bitmap, nullptr) << entry.path() << ": " << error;
        const bool alpha = entry.path().filename() == "im_v5alpha.bmp";
        const std::string expected = Oracle("dump " + entry.path().string());
        EXPECT_EQ(Dump(*bitmap, alpha), alpha ? expected : WithoutAlpha(expected)) << entry.path();
    }
    EXPECT_GE(files, 12);
}

TEST_F(BmpOracle, PilReadsWhatWeWrite) {
    std::mt19937 random(11);
    for (int bits : {1, 4, 8, 24, 32}) {
        for (bool topDown : {true, false}) {
            test::Surface s(6, 3, bits, topDown, bits <= 8 ? RandomColors(random, 1 << bits) : std::vector<RGBQUAD>{});
            for (std::int64_t i = 0; i < s.pixels().ByteSize(); ++i) s.pixels().Bits()[i] = static_cast<BYTE>(random());
            const auto file = WriteBmp(s.bitmap());
            const auto path = folder_ / ("ours_" + std::to_string(bits) + (topDown ? "_td" : "_bu") + ".bmp");
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
            EXPECT_EQ(Dump(s.pixels(), false), WithoutAlpha(Oracle("dump " + path.string()))) << path;
        }
    }
}

std::vector<BYTE> SmallBmp(int bits) {
    test::Surface s(5, 3, bits, false, bits <= 8 ? std::vector<RGBQUAD>(1 << bits, RGBQUAD{1, 2, 3, 0}) : std::vector<RGBQUAD>{});
    for (std::int64_t i = 0; i < s.pixels().ByteSize(); ++i) s.pixels().Bits()[i] = static_cast<BYTE>(i * 7);
    return WriteBmp(s.bitmap());
}

void Put32(std::vector<BYTE>& file, size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<BYTE>(value >> (8 * i));
}

TEST(BmpFile, EveryTruncationIsAnError) {
    for (int bits : {1, 8, 24, 32}) {
        const auto file = SmallBmp(bits);
        for (size_t length = 0; length < file.size(); ++length) {
            std::string error;
            EXPECT_EQ(DecodeBmp(file.data(), length, error), nullptr) << bits << " bits, " << length << " bytes";
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(BmpFile, DamagedHeadersAreErrors) {
    struct Damage {
        size_t offset;
        std::uint32_t value;
        const char* what;
    };
    const std::vector<Damage> damages = {
        {0, 0x4D43, "magic"},           {10, 0xFFFFFFF0, "pixel offset"}, {10, 20, "pixel offset in header"},
        {14, 41 - 1 + 200, "header size"}, {14, 13, "header size"},     {18, 0, "width"},
        {18, 0x80000000, "width"},      {22, 0, "height"},               {22, 0x00200000, "height"},
        {26, 0x00200002, "planes"},     {26, 0x00070001, "bit depth"},   {30, 7, "compression"},
        {30, BI_RLE4, "compression"},   {18, 0x00100000, "size"},
    };
    for (const Damage& d : damages) {
        auto file = SmallBmp(24);
        if (d.offset == 0) {
            file[0] = static_cast<BYTE>(d.value);
            file[1] = static_cast<BYTE>(d.value >> 8);
        } else {
            Put32(file, d.offset, d.value);
        }
        std::string error;
        EXPECT_EQ(DecodeBmp(file.data(), file.size(), error), nullptr) << d.what;
        EXPECT_FALSE(error.empty()) << d.what;
    }
}

TEST(BmpFile, RunLengthDataIsDecodedAndCheckedAgainstItsEnd) {
    // A 4 x 2 RLE4 image: a run of four pixels 1,2,1,2; end of line; literal 3,4,5; delta; end.
    std::vector<BYTE> file(14 + 40 + 16 * 4, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 10, static_cast<std::uint32_t>(file.size()));
    Put32(file, 14, 40);
    Put32(file, 18, 4);
    Put32(file, 22, 2);
    Put32(file, 26, 1 | (4 << 16));
    Put32(file, 30, BI_RLE4);
    const std::vector<BYTE> data = {4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1};
    file.insert(file.end(), data.begin(), data.end());
    std::string error;
    auto bitmap = DecodeBmp(file.data(), file.size(), error);
    ASSERT_NE(bitmap, nullptr) << error;
    const PixelView view = PixelView::Of(*bitmap);
    // Rows are stored from the bottom: the first encoded line is the last row.
    EXPECT_EQ(view.ReadValue(0, 1), 1u);
    EXPECT_EQ(view.ReadValue(3, 1), 2u);
    EXPECT_EQ(view.ReadValue(0, 0), 3u);
    EXPECT_EQ(view.ReadValue(2, 0), 5u);
    EXPECT_EQ(view.ReadValue(3, 0), 0u);
    for (size_t cut = file.size() - data.size(); cut < file.size() - 2; ++cut)
        EXPECT_EQ(DecodeBmp(file.data(), cut, error), nullptr) << cut;
}

TEST(BmpFile, HugeDeclaredSizesAreRefusedBeforeAllocating) {
    auto file = SmallBmp(32);
    Put32(file, 18, 1 << 20);
    Put32(file, 22, 1 << 20);
    std::string error;
    EXPECT_EQ(DecodeBmp(file.data(), file.size(), error), nullptr);
    EXPECT_EQ(error, "BMP is too large");
}

}  // namespace
}  // namespace parch
