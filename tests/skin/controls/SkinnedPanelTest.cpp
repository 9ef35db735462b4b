// The skinned control skeleton as the panel carries it: skin commands, section switches on the
// bevel, painting through the cache and the unskinned fallback.

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/WinMessages.h"
#include "skin/controls/sPanel.h"
#include "skin/engine/sSkinnedForms.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::PixelAt;

constexpr std::uint32_t kPanelColor = 0x00336699;  // BGR as the skin stores it

class SkinnedPanel : public ::testing::Test {
protected:
    void SetUp() override {
        // "GLASS" shows the form through it: such a panel paints through its cache; the
        // opaque ones are filled flat.
        test::LoadSections(manager, {test::MakeSection("PANEL", kPanelColor, 0),
                                     test::MakeSection("PANEL_LOW", 0x00202020, 0),
                                     test::MakeSection("CHECKBOX", 0x00404040, 0),
                                     test::MakeSection("BAR", 0x00606060, 0),
                                     test::MakeSection("GLASS", 0x00FF0000, 50)});
        form.SetColor(static_cast<TColor>(0x000000FF));
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    TsPanel* NewPanel(TWinControl* parent, RECT bounds) {
        auto* panel = new TsPanel(&form);
        panel->SetParent(parent);
        panel->SetBoundsRect(bounds);
        panel->HandleNeeded();
        return panel;
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST_F(SkinnedPanel, TakesThePanelSectionWhenConstructed) {
    TsPanel* panel = NewPanel(&form, RECT{0, 0, 50, 30});
    EXPECT_EQ(panel->SkinData().SkinSection(), "PANEL");
    EXPECT_EQ(panel->SkinData().ControlKind, 51);
    EXPECT_TRUE(panel->SkinData().IsSkinned());
    EXPECT_EQ(GetPropertyText(*panel, "SkinData.SkinSection"), "PANEL");
}

TEST_F(SkinnedPanel, BevelChangeSwitchesOnlyTheSectionThatBelongsToTheOldBevel) {
    struct Case {
        std::string section;
        TBevelCut from;
        TBevelCut to;
        std::string expected;
    };
    const Case cases[] = {
        {"PANEL", bvRaised, bvNone, "CHECKBOX"},      {"PANEL", bvRaised, bvLowered, "PANEL_LOW"},
        {"PANEL_LOW", bvLowered, bvRaised, "PANEL"},  {"CHECKBOX", bvNone, bvLowered, "PANEL_LOW"},
        {"BAR", bvRaised, bvNone, "BAR"},             {"PANEL", bvRaised, bvSpace, "PANEL"},
        {"PANEL_LOW", bvRaised, bvNone, "PANEL_LOW"},  // section not the raised one: kept
    };
    for (const Case& c : cases) {
        TsPanel* panel = NewPanel(&form, RECT{0, 0, 50, 30});
        panel->SetBevelOuter(c.from);
        panel->LastBevelOuter = c.from;
        panel->SkinData().SetSkinSection(c.section);
        panel->SetBevelOuter(c.to);
        EXPECT_EQ(panel->SkinData().SkinSection(), c.expected) << c.section << " -> " << static_cast<int>(c.to);
        EXPECT_EQ(panel->LastBevelOuter, c.to);
        delete panel;
    }
}

TEST_F(SkinnedPanel, LifecycleCommandsActOnlyForTheOwnManagerButAlwaysReachTheChildren) {
    TsPanel* panel = NewPanel(&form, RECT{0, 0, 100, 60});
    auto* child = new test::TsPanel(&form, 0);
    child->SetParent(panel);
    child->SetBounds(5, 5, 20, 20);
    TsSkinManager other;
    for (int command : {scSkinLoaded, scSkinRemoved, scRefreshFromSkin}) {
        for (TsSkinManager* sender : {&manager, &other}) {
            child->Commands.clear();
            panel->SkinData().BackgroundDirty = false;
            panel->SkinData().SectionIndex = 0;
            SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(command),
                        reinterpret_cast<LPARAM>(sender));
            // Redrawing the panel may also tell the child to refresh (command 6).
            EXPECT_NE(std::find(child->Commands.begin(), child->Commands.end(), command), child->Commands.end())
                << command;
            if (sender == &other) {
                EXPECT_EQ(child->Commands, std::vector<int>{command}) << command;
                EXPECT_FALSE(panel->SkinData().BackgroundDirty) << command;
                EXPECT_EQ(panel->SkinData().SectionIndex, 0) << command;
            }
        }
    }
    // Removing the own manager's skin leaves the panel unskinned.
    SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scSkinRemoved),
                reinterpret_cast<LPARAM>(&manager));
    EXPECT_FALSE(panel->SkinData().IsSkinned());
}

TEST_F(SkinnedPanel, AnswersSkinnedAndApplicationQuestionsEvenUnskinned) {
    TsPanel* panel = NewPanel(&form, RECT{0, 0, 50, 30});
    panel->SkinData().SetSkinSection("MISSING");
    ASSERT_FALSE(panel->SkinData().IsSkinned());
    EXPECT_EQ(SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scIsSkinned), 0), 1);
    EXPECT_EQ(SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scGetApplication), 0),
              reinterpret_cast<LRESULT>(Application));
}

