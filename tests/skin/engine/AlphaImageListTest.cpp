#include <gtest/gtest.h>

#include "framework/graphics/Picture.h"
#include "skin/engine/acAlphaImageList.h"
#include "skin/engine/acPNG.h"
#include "tests/skin/engine/PaintFixtures.h"
#include "tests/skin/engine/PngFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::PixelAt;
using test::SolidPng;

constexpr std::uint32_t kListBackdrop = 0xFF404040u;

// Opaque pixels blended at full weight may come out one step below their colour.
bool SameColourWithinOne(std::uint32_t actual, std::uint32_t expected) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
        if (a < e - 1 || a > e + 1) return false;
    }
    return true;
}

void SetItemData(TsImgListItem& item, const std::string& bytes) {
    item.ImgData().Clear();
    item.ImgData().Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

TsImgListItem& AddListItem(TsAlphaImageList& list, const std::string& bytes, TsImageFormat format = ifPNG) {
    TsImgListItem& item = *list.Items().Add();
    item.ImageFormat = format;
    SetItemData(item, bytes);
    return item;
}

// An icon file of one colour with straight alpha.
std::string ListIconFile(int size, std::uint32_t pixel) {
    TIcon icon;
    icon.SetSize(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) PixelAt(icon.Image(), x, y) = pixel;
    TStringStream stream;
    icon.SaveToStream(stream);
    return stream.DataString();
}

// Four 16-pixel frames side by side: red, green, blue, yellow, all opaque.
std::string FourFramePng() {
    const std::uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::uint8_t* c = colours[x / 16];
            samples.insert(samples.end(), {c[0], c[1], c[2], 255});
        }
    return test::EncodePng(64, 16, samples);
}

TEST(AlphaImageList, BuildsOneImagePerItemOfEitherFormat) {
    TsAlphaImageList list(nullptr, 16, 16);
    AddListItem(list, SolidPng(16, 16, 255, 0, 0, 255));
    AddListItem(list, SolidPng(16, 16, 0, 0, 255, 128));
    AddListItem(list, ListIconFile(16, 0xFF00FF00u), ifICO);
    list.GenerateStdList();
    EXPECT_EQ(list.Count(), 3);

    auto red = list.CreateBitmap32(0, 16, 16);
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->PixelFormat(), pf32bit);
    EXPECT_EQ(PixelAt(*red, 5, 5), 0xFFFF0000u);
    auto halfBlue = list.CreateBitmap32(1, 16, 16);
    EXPECT_EQ(PixelAt(*halfBlue, 0, 15), 0x800000FFu);  // straight alpha kept
    auto green = list.CreateBitmap32(2, 16, 16);
    ASSERT_NE(green, nullptr);
    EXPECT_EQ(PixelAt(*green, 8, 8), 0xFF00FF00u);

    EXPECT_EQ(list.CreateBitmap32(3, 16, 16), nullptr);
    EXPECT_EQ(list.CreateBitmap32(-1, 16, 16), nullptr);
    EXPECT_EQ(list.Items().Items(0)->DecodedWidth(), 16);
}

TEST(AlphaImageList, PicturesWithoutAlphaTakeTheirCornerAsTransparent) {
    TsAlphaImageList list(nullptr, 2, 2);
    // Bottom-left white; the other pixels coloured.
    AddListItem(list, test::EncodePng(2, 2, {10, 20, 30, 40, 50, 60, 255, 255, 255, 70, 80, 90}, PNG_COLOR_TYPE_RGB));
    list.GenerateStdList();
    auto image = list.CreateBitmap32(0, 2, 2);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->PixelFormat(), pf32bit);
    EXPECT_EQ(PixelAt(*image, 0, 1), 0x00FFFFFFu);
    EXPECT_EQ(PixelAt(*image, 0, 0), 0xFF0A141Eu);
    EXPECT_EQ(PixelAt(*image, 1, 1), 0xFF46505Au);
}

TEST(AlphaImageList, DecodesOncePerSizeAskedFor) {
    TsAlphaImageList list(nullptr, 16, 16);
    TsImgListItem& item = AddListItem(list, SolidPng(16, 16, 1, 2, 3, 255));
    list.GenerateStdList();
    ASSERT_NE(list.CreateBitmap32(0, 16, 16), nullptr);
    // The file is gone, but the same size comes from the cached copy.
    SetItemData(item, "not a picture");
    auto again = list.CreateBitmap32(0, 16, 16);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(PixelAt(*again, 3, 3), 0xFF010203u);
    // Another size decodes the file again.
    EXPECT_THROW(list.CreateBitmap32(0, 8, 8), EInvalidGraphic);
}

TEST(AlphaImageList, ScalesPicturesOfAnotherSize) {
    TsAlphaImageList list(nullptr, 16, 16);
    AddListItem(list, SolidPng(32, 32, 0, 200, 0, 255));
    list.GenerateStdList();
    auto image = list.CreateBitmap32(0, 16, 16);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), 16);
    EXPECT_EQ(PixelAt(*image, 8, 8) & 0xFFFFFFu, 0x00C800u);
    TBitmap target(16, 16, pf32bit);
    EXPECT_TRUE(ImageListItemToBitmap(list, 0, &target));
    EXPECT_EQ(PixelAt(target, 8, 8) & 0xFFFFFFu, 0x00C800u);
    EXPECT_FALSE(ImageListItemToBitmap(list, 1, &target));
    EXPECT_FALSE(ImageListItemToBitmap(list, 0, nullptr));
}

