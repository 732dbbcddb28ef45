// The sound device on Windows: the wave-out API (winmm), fed from a thread of
// our own that refills each buffer the device has played.
#include "platform/sound_device.h"

#include <windows.h>

#include <mmreg.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

// Four buffers of 1024 frames: about 93 ms queued at 44.1 kHz, the least
// wave-out plays without gaps on a busy machine.
constexpr int kBuffers = 4;
constexpr int kFrames = 1024;

struct Device {
    HWAVEOUT out = nullptr;
    HANDLE played = nullptr; // signalled by the device whenever a buffer is done
    WAVEHDR headers[kBuffers] = {};
    float samples[kBuffers][2 * kFrames] = {};
    SoundPull pull = nullptr;
    std::mutex lock;
    std::thread feeder;
    std::atomic<bool> running{false};
};

Device device;

void describe(MMRESULT result, char* reason, size_t capacity) {
    char text[MAXERRORLENGTH] = "";
    if (waveOutGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR)
        std::snprintf(text, sizeof text, "wave-out error %u", unsigned(result));
    std::snprintf(reason, capacity, "%s", text);
}

void feed() {
    while (device.running.load()) {
        for (WAVEHDR& header : device.headers) {
            if (header.dwFlags & WHDR_INQUEUE) continue;
            {
                std::lock_guard<std::mutex> hold(device.lock);
                device.pull(reinterpret_cast<float*>(header.lpData), kFrames, -1);
            }
            waveOutWrite(device.out, &header, sizeof header);
        }
        WaitForSingleObject(device.played, 100);
    }
}

} // namespace

bool soundDeviceOpen(int rate, int, SoundPull pull, int* openedBufferFrames, char* reason, size_t capacity) {
    if (waveOutGetNumDevs() == 0) {
        std::snprintf(reason, capacity, "no sound device");
        return false;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = DWORD(rate);
    format.wBitsPerSample = 32;
    format.nBlockAlign = WORD(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    device.played = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    MMRESULT result =
        waveOutOpen(&device.out, WAVE_MAPPER, &format, DWORD_PTR(device.played), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        describe(result, reason, capacity);
        CloseHandle(device.played);
        device.played = nullptr;
        device.out = nullptr;
        return false;
    }
    for (int i = 0; i < kBuffers; ++i) {
        WAVEHDR& header = device.headers[i];
        header = {};
        header.lpData = reinterpret_cast<LPSTR>(device.samples[i]);
        header.dwBufferLength = sizeof device.samples[i];
        waveOutPrepareHeader(device.out, &header, sizeof header);
    }
    device.pull = pull;
    // A buffer rendered now is heard once the others queued ahead of it have played.
    *openedBufferFrames = (kBuffers - 1) * kFrames;
    return true;
}

void soundDeviceStart() {
    if (!device.out || device.running.load()) return;
    device.running = true;
    device.feeder = std::thread(feed);
}

void soundDeviceLock() {
    device.lock.lock();
}

void soundDeviceUnlock() {
    device.lock.unlock();
}

void soundDeviceClose() {
    if (!device.out) return;
    device.running = false;
    SetEvent(device.played);
    if (device.feeder.joinable()) device.feeder.join();
    waveOutReset(device.out);
    for (WAVEHDR& header : device.headers) waveOutUnprepareHeader(device.out, &header, sizeof header);
    waveOutClose(device.out);
    CloseHandle(device.played);
    device.out = nullptr;
    device.played = nullptr;
}
