#include "platform/entry.h"

#include <windows.h>

#include <mmsystem.h>

int runShowLoop(const ShowLoop& loop) {
    constexpr int32_t kLongestRestMs = 5; // keys and messages wait no longer than this
    timeBeginPeriod(1);                   // Sleep(1) otherwise rests a whole 15.6 ms tick
    while (loop.step()) {
        int32_t rest = loop.restMs();
        if (rest > kLongestRestMs) rest = kLongestRestMs;
        if (rest > 0) Sleep(DWORD(rest));
    }
    timeEndPeriod(1);
    return loop.finish();
}
