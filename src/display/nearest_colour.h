// nearest_colour: a fast, exact findNearestPaletteEntry.
//
// The RGB space from -128 to 639 per channel (diffusion errors reach far
// above 255) is cut into boxes of 16^3; each box
// keeps, in ascending index order, every palette entry that can be nearest
// (or tie for nearest) to some point of the box: those whose least distance
// to the box is at most the smallest greatest distance of any entry. The
// winner and its tie order are therefore exactly the plain search's. Inputs
// outside the grid, and boxes whose list did not fit kNearestCandidateCapacity,
// take the plain search. The grid is rebuilt when cellPalette's count changes.
#pragma once

#include <cstdint>

constexpr int kNearestGridOrigin = -128;
constexpr int kNearestBoxShift = 4; // 16 values a box
constexpr int kNearestGridSide = 48;
constexpr int kNearestBoxCount = kNearestGridSide * kNearestGridSide * kNearestGridSide;
constexpr int kNearestCandidateCapacity = 1 << 20;

int findNearestPaletteEntryFast(int32_t r, int32_t g, int32_t b);

// Builds the grid now (about 0.1 s) rather than in the first diffused frame.
void prepareNearestSearch();

// Candidates stored over all boxes (for measurement); builds the grid if needed.
int nearestGridCandidateTotal();
// How many searches took the plain path so far.
long nearestFallbackCount();
