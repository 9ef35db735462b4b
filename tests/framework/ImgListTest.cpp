#include <gtest/gtest.h>

#include "framework/ImgList.h"

namespace parch {
namespace {

// A width x height 32-bit picture filled with one pixel value (B | G << 8 | R << 16 | A << 24).
std::unique_ptr<TBitmap> Picture(int width, int height, std::uint32_t value) {
    auto bitmap = std::make_unique<TBitmap>(width, height, pf32bit);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(bitmap->ScanLine(y));
        for (int x = 0; x < width; ++x) row[x] = value;
    }
    return bitmap;
}

std::uint32_t Pixel(TBitmap& bitmap, int x, int y) {
    return reinterpret_cast<const std::uint32_t*>(bitmap.ScanLine(y))[x];
}

TEST(ImgList, OperationsNotifyTheChangeLinks) {
    TImageList list(nullptr, 4, 4);
    TChangeLink link;
    int notified = 0, onChange = 0;
    link.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++notified;
    };
    list.OnChange = [&](TObject*) { ++onChange; };
    list.RegisterChanges(&link);
    EXPECT_EQ(link.Sender(), &list);

    auto strip = Picture(8, 4, 0x00FF0000);  // two red images side by side
    EXPECT_EQ(list.Add(strip.get(), nullptr), 0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(onChange, 1);

    auto magenta = Picture(4, 4, 0x00FF00FF);
    EXPECT_EQ(list.AddMasked(magenta.get(), RGB(255, 0, 255)), 2);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    list.BeginUpdate();
    list.Delete(0);
    list.Delete(0);
    EXPECT_EQ(notified, 3);  // held
    list.EndUpdate();
    EXPECT_EQ(notified, 4);  // one change for the whole update
    EXPECT_EQ(list.Count(), 0);

    list.UnRegisterChanges(&link);
    EXPECT_EQ(link.Sender(), nullptr);
    list.Add(strip.get(), nullptr);
    EXPECT_EQ(notified, 4);

    // A new size clears the images.
    list.SetWidth(8);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Width(), 8);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list.Handle(), &cx, &cy);
    EXPECT_EQ(cx, 8);
}

TEST(ImgList, DrawingStylesAndImagesOut) {
    TImageList list(nullptr, 2, 2);
    list.SetColorDepth(cd32Bit);
    auto half = Picture(2, 2, 0x80FF0000);  // half-transparent red
    ASSERT_EQ(list.Add(half.get(), nullptr), 0);
    auto target = Picture(2, 2, 0xFF000000);
    list.SetDrawingStyle(dsTransparent);
    list.Draw(target->Canvas(), 0, 0, 0);
    EXPECT_NEAR(static_cast<int>((Pixel(*target, 0, 0) >> 16) & 0xFF), 128, 1);
    EXPECT_EQ(Pixel(*target, 0, 0) & 0xFFFF, 0u);

    // Disabled images are blended with the window colour.
    auto disabled = Picture(2, 2, 0xFF000000);
    list.Draw(disabled->Canvas(), 0, 0, 0, false);
    EXPECT_NE(Pixel(*disabled, 0, 0) & 0xFFFFFF, Pixel(*target, 0, 0) & 0xFFFFFF);

    list.SetImageType(itMask);
    auto mask = Picture(2, 2, 0xFF00FF00);
    list.Draw(mask->Canvas(), 0, 0, 0);
    EXPECT_EQ(Pixel(*mask, 0, 0) & 0xFFFFFF, 0u);  // opaque parts are black in the mask

    TBitmap out;
    ASSERT_TRUE(list.GetBitmap(0, &out));
    EXPECT_EQ(out.Width(), 2);
    EXPECT_EQ(Pixel(out, 1, 1), 0x80FF0000u);
    EXPECT_FALSE(list.GetBitmap(5, &out));
    TIcon icon;
    ASSERT_TRUE(list.GetIcon(0, &icon));
    EXPECT_EQ(icon.Width(), 2);
    EXPECT_EQ(list.AddIcon(&icon), 1);

    list.SetBkColor(clRed);
    EXPECT_EQ(list.BkColor(), clRed);
    EXPECT_EQ(ImageList_GetBkColor(list.Handle()), RGB(255, 0, 0));
    list.SetBkColor(clNone);
    EXPECT_EQ(ImageList_GetBkColor(list.Handle()), CLR_NONE);
}

TEST(ImgList, SharedAndSystemListsOutliveTheComponent) {
    HIMAGELIST shared = ImageList_Create(16, 16, ILC_COLOR32, 0, 1);
    {
        TImageList list(nullptr);
        list.SetShareImages(true);
        list.SetHandle(shared);
        EXPECT_EQ(list.Handle(), shared);
    }
    EXPECT_TRUE(IsImageListHandle(shared));

    // A system list given to a component that does not share it survives the component.
    ImageList_SetSystemList(shared, true);
    {
        TImageList list(nullptr);
        list.SetHandle(shared);
    }
    EXPECT_TRUE(IsImageListHandle(shared));
    ImageList_SetSystemList(shared, false);
    {
        TImageList list(nullptr);
        list.SetHandle(shared);
    }
    EXPECT_FALSE(IsImageListHandle(shared));

    // A link outliving its list, and a list outliving its link.
    TChangeLink outliving;
    {
        TImageList list(nullptr);
        list.RegisterChanges(&outliving);
    }
    EXPECT_EQ(outliving.Sender(), nullptr);
    TImageList list(nullptr);
    {
        TChangeLink shortLived;
        list.RegisterChanges(&shortLived);
    }
    auto picture = Picture(16, 16, 0);
    EXPECT_EQ(list.Add(picture.get(), nullptr), 0);  // no link left to call
}

}  // namespace
}  // namespace parch
