// The scene windows and their hand-over, on the show's own data where it matters.
#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "effects/fisheye.h"
#include "effects/span_buffer.h"
#include "effects/tubes.h"
#include "effects/water.h"
#include "render/render_target.h"
#include "settings/settings.h"
#include "timeline/frame_clock.h"
#include "timeline/scene_windows.h"
#include "timeline/scenes.h"
#include "timeline/toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <vector>

namespace {

class Timeline : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // As in a run of this suite alone: no file mesh or lit texture loaded (the start-up tests,
        // when they run first in the same process, load a whole show).
        std::memset(static_cast<void*>(fileMeshes), 0, sizeof fileMeshes);
        std::memset(meshTexture, 0, sizeof meshTexture);
        allocatePictureBlocks();
        spanTexture = skyTexture;
        renderTarget.depthBuffer = depthBufferA;
        buildProceduralMeshes();
        buildTubes();
        buildRoomLookup();
    }
    static void TearDownTestSuite() { releasePictureBlocks(); }
    void SetUp() override {
        parseCommandLine("");
        currentConverter = recordConverter;
        currentPresenter = countPresent;
        displayState = 0x10; // mode 0
        presented = 0;
        converted.clear();
    }
    void TearDown() override {
        currentConverter = nullptr;
        currentPresenter = nullptr;
        displayState = 0;
    }
    static std::vector<uint32_t> converted;
    static int presented;
    static void recordConverter(uint32_t*, uint32_t frame) { converted.push_back(frame); }
    static int countPresent() {
        ++presented;
        return 0;
    }
};
std::vector<uint32_t> Timeline::converted;
int Timeline::presented = 0;

TEST_F(Timeline, WindowsAndTheirShareBounds) {
    int s[2];
    EXPECT_EQ(scenesAt(0, s), 1);
    EXPECT_EQ(s[0], 1);
    EXPECT_EQ(scenesAt(0x28000, s), 1);
    EXPECT_EQ(s[0], 5);
    ASSERT_EQ(scenesAt(0x5C000, s), 2); // scene 11 then 12
    EXPECT_EQ(s[0], 11);
    EXPECT_EQ(s[1], 12);
    ASSERT_EQ(scenesAt(0x84000, s), 2); // scene 14 then the end screen
    EXPECT_EQ(s[0], 14);
    EXPECT_EQ(s[1], 15);
    ASSERT_EQ(scenesAt(0x64000, s), 1); // scene 13's window is open at its start
    EXPECT_EQ(s[0], 12);
    EXPECT_EQ(scenesAt(0x64001, s), 1);
    EXPECT_EQ(s[0], 13);
    EXPECT_EQ(scenesAt(0x4000BFFF, s), 1); // the player's error value: the end screen
    EXPECT_EQ(s[0], 15);
    EXPECT_EQ(scenesAt(-5, s), 0);
}

TEST_F(Timeline, FramesAreHandedOverOnceWithTheirNumber) {
    for (int32_t clock : {0x1000, 0x5C000, 0x84000, 0x90000, 0x30000}) {
        converted.clear();
        presented = 0;
        int32_t shown = renderFrameAt(clock);
        ASSERT_EQ(converted.size(), 1u) << std::hex << clock;
        EXPECT_EQ(converted[0], uint32_t(shown));
        EXPECT_EQ(presented, 1);
    }
}

TEST_F(Timeline, TheShowOpensOnBlack) {
    renderFrameAt(0);
    EXPECT_TRUE(std::all_of(frameBuffer, frameBuffer + kFramePixels, [](uint32_t p) { return p == 0; }));
    renderFrameAt(0x13800); // past 0x13000 pass A is white, here blended in at 90/128
    EXPECT_EQ(sceneBufferA[50 * kSceneBufferPitch + 80], 0xFFFFFFu);
}

TEST_F(Timeline, PixelationStartsAsAPlainCopy) {
    runScenes(0x33000); // scene 5 at L = 0xB000: level 0
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(frameBuffer[y * 160 + x], sceneBufferA[y * kSceneBufferPitch + x]);
}

