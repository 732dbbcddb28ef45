// frame_trace: with CELLRUNE_FRAME_TRACE=FILE, one line for every frame shown,
// to measure the picture against the sound that is heard: the steady clock
// (nanoseconds) once the frame has been handed to the terminal or window, and
// the music frame it showed, as musicHeardFrame counts it. The lines gather
// in a fixed buffer written out when it fills and at exit: nothing is
// allocated, and nothing written, frame by frame. Without the variable it
// does nothing.
#pragma once

void traceShownFrame();
