#include "display/window_converters.h"

#include "display/cell_image.h"
#include "display/nearest_colour.h"

#include <cstring>

uint32_t windowImage[kWindowPixels];

const uint32_t palettePairColours[16] = {
    0x000000, 0xFFFFFF, 0x894036, 0x7ABFC7, 0x8A46AE, 0x68A941, 0x3E31A2, 0xD0DC71,
    0x905F25, 0x5C4700, 0xBB776D, 0x555555, 0x808080, 0xACEA88, 0x7C70DA, 0xABABAB,
};

namespace {

uint32_t average2(uint32_t p, uint32_t q) {
    return ((p & kMaskSumOfTwo) + (q & kMaskSumOfTwo)) >> 1;
}
uint32_t average4(uint32_t p, uint32_t q, uint32_t s, uint32_t t) {
    return ((p & kMaskSumOfFour) + (q & kMaskSumOfFour) + (s & kMaskSumOfFour) + (t & kMaskSumOfFour)) >> 2;
}

template <typename PixelFunction> void doublePixels(const uint32_t* framePixels, PixelFunction pixelOf) {
    for (int y = 0; y < kFrameHeight; ++y) {
        const uint32_t* in = framePixels + y * kFrameWidth;
        uint32_t* upper = windowRow(2 * y);
        uint32_t* lower = windowRow(2 * y + 1);
        for (int x = 0; x < kFrameWidth; ++x) {
            uint32_t p = pixelOf(in[x]);
            upper[2 * x] = upper[2 * x + 1] = lower[2 * x] = lower[2 * x + 1] = p;
        }
    }
}

// The 136 mixes of two palette colours (low index <= high index), named by
// m = 16 * high + low, and an exact search grid over them.
constexpr int kPairGridSide = 16; // 0..255 a channel
constexpr int kPairGridCapacity = 1 << 18;
struct PairMixes {
    uint32_t mix[256];
    bool built = false;
    uint32_t first[kPairGridSide * kPairGridSide * kPairGridSide];
    uint16_t length[kPairGridSide * kPairGridSide * kPairGridSide];
    ColourCandidate candidates[kPairGridCapacity];
    ColourGrid grid = {0, kPairGridSide, kPairGridCapacity, first, length, candidates, 0};
};
PairMixes pairMixes;

void buildPairMixes() {
    int32_t red[136], green[136], blue[136];
    int16_t index[136];
    int count = 0;
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 16; ++j) {
            int m = 16 * i + j;
            pairMixes.mix[m] = average2(palettePairColours[i], palettePairColours[j]);
            if (j > i) continue;
            red[count] = redOf(pairMixes.mix[m]);
            green[count] = greenOf(pairMixes.mix[m]);
            blue[count] = blueOf(pairMixes.mix[m]);
            index[count++] = int16_t(m);
        }
    buildColourGrid(&pairMixes.grid, red, green, blue, index, count);
    pairMixes.built = true;
}

} // namespace

void convertPixelDouble(uint32_t* framePixels, uint32_t) {
    doublePixels(framePixels, [](uint32_t p) { return p; });
}

void convertGreyBlocks(uint32_t* framePixels, uint32_t) {
    doublePixels(framePixels, [](uint32_t p) {
        uint32_t g = static_cast<uint32_t>(redOf(p) + greenOf(p) + blueOf(p)) / 3;
        return g * 0x010101u;
    });
}

