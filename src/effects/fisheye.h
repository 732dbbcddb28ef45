// fisheye: roomLookup, one packed panorama position per FrameBuffer pixel,
// for bending a 256 x 128 three-wall panorama into 160 x 100 as if through a
// fisheye lens. Code = q8 + (1016 - r8) * 2048 (eighths of a pixel); source
// row c >> 14, column (c >> 3) & 255, fractions (c >> 11) & 7 and c & 7. Code 0:
// the ray hits no wall. Built once at start-up.
#pragma once

#include <cstdint>

extern uint32_t roomLookup[160 * 100];
// The panorama's columns roomLookup reads with a weight, row by row (rows 0..127): row r only
// columns roomReadFirst[r] .. roomReadEnd[r] - 1, about two thirds of the panorama in all.
constexpr int kRoomReadRows = 128;
extern int16_t roomReadFirst[kRoomReadRows], roomReadEnd[kRoomReadRows];

// Builds roomLookup and the columns it reads.
void buildRoomLookup();

// The 160 x 100 picture (pitch 160) of a panorama (pitch 256) through a
// lookup such as roomLookup: each pixel the four panorama pixels around its
// code, weighted in eighths (sum 64), red and blue in one word, green in
// another. With gains (red, green, blue, 0..128) each channel is then scaled
// by gain / 128.
void sampleFisheye(const uint32_t* lookup, const uint32_t* panorama, uint32_t* out, const int32_t* gains);
