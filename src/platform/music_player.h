// music_player: the module player behind the show's clock, with the call
// interface the show was written against (the BASS names and arguments).
//
// libopenmpt renders the module (copied at load, so the caller may reuse its
// buffer), repeating as the module says; the system's sound device
// (sound_device.h) pulls it at 44,100 Hz stereo. Without a sound device (or
// with CELLRUNE_SILENT set, or forceSilentMusic) the module is rendered,
// unheard, as far as the wall clock has come each time the position is read,
// so the position advances exactly as if it were heard, with no thread of
// the player's own; one line on stderr says why. BASS_ChannelGetPosition
// gives the position being heard now: low 16 bits the order, high 16 bits
// row x scaler + fraction, compensated for the device buffer and interpolated
// between pulls, never backwards within a row, the fraction never a whole
// row. The device's thread and the main thread share only a snapshot
// exchanged through a sequence counter. A device that stops pulling while the
// show reads on (stall_watch.h) is closed, and the music goes on silently.
#pragma once

#include <cstdint>

constexpr uint32_t kBassVersion = 0x00010002;
constexpr uint32_t kMusicHandle = 1;
constexpr int kMusicRate = 44100;

// The handle of the module the show plays: set when the program loads it,
// read by the frame clock every frame. 0 while none is loaded.
extern uint32_t musicHandle;

uint32_t BASS_GetVersion();
int BASS_Init(int device, uint32_t frequency, uint32_t flags, void* window, void* clsid);
uint32_t BASS_MusicLoad(int fromMemory, const void* file, uint64_t offset, uint32_t length, uint32_t flags,
                        uint32_t frequency);
int BASS_ChannelSetPosition(uint32_t handle, uint64_t position);
int BASS_ChannelPlay(uint32_t handle, int restart);
int BASS_MusicSetAttribute(uint32_t handle, uint32_t attribute, uint32_t value);
uint64_t BASS_ChannelGetPosition(uint32_t handle);
int BASS_MusicFree(uint32_t handle);
int BASS_ChannelStop(uint32_t handle);

void forceSilentMusic(bool silent); // before BASS_Init

// Offline rendering (exports): no device and no clock; the caller renders the
// module frame by frame and the position is exactly where the rendering is.
void setOfflineMusic(bool offline); // before BASS_ChannelPlay
// Renders the next frames (stereo float pairs) into out; returns how many.
int renderMusicOffline(float* out, int frames);
// Moves to an order and row (exports that start mid-show).
void setMusicOrderRow(int order, int row);
bool musicIsSilent();
// The frame the last position read named, counted as the device's pulls count
// them from the load (for measuring the picture against the sound).
int64_t musicHeardFrame();
// Frames of one row at the current speed and tempo (0 without a module).
uint32_t musicRowFrames();
