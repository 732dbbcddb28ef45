#include "effects/span_buffer.h"

#include "render/span_steps.h"

#include "render/mesh_drawers.h"

#include "platform/debug_output.h"
#include "render/triangle_walk.h"

#include <algorithm>
#include <iterator>

const uint32_t* spanTexture = nullptr;
SpanNode spanHeads[kSpanHeads];
int spanFreeCount = 0;

namespace {

SpanNode nodes[kSpanNodes];
SpanNode* freeStack[kSpanNodes];

SpanNode* pop() {
    return freeStack[--spanFreeCount];
}
void push(SpanNode* node) {
    freeStack[spanFreeCount++] = node;
}

// Moves an end of the span to the fraction f of the way between its two ends.
void moveRightEnd(SpanNode* p, double f) {
    p->uRight = p->uLeft + f * (p->uRight - p->uLeft);
    p->vRight = p->vLeft + f * (p->vRight - p->vLeft);
    p->wRight = p->wLeft + f * (p->wRight - p->wLeft);
}
void moveLeftEnd(SpanNode* p, double f) {
    p->uLeft = p->uLeft + f * (p->uRight - p->uLeft);
    p->vLeft = p->vLeft + f * (p->vRight - p->vLeft);
    p->wLeft = p->wLeft + f * (p->wRight - p->wLeft);
}

} // namespace

void resetSpanBuffer() {
    for (int i = 0; i < kSpanNodes; ++i) freeStack[i] = &nodes[i];
    spanFreeCount = kSpanNodes;
    for (SpanNode& head : spanHeads) {
        head.length = 0;
        SpanNode* first = pop();
        *first = {renderTarget.width, nullptr, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0, 1};
        head.next = first;
    }
}

void scanTriangleToSpans(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, uint8_t kind) {
    walkTriangle<EdgeRule::kSpanBuffer>(a, b, c, renderTarget.width, renderTarget.height,
                                        [kind](int row, const SpanEnd& left, const SpanEnd& right) {
                                            int64_t length = int64_t{right.x} - left.x;
                                            if (length > INT32_MAX) length = INT32_MAX;
                                            insertSpan(row, left.x, int32_t(length), left.u, right.u, left.v,
                                                       right.v, left.w, right.w, kind);
                                        });
}

void insertSpan(int32_t row, int32_t x, int32_t length, double uLeft, double uRight, double vLeft,
                double vRight, double wLeft, double wRight, uint8_t kind) {
    int64_t a = x, n = length, width = renderTarget.width;
    if (spanFreeCount < 2 || n <= 0 || row < 0 || row >= kSpanRows || a + n < 1 || a >= width) return;
    if (a < 0) {
        double f = double(-a) / double(n);
        uLeft += f * (uRight - uLeft);
        vLeft += f * (vRight - vLeft);
        wLeft += f * (wRight - wLeft);
        n += a;
        a = 0;
    }
    if (a + n >= width) {
        int64_t m = width - a;
        double f = double(m) / double(n);
        uRight = uLeft + f * (uRight - uLeft);
        vRight = vLeft + f * (vRight - vLeft);
        wRight = wLeft + f * (wRight - wLeft);
        n = m;
    }
    auto fill = [&](SpanNode* node, int64_t len) {
        node->length = uint32_t(len);
        node->uLeft = uLeft;
        node->vLeft = vLeft;
        node->uRight = uRight;
        node->vRight = vRight;
        node->wLeft = wLeft;
        node->wRight = wRight;
        node->kind = kind;
    };

    SpanNode* q = &spanHeads[row];
    SpanNode* p = q->next;
    int64_t s = 0;
    const int64_t end = a + n;
    bool placed = false; // the new span is in the list
    while (p) {
        int64_t oldLength = p->length;
        int64_t e = s + oldLength;
        if (e <= a) {
            q = p;
            p = p->next;
            s = e;
            continue;
        }
        int start = a > s ? 1 : a < s ? -1 : 0;      // 1 inside P, -1 before P, 0 with P
        int finish = end > e ? 1 : end < e ? -1 : 0; // 1 past P's end, -1 inside P, 0 with it
        SpanNode* successor = p->next;
        if (start == -1 && !placed) {
            // The spans tile the row, so the first one reaching past a starts at or before it.
            outputDebugString("?");
            return;
        }
        if (start == 1) {
            placed = true;
            SpanNode* x = pop();
            fill(x, n);
            if (finish == -1) {
                SpanNode* rest = pop();
                *rest = *p;
                rest->length = uint32_t(e - end);
                moveLeftEnd(rest, double(a - s + n) / double(oldLength));
                rest->next = successor;
                x->next = rest;
            } else {
                x->next = successor;
            }
            p->length = uint32_t(a - s);
            moveRightEnd(p, double(a - s) / double(oldLength));
            p->next = x;
            if (finish != 1) return;
            q = x;
            p = successor;
            s = e;
        } else if (start == -1) {
            if (finish == -1) {
                p->length = uint32_t(e - end);
                moveLeftEnd(p, double(a - s + n) / double(oldLength));
                return;
            }
            q->next = successor; // wholly covered
            push(p);
            if (finish == 0) return;
            p = successor;
            s = e;
        } else {
            placed = true;
            if (finish == -1) {
                SpanNode* rest = pop();
                *rest = *p;
                rest->length = uint32_t(oldLength - n);
                moveLeftEnd(rest, double(n) / double(oldLength));
                rest->next = successor;
                fill(p, n);
                p->next = rest;
                return;
            }
            fill(p, finish == 0 ? oldLength : n);
            if (finish == 0) return;
            q = p;
            p = successor;
            s = e;
        }
    }
}