void convertSmooth(uint32_t* framePixels, uint32_t) {
    for (int y = kFrameHeight - 1; y >= 1; --y) {
        const uint32_t* row = framePixels + y * kFrameWidth;
        const uint32_t* up = row - kFrameWidth;
        uint32_t* odd = windowRow(2 * y + 1);
        uint32_t* even = windowRow(2 * y);
        for (int x = 0; x < kFrameWidth - 1; ++x) {
            odd[2 * x] = row[x];
            odd[2 * x + 1] = average2(row[x], row[x + 1]);
            even[2 * x] = average2(row[x], up[x]);
            even[2 * x + 1] = average4(row[x], row[x + 1], up[x], up[x + 1]);
        }
        odd[318] = row[kFrameWidth - 1];
        even[318] = average2(row[kFrameWidth - 1], up[kFrameWidth - 1]);
        odd[319] = even[319] = 0;
    }
    // Row 0 pairs every pixel with the next one in memory (the last with the
    // first of row 1) and keeps that average in the FrameBuffer.
    uint32_t* second = windowRow(1);
    for (int x = 0; x < kFrameWidth; ++x) {
        uint32_t original = framePixels[x];
        uint32_t mixed = average2(original, framePixels[x + 1]);
        second[2 * x] = original;
        second[2 * x + 1] = mixed;
        framePixels[x] = mixed;
    }
    std::memset(windowRow(0), 0, kWindowWidth * sizeof(uint32_t));
}

void convertDebugView(uint32_t*, uint32_t) {
    std::memcpy(windowImage, debugImage, sizeof windowImage);
}

int nearestPairMixPlain(int r, int g, int b) {
    if (!pairMixes.built) buildPairMixes();
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int m = 0; m < 256; ++m) {
        if ((m & 15) > (m >> 4)) continue;
        uint32_t c = pairMixes.mix[m];
        int dr = redOf(c) - r, dg = greenOf(c) - g, db = blueOf(c) - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = m;
        }
    }
    return best;
}

int nearestPairMix(int r, int g, int b) {
    if (!pairMixes.built) buildPairMixes();
    int best = searchColourGrid(pairMixes.grid, r, g, b);
    return best >= 0 ? best : nearestPairMixPlain(r, g, b);
}

int pairMixGridCandidates() {
    if (!pairMixes.built) buildPairMixes();
    return pairMixes.grid.total;
}

void convertPalettePairs(uint32_t* framePixels, uint32_t) {
    if (!pairMixes.built) buildPairMixes();
    for (int k = 0; k < kFrameHeight / 2; ++k) {
        const uint32_t* row = framePixels + (2 * k + 1) * kFrameWidth;
        // Block rows from the bottom of the block (screen row 4k + 3) upwards.
        uint32_t* blockRows[4] = {windowRow(4 * k + 3), windowRow(4 * k + 2), windowRow(4 * k + 1),
                                  windowRow(4 * k)};
        for (int x = 0; x < kFrameWidth; ++x) {
            uint32_t p = row[x];
            int best = nearestPairMix(redOf(p), greenOf(p), blueOf(p));
            uint32_t low = palettePairColours[best & 15], high = palettePairColours[best >> 4];
            uint32_t first = (x & 1) ? low : high, second = (x & 1) ? high : low;
            for (int r = 0; r < 4; ++r) {
                uint32_t colour = (r & 1) ? second : first;
                blockRows[r][2 * x] = blockRows[r][2 * x + 1] = colour;
            }
        }
    }
}

void halveWindowImage(const uint32_t* image, uint32_t* out) {
    for (int y = 0; y < kWindowHeight / 2; ++y) {
        const uint32_t* upper = image + (kWindowHeight - 1 - 2 * y) * kWindowWidth; // bottom row first
        const uint32_t* lower = upper - kWindowWidth;
        for (int x = 0; x < kWindowWidth / 2; ++x) {
            uint32_t a = upper[2 * x], b = upper[2 * x + 1], c = lower[2 * x], d = lower[2 * x + 1];
            // Four 8-bit channels summed stay below 1024: red and blue cannot reach each other.
            uint32_t redBlue = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF);
            uint32_t green = (a & 0xFF00) + (b & 0xFF00) + (c & 0xFF00) + (d & 0xFF00);
            out[y * (kWindowWidth / 2) + x] = ((redBlue >> 2) & 0xFF00FF) | ((green >> 2) & 0xFF00);
        }
    }
}
