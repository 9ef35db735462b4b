// Graphics state, path, clipping and colour operators, seen in pixels, in the final graphics
// state and in the calls an EPS writer receives.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/NumberText.h"
#include "pdf/images/ScrivletEPS.h"
#include "pdf/render/ScrivletRenderer.h"
#include "tests/pdf/render/ScrivletRendererTestPages.h"

namespace parch {
namespace {

using rendertest::PageRender;
using rendertest::PageSpec;
using rendertest::RenderPage;
using rendertest::kRed;
using rendertest::kWhite;
using rendertest::kBlack;


std::unique_ptr<PageRender> GraphicsRenderContent(const std::string& content, const std::string& resources = "",
                                          double resolution = 72) {
    PageSpec pageSpec;
    pageSpec.Content = content;
    pageSpec.Resources = resources;
    return RenderPage(pageSpec, kRenderBitmap, resolution);
}

TEST(ContentPaths, RedRectangleLandsOnItsPixels) {
    auto render = GraphicsRenderContent("1 0 0 rg 10 20 30 40 re f");
    rendertest::SaveForLook(*render, "red-rectangle");
    EXPECT_EQ(render->CountColor(kRed), 30 * 40);
    EXPECT_EQ(render->Pixel(10, 40), kRed);
    EXPECT_EQ(render->Pixel(39, 79), kRed);
    EXPECT_EQ(render->Pixel(9, 40), kWhite);
    EXPECT_EQ(render->Pixel(40, 79), kWhite);
    EXPECT_EQ(render->Pixel(10, 39), kWhite);
}

TEST(ContentPaths, ClipCutsAndRestoreEndsIt) {
    struct Case {
        std::string Content;
        int Red;
    };
    for (const Case& c : {Case{"0 0 20 100 re W n 1 0 0 rg 10 20 30 40 re f", 10 * 40},
                          Case{"0 0 20 100 re W* n 1 0 0 rg 10 20 30 40 re f", 10 * 40},
                          Case{"q 0 0 20 100 re W n Q 1 0 0 rg 10 20 30 40 re f", 30 * 40},
                          // The clip applies when the path ends, also by a paint.
                          Case{"1 0 0 rg 0 0 20 100 re W f 10 20 30 40 re f", 20 * 100}}) {
        SCOPED_TRACE(c.Content);
        EXPECT_EQ(GraphicsRenderContent(c.Content)->CountColor(kRed), c.Red);
    }
}

TEST(ContentPaths, PaintOperatorsFillStrokeAndEndPaths) {
    struct Case {
        std::string Content;
        int Red;
        int Black;
    };
    const std::string square = "1 0 0 rg 0 0 0 RG 10 w 20 20 60 60 re ";
    for (const Case& c : {Case{square + "f", 3600, 0}, Case{square + "F", 3600, 0}, Case{square + "n", 0, 0},
                          Case{square + "B", 50 * 50, 70 * 70 - 50 * 50}, Case{square + "S", 0, 70 * 70 - 50 * 50}}) {
        SCOPED_TRACE(c.Content);
        auto render = GraphicsRenderContent(c.Content);
        EXPECT_EQ(render->CountColor(kRed), c.Red);
        EXPECT_EQ(render->CountColor(kBlack), c.Black);
    }
}

TEST(ContentPaths, MissingOperandsPopAsZeroAndVCurvesFromTheStartPoint) {
    auto render = GraphicsRenderContent("5 m");
    EXPECT_DOUBLE_EQ(render->PageState().CurrentX, 0);
    EXPECT_DOUBLE_EQ(render->PageState().CurrentY, 95);  // (0, 5) in device space
    render = GraphicsRenderContent("10 10 20 20 v");
    EXPECT_DOUBLE_EQ(render->PageState().CurrentX, 20);
    EXPECT_DOUBLE_EQ(render->PageState().CurrentY, 80);
}

TEST(ContentPaths, CommentsChangeNothing) {
    auto render = GraphicsRenderContent("% 1 0 0 rg\n0 0 100 100 re f % 0 0 1 rg");
    EXPECT_EQ(render->CountColor(kBlack), 100 * 100);
}

TEST(ContentState, LineWidthZeroIsOneDevicePixel) {
    auto render = GraphicsRenderContent("0 w 0 50 m 100 50 l S", "", 144);
    EXPECT_DOUBLE_EQ(render->PageState().LineWidth, 0.5);
    int dark = 0;
    for (int y = 0; y < render->Height(); ++y) dark += render->Pixel(100, y) != kWhite;
    EXPECT_GE(dark, 1);
    EXPECT_LE(dark, 2);
}

TEST(ContentState, DashArrays) {
    struct Case {
        std::string Operator;
        std::vector<double> Dashes;
    };
    for (const Case& c : {Case{"[3] 0 d", {3, 3}}, Case{"[1 2 3] 0 d", {1, 2, 3, 1, 2, 3}}, Case{"[6 2] 1 d", {6, 2}},
                          Case{"[] 0 d", {}}, Case{"[-1 2] 0 d", {}}, Case{"[0 0] 0 d", {}}}) {
        SCOPED_TRACE(c.Operator);
        EXPECT_EQ(GraphicsRenderContent(c.Operator)->PageState().DashArray, c.Dashes);
    }
}

// With a line width of 2 the canvas gets the dash in line widths: 6 2 stays 6 and 2 units long.
TEST(ContentState, DashLengthsStayInUserSpace) {
    auto render = GraphicsRenderContent("2 w [6 2] 0 d 0 50 m 100 50 l S");
    std::vector<int> runs;
    bool dark = false;
    for (int x = 0; x < 100; ++x) {
        const bool here = render->Pixel(x, 50) != kWhite;
        if (runs.empty() || here != dark) runs.push_back(0);
        dark = here;
        ++runs.back();
    }
    ASSERT_GE(runs.size(), 4u);
    EXPECT_NEAR(runs[0], 6, 1);
    EXPECT_NEAR(runs[1], 2, 1);
}

TEST(ContentState, ExtGStateSetsItsNumbersOnly) {
    const std::string resources =
        "/ExtGState << /GS0 << /Type /ExtGState /LW 4 /LC 1.4 /LJ 2 /ML 3 /CA 0.5 /ca 0.25 >> "
        "/GS1 << /Type /Pattern /LW 9 >> /GS2 << /LW (x) >> >>";
    auto render = GraphicsRenderContent("/GS0 gs /GS1 gs /GS2 gs /Missing gs", resources);
    const TPDFGraphicsState& state = render->PageState();
    EXPECT_DOUBLE_EQ(state.LineWidth, 4);
    EXPECT_EQ(state.LineCap, 1);
    EXPECT_EQ(state.LineJoin, 2);
    EXPECT_DOUBLE_EQ(state.MiterLimit, 3);
    EXPECT_DOUBLE_EQ(state.StrokeAlpha, 0.5);
    EXPECT_DOUBLE_EQ(state.FillAlpha, 0.25);
}

TEST(ContentState, SaveDepthIsBoundedAndStaysBalanced) {
    std::string deep;
    for (int i = 0; i < 1500; ++i) deep += "q ";
    deep += "1 0 0 rg ";
    for (int i = 0; i < 1500; ++i) deep += "Q ";
    auto render = GraphicsRenderContent(deep + "0 0 100 100 re f");
    EXPECT_EQ(render->CountColor(kBlack), 100 * 100);
    // Unbalanced restores keep the state.
    render = GraphicsRenderContent("Q Q Q 1 0 0 rg 0 0 100 100 re f");
    EXPECT_EQ(render->CountColor(kRed), 100 * 100);
}

TEST(ContentState, LeftOverOperandsAreBoundedAndTheNewestStayOnTop) {
    std::string content;
    for (int i = 0; i < 20000; ++i) content += "7 ";
    auto render = GraphicsRenderContent(content + "1 0 0 rg 0 0 100 100 re f");
    EXPECT_EQ(render->CountColor(kRed), 100 * 100);
}

struct GraphicsColorCase {
    std::string Content;
    std::string Space;
    TColor Color;
};

class ContentColor : public ::testing::TestWithParam<GraphicsColorCase> {};

const std::string kGraphicsColorResources =
    "/ColorSpace << /ICC3 [/ICCBased 5 0 R] /ICC1 [/ICCBased 6 0 R] /Gray [/CalGray << /WhitePoint [0.9505 1 1.089] >>] "
    "/Cal [/CalRGB << /WhitePoint [0.9505 1 1.089] >>] /Idx [/Indexed /DeviceRGB 2 <FF000000FF000000FF>] "
    "/IdxGray [/Indexed [/ICCBased 6 0 R] 1 <0080>] /Pat [/Pattern /DeviceRGB] "
    "/Sep [/Separation /Orange /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [1 0 0] /N 1 >>] >>";

TEST_P(ContentColor, OperandsBecomeTheFillColour) {
    const GraphicsColorCase& c = GetParam();
    PageSpec pageSpec;
    pageSpec.Content = c.Content;
    pageSpec.Resources = kGraphicsColorResources;
    pageSpec.Objects[5] = rendertest::StreamObject("/N 3", "");
    pageSpec.Objects[6] = rendertest::StreamObject("/N 1", "");
    auto render = RenderPage(pageSpec);
    EXPECT_EQ(render->PageState().FillSpace, c.Space);
    EXPECT_EQ(render->PageState().FillColor, c.Color);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ContentColor,
    ::testing::Values(GraphicsColorCase{"0.5 g", "DeviceGray", 0x808080}, GraphicsColorCase{"1.2 g", "DeviceGray", 0xFFFFFF},
                      GraphicsColorCase{"-3 g", "DeviceGray", 0}, GraphicsColorCase{"1 0 0 rg", "DeviceRGB", 0x0000FF},
                      GraphicsColorCase{"2 -1 0 rg", "DeviceRGB", 0x0000FF}, GraphicsColorCase{"0 0 0 0 k", "DeviceCMYK", 0xFFFFFF},
                      GraphicsColorCase{"/ICC3 cs 0.2 0.4 0.6 sc", "DeviceRGB", 0x996633},
                      GraphicsColorCase{"/ICC1 cs 1 sc", "DeviceGray", 0xFFFFFF},
                      GraphicsColorCase{"/Gray cs 0.5 sc", "DeviceGray", 0x808080},
                      GraphicsColorCase{"/Cal cs 1 0 0 sc", "DeviceRGB", 0x0000FF},
                      GraphicsColorCase{"/Idx cs 1 sc", "Indexed0", 0x00FF00}, GraphicsColorCase{"/Idx cs 7 sc", "Indexed0", 0xFF0000},
                      GraphicsColorCase{"/IdxGray cs 1 scn", "Indexed0", 0x808080},
                      GraphicsColorCase{"/Sep cs 1 scn", "Separation0", 0x0000FF},
                      GraphicsColorCase{"1 0 0 rg /Pat cs /P0 scn", "Pattern", 0x0000FF},
                      GraphicsColorCase{"/Pattern cs /P0 scn", "Pattern", 0}, GraphicsColorCase{"/Nowhere cs 1 0 0 sc", "DeviceRGB", 0xFF}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(ContentColorPaint, PatternPaintsEndThePathUnpainted) {
    PageSpec pageSpec;
    pageSpec.Resources = kGraphicsColorResources;
    pageSpec.Content = "1 0 0 rg /Pattern cs /P0 scn 0 0 100 100 re f 0 0 1 RG /Pattern CS /P0 SCN 10 w 0 50 m 100 50 l S";
    auto render = RenderPage(pageSpec);
    EXPECT_EQ(render->CountColor(kWhite), 100 * 100);
    // A fill and stroke paints the part that is no pattern.
    pageSpec.Content = "1 0 0 RG 20 w /Pattern cs /P0 scn 30 30 40 40 re B";
    render = RenderPage(pageSpec);
    EXPECT_EQ(render->CountColor(kWhite, 40, 40, 60, 60), 20 * 20);
    EXPECT_GT(render->CountColor(kRed), 0);
}

// One resource name may stand for different spaces in a page and its forms.
TEST(ContentColorPaint, SpacesAreTheArraysTheResourcesName) {
    PageSpec pageSpec;
    pageSpec.Resources = "/ColorSpace << /CS0 [/Separation /Red /DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] "
                     "/C1 [1 0 0] /N 1 >>] >> /XObject << /Fm0 5 0 R >>";
    pageSpec.Content = "/CS0 cs 1 sc 0 0 10 10 re f /Fm0 Do /CS0 cs 1 sc 40 0 10 10 re f";
    pageSpec.Objects[5] = rendertest::StreamObject(
        "/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Resources << /ColorSpace << /CS0 [/Separation /Blue "
        "/DeviceRGB << /FunctionType 2 /Domain [0 1] /C0 [1 1 1] /C1 [0 0 1] /N 1 >>] >> >>",
        "/CS0 cs 1 sc 20 0 10 10 re f");
    auto render = RenderPage(pageSpec);
    EXPECT_EQ(render->CountColor(kRed), 200);
    EXPECT_EQ(render->CountColor(rendertest::kBlue), 100);
    EXPECT_EQ(render->Renderer().SeparationSpaces.size(), 2u);
}

// The calls an EPS writer receives, one text per call.
class GraphicsRecordingEPSWriter : public TPDFEPSExport {
public:
    void NewPath() override { Log.push_back("n"); }
    void MoveTo(double x, double y) override { Log.push_back(Num(x) + Num(y) + "m"); }
    void LineTo(double x, double y) override { Log.push_back(Num(x) + Num(y) + "l"); }
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override {
        Log.push_back(Num(x1) + Num(y1) + Num(x2) + Num(y2) + Num(x3) + Num(y3) + "c");
    }
    void QuadCurveTo(double, double, double, double) override { Log.push_back("quad"); }
    void ClosePath() override { Log.push_back("h"); }
    void Stroke() override { Log.push_back("S"); }
    void Fill() override { Log.push_back("fill()"); }
    void FillAndStroke() override { Log.push_back("B"); }
    void DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) override {
        Log.push_back("image");
    }
    void BeginDocument(double x1, double y1, double x2, double y2) override {
        Log.push_back("begin " + Num(x1) + Num(y1) + Num(x2) + Num(y2));
    }
    void EndDocument() override { Log.push_back("end"); }
    void SaveState() override { Log.push_back("q"); }
    void RestoreState() override { Log.push_back("Q"); }
    void ConcatMatrix(double a, double b, double c, double d, double e, double f) override {
        Log.push_back(Num(a) + Num(b) + Num(c) + Num(d) + Num(e) + Num(f) + "cm");
    }
    void SetLineWidth(double width) override { Log.push_back(Num(width) + "w"); }
    void SetLineCap(int cap) override { Log.push_back(std::to_string(cap) + " J"); }
    void SetLineJoin(int join) override { Log.push_back(std::to_string(join) + " j"); }
    void SetMiterLimit(double limit) override { Log.push_back(Num(limit) + "M"); }
    void CurveToV(double x2, double y2, double x3, double y3) override {
        Log.push_back(Num(x2) + Num(y2) + Num(x3) + Num(y3) + "v");
    }
    void CurveToY(double x1, double y1, double x3, double y3) override {
        Log.push_back(Num(x1) + Num(y1) + Num(x3) + Num(y3) + "y");
    }
    void Fill(bool evenOdd) override { Log.push_back(evenOdd ? "f*" : "f"); }
    void Clip(bool evenOdd) override { Log.push_back(evenOdd ? "W*" : "W"); }
    void SetColor(const std::string& postScript) override { Log.push_back(postScript); }
    void PaintImage(const TPDFEPSImage&, const std::string& name) override { Log.push_back("image " + name); }

    std::vector<std::string> Log;

private:
    static std::string Num(double value) { return FloatToPDFStr(3, value) + " "; }
};

TEST(ContentEPS, WriterGetsUserSpaceCalls) {
    PageSpec pageSpec;
    pageSpec.MediaBox = "[0 0 200 100]";
    pageSpec.Content =
        "q 2 0 0 2 5 5 cm 3 w 1 J 2 j 4 M 1 0 0 rg 0 0 1 RG 10 10 m 20 10 l 1 2 3 4 5 6 c 7 8 9 10 v 11 12 13 14 y h "
        "B Q 0 0 10 10 re W n 0.5 g 1 1 m 2 2 l b* /P0 sh";
    PageRender render(rendertest::OnePagePdf(pageSpec), kRenderEPS);
    auto recorder = std::make_unique<GraphicsRecordingEPSWriter>();
    GraphicsRecordingEPSWriter& writer = *recorder;
    render.Renderer().EPSExport = std::move(recorder);
    ASSERT_TRUE(render.Render());
    const std::vector<std::string> expected = {
        "begin 0 0 200 100 ", "n", "0 0 m", "200 0 l", "200 100 l", "0 100 l", "h", "W", "n", "q", "q", "2 0 0 2 5 5 cm", "3 w", "1 J", "2 j", "4 M", "n", "10 10 m", "20 10 l",
        "1 2 3 4 5 6 c", "7 8 9 10 v", "11 12 13 14 y", "h", "q", "1 0 0 setrgbcolor", "f", "Q", "0 0 1 setrgbcolor", "S", "Q",
        "n", "0 0 m", "10 0 l", "10 10 l", "0 10 l", "h", "W", "n", "1 1 m", "2 2 l", "h", "q", "0.5 setgray", "f*", "Q",
        "", "S", "end"};  // the stroke colour of the start state was never written; fills before strokes keep the path
    EXPECT_EQ(writer.Log, expected);
}

}  // namespace
}  // namespace parch
