// frame_clock: renderFrame, the per-frame entry of the timeline.
//
// Each call reads the music position into the MusicClock, runs the scene
// windows that hold it, and finishes the frame as the scene asks: the scene
// buffers into the debug picture (mode 8), currentConverter, the scene's cell
// overlay (mode 0), currentPresenter. It returns the number of the frame it
// has just shown, never negative (the counter wraps within 31 bits so a long
// run can never end the loop), and advances frameNumber.
//
// The picture at P depends only on P: wherever the clock jumps (the first
// frame, a start position, each snapshot, each benchmark sample) the state
// that persists between frames is first set by settleTimeline.
#pragma once

#include <cstdint>

extern uint32_t frameNumber;

int32_t renderFrame();

// The music position as a clock: order x 16,384 + row x 256 + fraction.
int32_t readMusicClock();
// The clocks the music reaches: 0 up to (not including) kMusicEnd, its 43 orders.
constexpr int32_t kMusicEnd = 43 * 16384;
// renderFrame at a given clock (snapshots, export, tests); the first call settles the timeline.
int32_t renderFrameAt(int32_t clock);

// The time into the music of a clock value (6 ticks a row at 140 beats a
// minute): what a virtual process clock reads when frames come from positions.
constexpr int64_t musicMillisecondsAt(int32_t clock) {
    return int64_t(clock) * 3000 / 28 / 256;
}

// Sets what persists between frames to what the show played from order 0
// leaves just before P: the RenderTarget fields, the water at rest, and the
// scene and depth buffers as start-up leaves them (the water's ripples and
// the buffers' older contents are the show's own history, which a jump cannot
// know, so it starts them as the show does).
void settleTimeline(int32_t clock);
