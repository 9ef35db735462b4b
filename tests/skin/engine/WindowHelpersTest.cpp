// The provider-free window helpers on the headless screen.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Drawing.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/Layered.h"
#include "platform/win/Painting.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/acWindowHelpers.h"

namespace parch {
namespace {

class WindowHelpers : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(&app);
        form->SetBorderStyle(bsNone);
        form->SetColor(0x0000C0);  // red
        form->SetBounds(100, 100, 80, 60);
        form->Show();
        display.PumpMessages();
    }

    COLORREF ScreenAt(int x, int y) {
        HDC dc = GetDC(nullptr);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(nullptr, dc);
        return colour;
    }

    HeadlessDisplay display{640, 480};
    TApplication app;
    TForm* form = nullptr;
};

TEST_F(WindowHelpers, TheCoverHoldsTheWindowsPictureOnScreen) {
    ASSERT_EQ(ScreenAt(140, 130), 0x0000C0u);
    std::unique_ptr<TForm> cover = CreateCoverForm(form->Handle());
    EXPECT_EQ(cover->Tag, -98);
    EXPECT_TRUE(IsWindowVisible(cover->Handle()));
    form->SetColor(0xC00000);
    form->Repaint();
    display.PumpMessages();
    EXPECT_EQ(ScreenAt(140, 130), 0x0000C0u);  // the cover still shows the old picture
    cover.reset();
    display.PumpMessages();
    EXPECT_EQ(ScreenAt(140, 130), 0xC00000u);
}

TEST_F(WindowHelpers, ALayeredImageWithoutPictureIsFullyTransparent) {
    SetLayeredWindowImage(form->Handle(), nullptr, 255);
    display.PumpMessages();
    EXPECT_NE(GetWindowLongPtr(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_NE(ScreenAt(140, 130), 0x0000C0u);
}

TEST_F(WindowHelpers, AnimationLayeringIsMadeOnceAndTakenAwayWithTheWindowsVisibility) {
    HWND window = form->Handle();
    EXPECT_TRUE(SetWindowAnimLayered(window, true));
    BYTE alpha = 0;
    GetLayeredWindowAttributes(window, nullptr, &alpha, nullptr);
    EXPECT_EQ(alpha, 1);
    EXPECT_FALSE(SetWindowAnimLayered(window, true));  // already layered: left alone
    EXPECT_FALSE(SetWindowAnimLayered(window, false));
    EXPECT_EQ(GetWindowLongPtr(window, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_EQ(GetWindowLongPtr(window, GWL_STYLE) & WS_VISIBLE, 0);
}

HRESULT FakeCompositionOn(BOOL* enabled) {
    *enabled = 1;
    return S_OK;
}

TEST_F(WindowHelpers, CompositionIsAskedOfTheDesktopManagerWhenThereIsOne) {
    EXPECT_FALSE(IsCompositionEnabled());
    int value = 1;
    EXPECT_EQ(CallDwmSetWindowAttribute(form->Handle(), 3, &value, sizeof value), E_NOTIMPL);
    InvalidateIconicBitmaps(form->Handle());  // nothing to ask: no effect, no failure

    RegisterProcedureOf("dwmapi", "DwmIsCompositionEnabled", &FakeCompositionOn);
    EXPECT_TRUE(IsCompositionEnabled());
    EXPECT_EQ(CallDwmSetWindowAttribute(form->Handle(), 3, &value, sizeof value), E_NOTIMPL);
    UnregisterLibrary("dwmapi");
}

TEST_F(WindowHelpers, ClassNamesOfWindows) {
    EXPECT_EQ(GetWindowClassName(form->Handle()), "TForm");
    EXPECT_EQ(GetWindowClassName(nullptr), "");
}

}  // namespace
}  // namespace parch
