#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "platform/gdi/IconFile.h"
#include "platform/gdi/PngFile.h"
#include "platform/win/ImageLists.h"
#include "platform/win/ImageLoading.h"
#include "tests/platform/win/ImageTestSupport.h"

namespace parch {
namespace {

// A picture as Pillow decodes it.
struct Expected {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::vector<std::uint8_t> rgba;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<Expected> ReadExpected(const std::string& path) {
    const std::string bytes = ReadAll(path + ".expected");
    std::vector<Expected> out;
    std::size_t at = 0;
    auto u16 = [&](std::size_t p) {
        return static_cast<int>(static_cast<unsigned char>(bytes[p]) | (static_cast<unsigned char>(bytes[p + 1]) << 8));
    };
    while (at + 6 <= bytes.size()) {
        Expected e{u16(at), u16(at + 2), u16(at + 4), {}};
        at += 6;
        const std::size_t n = static_cast<std::size_t>(e.width) * e.height * 4;
        if (at + n > bytes.size()) break;
        e.rgba.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
        out.push_back(std::move(e));
    }
    return out;
}

// The RGBA a picture shows: its own alpha, or opaque where the AND mask is clear.
std::uint32_t ShownRgba(const IconImage& image, std::size_t k) {
    const std::uint32_t c = image.Monochrome() ? (image.xorBits[k] ? 0xFFFFFFu : 0u) : image.color[k];
    const std::uint32_t alpha = image.hasAlpha ? c >> 24 : (image.mask[k] ? 0 : 255);
    return (c & 0xFFFFFF) | alpha << 24;
}

// Compares alpha everywhere and colour where the pixel shows; returns the first difference.
std::string Difference(const IconImage& image, const Expected& e) {
    if (image.width != e.width || image.height != e.height)
        return "size " + std::to_string(image.width) + "x" + std::to_string(image.height);
    for (std::size_t k = 0; k < static_cast<std::size_t>(e.width) * e.height; ++k) {
        const std::uint32_t got = ShownRgba(image, k);
        const std::uint8_t* want = &e.rgba[k * 4];
        const bool alphaDiffers = (got >> 24) != want[3];
        const bool colorDiffers = want[3] != 0 && (((got >> 16) & 0xFF) != want[0] || ((got >> 8) & 0xFF) != want[1] ||
                                                   (got & 0xFF) != want[2]);
        if (alphaDiffers || colorDiffers) return "pixel " + std::to_string(k);
    }
    return {};
}

class ImageLoading : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // One folder per process: ctest runs the tests of this suite side by side.
        folder_ = ::testing::TempDir() + "parch-icon-fixtures-" + std::to_string(getpid()) + "/";
        const std::string command =
            "/usr/bin/python3 " PARCH_SOURCE_DIR "/tools/make_icon_fixtures.py " + folder_ + " >/dev/null 2>&1";
        made_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder_); }
    void SetUp() override { ASSERT_TRUE(made_) << "tools/make_icon_fixtures.py failed (icotool and Pillow needed)"; }
    static std::string Path(const char* name) { return folder_ + name; }
    static std::string Bytes(const char* name) { return ReadAll(Path(name)); }

    static inline std::string folder_;
    static inline bool made_ = false;
};

TEST_F(ImageLoading, EveryIconEntryMatchesPillow) {
    for (const char* name : {"depths.ico", "sizes.ico"}) {
        const std::string file = Bytes(name);
        const auto* data = reinterpret_cast<const BYTE*>(file.data());
        IconDirectory directory;
        std::string error;
        ASSERT_TRUE(ReadIconDirectory(data, file.size(), false, directory, error)) << error;
        MeasureIconEntries(data, file.size(), directory);
        const std::vector<Expected> expected = ReadExpected(Path(name));
        ASSERT_EQ(directory.entries.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const IconEntryInfo& entry = directory.entries[i];
            EXPECT_EQ(entry.bitCount, expected[i].bits) << name << " entry " << i;
            IconImage image;
            ASSERT_TRUE(DecodeIconPicture(data + entry.offset, entry.size, image, error)) << error;
            EXPECT_EQ(Difference(image, expected[i]), "") << name << " entry " << i << " (" << expected[i].bits << " bits)";
        }
    }
}

