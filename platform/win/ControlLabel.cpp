#include "platform/win/ControlLabel.h"

#include <algorithm>

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blits.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DrawText.h"
#include "platform/gdi/GdiObject.h"
#include "platform/gdi/SystemColors.h"
#include "platform/win/Icons.h"

namespace parch::win {

namespace controllabel {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

int TopFor(const RECT& area, int height, LabelPlace place) {
    switch (place) {
        case LabelPlace::Top: return area.top;
        case LabelPlace::Bottom: return area.bottom - height;
        default: return area.top + (Height(area) - height) / 2;
    }
}

int LeftFor(const RECT& area, int width, UINT horizontal) {
    if (horizontal & DT_CENTER) return area.left + (Width(area) - width) / 2;
    if (horizontal & DT_RIGHT) return area.right - width;
    return area.left;
}

void DrawTextIn(HDC dc, const std::string& text, RECT r, UINT format, COLORREF color) {
    SetTextColor(dc, color);
    DrawText(dc, text.c_str(), -1, &r, format);
}

bool IsIconType(UINT type) { return type == IMAGE_ICON || type == IMAGE_CURSOR; }

}  // namespace controllabel

RECT DrawLabel(HDC dc, const RECT& area, const Label& label) {
    using namespace controllabel;
    if (label.text.empty() || Width(area) <= 0) return RECT{};
    // Measure first, so the text can be placed vertically whether it wraps or not, and so the
    // caller learns where it went (for the focus rectangle).
    const UINT layout = label.format & ~(DT_VCENTER | DT_BOTTOM | DT_CALCRECT);
    RECT measured{0, 0, Width(area), 0};
    DrawText(dc, label.text.c_str(), -1, &measured, layout | DT_CALCRECT);
    const int width = std::min(Width(measured), Width(area));
    const int height = Height(measured);
    const int top = TopFor(area, height, label.place);
    const RECT box{LeftFor(area, width, layout), top, LeftFor(area, width, layout) + width, top + height};
    // Draw across the whole width so DrawText aligns each line of wrapped text itself.
    const RECT lines{area.left, top, area.right, top + height};
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    if (label.enabled) {
        DrawTextIn(dc, label.text, lines, layout, label.color);
    } else {
        // The engraved look: a highlight one pixel down and right under the shadow.
        RECT lower = lines;
        lower.left += 1;
        lower.right += 1;
        lower.top += 1;
        lower.bottom += 1;
        DrawTextIn(dc, label.text, lower, layout, GetSysColor(COLOR_3DHILIGHT));
        DrawTextIn(dc, label.text, lines, layout, GetSysColor(COLOR_3DSHADOW));
    }
    SetBkMode(dc, oldMode);
    return box;
}

SIZE ControlImageSize(void* image, UINT type) {
    if (image && controllabel::IsIconType(type)) {
        SIZE size{0, 0};
        return GetIconSize(static_cast<HICON>(image), size) ? size : SIZE{0, 0};
    }
    if (!image || type != IMAGE_BITMAP) return SIZE{0, 0};
    BITMAP info;
    if (!GetObject(static_cast<HBITMAP>(image), sizeof(info), &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

RECT PlaceImage(const RECT& area, SIZE size, UINT horizontal, LabelPlace place) {
    using namespace controllabel;
    const int left = LeftFor(area, size.cx, horizontal);
    const int top = TopFor(area, size.cy, place);
    return RECT{left, top, left + size.cx, top + size.cy};
}

void DrawControlImage(HDC dc, const RECT& target, void* image, UINT type) {
    using namespace controllabel;
    const SIZE size = ControlImageSize(image, type);
    if (size.cx <= 0 || size.cy <= 0) return;
    if (IsIconType(type)) {
        DrawIconEx(dc, target.left, target.top, static_cast<HICON>(image), Width(target), Height(target), 0, nullptr,
                   DI_NORMAL);
        return;
    }
    if (type != IMAGE_BITMAP) return;
    HDC source = CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, static_cast<HBITMAP>(image));
    if (Width(target) == size.cx && Height(target) == size.cy)
        BitBlt(dc, target.left, target.top, size.cx, size.cy, source, 0, 0, SRCCOPY);
    else
        StretchBlt(dc, target.left, target.top, Width(target), Height(target), source, 0, 0, size.cx, size.cy, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace parch::win
