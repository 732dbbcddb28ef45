// window_converters: the five pixel styles, FrameBuffer -> WindowImage.
//
// The WindowImage is 320 x 200 0x00RRGGBB pixels stored bottom row first
// (memory row 0 is the window's bottom line); presentWindow shows it. Each
// converter rewrites all of it and ignores frameNumber. convertSmooth writes
// averages back into FrameBuffer row 0; convertDebugView copies debugImage
// unturned, so the window shows it upside down.
#pragma once

#include "platform/show_sizes.h"

#include <cstdint>

constexpr int kWindowPixels = kWindowWidth * kWindowHeight;

extern uint32_t windowImage[kWindowPixels];
extern const uint32_t palettePairColours[16];

void convertPixelDouble(uint32_t* framePixels, uint32_t frameNumber);
void convertSmooth(uint32_t* framePixels, uint32_t frameNumber);
void convertGreyBlocks(uint32_t* framePixels, uint32_t frameNumber);
void convertDebugView(uint32_t* framePixels, uint32_t frameNumber);
void convertPalettePairs(uint32_t* framePixels, uint32_t frameNumber);

// Mode 9's choice for a colour: the nearest mix of two palette colours, named
// 16 x high + low, the first in that order on a tie. The plain search is kept
// to check the grid search against.
int nearestPairMix(int r, int g, int b);
int nearestPairMixPlain(int r, int g, int b);
int pairMixGridCandidates();

// The WindowImage at half size for the terminal: 160 x 100, the top row
// first, each pixel the mean of its 2 x 2 (each channel rounded down).
void halveWindowImage(const uint32_t* image, uint32_t* out);

// The WindowImage row shown at screen row s (0 = top).
inline uint32_t* windowRow(int s) {
    return windowImage + (kWindowHeight - 1 - s) * kWindowWidth;
}
