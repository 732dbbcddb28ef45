#include "app/music.h"
#include "app/startup.h"
#include "datapool/pool.h"
#include "platform/music_player.h"
#include "tools/poolmaker/assets.h"
#include "tools/poolmaker/checks.h"
#include "tools/poolmaker/music.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Position {
    int order, row, fraction;
};
Position position(uint32_t scaler = 256) {
    BASS_MusicSetAttribute(musicHandle, 2, scaler);
    uint64_t p = BASS_ChannelGetPosition(musicHandle);
    uint32_t high = uint32_t(p >> 16) & 0xFFFF;
    return {int(p & 0xFFFF), int(high / scaler), int(high % scaler)};
}

TEST(Player, PositionFollowsTheMusicAtWallClockPace) {
    forceSilentMusic(true);
    std::vector<uint8_t> track = makeMusic();
    ASSERT_EQ(initMusic(track.data(), uint32_t(track.size())), 0);
    std::fill(track.begin(), track.end(), 0); // the player keeps its own copy
    EXPECT_TRUE(musicIsSilent());
    EXPECT_EQ(musicRowFrames(), 6u * (44100 * 5 / (140 * 2)));

    Position start = position();
    EXPECT_EQ(start.order, 0);
    EXPECT_EQ(start.row, 0);
    EXPECT_EQ(start.fraction, 0);

    // "pos": the order only, from row 0; the start-up passes the low 16 bits.
    BASS_ChannelSetPosition(musicHandle, 0x10005 & 0xFFFF);
    Position moved = position();
    EXPECT_EQ(moved.order, 5);
    EXPECT_EQ(moved.row, 0);

    ASSERT_TRUE(BASS_ChannelPlay(musicHandle, 0));
    auto began = std::chrono::steady_clock::now();
    Position last = position();
    int rowChanges = 0, fractionRises = 0;
    while (std::chrono::steady_clock::now() - began < std::chrono::milliseconds(700)) {
        Position now = position();
        int before = last.order * 64 + last.row, after = now.order * 64 + now.row;
        ASSERT_GE(after, before) << "the position ran backwards";
        if (after == before) {
            ASSERT_GE(now.fraction, last.fraction) << "the fraction ran backwards within a row";
            fractionRises += now.fraction > last.fraction;
        } else {
            ++rowChanges;
            EXPECT_LT(now.fraction, 128) << "a new row starts near its beginning";
        }
        ASSERT_LT(now.fraction, 256);
        last = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // 700 ms at 107 ms a row: about six rows (a wide margin: this checks function, not speed).
    EXPECT_GE(rowChanges, 3);
    EXPECT_LE(rowChanges, 9);
    EXPECT_GT(fractionRises, 20);
    EXPECT_EQ(last.order, 5);

    Position half = position(128); // another scaler: row x 128 + fraction in 1/128
    EXPECT_LT(half.fraction, 128);
    EXPECT_EQ(half.row, last.row + (half.row > last.row ? half.row - last.row : 0));
    EXPECT_EQ(BASS_MusicFree(musicHandle), 1);
    EXPECT_EQ(BASS_ChannelStop(musicHandle), 1);
    EXPECT_EQ(BASS_ChannelGetPosition(musicHandle), ~uint64_t{0}); // no module: the error value
}

std::vector<std::pair<std::string, uint32_t>> reads;
void recordRead(const char* name, uint32_t bytes) {
    reads.push_back({name, bytes});
}

TEST(StartUp, ReadsTheFortyFiveRecordsInTheirOrder) {
    namespace fs = std::filesystem;
    ShowAssets assets;
    ASSERT_EQ(makeShowAssets(&assets, makeMusic()), "");
    fs::path previous = fs::current_path();
    fs::path folder = fs::temp_directory_path() / "cellrune-startup-test";
    fs::create_directories(folder / "pool");
    {
        std::ofstream blob(folder / "pool" / "blob.raw", std::ios::binary);
        for (const PoolFile& f : assets.files) {
            uint32_t n = uint32_t(f.bytes.size());
            blob.write(reinterpret_cast<const char*>(&n), 4);
            blob.write(reinterpret_cast<const char*>(f.bytes.data()), std::streamsize(n));
        }
    }
    fs::current_path(folder);
    resetPool();
    useArchive = false;
    useBlobFile = true;
    forceSilentMusic(true);
    reads.clear();
    setPoolReadObserver(recordRead);
    testing::internal::CaptureStderr();
    runStartUp();
    std::string said = testing::internal::GetCapturedStderr();
    setPoolReadObserver(nullptr);
    BASS_MusicFree(musicHandle);
    releaseStartUp();
    releasePool();
    useArchive = true;
    useBlobFile = false;
    fs::current_path(previous);
    fs::remove_all(folder);

    EXPECT_EQ(said, ""); // all is well: start-up says nothing
    const auto& names = expectedRecordNames();
    ASSERT_EQ(reads.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(reads[i].first, names[i]) << "read " << i + 1;
        EXPECT_EQ(reads[i].second, assets.files[i].bytes.size()) << names[i];
    }
}

} // namespace
