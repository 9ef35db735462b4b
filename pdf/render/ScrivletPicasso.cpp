#include "pdf/render/ScrivletPicasso.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/NumberText.h"
#include "base/Streams.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "pdf/core/ScrivletExtra.h"
#include "pdf/core/ScrivletUnicode.h"
#include "pdf/render/ScrivletGDIPlus.h"
#include "platform/gdi/AntiAliasedGraphics.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Paths.h"
#include "platform/os/Files.h"

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
    // 1-based index into SavedClips; 0 when no captured clip is in force.
    std::int32_t CurrentClip = 0;
    bool UseGivenDC = false;
    std::int32_t GivenDCWidth = 0;
    std::int32_t GivenDCHeight = 0;
    HDC GivenDC = nullptr;
    // The anti-aliased back end and the cairo back end draw through it.
    std::unique_ptr<AntiAliasedGraphics> Graphics;
    // The plain GDI back end draws images through an image service of their own on its DC.
    std::unique_ptr<AntiAliasedGraphics> ImageGraphics;
    std::unique_ptr<AaPath> Path;
    std::vector<AaClip> SavedClips;
    TStream* HTMLStream = nullptr;
    std::unique_ptr<TCairoDLL> Cairo;

    void CloseLoneSegment();
    AaPen StrokePen() const;
    // The path painted or ended last becomes part of the clip when a clip was requested.
    void ApplyPendingClip();
};

namespace {

const char* const kPicassoLineEnd = "\r\n";

// Encoded images larger than this are not read into memory.
constexpr std::int64_t kPicassoMaxImageStreamBytes = std::int64_t{1} << 29;

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
    return static_cast<int>(std::nearbyint(std::clamp(value, -kLimit, kLimit)));
}

POINT PicassoPoint(double x, double y) { return POINT{PicassoRound(x), PicassoRound(y)}; }

// Alpha 0..1 (NaN counts as 0) in the top byte, the colour's red, green and blue below it.
std::uint32_t PicassoArgb(TColor color, double alpha) {
    const double a = std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0);
    const auto c = static_cast<std::uint32_t>(color);
    const auto alphaByte = static_cast<std::uint32_t>(std::nearbyint(a * 255));
    return (alphaByte << 24) | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

AaLineJoin PicassoJoin(std::int32_t join) {
    switch (join) {
        case 1: return AaLineJoin::Round;
        case 2: return AaLineJoin::Bevel;
        default: return AaLineJoin::Miter;
    }
}

AaLineCap PicassoCap(std::int32_t cap) {
    switch (cap) {
        case 1: return AaLineCap::Round;
        case 2: return AaLineCap::Square;
        default: return AaLineCap::Flat;
    }
}

// The whole stream from its start, or empty when it is too large to hold.
std::vector<BYTE> PicassoStreamBytes(TStream& stream) {
    const std::int64_t size = stream.GetSize();
    if (size <= 0 || size > kPicassoMaxImageStreamBytes) return {};
    std::vector<BYTE> bytes(static_cast<std::size_t>(size));
    stream.SetPosition(0);
    bytes.resize(static_cast<std::size_t>(stream.Read(bytes.data(), size)));
    return bytes;
}

std::unique_ptr<AaImage> PicassoDecodeImage(TStream& stream) {
    const std::vector<BYTE> bytes = PicassoStreamBytes(stream);
    std::string error;
    return AaImage::Decode(bytes.data(), bytes.size(), error);
}

AaPath PicassoRectanglePath(double left, double top, double right, double bottom) {
    AaPath path;
    path.AddLine({left, top}, {right, top});
    path.AddLine({right, top}, {right, bottom});
    path.AddLine({right, bottom}, {left, bottom});
    path.CloseFigure();
    return path;
}

}  // namespace

TPDFPicasso::TPDFPicasso() : state_(std::make_unique<State>()) {}

TPDFPicasso::~TPDFPicasso() = default;

