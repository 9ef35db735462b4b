#include "pdf/render/ScrivletPicasso.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "pdf/render/ScrivletGDIPlus.h"
#include "platform/gdi/Paths.h"

namespace parch {
namespace {

const std::string kPicassoTestHead =
    "<!DOCTYPE html><html><head><script type=\"text/javascript\">\r\n"
    "function ScrivletLibraryDraw() {\r\n"
    "  var canvas = document.getElementById(\"SVLCanvas\");\r\n"
    "  if (canvas.getContext) {\r\n"
    "    var ctx = canvas.getContext(\"2d\");\r\n";

std::string PicassoTestTail(int width, int height) {
    return "  }\r\n}\r\n</script>\r\n</head><body onload=\"ScrivletLibraryDraw()\">\r\n"
           "<canvas id=\"SVLCanvas\" width=\"" +
           std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"></canvas>\r\n</body></html>";
}

constexpr TColor kPicassoTestRed = 0x0000FF;
constexpr TColor kPicassoTestWhite = 0xFFFFFF;
constexpr TColor kPicassoTestBlack = 0x000000;

void PicassoTestRectangle(TPDFPicasso& p, double left, double top, double right, double bottom) {
    p.NewPath();
    p.MoveTo(left, top);
    p.LineTo(right, top);
    p.LineTo(right, bottom);
    p.LineTo(left, bottom);
    p.ClosePath();
}

// A white 32-bit bitmap to draw on.
struct PicassoTestPage {
    explicit PicassoTestPage(int width, int height, TPixelFormat format = pf32bit) : bitmap(width, height, format) {
        bitmap.Canvas().Brush().SetColor(kPicassoTestWhite);
        bitmap.Canvas().FillRect(RECT{0, 0, width, height});
    }
    TColor At(int x, int y) { return bitmap.Canvas().Pixels(x, y); }
    // One character per pixel: '#' black, 'R' red, '.' white, '+' anything else.
    std::string Picture() {
        std::string out;
        for (int y = 0; y < bitmap.Height(); ++y) {
            for (int x = 0; x < bitmap.Width(); ++x) {
                const TColor c = At(x, y);
                out += c == kPicassoTestBlack ? '#' : c == kPicassoTestRed ? 'R' : c == kPicassoTestWhite ? '.' : '+';
            }
            out += '\n';
        }
        return out;
    }
    TBitmap bitmap;
};

TGDIPlusSettings PicassoTestSettings(std::u16string library = u"gdiplus.dll") {
    TGDIPlusSettings settings;
    settings.LibraryName = std::move(library);
    return settings;
}

// Each test starts from an unloaded binding, as a fresh process does.
class PicassoTest : public ::testing::Test {
protected:
    void SetUp() override { UnloadGDIPlus(); }
    void TearDown() override { UnloadGDIPlus(); }
};

// --- HTML script ---------------------------------------------------------------------------

std::string PicassoTestScript(void (*draw)(TPDFPicasso&)) {
    TStringStream out;
    TPDFPicasso picasso;
    picasso.BeginHTML(&out);
    draw(picasso);
    picasso.EndHTML(30, 40);
    return out.DataString();
}

TEST(PicassoHtml, RedSquarePageIsHeadStatementsAndTail) {
    const std::string page = PicassoTestScript([](TPDFPicasso& p) {
        PicassoTestRectangle(p, 10, 10, 20, 20);
        p.SetFillColor(kPicassoTestRed);
        p.Fill();
    });
    EXPECT_EQ(page, kPicassoTestHead +
                        "ctx.beginPath();ctx.moveTo(10,10);ctx.lineTo(20,10);ctx.lineTo(20,20);ctx.lineTo(10,20);"
                        "ctx.closePath();ctx.fillStyle = \"#FF0000\";ctx.fill();" +
                        PicassoTestTail(30, 40));
}

TEST(PicassoHtml, StatementsOfEachOperation) {
    struct Case {
        void (*draw)(TPDFPicasso&);
        const char* statements;
    };
    const Case cases[] = {
        {[](TPDFPicasso& p) { p.MoveTo(1.23456, 2.5); }, "ctx.moveTo(1.235,2.5);"},
        {[](TPDFPicasso& p) { p.LineTo(3, -0.0004); }, "ctx.lineTo(3,0);"},
        {[](TPDFPicasso& p) { p.CurveTo(1, 2, 3.5, 4, 5, 6.0001); }, "ctx.bezierCurveTo(1,2,3.5,4,5,6);"},
        {[](TPDFPicasso& p) { p.QuadCurveTo(1.5, 2, 3, 4); }, "ctx.quadraticCurveTo(1.5,2,3,4);"},
        {[](TPDFPicasso& p) {
             p.SetStrokeColor(0x563412);
             p.Stroke();
         },
         "ctx.strokeStyle = \"#123456\";ctx.stroke();"},
        {[](TPDFPicasso& p) {
             p.SetFillColor(0x0A0B0C);
             p.SetStrokeColor(0x563412);
             p.FillAndStroke();
         },
         "ctx.fillStyle = \"#0C0B0A\";ctx.fill();"},
        // Styles, clips and images have no statement.
        {[](TPDFPicasso& p) {
             p.SetLineWidth(3);
             p.SetDash({1, 2}, 0);
             p.RequestClip(1);
             p.EndPath();
             EXPECT_EQ(p.SaveState(), 0);
             EXPECT_FALSE(p.CanDrawImages());
         },
         ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PicassoTestScript(c.draw), kPicassoTestHead + c.statements + PicassoTestTail(30, 40)) << c.statements;
    }
}

// --- Back ends -------------------------------------------------------------------------------

TEST_F(PicassoTest, NewSurfaceDrawsNothing) {
    PicassoTestPage page(4, 4);
    TPDFPicasso picasso;
    EXPECT_EQ(picasso.BackEnd(), TPicassoBackEnd::None);
    picasso.BeginHTML(nullptr);
    EXPECT_EQ(picasso.BackEnd(), TPicassoBackEnd::None);
    PicassoTestRectangle(picasso, 0, 0, 4, 4);
    picasso.FillAndStroke();
    EXPECT_EQ(page.Picture(), "....\n....\n....\n....\n");
}

TEST_F(PicassoTest, AntiAliasedAttachFallsBackToGdiForUnknownLibraries) {
    struct Case {
        std::u16string library;
        TPicassoBackEnd backEnd;
        std::int32_t state;
    };
    const Case cases[] = {{u"gdiplus.dll", TPicassoBackEnd::GDIPlus, kGDIPlusComplete},
                          {u"", TPicassoBackEnd::GDIPlus, kGDIPlusComplete},
                          {u"LazyInit", TPicassoBackEnd::GDIPlus, kGDIPlusComplete},
                          {u"/opt/other/gdiplus.dll", TPicassoBackEnd::GDI, kGDIPlusNotFound},
                          {u"missing.dll", TPicassoBackEnd::GDI, kGDIPlusNotFound}};
    for (const Case& c : cases) {
        UnloadGDIPlus();
        PicassoTestPage page(8, 8);
        TPDFPicasso picasso;
        picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings(c.library));
        EXPECT_EQ(picasso.BackEnd(), c.backEnd);
        EXPECT_EQ(GDIPlusState(), c.state);
        EXPECT_TRUE(picasso.CanDrawImages());  // plain GDI draws images through a service of its own
        // Whichever back end it is, drawing reaches the page.
        PicassoTestRectangle(picasso, 2, 2, 6, 6);
        picasso.SetFillColor(kPicassoTestRed);
        picasso.Fill();
        EXPECT_EQ(page.At(4, 4), kPicassoTestRed);
        EXPECT_EQ(page.At(1, 1), kPicassoTestWhite);
    }
}

TEST_F(PicassoTest, LoadedBindingIsKeptByLaterAttaches) {
    EXPECT_EQ(LoadGDIPlus(u"missing.dll"), kGDIPlusNotFound);
    PicassoTestPage page(2, 2);
    TPDFPicasso picasso;
    // The binding is process-wide: a failed load is not retried with another canvas's name.
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    EXPECT_EQ(picasso.BackEnd(), TPicassoBackEnd::GDI);
    EXPECT_EQ(LoadGDIPlus(u"gdiplus.dll"), kGDIPlusComplete);
    EXPECT_EQ(LoadGDIPlus(u"gdiplus.dll"), kGDIPlusComplete);
    UnloadGDIPlus();
    EXPECT_EQ(GDIPlusState(), kGDIPlusNotLoaded);
}

TEST_F(PicassoTest, GivenDeviceContextIsDrawnOnInsteadOfTheCanvas) {
    PicassoTestPage canvasPage(4, 4);
    PicassoTestPage given(4, 4);
    TPDFPicasso picasso;
    picasso.AttachDC(4, 4, given.bitmap.Canvas().Handle());
    picasso.AttachCanvasGDIPlus(&canvasPage.bitmap.Canvas(), PicassoTestSettings());
    ASSERT_EQ(picasso.BackEnd(), TPicassoBackEnd::GDIPlus);
    PicassoTestRectangle(picasso, 0, 0, 4, 4);
    picasso.Fill();
    EXPECT_EQ(given.At(2, 2), kPicassoTestBlack);
    EXPECT_EQ(canvasPage.At(2, 2), kPicassoTestWhite);
}

TEST_F(PicassoTest, CairoAttachNeedsALibraryPath) {
    PicassoTestPage page(4, 4);
    page.bitmap.Canvas().Brush().SetColor(kPicassoTestBlack);
    page.bitmap.Canvas().FillRect(RECT{0, 0, 4, 4});
    TPDFPicasso picasso;
    picasso.AttachCairo(page.bitmap.Canvas().Handle(), u"", true);
    EXPECT_EQ(picasso.BackEnd(), TPicassoBackEnd::None);
    EXPECT_EQ(page.At(0, 0), kPicassoTestBlack);

    picasso.AttachCairo(page.bitmap.Canvas().Handle(), u"libcairo-2.dll", true);
    EXPECT_EQ(picasso.BackEnd(), TPicassoBackEnd::Cairo);
    EXPECT_EQ(page.Picture(), "....\n....\n....\n....\n");
    EXPECT_TRUE(picasso.CanDrawImages());
    EXPECT_EQ(picasso.SaveState(), 0);
}

TEST_F(PicassoTest, CairoFillsWindingAndStrokesTheSamePathAfterFilling) {
    PicassoTestPage page(10, 10);
    TPDFPicasso picasso;
    picasso.AttachCairo(page.bitmap.Canvas().Handle(), u"cairo", false);
    ASSERT_EQ(picasso.BackEnd(), TPicassoBackEnd::Cairo);
    // Two squares in the same direction: filled as one by non-zero winding, whatever rule is set.
    picasso.SetFillRule(2);
    PicassoTestRectangle(picasso, 0.5, 0.5, 9.5, 9.5);
    picasso.MoveTo(3.5, 3.5);
    picasso.LineTo(6.5, 3.5);
    picasso.LineTo(6.5, 6.5);
    picasso.LineTo(3.5, 6.5);
    picasso.ClosePath();
    picasso.SetFillColor(kPicassoTestRed);
    picasso.SetStrokeColor(kPicassoTestBlack);
    picasso.SetLineWidth(1);
    picasso.FillAndStroke();
    EXPECT_EQ(page.Picture(), "##########\n"
                              "#RRRRRRRR#\n"
                              "#RRRRRRRR#\n"
                              "#RR####RR#\n"
                              "#RR#RR#RR#\n"
                              "#RR#RR#RR#\n"
                              "#RR####RR#\n"
                              "#RRRRRRRR#\n"
                              "#RRRRRRRR#\n"
                              "##########\n");
}

TEST_F(PicassoTest, QuadraticSegmentsBecomeCubicsFromTheCurrentPoint) {
    PicassoTestPage page(100, 100);
    TPDFPicasso picasso;
    picasso.AttachCanvas(&page.bitmap.Canvas());
    picasso.NewPath();
    picasso.MoveTo(0, 0);
    picasso.QuadCurveTo(30, 60, 90, 0);
    // The end point is the new current point.
    picasso.QuadCurveTo(90, 30, 60, 90);
    HDC dc = page.bitmap.Canvas().Handle();
    ASSERT_TRUE(parch::EndPath(dc));
    std::vector<POINT> points(7);
    std::vector<BYTE> types(7);
    ASSERT_EQ(GetPath(dc, points.data(), types.data(), 7), 7);
    const std::vector<std::pair<int, int>> expected = {{0, 0}, {20, 40}, {50, 40}, {90, 0}, {90, 20}, {80, 50}, {60, 90}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(points[i].x, expected[i].first) << i;
        EXPECT_EQ(points[i].y, expected[i].second) << i;
    }
}

TEST_F(PicassoTest, GdiDrawsHardEdgesWhereTheAntiAliasedBackEndBlends) {
    auto draw = [](TPDFPicasso& p) {
        p.NewPath();
        p.MoveTo(0, 0);
        p.LineTo(8, 0);
        p.LineTo(0, 7);
        p.ClosePath();
        p.SetFillColor(kPicassoTestBlack);
        p.Fill();
    };
    auto shades = [](PicassoTestPage& page) {
        const std::string picture = page.Picture();
        return std::count(picture.begin(), picture.end(), '+');
    };
    PicassoTestPage gdiPage(8, 8);
    TPDFPicasso gdi;
    gdi.AttachCanvas(&gdiPage.bitmap.Canvas());
    draw(gdi);
    PicassoTestPage aaPage(8, 8);
    TPDFPicasso aa;
    aa.AttachCanvasGDIPlus(&aaPage.bitmap.Canvas(), PicassoTestSettings());
    draw(aa);
    EXPECT_EQ(shades(gdiPage), 0);
    EXPECT_GT(shades(aaPage), 0);
    // Both cover the corner and leave the far corner.
    EXPECT_EQ(gdiPage.At(1, 1), kPicassoTestBlack);
    EXPECT_EQ(aaPage.At(1, 1), kPicassoTestBlack);
    EXPECT_EQ(gdiPage.At(7, 7), kPicassoTestWhite);
    EXPECT_EQ(aaPage.At(7, 7), kPicassoTestWhite);

    // Without anti-aliasing the service draws hard edges too.
    PicassoTestPage hardPage(8, 8);
    TPDFPicasso hard;
    TGDIPlusSettings settings = PicassoTestSettings();
    settings.AntiAlias = 0;
    hard.AttachCanvasGDIPlus(&hardPage.bitmap.Canvas(), settings);
    draw(hard);
    EXPECT_EQ(shades(hardPage), 0);
}

TEST_F(PicassoTest, StrokesFollowWidthCapsAndDashes) {
    PicassoTestPage page(16, 6);
    TPDFPicasso picasso;
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    picasso.SetLineWidth(2);
    picasso.SetLineCap(2);  // projecting square
    picasso.NewPath();
    picasso.MoveTo(2, 1);
    picasso.LineTo(6, 1);
    picasso.Stroke();
    picasso.SetLineCap(0);
    picasso.SetDash({1, 1}, 1);
    picasso.NewPath();
    picasso.MoveTo(0, 4);
    picasso.LineTo(16, 4);
    picasso.Stroke();
    EXPECT_EQ(page.Picture(), ".######.........\n"
                              ".######.........\n"
                              "................\n"
                              "..##..##..##..##\n"
                              "..##..##..##..##\n"
                              "................\n");
}

TEST_F(PicassoTest, ClipTokensCaptureAndBringBackClips) {
    PicassoTestPage page(6, 3);
    TPDFPicasso picasso;
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    const std::int32_t unclipped = picasso.SaveState();
    EXPECT_NE(unclipped, 0);
    // No clip requested in between: the same token, no new capture.
    EXPECT_EQ(picasso.SaveState(), unclipped);

    PicassoTestRectangle(picasso, 0, 0, 4, 3);
    picasso.RequestClip(1);
    picasso.EndPath();
    const std::int32_t left = picasso.SaveState();
    EXPECT_NE(left, unclipped);

    // A clip requested before a fill applies after the fill.
    PicassoTestRectangle(picasso, 2, 0, 6, 1);
    picasso.RequestClip(2);
    picasso.Fill();
    PicassoTestRectangle(picasso, 0, 1, 6, 2);
    picasso.Fill();
    picasso.RestoreState(left);
    PicassoTestRectangle(picasso, 0, 2, 6, 3);
    picasso.Fill();
    // Row 0: the first fill, clipped to the left clip only; row 1: outside the clip the first
    // fill left (row 0, x 2..3); row 2: the left clip again.
    EXPECT_EQ(page.Picture(), "..##..\n"
                              "......\n"
                              "####..\n");

    picasso.RestoreState(unclipped);
    picasso.RestoreState(12345);  // never handed out: ignored
    PicassoTestRectangle(picasso, 4, 0, 6, 3);
    picasso.Fill();
    EXPECT_EQ(page.Picture(), "..####\n"
                              "....##\n"
                              "######\n");
}

TEST_F(PicassoTest, PlainGdiIgnoresClips) {
    PicassoTestPage page(4, 2);
    TPDFPicasso picasso;
    picasso.AttachCanvas(&page.bitmap.Canvas());
    PicassoTestRectangle(picasso, 0, 0, 1, 1);
    picasso.RequestClip(1);
    picasso.EndPath();
    EXPECT_EQ(picasso.SaveState(), 0);
    PicassoTestRectangle(picasso, 0, 0, 4, 2);
    picasso.Fill();
    EXPECT_EQ(page.Picture(), "####\n####\n");
}

TEST_F(PicassoTest, AlphaIsClampedAndColoursKeepToTheirBytes) {
    struct Case {
        double alpha;
        TColor color;
        TColor expected;
    };
    const Case cases[] = {
        {1.0, kPicassoTestRed, kPicassoTestRed},
        {7.0, kPicassoTestRed, kPicassoTestRed},
        {-3.0, kPicassoTestRed, kPicassoTestWhite},
        {std::nan(""), kPicassoTestRed, kPicassoTestWhite},
        {0.5, kPicassoTestBlack, 0x7F7F7F},  // alpha 128 over white
        // Bits above the colour's three bytes do not reach the alpha.
        {0.0, static_cast<TColor>(0xFF0000FFu), kPicassoTestWhite},
        {1.0, static_cast<TColor>(0x800000FFu), kPicassoTestRed},
    };
    for (const Case& c : cases) {
        PicassoTestPage page(2, 2);
        TPDFPicasso picasso;
        picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
        picasso.SetFillAlpha(c.alpha);
        picasso.SetFillColor(c.color);
        PicassoTestRectangle(picasso, 0, 0, 2, 2);
        picasso.Fill();
        EXPECT_EQ(page.At(1, 1), c.expected) << c.alpha << " " << c.color;
    }
}

TEST_F(PicassoTest, BrokenDashesAndFarCoordinatesDoNotStopLaterDrawing) {
    for (bool cairo : {false, true}) {
        PicassoTestPage page(8, 4);
        TPDFPicasso picasso;
        if (cairo) {
            picasso.AttachCairo(page.bitmap.Canvas().Handle(), u"cairo", false);
        } else {
            picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
        }
        picasso.SetLineWidth(2);
        picasso.SetDash({-1, 0}, 0);
        picasso.NewPath();
        picasso.MoveTo(0, 1);
        picasso.LineTo(8, 1);
        picasso.Stroke();
        picasso.SetFillColor(kPicassoTestRed);
        PicassoTestRectangle(picasso, -1e15, 3, 9e6, 4);
        picasso.Fill();
        EXPECT_EQ(page.Picture(), "########\n"
                                  "########\n"
                                  "........\n"
                                  "RRRRRRRR\n")
            << cairo;
    }
}

TEST_F(PicassoTest, LoneSegmentIsStrokedAndEndingAPathWithoutClipDrawsNothing) {
    PicassoTestPage page(6, 4);
    TPDFPicasso picasso;
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    picasso.SetLineWidth(2);
    picasso.NewPath();
    picasso.MoveTo(1, 1);
    picasso.LineTo(5, 1);
    picasso.Stroke();
    PicassoTestRectangle(picasso, 0, 0, 6, 4);
    picasso.EndPath();
    picasso.Fill();  // the path is gone
    EXPECT_EQ(page.Picture(), ".####.\n"
                              ".####.\n"
                              "......\n"
                              "......\n");
}

// --- Images --------------------------------------------------------------------------------

constexpr TColor kPicassoTestGreen = 0x00FF00;
constexpr TColor kPicassoTestBlue = 0xFF0000;

// Red, green / blue, black quarters as a BMP stream.
void PicassoTestQuarters(TBitmap& bitmap) {
    bitmap.SetSize(2, 2);
    bitmap.Canvas().SetPixels(0, 0, kPicassoTestRed);
    bitmap.Canvas().SetPixels(1, 0, kPicassoTestGreen);
    bitmap.Canvas().SetPixels(0, 1, kPicassoTestBlue);
    bitmap.Canvas().SetPixels(1, 1, kPicassoTestBlack);
}

void PicassoTestQuartersStream(TStream& stream) {
    TBitmap bitmap(2, 2, pf24bit);
    PicassoTestQuarters(bitmap);
    bitmap.SaveToStream(stream);
}

// 'R', 'G', 'B', '#' for the quarter colours, '.' white, '+' anything else.
std::string PicassoTestColours(PicassoTestPage& page) {
    std::string out;
    for (int y = 0; y < page.bitmap.Height(); ++y) {
        for (int x = 0; x < page.bitmap.Width(); ++x) {
            const TColor c = page.At(x, y);
            out += c == kPicassoTestRed     ? 'R'
                   : c == kPicassoTestGreen ? 'G'
                   : c == kPicassoTestBlue  ? 'B'
                   : c == kPicassoTestBlack ? '#'
                   : c == kPicassoTestWhite ? '.'
                                            : '+';
        }
        out += '\n';
    }
    return out;
}

class PicassoTestGraphic : public TPDFStreamableGraphic {
public:
    void SaveToStream(TStream& stream) const override { PicassoTestQuartersStream(stream); }
};

TEST_F(PicassoTest, ImagesLandOnThreePointsWithNearestNeighbourSampling) {
    struct Case {
        const char* name;
        double x1, y1, x2, y2, x3, y3;
        const char* picture;
    };
    const Case cases[] = {
        {"upright", 1, 1, 5, 1, 1, 5, "......\n.RRGG.\n.RRGG.\n.BB##.\n.BB##.\n......\n"},
        // A quarter turn clockwise: the upper-left corner at the upper right.
        {"rotated", 5, 1, 5, 5, 1, 1, "......\n.BBRR.\n.BBRR.\n.##GG.\n.##GG.\n......\n"},
        // Flipped upside down, as PDF images arrive.
        {"flipped", 1, 5, 5, 5, 1, 1, "......\n.BB##.\n.BB##.\n.RRGG.\n.RRGG.\n......\n"},
    };
    // The anti-aliased back end, and plain GDI drawing images through a service of its own.
    for (const bool plain : {false, true}) {
        for (const Case& c : cases) {
            PicassoTestPage page(6, 6);
            TPDFPicasso picasso;
            if (plain)
                picasso.AttachCanvas(&page.bitmap.Canvas());
            else
                picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
            TMemoryStream stream;
            PicassoTestQuartersStream(stream);
            picasso.DrawImageStreamPoints(stream, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3);
            EXPECT_EQ(PicassoTestColours(page), c.picture) << c.name << (plain ? " on plain GDI" : "");
        }
    }
}

TEST_F(PicassoTest, KeepImageQualityKeepsTheSmoothInterpolation) {
    for (bool keep : {false, true}) {
        PicassoTestPage page(8, 8);
        TPDFPicasso picasso;
        TGDIPlusSettings settings = PicassoTestSettings();
        settings.KeepImageQuality = keep;
        picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), settings);
        TMemoryStream stream;
        PicassoTestQuartersStream(stream);
        picasso.DrawImageStreamPoints(stream, 0, 0, 8, 0, 0, 8);
        const std::string picture = PicassoTestColours(page);
        EXPECT_EQ(std::count(picture.begin(), picture.end(), '+') > 0, keep) << picture;
    }
}

