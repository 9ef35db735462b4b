#pragma once
// What the tests of the standard controls share: a dialog-like parent on the headless screen
// that writes down the notifications it gets, a subclass that writes down the messages a
// control gets, and pixel comparisons between the screen and pictures drawn in memory.

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/PixelView.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/Compositor.h"
#include "platform/win/Icons.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch::test {

using Lines = std::vector<std::string>;

// A 32-bit picture with a memory context selected into it; cleared to `fill`.
class MemoryPicture {
public:
    MemoryPicture(int width, int height, COLORREF fill = RGB(255, 0, 255)) : width_(width), height_(height) {
        bitmap_ = CreateBitmap(width, height, 1, 32, nullptr);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~MemoryPicture() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    MemoryPicture(const MemoryPicture&) = delete;
    MemoryPicture& operator=(const MemoryPicture&) = delete;
    HDC Dc() const { return dc_; }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_;
    int height_;
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The composed screen at one moment, read pixel by pixel.
class ScreenShot {
public:
    ScreenShot() : bitmap_(CaptureScreen()), view_(bitmap_ ? PixelView::Of(*ResolveHandle(bitmap_)) : PixelView{}) {}
    ~ScreenShot() { DeleteObject(bitmap_); }
    ScreenShot(const ScreenShot&) = delete;
    ScreenShot& operator=(const ScreenShot&) = delete;
    COLORREF Pixel(int x, int y) const {
        if (!bitmap_ || x < 0 || y < 0 || x >= view_.width || y >= view_.height) return CLR_INVALID;
        const DWORD value = view_.ReadColor(x, y);
        return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    }
    // A pixel of a window's client area.
    COLORREF ClientPixel(HWND hwnd, int x, int y) const {
        POINT p{x, y};
        ClientToScreen(hwnd, &p);
        return Pixel(p.x, p.y);
    }

private:
    HBITMAP bitmap_;
    PixelView view_;
};

// The pixels of a window's client area as the screen shows them (from `at`), compared with a
// picture; the first differing pixel is described, or "" when all match.
inline std::string CompareClientWithPicture(HWND hwnd, const MemoryPicture& picture, POINT at = {0, 0}) {
    const ScreenShot shot;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const COLORREF screen = shot.ClientPixel(hwnd, at.x + x, at.y + y);
            if (screen != picture.Pixel(x, y))
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + ": screen " + std::to_string(screen) +
                       " picture " + std::to_string(picture.Pixel(x, y));
        }
    return "";
}

inline int CountPixels(HWND hwnd, const RECT& client, COLORREF color) {
    const ScreenShot shot;
    int count = 0;
    for (int y = client.top; y < client.bottom; ++y)
        for (int x = client.left; x < client.right; ++x) count += shot.ClientPixel(hwnd, x, y) == color;
    return count;
}

// An opaque icon of one colour (COLORREF), with no see-through pixels.
inline HICON MakeSolidIcon(int width, int height, COLORREF color) {
    IconImage image;
    image.width = width;
    image.height = height;
    const std::uint32_t bgra = 0xFF000000u | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    image.color.assign(static_cast<std::size_t>(width) * height, bgra);
    image.mask.assign(static_cast<std::size_t>(width) * height, 0);
    return CreateIconFromImage(std::move(image), true, POINT{0, 0});
}

// Headless screen with a parent window at (100, 100), 400 x 300, painted in the face colour,
// that records its WM_COMMAND notifications and WM_DRAWITEM records; controls made with
// Make() are subclassed so the messages they get are recorded in the same log.
class ControlTest : public RecorderTest {
protected:
    void SetUp() override {
        parent = rec.Create("parent", WS_POPUP | WS_VISIBLE, nullptr, {100, 100, 500, 400});
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (h != parent) return std::nullopt;
            if (m == WM_ERASEBKGND) {
                RECT r;
                GetClientRect(h, &r);
                FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_3DFACE));
                return 1;
            }
            if (m == WM_COMMAND) {
                log.push_back("parent " + codeNames[HIWORD(wp)] + " " + std::to_string(LOWORD(wp)));
                return 0;
            }
            if (m == WM_DRAWITEM) {
                drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
                return 1;
            }
            if (colorAnswer) return colorAnswer(m, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
            return std::nullopt;
        });
        SetForegroundWindow(parent);
        display.PumpMessages();
        rec.Clear();
    }

    HWND Make(const char* cls, const char* text, DWORD style, RECT r, int id = 1) {
        HWND h = CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)),
                                nullptr, nullptr);
        names[h] = std::string(cls) + std::to_string(id);
        SetWindowSubclass(h, &Logger, 0, reinterpret_cast<DWORD_PTR>(this));
        return h;
    }

    Lines Pump() {
        display.PumpMessages();
        return std::exchange(log, {});
    }

    POINT ScreenPointOf(HWND h, int x, int y) {
        POINT p{x, y};
        ClientToScreen(h, &p);
        return p;
    }

    HWND parent = nullptr;
    Lines log;
    std::vector<DRAWITEMSTRUCT> drawn;
    std::map<HWND, std::string> names;
    std::map<int, std::string> codeNames;  // notification code names for the log
    std::function<std::optional<LRESULT>(UINT, HDC, HWND)> colorAnswer;
    // Messages the subclass writes down, with their names.
    std::map<UINT, std::string> logged;

private:
    static LRESULT Logger(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
        auto* test = reinterpret_cast<ControlTest*>(self);
        if (auto it = test->logged.find(m); it != test->logged.end()) {
            std::string line = test->names[h] + " " + it->second;
            if (m == WM_KEYDOWN || m == WM_KEYUP || (m >= 0x00F0 && m <= 0x00F7) || (m >= 0x0170 && m <= 0x0173)) line += " " + std::to_string(wp);
            test->log.push_back(line);
        }
        return DefSubclassProc(h, m, wp, lp);
    }
};

}  // namespace parch::test
