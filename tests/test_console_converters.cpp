#include "display/cell_image.h"
#include "display/console_converters.h"
#include "display/nearest_colour.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <vector>

namespace {

class ConsoleConverters : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { buildConsoleTables(); }
    void SetUp() override { parseCommandLine(""); }
    void TearDown() override { parseCommandLine(""); }

    std::vector<uint32_t> frame = std::vector<uint32_t>(kDebugImagePixels);
    void fill(uint32_t colour) { std::fill(frame.begin(), frame.begin() + kFramePixels, colour); }
    void randomFrame(unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < kFramePixels; ++i) frame[i] = random() & 0xFFFFFF;
    }
    static uint32_t cell(int x, int y) { return cellBuffer[y * kCellColumns + x]; }
};

TEST_F(ConsoleConverters, AsciiRampEnds) {
    EXPECT_EQ(asciiRamp[0], '$');
    EXPECT_EQ(asciiRamp[40], '/');
    EXPECT_EQ(asciiRamp[41], '\\');
    EXPECT_EQ(asciiRamp[42], '|');
    EXPECT_EQ(asciiRamp[64], '"');
    EXPECT_EQ(asciiRamp[68], '.');
    EXPECT_EQ(asciiRamp[70], ' ');
    EXPECT_EQ(asciiRamp[71], '\0');

    fill(0x000000);
    convertAsciiRamp(frame.data(), 0);
    EXPECT_EQ(cell(0, 0), makeCell('$', 0xF0));
    // Only gamma can lift an averaged channel to 255: s = 765 gives code 0.
    fill(0xFFFFFF);
    parseCommandLine("gamma 2");
    for (int i = 0; i < kGammaEntries; ++i) gammaTable[i] = 255;
    convertAsciiRamp(frame.data(), 0);
    EXPECT_EQ(cell(79, 49), makeCell(0, 0xF0));
    parseCommandLine("");
    fill(0xFFFFFF); // 0xFCFCFC: s = 756, index 70
    convertAsciiRamp(frame.data(), 0);
    EXPECT_EQ(cell(3, 3), makeCell(' ', 0xF0));
}

TEST_F(ConsoleConverters, ChannelCycleStripesAndRamps) {
    fill(0x0000FC); // blue only
    convertChannelCycle(frame.data(), 0);
    EXPECT_EQ(cell(0, 0), makeCell(0xB2, 0x19)); // blue: v = 2016, index 7
    EXPECT_EQ(cell(1, 0), makeCell(0x20, 0x02)); // green: 0
    EXPECT_EQ(cell(2, 0), makeCell(0x20, 0x04)); // red: 0
    EXPECT_EQ(cell(0, 1), makeCell(0x20, 0x02)); // green
    // The next frame moves every stripe by one channel; (2, 0) turns blue,
    // where threshold 32 lifts v = 2016 to the bright entry.
    fill(0x0000FC);
    convertChannelCycle(frame.data(), 1);
    EXPECT_EQ(cell(0, 0), makeCell(0x20, 0x02));
    EXPECT_EQ(cell(2, 0), makeCell(0x20, 0x90));
    // Frame numbers near the wrap stay unsigned: (2^32 - 1) mod 3 = 0.
    fill(0x0000FC);
    convertChannelCycle(frame.data(), UINT32_MAX);
    EXPECT_EQ(cell(0, 0), makeCell(0xB2, 0x19));
}

TEST_F(ConsoleConverters, GreyShadesFollowTheDitheredLevel) {
    fill(0xFFFFFF);
    convertGreyShades(frame.data(), 0);
    std::set<uint32_t> seen;
    for (int y = 0; y < kCellRows; ++y)
        for (int x = 0; x < kCellColumns; ++x) {
            int index = ditheredLevel(3024, x, y);
            ASSERT_TRUE(index == 11 || index == 12);
            uint32_t expected = index == 12 ? makeCell(0x20, 0xF0) : makeCell(0xB2, 0x7F);
            ASSERT_EQ(cell(x, y), expected) << x << "," << y;
            seen.insert(cell(x, y));
        }
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(ditheredLevel(3024, 0, 0), 11); // threshold 0: 208 stays below 256
    EXPECT_EQ(ditheredLevel(3024, 1, 0), 12); // threshold 128
    fill(0);
    convertGreyShades(frame.data(), 0);
    EXPECT_EQ(cell(40, 25), makeCell(0x20, 0x08));
}

