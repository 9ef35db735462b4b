// Skinned labels on the headless screen: the font colour they take from the skin, the disabled
// look, what removing the skin leaves, the section behind them, and the drop shadow of the
// effect label (its reach, its auto size and its limits).

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "skin/controls/sLabel.h"
#include "skin/engine/sBoundLabel.h"
#include "skin/engine/sSkinnedForms.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/gdi/TestFonts.h"
#include "tests/skin/engine/CommonDataFixtures.h"

namespace parch {
namespace {

using test::MakeSection;
using test::TsPanel;

constexpr TColor kGlobalFont = static_cast<TColor>(0x00204060);
constexpr TColor kPanelFont = static_cast<TColor>(0x000000C0);
constexpr TColor kBandFont = static_cast<TColor>(0x00C00000);
constexpr TColor kBandColor = static_cast<TColor>(0x0000A0F0);
constexpr TColor kFormColor = static_cast<TColor>(0x00E0E0E0);
// One full block: its inside is drawn in exactly the text colour.
constexpr const char* kBlock = "\xE2\x96\x88";

TsGeneralData SectionWithFont(const std::string& name, std::uint32_t color, int transparency, TColor font,
                              bool givesFont) {
    TsGeneralData section = MakeSection(name, color, transparency);
    section.FontColor = static_cast<std::uint32_t>(font);
    section.StateProps[0].FontColor = section.FontColor;
    section.GiveOwnFont = givesFont;
    return section;
}

// Sections: 0 GLOBALINFO, 1 PANEL (gives its font), 2 PLAIN (does not), 3 GLASS (see-through,
// gives its font), 4 BAND (an opaque colour of its own).
class SkinnedLabels : public FormFixture {
protected:
    void SetUp() override {
        LoadSkin();
        form = MakeForm(400, 300);
        form->SetColor(kFormColor);
    }

    void LoadSkin() {
        TsGeneralData global = SectionWithFont("GLOBALINFO", 0x00C8C8C8, 0, kGlobalFont, false);
        global.TCLeft = 0xFFFFFFFFu;
        test::LoadSections(manager, {global, SectionWithFont("PANEL", 0x00F0F0F0, 0, kPanelFont, true),
                                     SectionWithFont("PLAIN", 0x00F0F0F0, 0, clLime, false),
                                     SectionWithFont("GLASS", 0x00F0F0F0, 80, clAqua, true),
                                     SectionWithFont("BAND", static_cast<std::uint32_t>(kBandColor), 0, kBandFont,
                                                     false)});
        manager.SkinData().Shadow1Blur = -1;
    }

    template <class Label>
    Label* AddLabel(TWinControl* parent, int left, int top, const std::string& caption) {
        auto* label = new Label(form);
        label->SetParent(parent);
        label->Font().SetName("DejaVu Sans");
        label->Font().SetHeight(-16);
        label->Font().SetColor(clBlack);
        label->SetLeft(left);
        label->SetTop(top);
        label->SetCaption(caption);
        return label;
    }

    TsPanel* AddPanel(TWinControl* parent, const std::string& section, RECT bounds) {
        auto* panel = new TsPanel(form, 51);
        panel->SetParent(parent);
        panel->SetBoundsRect(bounds);
        panel->SkinData.SetSkinSection(section);
        return panel;
    }

    void Paint() {
        Show(form);
        form->Repaint();
        display.PumpMessages();
    }

