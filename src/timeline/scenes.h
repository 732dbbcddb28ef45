// scenes: the fifteen scene windows of the show and their recipes.
//
// runScenes draws the frame for MusicClock P into the FrameBuffer (scene 5 is
// tested first, then 1-4 and 6-15, each window independently, so P = 0x5C000
// and 0x84000 run two scenes). Scenes 12 and 15 convert and present by
// themselves and report it; every other frame is handed over by renderFrame.
#pragma once

#include <cstdint>

// True when the frame was presented by the scene itself.
bool runScenes(int32_t clock);

// For tests and snapshots: the scene numbers whose windows hold P, in run order (up to 2).
int scenesAt(int32_t clock, int out[2]);
