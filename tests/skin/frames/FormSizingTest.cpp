// How a skinned form moves and sizes on the headless screen: snapping to the work area's edges,
// the maximized size, and the outline drag with its end by release, lost capture or cancel.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/Compositor.h"
#include "platform/win/Focus.h"
#include "platform/win/Messages.h"
#include "platform/win/ScreenOverlay.h"
#include "platform/win/SystemValues.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowPos.h"
#include "skin/engine/sSkinManager.h"
#include "skin/frames/sSkinProvider.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch::test {
namespace {

class FormSizingTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadInternalSkin(manager);
        display.SetWorkArea(RECT{0, 30, 800, 560});
        form = new TForm(&app);
        form->SetBorderStyle(bsSizeable);
        form->SetBounds(100, 100, 320, 200);
        form->Show();
        display.PumpMessages();
        provider = new TsSkinProvider(form);
        display.PumpMessages();
    }
    void TearDown() override { delete form; }

    // Whether an outline is on the screen as the compositor shows it now.
    bool OutlineShown() {
        DeleteObject(CaptureScreen());
        return win::ScreenOverlayShown();
    }
    RECT WindowRect() {
        RECT rect{};
        GetWindowRect(form->Handle(), &rect);
        return rect;
    }
    void Drag(POINT from, POINT to) {
        display.AdvanceTime(1000);  // never a double click with the drag before
        display.MoveMouse(from.x, from.y);
        display.PumpMessages();
        display.MouseDown();
        display.PumpMessages();
        display.MoveMouse((from.x + to.x) / 2, (from.y + to.y) / 2);
        display.PumpMessages();
        display.MoveMouse(to.x, to.y);
        display.PumpMessages();
    }

    HeadlessDisplay display{800, 600, 0};
    TApplication app;
    TsSkinManager manager;
    TForm* form = nullptr;
    TsSkinProvider* provider = nullptr;
};

TEST_F(FormSizingTest, SnapsWithinTheBufferOnly) {
    struct { const char* Name; bool Snap; POINT To; POINT Expected; } cases[] = {
        {"9 from the right", true, {800 - 320 - 9, 200}, {480, 200}},
        {"10 from the right", true, {800 - 320 - 10, 200}, {470, 200}},
        {"9 from the bottom", true, {200, 560 - 200 - 9}, {200, 360}},
        {"9 from the left", true, {9, 200}, {0, 200}},
        {"10 from the left", true, {10, 200}, {10, 200}},
        {"9 from the top", true, {200, 39}, {200, 30}},
        {"snapping off", false, {800 - 320 - 9, 39}, {471, 39}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        provider->ScreenSnap = c.Snap;
        SetWindowPos(form->Handle(), nullptr, c.To.x, c.To.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT rect = WindowRect();
        EXPECT_EQ(rect.left, c.Expected.x);
        EXPECT_EQ(rect.top, c.Expected.y);
        EXPECT_EQ(rect.right - rect.left, 320);
    }
}

TEST_F(FormSizingTest, MaximizedFormCoversTheWorkAreaWithItsFrameOutside) {
    form->SetWindowState(wsMaximized);
    display.PumpMessages();
    int frame = GetFrameWidth(form->Handle());
    ASSERT_GT(frame, 0);
    RECT rect = WindowRect();
    EXPECT_EQ(rect.left, -frame);
    EXPECT_EQ(rect.top, 30 - frame);
    EXPECT_EQ(rect.right, 800 + frame);
    EXPECT_EQ(rect.bottom, 560 + frame);
}

TEST_F(FormSizingTest, OutlineDragMovesTheFormOnRelease) {
    provider->ResizeMode = rmBorder;
    RECT start = WindowRect();
    Drag(POINT{start.left + 80, start.top + 12}, POINT{start.left + 130, start.top + 42});
    EXPECT_TRUE(provider->BorderDragging());
    EXPECT_EQ(WindowRect().left, start.left);  // only the outline moves meanwhile
    EXPECT_TRUE(OutlineShown());
    display.MouseUp();
    display.PumpMessages();
    EXPECT_FALSE(provider->BorderDragging());
    EXPECT_FALSE(OutlineShown());
    RECT moved = WindowRect();
    EXPECT_EQ(moved.left, start.left + 50);
    EXPECT_EQ(moved.top, start.top + 30);
    EXPECT_EQ(moved.right - moved.left, start.right - start.left);
    EXPECT_EQ(GetCapture(), nullptr);
}

// Losing the mouse ends the drag: outline erased, form where it was, and the next drag starts
// from the form, not from the old outline.
TEST_F(FormSizingTest, LostCaptureOrCancelEndsTheDrag) {
    provider->ResizeMode = rmBorder;
    for (UINT ending : {WM_CANCELMODE, WM_CAPTURECHANGED}) {
        SCOPED_TRACE(ending);
        RECT start = WindowRect();
        Drag(POINT{start.left + 80, start.top + 12}, POINT{start.left + 140, start.top + 52});
        ASSERT_TRUE(provider->BorderDragging());
        if (ending == WM_CANCELMODE) SendMessage(form->Handle(), WM_CANCELMODE, 0, 0);
        else ReleaseCapture();
        display.PumpMessages();
        EXPECT_FALSE(provider->BorderDragging());
        EXPECT_FALSE(OutlineShown());
        EXPECT_EQ(WindowRect().left, start.left);
        display.MouseUp();
        display.PumpMessages();
        EXPECT_EQ(WindowRect().left, start.left);
    }
    RECT start = WindowRect();
    Drag(POINT{start.left + 80, start.top + 12}, POINT{start.left + 90, start.top + 17});
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(WindowRect().left, start.left + 10);
    EXPECT_EQ(WindowRect().top, start.top + 5);
}

// Sizing from the left edge past the right one stops at the larger of the constraints and the
// window's tracking limit: never 0 pixels wide.
TEST_F(FormSizingTest, OutlineSizingKeepsTheMinimumWidth) {
    provider->ResizeMode = rmBorder;
    int minTrack = GetSystemMetrics(SM_CXMINTRACK);
    for (int constraint : {0, 200}) {
        SCOPED_TRACE(constraint);
        TSizeConstraints limits;
        limits.MinWidth = constraint;
        form->SetConstraints(limits);
        form->SetBounds(100, 100, 320, 200);
        display.PumpMessages();
        RECT start = WindowRect();
        Drag(POINT{start.left + 1, start.top + 100}, POINT{start.right + 200, start.top + 100});
        RECT outline = provider->DragOutline();
        display.MouseUp();
        display.PumpMessages();
        int expected = std::max({constraint, minTrack, 1});
        EXPECT_EQ(outline.right - outline.left, expected);
        RECT sized = WindowRect();
        EXPECT_EQ(sized.right - sized.left, expected);
        EXPECT_EQ(sized.right, start.right);
    }
}

}  // namespace
}  // namespace parch::test
