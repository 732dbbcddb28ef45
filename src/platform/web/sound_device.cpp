// The sound device in the browser: Web Audio, whose processing asks for each
// buffer between the page's other work (one thread: no lock is needed). A
// browser that will not start sound yet leaves the show silent, on time.
#include "platform/sound_device.h"

#include <emscripten.h>

#include <cstdio>

namespace {

constexpr int kFrames = 2048; // a ScriptProcessor's buffer: about 46 ms
float samples[2 * kFrames];
SoundPull pullMusic = nullptr;

// Opens the page's audio: the frames between a buffer rendered and heard, 0 when refused.
EM_JS(int, pageSoundOpen, (int rate, int frames), { return Module.cellrune.soundOpen(rate, frames); });
EM_JS(void, pageSoundStart, (), { Module.cellrune.soundStart(); });
EM_JS(void, pageSoundClose, (), { Module.cellrune.soundClose(); });

} // namespace

// The page's audio processing: frames stereo pairs, interleaved, at the returned address.
extern "C" EMSCRIPTEN_KEEPALIVE float* cellrune_pull_sound(int frames) {
    if (frames > kFrames) frames = kFrames;
    pullMusic(samples, frames);
    return samples;
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
