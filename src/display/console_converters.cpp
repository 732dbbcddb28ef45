#include "display/console_converters.h"

#include "display/cell_image.h"
#include "display/nearest_colour.h"

#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t kSpace = 0x20;
constexpr uint32_t kLight = 0xB0;
constexpr uint32_t kMedium = 0xB1;
constexpr uint32_t kDark = 0xB2;
constexpr uint32_t kBlock = 0xDB;

constexpr uint32_t kGreyRamp[13] = {
    makeCell(kSpace, 0x08), makeCell(kLight, 0x08), makeCell(kMedium, 0x08), makeCell(kDark, 0x08),
    makeCell(kSpace, 0x87), makeCell(kLight, 0x87), makeCell(kMedium, 0x87), makeCell(kDark, 0x87),
    makeCell(kSpace, 0x7F), makeCell(kLight, 0x7F), makeCell(kMedium, 0x7F), makeCell(kDark, 0x7F),
    makeCell(kSpace, 0xF0),
};

constexpr uint32_t kShades[4] = {kSpace, kLight, kMedium, kDark};

struct ChannelRamp {
    uint32_t cells[9];
};

constexpr ChannelRamp makeChannelRamp(uint32_t dark, uint32_t mixed, uint32_t bright) {
    ChannelRamp ramp = {};
    for (int i = 0; i < 4; ++i) {
        ramp.cells[i] = makeCell(kShades[i], dark);
        ramp.cells[4 + i] = makeCell(kShades[i], mixed);
    }
    ramp.cells[8] = makeCell(kSpace, bright);
    return ramp;
}

// Indexed by channel: 0 blue, 1 green, 2 red.
constexpr ChannelRamp kChannelRamps[3] = {
    makeChannelRamp(0x01, 0x19, 0x90),
    makeChannelRamp(0x02, 0x2A, 0xA0),
    makeChannelRamp(0x04, 0x4C, 0xC0),
};

constexpr uint32_t kHueCharacters[9] = {kSpace, kLight,  kMedium, kDark, kSpace,
                                        kLight, kMedium, kDark,   kBlock};

} // namespace

const char asciiRamp[kAsciiRampLength] =
    "$@B%8&WM#*oahkbdpqwmZO0QLCJUYXzcvunxrjft/\\|()1{}[]?-_+~<>i!lI;:,\"^`'.  ";
static_assert(sizeof("$@B%8&WM#*oahkbdpqwmZO0QLCJUYXzcvunxrjft/\\|()1{}[]?-_+~<>i!lI;:,") - 1 == 64);
static_assert(sizeof("$@B%8&WM#*oahkbdpqwmZO0QLCJUYXzcvunxrjft/\\|()1{}[]?-_+~<>i!lI;:,\"^`'.  ") ==
              kAsciiRampLength); // the terminating zero is entry 71

int ditheredLevel(int v, int x, int y) {
    return (v >> 8) + (((v & 0xFF) + ditherMatrix[y & 15][x & 15]) >> 8);
}

void convertDiffused(uint32_t* framePixels, uint32_t) {
    makeCellImage(framePixels, framePixels);
    // Ring line d & 3 holds the errors for anti-diagonal d, indexed by row; row
    // 50 and column 80 catch errors that fall off the picture.
    int32_t errR[4][64] = {}, errG[4][64] = {}, errB[4][64] = {};
    for (int d = 0; d < kCellColumns + kCellRows - 1; ++d) {
        int line = d & 3, next = (d + 1) & 3, after = (d + 2) & 3;
        int yFirst = d - (kCellColumns - 1) > 0 ? d - (kCellColumns - 1) : 0;
        int yLast = d < kCellRows - 1 ? d : kCellRows - 1;
        for (int y = yFirst; y <= yLast; ++y) {
            int x = d - y;
            uint32_t c = framePixels[y * kCellColumns + x];
            int32_t r = redOf(c) - errR[line][y];
            int32_t g = greenOf(c) - errG[line][y];
            int32_t b = blueOf(c) - errB[line][y];
            errR[line][y] = errG[line][y] = errB[line][y] = 0;
            const PaletteEntry& chosen = cellPalette[findNearestPaletteEntryFast(r, g, b)];
            cellBuffer[y * kCellColumns + x] = chosen.cell;

            int32_t e = redOf(chosen.colour) - r;
            errR[next][y] += e * 6 / 16;
            errR[next][y + 1] += e * 6 / 16;
            errR[after][y + 1] += e * 4 / 16;
            e = greenOf(chosen.colour) - g;
            errG[next][y] += e * 6 / 16;
            errG[next][y + 1] += e * 6 / 16;
            errG[after][y + 1] += e * 4 / 16;
            // Blue sends its lower-right share to the cell below instead.
            e = blueOf(chosen.colour) - b;
            errB[next][y] += e * 6 / 16;
            errB[next][y + 1] += e * 4 / 16 + e * 6 / 16;
        }
    }
}

