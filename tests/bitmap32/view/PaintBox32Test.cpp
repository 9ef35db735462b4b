// The double-buffered paint box on the headless screen: how its buffer follows the control's
// size, its answers to window messages, and the direct repaint of drawn areas.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitmap32/view/PaintBox32.h"
#include "tests/framework/FormFixture.h"

namespace parch {
namespace {

// A paint box whose window's own procedure answers WM_GETDLGCODE with more than one bit.
class TDialogCodePaintBox : public TCustomPaintBox32 {
public:
    using TCustomPaintBox32::TCustomPaintBox32;

protected:
    void DefaultHandler(TMessage& message) override {
        TCustomPaintBox32::DefaultHandler(message);
        if (message.Msg == WM_GETDLGCODE) message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    }
};

class PaintBox32 : public FormFixture {};

TEST_F(PaintBox32, BufferGrowsWithMarginAndShrinksOnlyWhenMuchIsSpare) {
    TForm* form = MakeForm(400, 300);
    auto* box = Child<TCustomPaintBox32>(form, 0, 0, 192, 192);
    // Made 192 x 192 from an empty buffer.
    EXPECT_EQ(box->Buffer().Width(), 232);
    EXPECT_EQ(box->Buffer().Height(), 232);
    struct Step {
        int width;
        int bufferWidth;
    };
    const Step steps[] = {{192, 232}, {232, 232}, {200, 232}, {191, 191}, {233, 273}, {0, 1}, {5, 45}};
    for (const Step& s : steps) {
        box->SetBounds(0, 0, s.width, 100);
        EXPECT_EQ(box->Buffer().Width(), s.bufferWidth) << "width " << s.width;
    }
    EXPECT_EQ(box->Buffer().Height(), 100);  // 132 spare rows were more than the margin
}

TEST_F(PaintBox32, DialogCodeWantsArrowsOnlyWithTheOption) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TDialogCodePaintBox>(form, 0, 0, 50, 50);
    Show(form);
    EXPECT_EQ(box->Perform(WM_GETDLGCODE), DLGC_WANTCHARS);  // the arrows bit cleared, the rest kept
    box->SetOptions(pboWantArrowKeys);
    EXPECT_EQ(box->Perform(WM_GETDLGCODE), DLGC_WANTARROWS | DLGC_WANTCHARS);
}

TEST_F(PaintBox32, EraseIsAnsweredWithoutPaintingAndMouseEventsFireOnceInOrder) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TCustomPaintBox32>(form, 10, 10, 50, 50);
    Show(form);
    HDC dc = GetDC(box->Handle());
    SetPixel(dc, 3, 3, RGB(1, 2, 3));
    EXPECT_EQ(box->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(1, 2, 3));
    ReleaseDC(box->Handle(), dc);

    std::vector<std::string> events;
    box->OnMouseEnter = [&](TObject*) { events.push_back(box->MouseInControl() ? "enter inside" : "enter outside"); };
    box->OnMouseLeave = [&](TObject*) { events.push_back(box->MouseInControl() ? "leave inside" : "leave outside"); };
    display.MoveMouse(box->ClientToScreen({5, 5}).x, box->ClientToScreen({5, 5}).y);
    display.PumpMessages();
    display.MoveMouse(box->ClientToScreen({80, 80}).x, box->ClientToScreen({80, 80}).y);
    display.PumpMessages();
    EXPECT_EQ(events, (std::vector<std::string>{"enter inside", "leave outside"}));
}

TEST_F(PaintBox32, DirectModeShowsADrawnAreaAtOnce) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TCustomPaintBox32>(form, 10, 10, 60, 40);
    Show(form);
    box->SetRepaintMode(rmDirect);
    display.PumpMessages();
    std::vector<std::vector<RECT>> painted;  // the rectangles pending at each overlay
    box->OnGDIOverlay = [&](TObject*) {
        std::vector<RECT> pending;
        for (int i = 0; i < box->InvalidAreas().Count(); ++i) pending.push_back(*box->InvalidAreas().Item(i));
        painted.push_back(pending);
    };
    box->Buffer().FillRect(5, 6, 15, 12, Color32(0xFF, 0, 0));
    box->Buffer().Changed(RECT{5, 6, 15, 12});
    // Painted before any message was pumped, with the drawn rectangle pending.
    ASSERT_FALSE(painted.empty());
    ASSERT_EQ(painted.front().size(), 1u);
    EXPECT_TRUE(EqualRect(painted.front()[0], RECT{5, 6, 15, 12}));
    EXPECT_EQ(box->InvalidAreas().Count(), 0);
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.At(box, 5, 6), RGB(0xFF, 0, 0));
    EXPECT_EQ(pixels.At(box, 14, 11), RGB(0xFF, 0, 0));
}

TEST_F(PaintBox32, InvalidateMessagePostsAPaintWhileTheOptimizerHasUpdates) {
    TForm* form = MakeForm(300, 200);
    auto* box = Child<TCustomPaintBox32>(form, 10, 10, 60, 40);
    Show(form);
    box->SetRepaintMode(rmOptimizer);
    display.PumpMessages();  // the full paint that follows the mode change
    int overlays = 0;
    box->OnGDIOverlay = [&](TObject*) { ++overlays; };
    box->Buffer().FillRect(0, 0, 8, 8, Color32(0, 0, 0xFF));
    box->Buffer().Changed(RECT{0, 0, 8, 8});
    box->Perform(CM_INVALIDATE);
    EXPECT_TRUE(box->BufferValid());  // not invalidated: a paint was posted instead
    display.PumpMessages();
    EXPECT_GE(overlays, 1);
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.At(box, 3, 3), RGB(0, 0, 0xFF));
}

}  // namespace
}  // namespace parch
