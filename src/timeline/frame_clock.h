// frame_clock: renderFrame, the per-frame entry of the timeline.
//
// Each call reads the music position into the MusicClock, runs the scene
// windows that hold it, and hands the FrameBuffer to currentConverter and
// currentPresenter (scenes 12 and 15 do that themselves). It returns the
// number of the frame it has just shown, never negative (the counter wraps
// within 31 bits so a long run can never end the loop), and advances frameNumber.
#pragma once

#include <cstdint>

extern uint32_t frameNumber;

int32_t renderFrame();

// The music position as a clock: order x 16,384 + row x 256 + fraction.
int32_t readMusicClock();
// renderFrame at a given clock (snapshots, tests).
int32_t renderFrameAt(int32_t clock);
