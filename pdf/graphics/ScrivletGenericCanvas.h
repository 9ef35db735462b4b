#pragma once
// The abstract path surface the renderer draws on, and recorded glyph outlines (shapes) that
// replay onto any such surface through a matrix.

#include <cstdint>
#include <vector>

#include "pdf/graphics/ScrivletMatrix.h"

namespace parch {

class TStream;

// Something drawable that can write itself into a stream as an image file (BMP or PNG).
class TPDFStreamableGraphic {
public:
    virtual ~TPDFStreamableGraphic() = default;
    virtual void SaveToStream(TStream& stream) const = 0;
};

// Coordinates are device coordinates of the implementation; the caller has applied every
// transformation. Implementations keep the current point themselves.
class TPDFGenericCanvas {
public:
    virtual ~TPDFGenericCanvas() = default;

    virtual void NewPath() = 0;
    virtual void MoveTo(double x, double y) = 0;
    virtual void LineTo(double x, double y) = 0;
    virtual void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) = 0;
    virtual void QuadCurveTo(double x1, double y1, double x2, double y2) = 0;
    virtual void ClosePath() = 0;
    virtual void Stroke() = 0;
    virtual void Fill() = 0;
    virtual void FillAndStroke() = 0;
    // Upper-left corner on (x1, y1), upper-right on (x2, y2), lower-left on (x3, y3).
    virtual void DrawImage(const TPDFStreamableGraphic& graphic, double x1, double y1, double x2,
                           double y2, double x3, double y3) = 0;
};

// Command codes equal the canvas operation that replays them.
enum class TPDFShapeCommandKind : std::uint8_t { MoveTo = 1, LineTo = 2, CurveTo = 3, QuadCurveTo = 4, ClosePath = 5 };

struct TPDFShapeCommand {
    std::uint8_t Kind = 0;
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, X3 = 0, Y3 = 0;
};

// A glyph outline in the glyph units of the rasterizer that recorded it.
class TPDFGenericShape {
public:
    TPDFGenericShape();

    void AddMoveTo(double x, double y);
    void AddLineTo(double x, double y);
    void AddCurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    void AddQuadCurveTo(double x1, double y1, double x2, double y2);
    void AddClosePath();

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(commands_.size()); }
    const TPDFShapeCommand& Command(int index) const { return commands_[static_cast<std::size_t>(index)]; }

private:
    void Append(const TPDFShapeCommand& command);

    std::vector<TPDFShapeCommand> commands_;
    int count_ = 0;
};

// Replays the shape's commands through the matrix; opens no path and paints nothing.
void PaintShape(TPDFGenericCanvas& canvas, const TPDFGenericShape& shape, TPDFMatrix matrix);

}  // namespace parch
