#include "platform/music_player.h"

#include "platform/files.h"
#include "platform/heard_estimate.h"
#include "platform/sound_device.h"
#include "platform/stall_watch.h"
#include "platform/user_output.h"

#include <libopenmpt/libopenmpt.hpp>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>

uint32_t musicHandle = 0;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kHistory = 16;       // recent row starts kept for the heard position
constexpr int kDeviceFrames = 512; // about 12 ms a device buffer
constexpr int kSilentChunk = 1024; // frames rendered at a time when nobody hears them

struct RowStart {
    int32_t order, row;
    int64_t frame; // absolute rendered frame where the row begins
};

// What the main thread reads: written whole by the rendering side.
struct Snapshot {
    int64_t chunkStart, chunkEnd; // rendered frames before and after the last chunk
    int64_t chunkTimeNs;          // when that chunk was handed to the device
    int64_t latencyFrames;        // frames between rendering and hearing
    uint32_t rowFrames;
    int count;
    RowStart rows[kHistory]; // oldest first
};
static_assert(std::is_trivially_copyable_v<Snapshot>);
constexpr size_t kSnapshotWords = (sizeof(Snapshot) + 7) / 8;

struct Player {
    bool initialised = false;
    bool forcedSilent = false;
    bool silent = false;
    bool device = false;                  // a sound device pulls the music
    int64_t deviceFrames = kDeviceFrames; // what the device actually took
    std::unique_ptr<openmpt::module> module;
    std::ostringstream log; // libopenmpt's messages go here, never to the terminal
    bool playing = false;
    bool offline = false;
    uint32_t scaler = 256;

    // Rendering side (the device's thread, or the main thread when silent).
    int64_t rendered = 0;
    int64_t rowStart = 0;
    uint32_t rowFrames = 0;
    bool rowIdentityPending = true;
    RowStart history[kHistory];
    int historyCount = 0;

    // The exchange: a sequence lock over the snapshot held as atomic words, so
    // a reader racing the writer sees a torn copy it then throws away, never a
    // data race.
    std::atomic<uint32_t> sequence{0};
    std::atomic<uint64_t> shared[kSnapshotWords] = {};

    // Silent playback, pulled by the main thread: the wall time it started and the frame it
    // started from.
    int64_t silentStartNs = 0;
    int64_t silentBase = 0;

    // Main thread: the last heard frame returned, so time never runs back.
    int64_t lastHeard = INT64_MIN;
    StallWatch stall;
};

Player player;

// At exit the device must stop pulling before the player it renders for goes.
struct StopAtExit {
    ~StopAtExit() {
        if (player.device) soundDeviceClose();
        player.device = false;
    }
};

StopAtExit stopAtExit; // destroyed before player: declared after it

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

uint32_t currentRowFrames() {
    int speed = player.module->get_current_speed(), tempo = player.module->get_current_tempo();
    if (speed <= 0 || tempo <= 0) return 1;
    return uint32_t(speed) * uint32_t(kMusicRate * 5 / (tempo * 2)); // rate x 2.5 / tempo, truncated
}

void publish(int64_t chunkStart, int64_t latency) {
    Snapshot s;
    s.chunkStart = chunkStart;
    s.chunkEnd = player.rendered;
    s.chunkTimeNs = nowNs();
    s.latencyFrames = latency;
    s.rowFrames = player.rowFrames;
    s.count = player.historyCount;
    std::memcpy(s.rows, player.history, sizeof s.rows);
    uint64_t words[kSnapshotWords] = {};
    std::memcpy(words, &s, sizeof s);
    // Writers take turns (the device's lock, or the main thread alone), so one writer at a time.
    uint32_t sequence = player.sequence.load(std::memory_order_relaxed);
    player.sequence.store(sequence + 1, std::memory_order_relaxed); // odd: writing
    // Release on each word: a reader that sees one of them also sees the odd count.
    for (size_t i = 0; i < kSnapshotWords; ++i) player.shared[i].store(words[i], std::memory_order_release);
    player.sequence.store(sequence + 2, std::memory_order_release);
}

void rememberRow() {
    RowStart r = {player.module->get_current_order(), player.module->get_current_row(), player.rowStart};
    if (player.historyCount == kHistory) {
        std::memmove(player.history, player.history + 1, sizeof(RowStart) * (kHistory - 1));
        --player.historyCount;
    }
    player.history[player.historyCount++] = r;
}

