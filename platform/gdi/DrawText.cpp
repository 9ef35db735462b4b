#include "platform/gdi/DrawText.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiText.h"
#include "platform/gdi/Utf8Text.h"

namespace parch {

namespace {

int TabWidth(UINT format, const TEXTMETRIC& metrics) {
    // DT_TABSTOP carries the number of average characters per stop in bits 8..15.
    const int characters = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : 8;
    return std::max(1, characters) * metrics.tmAveCharWidth;
}

// Flags that DT_TABSTOP's count overlays are read only without it.
UINT EffectiveFormat(UINT format) {
    return (format & DT_TABSTOP) ? (format & ~0xFF00u) : format;
}

int HorizontalOffset(UINT format, int available, int width) {
    if (format & DT_CENTER) return (available - width) / 2;
    if (format & DT_RIGHT) return available - width;
    return 0;
}

// One line at (x, y), top-left aligned, with the prefix underlines below the baseline.
void DrawLine(HDC dc, DeviceContext& context, const TextLayoutLine& line, int x, int y,
              const TEXTMETRIC& metrics, const RECT* clip) {
    const std::string utf8 = EncodeUtf8(line.text);
    ExtTextOut(dc, x, y, clip ? ETO_CLIPPED : 0, clip, utf8.data(), static_cast<UINT>(utf8.size()),
               line.advances.data());
    int left = x;
    for (std::size_t i = 0; i < line.text.size(); ++i) {
        if (line.underlined[i]) {
            const int baseline = y + metrics.tmAscent;
            const RECT logical{left, baseline + 1, left + line.advances[i], baseline + 2};
            const RECT deviceClip = clip ? context.ToDevice(*clip) : RECT{};
            context.FillDeviceRect(context.ToDevice(logical), context.State().textColor,
                                   clip ? &deviceClip : nullptr);
        }
        left += line.advances[i];
    }
}

}  // namespace

int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format) {
    DeviceContext* context = ResolveHandle(dc);
    GdiFont* font = SelectedFont(dc);
    if (!context || !font || !rect || !text) return 0;
    const std::size_t length = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
    const std::u32string characters = DecodeUtf8(std::string_view(text, length));

    FontInstance& instance = font->Instance();
    const TEXTMETRIC& metrics = instance.Metrics();
    const int charExtra = context->State().textCharacterExtra;
    const UINT flags = EffectiveFormat(format);

    TextLayoutOptions options;
    options.format = flags;
    options.maxWidth = rect->right - rect->left;
    options.tabWidth = TabWidth(format, metrics);
    options.advance = [&instance, charExtra](char32_t ch) { return instance.CharWidth(ch) + charExtra; };
    const std::vector<TextLayoutLine> lines = LayoutText(characters, options);

    const int lineHeight = metrics.tmHeight + ((flags & DT_EXTERNALLEADING) ? metrics.tmExternalLeading : 0);
    const int textHeight = lineHeight * static_cast<int>(lines.size());
    int widest = 0;
    for (const TextLayoutLine& line : lines) widest = std::max(widest, line.width);

    if (flags & DT_CALCRECT) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + textHeight;
        return textHeight;
    }

    // Vertical placement applies to single lines only, as in Windows.
    int top = rect->top;
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER) top += (rect->bottom - rect->top - textHeight) / 2;
        else if (flags & DT_BOTTOM) top = rect->bottom - textHeight;
    }

    DeviceContextState& state = context->State();
    const UINT savedAlign = state.textAlign;
    state.textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    const RECT* clip = (flags & DT_NOCLIP) ? nullptr : rect;
    int y = top;
    for (const TextLayoutLine& line : lines) {
        const int x = rect->left + HorizontalOffset(flags, rect->right - rect->left, line.width);
        DrawLine(dc, *context, line, x, y, metrics, clip);
        y += lineHeight;
    }
    state.textAlign = savedAlign;

    if ((flags & DT_SINGLELINE) && (flags & (DT_VCENTER | DT_BOTTOM))) return top - rect->top + textHeight;
    return textHeight;
}

}  // namespace parch
