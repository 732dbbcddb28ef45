// clock: the process clock, milliseconds since the program started.
//
// Everything paced by wall time (the water ripples) reads it here, so an
// offline renderer can swap in a virtual clock that it advances frame by
// frame and get the same pictures on every run.
#pragma once

#include <cstdint>

uint32_t processMilliseconds();
// The real clock in microseconds since the program started, never virtual (frame pacing).
int64_t steadyMicroseconds();
// From now on processMilliseconds returns ms (a virtual clock); a negative
// value goes back to the real clock.
void setVirtualMilliseconds(int64_t ms);
