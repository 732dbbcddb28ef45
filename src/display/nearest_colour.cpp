#include "display/nearest_colour.h"

#include "display/cell_image.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr uint32_t kFullScan = UINT32_MAX;

struct NearestGrid {
    int builtForCount = -1;
    int32_t red[kCellPaletteCapacity], green[kCellPaletteCapacity], blue[kCellPaletteCapacity];
    uint32_t first[kNearestBoxCount]; // kFullScan when the box's list did not fit
    uint16_t length[kNearestBoxCount];
    uint8_t candidates[kNearestCandidateCapacity];
    int total = 0;
};
static_assert(kCellPaletteCapacity <= 256, "candidates are stored as bytes");

NearestGrid grid;

int64_t square(int64_t v) {
    return v * v;
}

// Least and greatest squared distance from c to the integers lo..hi.
int64_t leastDistance(int c, int lo, int hi) {
    return c < lo ? square(lo - c) : c > hi ? square(c - hi) : 0;
}
int64_t greatestDistance(int c, int lo, int hi) {
    return std::max(square(c - lo), square(c - hi));
}

void buildGrid() {
    int count = cellPaletteCount;
    for (int i = 0; i < count; ++i) {
        grid.red[i] = redOf(cellPalette[i].colour);
        grid.green[i] = greenOf(cellPalette[i].colour);
        grid.blue[i] = blueOf(cellPalette[i].colour);
    }
    const int side = 1 << kNearestBoxShift;
    int total = 0;
    for (int box = 0; box < kNearestBoxCount; ++box) {
        int rLo = kNearestGridOrigin + (box >> (2 * 5)) * side;
        int gLo = kNearestGridOrigin + ((box >> 5) & 31) * side;
        int bLo = kNearestGridOrigin + (box & 31) * side;
        int rHi = rLo + side - 1, gHi = gLo + side - 1, bHi = bLo + side - 1;
        int64_t bound = INT64_MAX;
        for (int i = 0; i < count; ++i) {
            int64_t d = greatestDistance(grid.red[i], rLo, rHi) + greatestDistance(grid.green[i], gLo, gHi) +
                        greatestDistance(grid.blue[i], bLo, bHi);
            bound = std::min(bound, d);
        }
        int start = total;
        bool fits = true;
        for (int i = 0; i < count && fits; ++i) {
            int64_t d = leastDistance(grid.red[i], rLo, rHi) + leastDistance(grid.green[i], gLo, gHi) +
                        leastDistance(grid.blue[i], bLo, bHi);
            if (d > bound) continue;
            if (total == kNearestCandidateCapacity) {
                fits = false;
                break;
            }
            grid.candidates[total++] = static_cast<uint8_t>(i);
        }
        if (fits) {
            grid.first[box] = static_cast<uint32_t>(start);
            grid.length[box] = static_cast<uint16_t>(total - start);
        } else {
            total = start;
            grid.first[box] = kFullScan;
            grid.length[box] = 0;
        }
    }
    grid.total = total;
    grid.builtForCount = count;
}

static_assert(kNearestGridSide == 32, "box index packing uses 5 bits a channel");

} // namespace

int findNearestPaletteEntryFast(int32_t r, int32_t g, int32_t b) {
    if (grid.builtForCount != cellPaletteCount) buildGrid();
    // Unsigned wrap makes values below the origin huge, so one test covers both sides.
    const uint32_t origin = static_cast<uint32_t>(kNearestGridOrigin);
    uint32_t rBox = (static_cast<uint32_t>(r) - origin) >> kNearestBoxShift;
    uint32_t gBox = (static_cast<uint32_t>(g) - origin) >> kNearestBoxShift;
    uint32_t bBox = (static_cast<uint32_t>(b) - origin) >> kNearestBoxShift;
    if ((rBox | gBox | bBox) >= static_cast<uint32_t>(kNearestGridSide))
        return findNearestPaletteEntry(r, g, b);
    int box = static_cast<int>(rBox << 10 | gBox << 5 | bBox);
    if (grid.first[box] == kFullScan) return findNearestPaletteEntry(r, g, b);
    const uint8_t* candidate = grid.candidates + grid.first[box];
    const uint8_t* end = candidate + grid.length[box];
    int best = -1;
    int32_t bestDistance = INT32_MAX;
    for (; candidate != end; ++candidate) {
        int i = *candidate;
        int32_t dr = grid.red[i] - r, dg = grid.green[i] - g, db = grid.blue[i] - b;
        int32_t d = dr * dr + dg * dg + db * db; // |differences| < 512 here: no overflow
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int nearestGridCandidateTotal() {
    if (grid.builtForCount != cellPaletteCount) buildGrid();
    return grid.total;
}
