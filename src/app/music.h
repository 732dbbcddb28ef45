// music: hands the module to the player and keeps its handle.
#pragma once

#include <cstdint>

extern uint32_t musicHandle;

// 0 on success; -1 wrong player version, -2 no player, -3 the module was refused.
int initMusic(const void* module, uint32_t length);