TEST_F(PicassoTest, ColourKeyedImagesLeaveTheKeyedPixelsOut) {
    PicassoTestPage page(4, 4);
    TPDFPicasso picasso;
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    TMemoryStream stream;
    PicassoTestQuartersStream(stream);
    // Black up to dark grey is transparent.
    picasso.DrawImageStreamColorKey(stream, 2, 0, 0, 4, 0, 0, 4, 2, 0xFF000000, 0xFF101010);
    EXPECT_EQ(PicassoTestColours(page), "RRGG\nRRGG\nBB..\nBB..\n");
}

TEST_F(PicassoTest, BitmapsAndGraphicsAreDrawnByBothPixelBackEnds) {
    TBitmap source(2, 2);
    PicassoTestQuarters(source);
    for (bool antiAliased : {false, true}) {
        PicassoTestPage page(4, 4);
        TPDFPicasso picasso;
        if (antiAliased) {
            picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
        } else {
            picasso.AttachCanvas(&page.bitmap.Canvas());
        }
        picasso.DrawBitmap(source, 0, 0, 2, 2);
        EXPECT_EQ(PicassoTestColours(page), "RG..\nB#..\n....\n....\n") << antiAliased;
    }
    PicassoTestPage page(4, 4);
    TPDFPicasso picasso;
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    picasso.DrawImage(PicassoTestGraphic(), 2, 2, 4, 2, 2, 4);
    EXPECT_EQ(PicassoTestColours(page), "....\n....\n..RG\n..B#\n");
}

