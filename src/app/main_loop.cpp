#include "app/main_loop.h"

#include "app/music.h"
#include "app/startup.h"
#include "datapool/pool.h"
#include "display/display_mode.h"
#include "display/presenters.h"
#include "platform/music_player.h"
#include "platform/terminal.h"
#include "settings/settings.h"
#include "timeline/frame_clock.h"

#include <cstdio>

const MainLoopCalls defaultMainLoopCalls = {
    peekPlatformMessage, getPlatformMessage, dispatchPlatformMessage,
    consoleInputPending, handleConsoleInput, renderFrame,
};

void runMainLoop(const MainLoopCalls& calls) {
    bool running = true;
    PlatformMessage message;
    do {
        if (calls.peekMessage()) {
            // Only 0 (the quit message) ends the loop; an error result does not.
            if (calls.getMessage(&message) == 0) running = false;
            calls.dispatchMessage(&message);
        } else if (calls.consoleInputPending()) {
            if (calls.handleConsoleInput() == 0) return;
        } else if (calls.renderFrame() < 0) {
            return;
        }
    } while (running);
}

int WinMain(InstanceHandle instance, InstanceHandle, const char* commandLine, int) {
    instanceHandle = instance;
    parseCommandLine(commandLine);
    setDisplayMode(modeSetting);
    if (displayState == 0) {
        // Neither a terminal nor a window: there is nothing to show the show on.
        std::fprintf(stderr, "cellrune: no terminal to show the picture in: %s\n", terminalFailureReason());
        return 1;
    }
    runStartUp();
    runMainLoop(defaultMainLoopCalls);
    shutDown();
    return 0;
}

void shutDown() {
    // The player's calls in the order the show always made them: free, then stop.
    BASS_MusicFree(musicHandle);
    releaseStartUp();
    BASS_ChannelStop(musicHandle);
    if (!useArchive && useBlobFile) releasePool();
}
