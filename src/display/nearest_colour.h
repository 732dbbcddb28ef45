// nearest_colour: fast, exact nearest-colour searches over fixed lists.
//
// A ColourGrid cuts the RGB space from its origin into boxes of 16^3 values;
// each box keeps, in list order, every listed colour that can be nearest (or
// tie for nearest) to some point of the box: those whose least distance to
// the box is at most the smallest greatest distance of any colour. The winner
// and its tie order are therefore exactly a plain search's that keeps the
// first of equal distances. A point outside the grid, or in a box whose list
// did not fit the grid's capacity, gets -1: the caller searches plainly.
//
// findNearestPaletteEntryFast is findNearestPaletteEntry over cellPalette, on
// a grid from -128 to 639 a channel (diffusion errors reach far past 255),
// rebuilt when cellPalette's count changes.
#pragma once

#include <cstdint>

constexpr int kNearestGridOrigin = -128;
constexpr int kNearestBoxShift = 4; // 16 values a box
constexpr int kNearestGridSide = 48;
constexpr int kNearestBoxCount = kNearestGridSide * kNearestGridSide * kNearestGridSide;
constexpr int kNearestCandidateCapacity = 1 << 20;
constexpr int kColourGridListCapacity = 256; // colours a grid can be built over

struct ColourCandidate {
    int16_t red, green, blue, index;
};
static_assert(sizeof(ColourCandidate) == 8);

struct ColourGrid {
    int origin;   // the lowest channel value the grid covers
    int side;     // boxes a channel, at most kNearestGridSide
    int capacity; // candidates the storage holds
    uint32_t* first;
    uint16_t* length;
    ColourCandidate* candidates;
    int total;
};

// Builds the grid over count colours (0x00RRGGBB), each searched result
// reported as its index[] value.
void buildColourGrid(ColourGrid* grid, const int32_t* red, const int32_t* green, const int32_t* blue,
                     const int16_t* index, int count);
// The same grid, byte for byte, weighing every colour in every box (kept to check the fast one).
void buildColourGridPlain(ColourGrid* grid, const int32_t* red, const int32_t* green, const int32_t* blue,
                          const int16_t* index, int count);
int searchColourGrid(const ColourGrid& grid, int32_t r, int32_t g, int32_t b);
// cellPalette's colours split into channels, each reported as its own index; returns the count.
int cellPaletteChannels(int32_t* red, int32_t* green, int32_t* blue, int16_t* index);

int findNearestPaletteEntryFast(int32_t r, int32_t g, int32_t b);

// Builds the grid now (about 0.1 s) rather than in the first diffused frame.
void prepareNearestSearch();

// Candidates stored over all boxes (for measurement); builds the grid if needed.
int nearestGridCandidateTotal();
// How many searches took the plain path so far.
long nearestFallbackCount();
