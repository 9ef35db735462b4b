#include "platform/gdi/DeviceContext.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/EmfRecordTypes.h"
#include "platform/gdi/MetafileRecorder.h"
#include "platform/gdi/Paths.h"
#include "platform/gdi/PensBrushes.h"
#include "platform/gdi/PixelView.h"
#include "platform/gdi/Regions.h"
#include "platform/gdi/StockObjects.h"

namespace parch {
namespace {

template <class T>
void ForEachObject(const DeviceContextState& state, T&& f) {
    f(state.bitmap);
    f(state.pen);
    f(state.brush);
    f(state.font);
    f(state.palette);
}

// `from` moved towards `to` by coverage / 255, rounded half away from `from`:
// from + sign(d) x floor((|d| x coverage + 127) / 255) with d = to - from. The division is done as
// (x + 1 + (x >> 8)) >> 8, exact for every x below 65535, so vector lanes of 16 bits can do it too.
BYTE Mix(int from, int to, int coverage) {
    const int d = to - from;
    const int x = (d < 0 ? -d : d) * coverage + 127;
    const int q = (x + 1 + (x >> 8)) >> 8;
    return static_cast<BYTE>(from + (d < 0 ? -q : q));
}

// One pixel of `Bytes` bytes towards the ink; 32-bit pixels that get any ink lose their alpha.
template <int Bytes>
void MixPixel(BYTE* pixel, int coverage, DWORD ink) {
    if (coverage == 0) return;
    for (int c = 0; c < 3; ++c) pixel[c] = Mix(pixel[c], static_cast<int>((ink >> (8 * c)) & 0xFF), coverage);
    if constexpr (Bytes == 4) pixel[3] = 0;
}

#if defined(__SSE2__)
// Mix of two 32-bit pixels (16-bit lanes) towards `ink` (16-bit lanes, alpha lane 0).
__m128i MixLanes(__m128i from, __m128i ink, __m128i coverage) {
    const __m128i d = _mm_sub_epi16(ink, from);
    const __m128i negative = _mm_cmplt_epi16(d, _mm_setzero_si128());
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(d, negative), negative);
    const __m128i x = _mm_add_epi16(_mm_mullo_epi16(magnitude, coverage), _mm_set1_epi16(127));
    const __m128i q = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)), 8);
    return _mm_add_epi16(from, _mm_sub_epi16(_mm_xor_si128(q, negative), negative));
}

// Four 32-bit pixels under four coverage bytes, as MixPixel<4> does each.
inline __attribute__((always_inline)) void MixFour(BYTE* pixels, const BYTE* coverage, __m128i ink) {
    const __m128i zero = _mm_setzero_si128();
    std::int32_t four;
    std::memcpy(&four, coverage, sizeof four);
    if (four == -1) {
        // Full coverage everywhere: the ink itself, alpha cleared, as Mix gives at 255.
        const __m128i inkPixels = _mm_packus_epi16(ink, ink);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), inkPixels);
        return;
    }
    // Each coverage byte spread over the four 16-bit lanes of its pixel.
    const __m128i perPixel = _mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero);
    const __m128i spread = _mm_unpacklo_epi16(perPixel, perPixel);
    const __m128i low = _mm_unpacklo_epi32(spread, spread), high = _mm_unpackhi_epi32(spread, spread);
    const __m128i from = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    const __m128i mixed = _mm_packus_epi16(MixLanes(_mm_unpacklo_epi8(from, zero), ink, low),
                                           MixLanes(_mm_unpackhi_epi8(from, zero), ink, high));
    // Pixels without coverage stay as they were, alpha included; inked ones lose their alpha.
    const __m128i untouchedPixels = _mm_cmpeq_epi32(_mm_unpacklo_epi16(perPixel, zero), zero);
    const __m128i result = _mm_or_si128(_mm_and_si128(untouchedPixels, from),
                                        _mm_andnot_si128(untouchedPixels, _mm_and_si128(mixed, _mm_set1_epi32(0x00FFFFFF))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), result);
}
#endif