TEST_F(SkinnedPanel, UnskinnedPanelWithOnPaintKeepsItsBackgroundAndPrintsItsCanvas) {
    TsPanel* panel = NewPanel(&form, RECT{0, 0, 40, 20});
    panel->SkinData().SetSkinSection("MISSING");
    auto target = FilledBitmap(40, 20, 0xFF010203u);
    HDC dc = target->Canvas().Handle();

    // Without OnPaint, WM_PRINT draws nothing.
    SendMessage(panel->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(PixelAt(*target, 10, 10) & 0xFFFFFF, 0x010203u);

    int paints = 0;
    panel->OnPaint = [&](TObject*, TCanvas& canvas) {
        ++paints;
        canvas.Brush().SetColor(static_cast<TColor>(0x0000FF00));
        canvas.FillRect(RECT{0, 0, 40, 20});
    };
    SendMessage(panel->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(PixelAt(*target, 10, 10) & 0xFFFFFF, 0x010203u) << "erased although OnPaint is assigned";
    SendMessage(panel->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(PixelAt(*target, 10, 10) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(SkinnedPanel, CacheIsRebuiltOnlyAfterTheBackgroundChanged) {
    TsPanel* panel = NewPanel(&form, RECT{10, 10, 80, 50});
    panel->SkinData().SetSkinSection("GLASS");
    int rebuilds = 0;
    panel->OnPaint = [&](TObject*, TCanvas&) { ++rebuilds; };
    panel->SkinData().BackgroundDirty = true;
    ASSERT_TRUE(panel->SkinData().NeedsSkinPainting());
    auto target = NewPf32Bitmap(70, 40);
    HDC dc = target->Canvas().Handle();
    panel->PaintAll(dc, false);
    panel->PaintAll(dc, false);
    EXPECT_EQ(rebuilds, 1);
    panel->SetBounds(10, 10, 60, 40);
    panel->PaintAll(dc, false);
    EXPECT_EQ(rebuilds, 2);
    panel->SkinData().PaintUrgent = true;  // command 9: keep the cache
    panel->SkinData().BackgroundDirty = true;
    panel->PaintAll(dc, false);
    EXPECT_EQ(rebuilds, 2);
}

TEST_F(SkinnedPanel, PrintGivesThePaintedImageInBothPaintingModes) {
    struct Case {
        std::string section;
        bool cached;
    };
    for (const Case& c : {Case{"PANEL", false}, Case{"GLASS", true}}) {
        TsPanel* panel = NewPanel(&form, RECT{10, 10, 90, 50});
        panel->SkinData().SetSkinSection(c.section);
        panel->SetText("Panel");
        ASSERT_EQ(panel->SkinData().NeedsSkinPainting(), c.cached) << c.section;
        display.PumpMessages();
        auto painted = test::ScreenImage(form, *panel);
        auto printed = FilledBitmap(80, 40, 0);
        SendMessage(panel->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(printed->Canvas().Handle()), PRF_CLIENT);
        EXPECT_EQ(test::DifferingPixels(*painted, *printed), 0) << c.section;
        std::uint32_t corner = PixelAt(*painted, 1, 1) & 0xFFFFFF;
        if (c.cached) {
            // Half the section's blue over the form's red.
            EXPECT_NEAR(test::ChannelOf(corner, 0), 128, 2);
            EXPECT_NEAR(test::ChannelOf(corner, 2), 128, 2);
        } else {
            EXPECT_EQ(corner, 0x996633u);  // the section colour, RGB in the pixel
        }
        delete panel;
    }
}

TEST_F(SkinnedPanel, BackgroundRequestThroughAWindowBorderAddsTheEdges) {
    struct Case {
        TBorderStyle border;
        TBevelCut inner;
        int borderWidth;
        int expectedOffset;
    };
    const Case cases[] = {
        {bsNone, bvRaised, 3, 0},    // no window border: offsets untouched
        {bsSingle, bvNone, 0, 1},    // one outer bevel of width 1
        {bsSingle, bvRaised, 3, 5},  // two bevels and the border width
    };
    for (const Case& c : cases) {
        TsPanel* panel = NewPanel(&form, RECT{0, 0, 60, 40});
        panel->SkinData().SetSkinSection("GLASS");  // answers with its cache, not a colour
        panel->SetBorderStyle(c.border);
        panel->SetBevelInner(c.inner);
        panel->SetBorderWidth(c.borderWidth);
        panel->SkinData().PrepareCacheBitmap();
        panel->SkinData().BackgroundDirty = false;
        TsBackgroundRequest request;
        SendMessage(panel->Handle(), SkinCommandMessage, SkinCommandWParam(scGetBackground),
                    reinterpret_cast<LPARAM>(&request));
        EXPECT_EQ(request.Kind, 2);
        EXPECT_EQ(request.X, c.expectedOffset);
        EXPECT_EQ(request.Y, c.expectedOffset);
        delete panel;
    }
}

}  // namespace
}  // namespace parch
