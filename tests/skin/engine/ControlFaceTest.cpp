// A control's face painted from its skin data: its own colour, borders that skip the normal
// state, its hue and saturation, and the backdrop its parent gives.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "skin/engine/sSectionPaint.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::MakeSection;
using test::PixelAt;
using test::TsPanel;

std::uint32_t Rgb(TBitmap& bitmap, int x, int y) { return PixelAt(bitmap, x, y) & 0xFFFFFFu; }

class ControlFace : public ::testing::Test {
protected:
    void SetUp() override {
        // Colours are framework colours (red in the low byte); pixels hold red in the third byte.
        test::LoadSections(manager, {MakeSection("RED", 0x000000FF, 0), MakeSection("HALF", 0x000000FF, 50),
                                     MakeSection("CLEAR", 0x000000FF, 100), MakeSection("GREY", 0x00808080, 0),
                                     MakeSection("SHADED", 0x00808080, 0, 50)});
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    TsPanel* AddPanel(TWinControl& parent, const std::string& section, RECT bounds) {
        auto* panel = new TsPanel(&form, 51);
        panel->SetParent(&parent);
        panel->SetBoundsRect(bounds);
        panel->SkinData.SetSkinSection(section);
        return panel;
    }

    // A borders mask of the section, three pixels wide, that draws nothing in the normal state.
    void GiveBorders(TsPanel& panel) {
        manager.Tables().Masks.push_back(test::MakeMask(manager, panel.SkinData.SkinSection(), "BORDERSMASK", 12, 12, 3));
        manager.Tables().Masks.back().DrawFlags = 2 | 1;
        panel.SkinData.BordersMaskIndex = static_cast<int>(manager.Tables().Masks.size() - 1);
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST_F(ControlFace, AControlKeepingItsColourIsFilledWithIt) {
    TsPanel* panel = AddPanel(form, "RED", {0, 0, 20, 20});
    auto bitmap = FilledBitmap(20, 20, 0xFF000000u);
    PaintControlBackground(panel->SkinData, EmptyBackdrop, 0, RECT{0, 0, 20, 20}, POINT{0, 0}, *bitmap);
    EXPECT_EQ(Rgb(*bitmap, 5, 5), 0xFF0000u);
    panel->SetColor(clLime);
    panel->SkinData.SetCustomColor(true);
    PaintControlBackground(panel->SkinData, EmptyBackdrop, 0, RECT{0, 0, 20, 20}, POINT{0, 0}, *bitmap);
    EXPECT_EQ(Rgb(*bitmap, 5, 5), 0x00FF00u);
}

TEST_F(ControlFace, BordersSkipTheNormalStateAndTheFaceStaysInsideTheBitmap) {
    TsPanel* panel = AddPanel(form, "RED", {0, 0, 20, 20});
    GiveBorders(*panel);
    auto bitmap = FilledBitmap(20, 20, 0xFF000000u);
    PaintControlFace(panel->SkinData, EmptyBackdrop, 0, RECT{0, 0, 20, 20}, POINT{0, 0}, *bitmap, true);
    EXPECT_EQ(Rgb(*bitmap, 0, 0), 0xFF0000u) << "no borders in the normal state";
    PaintControlFace(panel->SkinData, EmptyBackdrop, 1, RECT{0, 0, 20, 20}, POINT{0, 0}, *bitmap, true);
    EXPECT_EQ(Rgb(*bitmap, 0, 0), 0x606060u);

    auto untouched = FilledBitmap(20, 20, 0xFF000000u);
    PaintControlFace(panel->SkinData, EmptyBackdrop, 1, RECT{5, 5, 25, 25}, POINT{0, 0}, *untouched, true);
    EXPECT_EQ(Rgb(*untouched, 10, 10), 0u);
}

TEST_F(ControlFace, HueTurnsTheFaceUnlessItIsSeeThroughWithoutBorders) {
    struct Case {
        const char* section;
        int state;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"RED", 0, 0x00FF00u},   // red turned by 120 degrees is green
        {"HALF", 0, 0x800000u},  // half red over black, borders skipped: left as painted
        {"HALF", 1, 0x606060u},  // with borders the whole face turns; grey stays grey
    };
    for (const Case& c : cases) {
        TsPanel* panel = AddPanel(form, c.section, {0, 0, 20, 20});
        GiveBorders(*panel);
        panel->SkinData.HUEOffset = 120;
        auto bitmap = FilledBitmap(20, 20, 0xFF000000u);
        TsBackgroundSource black{nullptr, 0, 0, 0, false};
        PaintControlFace(panel->SkinData, black, c.state, RECT{0, 0, 20, 20}, POINT{0, 0}, *bitmap, true);
        std::uint32_t pixel = Rgb(*bitmap, c.state == 1 ? 1 : 10, 10);
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(static_cast<int>((pixel >> (8 * channel)) & 0xFF), static_cast<int>((c.expected >> (8 * channel)) & 0xFF), 2)
                << c.section << " state " << c.state << " channel " << channel;
    }
}

TEST_F(ControlFace, OnTheParentTheFaceShowsWhatTheParentHolds) {
    // A shaded parent answers with its cache (a flat one would answer with its colour).
    TsPanel* parent = AddPanel(form, "SHADED", {0, 0, 100, 80});
    parent->SkinData.PrepareCacheBitmap();
    TBitmap& cache = *parent->SkinData.CacheBitmap;
    for (int y = 0; y < cache.Height(); ++y)
        for (int x = 0; x < cache.Width(); ++x) PixelAt(cache, x, y) = 0xFF000000u | static_cast<std::uint32_t>(y * 256 + x);
    parent->SkinData.BackgroundDirty = false;
    TsPanel* child = AddPanel(*parent, "CLEAR", {7, 9, 37, 29});
    auto bitmap = FilledBitmap(30, 20, 0xFF000000u);
    // The parent answers with its whole cache; the offset places the child in it.
    PaintControlFaceOnParent(child->SkinData, *parent, 0, RECT{0, 0, 30, 20}, POINT{7, 9}, *bitmap, true);
    EXPECT_EQ(Rgb(*bitmap, 0, 0), Rgb(cache, 7, 9));
    EXPECT_EQ(Rgb(*bitmap, 29, 19), Rgb(cache, 36, 28));
}

}  // namespace
}  // namespace parch
