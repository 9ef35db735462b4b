#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"
#include "platform/win/Compositor.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Focus.h"
#include "platform/win/Layered.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"

namespace parch {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

void Fill(HDC dc, const RECT& r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// Windows that paint their client area (and WM_PRINTCLIENT) in the colour kept as user data.
LRESULT SolidProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto color = static_cast<COLORREF>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT client;
            GetClientRect(hwnd, &client);
            Fill(dc, client, color);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            // Far larger than the window: what lands outside it shows the clipping failed.
            Fill(reinterpret_cast<HDC>(wParam), {-1000, -1000, 1000, 1000}, color);
            return 0;
        default: break;
    }
    LRESULT answer;
    if (win::DefaultPaintMessage(hwnd, message, wParam, lParam, &answer)) return answer;
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class Screen : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEX wc;
        wc.lpfnWndProc = &SolidProc;
        wc.lpszClassName = "Solid";
        RegisterClassEx(&wc);
    }
    void TearDown() override {
        for (HWND h : made) DestroyWindow(h);
        display.PumpMessages();
    }
    HWND Make(COLORREF color, RECT r, DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr, DWORD exStyle = 0) {
        HWND h = CreateWindowEx(exStyle, "Solid", "", style & ~WS_VISIBLE, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, nullptr, nullptr, nullptr);
        SetWindowLongPtr(h, GWLP_USERDATA, static_cast<LONG_PTR>(color));
        if (style & WS_VISIBLE) ShowWindow(h, SW_SHOWNA);
        if (!parent) made.push_back(h);
        return h;
    }
    COLORREF At(int x, int y) {
        HDC dc = GetDC(nullptr);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(nullptr, dc);
        return c;
    }
    HeadlessDisplay display{640, 480};
    std::vector<HWND> made;
};

TEST_F(Screen, WindowsStackInZOrder) {
    HWND below = Make(kGreen, {100, 100, 300, 300});
    Make(kBlue, {200, 200, 400, 400});
    display.PumpMessages();
    EXPECT_EQ(At(150, 150), kGreen);
    EXPECT_EQ(At(250, 250), kBlue);
    EXPECT_EQ(At(50, 50), GetSysColor(COLOR_DESKTOP));
    SetWindowPos(below, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(At(250, 250), kGreen);  // raised with its stored picture, no repaint needed
}

TEST_F(Screen, WindowRegionsCutPaintingAndHitTesting) {
    HWND below = Make(kGreen, {100, 100, 300, 300});
    HWND round = Make(kBlue, {150, 150, 250, 250});
    SetWindowRgn(round, CreateEllipticRgn(0, 0, 100, 100), 1);
    display.PumpMessages();
    EXPECT_EQ(At(152, 152), kGreen);  // the cut corner shows the window below
    EXPECT_EQ(At(200, 200), kBlue);
    EXPECT_EQ(WindowFromPoint({152, 152}), below);
    EXPECT_EQ(WindowFromPoint({200, 200}), round);

    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(round, copy), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(copy, 50, 50));
    SetWindowRgn(round, nullptr, 1);
    EXPECT_EQ(GetWindowRgn(round, copy), ERROR);
    display.PumpMessages();
    EXPECT_EQ(At(152, 152), kBlue);
    DeleteObject(copy);
}

