#include "pdf/render/ScrivletPicasso.h"

#include <cmath>
#include <string>

#include "base/NumberText.h"
#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/render/ScrivletGDIPlus.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Paths.h"

namespace parch {

struct TPDFPicasso::State {
    double CurrentX = 0;
    double CurrentY = 0;
    TGDIPlusSettings GDIPlusSettings;
    TColor FillColor = 0;
    TColor StrokeColor = 0;
    double LineWidth = 0;
    std::int32_t LineCap = 0;
    std::int32_t LineJoin = 0;
    double MiterLimit = 0;
    TGPDashArray DashArray;
    double DashPhase = 0;
    TCanvas* Canvas = nullptr;
    double StrokeAlpha = 1.0;
    double FillAlpha = 1.0;
    std::uint8_t FillRule = 0;
    bool ClipPending = false;
    bool ClipChanged = true;
    std::int32_t CurrentClip = 0;
    bool UseGivenDC = false;
    std::int32_t GivenDCWidth = 0;
    std::int32_t GivenDCHeight = 0;
    HDC GivenDC = nullptr;
    TStream* HTMLStream = nullptr;
};

namespace {

const char* const kPicassoLineEnd = "\r\n";

std::string PicassoNumber(double value) { return FloatToPDFStr(3, value); }

// "#RRGGBB" of a 0x00BBGGRR colour.
std::string PicassoHtmlColor(TColor color) {
    const auto c = static_cast<std::uint32_t>(color);
    return "#" + IntToHexA(c & 0xFF, 2) + IntToHexA((c >> 8) & 0xFF, 2) + IntToHexA((c >> 16) & 0xFF, 2);
}

// Rounding to the nearest integer with halves to even, as the device calls expect; values
// beyond the integer range are held at its ends.
int PicassoRound(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLimit = 1 << 30;
    if (value > kLimit) return 1 << 30;
    if (value < -kLimit) return -(1 << 30);
    return static_cast<int>(std::nearbyint(value));
}

POINT PicassoPoint(double x, double y) { return POINT{PicassoRound(x), PicassoRound(y)}; }

}  // namespace

TPDFPicasso::TPDFPicasso() : state_(std::make_unique<State>()) {}

TPDFPicasso::~TPDFPicasso() = default;

void TPDFPicasso::AttachCanvas(TCanvas* canvas) {
    state_->Canvas = canvas;
    backEnd_ = TPicassoBackEnd::GDI;
}

void TPDFPicasso::AttachDC(std::int32_t width, std::int32_t height, HDC dc) {
    state_->UseGivenDC = true;
    state_->GivenDCWidth = width;
    state_->GivenDCHeight = height;
    state_->GivenDC = dc;
}

void TPDFPicasso::AttachCanvasGDIPlus(TCanvas* canvas, const TGDIPlusSettings& settings) {
    state_->GDIPlusSettings = settings;
    AttachCanvas(canvas);
}

void TPDFPicasso::AttachCairo(HDC, const std::u16string&, bool) {}

void TPDFPicasso::BeginHTML(TStream* stream) {
    state_->HTMLStream = stream;
    backEnd_ = TPicassoBackEnd::HTML;
    for (const char* piece : {"<!DOCTYPE html><html><head><script type=\"text/javascript\">",
                              "function ScrivletLibraryDraw() {",
                              "  var canvas = document.getElementById(\"SVLCanvas\");", "  if (canvas.getContext) {",
                              "    var ctx = canvas.getContext(\"2d\");"}) {
        stream->WriteString(piece);
        stream->WriteString(kPicassoLineEnd);
    }
}

void TPDFPicasso::EndHTML(std::int32_t width, std::int32_t height) {
    if (backEnd_ != TPicassoBackEnd::HTML) return;
    TStream& out = *state_->HTMLStream;
    out.WriteString(std::string("  }") + kPicassoLineEnd + "}" + kPicassoLineEnd + "</script>" + kPicassoLineEnd +
                    "</head><body onload=\"ScrivletLibraryDraw()\">" + kPicassoLineEnd +
                    "<canvas id=\"SVLCanvas\" width=\"" + std::to_string(width) + "\" " + "height=\"" +
                    std::to_string(height) + "\"></canvas>" + kPicassoLineEnd + "</body></html>");
}

void TPDFPicasso::NewPath() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI: BeginPath(state_->Canvas->Handle()); break;
        case TPicassoBackEnd::HTML: state_->HTMLStream->WriteString("ctx.beginPath();"); break;
        default: break;
    }
}

void TPDFPicasso::MoveTo(double x, double y) {
    state_->CurrentX = x;
    state_->CurrentY = y;
    switch (backEnd_) {
        case TPicassoBackEnd::GDI: {
            const POINT p = PicassoPoint(x, y);
            MoveToEx(state_->Canvas->Handle(), p.x, p.y, nullptr);
            break;
        }
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.moveTo(" + PicassoNumber(x) + "," + PicassoNumber(y) + ");");
            break;
        default: break;
    }
}

void TPDFPicasso::LineTo(double x, double y) {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI: {
            const POINT p = PicassoPoint(x, y);
            parch::LineTo(state_->Canvas->Handle(), p.x, p.y);
            break;
        }
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.lineTo(" + PicassoNumber(x) + "," + PicassoNumber(y) + ");");
            break;
        default: break;
    }
    state_->CurrentX = x;
    state_->CurrentY = y;
}

void TPDFPicasso::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI: {
            const POINT points[3] = {PicassoPoint(x1, y1), PicassoPoint(x2, y2), PicassoPoint(x3, y3)};
            PolyBezierTo(state_->Canvas->Handle(), points, 3);
            break;
        }
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.bezierCurveTo(" + PicassoNumber(x1) + "," + PicassoNumber(y1) + "," +
                                            PicassoNumber(x2) + "," + PicassoNumber(y2) + "," + PicassoNumber(x3) +
                                            "," + PicassoNumber(y3) + ");");
            break;
        default: break;
    }
    state_->CurrentX = x3;
    state_->CurrentY = y3;
}

