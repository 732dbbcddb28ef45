#include "app/show.h"

#include "app/startup.h"
#include "datapool/pool.h"
#include "display/display_mode.h"
#include "display/presenters.h"
#include "platform/clock.h"
#include "platform/frame_trace.h"
#include "platform/messages.h"
#include "platform/music_player.h"
#include "platform/terminal.h"
#include "timeline/frame_clock.h"

#include <cstdio>

int32_t frameCap = 0;

namespace {

int64_t nextFrameUs = 0; // when the next frame is due under a cap

// With a cap a frame is drawn only when its time has come; a late frame does not make the next
// ones hurry.
bool frameDue() {
    if (frameCap <= 0) return true;
    int64_t now = steadyMicroseconds();
    if (now < nextFrameUs) return false;
    int64_t period = 1000000 / frameCap;
    nextFrameUs = (nextFrameUs > now ? nextFrameUs : now) + period;
    return true;
}

} // namespace

int startShow(InstanceHandle instance, const char* commandLine) {
    instanceHandle = instance;
    parseCommandLine(commandLine);
    // The data is read before the picture takes the terminal, so a missing or damaged archive is
    // said on stderr before anything is drawn (the show then runs without it).
    beginTextStyleTables();
    openPool();
    endTextStyleTables();
    setDisplayMode(modeSetting);
    if (displayState == 0) {
        // Neither a terminal nor a window: there is nothing to show the show on.
        std::fprintf(stderr, "cellrune: no terminal to show the picture in: %s\n", terminalFailureReason());
        return 1;
    }
    runStartUp();
    return 0;
}

bool stepShow() {
    for (;;) {
        if (peekPlatformMessage()) {
            // Only 0 (the quit message) ends the show; an error result does not. The quit message
            // is dispatched too, as every message is.
            PlatformMessage message;
            bool quit = getPlatformMessage(&message) == 0;
            dispatchPlatformMessage(&message);
            if (quit) return false;
        } else if (consoleInputPending()) {
            if (handleConsoleInput() == 0) return false;
        } else {
            break;
        }
    }
    if (!frameDue()) return true;
    bool going = renderFrame() >= 0;
    traceShownFrame();
    return going;
}

int32_t millisecondsToNextFrame() {
    if (frameCap <= 0) return 0;
    int64_t left = nextFrameUs - steadyMicroseconds();
    return left > 0 ? int32_t((left + 999) / 1000) : 0;
}

void shutDown() {
    // The player's calls in the order the show always made them: free, then stop.
    BASS_MusicFree(musicHandle);
    releaseStartUp();
    BASS_ChannelStop(musicHandle);
    if (!useArchive && useBlobFile) releasePool();
}
