// The skinned check box: clicks and the space bar handled by the box itself while skinned,
// read-only boxes, a release off the box, the grayed cycle, glyph sources and their frames,
// auto size, and Checked while a form loads.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/win/Input.h"
#include "skin/controls/sCheckBox.h"
#include "skin/engine/sPaintHelpers.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

constexpr std::uint32_t kBoxFace = 0x00404040;

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y))); }

// A glyph strip of square frames, each frame one colour.
std::unique_ptr<TBitmap> FrameStrip(int height, const std::vector<std::uint32_t>& colours, int extraWidth = 0) {
    const int width = height * static_cast<int>(colours.size()) + extraWidth;
    auto strip = NewPf32Bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            PixelAt(*strip, x, y) = colours[static_cast<size_t>(std::min(x / height, static_cast<int>(colours.size()) - 1))];
    return strip;
}

class SkinnedCheckBox : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadSections(manager, {test::MakeSection("CHECKBOX", kBoxFace, 0), test::MakeSection("GLOBALINFO", 0, 0)});
        form.SetBounds(0, 0, 300, 200);
        form.Show();
    }

    TsCheckBox* NewBox(const std::string& caption = "Keep") {
        auto* box = new TsCheckBox(&form);
        box->SetParent(&form);
        box->SetCaption(caption);
        box->SetBounds(10, 10, 80, 20);
        box->HandleNeeded();
        return box;
    }

    // A skin glyph in the master bitmap: three state frames of 16 x 16 (red, green, blue) above
    // their masks (black: wholly the glyph).
    int AddSkinGlyph(int slot, std::int16_t frames, std::int16_t bands) {
        auto& master = manager.Tables().MasterBitmap;
        master = NewPf32Bitmap(48, 32);
        const std::uint32_t colours[3] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x) PixelAt(*master, x, y) = y < 16 ? colours[x / 16] : 0xFF000000u;
        TsMaskData mask;
        mask.SectionName = "GLOBALINFO";
        mask.KeyName = "BOXCHECKED";
        mask.SourceRect = RECT{0, 0, 48, 32};
        mask.FrameCount = frames;
        mask.ExtraBands = bands;
        mask.OwnerManager = &manager;
        manager.Tables().Masks.push_back(std::move(mask));
        int index = static_cast<int>(manager.Tables().Masks.size()) - 1;
        manager.Tables().ConstData.CheckGlyph[static_cast<size_t>(slot)] = static_cast<std::int16_t>(index);
        return index;
    }

    std::unique_ptr<TBitmap> Painted(TsCheckBox& box) {
        auto target = test::FilledBitmap(box.Width(), box.Height(), 0xFF123456u);
        box.Perform(WM_PAINT, reinterpret_cast<WPARAM>(target->Canvas().Handle()), 0);
        return target;
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

enum class Act { Click, DragOff, Space, DoubleClick };

void Perform(TsCheckBox& box, Act act) {
    switch (act) {
        case Act::Click:
            box.Perform(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
            box.Perform(WM_LBUTTONUP, 0, At(6, 5));
            break;
        case Act::DragOff:
            box.Perform(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
            box.Perform(WM_LBUTTONUP, 0, At(box.Width() + 40, 5));
            break;
        case Act::Space:
            box.Perform(WM_KEYDOWN, VK_SPACE, 0);
            box.Perform(WM_KEYUP, VK_SPACE, 0);
            break;
        case Act::DoubleClick:
            box.Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, 5));
            box.Perform(WM_LBUTTONUP, 0, At(5, 5));
            break;
    }
}

TEST_F(SkinnedCheckBox, MouseAndSpaceToggleOnlyWhenReleasedOnAWritableBox) {
    struct Case {
        const char* name;
        std::vector<Act> acts;
        bool readOnly;
        bool allowGrayed;
        TCheckBoxState expected;
        int clicks;
    };
    const Case cases[] = {
        {"click", {Act::Click}, false, false, cbChecked, 1},
        {"click twice", {Act::Click, Act::Click}, false, false, cbUnchecked, 2},
        {"space", {Act::Space}, false, false, cbChecked, 1},
        {"double click", {Act::DoubleClick}, false, false, cbChecked, 1},
        {"released off the box", {Act::DragOff}, false, false, cbUnchecked, 0},
        {"read-only click", {Act::Click}, true, false, cbUnchecked, 0},
        {"read-only space", {Act::Space}, true, false, cbUnchecked, 0},
        {"grayed after one", {Act::Click}, false, true, cbGrayed, 1},
        {"grayed then checked", {Act::Click, Act::Click}, false, true, cbChecked, 2},
        {"grayed cycle back", {Act::Click, Act::Click, Act::Click}, false, true, cbUnchecked, 3},
    };
    for (const Case& c : cases) {
        TsCheckBox* box = NewBox();
        ASSERT_TRUE(box->SkinData().IsSkinned());
        box->SetReadOnly(c.readOnly);
        box->SetAllowGrayed(c.allowGrayed);
        int clicks = 0;
        box->OnClick = [&](TObject*) { ++clicks; };
        for (Act act : c.acts) Perform(*box, act);
        EXPECT_EQ(box->State(), c.expected) << c.name;
        EXPECT_EQ(clicks, c.clicks) << c.name;
        EXPECT_FALSE(box->Pressed()) << c.name;
        delete box;
    }
}

TEST_F(SkinnedCheckBox, ReadOnlyBoxNeverShowsTheHotLook) {
    TsCheckBox* box = NewBox("");
    AddSkinGlyph(1, 3, 1);  // unchecked: frames normal, hot, pressed
    box->SetBounds(10, 10, 20, 20);
    for (bool readOnly : {false, true}) {
        box->SetReadOnly(readOnly);
        box->SkinData().MouseInside = true;
        box->SkinData().BackgroundDirty = true;
        RECT glyph = box->CheckRect();
        ASSERT_EQ(RectWidth(glyph), 16);
        auto hot = Painted(*box);
        box->SkinData().MouseInside = false;
        auto normal = Painted(*box);
        EXPECT_EQ(test::DifferingPixels(*hot, *normal) == 0, readOnly) << readOnly;
    }
}

TEST_F(SkinnedCheckBox, UserGlyphFramesFollowTheLook) {
    struct Case {
        int extraWidth;  // a strip that is not a multiple of its height is one frame
        bool hot;
        bool pressed;
        std::uint32_t expected;
    };
    const std::uint32_t red = 0xFFFF0000u, green = 0xFF00FF00u, blue = 0xFF0000FFu;
    const Case cases[] = {
        {0, false, false, red}, {0, true, false, green}, {0, true, true, blue}, {-8, true, true, red},
    };
    for (const Case& c : cases) {
        TsCheckBox* box = NewBox("");
        auto strip = FrameStrip(16, {red, green, blue}, c.extraWidth);
        box->SetGlyphUnChecked(strip.get());
        box->SetGlyphChecked(strip.get());  // the checked glyph gives the place
        box->SetBounds(10, 10, 20, 20);
        box->SkinData().MouseInside = c.hot;
        if (c.pressed) box->Perform(WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
        RECT glyph = box->CheckRect();
        EXPECT_EQ(RectWidth(glyph), c.extraWidth == 0 ? 16 : 40) << c.extraWidth;
        auto picture = Painted(*box);
        const std::uint32_t shown = PixelAt(*picture, glyph.left + 2, glyph.top + 2);
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(test::ChannelOf(shown, channel), test::ChannelOf(c.expected, channel), 1)
                << c.extraWidth << " " << c.hot << " " << c.pressed;
        delete box;
    }
}

TEST_F(SkinnedCheckBox, GlyphsWithoutFramesOrSizeDrawNothingInsteadOfDividingByZero) {
    struct Case {
        std::int16_t frames;
        std::int16_t bands;
    };
    for (const Case& c : {Case{0, 1}, Case{3, -1}, Case{0, -1}}) {
        manager.Tables().Masks.clear();
        AddSkinGlyph(0, c.frames, c.bands);
        AddSkinGlyph(1, c.frames, c.bands);
        TsCheckBox* box = NewBox("");
        box->SetAutoSize(false);
        box->SetBounds(10, 10, 20, 20);
        RECT glyph = box->CheckRect();
        EXPECT_TRUE(RectWidth(glyph) == 0 || RectHeight(glyph) == 0) << c.frames << " " << c.bands;
        auto picture = Painted(*box);
        EXPECT_EQ(PixelAt(*picture, 10, 10) & 0xFFFFFF, 0x404040u) << "only the face";
        delete box;
    }
}

TEST_F(SkinnedCheckBox, ImageIndexesWithoutAListUseTheSkinGlyphs) {
    AddSkinGlyph(0, 3, 1);
    TsCheckBox* box = NewBox("");
    EXPECT_EQ(box->ImgChecked(), 0);
    EXPECT_EQ(box->ImgUnchecked(), 0);
    EXPECT_EQ(RectWidth(box->CheckRect()), 16) << "the skin's checked glyph gives the size";
    delete box;
}

TEST_F(SkinnedCheckBox, AutoSizeFitsGlyphMarginsAndCaption) {
    AddSkinGlyph(0, 3, 1);
    TsCheckBox* box = NewBox("Keep the pages");
    SIZE text = GetFontTextSize(box->Font().Handle(), "Keep the pages");
    EXPECT_EQ(box->Width(), 16 + 2 * 2 + text.cx + 8);
    EXPECT_EQ(box->Height(), std::max(16, static_cast<int>(text.cy) + 4) + 2);

    box->SetTextIndent(5);
    box->SetMargin(4);
    EXPECT_EQ(box->Width(), 16 + 2 * 4 + text.cx + 5 + 8);

    box->SetCaption("");
    EXPECT_EQ(box->Width(), 16 + 2 * 4);
    EXPECT_EQ(box->Height(), std::max(16, 0 + 8) + 2);
    delete box;
}

TEST_F(SkinnedCheckBox, CheckedWhileLoadingLeavesTheStateToTheDescription) {
    TsCheckBox* box = NewBox();
    box->BeginLoading();
    box->SetChecked(true);
    EXPECT_EQ(box->State(), cbUnchecked);
    box->SetState(cbGrayed);
    box->Loaded();
    EXPECT_EQ(box->State(), cbGrayed);
    box->SetChecked(true);
    EXPECT_EQ(box->State(), cbChecked);
    delete box;
}

TEST_F(SkinnedCheckBox, LeftJustifiedPutsTheGlyphAtTheRightEdge) {
    TsCheckBox* box = NewBox("Right");
    box->SetAutoSize(false);
    box->SetBounds(10, 10, 100, 20);
    EXPECT_EQ(box->CheckRect().left, 2);
    box->SetAlignment(taLeftJustify);
    EXPECT_EQ(box->CheckRect().left, 100 - 16 - 2);
    delete box;
}

}  // namespace
}  // namespace parch