// A run of pixels under a run of coverage. Text masks are mostly empty, so eight empty coverage
// bytes are passed over at once.
template <int Bytes>
void MixSpan(BYTE* pixel, const BYTE* coverage, int count, DWORD ink) {
#if defined(__SSE2__)
    const __m128i inkLanes = _mm_set_epi16(0, static_cast<short>((ink >> 16) & 0xFF), static_cast<short>((ink >> 8) & 0xFF),
                                           static_cast<short>(ink & 0xFF), 0, static_cast<short>((ink >> 16) & 0xFF),
                                           static_cast<short>((ink >> 8) & 0xFF), static_cast<short>(ink & 0xFF));
#endif
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, coverage + i, sizeof eight);
        if (eight == 0) continue;
#if defined(__SSE2__)
        if constexpr (Bytes == 4) {
            // Glyph edges often leave one half of the eight empty.
            if (eight & 0xFFFFFFFFu) MixFour(pixel + static_cast<std::ptrdiff_t>(i) * 4, coverage + i, inkLanes);
            if (eight >> 32) MixFour(pixel + static_cast<std::ptrdiff_t>(i + 4) * 4, coverage + i + 4, inkLanes);
            continue;
        }
#endif
        for (int k = i; k < i + 8; ++k) MixPixel<Bytes>(pixel + static_cast<std::ptrdiff_t>(k) * Bytes, coverage[k], ink);
    }
    for (; i < count; ++i) MixPixel<Bytes>(pixel + static_cast<std::ptrdiff_t>(i) * Bytes, coverage[i], ink);
}

}  // namespace

DeviceContext::DeviceContext() : GdiObject(kKind) { SelectDefaults(); }

DeviceContext::DeviceContext(GdiBitmap* surface, POINT surfaceOrigin)
    : GdiObject(kKind), memory_(false), surface_(surface), surfaceOrigin_(surfaceOrigin) {
    // The surface stays alive as long as a context draws on it.
    RetainSelection(surface_);
    SelectDefaults();
}

DeviceContext::~DeviceContext() {
    if (GdiBitmap* bitmap = state_.bitmap; bitmap && bitmap->SelectedInto() == this) bitmap->SetSelectedInto(nullptr);
    Release(state_);
    for (const auto& saved : saved_) Release(saved);
    ReleaseSelection(surface_);
}

void DeviceContext::SelectDefaults() {
    if (memory_) state_.bitmap = DefaultBitmap();
    state_.pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
    state_.brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    state_.font = GetStockObject(SYSTEM_FONT);
    state_.palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    Retain(state_);
}

void DeviceContext::Retain(const DeviceContextState& state) {
    ForEachObject(state, [](GdiObject* object) { RetainSelection(object); });
}

void DeviceContext::Release(const DeviceContextState& state) {
    ForEachObject(state, [](GdiObject* object) { ReleaseSelection(object); });
}

HGDIOBJ DeviceContext::Select(GdiObject* object) {
    auto swap = [](auto& slot, auto* replacement) -> HGDIOBJ {
        auto* previous = slot;
        RetainSelection(replacement);
        slot = replacement;
        ReleaseSelection(previous);
        return previous;
    };
    switch (object->Kind()) {
    case GdiObjectKind::Pen: return swap(state_.pen, static_cast<GdiPen*>(object));
    case GdiObjectKind::Brush: return swap(state_.brush, static_cast<GdiBrush*>(object));
    case GdiObjectKind::Font: return swap(state_.font, object);
    case GdiObjectKind::Palette: return swap(state_.palette, static_cast<GdiPalette*>(object));
    case GdiObjectKind::Bitmap: {
        auto* bitmap = static_cast<GdiBitmap*>(object);
        if (!memory_) return nullptr;
        // A bitmap lives in one context at a time; the shared default bitmap is the exception.
        if (bitmap->SelectedInto() && bitmap->SelectedInto() != this && bitmap != DefaultBitmap()) return nullptr;
        GdiBitmap* previous = state_.bitmap;
        if (previous && previous->SelectedInto() == this) previous->SetSelectedInto(nullptr);
        if (bitmap != DefaultBitmap()) bitmap->SetSelectedInto(this);
        effectiveClipValid_ = false;
        return swap(state_.bitmap, bitmap);
    }
    case GdiObjectKind::Region: {
        const int type = SelectClipRgn(this, static_cast<GdiRegion*>(object));
        return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(type));
    }
    default: return nullptr;
    }
}

