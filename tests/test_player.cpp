#include "app/music.h"
#include "app/startup.h"
#include "datapool/mesh.h"
#include "datapool/pictures.h"
#include "datapool/pool.h"
#include "datapool/pool_records.h"
#include "display/cell_image.h"
#include "display/display_mode.h"
#include "platform/heard_estimate.h"
#include "platform/music_player.h"
#include "platform/stall_watch.h"
#include "timeline/frame_clock.h"
#include "tools/poolmaker/assets.h"
#include "tools/poolmaker/checks.h"
#include "tools/poolmaker/music.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
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

// Writes the records as the show's blob in a fresh folder, runs the start-up
// from it and returns what it said; the show's state stays loaded for the
// caller (finish with endStartUp).
struct StartUpRun {
    std::filesystem::path previous = std::filesystem::current_path();
    // Its own folder: other runs of the suite may be at work on the same machine.
    std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("cellrune-startup-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "-" + std::to_string(std::random_device{}()));
    std::string said;

    explicit StartUpRun(const std::vector<PoolFile>& files) {
        namespace fs = std::filesystem;
        fs::create_directories(folder / "pool");
        {
            std::ofstream blob(folder / "pool" / "blob.raw", std::ios::binary);
            for (const PoolFile& f : files) {
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
        testing::internal::CaptureStderr();
        runStartUp();
        said = testing::internal::GetCapturedStderr();
    }
    ~StartUpRun() {
        BASS_MusicFree(musicHandle);
        releaseStartUp();
        releasePool();
        useArchive = true;
        useBlobFile = false;
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
};

// The frame heard, from the last pull (frames 100,000 to chunk end, its first heard latency later)
// and the time since it: at the music's pace, through all the music queued, never past the end.
TEST(Player, TheHeardFrameRunsOnThroughTheQueuedMusicAndNoFurther) {
    struct Case {
        const char* what;
        int64_t chunkEnd, latency, sinceMs, heard;
    };
    const Case cases[] = {
        {"at the pull: the chunk's start less the delay", 100512, 512, 0, 99488},
        {"10 ms on (SDL, one buffer of delay)", 100512, 512, 10, 99929},
        {"a late pull (SDL): the rest of what was rendered, and no further", 100512, 512, 40, 100512},
        {"the page, 200 ms since a pull, 370 ms queued: still playing", 102048, 16384, 200, 92436},
        {"the page, a whole second since: the end of what was rendered", 102048, 16384, 1000, 102048},
        {"silent (no delay): just as far as the wall clock", 101024, 0, 5, 100220},
    };
    for (const Case& c : cases)
        EXPECT_EQ(estimateHeard(100000, c.chunkEnd, c.latency, c.sinceMs * 1000000, 44100), c.heard)
            << c.what;
}

// The watch over a device's pulls: reads at the given times (ms), each seeing the device's last
// pull at the given time (ms); the device counts as stalled from the read named, or never (-1).
TEST(Player, ADeviceStallsOnlyWhenTheMainThreadWatchedItStopFor2Seconds) {
    struct Case {
        const char* what;
        std::vector<std::pair<int64_t, int64_t>> reads; // read time, last pull time
        int stalledFrom;
    };
    auto steady = [](int64_t from, int64_t to, int64_t pull) {
        std::vector<std::pair<int64_t, int64_t>> reads;
        for (int64_t t = from; t <= to; t += 16) reads.push_back({t, pull});
        return reads;
    };
    auto join = [](std::vector<std::pair<int64_t, int64_t>> a,
                   const std::vector<std::pair<int64_t, int64_t>>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<Case> cases = {
        {"pulls keep coming",
         [] {
             std::vector<std::pair<int64_t, int64_t>> reads;
             for (int64_t t = 0; t <= 5000; t += 16) reads.push_back({t, t - t % 46});
             return reads;
         }(),
         -1},
        {"no pull after 100 ms, watched at 60 frames a second", steady(100, 2200, 100), 125},
        {"no pull ever, watched from the load", steady(0, 2100, 0), 125},
        {"the main thread paused 5 s (a suspended process), the device with it",
         join(join(steady(0, 1500, 0), steady(6500, 6600, 0)), steady(6616, 6800, 6610)), -1},
        {"a pause resets the watch: 1.5 s watched, a pause, 1.9 s more",
         join(steady(0, 1500, 0), steady(1800, 3700, 0)), -1},
        {"... and 2 s more after the pause do stall it", join(steady(0, 1500, 0), steady(1800, 3820, 0)),
         219},
    };
    for (const Case& c : cases) {
        StallWatch watch;
        int stalledFrom = -1;
        for (size_t i = 0; i < c.reads.size() && stalledFrom < 0; ++i)
            if (noteRead(watch, c.reads[i].first * 1000000, c.reads[i].second * 1000000))
                stalledFrom = int(i);
        EXPECT_EQ(stalledFrom, c.stalledFrom) << c.what;
    }
}

TEST(StartUp, ReadsTheFortyFiveRecordsInTheirOrder) {
    ShowAssets assets;
    ASSERT_EQ(makeShowAssets(&assets, makeMusic()), "");
    reads.clear();
    setPoolReadObserver(recordRead);
    std::string said;
    {
        StartUpRun run(assets.files);
        said = run.said;
    }
    setPoolReadObserver(nullptr);

    EXPECT_EQ(said, ""); // all is well: start-up says nothing
    const auto& names = expectedRecordNames();
    ASSERT_EQ(reads.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(reads[i].first, names[i]) << "read " << i + 1;
        EXPECT_EQ(reads[i].second, assets.files[i].bytes.size()) << names[i];
    }
}

int nothing() {
    return 0;
}

// Every record damaged at once: pictures of the wrong size, meshes cut at odd
// places and past their capacities, hostile camera paths, a broken module.
// The start-up names what is wrong, one line each, and every scene still draws.
TEST(StartUp, DamagedRecordsAreNamedAndEveryFrameStillDraws) {
    ShowAssets assets;
    ASSERT_EQ(makeShowAssets(&assets, makeMusic()), "");
    std::vector<PoolFile>& files = assets.files;
    files[0].bytes.resize(100); // the module: not loadable
    for (int p = 0; p < kPictureCount; ++p) {
        std::vector<uint8_t>& b = files[size_t(pictureRecord(p))].bytes;
        b.resize(p % 2 ? b.size() / 2 : b.size() + 4099,
                 0x5A); // short, or long (the whole pool stays under 10 MiB)
    }
    for (int m = 0; m < kFileMeshCount; ++m) {
        std::vector<uint8_t>& verts = files[size_t(meshVerticesRecord(m))].bytes;
        std::vector<uint8_t>& faces = files[size_t(meshFacesRecord(m))].bytes;
        if (m % 2) {
            verts.resize(verts.size() / 2 + 1); // cut inside a vertex
            faces.resize(faces.size() / 3 + 2);
        } else {
            faces.assign(faces.size() * 4 + 4096, 0xFF); // past the face capacity, every index out of range
        }
    }
    std::string twoThousandKeys = "(";
    for (int k = 0; k < 2000; ++k) twoThousandKeys += "1 2 3 4 5 ";
    const std::string hostile[] = {"",
                                   "1 2 3 4 5 6 7 8 9 10",
                                   "()()()",
                                   twoThousandKeys + ")",
                                   "( 1 2 3 4 5 /* never closed",
                                   "((((((((((((((("};
    for (int p = 0; p < kCameraPathCount; ++p)
        files[size_t(cameraPathRecord(p))].bytes.assign(hostile[p].begin(), hostile[p].end());

    StartUpRun run(files);
    std::istringstream lines(run.said);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_EQ(line.rfind("cellrune: ", 0), 0u) << line;
    }
    for (const PictureSpec& picture : kPictures)
        EXPECT_NE(run.said.find(picture.name), std::string::npos) << picture.name << " not named in:\n"
                                                                  << run.said;
    EXPECT_LE(count, 45) << "more than a line a record";
    EXPECT_NE(run.said.find("pool/BOARDS4F.IT"), std::string::npos) << "the broken module went unmentioned";

    buildConsoleTables();
    currentPresenter = nothing;
    for (int mode : {0, 5, 10}) {
        currentConverter = displayModes[mode].converter;
        displayState = displayModes[mode].state;
        for (int32_t clock = 0; clock < 0xB0000; clock += 0x1000) ASSERT_GE(renderFrameAt(clock), 0);
    }
}

} // namespace
