#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/CustomControls.h"
#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/FormDescription.h"
#include "framework/Scrolling.h"
#include "framework/StdCtrls.h"
#include "platform/display/PngFile.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

const COLORREF kFace = ColorToRGB(clBtnFace);
const COLORREF kLight = ColorToRGB(clBtnHighlight);
const COLORREF kShadow = ColorToRGB(clBtnShadow);

class TPlainBox : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
};

using ExtCtrlsTest = FormFixture;

TEST_F(ExtCtrlsTest, PanelEdgesLieWhereTheirBevelsSay) {
    struct Case {
        TBevelCut outer;
        TBevelCut inner;
        int bevelWidth;
        int borderWidth;
        COLORREF outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
    };
    const Case cases[] = {
        {bvRaised, bvNone, 1, 0, kLight, kShadow, kFace, kFace},
        {bvLowered, bvNone, 2, 0, kShadow, kLight, kFace, kFace},
        {bvRaised, bvLowered, 1, 3, kLight, kShadow, kShadow, kLight},
        {bvNone, bvRaised, 2, 0, kLight, kShadow, kFace, kFace},
    };
    TForm* form = MakeForm(300, 200);
    form->SetColor(clWhite);
    auto* panel = Child<TPanel>(form, 20, 20, 100, 60);
    Show(form);
    for (const Case& c : cases) {
        panel->SetBevelOuter(c.outer);
        panel->SetBevelInner(c.inner);
        panel->SetBevelWidth(c.bevelWidth);
        panel->SetBorderWidth(c.borderWidth);
        display.PumpMessages();
        WindowPixels pixels(form);
        int w = c.bevelWidth;
        std::string label = std::to_string(static_cast<int>(c.outer)) + "/" + std::to_string(static_cast<int>(c.inner));
        // The outer ring (or, without one, the inner ring) at the very edge, w pixels deep.
        EXPECT_EQ(pixels.At(panel, 0, 30), c.outerTopLeft) << label;
        EXPECT_EQ(pixels.At(panel, w - 1, 30), c.outerTopLeft) << label;
        EXPECT_EQ(pixels.At(panel, 50, 0), c.outerTopLeft) << label;
        EXPECT_EQ(pixels.At(panel, 99, 30), c.outerBottomRight) << label;
        EXPECT_EQ(pixels.At(panel, 50, 59), c.outerBottomRight) << label;
        EXPECT_EQ(pixels.At(panel, 50, 59 - (w - 1)), c.outerBottomRight) << label;
        if (c.outer != bvNone && c.inner != bvNone) {
            int inner = w + c.borderWidth;  // past the outer ring and the margin
            EXPECT_EQ(pixels.At(panel, inner, 30), c.innerTopLeft) << label;
            EXPECT_EQ(pixels.At(panel, 99 - inner, 30), c.innerBottomRight) << label;
            EXPECT_EQ(pixels.At(panel, w, 30), kFace) << label;  // the margin
        }
        EXPECT_EQ(pixels.At(panel, 50, 30), kFace) << label;
        EXPECT_EQ(pixels.At(panel, -1, 30), RGB(255, 255, 255)) << label;  // nothing outside
    }
}

TEST_F(ExtCtrlsTest, PanelChildrenAlignInsideTheEdges) {
    TForm* form = MakeForm(300, 200);
    auto* panel = Child<TPanel>(form, 0, 0, 120, 80);
    panel->SetBevelOuter(bvRaised);
    panel->SetBevelInner(bvLowered);
    panel->SetBevelWidth(2);
    panel->SetBorderWidth(3);
    auto* inside = Child<TPlainBox>(panel, 0, 0, 10, 10);
    inside->SetAlign(alClient);
    EXPECT_EQ(inside->BoundsRect(), (RECT{7, 7, 113, 73}));
}

