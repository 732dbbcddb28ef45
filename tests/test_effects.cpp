#include "datapool/pictures.h"
#include "effects/fisheye.h"
#include "effects/spikes.h"
#include "effects/tint.h"
#include "effects/tubes.h"
#include "effects/water.h"
#include "math/matrix.h"
#include "platform/clock.h"
#include "render/render_target.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

TEST(Tubes, LengthsAndRadii) {
    for (int k = 0; k < kTubeCount; ++k) EXPECT_DOUBLE_EQ(tubeLength(0, k), 1.0);
    EXPECT_EQ(tubeRadius(1, 1), 0.5);
    EXPECT_EQ(tubeRadius(2, 1), 1.0); // the first rule wins
    EXPECT_EQ(tubeRadius(3, 1), 0.0);
    for (int s = 3; s <= 31; ++s) EXPECT_EQ(tubeRadius(s, 40), 1.0) << s;
    EXPECT_EQ(tubeRadius(32, 40), 1.0);
    EXPECT_EQ(tubeRadius(33, 40), 0.875);
    EXPECT_EQ(tubeRadius(39, 40), 0.125);
    EXPECT_EQ(tubeRadius(40, 40), 0.0);
    for (uint32_t t = 0; t < 200000; t += 997)
        for (int k = 0; k < kTubeCount; ++k) {
            double l = tubeLength(t, k);
            ASSERT_GE(l, 1.0);
            ASSERT_LE(l, 61.0);
        }
}

TEST(Tubes, BuiltRingsDescendWithUnitDirections) {
    buildTubes();
    for (int t = 0; t < kTubeCount; ++t)
        for (int r = 0; r < kTubeRings; ++r) {
            const TubeRing& ring = tubes[t * kTubeRings + r];
            ASSERT_FLOAT_EQ(ring.centre.y, 31.5f - r);
            ASSERT_TRUE(std::isfinite(ring.centre.x) && std::isfinite(ring.centre.z));
            for (const Vector3& d : ring.direction) {
                float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
                ASSERT_NEAR(length, 1.0f, 1e-5f) << t << "," << r;
            }
        }
    EXPECT_FLOAT_EQ(tubes[0].direction[0].x, 1.0f); // ring 0 stays a flat octagon
    EXPECT_FLOAT_EQ(tubes[0].direction[0].y, 0.0f);
}

TEST(Tubes, SwarmStaysFinite) {
    SwarmParticle swarm[kTubeCount];
    for (int k = 0; k < kTubeCount; ++k) swarm[k] = {10.0 * k, -300.0 + 20.0 * k, 0, 0};
    for (int i = 0; i < 5000; ++i) stepSwarm(swarm);
    for (auto& p : swarm) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.vx));
}

class EffectTarget : public ::testing::Test {
  protected:
    std::vector<uint32_t> pixels = std::vector<uint32_t>(256 * 100, 0);
    RenderTarget saved = renderTarget;
    void SetUp() override {
        renderTarget.pixels = pixels.data();
        renderTarget.depthBuffer = depthBufferB;
        renderTarget.width = 160;
        renderTarget.height = 100;
        renderTarget.pitch = 256;
        renderTarget.centreX = 80;
        renderTarget.centreY = 50;
        renderTarget.focalX = renderTarget.focalY = 90;
        for (int i = 0; i < 256 * 100; ++i) depthBufferB[i] = 1;
        for (int i = 0; i < 65536; ++i) envMap[i] = 0x010000u | uint32_t(i);
    }
    void TearDown() override { renderTarget = saved; }
    int drawnPixels() {
        int n = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x) n += pixels[y * 256 + x] != 0;
        return n;
    }
};

TEST_F(EffectTarget, TubesDrawInFrontAndVanishBehind) {
    buildTubes();
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, 0, 0, 60);
    drawTubes(m, 20000);
    int front = drawnPixels();
    EXPECT_GT(front, 500);
    std::fill(pixels.begin(), pixels.end(), 0u);
    m = identityMatrix;
    translateMatrix4(&m, 0, 0, -60);
    drawTubes(m, 20000);
    EXPECT_EQ(drawnPixels(), 0);
}

