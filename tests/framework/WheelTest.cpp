#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/CustomControls.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

// A focusable box that records the wheel turns it is given and handles them when told to.
class TWheelBox : public TCustomControl {
public:
    explicit TWheelBox(TComponent* owner) : TCustomControl(owner) {
        SetControlStyle(ControlStyle() | csAcceptsControls);
        SetTabStop(true);
        OnMouseWheel = [this](TObject*, TShiftState, int delta, POINT, bool& handled) {
            turns.push_back(delta);
            handled = handles;
        };
    }
    std::vector<int> turns;
    bool handles = true;
};

class WheelTest : public FormFixture {
protected:
    TForm* form = nullptr;
    TWheelBox* outer = nullptr;
    TWheelBox* inner = nullptr;
    TWheelBox* other = nullptr;

    void SetUp() override {
        form = MakeForm(300, 200);
        outer = Child<TWheelBox>(form, 10, 10, 200, 150);
        inner = Child<TWheelBox>(outer, 10, 10, 50, 50);
        other = Child<TWheelBox>(form, 220, 10, 50, 50);
        Show(form);
        inner->SetFocus();
        display.PumpMessages();
    }
    void Turn(const std::vector<int>& deltas) {
        for (int delta : deltas) display.Wheel(delta);
        display.PumpMessages();
    }
};

TEST_F(WheelTest, FineMotionReachesTheWindowInWholeSteps) {
    struct Case {
        std::vector<int> motion;
        std::vector<int> delivered;
    };
    const Case cases[] = {
        {{30, 30, 30, 30}, {120}},
        {{-60, -60, -60}, {-120}},
        {{40, -20, 100}, {120}},     // back and forth adds up
        {{90, 90, 90, 90}, {120, 120, 120}},  // the rest of one turn goes into the next
        {{119}, {}},
        {{240}, {240}},
        {{1, -1, 120}, {120}},
    };
    for (const Case& c : cases) {
        inner->turns.clear();
        Turn(c.motion);
        EXPECT_EQ(inner->turns, c.delivered) << "after " << c.motion.size() << " turns";
        // A turn for another window drops what is left, so the next case starts from nothing.
        other->SetFocus();
        Turn({0});
        inner->SetFocus();
        display.PumpMessages();
    }
}

TEST_F(WheelTest, TheRestIsDroppedWhenTheTargetChanges) {
    Turn({60});
    other->SetFocus();
    Turn({60});
    EXPECT_TRUE(other->turns.empty());
    Turn({60});
    EXPECT_EQ(other->turns, (std::vector<int>{120}));
    EXPECT_TRUE(inner->turns.empty());
}

TEST_F(WheelTest, AHugeTurnArrivesWhole) {
    Turn({120 * 400});
    int sum = 0;
    for (int delta : inner->turns) {
        EXPECT_LE(delta, 32767);
        sum += delta;
    }
    EXPECT_EQ(sum, 120 * 400);
}

TEST_F(WheelTest, AnUnhandledTurnGoesUpToTheParentsOnce) {
    std::vector<int> formTurns;
    form->OnMouseWheel = [&](TObject*, TShiftState, int delta, POINT, bool&) { formTurns.push_back(delta); };
    inner->handles = false;
    outer->handles = true;
    Turn({-120});
    EXPECT_EQ(inner->turns, (std::vector<int>{-120}));
    EXPECT_EQ(outer->turns, (std::vector<int>{-120}));
    EXPECT_TRUE(formTurns.empty());

    outer->handles = false;
    Turn({120});
    EXPECT_EQ(outer->turns.size(), 2u);
    EXPECT_EQ(formTurns, (std::vector<int>{120}));  // once, though each window passes it on

    inner->handles = true;
    Turn({120});
    EXPECT_EQ(outer->turns.size(), 2u);
    EXPECT_EQ(formTurns.size(), 1u);
}

TEST_F(WheelTest, UpAndDownStepsKeepTheFractionForTheNextTurn) {
    struct Case {
        std::vector<int> deltas;
        int ups;
        int downs;
    };
    const Case cases[] = {
        {{60, 60}, 1, 0},
        {{-40, -40, -40}, 0, 1},
        {{360}, 3, 0},
        {{100, 100, -80}, 1, 0},
        {{50}, 0, 0},
    };
    for (const Case& c : cases) {
        auto* box = Child<TWheelBox>(form, 0, 0, 10, 10);
        box->OnMouseWheel = nullptr;
        int ups = 0, downs = 0;
        box->OnMouseWheelUp = [&](TObject*, TShiftState, POINT, bool& handled) { ++ups, handled = true; };
        box->OnMouseWheelDown = [&](TObject*, TShiftState, POINT, bool& handled) { ++downs, handled = true; };
        for (int delta : c.deltas) box->Perform(CM_MOUSEWHEEL, MouseWheelWParam(0, delta), 0);
        EXPECT_EQ(ups, c.ups) << c.deltas.size();
        EXPECT_EQ(downs, c.downs) << c.deltas.size();
        delete box;
    }
}

TEST_F(WheelTest, TheFormGivesTheTurnToItsActiveControlWhereverItArrives) {
    EXPECT_EQ(form->ActiveControl(), inner);
    form->Perform(WM_MOUSEWHEEL, MAKELONG(0, static_cast<WORD>(static_cast<SHORT>(-240))), 0);
    EXPECT_EQ(inner->turns, (std::vector<int>{-240}));
}

}  // namespace
}  // namespace parch
