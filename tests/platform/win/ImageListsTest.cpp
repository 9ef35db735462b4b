#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/SystemColors.h"
#include "tests/platform/win/ImageTestSupport.h"
#include "platform/win/ImageLists.h"

namespace parch {
namespace {

using test::Bitmap32;
using test::Solid;
using test::Target;

struct ListDeleter {
    void operator()(HIMAGELIST__* list) const { ImageList_Destroy(list); }
};
using List = std::unique_ptr<HIMAGELIST__, ListDeleter>;

TEST(ImageLists, AddSplitsWideBitmapsAndKeepsOrder) {
    List list(ImageList_Create(2, 2, ILC_COLOR32, 0, 4));
    ASSERT_TRUE(list);
    // Three 2 x 2 images side by side (6 pixels wide, plus one stray column ignored).
    std::vector<std::uint32_t> strip(7 * 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x) strip[y * 7 + x] = x < 2 ? 0xFF0000 : x < 4 ? 0x00FF00 : 0x0000FF;
    HBITMAP b = Bitmap32(7, 2, strip);
    EXPECT_EQ(ImageList_Add(list.get(), b, nullptr), 0);
    EXPECT_EQ(ImageList_GetImageCount(list.get()), 3);
    HBITMAP one = Solid(2, 2, 0x123456);
    EXPECT_EQ(ImageList_Add(list.get(), one, nullptr), 3);
    HBITMAP narrow = Solid(1, 2, 0);
    EXPECT_EQ(ImageList_Add(list.get(), narrow, nullptr), -1);

    Target t(8, 2, 0);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(ImageList_Draw(list.get(), i, t.dc(), i * 2, 0, ILD_NORMAL));
    EXPECT_EQ(t.Rgb(1, 1), 0xFF0000u);
    EXPECT_EQ(t.Rgb(2, 0), 0x00FF00u);
    EXPECT_EQ(t.Rgb(5, 1), 0x0000FFu);
    EXPECT_EQ(t.Rgb(7, 0), 0x123456u);

    // Remove one, replace one, swap and move.
    ASSERT_TRUE(ImageList_Remove(list.get(), 1));
    EXPECT_EQ(ImageList_GetImageCount(list.get()), 3);  // red, blue, 123456
    ASSERT_TRUE(ImageList_Replace(list.get(), 0, one, nullptr));  // 123456, blue, 123456
    ASSERT_TRUE(ImageList_Copy(list.get(), 2, list.get(), 1, ILCF_MOVE));  // 123456, blue, blue
    ASSERT_TRUE(ImageList_Copy(list.get(), 0, list.get(), 1, ILCF_SWAP));  // blue, 123456, blue
    Target u(6, 2, 0);
    for (int i = 0; i < 3; ++i) ImageList_Draw(list.get(), i, u.dc(), i * 2, 0, ILD_NORMAL);
    EXPECT_EQ(u.Rgb(0, 0), 0x0000FFu);
    EXPECT_EQ(u.Rgb(2, 0), 0x123456u);
    EXPECT_EQ(u.Rgb(4, 0), 0x0000FFu);
    EXPECT_FALSE(ImageList_Remove(list.get(), 3));
    EXPECT_FALSE(ImageList_Draw(list.get(), 3, u.dc(), 0, 0, ILD_NORMAL));
    EXPECT_TRUE(ImageList_Remove(list.get(), -1));
    EXPECT_EQ(ImageList_GetImageCount(list.get()), 0);
    for (HBITMAP bm : {b, one, narrow}) DeleteObject(bm);
}

TEST(ImageLists, MaskedImagesAndBackgroundColours) {
    List list(ImageList_Create(2, 1, ILC_COLOR24 | ILC_MASK, 1, 1));
    // Magenta is the mask colour: the left pixel is transparent.
    HBITMAP b = Bitmap32(2, 1, {0xFF00FF, 0x00FF00});
    ASSERT_EQ(ImageList_AddMasked(list.get(), b, RGB(255, 0, 255)), 0);
    EXPECT_EQ(ImageList_GetBkColor(list.get()), CLR_NONE);

    struct Case {
        COLORREF listBackground;
        UINT style;
        std::uint32_t left;  // what shows through on a blue target
        std::uint32_t right;
    };
    const Case cases[] = {
        {CLR_NONE, ILD_NORMAL, 0x0000FF, 0x00FF00},
        {RGB(255, 0, 0), ILD_NORMAL, 0xFF0000, 0x00FF00},       // background fills the mask
        {RGB(255, 0, 0), ILD_TRANSPARENT, 0x0000FF, 0x00FF00},  // unless drawn transparent
        {CLR_NONE, ILD_MASK, 0xFFFFFF, 0x000000},
        {CLR_NONE, ILD_IMAGE, 0x000000, 0x00FF00},              // the image without its mask
        {CLR_NONE, ILD_BLEND50, 0x0000FF, 0x00FF00},            // blended below
    };
    for (const Case& c : cases) {
        ImageList_SetBkColor(list.get(), c.listBackground);
        Target t(2, 1, 0x0000FF);
        ASSERT_TRUE(ImageList_Draw(list.get(), 0, t.dc(), 0, 0, c.style));
        if (c.style & ILD_BLEND50) {
            const std::uint32_t h = GetSysColor(COLOR_HIGHLIGHT);  // 0x00BBGGRR
            const std::uint32_t g = (0xFF + ((h >> 8) & 0xFF) + 1) / 2;
            EXPECT_NEAR(static_cast<int>((t.Rgb(1, 0) >> 8) & 0xFF), static_cast<int>(g), 1);
            EXPECT_EQ(t.Rgb(0, 0), c.left);
            continue;
        }
        EXPECT_EQ(t.Rgb(0, 0), c.left) << c.style << " " << c.listBackground;
        EXPECT_EQ(t.Rgb(1, 0), c.right) << c.style << " " << c.listBackground;
    }
    // An explicit background and a part of the image (1 x 1) through DrawEx.
    Target t(2, 1, 0x0000FF);
    ASSERT_TRUE(ImageList_DrawEx(list.get(), 0, t.dc(), 0, 0, 1, 1, RGB(1, 2, 3), CLR_NONE, ILD_NORMAL));
    EXPECT_EQ(t.Rgb(0, 0), 0x010203u);
    EXPECT_EQ(t.Rgb(1, 0), 0x0000FFu);
    EXPECT_EQ(ImageList_SetBkColor(list.get(), CLR_NONE), ImageList_GetBkColor(list.get()));
    DeleteObject(b);
}

TEST(ImageLists, AlphaImagesBlendAndIconsRoundTrip) {
    List list(ImageList_Create(2, 1, ILC_COLOR32 | ILC_MASK, 0, 1));
    HBITMAP b = Bitmap32(2, 1, {0x80FFFFFF, 0x00000000});  // half-white, fully clear
    ASSERT_EQ(ImageList_Add(list.get(), b, nullptr), 0);
    Target t(2, 1, 0x000000);
    ASSERT_TRUE(ImageList_Draw(list.get(), 0, t.dc(), 0, 0, ILD_TRANSPARENT));
    EXPECT_NEAR(static_cast<int>(t.Rgb(0, 0) & 0xFF), 128, 1);
    EXPECT_EQ(t.Rgb(1, 0), 0u);

    HICON icon = ImageList_GetIcon(list.get(), 0, ILD_NORMAL);
    ASSERT_NE(icon, nullptr);
    IconImage image;
    ASSERT_TRUE(GetIconImage(icon, image));
    EXPECT_TRUE(image.hasAlpha);
    EXPECT_EQ(image.color[0], 0x80FFFFFFu);
    EXPECT_EQ(image.mask[1], 1);

    // The icon goes back in, scaled to another list's size.
    List big(ImageList_Create(4, 2, ILC_COLOR32, 0, 1));
    EXPECT_EQ(ImageList_ReplaceIcon(big.get(), -1, icon), 0);
    EXPECT_EQ(ImageList_AddIcon(big.get(), icon), 1);
    EXPECT_EQ(ImageList_ReplaceIcon(big.get(), 5, icon), -1);
    Target u(4, 2, 0x000000);
    ImageList_Draw(big.get(), 0, u.dc(), 0, 0, ILD_NORMAL);
    EXPECT_NEAR(static_cast<int>(u.Rgb(1, 1) & 0xFF), 128, 1);
    EXPECT_EQ(u.Rgb(2, 1), 0u);
    DestroyIcon(icon);
    EXPECT_EQ(ImageList_ReplaceIcon(big.get(), -1, icon), -1);  // stale icon
    DeleteObject(b);
}

TEST(ImageLists, SizesCountsOverlaysAndInfo) {
    List list(ImageList_Create(3, 2, ILC_COLOR32 | ILC_MASK, 0, 1));
    ASSERT_TRUE(ImageList_SetImageCount(list.get(), 2));
    EXPECT_EQ(ImageList_GetImageCount(list.get()), 2);
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(list.get(), &cx, &cy));
    EXPECT_EQ(cx, 3);
    EXPECT_EQ(cy, 2);
    ASSERT_TRUE(ImageList_SetIconSize(list.get(), 2, 2));
    EXPECT_EQ(ImageList_GetImageCount(list.get()), 0);  // a new size clears
    EXPECT_FALSE(ImageList_SetIconSize(list.get(), 0, 2));

