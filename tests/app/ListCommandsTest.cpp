// The list commands, the menu and the keyboard: duplicates, removal (also while a page is
// being drawn), page ranges by a click in their column, check marks, grid lines and shading,
// and each short-cut obeyed or refused.

#include "app/Colorize.h"
#include "bitmap32/view/Image32.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/win/Input.h"
#include "platform/win/ListViewClass.h"
#include "platform/win/Messages.h"
#include "tests/app/DesktopFixture.h"

namespace parch {
namespace {

using test::DesktopFixture;

class ListCommandsTest : public DesktopFixture {
protected:
    void SetUp() override {
        DesktopFixture::SetUp();
        ASSERT_TRUE(MakePreviewDocs());
    }
    std::string Doc(const char* name) const { return docs.Path() + name; }
    static void AddItems(TMainForm& form, const std::vector<std::string>& captions) {
        for (const std::string& caption : captions) form.AddDocumentItem(caption, 1, "1 KB", "");
    }
    // A screen point in a cell of the list, at dx from its left edge (the middle when dx < 0).
    static POINT CellPoint(TMainForm& form, int row, int column, int dx = -1) {
        RECT cell{};
        cell.left = LVIR_BOUNDS;
        cell.top = column;
        SendMessage(form.sListViewPDF->Handle(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
        int left = 0;
        for (int c = 0; c < column; ++c) left += form.sListViewPDF->Columns().Items(c)->Width();
        const int width = form.sListViewPDF->Columns().Items(column)->Width();
        return form.sListViewPDF->ClientToScreen({left + (dx < 0 ? width / 2 : dx), (cell.top + cell.bottom) / 2});
    }
};

TEST(ColorizeTest, ScalesEachChannelWithHalvesToEven) {
    EXPECT_EQ(ScaleColor(clWhite, 96), static_cast<TColor>(0x00F5F5F5));
    EXPECT_EQ(ScaleColor(static_cast<TColor>(0x00808080), 96), static_cast<TColor>(0x007B7B7B));
    EXPECT_EQ(ScaleColor(static_cast<TColor>(0x00070505), 50), static_cast<TColor>(0x00040202));
}

TEST_F(ListCommandsTest, RemoveDuplicationsKeepsFirstOccurrencesAndLetterCase) {
    RunDesktop([&](TMainForm& form) {
        AddItems(form, {"/d/a.pdf", "/d/b.pdf", "/d/a.pdf", "/d/c.pdf", "/d/a.pdf", "/d/A.pdf"});
        form.Removeduplications1Click(&form);
        EXPECT_EQ(Captions(form), (std::vector<std::string>{"/d/a.pdf", "/d/b.pdf", "/d/c.pdf", "/d/A.pdf"}));
        form.Removeduplications1Click(&form);
        ASSERT_EQ(prompts.Messages.size(), 2u);
        EXPECT_EQ(prompts.Messages[0].Text, "Duplications removed!");
        EXPECT_EQ(prompts.Messages[1].Text, "There are no duplicates!");
        EXPECT_EQ(form.sLabelListInfo->Caption(), "4 / 4");
    });
}

TEST_F(ListCommandsTest, RemoveAsksAndDeletesOnlyCheckedItems) {
    RunDesktop([&](TMainForm& form) {
        AddItems(form, {"/d/a.pdf", "/d/b.pdf", "/d/c.pdf"});
        form.sButtonDeselectAllClick(&form);
        prompts.Answers = {mrYes};
        form.sBitBtnRemoveClick(&form);
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Text, "Are you sure you want to\r\nremove all selected items?");
        EXPECT_EQ(Captions(form).size(), 3u);

        form.sListViewPDF->Items()[1]->SetChecked(true);
        prompts.Answers = {mrNo};
        form.sBitBtnRemoveClick(&form);
        EXPECT_EQ(Captions(form).size(), 3u);
        prompts.Answers = {mrYes};
        form.sBitBtnRemoveClick(&form);
        EXPECT_EQ(Captions(form), (std::vector<std::string>{"/d/a.pdf", "/d/c.pdf"}));

        prompts.Answers = {mrYes};
        form.sBitBtnClearClick(&form);
        EXPECT_EQ(prompts.Messages.back().Text, "Are you sure you want\r\nto remove all items?");
        EXPECT_TRUE(Captions(form).empty());
        EXPECT_EQ(form.sLabelListInfo->Caption(), "0 / 0");
    });
}

TEST_F(ListCommandsTest, RemovingThePreviewedDocumentEmptiesThePreviewEvenDuringItsRender) {
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(AddDocuments(form, {Doc("three-pages.pdf"), Doc("small-page.pdf")}));
        form.sButtonDeselectAllClick(&form);
        form.sListViewPDF->Items()[0]->SetChecked(true);
        // The render of the first document is still waiting for the GUI thread.
        form.sListViewPDF->SetSelected(form.sListViewPDF->Items()[0]);
        ASSERT_TRUE(form.Shared().IsRendering);
        prompts.Answers = {mrYes};
        form.sBitBtnRemoveClick(&form);
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(Captions(form), (std::vector<std::string>{Doc("small-page.pdf")}));
        EXPECT_FALSE(form.tImage32Preview->Visible());
        EXPECT_EQ(form.tImage32Preview->Bitmap().Width(), 0);
        EXPECT_EQ(form.Shared().PreviewPath, "");
        EXPECT_FALSE(form.PageButtons[0]->Enabled());
        EXPECT_FALSE(form.sDecimalSpinEditPDFPager->Enabled());

        ASSERT_TRUE(SelectAndRender(form, 0));
        EXPECT_TRUE(form.tImage32Preview->Visible());
        EXPECT_TRUE(form.PageButtons[0]->Enabled());
        EXPECT_TRUE(form.sDecimalSpinEditPDFPager->Enabled());
    });
}

TEST_F(ListCommandsTest, ClickInPageRangeColumnPromptsForThatRow) {
    RunDesktop([&](TMainForm& form) {
        AddItems(form, {"/d/1.pdf", "/d/2.pdf", "/d/3.pdf", "/d/4.pdf"});
        form.sListViewPDF->Items()[3]->SubItems().SetStrings(kSubItemRange, "2-3");
        Pump();
        const POINT size = CellPoint(form, 3, 2);
        display.Click(size.x, size.y);
        Pump();
        EXPECT_TRUE(prompts.TextQueries.empty()) << "a click in Size prompted";

        prompts.TextAnswers = {std::string("  1-5 ")};
        const POINT range = CellPoint(form, 3, 3, 10);
        display.Click(range.x, range.y);
        Pump();
        ASSERT_EQ(prompts.TextQueries.size(), 1u);
        EXPECT_EQ(prompts.TextQueries[0][0], "Page Range setting");
        EXPECT_EQ(prompts.TextQueries[0][1],
                  "Please enter the page range for\r\n\r\n/d/4.pdf\r\n\r\nExample: 1-5  (leave it blank for all pages):\r\n");
        EXPECT_EQ(prompts.TextQueries[0][2], "2-3");
        EXPECT_EQ(Row(form, 3)[3], "1-5");

        prompts.TextAnswers = {std::string("   ")};
        form.Settoall1Click(&form);
        EXPECT_EQ(prompts.TextQueries.back()[1], "Please enter the page range for all items!");
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Row(form, i)[3], "");
        prompts.TextAnswers = {std::string(" 4 ")};
        form.Settoall1Click(&form);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Row(form, i)[3], "4");
        form.Clearall1Click(&form);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(Row(form, i)[3], "");
    });
}