TEST_F(ExtCtrlsTest, BevelShapesDrawTheirLinesAtTheEdges) {
    struct Case {
        TBevelShape shape;
        TBevelStyle style;
        POINT first;   // a pixel in the first colour
        POINT second;  // a pixel in the second colour
        POINT empty;   // a pixel left alone
    };
    // 40 x 30 bevels: first colour is the shadow for bsLowered, the highlight for bsRaised.
    const Case cases[] = {
        {bsBox, bsLowered, {0, 15}, {39, 15}, {20, 15}},
        {bsBox, bsRaised, {20, 0}, {20, 29}, {20, 15}},
        {bsTopLine, bsLowered, {20, 0}, {20, 1}, {20, 2}},
        {bsBottomLine, bsLowered, {20, 28}, {20, 29}, {20, 27}},
        {bsLeftLine, bsRaised, {0, 15}, {1, 15}, {2, 15}},
        {bsRightLine, bsLowered, {38, 15}, {39, 15}, {37, 15}},
        {bsFrame, bsLowered, {0, 15}, {1, 15}, {20, 15}},
    };
    TForm* form = MakeForm(300, 200);
    form->SetColor(clWhite);
    auto* bevel = Child<TBevel>(form, 30, 30, 40, 30);
    Show(form);
    for (const Case& c : cases) {
        bevel->SetShape(c.shape);
        bevel->SetStyle(c.style);
        form->Invalidate();
        display.PumpMessages();
        WindowPixels pixels(form);
        COLORREF first = c.style == bsLowered ? kShadow : kLight;
        COLORREF second = c.style == bsLowered ? kLight : kShadow;
        int shape = static_cast<int>(c.shape);
        EXPECT_EQ(pixels.At(bevel, c.first.x, c.first.y), first) << shape;
        EXPECT_EQ(pixels.At(bevel, c.second.x, c.second.y), second) << shape;
        EXPECT_EQ(pixels.At(bevel, c.empty.x, c.empty.y), RGB(255, 255, 255)) << shape;
    }
}

TEST_F(ExtCtrlsTest, NonClientBevelsNarrowTheClientArea) {
    TForm* form = MakeForm(300, 200);
    form->SetColor(clWhite);
    auto* box = Child<TPlainBox>(form, 10, 10, 100, 50);
    box->SetColor(clRed);
    Show(form);
    struct Case {
        TBevelKind kind;
        TBevelCut inner, outer;
        TBevelEdges edges;
        int borderWidth;
        RECT client;
    };
    const Case cases[] = {
        {bkNone, bvRaised, bvLowered, beAll, 0, {0, 0, 100, 50}},
        {bkTile, bvRaised, bvLowered, beAll, 0, {0, 0, 96, 46}},
        {bkFlat, bvNone, bvRaised, beLeft | beTop, 0, {0, 0, 99, 49}},
        {bkSoft, bvRaised, bvNone, beAll, 2, {0, 0, 94, 44}},
    };
    for (const Case& c : cases) {
        box->SetBevelKind(c.kind);
        box->SetBevelInner(c.inner);
        box->SetBevelOuter(c.outer);
        box->SetBevelEdges(c.edges);
        box->SetBorderWidth(c.borderWidth);
        EXPECT_EQ(box->ClientRect(), c.client) << static_cast<int>(c.kind);
    }
    // The edge is drawn in the window's frame: a raised ring on the outside.
    box->SetBevelKind(bkTile);
    box->SetBorderWidth(0);
    display.PumpMessages();
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.AtWindow(box, 0, 20), kLight);
    EXPECT_EQ(pixels.AtWindow(box, 99, 20), kShadow);
    EXPECT_EQ(pixels.AtWindow(box, 50, 25), RGB(255, 0, 0));
}

struct SplitterCase {
    TAlign align;
    TResizeStyle style;
    int drag;  // along the bar's axis, in pixels
    bool autoSnap;
    int expectedSize;
};

class SplitterTest : public FormFixture, public ::testing::WithParamInterface<SplitterCase> {};

