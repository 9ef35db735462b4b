#pragma once
// What the image decoder needs of a drawing surface: encoded images (BMP or PNG streams)
// drawn onto three corner points, optionally with a colour-key range made transparent.

#include <cstdint>

namespace parch {

class TMemoryStream;

class TPDFImageSurface {
public:
    virtual ~TPDFImageSurface() = default;

    // False when the surface has no image service attached: images then draw nothing.
    virtual bool CanDrawImages() const = 0;
    // Upper-left corner on (x1, y1), upper-right on (x2, y2), lower-left on (x3, y3).
    virtual void DrawImageStreamPoints(TMemoryStream& stream, double x1, double y1, double x2, double y2,
                                       double x3, double y3) = 0;
    // As above, for the source rectangle 0, 0, sourceWidth, sourceHeight, with pixels whose
    // ARGB lies between keyLow and keyHigh (per channel) left transparent.
    virtual void DrawImageStreamColorKey(TMemoryStream& stream, std::int32_t sourceWidth, double x1, double y1,
                                         double x2, double y2, double x3, double y3, std::int32_t sourceHeight,
                                         std::uint32_t keyLow, std::uint32_t keyHigh) = 0;
};

}  // namespace parch
