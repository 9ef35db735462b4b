// The image control's placement of its bitmap, its scale, its events, its mouse handling and
// its properties read from a description.

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <limits>
#include <string>
#include <vector>

#include "bitmap32/Bitmap32Resamplers.h"
#include "tests/bitmap32/view/ViewFixture.h"

namespace parch {
namespace {

using namespace view_test;

struct GeometryCase {
    const char* name;
    int bitmapWidth, bitmapHeight;
    int controlWidth, controlHeight;
    TScaleMode mode;
    TBitmapAlign align;
    float scale;
    RECT expected;
};

const GeometryCase kGeometry[] = {
    {"NormalTopLeft", 30, 20, 100, 50, smNormal, baTopLeft, 1, {0, 0, 30, 20}},
    {"ScaleTiesRoundToEven", 101, 51, 200, 200, smScale, baTopLeft, 0.5f, {0, 0, 50, 26}},
    {"CentreInLarger", 7, 7, 10, 10, smNormal, baCenter, 1, {1, 1, 8, 8}},
    {"CentreTruncatesTowardZero", 7, 7, 4, 4, smNormal, baCenter, 1, {-1, -1, 6, 6}},
    {"StretchFillsTheControl", 30, 20, 100, 50, smStretch, baCenter, 1, {0, 0, 100, 50}},
    {"ResizeToWidthLimit", 200, 100, 300, 300, smResize, baTopLeft, 1, {0, 0, 300, 150}},
    {"ResizeToNarrowWidth", 200, 100, 100, 300, smResize, baTopLeft, 1, {0, 0, 100, 50}},
    {"ResizeToHeightLimit", 100, 200, 300, 300, smResize, baTopLeft, 1, {0, 0, 150, 300}},
    {"OptimalKeepsASmallBitmap", 30, 20, 100, 50, smOptimal, baTopLeft, 1, {0, 0, 30, 20}},
    {"OptimalResizesALargeBitmap", 200, 100, 100, 300, smOptimal, baTopLeft, 1, {0, 0, 100, 50}},
    {"OptimalScaledScalesWhileItFits", 40, 20, 100, 50, smOptimalScaled, baTopLeft, 2, {0, 0, 80, 40}},
    {"OptimalScaledResizesOnceTooWide", 40, 20, 100, 50, smOptimalScaled, baTopLeft, 3, {0, 0, 100, 50}},
    {"OptimalScaledResizesOnceTooTall", 20, 40, 100, 50, smOptimalScaled, baTopLeft, 1.5f, {0, 0, 25, 50}},
    {"TileIsTheFirstTile", 30, 20, 100, 50, smNormal, baTile, 1, {0, 0, 30, 20}},
    {"ZeroWidthControlShowsNothing", 30, 20, 0, 50, smNormal, baTopLeft, 1, {0, 0, 0, 0}},
    {"EmptyBitmapShowsNothing", 0, 0, 100, 50, smStretch, baCenter, 1, {0, 0, 0, 0}},
};

class ImageGeometry : public ViewFixture, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(ImageGeometry, PlacesTheBitmapByModeAndAlignment) {
    const GeometryCase& c = GetParam();
    TForm* holder = MakeForm(400, 400);
    auto* image = Child<TImage32>(holder, 0, 0, c.controlWidth, c.controlHeight);
    image->Bitmap().SetSize(c.bitmapWidth, c.bitmapHeight);
    image->SetScale(c.scale);
    image->SetScaleMode(c.mode);
    image->SetBitmapAlign(c.align);
    const RECT r = image->ViewRect();
    EXPECT_TRUE(EqualRect(r, c.expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    if (IsRectEmpty(c.expected)) {
        // Nothing shown: the identity transform.
        EXPECT_EQ(image->ViewShiftX(), 0.0f);
        EXPECT_EQ(image->ViewScaleX(), 1.0f);
        EXPECT_EQ(image->ViewScaleY(), 1.0f);
    } else {
        EXPECT_EQ(image->ViewShiftX(), static_cast<float>(c.expected.left));
        EXPECT_FLOAT_EQ(image->ViewScaleX(), static_cast<float>(c.expected.right - c.expected.left) / c.bitmapWidth);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageGeometry, ::testing::ValuesIn(kGeometry),
                         [](const ::testing::TestParamInfo<GeometryCase>& info) { return std::string(info.param.name); });

class Image32 : public ViewFixture {
protected:
    TImage32* MakeImage(int width, int height) {
        holder = MakeForm(400, 400);
        return Child<TImage32>(holder, 0, 0, width, height);
    }
    TForm* holder = nullptr;
};

TEST_F(Image32, ScaleHasAFloorAndIgnoresWhatIsNotANumber) {
    TImage32* image = MakeImage(100, 100);
    int scaleChanges = 0;
    image->OnScaleChange = [&](TObject*) { ++scaleChanges; };
    const float floor = std::bit_cast<float>(0x3A83126Fu);
    image->SetScale(0.0005f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(image->Scale()), 0x3A83126Fu);
    image->SetScale(0.001f);
    image->SetScale(0.0f);
    image->SetScale(-3.0f);
    EXPECT_EQ(image->Scale(), floor);
    EXPECT_EQ(scaleChanges, 1);
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()})
        image->SetScale(bad);
    EXPECT_EQ(image->Scale(), floor);
    EXPECT_EQ(scaleChanges, 1);
    image->SetScale(2.0f);
    image->SetScale(2.0f);
    EXPECT_EQ(scaleChanges, 2);
}

TEST_F(Image32, HugeScalesAndOffsetsStayInsideTheIntegerRange) {
    TImage32* image = MakeImage(100, 100);
    image->SetAutoSize(false);
    image->Bitmap().SetSize(1000, 1000);
    image->SetScaleMode(smScale);
    image->SetScale(3e38f);
    RECT r = image->ViewRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, INT_MAX / 2);
    EXPECT_GT(r.right, r.left);
    image->SetBitmapAlign(baCenter);
    r = image->ViewRect();
    EXPECT_EQ(r.left, (100 - INT_MAX / 2) / 2);
    EXPECT_EQ(r.right, r.left + INT_MAX / 2);
    image->SetScale(1);
    image->SetBitmapAlign(baCustom);
    image->SetCustomOffset(3e30f, -3e30f);
    r = image->ViewRect();
    EXPECT_EQ(r.left, INT_MAX / 2);
    EXPECT_EQ(r.top, -(INT_MAX / 2));
}

TEST_F(Image32, EachChangeFiresItsEventOnce) {
    TImage32* image = MakeImage(100, 100);
    std::vector<std::string> events;
    image->OnChange = [&](TObject*) { events.push_back("change"); };
    image->OnBitmapResize = [&](TObject*) { events.push_back("resize"); };
    image->OnScaleChange = [&](TObject*) { events.push_back("scale"); };

    TBitmap32 page;
    page.SetSize(40, 30);
    image->SetBitmap(&page);
    EXPECT_EQ(events, (std::vector<std::string>{"resize", "change"}));
    events.clear();
    image->SetBitmapAlign(baCenter);
    image->SetBitmapAlign(baCenter);  // the same value still reports a change
    EXPECT_EQ(events, (std::vector<std::string>{"change", "change"}));
    events.clear();
    image->SetScaleMode(smScale);
    image->SetScaleMode(smScale);
    EXPECT_EQ(events, (std::vector<std::string>{"change"}));
    events.clear();
    image->SetScale(0.5f);
    EXPECT_EQ(events, (std::vector<std::string>{"scale", "change"}));
    events.clear();
    image->BeginUpdate();
    image->SetBitmap(nullptr);
    image->SetScale(0.25f);
    image->EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"scale"}));  // updates hold back resize and change
    // Emptied: nothing shown, identity transform.
    EXPECT_TRUE(image->Bitmap().Empty());
    EXPECT_TRUE(EqualRect(image->ViewRect(), RECT{0, 0, 0, 0}));
    EXPECT_EQ(image->ViewShiftX(), 0.0f);
    EXPECT_EQ(image->ViewScaleX(), 1.0f);
}

