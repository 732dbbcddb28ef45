// music: hands the module to the player; the handle it gets back is
// musicHandle (platform/music_player.h), which the frame clock reads.
#pragma once

#include "platform/music_player.h"

#include <cstdint>

// 0 on success; -1 wrong player version, -2 no player, -3 the module was refused.
int initMusic(const void* module, uint32_t length);