// --- Attaching -------------------------------------------------------------------------------

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

namespace {

// Binds the service by the settings' library name, trying the program's folder when the name
// is not found; true when the binding is complete.
bool PicassoBindGDIPlus(const std::u16string& libraryName) {
    const std::u16string name = libraryName.empty() ? std::u16string(kGDIPlusDefaultLibrary) : libraryName;
    if (GDIPlusState() == kGDIPlusNotLoaded) LoadGDIPlus(name);
    if (GDIPlusState() == kGDIPlusNotFound) {
        LoadGDIPlus(Utf8ToWide(ProgramFolder()) + std::u16string(kGDIPlusDefaultLibrary));
    }
    return GDIPlusState() == kGDIPlusComplete;
}

}  // namespace

void TPDFPicasso::AttachCanvasGDIPlus(TCanvas* canvas, const TGDIPlusSettings& settings) {
    state_->GDIPlusSettings = settings;
    state_->Canvas = canvas;
    backEnd_ = TPicassoBackEnd::GDIPlus;
    if (PicassoBindGDIPlus(settings.LibraryName)) {
        HDC dc = state_->UseGivenDC ? state_->GivenDC : (canvas ? canvas->Handle() : nullptr);
        state_->Graphics = AntiAliasedGraphics::FromDC(dc);
    }
    if (!state_->Graphics) {
        backEnd_ = TPicassoBackEnd::GDI;
        return;
    }
    EndImageQuality();
    state_->Path.reset();
}

void TPDFPicasso::AttachCairo(HDC dc, const std::u16string& libraryPath, bool fillWhite) {
    auto cairo = std::make_unique<TCairoDLL>();
    if (!cairo->Load(libraryPath)) return;
    std::unique_ptr<AntiAliasedGraphics> graphics = AntiAliasedGraphics::FromDC(dc);
    if (!graphics) return;
    state_->Cairo = std::move(cairo);
    state_->Graphics = std::move(graphics);
    backEnd_ = TPicassoBackEnd::Cairo;
    if (fillWhite) {
        state_->Graphics->FillPath(PicassoRectanglePath(-kAaCoordinateLimit, -kAaCoordinateLimit, kAaCoordinateLimit,
                                                        kAaCoordinateLimit),
                                   0xFFFFFFFF);
    }
}

void TPDFPicasso::BeginHTML(TStream* stream) {
    if (!stream) return;  // nowhere to write: no back end
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

// --- Paths -----------------------------------------------------------------------------------

void TPDFPicasso::NewPath() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI:
            if (state_->Canvas) BeginPath(state_->Canvas->Handle());
            break;
        case TPicassoBackEnd::GDIPlus:
            state_->Path = std::make_unique<AaPath>(state_->FillRule == 1 ? AaFillMode::Winding : AaFillMode::Alternate);
            break;
        case TPicassoBackEnd::HTML: state_->HTMLStream->WriteString("ctx.beginPath();"); break;
        case TPicassoBackEnd::Cairo: state_->Path = std::make_unique<AaPath>(AaFillMode::Winding); break;
        case TPicassoBackEnd::None: break;
    }
}

void TPDFPicasso::MoveTo(double x, double y) {
    state_->CurrentX = x;
    state_->CurrentY = y;
    switch (backEnd_) {
        case TPicassoBackEnd::GDI:
            if (state_->Canvas) {
                const POINT p = PicassoPoint(x, y);
                MoveToEx(state_->Canvas->Handle(), p.x, p.y, nullptr);
            }
            break;
        case TPicassoBackEnd::GDIPlus:
        case TPicassoBackEnd::Cairo:
            if (state_->Path) state_->Path->StartFigure();
            break;
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.moveTo(" + PicassoNumber(x) + "," + PicassoNumber(y) + ");");
            break;
        case TPicassoBackEnd::None: break;
    }
}

