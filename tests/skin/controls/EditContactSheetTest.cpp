// The skinned edit and spin edit in the internal skin, one picture per control with a row per
// state (normal, hot, focused, disabled), written into the build folder for people to look at.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/win/Compositor.h"
#include "skin/controls/sSpinEdit.h"
#include "skin/engine/sSkinnedForms.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

class EditContactSheet : public FormFixture {
protected:
    void SetUp() override { test::LoadInternalSkin(manager); }

    // Four of the controls, one per state, on a form of their own; answers the rows.
    template <class T>
    std::vector<T*> Sheet(const std::string& text) {
        form = MakeForm(200, 4 * 34 + 8);
        std::vector<T*> rows;
        for (int i = 0; i < 4; ++i) {
            T* control = Child<T>(form, 8, 8 + 34 * i, 150, 24);
            control->SetText(text);
            rows.push_back(control);
        }
        Show(form);
        POINT hot = rows[1]->ClientToScreen({10, 10});
        display.MoveMouse(hot.x, hot.y);
        rows[2]->SetFocus();
        rows[3]->SetEnabled(false);
        display.PumpMessages();
        for (T* row : rows) row->SkinData().Invalidate();
        display.PumpMessages();
        return rows;
    }
    void Save(const std::string& path) {
        HBITMAP picture = CaptureWindow(form->Handle());
        EXPECT_TRUE(SavePng(picture, path));
        DeleteObject(picture);
    }

    TsSkinManager manager;
    TForm* form = nullptr;
};

TEST_F(EditContactSheet, EditStates) {
    auto rows = Sheet<TsEdit>("Prefix_");
    ASSERT_TRUE(rows[0]->SkinData().IsSkinned());
    auto normal = test::ScreenImage(*form, *rows[0]);
    auto disabled = test::ScreenImage(*form, *rows[3]);
    EXPECT_GT(test::DifferingPixels(*normal, *disabled), 0);
    Save("build/edit_contact_sheet.png");
}

TEST_F(EditContactSheet, SpinEditStates) {
    auto rows = Sheet<TsDecimalSpinEdit>("");
    for (TsDecimalSpinEdit* row : rows) row->SetValue(12.5);
    display.PumpMessages();
    ASSERT_TRUE(rows[0]->SkinData().IsSkinned());
    auto normal = test::ScreenImage(*form, *rows[0]);
    auto disabled = test::ScreenImage(*form, *rows[3]);
    EXPECT_GT(test::DifferingPixels(*normal, *disabled), 0);
    Save("build/spin_edit_contact_sheet.png");
}

}  // namespace
}  // namespace parch