TEST_F(Image32, MouseIsReleasedOnceNoButtonIsHeld) {
    TImage32* image = MakeImage(100, 100);
    Show(holder);
    auto* layer = image->Layers().Add<TCustomLayer>();  // hit everywhere
    layer->SetLayerFlags(LOB_VISIBLE | LOB_MOUSE_EVENTS);
    std::vector<TCustomLayer*> downs;
    image->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int, TCustomLayer* l) { downs.push_back(l); };
    const POINT p = image->ClientToScreen({50, 50});
    display.MoveMouse(p.x, p.y);
    for (auto button : {HeadlessDisplay::Button::Right, HeadlessDisplay::Button::Middle, HeadlessDisplay::Button::Left}) {
        display.MouseDown(button);
        display.PumpMessages();
        EXPECT_TRUE(image->MouseCapture());
        display.MouseUp(button);
        display.PumpMessages();
        EXPECT_FALSE(image->MouseCapture());
    }
    EXPECT_EQ(downs, (std::vector<TCustomLayer*>{layer, layer, layer}));

    // Leaving with no layer holding the mouse gives the screen its default cursor back.
    Screen->SetCursor(crHandPoint);
    display.MoveMouse(image->ClientToScreen({150, 150}).x, image->ClientToScreen({150, 150}).y);
    display.PumpMessages();
    EXPECT_FALSE(image->MouseInControl());
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(Image32, DescriptionSetsBitmapAndResamplerByNameAndLetsStagesBeSetUp) {
    int stageSetups = 0;
    form = MakeForm(300, 300);
    TComponentDescription image32 = DemoImageDescription(PixelDataHex(*resample_test::LoadPng(kPagePng)));
    image32.Events.push_back({"OnInitStages", "InitStages"});
    form->ReadDescription(TComponentDescription{"TForm", "Demo", {}, {}, {image32}},
                          THandlerTable{{"InitStages", TNotifyEvent([&](TObject*) { ++stageSetups; })}});
    auto* image = static_cast<TImage32*>(form->FindComponent("Image"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(stageSetups, 1);
    EXPECT_EQ(image->Bitmap().Width(), 340);
    EXPECT_EQ(image->Bitmap().Height(), 440);
    EXPECT_EQ(image->Bitmap().MasterAlpha(), 0u);
    auto* resampler = dynamic_cast<TKernelResampler*>(image->Bitmap().Resampler());
    ASSERT_NE(resampler, nullptr);
    EXPECT_EQ(resampler->KernelClassName(), "TCubicKernel");
    EXPECT_EQ(GetPropertyText(image->Bitmap(), "Resampler.Kernel.Coeff"), "-0.5");
    EXPECT_EQ(GetPropertyText(image->Bitmap(), "Resampler.TableSize"), "32");
    EXPECT_EQ(image->BitmapAlign(), baCenter);
    EXPECT_EQ(image->ScaleMode(), smScale);
    EXPECT_EQ(image->Color(), clSilver);
    EXPECT_EQ(image->Align(), alClient);
    delete form;

    struct Bad {
        const char* property;
        const char* value;
    };
    const Bad bad[] = {
        {"Bitmap.Data", "0G"},          // not hexadecimal
        {"Bitmap.Data", "123"},         // half a byte
        {"Bitmap.Data", "FFFFFF7FFFFFFF7F00"},  // a huge size with no pixels behind it
        {"Bitmap.NoSuch", "1"},
        {"BitmapAlign", "baMiddle"},
        {"Caption", "not published"},
        {"Bitmapx", "1"},
        {"ScaleMode", "smZoom"},
        {"Scale", "big"},
    };
    for (const Bad& b : bad) {
        auto* owner = MakeForm(100, 100);
        TComponentDescription description{"TForm", "", {}, {}, {{"TImage32", "Image", {{b.property, b.value}}, {}, {}}}};
        EXPECT_THROW(owner->ReadDescription(description, THandlerTable{}), Exception) << b.property << " " << b.value;
        delete owner;
    }
}

}  // namespace
}  // namespace parch
