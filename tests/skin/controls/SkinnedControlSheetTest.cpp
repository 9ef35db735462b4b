// The skinned controls in the internal skin, each in its normal, hot, pressed, focused and
// disabled look: one contact sheet per control in build/test-output/skinned_controls/ for
// people to look at, and the push-button faces checked against the Pillow reference that
// tools/make_skinned_control_refs.py draws from the skin's own pictures.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/display/PngFile.h"
#include "skin/controls/sBevel.h"
#include "skin/controls/sBitBtn.h"
#include "skin/controls/sButton.h"
#include "skin/controls/sGroupBox.h"
#include "skin/controls/sPanel.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

constexpr int kSheetGap = 6;
const char* const kSheetDir = "build/test-output/skinned_controls/";
const char* const kStateNames[] = {"normal", "hot", "pressed", "focused", "disabled"};

class SkinnedControlSheet : public FormFixture {
protected:
    void SetUp() override {
        test::LoadInternalSkin(manager);
        ASSERT_TRUE(manager.SkinData().SkinActive);
        form = MakeForm(400, 260);
        Show(form);
        parking = Child<TPanel>(form, 300, 200, 20, 20);  // takes the focus away
        parking->SetTabStop(true);
    }
    void RunClock(int ms) {
        for (int t = 0; t < ms; t += 10) {
            display.AdvanceTime(10);
            display.PumpMessages();
        }
    }
    template <class T>
    T* Place(const std::string& caption, int width, int height) {
        auto* control = Child<T>(form, 20, 20, width, height);
        control->SetText(caption);
        control->Font().SetName("DejaVu Sans");
        control->Font().SetSize(9);
        display.PumpMessages();
        return control;
    }
    void MouseAway() {
        POINT away = At(form, 390, 250);
        display.MoveMouse(away.x, away.y);
        RunClock(100);
    }
    // The control in each of the five looks, as the screen shows it.
    std::vector<std::unique_ptr<TBitmap>> FiveLooks(TWinControl& control) {
        std::vector<std::unique_ptr<TBitmap>> looks;
        MouseAway();
        looks.push_back(test::ScreenImage(*form, control));
        POINT over = At(&control, control.Width() / 2, control.Height() - 4);
        display.MoveMouse(over.x, over.y);
        RunClock(100);
        looks.push_back(test::ScreenImage(*form, control));
        display.MouseDown();
        RunClock(100);
        looks.push_back(test::ScreenImage(*form, control));
        display.MouseUp();
        RunClock(100);
        MouseAway();
        if (control.CanFocus()) control.SetFocus();
        RunClock(100);
        looks.push_back(test::ScreenImage(*form, control));
        if (parking->CanFocus()) parking->SetFocus();
        control.SetEnabled(false);
        RunClock(100);
        looks.push_back(test::ScreenImage(*form, control));
        control.SetEnabled(true);
        RunClock(100);
        return looks;
    }
    std::vector<std::unique_ptr<TBitmap>> FiveLooks(TGraphicControl& control) {
        std::vector<std::unique_ptr<TBitmap>> looks;
        for (int i = 0; i < 4; ++i) looks.push_back(test::ScreenImage(*form, control));
        control.SetEnabled(false);
        display.PumpMessages();
        looks.push_back(test::ScreenImage(*form, control));
        control.SetEnabled(true);
        return looks;
    }
    // The looks side by side on white, saved for looking at.
    void SaveSheet(const std::string& name, const std::vector<std::unique_ptr<TBitmap>>& looks) {
        int width = kSheetGap, height = 0;
        for (const auto& look : looks) {
            width += look->Width() + kSheetGap;
            height = std::max(height, look->Height());
        }
        auto sheet = test::FilledBitmap(width, height + 2 * kSheetGap, 0xFFFFFFFFu);
        int x = kSheetGap;
        for (const auto& look : looks) {
            for (int y = 0; y < look->Height(); ++y)
                for (int i = 0; i < look->Width(); ++i) PixelAt(*sheet, x + i, kSheetGap + y) = PixelAt(*look, i, y) | 0xFF000000u;
            x += look->Width() + kSheetGap;
        }
        std::filesystem::create_directories(kSheetDir);
        ASSERT_TRUE(SavePng(sheet->Handle(), kSheetDir + name + ".png"));
    }

