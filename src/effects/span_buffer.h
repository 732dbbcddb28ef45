// span_buffer: the sky pass without overdraw.
//
// Triangles are cut into horizontal spans kept in per-scanline lists that
// always tile [0, width) exactly; a new span replaces whatever it covers (the
// last one inserted wins, no depth test). resolveSpanBuffer then writes every
// pixel of rows 0..height-1 once (only the needed columns while the render
// target's neededColumns is set): kind 1 clears to black, kind 2 samples
// spanTexture (256 x 512 texels) perspective-correctly and sets the depth word
// to 1. Fixed pool of kSpanNodes nodes reused last-freed-first; with fewer
// than two free nodes further spans are dropped. Rows 0..kSpanRows-1.
#pragma once

#include "math/matrix.h"
#include "render/render_target.h"

#include <cstdint>

constexpr int kSpanNodes = 16384;
constexpr int kSpanHeads = 512;
constexpr int kSpanRows = 480;

struct SpanNode {
    uint32_t length;
    SpanNode* next;
    double uLeft, vLeft;
    double uRight, vRight;
    double wLeft, wRight;
    uint8_t kind; // 1 clear, 2 sky texture, other: untouched
};

extern const uint32_t* spanTexture;
extern SpanNode spanHeads[kSpanHeads];
extern int spanFreeCount;

void resetSpanBuffer();
void scanTriangleToSpans(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, uint8_t kind);
void insertSpan(int32_t row, int32_t x, int32_t length, double uLeft, double uRight, double vLeft,
                double vRight, double wLeft, double wRight, uint8_t kind);
void resolveSpanBuffer();
// resolveSpanBuffer in two steps around lit meshes drawn over the sky, so that the sky pixels they
// cover are never worked out: begin sets the sky's depth words and takes a new coveredMark,
// finish writes the pixels no light-mapped pixel covered since. With only light-mapped
// triangles between them, the two leave the very buffers the resolve and those triangles leave.
void beginSpanBufferResolve();
void finishSpanBufferResolve();
// The same, one pixel at a time as defined (kept to check the paired one against).
void resolveSpanBufferPlain();

// The sky cube seen through the view's rotation (it has no position), cut
// into kind-2 spans: after a reset, this and a resolve paint the whole target.
void drawMeshSpans(const Matrix4& m);