namespace {

// One sky pixel from its values: w <= 0 counts as 1, the texel at (u / w, v / w) / 256.
inline void skyPixel(const RenderTarget& rt, int64_t p, double u, double v, double w) {
    if (w <= 0) w = 1.0;
    u /= w;
    v /= w;
    uint32_t column = uint32_t(int32_t(truncateWide(u)) / 256) & 255;
    uint32_t texelRow = uint32_t(int32_t(truncateWide(v)) / 256) & 511;
    rt.pixels[p] = spanTexture[texelRow * 256 + column];
    rt.depthBuffer[p] = 1;
}

// Every pixel of rows 0..height-1 once (the needed ones only), span by span: clear(index, from,
// to) for black spans and sky(index, range, from, to) for sky spans, steps from .. to - 1.
template <typename Clear, typename Sky> void resolveRows(Clear clear, Sky sky) {
    const RenderTarget& rt = renderTarget;
    for (uint32_t row = 0; row < rt.height && row < uint32_t(kSpanRows); ++row) {
        int64_t index = int64_t{row} * rt.pitch, column = 0;
        int64_t lo = 0, hi = INT64_MAX;
        cutToNeeded(row, &lo, &hi);
        for (const SpanNode* span = spanHeads[row].next; span && column < hi; span = span->next) {
            int64_t n = span->length;
            int64_t from = std::max<int64_t>(0, lo - column), to = std::min<int64_t>(n, hi - column);
            if (span->kind == 1 && from < to) {
                clear(index, from, to);
            } else if (span->kind == 2 && from < to) {
                sky(index,
                    SpanRange{span->uLeft, span->uRight, span->vLeft, span->vRight, span->wLeft, span->wRight,
                              n},
                    from, to);
            }
            index += n;
            column += n;
        }
    }
}

void clearPixels(int64_t at, int64_t from, int64_t to) {
    for (int64_t j = from; j < to; ++j) renderTarget.pixels[at + j] = 0;
}

// A sky span's pixels from .. to - 1, two at a time: the w test and both perspective divisions
// in packed form, each lane rounding as the plain pixel's scalar operations do.
void skySteps(int64_t at, const SpanRange& s, int64_t from, int64_t to) {
#if defined(__SSE2__)
    const RenderTarget& rt = renderTarget;
    const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0);
    stepSpanPairs(
        s, from, to,
        [&](int64_t j, __m128d u, __m128d v, __m128d w) {
            __m128d notPositive = _mm_cmple_pd(w, zero);
            w = _mm_or_pd(_mm_and_pd(notPositive, one), _mm_andnot_pd(notPositive, w));
            alignas(16) double us[2], vs[2];
            _mm_store_pd(us, _mm_div_pd(u, w));
            _mm_store_pd(vs, _mm_div_pd(v, w));
            for (int lane = 0; lane < 2; ++lane) {
                uint32_t column = uint32_t(int32_t(truncateWide(us[lane])) / 256) & 255;
                uint32_t texelRow = uint32_t(int32_t(truncateWide(vs[lane])) / 256) & 511;
                rt.pixels[at + j + lane] = spanTexture[texelRow * 256 + column];
                rt.depthBuffer[at + j + lane] = 1;
            }
        },
        [&](int64_t j, double u, double v, double w) { skyPixel(rt, at + j, u, v, w); });
#else
    stepSpanPlain(s, from, to,
                  [at](int64_t j, double u, double v, double w) { skyPixel(renderTarget, at + j, u, v, w); });
#endif
}

