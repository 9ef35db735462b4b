// Sending skin commands and asking controls and windows simple questions.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Messages.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/sControlQueries.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

using test::TsGraphic;
using test::TsPanel;

class ControlQueries : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadSections(manager, {test::MakeSection("NAVY", 0x00800000, 0)});
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST_F(ControlQueries, PlacingAfterASiblingKeepsTheOthersInOrder) {
    std::vector<TControl*> panels;
    for (int i = 0; i < 4; ++i) {
        auto* panel = new TsPanel(&form, 51);
        panel->SetParent(&form);
        panels.push_back(panel);
    }
    auto order = [&] {
        std::vector<TControl*> now;
        for (int i = 0; i < form.ControlCount(); ++i) now.push_back(form.Controls(i));
        return now;
    };
    PlaceAfterSibling(*panels[3], panels[0]);
    EXPECT_EQ(order(), (std::vector<TControl*>{panels[0], panels[3], panels[1], panels[2]}));
    PlaceAfterSibling(*panels[0], panels[2]);
    EXPECT_EQ(order(), (std::vector<TControl*>{panels[3], panels[1], panels[2], panels[0]}));
    TsPanel stranger(&form, 51);
    PlaceAfterSibling(*panels[1], &stranger);
    EXPECT_EQ(order(), (std::vector<TControl*>{panels[3], panels[1], panels[2], panels[0]}));
}

TEST_F(ControlQueries, CommandsReachControlsThatCanAnswer) {
    TsPanel unparented(&form, 0);
    EXPECT_EQ(SendSkinCommand(&unparented, scIsSkinned, 0), 0);
    EXPECT_FALSE(unparented.HandleAllocated());

    TsGraphic graphic(&form, 0);
    EXPECT_EQ(SendSkinQuery(&graphic, scIsSkinned), 1);
    auto* panel = new TsPanel(&form, 0);
    panel->SetParent(&form);
    EXPECT_TRUE(WndAnswersSkinCommand(panel->Handle(), scIsSkinned));
    EXPECT_FALSE(WndAnswersSkinCommand(form.Handle(), scIsSkinned));
}

TEST_F(ControlQueries, BackgroundColours) {
    EXPECT_EQ(GetControlBgColor(nullptr), static_cast<TColor>(0xFF00FF));
    EXPECT_EQ(GetWndBgColor(nullptr), static_cast<TColor>(0xFF00FF));
    auto* panel = new TsPanel(&form, 0);
    panel->SetParent(&form);
    panel->SkinData.SetSkinSection("NAVY");
    EXPECT_EQ(GetControlBgColor(panel), static_cast<TColor>(0x00800000));
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetColor(clWindow);
    EXPECT_EQ(GetControlBgColor(edit), static_cast<TColor>(ColorToRGB(clWindow)));
}

TEST_F(ControlQueries, BroadcastsStopAtAChildBeingDestroyed) {
    TMessage message{SkinCommandMessage, SkinCommandWParam(scBackgroundChanged), 0, 0};
    auto* first = new TsGraphic(&form, 0);
    first->SetParent(&form);
    auto* going = new TsGraphic(&form, 0);
    going->SetParent(&form);
    auto* after = new TsGraphic(&form, 0);
    after->SetParent(&form);
    first->SkinData.BackgroundDirty = going->SkinData.BackgroundDirty = after->SkinData.BackgroundDirty = false;
    going->Destroying();
    BroadcastToControls(form, message);
    EXPECT_TRUE(first->SkinData.BackgroundDirty);
    EXPECT_FALSE(going->SkinData.BackgroundDirty);
    EXPECT_FALSE(after->SkinData.BackgroundDirty);
}

