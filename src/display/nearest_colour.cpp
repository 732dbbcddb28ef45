#include "display/nearest_colour.h"

#include "display/cell_image.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    int32_t red[kCellPaletteCapacity], green[kCellPaletteCapacity], blue[kCellPaletteCapacity];
    int16_t index[kCellPaletteCapacity];
    int count = cellPaletteChannels(red, green, blue, index);
    buildColourGrid(&palette.grid, red, green, blue, index, count);
    palette.builtForCount = count;
}

} // namespace

namespace {

// Least and greatest squared distances of each colour to each box position along each axis.
struct AxisDistances {
    int32_t least[3][kNearestGridSide][kColourGridListCapacity];
    int32_t most[3][kNearestGridSide][kColourGridListCapacity];
};
AxisDistances fineAxes, coarseAxes;

// Positions 0..positions-1 of `span` values each from origin, the last one ending at `end` at most.
void tabulate(AxisDistances* t, const int32_t* const channels[3], int count, int origin, int positions,
              int span, int end) {
    for (int axis = 0; axis < 3; ++axis)
        for (int k = 0; k < positions; ++k) {
            int lo = origin + k * span, hi = std::min(lo + span, end) - 1;
            for (int i = 0; i < count; ++i) {
                t->least[axis][k][i] = static_cast<int32_t>(leastDistance(channels[axis][i], lo, hi));
                t->most[axis][k][i] = static_cast<int32_t>(greatestDistance(channels[axis][i], lo, hi));
            }
        }
}

// Calls keep(i), in list order, for each colour of the list that can be nearest (or tie for
// nearest) somewhere in the box at positions (rk, gk, bk): its least distance to the box is at
// most the smallest greatest distance of any colour of the list. keep returns false to stop.
template <typename Keep>
void selectForBox(const AxisDistances& t, int rk, int gk, int bk, const uint8_t* list, int length,
                  Keep keep) {
    const int32_t *rl = t.least[0][rk], *gl = t.least[1][gk], *bl = t.least[2][bk];
    const int32_t *rm = t.most[0][rk], *gm = t.most[1][gk], *bm = t.most[2][bk];
    int32_t bound = INT32_MAX; // sums stay below 3 * 768^2
    for (int j = 0; j < length; ++j) bound = std::min(bound, rm[list[j]] + gm[list[j]] + bm[list[j]]);
    for (int j = 0; j < length; ++j) {
        int i = list[j];
        if (rl[i] + gl[i] + bl[i] <= bound && !keep(i)) return;
    }
}

// Fills every box of the grid from the colours listOf(box) names, boxes in order.
template <typename ListOf>
void fillBoxes(ColourGrid* grid, const int32_t* red, const int32_t* green, const int32_t* blue,
               const int16_t* index, ListOf listOf) {
    const int n = grid->side;
    int total = 0;
    for (int box = 0; box < n * n * n; ++box) {
        int rk = box / (n * n), gk = box / n % n, bk = box % n;
        auto [list, length] = listOf(rk, gk, bk);
        int start = total;
        bool fits = true;
        selectForBox(fineAxes, rk, gk, bk, list, length, [&](int i) {
            if (total == grid->capacity) return fits = false;
            grid->candidates[total++] = {static_cast<int16_t>(red[i]), static_cast<int16_t>(green[i]),
                                         static_cast<int16_t>(blue[i]), index[i]};
            return true;
        });
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

constexpr int kSide = 1 << kNearestBoxShift;

} // namespace

int cellPaletteChannels(int32_t* red, int32_t* green, int32_t* blue, int16_t* index) {
    for (int i = 0; i < cellPaletteCount; ++i) {
        red[i] = redOf(cellPalette[i].colour);
        green[i] = greenOf(cellPalette[i].colour);
        blue[i] = blueOf(cellPalette[i].colour);
        index[i] = static_cast<int16_t>(i);
    }
    return cellPaletteCount;
}

void buildColourGridPlain(ColourGrid* grid, const int32_t* red, const int32_t* green, const int32_t* blue,
                          const int16_t* index, int count) {
    const int32_t* channels[3] = {red, green, blue};
    const int n = grid->side;
    tabulate(&fineAxes, channels, count, grid->origin, n, kSide, grid->origin + n * kSide);
    static uint8_t everyColour[kColourGridListCapacity];
    for (int i = 0; i < count; ++i) everyColour[i] = static_cast<uint8_t>(i);
    fillBoxes(grid, red, green, blue, index, [count](int, int, int) {
        return std::pair<const uint8_t*, int>{everyColour, count};
    });
}

void buildColourGrid(ColourGrid* grid, const int32_t* red, const int32_t* green, const int32_t* blue,
                     const int16_t* index, int count) {
    // As the plain build, box for box and in the same storage order, but each box weighs only the
    // colours its coarse box (4^3 boxes) keeps. That loses none: a colour that can be nearest in a
    // box can be nearest in any box around it, and the colour that sets a box's bound is one of
    // the box's own. Start-up builds the text styles' grid, so this is time the user waits.
    constexpr int kCoarse = 4;
    constexpr int kCoarseSide = (kNearestGridSide + kCoarse - 1) / kCoarse;
    static_assert(kColourGridListCapacity <= 256, "list positions are bytes");
    static uint8_t everyColour[kColourGridListCapacity];
    static uint8_t coarseList[kCoarseSide * kCoarseSide * kCoarseSide][kColourGridListCapacity];
    static uint16_t coarseLength[kCoarseSide * kCoarseSide * kCoarseSide];
    const int32_t* channels[3] = {red, green, blue};
    const int n = grid->side, coarseSide = (n + kCoarse - 1) / kCoarse, end = grid->origin + n * kSide;
    tabulate(&fineAxes, channels, count, grid->origin, n, kSide, end);
    tabulate(&coarseAxes, channels, count, grid->origin, coarseSide, kCoarse * kSide, end);
    for (int i = 0; i < count; ++i) everyColour[i] = static_cast<uint8_t>(i);
    for (int c = 0; c < coarseSide * coarseSide * coarseSide; ++c) {
        int length = 0;
        selectForBox(coarseAxes, c / (coarseSide * coarseSide), c / coarseSide % coarseSide, c % coarseSide,
                     everyColour, count, [&](int i) {
                         coarseList[c][length++] = static_cast<uint8_t>(i);
                         return true;
                     });
        coarseLength[c] = static_cast<uint16_t>(length);
    }
    fillBoxes(grid, red, green, blue, index, [&](int rk, int gk, int bk) {
        int c = (rk / kCoarse * coarseSide + gk / kCoarse) * coarseSide + bk / kCoarse;
        return std::pair<const uint8_t*, int>{coarseList[c], coarseLength[c]};
    });
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
#if defined(__SSE2__)
    // Two candidates a step: each one's squared distance and its place in the list in one key,
    // distance * 256 + place (under 2^30), so the least key is the nearest colour, the first of
    // equals. A lone last candidate is read alone, the other half of its step keyed out.
    const int count = grid.length[box];
    if (count == 0) return -1;
    const __m128i target =
        _mm_set_epi16(0, int16_t(b), int16_t(g), int16_t(r), 0, int16_t(b), int16_t(g), int16_t(r));
    const __m128i channels = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    const __m128i two = _mm_set1_epi32(2), none = _mm_set1_epi32(INT32_MAX);
    __m128i place = _mm_set_epi32(1, 1, 0, 0), least = none;
    auto keep = [&](__m128i pair, __m128i out) {
        __m128i d = _mm_and_si128(_mm_sub_epi16(pair, target), channels);
        __m128i squares = _mm_madd_epi16(d, d); // red + green, blue, of each
        __m128i distance = _mm_add_epi32(squares, _mm_shuffle_epi32(squares, _MM_SHUFFLE(2, 3, 0, 1)));
        __m128i key = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(distance, 8), place), out);
        __m128i greater = _mm_cmpgt_epi32(least, key);
        least = _mm_or_si128(_mm_and_si128(greater, key), _mm_andnot_si128(greater, least));
        place = _mm_add_epi32(place, two);
    };
    int i = 0;
    for (; i + 1 < count; i += 2)
        keep(_mm_loadu_si128(reinterpret_cast<const __m128i*>(candidate + i)), _mm_setzero_si128());
    if (i < count)
        keep(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(candidate + i)),
             _mm_set_epi32(INT32_MAX, INT32_MAX, 0, 0));
    int32_t first = _mm_cvtsi128_si32(least), second = _mm_cvtsi128_si32(_mm_srli_si128(least, 8));
    return candidate[(first < second ? first : second) & 255].index;
#else
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
#endif
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
