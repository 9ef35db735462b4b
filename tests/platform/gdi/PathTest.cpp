#include <gtest/gtest.h>

#include "GdiTestSupport.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Paths.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/Regions.h"

namespace parch {
namespace {

using test::Rows;
using test::Surface;

using test::kBlack;
using test::kRed;
using test::kWhite;

void Square(HDC dc) {
    BeginPath(dc);
    MoveToEx(dc, 1, 1, nullptr);
    LineTo(dc, 4, 1);
    LineTo(dc, 4, 4);
    LineTo(dc, 1, 4);
    CloseFigure(dc);
    EndPath(dc);
}

TEST(Path, FillPathPaintsWhatPolygonFills) {
    Surface path(6, 6), polygon(6, 6);
    for (Surface* s : {&path, &polygon}) {
        s->Fill(kWhite);
        SelectObject(s->dc(), GetStockObject(BLACK_BRUSH));
        SelectObject(s->dc(), GetStockObject(NULL_PEN));
    }
    Square(path.dc());
    EXPECT_TRUE(FillPath(path.dc()));
    const POINT points[] = {{1, 1}, {4, 1}, {4, 4}, {1, 4}};
    Polygon(polygon.dc(), points, 4);
    EXPECT_EQ(path.Picture(kBlack), polygon.Picture(kBlack));
    EXPECT_EQ(path.Picture(kBlack), Rows({"......", ".###..", ".###..", ".###..", "......", "......"}));
    // The path is used up.
    EXPECT_FALSE(FillPath(path.dc()));
}

TEST(Path, StrokeAndFillPathOutlinesWithThePen) {
    Surface s(6, 6);
    s.Fill(kWhite);
    HBRUSH red = CreateSolidBrush(kRed);
    SelectObject(s.dc(), red);
    Square(s.dc());
    EXPECT_TRUE(StrokeAndFillPath(s.dc()));
    EXPECT_EQ(s.Picture({{kBlack, '#'}, {kRed, 'r'}, {kWhite, '.'}}),
              Rows({"......", ".####.", ".#rr#.", ".#rr#.", ".####.", "......"}));
    SelectObject(s.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(red);
}

TEST(Path, StrokePathLeavesOpenFiguresOpen) {
    Surface s(5, 3);
    s.Fill(kWhite);
    BeginPath(s.dc());
    MoveToEx(s.dc(), 0, 1, nullptr);
    LineTo(s.dc(), 4, 1);
    LineTo(s.dc(), 4, 2);
    EndPath(s.dc());
    // Nothing is drawn while the path is recorded.
    EXPECT_EQ(s.Picture(kBlack), Rows({".....", ".....", "....."}));
    EXPECT_TRUE(StrokePath(s.dc()));
    EXPECT_EQ(s.Picture(kBlack), Rows({".....", "#####", "....."}));
}

TEST(Path, BezierCurvesEndOnTheirLastPointAndUpdateThePosition) {
    Surface s(12, 12);
    s.Fill(kWhite);
    BeginPath(s.dc());
    MoveToEx(s.dc(), 1, 10, nullptr);
    const POINT curve[] = {{1, 1}, {10, 1}, {10, 10}};
    EXPECT_TRUE(PolyBezierTo(s.dc(), curve, 3));
    EXPECT_FALSE(PolyBezierTo(s.dc(), curve, 2));
    POINT position;
    GetCurrentPositionEx(s.dc(), &position);
    EXPECT_EQ(position, (POINT{10, 10}));
    CloseFigure(s.dc());
    EndPath(s.dc());
    POINT points[8];
    BYTE types[8];
    ASSERT_EQ(GetPath(s.dc(), points, types, 8), 4);
    EXPECT_EQ(types[0], PT_MOVETO);
    EXPECT_EQ(types[3], PT_BEZIERTO | PT_CLOSEFIGURE);
    HRGN region = PathToRegion(s.dc());
    ASSERT_NE(region, nullptr);
    EXPECT_TRUE(PtInRegion(region, 5, 5));   // under the arch
    EXPECT_FALSE(PtInRegion(region, 5, 1));  // the curve stays below its control points
    EXPECT_FALSE(PtInRegion(region, 0, 5));
    DeleteObject(region);
}

TEST(Path, PathCallsNeedTheRightStage) {
    Surface s(2, 2);
    EXPECT_FALSE(EndPath(s.dc()));
    EXPECT_FALSE(StrokePath(s.dc()));
    BeginPath(s.dc());
    EXPECT_FALSE(FillPath(s.dc()));  // still recording
    EXPECT_EQ(PathToRegion(s.dc()), nullptr);
    EXPECT_TRUE(AbortPath(s.dc()));
    EXPECT_FALSE(CloseFigure(s.dc()));
}

}  // namespace
}  // namespace parch
