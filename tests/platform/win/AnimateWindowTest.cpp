// No peer program exists for window animation here: the refusals and the end states pinned
// below are those of Windows' public documentation of AnimateWindow; the intermediate frames
// are read off the headless screen while the animation sleeps on the virtual clock.

#include <gtest/gtest.h>

#include "platform/gdi/Regions.h"
#include "platform/win/WinApi.h"
#include "tests/platform/win/ControlTestSupport.h"

namespace parch {
namespace {

using test::ScreenShot;

constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);

// Passes time on to the display's clock, and lets the test look at the screen each time the
// animation is about to sleep, that is, with its latest frame shown.
class WatchingClock final : public Clock {
public:
    WatchingClock(Clock& inner, std::function<void(std::uint64_t)> watch) : inner_(inner), watch_(std::move(watch)) {}
    std::uint64_t NowMs() override { return inner_.NowMs(); }
    void Sleep(std::uint64_t ms) override {
        watch_(inner_.NowMs());
        inner_.Sleep(ms);
    }
    void WaitUntil(std::unique_lock<std::recursive_mutex>& lock, std::condition_variable_any& signal,
                   std::uint64_t deadlineMs) override {
        inner_.WaitUntil(lock, signal, deadlineMs);
    }

private:
    Clock& inner_;
    std::function<void(std::uint64_t)> watch_;
};

// A popup at (100, 100), 200 x 100, red on its left half and blue on its right half; the
// animation's frames are watched through the clock.
class Animation : public test::RecorderTest {
protected:
    void SetUp() override {
        rec.SetHandler([](HWND h, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
            if (m != WM_ERASEBKGND && m != WM_PRINTCLIENT) return std::nullopt;
            RECT r;
            GetClientRect(h, &r);
            auto dc = reinterpret_cast<HDC>(wp);
            HBRUSH red = CreateSolidBrush(kRed);
            HBRUSH blue = CreateSolidBrush(kBlue);
            RECT left{0, 0, r.right / 2, r.bottom};
            RECT right{r.right / 2, 0, r.right, r.bottom};
            FillRect(dc, &left, red);
            FillRect(dc, &right, blue);
            DeleteObject(red);
            DeleteObject(blue);
            return 1;
        });
        background = ScreenShot().Pixel(150, 150);
        window = rec.Create("w", WS_POPUP, nullptr, {100, 100, 300, 200});
    }
    void TearDown() override {
        SetClock(std::shared_ptr<Clock>(&display.Clock(), [](Clock*) {}));
        RecorderTest::TearDown();
    }

    // Runs the animation, calling look(elapsed) with each frame on the screen.
    BOOL Animate(HWND hwnd, DWORD time, DWORD flags, std::function<void(std::uint64_t)> look = {}) {
        const std::uint64_t start = display.Clock().NowMs();
        SetClock(std::make_shared<WatchingClock>(display.Clock(), [&](std::uint64_t now) {
            ++sleeps;
            if (look) look(now - start);
        }));
        const BOOL result = AnimateWindow(hwnd, time, flags);
        SetClock(std::shared_ptr<Clock>(&display.Clock(), [](Clock*) {}));
        elapsed = display.Clock().NowMs() - start;
        return result;
    }

