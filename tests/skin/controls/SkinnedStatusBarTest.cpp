// The skinned status bar: panels framed or divided, the simple text, owner-drawn panels, the
// size grip, children left to paint themselves, and printing that gives the caller's DC back.

#include <gtest/gtest.h>

#include <string>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "platform/display/HeadlessDisplay.h"
#include "platform/gdi/DeviceContext.h"
#include "skin/controls/sStatusBar.h"
#include "tests/skin/controls/SkinnedControlFixtures.h"
#include "tests/skin/engine/CommonDataFixtures.h"
#include "tests/skin/engine/PaintFixtures.h"

namespace parch {
namespace {

using test::PixelAt;

constexpr std::uint32_t kBarFace = 0x00303030;   // BGR as the skin stores it
constexpr std::uint32_t kFacePixel = 0x303030;   // RGB in a pixel
constexpr std::uint32_t kDividerPixel = 0x606060;
constexpr std::uint32_t kGripPixel = 0xFF0000;

class SkinnedStatusBar : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadSections(manager, {test::MakeSection("STATUSBAR", kBarFace, 0), test::MakeSection("DIVIDER", 0x00606060, 0),
                                     test::MakeSection("GLOBALINFO", 0, 0), test::MakeSection("PANELBAR", kBarFace, 0)});
        // The divider's borders mask: 4 pixels wide in all.
        manager.Tables().Masks.push_back(test::MakeMask(manager, "DIVIDER", "BORDERSMASK", 6, 6, 2));
        form.SetBounds(0, 0, 400, 200);
        form.Show();
    }

    TsStatusBar* NewBar(int panels, bool grip) {
        auto* bar = new TsStatusBar(&form);
        bar->SetParent(&form);
        bar->SetBounds(0, 100, 300, 24);
        bar->SetSizeGrip(grip);
        const int widths[] = {80, 70, 50};
        for (int i = 0; i < panels; ++i) {
            TStatusPanel* panel = bar->Panels().Add();
            panel->SetWidth(widths[i]);
        }
        bar->HandleNeeded();
        return bar;
    }

    // A grip image of 10 x 10 blue pixels in the master bitmap.
    void AddGrip() {
        auto& master = manager.Tables().MasterBitmap;
        master = test::FilledBitmap(10, 20, 0xFFFF0000u);
        for (int y = 10; y < 20; ++y)
            for (int x = 0; x < 10; ++x) PixelAt(*master, x, y) = 0xFF000000u;  // its mask: all glyph
        TsMaskData grip;
        grip.SectionName = "GLOBALINFO";
        grip.KeyName = "GRIPIMAGE";
        grip.SourceRect = RECT{0, 0, 10, 20};
        grip.FrameCount = 1;
        grip.ExtraBands = 1;
        grip.OwnerManager = &manager;
        manager.Tables().Masks.push_back(std::move(grip));
        manager.Tables().ConstData.GripImage = static_cast<int>(manager.Tables().Masks.size()) - 1;
    }

    std::unique_ptr<TBitmap> Printed(TsStatusBar& bar) {
        auto target = test::FilledBitmap(bar.Width(), bar.Height(), 0xFF123456u);
        SendMessage(bar.Handle(), WM_PRINT, reinterpret_cast<WPARAM>(target->Canvas().Handle()), PRF_CLIENT);
        return target;
    }

    HeadlessDisplay display;
    TApplication app;
    TsSkinManager manager;
    TForm form{&app};
};

TEST_F(SkinnedStatusBar, DividersFollowEveryPanelButTheLast) {
    struct Case {
        bool grip;
        std::vector<int> dividerColumns;  // right edge of the panel inset by 1, minus half the divider, minus 1
    };
    // Panels 80 and 70 wide: rects inset by 1 end at 79 and 149; the divider is 4 wide.
    for (const Case& c : {Case{false, {79 - 2 - 1, 149 - 2 - 1}}, Case{true, {79 - 2 - 1, 149 - 2 - 1}}}) {
        TsStatusBar* bar = NewBar(3, c.grip);
        ASSERT_TRUE(bar->SkinData().IsSkinned());
        auto picture = Printed(*bar);
        int dividers = 0;
        for (int x = 0; x < bar->Width(); ++x)
            if ((PixelAt(*picture, x, 12) & 0xFFFFFF) == kDividerPixel) ++dividers;
        EXPECT_EQ(dividers, 4 * static_cast<int>(c.dividerColumns.size())) << c.grip;
        for (int column : c.dividerColumns)
            for (int x = column; x < column + 4; ++x)
                EXPECT_EQ(PixelAt(*picture, x, 12) & 0xFFFFFF, kDividerPixel) << x;
        EXPECT_EQ(PixelAt(*picture, 1, 0) & 0xFFFFFF, kFacePixel) << "the divider keeps off the top row";
        delete bar;
    }
}

