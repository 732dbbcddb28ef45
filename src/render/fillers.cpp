#include "datapool/pictures.h"
#include "render/render_target.h"
#include "render/span_steps.h"
#include "render/triangle_walk.h"

#include <cmath>

RenderTarget renderTarget = kStartRenderTarget;
uint32_t depthBufferA[kDepthBufferWords];
uint32_t depthBufferB[kDepthBufferWords];

namespace {

uint32_t lowWord(double value) {
    return static_cast<uint32_t>(static_cast<uint64_t>(truncateWide(value)));
}

// Visits the drawable columns of a row; firstColumn is 0 or 1 (some fillers
// never draw column 0). pixel(p, u, v, w) colours pixel index p.
template <typename Pixel>
void walkSpan(int row, const SpanEnd& left, const SpanEnd& right, int firstColumn, Pixel pixel) {
    int64_t n = int64_t{right.x} - left.x;
    if (n <= 0) return;
    const RenderTarget& rt = renderTarget;
    int64_t from = firstColumn - int64_t{left.x};
    if (from < 0) from = 0;
    int64_t to = int64_t{rt.width} - left.x;
    if (to > n) to = n;
    int64_t start = int64_t{row} * rt.pitch + left.x;
    stepSpan({left.u, right.u, left.v, right.v, left.w, right.w, n}, from, to,
             [&](int64_t i, double u, double v, double w) { pixel(start + i, u, v, w); });
}

// The depth rule: draw only when nearer, and then remember the depth.
bool passesDepth(int64_t p, double w) {
    return w > double(renderTarget.depthBuffer[p]);
}

uint32_t envTexel(double u, double v) {
    uint32_t column = uint32_t(truncateWide(u)) & 255, row = uint32_t(truncateWide(v)) & 255;
    return envMap[row * 256 + column];
}

} // namespace

uint32_t sampleBilinear(int32_t a, int32_t b) {
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

void spanEnvMapped(int row, const SpanEnd& left, const SpanEnd& right) {
    walkSpan(row, left, right, 1, [](int64_t p, double u, double v, double w) {
        if (!passesDepth(p, w)) return;
        renderTarget.depthBuffer[p] = lowWord(w);
        renderTarget.pixels[p] = envTexel(u, v);
    });
}

void spanInverseBlend(int row, const SpanEnd& left, const SpanEnd& right) {
    walkSpan(row, left, right, 1, [](int64_t p, double u, double v, double) {
        uint32_t t = envTexel(u, v);
        renderTarget.pixels[p] = ((~t & 0xFCFCFC) + (renderTarget.pixels[p] & 0xFCFCFC)) >> 1;
    });
}

void spanFlat(int row, const SpanEnd& left, const SpanEnd& right, uint32_t colour) {
    walkSpan(row, left, right, 1, [colour](int64_t p, double, double, double w) {
        if (!passesDepth(p, w)) return;
        renderTarget.depthBuffer[p] = lowWord(w);
        renderTarget.pixels[p] = colour;
    });
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

} // namespace

void spanLightmapped(int row, const SpanEnd& left, const SpanEnd& right) {
    walkSpan(row, left, right, 0, [](int64_t p, double u, double v, double w) {
        if (!passesDepth(p, w)) return;
        auto [bigU, bigV] = perspectiveTexel(u, v, w);
        renderTarget.depthBuffer[p] = lowWord(w);
        renderTarget.pixels[p] = sampleBilinear(bigU / 32, bigV / 32);
    });
}

void spanKeyed(int row, const SpanEnd& left, const SpanEnd& right) {
    walkSpan(row, left, right, 0, [](int64_t p, double u, double v, double w) {
        if (!passesDepth(p, w)) return;
        auto [bigU, bigV] = perspectiveTexel(u, v, w);
        uint32_t column = uint32_t(bigU / 256) & 255, texelRow = uint32_t(bigV >> 8) & 255;
        uint32_t t = renderTarget.texture[texelRow * 256 + column];
        if (t == kKeyColour) return; // see-through
        renderTarget.pixels[p] = t;
        renderTarget.depthBuffer[p] = lowWord(w);
    });
}

void fillTriangleEnvMapped(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.height, spanEnvMapped);
}

void fillTriangleLightmapped(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.height, spanLightmapped);
}

void fillTriangleInverseBlend(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.height, spanInverseBlend);
}

void fillTriangleFlat(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, uint32_t colour) {
    walkTriangle<EdgeRule::kFiller>(
        a, b, c, renderTarget.height,
        [colour](int row, const SpanEnd& left, const SpanEnd& right) { spanFlat(row, left, right, colour); });
}

void fillTriangleKeyed(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    walkTriangle<EdgeRule::kFiller>(a, b, c, renderTarget.height, spanKeyed);
}
