#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "framework/CustomControls.h"
#include "framework/StdCtrls.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

class TFocusBox : public TCustomControl {
public:
    explicit TFocusBox(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
};

// Text pixels, antialiased edges included.
bool IsInk(COLORREF c) {
    return (c & 0xFF) < 128 && ((c >> 8) & 0xFF) < 128 && ((c >> 16) & 0xFF) < 128;
}

class LabelTest : public FormFixture {
protected:
    TForm* form = nullptr;
    void SetUp() override {
        form = MakeForm(400, 200);
        form->SetColor(clWhite);
    }
    // The rows and columns of the label's rectangle that hold text-coloured pixels.
    struct Ink {
        int rows = 0;
        int lastRow = -1;
        int pixels = 0;
    };
    Ink InkOf(TLabel* label) {
        WindowPixels pixels(form);
        Ink ink;
        for (int y = 0; y < label->Height(); ++y) {
            bool any = false;
            for (int x = 0; x < label->Width(); ++x)
                if (IsInk(pixels.At(label, x, y))) {
                    any = true;
                    ++ink.pixels;
                }
            if (any) {
                ++ink.rows;
                ink.lastRow = y;
            }
        }
        return ink;
    }
};

TEST_F(LabelTest, AutoSizeFitsTheTextAndWordWrapMakesLines) {
    auto* label = Child<TLabel>(form, 10, 10, 10, 10);
    label->Font().SetColor(clBlack);
    label->SetCaption("one two three four");
    int oneLine = label->Height();
    int fullWidth = label->Width();
    EXPECT_GT(fullWidth, 50);
    label->SetWordWrap(true);
    label->SetWidth(fullWidth / 3);
    label->SetCaption("one two three four ");  // measured again at the narrow width
    EXPECT_LE(label->Width(), fullWidth / 3);
    EXPECT_GE(label->Height(), 3 * oneLine);
    // Without AutoSize the text wraps inside the rectangle it has.
    auto* fixed = Child<TLabel>(form, 10, 100, 10, 10);
    fixed->SetAutoSize(false);
    fixed->SetWordWrap(true);
    fixed->SetBounds(10, 100, fullWidth / 3, 4 * oneLine);
    fixed->Font().SetColor(clBlack);
    fixed->SetCaption("one two three four");
    Show(form);
    Ink ink = InkOf(fixed);
    EXPECT_GT(ink.lastRow, 2 * oneLine);
    fixed->SetWordWrap(false);
    display.PumpMessages();
    EXPECT_LT(InkOf(fixed).lastRow, oneLine);
}

TEST_F(LabelTest, TheAcceleratorIsUnderlinedAndItsAmpersandHidden) {
    auto* marked = Child<TLabel>(form, 10, 10, 10, 10);
    auto* plain = Child<TLabel>(form, 10, 60, 10, 10);
    auto* literal = Child<TLabel>(form, 10, 110, 10, 10);
    for (TLabel* l : {marked, plain, literal}) l->Font().SetColor(clBlack);
    marked->SetCaption("&Hello");
    plain->SetCaption("Hello");
    literal->SetShowAccelChar(false);
    literal->SetCaption("&Hello");
    EXPECT_EQ(marked->Width(), plain->Width());
    EXPECT_GT(literal->Width(), plain->Width());
    Show(form);
    Ink withMark = InkOf(marked), without = InkOf(plain);
    // The underline adds pixels on a row of its own below the letters.
    EXPECT_GT(withMark.pixels, without.pixels);
    EXPECT_GT(withMark.lastRow, without.lastRow);
}

TEST_F(LabelTest, AlignmentAndLayoutPlaceTheText) {
    auto* label = Child<TLabel>(form, 10, 10, 10, 10);
    label->Font().SetColor(clBlack);
    label->SetCaption("Hi");
    int textWidth = label->Width();
    int textHeight = label->Height();
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 200, 60);
    Show(form);
    // The ink's bounding box for each placement.
    auto inkBox = [&](TAlignment alignment, TTextLayout layout) {
        label->SetAlignment(alignment);
        label->SetLayout(layout);
        display.PumpMessages();
        WindowPixels pixels(form);
        RECT box{1000, 1000, -1, -1};
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 200; ++x)
                if (IsInk(pixels.At(label, x, y))) {
                    box = {std::min<int>(box.left, x), std::min<int>(box.top, y), std::max<int>(box.right, x + 1),
                           std::max<int>(box.bottom, y + 1)};
                }
        return box;
    };
    RECT topLeft = inkBox(taLeftJustify, tlTop);
    RECT right = inkBox(taRightJustify, tlTop);
    RECT centred = inkBox(taCenter, tlCenter);
    RECT bottom = inkBox(taLeftJustify, tlBottom);
    ASSERT_LT(topLeft.left, textWidth);
    // The same ink, moved as a whole.
    EXPECT_EQ(right.left - topLeft.left, 200 - textWidth);
    EXPECT_EQ(right.top, topLeft.top);
    EXPECT_EQ(centred.left - topLeft.left, (200 - textWidth) / 2);
    EXPECT_EQ(centred.top - topLeft.top, (60 - textHeight) / 2);
    EXPECT_EQ(bottom.left, topLeft.left);
    EXPECT_EQ(bottom.top - topLeft.top, 60 - textHeight);
}