TEST_F(Screen, ChildRegionsAndClippingStylesKeepPaintingInside) {
    HWND parent = Make(kWhite, {0, 0, 200, 200}, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
    HWND lower = Make(kGreen, {10, 10, 60, 60}, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, parent);
    HWND upper = Make(kBlue, {40, 40, 90, 90}, WS_CHILD | WS_VISIBLE, parent);
    SetWindowPos(upper, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    display.PumpMessages();
    EXPECT_EQ(ChildWindowFromPoint(parent, {45, 45}), upper);

    // Each context paints only where its window can be seen.
    HDC dc = GetDC(parent);
    Fill(dc, {0, 0, 200, 200}, kRed);
    ReleaseDC(parent, dc);
    dc = GetDC(lower);
    Fill(dc, {0, 0, 50, 50}, kRed);
    ReleaseDC(lower, dc);
    EXPECT_EQ(At(5, 5), kRed);
    EXPECT_EQ(At(20, 20), kRed);   // lower, painted through its own context
    EXPECT_EQ(At(45, 45), kBlue);  // upper, spared by both
    EXPECT_EQ(At(80, 80), kBlue);

    // A child's window region lets its parent show and be hit through the cut.
    SetWindowRgn(upper, CreateRectRgn(0, 0, 10, 10), 1);
    display.PumpMessages();
    EXPECT_EQ(ChildWindowFromPoint(parent, {80, 80}), parent);
    EXPECT_EQ(At(80, 80), kWhite);
    EXPECT_EQ(At(45, 45), kBlue);
}

TEST_F(Screen, LayeredWindowsBlendOverOthers) {
    HWND below = Make(kRed, {0, 0, 300, 300});
    HWND glass = Make(kBlue, {50, 50, 150, 150}, WS_POPUP | WS_VISIBLE, nullptr, WS_EX_LAYERED);
    display.PumpMessages();
    EXPECT_EQ(At(100, 100), kRed);  // layered without a look yet: not shown, not hit
    EXPECT_EQ(WindowFromPoint({100, 100}), below);

    SetLayeredWindowAttributes(glass, 0, 128, LWA_ALPHA);
    EXPECT_EQ(At(100, 100), RGB(127, 0, 128));
    EXPECT_EQ(WindowFromPoint({100, 100}), glass);

    SetLayeredWindowAttributes(glass, kBlue, 255, LWA_COLORKEY);
    EXPECT_EQ(At(100, 100), kRed);
    EXPECT_EQ(WindowFromPoint({100, 100}), below);  // the key colour lets the mouse through

    // Cleared at run time the window is a plain one again.
    SetWindowLongPtr(glass, GWL_EXSTYLE, 0);
    display.PumpMessages();
    EXPECT_EQ(At(100, 100), kBlue);
}

TEST_F(Screen, UpdateLayeredWindowShowsPremultipliedPixels) {
    HWND below = Make(kRed, {0, 0, 300, 300});
    HWND glass = Make(kBlue, {0, 0, 10, 10}, WS_POPUP | WS_VISIBLE, nullptr, WS_EX_LAYERED);
    display.PumpMessages();
    // Top half: white at half opacity; bottom half: nothing.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 100;
    info.bmiHeader.biHeight = -100;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < 100 * 50; ++i) pixels[i] = 0x80808080u;
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, picture);
    POINT at{100, 100};
    SIZE size{100, 100};
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(UpdateLayeredWindow(glass, nullptr, &at, &size, source, &origin, 0, &blend, ULW_ALPHA));
    RECT placed;
    GetWindowRect(glass, &placed);
    EXPECT_EQ(placed, (RECT{100, 100, 200, 200}));
    EXPECT_EQ(At(150, 120), RGB(255, 128, 128));
    EXPECT_EQ(At(150, 180), kRed);
    EXPECT_EQ(WindowFromPoint({150, 120}), glass);
    EXPECT_EQ(WindowFromPoint({150, 180}), below);  // fully transparent pixels are not hit

    blend.SourceConstantAlpha = 0;  // the constant alpha multiplies the picture's own
    UpdateLayeredWindow(glass, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &blend, ULW_ALPHA);
    EXPECT_EQ(At(150, 120), kRed);

    // A plain window cannot take a layered picture; a transparent one lets the mouse through.
    EXPECT_FALSE(UpdateLayeredWindow(below, nullptr, nullptr, &size, source, &origin, 0, &blend, ULW_ALPHA));
    blend.SourceConstantAlpha = 255;
    UpdateLayeredWindow(glass, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &blend, ULW_ALPHA);
    SetWindowLongPtr(glass, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TRANSPARENT);
    EXPECT_EQ(WindowFromPoint({150, 120}), below);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(picture);
}

TEST_F(Screen, NoActivateToolWindowsTakeClicksWithoutActivation) {
    HWND main = Make(kRed, {0, 0, 300, 300}, WS_POPUP | WS_VISIBLE);
    SetActiveWindow(main);
    HWND tool = Make(kBlue, {100, 100, 200, 200}, WS_POPUP | WS_VISIBLE, nullptr,
                     WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW);
    SetLayeredWindowAttributes(tool, 0, 255, LWA_ALPHA);
    display.PumpMessages();
    display.Click(150, 150);
    display.PumpMessages();
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(WindowFromPoint({150, 150}), tool);
    EXPECT_EQ(At(150, 150), kBlue);
}

TEST_F(Screen, PrintDrawsAWindowWithChildrenIntoAForeignContextAtAnOffset) {
    HWND parent = Make(kGreen, {300, 300, 400, 380});
    Make(kBlue, {10, 10, 40, 30}, WS_CHILD | WS_VISIBLE, parent);
    Make(kRed, {50, 10, 70, 30}, WS_CHILD, parent);  // hidden: not printed

    auto canvas = GdiBitmap::Create(200, 200, 32, true, true);
    HBITMAP bitmap = AdoptGdiObject(std::move(canvas));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    Fill(dc, {0, 0, 200, 200}, kWhite);
    SetViewportOrgEx(dc, 50, 40, nullptr);
    SendMessage(parent, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_CHILDREN);
    SetViewportOrgEx(dc, 0, 0, nullptr);

    struct Probe {
        int x, y;
        COLORREF expected;
    };
    for (const Probe& p : {Probe{55, 45, kGreen}, Probe{65, 55, kBlue}, Probe{89, 69, kBlue}, Probe{90, 70, kGreen},
                           Probe{105, 55, kGreen}, Probe{45, 35, kWhite}, Probe{150, 45, kWhite},
                           Probe{55, 120, kWhite}}) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(GetPixel(dc, p.x, p.y), p.expected);
    }
    // The viewport origin the caller set is given back.
    POINT viewport;
    GetViewportOrgEx(dc, &viewport);
    EXPECT_EQ(viewport, (POINT{0, 0}));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