int DeviceContext::Save() {
    saved_.push_back(state_);
    Retain(state_);
    return static_cast<int>(saved_.size());
}

bool DeviceContext::Restore(int savedIndex) {
    const int count = static_cast<int>(saved_.size());
    const int index = savedIndex > 0 ? savedIndex : count + 1 + savedIndex;
    if (savedIndex == 0 || index < 1 || index > count) return false;
    GdiBitmap* previousBitmap = state_.bitmap;
    Release(state_);
    state_ = std::move(saved_[index - 1]);
    for (int i = index; i < count; ++i) Release(saved_[i]);
    saved_.resize(index - 1);
    if (previousBitmap != state_.bitmap) {
        if (previousBitmap && previousBitmap->SelectedInto() == this) previousBitmap->SetSelectedInto(nullptr);
        if (state_.bitmap && state_.bitmap != DefaultBitmap()) state_.bitmap->SetSelectedInto(this);
    }
    effectiveClipValid_ = false;
    return true;
}

namespace {

// Coordinates are kept within 29 bits so that later sums and differences cannot overflow.
LONG Saturated(long long v) {
    constexpr long long kLimit = 1 << 29;
    return static_cast<LONG>(std::clamp(v, -kLimit, kLimit));
}

}  // namespace

POINT DeviceContext::ToDevice(POINT p) const {
    return POINT{Saturated(static_cast<long long>(p.x) - state_.windowOrigin.x + state_.viewportOrigin.x),
                 Saturated(static_cast<long long>(p.y) - state_.windowOrigin.y + state_.viewportOrigin.y)};
}

