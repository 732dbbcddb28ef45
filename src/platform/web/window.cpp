// The pixel styles in the browser: a 320 x 200 canvas on the page, enlarged
// by the page without smoothing; its caption is the page's title.
#include "platform/window.h"

#include "platform/show_sizes.h"
#include "platform/web/page.h"

#include <emscripten.h>

#include <cstdint>

namespace {

bool shown = false;
uint8_t rgba[kWindowWidth * kWindowHeight * 4];

EM_JS(void, pageWindowOpen, (int fullScreen), { Module.cellrune.windowOpen(fullScreen != 0); });
EM_JS(void, pageWindowClose, (), { Module.cellrune.windowClose(); });
EM_JS(void, pageWindowPresent, (const uint8_t* pixels), { Module.cellrune.windowPresent(pixels); });
EM_JS(void, pageWindowTitle, (const char* title), { document.title = UTF8ToString(title); });

} // namespace

int windowSystemInit() {
    return 0;
}

void windowSystemQuit() {
    windowDestroy();
}

int windowCreate(const char* title, bool fullScreen) {
    if (shown) return 0;
    pageWindowOpen(fullScreen);
    pageWindowTitle(title);
    shown = true;
    return 0;
}

void windowDestroy() {
    if (!shown) return;
    pageWindowClose();
    shown = false;
}

void windowSetTitle(const char* title) {
    if (shown) pageWindowTitle(title);
}

// The canvas takes rows top first, red, green, blue, alpha in bytes.
void windowPresent(const uint32_t* bottomUpImage) {
    if (!shown) return;
    uint8_t* out = rgba;
    for (int y = kWindowHeight - 1; y >= 0; --y) {
        const uint32_t* row = bottomUpImage + y * kWindowWidth;
        for (int x = 0; x < kWindowWidth; ++x, out += 4) {
            out[0] = uint8_t(row[x] >> 16);
            out[1] = uint8_t(row[x] >> 8);
            out[2] = uint8_t(row[x]);
            out[3] = 255;
        }
    }
    pageWindowPresent(rgba);
}

bool windowPollMessage(PlatformMessage* message) {
    if (!shown || !pageKeyWaiting()) return false;
    *message = {kMessageKeyDown, takePageKey()};
    return true;
}
