// triangle_walk: the row walk shared by the triangle fillers and the span
// buffer. Corners sorted by y (three compare-and-swaps), rows T.y .. B.y - 1,
// rows above 0 skipped without visiting them, the first row at or below
// height ends the triangle. The caller gets each row's two edge points,
// left first.
//
// walkTrianglePlain is that definition, edge point by edge point. walkTriangle
// gets the same points bit for bit, both edges at once; with the fillers' rule
// it works out a row's x first and leaves out a row whose two ends fall on
// the same column (thin triangles have many) or wholly outside columns
// 0..width-1, and a triangle wholly beside them: a filler draws nothing there.
#pragma once

#include "render/render_target.h"

#include <algorithm>
#include <cmath>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// The values along both edges at the fractions f (lanes 0 and 1), as edgePoint works them out.
inline void edgeValuesPair(const ScreenVertex& s1, const ScreenVertex& e1, const ScreenVertex& s2,
                           const ScreenVertex& e2, __m128d f, SpanEnd* p1, SpanEnd* p2) {
    auto along = [&f](double a1, double b1, double a2, double b2) {
        __m128d a = _mm_set_pd(a2, a1);
        return _mm_add_pd(a, _mm_mul_pd(_mm_sub_pd(_mm_set_pd(b2, b1), a), f));
    };
    alignas(16) double us[2], vs[2], ws[2];
    _mm_store_pd(us, along(s1.u, e1.u, s2.u, e2.u));
    _mm_store_pd(vs, along(s1.v, e1.v, s2.v, e2.v));
    _mm_store_pd(ws, along(s1.w, e1.w, s2.w, e2.w));
    p1->u = us[0], p1->v = vs[0], p1->w = ws[0];
    p2->u = us[1], p2->v = vs[1], p2->w = ws[1];
}
#endif

// Both edge points of a row at once: lane 0 the short edge (s1, e1) at k1, lane 1 the long edge
// (s2, e2) at k2, each lane the very operations of edgePoint (SSE2 rounds each lane as the scalar
// code does), so the points are edgePoint's bit for bit; the row's four divisions take two.
// With the fillers' rule the values come only where wanted(x1, x2) says so.
template <EdgeRule rule, typename Wanted>
inline bool edgePointPairIf(const ScreenVertex& s1, const ScreenVertex& e1, int64_t k1,
                            const ScreenVertex& s2, const ScreenVertex& e2, int64_t k2, SpanEnd* p1,
                            SpanEnd* p2, Wanted wanted) {
#if defined(__SSE2__)
    const __m128d span = _mm_set_pd(double(int64_t{e2.y} - s2.y), double(int64_t{e1.y} - s1.y));
    const __m128d k = _mm_set_pd(double(k2), double(k1));
    const __m128d sx = _mm_set_pd(s2.x, s1.x), dx = _mm_sub_pd(_mm_set_pd(e2.x, e1.x), sx);
    alignas(16) double xs[2];
    if constexpr (rule == EdgeRule::kFiller) {
        _mm_store_pd(xs, _mm_add_pd(_mm_div_pd(_mm_mul_pd(dx, k), span), sx));
        p1->x = truncateCoordinate(xs[0]);
        p2->x = truncateCoordinate(xs[1]);
        if (!wanted(p1->x, p2->x)) return false;
        edgeValuesPair(s1, e1, s2, e2, _mm_div_pd(k, span), p1, p2);
        return true;
    }
    const __m128d f = _mm_div_pd(k, span);
    _mm_store_pd(xs, _mm_add_pd(sx, _mm_mul_pd(f, dx)));
    p1->x = truncateCoordinate(xs[0]);
    p2->x = truncateCoordinate(xs[1]);
    edgeValuesPair(s1, e1, s2, e2, f, p1, p2);
    return true;
#else
    *p1 = edgePoint<rule>(s1, e1, k1);
    *p2 = edgePoint<rule>(s2, e2, k2);
    return rule != EdgeRule::kFiller || wanted(p1->x, p2->x);
#endif
}

template <EdgeRule rule>
inline void edgePointPair(const ScreenVertex& s1, const ScreenVertex& e1, int64_t k1, const ScreenVertex& s2,
                          const ScreenVertex& e2, int64_t k2, SpanEnd* p1, SpanEnd* p2) {
    edgePointPairIf<rule>(s1, e1, k1, s2, e2, k2, p1, p2, [](int32_t, int32_t) { return true; });
}

