#include "platform/user_output.h"

#include "platform/terminal.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

struct Deferred {
    int fd;
    size_t length;
};

char deferredText[kDeferredCapacity];
size_t deferredLength = 0;
Deferred pieces[64];
int pieceCount = 0;
bool deferredCut = false;

void writeNow(int fd, const char* text, size_t length) {
    while (length > 0) {
        ssize_t n = write(fd, text, length);
        if (n <= 0) return;
        text += n;
        length -= static_cast<size_t>(n);
    }
}

} // namespace

void writeUserText(UserStream stream, const char* text) {
    int fd = stream == UserStream::kOutput ? STDOUT_FILENO : STDERR_FILENO;
    size_t length = std::strlen(text);
    if (!terminalIsOpen() || !isatty(fd)) {
        writeNow(fd, text, length);
        return;
    }
    if (pieceCount == 64 || length > kDeferredCapacity - deferredLength) {
        deferredCut = true;
        return;
    }
    std::memcpy(deferredText + deferredLength, text, length);
    pieces[pieceCount++] = {fd, length};
    deferredLength += length;
}

void reportProblem(const char* format, ...) {
    char line[512];
    int prefix = std::snprintf(line, sizeof line, "cellrune: ");
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + prefix, sizeof line - static_cast<size_t>(prefix) - 1, format, args);
    va_end(args);
    std::strcat(line, "\n");
    writeUserText(UserStream::kErrors, line);
}

void flushUserOutput() {
    size_t at = 0;
    for (int i = 0; i < pieceCount; ++i) {
        writeNow(pieces[i].fd, deferredText + at, pieces[i].length);
        at += pieces[i].length;
    }
    if (deferredCut) {
        static const char kCut[] = "cellrune: (further messages were left out)\n";
        writeNow(STDERR_FILENO, kCut, sizeof kCut - 1);
    }
    pieceCount = 0;
    deferredLength = 0;
    deferredCut = false;
}
