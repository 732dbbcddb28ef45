// spikes: pointed octagonal posts (a prism of radius 1 under a cone), drawn
// environment-mapped; the position is the apex. Side quads and cap triangles
// with any corner nearer than z = 0.1 are skipped whole.
#pragma once

#include "math/matrix.h"

void drawSpike(const Matrix4& m, float x, float y, float z);
