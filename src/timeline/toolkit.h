// toolkit: the whole-image operations the scenes are composed from.
//
// Sources are the scene buffers (256 pixels a row), the destination the
// FrameBuffer (160 a row) unless a function says otherwise; every operation
// covers the 160 x 100 picture. Packed arithmetic on 0x00RRGGBB words:
// red and blue weighted together in one product, green in another.
#pragma once

#include "math/matrix.h"

#include <cstdint>

constexpr int kSceneBufferPitch = 256;
constexpr int kSceneBufferARows = 132; // a 192 x 132 render, a 256 x 128 panorama
constexpr int kSceneBufferBRows = 100;

extern uint32_t sceneBufferA[kSceneBufferPitch * kSceneBufferARows];
extern uint32_t sceneBufferB[kSceneBufferPitch * kSceneBufferBRows];

// Paints the render target's whole area with the sky seen through the view's rotation.
void skyPass(const Matrix4& view);
// Stores 1 in the 160 x 100 area of a depth buffer at the given pitch.
void resetDepth(uint32_t* depth, int pitch);

// FrameBuffer = A weighted w/128 plus B weighted (128 - w)/128.
void blendBuffers(int w, const uint32_t* a = sceneBufferA, const uint32_t* b = sceneBufferB);
// Drags each row's colours to the right, starting from grey level start (0, 127, 255); n = 1 changes nothing.
void smearRows(uint32_t n, uint32_t start);
// x / n, for any x below 2^31 and 1 < n < kSmallDivisors, as a multiply and a shift: with
// l = ceil(log2 n) and m = floor(2^(31 + l) / n) + 1, m n lies in (2^(31 + l), 2^(31 + l) + 2^l],
// which makes floor(x m / 2^(31 + l)) floor(x / n) (Granlund and Montgomery).
constexpr uint32_t kSmallDivisors = 128;
struct SmallDivider {
    uint64_t multiplier;
    int shift;
    uint32_t operator()(uint32_t x) const { return uint32_t((x * multiplier) >> shift); }
};
constexpr SmallDivider smallDivider(uint32_t n) {
    int l = 0;
    while ((uint32_t{1} << l) < n) ++l;
    return {(uint64_t{1} << (31 + l)) / n + 1, 31 + l};
}
// From A: per-row n (rowN(y)), starting at each row's first pixel.
void wavySmear(uint32_t (*rowN)(int y, double pathTime), double pathTime);
void wrapShiftHorizontal(int k); // FrameBuffer(x, y) = A((x + k) mod 160, y)
void wrapShiftVertical(int k);   // FrameBuffer(x, y) = A(x, (y + k) mod 100)
void pixelate(int level);        // level 0..15
// A is 192 x 132 with a 16-pixel margin; q the amplitude, f the spatial factor.
void rippleCopy(int q, double f, int32_t clock);
void jitterCopy(int32_t clock);
void edgeCrush(int e);
void invertBuffer(const uint32_t* a, uint32_t* b); // b = a XOR 0xFFFFFFFF
void fillArea(uint32_t* buffer, int pitch, uint32_t colour);
void copyToFrame(const uint32_t* a);

// FrameBuffer from a, fogged where a plane (depth b) lies in front of the
// scene (depth a), both at pitch 256: d = b - a; d <= 0 keeps a's pixel,
// otherwise the pixel moves toward fog by min(d / 128, 128) / 128.
void fogByDepth(const uint32_t* a, const uint32_t* depthA, const uint32_t* depthB, uint32_t fog);
// Each channel of pixel plus delta, clamped to 0..255.
uint32_t addClamped(uint32_t pixel, int32_t delta);
