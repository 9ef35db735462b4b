// The PNG writer's chunks and alpha sampling, and the reader's chunk walk on damaged files.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "pdf/core/ScrivletFilters.h"
#include "pdf/images/ScrivletPNG.h"

namespace parch {
namespace {

std::uint32_t BigEndian(const std::string& bytes, std::size_t at) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::string Written(const TBitmap& bitmap, std::int32_t dpi = 0, const TBitmap* mask = nullptr) {
    TPNGWriter writer(bitmap);
    if (dpi) writer.SetResolution(dpi);
    if (mask) writer.SetAlphaMask(mask, false);
    TMemoryStream stream;
    writer.SaveToStream(stream);
    return stream.Bytes();
}

TEST(PNGWriter, ResolutionGoesIntoPixelsPerMetre) {
    const TBitmap bitmap(2, 2, pf24bit);
    for (const auto& [dpi, perMetre] : {std::pair{0, 1u}, std::pair{96, 3780u}, std::pair{300, 11812u}}) {
        const std::string png = Written(bitmap, dpi);
        const std::size_t at = png.find("pHYs");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(BigEndian(png, at + 4), perMetre) << dpi;
        EXPECT_EQ(BigEndian(png, at + 8), perMetre) << dpi;
    }
}

TEST(PNGWriter, AlphaOfAnotherSizeIsSampledByPosition) {
    TBitmap image(100, 50, pf24bit);
    TBitmap mask(10, 5, pf24bit);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) std::memset(mask.ScanLine(y) + 3 * x, x * 10 + y, 3);
    TPNGPixels pixels;
    ASSERT_TRUE(DecodePNGPixels(Written(image, 0, &mask), pixels));
    auto alphaAt = [&](int x, int y) { return pixels.Pixels[static_cast<std::size_t>(y) * 100 + x] >> 24; };
    EXPECT_EQ(alphaAt(99, 49), 94u);  // mask (9, 4)
    EXPECT_EQ(alphaAt(50, 25), 42u);  // mask (4, 2)
    EXPECT_EQ(alphaAt(0, 0), 0u);
}

TEST(PNGWriter, OneBitBitmapsBecomeTwoEntryPalettes) {
    TBitmap bitmap(3, 1, pf1bit);
    bitmap.ScanLine(0)[0] = 0xA0;
    TStringStream stream(Written(bitmap));
    TPNGReader reader;
    reader.LoadFromStream(stream);
    EXPECT_EQ(reader.ColorType, 3);
    EXPECT_EQ(reader.BitDepth, 1);
    EXPECT_EQ(reader.PaletteCount, 2);
    TPNGPixels pixels;
    ASSERT_TRUE(DecodePNGPixels(stream.Bytes(), pixels));
    EXPECT_EQ(pixels.Pixels[0] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(pixels.Pixels[1] & 0xFFFFFF, 0x000000u);
}

// A file of the signature and the given chunks (CRCs are not read by the walk).
std::string Chunks(std::initializer_list<std::pair<std::uint32_t, std::string>> chunks) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    for (const auto& [length, body] : chunks) {
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<char>(length >> shift));
        png += body;
        png += std::string(4, '\0');
    }
    return png;
}

const std::string kHeader = std::string("IHDR\0\0\0\x04\0\0\0\x02\x08\x02\0\0\0", 17);

TEST(PNGReader, WalkStopsAtDamage) {
    struct Case {
        const char* Name;
        std::string File;
        bool HasPalette;
    };
    const Case cases[] = {
        {"first chunk not IHDR", Chunks({{6, "PLTE" + std::string(6, 'x')}, {13, kHeader}}), false},
        // A length of 2^31 would move the walk backwards on 32-bit arithmetic.
        {"huge length", Chunks({{13, kHeader}, {0x80000000u, "tEXt"}, {6, "PLTE" + std::string(6, 'x')}}), false},
        {"length past the end", Chunks({{13, kHeader}, {600, "PLTE" + std::string(6, 'x')}}), false},
        {"sound", Chunks({{13, kHeader}, {6, "PLTE" + std::string(6, 'x')}}), true},
    };
    for (const Case& c : cases) {
        TStringStream stream(c.File);
        TPNGReader reader;
        reader.ChunksOnly = true;
        reader.LoadFromStream(stream);
        EXPECT_EQ(reader.PalettePosition > 0, c.HasPalette) << c.Name;
    }
}

TEST(PNGReader, PhysicalUnitsBecomeDotsPerInch) {
    const std::string unitless = Chunks({{13, kHeader}, {9, std::string("pHYs\0\0\0\x02\0\0\0\x03\0", 13)}});
    TStringStream stream(unitless);
    TPNGReader reader;
    reader.ChunksOnly = true;
    reader.LoadFromStream(stream);
    EXPECT_EQ(reader.ResolutionX, 96);
    EXPECT_EQ(reader.ResolutionY, 144);
}

TEST(PNGReader, SamplesOfRGBAComeApartAndDeflated) {
    TBitmap image(3, 2, pf24bit);
    TBitmap mask(3, 2, pf24bit);
    std::memset(mask.ScanLine(1), 0x80, 9);
    TStringStream stream(Written(image, 0, &mask));
    TPNGReader reader;
    reader.LoadFromStream(stream);
    EXPECT_FALSE(reader.PassThrough);
    EXPECT_EQ(reader.ColorType, 6);
    EXPECT_EQ(reader.AlphaBitDepth, 8);
    // The colour rows of an RGB image without interlacing pass through as the IDAT data.
    TStringStream rgb(Written(image));
    TPNGReader plain;
    plain.LoadFromStream(rgb);
    EXPECT_TRUE(plain.PassThrough);
    EXPECT_EQ(plain.ColorSamples, plain.ImageData);
}

// Colour types paired with depths they do not allow (colour and alpha types below 8 bits, a
// palette of 16 bits, an unknown type) are damage: no samples, no pixels, nothing written past
// the rows. A grey image with alpha at depth 2 used to copy whole rows into colour rows.
TEST(PNGReader, ColourTypesWithDepthsTheyDoNotAllowGiveNothing) {
    struct Case {
        std::uint8_t ColorType, Depth;
    };
    for (const Case c : {Case{4, 2}, Case{6, 4}, Case{2, 1}, Case{3, 16}, Case{5, 8}}) {
        SCOPED_TRACE(testing::Message() << int{c.ColorType} << " at " << int{c.Depth});
        std::string header("IHDR\0\0\0\x40\0\0\0\x03\0\0\0\0\0", 17);
        header[12] = static_cast<char>(c.Depth);
        header[13] = static_cast<char>(c.ColorType);
        const std::string idat = "IDAT" + FlateCompressStr(std::string(3 * (1 + 64 * 8), '\x5A'));
        const std::string file = Chunks({{13, header}, {static_cast<std::uint32_t>(idat.size() - 4), idat}, {0, "IEND"}});
        TStringStream stream(file);
        TPNGReader reader;
        reader.LoadFromStream(stream);
        EXPECT_TRUE(reader.AlphaSamples.empty());
        TPNGPixels pixels;
        EXPECT_FALSE(DecodePNGPixels(file, pixels));
    }
}

}  // namespace
}  // namespace parch
