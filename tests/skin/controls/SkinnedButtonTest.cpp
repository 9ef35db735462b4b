// The skinned push buttons: glyph and caption layout, the state a button shows under the mouse
// and the keyboard, the focus frame, press and hover fades on the virtual clock, the region of
// masks with cut corners, and the per-state images of TsButton.

#include <gtest/gtest.h>

#include "platform/gdi/Regions.h"
#include "skin/controls/sBitBtn.h"
#include "skin/engine/sPaintHelpers.h"
#include "skin/controls/sButton.h"
#include "skin/engine/sMaskData.h"
#include "skin/engine/sPixelBlend.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

TEST(ButtonLayout, PlacesGlyphAndCaptionByLayoutAlignmentMarginAndSpacing) {
    const RECT client{0, 0, 100, 30};
    const SIZE glyph{16, 16};
    const SIZE text{40, 13};
    struct Case {
        const char* what;
        TButtonLayout layout;
        TAlignment alignment;
        int margin;
        int spacing;
        SIZE text;
        POINT glyphPos;
        RECT textBounds;
    };
    const Case cases[] = {
        // One block of 16 + 6 + 40 centred: (100 - 62) / 2 = 19.
        {"centred block", blGlyphLeft, taCenter, -1, 6, text, {19, 7}, {41, 9, 81, 22}},
        {"left justified", blGlyphLeft, taLeftJustify, 4, 6, text, {4, 7}, {26, 9, 66, 22}},
        {"right justified", blGlyphLeft, taRightJustify, 4, 6, text, {34, 7}, {56, 9, 96, 22}},
        {"glyph right", blGlyphRight, taCenter, -1, 6, text, {65, 7}, {19, 9, 59, 22}},
        // Without a caption the spacing is dropped.
        {"glyph alone", blGlyphLeft, taCenter, -1, 6, {0, 0}, {42, 7}, {58, 15, 58, 15}},
        // Margin and spacing both automatic: a third each of the free 44.
        {"spread", blGlyphLeft, taLeftJustify, -1, -1, text, {14, 7}, {44, 9, 84, 22}},
        {"glyph on top", blGlyphTop, taCenter, -1, 2, {40, 10}, {42, 1}, {30, 19, 70, 29}},
    };
    for (const Case& c : cases) {
        POINT glyphPos{};
        RECT textBounds{};
        CalcButtonLayout(client, glyph, c.text, static_cast<int>(c.layout), static_cast<int>(c.alignment), c.margin,
                         c.spacing, glyphPos, textBounds, 0);
        EXPECT_EQ(glyphPos.x, c.glyphPos.x) << c.what;
        EXPECT_EQ(glyphPos.y, c.glyphPos.y) << c.what;
        EXPECT_EQ(textBounds.left, c.textBounds.left) << c.what;
        EXPECT_EQ(textBounds.top, c.textBounds.top) << c.what;
        EXPECT_EQ(textBounds.right, c.textBounds.right) << c.what;
        EXPECT_EQ(textBounds.bottom, c.textBounds.bottom) << c.what;
    }
    // Right to left mirrors the sides.
    POINT glyphPos{};
    RECT textBounds{};
    CalcButtonLayout(client, glyph, text, static_cast<int>(blGlyphLeft), static_cast<int>(taCenter), -1, 6, glyphPos,
                     textBounds, 2);
    EXPECT_GT(glyphPos.x, textBounds.left);
}

