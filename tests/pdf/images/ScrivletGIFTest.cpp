#include "pdf/images/ScrivletGIF.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "platform/gdi/Bitmaps.h"
#include "tests/pdf/core/ToolOracle.h"

namespace parch {
namespace {

namespace fs = std::filesystem;

struct GifRgb {
    BYTE R = 0, G = 0, B = 0;
    bool operator==(const GifRgb&) const = default;
};

std::unique_ptr<TBitmap> GifPage(int width, int height, const std::function<GifRgb(int x, int y)>& colour) {
    auto bitmap = std::make_unique<TBitmap>(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        BYTE* row = bitmap->ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const GifRgb c = colour(x, y);
            row[3 * x] = c.B;
            row[3 * x + 1] = c.G;
            row[3 * x + 2] = c.R;
        }
    }
    return bitmap;
}

GifRgb GifPixel(TBitmap& bitmap, int x, int y) {
    const BYTE* p = bitmap.ScanLine(y) + 3 * x;
    return GifRgb{p[2], p[1], p[0]};
}

std::string GifFile(TBitmap& bitmap) {
    TPDFGIFWriter writer;
    writer.LoadFromBitmap(bitmap);
    TMemoryStream stream;
    writer.SaveToStream(stream);
    return stream.Bytes();
}

// What a GIF decoder sees in the writer's file: the header fields, the codes of the image
// data read at the widths a decoder uses, and the decoded pixels.
struct GifDecoded {
    int ScreenWidth = 0, ScreenHeight = 0, ImageWidth = 0, ImageHeight = 0;
    int MinCodeSize = 0;
    std::vector<GifRgb> Table;
    std::vector<int> Codes;
    std::vector<int> Indices;
    int WidestCode = 0;
    // Strings defined before each clear code that follows data.
    std::vector<int> EntriesAtClear;
    bool Trailer = false;
};

GifDecoded GifDecode(const std::string& file) {
    GifDecoded d;
    const auto byte = [&](std::size_t at) { return static_cast<int>(static_cast<unsigned char>(file.at(at))); };
    const auto word = [&](std::size_t at) { return byte(at) | byte(at + 1) << 8; };
    EXPECT_EQ(file.substr(0, 6), "GIF87a");
    d.ScreenWidth = word(6);
    d.ScreenHeight = word(8);
    EXPECT_EQ(byte(10), 0x70);
    EXPECT_EQ(byte(13), 0x2C);
    d.ImageWidth = word(18);
    d.ImageHeight = word(20);
    EXPECT_EQ(byte(22), 0x87);
    for (int i = 0; i < 256; ++i)
        d.Table.push_back(GifRgb{static_cast<BYTE>(byte(23 + 3 * i)), static_cast<BYTE>(byte(24 + 3 * i)),
                                 static_cast<BYTE>(byte(25 + 3 * i))});
    std::size_t at = 23 + 768;
    d.MinCodeSize = byte(at++);
    std::string data;
    while (const int length = byte(at++)) {
        data += file.substr(at, static_cast<std::size_t>(length));
        at += static_cast<std::size_t>(length);
    }
    d.Trailer = at == file.size() - 1 && byte(at) == 0x3B;

    const int clear = 1 << d.MinCodeSize, end = clear + 1;
    int width = d.MinCodeSize + 1;
    std::vector<std::vector<int>> strings;
    const auto reset = [&] {
        strings.assign(static_cast<std::size_t>(clear + 2), {});
        for (int i = 0; i < clear; ++i) strings[static_cast<std::size_t>(i)] = {i};
        width = d.MinCodeSize + 1;
    };
    reset();
    std::uint64_t bits = 0;
    int bitCount = 0;
    std::size_t next = 0;
    int previous = -1;
    for (;;) {
        while (bitCount < width && next < data.size()) {
            bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(data[next++])) << bitCount;
            bitCount += 8;
        }
        if (bitCount < width) break;
        const int code = static_cast<int>(bits & ((1u << width) - 1));
        bits >>= width;
        bitCount -= width;
        d.Codes.push_back(code);
        d.WidestCode = std::max(d.WidestCode, width);
        if (code == end) break;
        if (code == clear) {
            if (previous >= 0) d.EntriesAtClear.push_back(static_cast<int>(strings.size()));
            reset();
            previous = -1;
            continue;
        }
        std::vector<int> current;
        if (code < static_cast<int>(strings.size())) {
            current = strings[static_cast<std::size_t>(code)];
        } else if (code == static_cast<int>(strings.size()) && previous >= 0) {
            current = strings[static_cast<std::size_t>(previous)];
            current.push_back(current.front());
        } else {
            ADD_FAILURE() << "code " << code << " before it was defined";
            break;
        }
        if (previous >= 0 && strings.size() < 4096) {
            std::vector<int> added = strings[static_cast<std::size_t>(previous)];
            added.push_back(current.front());
            strings.push_back(added);
        }
        d.Indices.insert(d.Indices.end(), current.begin(), current.end());
        previous = code;
        if (static_cast<int>(strings.size()) == (1 << width) && width < 12) ++width;
    }
    return d;
}

