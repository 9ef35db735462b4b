#pragma once
// The drawing surface behind every page render that produces pixels or a script: the path
// operations of the generic canvas plus styling, clipping and images, drawn through one of
// four back ends (plain GDI paths, the anti-aliased service, an HTML5 canvas script, cairo).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "pdf/core/ScrivletGDIPlusSettings.h"
#include "pdf/graphics/ScrivletGenericCanvas.h"
#include "pdf/graphics/ScrivletImageSurface.h"
#include "platform/gdi/GdiTypes.h"

namespace parch {

class AntiAliasedGraphics;
class TBitmap;
class TCanvas;
class TMemoryStream;
class TStream;

// Dash lengths in multiples of the line width.
using TGPDashArray = std::vector<float>;

enum class TPicassoBackEnd : std::uint8_t { None = 0, GDI = 1, GDIPlus = 2, HTML = 3, Cairo = 4 };

class TPDFPicasso : public TPDFGenericCanvas, public TPDFImageSurface {
public:
    TPDFPicasso();
    ~TPDFPicasso() override;
    TPDFPicasso(const TPDFPicasso&) = delete;
    TPDFPicasso& operator=(const TPDFPicasso&) = delete;

    // Attaching: exactly one after construction.
    void AttachCanvas(TCanvas* canvas);
    void AttachDC(std::int32_t width, std::int32_t height, HDC dc);
    // The anti-aliased service on the canvas (or on the DC of AttachDC); plain GDI on the canvas
    // when the service cannot be used.
    void AttachCanvasGDIPlus(TCanvas* canvas, const TGDIPlusSettings& settings);
    // cairo over the bitmap selected into dc; the back end stays as it was when cairo cannot
    // be bound from libraryPath.
    void AttachCairo(HDC dc, const std::u16string& libraryPath, bool fillWhite);
    void BeginHTML(TStream* stream);
    void EndHTML(std::int32_t width, std::int32_t height);

    TPicassoBackEnd BackEnd() const { return backEnd_; }

    // The generic canvas.
    void NewPath() override;
    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) override;
    void QuadCurveTo(double x1, double y1, double x2, double y2) override;
    void ClosePath() override;
    void Stroke() override;
    void Fill() override;
    void FillAndStroke() override;
    void DrawImage(const TPDFStreamableGraphic& graphic, double x1, double y1, double x2, double y2, double x3,
                   double y3) override;

    // Styling, read at paint time.
    void SetFillColor(TColor color);
    void SetStrokeColor(TColor color);
    void SetFillAlpha(double alpha);
    void SetStrokeAlpha(double alpha);
    void SetLineWidth(double width);  // device pixels
    void SetLineCap(std::int32_t cap);
    void SetLineJoin(std::int32_t join);
    void SetMiterLimit(double limit);
    void SetDash(const TGPDashArray& dashes, double phase);
    // 0 text, 1 non-zero winding, 2 even-odd.
    void SetFillRule(std::uint8_t rule);

    // Clipping (the anti-aliased back end only).
    void RequestClip(std::uint8_t rule);
    void EndPath();
    std::int32_t SaveState();
    void RestoreState(std::int32_t token);

    // Images.
    bool CanDrawImages() const override;
    void DrawBitmap(TBitmap& bitmap, double x, double y, double w, double h);
    void DrawImageStream(TStream& stream, bool useICM, double x, double y, double w, double h);
    void DrawImageStreamPoints(TMemoryStream& stream, double x1, double y1, double x2, double y2, double x3,
                               double y3) override;
    void DrawImageStreamColorKey(TMemoryStream& stream, std::int32_t sourceWidth, double x1, double y1, double x2,
                                 double y2, double x3, double y3, std::int32_t sourceHeight, std::uint32_t keyLow,
                                 std::uint32_t keyHigh) override;
    // Converts an image stream into the format of mimeType ("image/bmp", "image/png");
    // false when the service is missing or the image cannot be read or written.
    bool ConvertImageStream(TStream& source, TStream& target, const std::string& mimeType);
    void BeginImageQuality();
    void EndImageQuality();

private:
    void PaintGDIPlus(bool fill, bool stroke);
    AntiAliasedGraphics* ImageService();
    void PaintCairo(bool fill, bool stroke);

    struct State;
    std::unique_ptr<State> state_;
    TPicassoBackEnd backEnd_ = TPicassoBackEnd::None;
};

}  // namespace parch