    TsSkinManager manager;
    TForm* form = nullptr;
};

TEST_F(SkinnedLabels, FontColourComesFromTheSectionThatGivesTheFont) {
    TsPanel* panel = AddPanel(form, "PANEL", {0, 0, 200, 100});
    TsPanel* plain = AddPanel(form, "PLAIN", {200, 0, 400, 100});
    TsPanel* glassOnPanel = AddPanel(panel, "GLASS", {10, 40, 160, 90});
    struct Case {
        const char* where;
        TWinControl* parent;
        const char* skinSection;
        TColor expected;
    };
    const Case cases[] = {
        {"on the form: the skin's global font colour", form, "", kGlobalFont},
        {"on a section that gives its font", panel, "", kPanelFont},
        {"on a section that does not", plain, "", kGlobalFont},
        {"on a see-through section: the one below it", glassOnPanel, "", kPanelFont},
        {"with a section of its own", form, "BAND", kBandFont},
        {"with a section the skin lacks", form, "NOSUCH", kGlobalFont},
    };
    for (const Case& c : cases) {
        auto* label = AddLabel<TsLabel>(c.parent, 2, 2, "Text");
        label->SetSkinSection(c.skinSection);
        Paint();
        EXPECT_EQ(label->Font().Color(), c.expected) << c.where;
        delete label;
    }
}

TEST_F(SkinnedLabels, UseSkinColorOffKeepsTheOwnColourAndSurvivesSkinRemoval) {
    struct Case {
        bool useSkinColor;
        TColor whileSkinned;
        TColor afterRemoval;
    };
    for (const Case& c : {Case{true, kGlobalFont, clWindowText}, Case{false, clMaroon, clMaroon}}) {
        auto* label = AddLabel<TsLabel>(form, 2, 2, "Text");
        label->Font().SetColor(clMaroon);
        label->SetUseSkinColor(c.useSkinColor);
        Paint();
        EXPECT_EQ(label->Font().Color(), c.whileSkinned) << c.useSkinColor;
        manager.RemoveSkin();
        EXPECT_EQ(label->Font().Color(), c.afterRemoval) << c.useSkinColor;
        delete label;
        LoadSkin();
    }
}

TEST_F(SkinnedLabels, SkinRemovalResetsEveryLabelKindButOnlyFromTheDefaultManager) {
    auto* fx = AddLabel<TsLabelFX>(form, 2, 2, "Effect");
    auto* label = AddLabel<TsLabel>(form, 2, 40, "Text");
    Paint();
    TsSkinManager other;  // not the default one
    TMessage fromOther = MakeSkinCommand(scSkinRemoved, &other);
    label->Perform(fromOther.Msg, fromOther.WParam, fromOther.LParam);
    fx->Perform(fromOther.Msg, fromOther.WParam, fromOther.LParam);
    EXPECT_EQ(label->Font().Color(), kGlobalFont);
    EXPECT_EQ(fx->Font().Color(), kGlobalFont);
    manager.RemoveSkin();
    EXPECT_EQ(label->Font().Color(), clWindowText);
    EXPECT_EQ(fx->Font().Color(), clWindowText);
}

int Mix(int a, int b, double k) { return static_cast<int>(std::lround(a * k + b * (1 - k))); }

TEST_F(SkinnedLabels, DisabledLabelShowsFortyPercentFontOverTheBackground) {
    auto* label = AddLabel<TsLabel>(form, 20, 20, kBlock);
    label->Font().SetHeight(-40);
    label->SetEnabled(false);
    Paint();
    WindowPixels pixels(form);
    COLORREF inside = pixels.At(label, label->Width() / 2, label->Height() / 2);
    COLORREF font = ColorToRGB(kGlobalFont), back = ColorToRGB(kFormColor);
    EXPECT_EQ(GetRValue(inside), Mix(GetRValue(font), GetRValue(back), 0.4));
    EXPECT_EQ(GetGValue(inside), Mix(GetGValue(font), GetGValue(back), 0.4));
    EXPECT_EQ(GetBValue(inside), Mix(GetBValue(font), GetBValue(back), 0.4));
}

TEST_F(SkinnedLabels, OwnSectionIsPaintedBehindTheTextExceptTheSkinsFirstSection) {
    struct Case {
        const char* section;
        COLORREF background;
    };
    for (const Case& c : {Case{"BAND", ColorToRGB(kBandColor)}, Case{"GLOBALINFO", ColorToRGB(kFormColor)}}) {
        auto* label = AddLabel<TsLabel>(form, 30, 30, "Ab");
        label->SetAutoSize(false);
        label->SetBounds(30, 30, 120, 40);
        label->SetSkinSection(c.section);
        Paint();
        WindowPixels pixels(form);
        EXPECT_EQ(pixels.At(label, 110, 35), c.background) << c.section;
        delete label;
    }
}

// The effect label against a plain label of the same text: how far the shadow reaches and how
// much an auto-sized label grows.
TEST_F(SkinnedLabels, ShadowExtentsAndAutoSizeFollowBlurAndDistance) {
    struct Case {
        const char* what;
        TsShadowMode mode;
        TColor color;
        int blur;
        int distance;
        int skinBlur;  // the skin's blur (-1: the skin has no shadow)
        int skinOffset;
        int topLeft;
        int rightBottom;
        int growth;
    };
    const Case cases[] = {
        {"distance 1, blur 4", smCustom, clBlack, 4, 1, -1, 0, -3, 5, 8},
        {"blur 0 draws no shadow", smCustom, clBlack, 0, 1, -1, 0, 0, 1, 0},
        {"colour none draws no shadow", smCustom, clNone, 4, 1, -1, 0, -3, 5, 0},
        {"skin without a shadow: own values", smSkin1, clBlack, 4, 1, -1, 0, -3, 5, 8},
        {"skin's shadow", smSkin1, clBlack, 4, 1, 2, 3, 0, 5, 5},
        {"hostile form values are limited", smCustom, clBlack, 2000000000, 2000000000, -1, 0, 0, 64, 64},
        {"hostile skin values are limited", smSkin1, clBlack, 4, 1, 32767, -32768, -64, 0, 64},
        {"negative blur is none", smCustom, clBlack, -5, 1, -1, 0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        manager.SkinData().Shadow1Blur = static_cast<std::int16_t>(c.skinBlur);
        manager.SkinData().Shadow1Offset = static_cast<std::int16_t>(c.skinOffset);
        auto* plain = AddLabel<TsLabel>(form, 10, 10, "Shadowed text");
        auto* fx = AddLabel<TsLabelFX>(form, 10, 60, "Shadowed text");
        fx->Shadow().SetMode(c.mode);
        fx->Shadow().SetColor(c.color);
        fx->Shadow().SetBlurCount(c.blur);
        fx->Shadow().SetDistance(c.distance);
        fx->SetCaption("Shadowed text ");
        fx->SetCaption("Shadowed text");  // sized again under the settings
        Paint();
        EXPECT_EQ(fx->TopLeftExtent(), c.topLeft) << c.what;
        EXPECT_EQ(fx->RightBottomExtent(), c.rightBottom) << c.what;
        EXPECT_EQ(fx->Width() - plain->Width(), c.growth) << c.what;
        EXPECT_EQ(fx->Height() - plain->Height(), c.growth) << c.what;
        delete plain;
        delete fx;
    }
}

TEST_F(SkinnedLabels, ShadowFadesAwayFromTheText) {
    auto* fx = AddLabel<TsLabelFX>(form, 40, 40, kBlock);
    fx->Font().SetHeight(-40);
    fx->Shadow().SetMode(smCustom);
    fx->Shadow().SetColor(clBlack);
    fx->Shadow().SetBlurCount(6);
    fx->Shadow().SetDistance(3);
    fx->Kind().SetKindType(ktCustom);
    fx->Kind().SetColor(clWhite);
    fx->SetCaption(std::string(kBlock) + " ");
    fx->SetCaption(kBlock);
    Paint();
    WindowPixels pixels(form);
    const int middleX = fx->Width() / 2 - 4;
    // The block's inside is the text colour; below it the shadow darkens the background less and
    // less with distance, and the label's far corner is untouched.
    EXPECT_EQ(pixels.At(fx, middleX, fx->Height() / 2 - 4), ColorToRGB(clWhite));
    int bottomOfBlock = -1;
    for (int y = fx->Height() - 1; y > 0; --y)
        if (pixels.At(fx, middleX, y) == ColorToRGB(clWhite)) {
            bottomOfBlock = y;
            break;
        }
    ASSERT_GT(bottomOfBlock, 0);
    int previous = GetRValue(pixels.At(fx, middleX, bottomOfBlock + 2));
    EXPECT_LT(previous, 64);
    for (int y = bottomOfBlock + 3; y < fx->Height(); ++y) {
        int red = GetRValue(pixels.At(fx, middleX, y));
        EXPECT_GE(red, previous) << y;
        previous = red;
    }
    EXPECT_GT(previous, GetRValue(pixels.At(fx, middleX, bottomOfBlock + 2)));
    EXPECT_EQ(pixels.At(fx, 0, 0), ColorToRGB(kFormColor));
    // The blur plane covers the label with a one-byte border, no more.
    EXPECT_EQ(fx->BlurBufferSize(), static_cast<std::size_t>((fx->Width() + 2) * (fx->Height() + 2)));
}

TEST_F(SkinnedLabels, EditLabelShownByABoundLabelGoesWithIt) {
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetName("Edit1");
    edit->SetBounds(150, 100, 120, 21);
    TsCommonData data(edit, false);
    TsBoundLabel bound(data);
    SetBoundLabelFactory([&](TWinControl&) { return std::make_unique<TsEditLabel>(nullptr, &bound); });
    bound.SetActive(true);
    auto* label = dynamic_cast<TsEditLabel*>(bound.Label());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->BoundLabel(), &bound);
    Paint();
    EXPECT_EQ(label->Font().Color(), kGlobalFont);  // a skinned label like any other
    bound.SetActive(false);
    EXPECT_EQ(bound.Label(), nullptr);
    EXPECT_FALSE(bound.Active());
    SetBoundLabelFactory({});
}

}  // namespace
}  // namespace parch
