#include "display/cell_image.h"
#include "display/window_converters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

class WindowConverters : public ::testing::Test {
  protected:
    std::vector<uint32_t> frame = std::vector<uint32_t>(kDebugImagePixels);
    void fill(uint32_t colour) { std::fill(frame.begin(), frame.begin() + kFramePixels, colour); }
    void randomFrame() {
        std::mt19937 random(5);
        for (int i = 0; i < kFramePixels; ++i) frame[i] = random() & 0xFFFFFF;
    }
    uint32_t pixel(int x, int y) const { return frame[y * kFrameWidth + x]; }
    // Screen coordinates, (0, 0) the top left of the window.
    static uint32_t screen(int x, int y) { return windowRow(y)[x]; }
};

TEST_F(WindowConverters, WindowImageIsBottomUp) {
    EXPECT_EQ(windowRow(0), windowImage + 199 * kWindowWidth);
    EXPECT_EQ(windowRow(199), windowImage);
    EXPECT_EQ(sizeof windowImage, 256000u);
}

TEST_F(WindowConverters, PixelDoubleAndGreyBlocks) {
    randomFrame();
    convertPixelDouble(frame.data(), 0);
    for (int y = 0; y < kFrameHeight; ++y)
        for (int x = 0; x < kFrameWidth; ++x) {
            uint32_t p = pixel(x, y);
            ASSERT_EQ(screen(2 * x, 2 * y), p);
            ASSERT_EQ(screen(2 * x + 1, 2 * y + 1), p);
        }
    convertGreyBlocks(frame.data(), 0);
    uint32_t p = pixel(7, 9);
    uint32_t g = static_cast<uint32_t>(redOf(p) + greenOf(p) + blueOf(p)) / 3;
    EXPECT_EQ(screen(15, 19), g * 0x010101u);
    fill(0xFFFFFF);
    convertGreyBlocks(frame.data(), 0);
    EXPECT_EQ(screen(0, 0), 0xFFFFFFu);
}

TEST_F(WindowConverters, SmoothInterpolatesAndBlackensTheEdges) {
    randomFrame();
    std::vector<uint32_t> original(frame.begin(), frame.begin() + kFramePixels);
    convertSmooth(frame.data(), 0);
    auto avg2 = [](uint32_t p, uint32_t q) { return ((p & 0xFEFEFE) + (q & 0xFEFEFE)) >> 1; };
    auto at = [&](int x, int y) { return original[y * kFrameWidth + x]; };
    for (int y = 0; y < kWindowHeight; ++y) {
        if (y == 1) continue; // row 1 pairs its last pixel with the next row in memory
        ASSERT_EQ(screen(319, y), 0u) << y;
    }
    for (int x = 0; x < kWindowWidth; ++x) ASSERT_EQ(screen(x, 0), 0u);
    EXPECT_EQ(screen(20, 41), at(10, 20));
    EXPECT_EQ(screen(21, 41), avg2(at(10, 20), at(11, 20)));
    EXPECT_EQ(screen(20, 40), avg2(at(10, 20), at(10, 19)));
    uint32_t four = ((at(10, 20) & 0xFCFCFC) + (at(11, 20) & 0xFCFCFC) + (at(10, 19) & 0xFCFCFC) +
                     (at(11, 19) & 0xFCFCFC)) >>
                    2;
    EXPECT_EQ(screen(21, 40), four);
    EXPECT_EQ(screen(318, 41), at(159, 20));
    // Row 0: the last pixel pairs with the first of row 1, and the averages
    // are stored back into the FrameBuffer's row 0.
    EXPECT_EQ(screen(318, 1), at(159, 0));
    EXPECT_EQ(screen(319, 1), avg2(at(159, 0), at(0, 1)));
    EXPECT_EQ(pixel(159, 0), avg2(at(159, 0), at(0, 1)));
    EXPECT_EQ(pixel(0, 0), avg2(at(0, 0), at(1, 0)));
    EXPECT_EQ(pixel(0, 1), at(0, 1));
}

TEST_F(WindowConverters, DebugViewIsUpsideDown) {
    for (int i = 0; i < kDebugImagePixels; ++i) debugImage[i] = static_cast<uint32_t>(i);
    convertDebugView(frame.data(), 0);
    EXPECT_EQ(screen(0, 199), 0u); // debugImage's first row is the bottom line
    EXPECT_EQ(screen(5, 0), 199u * 320 + 5);
}

TEST_F(WindowConverters, PalettePairs) {
    fill(0xFFFFFF);
    convertPalettePairs(frame.data(), 0);
    EXPECT_TRUE(
        std::all_of(windowImage, windowImage + kWindowPixels, [](uint32_t p) { return p == 0xFFFFFF; }));
    fill(0);
    convertPalettePairs(frame.data(), 0);
    EXPECT_TRUE(std::all_of(windowImage, windowImage + kWindowPixels, [](uint32_t p) { return p == 0; }));
    // Half-way between black and white: the mix of colours 0 and 1 (m = 0x10).
    // Odd x: low, high, low, high from the block's bottom up; even x the other way.
    fill(0x7F7F7F);
    convertPalettePairs(frame.data(), 0);
    EXPECT_EQ(screen(2, 3), 0u);        // x = 1, bottom row: low (black)
    EXPECT_EQ(screen(2, 2), 0xFFFFFFu); // high
    EXPECT_EQ(screen(3, 1), 0u);
    EXPECT_EQ(screen(0, 3), 0xFFFFFFu); // x = 0, bottom row: high
    EXPECT_EQ(screen(1, 0), 0u);
    // Only odd FrameBuffer rows count: change an even row, nothing moves.
    std::vector<uint32_t> before(windowImage, windowImage + kWindowPixels);
    for (int x = 0; x < kFrameWidth; ++x) frame[2 * kFrameWidth + x] = 0xFF0000;
    convertPalettePairs(frame.data(), 0);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), windowImage));
}

// The grid search for mode 9 picks exactly the plain search's mix, ties included: every red and green,
// blue in steps of 5 and its top value, and every mix's own colour.
TEST(PalettePairSearch, GridSearchIsThePlainSearch) {
    for (int b = 0; b < 256; b = b == 250 ? 255 : b + 5)
        for (int r = 0; r < 256; ++r)
            for (int g = 0; g < 256; ++g)
                ASSERT_EQ(nearestPairMix(r, g, b), nearestPairMixPlain(r, g, b)) << r << "," << g << "," << b;
    EXPECT_LT(pairMixGridCandidates(), 1 << 18) << "every box's list fits";
}

} // namespace
