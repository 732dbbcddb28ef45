#include "app/music.h"

#include "platform/music_player.h"

int initMusic(const void* module, uint32_t length) {
    if (BASS_GetVersion() != kBassVersion) return -1;
    if (!BASS_Init(1, 44100, 0, nullptr, nullptr)) return -2;
    musicHandle = BASS_MusicLoad(1, module, 0, length, 0x20200, 0);
    if (musicHandle == 0) return -3;
    return 0;
}
