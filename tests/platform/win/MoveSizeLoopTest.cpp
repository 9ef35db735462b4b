#include <gtest/gtest.h>

#include "platform/win/SysCommand.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

std::string Name(UINT message) {
    return "0x" + std::to_string(message);  // as the recorder writes messages it has no name for
}

using test::WindowRect;

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class MoveSize : public test::RecorderTest {
protected:
    using Handler = test::MessageRecorder::Handler;

    // A sizable window at (100, 100), 400 x 300, active; its caption runs from y 104 to 127.
    HWND MakeWindow() {
        HWND w = rec.Create("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
        display.PumpMessages();
        rec.Ignore(WM_GETMINMAXINFO);
        rec.Ignore(WM_NCMOUSEMOVE);
        rec.Ignore(WM_MOUSEMOVE);
        return w;
    }

    // Presses at from; once the loop has begun (the mouse captured), the user moves to `to`,
    // does whatever `during` adds and lets go. extra handles the messages as a test needs.
    void Drag(POINT from, POINT to, Handler extra = {}, std::function<void()> during = {}) {
        rec.SetHandler([this, to, extra, during](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_ENTERSIZEMOVE) {
                display.MoveMouse(to.x, to.y);
                if (during) during();
                display.MouseUp();
            }
            return extra ? extra(h, m, wp, lp) : std::nullopt;
        });
        display.MoveMouse(from.x, from.y);
        display.MouseDown();
        display.PumpMessages();
        rec.SetHandler(extra);
        display.AdvanceTime(1000);  // the next press is no double click
    }
};

TEST_F(MoveSize, DraggingTheCaptionMovesTheWindowInsideTheLoop) {
    HWND w = MakeWindow();
    rec.Clear();
    Drag({300, 110}, {380, 160});
    EXPECT_EQ(rec.Take(), (Lines{"w WM_NCLBUTTONDOWN ht2 300,110", "w WM_SYSCOMMAND", "w " + Name(WM_ENTERSIZEMOVE),
                                 "w " + Name(WM_MOVING), "w WM_WINDOWPOSCHANGING", "w WM_WINDOWPOSCHANGED", "w WM_MOVE",
                                 "w WM_CAPTURECHANGED", "hook MOVESIZE w", "w " + Name(WM_EXITSIZEMOVE)}));
    EXPECT_EQ(WindowRect(w), (RECT{180, 150, 580, 450}));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MoveSize, EditsOfMovingAndOfWindowPosChangingTakeEffect) {
    HWND w = MakeWindow();
    std::vector<std::string> proposed;
    // Snapping as a skin does it: WM_MOVING keeps the left edge on a 50-pixel grid, and
    // WM_WINDOWPOSCHANGING pulls a window near the top of the screen up to it.
    Drag({300, 110}, {312, 25}, [&](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_MOVING) {
            auto* r = reinterpret_cast<RECT*>(lp);
            proposed.push_back(Text(*r));
            int left = (r->left + 25) / 50 * 50;
            r->right += left - r->left;
            r->left = left;
            return 1;
        }
        if (m == WM_WINDOWPOSCHANGING) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
            if (!(pos->flags & SWP_NOMOVE) && pos->y < 20) pos->y = 0;
        }
        return std::nullopt;
    });
    EXPECT_EQ(proposed, (Lines{"112,15-512,315"}));
    EXPECT_EQ(WindowRect(w), (RECT{100, 0, 500, 300}));
}

TEST_F(MoveSize, SizingByABorderKeepsToTheTrackingLimits) {
    HWND w = MakeWindow();
    std::vector<std::string> sizing;
    Handler limits = [&](HWND, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_GETMINMAXINFO) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize = {300, 200};
            info->ptMaxTrackSize = {350, 450};
        }
        if (m == WM_SIZING) sizing.push_back(std::to_string(wp) + " " + Text(*reinterpret_cast<RECT*>(lp)));
        return std::nullopt;
    };
    // From the bottom-right corner far up and left: held at the minimum size.
    Drag({498, 398}, {200, 150}, limits);
    EXPECT_EQ(sizing, (Lines{std::to_string(WMSZ_BOTTOMRIGHT) + " 100,100-400,300"}));
    EXPECT_EQ(WindowRect(w), (RECT{100, 100, 400, 300}));

    // The left border far to the left: held at the maximum width, the right edge staying put.
    sizing.clear();
    Drag({101, 200}, {0, 200}, limits);
    EXPECT_EQ(sizing, (Lines{std::to_string(WMSZ_LEFT) + " 50,100-400,300"}));
    EXPECT_EQ(WindowRect(w), (RECT{50, 100, 400, 300}));

    // WM_SIZING may change the rectangle itself.
    Drag({200, 299}, {200, 350}, [](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_SIZING) reinterpret_cast<RECT*>(lp)->bottom = 333;
        return std::nullopt;
    });
    EXPECT_EQ(WindowRect(w), (RECT{50, 100, 400, 333}));
}