void TPDFPicasso::LineTo(double x, double y) {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI:
            if (state_->Canvas) {
                const POINT p = PicassoPoint(x, y);
                parch::LineTo(state_->Canvas->Handle(), p.x, p.y);
            }
            break;
        case TPicassoBackEnd::GDIPlus:
        case TPicassoBackEnd::Cairo:
            if (state_->Path) state_->Path->AddLine({state_->CurrentX, state_->CurrentY}, {x, y});
            break;
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.lineTo(" + PicassoNumber(x) + "," + PicassoNumber(y) + ");");
            break;
        case TPicassoBackEnd::None: break;
    }
    state_->CurrentX = x;
    state_->CurrentY = y;
}

void TPDFPicasso::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI:
            if (state_->Canvas) {
                const POINT points[3] = {PicassoPoint(x1, y1), PicassoPoint(x2, y2), PicassoPoint(x3, y3)};
                PolyBezierTo(state_->Canvas->Handle(), points, 3);
            }
            break;
        case TPicassoBackEnd::GDIPlus:
        case TPicassoBackEnd::Cairo:
            if (state_->Path) state_->Path->AddBezier({state_->CurrentX, state_->CurrentY}, {x1, y1}, {x2, y2}, {x3, y3});
            break;
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.bezierCurveTo(" + PicassoNumber(x1) + "," + PicassoNumber(y1) + "," +
                                            PicassoNumber(x2) + "," + PicassoNumber(y2) + "," + PicassoNumber(x3) +
                                            "," + PicassoNumber(y3) + ");");
            break;
        case TPicassoBackEnd::None: break;
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
    // The cubic of the same curve: its control points lie two thirds of the way from either
    // end towards the quadratic's control point.
    const double x0 = state_->CurrentX;
    const double y0 = state_->CurrentY;
    CurveTo(x0 + (x1 - x0) * 2.0 / 3.0, y0 + (y1 - y0) * 2.0 / 3.0, x1 + (x2 - x1) / 3.0, y1 + (y2 - y1) / 3.0, x2,
            y2);
}

void TPDFPicasso::ClosePath() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI:
            if (state_->Canvas) CloseFigure(state_->Canvas->Handle());
            break;
        case TPicassoBackEnd::GDIPlus:
        case TPicassoBackEnd::Cairo:
            if (state_->Path) state_->Path->CloseFigure();
            break;
        case TPicassoBackEnd::HTML: state_->HTMLStream->WriteString("ctx.closePath();"); break;
        case TPicassoBackEnd::None: break;
    }
}

// --- Painting --------------------------------------------------------------------------------

namespace {

enum class PicassoPaint { Stroke, Fill, FillAndStroke };

// GDI draws with the canvas's pen and brush: set them up for the paint, then end the path and
// paint it.
void PicassoPaintGdi(TCanvas* canvas, PicassoPaint paint, TColor fillColor, TColor strokeColor, double lineWidth) {
    if (!canvas) return;
    if (paint != PicassoPaint::Stroke) canvas->Brush().SetColor(fillColor);
    if (paint != PicassoPaint::Fill) {
        canvas->Pen().SetColor(strokeColor);
        canvas->Pen().SetWidth(PicassoRound(lineWidth));
    }
    canvas->Brush().SetStyle(paint == PicassoPaint::Stroke ? bsClear : bsSolid);
    canvas->Pen().SetStyle(paint == PicassoPaint::Fill ? psClear : psSolid);
    HDC dc = canvas->Handle();
    EndPath(dc);
    switch (paint) {
        case PicassoPaint::Stroke: StrokePath(dc); break;
        case PicassoPaint::Fill: FillPath(dc); break;
        case PicassoPaint::FillAndStroke: StrokeAndFillPath(dc); break;
    }
}

}  // namespace

// A figure of one line segment gets a zero-length line as well, so that a lone segment is
// drawn the same way whatever the figure's length.
void TPDFPicasso::State::CloseLoneSegment() {
    if (Path && Path->PointCount() == 2) Path->AddLine({CurrentX, CurrentY}, {CurrentX, CurrentY});
}

