#include "display/cell_image.h"
#include "timeline/toolkit.h"

#include <gtest/gtest.h>

#include <random>

namespace {

uint32_t& a(int x, int y) {
    return sceneBufferA[y * kSceneBufferPitch + x];
}
uint32_t& b(int x, int y) {
    return sceneBufferB[y * kSceneBufferPitch + x];
}
uint32_t& frame(int x, int y) {
    return frameBuffer[y * kFrameWidth + x];
}

void pattern() {
    for (int y = 0; y < kSceneBufferARows; ++y)
        for (int x = 0; x < kSceneBufferPitch; ++x) a(x, y) = uint32_t(y << 8 | x);
}

TEST(Toolkit, BlendWeights) {
    fillArea(sceneBufferA, kSceneBufferPitch, 0xFF0000);
    fillArea(sceneBufferB, kSceneBufferPitch, 0x0000FF);
    blendBuffers(64);
    EXPECT_EQ(frame(10, 10), 0x7F007Fu);
    blendBuffers(128);
    EXPECT_EQ(frame(159, 99), 0xFF0000u);
    blendBuffers(0);
    EXPECT_EQ(frame(0, 0), 0x0000FFu);
}

TEST(Toolkit, SmearFromBlackAlongWhite) {
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) frame(x, y) = 0xFFFFFF;
    smearRows(2, 0);
    const uint32_t expected[4] = {127, 191, 223, 239};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(frame(x, 5), expected[x] * 0x010101u) << x;
    for (int x = 0; x < 160; ++x) frame(x, 6) = 0xAB000000u | uint32_t(x);
    smearRows(1, 255); // n = 1 changes nothing but the top byte, which no channel keeps
    EXPECT_EQ(frame(77, 6), 77u);
}

// The smear's multiply-and-shift quotients are the divisions', for every small divisor, next to
// every multiple of it up to 2^31 and at random.
TEST(Toolkit, SmallDividersDivideExactly) {
    std::mt19937 random(31);
    for (uint32_t n = 2; n < kSmallDivisors; ++n) {
        const SmallDivider divide = smallDivider(n);
        auto expectQuotient = [&](uint32_t x) { ASSERT_EQ(divide(x), x / n) << x << " / " << n; };
        for (uint64_t k = 1; k * n < (uint64_t{1} << 31); k += 1 + k / 64) {
            expectQuotient(uint32_t(k * n - 1));
            expectQuotient(uint32_t(k * n));
        }
        expectQuotient(0x7FFFFFFF);
        for (int i = 0; i < 20000; ++i) expectQuotient(random() >> 1);
    }
}

TEST(Toolkit, ShiftsPixelationRippleAndJitter) {
    pattern();
    wrapShiftHorizontal(40);
    EXPECT_EQ(frame(0, 3), a(40, 3));
    EXPECT_EQ(frame(130, 3), a(10, 3));
    wrapShiftVertical(25);
    EXPECT_EQ(frame(7, 80), a(7, 5));
    pixelate(3);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(frame(x, y), a(0, 0));
    EXPECT_EQ(frame(9, 9), a(8, 8));
    pixelate(8);
    EXPECT_EQ(frame(159, 99), a(0, 0));
    rippleCopy(0, 1.0 / 32, 12345);
    EXPECT_EQ(frame(0, 0), a(16, 16));
    rippleCopy(8, 1.0 / 8, 0x4C800);
    for (int y = 0; y < 100; y += 7)
        for (int x = 0; x < 160; x += 9) {
            uint32_t p = frame(x, y);
            int sx = int(p & 0xFF), sy = int(p >> 8);
            ASSERT_LE(std::abs(sx - (16 + x)), 8);
            ASSERT_LE(std::abs(sy - (16 + y)), 8);
        }
    jitterCopy(0); // u = 0: the first pixel from (150, 95)
    EXPECT_EQ(frame(0, 0), a(150, 95));
    EXPECT_EQ(frame(1, 0), a((29 % 7 + 151) % 160, (29 % 11 + 95) % 100));
}

TEST(Toolkit, InversionCrushAndDepth) {
    pattern();
    invertBuffer(sceneBufferA, sceneBufferB);
    EXPECT_EQ(b(3, 4), a(3, 4) ^ 0xFFFFFFFFu);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) frame(x, y) = 0xFFFFFF;
    edgeCrush(10);
    EXPECT_EQ(frame(9, 0), 0xFFF0F0u);
    EXPECT_EQ(frame(10, 0), 0xFFFFFFu);
    EXPECT_EQ(frame(151, 0), 0xF0FFF0u);
    EXPECT_EQ(frame(150, 0), 0xFFFFFFu);
    static uint32_t depth[256 * 100];
    resetDepth(depth, 256);
    EXPECT_EQ(depth[99 * 256 + 159], 1u);
    EXPECT_EQ(depth[99 * 256 + 160], 0u);
}

// Fog by depth difference d = plane - scene (larger is nearer): none where the plane is not in front,
// the pure fog colour from d = 128 x 128 on, halfway at 64 x 128.
TEST(Toolkit, FogByDepthDifference) {
    static uint32_t depthA[kSceneBufferPitch * 100], depthB[kSceneBufferPitch * 100];
    fillArea(sceneBufferA, kSceneBufferPitch, 0x4080C0);
    struct Case {
        uint32_t scene, plane, expected;
    } cases[] = {
        {1000, 1000, 0x4080C0},
        {5000, 1000, 0x4080C0},
        {1000, 1000 + 127, 0x4080C0},
        {1000, 1000 + 128 * 128, 0x882211},
        {0, 0xFFFFFFFF, 0x882211},
        {1000, 1000 + 64 * 128, ((0x40 + 0x88) / 2) << 16 | ((0x80 + 0x22) / 2) << 8 | (0xC0 + 0x11) / 2},
    };
    for (const Case& c : cases) {
        std::fill(std::begin(depthA), std::end(depthA), c.scene);
        std::fill(std::begin(depthB), std::end(depthB), c.plane);
        fogByDepth(sceneBufferA, depthA, depthB, 0x882211);
        EXPECT_EQ(frame(37, 61), c.expected) << c.scene << " " << c.plane;
        EXPECT_EQ(frame(159, 99), c.expected);
    }
}

TEST(Toolkit, ClampedAddsStayInEachChannel) {
    EXPECT_EQ(addClamped(0x10F080, 0x20), 0x30FFA0u);
    EXPECT_EQ(addClamped(0x10F080, -0x20), 0x00D060u);
    EXPECT_EQ(addClamped(0xFF00FF, 255), 0xFFFFFFu);
    EXPECT_EQ(addClamped(0xFF00FF, -255), 0u);
}

} // namespace
