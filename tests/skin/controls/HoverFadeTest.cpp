// Cross-fades between two looks on the virtual clock: the frames' weights, halved press fades,
// restarts, the end of a fade and what forbids fading.

#include <gtest/gtest.h>

#include <vector>

#include "framework/CustomControls.h"
#include "skin/controls/sFade.h"
#include "skin/engine/sPixelBlend.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

constexpr std::uint32_t kOldLook = 0xFFFFFFFFu;
constexpr std::uint32_t kNewLook = 0xFF000000u;

// A windowed control whose cache holds one colour per look; it keeps the frames offered to it.
class FadingControl : public test::SkinnedControl<TCustomControl> {
public:
    explicit FadingControl(TComponent* owner) : SkinnedControl(owner, 0) {
        TWndMethod inherited = WindowProc;
        WindowProc = [this, inherited](TMessage& message) {
            if (message.Msg == SkinCommandMessage) {
                switch (SkinCommandOf(message.WParam)) {
                    case scRebuildCache:
                        SkinData.PrepareCacheBitmap();
                        FillBitmapRect32(*SkinData.CacheBitmap, RECT{0, 0, Width(), Height()},
                                         static_cast<TColor>(Look & 0xFFFFFF));
                        SkinData.BackgroundDirty = false;
                        return;
                    case scPaintIntoBitmap:
                        Frames.push_back(test::PixelAt(*reinterpret_cast<TBitmap*>(message.LParam), 1, 1) & 0xFF);
                        message.Result = 1;
                        return;
                    case scNextFadeFrame:
                        StopControlFade(Timer);
                        return;
                    default:
                        break;
                }
            }
            inherited(message);
        };
    }
    ~FadingControl() override { StopControlFade(Timer); }

    // Shows the old look, then changes to the new one with a fade.
    void ChangeLook(bool half) {
        Look = kNewLook;
        StartControlFade(Timer, SkinData, half, 1, true);
    }

    std::uint32_t Look = kOldLook;
    TsFadeTimer* Timer = nullptr;
    std::vector<int> Frames;
};

class HoverFade : public ::testing::Test {
protected:
    void SetUp() override {
        auto section = test::MakeSection("FADER", 0x808080, 0);
        section.FadingEnabled = true;
        section.FadingIterations = 5;
        test::LoadSections(manager, {section, test::MakeSection("STILL", 0x808080, 0)});
        form.SetBounds(0, 0, 200, 100);
        form.Show();
        control = new FadingControl(&form);
        control->SetParent(&form);
        control->SetBounds(10, 10, 40, 20);
        control->SkinData.SetSkinSection("FADER");
        control->Perform(SkinCommandMessage, SkinCommandWParam(scRebuildCache), 0);
    }
    void RunClock(int ms) {
        for (int t = 0; t < ms; t += 10) {
            display.AdvanceTime(10);
            display.PumpMessages();
        }
    }
    // The old look's channel (255) weighted by A over the new one's (0).
    static int Blended(int alpha) { return (255 * alpha + 127) / 256; }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
    FadingControl* control = nullptr;
};

TEST_F(HoverFade, FramesRunFromTheOldLookToTheNewOne) {
    struct Case {
        bool half;
        std::vector<int> alphas;
    };
    for (const Case& c : {Case{false, {204, 153, 102, 51, 0}}, Case{true, {127, 0}}}) {
        control->Look = kOldLook;
        control->Perform(SkinCommandMessage, SkinCommandWParam(scRebuildCache), 0);
        control->Frames.clear();
        control->ChangeLook(c.half);
        ASSERT_NE(control->Timer, nullptr);
        EXPECT_EQ(control->Timer->Interval(), 10u);
        RunClock(200);
        std::vector<int> expected;
        for (int alpha : c.alphas) expected.push_back(Blended(alpha));
        EXPECT_EQ(control->Frames, expected) << (c.half ? "press" : "hover");
        EXPECT_EQ(control->Timer, nullptr) << "the finished fade is freed";
        EXPECT_EQ(FadeTimerCount, 0);
    }
}

TEST_F(HoverFade, ASecondEventRestartsFromTheFirstFrameWithANewSnapshot) {
    control->ChangeLook(false);
    RunClock(20);
    ASSERT_EQ(control->Frames.size(), 2u);
    // Back to the old look while the fade runs: the snapshot is now the new look.
    control->Frames.clear();
    control->Look = kOldLook;
    StartControlFade(control->Timer, control->SkinData, false, 1, true);
    RunClock(200);
    // The snapshot (black, the look it had reached) weighted by A over the white cache, from
    // the first frame again.
    std::vector<int> expected;
    for (int alpha : {204, 153, 102, 51, 0}) expected.push_back((255 * (255 - alpha) + 127) / 256);
    EXPECT_EQ(control->Frames, expected);
}

TEST_F(HoverFade, WhatForbidsFadingRepaintsAtOnce) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"event not allowed", [] {}},
        {"section without fading", [this] { control->SkinData.SetSkinSection("STILL"); }},
        {"skin loading", [] { SkinLoading = true; }},
        {"background already changed", [this] { control->SkinData.BackgroundDirty = true; }},
    };
    bool first = true;
    for (const Case& c : cases) {
        control->SkinData.SetSkinSection("FADER");
        control->Perform(SkinCommandMessage, SkinCommandWParam(scRebuildCache), 0);
        c.arrange();
        StartControlFade(control->Timer, control->SkinData, false, 1, !first);
        EXPECT_EQ(control->Timer, nullptr) << c.what;
        EXPECT_TRUE(control->SkinData.BackgroundDirty) << c.what;
        SkinLoading = false;
        first = false;
    }
}

TEST_F(HoverFade, DisablingTheControlEndsTheFade) {
    control->ChangeLook(false);
    RunClock(10);
    control->SetEnabled(false);
    RunClock(100);
    EXPECT_EQ(control->Frames.size(), 1u);
    ASSERT_NE(control->Timer, nullptr);
    EXPECT_FALSE(control->Timer->Enabled());
    EXPECT_EQ(control->Timer->StepTotal, 0);
}

TEST(AnimatEvents, EventsFadeByTheControlsSetOrTheManagersButtonEvents) {
    TsSkinManager manager;
    manager.AnimEffects.Buttons.Events = BtnEventBit(beMouseEnter) | BtnEventBit(beMouseLeave) | BtnEventBit(beMouseUp);
    struct Case {
        TacAnimatEvent event;
        TacAnimatEvents events;
        bool allowed;
    };
    const Case cases[] = {
        {aeMouseEnter, 0, false},                                    // empty set never fades
        {aeMouseDown, 1u << aeMouseDown, true},                      // own set
        {aeMouseDown, 1u << aeGlobalDef, false},                     // manager lacks beMouseDown
        {aeMouseUp, 1u << aeGlobalDef, true},
        {aeMouseEnter, (1u << aeMouseLeave) | (1u << aeGlobalDef), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnimatEventAllowed(c.event, c.events, &manager), c.allowed) << c.event << " " << c.events;
}

}  // namespace
}  // namespace parch
