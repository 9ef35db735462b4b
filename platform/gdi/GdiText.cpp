#include "platform/gdi/GdiText.h"

#include <algorithm>
#include <span>
#include <string_view>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/MetafileRecorder.h"
#include "platform/gdi/Rects.h"
#include "platform/gdi/Utf8Text.h"

namespace parch {

namespace {

std::u32string DecodeCounted(const char* text, int count) {
    if (!text || count <= 0) return {};
    return DecodeUtf8(std::string_view(text, static_cast<std::size_t>(count)));
}

// Where the text may land in device coordinates: the context's drawable area, and the
// caller's rectangle when given.
RECT DeviceBound(DeviceContext& context, const RECT* deviceClip) {
    RECT bound = context.EffectiveClip().Bounds();
    const POINT surface = context.SurfaceOrigin();
    bound = RECT{bound.left - surface.x, bound.top - surface.y, bound.right - surface.x,
                 bound.bottom - surface.y};
    if (deviceClip) IntersectRect(&bound, &bound, deviceClip);
    return bound;
}

void Paint(DeviceContext& context, const GlyphCoverage& coverage, COLORREF color, const RECT* clip) {
    if (coverage.Empty()) return;
    CoverageMask mask;
    mask.data = coverage.alpha.data();
    mask.width = coverage.Width();
    mask.height = coverage.Height();
    mask.stride = coverage.Width();
    context.PaintCoverage(coverage.bounds.left, coverage.bounds.top, mask, color, clip);
}

}  // namespace

BOOL TextOut(HDC dc, int x, int y, const char* text, int count) {
    return ExtTextOut(dc, x, y, 0, nullptr, text, count < 0 ? 0 : static_cast<UINT>(count), nullptr);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                const INT* dx) {
    DeviceContext* context = ResolveHandle(dc);
    GdiFont* font = SelectedFont(dc);
    if (!context || !font) return 0;
    if (MetafileRecorder* recorder = context->Recorder()) {
        const std::u16string wide = Utf16FromUtf8(std::string_view(text ? text : "", text ? count : 0));
        // Advances are given per byte; they follow the characters only when each is one byte.
        const bool perCharacter = dx && wide.size() == count;
        recorder->TextOut(*context, POINT{x, y}, options, rect, wide, perCharacter ? dx : nullptr);
        return 1;
    }
    DeviceContextState& state = context->State();
    FontInstance& instance = font->Instance();
    const TEXTMETRIC& metrics = instance.Metrics();

    const RECT deviceRect = rect ? context->ToDevice(*rect) : RECT{};
    const RECT* clip = rect && (options & ETO_CLIPPED) ? &deviceRect : nullptr;
    if (rect && (options & ETO_OPAQUE)) context->FillDeviceRect(deviceRect, state.bkColor);

    const std::u32string characters = DecodeCounted(text, static_cast<int>(std::min<UINT>(count, 1u << 30)));
    const std::span<const int> spacing = dx ? std::span<const int>(dx, characters.size()) : std::span<const int>();
    const std::vector<int> positions = instance.CharPositions(characters, spacing, dx ? 0 : state.textCharacterExtra);
    const int width = positions.back();

    const bool updateCP = (state.textAlign & TA_UPDATECP) != 0;
    const POINT logicalReference = updateCP ? state.currentPosition : POINT{x, y};
    TextPlacement placement;
    placement.reference = context->ToDevice(logicalReference);
    switch (state.textAlign & TA_CENTER) {
    case TA_RIGHT: placement.alongBaseline = -width; break;
    case TA_CENTER: placement.alongBaseline = -width / 2; break;
    default: break;
    }
    switch (state.textAlign & TA_BASELINE) {
    case TA_BASELINE: break;
    case TA_BOTTOM: placement.downToBaseline = -metrics.tmDescent; break;
    default: placement.downToBaseline = metrics.tmAscent; break;
    }

    if (state.bkMode == OPAQUE && width > 0) {
        if (instance.Request().lfEscapement % 3600 == 0) {
            const LONG left = placement.reference.x + placement.alongBaseline;
            const LONG baseline = placement.reference.y + placement.downToBaseline;
            context->FillDeviceRect(
                RECT{left, baseline - metrics.tmAscent, left + width, baseline + metrics.tmDescent}, state.bkColor, clip);
        } else {
            Paint(*context, instance.RenderCell(placement, 0, width, DeviceBound(*context, clip)), state.bkColor, clip);
        }
    }
    Paint(*context, instance.Render(characters, positions, placement, DeviceBound(*context, clip)), state.textColor,
          clip);

    if (updateCP) {
        switch (state.textAlign & TA_CENTER) {
        case TA_RIGHT: state.currentPosition.x -= width; break;
        case TA_CENTER: break;
        default: state.currentPosition.x += width; break;
        }
    }
    return 1;
}

BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size) {
    DeviceContext* context = ResolveHandle(dc);
    GdiFont* font = SelectedFont(dc);
    if (!context || !font || !size || count < 0) return 0;
    *size = font->Instance().TextExtent(DecodeCounted(text, count), context->State().textCharacterExtra);
    return 1;
}

BOOL GetTextExtentExPoint(HDC dc, const char* text, int count, int maxExtent, INT* fit, INT* dx,
                          SIZE* size) {
    DeviceContext* context = ResolveHandle(dc);
    GdiFont* font = SelectedFont(dc);
    if (!context || !font || !size || count < 0) return 0;
    const std::u32string characters = DecodeCounted(text, count);
    const std::vector<int> positions =
        font->Instance().CharPositions(characters, {}, context->State().textCharacterExtra);
    int fitting = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (dx) dx[i] = positions[i + 1];
        if (positions[i + 1] <= maxExtent && fitting == static_cast<int>(i)) ++fitting;
    }
    if (fit) *fit = fitting;
    *size = SIZE{positions.back(), font->Instance().Metrics().tmHeight};
    return 1;
}

}  // namespace parch
