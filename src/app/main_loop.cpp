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

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

int32_t frameCap = 0;

namespace {

// With a cap, a frame is drawn (at the music's position then) only when its
// time has come; earlier passes wait a little so messages and keys are still
// taken at once and no core is burnt waiting.
int32_t renderFrameCapped() {
    using Clock = std::chrono::steady_clock;
    static Clock::time_point next;
    static int32_t lastShown = 0;
    if (frameCap <= 0) return renderFrame();
    Clock::time_point now = Clock::now();
    if (now < next) {
        std::this_thread::sleep_for(std::min<Clock::duration>(next - now, std::chrono::milliseconds(5)));
        return lastShown;
    }
    auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / frameCap));
    next = std::max(next, now) + period; // a late frame does not make the next ones hurry
    lastShown = renderFrame();
    return lastShown;
}

} // namespace

const MainLoopCalls defaultMainLoopCalls = {
    peekPlatformMessage, getPlatformMessage, dispatchPlatformMessage,
    consoleInputPending, handleConsoleInput, renderFrameCapped,
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
    // The data is read before the picture takes the terminal, so a missing or damaged archive is
    // said on stderr before anything is drawn (the show then runs without it).
    openPool();
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
