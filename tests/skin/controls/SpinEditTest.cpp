// Spin edits: value and text kept in step through bounds and decimals, the keys the edit
// takes, stepping by keys, buttons and wheel, the repeat of a held button on the virtual
// clock, pasting, and the spin halves drawn over the edit's face.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/display/PngFile.h"
#include "platform/win/Clipboard.h"
#include "skin/controls/sSpinEdit.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

class SpinEdit : public FormFixture {
protected:
    void SetUp() override {
        test::LoadSections(manager, {test::MakeSection("EDIT", 0x00F0F0F0, 0),
                                     test::MakeSection("SPEEDBUTTON_SMALL", 0x00A06020, 0)});
        form = MakeForm(240, 100);
        Show(form);
        spin = Child<TsDecimalSpinEdit>(form, 10, 10, 100, 24);
        spin->HandleNeeded();
        display.PumpMessages();
    }
    void RunClock(int ms) {
        for (int t = 0; t < ms; t += 10) {
            display.AdvanceTime(10);
            display.PumpMessages();
        }
    }
    void Type(const std::string& keys) {
        spin->SetFocus();
        display.TypeText(keys);
        display.PumpMessages();
    }
    POINT UpHalf() { return spin->Button().ClientToScreen({6, 3}); }
    POINT DownHalf() { return spin->Button().ClientToScreen({6, spin->Button().Height() - 3}); }

    TsSkinManager manager;
    TForm* form = nullptr;
    TsDecimalSpinEdit* spin = nullptr;
};

TEST_F(SpinEdit, ValueIsStoredLimitedExactlyAsTheTextShowsIt) {
    struct Case {
        double minValue, maxValue;
        int decimals;
        double set;
        double value;
        std::string text;
    };
    const Case cases[] = {
        {1, 0, 0, -5, 1, "1"},          // lower bound alone: shown and stored alike
        {0, 0, 2, -5, -5, "-5.00"},     // no bounds
        {0, 0, 2, 1234.5, 1234.5, "1234.50"},
        {0, 10, 1, 12, 10, "10.0"},     // upper bound
        {0, 10, 1, -3, -3, "-3.0"},     // a bound of 0 is no bound
        {-2, 2, 3, -7, -2, "-2.000"},
        {0, 0, 2, -0.001, -0.001, "0.00"},  // no "-0.00"
        {0, 0, 0, 2.5, 2.5, "2"},
        {5, 2, 1, 1.25, 5, "5.0"},  // crossed bounds: the minimum, also when bounded again
        {5, 2, 1, 9, 5, "5.0"},
    };
    for (const Case& c : cases) {
        spin->SetMinValue(c.minValue);
        spin->SetMaxValue(c.maxValue);
        spin->SetDecimalPlaces(c.decimals);
        spin->SetValue(c.set);
        EXPECT_DOUBLE_EQ(spin->Value(), c.value) << c.set;
        EXPECT_EQ(spin->Text(), c.text) << c.set;
        EXPECT_DOUBLE_EQ(spin->ClampToBounds(spin->Value()), c.value) << c.set;
    }
}

TEST_F(SpinEdit, TypedTextFollowsTheKeyRules) {
    struct Case {
        std::string typed;
        int decimals;
        std::string text;  // what the edit holds afterwards
        double value;
    };
    const Case cases[] = {
        {"12.5", 2, "12.5", 12.5},
        {"+", 2, "+", 0},      // not a number yet: reads as 0, raises nothing
        {".", 2, ".", 0},
        {"-.", 2, "-.", 0},
        {"-.5", 2, "-.5", -0.5},
        {"1.2.3", 2, "1.23", 1.23},  // a second separator is refused
        {"1.5", 0, "15", 15},        // no decimals, no separator
        {"1-2", 2, "12", 12},        // a sign only at the start
        {"a1b2", 2, "12", 12},
        {"7\r", 2, "7", 7},          // Enter is consumed
    };
    for (const Case& c : cases) {
        spin->SetDecimalPlaces(c.decimals);
        spin->SetText("");
        EXPECT_NO_THROW(Type(c.typed)) << c.typed;
        EXPECT_EQ(spin->Text(), c.text) << c.typed;
        EXPECT_DOUBLE_EQ(spin->Value(), c.value) << c.typed;
    }
    // Without the system separator both separator keys type it, once.
    spin->SetUseSystemDecSeparator(false);
    spin->SetDecimalPlaces(2);
    for (const char* typed : {"1,5", "1,.5", "1.,5"}) {
        spin->SetText("");
        Type(typed);
        EXPECT_EQ(spin->Text(), "1.5") << typed;
        EXPECT_DOUBLE_EQ(spin->Value(), 1.5) << typed;
    }
}

TEST_F(SpinEdit, SignAndDigitsNeverGoBeforeAnExistingSign) {
    spin->SetDecimalPlaces(2);
    Type("-5");
    spin->SetSelStart(0);
    spin->SetSelLength(0);
    Type("3+.");
    EXPECT_EQ(spin->Text(), "-5");
    spin->SelectAll();
    Type("+");
    EXPECT_EQ(spin->Text(), "+") << "a sign may replace the whole text";
}