// The packed ring projection gives the plain one's corners bit for bit: rings of every size turned
// every way, near and far, some crossing z = 1, with the tubes' own rings among them.
TEST_F(EffectTarget, PackedRingCornersAreThePlainOnes) {
    buildTubes();
    std::mt19937 random(8);
    std::uniform_real_distribution<float> angle(-4, 4), place(-40, 40), unit(-1, 1);
    int compared = 0;
    for (int t = 0; t < 40000; ++t) {
        Matrix4 m = identityMatrix;
        rotateMatrix4Y(&m, angle(random));
        rotateMatrix4X(&m, angle(random));
        translateMatrix4(&m, place(random), place(random) / 2, place(random) + 30);
        renderTarget.focalX = 40 + 60 * std::abs(unit(random));
        renderTarget.focalY = 40 + 60 * std::abs(unit(random));
        TubeRing ring = tubes[random() % (kTubeCount * kTubeRings)];
        if (t % 2) {
            ring.centre = {place(random), place(random), place(random)};
            for (Vector3& d : ring.direction) d = {unit(random), unit(random), unit(random)};
        }
        double radius = t % 7 ? 3 * std::abs(unit(random)) : 0.0;
        ScreenVertex packed[8], plain[8];
        bool packedOn = projectRing(m, ring, radius, packed),
             plainOn = projectRingPlain(m, ring, radius, plain);
        ASSERT_EQ(packedOn, plainOn) << t;
        if (!plainOn) continue;
        ++compared;
        for (int k = 0; k < 8; ++k) {
            const ScreenVertex &a = packed[k], &b = plain[k];
            ASSERT_TRUE(a.x == b.x && a.y == b.y && a.u == b.u && a.v == b.v && a.w == b.w)
                << t << " corner " << k << ": " << a.x << "," << a.y << " " << a.u << "," << a.v << " " << a.w
                << " against " << b.x << "," << b.y << " " << b.u << "," << b.v << " " << b.w;
        }
    }
    EXPECT_GT(compared, 20000);
}

TEST_F(EffectTarget, TubesDrawnRingByRingAreTubesDrawnSegmentBySegment) {
    // The plain draw: every segment on its own, both rings projected each time.
    buildTubes();
    auto segmentBySegment = [](const Matrix4& m, uint32_t time) {
        for (int k = 0; k < kTubeCount; ++k) {
            double length = tubeLength(time, k);
            for (int s = 2; s < kTubeRings; ++s)
                drawTubeSegment(m, tubes[k * kTubeRings + s - 1], tubes[k * kTubeRings + s],
                                tubeRadius(s - 1, length), tubeRadius(s, length));
        }
    };
    // Far, near enough that some rings cross z = 1 (segments dropped on one side only), turned, and
    // shifted so that whole segments lie off each side of the view.
    struct View {
        float z, angle;
        uint32_t time;
        float x, y;
    } views[] = {{60, 0, 20000, 0, 0},      {25, 0.3f, 7000, 0, 0},  {8, 1.2f, 45000, 0, 0},
                 {2, 2.0f, 1000, 0, 0},     {-5, 0.7f, 30000, 0, 0}, {30, 0.2f, 9000, 12, 0},
                 {30, 0.5f, 12000, -10, 6}, {40, 0.1f, 3000, 0, -9}};
    std::vector<uint32_t> plainPixels(pixels.size());
    std::vector<uint32_t> plainDepth(256 * 100);
    for (const View& v : views) {
        Matrix4 m = identityMatrix;
        rotateMatrix4Y(&m, v.angle);
        translateMatrix4(&m, v.x, v.y, v.z);
        std::fill(pixels.begin(), pixels.end(), 0u);
        std::fill(depthBufferB, depthBufferB + 256 * 100, 1u);
        segmentBySegment(m, v.time);
        plainPixels = pixels;
        std::copy(depthBufferB, depthBufferB + 256 * 100, plainDepth.begin());
        std::fill(pixels.begin(), pixels.end(), 0u);
        std::fill(depthBufferB, depthBufferB + 256 * 100, 1u);
        drawTubes(m, v.time);
        EXPECT_EQ(pixels, plainPixels) << "z " << v.z;
        EXPECT_TRUE(std::equal(plainDepth.begin(), plainDepth.end(), depthBufferB)) << "z " << v.z;
        if (v.z >= 8) {
            EXPECT_GT(drawnPixels(), 100) << "z " << v.z; // the view shows tubes
        }
    }
}

