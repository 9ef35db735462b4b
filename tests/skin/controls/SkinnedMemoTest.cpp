// The skinned memo: its window carries a scroll adapter while skinned and gets its native
// look back with a new window when the skin goes; scroll notifications.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/win/Compositor.h"
#include "skin/controls/sMemo.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

class SkinnedMemo : public FormFixture {
protected:
    void SetUp() override {
        test::LoadInternalSkin(manager);
        form = MakeForm(220, 200);
        Show(form);
    }
    TsMemo* NewMemo(int top) {
        auto* memo = Child<TsMemo>(form, 10, top, 180, 80);
        memo->SetScrollBars(ssVertical);
        memo->Lines().SetText("one\ntwo\nthree\nfour\nfive\nsix\nseven\neight\nnine\nten");
        memo->HandleNeeded();
        display.PumpMessages();
        return memo;
    }

    TsSkinManager manager;
    TForm* form = nullptr;
};

TEST_F(SkinnedMemo, SkinGoingGivesTheWindowItsNativeLookBack) {
    TsMemo* memo = NewMemo(10);
    EXPECT_EQ(memo->SkinData().SkinSection(), "EDIT");
    EXPECT_EQ(memo->SkinData().ControlKind, 7);
    ASSERT_NE(memo->ScrollAdapter(), nullptr);
    HWND before = memo->Handle();

    TsSkinManager other;
    memo->Perform(SkinCommandMessage, SkinCommandWParam(scSkinRemoved), reinterpret_cast<LPARAM>(&other));
    EXPECT_NE(memo->ScrollAdapter(), nullptr) << "another manager's skin is none of its business";

    memo->Perform(SkinCommandMessage, SkinCommandWParam(scSkinRemoved), reinterpret_cast<LPARAM>(&manager));
    EXPECT_EQ(memo->ScrollAdapter(), nullptr);
    memo->HandleNeeded();
    EXPECT_NE(memo->Handle(), before) << "a new window";
    EXPECT_EQ(memo->Lines().Count(), 10) << "the text survives";
}

TEST_F(SkinnedMemo, OnlyVerticalScrollingIsReported) {
    TsMemo* memo = NewMemo(10);
    int vertical = 0;
    memo->OnVScroll = [&](TObject*) { ++vertical; };
    struct Case {
        UINT msg;
        int expected;
    };
    for (const Case& c : {Case{WM_VSCROLL, 1}, Case{WM_HSCROLL, 0}}) {
        vertical = 0;
        memo->Perform(c.msg, SB_LINEDOWN, 0);
        EXPECT_EQ(vertical, c.expected) << c.msg;
    }
}

TEST_F(SkinnedMemo, ContactSheet) {
    TsMemo* normal = NewMemo(10);
    TsMemo* disabled = NewMemo(100);
    disabled->SetEnabled(false);
    normal->SetFocus();
    display.PumpMessages();
    HBITMAP picture = CaptureWindow(form->Handle());
    EXPECT_TRUE(SavePng(picture, "build/memo_contact_sheet.png"));
    DeleteObject(picture);
    EXPECT_NE(normal->ScrollAdapter(), nullptr);
}

}  // namespace
}  // namespace parch
