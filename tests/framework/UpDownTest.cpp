#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/StdCtrls.h"
#include "framework/UpDown.h"
#include "platform/display/PngFile.h"
#include "platform/win/TrackBarClass.h"
#include "platform/win/UpDownClass.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

class UpDownTest : public FormFixture {
protected:
    TForm* form = nullptr;
    TEdit* edit = nullptr;
    TUpDown* upDown = nullptr;
    std::vector<TUDBtnType> clicked;

    void MakeSpin(int min, int max, int position) {
        form = MakeForm(200, 80);
        edit = Child<TEdit>(form, 10, 10, 80, 22);
        upDown = Child<TUpDown>(form, 100, 10, 17, 22);
        upDown->SetMin(min);
        upDown->SetMax(max);
        upDown->SetPosition(position);
        upDown->SetAssociate(edit);
        upDown->OnClick = [this](TObject*, TUDBtnType button) { clicked.push_back(button); };
        Show(form);
    }
    // Presses and lets go of the upper (up) or lower (down) arrow.
    void ClickArrow(bool up) {
        display.AdvanceTime(2000);  // a single click each time, never a double one
        POINT p = At(upDown, upDown->Width() / 2, up ? 3 : upDown->Height() - 3);
        display.Click(p.x, p.y);
        display.PumpMessages();
    }
};

TEST_F(UpDownTest, ArrowsStepThePositionShownInTheAssociate) {
    MakeSpin(0, 3, 1);
    // The arrows sit at the right of their associate, which shows the position.
    EXPECT_EQ(upDown->Left(), edit->Left() + edit->Width());
    EXPECT_EQ(edit->Text(), "1");

    ClickArrow(true);
    ClickArrow(true);
    EXPECT_EQ(upDown->Position(), 3);
    EXPECT_EQ(edit->Text(), "3");
    // At the top nothing moves and no click is told.
    ClickArrow(true);
    EXPECT_EQ(upDown->Position(), 3);
    ClickArrow(false);
    EXPECT_EQ(upDown->Position(), 2);
    EXPECT_EQ(clicked, (std::vector<TUDBtnType>{btNext, btNext, btPrev}));

    // Set from code: kept in the range and shown, nobody told.
    upDown->SetPosition(99);
    EXPECT_EQ(upDown->Position(), 3);
    EXPECT_EQ(edit->Text(), "3");
    EXPECT_EQ(clicked.size(), 3u);
}

TEST_F(UpDownTest, OnChangingMayRefuseAStepAndSeesWhereItWouldGo) {
    MakeSpin(0, 10, 5);
    upDown->SetIncrement(2);
    std::vector<std::pair<int, TUpDownDirection>> asked;
    bool allow = false;
    upDown->OnChangingEx = [&](TObject*, bool& allowChange, int newValue, TUpDownDirection direction) {
        asked.emplace_back(newValue, direction);
        allowChange = allow;
    };
    int plainAsked = 0;
    upDown->OnChanging = [&](TObject*, bool&) { ++plainAsked; };
    ClickArrow(true);
    EXPECT_EQ(upDown->Position(), 5);
    EXPECT_TRUE(clicked.empty());
    EXPECT_EQ(plainAsked, 0);  // a refusal ends the asking
    allow = true;
    ClickArrow(false);
    EXPECT_EQ(upDown->Position(), 3);
    EXPECT_EQ(asked, (std::vector<std::pair<int, TUpDownDirection>>{{7, updUp}, {3, updDown}}));
    EXPECT_EQ(plainAsked, 1);
    EXPECT_EQ(clicked, (std::vector<TUDBtnType>{btPrev}));
}

TEST_F(UpDownTest, AWrappingStepOverTheTopIsStillAStepUp) {
    MakeSpin(0, 2, 2);
    upDown->SetWrap(true);
    ClickArrow(true);
    EXPECT_EQ(upDown->Position(), 0);
    EXPECT_EQ(edit->Text(), "0");
    EXPECT_EQ(clicked, (std::vector<TUDBtnType>{btNext}));
}

