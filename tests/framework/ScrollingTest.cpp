#include <gtest/gtest.h>

#include "framework/CustomControls.h"
#include "framework/Scrolling.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SystemValues.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

class TScrollTestBox : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
};

class ScrollingTest : public FormFixture {
protected:
    TForm* form = nullptr;
    TScrollBox* box = nullptr;

    void SetUp() override {
        form = MakeForm(400, 300);
        form->SetAutoScroll(false);
        box = Child<TScrollBox>(form, 10, 10, 200, 150);
        box->SetBorderStyle(bsNone);
    }
    SCROLLINFO BarInfo(int bar) {
        SCROLLINFO info;
        info.fMask = SIF_ALL;
        GetScrollInfo(box->Handle(), bar, &info);
        return info;
    }
};

TEST_F(ScrollingTest, TheRangeFollowsTheChildrenAndThePositionMovesThem) {
    auto* far = Child<TScrollTestBox>(box, 20, 2000, 50, 100);
    Show(form);
    TControlScrollBar& bar = box->VertScrollBar();
    EXPECT_EQ(bar.Range(), 2100);
    EXPECT_TRUE(bar.IsScrollBarVisible());
    EXPECT_FALSE(box->HorzScrollBar().IsScrollBarVisible());
    int visible = box->ClientHeight();
    struct Case {
        int position;
        int expected;
    };
    const Case cases[] = {{1500, 1500}, {0, 0}, {-10, 0}, {99999, 2100 - visible}, {2100 - visible, 2100 - visible}};
    for (const Case& c : cases) {
        bar.SetPosition(c.position);
        EXPECT_EQ(bar.Position(), c.expected) << c.position;
        EXPECT_EQ(far->Top(), 2000 - c.expected) << c.position;
        EXPECT_EQ(BarInfo(SB_VERT).nPos, c.expected) << c.position;
    }
    // The range stays that of the content however it is scrolled.
    EXPECT_EQ(bar.Range(), 2100);
}

TEST_F(ScrollingTest, DraggingTheThumbScrollsBeyondSixteenBits) {
    // Far more than a 16-bit word holds: only the 32-bit position places the child right.
    auto* far = Child<TScrollTestBox>(box, 0, 199000, 50, 1000);
    Show(form);
    TControlScrollBar& bar = box->VertScrollBar();
    ASSERT_EQ(bar.Range(), 200000);
    int arrow = GetSystemMetrics(SM_CYVSCROLL);
    int x = box->Width() - GetSystemMetrics(SM_CXVSCROLL) / 2;
    POINT grab = At(box, 0, 0);
    grab.x = box->ClientToScreen({0, 0}).x + x;
    grab.y += arrow + 3;
    for (bool tracking : {false, true}) {
        bar.SetPosition(0);
        bar.SetTracking(tracking);
        display.Drag(grab, {grab.x, grab.y + box->Height()}, 6);
        display.PumpMessages();
        int max = 200000 - box->ClientHeight();
        EXPECT_EQ(bar.Position(), max) << tracking;
        EXPECT_EQ(far->Top(), 199000 - max) << tracking;
        EXPECT_EQ(BarInfo(SB_VERT).nPos, max) << tracking;
    }
}

TEST_F(ScrollingTest, ThumbHalfwayAndLineStepsUseTheIncrement) {
    Child<TScrollTestBox>(box, 0, 0, 50, 100000);
    Show(form);
    TControlScrollBar& bar = box->VertScrollBar();
    bar.SetIncrement(30);
    SendMessage(box->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessage(box->Handle(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(bar.Position(), 60);
    SendMessage(box->Handle(), WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(bar.Position(), 30);
    SendMessage(box->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(bar.Position(), 30 + box->ClientHeight());
    SendMessage(box->Handle(), WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(bar.Position(), 100000 - box->ClientHeight());
    SendMessage(box->Handle(), WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(bar.Position(), 0);
}

TEST_F(ScrollingTest, ScrollInViewBringsANestedControlIn) {
    auto* holder = Child<TScrollTestBox>(box, 0, 300, 150, 400);
    auto* deep = Child<TScrollTestBox>(holder, 10, 200, 40, 40);
    auto* wide = Child<TScrollTestBox>(box, 600, 0, 40, 40);
    Show(form);
    box->ScrollInView(deep);  // at 500..540 in the box: its bottom edge comes to the bottom
    EXPECT_EQ(box->VertScrollBar().Position(), 540 - box->ClientHeight());
    EXPECT_EQ(deep->ClientToScreen({0, 40}).y, box->ClientToScreen({0, box->ClientHeight()}).y);
    box->ScrollInView(wide);
    EXPECT_EQ(box->VertScrollBar().Position(), 0);  // its top came back into view
    EXPECT_EQ(box->HorzScrollBar().Position(), 640 - box->ClientWidth());
}

TEST_F(ScrollingTest, FocusingAControlScrollsItIntoView) {
    auto* edit = Child<TScrollTestBox>(box, 0, 1000, 40, 20);
    edit->SetTabStop(true);
    Show(form);
    edit->SetFocus();
    display.PumpMessages();
    EXPECT_EQ(box->VertScrollBar().Position(), 1020 - box->ClientHeight());
}

TEST_F(ScrollingTest, AFixedRangeEndsAutoScroll) {
    Child<TScrollTestBox>(box, 0, 0, 50, 50);
    Show(form);
    EXPECT_FALSE(box->VertScrollBar().IsScrollBarVisible());
    box->VertScrollBar().SetRange(1000);
    EXPECT_FALSE(box->AutoScroll());
    EXPECT_TRUE(box->VertScrollBar().IsScrollBarVisible());
    EXPECT_EQ(BarInfo(SB_VERT).nMax, 999);
    Child<TScrollTestBox>(box, 0, 5000, 50, 50);  // no longer counts
    EXPECT_EQ(box->VertScrollBar().Range(), 1000);
}

TEST_F(ScrollingTest, TheFormScrollsItsChildrenToo) {
    auto* below = Child<TScrollTestBox>(form, 0, 600, 40, 40);
    form->SetAutoScroll(true);
    Show(form);
    EXPECT_TRUE(form->VertScrollBar().IsScrollBarVisible());
    form->VertScrollBar().SetPosition(300);
    EXPECT_EQ(below->Top(), 300);
}

}  // namespace
}  // namespace parch
