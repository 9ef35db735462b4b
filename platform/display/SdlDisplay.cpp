#include "platform/display/SdlDisplay.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/Utf8Text.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Compositor.h"
#include "platform/win/FileDrop.h"
#include "platform/win/Input.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"

namespace parch {

namespace {

struct KeyPair {
    SDL_Keycode sdl;
    UINT vk;
};

constexpr KeyPair kKeys[] = {
    {SDLK_BACKSPACE, VK_BACK},   {SDLK_TAB, VK_TAB},         {SDLK_RETURN, VK_RETURN},   {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},      {SDLK_PAGEUP, VK_PRIOR},    {SDLK_PAGEDOWN, VK_NEXT},   {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},        {SDLK_LEFT, VK_LEFT},       {SDLK_UP, VK_UP},           {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},        {SDLK_INSERT, VK_INSERT},   {SDLK_DELETE, VK_DELETE},   {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},     {SDLK_LCTRL, VK_CONTROL},   {SDLK_RCTRL, VK_CONTROL},   {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},        {SDLK_CAPSLOCK, VK_CAPITAL}, {SDLK_PAUSE, VK_PAUSE},    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY}, {SDLK_KP_PLUS, VK_ADD}, {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL}, {SDLK_KP_DIVIDE, VK_DIVIDE}, {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_SEMICOLON, VK_OEM_1},  {SDLK_EQUALS, VK_OEM_PLUS}, {SDLK_COMMA, VK_OEM_COMMA}, {SDLK_MINUS, VK_OEM_MINUS},
    {SDLK_PERIOD, VK_OEM_PERIOD}, {SDLK_SLASH, VK_OEM_2},    {SDLK_BACKQUOTE, VK_OEM_3}, {SDLK_LEFTBRACKET, VK_OEM_4},
    {SDLK_BACKSLASH, VK_OEM_5},  {SDLK_RIGHTBRACKET, VK_OEM_6}, {SDLK_QUOTE, VK_OEM_7},
};

win::MouseButton ButtonOf(Uint8 button) {
    if (button == SDL_BUTTON_RIGHT) return win::MouseButton::Right;
    if (button == SDL_BUTTON_MIDDLE) return win::MouseButton::Middle;
    return win::MouseButton::Left;
}

void InjectText(const char* utf8) {
    // ASCII arrives with its key, which TranslateMessage turns into WM_CHAR already.
    for (char32_t c : DecodeUtf8(utf8)) {
        if (c < 0x80) continue;
        if (c >= 0x10000) {
            c -= 0x10000;
            win::InjectCharacter(static_cast<char16_t>(0xD800 + (c >> 10)));
            win::InjectCharacter(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            win::InjectCharacter(static_cast<char16_t>(c));
        }
    }
}

std::string WindowTitle(HWND hwnd) {
    char title[256] = {};
    GetWindowText(hwnd, title, sizeof title);
    return title;
}

}  // namespace

UINT VirtualKeyOf(int sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return static_cast<UINT>('A' + (sdlKey - SDLK_a));
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return static_cast<UINT>('0' + (sdlKey - SDLK_0));
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return VK_F1 + static_cast<UINT>(sdlKey - SDLK_F1);
    if (sdlKey >= SDLK_KP_1 && sdlKey <= SDLK_KP_9) return VK_NUMPAD0 + 1 + static_cast<UINT>(sdlKey - SDLK_KP_1);
    if (sdlKey == SDLK_KP_0) return VK_NUMPAD0;
    for (const KeyPair& k : kKeys)
        if (k.sdl == sdlKey) return k.vk;
    return 0;
}

std::unique_ptr<SdlDisplay> SdlDisplay::Open() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) == 0) win::SetScreenSize(bounds.w, bounds.h);
    win::SetClipboardBackend({[] {
                                  char* text = SDL_GetClipboardText();
                                  std::string copy = text ? text : "";
                                  SDL_free(text);
                                  return copy;
                              },
                              [](const std::string& text) { SDL_SetClipboardText(text.c_str()); }});
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
    SDL_StartTextInput();
    std::unique_ptr<SdlDisplay> display(new SdlDisplay);
    display->guiThread_ = GetCurrentThreadId();
    win::SetDisplayPump(display->guiThread_, [raw = display.get()] { raw->Pump(); });
    return display;
}

SdlDisplay::~SdlDisplay() {
    win::SetDisplayPump(guiThread_, {});
    for (auto& [hwnd, window] : windows_) SDL_DestroyWindow(window);
    win::SetClipboardBackend({});
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlDisplay::Pump() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) Handle(event);
    MirrorWindows();
    return !quit_;
}

