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
#include <cstdint>
#include <cstdio> // mingw says there which printf it has

constexpr size_t kDeferredCapacity = 8192;

#if defined(__MINGW_PRINTF_FORMAT) // mingw's C99 printf, not the system's older one
#define CELLRUNE_PRINTF_FORMAT(formatAt, argumentsAt)                                                        \
    __attribute__((format(__MINGW_PRINTF_FORMAT, formatAt, argumentsAt)))
#elif defined(__GNUC__)
#define CELLRUNE_PRINTF_FORMAT(formatAt, argumentsAt) __attribute__((format(printf, formatAt, argumentsAt)))
#else
#define CELLRUNE_PRINTF_FORMAT(formatAt, argumentsAt)
#endif

void reportProblem(const char* format, ...) CELLRUNE_PRINTF_FORMAT(1, 2); // one "cellrune: " line on stderr
enum class UserStream : uint8_t { kOutput, kErrors };
void writeUserText(UserStream stream, const char* text);
void flushUserOutput(); // called by the terminal once it is restored
