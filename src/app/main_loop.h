// main_loop: the program's entry (WinMain), its one loop, and shutDown.
//
// WinMain stores the instance handle, parses the command line, opens the
// display in the "mode" setting, runs start-up and then loops, one unit of
// work per pass in this priority: one window message, else one console input
// record, else one frame. No sleeping and no frame cap unless frameCap is set
// (the front end's --max-fps): then a pass that comes before the next frame is
// due waits a few milliseconds instead of drawing. The loop ends when the
// quit message is taken (window closed, ESC in the window, Ctrl-C), when
// handleConsoleInput returns 0 (ESC in the console), or on a negative frame
// result; shutDown then runs. The loop's calls go through MainLoopCalls so
// tests can drive it without a terminal. WinMain returns 1 when no display
// mode could be opened (no terminal and no window), else 0.
#pragma once

#include "platform/messages.h"
#include "settings/settings.h"

#include <cstdint>

struct MainLoopCalls {
    bool (*peekMessage)();
    int (*getMessage)(PlatformMessage* message);
    void (*dispatchMessage)(const PlatformMessage* message);
    int (*consoleInputPending)();
    int (*handleConsoleInput)();
    int32_t (*renderFrame)();
};

extern const MainLoopCalls defaultMainLoopCalls;
extern int32_t frameCap; // frames a second at most; 0: as many as the machine draws

void runMainLoop(const MainLoopCalls& calls);
int WinMain(InstanceHandle instance, InstanceHandle previousInstance, const char* commandLine,
            int showCommand);
void shutDown();
