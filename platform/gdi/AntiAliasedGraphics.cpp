#include "platform/gdi/AntiAliasedGraphics.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/AaMetafileRecording.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/BmpFile.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/EnhMetafile.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/PixelView.h"
#include "platform/gdi/PngFile.h"

namespace parch {

namespace {

double AaClampCoordinate(double v) {
    if (std::isnan(v)) return 0;
    return std::clamp(v, -kAaCoordinateLimit, kAaCoordinateLimit);
}

void AaSetSource(cairo_t* cr, std::uint32_t argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                          (argb >> 24) / 255.0);
}

cairo_fill_rule_t AaFillRule(AaFillMode mode) {
    return mode == AaFillMode::Winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
}

cairo_line_cap_t AaCairoCap(AaLineCap cap) {
    switch (cap) {
        case AaLineCap::Square: return CAIRO_LINE_CAP_SQUARE;
        case AaLineCap::Round: return CAIRO_LINE_CAP_ROUND;
        case AaLineCap::Flat: break;
    }
    return CAIRO_LINE_CAP_BUTT;
}

cairo_line_join_t AaCairoJoin(AaLineJoin join) {
    switch (join) {
        case AaLineJoin::Bevel: return CAIRO_LINE_JOIN_BEVEL;
        case AaLineJoin::Round: return CAIRO_LINE_JOIN_ROUND;
        case AaLineJoin::Miter: break;
    }
    return CAIRO_LINE_JOIN_MITER;
}

cairo_filter_t AaCairoFilter(AaInterpolationMode mode) {
    switch (mode) {
        case AaInterpolationMode::NearestNeighbor: return CAIRO_FILTER_NEAREST;
        case AaInterpolationMode::Bicubic: return CAIRO_FILTER_BEST;
        case AaInterpolationMode::Bilinear: break;
    }
    return CAIRO_FILTER_BILINEAR;
}

// A dash pattern shorter than a pixel per period would make cairo emit a segment per fraction
// of a pixel along the whole path; it reads as a solid line anyway.
constexpr double kAaMinimumDashPeriod = 1.0;

// The dash lengths in pixels, or empty for a solid line: a pattern with a negative, non-finite
// or all-zero entry would put cairo into an error state.
std::vector<double> AaDashLengths(const AaPen& pen, double width) {
    std::vector<double> lengths;
    double period = 0;
    for (double dash : pen.dashes) {
        const double length = dash * width;
        if (!std::isfinite(length) || length < 0) return {};
        lengths.push_back(length);
        period += length;
    }
    if (!std::isfinite(period) || period < kAaMinimumDashPeriod) return {};
    return lengths;
}

std::uint32_t AaPremultiply(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    if (a == 255) return argb;
    auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (scale((argb >> 16) & 0xFF) << 16) | (scale((argb >> 8) & 0xFF) << 8) | scale(argb & 0xFF);
}

std::uint32_t AaUnpremultiply(std::uint32_t pixel) {
    const std::uint32_t a = pixel >> 24;
    if (a == 255) return pixel;
    if (a == 0) return 0;
    auto scale = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
    return (a << 24) | (scale((pixel >> 16) & 0xFF) << 16) | (scale((pixel >> 8) & 0xFF) << 8) | scale(pixel & 0xFF);
}

std::uint32_t* AaSurfaceRow(cairo_surface_t* surface, int y) {
    return reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface) +
                                            static_cast<std::ptrdiff_t>(y) * cairo_image_surface_get_stride(surface));
}

// An ARGB32 surface holding straight ARGB pixels, premultiplied as cairo wants them.
cairo_surface_t* AaSurfaceOfPixels(int width, int height, const std::uint32_t* pixels) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = AaSurfaceRow(surface, y);
        for (int x = 0; x < width; ++x) row[x] = AaPremultiply(pixels[static_cast<std::size_t>(y) * width + x]);
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

