// Hide and change animations on the virtual clock: frame counts, alphas and weights, and what
// is left behind when they end.

#include <gtest/gtest.h>

#include <vector>

#include "framework/Application.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Timer.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Clock.h"
#include "skin/engine/sAnimations.h"
#include "skin/engine/sBitmapUtils.h"
#include "skin/engine/sSkinnedForms.h"

namespace parch {
namespace {

struct TrackedForm : TForm {
    explicit TrackedForm(bool& destroyedFlag) : TForm(nullptr), destroyed(destroyedFlag) {
        SetBorderStyle(bsNone);
        SetBounds(50, 50, 40, 30);
    }
    ~TrackedForm() override { destroyed = true; }
    bool& destroyed;
};

class Animation : public ::testing::Test {
protected:
    HeadlessDisplay display;
    TApplication app;
};

TEST_F(Animation, HideFadesToZeroInTimeDivTwelveStepsThenFreesTheHelper) {
    bool helperFreed = false;
    std::uint64_t start = GetTickCount64();
    StartHideAnimation(std::make_unique<TrackedForm>(helperFreed), NewPf32Bitmap(40, 30), 100, atFading, 255);
    ASSERT_TRUE(HideAnimationRunning());

    // Sampled between the 12 ms frames.
    std::vector<int> alphas{HideAnimationAlpha()};
    std::uint64_t lastRunning = 0;
    TTimer sampler(nullptr);
    sampler.SetInterval(6);
    sampler.SetOnTimer([&](TObject*) {
        if (!HideAnimationRunning()) return;
        lastRunning = GetTickCount64() - start;
        if (alphas.back() != HideAnimationAlpha()) alphas.push_back(HideAnimationAlpha());
    });
    TTimer stop(nullptr);
    stop.SetInterval(200);
    stop.SetOnTimer([](TObject*) { Application->Terminate(); });
    app.Run();

    // Nine frames: the eighth reaches 0 and the ninth stays there; the tick after ends it.
    EXPECT_EQ(alphas, (std::vector<int>{223, 191, 159, 128, 96, 64, 32, 0}));
    EXPECT_GE(lastRunning, 96u);
    EXPECT_LT(lastRunning, 108u);
    EXPECT_TRUE(helperFreed);
}

TEST_F(Animation, AHideShorterThanOneStepShowsNothing) {
    bool helperFreed = false;
    StartHideAnimation(std::make_unique<TrackedForm>(helperFreed), NewPf32Bitmap(40, 30), 11, atAero, 255);
    EXPECT_FALSE(HideAnimationRunning());
    EXPECT_TRUE(helperFreed);
}

TEST_F(Animation, ChangeWeightsStepFromTheOldPictureToTheNew) {
    EXPECT_EQ(ControlChangeWeights(100), (std::vector<int>{255, 224, 193, 162, 131, 100, 69, 38, 7}));
    EXPECT_EQ(ControlChangeWeights(24), (std::vector<int>{255, 128, 1}));
    // Below one step (the page change's default time 0 among them) the new picture comes at once.
    EXPECT_TRUE(ControlChangeWeights(11).empty());
    EXPECT_TRUE(ControlChangeWeights(0).empty());
}

TEST_F(Animation, AChangeTakesItsFramesOnTheClockAndCleansUp) {
    TForm form(&app);
    form.SetBounds(0, 0, 200, 100);
    form.Show();
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 60, 40);
    int childrenBefore = form.ControlCount();

    std::uint64_t start = GetTickCount64();
    AnimateControlChange(*panel, 100, 255, atFading);
    EXPECT_EQ(GetTickCount64() - start, 8u * 12u);
    EXPECT_FALSE(AnimationInProgress);
    EXPECT_EQ(form.ControlCount(), childrenBefore);

    start = GetTickCount64();
    AnimateControlChange(*panel, 0, 255, atFading);
    EXPECT_EQ(GetTickCount64() - start, 0u);
    EXPECT_EQ(form.ControlCount(), childrenBefore);
}

}  // namespace
}  // namespace parch