class SkinnedButtons : public FormFixture {
protected:
    void SetUp() override {
        auto button = test::MakeSection("BUTTON", 0x404040, 0);
        button.StateCount = 3;
        button.HotColor = 0xC0C0C0;
        button.ShowFocus = true;
        button.FontColor = 0xFFFFFF;
        button.HotFontColor = 0x000000;
        auto fading = button;
        fading.SectionName = "FADEBUTTON";
        fading.FadingEnabled = true;
        fading.FadingIterations = 5;
        test::LoadSections(manager, {button, fading});
        form = MakeForm(300, 200);
        Show(form);
    }
    template <class T>
    T* NewButton(RECT bounds, const std::string& caption = "Start") {
        auto* b = Child<T>(form, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        b->SetText(caption);
        display.PumpMessages();
        return b;
    }
    void RunClock(int ms) {
        for (int t = 0; t < ms; t += 10) {
            display.AdvanceTime(10);
            display.PumpMessages();
        }
    }

    TsSkinManager manager;
    TForm* form = nullptr;
};

TEST_F(SkinnedButtons, BlendIsStoredWithinPercent) {
    auto* button = NewButton<TsBitBtn>(RECT{10, 10, 90, 40});
    const std::pair<int, int> cases[] = {{150, 100}, {-5, 0}, {40, 40}};
    for (auto [set, stored] : cases) {
        button->SetBlend(set);
        EXPECT_EQ(button->Blend(), stored) << set;
    }
}

TEST_F(SkinnedButtons, StateFollowsMouseKeyboardAndDefault) {
    auto* button = NewButton<TsBitBtn>(RECT{10, 10, 90, 40});
    auto* other = NewButton<TsBitBtn>(RECT{100, 10, 180, 40}, "Other");
    EXPECT_EQ(button->SkinData().SkinSection(), "BUTTON");
    EXPECT_EQ(button->CurrentState(), 0);

    display.MoveMouse(At(button, 20, 10).x, At(button, 20, 10).y);
    display.PumpMessages();
    EXPECT_EQ(button->CurrentState(), 1) << "under the mouse";

    display.MouseDown();
    display.PumpMessages();
    EXPECT_EQ(button->CurrentState(), 2) << "pressed";

    // Dragged off while held: no longer pressed.
    display.MoveMouse(At(button, 20, 60).x, At(button, 20, 60).y);
    display.PumpMessages();
    EXPECT_NE(button->CurrentState(), 2);
    display.MouseUp();
    display.PumpMessages();

    display.MoveMouse(At(other, 20, 10).x, At(other, 20, 10).y);
    display.PumpMessages();
    other->SetDefault(true);
    other->SetFocus();
    button->SetFocus();
    display.PumpMessages();
    EXPECT_EQ(button->CurrentState(), 1) << "focused";

    button->SetDown(true);
    EXPECT_EQ(button->CurrentState(), 2) << "Down";
}

TEST_F(SkinnedButtons, FocusFrameOnlyWithShowFocus) {
    auto* button = NewButton<TsBitBtn>(RECT{10, 10, 90, 40});
    button->SetFocus();
    display.PumpMessages();
    auto images = [&](bool showFocus) {
        button->SetShowFocus(showFocus);
        button->SkinData().BackgroundDirty = true;
        button->PrepareCache();
        auto copy = NewPf32Bitmap(button->Width(), button->Height());
        copy->Canvas().CopyRect(RECT{0, 0, button->Width(), button->Height()}, button->SkinData().CacheBitmap->Canvas(),
                                RECT{0, 0, button->Width(), button->Height()});
        return copy;
    };
    auto withFrame = images(true);
    auto without = images(false);
    // The dotted frame lies around the caption: black dots where the face is light grey.
    int dots = 0;
    for (int y = 0; y < button->Height(); ++y)
        for (int x = 0; x < button->Width(); ++x)
            dots += (PixelAt(*withFrame, x, y) & 0xFFFFFF) == 0 && (PixelAt(*without, x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(dots, 10);
    button->SetShowFocus(true);
    button->SetEnabled(false);
    auto disabled = images(true);
    int disabledDots = 0;
    for (int y = 0; y < button->Height(); ++y)
        for (int x = 0; x < button->Width(); ++x) disabledDots += (PixelAt(*disabled, x, y) & 0xFFFFFF) == 0;
    EXPECT_EQ(disabledDots, 0) << "a disabled button shows no focus frame";
}

TEST_F(SkinnedButtons, HoverFadeShowsBlendsOfTheTwoLooks) {
    auto* button = NewButton<TsBitBtn>(RECT{10, 10, 90, 40}, "");
    button->SkinData().SetSkinSection("FADEBUTTON");
    display.PumpMessages();
    auto normal = test::ScreenImage(*form, *button);
    ASSERT_EQ(PixelAt(*normal, 40, 15) & 0xFFFFFF, 0x404040u);

    display.MoveMouse(At(button, 40, 15).x, At(button, 40, 15).y);
    display.PumpMessages();
    ASSERT_NE(button->FadeTimer(), nullptr);
    auto hot = NewPf32Bitmap(button->Width(), button->Height());
    hot->Canvas().CopyRect(RECT{0, 0, button->Width(), button->Height()}, button->SkinData().CacheBitmap->Canvas(),
                           RECT{0, 0, button->Width(), button->Height()});
    for (int alpha : {204, 153, 102, 51, 0}) {
        RunClock(10);
        auto expected = NewPf32Bitmap(button->Width(), button->Height());
        expected->Canvas().CopyRect(RECT{0, 0, button->Width(), button->Height()}, normal->Canvas(),
                                    RECT{0, 0, button->Width(), button->Height()});
        BlendBitmaps(*expected, *hot, alpha);
        auto shown = test::ScreenImage(*form, *button);
        EXPECT_EQ(test::DifferingPixels(*shown, *expected), 0) << "A = " << alpha;
    }
    RunClock(30);
    EXPECT_EQ(button->FadeTimer(), nullptr);
    EXPECT_EQ(FadeTimerCount, 0);
}

TEST_F(SkinnedButtons, PressAndReleaseRestoreHintsAndEndInTheHotLook) {
    auto* button = NewButton<TsBitBtn>(RECT{10, 10, 90, 40});
    button->SkinData().SetSkinSection("FADEBUTTON");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    app.ShowHint = true;
    POINT p = At(button, 40, 15);
    display.MoveMouse(p.x, p.y);
    RunClock(100);
    display.MouseDown();
    display.PumpMessages();
    EXPECT_TRUE(app.ShowHint);
    display.MouseUp();
    RunClock(200);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(app.ShowHint);
    EXPECT_EQ(button->FadeTimer(), nullptr);
    auto shown = test::ScreenImage(*form, *button);
    // Exactly the hot look: the fade's last blend is a level off by rounding, so the button
    // shows its cache once the fade is over.
    EXPECT_EQ(PixelAt(*shown, 3, 3) & 0xFFFFFF, 0xC0C0C0u) << "hot after the release";
}

TEST_F(SkinnedButtons, MaskWithCutCornersGivesTheButtonAWindowRegion) {
    TsMaskData mask = test::MakeMask(manager, "BUTTON", "BORDERSMASK", 12, 4, 2);
    mask.CornerKind = 2;
    mask.FrameCount = 3;
    // Magenta corner pixel in every state frame.
    for (int frame = 0; frame < 3; ++frame) PixelAt(*mask.Picture, frame * 4, 0) = 0xFFFF00FFu;
    manager.Tables().Masks.push_back(std::move(mask));
    manager.Tables().Sections[0].BordersMaskIdx = static_cast<int>(manager.Tables().Masks.size()) - 1;
    auto* button = NewButton<TsBitBtn>(RECT{10, 10, 90, 40});
    button->SkinData().UpdateIndexes();
    button->Invalidate();
    display.PumpMessages();
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(button->Handle(), region), 0);
    EXPECT_FALSE(PtInRegion(region, 0, 0)) << "the cut corner";
    EXPECT_TRUE(PtInRegion(region, 40, 15));
    EXPECT_TRUE(PtInRegion(region, 1, 1));
    DeleteObject(region);
}

TEST_F(SkinnedButtons, ButtonImagesFollowTheStateAndFallBack) {
    TImageList images(&app);
    images.SetWidth(16);
    images.SetHeight(16);
    for (int i = 0; i < 3; ++i) {
        TBitmap picture(16, 16, pf24bit);
        images.Add(&picture, nullptr);
    }
    auto* button = NewButton<TsButton>(RECT{10, 10, 110, 70});
    button->SetImages(&images);
    button->SetImageIndex(0);
    EXPECT_EQ(button->ImageIndexForState(), 0);
    button->SetFocus();
    display.PumpMessages();
    EXPECT_EQ(button->ImageIndexForState(), 0) << "SelectedImageIndex -1 falls back";
    button->SelectedImageIndex = 2;
    EXPECT_EQ(button->ImageIndexForState(), 2);
    button->SetEnabled(false);
    button->DisabledImageIndex = 7;  // outside the list
    EXPECT_EQ(button->ImageIndexForState(), 0);
}

TEST_F(SkinnedButtons, CaptionAndImageBelowAnImageOnTop) {
    TImageList images(&app);
    images.SetWidth(16);
    images.SetHeight(16);
    TBitmap picture(16, 16, pf24bit);
    images.Add(&picture, nullptr);
    auto* button = NewButton<TsButton>(RECT{10, 10, 110, 70}, "Go");
    button->SetImages(&images);
    button->SetImageIndex(0);
    button->SetImageAlignment(iaTop);
    button->ImageMargins().SetMargin(1, 4);
    RECT caption = button->CaptionRect();
    RECT image = button->ImageRect();
    int captionHeight = caption.bottom - caption.top;
    // 32 = top margin 4 + twice the content margin 6 + image height 16.
    EXPECT_EQ(caption.top, 32 + (60 - 6 - 32 - captionHeight) / 2);
    EXPECT_EQ(image.top, 10);
}

TEST_F(SkinnedButtons, ImageMarginsAssignCopiesAllAndChangesOnce) {
    TImageMargins from;
    from.SetMargin(0, 1);
    from.SetMargin(1, 2);
    from.SetMargin(2, 3);
    from.SetMargin(3, 4);
    TImageMargins to;
    int changes = 0;
    to.OnChange = [&] { ++changes; };
    to.Assign(from);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(to.Left() + to.Top() * 10 + to.Right() * 100 + to.Bottom() * 1000, 4321);
}

}  // namespace
}  // namespace parch
