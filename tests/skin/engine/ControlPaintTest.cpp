// Copying a skinned control's cache around its children, painting windowless children
// off-screen, and rendering controls into bitmaps.

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/win/Messages.h"
#include "platform/win/WinMessages.h"
#include "skin/engine/sControlPaint.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::FilledBitmap;
using test::PixelAt;
using test::TsGraphic;
using test::TsPanel;

constexpr std::uint32_t kCacheRed = 0xFFFF0000u;
constexpr std::uint32_t kTargetBlue = 0xFF0000FFu;

// A windowless child that paints itself in one colour (an RGB colour).
TsGraphic* AddPaintingChild(TWinControl& parent, TComponent* owner, RECT bounds, COLORREF colour) {
    auto* child = new TsGraphic(owner, 0);
    child->SetParent(&parent);
    child->SetBoundsRect(bounds);
    TWndMethod inherited = child->WindowProc;
    child->WindowProc = [child, inherited, colour](TMessage& message) {
        if (message.Msg != WM_PAINT || message.WParam == 0) return inherited(message);
        RECT all{0, 0, child->Width(), child->Height()};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(reinterpret_cast<HDC>(message.WParam), &all, brush);
        DeleteObject(brush);
    };
    return child;
}

class ControlPaint : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadSections(manager, {test::MakeSection("RED", 0x000000FF, 0)});
        form.SetBounds(0, 0, 300, 200);
        form.Show();
        panel = new TsPanel(&form, 0);
        panel->SetParent(&form);
        panel->SetBounds(0, 0, 100, 50);
        panel->SkinData.SetSkinSection("RED");
        panel->SkinData.CacheBitmap = FilledBitmap(100, 50, kCacheRed);
    }
    void TearDown() override { GraphicsPaintedInCache = false; }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
    TsPanel* panel = nullptr;
};

TEST_F(ControlPaint, CacheCopySparesChildrenThatPaintThemselves) {
    auto* opaque = new TPanel(&form);
    opaque->SetParent(panel);
    opaque->SetBounds(10, 10, 20, 20);
    auto* seeThrough = new TsPanel(&form, 0);
    seeThrough->SetParent(panel);
    seeThrough->SetBounds(40, 10, 20, 20);
    seeThrough->SetControlStyle(seeThrough->ControlStyle() & ~csOpaque);
    auto* graphic = new TsGraphic(&form, 0);
    graphic->SetParent(panel);
    graphic->SetBounds(70, 10, 20, 20);

    for (bool graphicsInCache : {false, true}) {
        GraphicsPaintedInCache = graphicsInCache;
        auto target = FilledBitmap(100, 50, kTargetBlue);
        PaintChildControls(*panel, panel->SkinData, RECT{0, 0, 100, 50}, RECT{0, 0, 100, 50}, target->Canvas().Handle(),
                           false, 0, 0);
        EXPECT_EQ(PixelAt(*target, 15, 15), kTargetBlue) << "opaque child spared";
        EXPECT_EQ(PixelAt(*target, 45, 15), kCacheRed) << "see-through child painted over";
        EXPECT_EQ(PixelAt(*target, 75, 15), graphicsInCache ? kCacheRed : kTargetBlue) << graphicsInCache;
        EXPECT_EQ(PixelAt(*target, 5, 45), kCacheRed);
    }
}

TEST_F(ControlPaint, GraphicChildrenPaintOffscreenAndKeyColouredOnesAreLeftOut) {
    AddPaintingChild(*panel, &form, {10, 10, 30, 30}, 0x0000FF00);  // green
    AddPaintingChild(*panel, &form, {40, 10, 60, 30}, 0x00FF00FF);  // the key colour
    auto target = FilledBitmap(120, 60, kTargetBlue);
    PaintGraphicChildren(target->Canvas().Handle(), *panel, true, POINT{5, 3});
    EXPECT_EQ(PixelAt(*target, 15, 13) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(PixelAt(*target, 14, 12), kTargetBlue);
    EXPECT_EQ(PixelAt(*target, 50, 20), kTargetBlue);
}

TEST_F(ControlPaint, AnEmptyClipOnlyMarksTheControlPartlyOutside) {
    AddPaintingChild(*panel, &form, {10, 10, 30, 30}, 0x0000FF00);
    auto target = FilledBitmap(100, 50, kTargetBlue);
    HDC dc = target->Canvas().Handle();
    int saved = SaveDC(dc);
    IntersectClipRect(dc, 0, 0, 0, 0);
    panel->SkinData.PartlyVisible = false;
    panel->Commands.clear();
    PaintGraphicChildren(dc, *panel, true, POINT{0, 0});
    RestoreDC(dc, saved);
    EXPECT_TRUE(panel->SkinData.PartlyVisible);
    EXPECT_EQ(PixelAt(*target, 15, 15), kTargetBlue);
}

TEST_F(ControlPaint, ControlsRenderIntoBitmapsAsOnScreen) {
    // A hidden control shows what lies behind it: here its parent's plain red.
    auto* hidden = new TsPanel(&form, 0);
    hidden->SetParent(panel);
    hidden->SetBounds(10, 10, 20, 20);
    hidden->Hide();
    auto bitmap = FilledBitmap(40, 40, kTargetBlue);
    PaintControlToBitmap(*bitmap, *hidden, 5, 5, nullptr);
    EXPECT_EQ(PixelAt(*bitmap, 5, 5), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*bitmap, 24, 24), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(*bitmap, 25, 25), kTargetBlue);

    // A skinned control is printed knowing its print target.
    HDC seenTarget = nullptr;
    TWndMethod inherited = panel->WindowProc;
    panel->WindowProc = [&, inherited](TMessage& message) {
        if (message.Msg == WM_PRINT) seenTarget = panel->SkinData.PrintTarget;
        inherited(message);
    };
    auto picture = FilledBitmap(100, 50, 0);
    PaintControlToBitmap(*picture, *panel, 0, 0, nullptr);
    EXPECT_EQ(seenTarget, picture->Canvas().Handle());
    EXPECT_EQ(panel->SkinData.PrintTarget, nullptr);
}

}  // namespace
}  // namespace parch
