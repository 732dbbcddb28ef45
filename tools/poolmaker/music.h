// music: the show's track, an Impulse Tracker module composed and
// synthesized here. 43 orders of 64 rows at speed 6, tempo 140: the show
// in orders 0-32, a calm end part from 33 that loops back to order 41.
#pragma once

#include "timeline/frame_clock.h"
#include "tools/poolmaker/impulse.h"

#include <vector>

constexpr int kShowOrders = 43;
constexpr int kLoopOrder = 41;
static_assert(kShowOrders * 16384 == kMusicEnd, "the program refuses positions past the track's end");

ItModule composeTrack();
std::vector<uint8_t> makeMusic();