TEST_F(Timeline, TowerCellsOnlyInModeZeroAndWithoutAFlash) {
    auto fillCells = [] { std::fill(cellBuffer, cellBuffer + kCellCount, 0xABCDu); };
    for (int i = 0; i < 2000; ++i) logoCells[i] = 0x70DB;
    int32_t calm = 0x5C000 + 0x1800, flash = 0x5C000 + 0xC00;
    fillCells();
    renderFrameAt(calm);
    EXPECT_EQ(cellBuffer[20 * 80 + 10], 0x70DBu); // mode 0, f = 0: the logo cells
    EXPECT_EQ(cellBuffer[5 * 80 + 10], 0xABCDu);  // only rows 12..36
    fillCells();
    renderFrameAt(flash);
    EXPECT_EQ(cellBuffer[20 * 80 + 10], 0xABCDu);
    displayState = 0x12; // mode 2
    fillCells();
    renderFrameAt(calm);
    EXPECT_EQ(cellBuffer[20 * 80 + 10], 0xABCDu);
}

TEST_F(Timeline, EndPictureOnlyWithVemo) {
    std::fill(theEndImage, theEndImage + 128 * 64, 0x123456u);
    int32_t late = 0x84000 + 0x21000;
    runScenes(late);
    EXPECT_EQ(frameBuffer[80 * 160 + 120], 0u);
    parseCommandLine("vemo 1");
    runScenes(late);
    EXPECT_EQ(frameBuffer[80 * 160 + 120], 0x123456u);
    runScenes(0x84000 + 0x1C000); // the slide begins at the right edge
    EXPECT_EQ(frameBuffer[80 * 160 + 120], 0u);
}

// Scene 14's water: one inverse view rotation for all three views of the panorama, so a pixel at the
// same offset from its view's centre shows the same water in each (the sky is black here, so the
// picture is the water alone).
TEST_F(Timeline, TheWaterTurnsWithTheCameraNotWithEachView) {
    for (int i = 0; i < kWaterSize * kWaterSize; ++i) waterHeights[i] = waterOlder[i] = (i * 37) % 200 - 100;
    displayState = 0x23; // mode 8, whose debug picture shows the panorama: every column of it is drawn
    drawScene14(0x70000);
    int compared = 0, rippled = 0, leftDiffers = 0, rightDiffers = 0;
    for (int y = 66; y < 128; ++y)
        for (int d = 0; d < 64; ++d) {
            const uint32_t* row = sceneBufferA + y * kSceneBufferPitch;
            leftDiffers += row[d] != row[128 + d];
            rightDiffers += row[192 + d] != row[64 + d];
            ++compared;
            rippled += row[128 + d] != row[128];
        }
    EXPECT_EQ(leftDiffers, 0) << "of " << compared << " pixels of the left view";
    EXPECT_EQ(rightDiffers, 0) << "of " << compared << " pixels of the right view";
    EXPECT_GT(rippled, compared / 2) << "the water shows no ripples to compare";
    resetWater();
}