TEST_F(ImageLoading, PngFilesMatchPillow) {
    for (const char* name : {"rgba.png", "rgb.png", "gray_alpha.png", "gray16.png", "palette.png"}) {
        const std::string file = Bytes(name);
        DecodedPixels pixels;
        std::string error;
        ASSERT_TRUE(DecodePng(reinterpret_cast<const BYTE*>(file.data()), file.size(), pixels, error)) << name << error;
        const Expected e = ReadExpected(Path(name)).at(0);
        ASSERT_EQ(pixels.width, e.width) << name;
        ASSERT_EQ(pixels.height, e.height) << name;
        int mismatches = 0;
        for (std::size_t k = 0; k < pixels.pixels.size(); ++k) {
            const std::uint32_t c = pixels.pixels[k];
            const std::uint8_t* w = &e.rgba[k * 4];
            if (((c >> 16) & 0xFF) != w[0] || ((c >> 8) & 0xFF) != w[1] || (c & 0xFF) != w[2] || (c >> 24) != w[3])
                ++mismatches;
        }
        EXPECT_EQ(mismatches, 0) << name;
    }
}

TEST_F(ImageLoading, LoadImageTakesTheBestSizeAndCopyFromResourceRetakesIt) {
    const std::vector<Expected> entries = ReadExpected(Path("sizes.ico"));  // 16/4, 32/4, 32/32, 48/32
    struct Case {
        int cx, cy;
        UINT flags;
        int entry;  // the expected entry; its picture scaled to the size asked for
    };
    const Case cases[] = {
        {16, 16, 0, 0},  {32, 32, 0, 2},  {30, 30, 0, 2}, {40, 40, 0, 2},  // a tie goes to the first
        {48, 48, 0, 3},  {0, 0, 0, 0},    {0, 0, LR_DEFAULTSIZE, 2},      {64, 64, 0, 3},
        {20, 12, 0, 0},
    };
    for (const Case& c : cases) {
        auto icon = static_cast<HICON>(LoadImage(nullptr, Path("sizes.ico").c_str(), IMAGE_ICON, c.cx, c.cy, LR_LOADFROMFILE | c.flags));
        ASSERT_NE(icon, nullptr) << c.cx;
        IconImage image;
        ASSERT_TRUE(GetIconImage(icon, image));
        const Expected& e = entries[static_cast<std::size_t>(c.entry)];
        const int wantW = c.cx ? c.cx : (c.flags & LR_DEFAULTSIZE) ? 32 : e.width;
        EXPECT_EQ(image.width, wantW) << c.cx;
        // Compare through a scaled-back copy only where no scaling happened.
        if (image.width == e.width && image.height == e.height) {
            EXPECT_EQ(Difference(image, e), "") << c.cx;
        }
        DestroyIcon(icon);
    }

    // A 16-pixel icon copied at 48 from its source is the 48-pixel entry, not a blow-up.
    auto small = static_cast<HICON>(LoadImage(nullptr, Path("sizes.ico").c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE));
    auto reloaded = static_cast<HICON>(CopyImage(small, IMAGE_ICON, 48, 48, LR_COPYFROMRESOURCE));
    auto scaled = static_cast<HICON>(CopyImage(small, IMAGE_ICON, 48, 48, 0));
    IconImage a, b;
    ASSERT_TRUE(GetIconImage(reloaded, a));
    ASSERT_TRUE(GetIconImage(scaled, b));
    EXPECT_EQ(Difference(a, entries[3]), "");
    EXPECT_NE(Difference(b, entries[3]), "");
    EXPECT_EQ(b.width, 48);
    EXPECT_TRUE(CopyImage(small, IMAGE_ICON, 0, 0, LR_COPYRETURNORG) == small);
    auto moved = static_cast<HICON>(CopyImage(small, IMAGE_ICON, 0, 0, LR_COPYDELETEORG));
    EXPECT_FALSE(IsIconHandle(small));
    EXPECT_TRUE(IsIconHandle(moved));
    for (HICON i : {reloaded, scaled, moved}) DestroyIcon(i);
}

