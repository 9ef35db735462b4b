#include "platform/gdi/AaMetafileRecording.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/EnhMetafile.h"
#include "platform/gdi/Paths.h"
#include "platform/gdi/PensBrushes.h"

namespace parch {
namespace {

namespace plus {
constexpr std::uint16_t Header = 0x4001;
constexpr std::uint16_t EndOfFile = 0x4002;
constexpr std::uint16_t Object = 0x4008;
constexpr std::uint16_t FillPath = 0x4014;
constexpr std::uint16_t DrawPath = 0x4015;
constexpr std::uint16_t DrawImagePoints = 0x401B;
constexpr std::uint16_t SetAntiAliasMode = 0x401E;
constexpr std::uint16_t SetInterpolationMode = 0x4021;
constexpr std::uint16_t SetPixelOffsetMode = 0x4022;
constexpr std::uint16_t SetPageTransform = 0x4030;
constexpr std::uint16_t ResetClip = 0x4031;
constexpr std::uint16_t SetClipPath = 0x4033;

constexpr std::uint16_t ObjectPen = 2;
constexpr std::uint16_t ObjectPath = 3;
constexpr std::uint16_t ObjectImage = 5;

constexpr std::uint32_t GraphicsVersion = 0xDBC01002;  // 1.1
constexpr std::uint32_t UnitPixel = 2;
constexpr std::uint32_t PixelFormat32bppARGB = 0x0026200A;
constexpr std::uint32_t CommentSignature = 0x2B464D45;  // "EMF+"
// Object data beyond this is split over continued records.
constexpr std::size_t MaxObjectChunk = 32000;
constexpr int ObjectIds = 64;
}  // namespace plus

LONG RecordedCoordinate(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<LONG>(std::lround(std::clamp(v, -1e8, 1e8)));
}

POINT RoundedPoint(AaPoint p) { return POINT{RecordedCoordinate(p.x), RecordedCoordinate(p.y)}; }

COLORREF ColorOfArgb(std::uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

std::uint32_t PlusCap(AaLineCap cap) {
    switch (cap) {
    case AaLineCap::Square: return 1;
    case AaLineCap::Round: return 2;
    default: return 0;
    }
}

std::uint32_t PlusJoin(AaLineJoin join) {
    switch (join) {
    case AaLineJoin::Bevel: return 1;
    case AaLineJoin::Round: return 2;
    default: return 0;
    }
}

DWORD GdiCap(AaLineCap cap) {
    switch (cap) {
    case AaLineCap::Square: return PS_ENDCAP_SQUARE;
    case AaLineCap::Round: return PS_ENDCAP_ROUND;
    default: return PS_ENDCAP_FLAT;
    }
}

DWORD GdiJoin(AaLineJoin join) {
    switch (join) {
    case AaLineJoin::Bevel: return PS_JOIN_BEVEL;
    case AaLineJoin::Round: return PS_JOIN_ROUND;
    default: return PS_JOIN_MITER;
    }
}

bool DashesDrawable(const std::vector<double>& dashes) {
    bool any = false;
    for (double d : dashes) {
        if (!(d >= 0) || !std::isfinite(d)) return false;
        any = any || d > 0;
    }
    return any;
}

}  // namespace

AaRecording::AaRecording(HDC dc, bool emfPlus, int dpi) : dc_(dc), emfPlus_(emfPlus) {
    if (!emfPlus_) return;
    MetafileByteWriter header;
    header.U32(plus::GraphicsVersion);
    header.U32(1);  // the reference is a video display
    header.U32(static_cast<std::uint32_t>(dpi));
    header.U32(static_cast<std::uint32_t>(dpi));
    PlusRecord(plus::Header, 1, header.Bytes());  // dual: EMF records follow for plain readers
    MetafileByteWriter scale;
    scale.F32(1.0f);
    PlusRecord(plus::SetPageTransform, static_cast<std::uint16_t>(plus::UnitPixel), scale.Bytes());
    PlusRecord(plus::SetAntiAliasMode, (4 << 1) | 1, {});
    PlusRecord(plus::SetPixelOffsetMode, 4, {});
    PlusRecord(plus::SetInterpolationMode, 7, {});
    FlushPlus();
}

AaRecording::~AaRecording() {
    if (!emfPlus_) return;
    PlusRecord(plus::EndOfFile, 0, {});
    FlushPlus();
}

// ---- EMF+ ----

void AaRecording::PlusRecord(std::uint16_t type, std::uint16_t flags, const std::vector<BYTE>& data) {
    pending_.U16(type);
    pending_.U16(flags);
    const auto padded = static_cast<std::uint32_t>((data.size() + 3) / 4 * 4);
    pending_.U32(12 + padded);
    pending_.U32(padded);
    pending_.Raw(data.data(), data.size());
    pending_.PadTo(4);
}

void AaRecording::FlushPlus() {
    if (pending_.Size() == 0) return;
    MetafileByteWriter comment;
    comment.U32(plus::CommentSignature);
    comment.Raw(pending_.Bytes().data(), pending_.Size());
    GdiComment(dc_, static_cast<UINT>(comment.Size()), comment.Bytes().data());
    pending_.Bytes().clear();
}

std::uint8_t AaRecording::NextObjectId() {
    const std::uint8_t id = nextId_;
    nextId_ = static_cast<std::uint8_t>((nextId_ + 1) % plus::ObjectIds);
    return id;
}

std::uint8_t AaRecording::PlusObject(std::uint16_t objectType, const std::vector<BYTE>& data) {
    const std::uint8_t id = NextObjectId();
    const auto flags = static_cast<std::uint16_t>(id | (objectType << 8));
    if (data.size() <= plus::MaxObjectChunk) {
        PlusRecord(plus::Object, flags, data);
        return id;
    }
    // Large objects travel in pieces, each naming the whole size; every piece but the last
    // says that more follows.
    for (std::size_t offset = 0; offset < data.size(); offset += plus::MaxObjectChunk) {
        const std::size_t chunk = std::min(plus::MaxObjectChunk, data.size() - offset);
        const bool last = offset + chunk == data.size();
        MetafileByteWriter piece;
        if (!last) piece.U32(static_cast<std::uint32_t>(data.size()));
        piece.Raw(data.data() + offset, chunk);
        PlusRecord(plus::Object, static_cast<std::uint16_t>(flags | (last ? 0 : 0x8000)), piece.Bytes());
        FlushPlus();
    }
    return id;
}

std::uint8_t AaRecording::PlusPathObject(const AaPath& path) {
    std::vector<float> xy;
    std::vector<BYTE> types;
    for (const AaPath::Element& e : path.Elements()) {
        switch (e.op) {
        case AaPath::Op::Move:
            xy.insert(xy.end(), {float(e.p[0].x), float(e.p[0].y)});
            types.push_back(0);
            break;
        case AaPath::Op::Line:
            xy.insert(xy.end(), {float(e.p[0].x), float(e.p[0].y)});
            types.push_back(1);
            break;
        case AaPath::Op::Curve:
            for (int i = 0; i < 3; ++i) {
                xy.insert(xy.end(), {float(e.p[i].x), float(e.p[i].y)});
                types.push_back(3);
            }
            break;
        case AaPath::Op::Close:
            if (!types.empty()) types.back() |= 0x80;
            break;
        }
    }
    MetafileByteWriter data;
    data.U32(plus::GraphicsVersion);
    data.U32(static_cast<std::uint32_t>(types.size()));
    data.U32(0);  // float points, absolute
    for (float v : xy) data.F32(v);
    data.Raw(types.data(), types.size());
    data.PadTo(4);
    return PlusObject(plus::ObjectPath, data.Bytes());
}

// ---- EMF ----

void AaRecording::EmfPath(const AaPath& path) {
    SetPolyFillMode(dc_, path.FillMode() == AaFillMode::Winding ? WINDING : ALTERNATE);
    BeginPath(dc_);
    for (const AaPath::Element& e : path.Elements()) {
        switch (e.op) {
        case AaPath::Op::Move: {
            const POINT p = RoundedPoint(e.p[0]);
            MoveToEx(dc_, p.x, p.y, nullptr);
            break;
        }
        case AaPath::Op::Line: {
            const POINT p = RoundedPoint(e.p[0]);
            LineTo(dc_, p.x, p.y);
            break;
        }
        case AaPath::Op::Curve: {
            const POINT points[3] = {RoundedPoint(e.p[0]), RoundedPoint(e.p[1]), RoundedPoint(e.p[2])};
            PolyBezierTo(dc_, points, 3);
            break;
        }
        case AaPath::Op::Close: CloseFigure(dc_); break;
        }
    }
    EndPath(dc_);
}

// ---- drawing ----

bool AaRecording::FillPath(const AaPath& path, std::uint32_t argb) {
    if (path.PointCount() == 0) return false;
    if (emfPlus_) {
        const std::uint8_t id = PlusPathObject(path);
        MetafileByteWriter color;
        color.U32(argb);
        PlusRecord(plus::FillPath, static_cast<std::uint16_t>(0x8000 | id), color.Bytes());
        FlushPlus();
    }
    // EMF has no translucent fills: a fill with any coverage is written opaque, an invisible
    // one not at all.
    if ((argb >> 24) == 0) return true;
    HBRUSH brush = CreateSolidBrush(ColorOfArgb(argb));
    HGDIOBJ oldBrush = SelectObject(dc_, brush);
    EmfPath(path);
    parch::FillPath(dc_);
    SelectObject(dc_, oldBrush);
    DeleteObject(brush);
    return true;
}

bool AaRecording::DrawPath(const AaPath& path, const AaPen& pen) {
    if (path.PointCount() == 0) return false;
    const double width = pen.width > 0 && std::isfinite(pen.width) ? pen.width : 1.0;
    const bool dashed = DashesDrawable(pen.dashes);
    if (emfPlus_) {
        const std::uint8_t pathId = PlusPathObject(path);
        MetafileByteWriter data;
        data.U32(plus::GraphicsVersion);
        data.U32(0);
        std::uint32_t flags = 0x02 | 0x04 | 0x08 | 0x10;  // caps, join, miter limit
        if (dashed) flags |= 0x20 | 0x80 | 0x100;         // custom dashes with their offset
        data.U32(flags);
        data.U32(plus::UnitPixel);
        data.F32(static_cast<float>(width));
        data.U32(PlusCap(pen.cap));
        data.U32(PlusCap(pen.cap));
        data.U32(PlusJoin(pen.join));
        data.F32(static_cast<float>(std::isfinite(pen.miterLimit) ? std::clamp(pen.miterLimit, 1.0, 100.0) : 10.0));
        if (dashed) {
            data.U32(5);  // custom line style
            data.F32(static_cast<float>(std::isfinite(pen.dashOffset) ? pen.dashOffset : 0.0));
            const std::size_t count = pen.dashes.size() % 2 ? pen.dashes.size() * 2 : pen.dashes.size();
            data.U32(static_cast<std::uint32_t>(count));
            for (std::size_t i = 0; i < count; ++i)
                data.F32(static_cast<float>(std::max(pen.dashes[i % pen.dashes.size()], 1e-3)));
        }
        data.U32(plus::GraphicsVersion);  // the pen's solid brush
        data.U32(0);
        data.U32(pen.argb);
        const std::uint8_t penId = PlusObject(plus::ObjectPen, data.Bytes());
        MetafileByteWriter id;
        id.U32(penId);
        PlusRecord(plus::DrawPath, pathId, id.Bytes());
        FlushPlus();
    }
    if ((pen.argb >> 24) == 0) return true;
    LOGBRUSH brush;
    brush.lbColor = ColorOfArgb(pen.argb);
    const auto gdiWidth = static_cast<DWORD>(std::max<LONG>(1, RecordedCoordinate(width)));
    HPEN gdiPen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | GdiCap(pen.cap) | GdiJoin(pen.join), gdiWidth, &brush, 0, nullptr);
    HGDIOBJ oldPen = SelectObject(dc_, gdiPen);
    EmfPath(path);
    StrokePath(dc_);
    SelectObject(dc_, oldPen);
    DeleteObject(gdiPen);
    return true;
}

bool AaRecording::DrawImage(const AaImage& image, AaPoint upperLeft, AaPoint upperRight, AaPoint lowerLeft,
                            const AaImageDrawing& drawing) {
    double sx = drawing.sourceX, sy = drawing.sourceY, sw = drawing.sourceWidth, sh = drawing.sourceHeight;
    if (!(sw > 0 && sh > 0 && std::isfinite(sx) && std::isfinite(sy) && std::isfinite(sw) && std::isfinite(sh))) {
        sx = 0;
        sy = 0;
        sw = image.Width();
        sh = image.Height();
    }
    const int x0 = std::clamp(static_cast<int>(std::floor(sx)), 0, image.Width());
    const int y0 = std::clamp(static_cast<int>(std::floor(sy)), 0, image.Height());
    const int w = std::clamp(static_cast<int>(std::ceil(sx + sw)), 0, image.Width()) - x0;
    const int h = std::clamp(static_cast<int>(std::ceil(sy + sh)), 0, image.Height()) - y0;
    if (w <= 0 || h <= 0) return false;
    // Straight ARGB of the source area; colours inside the key range are left out.
    auto keyed = [&](std::uint32_t argb) {
        if (!drawing.useColorKey) return false;
        for (int shift : {16, 8, 0}) {
            const std::uint32_t c = (argb >> shift) & 0xFF;
            if (c < ((drawing.keyLow >> shift) & 0xFF) || c > ((drawing.keyHigh >> shift) & 0xFF)) return false;
        }
        return true;
    };
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t argb = image.Pixel(x0 + x, y0 + y);
            pixels[static_cast<std::size_t>(y) * w + x] = keyed(argb) ? 0 : argb;
        }