TEST_F(Screen, ScrollWindowMovesPixelsAndUncoversTheRest) {
    HWND w = Make(kWhite, {0, 0, 100, 100});
    display.PumpMessages();
    HDC dc = GetDC(w);
    Fill(dc, {0, 0, 100, 10}, kRed);
    ReleaseDC(w, dc);
    RECT uncovered;
    ScrollWindowEx(w, 0, 10, nullptr, nullptr, nullptr, &uncovered, 0);
    EXPECT_EQ(uncovered, (RECT{0, 0, 100, 10}));
    EXPECT_EQ(At(50, 15), kRed);
    EXPECT_EQ(At(50, 25), kWhite);
    ScrollWindow(w, 0, 10, nullptr, nullptr);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(w, &update, 0));
    EXPECT_EQ(update, (RECT{0, 0, 100, 10}));
    EXPECT_EQ(At(50, 25), kRed);
}

TEST_F(Screen, ScrollingChildrenTakesTheirPixelsAlong) {
    HWND w = Make(kWhite, {0, 0, 100, 100}, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
    HWND child = Make(kBlue, {10, 10, 30, 30}, WS_CHILD | WS_VISIBLE, w);
    display.PumpMessages();
    ScrollWindowEx(w, 20, 0, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN);
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (RECT{30, 10, 50, 30}));
    EXPECT_EQ(At(40, 20), kBlue);  // moved with the scroll, not repainted
}

TEST_F(Screen, CompositionAndThemesAreNotAvailable) {
    BOOL enabled = 1;
    EXPECT_EQ(DwmIsCompositionEnabled(&enabled), S_OK);
    EXPECT_FALSE(enabled);
    EXPECT_FALSE(IsThemeActive());
    EXPECT_FALSE(IsAppThemed());
}

// Reads back a PNG written by SavePng: the size and the RGBA pixels.
bool ReadPng(const std::string& path, int& width, int& height, std::vector<unsigned char>& rgba) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(signature, signature + 8, file.begin())) return false;
    auto word = [&](std::size_t at) {
        return (std::uint32_t{file[at]} << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
    };
    std::vector<unsigned char> packed;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::uint32_t length = word(at);
        const std::string type(file.begin() + at + 4, file.begin() + at + 8);
        if (type == "IHDR") {
            width = static_cast<int>(word(at + 8));
            height = static_cast<int>(word(at + 12));
        }
        if (type == "IDAT") packed.insert(packed.end(), file.begin() + at + 8, file.begin() + at + 8 + length);
        at += 12 + length;
    }
    std::vector<unsigned char> raw(static_cast<std::size_t>(height) * (1 + width * 4));
    uLongf rawSize = raw.size();
    if (uncompress(raw.data(), &rawSize, packed.data(), packed.size()) != Z_OK || rawSize != raw.size()) return false;
    rgba.clear();
    for (int y = 0; y < height; ++y) {
        auto row = raw.begin() + static_cast<std::ptrdiff_t>(y) * (1 + width * 4);
        if (*row != 0) return false;
        rgba.insert(rgba.end(), row + 1, row + 1 + width * 4);
    }
    return true;
}

TEST_F(Screen, ScreenAndWindowPicturesSaveAsPng) {
    HWND w = Make(kBlue, {10, 20, 60, 50});
    display.PumpMessages();
    const std::string path = ::testing::TempDir() + "screen.png";
    ASSERT_TRUE(SaveScreenPng(path));
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    ASSERT_TRUE(ReadPng(path, width, height, rgba));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    const std::size_t at = (static_cast<std::size_t>(30) * 640 + 20) * 4;
    EXPECT_EQ(std::vector<unsigned char>(rgba.begin() + at, rgba.begin() + at + 4),
              (std::vector<unsigned char>{0, 0, 255, 255}));

    ASSERT_TRUE(SaveWindowPng(w, path));
    ASSERT_TRUE(ReadPng(path, width, height, rgba));
    EXPECT_EQ(width, 50);
    EXPECT_EQ(height, 30);
    // An ordinary window's picture is opaque, as the screen shows it.
    const std::size_t inside = (static_cast<std::size_t>(10) * 50 + 10) * 4;
    EXPECT_EQ(std::vector<unsigned char>(rgba.begin() + inside, rgba.begin() + inside + 4),
              (std::vector<unsigned char>{0, 0, 255, 255}));
    EXPECT_FALSE(SaveWindowPng(nullptr, path));
    EXPECT_FALSE(SavePng(nullptr, path));
    std::remove(path.c_str());
}

}  // namespace
}  // namespace parch
