// No frame allocates: the whole timeline rendered headless, every operator
// new counted while frames are drawn.
#include "app/startup.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "headless_show.h"
#include "platform/clock.h"
#include "platform/music_player.h"
#include "settings/settings.h"
#include "timeline/frame_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <unistd.h>

namespace {
thread_local bool counting = false; // frames are drawn on this thread; the player's own thread is not counted
std::atomic<long> allocations{0};
} // namespace

// Every plain and array form goes through malloc and free, so they always match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
// A place to stop in a debugger when a frame allocates.
__attribute__((noinline)) void allocatedInAFrame() {
    asm volatile("");
}

static void* counted(std::size_t size) {
    if (counting) {
        ++allocations;
        allocatedInAFrame();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size) {
    return counted(size);
}
void* operator new[](std::size_t size) {
    return counted(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

TEST(Allocations, NoFrameAllocatesInAnyMode) {
    loadShowHeadless("vemo 1");
    if (HasFatalFailure()) return;
    currentPresenter = presentNothing;
    for (int mode : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) {
        currentConverter = displayModes[mode].converter;
        displayState = displayModes[mode].state;
        counting = true;
        // Every scene, and the end part far past two hours of process clock.
        for (int32_t clock = 0; clock < 0xB0000; clock += 0x1C00) {
            setVirtualMilliseconds(musicMillisecondsAt(clock) + (clock > 0xA0000 ? 7300000 : 0));
            renderFrameAt(clock);
        }
        counting = false;
        EXPECT_EQ(allocations.load(), 0) << "mode " << mode;
        allocations = 0;
    }
    setVirtualMilliseconds(-1);
}

} // namespace

namespace {

long residentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The show as it runs, only faster: the module rendered offline drives the
// clock, through the whole timeline and then round and round the looping end
// part, while the process clock passes the two-hour point. An hour of music
// takes about 20 s here; CELLRUNE_LONG_RUN_MINUTES sets another length.
TEST(LongRun, TheLoopingEndPartPastTwoHoursOfProcessClock) {
    const char* setting = std::getenv("CELLRUNE_LONG_RUN_MINUTES");
    int minutes = setting ? std::atoi(setting) : 60;
    ASSERT_GE(minutes, 6) << "the run must reach the end part's loop";
    loadShowHeadless("vemo 1");
    if (HasFatalFailure()) return;
    currentPresenter = presentNothing;

    constexpr int kStepsPerSecond = 10;
    constexpr int kStep = kMusicRate / kStepsPerSecond;
    static float samples[2 * kStep];
    const int64_t processStart = 2 * 3600 * 1000 - 3 * 60 * 1000; // the two-hour point comes 3 minutes in
    int loops = 0, endPartFrames = 0;
    int32_t previous = 0;
    long residentAfterWarmUp = 0;
    const int64_t steps = int64_t(minutes) * 60 * kStepsPerSecond;
    for (int64_t k = 0; k < steps; ++k) {
        ASSERT_EQ(renderMusicOffline(samples, kStep), kStep);
        int mode = int(k / 100) % 11; // ten seconds in each display mode, in turn
        currentConverter = displayModes[mode].converter;
        displayState = displayModes[mode].state;
        setVirtualMilliseconds(processStart + k * 1000 / kStepsPerSecond);
        counting = true;
        int32_t clock = readMusicClock();
        int32_t shown = renderFrameAt(clock);
        counting = false;
        ASSERT_GE(shown, 0);
        if (clock < previous) ++loops;
        if (clock >= (41 << 14)) ++endPartFrames;
        previous = clock;
        if (k == 5 * 60 * kStepsPerSecond) residentAfterWarmUp = residentKiB();
    }
    EXPECT_EQ(allocations.load(), 0);
    // Once every scene has been drawn, memory holds still: nothing grows with time.
    long growth = residentKiB() - residentAfterWarmUp;
    EXPECT_LT(growth, 1024) << "KiB grown after the warm-up";
    EXPECT_GE(loops, (minutes - 5) * 60 / 14) << "the end part did not loop as the module says";
    EXPECT_GT(endPartFrames, 0);
    std::printf(
        "%d min of music: %lld frames, %d loops of the end part, %ld KiB resident, %+ld KiB after the "
        "warm-up\n",
        minutes, static_cast<long long>(steps), loops, residentKiB(), growth);
    setVirtualMilliseconds(-1);
}

} // namespace
