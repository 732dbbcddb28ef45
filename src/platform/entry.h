// entry: the program's entry point and its loop belong to the platform.
//
// The platform's entry (main on Linux, WinMain on Windows, the page's start
// in the browser) hands its arguments, the program's name first, to
// programMain, which the show defines: the one front end of every platform.
// runShowLoop runs the live show's loop the platform's way. Where the program
// owns its thread (Linux, Windows) it calls step until step returns false,
// resting between turns for restMs() milliseconds at most a few at a time so
// input is still taken at once, and then returns finish(). In the browser,
// which cannot block, step runs once an animation frame and finish once the
// show has ended; the call does not return.
#pragma once

#include <cstdint>

int programMain(int argc, char** argv); // defined by the show

struct ShowLoop {
    bool (*step)();      // one turn: false once the show has ended
    int32_t (*restMs)(); // how long the loop may rest before the next turn; 0 none
    int (*finish)();     // after the last turn: frees what the show holds; the exit status
};
int runShowLoop(const ShowLoop& loop);
