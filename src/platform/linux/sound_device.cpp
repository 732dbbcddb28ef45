// The sound device on Linux: SDL2's audio, whose own thread pulls.
#include "platform/sound_device.h"

#include <SDL2/SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

SDL_AudioDeviceID device = 0;
SoundPull pullMusic = nullptr;

void audioCallback(void*, Uint8* stream, int bytes) {
    pullMusic(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float)), -1);
}

// SDL and ALSA may print while probing devices; keep it off the terminal.
struct QuietStderr {
    int saved = -1;
    QuietStderr() {
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDERR_FILENO);
            close(null);
        }
    }
    ~QuietStderr() {
        if (saved >= 0) {
            dup2(saved, STDERR_FILENO);
            close(saved);
        }
    }
};

} // namespace

bool soundDeviceOpen(int rate, int bufferFrames, SoundPull pull, int* openedBufferFrames, char* reason,
                     size_t capacity) {
    QuietStderr quiet;
    pullMusic = pull;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::snprintf(reason, capacity, "%s", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want = {}, have = {};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = Uint16(bufferFrames);
    want.callback = audioCallback;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!device) {
        std::snprintf(reason, capacity, "%s", SDL_GetError());
        return false;
    }
    *openedBufferFrames = have.samples;
    return true;
}

void soundDeviceStart() {
    if (device) SDL_PauseAudioDevice(device, 0);
}

void soundDeviceLock() {
    if (device) SDL_LockAudioDevice(device);
}

void soundDeviceUnlock() {
    if (device) SDL_UnlockAudioDevice(device);
}

void soundDeviceClose() {
    if (device) SDL_CloseAudioDevice(device);
    device = 0;
}
