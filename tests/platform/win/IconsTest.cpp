#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "tests/platform/win/ImageTestSupport.h"
#include "platform/win/Icons.h"
#include "platform/win/Input.h"

namespace parch {
namespace {

using test::Bitmap32;
using test::Target;

constexpr std::uint32_t RgbValue(unsigned r, unsigned g, unsigned b) { return r << 16 | g << 8 | b; }

// A 1-bit bitmap from rows of '1' (white) and '0'.
HBITMAP Mask(std::initializer_list<const char*> rows) {
    int w = static_cast<int>(std::strlen(*rows.begin()));
    int h = static_cast<int>(rows.size());
    std::vector<BYTE> bits(static_cast<std::size_t>((w + 15) / 16 * 2) * h, 0);
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < w; ++x)
            if (row[x] == '1') bits[y * ((w + 15) / 16 * 2) + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        ++y;
    }
    return CreateBitmap(w, h, 1, 1, bits.data());
}

TEST(Icons, MaskedColourIconAndsMaskThenXorsColour) {
    // Left column transparent (mask 1, colour black); right column opaque red.
    HBITMAP mask = Mask({"10", "10"});
    HBITMAP color = Bitmap32(2, 2, {0x000000, 0xFF0000, 0x000000, 0xFF0000});
    ICONINFO info{1, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    DeleteObject(mask);
    DeleteObject(color);  // the icon keeps its own copies

    Target canvas(4, 2, RgbValue(0, 0, 255));
    ASSERT_TRUE(DrawIconEx(canvas.dc(), 1, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(canvas.Rgb(0, 0), 0x0000FFu);  // untouched
    EXPECT_EQ(canvas.Rgb(1, 0), 0x0000FFu);  // mask set: background shows
    EXPECT_EQ(canvas.Rgb(2, 1), 0xFF0000u);  // opaque red
    EXPECT_EQ(canvas.Rgb(3, 0), 0x0000FFu);

    // DI_MASK alone copies the mask; DI_IMAGE alone copies the colour.
    Target masked(2, 1, RgbValue(0, 255, 0));
    DrawIconEx(masked.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_MASK);
    EXPECT_EQ(masked.Rgb(0, 0), 0xFFFFFFu);
    EXPECT_EQ(masked.Rgb(1, 0), 0x000000u);
    Target image(2, 1, RgbValue(0, 255, 0));
    DrawIconEx(image.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_IMAGE);
    EXPECT_EQ(image.Rgb(0, 0), 0x000000u);
    EXPECT_EQ(image.Rgb(1, 0), 0xFF0000u);

    // Stretched to 4 x 4: each pixel doubles.
    Target big(4, 4, RgbValue(0, 0, 255));
    DrawIconEx(big.dc(), 0, 0, icon, 4, 4, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(big.Rgb(1, 3), 0x0000FFu);
    EXPECT_EQ(big.Rgb(2, 3), 0xFF0000u);
    EXPECT_TRUE(DestroyIcon(icon));
}

TEST(Icons, AlphaIconBlendsAndIgnoresMask) {
    // One half-transparent white pixel, one opaque green; the mask says "all opaque".
    HBITMAP mask = Mask({"00"});
    HBITMAP color = Bitmap32(1 * 2, 1, {0x80FFFFFF, 0xFF00FF00});
    ICONINFO info{1, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    Target canvas(2, 1, RgbValue(0, 0, 0));
    ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    std::uint32_t grey = canvas.Rgb(0, 0) & 0xFF;
    EXPECT_NEAR(static_cast<int>(grey), 128, 1);
    EXPECT_EQ(canvas.Rgb(1, 0), 0x00FF00u);

    // GetIconInfo returns copies with the alpha kept, which make an equal icon.
    ICONINFO back{};
    ASSERT_TRUE(GetIconInfo(icon, &back));
    ASSERT_NE(back.hbmColor, nullptr);
    BITMAP bm{};
    ASSERT_TRUE(GetObject(back.hbmColor, sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 2);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(static_cast<std::uint32_t*>(bm.bmBits)[0], 0x80FFFFFFu);
    HICON again = CreateIconIndirect(&back);
    DeleteObject(back.hbmColor);
    DeleteObject(back.hbmMask);
    IconImage a, b;
    ASSERT_TRUE(GetIconImage(icon, a));
    ASSERT_TRUE(GetIconImage(again, b));
    EXPECT_EQ(a.color, b.color);
    EXPECT_EQ(a.mask, b.mask);
    EXPECT_TRUE(b.hasAlpha);
    DestroyIcon(again);
    DestroyIcon(icon);
}

TEST(Icons, MonochromeIconUsesBothHalvesOfTheMask) {
    // AND rows then XOR rows: transparent, black, white, inverted.
    HBITMAP mask = Mask({"1001", "0011"});
    ICONINFO info{0, 1, 0, mask, nullptr};
    HICON cursor = CreateIconIndirect(&info);
    ASSERT_NE(cursor, nullptr);
    DeleteObject(mask);
    Target canvas(4, 1, RgbValue(0x10, 0x20, 0x30));
    ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, cursor, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(canvas.Rgb(0, 0), 0x102030u);
    EXPECT_EQ(canvas.Rgb(1, 0), 0x000000u);
    EXPECT_EQ(canvas.Rgb(2, 0), 0xFFFFFFu);
    EXPECT_EQ(canvas.Rgb(3, 0), 0xEFDFCFu);

    ICONINFO back{};
    ASSERT_TRUE(GetIconInfo(cursor, &back));
    EXPECT_EQ(back.hbmColor, nullptr);
    EXPECT_FALSE(back.fIcon);
    EXPECT_EQ(back.xHotspot, 1u);
    BITMAP bm{};
    GetObject(back.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmHeight, 2);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    DeleteObject(back.hbmMask);
    DestroyCursor(cursor);
}

TEST(Icons, BrushDrawingAndSizes) {
    HBITMAP mask = Mask({"10", "10"});
    HBITMAP color = Bitmap32(2, 2, {0, 0xFF0000, 0, 0xFF0000});
    ICONINFO info{1, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
    Target canvas(2, 2, RgbValue(0, 0, 255));
    ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, 0, 0, 0, yellow, DI_NORMAL));
    EXPECT_EQ(canvas.Rgb(0, 0), 0xFFFF00u);  // the brush, not the canvas, shows through
    EXPECT_EQ(canvas.Rgb(1, 0), 0xFF0000u);
    DeleteObject(yellow);

    SIZE size{};
    ASSERT_TRUE(GetIconSize(icon, size));
    EXPECT_EQ(size, (SIZE{2, 2}));
    // DI_DEFAULTSIZE with 0 sizes: the system icon size (32 x 32).
    Target large(40, 40, RgbValue(0, 0, 255));
    DrawIconEx(large.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
    EXPECT_EQ(large.Rgb(31, 31), 0xFF0000u);
    EXPECT_EQ(large.Rgb(32, 31), 0x0000FFu);
    DestroyIcon(icon);
    DeleteObject(mask);
    DeleteObject(color);
}

TEST(Icons, StaleAndBadHandlesFailCleanly) {
    HBITMAP mask = Mask({"0"});
    HBITMAP color = Bitmap32(1, 1, {0x123456});
    ICONINFO info{1, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    HICON copy = CopyIcon(icon);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, icon);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(IsIconHandle(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    Target canvas(1, 1, RgbValue(0, 0, 0));
    EXPECT_FALSE(DrawIconEx(canvas.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    ICONINFO back{};
    EXPECT_FALSE(GetIconInfo(icon, &back));
    EXPECT_EQ(CopyIcon(icon), nullptr);
    // The copy lives on; the bitmaps can go.
    EXPECT_TRUE(DrawIcon(canvas.dc(), 0, 0, copy));
    EXPECT_EQ(canvas.Rgb(0, 0), 0x123456u);
    DestroyIcon(copy);

    // Mismatched sizes, missing mask, a colour handle that is not a bitmap.
    HBITMAP wide = Bitmap32(2, 1, {0, 0});
    ICONINFO mismatched{1, 0, 0, mask, wide};
    EXPECT_EQ(CreateIconIndirect(&mismatched), nullptr);
    ICONINFO noMask{1, 0, 0, nullptr, color};
    EXPECT_EQ(CreateIconIndirect(&noMask), nullptr);
    EXPECT_EQ(CreateIconIndirect(nullptr), nullptr);
    HBRUSH brush = CreateSolidBrush(0);
    ICONINFO notBitmap{1, 0, 0, mask, reinterpret_cast<HBITMAP>(brush)};
    EXPECT_EQ(CreateIconIndirect(&notBitmap), nullptr);
    DeleteObject(brush);
    DeleteObject(wide);
    DeleteObject(mask);
    DeleteObject(color);
}

TEST(Icons, SystemCursorsAreSharedObjects) {
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), arrow);
    EXPECT_TRUE(IsIconHandle(arrow));
    EXPECT_TRUE(DestroyCursor(arrow));  // shared: stays alive
    EXPECT_TRUE(IsIconHandle(arrow));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(arrow, &info));
    EXPECT_FALSE(info.fIcon);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(LoadCursor(nullptr, reinterpret_cast<const char*>(1)), nullptr);
}

}  // namespace
}  // namespace parch
