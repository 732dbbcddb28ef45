// tint: washes bands and rings of the 160 x 100 FrameBuffer toward a pale
// blue-white (221, 238, 255). Weight 0..128 is the old pixel's share in
// 1/128; packed arithmetic, red and blue in one word, green in another.
#pragma once

#include <cstdint>

void tintRowSpan(uint32_t* pixels, int32_t row, int32_t x0, int32_t x1, int32_t weight);
int tintRing(uint32_t* pixels, int32_t centreX, int32_t centreY, int32_t innerRadius, int32_t outerRadius,
             int32_t weight);
