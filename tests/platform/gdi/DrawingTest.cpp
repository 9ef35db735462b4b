#include <gtest/gtest.h>

#include "GdiTestSupport.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"

namespace parch {
namespace {

using test::Rows;
using test::Surface;

using test::kBlack;
using test::kRed;
using test::kWhite;

const std::vector<std::pair<COLORREF, char>> kLegend = {{kBlack, '#'}, {kRed, 'r'}, {kWhite, '.'}};

// Selects a new object for the scope and deletes it afterwards.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), previous_(SelectObject(dc, object)) {}
    ~Selected() {
        SelectObject(dc_, previous_);
        DeleteObject(object_);
    }

private:
    HDC dc_;
    HGDIOBJ object_;
    HGDIOBJ previous_;
};

TEST(Drawing, FillRectLeavesRightAndBottomEdgesAndFollowsTheViewport) {
    Surface s(6, 4);
    s.Fill(kWhite);
    SetViewportOrgEx(s.dc(), 1, 0, nullptr);
    const RECT r{0, 0, 3, 2};
    HBRUSH black = CreateSolidBrush(kBlack);
    FillRect(s.dc(), &r, black);
    DeleteObject(black);
    EXPECT_EQ(s.Picture(kBlack), Rows({".###..", ".###..", "......", "......"}));
}

TEST(Drawing, GdiFillsClearTheAlphaByteOf32BitTargets) {
    Surface s(2, 1);
    s.SetValue(0, 0, 0xFF102030);
    const RECT r{0, 0, 1, 1};
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(s.dc(), &r, brush);
    DeleteObject(brush);
    EXPECT_EQ(s.Value(0, 0), 0x00010203u);
}

TEST(Drawing, RectangleOutlinesWithThePenAndFillsInsideWithTheBrush) {
    Surface s(6, 5);
    s.Fill(kWhite);
    Selected brush(s.dc(), CreateSolidBrush(kRed));
    Rectangle(s.dc(), 1, 1, 5, 4);
    EXPECT_EQ(s.Picture(kLegend), Rows({"......", ".####.", ".#rr#.", ".####.", "......"}));
}

TEST(Drawing, RectangleWithoutPenIsOnePixelSmaller) {
    Surface s(6, 5);
    s.Fill(kWhite);
    Selected brush(s.dc(), CreateSolidBrush(kRed));
    SelectObject(s.dc(), GetStockObject(NULL_PEN));
    Rectangle(s.dc(), 1, 1, 5, 4);
    EXPECT_EQ(s.Picture(kLegend), Rows({"......", ".rrr..", ".rrr..", "......", "......"}));
}

TEST(Drawing, WidePensCentreOnTheOutlineUnlessInsideFrame) {
    {
        Surface s(8, 8);
        s.Fill(kWhite);
        Selected pen(s.dc(), CreatePen(PS_INSIDEFRAME, 2, kBlack));
        Selected brush(s.dc(), CreateSolidBrush(kRed));
        Rectangle(s.dc(), 1, 1, 7, 7);
        EXPECT_EQ(s.Picture(kLegend), Rows({"........", ".######.", ".######.", ".##rr##.", ".##rr##.",
                                            ".######.", ".######.", "........"}));
    }
    {
        Surface s(8, 8);
        s.Fill(kWhite);
        Selected pen(s.dc(), CreatePen(PS_SOLID, 3, kBlack));
        Selected brush(s.dc(), CreateSolidBrush(kRed));
        Rectangle(s.dc(), 2, 2, 7, 7);
        // The pen's middle runs along columns and rows 2 and 6, one pixel to either side.
        EXPECT_EQ(s.Picture(kLegend), Rows({"........", ".#######", ".#######", ".#######", ".###r###",
                                            ".#######", ".#######", ".#######"}));
    }
}

TEST(Drawing, EllipseTouchesItsBoxAndIsSymmetric) {
    Surface s(10, 10);
    s.Fill(kWhite);
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    Ellipse(s.dc(), 0, 0, 10, 10);
    const std::string picture = s.Picture(kBlack);
    EXPECT_EQ(picture.substr(0, 11), "...####...\n");
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(s.Color(x, y), s.Color(9 - x, y)) << x << "," << y;
            EXPECT_EQ(s.Color(x, y), s.Color(x, 9 - y)) << x << "," << y;
            EXPECT_EQ(s.Color(x, y), s.Color(y, x)) << x << "," << y;
        }
    EXPECT_EQ(s.Color(0, 4), kBlack);
    EXPECT_EQ(s.Color(0, 0), kWhite);
}