TEST_F(ListCommandsTest, ChecksByMarkAndByStatusPicture) {
    RunDesktop([&](TMainForm& form) {
        AddItems(form, {"/d/ok.pdf", "/d/failed.pdf", "/d/waiting.pdf", "/d/ok-key.pdf"});
        form.SetItemStatus(0, kPictureDone, true);
        form.SetItemStatus(1, kPictureFailed, false);
        form.SetItemStatus(3, kPictureDone + 1, true);
        const auto checks = [&form] {
            std::string marks;
            for (int i = 0; i < form.ItemCount(); ++i) marks += form.sListViewPDF->Items()[i]->Checked() ? 'x' : '-';
            return marks;
        };
        form.Successful1Click(&form);
        EXPECT_EQ(checks(), "x--x");
        form.Unsuccessfull1Click(&form);
        EXPECT_EQ(checks(), "-x--");
        form.Waiting1Click(&form);
        EXPECT_EQ(checks(), "--x-");
        form.sButtonInverseSelectionClick(&form);
        EXPECT_EQ(checks(), "xx-x");
        form.sButtonSelectAllClick(&form);
        EXPECT_EQ(checks(), "xxxx");
        EXPECT_EQ(form.sLabelListInfo->Caption(), "4 / 4");
    });
}

TEST_F(ListCommandsTest, GridLinesFollowTheCheckAndEveryOtherRowIsShaded) {
    RunDesktop([&](TMainForm& form) {
        EXPECT_FALSE(form.sListViewPDF->GridLines());
        EXPECT_TRUE(form.Showgrid1->Checked());
        form.Showgrid1Click(&form);
        form.Showgrid1Click(&form);
        EXPECT_TRUE(form.sListViewPDF->GridLines()) << "toggled on an empty list";
        form.UpdateGridLines();
        EXPECT_FALSE(form.sListViewPDF->GridLines());
        ASSERT_TRUE(AddDocuments(form, {Doc("three-pages.pdf"), Doc("small-page.pdf"), Doc("damaged-page.pdf")}));
        form.UpdateGridLines();
        EXPECT_TRUE(form.sListViewPDF->GridLines());
        form.sListViewPDF->Invalidate();
        Pump();
        SaveScreen("list-shading");
        // Just inside the Pages column, away from its centred text: white on the first row, 245 on the second.
        HBITMAP screen = CaptureScreen();
        const auto pixelAt = [&screen](POINT p) {
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, screen);
            const COLORREF colour = GetPixel(dc, p.x, p.y);
            SelectObject(dc, old);
            DeleteDC(dc);
            return colour;
        };
        const POINT first = CellPoint(form, 0, 1, 3);
        const POINT second = CellPoint(form, 1, 1, 3);
        EXPECT_EQ(pixelAt(first), RGB(255, 255, 255));
        EXPECT_EQ(pixelAt(second), RGB(245, 245, 245));
        DeleteObject(screen);
    });
}

}  // namespace
}  // namespace parch
