// sound_device: the system's sound output, which pulls the music it plays.
//
// soundDeviceOpen opens stereo output of 32-bit floats at rate frames a
// second, asking for buffers of about bufferFrames; it reports the frames one
// buffer really holds (the delay between rendering a buffer and hearing it).
// Once soundDeviceStart ran, the device calls pull for every buffer it needs,
// from a thread of the system's (SDL's audio thread, the wave-out callback)
// or from the browser's audio processing: pull must not block. While
// soundDeviceLock is held, pull does not run (position changes); close stops
// pulling before it returns. A failure returns false with the system's reason
// in reason (cut to capacity); the show then plays silently.
#pragma once

#include <cstddef>

// frames stereo pairs into out; delayFrames: the frames between the first of
// them and the one being heard now, where the device measures it, else -1.
using SoundPull = void (*)(float* out, int frames, int delayFrames);

bool soundDeviceOpen(int rate, int bufferFrames, SoundPull pull, int* openedBufferFrames, char* reason,
                     size_t capacity);
void soundDeviceStart();
void soundDeviceLock();
void soundDeviceUnlock();
void soundDeviceClose();
