// triangle_walk: the row walk shared by the triangle fillers and the span
// buffer. Corners sorted by y (three compare-and-swaps), rows T.y .. B.y - 1,
// rows above 0 skipped without visiting them, the first row at or below
// height ends the triangle. The caller gets each row's two edge points,
// left first.
#pragma once

#include "render/render_target.h"

#include <cmath>
#include <utility>

enum class EdgeRule {
    kFiller,    // x = trunc((E.x - S.x) * k / (E.y - S.y) + S.x)
    kSpanBuffer // x = trunc(S.x + f * (E.x - S.x)), f = k / (E.y - S.y)
};

inline bool cornersFinite(const ScreenVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.u) && std::isfinite(v.v) && std::isfinite(v.w);
}

template <EdgeRule rule> SpanEnd edgePoint(const ScreenVertex& s, const ScreenVertex& e, int64_t k) {
    double span = double(int64_t{e.y} - s.y);
    double f = double(k) / span;
    double x = rule == EdgeRule::kFiller ? (e.x - s.x) * double(k) / span + s.x : s.x + f * (e.x - s.x);
    return {truncateCoordinate(x), s.u + (e.u - s.u) * f, s.v + (e.v - s.v) * f, s.w + (e.w - s.w) * f};
}

template <EdgeRule rule, typename Row>
void walkTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int64_t height,
                  Row row) {
    if (!cornersFinite(a) || !cornersFinite(b) || !cornersFinite(c)) return;
    const ScreenVertex* v[3] = {&a, &b, &c};
    if (v[2]->y < v[1]->y) std::swap(v[1], v[2]);
    if (v[1]->y < v[0]->y) std::swap(v[0], v[1]);
    if (v[2]->y < v[1]->y) std::swap(v[1], v[2]);
    const ScreenVertex &t = *v[0], &m = *v[1], &bottom = *v[2];
    if (bottom.y <= t.y) return;

    auto emit = [&](int64_t r, const SpanEnd& shortPoint, const SpanEnd& longPoint) {
        if (longPoint.x < shortPoint.x)
            row(int(r), longPoint, shortPoint);
        else
            row(int(r), shortPoint, longPoint);
    };
    // Upper part: T to M on the short edge.
    int64_t upperRows = int64_t{m.y} - t.y;
    for (int64_t k = t.y < 0 ? -int64_t{t.y} : 0; k < upperRows; ++k) {
        int64_t r = t.y + k;
        if (r >= height) return;
        emit(r, edgePoint<rule>(t, m, k), edgePoint<rule>(t, bottom, k));
    }
    // Lower part: M to B on the short edge.
    int64_t lowerRows = int64_t{bottom.y} - m.y;
    for (int64_t k = m.y < 0 ? -int64_t{m.y} : 0; k < lowerRows; ++k) {
        int64_t r = m.y + k;
        if (r >= height) return;
        emit(r, edgePoint<rule>(m, bottom, k), edgePoint<rule>(t, bottom, upperRows + k));
    }
}