RECT DeviceContext::ToDevice(const RECT& r) const {
    const POINT a = ToDevice(POINT{r.left, r.top});
    const POINT b = ToDevice(POINT{r.right, r.bottom});
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

POINT DeviceContext::ToLogical(POINT p) const {
    return POINT{Saturated(static_cast<long long>(p.x) + state_.windowOrigin.x - state_.viewportOrigin.x),
                 Saturated(static_cast<long long>(p.y) + state_.windowOrigin.y - state_.viewportOrigin.y)};
}

GdiBitmap* DeviceContext::Target() const { return memory_ ? state_.bitmap : surface_; }

void DeviceContext::SetSystemClip(std::optional<RegionRects> region) {
    systemClip_ = std::move(region);
    effectiveClipValid_ = false;
}

const RegionRects& DeviceContext::EffectiveClip() {
    if (effectiveClipValid_) return effectiveClip_;
    GdiBitmap* target = Target();
    effectiveClip_ = target ? RegionRects(RECT{0, 0, target->Width(), target->Height()}) : RegionRects();
    for (const auto* region : {systemClip_ ? &*systemClip_ : nullptr, state_.clip ? &*state_.clip : nullptr}) {
        if (!region || effectiveClip_.Empty()) continue;
        RegionRects shifted = *region;
        shifted.Offset(surfaceOrigin_.x, surfaceOrigin_.y);
        effectiveClip_ = RegionRects::Combine(effectiveClip_, shifted, RGN_AND);
    }
    effectiveClipValid_ = true;
    return effectiveClip_;
}

RECT DeviceContext::DrawingLimit(int margin) {
    const RegionRects& clip = EffectiveClip();
    if (clip.Empty()) return RECT{};
    const RECT b = clip.Bounds();
    const int m = std::clamp(margin, 0, 1 << 20);
    return RECT{b.left - surfaceOrigin_.x - m, b.top - surfaceOrigin_.y - m, b.right - surfaceOrigin_.x + m,
                b.bottom - surfaceOrigin_.y + m};
}

void DeviceContext::FillDeviceRect(const RECT& deviceRect, COLORREF color, const RECT* deviceClip) {
    GdiBitmap* target = Target();
    if (!target) return;
    RECT r = deviceRect;
    if (deviceClip) {
        r.left = std::max(r.left, deviceClip->left);
        r.top = std::max(r.top, deviceClip->top);
        r.right = std::min(r.right, deviceClip->right);
        r.bottom = std::min(r.bottom, deviceClip->bottom);
    }
    const RECT visible = DrawingLimit(0);
    r.top = std::max(r.top, visible.top);
    r.bottom = std::min(r.bottom, visible.bottom);
    if (r.left >= r.right || r.top >= r.bottom) return;
    const PixelView view = PixelView::Of(*target);
    const DWORD value = view.ValueOfColor(ColorOfColorRef(color));
    const RegionRects& clip = EffectiveClip();
    for (int y = r.top + surfaceOrigin_.y; y < r.bottom + surfaceOrigin_.y; ++y)
        clip.ForEachClippedSpan(y, r.left + surfaceOrigin_.x, r.right + surfaceOrigin_.x, [&](int x0, int x1) {
            for (int x = x0; x < x1; ++x) view.WriteValue(x, y, value);
        });
}

void DeviceContext::PaintCoverage(int deviceX, int deviceY, const CoverageMask& mask, COLORREF color,
                                  const RECT* deviceClip) {
    GdiBitmap* target = Target();
    if (!target || !mask.data || mask.width <= 0 || mask.height <= 0) return;
    RECT r{deviceX, deviceY, deviceX + mask.width, deviceY + mask.height};
    if (deviceClip) {
        r.left = std::max(r.left, deviceClip->left);
        r.top = std::max(r.top, deviceClip->top);
        r.right = std::min(r.right, deviceClip->right);
        r.bottom = std::min(r.bottom, deviceClip->bottom);
    }
    if (r.left >= r.right || r.top >= r.bottom) return;
    const PixelView view = PixelView::Of(*target);
    const DWORD ink = ColorOfColorRef(color);
    const DWORD inkValue = view.ValueOfColor(ink);
    const RegionRects& clip = EffectiveClip();
    const int ox = surfaceOrigin_.x, oy = surfaceOrigin_.y;
    const int bytes = view.bitsPerPixel / 8;  // 3 or 4 on the direct path
    for (int y = r.top; y < r.bottom; ++y) {
        const BYTE* coverageRow = mask.data + static_cast<std::int64_t>(y - deviceY) * mask.stride;
        clip.ForEachClippedSpan(y + oy, r.left + ox, r.right + ox, [&](int x0, int x1) {
            if (view.Paletted()) {
                for (int x = x0; x < x1; ++x)
                    if (coverageRow[x - ox - deviceX] >= 128) view.WriteValue(x, y + oy, inkValue);
                return;
            }
            // 24 and 32-bit pixels are mixed in place, channel by channel.
            BYTE* pixel = view.Row(y + oy) + static_cast<std::ptrdiff_t>(x0) * bytes;
            const BYTE* coverage = coverageRow + (x0 - ox - deviceX);
            if (bytes == 4) MixSpan<4>(pixel, coverage, x1 - x0, ink);
            else MixSpan<3>(pixel, coverage, x1 - x0, ink);
        });
    }
}

void DeviceContext::SetPath(std::unique_ptr<GdiPath> path) { path_ = std::move(path); }

void DeviceContext::SetRecorder(std::unique_ptr<MetafileRecorder> recorder) { recorder_ = std::move(recorder); }

std::unique_ptr<MetafileRecorder> DeviceContext::TakeRecorder() { return std::move(recorder_); }

MetafileRecorder* RecorderOf(DeviceContext* dc) { return dc ? dc->Recorder() : nullptr; }

// ---- Win32 calls ----

HDC CreateCompatibleDC(HDC dc) {
    if (dc && !ResolveHandle(dc)) return nullptr;
    return AdoptGdiObject(std::make_unique<DeviceContext>());
}

HDC CreateSurfaceDC(HBITMAP surface, POINT surfaceOrigin) {
    GdiBitmap* bitmap = ResolveHandle(surface);
    if (!bitmap) return nullptr;
    return AdoptGdiObject(std::make_unique<DeviceContext>(bitmap, surfaceOrigin));
}

BOOL DeleteDC(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    return DestroyGdiObject(context) ? 1 : 0;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext* context = ResolveHandle(dc);
    GdiObject* live = ResolveGdiObject(object);
    if (!context || !live) return nullptr;
    if (MetafileRecorder* recorder = context->Recorder()) {
        if (live->Kind() == GdiObjectKind::Region) {
            recorder->SelectClipRegion(static_cast<GdiRegion*>(live)->Rects().Rects(), RGN_COPY);
        } else if (live->Kind() != GdiObjectKind::Bitmap) {
            recorder->Select(live);
        }
    }
    return context->Select(live);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return nullptr;
    const DeviceContextState& s = context->State();
    switch (type) {
    case OBJ_PEN: return s.pen;
    case OBJ_BRUSH: return s.brush;
    case OBJ_FONT: return s.font;
    case OBJ_PAL: return s.palette;
    case OBJ_BITMAP: return context->Target();
    default: return nullptr;
    }
}

int SaveDC(HDC dc) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    if (MetafileRecorder* recorder = context->Recorder()) recorder->SaveDC();
    return context->Save();
}

