// render_target: the renderer's global state and the five triangle fillers.
//
// renderTarget says where triangles go: 0x00RRGGBB pixels and 32-bit depth
// words (larger is nearer) at index y * pitch + x, columns 0..width-1 and rows
// 0..height-1 only. Fields persist between frames; the timeline sets them.
// Each filler walks rows T.y .. B.y - 1 of a triangle and colours columns
// left.x .. right.x - 1 of each row, values computed afresh per row and pixel
// in double precision. Corners that are not finite draw nothing; nothing is
// ever written outside the target, its depth buffer or a texture.
#pragma once

#include <cstdint>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

constexpr int kDepthBufferWords = 65536;

struct RenderTarget {
    uint32_t* pixels;
    uint32_t width;
    uint32_t height;
    int32_t pitch;
    int32_t centreX;
    int32_t centreY;
    double focalX;
    double focalY;
    const uint32_t* texture;
    uint32_t* depthBuffer;
};

struct ScreenVertex {
    double x;
    int32_t y;
    double u, v, w;
};

struct SpanEnd {
    int32_t x;
    double u, v, w;
};

// Where only part of a target is ever looked at (a panorama bent through a lens reads about two
// thirds of it), drawing may leave the rest out: row y needs only columns first[y] .. end[y] - 1,
// rows from `rows` on none. While neededColumns points at one, the fillers, the sky's resolve and
// the water leave every other pixel and depth word as it was; null (as usual): every column.
struct RowWindow {
    const int16_t* first;
    const int16_t* end;
    int32_t rows;
};
extern const RowWindow* neededColumns;
// The columns of row y to draw, lo .. hi - 1, cut to the needed ones.
inline void cutToNeeded(int64_t y, int64_t* lo, int64_t* hi) {
    const RowWindow* window = neededColumns;
    if (!window) return;
    if (y < 0 || y >= window->rows) {
        *hi = *lo;
        return;
    }
    if (*lo < window->first[y]) *lo = window->first[y];
    if (*hi > window->end[y]) *hi = window->end[y];
}

extern RenderTarget renderTarget;
// Each pixel index the light-mapped filler writes gets the mark coveredMark then, for the sky to
// leave those out (a new mark each time, so nothing need be cleared).
extern uint16_t coveredPixels[kDepthBufferWords];
extern uint16_t coveredMark;
extern uint32_t depthBufferA[kDepthBufferWords];
extern uint32_t depthBufferB[kDepthBufferWords];
// What the renderer holds before any scene sets it: a 160 x 100 area at pitch 256, centred, focal 90.
inline constexpr RenderTarget kStartRenderTarget = {nullptr, 160,  100,  256,     80,
                                                    50,      90.0, 90.0, nullptr, depthBufferA};

void fillTriangleEnvMapped(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
void fillTriangleLightmapped(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
void fillTriangleInverseBlend(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);
void fillTriangleFlat(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, uint32_t colour);
void fillTriangleKeyed(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c);

// The same fillers walked plainly, edge point by edge point and pixel by pixel (each writes
// what its fast one writes; kept to check them against).
enum class Filler { kEnvMapped, kLightmapped, kInverseBlend, kFlat, kKeyed };
void fillTrianglePlain(Filler filler, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                       uint32_t colour = 0);

void spanEnvMapped(int row, const SpanEnd& left, const SpanEnd& right);
void spanLightmapped(int row, const SpanEnd& left, const SpanEnd& right);
void spanInverseBlend(int row, const SpanEnd& left, const SpanEnd& right);
void spanFlat(int row, const SpanEnd& left, const SpanEnd& right, uint32_t colour);
void spanKeyed(int row, const SpanEnd& left, const SpanEnd& right);

// (a, b) in 1/8 texel; the light texture is 32 texels wide, 8192 rows, wrapping.
uint32_t sampleBilinear(int32_t a, int32_t b);

// Truncation toward zero that is defined for every double: out-of-range and
// non-finite values give what the x86 conversion gives (the "indefinite"
// integer), whose low 32 bits are 0. Inline: the fillers call it per pixel.
inline int64_t truncateWidePlain(double value) {
    if (!(value > -9223372036854775808.0 && value < 9223372036854775808.0)) return INT64_MIN;
    return static_cast<int64_t>(value);
}
inline int64_t truncateWide(double value) {
#if defined(__x86_64__)
    return _mm_cvttsd_si64(_mm_set_sd(value)); // that conversion, without the range tests
#else
    return truncateWidePlain(value);
#endif
}
// Screen coordinates: truncation toward zero, clamped to +-2^30.
inline int32_t truncateCoordinate(double value) {
    constexpr double kLimit = 1 << 30;
    if (!(value > -kLimit)) return -(1 << 30); // also NaN
    if (value >= kLimit) return 1 << 30;
    return static_cast<int32_t>(value);
}