TEST_F(ConsoleConverters, HueShades) {
    fill(0x808080);
    convertHueShades(frame.data(), 0);
    EXPECT_EQ(cellAttribute(cell(0, 0)) & 7, 7u); // grey
    fill(0xFC0000);
    convertHueShades(frame.data(), 0);
    EXPECT_EQ(cellAttribute(cell(0, 0)) & 7, 4u); // red: console colour 4
    fill(0x00FC00);
    convertHueShades(frame.data(), 0);
    EXPECT_EQ(cellAttribute(cell(5, 5)) & 7, 2u);
    fill(0xFCFC00);
    convertHueShades(frame.data(), 0);
    EXPECT_EQ(cellAttribute(cell(5, 5)) & 7, 6u); // brown
    // The brightest cells: index 8 is the full block, bright colour on the dark one.
    fill(0xFFFFFF);
    convertHueShades(frame.data(), 0);
    for (int x = 0; x < 16; ++x) {
        uint32_t c = cell(x, 0);
        if (cellCharacter(c) == 0xDB) {
            EXPECT_EQ(cellAttribute(c), 7u * 17 + 8);
        }
    }
    EXPECT_EQ(cell(1, 0), makeCell(0xDB, 7 * 17 + 8)); // threshold 128 lifts 2020 to index 8
    fill(0);
    convertHueShades(frame.data(), 0);
    EXPECT_EQ(cell(9, 9), makeCell(0x20, 0)); // black: hue 0, index 0
}

TEST_F(ConsoleConverters, RawCellsComeFromTheColourBytes) {
    fill(0xC00044);
    frame[kFramePixels] = 0x12345678; // beyond the FrameBuffer: must stay
    convertRaw(frame.data(), 0);
    for (int i = 0; i < kCellCount; ++i) ASSERT_EQ(cellBuffer[i], makeCell(0x44, 0xC0));
    EXPECT_EQ(frame[0], 0xC00044u); // the FrameBuffer is not overwritten in this mode
    EXPECT_EQ(frame[kFramePixels], 0x12345678u);
    parseCommandLine("gamma 0"); // gamma applies as in every mode: all channels 0
    convertRaw(frame.data(), 0);
    EXPECT_EQ(cellBuffer[17], 0u);
}

// The diffusion written the plain way: 2-D error arrays, the same visit order
// and shares. The converter's ring stores must give exactly the same cells.
std::vector<uint32_t> referenceDiffusion(const uint32_t* cells) {
    std::vector<uint32_t> out(kCellCount);
    std::vector<int> err(3 * 51 * 81, 0);
    auto at = [&](int channel, int x, int y) -> int& { return err[(channel * 51 + y) * 81 + x]; };
    for (int d = 0; d <= 128; ++d)
        for (int y = 0; y < kCellRows; ++y) {
            int x = d - y;
            if (x < 0 || x >= kCellColumns) continue;
            uint32_t c = cells[y * kCellColumns + x];
            int target[3] = {redOf(c) - at(0, x, y), greenOf(c) - at(1, x, y), blueOf(c) - at(2, x, y)};
            int i = findNearestPaletteEntry(target[0], target[1], target[2]);
            out[y * kCellColumns + x] = cellPalette[i].cell;
            uint32_t chosen = cellPalette[i].colour;
            int channelValue[3] = {redOf(chosen), greenOf(chosen), blueOf(chosen)};
            for (int ch = 0; ch < 3; ++ch) {
                int e = channelValue[ch] - target[ch];
                at(ch, x + 1, y) += e * 6 / 16;
                if (ch < 2) {
                    at(ch, x, y + 1) += e * 6 / 16;
                    at(ch, x + 1, y + 1) += e * 4 / 16;
                } else {
                    at(ch, x, y + 1) += e * 4 / 16 + e * 6 / 16;
                }
            }
        }
    return out;
}

TEST_F(ConsoleConverters, DiffusionMatchesThePlainAlgorithm) {
    for (unsigned seed : {1u, 2u, 3u}) {
        randomFrame(seed);
        std::vector<uint32_t> cells(kCellCount);
        makeCellImage(cells.data(), frame.data());
        std::vector<uint32_t> expected = referenceDiffusion(cells.data());
        convertDiffused(frame.data(), 0);
        for (int i = 0; i < kCellCount; ++i)
            ASSERT_EQ(cellBuffer[i], expected[i]) << "seed " << seed << " cell " << i;
    }
}

TEST_F(ConsoleConverters, DiffusionSpreadsAUniformGrey) {
    fill(0x6C6C6C); // no palette entry is this grey
    convertDiffused(frame.data(), 0);
    std::set<uint32_t> distinct(cellBuffer, cellBuffer + kCellCount);
    EXPECT_GE(distinct.size(), 2u);
    // And keeps no error from one frame to the next: the same input, the same cells.
    std::vector<uint32_t> first(cellBuffer, cellBuffer + kCellCount);
    fill(0x6C6C6C);
    convertDiffused(frame.data(), 1);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), cellBuffer));
}

TEST_F(ConsoleConverters, FastNearestSearchIsExact) {
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> inRange(-140, 400);
    std::uniform_int_distribution<int> wide(-100000, 100000);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    for (int n = 0; n < 3000000; ++n) {
        int r, g, b;
        if (n % 4 < 2) {
            r = inRange(random), g = inRange(random), b = inRange(random);
        } else if (n % 4 == 2) {
            r = wide(random), g = inRange(random), b = wide(random);
        } else {
            r = any(random), g = any(random), b = any(random);
        }
        ASSERT_EQ(findNearestPaletteEntryFast(r, g, b), findNearestPaletteEntry(r, g, b))
            << r << "," << g << "," << b;
    }
    // Every grid corner and edge value, where pruning bounds are tight.
    for (int r = -129; r <= 384; r += 17)
        for (int g : {-129, -128, -1, 0, 15, 16, 127, 128, 255, 256, 383, 384})
            for (int b : {-128, 0, 160, 255, 383})
                ASSERT_EQ(findNearestPaletteEntryFast(r, g, b), findNearestPaletteEntry(r, g, b));
    EXPECT_LT(nearestGridCandidateTotal(), kNearestCandidateCapacity);
}

