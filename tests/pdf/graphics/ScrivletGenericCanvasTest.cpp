#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletMatrix.h"

namespace parch {
namespace {

TEST(ScrivletMatrix, ProductAppliesTheLeftMatrixFirst) {
    const TPDFMatrix translate{1, 0, 0, 1, 10, 20};
    const TPDFMatrix scale{2, 0, 0, 2, 0, 0};
    EXPECT_EQ(MatrixProduct(translate, scale), (TPDFMatrix{2, 0, 0, 2, 20, 40}));
    EXPECT_EQ(MatrixProduct(scale, translate), (TPDFMatrix{2, 0, 0, 2, 10, 20}));

    TPDFMatrix inPlace = translate;
    MatrixMultiply(inPlace, scale, inPlace);  // the result may be an input
    EXPECT_EQ(inPlace, (TPDFMatrix{2, 0, 0, 2, 10, 20}));

    const TPDFPoint turned = MatrixTransformPoint({0, -1, 1, 0, 0, 612}, {100, 50});
    EXPECT_DOUBLE_EQ(turned.X, 50);
    EXPECT_DOUBLE_EQ(turned.Y, 512);
}

// Records the calls a shape replays.
class CallLog : public TPDFGenericCanvas {
public:
    std::vector<std::string> calls;

    void NewPath() override { calls.push_back("n"); }
    void MoveTo(double x, double y) override { calls.push_back("m " + Text(x) + " " + Text(y)); }
    void LineTo(double x, double y) override { calls.push_back("l " + Text(x) + " " + Text(y)); }
    void CurveTo(double, double, double, double, double x3, double y3) override {
        calls.push_back("c " + Text(x3) + " " + Text(y3));
    }
    void QuadCurveTo(double, double, double x2, double y2) override { calls.push_back("q " + Text(x2) + " " + Text(y2)); }
    void ClosePath() override { calls.push_back("h"); }
    void Stroke() override { calls.push_back("S"); }
    void Fill() override { calls.push_back("f"); }
    void FillAndStroke() override { calls.push_back("B"); }
    void DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) override {
        calls.push_back("image");
    }

private:
    static std::string Text(double v) { return std::to_string(static_cast<int>(v)); }
};

TEST(ScrivletGenericShape, ReplaysEveryCommandThroughTheMatrixAndNothingElse) {
    TPDFGenericShape shape;
    CallLog empty;
    PaintShape(empty, shape, {});
    EXPECT_TRUE(empty.calls.empty());

    shape.AddMoveTo(1, 1);
    shape.AddLineTo(2, 1);
    shape.AddCurveTo(0, 0, 0, 0, 3, 3);
    shape.AddQuadCurveTo(0, 0, 4, 2);
    shape.AddClosePath();
    CallLog log;
    PaintShape(log, shape, {2, 0, 0, -2, 10, 20});
    EXPECT_EQ(log.calls, (std::vector<std::string>{"m 12 18", "l 14 18", "c 16 14", "q 18 16", "h"}));
}

TEST(ScrivletGenericShape, GrowsInStepsOfTwentyKeepingAFreeEntry) {
    TPDFGenericShape shape;
    for (int i = 0; i < 19; ++i) shape.AddLineTo(i, i);
    EXPECT_EQ(shape.Count(), 19);
    EXPECT_EQ(shape.Capacity(), 20);
    shape.AddClosePath();
    EXPECT_EQ(shape.Capacity(), 40);
    EXPECT_EQ(shape.Command(0).X1, 0);
    EXPECT_EQ(shape.Command(18).Y1, 18);
}

}  // namespace
}  // namespace parch