TEST_F(PicassoTest, DamagedImageStreamsDrawNothing) {
    PicassoTestPage page(4, 4);
    TPDFPicasso picasso;
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    for (const std::string& bytes : {std::string(), std::string("BM\x10\0\0\0garbage"), std::string("\x89PNG\r\n")}) {
        TStringStream stream(bytes);
        picasso.DrawImageStreamPoints(stream, 0, 0, 4, 0, 0, 4);
        picasso.DrawImageStream(stream, true, 0, 0, 4, 4);
    }
    EXPECT_EQ(PicassoTestColours(page), "....\n....\n....\n....\n");
    // Drawing goes on afterwards.
    PicassoTestRectangle(picasso, 0, 0, 4, 4);
    picasso.Fill();
    EXPECT_EQ(page.At(2, 2), kPicassoTestBlack);
}

TEST_F(PicassoTest, ConvertImageStreamNeedsTheBindingAndAKnownEncoder) {
    TPDFPicasso picasso;
    TMemoryStream bmp;
    PicassoTestQuartersStream(bmp);
    TMemoryStream png;
    EXPECT_FALSE(picasso.ConvertImageStream(bmp, png, "image/png"));  // nothing bound yet

    PicassoTestPage page(2, 2);
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    for (const char* mime : {"image/tiff", "image/PNG", ""}) {
        TMemoryStream out;
        EXPECT_FALSE(picasso.ConvertImageStream(bmp, out, mime)) << mime;
        EXPECT_EQ(out.GetSize(), 0) << mime;
    }
    ASSERT_TRUE(picasso.ConvertImageStream(bmp, png, "image/png"));
    EXPECT_EQ(png.Bytes().substr(0, 4), "\x89PNG");
    TMemoryStream back;
    ASSERT_TRUE(picasso.ConvertImageStream(png, back, "image/bmp"));
    EXPECT_EQ(back.Bytes().substr(0, 2), "BM");
    // The round trip keeps the pixels.
    picasso.DrawImageStreamPoints(back, 0, 0, 2, 0, 0, 2);
    EXPECT_EQ(PicassoTestColours(page), "RG\nB#\n");
    TStringStream garbage("not a picture");
    EXPECT_FALSE(picasso.ConvertImageStream(garbage, png, "image/png"));
}

