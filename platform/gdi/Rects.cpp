#include "platform/gdi/Rects.h"

#include <algorithm>

namespace parch {

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
    if (!rect) return 0;
    *rect = RECT{left, top, right, bottom};
    return 1;
}

BOOL SetRectEmpty(RECT* rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL CopyRect(RECT* destination, const RECT* source) {
    if (!destination || !source) return 0;
    *destination = *source;
    return 1;
}

BOOL OffsetRect(RECT* rect, int dx, int dy) {
    if (!rect) return 0;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return 1;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
    if (!rect) return 0;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return 1;
}

BOOL IsRectEmpty(const RECT* rect) {
    return !rect || rect->left >= rect->right || rect->top >= rect->bottom;
}

BOOL IntersectRect(RECT* destination, const RECT* a, const RECT* b) {
    if (!destination || !a || !b) return 0;
    const RECT r{std::max(a->left, b->left), std::max(a->top, b->top),
                 std::min(a->right, b->right), std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *destination = RECT{};
        return 0;
    }
    *destination = r;
    return 1;
}

BOOL UnionRect(RECT* destination, const RECT* a, const RECT* b) {
    if (!destination || !a || !b) return 0;
    if (IsRectEmpty(a)) {
        *destination = IsRectEmpty(b) ? RECT{} : *b;
    } else if (IsRectEmpty(b)) {
        *destination = *a;
    } else {
        *destination = RECT{std::min(a->left, b->left), std::min(a->top, b->top),
                            std::max(a->right, b->right), std::max(a->bottom, b->bottom)};
    }
    return !IsRectEmpty(destination);
}

// What is left of `a` when `b` covers it completely along one axis; otherwise `a` itself.
BOOL SubtractRect(RECT* destination, const RECT* a, const RECT* b) {
    if (!destination || !a || !b) return 0;
    RECT r = *a;
    RECT overlap;
    if (IntersectRect(&overlap, a, b)) {
        if (overlap.left == r.left && overlap.right == r.right) {
            if (overlap.top == r.top) r.top = overlap.bottom;
            else if (overlap.bottom == r.bottom) r.bottom = overlap.top;
        } else if (overlap.top == r.top && overlap.bottom == r.bottom) {
            if (overlap.left == r.left) r.left = overlap.right;
            else if (overlap.right == r.right) r.right = overlap.left;
        }
    }
    if (IsRectEmpty(&r)) {
        *destination = RECT{};
        return 0;
    }
    *destination = r;
    return 1;
}

BOOL PtInRect(const RECT* rect, POINT point) {
    return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top &&
           point.y < rect->bottom;
}

BOOL EqualRect(const RECT* a, const RECT* b) { return a && b && *a == *b; }

}  // namespace parch