BOOL RestoreDC(HDC dc, int savedDC) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    if (MetafileRecorder* recorder = context->Recorder()) recorder->RestoreDC(savedDC);
    return context->Restore(savedDC) ? 1 : 0;
}

namespace {

// Reads and replaces one field of a context's state; `fallback` answers a bad handle.
template <class T, class F>
T Exchange(HDC dc, T fallback, F&& field, const T* replacement) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return fallback;
    T& slot = field(context->State());
    const T previous = slot;
    if (replacement) slot = *replacement;
    return previous;
}

BOOL SetPoint(HDC dc, POINT DeviceContextState::*field, int x, int y, POINT* previous, bool relative) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    POINT& slot = context->State().*field;
    if (previous) *previous = slot;
    slot = relative ? POINT{slot.x + x, slot.y + y} : POINT{x, y};
    if (MetafileRecorder* recorder = context->Recorder()) {
        if (field == &DeviceContextState::windowOrigin) recorder->SetPoint(emr::SETWINDOWORGEX, slot);
        if (field == &DeviceContextState::viewportOrigin) recorder->SetPoint(emr::SETVIEWPORTORGEX, slot);
    }
    return 1;
}

BOOL GetPoint(HDC dc, POINT DeviceContextState::*field, POINT* out) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !out) return 0;
    *out = context->State().*field;
    return 1;
}

}  // namespace

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous) { return SetPoint(dc, &DeviceContextState::windowOrigin, x, y, previous, false); }
BOOL GetWindowOrgEx(HDC dc, POINT* origin) { return GetPoint(dc, &DeviceContextState::windowOrigin, origin); }
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* previous) { return SetPoint(dc, &DeviceContextState::windowOrigin, dx, dy, previous, true); }
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) { return SetPoint(dc, &DeviceContextState::viewportOrigin, x, y, previous, false); }
BOOL GetViewportOrgEx(HDC dc, POINT* origin) { return GetPoint(dc, &DeviceContextState::viewportOrigin, origin); }
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous) { return SetPoint(dc, &DeviceContextState::viewportOrigin, dx, dy, previous, true); }
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous) { return SetPoint(dc, &DeviceContextState::brushOrigin, x, y, previous, false); }
BOOL GetBrushOrgEx(HDC dc, POINT* origin) { return GetPoint(dc, &DeviceContextState::brushOrigin, origin); }
BOOL GetCurrentPositionEx(HDC dc, POINT* position) { return GetPoint(dc, &DeviceContextState::currentPosition, position); }

