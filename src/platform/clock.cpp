#include "platform/clock.h"

#include <chrono>

namespace {

const auto processStart = std::chrono::steady_clock::now();
int64_t virtualMs = -1;

} // namespace

uint32_t processMilliseconds() {
    if (virtualMs >= 0) return static_cast<uint32_t>(virtualMs);
    auto elapsed = std::chrono::steady_clock::now() - processStart;
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

int64_t steadyMicroseconds() {
    auto elapsed = std::chrono::steady_clock::now() - processStart;
    return std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
}

void setVirtualMilliseconds(int64_t ms) {
    virtualMs = ms;
}