TEST_P(SplitterTest, DraggingTheBarResizesItsNeighbour) {
    const SplitterCase& c = GetParam();
    TForm* form = MakeForm(400, 300);
    bool horizontal = c.align == alLeft || c.align == alRight;
    auto* side = Child<TPlainBox>(form, 0, 0, 100, 100);
    side->SetAlign(c.align);
    auto* splitter = Child<TSplitter>(form, 0, 0, 5, 5);
    splitter->SetAlign(c.align);
    splitter->SetResizeStyle(c.style);
    splitter->SetAutoSnap(c.autoSnap);
    // As thin as a bar, placed beyond the side so that it aligns next to it.
    if (horizontal)
        splitter->SetWidth(5);
    else
        splitter->SetHeight(5);
    if (c.align == alLeft) splitter->SetLeft(200);
    if (c.align == alTop) splitter->SetTop(200);
    auto* rest = Child<TPlainBox>(form, 0, 0, 10, 10);
    rest->SetAlign(alClient);
    int moves = 0;
    splitter->OnMoved = [&](TObject*) { ++moves; };
    Show(form);
    ASSERT_EQ(splitter->Left(), c.align == alLeft ? 100 : c.align == alRight ? 295 : 0) << "placed";
    POINT grab = At(splitter, 2, 2);
    POINT to = horizontal ? POINT{grab.x + c.drag, grab.y} : POINT{grab.x, grab.y + c.drag};
    Drag(grab, to, 5);
    EXPECT_EQ(horizontal ? side->Width() : side->Height(), c.expectedSize);
    EXPECT_EQ(moves, 1);
    // The bar follows its neighbour.
    RECT bar = splitter->BoundsRect(), neighbour = side->BoundsRect();
    switch (c.align) {
    case alLeft: EXPECT_EQ(bar.left, neighbour.right); break;
    case alRight: EXPECT_EQ(bar.right, neighbour.left); break;
    case alTop: EXPECT_EQ(bar.top, neighbour.bottom); break;
    default: EXPECT_EQ(bar.bottom, neighbour.top); break;
    }
}

INSTANTIATE_TEST_SUITE_P(Drags, SplitterTest,
                         ::testing::Values(SplitterCase{alLeft, rsUpdate, 50, true, 150},
                                           SplitterCase{alLeft, rsPattern, 50, true, 150},
                                           SplitterCase{alLeft, rsLine, -40, true, 60},
                                           SplitterCase{alLeft, rsUpdate, -90, true, 0},     // snapped shut
                                           SplitterCase{alLeft, rsUpdate, -90, false, 30},   // stops at MinSize
                                           SplitterCase{alLeft, rsUpdate, 1000, true, 400 - 5 - 30},  // leaves MinSize
                                           SplitterCase{alRight, rsUpdate, -50, true, 150},
                                           SplitterCase{alTop, rsPattern, 30, true, 130},
                                           SplitterCase{alBottom, rsUpdate, -30, true, 130}));

TEST_F(ExtCtrlsTest, SplitterAsksBeforeResizing) {
    TForm* form = MakeForm(400, 300);
    auto* side = Child<TPlainBox>(form, 0, 0, 100, 100);
    side->SetAlign(alLeft);
    auto* splitter = Child<TSplitter>(form, 200, 0, 5, 5);
    splitter->SetResizeStyle(rsUpdate);
    splitter->OnCanResize = [](TObject*, int& newSize, bool& accept) {
        accept = newSize <= 140;
        if (newSize > 120) newSize = 120;
    };
    Show(form);
    POINT grab = At(splitter, 2, 2);
    Drag(grab, {grab.x + 80, grab.y}, 8);
    EXPECT_EQ(side->Width(), 120);
}

TEST_F(ExtCtrlsTest, ImagePlacesThePictureByStretchCenterAndProportion) {
    struct Case {
        int pictureWidth, pictureHeight;
        bool stretch, center, proportional;
        RECT expected;
    };
    // The image is 100 x 50.
    const Case cases[] = {
        {40, 20, false, false, false, {0, 0, 40, 20}},
        {40, 20, false, true, false, {30, 15, 70, 35}},
        {40, 20, true, false, false, {0, 0, 100, 50}},
        {40, 20, true, false, true, {0, 0, 100, 50}},
        {40, 40, true, true, true, {25, 0, 75, 50}},
        {400, 100, false, false, true, {0, 0, 100, 25}},  // shrinks to fit, never grows
        {10, 10, false, false, true, {0, 0, 10, 10}},
        {200, 400, false, true, true, {37, 0, 62, 50}},
    };
    TForm* form = MakeForm(300, 200);
    auto* image = Child<TImage>(form, 0, 0, 100, 50);
    for (const Case& c : cases) {
        image->Picture().Bitmap().SetSize(c.pictureWidth, c.pictureHeight);
        image->SetStretch(c.stretch);
        image->SetCenter(c.center);
        image->SetProportional(c.proportional);
        EXPECT_EQ(image->DestRect(), c.expected) << c.pictureWidth << "x" << c.pictureHeight;
    }
}