    HBITMAP red = Solid(2, 2, 0xFF0000);
    HBITMAP dot = Bitmap32(2, 2, {0x0000FF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF});
    ImageList_Add(list.get(), red, nullptr);
    ImageList_AddMasked(list.get(), dot, RGB(255, 255, 255));
    ASSERT_TRUE(ImageList_SetOverlayImage(list.get(), 1, 1));
    EXPECT_FALSE(ImageList_SetOverlayImage(list.get(), 1, 16));
    Target t(2, 2, 0);
    ASSERT_TRUE(ImageList_Draw(list.get(), 0, t.dc(), 0, 0, ILD_NORMAL | INDEXTOOVERLAYMASK(1)));
    EXPECT_EQ(t.Rgb(0, 0), 0x0000FFu);  // the overlay's one opaque pixel
    EXPECT_EQ(t.Rgb(1, 1), 0xFF0000u);

    IMAGEINFO info{};
    ASSERT_TRUE(ImageList_GetImageInfo(list.get(), 1, &info));
    EXPECT_EQ(info.rcImage.left, 2);
    EXPECT_EQ(info.rcImage.right, 4);
    BITMAP bm{};
    ASSERT_TRUE(GetObject(info.hbmImage, sizeof bm, &bm));
    EXPECT_GE(bm.bmWidth, 4);
    ASSERT_NE(info.hbmMask, nullptr);
    RECT r{};
    ASSERT_TRUE(ImageList_GetImageRect(list.get(), 1, &r));
    EXPECT_EQ(r.left, info.rcImage.left);
    EXPECT_FALSE(ImageList_GetImageRect(list.get(), 2, &r));
    // Counts beyond the bounds fail without allocating.
    EXPECT_FALSE(ImageList_SetImageCount(list.get(), 0x7FFFFFFF));
    DeleteObject(red);
    DeleteObject(dot);
}

TEST(ImageLists, SystemListsRefuseDestructionAndStaleHandlesFail) {
    HIMAGELIST system = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 8);
    ASSERT_TRUE(ImageList_SetSystemList(system, true));
    EXPECT_FALSE(ImageList_Destroy(system));
    EXPECT_TRUE(IsImageListHandle(system));
    ImageList_SetSystemList(system, false);
    EXPECT_TRUE(ImageList_Destroy(system));
    EXPECT_FALSE(IsImageListHandle(system));
    EXPECT_FALSE(ImageList_Destroy(system));
    EXPECT_EQ(ImageList_GetImageCount(system), 0);
    EXPECT_EQ(ImageList_Add(system, nullptr, nullptr), -1);
    EXPECT_EQ(ImageList_GetIcon(system, 0, 0), nullptr);
    EXPECT_EQ(ImageList_Create(0, 16, ILC_COLOR32, 0, 1), nullptr);
}

}  // namespace
}  // namespace parch