    HWND window = nullptr;
    COLORREF background = 0;
    int sleeps = 0;
    std::uint64_t elapsed = 0;
};

TEST_F(Animation, RefusedCallsChangeNothing) {
    HWND child = rec.Create("c", WS_CHILD, window, {0, 0, 20, 20});
    struct Case {
        HWND target;
        DWORD flags;
        bool makeVisible;
    };
    const Case cases[] = {
        {window, AW_SLIDE, false},                            // no direction
        {window, 0, false},                                   // no direction
        {window, AW_BLEND | AW_CENTER, false},                // two kinds at once
        {child, AW_BLEND, false},                             // a child cannot be faded
        {window, AW_HIDE | AW_BLEND, false},                  // already hidden
        {window, AW_BLEND, true},                             // already shown
    };
    for (const Case& c : cases) {
        ShowWindow(window, c.makeVisible ? SW_SHOWNA : SW_HIDE);
        EXPECT_FALSE(Animate(c.target, 100, c.flags)) << "flags " << c.flags;
        EXPECT_EQ(sleeps, 0);
        EXPECT_EQ(IsWindowVisible(window) != 0, c.makeVisible);
    }
    EXPECT_FALSE(AnimateWindow(reinterpret_cast<HWND>(0x7777), 100, AW_BLEND));
}

TEST_F(Animation, FadeInStepsTheOpacityOverTheTime) {
    std::vector<int> redness;  // at a point on the red half, frame by frame
    ASSERT_TRUE(Animate(window, 200, AW_BLEND, [&](std::uint64_t) {
        const COLORREF pixel = ScreenShot().Pixel(120, 150);
        redness.push_back(GetRValue(pixel) - GetRValue(background) + GetBValue(background) - GetBValue(pixel));
    }));
    EXPECT_EQ(elapsed, 200u);
    EXPECT_EQ(sleeps, 20);
    ASSERT_GE(redness.size(), 10u);
    EXPECT_TRUE(std::is_sorted(redness.begin(), redness.end()));
    EXPECT_LT(redness.front(), redness.back());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(GetWindowLongPtr(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    display.PumpMessages();
    EXPECT_EQ(ScreenShot().Pixel(120, 150), kRed);
    EXPECT_EQ(ScreenShot().Pixel(280, 150), kBlue);
}

// Half-way through, which part of the window shows and which part of its picture is there.
TEST_F(Animation, RollSlideAndCentreHalfWay) {
    struct Case {
        DWORD flags;
        POINT probe;  // screen
        char shows;   // 'r'ed, 'b'lue or '-' background
    };
    const Case cases[] = {
        {AW_HOR_POSITIVE, {120, 150}, 'r'},            {AW_HOR_POSITIVE, {250, 150}, '-'},
        {AW_HOR_POSITIVE | AW_SLIDE, {120, 150}, 'b'}, {AW_HOR_POSITIVE | AW_SLIDE, {250, 150}, '-'},
        {AW_HOR_NEGATIVE, {120, 150}, '-'},            {AW_HOR_NEGATIVE, {280, 150}, 'b'},
        {AW_HOR_NEGATIVE | AW_SLIDE, {280, 150}, 'r'}, {AW_VER_POSITIVE, {120, 110}, 'r'},
        {AW_VER_POSITIVE, {120, 190}, '-'},            {AW_VER_NEGATIVE, {280, 110}, '-'},
        {AW_CENTER, {195, 150}, 'r'},                  {AW_CENTER, {105, 105}, '-'},
    };
    for (const Case& c : cases) {
        ShowWindow(window, SW_HIDE);
        char seen = '?';
        ASSERT_TRUE(Animate(window, 100, c.flags, [&](std::uint64_t at) {
            if (at != 50) return;
            const COLORREF pixel = ScreenShot().Pixel(c.probe.x, c.probe.y);
            seen = pixel == kRed ? 'r' : pixel == kBlue ? 'b' : pixel == background ? '-' : '?';
        }));
        EXPECT_EQ(seen, c.shows) << "flags " << c.flags << " at " << c.probe.x << "," << c.probe.y;
        EXPECT_TRUE(IsWindowVisible(window));
        display.PumpMessages();
        EXPECT_EQ(ScreenShot().Pixel(c.probe.x, c.probe.y), c.probe.x < 200 ? kRed : kBlue);
    }
}

TEST_F(Animation, HidingRunsBackwardsAndEndsHidden) {
    ShowWindow(window, SW_SHOWNA);
    display.PumpMessages();
    std::vector<bool> rightEdgeShown;
    ASSERT_TRUE(Animate(window, 100, AW_HIDE | AW_HOR_POSITIVE, [&](std::uint64_t) {
        rightEdgeShown.push_back(ScreenShot().Pixel(290, 150) == kBlue);
    }));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(GetWindowLongPtr(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_EQ(ScreenShot().Pixel(120, 150), background);
    ASSERT_GE(rightEdgeShown.size(), 5u);
    EXPECT_FALSE(rightEdgeShown[3]);  // the right edge goes first
    EXPECT_EQ(ScreenShot().Pixel(120, 150), background);
}

TEST_F(Animation, LayeredWindowKeepsItsOwnOpacity) {
    SetWindowLongPtr(window, GWL_EXSTYLE, WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, 128, LWA_ALPHA);
    ASSERT_TRUE(Animate(window, 50, AW_BLEND));
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(flags, LWA_ALPHA);
    EXPECT_TRUE(GetWindowLongPtr(window, GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(Animation, ActivatesOnlyWhenAsked) {
    HWND other = rec.Create("o", WS_POPUP | WS_VISIBLE, nullptr, {400, 400, 450, 450});
    SetActiveWindow(other);
    ASSERT_TRUE(Animate(window, 0, AW_BLEND));
    EXPECT_EQ(GetActiveWindow(), other);
    ShowWindow(window, SW_HIDE);
    ASSERT_TRUE(Animate(window, 0, AW_BLEND | AW_ACTIVATE));
    EXPECT_EQ(GetActiveWindow(), window);
}

// A child is revealed through its window region, and is left without one.
TEST_F(Animation, ChildWindowsRollThroughTheirRegion) {
    ShowWindow(window, SW_SHOWNA);
    HWND child = CreateWindowEx(0, "Static", "", WS_CHILD | SS_BLACKRECT, 0, 0, 200, 100, window, nullptr, nullptr,
                                nullptr);
    display.PumpMessages();
    const COLORREF black = GetSysColor(COLOR_WINDOWFRAME);
    char half = '?';
    ASSERT_TRUE(Animate(child, 100, AW_VER_POSITIVE, [&](std::uint64_t at) {
        if (at != 50) return;
        const ScreenShot shot;
        half = shot.Pixel(120, 110) == black && shot.Pixel(120, 190) == kRed ? 'y' : 'n';
    }));
    EXPECT_EQ(half, 'y');
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(ScreenShot().Pixel(120, 190), black);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(child, region), ERROR);
    DeleteObject(region);
    // Hiding uncovers the parent again, frame by frame.
    char hiding = '?';
    ASSERT_TRUE(Animate(child, 100, AW_HIDE | AW_VER_POSITIVE, [&](std::uint64_t at) {
        if (at != 50) return;
        const ScreenShot shot;
        hiding = shot.Pixel(120, 110) == black && shot.Pixel(120, 190) == kRed ? 'y' : 'n';
    }));
    EXPECT_EQ(hiding, 'y');
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_EQ(ScreenShot().Pixel(120, 110), kRed);
}

}  // namespace
}  // namespace parch