    if (emfPlus_) {
        MetafileByteWriter data;
        data.U32(plus::GraphicsVersion);
        data.U32(1);  // bitmap
        data.I32(w);
        data.I32(h);
        data.I32(w * 4);
        data.U32(plus::PixelFormat32bppARGB);
        data.U32(0);  // pixel data
        for (std::uint32_t p : pixels) data.U32(p);
        const std::uint8_t id = PlusObject(plus::ObjectImage, data.Bytes());
        MetafileByteWriter points;
        points.U32(0);  // no image attributes
        points.I32(static_cast<std::int32_t>(plus::UnitPixel));
        for (double v : {sx - x0, sy - y0, sw, sh}) points.F32(static_cast<float>(v));
        points.U32(3);
        for (AaPoint p : {upperLeft, upperRight, lowerLeft}) {
            points.F32(static_cast<float>(p.x));
            points.F32(static_cast<float>(p.y));
        }
        PlusRecord(plus::DrawImagePoints, id, points.Bytes());
        FlushPlus();
    }

    // EMF places pictures on upright rectangles, and readers smooth a picture they scale. So
    // the picture goes in as it is drawn: sampled (nearest) into its box on the device, the
    // parts of the box outside a turned or sheared picture left transparent.
    const AaPoint lowerRight{upperRight.x + lowerLeft.x - upperLeft.x, upperRight.y + lowerLeft.y - upperLeft.y};
    double minX = upperLeft.x, maxX = upperLeft.x, minY = upperLeft.y, maxY = upperLeft.y;
    for (AaPoint corner : {upperRight, lowerLeft, lowerRight}) {
        minX = std::min(minX, corner.x), maxX = std::max(maxX, corner.x);
        minY = std::min(minY, corner.y), maxY = std::max(maxY, corner.y);
    }
    // Device pixel (x, y) to picture fractions (a, b): solve p = upperLeft + a (upperRight -
    // upperLeft) + b (lowerLeft - upperLeft).
    const double ux = upperRight.x - upperLeft.x, uy = upperRight.y - upperLeft.y;
    const double vx = lowerLeft.x - upperLeft.x, vy = lowerLeft.y - upperLeft.y;
    // An upright picture fills the pixels its rounded corners span, as a plain blit places it,
    // so its box has no transparent edge and it goes in as an opaque blit where it is opaque.
    const bool upright = std::fabs(uy) <= 0.01 && std::fabs(vx) <= 0.01;
    const LONG left = RecordedCoordinate(upright ? std::round(minX) : std::floor(minX));
    const LONG right = RecordedCoordinate(upright ? std::round(maxX) : std::ceil(maxX));
    const LONG top = RecordedCoordinate(upright ? std::round(minY) : std::floor(minY));
    const LONG bottom = RecordedCoordinate(upright ? std::round(maxY) : std::ceil(maxY));
    const double determinant = ux * vy - uy * vx;
    if (right <= left || bottom <= top || !(std::fabs(determinant) > 1e-12)) return true;
    // A box larger than this many pixels is sampled more coarsely and stretched onto the box.
    constexpr double kMaxBoxPixels = 16.0 * 1024 * 1024;
    const double boxPixels = static_cast<double>(right - left) * static_cast<double>(bottom - top);
    const double step = boxPixels > kMaxBoxPixels ? std::sqrt(boxPixels / kMaxBoxPixels) : 1.0;
    const int rasterWidth = std::max(1, static_cast<int>(std::ceil((right - left) / step)));
    const int rasterHeight = std::max(1, static_cast<int>(std::ceil((bottom - top) / step)));
    const double stepX = static_cast<double>(right - left) / rasterWidth;
    const double stepY = static_cast<double>(bottom - top) / rasterHeight;