AaPen TPDFPicasso::State::StrokePen() const {
    AaPen pen;
    pen.argb = PicassoArgb(StrokeColor, StrokeAlpha);
    pen.width = LineWidth;
    pen.dashes.assign(DashArray.begin(), DashArray.end());
    pen.dashOffset = DashPhase;
    pen.join = PicassoJoin(LineJoin);
    pen.cap = PicassoCap(LineCap);
    pen.miterLimit = MiterLimit;
    return pen;
}

void TPDFPicasso::State::ApplyPendingClip() {
    if (!ClipPending || !Path) return;
    Graphics->IntersectClip(*Path);
    CurrentClip = 0;
    ClipPending = false;
}

void TPDFPicasso::PaintGDIPlus(bool fill, bool stroke) {
    State& s = *state_;
    if (!s.Path) return;
    s.CloseLoneSegment();
    if (fill) s.Graphics->FillPath(*s.Path, PicassoArgb(s.FillColor, s.FillAlpha));
    if (stroke) s.Graphics->DrawPath(*s.Path, s.StrokePen());
    s.ApplyPendingClip();
    s.Path.reset();
}

// cairo is given only the colour, the alpha and the line width; everything else keeps cairo's
// defaults (non-zero winding, butt caps, mitre joins, no dashes).
void TPDFPicasso::PaintCairo(bool fill, bool stroke) {
    State& s = *state_;
    if (!s.Path) return;
    if (fill) s.Graphics->FillPath(*s.Path, PicassoArgb(s.FillColor, s.FillAlpha));
    if (stroke) {
        AaPen pen;
        pen.argb = PicassoArgb(s.StrokeColor, s.StrokeAlpha);
        pen.width = s.LineWidth;
        s.Graphics->DrawPath(*s.Path, pen);
    }
    s.Path.reset();
}

void TPDFPicasso::Stroke() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI:
            PicassoPaintGdi(state_->Canvas, PicassoPaint::Stroke, state_->FillColor, state_->StrokeColor,
                            state_->LineWidth);
            break;
        case TPicassoBackEnd::GDIPlus: PaintGDIPlus(false, true); break;
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.strokeStyle = \"" + PicassoHtmlColor(state_->StrokeColor) +
                                            "\";ctx.stroke();");
            break;
        case TPicassoBackEnd::Cairo: PaintCairo(false, true); break;
        case TPicassoBackEnd::None: break;
    }
}

void TPDFPicasso::Fill() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI:
            PicassoPaintGdi(state_->Canvas, PicassoPaint::Fill, state_->FillColor, state_->StrokeColor,
                            state_->LineWidth);
            break;
        case TPicassoBackEnd::GDIPlus: PaintGDIPlus(true, false); break;
        case TPicassoBackEnd::HTML:
            state_->HTMLStream->WriteString("ctx.fillStyle = \"" + PicassoHtmlColor(state_->FillColor) +
                                            "\";ctx.fill();");
            break;
        case TPicassoBackEnd::Cairo: PaintCairo(true, false); break;
        case TPicassoBackEnd::None: break;
    }
}

void TPDFPicasso::FillAndStroke() {
    switch (backEnd_) {
        case TPicassoBackEnd::GDI:
            PicassoPaintGdi(state_->Canvas, PicassoPaint::FillAndStroke, state_->FillColor, state_->StrokeColor,
                            state_->LineWidth);
            break;
        case TPicassoBackEnd::GDIPlus: PaintGDIPlus(true, true); break;
        // The script fills only.
        case TPicassoBackEnd::HTML: Fill(); break;
        case TPicassoBackEnd::Cairo: PaintCairo(true, true); break;
        case TPicassoBackEnd::None: break;
    }
}

// --- Styling ---------------------------------------------------------------------------------

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

