#include "platform/gdi/RegionRects.h"

#include <algorithm>

namespace parch {
namespace {

struct Interval {
    int x0;
    int x1;
    friend bool operator==(const Interval&, const Interval&) = default;
};

bool Keeps(int op, bool inA, bool inB) {
    switch (op) {
    case RGN_AND: return inA && inB;
    case RGN_OR: return inA || inB;
    case RGN_XOR: return inA != inB;
    case RGN_DIFF: return inA && !inB;
    default: return false;
    }
}

std::vector<Interval> CombineIntervals(const std::vector<Interval>& a, const std::vector<Interval>& b, int op) {
    std::vector<int> xs;
    xs.reserve((a.size() + b.size()) * 2);
    for (const auto& i : a) xs.insert(xs.end(), {i.x0, i.x1});
    for (const auto& i : b) xs.insert(xs.end(), {i.x0, i.x1});
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::vector<Interval> result;
    size_t ia = 0, ib = 0;
    for (size_t k = 0; k + 1 < xs.size(); ++k) {
        const int x = xs[k];
        while (ia < a.size() && a[ia].x1 <= x) ++ia;
        while (ib < b.size() && b[ib].x1 <= x) ++ib;
        const bool inA = ia < a.size() && a[ia].x0 <= x;
        const bool inB = ib < b.size() && b[ib].x0 <= x;
        if (!Keeps(op, inA, inB)) continue;
        if (!result.empty() && result.back().x1 == x) result.back().x1 = xs[k + 1];
        else result.push_back({x, xs[k + 1]});
    }
    return result;
}

// Appends bands, merging a band into the one above when they touch and have equal spans.
class BandBuilder {
public:
    void Add(int top, int bottom, const std::vector<Interval>& intervals) {
        if (intervals.empty() || top >= bottom) return;
        if (lastStart_ < rects_.size() && rects_[lastStart_].bottom == top && lastIntervals_ == intervals) {
            for (size_t i = lastStart_; i < rects_.size(); ++i) rects_[i].bottom = bottom;
            return;
        }
        lastStart_ = rects_.size();
        lastIntervals_ = intervals;
        for (const auto& i : intervals) rects_.push_back(RECT{i.x0, top, i.x1, bottom});
    }
    std::vector<RECT> Take() { return std::move(rects_); }

private:
    std::vector<RECT> rects_;
    size_t lastStart_ = static_cast<size_t>(-1);
    std::vector<Interval> lastIntervals_;
};

// The spans of a banded list over [y0, y1), which lies inside one of its bands or in a gap.
std::vector<Interval> BandIntervals(const std::vector<RECT>& rects, size_t& cursor, int y0) {
    while (cursor < rects.size() && rects[cursor].bottom <= y0) ++cursor;
    std::vector<Interval> intervals;
    for (size_t i = cursor; i < rects.size() && rects[i].top <= y0 && rects[i].bottom > y0; ++i)
        intervals.push_back({rects[i].left, rects[i].right});
    return intervals;
}

}  // namespace

namespace {

// Region coordinates stay within 30 bits, so moving them never overflows.
constexpr long long kCoordinateLimit = 1 << 30;

LONG Clamped(long long v) { return static_cast<LONG>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)); }

RECT ClampedRect(const RECT& r) { return RECT{Clamped(r.left), Clamped(r.top), Clamped(r.right), Clamped(r.bottom)}; }

}  // namespace

RegionRects::RegionRects(const RECT& rect) {
    const RECT r = ClampedRect(rect);
    if (r.left < r.right && r.top < r.bottom) rects_.push_back(r);
}

RegionRects RegionRects::FromSpans(std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) {
        return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
    });
    BandBuilder builder;
    std::vector<Interval> row;
    for (size_t i = 0; i < spans.size();) {
        const int y = spans[i].y;
        row.clear();
        for (; i < spans.size() && spans[i].y == y; ++i) {
            if (spans[i].x0 >= spans[i].x1) continue;
            if (!row.empty() && spans[i].x0 <= row.back().x1) row.back().x1 = std::max(row.back().x1, spans[i].x1);
            else row.push_back({spans[i].x0, spans[i].x1});
        }
        builder.Add(y, y + 1, row);
    }
    RegionRects region;
    region.rects_ = builder.Take();
    return region;
}

RegionRects RegionRects::FromRects(std::vector<RECT> rects) {
    for (RECT& r : rects) r = ClampedRect(r);
    std::erase_if(rects, [](const RECT& r) { return r.left >= r.right || r.top >= r.bottom; });
    std::sort(rects.begin(), rects.end(), [](const RECT& a, const RECT& b) { return a.top < b.top; });
    std::vector<int> ys;
    for (const auto& r : rects) ys.insert(ys.end(), {r.top, r.bottom});
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    BandBuilder builder;
    std::vector<const RECT*> active;
    size_t next = 0;
    std::vector<Interval> row;
    for (size_t k = 0; k + 1 < ys.size(); ++k) {
        const int y = ys[k];
        std::erase_if(active, [y](const RECT* r) { return r->bottom <= y; });
        while (next < rects.size() && rects[next].top <= y) active.push_back(&rects[next++]);
        row.clear();
        for (const RECT* r : active) row.push_back({r->left, r->right});
        std::sort(row.begin(), row.end(), [](const Interval& a, const Interval& b) { return a.x0 < b.x0; });
        std::vector<Interval> merged;
        for (const auto& i : row) {
            if (!merged.empty() && i.x0 <= merged.back().x1) merged.back().x1 = std::max(merged.back().x1, i.x1);
            else merged.push_back(i);
        }
        builder.Add(y, ys[k + 1], merged);
    }
    RegionRects region;
    region.rects_ = builder.Take();
    return region;
}

