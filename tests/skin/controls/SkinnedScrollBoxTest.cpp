// The skinned scroll box: the wheel with and without AutoMouseWheel, the scroll notifications
// of the skinned bars, printing into a caller's DC, and its look.

#include <gtest/gtest.h>

#include "platform/display/PngFile.h"
#include "platform/win/Compositor.h"
#include "skin/controls/sScrollBox.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

// A focusable child that takes the wheel or leaves it.
class WheelTaker : public TWinControl {
public:
    explicit WheelTaker(TComponent* owner) : TWinControl(owner) { SetTabStop(true); }
    bool Takes = false;
    int Turns = 0;

protected:
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_MOUSEWHEEL) {
            ++Turns;
            message.Result = Takes ? 1 : 0;
            return;
        }
        TWinControl::WndProc(message);
    }
};

class SkinnedScrollBox : public FormFixture {
protected:
    void SetUp() override {
        test::LoadInternalSkin(manager);
        form = MakeForm(260, 220);
        Show(form);
        box = Child<TsScrollBox>(form, 10, 10, 200, 150);
        box->VertScrollBar().SetIncrement(8);
        child = Child<WheelTaker>(box, 10, 10, 60, 20);
        child->SetParent(box);
        auto* tall = Child<TWinControl>(box, 10, 400, 60, 20);
        tall->SetParent(box);
        box->HandleNeeded();
        display.PumpMessages();
    }

    TsSkinManager manager;
    TForm* form = nullptr;
    TsScrollBox* box = nullptr;
    WheelTaker* child = nullptr;
};

TEST_F(SkinnedScrollBox, AutoMouseWheelGivesTheFocusedControlTheFirstTurn) {
    struct Case {
        bool autoWheel;
        bool childTakes;
        int childTurns;
        int position;  // after one notch down from 40
    };
    const Case cases[] = {
        {true, true, 1, 40},   // the child keeps the turn
        {true, false, 1, 48},  // it leaves it: the box scrolls by one increment
    };
    for (const Case& c : cases) {
        box->SetAutoMouseWheel(c.autoWheel);
        child->SetFocus();
        display.PumpMessages();
        box->VertScrollBar().SetPosition(40);  // after the focus, which scrolls the child into view
        child->Takes = c.childTakes;
        child->Turns = 0;
        int befores = 0;
        int afters = 0;
        box->OnBeforeScroll = [&](TObject*) { ++befores; };
        box->OnAfterScroll = [&](TObject*) { ++afters; };
        POINT over = box->ClientToScreen({100, 100});
        box->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(over.x, over.y));
        EXPECT_EQ(child->Turns, c.childTurns) << c.childTakes;
        EXPECT_EQ(box->VertScrollBar().Position(), c.position) << c.childTakes;
        EXPECT_EQ(befores, c.position != 40 ? 1 : 0);
        EXPECT_EQ(afters, befores);
    }
}

TEST_F(SkinnedScrollBox, ScrollCommandsFrameEveryScroll) {
    std::vector<std::string> calls;
    box->OnBeforeScroll = [&](TObject*) { calls.push_back("before"); };
    box->OnAfterScroll = [&](TObject*) { calls.push_back("after"); };
    box->Perform(SkinCommandMessage, SkinCommandWParam(scScrollNotify1), WM_VSCROLL);
    box->VertScrollBar().SetPosition(16);
    box->Perform(SkinCommandMessage, SkinCommandWParam(scScrollNotify2), WM_VSCROLL);
    EXPECT_EQ(calls, (std::vector<std::string>{"before", "after"}));
}

TEST_F(SkinnedScrollBox, PrintGivesTheCallersDCBack) {
    auto printed = NewPf32Bitmap(box->Width() + 20, box->Height() + 20);
    HDC dc = printed->Canvas().Handle();
    SetViewportOrgEx(dc, 10, 10, nullptr);
    IntersectClipRect(dc, 0, 0, box->Width(), box->Height());
    RECT clipBefore{};
    GetClipBox(dc, &clipBefore);
    box->Perform(WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT);
    POINT origin{};
    RECT clipAfter{};
    GetViewportOrgEx(dc, &origin);
    GetClipBox(dc, &clipAfter);
    EXPECT_EQ(origin.x, 10);
    EXPECT_EQ(origin.y, 10);
    EXPECT_EQ(clipAfter.right, clipBefore.right);
    EXPECT_EQ(clipAfter.bottom, clipBefore.bottom);

    ASSERT_NE(box->ScrollAdapter(), nullptr);
    HBITMAP picture = CaptureWindow(form->Handle());
    EXPECT_TRUE(SavePng(picture, "build/scroll_box_contact_sheet.png"));
    DeleteObject(picture);
}

}  // namespace
}  // namespace parch