// Renders frames, cut at row boundaries so each row's start frame is known.
void render(float* out, int frames) {
    int done = 0;
    while (done < frames) {
        int64_t toBoundary = player.rowStart + player.rowFrames - player.rendered;
        int n = int(std::min<int64_t>(frames - done, toBoundary > 0 ? toBoundary : 1));
        size_t got = player.module->read_interleaved_stereo(kMusicRate, size_t(n), out + 2 * done);
        if (got < size_t(n))
            std::memset(out + 2 * (done + int(got)), 0, sizeof(float) * 2 * size_t(n - int(got)));
        player.rendered += n;
        done += n;
        // libopenmpt names the row once its first tick has been rendered.
        if (player.rowIdentityPending) {
            rememberRow();
            player.rowIdentityPending = false;
        }
        if (player.rendered >= player.rowStart + player.rowFrames) {
            player.rowStart = player.rendered;
            player.rowFrames = currentRowFrames();
            player.rowIdentityPending = true;
        }
    }
}

// The device's pull, on its thread.
void pullMusic(float* out, int frames, int delayFrames) {
    int64_t start = player.rendered;
    render(out, frames);
    // What was just rendered is heard after what the device still holds: as it measured
    // that, or else one device buffer.
    publish(start, delayFrames >= 0 ? delayFrames : player.deviceFrames);
}

// Without a device the music is rendered, unheard, as far as the wall clock has come, whenever
// the position is asked for: the position then advances exactly as if it were heard, with no
// thread of its own.
void pullSilently() {
    static float discard[2 * kSilentChunk];
    int64_t elapsedNs = nowNs() - player.silentStartNs;
    int64_t target = player.silentBase + elapsedNs * kMusicRate / 1000000000;
    if (player.rendered >= target) return;
    while (player.rendered < target)
        render(discard, int(std::min<int64_t>(kSilentChunk, target - player.rendered)));
    publish(player.rendered, 0); // heard as it is rendered
}

void startSilentClock() {
    player.silentStartNs = nowNs();
    player.silentBase = player.rendered;
}

// The device stopped pulling: it is closed, and the music goes on unheard from where the
// rendering stands, on the wall clock, so the picture does not freeze.
void abandonStalledDevice() {
    soundDeviceClose();
    player.device = false;
    player.silent = true;
    startSilentClock();
    publish(player.rendered, 0); // heard from where the rendering stands
    reportProblem(
        "sound stopped (the sound device took no music for %d s); the show goes on silently, on time",
        int(kStallNs / 1000000000));
}

void resetPosition() {
    player.rowStart = player.rendered;
    player.rowFrames = currentRowFrames();
    player.historyCount = 0;
    rememberRow(); // a new position names its row at once
    player.rowIdentityPending = false;
    player.lastHeard = INT64_MIN;
    publish(player.rendered, 0);
}

} // namespace

void forceSilentMusic(bool silent) {
    player.forcedSilent = silent;
}
bool musicIsSilent() {
    return player.silent;
}
uint32_t musicRowFrames() {
    return player.module ? currentRowFrames() : 0;
}

uint32_t BASS_GetVersion() {
    return kBassVersion;
}

int BASS_Init(int, uint32_t, uint32_t, void*, void*) {
    if (player.initialised) return 1;
    player.initialised = true;
    const char* forced = environmentValue("CELLRUNE_SILENT");
    if (player.forcedSilent || (forced && *forced && std::strcmp(forced, "0") != 0)) {
        player.silent = true;
        return 1;
    }
    char reason[256] = "";
    int bufferFrames = kDeviceFrames;
    player.device =
        soundDeviceOpen(kMusicRate, kDeviceFrames, pullMusic, &bufferFrames, reason, sizeof reason);
    if (player.device) {
        player.deviceFrames = bufferFrames;
    } else {
        player.silent = true;
        reportProblem("sound is off (%s); the show runs silently, on time",
                      *reason ? reason : "no sound device");
    }
    return 1; // playback runs either way
}

uint32_t BASS_MusicLoad(int, const void* file, uint64_t offset, uint32_t length, uint32_t, uint32_t) {
    if (!file || length == 0) return 0;
    try {
        const uint8_t* bytes = static_cast<const uint8_t*>(file) + offset;
        // The sub-song scan walks the whole module at load (a good part of start-up); the show plays
        // from its orders and never asks for sub-songs or their lengths.
        static const std::map<std::string, std::string> kLoadSettings = {{"load.skip_subsongs_init", "1"}};
        player.module = std::make_unique<openmpt::module>(bytes, size_t(length), player.log, kLoadSettings);
    } catch (const std::exception&) {
        player.module.reset();
        return 0;
    }
    player.module->set_repeat_count(-1);
    player.module->ctl_set_integer("dither", 0);
    player.rendered = 0;
    resetPosition();
    return kMusicHandle;
}