void SdlDisplay::MirrorWindows() {
    std::vector<HWND> shown = win::WindowsOnScreen();
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (std::find(shown.begin(), shown.end(), it->first) == shown.end()) {
            SDL_DestroyWindow(it->second);
            shownPictures_.erase(it->first);
            it = windows_.erase(it);
        } else {
            ++it;
        }
    }
    for (HWND hwnd : shown) {
        RECT r;
        GetWindowRect(hwnd, &r);
        const int w = std::max(1, static_cast<int>(r.right - r.left)), h = std::max(1, static_cast<int>(r.bottom - r.top));
        SDL_Window*& window = windows_[hwnd];
        if (!window) {
            Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
            if (GetWindowLongPtr(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) flags |= SDL_WINDOW_SKIP_TASKBAR;
            window = SDL_CreateWindow(WindowTitle(hwnd).c_str(), r.left, r.top, w, h, flags);
            if (!window) {
                windows_.erase(hwnd);
                continue;
            }
        }
        int x, y, cw, ch;
        SDL_GetWindowPosition(window, &x, &y);
        SDL_GetWindowSize(window, &cw, &ch);
        if (x != r.left || y != r.top) SDL_SetWindowPosition(window, r.left, r.top);
        if (cw != w || ch != h) {
            SDL_SetWindowSize(window, w, h);
            shownPictures_.erase(hwnd);
        }
        Show(hwnd, window);
    }
}

void SdlDisplay::Show(HWND hwnd, SDL_Window* window) {
    // A layered window's picture carries per-pixel alpha that an SDL window cannot show, and a
    // window with a region (rounded corners) shows what lies beneath outside it: such windows
    // show the screen as composed there instead, the window over what lies beneath it.
    RECT regionBox;
    const bool layered = (GetWindowLongPtr(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0 ||
                         GetWindowRgnBox(hwnd, &regionBox) != ERROR;
    HBITMAP picture = layered ? CaptureScreen() : CaptureWindow(hwnd);
    GdiBitmap* bitmap = ResolveHandle(picture);
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (bitmap && target) {
        RECT part{0, 0, bitmap->Width(), bitmap->Height()};
        POINT at{0, 0};
        if (layered) {
            RECT r;
            GetWindowRect(hwnd, &r);
            IntersectRect(&part, &part, &r);
            at = {part.left - r.left, part.top - r.top};
        }
        const int w = part.right - part.left, h = part.bottom - part.top;
        BYTE* first = bitmap->Bits() + static_cast<std::size_t>(part.top) * bitmap->Stride() + part.left * 4;
        if (w > 0 && h > 0 && !SameAsShown(hwnd, first, w, h, bitmap->Stride())) {
            SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(first, w, h, 32, bitmap->Stride(), SDL_PIXELFORMAT_RGB888);
            if (source) {
                SDL_Rect place{at.x, at.y, w, h};
                SDL_BlitSurface(source, nullptr, target, &place);
                SDL_FreeSurface(source);
                SDL_UpdateWindowSurface(window);
            }
        }
    }
    if (picture) DeleteObject(picture);
}

// Whether the window shows these pixels already (an unchanged window is not sent to the
// screen again); remembers them otherwise.
bool SdlDisplay::SameAsShown(HWND hwnd, const BYTE* first, int width, int height, int stride) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(first + static_cast<std::size_t>(y) * stride, rowBytes, pixels.data() + y * rowBytes);
    std::vector<std::uint8_t>& shown = shownPictures_[hwnd];
    if (shown == pixels) return true;
    shown = std::move(pixels);
    return false;
}

unsigned SdlDisplay::WindowId(HWND hwnd) const {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? 0 : SDL_GetWindowID(it->second);
}

HWND SdlDisplay::WindowOf(unsigned sdlWindowId) const {
    SDL_Window* window = SDL_GetWindowFromID(sdlWindowId);
    for (const auto& [hwnd, w] : windows_)
        if (w == window) return hwnd;
    return nullptr;
}

POINT SdlDisplay::ToScreen(unsigned sdlWindowId, int x, int y) const {
    RECT r{};
    if (HWND hwnd = WindowOf(sdlWindowId)) GetWindowRect(hwnd, &r);
    return {r.left + x, r.top + y};
}

void SdlDisplay::Handle(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEMOTION: win::InjectMouseMove(ToScreen(event.motion.windowID, event.motion.x, event.motion.y)); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            win::InjectMouseMove(ToScreen(event.button.windowID, event.button.x, event.button.y));
            win::InjectMouseButton(ButtonOf(event.button.button), event.type == SDL_MOUSEBUTTONDOWN);
            break;
        case SDL_MOUSEWHEEL:
            // Fine motion comes as fractions of a notch; the accumulators make whole steps of it.
            if (event.wheel.preciseY != 0)
                win::InjectMouseWheel(static_cast<int>(std::lround(event.wheel.preciseY * WHEEL_DELTA)), false, verticalWheel_);
            if (event.wheel.preciseX != 0)
                win::InjectMouseWheel(static_cast<int>(std::lround(event.wheel.preciseX * WHEEL_DELTA)), true, horizontalWheel_);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (UINT vk = VirtualKeyOf(event.key.keysym.sym)) win::InjectKey(vk, event.type == SDL_KEYDOWN);
            break;
        case SDL_TEXTINPUT: InjectText(event.text.text); break;
        case SDL_DROPFILE: {
            POINT at;
            GetCursorPos(&at);
            win::DropFiles(at, {event.drop.file});
            SDL_free(event.drop.file);
            break;
        }
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                if (HWND hwnd = WindowOf(event.window.windowID)) PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            // An uncovered window is drawn again.
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED)
                if (HWND hwnd = WindowOf(event.window.windowID)) shownPictures_.erase(hwnd);
            break;
        case SDL_QUIT:
            quit_ = true;
            PostThreadMessage(guiThread_, WM_NULL, 0, 0);
            break;
        default: break;
    }
}

}  // namespace parch