TEST(Drawing, EllipseOutlineIsClosedAroundTheBrush) {
    Surface s(12, 9);
    s.Fill(kWhite);
    Selected brush(s.dc(), CreateSolidBrush(kRed));
    Ellipse(s.dc(), 0, 0, 12, 9);
    // Every brush pixel has only brush or pen pixels around it: the pen closes the shape.
    int inside = 0;
    for (int y = 1; y < 8; ++y)
        for (int x = 1; x < 11; ++x) {
            if (s.Color(x, y) != kRed) continue;
            ++inside;
            for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) EXPECT_NE(s.Color(x + dx, y + dy), kWhite);
        }
    EXPECT_GT(inside, 40);
}

TEST(Drawing, RoundRectKeepsStraightSidesBetweenItsCorners) {
    Surface s(10, 8);
    s.Fill(kWhite);
    SelectObject(s.dc(), GetStockObject(NULL_BRUSH));
    RoundRect(s.dc(), 0, 0, 10, 8, 6, 6);
    // The corners are the quarters of a 6 x 6 ellipse.
    EXPECT_EQ(s.Picture(kLegend), Rows({".########.", "#........#", "#........#", "#........#", "#........#",
                                        "#........#", "#........#", ".########."}));
    Surface e(6, 6);
    e.Fill(kWhite);
    SelectObject(e.dc(), GetStockObject(NULL_BRUSH));
    Ellipse(e.dc(), 0, 0, 6, 6);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(s.Color(x, y), e.Color(x, y)) << x << "," << y;
}

TEST(Drawing, PieCoversTheQuarterBetweenItsRays) {
    Surface s(10, 10);
    s.Fill(kWhite);
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    // From the ray pointing right to the ray pointing up, counter-clockwise: the top-right quarter.
    Pie(s.dc(), 0, 0, 10, 10, 10, 5, 5, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (x < 5 || y >= 5) {
                EXPECT_EQ(s.Color(x, y), kWhite) << x << "," << y;
            }
    EXPECT_EQ(s.Color(7, 2), kBlack);
    EXPECT_EQ(s.Color(9, 4), kBlack);
}

TEST(Drawing, LineToLeavesOutItsLastPixelAndMovesTheCurrentPosition) {
    Surface s(6, 3);
    s.Fill(kWhite);
    MoveToEx(s.dc(), 1, 1, nullptr);
    LineTo(s.dc(), 5, 1);
    LineTo(s.dc(), 5, 3);
    // The second line starts where the first one stopped short.
    EXPECT_EQ(s.Picture(kBlack), Rows({"......", ".#####", ".....#"}));
    POINT p;
    GetCurrentPositionEx(s.dc(), &p);
    EXPECT_EQ(p, (POINT{5, 3}));
}

TEST(Drawing, PolylineDrawsEachJointOnceSoXorLinesStayClean) {
    Surface s(5, 5);
    s.Fill(kWhite);
    SetROP2(s.dc(), R2_XORPEN);
    SelectObject(s.dc(), GetStockObject(WHITE_PEN));
    const POINT points[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}};
    Polyline(s.dc(), points, 5);
    EXPECT_EQ(s.Picture(kBlack), Rows({"#####", "#...#", "#...#", "#...#", "#####"}));
    Polyline(s.dc(), points, 5);
    EXPECT_EQ(s.Picture(kBlack), Rows({".....", ".....", ".....", ".....", "....."}));
}

