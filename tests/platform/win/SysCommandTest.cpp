#include <gtest/gtest.h>

#include "platform/win/SysCommand.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

using test::WindowRect;

bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SysCommand : public test::RecorderTest {
protected:
    // A window at (100, 100), 400 x 300, whose maximized place is (10, 10), 800 x 600. Its
    // caption buttons: minimize x 390-423, maximize 424-457, close 460-493, y 106-124.
    HWND MakeWindow() {
        rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_GETMINMAXINFO) {
                auto* info = reinterpret_cast<MINMAXINFO*>(lp);
                info->ptMaxPosition = {10, 10};
                info->ptMaxSize = {800, 600};
            }
            return std::nullopt;
        });
        HWND w = rec.Create("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
        display.PumpMessages();
        rec.Clear();
        return w;
    }

    void ClickAt(int x, int y) {
        display.Click(x, y);
        display.PumpMessages();
        display.AdvanceTime(1000);
    }
};

TEST_F(SysCommand, CaptionButtonsMaximizeRestoreAndClose) {
    HWND w = MakeWindow();
    ClickAt(440, 115);
    EXPECT_TRUE(IsZoomed(w));
    EXPECT_EQ(WindowRect(w), (RECT{10, 10, 810, 610}));
    Lines lines = rec.Take();
    EXPECT_TRUE(Has(lines, "w WM_NCLBUTTONDOWN ht9 440,115"));
    EXPECT_TRUE(Has(lines, "w WM_SYSCOMMAND"));

    ClickAt(750, 20);  // the same button, now restoring
    EXPECT_FALSE(IsZoomed(w));
    EXPECT_EQ(WindowRect(w), (RECT{100, 100, 500, 400}));

    // Pressed on minimize but let go elsewhere: nothing happens.
    display.MoveMouse(400, 115);
    display.MouseDown();
    display.MoveMouse(300, 300);
    display.MouseUp();
    rec.Clear();
    display.PumpMessages();
    EXPECT_FALSE(IsIconic(w));
    EXPECT_FALSE(Has(rec.Take(), "w WM_SYSCOMMAND"));
    display.AdvanceTime(1000);

    ClickAt(470, 115);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(SysCommand, DoubleClickOnTheCaptionMaximizesAndRestores) {
    HWND w = MakeWindow();
    display.DoubleClick(300, 115);
    display.PumpMessages();
    EXPECT_TRUE(IsZoomed(w));
    display.AdvanceTime(1000);
    display.DoubleClick(300, 20);
    display.PumpMessages();
    EXPECT_FALSE(IsZoomed(w));
    EXPECT_EQ(WindowRect(w), (RECT{100, 100, 500, 400}));

    // Without a maximize box the caption only moves.
    SetWindowLongPtr(w, GWL_STYLE, GetWindowLongPtr(w, GWL_STYLE) & ~WS_MAXIMIZEBOX);
    display.AdvanceTime(1000);
    display.DoubleClick(300, 115);
    display.PumpMessages();
    EXPECT_FALSE(IsZoomed(w));
}

TEST_F(SysCommand, CommandsSentDirectly) {
    HWND w = MakeWindow();
    SendMessage(w, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(w));
    SendMessage(w, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_EQ(WindowRect(w), (RECT{100, 100, 500, 400}));
    SendMessage(w, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_EQ(WindowRect(w), (RECT{10, 10, 810, 610}));

    // SC_CLOSE asks with WM_CLOSE; a window that answers it itself stays.
    rec.SetHandler([](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_CLOSE) return 0;
        return std::nullopt;
    });
    rec.Clear();
    SendMessage(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(rec.Take(), (Lines{"w WM_SYSCOMMAND", "w WM_CLOSE"}));
    EXPECT_TRUE(IsWindow(w));
    rec.SetHandler({});
    SendMessage(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(w));

    // A class without close ignores SC_CLOSE.
    WNDCLASSEX wc;
    wc.style = CS_NOCLOSE;
    wc.lpfnWndProc = &DefWindowProc;
    wc.lpszClassName = "NoClose";
    RegisterClassEx(&wc);
    HWND fixed =
        CreateWindowEx(0, "NoClose", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    SendMessage(fixed, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(fixed));
    DestroyWindow(fixed);
    UnregisterClass("NoClose", nullptr);
}

}  // namespace
}  // namespace parch
