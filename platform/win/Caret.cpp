#include "platform/win/Caret.h"

#include <atomic>
#include <optional>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/Timers.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowTree.h"

namespace parch {

namespace caret {

struct CaretState {
    HWND owner = nullptr;
    HBITMAP bitmap = nullptr;
    int width = 1;
    int height = 1;
    POINT position{};
    int hideCount = 1;
    bool drawn = false;
    std::vector<COLORREF> left;  // the pixels as the caret left them when drawn
    UINT_PTR timer = 0;
};

// The caret belongs to the thread, as the window system's input state does.
std::optional<CaretState>& ThreadCaret() {
    thread_local std::optional<CaretState> state;
    return state;
}

// A system-wide setting, as the blink time is.
std::atomic<UINT>& BlinkTime() {
    static std::atomic<UINT> ms{530};
    return ms;
}

void Invert(const CaretState& c) {
    HDC dc = GetDC(c.owner);
    if (!dc) return;
    if (c.bitmap) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, c.bitmap);
        BitBlt(dc, c.position.x, c.position.y, c.width, c.height, source, 0, 0, SRCINVERT);
        SelectObject(source, old);
        DeleteDC(source);
    } else {
        PatBlt(dc, c.position.x, c.position.y, c.width, c.height, DSTINVERT);
    }
    ReleaseDC(c.owner, dc);
}

std::vector<COLORREF> PixelsUnder(const CaretState& c) {
    std::vector<COLORREF> pixels;
    HDC dc = GetDC(c.owner);
    if (!dc) return pixels;
    pixels.reserve(static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height));
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) pixels.push_back(GetPixel(dc, c.position.x + x, c.position.y + y));
    ReleaseDC(c.owner, dc);
    return pixels;
}

void Draw(CaretState& c) {
    if (c.drawn || c.hideCount > 0 || !IsWindowVisible(c.owner)) return;
    Invert(c);
    c.left = PixelsUnder(c);
    c.drawn = true;
}

// Takes the caret off the screen, unless a repaint has already done so.
void Erase(CaretState& c) {
    if (!c.drawn) return;
    c.drawn = false;
    if (IsWindow(c.owner) && PixelsUnder(c) == c.left) Invert(c);
}

void Blink(HWND, UINT, UINT_PTR, DWORD) {
    auto& state = ThreadCaret();
    if (!state) return;
    if (!IsWindow(state->owner)) {
        DestroyCaret();
        return;
    }
    if (state->drawn)
        Erase(*state);
    else
        Draw(*state);
}

// The caret shows at once after a change and stays a full period before blinking off.
void RestartBlinking(CaretState& c) {
    if (c.timer) KillTimer(nullptr, c.timer);
    c.timer = SetTimer(nullptr, 0, BlinkTime().load(), &Blink);
}

CaretState* OwnedBy(HWND hwnd) {
    auto& state = ThreadCaret();
    if (!state || (hwnd && state->owner != hwnd)) return nullptr;
    return &*state;
}

}  // namespace caret

using namespace caret;

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height) {
    if (!IsWindow(hwnd)) return 0;
    DestroyCaret();
    CaretState c;
    c.owner = hwnd;
    BITMAP info{};
    if (bitmap && GetObject(bitmap, sizeof(info), &info)) {
        c.bitmap = bitmap;
        c.width = info.bmWidth;
        c.height = info.bmHeight;
    } else {
        c.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
        c.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
    }
    RestartBlinking(c);
    ThreadCaret() = std::move(c);
    return 1;
}

BOOL DestroyCaret() {
    auto& state = ThreadCaret();
    if (!state) return 0;
    Erase(*state);
    if (state->timer) KillTimer(nullptr, state->timer);
    state.reset();
    return 1;
}

BOOL ShowCaret(HWND hwnd) {
    CaretState* c = OwnedBy(hwnd);
    if (!c) return 0;
    if (c->hideCount > 0 && --c->hideCount == 0) {
        Draw(*c);
        RestartBlinking(*c);
    }
    return 1;
}

BOOL HideCaret(HWND hwnd) {
    CaretState* c = OwnedBy(hwnd);
    if (!c) return 0;
    ++c->hideCount;
    Erase(*c);
    return 1;
}

BOOL SetCaretPos(int x, int y) {
    CaretState* c = OwnedBy(nullptr);
    if (!c) return 0;
    if (c->position.x == x && c->position.y == y) return 1;
    Erase(*c);
    c->position = {x, y};
    Draw(*c);
    RestartBlinking(*c);
    return 1;
}

BOOL GetCaretPos(POINT* point) {
    CaretState* c = OwnedBy(nullptr);
    if (!c || !point) return 0;
    *point = c->position;
    return 1;
}

UINT GetCaretBlinkTime() { return BlinkTime().load(); }

BOOL SetCaretBlinkTime(UINT ms) {
    if (ms == 0) return 0;
    BlinkTime().store(ms);
    if (CaretState* c = OwnedBy(nullptr)) RestartBlinking(*c);
    return 1;
}

}  // namespace parch
