// window: the pixel window, a 320 x 200 picture in a window of the system
// (Linux: SDL2; Windows: a GDI window; the browser: a canvas on the page).
//
// windowSystemInit starts the window system once per run: -1 when there is no
// display to show a window on (one nobody could see counts as none, unless
// the user asked for it). windowCreate opens the window centred with a
// 320 x 200 client area, or full screen: a real 320 x 200 mode where the
// display offers one, else the whole display with the picture enlarged by the
// largest whole factor and centred on black. A failure is said once a run
// through user_output (kept back while the terminal shows the picture); the
// caller then shows the pixel styles in the terminal. windowPresent shows a
// bottom-up 320 x 200 picture upright, unfiltered, without waiting for the
// display. windowPollMessage turns the next event that matters (closing, a
// key press as a show key) into a message. When the display itself is lost
// the process ends at once with status 1 and one line on stderr, the terminal
// restored.
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
