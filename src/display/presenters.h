// presenters: the console and the window as the display subsystem sees them.
//
// openConsole builds the console tables once and opens the terminal; it
// returns 0, or -1 (the invalid handle) when there is no terminal. presentConsole shows cellBuffer;
// consoleInputPending says whether a key is waiting. openWindow starts the window system once (the class) and
// creates the window: 0, -1 without a window system, -2 when the window cannot be made. presentWindow shows
// windowImage. presentPixelsInTerminal shows windowImage in the terminal instead, at half size in
// half-block cells, for the pixel styles where no window can be made.
#pragma once

#include "settings/settings.h"

#include <cstdint>

constexpr int32_t kInvalidHandle = -1;

extern bool windowClassPending;

int openConsole();
void freeConsole();
int presentConsole();
int consoleInputPending();

int openWindow(InstanceHandle instance);
void closeWindow();
int presentWindow();
int presentPixelsInTerminal();
