#include <gtest/gtest.h>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "tests/platform/win/MessageRecorder.h"

namespace parch {
namespace {

// A white window at screen (100, 100) whose painting fills its client; the caret goes at
// client (20, 10), 2 x 12 pixels.
class CaretTest : public test::RecorderTest {
protected:
    void SetUp() override {
        rec.SetHandler([](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m != WM_PAINT) return std::nullopt;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            RECT r{};
            GetClientRect(h, &r);
            FillRect(dc, &r, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            EndPaint(h, &ps);
            return 0;
        });
        window = rec.Create("w", WS_POPUP | WS_VISIBLE, nullptr, {100, 100, 300, 200});
        display.PumpMessages();
    }
    void TearDown() override {
        DestroyCaret();
        RecorderTest::TearDown();
    }

    static COLORREF Pixel(int x, int y) {
        HDC screen = GetDC(nullptr);
        COLORREF c = GetPixel(screen, x, y);
        ReleaseDC(nullptr, screen);
        return c;
    }
    // How many pixels of the caret's rectangle are black (the inverse of white).
    static int CaretPixelsShown() {
        int shown = 0;
        for (int y = 110; y < 122; ++y)
            for (int x = 120; x < 122; ++x) shown += Pixel(x, y) == RGB(0, 0, 0);
        return shown;
    }

    HWND window = nullptr;
};

TEST_F(CaretTest, ShowsOnlyWhenTheHideCountIsZero) {
    ASSERT_TRUE(CreateCaret(window, nullptr, 2, 12));
    ASSERT_TRUE(SetCaretPos(20, 10));
    EXPECT_EQ(CaretPixelsShown(), 0);  // created hidden
    ShowCaret(window);
    EXPECT_EQ(CaretPixelsShown(), 24);
    HideCaret(window);
    HideCaret(window);
    EXPECT_EQ(CaretPixelsShown(), 0);
    ShowCaret(window);
    EXPECT_EQ(CaretPixelsShown(), 0);  // still hidden once
    ShowCaret(window);
    EXPECT_EQ(CaretPixelsShown(), 24);
    POINT p{};
    ASSERT_TRUE(GetCaretPos(&p));
    EXPECT_EQ(p.x, 20);
    EXPECT_EQ(p.y, 10);
    EXPECT_FALSE(ShowCaret(rec.Create("other", WS_POPUP)));  // not the owner
    EXPECT_TRUE(DestroyCaret());
    EXPECT_EQ(CaretPixelsShown(), 0);
    EXPECT_FALSE(GetCaretPos(&p));
}

TEST_F(CaretTest, BlinksOnVirtualTime) {
    SetCaretBlinkTime(500);
    EXPECT_EQ(GetCaretBlinkTime(), 500u);
    display.Clock().SetAutoAdvance(false);
    CreateCaret(window, nullptr, 2, 12);
    SetCaretPos(20, 10);
    ShowCaret(window);
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        display.AdvanceTime(500);
        display.PumpMessages();
        seen.push_back(CaretPixelsShown());
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 24, 0, 24}));
    SetCaretBlinkTime(530);
}

TEST_F(CaretTest, MovingAndRepaintingLeaveNoMarks) {
    CreateCaret(window, nullptr, 2, 12);
    SetCaretPos(20, 10);
    ShowCaret(window);
    ASSERT_EQ(CaretPixelsShown(), 24);
    SetCaretPos(50, 10);
    EXPECT_EQ(CaretPixelsShown(), 0);  // the old place is restored
    EXPECT_EQ(Pixel(150, 112), RGB(0, 0, 0));

    // A repaint covers the caret; the next blink must not invert the fresh pixels.
    display.Clock().SetAutoAdvance(false);
    InvalidateRect(window, nullptr, 1);
    UpdateWindow(window);
    EXPECT_EQ(Pixel(150, 112), RGB(255, 255, 255));
    display.AdvanceTime(GetCaretBlinkTime());
    display.PumpMessages();  // blinks off: nothing to take away
    EXPECT_EQ(Pixel(150, 112), RGB(255, 255, 255));
    display.AdvanceTime(GetCaretBlinkTime());
    display.PumpMessages();  // blinks on again
    EXPECT_EQ(Pixel(150, 112), RGB(0, 0, 0));
    HideCaret(window);
    for (int y = 110; y < 122; ++y)
        for (int x = 100; x < 200; ++x) ASSERT_EQ(Pixel(x, y), RGB(255, 255, 255)) << x << "," << y;
}

TEST_F(CaretTest, OnePerThreadAndABitmapGivesItsShape) {
    HBITMAP shape = CreateBitmap(3, 5, 1, 32, nullptr);
    CreateCaret(window, shape, 0, 0);
    HWND other = rec.Create("other", WS_POPUP | WS_VISIBLE, nullptr, {400, 100, 500, 200});
    display.PumpMessages();
    CreateCaret(other, nullptr, 1, 1);  // takes over: the first one is gone
    EXPECT_FALSE(ShowCaret(window));
    EXPECT_TRUE(ShowCaret(other));
    DestroyCaret();
    CreateCaret(window, shape, 0, 0);
    SetCaretPos(20, 10);
    ShowCaret(window);
    // A black bitmap XOR-ed on white changes nothing; its size is what counts here.
    int changed = 0;
    for (int y = 108; y < 124; ++y)
        for (int x = 118; x < 126; ++x) changed += Pixel(x, y) != RGB(255, 255, 255);
    EXPECT_EQ(changed, 0);
    DestroyCaret();
    DeleteObject(shape);
}

}  // namespace
}  // namespace parch
