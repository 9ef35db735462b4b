#include <gtest/gtest.h>

#include <png.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/gdi/Bitmaps.h"
#include "skin/engine/acPNG.h"

namespace parch {
namespace {

const std::string kSuite = "tests/skin/engine/png/";

std::string ReadSuiteFile(const std::string& name) {
    std::ifstream file(kSuite + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::string> Expectations() {
    std::map<std::string, std::string> outcomes;
    std::ifstream file(kSuite + "expected.txt");
    std::string line;
    while (std::getline(file, line)) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos) outcomes[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return outcomes;
}

std::unique_ptr<TPNGGraphic> Decode(const std::string& name) {
    TStringStream stream(ReadSuiteFile(name));
    auto png = std::make_unique<TPNGGraphic>();
    png->LoadFromStream(stream);
    return png;
}

// What libpng reads: samples as stored (one per byte below 8 bits, 16-bit big-endian).
struct LibpngImage {
    int width = 0, height = 0, depth = 0, colorType = 0;
    double gamma = 0;
    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<png_color> palette;

    unsigned Sample(int x, int y, int channel, int channels) const {
        const std::uint8_t* row = rows[static_cast<size_t>(y)].data();
        size_t i = static_cast<size_t>(x * channels + channel);
        return depth == 16 ? (unsigned(row[i * 2]) << 8 | row[i * 2 + 1]) : row[i];
    }
};

LibpngImage ReadWithLibpng(const std::string& bytes) {
    LibpngImage image;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    struct Source {
        const std::string* bytes;
        size_t at;
    } source{&bytes, 0};
    png_set_read_fn(png, &source, [](png_structp p, png_bytep out, png_size_t n) {
        auto* s = static_cast<Source*>(png_get_io_ptr(p));
        std::memcpy(out, s->bytes->data() + s->at, n);
        s->at += n;
    });
    png_read_info(png, info);
    image.width = static_cast<int>(png_get_image_width(png, info));
    image.height = static_cast<int>(png_get_image_height(png, info));
    image.depth = png_get_bit_depth(png, info);
    image.colorType = png_get_color_type(png, info);
    png_get_gAMA(png, info, &image.gamma);
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries)) image.palette.assign(palette, palette + entries);
    if (image.depth < 8) png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image.rows.assign(static_cast<size_t>(image.height), std::vector<std::uint8_t>(png_get_rowbytes(png, info)));
    std::vector<png_bytep> pointers;
    for (auto& row : image.rows) pointers.push_back(row.data());
    png_read_image(png, pointers.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}

unsigned PixelIndex(TBitmap& bitmap, int x, int y) {
    const BYTE* line = bitmap.ScanLine(y);
    switch (bitmap.PixelFormat()) {
        case pf1bit: return (line[x >> 3] >> (7 - (x & 7))) & 1;
        case pf4bit: return (x & 1) ? line[x >> 1] & 0x0F : line[x >> 1] >> 4;
        default: return line[x];
    }
}

unsigned Gamma(unsigned v, double fileGamma) {
    if (fileGamma <= 0) return v;
    return static_cast<unsigned>(std::nearbyint(std::pow(v / 255.0, 1.0 / (fileGamma * 2.2)) * 255.0));
}

// Every standard file decodes to libpng's samples, mapped to the bitmap's layout: 16-bit
// samples div 257, grey depth 2 times 5 as index, grey alpha dropped, gamma on colours only.
TEST(PngReader, StandardFilesMatchLibpng) {
    int checked = 0;
    for (const auto& [name, outcome] : Expectations()) {
        if (outcome != "ok") continue;
        SCOPED_TRACE(name);
        std::string bytes = ReadSuiteFile(name);
        LibpngImage want = ReadWithLibpng(bytes);
        std::unique_ptr<TPNGGraphic> got = Decode(name);
        ASSERT_EQ(got->Width(), want.width);
        ASSERT_EQ(got->Height(), want.height);
        const std::vector<RGBQUAD>& table = got->Handle()->ColorTable();
        auto eight = [&](unsigned v) { return want.depth == 16 ? v / 257 : v; };
        for (int y = 0; y < want.height; ++y) {
            const BYTE* line = got->ScanLine(y);
            for (int x = 0; x < want.width; ++x) {
                switch (want.colorType) {
                    case PNG_COLOR_TYPE_GRAY: {
                        unsigned v = want.Sample(x, y, 0, 1);
                        unsigned index = want.depth == 16 ? v / 257 : want.depth == 2 ? v * 5 : v;
                        ASSERT_EQ(PixelIndex(*got, x, y), index) << x << "," << y;
                        unsigned step = 255 / static_cast<unsigned>(table.size() - 1);
                        ASSERT_EQ(table[index].rgbRed, Gamma(index * step, want.gamma));
                        break;
                    }
                    case PNG_COLOR_TYPE_PALETTE: {
                        unsigned v = want.Sample(x, y, 0, 1);
                        unsigned index = want.depth == 2 ? v * 5 : v;
                        ASSERT_EQ(PixelIndex(*got, x, y), index);
                        ASSERT_EQ(table[index].rgbRed, Gamma(want.palette[v].red, want.gamma));
                        ASSERT_EQ(table[index].rgbBlue, Gamma(want.palette[v].blue, want.gamma));
                        break;
                    }
                    case PNG_COLOR_TYPE_GRAY_ALPHA:
                        ASSERT_EQ(PixelIndex(*got, x, y), eight(want.Sample(x, y, 0, 2)));
                        break;
                    case PNG_COLOR_TYPE_RGB:
                        for (int c = 0; c < 3; ++c)
                            ASSERT_EQ(line[x * 3 + 2 - c], Gamma(eight(want.Sample(x, y, c, 3)), want.gamma));
                        break;
                    case PNG_COLOR_TYPE_RGBA:
                        for (int c = 0; c < 3; ++c)
                            ASSERT_EQ(line[x * 4 + 2 - c], Gamma(eight(want.Sample(x, y, c, 4)), want.gamma));
                        ASSERT_EQ(line[x * 4 + 3], eight(want.Sample(x, y, 3, 4)));
                        break;
                }
            }
        }
        ++checked;
    }
    EXPECT_GT(checked, 0) << "the suite was not found";
}

TEST(PngReader, DamagedFilesGiveTheirErrors) {
    for (const auto& [name, outcome] : Expectations()) {
        if (outcome == "ok" || outcome == "tolerated") continue;
        SCOPED_TRACE(name);
        try {
            Decode(name);
            ADD_FAILURE() << "no error";
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), outcome);
        }
    }
}

void ExpectSamePixels(TBitmap& a, TBitmap& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    ASSERT_EQ(a.PixelFormat(), b.PixelFormat());
    int bytes = a.PixelFormat() == pf32bit ? 4 : 3;
    for (int y = 0; y < a.Height(); ++y)
        EXPECT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<size_t>(a.Width() * bytes)), 0) << y;
}

