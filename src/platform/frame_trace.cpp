#include "platform/frame_trace.h"

#include "platform/files.h"
#include "platform/music_player.h"

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

struct Trace {
    bool chosen = false;
    FILE* file = nullptr;
    char lines[1 << 16];
    size_t used = 0;

    void flush() {
        if (file && used) std::fwrite(lines, 1, used, file);
        used = 0;
        if (file) std::fflush(file);
    }
    ~Trace() {
        flush();
        if (file) std::fclose(file);
    }
};

Trace trace;

} // namespace

void traceShownFrame() {
    if (!trace.chosen) {
        trace.chosen = true;
        const char* path = environmentValue("CELLRUNE_FRAME_TRACE");
        if (path && *path) {
            trace.file = std::fopen(path, "w");
            if (!trace.file)
                std::fprintf(stderr, "cellrune: cannot write the frame trace '%s': %s\n", path,
                             std::strerror(errno));
        }
    }
    if (!trace.file) return;
    if (sizeof trace.lines - trace.used < 64) trace.flush();
    int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count();
    int n = std::snprintf(trace.lines + trace.used, sizeof trace.lines - trace.used,
                          "%" PRId64 " %" PRId64 "\n", now, musicHeardFrame());
    if (n > 0) trace.used += size_t(n);
}