TEST_F(SpinEdit, LeavingTheEditShowsTheBoundedValue) {
    auto* other = Child<TEdit>(form, 10, 50, 60, 22);
    spin->SetMaxValue(10);
    spin->SetDecimalPlaces(1);
    Type("250");
    EXPECT_EQ(spin->Text(), "250");
    EXPECT_DOUBLE_EQ(spin->Value(), 10);
    other->SetFocus();
    display.PumpMessages();
    EXPECT_EQ(spin->Text(), "10.0");
    EXPECT_DOUBLE_EQ(spin->Value(), 10);
}

TEST_F(SpinEdit, StepsByKeysButtonsAndWheel) {
    int handlerCalls = 0;
    struct Case {
        const char* what;
        bool upHandler;
        bool readOnly;
        double expected;  // from 5, increment 0.5
    };
    const Case cases[] = {
        {"up key", false, false, 5.5},   {"down key", false, false, 4.5}, {"up button", false, false, 5.5},
        {"down button", false, false, 4.5}, {"wheel notch", false, false, 5.5}, {"two notches down", false, false, 4},
        {"small wheel", false, false, 5},   {"up key", true, false, 5},      {"up button", true, false, 5},
        {"wheel notch", true, false, 5.5},  {"up key", false, true, 5},      {"wheel notch", false, true, 5},
    };
    for (const Case& c : cases) {
        spin->SetIncrement(0.5);
        spin->SetReadOnly(false);
        spin->SetValue(5);
        spin->OnUpClick = c.upHandler ? TNotifyEvent([&](TObject*) { ++handlerCalls; }) : TNotifyEvent();
        spin->SetReadOnly(c.readOnly);
        spin->SetFocus();
        display.PumpMessages();
        std::string what = c.what;
        if (what == "up key") display.PressKey(VK_UP);
        if (what == "down key") display.PressKey(VK_DOWN);
        if (what == "up button") display.Click(UpHalf().x, UpHalf().y);
        if (what == "down button") display.Click(DownHalf().x, DownHalf().y);
        POINT middle = spin->ClientToScreen({20, 10});
        display.MoveMouse(middle.x, middle.y);
        if (what == "wheel notch") display.Wheel(120);
        if (what == "two notches down") display.Wheel(-240);
        if (what == "small wheel") display.Wheel(60);
        display.PumpMessages();
        EXPECT_DOUBLE_EQ(spin->Value(), c.expected) << c.what << " handler " << c.upHandler << " ro " << c.readOnly;
    }
    EXPECT_EQ(handlerCalls, 2);
}

TEST_F(SpinEdit, HeldButtonRepeatsOnTheClockWhileItKeepsTheMouse) {
    spin->SetDecimalPlaces(0);
    struct Step {
        int ms;
        double value;
    };
    spin->SetValue(0);
    display.MoveMouse(UpHalf().x, UpHalf().y);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_DOUBLE_EQ(spin->Value(), 0) << "a press alone does not step";
    for (const Step& s : {Step{390, 0}, Step{20, 1}, Step{100, 2}, Step{100, 3}}) {
        RunClock(s.ms);
        EXPECT_DOUBLE_EQ(spin->Value(), s.value);
    }
    // Off the button the repeat goes on (the capture stays); released there, no extra step.
    POINT away = form->ClientToScreen({200, 80});
    display.MoveMouse(away.x, away.y);
    RunClock(100);
    EXPECT_DOUBLE_EQ(spin->Value(), 4);
    display.MouseUp();
    display.PumpMessages();
    RunClock(500);
    EXPECT_DOUBLE_EQ(spin->Value(), 4);
    EXPECT_FALSE(spin->Button().UpButton().Repeating());

    // A short click steps once, on release.
    display.Click(DownHalf().x, DownHalf().y);
    display.PumpMessages();
    RunClock(500);
    EXPECT_DOUBLE_EQ(spin->Value(), 3);
}

TEST_F(SpinEdit, PasteKeepsOnlyNumbers) {
    struct Case {
        std::string clipboard;
        std::string text;
    };
    const Case cases[] = {{"42.25", "42.25"}, {"abc", "7"}, {"1e5", "7"}, {"--3", "7"}, {"-0.5", "-0.5"}};
    for (const Case& c : cases) {
        spin->SetDecimalPlaces(2);
        spin->SetValue(7);
        spin->SelectAll();
        SetClipboardText(c.clipboard);
        EXPECT_NO_THROW(spin->Perform(WM_PASTE, 0, 0)) << c.clipboard;
        EXPECT_EQ(spin->Text(), c.text) << c.clipboard;
    }
}

TEST_F(SpinEdit, NumberTextReadsOnlyWhatTheKeysCanType) {
    struct Case {
        const char* text;
        bool number;
        double value;
    };
    const Case cases[] = {
        {"12", true, 12},   {"-1.5", true, -1.5}, {"+.25", true, 0.25}, {"3.", true, 3},   {"", false, 0},
        {"-", false, 0},    {"+", false, 0},      {".", false, 0},      {"-.", false, 0},  {"1e3", false, 0},
        {" 1", false, 0},   {"1.2.3", false, 0},  {"inf", false, 0},    {"3-5", false, 0}, {"0x10", false, 0},
    };
    for (const Case& c : cases) {
        double value = 0;
        EXPECT_EQ(TryReadSpinNumber(c.text, value), c.number) << c.text;
        if (c.number) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_EQ(SpinValueText(1e20, 2), "100000000000000000000.00");
    EXPECT_EQ(SpinValueText(-2.345, 2), "-2.35");
}

}  // namespace
}  // namespace parch
