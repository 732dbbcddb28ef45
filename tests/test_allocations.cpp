// No frame allocates: the whole timeline rendered headless, every operator
// new counted while frames are drawn.
#include "app/settings.h"
#include "app/startup.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "platform/clock.h"
#include "platform/music_player.h"
#include "timeline/frame_clock.h"

#include <gtest/gtest.h>

#include <atomic>
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

int nothing() {
    return 0;
}

TEST(Allocations, NoFrameAllocatesInAnyMode) {
    ASSERT_EQ(chdir(CELLRUNE_SHOW_DIR), 0);
    parseCommandLine("vemo 1");
    buildConsoleTables();
    forceSilentMusic(true);
    setVirtualMilliseconds(0);
    runStartUp();
    currentPresenter = nothing;
    for (int mode : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) {
        currentConverter = displayModes[mode].converter;
        displayState = displayModes[mode].state;
        counting = true;
        // Every scene, and the end part far past two hours of process clock.
        for (int32_t clock = 0; clock < 0xB0000; clock += 0x1C00) {
            setVirtualMilliseconds(int64_t(clock) * 3000 / 28 / 256 + (clock > 0xA0000 ? 7300000 : 0));
            renderFrameAt(clock);
        }
        counting = false;
        EXPECT_EQ(allocations.load(), 0) << "mode " << mode;
        allocations = 0;
    }
    setVirtualMilliseconds(-1);
}

} // namespace
