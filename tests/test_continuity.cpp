// The picture at P is a function of P: a frame drawn right after a jump of
// the clock equals the frame the show, played from order 0 without a break,
// draws at P. On the show's own data.
#include "app/startup.h"
#include "datapool/pictures.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "effects/water.h"
#include "headless_show.h"
#include "platform/clock.h"
#include "platform/music_player.h"
#include "render/render_target.h"
#include "settings/settings.h"
#include "timeline/frame_clock.h"
#include "timeline/scene_windows.h"
#include "timeline/scenes.h"
#include "timeline/toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <unistd.h>
#include <vector>

namespace {

std::vector<uint32_t> drawnFrame, presentedCells;

void keepFrame(uint32_t* pixels, uint32_t frame) {
    drawnFrame.assign(pixels, pixels + kFramePixels);
    displayModes[0].converter(pixels, frame);
}
int keepCells() {
    presentedCells.assign(cellBuffer, cellBuffer + kCellCount);
    return 0;
}

// What persists between frames, to carry the unbroken run on after a jump was tried.
struct Persisting {
    RenderTarget target = renderTarget;
    std::vector<uint32_t> a{std::begin(sceneBufferA), std::end(sceneBufferA)};
    std::vector<uint32_t> b{std::begin(sceneBufferB), std::end(sceneBufferB)};
    std::vector<uint32_t> depthA{std::begin(depthBufferA), std::end(depthBufferA)};
    std::vector<uint32_t> depthB{std::begin(depthBufferB), std::end(depthBufferB)};
    std::vector<int32_t> heights{std::begin(waterHeights), std::end(waterHeights)};
    std::vector<int32_t> older{std::begin(waterOlder), std::end(waterOlder)};
    int32_t nextTime = nextWaterTime, toggle = dropToggle;

    void restore() const {
        renderTarget = target;
        std::copy(a.begin(), a.end(), sceneBufferA);
        std::copy(b.begin(), b.end(), sceneBufferB);
        std::copy(depthA.begin(), depthA.end(), depthBufferA);
        std::copy(depthB.begin(), depthB.end(), depthBufferB);
        std::copy(heights.begin(), heights.end(), waterHeights);
        std::copy(older.begin(), older.end(), waterOlder);
        nextWaterTime = nextTime;
        dropToggle = toggle;
    }
};

// Everything a jump must not let through: another scene's RenderTarget,
// rippled water, and old contents in every buffer.
void leaveHistoryBehind() {
    renderTarget = {sceneBufferB, 50, 40, 256, 7, 9, 33.0, 44.0, envMap, depthBufferB};
    for (int i = 0; i < 5; ++i) stepWater();
    std::fill(std::begin(sceneBufferA), std::end(sceneBufferA), 0x123456u);
    std::fill(std::begin(sceneBufferB), std::end(sceneBufferB), 0x654321u);
    std::fill(std::begin(depthBufferA), std::end(depthBufferA), 77u);
    std::fill(std::begin(depthBufferB), std::end(depthBufferB), 99u);
}

TEST(Continuity, AFrameAfterAJumpIsTheFrameOfAnUnbrokenRun) {
    loadShowHeadless("vemo 1");
    if (HasFatalFailure()) return;
    currentConverter = keepFrame;
    currentPresenter = keepCells;
    displayState = displayModes[0].state;

    // A position in every scene, away from the first frames of windows whose frames set different
    // fields as they go; scenes 8 and 13 inherit their vertical focal length.
    const int32_t checks[] = {0x0B400, 0x17800, 0x1F000, 0x21800, 0x30000, 0x37000, 0x47400,
                              0x48400, 0x4A800, 0x4B400, 0x50000, 0x5A000, 0x5C000, 0x5D800,
                              0x66000, 0x6A800, 0x75400, 0x84000, 0x90000};
    const int32_t step = 0x400;
    settleTimeline(0);
    size_t next = 0;
    for (int32_t clock = 0; next < std::size(checks); clock += step) {
        setVirtualMilliseconds(musicMillisecondsAt(clock));
        if (clock != checks[next]) {
            renderFrameAt(clock);
            continue;
        }
        int scenes[2];
        scenesAt(clock, scenes);
        // The ripples are paced by the process clock, history by design: both frames start from still water.
        resetWater();
        Persisting unbroken;
        renderFrameAt(clock);
        std::vector<uint32_t> frame = drawnFrame, cells = presentedCells;
        leaveHistoryBehind();
        settleTimeline(clock);
        renderFrameAt(clock);
        EXPECT_EQ(drawnFrame, frame) << "scene " << scenes[0] << " at 0x" << std::hex << clock;
        EXPECT_EQ(presentedCells, cells) << "scene " << scenes[0] << " at 0x" << std::hex << clock;
        unbroken.restore();
        renderFrameAt(clock);
        ++next;
    }
    setVirtualMilliseconds(-1);
    currentConverter = nullptr;
    currentPresenter = nullptr;
}

// The panorama of scenes 11 and 14 is drawn only where the lens reads it, except in mode 8, whose
// debug picture shows it: the scenes draw the same frames either way, at the edges of the columns
// read too.
TEST(Continuity, ThePanoramaDrawnWhereTheLensReadsGivesTheWholePanoramasFrames) {
    loadShowHeadless("vemo 1");
    if (HasFatalFailure()) return;
    currentConverter = nullptr;
    currentPresenter = nullptr;
    int compared = 0;
    for (int32_t clock = 0x54000; clock < 0x84000; clock += 0x1C00) {
        int scenes[2];
        if (scenesAt(clock, scenes) != 1 || (scenes[0] != 11 && scenes[0] != 14)) continue;
        HandOver (*draw)(int32_t) = scenes[0] == 11 ? drawScene11 : drawScene14;
        setVirtualMilliseconds(musicMillisecondsAt(clock));
        settleTimeline(clock);
        for (int i = 0; i < 3; ++i)
            renderFrameAt(clock); // ripples, and old contents outside the columns read
        Persisting before;
        displayState = displayModes[8].state;
        ASSERT_EQ(displayOverlayKind(), 8);
        draw(clock);
        std::vector<uint32_t> whole(frameBuffer, frameBuffer + kFramePixels);
        before.restore();
        displayState = displayModes[0].state;
        draw(clock);
        EXPECT_EQ(std::vector<uint32_t>(frameBuffer, frameBuffer + kFramePixels), whole)
            << "scene " << scenes[0] << " at 0x" << std::hex << clock;
        ++compared;
    }
    EXPECT_GE(compared, 15);
    setVirtualMilliseconds(-1);
}

} // namespace