TEST(PicassoBinding, EncodersAreFoundByExactMimeTypeOnlyWhenBound) {
    UnloadGDIPlus();
    AaImageFormat format{};
    EXPECT_FALSE(FindImageEncoderClsid(u"image/png", format));
    ASSERT_EQ(LoadGDIPlus(u""), kGDIPlusComplete);
    EXPECT_TRUE(FindImageEncoderClsid(u"image/png", format));
    EXPECT_EQ(format, AaImageFormat::Png);
    EXPECT_TRUE(FindImageEncoderClsid(u"image/bmp", format));
    EXPECT_EQ(format, AaImageFormat::Bmp);
    EXPECT_FALSE(FindImageEncoderClsid(u"image/PNG", format));
    EXPECT_FALSE(FindImageEncoderClsid(u"image/tiff", format));
    EXPECT_FALSE(FindImageEncoderClsid(u"image/p\u00F1g", format));
    UnloadGDIPlus();

    TCairoDLL cairo;
    EXPECT_FALSE(cairo.Load(u""));
    EXPECT_FALSE(cairo.Loaded());
    EXPECT_TRUE(cairo.Load(u"/usr/lib/libcairo.so.2"));
}

// A page of everything the anti-aliased back end draws, saved as a PNG for looking at.
TEST_F(PicassoTest, SceneOfPathsDashesClipAndImage) {
    PicassoTestPage page(240, 160);
    TPDFPicasso picasso;
    picasso.AttachCanvasGDIPlus(&page.bitmap.Canvas(), PicassoTestSettings());
    // A star, even-odd: its centre stays empty.
    picasso.SetFillRule(2);
    picasso.NewPath();
    for (int i = 0; i < 5; ++i) {
        const double angle = -M_PI / 2 + i * 4 * M_PI / 5;
        const double x = 60 + 45 * std::cos(angle), y = 60 + 45 * std::sin(angle);
        i == 0 ? picasso.MoveTo(x, y) : picasso.LineTo(x, y);
    }
    picasso.ClosePath();
    picasso.SetFillColor(0x00A0FF);
    picasso.SetStrokeColor(0x400000);
    picasso.SetLineWidth(3);
    picasso.SetLineJoin(1);
    picasso.FillAndStroke();
    // Dashed curves with round caps, half transparent.
    picasso.SetLineCap(1);
    picasso.SetDash({2, 1.5}, 0);
    picasso.SetStrokeAlpha(0.6);
    picasso.SetStrokeColor(0x008000);
    picasso.SetLineWidth(4);
    picasso.NewPath();
    picasso.MoveTo(10, 140);
    picasso.CurveTo(60, 80, 120, 180, 230, 110);
    picasso.Stroke();
    picasso.SetDash({}, 0);
    picasso.SetStrokeAlpha(1);
    // A circle-ish clip, then an image on three points, rotated, inside it.
    const std::int32_t unclipped = picasso.SaveState();
    picasso.NewPath();
    picasso.MoveTo(170, 20);
    picasso.QuadCurveTo(220, 20, 220, 60);
    picasso.QuadCurveTo(220, 100, 170, 100);
    picasso.QuadCurveTo(120, 100, 120, 60);
    picasso.QuadCurveTo(120, 20, 170, 20);
    picasso.RequestClip(1);
    picasso.EndPath();
    TMemoryStream image;
    PicassoTestQuartersStream(image);
    picasso.DrawImageStreamPoints(image, 170, 0, 240, 70, 100, 70);
    picasso.RestoreState(unclipped);
    picasso.SetFillColor(kPicassoTestBlack);
    PicassoTestRectangle(picasso, 200, 130, 230, 150);
    picasso.Fill();

    EXPECT_EQ(page.At(60, 60), kPicassoTestWhite);    // the star's centre
    EXPECT_EQ(page.At(60, 35), 0x00A0FF);              // the star's upper arm
    EXPECT_EQ(page.At(130, 25), kPicassoTestWhite);   // clipped off the image
    EXPECT_EQ(page.At(170, 30), kPicassoTestRed);     // the image's upper-left quarter, rotated
    EXPECT_EQ(page.At(215, 140), kPicassoTestBlack);  // drawn after the clip was restored

    TMemoryStream bmp;
    page.bitmap.SaveToStream(bmp);
    TMemoryStream png;
    ASSERT_TRUE(picasso.ConvertImageStream(bmp, png, "image/png"));
    png.SaveToFile(::testing::TempDir() + "picasso_scene.png");
}

}  // namespace
}  // namespace parch
