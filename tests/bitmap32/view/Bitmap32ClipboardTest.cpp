// A 32-bit bitmap through the clipboard: its pixels, alpha included, come back as they went,
// the text on the clipboard stays, and pictures of either row order read the right way up.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "bitmap32/Bitmap32.h"
#include "bitmap32/view/Bitmap32Clipboard.h"
#include "platform/win/Clipboard.h"

namespace parch {
namespace {

TEST(Bitmap32Clipboard, PixelsAndAlphaTravelBothWaysAndTheTextStays) {
    SetClipboardText("kept");
    TBitmap32 source;
    source.SetSize(3, 2);
    const TColor32 pixels[] = {0xFFFF0000u, 0x8000FF00u, 0x00000000u, 0xFF0000FFu, 0xFFFFFFFFu, 0x40102030u};
    for (int i = 0; i < 6; ++i) source.SetPixel(i % 3, i / 3, pixels[i]);

    CopyBitmap32ToClipboard(source);
    ASSERT_TRUE(HasClipboardPicture());
    EXPECT_EQ(GetClipboardText(), "kept");

    TBitmap32 pasted;
    ASSERT_TRUE(AssignBitmap32FromClipboard(pasted));
    ASSERT_EQ(pasted.Width(), 3);
    ASSERT_EQ(pasted.Height(), 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(pasted.GetPixel(i % 3, i / 3), pixels[i]) << i;
}

TEST(Bitmap32Clipboard, BottomUpPicturesReadTheRightWayUp) {
    ClipboardPicture picture;
    picture.header.biWidth = 1;
    picture.header.biHeight = 2;  // rows bottom first
    picture.header.biBitCount = 32;
    const std::uint32_t bottomThenTop[] = {0xFF0000FFu, 0xFFFF0000u};
    picture.pixels.resize(sizeof bottomThenTop);
    std::memcpy(picture.pixels.data(), bottomThenTop, sizeof bottomThenTop);
    ASSERT_TRUE(SetClipboardPicture(picture));

    TBitmap32 pasted;
    ASSERT_TRUE(AssignBitmap32FromClipboard(pasted));
    EXPECT_EQ(pasted.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(pasted.GetPixel(0, 1), 0xFF0000FFu);
}

}  // namespace
}  // namespace parch