BOOL LPtoDP(HDC dc, POINT* points, int count) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || (!points && count > 0)) return 0;
    for (int i = 0; i < count; ++i) points[i] = context->ToDevice(points[i]);
    return 1;
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || (!points && count > 0)) return 0;
    for (int i = 0; i < count; ++i) points[i] = context->ToLogical(points[i]);
    return 1;
}

// Recording contexts write the new value as the record `record` (0: not recorded).
void RecordValue(HDC dc, std::uint32_t record, std::uint32_t value) {
    if (record == 0) return;
    if (MetafileRecorder* recorder = RecorderOf(ResolveHandle(dc))) recorder->SetValue(record, value);
}

#define PARCH_DC_FIELD(Type, Setter, Getter, member, fallback, valid, record)                  \
    Type Setter(HDC dc, Type value) {                                                          \
        if (!(valid)) return fallback;                                                         \
        RecordValue(dc, record, static_cast<std::uint32_t>(value));                            \
        return Exchange<Type>(dc, fallback, [](DeviceContextState& s) -> Type& { return s.member; }, &value); \
    }                                                                                          \
    Type Getter(HDC dc) {                                                                      \
        return Exchange<Type>(dc, fallback, [](DeviceContextState& s) -> Type& { return s.member; }, nullptr); \
    }

PARCH_DC_FIELD(int, SetBkMode, GetBkMode, bkMode, 0, value == TRANSPARENT || value == OPAQUE, emr::SETBKMODE)
PARCH_DC_FIELD(COLORREF, SetBkColor, GetBkColor, bkColor, CLR_INVALID, true, emr::SETBKCOLOR)
PARCH_DC_FIELD(COLORREF, SetTextColor, GetTextColor, textColor, CLR_INVALID, true, emr::SETTEXTCOLOR)
PARCH_DC_FIELD(UINT, SetTextAlign, GetTextAlign, textAlign, GDI_ERROR, true, emr::SETTEXTALIGN)
PARCH_DC_FIELD(int, SetTextCharacterExtra, GetTextCharacterExtra, textCharacterExtra, static_cast<int>(0x80000000), true, 0)
PARCH_DC_FIELD(int, SetROP2, GetROP2, rop2, 0, value >= R2_BLACK && value <= R2_WHITE, emr::SETROP2)
PARCH_DC_FIELD(int, SetStretchBltMode, GetStretchBltMode, stretchBltMode, 0, value >= BLACKONWHITE && value <= HALFTONE, emr::SETSTRETCHBLTMODE)
PARCH_DC_FIELD(int, SetPolyFillMode, GetPolyFillMode, polyFillMode, 0, value == ALTERNATE || value == WINDING, emr::SETPOLYFILLMODE)
PARCH_DC_FIELD(int, SetArcDirection, GetArcDirection, arcDirection, 0, value == AD_COUNTERCLOCKWISE || value == AD_CLOCKWISE, 0)
PARCH_DC_FIELD(COLORREF, SetDCBrushColor, GetDCBrushColor, dcBrushColor, CLR_INVALID, true, 0)
PARCH_DC_FIELD(COLORREF, SetDCPenColor, GetDCPenColor, dcPenColor, CLR_INVALID, true, 0)
#undef PARCH_DC_FIELD

int GetDeviceCaps(HDC dc, int index) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    GdiBitmap* target = context->Target();
    switch (index) {
    case HORZRES: return target ? target->Width() : 0;
    case VERTRES: return target ? target->Height() : 0;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP;
    case SIZEPALETTE: return 0;
    default: return 0;
    }
}