std::string GifPython() { return fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

// gif2rgb, giftext, Pillow and ImageMagick read the file; their pixels against the page's.
void GifCheckReaders(const std::string& name, const std::string& gif, TBitmap& page, int maxError, double meanError) {
    std::string ppm = "P6\n" + std::to_string(page.Width()) + " " + std::to_string(page.Height()) + "\n255\n";
    for (int y = 0; y < page.Height(); ++y)
        for (int x = 0; x < page.Width(); ++x) {
            const GifRgb c = GifPixel(page, x, y);
            ppm += {static_cast<char>(c.R), static_cast<char>(c.G), static_cast<char>(c.B)};
        }
    const std::string gifPath = oracle::WriteScratchFile(name + ".gif", gif);
    const std::string ppmPath = oracle::WriteScratchFile(name + ".ppm", ppm);
    if (const char* folder = std::getenv("PARCH_EXPORT_VIEW_FOLDER")) fs::copy_file(gifPath, fs::path(folder) / (name + ".gif"), fs::copy_options::overwrite_existing);
    const oracle::ToolResult result = oracle::RunCommand(GifPython() + " " + PARCH_SOURCE_DIR "/tools/export_oracle.py gif " +
                                                         oracle::Quote(gifPath) + " " + oracle::Quote(ppmPath) + " " +
                                                         std::to_string(maxError) + " " + std::to_string(meanError) + " 2>&1");
    EXPECT_EQ(result.ExitCode, 0) << name << "\n" << result.Output;
}

TEST(GIFWriter, OnePixelPageIsClearZeroEnd) {
    auto page = GifPage(1, 1, [](int, int) { return GifRgb{10, 20, 30}; });
    const std::string file = GifFile(*page);
    const GifDecoded d = GifDecode(file);
    EXPECT_EQ(d.MinCodeSize, 8);
    EXPECT_EQ(d.Codes, (std::vector<int>{256, 0, 257}));
    EXPECT_EQ(d.Table[0], (GifRgb{10, 20, 30}));
    // 27 bits in one sub-block of four bytes, the terminator and the trailer.
    EXPECT_EQ(file.size(), 23u + 768 + 1 + 1 + 4 + 1 + 1);
    EXPECT_TRUE(d.Trailer);
}

TEST(GIFWriter, HeaderCarriesTheSizeLittleEndian) {
    auto page = GifPage(256, 3, [](int x, int) { return GifRgb{static_cast<BYTE>(x), 0, 0}; });
    const std::string file = GifFile(*page);
    EXPECT_EQ(file.substr(6, 4), std::string("\x00\x01\x03\x00", 4));
    EXPECT_EQ(file.substr(18, 4), std::string("\x00\x01\x03\x00", 4));
}

TEST(GIFWriter, FewColoursComeBackExactlyAndTheRestOfTheTableIsBlack) {
    // Three colours, two of them one step apart (the same cell of the inverse table).
    const GifRgb colours[] = {{200, 100, 50}, {201, 100, 50}, {0, 0, 255}};
    auto page = GifPage(30, 20, [&](int x, int y) { return colours[(x / 3 + y) % 3]; });
    const GifDecoded d = GifDecode(GifFile(*page));
    ASSERT_EQ(d.Indices.size(), 600u);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            const int index = d.Indices[static_cast<std::size_t>(y * 30 + x)];
            ASSERT_LT(index, 3);
            EXPECT_EQ(d.Table[static_cast<std::size_t>(index)], GifPixel(*page, x, y)) << x << "," << y;
        }
    for (std::size_t i = 3; i < 256; ++i) EXPECT_EQ(d.Table[i], GifRgb{}) << i;
}

TEST(GIFWriter, TheStringTableClearsInsteadOfTakingCode4095AndCodesStayWithin12Bits) {
    std::mt19937 random(7);
    auto page = GifPage(200, 200, [&](int, int) {
        const auto v = static_cast<BYTE>(random() % 16);
        return GifRgb{static_cast<BYTE>(v * 16), static_cast<BYTE>(255 - v * 16), 0};
    });
    const GifDecoded d = GifDecode(GifFile(*page));
    ASSERT_EQ(d.Indices.size(), 40000u);
    ASSERT_FALSE(d.EntriesAtClear.empty());
    // Codes 258 to 4,094 defined, then a clear.
    for (const int entries : d.EntriesAtClear) EXPECT_EQ(entries, 4095);
    EXPECT_EQ(d.WidestCode, 12);
    EXPECT_LT(*std::max_element(d.Codes.begin(), d.Codes.end()), 4095);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(d.Table[static_cast<std::size_t>(d.Indices[static_cast<std::size_t>(y * 200 + x)])], GifPixel(*page, x, y));
}

