#pragma once
// The record writer behind a recording device context. The drawing calls of this layer hand a
// recording context's work to it instead of painting: each call appends its [MS-EMF] record.
// Objects are written when they are selected and deleted from the metafile once nothing in the
// recording (the context or a saved state) uses them any more, so every object a record makes
// is also deleted by one.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/EnhMetafile.h"
#include "platform/gdi/MetafileBytes.h"

namespace parch {

class DeviceContext;
class GdiObject;

class MetafileRecorder {
public:
    // dpiX, dpiY: the reference resolution; frame in 0.01 mm or nullptr.
    MetafileRecorder(int dpiX, int dpiY, const RECT* frame, const std::u16string& description);

    // Finished record bytes (header completed, EOF appended); the recorder is spent afterwards.
    std::vector<BYTE> Finish();

    // Selection and state.
    void Select(GdiObject* object);
    void SaveDC();
    void RestoreDC(int saved);
    void SetValue(std::uint32_t type, std::uint32_t value);
    void SetPoint(std::uint32_t type, POINT p);
    void SetMiterLimit(float limit);

    // Drawing, in the logical coordinates the calls were given; `dc` maps them for the bounds.
    void MoveTo(DeviceContext& dc, POINT p);
    void LineTo(DeviceContext& dc, POINT p);
    void Poly(DeviceContext& dc, std::uint32_t type32, std::uint32_t type16, const POINT* points, std::uint32_t count);
    void PolyPoly(DeviceContext& dc, std::uint32_t type32, std::uint32_t type16, const POINT* points,
                  const INT* counts, std::uint32_t polygons);
    void Box(DeviceContext& dc, std::uint32_t type, const RECT& box);
    void Bare(std::uint32_t type);
    void PathPaint(DeviceContext& dc, std::uint32_t type);
    void SelectClipPath(int mode);
    void ClipRect(std::uint32_t type, const RECT& rect);
    // Region rectangles in device coordinates; an empty list with RGN_COPY removes the clip.
    void SelectClipRegion(const std::vector<RECT>& rects, int mode);
    // A rectangle filled with a brush, as FillRect paints it.
    void FillRect(DeviceContext& dc, const RECT& rect, GdiObject* brush);
    // 32-bit top-down pixels (blue, green, red, alpha) stretched onto the destination.
    void StretchPixels(DeviceContext& dc, const RECT& destination, int width, int height,
                       const std::vector<BYTE>& pixels, DWORD rop, bool blendAlpha, BYTE constantAlpha);
    void TextOut(DeviceContext& dc, POINT origin, UINT options, const RECT* rect, const std::u16string& text,
                 const INT* dx);
    void Comment(const BYTE* data, std::uint32_t size);

private:
    struct Selection {
        std::uint32_t pen = 0, brush = 0, font = 0;
    };
    std::size_t Begin(std::uint32_t type);
    void End(std::size_t start);
    void Include(DeviceContext& dc, POINT logical, int margin);
    std::uint32_t CreateObjectRecord(GdiObject* object);
    std::uint32_t AllocateIndex();
    void Release(std::uint32_t index);
    bool InUse(std::uint32_t index) const;

    MetafileByteWriter out_;
    std::uint32_t records_ = 0;
    int dpiX_, dpiY_;
    bool frameGiven_ = false;
    RECT frame_{};
    bool hasBounds_ = false;
    RECT bounds_{};
    std::vector<bool> slots_;  // slot 0 is the metafile itself
    Selection current_;
    std::vector<Selection> saved_;
    std::vector<std::uint32_t> unused_;  // deselected but still held by a saved state
};

// The recorder of a recording context, or nullptr.
MetafileRecorder* RecorderOf(DeviceContext* dc);

}  // namespace parch
