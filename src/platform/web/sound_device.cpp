// The sound device in the browser: Web Audio (the page's AudioWorklet, or a
// ScriptProcessor where no worklet runs), whose requests for music the page
// answers between its other work (one thread: no lock is needed). The page
// measures when each buffer will be heard from the audio clock. A browser
// that will not start sound yet leaves the show silent, on time.
#include "platform/sound_device.h"

#include "platform/music_player.h"

#include <emscripten.h>

#include <cstdio>

namespace {

constexpr int kFrames = 8192; // the largest buffer the page asks for: about 186 ms
float samples[2 * kFrames];
SoundPull pullMusic = nullptr;

// Opens the page's audio: the frames between a buffer rendered and heard, 0 when refused.
EM_JS(int, pageSoundOpen, (int rate, int frames), { return Module.cellrune.soundOpen(rate, frames); });
EM_JS(void, pageSoundStart, (), { Module.cellrune.soundStart(); });
EM_JS(void, pageSoundClose, (), { Module.cellrune.soundClose(); });

} // namespace

// The page's audio processing: frames stereo pairs, interleaved, at the returned address;
// delayFrames: how long until the first of them is heard (-1: unknown).
extern "C" EMSCRIPTEN_KEEPALIVE float* cellrune_pull_sound(int frames, int delayFrames) {
    if (frames > kFrames) frames = kFrames;
    pullMusic(samples, frames, delayFrames);
    return samples;
}

// The music frame the picture last showed, counted as the pulls count them.
extern "C" EMSCRIPTEN_KEEPALIVE double cellrune_shown_frame() {
    return double(musicHeardFrame());
}

bool soundDeviceOpen(int rate, int, SoundPull pull, int* openedBufferFrames, char* reason, size_t capacity) {
    pullMusic = pull;
    int delay = pageSoundOpen(rate, kFrames);
    if (delay <= 0) {
        std::snprintf(reason, capacity, "the browser has not started sound");
        return false;
    }
    *openedBufferFrames = delay;
    return true;
}

void soundDeviceStart() {
    pageSoundStart();
}

void soundDeviceLock() {}
void soundDeviceUnlock() {}

void soundDeviceClose() {
    pageSoundClose();
}
