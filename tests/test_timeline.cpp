// The scene windows and their hand-over, on the show's own data where it matters.
#include "app/settings.h"
#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "effects/fisheye.h"
#include "effects/span_buffer.h"
#include "effects/tubes.h"
#include "effects/water.h"
#include "render/render_target.h"
#include "timeline/frame_clock.h"
#include "timeline/scene_windows.h"
#include "timeline/scenes.h"
#include "timeline/toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

class Timeline : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
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
    renderFrameAt(0x13001); // one unit past 0x13000: pass A is white
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
