#include "timeline/frame_clock.h"

#include "app/music.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "platform/music_player.h"
#include "timeline/scenes.h"
#include "timeline/toolkit.h"

uint32_t frameNumber = 0;

int32_t readMusicClock() {
    BASS_MusicSetAttribute(musicHandle, 2, 256);
    uint32_t position = uint32_t(BASS_ChannelGetPosition(musicHandle));
    return int32_t((position >> 16) + ((position & 0xFFFF) << 14));
}

void presentFrame() {
    // Mode 8 shows both scene buffers on the left of the debug picture.
    if (displayOverlayKind() == 8)
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 160; ++x) {
                debugImage[y * kDebugImageWidth + x] = sceneBufferA[y * kSceneBufferPitch + x];
                debugImage[(100 + y) * kDebugImageWidth + x] = sceneBufferB[y * kSceneBufferPitch + x];
            }
    if (currentConverter) currentConverter(frameBuffer, frameNumber);
    if (currentPresenter) currentPresenter();
}

int32_t renderFrameAt(int32_t clock) {
    if (!runScenes(clock)) presentFrame();
    uint32_t shown = frameNumber++;
    return static_cast<int32_t>(shown & 0x7FFFFFFF);
}

int32_t renderFrame() {
    return renderFrameAt(readMusicClock());
}
