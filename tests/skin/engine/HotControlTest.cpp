// The manager's hot controls: who is told that the mouse came and went, when a windowless
// control refuses to let go, and controls destroyed while hot.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

using test::MakeSection;
using test::TsGraphic;
using test::TsPanel;

constexpr int kEntered = 29;
constexpr int kLeft = 30;

class HotControls : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadSections(manager, {MakeSection("PANEL", 0x00FF0000, 0)});
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    template <class Control>
    Control* Add(int kind, RECT bounds) {
        auto* control = new Control(&form, kind);
        control->SetParent(&form);
        control->SetBoundsRect(bounds);
        control->SkinData.SetSkinSection("PANEL");
        control->Commands.clear();
        return control;
    }

    static std::vector<int> HotCommands(const std::vector<int>& commands) {
        std::vector<int> hot;
        for (int command : commands)
            if (command == kEntered || command == kLeft) hot.push_back(command);
        return hot;
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST_F(HotControls, MouseEnteringAControlMovesTheHotControl) {
    TsPanel* a = Add<TsPanel>(51, {0, 0, 50, 50});
    TsPanel* b = Add<TsPanel>(51, {60, 0, 110, 50});

    a->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(manager.ActiveControl(), a);
    a->Perform(CM_MOUSEENTER, 0, 0);  // the same control again tells nobody
    b->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(manager.ActiveControl(), b);
    EXPECT_EQ(HotCommands(a->Commands), (std::vector<int>{kEntered, kLeft}));
    EXPECT_EQ(HotCommands(b->Commands), (std::vector<int>{kEntered}));
}

TEST_F(HotControls, ADestroyedHotControlIsForgotten) {
    TsPanel* a = Add<TsPanel>(51, {0, 0, 50, 50});
    TsPanel* b = Add<TsPanel>(51, {60, 0, 110, 50});
    TsGraphic* g = Add<TsGraphic>(92, {0, 60, 50, 110});

    a->Perform(CM_MOUSEENTER, 0, 0);
    delete a;
    EXPECT_EQ(manager.ActiveControl(), nullptr);
    // Telling the destroyed control that the mouse left would touch freed memory.
    b->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_EQ(manager.ActiveControl(), b);

    ASSERT_TRUE(manager.SetActiveGraphControl(g));
    delete g;
    EXPECT_EQ(manager.ActiveGraphControl(), nullptr);
    EXPECT_TRUE(manager.SetActiveGraphControl(nullptr));
}

TEST_F(HotControls, AWindowlessControlHoldsOnWhileTheMouseIsInside) {
    TsPanel* a = Add<TsPanel>(51, {0, 0, 50, 50});
    TsPanel* b = Add<TsPanel>(51, {60, 0, 110, 50});
    TsGraphic* g = Add<TsGraphic>(92, {0, 60, 50, 110});
    TsGraphic* h = Add<TsGraphic>(92, {60, 60, 110, 110});

    manager.SetActiveControl(a);
    ASSERT_TRUE(manager.SetActiveGraphControl(g));
    EXPECT_EQ(manager.ActiveControl(), nullptr) << "a windowless hot control releases the windowed one";
    EXPECT_EQ(HotCommands(a->Commands), (std::vector<int>{kEntered, kLeft}));

    // A new windowless control takes over whatever the old one reports.
    g->SkinData.MouseInside = true;
    ASSERT_TRUE(manager.SetActiveGraphControl(h));
    // Both kinds hot at once; the windowless one refuses to let go while the mouse is inside.
    manager.SetActiveControl(b);
    ASSERT_EQ(manager.ActiveControl(), b);
    h->SkinData.MouseInside = true;
    b->Commands.clear();
    manager.SetActiveControl(a);
    EXPECT_EQ(manager.ActiveControl(), b);
    EXPECT_EQ(manager.ActiveGraphControl(), h);
    EXPECT_TRUE(HotCommands(b->Commands).empty());
    EXPECT_FALSE(manager.SetActiveGraphControl(nullptr));

    h->SkinData.MouseInside = false;
    manager.SetActiveControl(a);
    EXPECT_EQ(manager.ActiveGraphControl(), nullptr);
    EXPECT_EQ(manager.ActiveControl(), a);
    EXPECT_EQ(HotCommands(g->Commands), (std::vector<int>{kEntered, kLeft}));
    EXPECT_EQ(HotCommands(h->Commands), (std::vector<int>{kEntered, kLeft}));
}

}  // namespace
}  // namespace parch
