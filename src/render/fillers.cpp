#include "datapool/pictures.h"
#include "render/render_target.h"
#include "render/span_steps.h"
#include "render/triangle_walk.h"

#include <cmath>

RenderTarget renderTarget = kStartRenderTarget;
const RowWindow* neededColumns = nullptr;
uint32_t depthBufferA[kDepthBufferWords];
uint32_t depthBufferB[kDepthBufferWords];
uint16_t coveredPixels[kDepthBufferWords];
uint16_t coveredMark = 1;

namespace {

uint32_t lowWord(double value) {
    return static_cast<uint32_t>(static_cast<uint64_t>(truncateWide(value)));
}

// A row's drawable columns: its span from firstColumn (0 or 1: some fillers never draw column 0)
// to the target's right edge, and only the needed ones, as offsets into the span, and the row's
// first pixel index.
struct SpanColumns {
    SpanRange range;
    int64_t from, to, start;
};
[[gnu::always_inline]] inline bool spanColumns(int row, const SpanEnd& left, const SpanEnd& right,
                                               int firstColumn, SpanColumns* out) {
    int64_t n = int64_t{right.x} - left.x;
    if (n <= 0) return false;
    const RenderTarget& rt = renderTarget;
    int64_t lo = firstColumn, hi = rt.width;
    cutToNeeded(row, &lo, &hi);
    int64_t from = lo - int64_t{left.x};
    if (from < 0) from = 0;
    int64_t to = hi - int64_t{left.x};
    if (to > n) to = n;
    *out = {
        {left.u, right.u, left.v, right.v, left.w, right.w, n}, from, to, int64_t{row} * rt.pitch + left.x};
    return true;
}

// The depth rule: draw only when nearer, and then remember the depth.
bool passesDepth(int64_t p, double w) {
    return w > double(renderTarget.depthBuffer[p]);
}

// How a filler walks a row. Every filler's pixel(p, u, v, w) is given every drawable column
// (Walk::kEvery) or only those nearer than the depth buffer (Walk::kNearer, with or without u and
// v); the plain walk visits each column with the plain steps and tests the depth itself.
enum class Walk { kEvery, kNearer, kNearerFlat };
template <Walk walk, bool plain, typename Pixel>
void walkSpan(int row, const SpanEnd& left, const SpanEnd& right, int firstColumn, Pixel pixel) {
    SpanColumns c;
    if (!spanColumns(row, left, right, firstColumn, &c)) return;
    int64_t start = c.start;
    auto step = [&](int64_t i, double u, double v, double w) { pixel(start + i, u, v, w); };
    if constexpr (plain) {
        stepSpanPlain(c.range, c.from, c.to, [&](int64_t i, double u, double v, double w) {
            if (walk == Walk::kEvery || passesDepth(start + i, w)) step(i, u, v, w);
        });
    } else if constexpr (walk == Walk::kEvery) {
        stepSpan(c.range, c.from, c.to, step);
    } else {
        stepSpanNearer<walk == Walk::kNearer>(
            c.range, c.from, c.to, [start](int64_t i, double w) { return passesDepth(start + i, w); }, step);
    }
}

uint32_t envTexel(double u, double v) {
    uint32_t column = uint32_t(truncateWide(u)) & 255, row = uint32_t(truncateWide(v)) & 255;
    return envMap[row * 256 + column];
}

// Inlined into the light-mapped filler, which samples once a pixel.
inline uint32_t bilinear(int32_t a, int32_t b) {
    const uint32_t* t = renderTarget.texture;
    uint32_t x0 = uint32_t(a >> 3) & 31, x1 = uint32_t((a >> 3) + 1) & 31;
    uint32_t y0 = uint32_t(b >> 3) & 8191, y1 = uint32_t((b >> 3) + 1) & 8191;
    uint32_t fx = uint32_t(a) & 7, fy = uint32_t(b) & 7;
    uint32_t t00 = t[y0 * 32 + x0], t10 = t[y0 * 32 + x1], t01 = t[y1 * 32 + x0], t11 = t[y1 * 32 + x1];
    uint32_t rb = ((t10 & 0xFF00FF) * (8 - fy) + (t11 & 0xFF00FF) * fy) * fx +
                  ((t00 & 0xFF00FF) * (8 - fy) + (t01 & 0xFF00FF) * fy) * (8 - fx);
    uint32_t g = ((t10 & 0xFF00) * (8 - fy) + (t11 & 0xFF00) * fy) * fx +
                 ((t00 & 0xFF00) * (8 - fy) + (t01 & 0xFF00) * fy) * (8 - fx);
    return ((rb & 0x3FC03FC0) | (g & ~0x3FC03FC0u)) >> 6;
}

// On x86 only: WebAssembly's SIMD has no packed conversion to 32 bits, and its emulation made the
// page's benchmark slower (957 then 883 frames a second overall), so the page samples pixel by pixel.
#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#define CELLRUNE_PACKED_SAMPLES 1
// Two light-mapped pixels' samples at once, from their u and v scaled by 65536 / w: the low words
// of their truncations, divided by 32 toward zero, as bilinear's (a, b). Each channel comes out
// as bilinear's does, the weighted sum of four texels over 64 (a sum of at most 255 x 64: it
// fits 16 bits, so the channels go in 16-bit lanes). False when a value is outside 32 bits or not
// a number (the packed conversion then differs from the low word): the caller goes pixel by pixel.
inline bool bilinearPair(__m128d bigU, __m128d bigV, uint32_t out[2]) {
    const __m128d low = _mm_set1_pd(-2147483649.0), high = _mm_set1_pd(2147483648.0);
    const __m128d inside = _mm_and_pd(_mm_and_pd(_mm_cmpgt_pd(bigU, low), _mm_cmplt_pd(bigU, high)),
                                      _mm_and_pd(_mm_cmpgt_pd(bigV, low), _mm_cmplt_pd(bigV, high)));
    if (_mm_movemask_pd(inside) != 3) return false;
    const __m128i uv = _mm_unpacklo_epi64(_mm_cvttpd_epi32(bigU), _mm_cvttpd_epi32(bigV)); // u0 u1 v0 v1
    const __m128i ab = _mm_srai_epi32(_mm_add_epi32(uv, _mm_srli_epi32(_mm_srai_epi32(uv, 31), 27)), 5);
    const __m128i cell = _mm_srai_epi32(ab, 3), wrap = _mm_set_epi32(8191, 8191, 31, 31);
    const __m128i c0 = _mm_and_si128(cell, wrap);                                   // x0 x0 y0 y0
    const __m128i c1 = _mm_and_si128(_mm_add_epi32(cell, _mm_set1_epi32(1)), wrap); // x1 x1 y1 y1
    // Texel x1 follows x0 in memory but where x0 is the row's last (31, and x1 wraps to 0): then
    // each texel is read on its own, else both at once.
    const __m128i row0 = _mm_slli_epi32(_mm_shuffle_epi32(c0, _MM_SHUFFLE(3, 2, 3, 2)), 5);
    const __m128i row1 = _mm_slli_epi32(_mm_shuffle_epi32(c1, _MM_SHUFFLE(3, 2, 3, 2)), 5);
    const uint32_t* t = renderTarget.texture;
    __m128i top, bottom; // texels (x0, y0), (x1, y0) of both, pixel by pixel; (x0, y1), (x1, y1)
    if ((_mm_movemask_epi8(_mm_cmpeq_epi32(c0, _mm_set1_epi32(31))) & 0xFF) == 0) {
        alignas(16) int32_t i0[4], i1[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(i0), _mm_add_epi32(c0, row0));
        _mm_store_si128(reinterpret_cast<__m128i*>(i1), _mm_add_epi32(c0, row1));
        auto two = [t](int32_t at) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(t + at)); };
        top = _mm_unpacklo_epi32(two(i0[0]), two(i0[1]));
        bottom = _mm_unpacklo_epi32(two(i1[0]), two(i1[1]));
    } else {
        const __m128i xs = _mm_unpacklo_epi64(c0, c1); // x0 x0 x1 x1
        alignas(16) int32_t i0[4], i1[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(i0), _mm_add_epi32(xs, row0));
        _mm_store_si128(reinterpret_cast<__m128i*>(i1), _mm_add_epi32(xs, row1));
        top = _mm_set_epi32(int32_t(t[i0[3]]), int32_t(t[i0[2]]), int32_t(t[i0[1]]), int32_t(t[i0[0]]));
        bottom = _mm_set_epi32(int32_t(t[i1[3]]), int32_t(t[i1[2]]), int32_t(t[i1[1]]), int32_t(t[i1[0]]));
    }
    // Weights, f = (fx, fx, fy, fy) and g = 8 - f: gx gy, fx gy (upper texels); gx fy, fx fy (lower).
    const __m128i f = _mm_and_si128(ab, _mm_set1_epi32(7)), g = _mm_sub_epi32(_mm_set1_epi32(8), f);
    const __m128i across = _mm_unpacklo_epi64(g, f); // gx gx fx fx
    const __m128i upper = _mm_mullo_epi16(across, _mm_shuffle_epi32(g, _MM_SHUFFLE(3, 2, 3, 2)));
    const __m128i lower = _mm_mullo_epi16(across, _mm_shuffle_epi32(f, _MM_SHUFFLE(3, 2, 3, 2)));
    const __m128i weights = _mm_packs_epi32(upper, lower);
    const __m128i w0 = _mm_unpacklo_epi16(weights, weights), w1 = _mm_unpackhi_epi16(weights, weights);
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = _mm_mullo_epi16(_mm_unpacklo_epi8(top, zero), _mm_unpacklo_epi32(w0, w0));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(_mm_unpackhi_epi8(top, zero), _mm_unpackhi_epi32(w0, w0)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(_mm_unpacklo_epi8(bottom, zero), _mm_unpacklo_epi32(w1, w1)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(_mm_unpackhi_epi8(bottom, zero), _mm_unpackhi_epi32(w1, w1)));
    const __m128i pixels =
        _mm_and_si128(_mm_packus_epi16(_mm_srli_epi16(sum, 6), zero), _mm_set1_epi32(0xFFFFFF));
    out[0] = uint32_t(_mm_cvtsi128_si32(pixels));
    out[1] = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(pixels, 4)));
    return true;
}
#endif

} // namespace

