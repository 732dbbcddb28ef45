// nearest_colour: a fast, exact findNearestPaletteEntry.
//
// The RGB space from -128 to 383 per channel is cut into 16^3 boxes; each box
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
constexpr int kNearestGridSide = 32;
constexpr int kNearestBoxCount = kNearestGridSide * kNearestGridSide * kNearestGridSide;
constexpr int kNearestCandidateCapacity = 1 << 20;

int findNearestPaletteEntryFast(int32_t r, int32_t g, int32_t b);

// Candidates stored over all boxes (for measurement); builds the grid if needed.
int nearestGridCandidateTotal();