    TsSkinManager manager;
    TForm* form = nullptr;
    TPanel* parking = nullptr;
};

// The face outside the caption box equals the reference pixel for pixel; the caption is ink of
// the section's font colour.
void ExpectFaceAsReference(TBitmap& shown, int state, RECT captionBox, const char* what) {
    auto reference = test::ReadPngFile("tests/skin/controls/refs/button_" + std::to_string(state) + "_90x30.png");
    ASSERT_TRUE(reference) << "run tools/make_skinned_control_refs.py tests/skin/controls/refs";
    ASSERT_EQ(reference->Width(), shown.Width());
    int differing = 0;
    for (int y = 0; y < shown.Height(); ++y)
        for (int x = 0; x < shown.Width(); ++x) {
            bool inCaption = x >= captionBox.left && x < captionBox.right && y >= captionBox.top && y < captionBox.bottom;
            if (!inCaption) differing += (PixelAt(shown, x, y) & 0xFFFFFF) != (PixelAt(*reference, x, y) & 0xFFFFFF);
        }
    EXPECT_EQ(differing, 0) << what << " state " << state;
    // The internal skin's text colour (32, 38, 46) on its light faces: anti-aliased ink runs
    // from that colour to the face, so dark pixels and a core close to the colour itself.
    int ink = 0, core = 0;
    for (int y = captionBox.top; y < captionBox.bottom; ++y)
        for (int x = captionBox.left; x < captionBox.right; ++x) {
            std::uint32_t p = PixelAt(shown, x, y);
            ink += test::ChannelOf(p, 0) < 110 && test::ChannelOf(p, 1) < 110 && test::ChannelOf(p, 2) < 110;
            core += std::abs(test::ChannelOf(p, 2) - 32) < 12 && std::abs(test::ChannelOf(p, 1) - 38) < 12 &&
                    std::abs(test::ChannelOf(p, 0) - 46) < 12;
        }
    EXPECT_GT(core, 3) << what << " state " << state;
    EXPECT_GT(ink, 20) << what << " state " << state;
}

RECT Grown(RECT r, int d) { return RECT{r.left - d, r.top - d, r.right + d, r.bottom + d}; }

TEST_F(SkinnedControlSheet, BitButton) {
    auto* button = Place<TsBitBtn>("Start", 90, 30);
    auto looks = FiveLooks(*button);
    SaveSheet("bit_button", looks);
    RECT caption = Grown(button->CaptionRect, 2);
    caption.right += 1;
    caption.bottom += 1;  // pressed: moved by (1,1)
    for (int state : {0, 1, 2}) ExpectFaceAsReference(*looks[static_cast<size_t>(state)], state, caption, "bit button");
    ExpectFaceAsReference(*looks[3], 1, caption, "focused bit button");
}

TEST_F(SkinnedControlSheet, Button) {
    auto* button = Place<TsButton>("Select all", 90, 30);
    auto looks = FiveLooks(*button);
    SaveSheet("button", looks);
    RECT caption = Grown(button->CaptionRect(), 2);
    caption.right += 1;
    caption.bottom += 1;
    for (int state : {0, 1, 2}) ExpectFaceAsReference(*looks[static_cast<size_t>(state)], state, caption, "button");
}

TEST_F(SkinnedControlSheet, PanelGroupBoxAndBevel) {
    auto* panel = Place<TsPanel>("Panel", 120, 50);
    SaveSheet("panel", FiveLooks(*panel));
    delete panel;
    auto* box = Place<TsGroupBox>("Output Folder", 160, 70);
    SaveSheet("group_box", FiveLooks(*box));
    delete box;
    auto* bevel = Place<TsBevel>("", 100, 40);
    bevel->SetStyle(bsRaised);
    SaveSheet("bevel", FiveLooks(*bevel));
    for (const char* name : {"panel", "group_box", "bevel"})
        EXPECT_TRUE(std::filesystem::exists(std::string(kSheetDir) + name + ".png"));
}

}  // namespace
}  // namespace parch
