// window: the pixel window, a 320 x 200 picture in a window of the system (SDL2 on Linux).
//
// windowSystemInit starts SDL video once per run and refuses SDL's invisible
// fallback drivers ("offscreen", "dummy") unless the user asked for one with
// SDL_VIDEODRIVER. windowCreate opens the window centred with a 320 x 200
// client area, or full screen: a real 320 x 200 mode where the display offers
// one, else a borderless window over the whole display with the picture
// enlarged by the largest whole factor and centred on black. Failures print
// "error" and SDL's reason on stderr. windowPresent shows a bottom-up
// 320 x 200 picture upright, unfiltered, without waiting for the display.
// windowPollMessage turns the next relevant SDL event into a message.
// When the display's connection is lost the process ends at once with
// status 1 and one line on stderr, the terminal restored: no call goes back
// to the dead connection, and no exit handler waits on it.
#pragma once

#include "platform/messages.h"

#include <cstdint>

int windowSystemInit();                               // 0, or -1 when there is no display
void windowSystemQuit();                              // at the end of a run, while the display is there
int windowCreate(const char* title, bool fullScreen); // 0, or -2 when no window can be made
void windowDestroy();
void windowSetTitle(const char* title);
void windowPresent(const uint32_t* bottomUpImage); // 320 x 200, bottom row first
bool windowPollMessage(PlatformMessage* message);  // true when an event gave a message