RegionRects RegionRects::Eroded(int times) const {
    RegionRects result = *this;
    for (int i = 0; i < times && !result.Empty(); ++i) {
        RegionRects next = Combine(result, result.Offsetted(1, 0), RGN_AND);
        next = Combine(next, result.Offsetted(-1, 0), RGN_AND);
        next = Combine(next, result.Offsetted(0, 1), RGN_AND);
        result = Combine(next, result.Offsetted(0, -1), RGN_AND);
    }
    return result;
}

namespace {

// Erosion along one axis by `distance`: E(a + b) = E(a) shifted by -b and by +b, for b <= a.
RegionRects ErodeAxis(const RegionRects& region, int distance, bool horizontal) {
    auto shifted = [horizontal](const RegionRects& r, int by) {
        return horizontal ? r.Offsetted(by, 0) : r.Offsetted(0, by);
    };
    if (distance <= 0 || region.Empty()) return region;
    RegionRects eroded = RegionRects::Combine(RegionRects::Combine(region, shifted(region, 1), RGN_AND),
                                              shifted(region, -1), RGN_AND);
    int reached = 1;
    while (reached < distance && !eroded.Empty()) {
        const int step = std::min(reached, distance - reached);
        eroded = RegionRects::Combine(shifted(eroded, step), shifted(eroded, -step), RGN_AND);
        reached += step;
    }
    return eroded;
}

}  // namespace

RegionRects RegionRects::ErodedBy(int dx, int dy) const {
    return ErodeAxis(ErodeAxis(*this, dx, true), dy, false);
}

RegionRects RegionRects::Boundary() const { return Combine(*this, Eroded(1), RGN_DIFF); }

int RegionRects::Type() const {
    if (rects_.empty()) return NULLREGION;
    return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT RegionRects::Bounds() const {
    if (rects_.empty()) return RECT{};
    RECT bounds{rects_.front().left, rects_.front().top, rects_.front().right, rects_.back().bottom};
    for (const auto& r : rects_) {
        bounds.left = std::min(bounds.left, r.left);
        bounds.right = std::max(bounds.right, r.right);
    }
    return bounds;
}

std::vector<RECT>::const_iterator RegionRects::FirstRectOfRow(int y) const {
    // Bands are sorted and disjoint, so bottoms never decrease along the list.
    return std::partition_point(rects_.begin(), rects_.end(), [y](const RECT& r) { return r.bottom <= y; });
}

bool RegionRects::Contains(int x, int y) const {
    bool inside = false;
    ForEachSpanInRow(y, [&](int x0, int x1) { inside = inside || (x >= x0 && x < x1); });
    return inside;
}

bool RegionRects::Overlaps(const RECT& rect) const {
    if (rect.left >= rect.right || rect.top >= rect.bottom) return false;
    for (auto it = FirstRectOfRow(rect.top); it != rects_.end() && it->top < rect.bottom; ++it)
        if (it->left < rect.right && it->right > rect.left) return true;
    return false;
}

RegionRects RegionRects::Combine(const RegionRects& a, const RegionRects& b, int op) {
    std::vector<int> ys;
    ys.reserve((a.rects_.size() + b.rects_.size()) * 2);
    for (const auto& r : a.rects_) ys.insert(ys.end(), {r.top, r.bottom});
    for (const auto& r : b.rects_) ys.insert(ys.end(), {r.top, r.bottom});
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    BandBuilder builder;
    size_t ca = 0, cb = 0;
    for (size_t k = 0; k + 1 < ys.size(); ++k) {
        const auto ia = BandIntervals(a.rects_, ca, ys[k]);
        const auto ib = BandIntervals(b.rects_, cb, ys[k]);
        builder.Add(ys[k], ys[k + 1], CombineIntervals(ia, ib, op));
    }
    RegionRects result;
    result.rects_ = builder.Take();
    return result;
}

RegionRects RegionRects::Intersected(const RECT& rect) const {
    if (rects_.size() == 1) {
        const RECT& r = rects_.front();
        return RegionRects(RECT{std::max(r.left, rect.left), std::max(r.top, rect.top),
                                std::min(r.right, rect.right), std::min(r.bottom, rect.bottom)});
    }
    return Combine(*this, RegionRects(rect), RGN_AND);
}

void RegionRects::Offset(int dx, int dy) {
    for (auto& r : rects_) {
        r = RECT{Clamped(static_cast<long long>(r.left) + dx), Clamped(static_cast<long long>(r.top) + dy),
                 Clamped(static_cast<long long>(r.right) + dx), Clamped(static_cast<long long>(r.bottom) + dy)};
    }
    // Rectangles pressed against the limit may have lost their area.
    std::erase_if(rects_, [](const RECT& r) { return r.left >= r.right || r.top >= r.bottom; });
}

}  // namespace parch
