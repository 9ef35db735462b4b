// The page preview: real pages through the renderer, fitting and zoom, paging by buttons,
// pager and arrows, the render error path, and the document buttons.

#include "bitmap32/view/Image32.h"
#include "framework/ExtCtrls.h"
#include "tests/app/DesktopFixture.h"

#include <cmath>

namespace parch {
namespace {

using test::DesktopFixture;

// The colour bands of the three-page fixture, as 0xRRGGBB with some tolerance.
bool Near(TColor32 pixel, std::uint32_t rgb) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((rgb >> shift) & 0xFF)) > 12) return false;
    return true;
}

class PreviewTest : public DesktopFixture {
protected:
    void SetUp() override {
        DesktopFixture::SetUp();
        ASSERT_TRUE(MakePreviewDocs());
    }
    std::string Doc(const char* name) const { return docs.Path() + name; }

    // The band near the top of the shown page identifies it: red, green, blue for pages 1 to 3.
    static std::uint32_t BandColour(TMainForm& form) {
        TBitmap32& page = form.tImage32Preview->Bitmap();
        return page.GetPixel(page.Width() / 2, page.Height() * 110 / 842) & 0xFFFFFF;
    }
    static int ExpectedZoomPercent(TMainForm& form) {
        TBitmap32& page = form.tImage32Preview->Bitmap();
        const float scale = std::min({static_cast<float>(form.tImage32Preview->ClientWidth()) / page.Width(),
                                      static_cast<float>(form.tImage32Preview->ClientHeight()) / page.Height(), 1.0f});
        return static_cast<int>(std::nearbyint(scale * 100));
    }
};

TEST_F(PreviewTest, ShowsTheRenderedPageFittedAndTurnsPages) {
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(AddDocuments(form, {Doc("three-pages.pdf")}));
        EXPECT_EQ(form.sPanelContent->Caption(), "Click on the list to preview");
        ASSERT_TRUE(SelectAndRender(form, 0));
        EXPECT_TRUE(prompts.Messages.empty()) << prompts.Messages.front().Text;
        ASSERT_TRUE(form.tImage32Preview->Visible());
        EXPECT_EQ(form.sPanelContent->Caption(), "");
        EXPECT_EQ(form.tImage32Preview->Bitmap().Width(), 794);
        EXPECT_EQ(form.tImage32Preview->Bitmap().Height(), 1123);
        EXPECT_EQ(form.sDecimalSpinEditPDFPager->MaxValue(), 3);
        EXPECT_TRUE(Near(BandColour(form), 0xD93333)) << std::hex << BandColour(form);
        const int percent = ExpectedZoomPercent(form);
        EXPECT_LT(percent, 100);
        EXPECT_EQ(form.sLabelZoom->Caption(), "Zoom: " + std::to_string(percent) + " %  ");
        EXPECT_FLOAT_EQ(form.tImage32Preview->Scale(), std::min(form.tImage32Preview->ClientWidth() / 794.0f,
                                                                form.tImage32Preview->ClientHeight() / 1123.0f));
        SaveScreen("preview-page-1");

        form.ImagePDFLastPageClick(&form);
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPage, 3);
        EXPECT_TRUE(Near(BandColour(form), 0x3359D9)) << std::hex << BandColour(form);
        form.ImagePDFNextPageClick(&form);
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPage, 3);

        form.ImagePDFPrevPageClick(&form);
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPage, 2);
        EXPECT_TRUE(Near(BandColour(form), 0x339940)) << std::hex << BandColour(form);

        // Values outside the document change nothing.
        for (const double typed : {7.0, 0.0}) {
            form.sDecimalSpinEditPDFPager->SetMaxValue(0);  // as typed text, not limited
            form.sDecimalSpinEditPDFPager->SetValue(typed);
            ASSERT_TRUE(WaitRendered(form));
            EXPECT_EQ(form.Shared().PreviewPage, 2) << typed;
        }
        form.ImagePDFFirstPageClick(&form);
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPage, 1);
        EXPECT_TRUE(prompts.Messages.empty());
    });
}

