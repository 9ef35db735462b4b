// Glows around hot controls: size, placement and cropping, click-through windows, and handles
// that stay harmless once their glow is gone.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Messages.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WindowTree.h"
#include "skin/engine/sGlow.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

class Glow : public ::testing::Test {
protected:
    void SetUp() override {
        TsGeneralData button = test::MakeSection("BTN", 0x00C0C0C0, 0);
        button.Glow = 1;
        button.GlowMargin = 2;
        test::LoadSections(manager, {button, test::MakeSection("PLAIN", 0, 0)});
        manager.Tables().Masks.push_back(test::MakeMask(manager, "BTN", "GLOW0", 30, 30, 10));
    }
    void TearDown() override { FreeAllGlowEffects(false); }

    int Show(RECT r, RECT v, int margin = 2, const char* section = "BTN") {
        return ShowGlowEffect(r, v, section, &manager, nullptr, 255, margin, "GLOW");
    }
    static RECT WindowRect(int handle) {
        RECT rect{};
        GetWindowRect(GlowWindow(handle)->Handle(), &rect);
        return rect;
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
};

TEST_F(Glow, SurroundsTheControlByTheMaskBordersLessTheMargin) {
    int handle = Show({100, 100, 160, 130}, {0, 0, 60, 30});
    ASSERT_GE(handle, 0);
    RECT r = WindowRect(handle);
    EXPECT_EQ(r.left, 92);
    EXPECT_EQ(r.top, 92);
    EXPECT_EQ(r.right - r.left, 60 + 20 - 4);
    EXPECT_EQ(r.bottom - r.top, 30 + 20 - 4);
    HWND window = GlowWindow(handle)->Handle();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(SendMessage(window, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    EXPECT_NE(GetWindowLongPtr(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
}

TEST_F(Glow, APartlyVisibleControlCropsItsGlow) {
    // Ten pixels of the control lie outside on the left: the glow starts L + 10 - M further in.
    int handle = Show({100, 100, 160, 130}, {10, 0, 60, 30});
    ASSERT_GE(handle, 0);
    RECT r = WindowRect(handle);
    EXPECT_EQ(r.left, 100 + 18 + 2 - 10);
    EXPECT_EQ(r.right - r.left, 76 - 18);
    EXPECT_EQ(r.bottom - r.top, 46);
}

TEST_F(Glow, NothingToShowGivesNoHandle) {
    EXPECT_EQ(Show({0, 0, 60, 30}, {0, 0, 60, 30}, 2, "PLAIN"), -1);
    // A margin wider than the borders and the control leaves no area.
    EXPECT_EQ(Show({0, 0, 6, 3}, {0, 0, 6, 3}, 20), -1);
    // Cropping to the visible part can leave nothing as well.
    EXPECT_GE(Show({0, 0, 60, 30}, {55, 0, 60, 30}, 14), 0);
    FreeAllGlowEffects(false);
    EXPECT_EQ(Show({0, 0, 60, 30}, {55, 0, 60, 30}, 15), -1);
    EXPECT_EQ(GlowEffectCount(), 0);
}

TEST_F(Glow, StaleHandlesRemoveNothing) {
    int first = Show({0, 0, 60, 30}, {0, 0, 60, 30});
    int second = Show({0, 50, 60, 80}, {0, 0, 60, 30});
    FreeAllGlowEffects(false);
    EXPECT_EQ(GlowEffectCount(), 0);
    int third = Show({0, 100, 60, 130}, {0, 0, 60, 30});
    RemoveGlowEffect(first);
    RemoveGlowEffect(second);
    RemoveGlowEffect(12345);
    EXPECT_NE(GlowWindow(third), nullptr);
    RemoveGlowEffect(third);
    RemoveGlowEffect(third);
    EXPECT_EQ(GlowEffectCount(), 0);
}

// One control's mouse-leave removes every glow; the control that still holds its old handle
// must not take away the glow another control shows afterwards.
TEST_F(Glow, ControlsKeepOnlyTheirOwnGlow) {
    TForm form(&app);
    form.SetBounds(0, 0, 300, 200);
    form.Show();
    auto* a = new test::TsPanel(&form, 32);
    auto* b = new test::TsPanel(&form, 32);
    a->SetParent(&form);
    b->SetParent(&form);
    a->SetBounds(10, 10, 60, 30);
    b->SetBounds(10, 60, 60, 30);
    a->SkinData.SetSkinSection("BTN");
    b->SkinData.SetSkinSection("BTN");

    a->Perform(CM_MOUSEENTER, 0, 0);
    ASSERT_NE(a->SkinData.GlowSlot, -1);
    int staleHandle = a->SkinData.GlowSlot;
    b->Perform(CM_MOUSELEAVE, 0, 0);  // frees every glow; a keeps its handle
    EXPECT_EQ(GlowWindow(staleHandle), nullptr);
    b->Perform(CM_MOUSEENTER, 0, 0);
    ASSERT_NE(b->SkinData.GlowSlot, -1);
    a->Perform(WM_SIZE, 0, 0);
    EXPECT_NE(GlowWindow(b->SkinData.GlowSlot), nullptr);
    EXPECT_EQ(a->SkinData.GlowSlot, -1);
}

}  // namespace
}  // namespace parch