bool AaDecodeBmpPixels(const BYTE* data, std::size_t size, DecodedPixels& out, std::string& error) {
    std::unique_ptr<GdiBitmap> bitmap = DecodeBmp(data, size, error);
    if (!bitmap) return false;
    const PixelView view = PixelView::Of(*bitmap);
    out.width = bitmap->Width();
    out.height = bitmap->Height();
    if (static_cast<std::int64_t>(out.width) * out.height > AaImage::kMaxPixels) {
        error = "picture too large";
        return false;
    }
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    // BMP pictures are opaque: their fourth byte is not reliably alpha.
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            out.pixels[static_cast<std::size_t>(y) * out.width + x] = view.ReadColor(x, y) | 0xFF000000u;
        }
    }
    return true;
}

cairo_status_t AaAppendToVector(void* closure, const unsigned char* data, unsigned int length) {
    auto* bytes = static_cast<std::vector<BYTE>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

std::vector<BYTE> AaEncodeBmp(const AaImage& image) {
    bool opaque = true;
    for (int y = 0; y < image.Height() && opaque; ++y) {
        for (int x = 0; x < image.Width() && opaque; ++x) opaque = (image.Pixel(x, y) >> 24) == 255;
    }
    std::unique_ptr<GdiBitmap> bitmap = GdiBitmap::Create(image.Width(), image.Height(), opaque ? 24 : 32, false, true);
    if (!bitmap) return {};
    const PixelView view = PixelView::Of(*bitmap);
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) view.WriteValue(x, y, view.ValueOfColor(image.Pixel(x, y)));
    }
    return EncodeBmp(*bitmap);
}

// The picture's pixels with the colour-key range made transparent.
cairo_surface_t* AaKeyedSurface(const AaImage& image, std::uint32_t low, std::uint32_t high) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.Width()) * image.Height());
    auto inRange = [low, high](std::uint32_t pixel, int shift) {
        const std::uint32_t c = (pixel >> shift) & 0xFF;
        return c >= ((low >> shift) & 0xFF) && c <= ((high >> shift) & 0xFF);
    };
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const std::uint32_t pixel = image.Pixel(x, y);
            const bool keyed = inRange(pixel, 16) && inRange(pixel, 8) && inRange(pixel, 0);
            pixels[static_cast<std::size_t>(y) * image.Width() + x] = keyed ? 0 : pixel;
        }
    }
    return AaSurfaceOfPixels(image.Width(), image.Height(), pixels.data());
}

}  // namespace

// --- Paths -----------------------------------------------------------------------------------

void AaPath::StartFigure() { figureOpen_ = false; }

void AaPath::Reach(AaPoint from) {
    if (!figureOpen_) {
        elements_.push_back({Op::Move, {from, {}, {}}});
        ++pointCount_;
        figureOpen_ = true;
    } else if (from.x != last_.x || from.y != last_.y) {
        elements_.push_back({Op::Line, {from, {}, {}}});
        ++pointCount_;
    }
    last_ = from;
}

void AaPath::AddLine(AaPoint from, AaPoint to) {
    Reach(from);
    elements_.push_back({Op::Line, {to, {}, {}}});
    ++pointCount_;
    last_ = to;
}

void AaPath::AddBezier(AaPoint start, AaPoint control1, AaPoint control2, AaPoint end) {
    Reach(start);
    elements_.push_back({Op::Curve, {control1, control2, end}});
    pointCount_ += 3;
    last_ = end;
}

void AaPath::CloseFigure() {
    if (!figureOpen_) return;
    elements_.push_back({Op::Close, {}});
    figureOpen_ = false;
}

// --- Images ----------------------------------------------------------------------------------

