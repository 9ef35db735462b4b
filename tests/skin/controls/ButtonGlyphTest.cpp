// The glyph of a skinned bit button from a 32-bit image list: the frame for the state, the
// pressed frame clamped to the frames there are, and the disabled glyph half transparent.

#include <gtest/gtest.h>

#include "skin/controls/sBitBtn.h"
#include "skin/engine/acAlphaImageList.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PngFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

constexpr std::uint32_t kFace = 0x404040;

// Three 16-pixel frames: red, green, blue.
std::string ThreeFramePng() {
    const std::uint8_t colours[3][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    std::vector<std::uint8_t> samples;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 48; ++x) samples.insert(samples.end(), {colours[x / 16][0], colours[x / 16][1], colours[x / 16][2], 255});
    return test::EncodePng(48, 16, samples);
}

// Opaque glyph pixels blended at full weight may come out one step below their colour.
bool WithinOne(std::uint32_t actual, std::uint32_t expected) {
    for (int c = 0; c < 3; ++c)
        if (std::abs(test::ChannelOf(actual, c) - test::ChannelOf(expected, c)) > 1) return false;
    return true;
}

class ButtonGlyph : public FormFixture {
protected:
    void SetUp() override {
        auto section = test::MakeSection("BUTTON", kFace, 0);
        section.StateCount = 3;
        section.HotColor = kFace;
        test::LoadSections(manager, {section});
        form = MakeForm(200, 100);
        Show(form);
        TsImgListItem& item = *images.Items().Add();
        item.ImageFormat = ifPNG;
        std::string png = ThreeFramePng();
        item.ImgData().Write(png.data(), static_cast<std::int64_t>(png.size()));
        images.GenerateStdList();
        button = Child<TsBitBtn>(form, 10, 10, 80, 30);
        button->SetImages(&images);
        button->SetImageIndex(0);
        button->SetNumGlyphs(3);
        display.PumpMessages();
    }
    // The colour at the middle of the glyph in a freshly built cache.
    std::uint32_t GlyphMiddle() {
        button->SkinData().BackgroundDirty = true;
        button->PrepareCache();
        RECT r = button->BitBtnGlyphRect();
        return PixelAt(*button->SkinData().CacheBitmap, (r.left + r.right) / 2, (r.top + r.bottom) / 2) & 0xFFFFFF;
    }

    TsSkinManager manager;
    TForm* form = nullptr;
    TsAlphaImageList images{nullptr, 48, 16};
    TsBitBtn* button = nullptr;
};

TEST_F(ButtonGlyph, FrameFollowsTheState) {
    EXPECT_PRED2(WithinOne, GlyphMiddle(), 0xFF0000u) << "normal: frame 0";
    button->SkinData().MouseInside = true;
    EXPECT_PRED2(WithinOne, GlyphMiddle(), 0x00FF00u) << "hot: frame 1";
    button->SkinData().MouseInside = false;
    button->SetDown(true);
    EXPECT_PRED2(WithinOne, GlyphMiddle(), 0x0000FFu) << "pressed and Down: frame 3 clamped to 2";
}

TEST_F(ButtonGlyph, DisabledGlyphIsBlendedHalfWay) {
    button->SetEnabled(false);
    // The same disabled face with and without the half-transparent glyph: the blended glyph
    // lets the grey face through.
    button->DisabledGlyphKind = 0;
    std::uint32_t opaque = GlyphMiddle();
    button->DisabledGlyphKind = 1u << dgBlended;
    std::uint32_t blended = GlyphMiddle();
    EXPECT_GT(test::ChannelOf(opaque, 2) - test::ChannelOf(blended, 2), 40);
    EXPECT_GT(test::ChannelOf(blended, 2), test::ChannelOf(blended, 1) + 20) << "still reddish";
    TsButtonGlyphInputs inputs = button->ButtonGlyphInputs();
    EXPECT_EQ(inputs.DisabledGlyphKind, 1u << dgBlended);
    EXPECT_EQ(GlyphGreyColor(inputs, false, button->SkinData()), clNone);
    inputs.DisabledGlyphKind = 1u << dgGrayed;
    EXPECT_EQ(GlyphGreyColor(inputs, false, button->SkinData()), static_cast<TColor>(kFace));
}

}  // namespace
}  // namespace parch
