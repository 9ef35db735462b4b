#pragma once
// Rectangle helpers with Win32 semantics: right and bottom are exclusive, a rectangle with no
// area is empty, results of empty intersections are all zeros.

#include "platform/gdi/WinTypes.h"

namespace parch {

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL CopyRect(RECT* destination, const RECT* source);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL InflateRect(RECT* rect, int dx, int dy);
BOOL IntersectRect(RECT* destination, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* destination, const RECT* a, const RECT* b);
BOOL SubtractRect(RECT* destination, const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* rect, POINT point);
BOOL IsRectEmpty(const RECT* rect);
BOOL EqualRect(const RECT* a, const RECT* b);

inline int RectWidth(const RECT& r) { return r.right - r.left; }
inline int RectHeight(const RECT& r) { return r.bottom - r.top; }

}  // namespace parch
