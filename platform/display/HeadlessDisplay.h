#pragma once
// The headless display: a virtual screen with a work area, a virtual clock, and input injected
// by tests as a user would give it. While one exists, everything timed in the window system
// runs on its clock.

#include <memory>
#include <string_view>

#include "platform/win/Clock.h"
#include "platform/win/Input.h"
#include "platform/win/WinUser.h"

namespace parch {

class HeadlessDisplay {
public:
    using Button = win::MouseButton;

    explicit HeadlessDisplay(int width = 1920, int height = 1080, int taskBarHeight = 40);
    ~HeadlessDisplay();
    HeadlessDisplay(const HeadlessDisplay&) = delete;
    HeadlessDisplay& operator=(const HeadlessDisplay&) = delete;

    VirtualClock& Clock() { return *clock_; }
    void AdvanceTime(std::uint64_t ms) { clock_->Advance(ms); }

    RECT ScreenRect() const;
    RECT WorkArea() const;
    void SetWorkArea(const RECT& area);

    void MoveMouse(int x, int y);
    void MouseDown(Button button = Button::Left);
    void MouseUp(Button button = Button::Left);
    void Click(int x, int y, Button button = Button::Left);
    void DoubleClick(int x, int y);
    // Presses at from, moves in steps to to, releases there.
    void Drag(POINT from, POINT to, int steps = 4, Button button = Button::Left);
    // A turn of delta (WHEEL_DELTA a notch; less for a touchpad's fine motion).
    void Wheel(int delta);
    void KeyDown(UINT virtualKey);
    void KeyUp(UINT virtualKey);
    void PressKey(UINT virtualKey);
    // Each character arrives as a VK_PACKET key that TranslateMessage turns into WM_CHAR.
    void TypeText(std::string_view utf8);

    // Reads, translates and dispatches the calling thread's messages until none is left;
    // returns how many were dispatched. A WM_QUIT is left in the queue.
    int PumpMessages();

private:
    std::shared_ptr<VirtualClock> clock_;
    win::WheelAccumulator wheelMotion_;
};

}  // namespace parch