std::unique_ptr<AaImage> AaImage::Decode(const BYTE* data, std::size_t size, std::string& error) {
    DecodedPixels decoded;
    const bool ok = IsPngData(data, size) ? DecodePng(data, size, decoded, error)
                                          : AaDecodeBmpPixels(data, size, decoded, error);
    if (!ok) return nullptr;
    if (decoded.width < 1 || decoded.height < 1 || decoded.width > kMaxSide || decoded.height > kMaxSide ||
        static_cast<std::int64_t>(decoded.width) * decoded.height > kMaxPixels) {
        error = "picture size not supported";
        return nullptr;
    }
    cairo_surface_t* surface = AaSurfaceOfPixels(decoded.width, decoded.height, decoded.pixels.data());
    if (!surface) {
        error = "out of memory";
        return nullptr;
    }
    return std::unique_ptr<AaImage>(new AaImage(surface, decoded.width, decoded.height));
}

AaImage::~AaImage() { cairo_surface_destroy(surface_); }

std::uint32_t AaImage::Pixel(int x, int y) const { return AaUnpremultiply(AaSurfaceRow(surface_, y)[x]); }

bool AaImageFormatOfMimeType(std::string_view mimeType, AaImageFormat& format) {
    if (mimeType == "image/bmp") {
        format = AaImageFormat::Bmp;
        return true;
    }
    if (mimeType == "image/png") {
        format = AaImageFormat::Png;
        return true;
    }
    return false;
}

std::vector<BYTE> EncodeAaImage(const AaImage& image, AaImageFormat format) {
    if (format == AaImageFormat::Bmp) return AaEncodeBmp(image);
    std::vector<BYTE> bytes;
    if (cairo_surface_write_to_png_stream(image.Surface(), AaAppendToVector, &bytes) != CAIRO_STATUS_SUCCESS) {
        return {};
    }
    return bytes;
}

bool ConvertAaImage(const BYTE* data, std::size_t size, AaImageFormat format, std::vector<BYTE>& out) {
    std::string error;
    std::unique_ptr<AaImage> image = AaImage::Decode(data, size, error);
    if (!image) return false;
    out = EncodeAaImage(*image, format);
    return !out.empty();
}

// --- Graphics --------------------------------------------------------------------------------

std::unique_ptr<AntiAliasedGraphics> AntiAliasedGraphics::FromDC(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return nullptr;
    if (context->Recorder()) return ForRecording(dc, false, GetDeviceCaps(dc, LOGPIXELSX));
    GdiBitmap* target = context->Target();
    if (!target || target->Width() > AaImage::kMaxSide || target->Height() > AaImage::kMaxSide) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, target->Width(), target->Height());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    std::unique_ptr<AntiAliasedGraphics> graphics(new AntiAliasedGraphics(dc, surface, context->SurfaceOrigin()));
    if (!graphics->Recover()) return nullptr;
    return graphics;
}

std::unique_ptr<AntiAliasedGraphics> AntiAliasedGraphics::ForRecording(HDC dc, bool emfPlus, int dpi) {
    if (!IsRecordingDC(dc)) return nullptr;
    return std::unique_ptr<AntiAliasedGraphics>(
        new AntiAliasedGraphics(std::make_unique<AaRecording>(dc, emfPlus, std::max(dpi, 1))));
}

AntiAliasedGraphics::AntiAliasedGraphics(HDC dc, cairo_surface_t* surface, POINT origin)
    : dc_(dc), surface_(surface), origin_(origin) {}

AntiAliasedGraphics::AntiAliasedGraphics(std::unique_ptr<AaRecording> recording)
    : dc_(nullptr), surface_(nullptr), recording_(std::move(recording)) {}

AntiAliasedGraphics::~AntiAliasedGraphics() {
    if (cr_) cairo_destroy(cr_);
    if (surface_) cairo_surface_destroy(surface_);
}

bool AntiAliasedGraphics::Recover() {
    if (cr_) cairo_destroy(cr_);
    cr_ = cairo_create(surface_);
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) return false;
    ApplyClip();
    return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

