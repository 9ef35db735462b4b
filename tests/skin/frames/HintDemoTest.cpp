// The demonstration form: a hint of each style beside it and the application's own hint (an
// HTML one, through the hint manager's handler) over it, on the headless screen and through
// SDL on a private X screen, where every window must show as the headless capture drew it.

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "platform/display/PngFile.h"
#include "tests/platform/display/OnScreenCheck.h"
#include "tests/skin/frames/HintFixture.h"

namespace parch::test {
namespace {

// A window's place and its headless picture, with the places of windows above it left out.
struct ShownHintDemoWindow {
    RECT Place;
    std::vector<long> Pixels;
};

bool HintDemoCoveredByLater(const std::vector<ShownHintDemoWindow>& windows, size_t index, int x, int y) {
    for (size_t j = index + 1; j < windows.size(); ++j) {
        const RECT& r = windows[j].Place;
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
}

// Shows the screen's windows through SDL on a private X screen and compares each window's
// visible place with the headless screen there (a layered hint shows over what lies beneath
// it). Empty when all match.
std::string CompareHintDemoOnScreen(const std::vector<HWND>& bottomToTop) {
    using namespace onscreen;
    if (!Xvfb::Installed()) return "Xvfb is not installed";
    Xvfb server;
    if (!server.Running()) return "Xvfb did not start";
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    HBITMAP composed = CaptureScreen();
    const std::vector<long> screenPixels = PicturePixels(composed, screenWidth, screenHeight);
    DeleteObject(composed);
    std::vector<ShownHintDemoWindow> windows;
    for (HWND hwnd : bottomToTop) {
        ShownHintDemoWindow shown;
        GetWindowRect(hwnd, &shown.Place);
        for (int y = shown.Place.top; y < shown.Place.bottom; ++y)
            for (int x = shown.Place.left; x < shown.Place.right; ++x) {
                const bool onScreen = x >= 0 && y >= 0 && x < screenWidth && y < screenHeight;
                shown.Pixels.push_back(onScreen ? screenPixels[static_cast<size_t>(y) * screenWidth + x] : -1);
            }
        windows.push_back(std::move(shown));
    }
    return RunInChild([&]() -> std::string {
        setenv("DISPLAY", server.Name().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        auto display = SdlDisplay::Open();
        if (!display) return "no display";
        std::string first;
        size_t differing = 0;
        Screenshot shot;
        WaitUntil(
            [&] {
                MSG msg;
                while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
                display->Pump();
                shot = server.Take();
                differing = 0;
                first.clear();
                for (size_t i = 0; i < windows.size(); ++i) {
                    const RECT& r = windows[i].Place;
                    int width = r.right - r.left;
                    for (int y = r.top; y < r.bottom; ++y)
                        for (int x = r.left; x < r.right; ++x) {
                            if (HintDemoCoveredByLater(windows, i, x, y)) continue;
                            long wanted = windows[i].Pixels[static_cast<size_t>((y - r.top) * width + (x - r.left))];
                            if (shot.At(x, y) == wanted) continue;
                            if (differing++ == 0)
                                first = "window " + std::to_string(i) + " at " + std::to_string(x) + "," + std::to_string(y);
                        }
                }
                return differing == 0;
            },
            kGenerousBound / 2);
        if (const char* folder = std::getenv("PARCH_SAVE_PICTURES")) {
            std::vector<std::uint32_t> bits(shot.pixels.size());
            for (size_t i = 0; i < bits.size(); ++i) bits[i] = 0xFF000000u | static_cast<std::uint32_t>(shot.pixels[i]);
            HBITMAP saved = CreateBitmap(shot.width, shot.height, 1, 32, bits.data());
            SavePng(saved, std::string(folder) + "/hint_demo-screen.png");
            DeleteObject(saved);
        }
        return differing == 0 ? "" : std::to_string(differing) + " pixels differ, first " + first;
    });
}

using HintDemoTest = HintFixture;

TEST_F(HintDemoTest, FormWithAHintOfEachStyleAndAnHtmlHintLooksTheSameOnScreen) {
    auto* form = new TForm(&app);
    form->SetBounds(20, 20, 300, 220);
    form->SetCaption("Hints");
    form->SetColor(static_cast<TColor>(RGB(236, 240, 244)));
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(20, 20, 160, 28);
    button->SetCaption("Output folder");
    button->SetHint("<b>Output folder</b><br>where the <font color=navy>text</font> and images go");
    button->SetShowHint(true);
    form->Show();
    display.PumpMessages();

    // The application's hint through the manager: HTML text in the rectangle style.
    manager->SetPredefinitions(shSimply);
    manager->ApplyPredefinitions();
    manager->HTMLMode = true;
    POINT over = button->ClientToScreen({40, 10});
    display.MoveMouse(over.x, over.y);
    app.ProcessMessages();
    display.AdvanceTime(static_cast<std::uint64_t>(app.HintPause) + 10);
    app.ProcessMessages();
    HWND htmlHint = FindWindow("TsSimplyHintWindow", nullptr);
    ASSERT_TRUE(htmlHint);
    ASSERT_TRUE(IsWindowVisible(htmlHint));

    // One hint of each style to the right of the form.
    struct StyleAt {
        TsHintsPredefinitions Preset;
        POINT Mouse;
    };
    const StyleAt styles[] = {{shSimply, {360, 30}}, {shComicsGradient, {570, 30}}, {shEllipse, {360, 250}},
                              {shBalloon, {570, 250}}};
    std::vector<std::unique_ptr<TsCustomHintWindow>> hints;
    std::vector<HWND> bottomToTop{form->Handle(), htmlHint};
    for (const StyleAt& style : styles) {
        manager->SetPredefinitions(style.Preset);
        manager->ApplyPredefinitions();
        manager->Animated = false;
        display.MoveMouse(style.Mouse.x, style.Mouse.y);
        std::unique_ptr<TsCustomHintWindow> hint;
        switch (manager->HintKind().Style()) {
        case hsComics: hint = std::make_unique<TsComicsHintWindow>(nullptr); break;
        case hsEllipse: hint = std::make_unique<TsEllipseHintWindow>(nullptr); break;
        case hsBalloon: hint = std::make_unique<TsBalloonHintWindow>(nullptr); break;
        default: hint = std::make_unique<TsSimplyHintWindow>(nullptr); break;
        }
        RECT r = hint->CalcHintRect(0, "A <i>hint</i> in this style");
        hint->ActivateHint(r, "A <i>hint</i> in this style");
        ASSERT_TRUE(hint->IsHintShowing());
        bottomToTop.push_back(hint->Handle());
        hints.push_back(std::move(hint));
    }
    display.PumpMessages();
    HintScreenPixels screen;
    EXPECT_TRUE(SavePng(screen.Picture(), "build/hint_demo-headless.png"));
    EXPECT_EQ(CompareHintDemoOnScreen(bottomToTop), "");
}

}  // namespace
}  // namespace parch::test
