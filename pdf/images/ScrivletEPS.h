#pragma once
// Encapsulated PostScript output of a rendered page: every drawing call becomes one line of
// PostScript, with the short operator names of the PDF content syntax defined once in a prolog.
// Images are written once per name, Flate-compressed and ASCII85-encoded; soft masks become a
// dithered one-bit mask at twice the image's resolution.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/core/ScrivletExtra.h"
#include "pdf/graphics/ScrivletEPSOperations.h"

namespace parch {

class TStream;

class TPDFEPSExport : public TPDFEPSOperations {
public:
    TPDFEPSExport();
    ~TPDFEPSExport() override;

    // The generic canvas: glyph outlines and shapes of the renderer land here as well.
    void NewPath() override;
    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override;
    // Written as the equivalent cubic from the current point.
    void QuadCurveTo(double x1, double y1, double x2, double y2) override;
    void ClosePath() override;
    void Stroke() override;
    void Fill() override;
    // Fills inside a saved state so the path survives for the stroke.
    void FillAndStroke() override;
    // Pictures reach this writer through PaintImage only.
    void DrawImage(const TPDFStreamableGraphic& graphic, double x1, double y1, double x2, double y2, double x3,
                   double y3) override {}

    // Bounding box: the lower-left corner floored, the upper-right one ceiled, and the exact
    // values in a high-resolution comment.
    void BeginDocument(double x1, double y1, double x2, double y2) override;
    void EndDocument() override;
    void SaveState() override;
    void RestoreState() override;
    void ConcatMatrix(double a, double b, double c, double d, double e, double f) override;
    void SetLineWidth(double width) override;
    void SetLineCap(int cap) override;
    void SetLineJoin(int join) override;
    void SetMiterLimit(double limit) override;
    void CurveToV(double x2, double y2, double x3, double y3) override;
    void CurveToY(double x1, double y1, double x3, double y3) override;
    void Fill(bool evenOdd) override;
    void Clip(bool evenOdd) override;
    void SetColor(const std::string& postScript) override;
    // An image without pixels, or whose data cannot be compressed, is left out.
    void PaintImage(const TPDFEPSImage& image, const std::string& name) override;
    using TPDFEPSOperations::PaintImage;

    // Every line followed by CR LF.
    void SaveToStream(TStream& stream) const;
    const TScrivletStringList& Lines() const { return lines_; }

private:
    enum class ImageKind { Plain, Masked, Stencil };
    struct Pixels;
    class Compressor;

    void WriteLine(std::string line);
    void WriteOperator(std::initializer_list<double> numbers, std::string_view op);
    void WriteDataStream(std::string encoded, const std::string& streamName);
    void WriteImageDictionary(const std::string& dictionaryName, const std::string& streamName, int width, int height,
                              int bitsPerComponent, std::string_view decode);
    // False when the image has nothing to write.
    bool DefineImage(const TPDFEPSImage& image, const std::string& name, ImageKind& kind);
    void DrawDefinedImage(const std::string& name, ImageKind kind);
    std::string ImageNameFor(const std::string& name);
    // Image data compressed and ASCII85-encoded; empty when there is none or compression fails.
    std::string Encode(std::string_view data);

    TScrivletStringList lines_;
    std::map<std::string, ImageKind> imageNames_;
    std::vector<std::string> customColors_;
    std::vector<std::string> colorStack_;
    // Empty until the first colour is written, so that any first colour is written.
    std::string lastColor_;
    double currentX_ = 0;
    double currentY_ = 0;
    int anonymousImages_ = 0;
    std::unique_ptr<Compressor> compressor_;
    std::string compressed_;  // kept from image to image
};

}  // namespace parch
