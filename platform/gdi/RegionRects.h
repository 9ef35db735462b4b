#pragma once
// A region as a list of rectangles in y-x banded form: rectangles sorted by top, then left; the
// rectangles of one band share top and bottom, do not touch each other, and two neighbouring
// bands with the same spans are merged. Two equal areas therefore have equal lists.

#include <vector>

#include "platform/gdi/GdiTypes.h"

namespace parch {

// One row of pixels from x0 to x1 (exclusive) at y.
struct Span {
    int y = 0;
    int x0 = 0;
    int x1 = 0;
};

class RegionRects {
public:
    RegionRects() = default;
    explicit RegionRects(const RECT& rect);
    // Any set of spans, overlapping or unordered.
    static RegionRects FromSpans(std::vector<Span> spans);
    // Any set of rectangles, overlapping or unordered; empty ones are ignored.
    static RegionRects FromRects(std::vector<RECT> rects);

    const std::vector<RECT>& Rects() const { return rects_; }
    bool Empty() const { return rects_.empty(); }
    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    int Type() const;
    RECT Bounds() const;
    bool Contains(int x, int y) const;
    bool Overlaps(const RECT& rect) const;

    // op is RGN_AND, RGN_OR, RGN_XOR or RGN_DIFF.
    static RegionRects Combine(const RegionRects& a, const RegionRects& b, int op);
    RegionRects Intersected(const RECT& rect) const;
    void Offset(int dx, int dy);
    RegionRects Offsetted(int dx, int dy) const {
        RegionRects moved = *this;
        moved.Offset(dx, dy);
        return moved;
    }
    // The pixels whose four neighbours all lie inside, repeated `times` times.
    RegionRects Eroded(int times) const;
    // The pixels whose whole neighbourhood of `dx` columns and `dy` rows to every side lies
    // inside; costs a number of steps logarithmic in the distances.
    RegionRects ErodedBy(int dx, int dy) const;
    // The pixels of the region next to its outside: the one-pixel outline of a shape.
    RegionRects Boundary() const;

    // Calls f(x0, x1) for every span of row y inside the region, left to right.
    template <class F>
    void ForEachSpanInRow(int y, F&& f) const {
        for (auto it = FirstRectOfRow(y); it != rects_.end() && it->top <= y; ++it)
            if (y < it->bottom) f(it->left, it->right);
    }
    // The spans of row y clipped to [x0, x1).
    template <class F>
    void ForEachClippedSpan(int y, int x0, int x1, F&& f) const {
        ForEachSpanInRow(y, [&](int l, int r) {
            const int a = l > x0 ? l : x0;
            const int b = r < x1 ? r : x1;
            if (a < b) f(a, b);
        });
    }

    friend bool operator==(const RegionRects&, const RegionRects&) = default;

private:
    std::vector<RECT>::const_iterator FirstRectOfRow(int y) const;
    std::vector<RECT> rects_;
};

}  // namespace parch
