// Page set-up: boxes, rotation, resolution and the bounds of the output.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "pdf/render/ScrivletRenderer.h"
#include "tests/pdf/render/ScrivletRendererTestPages.h"

namespace parch {
namespace {

using rendertest::PageRender;
using rendertest::PageSpec;
using rendertest::RenderPage;

struct RendererPageSizeCase {
    std::string MediaBox;
    std::string PageExtra;
    double Resolution;
    int Width;
    int Height;
};

class RendererPageSize : public ::testing::TestWithParam<RendererPageSizeCase> {};

TEST_P(RendererPageSize, BitmapHasThePixelSizeOfTheBox) {
    const RendererPageSizeCase& c = GetParam();
    PageSpec pageSpec;
    pageSpec.MediaBox = c.MediaBox;
    pageSpec.PageExtra = c.PageExtra;
    auto render = RenderPage(pageSpec, kRenderBitmap, c.Resolution);
    ASSERT_TRUE(render->Answer) << render->Renderer().ErrorText;
    EXPECT_EQ(render->Width(), c.Width);
    EXPECT_EQ(render->Height(), c.Height);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RendererPageSize,
    ::testing::Values(RendererPageSizeCase{"[0 0 612 792]", "", 72, 612, 792}, RendererPageSizeCase{"[0 0 612 792]", "", 96, 816, 1056},
                      RendererPageSizeCase{"[0 0 612 792]", "", 100, 850, 1100},
                      // Rounding lost part of a pixel: one more.
                      RendererPageSizeCase{"[0 0 100.3 50]", "", 72, 101, 50},
                      // Resolution 0 renders as 1 dpi.
                      RendererPageSizeCase{"[0 0 612 792]", "", 0, 9, 11},
                      RendererPageSizeCase{"[612 792 0 0]", "", 72, 612, 792},
                      RendererPageSizeCase{"[0 0 612 792]", "/Rotate 90", 72, 792, 612},
                      RendererPageSizeCase{"[0 0 612 792]", "/Rotate -90", 72, 792, 612},
                      RendererPageSizeCase{"[0 0 612 792]", "/Rotate 450", 72, 792, 612},
                      RendererPageSizeCase{"[0 0 612 792]", "/Rotate 45", 72, 612, 792},
                      RendererPageSizeCase{"[0 0 612 792]", "/Rotate 180", 72, 612, 792},
                      // A CropBox larger than the MediaBox is cut to it.
                      RendererPageSizeCase{"[0 0 200 100]", "/CropBox [-50 -50 300 300]", 72, 200, 100},
                      RendererPageSizeCase{"[0 0 200 100]", "/CropBox [10 20 110 70]", 72, 100, 50},
                      // A CropBox beside the MediaBox leaves the MediaBox.
                      RendererPageSizeCase{"[0 0 200 100]", "/CropBox [500 500 600 600]", 72, 200, 100},
                      RendererPageSizeCase{"[0 0 200 100]", "/CropBox [0 0 1 2 3]", 72, 200, 100}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(RendererPage, RotatedPageShowsTheBoxLowerLeftCornerAtTheTopLeft) {
    PageSpec pageSpec;
    pageSpec.MediaBox = "[0 0 60 80]";
    pageSpec.PageExtra = "/Rotate 90";
    pageSpec.Content = "1 0 0 rg 0 0 10 10 re f";
    auto render = RenderPage(pageSpec);
    ASSERT_EQ(render->Width(), 80);
    EXPECT_EQ(render->Pixel(2, 2), 0xFF0000u);
    EXPECT_EQ(render->Pixel(77, 57), 0xFFFFFFu);
    EXPECT_EQ(render->CountColor(0xFF0000), 100);
}

TEST(RendererPage, BoxesAndRotationAreInheritedFromThePagesNode) {
    testpdf::PdfParts parts =
        testpdf::PagesParts("<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 300 200] /Rotate 270 >>");
    parts.Objects[3] = "<< /Type /Page /Parent 2 0 R >>";
    PageRender render(testpdf::BuildPdf(parts));
    ASSERT_TRUE(render.Render());
    EXPECT_EQ(render.Width(), 200);
    EXPECT_EQ(render.Height(), 300);
}

TEST(RendererPage, BoxSelectorFallsBackToTheCropBox) {
    PageSpec pageSpec;
    pageSpec.MediaBox = "[0 0 200 100]";
    pageSpec.PageExtra = "/CropBox [0 0 50 40]";
    PageRender render(rendertest::OnePagePdf(pageSpec));
    render.Renderer().PageBox = 4;  // TrimBox
    ASSERT_TRUE(render.Render());
    EXPECT_EQ(render.Width(), 50);
    EXPECT_EQ(render.Height(), 40);
}

TEST(RendererPage, AParentLoopEndsTheLookUp) {
    testpdf::PdfParts parts = testpdf::PagesParts("<< /Type /Pages /Kids [3 0 R] /Count 1 /Parent 5 0 R >>");
    parts.Objects[3] = "<< /Type /Page /Parent 2 0 R >>";
    parts.Objects[5] = "<< /Type /Pages /Parent 2 0 R >>";
    PageRender render(testpdf::BuildPdf(parts));
    ASSERT_TRUE(render.Render());
    EXPECT_EQ(render.Width(), 612);  // the default box
    EXPECT_EQ(render.Renderer().FindInheritedKey(render.Renderer().Page, "Missing"), nullptr);
}

TEST(RendererPage, SizesBeyondTheBoundsRenderNothingAndSaySo) {
    struct Case {
        std::string MediaBox;
        double Resolution;
    };
    for (const Case& c : {Case{"[0 0 1000000000 1000000000]", 72}, Case{"[0 0 612 792]", 20000},
                          Case{"[0 0 65536 10]", 72}, Case{"[0 0 20000 20000]", 72}, Case{"[0 0 612 792]", -5}}) {
        SCOPED_TRACE(c.MediaBox + " at " + std::to_string(c.Resolution));
        PageSpec pageSpec;
        pageSpec.MediaBox = c.MediaBox;
        auto render = RenderPage(pageSpec, kRenderBitmap, c.Resolution);
        EXPECT_FALSE(render->Answer);
        EXPECT_FALSE(render->Renderer().ErrorText.empty());
        EXPECT_TRUE(render->Bitmap().Empty());
    }
}

TEST(RendererPage, NoPageFailsWithAText) {
    TPDFFontCollection fonts;
    TPDFRenderer renderer(&fonts);
    EXPECT_FALSE(renderer.PreparePage());
    EXPECT_FALSE(renderer.ErrorText.empty());
}

TEST(RendererPage, KindsWithoutDeviceMeasureUserSpace) {
    PageSpec pageSpec;
    pageSpec.MediaBox = "[10 20 110.4 220.6]";
    pageSpec.PageExtra = "/Rotate 90";
    for (std::uint8_t kind : {kRenderEPS, kRenderTextFunnel, kRenderImageList}) {
        auto render = RenderPage(pageSpec, kind);
        ASSERT_TRUE(render->Answer);
        EXPECT_EQ(render->Renderer().Width, 111);
        EXPECT_EQ(render->Renderer().Height, 222);
    }
}

}  // namespace
}  // namespace parch
