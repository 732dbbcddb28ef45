// The browser owns the thread: a turn of the show once an animation frame,
// and the finish once it has ended, when the page is told its status.
#include "platform/entry.h"
#include "platform/terminal.h"

#include <emscripten.h>

namespace {

const ShowLoop* running = nullptr;

EM_JS(void, pageShowEnded, (int status), { Module.cellrune.showEnded(status); });
EM_JS(void, pageFrameShown, (), { Module.cellrune.frameShown(); });

void turn() {
    if (running->step()) {
        pageFrameShown(); // the page measures the picture against the sound
        return;
    }
    emscripten_cancel_main_loop();
    int status = running->finish();
    terminalClose(); // the page lives on after the program: what it kept back for the terminal is said now
    pageShowEnded(status);
}

} // namespace

int runShowLoop(const ShowLoop& loop) {
    static ShowLoop kept;
    kept = loop;
    running = &kept;
    emscripten_set_main_loop(turn, 0, 1); // does not return
    return 0;
}