TEST(AlphaImageList, DrawsBlendedWhateverTheEnabledState) {
    TsAlphaImageList list(nullptr, 4, 4);
    AddListItem(list, SolidPng(4, 4, 0, 0, 255, 128));
    list.GenerateStdList();
    auto enabled = FilledBitmap(8, 8, kListBackdrop);
    auto disabled = FilledBitmap(8, 8, kListBackdrop);
    list.Draw(enabled->Canvas(), 2, 2, 0, true);
    list.Draw(disabled->Canvas(), 2, 2, 0, false);
    std::uint32_t mixed = PixelAt(*enabled, 3, 3);
    EXPECT_GT(test::ChannelOf(mixed, 0), 0x80);
    EXPECT_LT(test::ChannelOf(mixed, 0), 0xFF);
    EXPECT_EQ(test::ChannelOf(mixed, 2), 0x20);
    EXPECT_EQ(PixelAt(*enabled, 1, 1), kListBackdrop);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(PixelAt(*enabled, x, y), PixelAt(*disabled, x, y));
}

TEST(AlphaImageList, GrowingItemsRegeneratesAndAddedImagesGetAlpha) {
    TsAlphaImageList list(nullptr, 2, 2);
    AddListItem(list, SolidPng(2, 2, 9, 9, 9, 255));
    list.GenerateStdList();

    list.BeginItemsUpdate();
    AddListItem(list, SolidPng(2, 2, 7, 7, 7, 255));
    EXPECT_EQ(list.Count(), 1);
    list.EndItemsUpdate(true);
    EXPECT_EQ(list.Count(), 2);

    // A picture added through the image list itself: magenta left column, red right.
    TBitmap added(2, 2, pf24bit);
    for (int y = 0; y < 2; ++y) {
        BYTE* row = added.ScanLine(y);
        const BYTE magentaThenRed[6] = {255, 0, 255, 0, 0, 255};
        std::copy(magentaThenRed, magentaThenRed + 6, row);
    }
    ASSERT_EQ(list.Add(&added, nullptr), 2);
    EXPECT_EQ(list.Count(), 3);
    TBitmap repaired;
    ASSERT_TRUE(list.GetBitmap(2, &repaired));
    EXPECT_EQ(PixelAt(repaired, 0, 0) >> 24, 0u);
    EXPECT_EQ(PixelAt(repaired, 1, 0), 0xFFFF0000u);
}

TEST(AlphaImageList, AssignCopiesItemsAndImages) {
    TsAlphaImageList source(nullptr, 4, 4);
    AddListItem(source, SolidPng(4, 4, 0, 0, 255, 255));
    AddListItem(source, ListIconFile(4, 0xFF00FF00u), ifICO);
    source.GenerateStdList();
    TsAlphaImageList copy(nullptr);
    copy.Assign(&source);
    EXPECT_EQ(copy.Width(), 4);
    EXPECT_EQ(copy.Items().Count(), 2);
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Items().Items(1)->ImageFormat, ifICO);
    auto blue = copy.CreateBitmap32(0, 4, 4);
    ASSERT_NE(blue, nullptr);
    EXPECT_EQ(PixelAt(*blue, 1, 1), 0xFF0000FFu);
}

TEST(AlphaImageList, ABrokenItemFailsWithoutFreezingTheList) {
    TsAlphaImageList list(nullptr, 2, 2);
    TsImgListItem& item = AddListItem(list, "\x89PNG broken");
    EXPECT_THROW(list.GenerateStdList(), EInvalidGraphic);
    SetItemData(item, SolidPng(2, 2, 1, 1, 1, 255));
    list.GenerateStdList();
    EXPECT_EQ(list.Count(), 1);
    AddListItem(list, SolidPng(2, 2, 2, 2, 2, 255));
    list.EndItemsUpdate(true);
    EXPECT_EQ(list.Count(), 2);
}

struct ListGlyphCase {
    const char* name;
    int frameIndex;
    int frameCount;
    std::uint32_t expected;  // the pixel at the frame's top-left corner
    int frameWidth;
};

class AlphaImageListGlyph : public testing::TestWithParam<ListGlyphCase> {};

