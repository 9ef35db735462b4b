// The skinned edit: skin queries, the cached face and text while it is neither focused nor
// hot, printing that matches the screen and leaves the caller's DC alone, the bound label.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/StdCtrls.h"
#include "platform/display/PngFile.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "skin/controls/sEdit.h"
#include "skin/engine/sSkinnedForms.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

constexpr std::uint32_t kEditFace = 0x00C0E0F0;  // BGR as the skin stores it
constexpr std::uint32_t kEditInk = 0x000000C0;   // dark red
constexpr std::uint32_t kEditFormColour = 0x00804000;

// Counts pixels of the window (frame included) in a colour.
int CountWindowPixels(const WindowPixels& pixels, TWinControl* control, COLORREF colour) {
    int count = 0;
    for (int y = 0; y < control->Height(); ++y)
        for (int x = 0; x < control->Width(); ++x) count += pixels.AtWindow(control, x, y) == colour;
    return count;
}

// The whole window of the control as the screen shows it.
std::unique_ptr<TBitmap> WindowImage(TWinControl* form, TWinControl* control) {
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

class SkinnedEdit : public FormFixture {
protected:
    void SetUp() override {
        auto section = test::MakeSection("EDIT", kEditFace, 0);
        section.FontColor = kEditInk;
        section.HotFontColor = kEditInk;
        for (TsGenState& state : section.StateProps) {
            state.FontColor = kEditInk;
            state.TCLeft = state.TCTop = state.TCRight = state.TCBottom = 0xFFFFFFFFu;  // no contour copies
        }
        test::LoadSections(manager, {section, test::MakeSection("FORM", kEditFormColour, 0)});
        form = MakeForm(260, 120);
        form->SetColor(static_cast<TColor>(kEditFormColour));
        Show(form);
    }
    TsEdit* NewEdit(const std::string& text, int top = 10) {
        auto* edit = Child<TsEdit>(form, 10, top, 120, 24);
        edit->SetText(text);
        edit->HandleNeeded();
        display.PumpMessages();
        return edit;
    }

    TsSkinManager manager;
    TForm* form = nullptr;
};

TEST_F(SkinnedEdit, TakesTheEditSectionAndAnswersSkinQueries) {
    TsEdit* edit = NewEdit("x");
    EXPECT_EQ(edit->SkinData().SkinSection(), "EDIT");
    EXPECT_EQ(edit->SkinData().ControlKind, 3);
    EXPECT_EQ(edit->Perform(SkinCommandMessage, SkinCommandWParam(scIsSkinned), 0), 1);
    EXPECT_EQ(edit->Perform(SkinCommandMessage, SkinCommandWParam(scGetApplication), 0),
              reinterpret_cast<LRESULT>(Application));

    // Command 21 answers the own colour only while unskinned.
    edit->SkinData().SetSkinSection("NO SUCH SECTION");
    edit->SetColor(static_cast<TColor>(0x00123456));
    EXPECT_EQ(edit->Perform(SkinCommandMessage, SkinCommandWParam(scGetBackgroundColor), 0), 0x00123456);
}

TEST_F(SkinnedEdit, FaceAndTextComeFromTheSkin) {
    TsEdit* edit = NewEdit("WWWW");
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.AtWindow(edit, edit->Width() / 2, edit->Height() - 4), COLORREF{kEditFace});
    EXPECT_GT(CountWindowPixels(pixels, edit, kEditInk), 4) << "text in the section's font colour";
}

TEST_F(SkinnedEdit, PasswordAndEmptyTextAsTheFaceShowsThem) {
    TsEdit* secret = NewEdit("abc", 10);
    secret->SetPasswordChar(U'*');
    TsEdit* stars = NewEdit("***", 40);
    TsEdit* empty = NewEdit("", 70);
    display.PumpMessages();
    auto secretImage = WindowImage(form, secret);
    auto starsImage = WindowImage(form, stars);
    auto emptyImage = WindowImage(form, empty);
    EXPECT_EQ(test::DifferingPixels(*secretImage, *starsImage), 0) << "one mask character per character";
    EXPECT_GT(test::DifferingPixels(*secretImage, *emptyImage), 0);
    WindowPixels pixels(form);
    EXPECT_EQ(CountWindowPixels(pixels, empty, kEditInk), 0);
}

