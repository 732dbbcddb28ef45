#include "timeline/toolkit.h"

#include "display/cell_image.h"
#include "effects/span_buffer.h"
#include "math/same_math.h"
#include "render/mesh_drawers.h"

#include <cmath>
#include <initializer_list>

uint32_t sceneBufferA[kSceneBufferPitch * kSceneBufferARows];
uint32_t sceneBufferB[kSceneBufferPitch * kSceneBufferBRows];

namespace {

constexpr int kW = 160, kH = 100;

uint32_t* frameRow(int y) {
    return frameBuffer + y * kFrameWidth;
}
const uint32_t* sourceRow(const uint32_t* buffer, int y) {
    return buffer + y * kSceneBufferPitch;
}

} // namespace

void skyPass(const Matrix4& view) {
    resetSpanBuffer();
    drawMeshSpans(view);
    resolveSpanBuffer();
}

void resetDepth(uint32_t* depth, int pitch) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) depth[y * pitch + x] = 1;
}

void blendBuffers(int w, const uint32_t* a, const uint32_t* b) {
    uint32_t wa = uint32_t(w), wb = uint32_t(128 - w);
    for (int y = 0; y < kH; ++y) {
        const uint32_t *ra = sourceRow(a, y), *rb = sourceRow(b, y);
        uint32_t* out = frameRow(y);
        for (int x = 0; x < kW; ++x) {
            uint32_t redBlue =
                ((((ra[x] & 0xFF00FF) * wa) >> 7) + (((rb[x] & 0xFF00FF) * wb) >> 7)) & 0xFF00FF;
            uint32_t green = ((((ra[x] & 0xFF00) * wa) >> 7) + (((rb[x] & 0xFF00) * wb) >> 7)) & 0xFF00;
            out[x] = redBlue | green;
        }
    }
}

namespace {

void smearRow(const uint32_t* in, uint32_t* out, uint32_t n, uint32_t r, uint32_t g, uint32_t b) {
    if (n == 1) {
        // Each channel divided by 1 is the pixel's own: the row as it is, the top byte cleared.
        for (int x = 0; x < kW; ++x) out[x] = in[x] & 0xFFFFFF;
        return;
    }
    if (n < kSmallDivisors) {
        // Each channel's sum is at most n times its greatest value, under 2^31: a multiply and a
        // shift give each quotient, where a division would hold up the next pixel.
        const SmallDivider divide = smallDivider(n);
        for (int x = 0; x < kW; ++x) {
            uint32_t c = in[x];
            r = divide((n - 1) * r + (c & 0xFF0000));
            g = divide((n - 1) * g + (c & 0xFF00));
            b = divide((n - 1) * b + (c & 0xFF));
            out[x] = (r & 0xFF0000) | (g & 0xFF00) | b;
        }
        return;
    }
    for (int x = 0; x < kW; ++x) {
        uint32_t c = in[x];
        r = ((n - 1) * r + (c & 0xFF0000)) / n;
        g = ((n - 1) * g + (c & 0xFF00)) / n;
        b = ((n - 1) * b + (c & 0xFF)) / n;
        out[x] = (r & 0xFF0000) | (g & 0xFF00) | b;
    }
}

} // namespace

void smearRows(uint32_t n, uint32_t start) {
    if (n < 1) n = 1;
    for (int y = 0; y < kH; ++y) smearRow(frameRow(y), frameRow(y), n, start * 0x10000, start * 0x100, start);
}

void wavySmear(uint32_t (*rowN)(int y, double pathTime), double pathTime) {
    for (int y = 0; y < kH; ++y) {
        const uint32_t* in = sourceRow(sceneBufferA, y);
        uint32_t n = rowN(y, pathTime);
        if (n < 1) n = 1;
        smearRow(in, frameRow(y), n, in[0] & 0xFF0000, in[0] & 0xFF00, in[0] & 0xFF);
    }
}

void wrapShiftHorizontal(int k) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) frameRow(y)[x] = sourceRow(sceneBufferA, y)[((x + k) % kW + kW) % kW];
}

void wrapShiftVertical(int k) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) frameRow(y)[x] = sourceRow(sceneBufferA, ((y + k) % kH + kH) % kH)[x];
}

void pixelate(int level) {
    if (level < 0) level = 0;
    if (level > 15) level = 15;
    int mask = (0xFF >> level) << level;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) frameRow(y)[x] = sourceRow(sceneBufferA, y & mask)[x & mask];
}

void rippleCopy(int q, double f, int32_t clock) {
    if (q > 16) q = 16; // the margin around the picture is 16 pixels
    if (q < -16) q = -16;
    // The shift across depends on the row alone and the shift down on the column alone: a sine
    // each, not two a pixel.
    int dxOfRow[kH] = {}, dyOfColumn[kW] = {};
    if (q != 0) {
        for (int y = 0; y < kH; ++y) dxOfRow[y] = int(q * sameSin(y * f + clock / 256.0));
        for (int x = 0; x < kW; ++x) dyOfColumn[x] = int(q * sameSin(x * f + clock / 256.0));
    }
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            frameRow(y)[x] =
                sourceRow(sceneBufferA, 16 + y + dyOfColumn[x])[16 + x + dxOfRow[y]]; // in the margin
}

void jitterCopy(int32_t clock) {
    uint32_t u = uint32_t(clock / 512) & 0xFF;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            frameRow(y)[x] = sourceRow(
                sceneBufferA, int((u % 11 + 95 + uint32_t(y)) % 100))[(u % 7 + 150 + uint32_t(x)) % 160];
            u = (u + 29) % 65537;
        }
}

void edgeCrush(int e) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (x < e) frameRow(y)[x] &= 0xFFF0F0;
            if (x > kW - e) frameRow(y)[x] &= 0xF0FFF0;
        }
}

void invertBuffer(const uint32_t* a, uint32_t* b) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            b[y * kSceneBufferPitch + x] = a[y * kSceneBufferPitch + x] ^ 0xFFFFFFFFu;
}

void fillArea(uint32_t* buffer, int pitch, uint32_t colour) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) buffer[y * pitch + x] = colour;
}

void copyToFrame(const uint32_t* a) {
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) frameRow(y)[x] = sourceRow(a, y)[x];
}

void fogByDepth(const uint32_t* a, const uint32_t* depthA, const uint32_t* depthB, uint32_t fog) {
    const uint32_t fogRedBlue = fog & 0xFF00FF, fogGreen = fog & 0xFF00;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            int i = y * kSceneBufferPitch + x;
            int64_t d = int64_t(depthB[i]) - int64_t(depthA[i]);
            uint32_t p = a[i];
            if (d <= 0) {
                frameRow(y)[x] = p;
                continue;
            }
            uint32_t f = uint32_t(d / 128 < 128 ? d / 128 : 128);
            uint32_t rb = (((p & 0xFF00FF) * (128 - f)) >> 7) + ((f * fogRedBlue) >> 7);
            uint32_t g = (((p & 0xFF00) * (128 - f)) >> 7) + ((f * fogGreen) >> 7);
            frameRow(y)[x] = (rb & 0xFF00FF) | (g & 0xFF00);
        }
}

uint32_t addClamped(uint32_t pixel, int32_t delta) {
    uint32_t out = 0;
    for (uint32_t shift : {16u, 8u, 0u}) {
        int32_t c = int32_t((pixel >> shift) & 255) + delta;
        out |= uint32_t(c < 0 ? 0 : c > 255 ? 255 : c) << shift;
    }
    return out;
}
