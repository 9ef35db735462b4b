#include <gtest/gtest.h>

#include <vector>

#include "framework/Buttons.h"
#include "platform/win/ButtonClass.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

// A bit button that counts the faces the window asked it to draw.
class TCountingBitBtn : public TBitBtn {
public:
    using TBitBtn::TBitBtn;
    std::vector<UINT> states;

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override {
        states.push_back(item.itemState);
        TBitBtn::DrawItem(item);
    }
};

class BitBtnTest : public FormFixture {};

TEST_F(BitBtnTest, KindsGiveCaptionModalResultAndTheDefaultOrCancelRole) {
    struct Case {
        TBitBtnKind kind;
        const char* caption;
        TModalResult result;
        bool isDefault;
        bool isCancel;
    } cases[] = {
        {bkOK, "OK", mrOk, true, false},          {bkCancel, "Cancel", mrCancel, false, true},
        {bkHelp, "&Help", mrNone, false, false},  {bkYes, "&Yes", mrYes, true, false},
        {bkNo, "&No", mrNo, false, true},         {bkClose, "&Close", mrNone, false, false},
        {bkAbort, "Abort", mrAbort, false, false}, {bkRetry, "&Retry", mrRetry, false, false},
        {bkIgnore, "&Ignore", mrIgnore, false, false}, {bkAll, "&All", mrAll, false, false},
    };
    TForm* form = MakeForm(200, 100);
    for (const Case& c : cases) {
        auto* button = Child<TBitBtn>(form, 10, 10, 90, 25);
        button->SetKind(c.kind);
        EXPECT_EQ(button->Caption(), c.caption);
        EXPECT_EQ(button->ModalResult(), c.result);
        EXPECT_EQ(button->Default(), c.isDefault) << c.caption;
        EXPECT_EQ(button->Cancel(), c.isCancel) << c.caption;
        delete button;
    }
}

TEST_F(BitBtnTest, TheWindowIsOwnerDrawnThroughTheControl) {
    TForm* form = MakeForm(200, 100);
    auto* button = Child<TCountingBitBtn>(form, 10, 10, 90, 30);
    button->SetKind(bkCancel);
    Show(form);
    EXPECT_EQ(GetWindowLongPtr(button->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    ASSERT_FALSE(button->states.empty());

    // The red cross of the Cancel glyph is on the face.
    WindowPixels pixels(form);
    bool red = false;
    for (int y = 4; y < 26 && !red; ++y)
        for (int x = 4; x < 45 && !red; ++x) red = pixels.At(button, x, y) == RGB(255, 0, 0);
    EXPECT_TRUE(red);

    // Pressed: drawn again with the selected state.
    button->states.clear();
    POINT p = At(button, 45, 15);
    display.MoveMouse(p.x, p.y);
    display.MouseDown();
    app.ProcessMessages();
    ASSERT_FALSE(button->states.empty());
    EXPECT_TRUE(button->states.back() & ODS_SELECTED);
    display.MouseUp();
    app.ProcessMessages();
    EXPECT_EQ(form->ModalResult(), mrCancel);
}

TEST_F(BitBtnTest, AnOwnGlyphReplacesTheKindsAndIsPlacedByLayout) {
    TForm* form = MakeForm(200, 100);
    auto* button = Child<TBitBtn>(form, 10, 10, 100, 40);
    button->SetKind(bkOK);
    button->Glyph().SetSize(10, 10);
    button->Glyph().Canvas().Brush().SetColor(clBlue);
    button->Glyph().Canvas().FillRect({0, 0, 10, 10});
    button->Glyph().Canvas().SetPixels(0, 9, clOlive);  // the transparent corner
    button->SetLayout(blGlyphRight);
    button->SetMargin(6);
    Show(form);
    WindowPixels pixels(form);
    // Glyph right: its right edge Margin from the face's right edge (face inset by 2).
    EXPECT_EQ(pixels.At(button, 100 - 2 - 6 - 5, 20), RGB(0, 0, 255));
    EXPECT_NE(pixels.At(button, 12, 20), RGB(0, 0, 255));
}

}  // namespace
}  // namespace parch
