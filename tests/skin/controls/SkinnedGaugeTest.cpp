// The skinned gauge: its range setters and their errors, the percentage over wide ranges,
// repainting only on a new whole percentage, the skinned bar and its cached filled part, the
// light on the window system's clock and painting that must wait.

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Resources.h"
#include "skin/controls/sGauge.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"
#include "tests/skin/engine/PngFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

constexpr std::uint32_t kGaugeFace = 0x00202020;  // BGR as the skin stores it
constexpr std::uint32_t kBarColor = 0x0000C000;

// Counts the paints that reach the gauge.
class CountingGauge : public TsGauge {
public:
    using TsGauge::TsGauge;
    int Paints = 0;
    void PaintNow(HDC dc) { Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0); }

protected:
    void Paint() override {
        ++Paints;
        TsGauge::Paint();
    }
};

// An RGBA light picture whose rows are told apart by their green byte (row x 10), opaque.
std::string RowCodedLight(int width, int height) {
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            samples.insert(samples.end(), {255, static_cast<std::uint8_t>(y * 10), 0, 255});
        }
    return test::EncodePng(width, height, samples);
}

class SkinnedGauge : public ::testing::Test {
protected:
    void SetUp() override {
        // A light that does not decode, so no light shows unless a test gives one (an empty entry
        // would fall back to the light built into the program).
        RegisterResource(nullptr, RT_RCDATA, "ACGL", "not a picture");
        test::LoadSections(manager, {test::MakeSection("GAUGE", kGaugeFace, 0),
                                     test::MakeSection("PROGRESSH", kBarColor, 0),
                                     test::MakeSection("PROGRESSV", 0x00C00000, 0)});
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    CountingGauge* NewGauge(int width = 120, int height = 30) {
        auto* gauge = new CountingGauge(&form);
        gauge->SetParent(&form);
        gauge->SetBounds(10, 10, width, height);
        gauge->SetShowText(false);
        return gauge;
    }

    // The gauge painted on its own into a bitmap of its size.
    std::unique_ptr<TBitmap> Painted(CountingGauge& gauge) {
        auto target = test::FilledBitmap(gauge.Width(), gauge.Height(), 0xFF123456u);
        gauge.PaintNow(target->Canvas().Handle());
        return target;
    }

    void RunClock(int ms) {
        for (int t = 0; t < ms; t += 22) {
            display.AdvanceTime(22);
            display.PumpMessages();
        }
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST(GaugeValues, PercentOfWideRangesStaysInsideZeroToHundred) {
    struct Case {
        std::int64_t part, whole;
        int percent;
    };
    const Case cases[] = {
        {0, 0, 0},
        {47, 100, 47},
        {250, 1000, 25},
        // Progress - MinValue and MaxValue - MinValue of the full 32-bit range.
        {std::int64_t{0} - INT_MIN, std::int64_t{INT_MAX} - INT_MIN, 50},
        {std::int64_t{INT_MAX} - INT_MIN, std::int64_t{INT_MAX} - INT_MIN, 100},
        {std::int64_t{INT_MAX} - (-2), std::int64_t{INT_MAX} - (-2), 100},
    };
    for (const Case& c : cases) EXPECT_EQ(PercentOf(c.part, c.whole), c.percent) << c.part << "/" << c.whole;
    EXPECT_EQ(ScalePercent(47, 120), 56);
    EXPECT_EQ(ScalePercent(100, 7), 7);
}

TEST_F(SkinnedGauge, RangeSettersRaiseTheirTextsExceptWhileLoading) {
    struct Case {
        bool max;
        int value;
        bool loading;
        std::string error;
    };
    const Case cases[] = {
        {false, 101, false, "Value must be between -2147483647 and 99"},
        {true, -1, false, "Value must be between 1 and 2147483647"},
        {false, 101, true, ""},
        {true, -1, true, ""},
        {false, 100, false, ""},
    };
    for (const Case& c : cases) {
        auto* gauge = NewGauge();
        if (c.loading) gauge->BeginLoading();
        std::string error;
        try {
            if (c.max)
                gauge->SetMaxValue(c.value);
            else
                gauge->SetMinValue(c.value);
        } catch (const EInvalidOperation& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.error) << c.max << " " << c.value;
        if (c.error.empty()) {
            EXPECT_EQ(c.max ? gauge->MaxValue() : gauge->MinValue(), c.value);
            EXPECT_EQ(gauge->Progress(), c.value);
        }
        delete gauge;
    }
}

TEST_F(SkinnedGauge, ExtremeRangeLimitsFormatWithoutOverflow) {
    auto* gauge = NewGauge();
    gauge->SetMaxValue(INT_MAX);
    gauge->SetMinValue(INT_MAX);
    try {
        gauge->SetMaxValue(0);
        FAIL() << "accepted a maximum below the minimum";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), "Value must be between 2147483648 and 2147483647");
    }
}

TEST_F(SkinnedGauge, ProgressIsClampedAndRepaintsOnlyOnANewPercentage) {
    auto* gauge = NewGauge();
    gauge->SetMaxValue(1000);
    display.PumpMessages();
    int changes = 0;
    gauge->OnChange = [&](TObject*) { ++changes; };
    struct Step {
        int value;
        int stored;
        bool change;
        bool repaint;
    };
    const Step steps[] = {
        {250, 250, true, true},     // 4 % -> 25 %
        {251, 251, true, false},    // still 25 %
        {5000, 1000, true, true},   // clamped to the maximum
        {1000, 1000, false, false}, // the same again: nothing
        {-7, 0, true, true},        // clamped to the minimum
    };
    for (const Step& s : steps) {
        int changesBefore = changes;
        display.PumpMessages();
        int paintsBefore = gauge->Paints;
        gauge->SetProgress(s.value);
        display.PumpMessages();
        EXPECT_EQ(gauge->Progress(), s.stored) << s.value;
        EXPECT_EQ(changes - changesBefore, s.change ? 1 : 0) << s.value;
        EXPECT_EQ(gauge->Paints > paintsBefore, s.repaint) << s.value;
    }
}

TEST_F(SkinnedGauge, WideRangeGivesTheMiddleAndShownTextFollowsCalcPercents) {
    auto* gauge = NewGauge();
    gauge->SetMaxValue(INT_MAX);
    gauge->SetMinValue(INT_MIN);
    gauge->SetProgress(0);
    EXPECT_EQ(gauge->GetPercent(), 50);
    EXPECT_EQ(gauge->ShownText(), "50%");

    gauge->SetMinValue(0);
    gauge->SetMaxValue(1000);
    gauge->SetProgress(250);
    EXPECT_EQ(gauge->ShownText(), "25%");
    gauge->SetCalcPercents(false);
    EXPECT_EQ(gauge->ShownText(), "250%");
    gauge->SetSuffix(" pages");
    EXPECT_EQ(gauge->ShownText(), "250 pages");
    gauge->SetMaxValue(250);
    gauge->SetMinValue(250);
    gauge->SetCalcPercents(true);
    EXPECT_EQ(gauge->ShownText(), "0 pages") << "an empty range is 0 %";
}

TEST_F(SkinnedGauge, SkinnedBarFillsTheScaledShareOverTheFace) {
    struct Case {
        TsGaugeKind kind;
        int progress;
        int filledColumns;  // horizontal: from the left; vertical: rows from the bottom
    };
    const Case cases[] = {
        {gkHorizontalBar, 0, 0},  {gkHorizontalBar, 47, 56}, {gkHorizontalBar, 100, 120},
        {gkVerticalBar, 47, 14},  {gkVerticalBar, 100, 30},
    };
    for (const Case& c : cases) {
        auto* gauge = NewGauge();
        gauge->SetKind(c.kind);
        gauge->SetAnimated(false);
        gauge->SetProgress(c.progress);
        auto picture = Painted(*gauge);
        const std::uint32_t face = 0x202020;
        if (c.kind == gkHorizontalBar) {
            for (int x = 0; x < 120; ++x)
                ASSERT_EQ(PixelAt(*picture, x, 15) & 0xFFFFFF, x < c.filledColumns ? 0x00C000u : face)
                    << c.progress << " at " << x;
        } else {
            // A static vertical bar takes the vertical section; RGB in the pixel.
            for (int y = 0; y < 30; ++y)
                ASSERT_EQ(PixelAt(*picture, 60, y) & 0xFFFFFF, y >= 30 - c.filledColumns ? 0x0000C0u : face)
                    << c.progress << " at row " << y;
        }
        EXPECT_EQ(gauge->SkinData().CacheBitmap, nullptr) << "the cache goes after each paint";
        delete gauge;
    }
}

TEST_F(SkinnedGauge, PaintingThatMustWaitLeavesTheScreenAlone) {
    auto* gauge = NewGauge();
    gauge->SkinData().SetUpdating(true);
    ASSERT_TRUE(gauge->SkinData().CheckUpdating());
    auto picture = Painted(*gauge);
    for (int y = 0; y < gauge->Height(); ++y)
        for (int x = 0; x < gauge->Width(); ++x)
            ASSERT_EQ(PixelAt(*picture, x, y), 0xFF123456u) << x << "," << y;
    // Command 6 lets it paint again.
    gauge->Perform(SkinCommandMessage, SkinCommandWParam(scResumePainting), 0);
    EXPECT_FALSE(gauge->SkinData().CheckUpdating());
}

TEST_F(SkinnedGauge, FilledPartIsCachedUntilTheSkinChanges) {
    auto setBarColour = [&](std::uint32_t colour) {
        TsGeneralData& bar = manager.Tables().Sections[1];
        bar.Color = bar.HotColor = bar.StateProps[0].Color = colour;
    };
    for (int command : {scDropCaches, scRefreshFromSkin}) {
        setBarColour(kBarColor);
        auto* gauge = NewGauge();
        gauge->SetAnimated(false);
        EXPECT_EQ(PixelAt(*Painted(*gauge), 5, 15) & 0xFFFFFF, 0x00C000u);
        EXPECT_TRUE(gauge->HasCachedProgressImage());
        // The kept filled part is shown until the gauge hears of the change.
        setBarColour(0x000000C0);  // red
        EXPECT_EQ(PixelAt(*Painted(*gauge), 5, 15) & 0xFFFFFF, 0x00C000u) << command;
        gauge->Perform(SkinCommandMessage, SkinCommandWParam(command), reinterpret_cast<LPARAM>(&manager));
        EXPECT_EQ(PixelAt(*Painted(*gauge), 5, 15) & 0xFFFFFF, 0xC00000u) << command;
        delete gauge;
    }
    auto* gauge = NewGauge();
    Painted(*gauge);
    gauge->Loaded();
    gauge->Perform(SkinCommandMessage, SkinCommandWParam(scSkinRemoved), reinterpret_cast<LPARAM>(&manager));
    EXPECT_FALSE(gauge->HasCachedProgressImage());
    EXPECT_FALSE(gauge->AnimationRunning());
}

TEST_F(SkinnedGauge, LightRunsAcrossTheBarOnTheClockAndWaitsPastItsEnd) {
    auto* gauge = NewGauge();
    gauge->Loaded();
    ASSERT_TRUE(gauge->AnimationRunning());
    EXPECT_EQ(TsGauge::LightStep(120), 15);
    EXPECT_EQ(TsGauge::LightStep(2222), 44);

    RunClock(22);
    EXPECT_EQ(gauge->LightPosition(), -300 + 15) << "the first tick starts a cycle at once";
    EXPECT_EQ(gauge->ElapsedCycleTime(), 22);
    // 28 steps of 15 from -300 reach 120, the end of the bar: there it waits.
    RunClock(22 * 27);
    EXPECT_EQ(gauge->LightPosition(), 120);
    RunClock(22 * 40);
    EXPECT_EQ(gauge->LightPosition(), 120);
    // The tick that finds more than 2222 ms gone starts the next cycle from -300.
    RunClock(22 * 34);
    EXPECT_EQ(gauge->ElapsedCycleTime(), 102 * 22);
    EXPECT_EQ(gauge->LightPosition(), 120);
    RunClock(22);
    EXPECT_EQ(gauge->LightPosition(), -300 + 15);
    EXPECT_EQ(gauge->ElapsedCycleTime(), 22);
}

TEST_F(SkinnedGauge, UnskinnedTickStopsTheTimer) {
    auto* gauge = NewGauge();
    gauge->Loaded();
    ASSERT_TRUE(gauge->AnimationRunning());
    gauge->SkinData().SetSkinSection("MISSING");
    RunClock(22);
    EXPECT_FALSE(gauge->AnimationRunning());
}

TEST_F(SkinnedGauge, LightIsBlendedOverTheFilledPartFromTheMiddleRowsOfItsPicture) {
    RegisterResource(nullptr, RT_RCDATA, "ACGL", RowCodedLight(60, 20));
    auto* gauge = NewGauge(120, 10);
    gauge->SetProgress(100);
    // The light's 300 columns start 60 pixels into the bar.
    for (int i = 0; i < 24; ++i) gauge->AnimationTick();
    ASSERT_EQ(gauge->LightPosition(), -300 + 24 * 15);
    auto picture = test::FilledBitmap(120, 10, 0);
    gauge->PaintNow(picture->Canvas().Handle());
    const int lightStart = gauge->LightPosition();
    // Left of the light the bar shows; under it the picture's rows from row (20 - 10) / 2 + 1.
    EXPECT_EQ(PixelAt(*picture, lightStart - 1, 0) & 0xFFFFFF, 0x00C000u);
    // An opaque light replaces the bar (within the blend's rounding): red, green = row x 10.
    const std::uint32_t top = PixelAt(*picture, lightStart + 1, 0), bottom = PixelAt(*picture, lightStart + 1, 9);
    EXPECT_NEAR(test::ChannelOf(top, 2), 255, 1);
    EXPECT_NEAR(test::ChannelOf(top, 1), 6 * 10, 1);
    EXPECT_NEAR(test::ChannelOf(bottom, 1), (6 + 9 * 14 / 10) * 10, 1);
    EXPECT_EQ(test::ChannelOf(bottom, 0), 0);
}

TEST_F(SkinnedGauge, UnreadableLightPictureLeavesTheBarPlain) {
    auto* gauge = NewGauge();
    gauge->SetProgress(100);
    for (int i = 0; i < 24; ++i) gauge->AnimationTick();
    auto picture = Painted(*gauge);
    for (int x = 0; x < 120; ++x) ASSERT_EQ(PixelAt(*picture, x, 15) & 0xFFFFFF, 0x00C000u) << x;
}

}  // namespace
}  // namespace parch