TEST_F(EffectTarget, SpikeCapWithoutSidesAndBehindTheCamera) {
    // Tilt so the lower ring falls behind z = 0.1 while the upper ring and apex stay in front.
    Matrix4 m = identityMatrix;
    rotateMatrix4X(&m, 0.5f);
    translateMatrix4(&m, 0, 0, 3.0f);
    for (int k = 0; k < 8; ++k) {
        float c = std::cos(k * 0.785398163395f), s = std::sin(k * 0.785398163395f);
        ASSERT_LT(transformPoint(m, {-c, -8, s}).z, 0.1f);
        ASSERT_GE(transformPoint(m, {-c, -4, s}).z, 0.1f);
    }
    drawSpike(m, 0, 0, 0);
    // Only the cap: its texels blend towards the apex texel (128, 255), never the sides' flat row.
    EXPECT_GT(drawnPixels(), 0);
    for (int i = 0; i < 256 * 100; ++i)
        if (pixels[i]) {
            ASSERT_GT((pixels[i] >> 8) & 255, 128u);
        }
    std::fill(pixels.begin(), pixels.end(), 0u);
    m = identityMatrix;
    translateMatrix4(&m, 0, 0, -50);
    drawSpike(m, 0, 0, 0);
    EXPECT_EQ(drawnPixels(), 0);
}

TEST_F(EffectTarget, SpikeSideTexelsFollowTheNormals) {
    Matrix4 m = identityMatrix;
    translateMatrix4(&m, 0, 6, 12); // the spike stands in front of the camera
    drawSpike(m, 0, 0, 0);
    EXPECT_GT(drawnPixels(), 50);
    // The sides' normals lie in the ground plane: v = 128, u across 1..255.
    uint32_t lowest = 255, highest = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            uint32_t p = pixels[y * 256 + x];
            if (!p || ((p >> 8) & 255) != 128) continue;
            lowest = std::min(lowest, p & 255);
            highest = std::max(highest, p & 255);
        }
    EXPECT_LT(lowest, 64u);
    EXPECT_GT(highest, 192u);
}

TEST(Water, FirstStepSpreadsTheDrop) {
    resetWater();
    setVirtualMilliseconds(1000);
    stepWater();
    int drop = waterDropIndex(1000);
    EXPECT_EQ(drop, (317 * 1040) % 3377);
    int row = drop / 64, column = drop % 64;
    auto at = [](int r, int c) { return waterHeights[((r + 64) % 64) * 64 + (c + 64) % 64]; };
    EXPECT_EQ(at(row, column), 0);
    EXPECT_EQ(at(row - 1, column), 95);
    EXPECT_EQ(at(row, column + 1), 95);
    EXPECT_EQ(at(row + 1, column + 1), 31);
    EXPECT_EQ(waterOlder[drop], 256);
    EXPECT_EQ(nextWaterTime, 1040);
    setVirtualMilliseconds(-1);
}

TEST(Water, FlatStaysFlatAndWavesDecay) {
    resetWater();
    dropToggle = 1; // the next step drops nothing
    stepWater();
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(waterHeights[i], 0);
    waterHeights[100] = 5000;
    long before = 0;
    for (int i = 0; i < 4096; ++i) before += std::abs(waterHeights[i]) + std::abs(waterOlder[i]);
    for (int step = 0; step < 400; ++step) {
        dropToggle = 1;
        stepWater();
    }
    long after = 0;
    for (int i = 0; i < 4096; ++i) after += std::abs(waterHeights[i]) + std::abs(waterOlder[i]);
    EXPECT_LT(after, before);
}

TEST(Water, DropIndexStaysInRangeForever) {
    for (uint32_t now : {0u, 6774356u, 6774400u, 100000000u, 4294967295u}) {
        int32_t index = waterDropIndex(now);
        EXPECT_GE(index, 0);
        EXPECT_LT(index, 3377);
    }
}

