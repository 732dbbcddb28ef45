#include "display/cell_image.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

void fillFrame(uint32_t* frame, uint32_t colour) {
    std::fill(frame, frame + kFramePixels, colour);
}

class CellImage : public ::testing::Test {
  protected:
    void SetUp() override { parseCommandLine(""); }
    void TearDown() override { parseCommandLine(""); }
    std::vector<uint32_t> frame = std::vector<uint32_t>(kFramePixels);
};

TEST_F(CellImage, WhiteAveragesToFCFCFC) {
    fillFrame(frame.data(), 0xFFFFFF);
    makeCellImage(frame.data(), frame.data());
    for (int i = 0; i < kCellCount; ++i) ASSERT_EQ(frame[i], 0xFCFCFCu) << i;
}

TEST_F(CellImage, TopByteIgnoredAndChannelsDoNotCarry) {
    fillFrame(frame.data(), 0xFF030303); // top byte set, only low bits in every channel
    std::vector<uint32_t> cells(kCellCount);
    makeCellImage(cells.data(), frame.data());
    EXPECT_EQ(cells[0], 0x00000000u);
    fillFrame(frame.data(), 0x00FF00FF);
    makeCellImage(cells.data(), frame.data());
    EXPECT_EQ(cells[123], 0x00FC00FCu);
}

TEST_F(CellImage, AveragesEachTwoByTwoBlockInPlace) {
    std::mt19937 random(7);
    for (auto& p : frame) p = random() & 0xFFFFFF;
    std::vector<uint32_t> copy = frame;
    std::vector<uint32_t> separate(kCellCount);
    makeCellImage(separate.data(), copy.data());
    makeCellImage(frame.data(), frame.data());
    for (int y = 0; y < kCellRows; ++y) {
        for (int x = 0; x < kCellColumns; ++x) {
            const uint32_t* p = copy.data() + 2 * y * kFrameWidth + 2 * x;
            uint32_t quad[4] = {p[0], p[1], p[kFrameWidth], p[kFrameWidth + 1]};
            uint32_t expected = 0;
            for (uint32_t shift : {16u, 8u, 0u}) {
                uint32_t sum = 0;
                for (uint32_t q : quad) sum += ((q >> shift) & 0xFF) & 0xFC;
                expected |= (sum / 4) << shift;
            }
            ASSERT_EQ(frame[y * kCellColumns + x], expected) << x << "," << y;
            ASSERT_EQ(separate[y * kCellColumns + x], expected) << x << "," << y;
        }
    }
    // Only the first 16,000 bytes are the CellImage; the rest of the frame is untouched.
    EXPECT_TRUE(std::equal(frame.begin() + kCellCount, frame.end(), copy.begin() + kCellCount));
}

TEST_F(CellImage, GammaSkippedAtExactlyOneAndAppliedOtherwise) {
    fillFrame(frame.data(), 0x804020);
    parseCommandLine("gamma 1");
    std::vector<uint32_t> cells(kCellCount);
    makeCellImage(cells.data(), frame.data());
    EXPECT_EQ(cells[0], 0x804020u);

    // Any gamma but exactly 1.0 runs the pass, even with an identity table:
    // make one entry differ to see that it is read.
    parseCommandLine("gamma 1.0000001");
    for (int i = 0; i < kGammaEntries; ++i) gammaTable[i] = i;
    gammaTable[0x80] = 0x1FF; // only the low byte is used
    makeCellImage(cells.data(), frame.data());
    EXPECT_EQ(cells[0], 0xFF4020u);

    parseCommandLine("gamma 2");
    makeCellImage(cells.data(), frame.data());
    EXPECT_EQ(cells[kCellCount - 1], makeColour(0x40, 0x10, 0x04));

    parseCommandLine("gamma 0"); // every entry 256: every corrected channel becomes 0
    makeCellImage(cells.data(), frame.data());
    EXPECT_EQ(cells[77], 0u);
}

TEST_F(CellImage, FrameBufferIsTheStartOfTheDebugImage) {
    EXPECT_EQ(frameBuffer, debugImage);
    EXPECT_EQ(sizeof(debugImage), 256000u);
    EXPECT_EQ(sizeof(cellBuffer), 16000u);
}

class ConsoleTables : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { buildConsoleTables(); }
};