// A's share in the blends of scenes 2-4, at the edges of their windows.
TEST_F(Timeline, BlendWeightsOfTheEarlyScenes) {
    struct Case {
        int (*weight)(int32_t);
        int32_t clock;
        int expected;
    } cases[] = {
        // Scene 2 (L): fading in, each spike's flash of the negative, the fade to the negative.
        {petNegativeWeight, 0, 0},
        {petNegativeWeight, 0x7FF, 127},
        {petNegativeWeight, 0x800, 128},
        {petNegativeWeight, 0x3000, 128},
        {petNegativeWeight, 0x3001, 0},
        {petNegativeWeight, 0x37FF, 127},
        {petNegativeWeight, 0x3800, 128},
        {petNegativeWeight, 0x5800, 128},
        {petNegativeWeight, 0x7010, 1},
        {petNegativeWeight, 0x7BFF, 128},
        {petNegativeWeight, 0x7C00, 128},
        {petNegativeWeight, 0x7FFF, 65},
        // Scene 3 (L): in over the even 8-row steps, out over the odd ones, then pass B alone.
        {potCrossFade, 0, 0},
        {potCrossFade, 0x7FF, 127},
        {potCrossFade, 0x800, 128},
        {potCrossFade, 0xFFF, 1},
        {potCrossFade, 0x3000, 0},
        {potCrossFade, 0x37FF, 127},
        {potCrossFade, 0x3800, 0},
        {potCrossFade, 0x3FFF, 0},
        // Scene 4 (P), once L > 0x7000: from the picture to pale.
        {petPaleWeight, 0x27001, 128},
        {petPaleWeight, 0x27800, 64},
        {petPaleWeight, 0x27FFF, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.weight(c.clock), c.expected) << std::hex << c.clock;
    EXPECT_FALSE(petFadesToPale(0x7000));
    EXPECT_TRUE(petFadesToPale(0x7001));
}

// Scene 6 changes camera and focal length every 32 rows, replaying path time; scene 8 carries the pattern on.
TEST_F(Timeline, CityShotsSwitchCameraAndFocalInOneFrame) {
    CityShot before = cityShot(0x1FFF), after = cityShot(0x2000);
    EXPECT_EQ(before.shot, 0);
    EXPECT_EQ(std::make_tuple(before.eye, before.look, before.focalX, before.focalY),
              std::make_tuple(0, 1, 60.0, 37.0));
    EXPECT_NEAR(before.pathTime, 2000, 0.3);
    EXPECT_EQ(after.shot, 1);
    EXPECT_EQ(std::make_tuple(after.eye, after.look, after.focalX, after.focalY),
              std::make_tuple(2, 3, 100.0, 75.0));
    EXPECT_EQ(after.pathTime, 1000.0);
    CityShot scene8 = cityShot(0x48000 - 0x38000);
    EXPECT_EQ(std::make_tuple(scene8.shot, scene8.eye, scene8.look), std::make_tuple(8, 0, 1));
    EXPECT_EQ(scene8.pathTime, 8000.0);
}

// Scene 13: four flashes of two rows a flicker under a falling envelope, nothing between them.
TEST_F(Timeline, SkullFlashWindowsAndEnvelope) {
    for (int32_t s : {0x800, 0x2800, 0x4800, 0x6800}) {
        EXPECT_EQ(skullFlashLevel(s - 1), 0) << std::hex << s;
        EXPECT_GE(skullFlashLevel(s), 250) << std::hex << s;
        EXPECT_LE(skullFlashLevel(s + 0x7FF), 2) << std::hex << s;
        EXPECT_EQ(skullFlashLevel(s + 0x800), 0) << std::hex << s;
        EXPECT_LE(skullFlashLevel(s + 0x100), 2) << "half a flicker in";
        for (int32_t L = s; L < s + 0x800; ++L)
            ASSERT_TRUE(skullFlashLevel(L) >= 0 && skullFlashLevel(L) <= 256);
    }
}

// Scene 14: blue fades first, then green, then red, all three gone at the scene's end; two rings grow
// from opposite corners over 16 rows each.
TEST_F(Timeline, WaterSceneFadeAndTintRings) {
    struct Gains {
        int32_t L, red, green, blue;
    } gains[] = {{0, 128, 128, 128},     {0x8000, 128, 128, 128}, {0xC000, 128, 128, 96},
                 {0x12000, 128, 96, 48}, {0x16000, 64, 32, 16},   {0x18000, 0, 0, 0}};
    for (const Gains& g : gains) {
        int32_t got[3];
        waterFadeGains(g.L, got);
        EXPECT_EQ(std::make_tuple(got[0], got[1], got[2]), std::make_tuple(g.red, g.green, g.blue))
            << std::hex << g.L;
    }
    TintRingPlace ring;
    for (int32_t L : {0x8BFF, 0x9C00, 0x10BFF, 0x11C00, 0x18000})
        EXPECT_FALSE(tintRingAt(L, &ring)) << std::hex << L;
    ASSERT_TRUE(tintRingAt(0x8C00, &ring));
    EXPECT_EQ(std::make_tuple(ring.centreX, ring.centreY, ring.inner, ring.outer, ring.weight),
              std::make_tuple(160, 100, 1, 8, 0));
    ASSERT_TRUE(tintRingAt(0x9BFF, &ring));
    EXPECT_EQ(ring.weight, 127);
    ASSERT_TRUE(tintRingAt(0x10C00, &ring));
    EXPECT_EQ(std::make_tuple(ring.centreX, ring.centreY), std::make_tuple(0, 0));
    ASSERT_TRUE(tintRingAt(0x11BFF, &ring));
    // At the last position the picture is black.
    std::fill(frameBuffer, frameBuffer + kFramePixels, 0xABCDEFu);
    drawScene14(0x84000);
    EXPECT_TRUE(std::all_of(frameBuffer, frameBuffer + kFramePixels, [](uint32_t p) { return p == 0; }));
}

// Scene 11's banner flies from L = 0x4001 on, not at 0x4000: drawing it leaves its own RenderTarget.
TEST_F(Timeline, BannerAppearsJustAfterHalfOfScene11) {
    drawScene11(0x58000);
    EXPECT_EQ(renderTarget.focalX, 64.0);
    EXPECT_NE(renderTarget.pixels, frameBuffer);
    drawScene11(0x58001);
    EXPECT_EQ(renderTarget.focalX, 80.0);
    EXPECT_EQ(renderTarget.pixels, frameBuffer);
}

// What each scene says it leaves in the RenderTarget is what its frames leave:
// every field, from a state no scene would leave, at the window edges and where
// a scene changes what it draws.
TEST_F(Timeline, EachSceneLeavesWhatItSaysItLeaves) {
    struct Scene {
        HandOver (*draw)(int32_t);
        void (*leave)(int32_t);
        std::vector<int32_t> at;
    };
    const Scene scenes[] = {
        {drawScene1, leaveScene1, {0, 0xFFF, 0x1000, 0x13000, 0x13001, 0x13FFF}},
        {drawScene2, leaveScene2, {0x14000, 0x14000 + 0x7BFF, 0x14000 + 0x7C00, 0x1BFFF}},
        {drawScene3, leaveScene3, {0x1C000, 0x1FFFF}},
        {drawScene4, leaveScene4, {0x20000, 0x27000, 0x27001, 0x27FFF}},
        {drawScene5, leaveScene5, {0x28000, 0x33000, 0x33FFF}},
        {drawScene6, leaveScene6, {0x34000, 0x35FFF, 0x36000, 0x46FFF}},
        {drawScene7, leaveScene7, {0x47000, 0x47FFF}},
        {drawScene8, leaveScene8, {0x48000, 0x4AFFF}},
        {drawScene9, leaveScene7, {0x4B000, 0x4BFFF}},
        {drawScene10, leaveScene10, {0x4C000, 0x53FFF}},
        {drawScene11, leaveScene11, {0x54000, 0x58000, 0x58001, 0x5C000}},
        {drawScene12, leaveScene12, {0x5C000, 0x5CC00, 0x5CE00, 0x64000}},
        {drawScene13, leaveScene13, {0x64001, 0x64000 + 8999, 0x64000 + 9000, 0x6BFFF}},
        {drawScene14, leaveScene14, {0x6C000, 0x84000}},
        {drawScene15, leaveScene15, {0x84000, 0xA8000}},
    };
    const RenderTarget odd = {sceneBufferB, 50, 40, 200, 7, 9, 33.0, 44.0, envMap, depthBufferB};
    auto fields = [](const RenderTarget& t) {
        return std::make_tuple(t.pixels, t.width, t.height, t.pitch, t.centreX, t.centreY, t.focalX, t.focalY,
                               t.texture, t.depthBuffer);
    };
    for (size_t n = 0; n < std::size(scenes); ++n)
        for (int32_t clock : scenes[n].at) {
            renderTarget = odd;
            scenes[n].draw(clock);
            RenderTarget drawn = renderTarget;
            renderTarget = odd;
            scenes[n].leave(clock);
            EXPECT_TRUE(fields(renderTarget) == fields(drawn))
                << "scene " << n + 1 << " at 0x" << std::hex << clock;
        }
    renderTarget = kStartRenderTarget;
}

} // namespace