void TPDFPicasso::QuadCurveTo(double x1, double y1, double x2, double y2) {
    if (backEnd_ == TPicassoBackEnd::HTML) {
        state_->HTMLStream->WriteString("ctx.quadraticCurveTo(" + PicassoNumber(x1) + "," + PicassoNumber(y1) + "," +
                                        PicassoNumber(x2) + "," + PicassoNumber(y2) + ");");
        state_->CurrentX = x2;
        state_->CurrentY = y2;
        return;
    }
    // The cubic with the same curve: both control points two thirds of the way to the
    // quadratic's control point.
    const double x0 = state_->CurrentX;
    const double y0 = state_->CurrentY;
    const double c1x = x0 + (x1 - x0) * 2.0 / 3.0;
    const double c1y = y0 + (y1 - y0) * 2.0 / 3.0;
    const double c2x = x1 + (x2 - x1) / 3.0;
    const double c2y = y1 + (y2 - y1) / 3.0;
    CurveTo(c1x, c1y, c2x, c2y, x2, y2);
}

void TPDFPicasso::ClosePath() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI: CloseFigure(state_->Canvas->Handle()); break;
        case TPicassoBackEnd::HTML: state_->HTMLStream->WriteString("ctx.closePath();"); break;
        default: break;
    }
}

void TPDFPicasso::Stroke() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI: {
            TCanvas& canvas = *state_->Canvas;
            canvas.Pen().SetColor(state_->StrokeColor);
            canvas.Pen().SetWidth(PicassoRound(state_->LineWidth));
            canvas.Brush().SetStyle(bsClear);
            canvas.Pen().SetStyle(psSolid);
            HDC dc = canvas.Handle();
            parch::EndPath(dc);
            StrokePath(dc);
            break;
        }
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.strokeStyle = \"" + PicassoHtmlColor(state_->StrokeColor) +
                                            "\";ctx.stroke();");
            break;
        default: break;
    }
}

void TPDFPicasso::Fill() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI: {
            TCanvas& canvas = *state_->Canvas;
            canvas.Brush().SetColor(state_->FillColor);
            canvas.Brush().SetStyle(bsSolid);
            canvas.Pen().SetStyle(psClear);
            HDC dc = canvas.Handle();
            parch::EndPath(dc);
            FillPath(dc);
            break;
        }
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.fillStyle = \"" + PicassoHtmlColor(state_->FillColor) +
                                            "\";ctx.fill();");
            break;
        default: break;
    }
}

void TPDFPicasso::FillAndStroke() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI: {
            TCanvas& canvas = *state_->Canvas;
            canvas.Brush().SetColor(state_->FillColor);
            canvas.Pen().SetColor(state_->StrokeColor);
            canvas.Pen().SetWidth(PicassoRound(state_->LineWidth));
            canvas.Brush().SetStyle(bsSolid);
            canvas.Pen().SetStyle(psSolid);
            HDC dc = canvas.Handle();
            parch::EndPath(dc);
            StrokeAndFillPath(dc);
            break;
        }
        case TPicassoBackEnd::HTML: Fill(); break;
        default: break;
    }
}

void TPDFPicasso::DrawImage(const TPDFStreamableGraphic&, double, double, double, double, double, double) {}

void TPDFPicasso::SetFillColor(TColor color) { state_->FillColor = color; }
void TPDFPicasso::SetStrokeColor(TColor color) { state_->StrokeColor = color; }
void TPDFPicasso::SetFillAlpha(double alpha) { state_->FillAlpha = alpha; }
void TPDFPicasso::SetStrokeAlpha(double alpha) { state_->StrokeAlpha = alpha; }
void TPDFPicasso::SetLineWidth(double width) { state_->LineWidth = width; }
void TPDFPicasso::SetLineCap(std::int32_t cap) { state_->LineCap = cap; }
void TPDFPicasso::SetLineJoin(std::int32_t join) { state_->LineJoin = join; }
void TPDFPicasso::SetMiterLimit(double limit) { state_->MiterLimit = limit; }

void TPDFPicasso::SetDash(const TGPDashArray& dashes, double phase) {
    state_->DashArray = dashes;
    state_->DashPhase = phase;
}

void TPDFPicasso::SetFillRule(std::uint8_t rule) { state_->FillRule = rule; }

void TPDFPicasso::RequestClip(std::uint8_t rule) {
    SetFillRule(rule);
    state_->ClipPending = true;
    state_->ClipChanged = true;
}

void TPDFPicasso::EndPath() {}

std::int32_t TPDFPicasso::SaveState() { return 0; }

void TPDFPicasso::RestoreState(std::int32_t) {}

bool TPDFPicasso::CanDrawImages() const { return false; }

void TPDFPicasso::DrawBitmap(TBitmap&, double, double, double, double) {}

void TPDFPicasso::DrawImageStream(TStream&, bool, double, double, double, double) {}

void TPDFPicasso::DrawImageStreamPoints(TMemoryStream&, double, double, double, double, double, double) {}

void TPDFPicasso::DrawImageStreamColorKey(TMemoryStream&, std::int32_t, double, double, double, double, double,
                                          double, std::int32_t, std::uint32_t, std::uint32_t) {}

bool TPDFPicasso::ConvertImageStream(TStream&, TStream&, const std::string&) { return false; }

void TPDFPicasso::BeginImageQuality() {}

void TPDFPicasso::EndImageQuality() {}

}  // namespace parch