void convertAsciiRamp(uint32_t* framePixels, uint32_t) {
    makeCellImage(framePixels, framePixels);
    for (int i = 0; i < kCellCount; ++i) {
        uint32_t c = framePixels[i];
        int s = redOf(c) + greenOf(c) + blueOf(c);
        uint8_t character = static_cast<uint8_t>(asciiRamp[s * 71 / 765]);
        cellBuffer[i] = makeCell(character, 0xF0);
    }
}

void convertChannelCycle(uint32_t* framePixels, uint32_t frameNumber) {
    makeCellImage(framePixels, framePixels);
    for (int y = 0; y < kCellRows; ++y)
        for (int x = 0; x < kCellColumns; ++x) {
            uint32_t c = framePixels[y * kCellColumns + x];
            uint32_t channel = (frameNumber + static_cast<uint32_t>(x + y)) % 3;
            int v = static_cast<int>((c >> (8 * channel)) & kChannelMask) * 8;
            cellBuffer[y * kCellColumns + x] = kChannelRamps[channel].cells[ditheredLevel(v, x, y)];
        }
}

void convertGreyShades(uint32_t* framePixels, uint32_t) {
    makeCellImage(framePixels, framePixels);
    for (int y = 0; y < kCellRows; ++y)
        for (int x = 0; x < kCellColumns; ++x) {
            uint32_t c = framePixels[y * kCellColumns + x];
            int v = (redOf(c) + greenOf(c) + blueOf(c)) * 4;
            cellBuffer[y * kCellColumns + x] = kGreyRamp[ditheredLevel(v, x, y)];
        }
}

void convertHueShades(uint32_t* framePixels, uint32_t) {
    // Directions in (blue, green, red) order; the number is the console's dark colour index.
    static const double directions[7][3] = {
        {1, 0, 0},         {0, 1, 0},         {0.707, 0.707, 0},        {0, 0, 1},
        {0.707, 0, 0.707}, {0, 0.707, 0.707}, {0.5773, 0.5773, 0.5773},
    };
    makeCellImage(framePixels, framePixels);
    for (int y = 0; y < kCellRows; ++y)
        for (int x = 0; x < kCellColumns; ++x) {
            uint32_t c = framePixels[y * kCellColumns + x];
            double b = blueOf(c), g = greenOf(c), r = redOf(c);
            double len = std::sqrt(b * b + g * g + r * r);
            // A black cell has no direction: it keeps hue 0 (every comparison fails).
            int hue = 0;
            if (len > 0) {
                double u[3] = {b / len, g / len, r / len};
                double best = u[0] * u[0] + u[1] * u[1] + u[2] * u[2];
                for (int k = 0; k < 7; ++k) {
                    double d0 = u[0] - directions[k][0], d1 = u[1] - directions[k][1],
                           d2 = u[2] - directions[k][2];
                    double d = d0 * d0 + d1 * d1 + d2 * d2;
                    if (d < best) {
                        best = d;
                        hue = k + 1;
                    }
                }
            }
            int index = ditheredLevel(static_cast<int>(len * 4.636631197645461), x, y);
            uint32_t attribute = index < 4 ? static_cast<uint32_t>(hue) : static_cast<uint32_t>(hue * 17 + 8);
            cellBuffer[y * kCellColumns + x] = makeCell(kHueCharacters[index], attribute);
        }
}

void convertRaw(uint32_t* framePixels, uint32_t) {
    makeCellImage(cellBuffer, framePixels);
}