void TPDFPicasso::SetFillRule(std::uint8_t rule) {
    state_->FillRule = rule;
    if (backEnd_ != TPicassoBackEnd::GDIPlus || !state_->Path) return;
    if (rule == 1) state_->Path->SetFillMode(AaFillMode::Winding);
    if (rule == 2) state_->Path->SetFillMode(AaFillMode::Alternate);
}

// --- Clipping --------------------------------------------------------------------------------

void TPDFPicasso::RequestClip(std::uint8_t rule) {
    SetFillRule(rule);
    state_->ClipPending = true;
    state_->ClipChanged = true;
}

void TPDFPicasso::EndPath() {
    if (backEnd_ == TPicassoBackEnd::GDIPlus && state_->Path) {
        state_->CloseLoneSegment();
        state_->ApplyPendingClip();
    }
    state_->Path.reset();
}

std::int32_t TPDFPicasso::SaveState() {
    State& s = *state_;
    if (backEnd_ != TPicassoBackEnd::GDIPlus) return 0;
    if (!s.ClipChanged) return s.CurrentClip;
    s.ClipChanged = false;
    s.SavedClips.push_back(s.Graphics->Clip());
    s.CurrentClip = static_cast<std::int32_t>(s.SavedClips.size());
    return s.CurrentClip;
}

void TPDFPicasso::RestoreState(std::int32_t token) {
    State& s = *state_;
    if (backEnd_ != TPicassoBackEnd::GDIPlus || token == s.CurrentClip) return;
    // Only tokens that SaveState handed out name a clip.
    if (token < 1 || token > static_cast<std::int32_t>(s.SavedClips.size())) return;
    s.CurrentClip = token;
    s.Graphics->SetClip(s.SavedClips[static_cast<std::size_t>(token - 1)]);
}

// --- Images ----------------------------------------------------------------------------------

bool TPDFPicasso::CanDrawImages() const {
    return backEnd_ == TPicassoBackEnd::GDIPlus || backEnd_ == TPicassoBackEnd::Cairo ||
           (backEnd_ == TPicassoBackEnd::GDI && (state_->Canvas || state_->UseGivenDC));
}

// The service images are drawn through: the back end's own, or for plain GDI one made on the
// canvas's context when first needed (each drawing reads and writes the bitmap's pixels, so
// GDI drawing in between stays).
AntiAliasedGraphics* TPDFPicasso::ImageService() {
    State& s = *state_;
    if (backEnd_ == TPicassoBackEnd::GDIPlus || backEnd_ == TPicassoBackEnd::Cairo) return s.Graphics.get();
    if (backEnd_ != TPicassoBackEnd::GDI) return nullptr;
    if (!s.ImageGraphics) {
        HDC dc = s.UseGivenDC ? s.GivenDC : s.Canvas ? s.Canvas->Handle() : nullptr;
        if (!dc) return nullptr;
        s.ImageGraphics = AntiAliasedGraphics::FromDC(dc);
        if (!s.ImageGraphics) return nullptr;
        s.ImageGraphics->SetSmoothingMode(AaSmoothingMode::None);
        s.ImageGraphics->SetInterpolationMode(AaInterpolationMode::NearestNeighbor);
        s.ImageGraphics->SetPixelOffsetMode(AaPixelOffsetMode::Half);
    }
    return s.ImageGraphics.get();
}

void TPDFPicasso::BeginImageQuality() {
    if (backEnd_ != TPicassoBackEnd::GDIPlus || state_->GDIPlusSettings.KeepImageQuality) return;
    AntiAliasedGraphics& g = *state_->Graphics;
    g.SetSmoothingMode(AaSmoothingMode::None);
    g.SetInterpolationMode(AaInterpolationMode::NearestNeighbor);
    g.SetPixelOffsetMode(AaPixelOffsetMode::Half);
}