AaPoint AntiAliasedGraphics::ToDevice(AaPoint p) const {
    const double offset = pixelOffset_ == AaPixelOffsetMode::None ? 0.5 : 0.0;
    return {AaClampCoordinate(p.x + offset + origin_.x), AaClampCoordinate(p.y + offset + origin_.y)};
}

void AntiAliasedGraphics::AppendPath(const AaPath& path) {
    cairo_new_path(cr_);
    for (const AaPath::Element& e : path.Elements()) {
        const AaPoint a = ToDevice(e.p[0]);
        switch (e.op) {
            case AaPath::Op::Move: cairo_move_to(cr_, a.x, a.y); break;
            case AaPath::Op::Line: cairo_line_to(cr_, a.x, a.y); break;
            case AaPath::Op::Curve: {
                const AaPoint b = ToDevice(e.p[1]);
                const AaPoint c = ToDevice(e.p[2]);
                cairo_curve_to(cr_, a.x, a.y, b.x, b.y, c.x, c.y);
                break;
            }
            case AaPath::Op::Close: cairo_close_path(cr_); break;
        }
    }
    cairo_set_fill_rule(cr_, AaFillRule(path.FillMode()));
}

// The box of every point a path names, control points included: it holds the whole path and
// costs a pass over the points, where asking cairo for exact extents tessellates the path.
AntiAliasedGraphics::Box AntiAliasedGraphics::DeviceBounds(const AaPath& path, double grow) const {
    Box box{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const AaPath::Element& e : path.Elements()) {
        const int points = e.op == AaPath::Op::Curve ? 3 : e.op == AaPath::Op::Close ? 0 : 1;
        for (int i = 0; i < points; ++i) {
            const AaPoint p = ToDevice(e.p[i]);
            box.x1 = std::min(box.x1, p.x);
            box.y1 = std::min(box.y1, p.y);
            box.x2 = std::max(box.x2, p.x);
            box.y2 = std::max(box.y2, p.y);
        }
    }
    return {box.x1 - grow, box.y1 - grow, box.x2 + grow, box.y2 + grow};
}

void AntiAliasedGraphics::ApplySmoothing() {
    cairo_set_antialias(cr_, smoothing_ == AaSmoothingMode::None ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
}

void AntiAliasedGraphics::ApplyClip() {
    cairo_reset_clip(cr_);
    for (const AaPath& path : clip_.paths) {
        AppendPath(path);
        cairo_clip(cr_);
    }
}

void AntiAliasedGraphics::IntersectClip(const AaPath& path) {
    clip_.paths.push_back(path);
    if (recording_) return recording_->IntersectClip(path);
    ApplySmoothing();
    AppendPath(path);
    cairo_clip(cr_);
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
}

void AntiAliasedGraphics::ResetClip() { SetClip(AaClip{}); }

void AntiAliasedGraphics::SetClip(const AaClip& clip) {
    clip_ = clip;
    if (recording_) return recording_->SetClip(clip);
    ApplySmoothing();
    ApplyClip();
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
}

bool AntiAliasedGraphics::LoadArea(double x1, double y1, double x2, double y2) {
    double cx1 = 0, cy1 = 0, cx2 = 0, cy2 = 0;
    cairo_clip_extents(cr_, &cx1, &cy1, &cx2, &cy2);
    // One pixel more on each side for anti-aliased edges.
    const int left = static_cast<int>(std::max({0.0, std::floor(x1) - 1, std::floor(cx1)}));
    const int top = static_cast<int>(std::max({0.0, std::floor(y1) - 1, std::floor(cy1)}));
    const int right = static_cast<int>(
        std::min({static_cast<double>(cairo_image_surface_get_width(surface_)), std::ceil(x2) + 1, std::ceil(cx2)}));
    const int bottom = static_cast<int>(
        std::min({static_cast<double>(cairo_image_surface_get_height(surface_)), std::ceil(y2) + 1, std::ceil(cy2)}));
    if (left >= right || top >= bottom) return false;

    DeviceContext* context = ResolveHandle(dc_);
    GdiBitmap* target = context ? context->Target() : nullptr;
    if (!target || target->Width() != cairo_image_surface_get_width(surface_) ||
        target->Height() != cairo_image_surface_get_height(surface_)) {
        return false;
    }
    area_ = RECT{left, top, right, bottom};
    const PixelView view = PixelView::Of(*target);
    cairo_surface_flush(surface_);
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = AaSurfaceRow(surface_, y);
        const BYTE* source = view.Row(y);
        if (view.bitsPerPixel == 24) {
            for (int x = left; x < right; ++x) {
                const BYTE* p = source + 3 * x;
                row[x] = p[0] | p[1] << 8 | static_cast<std::uint32_t>(p[2]) << 16;
            }
        } else if (view.bitsPerPixel == 32) {
            const auto* pixels = reinterpret_cast<const std::uint32_t*>(source);
            for (int x = left; x < right; ++x) row[x] = pixels[x] & 0xFFFFFF;
        } else {
            for (int x = left; x < right; ++x) row[x] = view.ReadColor(x, y) & 0xFFFFFF;
        }
    }
    cairo_surface_mark_dirty_rectangle(surface_, left, top, right - left, bottom - top);
    return true;
}

