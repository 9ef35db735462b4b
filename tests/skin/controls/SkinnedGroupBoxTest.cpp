// The skinned group box: where its caption band lies, the client area it leaves, margins that
// repaint, and the face it paints over its parent.

#include <gtest/gtest.h>

#include "skin/controls/sGroupBox.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

class SkinnedGroupBox : public FormFixture {
protected:
    void SetUp() override {
        test::LoadSections(manager, {test::MakeSection("GROUPBOX", 0x00C000, 0), test::MakeSection("CHECKBOX", 0xC00000, 0)});
        form = MakeForm(300, 200);
        form->SetColor(static_cast<TColor>(0x0000FF));
        Show(form);
        box = Child<TsGroupBox>(form, 10, 10, 200, 100);
        box->SetText("Output Folder");
        display.PumpMessages();
    }
    int CaptionTextWidth() {
        TCanvas& canvas = box->SkinData().CacheBitmap->Canvas();
        canvas.Font().Assign(box->Font());
        return canvas.TextWidth(box->Text());
    }

    TsSkinManager manager;
    TForm* form = nullptr;
    TsGroupBox* box = nullptr;
};

TEST_F(SkinnedGroupBox, CaptionBandByLayoutMarginsAndWidth) {
    const int tw = CaptionTextWidth();
    struct Case {
        const char* what;
        TsGroupCaptionLayout layout;
        int captionWidth;
        int left;
        int right;
    };
    const Case cases[] = {
        {"left", clTopLeft, 0, 6, 6 + tw + 8},
        {"centre", clTopCenter, 0, (200 - tw - 4 - 6) / 2, (200 - tw - 4 - 6) / 2 + tw + 8},
        {"right", clTopRight, 0, 200 - tw - 8 - 6, 200 - 6},
        {"fixed width left", clTopLeft, 60, 8, 70},
        {"fixed width right", clTopRight, 60, 200 - 60 - 2 - 6, 200 - 60 - 2 - 6 + 62},
    };
    for (const Case& c : cases) {
        box->SetCaptionLayout(c.layout);
        box->SetCaptionWidth(c.captionWidth);
        RECT band = box->CaptionRect();
        EXPECT_EQ(band.left, c.left) << c.what;
        EXPECT_EQ(band.right, c.right) << c.what;
        EXPECT_EQ(band.top, 0) << c.what;
    }
}

TEST_F(SkinnedGroupBox, NegativeYOffsetLiftsTheBandAndTheClientArea) {
    auto* child = Child<TPanel>(box, 0, 0, 50, 20);
    child->SetAlign(alTop);
    const int topBefore = child->Top();
    const RECT bandBefore = box->CaptionRect();
    box->SetCaptionYOffset(-5);
    box->Realign();
    EXPECT_EQ(box->CaptionRect().top, -5);
    EXPECT_EQ(box->CaptionRect().bottom, bandBefore.bottom - 5);
    EXPECT_EQ(child->Top(), topBefore - 5);
}

TEST_F(SkinnedGroupBox, SettingAMarginToItsValueStillRepaints) {
    box->SkinData().BackgroundDirty = false;
    int paints = 0;
    TWndMethod inherited = box->WindowProc;
    box->WindowProc = [&](TMessage& message) {
        if (message.Msg == WM_PAINT) ++paints;
        inherited(message);
    };
    box->CaptionMargin().SetValue(0, box->CaptionMargin().Left());
    display.PumpMessages();
    EXPECT_GT(paints, 0);
    box->WindowProc = inherited;
}

TEST_F(SkinnedGroupBox, FaceStartsHalfwayDownTheBandWithTheCaptionOnItsOwnBand) {
    display.PumpMessages();
    auto shown = test::ScreenImage(*form, *box);
    const RECT band = box->CaptionRect();
    const int frameTop = (band.bottom - band.top) / 2;
    // Above the frame: the form; below: the section; the band, behind a parent that answers
    // with a colour, takes that colour.
    EXPECT_EQ(test::PixelAt(*shown, 195, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(test::PixelAt(*shown, 195, frameTop + 2) & 0xFFFFFF, 0x00C000u);
    EXPECT_EQ(test::PixelAt(*shown, band.left + 1, band.top + 1) & 0xFFFFFF, 0xFF0000u);
    // The caption itself: dark ink of the section's font colour (black) on the band.
    int ink = 0;
    for (int y = band.top; y < band.bottom; ++y)
        for (int x = band.left; x < band.right; ++x) ink += test::ChannelOf(test::PixelAt(*shown, x, y), 2) < 96;
    EXPECT_GT(ink, 20);
}

}  // namespace
}  // namespace parch