uint32_t sampleBilinear(int32_t a, int32_t b) {
    return bilinear(a, b);
}

namespace {

// u / z and v / z over 65536 / z give back the corner's u and v (1/256 texel), low 32 bits.
struct TexelPosition {
    int32_t u, v;
};
TexelPosition perspectiveTexel(double u, double v, double w) {
    double q = 1.0 / w;
    return {int32_t(uint32_t(truncateWide(u * q * 65536.0))),
            int32_t(uint32_t(truncateWide(v * q * 65536.0)))};
}

template <bool plain> void envMappedRow(int row, const SpanEnd& left, const SpanEnd& right) {
    walkSpan<Walk::kNearer, plain>(row, left, right, 1, [](int64_t p, double u, double v, double w) {
        renderTarget.depthBuffer[p] = lowWord(w);
        renderTarget.pixels[p] = envTexel(u, v);
    });
}

template <bool plain> void inverseBlendRow(int row, const SpanEnd& left, const SpanEnd& right) {
    walkSpan<Walk::kEvery, plain>(row, left, right, 1, [](int64_t p, double u, double v, double) {
        uint32_t t = envTexel(u, v);
        renderTarget.pixels[p] = ((~t & 0xFCFCFC) + (renderTarget.pixels[p] & 0xFCFCFC)) >> 1;
    });
}

template <bool plain> void flatRow(int row, const SpanEnd& left, const SpanEnd& right, uint32_t colour) {
    walkSpan<Walk::kNearerFlat, plain>(row, left, right, 1, [colour](int64_t p, double, double, double w) {
        renderTarget.depthBuffer[p] = lowWord(w);
        renderTarget.pixels[p] = colour;
    });
}

void lightmappedPixel(int64_t p, int32_t bigU, int32_t bigV, double w) {
    renderTarget.depthBuffer[p] = lowWord(w);
    renderTarget.pixels[p] = bilinear(bigU / 32, bigV / 32);
    coveredPixels[p] = coveredMark;
}

template <bool plain> void lightmappedRow(int row, const SpanEnd& left, const SpanEnd& right) {
    auto pixel = [](int64_t p, double u, double v, double w) {
        auto [bigU, bigV] = perspectiveTexel(u, v, w);
        lightmappedPixel(p, bigU, bigV, w);
    };
#if defined(__SSE2__)
    if constexpr (!plain) {
        // Pairs of pixels all the way: perspectiveTexel's division and products for both at once,
        // each lane rounded as the scalar code rounds it.
        SpanColumns c;
        if (!spanColumns(row, left, right, 0, &c)) return;
        const int64_t start = c.start;
        stepSpanNearerPairs<true>(
            c.range, c.from, c.to, [start](int64_t i, double w) { return passesDepth(start + i, w); },
            [start](int64_t i, __m128d u, __m128d v, __m128d w, int lanes) {
                const __m128d q = _mm_div_pd(_mm_set1_pd(1.0), w), scale = _mm_set1_pd(65536.0);
                const __m128d scaledU = _mm_mul_pd(_mm_mul_pd(u, q), scale);
                const __m128d scaledV = _mm_mul_pd(_mm_mul_pd(v, q), scale);
                alignas(16) double ws[2];
                _mm_store_pd(ws, w);
#if defined(CELLRUNE_PACKED_SAMPLES)
                uint32_t samples[2];
                if (bilinearPair(scaledU, scaledV, samples)) {
                    for (int lane = 0; lane < 2; ++lane)
                        if (lanes & (1 << lane)) {
                            renderTarget.depthBuffer[start + i + lane] = lowWord(ws[lane]);
                            renderTarget.pixels[start + i + lane] = samples[lane];
                            coveredPixels[start + i + lane] = coveredMark;
                        }
                    return;
                }
#endif
                alignas(16) double bigU[2], bigV[2];
                _mm_store_pd(bigU, scaledU);
                _mm_store_pd(bigV, scaledV);
                for (int lane = 0; lane < 2; ++lane)
                    if (lanes & (1 << lane))
                        lightmappedPixel(start + i + lane, int32_t(uint32_t(truncateWide(bigU[lane]))),
                                         int32_t(uint32_t(truncateWide(bigV[lane]))), ws[lane]);
            });
        return;
    }
#endif
    walkSpan<Walk::kNearer, plain>(row, left, right, 0, pixel);
}

template <bool plain> void keyedRow(int row, const SpanEnd& left, const SpanEnd& right) {
    walkSpan<Walk::kNearer, plain>(row, left, right, 0, [](int64_t p, double u, double v, double w) {
        auto [bigU, bigV] = perspectiveTexel(u, v, w);
        uint32_t column = uint32_t(bigU / 256) & 255, texelRow = uint32_t(bigV >> 8) & 255;
        uint32_t t = renderTarget.texture[texelRow * 256 + column];
        if (t == kKeyColour) return; // see-through
        renderTarget.pixels[p] = t;
        renderTarget.depthBuffer[p] = lowWord(w);
    });
}

} // namespace