void AntiAliasedGraphics::StoreArea() {
    DeviceContext* context = ResolveHandle(dc_);
    GdiBitmap* target = context ? context->Target() : nullptr;
    if (!target) return;
    const PixelView view = PixelView::Of(*target);
    cairo_surface_flush(surface_);
    for (int y = area_.top; y < area_.bottom; ++y) {
        const std::uint32_t* row = AaSurfaceRow(surface_, y);
        BYTE* target24 = view.bitsPerPixel == 24 ? view.Row(y) : nullptr;
        if (target24) {
            for (int x = area_.left; x < area_.right; ++x) {
                BYTE* p = target24 + 3 * x;
                p[0] = static_cast<BYTE>(row[x]);
                p[1] = static_cast<BYTE>(row[x] >> 8);
                p[2] = static_cast<BYTE>(row[x] >> 16);
            }
            continue;
        }
        for (int x = area_.left; x < area_.right; ++x) {
            const DWORD old = view.ReadValue(x, y);
            const DWORD color = row[x] & 0xFFFFFF;
            if ((view.ColorOfValue(old) & 0xFFFFFF) == color) continue;
            // A 32-bit target keeps its fourth byte; the others take the nearest value.
            view.WriteValue(x, y, view.bitsPerPixel == 32 ? (old & 0xFF000000u) | color : view.ValueOfColor(color));
        }
    }
}

bool AntiAliasedGraphics::FillPath(const AaPath& path, std::uint32_t argb) {
    if (path.PointCount() == 0) return false;
    if (recording_) return recording_->FillPath(path, argb);
    ApplySmoothing();
    const Box box = DeviceBounds(path, 0);
    if (!LoadArea(box.x1, box.y1, box.x2, box.y2)) return false;
    AppendPath(path);
    AaSetSource(cr_, argb);
    cairo_fill(cr_);
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
        Recover();
        return false;
    }
    StoreArea();
    return true;
}