// A caller printing several windows into one DC relies on getting it back as it gave it.
TEST_F(SkinnedEdit, PrintMatchesTheScreenAndGivesTheDCBack) {
    TsEdit* edit = NewEdit("Print me");
    for (bool focused : {false, true}) {
        if (focused) {
            edit->SetFocus();
            HideCaret(edit->Handle());
        }
        display.PumpMessages();
        auto screen = WindowImage(form, edit);

        auto printed = NewPf32Bitmap(edit->Width() + 20, edit->Height() + 20);
        HDC dc = printed->Canvas().Handle();
        SetViewportOrgEx(dc, 10, 10, nullptr);
        IntersectClipRect(dc, 0, 0, edit->Width(), edit->Height());
        POINT originBefore{};
        RECT clipBefore{};
        GetViewportOrgEx(dc, &originBefore);
        GetClipBox(dc, &clipBefore);

        edit->Perform(WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);

        POINT originAfter{};
        RECT clipAfter{};
        GetViewportOrgEx(dc, &originAfter);
        GetClipBox(dc, &clipAfter);
        EXPECT_EQ(originAfter.x, originBefore.x) << "focused " << focused;
        EXPECT_EQ(originAfter.y, originBefore.y);
        EXPECT_EQ(clipAfter.left, clipBefore.left);
        EXPECT_EQ(clipAfter.top, clipBefore.top);
        EXPECT_EQ(clipAfter.right, clipBefore.right);
        EXPECT_EQ(clipAfter.bottom, clipBefore.bottom);

        SetViewportOrgEx(dc, 0, 0, nullptr);
        auto part = NewPf32Bitmap(edit->Width(), edit->Height());
        BitBlt(part->Canvas().Handle(), 0, 0, edit->Width(), edit->Height(), dc, 10, 10, SRCCOPY);
        EXPECT_EQ(test::DifferingPixels(*part, *screen), 0) << "focused " << focused;
    }
}

TEST_F(SkinnedEdit, DisabledKindDecidesWhetherTheLabelIsDisabledToo) {
    struct Case {
        TsDisabledKind kind;
        bool labelEnabled;
    };
    const Case cases[] = {
        {kDisabledBlended, false},
        {kDisabledBlended | kDisabledGrayed, false},
        {kDisabledGrayed, true},
        {0, true},
    };
    for (const Case& c : cases) {
        TsEdit* edit = NewEdit("x", 40);
        edit->BoundLabel().SetCaption("Name");
        edit->BoundLabel().SetActive(true);
        ASSERT_NE(edit->BoundLabel().Label(), nullptr);
        edit->SetDisabledKind(c.kind);
        edit->SetEnabled(false);
        EXPECT_EQ(edit->BoundLabel().Label()->Enabled(), c.labelEnabled) << c.kind;
        delete edit;
    }
}

TEST_F(SkinnedEdit, SuspendedPaintingLeavesTheScreenAsItWas) {
    TsEdit* edit = NewEdit("before");
    auto before = WindowImage(form, edit);
    AnimationInProgress = true;
    edit->SetText("after, changed");
    edit->Invalidate();
    display.PumpMessages();
    auto during = WindowImage(form, edit);
    RECT pending{};
    EXPECT_FALSE(GetUpdateRect(edit->Handle(), &pending, 0)) << "WM_PAINT validates";
    AnimationInProgress = false;
    EXPECT_EQ(test::DifferingPixels(*before, *during), 0);
    edit->SkinData().Invalidate();
    display.PumpMessages();
    auto after = WindowImage(form, edit);
    EXPECT_GT(test::DifferingPixels(*before, *after), 0);
}

TEST_F(SkinnedEdit, SkinCommandsOfAnotherManagerLeaveTheEditAlone) {
    TsEdit* edit = NewEdit("x");
    TsSkinManager other;
    edit->SkinData().BackgroundDirty = false;
    for (int command : {scSkinLoaded, scSkinRemoved, scRefreshFromSkin}) {
        edit->Perform(SkinCommandMessage, SkinCommandWParam(command), reinterpret_cast<LPARAM>(&other));
        EXPECT_TRUE(edit->SkinData().IsSkinned()) << command;
        EXPECT_EQ(edit->SkinData().SkinSection(), "EDIT");
    }
    // From its own manager, a removed skin reaches the skin data.
    edit->Perform(SkinCommandMessage, SkinCommandWParam(scRefreshFromSkin), reinterpret_cast<LPARAM>(&manager));
    EXPECT_TRUE(edit->SkinData().BackgroundDirty);
}

}  // namespace
}  // namespace parch
