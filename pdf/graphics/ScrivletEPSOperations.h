#pragma once
// What the page renderer asks of an Encapsulated PostScript page writer: user-space path,
// state and colour operations on top of the generic canvas. The writer itself lives with the
// page encoders; the renderer only codes against these operations.

#include <string>
#include <string_view>

#include "pdf/graphics/ScrivletGenericCanvas.h"

namespace parch {

class TBitmap;

// One image as the page hands it to the writer. The pixels come from `Bitmap` when it holds
// any (1, 4, 8, 24 or 32 bits per pixel), else from `Encoded`, the image as a PNG or BMP file.
// `Mask` gives opacity, white opaque and black transparent. A stencil has no colours of its
// own: its light pixels paint in the current colour and its dark ones leave the page alone.
struct TPDFEPSImage {
    TBitmap* Bitmap = nullptr;
    std::string_view Encoded;
    TBitmap* Mask = nullptr;
    bool Stencil = false;
};

class TPDFEPSOperations : public TPDFGenericCanvas {
public:
    // Header with the bounding box (rounded) and the prolog.
    virtual void BeginDocument(double x1, double y1, double x2, double y2) = 0;
    // Custom-colour comments and the end-of-file line.
    virtual void EndDocument() = 0;
    // "q" and "Q"; the last colour written travels with them.
    virtual void SaveState() = 0;
    virtual void RestoreState() = 0;
    virtual void ConcatMatrix(double a, double b, double c, double d, double e, double f) = 0;
    virtual void SetLineWidth(double width) = 0;
    virtual void SetLineCap(int cap) = 0;
    virtual void SetLineJoin(int join) = 0;
    virtual void SetMiterLimit(double limit) = 0;
    // A curve whose first control point is the current point.
    virtual void CurveToV(double x2, double y2, double x3, double y3) = 0;
    // A curve whose second control point is its end point.
    virtual void CurveToY(double x1, double y1, double x3, double y3) = 0;
    virtual void Fill(bool evenOdd) = 0;
    virtual void Clip(bool evenOdd) = 0;
    // Written only when it differs from the colour written last.
    virtual void SetColor(const std::string& postScript) = 0;
    // Defines the image once per name and draws it on the unit square. Every image with an
    // empty name is defined afresh (inline images, which have no identity to share).
    virtual void PaintImage(const TPDFEPSImage& image, const std::string& name) = 0;
    void PaintImage(TBitmap* bitmap, TBitmap* mask, const std::string& name) {
        PaintImage(TPDFEPSImage{bitmap, {}, mask, false}, name);
    }

    using TPDFGenericCanvas::Fill;
};

}  // namespace parch