TEST(Drawing, EveryBinaryRasterOperationCombinesPenAndDestinationBits) {
    const DWORD pen = 0x00F0CC55, dst = 0x003355AA;
    const std::vector<std::pair<int, DWORD>> cases = {
        {R2_BLACK, 0}, {R2_NOTMERGEPEN, ~(pen | dst)}, {R2_MASKNOTPEN, ~pen & dst}, {R2_NOTCOPYPEN, ~pen},
        {R2_MASKPENNOT, pen & ~dst}, {R2_NOT, ~dst}, {R2_XORPEN, pen ^ dst}, {R2_NOTMASKPEN, ~(pen & dst)},
        {R2_MASKPEN, pen & dst}, {R2_NOTXORPEN, ~(pen ^ dst)}, {R2_NOP, dst}, {R2_MERGENOTPEN, ~pen | dst},
        {R2_COPYPEN, pen}, {R2_MERGEPENNOT, pen | ~dst}, {R2_MERGEPEN, pen | dst}, {R2_WHITE, 0xFFFFFFFF}};
    for (const auto& [rop, expected] : cases) {
        Surface s(2, 1, 24);
        s.SetValue(0, 0, dst);
        SetROP2(s.dc(), rop);
        // Pen colour 0x55CCF0 is stored as B=0x55, G=0xCC, R=0xF0.
        Selected p(s.dc(), CreatePen(PS_SOLID, 1, RGB(0xF0, 0xCC, 0x55)));
        MoveToEx(s.dc(), 0, 0, nullptr);
        LineTo(s.dc(), 1, 0);
        EXPECT_EQ(s.Value(0, 0), expected & 0xFFFFFF) << "rop2 " << rop;
    }
}

TEST(Drawing, DashedPensFillGapsWithTheBackgroundOnlyWhenOpaque) {
    for (int mode : {OPAQUE, TRANSPARENT}) {
        Surface s(8, 1);
        s.Fill(kWhite);
        SetBkMode(s.dc(), mode);
        SetBkColor(s.dc(), kRed);
        Selected pen(s.dc(), CreatePen(PS_DOT, 1, kBlack));
        MoveToEx(s.dc(), 0, 0, nullptr);
        LineTo(s.dc(), 8, 0);
        EXPECT_EQ(s.Picture(kLegend), mode == OPAQUE ? "###rrr##\n" : "###...##\n");
    }
}

TEST(Drawing, PolygonFillsPixelCentresAndItsOutlineIncludesTheFarEdge) {
    const POINT square[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
    {
        Surface s(6, 6);
        s.Fill(kWhite);
        Selected brush(s.dc(), CreateSolidBrush(kRed));
        SelectObject(s.dc(), GetStockObject(NULL_PEN));
        Polygon(s.dc(), square, 4);
        EXPECT_EQ(s.Picture(kLegend), Rows({"......", ".rrr..", ".rrr..", ".rrr..", "......", "......"}));
    }
    {
        Surface s(6, 6);
        s.Fill(kWhite);
        Selected brush(s.dc(), CreateSolidBrush(kRed));
        Polygon(s.dc(), square, 4);
        EXPECT_EQ(s.Picture(kLegend), Rows({"......", ".####.", ".#rr#.", ".#rr#.", ".####.", "......"}));
    }
}

TEST(Drawing, PolygonFillModesDifferOnOverlappingFigures) {
    // Two overlapping squares drawn in the same direction as one polygon.
    const POINT points[] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}};
    for (int mode : {ALTERNATE, WINDING}) {
        Surface s(6, 6);
        s.Fill(kWhite);
        SelectObject(s.dc(), GetStockObject(NULL_PEN));
        SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
        SetPolyFillMode(s.dc(), mode);
        Polygon(s.dc(), points, 10);
        EXPECT_EQ(s.Color(3, 3), mode == WINDING ? kBlack : kWhite);
        EXPECT_EQ(s.Color(1, 1), kBlack);
        EXPECT_EQ(s.Color(5, 5), kBlack);
    }
}

TEST(Drawing, ClippingCombinesRectanglesRegionsAndOrigins) {
    Surface s(8, 4);
    s.Fill(kWhite);
    HBRUSH black = CreateSolidBrush(kBlack);
    // Logical clip rectangles follow the origin; region clips are in device pixels.
    SetWindowOrgEx(s.dc(), -1, 0, nullptr);
    IntersectClipRect(s.dc(), 0, 0, 6, 3);   // device 1..6
    ExcludeClipRect(s.dc(), 2, 1, 4, 2);     // device 3..4, row 1
    HRGN region = CreateRectRgn(0, 0, 6, 4);  // device 0..5
    ExtSelectClipRgn(s.dc(), region, RGN_AND);
    const RECT all{-10, -10, 20, 20};
    FillRect(s.dc(), &all, black);
    EXPECT_EQ(s.Picture(kBlack), Rows({".#####..", ".##..#..", ".#####..", "........"}));
    RECT box;
    EXPECT_EQ(GetClipBox(s.dc(), &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{0, 0, 5, 3}));
    DeleteObject(region);
    DeleteObject(black);
}

