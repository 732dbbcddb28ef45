// The debugger channel where the system has one, and the CELLRUNE_DEBUG file everywhere.
#include "platform/debug_output.h"

#include "platform/system_hooks.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class Sink { kUnchosen, kFile, kStderr, kNowhere };

Sink sink = Sink::kUnchosen;
FILE* debugFile = nullptr;

void chooseSink() {
    const char* path = std::getenv("CELLRUNE_DEBUG");
    if (path && std::strcmp(path, "-") == 0) {
        sink = Sink::kStderr;
        return;
    }
    if (path && *path) {
        debugFile = std::fopen(path, "a");
        if (debugFile) {
            sink = Sink::kFile;
            return;
        }
        // Said once, at the first trace text, which comes before any picture.
        std::fprintf(stderr, "cellrune: cannot open debug file '%s': %s\n", path, std::strerror(errno));
        sink = Sink::kNowhere;
        return;
    }
    sink = Sink::kNowhere; // asked for only: a log of the program's messages stays clean
}

} // namespace

void outputDebugString(const char* text) {
    systemDebugChannel(text);
    if (sink == Sink::kUnchosen) chooseSink();
    FILE* out = sink == Sink::kFile ? debugFile : sink == Sink::kStderr ? stderr : nullptr;
    if (!out) return;
    std::fputs(text, out);
    std::fflush(out);
}

void resetDebugOutput() {
    if (debugFile) std::fclose(debugFile);
    debugFile = nullptr;
    sink = Sink::kUnchosen;
}
