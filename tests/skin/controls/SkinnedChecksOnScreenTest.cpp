// A form with the skinned check boxes, a status bar carrying a gauge, shown on the headless
// screen and, through the SDL display, on a private X screen: both pictures must agree. The
// headless picture is kept in build/ for looking at.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/win/Compositor.h"
#include "skin/controls/sCheckBox.h"
#include "skin/controls/sGauge.h"
#include "skin/controls/sStatusBar.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/display/OnScreenCheck.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

TEST(SkinnedChecksOnScreen, FormWithCheckBoxesAndAStatusBarGaugeLooksTheSameOnAnXScreen) {
    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    test::LoadInternalSkin(manager);
    TForm form(&app);
    form.SetBounds(20, 20, 420, 200);
    form.SetCaption("Options");

    int top = 12;
    for (const char* caption : {"Extract text", "Extract images", "Stop on error"}) {
        auto* box = new TsCheckBox(&form);
        box->SetParent(&form);
        box->SetCaption(caption);
        box->SetLeft(12);
        box->SetTop(top);
        top += 26;
    }
    auto* bar = new TsStatusBar(&form);
    bar->SetParent(&form);
    for (int width : {200, 150, 50}) bar->Panels().Add()->SetWidth(width);
    bar->Panels().Items(1)->SetText("Processing:");
    auto* gauge = new TsGauge(&form);
    gauge->SetParent(bar);
    gauge->SetBounds(4, 3, 190, bar->Height() - 6);
    gauge->SetAnimated(false);
    gauge->SetShowText(false);
    gauge->SetProgress(47);
    form.Show();
    display.PumpMessages();

    HBITMAP picture = CaptureWindow(form.Handle());
    EXPECT_TRUE(SavePng(picture, "build/skinned_checks_form-headless.png"));
    // The gauge fills 47 % of its width with the progress bar: not the face colour both sides.
    WindowPixels pixels(&form);
    EXPECT_NE(pixels.At(gauge, 20, gauge->Height() / 2), pixels.At(gauge, 180, gauge->Height() / 2));
    if (onscreen::Xvfb::Installed()) {
        EXPECT_EQ(onscreen::CompareWithScreen(form.Handle(), picture, "skinned_checks_form"), "");
    }
    DeleteObject(picture);
}

}  // namespace
}  // namespace parch