TEST_P(AlphaImageListGlyph, DrawsTheChosenFrame) {
    const ListGlyphCase& c = GetParam();
    TsAlphaImageList list(nullptr, 64, 16);
    AddListItem(list, FourFramePng());
    list.GenerateStdList();
    auto target = FilledBitmap(80, 20, kListBackdrop);
    SIZE frame{};
    DrawImageListGlyph(list, *target, 2, 2, 0, c.frameIndex, c.frameCount, false, 0, clNone, frame);
    EXPECT_EQ(frame.cx, c.frameWidth);
    EXPECT_EQ(frame.cy, 16);
    EXPECT_PRED2(SameColourWithinOne, PixelAt(*target, 2, 2) & 0xFFFFFFu, c.expected);
    EXPECT_PRED2(SameColourWithinOne, PixelAt(*target, 2, 17) & 0xFFFFFFu, c.expected);
    EXPECT_EQ(PixelAt(*target, 2, 18), kListBackdrop);
    EXPECT_EQ(PixelAt(*target, 2 + c.frameWidth, 2), kListBackdrop);  // nothing right of the frame
    EXPECT_EQ(PixelAt(*target, 1, 2), kListBackdrop);
}

INSTANTIATE_TEST_SUITE_P(Frames, AlphaImageListGlyph,
                         testing::Values(ListGlyphCase{"Second", 1, 4, 0x00FF00u, 16},
                                         ListGlyphCase{"PastTheLastIsTheLast", 7, 4, 0xFFFF00u, 16},
                                         ListGlyphCase{"NegativeIsTheFirst", -3, 4, 0xFF0000u, 16},
                                         ListGlyphCase{"NoFramesIsOne", 2, 0, 0xFF0000u, 64},
                                         ListGlyphCase{"NegativeCountIsOne", 0, -5, 0xFF0000u, 64}),
                         [](const testing::TestParamInfo<ListGlyphCase>& info) { return std::string(info.param.name); });

TEST(AlphaImageListGlyphs, OtherListsDrawThroughTheFramework) {
    TImageList list(nullptr, 64, 16);
    TsAlphaImageList source(nullptr, 64, 16);
    AddListItem(source, FourFramePng());
    source.GenerateStdList();
    auto strip = source.CreateBitmap32(0, 64, 16);
    ASSERT_EQ(list.Add(strip.get(), nullptr), 0);
    auto target = FilledBitmap(40, 20, kListBackdrop);
    SIZE frame{};
    DrawImageListGlyph(list, *target, 3, 1, 0, 2, 4, false, 0, clNone, frame);
    EXPECT_EQ(frame.cx, 16);
    EXPECT_EQ(PixelAt(*target, 3, 1) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(PixelAt(*target, 18, 16) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(PixelAt(*target, 19, 1), kListBackdrop);
}

TEST(AlphaImageListGlyphs, DrawsOntoADeviceContext) {
    TsAlphaImageList list(nullptr, 64, 16);
    AddListItem(list, FourFramePng());
    list.GenerateStdList();
    auto target = FilledBitmap(80, 20, kListBackdrop);
    SIZE frame{};
    DrawImageListGlyphToDC(list, target->Canvas().Handle(), 4, 2, 0, 3, 4, false, 0, clNone, frame);
    EXPECT_EQ(frame.cx, 16);
    EXPECT_PRED2(SameColourWithinOne, PixelAt(*target, 4, 2) & 0xFFFFFFu, 0xFFFF00u);
    EXPECT_EQ(PixelAt(*target, 20, 2), kListBackdrop);
}

TEST(AlphaImageListRoutines, RepairAlphaFromCornerOnlyWithoutAlpha) {
    TBitmap plain(2, 2, pf32bit);
    PixelAt(plain, 0, 1) = 0x123456;
    PixelAt(plain, 1, 1) = 0x123456;
    PixelAt(plain, 0, 0) = 0x000001;
    RepairAlphaFromCorner(plain);
    EXPECT_EQ(PixelAt(plain, 0, 1), 0x00123456u);
    EXPECT_EQ(PixelAt(plain, 0, 0), 0xFF000001u);
    EXPECT_EQ(PixelAt(plain, 1, 0), 0xFF000000u);

    TBitmap withAlpha(2, 2, pf32bit);
    PixelAt(withAlpha, 1, 0) = 0x01000000;
    RepairAlphaFromCorner(withAlpha);
    EXPECT_EQ(PixelAt(withAlpha, 0, 0), 0u);

    TBitmap oneRow(3, 1, pf32bit);
    RepairAlphaFromCorner(oneRow);
    EXPECT_EQ(PixelAt(oneRow, 2, 0), 0u);
}

TEST(AlphaImageListRoutines, IconsFromPngKeepAlphaAndMaskTheClearPixels) {
    TStringStream stream(test::EncodePng(2, 2, {255, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 64, 0, 0, 255, 255}));
    TPNGGraphic png;
    png.LoadFromStream(stream);
    HICON icon = PngToIconOnColor(png, clWhite);
    ASSERT_NE(icon, nullptr);
    IconImage image;
    ASSERT_TRUE(GetIconImage(icon, image));
    EXPECT_EQ(image.color[0], 0xFFFF0000u);
    EXPECT_EQ(image.color[2], 0x4000FF00u);
    EXPECT_EQ(image.mask, (std::vector<std::uint8_t>{0, 1, 0, 0}));
    DestroyIcon(icon);

    HICON forced = PngToIcon(png, true);
    ASSERT_TRUE(GetIconImage(forced, image));
    EXPECT_EQ(image.mask, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    DestroyIcon(forced);
}

}  // namespace
}  // namespace parch