TEST(PngReader, ToleratedDamage) {
    // Chunk names compare without letter case; a damaged ancillary chunk is skipped unread.
    ExpectSamePixels(*Decode("lower_idat.png"), *Decode("c6_d08_5x5.png"));
    ExpectSamePixels(*Decode("mixed_idat.png"), *Decode("c6_d08_5x5.png"));
    ExpectSamePixels(*Decode("text_bad_crc.png"), *Decode("c2_d08_text.png"));

    // Indexes past a short palette are black.
    auto shortPalette = Decode("short_plte.png");
    const std::vector<RGBQUAD>& table = shortPalette->Handle()->ColorTable();
    ASSERT_EQ(table.size(), 16u);
    EXPECT_EQ(table[1].rgbRed, 255);
    EXPECT_EQ(table[2].rgbRed, 0);
    EXPECT_EQ(table[15].rgbGreen, 0);

    // Data that ends early leaves the background in the rows it never reached.
    auto missing = Decode("missing_rows.png");
    EXPECT_EQ(missing->ScanLine(7)[0], 255);
    EXPECT_EQ(missing->ScanLine(0)[2], 0);  // the first sample of the grid is 0

    for (const char* name : {"no_plte.png", "short_trns.png", "short_bkgd.png", "filter_type_9.png"}) {
        SCOPED_TRACE(name);
        auto png = Decode(name);
        EXPECT_EQ(png->Width(), 4);
        EXPECT_FALSE(png->Transparent());
    }
}

struct GreyTransparencyCase {
    const char* name;
    TColor colour;
};

// The grey tRNS sample (1 in every file) is scaled to 8 bits at every depth.
TEST(PngReader, GreyTransparencyIsScaledToEightBits) {
    const GreyTransparencyCase cases[] = {{"c0_d01_trns.png", 0xFFFFFF}, {"c0_d02_trns.png", 0x555555},
                                          {"c0_d04_trns.png", 0x111111}, {"c0_d08_trns.png", 0x010101},
                                          {"c0_d16_trns.png", 0}};
    for (const GreyTransparencyCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto png = Decode(c.name);
        EXPECT_TRUE(png->Transparent());
        EXPECT_EQ(png->TransparentColor(), c.colour);
    }
    EXPECT_EQ(Decode("c2_d08_trns.png")->TransparentColor(), 10 | (20 << 8) | (30 << 16));
    EXPECT_FALSE(Decode("c3_d08_trns.png")->Transparent());
}

TEST(PngReader, StraightAlphaAndItsFinishingSteps) {
    TBitmap bitmap(2, 1, pf32bit);
    BYTE* p = bitmap.ScanLine(0);
    const BYTE pixels[8] = {50, 100, 200, 128, 255, 255, 255, 0};
    std::memcpy(p, pixels, 8);
    PremultiplyAlpha32(bitmap);
    EXPECT_EQ(p[0], 50 * 128 / 255);
    EXPECT_EQ(p[2], 200 * 128 / 255);
    EXPECT_EQ(p[3], 128);
    std::memcpy(p, pixels, 8);
    BlackenTransparentWhite(bitmap);
    EXPECT_EQ(p[0], 50);
    EXPECT_EQ(p[4], 0);
    EXPECT_EQ(p[6], 0);
}

// A reader object used twice starts each load afresh (no gamma of the first image).
TEST(PngReader, EachLoadStartsAfresh) {
    TPNGGraphic png;
    TStringStream gamma(ReadSuiteFile("c2_d08_gamma.png"));
    png.LoadFromStream(gamma);
    EXPECT_TRUE(png.ImageInfo().GammaApplied);
    TStringStream plain(ReadSuiteFile("c2_d08_text.png"));
    png.LoadFromStream(plain);
    EXPECT_FALSE(png.ImageInfo().GammaApplied);
    ExpectSamePixels(png, *Decode("c2_d08_text.png"));
}

}  // namespace
}  // namespace parch
