// Labels of every kind on sections of the internal skin, drawn on the headless screen into a
// contact sheet kept in build/ for people to look at; what lies behind each label must show
// through it unchanged, and the sheet must not change unnoticed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/display/PngFile.h"
#include "platform/gdi/Blits.h"
#include "skin/controls/sLabel.h"
#include "skin/engine/sSectionPaint.h"
#include "skin/engine/sVclUtils.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/display/OnScreenCheck.h"
#include "tests/platform/gdi/TestFonts.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

// A panel that paints its section into its cache, as skinned panels do, so that the labels on
// it ask it for what lies behind them.
class SectionPanel : public test::TsPanel {
public:
    SectionPanel(TComponent* owner) : TsPanel(owner, 51) {}

protected:
    void Paint() override {
        TBitmap& cache = *SkinData.CacheBitmap;
        cache.SetSize(Width(), Height());
        PaintSkinSection(SkinData.SectionIndex, SkinData.SkinSection(), EmptyBackdrop, 0,
                         RECT{0, 0, Width(), Height()}, POINT{0, 0}, cache, nullptr);
        SkinData.BackgroundDirty = false;
        BitBlt(Canvas().Handle(), 0, 0, Width(), Height(), cache.Canvas().Handle(), 0, 0, SRCCOPY);
    }
};

class LabelSheet : public FormFixture {
protected:
    template <class Label>
    Label* AddLabel(TWinControl* parent, int left, int top, const std::string& caption) {
        auto* label = new Label(form);
        label->SetParent(parent);
        label->Font().SetName("DejaVu Sans");
        label->Font().SetHeight(-13);
        label->SetLeft(left);
        label->SetTop(top);
        label->SetCaption(caption);
        return label;
    }

    TsSkinManager manager;
    TForm* form = nullptr;
};

TEST_F(LabelSheet, LabelsOnTheInternalSkinsSections) {
    test::LoadInternalSkin(manager);
    ASSERT_TRUE(manager.SkinData().SkinActive);
    const std::vector<std::string> sections = {"FORM", "PANEL", "PANEL_LOW", "BAR", "STATUSBAR", "GROUPBOX", "TOOLBAR"};
    constexpr int kRowHeight = 44, kWidth = 760;
    form = MakeForm(kWidth, static_cast<int>(sections.size()) * kRowHeight);
    std::vector<std::pair<SectionPanel*, TsLabel*>> plainLabels;
    for (size_t row = 0; row < sections.size(); ++row) {
        auto* panel = new SectionPanel(form);
        panel->SetParent(form);
        panel->SetBevelOuter(bvNone);
        panel->SetBounds(0, static_cast<int>(row) * kRowHeight, kWidth, kRowHeight);
        panel->SkinData.SetSkinSection(sections[row]);
        ASSERT_GE(panel->SkinData.SectionIndex, 0) << sections[row];
        auto* name = AddLabel<TsLabel>(panel, 8, 12, sections[row]);
        name->Font().SetStyle(fsBold);
        plainLabels.emplace_back(panel, AddLabel<TsLabel>(panel, 120, 12, "Label"));
        AddLabel<TsLabel>(panel, 190, 12, "Disabled")->SetEnabled(false);
        AddLabel<TsLabelFX>(panel, 280, 10, "Skin shadow");
        auto* processing = AddLabel<TsLabelFX>(panel, 400, 10, "Processing:");
        processing->Kind().SetKindType(ktCustom);
        processing->Kind().SetColor(clYellow);
        processing->Shadow().SetMode(smCustom);
        processing->Shadow().SetColor(clMaroon);
        processing->SetCaption("Processing: ");
        auto* file = AddLabel<TsLabelFX>(panel, 520, 10, "report.pdf");
        file->Shadow().SetMode(smCustom);
        file->Shadow().SetBlurCount(1);
        file->SetCaption("report.pdf ");
        auto* own = AddLabel<TsLabel>(panel, 640, 8, "On BUTTON");
        own->SetAutoSize(false);
        own->SetBounds(640, 6, 110, 30);
        own->SetAlignment(taCenter);
        own->SetLayout(tlCenter);
        own->SetSkinSection("BUTTON");
    }
    Show(form);
    form->Repaint();
    display.PumpMessages();
    WindowPixels pixels(form);
    // The client area (the frame is the framework's) kept in build/ for looking at; it must
    // equal the committed picture, which was looked at.
    auto sheet = NewPf32Bitmap(form->ClientWidth(), form->ClientHeight());
    for (int y = 0; y < sheet->Height(); ++y)
        for (int x = 0; x < sheet->Width(); ++x) {
            COLORREF c = pixels.At(form, x, y);
            test::PixelAt(*sheet, x, y) = 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    ASSERT_TRUE(SavePng(sheet->Handle(), "build/skinned_labels.png"));
    auto reference = test::ReadPngFile("tests/skin/controls/skinned_labels.png");
    ASSERT_TRUE(reference);
    ASSERT_EQ(reference->Width(), sheet->Width());
    ASSERT_EQ(reference->Height(), sheet->Height());
    for (int y = 0; y < sheet->Height(); ++y)
        for (int x = 0; x < sheet->Width(); ++x)
            ASSERT_EQ(test::PixelAt(*sheet, x, y), test::PixelAt(*reference, x, y)) << x << "," << y;

    // Beside the text of a transparent label the panel's own picture shows unchanged.
    for (auto [panel, label] : plainLabels) {
        const int x = label->Width() - 1, y = label->Height() - 1;
        std::uint32_t behind = test::PixelAt(*panel->SkinData.CacheBitmap, label->Left() + x, label->Top() + y);
        EXPECT_EQ(pixels.At(label, x, y), RGB((behind >> 16) & 0xFF, (behind >> 8) & 0xFF, behind & 0xFF))
            << panel->SkinData.SkinSection();
    }
}

TEST_F(LabelSheet, LabelsLookTheSameInARealWindow) {
    if (!onscreen::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    test::LoadInternalSkin(manager);
    form = MakeForm(420, 60);
    auto* panel = new SectionPanel(form);
    panel->SetParent(form);
    panel->SetBevelOuter(bvNone);
    panel->SetBounds(0, 0, 420, 60);
    panel->SkinData.SetSkinSection("STATUSBAR");
    AddLabel<TsLabel>(panel, 8, 20, "Label");
    AddLabel<TsLabel>(panel, 60, 20, "Disabled")->SetEnabled(false);
    auto* processing = AddLabel<TsLabelFX>(panel, 140, 18, "Processing:");
    processing->Kind().SetKindType(ktCustom);
    processing->Kind().SetColor(clYellow);
    processing->Shadow().SetMode(smCustom);
    processing->Shadow().SetColor(clMaroon);
    processing->SetCaption("Processing: ");
    AddLabel<TsLabelFX>(panel, 260, 18, "report.pdf");
    Show(form);
    form->Repaint();
    display.PumpMessages();
    HBITMAP picture = CaptureWindow(form->Handle());
    EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "skinned-labels"), "");
    DeleteObject(picture);
}

}  // namespace
}  // namespace parch
