#include "display/presenters.h"

#include "display/cell_image.h"
#include "display/display_mode.h"
#include "display/nearest_colour.h"
#include "display/window_converters.h"
#include "platform/terminal.h"
#include "platform/window.h"
#include "settings/settings.h"

bool windowClassPending = true;

int openConsole() {
    if (consoleTablesPending) {
        buildConsoleTables();
        prepareNearestSearch();
    }
    if (!terminalOpen(consolePalette)) return kInvalidHandle;
    return 0;
}

void freeConsole() {
    terminalClose();
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

int presentPixelsInTerminal() {
    static uint32_t halved[(kWindowWidth / 2) * (kWindowHeight / 2)];
    halveWindowImage(windowImage, halved);
    return terminalPresentPixels(halved);
}