int BASS_ChannelSetPosition(uint32_t handle, uint64_t position) {
    if (handle != kMusicHandle || !player.module) return 0;
    if (player.device) {
        // The device's thread renders: it waits while the position changes.
        soundDeviceLock();
        player.module->set_position_order_row(int32_t(position & 0xFFFF), 0);
        resetPosition();
        soundDeviceUnlock();
        return 1;
    }
    player.module->set_position_order_row(int32_t(position & 0xFFFF), 0);
    resetPosition();
    startSilentClock(); // the main thread renders: its clock starts again from the new position
    return 1;
}

int BASS_ChannelPlay(uint32_t handle, int) {
    if (handle != kMusicHandle || !player.module || player.playing) return 0;
    player.playing = true;
    if (player.offline) return 1; // the caller renders
    if (player.device)
        soundDeviceStart();
    else
        startSilentClock();
    return 1;
}

int BASS_MusicSetAttribute(uint32_t handle, uint32_t attribute, uint32_t value) {
    if (handle != kMusicHandle || attribute != 2 || value == 0 || value > 0xFFFF) return 0;
    player.scaler = value;
    return 1;
}

uint64_t BASS_ChannelGetPosition(uint32_t handle) {
    if (handle != kMusicHandle || !player.module) return ~uint64_t{0};
    if (player.playing && !player.device && !player.offline) pullSilently();
    uint64_t words[kSnapshotWords];
    for (;;) {
        uint32_t before = player.sequence.load(std::memory_order_acquire);
        if (before & 1) continue;
        // Acquire on each word keeps the second look at the count after them.
        for (size_t i = 0; i < kSnapshotWords; ++i)
            words[i] = player.shared[i].load(std::memory_order_acquire);
        if (player.sequence.load(std::memory_order_relaxed) == before) break;
    }
    Snapshot s;
    std::memcpy(&s, words, sizeof s);
    if (player.playing && player.device && !player.offline &&
        noteRead(player.stall, nowNs(), s.chunkTimeNs)) {
        abandonStalledDevice();
        return BASS_ChannelGetPosition(handle);
    }
    if (s.count == 0) return 0;
    int64_t heard = player.offline   ? s.chunkEnd // exactly where the rendering stands
                    : player.playing ? estimateHeard(s.chunkStart, s.chunkEnd, s.latencyFrames,
                                                     nowNs() - s.chunkTimeNs, kMusicRate)
                                     : s.chunkStart - s.latencyFrames;
    if (heard < player.lastHeard) heard = player.lastHeard;
    player.lastHeard = heard;
    int index = s.count - 1;
    while (index > 0 && s.rows[index].frame > heard) --index;
    const RowStart& r = s.rows[index];
    int64_t into = heard - r.frame;
    if (into < 0) into = 0;
    uint32_t rowFrames = s.rowFrames ? s.rowFrames : 1;
    uint64_t fraction = uint64_t(into) * player.scaler / rowFrames;
    if (fraction >= player.scaler) fraction = player.scaler - 1; // never a whole row
    uint64_t high = (uint64_t(r.row) * player.scaler + fraction) & 0xFFFF;
    return (uint64_t(uint32_t(r.order)) & 0xFFFF) | high << 16;
}

int BASS_MusicFree(uint32_t handle) {
    if (handle != kMusicHandle) return 0;
    if (player.device) soundDeviceClose(); // stops pulling before the module goes
    player.device = false;
    player.module.reset();
    player.playing = false;
    return 1;
}

int BASS_ChannelStop(uint32_t handle) {
    return handle == kMusicHandle ? 1 : 0;
}

void setOfflineMusic(bool offline) {
    player.offline = offline;
    if (offline) player.silent = true;
}

int renderMusicOffline(float* out, int frames) {
    if (!player.module || frames <= 0) return 0;
    int64_t start = player.rendered;
    render(out, frames);
    publish(start, 0);
    return frames;
}

int64_t musicHeardFrame() {
    return player.lastHeard;
}

void setMusicOrderRow(int order, int row) {
    if (!player.module) return;
    player.module->set_position_order_row(order, row);
    resetPosition();
}
