#include "display/nearest_colour.h"

#include "display/cell_image.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr uint32_t kFullScan = UINT32_MAX;
static_assert(kCellPaletteCapacity <= kColourGridListCapacity);

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

struct PaletteGrid {
    int builtForCount = -1;
    uint32_t first[kNearestBoxCount];
    uint16_t length[kNearestBoxCount];
    ColourCandidate candidates[kNearestCandidateCapacity];
    ColourGrid grid = {
        kNearestGridOrigin, kNearestGridSide, kNearestCandidateCapacity, first, length, candidates, 0};
};

PaletteGrid palette;
long fallbacks = 0;

void buildPaletteGrid() {
    int count = cellPaletteCount;
    int32_t red[kCellPaletteCapacity], green[kCellPaletteCapacity], blue[kCellPaletteCapacity];
    int16_t index[kCellPaletteCapacity];
    for (int i = 0; i < count; ++i) {
        red[i] = redOf(cellPalette[i].colour);
        green[i] = greenOf(cellPalette[i].colour);
        blue[i] = blueOf(cellPalette[i].colour);
        index[i] = static_cast<int16_t>(i);
    }
    buildColourGrid(&palette.grid, red, green, blue, index, count);
    palette.builtForCount = count;
}

} // namespace

void buildColourGrid(ColourGrid* grid, const int32_t* red, const int32_t* green, const int32_t* blue,
                     const int16_t* index, int count) {
    // Distances separate by axis: tabulate each axis once per box position.
    const int n = grid->side, boxes = n * n * n;
    const int side = 1 << kNearestBoxShift;
    static int32_t least[3][kNearestGridSide][kColourGridListCapacity];
    static int32_t most[3][kNearestGridSide][kColourGridListCapacity];
    const int32_t* channels[3] = {red, green, blue};
    for (int axis = 0; axis < 3; ++axis)
        for (int k = 0; k < n; ++k) {
            int lo = grid->origin + k * side, hi = lo + side - 1;
            for (int i = 0; i < count; ++i) {
                least[axis][k][i] = static_cast<int32_t>(leastDistance(channels[axis][i], lo, hi));
                most[axis][k][i] = static_cast<int32_t>(greatestDistance(channels[axis][i], lo, hi));
            }
        }
    int total = 0;
    for (int box = 0; box < boxes; ++box) {
        int rk = box / (n * n), gk = box / n % n, bk = box % n;
        const int32_t *rl = least[0][rk], *gl = least[1][gk], *bl = least[2][bk];
        const int32_t *rm = most[0][rk], *gm = most[1][gk], *bm = most[2][bk];
        int32_t bound = INT32_MAX; // sums stay below 3 * 768^2
        for (int i = 0; i < count; ++i) bound = std::min(bound, rm[i] + gm[i] + bm[i]);
        int start = total;
        bool fits = true;
        for (int i = 0; i < count; ++i) {
            if (rl[i] + gl[i] + bl[i] > bound) continue;
            if (total == grid->capacity) {
                fits = false;
                break;
            }
            grid->candidates[total++] = {static_cast<int16_t>(red[i]), static_cast<int16_t>(green[i]),
                                         static_cast<int16_t>(blue[i]), index[i]};
        }
        if (fits) {
            grid->first[box] = static_cast<uint32_t>(start);
            grid->length[box] = static_cast<uint16_t>(total - start);
        } else {
            total = start;
            grid->first[box] = kFullScan;
            grid->length[box] = 0;
        }
    }
    grid->total = total;
}

int searchColourGrid(const ColourGrid& grid, int32_t r, int32_t g, int32_t b) {
    // Unsigned wrap makes values below the origin huge, so one test a channel covers both sides.
    const uint32_t origin = static_cast<uint32_t>(grid.origin);
    const uint32_t side = static_cast<uint32_t>(grid.side);
    uint32_t rBox = (static_cast<uint32_t>(r) - origin) >> kNearestBoxShift;
    uint32_t gBox = (static_cast<uint32_t>(g) - origin) >> kNearestBoxShift;
    uint32_t bBox = (static_cast<uint32_t>(b) - origin) >> kNearestBoxShift;
    if (rBox >= side || gBox >= side || bBox >= side) return -1;
    uint32_t box = (rBox * side + gBox) * side + bBox;
    if (grid.first[box] == kFullScan) return -1;
    const ColourCandidate* candidate = grid.candidates + grid.first[box];
    const ColourCandidate* end = candidate + grid.length[box];
    int best = -1;
    int32_t bestDistance = INT32_MAX;
    for (; candidate != end; ++candidate) {
        int32_t dr = candidate->red - r, dg = candidate->green - g, db = candidate->blue - b;
        int32_t d = dr * dr + dg * dg + db * db; // |differences| < 1024 here: no overflow
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate->index;
        }
    }
    return best;
}

int findNearestPaletteEntryFast(int32_t r, int32_t g, int32_t b) {
    if (palette.builtForCount != cellPaletteCount) buildPaletteGrid();
    int best = searchColourGrid(palette.grid, r, g, b);
    if (best >= 0) return best;
    ++fallbacks;
    return findNearestPaletteEntry(r, g, b);
}

int nearestGridCandidateTotal() {
    prepareNearestSearch();
    return palette.grid.total;
}

long nearestFallbackCount() {
    return fallbacks;
}

void prepareNearestSearch() {
    if (palette.builtForCount != cellPaletteCount) buildPaletteGrid();
}
