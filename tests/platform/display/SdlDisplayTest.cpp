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

namespace parch {
namespace {

// Far beyond what starting the server or showing a window takes, even on a loaded machine.
constexpr std::chrono::seconds kGenerousBound{60};

// Looks at done() until it holds or the bound has passed; whether it held.
bool WaitUntil(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + kGenerousBound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // between looks, not a wait for anything
    }
    return true;
}

// Reads fd to its end; false when the writer kept it open beyond the bound.
bool ReadToEnd(int fd, std::string& text) {
    return WaitUntil([&] {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, 0) <= 0) return false;
        char buffer[256];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return true;
        text.append(buffer, static_cast<std::size_t>(n));
        return false;
    });
}

// An Xvfb server of our own on a free display number, stopped with the object.
class Xvfb {
public:
    Xvfb() {
        for (int number = 91; number < 120 && pid_ <= 0; ++number) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            if (access(socket.c_str(), F_OK) == 0) continue;
            name_ = ":" + std::to_string(number);
            pid_ = fork();
            if (pid_ == 0) {
                execlp("Xvfb", "Xvfb", name_.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
                       static_cast<char*>(nullptr));
                _exit(127);
            }
            // Ready once its socket exists (or given up when it died).
            bool died = false;
            bool ready = WaitUntil([&] {
                died = waitpid(pid_, nullptr, WNOHANG) == pid_;
                return died || access(socket.c_str(), F_OK) == 0;
            });
            if (died)
                pid_ = -1;
            else if (!ready)
                Stop();
        }
    }
    ~Xvfb() { Stop(); }
    bool Running() const { return pid_ > 0; }
    const std::string& Name() const { return name_; }

    // The X screen's pixel at (x, y) as 0xRRGGBB, read from a screenshot; -1 when none.
    long Pixel(int x, int y) const {
        const std::string command = "import -display " + name_ + " -window root -depth 8 ppm:- 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return -1;
        int width = 0, height = 0, maximum = 0;
        long result = -1;
        if (std::fscanf(pipe, "P6 %d %d %d", &width, &height, &maximum) == 3 && std::fgetc(pipe) != EOF &&
            x < width && y < height) {
            std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
            if (std::fread(pixels.data(), 1, pixels.size(), pipe) == pixels.size()) {
                const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 3];
                result = (long{p[0]} << 16) | (p[1] << 8) | p[2];
            }
        }
        pclose(pipe);
        return result;
    }

private:
    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    std::string name_;
    pid_t pid_ = -1;
};

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
    WaitUntil([&] {
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
    if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    Xvfb server;
    ASSERT_TRUE(server.Running());
    // SDL and the X libraries keep allocations until the process ends: they run in a child
    // that leaves without the exit-time leak check, and reports through a pipe.
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        std::string report;
        for (const std::string& line : RunOnScreen(server)) report += line + "\n";
        ssize_t written = write(channel[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string report;
    bool ended = ReadToEnd(channel[0], report);
    close(channel[0]);
    if (!ended) kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(ended) << "the run on the screen did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Posted messages come before input, as the queue orders them.
    EXPECT_EQ(report, "inside 255\noutside 0\ndrop 1 /tmp/dropped.pdf\nclick 12,7\nclipboard caf\xC3\xA9\n");
}

}  // namespace
}  // namespace parch
