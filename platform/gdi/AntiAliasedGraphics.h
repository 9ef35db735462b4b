#pragma once
// The anti-aliased path and image service (on cairo): paths of lines and Bézier curves filled
// with solid colours or stroked with styled pens, clipped by paths, and encoded images (BMP or
// PNG) drawn onto three corner points, all over the bitmap selected into a device context.
// Colours are ARGB (alpha in bits 24..31, then red, green, blue); coordinates are the bitmap's
// pixels, (0, 0) being the upper-left corner of the upper-left pixel.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/GdiTypes.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace parch {

class AaRecording;

struct AaPoint {
    double x = 0;
    double y = 0;
};

// Coordinates beyond this many pixels from the origin are held at it: cairo keeps coordinates
// in 24.8 fixed point and would wrap them around otherwise.
inline constexpr double kAaCoordinateLimit = 1e6;

enum class AaFillMode : std::uint8_t { Alternate, Winding };
enum class AaSmoothingMode : std::uint8_t { None, AntiAlias };
enum class AaInterpolationMode : std::uint8_t { NearestNeighbor, Bilinear, Bicubic };
// Half: pixel (0, 0) covers 0..1 (its centre at 0.5); None: its centre lies at 0.
enum class AaPixelOffsetMode : std::uint8_t { None, Half };
enum class AaLineJoin : std::uint8_t { Miter, Bevel, Round };
enum class AaLineCap : std::uint8_t { Flat, Square, Round };

// Figures of lines and cubic Bézier curves. A line or curve whose start is not where the figure
// stands joins it with a straight line, so consecutive segments form one figure; a closed
// figure ends it, and the next segment starts a new one.
class AaPath {
public:
    explicit AaPath(AaFillMode mode = AaFillMode::Alternate) : fillMode_(mode) {}

    AaFillMode FillMode() const { return fillMode_; }
    void SetFillMode(AaFillMode mode) { fillMode_ = mode; }

    void StartFigure();
    void AddLine(AaPoint from, AaPoint to);
    void AddBezier(AaPoint start, AaPoint control1, AaPoint control2, AaPoint end);
    void CloseFigure();

    // Points stored: the start of each figure, one per line end, three per curve.
    int PointCount() const { return pointCount_; }

    enum class Op : std::uint8_t { Move, Line, Curve, Close };
    struct Element {
        Op op;
        AaPoint p[3];
    };
    const std::vector<Element>& Elements() const { return elements_; }

private:
    void Reach(AaPoint from);

    AaFillMode fillMode_;
    std::vector<Element> elements_;
    int pointCount_ = 0;
    bool figureOpen_ = false;
    AaPoint last_;
};

struct AaPen {
    std::uint32_t argb = 0xFF000000;
    double width = 1;  // pixels; 0 or less draws the thinnest line, one pixel wide
    // Dash and gap lengths and the offset into them, in multiples of the width. An empty
    // pattern, or one that cannot be drawn (a negative, non-finite or all-zero entry), is solid.
    std::vector<double> dashes;
    double dashOffset = 0;
    AaLineJoin join = AaLineJoin::Miter;
    AaLineCap cap = AaLineCap::Flat;  // both ends of every dash and open figure
    double miterLimit = 10;
};

// An encoded picture decoded into straight ARGB pixels.
class AaImage {
public:
    // Largest picture accepted, whatever the file announces.
    static constexpr int kMaxSide = 32767;
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

