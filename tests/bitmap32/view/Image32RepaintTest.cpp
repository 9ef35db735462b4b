// The three repaint modes must end with the same screen after the same edits of the shown
// bitmap: a partial repaint that misses pixels the resampler reaches leaves stale ones.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "tests/bitmap32/view/ViewFixture.h"

namespace parch {
namespace {

using namespace view_test;

struct ViewCase {
    const char* name;
    int bitmapSize;
    float scale;
};

const ViewCase kViews[] = {{"Enlarged", 60, 2.5f}, {"Reduced", 400, 0.4f}, {"SlightlyReduced", 200, 0.9f}};

class RepaintModes : public ViewFixture, public ::testing::WithParamInterface<ViewCase> {
protected:
    // The screen after showing the noise picture in mode and making the scripted edits.
    std::vector<std::uint32_t> ScreenAfterEdits(TRepaintMode mode) {
        const ViewCase& c = GetParam();
        form = MakeForm(260, 200);
        auto* image = Child<TImage32>(form, 0, 0, 260, 200);
        image->SetColor(clSilver);
        image->SetScaleMode(smScale);
        image->SetBitmapAlign(baCenter);
        image->SetScale(c.scale);
        const auto noise = resample_test::NoiseBitmap(c.bitmapSize, c.bitmapSize, 7);
        image->SetBitmap(noise.get());  // takes the source's resampler too
        image->Bitmap().SetResamplerClassName("TKernelResampler");
        SetPropertyText(image->Bitmap(), "Resampler.KernelClassName", "TCubicKernel");
        image->SetRepaintMode(mode);
        Show(form);
        std::mt19937 random(11);
        for (int edit = 0; edit < 12; ++edit) {
            const int size = 1 + static_cast<int>(random() % 3);
            const int x = static_cast<int>(random() % static_cast<unsigned>(c.bitmapSize - size));
            const int y = static_cast<int>(random() % static_cast<unsigned>(c.bitmapSize - size));
            const TColor32 colour = 0xFF000000u | (random() & 0xFFFFFFu);
            image->Bitmap().FillRect(x, y, x + size, y + size, colour);
            image->Bitmap().Changed(RECT{x, y, x + size, y + size});
            display.PumpMessages();
        }
        std::vector<std::uint32_t> shown = ControlPixels(form, image);
        delete form;
        return shown;
    }
};

TEST_P(RepaintModes, PartialRepaintsEndAsAFullRepaintDoes) {
    const std::vector<std::uint32_t> full = ScreenAfterEdits(rmFull);
    for (TRepaintMode mode : {rmDirect, rmOptimizer}) {
        const std::vector<std::uint32_t> partial = ScreenAfterEdits(mode);
        ASSERT_EQ(partial.size(), full.size());
        int stale = 0;
        for (std::size_t i = 0; i < full.size(); ++i)
            if (partial[i] != full[i]) ++stale;
        EXPECT_EQ(stale, 0) << (mode == rmDirect ? "rmDirect" : "rmOptimizer");
    }
}

INSTANTIATE_TEST_SUITE_P(Views, RepaintModes, ::testing::ValuesIn(kViews),
                         [](const ::testing::TestParamInfo<ViewCase>& info) { return std::string(info.param.name); });

class TiledRepaint : public ViewFixture {};

// A tiled bitmap shown at a scale that rounds it to nothing has no tiles to repeat a change in.
TEST_F(TiledRepaint, AnEmptyTileRepeatsNothing) {
    for (TRepaintMode mode : {rmDirect, rmOptimizer}) {
        form = MakeForm(100, 100);
        auto* image = Child<TImage32>(form, 0, 0, 100, 100);
        image->SetColor(clSilver);
        image->Bitmap().SetSize(30, 20);
        image->SetScaleMode(smScale);
        image->SetScale(0.001f);
        image->SetBitmapAlign(baTile);
        image->SetRepaintMode(mode);
        Show(form);
        image->Bitmap().FillRect(1, 1, 3, 3, Color32(0xFF, 0, 0));
        image->Bitmap().Changed(RECT{1, 1, 3, 3});
        display.PumpMessages();
        EXPECT_TRUE(IsRectEmpty(image->ViewRect()));
        EXPECT_EQ(ControlPixels(form, image), std::vector<std::uint32_t>(100 * 100, 0xC0C0C0u));
        delete form;
    }
}

// Tiles of a pixel repeat a change thousands of times; it is then repainted as one rectangle.
TEST_F(TiledRepaint, TinyTilesRepaintTheViewAsOneRectangle) {
    for (TRepaintMode mode : {rmFull, rmDirect, rmOptimizer}) {
        form = MakeForm(200, 200);
        auto* image = Child<TImage32>(form, 0, 0, 150, 150);
        image->Bitmap().SetSize(30, 20);
        image->Bitmap().Clear(Color32(0, 0, 0xFF));
        image->SetScaleMode(smScale);
        image->SetScale(0.04f);  // one pixel by one
        image->SetBitmapAlign(baTile);
        image->SetRepaintMode(mode);
        Show(form);
        int mostPending = 0;
        image->OnGDIOverlay = [&](TObject*) { mostPending = std::max(mostPending, image->InvalidAreas().Count()); };
        image->Bitmap().Clear(Color32(0xFF, 0, 0));
        image->Bitmap().Changed(RECT{0, 0, 30, 20});
        display.PumpMessages();
        EXPECT_LE(mostPending, 1);
        EXPECT_EQ(ControlPixels(form, image), std::vector<std::uint32_t>(150 * 150, 0xFF0000u));
        delete form;
    }
}

}  // namespace
}  // namespace parch
