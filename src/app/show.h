// show: the live show's life in three calls, shared by every platform's loop.
//
// startShow stores the instance handle, parses the command line, opens the
// pool (so a missing archive is said before the picture takes the terminal),
// opens the display in the "mode" setting and runs start-up. It returns 1 when
// no display mode could be opened (no terminal and no window), else 0.
//
// stepShow is one turn of the loop: it takes every waiting window message and
// then every waiting console key, one at a time and messages first, and only
// then draws one frame at the music's position, so a key always acts before
// the next frame. With a frame cap (frameCap, the front end's --max-fps) the
// frame is drawn only once it is due; millisecondsToNextFrame tells the
// platform's loop how long it may rest meanwhile. stepShow returns false once
// the show has ended: the quit message taken (the window closed, Escape in the
// window, a quit asked of the process), Escape in the console, or a negative
// frame result; it is not called again after that.
//
// shutDown frees the music and what start-up allocated.
#pragma once

#include "settings/settings.h"

#include <cstdint>

extern int32_t frameCap; // frames a second at most; 0: as many as the machine draws

int startShow(InstanceHandle instance, const char* commandLine);
bool stepShow();
int32_t millisecondsToNextFrame(); // 0 when a frame is due (or there is no cap)
void shutDown();
