// user_output: messages for the person running the show (missing data,
// damaged files), on stderr ("cellrune: ..." lines) or stdout.
//
// While the show owns the terminal these would land in the picture and be
// drawn over, so text for a terminal that is in use is kept (up to
// kDeferredCapacity bytes; beyond that it is cut and says so) and written when
// the terminal is handed back: at exit, or when a window style takes over.
// Text for a file or pipe is written at once.
#pragma once

#include <cstddef>

constexpr size_t kDeferredCapacity = 8192;

void reportProblem(const char* format, ...) __attribute__((format(printf, 1, 2)));
constexpr int kStandardOutput = 1;
constexpr int kStandardError = 2;
void writeUserText(int fd, const char* text); // fd: kStandardOutput or kStandardError
void flushUserOutput();                       // called by the terminal once it is restored
