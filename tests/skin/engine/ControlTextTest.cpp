// Captions in the colours of a section or of a control's skin data: contour copies, the
// disabled mix, the control's hue, and the classic look of unskinned text.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/TextLayout.h"
#include "skin/engine/sPixelBlend.h"
#include "skin/engine/sSkinText.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::MakeSection;
using test::PixelAt;
using test::TsPanel;

constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// The ink colours on a black bitmap (framework colours, red in the low byte): a pixel counts for
// a colour when the channels the colour lights are lit and clearly above those it leaves dark,
// so edge pixels that cover black, or another copy, only in part count too.
struct Ink {
    explicit Ink(TBitmap& bitmap) {
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(ExchangeRedBlueNoAlpha(PixelAt(bitmap, x, y)));
    }
    bool count(TColor colour) const {
        for (TColor pixel : pixels) {
            int litLeast = 255, darkMost = 0;
            for (int channel = 0; channel < 3; ++channel) {
                int want = (colour >> (8 * channel)) & 0xFF, have = (pixel >> (8 * channel)) & 0xFF;
                if (want != 0) litLeast = std::min(litLeast, have);
                else darkMost = std::max(darkMost, have);
            }
            if (litLeast > 40 && litLeast > 2 * darkMost) return true;
        }
        return false;
    }
    bool Blank() const {
        for (TColor pixel : pixels)
            if ((pixel & 0xFFFFFF) != 0) return false;
        return true;
    }
    std::vector<TColor> pixels;
};
Ink ColoursOn(TBitmap& bitmap) { return Ink(bitmap); }

std::unique_ptr<TBitmap> TextBitmap() {
    auto bitmap = FilledBitmap(80, 40, 0xFF000000u);
    bitmap->Canvas().Font().SetSize(20);
    bitmap->Canvas().Font().SetStyle(fsBold);
    return bitmap;
}

class ControlText : public ::testing::Test {
protected:
    void SetUp() override {
        TsGeneralData global = MakeSection("GLOBALINFO", 0x00FFFFFF, 0);
        TsGeneralData caption = MakeSection("CAPTION", 0x00FF0000, 0);
        caption.FontColor = 0x000000FF;
        caption.StateProps[0].FontColor = 0x000000FF;
        caption.StateProps[0].TCLeft = 0x0000FF00;
        caption.StateProps[0].TCTop = caption.StateProps[0].TCRight = caption.StateProps[0].TCBottom = kNone;
        caption.StateProps[1] = caption.StateProps[0];
        caption.StateProps[1].TCLeft = kNone;
        test::LoadSections(manager, {global, caption});
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST_F(ControlText, SectionTextInItsColours) {
    const TColor red = 0x0000FF, green = 0x00FF00;
    const TColor disabled = MixColorsByFactor(red, 0x00FF0000, 0.4);
    struct Case {
        const char* what;
        bool enabled, hot;
        std::set<TColor> present, absent;
    };
    const Case cases[] = {
        {"font colour with its left contour", true, false, {red, green}, {disabled}},
        {"the hot state has no contour", true, true, {red}, {green}},
        {"disabled: 40 % font colour over the section colour", false, false, {disabled}, {red, green}},
    };
    for (const Case& c : cases) {
        auto bitmap = TextBitmap();
        DrawSectionText(bitmap->Canvas(), "HH", c.enabled, RECT{0, 0, 80, 40}, kCentred, 1, c.hot, &manager);
        Ink colours = ColoursOn(*bitmap);
        for (TColor colour : c.present) EXPECT_TRUE(colours.count(colour)) << c.what << " " << std::hex << colour;
        for (TColor colour : c.absent) EXPECT_FALSE(colours.count(colour)) << c.what << " " << std::hex << colour;
    }
    auto untouched = TextBitmap();
    DrawSectionText(untouched->Canvas(), "HH", true, RECT{0, 0, 80, 40}, kCentred, 7, false, &manager);
    EXPECT_TRUE(ColoursOn(*untouched).Blank());
}

TEST_F(ControlText, ControlCaptionsFollowTheSkinDataOrTheClassicLook) {
    auto* panel = new TsPanel(&form, 51);
    panel->SetParent(&form);
    panel->SkinData.SetSkinSection("CAPTION");
    panel->SkinData.CacheBitmap.reset();

    auto disabled = TextBitmap();
    DrawControlText(disabled->Canvas(), "HH", false, RECT{0, 0, 80, 40}, kCentred, panel->SkinData, false);
    EXPECT_TRUE(ColoursOn(*disabled).count(MixColorsByFactor(0x0000FF, manager.GetGlobalColor(), 0.4)));

    panel->SkinData.HUEOffset = 120;
    auto turned = TextBitmap();
    DrawControlText(turned->Canvas(), "HH", true, RECT{0, 0, 80, 40}, kCentred, panel->SkinData, true);
    EXPECT_TRUE(ColoursOn(*turned).count(0x00FF00)) << "red turned by 120 degrees";
    EXPECT_FALSE(ColoursOn(*turned).count(0x0000FF));

    panel->SkinData.SetCustomFont(true);
    auto classic = TextBitmap();
    DrawControlText(classic->Canvas(), "HH", false, RECT{0, 0, 80, 40}, kCentred, panel->SkinData, false);
    Ink colours = ColoursOn(*classic);
    EXPECT_TRUE(colours.count(static_cast<TColor>(ColorToRGB(clBtnHighlight))));
    EXPECT_TRUE(colours.count(static_cast<TColor>(ColorToRGB(clBtnShadow))));
}

}  // namespace
}  // namespace parch
