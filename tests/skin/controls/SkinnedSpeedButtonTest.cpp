// The skinned speed button: drop-down width and part, separators that never light up, a
// grouped button kept down, hints back however a press ends, and its face on the parent.

#include <gtest/gtest.h>

#include "skin/controls/sSpeedButton.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

// A menu that only notes where it was asked to pop up (the real one runs its own loop).
class NotingMenu : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    void Popup(int x, int y) override {
        ++Popups;
        At = POINT{x, y};
    }
    int Popups = 0;
    POINT At{};
};

class SkinnedSpeedButton : public FormFixture {
protected:
    void SetUp() override {
        auto section = test::MakeSection("SPEEDBUTTON", 0x00A000, 0);
        section.StateCount = 3;
        section.HotColor = 0xA00000;
        test::LoadSections(manager, {section});
        form = MakeForm(300, 120);
        form->SetColor(static_cast<TColor>(0x0000FF));
        Show(form);
        button = Child<TsSpeedButton>(form, 20, 20, 60, 24);
        display.PumpMessages();
        app.ShowHint = true;
    }
    void MoveTo(TControl* control, int x, int y) {
        POINT p = At(control, x, y);
        display.MoveMouse(p.x, p.y);
        display.PumpMessages();
    }

    TsSkinManager manager;
    TForm* form = nullptr;
    TsSpeedButton* button = nullptr;
};

TEST_F(SkinnedSpeedButton, FaceIsPaintedOnTheParentInTheHotLookUnderTheMouse) {
    EXPECT_EQ(button->SkinData().SkinSection(), "SPEEDBUTTON");
    auto shown = test::ScreenImage(*form, *button);
    EXPECT_EQ(PixelAt(*shown, 5, 5) & 0xFFFFFF, 0x00A000u);
    MoveTo(button, 10, 10);
    EXPECT_EQ(button->CurrentState(), 1);
    shown = test::ScreenImage(*form, *button);
    EXPECT_EQ(PixelAt(*shown, 5, 5) & 0xFFFFFF, 0x0000A0u);
}

TEST_F(SkinnedSpeedButton, DropDownStyleWidensAndItsArrowPartOpensTheMenu) {
    button->SetButtonStyle(TToolButtonStyle::tbsDropDown);
    EXPECT_EQ(button->Width(), 76);
    NotingMenu menu(form);
    button->DropdownMenu = &menu;
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    MoveTo(button, 10, 10);
    display.MouseDown();
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(menu.Popups, 0);
    MoveTo(button, 70, 10);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_EQ(menu.Popups, 1);
    EXPECT_EQ(menu.At.y, At(button, 0, button->Height() + 1).y);
    EXPECT_TRUE(app.ShowHint) << "the menu took the release";
    display.MouseUp();
    display.PumpMessages();
    EXPECT_EQ(clicks, 1);
    button->SetButtonStyle(TToolButtonStyle::tbsButton);
    EXPECT_EQ(button->Width(), 60);
}

TEST_F(SkinnedSpeedButton, SeparatorsNeverLightUp) {
    for (auto style : {TToolButtonStyle::tbsSeparator, TToolButtonStyle::tbsDivider}) {
        button->SetButtonStyle(style);
        MoveTo(button, 10, 10);
        EXPECT_EQ(button->CurrentState(), 0) << static_cast<int>(style);
        MoveTo(form, 250, 100);
    }
}

TEST_F(SkinnedSpeedButton, GroupedButtonStaysDownAfterTheMouseLeaves) {
    button->SetGroupIndex(3);
    button->SetAllowAllUp(true);
    button->SetDown(true);
    EXPECT_EQ(button->CurrentState(), 2);
    MoveTo(button, 10, 10);
    MoveTo(form, 250, 100);
    EXPECT_EQ(button->CurrentState(), 2);
}

TEST_F(SkinnedSpeedButton, HintsComeBackHoweverThePressEnds) {
    MoveTo(button, 10, 10);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_FALSE(app.ShowHint);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_TRUE(app.ShowHint) << "release";

    display.MouseDown();
    display.PumpMessages();
    button->Perform(CM_CANCELMODE);
    EXPECT_TRUE(app.ShowHint) << "cancel mode";
    display.MouseUp();
    display.PumpMessages();

    display.MouseDown();
    display.PumpMessages();
    delete button;
    EXPECT_TRUE(app.ShowHint) << "button destroyed while pressed";
    display.MouseUp();
    display.PumpMessages();
}

}  // namespace
}  // namespace parch