TEST_F(ImageLoading, PngFilesLoadAsIconsAndBitmaps) {
    auto icon = static_cast<HICON>(LoadImage(nullptr, Path("rgba.png").c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(icon, nullptr);
    auto bitmap = static_cast<HBITMAP>(
        LoadImage(nullptr, Path("rgba.png").c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    BITMAP bm{};
    GetObject(bitmap, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 20);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    // Scaled while loading, as a device bitmap.
    auto half = static_cast<HBITMAP>(LoadImage(nullptr, Path("rgb.png").c_str(), IMAGE_BITMAP, 8, 4, LR_LOADFROMFILE));
    ASSERT_NE(half, nullptr);
    GetObject(half, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 8);
    EXPECT_EQ(bm.bmHeight, 4);
    EXPECT_EQ(bm.bmBits, nullptr);

    // Drawn from an image list over a colour: Pillow's alpha_composite within 1.
    HIMAGELIST list = ImageList_Create(20, 20, ILC_COLOR32 | ILC_MASK, 1, 1);
    ASSERT_EQ(ImageList_ReplaceIcon(list, -1, icon), 0);
    test::Target t(20, 20, 0x285AC8);  // 40, 90, 200
    ASSERT_TRUE(ImageList_Draw(list, 0, t.dc(), 0, 0, ILD_TRANSPARENT));
    const std::string over = Bytes("rgba.png.over");
    ASSERT_EQ(over.size(), 20u * 20 * 3);
    int worst = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const std::uint32_t got = t.Rgb(x, y);
            const auto* want = reinterpret_cast<const unsigned char*>(&over[(y * 20 + x) * 3]);
            for (int ch = 0; ch < 3; ++ch)
                worst = std::max(worst, std::abs(static_cast<int>((got >> (16 - 8 * ch)) & 0xFF) - want[ch]));
        }
    EXPECT_LE(worst, 1);
    ImageList_Destroy(list);
    DestroyIcon(icon);
    DeleteObject(bitmap);
    DeleteObject(half);
}

TEST_F(ImageLoading, SharedImagesAreOneHandleThatSurvivesDestroy) {
    const std::string path = Path("depths.ico");
    void* a = LoadImage(nullptr, path.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE | LR_SHARED);
    void* b = LoadImage(nullptr, path.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE | LR_SHARED);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(DestroyIcon(static_cast<HICON>(a)));
    EXPECT_TRUE(IsIconHandle(static_cast<HICON>(a)));
    EXPECT_NE(LoadImage(nullptr, path.c_str(), IMAGE_ICON, 32, 32, LR_LOADFROMFILE | LR_SHARED), a);
}

// Damaged data of every kind fails cleanly.
TEST_F(ImageLoading, DamagedDataFails) {
    const std::string ico = Bytes("depths.ico");
    const std::string png = Bytes("rgba.png");
    auto patched = [](std::string s, std::size_t at, std::initializer_list<unsigned char> bytes) {
        for (unsigned char b : bytes)
            if (at < s.size()) s[at++] = static_cast<char>(b);
        return s;
    };
    const std::string cases[] = {
        "",
        ico.substr(0, 5),
        ico.substr(0, 6 + 16 * 2),                                 // directory only
        patched(ico, 4, {0, 0}),                                   // no entries
        patched(ico, 4, {0xFF, 0xFF}),                             // more entries than data
        patched(ico, 6 + 8, {0xFF, 0xFF, 0xFF, 0x7F}),             // entry size beyond the file
        patched(ico, 6 + 12, {0xF0, 0xFF, 0xFF, 0xFF}),            // entry offset beyond the file
        ico.substr(0, ico.size() - 300),                           // last entry cut
        png.substr(0, png.size() / 2),
        patched(png, 16, {0x7F, 0xFF, 0xFF, 0xFF}),                // enormous width
        patched(png, 40, {0, 0, 0, 0}),                            // damaged header checksum area
    };
    for (const std::string& c : cases) {
        const auto* data = reinterpret_cast<const BYTE*>(c.data());
        // Any entry picked at any size either decodes or fails; none crashes. The whole-file
        // truncations must fail for the entries they cut.
        for (int size : {16, 64}) {
            HICON icon = IconFromBytes(data, c.size(), size, size, false);
            if (icon) DestroyIcon(icon);
        }
        HBITMAP bitmap = BitmapFromBytes(data, c.size(), true);
        if (bitmap) DeleteObject(bitmap);
    }
    EXPECT_EQ(IconFromBytes(nullptr, 0, 16, 16, false), nullptr);
    EXPECT_EQ(IconFromBytes(reinterpret_cast<const BYTE*>(cases[2].data()), cases[2].size(), 16, 16, false), nullptr);
    EXPECT_EQ(IconFromBytes(reinterpret_cast<const BYTE*>(cases[4].data()), cases[4].size(), 16, 16, false), nullptr);
    EXPECT_EQ(IconFromBytes(reinterpret_cast<const BYTE*>(cases[7].data()), cases[7].size(), 64, 64, false), nullptr);
    EXPECT_EQ(IconFromBytes(reinterpret_cast<const BYTE*>(cases[8].data()), cases[8].size(), 0, 0, false), nullptr);
    EXPECT_EQ(IconFromBytes(reinterpret_cast<const BYTE*>(cases[9].data()), cases[9].size(), 0, 0, false), nullptr);
    EXPECT_EQ(LoadImage(nullptr, Path("missing.ico").c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
}

}  // namespace
}  // namespace parch
