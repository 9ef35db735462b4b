#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "resources/EmbeddedResources.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/sSkinManager.h"

namespace parch {
namespace {

// One row per mask entry of the internal skin: its frames side by side, its bands one below the
// other, each cell on a checker board (so alpha shows) with a steel-blue frame line, in table
// order. The sheet shows what every entry cuts from its picture.
std::unique_ptr<TBitmap> DrawSkinImagesSheet(const TsSkinTables& tables) {
    constexpr int kGap = 4;
    int width = 0, height = kGap;
    for (const TsMaskData& mask : tables.Masks) {
        int frame = MaskFrameWidth(mask), band = MaskStateHeight(mask);
        width = std::max(width, kGap + mask.FrameCount * (frame + kGap));
        height += (mask.ExtraBands + 1) * (band + kGap) + kGap;
    }
    auto sheet = std::make_unique<TBitmap>(width, height, pf32bit);
    auto put = [&](int x, int y, std::uint32_t value) {
        if (x >= 0 && y >= 0 && x < width && y < height) reinterpret_cast<std::uint32_t*>(sheet->ScanLine(y))[x] = value;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) put(x, y, 0xFFFFFFFFu);
    int top = kGap;
    for (const TsMaskData& mask : tables.Masks) {
        TBitmap& picture = mask.Picture ? *mask.Picture : *tables.MasterBitmap;
        int frame = MaskFrameWidth(mask), band = MaskStateHeight(mask);
        for (int b = 0; b <= mask.ExtraBands; ++b) {
            for (int f = 0; f < mask.FrameCount; ++f) {
                int left = kGap + f * (frame + kGap), cellTop = top + b * (band + kGap);
                for (int x = -1; x <= frame; ++x) put(left + x, cellTop - 1, 0xFF4682B4u), put(left + x, cellTop + band, 0xFF4682B4u);
                for (int y = 0; y < band; ++y) {
                    put(left - 1, cellTop + y, 0xFF4682B4u);
                    put(left + frame, cellTop + y, 0xFF4682B4u);
                    const std::uint32_t* source = reinterpret_cast<const std::uint32_t*>(
                        picture.ScanLine(mask.SourceRect.top + b * band + y)) + mask.SourceRect.left + f * frame;
                    for (int x = 0; x < frame; ++x) {
                        std::uint32_t pixel = source[x];
                        std::uint32_t checker = ((x / 4 + y / 4) & 1) ? 0xFFDDDDDDu : 0xFFFFFFFFu;
                        unsigned alpha = pixel >> 24;
                        std::uint32_t out = 0xFF000000u;
                        for (int c = 0; c < 3; ++c) {
                            unsigned p = (pixel >> (8 * c)) & 0xFF, k = (checker >> (8 * c)) & 0xFF;
                            // Pictures with alpha are premultiplied here.
                            unsigned v = mask.Picture && mask.Picture->PixelFormat() == pf32bit && alpha < 255
                                             ? p + k * (255 - alpha) / 255
                                             : p;
                            out |= std::min(v, 255u) << (8 * c);
                        }
                        put(left + x, cellTop + y, out);
                    }
                }
            }
        }
        top += (mask.ExtraBands + 1) * (band + kGap) + kGap;
    }
    return sheet;
}

void WriteSheetPng(TBitmap& sheet, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(sheet.Width()), static_cast<png_uint_32>(sheet.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(sheet.Width()) * 3);
    for (int y = 0; y < sheet.Height(); ++y) {
        const BYTE* line = sheet.ScanLine(y);
        for (int x = 0; x < sheet.Width(); ++x) {
            row[static_cast<size_t>(x) * 3] = line[x * 4 + 2];
            row[static_cast<size_t>(x) * 3 + 1] = line[x * 4 + 1];
            row[static_cast<size_t>(x) * 3 + 2] = line[x * 4];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// The sheet of the loaded internal skin equals the committed reference; the sheet drawn in this
// run is kept next to the test binary's working folder for looking at.
TEST(SkinImagesSheet, MatchesTheCommittedReference) {
    TsSkinManager manager;
    TsStoredSkin& stored = manager.InternalSkins().Add();
    stored.Name = kInternalSkinName;
    stored.Data = *ReadEmbeddedResource(kInternalSkinResource);
    manager.SetSkinName(kInternalSkinName);
    std::unique_ptr<TBitmap> drawn = DrawSkinImagesSheet(manager.Tables());
    TBitmap& sheet = *drawn;
    std::filesystem::create_directories("build");
    WriteSheetPng(sheet, "build/skin_images.png");

    TMemoryStream reference;
    reference.LoadFromFile("tests/skin/engine/skin_images.png");
    TPNGGraphic expected;
    expected.LoadFromStream(reference);
    ASSERT_EQ(expected.Width(), sheet.Width());
    ASSERT_EQ(expected.Height(), sheet.Height());
    for (int y = 0; y < sheet.Height(); ++y) {
        const BYTE* got = sheet.ScanLine(y);
        const BYTE* want = expected.ScanLine(y);
        for (int x = 0; x < sheet.Width(); ++x)
            ASSERT_EQ(std::memcmp(got + x * 4, want + x * 3, 3), 0) << x << "," << y;
    }
}

}  // namespace
}  // namespace parch
