// Up-down and track-bar adapters: halves and their hover, tick placement that stays bounded,
// and the track's faded look when disabled.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/skin/frames/AdapterFamiliesFixtures.h"

namespace parch {
namespace {

using test::FamilyColour;
using test::kFamilyBackdrop;
using test::ScreenShot;

TEST(TrackTicks, PositionsStayOnTheTrackAndBounded) {
    struct Row {
        const char* name;
        int count;
        int length;  // channel length; the thumb is 10 and the channel starts at 5
        std::vector<int> expected;
    };
    const Row rows[] = {
        {"none: channel ends", 0, 110, {10, 110}},
        {"one: channel ends", 1, 110, {10, 110}},
        {"two", 2, 110, {10, 110}},
        {"eleven over a hundred pixels", 11, 110, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110}},
        {"three over an odd travel", 3, 15, {10, 13, 15}},
        {"a track no longer than the thumb", 5, 10, {10}},
    };
    for (const Row& row : rows) EXPECT_EQ(TrackTickPositions(row.count, 5, row.length, 10), row.expected) << row.name;

    // A million ticks over a hundred pixels: one per pixel, not a million.
    const std::vector<int> dense = TrackTickPositions(1000000, 5, 110, 10);
    ASSERT_EQ(dense.size(), 101u);
    EXPECT_EQ(dense.front(), 10);
    EXPECT_EQ(dense.back(), 110);
}

class SpinTrackAdapter : public test::FamilyTest {};

TEST_F(SpinTrackAdapter, SpinWithoutItsSectionPaintsButtonsAndFollowsTheMouse) {
    HWND h = Make("msctls_updown32", "", 0, {20, 20, 40, 60});
    auto adapter = std::make_unique<TacSpinWnd>(h, &manager, "");
    adapter->PaintOffsetX = 2;
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    display.MoveMouse(0, 0);
    display.PumpMessages();
    EXPECT_EQ(WindowPixel(h, 5, 3), FamilyColour("BUTTON"));
    EXPECT_EQ(WindowPixel(h, 5, 36), FamilyColour("BUTTON"));
    const RECT r = test::WindowRect(h);
    display.MoveMouse(r.left + 8, r.top + 4);
    display.PumpMessages();
    EXPECT_EQ(adapter->FirstState, 1);
    EXPECT_EQ(adapter->SecondState, 0);
    EXPECT_EQ(WindowPixel(h, 5, 3), FamilyColour("BUTTON", true));
    EXPECT_EQ(WindowPixel(h, 5, 36), FamilyColour("BUTTON"));
    // The left two pixels stay the neighbour's.
    EXPECT_NE(WindowPixel(h, 0, 3), FamilyColour("BUTTON", true));
    display.MoveMouse(r.left + 8, r.bottom - 4);
    display.PumpMessages();
    EXPECT_EQ(adapter->FirstState, 0);
    EXPECT_EQ(adapter->SecondState, 1);
}

TEST_F(SpinTrackAdapter, TrackBarTicksFollowTheTrackAndDisabledFades) {
    HWND h = Make("msctls_trackbar32", "", TBS_AUTOTICKS, {20, 20, 220, 60});
    SendMessage(h, TBM_SETRANGE, 1, MAKELPARAM(0, 10));
    SendMessage(h, TBM_SETTICFREQ, 1, 0);
    auto adapter = std::make_unique<TacTrackWnd>(h, &manager, "");
    display.PumpMessages();
    const std::vector<int> ticks = adapter->TickPositions();
    ASSERT_EQ(ticks.size(), 11u);
    const RECT channel = adapter->ChannelRect(), thumb = adapter->ThumbRect();
    const int gap = ((thumb.bottom - thumb.top) - (channel.bottom - channel.top)) / 2 + 2;
    const ScreenShot shot;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    for (const int at : {ticks[3], ticks[7], ticks.back()})
        EXPECT_EQ(shot.ClientPixel(h, at, channel.bottom + gap + 1), shadow) << at;
    EXPECT_EQ(shot.ClientPixel(h, 1, 1), FamilyColour("TRACKBAR"));

    EnableWindow(h, 0);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    display.PumpMessages();
    const COLORREF faded = ScreenShot().ClientPixel(h, 1, 1);
    const COLORREF face = FamilyColour("TRACKBAR");
    EXPECT_NEAR(GetGValue(faded), (GetGValue(face) * 4 + GetGValue(kFamilyBackdrop) * 6) / 10, 1);
}

}  // namespace
}  // namespace parch
