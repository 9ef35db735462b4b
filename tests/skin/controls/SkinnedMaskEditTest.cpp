// The skinned mask edit: the unfocused picture shows the edit text with the mask's literals,
// skinned and unskinned, and printing matches the screen.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/gdi/Blits.h"
#include "platform/win/Compositor.h"
#include "skin/controls/sMaskEdit.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

std::unique_ptr<TBitmap> MaskEditWindowImage(TWinControl* form, TWinControl* control) {
    WindowPixels pixels(form);
    auto image = NewPf32Bitmap(control->Width(), control->Height());
    for (int y = 0; y < control->Height(); ++y)
        for (int x = 0; x < control->Width(); ++x) {
            COLORREF c = pixels.AtWindow(control, x, y);
            test::PixelAt(*image, x, y) = 0xFF000000u | (std::uint32_t{GetRValue(c)} << 16) |
                                          (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c);
        }
    return image;
}

class SkinnedMaskEdit : public FormFixture {
protected:
    void SetUp() override {
        test::LoadInternalSkin(manager);
        form = MakeForm(240, 160);
        Show(form);
    }
    TsMaskEdit* NewMaskEdit(int top, const std::string& mask, const std::string& text, bool skinned) {
        auto* edit = Child<TsMaskEdit>(form, 10, top, 120, 24);
        if (!skinned) edit->SkinData().SetSkinSection("NO SUCH SECTION");
        edit->SetEditMask(mask);
        edit->SetText(text);
        edit->HandleNeeded();
        display.PumpMessages();
        return edit;
    }

    TsSkinManager manager;
    TForm* form = nullptr;
};

TEST_F(SkinnedMaskEdit, UnfocusedPictureShowsTheEditTextWithItsLiterals) {
    for (bool skinned : {true, false}) {
        TsMaskEdit* masked = NewMaskEdit(10, "99/99;1;_", "12", skinned);
        ASSERT_EQ(masked->EditText(), "12/__");
        TsMaskEdit* plain = NewMaskEdit(50, "", "12/__", skinned);
        TsMaskEdit* unmasked = NewMaskEdit(90, "", "12", skinned);
        auto maskedImage = MaskEditWindowImage(form, masked);
        EXPECT_EQ(test::DifferingPixels(*maskedImage, *MaskEditWindowImage(form, plain)), 0) << "skinned " << skinned;
        EXPECT_GT(test::DifferingPixels(*maskedImage, *MaskEditWindowImage(form, unmasked)), 0) << "skinned " << skinned;
        if (skinned) {
            HBITMAP picture = CaptureWindow(form->Handle());
            EXPECT_TRUE(SavePng(picture, "build/mask_edit_contact_sheet.png"));
            DeleteObject(picture);
        }
        delete masked;
        delete plain;
        delete unmasked;
    }
}

TEST_F(SkinnedMaskEdit, PrintMatchesTheScreenAndGivesTheDCBack) {
    TsMaskEdit* edit = NewMaskEdit(10, "999;1;_", "42", true);
    auto screen = MaskEditWindowImage(form, edit);
    auto printed = NewPf32Bitmap(edit->Width(), edit->Height());
    HDC dc = printed->Canvas().Handle();
    IntersectClipRect(dc, 1, 1, edit->Width() - 1, edit->Height() - 1);
    RECT clipBefore{};
    GetClipBox(dc, &clipBefore);
    edit->Perform(WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT);
    RECT clipAfter{};
    GetClipBox(dc, &clipAfter);
    EXPECT_EQ(clipAfter.left, clipBefore.left);
    EXPECT_EQ(clipAfter.right, clipBefore.right);
    SelectClipRgn(dc, nullptr);
    edit->Perform(WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT);
    EXPECT_EQ(test::DifferingPixels(*printed, *screen), 0);
}

}  // namespace
}  // namespace parch
