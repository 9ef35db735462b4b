// The skinned splitter: hints stay off only while a drag lasts, whatever ends it; the pressed
// look while it resizes live; the dot grip and a glyph in its place.

#include <gtest/gtest.h>

#include <functional>

#include "skin/controls/sSplitter.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

class SkinnedSplitter : public FormFixture {
protected:
    void SetUp() override {
        auto section = test::MakeSection("SPLITTER", 0x808080, 0);
        section.StateCount = 3;
        test::LoadSections(manager, {section});
        form = MakeForm(300, 200);
        Show(form);
        left = Child<TPanel>(form, 0, 0, 100, 200);
        left->SetAlign(alLeft);
        splitter = Child<TsSplitter>(form, 100, 0, 6, 200);
        splitter->SetAlign(alLeft);
        splitter->SetResizeStyle(rsUpdate);
        display.PumpMessages();
        app.ShowHint = true;
    }
    void Press() {
        POINT p = At(splitter, 3, 100);
        display.MoveMouse(p.x, p.y);
        display.MouseDown();
        display.PumpMessages();
    }

    TsSkinManager manager;
    TForm* form = nullptr;
    TPanel* left = nullptr;
    TsSplitter* splitter = nullptr;
};

TEST_F(SkinnedSplitter, HintsComeBackHoweverTheDragEnds) {
    struct Case {
        const char* how;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"release", [this] { display.MouseUp(); }},
        {"release eaten elsewhere",
         [this] {
             // The button came up where the bar never heard of it; the next move tells.
             splitter->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(3, 100));
         }},
        {"cancel mode", [this] { splitter->Perform(CM_CANCELMODE); }},
        {"bar destroyed",
         [this] {
             delete splitter;
             splitter = nullptr;
         }},
    };
    for (const Case& c : cases) {
        if (splitter == nullptr) {
            splitter = Child<TsSplitter>(form, 100, 0, 6, 200);
            splitter->SetAlign(alLeft);
        }
        Press();
        EXPECT_FALSE(app.ShowHint) << c.how;
        c.end();
        display.PumpMessages();
        EXPECT_TRUE(app.ShowHint) << c.how;
        display.MouseUp();
        display.PumpMessages();
    }
}

TEST_F(SkinnedSplitter, LiveResizingShowsThePressedState) {
    EXPECT_EQ(splitter->PaintState(), 0);
    Press();
    EXPECT_EQ(splitter->PaintState(), 2);
    POINT to = At(splitter, 40, 100);
    display.MoveMouse(to.x, to.y);
    display.PumpMessages();
    EXPECT_GT(left->Width(), 100);
    display.MouseUp();
    display.PumpMessages();
    EXPECT_NE(splitter->PaintState(), 2);
}

TEST_F(SkinnedSplitter, DotGripWithoutGripImagesAndAGlyphInsteadOfIt) {
    splitter->SetWidth(10);
    splitter->SetShowGrip(true);
    display.PumpMessages();
    auto shown = test::ScreenImage(*form, *splitter);
    // A vertical bar: a 4 x 21 field of dots centred, white with black below right.
    int x0 = (10 - 4) / 2, y0 = (splitter->Height() - 21) / 2;
    EXPECT_EQ(PixelAt(*shown, x0, y0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(PixelAt(*shown, x0 + 1, y0 + 1) & 0xFFFFFF, 0u);
    EXPECT_EQ(PixelAt(*shown, x0, y0 - 2) & 0xFFFFFF, 0x808080u);

    TBitmap glyph(4, 4, pf24bit);
    glyph.Canvas().Brush().SetColor(static_cast<TColor>(0x0000FF));
    glyph.Canvas().FillRect(RECT{0, 0, 4, 4});
    glyph.Canvas().SetPixels(0, 3, static_cast<TColor>(0x00FF00));  // the transparent colour
    splitter->SetGlyph(glyph);
    display.PumpMessages();
    shown = test::ScreenImage(*form, *splitter);
    EXPECT_EQ(PixelAt(*shown, x0, y0) & 0xFFFFFF, 0x808080u) << "no grip with a glyph";
    int gx = (10 - 4) / 2, gy = (splitter->Height() - 4) / 2;
    EXPECT_EQ(PixelAt(*shown, gx + 1, gy + 1) & 0xFFFFFF, 0xFF0000u);
}

}  // namespace
}  // namespace parch