TEST(GIFWriter, SidesAbove65535AreRefused) {
    auto wide = GifPage(65536, 1, [](int, int) { return GifRgb{}; });
    TPDFGIFWriter writer;
    EXPECT_THROW(writer.LoadFromBitmap(*wide), EPDFGIFError);
    auto widest = GifPage(65535, 1, [](int x, int) { return GifRgb{static_cast<BYTE>(x), 0, 0}; });
    const GifDecoded d = GifDecode(GifFile(*widest));
    EXPECT_EQ(d.ImageWidth, 65535);
    EXPECT_EQ(d.Indices.size(), 65535u);
}

TEST(GIFWriter, QuantiserKeeps256ColoursAndReducesMore) {
    struct Case {
        const char* What;
        int Colours;
        std::size_t Expected;
    };
    for (const Case& c : {Case{"256 colours", 256, 256}, Case{"4,096 colours", 4096, 256}, Case{"one colour", 1, 1}}) {
        auto page = GifPage(64, 64, [&](int x, int y) {
            const int i = (y * 64 + x) % c.Colours;
            return GifRgb{static_cast<BYTE>(i * 37), static_cast<BYTE>(i / 16 * 16), static_cast<BYTE>(i % 16 * 16)};
        });
        TColorQuantizer quantizer;
        auto reduced = quantizer.QuantizeBitmap(*page);
        EXPECT_EQ(quantizer.Palette().size(), c.Expected) << c.What;
        EXPECT_EQ(reduced->PixelFormat(), pf8bit) << c.What;
    }
}

// ---- Outside readers ----

TEST(GIFWriter, OutsideReadersGetTheExactPixelsOfPagesWithFewColours) {
    struct Case {
        const char* Name;
        int Width, Height;
        std::function<GifRgb(int, int)> Colour;
    };
    const std::vector<Case> cases = {
        {"one-pixel", 1, 1, [](int, int) { return GifRgb{255, 255, 255}; }},
        {"text-like", 320, 120, [](int x, int y) { return ((x / 7) * (y / 9)) % 5 == 0 ? GifRgb{0, 0, 0} : GifRgb{255, 255, 255}; }},
        {"256-colours", 256, 64, [](int x, int y) { return GifRgb{static_cast<BYTE>(x), static_cast<BYTE>(x ^ 0x5A), 90}; }},
        {"near-colours", 50, 50, [](int x, int) { return GifRgb{static_cast<BYTE>(100 + x % 4), 100, 100}; }},
    };
    for (const Case& c : cases) {
        auto page = GifPage(c.Width, c.Height, c.Colour);
        const std::string gif = GifFile(*page);
        GifCheckReaders(c.Name, gif, *page, 0, 0);
    }
}

// Random pictures of up to 256 colours at random sizes, in place of a fuzzer.
TEST(GIFWriter, OutsideReadersAgreeOnRandomPages) {
    std::mt19937 random(2024);
    for (int round = 0; round < 4; ++round) {
        const int width = 1 + static_cast<int>(random() % 300), height = 1 + static_cast<int>(random() % 200);
        const int colours = 1 + static_cast<int>(random() % 256);
        std::vector<GifRgb> palette;
        for (int i = 0; i < colours; ++i)
            palette.push_back(GifRgb{static_cast<BYTE>(random()), static_cast<BYTE>(random()), static_cast<BYTE>(random())});
        const int run = 1 + static_cast<int>(random() % 20);
        auto page = GifPage(width, height, [&](int x, int y) {
            return palette[static_cast<std::size_t>((x / run + y * 7 + static_cast<int>(random() % 2)) % colours)];
        });
        GifCheckReaders("random" + std::to_string(round), GifFile(*page), *page, 0, 0);
    }
}

TEST(GIFWriter, PhotographsComeBackWithinTheQuantisersError) {
    // Smooth colour fields with fine noise: far more than 256 colours.
    std::mt19937 random(11);
    auto page = GifPage(240, 160, [&](int x, int y) {
        const double u = x / 240.0, v = y / 160.0;
        const int noise = static_cast<int>(random() % 9) - 4;
        const auto channel = [&](double value) { return static_cast<BYTE>(std::clamp(static_cast<int>(value * 255) + noise, 0, 255)); };
        return GifRgb{channel(0.5 + 0.5 * std::sin(6 * u + 2 * v)), channel(v * (1 - u) + 0.3 * u), channel(0.2 + 0.6 * u * v)};
    });
    // 256 leaves of the colour tree, none above the third level, span at most 32 values per
    // channel; the mean stays far below.
    GifCheckReaders("photo", GifFile(*page), *page, 32, 6.0);
}

}  // namespace
}  // namespace parch
