#pragma once
// Showing windows on a real X screen: a private Xvfb server, screenshots of it, and a check that
// a window shown through the SDL display looks on the screen as the headless compositor drew it.
// The SDL side runs in a child process: SDL and the X libraries keep allocations until the
// process ends, so the child leaves without the exit-time leak check and reports through a pipe.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/PngFile.h"
#include "platform/display/SdlDisplay.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowPos.h"

namespace parch::onscreen {

// Far beyond what starting the server or showing a window takes, even on a loaded machine.
constexpr std::chrono::seconds kGenerousBound{60};

// Looks at done() until it holds or the bound has passed; whether it held.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds bound = kGenerousBound) {
    const auto giveUp = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // between looks, not a wait for anything
    }
    return true;
}

// Reads fd to its end; false when the writer kept it open beyond the bound.
inline bool ReadToEnd(int fd, std::string& text) {
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

// Reads fd up to its first line end (kept out of line); false when none came within the bound.
inline bool ReadLine(int fd, std::string& line) {
    bool complete = false;
    WaitUntil([&] {
        pollfd waiting{fd, POLLIN, 0};
        if (poll(&waiting, 1, 0) <= 0) return false;
        char c;
        if (read(fd, &c, 1) != 1) return true;
        if (c == '\n') return complete = true;
        line.push_back(c);
        return false;
    });
    return complete;
}

// The whole X screen, 0xRRGGBB per pixel.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<long> pixels;
    long At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return -1;
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
};

// An Xvfb server of our own on a free display number, stopped with the object.
class Xvfb {
public:
    // The server picks a free display number itself and tells it through a pipe, so tests that
    // start servers at the same moment never share one.
    Xvfb() {
        int told[2];
        if (pipe(told) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(told[0]);
            const std::string fd = std::to_string(told[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(told[1]);
        std::string number;
        const bool told_number = pid_ > 0 && ReadLine(told[0], number);
        close(told[0]);
        if (!told_number) {
            Stop();
            return;
        }
        name_ = ":" + number;
    }
    ~Xvfb() { Stop(); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    static bool Installed() { return access("/usr/bin/Xvfb", X_OK) == 0; }
    bool Running() const { return pid_ > 0; }
    const std::string& Name() const { return name_; }

    Screenshot Take() const {
        Screenshot shot;
        const std::string command = "import -display " + name_ + " -window root -depth 8 ppm:- 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return shot;
        int width = 0, height = 0, maximum = 0;
        if (std::fscanf(pipe, "P6 %d %d %d", &width, &height, &maximum) == 3 && std::fgetc(pipe) != EOF &&
            width > 0 && height > 0 && width <= 8192 && height <= 8192) {
            std::vector<unsigned char> bytes(static_cast<std::size_t>(width) * height * 3);
            if (std::fread(bytes.data(), 1, bytes.size(), pipe) == bytes.size()) {
                shot.width = width;
                shot.height = height;
                shot.pixels.resize(static_cast<std::size_t>(width) * height);
                for (std::size_t i = 0; i < shot.pixels.size(); ++i)
                    shot.pixels[i] = (long{bytes[i * 3]} << 16) | (long{bytes[i * 3 + 1]} << 8) | bytes[i * 3 + 2];
            }
        }
        pclose(pipe);
        return shot;
    }

    // The screen's pixel at (x, y) as 0xRRGGBB; -1 when there is no screenshot.
    long Pixel(int x, int y) const { return Take().At(x, y); }

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

// Runs work in a child process and returns what it reported; a child that crashed, failed or
// hung says so instead.
inline std::string RunInChild(const std::function<std::string()>& work) {
    int channel[2];
    if (pipe(channel) != 0) return "no pipe";
    pid_t child = fork();
    if (child < 0) return "no child";
    if (child == 0) {
        close(channel[0]);
        std::string report = work();
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
    if (!ended) return "the run on the screen did not end";
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the run on the screen failed";
    return report;
}

// The pixels of a captured window picture, 0xRRGGBB, row by row.
inline std::vector<long> PicturePixels(HBITMAP picture, int width, int height) {
    std::vector<long> pixels;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, picture);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            pixels.push_back((long{GetRValue(c)} << 16) | (long{GetGValue(c)} << 8) | GetBValue(c));
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    return pixels;
}

// Shows the (already visible) top-level window through the SDL display on a private X screen
// and compares the screenshot of its place with `headless`, the compositor's picture of it.
// Empty when every pixel matches; otherwise what differs. With PARCH_SAVE_PICTURES set, the
// screenshot is saved there as <name>-screen.png for a look.
inline std::string CompareWithScreen(HWND window, HBITMAP headless, const std::string& name) {
    if (!Xvfb::Installed()) return "Xvfb is not installed";
    Xvfb server;
    if (!server.Running()) return "Xvfb did not start";
    RECT place;
    GetWindowRect(window, &place);
    const int width = place.right - place.left, height = place.bottom - place.top;
    const std::vector<long> expected = PicturePixels(headless, width, height);
    return RunInChild([&]() -> std::string {
        setenv("DISPLAY", server.Name().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        auto display = SdlDisplay::Open();
        if (!display) return "no display";
        std::size_t differing = 0;
        std::string first;
        Screenshot shot;
        WaitUntil([&] {
            MSG msg;
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
            display->Pump();
            shot = server.Take();
            differing = 0;
            first.clear();
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    long seen = shot.At(place.left + x, place.top + y);
                    long wanted = expected[static_cast<std::size_t>(y) * width + x];
                    if (seen == wanted) continue;
                    if (differing++ == 0)
                        first = "first at " + std::to_string(x) + "," + std::to_string(y) + ": screen " +
                                std::to_string(seen) + ", headless " + std::to_string(wanted);
                }
            return differing == 0;
        }, kGenerousBound / 2);  // within the parent's bound, so a difference is reported as such
        if (const char* folder = std::getenv("PARCH_SAVE_PICTURES")) {
            // Opaque 32-bit pixels (0xAARRGGBB), as the screen shows them.
            std::vector<std::uint32_t> bits(shot.pixels.size());
            for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = 0xFF000000u | static_cast<std::uint32_t>(shot.pixels[i]);
            HBITMAP saved = CreateBitmap(shot.width, shot.height, 1, 32, bits.data());
            SavePng(saved, std::string(folder) + "/" + name + "-screen.png");
            DeleteObject(saved);
        }
        if (differing == 0) return "";
        return std::to_string(differing) + " of " + std::to_string(width * height) + " pixels differ, " + first;
    });
}

}  // namespace parch::onscreen
