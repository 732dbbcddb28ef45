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

void buildColourGridPlain(ColourGrid* grid, const int32_t* red, const int32_t* green, const int32_t* blue,
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

void buildColourGrid(ColourGrid* grid, const int32_t* red, const int32_t* green, const int32_t* blue,
                     const int16_t* index, int count) {
    // As the plain build, box for box and in the same storage order, but each box weighs only the
    // colours its coarse box (4^3 boxes) keeps. That loses none: a colour that can be nearest in a
    // box can be nearest in any box around it, and the colour that sets a box's bound is one of
    // the box's own. Start-up builds the text styles' grid, so this is time the user waits.
    constexpr int kCoarse = 4;
    constexpr int kCoarseSide = (kNearestGridSide + kCoarse - 1) / kCoarse;
    const int n = grid->side, boxes = n * n * n, coarseSide = (n + kCoarse - 1) / kCoarse;
    const int side = 1 << kNearestBoxShift;
    static int32_t least[3][kNearestGridSide][kColourGridListCapacity];
    static int32_t most[3][kNearestGridSide][kColourGridListCapacity];
    static uint8_t coarseList[kCoarseSide * kCoarseSide * kCoarseSide][kColourGridListCapacity];
    static uint16_t coarseLength[kCoarseSide * kCoarseSide * kCoarseSide];
    static_assert(kColourGridListCapacity <= 256, "list positions are bytes");
    const int32_t* channels[3] = {red, green, blue};
    for (int axis = 0; axis < 3; ++axis)
        for (int k = 0; k < n; ++k) {
            int lo = grid->origin + k * side, hi = lo + side - 1;
            for (int i = 0; i < count; ++i) {
                least[axis][k][i] = static_cast<int32_t>(leastDistance(channels[axis][i], lo, hi));
                most[axis][k][i] = static_cast<int32_t>(greatestDistance(channels[axis][i], lo, hi));
            }
        }
    {
        static int32_t coarseLeast[3][kCoarseSide][kColourGridListCapacity];
        static int32_t coarseMost[3][kCoarseSide][kColourGridListCapacity];
        for (int axis = 0; axis < 3; ++axis)
            for (int k = 0; k < coarseSide; ++k) {
                int lo = grid->origin + k * kCoarse * side;
                int hi = grid->origin + std::min(k * kCoarse + kCoarse, n) * side - 1;
                for (int i = 0; i < count; ++i) {
                    coarseLeast[axis][k][i] = static_cast<int32_t>(leastDistance(channels[axis][i], lo, hi));
                    coarseMost[axis][k][i] =
                        static_cast<int32_t>(greatestDistance(channels[axis][i], lo, hi));
                }
            }
        for (int c = 0; c < coarseSide * coarseSide * coarseSide; ++c) {
            int rk = c / (coarseSide * coarseSide), gk = c / coarseSide % coarseSide, bk = c % coarseSide;
            int32_t bound = INT32_MAX;
            for (int i = 0; i < count; ++i)
                bound = std::min(bound, coarseMost[0][rk][i] + coarseMost[1][gk][i] + coarseMost[2][bk][i]);
            int length = 0;
            for (int i = 0; i < count; ++i)
                if (coarseLeast[0][rk][i] + coarseLeast[1][gk][i] + coarseLeast[2][bk][i] <= bound)
                    coarseList[c][length++] = static_cast<uint8_t>(i);
            coarseLength[c] = static_cast<uint16_t>(length);
        }
    }
    int total = 0;
    for (int box = 0; box < boxes; ++box) {
        int rk = box / (n * n), gk = box / n % n, bk = box % n;
        int c = (rk / kCoarse * coarseSide + gk / kCoarse) * coarseSide + bk / kCoarse;
        const uint8_t* list = coarseList[c];
        const int listLength = coarseLength[c];
        const int32_t *rl = least[0][rk], *gl = least[1][gk], *bl = least[2][bk];
        const int32_t *rm = most[0][rk], *gm = most[1][gk], *bm = most[2][bk];
        int32_t bound = INT32_MAX;
        for (int j = 0; j < listLength; ++j) {
            int i = list[j];
            bound = std::min(bound, rm[i] + gm[i] + bm[i]);
        }
        int start = total;
        bool fits = true;
        for (int j = 0; j < listLength; ++j) {
            int i = list[j];
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
