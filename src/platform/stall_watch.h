// stall_watch: tells when a sound device has stopped asking for music.
//
// A device that stops pulling (a browser whose audio output stalls, a
// removed device) would freeze the heard position, and with it the picture.
// The main thread feeds noteRead with each position read: the time of the
// read and the time of the device's last pull. The device counts as stalled
// once the main thread has watched the same last pull, without a pause of
// its own, for kStallNs. A pause of the main thread (the process stopped, the
// machine asleep, a tab in the background) starts the watch afresh, so the
// device that was paused with it has time to catch up.
#pragma once

#include <cstdint>

constexpr int64_t kStallNs = 2000000000;    // no pull for this long: the device has stopped
constexpr int64_t kReadPauseNs = 250000000; // reads further apart than this: the main thread paused

struct StallWatch {
    int64_t lastPullNs = INT64_MIN; // the pull being watched
    int64_t lastReadNs = 0;
    int64_t watchedNs = 0; // how long it has been watched without a pause
};

inline bool noteRead(StallWatch& watch, int64_t readNs, int64_t lastPullNs) {
    if (lastPullNs != watch.lastPullNs || readNs - watch.lastReadNs > kReadPauseNs) {
        watch.lastPullNs = lastPullNs;
        watch.watchedNs = 0;
    } else {
        watch.watchedNs += readNs - watch.lastReadNs;
    }
    watch.lastReadNs = readNs;
    return watch.watchedNs >= kStallNs;
}
