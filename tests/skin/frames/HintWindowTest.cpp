// Hint windows on the headless screen: placement at the monitor's edges, the fade-in on the
// virtual clock, the styles that show nothing, and a manager or frame gone before its window.

#include <cmath>
#include <vector>

#include "framework/Scrolling.h"
#include "platform/os/ProcedureTable.h"
#include "platform/win/Clock.h"
#include "platform/win/ProcedureEntries.h"
#include "tests/skin/frames/HintFixture.h"

namespace parch::test {
namespace {

constexpr RECT kHintBox{0, 0, 120, 60};

std::unique_ptr<TsCustomHintWindow> MakeHintWindow(TsHintStyle style) {
    switch (style) {
    case hsComics: return std::make_unique<TsComicsHintWindow>(nullptr);
    case hsEllipse: return std::make_unique<TsEllipseHintWindow>(nullptr);
    case hsBalloon: return std::make_unique<TsBalloonHintWindow>(nullptr);
    default: return std::make_unique<TsSimplyHintWindow>(nullptr);
    }
}

struct HintPlacementCase {
    const char* Name;
    TsHintStyle Style;
    TsMousePosition MousePos;
    POINT Mouse;
    RECT Expected;
    int Corner;
};

// Screen 800 x 600, hint 120 x 60. The rectangle hint drops 16 pixels below the cursor and
// is pushed inside the monitor; the tail styles flip to the other side of the mouse point.
const HintPlacementCase kHintPlacementCases[] = {
    {"SimplyInTheMiddle", hsSimply, mpLeftTop, {300, 200}, {300, 216, 420, 276}, 0},
    {"SimplyAtTheBottom", hsSimply, mpLeftTop, {300, 580}, {300, 540, 420, 600}, 1},
    {"SimplyAtTheRight", hsSimply, mpLeftTop, {760, 200}, {680, 216, 800, 276}, 2},
    {"SimplyBottomRight", hsSimply, mpLeftTop, {760, 580}, {680, 540, 800, 600}, 3},
    {"SimplyTopLeftFromRightBottom", hsSimply, mpRightBottom, {40, 30}, {0, 0, 120, 60}, 0},
    {"ComicsInTheMiddle", hsComics, mpLeftTop, {300, 200}, {300, 200, 420, 260}, 0},
    {"ComicsAtTheBottom", hsComics, mpLeftTop, {300, 580}, {300, 520, 420, 580}, 1},
    {"ComicsAtTheRight", hsComics, mpLeftTop, {760, 200}, {640, 200, 760, 260}, 2},
    {"EllipseBottomRight", hsEllipse, mpLeftTop, {760, 580}, {640, 520, 760, 580}, 3},
    {"EllipseAtTheTopFromLeftBottom", hsEllipse, mpLeftBottom, {300, 30}, {300, 0, 420, 60}, 0},
    {"BalloonAtTheLeftFromRightTop", hsBalloon, mpRightTop, {50, 200}, {0, 200, 120, 260}, 0},
    {"BalloonRightBottomStays", hsBalloon, mpRightBottom, {400, 300}, {280, 240, 400, 300}, 3},
};

class HintPlacementTest : public HintFixture, public ::testing::WithParamInterface<HintPlacementCase> {};

TEST_P(HintPlacementTest, KeepsTheHintOnTheMonitorAndFlipsItsCorner) {
    const HintPlacementCase& c = GetParam();
    UsePlainLook(c.Style, clYellow);
    manager->DefaultMousePos = c.MousePos;
    display.MoveMouse(c.Mouse.x, c.Mouse.y);
    auto window = MakeHintWindow(c.Style);
    window->ActivateHint(kHintBox, "hint");
    RECT placed;
    GetWindowRect(window->Handle(), &placed);
    EXPECT_EQ(placed.left, c.Expected.left);
    EXPECT_EQ(placed.top, c.Expected.top);
    EXPECT_EQ(placed.right, c.Expected.right);
    EXPECT_EQ(placed.bottom, c.Expected.bottom);
    EXPECT_EQ(window->Corner(), c.Corner);
    EXPECT_TRUE(window->IsHintShowing());
}

INSTANTIATE_TEST_SUITE_P(Edges, HintPlacementTest, ::testing::ValuesIn(kHintPlacementCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// The virtual clock with a look at the screen each time the fade-in sleeps.
class HintFadeWatchingClock final : public Clock {
public:
    HintFadeWatchingClock(VirtualClock& inner, std::function<void()> onSleep) : inner_(inner), onSleep_(std::move(onSleep)) {}
    std::uint64_t NowMs() override { return inner_.NowMs(); }
    void Sleep(std::uint64_t ms) override {
        onSleep_();
        sleeps.push_back(ms);
        inner_.Sleep(ms);
    }
    void WaitUntil(std::unique_lock<std::recursive_mutex>& lock, std::condition_variable_any& signal,
                   std::uint64_t deadlineMs) override {
        inner_.WaitUntil(lock, signal, deadlineMs);
    }
    std::vector<std::uint64_t> sleeps;

private:
    VirtualClock& inner_;
    std::function<void()> onSleep_;
};

using HintFadeTest = HintFixture;

TEST_F(HintFadeTest, FadesInOver31StepsOf8MsAndAShownHintChangesAtOnce) {
    UsePlainLook(hsSimply, static_cast<TColor>(RGB(255, 0, 0)));
    manager->HintKind().Transparency = 20;
    manager->Animated = true;
    display.MoveMouse(100, 100);
    const POINT probe{160, 146};  // inside the body (the hint drops 16 pixels)
    int desktopRed = GetRValue(HintScreenPixels().At(probe.x, probe.y));
    std::vector<int> reds;
    auto clock = std::make_shared<HintFadeWatchingClock>(display.Clock(),
                                                 [&] { reds.push_back(GetRValue(HintScreenPixels().At(probe.x, probe.y))); });
    SetClock(clock);
    auto window = MakeHintWindow(hsSimply);
    window->ActivateHint(kHintBox, "");
    std::vector<std::uint64_t> firstSleeps = clock->sleeps;
    window->ActivateHint(kHintBox, "");  // visible already: no fade
    std::vector<std::uint64_t> secondSleeps = clock->sleeps;
    SetClock(std::shared_ptr<Clock>(&display.Clock(), [](Clock*) {}));

    ASSERT_EQ(firstSleeps.size(), 31u);
    for (std::uint64_t ms : firstSleeps) EXPECT_EQ(ms, 8u);
    EXPECT_EQ(secondSleeps.size(), 31u);
    const int finalAlpha = static_cast<int>(std::lround(80 * 2.55));
    for (size_t k = 0; k < reds.size(); ++k) {
        int alpha = static_cast<int>(std::lround((k + 1) * (finalAlpha / 31.0)));
        int expected = (255 * alpha + desktopRed * (255 - alpha)) / 255;
        EXPECT_NEAR(reds[k], expected, 2) << "step " << k + 1;
    }
    EXPECT_NEAR(GetRValue(HintScreenPixels().At(probe.x, probe.y)), (255 * finalAlpha + desktopRed * (255 - finalAlpha)) / 255, 2);
}

TEST_F(HintFadeTest, TransparencyBeyond100ShowsNothingInsteadOfWrappingRound) {
    UsePlainLook(hsSimply, static_cast<TColor>(RGB(255, 0, 0)));
    manager->HintKind().Transparency = 120;
    display.MoveMouse(100, 100);
    COLORREF desktop = HintScreenPixels().At(160, 146);
    auto window = MakeHintWindow(hsSimply);
    window->ActivateHint(kHintBox, "");
    EXPECT_TRUE(window->IsHintShowing());
    EXPECT_EQ(HintScreenPixels().At(160, 146), desktop);
}

using HintManagerTest = HintFixture;

// Without the layered-window calls the hint is painted over a copy of the screen under it.
TEST_F(HintManagerTest, WithoutLayeredWindowsTheHintPaintsOverTheScreenCopy) {
    UsePlainLook(hsComics, static_cast<TColor>(RGB(0, 200, 0)));
    display.MoveMouse(200, 200);
    COLORREF desktop = HintScreenPixels().At(203, 203);
    UnregisterLibrary("user32");
    auto window = MakeHintWindow(hsComics);
    window->ActivateHint(kHintBox, "");
    display.PumpMessages();
    RegisterWindowSystemProcedures();
    ASSERT_TRUE(window->IsHintShowing());
    EXPECT_FALSE(GetWindowLongPtr(window->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    HintScreenPixels screen;
    EXPECT_EQ(screen.At(260, 240), RGB(0, 200, 0));  // inside the body, below the tail zone
    EXPECT_EQ(screen.At(318, 202), desktop);          // the top-right corner beside the tail
}

TEST_F(HintManagerTest, StyleNoneShowsNothingAndStandardGivesTheFrameworkWindow) {
    manager->HintKind().SetStyle(hsNone);
    EXPECT_EQ(app.HintWindowClass().ClassName, "TsSimplyHintWindow");
    EXPECT_EQ(TsHintManager::Current(), nullptr);
    auto window = MakeHintWindow(hsSimply);
    window->ActivateHint(kHintBox, "not shown");
    EXPECT_FALSE(window->IsHintShowing());
    manager->HintKind().SetStyle(hsStandard);
    EXPECT_EQ(app.HintWindowClass().ClassName, "THintWindow");
    manager->HintKind().SetStyle(hsBalloon);
    EXPECT_EQ(app.HintWindowClass().ClassName, "TsBalloonHintWindow");
    EXPECT_EQ(TsHintManager::Current(), manager.get());
}

TEST_F(HintManagerTest, AWindowOutlivingItsManagerFallsBackToTheFrameworkHint) {
    UsePlainLook(hsComics, clYellow);
    auto window = MakeHintWindow(hsComics);
    manager.reset();
    EXPECT_EQ(TsHintManager::Current(), nullptr);
    EXPECT_EQ(app.HintWindowClass().ClassName, "THintWindow");
    EXPECT_FALSE(app.OnShowHint);
    THintWindow framework(nullptr);
    RECT own = window->CalcHintRect(300, "text");
    RECT expected = framework.CalcHintRect(300, "text");
    EXPECT_EQ(own.right, expected.right);
    EXPECT_EQ(own.bottom, expected.bottom);
    window->ActivateHint(kHintBox, "text");
    EXPECT_FALSE(window->IsHintShowing());
}

TEST_F(HintManagerTest, TheWindowTakesTheHandedOutFrameSoTheNextHintMeasuresItsText) {
    UsePlainLook(hsSimply, clYellow);
    manager->OnShowHint = [](std::string&, bool&, THintInfo&, TFrame*& frame) {
        frame = new TFrame(nullptr);
        frame->SetBounds(0, 0, 90, 40);
    };
    THintInfo info;
    info.HintPos = {10, 10};
    std::string text = "words";
    bool canShow = true;
    manager->ShowHintHandler(text, canShow, info);
    ASSERT_NE(PendingHintFrame(), nullptr);
    auto window = MakeHintWindow(hsSimply);
    RECT withFrame = window->CalcHintRect(300, text);
    EXPECT_EQ(PendingHintFrame(), nullptr);
    EXPECT_EQ(withFrame.right, 90);
    EXPECT_EQ(withFrame.bottom, 40);
    window->ActivateHint(withFrame, text);  // paints the frame once and frees it
    RECT withText = window->CalcHintRect(300, text);
    EXPECT_NE(withText.right, 90);
    window->ActivateHint(withText, text);
    EXPECT_TRUE(window->IsHintShowing());
}

TEST_F(HintManagerTest, HandlerMovingTheHintPlacesItThere) {
    UsePlainLook(hsSimply, clYellow);
    manager->OnShowHint = [](std::string&, bool&, THintInfo& info, TFrame*&) { info.HintPos = {200, 150}; };
    THintInfo info;
    info.HintPos = {10, 10};
    std::string text = "x";
    bool canShow = true;
    manager->ShowHintHandler(text, canShow, info);
    auto window = MakeHintWindow(hsComics);
    manager->HintKind().SetStyle(hsComics);
    window->ActivateHint(kHintBox, text);
    RECT placed;
    GetWindowRect(window->Handle(), &placed);
    EXPECT_EQ(placed.left, 200);
    EXPECT_EQ(placed.top, 150);
    EXPECT_EQ(manager->HintPos().x, -1);  // used once
}

TEST_F(HintManagerTest, TheEllipseGrowsToHoldItsBoxButAnEmptyBoxDoesNot) {
    UsePlainLook(hsComics, clYellow);
    manager->HTMLMode = true;
    const std::string text = "A text wider than fifty pixels";
    RECT tail = MakeHintWindow(hsComics)->CalcHintRect(0, text);
    manager->HintKind().SetStyle(hsEllipse);
    RECT ellipse = MakeHintWindow(hsEllipse)->CalcHintRect(0, text);
    double w = tail.right, h = tail.bottom;
    double d = std::sqrt(w * w + h * h) - w;
    EXPECT_EQ(ellipse.right, tail.right + std::lround(w * d / h));
    EXPECT_EQ(ellipse.bottom, tail.bottom + std::lround(d * h / w));

    TsHintKind& kind = manager->HintKind();
    kind.MarginH = kind.MarginV = kind.ExOffset = 0;
    RECT empty = MakeHintWindow(hsEllipse)->CalcHintRect(0, "");
    EXPECT_EQ(empty.right, 50);
    EXPECT_EQ(empty.bottom, 0);
}

TEST_F(HintManagerTest, PresetsFillTheLookAndCustomKeepsIt) {
    manager->SetPredefinitions(shComicsGradient);
    manager->ApplyPredefinitions();
    TsHintKind& kind = manager->HintKind();
    EXPECT_EQ(kind.Style(), hsComics);
    EXPECT_EQ(kind.Radius, 21);
    EXPECT_EQ(kind.ExOffset, 24);
    EXPECT_EQ(kind.GradientPercent, 100);
    EXPECT_TRUE(kind.ShadowEnabled());
    EXPECT_EQ(app.HintWindowClass().ClassName, "TsComicsHintWindow");
    kind.Radius = 3;
    manager->SetPredefinitions(shCustom);
    manager->ApplyPredefinitions();
    EXPECT_EQ(kind.Radius, 3);
    kind.SetBlur(9);
    kind.SetShadowColor(clRed);
    EXPECT_EQ(kind.Blur(), 0);
    EXPECT_EQ(kind.ShadowColor(), clBlack);
}

TEST_F(HintManagerTest, AGradientThatCannotBeReadIsSwitchedOffAtTheFirstPaint) {
    UsePlainLook(hsSimply, clYellow);
    manager->HintKind().GradientData = "x";
    manager->HintKind().GradientPercent = 50;
    TBitmap bitmap(20, 20, pf32bit);
    manager->PaintBackground(bitmap, {0, 0, 20, 20});
    EXPECT_EQ(manager->HintKind().GradientPercent, 0);
}

}  // namespace
}  // namespace parch::test