TEST(Water, Sampler) {
    resetWater();
    waterHeights[3 * 64 + 16] = 160;
    waterHeights[3 * 64 + 17] = 320;
    EXPECT_EQ(sampleWaterHeight(16, 3), 160); // x & 15 = 0: the cell itself
    EXPECT_EQ(sampleWaterHeight(16 + 64, 3 + 128), 160);
    waterHeights[3 * 64 + 18] = 480;
    EXPECT_EQ(sampleWaterHeight(17, 3), (320 * 15 + 480) * 16 / 256);
}

TEST_F(EffectTarget, SurfaceStepsAtMostEvery40Milliseconds) {
    resetWater();
    setVirtualMilliseconds(500);
    Matrix4 m = identityMatrix;
    rotateMatrix4X(&m, -0.9f);
    translateMatrix4(&m, 0, 0, 4);
    drawWaterSurface(m, 0);
    EXPECT_EQ(dropToggle, 1);
    setVirtualMilliseconds(530);
    drawWaterSurface(m, 0);
    EXPECT_EQ(dropToggle, 1); // within 40 ms: no second step
    setVirtualMilliseconds(541);
    drawWaterSurface(m, 0);
    EXPECT_EQ(dropToggle, 0);
    EXPECT_GT(drawnPixels(), 1000);
    setVirtualMilliseconds(-1);
}

TEST(Tint, WeightsAndBands) {
    std::vector<uint32_t> image(160 * 100, 0);
    tintRowSpan(image.data(), 0, 0, 160, 128);
    EXPECT_EQ(image[5], 0u);
    tintRowSpan(image.data(), 0, 0, 160, 0);
    EXPECT_EQ(image[5], 0xDDEEFFu);
    tintRowSpan(image.data(), 1, 0, 160, 64);
    EXPECT_EQ(image[160 + 7], uint32_t(110 << 16 | 119 << 8 | 127));
    tintRowSpan(image.data(), 2, 30, 30, 0);
    EXPECT_EQ(image[2 * 160 + 30], 0u);
    tintRowSpan(image.data(), 3, -20, 20, 0);
    EXPECT_EQ(image[3 * 160 + 19], 0xDDEEFFu);
    EXPECT_EQ(image[3 * 160 + 20], 0u);
    tintRowSpan(image.data(), 100, 0, 160, 0); // a row outside the image
    tintRowSpan(image.data(), -1, 0, 160, 0);
}

TEST(Tint, RingLeavesItsHoleAndStopsAtItsEdge) {
    std::vector<uint32_t> image(160 * 100, 0);
    EXPECT_EQ(tintRing(image.data(), 80, 28, 28, 60, 0), 1);
    EXPECT_EQ(image[28 * 160 + 80], 0u); // the hole
    EXPECT_EQ(image[28 * 160 + 80 + 40], 0xDDEEFFu);
    for (int y = 88; y < 100; ++y)
        for (int x = 0; x < 160; ++x) ASSERT_EQ(image[y * 160 + x], 0u) << x << "," << y;
    EXPECT_NE(image[87 * 160 + 80], 0u);
}

TEST(Fisheye, CentreSymmetryAndRange) {
    buildRoomLookup();
    EXPECT_EQ(roomLookup[50 * 160 + 80], 1024u + 504u * 2048u);
    for (int j = 0; j < 100; ++j) {
        uint32_t c = roomLookup[j * 160 + 80];
        if (c) {
            uint32_t column = (c >> 3) & 0xFF;
            EXPECT_GE(column, 64u) << j; // the front wall only
            EXPECT_LT(column, 192u) << j;
        }
        for (int d = 1; d < 80; ++d) {
            uint32_t right = roomLookup[j * 160 + 80 + d], left = roomLookup[j * 160 + 80 - d];
            if (!right || !left) continue;
            int qRight = int(right % 2048), qLeft = int(left % 2048);
            ASSERT_NEAR(qRight + qLeft, 2048, 2) << d << "," << j;
        }
    }
    for (uint32_t c : roomLookup) {
        ASSERT_LE(c >> 14, 127u);
        ASSERT_LE((c >> 3) & 0xFF, 254u);
    }
}

