#include "platform/win/ScrollBarInfo.h"

#include "platform/win/ScrollBars.h"
#include "platform/win/WindowLong.h"
#include "platform/win/WinState.h"
#include "platform/win/WindowClasses.h"
#include "platform/win/WindowLife.h"

namespace parch {

BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info) {
    if (!info || info->cbSize != sizeof(SCROLLBARINFO)) return 0;
    int bar;
    bool vertical;
    switch (object) {
        case OBJID_HSCROLL: bar = SB_HORZ; vertical = false; break;
        case OBJID_VSCROLL: bar = SB_VERT; vertical = true; break;
        case OBJID_CLIENT: {
            char name[16] = {};
            GetClassName(hwnd, name, sizeof name);
            if (!win::SameAsciiText(name, "scrollbar")) return 0;
            bar = SB_CTL;
            vertical = (GetWindowLongPtr(hwnd, GWL_STYLE) & SBS_VERT) != 0;
            break;
        }
        default: return 0;
    }
    win::ScrollState state;
    // A window bar that was never set up has the default state; only a control must have one.
    if (!win::GetScrollState(hwnd, bar, state) && (bar == SB_CTL || !IsWindow(hwnd))) return 0;
    const RECT r = win::ScrollBarRectOnScreen(hwnd, bar);
    const int length = vertical ? r.bottom - r.top : r.right - r.left;
    const int thickness = vertical ? r.right - r.left : r.bottom - r.top;
    SCROLLBARINFO out;
    out.rcScrollBar = r;
    for (DWORD& s : out.rgstate) s = 0;
    if (length <= 0 || thickness <= 0) {
        out.rgstate[0] = STATE_SYSTEM_INVISIBLE;
        *info = out;
        return 1;
    }
    const win::ScrollGeometry g = win::LayOutScrollBar(state, length, thickness);
    out.dxyLineButton = g.arrow;
    out.xyThumbTop = g.thumbStart;
    out.xyThumbBottom = g.thumbStart + g.thumbLength;
    if ((state.disabledArrows & 3) == 3) out.rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
    if (state.disabledArrows & 1) out.rgstate[1] |= STATE_SYSTEM_UNAVAILABLE;
    if (state.disabledArrows & 2) out.rgstate[5] |= STATE_SYSTEM_UNAVAILABLE;
    if (g.thumbLength == 0)
        for (int part : {2, 3, 4}) out.rgstate[part] |= STATE_SYSTEM_INVISIBLE;
    switch (state.pressed) {
        case win::ScrollPart::LineUp: out.rgstate[1] |= STATE_SYSTEM_PRESSED; break;
        case win::ScrollPart::PageUp: out.rgstate[2] |= STATE_SYSTEM_PRESSED; break;
        case win::ScrollPart::Thumb: out.rgstate[3] |= STATE_SYSTEM_PRESSED; break;
        case win::ScrollPart::PageDown: out.rgstate[4] |= STATE_SYSTEM_PRESSED; break;
        case win::ScrollPart::LineDown: out.rgstate[5] |= STATE_SYSTEM_PRESSED; break;
        case win::ScrollPart::None: break;
    }
    *info = out;
    return 1;
}

}  // namespace parch
