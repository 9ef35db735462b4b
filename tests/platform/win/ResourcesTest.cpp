#include <gtest/gtest.h>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/IconFile.h"
#include "platform/win/ImageLoading.h"
#include "platform/win/ScrollBarInfo.h"
#include "tests/platform/win/ImageTestSupport.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

HINSTANCE Module(std::uintptr_t n) {
    return reinterpret_cast<HINSTANCE>(0x7E000000 + n * 16);
}

IconImage Square(int side, std::uint32_t color) {
    IconImage image;
    image.width = image.height = side;
    image.color.assign(static_cast<std::size_t>(side) * side, color);
    image.mask.assign(image.color.size(), 0);
    image.hasAlpha = (color >> 24) != 0;
    return image;
}

TEST(Resources, FoundByNameOrNumberAndMissingOnesFail) {
    HINSTANCE m = Module(1);
    RegisterResource(m, RT_RCDATA, "Config", "abc");
    RegisterResource(m, RT_RCDATA, MAKEINTRESOURCE(7), "seven");
    struct Case {
        const char* name;
        const char* type;
        const char* bytes;  // null: not found
    };
    const Case cases[] = {
        {"Config", RT_RCDATA, "abc"},  {"CONFIG", RT_RCDATA, "abc"}, {"config", RT_RCDATA, "abc"},
        {MAKEINTRESOURCE(7), RT_RCDATA, "seven"}, {"#7", RT_RCDATA, "seven"},
        {"Config", RT_BITMAP, nullptr}, {"Other", RT_RCDATA, nullptr}, {MAKEINTRESOURCE(8), RT_RCDATA, nullptr},
    };
    for (const Case& c : cases) {
        HRSRC r = FindResource(m, c.name, c.type);
        if (!c.bytes) {
            EXPECT_EQ(r, nullptr);
            continue;
        }
        ASSERT_NE(r, nullptr);
        const auto* data = static_cast<const char*>(LockResource(LoadResource(m, r)));
        EXPECT_EQ(std::string(data, SizeofResource(m, r)), c.bytes);
    }
    EXPECT_EQ(FindResource(Module(2), "Config", RT_RCDATA), nullptr);  // another module
    EXPECT_EQ(LoadResource(m, reinterpret_cast<HRSRC>(&m)), nullptr);
    EXPECT_EQ(SizeofResource(m, nullptr), 0u);

    // Registering again replaces the data for later look-ups; a handle already found keeps its bytes.
    HRSRC before = FindResource(m, "Config", RT_RCDATA);
    RegisterResource(m, RT_RCDATA, "Config", "new");
    EXPECT_EQ(ResourceBytes(m, "Config", RT_RCDATA), "new");
    EXPECT_EQ(std::string(static_cast<const char*>(LoadResource(m, before)), SizeofResource(m, before)), "abc");
}

TEST(Resources, StringsAreCutAtCharacterBoundaries) {
    HINSTANCE m = Module(3);
    RegisterString(m, 905, "Größe");  // G r ö(2) ß(2) e: 7 bytes
    char buffer[16];
    EXPECT_EQ(LoadString(m, 905, buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "Größe");
    EXPECT_EQ(LoadString(m, 905, buffer, 4), 2);  // "Gr" + half of "ö" would not fit
    EXPECT_STREQ(buffer, "Gr");
    EXPECT_EQ(LoadString(m, 905, buffer, 5), 4);
    EXPECT_STREQ(buffer, "Grö");
    EXPECT_EQ(LoadString(m, 906, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadString(m, 905, buffer, 0), 0);
    EXPECT_EQ(LoadString(m, 905, nullptr, 10), 0);
}

TEST(Resources, BitmapsAndIconGroups) {
    HINSTANCE m = Module(4);
    HBITMAP source = test::Solid(3, 2, 0x00336699);
    std::vector<BYTE> bmp = WriteBmp(source);
    DeleteObject(source);
    RegisterResource(m, RT_BITMAP, "WITHHEADER", std::string(bmp.begin(), bmp.end()));
    RegisterResource(m, RT_BITMAP, "PLAIN", std::string(bmp.begin() + 14, bmp.end()));  // as compiled
    RegisterResource(m, RT_BITMAP, "BROKEN", std::string(bmp.begin() + 14, bmp.begin() + 30));
    for (const char* name : {"WithHeader", "Plain"}) {
        HBITMAP b = LoadBitmapResource(m, name);
        ASSERT_NE(b, nullptr) << name;
        BITMAP bm{};
        GetObject(b, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, 3);
        EXPECT_EQ(bm.bmHeight, 2);
        EXPECT_EQ(static_cast<std::uint32_t*>(bm.bmBits)[0] & 0xFFFFFF, 0x336699u);
        DeleteObject(b);
    }
    EXPECT_EQ(LoadBitmapResource(m, "Broken"), nullptr);
    EXPECT_EQ(LoadBitmapResource(m, "Missing"), nullptr);
    HBITMAP viaLoadImage = static_cast<HBITMAP>(LoadImage(m, "PLAIN", IMAGE_BITMAP, 6, 4, 0));
    ASSERT_NE(viaLoadImage, nullptr);
    DeleteObject(viaLoadImage);

    // An icon file becomes a group; LoadImage takes the entry closest to the size.
    std::vector<BYTE> ico = EncodeIconFile({Square(16, 0xFF0000FF), Square(32, 0xFF00FF00), Square(48, 0xFFFF0000)});
    ASSERT_TRUE(RegisterIconResource(m, "APPICON", std::string_view(reinterpret_cast<const char*>(ico.data()), ico.size())));
    EXPECT_FALSE(RegisterIconResource(m, "BAD", "nonsense"));
    EXPECT_EQ(FindResource(m, "BAD", RT_GROUP_ICON), nullptr);
    ASSERT_NE(FindResource(m, "AppIcon", RT_GROUP_ICON), nullptr);
    struct Case {
        int size;
        std::uint32_t color;
    };
    for (const Case& c : {Case{16, 0xFF0000FF}, Case{30, 0xFF00FF00}, Case{44, 0xFFFF0000}}) {
        auto icon = static_cast<HICON>(LoadImage(m, "appicon", IMAGE_ICON, c.size, c.size, 0));
        ASSERT_NE(icon, nullptr);
        IconImage image;
        GetIconImage(icon, image);
        EXPECT_EQ(image.width, c.size);
        EXPECT_EQ(image.color[0], c.color) << c.size;
        // Copied at 48 from the resource: the 48 entry itself.
        auto big = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, 48, 48, LR_COPYFROMRESOURCE));
        GetIconImage(big, image);
        EXPECT_EQ(image.color[0], 0xFFFF0000u);
        DestroyIcon(big);
        DestroyIcon(icon);
    }
    EXPECT_EQ(LoadImage(m, "NoSuchIcon", IMAGE_ICON, 16, 16, 0), nullptr);
    EXPECT_EQ(LoadImage(m, "appicon", IMAGE_CURSOR, 16, 16, 0), nullptr);
}

