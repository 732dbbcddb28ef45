// The player's exchange between its rendering thread and the main thread,
// hammered from both sides; built under ThreadSanitizer in CI. One playback
// per process: CELLRUNE_SILENT picks the silent pull (main thread only), SDL_AUDIODRIVER=dummy a
// device thread, and CELLRUNE_EXPECT_DEVICE says which one must have run.
// Beside it, start-up with the text styles' tables built on a second thread.
#include "app/headless.h"
#include "app/music.h"
#include "display/cell_image.h"
#include "display/nearest_colour.h"
#include "platform/music_player.h"
#include "tools/poolmaker/music.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

TEST(ThreadExchange, PositionsStayWholeWhileTheMainThreadReadsAndJumps) {
    const char* expectDevice = std::getenv("CELLRUNE_EXPECT_DEVICE");
    bool wantDevice = expectDevice && *expectDevice == '1';
    std::vector<uint8_t> track = makeMusic();
    ASSERT_EQ(initMusic(track.data(), uint32_t(track.size())), 0);
    ASSERT_EQ(musicIsSilent(), !wantDevice) << "the playback thread is not the one asked for";
    ASSERT_TRUE(BASS_ChannelPlay(musicHandle, 0));

    auto began = std::chrono::steady_clock::now();
    int reads = 0, jumps = 0, jumpedOrder = -1, sinceJump = 0;
    uint64_t last = 0;
    bool advanced = false;
    while (std::chrono::steady_clock::now() - began < std::chrono::milliseconds(1500)) {
        uint64_t p = BASS_ChannelGetPosition(musicHandle);
        ASSERT_NE(p, ~uint64_t{0});
        int order = int(p & 0xFFFF);
        uint32_t high = uint32_t(p >> 16) & 0xFFFF;
        ASSERT_LT(order, kShowOrders) << "a torn snapshot named an order the track does not have";
        ASSERT_LT(high / 256, 64u) << "a torn snapshot named a row past the pattern";
        if (jumpedOrder >= 0 && sinceJump < 50) {
            // Just after a jump the position is the new order, near its start
            // (or, if the rendering side has been quick, a row or two on).
            ASSERT_EQ(order, jumpedOrder);
            ASSERT_LT(high / 256, 8u);
            ++sinceJump;
        }
        if (p != last && reads > 0) advanced = true;
        last = p;
        ++reads;
        if (reads % 4000 == 0) {
            jumpedOrder = (jumps * 7) % kShowOrders;
            ASSERT_EQ(BASS_ChannelSetPosition(musicHandle, uint64_t(jumpedOrder)), 1);
            sinceJump = 0;
            ++jumps;
        }
        if (reads % 64 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_GT(jumps, 3);
    EXPECT_TRUE(advanced) << "the rendering thread never moved the position";
    EXPECT_EQ(BASS_MusicFree(musicHandle), 1);
}

// The tables are built beside the rest of start-up (with or without an archive, whichever the
// working folder has): ready when it returns, and the grid's answers are the plain search's.
TEST(SideWork, StartUpBuildsTheTextStyleTablesBesideTheMainThread) {
    startHeadless("mode 5"); // a pixel style: only the side work builds them
    ASSERT_FALSE(consoleTablesPending);
    ASSERT_GT(cellPaletteCount, 16);
    EXPECT_EQ(nearestFallbackCount(), 0);
    for (int32_t r = -100; r < 400; r += 37)
        for (int32_t g = -100; g < 400; g += 41)
            for (int32_t b = -100; b < 400; b += 43)
                ASSERT_EQ(findNearestPaletteEntryFast(r, g, b), findNearestPaletteEntry(r, g, b))
                    << r << " " << g << " " << b;
}

} // namespace