bool AntiAliasedGraphics::DrawPath(const AaPath& path, const AaPen& pen) {
    if (path.PointCount() == 0) return false;
    if (recording_) return recording_->DrawPath(path, pen);
    ApplySmoothing();
    AppendPath(path);
    const double width = pen.width > 0 && std::isfinite(pen.width) ? pen.width : 1.0;
    cairo_set_line_width(cr_, width);
    cairo_set_line_cap(cr_, AaCairoCap(pen.cap));
    cairo_set_line_join(cr_, AaCairoJoin(pen.join));
    cairo_set_miter_limit(cr_, std::isfinite(pen.miterLimit) ? std::clamp(pen.miterLimit, 1.0, 100.0) : 10.0);
    const std::vector<double> dashes = AaDashLengths(pen, width);
    const double offset = std::isfinite(pen.dashOffset * width) ? pen.dashOffset * width : 0.0;
    cairo_set_dash(cr_, dashes.data(), static_cast<int>(dashes.size()), offset);
    // A miter reaches at most half the width times the limit beyond its corner.
    const Box box = DeviceBounds(path, width / 2 * std::max(1.0, std::min(pen.miterLimit, 100.0)) + 1);
    bool drawn = false;
    if (LoadArea(box.x1, box.y1, box.x2, box.y2)) {
        AaSetSource(cr_, pen.argb);
        cairo_stroke(cr_);
        drawn = cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
        if (drawn) StoreArea();
    }
    cairo_new_path(cr_);
    cairo_set_dash(cr_, nullptr, 0, 0);
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) Recover();
    return drawn;
}

bool AntiAliasedGraphics::DrawImage(const AaImage& image, AaPoint upperLeft, AaPoint upperRight, AaPoint lowerLeft,
                                    const AaImageDrawing& drawing) {
    if (recording_) return recording_->DrawImage(image, upperLeft, upperRight, lowerLeft, drawing);
    double sx = drawing.sourceX, sy = drawing.sourceY, sw = drawing.sourceWidth, sh = drawing.sourceHeight;
    if (!(sw > 0 && sh > 0 && std::isfinite(sx) && std::isfinite(sy) && std::isfinite(sw) && std::isfinite(sh))) {
        sx = 0;
        sy = 0;
        sw = image.Width();
        sh = image.Height();
    }
    const AaPoint p0 = ToDevice(upperLeft);
    const AaPoint p1 = ToDevice(upperRight);
    const AaPoint p2 = ToDevice(lowerLeft);
    // Source pixels to device: (u, v) -> p0 + (u - sx) / sw * (p1 - p0) + (v - sy) / sh * (p2 - p0).
    cairo_matrix_t toDevice;
    cairo_matrix_init(&toDevice, (p1.x - p0.x) / sw, (p1.y - p0.y) / sw, (p2.x - p0.x) / sh, (p2.y - p0.y) / sh, 0, 0);
    toDevice.x0 = p0.x - toDevice.xx * sx - toDevice.xy * sy;
    toDevice.y0 = p0.y - toDevice.yx * sx - toDevice.yy * sy;
    cairo_matrix_t toSource = toDevice;
    if (cairo_matrix_invert(&toSource) != CAIRO_STATUS_SUCCESS) return false;

    ApplySmoothing();
    cairo_new_path(cr_);
    cairo_move_to(cr_, p0.x, p0.y);
    cairo_line_to(cr_, p1.x, p1.y);
    cairo_line_to(cr_, AaClampCoordinate(p1.x + p2.x - p0.x), AaClampCoordinate(p1.y + p2.y - p0.y));
    cairo_line_to(cr_, p2.x, p2.y);
    cairo_close_path(cr_);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_fill_extents(cr_, &x1, &y1, &x2, &y2);
    if (!LoadArea(x1, y1, x2, y2)) {
        cairo_new_path(cr_);
        return false;
    }
    cairo_surface_t* keyed =
        drawing.useColorKey ? AaKeyedSurface(image, drawing.keyLow, drawing.keyHigh) : nullptr;
    if (drawing.useColorKey && !keyed) {
        cairo_new_path(cr_);
        return false;
    }
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(keyed ? keyed : image.Surface());
    cairo_pattern_set_matrix(pattern, &toSource);
    cairo_pattern_set_filter(pattern, AaCairoFilter(interpolation_));
    // Edge pixels continue outward so the picture's border is not faded by the filter.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_source(cr_, pattern);
    cairo_fill(cr_);
    cairo_pattern_destroy(pattern);
    if (keyed) cairo_surface_destroy(keyed);
    if (cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
        Recover();
        return false;
    }
    StoreArea();
    return true;
}

}  // namespace parch
