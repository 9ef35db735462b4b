#include "pdf/graphics/ScrivletGenericCanvas.h"

namespace parch {

namespace {
constexpr int kShapeGrowth = 20;
}

TPDFGenericShape::TPDFGenericShape() : commands_(kShapeGrowth) {}

void TPDFGenericShape::Append(const TPDFShapeCommand& command) {
    commands_[static_cast<std::size_t>(count_)] = command;
    ++count_;
    // Always one free entry after the last command.
    if (count_ == Capacity()) commands_.resize(commands_.size() + kShapeGrowth);
}

void TPDFGenericShape::AddMoveTo(double x, double y) {
    Append({static_cast<std::uint8_t>(TPDFShapeCommandKind::MoveTo), x, y});
}

void TPDFGenericShape::AddLineTo(double x, double y) {
    Append({static_cast<std::uint8_t>(TPDFShapeCommandKind::LineTo), x, y});
}

void TPDFGenericShape::AddCurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    Append({static_cast<std::uint8_t>(TPDFShapeCommandKind::CurveTo), x1, y1, x2, y2, x3, y3});
}

void TPDFGenericShape::AddQuadCurveTo(double x1, double y1, double x2, double y2) {
    Append({static_cast<std::uint8_t>(TPDFShapeCommandKind::QuadCurveTo), x1, y1, x2, y2});
}

void TPDFGenericShape::AddClosePath() { Append({static_cast<std::uint8_t>(TPDFShapeCommandKind::ClosePath)}); }

void PaintShape(TPDFGenericCanvas& canvas, const TPDFGenericShape& shape, TPDFMatrix matrix) {
    for (int i = 0; i < shape.Count(); ++i) {
        const TPDFShapeCommand& command = shape.Command(i);
        const TPDFPoint p1 = MatrixTransformPoint(matrix, {command.X1, command.Y1});
        const TPDFPoint p2 = MatrixTransformPoint(matrix, {command.X2, command.Y2});
        const TPDFPoint p3 = MatrixTransformPoint(matrix, {command.X3, command.Y3});
        switch (static_cast<TPDFShapeCommandKind>(command.Kind)) {
            case TPDFShapeCommandKind::MoveTo: canvas.MoveTo(p1.X, p1.Y); break;
            case TPDFShapeCommandKind::LineTo: canvas.LineTo(p1.X, p1.Y); break;
            case TPDFShapeCommandKind::CurveTo: canvas.CurveTo(p1.X, p1.Y, p2.X, p2.Y, p3.X, p3.Y); break;
            case TPDFShapeCommandKind::QuadCurveTo: canvas.QuadCurveTo(p1.X, p1.Y, p2.X, p2.Y); break;
            case TPDFShapeCommandKind::ClosePath: canvas.ClosePath(); break;
            default: break;
        }
    }
}

}  // namespace parch