// Weights in eighths of a pixel, summing to 64: a code with no fraction takes its pixel exactly, halves
// average two or four pixels, any fraction of a uniform colour keeps it; gains scale each channel.
TEST(Fisheye, BilinearWeightsAndGains) {
    static uint32_t panorama[256 * 130];
    static uint32_t lookup[160 * 100], out[160 * 100];
    std::fill(std::begin(panorama), std::end(panorama), 0u);
    panorama[10 * 256 + 20] = 0xFF0000;
    panorama[10 * 256 + 21] = 0x0000FF;
    panorama[11 * 256 + 20] = 0x00FF00;
    panorama[11 * 256 + 21] = 0xFFFFFF;
    auto code = [](uint32_t row, uint32_t column, uint32_t fy, uint32_t fx) {
        return row << 14 | fy << 11 | column << 3 | fx;
    };
    lookup[0] = code(10, 20, 0, 0);
    lookup[1] = code(10, 20, 0, 4);
    lookup[2] = code(10, 20, 4, 0);
    lookup[3] = code(10, 20, 4, 4);
    sampleFisheye(lookup, panorama, out, nullptr);
    EXPECT_EQ(out[0], 0xFF0000u);
    EXPECT_EQ(out[1], 0x7F007Fu);
    EXPECT_EQ(out[2], 0x7F7F00u);
    EXPECT_EQ(out[3], 0x7F7F7Fu);
    std::fill(std::begin(panorama), std::end(panorama), 0xFFFFFFu);
    for (uint32_t i = 0; i < 64; ++i) lookup[i] = code(3, 100, i / 8, i % 8);
    const int32_t gains[3] = {128, 64, 0};
    sampleFisheye(lookup, panorama, out, nullptr);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], 0xFFFFFFu) << i;
    sampleFisheye(lookup, panorama, out, gains);
    EXPECT_EQ(out[9], 0xFF7F00u);
}

// The raytraced water keeps the sky where a ray never meets the water (above the horizon, the eye below
// the plane's level), changes every pixel below it, and reflects less of the sky the nearer the water.
TEST(Water, RaytracedPlaneKeepsTheSkyAboveTheHorizon) {
    resetWater();
    static uint32_t view[256 * 128];
    std::fill(std::begin(view), std::end(view), 0xFFFFFFu);
    raytraceWater(view, 128, 128, 64, Vector3{3, 0, 5}, identityMatrix);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) ASSERT_EQ(view[y * 256 + x], 0xFFFFFFu) << x << "," << y;
    uint32_t previousGreen = 255;
    for (int y = 65; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) ASSERT_NE(view[y * 256 + x], 0xFFFFFFu) << x << "," << y;
        uint32_t green = view[y * 256 + 64] >> 8 & 255;
        EXPECT_LE(green, previousGreen) << "row " << y;
        previousGreen = green;
    }
    EXPECT_LT(previousGreen, 128u);
}

TEST(Water, TheRaysLookedUpAreTheRaysWorkedOut) {
    // Views inside the table, across its edges (columns past 128 either side, rows past 128) and
    // turned, over a rippled field.
    resetWater();
    for (int i = 0; i < 40; ++i) stepWater();
    struct View {
        int width, height, centreX;
        float yaw, pitch;
    } views[] = {{128, 128, 64, 0, 0},
                 {64, 128, 0, -1.57f, 0.2f},
                 {64, 128, 64, 1.57f, -0.3f},
                 {256, 160, -20, 0.4f, 0.5f},
                 {256, 128, 250, 2.5f, 0.1f}};
    static uint32_t fast[256 * 160], plain[256 * 160];
    for (const View& v : views) {
        Matrix4 back = identityMatrix;
        rotateMatrix4X(&back, v.pitch);
        rotateMatrix4Y(&back, v.yaw);
        for (int i = 0; i < 256 * 160; ++i)
            fast[i] = plain[i] = 0x203040u + uint32_t(i) * 2654435761u % 0xFFFFFF;
        raytraceWater(fast, v.width, v.height, v.centreX, Vector3{3, -20, 5}, back);
        raytraceWaterPlain(plain, v.width, v.height, v.centreX, Vector3{3, -20, 5}, back);
        EXPECT_TRUE(std::equal(std::begin(fast), std::end(fast), std::begin(plain)))
            << v.width << "x" << v.height << " centred at " << v.centreX;
    }
    resetWater(); // the field and its drop state are the whole program's
}

} // namespace
