// scene_windows: the fifteen scene windows over the MusicClock.
//
// runScenes runs every window that holds P, testing scene 5 first and then
// 1-4 and 6-15, each test independent, so P = 0x5C000 runs scenes 11 and 12
// and P = 0x84000 scenes 14 and 15; the later scene's picture and hand-over
// win. A P in no window (only a negative one) draws nothing.
// settleRenderTarget rebuilds the RenderTarget fields that persist between
// frames as the show played from order 0 leaves them just before P.
#pragma once

#include "timeline/scenes.h"

#include <cstdint>

constexpr int kSceneCount = 15;

HandOver runScenes(int32_t clock);
// The scene numbers whose windows hold P, in run order (up to 2).
int scenesAt(int32_t clock, int out[2]);
void settleRenderTarget(int32_t clock);