void spanEnvMapped(int row, const SpanEnd& left, const SpanEnd& right) {
    envMappedRow<false>(row, left, right);
}
void spanInverseBlend(int row, const SpanEnd& left, const SpanEnd& right) {
    inverseBlendRow<false>(row, left, right);
}
void spanFlat(int row, const SpanEnd& left, const SpanEnd& right, uint32_t colour) {
    flatRow<false>(row, left, right, colour);
}
void spanLightmapped(int row, const SpanEnd& left, const SpanEnd& right) {
    lightmappedRow<false>(row, left, right);
}
void spanKeyed(int row, const SpanEnd& left, const SpanEnd& right) {
    keyedRow<false>(row, left, right);
}

// Each filler's row is a lambda, not a pointer to its span function, so the walk has it inline.
#define CELLRUNE_ROW(rowOf)                                                                                  \
    [](int row, const SpanEnd& left, const SpanEnd& right) { rowOf<false>(row, left, right); }

void fillTriangleEnvMapped(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.width, renderTarget.height,
                                    CELLRUNE_ROW(envMappedRow));
}

void fillTriangleLightmapped(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.width, renderTarget.height,
                                    CELLRUNE_ROW(lightmappedRow));
}

void fillTriangleInverseBlend(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.width, renderTarget.height,
                                    CELLRUNE_ROW(inverseBlendRow));
}

