#pragma once
// Pen strokes in device coordinates, shared by the line, shape and path calls.

#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/RegionRects.h"

namespace parch {

// Draws a polyline (closed: back to the first point) with the context's pen and ROP2 mode.
// One-pixel pens leave out the last point of an open polyline; styled one-pixel pens fill
// their gaps with the background colour when the background mode is OPAQUE.
void StrokeDevicePolyline(DeviceContext& dc, const std::vector<POINT>& points, bool closed);

// Paints a closed shape given as its pixels with the pen (outline) and brush (inside):
// `outline` is what the pen covers, `inside` what the brush covers.
void PaintShape(DeviceContext& dc, const RegionRects& outline, const RegionRects& inside);

}  // namespace parch