// ---- clipping ----

namespace {

// The device area of the context: where its target lies in device coordinates.
RegionRects DeviceArea(DeviceContext& context) {
    GdiBitmap* target = context.Target();
    if (!target) return {};
    const POINT o = context.SurfaceOrigin();
    return RegionRects(RECT{-o.x, -o.y, target->Width() - o.x, target->Height() - o.y});
}

int VisibleType(DeviceContext& context) { return context.EffectiveClip().Type(); }

int ApplyClip(DeviceContext& context, const RegionRects& region, int mode) {
    auto& clip = context.State().clip;
    if (mode == RGN_COPY) clip = region;
    else clip = RegionRects::Combine(clip ? *clip : DeviceArea(context), region, mode);
    context.ClipChanged();
    return VisibleType(context);
}

}  // namespace

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return ERROR;
    if (MetafileRecorder* recorder = context->Recorder())
        recorder->ClipRect(emr::INTERSECTCLIPRECT, RECT{left, top, right, bottom});
    return ApplyClip(*context, RegionRects(context->ToDevice(RECT{left, top, right, bottom})), RGN_AND);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return ERROR;
    if (MetafileRecorder* recorder = context->Recorder())
        recorder->ClipRect(emr::EXCLUDECLIPRECT, RECT{left, top, right, bottom});
    return ApplyClip(*context, RegionRects(context->ToDevice(RECT{left, top, right, bottom})), RGN_DIFF);
}

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (MetafileRecorder* recorder = context->Recorder()) {
        GdiRegion* recorded = region ? ResolveHandle(region) : nullptr;
        if (!region || recorded)
            recorder->SelectClipRegion(recorded ? recorded->Rects().Rects() : std::vector<RECT>{}, mode);
    }
    if (!region) {
        // Only a copy may remove the clip region.
        if (mode != RGN_COPY) return ERROR;
        context->State().clip.reset();
        context->ClipChanged();
        return VisibleType(*context);
    }
    GdiRegion* live = ResolveHandle(region);
    if (!live) return ERROR;
    return ApplyClip(*context, live->Rects(), mode);
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return ERROR;
    if (context->State().clip) context->State().clip->Offset(dx, dy);
    context->ClipChanged();
    return VisibleType(*context);
}

int GetClipBox(HDC dc, RECT* rect) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !rect) return ERROR;
    const RegionRects& visible = context->EffectiveClip();
    RECT box = visible.Bounds();
    if (visible.Empty()) {
        *rect = RECT{};
        return NULLREGION;
    }
    const POINT o = context->SurfaceOrigin();
    const POINT a = context->ToLogical(POINT{box.left - o.x, box.top - o.y});
    const POINT b = context->ToLogical(POINT{box.right - o.x, box.bottom - o.y});
    *rect = RECT{a.x, a.y, b.x, b.y};
    return visible.Type();
}

int GetClipRgn(HDC dc, HRGN region) {
    DeviceContext* context = ResolveHandle(dc);
    GdiRegion* live = ResolveHandle(region);
    if (!context || !live) return -1;
    if (!context->State().clip) return 0;
    live->Rects() = *context->State().clip;
    return 1;
}

BOOL PtVisible(HDC dc, int x, int y) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context) return 0;
    const POINT d = context->ToDevice(POINT{x, y});
    const POINT o = context->SurfaceOrigin();
    return context->EffectiveClip().Contains(d.x + o.x, d.y + o.y) ? 1 : 0;
}

BOOL RectVisible(HDC dc, const RECT* rect) {
    DeviceContext* context = ResolveHandle(dc);
    if (!context || !rect) return 0;
    RECT d = context->ToDevice(*rect);
    const POINT o = context->SurfaceOrigin();
    d = RECT{d.left + o.x, d.top + o.y, d.right + o.x, d.bottom + o.y};
    return context->EffectiveClip().Overlaps(d) ? 1 : 0;
}

}  // namespace parch
