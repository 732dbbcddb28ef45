// Windows' side of the shared code: the console's control events end the show
// as closing the window does; the debug texts go to the debugger.
#include "platform/system_hooks.h"
#include "platform/messages.h"

#include <windows.h>

namespace {

BOOL WINAPI onControlEvent(DWORD event) {
    // The status Windows gives a program ended by Ctrl-C.
    signalSystemQuit(int(STATUS_CONTROL_C_EXIT));
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // Closing the console, logging off, shutting down: the process ends when this returns, so
    // give the main loop the time Windows allows to end the show in order (its exit ends this wait).
    Sleep(4000);
    return TRUE;
}

} // namespace

void watchSystemForQuit() {}

void installQuitHandlers() {
    SetConsoleCtrlHandler(onControlEvent, TRUE);
}

void systemDebugChannel(const char* text) {
    OutputDebugStringA(text);
}