void TPDFPicasso::EndImageQuality() {
    if (backEnd_ != TPicassoBackEnd::GDIPlus) return;
    AntiAliasedGraphics& g = *state_->Graphics;
    const bool antiAlias = state_->GDIPlusSettings.AntiAlias != 0;
    g.SetSmoothingMode(antiAlias ? AaSmoothingMode::AntiAlias : AaSmoothingMode::None);
    g.SetInterpolationMode(antiAlias ? AaInterpolationMode::Bicubic : AaInterpolationMode::NearestNeighbor);
    g.SetPixelOffsetMode(AaPixelOffsetMode::Half);
}

void TPDFPicasso::DrawBitmap(TBitmap& bitmap, double x, double y, double w, double h) {
    if (backEnd_ == TPicassoBackEnd::GDI) {
        if (!state_->Canvas) return;
        const RECT target{PicassoRound(x), PicassoRound(y), PicassoRound(x + w), PicassoRound(y + h)};
        state_->Canvas->CopyRect(target, bitmap.Canvas(), RECT{0, 0, bitmap.Width(), bitmap.Height()});
        return;
    }
    if (backEnd_ != TPicassoBackEnd::GDIPlus) return;
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    if (std::unique_ptr<AaImage> image = PicassoDecodeImage(stream)) {
        state_->Graphics->DrawImage(*image, {x, y}, {x + w, y}, {x, y + h});
    }
}

// Colour profiles of the image are not applied: the service draws the stored colours.
void TPDFPicasso::DrawImageStream(TStream& stream, bool, double x, double y, double w, double h) {
    if (backEnd_ != TPicassoBackEnd::GDIPlus) return;
    if (std::unique_ptr<AaImage> image = PicassoDecodeImage(stream)) {
        state_->Graphics->DrawImage(*image, {x, y}, {x + w, y}, {x, y + h});
    }
}

void TPDFPicasso::DrawImageStreamPoints(TMemoryStream& stream, double x1, double y1, double x2, double y2, double x3,
                                        double y3) {
    AntiAliasedGraphics* service = ImageService();
    if (!service) return;
    std::unique_ptr<AaImage> image = PicassoDecodeImage(stream);
    if (!image) return;
    BeginImageQuality();
    service->DrawImage(*image, {x1, y1}, {x2, y2}, {x3, y3});
    EndImageQuality();
}

void TPDFPicasso::DrawImageStreamColorKey(TMemoryStream& stream, std::int32_t sourceWidth, double x1, double y1,
                                          double x2, double y2, double x3, double y3, std::int32_t sourceHeight,
                                          std::uint32_t keyLow, std::uint32_t keyHigh) {
    AntiAliasedGraphics* service = ImageService();
    if (!service) return;
    std::unique_ptr<AaImage> image = PicassoDecodeImage(stream);
    if (!image) return;
    AaImageDrawing drawing;
    drawing.sourceWidth = sourceWidth;
    drawing.sourceHeight = sourceHeight;
    drawing.useColorKey = true;
    drawing.keyLow = keyLow;
    drawing.keyHigh = keyHigh;
    BeginImageQuality();
    service->DrawImage(*image, {x1, y1}, {x2, y2}, {x3, y3}, drawing);
    EndImageQuality();
}

void TPDFPicasso::DrawImage(const TPDFStreamableGraphic& graphic, double x1, double y1, double x2, double y2,
                            double x3, double y3) {
    if (!CanDrawImages()) return;
    TMemoryStream stream;
    graphic.SaveToStream(stream);
    DrawImageStreamPoints(stream, x1, y1, x2, y2, x3, y3);
}

bool TPDFPicasso::ConvertImageStream(TStream& source, TStream& target, const std::string& mimeType) {
    AaImageFormat format{};
    if (!FindImageEncoderClsid(Utf8ToWide(mimeType), format)) return false;
    const std::vector<BYTE> bytes = PicassoStreamBytes(source);
    std::vector<BYTE> converted;
    if (!ConvertAaImage(bytes.data(), bytes.size(), format, converted)) return false;
    target.WriteBuffer(converted.data(), static_cast<std::int64_t>(converted.size()));
    return true;
}

}  // namespace parch