// The corners in row order, or false when the triangle has no row (or a corner is not finite).
struct SortedCorners {
    const ScreenVertex *top, *middle, *bottom;
};
inline bool sortCorners(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                        SortedCorners* out) {
    if (!cornersFinite(a) || !cornersFinite(b) || !cornersFinite(c)) return false;
    const ScreenVertex* v[3] = {&a, &b, &c};
    if (v[2]->y < v[1]->y) std::swap(v[1], v[2]);
    if (v[1]->y < v[0]->y) std::swap(v[0], v[1]);
    if (v[2]->y < v[1]->y) std::swap(v[1], v[2]);
    *out = {v[0], v[1], v[2]};
    return v[2]->y > v[0]->y;
}

// Calls visit(r, s1, e1, k1, s2, e2, k2) for each row r drawn: the short edge at k1, the long at k2.
template <typename Visit> void walkTriangleRows(const SortedCorners& c, int64_t height, Visit visit) {
    const ScreenVertex &t = *c.top, &m = *c.middle, &bottom = *c.bottom;
    // Upper part: T to M on the short edge.
    int64_t upperRows = int64_t{m.y} - t.y;
    for (int64_t k = t.y < 0 ? -int64_t{t.y} : 0; k < upperRows; ++k) {
        int64_t r = t.y + k;
        if (r >= height) return;
        visit(r, t, m, k, t, bottom, k);
    }
    // Lower part: M to B on the short edge.
    int64_t lowerRows = int64_t{bottom.y} - m.y;
    for (int64_t k = m.y < 0 ? -int64_t{m.y} : 0; k < lowerRows; ++k) {
        int64_t r = m.y + k;
        if (r >= height) return;
        visit(r, m, bottom, k, t, bottom, upperRows + k);
    }
}

// True when every edge point's x, truncated, is at most 0 or at least width, all on one side, so that
// no row has a column in [0, width). An edge point's x lies between its edge's corners' x but for
// the rounding of three operations, far less than the margin taken here; corners so far out that
// an edge's length could overflow (and a point's x come out not a number) are never judged.
inline bool besideTarget(double x1, double x2, double x3, int64_t width) {
    double low = std::min({x1, x2, x3}), high = std::max({x1, x2, x3});
    double size = std::max(std::fabs(low), std::fabs(high));
    if (!(size < 0x1p60)) return false;
    double margin = size * 0x1p-40 + 0x1p-40;
    return high + margin < 1.0 || low - margin >= double(width);
}

template <typename Row>
void emitRow(int64_t r, const SpanEnd& shortPoint, const SpanEnd& longPoint, Row& row) {
    if (longPoint.x < shortPoint.x)
        row(int(r), longPoint, shortPoint);
    else
        row(int(r), shortPoint, longPoint);
}

// The plain walk takes each edge point on its own; the fast one both at once, with the values only
// for rows a filler draws.
template <EdgeRule rule, bool plain, typename Row>
void walkTriangleRowsOf(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int64_t width,
                        int64_t height, Row row) {
    SortedCorners sorted;
    if (!sortCorners(a, b, c, &sorted)) return;
    if (rule == EdgeRule::kFiller && !plain && besideTarget(a.x, b.x, c.x, width)) return;
    walkTriangleRows(
        sorted, height,
        [&](int64_t r, const ScreenVertex& s1, const ScreenVertex& e1, int64_t k1, const ScreenVertex& s2,
            const ScreenVertex& e2, int64_t k2) {
            if constexpr (plain) {
                emitRow(r, edgePoint<rule>(s1, e1, k1), edgePoint<rule>(s2, e2, k2), row);
            } else {
                SpanEnd shortPoint, longPoint;
                // A row draws columns from the lesser x up to the greater, those in [0, width).
                auto draws = [width](int32_t x1, int32_t x2) {
                    return x1 != x2 && std::max(x1, x2) > 0 && std::min(x1, x2) < width;
                };
                if (edgePointPairIf<rule>(s1, e1, k1, s2, e2, k2, &shortPoint, &longPoint, draws))
                    emitRow(r, shortPoint, longPoint, row);
            }
        });
}

template <EdgeRule rule, typename Row>
void walkTrianglePlain(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int64_t width,
                       int64_t height, Row row) {
    walkTriangleRowsOf<rule, true>(a, b, c, width, height, row);
}

template <EdgeRule rule, typename Row>
void walkTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int64_t width,
                  int64_t height, Row row) {
    walkTriangleRowsOf<rule, false>(a, b, c, width, height, row);
}
