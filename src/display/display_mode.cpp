#include "display/display_mode.h"

int32_t displayState = 0;
Converter currentConverter = nullptr;
Presenter currentPresenter = nullptr;

// No output surface exists yet: modes are accepted and nothing is opened, so
// the loop runs headless and frames go nowhere.
void setDisplayMode(int32_t) {}

// Without a console there is never an input record waiting.
int consoleInputPending() {
    return 0;
}

int handleConsoleInput() {
    return 1;
}
