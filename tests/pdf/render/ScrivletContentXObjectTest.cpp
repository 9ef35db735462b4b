// Form XObjects, image places, inline images, optional content, annotation appearances and
// the failure text of a page.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/SysUtils.h"
#include "pdf/core/ScrivletStructure.h"
#include "pdf/render/ScrivletRenderer.h"
#include "tests/pdf/render/ScrivletRendererTestPages.h"

namespace parch {
namespace {

using rendertest::PageRender;
using rendertest::PageSpec;
using rendertest::RenderPage;
using rendertest::kRed;
using rendertest::kWhite;
using rendertest::kBlue;
using rendertest::StreamObject;


std::string XObjectForm(const std::string& content, const std::string& extra = "/BBox [0 0 1000 1000]") {
    return StreamObject("/Type /XObject /Subtype /Form " + extra, content);
}

TEST(ContentForms, MatrixScalesAndBBoxClips) {
    PageSpec pageSpec;
    pageSpec.Resources = "/XObject << /Fm0 5 0 R >>";
    pageSpec.Content = "q 1 0 0 1 10 10 cm /Fm0 Do Q";
    pageSpec.Objects[5] = XObjectForm("1 0 0 rg 0 0 20 20 re f", "/BBox [0 0 10 10] /Matrix [2 0 0 2 0 0]");
    auto render = RenderPage(pageSpec);
    EXPECT_EQ(render->CountColor(kRed), 20 * 20);
    EXPECT_EQ(render->Pixel(10, 89), kRed);
    EXPECT_EQ(render->Pixel(29, 70), kRed);
    EXPECT_EQ(render->Pixel(30, 70), kWhite);
}

TEST(ContentForms, FormsStartFromTheCallersStateAndLeaveItUnchanged) {
    PageSpec pageSpec;
    pageSpec.Resources = "/XObject << /Fm0 5 0 R /Fm1 6 0 R >>";
    pageSpec.Content = "1 0 0 rg /Fm0 Do 50 50 10 10 re f /Fm1 Do";
    pageSpec.Objects[5] = XObjectForm("0 0 10 10 re f 0 0 1 rg 20 0 10 10 re f");
    pageSpec.Objects[6] = XObjectForm("80 80 10 10 re f");  // a form without resources falls back to the page's
    auto render = RenderPage(pageSpec);
    EXPECT_EQ(render->CountColor(kRed), 300);
    EXPECT_EQ(render->CountColor(kBlue), 100);
}

TEST(ContentForms, FormsDrawingThemselvesEndAtTheRepeat) {
    struct Case {
        std::string Name;
        int Forms;       // form n calls form n + 1; the last paints
        bool LastCallsFirst;
        int Red;
    };
    for (const Case& c : {Case{"itself", 1, true, 100}, Case{"through another", 2, true, 100},
                          Case{"a chain of 10", 10, false, 100}, Case{"a chain deeper than the bound", 40, false, 0}}) {
        SCOPED_TRACE(c.Name);
        PageSpec pageSpec;
        std::string xobjects;
        for (int i = 0; i < c.Forms; ++i) xobjects += "/F" + std::to_string(i) + " " + std::to_string(5 + i) + " 0 R ";
        pageSpec.Resources = "/XObject << " + xobjects + ">>";
        pageSpec.Content = "/F0 Do";
        for (int i = 0; i < c.Forms; ++i) {
            const bool last = i + 1 == c.Forms;
            std::string content = last ? (c.LastCallsFirst ? "/F0 Do " : "") + std::string("1 0 0 rg 0 0 10 10 re f")
                                       : "/F" + std::to_string(i + 1) + " Do";
            pageSpec.Objects[5 + i] = XObjectForm(content, "/BBox [0 0 100 100] /Resources << /XObject << " + xobjects + ">> >>");
        }
        auto render = RenderPage(pageSpec);
        EXPECT_EQ(render->CountColor(kRed), c.Red);
        EXPECT_TRUE(render->Renderer().ErrorText.empty());
    }
}

TEST(ContentImages, ImagesAndInlineImagesAreDecodedInTheirPlace) {
    PageSpec pageSpec;
    pageSpec.Resources = "/XObject << /Im0 5 0 R >>";
    // The inline image's four grey samples are the bytes "0 0 ": 0x30 and 0x20 in turn.
    pageSpec.Content = "q 50 0 0 50 0 50 cm /Im0 Do Q q 40 0 0 40 60 0 cm BI /W 4 /H 1 /BPC 8 /CS /G ID 0 0 100 100 re f\nEI Q";
    pageSpec.Objects[5] = StreamObject("/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 "
                                   "/ColorSpace /DeviceGray",
                                   "\x80");
    auto render = RenderPage(pageSpec);
    rendertest::SaveForLook(*render, "image-places");
    EXPECT_EQ(render->CountColor(0x808080), 50 * 50);
    EXPECT_EQ(render->CountColor(0x808080, 0, 0, 50, 50), 50 * 50);
    EXPECT_EQ(render->CountColor(0x303030), 20 * 40);
    EXPECT_EQ(render->CountColor(0x202020), 20 * 40);
    EXPECT_EQ(render->CountColor(0x303030, 60, 60, 70, 100), 10 * 40);
    EXPECT_EQ(render->CountColor(0), 0) << "inline image data is no content";
}

TEST(ContentImages, StencilsTakeTheFillColourAndImagesAreDecodedOncePerReference) {
    PageSpec pageSpec;
    pageSpec.Resources = "/XObject << /M 5 0 R >>";
    // A 2 x 1 stencil: its left sample (0) paints in red; drawn twice from one decoder.
    pageSpec.Content = "1 0 0 rg q 20 0 0 10 0 0 cm /M Do Q q 20 0 0 10 0 20 cm /M Do Q";
    pageSpec.Objects[5] = StreamObject("/Type /XObject /Subtype /Image /Width 2 /Height 1 /ImageMask true", "\x40");
    auto render = RenderPage(pageSpec);
    EXPECT_EQ(render->CountColor(0xFF0000), 2 * 10 * 10);
    EXPECT_EQ(render->Renderer().ImageCache.size(), 1u);
}

TEST(ContentImages, InlineImageDataEndsAtEIBetweenWhiteSpace) {
    for (const char* content :
         {"BI /W 1 /H 1 ID xEIx EI 1 0 0 rg 0 0 10 10 re f", "BI ID EI 1 0 0 rg 0 0 10 10 re f",
          "BI /W 1 ID ab\nEI\n1 0 0 rg 0 0 10 10 re f"}) {
        SCOPED_TRACE(content);
        PageSpec pageSpec;
        pageSpec.Content = content;
        EXPECT_EQ(RenderPage(pageSpec)->CountColor(kRed), 100);
    }
    PageSpec unterminated;
    unterminated.Content = "BI /W 1 ID 1 0 0 rg 0 0 10 10 re f";
    EXPECT_EQ(RenderPage(unterminated)->CountColor(kRed), 0);
}

const std::string kXObjectGroups =
    "/Properties << /Off << /Type /OCG /Name (off) /Usage << /View << /ViewState /OFF >> /Print << /PrintState /ON >> "
    ">> >> /On << /Type /OCG /Name (on) /Usage << /View << /ViewState /ON >> >> >> >>";

TEST(ContentOptional, ContentShowsOnlyWhenEveryEnclosingGroupIsOn) {
    struct Case {
        std::string Content;
        int Red;
    };
    const std::string square = " 1 0 0 rg 0 0 10 10 re f ";
    for (const Case& c : {Case{"/OC /Off BDC" + square + "EMC", 0}, Case{"/OC /On BDC" + square + "EMC", 100},
                          Case{"/OC /Off BDC /OC /On BDC" + square + "EMC EMC", 0},
                          Case{"/OC /Off BDC /OC /On BDC EMC" + square + "EMC", 0},
                          Case{"/OC /Off BDC EMC" + square, 100}, Case{"/OC /Off BDC /Span BMC EMC" + square + "EMC", 0},
                          Case{"EMC EMC" + square, 100}, Case{"/OC /Missing BDC" + square + "EMC", 100},
                          Case{"/OC /Off BDC BI ID 1 0 0 rg 0 0 50 50 re f EI EMC", 0}}) {
        SCOPED_TRACE(c.Content);
        PageSpec pageSpec;
        pageSpec.Resources = kXObjectGroups + " /XObject << /Fm0 5 0 R >>";
        pageSpec.Content = c.Content;
        pageSpec.Objects[5] = XObjectForm(square);
        EXPECT_EQ(RenderPage(pageSpec)->CountColor(kRed), c.Red);
    }
    PageSpec hiddenForm;
    hiddenForm.Resources = kXObjectGroups + " /XObject << /Fm0 5 0 R >>";
    hiddenForm.Content = "/OC /Off BDC /Fm0 Do EMC";
    hiddenForm.Objects[5] = XObjectForm(square);
    EXPECT_EQ(RenderPage(hiddenForm)->CountColor(kRed), 0);
}

// Page 300 × 300; the appearance paints its whole box red.
PageSpec XObjectAnnotatedPage(const std::string& annotation, const std::string& appearanceEntries,
                       const std::string& appearanceContent = "1 0 0 rg -1000 -1000 3000 3000 re f") {
    PageSpec pageSpec;
    pageSpec.MediaBox = "[0 0 300 300]";
    pageSpec.PageExtra = "/Annots [5 0 R]";
    pageSpec.Objects[5] = "<< /Type /Annot /Subtype /Square " + annotation + " >>";
    pageSpec.Objects[6] = StreamObject("/Type /XObject /Subtype /Form " + appearanceEntries, appearanceContent);
    return pageSpec;
}

TEST(ContentAnnotations, AppearanceBoxLandsOnTheRectangle) {
    struct Case {
        std::string Annotation;
        std::string Appearance;
        int Red;
    };
    const std::string normal = "/AP << /N 6 0 R >>";
    for (const Case& c :
         {Case{"/Rect [100 100 200 150] " + normal, "/BBox [10 10 60 35]", 100 * 50},
          Case{"/Rect [200 150 100 100] " + normal, "/BBox [60 35 10 10]", 100 * 50},
          // The box turned by the appearance's matrix is what meets the rectangle.
          Case{"/Rect [100 100 200 150] " + normal, "/BBox [0 0 50 100] /Matrix [0 1 -1 0 0 0]", 100 * 50},
          Case{"/Rect [100 100 200 150] /F 2 " + normal, "/BBox [0 0 1 1]", 0},
          Case{"/Rect [100 100 200 150] /F 32 " + normal, "/BBox [0 0 1 1]", 0},
          Case{"/Rect [100 100 200 150] /F 4 " + normal, "/BBox [0 0 1 1]", 100 * 50},
          Case{"/Rect [100 100 200 150] /AS /On /AP << /N << /On 6 0 R >> >>", "/BBox [0 0 1 1]", 100 * 50},
          Case{"/Rect [100 100 200 150] /AS /Off /AP << /N << /On 6 0 R >> >>", "/BBox [0 0 1 1]", 0},
          Case{"/Rect [100 100 200] " + normal, "/BBox [0 0 1 1]", 0},
          Case{"/Rect [100 100 200 150] " + normal, "/BBox [0 0 1]", 0}}) {
        SCOPED_TRACE(c.Annotation + " " + c.Appearance);
        auto render = RenderPage(XObjectAnnotatedPage(c.Annotation, c.Appearance));
        EXPECT_EQ(render->CountColor(kRed), c.Red);
        EXPECT_EQ(render->CountColor(kRed, 100, 150, 200, 200), c.Red);
    }
}

TEST(ContentAnnotations, AppearanceContentIsScaledOntoTheRectangle) {
    auto render = RenderPage(XObjectAnnotatedPage("/Rect [100 100 200 150] /AP << /N 6 0 R >>", "/BBox [10 10 60 35]",
                                           "1 0 0 rg 10 10 10 5 re f"));
    EXPECT_EQ(render->CountColor(kRed), 20 * 10);
    EXPECT_EQ(render->Pixel(100, 199), kRed);
    EXPECT_EQ(render->Pixel(119, 190), kRed);
    EXPECT_EQ(render->Pixel(120, 190), kWhite);
}

// A stream whose decoding fails: the hook stands in for damaged data.
void XObjectFailDecoding(PageRender& render, int objectNumber) {
    render.Renderer().OnBeforeDecode = [objectNumber](TPDFStream*, TPDFIndRef* reference) {
        if (reference && reference->RefObjectNumber == objectNumber) throw Exception("damaged stream");
    };
}

PageSpec XObjectFailurePage(const std::string& content) {
    PageSpec pageSpec = XObjectAnnotatedPage("/Rect [200 200 300 300] /AP << /N 6 0 R >>", "/BBox [0 0 1 1]",
                                  "0 0 1 rg 0 0 1 1 re f");
    pageSpec.Resources = "/XObject << /Fa 7 0 R /Fb 8 0 R /Fc 9 0 R >>";
    pageSpec.Content = content;
    pageSpec.Objects[7] = XObjectForm("/Fb Do 0 0 1 rg 0 0 5 5 re f");
    pageSpec.Objects[8] = XObjectForm("0 0 10 10 re f");
    pageSpec.Objects[9] = XObjectForm("1 0 0 rg 20 0 10 10 re f");
    return pageSpec;
}

TEST(ContentFailures, ANestedFailureIsKeptAfterCleanRuns) {
    PageRender render(rendertest::OnePagePdf(XObjectFailurePage("/Fa Do /Fc Do")));
    XObjectFailDecoding(render, 8);
    ASSERT_TRUE(render.Render());
    const std::string& error = render.Renderer().ErrorText;
    EXPECT_EQ(error.rfind("Rendering exception: damaged stream\r\nToken position ", 0), 0u) << error;
    EXPECT_EQ(render.CountColor(kRed), 100) << "the clean form still ran";
    EXPECT_EQ(render.CountColor(kBlue, 200, 0, 300, 100), 100 * 100) << "the page's own run did not fail";
}

TEST(ContentFailures, AFailureOfThePagesRunKeepsWhatWasDrawnAndSkipsAnnotations) {
    PageRender render(rendertest::OnePagePdf(XObjectFailurePage("/Fc Do /Fb Do 0 0 100 100 re f")));
    XObjectFailDecoding(render, 8);
    ASSERT_TRUE(render.Render());
    EXPECT_EQ(render.Renderer().ErrorText, "Rendering exception: damaged stream\r\nToken position 14");
    EXPECT_EQ(render.CountColor(kRed), 100);
    EXPECT_EQ(render.CountColor(kBlue), 0);
    EXPECT_EQ(render.CountColor(0), 0);
}

TEST(ContentFailures, AContentStreamThatCannotBeDecodedFailsThePage) {
    PageRender render(rendertest::OnePagePdf(XObjectFailurePage("0 0 100 100 re f")));
    XObjectFailDecoding(render, 4);
    ASSERT_TRUE(render.Render());
    EXPECT_EQ(render.Renderer().ErrorText, "Rendering exception: damaged stream");
    EXPECT_EQ(render.CountColor(kWhite), 300 * 300);
}

}  // namespace
}  // namespace parch
