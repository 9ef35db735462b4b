#pragma once
// Helpers the control units share: mouse message coordinates, the control tree and painting
// through a canvas. Not part of the framework's interface.

#include <functional>

#include "framework/WinControls.h"
#include "framework/graphics/Canvas.h"

namespace parch {

// Client-area mouse messages: the ones routed to windowless children (the wheel is not).
inline bool IsMouseClientMessage(UINT msg) {
    return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL && msg != WM_MOUSEHWHEEL;
}

// The shift state of a mouse message's MK_ flags.
TShiftState MouseShiftState(WPARAM keys);

inline POINT PointOf(LPARAM lParam) {
    return {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
}

inline LPARAM LParamOf(POINT p) {
    return MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

inline bool Contains(const RECT& r, POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// Whether control is parent or sits somewhere below it.
inline bool IsInside(const TControl* control, const TControl* parent) {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == parent) return true;
    return false;
}

// Points canvas at dc with the control's font for the time of paint.
void PaintOnCanvas(TCanvas& canvas, HDC dc, const TFont& font, const std::function<void()>& paint);

}  // namespace parch