TEST_F(MoveSize, EscapeAndARefusingHookPutTheWindowBack) {
    HWND w = MakeWindow();
    Drag({300, 110}, {350, 150}, {}, [this] { display.PressKey(VK_ESCAPE); });
    EXPECT_EQ(WindowRect(w), (RECT{100, 100, 500, 400}));

    static bool refuse = false;
    HHOOK hook = SetWindowsHookEx(
        WH_CBT, [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            if (code == HCBT_MOVESIZE && refuse) return 1;
            return CallNextHookEx(nullptr, code, wp, lp);
        },
        nullptr, GetCurrentThreadId());
    refuse = true;
    Drag({300, 110}, {350, 150});
    EXPECT_EQ(WindowRect(w), (RECT{100, 100, 500, 400}));
    refuse = false;
    UnhookWindowsHookEx(hook);
}

TEST_F(MoveSize, DragMoveFromTheClientAreaAndMovingByKeyboard) {
    HWND w = MakeWindow();
    // A window without caption moves itself by sending 0xF012 on a client click, as skins do.
    Drag({300, 300}, {290, 320}, [](HWND hwnd, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_LBUTTONDOWN) {
            SendMessage(hwnd, WM_SYSCOMMAND, SC_DRAGMOVE, 0);
            return 0;
        }
        return std::nullopt;
    });
    EXPECT_EQ(WindowRect(w), (RECT{90, 120, 490, 420}));

    // From the keyboard: the arrows move by eight pixels, Enter ends.
    for (UINT key : {VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RETURN}) display.PressKey(key);
    rec.Clear();
    SendMessage(w, WM_SYSCOMMAND, SC_MOVE, 0);
    EXPECT_EQ(WindowRect(w), (RECT{106, 128, 506, 428}));
    Lines lines = rec.Take();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "w " + Name(WM_MOVING)), 3);
    EXPECT_EQ(lines.back(), "w " + Name(WM_EXITSIZEMOVE));

    // Sizing from the keyboard: the first arrow picks the edge, the next ones move it.
    for (UINT key : {VK_LEFT, VK_LEFT, VK_RIGHT, VK_RETURN}) display.PressKey(key);
    SendMessage(w, WM_SYSCOMMAND, SC_SIZE, 0);
    EXPECT_EQ(WindowRect(w), (RECT{98, 128, 506, 428}));
}

TEST_F(MoveSize, AChildMovesInsideItsParentsClientArea) {
    HWND parent = MakeWindow();
    // Parent client origin (104, 127), bottom 396; the child's caption runs from y 130 to 153.
    HWND child = rec.Create("c", WS_CHILD | WS_VISIBLE | WS_CAPTION, parent, {0, 0, 100, 80});
    std::vector<std::string> moving;
    Drag({150, 140}, {10, 500}, [&](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
        if (m == WM_MOVING) moving.push_back(Text(*reinterpret_cast<RECT*>(lp)));
        return std::nullopt;
    });
    // The cursor stops at the client area's edge: (104, 395) at most down-left.
    EXPECT_EQ(moving, (Lines{"58,382-158,462"}));
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (RECT{58, 382, 158, 462}));
    POINT topLeft{r.left, r.top};
    ScreenToClient(parent, &topLeft);
    EXPECT_EQ(topLeft, (POINT{-46, 255}));
}

TEST_F(MoveSize, MaximizedWindowsStayPut) {
    HWND w = MakeWindow();
    ShowWindow(w, SW_MAXIMIZE);
    RECT maximized = WindowRect(w);
    display.MoveMouse(300, 10);
    display.MouseDown();
    display.MoveMouse(400, 200);
    display.MouseUp();
    rec.Clear();
    display.PumpMessages();
    EXPECT_EQ(WindowRect(w), maximized);
    Lines lines = rec.Take();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "w " + Name(WM_ENTERSIZEMOVE)), 0);
}

}  // namespace
}  // namespace parch
