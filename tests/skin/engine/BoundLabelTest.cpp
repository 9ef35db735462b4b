// The caption label bound to an edit: its text and name, its place by layout, and the font
// set before it exists.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/display/HeadlessDisplay.h"
#include "skin/engine/sBoundLabel.h"
#include "skin/engine/sCommonData.h"

namespace parch {
namespace {

class BoundLabel : public ::testing::Test {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 400, 300);
        form.Show();
        edit->SetParent(&form);
        edit->SetName("Edit1");
        edit->SetBounds(100, 100, 120, 21);
    }

    HeadlessDisplay display;
    TApplication app;
    TForm form{&app};
    TEdit* edit = new TEdit(&form);
    TsCommonData data{edit, false};
    TsBoundLabel bound{data};
};

TEST_F(BoundLabel, ActivatingShowsTheControlsNameBesideIt) {
    bound.SetActive(true);
    TCustomLabel* label = bound.Label();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), "Edit1");
    EXPECT_EQ(label->Name(), "Edit1Label");
    EXPECT_EQ(label->Parent(), &form);
    EXPECT_EQ(label->FocusControl(), edit);
    EXPECT_EQ(label->Alignment(), taRightJustify);
    EXPECT_EQ(label->Left(), 100 - label->Width() - 4);
    EXPECT_EQ(label->Top(), 100 + (21 - label->Height()) / 2 - 1);
    bound.SetActive(false);
    EXPECT_EQ(bound.Label(), nullptr);
}

TEST_F(BoundLabel, LayoutsPlaceTheLabelAroundTheControl) {
    bound.SetCaption("Name");
    bound.SetIndent(2);
    bound.SetActive(true);
    TCustomLabel& label = *bound.Label();
    struct Case {
        TsCaptionLayout layout;
        int left;
        int top;
    };
    int lw = label.Width();
    int lh = label.Height();
    const Case cases[] = {
        {sclTopLeft, 100, 100 - lh - 2},
        {sclTopCenter, 100 + (120 - lw) / 2, 100 - lh - 2},
        {sclTopRight, 220 - lw, 100 - lh - 2},
        {sclLeftTop, 100 - lw - 2 - 4, 103},
        {sclBottomLeft, 100, 121 + 2},
        {sclBottomCenter, 100 + (120 - lw) / 2, 123},
        {sclBottomRight, 220 - lw, 123},
    };
    for (const Case& c : cases) {
        bound.SetLayout(c.layout);
        EXPECT_EQ(label.Left(), c.left) << c.layout;
        EXPECT_EQ(label.Top(), c.top) << c.layout;
    }
    EXPECT_EQ(label.Alignment(), taRightJustify);
    bound.SetLayout(sclBottomCenter);
    EXPECT_EQ(label.Alignment(), taCenter);

    bound.SetMaxWidth(30);
    EXPECT_EQ(label.Width(), 30);
    EXPECT_TRUE(label.WordWrap());
    EXPECT_GE(label.Height(), 21);
}

TEST_F(BoundLabel, AFontSetBeforeTheLabelIsNotKept) {
    TFont big;
    big.SetSize(30);
    bound.SetFont(big);
    bound.SetActive(true);
    EXPECT_NE(bound.Font().Size(), 30);
    bound.SetFont(big);
    EXPECT_EQ(bound.Label()->Font().Size(), 30);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// An edit that keeps its skin data and bound label, as the skinned edits do.
class BoundEdit : public TEdit {
public:
    explicit BoundEdit(TComponent* owner) : TEdit(owner) {}
    TsCommonData data{this, false};
    TsBoundLabel bound{data};
};

// The label is a child of the control's parent, which frees its children: a label freed first
// is let go of, not freed again when the control goes (the sanitizer build sees a second free).
TEST(BoundLabelOwnership, LabelFreedElsewhereIsLetGo) {
    HeadlessDisplay display;
    TApplication app;
    TForm form{&app};
    auto* holder = new TForm(&form);
    holder->SetParent(&form);
    auto* edit = new BoundEdit(holder);
    edit->SetParent(holder);
    edit->SetName("Edit2");

    edit->bound.SetActive(true);
    ASSERT_NE(edit->bound.Label(), nullptr);
    delete edit->bound.Label();
    EXPECT_EQ(edit->bound.Label(), nullptr);
    edit->bound.PlaceLabel();

    edit->bound.SetActive(false);
    edit->bound.SetActive(true);  // a new label, added to the parent after the edit
    ASSERT_NE(edit->bound.Label(), nullptr);
    EXPECT_EQ(edit->bound.Label()->Parent(), holder);
    delete holder;  // frees the label, then the edit with its bound label
}

}  // namespace
}  // namespace parch
