#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/ToolBar.h"
#include "platform/display/PngFile.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/display/OnScreenCheck.h"
#include "tests/framework/ImageListSquares.h"

namespace parch {
namespace {

class ToolBarTest : public FormFixture {
protected:
    TForm* form = nullptr;
    TToolBar* bar = nullptr;
    std::vector<std::string> clicks;

    void MakeBar() {
        form = MakeForm(400, 120);
        bar = new TToolBar(form);
        bar->SetParent(form);
    }
    TToolButton* AddButton(const std::string& caption, TToolButtonStyle style = tbsButton, bool grouped = false) {
        auto* button = new TToolButton(form);
        button->SetCaption(caption);
        button->SetStyle(style);
        button->SetGrouped(grouped);
        button->SetParent(bar);
        button->OnClick = [this, caption](TObject*) { clicks.push_back(caption); };
        return button;
    }
    void ClickButton(TToolButton* button, int dx = 0) {
        display.AdvanceTime(2000);  // a single click each time, never a double one
        POINT p = At(bar, button->Left() + button->Width() / 2 + dx, button->Top() + button->Height() / 2);
        display.Click(p.x, p.y);
        display.PumpMessages();
    }
};

TEST_F(ToolBarTest, AButtonsClickReachesItsOwnOnClickOnly) {
    MakeBar();
    auto* open = AddButton("Open");
    auto* separator = AddButton("", tbsSeparator);
    auto* save = AddButton("Save");
    Show(form);
    ASSERT_EQ(bar->ButtonCount(), 3);
    // The buttons stand where the window put them, one after the other.
    EXPECT_LE(open->Left() + open->Width(), separator->Left());
    EXPECT_LE(separator->Left() + separator->Width(), save->Left());

    ClickButton(save);
    ClickButton(open);
    ClickButton(separator);
    EXPECT_EQ(clicks, (std::vector<std::string>{"Save", "Open"}));

    save->SetEnabled(false);
    ClickButton(save);
    EXPECT_EQ(clicks.size(), 2u);
    // A button removed from the bar takes its window button with it; the others still click.
    delete open;
    EXPECT_EQ(bar->ButtonCount(), 2);
    save->SetEnabled(true);
    ClickButton(save);
    EXPECT_EQ(clicks.back(), "Save");
}

TEST_F(ToolBarTest, CheckButtonsToggleAndGroupsKeepOneDown) {
    MakeBar();
    auto* bold = AddButton("Bold", tbsCheck);
    auto* left = AddButton("Left", tbsCheck, true);
    auto* centre = AddButton("Centre", tbsCheck, true);
    auto* right = AddButton("Right", tbsCheck, true);
    Show(form);

    ClickButton(bold);
    EXPECT_TRUE(bold->Down());
    ClickButton(bold);
    EXPECT_FALSE(bold->Down());

    ClickButton(left);
    ClickButton(right);
    EXPECT_FALSE(left->Down());
    EXPECT_TRUE(right->Down());
    // A second click on the checked button of a group leaves it down...
    ClickButton(right);
    EXPECT_TRUE(right->Down());
    // ...unless the group may be all up.
    right->SetAllowAllUp(true);
    ClickButton(right);
    EXPECT_FALSE(right->Down());
    EXPECT_FALSE(left->Down() || centre->Down());
    EXPECT_EQ(clicks, (std::vector<std::string>{"Bold", "Bold", "Left", "Right", "Right", "Right"}));

    // Set from code, a group button unchecks its group too; the state survives a new window.
    left->SetDown(true);
    centre->SetDown(true);
    EXPECT_FALSE(left->Down());
    EXPECT_TRUE(centre->Down());
    bar->SetList(true);
    EXPECT_TRUE(centre->Down());
    EXPECT_FALSE(left->Down());
}

TEST_F(ToolBarTest, DropDownButtonsClickOnTheirFaceAndButtonsDrawThroughTheEvents) {
    MakeBar();
    auto* images = MakeSquaresImageList(form, 16, {0xFF0000, 0x00FF00});
    bar->SetImages(images);
    auto* plain = AddButton("Plain");
    plain->SetImageIndex(1);
    auto* drop = AddButton("Drop", tbsDropDown);
    std::vector<std::pair<TToolButton*, TCustomDrawStage>> stages;
    bar->OnAdvancedCustomDrawButton = [&](TToolBar* sender, TToolButton* button, TCustomDrawState, TCustomDrawStage stage,
                                          TTBCustomDrawFlags&, bool& defaultDraw) {
        stages.emplace_back(button, stage);
        if (button != plain) return;
        defaultDraw = false;
        RECT r = button->BoundsRect();
        sender->Canvas().Brush().SetColor(clYellow);
        sender->Canvas().FillRect(r);
    };
    Show(form);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessage(bar->Handle(), TB_GETIMAGELIST, 0, 0)), images->Handle());
    EXPECT_NE(std::find(stages.begin(), stages.end(), std::pair{plain, cdPrePaint}), stages.end());
    EXPECT_NE(std::find(stages.begin(), stages.end(), std::pair{drop, cdPrePaint}), stages.end());
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.At(bar, plain->Left() + plain->Width() / 2, plain->Top() + plain->Height() / 2), RGB(255, 255, 0));

    // The face of a drop-down button clicks it; its arrow (without a menu) does not.
    ClickButton(drop, -drop->Width() / 4);
    EXPECT_EQ(clicks, (std::vector<std::string>{"Drop"}));
    ClickButton(drop, drop->Width() / 2 - 3);
    EXPECT_EQ(clicks, (std::vector<std::string>{"Drop"}));
    // The form then frees the image list before the bar, telling neither: the bar must not
    // reach the freed list.
}

TEST_F(ToolBarTest, ABarWithPicturesCaptionsGroupsAndADropDown) {
    MakeBar();
    bar->SetShowCaptions(true);
    bar->SetButtonWidth(60);
    bar->SetButtonHeight(40);
    bar->SetHeight(44);
    auto* images = MakeSquaresImageList(form, 16, {0xCC3333, 0x33AA33, 0x3355CC, 0xDDAA22});
    bar->SetImages(images);
    AddButton("Add PDF")->SetImageIndex(0);
    AddButton("Remove")->SetImageIndex(1);
    AddButton("", tbsSeparator);
    auto* text = AddButton("Text", tbsCheck, true);
    text->SetImageIndex(2);
    text->SetDown(true);
    AddButton("Images", tbsCheck, true)->SetImageIndex(3);
    AddButton("", tbsSeparator);
    AddButton("More", tbsDropDown)->SetImageIndex(0);
    Show(form);
    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(pixels.Picture(), (std::filesystem::path(keep) / "tool-bar.png").string()));
    }
    // Shown through the SDL display on a real X screen, the form looks as the headless screen drew it.
    if (onscreen::Xvfb::Installed()) {
        HBITMAP picture = CaptureWindow(form->Handle());
        EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "tool-bar"), "");
        DeleteObject(picture);
    }
    // Each picture shows in its button above the caption.
    auto* remove = bar->Buttons(1);
    bool green = false;
    for (int y = 0; y < remove->Height() && !green; ++y)
        for (int x = 0; x < remove->Width() && !green; ++x) green = pixels.At(remove, x, y) == RGB(0x33, 0xAA, 0x33);
    EXPECT_TRUE(green);
}

}  // namespace
}  // namespace parch
