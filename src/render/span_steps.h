// span_steps: the values along a span. For each i in [from, to) the step
// gets i and, for each of u, v and w, start + (end - start) * i / n, in
// double precision, evaluated in that order.
//
// stepSpanPlain is that definition, one pixel at a time. stepSpan does the
// very same operations on two pixels at once with SSE2 (each lane of a
// packed multiply, divide or add rounds as the scalar one does), so every
// value is bit for bit the plain one's; the divisions, the cost of a span,
// take half the instructions. The steps come in order, one pixel at a time.
// stepSpanNearer works out w first and the rest only for the pixels a depth
// test lets through.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct SpanRange {
    double u0, u1, v0, v1, w0, w1; // start and end of each value
    int64_t n;                     // the span's length, the divisor
};

template <typename Step> void stepSpanPlain(const SpanRange& s, int64_t from, int64_t to, Step step) {
    double nn = double(s.n);
    for (int64_t i = from; i < to; ++i) {
        double di = double(i);
        double u = s.u0 + (s.u1 - s.u0) * di / nn;
        double v = s.v0 + (s.v1 - s.v0) * di / nn;
        double w = s.w0 + (s.w1 - s.w0) * di / nn;
        step(i, u, v, w);
    }
}

#if defined(__SSE2__)
// The paired steps: pixels come in pairs as packed values, so the caller's own divisions can go in
// pairs too: pair(i, u, v, w) for pixels i and i + 1 (lane 0 and lane 1), single(i, u, v, w) for a
// pixel left over at the end, with the plain values.
template <typename Pair, typename Single>
void stepSpanPairs(const SpanRange& s, int64_t from, int64_t to, Pair pair, Single single) {
    const __m128d nn = _mm_set1_pd(double(s.n));
    const __m128d u0 = _mm_set1_pd(s.u0), du = _mm_set1_pd(s.u1 - s.u0);
    const __m128d v0 = _mm_set1_pd(s.v0), dv = _mm_set1_pd(s.v1 - s.v0);
    const __m128d w0 = _mm_set1_pd(s.w0), dw = _mm_set1_pd(s.w1 - s.w0);
    int64_t i = from;
    for (; i + 1 < to; i += 2) {
        __m128d di = _mm_set_pd(double(i + 1), double(i));
        pair(i, _mm_add_pd(u0, _mm_div_pd(_mm_mul_pd(du, di), nn)),
             _mm_add_pd(v0, _mm_div_pd(_mm_mul_pd(dv, di), nn)),
             _mm_add_pd(w0, _mm_div_pd(_mm_mul_pd(dw, di), nn)));
    }
    if (i < to) stepSpanPlain(s, i, to, single);
}
#endif

// The steps of the pixels that pass a test on w alone: nearer(i, w) says whether pixel i is
// wanted, step(i, u, v, w) follows for those only; u and v are worked out only for them (with
// texel false, never: step gets 0 for both). Every value is stepSpanPlain's bit for bit.
// stepSpanNearerPairs gives pairs as packed values with a lane mask (bit 0: pixel i, bit 1:
// pixel i + 1), so the caller can go on in pairs; a pixel left over comes with lane 1 off.
template <bool texel, typename Nearer, typename Step>
void stepSpanNearerPlain(const SpanRange& s, int64_t from, int64_t to, Nearer nearer, Step step) {
    double nn = double(s.n);
    for (int64_t i = from; i < to; ++i) {
        double di = double(i);
        double w = s.w0 + (s.w1 - s.w0) * di / nn;
        if (!nearer(i, w)) continue;
        double u = texel ? s.u0 + (s.u1 - s.u0) * di / nn : 0;
        double v = texel ? s.v0 + (s.v1 - s.v0) * di / nn : 0;
        step(i, u, v, w);
    }
}

#if defined(__SSE2__)
template <bool texel, typename Nearer, typename Pair>
void stepSpanNearerPairs(const SpanRange& s, int64_t from, int64_t to, Nearer nearer, Pair pair) {
    int64_t i = from;
    const __m128d nn = _mm_set1_pd(double(s.n));
    const __m128d w0 = _mm_set1_pd(s.w0), dw = _mm_set1_pd(s.w1 - s.w0);
    // A pixel left over at the end goes as a pair whose second lane is never tested or used.
    for (; i < to; i += 2) {
        __m128d di = _mm_set_pd(double(i + 1), double(i));
        __m128d w = _mm_add_pd(w0, _mm_div_pd(_mm_mul_pd(dw, di), nn));
        alignas(16) double ws[2];
        _mm_store_pd(ws, w);
        int lanes = (nearer(i, ws[0]) ? 1 : 0) | (i + 1 < to && nearer(i + 1, ws[1]) ? 2 : 0);
        if (!lanes) continue;
        __m128d u = _mm_setzero_pd(), v = _mm_setzero_pd();
        if (texel) {
            u = _mm_add_pd(_mm_set1_pd(s.u0), _mm_div_pd(_mm_mul_pd(_mm_set1_pd(s.u1 - s.u0), di), nn));
            v = _mm_add_pd(_mm_set1_pd(s.v0), _mm_div_pd(_mm_mul_pd(_mm_set1_pd(s.v1 - s.v0), di), nn));
        }
        pair(i, u, v, w, lanes);
    }
}
#endif

template <bool texel, typename Nearer, typename Step>
void stepSpanNearer(const SpanRange& s, int64_t from, int64_t to, Nearer nearer, Step step) {
#if defined(__SSE2__)
    stepSpanNearerPairs<texel>(s, from, to, nearer,
                               [&step](int64_t i, __m128d u, __m128d v, __m128d w, int lanes) {
                                   alignas(16) double us[2], vs[2], ws[2];
                                   _mm_store_pd(us, u);
                                   _mm_store_pd(vs, v);
                                   _mm_store_pd(ws, w);
                                   if (lanes & 1) step(i, us[0], vs[0], ws[0]);
                                   if (lanes & 2) step(i + 1, us[1], vs[1], ws[1]);
                               });
#else
    stepSpanNearerPlain<texel>(s, from, to, nearer, step);
#endif
}

template <typename Step> void stepSpan(const SpanRange& s, int64_t from, int64_t to, Step step) {
#if defined(__SSE2__)
    stepSpanPairs(
        s, from, to,
        [&step](int64_t i, __m128d u, __m128d v, __m128d w) {
            alignas(16) double us[2], vs[2], ws[2];
            _mm_store_pd(us, u);
            _mm_store_pd(vs, v);
            _mm_store_pd(ws, w);
            step(i, us[0], vs[0], ws[0]);
            step(i + 1, us[1], vs[1], ws[1]);
        },
        step);
#else
    stepSpanPlain(s, from, to, step);
#endif
}