TEST_F(ExtCtrlsTest, ImageShowsItsPicture) {
    TForm* form = MakeForm(300, 200);
    form->SetColor(clWhite);
    auto* image = Child<TImage>(form, 10, 10, 60, 60);
    TBitmap& bitmap = image->Picture().Bitmap();
    bitmap.SetSize(20, 20);
    bitmap.Canvas().Brush().SetColor(clRed);
    bitmap.Canvas().FillRect({0, 0, 20, 20});
    image->SetCenter(true);
    Show(form);
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.At(image, 30, 30), RGB(255, 0, 0));
    EXPECT_EQ(pixels.At(image, 20, 20), RGB(255, 0, 0));
    EXPECT_EQ(pixels.At(image, 19, 30), RGB(255, 255, 255));
    image->SetAutoSize(true);
    EXPECT_EQ(image->Width(), 20);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

TEST_F(ExtCtrlsTest, DescriptionsBuildTheNewControls) {
    TComponentDescription description{
        "TForm", "Described", {{"ClientWidth", "300"}, {"ClientHeight", "200"}}, {},
        {
            {"TPanel", "Bar", {{"Align", "alTop"}, {"Height", "40"}, {"BevelOuter", "bvLowered"}, {"Caption", "Bar"}}, {},
             {{"TSpeedButton", "Toggle", {{"Left", "4"}, {"GroupIndex", "3"}, {"AllowAllUp", "True"}, {"Down", "True"},
                                          {"Flat", "True"}}, {}, {}}}},
            {"TSplitter", "Split", {{"Align", "alTop"}, {"Top", "40"}, {"Height", "4"}, {"ResizeStyle", "rsUpdate"}}, {}, {}},
            {"TScrollBox", "Box", {{"Align", "alClient"}, {"BorderStyle", "bsNone"}}, {},
             {{"TLabel", "Caption", {{"Caption", "&Name"}, {"WordWrap", "True"}, {"Layout", "tlCenter"}}, {}, {}},
              {"TBevel", "Line", {{"Shape", "bsTopLine"}, {"Style", "bsRaised"}}, {}, {}},
              {"TImage", "Picture", {{"Stretch", "True"}, {"Proportional", "True"}}, {}, {}}}},
        }};
    auto* form = new TForm(&app);
    form->ReadDescription(description, {});
    auto* bar = dynamic_cast<TPanel*>(form->FindComponent("Bar"));
    auto* toggle = dynamic_cast<TSpeedButton*>(form->FindComponent("Toggle"));
    auto* split = dynamic_cast<TSplitter*>(form->FindComponent("Split"));
    auto* box = dynamic_cast<TScrollBox*>(form->FindComponent("Box"));
    auto* label = dynamic_cast<TLabel*>(form->FindComponent("Caption"));
    auto* line = dynamic_cast<TBevel*>(form->FindComponent("Line"));
    auto* picture = dynamic_cast<TImage*>(form->FindComponent("Picture"));
    ASSERT_TRUE(bar && toggle && split && box && label && line && picture);
    EXPECT_EQ(bar->BevelOuter(), bvLowered);
    EXPECT_EQ(toggle->Parent(), bar);
    EXPECT_TRUE(toggle->Down());
    EXPECT_TRUE(toggle->Flat());
    EXPECT_EQ(split->ResizeStyle(), rsUpdate);
    EXPECT_EQ(split->Cursor(), crVSplit);
    EXPECT_EQ(split->BoundsRect(), (RECT{0, 40, 300, 44}));
    EXPECT_EQ(box->BorderStyle(), bsNone);
    EXPECT_EQ(label->Parent(), box);
    EXPECT_TRUE(label->WordWrap());
    EXPECT_EQ(label->Layout(), tlCenter);
    EXPECT_EQ(line->Shape(), bsTopLine);
    EXPECT_EQ(line->Style(), bsRaised);
    EXPECT_TRUE(picture->Stretch() && picture->Proportional());
}

