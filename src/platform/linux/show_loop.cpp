#include "platform/entry.h"

#include <chrono>
#include <thread>

int runShowLoop(const ShowLoop& loop) {
    constexpr int32_t kLongestRestMs = 5; // keys and messages wait no longer than this
    while (loop.step()) {
        int32_t rest = loop.restMs();
        if (rest > kLongestRestMs) rest = kLongestRestMs;
        if (rest > 0) std::this_thread::sleep_for(std::chrono::milliseconds(rest));
    }
    return loop.finish();
}
