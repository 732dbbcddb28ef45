#include "display/cell_image.h"

#include "settings/settings.h"

#include <initializer_list>

uint32_t debugImage[kDebugImagePixels];
uint32_t* const frameBuffer = debugImage;
uint32_t cellBuffer[kCellCount];

const uint32_t consolePalette[16] = {
    0x000000, 0x0000A0, 0x00A000, 0x00A0A0, 0xA00000, 0xA000A0, 0xA0A000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

PaletteEntry cellPalette[kCellPaletteCapacity];
int cellPaletteCount = 0;
uint8_t ditherMatrix[kDitherSize][kDitherSize];
bool consoleTablesPending = true;

constexpr uint32_t kLightShade = 0xB0;
constexpr uint32_t kMediumShade = 0xB1;
constexpr uint32_t kFullBlock = 0xDB;

void makeCellImage(uint32_t* destination, const uint32_t* source) {
    // Cell (x, y) is written at 80y + x, never past the source pixels
    // (320y + 2x onwards) that later cells still read, so in place is safe.
    for (int y = 0; y < kCellRows; ++y) {
        const uint32_t* top = source + 2 * y * kFrameWidth;
        const uint32_t* bottom = top + kFrameWidth;
        uint32_t* out = destination + y * kCellColumns;
        for (int x = 0; x < kCellColumns; ++x) {
            uint32_t sum = (top[2 * x] & kMaskSumOfFour) + (top[2 * x + 1] & kMaskSumOfFour) +
                           (bottom[2 * x] & kMaskSumOfFour) + (bottom[2 * x + 1] & kMaskSumOfFour);
            out[x] = sum >> 2;
        }
    }
    if (gammaSetting == 1.0) return;
    for (int i = 0; i < kCellCount; ++i) {
        uint32_t c = destination[i];
        uint32_t r = static_cast<uint8_t>(gammaTable[redOf(c)]);
        uint32_t g = static_cast<uint8_t>(gammaTable[greenOf(c)]);
        uint32_t b = static_cast<uint8_t>(gammaTable[blueOf(c)]);
        destination[i] = (c & 0xFF000000u) | makeColour(r, g, b);
    }
}

int findNearestPaletteEntry(int32_t r, int32_t g, int32_t b) {
    // Squares of int32 differences summed in 64-bit unsigned: exact for every
    // input, where a 32-bit sum would overflow for far-out values.
    int best = -1;
    uint64_t bestDistance = 0;
    for (int i = 0; i < cellPaletteCount; ++i) {
        uint32_t c = cellPalette[i].colour;
        int64_t dr = int64_t{redOf(c)} - r;
        int64_t dg = int64_t{greenOf(c)} - g;
        int64_t db = int64_t{blueOf(c)} - b;
        uint64_t d =
            static_cast<uint64_t>(dr * dr) + static_cast<uint64_t>(dg * dg) + static_cast<uint64_t>(db * db);
        if (best == -1 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

static void appendPaletteEntry(uint32_t colour, uint32_t cell) {
    if (cellPaletteCount >= kCellPaletteCapacity) return;
    cellPalette[cellPaletteCount++] = {colour, cell};
}

void buildConsoleTables() {
    if (!consoleTablesPending) return;
    consoleTablesPending = false;

    // Shade entries: a dark foreground j over a background k > j.
    for (int k = 0; k < 16; ++k) {
        for (int j = 0; j < 8 && j < k; ++j) {
            uint32_t bg = consolePalette[k];
            uint32_t fg = consolePalette[j];
            uint32_t attribute = static_cast<uint32_t>(k << 4 | j);
            uint32_t light = 0;
            uint32_t medium = 0;
            for (uint32_t shift : {kRedShift, kGreenShift, kBlueShift}) {
                uint32_t b = (bg >> shift) & kChannelMask;
                uint32_t f = (fg >> shift) & kChannelMask;
                light |= ((3 * b + f) >> 2) << shift;
                medium |= ((6 * b + 4 * f) / 10) << shift;
            }
            appendPaletteEntry(light, makeCell(kLightShade, attribute));
            appendPaletteEntry(medium, makeCell(kMediumShade, attribute));
        }
    }
    for (int k = 0; k < 16; ++k) appendPaletteEntry(consolePalette[k], makeCell(kFullBlock, k));

    // Recursive 2 x 2 ordered-dither thresholds; the lowest position bits
    // choose the highest part of the threshold.
    static const int base[2][2] = {{0, 2}, {3, 1}}; // [row bit][column bit]
    for (int r = 0; r < kDitherSize; ++r) {
        for (int c = 0; c < kDitherSize; ++c) {
            int v = 0;
            for (int bit = 0; bit < 4; ++bit) v = v * 4 + base[(r >> bit) & 1][(c >> bit) & 1];
            ditherMatrix[r][c] = static_cast<uint8_t>(v);
        }
    }
}