TEST_F(SkinnedStatusBar, PanelTextsAndSimpleTextAreWritten) {
    TsStatusBar* bar = NewBar(2, false);
    auto inkIn = [](TBitmap& picture, RECT r) {
        int ink = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) ink += (PixelAt(picture, x, y) & 0xFFFFFF) != kFacePixel;
        return ink;
    };
    EXPECT_EQ(inkIn(*Printed(*bar), RECT{4, 3, 60, 20}), 0);
    bar->Panels().Items(0)->SetText("Ready");
    EXPECT_GT(inkIn(*Printed(*bar), RECT{4, 3, 60, 20}), 0) << "panel text";
    EXPECT_EQ(inkIn(*Printed(*bar), RECT{84, 3, 140, 20}), 0);

    bar->SetSimpleText("Processing: a.pdf");
    bar->SetSimplePanel(true);
    auto simple = Printed(*bar);
    EXPECT_GT(inkIn(*simple, RECT{84, 3, 140, 20}), 0) << "the simple text runs over the panels";
    for (int x = 0; x < bar->Width(); ++x)
        ASSERT_NE(PixelAt(*simple, x, 1) & 0xFFFFFF, kDividerPixel) << "no dividers in the simple case, " << x;
    delete bar;
}

TEST_F(SkinnedStatusBar, OwnerDrawnPanelGetsTheCacheThroughTheCanvasAndNoText) {
    TsStatusBar* bar = NewBar(2, false);
    TStatusPanel* panel = bar->Panels().Items(1);
    panel->SetText("never shown");
    panel->SetStyle(psOwnerDraw);
    RECT given{};
    int calls = 0;
    bar->OnDrawPanel = [&](TStatusBar* sender, TStatusPanel* drawn, const RECT& r) {
        ++calls;
        EXPECT_EQ(drawn, panel);
        given = r;
        sender->Canvas().Brush().SetColor(static_cast<TColor>(0x0000FF00));
        sender->Canvas().FillRect(RECT{r.left, r.top, r.left + 10, r.bottom});
    };
    auto picture = Printed(*bar);
    EXPECT_GE(calls, 1);
    // The last panel reaches the bar's end; the rectangle is inset by 1.
    EXPECT_EQ(given.left, 81);
    EXPECT_EQ(given.right, bar->Width() - 1);
    EXPECT_EQ(PixelAt(*picture, 85, 12) & 0xFFFFFF, 0x00FF00u);
    for (int x = 95; x < bar->Width() - 10; ++x)
        ASSERT_EQ(PixelAt(*picture, x, 12) & 0xFFFFFF, kFacePixel) << "no text for an owner-drawn panel, " << x;
    delete bar;
}

TEST_F(SkinnedStatusBar, GripSitsInTheCornerAndTheLastPanelStopsShortOfIt) {
    AddGrip();
    TsStatusBar* bar = NewBar(1, true);
    const int right = bar->Width() - 1, bottom = bar->Height() - 1;
    auto picture = Printed(*bar);
    EXPECT_EQ(PixelAt(*picture, right - 9, bottom - 9) & 0xFFFFFF, kGripPixel);
    EXPECT_EQ(PixelAt(*picture, right, bottom) & 0xFFFFFF, kGripPixel);
    EXPECT_EQ(PixelAt(*picture, right - 10, bottom) & 0xFFFFFF, kFacePixel);
    bar->SetSizeGrip(false);
    bar->SkinData().BackgroundDirty = true;
    EXPECT_EQ(PixelAt(*Printed(*bar), right, bottom) & 0xFFFFFF, kFacePixel);
    delete bar;
}

TEST_F(SkinnedStatusBar, ChildControlsKeepTheirPlaceOnTheBar) {
    TsStatusBar* bar = NewBar(2, false);
    auto* child = new TsPanel(&form);
    child->SetParent(bar);
    child->SetBounds(100, 2, 40, 20);
    child->SkinData().SetSkinSection("DIVIDER");
    display.PumpMessages();
    auto screen = test::ScreenImage(form, *bar);
    EXPECT_EQ(PixelAt(*screen, 120, 12) & 0xFFFFFF, kDividerPixel) << "the child shows";
    EXPECT_EQ(PixelAt(*screen, 20, 12) & 0xFFFFFF, kFacePixel) << "the bar around it";
    delete bar;
}

TEST_F(SkinnedStatusBar, PrintingWithABorderGivesTheDCBackAsItCame) {
    TsStatusBar* bar = NewBar(2, false);
    bar->SetBorderWidth(3);
    auto target = test::FilledBitmap(400, 100, 0xFF000000u);
    HDC dc = target->Canvas().Handle();
    RECT clipBefore{}, clipAfter{};
    GetClipBox(dc, &clipBefore);
    SendMessage(bar->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_NONCLIENT);
    POINT origin{-1, -1};
    GetViewportOrgEx(dc, &origin);
    GetClipBox(dc, &clipAfter);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(clipAfter.right, clipBefore.right);
    EXPECT_EQ(clipAfter.bottom, clipBefore.bottom);
    // The client area was painted at the border's offset.
    EXPECT_EQ(PixelAt(*target, 3 + 5, 3 + 5) & 0xFFFFFF, kFacePixel);
    delete bar;
}

}  // namespace
}  // namespace parch
