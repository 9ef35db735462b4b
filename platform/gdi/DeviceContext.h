#pragma once
// Device contexts: memory contexts over bitmaps, and surface contexts over a bitmap owned by
// the window system. A context holds the drawing state (selected objects, origins, clip
// region, colours, modes, current position) and offers the pixel services the drawing, blit
// and text code paint through.
//
// Coordinates: logical -> (minus window origin, plus viewport origin) -> device -> (plus the
// surface origin of a window context) -> target pixels. Clip regions are kept in device
// coordinates, as Windows keeps them.

#include <memory>
#include <optional>
#include <vector>

#include "platform/gdi/GdiObject.h"
#include "platform/gdi/RegionRects.h"

namespace parch {

class GdiPath;
class MetafileRecorder;

// The state SaveDC keeps and RestoreDC brings back.
struct DeviceContextState {
    HBITMAP bitmap = nullptr;
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    GdiObject* font = nullptr;  // a GdiFont (the text code's class)
    HPALETTE palette = nullptr;
    POINT windowOrigin;
    POINT viewportOrigin;
    POINT brushOrigin;
    POINT currentPosition;
    std::optional<RegionRects> clip;  // device coordinates; none = no clipping
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    int textCharacterExtra = 0;
    int rop2 = R2_COPYPEN;
    int stretchBltMode = BLACKONWHITE;
    int polyFillMode = ALTERNATE;
    int arcDirection = AD_COUNTERCLOCKWISE;
    COLORREF dcBrushColor = RGB(255, 255, 255);
    COLORREF dcPenColor = RGB(0, 0, 0);
};

// An 8-bit coverage mask (0 = untouched, 255 = full colour), rows `stride` bytes apart.
struct CoverageMask {
    const BYTE* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

class DeviceContext : public GdiObject {
public:
    static constexpr GdiObjectKind kKind = GdiObjectKind::DeviceContext;

    // A memory context: starts with the stock objects and a 1 x 1 monochrome bitmap.
    DeviceContext();
    // A context drawing onto `surface` (kept alive while the context lives) with device (0, 0) at
    // `surfaceOrigin`; the window system uses it for window and screen contexts.
    DeviceContext(GdiBitmap* surface, POINT surfaceOrigin);
    ~DeviceContext() override;

    DWORD ObjectType() const override { return memory_ ? OBJ_MEMDC : OBJ_DC; }
    int Describe(int, void*) const override { return 0; }
    bool IsMemory() const { return memory_; }

    DeviceContextState& State() { return state_; }
    const DeviceContextState& State() const { return state_; }

    // Object selection with Win32 answers: the previous object, or nullptr on failure.
    HGDIOBJ Select(GdiObject* object);
    int Save();
    bool Restore(int savedIndex);

    // Mapping.
    POINT ToDevice(POINT logical) const;
    RECT ToDevice(const RECT& logical) const;  // normalised: left <= right, top <= bottom
    POINT ToLogical(POINT device) const;

    // The bitmap drawn on: the selected bitmap or the surface; nullptr when there is none.
    GdiBitmap* Target() const;
    // Offset from device coordinates to target pixels.
    POINT SurfaceOrigin() const { return surfaceOrigin_; }
    // The window system's visible region in device coordinates; none = all of the surface.
    void SetSystemClip(std::optional<RegionRects> region);

    // Where drawing may land, in target pixels: the clip region, the system clip and the
    // target's bounds together. Empty when there is no target.
    const RegionRects& EffectiveClip();
    // The device rectangle drawing can reach (the clip's bounds) grown by `margin` pixels on
    // every side; shape scan conversion stops there.
    RECT DrawingLimit(int margin);
    // Call after changing State().clip directly.
    void ClipChanged() { effectiveClipValid_ = false; }

    // Pixel services, device coordinates, through EffectiveClip() and, when given, the extra
    // device rectangle `deviceClip`. Both ignore the ROP2 mode (text and backgrounds do).
    //
    // Text drawing uses these: `FillDeviceRect` for opaque backgrounds, `PaintCoverage` for
    // glyphs (each target pixel moves towards `color` by the mask's coverage; on 32-bit
    // targets the alpha byte becomes 0 where coverage is not 0, as GDI text leaves it; on
    // palette targets a pixel takes the colour when coverage is at least half).
    void FillDeviceRect(const RECT& deviceRect, COLORREF color, const RECT* deviceClip = nullptr);
    void PaintCoverage(int deviceX, int deviceY, const CoverageMask& mask, COLORREF color,
                       const RECT* deviceClip = nullptr);

    // The path under construction (BeginPath .. EndPath), or nullptr.
    GdiPath* Path() const { return path_.get(); }
    void SetPath(std::unique_ptr<GdiPath> path);

    // A recording context hands its drawing calls to its recorder instead of painting.
    MetafileRecorder* Recorder() const { return recorder_.get(); }
    void SetRecorder(std::unique_ptr<MetafileRecorder> recorder);
    std::unique_ptr<MetafileRecorder> TakeRecorder();

private:
    void SelectDefaults();
    void Retain(const DeviceContextState& state);
    void Release(const DeviceContextState& state);

    bool memory_ = true;
    GdiBitmap* surface_ = nullptr;  // kept alive by a selection count
    POINT surfaceOrigin_;
    std::optional<RegionRects> systemClip_;
    DeviceContextState state_;
    std::vector<DeviceContextState> saved_;
    RegionRects effectiveClip_;
    bool effectiveClipValid_ = false;
    std::unique_ptr<GdiPath> path_;
    std::unique_ptr<MetafileRecorder> recorder_;
};

// Win32 calls.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// A context over a surface owned by the caller (window system); delete with DeleteDC.
HDC CreateSurfaceDC(HBITMAP surface, POINT surfaceOrigin);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT objectType);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int savedDC);

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetWindowOrgEx(HDC dc, POINT* origin);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetBrushOrgEx(HDC dc, POINT* origin);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);
BOOL GetCurrentPositionEx(HDC dc, POINT* position);

int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
int SetArcDirection(HDC dc, int direction);
int GetArcDirection(HDC dc);
COLORREF SetDCBrushColor(HDC dc, COLORREF color);
COLORREF GetDCBrushColor(HDC dc);
COLORREF SetDCPenColor(HDC dc, COLORREF color);
COLORREF GetDCPenColor(HDC dc);
int GetDeviceCaps(HDC dc, int index);

// Clipping. Rectangles are logical; regions are device coordinates.
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int OffsetClipRgn(HDC dc, int dx, int dy);
int GetClipBox(HDC dc, RECT* rect);
// 1 with a copy of the clip region in `region`, 0 when there is none, -1 on error.
int GetClipRgn(HDC dc, HRGN region);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* rect);

}  // namespace parch
