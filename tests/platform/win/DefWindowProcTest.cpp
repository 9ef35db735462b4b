#include <gtest/gtest.h>

#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

using Lines = std::vector<std::string>;

// A captioned window at (100, 100), 400 x 300, with a child at (10, 20) of its client area,
// 100 x 80; both write down the WM_CONTEXTMENU they get: "<window> <from> <x>,<y>".
class ContextMenuRequests : public test::RecorderTest {
protected:
    void SetUp() override {
        top = rec.Create("top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, {100, 100, 500, 400});
        child = rec.Create("child", WS_CHILD | WS_VISIBLE, top, {10, 20, 110, 100});
        rec.SetHandler([this](HWND h, UINT m, WPARAM wp, LPARAM lp) -> std::optional<LRESULT> {
            if (m == WM_CONTEXTMENU)
                seen.push_back(NameOf(h) + " " + NameOf(reinterpret_cast<HWND>(wp)) + " " +
                               std::to_string(GET_X_LPARAM(lp)) + "," + std::to_string(GET_Y_LPARAM(lp)));
            if (m == WM_SYSCOMMAND) seen.push_back(NameOf(h) + " WM_SYSCOMMAND");
            return std::nullopt;
        });
        SetForegroundWindow(top);
        display.PumpMessages();
    }
    std::string NameOf(HWND h) const { return h == top ? "top" : h == child ? "child" : "?"; }

    HWND top = nullptr;
    HWND child = nullptr;
    Lines seen;
};

TEST_F(ContextMenuRequests, RightButtonReleaseAsksAtTheScreenPoint) {
    POINT inChild{5, 6};
    ClientToScreen(child, &inChild);
    display.Click(inChild.x, inChild.y, HeadlessDisplay::Button::Right);
    display.PumpMessages();
    // The child's default passes the request up to its parent, naming the child.
    const std::string at = std::to_string(inChild.x) + "," + std::to_string(inChild.y);
    EXPECT_EQ(seen, (Lines{"child child " + at, "top child " + at}));

    seen.clear();
    display.AdvanceTime(1000);
    display.Click(250, 110, HeadlessDisplay::Button::Right);  // on the caption
    display.PumpMessages();
    EXPECT_EQ(seen, (Lines{"top top 250,110"}));
}

TEST_F(ContextMenuRequests, MenuKeyAndShiftF10AskWithoutAPoint) {
    SetFocus(child);
    display.PressKey(VK_APPS);
    display.PumpMessages();
    EXPECT_EQ(seen, (Lines{"child child -1,-1", "top child -1,-1"}));

    seen.clear();
    display.KeyDown(VK_SHIFT);
    display.PressKey(VK_F10);
    display.KeyUp(VK_SHIFT);
    display.PumpMessages();
    EXPECT_EQ(seen, (Lines{"child child -1,-1", "top child -1,-1"}));  // and the menu bar is not entered
}

}  // namespace
}  // namespace parch
