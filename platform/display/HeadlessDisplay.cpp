#include "platform/display/HeadlessDisplay.h"

#include <algorithm>

#include "platform/win/Messages.h"
#include "platform/win/SystemValues.h"

namespace parch {

namespace {

// UTF-8 to UTF-16 code units; a malformed byte stands for itself as U+FFFD.
std::u16string Utf16Of(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += static_cast<std::size_t>(length);
    }
    return out;
}

}  // namespace

HeadlessDisplay::HeadlessDisplay(int width, int height, int taskBarHeight)
    : clock_(std::make_shared<VirtualClock>(1000)) {
    win::SetScreenSize(width, height);
    RECT work{0, 0, width, height - taskBarHeight};
    SystemParametersInfo(SPI_SETWORKAREA, 0, &work, 0);
    win::ResetInput();
    SetClock(clock_);
}

HeadlessDisplay::~HeadlessDisplay() {
    SetClock(nullptr);
}

RECT HeadlessDisplay::ScreenRect() const {
    return win::ScreenRect();
}

RECT HeadlessDisplay::WorkArea() const {
    return win::WorkArea();
}

void HeadlessDisplay::SetWorkArea(const RECT& area) {
    RECT copy = area;
    SystemParametersInfo(SPI_SETWORKAREA, 0, &copy, SPIF_SENDCHANGE);
}

void HeadlessDisplay::MoveMouse(int x, int y) {
    win::InjectMouseMove({x, y});
}

void HeadlessDisplay::MouseDown(Button button) {
    win::InjectMouseButton(button, true);
}

void HeadlessDisplay::MouseUp(Button button) {
    win::InjectMouseButton(button, false);
}

void HeadlessDisplay::Click(int x, int y, Button button) {
    MoveMouse(x, y);
    MouseDown(button);
    MouseUp(button);
}

void HeadlessDisplay::DoubleClick(int x, int y) {
    Click(x, y);
    AdvanceTime(50);
    Click(x, y);
}

void HeadlessDisplay::Drag(POINT from, POINT to, int steps, Button button) {
    MoveMouse(from.x, from.y);
    MouseDown(button);
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i)
        MoveMouse(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    MouseUp(button);
}

void HeadlessDisplay::Wheel(int delta) {
    win::InjectMouseWheel(delta, false, wheelMotion_);
}

void HeadlessDisplay::KeyDown(UINT virtualKey) {
    win::InjectKey(virtualKey, true);
}

void HeadlessDisplay::KeyUp(UINT virtualKey) {
    win::InjectKey(virtualKey, false);
}

void HeadlessDisplay::PressKey(UINT virtualKey) {
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

void HeadlessDisplay::TypeText(std::string_view utf8) {
    for (char16_t c : Utf16Of(utf8)) win::InjectCharacter(c);
}

int HeadlessDisplay::PumpMessages() {
    int count = 0;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        ++count;
    }
    return count;
}

}  // namespace parch
