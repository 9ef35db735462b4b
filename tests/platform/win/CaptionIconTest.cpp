#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/ImageLists.h"
#include "platform/win/Painting.h"
#include "tests/platform/win/ImageTestSupport.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

// A side x side icon of one opaque colour with a transparent top-left quarter (black there, so
// that the XOR leaves the background as it is).
HICON QuarteredIcon(int side, std::uint32_t color) {
    IconImage image;
    image.width = image.height = side;
    image.color.assign(static_cast<std::size_t>(side) * side, color & 0xFFFFFF);
    image.mask.assign(image.color.size(), 0);
    for (int y = 0; y < side / 2; ++y)
        for (int x = 0; x < side / 2; ++x) {
            image.mask[static_cast<std::size_t>(y) * side + x] = 1;
            image.color[static_cast<std::size_t>(y) * side + x] = 0;
        }
    return CreateIconFromImage(std::move(image), true, POINT{0, 0});
}

// A side x side icon whose alpha runs from 0 on the left to 255 on the right.
HICON FadingIcon(int side, std::uint32_t color) {
    IconImage image;
    image.width = image.height = side;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.color.push_back((color & 0xFFFFFF) | static_cast<std::uint32_t>(x * 255 / (side - 1)) << 24);
    image.mask.assign(image.color.size(), 0);
    return CreateIconFromImage(std::move(image), true, POINT{0, 0});
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

class CaptionIcon : public test::RecorderTest {};

TEST_F(CaptionIcon, TheSmallIconOfTheWindowOrElseOfItsClassIsDrawnInTheCaption) {
    // Frame 4, caption 23 at (104, 104): the system-menu box is 23 wide; the 16-pixel icon is
    // centred in it, from (107, 107).
    HWND w = rec.Create("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 400, 300});
    display.PumpMessages();
    const COLORREF caption = GetSysColor(COLOR_ACTIVECAPTION);
    EXPECT_EQ(ScreenPixel(115, 115), caption);  // no icon yet

    HICON red = QuarteredIcon(16, 0xFF0000);
    SendMessage(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(red));
    RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    display.PumpMessages();
    EXPECT_EQ(ScreenPixel(115, 115), RGB(255, 0, 0));
    EXPECT_EQ(ScreenPixel(108, 108), caption);  // the transparent quarter
    EXPECT_EQ(ScreenPixel(122, 122), RGB(255, 0, 0));
    EXPECT_EQ(ScreenPixel(123, 122), caption);
    if (const char* folder = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SaveWindowPng(w, std::string(folder) + "/caption-icon.png"));
    }

    // Without a window icon, the class's small icon.
    HICON green = QuarteredIcon(32, 0x00FF00);  // scaled down to the small size
    SendMessage(w, WM_SETICON, ICON_SMALL, 0);
    SetClassLongPtr(w, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(green));
    RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    display.PumpMessages();
    EXPECT_EQ(ScreenPixel(115, 115), RGB(0, 255, 0));

    // A destroyed icon draws nothing and harms nothing.
    SetClassLongPtr(w, GCLP_HICONSM, 0);
    SendMessage(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(red));
    DestroyIcon(red);
    RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    display.PumpMessages();
    EXPECT_EQ(ScreenPixel(115, 115), caption);
    DestroyIcon(green);
}

// Icons and an image list drawn over a colour, saved for a look: PARCH_SAVE_PICTURES names
// the folder.
TEST(IconPicture, IconsAndImageListOverAColour) {
    test::Target t(200, 80, 0x3060A0);
    HICON quartered = QuarteredIcon(32, 0xFFD000);
    HICON fading = FadingIcon(32, 0xFFFFFF);
    ASSERT_TRUE(DrawIconEx(t.dc(), 8, 8, quartered, 0, 0, 0, nullptr, DI_NORMAL));
    ASSERT_TRUE(DrawIconEx(t.dc(), 48, 8, fading, 0, 0, 0, nullptr, DI_NORMAL));
    ASSERT_TRUE(DrawIconEx(t.dc(), 88, 8, fading, 64, 32, 0, nullptr, DI_NORMAL));
    HIMAGELIST list = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 2, 2);
    ImageList_AddIcon(list, quartered);
    ImageList_AddIcon(list, fading);
    ImageList_Draw(list, 0, t.dc(), 8, 44, ILD_TRANSPARENT);
    ImageList_Draw(list, 1, t.dc(), 48, 44, ILD_TRANSPARENT);
    ImageList_Draw(list, 0, t.dc(), 88, 44, ILD_SELECTED);
    ImageList_Draw(list, 1, t.dc(), 128, 44, ILD_BLEND25);
    // Spot checks of what the picture shows.
    EXPECT_EQ(t.Rgb(10, 10), 0x3060A0u);   // the transparent quarter
    EXPECT_EQ(t.Rgb(30, 30), 0xFFD000u);
    EXPECT_EQ(t.Rgb(48, 20), 0x3060A0u);   // fully clear edge of the fading icon
    EXPECT_EQ(t.Rgb(79, 20), 0xFFFFFFu);   // and its opaque edge
    EXPECT_EQ(t.Rgb(30, 66), 0xFFD000u);   // the same from the image list
    EXPECT_NE(t.Rgb(110, 66), 0xFFD000u);  // selected: blended with the highlight colour
    if (const char* folder = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(t.bitmap(), std::string(folder) + "/icons-and-image-list.png"));
    }
    ImageList_Destroy(list);
    DestroyIcon(quartered);
    DestroyIcon(fading);
}

}  // namespace
}  // namespace parch
