// heard_estimate: the music frame being heard now, from the device's last
// pull. The pull's first frame (chunkStart) is heard latency frames after it
// was handed over, and the music goes on at its rate from there. The estimate
// never passes chunkEnd, the last frame rendered (a device cannot play what
// it was not given), however late the next pull comes: a device that keeps
// much music queued (the page's worklet holds 370 ms) is heard playing it.
#pragma once

#include <cstdint>

inline int64_t estimateHeard(int64_t chunkStart, int64_t chunkEnd, int64_t latency, int64_t sinceNs,
                             int rate) {
    int64_t heard = chunkStart - latency + sinceNs * rate / 1000000000;
    return heard < chunkEnd ? heard : chunkEnd;
}