    // nullptr with `error` set when the bytes are not a sound BMP or PNG file of an accepted size.
    static std::unique_ptr<AaImage> Decode(const BYTE* data, std::size_t size, std::string& error);
    ~AaImage();
    AaImage(const AaImage&) = delete;
    AaImage& operator=(const AaImage&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Pixel (x, y) as straight ARGB.
    std::uint32_t Pixel(int x, int y) const;
    cairo_surface_t* Surface() const { return surface_; }

private:
    AaImage(cairo_surface_t* surface, int width, int height) : surface_(surface), width_(width), height_(height) {}
    cairo_surface_t* surface_;
    int width_;
    int height_;
};

enum class AaImageFormat : std::uint8_t { Bmp, Png };

// The encoder of a MIME type ("image/bmp", "image/png"; compared case-sensitively).
bool AaImageFormatOfMimeType(std::string_view mimeType, AaImageFormat& format);
// The picture as a file: BMP with 24 bits per pixel when it is opaque, 32 otherwise; PNG.
// Empty when encoding fails.
std::vector<BYTE> EncodeAaImage(const AaImage& image, AaImageFormat format);
// Decodes a BMP or PNG file and encodes it again; false when either step fails.
bool ConvertAaImage(const BYTE* data, std::size_t size, AaImageFormat format, std::vector<BYTE>& out);

// How an image is drawn: the part of it taken and the colours left out.
struct AaImageDrawing {
    // Source rectangle in image pixels; a width or height of 0 means the whole image.
    double sourceX = 0;
    double sourceY = 0;
    double sourceWidth = 0;
    double sourceHeight = 0;
    // Pixels whose red, green and blue each lie between those of keyLow and keyHigh stay
    // transparent.
    bool useColorKey = false;
    std::uint32_t keyLow = 0;
    std::uint32_t keyHigh = 0;
};

// The clip as a list of paths intersected in order; an empty list clips nothing.
struct AaClip {
    std::vector<AaPath> paths;
};

// Drawing on the bitmap selected into a device context, or recorded into a recording context. Each drawing call reads the pixels it
// may touch from the bitmap and writes them back at once, so the bitmap is always up to date
// and plain device-context drawing in between is kept. Bitmaps of every depth are drawn on (a
// 32-bit copy of the touched area is painted).
class AntiAliasedGraphics {
public:
    // nullptr when the context has no bitmap selected or cairo cannot hold a picture its size.
    // On a recording context (CreateEnhMetaFile) the drawing is recorded as EMF records.
    static std::unique_ptr<AntiAliasedGraphics> FromDC(HDC dc);
    // Drawing recorded into a recording context: with `emfPlus`, as EMF+ records ahead of the
    // EMF ones (dual mode), naming `dpi` as the reference resolution. The EMF+ stream ends when
    // the graphics is destroyed, which must happen before the context is closed. nullptr for
    // a context that does not record.
    static std::unique_ptr<AntiAliasedGraphics> ForRecording(HDC dc, bool emfPlus, int dpi);
    ~AntiAliasedGraphics();
    AntiAliasedGraphics(const AntiAliasedGraphics&) = delete;
    AntiAliasedGraphics& operator=(const AntiAliasedGraphics&) = delete;

    void SetSmoothingMode(AaSmoothingMode mode) { smoothing_ = mode; }
    void SetInterpolationMode(AaInterpolationMode mode) { interpolation_ = mode; }
    void SetPixelOffsetMode(AaPixelOffsetMode mode) { pixelOffset_ = mode; }
    AaSmoothingMode SmoothingMode() const { return smoothing_; }
    AaInterpolationMode InterpolationMode() const { return interpolation_; }
    AaPixelOffsetMode PixelOffsetMode() const { return pixelOffset_; }

    // False when nothing could be drawn (empty path, cairo failure).
    bool FillPath(const AaPath& path, std::uint32_t argb);
    bool DrawPath(const AaPath& path, const AaPen& pen);
    // Upper-left corner of the source on upperLeft, upper-right on upperRight, lower-left on
    // lowerLeft; the parallelogram they span is filled with the picture.
    bool DrawImage(const AaImage& image, AaPoint upperLeft, AaPoint upperRight, AaPoint lowerLeft,
                   const AaImageDrawing& drawing = {});

    void IntersectClip(const AaPath& path);
    void ResetClip();
    const AaClip& Clip() const { return clip_; }
    void SetClip(const AaClip& clip);

private:
    AntiAliasedGraphics(HDC dc, cairo_surface_t* surface, POINT origin);
    explicit AntiAliasedGraphics(std::unique_ptr<AaRecording> recording);
    void ApplyClip();
    void AppendPath(const AaPath& path);
    AaPoint ToDevice(AaPoint p) const;
    struct Box {
        double x1, y1, x2, y2;
    };
    Box DeviceBounds(const AaPath& path, double grow) const;
    void ApplySmoothing();
    // Loads the target's pixels of the area the pending operation may touch and writes the
    // result back; `extents` in device pixels (x1, y1, x2, y2).
    bool LoadArea(double x1, double y1, double x2, double y2);
    void StoreArea();
    // A cairo context in an error state draws nothing more; a fresh one takes its place.
    bool Recover();

    HDC dc_;
    cairo_surface_t* surface_;
    cairo_t* cr_ = nullptr;
    POINT origin_;
    AaSmoothingMode smoothing_ = AaSmoothingMode::AntiAlias;
    AaInterpolationMode interpolation_ = AaInterpolationMode::Bilinear;
    AaPixelOffsetMode pixelOffset_ = AaPixelOffsetMode::Half;
    AaClip clip_;
    RECT area_{};
    std::unique_ptr<AaRecording> recording_;
};

}  // namespace parch