void fillTriangleFlat(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, uint32_t colour) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.width, renderTarget.height,
                                    [colour](int row, const SpanEnd& left, const SpanEnd& right) {
                                        flatRow<false>(row, left, right, colour);
                                    });
}

void fillTriangleKeyed(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.width, renderTarget.height, CELLRUNE_ROW(keyedRow));
}

void fillTrianglePlain(Filler filler, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                       uint32_t colour) {
    const int64_t width = renderTarget.width, height = renderTarget.height;
    switch (filler) {
    case Filler::kEnvMapped:
        return walkTrianglePlain<EdgeRule::kFiller>(a, b, c, width, height, envMappedRow<true>);
    case Filler::kLightmapped:
        return walkTrianglePlain<EdgeRule::kFiller>(a, b, c, width, height, lightmappedRow<true>);
    case Filler::kInverseBlend:
        return walkTrianglePlain<EdgeRule::kFiller>(a, b, c, width, height, inverseBlendRow<true>);
    case Filler::kFlat:
        return walkTrianglePlain<EdgeRule::kFiller>(
            a, b, c, width, height, [colour](int row, const SpanEnd& left, const SpanEnd& right) {
                flatRow<true>(row, left, right, colour);
            });
    case Filler::kKeyed:
        return walkTrianglePlain<EdgeRule::kFiller>(a, b, c, width, height, keyedRow<true>);
    }
}