using TrackBarTest = FormFixture;

TEST_F(TrackBarTest, PositionStaysInTheRangeAndMovesReachOnChange) {
    TForm* form = MakeForm(240, 80);
    auto* track = Child<TTrackBar>(form, 10, 10, 200, 45);
    track->SetRange(0, 20);
    track->SetPageSize(5);
    int changes = 0;
    track->OnChange = [&](TObject*) { ++changes; };
    Show(form);

    track->SetPosition(50);
    EXPECT_EQ(track->Position(), 20);
    EXPECT_EQ(SendMessage(track->Handle(), TBM_GETPOS, 0, 0), 20);
    track->SetPosition(20);  // no move, no change
    EXPECT_EQ(changes, 1);

    track->SetFocus();
    display.PressKey(VK_HOME);
    display.PumpMessages();
    EXPECT_EQ(track->Position(), 0);
    display.PressKey(VK_NEXT);
    display.PumpMessages();
    EXPECT_EQ(track->Position(), 5);
    EXPECT_EQ(changes, 3);

    // A narrower range takes the position with it.
    track->SetMax(3);
    EXPECT_EQ(track->Position(), 3);
    EXPECT_EQ(track->Min(), 0);
}

TEST_F(TrackBarTest, TickStylesAndOrientationShapeTheWindow) {
    TForm* form = MakeForm(240, 240);
    auto* track = Child<TTrackBar>(form, 10, 10, 200, 45);
    track->SetRange(0, 10);
    track->SetFrequency(2);
    Show(form);
    EXPECT_EQ(SendMessage(track->Handle(), TBM_GETNUMTICS, 0, 0), 6);
    track->SetTickStyle(tsManual);
    track->SetTick(3);
    EXPECT_EQ(SendMessage(track->Handle(), TBM_GETNUMTICS, 0, 0), 3);  // both ends and 3
    track->SetTickStyle(tsNone);
    EXPECT_TRUE(GetWindowLongPtr(track->Handle(), GWL_STYLE) & TBS_NOTICKS);

    track->SetOrientation(trVertical);
    EXPECT_EQ(track->Width(), 45);
    EXPECT_EQ(track->Height(), 200);
    EXPECT_TRUE(GetWindowLongPtr(track->Handle(), GWL_STYLE) & TBS_VERT);
    EXPECT_EQ(track->Max(), 10);
}

TEST_F(TrackBarTest, TrackBarsAndSpinsAsTheyShow) {
    TForm* form = MakeForm(360, 150);
    auto* both = Child<TTrackBar>(form, 10, 10, 220, 45);
    both->SetRange(0, 10);
    both->SetPosition(4);
    both->SetTickMarks(tmBoth);
    auto* selection = Child<TTrackBar>(form, 10, 70, 220, 45);
    selection->SetRange(0, 100);
    selection->SetFrequency(10);
    selection->SetSelStart(20);
    selection->SetSelEnd(60);
    selection->SetPosition(60);
    auto* vertical = Child<TTrackBar>(form, 250, 10, 45, 130);
    vertical->SetOrientation(trVertical);
    vertical->SetBounds(250, 10, 45, 130);
    vertical->SetPosition(7);
    auto* edit = Child<TEdit>(form, 300, 10, 50, 22);
    auto* spin = Child<TUpDown>(form, 330, 10, 17, 22);
    spin->SetPosition(42);
    spin->SetAssociate(edit);
    Show(form);
    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(pixels.Picture(), (std::filesystem::path(keep) / "track-bar.png").string()));
    }
    EXPECT_EQ(edit->Text(), "42");
    EXPECT_EQ(SendMessage(selection->Handle(), TBM_GETSELEND, 0, 0), 60);
}

}  // namespace
}  // namespace parch