TEST_F(ControlQueries, UnskinnedWindowsPassBroadcastsDownUnlessFiltered) {
    auto* container = new TPanel(&form);
    container->SetParent(&form);
    container->HandleNeeded();
    auto* inner = new TsPanel(&form, 0);
    inner->SetParent(container);
    inner->HandleNeeded();
    inner->SkinData.BackgroundDirty = false;
    TMessage message{SkinCommandMessage, SkinCommandWParam(scBackgroundChanged), 0, 0};

    BroadcastFilter = [container](TWinControl& child) { return &child == container; };
    BroadcastToControls(form, message);
    EXPECT_FALSE(inner->SkinData.BackgroundDirty);
    BroadcastFilter = nullptr;
    BroadcastToControls(form, message);
    EXPECT_TRUE(inner->SkinData.BackgroundDirty);
}

TEST_F(ControlQueries, BroadcastsGoInChildOrderThroughUnskinnedContainers) {
    std::vector<std::string> order;
    auto record = [&order](TControl* control, const std::string& name) {
        TWndMethod inherited = control->WindowProc;
        control->WindowProc = [&order, inherited, name](TMessage& message) {
            if (message.Msg == SkinCommandMessage && SkinCommandOf(message.WParam) == scBackgroundChanged)
                order.push_back(name);
            inherited(message);
        };
    };
    auto* graphic = new TsGraphic(&form, 0);
    graphic->SetParent(&form);
    auto* container = new TPanel(&form);
    container->SetParent(&form);
    auto* inner = new TsPanel(&form, 0);
    inner->SetParent(container);
    auto* last = new TsPanel(&form, 0);
    last->SetParent(&form);
    for (TWinControl* windowed : {static_cast<TWinControl*>(container), static_cast<TWinControl*>(inner),
                                  static_cast<TWinControl*>(last)})
        windowed->HandleNeeded();
    record(graphic, "graphic");
    record(container, "container");
    record(inner, "inner");
    record(last, "last");

    TMessage message{SkinCommandMessage, SkinCommandWParam(scBackgroundChanged), 0, 0};
    BroadcastToControls(form, message);
    EXPECT_EQ(order, (std::vector<std::string>{"graphic", "inner", "last"}));
}

TEST_F(ControlQueries, ChildWindowBroadcastsReachDirectChildrenOnly) {
    auto* outer = new TsPanel(&form, 0);
    outer->SetParent(&form);
    auto* nested = new TsPanel(&form, 0);
    nested->SetParent(outer);
    outer->HandleNeeded();
    nested->HandleNeeded();
    outer->Commands.clear();
    nested->Commands.clear();
    TMessage message{SkinCommandMessage, SkinCommandWParam(scAnimationFrameReady), 0, 0};
    BroadcastToChildWindows(form.Handle(), message);
    EXPECT_EQ(outer->Commands, std::vector<int>{scAnimationFrameReady});
    EXPECT_TRUE(nested->Commands.empty());
}

TEST_F(ControlQueries, AlignedSizesAndWindowQuestions) {
    auto addAligned = [this](TControl* control, TAlign align, int size) {
        control->SetParent(&form);
        control->SetBounds(0, 0, size, size);
        control->SetAlign(align);
    };
    addAligned(new TPanel(&form), alTop, 20);
    addAligned(new TPanel(&form), alTop, 15);
    addAligned(new TsGraphic(&form, 0), alTop, 7);
    addAligned(new TPanel(&form), alLeft, 30);
    addAligned(new TPanel(&form), alClient, 10);
    EXPECT_EQ(SumAlignedSizes(form, alTop, false), 35);
    EXPECT_EQ(SumAlignedSizes(form, alTop, true), 42);
    EXPECT_EQ(SumAlignedSizes(form, alLeft, false), 30);
    EXPECT_EQ(SumAlignedSizes(form, alClient, true), 0);

    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    EXPECT_EQ(GetTopParentWindow(panel->Handle()), form.Handle());
    EXPECT_EQ(FindOwnerForm(panel), &form);
    EXPECT_EQ(FindOwnerFrame(panel), nullptr);
    EXPECT_FALSE(ControlCanPaint(nullptr));
    EXPECT_TRUE(ControlCanPaint(panel));
    TPanel loose(&form);
    EXPECT_FALSE(ControlCanPaint(&loose));
    EXPECT_EQ(BoundSetWindowTheme(), nullptr);
}

}  // namespace
}  // namespace parch
