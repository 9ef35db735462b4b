// A contact sheet of the internal skin's check box (checked, unchecked, grayed; normal, hot,
// pressed, disabled), gauge kinds at 0, 47 and 100 %, a light frame and a status bar with
// panels and a grip, kept in build/ for looking at. The checks below are the ones a person
// would make on the sheet.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/display/PngFile.h"
#include "platform/win/Resources.h"
#include "skin/controls/sCheckBox.h"
#include "skin/controls/sGauge.h"
#include "skin/controls/sStatusBar.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"
#include "tests/skin/engine/PngFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

constexpr int kGap = 6;

// A soft light for the sheet: white, its alpha rising to the middle of its 60 columns.
std::string SoftLight() {
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            int alpha = 200 - std::abs(x - 30) * 200 / 30;
            samples.insert(samples.end(), {255, 255, 255, static_cast<std::uint8_t>(alpha)});
        }
    return test::EncodePng(60, 20, samples);
}

class SkinnedChecksSheet : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadInternalSkin(manager);
        form.SetBounds(0, 0, 600, 400);
        form.Show();
    }

    // The control's own painting over the form's colour, placed on the sheet.
    void Place(TBitmap& sheet, TControl& control, int x, int y, bool print = false) {
        auto picture = test::FilledBitmap(control.Width(), control.Height(), 0xFFD8D8D8u);
        HDC dc = picture->Canvas().Handle();
        if (print)
            SendMessage(static_cast<TWinControl&>(control).Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        else
            control.Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        for (int py = 0; py < control.Height() && y + py < sheet.Height(); ++py)
            for (int px = 0; px < control.Width() && x + px < sheet.Width(); ++px)
                PixelAt(sheet, x + px, y + py) = PixelAt(*picture, px, py) | 0xFF000000u;
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST_F(SkinnedChecksSheet, CheckBoxesGaugesAndStatusBarOfTheInternalSkin) {
    RegisterResource(nullptr, RT_RCDATA, "ACGL", SoftLight());
    constexpr int kCell = 130, kRow = 34;
    auto sheet = test::FilledBitmap(kGap + 5 * (kCell + kGap), kGap + 10 * (kRow + kGap), 0xFFFFFFFFu);

    // Check boxes: a row per state, a column per look.
    const TCheckBoxState states[] = {cbUnchecked, cbChecked, cbGrayed};
    std::vector<std::vector<std::uint32_t>> glyphPrints(3);
    for (int row = 0; row < 3; ++row) {
        for (int look = 0; look < 4; ++look) {
            auto* box = new TsCheckBox(&form);
            box->SetParent(&form);
            box->SetCaption(look == 0 ? "Normal" : look == 1 ? "Hot" : look == 2 ? "Pressed" : "Disabled");
            box->SetAllowGrayed(true);
            box->SetState(states[row]);
            box->SetBounds(10, 10, kCell, 24);
            box->HandleNeeded();
            if (look == 1) box->SkinData().MouseInside = true;
            if (look == 2) box->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
            if (look == 3) box->SetEnabled(false);
            ASSERT_TRUE(box->SkinData().IsSkinned());
            Place(*sheet, *box, kGap + look * (kCell + kGap), kGap + row * (kRow + kGap));
            RECT glyph = box->CheckRect();
            const int left = kGap + look * (kCell + kGap), top = kGap + row * (kRow + kGap);
            std::uint32_t sum = 0;  // the glyph's pixels, summed as a fingerprint
            for (int y = glyph.top; y < glyph.bottom; ++y)
                for (int x = glyph.left; x < glyph.right; ++x) sum = sum * 31 + PixelAt(*sheet, left + x, top + y);
            glyphPrints[static_cast<size_t>(row)].push_back(sum);
            delete box;
        }
    }

    // Gauges: a row per kind, a column per value; then a bar under the light.
    const TsGaugeKind kinds[] = {gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle, gkText};
    int row = 3;
    for (TsGaugeKind kind : kinds) {
        for (int column = 0; column < 3; ++column) {
            auto* gauge = new TsGauge(&form);
            gauge->SetParent(&form);
            gauge->SetBounds(10, 10, kind == gkVerticalBar ? 30 : kCell, kRow - 4);
            gauge->SetKind(kind);
            gauge->SetAnimated(false);
            gauge->SetProgress(column == 0 ? 0 : column == 1 ? 47 : 100);
            Place(*sheet, *gauge, kGap + column * (kCell + kGap), kGap + row * (kRow + kGap));
            delete gauge;
        }
        ++row;
    }
    auto* lit = new TsGauge(&form);
    lit->SetParent(&form);
    lit->SetBounds(10, 10, 2 * kCell, kRow - 4);
    lit->SetProgress(100);
    lit->SetShowText(false);
    for (int i = 0; i < 26; ++i) lit->AnimationTick();  // the light's middle about the bar's middle
    Place(*sheet, *lit, kGap, kGap + row * (kRow + kGap));
    delete lit;

    // A status bar with three panels, text and the grip.
    ++row;
    auto* bar = new TsStatusBar(&form);
    bar->SetParent(&form);
    bar->SetAlign(alNone);
    bar->SetBounds(0, 0, 5 * kCell, 22);
    for (const char* text : {"Ready", "12 pages", "3 s"}) {
        TStatusPanel* panel = bar->Panels().Add();
        panel->SetText(text);
        panel->SetWidth(120);
    }
    bar->HandleNeeded();
    Place(*sheet, *bar, kGap, kGap + row * (kRow + kGap), true);
    delete bar;

    ASSERT_TRUE(SavePng(sheet->Handle(), "build/skinned_checks_contact_sheet.png"));

    // What a look at the sheet checks: the three states show three different glyphs, and the
    // hot and disabled looks differ from the normal one.
    EXPECT_NE(glyphPrints[0][0], glyphPrints[1][0]);
    EXPECT_NE(glyphPrints[1][0], glyphPrints[2][0]);
    EXPECT_NE(glyphPrints[1][0], glyphPrints[1][3]);
    EXPECT_NE(glyphPrints[0][0], glyphPrints[0][1]);
}

}  // namespace
}  // namespace parch