TEST_F(PreviewTest, SmallPageIsShownAtItsOwnSize) {
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(AddDocuments(form, {Doc("small-page.pdf")}));
        ASSERT_TRUE(SelectAndRender(form, 0));
        EXPECT_EQ(form.tImage32Preview->Scale(), 1.0f);
        EXPECT_EQ(form.sLabelZoom->Caption(), "Zoom: 100 %  ");
    });
}

TEST_F(PreviewTest, DamagedPageShowsTheRenderersMessageAndStaysUsable) {
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(AddDocuments(form, {Doc("damaged-page.pdf"), Doc("small-page.pdf")}));
        ASSERT_TRUE(SelectAndRender(form, 0));
        ASSERT_EQ(prompts.Messages.size(), 1u);
        EXPECT_EQ(prompts.Messages[0].Type, mtError);
        EXPECT_EQ(prompts.Messages[0].Text, "The page is too large to render at this resolution\r\n");
        EXPECT_EQ(form.sPanelContent->Caption(), "Rendering error!");
        EXPECT_FALSE(form.tImage32Preview->Visible());
        EXPECT_FALSE(form.Shared().IsRendering);
        SaveScreen("preview-rendering-error");
        // The next document still shows, and drops are taken again.
        ASSERT_TRUE(SelectAndRender(form, 1));
        EXPECT_TRUE(form.tImage32Preview->Visible());
        EXPECT_EQ(form.sPanelContent->Caption(), "");
    });
}

TEST_F(PreviewTest, ChoosingAnotherDocumentDuringARenderShowsItAfterwards) {
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(AddDocuments(form, {Doc("three-pages.pdf"), Doc("small-page.pdf")}));
        form.sListViewPDF->SetSelected(form.sListViewPDF->Items()[0]);
        ASSERT_TRUE(form.Shared().IsRendering);
        // The first render is still waiting for the GUI thread; the second choice waits for it.
        form.sListViewPDF->SetSelected(form.sListViewPDF->Items()[1]);
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPath, Doc("small-page.pdf"));
        EXPECT_EQ(form.tImage32Preview->Bitmap().Width(), 267);
        EXPECT_EQ(form.sDecimalSpinEditPDFPager->MaxValue(), 1);

        // Deselecting and selecting the shown document again starts nothing.
        form.sListViewPDF->ClearSelection();
        EXPECT_FALSE(form.Shared().IsRendering);
        EXPECT_TRUE(form.tImage32Preview->Visible());
        form.sListViewPDF->SetSelected(form.sListViewPDF->Items()[1]);
        EXPECT_FALSE(form.Shared().IsRendering);
    });
}

TEST_F(PreviewTest, DocumentButtonsMoveTheSelectionAndAReadingRefusesPaging) {
    RunDesktop([&](TMainForm& form) {
        ASSERT_TRUE(AddDocuments(form, {Doc("three-pages.pdf"), Doc("small-page.pdf")}));
        form.sBitBtnPreviewPrevClick(&form);  // nothing selected: the last item
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPath, Doc("small-page.pdf"));
        form.sBitBtnPreviewNextClick(&form);  // already the last
        EXPECT_EQ(form.sListViewPDF->ItemIndex(), 1);
        form.sBitBtnPreviewPrevClick(&form);
        ASSERT_TRUE(WaitRendered(form));
        EXPECT_EQ(form.Shared().PreviewPath, Doc("three-pages.pdf"));
        form.sBitBtnPreviewPrevClick(&form);  // already the first
        EXPECT_EQ(form.sListViewPDF->ItemIndex(), 0);

        form.Shared().IsReading = true;
        form.ImagePDFLastPageClick(&form);
        form.sBitBtnPreviewNextClick(&form);
        EXPECT_FALSE(form.Shared().IsRendering);
        EXPECT_EQ(form.sListViewPDF->ItemIndex(), 0);
        form.Shared().IsReading = false;
        EXPECT_TRUE(Near(BandColour(form), 0xD93333));
    });
}

}  // namespace
}  // namespace parch
