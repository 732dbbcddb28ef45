// triangle_walk: the row walk shared by the triangle fillers and the span
// buffer. Corners sorted by y (three compare-and-swaps), rows T.y .. B.y - 1,
// rows above 0 skipped without visiting them, the first row at or below
// height ends the triangle. The caller gets each row's two edge points,
// left first.
#pragma once

#include "render/render_target.h"

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

// Both edge points of a row at once: lane 0 the short edge (s1, e1) at k1, lane 1 the long edge
// (s2, e2) at k2, each lane the very operations of edgePoint (SSE2 rounds each lane as the scalar
// code does), so the points are edgePoint's bit for bit; the row's four divisions take two.
template <EdgeRule rule>
inline void edgePointPair(const ScreenVertex& s1, const ScreenVertex& e1, int64_t k1, const ScreenVertex& s2,
                          const ScreenVertex& e2, int64_t k2, SpanEnd* p1, SpanEnd* p2) {
#if defined(__SSE2__)
    const __m128d span = _mm_set_pd(double(int64_t{e2.y} - s2.y), double(int64_t{e1.y} - s1.y));
    const __m128d k = _mm_set_pd(double(k2), double(k1));
    const __m128d f = _mm_div_pd(k, span);
    const __m128d sx = _mm_set_pd(s2.x, s1.x), dx = _mm_sub_pd(_mm_set_pd(e2.x, e1.x), sx);
    const __m128d x = rule == EdgeRule::kFiller ? _mm_add_pd(_mm_div_pd(_mm_mul_pd(dx, k), span), sx)
                                                : _mm_add_pd(sx, _mm_mul_pd(f, dx));
    auto along = [&f](double a1, double b1, double a2, double b2) {
        __m128d a = _mm_set_pd(a2, a1);
        return _mm_add_pd(a, _mm_mul_pd(_mm_sub_pd(_mm_set_pd(b2, b1), a), f));
    };
    alignas(16) double xs[2], us[2], vs[2], ws[2];
    _mm_store_pd(xs, x);
    _mm_store_pd(us, along(s1.u, e1.u, s2.u, e2.u));
    _mm_store_pd(vs, along(s1.v, e1.v, s2.v, e2.v));
    _mm_store_pd(ws, along(s1.w, e1.w, s2.w, e2.w));
    *p1 = {truncateCoordinate(xs[0]), us[0], vs[0], ws[0]};
    *p2 = {truncateCoordinate(xs[1]), us[1], vs[1], ws[1]};
#else
    *p1 = edgePoint<rule>(s1, e1, k1);
    *p2 = edgePoint<rule>(s2, e2, k2);
#endif
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
        SpanEnd shortPoint, longPoint;
        edgePointPair<rule>(t, m, k, t, bottom, k, &shortPoint, &longPoint);
        emit(r, shortPoint, longPoint);
    }
    // Lower part: M to B on the short edge.
    int64_t lowerRows = int64_t{bottom.y} - m.y;
    for (int64_t k = m.y < 0 ? -int64_t{m.y} : 0; k < lowerRows; ++k) {
        int64_t r = m.y + k;
        if (r >= height) return;
        SpanEnd shortPoint, longPoint;
        edgePointPair<rule>(m, bottom, k, t, bottom, upperRows + k, &shortPoint, &longPoint);
        emit(r, shortPoint, longPoint);
    }
}
