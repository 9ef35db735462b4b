#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/PageControl.h"
#include "framework/StdCtrls.h"
#include "platform/display/PngFile.h"
#include "platform/win/TabControlClass.h"
#include "platform/win/UpDownClass.h"
#include "tests/framework/FormFixture.h"
#include "tests/platform/display/OnScreenCheck.h"

namespace parch {
namespace {

class PageControlTest : public FormFixture {
protected:
    TForm* form = nullptr;
    TPageControl* pages = nullptr;
    std::vector<TTabSheet*> sheets;

    void MakePages(const std::vector<std::string>& captions, int width = 300) {
        form = MakeForm(width + 20, 200);
        pages = Child<TPageControl>(form, 10, 10, width, 180);
        for (const std::string& caption : captions) {
            auto* sheet = new TTabSheet(form);
            sheet->SetCaption(caption);
            sheet->SetPageControl(pages);
            sheets.push_back(sheet);
        }
        Show(form);
    }
    void ClickTab(int tabIndex) {
        display.AdvanceTime(2000);  // a single click each time, never a double one
        RECT r = pages->TabRect(tabIndex);
        POINT p = At(pages, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        display.Click(p.x, p.y);
        display.PumpMessages();
    }
};

TEST_F(PageControlTest, AClickedTabAsksFirstThenShowsItsSheetAndTells) {
    MakePages({"One", "Two", "Three"});
    pages->SetActivePage(sheets[0]);
    ASSERT_TRUE(sheets[0]->Visible());
    std::vector<std::string> events;
    bool allow = false;
    pages->OnChanging = [&](TObject*, bool& allowChange) {
        events.push_back("changing:" + pages->ActivePage()->Caption());
        allowChange = allow;
    };
    pages->OnChange = [&](TObject*) { events.push_back("change:" + pages->ActivePage()->Caption()); };
    sheets[0]->OnHide = [&](TObject*) { events.push_back("hide:One"); };
    sheets[2]->OnShow = [&](TObject*) { events.push_back("show:Three"); };

    // Refused: the first sheet stays, nobody is told of a change.
    ClickTab(2);
    EXPECT_EQ(events, (std::vector<std::string>{"changing:One"}));
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    EXPECT_EQ(pages->TabIndex(), 0);

    // Allowed: asked while the old sheet is active, told once the new one shows.
    events.clear();
    allow = true;
    ClickTab(2);
    EXPECT_EQ(events, (std::vector<std::string>{"changing:One", "show:Three", "hide:One", "change:Three"}));
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_EQ(pages->TabIndex(), 2);
    EXPECT_TRUE(sheets[2]->Visible());
    EXPECT_FALSE(sheets[0]->Visible());
    EXPECT_FALSE(sheets[1]->Visible());
    // The sheet fills the area under the tabs.
    RECT display = pages->DisplayRect();
    EXPECT_EQ(sheets[2]->BoundsRect().top, display.top);
    EXPECT_EQ(sheets[2]->BoundsRect().right, display.right);
}

TEST_F(PageControlTest, HiddenTabsAreSkippedBetweenTabsAndPages) {
    MakePages({"A", "B", "C", "D"});
    sheets[1]->SetTabVisible(false);
    EXPECT_EQ(pages->TabCount(), 3);
    EXPECT_EQ(sheets[1]->TabIndex(), -1);
    EXPECT_EQ(sheets[2]->TabIndex(), 1);
    EXPECT_EQ(pages->PageForTab(1), sheets[2]);

    // Programmatic changes tell nobody; the selected tab follows the active page.
    int told = 0;
    pages->OnChange = [&](TObject*) { ++told; };
    pages->SetActivePage(sheets[3]);
    EXPECT_EQ(pages->TabIndex(), 2);
    pages->SetTabIndex(1);
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_EQ(told, 0);

    // A renamed sheet renames its own tab, not the one at its page index.
    sheets[3]->SetCaption("Dee");
    char text[32] = {};
    TCITEMA item;
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessage(pages->Handle(), TCM_GETITEMA, 2, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "Dee");

    // Freeing the active page activates the next one with a tab.
    delete sheets[2];
    EXPECT_EQ(pages->PageCount(), 3);
    EXPECT_EQ(pages->ActivePage(), sheets[3]);
    EXPECT_TRUE(sheets[3]->Visible());
}

TEST_F(PageControlTest, SelectNextPageWrapsAndHonoursTheVeto) {
    MakePages({"A", "B", "C"});
    pages->SetActivePage(sheets[2]);
    int changes = 0;
    pages->OnChange = [&](TObject*) { ++changes; };
    pages->SelectNextPage(true);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    pages->SelectNextPage(false);
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_EQ(changes, 2);
    pages->OnChanging = [](TObject*, bool& allow) { allow = false; };
    pages->SelectNextPage(true);
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_EQ(changes, 2);
}

TEST_F(PageControlTest, TheTabsStandOnTheSideTheirPositionNames) {
    MakePages({"One", "Two"});
    struct Case {
        TTabPosition position;
        DWORD style;
    };
    const Case cases[] = {{tpTop, 0}, {tpBottom, TCS_BOTTOM}, {tpLeft, TCS_VERTICAL}, {tpRight, TCS_VERTICAL | TCS_RIGHT}};
    for (const Case& c : cases) {
        pages->SetTabPosition(c.position);
        const auto style = static_cast<DWORD>(GetWindowLongPtr(pages->Handle(), GWL_STYLE));
        EXPECT_EQ(style & (TCS_BOTTOM | TCS_VERTICAL), c.style);
        // The tabs lie between the client edge of their side and the sheet, which survived
        // the new window.
        const RECT tab = pages->TabRect(0);
        const RECT sheet = sheets[0]->BoundsRect();
        const RECT client = pages->ClientRect();
        switch (c.position) {
            case tpTop: EXPECT_LE(tab.bottom, sheet.top); break;
            case tpBottom: EXPECT_GE(tab.top, sheet.bottom); EXPECT_LE(tab.bottom, client.bottom); break;
            case tpLeft: EXPECT_LE(tab.right, sheet.left); break;
            case tpRight: EXPECT_GE(tab.left, sheet.right); EXPECT_LE(tab.right, client.right); break;
        }
        EXPECT_EQ(pages->ActivePage(), sheets[0]);
        EXPECT_EQ(pages->TabCount(), 2);
    }
}

TEST(TabRowFromRectTest, RowsCountFromTheStripAndEmptyRectanglesAreRowOne) {
    struct Case {
        TTabPosition position;
        int rows;
        RECT tab;
        RECT area;
        int row;
    };
    const Case cases[] = {
        {tpTop, 3, {0, 2, 50, 22}, {0, 0, 300, 64}, 1},
        {tpTop, 3, {0, 42, 50, 62}, {0, 0, 300, 64}, 3},
        {tpLeft, 2, {22, 0, 42, 50}, {0, 0, 44, 200}, 2},
        {tpBottom, 2, {0, 140, 50, 160}, {0, 138, 300, 180}, 2},
        {tpRight, 2, {278, 0, 298, 50}, {256, 0, 300, 200}, 1},
        // No rectangle (no such tab, or no answer): no division, row 1.
        {tpTop, 3, {0, 0, 0, 0}, {0, 0, 300, 64}, 1},
        {tpLeft, 2, {10, 10, 10, 40}, {0, 0, 44, 200}, 1},
        {tpBottom, 4, {5, 9, 60, 9}, {0, 100, 300, 180}, 1},
        // A single row needs no rectangle at all.
        {tpTop, 1, {0, 2, 50, 22}, {0, 0, 300, 24}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TabRowFromRect(c.position, c.rows, c.tab, c.area), c.row)
            << static_cast<int>(c.position) << " " << c.tab.left << "," << c.tab.top;
}

TEST_F(PageControlTest, MultiLineTabsLieInRowsAndUnknownTabsInRowOne) {
    form = MakeForm(220, 200);
    auto* tabs = Child<TTabControl>(form, 10, 10, 200, 180);
    tabs->SetMultiLine(true);
    for (int i = 0; i < 8; ++i) tabs->Tabs().Add("Tab number " + std::to_string(i));
    Show(form);
    ASSERT_GT(tabs->RowCount(), 1);
    std::vector<int> rows;
    for (int i = 0; i < tabs->TabCount(); ++i) rows.push_back(tabs->TabRow(i));
    for (int row : rows) {
        EXPECT_GE(row, 1);
        EXPECT_LE(row, tabs->RowCount());
    }
    EXPECT_NE(rows.front(), rows.back());
    EXPECT_EQ(tabs->TabRow(99), 1);
    EXPECT_EQ(tabs->TabRow(-1), 1);
}

TEST_F(PageControlTest, OverflowingTabsScrollWithTheArrows) {
    std::vector<std::string> captions;
    for (int i = 1; i <= 9; ++i) captions.push_back("Page " + std::to_string(i));
    MakePages(captions, 260);
    HWND arrows = FindWindowEx(pages->Handle(), nullptr, "msctls_updown32", nullptr);
    ASSERT_NE(arrows, nullptr);
    const int firstLeft = pages->TabRect(0).left;

    // The right arrow scrolls the row by one tab; the sheets stay as they were.
    RECT r;
    GetWindowRect(arrows, &r);
    display.Click(r.right - 4, (r.top + r.bottom) / 2);
    display.PumpMessages();
    EXPECT_LT(pages->TabRect(0).left, firstLeft);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);

    // A tab scrolled into view is clicked as any other.
    ClickTab(5);
    EXPECT_EQ(pages->ActivePage(), sheets[5]);

    auto* label = new TLabel(form);
    label->SetParent(sheets[5]);
    label->SetBounds(10, 10, 200, 20);
    label->SetCaption("The sixth page's content");
    form->Repaint();
    app.ProcessMessages();
    WindowPixels pixels(form);
    if (const char* keep = std::getenv("PARCH_SAVE_PICTURES")) {
        EXPECT_TRUE(SavePng(pixels.Picture(), (std::filesystem::path(keep) / "page-control-overflow.png").string()));
    }
    // Shown through the SDL display on a real X screen, the form looks as the headless screen drew it.
    if (onscreen::Xvfb::Installed()) {
        HBITMAP picture = CaptureWindow(form->Handle());
        EXPECT_EQ(onscreen::CompareWithScreen(form->Handle(), picture, "page-control-overflow"), "");
        DeleteObject(picture);
    }
}

TEST_F(PageControlTest, OwnerDrawnTabsAreDrawnByTheEventWithTheirImageList) {
    form = MakeForm(320, 120);
    auto* tabs = Child<TTabControl>(form, 10, 10, 300, 100);
    auto* images = new TImageList(form);
    tabs->SetImages(images);
    tabs->SetOwnerDraw(true);
    tabs->Tabs().Add("First");
    tabs->Tabs().Add("Second");
    tabs->SetTabIndex(1);
    std::vector<std::pair<int, bool>> drawn;
    tabs->OnDrawTab = [&](TObject*, int index, const RECT& rect, bool active) {
        drawn.emplace_back(index, active);
        tabs->Canvas().Brush().SetColor(clRed);
        tabs->Canvas().FillRect(rect);
    };
    Show(form);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessage(tabs->Handle(), TCM_GETIMAGELIST, 0, 0)), images->Handle());
    ASSERT_FALSE(drawn.empty());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::pair{0, false}), drawn.end());
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), std::pair{1, true}), drawn.end());
    RECT r = tabs->TabRect(0);
    WindowPixels pixels(form);
    EXPECT_EQ(pixels.At(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2), RGB(255, 0, 0));
}

}  // namespace
}  // namespace parch