// Calls run(first, end) for each run of pixels at + from .. at + to - 1 that no lit pixel covered
// since the sky began.
template <typename Run> void uncoveredRuns(int64_t at, int64_t from, int64_t to, Run run) {
    const uint16_t* covered = coveredPixels + at;
    const uint16_t mark = coveredMark;
    // The first j from j on (below to) whose mark is (or is not) this sky's, eight at a time.
    auto next = [&](int64_t j, bool marked) {
#if defined(__SSE2__)
        const __m128i marks = _mm_set1_epi16(int16_t(mark));
        for (; j + 8 <= to; j += 8) {
            int same = _mm_movemask_epi8(
                _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(covered + j)), marks));
            int hits = marked ? same : ~same & 0xFFFF;
            if (hits) return j + __builtin_ctz(unsigned(hits)) / 2;
        }
#endif
        while (j < to && (covered[j] == mark) != marked) ++j;
        return j;
    };
    for (int64_t j = from; j < to;) {
        int64_t first = next(j, false);
        j = next(first, true);
        if (first < j) run(first, j);
    }
}

} // namespace

void resolveSpanBufferPlain() {
    resolveRows(clearPixels, [](int64_t at, const SpanRange& s, int64_t from, int64_t to) {
        stepSpanPlain(s, from, to, [at](int64_t j, double u, double v, double w) {
            skyPixel(renderTarget, at + j, u, v, w);
        });
    });
}

void resolveSpanBuffer() {
    resolveRows(clearPixels, skySteps);
}

void beginSpanBufferResolve() {
    if (++coveredMark == 0) { // the marks came round: none may be taken for this one's
        std::fill(std::begin(coveredPixels), std::end(coveredPixels), 0);
        coveredMark = 1;
    }
    resolveRows([](int64_t, int64_t, int64_t) {},
                [](int64_t at, const SpanRange&, int64_t from, int64_t to) {
                    std::fill(renderTarget.depthBuffer + at + from, renderTarget.depthBuffer + at + to, 1u);
                });
}

void finishSpanBufferResolve() {
    resolveRows(
        [](int64_t at, int64_t from, int64_t to) {
            uncoveredRuns(at, from, to, [at](int64_t first, int64_t end) { clearPixels(at, first, end); });
        },
        [](int64_t at, const SpanRange& s, int64_t from, int64_t to) {
            uncoveredRuns(at, from, to,
                          [at, &s](int64_t first, int64_t end) { skySteps(at, s, first, end); });
        });
}

void drawMeshSpans(const Matrix4& m) {
    static const Vector3 corners[8] = {{-100, 100, 100},  {100, 100, 100},   {100, -100, 100},
                                       {-100, -100, 100}, {-100, 100, -100}, {100, 100, -100},
                                       {100, -100, -100}, {-100, -100, -100}};
    static const int faces[6][4] = {{0, 1, 2, 3}, {1, 5, 6, 2}, {5, 4, 7, 6},
                                    {4, 0, 3, 7}, {7, 3, 2, 6}, {0, 1, 5, 4}};
    static const double us[2][4] = {{0, 127, 127, 0}, {128, 255, 255, 128}};
    static const double vs[3][4] = {{0, 0, 127, 127}, {128, 128, 255, 255}, {256, 256, 383, 383}};
    // Tile of each face: its u column and v row.
    static const int tileU[6] = {0, 1, 0, 1, 0, 1}, tileV[6] = {1, 1, 2, 2, 0, 0};
    for (int f = 0; f < 6; ++f) {
        ClipVertex polygon[kClipCapacity] = {};
        for (int i = 0; i < 4; ++i) {
            Vector3 p = transformDirection(m, corners[faces[f][i]]); // the sky has no position
            polygon[i] = {p.x, p.y, p.z, us[tileU[f]][i], vs[tileV[f]][i]};
        }
        int count = clipNear(polygon, 4);
        auto corner = [](const ClipVertex& c) {
            ScreenVertex s = projectVertex(c.x, c.y, c.z);
            s.w = 1.0 / double(c.z);
            s.u = c.u * 256.0 / double(c.z);
            s.v = c.v * 256.0 / double(c.z);
            return s;
        };
        fanPolygon(polygon, count, corner,
                   [](const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
                       scanTriangleToSpans(a, b, c, 2);
                   });
    }
}