// The fast build is the plain build byte for byte, and a search of it finds the nearest listed
// colour, the first of equals, wherever it answers.
TEST(ColourGrid, TheFastBuildIsThePlainBuildAndItsSearchFindsTheNearest) {
    struct Storage {
        uint32_t first[kNearestBoxCount];
        uint16_t length[kNearestBoxCount];
        ColourCandidate candidates[kNearestCandidateCapacity];
    };
    static Storage fast, plain;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> channel(0, 255);
    struct Case {
        const char* name;
        int count, origin, side, capacity;
        bool ties; // colours repeated: the first of equals must stay first
    } cases[] = {
        {"one colour", 1, -128, 48, kNearestCandidateCapacity, false},
        {"the text styles' palette size", 200, -128, 48, kNearestCandidateCapacity, false},
        {"a full list with repeats", 256, -128, 48, kNearestCandidateCapacity, true},
        {"a grid not a multiple of the coarse boxes", 50, 0, 17, kNearestCandidateCapacity, false},
        {"capacity runs out midway", 120, -128, 48, 40000, false},
    };
    for (const Case& c : cases) {
        int32_t r[kColourGridListCapacity], g[kColourGridListCapacity], b[kColourGridListCapacity];
        int16_t index[kColourGridListCapacity];
        for (int i = 0; i < c.count; ++i) {
            bool repeat = c.ties && i % 3 == 2;
            r[i] = repeat ? r[i - 1] : channel(random);
            g[i] = repeat ? g[i - 1] : channel(random);
            b[i] = repeat ? b[i - 1] : channel(random);
            index[i] = int16_t(1000 + i);
        }
        if (c.count == 256) r[0] = g[0] = b[0] = 0, r[1] = g[1] = b[1] = 255; // the corners
        ColourGrid a = {c.origin, c.side, c.capacity, fast.first, fast.length, fast.candidates, 0};
        ColourGrid p = {c.origin, c.side, c.capacity, plain.first, plain.length, plain.candidates, 0};
        buildColourGrid(&a, r, g, b, index, c.count);
        buildColourGridPlain(&p, r, g, b, index, c.count);
        int boxes = c.side * c.side * c.side;
        ASSERT_EQ(a.total, p.total) << c.name;
        EXPECT_TRUE(std::equal(fast.first, fast.first + boxes, plain.first)) << c.name;
        EXPECT_TRUE(std::equal(fast.length, fast.length + boxes, plain.length)) << c.name;
        EXPECT_EQ(std::memcmp(fast.candidates, plain.candidates, sizeof(ColourCandidate) * size_t(a.total)),
                  0)
            << c.name;
        if (c.capacity < kNearestCandidateCapacity) { // the case must really run out
            EXPECT_NE(std::find(fast.first, fast.first + boxes, UINT32_MAX), fast.first + boxes) << c.name;
        }
        std::uniform_int_distribution<int> point(c.origin, c.origin + c.side * 16 - 1);
        int answered = 0;
        for (int n = 0; n < 20000; ++n) {
            int32_t pr = point(random), pg = point(random), pb = point(random);
            int found = searchColourGrid(a, pr, pg, pb);
            if (found < 0) continue; // a full-scan box: the caller searches plainly
            int best = 0;
            for (int i = 1; i < c.count; ++i) {
                auto distance = [&](int k) {
                    return (r[k] - pr) * (r[k] - pr) + (g[k] - pg) * (g[k] - pg) + (b[k] - pb) * (b[k] - pb);
                };
                if (distance(i) < distance(best)) best = i;
            }
            ASSERT_EQ(found, index[best]) << c.name << " at " << pr << "," << pg << "," << pb;
            ++answered;
        }
        EXPECT_GT(answered, 2000) << c.name;
    }
}

TEST_F(ConsoleConverters, FastSearchStaysOnTheGridForDiffusedValues) {
    // Diffusion drives targets well past 0..255 on saturated pictures; all of
    // them must still take the pruned path, or mode 0 loses its speed.
    randomFrame(9);
    for (int i = 0; i < kFramePixels; ++i) frame[i] |= 0x800000; // saturated reds push errors far
    long before = nearestFallbackCount();
    convertDiffused(frame.data(), 0);
    EXPECT_EQ(nearestFallbackCount(), before);
    for (int r : {-128, 0, 255, 400, 639})
        for (int g : {-128, 47, 48, 511, 639}) {
            findNearestPaletteEntryFast(r, g, 300);
            ASSERT_EQ(nearestFallbackCount(), before) << r << "," << g;
        }
    findNearestPaletteEntryFast(640, 0, 0);
    findNearestPaletteEntryFast(0, -129, 0);
    EXPECT_EQ(nearestFallbackCount(), before + 2);
}

} // namespace