class ScrollBarInfoTest : public test::RecorderTest {};

TEST_F(ScrollBarInfoTest, PartsAndStatesOfTheWindowBars) {
    HWND w = rec.Create("w", WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL, nullptr, {100, 100, 500, 400});
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 0;
    SetScrollInfo(w, SB_VERT, &si, 0);
    SCROLLBARINFO info;
    ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &info));
    const RECT bar = win::ScrollBarRectOnScreen(w, SB_VERT);
    EXPECT_EQ(info.rcScrollBar.left, bar.left);
    EXPECT_EQ(info.rcScrollBar.bottom, bar.bottom);
    EXPECT_GT(info.dxyLineButton, 0);
    EXPECT_EQ(info.xyThumbTop, info.dxyLineButton);  // at the top, right after the arrow
    EXPECT_GT(info.xyThumbBottom, info.xyThumbTop);
    EXPECT_EQ(info.rgstate[0], 0u);

    EnableScrollBar(w, SB_VERT, ESB_DISABLE_BOTH);
    ASSERT_TRUE(GetScrollBarInfo(w, OBJID_VSCROLL, &info));
    EXPECT_EQ(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE, STATE_SYSTEM_UNAVAILABLE);

    ShowScrollBar(w, SB_HORZ, 0);
    ASSERT_TRUE(GetScrollBarInfo(w, OBJID_HSCROLL, &info));
    EXPECT_EQ(info.rgstate[0] & STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_INVISIBLE);

    SCROLLBARINFO wrongSize;
    wrongSize.cbSize = 4;
    EXPECT_FALSE(GetScrollBarInfo(w, OBJID_VSCROLL, &wrongSize));
    EXPECT_FALSE(GetScrollBarInfo(w, 3, &info));
    EXPECT_FALSE(GetScrollBarInfo(w, OBJID_CLIENT, &info));  // not a scroll-bar control

    // The same function through the by-name table.
    HMODULE user32 = LoadLibrary("user32.dll");
    ASSERT_NE(user32, nullptr);
    auto* bound = GetProcAddressOf<BOOL(HWND, LONG, SCROLLBARINFO*)>(user32, "GetScrollBarInfo");
    ASSERT_NE(bound, nullptr);
    EXPECT_TRUE(bound(w, OBJID_VSCROLL, &info));
    for (const char* name : {"SetLayeredWindowAttributes", "UpdateLayeredWindow", "GetLayeredWindowAttributes"})
        EXPECT_NE(GetProcAddress(user32, name), nullptr) << name;
    HMODULE msimg32 = LoadLibrary("msimg32");
    for (const char* name : {"GradientFill", "AlphaBlend", "TransparentBlt"})
        EXPECT_NE(GetProcAddress(msimg32, name), nullptr) << name;
    EXPECT_EQ(LoadLibrary("comctl32.dll"), nullptr);  // no flat scroll bars
    EXPECT_EQ(GetProcAddress(user32, "InitializeFlatSB"), nullptr);
    FreeLibrary(user32);
    FreeLibrary(msimg32);
}

}  // namespace
}  // namespace parch
