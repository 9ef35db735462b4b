#pragma once
// The on-screen display: every top-level window the compositor shows gets a borderless SDL
// window at its place (the window draws its own frame), showing its picture; mouse, keyboard,
// text, file drops and window closing come back as the window system's input; the text
// clipboard is the system's.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/win/Input.h"
#include "platform/win/WinUser.h"

struct SDL_Window;

union SDL_Event;

namespace parch {

class SdlDisplay {
public:
    // Null when no video device can be opened (no display).
    static std::unique_ptr<SdlDisplay> Open();
    ~SdlDisplay();
    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;

    // Brings the SDL windows in line with the window system and feeds it the events that
    // arrived. Returns false once the user asked the application to quit. The thread that
    // opened the display also pumps it whenever it waits for messages, so message loops of
    // their own (modal forms, menus) keep the screen alive; a quit request then wakes it.
    bool Pump();
    // Whether the user asked to quit since the last call.
    bool TakeQuitRequest() { return std::exchange(quit_, false); }

    // The SDL window id showing hwnd (0: none), for whoever feeds SDL events of its own.
    unsigned WindowId(HWND hwnd) const;

private:
    SdlDisplay() = default;
    DWORD guiThread_ = 0;
    void MirrorWindows();
    void Show(HWND hwnd, SDL_Window* window);
    bool SameAsShown(HWND hwnd, const BYTE* first, int width, int height, int stride);
    void Handle(const SDL_Event& event);
    HWND WindowOf(unsigned sdlWindowId) const;
    POINT ToScreen(unsigned sdlWindowId, int x, int y) const;

    std::unordered_map<HWND, SDL_Window*> windows_;
    std::unordered_map<HWND, std::vector<std::uint8_t>> shownPictures_;
    win::WheelAccumulator verticalWheel_;
    win::WheelAccumulator horizontalWheel_;
    bool quit_ = false;
};

// The virtual key of an SDL key code (0 when there is none).
UINT VirtualKeyOf(int sdlKey);

}  // namespace parch
