#include "timeline/frame_clock.h"

#include "app/music.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "platform/music_player.h"
#include "timeline/test_card.h"

uint32_t frameNumber = 0;

int32_t readMusicClock() {
    BASS_MusicSetAttribute(musicHandle, 2, 256);
    uint32_t position = uint32_t(BASS_ChannelGetPosition(musicHandle));
    return int32_t((position >> 16) + ((position & 0xFFFF) << 14));
}

int32_t renderFrame() {
    int32_t clock = readMusicClock();
    // Until the scenes exist: the test card, moved by the music (a row is 3,000 / 28 ms).
    drawTestCard(frameBuffer, uint32_t(int64_t(clock) * 3000 / 28 / 256));
    if (currentConverter) currentConverter(frameBuffer, frameNumber);
    if (currentPresenter) currentPresenter();
    uint32_t shown = frameNumber++;
    return static_cast<int32_t>(shown & 0x7FFFFFFF);
}
