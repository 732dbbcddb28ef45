#include "display/presenters.h"

#include "display/cell_image.h"
#include "display/display_mode.h"
#include "display/nearest_colour.h"
#include "display/window_converters.h"
#include "platform/terminal.h"
#include "platform/window.h"
#include "settings/settings.h"

int32_t consoleOutput = 0;
bool windowClassPending = true;

int openConsole() {
    if (consoleTablesPending) {
        buildConsoleTables();
        prepareNearestSearch();
    }
    if (!terminalOpen(consolePalette)) {
        consoleOutput = kInvalidHandle;
        return kInvalidHandle;
    }
    consoleOutput = 1;
    return 0;
}

void freeConsole() {
    terminalClose();
    consoleOutput = kInvalidHandle;
}

int presentConsole() {
    return terminalPresent(cellBuffer);
}

int consoleInputPending() {
    return terminalKeyPending();
}

int openWindow(InstanceHandle) {
    if (windowClassPending) {
        if (windowSystemInit() != 0) return -1;
        setMessageHandler(windowProc);
        windowClassPending = false;
    }
    // The title is replaced by the mode's caption at once.
    return windowCreate("The totally free caption", fullScreen != 0);
}

void closeWindow() {
    windowDestroy();
}

int presentWindow() {
    windowPresent(windowImage);
    return 0;
}