    BITMAPINFO info{};
    info.bmiHeader.biWidth = rasterWidth;
    info.bmiHeader.biHeight = -rasterHeight;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) return false;
    auto* out = static_cast<std::uint32_t*>(bits);
    const double offsetX = sx - x0, offsetY = sy - y0;
    bool opaque = true;
    for (int y = 0; y < rasterHeight; ++y)
        for (int x = 0; x < rasterWidth; ++x) {
            const double dx = left + (x + 0.5) * stepX - upperLeft.x;
            const double dy = top + (y + 0.5) * stepY - upperLeft.y;
            double a = (dx * vy - dy * vx) / determinant;
            double b = (ux * dy - uy * dx) / determinant;
            if (upright) {
                a = std::clamp(a, 0.0, std::nextafter(1.0, 0.0));
                b = std::clamp(b, 0.0, std::nextafter(1.0, 0.0));
            }
            std::uint32_t p = 0;
            if (a >= 0 && a < 1 && b >= 0 && b < 1) {
                const int u = std::clamp(static_cast<int>(std::floor(offsetX + a * sw)), 0, w - 1);
                const int v = std::clamp(static_cast<int>(std::floor(offsetY + b * sh)), 0, h - 1);
                p = pixels[static_cast<std::size_t>(v) * w + u];
            }
            const std::uint32_t alpha = p >> 24;
            opaque = opaque && alpha == 255;
            // AlphaBlend takes premultiplied colours.
            auto channel = [&](int shift) { return (((p >> shift) & 0xFF) * alpha + 127) / 255 << shift; };
            out[static_cast<std::size_t>(y) * rasterWidth + x] = (alpha << 24) | channel(16) | channel(8) | channel(0);
        }
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, dib);
    if (opaque) {
        StretchBlt(dc_, left, top, right - left, bottom - top, source, 0, 0, rasterWidth, rasterHeight, SRCCOPY);
    } else {
        BLENDFUNCTION blend;
        blend.AlphaFormat = AC_SRC_ALPHA;
        AlphaBlend(dc_, left, top, right - left, bottom - top, source, 0, 0, rasterWidth, rasterHeight, blend);
    }
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(dib);
    return true;
}

void AaRecording::IntersectClip(const AaPath& path) {
    if (emfPlus_) {
        const std::uint8_t id = PlusPathObject(path);
        PlusRecord(plus::SetClipPath, static_cast<std::uint16_t>((1 << 8) | id), {});
        FlushPlus();
    }
    EmfPath(path);
    SelectClipPath(dc_, RGN_AND);
}

void AaRecording::SetClip(const AaClip& clip) {
    if (emfPlus_) {
        PlusRecord(plus::ResetClip, 0, {});
        FlushPlus();
    }
    ExtSelectClipRgn(dc_, nullptr, RGN_COPY);
    for (const AaPath& path : clip.paths) IntersectClip(path);
}

}  // namespace parch
