// The browser's side of the shared code: a page is closed, not asked to end;
// the debug texts go to the browser's console.
#include "platform/system_hooks.h"
#include "platform/messages.h"

#include <emscripten.h>

void watchSystemForQuit() {}
void installQuitHandlers() {}

void systemDebugChannel(const char* text) {
    EM_ASM({ console.debug(UTF8ToString($0)); }, text);
}
