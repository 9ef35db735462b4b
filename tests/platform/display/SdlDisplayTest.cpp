// The on-screen display on a private Xvfb server, checked with a screenshot of the X screen.
// Skipped where Xvfb is not installed.

#include <gtest/gtest.h>
#include <SDL.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/SdlDisplay.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/win/Clipboard.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/FileDrop.h"
#include "platform/win/Messages.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"
#include "platform/win/WindowPos.h"
#include "tests/platform/display/OnScreenCheck.h"

namespace parch {
namespace {

using onscreen::Xvfb;

std::vector<std::string> received;

LRESULT BlueProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
            RECT client;
            GetClientRect(hwnd, &client);
            FillRect(dc, &client, blue);
            DeleteObject(blue);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
            received.push_back("click " + std::to_string(GET_X_LPARAM(lParam)) + "," +
                               std::to_string(GET_Y_LPARAM(lParam)));
            return 0;
        case WM_DROPFILES: {
            auto drop = reinterpret_cast<HDROP>(wParam);
            char name[254];
            DragQueryFile(drop, 0, name, sizeof name);
            received.push_back("drop " + std::to_string(DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0)) + " " + name);
            DragFinish(drop);
            return 0;
        }
        default: return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

void PumpAll(SdlDisplay& display) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    display.Pump();
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
}

// What the child process saw, one line each: the screenshot pixel inside the window and one
// outside it, the messages the window received, and the clipboard text read back.
std::vector<std::string> RunOnScreen(const Xvfb& server) {
    setenv("DISPLAY", server.Name().c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    std::vector<std::string> seen;
    auto display = SdlDisplay::Open();
    if (!display) return {"no display"};

    WNDCLASSEX wc;
    wc.lpfnWndProc = &BlueProc;
    wc.lpszClassName = "SdlBlue";
    RegisterClassEx(&wc);
    HWND window = CreateWindowEx(WS_EX_ACCEPTFILES, "SdlBlue", "blue", WS_POPUP | WS_VISIBLE, 40, 30, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    long pixel = -1;
    onscreen::WaitUntil([&] {
        PumpAll(*display);
        pixel = server.Pixel(140, 80);
        return pixel == 0x0000FF;
    });
    seen.push_back("inside " + std::to_string(pixel));
    seen.push_back("outside " + std::to_string(server.Pixel(10, 10)));

    // Events of the window come back as input of the window system.
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.windowID = display->WindowId(window);
    press.button.button = SDL_BUTTON_LEFT;
    press.button.state = SDL_PRESSED;
    press.button.x = 12;
    press.button.y = 7;
    SDL_PushEvent(&press);
    SDL_Event drop{};
    drop.type = SDL_DROPFILE;
    drop.drop.windowID = press.button.windowID;
    drop.drop.file = SDL_strdup("/tmp/dropped.pdf");
    SDL_PushEvent(&drop);
    PumpAll(*display);
    seen.insert(seen.end(), received.begin(), received.end());

    SetClipboardText("caf\xC3\xA9");
    seen.push_back("clipboard " + GetClipboardText());
    DestroyWindow(window);
    return seen;
}

TEST(SdlDisplay, ShowsWindowsAndFeedsInputUnderXvfb) {
    if (!Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    Xvfb server;
    ASSERT_TRUE(server.Running());
    std::string report = onscreen::RunInChild([&] {
        std::string lines;
        for (const std::string& line : RunOnScreen(server)) lines += line + "\n";
        return lines;
    });
    // Posted messages come before input, as the queue orders them.
    EXPECT_EQ(report, "inside 255\noutside 0\ndrop 1 /tmp/dropped.pdf\nclick 12,7\nclipboard caf\xC3\xA9\n");
}

}  // namespace
}  // namespace parch
