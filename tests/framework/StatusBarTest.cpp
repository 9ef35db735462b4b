#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/StatusBar.h"
#include "framework/StdCtrls.h"
#include "platform/display/PngFile.h"
#include "platform/win/StatusBarClass.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/display/OnScreenCheck.h"

namespace parch {
namespace {

std::string StatusPartText(HWND bar, int part) {
    const auto length = LOWORD(SendMessage(bar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0));
    std::string text(length + 1u, '\0');
    SendMessage(bar, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

class StatusBarTest : public FormFixture {
protected:
    TForm* form = nullptr;
    TStatusBar* bar = nullptr;

    void MakeBar(const std::vector<int>& widths) {
        form = MakeForm(600, 120);
        bar = new TStatusBar(form);
        bar->SetParent(form);
        for (int width : widths) bar->Panels().Add()->SetWidth(width);
    }
};

TEST_F(StatusBarTest, PanelsBecomeTheWindowsPartsWithTheirTextsAndKinds) {
    MakeBar({295, 217, 50});
    bar->Panels().Items(0)->SetText("Left");
    bar->Panels().Items(1)->SetText("Middle");
    bar->Panels().Items(1)->SetAlignment(taCenter);
    bar->Panels().Items(2)->SetBevel(pbRaised);
    Show(form);
    HWND hwnd = bar->Handle();

    // Aligned to the bottom of the form, the whole width.
    EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());
    EXPECT_EQ(bar->Width(), form->ClientWidth());
    int rights[3] = {};
    ASSERT_EQ(SendMessage(hwnd, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(rights)), 3);
    EXPECT_EQ(rights[0], 295);
    EXPECT_EQ(rights[1], 512);
    EXPECT_EQ(rights[2], -1);  // the last panel reaches the right edge
    EXPECT_EQ(StatusPartText(hwnd, 0), "Left");
    EXPECT_EQ(StatusPartText(hwnd, 1), "\tMiddle");
    EXPECT_EQ(HIWORD(SendMessage(hwnd, SB_GETTEXTLENGTHA, 2, 0)) & SBT_POPOUT, SBT_POPOUT);

    // Changes reach the window at once: a width moves the parts after it, a text only its part.
    bar->Panels().Items(0)->SetWidth(100);
    SendMessage(hwnd, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(rights));
    EXPECT_EQ(rights[0], 100);
    EXPECT_EQ(rights[1], 317);
    bar->Panels().Items(2)->SetText("50%");
    EXPECT_EQ(StatusPartText(hwnd, 2), "50%");
    bar->Panels().Delete(1);
    EXPECT_EQ(SendMessage(hwnd, SB_GETPARTS, 0, 0), 2);
    EXPECT_EQ(StatusPartText(hwnd, 1), "50%");
}

TEST_F(StatusBarTest, OwnerDrawnPanelsAreDrawnByOnDrawPanelInTheirRectangles) {
    MakeBar({120, 120, 50});
    bar->Panels().Items(0)->SetText("Text panel");
    bar->Panels().Items(1)->SetStyle(psOwnerDraw);
    std::vector<std::pair<TStatusPanel*, RECT>> drawn;
    bar->OnDrawPanel = [&](TStatusBar* sender, TStatusPanel* panel, const RECT& rect) {
        drawn.emplace_back(panel, rect);
        sender->Canvas().Brush().SetColor(clBlue);
        sender->Canvas().FillRect(rect);
    };
    Show(form);
    ASSERT_FALSE(drawn.empty());
    for (const auto& [panel, rect] : drawn) EXPECT_EQ(panel, bar->Panels().Items(1));
    const RECT part = bar->PanelRect(1);
    const RECT& rect = drawn.back().second;
    EXPECT_GE(rect.left, part.left);
    EXPECT_LE(rect.right, part.right);
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.At(bar, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2), RGB(0, 0, 255));
    EXPECT_NE(pixels.At(bar, (part.left + part.right) / 2 - 120, (rect.top + rect.bottom) / 2), RGB(0, 0, 255));
}

TEST_F(StatusBarTest, SimpleModeShowsOneTextAndKeepsThePanels) {
    MakeBar({100, 100});
    bar->SetSimpleText("Reading PDF:");
    bar->SetSimplePanel(true);
    Show(form);
    HWND hwnd = bar->Handle();
    EXPECT_TRUE(SendMessage(hwnd, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(StatusPartText(hwnd, SB_SIMPLEID), "Reading PDF:");
    bar->SetSimplePanel(false);
    EXPECT_FALSE(SendMessage(hwnd, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(SendMessage(hwnd, SB_GETPARTS, 0, 0), 2);
    // Made again (a new grip setting), the bar keeps its panels and texts.
    bar->Panels().Items(0)->SetText("kept");
    bar->SetSizeGrip(false);
    EXPECT_FALSE(GetWindowLongPtr(bar->Handle(), GWL_STYLE) & SBARS_SIZEGRIP);
    EXPECT_EQ(StatusPartText(bar->Handle(), 0), "kept");
    EXPECT_EQ(SendMessage(bar->Handle(), SB_GETPARTS, 0, 0), 2);
}

TEST_F(StatusBarTest, ThreePanelBarWithControlsOnIt) {
    MakeBar({295, 217, 50});
    bar->SetHeight(24);
    bar->Panels().Items(0)->SetStyle(psOwnerDraw);
    bar->Panels().Items(1)->SetText("report.pdf");
    bar->Panels().Items(1)->SetAlignment(taCenter);
    bar->Panels().Items(2)->SetText("3/7");
    bar->Panels().Items(2)->SetAlignment(taRightJustify);
    // A progress drawn into the first panel, a label and an edit placed on the bar.
    bar->OnDrawPanel = [](TStatusBar* sender, TStatusPanel*, const RECT& rect) {
        RECT done = rect;
        done.right = rect.left + (rect.right - rect.left) * 2 / 5;
        sender->Canvas().Brush().SetColor(clGreen);
        sender->Canvas().FillRect(done);
    };
    auto* label = new TLabel(form);
    label->SetParent(bar);
    label->SetBounds(300, 4, 80, 18);
    label->SetCaption("Processing:");
    Show(form);
    EXPECT_EQ(label->Parent(), bar);
    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(pixels.Picture(), (std::filesystem::path(keep) / "status-bar.png").string()));
    }
    // Shown through the SDL display on a real X screen, the form looks as the headless screen drew it.
    if (onscreen::Xvfb::Installed()) {
        HBITMAP picture = CaptureWindow(form->Handle());
        EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "status-bar"), "");
        DeleteObject(picture);
    }
    const RECT first = bar->PanelRect(0);
    EXPECT_EQ(pixels.At(bar, first.left + 10, (first.top + first.bottom) / 2), RGB(0, 128, 0));
    // The label's text is drawn over the bar (some dark pixel in its box).
    bool text = false;
    for (int y = 0; y < 16 && !text; ++y)
        for (int x = 0; x < 80 && !text; ++x) text = pixels.At(label, x, y) == RGB(0, 0, 0);
    EXPECT_TRUE(text);
}

}  // namespace
}  // namespace parch