// Disabled text is embossed in the button highlight and shadow colours (greys here), never in
// the font's own colour.
TEST_F(LabelTest, DisabledTextIsEmbossed) {
    auto* label = Child<TLabel>(form, 10, 10, 10, 10);
    label->Font().SetColor(clRed);
    label->SetCaption("Embossed");
    label->SetEnabled(false);
    Show(form);
    WindowPixels pixels(form);
    int greyInk = 0, reddish = 0;
    for (int y = 0; y < label->Height(); ++y)
        for (int x = 0; x < label->Width(); ++x) {
            const COLORREF c = pixels.At(label, x, y);
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            greyInk += r == g && g == b && r < 200;
            reddish += r > g + 40;
        }
    EXPECT_GT(greyInk, 20);
    EXPECT_EQ(reddish, 0);
}

TEST_F(LabelTest, RightAlignedAutoSizeKeepsTheRightEdge) {
    auto* label = Child<TLabel>(form, 10, 10, 10, 10);
    label->SetAlignment(taRightJustify);
    label->SetCaption("x");
    int right = label->Left() + label->Width();
    label->SetCaption("a much longer caption");
    EXPECT_EQ(label->Left() + label->Width(), right);
}

TEST_F(LabelTest, TheAcceleratorFocusesTheFocusControl) {
    auto* box = Child<TFocusBox>(form, 100, 100, 40, 20);
    auto* label = Child<TLabel>(form, 10, 100, 10, 10);
    label->SetCaption("&Name");
    label->SetFocusControl(box);
    Show(form);
    EXPECT_EQ(label->Perform(CM_DIALOGCHAR, 'x'), 0);
    EXPECT_EQ(label->Perform(CM_DIALOGCHAR, 'n'), 1);
    display.PumpMessages();
    EXPECT_TRUE(box->Focused());
    delete box;  // the label forgets it
    EXPECT_EQ(label->FocusControl(), nullptr);
    EXPECT_EQ(label->Perform(CM_DIALOGCHAR, 'n'), 0);
}

TEST(Accelerators, TheCharacterAfterASingleAmpersand) {
    struct Case {
        char16_t key;
        const char* caption;
        bool expected;
    };
    const Case cases[] = {
        {'f', "&File", true}, {'F', "&file", true}, {'i', "&File", false}, {'x', "E&xit", true},
        {'&', "Save && Quit", false}, {'q', "Save && &Quit", true}, {'a', "a&", false}, {'a', "", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsAccel(c.key, c.caption), c.expected) << c.caption;
}

}  // namespace
}  // namespace parch
