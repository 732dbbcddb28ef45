#include "timeline/frame_clock.h"

#include "display/cell_image.h"
#include "display/display_mode.h"
#include "effects/water.h"
#include "platform/music_player.h"
#include "render/render_target.h"
#include "timeline/scene_windows.h"
#include "timeline/toolkit.h"

#include <algorithm>
#include <iterator>

uint32_t frameNumber = 0;

namespace {

bool settled = false;

void finishFrame(const HandOver& handOver) {
    if (handOver.debugPanels && displayOverlayKind() == 8)
        for (int y = 0; y < kFrameHeight; ++y)
            for (int x = 0; x < kFrameWidth; ++x) {
                debugImage[y * kDebugImageWidth + x] = sceneBufferA[y * kSceneBufferPitch + x];
                debugImage[(kFrameHeight + y) * kDebugImageWidth + x] =
                    sceneBufferB[y * kSceneBufferPitch + x];
            }
    if (currentConverter) currentConverter(frameBuffer, frameNumber);
    if (handOver.cellOverlay && displayOverlayKind() == 0) handOver.cellOverlay();
    if (currentPresenter) currentPresenter();
}

} // namespace

int32_t readMusicClock() {
    BASS_MusicSetAttribute(musicHandle, 2, 256);
    uint32_t position = uint32_t(BASS_ChannelGetPosition(musicHandle));
    return int32_t((position >> 16) + ((position & 0xFFFF) << 14));
}

void settleTimeline(int32_t clock) {
    settleRenderTarget(clock);
    resetWater();
    std::fill(std::begin(sceneBufferA), std::end(sceneBufferA), 0u);
    std::fill(std::begin(sceneBufferB), std::end(sceneBufferB), 0u);
    std::fill(std::begin(depthBufferA), std::end(depthBufferA), 0u);
    std::fill(std::begin(depthBufferB), std::end(depthBufferB), 0u);
    settled = true;
}

int32_t renderFrameAt(int32_t clock) {
    if (!settled) settleTimeline(clock);
    finishFrame(runScenes(clock));
    uint32_t shown = frameNumber++;
    return static_cast<int32_t>(shown & 0x7FFFFFFF);
}

int32_t renderFrame() {
    return renderFrameAt(readMusicClock());
}
