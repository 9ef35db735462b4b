// The skinned bevel: its section follows shape and style, and each shape shows its strips of
// the section.

#include <gtest/gtest.h>

#include "skin/controls/sBevel.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

constexpr std::uint32_t kRaised = 0x0000FF;    // red as TColor
constexpr std::uint32_t kFormColour = 0xFF0000;  // blue as TColor

class SkinnedBevel : public FormFixture {
protected:
    void SetUp() override {
        test::LoadSections(manager, {test::MakeSection("PANEL", kRaised, 0), test::MakeSection("PANEL_LOW", 0x00FF00, 0),
                                     test::MakeSection("GROUPBOX", 0x808080, 0)});
        form = MakeForm(200, 100);
        form->SetColor(static_cast<TColor>(kFormColour));
        Show(form);
    }
    HeadlessDisplay& Display() { return display; }

    TsSkinManager manager;
    TForm* form = nullptr;
};

TEST_F(SkinnedBevel, SectionFollowsShapeAndStyle) {
    auto* bevel = Child<TsBevel>(form, 10, 10, 50, 30);
    EXPECT_EQ(bevel->SkinData().SkinSection(), "PANEL_LOW");  // bsBox, bsLowered
    bevel->SetStyle(bsRaised);
    EXPECT_EQ(bevel->SkinData().SkinSection(), "PANEL");
    bevel->SetShape(bsFrame);
    EXPECT_EQ(bevel->SkinData().SkinSection(), "GROUPBOX");
    bevel->SetStyle(bsLowered);
    EXPECT_EQ(bevel->SkinData().SkinSection(), "GROUPBOX");
    EXPECT_EQ(BevelSectionName(bsTopLine, bsLowered), "PANEL_LOW");
}

TEST_F(SkinnedBevel, EachShapeShowsItsStripsOfTheSection) {
    constexpr int W = 40, H = 24;
    struct Case {
        TBevelShape shape;
        POINT faced[2];  // points that show the section
        POINT clear[2];  // points that show the form
    };
    const Case cases[] = {
        {bsBox, {{0, 0}, {W - 1, H - 1}}, {{W / 2, H / 2}, {3, 3}}},
        {bsTopLine, {{3, 0}, {W - 4, 2}}, {{2, 0}, {W / 2, 3}}},
        {bsBottomLine, {{3, H - 3}, {W - 4, H - 1}}, {{W / 2, H - 4}, {W - 3, H - 1}}},
        {bsLeftLine, {{0, 3}, {2, H - 4}}, {{0, 2}, {3, H / 2}}},
        {bsRightLine, {{W - 3, 3}, {W - 1, H - 4}}, {{W - 1, 2}, {W - 1, H - 3}}},
        {bsSpacer, {}, {{0, 0}, {W / 2, H / 2}}},
    };
    for (const Case& c : cases) {
        auto* bevel = Child<TsBevel>(form, 20, 20, W, H);
        bevel->SetStyle(bsRaised);
        bevel->SetShape(c.shape);
        Display().PumpMessages();
        auto image = test::ScreenImage(*form, *bevel);
        for (POINT p : c.faced) {
            if (c.shape == bsSpacer) continue;  // shows nothing of the section
            EXPECT_EQ(test::PixelAt(*image, p.x, p.y) & 0xFFFFFF, 0xFF0000u)
                << static_cast<int>(c.shape) << " at " << p.x << "," << p.y;
        }
        for (POINT p : c.clear)
            EXPECT_EQ(test::PixelAt(*image, p.x, p.y) & 0xFFFFFF, 0x0000FFu)
                << static_cast<int>(c.shape) << " at " << p.x << "," << p.y;
        delete bevel;
        Display().PumpMessages();
    }
}

}  // namespace
}  // namespace parch