TEST(Drawing, SelectClipRgnCopiesTheRegion) {
    Surface s(4, 1);
    s.Fill(kWhite);
    HRGN region = CreateRectRgn(1, 0, 2, 1);
    SelectClipRgn(s.dc(), region);
    OffsetRgn(region, 2, 0);  // changes the caller's region, not the clip
    HBRUSH black = CreateSolidBrush(kBlack);
    const RECT all{0, 0, 4, 1};
    FillRect(s.dc(), &all, black);
    EXPECT_EQ(s.Picture(kBlack), ".#..\n");
    SelectClipRgn(s.dc(), nullptr);
    FillRect(s.dc(), &all, black);
    EXPECT_EQ(s.Picture(kBlack), "####\n");
    DeleteObject(region);
    DeleteObject(black);
}

TEST(Drawing, PatternAndHatchBrushesFollowTheBrushOrigin) {
    Surface pattern(2, 2);
    pattern.Fill(kWhite);
    SetPixel(pattern.dc(), 0, 0, kBlack);
    SetPixel(pattern.dc(), 1, 1, kBlack);
    HBRUSH brush = CreatePatternBrush(pattern.bitmap());
    Surface s(4, 2);
    SetBrushOrgEx(s.dc(), 1, 0, nullptr);
    const RECT all{0, 0, 4, 2};
    FillRect(s.dc(), &all, brush);
    EXPECT_EQ(s.Picture(kBlack), Rows({".#.#", "#.#."}));
    DeleteObject(brush);

    HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, kBlack);
    Surface h(2, 8);
    h.Fill(kRed);
    SetBkMode(h.dc(), TRANSPARENT);
    const RECT column{0, 0, 2, 8};
    FillRect(h.dc(), &column, hatch);
    EXPECT_EQ(h.Picture(kLegend), Rows({"rr", "rr", "rr", "rr", "##", "rr", "rr", "rr"}));
    DeleteObject(hatch);
}

TEST(Drawing, DrawFocusRectTwiceRestoresThePixels) {
    Surface s(7, 5);
    s.Fill(RGB(10, 200, 30));
    s.SetValue(3, 0, 0x80402010);
    const RECT r{0, 0, 7, 5};
    DrawFocusRect(s.dc(), &r);
    EXPECT_EQ(s.Color(0, 0), RGB(245, 55, 225));  // inverted
    EXPECT_EQ(s.Color(1, 0), RGB(10, 200, 30));   // every other pixel
    EXPECT_EQ(s.Color(3, 2), RGB(10, 200, 30));   // inside untouched
    EXPECT_EQ(s.Value(3, 0) >> 24, 0x80u);        // alpha kept
    DrawFocusRect(s.dc(), &r);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            if (x != 3 || y != 0) {
                EXPECT_EQ(s.Color(x, y), RGB(10, 200, 30));
            }
    EXPECT_EQ(s.Value(3, 0), 0x80402010u);
}

TEST(Drawing, SetPixelAndGetPixelRespectClipAndPalettes) {
    Surface s(3, 1);
    IntersectClipRect(s.dc(), 0, 0, 2, 1);
    EXPECT_EQ(SetPixel(s.dc(), 1, 0, kRed), kRed);
    EXPECT_EQ(GetPixel(s.dc(), 1, 0), kRed);
    EXPECT_EQ(SetPixel(s.dc(), 2, 0, kRed), CLR_INVALID);
    EXPECT_EQ(GetPixel(s.dc(), 2, 0), CLR_INVALID);

    // An 8-bit target takes the nearest palette entry and says which.
    Surface p(2, 1, 8, true, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{0, 0, 200, 0}, RGBQUAD{255, 255, 255, 0}});
    EXPECT_EQ(SetPixel(p.dc(), 0, 0, RGB(250, 10, 10)), RGB(200, 0, 0));
    EXPECT_EQ(p.Value(0, 0), 1u);
}