TEST_F(ConsoleTables, TwoHundredEntriesInOrder) {
    ASSERT_EQ(cellPaletteCount, 200);
    // k = 1, j = 0: light and medium shade of black over dark blue.
    EXPECT_EQ(cellPalette[0].cell, makeCell(0xB0, 0x10));
    EXPECT_EQ(cellPalette[0].colour, 0x000078u); // (3 * 0xA0 + 0) >> 2
    EXPECT_EQ(cellPalette[1].cell, makeCell(0xB1, 0x10));
    EXPECT_EQ(cellPalette[1].colour, 0x000060u); // 6 * 0xA0 / 10
    // k = 15, j = 7 is the last pair: light grey over white.
    EXPECT_EQ(cellPalette[182].cell, makeCell(0xB0, 0xF7));
    EXPECT_EQ(cellPalette[182].colour, 0xEFEFEFu); // (3 * 255 + 192) >> 2 = 239
    EXPECT_EQ(cellPalette[183].colour, 0xE5E5E5u); // (1530 + 768) / 10 = 229
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(cellPalette[184 + k].cell, makeCell(0xDB, k));
        EXPECT_EQ(cellPalette[184 + k].colour, consolePalette[k]);
    }
    for (int i = 0; i < 184; ++i) {
        uint32_t attribute = cellAttribute(cellPalette[i].cell);
        ASSERT_LT(attribute & 15, 8u) << i;             // only dark foregrounds
        ASSERT_LT(attribute & 15, attribute >> 4) << i; // foreground below background
    }
}

TEST_F(ConsoleTables, SecondBuildNeverGrowsTheTable) {
    EXPECT_FALSE(consoleTablesPending);
    PaletteEntry before[kCellPaletteCapacity];
    std::memcpy(before, cellPalette, sizeof before);
    consoleTablesPending = true; // even a forced second run stops at capacity
    buildConsoleTables();
    EXPECT_EQ(cellPaletteCount, 200);
    EXPECT_EQ(std::memcmp(before, cellPalette, sizeof before), 0);
    EXPECT_FALSE(consoleTablesPending);
}

TEST_F(ConsoleTables, DitherMatrixRowsAndPermutation) {
    const int row0[16] = {0, 128, 32, 160, 8, 136, 40, 168, 2, 130, 34, 162, 10, 138, 42, 170};
    const int row1[16] = {192, 64, 224, 96, 200, 72, 232, 104, 194, 66, 226, 98, 202, 74, 234, 106};
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(ditherMatrix[0][c], row0[c]) << c;
        EXPECT_EQ(ditherMatrix[1][c], row1[c]) << c;
    }
    bool seen[256] = {};
    for (auto& row : ditherMatrix)
        for (uint8_t v : row) {
            ASSERT_FALSE(seen[v]) << int(v);
            seen[v] = true;
        }
}

TEST_F(ConsoleTables, NearestEntryForBlackWhiteAndFarOutInputs) {
    EXPECT_EQ(findNearestPaletteEntry(0, 0, 0), 184);
    EXPECT_EQ(findNearestPaletteEntry(255, 255, 255), 199);
    EXPECT_EQ(findNearestPaletteEntry(-300, -300, -300), 184);
    EXPECT_EQ(findNearestPaletteEntry(1000, 1000, 1000), 199);
    EXPECT_EQ(findNearestPaletteEntry(0, 0, 100000), 184 + 9);                     // bright blue
    EXPECT_EQ(findNearestPaletteEntry(INT32_MAX, INT32_MIN, INT32_MIN), 184 + 12); // bright red, no overflow
    EXPECT_EQ(findNearestPaletteEntry(INT32_MIN, INT32_MAX, INT32_MIN), 184 + 10);
}

TEST_F(ConsoleTables, NearestEntryMatchesABruteForceAndTiesGoLow) {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> channel(-400, 700);
    for (int n = 0; n < 20000; ++n) {
        int r = channel(random), g = channel(random), b = channel(random);
        int chosen = findNearestPaletteEntry(r, g, b);
        auto distance = [&](int i) {
            long long dr = redOf(cellPalette[i].colour) - r, dg = greenOf(cellPalette[i].colour) - g,
                      db = blueOf(cellPalette[i].colour) - b;
            return dr * dr + dg * dg + db * db;
        };
        for (int i = 0; i < cellPaletteCount; ++i) {
            ASSERT_LE(distance(chosen), distance(i));
            if (distance(i) == distance(chosen)) {
                ASSERT_LE(chosen, i);
            }
        }
    }
    // An entry's own colour selects that entry or an earlier one of the same colour.
    for (int i = 0; i < cellPaletteCount; ++i) {
        uint32_t c = cellPalette[i].colour;
        int first = findNearestPaletteEntry(redOf(c), greenOf(c), blueOf(c));
        ASSERT_LE(first, i);
        ASSERT_EQ(cellPalette[first].colour, c);
    }
}

TEST(NearestEntry, EmptyTableGivesMinusOne) {
    int saved = cellPaletteCount;
    cellPaletteCount = 0;
    EXPECT_EQ(findNearestPaletteEntry(1, 2, 3), -1);
    cellPaletteCount = saved;
}

} // namespace