// A form with each of the new controls, saved as a picture and checked at a few points.
TEST_F(ExtCtrlsTest, AFormWithEveryKindPaintsAndSaves) {
    TForm* form = MakeForm(420, 260);
    form->SetCaption("Controls");
    auto* top = Child<TPanel>(form, 0, 0, 10, 40);
    top->SetAlign(alTop);
    top->SetCaption("Panel caption");
    top->SetBevelInner(bvLowered);
    top->SetBorderWidth(2);
    auto* open = Child<TSpeedButton>(top, 300, 8, 24, 24);
    // Two pictures, up and disabled; the bottom-left pixel's colour is transparent.
    TCanvas& glyph = open->Glyph().Canvas();
    open->Glyph().SetSize(32, 16);
    glyph.Brush().SetColor(clFuchsia);
    glyph.FillRect({0, 0, 32, 16});
    glyph.Brush().SetColor(clGreen);
    glyph.FillRect({2, 2, 14, 14});
    glyph.Brush().SetColor(clGray);
    glyph.FillRect({18, 2, 30, 14});
    open->SetNumGlyphs(2);
    auto* toggle = Child<TSpeedButton>(top, 330, 8, 70, 24);
    toggle->SetCaption("Toggle");
    toggle->SetGroupIndex(1);
    toggle->SetAllowAllUp(true);
    toggle->SetDown(true);
    auto* label = Child<TLabel>(form, 10, 50, 10, 10);
    label->SetCaption("&Label with an accelerator");
    auto* bevel = Child<TBevel>(form, 10, 75, 190, 4);
    bevel->SetShape(bsTopLine);
    auto* frame = Child<TBevel>(form, 10, 90, 190, 60);
    frame->SetShape(bsFrame);
    auto* image = Child<TImage>(form, 20, 100, 40, 40);
    image->Picture().Bitmap().SetSize(20, 20);
    image->Picture().Bitmap().Canvas().Brush().SetColor(clRed);
    image->Picture().Bitmap().Canvas().FillRect({0, 0, 20, 20});
    image->SetStretch(true);
    auto* box = Child<TScrollBox>(form, 220, 50, 190, 120);
    auto* inBox = Child<TPanel>(box, 10, 10, 120, 200);
    inBox->SetCaption("Scrolled");
    inBox->SetBevelOuter(bvLowered);
    Show(form);
    box->VertScrollBar().SetPosition(40);
    display.PumpMessages();

    WindowPixels pixels(form);
    std::string path = (std::filesystem::temp_directory_path() / "parch-extctrls-form.png").string();
    EXPECT_TRUE(SavePng(pixels.Picture(), path));
    EXPECT_GT(std::filesystem::file_size(path), 100u);
    std::filesystem::remove(path);
    EXPECT_EQ(pixels.At(top, 0, 0), kLight);
    EXPECT_EQ(pixels.At(image, 20, 20), RGB(255, 0, 0));
    EXPECT_EQ(pixels.At(bevel, 50, 0), kShadow);
    EXPECT_EQ(pixels.At(frame, 0, 30), kShadow);
    EXPECT_EQ(inBox->Top(), -30);
    EXPECT_EQ(pixels.At(inBox, 0, 100), kShadow);  // its lowered edge, scrolled with it
    EXPECT_TRUE(box->VertScrollBar().IsScrollBarVisible());
    // The glyph of the speed button, in its up picture, centred.
    EXPECT_EQ(pixels.At(open, 12, 12), ColorToRGB(clGreen));
    open->SetEnabled(false);
    display.PumpMessages();
    WindowPixels disabled(form);
    EXPECT_EQ(disabled.At(open, 12, 12), ColorToRGB(clGray));
    EXPECT_EQ(disabled.At(open, 5, 5), ColorToRGB(clBtnFace));  // the transparent part shows the face
}

}  // namespace
}  // namespace parch
