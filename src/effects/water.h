// water: a 64 x 64 integer ripple field with random drops.
//
// stepWater drops 256 into one of the first 3,377 cells every other step,
// then lets the waves spread and decay (wrapping at the edges, integer
// divisions truncating). drawWaterSurface steps at most once per 40 ms of the
// process clock and draws the field as a 32 x 32 environment-mapped grid;
// triangles with any corner at z < 1 are skipped. sampleWaterHeight reads the
// field blended along x for the raytraced water, which raytraceWater draws
// over a view's sky.
#pragma once

#include "math/matrix.h"

#include <cstdint>

constexpr int kWaterSize = 64;

extern int32_t waterHeights[kWaterSize * kWaterSize];
extern int32_t waterOlder[kWaterSize * kWaterSize];
extern int32_t nextWaterTime;
extern int32_t dropToggle;

void stepWater();
void drawWaterSurface(const Matrix4& m, float lift);
int32_t sampleWaterHeight(int32_t x, int32_t y);
// The cell a drop falls into when stepWater runs at clock reading now.
int32_t waterDropIndex(uint32_t now);
void resetWater();

// The water plane y = 16 seen from eye, over the sky already in one view of
// width x height pixels (pitch 256 words apart, centred at centreX, 64 rows
// above and below the horizon row). Each pixel's ray (x - centreX, y - 64, 64)
// is turned to the world by back, the rotation part of the inverse view; a
// ray that never meets the plane keeps the sky, others darken it by the
// water's height there and push its red toward 127 (unclamped packed
// arithmetic, as two's complement wraps it). While the render target's
// neededColumns is set, only those columns of each row.
void raytraceWater(uint32_t* pixels, int width, int height, int centreX, const Vector3& eye,
                   const Matrix4& back);
// The same, each ray worked out where raytraceWater looks it up in a table (kept to check it).
void raytraceWaterPlain(uint32_t* pixels, int width, int height, int centreX, const Vector3& eye,
                        const Matrix4& back);
