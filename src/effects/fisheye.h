// fisheye: roomLookup, one packed panorama position per FrameBuffer pixel,
// for bending a 256 x 128 three-wall panorama into 160 x 100 as if through a
// fisheye lens. Code = q8 + (1016 - r8) * 2048 (eighths of a pixel); source
// row c >> 14, column (c >> 3) & 255, fractions (c >> 11) & 7 and c & 7. Code 0:
// the ray hits no wall. Built once at start-up.
#pragma once

#include <cstdint>

extern uint32_t roomLookup[160 * 100];

void buildRoomLookup();