TEST(Drawing, GradientFillInterpolatesBetweenVertices) {
    Surface s(4, 2);
    TRIVERTEX v[2];
    v[0].x = 0;
    v[0].y = 0;
    v[1].x = 4;
    v[1].y = 2;
    v[1].Red = 0xFF00;
    v[1].Alpha = 0xFF00;
    GRADIENT_RECT mesh{0, 1};
    ASSERT_TRUE(GradientFill(s.dc(), v, 2, &mesh, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(s.Value(0, 1), 0x00000000u);
    EXPECT_EQ(s.Value(1, 1), 0x3F3F0000u);
    EXPECT_EQ(s.Value(2, 1), 0x7F7F0000u);
    EXPECT_EQ(s.Value(3, 1), 0xBFBF0000u);
    ASSERT_TRUE(GradientFill(s.dc(), v, 2, &mesh, 1, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(s.Value(3, 0), 0x00000000u);
    EXPECT_EQ(s.Value(0, 1), 0x7F7F0000u);
    GRADIENT_RECT bad{0, 5};
    EXPECT_FALSE(GradientFill(s.dc(), v, 2, &bad, 1, GRADIENT_FILL_RECT_H));

    Surface t(4, 4);
    GRADIENT_TRIANGLE triangle{0, 1, 2};
    TRIVERTEX tv[3];
    tv[0].x = 0;
    tv[0].y = 0;
    tv[1].x = 4;
    tv[1].y = 0;
    tv[2].x = 0;
    tv[2].y = 4;
    for (auto& vertex : tv) vertex.Green = 0xFF00;
    ASSERT_TRUE(GradientFill(t.dc(), tv, 3, &triangle, 1, GRADIENT_FILL_TRIANGLE));
    EXPECT_EQ(t.Color(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(t.Color(3, 3), RGB(0, 0, 0));  // beyond the hypotenuse
}

TEST(Drawing, DrawEdgeUsesLightTopLeftAndDarkBottomRight) {
    Surface s(4, 4);
    const ThreeDColors c = GetThreeDColors();
    RECT r{0, 0, 4, 4};
    DrawEdge(s.dc(), &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    EXPECT_EQ(s.Color(0, 0), c.light);
    EXPECT_EQ(s.Color(3, 0), c.darkShadow);
    EXPECT_EQ(s.Color(0, 3), c.darkShadow);
    EXPECT_EQ(s.Color(1, 1), c.highlight);
    EXPECT_EQ(s.Color(2, 2), c.shadow);
    EXPECT_EQ(r, (RECT{2, 2, 2, 2}));
    RECT sunken{0, 0, 4, 4};
    DrawEdge(s.dc(), &sunken, EDGE_SUNKEN, BF_RECT);
    EXPECT_EQ(s.Color(0, 0), c.shadow);
    EXPECT_EQ(s.Color(3, 3), c.highlight);
    EXPECT_EQ(s.Color(1, 1), c.darkShadow);
}

TEST(Drawing, DrawFrameControlCheckBoxShowsItsState) {
    const ThreeDColors c = GetThreeDColors();
    Surface unchecked(13, 13), checked(13, 13), inactive(13, 13);
    RECT r{0, 0, 13, 13};
    DrawFrameControl(unchecked.dc(), &r, DFC_BUTTON, DFCS_BUTTONCHECK);
    DrawFrameControl(checked.dc(), &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    DrawFrameControl(inactive.dc(), &r, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_INACTIVE);
    EXPECT_EQ(unchecked.Color(6, 6), c.window);
    EXPECT_EQ(inactive.Color(6, 6), c.face);
    EXPECT_EQ(unchecked.Color(0, 0), c.shadow);
    int ink = 0;
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) ink += checked.Color(x, y) == c.windowText;
    EXPECT_GT(ink, 10);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// Absurd coordinates cost no more than the visible area: each call returns at once and paints
// only what falls on the bitmap.
TEST(Drawing, HugeCoordinatesDrawOnlyTheVisiblePart) {
    constexpr int kFar = 2000000000;
    test::Surface s(8, 8);
    s.Fill(RGB(255, 255, 255));
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    const RECT huge{-kFar, -kFar, kFar, kFar};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(s.dc(), &huge, red);
    EXPECT_EQ(s.Color(7, 7), RGB(255, 0, 0));
    Ellipse(s.dc(), -kFar, -kFar, kFar, kFar);
    EXPECT_EQ(s.Color(4, 4), RGB(0, 0, 0));
    Rectangle(s.dc(), -kFar, 2, kFar, 6);
    EXPECT_EQ(s.Color(0, 2), RGB(0, 0, 0));
    const POINT triangle[] = {{-kFar, -kFar}, {kFar, 0}, {-kFar, kFar}};
    Polygon(s.dc(), triangle, 3);
    MoveToEx(s.dc(), -kFar, 1, nullptr);
    LineTo(s.dc(), kFar, 1);
    EXPECT_EQ(s.Picture(RGB(0, 0, 0)).substr(9, 9), "########\n");
    HPEN wide = CreatePen(PS_SOLID, 5, RGB(0, 0, 255));
    HGDIOBJ old = SelectObject(s.dc(), wide);
    MoveToEx(s.dc(), -kFar, -kFar, nullptr);
    LineTo(s.dc(), kFar, kFar);
    EXPECT_EQ(s.Color(4, 4), RGB(0, 0, 255));
    RoundRect(s.dc(), -kFar, -kFar, kFar, kFar, kFar, kFar);
    Pie(s.dc(), -kFar, -kFar, kFar, kFar, 0, 0, 1, 1);
    SelectObject(s.dc(), old);
    DeleteObject(wide);
    DrawFocusRect(s.dc(), &huge);
    HRGN region = CreateEllipticRgn(-kFar, -kFar, kFar, kFar);
    ASSERT_NE(region, nullptr);
    EXPECT_TRUE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(FrameRgn(s.dc(), region, red, kFar, kFar));
    DeleteObject(region);
    DeleteObject(red);
}

}  // namespace
}  // namespace parch

namespace parch {
namespace {

// The same drawing on every layout gives the same picture, through the nearest palette entry
// on palette layouts.
TEST(Drawing, EveryLayoutTakesTheSameDrawing) {
    const std::vector<RGBQUAD> palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}, RGBQUAD{0, 0, 255, 0},
                                          RGBQUAD{0, 255, 0, 0}};
    std::string reference;
    for (int bits : {32, 24, 8, 4, 1}) {
        test::Surface s(9, 7, bits, bits != 8, bits <= 8 ? std::vector<RGBQUAD>(palette.begin(), palette.begin() + (bits == 1 ? 2 : 4))
                                                        : std::vector<RGBQUAD>{});
        s.Fill(kWhite);
        SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
        Ellipse(s.dc(), 0, 0, 9, 7);
        HBRUSH white = CreateSolidBrush(kWhite);
        const RECT middle{3, 2, 6, 5};
        FillRect(s.dc(), &middle, white);
        DeleteObject(white);
        // Inverting works on stored values: palette indexes flip only where both colours exist.
        if (bits == 1 || bits >= 24) {
            SetROP2(s.dc(), R2_NOT);
            MoveToEx(s.dc(), 0, 3, nullptr);
            LineTo(s.dc(), 9, 3);
        } else {
            SelectObject(s.dc(), GetStockObject(WHITE_PEN));
            MoveToEx(s.dc(), 0, 3, nullptr);
            LineTo(s.dc(), 3, 3);
            SelectObject(s.dc(), GetStockObject(BLACK_PEN));
            LineTo(s.dc(), 6, 3);
            SelectObject(s.dc(), GetStockObject(WHITE_PEN));
            LineTo(s.dc(), 9, 3);
        }
        const std::string picture = s.Picture(kBlack);
        if (reference.empty()) reference = picture;
        EXPECT_EQ(picture, reference) << bits << " bits";
    }
    EXPECT_EQ(reference, Rows({"..#####..", ".#######.", "###...###", "...###...", "###...###", ".#######.",
                               "..#####.."}));
}

}  // namespace
}  // namespace parch
