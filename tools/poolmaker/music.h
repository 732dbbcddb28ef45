// music: the show's track, an Impulse Tracker module composed and
// synthesized here. 43 orders of 64 rows at speed 6, tempo 140: the show
// in orders 0-32, a calm end part from 33 that loops back to order 41.
#pragma once

#include "tools/poolmaker/impulse.h"

#include <vector>

constexpr int kShowOrders = 43;
constexpr int kLoopOrder = 41;

ItModule composeTrack();
std::vector<uint8_t> makeMusic();
