// cell_image: the picture types of the display and the console colour tables.
//
// Owns the FrameBuffer (160 x 100, the first 64,000 bytes of the 320 x 200
// debugImage area), the CellBuffer (80 x 50 console cells), cellPalette (200
// {colour, cell} pairs, fixed order, ties go to the lower index) and the 16 x 16
// ditherMatrix. makeCellImage reduces a FrameBuffer to the 80 x 50 CellImage
// (2 x 2 average, then gammaTable unless gamma is exactly 1.0), in place or into
// another buffer. buildConsoleTables runs once, when the first console opens;
// the tables-pending flag keeps a second call from growing the palette.
// Colours are 0x00RRGGBB words; a cell is character (low 16 bits) | attribute << 16.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/show_sizes.h"

// Picture geometry.
constexpr int kFramePixels = kFrameWidth * kFrameHeight;
constexpr int kCellCount = kCellColumns * kCellRows;
constexpr int kDebugImageWidth = kWindowWidth;
constexpr int kDebugImageHeight = kWindowHeight;
constexpr int kDebugImagePixels = kDebugImageWidth * kDebugImageHeight;
constexpr int kCellPaletteCapacity = 200;
constexpr int kDitherSize = 16;

// One console cell as the console reads it: 16-bit character field (low byte
// the code page 437 character), then 16-bit attribute (fg bits 0-3, bg 4-7).
struct ConsoleCell {
    uint16_t character;
    uint16_t attribute;
};
static_assert(sizeof(ConsoleCell) == 4 && offsetof(ConsoleCell, attribute) == 2);
// Cells are written as one 32-bit word; that equals ConsoleCell only on little-endian.
static_assert(std::endian::native == std::endian::little);

constexpr uint32_t makeCell(uint32_t character, uint32_t attribute) {
    return character | attribute << 16;
}
constexpr uint32_t cellCharacter(uint32_t cell) {
    return cell & 0xFFFF;
}
constexpr uint32_t cellAttribute(uint32_t cell) {
    return cell >> 16;
}

// Packed colour channels.
constexpr uint32_t kRedShift = 16;
constexpr uint32_t kGreenShift = 8;
constexpr uint32_t kBlueShift = 0;
constexpr uint32_t kChannelMask = 0xFF;
constexpr uint32_t kMaskSumOfFour = 0xFCFCFC; // clears the 2 low bits of each channel
constexpr uint32_t kMaskSumOfTwo = 0xFEFEFE;
constexpr int redOf(uint32_t c) {
    return static_cast<int>((c >> kRedShift) & kChannelMask);
}
constexpr int greenOf(uint32_t c) {
    return static_cast<int>((c >> kGreenShift) & kChannelMask);
}
constexpr int blueOf(uint32_t c) {
    return static_cast<int>((c >> kBlueShift) & kChannelMask);
}
constexpr uint32_t makeColour(uint32_t r, uint32_t g, uint32_t b) {
    return r << kRedShift | g << kGreenShift | b << kBlueShift;
}

// debugImage is 320 x 200 with 320 pixels a row; the FrameBuffer is its start.
extern uint32_t debugImage[kDebugImagePixels];
extern uint32_t* const frameBuffer;
extern uint32_t cellBuffer[kCellCount];

struct PaletteEntry {
    uint32_t colour;
    uint32_t cell;
};
static_assert(sizeof(PaletteEntry) == 8);

extern const uint32_t consolePalette[16];
extern PaletteEntry cellPalette[kCellPaletteCapacity];
extern int cellPaletteCount;
extern uint8_t ditherMatrix[kDitherSize][kDitherSize];
extern bool consoleTablesPending;

// destination: 4,000 words (may be the source itself); source: a FrameBuffer.
void makeCellImage(uint32_t* destination, const uint32_t* source);

// Index of the cellPalette entry nearest to (r, g, b) in squared RGB distance,
// lowest index on ties, -1 for an empty table. Inputs may lie far outside 0..255.
int findNearestPaletteEntry(int32_t r, int32_t g, int32_t b);

// Appends the 200 palette entries (up to capacity) and fills ditherMatrix.
void buildConsoleTables();
