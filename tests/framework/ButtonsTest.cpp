#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Actions.h"
#include "framework/Buttons.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

class ButtonsTest : public FormFixture {
protected:
    TForm* form = nullptr;
    std::vector<TSpeedButton*> buttons;
    std::vector<std::string> clicks;

    void SetUp() override {
        form = MakeForm(300, 100);
        for (int i = 0; i < 3; ++i) {
            auto* b = Child<TSpeedButton>(form, 10 + 40 * i, 10, 30, 25);
            b->OnClick = [this, i](TObject*) { clicks.push_back("b" + std::to_string(i)); };
            buttons.push_back(b);
        }
        Show(form);
    }
    void ClickOn(TSpeedButton* b) {
        POINT p = At(b, 5, 5);
        display.Click(p.x, p.y);
        display.PumpMessages();
        display.AdvanceTime(1000);  // no double click with the next one
    }
    std::vector<bool> DownStates() const {
        std::vector<bool> states;
        for (TSpeedButton* b : buttons) states.push_back(b->Down());
        return states;
    }
};

TEST_F(ButtonsTest, OneButtonOfAGroupIsDown) {
    for (TSpeedButton* b : buttons) b->SetGroupIndex(1);
    struct Step {
        int click;
        std::vector<bool> down;
    };
    const Step steps[] = {
        {0, {true, false, false}},
        {2, {false, false, true}},
        {2, {false, false, true}},  // the down one stays down without AllowAllUp
        {1, {false, true, false}},
    };
    for (const Step& s : steps) {
        ClickOn(buttons[static_cast<std::size_t>(s.click)]);
        EXPECT_EQ(DownStates(), s.down) << "after clicking " << s.click;
    }
    EXPECT_EQ(clicks, (std::vector<std::string>{"b0", "b2", "b2", "b1"}));
    // AllowAllUp belongs to the group: set on one, all of them let go.
    buttons[0]->SetAllowAllUp(true);
    EXPECT_TRUE(buttons[2]->AllowAllUp());
    ClickOn(buttons[1]);
    EXPECT_EQ(DownStates(), (std::vector<bool>{false, false, false}));
    // Down set in code is exclusive too; another group is left alone.
    buttons[2]->SetGroupIndex(2);
    buttons[2]->SetDown(true);
    buttons[0]->SetDown(true);
    EXPECT_EQ(DownStates(), (std::vector<bool>{true, false, true}));
}

TEST_F(ButtonsTest, AButtonWithoutAGroupNeverStaysDown) {
    buttons[0]->SetDown(true);
    EXPECT_FALSE(buttons[0]->Down());
    ClickOn(buttons[0]);
    EXPECT_FALSE(buttons[0]->Down());
    EXPECT_EQ(buttons[0]->State(), bsUp);
    EXPECT_EQ(clicks, (std::vector<std::string>{"b0"}));
}

TEST_F(ButtonsTest, ClickOnlyOnReleaseInside) {
    TSpeedButton* b = buttons[0];
    POINT inside = At(b, 5, 5), outside = At(b, 50, 50), back = At(b, 20, 20);
    struct Case {
        const char* name;
        std::vector<POINT> path;  // pressed at the first point, released at the last
        bool clicked;
    };
    const Case cases[] = {
        {"in and out", {inside, outside}, false},
        {"out and back in", {inside, outside, back}, true},
        {"pressed outside", {outside, inside}, false},
        {"in place", {inside}, true},
    };
    for (const Case& c : cases) {
        clicks.clear();
        display.MoveMouse(c.path[0].x, c.path[0].y);
        display.MouseDown();
        display.PumpMessages();
        if (c.path.size() > 1 && c.path[0].x == inside.x) {
            display.MoveMouse(c.path[1].x, c.path[1].y);
            display.PumpMessages();
            EXPECT_EQ(b->State(), bsUp) << c.name;  // dragged off, it looks up
        }
        for (std::size_t i = 1; i < c.path.size(); ++i) {
            display.MoveMouse(c.path[i].x, c.path[i].y);
            display.PumpMessages();
        }
        display.MouseUp();
        display.PumpMessages();
        display.AdvanceTime(1000);
        EXPECT_EQ(!clicks.empty(), c.clicked) << c.name;
        EXPECT_EQ(b->State(), bsUp) << c.name;
    }
}

TEST_F(ButtonsTest, HoverIsTracked) {
    TSpeedButton* b = buttons[1];
    b->SetFlat(true);
    POINT p = At(b, 5, 5);
    display.MoveMouse(p.x, p.y);
    display.PumpMessages();
    EXPECT_TRUE(b->MouseInControl());
    POINT away = At(b, 100, 60);
    display.MoveMouse(away.x, away.y);
    display.PumpMessages();
    EXPECT_FALSE(b->MouseInControl());
}

TEST_F(ButtonsTest, AnActionDrivesTheButton) {
    TAction action(nullptr);
    int executed = 0;
    action.OnExecute = [&](TObject*) { ++executed; };
    action.SetCaption("Go");
    action.SetChecked(true);
    TSpeedButton* b = buttons[2];
    b->OnClick = nullptr;
    b->SetGroupIndex(5);
    b->SetAllowAllUp(true);
    b->SetAction(&action);
    EXPECT_EQ(b->Caption(), "Go");
    EXPECT_TRUE(b->Down());
    action.SetEnabled(false);
    EXPECT_FALSE(b->Enabled());
    action.SetEnabled(true);
    action.SetChecked(false);
    EXPECT_FALSE(b->Down());
    ClickOn(b);
    EXPECT_EQ(executed, 1);
}

TEST(ButtonArrangement, GlyphAndCaptionArePlacedByLayoutMarginAndSpacing) {
    struct Case {
        TButtonLayout layout;
        int margin, spacing;
        POINT glyph;
        RECT text;
    };
    // A 100 x 40 face, a 16 x 16 glyph and a 30 x 13 caption.
    const Case cases[] = {
        {blGlyphLeft, -1, 4, {25, 12}, {45, 14, 75, 27}},
        {blGlyphLeft, 5, 4, {5, 12}, {25, 14, 55, 27}},
        {blGlyphRight, 5, 4, {79, 12}, {45, 14, 75, 27}},
        {blGlyphTop, -1, 2, {42, 5}, {35, 23, 65, 36}},
        {blGlyphBottom, 3, 2, {42, 21}, {35, 6, 65, 19}},
        {blGlyphLeft, -1, -1, {18, 12}, {52, 14, 82, 27}},
    };
    for (const Case& c : cases) {
        TButtonArrangement a = ArrangeButtonGlyph({0, 0, 100, 40}, {0, 0}, {16, 16}, {30, 13}, c.layout, c.margin, c.spacing);
        EXPECT_EQ(a.GlyphPos.x, c.glyph.x) << static_cast<int>(c.layout) << " " << c.margin;
        EXPECT_EQ(a.GlyphPos.y, c.glyph.y) << static_cast<int>(c.layout) << " " << c.margin;
        EXPECT_EQ(a.TextBounds, c.text) << static_cast<int>(c.layout) << " " << c.margin;
    }
    // A pressed face moves both by the offset.
    TButtonArrangement pressed = ArrangeButtonGlyph({0, 0, 100, 40}, {1, 1}, {16, 16}, {30, 13}, blGlyphLeft, 5, 4);
    EXPECT_EQ(pressed.GlyphPos.x, 6);
    EXPECT_EQ(pressed.TextBounds.top, 15);
}

}  // namespace
}  // namespace parch
